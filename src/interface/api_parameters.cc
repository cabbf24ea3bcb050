// Exported functions of parameters: creating, listing and finding them,
// their settings, values (by position, appended, inserted, deleted),
// monotonicity and extremes, the find-by-object and copy families, and
// their attributes.
#include "interface/api_model.h"
#include "model/dimension_descriptor.h"
#include "model/parameter.h"
#include "types/type.h"

template <>
struct ZELC_ModelTable<ZELI_Parameter> {
  static constexpr const char* NotFound = "Parameter not found";
  static ZELI_Parameter* Find(ZELI_Container& c, const ZELI_Parameter& p) { return c.FindParameterByParameter(p); }
  static ZELI_Parameter* Copy(ZELI_Container& c, const ZELI_Parameter& p) { return c.CopyParameter(p); }
  static ZELI_Parameter* FindOrCopy(ZELI_Container& c, const ZELI_Parameter& p, zel_bool_t* copied) {
    return c.FindOrCopyParameter(p, copied);
  }
};

ZEL_EXPORT zel_parameter_t ZEL_CreateParameter(zel_session_t session, zel_container_t container, const char* name,
                                               zel_dimensionDescriptor_t descriptor, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullParameter, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELC_Container* wrapper = s->Convert(container);
    const auto d = ZELC_ConvertContained(s, descriptor);
    ZELC_RequireSameContainer(wrapper, d.wrapper, "Dimension descriptor belongs to another container");
    ZELI_Container* object = wrapper->Get_Object_p();
    ZELI_Parameter* parameter = object->Add_Parameter(new ZELI_Parameter(*object, name, d.object));
    return ZELC_HandleOf<zel_parameter_t>(wrapper, parameter);
  });
}

ZEL_EXPORT const char* ZEL_GetParameterName(zel_session_t session, zel_parameter_t parameter,
                                             zel_status_t* status) noexcept {
  return ZELC_WithObject(__func__, session, parameter, status, static_cast<const char*>(nullptr),
                       [](ZELI_Parameter& p) { return p.Get_Name().c_str(); });
}

ZEL_EXPORT zel_dimensionDescriptor_t ZEL_GetParameterDimensionDescriptor(zel_session_t session,
                                                                         zel_parameter_t parameter,
                                                                         zel_status_t* status) noexcept {
  return ZELC_WithObject(__func__, session, parameter, status, ZEL_NullDimensionDescriptor,
                         [](ZELI_Parameter& p, ZELC_Container* wrapper) {
                           return ZELC_HandleOf<zel_dimensionDescriptor_t>(wrapper, p.Get_DimensionDescriptor_p());
                         });
}

ZEL_EXPORT zel_type_t ZEL_GetParameterType(zel_session_t session, zel_parameter_t parameter,
                                           zel_status_t* status) noexcept {
  return ZELC_WithObject(__func__, session, parameter, status, ZEL_NullType,
                         [](ZELI_Parameter& p, ZELC_Container* wrapper) {
                           return ZELC_HandleOf<zel_type_t>(wrapper, p.Get_Type_p());
                         });
}

// ---- settings ------------------------------------------------------------------

ZEL_EXPORT void ZEL_SetParameterDataSpacing(zel_session_t session, zel_parameter_t parameter,
                                            zel_dataSpacing_t spacing, zel_status_t* status) noexcept {
  ZELC_WithObjectVoid(__func__, session, parameter, status, [&](ZELI_Parameter& p) { p.Set_DataSpacing(spacing); });
}

ZEL_EXPORT zel_dataSpacing_t ZEL_GetParameterDataSpacing(zel_session_t session, zel_parameter_t parameter,
                                                         zel_status_t* status) noexcept {
  return ZELC_WithObject(__func__, session, parameter, status, ZEL_DATASPACING_UNKNOWN,
                       [](ZELI_Parameter& p) { return p.Get_DataSpacing(); });
}

ZEL_EXPORT void ZEL_SetParameterInterpolationType(zel_session_t session, zel_parameter_t parameter,
                                                  zel_interpolation_t interpolation, zel_status_t* status) noexcept {
  ZELC_WithObjectVoid(__func__, session, parameter, status,
                    [&](ZELI_Parameter& p) { p.Set_InterpolationType(interpolation); });
}

