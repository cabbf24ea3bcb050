// Arrays, records and unions: layouts, subelements, array locations,
// equality, copying and the stored composite fields.
#include "types/composite_types.h"

#include <algorithm>
#include <memory>
#include <string>

#include "errors/exceptions.h"
#include "types/typed_container.h"
#include "store/stream.h"

namespace {

// Largest size of whose packed size (size * 8 bits) fits in 32 bits.
constexpr uint64_t kMaxCompositeSize = 0xFFFFFFFFull / 8;

uint64_t CeilBytes(uint64_t bits) { return (bits + 7) / 8; }

}  // namespace

// ---- arrays -------------------------------------------------------------------

ZELI_ArrayType::ZELI_ArrayType(const ZELI_String& name, ZELI_Type* element, std::vector<ZELI_Range> constraints)
    : ZELI_Type(ZEL_ARRAY, name, 0, 0), element_(element), constraints_(std::move(constraints)) {
  Initialize();
}

void ZELI_ArrayType::Initialize() {
  if (element_->HoldsStrings()) throw ZELI_BadArgException("Composite types cannot hold strings.");
  unsigned deepest = element_->Get_Depth();
  for (const ZELI_Range& constraint : constraints_) {
    if (constraint.Get_Type_p() != nullptr) deepest = std::max(deepest, constraint.Get_Type_p()->Get_Depth());
  }
  Set_DepthAbove(deepest);
  hasScalarCount_ = element_->HasScalarCount();
  uint64_t count = 1;
  for (const ZELI_Range& constraint : constraints_) {
    count *= constraint.Get_ValueCount();
    if (count > 0xFFFFFFFFull) throw ZELI_BadArgException("Array is too large.");
  }
  const uint64_t size = CeilBytes(count * element_->Get_PackedSizeOf());
  if (size > kMaxCompositeSize) throw ZELI_BadArgException("Array is too large.");
  elementCount_ = static_cast<unsigned>(count);
  scalarCount_ = 0;
  if (hasScalarCount_) {
    const uint64_t scalars = count * element_->ScalarCount();
    if (scalars > 0xFFFFFFFFull) throw ZELI_BadArgException("Array is too large.");
    scalarCount_ = static_cast<unsigned>(scalars);
  }
  Set_Sizes(static_cast<unsigned>(size), static_cast<unsigned>(size * 8));
}

unsigned ZELI_ArrayType::ScalarCount() const {
  if (!HasScalarCount()) throw ZELI_FailedException("ZELI_UnionType::ScalarCount");
  return scalarCount_;
}

ZELI_Type* ZELI_ArrayType::Get_SubelementType_p(unsigned index) const {
  if (index >= elementCount_) throw ZELI_BadArgException("Array location out of range.");
  return element_;
}

const char* ZELI_ArrayType::Get_SubelementName(unsigned index, zel_bool_t& ownedByType) const {
  if (index >= elementCount_) throw ZELI_BadArgException("Array location out of range.");
  std::vector<int> indices(constraints_.size());
  Indices(index, indices.data());
  std::string name = "[";
  for (size_t k = 0; k < indices.size(); ++k) {
    if (k > 0) name += ",";
    name += std::to_string(indices[k]);
  }
  name += "]";
  ownedByType = 0;
  return ZELI_DuplicateText(name.c_str());
}

unsigned ZELI_ArrayType::Get_SubelementBitPosition(unsigned index) const {
  if (index >= elementCount_) throw ZELI_BadArgException("Array location out of range.");
  // Fits: the whole array's bits fit in 32 bits.
  return index * element_->Get_PackedSizeOf();
}

unsigned ZELI_ArrayType::Location(const int* indices) const {
  uint64_t location = 0;
  for (size_t k = 0; k < constraints_.size(); ++k) {
    const ZELI_Range& constraint = constraints_[k];
    const long long position = constraint.PositionOf(indices[k]);
    if (position < 0 || static_cast<uint64_t>(position) >= constraint.Get_ValueCount()) {
      throw ZELI_BadArgException("Array index is out of range.");
    }
    location = location * constraint.Get_ValueCount() + static_cast<uint64_t>(position);
  }
  return static_cast<unsigned>(location);
}

