// Merging waveform segments onto a common X axis (merge_waveforms.h): the
// test whether X axes differ, the merged summaries, the walk itself, and the
// action that collects the operands of a binary operation.
//
// The walk. Each segment walks the points of its leg 0 in ascending X: an
// increasing X axis from its first point forward, a decreasing one from its
// last point backward (any other monotonicity is walked as stored, from the
// first point). While some segment still has a current point, the merged X
// is the smallest current X; every segment whose current X equals it is
// marked (the segment that supplied it always is, so that a NaN cannot stall
// the walk). For each merged point the action hears, per segment in order:
//   marked                    WfValue with its Y at its current point, and
//                             the segment advances;
//   between its points        WfValue with its Y interpolated at the merged
//                             X between its previous and current points (as
//                             a search would: by its interpolation type,
//                             lower and upper in storage order);
//   outside its X range       NoWfValue: before its first X (its walk has
//                             not begun) or after its last (it has ended);
//                             an empty segment is always outside. A
//                             segment with constant interpolation is not
//                             outside after its last point: it holds its
//                             last value there (WfValue with it).
//
// Step mode. When the segments mix constant interpolation with linear or
// polynomial interpolation and the action takes part in steps, a merged X
// other than the first at which a marked segment is constant becomes two
// merged points with that X, so that linear interpolation of the result
// shows the step. The first point holds the values before the step: marked
// constant segments DuplicateWfValue, other marked segments give their Y at
// the current point without advancing, unmarked segments as above. The
// second point holds the values after it: marked segments give their Y and
// advance, unmarked ones DuplicateWfValue.
//
// Element types. X values are compared as the element type of the merge's
// X type (time values as UniversalTime, by their own order, unless the type
// holds them as doubles). A segment whose own X type has another element
// type is read through a converted copy of its X values, made once.
//
// Speed: everything a point needs is prepared before the walk (value
// addresses, converted X values, orders) and the merged X array (and the
// binary-operation action's arrays) get room for as many points as all
// segments have, so the walk allocates only when steps add points beyond
// that. Values are read with plain loads, linear real values interpolated
// in line, and the binary-operation action's members are called directly,
// for its usual two segments from a walk of fixed size.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <type_traits>
#include <vector>

#include "access/interpolation.h"
#include "access/merge_waveforms.h"
#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "errors/exceptions.h"
#include "errors/memory.h"
#include "model/cached_array.h"
#include "model/data_information.h"
#include "types/dcomplex.h"
#include "types/scalar_types.h"
#include "types/type.h"
#include "types/type_operations.h"
#include "types/universal_types.h"

