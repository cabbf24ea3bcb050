// Reading data sets back as cached arrays: the kept arrays of a data set,
// the X and Y sides of waveform segments (waveforms/wf_segment_parts.h),
// and the Array and One_Waveform kinds. The front kinds read their layouts
// in front_data_sets_read.cc.
//
// Every value is copied out of the memory arrays into memory of its own
// (strings as malloc'd texts), so the arrays, and the data store with them,
// may be closed as soon as the reading is done.
#include <algorithm>
#include <memory>

#include "waveforms/owned_cached_arrays.h"
#include "errors/exceptions.h"
#include "store/cache.h"
#include "model/container.h"
#include "store/memory_array.h"
#include "types/typed_values.h"
#include "waveforms/data_set.h"
#include "waveforms/one_waveform_data_set.h"
#include "waveforms/shared_x_set.h"

// ---- kept arrays ----------------------------------------------------------------------

void ZELI_DataSet::ForgetCachedArrays() noexcept {
  for (ZELI_DataSetCachedArray*& array : kept_) {
    if (array != nullptr) cache_->LetGo(array);
    array = nullptr;
  }
  kept_.clear();
}

ZELI_DataSetCachedArray* ZELI_DataSet::Keep(unsigned slot, unsigned count, const ZELI_DataInformation& information,
                                            void* data) {
  ZELI_Type* type = information.Get_Type_p();
  ZELI_TypedValues values(type, count, data);
  auto own = std::make_unique<ZELI_DataInformation>(information);
  if (kept_.size() <= slot) kept_.resize(size_t{slot} + 1, nullptr);
  ZELI_Cache& cache = Container().Get_Cache();
  if (kept_[slot] != nullptr) cache.LetGo(kept_[slot]);
  kept_[slot] = nullptr;
  auto array = std::make_unique<ZELI_DataSetCachedArray>(this, slot, count, own.get(), values.Get());
  own.release();
  values.Release();
  // A first read that only copies the values out never scans them.
  array->DetermineOnDemand();
  // Should listing fail, the array's destructor only forgets the empty slot.
  cache.Add_CachedArray(array.get());
  cache_ = &cache;
  kept_[slot] = array.release();
  return kept_[slot];
}

void ZELI_DataSet::ForgetSlot(unsigned slot, unsigned limit, const char* message) {
  if (slot >= limit || slot >= kept_.size()) throw ZELI_FailedException(message);
  kept_[slot] = nullptr;
}

// ---- reading values ---------------------------------------------------------------------

void ZELI_DataSet::ReadValuesInto(const ZELI_Type* type, uint64_t byteOffset, void* target, unsigned count,
                                  const char* what) const {
  const uint64_t end = byteOffset + uint64_t{count} * StoredSizeOf(type);
  if (end > ReadableBytes(*values_) || end > ZELI_MemoryArray::MaxSize) {
    throw ZELI_FailedException(ZELI_Message() << what << ": the data file holds fewer values than recorded");
  }
  if (type->HoldsStrings()) {
    ReadValuesAt(type, static_cast<unsigned>(byteOffset), target, count);
  } else {
    // Copied once, from the page cache (or resident pages) straight into
    // target: bulk reads need no mapped window.
    values_->ReadDirect(static_cast<unsigned>(byteOffset), target, count, type->Get_SizeOf());
  }
}

void* ZELI_DataSet::ReadValues(const ZELI_Type* type, uint64_t byteOffset, unsigned count, const char* what) const {
  // The count comes from a record: the bytes must be there before the
  // memory for them is taken.
  const uint64_t bytes = uint64_t{count} * StoredSizeOf(type);
  if (byteOffset + bytes > ReadableBytes(*values_)) {
    throw ZELI_FailedException(ZELI_Message() << what << ": the data file holds fewer values than recorded");
  }
  values_->RequireReadable(byteOffset, bytes);
  ZELI_TypedValues values(type, count, ZELI_TypedValues::Overwritten{});
  ReadValuesInto(type, byteOffset, values.Get(), count, what);
  return values.Release();
}

void ZELI_DataSet::AdviseValues(const ZELI_Type* type, uint64_t byteOffset, unsigned count) const {
  values_->AdviseWillRead(byteOffset, uint64_t{count} * StoredSizeOf(type));
}

void ZELI_DataSet::AdviseXSide(const ZELI_ArrayDataSet* index, const ZELI_ArrayDataSet* orders) const {
  if (const ZELI_ArrayDataSet* xValues = sharedXSet_->Get_XValues_p()) xValues->AdviseWillRead();
  if (index != nullptr) index->AdviseWillRead();
  if (orders != nullptr) orders->AdviseWillRead();
}

ZELI_CachedArray* ZELI_DataSet::FirstValues(ZELI_CachedArray* array, unsigned n, const char* what) const {
  const unsigned count = array->Get_PointCount();
  if (count == n) return array;
  if (count < n) throw ZELI_FailedException(ZELI_Message() << what << ": fewer values than points");
  const ZELI_Type* type = array->Get_Type_p();
  ZELI_TypedValues values(type, n, ZELI_TypedValues::Overwritten{});
  type->CopyData(values.Get(), array->Get_Data_p(), n);
  // Determined over the first n values, on demand: what was determined over
  // all of them (if anything yet) does not carry over.
  auto information = std::make_unique<ZELI_DataInformation>(array->Get_UndeterminedInformation());
  information->ForgetDetermined();
  auto first = std::make_unique<ZELI_CachedArray>(n, information.get(), values.Get());
  information.release();
  values.Release();
  first->DetermineOnDemand();
  Container().Get_Cache().Add_CachedArray(first.get());
  return first.release();
}

