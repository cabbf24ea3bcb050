// ZELI_NodePool and ZELI_PoolAllocator: small objects of one size carved
// out of blocks instead of one heap allocation each; ZELI_SmallObjects: the
// process's pools for the objects a container holds one or more of per
// waveform (hierarchy nodes, waveforms, data informations).
//
// Why: a container opened with 100,000 waveforms builds some 300,000 such
// objects and destroys them at close; one malloc and one free each, in a
// heap that earlier work has fragmented, cost more than the decoding
// itself. Here a block holds many objects (32 for the first, doubling up to
// 4096), a freed object goes onto a free list and is reused, and when the
// last object of a pool is freed its blocks are released but for the first
// 32 MiB, kept for the next container opened.
//
// A pool serves single objects of one size (given at construction, or the
// first size asked for). Arrays and objects of any other size go to
// operator new, and come back by the same test (a size equal to the pool's
// is the pool's). Not thread-safe: like the rest of the library, pools are
// used from one thread at a time.
#ifndef ZEL_STORE_NODE_POOL_H
#define ZEL_STORE_NODE_POOL_H

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

class ZELI_NodePool {
 public:
  // slotBytes 0: the size of the first object asked for. keptBytes: what
  // the pool keeps of its blocks when its last object goes (see Release).
  explicit ZELI_NodePool(size_t slotBytes = 0, size_t keptBytes = DefaultKeptBytes)
      : slotBytes_(slotBytes), keptBytes_(keptBytes) {}
  ZELI_NodePool(const ZELI_NodePool&) = delete;
  ZELI_NodePool& operator=(const ZELI_NodePool&) = delete;

  // One object of `bytes` bytes (aligned for any standard type).
  void* Allocate(size_t bytes) {
    if (slotBytes_ == 0) slotBytes_ = bytes;
    if (bytes != slotBytes_) return ::operator new(bytes);
    if (free_ == nullptr && used_ == capacity_) Grow();
    ++live_;
    if (free_ != nullptr) {
      FreeSlot* slot = free_;
      free_ = slot->next;
      return slot;
    }
    return blocks_.back().get() + (used_++) * Stride();
  }

  void Free(void* object, size_t bytes) noexcept {
    if (object == nullptr) return;
    if (bytes != slotBytes_) {
      ::operator delete(object);
      return;
    }
    if (--live_ == 0) {
      Release();
      return;
    }
    auto* slot = static_cast<FreeSlot*>(object);
    slot->next = free_;
    free_ = slot;
  }

  size_t Get_SlotBytes() const { return slotBytes_; }
  size_t Get_LiveCount() const { return live_; }
  size_t Get_BlockCount() const { return blocks_.size(); }

 private:
  struct FreeSlot {
    FreeSlot* next;
  };
  static constexpr size_t FirstBlockSlots = 32;
  static constexpr size_t LargestBlockSlots = 4096;
  static constexpr size_t DefaultKeptBytes = size_t{32} << 20;

  // Slots are rounded up to the strictest fundamental alignment, which the
  // blocks (from operator new[]) have.
  size_t Stride() const {
    const size_t align = alignof(std::max_align_t);
    const size_t bytes = slotBytes_ < sizeof(FreeSlot) ? sizeof(FreeSlot) : slotBytes_;
    return (bytes + align - 1) / align * align;
  }

