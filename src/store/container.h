// ZELI_Container: a waveform database container, the owner of every
// persistent object (through the external key map) and every access object
// (through the access key map) of one open container.
#ifndef ZEL_STORE_CONTAINER_H
#define ZEL_STORE_CONTAINER_H

#include <memory>

#include "store/keymap.h"
#include "store/objects.h"
#include "types/type_table.h"

// Told when an object leaves the container's key maps, so that whoever keeps
// something per object (the interface's handle objects) can drop it. This is
// the single place through which objects leave a container.
class ZELI_ContainerListener {
 public:
  virtual void ObjectErased(const ZELI_ExternalBase* object) noexcept = 0;
  virtual void ObjectErased(const ZELI_AccessBase* object) noexcept = 0;

 protected:
  ~ZELI_ContainerListener() = default;
};

class ZELI_Container {
 public:
  ZELI_Container() : types_(*this) {}
  ZELI_Container(const ZELI_Container&) = delete;
  ZELI_Container& operator=(const ZELI_Container&) = delete;
  ~ZELI_Container() = default;

  static const char* Get_FilenameExt() { return ".qo_zel"; }
  static const char* Get_DirectoryNameSuffix() { return "_zel"; }

  ZELI_KeyMap<ZELI_ExternalBase>& Get_ExternalConvertor() { return external_; }
  ZELI_TypeTable& Get_TypeTable() { return types_; }

  // Every change of stored structure sets the flag; writing or reading the
  // structure clears it.
  void Set_Modified() { modified_ = true; }
  bool IsModified() const { return modified_; }
  ZELI_KeyMap<ZELI_AccessBase>& Get_AccessConvertor() { return access_; }

  // Frees the object's key in its map (the object itself is not destroyed)
  // and tells the listener.
  void Erase(ZELI_ExternalBase* object) {
    if (listener_ != nullptr) listener_->ObjectErased(object);
    external_.Erase(object->Get_Key());
  }
  void Erase(ZELI_AccessBase* object) {
    if (listener_ != nullptr) listener_->ObjectErased(object);
    access_.Erase(object->Get_Key());
  }
  void Set_Listener(ZELI_ContainerListener* listener) { listener_ = listener; }

  void Set_Attached(bool attached) { attached_ = attached; }
  bool Test_Attached() const { return attached_; }

 private:
  ZELI_KeyMap<ZELI_ExternalBase> external_;
  ZELI_KeyMap<ZELI_AccessBase> access_;
  bool attached_ = false;
  bool modified_ = true;
  // Declared after the key maps: destroyed before them.
  ZELI_TypeTable types_;
  ZELI_ContainerListener* listener_ = nullptr;  // not owned
};

#endif  // ZEL_STORE_CONTAINER_H
