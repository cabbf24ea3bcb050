// Operations on waveform values: unary operations, binary operations and
// type conversions, each for particular operand types.
//
// An operation knows its value (zel_operation_t), its operand types, the X
// type for operations on whole waveforms (transforms 30 to 32, comparisons
// 41 to 44) and its result type (for a conversion, the target type). It is
// applied to arrays of count values laid out as the types store them.
//
// Result memory: the caller of an Apply* member allocates the result array
// for count values of the result type, zero-filled (the type's
// ReallocData(nullptr, count, 0) does that), so that string slots start as
// null pointers. An operation never frees or reallocates the result array,
// on success or failure: whoever allocated it frees it once, on every path,
// with the result type's FreeData (which also releases the strings that
// were filled before a failure). Operand arrays are only read.
//
//   class           values     test
//   unary           0 to 32    IsUnaryOperation
//   transform       30 to 32   IsTransformOperation (unary, needs an X type)
//   binary          33 to 51   IsBinaryOperation
//   equality        37 to 40   IsEqualityOperation (binary)
//   comparison      41 to 44   IsComparisonOperation (binary, needs an X type)
//   convert type    52         IsConvertTypeOperation
//
// Two kinds: built-in operations use the types' own arithmetic and the
// conversion matrix (convert_type.h); callback operations call functions a
// caller registered. Every container keeps its operations in a registry
// (operation_registry.h).
#ifndef ZEL_ACCESS_OPERATION_H
#define ZEL_ACCESS_OPERATION_H

#include <memory>

#include "zel/zel.h"

class ZELI_TypedContainer;
class ZELI_Type;

class ZELI_Operation {
 public:
  // second and x may be null; first and result are not.
  ZELI_Operation(zel_operation_t operation, ZELI_Type* first, ZELI_Type* second, ZELI_Type* x, ZELI_Type* result)
      : operation_(operation), first_(first), second_(second), x_(x), result_(result) {}
  virtual ~ZELI_Operation() = default;
  ZELI_Operation(const ZELI_Operation&) = delete;
  ZELI_Operation& operator=(const ZELI_Operation&) = delete;

  // count values of operand (first operand type) into result (result type).
  virtual void ApplyUnaryOperation(void* operand, unsigned count, void* result) const = 0;
  // count value pairs of first and second into result.
  virtual void ApplyBinaryOperation(void* first, void* second, unsigned count, void* result) const = 0;
  // count values of operand converted to the result type.
  virtual void ApplyConvertTypeOperation(void* operand, unsigned count, void* result) const = 0;

  zel_operation_t Get_Operation() const { return operation_; }
  ZELI_Type* Get_FirstType_p() const { return first_; }
  ZELI_Type* Get_SecondType_p() const { return second_; }
  ZELI_Type* Get_XType_p() const { return x_; }
  ZELI_Type* Get_ResultType_p() const { return result_; }

  bool IsUnaryOperation() const { return IsUnaryOperation(operation_); }
  bool IsBinaryOperation() const { return IsBinaryOperation(operation_); }
  bool IsComparisonOperation() const { return IsComparisonOperation(operation_); }
  bool IsConvertTypeOperation() const { return IsConvertTypeOperation(operation_); }
  // An operation with an X type works on whole waveform segments.
  bool IsWaveformOperation() const { return x_ != nullptr; }
  // Whether this stored operation serves a request for (operation, first,
  // second, x, result): equal values; each of the types the same object or
  // both present with this operation's type answering IsOpCompatible of the
  // asked one; result types compared only for the convert-type operation.
  bool IsCompatible(zel_operation_t operation, const ZELI_Type* first, const ZELI_Type* second, const ZELI_Type* x,
                    const ZELI_Type* result) const;
  bool IsCompatible(const ZELI_Operation& other) const {
    return IsCompatible(other.operation_, other.first_, other.second_, other.x_, other.result_);
  }

  static bool IsUnaryOperation(zel_operation_t op) { return op >= 0 && op <= 32; }
  static bool IsTransformOperation(zel_operation_t op) { return op >= 30 && op <= 32; }
  static bool IsBinaryOperation(zel_operation_t op) { return op >= 33 && op <= 51; }
  static bool IsEqualityOperation(zel_operation_t op) { return op >= 37 && op <= 40; }
  static bool IsComparisonOperation(zel_operation_t op) { return op >= 41 && op <= 44; }
  static bool IsConvertTypeOperation(zel_operation_t op) { return op == ZEL_OP_CONVERT_TYPE; }

  // The built-in operation for a request, or null when the types cannot
  // do it. Result types of unary and binary operations come from the first
  // type (generated types of container where needed); result is used only
  // as the target of a conversion. x is kept only for transforms and
  // comparisons, the operations that need one. A value outside 0 to 52:
  // ZELI_FailedException "ZELI_Operation::CreateBuiltInOperation implementation".
  // Failures of the type's own members pass through: the derivative of a
  // complex type ("Invalid operation on Complex."), operations 38 to 40 on
  // float, real and complex types.
  static std::unique_ptr<ZELI_Operation> CreateBuiltInOperation(zel_operation_t operation, ZELI_Type* first,
                                                                ZELI_Type* second, ZELI_Type* x, ZELI_Type* result,
                                                                ZELI_TypedContainer& container);

 private:
  zel_operation_t operation_;
  ZELI_Type* first_;   // not owned; types of the container that keeps the operation
  ZELI_Type* second_;  // null for unary and convert-type operations
  ZELI_Type* x_;       // null unless a waveform operation
  ZELI_Type* result_;
};

class ZELI_BuiltInOperation final : public ZELI_Operation {
 public:
  using ZELI_Operation::ZELI_Operation;
  void ApplyUnaryOperation(void* operand, unsigned count, void* result) const override;
  void ApplyBinaryOperation(void* first, void* second, unsigned count, void* result) const override;
  void ApplyConvertTypeOperation(void* operand, unsigned count, void* result) const override;
};

// A caller's operation. A callback that returns a status other than ZEL_OK
// fails the operation with ZELI_FailedException "User operation failed";
// the result array is then left as the callback left it, and nothing is
// freed here: the result may be an array the caller of the operation still
// owns, and its string slots may hold texts the callback filled or nulls,
// which the allocator's FreeData handles alike. The callback is not called
// for count 0. Calling the member of the other arity (ApplyBinaryOperation
// on a unary callback, say) fails with ZELI_FailedException naming it.
class ZELI_CallbackOperation final : public ZELI_Operation {
 public:
  // Unary and convert-type operations: unary set, binary null; binary
  // operations the other way round.
  ZELI_CallbackOperation(zel_operation_t operation, ZELI_Type* first, ZELI_Type* second, ZELI_Type* result,
                         zel_unaryOperationCallback_t unary, zel_binaryOperationCallback_t binary, void* userData)
      : ZELI_Operation(operation, first, second, nullptr, result), unary_(unary), binary_(binary), userData_(userData) {}
  void ApplyUnaryOperation(void* operand, unsigned count, void* result) const override;
  void ApplyBinaryOperation(void* first, void* second, unsigned count, void* result) const override;
  void ApplyConvertTypeOperation(void* operand, unsigned count, void* result) const override;

 private:
  zel_unaryOperationCallback_t unary_;
  zel_binaryOperationCallback_t binary_;
  void* userData_;  // handed back unchanged
};

#endif  // ZEL_ACCESS_OPERATION_H
