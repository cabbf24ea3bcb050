// Interpolation of a waveform's Y between two stored points (lower x1, y1
// and upper x2, y2; y0 the point before lower), at a sought X.
//
// Formulas, with t = (x - x1) / (x2 - x1):
//   order 0, or x1 equal to x2:  y1 (no division);
//   order 1:                     y1 + t (y2 - y1);
//   order 2:                     y0 t(t - 1)/2 + y1 (1 - t^2) + y2 t(t + 1)/2,
//     the quadratic through three points spaced x2 - x1 apart, so the
//     previous point's X is never read. These weights are the rational form
//     r = (x2 - x1)/(x - x2), ... rewritten in t; that form divides by
//     x - x2 and gives NaN at the upper point, these give y2.
// Orders above 2 are evaluated as 2, the highest order computed here (a
// stored order array may hold anything), and order 2 without a previous
// point as 1.
//
// Element types: X in float, double, UniversalTime; Y in float, double,
// DComplex, UniversalTime (twelve instances, each written out by the
// compiler for its pair, with no generic value in between). Weights are
// double; differences of float X values are rounded to float before the
// division; float Y is computed in double and rounded once. UniversalTime X
// differences are UniversalTime subtractions turned into seconds, and x1
// equals x2 when their ticks are equal and, while analog values exist,
// their fractions too (UniversalTime's own equality). UniversalTime Y is
// built with UniversalTime subtraction, scaling and addition.
//
// A time type held as double (legacy layout) interpolates as double on
// either axis: its values are 8 bytes, never 24.
#ifndef ZEL_ACCESS_INTERPOLATION_H
#define ZEL_ACCESS_INTERPOLATION_H

#include "types/dcomplex.h"
#include "types/type.h"
#include "types/type_operations.h"
#include "types/universal_types.h"
#include "zel/zel.h"

namespace zeli_interpolation {

// x2 - x1 as a double, in the X axis's unit (seconds for UniversalTime).
inline double Difference(double a, double b) { return a - b; }
inline double Difference(float a, float b) { return static_cast<float>(a - b); }
inline double Difference(const UniversalTime& a, const UniversalTime& b) { return (a - b).UniversalToRealTime(); }

// A Y value (float widened to double) times a weight.
inline double Scale(double y, double w) { return y * w; }
inline DComplex Scale(const DComplex& y, double w) { return DComplex(y.real() * w, y.imag() * w); }
inline UniversalTime Scale(const UniversalTime& y, double w) { return y * w; }

}  // namespace zeli_interpolation

// Y at x between (x1, y1) and (x2, y2), y0 the previous Y (read only for
// order 2). See the file comment for the formulas.
template <class X, class Y>
Y ZELI_InterpolateWaveformData(unsigned order, const X& x1, const X& x2, const X& x, const Y& y0, const Y& y1,
                               const Y& y2) {
  using zeli_interpolation::Difference;
  using zeli_interpolation::Scale;
  if (order == 0 || x1 == x2) return y1;
  const double t = Difference(x, x1) / Difference(x2, x1);
  const auto lower = ZELI_Widen(y1);
  const auto upper = ZELI_Widen(y2);
  if (order == 1) return ZELI_StoredAs<Y>(lower + Scale(upper - lower, t));
  return ZELI_StoredAs<Y>(Scale(upper, t * (t + 1) / 2) + Scale(lower, 1 - t * t) +
                          Scale(ZELI_Widen(y0), t * (t - 1) / 2));
}

// The addresses of the points taking part; each points to one value laid
// out by the X or Y type.
struct ZELI_InterpolationPoints {
  const void* lowerX = nullptr;
  const void* upperX = nullptr;
  const void* soughtX = nullptr;
  const void* previousY = nullptr;  // the point before lower; null when lower is the first point
  const void* lowerY = nullptr;
  const void* upperY = nullptr;
};

// Y at the sought X into yOut (one value of yType), by order. Order 0 copies
// lower Y through yType (any type). Otherwise the X kind must be real, time
// or float, else ZELI_FailedException "Cannot interpolate the X data type",
// and the Y kind real, complex, time or float, else "Cannot interpolate the
// Y data type" (a null type fails the same way). Null addresses that the
// order reads, and a null yOut: ZELI_BadArgException "Null data buffer".
void ZELI_Interpolate(const ZELI_Type* xType, const ZELI_Type* yType, unsigned order,
                      const ZELI_InterpolationPoints& points, void* yOut);

// Y at the sought X by a waveform segment's interpolation type: CONSTANT
// copies lower Y, LINEAR is order 1, POLYNOMIAL takes upperOrder (the order
// stored for the upper point; 0 copies lower Y), then as ZELI_Interpolate.
// Failures, ZELI_FailedException: NONE "The waveform cannot be
// interpolated"; MIXED and DEFAULT "ZELI_WfSegment: Implementation error";
// any other value "ZELI_WfSegment: Unimplemented interpolation type".
void ZELI_InterpolateByType(zel_interpolation_t interpolation, unsigned upperOrder, const ZELI_Type* xType,
                            const ZELI_Type* yType, const ZELI_InterpolationPoints& points, void* yOut);

#endif  // ZEL_ACCESS_INTERPOLATION_H
