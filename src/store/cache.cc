// ZELI_Cache: the container's list of cached arrays.
#include "store/cache.h"

#include <algorithm>

#include "access/cached_array.h"
#include "errors/exceptions.h"

ZELI_Cache::~ZELI_Cache() { Clear(); }

void ZELI_Cache::Clear() noexcept {
  // Destructors of cached arrays may call back into their owners; the list is
  // detached first so that nothing they do can touch it mid-walk.
  std::vector<ZELI_CachedArray*> arrays;
  arrays.swap(arrays_);
  for (ZELI_CachedArray* array : arrays) delete array;
}

void ZELI_Cache::Add_CachedArray(ZELI_CachedArray* array) {
  if (array == nullptr || Contains(array)) throw ZELI_BadArgException("ZELI_Cache::Add_CachedArray");
  arrays_.push_back(array);
}

bool ZELI_Cache::Remove_CachedArray(ZELI_CachedArray* array) {
  auto it = std::find(arrays_.begin(), arrays_.end(), array);
  if (it == arrays_.end()) return false;
  arrays_.erase(it);
  return true;
}

bool ZELI_Cache::Contains(const ZELI_CachedArray* array) const {
  return std::find(arrays_.begin(), arrays_.end(), array) != arrays_.end();
}

void ZELI_Cache::LetGo(ZELI_CachedArray* array) noexcept {
  if (array == nullptr) return;
  array->MakeUnlocatable();
  if (array->Get_ReferenceCount() != 0) return;
  Remove_CachedArray(array);
  delete array;
}

unsigned ZELI_Cache::CollectGarbage() {
  std::vector<ZELI_CachedArray*> garbage;
  auto keep = std::stable_partition(arrays_.begin(), arrays_.end(), [](const ZELI_CachedArray* array) {
    return array->Get_ReferenceCount() != 0 || array->IsLocatable();
  });
  garbage.assign(keep, arrays_.end());
  arrays_.erase(keep, arrays_.end());
  // Deleted only once unlisted, for the same reason as in the destructor.
  for (ZELI_CachedArray* array : garbage) delete array;
  return static_cast<unsigned>(garbage.size());
}
