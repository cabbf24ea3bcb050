// Analog_Front and Digital_Front data sets: block and chunk layouts of the
// values array (see front_data_sets.h for the geometry).
#include "waveforms/front_data_sets.h"

#include <algorithm>
#include <cstring>

#include "errors/exceptions.h"
#include "model/container.h"
#include "store/memory_array.h"
#include "store/memory_file.h"
#include "types/type.h"
#include "waveforms/shared_x_set.h"
#include "waveforms/waveform.h"

namespace {

ZELI_Type* InternalInteger(ZELI_Container& container) {
  return container.Get_TypeTable().Get_InternalIntegerType_p();
}

// Adds pages to the page budget of the values' file once (budget remembers
// what was added; see front_data_sets.h).
void TakePageBudget(ZELI_MemoryArray* values, uint64_t pages, unsigned& budget) {
  ZELI_MemoryFile* file = values != nullptr ? values->Get_MemoryFile_p() : nullptr;
  if (budget != 0 || file == nullptr) return;
  budget = static_cast<unsigned>(std::min<uint64_t>(pages, UINT32_MAX / 2));
  file->Add_PageBudget(budget);
}

void ReturnPageBudget(ZELI_MemoryArray* values, unsigned& budget) noexcept {
  ZELI_MemoryFile* file = values != nullptr ? values->Get_MemoryFile_p() : nullptr;
  if (budget != 0 && file != nullptr) file->Remove_PageBudget(budget);
  budget = 0;
}

}  // namespace

// ---- Analog_Front ----------------------------------------------------------------------

ZELI_AnalogFrontDataSet::ZELI_AnalogFrontDataSet(ZELI_SharedXSet& sharedXSet)
    : ZELI_DataSet(Analog_Front, sharedXSet),
      xIndices_(std::make_unique<ZELI_ArrayDataSet>(sharedXSet, InternalInteger(Container()))) {}

ZELI_AnalogFrontDataSet::~ZELI_AnalogFrontDataSet() { ReturnPageBudget(Get_Values_p(), pageBudget_); }

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
  valueSize_ = valueSize;
  const uint64_t perWaveform = uint64_t{pointsPerBlock_} * valueSize;
  RequireWithin4GiB(perWaveform * waveforms, "ZELI_AnalogFrontDataSet::InitializeWriting");
  blockBytesPerWaveform_ = static_cast<unsigned>(perWaveform);
  blockBytesPerFront_ = static_cast<unsigned>(perWaveform * waveforms);
}