// ---- the sides of a waveform segment ----------------------------------------------------

ZELI_WfSegmentXParts ZELI_DataSet::XSide(ZELI_CachedArray* index, unsigned count, zel_interpolation_t interpolation,
                                         ZELI_ArrayDataSet* orders) {
  ZELI_ArrayDataSet* xValues = sharedXSet_->Get_XValues_p();
  if (xValues == nullptr) throw ZELI_FailedException("ZELI_DataSet: the shared X set has no X values");
  ZELI_CachedArray* x = xValues->Get_CachedArray_p();
  ZELI_WfSegmentXParts parts;
  parts.values = index != nullptr ? x : FirstValues(x, count, "X values");
  parts.index = index;
  parts.interpolation = interpolation;
  if (interpolation == ZEL_INTERPOLATION_POLYNOMIAL && initialized_ && orders != nullptr) {
    ZELI_CachedArray* all = orders->Get_CachedArray_p();
    // Orders choose the interpolation formula: a stored one out of range
    // is damage, not a value.
    const int* stored = static_cast<const int*>(all->Get_Data_p());
    for (unsigned i = 0; i < std::min(count, all->Get_PointCount()); ++i) {
      if (stored[i] < 0 || stored[i] > 2) throw ZELI_FailedException("ZELI_DataSet: stored order out of range");
    }
    parts.order = FirstValues(all, count, "orders");
  }
  return parts;
}

// ---- Array ------------------------------------------------------------------------------

ZELI_CachedArray* ZELI_ArrayDataSet::Get_CachedArray_p() {
  if (ZELI_DataSetCachedArray* kept = Kept(0)) return kept;
  ZELI_SharedXSetReading reading(*Get_SharedXSet_p());
  const bool xValues = Get_SharedXSet_p()->Get_XValues_p() == this;
  const ZELI_DataInformation information =
      xValues ? Get_SharedXSet_p()->Get_XDataInformation() : ZELI_DataInformation(valueType_);
  ZELI_CachedArray* array =
      Keep(0, pointCount_, information, ReadValues(valueType_, 0, pointCount_, "ZELI_ArrayDataSet"));
  reading.Close();
  return array;
}

void ZELI_ArrayDataSet::AdviseWillRead() const {
  if (Kept(0) == nullptr) AdviseValues(valueType_, 0, pointCount_);
}

ZELI_WfSegmentXParts ZELI_ArrayDataSet::Get_WfSegmentXData(unsigned) {
  throw ZELI_FailedException("ZELI_ArrayDataSet::Get_WfSegmentXData: data set has no waveforms");
}

ZELI_WfSegmentYParts ZELI_ArrayDataSet::Get_WfSegmentYData(unsigned) {
  throw ZELI_FailedException("ZELI_ArrayDataSet::Get_WfSegmentYData: data set has no waveforms");
}

void ZELI_ArrayDataSet::Invalidate_CachedArray_p(unsigned slot) {
  ForgetSlot(slot, 1, "ZELI_ArrayDataSet::Invalidate_CachedArray_p");
}

// ---- One_Waveform -------------------------------------------------------------------------

unsigned ZELI_OneWaveformDataSet::Get_ReadPointCount() const {
  if (!IsSparse()) return std::min(pointCount_, Get_SharedXSet_p()->Get_XCount());
  if (xIndices_->Get_Count() != pointCount_) {
    throw ZELI_FailedException("ZELI_OneWaveformDataSet: X indices and values differ in count");
  }
  return pointCount_;
}

ZELI_CachedArray* ZELI_OneWaveformDataSet::ValuesArray(unsigned position) {
  if (ZELI_DataSetCachedArray* kept = Kept(0)) return kept;
  const ZELI_DataInformation& information = Get_DataInformation(position);
  return Keep(0, pointCount_, information, ReadValues(valueType_, 0, pointCount_, "ZELI_OneWaveformDataSet"));
}

ZELI_WfSegmentXParts ZELI_OneWaveformDataSet::Get_WfSegmentXData(unsigned position) {
  AssertIsValidIndex(position);
  return ZELI_ReadWithArraysOpen(*Get_SharedXSet_p(), [&] {
    // The Y side follows at once (Get_WfSegmentYData, read next):
    // its pages are announced with the X side's, so that a cold read waits
    // for one round of parallel fetches instead of one fetch per page.
    AdviseXSide(xIndices_.get(), orders_.get());
    if (Kept(0) == nullptr) AdviseValues(valueType_, 0, pointCount_);
    const unsigned count = Get_ReadPointCount();
    return XSide(IsSparse() ? xIndices_->Get_CachedArray_p() : nullptr, count, interpolation_, orders_.get());
  });
}

ZELI_WfSegmentYParts ZELI_OneWaveformDataSet::Get_WfSegmentYData(unsigned position) {
  AssertIsValidIndex(position);
  return ZELI_ReadWithArraysOpen(*Get_SharedXSet_p(), [&] {
    const unsigned count = Get_ReadPointCount();
    return ZELI_WfSegmentYParts{FirstValues(ValuesArray(position), count, "ZELI_OneWaveformDataSet")};
  });
}

void ZELI_OneWaveformDataSet::ForgetCachedArrays() noexcept {
  if (xIndices_) xIndices_->ForgetCachedArrays();
  if (orders_) orders_->ForgetCachedArrays();
  ZELI_DataSet::ForgetCachedArrays();
}

void ZELI_OneWaveformDataSet::Invalidate_CachedArray_p(unsigned slot) {
  ForgetSlot(slot, 1, "ZELI_OneWaveformDataSet::Invalidate_CachedArray_p");
}
