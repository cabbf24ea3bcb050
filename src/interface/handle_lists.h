// Handing container objects out through the interface: the handle of one
// object, malloc'd arrays of handles for the list functions, and range
// records with the handle of their type.
#ifndef ZEL_INTERFACE_HANDLE_LISTS_H
#define ZEL_INTERFACE_HANDLE_LISTS_H

#include <cstring>
#include <vector>

#include "errors/memory.h"
#include "interface/container_wrapper.h"
#include "types/range.h"
#include "types/type.h"

// The handle of an object of the wrapper's container (its handle object is
// created on first need); the null handle for null.
template <typename Handle, typename T>
Handle ZELC_HandleOf(ZELC_Container* wrapper, T* object) {
  if (object == nullptr) return Handle{-1};
  return Handle{wrapper->Get_Interface_p(object)->Get_Key()};
}

// A malloc'd array of the objects' handles, freed by the caller with free;
// null with count 0 for none. Handles are made before the array is
// allocated, so a failure leaks nothing.
template <typename Handle, typename T>
Handle* ZELC_HandleArray(ZELC_Container* wrapper, const std::vector<T*>& objects, unsigned* count) {
  std::vector<Handle> handles;
  handles.reserve(objects.size());
  for (T* object : objects) handles.push_back(ZELC_HandleOf<Handle>(wrapper, object));
  Handle* array = nullptr;
  if (!handles.empty()) {
    array = static_cast<Handle*>(ZELI_OS_Malloc(handles.size() * sizeof(Handle)));
    std::memcpy(array, handles.data(), handles.size() * sizeof(Handle));
  }
  *count = static_cast<unsigned>(handles.size());
  return array;
}

// A zel_range_t for a range (the handle of its type in wrapper's container).
inline zel_range_t ZELC_RangeRecord(ZELC_Container* wrapper, const ZELI_Range& range) {
  return zel_range_t{ZELC_HandleOf<zel_type_t>(wrapper, range.Get_Type_p()), range.Get_Left(), range.Get_Right(),
                     range.Get_DirectionValue()};
}

#endif  // ZEL_INTERFACE_HANDLE_LISTS_H
