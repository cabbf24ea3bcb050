// FindValue: the bracket of stored points around a sought value, within the
// stored indexes [first, end) of one leg.
//
// Result convention (shared with every search of a waveform segment):
//   - exact match at i:            (i, i + 1), exact set;
//   - strictly between i and j:    (i, j),     exact clear;
//   - no match, or an empty range: (end, end), exact clear.
//
// Strategy. Data recorded as increasing (monotonicity 2 or 4) or decreasing
// (3 or 5) is bisected and reads O(log n) values; anything else (unknown,
// none, mixed, default, or a value no enumerator has) is scanned in storage
// order and the first crossing wins, so Y = 0, 2, 0 searched for 1 gives
// (0, 1). Duplicates of a non-strict order are fine: any of the equal points
// may be the exact match.
//
// Values are read one at a time through an accessor: at(i) returns the
// address of the value at stored index i (first <= i < end), so an indexed
// data array is never turned into a contiguous copy by a search. Addresses
// carry no alignment promise (values sit inside pages and packed buffers);
// every read goes through memcpy.
//
// Termination does not depend on the data: a bisection step always narrows
// [lo, hi], and a NaN sought value (every comparison false) walks to the
// end and reports no match. Data whose recorded order is wrong (a damaged
// file) gives a wrong bracket or none, never a fault.
#ifndef ZEL_ACCESS_FIND_VALUE_H
#define ZEL_ACCESS_FIND_VALUE_H

#include <type_traits>

#include "errors/exceptions.h"
#include "types/scalar_types.h"
#include "types/type_operations.h"
#include "types/universal_types.h"
#include "zel/zel.h"

namespace zeli_find {

// +1 for increasing data, -1 for decreasing data, 0 for data to scan.
inline int Direction(zel_monotonicity_t monotonicity) {
  switch (monotonicity) {
    case ZEL_MONOTONICITY_STRICTLY_INCREASING:
    case ZEL_MONOTONICITY_INCREASING: return 1;
    case ZEL_MONOTONICITY_STRICTLY_DECREASING:
    case ZEL_MONOTONICITY_DECREASING: return -1;
    default: return 0;
  }
}

// The bracket (lower, upper) and the exact flag.
inline void Bracket(unsigned lower, unsigned upper, bool exact, unsigned* lowerOut, unsigned* upperOut,
                    bool* exactOut) {
  *lowerOut = lower;
  *upperOut = upper;
  *exactOut = exact;
}

// Whether sought lies beyond value in the direction of travel (greater for
// +1, smaller for -1), and before it. Both are false for NaN.
template <class T>
bool IsBeyond(int direction, const T& sought, const T& value) {
  return direction > 0 ? value < sought : sought < value;
}
template <class T>
bool IsBefore(int direction, const T& sought, const T& value) {
  return IsBeyond(-direction, sought, value);
}

template <class T, class At>
T ValueAt(const At& at, unsigned i) {
  return ZELI_Load<T>(at(i), 0);
}

// Bisection of data ordered in direction (+1 or -1); first < end.
template <class T, class At>
void Bisect(int direction, const T& sought, const At& at, unsigned first, unsigned end, unsigned* lower,
            unsigned* upper, bool* exact) {
  const unsigned last = end - 1;
  unsigned lo = first;
  unsigned hi = last;
  unsigned mid = lo + (hi - lo) / 2;
  T value = ValueAt<T>(at, mid);
  for (;;) {
    if (value == sought) return Bracket(mid, mid + 1, true, lower, upper, exact);
    if (IsBefore(direction, sought, value)) {
      if (mid <= first) return;  // before the first point
      hi = mid;
    } else {
      if (mid >= last) return;  // after the last point
      lo = mid;
    }
    // From the second step on lo < mid < hi, so the interval shrinks.
    if (hi - lo <= 1) break;
    mid = lo + (hi - lo) / 2;
    value = ValueAt<T>(at, mid);
  }
  // An inner pair was reached through values known to surround sought.
  if (lo > first && hi < last) return Bracket(lo, hi, false, lower, upper, exact);
  // One end of [lo, hi] is the range's outer point, not yet read.
  if (hi != last) {
    const T outer = ValueAt<T>(at, lo);
    if (outer == sought) return Bracket(lo, hi, true, lower, upper, exact);
    if (IsBeyond(direction, sought, outer)) Bracket(lo, hi, false, lower, upper, exact);
    return;
  }
  const T outer = ValueAt<T>(at, hi);
  if (outer == sought) return Bracket(hi, end, true, lower, upper, exact);
  if (IsBefore(direction, sought, outer)) Bracket(lo, hi, false, lower, upper, exact);
}

// Storage-order scan; first < end.
template <class T, class At>
void Scan(const T& sought, const At& at, unsigned first, unsigned end, unsigned* lower, unsigned* upper,
          bool* exact) {
  T previous = ValueAt<T>(at, first);
  if (previous == sought) return Bracket(first, first + 1, true, lower, upper, exact);
  for (unsigned hi = first + 1; hi < end; ++hi) {
    const T current = ValueAt<T>(at, hi);
    const bool rising = previous < current && previous < sought && sought < current;
    const bool falling = current < previous && sought < previous && current < sought;
    if (rising || falling) return Bracket(hi - 1, hi, false, lower, upper, exact);
    if (current == sought) return Bracket(hi, hi + 1, true, lower, upper, exact);
    previous = current;
  }
}

}  // namespace zeli_find

