// ZELI_SimResultWriter and ZELI_SimResultSubset: creation, waveforms and
// their data writers, cycles and data fronts, and the ends of writing.
#include "waveforms/sim_result_writer.h"

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "model/segment.h"
#include "store/bitset.h"
#include "types/type.h"
#include "waveforms/data_writer_support.h"
#include "waveforms/front_data_sets.h"
#include "waveforms/waveform.h"

// ---- subset ---------------------------------------------------------------------------

ZELI_SimResultSubset::ZELI_SimResultSubset(ZELI_SimResultWriter& writer, zel_storageMode_t mode)
    : writer_(&writer), mode_(mode), presence_(std::make_unique<ZELI_Bitset>()) {
  ZELI_SharedXSet& set = *writer.Get_SharedXSet_p();
  std::unique_ptr<ZELI_DataSet> dataSet;
  if (mode == ZEL_STORAGE_ANALOG) {
    auto analog = std::make_unique<ZELI_AnalogFrontDataSet>(set);
    analog_ = analog.get();
    dataSet = std::move(analog);
  } else {
    dataSet = std::make_unique<ZELI_DigitalFrontDataSet>(set);
  }
  dataSet_ = dataSet.get();
  set.Add_DataSet_p(std::move(dataSet));
}

ZELI_SimResultSubset::~ZELI_SimResultSubset() {
  for (const auto& slab : slabs_) ZELI_UnregisterDataWriters(slab.get());
}

unsigned ZELI_SimResultSubset::Add_Waveform_p(ZELI_SourceWaveform* waveform) {
  if (waveform == nullptr) throw ZELI_BadArgException("waveform is null");
  if (waveform->Get_WaveformSet_p() != writer_->Get_Segment().Get_WaveformSet_p()) {
    throw ZELI_BadArgException("The waveform does not belong to the waveform set of the writer's segment.");
  }
  // Room first, so that nothing can fail once the data set holds the waveform.
  const unsigned index = Get_DataWriterCount();
  ZELI_ReserveOneMore(dataWriters_);
  if (index % SlabSize == 0 && index / SlabSize == slabs_.size()) {
    ZELI_ReserveOneMore(slabs_);
    std::unique_ptr<ZEL_SimWfDataWriter[]> slab(new ZEL_SimWfDataWriter[SlabSize]);
    ZELI_RegisterDataWriters(slab.get(), SlabSize, sizeof(ZEL_SimWfDataWriter), ZELI_DataWriterKind::SIMULATION);
    slabs_.push_back(std::move(slab));
  }
  const unsigned position = dataSet_->Add_Waveform_p(waveform);
  if (position != index) {
    try {
      dataSet_->Delete_Waveform_p(waveform, position);
    } catch (...) {
    }
    throw ZELI_FailedException("ZELI_SimResultSubset::Add_Waveform_p implementation");
  }
  ZEL_SimWfDataWriter* dataWriter = &slabs_[index / SlabSize][index % SlabSize];
  dataWriter->dataSet = dataSet_;
  dataWriter->position = position;
  dataWriter->presence = presence_.get();
  dataWriter->subset = this;
  dataWriters_.push_back(dataWriter);
  return position;
}

unsigned ZELI_SimResultSubset::Get_WaveformCount() const { return dataSet_->Get_OccupiedCount(); }

bool ZELI_SimResultSubset::Uses(const ZELI_ExternalBase* object) const {
  if (object == nullptr || object->Get_Key() < 0) return false;
  for (unsigned position = 0; position < dataSet_->Get_PositionCount(); ++position) {
    if (dataSet_->Get_WaveformKey(position) == object->Get_Key()) return true;
  }
  return false;
}

ZELI_SourceWaveform* ZELI_SimResultSubset::Get_Waveform_p(unsigned index) const {
  return dataSet_->Get_Waveform_p(index);
}

