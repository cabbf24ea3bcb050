// ZELI_DataInformation::DetermineMonMinMax: monotonicity, minimum and
// maximum of an array, by one routine instantiated per value ordering
// (contiguous real values without a NaN take a vector path, ScanDoubles,
// with the same results).
//
// The routine walks the steps x(i-1) -> x(i) once. A level step (equal
// values; for floats, bit patterns at most one unit apart) only notes that
// some step is level; a falling step clears "all rising" and may lower the
// minimum; every other step, including one that involves a NaN or two
// complex values neither below the other, counts as rising and may raise the
// maximum. A NaN therefore never becomes an extreme unless it is the first
// value. The extremes are tracked as element indices and copied through the
// type, so they keep the exact stored bytes (and string texts are
// duplicated, never shared).
#include <cstdint>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "errors/exceptions.h"
#include "types/dcomplex.h"
#include "types/scalar_types.h"
#include "types/type.h"
#include "types/universal_types.h"
#include "model/data_information.h"

namespace {

// The element i of an array, directly or through an index array.
struct Sequence {
  const unsigned char* base;
  unsigned size;               // bytes per value
  const unsigned* indices;     // null: element i is value i
  const void* At(unsigned i) const {
    const unsigned index = indices != nullptr ? indices[i] : i;
    return base + static_cast<size_t>(index) * size;
  }
};

// What one scan found: the monotonicity and the elements holding the
// extremes.
struct Scan {
  zel_monotonicity_t monotonicity = ZEL_MONOTONICITY_UNKNOWN;
  unsigned minIndex = 0;
  unsigned maxIndex = 0;
};

// Orderings: Load reads one value (buffers carry no alignment promise, so
// values are copied out), Less is the strict order, Level tells an equal
// step.
template <typename T>
struct PlainOrder {
  using Value = T;
  static T Load(const void* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
  }
  static bool Less(const T& a, const T& b) { return a < b; }
  static bool Level(const T& a, const T& b) { return a == b; }
};

// Floats are level when their bit patterns, read as signed 32-bit integers
// with a negative pattern x mapped to 0x80000000 - x (so that -0 and +0
// coincide and the patterns count up through zero), differ by at most 1.
struct FloatOrder : PlainOrder<float> {
  static int64_t Ordinal(float value) {
    int32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits >= 0 ? bits : -static_cast<int64_t>(bits & 0x7FFFFFFF);
  }
  static bool Level(float a, float b) {
    const int64_t difference = Ordinal(a) - Ordinal(b);
    return difference >= -1 && difference <= 1;
  }
};

// The complex library's order: below when both parts are below.
struct ComplexOrder : PlainOrder<DComplex> {
  static bool Less(const DComplex& a, const DComplex& b) { return a.real() < b.real() && a.imag() < b.imag(); }
};

// Texts in byte order (unsigned bytes; a prefix sorts first); a null string
// sorts before every text and is level only with another null.
struct StringOrder : PlainOrder<const char*> {
  static bool Less(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return a == nullptr && b != nullptr;
    return std::strcmp(a, b) < 0;
  }
  static bool Level(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return a == b;
    return std::strcmp(a, b) == 0;
  }
};

zel_monotonicity_t MonotonicityOf(bool allRising, bool allFalling, bool someLevel) {
  if (allRising && !allFalling) {
    return someLevel ? ZEL_MONOTONICITY_INCREASING : ZEL_MONOTONICITY_STRICTLY_INCREASING;
  }
  if (allFalling && !allRising) {
    return someLevel ? ZEL_MONOTONICITY_DECREASING : ZEL_MONOTONICITY_STRICTLY_DECREASING;
  }
  return ZEL_MONOTONICITY_NONE;
}

template <typename T>
T ValueAt(const unsigned char* bytes, size_t index) {
  T value;
  std::memcpy(&value, bytes + index * sizeof(T), sizeof value);
  return value;
}

#if defined(__SSE2__)
// Sets lowestIndex and highestIndex to the first indices below n holding
// lowest and highest (both are there), in one pass: blocks of 8 values are
// compared whole, and only a block holding a wanted value is looked at
// value by value.
void FindFirstExtremes(const double* values, unsigned n, double lowest, double highest, unsigned& lowestIndex,
                       unsigned& highestIndex) {
  const __m128d low = _mm_set1_pd(lowest), high = _mm_set1_pd(highest);
  bool wantLow = true, wantHigh = true;
  const auto look = [&](unsigned first, unsigned end) {
    for (unsigned k = first; k < end; ++k) {
      double value;
      std::memcpy(&value, values + k, sizeof value);
      if (wantLow && value == lowest) lowestIndex = k, wantLow = false;
      if (wantHigh && value == highest) highestIndex = k, wantHigh = false;
    }
  };
  unsigned i = 0;
  for (; i + 8 <= n && (wantLow || wantHigh); i += 8) {
    __m128d hits = _mm_setzero_pd();
    for (unsigned k = 0; k < 8; k += 2) {
      const __m128d v = _mm_loadu_pd(values + i + k);
      hits = _mm_or_pd(hits, _mm_or_pd(_mm_cmpeq_pd(v, low), _mm_cmpeq_pd(v, high)));
    }
    if (_mm_movemask_pd(hits) != 0) look(i, i + 8);
  }
  if (wantLow || wantHigh) look(i, n);
}

// The scan below for doubles stored contiguously (real values, every real
// result array of an operation among them), in two passes of vector code:
// the first finds the smallest and the largest value and ORs the kinds of
// all steps into masks, the second the first index holding each extreme.
// Where no value is a NaN that index is the one the step rules pick (a new
// extreme is strictly beyond every value before it, hence beyond its
// predecessor: a falling step for a minimum, a rising one for a maximum),
// and noisy values cost no mispredicted branch each. With a NaN the step
// rules make the extremes depend on the order of visits: returns false, and
// the caller scans one by one.
bool ScanDoubles(const unsigned char* bytes, unsigned n, Scan& scan) {
  const double* values = reinterpret_cast<const double*>(bytes);  // loaded unaligned only
  const double first = ValueAt<double>(bytes, 0);
  __m128d min[2] = {_mm_set1_pd(first), _mm_set1_pd(first)};
  __m128d max[2] = {min[0], min[0]};
  __m128d falling = _mm_setzero_pd(), level = falling, rising = falling, notANumber = falling;
  const __m128d ones = _mm_castsi128_pd(_mm_set1_epi32(-1));
  size_t i = 1;
  for (; i + 4 <= n; i += 4) {
    for (unsigned h = 0; h < 2; ++h) {
      const __m128d current = _mm_loadu_pd(values + i + 2 * h);
      const __m128d previous = _mm_loadu_pd(values + i + 2 * h - 1);
      const __m128d down = _mm_cmplt_pd(current, previous), same = _mm_cmpeq_pd(current, previous);
      falling = _mm_or_pd(falling, down);
      level = _mm_or_pd(level, same);
      rising = _mm_or_pd(rising, _mm_xor_pd(_mm_or_pd(down, same), ones));
      notANumber = _mm_or_pd(notANumber, _mm_cmpunord_pd(current, current));
      min[h] = _mm_min_pd(current, min[h]);  // current < min ? current : min
      max[h] = _mm_max_pd(current, max[h]);  // current > max ? current : max
    }
  }
  bool anyFalling = _mm_movemask_pd(falling) != 0, anyLevel = _mm_movemask_pd(level) != 0;
  bool anyRising = _mm_movemask_pd(rising) != 0, anyNaN = _mm_movemask_pd(notANumber) != 0 || first != first;
  double lowest = first, highest = first;
  for (unsigned h = 0; h < 2; ++h) {
    double lanes[2];
    _mm_storeu_pd(lanes, min[h]);
    for (double lane : lanes) lowest = lane < lowest ? lane : lowest;
    _mm_storeu_pd(lanes, max[h]);
    for (double lane : lanes) highest = highest < lane ? lane : highest;
  }
  for (; i < n; ++i) {
    const double current = ValueAt<double>(bytes, i), previous = ValueAt<double>(bytes, i - 1);
    anyFalling |= current < previous;
    anyLevel |= current == previous;
    anyRising |= !(current < previous) && !(current == previous);
    anyNaN |= current != current;
    lowest = current < lowest ? current : lowest;
    highest = highest < current ? current : highest;
  }
  if (anyNaN) return false;
  FindFirstExtremes(values, n, lowest, highest, scan.minIndex, scan.maxIndex);
  scan.monotonicity = MonotonicityOf(!anyFalling, !anyRising, anyLevel);
  return true;
}
#else
bool ScanDoubles(const unsigned char*, unsigned, Scan&) { return false; }
#endif

template <typename Order>
Scan ScanValues(const Sequence& values, unsigned n) {
  using T = typename Order::Value;
  Scan scan;
  if constexpr (std::is_same<Order, PlainOrder<double>>::value) {
    if (n > 1 && values.indices == nullptr && ScanDoubles(values.base, n, scan)) return scan;
  }
  T previous = Order::Load(values.At(0));
  T min = previous;
  T max = previous;
  if (n == 1) {
    scan.monotonicity = ZEL_MONOTONICITY_STRICTLY_INCREASING;
    return scan;
  }
  bool allRising = true;
  bool allFalling = true;
  bool someLevel = false;
  for (unsigned i = 1; i < n; ++i) {
    const T current = Order::Load(values.At(i));
    if (Order::Level(previous, current)) {
      someLevel = true;
    } else if (Order::Less(current, previous)) {
      allRising = false;
      if (Order::Less(current, min)) {
        min = current;
        scan.minIndex = i;
      }
    } else {
      allFalling = false;
      if (Order::Less(max, current)) {
        max = current;
        scan.maxIndex = i;
      }
    }
    previous = current;
  }
  scan.monotonicity = MonotonicityOf(allRising, allFalling, someLevel);
  return scan;
}

[[noreturn]] void NoOrdering() {
  throw ZELI_FailedException("ZELI_DataInformation::DetermineMonMinMax implementation");
}

// The scan for the type's data-type kind.
Scan ScanByKind(const ZELI_Type& type, const Sequence& values, unsigned n) {
  switch (type.Get_DataType()) {
    case ZEL_CHARACTER:
      return type.IsUnsigned() ? ScanValues<PlainOrder<uint8_t>>(values, n) : ScanValues<PlainOrder<int8_t>>(values, n);
    case ZEL_STRING: return ScanValues<StringOrder>(values, n);
    case ZEL_INTEGER: return ScanValues<PlainOrder<int32_t>>(values, n);
    case ZEL_REAL: return ScanValues<PlainOrder<double>>(values, n);
    case ZEL_COMPLEX: return ScanValues<ComplexOrder>(values, n);
    case ZEL_TIME:
      return ZELI_IsTimeHeldAsDouble(type) ? ScanValues<PlainOrder<double>>(values, n)
                                           : ScanValues<PlainOrder<UniversalTime>>(values, n);
    case ZEL_ENUMERATION:
      switch (type.Get_SizeOf()) {
        case 1:
          return type.IsUnsigned() ? ScanValues<PlainOrder<uint8_t>>(values, n)
                                   : ScanValues<PlainOrder<int8_t>>(values, n);
        case 2:
          return type.IsUnsigned() ? ScanValues<PlainOrder<uint16_t>>(values, n)
                                   : ScanValues<PlainOrder<int16_t>>(values, n);
        case 4: return ScanValues<PlainOrder<uint32_t>>(values, n);
        default: NoOrdering();
      }
    case ZEL_FLOAT: return ScanValues<FloatOrder>(values, n);
    default: NoOrdering();
  }
}

bool IsIncreasing(zel_monotonicity_t m) {
  return m == ZEL_MONOTONICITY_STRICTLY_INCREASING || m == ZEL_MONOTONICITY_INCREASING;
}
bool IsDecreasing(zel_monotonicity_t m) {
  return m == ZEL_MONOTONICITY_STRICTLY_DECREASING || m == ZEL_MONOTONICITY_DECREASING;
}

}  // namespace