// The bracket of sought among the values at stored indexes [first, end)
// (see the file comment). T is one of the search element types: unsigned
// char, signed char, short, unsigned short, int, unsigned int, float,
// double, UniversalTime. The outputs must not be null.
template <class T, class At>
void ZELI_FindValue(zel_monotonicity_t monotonicity, const T& sought, const At& at, unsigned first, unsigned end,
                    unsigned* lower, unsigned* upper, bool* exact) {
  zeli_find::Bracket(end, end, false, lower, upper, exact);
  if (first >= end) return;
  const int direction = zeli_find::Direction(monotonicity);
  if (direction == 0) {
    zeli_find::Scan(sought, at, first, end, lower, upper, exact);
  } else {
    zeli_find::Bisect(direction, sought, at, first, end, lower, upper, exact);
  }
}

// FindValue over values of type, with the instance its kind asks for:
// character by IsUnsigned (unsigned char or signed char); integer int;
// real double; time double when held as double, else UniversalTime;
// enumeration by its stored width, 1 and 2 by IsUnsigned, 4 unsigned int
// (the order DetermineMonMinMax records monotonicity in, so a bisection
// agrees with it); float float.
//
// sought points to one value of type (ZELI_BadArgException "Null data
// buffer" when null). Failures, ZELI_FailedException: an enumeration of any
// other width "ZELI_DataInformation::DetermineMonMinMax implementation";
// any other kind (or no type), or a kind whose instance is not the element
// type of a typed accessor, "ZELI_DataInformation::FindValue
// implementation".
template <class At>
void ZELI_FindValueOfType(const ZELI_Type* type, zel_monotonicity_t monotonicity, const void* sought, const At& at,
                          unsigned first, unsigned end, unsigned* lower, unsigned* upper, bool* exact) {
  ZELI_RequireValues(1, {sought});
  // An accessor that returns untyped addresses (stored pages) may hold any
  // kind; one that returns typed addresses holds that element type only, so
  // the searches of other widths are not even instantiated for it (a 24-byte
  // time read from an 8-byte double would read past the value).
  using Element = std::remove_cv_t<std::remove_pointer_t<decltype(at(first))>>;
  auto find = [&](auto typed) {
    using T = decltype(typed);
    if constexpr (std::is_void<Element>::value || std::is_same<Element, T>::value) {
      ZELI_FindValue<T>(monotonicity, ZELI_Load<T>(sought, 0), at, first, end, lower, upper, exact);
    } else {
      throw ZELI_FailedException("ZELI_DataInformation::FindValue implementation");
    }
  };
  using UChar = unsigned char;
  using SChar = signed char;
  using UShort = unsigned short;
  if (type == nullptr) throw ZELI_FailedException("ZELI_DataInformation::FindValue implementation");
  switch (type->Get_DataType()) {
    case ZEL_CHARACTER: return type->IsUnsigned() ? find(UChar()) : find(SChar());
    case ZEL_INTEGER: return find(int());
    case ZEL_REAL: return find(double());
    case ZEL_TIME: return ZELI_IsTimeHeldAsDouble(*type) ? find(double()) : find(UniversalTime());
    case ZEL_ENUMERATION:
      switch (type->Get_SizeOf()) {
        case 1: return type->IsUnsigned() ? find(UChar()) : find(SChar());
        case 2: return type->IsUnsigned() ? find(UShort()) : find(short());
        case 4: return find(0u);
        default: throw ZELI_FailedException("ZELI_DataInformation::DetermineMonMinMax implementation");
      }
    case ZEL_FLOAT: return find(float());
    default: throw ZELI_FailedException("ZELI_DataInformation::FindValue implementation");
  }
}

#endif  // ZEL_ACCESS_FIND_VALUE_H
