// Helpers shared by the type operations (type_operations*.cc,
// type_compare.cc, type_text.cc): loading and storing values of typed
// buffers, conversions between number types that are defined for every
// input, and the array loop that the unary and binary operations are built
// from.
//
// Values are loaded and stored through memcpy, so a value need not be
// aligned (values of packed records and of caller buffers are not always).
#ifndef ZEL_TYPES_TYPE_OPERATIONS_H
#define ZEL_TYPES_TYPE_OPERATIONS_H

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <type_traits>

#include "types/dcomplex.h"
#include "types/type.h"

template <typename T>
T ZELI_Load(const void* buffer, unsigned index) {
  T value;
  std::memcpy(&value, static_cast<const unsigned char*>(buffer) + sizeof(T) * index, sizeof(T));
  return value;
}

template <typename T>
void ZELI_Store(void* buffer, unsigned index, const T& value) {
  std::memcpy(static_cast<unsigned char*>(buffer) + sizeof(T) * index, &value, sizeof(T));
}

// A double as an integer type, saturating: NaN gives 0, values beyond the
// type's limits (infinities included) give the nearest limit, the others
// are truncated toward zero. A plain cast is undefined for all but the last.
template <typename Int>
Int ZELI_SaturatingCast(double value) {
  static_assert(std::is_integral<Int>::value, "integer types only");
  if (std::isnan(value)) return 0;
  const double lowest = static_cast<double>(std::numeric_limits<Int>::min());  // 0 or -2^digits: exact
  const double beyond = std::ldexp(1.0, std::numeric_limits<Int>::digits);     // max + 1: exact
  if (value <= lowest) return std::numeric_limits<Int>::min();
  if (value >= beyond) return std::numeric_limits<Int>::max();
  return static_cast<Int>(value);
}

// A double as a float: magnitudes beyond the float range give infinities
// of their sign (a plain cast leaves them undefined); NaN stays NaN.
inline float ZELI_NarrowToFloat(double value) {
  if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
    return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
  }
  return static_cast<float>(value);
}

// A computed value as a stored value of type To (float narrowed as above;
// double and DComplex unchanged; comparison results are already int32).
template <typename To, typename From>
To ZELI_StoredAs(const From& value) {
  if constexpr (std::is_same<To, float>::value && std::is_same<From, double>::value) {
    return ZELI_NarrowToFloat(value);
  } else {
    return To(value);
  }
}

// Floats are computed in double precision; other values as they are.
template <typename T>
T ZELI_Widen(const T& value) {
  return value;
}
inline double ZELI_Widen(float value) { return value; }

// result[i] = f(source[i]) for count values of From, stored as To. The
// result may be the source array when To is no wider than From (each value
// is read before any write reaches it).
template <typename From, typename To, typename F>
void ZELI_MapValues(const void* source, unsigned count, void* result, F f) {
  for (unsigned i = 0; i < count; ++i) {
    ZELI_Store<To>(result, i, ZELI_StoredAs<To>(f(ZELI_Widen(ZELI_Load<From>(source, i)))));
  }
}

// Copies count values of type from source to result (identity and pairing);
// the result slots are treated as uninitialised (strings are duplicated).
// Nothing is done when result is source.
void ZELI_CopyValues(const ZELI_Type& type, const void* source, unsigned count, void* result);

// Null value arrays with values to compute (count > 0): ZELI_BadArgException
// "Null data buffer".
void ZELI_RequireValues(unsigned count, std::initializer_list<const void*> buffers);

// The unary operations of float and real values (and of legacy time values,
// which are doubles), computed in double precision and stored as T
// (type_operations_real.cc). Operations not computed here throw
// ZELI_FailedException unimplemented.
template <typename T>
void ZELI_ApplyRealUnaryOp(const ZELI_Type& self, zel_operation_t op, const void* source, unsigned count, void* result,
                           const char* unimplemented);

#endif  // ZEL_TYPES_TYPE_OPERATIONS_H
