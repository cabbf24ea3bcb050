// ZELI_OneWaveformDataSet: entering values, orders and X indices, and
// cutting to a point count.
#include "waveforms/one_waveform_data_set.h"

#include "errors/exceptions.h"
#include "model/container.h"
#include "store/memory_array.h"
#include "types/type.h"
#include "waveforms/shared_x_set.h"
#include "waveforms/waveform.h"

namespace {

ZELI_Type* InternalInteger(ZELI_Container& container) {
  return container.Get_TypeTable().Get_InternalIntegerType_p();
}

void RequireArray(const void* p, unsigned n, const char* what) {
  if (n > 0 && p == nullptr) throw ZELI_BadArgException(ZELI_Message() << what << " is null");
}

}  // namespace

ZELI_OneWaveformDataSet::ZELI_OneWaveformDataSet(ZELI_SharedXSet& sharedXSet, bool sparse)
    : ZELI_DataSet(One_Waveform, sharedXSet) {
  if (sparse) xIndices_ = std::make_unique<ZELI_ArrayDataSet>(sharedXSet, InternalInteger(Container()));
}

ZELI_OneWaveformDataSet::~ZELI_OneWaveformDataSet() = default;

void ZELI_OneWaveformDataSet::Discard() {
  if (xIndices_) xIndices_->Discard();
  if (orders_) orders_->Discard();
  ZELI_DataSet::Discard();
}

unsigned ZELI_OneWaveformDataSet::Get_PointCount(unsigned position) const {
  AssertIsValidIndex(position);
  return pointCount_;
}

void ZELI_OneWaveformDataSet::Set_InterpolationType(zel_interpolation_t interpolation) {
  if (IsInitialized()) throw ZELI_FailedException("Interpolation type cannot be changed any more");
  interpolation_ = interpolation;
}

unsigned ZELI_OneWaveformDataSet::Add_Waveform_p(ZELI_SourceWaveform* waveform) {
  if (IsInitialized()) throw ZELI_FailedException("Waveforms cannot be added to the dataset any more");
  if (Get_OccupiedCount() > 0) throw ZELI_DuplicateException("OneWaveformDataSet already has a waveform.");
  ZELI_Type* type = waveform->Get_YType_p();
  StoredSizeOf(type);
  const unsigned position = AddPosition(waveform);
  valueType_ = type;
  if (type->HoldsStrings()) MakeStringArray();
  return position;
}

void ZELI_OneWaveformDataSet::InitializeWriting() {
  ZELI_DataSet::InitializeWriting();
  if (interpolation_ == ZEL_INTERPOLATION_POLYNOMIAL && !orders_) {
    orders_ = std::make_unique<ZELI_ArrayDataSet>(*Get_SharedXSet_p(), InternalInteger(Container()));
    orders_->InitializeWriting();
    if (Get_Values_p()->IsOpen()) orders_->OpenMemoryArrays(Get_Values_p()->Get_Mode());
  }
}

void ZELI_OneWaveformDataSet::OpenMemoryArrays(zel_iomode_t mode) {
  ZELI_DataSet::OpenMemoryArrays(mode);
  if (xIndices_) xIndices_->OpenMemoryArrays(mode);
  if (orders_) orders_->OpenMemoryArrays(mode);
}

void ZELI_OneWaveformDataSet::CloseMemoryArrays() {
  if (xIndices_) xIndices_->CloseMemoryArrays();
  if (orders_) orders_->CloseMemoryArrays();
  ZELI_DataSet::CloseMemoryArrays();
}

void ZELI_OneWaveformDataSet::Synchronize(unsigned pointCount) {
  if (pointCount > pointCount_) throw ZELI_FailedException("ZELI_OneWaveformDataSet::Synchronize: extending size");
  if (IsSparse()) throw ZELI_FailedException("ZELI_OneWaveformDataSet::Synchronize: sparse mode");
  if (orders_) orders_->Synchronize(std::min(pointCount, orders_->Get_Count()));
  if (pointCount != pointCount_) {
    Set_DataStoreDirty();
    Set_PointCountDirty();
  }
  pointCount_ = pointCount;
  if (simpValues_.size() > uint64_t{pointCount} * valueType_->Get_SizeOf()) {
    simpValues_.resize(uint64_t{pointCount} * valueType_->Get_SizeOf());
  }
}

