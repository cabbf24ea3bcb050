// Order of single values (LessThan, Min, Max, FirstIsCloser) for every type
// class, and compatibility of types for registered operations.
//
// Data information uses the order for monotonicity and extremes, searches
// use FirstIsCloser to pick the nearer of two neighbours. Min and Max follow
// LessThan, so a NaN operand never replaces a value (every comparison with
// NaN is false). Types without an order (the base class, union) fail with
// the base messages; arrays and records with messages of their own.
#include <cstring>

#include "errors/exceptions.h"
#include "types/composite_types.h"
#include "types/discrete_types.h"
#include "types/enumeration_type.h"
#include "types/scalar_types.h"
#include "types/type_operations.h"
#include "types/universal_types.h"

namespace {

template <typename T>
T Value(const void* value) {
  ZELI_RequireValues(1, {value});
  return ZELI_Load<T>(value, 0);
}

// Widened before the two arms of a conditional meet, so that a signed
// encoding is not converted to the unsigned type of the other arm.
template <typename T>
long long Encoding(const void* value) {
  return static_cast<long long>(Value<T>(value));
}

template <typename T>
zel_bool_t NumberLessThan(const void* a, const void* b) {
  return Value<T>(a) < Value<T>(b) ? 1 : 0;
}

// For a <= t <= b: b - t >= t - a, in double precision.
template <typename T>
zel_bool_t NumberFirstIsCloser(const void* target, const void* a, const void* b) {
  const double t = Value<T>(target);
  return static_cast<double>(Value<T>(b)) - t >= t - static_cast<double>(Value<T>(a)) ? 1 : 0;
}

const char* TextOf(const void* value) {
  const char* text = Value<const char*>(value);
  return text != nullptr ? text : "";
}

// The lesser (keepLesser) or greater of two parts; NaN in b leaves a.
double KeepPart(double a, double b, bool keepLesser) {
  const bool replace = keepLesser ? b < a : a < b;
  return replace ? b : a;
}

void KeepParts(void* a, void* b, bool keepLesser) {
  const DComplex x = Value<DComplex>(a);
  const DComplex y = Value<DComplex>(b);
  ZELI_Store(a, 0, DComplex(KeepPart(x.real(), y.real(), keepLesser), KeepPart(x.imag(), y.imag(), keepLesser)));
}

}  // namespace

// ---- every type --------------------------------------------------------------

zel_bool_t ZELI_Type::LessThan(void*, void*) const {
  throw ZELI_FailedException("The type does not have LessThen operation.");
}
void ZELI_Type::Min(void*, void*) const { throw ZELI_FailedException("The type does not have Min operation."); }
void ZELI_Type::Max(void*, void*) const { throw ZELI_FailedException("The type does not have Max operation."); }
zel_bool_t ZELI_Type::FirstIsCloser(void*, void*, void*) const {
  throw ZELI_FailedException("The type does not have FirstIsCloser operation.");
}

void ZELI_Type::KeepLesser(void* a, void* b) const {
  if (LessThan(b, a)) CopyData(a, b, 1);
}

void ZELI_Type::KeepGreater(void* a, void* b) const {
  if (LessThan(a, b)) CopyData(a, b, 1);
}

zel_bool_t ZELI_Type::IsOpCompatible(const ZELI_Type* other) const {
  if (other == nullptr || other->Get_DataType() != Get_DataType()) return 0;
  switch (Get_DataType()) {
    case ZEL_CHARACTER:
    case ZEL_STRING:
    case ZEL_INTEGER:
    case ZEL_REAL:
    case ZEL_COMPLEX:
    case ZEL_TIME:
    case ZEL_ARRAY:
    case ZEL_FLOAT: return 1;
    case ZEL_RECORD:
    case ZEL_UNION: return 0;
    default: throw ZELI_FailedException("ZELI_Operation::AreCompatibleTypes implementation");
  }
}

// ---- discrete types: character, integer, enumeration ---------------------------

long long ZELI_DiscreteType::Get_Encoding(const void* value, const char* failure) const {
  const bool isUnsigned = Get_BaseType_p()->Get_Range().IsNonNegative();
  switch (Get_SizeOf()) {
    case 1: return isUnsigned ? Encoding<uint8_t>(value) : Encoding<int8_t>(value);
    case 2: return isUnsigned ? Encoding<uint16_t>(value) : Encoding<int16_t>(value);
    case 4: return isUnsigned ? Encoding<uint32_t>(value) : Encoding<int32_t>(value);
    default: throw ZELI_FailedException(failure);
  }
}

zel_bool_t ZELI_DiscreteType::LessThan(void* a, void* b) const {
  const char* failure =
      Get_DataType() == ZEL_ENUMERATION ? "ZELI_Enumeration::LessThan" : "ZELI_DiscreteType::LessThan";
  return Get_Encoding(a, failure) < Get_Encoding(b, failure) ? 1 : 0;
}

void ZELI_DiscreteType::Min(void* a, void* b) const { KeepLesser(a, b); }
void ZELI_DiscreteType::Max(void* a, void* b) const { KeepGreater(a, b); }

