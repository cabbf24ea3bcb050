// ZELC_Container: the session-side wrapper of an open container, and the
// handle objects of the container's own objects.
//
// A container object gets at most one handle object per open container,
// created the first time the interface returns it and recorded in a shadow
// map parallel to the container's key map (element k wraps the object of key
// k). The wrapper owns those handle objects: destroying it destroys them and
// frees their keys in the session, so every handle of the container's objects
// then fails conversion. When the library removes an object from its
// container, the wrapper drops its handle object at once (ObjectErased), so a
// stale handle can never reach a reused key's new object through the shadow.
#ifndef ZEL_INTERFACE_CONTAINER_WRAPPER_H
#define ZEL_INTERFACE_CONTAINER_WRAPPER_H

#include <type_traits>
#include <unordered_map>
#include <vector>

#include "interface/handles.h"
#include "model/container.h"

class ZELC_Session;

// A vector of handle objects kept parallel to a key map (referenced, not
// owned): element k is the handle object of the map's object k, or null.
template <typename Map>
class ZELI_KeyMapShadow {
 public:
  explicit ZELI_KeyMapShadow(const Map& map) : map_(map) {}

  // The slot of a key that is live in the map; the vector grows with nulls.
  // Else ZELI_FailedException "Bad key in ZELI_KeyMapShadow operator []".
  ZELC_Base*& operator[](int key) {
    if (!map_.IsLive(key)) throw ZELI_FailedException("Bad key in ZELI_KeyMapShadow operator []");
    if (static_cast<size_t>(key) >= slots_.size()) slots_.resize(static_cast<size_t>(key) + 1, nullptr);
    return slots_[static_cast<size_t>(key)];
  }
  bool IsValidKey(int key) const { return map_.IsLive(key); }
  // The handle object at key or null, without validation.
  ZELC_Base* Peek(int key) const {
    return key >= 0 && static_cast<size_t>(key) < slots_.size() ? slots_[static_cast<size_t>(key)] : nullptr;
  }
  void Clear(int key) {
    if (key >= 0 && static_cast<size_t>(key) < slots_.size()) slots_[static_cast<size_t>(key)] = nullptr;
  }
  unsigned Get_Size() const { return static_cast<unsigned>(slots_.size()); }

 private:
  const Map& map_;
  std::vector<ZELC_Base*> slots_;
};

class ZELC_Container final : public ZELC_StandaloneBase<ZELI_Container>, private ZELI_ContainerListener {
 public:
  explicit ZELC_Container(ZELI_Container* container);
  // Destroys every handle object of the container's objects (external first,
  // then access, ascending keys) and frees their keys in the session.
  ~ZELC_Container() override;

  // The handle object for a container object, created and inserted into the
  // session on first request. The object must be live in its map.
  template <typename T>
  auto Get_Interface_p(T* object);
  // Node iterators are owned by the container, not kept in a key map: their
  // handle objects are listed here and die with the iterator or the wrapper.
  ZELC_ContainedBase<ZELI_NodeIterator>* Get_Interface_p(ZELI_NodeIterator* iterator);

  ZELC_Base*& Get_InterfaceObject_p(const ZELI_ExternalBase* object) { return external_[object->Get_Key()]; }
  ZELC_Base*& Get_InterfaceObject_p(const ZELI_AccessBase* object) { return access_[object->Get_Key()]; }
  void Erase_InterfaceObject_p(const ZELI_ExternalBase* object) { external_.Clear(object->Get_Key()); }
  void Erase_InterfaceObject_p(const ZELI_AccessBase* object) { access_.Clear(object->Get_Key()); }
  void Erase_ExternalSlot(int key) { external_.Clear(key); }
  void Erase_AccessSlot(int key) { access_.Clear(key); }

  // Inserts the wrapper into the session that opens the container; its
  // handle objects then go to the same session.
  int InsertInto(ZELC_Session& session);

  // Closing and detaching at the end of a session: failures are recorded as
  // the current message, never thrown.
  static void CloseContainer(ZELC_Session& session, int key) noexcept;
  static void DetachContainer(ZELC_Session& session, int key) noexcept;

 private:
  void InsertIntoSession(ZELC_Base* handleObject);
  void ObjectErased(const ZELI_ExternalBase* object) noexcept override;
  void ObjectErased(const ZELI_AccessBase* object) noexcept override;
  void IteratorErased(const ZELI_NodeIterator* iterator) noexcept override;
  // Destroys the handle object in a shadow slot and frees its session key.
  void ReleaseHandleObject(ZELC_Base* handleObject) noexcept;

  ZELC_Session* session_ = nullptr;  // the session holding this wrapper
  ZELI_KeyMapShadow<ZELI_KeyMap<ZELI_ExternalBase>> external_;
  ZELI_KeyMapShadow<ZELI_KeyMap<ZELI_AccessBase>> access_;
  std::unordered_map<const ZELI_NodeIterator*, ZELC_Base*> iterators_;  // owned handle objects
};

// The destructors clear the shadow slot by the key recorded at construction,
// without touching the implementation object, which may already be gone.
template <typename T>
class ZELC_ExternalBase final : public ZELC_ContainedBase<T> {
 public:
  ZELC_ExternalBase(T* object, ZELC_Container* container)
      : ZELC_ContainedBase<T>(ZELC_KindOf<T>::kind, object, container), objectKey_(object->Get_Key()) {
    container->Get_InterfaceObject_p(object) = this;
  }
  ~ZELC_ExternalBase() override { this->Get_Container_p()->Erase_ExternalSlot(objectKey_); }

 private:
  int objectKey_;
};

template <typename T>
class ZELC_AccessBase final : public ZELC_ContainedBase<T> {
 public:
  ZELC_AccessBase(T* object, ZELC_Container* container)
      : ZELC_ContainedBase<T>(ZELC_KindOf<T>::kind, object, container), objectKey_(object->Get_Key()) {
    container->Get_InterfaceObject_p(object) = this;
  }
  ~ZELC_AccessBase() override { this->Get_Container_p()->Erase_AccessSlot(objectKey_); }

 private:
  int objectKey_;
};

template <typename T>
auto ZELC_Container::Get_Interface_p(T* object) {
  using Wrapper = std::conditional_t<std::is_base_of_v<ZELI_ExternalBase, T>, ZELC_ExternalBase<T>,
                                     ZELC_AccessBase<T>>;
  ZELC_Base* existing = Get_InterfaceObject_p(object);
  if (existing != nullptr) return static_cast<Wrapper*>(existing);
  Wrapper* wrapper = new Wrapper(object, this);
  try {
    InsertIntoSession(wrapper);
  } catch (...) {
    delete wrapper;
    throw;
  }
  return wrapper;
}

#endif  // ZEL_INTERFACE_CONTAINER_WRAPPER_H