namespace {

// ---- element types of X values ---------------------------------------------------

enum class XElement { UCHAR, CHAR, SHORT, USHORT, INT, FLOAT, DOUBLE, TIME, NOT_MERGEABLE, UNKNOWN };

XElement XElementOf(const ZELI_Type& type) {
  switch (type.Get_DataType()) {
    case ZEL_CHARACTER: return type.IsUnsigned() ? XElement::UCHAR : XElement::CHAR;
    case ZEL_INTEGER: return XElement::INT;
    case ZEL_REAL: return XElement::DOUBLE;
    case ZEL_TIME: return ZELI_IsTimeHeldAsDouble(type) ? XElement::DOUBLE : XElement::TIME;
    case ZEL_FLOAT: return XElement::FLOAT;
    case ZEL_ENUMERATION:
      // Literal encodings stay below 2^31, so 4-byte ones compare as int
      // whatever their signedness.
      switch (type.Get_SizeOf()) {
        case 1: return type.IsUnsigned() ? XElement::UCHAR : XElement::CHAR;
        case 2: return type.IsUnsigned() ? XElement::USHORT : XElement::SHORT;
        case 4: return XElement::INT;
        default: return XElement::UNKNOWN;
      }
    case ZEL_STRING:
    case ZEL_COMPLEX:
    case ZEL_ARRAY:
    case ZEL_RECORD:
    case ZEL_UNION: return XElement::NOT_MERGEABLE;
    default: return XElement::UNKNOWN;
  }
}

XElement MergeableXElementOf(const ZELI_Type* type) {
  if (type == nullptr) throw ZELI_FailedException("ZELI_WfSegment::MergeWaveforms implementation");
  const XElement element = XElementOf(*type);
  if (element == XElement::NOT_MERGEABLE) throw ZELI_FailedException("Cannot merge the X data type");
  if (element == XElement::UNKNOWN) throw ZELI_FailedException("ZELI_WfSegment::MergeWaveforms implementation");
  return element;
}

// Calls f with a value of the element type (mergeable elements only).
template <class F>
void WithXElement(XElement element, F&& f) {
  switch (element) {
    case XElement::UCHAR: return f(static_cast<unsigned char>(0));
    case XElement::CHAR: return f(static_cast<signed char>(0));
    case XElement::SHORT: return f(static_cast<short>(0));
    case XElement::USHORT: return f(static_cast<unsigned short>(0));
    case XElement::INT: return f(0);
    case XElement::FLOAT: return f(0.0f);
    case XElement::DOUBLE: return f(0.0);
    case XElement::TIME: return f(UniversalTime());
    default: throw ZELI_FailedException("ZELI_WfSegment::MergeWaveforms implementation");
  }
}

// One X value of element type S as element type T: numbers by value
// (floating values into integers truncated and saturated), times through
// their seconds; integers become times of that many ticks and floating
// values times of that many seconds, as type conversions do.
template <class T, class S>
T ConvertX(const S& value) {
  if constexpr (std::is_same<T, S>::value) {
    return value;
  } else if constexpr (std::is_same<S, UniversalTime>::value) {
    return ConvertX<T>(static_cast<double>(value.UniversalToRealTime()));
  } else if constexpr (std::is_same<T, UniversalTime>::value) {
    if constexpr (std::is_integral<S>::value) {
      return UniversalTime(UniversalInteger(static_cast<long long>(value)), UniversalReal::_zero);
    } else {
      return UniversalTime(UniversalReal(static_cast<double>(value)));
    }
  } else if constexpr (std::is_integral<T>::value && std::is_floating_point<S>::value) {
    return ZELI_SaturatingCast<T>(static_cast<double>(value));
  } else if constexpr (std::is_same<T, float>::value && std::is_same<S, double>::value) {
    return ZELI_NarrowToFloat(value);
  } else {
    return static_cast<T>(value);
  }
}

template <class T>
constexpr bool IsInterpolableX = std::is_same<T, float>::value || std::is_same<T, double>::value ||
                                 std::is_same<T, UniversalTime>::value;

// ---- element types of Y values (interpolation) -----------------------------------

enum class YElement { FLOAT, DOUBLE, COMPLEX, TIME, OTHER };

YElement YElementOf(const ZELI_Type* type) {
  switch (type->Get_DataType()) {
    case ZEL_FLOAT: return YElement::FLOAT;
    case ZEL_REAL: return YElement::DOUBLE;
    case ZEL_COMPLEX: return YElement::COMPLEX;
    case ZEL_TIME: return ZELI_IsTimeHeldAsDouble(*type) ? YElement::DOUBLE : YElement::TIME;
    default: return YElement::OTHER;
  }
}

bool IsIncreasing(zel_monotonicity_t m) {
  return m == ZEL_MONOTONICITY_STRICTLY_INCREASING || m == ZEL_MONOTONICITY_INCREASING;
}
bool IsDecreasing(zel_monotonicity_t m) {
  return m == ZEL_MONOTONICITY_STRICTLY_DECREASING || m == ZEL_MONOTONICITY_DECREASING;
}

// ---- the merged X values ------------------------------------------------------------

// A malloc'd array of T (the allocator every type frees with), grown by
// doubling, freed here unless handed over.
template <class T>
class MergedXValues {
 public:
  explicit MergedXValues(size_t expected) { Reserve(std::max<size_t>(expected, 16)); }
  ~MergedXValues() { ZELI_OS_Free(data_); }
  MergedXValues(const MergedXValues&) = delete;
  MergedXValues& operator=(const MergedXValues&) = delete;

