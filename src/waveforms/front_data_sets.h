// The front data sets: many waveforms advancing together, one data front
// per X point.
//
// ZELI_AnalogFrontDataSet lays values out in blocks. With P the page size
// of the values array, V the stored value size (4 for strings) and W the
// number of positions at initialization, a block holds ppb points per
// waveform: P / V for W <= 1000, (P / V) / 2 for W <= 2000, (P / V) / 4
// beyond, and at least 1 (values larger than a page). B = ppb x V bytes per
// waveform and block, S = W x B bytes per block of all waveforms. Value i of
// position p lies at byte S x (i / ppb) + B x p + V x (i mod ppb). Each
// point also appends the shared X set's last X index (and its order under
// POLYNOMIAL interpolation).
//
// Staging. One front writes one value per waveform, each B bytes (a page)
// from the next, so writing them in place touches a page per value. Values
// of fixed size (all but strings) are staged instead: the latest points
// (up to TileBytes per position) are kept in memory front by front, as the
// caller enters them, and written to the block when the tile is full or the
// block ends: per position its run of values, gathered from the fronts
// straight into the block's memory (or, where the block's pages are not
// contiguous in memory, through a tile and one write per position).
// Whatever reads the values array or hands it on (closing the arrays, a
// commit through ZELI_SharedXSet::FlushStaged, Get_Value) sees exactly the
// layout above: tiles are written out first, or read from the tile.
//
// ZELI_DigitalFrontDataSet keeps, per position, a chain of 128-byte chunks
// (ZELI_DigitalWfChunk) of (X index, value) pairs. With I the size of the
// index type and V the value size: capacity K = (128 - 2I) / (V + I); a
// chunk holds K and the byte offset of the next chunk (two index-type
// values; next 0 in the last chunk), then K X indices, then K values. A
// value type whose K would be 0 is refused with ZELI_BadArgException.
// Chains advance in an order of the caller's making, so their current
// chunks lie scattered over the array; the current chunk of a chain of
// fixed-size values is therefore kept in memory and written as a whole
// when it is full, before a commit (FlushStaged) and at close. Reading
// takes a chain's current chunk from memory.
//
// Page budgets. A full chunk lands on the page where it was appended, one
// chunk lifetime ago: with W chains, about W x 128 bytes of chunks were
// appended since. While chains grow, the data set keeps a budget of twice
// that many resident pages (and 16 more) in the values file, so that a page
// stays in memory until its chunks are done and is written back once,
// instead of being written back whenever it falls idle and read back for
// its next chunk. An analog data set adds the pages of its block window, so
// that the window it pins does not use up the budget of a digital data set
// beside it in the same file.
#ifndef ZEL_WAVEFORMS_FRONT_DATA_SETS_H
#define ZEL_WAVEFORMS_FRONT_DATA_SETS_H

#include <cstring>
#include <memory>
#include <vector>

#include "waveforms/data_set.h"

class ZELI_AnalogFrontDataSet : public ZELI_DataSet {
 public:
  explicit ZELI_AnalogFrontDataSet(ZELI_SharedXSet& sharedXSet);
  ZELI_AnalogFrontDataSet(ZELI_SharedXSet& sharedXSet, ReadTag tag) : ZELI_DataSet(Analog_Front, sharedXSet, tag) {}
  ~ZELI_AnalogFrontDataSet() override;

  unsigned Get_PointCount(unsigned position) const override;
  void Set_InterpolationType(zel_interpolation_t interpolation) override;
  zel_interpolation_t Get_InterpolationType() const override { return interpolation_; }
  unsigned Add_Waveform_p(ZELI_SourceWaveform* waveform) override;
  // Fixes the block geometry ("ZELI_AnalogFrontDataSet has no waveforms.").
  void InitializeWriting() override;
  void OpenMemoryArrays(zel_iomode_t mode) override;
  void CloseMemoryArrays() override;
  // Drops the last point, started for a front that was not ended.
  void Shutdown() override;
  void WritePointCount(ZELI_Ostream& out) const override;
  void ReadPointCount(ZELI_Istream& in) override;
  void CheckPointCount() const override;
  void CheckOrders(const int* orders, unsigned n) const override;
  void CheckXIndices(const int*, unsigned) const override {}
  void EnterValues(unsigned position, const void* values, unsigned n) override;
  void EnterOrders(const int*, unsigned) override {}
  void EnterXIndices(const int*, unsigned) override {}
  // The X values at the data set's X indices; Y: the position's values,
  // read block by block and kept per position.
  ZELI_WfSegmentXParts Get_WfSegmentXData(unsigned position) override;
  ZELI_WfSegmentYParts Get_WfSegmentYData(unsigned position) override;
  // A slot below the kept count ("ZELI_AnalogFrontDataSet::Invalidate_CachedArray_p").
  void Invalidate_CachedArray_p(unsigned slot) override;
  void ForgetCachedArrays() noexcept override;
  void Discard() override;

