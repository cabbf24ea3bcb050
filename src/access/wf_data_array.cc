// ZELI_WfDataArray: direct and indexed forms, materialisation.
#include "access/wf_data_array.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "model/cached_array.h"
#include "errors/exceptions.h"
#include "errors/memory.h"
#include "model/container.h"
#include "types/type.h"
#include "model/data_information.h"

ZELI_WfDataArray::ZELI_WfDataArray(ZELI_Container& container, ZELI_CachedArray* direct)
    : live_(this), container_(&container), direct_(direct) {
  if (direct_ == nullptr) throw ZELI_FailedException("ZELI_WfDataArray: no array");
  direct_->IncrementReferenceCount();
}

namespace {

// Whether the monotonicity and the extremes of a summary of count values
// came from scanning them: a scalar type, neither given by a caller (a
// given monotonicity takes the extremes from the ends instead; given
// extremes hide the scanned ones), both set.
bool IsScanResult(const ZELI_DataInformation& information, unsigned count) {
  const ZELI_Type* type = information.Get_Type_p();
  return count > 0 && type != nullptr && type->IsScalar() &&
         !information.IsMonotonicityGiven() && information.Get_Monotonicity() != ZEL_MONOTONICITY_UNKNOWN &&
         information.IsMinMaxSet() && !information.IsMinMaxGiven();
}

}  // namespace

ZELI_WfDataArray::ZELI_WfDataArray(ZELI_Container& container, ZELI_CachedArray* index, ZELI_CachedArray* values)
    : live_(this), container_(&container) {
  if (index == nullptr || values == nullptr) throw ZELI_FailedException("ZELI_WfDataArray: no array");
  if (index->Get_SizeOf() != 4) throw ZELI_FailedException("ZELI_WfDataArray: index size");
  const unsigned valueCount = values->Get_PointCount();
  const char* indexes = static_cast<const char*>(index->Get_Data_p());
  // One pass without branches (it runs over every point of a first read):
  // the largest index decides the range check, and any index that differs
  // from its position rules out the identity.
  const unsigned indexCount = index->Get_PointCount();
  uint32_t largest = 0;
  uint32_t differs = 0;
  for (unsigned i = 0; i < indexCount; ++i) {
    uint32_t k;
    std::memcpy(&k, indexes + 4 * static_cast<size_t>(i), 4);
    largest = k > largest ? k : largest;
    differs |= k ^ i;
  }
  if (indexCount > 0 && largest >= valueCount) throw ZELI_FailedException("ZELI_WfDataArray: index out of range");
  allValuesInOrder_ = differs == 0 && indexCount == valueCount;
  // The own information waits until asked for (BuildOwnInformation): a
  // read that only takes the buffers never determines it.
  ownPending_ = true;
  index_ = index;
  values_ = values;
  index_->IncrementReferenceCount();
  values_->IncrementReferenceCount();
}

void ZELI_WfDataArray::BuildOwnInformation() const {
  const ZELI_DataInformation& valueInformation = *values_->Get_DataInformation_p();
  const unsigned valueCount = values_->Get_PointCount();
  std::unique_ptr<ZELI_DataInformation> own;
  if (allValuesInOrder_ && IsScanResult(valueInformation, valueCount)) {
    // The points are the values in order, and the summary of a cached array
    // is what the determination made of its own values: here a scan, which
    // the determination below would repeat point for point. Its result is
    // taken over, in an information otherwise as fresh as the one below.
    own = std::make_unique<ZELI_DataInformation>(valueInformation);
    own->Set_Compression(1);
    own->Set_CompressionUserCode(0);
  } else {
    own = std::make_unique<ZELI_DataInformation>(valueInformation.Get_Type_p());
    zel_monotonicity_t monotonicity = valueInformation.Get_Monotonicity();
    if (valueInformation.IsMonotonicityGiven()) own->Set_Monotonicity(monotonicity);
    if (valueInformation.Get_DataSpacing() != ZEL_DATASPACING_UNKNOWN)
      own->Set_DataSpacing(valueInformation.Get_DataSpacing());
    own->Set_InterpolationType(valueInformation.Get_InterpolationType());
    own->DetermineMonMinMax(index_->Get_DataInformation_p(), values_->Get_Data_p(),
                            static_cast<const unsigned*>(index_->Get_Data_p()), index_->Get_PointCount());
  }
  ownInformation_ = own.release();
  ownPending_ = false;
}

ZELI_WfDataArray::ZELI_WfDataArray(const ZELI_WfDataArray& other)
    : live_(this),
      container_(other.container_),
      ownInformation_(other.ownInformation_ != nullptr ? new ZELI_DataInformation(*other.ownInformation_)
                                                       : nullptr),
      ownPending_(other.ownPending_),
      allValuesInOrder_(other.allValuesInOrder_) {
  direct_ = other.direct_;
  index_ = other.index_;
  values_ = other.values_;
  for (ZELI_CachedArray* array : {direct_, index_, values_})
    if (array != nullptr) array->IncrementReferenceCount();
}

