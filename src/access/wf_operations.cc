// Operations on waveform segments: the dispatch of an operation to the
// values of one axis, binary operations between segments (or with a scalar)
// with their merge, comparisons as crossing points, the pairing operation,
// the derivative and the two running integrals.
//
// Memory. Every array made here (scalar copies, merged operands, results)
// is held by an owner that frees it through its type exactly once, on the
// normal path and on every failure; operations only fill the arrays they
// are given, which start zeroed. New values are installed last, by steps
// that cannot fail, so a failure leaves the segment's data arrays as they
// were.
//
// The derivative's point layout. After runs of points that are the same
// point (X relatively equal within twice the X type's epsilon and Y within
// fourteen times the Y type's) have been passed over as one, the kept
// points p0 .. pm give the slopes s1 .. sm of the stretches between them,
// each (y[j] - y[j-1]) / (x[j] - x[j-1]), held at the largest finite value
// of the Y type with its sign. A jump (two kept points with relatively
// equal X) is a stretch of infinite slope, so it appears as a spike of that
// largest value at its X. The derivative is a step function; its points are
//   (x0, s1)                               the first slope from the start;
//   (xj, sj +- e), (xj, s(j+1))            at each inner point where the
//                                          slope changes: the earlier slope
//                                          moved one epsilon of the Y type
//                                          (relative, at least absolute)
//                                          toward the later one, then the
//                                          later slope, at the same X;
//   (xm, sm)                               the last slope up to the end.
// Inner points where the slope stays (within the Y tolerance) give no
// point: a straight stretch is its two ends. Read with linear or constant
// interpolation, each stretch shows its slope and each change is a step
// at the point where it happens. One point (or one run) gives (x0, 0);
// no point gives none.
#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <type_traits>
#include <vector>

#include "access/merge_waveforms.h"
#include "access/operation.h"
#include "access/wf_data_array.h"
#include "access/wf_result_values.h"
#include "access/wf_segment.h"
#include "errors/exceptions.h"
#include "model/cached_array.h"
#include "model/data_information.h"
#include "types/dcomplex.h"
#include "types/type.h"
#include "types/type_operations.h"
#include "types/typed_values.h"

namespace {

bool IsRealOrFloat(const ZELI_Type* type) {
  return type != nullptr && (type->Get_DataType() == ZEL_REAL || type->Get_DataType() == ZEL_FLOAT);
}

// Calls f with a value of the element type of a real (double) or float type.
template <class F>
void WithRealElement(const ZELI_Type* type, F&& f) {
  if (type->Get_DataType() == ZEL_FLOAT) return f(0.0f);
  return f(0.0);
}

// count copies of one value of type (texts duplicated), in zeroed memory.
void* ScalarCopies(const ZELI_Type& type, const void* scalar, unsigned count) {
  ZELI_ResultValues copies(type, count);
  if (type.HoldsStrings()) {
    for (unsigned i = 0; i < count; ++i) type.CopyData(copies.Get(), i, scalar, 0);
  } else {
    const size_t size = type.Get_SizeOf();
    for (unsigned i = 0; i < count; ++i) std::memcpy(copies.At(i), scalar, size);
  }
  return copies.Release();
}

// count values of type copied from values (texts duplicated), in new memory.
void* CopiedValues(const ZELI_Type& type, const void* values, unsigned count) {
  ZELI_ResultValues copies(type, count);
  if (count > 0) type.CopyData(copies.Get(), values, count);
  return copies.Release();
}

void RequireOperandSize(const ZELI_Type* operandType, const ZELI_Type* valuesType) {
  if (operandType == nullptr || valuesType == nullptr || operandType->Get_SizeOf() != valuesType->Get_SizeOf())
    throw ZELI_FailedException("ZELI_WfSegment::ApplyBinaryOperation: operand types");
}

// Values of a type held for an operation, freed through the type unless
// released; empty until given values.
class HeldValues {
 public:
  HeldValues() = default;
  ~HeldValues() { Free(); }
  HeldValues(const HeldValues&) = delete;
  HeldValues& operator=(const HeldValues&) = delete;
  // Takes count values of type (freeing what was held before).
  void Hold(const ZELI_Type* type, unsigned count, void* data) noexcept {
    Free();
    type_ = type;
    count_ = count;
    data_ = data;
  }
  void* Get() const { return data_; }
  void* Release() noexcept {
    void* data = data_;
    data_ = nullptr;
    return data;
  }