  // Starts a new point (one data front).
  void Add_Point(int order);
  // EnterValues of one value, inline on the common path: an 8-byte value for
  // a staged point at a position below the position count. Callers vouch
  // that the position is occupied (the data writers of a live writer: a
  // waveform being written is not deleted).
  void EnterFrontValue(unsigned position, const void* value) {
    if (stagedRow_ != nullptr && position < stagedRowPositions_ && value != nullptr) {
      std::memcpy(stagedRow_ + uint64_t{position} * sizeof(double), value, sizeof(double));
      return;
    }
    EnterValues(position, value, 1);
  }
  // Values of positions first .. first + count - 1 for the current point
  // from one array of stored-size values, as one copy into the staged row
  // when the point is staged; false, and nothing done, when it is not (no
  // point, strings) or the positions pass the position count. Callers vouch
  // that the positions are occupied, as for EnterFrontValue.
  bool EnterStagedValues(unsigned first, unsigned count, const void* values);
  // The current point of position takes the value of the previous point
  // (zero bytes, or "" for strings, at the first point).
  void HoldPreviousValue(unsigned position);
  // Writes the staged tiles to the values array.
  void FlushStaged() override;
  // Value i of position (the arrays must be open).
  void Get_Value(unsigned position, unsigned i, void* value) const;
  // Byte offset of value i of position.
  uint64_t ValueOffset(unsigned position, unsigned i) const;
  unsigned Get_PointsPerBlock() const { return pointsPerBlock_; }
  unsigned Get_BlockBytesPerWaveform() const { return blockBytesPerWaveform_; }
  unsigned Get_BlockBytesPerFront() const { return blockBytesPerFront_; }
  ZELI_ArrayDataSet* Get_XIndices_p() const { return xIndices_.get(); }

 protected:
  void ReadKindFields(ZELI_Istream& in, ZELI_KeyMap<ZELI_InternalBase>& map) override;
  void WriteKindFields(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>& map) const override;
  const ZELI_Type* StoredValueType() const override { return valueType_; }

 private:
  void ComputeGeometry();
  // The position's values, kept at slot position (the arrays must be open):
  // each block's run of them is read with one transfer; a run that yields
  // nothing fails with "No more data points".
  ZELI_CachedArray* ValuesArray(unsigned position);
  // Read-ahead hints for the runs ValuesArray reads, unless they are kept.
  void AdviseValuesArray(unsigned position) const;
  bool IsStaged(unsigned i) const { return i >= stagedFirst_ && i - stagedFirst_ < stagedCount_; }
  // Where value i (staged) of position lies in the staging area.
  char* StagedValue(unsigned position, unsigned i) {
    return staging_.data() + (uint64_t{i - stagedFirst_} * Get_PositionCount() + position) * valueSize_;
  }
  const char* StagedValue(unsigned position, unsigned i) const {
    return const_cast<ZELI_AnalogFrontDataSet*>(this)->StagedValue(position, i);
  }

  static constexpr unsigned TileBytes = 512;
  static constexpr unsigned TileGroup = 8;

  std::unique_ptr<ZELI_ArrayDataSet> xIndices_;
  zel_interpolation_t interpolation_ = ZEL_INTERPOLATION_LINEAR;
  std::unique_ptr<ZELI_ArrayDataSet> orders_;
  unsigned pointCount_ = 0;
  ZELI_Type* valueType_ = nullptr;  // not owned
  unsigned pointsPerBlock_ = 0;
  unsigned char flag_ = 0;  // kept in the record; 0 when created
  unsigned blockBytesPerWaveform_ = 0;
  unsigned blockBytesPerFront_ = 0;
  unsigned currentOffset_ = 0;  // of the current point within its block region
  unsigned valueSize_ = 0;      // V, fixed at initialization
  // Staging (fixed-size values only): up to tilePoints_ fronts of one value
  // per position, front-major; points stagedFirst_ .. + stagedCount_ - 1
  // lie there, all in one block, and not yet in the values array.
  std::vector<char> staging_;
  std::vector<char> tile_;  // the runs of TileGroup positions, gathered for writing
  // The current point's front in staging when values are 8 bytes, else null;
  // stagedRowPositions_ values long.
  char* stagedRow_ = nullptr;
  unsigned stagedRowPositions_ = 0;
  unsigned tilePoints_ = 0;  // 0: no staging
  unsigned stagedFirst_ = 0;
  unsigned stagedCount_ = 0;
  // Pages added to the values file's page budget for the block window (0:
  // none); given back when the arrays close or the data set goes.
  unsigned pageBudget_ = 0;
};

