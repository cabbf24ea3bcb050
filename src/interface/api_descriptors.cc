// Exported functions of dimension descriptors: creating, naming, listing and
// finding them, the find-by-object and copy families, and their attributes
// (kept in memory only).
#include "interface/api_model.h"
#include "model/dimension_descriptor.h"
#include "types/type.h"

template <>
struct ZELC_ModelTable<ZELI_DimensionDescriptor> {
  static constexpr const char* NotFound = "Dimension descriptor not found";
  static ZELI_DimensionDescriptor* Find(ZELI_Container& c, const ZELI_DimensionDescriptor& d) {
    return c.FindDimensionDescriptorByDescriptor(d);
  }
  static ZELI_DimensionDescriptor* Copy(ZELI_Container& c, const ZELI_DimensionDescriptor& d) {
    return c.CopyDimensionDescriptor(d);
  }
  static ZELI_DimensionDescriptor* FindOrCopy(ZELI_Container& c, const ZELI_DimensionDescriptor& d,
                                              zel_bool_t* copied) {
    return c.FindOrCopyDimensionDescriptor(d, copied);
  }
};

namespace {

// The type of a handle, which must belong to the wrapper's container; the
// null handle gives no type.
ZELI_Type* TypeOfContainer(ZELC_Session* session, ZELC_Container* wrapper, zel_type_t type) {
  if (type.key == -1) return nullptr;
  const auto contained = ZELC_ConvertContained(session, type);
  ZELC_RequireSameContainer(wrapper, contained.wrapper, "Type belongs to another container");
  return contained.object;
}

}  // namespace

ZEL_EXPORT zel_dimensionDescriptor_t ZEL_CreateDimensionDescriptor(zel_session_t session, zel_container_t container,
                                                                   const char* name, const char* unit,
                                                                   zel_type_t type, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullDimensionDescriptor, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELC_Container* wrapper = s->Convert(container);
    ZELI_Type* valueType = TypeOfContainer(s, wrapper, type);
    ZELI_DimensionDescriptor* descriptor =
        wrapper->Get_Object_p()->Add_DimensionDescriptor(new ZELI_DimensionDescriptor(name, unit, valueType));
    return ZELC_HandleOf<zel_dimensionDescriptor_t>(wrapper, descriptor);
  });
}

ZEL_EXPORT const char* ZEL_GetDimensionDescriptorName(zel_session_t session, zel_dimensionDescriptor_t descriptor,
                                                      zel_status_t* status) noexcept {
  return ZELC_WithObject(__func__, session, descriptor, status, static_cast<const char*>(nullptr),
                         [](ZELI_DimensionDescriptor& d, ZELC_Container*) { return d.Get_Name().c_str(); });
}

ZEL_EXPORT const char* ZEL_GetDimensionDescriptorUnit(zel_session_t session, zel_dimensionDescriptor_t descriptor,
                                                      zel_status_t* status) noexcept {
  return ZELC_WithObject(__func__, session, descriptor, status, static_cast<const char*>(nullptr),
                         [](ZELI_DimensionDescriptor& d, ZELC_Container*) { return d.Get_Unit().c_str(); });
}

ZEL_EXPORT zel_type_t ZEL_GetDimensionDescriptorType(zel_session_t session, zel_dimensionDescriptor_t descriptor,
                                                     zel_status_t* status) noexcept {
  return ZELC_WithObject(__func__, session, descriptor, status, ZEL_NullType,
                         [](ZELI_DimensionDescriptor& d, ZELC_Container* wrapper) {
                           return ZELC_HandleOf<zel_type_t>(wrapper, d.Get_Type_p());
                         });
}

ZEL_EXPORT void ZEL_SetDimensionDescriptorName(zel_session_t session, zel_dimensionDescriptor_t descriptor,
                                               const char* name, zel_status_t* status) noexcept {
  ZELC_WithObjectVoid(__func__, session, descriptor, status, [&](ZELI_DimensionDescriptor& d, ZELC_Container* wrapper) {
    d.Set_Name(name);
    wrapper->Get_Object_p()->Set_Modified();  // the name is part of the stored record
  });
}

