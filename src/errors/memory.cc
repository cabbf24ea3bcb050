// Allocation functions and the throwing new-handler.
#include "errors/memory.h"

#include <cstdlib>

#include "errors/exceptions.h"

void ZELI_TheNewHandler() { throw ZELI_BadAllocException(); }

void* ZELI_OS_Malloc(size_t size) {
  if (size == 0) return nullptr;
  void* p = std::malloc(size);
  if (p == nullptr) throw ZELI_BadAllocException();
  return p;
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

void ZELI_OS_Free(void* p) noexcept { std::free(p); }