ZEL_EXPORT zel_interpolation_t ZEL_GetParameterInterpolationType(zel_session_t session, zel_parameter_t parameter,
                                                                 zel_status_t* status) noexcept {
  return ZELC_WithObject(__func__, session, parameter, status, ZEL_INTERPOLATION_NONE,
                       [](ZELI_Parameter& p) { return p.Get_InterpolationType(); });
}

ZEL_EXPORT void ZEL_SetParameterCompression(zel_session_t session, zel_parameter_t parameter,
                                            zel_compression_t compression, zel_status_t* status) noexcept {
  ZELC_WithObjectVoid(__func__, session, parameter, status, [&](ZELI_Parameter& p) { p.Set_Compression(compression); });
}

ZEL_EXPORT zel_compression_t ZEL_GetParameterCompression(zel_session_t session, zel_parameter_t parameter,
                                                         zel_status_t* status) noexcept {
  return ZELC_WithObject(__func__, session, parameter, status, zel_compression_t{0},
                       [](ZELI_Parameter& p) { return p.Get_Compression(); });
}

ZEL_EXPORT void ZEL_SetParameterCompressionUserCode(zel_session_t session, zel_parameter_t parameter, int code,
                                                    zel_status_t* status) noexcept {
  ZELC_WithObjectVoid(__func__, session, parameter, status,
                      [&](ZELI_Parameter& p) { p.Set_CompressionUserCode(code); });
}

ZEL_EXPORT int ZEL_GetParameterCompressionUserCode(zel_session_t session, zel_parameter_t parameter,
                                                   zel_status_t* status) noexcept {
  return ZELC_WithObject(__func__, session, parameter, status, 0,
                       [](ZELI_Parameter& p) { return p.Get_CompressionUserCode(); });
}

// ---- values ----------------------------------------------------------------------

ZEL_EXPORT zel_monotonicity_t ZEL_GetParameterMonotonicity(zel_session_t session, zel_parameter_t parameter,
                                                           zel_status_t* status) noexcept {
  return ZELC_WithObject(__func__, session, parameter, status, ZEL_MONOTONICITY_UNKNOWN,
                       [](ZELI_Parameter& p) { return p.Get_Monotonicity(); });
}

ZEL_EXPORT void ZEL_GetParameterMinMax(zel_session_t session, zel_parameter_t parameter, void* min, void* max,
                                       zel_status_t* status) noexcept {
  ZELC_WithObjectVoid(__func__, session, parameter, status, [&](ZELI_Parameter& p) {
    ZELI_RequireArgument(min, "min is null");
    ZELI_RequireArgument(max, "max is null");
    p.Get_MinMax(min, max);
  });
}

ZEL_EXPORT unsigned ZEL_GetParameterValueCount(zel_session_t session, zel_parameter_t parameter,
                                               zel_status_t* status) noexcept {
  return ZELC_WithObject(__func__, session, parameter, status, 0u,
                         [](ZELI_Parameter& p) { return p.Get_ValueCount(); });
}

ZEL_EXPORT void ZEL_GetParameterValue(zel_session_t session, zel_parameter_t parameter, unsigned index, void* value,
                                      int* order, zel_status_t* status) noexcept {
  ZELC_WithObjectVoid(__func__, session, parameter, status,
                      [&](ZELI_Parameter& p) { p.GetValue(index, value, order); });
}

ZEL_EXPORT unsigned ZEL_GetParameterValueBuffer(zel_session_t session, zel_parameter_t parameter, unsigned index,
                                                const void** value, const int** order,
                                                zel_status_t* status) noexcept {
  return ZELC_WithObject(__func__, session, parameter, status, 0u,
                       [&](ZELI_Parameter& p) { return p.GetValueBuffer(index, value, order); });
}

ZEL_EXPORT void ZEL_AppendParameterValues(zel_session_t session, zel_parameter_t parameter, unsigned count,
                                          const void* values, const int* orders, zel_status_t* status) noexcept {
  ZELC_WithObjectVoid(__func__, session, parameter, status,
                    [&](ZELI_Parameter& p) { p.AppendValues(count, values, orders); });
}