ZELI_WfDataArray::~ZELI_WfDataArray() {
  ZELI_Cache& cache = container_->Get_Cache();
  ZELI_ReleaseCachedArray(cache, direct_);
  ZELI_ReleaseCachedArray(cache, index_);
  ZELI_ReleaseCachedArray(cache, values_);
  delete ownInformation_;
}

bool ZELI_WfDataArray::IsStale() const {
  for (const ZELI_CachedArray* array : {direct_, index_, values_}) {
    if (array != nullptr && array->IsStale()) return true;
  }
  return false;
}

ZELI_DataInformation* ZELI_WfDataArray::Get_DataInformation_p() const {
  if (ownPending_) BuildOwnInformation();
  if (ownInformation_ != nullptr) return ownInformation_;
  if (direct_ != nullptr) return direct_->Get_DataInformation_p();
  throw ZELI_FailedException("ZELI_WfDataArray::Get_DataInformation_p implementation");
}

// The type and size come without the summary: the own information, built
// or not, is over the value array's type.
ZELI_Type* ZELI_WfDataArray::Get_Type_p() const {
  if (ownInformation_ != nullptr) return ownInformation_->Get_Type_p();
  if (ownPending_) return values_->Get_Type_p();
  return Get_DataInformation_p()->Get_Type_p();
}

unsigned ZELI_WfDataArray::Get_SizeOf() const {
  const ZELI_Type* type = Get_Type_p();
  return type != nullptr ? type->Get_SizeOf() : 0;
}

unsigned ZELI_WfDataArray::Get_PointCount() const {
  return direct_ != nullptr ? direct_->Get_PointCount() : index_->Get_PointCount();
}

const void* ZELI_WfDataArray::Get_PointAddress(unsigned i) const {
  if (direct_ != nullptr) return direct_->Get_PointAddress(i);
  uint32_t k;
  std::memcpy(&k, index_->Get_PointAddress(i), 4);
  return values_->Get_PointAddress(k);
}

const void* ZELI_WfDataArray::Get_BufferAddress(unsigned i) {
  if (direct_ == nullptr) ConstructDataArray();
  return direct_->Get_PointAddress(i);
}

void ZELI_WfDataArray::ConstructDataArray() {
  if (index_ == nullptr) throw ZELI_FailedException("ZELI_WfDataArray::ConstructDataArray");
  if (direct_ != nullptr) return;
  if (allValuesInOrder_) {
    // The points are the value array itself (the X points of a front data
    // set, one per X value): it is the buffer, shared rather than copied.
    // The own information stays here and goes on describing it.
    values_->IncrementReferenceCount();
    direct_ = values_;
    return;
  }
  // The gathered array takes the own information over. Unless the value
  // array's monotonicity is given (whose short-cut depends on the order of
  // the index), determining over the gathered values later gives what
  // determining over the indexed ones now would: the same values in the
  // same order. It is then left for later.
  bool determineOnDemand = false;
  if (ownPending_) {
    const ZELI_DataInformation& valueInformation = values_->Get_UndeterminedInformation();
    if (valueInformation.IsMonotonicityGiven()) {
      BuildOwnInformation();
    } else {
      auto own = std::make_unique<ZELI_DataInformation>(valueInformation.Get_Type_p());
      if (valueInformation.Get_DataSpacing() != ZEL_DATASPACING_UNKNOWN)
        own->Set_DataSpacing(valueInformation.Get_DataSpacing());
      own->Set_InterpolationType(valueInformation.Get_InterpolationType());
      ownInformation_ = own.release();
      ownPending_ = false;
      determineOnDemand = true;
    }
  }
  ZELI_Type* type = values_->Get_Type_p();
  const unsigned count = index_->Get_PointCount();
  // Every value is written below: only texts need their slots zeroed first
  // (a failure part-way frees them).
  void* data = type->HoldsStrings() ? type->ReallocData(nullptr, count, 0)
                                    : ZELI_OS_MallocToFill(size_t{type->Get_SizeOf()} * count);
  if (data == nullptr && count > 0) throw ZELI_BadAllocException();
  std::unique_ptr<ZELI_CachedArray> direct;
  try {
    const char* indexes = static_cast<const char*>(index_->Get_Data_p());
    if (type->HoldsStrings()) {
      for (unsigned i = 0; i < count; ++i) {
        uint32_t k;
        std::memcpy(&k, indexes + 4 * size_t{i}, 4);
        type->CopyData(data, i, values_->Get_Data_p(), k);
      }
    } else {
      // Plain bytes: gathered value by value without a call per value.
      const size_t size = type->Get_SizeOf();
      const char* from = static_cast<const char*>(values_->Get_Data_p());
      char* to = static_cast<char*>(data);
      for (unsigned i = 0; i < count; ++i) {
        uint32_t k;
        std::memcpy(&k, indexes + 4 * size_t{i}, 4);
        std::memcpy(to + size * i, from + size * k, size);
      }
    }
    direct = std::make_unique<ZELI_CachedArray>(count, ownInformation_, data);
  } catch (...) {
    type->FreeData(data, count);
    throw;
  }
  ownInformation_ = nullptr;  // the new array owns it now
  if (determineOnDemand) direct->DetermineOnDemand();
  container_->Get_Cache().Add_CachedArray(direct.get());
  direct_ = direct.release();
  direct_->IncrementReferenceCount();
}