void ZELI_ArrayType::Indices(unsigned location, int* indices) const {
  std::vector<int> result(constraints_.size());
  uint64_t rest = location;
  for (size_t k = constraints_.size(); k-- > 0;) {
    const ZELI_Range& constraint = constraints_[k];
    const uint64_t n = constraint.Get_ValueCount();
    result[k] = static_cast<int>(constraint.ValueAt(static_cast<long long>(rest % n)));
    rest /= n;
  }
  if (rest != 0) throw ZELI_BadArgException("Array location is out of range.");
  for (size_t k = 0; k < result.size(); ++k) indices[k] = result[k];
}

bool ZELI_ArrayType::operator==(const ZELI_Type& other) const {
  const ZELI_ArrayType* array = dynamic_cast<const ZELI_ArrayType*>(&other);
  if (array == nullptr || !EqualsAsType(other) || !AreEqualTypes(*element_, *array->element_) ||
      constraints_.size() != array->constraints_.size()) {
    return false;
  }
  for (size_t k = 0; k < constraints_.size(); ++k) {
    const ZELI_Range& a = constraints_[k];
    const ZELI_Range& b = array->constraints_[k];
    if (!a.HasSameLimits(b)) return false;
    if ((a.Get_Type_p() == nullptr) != (b.Get_Type_p() == nullptr)) return false;
    if (a.Get_Type_p() != nullptr && !AreEqualTypes(*a.Get_Type_p(), *b.Get_Type_p())) return false;
  }
  return true;
}

ZELI_Type* ZELI_ArrayType::CopyToContainer(ZELI_TypedContainer* target) const {
  std::unique_ptr<ZELI_ArrayType> copy(new ZELI_ArrayType(*this, 0));
  ZELI_TypeTable& table = target->Get_TypeTable();
  copy->element_ = table.FindOrCopyType(*element_, nullptr);
  for (ZELI_Range& constraint : copy->constraints_) {
    if (constraint.Get_Type_p() != nullptr) constraint.Set_Type_p(table.FindOrCopyType(*constraint.Get_Type_p(), nullptr));
  }
  copy->Initialize();
  return copy.release();
}

