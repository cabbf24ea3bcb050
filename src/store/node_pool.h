// ZELI_NodePool and ZELI_PoolAllocator: the nodes of one node-based standard
// container (a std::map or std::set of many small entries) carved out of
// blocks instead of one heap allocation each.
//
// Why: a container opened with 100,000 waveforms builds such maps with one
// entry per waveform; one malloc and one free per entry, in a heap that
// earlier work has fragmented, cost more than the decoding itself. Here a
// block holds many nodes (32 for the first, doubling up to 4096), a freed
// node goes onto a free list and is reused, and the blocks are released
// together with the pool.
//
// The pool serves single nodes of one size: the size of the first single
// object asked for. Arrays and objects of any other size go to operator new,
// and come back by the same test (a size equal to the pool's is the pool's).
// The container using the pool must be destroyed before the pool (declare
// the pool first). Not thread-safe, like the containers it serves.
#ifndef ZEL_STORE_NODE_POOL_H
#define ZEL_STORE_NODE_POOL_H

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

class ZELI_NodePool {
 public:
  ZELI_NodePool() = default;
  ZELI_NodePool(const ZELI_NodePool&) = delete;
  ZELI_NodePool& operator=(const ZELI_NodePool&) = delete;

  // One object of `bytes` bytes (aligned for any standard type).
  void* Allocate(size_t bytes) {
    if (slotBytes_ == 0) slotBytes_ = bytes;
    if (bytes != slotBytes_) return ::operator new(bytes);
    if (free_ != nullptr) {
      FreeSlot* slot = free_;
      free_ = slot->next;
      return slot;
    }
    if (used_ == capacity_) Grow();
    return blocks_.back().get() + (used_++) * Stride();
  }

  void Free(void* object, size_t bytes) noexcept {
    if (object == nullptr) return;
    if (bytes != slotBytes_) {
      ::operator delete(object);
      return;
    }
    auto* slot = static_cast<FreeSlot*>(object);
    slot->next = free_;
    free_ = slot;
  }

 private:
  struct FreeSlot {
    FreeSlot* next;
  };
  static constexpr size_t FirstBlockSlots = 32;
  static constexpr size_t LargestBlockSlots = 4096;

  // Slots are rounded up to the strictest fundamental alignment, which the
  // blocks (from operator new[]) have.
  size_t Stride() const {
    const size_t align = alignof(std::max_align_t);
    const size_t bytes = slotBytes_ < sizeof(FreeSlot) ? sizeof(FreeSlot) : slotBytes_;
    return (bytes + align - 1) / align * align;
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
  std::vector<std::unique_ptr<unsigned char[]>> blocks_;  // the last one is being carved
  size_t capacity_ = 0;                                   // slots in the last block
  size_t used_ = 0;                                       // slots of it handed out
  FreeSlot* free_ = nullptr;                              // freed slots of any block
};

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
