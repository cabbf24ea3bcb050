// The stored record of a type: the common fields, the dispatch by data-type
// code to the class readers, and writing once per structure write.
//
// Reading trusts nothing: sizes must match what the class computes from its
// own fields, references must lead to types already read (so a type can
// never refer to itself or to a later type, and the references stay a DAG),
// and counts are checked against the bytes left before anything is
// allocated. A failure names the record: "<class>::Read: <what>".
#include <memory>

#include "errors/exceptions.h"
#include "store/stream.h"
#include "types/composite_types.h"
#include "types/discrete_types.h"
#include "types/enumeration_type.h"
#include "types/scalar_types.h"
#include "types/type.h"

namespace {

const char* ClassName(unsigned code) {
  static const char* const names[] = {
      "ZELI_CharacterType::Read", "ZELI_StringType::Read", "ZELI_IntegerType::Read",
      "ZELI_RealType::Read",      "ZELI_ComplexType::Read", "ZELI_TimeType::Read",
      "ZELI_EnumerationType::Read", "ZELI_ArrayType::Read", "ZELI_RecordType::Read",
      "ZELI_UnionType::Read",     "ZELI_FloatType::Read",
  };
  return code < sizeof names / sizeof names[0] ? names[code] : "ZELI_Type::Read";
}

ZELI_Type* ReadClass(const ZELI_TypeRecord& record, ZELI_Istream& in, const ZELI_KeyMap<ZELI_ExternalBase>& map) {
  switch (record.dataType) {
    case ZEL_CHARACTER: return ZELI_CharacterType::ReadRecord(record, in, map);
    case ZEL_INTEGER: return ZELI_IntegerType::ReadRecord(record, in, map);
    case ZEL_ENUMERATION: return ZELI_EnumerationType::ReadRecord(record, in, map);
    case ZEL_STRING: return ZELI_StringType::ReadRecord(record);
    case ZEL_REAL: return ZELI_RealType::ReadRecord(record);
    case ZEL_COMPLEX: return ZELI_ComplexType::ReadRecord(record);
    case ZEL_TIME: return ZELI_TimeType::ReadRecord(record);
    case ZEL_FLOAT: return ZELI_FloatType::ReadRecord(record);
    case ZEL_ARRAY: return ZELI_ArrayType::ReadRecord(record, in, map);
    case ZEL_RECORD: return ZELI_RecordType::ReadRecord(record, in, map);
    case ZEL_UNION: return ZELI_UnionType::ReadRecord(record, in, map);
    default: break;  // codes past ZEL_FLOAT were refused before the record was read
  }
  throw ZELI_FailedException("ZELI_Type::Read implementation");
}

}  // namespace

ZELI_Type* ZELI_Type::Read(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map) {
  unsigned char code = 0;
  in >> code;
  if (code > ZEL_FLOAT) throw ZELI_FailedException("ZELI_Type::Read implementation");
  ZELI_TypeRecord record;
  record.dataType = static_cast<zel_dataType_t>(code);
  record.reader = ClassName(code);
  record.version = in.Get_SoftwareVersion();
  in >> record.name;
  in >> record.sizeOf;
  if (record.version >= 2) {
    in >> record.packedSizeOf;
    record.hasPackedSizeOf = true;
  }
  if (record.version >= 1) {
    unsigned char internal = 0;
    in >> internal;
    if (internal > 1) throw ZELI_FailedException(ZELI_Message() << record.reader << ": internal flag");
    record.isInternal = internal;
  }
  in >> record.key;
  if (record.key < 0 || map.IsLive(record.key)) {
    throw ZELI_FailedException(ZELI_Message() << record.reader << ": key");
  }
  std::unique_ptr<ZELI_Type> type;
  try {
    type.reset(ReadClass(record, in, map));
  } catch (const ZELI_BadArgException& e) {
    // Checks shared with creation report bad arguments; in a stored record
    // they mean a corrupted record.
    throw ZELI_FailedException(ZELI_Message() << record.reader << ": " << e.what());
  }
  map.Insert(record.key, type.get());
  type->Set_Key(record.key);
  return type.release();
}

ZELI_Type* ZELI_Type::LookUp(const ZELI_KeyMap<ZELI_ExternalBase>& map, int key, const char* record,
                             const char* what) {
  ZELI_Type* type = map.IsLive(key) ? dynamic_cast<ZELI_Type*>(map[key]) : nullptr;
  if (type == nullptr) throw ZELI_FailedException(ZELI_Message() << record << ": " << what);
  return type;
}

void ZELI_Type::Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) {
  if (map.IsMarked(Get_Key())) return;
  WriteReferencedTypes(out, map);
  WriteCommonRecord(out);
  WriteFields(out);
  map.Mark(Get_Key());
}

void ZELI_Type::WriteCommonRecord(ZELI_Ostream& out) const {
  // String values are pointers: in memory as wide as the machine's, in the
  // record always the 4 bytes (32 bits) of the stored format.
  const unsigned sizeOf = dataType_ == ZEL_STRING ? 4u : sizeOf_;
  const unsigned packedSizeOf = dataType_ == ZEL_STRING ? 32u : packedSizeOf_;
  out << static_cast<unsigned char>(dataType_) << name_ << sizeOf << packedSizeOf << isInternal_ << Get_Key();
}

void ZELI_Type::WriteReferencedTypes(ZELI_Ostream&, ZELI_KeyMap<ZELI_ExternalBase>&) const {}

void ZELI_Type::WriteFields(ZELI_Ostream&) const {}

void ZELI_CheckRecordSizes(const ZELI_TypeRecord& record, unsigned sizeOf, unsigned packedSizeOf) {
  if (record.sizeOf != sizeOf || (record.hasPackedSizeOf && record.packedSizeOf != packedSizeOf)) {
    throw ZELI_FailedException(ZELI_Message() << record.reader << ": size");
  }
}
