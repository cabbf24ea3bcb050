// ZELI_ObjectTable<T>: one table of a container's persistent objects
// (descriptors, parameters, waveform sets), in creation order. The table
// owns its objects; each is also entered in the container's key map of
// persistent objects, which gives it its key.
#ifndef ZEL_STORE_OBJECT_TABLE_H
#define ZEL_STORE_OBJECT_TABLE_H

#include <memory>
#include <vector>

#include "errors/memory.h"
#include "store/keymap.h"
#include "store/objects.h"

template <typename T>
class ZELI_ObjectTable {
 public:
  ZELI_ObjectTable() = default;
  ZELI_ObjectTable(const ZELI_ObjectTable&) = delete;
  ZELI_ObjectTable& operator=(const ZELI_ObjectTable&) = delete;
  ~ZELI_ObjectTable() {
    for (T* object : objects_) delete object;
  }

  // Takes ownership, enters the object in map and stores its key. On
  // failure the object is deleted and nothing changes.
  T* Add(T* object, ZELI_KeyMap<ZELI_ExternalBase>& map) {
    std::unique_ptr<T> owned(object);
    ZELI_ReserveOneMore(objects_);
    object->Set_Key(map.Insert(object));
    objects_.push_back(owned.release());
    return object;
  }
  // Takes ownership of an object read from a stream (already placed in the
  // key map at its stored key).
  T* Adopt(T* object) {
    std::unique_ptr<T> owned(object);
    ZELI_ReserveOneMore(objects_);
    objects_.push_back(owned.release());
    return object;
  }
  const std::vector<T*>& Get_Objects() const { return objects_; }
  unsigned Get_Count() const { return static_cast<unsigned>(objects_.size()); }

  // The objects for which keep(object) holds, in creation order.
  template <typename Predicate>
  std::vector<T*> Select(Predicate keep) const {
    std::vector<T*> found;
    for (T* object : objects_) {
      if (keep(*object)) found.push_back(object);
    }
    return found;
  }
  // The first object equal to other, or null.
  T* FindEqual(const T& other) const {
    for (T* object : objects_) {
      if (*object == other) return object;
    }
    return nullptr;
  }

 private:
  std::vector<T*> objects_;  // owned, creation order
};

#endif  // ZEL_STORE_OBJECT_TABLE_H