  void Append(const T& value) {
    if (count_ == capacity_) Reserve(2 * capacity_);
    ZELI_Store(data_, static_cast<unsigned>(count_), value);
    ++count_;
  }
  // Trims the array to its values and hands it over (null for none).
  void* Release() {
    void* trimmed = ZELI_OS_Realloc(data_, count_ * sizeof(T));
    data_ = nullptr;
    count_ = capacity_ = 0;
    return trimmed;
  }

 private:
  void Reserve(size_t capacity) {
    if (capacity > std::numeric_limits<unsigned>::max()) throw ZELI_BadAllocException();
    data_ = ZELI_OS_Realloc(data_, capacity * sizeof(T));
    capacity_ = capacity;
  }

  void* data_ = nullptr;
  size_t count_ = 0;
  size_t capacity_ = 0;
};

}  // namespace

// ---- summaries ------------------------------------------------------------------------

zel_monotonicity_t ZELI_WfSegment::MergedMonotonicity(const std::vector<ZELI_WfSegment*>& segments,
                                                      bool& monotonic) {
  if (segments.empty()) throw ZELI_BadArgException("There are no arrays to merge");
  const zel_monotonicity_t first = segments[0]->Get_XMonotonicity();
  zel_monotonicity_t merged = first;
  monotonic = true;
  for (const ZELI_WfSegment* segment : segments) {
    const zel_monotonicity_t m = segment->Get_XMonotonicity();
    if (m != first) merged = ZEL_MONOTONICITY_MIXED;
    if (!IsIncreasing(m) && !IsDecreasing(m)) monotonic = false;
  }
  return merged;
}

zel_interpolation_t ZELI_WfSegment::MergedInterpolationType(const std::vector<ZELI_WfSegment*>& segments,
                                                            bool& interpolable) {
  if (segments.empty()) throw ZELI_BadArgException("There are no arrays to merge");
  const zel_interpolation_t first = segments[0]->Get_XInterpolationType();
  zel_interpolation_t merged = first;
  interpolable = true;
  for (const ZELI_WfSegment* segment : segments) {
    const zel_interpolation_t i = segment->Get_XInterpolationType();
    if (i != first) merged = ZEL_INTERPOLATION_MIXED;
    if (i != ZEL_INTERPOLATION_CONSTANT && i != ZEL_INTERPOLATION_LINEAR && i != ZEL_INTERPOLATION_POLYNOMIAL)
      interpolable = false;
  }
  return merged;
}

// ---- whether X axes differ ----------------------------------------------------------------

