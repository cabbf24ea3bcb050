// Helpers shared by the exported functions of a container's persistent
// model objects (dimension descriptors, parameters): running a body on the
// object of a handle (with the wrapper of its container), and the families
// that look alike for every such object (attributes; find by object, copy,
// find or copy, equality).
//
// ZELC_ModelTable<T> ties an implementation class to its container table
// functions and its not-found message; the family templates use it.
#ifndef ZEL_INTERFACE_API_MODEL_H
#define ZEL_INTERFACE_API_MODEL_H

#include <type_traits>

#include "interface/api_model_support.h"
#include "interface/container_wrapper.h"
#include "interface/frame.h"
#include "interface/handle_lists.h"
#include "store/container.h"

// Calls body(object, wrapper), or body(object) when it takes the object
// alone.
template <typename Handle, typename Body>
decltype(auto) ZELC_ApplyToObject(ZELC_Interface& zel, zel_session_t session, Handle handle, Body& body) {
  const auto contained = ZELC_ConvertContained(zel.ConvertSessionHandle(session), handle);
  if constexpr (std::is_invocable_v<Body&, decltype(*contained.object)>) {
    return body(*contained.object);
  } else {
    return body(*contained.object, contained.wrapper);
  }
}

// Runs the body in the call frame for a function of one object handle and
// returns its result (failure on a failing call).
template <typename Handle, typename Result, typename Body>
Result ZELC_WithObject(const char* function, zel_session_t session, Handle handle, zel_status_t* status,
                       Result failure, Body&& body) noexcept {
  return ZELC_Call(function, status, failure,
                   [&](ZELC_Interface& zel) -> Result { return ZELC_ApplyToObject(zel, session, handle, body); });
}

template <typename Handle, typename Body>
void ZELC_WithObjectVoid(const char* function, zel_session_t session, Handle handle, zel_status_t* status,
                         Body&& body) noexcept {
  ZELC_CallVoid(function, status, [&](ZELC_Interface& zel) { ZELC_ApplyToObject(zel, session, handle, body); });
}

// ---- attributes --------------------------------------------------------------

template <typename Handle>
const char* ZELC_GetObjectAttribute(const char* function, zel_session_t session, Handle handle, const char* name,
                                    zel_status_t* status) noexcept {
  return ZELC_WithObject(function, session, handle, status, static_cast<const char*>(nullptr),
                         [&](auto& object, ZELC_Container*) {
                           ZELI_RequireArgument(name, "name is null");
                           return object.Get_Attribute(name);
                         });
}

template <typename Handle>
const char** ZELC_GetObjectAttributeNames(const char* function, zel_session_t session, Handle handle,
                                          unsigned* count, zel_status_t* status) noexcept {
  return ZELC_WithObject(function, session, handle, status, static_cast<const char**>(nullptr),
                         [&](auto& object, ZELC_Container*) {
                           ZELI_RequireArgument(count, "count is null");
                           return object.Get_AttributeNames(*count);
                         });
}

template <typename Handle>
void ZELC_SetObjectAttribute(const char* function, zel_session_t session, Handle handle, const char* name,
                             const char* value, zel_status_t* status) noexcept {
  ZELC_WithObjectVoid(function, session, handle, status, [&](auto& object, ZELC_Container*) {
    ZELI_RequireArgument(name, "name is null");
    object.Set_Attribute(name, value);
  });
}

// ---- find by object, copy, find or copy, equality ----------------------------

template <typename T>
struct ZELC_ModelTable;

// The container's first object equal to the handle's (of any open
// container); none: ZELI_NotFoundException with the table's message.
template <typename Handle>
Handle ZELC_FindObjectByObject(const char* function, zel_session_t session, zel_container_t container,
                               Handle handle, zel_status_t* status) noexcept {
  using Table = ZELC_ModelTable<typename ZELC_HandleTraits<Handle>::Object>;
  return ZELC_Call(function, status, Handle{-1}, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELC_Container* wrapper = s->Convert(container);
    auto* found = Table::Find(*wrapper->Get_Object_p(), *s->Object(handle));
    if (found == nullptr) throw ZELI_NotFoundException(Table::NotFound);
    return ZELC_HandleOf<Handle>(wrapper, found);
  });
}

// A copy of the handle's object (of any open container) added to the
// container.
template <typename Handle>
Handle ZELC_CopyObject(const char* function, zel_session_t session, zel_container_t container, Handle handle,
                       zel_status_t* status) noexcept {
  using Table = ZELC_ModelTable<typename ZELC_HandleTraits<Handle>::Object>;
  return ZELC_Call(function, status, Handle{-1}, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELC_Container* wrapper = s->Convert(container);
    return ZELC_HandleOf<Handle>(wrapper, Table::Copy(*wrapper->Get_Object_p(), *s->Object(handle)));
  });
}

// The equal object, or a copy; created (when not null) tells which.
template <typename Handle>
Handle ZELC_FindOrCopyObject(const char* function, zel_session_t session, zel_container_t container,
                             Handle handle, zel_bool_t* created, zel_status_t* status) noexcept {
  using Table = ZELC_ModelTable<typename ZELC_HandleTraits<Handle>::Object>;
  return ZELC_Call(function, status, Handle{-1}, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELC_Container* wrapper = s->Convert(container);
    zel_bool_t copied = 0;
    auto* result = Table::FindOrCopy(*wrapper->Get_Object_p(), *s->Object(handle), &copied);
    const Handle h = ZELC_HandleOf<Handle>(wrapper, result);
    if (created != nullptr) *created = copied;
    return h;
  });
}

// Equality by value of two objects of any open containers.
template <typename Handle>
zel_bool_t ZELC_AreEqualObjects(const char* function, zel_session_t session, Handle a, Handle b,
                                zel_status_t* status) noexcept {
  return ZELC_Call(function, status, zel_bool_t{0}, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto* first = s->Object(a);
    return static_cast<zel_bool_t>(*first == *s->Object(b) ? 1 : 0);
  });
}

#endif  // ZEL_INTERFACE_API_MODEL_H
