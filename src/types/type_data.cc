// The data functions of ZELI_Type: allocation, copying, comparison,
// packing, byte swapping and stored values of typed buffers.
//
// Buffers are malloc'd arrays of values of size-of bytes each. String
// values are char* slots owning a malloc'd text (or null); every other
// value is plain bytes.
//
// Packed records: a composite value is a record of size-of bytes in which
// each scalar leaf sits at its bit position (record, array and nesting
// offsets added up). Leaves whose packed size is a multiple of 8 sit on byte
// boundaries and keep their unpacked bytes; narrower discrete leaves (at most
// 8 bits) are stored most significant bit first, inside one byte or inside
// the big-endian 16-bit word of the two bytes they straddle. A scalar type's
// packed record is simply its value.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "store/stream.h"
#include "types/type.h"

namespace {

unsigned char* Bytes(void* p) { return static_cast<unsigned char*>(p); }
const unsigned char* Bytes(const void* p) { return static_cast<const unsigned char*>(p); }

char*& StringAt(void* buffer, unsigned index) { return static_cast<char**>(buffer)[index]; }
char* StringAt(const void* buffer, unsigned index) { return static_cast<char* const*>(buffer)[index]; }

char* Duplicate(const char* text) { return ZELI_DuplicateText(text); }

// Owns malloc'd texts until they are handed over.
struct TextCopies {
  std::vector<char*> texts;
  ~TextCopies() {
    for (char* t : texts) ZELI_OS_Free(t);
  }
  char* Release(size_t i) {
    char* t = texts[i];
    texts[i] = nullptr;
    return t;
  }
};

size_t Bytes(unsigned sizeOf, unsigned count) { return static_cast<size_t>(sizeOf) * count; }

// Calls visit(leafType, leafIndex, bitOffset) for every scalar leaf of a
// composite type, in leaf order.
template <typename Visit>
void ForEachLeaf(const ZELI_Type& type, unsigned bitOffset, unsigned leafIndex, Visit& visit) {
  const unsigned n = type.SubelementCount();
  for (unsigned i = 0; i < n; ++i) {
    const ZELI_Type* sub = type.Get_SubelementType_p(i);
    const unsigned offset = bitOffset + type.Get_SubelementBitPosition(i);
    if (sub->IsScalar()) {
      visit(*sub, leafIndex, offset);
    } else if (sub->Get_PackedSizeOf() > 0) {
      // A composite without bits has only bit-less leaves (ranges of the
      // single value 0), however many: it is not walked, so the walk stays
      // proportional to the record's bits.
      ForEachLeaf(*sub, offset, leafIndex, visit);
    }
    leafIndex += sub->ScalarCount();
  }
}

// A leaf must lie inside the record: a layout that says otherwise is
// refused instead of touching bytes outside the buffer.
void CheckLeafInside(const ZELI_Type& record, const ZELI_Type& leaf, unsigned bitOffset, const char* who) {
  const unsigned bits = leaf.Get_PackedSizeOf();
  const bool aligned = bits % 8 != 0 || bitOffset % 8 == 0;
  const uint64_t end = bits % 8 == 0 ? static_cast<uint64_t>(bitOffset / 8) * 8 + leaf.Get_SizeOf() * 8ULL
                                      : static_cast<uint64_t>(bitOffset) + bits;
  if (!aligned || (bits > 0 && end > static_cast<uint64_t>(record.Get_SizeOf()) * 8)) {
    throw ZELI_FailedException(ZELI_Message() << who << ": layout");
  }
}

unsigned LowBits(unsigned bits) { return (1u << bits) - 1u; }

}  // namespace

char* ZELI_DuplicateText(const char* text) {
  if (text == nullptr) return nullptr;
  const size_t n = std::strlen(text) + 1;
  char* copy = static_cast<char*>(ZELI_OS_Malloc(n));
  std::memcpy(copy, text, n);
  return copy;
}

void ZELI_Type::RequireData() const {
  if (sizeOf_ == 0) throw ZELI_BadArgException("Type does not store data");
}

