// Exported functions of parameters: creating, listing and finding them,
// their settings, values (by position, appended, inserted, deleted),
// monotonicity and extremes, the find-by-object and copy families, and
// their attributes.
#include "interface/call.h"
#include "model/dimension_descriptor.h"
#include "model/parameter.h"
#include "types/type.h"

ZEL_EXPORT zel_parameter_t ZEL_CreateParameter(zel_session_t session, zel_container_t container, const char* name,
                                               zel_dimensionDescriptor_t descriptor, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullParameter, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    const auto d = ZELC_Resolve(s, descriptor, c.wrapper, "Dimension descriptor belongs to another container");
    ZELI_Parameter* parameter = c->Add_Parameter(new ZELI_Parameter(*c, name, d.object));
    return ZELC_HandleOf<zel_parameter_t>(c.wrapper, parameter);
  });
}

ZEL_EXPORT const char* ZEL_GetParameterName(zel_session_t session, zel_parameter_t parameter,
                                             zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr), [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), parameter)->Get_Name().c_str();
  });
}

ZEL_EXPORT zel_dimensionDescriptor_t ZEL_GetParameterDimensionDescriptor(zel_session_t session,
                                                                         zel_parameter_t parameter,
                                                                         zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullDimensionDescriptor, [&](ZELC_Interface& zel) {
    const auto p = ZELC_Resolve(zel.ConvertSessionHandle(session), parameter);
    return ZELC_HandleOf<zel_dimensionDescriptor_t>(p.wrapper, p->Get_DimensionDescriptor_p());
  });
}

ZEL_EXPORT zel_type_t ZEL_GetParameterType(zel_session_t session, zel_parameter_t parameter,
                                           zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    const auto p = ZELC_Resolve(zel.ConvertSessionHandle(session), parameter);
    return ZELC_HandleOf<zel_type_t>(p.wrapper, p->Get_Type_p());
  });
}

// ---- settings ------------------------------------------------------------------

ZEL_EXPORT void ZEL_SetParameterDataSpacing(zel_session_t session, zel_parameter_t parameter,
                                            zel_dataSpacing_t spacing, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), parameter)->Set_DataSpacing(spacing);
  });
}

ZEL_EXPORT zel_dataSpacing_t ZEL_GetParameterDataSpacing(zel_session_t session, zel_parameter_t parameter,
                                                         zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_DATASPACING_UNKNOWN, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), parameter)->Get_DataSpacing();
  });
}

ZEL_EXPORT void ZEL_SetParameterInterpolationType(zel_session_t session, zel_parameter_t parameter,
                                                  zel_interpolation_t interpolation, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), parameter)->Set_InterpolationType(interpolation);
  });
}

ZEL_EXPORT zel_interpolation_t ZEL_GetParameterInterpolationType(zel_session_t session, zel_parameter_t parameter,
                                                                 zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_INTERPOLATION_NONE, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), parameter)->Get_InterpolationType();
  });
}

ZEL_EXPORT void ZEL_SetParameterCompression(zel_session_t session, zel_parameter_t parameter,
                                            zel_compression_t compression, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), parameter)->Set_Compression(compression);
  });
}

ZEL_EXPORT zel_compression_t ZEL_GetParameterCompression(zel_session_t session, zel_parameter_t parameter,
                                                         zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, zel_compression_t{0}, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), parameter)->Get_Compression();
  });
}

ZEL_EXPORT void ZEL_SetParameterCompressionUserCode(zel_session_t session, zel_parameter_t parameter, int code,
                                                    zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), parameter)->Set_CompressionUserCode(code);
  });
}

ZEL_EXPORT int ZEL_GetParameterCompressionUserCode(zel_session_t session, zel_parameter_t parameter,
                                                   zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), parameter)->Get_CompressionUserCode();
  });
}

// ---- values ----------------------------------------------------------------------

ZEL_EXPORT zel_monotonicity_t ZEL_GetParameterMonotonicity(zel_session_t session, zel_parameter_t parameter,
                                                           zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_MONOTONICITY_UNKNOWN, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), parameter)->Get_Monotonicity();
  });
}

ZEL_EXPORT void ZEL_GetParameterMinMax(zel_session_t session, zel_parameter_t parameter, void* min, void* max,
                                       zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto p = ZELC_Resolve(zel.ConvertSessionHandle(session), parameter);
    ZELI_RequireArgument(min, "min is null");
    ZELI_RequireArgument(max, "max is null");
    p->Get_MinMax(min, max);
  });
}

ZEL_EXPORT unsigned ZEL_GetParameterValueCount(zel_session_t session, zel_parameter_t parameter,
                                               zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), parameter)->Get_ValueCount();
  });
}

ZEL_EXPORT void ZEL_GetParameterValue(zel_session_t session, zel_parameter_t parameter, unsigned index, void* value,
                                      int* order, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), parameter)->GetValue(index, value, order);
  });
}

ZEL_EXPORT unsigned ZEL_GetParameterValueBuffer(zel_session_t session, zel_parameter_t parameter, unsigned index,
                                                const void** value, const int** order,
                                                zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), parameter)->GetValueBuffer(index, value, order);
  });
}

