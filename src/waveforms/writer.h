// ZELI_Writer: the front and array writer. It fills one data store of a
// segment with the values of a group of source waveforms sharing one X axis:
// one shared X set for the writer, one One_Waveform data set per waveform
// (sparse in ZEL_STORAGE_SPARSE mode), and one ZEL_WfDataWriter per waveform
// through which the caller enters that waveform's values.
//
// States: 0 created, 1 front writing between fronts, 2 inside a data front,
// 3 array writing, 4 terminated. Initialization opens the data store for
// writing; termination (and deletion in the middle of writing) closes it.
// Calls out of sequence fail with ZELI_FailedException and change nothing.
//
// Ownership: the container owns the writer (its map of access objects); the
// segment owns the shared X set and the data sets, which outlive the writer.
// The writer owns its data writers; a data writer is live (see
// ZEL_WfDataWriter::IsLive) from its creation until its writer is destroyed.
// While the writer exists it is attached to its shared X set, which asks it
// whether the data store may be flushed (IsActive).
#ifndef ZEL_WAVEFORMS_WRITER_H
#define ZEL_WAVEFORMS_WRITER_H

#include <memory>
#include <vector>

#include "store/objects.h"
#include "waveforms/shared_x_set.h"
#include "zel/zel.h"

class ZELI_Bitset;
class ZELI_Segment;
class ZELI_SourceWaveform;

class ZELI_Writer final : public ZELI_AccessBase, public ZELI_SharedXSetWriter {
 public:
  enum State : unsigned { CREATED = 0, FRONT_WRITING = 1, IN_FRONT = 2, ARRAY_WRITING = 3, TERMINATED = 4 };

  // A new shared X set in data store `store` of the segment ("DataStore
  // index is invalid." for a store the segment does not have), attached to
  // this writer. The caller registers the writer with the container.
  ZELI_Writer(ZELI_Segment& segment, unsigned store, zel_storageMode_t mode);
  // Detaches from the shared X set and destroys the data writers; the data
  // sets stay as they are. Never throws, writes nothing.
  ~ZELI_Writer() override;
  ZELI_Writer(const ZELI_Writer&) = delete;
  ZELI_Writer& operator=(const ZELI_Writer&) = delete;

  // A new One_Waveform data set holding the waveform, and its data writer
  // (owned by the writer). Only before initialization (ZELI_FailedException
  // after); the waveform must belong to the segment's set
  // (ZELI_BadArgException otherwise). On failure nothing is left behind.
  ZEL_WfDataWriter* Add_Waveform_p(ZELI_SourceWaveform* waveform);

  void InitializeFrontWriting();
  void InitializeArrayWriting();
  // x: one value of the X type.
  void StartDataFront(const void* x);
  void EndDataFront();
  void TerminateWriting();
  // X values of array writing (state 3 only).
  void AppendXArray(unsigned count, const void* values);
  void AppendXArraySimp(unsigned count, const void* values, zel_bool_t simple);

  void Set_XMonotonicity(zel_monotonicity_t monotonicity);
  void Set_XDataSpacing(zel_dataSpacing_t spacing);
  void Set_XMinMax(const void* min, const void* max);
  void Unset_XMinMax();

  // Active inside a data front, and in dense array writing (ANALOG mode)
  // while some waveform has a point count other than the X values'.
  bool IsActive() const override;
  // At container close: ends an open front, then terminates writing and
  // cuts dense data sets (and the X values) to their smallest point count.
  void Shutdown() override;
  // Before deletion: closes what initialization opened, cutting nothing.
  void Abandon();
  // Whether one of the data writers writes the waveform.
  bool Uses(const ZELI_ExternalBase* object) const override;

  State Get_State() const { return state_; }
  zel_storageMode_t Get_StorageMode() const { return mode_; }
  ZELI_SharedXSet* Get_SharedXSet_p() const { return sharedXSet_; }
  ZELI_Segment& Get_Segment() const { return sharedXSet_->Get_Segment(); }
  unsigned Get_DataWriterCount() const { return static_cast<unsigned>(dataWriters_.size()); }
  ZEL_WfDataWriter* Get_DataWriter_p(unsigned index) const { return dataWriters_.at(index).get(); }
  ZELI_Bitset* Get_PresenceBits_p() const { return presence_.get(); }

 private:
  struct DataWriterDeleter {
    void operator()(ZEL_WfDataWriter* p) const noexcept;
  };

  void Initialize(State next);
  void RequireState(State wanted, const char* message) const;

  zel_storageMode_t mode_;
  State state_ = CREATED;
  ZELI_SharedXSet* sharedXSet_ = nullptr;  // owned by the segment
  std::vector<std::unique_ptr<ZEL_WfDataWriter, DataWriterDeleter>> dataWriters_;
  // Value-presence bits of a front, one per data writer. No operation
  // creates them; every check on them is skipped while absent.
  std::unique_ptr<ZELI_Bitset> presence_;
};

// The registry of live data writers (the library runs one thread at a
// time): a writer registers each data writer it creates; a data writer's
// destructor unregisters it.
void ZELI_RegisterDataWriter(const ZEL_WfDataWriter* dataWriter);

#endif  // ZEL_WAVEFORMS_WRITER_H