void ZELI_Type::RequireBuffer(const void* buffer) const {
  if (buffer == nullptr) throw ZELI_BadArgException("Null data buffer");
}

void ZELI_Type::ClearValues(void* buffer, unsigned count) const {
  if (dataType_ == ZEL_STRING) {
    for (unsigned i = 0; i < count; ++i) {
      ZELI_OS_Free(StringAt(buffer, i));
      StringAt(buffer, i) = nullptr;
    }
    return;
  }
  std::memset(buffer, 0, Bytes(sizeOf_, count));
}

void* ZELI_Type::AtData(void* buffer, unsigned index) const {
  RequireData();
  return Bytes(buffer) + Bytes(sizeOf_, index);
}

const void* ZELI_Type::AtData(const void* buffer, unsigned index) const {
  RequireData();
  return Bytes(buffer) + Bytes(sizeOf_, index);
}

void ZELI_Type::ZeroData(void* buffer, unsigned count) const {
  RequireData();
  if (count > 0) std::memset(buffer, 0, Bytes(sizeOf_, count));
}

void ZELI_Type::CopyData(void* destination, void* const* sources, unsigned count) const {
  RequireData();
  if (count == 0) return;
  RequireBuffer(destination);
  if (sources == nullptr) {
    ClearValues(destination, count);
    return;
  }
  if (dataType_ == ZEL_STRING) {
    TextCopies copies;
    copies.texts.resize(count, nullptr);
    for (unsigned i = 0; i < count; ++i) {
      if (sources[i] != nullptr) copies.texts[i] = Duplicate(StringAt(sources[i], 0));
    }
    for (unsigned i = 0; i < count; ++i) {
      ZELI_OS_Free(StringAt(destination, i));
      StringAt(destination, i) = copies.Release(i);
    }
    return;
  }
  for (unsigned i = 0; i < count; ++i) {
    void* slot = Bytes(destination) + Bytes(sizeOf_, i);
    if (sources[i] == nullptr) {
      std::memset(slot, 0, sizeOf_);
    } else {
      std::memmove(slot, sources[i], sizeOf_);
    }
  }
}

void ZELI_Type::CopyData(void* const* destinations, const void* source, unsigned count) const {
  RequireData();
  if (count == 0) return;
  RequireBuffer(destinations);
  for (unsigned i = 0; i < count; ++i) {
    if (destinations[i] == nullptr) continue;
    if (source == nullptr) {
      std::memset(destinations[i], 0, sizeOf_);  // a null string
      continue;
    }
    if (dataType_ == ZEL_STRING) {
      StringAt(destinations[i], 0) = Duplicate(StringAt(source, i));
    } else {
      std::memmove(destinations[i], Bytes(source) + Bytes(sizeOf_, i), sizeOf_);
    }
  }
}

void ZELI_Type::CopyData(void* destination, const void* source, unsigned count) const {
  RequireData();
  if (count == 0 || destination == source) return;
  RequireBuffer(destination);
  if (source == nullptr) {
    ClearValues(destination, count);
    return;
  }
  if (dataType_ == ZEL_STRING) {
    // All copies first: the sources stay intact whatever the overlap, and a
    // failed allocation leaves the destination unchanged.
    TextCopies copies;
    copies.texts.resize(count, nullptr);
    for (unsigned i = 0; i < count; ++i) copies.texts[i] = Duplicate(StringAt(source, i));
    for (unsigned i = 0; i < count; ++i) {
      ZELI_OS_Free(StringAt(destination, i));
      StringAt(destination, i) = copies.Release(i);
    }
    return;
  }
  std::memmove(destination, source, Bytes(sizeOf_, count));
}

void ZELI_Type::CopyData(void* destination, unsigned destinationIndex, const void* source,
                         unsigned sourceIndex) const {
  RequireData();
  RequireBuffer(destination);
  if (source == nullptr) {
    std::memset(Bytes(destination) + Bytes(sizeOf_, destinationIndex), 0, sizeOf_);  // a null string
    return;
  }
  void* to = Bytes(destination) + Bytes(sizeOf_, destinationIndex);
  const void* from = Bytes(source) + Bytes(sizeOf_, sourceIndex);
  if (to == from) return;
  if (dataType_ == ZEL_STRING) {
    StringAt(to, 0) = Duplicate(StringAt(from, 0));
  } else {
    std::memmove(to, from, sizeOf_);
  }
}

