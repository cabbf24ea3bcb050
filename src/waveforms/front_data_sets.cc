// Analog_Front and Digital_Front data sets: block and chunk layouts of the
// values array (see front_data_sets.h for the geometry).
#include "waveforms/front_data_sets.h"

#include <algorithm>

#include "errors/exceptions.h"
#include "store/container.h"
#include "store/memory_array.h"
#include "types/type.h"
#include "waveforms/shared_x_set.h"
#include "waveforms/waveform.h"

namespace {

ZELI_Type* InternalInteger(ZELI_Container& container) {
  return container.Get_TypeTable().Get_InternalIntegerType_p();
}

}  // namespace

// ---- Analog_Front ----------------------------------------------------------------------

ZELI_AnalogFrontDataSet::ZELI_AnalogFrontDataSet(ZELI_SharedXSet& sharedXSet)
    : ZELI_DataSet(Analog_Front, sharedXSet),
      xIndices_(std::make_unique<ZELI_ArrayDataSet>(sharedXSet, InternalInteger(Container()))) {}

ZELI_AnalogFrontDataSet::~ZELI_AnalogFrontDataSet() = default;

void ZELI_AnalogFrontDataSet::Discard() {
  xIndices_->Discard();
  if (orders_) orders_->Discard();
  ZELI_DataSet::Discard();
}

unsigned ZELI_AnalogFrontDataSet::Get_PointCount(unsigned position) const {
  AssertIsValidIndex(position);
  return pointCount_;
}

void ZELI_AnalogFrontDataSet::Set_InterpolationType(zel_interpolation_t interpolation) {
  if (IsInitialized()) throw ZELI_FailedException("Interpolation type cannot be changed any more");
  interpolation_ = interpolation;
}

unsigned ZELI_AnalogFrontDataSet::Add_Waveform_p(ZELI_SourceWaveform* waveform) {
  if (IsInitialized()) throw ZELI_FailedException("Waveforms cannot be added to the dataset any more");
  ZELI_Type* type = waveform->Get_YType_p();
  StoredSizeOf(type);
  if (valueType_ != nullptr && type->Get_DataType() != valueType_->Get_DataType()) {
    throw ZELI_BadArgException("AnalogFrontDataSet cannot store waveforms of different types.");
  }
  const unsigned position = AddPosition(waveform);
  if (valueType_ == nullptr) {
    valueType_ = type;
    if (type->HoldsStrings()) MakeStringArray();
  }
  return position;
}

void ZELI_AnalogFrontDataSet::ComputeGeometry() {
  const unsigned valueSize = StoredSizeOf(valueType_);
  // Every position has its place in a block, free ones included, so that
  // no value of a high position can reach into the next block.
  const unsigned waveforms = Get_PositionCount();
  unsigned points = Get_Values_p()->Get_PageSize() / valueSize;
  if (waveforms > 2000) {
    points /= 4;
  } else if (waveforms > 1000) {
    points /= 2;
  }
  pointsPerBlock_ = std::max(points, 1u);
  const uint64_t perWaveform = uint64_t{pointsPerBlock_} * valueSize;
  RequireWithin4GiB(perWaveform * waveforms, "ZELI_AnalogFrontDataSet::InitializeWriting");
  blockBytesPerWaveform_ = static_cast<unsigned>(perWaveform);
  blockBytesPerFront_ = static_cast<unsigned>(perWaveform * waveforms);
}

void ZELI_AnalogFrontDataSet::InitializeWriting() {
  if (IsInitialized()) throw ZELI_DuplicateException("Duplicate initialization of DataSet.");
  if (Get_OccupiedCount() == 0) throw ZELI_BadArgException("ZELI_AnalogFrontDataSet has no waveforms.");
  ComputeGeometry();
  ZELI_DataSet::InitializeWriting();
  xIndices_->InitializeWriting();
  if (interpolation_ == ZEL_INTERPOLATION_POLYNOMIAL) {
    orders_ = std::make_unique<ZELI_ArrayDataSet>(*Get_SharedXSet_p(), InternalInteger(Container()));
    orders_->InitializeWriting();
    if (Get_Values_p()->IsOpen()) orders_->OpenMemoryArrays(Get_Values_p()->Get_Mode());
  }
}

