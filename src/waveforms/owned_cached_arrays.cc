// Owner links of the cached arrays that data sets and derived waveforms keep.
#include "waveforms/owned_cached_arrays.h"

#include "waveforms/data_set.h"
#include "waveforms/derived_waveform.h"

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
    // Only a record that no longer holds the array refuses.
  }
}

bool ZELI_DerivedWaveformCachedArray::IsStale() const { return owner_ == nullptr || owner_->IsStale(segment_); }
