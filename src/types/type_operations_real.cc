// Unary operations of float and real types (and of legacy time values, which
// are doubles): every operation 0 to 32 is valid and keeps the type; values
// are computed in double precision and stored in the operand's width (float
// results beyond the float range become infinities).
//
// Not computed here: the conjugate (6) and continuous phases (28, 29), which
// have no meaning for real values, and the transforms over X (30 to 32),
// which the waveform operations compute.
#include "errors/exceptions.h"
#include "types/scalar_types.h"
#include "types/type_operations.h"

namespace {

constexpr double kPi = 3.141592653589793;

bool IsRealUnaryOp(zel_operation_t op) { return op >= ZEL_OP_IDENTITY && op <= ZEL_OP_INTEGRAL_TRAPEZOID; }

// 20 · log10(|x| / reference) (or 10 ·).
double Decibels(double x, double factor, double reference) { return factor * std::log10(std::fabs(x) / reference); }

// acos and asin are defined on [-1, 1] only; NaN is outside too.
void RequireUnitDomain(double x, const char* message) {
  if (!(x >= -1.0 && x <= 1.0)) throw ZELI_FailedException(message);
}

}  // namespace

template <typename T>
void ZELI_ApplyRealUnaryOp(const ZELI_Type& self, zel_operation_t op, const void* source, unsigned count, void* result,
                           const char* unimplemented) {
  ZELI_RequireValues(count, {source, result});
  auto map = [&](auto f) { ZELI_MapValues<T, T>(source, count, result, f); };
  switch (op) {
    case ZEL_OP_IDENTITY:
    case ZEL_OP_REAL: ZELI_CopyValues(self, source, count, result); break;
    case ZEL_OP_ABS: map([](double x) { return std::fabs(x); }); break;
    case ZEL_OP_ACOS:
      map([](double x) {
        RequireUnitDomain(x, "acos: waveform data out of function domain");
        return std::acos(x);
      });
      break;
    case ZEL_OP_ASIN:
      map([](double x) {
        RequireUnitDomain(x, "asin: waveform data out of function domain");
        return std::asin(x);
      });
      break;
    case ZEL_OP_ATAN: map([](double x) { return std::atan(x); }); break;
    case ZEL_OP_NEGATE: map([](double x) { return -x; }); break;
    case ZEL_OP_COS: map([](double x) { return std::cos(x); }); break;
    case ZEL_OP_COSH: map([](double x) { return std::cosh(x); }); break;
    case ZEL_OP_DB20: map([](double x) { return Decibels(x, 20.0, 1.0); }); break;
    case ZEL_OP_DB10: map([](double x) { return Decibels(x, 10.0, 1.0); }); break;
    case ZEL_OP_DB20_MILLI: map([](double x) { return Decibels(x, 20.0, 0.001); }); break;
    case ZEL_OP_DB10_MILLI: map([](double x) { return Decibels(x, 10.0, 0.001); }); break;
    case ZEL_OP_DB20_MICRO: map([](double x) { return Decibels(x, 20.0, 1e-06); }); break;
    case ZEL_OP_DB10_MICRO: map([](double x) { return Decibels(x, 10.0, 1e-06); }); break;
    case ZEL_OP_EXP: map([](double x) { return std::exp(x); }); break;
    case ZEL_OP_IMAG: map([](double) { return 0.0; }); break;
    case ZEL_OP_LOG: map([](double x) { return std::log(x); }); break;
    case ZEL_OP_LOG10: map([](double x) { return std::log10(x); }); break;
    case ZEL_OP_NOT: map([](double x) { return x == 0.0 ? 1.0 : 0.0; }); break;
    case ZEL_OP_PHASE: map([](double x) { return x >= 0.0 ? 0.0 : kPi; }); break;
    case ZEL_OP_PHASE_DEGREES: map([](double x) { return x >= 0.0 ? 0.0 : 180.0; }); break;
    case ZEL_OP_SIN: map([](double x) { return std::sin(x); }); break;
    case ZEL_OP_SINH: map([](double x) { return std::sinh(x); }); break;
    case ZEL_OP_SQRT: map([](double x) { return std::sqrt(x); }); break;
    case ZEL_OP_TAN: map([](double x) { return std::tan(x); }); break;
    case ZEL_OP_TANH: map([](double x) { return std::tanh(x); }); break;
    default: throw ZELI_FailedException(unimplemented);
  }
}

template void ZELI_ApplyRealUnaryOp<float>(const ZELI_Type&, zel_operation_t, const void*, unsigned, void*,
                                           const char*);
template void ZELI_ApplyRealUnaryOp<double>(const ZELI_Type&, zel_operation_t, const void*, unsigned, void*,
                                            const char*);

// ---- float and real ----------------------------------------------------------

zel_bool_t ZELI_FloatType::IsValidUnaryOp(zel_operation_t op) const { return IsRealUnaryOp(op); }
zel_bool_t ZELI_RealType::IsValidUnaryOp(zel_operation_t op) const { return IsRealUnaryOp(op); }

ZELI_Type* ZELI_FloatType::UnaryOpResultType_p(ZELI_TypedContainer*, zel_operation_t op) const {
  if (!IsRealUnaryOp(op)) throw ZELI_FailedException("ZELI_FloatType::UnaryOpResultType_p: unimplemented op");
  return const_cast<ZELI_FloatType*>(this);
}

ZELI_Type* ZELI_RealType::UnaryOpResultType_p(ZELI_TypedContainer*, zel_operation_t op) const {
  if (!IsRealUnaryOp(op)) throw ZELI_FailedException("ZELI_RealType::UnaryOpResultType_p: unimplemented op");
  return const_cast<ZELI_RealType*>(this);
}

void ZELI_FloatType::ApplyUnaryOp(zel_operation_t op, void* source, unsigned count, void* result) const {
  ZELI_ApplyRealUnaryOp<float>(*this, op, source, count, result, "ZELI_FloatType::ApplyUnaryOp: unimplemented op");
}

void ZELI_RealType::ApplyUnaryOp(zel_operation_t op, void* source, unsigned count, void* result) const {
  ZELI_ApplyRealUnaryOp<double>(*this, op, source, count, result, "ZELI_RealType::ApplyUnaryOp: unimplemented op");
}
