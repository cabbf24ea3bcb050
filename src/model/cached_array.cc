// Cached arrays: values, their summary and their release.
#include "model/cached_array.h"

#include "model/data_information.h"
#include "store/cache.h"
#include "types/type.h"

ZELI_CachedArray::ZELI_CachedArray(unsigned count, ZELI_DataInformation* information, void* data) noexcept
    : count_(count), information_(information), data_(data), sizeOf_(information->Get_SizeOf()) {}

ZELI_CachedArray::~ZELI_CachedArray() {
  ZELI_Type* type = Get_Type_p();
  if (data_ != nullptr && type != nullptr) {
    try {
      type->FreeData(data_, count_);
    } catch (...) {
      // Only types of size 0 refuse, and they never fill a buffer.
    }
  }
  delete information_;
}

ZELI_Type* ZELI_CachedArray::Get_Type_p() const { return information_->Get_Type_p(); }

void ZELI_CachedArray::DetermineOnDemand() noexcept {
  const ZELI_Type* type = information_->Get_Type_p();
  determineOnDemand_ = count_ > 0 && data_ != nullptr && type != nullptr && type->IsScalar();
}

void ZELI_CachedArray::DetermineNow() const {
  information_->DetermineMonMinMax(data_, count_);
  determineOnDemand_ = false;
}

void ZELI_CachedArray::SetDataInformation_p(ZELI_DataInformation* information) {
  if (information == information_) return;
  delete information_;
  information_ = information;
  sizeOf_ = information_->Get_SizeOf();
  determineOnDemand_ = false;
}

void ZELI_ReleaseCachedArray(ZELI_Cache& cache, ZELI_CachedArray* array) noexcept {
  cache.Release(array);
}
