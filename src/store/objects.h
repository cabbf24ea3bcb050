// Base classes of the objects a container keeps in its key maps.
//
//  - ZELI_ExternalBase: persistent objects (types, descriptors, parameters,
//    waveform sets, segments, waveforms, hierarchy nodes), stored in the
//    structure file at their key.
//  - ZELI_AccessBase: transient access objects (writers, simulation result
//    writers and subsets, data views, readers, data readers).
//  - ZELI_InternalBase: objects of the data stores (memory files, arrays).
//
// The key is the object's slot in its map, -1 until it is inserted. The
// destructors are virtual and never throw.
#ifndef ZEL_STORE_OBJECTS_H
#define ZEL_STORE_OBJECTS_H

class ZELI_KeyedObject {
 public:
  virtual ~ZELI_KeyedObject() = default;
  int Get_Key() const { return key_; }
  void Set_Key(int key) { key_ = key; }

 private:
  int key_ = -1;
};

class ZELI_ExternalBase : public ZELI_KeyedObject {};

class ZELI_AccessBase : public ZELI_KeyedObject {
 public:
  // Writers finish their open work before their container is closed or
  // detached; other access objects have nothing to do.
  virtual void Shutdown() {}
  // False for access objects owned by another access object (the subsets
  // of a simulation result writer): the container destroys only the others.
  virtual bool IsOwnedByContainer() const { return true; }
  // Whether this access object reads or writes the persistent object (a
  // waveform), which may then not be destroyed.
  virtual bool Uses(const ZELI_ExternalBase* /*object*/) const { return false; }
};

class ZELI_InternalBase : public ZELI_KeyedObject {};

#endif  // ZEL_STORE_OBJECTS_H
