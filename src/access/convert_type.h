// ConvertType: the element-wise conversions of the convert-type operation,
// between six element types: char (a character, read as a signed byte),
// int, float, double, UniversalTime and DComplex (36 instances).
//
//   from \ to    char            int             float, double    UniversalTime      DComplex
//   char, int    low 8 bits      sign-extended   the value        value ticks,       (value, 0)
//                                                                 zero fraction
//   float,       int32 (sat.),   truncated,      exact, or        from the double    (value, 0)
//   double       low 8 bits      saturating      rounded to float (seconds)
//   UniversalTime  its seconds as a double, then as double        copy               (seconds, 0)
//   DComplex       its real part as a double, then as double                         copy
//
// Saturation. Truncating a double that is NaN, infinite or beyond the int32
// range toward zero is undefined behaviour in C++; here such a value
// saturates to the nearest int32 limit and NaN gives 0 (so 1e300 gives
// 2147483647 and -inf -2147483648). A char result is the low 8 bits of that
// saturated int32. Time and complex sources go through double and saturate
// the same way. Rounding to float gives an infinity of the value's sign
// beyond the float range.
//
// Note the units: an integer becomes a time of that many ticks, while a
// double becomes a time of that many seconds and a time becomes its
// seconds.
#ifndef ZEL_ACCESS_CONVERT_TYPE_H
#define ZEL_ACCESS_CONVERT_TYPE_H

#include <type_traits>

#include "types/dcomplex.h"
#include "types/type.h"
#include "types/type_operations.h"
#include "types/universal_types.h"

namespace zeli_convert {

template <class A, class B>
constexpr bool Is = std::is_same<A, B>::value;

// An integer (int, or a sign-extended char) as D.
template <class D>
D FromInteger(int value) {
  if constexpr (Is<D, signed char>) {
    const int low = value & 0xFF;
    return static_cast<signed char>(low >= 0x80 ? low - 0x100 : low);
  } else if constexpr (Is<D, UniversalTime>) {
    return UniversalTime(UniversalInteger(value), UniversalReal::_zero);
  } else {
    return D(value);  // int, float (nearest), double (exact), DComplex (value, 0)
  }
}

// A double as D.
template <class D>
D FromReal(double value) {
  if constexpr (Is<D, signed char> || Is<D, int>) {
    return FromInteger<D>(ZELI_SaturatingCast<int>(value));
  } else if constexpr (Is<D, float>) {
    return ZELI_NarrowToFloat(value);
  } else if constexpr (Is<D, UniversalTime>) {
    return UniversalTime(UniversalReal(value));
  } else {
    return D(value);  // double, DComplex (value, 0)
  }
}

}  // namespace zeli_convert

// One value of S as D (the table in the file comment).
template <class D, class S>
D ZELI_ConvertValue(const S& value) {
  using zeli_convert::Is;
  if constexpr (Is<S, D>) {
    return value;
  } else if constexpr (Is<S, signed char> || Is<S, int>) {
    return zeli_convert::FromInteger<D>(value);
  } else if constexpr (Is<S, UniversalTime>) {
    return zeli_convert::FromReal<D>(value.UniversalToRealTime());
  } else if constexpr (Is<S, DComplex>) {
    return zeli_convert::FromReal<D>(value.real());
  } else {
    static_assert(Is<S, float> || Is<S, double>, "not a convertible element type");
    return zeli_convert::FromReal<D>(value);
  }
}

// count values of S at source into count values of D at destination, in
// order. Each value is read before its result is written, so destination
// may be source itself when D is no wider than S.
template <class S, class D>
void ZELI_ConvertValues(const void* source, unsigned count, void* destination) {
  for (unsigned i = 0; i < count; ++i) {
    ZELI_Store(destination, i, ZELI_ConvertValue<D>(ZELI_Load<S>(source, i)));
  }
}

// Converts count values laid out by from into values laid out by to, with
// the instance their kinds select: character char, integer int, real double,
// complex DComplex, float float, time UniversalTime, or double when the time
// type holds doubles. A time held as double does nothing as a source when
// the destination is float. Any other kind (string, enumeration,
// composites) on either side does nothing. Null buffers with count > 0, and
// null types: ZELI_BadArgException ("Null data buffer", "Null type").
void ZELI_ConvertType(const ZELI_Type* from, const ZELI_Type* to, const void* source, unsigned count,
                      void* destination);

#endif  // ZEL_ACCESS_CONVERT_TYPE_H
