// ZELI_Writer: creation on a segment's data store, waveforms and their data
// writers, the state machine of front and array writing, activity and the
// ends of writing (termination, shutdown at close, deletion).
#include "waveforms/writer.h"

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "model/segment.h"
#include "store/bitset.h"
#include "waveforms/data_set.h"
#include "waveforms/one_waveform_data_set.h"
#include "waveforms/waveform.h"

ZELI_Writer::ZELI_Writer(ZELI_Segment& segment, unsigned store, zel_storageMode_t mode) : mode_(mode) {
  if (mode != ZEL_STORAGE_DIGITAL && mode != ZEL_STORAGE_ANALOG && mode != ZEL_STORAGE_SPARSE) {
    throw ZELI_BadArgException("Storage mode is invalid.");
  }
  segment.CheckDataStore(store);
  sharedXSet_ = segment.Add_SharedXSet_p(std::make_unique<ZELI_SharedXSet>(segment, store));
  sharedXSet_->Set_Writer(this);
}

ZELI_Writer::~ZELI_Writer() {
  if (sharedXSet_ != nullptr && sharedXSet_->Get_Writer_p() == this) sharedXSet_->Set_Writer(nullptr);
  // Each data writer leaves the registry of live ones as it is destroyed.
  dataWriters_.clear();
}

void ZELI_Writer::DataWriterDeleter::operator()(ZEL_WfDataWriter* p) const noexcept { delete p; }

bool ZELI_Writer::Uses(const ZELI_ExternalBase* object) const {
  if (object == nullptr || object->Get_Key() < 0) return false;
  for (const auto& dataWriter : dataWriters_) {
    if (dataWriter->dataSet->Get_WaveformKey(dataWriter->position) == object->Get_Key()) return true;
  }
  return false;
}

ZEL_WfDataWriter* ZELI_Writer::Add_Waveform_p(ZELI_SourceWaveform* waveform) {
  if (waveform == nullptr) throw ZELI_BadArgException("waveform is null");
  // A data set added now would miss the initialization and the opening of
  // the data store.
  if (state_ != CREATED) throw ZELI_FailedException("Waveforms cannot be added to the writer any more");
  if (waveform->Get_WaveformSet_p() != Get_Segment().Get_WaveformSet_p()) {
    throw ZELI_BadArgException("The waveform does not belong to the waveform set of the writer's segment.");
  }
  ZELI_ReserveOneMore(dataWriters_);
  auto dataSet = std::make_unique<ZELI_OneWaveformDataSet>(*sharedXSet_, mode_ == ZEL_STORAGE_SPARSE);
  ZELI_OneWaveformDataSet* added = dataSet.get();
  sharedXSet_->Add_DataSet_p(std::move(dataSet));
  try {
    const unsigned position = added->Add_Waveform_p(waveform);
    const unsigned index = static_cast<unsigned>(dataWriters_.size());
    std::unique_ptr<ZEL_WfDataWriter, DataWriterDeleter> dataWriter(new ZEL_WfDataWriter());
    dataWriter->writer = this;
    dataWriter->index = index;
    dataWriter->dataSet = added;
    dataWriter->position = position;
    dataWriter->presence = presence_.get();
    dataWriter->bitNumber = index;
    ZELI_RegisterDataWriter(dataWriter.get());
    dataWriters_.push_back(std::move(dataWriter));  // capacity reserved above
  } catch (...) {
    // The data set is empty unless its waveform was registered; either way
    // it goes again.
    try {
      if (!added->IsEmpty()) added->Delete_Waveform_p(waveform, 0);
      // Collection skips a shared X set with a writer attached.
      sharedXSet_->Set_Writer(nullptr);
      sharedXSet_->CollectGarbage();
    } catch (...) {
    }
    sharedXSet_->Set_Writer(this);
    throw;
  }
  return dataWriters_.back().get();
}

void ZELI_Writer::RequireState(State wanted, const char* message) const {
  if (state_ != wanted) throw ZELI_FailedException(message);
}

