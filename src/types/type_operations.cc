// Unary and binary operations that every type has (identity and pairing),
// the container's generated result types, and the unary operations of
// integer and time types: identity, and conversion to a real number (22).
//
// A time type with the legacy layout holds doubles (seconds); its unary
// operations are those of a real type, and every result but the identity's
// is a generated real (a sine of seconds is not a time).
#include "types/type_operations.h"

#include <memory>

#include "errors/exceptions.h"
#include "types/typed_container.h"
#include "types/discrete_types.h"
#include "types/scalar_types.h"
#include "types/universal_types.h"

void ZELI_CopyValues(const ZELI_Type& type, const void* source, unsigned count, void* result) {
  if (result == source) return;
  for (unsigned i = 0; i < count; ++i) type.CopyData(result, i, source, i);
}

void ZELI_RequireValues(unsigned count, std::initializer_list<const void*> buffers) {
  if (count == 0) return;
  for (const void* buffer : buffers) {
    if (buffer == nullptr) throw ZELI_BadArgException("Null data buffer");
  }
}

namespace {

ZELI_TypeTable& TypesOf(ZELI_TypedContainer* container) {
  if (container == nullptr) throw ZELI_BadArgException("Null container");
  return container->Get_TypeTable();
}

}  // namespace

ZELI_Type* ZELI_Type::GeneratedInteger(ZELI_TypedContainer* container) {
  return TypesOf(container).Get_GeneratedIntegerType_p();
}
ZELI_Type* ZELI_Type::GeneratedReal(ZELI_TypedContainer* container) { return TypesOf(container).Get_GeneratedRealType_p(); }
ZELI_Type* ZELI_Type::GeneratedComplex(ZELI_TypedContainer* container) {
  return TypesOf(container).Get_GeneratedComplexType_p();
}

// ---- every type: identity and pairing ----------------------------------------

zel_bool_t ZELI_Type::IsValidUnaryOp(zel_operation_t op) const { return op == ZEL_OP_IDENTITY; }

ZELI_Type* ZELI_Type::UnaryOpResultType_p(ZELI_TypedContainer*, zel_operation_t op) const {
  if (op != ZEL_OP_IDENTITY) throw ZELI_FailedException("The type does not have unary operations.");
  return const_cast<ZELI_Type*>(this);
}

void ZELI_Type::ApplyUnaryOp(zel_operation_t op, void* source, unsigned count, void* result) const {
  if (op != ZEL_OP_IDENTITY) throw ZELI_FailedException("The type does not have unary operations.");
  ZELI_RequireValues(count, {source, result});
  ZELI_CopyValues(*this, source, count, result);
}

zel_bool_t ZELI_Type::IsValidBinaryOp(zel_operation_t op, ZELI_Type* other) const {
  return op == ZEL_OP_XY && other != nullptr;
}

ZELI_Type* ZELI_Type::BinaryOpResultType_p(ZELI_TypedContainer*, zel_operation_t op, ZELI_Type* other) const {
  if (!ZELI_Type::IsValidBinaryOp(op, other)) throw ZELI_FailedException("The type does not have binary operations.");
  return other;
}

void ZELI_Type::ApplyBinaryOp(zel_operation_t op, ZELI_Type* other, void* a, void* b, unsigned count,
                              void* result) const {
  if (!ZELI_Type::IsValidBinaryOp(op, other)) throw ZELI_FailedException("The type does not have binary operations.");
  ZELI_RequireValues(count, {a, b, result});
  ZELI_CopyValues(*other, b, count, result);
}

// ---- integer -----------------------------------------------------------------

zel_bool_t ZELI_IntegerType::IsValidUnaryOp(zel_operation_t op) const {
  return op == ZEL_OP_IDENTITY || op == ZEL_OP_REAL;
}

ZELI_Type* ZELI_IntegerType::UnaryOpResultType_p(ZELI_TypedContainer* container, zel_operation_t op) const {
  if (op == ZEL_OP_IDENTITY) return const_cast<ZELI_IntegerType*>(this);
  if (op == ZEL_OP_REAL) return GeneratedReal(container);
  throw ZELI_FailedException("Integer type does not have the unary operation.");
}

void ZELI_IntegerType::ApplyUnaryOp(zel_operation_t op, void* source, unsigned count, void* result) const {
  if (!IsValidUnaryOp(op)) throw ZELI_FailedException("ZELI_IntegerType::ApplyUnaryOp: unimplemented op");
  ZELI_RequireValues(count, {source, result});
  if (op == ZEL_OP_IDENTITY) {
    ZELI_CopyValues(*this, source, count, result);
  } else {
    ZELI_MapValues<int32_t, double>(source, count, result, [](int32_t v) { return static_cast<double>(v); });
  }
}

// ---- time ----------------------------------------------------------------------

zel_bool_t ZELI_TimeType::IsValidUnaryOp(zel_operation_t op) const {
  if (legacyTimeLayout_) return op >= ZEL_OP_IDENTITY && op <= ZEL_OP_INTEGRAL_TRAPEZOID;
  return op == ZEL_OP_IDENTITY || op == ZEL_OP_REAL;
}

ZELI_Type* ZELI_TimeType::UnaryOpResultType_p(ZELI_TypedContainer* container, zel_operation_t op) const {
  if (!IsValidUnaryOp(op)) throw ZELI_FailedException("Time type does not have the unary operation.");
  if (op == ZEL_OP_IDENTITY) return const_cast<ZELI_TimeType*>(this);
  return GeneratedReal(container);
}

void ZELI_TimeType::ApplyUnaryOp(zel_operation_t op, void* source, unsigned count, void* result) const {
  static const char* const unimplemented = "ZELI_TimeType::ApplyUnaryOp: unimplemented op";
  if (!IsValidUnaryOp(op)) throw ZELI_FailedException(unimplemented);
  ZELI_RequireValues(count, {source, result});
  if (legacyTimeLayout_) {
    ZELI_ApplyRealUnaryOp<double>(*this, op, source, count, result, unimplemented);
  } else if (op == ZEL_OP_IDENTITY) {
    ZELI_CopyValues(*this, source, count, result);
  } else {
    ZELI_MapValues<UniversalTime, double>(source, count, result,
                                          [](const UniversalTime& t) { return t.UniversalToRealTime().Get_Value(); });
  }
}
