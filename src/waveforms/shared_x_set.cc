// ZELI_SharedXSet: X values, data sets, writing, shutdown, garbage
// collection and the diagnostic dump. Records are in data_set_record.cc.
#include "waveforms/shared_x_set.h"

#include <algorithm>
#include <iostream>

#include "errors/exceptions.h"
#include "model/segment.h"
#include "model/container.h"
#include "store/memory_file.h"
#include "types/type.h"
#include "waveforms/data_set.h"
#include "waveforms/one_waveform_data_set.h"

namespace {

constexpr unsigned DataSetReserve = 128;

}  // namespace

ZELI_SharedXSet::ZELI_SharedXSet(ZELI_Segment& segment, unsigned dataStore)
    : segment_(&segment), dataStore_(dataStore), xInformation_(segment.Get_XType_p()) {
  segment.CheckDataStore(dataStore);
  Set_Key(segment.Get_HandleConvertor_p(dataStore)->Insert(this));
  try {
    xValues_ = std::make_unique<ZELI_ArrayDataSet>(*this, segment.Get_XType_p());
  } catch (...) {
    segment.Get_HandleConvertor_p(dataStore)->Erase(Get_Key());
    throw;
  }
}

ZELI_SharedXSet::ZELI_SharedXSet(ZELI_Segment& segment, unsigned dataStore, ReadTag)
    : segment_(&segment), dataStore_(dataStore), xInformation_(segment.Get_XType_p()) {}

ZELI_SharedXSet::~ZELI_SharedXSet() = default;

// The X values' kept array carries a copy of the X data information, which
// may be what changed.
void ZELI_SharedXSet::Set_DataStoreDirty() {
  if (xValues_) xValues_->ForgetCachedArrays();
  segment_->Set_DataStoreDirty(dataStore_);
}

void ZELI_SharedXSet::ForgetCachedArrays() noexcept {
  if (xValues_) xValues_->ForgetCachedArrays();
  for (auto& dataSet : dataSets_) {
    if (dataSet) dataSet->ForgetCachedArrays();
  }
}

ZELI_DataSet* ZELI_SharedXSet::Get_DataSet_p(unsigned index) const {
  if (index >= dataSets_.size()) throw ZELI_FailedException("ZELI_SharedXSet::Get_DataSet_p index");
  return dataSets_[index].get();
}

unsigned ZELI_SharedXSet::Add_DataSet_p(std::unique_ptr<ZELI_DataSet> dataSet) {
  unsigned index;
  if (!freeIndices_.empty()) {
    index = freeIndices_.back();
    freeIndices_.pop_back();
  } else {
    if (dataSets_.capacity() == dataSets_.size()) dataSets_.reserve(dataSets_.size() + DataSetReserve);
    index = static_cast<unsigned>(dataSets_.size());
    dataSets_.emplace_back();
  }
  dataSet->Set_IndexInSharedXSet(index);
  dataSets_[index] = std::move(dataSet);
  Set_DataStoreDirty();
  return index;
}

void ZELI_SharedXSet::Add_XData(const void* values, unsigned n) { xValues_->Add_Data(values, n); }

void ZELI_SharedXSet::Add_XDataSimp(const void* values, unsigned n, zel_bool_t) {
  if (n > 0 && values == nullptr) throw ZELI_BadArgException("X values is null");
  ZELI_Type* type = xValues_->Get_ValueType_p();
  xValues_->Add_Data(values, n);
  const zel_dataType_t kind = type->Get_DataType();
  if (kind != ZEL_REAL && kind != ZEL_FLOAT && kind != ZEL_COMPLEX) return;
  const unsigned size = type->Get_SizeOf();
  const char* bytes = static_cast<const char*>(values);
  simpValues_.insert(simpValues_.end(), bytes, bytes + uint64_t{n} * size);
  if (type->IsScalar()) {
    // A copy, so that a failing determination leaves the information as it was.
    ZELI_DataInformation information(xInformation_);
    information.DetermineMonMinMax(simpValues_.data(), static_cast<unsigned>(simpValues_.size() / size));
    xInformation_ = information;
  }
}

unsigned ZELI_SharedXSet::Get_XCount() const { return xValues_ ? xValues_->Get_Count() : 0; }