void ZELI_DataInformation::DetermineMonMinMax(const void* values, unsigned n) {
  DetermineMonMinMax(nullptr, values, nullptr, n);
}

void ZELI_DataInformation::DetermineMonMinMax(const ZELI_DataInformation* indexInformation, const void* values,
                                              const unsigned* indices, unsigned n) {
  if (n == 0 || type_ == nullptr || type_->IsComposite()) return;
  if (values == nullptr) throw ZELI_BadArgException("Null data buffer");
  const Sequence sequence{static_cast<const unsigned char*>(values), type_->Get_SizeOf(), indices};
  if (monotonicityGiven_) {
    if (monotonicity_ >= ZEL_MONOTONICITY_MIXED) {
      throw ZELI_FailedException("template< class T > void DetermineMonMinMax ()");
    }
    const bool rising = IsIncreasing(monotonicity_);
    if (rising || IsDecreasing(monotonicity_)) {
      // The caller vouches for the order: the extremes sit at the ends. An
      // index array that runs backwards turns the ends round.
      bool ascending = rising;
      if (indices != nullptr && indexInformation != nullptr) {
        const zel_monotonicity_t order = indexInformation->Get_Monotonicity();
        if (IsDecreasing(order)) {
          ascending = !ascending;
        } else if (!IsIncreasing(order)) {
          indexInformation = nullptr;  // an unordered index array: scan
        }
      }
      if (indices == nullptr || indexInformation != nullptr) {
        const void* first = sequence.At(0);
        const void* last = sequence.At(n - 1);
        if (ascending) {
          StoreDetermined(first, last);
        } else {
          StoreDetermined(last, first);
        }
        return;
      }
    }
  }
  // No short-cut: what the scan finds replaces any monotonicity (a given
  // NONE, or a given order that an unordered index array does not keep).
  const Scan scan = ScanByKind(*type_, sequence, n);
  monotonicity_ = scan.monotonicity;
  monotonicityGiven_ = false;
  StoreDetermined(sequence.At(scan.minIndex), sequence.At(scan.maxIndex));
}