  // The last object went: the blocks go back to the heap, but for the first
  // ones up to keptBytes_, which the next objects reuse. Reopening a
  // container then touches no fresh pages: with 100,000 waveforms, reading
  // the structure took 39 ms of processor time with every block given back
  // (faulted in and zeroed again) and 29 ms with them kept. 32 MiB
  // hold 100,000 of the largest pooled objects (hierarchy nodes of about
  // 180 bytes); the heap keeps as much of what it is given back.
  void Release() noexcept {
    size_t kept = 0;
    size_t bytes = 0;
    size_t slots = FirstBlockSlots;
    while (kept < blocks_.size() && bytes + slots * Stride() <= keptBytes_) {
      bytes += slots * Stride();
      ++kept;
      if (kept < blocks_.size()) slots = slots * 2 < LargestBlockSlots ? slots * 2 : LargestBlockSlots;
    }
    blocks_.resize(kept);
    free_ = nullptr;
    if (kept == 0) {
      capacity_ = 0;
      used_ = 0;
      return;
    }
    // The kept blocks are handed out again from the start: every earlier
    // block through the free list, the last one carved afresh.
    size_t blockSlots = FirstBlockSlots;
    for (size_t b = 0; b + 1 < kept; ++b) {
      for (size_t i = blockSlots; i-- > 0;) {
        auto* slot = reinterpret_cast<FreeSlot*>(blocks_[b].get() + i * Stride());
        slot->next = free_;
        free_ = slot;
      }
      blockSlots = blockSlots * 2 < LargestBlockSlots ? blockSlots * 2 : LargestBlockSlots;
    }
    capacity_ = blockSlots;
    used_ = 0;
  }

  void Grow() {
    const size_t slots = capacity_ == 0 ? FirstBlockSlots : (capacity_ * 2 < LargestBlockSlots ? capacity_ * 2
                                                                                                : LargestBlockSlots);
    blocks_.reserve(blocks_.size() + 1);  // so that push_back cannot throw after new
    blocks_.push_back(std::unique_ptr<unsigned char[]>(new unsigned char[slots * Stride()]));
    capacity_ = slots;
    used_ = 0;
  }

  size_t slotBytes_ = 0;                                  // 0 until the first allocation
  size_t keptBytes_;
  std::vector<std::unique_ptr<unsigned char[]>> blocks_;  // the last one is being carved
  size_t capacity_ = 0;                                   // slots in the last block
  size_t used_ = 0;                                       // slots of it handed out
  FreeSlot* free_ = nullptr;                              // freed slots of any block
  size_t live_ = 0;                                       // objects handed out and not freed
};

// The process's pools for small objects, one per size, sizes taken as they
// come (up to sixteen; further sizes go to operator new). Classes route their
// operator new and delete here. Under AddressSanitizer everything goes to
// operator new, so that uses after free stay visible.
void* ZELI_SmallObjectAllocate(size_t bytes);
void ZELI_SmallObjectFree(void* object, size_t bytes) noexcept;

// Class-specific operators through the small-object pools; sized delete
// receives the size of the dynamic type where the destructor is virtual.
#define ZELI_SMALL_OBJECT_OPERATORS                                                          \
  static void* operator new(size_t bytes) { return ZELI_SmallObjectAllocate(bytes); }     \
  static void operator delete(void* object, size_t bytes) noexcept {                        \
    ZELI_SmallObjectFree(object, bytes);                                                    \
  }

// A standard allocator over a pool (see above); copies share the pool.
template <typename T>
class ZELI_PoolAllocator {
 public:
  using value_type = T;

  explicit ZELI_PoolAllocator(ZELI_NodePool* pool) noexcept : pool_(pool) {}
  template <typename U>
  ZELI_PoolAllocator(const ZELI_PoolAllocator<U>& other) noexcept : pool_(other.Pool()) {}  // NOLINT: rebinding

  T* allocate(size_t n) {
    if (n == 1) return static_cast<T*>(pool_->Allocate(sizeof(T)));
    return static_cast<T*>(::operator new(n * sizeof(T)));
  }
  void deallocate(T* object, size_t n) noexcept {
    if (n == 1) {
      pool_->Free(object, sizeof(T));
    } else {
      ::operator delete(object);
    }
  }

  ZELI_NodePool* Pool() const noexcept { return pool_; }
  template <typename U>
  bool operator==(const ZELI_PoolAllocator<U>& other) const noexcept {
    return pool_ == other.Pool();
  }
  template <typename U>
  bool operator!=(const ZELI_PoolAllocator<U>& other) const noexcept {
    return pool_ != other.Pool();
  }

 private:
  ZELI_NodePool* pool_;
};

#endif  // ZEL_STORE_NODE_POOL_H
