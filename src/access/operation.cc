// Operations on waveform values: when a stored operation serves a request,
// how a built-in operation is made from the types' own abilities, and how
// built-in and callback operations compute their result arrays.
#include "access/operation.h"

#include "access/convert_type.h"
#include "errors/exceptions.h"
#include "types/type.h"
#include "types/type_operations.h"
#include "types/typed_container.h"

namespace {

// A stored operand type serves an asked one when both are the same object
// (both absent included), or both are present and the stored one takes the
// asked one's values as its own (IsOpCompatible).
bool TypeServes(const ZELI_Type* stored, const ZELI_Type* asked) {
  if (stored == asked) return true;
  return stored != nullptr && asked != nullptr && stored->IsOpCompatible(asked) != 0;
}

// The kinds the conversion matrix (convert_type.h) has rows and columns for.
bool IsConvertibleKind(const ZELI_Type* type) {
  if (type == nullptr) return false;
  switch (type->Get_DataType()) {
    case ZEL_CHARACTER:
    case ZEL_INTEGER:
    case ZEL_REAL:
    case ZEL_COMPLEX:
    case ZEL_TIME:
    case ZEL_FLOAT: return true;
    default: return false;
  }
}

bool IsRealOrFloat(const ZELI_Type* type) {
  return type != nullptr && (type->Get_DataType() == ZEL_REAL || type->Get_DataType() == ZEL_FLOAT);
}

}  // namespace

// ---- ZELI_Operation --------------------------------------------------------

bool ZELI_Operation::IsCompatible(zel_operation_t operation, const ZELI_Type* first, const ZELI_Type* second,
                                  const ZELI_Type* x, const ZELI_Type* result) const {
  if (operation != operation_) return false;
  if (!TypeServes(first_, first) || !TypeServes(second_, second) || !TypeServes(x_, x)) return false;
  // Only a conversion is told apart by its result (the target type); every
  // other result follows from the operands.
  return !IsConvertTypeOperation(operation) || TypeServes(result_, result);
}

std::unique_ptr<ZELI_Operation> ZELI_Operation::CreateBuiltInOperation(zel_operation_t operation, ZELI_Type* first,
                                                                       ZELI_Type* second, ZELI_Type* x,
                                                                       ZELI_Type* result,
                                                                       ZELI_TypedContainer& container) {
  const bool needsX = IsTransformOperation(operation) || IsComparisonOperation(operation);
  if (first == nullptr) return nullptr;
  if (IsBinaryOperation(operation) && second == nullptr) return nullptr;
  if (needsX && !IsRealOrFloat(x)) return nullptr;
  // Only transforms and comparisons work on whole waveforms; an X type
  // given with any other operation has no part in it.
  ZELI_Type* keptX = needsX ? x : nullptr;

  if (IsUnaryOperation(operation)) {
    if (!first->IsValidUnaryOp(operation)) return nullptr;
    ZELI_Type* resultType = first->UnaryOpResultType_p(&container, operation);
    return std::make_unique<ZELI_BuiltInOperation>(operation, first, nullptr, keptX, resultType);
  }
  if (IsBinaryOperation(operation)) {
    if (!first->IsValidBinaryOp(operation, second)) return nullptr;
    ZELI_Type* resultType = first->BinaryOpResultType_p(&container, operation, second);
    return std::make_unique<ZELI_BuiltInOperation>(operation, first, second, keptX, resultType);
  }
  if (IsConvertTypeOperation(operation)) {
    if (!IsConvertibleKind(first) || !IsConvertibleKind(result)) return nullptr;
    return std::make_unique<ZELI_BuiltInOperation>(operation, first, nullptr, nullptr, result);
  }
  throw ZELI_FailedException("ZELI_Operation::CreateBuiltInOperation implementation");
}

// ---- ZELI_BuiltInOperation -------------------------------------------------

void ZELI_BuiltInOperation::ApplyUnaryOperation(void* operand, unsigned count, void* result) const {
  Get_FirstType_p()->ApplyUnaryOp(Get_Operation(), operand, count, result);
}

void ZELI_BuiltInOperation::ApplyBinaryOperation(void* first, void* second, unsigned count, void* result) const {
  Get_FirstType_p()->ApplyBinaryOp(Get_Operation(), Get_SecondType_p(), first, second, count, result);
}

void ZELI_BuiltInOperation::ApplyConvertTypeOperation(void* operand, unsigned count, void* result) const {
  ZELI_ConvertType(Get_FirstType_p(), Get_ResultType_p(), operand, count, result);
}

// ---- ZELI_CallbackOperation ------------------------------------------------

void ZELI_CallbackOperation::ApplyUnaryOperation(void* operand, unsigned count, void* result) const {
  if (unary_ == nullptr) throw ZELI_FailedException("ZELI_CallbackOperation::ApplyUnaryOperation: no unary callback");
  if (count == 0) return;
  ZELI_RequireValues(count, {operand, result});
  if (unary_(userData_, operand, count, result) != ZEL_OK) throw ZELI_FailedException("User operation failed");
}

void ZELI_CallbackOperation::ApplyBinaryOperation(void* first, void* second, unsigned count, void* result) const {
  if (binary_ == nullptr) {
    throw ZELI_FailedException("ZELI_CallbackOperation::ApplyBinaryOperation: no binary callback");
  }
  if (count == 0) return;
  ZELI_RequireValues(count, {first, second, result});
  // The result is left as the callback left it, also on failure: its
  // allocator frees it (see the class comment).
  if (binary_(userData_, first, second, count, result) != ZEL_OK) throw ZELI_FailedException("User operation failed");
}

void ZELI_CallbackOperation::ApplyConvertTypeOperation(void* operand, unsigned count, void* result) const {
  if (unary_ == nullptr) {
    throw ZELI_FailedException("ZELI_CallbackOperation::ApplyConvertTypeOperation: no unary callback");
  }
  if (count == 0) return;
  ZELI_RequireValues(count, {operand, result});
  if (unary_(userData_, operand, count, result) != ZEL_OK) throw ZELI_FailedException("User operation failed");
}