namespace {

// Relative equality of a double X and a float X: within twice the double
// epsilon of the larger magnitude.
bool RelativelyEqual(double a, double b) {
  return std::fabs(a - b) <= std::max(std::fabs(a), std::fabs(b)) * 4.440892098500626e-16;
}

// Whether two segments' leg 0 hold equal X values.
bool SameXAxis(ZELI_WfSegment& first, ZELI_WfSegment& other) {
  const unsigned count = first.PointCount(0);
  if (other.PointCount(0) != count) return false;
  if (count == 0) return true;
  ZELI_Type* a = first.Get_XType_p();
  ZELI_Type* b = other.Get_XType_p();
  const XElement ea = XElementOf(*a);
  const XElement eb = XElementOf(*b);
  if ((ea == XElement::DOUBLE && eb == XElement::FLOAT) || (ea == XElement::FLOAT && eb == XElement::DOUBLE)) {
    for (unsigned p = 0; p < count; ++p) {
      const void* x = first.Get_XPointAddress(0, p);
      const void* y = other.Get_XPointAddress(0, p);
      const double u = ea == XElement::DOUBLE ? ZELI_Load<double>(x, 0) : ZELI_Load<float>(x, 0);
      const double v = eb == XElement::DOUBLE ? ZELI_Load<double>(y, 0) : ZELI_Load<float>(y, 0);
      if (!RelativelyEqual(u, v)) return false;
    }
    return true;
  }
  // The stored bytes, compared by the first X type (which needs values of
  // its own size).
  if (a->Get_SizeOf() != b->Get_SizeOf()) return false;
  const ZELI_WfLeg& legA = first.Get_Leg(0);
  const ZELI_WfLeg& legB = other.Get_Leg(0);
  const bool plain = !legA.hasLeading && !legA.hasTrailing && !legB.hasLeading && !legB.hasTrailing;
  const bool valueByValue = a->Get_DataType() == ZEL_FLOAT || a->HoldsStrings();
  if (plain && !valueByValue) {
    // Equal compares these bytes as one run. Two segments over the same
    // values (one shared X array) need no look at them.
    ZELI_WfDataArray& xa = *first.Get_XDataArray_p();
    ZELI_WfDataArray& xb = *other.Get_XDataArray_p();
    if (xa.Get_DirectArray_p() != nullptr && xa.Get_DirectArray_p() == xb.Get_DirectArray_p() &&
        legA.begin == legB.begin)
      return true;
    return a->Equal(xa.Get_BufferAddress(legA.begin), xb.Get_BufferAddress(legB.begin), count);
  }
  // Floats are equal within their own tolerance only one value at a time;
  // strings compare their texts.
  for (unsigned p = 0; p < count; ++p) {
    if (!a->Equal(first.Get_XPointAddress(0, p), other.Get_XPointAddress(0, p), 1)) return false;
  }
  return true;
}

}  // namespace

bool ZELI_WfSegment::MustMergeXAxisData(const std::vector<ZELI_WfSegment*>& segments) {
  if (segments.empty()) throw ZELI_BadArgException("There are no arrays to merge");
  if (segments.size() == 1) return false;
  bool interpolable = false;
  const zel_interpolation_t interpolation = MergedInterpolationType(segments, interpolable);
  if (interpolation != ZEL_INTERPOLATION_MIXED) {
    bool same = true;
    for (size_t k = 1; k < segments.size() && same; ++k) same = SameXAxis(*segments[0], *segments[k]);
    if (same) return false;
  }
  for (const ZELI_WfSegment* segment : segments) {
    if (!segment->Get_XType_p()->IsOrdered()) throw ZELI_FailedException("The X Axis data is not ordered.");
  }
  bool monotonic = false;
  MergedMonotonicity(segments, monotonic);
  if (!monotonic) throw ZELI_FailedException("The X Axis data is not monotonic.");
  if (!interpolable) throw ZELI_FailedException("The X Axis data is not interpolatable.");
  return true;
}

// ---- the walk ---------------------------------------------------------------------------

unsigned ZELI_WfSegment::NextValidArray(const std::vector<long long>& indexes, const std::vector<unsigned>& counts,
                                        unsigned from) {
  const unsigned n = static_cast<unsigned>(indexes.size());
  for (unsigned k = from; k < n; ++k) {
    if (indexes[k] >= 0 && indexes[k] < static_cast<long long>(counts[k])) return k;
  }
  return n;
}

namespace {

// What the walk needs of one segment, prepared before it starts: leg 0's
// X values as the merge's element type T, its Y values side by side, and
// the orders of polynomial data.
template <class T>
struct MergeLeg {
  unsigned count = 0;
  const unsigned char* x = nullptr;  // count values of T
  const unsigned char* y = nullptr;  // count values of ySize bytes
  unsigned ySize = 0;
  long long step = 1;
  bool begun = false;  // the walk has passed the first point
  zel_interpolation_t interpolation = ZEL_INTERPOLATION_NONE;
  YElement yElement = YElement::OTHER;
  std::vector<T> convertedX;          // when the stored X values are of another type
  std::vector<unsigned char> copiedY; // when leg 0 has extra points
  std::vector<unsigned> orders;       // polynomial data: the order of each point

