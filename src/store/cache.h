// The container's cache of in-memory value arrays. Readers and in-memory
// writers build ZELI_CachedArray objects (one per stored or computed array
// they hold in memory) and hand them to the cache, which owns them from then
// on and frees them by one rule: an array is garbage once nobody references
// it (reference count 0) and its owner can no longer find it (not locatable).
// An unreferenced array that its owner can still locate stays, so that the
// next read finds it; the owner calls MakeUnlocatable when it lets go.
//
// The cached arrays themselves (values, owners, reference counts) are in
// access/cached_array.h.
#ifndef ZEL_STORE_CACHE_H
#define ZEL_STORE_CACHE_H

#include <vector>

class ZELI_CachedArray;  // access/cached_array.h

class ZELI_Cache {
 public:
  ZELI_Cache() = default;
  // Deletes every array still listed.
  ~ZELI_Cache();
  // Deletes every listed array now (owners are told through the arrays'
  // destructors); the list is empty afterwards.
  void Clear() noexcept;
  ZELI_Cache(const ZELI_Cache&) = delete;
  ZELI_Cache& operator=(const ZELI_Cache&) = delete;

  // Takes ownership. Null or an array already listed: ZELI_BadArgException.
  void Add_CachedArray(ZELI_CachedArray* array);
  // Gives ownership back to the caller; false when the array is not listed.
  bool Remove_CachedArray(ZELI_CachedArray* array);
  bool Contains(const ZELI_CachedArray* array) const;
  // An owner lets go of an array it kept: the array becomes unlocatable and,
  // when nobody references it, is unlisted and deleted at once; a referenced
  // one stays listed until its last reference goes. Never throws; a null
  // array is ignored.
  void LetGo(ZELI_CachedArray* array) noexcept;
  unsigned Get_Count() const { return static_cast<unsigned>(arrays_.size()); }

  // Deletes and unlists every array with reference count 0 that is no longer
  // locatable; returns how many were deleted.
  unsigned CollectGarbage();

 private:
  std::vector<ZELI_CachedArray*> arrays_;  // owned, in the order they were added
};

#endif  // ZEL_STORE_CACHE_H
