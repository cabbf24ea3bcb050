// ZELI_TypeTable: the types of one container, in creation order, and the
// four special types every container keeps (the internal integer type "#",
// and the "generated" integer, real and complex types that operations use
// for their results). The table owns its types; each is also entered in the
// container's key map of persistent objects.
//
// Structure file section: the type count and every type record in table
// order, then the keys of the internal integer, generated integer, generated
// real and generated complex types (-1 for one that does not exist).
#ifndef ZEL_TYPES_TYPE_TABLE_H
#define ZEL_TYPES_TYPE_TABLE_H

#include <memory>
#include <vector>

#include "store/keymap.h"
#include "store/objects.h"
#include "zel/zel.h"

class ZELI_TypedContainer;
class ZELI_Type;

class ZELI_TypeTable {
 public:
  explicit ZELI_TypeTable(ZELI_TypedContainer& owner);
  ~ZELI_TypeTable();
  ZELI_TypeTable(const ZELI_TypeTable&) = delete;
  ZELI_TypeTable& operator=(const ZELI_TypeTable&) = delete;

  // Enters the type in the container's key map, stores its key, appends it
  // and marks the container's structure modified. The table owns it from
  // the call on: when adding fails, the type is deleted.
  void Add_Type(ZELI_Type* type);
  const std::vector<ZELI_Type*>& Get_Types() const { return types_; }

  // The special types, created and added on first request.
  ZELI_Type* Get_InternalIntegerType_p();
  ZELI_Type* Get_GeneratedIntegerType_p();
  ZELI_Type* Get_GeneratedRealType_p();
  ZELI_Type* Get_GeneratedComplexType_p();

  // Lists in table order; internal types are left out.
  std::vector<ZELI_Type*> FindAllTypes() const;
  std::vector<ZELI_Type*> FindTypes(const char* name) const;
  // The first equal type (internal ones included), or null.
  ZELI_Type* FindTypeByType(const ZELI_Type& type) const;
  // A copy of a type of any container, added to this one (with the types it
  // refers to found or copied).
  ZELI_Type* CopyType(const ZELI_Type& type);
  // The equal type, or a copy; copied (when not null) tells which.
  ZELI_Type* FindOrCopyType(const ZELI_Type& type, zel_bool_t* copied);

  // Structure file. WriteTypes writes each type once, referenced types
  // first, using the map's marker (created here when the caller has not).
  // ReadTypes checks every record (ZELI_Type::Read) and the special keys:
  // each must name a type of the right data type.
  void EnsureSpecialTypes();
  void WriteTypes(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map);
  void ReadTypes(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map);
  // Streams of stored software version 1 keep the internal integer type's key
  // after the waveform sets: a flag byte, then the key when the flag is set.
  void ReadLegacyInternalKey(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map);

 private:
  // The type at a stored special key (-1: none), checked to be of dataType.
  ZELI_Type* ReadSpecialKey(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map, zel_dataType_t dataType);
  // Creates a special type and adds it.
  ZELI_Type* AddSpecial(ZELI_Type* type);

  ZELI_TypedContainer& owner_;
  std::vector<ZELI_Type*> types_;  // owned, creation order
  ZELI_Type* internalInteger_ = nullptr;
  ZELI_Type* generatedInteger_ = nullptr;
  ZELI_Type* generatedReal_ = nullptr;
  ZELI_Type* generatedComplex_ = nullptr;
};

#endif  // ZEL_TYPES_TYPE_TABLE_H
