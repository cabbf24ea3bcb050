// ZELI_DataInformation::DetermineMonMinMax: monotonicity, minimum and
// maximum of an array, by one routine instantiated per value ordering.
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

template <typename Order>
Scan ScanValues(const Sequence& values, unsigned n) {
  using T = typename Order::Value;
  Scan scan;
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
  if (allRising && !allFalling) {
    scan.monotonicity = someLevel ? ZEL_MONOTONICITY_INCREASING : ZEL_MONOTONICITY_STRICTLY_INCREASING;
  } else if (allFalling && !allRising) {
    scan.monotonicity = someLevel ? ZEL_MONOTONICITY_DECREASING : ZEL_MONOTONICITY_STRICTLY_DECREASING;
  } else {
    scan.monotonicity = ZEL_MONOTONICITY_NONE;
  }
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