ZEL_EXPORT void ZEL_AppendParameterValues(zel_session_t session, zel_parameter_t parameter, unsigned count,
                                          const void* values, const int* orders, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), parameter)->AppendValues(count, values, orders);
  });
}

ZEL_EXPORT void ZEL_InsertParameterValuesBefore(zel_session_t session, zel_parameter_t parameter, unsigned index,
                                                unsigned count, const void* values, const int* orders,
                                                zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), parameter)->InsertValuesBefore(index, count, values, orders);
  });
}

ZEL_EXPORT void ZEL_InsertParameterValuesAfter(zel_session_t session, zel_parameter_t parameter, unsigned index,
                                               unsigned count, const void* values, const int* orders,
                                               zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), parameter)->InsertValuesAfter(index, count, values, orders);
  });
}

ZEL_EXPORT void ZEL_DeleteParameterValues(zel_session_t session, zel_parameter_t parameter, unsigned index,
                                          unsigned count, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), parameter)->DeleteValues(index, count);
  });
}

// ---- lists, find and copy families ---------------------------------------------

ZEL_EXPORT zel_parameter_t* ZEL_FindParameters(zel_session_t session, zel_container_t container, const char* name,
                                               unsigned* count, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<zel_parameter_t*>(nullptr), [&](ZELC_Interface& zel) {
    const auto c = ZELC_Resolve(zel.ConvertSessionHandle(session), container);
    ZELI_RequireArgument(count, "count is null");
    return ZELC_HandleArray<zel_parameter_t>(c.wrapper, c->FindParameters(name), count);
  });
}

ZEL_EXPORT zel_parameter_t* ZEL_GetAllParameters(zel_session_t session, zel_container_t container, unsigned* count,
                                                 zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<zel_parameter_t*>(nullptr), [&](ZELC_Interface& zel) {
    const auto c = ZELC_Resolve(zel.ConvertSessionHandle(session), container);
    ZELI_RequireArgument(count, "count is null");
    return ZELC_HandleArray<zel_parameter_t>(c.wrapper, c->FindAllParameters(), count);
  });
}

// The find-by-object and copy families take a parameter of any open
// container.
ZEL_EXPORT zel_parameter_t ZEL_FindParameterByParameter(zel_session_t session, zel_container_t container,
                                                        zel_parameter_t parameter, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullParameter, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    ZELI_Parameter* found = c->FindParameterByParameter(*ZELC_Resolve(s, parameter));
    if (found == nullptr) throw ZELI_NotFoundException("Parameter not found");
    return ZELC_HandleOf<zel_parameter_t>(c.wrapper, found);
  });
}

ZEL_EXPORT zel_parameter_t ZEL_CopyParameter(zel_session_t session, zel_container_t container,
                                             zel_parameter_t parameter, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullParameter, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    return ZELC_HandleOf<zel_parameter_t>(c.wrapper, c->CopyParameter(*ZELC_Resolve(s, parameter)));
  });
}

ZEL_EXPORT zel_parameter_t ZEL_FindOrCopyParameter(zel_session_t session, zel_container_t container,
                                                   zel_parameter_t parameter, zel_bool_t* created,
                                                   zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullParameter, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    zel_bool_t copied = 0;
    ZELI_Parameter* result = c->FindOrCopyParameter(*ZELC_Resolve(s, parameter), &copied);
    const zel_parameter_t handle = ZELC_HandleOf<zel_parameter_t>(c.wrapper, result);
    if (created != nullptr) *created = copied;
    return handle;
  });
}

ZEL_EXPORT zel_bool_t ZEL_AreEqualParameters(zel_session_t session, zel_parameter_t a, zel_parameter_t b,
                                             zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, zel_bool_t{0}, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const ZELI_Parameter& first = *ZELC_Resolve(s, a);
    return static_cast<zel_bool_t>(first == *ZELC_Resolve(s, b) ? 1 : 0);
  });
}

// ---- attributes ----------------------------------------------------------------

ZEL_EXPORT const char* ZEL_GetParameterAttribute(zel_session_t session, zel_parameter_t parameter, const char* name,
                                                 zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr), [&](ZELC_Interface& zel) {
    const auto p = ZELC_Resolve(zel.ConvertSessionHandle(session), parameter);
    ZELI_RequireArgument(name, "name is null");
    return p->Get_Attribute(name);
  });
}

ZEL_EXPORT const char** ZEL_GetParameterAttributeNames(zel_session_t session, zel_parameter_t parameter,
                                                       unsigned* count, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char**>(nullptr), [&](ZELC_Interface& zel) {
    const auto p = ZELC_Resolve(zel.ConvertSessionHandle(session), parameter);
    ZELI_RequireArgument(count, "count is null");
    return p->Get_AttributeNames(*count);
  });
}

ZEL_EXPORT void ZEL_SetParameterAttribute(zel_session_t session, zel_parameter_t parameter, const char* name,
                                          const char* value, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto p = ZELC_Resolve(zel.ConvertSessionHandle(session), parameter);
    ZELI_RequireArgument(name, "name is null");
    p->Set_Attribute(name, value);
  });
}