void ZELI_OneWaveformDataSet::CheckOrders(const int* orders, unsigned n) const {
  if (!orders_) return;
  RequireArray(orders, n, "orders");
  for (unsigned i = 0; i < n; ++i) {
    if (orders[i] < 0 || orders[i] > 2) throw ZELI_BadArgException("Order must be 0, 1, or 2");
  }
}

// The bound is the shared X set's X values: an index names an X value. (The
// count of the data set's own X indices would refuse the first value of
// every sparse waveform.)
void ZELI_OneWaveformDataSet::CheckXIndices(const int* indices, unsigned n) const {
  if (!xIndices_) return;
  RequireArray(indices, n, "X indices");
  const unsigned xCount = Get_SharedXSet_p()->Get_XCount();
  for (unsigned i = 0; i < n; ++i) {
    if (indices[i] < 0 || static_cast<unsigned>(indices[i]) >= xCount) {
      throw ZELI_BadArgException("X Index is out of range.");
    }
  }
}

void ZELI_OneWaveformDataSet::PrepareEntry(unsigned position, unsigned n) {
  AssertIsValidIndex(position);
  if (IsSparse()) {
    if (n != 1) throw ZELI_BadArgException("Point count must be 1 when writing in SPARSE mode.");
    const int last = Get_SharedXSet_p()->Get_LastXIndex();
    if (last < 0) throw ZELI_FailedException("A sparse value needs an X value first.");
    xIndices_->Add_Data(&last, 1);
  }
}

void ZELI_OneWaveformDataSet::AppendValues(const void* values, unsigned n) {
  if (n == 0) return;
  RequireArray(values, n, "values");
  const unsigned size = StoredSizeOf(valueType_);
  RequireWithin4GiB((uint64_t{pointCount_} + n) * size, "ZELI_OneWaveformDataSet::EnterValues");
  WriteValuesAt(valueType_, pointCount_ * size, values, n);
  pointCount_ += n;
  Set_PointCountDirty();
}

void ZELI_OneWaveformDataSet::EnterValues(unsigned position, const void* values, unsigned n) {
  AssertIsValidIndex(position);
  RequireArray(values, n, "values");
  PrepareEntry(position, n);
  AppendValues(values, n);
}

void ZELI_OneWaveformDataSet::EnterValuesSimp(unsigned position, const void* values, unsigned n, zel_bool_t) {
  AssertIsValidIndex(position);
  RequireArray(values, n, "values");
  PrepareEntry(position, n);
  AppendValues(values, n);
  const zel_dataType_t kind = valueType_->Get_DataType();
  if (kind != ZEL_REAL && kind != ZEL_FLOAT && kind != ZEL_COMPLEX) return;
  const unsigned size = valueType_->Get_SizeOf();
  const char* bytes = static_cast<const char*>(values);
  simpValues_.insert(simpValues_.end(), bytes, bytes + uint64_t{n} * size);
  if (valueType_->IsScalar()) {
    Get_DataInformation(position).DetermineMonMinMax(simpValues_.data(),
                                                     static_cast<unsigned>(simpValues_.size() / size));
  }
}

void ZELI_OneWaveformDataSet::EnterOrders(const int* orders, unsigned n) {
  if (orders_) orders_->Add_Data(orders, n);
}

// A sparse data set records the X index of every value itself when the
// value is entered; appending the caller's indices as well would leave more
// indices than values, so they are checked (CheckXIndices) and not stored.
void ZELI_OneWaveformDataSet::EnterXIndices(const int*, unsigned) {}

unsigned ZELI_OneWaveformDataSet::Get_Data(unsigned first, void* buffer, unsigned n) const {
  if (first >= pointCount_) return 0;
  const unsigned count = std::min(n, pointCount_ - first);
  ReadValuesAt(valueType_, first * StoredSizeOf(valueType_), buffer, count);
  return count;
}