 private:
  void Free() noexcept {
    try {
      if (type_ != nullptr) type_->FreeData(data_, count_);
    } catch (...) {
      // Only types of size 0 refuse, and they never hold values.
    }
    data_ = nullptr;
  }

  const ZELI_Type* type_ = nullptr;
  unsigned count_ = 0;
  void* data_ = nullptr;
};

bool IsConstantWithRamps(zel_interpolation_t a, zel_interpolation_t b) {
  auto ramp = [](zel_interpolation_t i) {
    return i == ZEL_INTERPOLATION_LINEAR || i == ZEL_INTERPOLATION_POLYNOMIAL;
  };
  return (a == ZEL_INTERPOLATION_CONSTANT && ramp(b)) || (b == ZEL_INTERPOLATION_CONSTANT && ramp(a));
}

}  // namespace

// ---- dispatch -------------------------------------------------------------------------

void ZELI_WfSegment::ApplyYOperation(const ZELI_Operation& operation, ZELI_WfSegment* other, const void* scalar,
                                     bool reversed) {
  if (operation.IsUnaryOperation()) {
    if (operation.IsWaveformOperation()) {
      ApplyUnaryWfOperation(operation);
    } else {
      y_->ApplyOperation(operation, nullptr, false);
    }
  } else if (operation.IsBinaryOperation()) {
    if (!operation.IsWaveformOperation() && other == nullptr) {
      y_->ApplyOperation(operation, scalar, reversed);
    } else {
      ApplyBinaryOperation(operation, other, scalar, reversed);
    }
  } else if (operation.IsConvertTypeOperation()) {
    y_->ApplyOperation(operation, nullptr, false);
  } else {
    throw ZELI_FailedException("ZELI_WfSegment::ApplyYOperation implementation");
  }
}

void ZELI_WfSegment::ApplyXOperation(const ZELI_Operation& operation) {
  if (!operation.IsUnaryOperation() && !operation.IsConvertTypeOperation())
    throw ZELI_FailedException("ZELI_WfSegment::ApplyXOperation implementation");
  x_->ApplyOperation(operation, nullptr, false);
}

const void* ZELI_WfSegment::LegBuffer(Axis axis) {
  const ZELI_WfLeg& leg = legs_.at(0);
  if (leg.hasLeading || leg.hasTrailing) {
    throw ZELI_FailedException(axis == X_AXIS ? "Unimplemented ZELI_WfLeg::Get_XArrayAddress"
                                              : "Unimplemented ZELI_WfLeg::Get_YArrayAddress");
  }
  if (leg.end == leg.begin) return nullptr;
  return Get_DataArray_p(axis)->Get_BufferAddress(leg.begin);
}

// ---- binary operations ----------------------------------------------------------------