void ZELI_Writer::Initialize(State next) {
  RequireState(CREATED, "Initialize writing called out of sequence");
  sharedXSet_->StartWriting();
  state_ = next;
}

void ZELI_Writer::InitializeFrontWriting() { Initialize(FRONT_WRITING); }

void ZELI_Writer::InitializeArrayWriting() { Initialize(ARRAY_WRITING); }

void ZELI_Writer::StartDataFront(const void* x) {
  RequireState(FRONT_WRITING, "StartDataFront called out of sequence");
  if (x == nullptr) throw ZELI_BadArgException("X value is null");
  if (presence_) {
    presence_->Resize(Get_DataWriterCount());
    presence_->ClearAll();
  }
  sharedXSet_->Add_XData(x, 1);
  state_ = IN_FRONT;
}

void ZELI_Writer::EndDataFront() {
  RequireState(IN_FRONT, "EndDataFront called out of sequence");
  state_ = FRONT_WRITING;
  if (presence_ && presence_->Count() != Get_DataWriterCount()) {
    throw ZELI_FailedException("Some waveforms do not have a value.");
  }
}

void ZELI_Writer::TerminateWriting() {
  if (state_ != FRONT_WRITING && state_ != ARRAY_WRITING) {
    throw ZELI_FailedException("TerminateWriting called out of sequence");
  }
  sharedXSet_->CloseMemory();
  state_ = TERMINATED;
}

void ZELI_Writer::AppendXArray(unsigned count, const void* values) {
  RequireState(ARRAY_WRITING, "AppendXArray called out of sequence");
  if (count > 0 && values == nullptr) throw ZELI_BadArgException("X values is null");
  sharedXSet_->Add_XData(values, count);
}

void ZELI_Writer::AppendXArraySimp(unsigned count, const void* values, zel_bool_t simple) {
  RequireState(ARRAY_WRITING, "AppendXArray called out of sequence");
  sharedXSet_->Add_XDataSimp(values, count, simple);
}

void ZELI_Writer::Set_XMonotonicity(zel_monotonicity_t monotonicity) { sharedXSet_->Set_XMonotonicity(monotonicity); }

void ZELI_Writer::Set_XDataSpacing(zel_dataSpacing_t spacing) { sharedXSet_->Set_XDataSpacing(spacing); }

void ZELI_Writer::Set_XMinMax(const void* min, const void* max) { sharedXSet_->Set_XMinMax(min, max); }

void ZELI_Writer::Unset_XMinMax() { sharedXSet_->Unset_XMinMax(); }

bool ZELI_Writer::IsActive() const {
  if (state_ == IN_FRONT) return true;
  if (state_ != ARRAY_WRITING || mode_ != ZEL_STORAGE_ANALOG) return false;
  const unsigned xCount = sharedXSet_->Get_XCount();
  for (unsigned i = 0; i < sharedXSet_->Get_DataSetCount(); ++i) {
    const ZELI_DataSet* dataSet = sharedXSet_->Get_DataSet_p(i);
    if (dataSet == nullptr || dataSet->IsEmpty()) continue;
    if (dataSet->Get_DataSetType() != ZELI_DataSet::One_Waveform) {
      throw ZELI_FailedException("ZELI_Writer::IsActive implementation");
    }
    if (dataSet->Get_PointCount(0) != xCount) return true;
  }
  return false;
}

void ZELI_Writer::Shutdown() {
  if (state_ == IN_FRONT) EndDataFront();
  if (state_ == FRONT_WRITING || state_ == ARRAY_WRITING) {
    TerminateWriting();
    sharedXSet_->Shutdown();
  }
}

void ZELI_Writer::Abandon() {
  if (state_ == FRONT_WRITING || state_ == IN_FRONT || state_ == ARRAY_WRITING) {
    sharedXSet_->CloseMemory();
    state_ = TERMINATED;
  }
}
