// Cached arrays: values of one stored or computed array held in memory.
//
// A cached array owns count values laid out by its data information's type
// (allocated through that type, released through its FreeData) and the data
// information itself. It lives in the container's ZELI_Cache, which deletes
// it by one rule: reference count 0 and no longer locatable by an owner.
// Owners never delete a shared array: they call MakeUnlocatable and forget
// it, and the cache takes it once the last reference is gone. A kind with an
// owner tells the owner to forget it from its destructor (never throws);
// those kinds live with their owners (waveforms/owned_cached_arrays.h).
//
// References are taken by data arrays, waveform segments and waveform X
// data, and released by their destructors.
//
// Determination on demand. An array made from values just read may leave
// the monotonicity and extremes of its data information to be determined
// when first asked for (DetermineOnDemand): every way to the information
// (Get_DataInformation_p) determines them first, over the array's own
// values, so what a caller sees is what an eager determination would have
// given; a read whose values are only copied or summed never scans them.
#ifndef ZEL_MODEL_CACHED_ARRAY_H
#define ZEL_MODEL_CACHED_ARRAY_H

#include <cstddef>

#include "store/cache.h"
#include "zel/zel.h"

class ZELI_DataInformation;
class ZELI_Type;

class ZELI_CachedArray : public ZELI_CacheEntry {
 public:
  // Takes ownership of data (count values of information's type, allocated
  // through it; may be null when count is 0) and of information (not null).
  ZELI_CachedArray(unsigned count, ZELI_DataInformation* information, void* data) noexcept;
  // Frees the values through the type and deletes the data information.
  ~ZELI_CachedArray() override;

  unsigned Get_PointCount() const { return count_; }
  // Size of one value: the element type's stored size (0 without a type).
  unsigned Get_SizeOf() const { return sizeOf_; }
  // The data information, its monotonicity and extremes determined first
  // when they were left for later (may then throw as DetermineMonMinMax).
  ZELI_DataInformation* Get_DataInformation_p() const {
    if (determineOnDemand_) DetermineNow();
    return information_;
  }
  // The data information as it stands: when determination was left for
  // later, without the determined monotonicity and extremes (the given ones
  // are there). For copies that determine over other values anyway.
  const ZELI_DataInformation& Get_UndeterminedInformation() const { return *information_; }
  // Leaves the determination of monotonicity and extremes over the values
  // to the first Get_DataInformation_p (nothing to do for unordered or
  // composite types and for an empty array: they are never scanned).
  void DetermineOnDemand() noexcept;
  bool IsDeterminationPending() const { return determineOnDemand_; }
  // Not the data information's: the type is never left for later.
  ZELI_Type* Get_Type_p() const;
  // Replaces the data information and deletes the previous one (a
  // determination left for later is dropped with it).
  void SetDataInformation_p(ZELI_DataInformation* information);
  void* Get_Data_p() const { return data_; }
  // Address of value i (i < count; the caller checks).
  const void* Get_PointAddress(unsigned i) const {
    return static_cast<const char*>(data_) + static_cast<size_t>(sizeOf_) * i;
  }

 private:
  // Determines over the values and clears the flag (which stays set when
  // the determination throws: the next caller tries again).
  void DetermineNow() const;

  unsigned count_;
  ZELI_DataInformation* information_;  // owned
  void* data_;                         // owned, through the type
  unsigned sizeOf_;
  // Monotonicity and extremes not yet determined over data_ (see above).
  mutable bool determineOnDemand_ = false;
};

// Drops one reference; an array that is then unreferenced and unlocatable
// is unlisted from cache and deleted at once (nothing can reach it any
// more). Never throws; a null array is ignored.
void ZELI_ReleaseCachedArray(ZELI_Cache& cache, ZELI_CachedArray* array) noexcept;

#endif  // ZEL_MODEL_CACHED_ARRAY_H