  T X(long long p) const { return ZELI_Load<T>(x, static_cast<unsigned>(p)); }
  const void* Y(long long p) const { return y + static_cast<size_t>(p) * ySize; }

  MergeLeg(ZELI_WfSegment& segment, XElement element) {
    const ZELI_WfLeg& leg = segment.Get_Leg(0);
    count = leg.Get_PointCount();
    interpolation = segment.Get_XInterpolationType();
    ZELI_Type* yType = segment.Get_YType_p();
    ySize = yType->Get_SizeOf();
    yElement = YElementOf(yType);
    const zel_monotonicity_t monotonicity = segment.Get_XMonotonicity();
    step = IsDecreasing(monotonicity) ? -1 : 1;
    if (count == 0) return;
    const bool plain = !leg.hasLeading && !leg.hasTrailing;
    const XElement own = MergeableXElementOf(segment.Get_XType_p());
    if (own == element && plain) {
      x = static_cast<const unsigned char*>(segment.Get_XDataArray_p()->Get_BufferAddress(leg.begin));
    } else {
      convertedX.resize(count);
      WithXElement(own, [&](auto sample) {
        using S = decltype(sample);
        for (unsigned p = 0; p < count; ++p) convertedX[p] = ConvertX<T>(ZELI_Load<S>(segment.Get_XPointAddress(0, p), 0));
      });
      x = reinterpret_cast<const unsigned char*>(convertedX.data());
    }
    if (plain) {
      y = static_cast<const unsigned char*>(segment.Get_YDataArray_p()->Get_BufferAddress(leg.begin));
    } else {
      // The values' bytes (texts stay where they are: the action copies).
      copiedY.resize(static_cast<size_t>(count) * ySize);
      for (unsigned p = 0; p < count; ++p)
        std::memcpy(copiedY.data() + static_cast<size_t>(p) * ySize, segment.Get_YPointAddress(0, p), ySize);
      y = copiedY.data();
    }
    if (interpolation == ZEL_INTERPOLATION_POLYNOMIAL) {
      orders.resize(count);
      for (unsigned p = 0; p < count; ++p) segment.XYPoint(0, p, nullptr, nullptr, &orders[p]);
    }
  }

  // The address of Y at merged X value at, between leg points lower and
  // upper (storage order), by the interpolation type; scratch holds a
  // computed value. Linear real values, the common case, are computed here
  // in line; everything else by InterpolatedByType.
  inline const void* Interpolated(long long lower, long long upper, const T& at, unsigned char* scratch) const {
    if constexpr (IsInterpolableX<T>) {
      if (interpolation == ZEL_INTERPOLATION_LINEAR && yElement == YElement::DOUBLE) {
        ZELI_Store(scratch, 0,
                   ZELI_InterpolateWaveformData<T, double>(1, X(lower), X(upper), at, 0.0, ZELI_Load<double>(Y(lower), 0),
                                                           ZELI_Load<double>(Y(upper), 0)));
        return scratch;
      }
    }
    return InterpolatedByType(lower, upper, at, scratch);
  }