zel_bool_t ZELI_DiscreteType::FirstIsCloser(void* target, void* a, void* b) const {
  const char* failure =
      Get_DataType() == ZEL_ENUMERATION ? "ZELI_Enumeration::FirstIsCloser" : "ZELI_DiscreteType::FirstIsCloser";
  const long long t = Get_Encoding(target, failure);
  return t - Get_Encoding(a, failure) <= Get_Encoding(b, failure) - t ? 1 : 0;
}

zel_bool_t ZELI_EnumerationType::IsOpCompatible(const ZELI_Type* other) const {
  const ZELI_EnumerationType* enumeration = dynamic_cast<const ZELI_EnumerationType*>(other);
  if (enumeration == nullptr) return 0;
  if (!IsBaseType() || !enumeration->IsBaseType()) {
    return Get_BaseType_p()->IsOpCompatible(enumeration->Get_BaseType_p());
  }
  return Get_Range().HasSameLimits(enumeration->Get_Range()) && Get_Literals() == enumeration->Get_Literals() ? 1 : 0;
}

// ---- float and real --------------------------------------------------------------

zel_bool_t ZELI_FloatType::LessThan(void* a, void* b) const { return NumberLessThan<float>(a, b); }
void ZELI_FloatType::Min(void* a, void* b) const { KeepLesser(a, b); }
void ZELI_FloatType::Max(void* a, void* b) const { KeepGreater(a, b); }
zel_bool_t ZELI_FloatType::FirstIsCloser(void* target, void* a, void* b) const {
  return NumberFirstIsCloser<float>(target, a, b);
}

zel_bool_t ZELI_RealType::LessThan(void* a, void* b) const { return NumberLessThan<double>(a, b); }
void ZELI_RealType::Min(void* a, void* b) const { KeepLesser(a, b); }
void ZELI_RealType::Max(void* a, void* b) const { KeepGreater(a, b); }
zel_bool_t ZELI_RealType::FirstIsCloser(void* target, void* a, void* b) const {
  return NumberFirstIsCloser<double>(target, a, b);
}

// ---- complex: both parts less; extremes part by part ---------------------------

zel_bool_t ZELI_ComplexType::LessThan(void* a, void* b) const {
  const DComplex x = Value<DComplex>(a);
  const DComplex y = Value<DComplex>(b);
  return x.real() < y.real() && x.imag() < y.imag() ? 1 : 0;
}
void ZELI_ComplexType::Min(void* a, void* b) const { KeepParts(a, b, true); }
void ZELI_ComplexType::Max(void* a, void* b) const { KeepParts(a, b, false); }

// ---- time: UniversalTime order, doubles for the legacy layout --------------------

zel_bool_t ZELI_TimeType::LessThan(void* a, void* b) const {
  if (legacyTimeLayout_) return NumberLessThan<double>(a, b);
  return Value<UniversalTime>(a) < Value<UniversalTime>(b) ? 1 : 0;
}
void ZELI_TimeType::Min(void* a, void* b) const { KeepLesser(a, b); }
void ZELI_TimeType::Max(void* a, void* b) const { KeepGreater(a, b); }

zel_bool_t ZELI_TimeType::FirstIsCloser(void* target, void* a, void* b) const {
  if (legacyTimeLayout_) return NumberFirstIsCloser<double>(target, a, b);
  const UniversalTime t = Value<UniversalTime>(target);
  return Value<UniversalTime>(b) - t >= t - Value<UniversalTime>(a) ? 1 : 0;
}

// ---- string: byte-wise, unsigned, a prefix first -----------------------------------

zel_bool_t ZELI_StringType::LessThan(void* a, void* b) const {
  return std::strcmp(TextOf(a), TextOf(b)) < 0 ? 1 : 0;  // strcmp compares unsigned bytes
}
void ZELI_StringType::Min(void* a, void* b) const { KeepLesser(a, b); }
void ZELI_StringType::Max(void* a, void* b) const { KeepGreater(a, b); }

// ---- arrays and records ------------------------------------------------------------

zel_bool_t ZELI_ArrayType::LessThan(void*, void*) const {
  throw ZELI_FailedException("Unimplemented ZELI_ArrayType::LessThan");
}
void ZELI_ArrayType::Min(void*, void*) const { throw ZELI_FailedException("Unimplemented ZELI_ArrayType::Min"); }
void ZELI_ArrayType::Max(void*, void*) const { throw ZELI_FailedException("Unimplemented ZELI_ArrayType::Max"); }

zel_bool_t ZELI_RecordType::LessThan(void*, void*) const {
  throw ZELI_FailedException("Unimplemented ZELI_RecordType::LessThan");
}
void ZELI_RecordType::Min(void*, void*) const { throw ZELI_FailedException("Unimplemented ZELI_RecordType::Min"); }
void ZELI_RecordType::Max(void*, void*) const { throw ZELI_FailedException("Unimplemented ZELI_RecordType::Max"); }