void* ZELI_Type::ReallocData(void* buffer, unsigned newCount, unsigned oldCount) const {
  RequireData();
  if (dataType_ == ZEL_STRING && buffer != nullptr) {
    for (unsigned i = newCount; i < oldCount; ++i) {
      ZELI_OS_Free(StringAt(buffer, i));
      StringAt(buffer, i) = nullptr;
    }
  }
  void* resized = ZELI_OS_Realloc(buffer, Bytes(sizeOf_, newCount));
  // New slots are zero: null strings, and no uninitialised byte can reach a
  // file later.
  if (newCount > oldCount) {
    std::memset(Bytes(resized) + Bytes(sizeOf_, oldCount), 0, Bytes(sizeOf_, newCount - oldCount));
  }
  return resized;
}

void ZELI_Type::WriteData(ZELI_Ostream& out, const void* buffer, unsigned count) const {
  RequireData();
  if (dataType_ == ZEL_STRING) {
    for (unsigned i = 0; i < count; ++i) out << ZELI_String(StringAt(buffer, i));
    return;
  }
  out.Write(buffer, Bytes(sizeOf_, count));
}

void ZELI_Type::FreeData(void* buffer, unsigned count) const {
  RequireData();
  if (buffer == nullptr) return;
  if (dataType_ == ZEL_STRING) {
    for (unsigned i = 0; i < count; ++i) ZELI_OS_Free(StringAt(buffer, i));
  }
  ZELI_OS_Free(buffer);
}

bool ZELI_Type::Equal(const void* a, const void* b, unsigned count) const {
  RequireData();
  if (count == 0) return true;
  if (dataType_ == ZEL_STRING) {
    for (unsigned i = 0; i < count; ++i) {
      const char* x = StringAt(a, i);
      const char* y = StringAt(b, i);
      if (x == nullptr || y == nullptr) {
        if (x != y) return false;
      } else if (std::strcmp(x, y) != 0) {
        return false;
      }
    }
    return true;
  }
  if (dataType_ == ZEL_FLOAT && count == 1) {
    float x = 0;
    float y = 0;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    const float tolerance = std::max(std::fabs(x), std::fabs(y)) * 2.384185791015625e-7f;
    return std::fabs(x - y) <= tolerance;
  }
  return std::memcmp(a, b, Bytes(sizeOf_, count)) == 0;
}

void ZELI_Type::PackData(void* const* sources, unsigned count, void* destination) const {
  RequireData();
  if (count == 0) return;
  std::memset(destination, 0, Bytes(sizeOf_, count));
  if (IsScalar()) {
    if (sources[0] != nullptr) std::memcpy(destination, sources[0], Bytes(sizeOf_, count));
    return;
  }
  ScalarCount();  // a union fails here: its packed layout is not defined
  const size_t stride = sizeOf_;
  auto place = [&](const ZELI_Type& leaf, unsigned leafIndex, unsigned bitOffset) {
    const unsigned char* from = Bytes(sources[leafIndex]);
    const unsigned bits = leaf.Get_PackedSizeOf();
    if (from == nullptr || bits == 0) return;
    CheckLeafInside(*this, leaf, bitOffset, "ZELI_Type::PackData");
    const unsigned byte = bitOffset / 8;
    const unsigned inByte = bitOffset % 8;
    const unsigned leafSize = leaf.Get_SizeOf();
    for (unsigned r = 0; r < count; ++r) {
      unsigned char* record = Bytes(destination) + stride * r;
      const unsigned char* value = from + static_cast<size_t>(leafSize) * r;
      if (bits % 8 == 0) {
        std::memcpy(record + byte, value, leafSize);
        continue;
      }
      const unsigned field = value[0] & LowBits(bits);
      if (inByte + bits <= 8) {
        const unsigned shift = 8 - inByte - bits;
        record[byte] = static_cast<unsigned char>((record[byte] & ~(LowBits(bits) << shift)) | (field << shift));
      } else {
        const unsigned shift = 16 - inByte - bits;
        unsigned word = (static_cast<unsigned>(record[byte]) << 8) | record[byte + 1];
        word = (word & ~(LowBits(bits) << shift)) | (field << shift);
        record[byte] = static_cast<unsigned char>(word >> 8);
        record[byte + 1] = static_cast<unsigned char>(word);
      }
    }
  };
  ForEachLeaf(*this, 0, 0, place);
}