void ZELI_AnalogFrontDataSet::OpenMemoryArrays(zel_iomode_t mode) {
  ZELI_DataSet::OpenMemoryArrays(mode);
  xIndices_->OpenMemoryArrays(mode);
  if (orders_) orders_->OpenMemoryArrays(mode);
}

void ZELI_AnalogFrontDataSet::CloseMemoryArrays() {
  xIndices_->CloseMemoryArrays();
  if (orders_) orders_->CloseMemoryArrays();
  ZELI_DataSet::CloseMemoryArrays();
}

uint64_t ZELI_AnalogFrontDataSet::ValueOffset(unsigned position, unsigned i) const {
  return uint64_t{blockBytesPerFront_} * (i / pointsPerBlock_) + uint64_t{blockBytesPerWaveform_} * position +
         uint64_t{StoredSizeOf(valueType_)} * (i % pointsPerBlock_);
}

void ZELI_AnalogFrontDataSet::CheckOrders(const int* orders, unsigned n) const {
  if (!orders_) return;
  if (n > 0 && orders == nullptr) throw ZELI_BadArgException("orders is null");
  for (unsigned i = 0; i < n; ++i) {
    if (orders[i] < 0 || orders[i] > 2) throw ZELI_BadArgException("Order must be 0, 1, or 2");
  }
}

void ZELI_AnalogFrontDataSet::Add_Point(int order) {
  if (!IsInitialized()) throw ZELI_FailedException("ZELI_AnalogFrontDataSet::Add_Point: not initialized");
  CheckOrders(&order, 1);
  const unsigned i = pointCount_;
  const uint64_t blockStart = uint64_t{blockBytesPerFront_} * (i / pointsPerBlock_);
  RequireWithin4GiB(blockStart + blockBytesPerFront_, "ZELI_AnalogFrontDataSet::Add_Point");
  const int last = Get_SharedXSet_p()->Get_LastXIndex();
  xIndices_->Add_Data(&last, 1);
  if (orders_) orders_->Add_Data(&order, 1);
  if (i % pointsPerBlock_ == 0) {
    Get_Values_p()->RandomlyAccess(static_cast<unsigned>(blockStart), blockBytesPerFront_);
  }
  currentOffset_ = static_cast<unsigned>(ValueOffset(0, i));
  ++pointCount_;
  Set_PointCountDirty();
}

void ZELI_AnalogFrontDataSet::EnterValues(unsigned position, const void* values, unsigned n) {
  AssertIsValidIndex(position);
  if (n != 1) throw ZELI_BadArgException("EnterValues nPoints != 1");
  if (pointCount_ == 0) throw ZELI_FailedException("ZELI_AnalogFrontDataSet::EnterValues: no point started");
  // The value belongs to a point already counted: what was kept misses it.
  ForgetCachedArrays();
  WriteValuesAt(valueType_, currentOffset_ + blockBytesPerWaveform_ * position, values, 1);
}

void ZELI_AnalogFrontDataSet::Get_Value(unsigned position, unsigned i, void* value) const {
  AssertIsValidIndex(position);
  if (i >= pointCount_) throw ZELI_BadArgException("ZELI_AnalogFrontDataSet::Get_Value: point index");
  ReadValuesAt(valueType_, static_cast<unsigned>(ValueOffset(position, i)), value, 1);
}

void ZELI_AnalogFrontDataSet::Shutdown() {
  if (xIndices_->Get_Count() != pointCount_) {
    throw ZELI_FailedException("ZELI_AnalogFrontDataSet::Shutdown: xindex point count");
  }
  if (orders_ && orders_->Get_Count() != pointCount_) {
    throw ZELI_FailedException("ZELI_AnalogFrontDataSet::Shutdown: order point count");
  }
  if (pointCount_ == 0) throw ZELI_FailedException("ZELI_AnalogFrontDataSet::Shutdown: point count 0");
  --pointCount_;
  xIndices_->Synchronize(pointCount_);
  if (orders_) orders_->Synchronize(pointCount_);
  Set_DataStoreDirty();
  Set_PointCountDirty();
}

// ---- Digital_Front -------------------------------------------------------------------

unsigned ZELI_DigitalWfChunk::CapacityOf(unsigned indexSize, unsigned valueSize) {
  return (ChunkBytes - 2 * indexSize) / (valueSize + indexSize);
}

ZELI_DigitalFrontDataSet::ZELI_DigitalFrontDataSet(ZELI_SharedXSet& sharedXSet)
    : ZELI_DataSet(Digital_Front, sharedXSet) {}

