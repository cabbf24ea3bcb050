// Float, real, complex, time and string types: copies, stored records, and
// the value readers and byte swapping of complex, time and string values.
#include "types/scalar_types.h"

#include <algorithm>
#include <cstring>

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "store/stream.h"
#include "types/dcomplex.h"
#include "types/universal_types.h"

ZELI_Type* ZELI_FloatType::CopyToContainer(ZELI_TypedContainer*) const { return new ZELI_FloatType(*this, 0); }
ZELI_Type* ZELI_RealType::CopyToContainer(ZELI_TypedContainer*) const { return new ZELI_RealType(*this, 0); }
ZELI_Type* ZELI_ComplexType::CopyToContainer(ZELI_TypedContainer*) const { return new ZELI_ComplexType(*this, 0); }
ZELI_Type* ZELI_StringType::CopyToContainer(ZELI_TypedContainer*) const { return new ZELI_StringType(*this, 0); }

ZELI_Type* ZELI_TimeType::CopyToContainer(ZELI_TypedContainer*) const {
  ZELI_TimeType* copy = new ZELI_TimeType(*this, 0);
  copy->legacyTimeLayout_ = legacyTimeLayout_;
  return copy;
}

namespace {

// The record with the packed size every non-discrete scalar type has: size
// of x 8. Records of streams before version 2 store none, and the checked
// record's size of decides it.
ZELI_TypeRecord WithWholeBytesPacked(const ZELI_TypeRecord& record) {
  ZELI_TypeRecord sized = record;
  sized.packedSizeOf = sized.sizeOf * 8;
  return sized;
}

}  // namespace

ZELI_FloatType* ZELI_FloatType::ReadRecord(const ZELI_TypeRecord& record) {
  ZELI_CheckRecordSizes(record, 4, 32);
  return new ZELI_FloatType(WithWholeBytesPacked(record));
}

ZELI_RealType* ZELI_RealType::ReadRecord(const ZELI_TypeRecord& record) {
  ZELI_CheckRecordSizes(record, 8, 64);
  return new ZELI_RealType(WithWholeBytesPacked(record));
}

ZELI_ComplexType* ZELI_ComplexType::ReadRecord(const ZELI_TypeRecord& record) {
  ZELI_CheckRecordSizes(record, 16, 128);
  return new ZELI_ComplexType(WithWholeBytesPacked(record));
}

ZELI_TimeType* ZELI_TimeType::ReadRecord(const ZELI_TypeRecord& record) {
  // Streams before version 8 hold doubles; a legacy type written again by
  // this library keeps its stored size of 8, which identifies it later.
  const bool legacy = record.version < 8 || record.sizeOf == 8;
  if (legacy) {
    ZELI_CheckRecordSizes(record, 8, 64);
  } else {
    ZELI_CheckRecordSizes(record, 24, 192);
  }
  ZELI_TimeType* type = new ZELI_TimeType(WithWholeBytesPacked(record));
  type->legacyTimeLayout_ = legacy;
  return type;
}

ZELI_StringType* ZELI_StringType::ReadRecord(const ZELI_TypeRecord& record) {
  if (record.sizeOf != 4 && record.sizeOf != 8) ZELI_CheckRecordSizes(record, 4, 32);
  ZELI_CheckRecordSizes(record, record.sizeOf, record.sizeOf * 8);
  ZELI_TypeRecord sized = record;
  sized.sizeOf = sizeof(char*);
  sized.packedSizeOf = 8 * sizeof(char*);
  return new ZELI_StringType(sized);
}

void ZELI_ComplexType::ReadData(ZELI_Istream& in, void* buffer, unsigned count) const {
  RequireData();
  ReadRawData(in, buffer, count);
}

void ZELI_ComplexType::ConvertEndianType(void* buffer, unsigned count) const {
  // Values inside packed records need not be aligned: swap a copy.
  unsigned char* bytes = static_cast<unsigned char*>(buffer);
  for (unsigned i = 0; i < count; ++i, bytes += sizeof(DComplex)) {
    DComplex value;
    std::memcpy(&value, bytes, sizeof value);
    value.ConvertEndianType();
    std::memcpy(bytes, &value, sizeof value);
  }
}

void ZELI_TimeType::ReadData(ZELI_Istream& in, void* buffer, unsigned count) const {
  RequireData();
  ReadRawData(in, buffer, count);
}

void ZELI_TimeType::ConvertEndianType(void* buffer, unsigned count) const {
  if (legacyTimeLayout_) {
    ZELI_Type::ConvertEndianType(buffer, count);  // one double per value
    return;
  }
  unsigned char* bytes = static_cast<unsigned char*>(buffer);
  for (unsigned i = 0; i < count; ++i, bytes += sizeof(UniversalTime)) {
    UniversalTime value;
    std::memcpy(&value, bytes, sizeof value);
    value.ConvertEndianType();
    std::memcpy(bytes, &value, sizeof value);
  }
}

void ZELI_StringType::ReadData(ZELI_Istream& in, void* buffer, unsigned count) const {
  RequireData();
  char** slots = static_cast<char**>(buffer);
  std::fill(slots, slots + count, nullptr);
  try {
    for (unsigned i = 0; i < count; ++i) {
      ZELI_String text;
      in >> text;
      slots[i] = ZELI_DuplicateText(text.c_str());
    }
  } catch (...) {
    for (unsigned i = 0; i < count; ++i) {
      ZELI_OS_Free(slots[i]);
      slots[i] = nullptr;
    }
    throw;
  }
}
