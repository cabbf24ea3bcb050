// ZELI_TypedValues: count values of one type in memory allocated through
// the type (zeroed: null strings), freed through it (strings with their
// texts) unless handed over with Release. Lets a reader fill a buffer value
// by value and still leak nothing when a read in between fails.
#ifndef ZEL_TYPES_TYPED_VALUES_H
#define ZEL_TYPES_TYPED_VALUES_H

#include <cstddef>

#include "errors/memory.h"
#include "types/type.h"

class ZELI_TypedValues {
 public:
  // New zeroed memory for count values (ZELI_BadAllocException when short).
  ZELI_TypedValues(const ZELI_Type* type, unsigned count)
      : type_(type), count_(count), data_(type->ReallocData(nullptr, count, 0)) {}
  // Memory for count values that the caller overwrites whole before any is
  // read or freed: left unzeroed unless the type holds strings (whose slots
  // must start null). Zeroing a large buffer only to overwrite it costs as
  // much as the copy that fills it.
  struct Overwritten {};
  ZELI_TypedValues(const ZELI_Type* type, unsigned count, Overwritten)
      : type_(type),
        count_(count),
        data_(type->HoldsStrings() || type->Get_SizeOf() == 0
                  ? type->ReallocData(nullptr, count, 0)
                  : ZELI_OS_MallocToFill(static_cast<size_t>(type->Get_SizeOf()) * count)) {}
  // Adopts data (count values allocated through type; may be null).
  ZELI_TypedValues(const ZELI_Type* type, unsigned count, void* data) noexcept
      : type_(type), count_(count), data_(data) {}
  ~ZELI_TypedValues() {
    try {
      type_->FreeData(data_, count_);
    } catch (...) {
      // Only types of size 0 refuse, and they never allocate.
    }
  }
  ZELI_TypedValues(const ZELI_TypedValues&) = delete;
  ZELI_TypedValues& operator=(const ZELI_TypedValues&) = delete;

  void* Get() const { return data_; }
  // Address of value i (i < count).
  char* At(unsigned i) const { return static_cast<char*>(data_) + static_cast<size_t>(type_->Get_SizeOf()) * i; }
  // Hands the memory over to the caller.
  void* Release() noexcept {
    void* data = data_;
    data_ = nullptr;
    return data;
  }

 private:
  const ZELI_Type* type_;
  unsigned count_;
  void* data_;
};

#endif  // ZEL_TYPES_TYPED_VALUES_H
