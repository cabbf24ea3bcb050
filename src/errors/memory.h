// Memory exhaustion as an exception. Inside every interface call the process's
// new-handler is ZELI_TheNewHandler, so a failed `new` throws
// ZELI_BadAllocException and the call reports ZEL_BAD_ALLOC. The malloc-style
// functions below follow the same rule for memory handed to callers.
#ifndef ZEL_ERRORS_MEMORY_H
#define ZEL_ERRORS_MEMORY_H

#include <cstddef>
#include <new>

// Throws ZELI_BadAllocException.
void ZELI_TheNewHandler();

// Installs ZELI_TheNewHandler for its lifetime (unless install is false);
// Restore() puts the previous handler back early (before reporting a
// failure, which may allocate).
class ZELI_NewHandler {
 public:
  explicit ZELI_NewHandler(bool install = true) noexcept
      : previous_(install ? std::set_new_handler(&ZELI_TheNewHandler) : nullptr), active_(install) {}
  ~ZELI_NewHandler() { Restore(); }
  void Restore() noexcept {
    if (active_) {
      std::set_new_handler(previous_);
      active_ = false;
    }
  }
  ZELI_NewHandler(const ZELI_NewHandler&) = delete;
  ZELI_NewHandler& operator=(const ZELI_NewHandler&) = delete;

 private:
  std::new_handler previous_;
  bool active_;
};

// Blocks of at least ZELI_LargeBlockBytes that ZELI_OS_Free releases are
// kept in a process-wide reserve of at most ZELI_LargeBlockReserveBytes
// (and 8 blocks), and ZELI_OS_Malloc hands them out again to requests of at
// least half their size: a read that follows another then copies into pages
// that exist instead of pages the kernel must allocate and zero.
constexpr size_t ZELI_LargeBlockBytes = size_t{256} << 10;
constexpr size_t ZELI_LargeBlockReserveBytes = size_t{64} << 20;
// Bytes held in the reserve now.
size_t ZELI_LargeBlocksInReserve();
// Frees every block of the reserve.
void ZELI_ReleaseLargeBlockReserve() noexcept;

// Null for size 0; ZELI_BadAllocException when memory is exhausted. A large
// block may come from the reserve (its bytes are then whatever they were).
void* ZELI_OS_Malloc(size_t size);
// The same for a block the caller fills whole at once (values read from a
// file): a large block that does not come from the reserve has its pages
// made present first, in one call (MADV_POPULATE_WRITE where the kernel
// has it), rather than one page fault per page while it is filled.
void* ZELI_OS_MallocToFill(size_t size);
// Frees p and returns null for size 0; ZELI_BadAllocException on failure (p
// is then still valid).
void* ZELI_OS_Realloc(void* p, size_t size);
void ZELI_OS_Free(void* p) noexcept;

// Makes room for one more element of a vector, so that the push_back that
// follows cannot fail for lack of it (whatever must not fail after an
// object is registered can then come last). The capacity doubles when it
// runs out: n additions move O(n) elements in all, where reserving size + 1
// each time would move O(n^2).
template <typename Vector>
void ZELI_ReserveOneMore(Vector& vector) {
  if (vector.size() == vector.capacity()) vector.reserve(vector.size() < 8 ? 8 : 2 * vector.size());
}

#endif  // ZEL_ERRORS_MEMORY_H