  __attribute__((noinline)) const void* InterpolatedByType(long long lower, long long upper, const T& at, unsigned char* scratch) const {
    unsigned order = 0;
    switch (interpolation) {
      case ZEL_INTERPOLATION_NONE: throw ZELI_FailedException("The waveform cannot be interpolated");
      case ZEL_INTERPOLATION_CONSTANT: return Y(lower);
      case ZEL_INTERPOLATION_LINEAR: order = 1; break;
      case ZEL_INTERPOLATION_POLYNOMIAL:
        order = orders[static_cast<size_t>(upper)];
        if (order == 0) return Y(lower);
        break;
      case ZEL_INTERPOLATION_MIXED:
      case ZEL_INTERPOLATION_DEFAULT: throw ZELI_FailedException("ZELI_WfSegment: Implementation error");
      default: throw ZELI_FailedException("ZELI_WfSegment: Unimplemented interpolation type");
    }
    if (order >= 2 && lower == 0) order = 1;
    if constexpr (!IsInterpolableX<T>) {
      (void)at;
      (void)scratch;
      throw ZELI_FailedException("Cannot interpolate the X data type");
    } else {
      const T x1 = X(lower);
      const T x2 = X(upper);
      auto compute = [&](auto sample) {
        using V = decltype(sample);
        const V y0 = order >= 2 ? ZELI_Load<V>(Y(lower - 1), 0) : V();
        ZELI_Store(scratch, 0,
                   ZELI_InterpolateWaveformData<T, V>(order, x1, x2, at, y0, ZELI_Load<V>(Y(lower), 0),
                                                      ZELI_Load<V>(Y(upper), 0)));
      };
      switch (yElement) {
        case YElement::FLOAT: compute(0.0f); break;
        case YElement::DOUBLE: compute(0.0); break;
        case YElement::COMPLEX: compute(DComplex()); break;
        case YElement::TIME: compute(UniversalTime()); break;
        default: throw ZELI_FailedException("Cannot interpolate the Y data type");
      }
      return scratch;
    }
  }
};

// Per-segment state of the walk: a fixed array for a fixed number of
// segments N (the binary operation's two: its loops unroll), else a vector.
template <class V, unsigned N>
struct WalkState {
  explicit WalkState(unsigned) {}
  V& operator[](unsigned k) { return values[k]; }
  const V& operator[](unsigned k) const { return values[k]; }
  std::array<V, N> values{};
};
template <class V>
struct WalkState<V, 0> {
  explicit WalkState(unsigned n) : values(n) {}
  V& operator[](unsigned k) { return values[k]; }
  const V& operator[](unsigned k) const { return values[k]; }
  std::vector<V> values;
};

// The walk over element type T for N segments (0: any number), calling
// Action's members directly.
template <class T, class Action, unsigned N>
void* MergeAs(const std::vector<ZELI_WfSegment*>& segments, XElement element, Action& action, unsigned& pointCount) {
  const unsigned n = N > 0 ? N : static_cast<unsigned>(segments.size());
  std::vector<MergeLeg<T>> legs;
  legs.reserve(n);
  WalkState<long long, N> indexes(n);
  WalkState<unsigned, N> counts(n);
  // The next segment from `from` on with a current point (NextValidArray).
  auto next = [&](unsigned from) {
    if constexpr (N == 0) {
      return ZELI_WfSegment::NextValidArray(indexes.values, counts.values, from);
    } else {
      for (unsigned k = from; k < N; ++k) {
        if (indexes[k] >= 0 && indexes[k] < static_cast<long long>(counts[k])) return k;
      }
      return N;
    }
  };
  size_t expected = 0;
  bool hasConstant = false;
  bool hasLinear = false;
  for (unsigned k = 0; k < n; ++k) {
    legs.emplace_back(*segments[k], element);
    MergeLeg<T>& leg = legs.back();
    counts[k] = leg.count;
    indexes[k] = leg.step < 0 ? static_cast<long long>(leg.count) - 1 : 0;
    expected += leg.count;
    hasConstant = hasConstant || leg.interpolation == ZEL_INTERPOLATION_CONSTANT;
    hasLinear = hasLinear || leg.interpolation == ZEL_INTERPOLATION_LINEAR ||
                leg.interpolation == ZEL_INTERPOLATION_POLYNOMIAL;
  }
  const bool stepMode = hasConstant && hasLinear && action.TakesPartInSteps();
  if constexpr (std::is_same<Action, ZELI_MergeWaveformsBinaryOp>::value) {
    // Room for the points at once: a merge has at most as many as all
    // segments together, unless steps add some (then the arrays grow as
    // usual). Growing from 1000 would copy the arrays about twenty times.
    action.Reserve(static_cast<unsigned>(std::min<size_t>(expected, std::numeric_limits<unsigned>::max())));
  }

  MergedXValues<T> merged(expected);
  WalkState<char, N> marked(n);
  alignas(16) unsigned char scratch[32];
  unsigned point = 0;
  auto advance = [&](unsigned k) {
    indexes[k] += legs[k].step;
    legs[k].begun = true;
  };
  // Step 2's value of an unmarked segment.
  auto unmarkedValue = [&](unsigned k, const T& at) {
    const MergeLeg<T>& leg = legs[k];
    const long long current = indexes[k];
    if (!leg.begun || current < 0 || current >= static_cast<long long>(leg.count)) {
      // A step function holds its last value after its last point (a
      // signal that stopped changing keeps its level); anything else has
      // no value outside its X range.
      if (leg.begun && leg.interpolation == ZEL_INTERPOLATION_CONSTANT) {
        action.WfValue(k, leg.Y(current - leg.step));
      } else {
        action.NoWfValue(k);
      }
      return;
    }
    const long long previous = current - leg.step;
    action.WfValue(k, leg.Interpolated(std::min(previous, current), std::max(previous, current), at, scratch));
  };
  auto newPoint = [&](const T& at) {
    if (point == std::numeric_limits<unsigned>::max()) throw ZELI_BadAllocException();
    action.InitNewPoint(point);
    merged.Append(at);
  };

  for (unsigned first = next(0); first < n; first = next(0)) {
    // The smallest current X and the segments at it.
    unsigned smallest = first;
    T at = legs[first].X(indexes[first]);
    for (unsigned k = next(first + 1); k < n; k = next(k + 1)) {
      const T x = legs[k].X(indexes[k]);
      if (x < at) {
        at = x;
        smallest = k;
      }
    }
    bool constantMarked = false;
    for (unsigned k = 0; k < n; ++k) {
      const long long i = indexes[k];
      marked[k] = k == smallest || (i >= 0 && i < static_cast<long long>(counts[k]) && legs[k].X(i) == at);
      constantMarked = constantMarked || (marked[k] && legs[k].interpolation == ZEL_INTERPOLATION_CONSTANT);
    }
    if (stepMode && constantMarked && point > 0) {
      newPoint(at);
      for (unsigned k = 0; k < n; ++k) {
        if (!marked[k]) {
          unmarkedValue(k, at);
        } else if (legs[k].interpolation == ZEL_INTERPOLATION_CONSTANT) {
          action.DuplicateWfValue(k);
        } else {
          action.WfValue(k, legs[k].Y(indexes[k]));
        }
      }
      ++point;
      newPoint(at);
      for (unsigned k = 0; k < n; ++k) {
        if (marked[k]) {
          action.WfValue(k, legs[k].Y(indexes[k]));
          advance(k);
        } else {
          action.DuplicateWfValue(k);
        }
      }
      ++point;
      continue;
    }
    newPoint(at);
    for (unsigned k = 0; k < n; ++k) {
      if (marked[k]) {
        action.WfValue(k, legs[k].Y(indexes[k]));
        advance(k);
      } else {
        unmarkedValue(k, at);
      }
    }
    ++point;
  }
  action.Term(point);
  void* x = merged.Release();
  pointCount = point;
  return x;
}

}  // namespace