void ZELI_WfSegment::ApplyBinaryOperation(const ZELI_Operation& operation, ZELI_WfSegment* other,
                                          const void* scalar, bool reversed) {
  ZELI_Type* firstType = operation.Get_FirstType_p();
  ZELI_Type* secondType = operation.Get_SecondType_p();
  ZELI_Type* resultType = operation.Get_ResultType_p();
  if (firstType == nullptr || secondType == nullptr || resultType == nullptr)
    throw ZELI_FailedException("ZELI_WfSegment::ApplyBinaryOperation: operand types");
  const bool withX = operation.IsWaveformOperation();
  ZELI_Type* xType = Get_XType_p();

  unsigned count = 0;
  bool xTaken = false;      // the operands come with X values (x; null for none)
  const void* x = nullptr;  // the X values of the operands' points
  const void* first = nullptr;
  const void* second = nullptr;
  zel_interpolation_t firstInterpolation = interpolation_;
  zel_interpolation_t secondInterpolation = interpolation_;
  bool merged = false;
  bool steps = false;  // a merge of steps with ramps: the result's steps are points of their own
  // Arrays made for the operands, each freed through its type.
  HeldValues scalars, mergedX, mergedFirst, mergedSecond;

  if (other == nullptr) {
    if (scalar == nullptr) throw ZELI_BadArgException("Null data buffer");
    count = PointCount(0);
    const void* y = LegBuffer(Y_AXIS);
    if (withX) {
      x = LegBuffer(X_AXIS);
      xTaken = true;
    }
    ZELI_Type* scalarType = reversed ? firstType : secondType;
    RequireOperandSize(reversed ? secondType : firstType, Get_YType_p());
    scalars.Hold(scalarType, count, ScalarCopies(*scalarType, scalar, count));
    first = reversed ? scalars.Get() : y;
    second = reversed ? y : scalars.Get();
    firstInterpolation = reversed ? ZEL_INTERPOLATION_LINEAR : interpolation_;
    secondInterpolation = reversed ? interpolation_ : ZEL_INTERPOLATION_LINEAR;
  } else {
    ZELI_WfSegment* a = reversed ? other : this;
    ZELI_WfSegment* b = reversed ? this : other;
    RequireOperandSize(firstType, a->Get_YType_p());
    RequireOperandSize(secondType, b->Get_YType_p());
    firstInterpolation = a->interpolation_;
    secondInterpolation = b->interpolation_;
    if (!MustMergeXAxisData({a, b})) {
      count = PointCount(0);
      first = a->LegBuffer(Y_AXIS);
      second = b->LegBuffer(Y_AXIS);
      if (withX) {
        x = LegBuffer(X_AXIS);
        xTaken = true;
      }
    } else {
      ZELI_MergeWaveformsBinaryOp action({a, b});
      void* values = MergeWaveforms({a, b}, xType, action, count);
      mergedX.Hold(xType, count, values);
      mergedFirst.Hold(action.Get_Operand1Type_p(), count, action.Claim_Operand1Array_p());
      mergedSecond.Hold(action.Get_Operand2Type_p(), count, action.Claim_Operand2Array_p());
      first = mergedFirst.Get();
      second = mergedSecond.Get();
      x = mergedX.Get();
      xTaken = true;
      merged = true;
      steps = IsConstantWithRamps(firstInterpolation, secondInterpolation);
    }
  }

  if (operation.IsComparisonOperation() && xTaken) {
    ApplyWfComparisonOperation(operation, x, first, firstInterpolation, second, secondInterpolation, count, merged);
    return;
  }
  // The interpolation type of new X values: steps merged with ramps are
  // steps of the result's own; polynomial orders no longer fit.
  zel_interpolation_t interpolation = steps ? ZEL_INTERPOLATION_LINEAR : interpolation_;
  if (interpolation == ZEL_INTERPOLATION_POLYNOMIAL) interpolation = ZEL_INTERPOLATION_LINEAR;
  if (operation.Get_Operation() == ZEL_OP_XY) {
    // The first operand becomes X, the second Y.
    void* newX = CopiedValues(*firstType, first, count);
    ZELI_TypedValues newXOwner(firstType, count, newX);
    void* newY = CopiedValues(*secondType, second, count);
    ReplaceXYValues(firstType, newXOwner.Release(), secondType, newY, count, interpolation);
    return;
  }
  if (withX) throw ZELI_FailedException("ZELI_WfSegment::ApplyBinaryOperation implementation");
  ZELI_ResultValues result(*resultType, count);
  operation.ApplyBinaryOperation(const_cast<void*>(first), const_cast<void*>(second), count, result.Get());
  if (merged) {
    // ReplaceXYValues owns both arrays from the call on.
    void* newX = mergedX.Release();
    ReplaceXYValues(xType, newX, resultType, result.Release(), count, interpolation);
  } else {
    ReplaceWfDataArray(Y_AXIS, resultType, result.Release(), count);
  }
}

// ---- comparisons ------------------------------------------------------------------------