ZEL_SimWfDataWriter* ZELI_SimResultSubset::Get_SimWfDataWriter_p(unsigned index) const {
  if (index >= dataWriters_.size()) throw ZELI_BadArgException("ZELI_SimResultSubset::Get_SimWfDataWriter_p index");
  return dataWriters_[index];
}

void ZELI_SimResultSubset::Set_InterpolationType(zel_interpolation_t interpolation) {
  if (interpolation == ZEL_INTERPOLATION_MIXED) throw ZELI_BadArgException("Cannot set ZEL_INTERPOLATION_MIXED");
  if (interpolation == ZEL_INTERPOLATION_DEFAULT) throw ZELI_BadArgException("Cannot set ZEL_INTERPOLATION_DEFAULT");
  if (interpolation < ZEL_INTERPOLATION_NONE || interpolation > ZEL_INTERPOLATION_POLYNOMIAL) {
    throw ZELI_BadArgException("Invalid interpolation type");
  }
  dataSet_->Set_InterpolationType(interpolation);
  dataSet_->Set_DataStoreDirty();
}

void ZELI_SimResultSubset::StartDataFront(int order) {
  if (frontActive_) throw ZELI_FailedException("A data front has already been started.");
  if (!writer_->IsCycleActive()) throw ZELI_FailedException("The writing cycle is not active.");
  if (analog_ != nullptr) analog_->Add_Point(order);
  presence_->Resize(Get_DataWriterCount());
  presence_->ClearAll();
  frontActive_ = true;
}

void ZELI_SimResultSubset::EnterFrontValues(unsigned first, unsigned count, const void* values) {
  if (!frontActive_) throw ZELI_FailedException("The data front is not active.");
  const uint64_t end = uint64_t{first} + count;
  if (end > Get_DataWriterCount()) {
    throw ZELI_BadArgException("The waveforms first .. first + count - 1 are not all in the subset.");
  }
  if (count == 0) return;
  ZELI_RequireArgument(values, "values is null");
  const auto last = static_cast<unsigned>(end);
  if (presence_->AnyInRange(first, last)) throw ZELI_FailedException("The waveform already has a value.");
  if (analog_ != nullptr && analog_->EnterStagedValues(first, count, values)) {
    presence_->SetRange(first, last);
    return;
  }
  const char* value = static_cast<const char*>(values);
  for (unsigned position = first; position < last; ++position) {
    if (analog_ != nullptr) {
      analog_->EnterFrontValue(position, value);
    } else {
      dataSet_->EnterValues(position, value, 1);
    }
    presence_->Set(position);
    value += dataSet_->Get_Waveform_p(position)->Get_YType_p()->Get_SizeOf();
  }
}

void ZELI_SimResultSubset::EndDataFront() {
  if (!frontActive_) throw ZELI_FailedException("The data front is not active.");
  if (!CloseFront()) throw ZELI_FailedException("Some waveforms do not have a value.");
}

void ZELI_SimResultSubset::EndOpenDataFront() {
  if (frontActive_) CloseFront();
}

bool ZELI_SimResultSubset::CloseFront() {
  frontActive_ = false;
  if (analog_ == nullptr || presence_->Count() == Get_DataWriterCount()) return true;
  for (unsigned position = 0; position < Get_DataWriterCount(); ++position) {
    if (!presence_->Test(position)) analog_->HoldPreviousValue(position);
  }
  return false;
}

void ZELI_SimResultSubset::CheckReadyForWriting() const {
  if (analog_ != nullptr && analog_->Get_OccupiedCount() == 0) {
    throw ZELI_BadArgException("ZELI_AnalogFrontDataSet has no waveforms.");
  }
}

// ---- writer ---------------------------------------------------------------------------

ZELI_SimResultWriter::ZELI_SimResultWriter(ZELI_Segment& segment, unsigned store) {
  segment.CheckDataStore(store);
  sharedXSet_ = segment.Add_SharedXSet_p(std::make_unique<ZELI_SharedXSet>(segment, store));
  sharedXSet_->Set_Writer(this);
}

