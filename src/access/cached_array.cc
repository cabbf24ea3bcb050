// Cached arrays and their owner links.
#include "access/cached_array.h"

#include "errors/exceptions.h"
#include "store/cache.h"
#include "types/type.h"
#include "waveforms/data_information.h"
#include "waveforms/data_set.h"
#include "waveforms/derived_waveform.h"

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

void ZELI_CachedArray::SetDataInformation_p(ZELI_DataInformation* information) {
  if (information == information_) return;
  delete information_;
  information_ = information;
  sizeOf_ = information_->Get_SizeOf();
}

void ZELI_CachedArray::DecrementReferenceCount() {
  if (referenceCount_ == 0) throw ZELI_FailedException("ZELI_CachedArray::DecrementReferenceCount is alread 0");
  --referenceCount_;
}

ZELI_DataSetCachedArray::~ZELI_DataSetCachedArray() {
  if (owner_ == nullptr) return;
  try {
    owner_->Invalidate_CachedArray_p(slot_);
  } catch (...) {
    // The owner only refuses slots it never handed out.
  }
}

ZELI_DerivedWaveformCachedArray::~ZELI_DerivedWaveformCachedArray() {
  if (owner_ == nullptr) return;
  try {
    owner_->Invalidate_CachedArray_p(segment_, kind_);
  } catch (...) {
    // The record may already be gone with its segment.
  }
}

void ZELI_ReleaseCachedArray(ZELI_Cache& cache, ZELI_CachedArray* array) noexcept {
  if (array == nullptr) return;
  if (array->Get_ReferenceCount() > 0) array->DecrementReferenceCount();
  if (array->Get_ReferenceCount() == 0 && !array->IsLocatable()) {
    cache.Remove_CachedArray(array);
    delete array;
  }
}