void* ZELI_WfSegment::MergeWaveforms(const std::vector<ZELI_WfSegment*>& segments, ZELI_Type* xType,
                                     ZELI_MergeWaveformsAction& action, unsigned& pointCount) {
  if (segments.empty()) throw ZELI_BadArgException("There are no arrays to merge");
  const XElement element = MergeableXElementOf(xType);
  void* x = nullptr;
  WithXElement(element, [&](auto sample) {
    using T = decltype(sample);
    // The binary-operation action is called directly (it is final), and
    // its usual two segments with a walk of fixed size.
    auto* binary = dynamic_cast<ZELI_MergeWaveformsBinaryOp*>(&action);
    if (binary != nullptr && segments.size() == 2) {
      x = MergeAs<T, ZELI_MergeWaveformsBinaryOp, 2>(segments, element, *binary, pointCount);
    } else if (binary != nullptr) {
      x = MergeAs<T, ZELI_MergeWaveformsBinaryOp, 0>(segments, element, *binary, pointCount);
    } else {
      x = MergeAs<T, ZELI_MergeWaveformsAction, 0>(segments, element, action, pointCount);
    }
  });
  return x;
}

// ---- the binary-operation action ----------------------------------------------------------

ZELI_MergeWaveformsBinaryOp::ZELI_MergeWaveformsBinaryOp(std::vector<ZELI_WfSegment*> segments)
    : ZELI_MergeWaveformsAction(std::move(segments)) {
  if (segments_.size() < 2 || segments_[0] == nullptr || segments_[1] == nullptr)
    throw ZELI_FailedException("ZELI_MergeWaveformsBinaryOp: operands");
  for (unsigned k = 0; k < 2; ++k) {
    types_[k] = segments_[k]->Get_YType_p();
    sizes_[k] = types_[k]->Get_SizeOf();
    if (sizes_[k] == 0) throw ZELI_BadArgException("Type does not store data");
    strings_[k] = types_[k]->HoldsStrings();
  }
}