void ZELI_ArrayType::WriteReferencedTypes(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const {
  element_->Write(out, map);
  for (const ZELI_Range& constraint : constraints_) {
    if (constraint.Get_Type_p() != nullptr) constraint.Get_Type_p()->Write(out, map);
  }
}

void ZELI_ArrayType::WriteFields(ZELI_Ostream& out) const {
  out << element_->Get_Key() << static_cast<unsigned>(constraints_.size());
  for (const ZELI_Range& constraint : constraints_) constraint.Write(out);
}

ZELI_ArrayType* ZELI_ArrayType::ReadRecord(const ZELI_TypeRecord& record, ZELI_Istream& in,
                                           const ZELI_KeyMap<ZELI_ExternalBase>& map) {
  std::unique_ptr<ZELI_ArrayType> type(new ZELI_ArrayType(record));
  int elementKey = -1;
  in >> elementKey;
  type->element_ = ZELI_Type::LookUp(map, elementKey, record.reader, "element type");
  // A range record takes 16 bytes.
  const unsigned count = in.ReadCount(16);
  type->constraints_.reserve(count);
  for (unsigned k = 0; k < count; ++k) {
    ZELI_Range constraint = ZELI_Range::Read(in, map, nullptr, -1, record.reader);
    ZELI_Type* over = constraint.Get_Type_p();
    if (over == nullptr || !over->Get_Range().Contains(constraint.Get_Left()) ||
        !over->Get_Range().Contains(constraint.Get_Right())) {
      throw ZELI_FailedException(ZELI_Message() << record.reader << ": constraint");
    }
    type->constraints_.push_back(constraint);
  }
  type->Initialize();
  ZELI_CheckRecordSizes(record, type->Get_SizeOf(), type->Get_PackedSizeOf());
  return type.release();
}

// ---- records and unions ------------------------------------------------------

ZELI_NamedCompositeType::ZELI_NamedCompositeType(zel_dataType_t dataType, const ZELI_String& name, unsigned count,
                                                 const char* const* names, ZELI_Type* const* types)
    : ZELI_Type(dataType, name, 0, 0) {
  names_.reserve(count);
  types_.reserve(count);
  for (unsigned i = 0; i < count; ++i) {
    names_.emplace_back(names[i]);
    types_.push_back(types[i]);
  }
}

void ZELI_NamedCompositeType::InitializeElements() {
  unsigned deepest = 0;
  bool countable = true;
  for (const ZELI_Type* type : types_) {
    if (type->HoldsStrings()) throw ZELI_BadArgException("Composite types cannot hold strings.");
    deepest = std::max(deepest, type->Get_Depth());
    countable = countable && type->HasScalarCount();
  }
  Set_DepthAbove(deepest);
  hasScalarCount_ = countable;
}

ZELI_Type* ZELI_NamedCompositeType::Get_SubelementType_p(unsigned index) const {
  if (index >= types_.size()) throw ZELI_BadArgException("Element position out of range.");
  return types_[index];
}

const char* ZELI_NamedCompositeType::Get_SubelementName(unsigned index, zel_bool_t& ownedByType) const {
  if (index >= names_.size()) throw ZELI_BadArgException("Element position out of range.");
  ownedByType = 1;
  return names_[index].c_str();
}

bool ZELI_NamedCompositeType::operator==(const ZELI_Type& other) const {
  const ZELI_NamedCompositeType* composite = dynamic_cast<const ZELI_NamedCompositeType*>(&other);
  if (composite == nullptr || !EqualsAsType(other) || names_ != composite->names_ ||
      types_.size() != composite->types_.size()) {
    return false;
  }
  for (size_t i = 0; i < types_.size(); ++i) {
    if (!AreEqualTypes(*types_[i], *composite->types_[i])) return false;
  }
  return true;
}

void ZELI_NamedCompositeType::CopyElements(const ZELI_NamedCompositeType& other, ZELI_TypedContainer* target) {
  ZELI_TypeTable& table = target->Get_TypeTable();
  types_.clear();
  types_.reserve(other.types_.size());
  for (const ZELI_Type* type : other.types_) types_.push_back(table.FindOrCopyType(*type, nullptr));
}

void ZELI_NamedCompositeType::ReadElements(const ZELI_TypeRecord& record, ZELI_Istream& in,
                                           const ZELI_KeyMap<ZELI_ExternalBase>& map) {
  // Each element takes at least 9 bytes: a name (length and NUL) and a key.
  const unsigned count = in.ReadCount(9);
  names_.reserve(count);
  types_.reserve(count);
  for (unsigned i = 0; i < count; ++i) {
    ZELI_String name;
    in >> name;
    names_.push_back(std::move(name));
  }
  for (unsigned i = 0; i < count; ++i) {
    int key = -1;
    in >> key;
    types_.push_back(ZELI_Type::LookUp(map, key, record.reader, "element type"));
  }
}

void ZELI_NamedCompositeType::WriteReferencedTypes(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const {
  for (ZELI_Type* type : types_) type->Write(out, map);
}

void ZELI_NamedCompositeType::WriteFields(ZELI_Ostream& out) const {
  out << static_cast<unsigned>(names_.size());
  for (const ZELI_String& name : names_) out << name;
  for (const ZELI_Type* type : types_) out << type->Get_Key();
}

ZELI_RecordType::ZELI_RecordType(const ZELI_String& name, unsigned count, const char* const* names,
                                 ZELI_Type* const* types)
    : ZELI_NamedCompositeType(ZEL_RECORD, name, count, names, types) {
  Initialize();
}

void ZELI_RecordType::Initialize() {
  InitializeElements();
  std::vector<unsigned> positions;
  positions.reserve(types_.size());
  uint64_t bit = 0;
  uint64_t scalars = 0;
  const bool countable = HasScalarCount();
  for (const ZELI_Type* type : types_) {
    const unsigned bits = type->Get_PackedSizeOf();
    if (bits % 8 == 0) bit = (bit + 7) / 8 * 8;
    if (bit > 0xFFFFFFFFull) throw ZELI_BadArgException("Record is too large.");
    positions.push_back(static_cast<unsigned>(bit));
    bit += bits;
    if (countable) scalars += type->ScalarCount();
  }
  const uint64_t size = CeilBytes(bit);
  if (size > kMaxCompositeSize || scalars > 0xFFFFFFFFull) throw ZELI_BadArgException("Record is too large.");
  bitPositions_.swap(positions);
  scalarCount_ = static_cast<unsigned>(scalars);
  Set_Sizes(static_cast<unsigned>(size), static_cast<unsigned>(size * 8));
}

unsigned ZELI_RecordType::ScalarCount() const {
  if (!HasScalarCount()) throw ZELI_FailedException("ZELI_UnionType::ScalarCount");
  return scalarCount_;
}

unsigned ZELI_RecordType::Get_SubelementBitPosition(unsigned index) const {
  if (index >= bitPositions_.size()) throw ZELI_BadArgException("Record element location out of range.");
  return bitPositions_[index];
}

ZELI_Type* ZELI_RecordType::CopyToContainer(ZELI_TypedContainer* target) const {
  std::unique_ptr<ZELI_RecordType> copy(new ZELI_RecordType(*this, 0));
  copy->CopyElements(*this, target);
  copy->Initialize();
  return copy.release();
}

ZELI_RecordType* ZELI_RecordType::ReadRecord(const ZELI_TypeRecord& record, ZELI_Istream& in,
                                             const ZELI_KeyMap<ZELI_ExternalBase>& map) {
  std::unique_ptr<ZELI_RecordType> type(new ZELI_RecordType(record));
  type->ReadElements(record, in, map);
  type->Initialize();
  ZELI_CheckRecordSizes(record, type->Get_SizeOf(), type->Get_PackedSizeOf());
  return type.release();
}

ZELI_UnionType::ZELI_UnionType(const ZELI_String& name, unsigned count, const char* const* names,
                               ZELI_Type* const* types)
    : ZELI_NamedCompositeType(ZEL_UNION, name, count, names, types) {
  Initialize();
}

void ZELI_UnionType::Initialize() {
  InitializeElements();
  unsigned largest = 0;
  for (const ZELI_Type* type : types_) largest = std::max(largest, type->Get_PackedSizeOf());
  const uint64_t size = CeilBytes(largest);
  Set_Sizes(static_cast<unsigned>(size), static_cast<unsigned>(size * 8));
}

unsigned ZELI_UnionType::ScalarCount() const { throw ZELI_FailedException("ZELI_UnionType::ScalarCount"); }

unsigned ZELI_UnionType::Get_SubelementBitPosition(unsigned index) const {
  if (index >= types_.size()) throw ZELI_BadArgException("Union element location out of range.");
  return 32;
}

ZELI_Type* ZELI_UnionType::CopyToContainer(ZELI_TypedContainer* target) const {
  std::unique_ptr<ZELI_UnionType> copy(new ZELI_UnionType(*this, 0));
  copy->CopyElements(*this, target);
  copy->Initialize();
  return copy.release();
}

ZELI_UnionType* ZELI_UnionType::ReadRecord(const ZELI_TypeRecord& record, ZELI_Istream& in,
                                           const ZELI_KeyMap<ZELI_ExternalBase>& map) {
  std::unique_ptr<ZELI_UnionType> type(new ZELI_UnionType(record));
  type->ReadElements(record, in, map);
  type->Initialize();
  ZELI_CheckRecordSizes(record, type->Get_SizeOf(), type->Get_PackedSizeOf());
  return type.release();
}
