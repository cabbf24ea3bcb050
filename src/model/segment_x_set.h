// What a segment asks of the shared X sets it owns.
//
// A segment owns its shared X sets (one X array each, with the data sets
// sampled at it, kept in one data store); the sets themselves belong to the
// waveforms layer (ZELI_SharedXSet, waveforms/shared_x_set.h, implements
// this interface). The segment stores, commits, reads and collects them
// through these members only, so that model code never needs the data set
// classes.
#ifndef ZEL_MODEL_SEGMENT_X_SET_H
#define ZEL_MODEL_SEGMENT_X_SET_H

#include <iosfwd>
#include <memory>

#include "store/keymap.h"
#include "store/objects.h"

class ZELI_Istream;
class ZELI_Ostream;
class ZELI_Segment;
class ZELI_SharedXSet;

class ZELI_SegmentXSet {
 public:
  virtual ~ZELI_SegmentXSet() = default;

  // The set as the waveforms layer knows it.
  virtual ZELI_SharedXSet* Get_SharedXSet_p() = 0;
  virtual unsigned Get_IndexInSegment() const = 0;
  virtual void Set_IndexInSegment(unsigned index) = 0;
  virtual unsigned Get_DataStoreIndex() const = 0;

  // ---- writers (commits refuse to flush while one is uninitialized or
  //      active) ----
  virtual bool HasWriter() const = 0;
  virtual bool IsWritingInitialized() const = 0;
  virtual bool IsActive() const = 0;
  virtual bool IsMemoryOpen() const = 0;
  // Values held back in memory go to the arrays (before a flush).
  virtual void FlushStaged() = 0;
  // Lets the kept cached arrays go (committed points are new data).
  virtual void ForgetCachedArrays() noexcept = 0;

  // ---- stored form: the record in the store's record file, the point
  //      counts at the front of its map file ----
  virtual void Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>& map) const = 0;
  virtual void WritePointCounts(ZELI_Ostream& out) const = 0;
  virtual void ReadPointCounts(ZELI_Istream& in) = 0;
  // After the page map is read: stored point counts fit the arrays.
  virtual void CheckPointCounts() const = 0;
  // Whether data set dataSetIndex holds, at position, the waveform with
  // that key in set (checks a stored waveform location).
  virtual bool HoldsWaveform(unsigned dataSetIndex, unsigned position, int keyInSet) const = 0;

  // ---- garbage collection ----
  virtual void CollectGarbage() = 0;
  virtual bool HasDataSets() const = 0;
  // Erases the set and everything it holds from its data store.
  virtual void Discard() = 0;

  // The dump of the set and its data sets (ZELI_Segment::Debug).
  virtual void Debug(std::ostream& out) const = 0;
};

// Reads one stored shared X set of data store `store` of segment (the
// store's handle convertor is map). Implemented by the waveforms layer.
std::unique_ptr<ZELI_SegmentXSet> ZELI_ReadSegmentXSet(ZELI_Istream& in, ZELI_Segment& segment, unsigned store,
                                                       ZELI_KeyMap<ZELI_InternalBase>& map);

#endif  // ZEL_MODEL_SEGMENT_X_SET_H
