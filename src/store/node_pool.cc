// The process's small-object pools (see node_pool.h).
#include "store/node_pool.h"

#if defined(__SANITIZE_ADDRESS__)
#define ZELI_POOLS_BYPASSED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZELI_POOLS_BYPASSED 1
#endif
#endif

namespace {

#ifndef ZELI_POOLS_BYPASSED
constexpr size_t PoolCount = 16;

// Never destroyed: objects may be freed by static destructors at exit. A
// pool whose objects are all freed holds no blocks.
ZELI_NodePool* PoolOf(size_t bytes, bool create) {
  static ZELI_NodePool* pools = new ZELI_NodePool[PoolCount];
  for (size_t i = 0; i < PoolCount; ++i) {
    if (pools[i].Get_SlotBytes() == bytes) return &pools[i];
    // The first free pool takes the size at its first allocation.
    if (pools[i].Get_SlotBytes() == 0) return create ? &pools[i] : nullptr;
  }
  return nullptr;
}
#endif

}  // namespace

void* ZELI_SmallObjectAllocate(size_t bytes) {
#ifndef ZELI_POOLS_BYPASSED
  if (ZELI_NodePool* pool = PoolOf(bytes, true)) return pool->Allocate(bytes);
#endif
  return ::operator new(bytes);
}

void ZELI_SmallObjectFree(void* object, size_t bytes) noexcept {
#ifndef ZELI_POOLS_BYPASSED
  if (ZELI_NodePool* pool = PoolOf(bytes, false)) {
    pool->Free(object, bytes);
    return;
  }
#endif
  static_cast<void>(bytes);  // used by the pools only
  ::operator delete(object);
}
