// ZELI_TypeTable. The type classes arrive with the type system; until then a
// container holds no types and stores an empty table.
#include "types/type_table.h"

#include "errors/exceptions.h"
#include "store/stream.h"

ZELI_TypeTable::ZELI_TypeTable(ZELI_Container& owner) : owner_(owner) {}

ZELI_TypeTable::~ZELI_TypeTable() = default;

void ZELI_TypeTable::Add_Type(ZELI_Type*) { throw ZELI_FailedException("Unimplemented: ZELI_TypeTable::Add_Type"); }

ZELI_Type* ZELI_TypeTable::Get_InternalIntegerType_p() { return internalInteger_; }
ZELI_Type* ZELI_TypeTable::Get_GeneratedIntegerType_p() { return generatedInteger_; }
ZELI_Type* ZELI_TypeTable::Get_GeneratedRealType_p() { return generatedReal_; }
ZELI_Type* ZELI_TypeTable::Get_GeneratedComplexType_p() { return generatedComplex_; }

std::vector<ZELI_Type*> ZELI_TypeTable::FindAllTypes() const { return {}; }
std::vector<ZELI_Type*> ZELI_TypeTable::FindTypes(const char*) const { return {}; }
ZELI_Type* ZELI_TypeTable::FindTypeByType(const ZELI_Type&) const { return nullptr; }
ZELI_Type* ZELI_TypeTable::CopyType(const ZELI_Type&) {
  throw ZELI_FailedException("Unimplemented: ZELI_TypeTable::CopyType");
}
ZELI_Type* ZELI_TypeTable::FindOrCopyType(const ZELI_Type& type, zel_bool_t* copied) {
  if (copied != nullptr) *copied = 1;
  return CopyType(type);
}

void ZELI_TypeTable::EnsureSpecialTypes() {}

void ZELI_TypeTable::WriteTypes(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>&) {
  out << 0 << -1 << -1 << -1 << -1;
}

void ZELI_TypeTable::ReadTypes(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>&) {
  int count = 0;
  in >> count;
  if (count != 0) throw ZELI_FailedException("Unimplemented: stored types");
  const unsigned version = in.Get_SoftwareVersion();
  int key = -1;
  if (version >= 3) in >> key;
  if (version >= 4) in >> key >> key >> key;
  if (version == 2) {
    char flag = 0;
    in >> flag;
    if (flag != 0) in >> key;
  }
}

void ZELI_TypeTable::ReadLegacyInternalKey(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>&) {
  char flag = 0;
  in >> flag;
  int key = -1;
  if (flag != 0) in >> key;
}
