// Unary operations of complex types. Operations that stay complex (0, 2 to
// 8, 15, 17, 18, 23 to 27) keep the type; magnitudes, parts, phases and dB
// values (1, 9 to 14, 16, 19 to 22, 28, 29) are generated reals. The
// derivative (30) is refused for complex values; the integrals (31, 32) are
// valid but computed by the waveform operations, not here.
//
// Continuous phase (28, 29) makes the phase continuous across the negative
// real axis: stepping from the upper to the lower half plane with both real
// parts negative adds a turn, stepping back removes one.
#include "errors/exceptions.h"
#include "types/scalar_types.h"
#include "types/type_operations.h"

namespace {

constexpr double kTurn = 6.283185307179586;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kDegreesPerRadian = 57.29577951308232;

bool IsComplexResult(zel_operation_t op) {
  switch (op) {
    case ZEL_OP_IDENTITY:
    case ZEL_OP_ACOS:
    case ZEL_OP_ASIN:
    case ZEL_OP_ATAN:
    case ZEL_OP_NEGATE:
    case ZEL_OP_CONJUGATE:
    case ZEL_OP_COS:
    case ZEL_OP_COSH:
    case ZEL_OP_EXP:
    case ZEL_OP_LOG:
    case ZEL_OP_LOG10:
    case ZEL_OP_SIN:
    case ZEL_OP_SINH:
    case ZEL_OP_SQRT:
    case ZEL_OP_TAN:
    case ZEL_OP_TANH:
    case ZEL_OP_INTEGRAL:
    case ZEL_OP_INTEGRAL_TRAPEZOID: return true;
    default: return false;
  }
}

double Decibels(const DComplex& z, double factor, double reference) { return factor * std::log10(abs(z) / reference); }

// The phase used by the continuous phase: arg, except on the imaginary axis,
// where it is exactly ±π/2 (or 0 at the origin).
double AxisPhase(const DComplex& z) {
  if (z.real() != 0.0) return arg(z);
  if (z.imag() > 0.0) return kHalfPi;
  if (z.imag() < 0.0) return -kHalfPi;
  return 0.0;
}

void ContinuousPhase(const void* source, unsigned count, void* result, double scale) {
  double offset = 0.0;
  DComplex previous;
  for (unsigned i = 0; i < count; ++i) {
    const DComplex z = ZELI_Load<DComplex>(source, i);
    if (i > 0 && previous.real() < 0.0 && z.real() < 0.0) {
      if (previous.imag() > 0.0 && z.imag() <= 0.0) offset += kTurn;
      if (previous.imag() < 0.0 && z.imag() >= 0.0) offset -= kTurn;
    }
    previous = z;  // read before the result (which may share the array) is written
    ZELI_Store<double>(result, i, (AxisPhase(z) + offset) * scale);
  }
}

}  // namespace

zel_bool_t ZELI_ComplexType::IsValidUnaryOp(zel_operation_t op) const {
  return op >= ZEL_OP_IDENTITY && op <= ZEL_OP_INTEGRAL_TRAPEZOID;
}

ZELI_Type* ZELI_ComplexType::UnaryOpResultType_p(ZELI_TypedContainer* container, zel_operation_t op) const {
  if (op == ZEL_OP_DERIVATIVE) throw ZELI_FailedException("Invalid operation on Complex.");
  if (!IsValidUnaryOp(op)) throw ZELI_FailedException("ZELI_ComplexType::UnaryOpResultType_p: unimplemented");
  if (IsComplexResult(op)) return const_cast<ZELI_ComplexType*>(this);
  return GeneratedReal(container);
}

void ZELI_ComplexType::ApplyUnaryOp(zel_operation_t op, void* source, unsigned count, void* result) const {
  ZELI_RequireValues(count, {source, result});
  auto complex = [&](auto f) { ZELI_MapValues<DComplex, DComplex>(source, count, result, f); };
  auto real = [&](auto f) { ZELI_MapValues<DComplex, double>(source, count, result, f); };
  using Z = const DComplex&;
  switch (op) {
    case ZEL_OP_IDENTITY: ZELI_CopyValues(*this, source, count, result); break;
    case ZEL_OP_ABS: real([](Z z) { return abs(z); }); break;
    case ZEL_OP_ACOS: complex([](Z z) { return acos(z); }); break;
    case ZEL_OP_ASIN: complex([](Z z) { return asin(z); }); break;
    case ZEL_OP_ATAN: complex([](Z z) { return atan(z); }); break;
    case ZEL_OP_NEGATE: complex([](Z z) { return -z; }); break;
    case ZEL_OP_CONJUGATE: complex([](Z z) { return DComplex(z.real(), -z.imag()); }); break;
    case ZEL_OP_COS: complex([](Z z) { return cos(z); }); break;
    case ZEL_OP_COSH: complex([](Z z) { return cosh(z); }); break;
    case ZEL_OP_DB20: real([](Z z) { return Decibels(z, 20.0, 1.0); }); break;
    case ZEL_OP_DB10: real([](Z z) { return Decibels(z, 10.0, 1.0); }); break;
    case ZEL_OP_DB20_MILLI: real([](Z z) { return Decibels(z, 20.0, 0.001); }); break;
    case ZEL_OP_DB10_MILLI: real([](Z z) { return Decibels(z, 10.0, 0.001); }); break;
    case ZEL_OP_DB20_MICRO: real([](Z z) { return Decibels(z, 20.0, 1e-06); }); break;
    case ZEL_OP_DB10_MICRO: real([](Z z) { return Decibels(z, 10.0, 1e-06); }); break;
    case ZEL_OP_EXP: complex([](Z z) { return exp(z); }); break;
    case ZEL_OP_IMAG: real([](Z z) { return z.imag(); }); break;
    case ZEL_OP_LOG: complex([](Z z) { return log(z); }); break;
    case ZEL_OP_LOG10: complex([](Z z) { return log10(z); }); break;
    case ZEL_OP_NOT: real([](Z z) { return z.real() == 0.0 && z.imag() == 0.0 ? 1.0 : 0.0; }); break;
    case ZEL_OP_PHASE: real([](Z z) { return arg(z); }); break;
    case ZEL_OP_PHASE_DEGREES: real([](Z z) { return arg(z) * kDegreesPerRadian; }); break;
    case ZEL_OP_REAL: real([](Z z) { return z.real(); }); break;
    case ZEL_OP_SIN: complex([](Z z) { return sin(z); }); break;
    case ZEL_OP_SINH: complex([](Z z) { return sinh(z); }); break;
    case ZEL_OP_SQRT: complex([](Z z) { return sqrt(z); }); break;
    case ZEL_OP_TAN: complex([](Z z) { return tan(z); }); break;
    case ZEL_OP_TANH: complex([](Z z) { return tanh(z); }); break;
    case ZEL_OP_CONTINUOUS_PHASE: ContinuousPhase(source, count, result, 1.0); break;
    case ZEL_OP_CONTINUOUS_PHASE_DEGREES: ContinuousPhase(source, count, result, kDegreesPerRadian); break;
    default: throw ZELI_FailedException("ZELI_ComplexType::ApplyUnaryOp: unimplemented op");
  }
}