void ZELI_AnalogFrontDataSet::InitializeWriting() {
  if (IsInitialized()) throw ZELI_DuplicateException("Duplicate initialization of DataSet.");
  if (Get_OccupiedCount() == 0) throw ZELI_BadArgException("ZELI_AnalogFrontDataSet has no waveforms.");
  ComputeGeometry();
  if (!valueType_->HoldsStrings()) {
    tilePoints_ = std::min(pointsPerBlock_, std::max(1u, TileBytes / valueSize_));
    staging_.assign(uint64_t{Get_PositionCount()} * tilePoints_ * valueSize_, 0);
    tile_.assign(uint64_t{TileGroup} * tilePoints_ * valueSize_, 0);
  }
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
  if (Get_Values_p()->IsOpen()) FlushStaged();
  xIndices_->CloseMemoryArrays();
  if (orders_) orders_->CloseMemoryArrays();
  ZELI_DataSet::CloseMemoryArrays();
  ReturnPageBudget(Get_Values_p(), pageBudget_);
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
  // All or nothing: what may fail (writing the tiles out, mapping a new
  // block, appending the X index and the order) comes before anything is
  // counted, and a failed order takes its X index back, so that the X
  // indices, the orders and the point count always agree.
  // The tiles hold points of one block only.
  if (stagedCount_ == tilePoints_ || (i % pointsPerBlock_ == 0 && stagedCount_ > 0)) FlushStaged();
  if (i % pointsPerBlock_ == 0) {
    // The window's pages, one more where it straddles a page boundary.
    TakePageBudget(Get_Values_p(), uint64_t{blockBytesPerFront_} / Get_Values_p()->Get_PageSize() + 2, pageBudget_);
    // The finished block's window goes first: within the budget its pages
    // stay resident, idle, until the new window needs room, so the file
    // writes them back then and builds the new block in their memory
    // instead of holding both (a page shared by the two blocks is read
    // back from the file).
    if (i > 0) Get_Values_p()->Access(0, 0);
    Get_Values_p()->RandomlyAccess(static_cast<unsigned>(blockStart), blockBytesPerFront_);
  }
  const int last = Get_SharedXSet_p()->Get_LastXIndex();
  xIndices_->Add_Data(&last, 1);
  if (orders_) {
    try {
      orders_->Add_Data(&order, 1);
    } catch (...) {
      xIndices_->Synchronize(pointCount_);
      throw;
    }
  }
  currentOffset_ = static_cast<unsigned>(ValueOffset(0, i));
  if (tilePoints_ > 0) {
    if (stagedCount_ == 0) stagedFirst_ = i;
    ++stagedCount_;
    // A value never entered reads as zero bytes, as in a block written in
    // place (the row still holds a point of the tile before). Cleared here,
    // where the front is about to write the row anyway.
    std::memset(StagedValue(0, i), 0, uint64_t{Get_PositionCount()} * valueSize_);
    if (valueSize_ == sizeof(double)) {
      stagedRow_ = StagedValue(0, i);
      stagedRowPositions_ = Get_PositionCount();
    }
  }
  ++pointCount_;
  Set_PointCountDirty();
}

void ZELI_AnalogFrontDataSet::EnterValues(unsigned position, const void* values, unsigned n) {
  AssertIsValidIndex(position);
  if (n != 1) throw ZELI_BadArgException("EnterValues nPoints != 1");
  if (pointCount_ == 0) throw ZELI_FailedException("ZELI_AnalogFrontDataSet::EnterValues: no point started");
  // The value belongs to a point already counted: what was kept misses it.
  ForgetCachedArrays();
  if (IsStaged(pointCount_ - 1)) {
    if (values == nullptr) throw ZELI_BadArgException("values is null");
    std::memcpy(StagedValue(position, pointCount_ - 1), values, valueSize_);
    return;
  }
  WriteValuesAt(valueType_, currentOffset_ + blockBytesPerWaveform_ * position, values, 1);
}

bool ZELI_AnalogFrontDataSet::EnterStagedValues(unsigned first, unsigned count, const void* values) {
  if (pointCount_ == 0 || !IsStaged(pointCount_ - 1) || uint64_t{first} + count > Get_PositionCount()) return false;
  if (count == 0) return true;
  ForgetCachedArrays();
  // A staged row holds the point's values position after position.
  std::memcpy(StagedValue(first, pointCount_ - 1), values, uint64_t{count} * valueSize_);
  return true;
}

void ZELI_AnalogFrontDataSet::HoldPreviousValue(unsigned position) {
  AssertIsValidIndex(position);
  if (pointCount_ == 0) throw ZELI_FailedException("ZELI_AnalogFrontDataSet::HoldPreviousValue: no point started");
  const unsigned i = pointCount_ - 1;
  // Raw bytes: a string's 4-byte reference names the same text.
  std::vector<char> bytes(valueSize_, 0);
  if (i > 0 && IsStaged(i - 1)) {
    std::memcpy(bytes.data(), StagedValue(position, i - 1), valueSize_);
  } else if (i > 0) {
    Get_Values_p()->ReadData(static_cast<unsigned>(ValueOffset(position, i - 1)), bytes.data(), valueSize_, 1);
  } else if (valueType_->HoldsStrings()) {
    const char* empty = "";
    WriteValuesAt(valueType_, static_cast<unsigned>(ValueOffset(position, i)), &empty, 1);
    return;
  }
  if (IsStaged(i)) {
    std::memcpy(StagedValue(position, i), bytes.data(), valueSize_);
  } else {
    Get_Values_p()->WriteData(static_cast<unsigned>(ValueOffset(position, i)), bytes.data(), valueSize_, 1);
  }
}

