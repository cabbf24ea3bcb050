// Helpers shared by the exported type functions: converting type handles,
// handing out type handles, checking that objects of one call belong to one
// container, and returning handle lists allocated with malloc.
#ifndef ZEL_INTERFACE_API_TYPE_SUPPORT_H
#define ZEL_INTERFACE_API_TYPE_SUPPORT_H

#include <cstring>
#include <vector>

#include "errors/memory.h"
#include "interface/container_wrapper.h"
#include "interface/frame.h"
#include "interface/handle_lists.h"
#include "types/type.h"

// The container wrapper of a type handle's container.
inline ZELC_Container* ZELC_TypeContainer(ZELC_Session* session, zel_type_t type) {
  return session->Convert(type)->Get_Container_p();
}

// The handle of a type of the wrapper's container (created on first need);
// the null handle for null.
inline zel_type_t ZELC_TypeHandle(ZELC_Container* wrapper, ZELI_Type* type) {
  return ZELC_HandleOf<zel_type_t>(wrapper, type);
}

// Objects combined in one call must belong to the same container.
inline void ZELC_RequireSameContainer(ZELC_Container* a, ZELC_Container* b) {
  ZELC_RequireSameContainer(a, b, "Type belongs to another container");
}

// A malloc'd array of the types' handles (null for none); count receives the
// length. Handles are made before anything is allocated for the caller.
inline zel_type_t* ZELC_TypeHandleArray(ZELC_Container* wrapper, const std::vector<ZELI_Type*>& types,
                                        unsigned* count) {
  return ZELC_HandleArray<zel_type_t>(wrapper, types, count);
}

// A zel_range_t for a range (the handle of its type in wrapper's container).
inline zel_range_t ZELC_RangeRecord(ZELC_Container* wrapper, const ZELI_Range& range) {
  return zel_range_t{ZELC_TypeHandle(wrapper, range.Get_Type_p()), range.Get_Left(), range.Get_Right(),
                     range.Get_DirectionValue()};
}

#endif  // ZEL_INTERFACE_API_TYPE_SUPPORT_H