void ZELI_Type::UnpackData(const void* source, unsigned count, void* const* destinations) const {
  RequireData();
  if (count == 0) return;
  if (IsScalar()) {
    if (destinations[0] != nullptr) std::memcpy(destinations[0], source, Bytes(sizeOf_, count));
    return;
  }
  ScalarCount();
  const size_t stride = sizeOf_;
  auto extract = [&](const ZELI_Type& leaf, unsigned leafIndex, unsigned bitOffset) {
    unsigned char* to = Bytes(destinations[leafIndex]);
    if (to == nullptr) return;
    const unsigned bits = leaf.Get_PackedSizeOf();
    const unsigned leafSize = leaf.Get_SizeOf();
    if (bits == 0) {
      // A range of the single value 0 takes no bits.
      std::memset(to, 0, static_cast<size_t>(leafSize) * count);
      return;
    }
    CheckLeafInside(*this, leaf, bitOffset, "ZELI_Type::UnpackData");
    const unsigned byte = bitOffset / 8;
    const unsigned inByte = bitOffset % 8;
    const bool signExtend = leaf.IsDiscrete() && leaf.Get_Range().Get_Min() < 0;
    for (unsigned r = 0; r < count; ++r) {
      const unsigned char* record = Bytes(source) + stride * r;
      unsigned char* value = to + static_cast<size_t>(leafSize) * r;
      if (bits % 8 == 0) {
        std::memcpy(value, record + byte, leafSize);
        continue;
      }
      unsigned field;
      if (inByte + bits <= 8) {
        field = (record[byte] >> (8 - inByte - bits)) & LowBits(bits);
      } else {
        const unsigned word = (static_cast<unsigned>(record[byte]) << 8) | record[byte + 1];
        field = (word >> (16 - inByte - bits)) & LowBits(bits);
      }
      if (signExtend && (field & (1u << (bits - 1))) != 0) field |= ~LowBits(bits);
      value[0] = static_cast<unsigned char>(field);
    }
  };
  ForEachLeaf(*this, 0, 0, extract);
}

ZELI_PackedField ZELI_Type::Get_PackedField(const ZELI_Type& field, unsigned bitOffset) const {
  RequireData();
  field.RequireData();
  ZELI_PackedField placed;
  const unsigned bits = field.Get_PackedSizeOf();
  if (bits == 0) return placed;
  CheckLeafInside(*this, field, bitOffset, "ZELI_Type::PackData");
  placed.byte = bitOffset / 8;
  if (bits % 8 == 0) {
    placed.size = field.Get_SizeOf();
    return placed;
  }
  // A narrow field is one byte wide in its own values (see the packed width
  // of a discrete range).
  const unsigned inByte = bitOffset % 8;
  placed.bits = bits;
  placed.crosses = inByte + bits > 8;
  placed.shift = (placed.crosses ? 16 : 8) - inByte - bits;
  return placed;
}

void ZELI_Type::PackData(const ZELI_Type& field, const void* source, unsigned count, unsigned bitOffset,
                         void* destination) const {
  const ZELI_PackedField placed = Get_PackedField(field, bitOffset);
  if (count == 0) return;
  RequireBuffer(source);
  RequireBuffer(destination);
  if (placed.size == 0 && placed.bits == 0) return;
  const size_t stride = sizeOf_;
  const unsigned fieldSize = field.Get_SizeOf();
  unsigned char* record = Bytes(destination);
  const unsigned char* value = Bytes(source);
  for (unsigned r = 0; r < count; ++r, record += stride, value += fieldSize) placed.Pack(record, value);
}

