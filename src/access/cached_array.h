// Cached arrays: values of one stored or computed array held in memory.
//
// A cached array owns count values laid out by its data information's type
// (allocated through that type, released through its FreeData) and the data
// information itself. It lives in the container's ZELI_Cache, which deletes
// it by one rule: reference count 0 and no longer locatable by an owner.
// Owners never delete a shared array: they call MakeUnlocatable and forget
// it, and the cache takes it once the last reference is gone. A kind with an
// owner tells the owner to forget it from its destructor (never throws).
//
// References are taken by data arrays, waveform segments and waveform X
// data, and released by their destructors.
#ifndef ZEL_ACCESS_CACHED_ARRAY_H
#define ZEL_ACCESS_CACHED_ARRAY_H

#include <cstddef>

#include "zel/zel.h"

class ZELI_DataInformation;
class ZELI_DataSet;
class ZELI_DerivedWaveform;
class ZELI_Segment;
class ZELI_Type;

class ZELI_CachedArray {
 public:
  // Takes ownership of data (count values of information's type, allocated
  // through it; may be null when count is 0) and of information (not null).
  ZELI_CachedArray(unsigned count, ZELI_DataInformation* information, void* data) noexcept;
  // Frees the values through the type and deletes the data information.
  virtual ~ZELI_CachedArray();
  ZELI_CachedArray(const ZELI_CachedArray&) = delete;
  ZELI_CachedArray& operator=(const ZELI_CachedArray&) = delete;

  // True while an owner can still reach the array (a plain array has none).
  virtual bool IsLocatable() const { return false; }
  // True once the owner let go because its values changed: the array no
  // longer shows what is stored (a plain array has no owner to follow).
  virtual bool IsStale() const { return false; }
  // The owner lets go: the array becomes garbage once unreferenced.
  virtual void MakeUnlocatable() {}

  unsigned Get_PointCount() const { return count_; }
  // Size of one value: the element type's stored size (0 without a type).
  unsigned Get_SizeOf() const { return sizeOf_; }
  ZELI_DataInformation* Get_DataInformation_p() const { return information_; }
  ZELI_Type* Get_Type_p() const;
  // Replaces the data information and deletes the previous one.
  void SetDataInformation_p(ZELI_DataInformation* information);
  void* Get_Data_p() const { return data_; }
  // Address of value i (i < count; the caller checks).
  const void* Get_PointAddress(unsigned i) const {
    return static_cast<const char*>(data_) + static_cast<size_t>(sizeOf_) * i;
  }
  // Takes over a grown buffer (the old one was reallocated into it).
  void Set_Data(void* data, unsigned count) noexcept {
    data_ = data;
    count_ = count;
  }

  unsigned Get_ReferenceCount() const { return referenceCount_; }
  void IncrementReferenceCount() { ++referenceCount_; }
  // Already 0: ZELI_FailedException.
  void DecrementReferenceCount();

 private:
  unsigned count_;
  ZELI_DataInformation* information_;  // owned
  void* data_;                         // owned, through the type
  unsigned sizeOf_;
  unsigned referenceCount_ = 0;
};

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

// X, Y or order values a derived waveform computed for one segment.
class ZELI_DerivedWaveformCachedArray final : public ZELI_CachedArray {
 public:
  enum Kind : unsigned { X = 0, Y = 1, ORDER = 2 };
  ZELI_DerivedWaveformCachedArray(ZELI_DerivedWaveform* owner, ZELI_Segment* segment, Kind kind, unsigned count,
                                  ZELI_DataInformation* information, void* data) noexcept
      : ZELI_CachedArray(count, information, data), owner_(owner), segment_(segment), kind_(kind) {}
  ~ZELI_DerivedWaveformCachedArray() override;
  bool IsLocatable() const override { return owner_ != nullptr; }
  bool IsStale() const override { return owner_ == nullptr; }
  void MakeUnlocatable() override { owner_ = nullptr; }

 private:
  ZELI_DerivedWaveform* owner_;  // not owned; null once unlocatable
  ZELI_Segment* segment_;
  Kind kind_;
};

// Drops one reference; an array that is then unreferenced and unlocatable
// is unlisted from cache and deleted at once (nothing can reach it any
// more). Never throws; a null array is ignored.
class ZELI_Cache;
void ZELI_ReleaseCachedArray(ZELI_Cache& cache, ZELI_CachedArray* array) noexcept;

#endif  // ZEL_ACCESS_CACHED_ARRAY_H