int ZELI_SharedXSet::Get_LastXIndex() const { return static_cast<int>(Get_XCount()) - 1; }

void ZELI_SharedXSet::Set_XMonotonicity(zel_monotonicity_t monotonicity) {
  Set_DataStoreDirty();
  xInformation_.Set_Monotonicity(monotonicity);
}

void ZELI_SharedXSet::Set_XDataSpacing(zel_dataSpacing_t spacing) {
  Set_DataStoreDirty();
  xInformation_.Set_DataSpacing(spacing);
}

void ZELI_SharedXSet::Set_XMinMax(const void* min, const void* max) {
  if (min == nullptr || max == nullptr) throw ZELI_BadArgException("min or max is null");
  Set_DataStoreDirty();
  xInformation_.Set_MinMax(min, max);
}

void ZELI_SharedXSet::Unset_XMinMax() {
  Set_DataStoreDirty();
  xInformation_.Unset_MinMax();
}

void ZELI_SharedXSet::InitializeWriting() {
  if (writingInitialized_) throw ZELI_DuplicateException("Duplicate initialization of DataSet.");
  Set_DataStoreDirty();
  xValues_->InitializeWriting();
  for (auto& dataSet : dataSets_) {
    if (dataSet) dataSet->InitializeWriting();
  }
  writingInitialized_ = true;
}

void ZELI_SharedXSet::StartWriting() {
  OpenMemory(ZEL_IOMODE_WRITE);
  try {
    InitializeWriting();
  } catch (...) {
    try {
      CloseMemory();
    } catch (...) {
    }
    throw;
  }
}

void ZELI_SharedXSet::OpenMemory(zel_iomode_t mode) {
  if (memoryOpen_) throw ZELI_FailedException("ZELI_SharedXSet::OpenMemory: already open");
  segment_->OpenMemoryFile(dataStore_, mode);
  std::vector<ZELI_DataSet*> opened;
  try {
    xValues_->OpenMemoryArrays(mode);
    opened.push_back(xValues_.get());
    for (auto& dataSet : dataSets_) {
      if (!dataSet) continue;
      dataSet->OpenMemoryArrays(mode);
      opened.push_back(dataSet.get());
    }
  } catch (...) {
    for (ZELI_DataSet* dataSet : opened) {
      try {
        dataSet->CloseMemoryArrays();
      } catch (...) {
      }
    }
    segment_->CloseMemoryFile(dataStore_);
    throw;
  }
  memoryOpen_ = true;
}

void ZELI_SharedXSet::CloseMemory() {
  if (!memoryOpen_) return;
  ZELI_MemoryFile* file = segment_->Get_MemoryFile_p(dataStore_);
  {
    // Each array closed would release its own blocks, one small write
    // apiece (a writer of 100,000 short waveforms holds 100,000 blocks);
    // held, they go out together below, in runs of adjacent pages.
    ZELI_MemoryFile::IdleBlockHold hold(*file);
    xValues_->CloseMemoryArrays();
    for (auto& dataSet : dataSets_) {
      if (dataSet) dataSet->CloseMemoryArrays();
    }
  }
  memoryOpen_ = false;
  // The last close of the store writes back and releases every block; a
  // store still open for another shared X set releases the idle ones now.
  const bool stillOpen = segment_->Get_OpenCount(dataStore_) > 1;
  segment_->CloseMemoryFile(dataStore_);
  if (stillOpen) file->FreePages(0);
}

ZELI_SharedXSetReading::ZELI_SharedXSetReading(ZELI_SharedXSet& set) {
  if (set.IsMemoryOpen()) return;
  set.OpenMemory(set.Get_Segment().Get_OpenMode(set.Get_DataStoreIndex()));
  opened_ = &set;
}

ZELI_SharedXSetReading::~ZELI_SharedXSetReading() {
  try {
    if (opened_ != nullptr) opened_->CloseMemory();
  } catch (...) {
    // Reading wrote nothing; a failure to close is reported by Close.
  }
}

void ZELI_SharedXSetReading::Close() {
  ZELI_SharedXSet* set = opened_;
  opened_ = nullptr;
  if (set != nullptr) set->CloseMemory();
}

