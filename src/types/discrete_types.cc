// Discrete types: construction of base types and subtypes, equality,
// copying and the stored discrete fields.
#include "types/discrete_types.h"

#include <algorithm>
#include <climits>
#include <memory>

#include "errors/exceptions.h"
#include "types/typed_container.h"
#include "store/stream.h"
#include "types/enumeration_type.h"

ZELI_DiscreteType::ZELI_DiscreteType(zel_dataType_t dataType, const ZELI_String& name, int left, int right,
                                     int step)
    : ZELI_Type(dataType, name, 0, 0), base_(this) {
  range_ = ZELI_Range(this, left, right, step);
  ComputeSizes();
}

ZELI_DiscreteType::ZELI_DiscreteType(zel_dataType_t dataType, const ZELI_String& name, const ZELI_Range& range,
                                     const char* mismatchMessage)
    : ZELI_Type(dataType, name, 0, 0), range_(range), base_(nullptr) {
  ZELI_Type* over = range.Get_Type_p();
  if (over == nullptr || over->Get_BaseType_p()->Get_DataType() != dataType) {
    throw ZELI_BadArgException(mismatchMessage);
  }
  base_ = over->Get_BaseType_p();
  Set_DepthAbove(std::max(base_->Get_Depth(), over->Get_Depth()));
  ComputeSizes();
}

ZELI_DiscreteType::ZELI_DiscreteType(const ZELI_DiscreteType& other, int copyTag)
    : ZELI_Type(other, copyTag), range_(other.range_), base_(this) {}

void ZELI_DiscreteType::ComputeSizes() { Set_Sizes(range_.Get_StoredSizeOf(), range_.Get_PackedSizeOf()); }

bool ZELI_DiscreteType::operator==(const ZELI_Type& other) const {
  const ZELI_DiscreteType* discrete = dynamic_cast<const ZELI_DiscreteType*>(&other);
  if (discrete == nullptr || !range_.HasSameLimits(discrete->range_) || !EqualsAsType(other)) return false;
  if (IsBaseType() && discrete->IsBaseType()) return true;
  if (IsSubtype() && discrete->IsSubtype()) return AreEqualTypes(*base_, *discrete->base_);
  return false;
}

void ZELI_DiscreteType::CopyReferences(const ZELI_DiscreteType& other, ZELI_TypedContainer* target) {
  if (other.IsBaseType()) {
    base_ = this;
    range_.Set_Type_p(this);
    return;
  }
  ZELI_TypeTable& table = target->Get_TypeTable();
  base_ = table.FindOrCopyType(*other.base_, nullptr);
  range_.Set_Type_p(table.FindOrCopyType(*other.range_.Get_Type_p(), nullptr));
  Set_DepthAbove(std::max(base_->Get_Depth(), range_.Get_Type_p()->Get_Depth()));
}

void ZELI_DiscreteType::ReadDiscreteFields(const ZELI_TypeRecord& record, ZELI_Istream& in,
                                           const ZELI_KeyMap<ZELI_ExternalBase>& map) {
  const char* name = record.reader;
  ZELI_Range range = ZELI_Range::Read(in, map, this, record.key, name);
  int baseKey = -1;
  in >> baseKey;
  ZELI_Type* over = range.Get_Type_p();
  if (baseKey == record.key) {
    if (over != this) throw ZELI_FailedException(ZELI_Message() << name << ": range type");
    base_ = this;
  } else {
    ZELI_Type* base = ZELI_Type::LookUp(map, baseKey, name, "base type");
    if (base->Get_DataType() != Get_DataType() || !base->IsBaseType()) {
      throw ZELI_FailedException(ZELI_Message() << name << ": base type");
    }
    if (over == nullptr || over == this || over->Get_BaseType_p() != base) {
      throw ZELI_FailedException(ZELI_Message() << name << ": range type");
    }
    const ZELI_Range& outer = over->Get_Range();
    if (!outer.Contains(range.Get_Left()) || !outer.Contains(range.Get_Right())) {
      throw ZELI_FailedException(ZELI_Message() << name << ": range");
    }
    base_ = base;
    Set_DepthAbove(std::max(base->Get_Depth(), over->Get_Depth()));
  }
  range_ = range;
  ComputeSizes();
  ZELI_CheckRecordSizes(record, Get_SizeOf(), Get_PackedSizeOf());
}