// The chunk chain of one waveform of a Digital_Front data set.
struct ZELI_DigitalWfChunk {
  static constexpr unsigned ChunkBytes = 128;
  // K for index size I and value size V (0 when not even one pair fits).
  static unsigned CapacityOf(unsigned indexSize, unsigned valueSize);

  unsigned pointCount = 0;
  unsigned firstOffset = 0;
  ZELI_Type* indexType = nullptr;
  ZELI_Type* valueType = nullptr;
  unsigned capacity = 0;
  unsigned currentOffset = 0;
  unsigned usedInCurrent = 0;
  unsigned nextIndexOffset = 0;
  unsigned nextValueOffset = 0;
  // The current chunk as it will stand in the values array (fixed-size
  // values only), written there when it is full or at FlushStaged; dirty
  // while the array does not hold these bytes yet.
  unsigned char current[ChunkBytes] = {};
  bool dirty = false;
};

class ZELI_DigitalFrontDataSet : public ZELI_DataSet {
 public:
  explicit ZELI_DigitalFrontDataSet(ZELI_SharedXSet& sharedXSet);
  ZELI_DigitalFrontDataSet(ZELI_SharedXSet& sharedXSet, ReadTag tag) : ZELI_DataSet(Digital_Front, sharedXSet, tag) {}
  ~ZELI_DigitalFrontDataSet() override;

  unsigned Get_PointCount(unsigned position) const override;
  void Set_InterpolationType(zel_interpolation_t interpolation) override;
  zel_interpolation_t Get_InterpolationType() const override { return ZEL_INTERPOLATION_CONSTANT; }
  unsigned Add_Waveform_p(ZELI_SourceWaveform* waveform) override;
  void Delete_Waveform_p(ZELI_SourceWaveform* waveform, unsigned position) override;
  void WritePointCount(ZELI_Ostream& out) const override;
  void ReadPointCount(ZELI_Istream& in) override;
  void CheckPointCount() const override;
  void CheckOrders(const int*, unsigned) const override {}
  void CheckXIndices(const int*, unsigned) const override {}
  void EnterValues(unsigned position, const void* values, unsigned n) override;
  void EnterOrders(const int*, unsigned) override {}
  void EnterXIndices(const int*, unsigned) override {}
  // X: the X values at the position's own X indices; Y: its values. Both
  // read from its chunk chain once and kept.
  ZELI_WfSegmentXParts Get_WfSegmentXData(unsigned position) override;
  ZELI_WfSegmentYParts Get_WfSegmentYData(unsigned position) override;
  // A slot below the kept count ("ZELI_DigitalFrontDataSet::Invalidate_CachedArray_p").
  void Invalidate_CachedArray_p(unsigned slot) override;
  void CloseMemoryArrays() override;
  void FlushStaged() override;

  const ZELI_DigitalWfChunk& Get_Chunk(unsigned position) const;
  // Walks the chain of position: every X index and value (the arrays must
  // be open); values is room for the point count. The chain is read in
  // windows of consecutive chunks that grow while it runs on contiguously
  // (a waveform written alone) and shrink to one chunk where it jumps;
  // every chunk header and offset is checked against the array.
  void Get_Data(unsigned position, std::vector<int>& xIndices, void* values) const;

 protected:
  void ReadKindFields(ZELI_Istream& in, ZELI_KeyMap<ZELI_InternalBase>& map) override;
  void WriteKindFields(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>& map) const override;

 private:
  // Reads the position's chain into the kept arrays of slots 2 x position
  // (X indices) and 2 x position + 1 (values) unless they are kept.
  void ReadChain(unsigned position);
  // Appends a chunk with header (K, 0); returns its offset. Kept: the
  // header goes to the chain's chunk in memory only.
  unsigned NewChunk(ZELI_DigitalWfChunk& chain, bool kept);
  // Grows the values array by one chunk; returns its offset.
  unsigned AppendChunk();
  // The chain's kept chunk becomes an empty one with header (K, 0), dirty.
  void StartKeptChunk(ZELI_DigitalWfChunk& chain);
  void WriteChunk(ZELI_DigitalWfChunk& chain);

  std::vector<std::unique_ptr<ZELI_DigitalWfChunk>> chunks_;  // by position; null at free ones
  unsigned char flag_ = 0;                                     // kept in the record; 0 when created
  // Pages added to the values file's page budget while chains grow (0:
  // none); given back when the arrays close or the data set goes.
  unsigned pageBudget_ = 0;
};

#endif  // ZEL_WAVEFORMS_FRONT_DATA_SETS_H
