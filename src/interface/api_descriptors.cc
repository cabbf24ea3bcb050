// Exported functions of dimension descriptors: creating, naming, listing and
// finding them, the find-by-object and copy families, and their attributes
// (kept in memory only).
#include "interface/call.h"
#include "model/dimension_descriptor.h"
#include "types/type.h"

namespace {

// The type of a handle, which must belong to the container; the null handle
// gives no type.
ZELI_Type* TypeOf(const ZELC_Session* s, const ZELC_Arg<ZELI_Container>& c, zel_type_t type) {
  if (type.key == -1) return nullptr;
  return ZELC_Resolve(s, type, c.wrapper, "Type belongs to another container").object;
}

}  // namespace

ZEL_EXPORT zel_dimensionDescriptor_t ZEL_CreateDimensionDescriptor(zel_session_t session, zel_container_t container,
                                                                   const char* name, const char* unit,
                                                                   zel_type_t type, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullDimensionDescriptor, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    ZELI_Type* valueType = TypeOf(s, c, type);
    ZELI_DimensionDescriptor* descriptor =
        c->Add_DimensionDescriptor(new ZELI_DimensionDescriptor(name, unit, valueType));
    return ZELC_HandleOf<zel_dimensionDescriptor_t>(c.wrapper, descriptor);
  });
}

ZEL_EXPORT const char* ZEL_GetDimensionDescriptorName(zel_session_t session, zel_dimensionDescriptor_t descriptor,
                                                      zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr), [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), descriptor)->Get_Name().c_str();
  });
}

ZEL_EXPORT const char* ZEL_GetDimensionDescriptorUnit(zel_session_t session, zel_dimensionDescriptor_t descriptor,
                                                      zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr), [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), descriptor)->Get_Unit().c_str();
  });
}

ZEL_EXPORT zel_type_t ZEL_GetDimensionDescriptorType(zel_session_t session, zel_dimensionDescriptor_t descriptor,
                                                     zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    const auto d = ZELC_Resolve(zel.ConvertSessionHandle(session), descriptor);
    return ZELC_HandleOf<zel_type_t>(d.wrapper, d->Get_Type_p());
  });
}

ZEL_EXPORT void ZEL_SetDimensionDescriptorName(zel_session_t session, zel_dimensionDescriptor_t descriptor,
                                               const char* name, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto d = ZELC_Resolve(zel.ConvertSessionHandle(session), descriptor);
    d->Set_Name(name);
    d.wrapper->Get_Object_p()->Set_Modified();  // the name is part of the stored record
  });
}

ZEL_EXPORT zel_dimensionDescriptor_t* ZEL_FindDimensionDescriptors(zel_session_t session, zel_container_t container,
                                                                   const char* name, const char* unit,
                                                                   zel_type_t type, unsigned* count,
                                                                   zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<zel_dimensionDescriptor_t*>(nullptr), [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    ZELI_Type* valueType = TypeOf(s, c, type);
    ZELI_RequireArgument(count, "count is null");
    return ZELC_HandleArray<zel_dimensionDescriptor_t>(c.wrapper, c->FindDimensionDescriptors(name, unit, valueType),
                                                       count);
  });
}

ZEL_EXPORT zel_dimensionDescriptor_t* ZEL_GetAllDimensionDescriptors(zel_session_t session,
                                                                     zel_container_t container, unsigned* count,
                                                                     zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<zel_dimensionDescriptor_t*>(nullptr), [&](ZELC_Interface& zel) {
    const auto c = ZELC_Resolve(zel.ConvertSessionHandle(session), container);
    ZELI_RequireArgument(count, "count is null");
    return ZELC_HandleArray<zel_dimensionDescriptor_t>(c.wrapper, c->FindAllDimensionDescriptors(), count);
  });
}

// The find-by-object and copy families take a descriptor of any open
// container.
ZEL_EXPORT zel_dimensionDescriptor_t ZEL_FindDimensionDescriptorByDescriptor(zel_session_t session,
                                                                             zel_container_t container,
                                                                             zel_dimensionDescriptor_t descriptor,
                                                                             zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullDimensionDescriptor, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    ZELI_DimensionDescriptor* found = c->FindDimensionDescriptorByDescriptor(*ZELC_Resolve(s, descriptor));
    if (found == nullptr) throw ZELI_NotFoundException("Dimension descriptor not found");
    return ZELC_HandleOf<zel_dimensionDescriptor_t>(c.wrapper, found);
  });
}

ZEL_EXPORT zel_dimensionDescriptor_t ZEL_CopyDimensionDescriptor(zel_session_t session, zel_container_t container,
                                                                 zel_dimensionDescriptor_t descriptor,
                                                                 zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullDimensionDescriptor, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    ZELI_DimensionDescriptor* copy = c->CopyDimensionDescriptor(*ZELC_Resolve(s, descriptor));
    return ZELC_HandleOf<zel_dimensionDescriptor_t>(c.wrapper, copy);
  });
}

ZEL_EXPORT zel_dimensionDescriptor_t ZEL_FindOrCopyDimensionDescriptor(zel_session_t session,
                                                                       zel_container_t container,
                                                                       zel_dimensionDescriptor_t descriptor,
                                                                       zel_bool_t* created,
                                                                       zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullDimensionDescriptor, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    zel_bool_t copied = 0;
    ZELI_DimensionDescriptor* result = c->FindOrCopyDimensionDescriptor(*ZELC_Resolve(s, descriptor), &copied);
    const zel_dimensionDescriptor_t handle = ZELC_HandleOf<zel_dimensionDescriptor_t>(c.wrapper, result);
    if (created != nullptr) *created = copied;
    return handle;
  });
}

ZEL_EXPORT zel_bool_t ZEL_AreEqualDimensionDescriptors(zel_session_t session, zel_dimensionDescriptor_t a,
                                                       zel_dimensionDescriptor_t b, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, zel_bool_t{0}, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const ZELI_DimensionDescriptor& first = *ZELC_Resolve(s, a);
    return static_cast<zel_bool_t>(first == *ZELC_Resolve(s, b) ? 1 : 0);
  });
}

ZEL_EXPORT const char* ZEL_GetDimensionDescriptorAttribute(zel_session_t session,
                                                           zel_dimensionDescriptor_t descriptor, const char* name,
                                                           zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr), [&](ZELC_Interface& zel) {
    const auto d = ZELC_Resolve(zel.ConvertSessionHandle(session), descriptor);
    ZELI_RequireArgument(name, "name is null");
    return d->Get_Attribute(name);
  });
}

ZEL_EXPORT const char** ZEL_GetDimensionDescriptorAttributeNames(zel_session_t session,
                                                                 zel_dimensionDescriptor_t descriptor,
                                                                 unsigned* count, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char**>(nullptr), [&](ZELC_Interface& zel) {
    const auto d = ZELC_Resolve(zel.ConvertSessionHandle(session), descriptor);
    ZELI_RequireArgument(count, "count is null");
    return d->Get_AttributeNames(*count);
  });
}

ZEL_EXPORT void ZEL_SetDimensionDescriptorAttribute(zel_session_t session, zel_dimensionDescriptor_t descriptor,
                                                    const char* name, const char* value,
                                                    zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto d = ZELC_Resolve(zel.ConvertSessionHandle(session), descriptor);
    ZELI_RequireArgument(name, "name is null");
    d->Set_Attribute(name, value);
  });
}
