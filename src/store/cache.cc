// ZELI_Cache: the container's list of cached arrays.
#include "store/cache.h"

#include <algorithm>

#include "errors/exceptions.h"

void ZELI_CacheEntry::DecrementReferenceCount() {
  if (referenceCount_ == 0) throw ZELI_FailedException("ZELI_CachedArray::DecrementReferenceCount is alread 0");
  --referenceCount_;
}

ZELI_Cache::~ZELI_Cache() { Clear(); }

void ZELI_Cache::Clear() noexcept {
  // Destructors of cached arrays may call back into their owners; the list is
  // detached first so that nothing they do can touch it mid-walk.
  std::vector<ZELI_CacheEntry*> arrays;
  arrays.swap(arrays_);
  for (ZELI_CacheEntry* array : arrays) delete array;
}

void ZELI_Cache::Add_CachedArray(ZELI_CacheEntry* array) {
  if (array == nullptr || Contains(array)) throw ZELI_BadArgException("ZELI_Cache::Add_CachedArray");
  arrays_.push_back(array);
}

bool ZELI_Cache::Remove_CachedArray(ZELI_CacheEntry* array) {
  auto it = std::find(arrays_.begin(), arrays_.end(), array);
  if (it == arrays_.end()) return false;
  arrays_.erase(it);
  return true;
}

bool ZELI_Cache::Contains(const ZELI_CacheEntry* array) const {
  return std::find(arrays_.begin(), arrays_.end(), array) != arrays_.end();
}

void ZELI_Cache::LetGo(ZELI_CacheEntry* array) noexcept {
  if (array == nullptr) return;
  array->MakeUnlocatable();
  if (array->Get_ReferenceCount() != 0) return;
  Remove_CachedArray(array);
  delete array;
}

unsigned ZELI_Cache::CollectGarbage() {
  std::vector<ZELI_CacheEntry*> garbage;
  auto keep = std::stable_partition(arrays_.begin(), arrays_.end(), [](const ZELI_CacheEntry* array) {
    return array->Get_ReferenceCount() != 0 || array->IsLocatable();
  });
  garbage.assign(keep, arrays_.end());
  arrays_.erase(keep, arrays_.end());
  // Deleted only once unlisted, for the same reason as in the destructor.
  for (ZELI_CacheEntry* array : garbage) delete array;
  return static_cast<unsigned>(garbage.size());
}

void ZELI_Cache::Release(ZELI_CacheEntry* entry) noexcept {
  if (entry == nullptr) return;
  if (entry->Get_ReferenceCount() > 0) entry->DecrementReferenceCount();
  if (entry->Get_ReferenceCount() == 0 && !entry->IsLocatable()) {
    Remove_CachedArray(entry);
    delete entry;
  }
}