void ZELI_WfSegment::ApplyWfComparisonOperation(const ZELI_Operation& operation, const void* x, const void* first,
                                                zel_interpolation_t firstInterpolation, const void* second,
                                                zel_interpolation_t secondInterpolation, unsigned count,
                                                bool merged) {
  ZELI_Type* xType = Get_XType_p();
  ZELI_Type* firstType = operation.Get_FirstType_p();
  ZELI_Type* secondType = operation.Get_SecondType_p();
  ZELI_Type* resultType = operation.Get_ResultType_p();
  if (resultType == nullptr || resultType->Get_SizeOf() == 0 || resultType->HoldsStrings())
    throw ZELI_FailedException("ZELI_WfSegment::ApplyWfComparisonOperation implementation: types");
  const bool steps = firstInterpolation == ZEL_INTERPOLATION_CONSTANT &&
                     secondInterpolation == ZEL_INTERPOLATION_CONSTANT && !merged;
  if (!steps && (!IsRealOrFloat(xType) || !IsRealOrFloat(firstType) || !IsRealOrFloat(secondType)))
    throw ZELI_FailedException("ZELI_WfSegment::ApplyWfComparisonOperation implementation: types");

  // The result at every point, computed at once.
  ZELI_ResultValues results(*resultType, count);
  operation.ApplyBinaryOperation(const_cast<void*>(first), const_cast<void*>(second), count, results.Get());
  const size_t resultSize = resultType->Get_SizeOf();
  auto result = [&](unsigned i) -> const void* { return results.At(i); };
  auto differ = [&](const void* a, const void* b) { return std::memcmp(a, b, resultSize) != 0; };

  ZELI_XYPoints points(xType, resultType);
  if (count > 0) {
    if (steps) {
      // Two step functions compared at their own points: a point is kept
      // where the result changes, and at both ends.
      const size_t xSize = xType->Get_SizeOf();
      const void* kept = result(0);
      for (unsigned i = 0; i < count; ++i) {
        if (i == 0 || i == count - 1 || differ(result(i), kept)) {
          points.EnterXYPoint(static_cast<const char*>(x) + xSize * i, result(i));
          kept = result(i);
        }
      }
    } else {
      // Ramps: a change between two points happens where the difference of
      // the operands crosses, found by linear interpolation of it.
      WithRealElement(xType, [&](auto xSample) {
        using X = decltype(xSample);
        auto xAt = [&](unsigned i) { return static_cast<double>(ZELI_Load<X>(x, i)); };
        auto load = [](const ZELI_Type* type, const void* values, unsigned i) {
          return type->Get_DataType() == ZEL_FLOAT ? static_cast<double>(ZELI_Load<float>(values, i))
                                                   : ZELI_Load<double>(values, i);
        };
        auto difference = [&](unsigned i) { return load(firstType, first, i) - load(secondType, second, i); };
        const void* kept = result(0);
        double lastX = xAt(0);
        points.EnterXYPoint(static_cast<const X*>(x), kept);
        for (unsigned i = 1; i < count; ++i) {
          if (!differ(result(i), kept)) continue;
          const double x0 = xAt(i - 1);
          const double x1 = xAt(i);
          const double d0 = difference(i - 1);
          const double d1 = difference(i);
          // Where the two X values are equal (a step), or the difference
          // does not move, the change happens at the point itself.
          double crossing = x1;
          if (x0 != x1 && d1 != d0) crossing = (x0 * d1 - x1 * d0) / (d1 - d0);
          const X stored = ZELI_StoredAs<X>(crossing);
          points.EnterXYPoint(&stored, result(i));
          kept = result(i);
          lastX = crossing;
        }
        const double end = xAt(count - 1);
        if (lastX < end) {
          const X stored = ZELI_Load<X>(x, count - 1);
          points.EnterXYPoint(&stored, kept);
        }
      });
    }
  }
  ReplaceXYData(points);
  // The result holds between its points: it changes only at them.
  ChangeInterpolationType(ZEL_INTERPOLATION_CONSTANT);
}

// ---- derivative and integrals --------------------------------------------------------------

