// The interpolation dispatchers: from the X and Y types to the instance of
// ZELI_InterpolateWaveformData for their pair of element types.
#include "access/interpolation.h"

#include "errors/exceptions.h"
#include "types/scalar_types.h"

namespace {

// Calls f with a value of the element type that values of type are
// interpolated as, or throws failure. ComplexAllowed admits the complex
// kind (Y axes only).
template <bool ComplexAllowed, class F>
void WithInterpolatedType(const ZELI_Type* type, const char* failure, F f) {
  const zel_dataType_t kind = type != nullptr ? type->Get_DataType() : ZEL_STRING;  // null: no kind to take
  if (kind == ZEL_FLOAT) return f(float());
  if (kind == ZEL_REAL) return f(double());
  if (kind == ZEL_TIME) return ZELI_IsTimeHeldAsDouble(*type) ? f(double()) : f(UniversalTime());
  if constexpr (ComplexAllowed) {
    if (kind == ZEL_COMPLEX) return f(DComplex());
  }
  throw ZELI_FailedException(failure);
}

}  // namespace

void ZELI_Interpolate(const ZELI_Type* xType, const ZELI_Type* yType, unsigned order,
                      const ZELI_InterpolationPoints& points, void* yOut) {
  ZELI_RequireValues(1, {points.lowerY, yOut});
  if (order == 0) {
    if (yType == nullptr) throw ZELI_FailedException("Cannot interpolate the Y data type");
    yType->CopyData(yOut, 0, points.lowerY, 0);
    return;
  }
  ZELI_RequireValues(1, {points.lowerX, points.upperX, points.soughtX, points.upperY});
  if (order >= 2 && points.previousY == nullptr) order = 1;
  WithInterpolatedType<false>(xType, "Cannot interpolate the X data type", [&](auto xValue) {
    using X = decltype(xValue);
    WithInterpolatedType<true>(yType, "Cannot interpolate the Y data type", [&](auto yValue) {
      using Y = decltype(yValue);
      const Y previous = order >= 2 ? ZELI_Load<Y>(points.previousY, 0) : Y();
      ZELI_Store(yOut, 0,
                 ZELI_InterpolateWaveformData<X, Y>(order, ZELI_Load<X>(points.lowerX, 0),
                                                    ZELI_Load<X>(points.upperX, 0), ZELI_Load<X>(points.soughtX, 0),
                                                    previous, ZELI_Load<Y>(points.lowerY, 0),
                                                    ZELI_Load<Y>(points.upperY, 0)));
    });
  });
}

void ZELI_InterpolateByType(zel_interpolation_t interpolation, unsigned upperOrder, const ZELI_Type* xType,
                            const ZELI_Type* yType, const ZELI_InterpolationPoints& points, void* yOut) {
  unsigned order = 0;
  switch (interpolation) {
    case ZEL_INTERPOLATION_NONE: throw ZELI_FailedException("The waveform cannot be interpolated");
    case ZEL_INTERPOLATION_CONSTANT: order = 0; break;
    case ZEL_INTERPOLATION_LINEAR: order = 1; break;
    case ZEL_INTERPOLATION_POLYNOMIAL: order = upperOrder; break;
    case ZEL_INTERPOLATION_MIXED:
    case ZEL_INTERPOLATION_DEFAULT: throw ZELI_FailedException("ZELI_WfSegment: Implementation error");
    default: throw ZELI_FailedException("ZELI_WfSegment: Unimplemented interpolation type");
  }
  ZELI_Interpolate(xType, yType, order, points, yOut);
}
