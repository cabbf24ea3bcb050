// ZELI_SimResultWriter and ZELI_SimResultSubset: the writer a simulator
// uses while it runs. All its waveforms share one X axis (simulation time)
// that advances one cycle at a time; they are divided into subsets by how
// they are stored. An analog subset (ZEL_STORAGE_ANALOG) keeps its waveforms
// in one Analog_Front data set, so every waveform gets a value at every data
// front; any other storage mode makes a digital subset with one
// Digital_Front data set, where a waveform stores a value only in the fronts
// that give it one (typically when it changes).
//
// Writer states (every refusal is ZELI_FailedException and changes nothing):
//   created --InitializeWriting--> initialized (data store open for writing)
//   initialized: StartCycle(x) appends x to the X values, cycle active;
//     inside a cycle each subset may run one data front (StartDataFront,
//     values through its data writers, EndDataFront); EndCycle.
//   TerminateWriting (outside a cycle) closes the data store; a writer is
//   initialized only once.
// While a cycle is active the writer is active: commits of its data store
// are refused, so a reader never sees a cycle half written.
//
// Value-presence bits: every subset keeps one bit per waveform for its open
// front. A second value for one waveform in one front is refused; an analog
// front ended with waveforms left without a value fails "Some waveforms do
// not have a value." but still counts: each such waveform holds its value
// of the previous front (zero bytes, or "" for strings, at the first one),
// so all waveforms of the data set keep one point count. Digital subsets
// need no value at all.
//
// Ends: Shutdown (container close) drops the point of an analog front that
// was started and never ended (the Analog_Front data set's Shutdown), ends
// digital fronts and the cycle, terminates writing and shuts the shared X
// set down (front data sets are not truncated there). Abandon (deletion)
// only closes what initialization opened, cutting nothing.
//
// Ownership: the container owns the writer (its map of access objects); the
// writer owns its subsets, which the container lists as access objects too
// (they report IsOwnedByContainer false). The segment owns the shared X set
// and the data sets, which outlive the writer. A subset owns its data
// writers, allocated in slabs registered as live with the data writer
// registry until the subset is destroyed.
#ifndef ZEL_WAVEFORMS_SIM_RESULT_WRITER_H
#define ZEL_WAVEFORMS_SIM_RESULT_WRITER_H

#include <memory>
#include <vector>

#include "errors/exceptions.h"
#include "store/bitset.h"
#include "store/objects.h"
#include "waveforms/data_writer_support.h"
#include "waveforms/front_data_sets.h"
#include "waveforms/shared_x_set.h"
#include "zel/zel.h"

class ZELI_Segment;
class ZELI_SimResultWriter;
class ZELI_SourceWaveform;

class ZELI_SimResultSubset final : public ZELI_AccessBase {
 public:
  // A new data set of the mode's kind in the writer's shared X set (entered
  // in the data store). The writer takes ownership.
  ZELI_SimResultSubset(ZELI_SimResultWriter& writer, zel_storageMode_t mode);
  // Unregisters the data writers; the data set stays. Never throws.
  ~ZELI_SimResultSubset() override;
  ZELI_SimResultSubset(const ZELI_SimResultSubset&) = delete;
  ZELI_SimResultSubset& operator=(const ZELI_SimResultSubset&) = delete;

  bool IsOwnedByContainer() const override { return false; }

  // The waveform's position in the data set, which is also the index of its
  // data writer. Refused after initialization (the data set's message) and
  // for a waveform of another waveform set (ZELI_BadArgException).
  unsigned Add_Waveform_p(ZELI_SourceWaveform* waveform);
  // Occupied positions of the data set.
  unsigned Get_WaveformCount() const;
  ZELI_SourceWaveform* Get_Waveform_p(unsigned index) const;
  unsigned Get_DataWriterCount() const { return static_cast<unsigned>(dataWriters_.size()); }
  // ZELI_BadArgException "ZELI_SimResultSubset::Get_SimWfDataWriter_p index".
  ZEL_SimWfDataWriter* Get_SimWfDataWriter_p(unsigned index) const;
  // MIXED and DEFAULT refused here; the data set decides the rest.
  void Set_InterpolationType(zel_interpolation_t interpolation);

  void StartDataFront(int order);
  // The values of the waveforms first .. first + count - 1 for the open
  // front from one array, each of its waveform's Y type's unpacked size
  // (Get_SizeOf) after the one before. The rules of entering them one by
  // one: "The data front is not active.", "The waveform already has a
  // value." (ZELI_FailedException) and a null array are checked for the
  // whole run before any value goes in; a run beyond the waveforms is
  // ZELI_BadArgException. A fixed-size analog run goes in as one copy; any
  // other goes value by value, and should one fail (I/O), those before it
  // stay entered as if entered one by one.
  void EnterFrontValues(unsigned first, unsigned count, const void* values);
  void EndDataFront();
  // At the writer's shutdown: a front still open ends as EndDataFront ends
  // it (an analog waveform without a value in it holds its previous one),
  // without failing.
  void EndOpenDataFront();
  // Before initialization: an analog subset needs a waveform.
  void CheckReadyForWriting() const;
  // Whether the subset's data set holds the waveform.
  bool Uses(const ZELI_ExternalBase* object) const override;

