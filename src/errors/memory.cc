// Allocation functions and the throwing new-handler.
#include "errors/memory.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "errors/exceptions.h"

void ZELI_TheNewHandler() { throw ZELI_BadAllocException(); }

// ---- the reserve of large blocks ----------------------------------------------
//
// Why: a block of ZELI_LargeBlockBytes or more comes from the C library as
// fresh pages (it maps them, or trims them off the heap when the block is
// freed), and the kernel then allocates and zeroes every page on its first
// touch: for a first read of a waveform, which copies the file's bytes into
// such blocks, that costs as much as the copy. Freed large blocks are
// therefore kept, up to ZELI_LargeBlockReserveBytes in all, and handed to
// the next request they fit (at least the size asked for, at most twice it),
// whose pages are then already there. The reserve is process-wide and, like
// the rest of the library, used from one thread at a time (it takes no
// lock); its blocks are ordinary malloc blocks, so realloc and free work on
// them as on any other.
namespace {

constexpr unsigned ReserveSlots = 8;

struct Reserve {
  void* blocks[ReserveSlots] = {};
  size_t sizes[ReserveSlots] = {};  // usable bytes of each block
  size_t total = 0;
};

// Never destroyed: frees may come from static destructors after main.
Reserve& TheReserve() {
  static Reserve* reserve = new Reserve;
  return *reserve;
}

void* TakeFromReserve(size_t size) {
  Reserve& reserve = TheReserve();
  unsigned best = ReserveSlots;
  for (unsigned i = 0; i < ReserveSlots; ++i) {
    if (reserve.blocks[i] == nullptr || reserve.sizes[i] < size || reserve.sizes[i] / 2 > size) continue;
    if (best == ReserveSlots || reserve.sizes[i] < reserve.sizes[best]) best = i;
  }
  if (best == ReserveSlots) return nullptr;
  void* block = reserve.blocks[best];
  reserve.blocks[best] = nullptr;
  reserve.total -= reserve.sizes[best];
  return block;
}

bool PutInReserve(void* p, size_t usable) {
  Reserve& reserve = TheReserve();
  if (reserve.total + usable > ZELI_LargeBlockReserveBytes) return false;
  for (unsigned i = 0; i < ReserveSlots; ++i) {
    if (reserve.blocks[i] != nullptr) continue;
    reserve.blocks[i] = p;
    reserve.sizes[i] = usable;
    reserve.total += usable;
    return true;
  }
  return false;
}

}  // namespace

void* ZELI_OS_Malloc(size_t size) {
  if (size == 0) return nullptr;
  if (size >= ZELI_LargeBlockBytes) {
    if (void* kept = TakeFromReserve(size)) return kept;
  }
  void* p = std::malloc(size);
  if (p == nullptr) throw ZELI_BadAllocException();
  return p;
}

void* ZELI_OS_MallocToFill(size_t size) {
  if (size >= ZELI_LargeBlockBytes) {
    if (void* kept = TakeFromReserve(size)) return kept;
  }
  void* p = ZELI_OS_Malloc(size);
#ifdef MADV_POPULATE_WRITE
  if (size >= ZELI_LargeBlockBytes) {
    // The whole pages inside the block, made present in one call instead of
    // one fault each while they are filled. A kernel without the advice
    // refuses it, and the pages then come as faults, as before.
    const long page = ::sysconf(_SC_PAGESIZE);
    if (page > 0) {
      const uintptr_t mask = static_cast<uintptr_t>(page) - 1;
      const uintptr_t first = (reinterpret_cast<uintptr_t>(p) + mask) & ~mask;
      const uintptr_t end = (reinterpret_cast<uintptr_t>(p) + size) & ~mask;
      if (end > first) ::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
    }
  }
#endif
  return p;
}

size_t ZELI_LargeBlocksInReserve() {
  Reserve& reserve = TheReserve();
  return reserve.total;
}

void ZELI_ReleaseLargeBlockReserve() noexcept {
  Reserve& reserve = TheReserve();
  for (unsigned i = 0; i < ReserveSlots; ++i) {
    std::free(reserve.blocks[i]);
    reserve.blocks[i] = nullptr;
  }
  reserve.total = 0;
}

void* ZELI_OS_Realloc(void* p, size_t size) {
  if (size == 0) {
    std::free(p);
    return nullptr;
  }
  void* q = std::realloc(p, size);
  if (q == nullptr) throw ZELI_BadAllocException();
  return q;
}

void ZELI_OS_Free(void* p) noexcept {
  if (p == nullptr) return;
  const size_t usable = malloc_usable_size(p);
  if (usable >= ZELI_LargeBlockBytes && PutInReserve(p, usable)) return;
  std::free(p);
}
