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