void ZELI_DiscreteType::WriteReferencedTypes(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const {
  if (IsBaseType()) return;
  base_->Write(out, map);
  range_.Get_Type_p()->Write(out, map);
}

void ZELI_DiscreteType::WriteFields(ZELI_Ostream& out) const {
  range_.Write(out);
  out << base_->Get_Key();
}

// ---- character and integer -------------------------------------------------

ZELI_IntegerType::ZELI_IntegerType(const ZELI_String& name)
    : ZELI_DiscreteType(ZEL_INTEGER, name, INT_MIN, INT_MAX, 1) {}

ZELI_Type* ZELI_CharacterType::CopyToContainer(ZELI_TypedContainer* target) const {
  std::unique_ptr<ZELI_CharacterType> copy(new ZELI_CharacterType(*this, 0));
  copy->CopyReferences(*this, target);
  return copy.release();
}

ZELI_Type* ZELI_IntegerType::CopyToContainer(ZELI_TypedContainer* target) const {
  std::unique_ptr<ZELI_IntegerType> copy(new ZELI_IntegerType(*this, 0));
  copy->CopyReferences(*this, target);
  return copy.release();
}

ZELI_CharacterType* ZELI_CharacterType::ReadRecord(const ZELI_TypeRecord& record, ZELI_Istream& in,
                                                   const ZELI_KeyMap<ZELI_ExternalBase>& map) {
  // Character values are one byte whatever the range says.
  if (record.sizeOf != 1) throw ZELI_FailedException("ZELI_CharacterType::Read: size");
  std::unique_ptr<ZELI_CharacterType> type(new ZELI_CharacterType(record));
  type->ReadDiscreteFields(record, in, map);
  return type.release();
}

ZELI_IntegerType* ZELI_IntegerType::ReadRecord(const ZELI_TypeRecord& record, ZELI_Istream& in,
                                               const ZELI_KeyMap<ZELI_ExternalBase>& map) {
  if (record.sizeOf != 4) throw ZELI_FailedException("ZELI_IntegerType::Read: size");
  std::unique_ptr<ZELI_IntegerType> type(new ZELI_IntegerType(record));
  type->ReadDiscreteFields(record, in, map);
  return type.release();
}

// ---- creating subtypes -------------------------------------------------------

ZELI_Range ZELI_MakeSubrange(ZELI_Type* type, int left, int right, zel_rangeDirection_t direction) {
  const ZELI_Range& outer = type->Get_Range();
  if (!outer.Contains(left)) throw ZELI_BadArgException("Left limit is out of underlying range.");
  if (!outer.Contains(right)) throw ZELI_BadArgException("Right limit is out of underlying range.");
  return ZELI_Range(type, left, right, direction);
}

ZELI_Type* ZELI_CreateDiscreteSubtype(const char* name, ZELI_Type* base, int left, int right,
                                      zel_rangeDirection_t direction) {
  if (!base->IsDiscrete()) throw ZELI_BadArgException("Base type is not a discrete type.");
  const ZELI_Range range = ZELI_MakeSubrange(base, left, right, direction);
  switch (base->Get_DataType()) {
    case ZEL_CHARACTER: return new ZELI_CharacterType(name, range);
    case ZEL_INTEGER: return new ZELI_IntegerType(name, range);
    case ZEL_ENUMERATION: return new ZELI_EnumerationType(name, range);
    default: break;
  }
  throw ZELI_FailedException("ZEL implementation error.");
}