ZEL_EXPORT zel_dimensionDescriptor_t* ZEL_FindDimensionDescriptors(zel_session_t session, zel_container_t container,
                                                                   const char* name, const char* unit,
                                                                   zel_type_t type, unsigned* count,
                                                                   zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<zel_dimensionDescriptor_t*>(nullptr), [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELC_Container* wrapper = s->Convert(container);
    ZELI_Type* valueType = TypeOfContainer(s, wrapper, type);
    ZELI_RequireArgument(count, "count is null");
    return ZELC_HandleArray<zel_dimensionDescriptor_t>(
        wrapper, wrapper->Get_Object_p()->FindDimensionDescriptors(name, unit, valueType), count);
  });
}

ZEL_EXPORT zel_dimensionDescriptor_t* ZEL_GetAllDimensionDescriptors(zel_session_t session,
                                                                     zel_container_t container, unsigned* count,
                                                                     zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<zel_dimensionDescriptor_t*>(nullptr), [&](ZELC_Interface& zel) {
    ZELC_Container* wrapper = zel.ConvertSessionHandle(session)->Convert(container);
    ZELI_RequireArgument(count, "count is null");
    return ZELC_HandleArray<zel_dimensionDescriptor_t>(
        wrapper, wrapper->Get_Object_p()->FindAllDimensionDescriptors(), count);
  });
}

ZEL_EXPORT zel_dimensionDescriptor_t ZEL_FindDimensionDescriptorByDescriptor(zel_session_t session,
                                                                             zel_container_t container,
                                                                             zel_dimensionDescriptor_t descriptor,
                                                                             zel_status_t* status) noexcept {
  return ZELC_FindObjectByObject(__func__, session, container, descriptor, status);
}

ZEL_EXPORT zel_dimensionDescriptor_t ZEL_CopyDimensionDescriptor(zel_session_t session, zel_container_t container,
                                                                 zel_dimensionDescriptor_t descriptor,
                                                                 zel_status_t* status) noexcept {
  return ZELC_CopyObject(__func__, session, container, descriptor, status);
}

ZEL_EXPORT zel_dimensionDescriptor_t ZEL_FindOrCopyDimensionDescriptor(zel_session_t session,
                                                                       zel_container_t container,
                                                                       zel_dimensionDescriptor_t descriptor,
                                                                       zel_bool_t* created,
                                                                       zel_status_t* status) noexcept {
  return ZELC_FindOrCopyObject(__func__, session, container, descriptor, created, status);
}

ZEL_EXPORT zel_bool_t ZEL_AreEqualDimensionDescriptors(zel_session_t session, zel_dimensionDescriptor_t a,
                                                       zel_dimensionDescriptor_t b, zel_status_t* status) noexcept {
  return ZELC_AreEqualObjects(__func__, session, a, b, status);
}

ZEL_EXPORT const char* ZEL_GetDimensionDescriptorAttribute(zel_session_t session,
                                                           zel_dimensionDescriptor_t descriptor, const char* name,
                                                           zel_status_t* status) noexcept {
  return ZELC_GetObjectAttribute(__func__, session, descriptor, name, status);
}

ZEL_EXPORT const char** ZEL_GetDimensionDescriptorAttributeNames(zel_session_t session,
                                                                 zel_dimensionDescriptor_t descriptor,
                                                                 unsigned* count, zel_status_t* status) noexcept {
  return ZELC_GetObjectAttributeNames(__func__, session, descriptor, count, status);
}

ZEL_EXPORT void ZEL_SetDimensionDescriptorAttribute(zel_session_t session, zel_dimensionDescriptor_t descriptor,
                                                    const char* name, const char* value,
                                                    zel_status_t* status) noexcept {
  ZELC_SetObjectAttribute(__func__, session, descriptor, name, value, status);
}
