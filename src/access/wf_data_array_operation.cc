// ZELI_WfDataArray::ApplyOperation: an operation over the values of one data
// array, written over the values when they are private to this array, else
// into a new cached array that replaces the linked ones.
//
// Order of work: the results are computed and summarised first; only then is
// anything of this array changed, by steps that cannot fail (a new cached
// array is listed in the cache before the old links are released).
#include <memory>

#include "access/operation.h"
#include "access/wf_data_array.h"
#include "access/wf_result_values.h"
#include "errors/exceptions.h"
#include "model/cached_array.h"
#include "model/container.h"
#include "model/data_information.h"
#include "types/type.h"

namespace {

void RequireStoredData(const ZELI_Type* type) {
  if (type == nullptr || type->Get_SizeOf() == 0) throw ZELI_BadArgException("Type does not store data");
}

}  // namespace

bool ZELI_WfDataArray::IsWritableInPlace(const ZELI_Type& resultType) const {
  // Written over, the values must be this array's alone: an owner that can
  // locate them, or another data array (a copy made for a swapped or
  // duplicated axis) would see them change.
  if (direct_ == nullptr || index_ != nullptr || values_ != nullptr || ownInformation_ != nullptr || ownPending_)
    return false;
  if (direct_->IsLocatable() || direct_->Get_ReferenceCount() != 1) return false;
  const ZELI_Type* type = direct_->Get_Type_p();
  // Texts: the results must start as null pointers, and the values' own
  // texts would be lost.
  return type != nullptr && resultType.Get_SizeOf() <= type->Get_SizeOf() && !type->HoldsStrings() &&
         !resultType.HoldsStrings();
}

template <class Compute>
void ZELI_WfDataArray::ReplaceValues(const ZELI_Operation& operation, const ZELI_Type* operandType, Compute compute) {
  ZELI_Type* resultType = operation.Get_ResultType_p();
  RequireStoredData(resultType);
  RequireStoredData(operandType);
  RequireStoredData(Get_Type_p());
  // The operation reads the values as operandType.
  if (operandType->Get_SizeOf() != Get_SizeOf()) throw ZELI_FailedException("ZELI_WfDataArray::ApplyOperation: operand type");
  const unsigned count = Get_PointCount();
  const zel_dataSpacing_t spacing = Get_DataInformation_p()->Get_DataSpacing();
  // The values in point order, side by side (an indexed array is turned
  // direct once, as for any buffer).
  void* input = count > 0 ? const_cast<void*>(Get_BufferAddress(0)) : nullptr;
  const bool inPlace = IsWritableInPlace(*resultType);

  ZELI_ResultValues fresh(*resultType, inPlace ? 0 : count);
  void* result = inPlace ? input : fresh.Get();
  compute(input, count, result);

  auto information = std::make_unique<ZELI_DataInformation>(resultType);
  information->DetermineMonMinMax(result, count);
  information->Set_DataSpacing(spacing);

  if (inPlace) {
    direct_->SetDataInformation_p(information.release());
    return;
  }
  auto cached = std::make_unique<ZELI_CachedArray>(count, information.get(), fresh.Get());
  information.release();
  fresh.Release();
  ZELI_Cache& cache = container_->Get_Cache();
  cache.Add_CachedArray(cached.get());
  ZELI_CachedArray* array = cached.release();
  array->IncrementReferenceCount();
  // From here nothing fails.
  ZELI_ReleaseCachedArray(cache, direct_);
  ZELI_ReleaseCachedArray(cache, index_);
  ZELI_ReleaseCachedArray(cache, values_);
  delete ownInformation_;
  ownInformation_ = nullptr;
  ownPending_ = false;
  index_ = nullptr;
  values_ = nullptr;
  allValuesInOrder_ = false;
  direct_ = array;
}

void ZELI_WfDataArray::ApplyOperation(const ZELI_Operation& operation, const void* scalar, bool reversed) {
  if (operation.IsUnaryOperation() || operation.IsConvertTypeOperation()) {
    ApplyUnaryOperation(operation);
  } else if (operation.IsBinaryOperation()) {
    ApplyBinaryOperationWithScalar(operation, scalar, reversed);
  } else {
    throw ZELI_FailedException("ZELI_WfDataArray::ApplyOperation implementation");
  }
}

void ZELI_WfDataArray::ApplyUnaryOperation(const ZELI_Operation& operation) {
  const bool convert = operation.IsConvertTypeOperation();
  if (!convert && !operation.IsUnaryOperation())
    throw ZELI_FailedException("ZELI_WfDataArray::ApplyOperation implementation");
  ReplaceValues(operation, operation.Get_FirstType_p(), [&](void* input, unsigned count, void* result) {
    if (convert) {
      operation.ApplyConvertTypeOperation(input, count, result);
    } else {
      operation.ApplyUnaryOperation(input, count, result);
    }
  });
}

void ZELI_WfDataArray::ApplyBinaryOperationWithScalar(const ZELI_Operation& operation, const void* scalar,
                                                      bool reversed) {
  if (!operation.IsBinaryOperation()) throw ZELI_FailedException("ZELI_WfDataArray::ApplyOperation implementation");
  const ZELI_Type* first = operation.Get_FirstType_p();
  const ZELI_Type* second = operation.Get_SecondType_p();
  RequireStoredData(first);
  RequireStoredData(second);
  if (scalar == nullptr) throw ZELI_BadArgException("Null data buffer");
  const size_t valueSize = (reversed ? second : first)->Get_SizeOf();
  const size_t resultSize = operation.Get_ResultType_p()->Get_SizeOf();
  void* constant = const_cast<void*>(scalar);  // operations only read their operands
  ReplaceValues(operation, reversed ? second : first, [&](void* input, unsigned count, void* result) {
    auto* values = static_cast<unsigned char*>(input);
    auto* results = static_cast<unsigned char*>(result);
    for (unsigned i = 0; i < count; ++i) {
      void* value = values + valueSize * i;
      void* out = results + resultSize * i;
      if (reversed) {
        operation.ApplyBinaryOperation(constant, value, 1, out);
      } else {
        operation.ApplyBinaryOperation(value, constant, 1, out);
      }
    }
  });
}
