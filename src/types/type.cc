// ZELI_Type: the data-type property table, common construction, the default
// behaviour of the slots and type equality.
#include "types/type.h"

#include <map>
#include <utility>

#include "errors/exceptions.h"

namespace {

// The answers of the outermost running comparison (see AreEqualTypes).
using ZELI_EqualityMemo = std::map<std::pair<const ZELI_Type*, const ZELI_Type*>, bool>;
ZELI_EqualityMemo* activeEqualityMemo = nullptr;

// Indexed by zel_dataType_t: discrete, ordered, scalar, builtin.
const ZELI_DataTypeProperties kProperties[] = {
    {true, true, true, true},     // 0 character
    {false, false, true, true},   // 1 string
    {true, true, true, true},     // 2 integer
    {false, true, true, true},    // 3 real
    {false, false, true, true},   // 4 complex
    {false, true, true, true},    // 5 time
    {true, true, true, false},    // 6 enumeration
    {false, false, false, false}, // 7 array
    {false, false, false, false}, // 8 record
    {false, false, false, false}, // 9 union
    {false, true, true, true},    // 10 float
};

[[noreturn]] void Unimplemented(const char* slot) {
  throw ZELI_FailedException(ZELI_Message() << "Unimplemented ZELI_Type::" << slot);
}

}  // namespace

const ZELI_DataTypeProperties& ZELI_GetDataTypeProperties(zel_dataType_t dataType) {
  const unsigned code = static_cast<unsigned>(dataType);
  if (code >= sizeof kProperties / sizeof kProperties[0]) {
    throw ZELI_FailedException("ZELI_Type: data type code out of range");
  }
  return kProperties[code];
}

ZELI_Type::ZELI_Type(zel_dataType_t dataType, const ZELI_String& name, unsigned sizeOf, unsigned packedSizeOf)
    : dataType_(dataType), name_(name), sizeOf_(sizeOf), packedSizeOf_(packedSizeOf) {}

ZELI_Type::ZELI_Type(const ZELI_TypeRecord& record)
    : dataType_(record.dataType),
      name_(record.name),
      isInternal_(record.isInternal),
      sizeOf_(record.sizeOf),
      packedSizeOf_(record.packedSizeOf) {}

ZELI_Type::ZELI_Type(const ZELI_Type& other, int)
    : ZELI_ExternalBase(),
      dataType_(other.dataType_),
      name_(other.name_),
      isInternal_(other.isInternal_),
      sizeOf_(other.sizeOf_),
      packedSizeOf_(other.packedSizeOf_),
      depth_(other.depth_) {}

const ZELI_Range& ZELI_Type::Get_Range() const {
  throw ZELI_BadArgException("The type is not a discrete ordered type");
}

ZELI_Type* ZELI_Type::Get_SubelementType_p(unsigned) const {
  throw ZELI_BadArgException("The type is not a composite type");
}

const char* ZELI_Type::Get_SubelementName(unsigned, zel_bool_t&) const {
  throw ZELI_BadArgException("The type is not a composite type");
}

unsigned ZELI_Type::Get_SubelementBitPosition(unsigned) const {
  throw ZELI_BadArgException("The type is not a composite type");
}

bool ZELI_Type::EqualsAsType(const ZELI_Type& other) const {
  return dataType_ == other.dataType_ && name_ == other.name_ && isInternal_ == other.isInternal_ &&
         sizeOf_ == other.sizeOf_ && packedSizeOf_ == other.packedSizeOf_;
}

bool ZELI_Type::operator==(const ZELI_Type& other) const { return EqualsAsType(other); }

bool ZELI_Type::AreEqualTypes(const ZELI_Type& a, const ZELI_Type& b) {
  if (&a == &b) return true;
  ZELI_EqualityMemo local;
  const bool outermost = activeEqualityMemo == nullptr;
  if (outermost) activeEqualityMemo = &local;
  struct Reset {
    bool active;
    ~Reset() {
      if (active) activeEqualityMemo = nullptr;
    }
  } reset{outermost};
  const auto key = std::make_pair(&a, &b);
  const auto known = activeEqualityMemo->find(key);
  if (known != activeEqualityMemo->end()) return known->second;
  const bool equal = a == b;
  activeEqualityMemo->emplace(key, equal);
  return equal;
}

void ZELI_Type::Set_DepthAbove(unsigned deepest) {
  if (deepest >= MaxDepth) throw ZELI_BadArgException("Types are nested too deeply.");
  depth_ = deepest + 1;
}

// ---- slots filled in by the type operations ---------------------------------

zel_bool_t ZELI_Type::IsValidUnaryOp(zel_operation_t) const { Unimplemented("IsValidUnaryOp"); }
ZELI_Type* ZELI_Type::UnaryOpResultType_p(ZELI_Container*, zel_operation_t) const {
  Unimplemented("UnaryOpResultType_p");
}
void ZELI_Type::ApplyUnaryOp(zel_operation_t, void*, unsigned, void*) const { Unimplemented("ApplyUnaryOp"); }
zel_bool_t ZELI_Type::IsValidBinaryOp(zel_operation_t, ZELI_Type*) const { Unimplemented("IsValidBinaryOp"); }
ZELI_Type* ZELI_Type::BinaryOpResultType_p(ZELI_Container*, zel_operation_t, ZELI_Type*) const {
  Unimplemented("BinaryOpResultType_p");
}
void ZELI_Type::ApplyBinaryOp(zel_operation_t, ZELI_Type*, void*, void*, unsigned, void*) const {
  Unimplemented("ApplyBinaryOp");
}
zel_bool_t ZELI_Type::LessThan(void*, void*) const { Unimplemented("LessThan"); }
void ZELI_Type::Min(void*, void*) const { Unimplemented("Min"); }
void ZELI_Type::Max(void*, void*) const { Unimplemented("Max"); }
zel_bool_t ZELI_Type::FirstIsCloser(void*, void*, void*) const { Unimplemented("FirstIsCloser"); }
zel_bool_t ZELI_Type::IsValidConversion(zel_conversion_t) const { Unimplemented("IsValidConversion"); }
char* ZELI_Type::ConvertToASCII(zel_conversion_t, void*) const { Unimplemented("ConvertToASCII"); }
zel_bool_t ZELI_Type::IsOpCompatible(const ZELI_Type*) const { Unimplemented("IsOpCompatible"); }