void ZELI_Type::UnpackData(const void* source, unsigned count, const ZELI_Type& field, unsigned bitOffset,
                           void* destination) const {
  RequireData();
  field.RequireData();
  if (count == 0) return;
  RequireBuffer(source);
  RequireBuffer(destination);
  const unsigned bits = field.Get_PackedSizeOf();
  const unsigned fieldSize = field.Get_SizeOf();
  if (bits == 0) {
    // A range of the single value 0 takes no bits.
    std::memset(destination, 0, Bytes(fieldSize, count));
    return;
  }
  CheckLeafInside(*this, field, bitOffset, "ZELI_Type::UnpackData");
  const size_t stride = sizeOf_;
  const unsigned char* record = Bytes(source) + bitOffset / 8;
  unsigned char* value = Bytes(destination);
  if (bits % 8 == 0) {
    for (unsigned r = 0; r < count; ++r, record += stride, value += fieldSize) std::memcpy(value, record, fieldSize);
    return;
  }
  const unsigned inByte = bitOffset % 8;
  const unsigned mask = LowBits(bits);
  const unsigned extension = field.IsDiscrete() && field.Get_Range().Get_Min() < 0 ? ~mask : 0u;
  const unsigned top = 1u << (bits - 1);
  for (unsigned r = 0; r < count; ++r, record += stride, value += fieldSize) {
    unsigned bitsOut;
    if (inByte + bits <= 8) {
      bitsOut = (record[0] >> (8 - inByte - bits)) & mask;
    } else {
      const unsigned word = (static_cast<unsigned>(record[0]) << 8) | record[1];
      bitsOut = (word >> (16 - inByte - bits)) & mask;
    }
    if ((bitsOut & top) != 0) bitsOut |= extension;
    value[0] = static_cast<unsigned char>(bitsOut);
  }
}

void ZELI_Type::ConvertEndianType(void* buffer, unsigned count) const {
  if (IsScalar()) {
    if (sizeOf_ <= 1) return;
    for (unsigned i = 0; i < count; ++i) {
      unsigned char* value = Bytes(buffer) + Bytes(sizeOf_, i);
      std::reverse(value, value + sizeOf_);
    }
    return;
  }
  ScalarCount();
  // Each leaf swaps through its own type, so complex and time fields keep
  // their inner structure.
  const size_t stride = sizeOf_;
  auto swap = [&](const ZELI_Type& leaf, unsigned, unsigned bitOffset) {
    const unsigned bits = leaf.Get_PackedSizeOf();
    if (bits == 0 || bits % 8 != 0 || leaf.Get_SizeOf() <= 1) return;
    CheckLeafInside(*this, leaf, bitOffset, "ZELI_Type::ConvertEndianType");
    for (unsigned r = 0; r < count; ++r) leaf.ConvertEndianType(Bytes(buffer) + stride * r + bitOffset / 8, 1);
  };
  ForEachLeaf(*this, 0, 0, swap);
}

void ZELI_Type::ReadRawData(ZELI_Istream& in, void* buffer, unsigned count) const {
  const uint64_t total = static_cast<uint64_t>(sizeOf_) * count;
  if (total > 0xFFFFFFFFull) throw ZELI_FailedException("ZELI_Type::ReadData: count");
  in.RequireBytes(total);
  in.Read(buffer, static_cast<unsigned>(total), 1);
  if (in.Get_ConvertEndianType()) ConvertEndianType(buffer, count);
}

void ZELI_Type::ReadData(ZELI_Istream& in, void* buffer, unsigned count) const {
  RequireData();
  if (count == 0) return;
  if (IsScalar()) {
    in.RequireBytes(static_cast<uint64_t>(sizeOf_) * count);
    in.Read(buffer, count, sizeOf_);
    return;
  }
  ReadRawData(in, buffer, count);
}