void ZELI_WfSegment::ApplyUnaryWfOperation(const ZELI_Operation& operation) {
  const zel_operation_t op = operation.Get_Operation();
  if (op != ZEL_OP_DERIVATIVE && op != ZEL_OP_INTEGRAL && op != ZEL_OP_INTEGRAL_TRAPEZOID)
    throw ZELI_FailedException("ZELI_WfSegment::ApplyUnaryWfOperation: unimplemented op");
  if (!IsRealOrFloat(Get_XType_p())) throw ZELI_FailedException("Derivative/Integral requires ZEL_REAL X Axis.");
  if (legs_.size() != 1) throw ZELI_FailedException("ZELI_WfSegment::ApplyWfOperation: multiple legs: unimplemented");
  if (op == ZEL_OP_DERIVATIVE) {
    if (!IsRealOrFloat(Get_YType_p())) throw ZELI_FailedException("Derivative requires ZEL_REAL Y Axis.");
    Derivative(operation);
  } else {
    const zel_dataType_t y = Get_YType_p()->Get_DataType();
    if (y != ZEL_FLOAT && y != ZEL_REAL && y != ZEL_COMPLEX)
      throw ZELI_FailedException("Integral requires ZEL_REAL or ZEL_COMPLEX Y Axis.");
    Integral(operation);
  }
}

namespace {

// The arithmetic of running integrals: float values in double precision,
// complex values part by part.
inline double Accumulable(float v) { return v; }
inline double Accumulable(double v) { return v; }
inline const DComplex& Accumulable(const DComplex& v) { return v; }
inline double Scaled(double v, double w) { return v * w; }
inline DComplex Scaled(const DComplex& v, double w) { return DComplex(v.real() * w, v.imag() * w); }

// r[0] = 0; then r[i] = r[i-1] + (y[i-1] + y[i]) * 0.5 * (x[i] - x[i-1])
// (trapezoid) or r[i] = r[i-1] + (x[i] - x[i-1]) * y[i-1] (rectangle).
template <class X, class Y, class R>
void RunningIntegral(bool trapezoid, const void* xValues, const void* yValues, unsigned count, void* results) {
  using A = std::conditional_t<std::is_same<Y, DComplex>::value, DComplex, double>;
  if (count == 0) return;
  const X* x = static_cast<const X*>(xValues);
  const Y* y = static_cast<const Y*>(yValues);
  R* r = static_cast<R*>(results);
  A sum = A();
  r[0] = ZELI_StoredAs<R>(sum);
  double previousX = x[0];
  A previousY = Accumulable(y[0]);
  if (trapezoid) {
    for (unsigned i = 1; i < count; ++i) {
      const double xi = x[i];
      const A yi = Accumulable(y[i]);
      sum = sum + Scaled(Scaled(previousY + yi, 0.5), xi - previousX);
      r[i] = ZELI_StoredAs<R>(sum);
      previousX = xi;
      previousY = yi;
    }
  } else {
    for (unsigned i = 1; i < count; ++i) {
      const double xi = x[i];
      sum = sum + Scaled(previousY, xi - previousX);
      r[i] = ZELI_StoredAs<R>(sum);
      previousX = xi;
      previousY = Accumulable(y[i]);
    }
  }
}

// Relative equality within a tolerance: |a - b| <= max(|a|, |b|) * tolerance.
inline bool Near(double a, double b, double tolerance) {
  return std::fabs(a - b) <= std::max(std::fabs(a), std::fabs(b)) * tolerance;
}

// The tolerances and limits of an element type (see the file comment).
template <class T>
struct Precision {
  static constexpr double epsilon = std::numeric_limits<T>::epsilon();
  static constexpr double samePoint = 14 * epsilon;  // for Y values
  static constexpr double sameX = 2 * epsilon;        // for X values
  static constexpr double largest = std::numeric_limits<T>::max();
};

// A quotient held within the largest finite value of R, with its sign.
template <class R>
double Held(double quotient) {
  const double largest = Precision<R>::largest;
  if (quotient > largest) return largest;
  if (quotient < -largest) return -largest;
  return quotient;
}

// The derivative of count points into points (layout in the file comment).
template <class X, class Y, class R>
void DerivativePoints(const void* xValues, const void* yValues, unsigned count, ZELI_XYPoints& points) {
  if (count == 0) return;
  const X* x = static_cast<const X*>(xValues);
  const Y* y = static_cast<const Y*>(yValues);
  // The kept point before the current stretch and the slope of the
  // stretch before it (none yet).
  unsigned kept = 0;
  bool haveSlope = false;
  R slope = R();
  for (unsigned i = 1; i < count; ++i) {
    const bool sameX = Near(x[i], x[kept], Precision<X>::sameX);
    if (sameX && Near(y[i], y[kept], Precision<Y>::samePoint)) continue;  // the same point again
    const double dy = static_cast<double>(y[i]) - static_cast<double>(y[kept]);
    const double dx = sameX ? 0.0 : static_cast<double>(x[i]) - static_cast<double>(x[kept]);
    const R next = ZELI_StoredAs<R>(Held<R>(dy / dx));
    if (!haveSlope) {
      points.EnterXYValues(x[kept], next);
      haveSlope = true;
    } else if (!Near(slope, next, Precision<R>::samePoint)) {
      // The earlier slope moved one epsilon toward the later one, then the
      // later slope, both at the point where the slope changes.
      const double step = Precision<R>::epsilon * std::max(1.0, std::fabs(static_cast<double>(slope)));
      double moved = next > slope ? slope + step : slope - step;
      if ((next > slope && moved > next) || (next < slope && moved < next)) moved = next;
      points.EnterXYValues(x[kept], ZELI_StoredAs<R>(Held<R>(moved)));
      points.EnterXYValues(x[kept], next);
    }
    slope = next;
    kept = i;
  }
  points.EnterXYValues(x[kept], haveSlope ? slope : R());
}

}  // namespace

