// The container's cache of in-memory value arrays. Readers and in-memory
// writers build ZELI_CachedArray objects (one per stored or computed array
// they hold in memory) and hand them to the cache, which owns them from then
// on and frees them by one rule: an array is garbage once nobody references
// it (reference count 0) and its owner can no longer find it (not locatable).
// An unreferenced array that its owner can still locate stays, so that the
// next read finds it; the owner calls MakeUnlocatable when it lets go.
//
// The cache knows its entries only as ZELI_CacheEntry: a reference count
// and whether an owner can still locate the entry. The cached arrays (values
// and their summaries) derive from it in the layers that hold typed values.
#ifndef ZEL_STORE_CACHE_H
#define ZEL_STORE_CACHE_H

#include <vector>

class ZELI_CacheEntry {
 public:
  ZELI_CacheEntry() = default;
  virtual ~ZELI_CacheEntry() = default;
  ZELI_CacheEntry(const ZELI_CacheEntry&) = delete;
  ZELI_CacheEntry& operator=(const ZELI_CacheEntry&) = delete;

  // True while an owner can still reach the entry (a plain one has none).
  virtual bool IsLocatable() const { return false; }
  // True once the owner let go because its values changed: the entry no
  // longer shows what is stored (a plain one has no owner to follow).
  virtual bool IsStale() const { return false; }
  // The owner lets go: the entry becomes garbage once unreferenced.
  virtual void MakeUnlocatable() {}

  unsigned Get_ReferenceCount() const { return referenceCount_; }
  void IncrementReferenceCount() { ++referenceCount_; }
  // Already 0: ZELI_FailedException.
  void DecrementReferenceCount();

 private:
  unsigned referenceCount_ = 0;
};

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
  void Add_CachedArray(ZELI_CacheEntry* array);
  // Gives ownership back to the caller; false when the array is not listed.
  bool Remove_CachedArray(ZELI_CacheEntry* array);
  bool Contains(const ZELI_CacheEntry* array) const;
  // An owner lets go of an array it kept: the array becomes unlocatable and,
  // when nobody references it, is unlisted and deleted at once; a referenced
  // one stays listed until its last reference goes. Never throws; a null
  // array is ignored.
  void LetGo(ZELI_CacheEntry* array) noexcept;
  // Drops one reference; an entry that is then unreferenced and unlocatable
  // is unlisted and deleted at once (nothing can reach it any more). Never
  // throws; a null entry is ignored.
  void Release(ZELI_CacheEntry* entry) noexcept;
  unsigned Get_Count() const { return static_cast<unsigned>(arrays_.size()); }

  // Deletes and unlists every array with reference count 0 that is no longer
  // locatable; returns how many were deleted.
  unsigned CollectGarbage();

 private:
  std::vector<ZELI_CacheEntry*> arrays_;  // owned, in the order they were added
};

#endif  // ZEL_STORE_CACHE_H
