// ZELI_SharedXSet: one array of X values of a segment and the data sets
// whose waveforms are sampled at those X values, all kept in one data store.
//
// Ownership: the segment owns its shared X sets; a shared X set owns its X
// values (an Array data set of the segment's X type) and its data sets. The
// writer filling it (ZELI_SharedXSetWriter: the front and array writer, or
// the simulation result writer) is not owned; it attaches itself while it
// exists so that commits can ask whether it may be flushed.
//
// Stored record (doc/data_set_records.md): X data information, index in
// segment u32, data store number u32, X values present u8 and record, data
// set count u32 (empty entries included), per entry present u8 and record,
// key i32. Point counts go to the map file (WritePointCounts).
#ifndef ZEL_WAVEFORMS_SHARED_X_SET_H
#define ZEL_WAVEFORMS_SHARED_X_SET_H

#include <iosfwd>
#include <memory>
#include <vector>

#include "model/data_information.h"
#include "model/segment_x_set.h"
#include "store/keymap.h"
#include "store/objects.h"
#include "zel/zel.h"

class ZELI_ArrayDataSet;
class ZELI_DataSet;
class ZELI_Segment;

// What a shared X set asks of the writer attached to it.
class ZELI_SharedXSetWriter {
 public:
  // Whether the data store may not be flushed now (values of a front or of
  // an array run are incomplete).
  virtual bool IsActive() const = 0;

 protected:
  ~ZELI_SharedXSetWriter() = default;
};

class ZELI_SharedXSet final : public ZELI_InternalBase, public ZELI_SegmentXSet {
 public:
  // Registers with the segment (index in segment), enters itself and its X
  // values in the data store.
  ZELI_SharedXSet(ZELI_Segment& segment, unsigned dataStore);
  ~ZELI_SharedXSet() override;
  ZELI_SharedXSet(const ZELI_SharedXSet&) = delete;
  ZELI_SharedXSet& operator=(const ZELI_SharedXSet&) = delete;

  ZELI_Segment& Get_Segment() const { return *segment_; }
  ZELI_SharedXSet* Get_SharedXSet_p() override { return this; }
  unsigned Get_IndexInSegment() const override { return indexInSegment_; }
  void Set_IndexInSegment(unsigned index) override { indexInSegment_ = index; }
  unsigned Get_DataStoreIndex() const override { return dataStore_; }
  ZELI_ArrayDataSet* Get_XValues_p() const { return xValues_.get(); }
  ZELI_DataInformation& Get_XDataInformation() { return xInformation_; }
  const ZELI_DataInformation& Get_XDataInformation() const { return xInformation_; }
  unsigned Get_DataSetCount() const { return static_cast<unsigned>(dataSets_.size()); }
  // Null for an emptied entry; index out of range: ZELI_FailedException
  // "ZELI_SharedXSet::Get_DataSet_p index".
  ZELI_DataSet* Get_DataSet_p(unsigned index) const;
  unsigned Get_FreeIndexCount() const { return static_cast<unsigned>(freeIndices_.size()); }

  // Takes ownership; returns the data set's index (the most recently freed
  // one, else a new one). Sets the data-store dirty bit.
  unsigned Add_DataSet_p(std::unique_ptr<ZELI_DataSet> dataSet);
  void Add_XData(const void* values, unsigned n);
  // X values through the in-memory path: written to the X values array too,
  // and the X data information recomputed over every X value held.
  void Add_XDataSimp(const void* values, unsigned n, zel_bool_t simple);
  // X values' point count minus one (-1 without X values).
  int Get_LastXIndex() const;
  unsigned Get_XCount() const;

  void Set_XMonotonicity(zel_monotonicity_t monotonicity);
  void Set_XDataSpacing(zel_dataSpacing_t spacing);
  void Set_XMinMax(const void* min, const void* max);
  void Unset_XMinMax();

  void Set_Writer(ZELI_SharedXSetWriter* writer) { writer_ = writer; }
  ZELI_SharedXSetWriter* Get_Writer_p() const { return writer_; }
  bool HasWriter() const override { return writer_ != nullptr; }
  bool IsWritingInitialized() const override { return writingInitialized_; }
  // Initializes the X values and every data set.
  void InitializeWriting();
  // What a writer's initialization does: opens the memory for writing, then
  // initializes; a failing initialization closes the memory again.
  void StartWriting();
  bool IsActive() const override { return writer_ != nullptr && writer_->IsActive(); }