void ZELI_AnalogFrontDataSet::FlushStaged() {
  if (stagedCount_ == 0) return;
  // Positions go in groups of TileGroup: a front's cache line holds values
  // of neighbouring positions, so each line is read once per group.
  const unsigned positions = Get_PositionCount();
  const uint64_t run = uint64_t{stagedCount_} * valueSize_;
  ZELI_MemoryArray* values = Get_Values_p();
  for (unsigned group = 0; group < positions; group += TileGroup) {
    const unsigned members = std::min(TileGroup, positions - group);
    // The group's runs go straight into the block where the array holds
    // them contiguously in memory (the block window that Add_Point pins,
    // one allocation when its pages are consecutive), else through the tile
    // and one write per position.
    values->Seek(static_cast<unsigned>(ValueOffset(group, stagedFirst_)));
    const uint64_t span = uint64_t{members - 1} * blockBytesPerWaveform_ + run;
    char* const direct = values->Get_AvailableBytes() >= span ? values->Get_Address() : nullptr;
    char* const base = direct != nullptr ? direct : tile_.data();
    const uint64_t stride = direct != nullptr ? blockBytesPerWaveform_ : run;
    for (unsigned k = 0; k < stagedCount_; ++k) {
      const char* row = StagedValue(group, stagedFirst_ + k);
      char* to = base + uint64_t{k} * valueSize_;
      for (unsigned m = 0; m < members; ++m, to += stride, row += valueSize_) {
        if (valueSize_ == sizeof(double)) {  // a copy of constant size is a move
          std::memcpy(to, row, sizeof(double));
        } else {
          std::memcpy(to, row, valueSize_);
        }
      }
    }
    if (direct != nullptr) continue;
    for (unsigned m = 0; m < members; ++m) {
      values->WriteData(static_cast<unsigned>(ValueOffset(group + m, stagedFirst_)), tile_.data() + m * run,
                        static_cast<unsigned>(run), 1);
    }
  }
  stagedCount_ = 0;
  stagedRow_ = nullptr;
}

