// Binary operations of float, real and complex types: which operand types
// each operation accepts, the type of its result, and one templated loop
// that computes them for every pair of operand types.
//
// Every pair is computed in double precision, in complex arithmetic when
// either operand is complex (a real operand taken with imaginary part 0),
// and stored in the result type: float when both operands are floats, real
// when both are real numbers otherwise, complex when either is complex;
// comparisons and equality store 0 or 1 as 32-bit integers (NaN compares
// unequal and unordered, so every comparison with it gives 0). A complex
// first operand accepts only real and complex second operands.
#include <type_traits>

#include "errors/exceptions.h"
#include "types/scalar_types.h"
#include "types/type_operations.h"

namespace {

// A class's failure texts.
struct Messages {
  const char* unimplementedOperation;  // slot 14, operations 38 to 40
  const char* invalidOperation;        // slot 15
  const char* applyFailure;            // slot 16
};

enum class Outcome { None, Pairing, Integer, Complex, Arithmetic };

bool IsRealNumber(zel_dataType_t type) { return type == ZEL_FLOAT || type == ZEL_REAL; }

Outcome Classify(const ZELI_Type& self, zel_operation_t op, const ZELI_Type* other) {
  if (other == nullptr) return Outcome::None;
  if (op == ZEL_OP_XY) return Outcome::Pairing;
  const zel_dataType_t b = other->Get_DataType();
  const bool realFirst = IsRealNumber(self.Get_DataType());
  switch (op) {
    case ZEL_OP_ADD:
    case ZEL_OP_DIVIDE:
    case ZEL_OP_EQUAL:
    case ZEL_OP_MULTIPLY:
    case ZEL_OP_POWER:
    case ZEL_OP_SUBTRACT: {
      const bool valid = b == ZEL_REAL || b == ZEL_COMPLEX || (realFirst && b == ZEL_FLOAT);
      if (!valid) return Outcome::None;
      return op == ZEL_OP_EQUAL ? Outcome::Integer : Outcome::Arithmetic;
    }
    case ZEL_OP_MAKE_COMPLEX:
    case ZEL_OP_POLAR: return realFirst && IsRealNumber(b) ? Outcome::Complex : Outcome::None;
    case ZEL_OP_GREATER:
    case ZEL_OP_GREATER_EQUAL:
    case ZEL_OP_LESS:
    case ZEL_OP_LESS_EQUAL: return realFirst && IsRealNumber(b) ? Outcome::Integer : Outcome::None;
    default: return Outcome::None;
  }
}

double Power(double x, double y) { return std::pow(x, y); }
DComplex Power(const DComplex& x, const DComplex& y) { return pow(x, y); }

int32_t Truth(bool value) { return value ? 1 : 0; }

// Computes count pairs of A and B values (float, double or DComplex).
template <typename A, typename B>
void Compute(zel_operation_t op, const void* a, const void* b, unsigned count, void* result, const char* failure) {
  constexpr bool complex = std::is_same<A, DComplex>::value || std::is_same<B, DComplex>::value;
  using C = std::conditional_t<complex, DComplex, double>;
  using Arithmetic = std::conditional_t<std::is_same<A, float>::value && std::is_same<B, float>::value, float, C>;
  auto each = [&](auto resultTag, auto f) {
    using R = decltype(resultTag);
    for (unsigned i = 0; i < count; ++i) {
      const C x(ZELI_Widen(ZELI_Load<A>(a, i)));
      const C y(ZELI_Widen(ZELI_Load<B>(b, i)));
      ZELI_Store<R>(result, i, ZELI_StoredAs<R>(f(x, y)));
    }
  };
  using P = const C&;
  switch (op) {
    case ZEL_OP_ADD: each(Arithmetic(), [](P x, P y) { return x + y; }); return;
    case ZEL_OP_SUBTRACT: each(Arithmetic(), [](P x, P y) { return x - y; }); return;
    case ZEL_OP_MULTIPLY: each(Arithmetic(), [](P x, P y) { return x * y; }); return;
    case ZEL_OP_DIVIDE: each(Arithmetic(), [](P x, P y) { return x / y; }); return;
    case ZEL_OP_POWER: each(Arithmetic(), [](P x, P y) { return Power(x, y); }); return;
    case ZEL_OP_EQUAL: each(int32_t(), [](P x, P y) { return Truth(x == y); }); return;
    default: break;
  }
  if constexpr (!complex) {
    switch (op) {
      case ZEL_OP_GREATER: each(int32_t(), [](P x, P y) { return Truth(x > y); }); return;
      case ZEL_OP_GREATER_EQUAL: each(int32_t(), [](P x, P y) { return Truth(x >= y); }); return;
      case ZEL_OP_LESS: each(int32_t(), [](P x, P y) { return Truth(x < y); }); return;
      case ZEL_OP_LESS_EQUAL: each(int32_t(), [](P x, P y) { return Truth(x <= y); }); return;
      case ZEL_OP_MAKE_COMPLEX: each(DComplex(), [](P x, P y) { return DComplex(x, y); }); return;
      case ZEL_OP_POLAR:
        // x · exp(i · y), written out so that a zero part stays 0 for an
        // infinite magnitude.
        each(DComplex(), [](P x, P y) { return DComplex(x * std::cos(y), x * std::sin(y)); });
        return;
      default: break;
    }
  }
  throw ZELI_FailedException(failure);
}

template <typename A>
void ComputeWithFirst(zel_dataType_t second, zel_operation_t op, const void* a, const void* b, unsigned count,
                      void* result, const char* failure) {
  switch (second) {
    case ZEL_FLOAT: Compute<A, float>(op, a, b, count, result, failure); return;
    case ZEL_REAL: Compute<A, double>(op, a, b, count, result, failure); return;
    case ZEL_COMPLEX: Compute<A, DComplex>(op, a, b, count, result, failure); return;
    default: throw ZELI_FailedException(failure);
  }
}

zel_bool_t IsValidOp(const ZELI_Type& self, zel_operation_t op, const ZELI_Type* other, const Messages& messages) {
  if (op >= ZEL_OP_EQUALITY_38 && op <= ZEL_OP_EQUALITY_40) {
    throw ZELI_FailedException(messages.unimplementedOperation);
  }
  return Classify(self, op, other) != Outcome::None;
}

ZELI_Type* ResultType_p(const ZELI_Type& self, ZELI_TypedContainer* container, zel_operation_t op, ZELI_Type* other,
                        const Messages& messages) {
  switch (Classify(self, op, other)) {
    case Outcome::Pairing: return other;
    case Outcome::Integer: return ZELI_Type::GeneratedInteger(container);
    case Outcome::Complex: return ZELI_Type::GeneratedComplex(container);
    case Outcome::Arithmetic:
      if (self.Get_DataType() == other->Get_DataType() || self.Get_DataType() == ZEL_COMPLEX) {
        return const_cast<ZELI_Type*>(&self);
      }
      if (other->Get_DataType() == ZEL_COMPLEX) return ZELI_Type::GeneratedComplex(container);
      return ZELI_Type::GeneratedReal(container);
    case Outcome::None: break;
  }
  throw ZELI_FailedException(messages.invalidOperation);
}

void Apply(const ZELI_Type& self, zel_operation_t op, const ZELI_Type* other, const void* a, const void* b,
           unsigned count, void* result, const Messages& messages) {
  const Outcome outcome = Classify(self, op, other);
  if (outcome == Outcome::None) throw ZELI_FailedException(messages.applyFailure);
  ZELI_RequireValues(count, {a, b, result});
  if (outcome == Outcome::Pairing) {
    ZELI_CopyValues(*other, b, count, result);
    return;
  }
  const zel_dataType_t second = other->Get_DataType();
  switch (self.Get_DataType()) {
    case ZEL_FLOAT: ComputeWithFirst<float>(second, op, a, b, count, result, messages.applyFailure); return;
    case ZEL_REAL: ComputeWithFirst<double>(second, op, a, b, count, result, messages.applyFailure); return;
    case ZEL_COMPLEX: ComputeWithFirst<DComplex>(second, op, a, b, count, result, messages.applyFailure); return;
    default: throw ZELI_FailedException(messages.applyFailure);
  }
}

const Messages kFloatMessages = {"ZELI_FloatType::IsValidBinaryOp: Unimplemented binary operation",
                                 "Invalid operation on Float.", "ZELI_FloatType::ApplyBinaryOp: unimplemented op"};
const Messages kRealMessages = {"ZELI_RealType::IsValidBinaryOp: Unimplemented binary operation",
                                "Invalid operation on Real.", "ZELI_RealType::ApplyBinaryOp: unimplemented op"};
const Messages kComplexMessages = {"ZELI_ComplexType::IsValidBinaryOp: Unimplemented binary operation",
                                   "ZELI_ComplexType::BinaryOpResultType_p: unimplemented op",
                                   "ZELI_ComplexType::ApplyBinaryOp: unimplemented op"};

}  // namespace

// The three classes forward slots 14 to 16 to the shared rules above, each
// with its own messages.
#define ZELI_NUMERIC_BINARY_OPS(Class, messages)                                                                  \
  zel_bool_t Class::IsValidBinaryOp(zel_operation_t op, ZELI_Type* other) const {                                 \
    return IsValidOp(*this, op, other, messages);                                                                 \
  }                                                                                                               \
  ZELI_Type* Class::BinaryOpResultType_p(ZELI_TypedContainer* container, zel_operation_t op, ZELI_Type* other) const { \
    return ResultType_p(*this, container, op, other, messages);                                                   \
  }                                                                                                               \
  void Class::ApplyBinaryOp(zel_operation_t op, ZELI_Type* other, void* a, void* b, unsigned count, void* result) \
      const {                                                                                                     \
    Apply(*this, op, other, a, b, count, result, messages);                                                       \
  }

ZELI_NUMERIC_BINARY_OPS(ZELI_FloatType, kFloatMessages)
ZELI_NUMERIC_BINARY_OPS(ZELI_RealType, kRealMessages)
ZELI_NUMERIC_BINARY_OPS(ZELI_ComplexType, kComplexMessages)

#undef ZELI_NUMERIC_BINARY_OPS