ZEL_EXPORT void ZEL_InsertParameterValuesBefore(zel_session_t session, zel_parameter_t parameter, unsigned index,
                                                unsigned count, const void* values, const int* orders,
                                                zel_status_t* status) noexcept {
  ZELC_WithObjectVoid(__func__, session, parameter, status,
                    [&](ZELI_Parameter& p) { p.InsertValuesBefore(index, count, values, orders); });
}

ZEL_EXPORT void ZEL_InsertParameterValuesAfter(zel_session_t session, zel_parameter_t parameter, unsigned index,
                                               unsigned count, const void* values, const int* orders,
                                               zel_status_t* status) noexcept {
  ZELC_WithObjectVoid(__func__, session, parameter, status,
                    [&](ZELI_Parameter& p) { p.InsertValuesAfter(index, count, values, orders); });
}

ZEL_EXPORT void ZEL_DeleteParameterValues(zel_session_t session, zel_parameter_t parameter, unsigned index,
                                          unsigned count, zel_status_t* status) noexcept {
  ZELC_WithObjectVoid(__func__, session, parameter, status, [&](ZELI_Parameter& p) { p.DeleteValues(index, count); });
}

// ---- lists, find and copy families ---------------------------------------------

ZEL_EXPORT zel_parameter_t* ZEL_FindParameters(zel_session_t session, zel_container_t container, const char* name,
                                               unsigned* count, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<zel_parameter_t*>(nullptr), [&](ZELC_Interface& zel) {
    ZELC_Container* wrapper = zel.ConvertSessionHandle(session)->Convert(container);
    ZELI_RequireArgument(count, "count is null");
    return ZELC_HandleArray<zel_parameter_t>(wrapper, wrapper->Get_Object_p()->FindParameters(name), count);
  });
}

ZEL_EXPORT zel_parameter_t* ZEL_GetAllParameters(zel_session_t session, zel_container_t container, unsigned* count,
                                                 zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<zel_parameter_t*>(nullptr), [&](ZELC_Interface& zel) {
    ZELC_Container* wrapper = zel.ConvertSessionHandle(session)->Convert(container);
    ZELI_RequireArgument(count, "count is null");
    return ZELC_HandleArray<zel_parameter_t>(wrapper, wrapper->Get_Object_p()->FindAllParameters(), count);
  });
}

ZEL_EXPORT zel_parameter_t ZEL_FindParameterByParameter(zel_session_t session, zel_container_t container,
                                                        zel_parameter_t parameter, zel_status_t* status) noexcept {
  return ZELC_FindObjectByObject(__func__, session, container, parameter, status);
}

ZEL_EXPORT zel_parameter_t ZEL_CopyParameter(zel_session_t session, zel_container_t container,
                                             zel_parameter_t parameter, zel_status_t* status) noexcept {
  return ZELC_CopyObject(__func__, session, container, parameter, status);
}

ZEL_EXPORT zel_parameter_t ZEL_FindOrCopyParameter(zel_session_t session, zel_container_t container,
                                                   zel_parameter_t parameter, zel_bool_t* created,
                                                   zel_status_t* status) noexcept {
  return ZELC_FindOrCopyObject(__func__, session, container, parameter, created, status);
}

ZEL_EXPORT zel_bool_t ZEL_AreEqualParameters(zel_session_t session, zel_parameter_t a, zel_parameter_t b,
                                             zel_status_t* status) noexcept {
  return ZELC_AreEqualObjects(__func__, session, a, b, status);
}

// ---- attributes ----------------------------------------------------------------

ZEL_EXPORT const char* ZEL_GetParameterAttribute(zel_session_t session, zel_parameter_t parameter, const char* name,
                                                 zel_status_t* status) noexcept {
  return ZELC_GetObjectAttribute(__func__, session, parameter, name, status);
}

ZEL_EXPORT const char** ZEL_GetParameterAttributeNames(zel_session_t session, zel_parameter_t parameter,
                                                       unsigned* count, zel_status_t* status) noexcept {
  return ZELC_GetObjectAttributeNames(__func__, session, parameter, count, status);
}

ZEL_EXPORT void ZEL_SetParameterAttribute(zel_session_t session, zel_parameter_t parameter, const char* name,
                                          const char* value, zel_status_t* status) noexcept {
  ZELC_SetObjectAttribute(__func__, session, parameter, name, value, status);
}
