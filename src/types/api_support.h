// Helpers shared by the exported type functions: converting type handles,
// handing out type handles, checking that objects of one call belong to one
// container, and returning handle lists allocated with malloc.
#ifndef ZEL_TYPES_API_SUPPORT_H
#define ZEL_TYPES_API_SUPPORT_H

#include <cstring>
#include <vector>

#include "errors/memory.h"
#include "interface/container_wrapper.h"
#include "interface/frame.h"
#include "types/type.h"

// The container wrapper of a type handle's container.
inline ZELC_Container* ZELC_TypeContainer(ZELC_Session* session, zel_type_t type) {
  return session->Convert(type)->Get_Container_p();
}

// The handle of a type of the wrapper's container (created on first need);
// the null handle for null.
inline zel_type_t ZELC_TypeHandle(ZELC_Container* wrapper, ZELI_Type* type) {
  if (type == nullptr) return zel_type_t{-1};
  return zel_type_t{wrapper->Get_Interface_p(type)->Get_Key()};
}

// Objects combined in one call must belong to the same container.
inline void ZELC_RequireSameContainer(ZELC_Container* a, ZELC_Container* b) {
  if (a->Get_Object_p() != b->Get_Object_p()) throw ZELI_BadArgException("Type belongs to another container");
}

// A malloc'd array of the types' handles (null for none); count receives the
// length. Handles are made before anything is allocated for the caller.
inline zel_type_t* ZELC_TypeHandleArray(ZELC_Container* wrapper, const std::vector<ZELI_Type*>& types,
                                        unsigned* count) {
  std::vector<zel_type_t> handles;
  handles.reserve(types.size());
  for (ZELI_Type* type : types) handles.push_back(ZELC_TypeHandle(wrapper, type));
  zel_type_t* array = nullptr;
  if (!handles.empty()) {
    array = static_cast<zel_type_t*>(ZELI_OS_Malloc(handles.size() * sizeof(zel_type_t)));
    std::memcpy(array, handles.data(), handles.size() * sizeof(zel_type_t));
  }
  *count = static_cast<unsigned>(handles.size());
  return array;
}

// A zel_range_t for a range (the handle of its type in wrapper's container).
inline zel_range_t ZELC_RangeRecord(ZELC_Container* wrapper, const ZELI_Range& range) {
  return zel_range_t{ZELC_TypeHandle(wrapper, range.Get_Type_p()), range.Get_Left(), range.Get_Right(),
                     range.Get_DirectionValue()};
}

#endif  // ZEL_TYPES_API_SUPPORT_H