ZELI_MergeWaveformsBinaryOp::~ZELI_MergeWaveformsBinaryOp() {
  for (unsigned k = 0; k < 2; ++k) {
    try {
      types_[k]->FreeData(values_[k], capacities_[k]);
    } catch (...) {
      // Only types of size 0 refuse, and the constructor refused them.
    }
  }
}

void* ZELI_MergeWaveformsBinaryOp::Claim(unsigned k) noexcept {
  void* values = values_[k];
  values_[k] = nullptr;
  capacities_[k] = 0;
  return values;
}

void ZELI_MergeWaveformsBinaryOp::Resize(unsigned k, unsigned capacity) {
  if (strings_[k]) {
    // Added slots are null texts; dropped ones release their texts.
    values_[k] = types_[k]->ReallocData(values_[k], capacity, capacities_[k]);
  } else {
    // Every slot up to the point count is written before it is read.
    values_[k] = ZELI_OS_Realloc(values_[k], static_cast<size_t>(sizes_[k]) * capacity);
  }
  capacities_[k] = capacity;
}

void ZELI_MergeWaveformsBinaryOp::Grow(unsigned point) {
  for (unsigned k = 0; k < 2; ++k) {
    if (point < capacities_[k]) continue;
    size_t grown = capacities_[k] == 0 ? 1000 : 2 * size_t{capacities_[k]};
    while (grown <= point) grown *= 2;
    if (grown > std::numeric_limits<unsigned>::max()) throw ZELI_BadAllocException();
    Resize(k, static_cast<unsigned>(grown));
  }
}

void ZELI_MergeWaveformsBinaryOp::Reserve(unsigned count) {
  for (unsigned k = 0; k < 2; ++k) {
    if (count > capacities_[k]) Resize(k, count);
  }
}

void ZELI_MergeWaveformsBinaryOp::PutText(unsigned k, void* slot, const void* value) {
  types_[k]->CopyData(slot, value, 1);  // releases a text already there
}

void ZELI_MergeWaveformsBinaryOp::ZeroFirst(unsigned k) {
  if (strings_[k]) {
    types_[k]->CopyData(values_[k], static_cast<const void*>(nullptr), 1);  // a null text
  } else {
    types_[k]->ZeroData(values_[k], 1);
  }
}

void ZELI_MergeWaveformsBinaryOp::Term(unsigned pointCount) {
  for (unsigned k = 0; k < 2; ++k) Resize(k, pointCount);
  count_ = pointCount;
}
