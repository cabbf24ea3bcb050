// Cached arrays kept by an owner of the waveforms layer: the values a data
// set read for one position, and the values a derived waveform computed for
// one segment. Destroying one tells its owner to forget it (never throws).
#ifndef ZEL_WAVEFORMS_OWNED_CACHED_ARRAYS_H
#define ZEL_WAVEFORMS_OWNED_CACHED_ARRAYS_H

#include "model/cached_array.h"

class ZELI_DataSet;
class ZELI_DerivedWaveform;
class ZELI_Segment;

// The values of one position (or of an Array data set) of a data set, kept
// by the data set until it lets go. On destruction the data set is told to
// forget the array (its Invalidate_CachedArray_p with the slot number).
class ZELI_DataSetCachedArray final : public ZELI_CachedArray {
 public:
  ZELI_DataSetCachedArray(ZELI_DataSet* owner, unsigned slot, unsigned count, ZELI_DataInformation* information,
                          void* data) noexcept
      : ZELI_CachedArray(count, information, data), owner_(owner), slot_(slot) {}
  ~ZELI_DataSetCachedArray() override;
  bool IsLocatable() const override { return owner_ != nullptr; }
  bool IsStale() const override { return owner_ == nullptr; }
  void MakeUnlocatable() override { owner_ = nullptr; }
  ZELI_DataSet* Get_Owner_p() const { return owner_; }
  unsigned Get_Slot() const { return slot_; }

 private:
  ZELI_DataSet* owner_;  // not owned; null once unlocatable
  unsigned slot_;
};

// X, Y or order values a derived waveform computed for one segment, kept in
// the segment's cache record. On destruction the waveform is told to clear
// the record's pointer (Invalidate_CachedArray_p with segment and kind).
// Stale once the waveform let go, and while the stored values it was
// computed from have changed since.
class ZELI_DerivedWaveformCachedArray final : public ZELI_CachedArray {
 public:
  enum Kind : unsigned { X = 0, Y = 1, ORDER = 2 };
  ZELI_DerivedWaveformCachedArray(ZELI_DerivedWaveform* owner, ZELI_Segment* segment, Kind kind, unsigned count,
                                  ZELI_DataInformation* information, void* data) noexcept
      : ZELI_CachedArray(count, information, data), owner_(owner), segment_(segment), kind_(kind) {}
  ~ZELI_DerivedWaveformCachedArray() override;
  bool IsLocatable() const override { return owner_ != nullptr; }
  bool IsStale() const override;
  void MakeUnlocatable() override { owner_ = nullptr; }
  ZELI_DerivedWaveform* Get_Owner_p() const { return owner_; }
  Kind Get_Kind() const { return kind_; }

 private:
  ZELI_DerivedWaveform* owner_;  // not owned; null once unlocatable
  ZELI_Segment* segment_;
  Kind kind_;
};

#endif  // ZEL_WAVEFORMS_OWNED_CACHED_ARRAYS_H