void ZELI_AnalogFrontDataSet::Get_Value(unsigned position, unsigned i, void* value) const {
  AssertIsValidIndex(position);
  if (i >= pointCount_) throw ZELI_BadArgException("ZELI_AnalogFrontDataSet::Get_Value: point index");
  if (IsStaged(i)) {
    std::memcpy(value, StagedValue(position, i), valueSize_);
    return;
  }
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
  if (IsStaged(pointCount_ - 1)) --stagedCount_;
  stagedRow_ = nullptr;
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

ZELI_DigitalFrontDataSet::~ZELI_DigitalFrontDataSet() { ReturnPageBudget(Get_Values_p(), pageBudget_); }

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

unsigned ZELI_DigitalFrontDataSet::AppendChunk() {
  ZELI_MemoryArray* values = Get_Values_p();
  const unsigned offset = values->Get_Size();
  RequireWithin4GiB(uint64_t{offset} + ZELI_DigitalWfChunk::ChunkBytes, "ZELI_DigitalFrontDataSet::EnterValues");
  values->Extend(ZELI_DigitalWfChunk::ChunkBytes);
  TakePageBudget(values, 2 * uint64_t{Get_PositionCount()} * ZELI_DigitalWfChunk::ChunkBytes / values->Get_PageSize() + 16,
                 pageBudget_);
  return offset;
}

void ZELI_DigitalFrontDataSet::StartKeptChunk(ZELI_DigitalWfChunk& chain) {
  const int header[2] = {static_cast<int>(chain.capacity), 0};
  std::memset(chain.current, 0, sizeof chain.current);
  std::memcpy(chain.current, header, sizeof header);
  chain.dirty = true;
}

unsigned ZELI_DigitalFrontDataSet::NewChunk(ZELI_DigitalWfChunk& chain, bool kept) {
  const unsigned offset = AppendChunk();
  if (kept) {
    StartKeptChunk(chain);
  } else {
    const int header[2] = {static_cast<int>(chain.capacity), 0};
    Get_Values_p()->WriteData(offset, header, 2, 4);
  }
  return offset;
}

void ZELI_DigitalFrontDataSet::WriteChunk(ZELI_DigitalWfChunk& chain) {
  if (!chain.dirty) return;
  Get_Values_p()->WriteData(chain.currentOffset, chain.current, ZELI_DigitalWfChunk::ChunkBytes, 1);
  chain.dirty = false;
}

void ZELI_DigitalFrontDataSet::FlushStaged() {
  for (auto& chain : chunks_) {
    if (chain) WriteChunk(*chain);
  }
}

void ZELI_DigitalFrontDataSet::CloseMemoryArrays() {
  if (Get_Values_p()->IsOpen()) FlushStaged();
  ZELI_DataSet::CloseMemoryArrays();
  ReturnPageBudget(Get_Values_p(), pageBudget_);
}

void ZELI_DigitalFrontDataSet::EnterValues(unsigned position, const void* value, unsigned n) {
  AssertIsValidIndex(position);
  if (n != 1) throw ZELI_BadArgException("EnterValues nPoints != 1");
  if (value == nullptr) throw ZELI_BadArgException("values is null");
  ZELI_DigitalWfChunk& chain = *chunks_.at(position);
  const unsigned indexSize = StoredSizeOf(chain.indexType);
  const unsigned valueSize = StoredSizeOf(chain.valueType);
  const bool kept = !chain.valueType->HoldsStrings();
  if (chain.pointCount == 0) {
    const unsigned first = NewChunk(chain, kept);
    chain.firstOffset = first;
    chain.currentOffset = first;
    chain.usedInCurrent = 0;
  } else if (chain.usedInCurrent == chain.capacity) {
    // The full chunk is linked and written before the chain moves on: until
    // that write succeeded, the kept chunk is still the full one, so that a
    // failure here leaves the chain as it was and nothing later (a retry, the
    // close) writes an empty chunk over committed points. A failure after
    // the extension only leaves 128 unused bytes in the array.
    const unsigned fullOffset = chain.currentOffset;
    const unsigned next = AppendChunk();
    if (kept) {
      unsigned char full[ZELI_DigitalWfChunk::ChunkBytes];
      std::memcpy(full, chain.current, sizeof full);
      std::memcpy(full + indexSize, &next, 4);
      Get_Values_p()->WriteData(fullOffset, full, sizeof full, 1);
    } else {
      const int header[2] = {static_cast<int>(chain.capacity), 0};
      Get_Values_p()->WriteData(next, header, 2, 4);
      Get_Values_p()->WriteData(fullOffset + indexSize, &next, 1, 4);
    }
    if (kept) StartKeptChunk(chain);
    chain.currentOffset = next;
    chain.usedInCurrent = 0;
  }
  const unsigned indexAt = 2 * indexSize + chain.usedInCurrent * indexSize;
  const unsigned valueAt = 2 * indexSize + chain.capacity * indexSize + chain.usedInCurrent * valueSize;
  chain.nextIndexOffset = chain.currentOffset + indexAt;
  chain.nextValueOffset = chain.currentOffset + valueAt;
  const int last = Get_SharedXSet_p()->Get_LastXIndex();
  if (kept) {
    std::memcpy(chain.current + indexAt, &last, 4);
    std::memcpy(chain.current + valueAt, value, valueSize);
    chain.dirty = true;
  } else {
    Get_Values_p()->WriteData(chain.nextIndexOffset, &last, 1, 4);
    WriteValuesAt(chain.valueType, chain.nextValueOffset, value, 1);
  }
  ++chain.usedInCurrent;
  ++chain.pointCount;
  Set_PointCountDirty();
}