ZELI_DigitalFrontDataSet::~ZELI_DigitalFrontDataSet() = default;

unsigned ZELI_DigitalFrontDataSet::Get_PointCount(unsigned position) const { return Get_Chunk(position).pointCount; }

const ZELI_DigitalWfChunk& ZELI_DigitalFrontDataSet::Get_Chunk(unsigned position) const {
  AssertIsValidIndex(position);
  if (position >= chunks_.size() || !chunks_[position]) {
    throw ZELI_FailedException("ZELI_DigitalFrontDataSet: chunk chain");
  }
  return *chunks_[position];
}

void ZELI_DigitalFrontDataSet::Set_InterpolationType(zel_interpolation_t interpolation) {
  if (interpolation != ZEL_INTERPOLATION_CONSTANT) throw ZELI_FailedException("Interpolation type must be CONSTANT");
}

unsigned ZELI_DigitalFrontDataSet::Add_Waveform_p(ZELI_SourceWaveform* waveform) {
  if (IsInitialized()) throw ZELI_FailedException("Waveforms cannot be added to the dataset any more");
  auto chain = std::make_unique<ZELI_DigitalWfChunk>();
  chain->indexType = InternalInteger(Container());
  chain->valueType = waveform->Get_YType_p();
  chain->capacity = ZELI_DigitalWfChunk::CapacityOf(StoredSizeOf(chain->indexType), StoredSizeOf(chain->valueType));
  if (chain->capacity < 1) throw ZELI_BadArgException("The values are too large for a digital chunk.");
  if (chain->valueType->HoldsStrings()) MakeStringArray();
  const unsigned position = AddPosition(waveform);
  if (chunks_.size() <= position) chunks_.resize(position + 1);
  chunks_[position] = std::move(chain);
  return position;
}

void ZELI_DigitalFrontDataSet::Delete_Waveform_p(ZELI_SourceWaveform* waveform, unsigned position) {
  ZELI_DataSet::Delete_Waveform_p(waveform, position);
  chunks_[position].reset();
}

unsigned ZELI_DigitalFrontDataSet::NewChunk(const ZELI_DigitalWfChunk& chain) {
  ZELI_MemoryArray* values = Get_Values_p();
  const unsigned offset = values->Get_Size();
  RequireWithin4GiB(uint64_t{offset} + ZELI_DigitalWfChunk::ChunkBytes, "ZELI_DigitalFrontDataSet::EnterValues");
  const int header[2] = {static_cast<int>(chain.capacity), 0};
  values->Extend(ZELI_DigitalWfChunk::ChunkBytes);
  values->WriteData(offset, header, 2, 4);
  return offset;
}

void ZELI_DigitalFrontDataSet::EnterValues(unsigned position, const void* value, unsigned n) {
  AssertIsValidIndex(position);
  if (n != 1) throw ZELI_BadArgException("EnterValues nPoints != 1");
  if (value == nullptr) throw ZELI_BadArgException("values is null");
  ZELI_DigitalWfChunk& chain = *chunks_.at(position);
  const unsigned indexSize = StoredSizeOf(chain.indexType);
  const unsigned valueSize = StoredSizeOf(chain.valueType);
  if (chain.pointCount == 0) {
    const unsigned first = NewChunk(chain);
    chain.firstOffset = first;
    chain.currentOffset = first;
    chain.usedInCurrent = 0;
  } else if (chain.usedInCurrent == chain.capacity) {
    const unsigned next = NewChunk(chain);
    Get_Values_p()->WriteData(chain.currentOffset + indexSize, &next, 1, 4);
    chain.currentOffset = next;
    chain.usedInCurrent = 0;
  }
  chain.nextIndexOffset = chain.currentOffset + 2 * indexSize + chain.usedInCurrent * indexSize;
  chain.nextValueOffset =
      chain.currentOffset + 2 * indexSize + chain.capacity * indexSize + chain.usedInCurrent * valueSize;
  const int last = Get_SharedXSet_p()->Get_LastXIndex();
  Get_Values_p()->WriteData(chain.nextIndexOffset, &last, 1, 4);
  WriteValuesAt(chain.valueType, chain.nextValueOffset, value, 1);
  ++chain.usedInCurrent;
  ++chain.pointCount;
  Set_PointCountDirty();
}