  bool IsAnalog() const { return analog_ != nullptr; }
  ZELI_AnalogFrontDataSet* Get_AnalogDataSet_p() const { return analog_; }
  bool IsFrontActive() const { return frontActive_; }
  zel_storageMode_t Get_StorageMode() const { return mode_; }
  ZELI_SimResultWriter& Get_Writer() const { return *writer_; }
  ZELI_DataSet* Get_DataSet_p() const { return dataSet_; }
  const ZELI_Bitset& Get_PresenceBits() const { return *presence_; }

 private:
  // Ends the open front; false when an analog waveform had no value in it
  // (it then holds its previous one).
  bool CloseFront();

  // Data writers come in slabs of this many, each registered as one run.
  static constexpr unsigned SlabSize = 256;

  ZELI_SimResultWriter* writer_;  // owner
  zel_storageMode_t mode_;
  ZELI_DataSet* dataSet_ = nullptr;             // owned by the shared X set
  ZELI_AnalogFrontDataSet* analog_ = nullptr;   // dataSet_ when analog
  std::vector<ZEL_SimWfDataWriter*> dataWriters_;  // by position; in slabs_
  std::vector<std::unique_ptr<ZEL_SimWfDataWriter[]>> slabs_;
  bool frontActive_ = false;
  std::unique_ptr<ZELI_Bitset> presence_;  // one bit per data writer
};

class ZELI_SimResultWriter final : public ZELI_AccessBase, public ZELI_SharedXSetWriter {
 public:
  // A new shared X set in data store `store` of the segment ("DataStore
  // index is invalid." otherwise), attached to this writer. The caller
  // registers the writer with the container.
  ZELI_SimResultWriter(ZELI_Segment& segment, unsigned store);
  // Detaches from the shared X set and destroys the subsets. Never throws.
  ~ZELI_SimResultWriter() override;
  ZELI_SimResultWriter(const ZELI_SimResultWriter&) = delete;
  ZELI_SimResultWriter& operator=(const ZELI_SimResultWriter&) = delete;

  // A new subset, owned by the writer; only before initialization.
  ZELI_SimResultSubset* Add_Subset_p(zel_storageMode_t mode);
  // Undoes the last Add_Subset_p (its empty data set stays for garbage
  // collection). Never throws.
  void Remove_LastSubset() noexcept;
  unsigned Get_SubsetCount() const { return static_cast<unsigned>(subsets_.size()); }
  // ZELI_BadArgException "Subset index out of range.".
  ZELI_SimResultSubset* Get_Subset_p(unsigned index) const;

  void InitializeWriting();
  void TerminateWriting();
  // x: one value of the X type.
  void StartCycle(const void* x);
  void EndCycle();

  void Set_XMonotonicity(zel_monotonicity_t monotonicity);
  void Set_XDataSpacing(zel_dataSpacing_t spacing);
  void Set_XMinMax(const void* min, const void* max);
  void Unset_XMinMax();

  bool IsActive() const override { return cycleActive_; }
  void Shutdown() override;
  // Whether one of the subsets writes the waveform.
  bool Uses(const ZELI_ExternalBase* object) const override;
  // Before deletion: closes what initialization opened, cutting nothing.
  void Abandon();

  bool IsWritingInitialized() const { return initialized_; }
  bool IsCycleActive() const { return cycleActive_; }
  ZELI_SharedXSet* Get_SharedXSet_p() const { return sharedXSet_; }
  ZELI_Segment& Get_Segment() const { return sharedXSet_->Get_Segment(); }

 private:
  ZELI_SharedXSet* sharedXSet_ = nullptr;  // owned by the segment
  std::vector<std::unique_ptr<ZELI_SimResultSubset>> subsets_;  // creation order
  bool initialized_ = false;
  bool cycleActive_ = false;
};

// What ZEL_SimWfDataWriter::EnterValue does, inline for the exported
// function that a simulator calls once per value: the subset's front must be
// open, the value present, the waveform's presence bit clear; the bit is set
// once the value is in, so a failing call leaves the front as it was.
// Throws library exceptions.
inline void ZELI_EnterSimValue(ZEL_SimWfDataWriter& dataWriter, const void* value) {
  // Fields read once into locals: the value's copy may alias anything, and
  // would otherwise make the compiler read them again after it.
  const ZELI_SimResultSubset& subset = *dataWriter.subset;
  ZELI_Bitset& presence = *dataWriter.presence;
  const unsigned position = dataWriter.position;
  if (!subset.IsFrontActive()) throw ZELI_FailedException("The data front is not active.");
  ZELI_RequireArgument(value, "value is null");
  if (presence.Test(position)) throw ZELI_FailedException("The waveform already has a value.");
  if (ZELI_AnalogFrontDataSet* analog = subset.Get_AnalogDataSet_p()) {
    analog->EnterFrontValue(position, value);
  } else {
    dataWriter.dataSet->EnterValues(position, value, 1);
  }
  presence.Set(position);
}

#endif  // ZEL_WAVEFORMS_SIM_RESULT_WRITER_H