  // Opens the data store, then the arrays of the X values and every data
  // set; closing closes the arrays, then the data store.
  void OpenMemory(zel_iomode_t mode);
  void CloseMemory();
  // Every data set writes what it holds back in memory to its arrays
  // (before the data store is flushed for a commit).
  void FlushStaged() override;
  bool IsMemoryOpen() const override { return memoryOpen_; }
  // Lets the kept cached arrays of the X values and every data set go.
  void ForgetCachedArrays() noexcept override;

  // End of writing: refuses Array and mixed kinds ("ZELI_SharedXSet::
  // Shutdown: mixed type"), and cuts dense One_Waveform data sets and the X
  // values to the smallest point count among them.
  void Shutdown();
  // Every data set whose positions are all free leaves the data store and
  // is destroyed; its entry is emptied and its index freed. Nothing while a
  // writer is attached.
  void CollectGarbage() override;
  bool HasDataSets() const override;
  // Erases the shared X set and everything it holds from the data store.
  void Discard() override;

  void Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>& map) const override;
  static std::unique_ptr<ZELI_SharedXSet> Read(ZELI_Istream& in, ZELI_Segment& segment, unsigned dataStore,
                                               ZELI_KeyMap<ZELI_InternalBase>& map);
  void WritePointCounts(ZELI_Ostream& out) const override;
  void ReadPointCounts(ZELI_Istream& in) override;
  // After the page map is read (see ZELI_DataSet::CheckPointCount).
  void CheckPointCounts() const override;
  bool HoldsWaveform(unsigned dataSetIndex, unsigned position, int keyInSet) const override;

  void Debug() const;
  void Debug(std::ostream& out) const override;

 private:
  struct ReadTag {};
  ZELI_SharedXSet(ZELI_Segment& segment, unsigned dataStore, ReadTag);
  void Set_DataStoreDirty();

  ZELI_Segment* segment_;  // owner
  unsigned indexInSegment_ = 0;
  unsigned dataStore_;
  std::unique_ptr<ZELI_ArrayDataSet> xValues_;
  ZELI_DataInformation xInformation_;
  std::vector<std::unique_ptr<ZELI_DataSet>> dataSets_;  // entries may be empty
  std::vector<unsigned> freeIndices_;
  ZELI_SharedXSetWriter* writer_ = nullptr;  // not owned
  bool writingInitialized_ = false;
  bool memoryOpen_ = false;
  // X values appended through the in-memory path, kept to recompute the X
  // data information over all of them.
  std::vector<char> simpValues_;
};

// Keeps a shared X set's arrays open while values are read out of them.
// Arrays already open (a writer's, or an outer reading) are read as they
// are; closed ones are opened, with the data store, in the mode the store
// is open in (so that a store another writer holds stays consistent), or
// for reading, and closed again by Close (or quietly by the destructor when
// the reading failed).
class ZELI_SharedXSetReading {
 public:
  explicit ZELI_SharedXSetReading(ZELI_SharedXSet& set);
  ~ZELI_SharedXSetReading();
  ZELI_SharedXSetReading(const ZELI_SharedXSetReading&) = delete;
  ZELI_SharedXSetReading& operator=(const ZELI_SharedXSetReading&) = delete;
  void Close();

 private:
  ZELI_SharedXSet* opened_ = nullptr;  // null when nothing is to be closed
};

// Runs read with set's arrays open, and returns its result once they are
// closed again. A failing close drops the result unseen: it must own
// nothing that would then leak (the parts of a waveform segment hold cached
// arrays listed in the container's cache, and no reference).
template <typename Read>
auto ZELI_ReadWithArraysOpen(ZELI_SharedXSet& set, Read&& read) -> decltype(read()) {
  ZELI_SharedXSetReading reading(set);
  auto result = read();
  reading.Close();
  return result;
}

#endif  // ZEL_WAVEFORMS_SHARED_X_SET_H