void ZELI_SharedXSet::FlushStaged() {
  for (auto& dataSet : dataSets_) {
    if (dataSet) dataSet->FlushStaged();
  }
}

void ZELI_SharedXSet::Shutdown() {
  bool anyFront = false;
  bool anySparse = false;
  bool anyDense = false;
  for (auto& dataSet : dataSets_) {
    if (!dataSet) continue;
    const unsigned type = dataSet->Get_DataSetType();
    if (type == ZELI_DataSet::Array) throw ZELI_FailedException("ZELI_SharedXSet::Shutdown: ArrayDataSet");
    if (type > ZELI_DataSet::Digital_Front) throw ZELI_FailedException("ZELI_SharedXSet::Shutdown: DataSetType?");
    if (type == ZELI_DataSet::One_Waveform) {
      (static_cast<ZELI_OneWaveformDataSet&>(*dataSet).IsSparse() ? anySparse : anyDense) = true;
    } else {
      anyFront = true;
    }
  }
  if ((anyFront && (anySparse || anyDense)) || (anySparse && anyDense)) {
    throw ZELI_FailedException("ZELI_SharedXSet::Shutdown: mixed type");
  }
  if (!anyDense) return;
  unsigned smallest = xValues_->Get_Count();
  for (auto& dataSet : dataSets_) {
    if (dataSet && !dataSet->IsEmpty()) {
      for (unsigned p = 0; p < dataSet->Get_PositionCount(); ++p) {
        if (dataSet->Get_WaveformKey(p) != -1) smallest = std::min(smallest, dataSet->Get_PointCount(p));
      }
    }
  }
  xValues_->Synchronize(smallest);
  for (auto& dataSet : dataSets_) {
    if (dataSet && !dataSet->IsEmpty()) dataSet->Synchronize(smallest);
  }
  if (simpValues_.size() > uint64_t{smallest} * xValues_->Get_ValueType_p()->Get_SizeOf()) {
    simpValues_.resize(uint64_t{smallest} * xValues_->Get_ValueType_p()->Get_SizeOf());
  }
}

bool ZELI_SharedXSet::HasDataSets() const {
  for (const auto& dataSet : dataSets_) {
    if (dataSet) return true;
  }
  return false;
}

void ZELI_SharedXSet::CollectGarbage() {
  // The data writers of an attached writer point at its data sets.
  if (writer_ != nullptr) return;
  for (unsigned index = 0; index < dataSets_.size(); ++index) {
    std::unique_ptr<ZELI_DataSet>& dataSet = dataSets_[index];
    if (!dataSet || !dataSet->IsEmpty()) continue;
    dataSet->Discard();
    dataSet.reset();
    freeIndices_.push_back(index);
    Set_DataStoreDirty();
  }
}

void ZELI_SharedXSet::Discard() {
  for (auto& dataSet : dataSets_) {
    if (dataSet) dataSet->Discard();
  }
  if (xValues_) xValues_->Discard();
  ZELI_KeyMap<ZELI_InternalBase>* convertor = segment_->Get_HandleConvertor_p(dataStore_);
  if (convertor->IsLive(Get_Key()) && (*convertor)[Get_Key()] == this) convertor->Erase(Get_Key());
}

void ZELI_SharedXSet::Debug() const { Debug(std::cout); }

void ZELI_SharedXSet::Debug(std::ostream& out) const {
  out << '\n';
  out << "--------------------\n";
  out << "SharedXSet # " << indexInSegment_ << ", Key = " << Get_Key() << '\n';
  out << "--------------------\n";
  out << "dataStoreIndex     " << dataStore_ << '\n';
  out << "dataSet count      " << dataSets_.size() << '\n';
  out << "deletedIndex count " << freeIndices_.size() << '\n';
  if (xValues_) {
    out << '\n' << "X Values DataSet:\n";
    xValues_->Debug(out);
  } else {
    out << "No X Values DataSet\n";
  }
  for (const auto& dataSet : dataSets_) {
    out << '\n' << "Waveform DataSet:\n";
    if (dataSet) dataSet->Debug(out);
  }
  for (unsigned index : freeIndices_) out << "  " << index << '\n';
  out.flush();
}