ZELI_SimResultWriter::~ZELI_SimResultWriter() {
  if (sharedXSet_ != nullptr && sharedXSet_->Get_Writer_p() == this) sharedXSet_->Set_Writer(nullptr);
}

ZELI_SimResultSubset* ZELI_SimResultWriter::Add_Subset_p(zel_storageMode_t mode) {
  // A data set added now would miss the initialization.
  if (initialized_ || sharedXSet_->IsWritingInitialized()) {
    throw ZELI_FailedException("Subsets cannot be added once writing has been initialized.");
  }
  ZELI_ReserveOneMore(subsets_);
  subsets_.push_back(std::make_unique<ZELI_SimResultSubset>(*this, mode));
  return subsets_.back().get();
}

void ZELI_SimResultWriter::Remove_LastSubset() noexcept {
  if (!subsets_.empty()) subsets_.pop_back();
}

ZELI_SimResultSubset* ZELI_SimResultWriter::Get_Subset_p(unsigned index) const {
  if (index >= subsets_.size()) throw ZELI_BadArgException("Subset index out of range.");
  return subsets_[index].get();
}

void ZELI_SimResultWriter::InitializeWriting() {
  if (initialized_) throw ZELI_FailedException("Writing has already been initialized.");
  // Terminated: the data sets refuse a second initialization.
  if (sharedXSet_->IsWritingInitialized()) throw ZELI_DuplicateException("Duplicate initialization of DataSet.");
  // Every subset is checked before any data set is initialized, so that a
  // caller who mends the fault can try again.
  for (const auto& subset : subsets_) subset->CheckReadyForWriting();
  sharedXSet_->StartWriting();
  initialized_ = true;
}

void ZELI_SimResultWriter::TerminateWriting() {
  if (!initialized_) throw ZELI_FailedException("Writing is not in progress.");
  if (cycleActive_) throw ZELI_FailedException("A writing cycle is active.");
  sharedXSet_->CloseMemory();
  initialized_ = false;
}

void ZELI_SimResultWriter::StartCycle(const void* x) {
  if (!initialized_) throw ZELI_FailedException("Writing is not in progress.");
  if (cycleActive_) throw ZELI_FailedException("The writing cycle is already active.");
  if (x == nullptr) throw ZELI_BadArgException("X value is null");
  sharedXSet_->Add_XData(x, 1);
  cycleActive_ = true;
}

void ZELI_SimResultWriter::EndCycle() {
  if (!cycleActive_) throw ZELI_FailedException("The writing cycle is not active.");
  for (const auto& subset : subsets_) {
    if (subset->IsFrontActive()) throw ZELI_FailedException("There are active subsets.");
  }
  cycleActive_ = false;
}

void ZELI_SimResultWriter::Set_XMonotonicity(zel_monotonicity_t monotonicity) {
  sharedXSet_->Set_XMonotonicity(monotonicity);
}

void ZELI_SimResultWriter::Set_XDataSpacing(zel_dataSpacing_t spacing) { sharedXSet_->Set_XDataSpacing(spacing); }

void ZELI_SimResultWriter::Set_XMinMax(const void* min, const void* max) { sharedXSet_->Set_XMinMax(min, max); }

void ZELI_SimResultWriter::Unset_XMinMax() { sharedXSet_->Unset_XMinMax(); }

bool ZELI_SimResultWriter::Uses(const ZELI_ExternalBase* object) const {
  for (const auto& subset : subsets_) {
    if (subset->Uses(object)) return true;
  }
  return false;
}

void ZELI_SimResultWriter::Shutdown() {
  if (cycleActive_) {
    for (const auto& subset : subsets_) subset->EndOpenDataFront();
    cycleActive_ = false;
  }
  if (initialized_) TerminateWriting();
  sharedXSet_->Shutdown();
}

void ZELI_SimResultWriter::Abandon() {
  if (!initialized_) return;
  sharedXSet_->CloseMemory();
  initialized_ = false;
  cycleActive_ = false;
}