void ZELI_WfSegment::Integral(const ZELI_Operation& operation) {
  ZELI_Type* resultType = operation.Get_ResultType_p();
  ZELI_Type* yType = Get_YType_p();
  const bool complex = yType->Get_DataType() == ZEL_COMPLEX;
  // Results keep the kind of the values: complex for complex values, else
  // float or real.
  const bool fits = resultType != nullptr && (complex ? resultType->Get_DataType() == ZEL_COMPLEX
                                                      : IsRealOrFloat(resultType));
  if (!fits) throw ZELI_FailedException("ZELI_WfSegment::ApplyUnaryWfOperation: result type");
  const bool trapezoid = operation.Get_Operation() == ZEL_OP_INTEGRAL_TRAPEZOID;
  const unsigned count = PointCount(0);
  const void* x = LegBuffer(X_AXIS);
  const void* y = LegBuffer(Y_AXIS);
  ZELI_ResultValues result(*resultType, count);
  WithRealElement(Get_XType_p(), [&](auto xSample) {
    using X = decltype(xSample);
    if (complex) {
      RunningIntegral<X, DComplex, DComplex>(trapezoid, x, y, count, result.Get());
      return;
    }
    WithRealElement(yType, [&](auto ySample) {
      using Y = decltype(ySample);
      WithRealElement(resultType, [&](auto rSample) {
        RunningIntegral<X, Y, decltype(rSample)>(trapezoid, x, y, count, result.Get());
      });
    });
  });
  ReplaceWfDataArray(Y_AXIS, resultType, result.Release(), count);
}

void ZELI_WfSegment::Derivative(const ZELI_Operation& operation) {
  ZELI_Type* resultType = operation.Get_ResultType_p();
  if (!IsRealOrFloat(resultType)) throw ZELI_FailedException("ZELI_WfSegment::ApplyUnaryWfOperation: result type");
  ZELI_Type* xType = Get_XType_p();
  const unsigned count = PointCount(0);
  const void* x = LegBuffer(X_AXIS);
  const void* y = LegBuffer(Y_AXIS);
  ZELI_XYPoints points(xType, resultType);
  // At most two points per input point (one for a single point): reserved
  // at once rather than grown into by doubling and copying.
  points.Reserve(count < 2 ? count : static_cast<unsigned>(std::min<size_t>(2 * size_t{count}, UINT_MAX)));
  WithRealElement(xType, [&](auto xSample) {
    WithRealElement(Get_YType_p(), [&](auto ySample) {
      WithRealElement(resultType, [&](auto rSample) {
        DerivativePoints<decltype(xSample), decltype(ySample), decltype(rSample)>(x, y, count, points);
      });
    });
  });
  ReplaceXYData(points);
}
