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

 private:
  unsigned count_;
  ZELI_DataInformation* information_;  // owned
  void* data_;                         // owned, through the type
  unsigned sizeOf_;
};

// Drops one reference; an array that is then unreferenced and unlocatable
// is unlisted from cache and deleted at once (nothing can reach it any
// more). Never throws; a null array is ignored.
void ZELI_ReleaseCachedArray(ZELI_Cache& cache, ZELI_CachedArray* array) noexcept;

#endif  // ZEL_MODEL_CACHED_ARRAY_H
