// Memory for the results of an operation: count values of a type, zeroed
// (so string results start as null texts, and nothing uninitialised can
// reach a caller or a file), from the allocator every type frees with. The
// caller that allocates a result array frees it exactly once, through the
// type (ZELI_TypedValues), whatever the operation does; operations free
// nothing themselves.
#ifndef ZEL_ACCESS_WF_RESULT_VALUES_H
#define ZEL_ACCESS_WF_RESULT_VALUES_H

#include <cstdlib>

#include "errors/exceptions.h"
#include "types/type.h"
#include "types/typed_values.h"

// Null for no values. A type of size 0: ZELI_BadArgException "Type does not
// store data"; exhausted memory: ZELI_BadAllocException. Large blocks come
// zeroed from the system without being written here.
inline void* ZELI_AllocateZeroedValues(const ZELI_Type& type, unsigned count) {
  if (type.Get_SizeOf() == 0) throw ZELI_BadArgException("Type does not store data");
  if (count == 0) return nullptr;
  void* values = std::calloc(count, type.Get_SizeOf());
  if (values == nullptr) throw ZELI_BadAllocException();
  return values;
}

// count zeroed values of type, freed through it unless released.
class ZELI_ResultValues : public ZELI_TypedValues {
 public:
  ZELI_ResultValues(const ZELI_Type& type, unsigned count)
      : ZELI_TypedValues(&type, count, ZELI_AllocateZeroedValues(type, count)) {}
};

#endif  // ZEL_ACCESS_WF_RESULT_VALUES_H
