// ZELI_TypeTable: the types of a container, the special types, find and copy
// by value, and the types section of the structure file.
#include "types/type_table.h"

#include <memory>

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "types/typed_container.h"
#include "store/stream.h"
#include "types/discrete_types.h"
#include "types/scalar_types.h"
#include "types/type.h"

ZELI_TypeTable::ZELI_TypeTable(ZELI_TypedContainer& owner) : owner_(owner) {}

ZELI_TypeTable::~ZELI_TypeTable() {
  for (ZELI_Type* type : types_) delete type;
}

void ZELI_TypeTable::Add_Type(ZELI_Type* type) {
  std::unique_ptr<ZELI_Type> owned(type);
  ZELI_ReserveOneMore(types_);
  const int key = owner_.Get_ExternalConvertor().Insert(type);
  type->Set_Key(key);
  types_.push_back(owned.release());
  owner_.Set_Modified();
}

ZELI_Type* ZELI_TypeTable::AddSpecial(ZELI_Type* type) {
  Add_Type(type);
  return type;
}

ZELI_Type* ZELI_TypeTable::Get_InternalIntegerType_p() {
  if (internalInteger_ == nullptr) {
    std::unique_ptr<ZELI_Type> type(new ZELI_IntegerType("#"));
    type->Set_IsZelInternal(true);
    internalInteger_ = AddSpecial(type.release());
  }
  return internalInteger_;
}

ZELI_Type* ZELI_TypeTable::Get_GeneratedIntegerType_p() {
  if (generatedInteger_ == nullptr) generatedInteger_ = AddSpecial(new ZELI_IntegerType("generated"));
  return generatedInteger_;
}

ZELI_Type* ZELI_TypeTable::Get_GeneratedRealType_p() {
  if (generatedReal_ == nullptr) generatedReal_ = AddSpecial(new ZELI_RealType("generated"));
  return generatedReal_;
}

ZELI_Type* ZELI_TypeTable::Get_GeneratedComplexType_p() {
  if (generatedComplex_ == nullptr) generatedComplex_ = AddSpecial(new ZELI_ComplexType("generated"));
  return generatedComplex_;
}

std::vector<ZELI_Type*> ZELI_TypeTable::FindAllTypes() const {
  std::vector<ZELI_Type*> found;
  for (ZELI_Type* type : types_) {
    if (!type->IsZelInternal()) found.push_back(type);
  }
  return found;
}

std::vector<ZELI_Type*> ZELI_TypeTable::FindTypes(const char* name) const {
  const ZELI_String wanted(name);
  std::vector<ZELI_Type*> found;
  for (ZELI_Type* type : types_) {
    if (!type->IsZelInternal() && type->Get_Name() == wanted) found.push_back(type);
  }
  return found;
}

ZELI_Type* ZELI_TypeTable::FindTypeByType(const ZELI_Type& type) const {
  for (ZELI_Type* candidate : types_) {
    if (type == *candidate) return candidate;
  }
  return nullptr;
}

ZELI_Type* ZELI_TypeTable::CopyType(const ZELI_Type& type) {
  ZELI_Type* copy = type.CopyToContainer(&owner_);
  Add_Type(copy);
  return copy;
}

ZELI_Type* ZELI_TypeTable::FindOrCopyType(const ZELI_Type& type, zel_bool_t* copied) {
  ZELI_Type* found = FindTypeByType(type);
  if (copied != nullptr) *copied = found == nullptr ? 1 : 0;
  return found != nullptr ? found : CopyType(type);
}

void ZELI_TypeTable::EnsureSpecialTypes() {
  Get_InternalIntegerType_p();
  Get_GeneratedIntegerType_p();
  Get_GeneratedRealType_p();
  Get_GeneratedComplexType_p();
}

void ZELI_TypeTable::WriteTypes(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) {
  const bool ownMarker = !map.HasMarker();
  if (ownMarker) map.InitializeMarker();
  out << static_cast<unsigned>(types_.size());
  for (ZELI_Type* type : types_) type->Write(out, map);
  auto keyOf = [](const ZELI_Type* type) { return type != nullptr ? type->Get_Key() : -1; };
  out << keyOf(internalInteger_) << keyOf(generatedInteger_) << keyOf(generatedReal_) << keyOf(generatedComplex_);
  if (ownMarker) map.DiscardMarker();
}

ZELI_Type* ZELI_TypeTable::ReadSpecialKey(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map,
                                          zel_dataType_t dataType) {
  int key = -1;
  in >> key;
  if (key == -1) return nullptr;
  ZELI_Type* type = ZELI_Type::LookUp(map, key, "ZELI_TypeTable::ReadTypes", "special type");
  if (type->Get_DataType() != dataType) throw ZELI_FailedException("ZELI_TypeTable::ReadTypes: special type");
  return type;
}

void ZELI_TypeTable::ReadTypes(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map) {
  // The smallest record (version 0: code, empty name, size, key) takes 14
  // bytes.
  const unsigned count = in.ReadCount(14);
  types_.reserve(types_.size() + count);
  for (unsigned i = 0; i < count; ++i) types_.push_back(ZELI_Type::Read(in, map));
  const unsigned version = in.Get_SoftwareVersion();
  if (version >= 3) {
    internalInteger_ = ReadSpecialKey(in, map, ZEL_INTEGER);
  } else if (version == 2) {
    unsigned char flag = 0;
    in >> flag;
    if (flag != 0) internalInteger_ = ReadSpecialKey(in, map, ZEL_INTEGER);
  }
  if (version >= 4) {
    generatedInteger_ = ReadSpecialKey(in, map, ZEL_INTEGER);
    generatedReal_ = ReadSpecialKey(in, map, ZEL_REAL);
    generatedComplex_ = ReadSpecialKey(in, map, ZEL_COMPLEX);
  }
  // Older streams kept no internal flag: the type named as the internal one
  // is the internal one.
  if (internalInteger_ != nullptr) internalInteger_->Set_IsZelInternal(true);
}

void ZELI_TypeTable::ReadLegacyInternalKey(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map) {
  unsigned char flag = 0;
  in >> flag;
  if (flag == 0) return;
  internalInteger_ = ReadSpecialKey(in, map, ZEL_INTEGER);
  if (internalInteger_ != nullptr) internalInteger_->Set_IsZelInternal(true);
}
