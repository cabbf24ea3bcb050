// Exported functions of waveform sets: creation, name, X descriptor,
// parameter list, finding, copying, equality and attributes.
#include "interface/api_model_support.h"
#include "model/dimension_descriptor.h"
#include "model/parameter.h"
#include "model/waveform_set.h"
#include "store/container.h"

namespace {

using SetArg = ZELC_Contained<ZELI_WaveformSet>;

ZELI_DimensionDescriptor* DescriptorOf(ZELC_Session* session, ZELC_Container* wrapper,
                                       zel_dimensionDescriptor_t handle) {
  auto contained = ZELC_ConvertContained(session, handle);
  ZELC_RequireSameContainer(wrapper, contained.wrapper, "Dimension descriptor belongs to another container");
  return contained.object;
}

}  // namespace

std::vector<ZELI_Parameter*> ZELC_ConvertParameterList(ZELC_Session* session, ZELC_Container* wrapper, unsigned count,
                                                       const zel_parameter_t* handles) {
  std::vector<ZELI_Parameter*> parameters(count, nullptr);
  if (handles == nullptr) return parameters;
  for (unsigned i = 0; i < count; ++i) {
    if (handles[i].key == -1) continue;
    auto contained = ZELC_ConvertContained(session, handles[i]);
    ZELC_RequireSameContainer(wrapper, contained.wrapper, "Parameter belongs to another container");
    parameters[i] = contained.object;
  }
  return parameters;
}

ZEL_EXPORT zel_waveformSet_t ZEL_CreateWaveformSet(zel_session_t session, zel_container_t container, const char* name,
                                                   zel_dimensionDescriptor_t xDescriptor, unsigned count,
                                                   const zel_parameter_t* parameters, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWaveformSet, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELC_Container* wrapper = s->Convert(container);
    ZELI_DimensionDescriptor* x = DescriptorOf(s, wrapper, xDescriptor);
    const std::vector<ZELI_Parameter*> list = ZELC_ConvertParameterList(s, wrapper, count, parameters);
    ZELI_Container* object = wrapper->Get_Object_p();
    ZELI_WaveformSet* set = object->Add_WaveformSet(new ZELI_WaveformSet(*object, name, x, count, list.data()));
    return ZELC_HandleOf<zel_waveformSet_t>(wrapper, set);
  });
}

ZEL_EXPORT const char* ZEL_GetWaveformSetName(zel_session_t session, zel_waveformSet_t waveformSet,
                                              zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, waveformSet, status, static_cast<const char*>(nullptr),
                       [](ZELC_Session*, SetArg set) { return set.object->Get_Name().c_str(); });
}

ZEL_EXPORT zel_dimensionDescriptor_t ZEL_GetWaveformSetXDescriptor(zel_session_t session, zel_waveformSet_t waveformSet,
                                                                   zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, waveformSet, status, ZEL_NullDimensionDescriptor,
                       [](ZELC_Session*, SetArg set) {
                         return ZELC_HandleOf<zel_dimensionDescriptor_t>(set.wrapper, set.object->Get_XDescriptor_p());
                       });
}

ZEL_EXPORT void ZEL_SetWaveformSetXDescriptor(zel_session_t session, zel_waveformSet_t waveformSet,
                                              zel_dimensionDescriptor_t xDescriptor, zel_status_t* status) noexcept {
  ZELC_CallWith(__func__, session, waveformSet, status, 0, [&](ZELC_Session* s, SetArg set) {
    set.object->Set_XDescriptor(DescriptorOf(s, set.wrapper, xDescriptor));
    return 0;
  });
}

ZEL_EXPORT unsigned ZEL_GetWaveformSetParameterCount(zel_session_t session, zel_waveformSet_t waveformSet,
                                                     zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, waveformSet, status, 0u,
                       [](ZELC_Session*, SetArg set) { return set.object->Get_ParameterCount(); });
}

ZEL_EXPORT zel_parameter_t ZEL_GetWaveformSetParameter(zel_session_t session, zel_waveformSet_t waveformSet,
                                                       unsigned index, zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, waveformSet, status, ZEL_NullParameter, [&](ZELC_Session*, SetArg set) {
    return ZELC_HandleOf<zel_parameter_t>(set.wrapper, set.object->Get_Parameter_p(index));
  });
}

ZEL_EXPORT void ZEL_SetWaveformSetParameters(zel_session_t session, zel_waveformSet_t waveformSet, unsigned count,
                                             const zel_parameter_t* parameters, zel_status_t* status) noexcept {
  ZELC_CallWith(__func__, session, waveformSet, status, 0, [&](ZELC_Session* s, SetArg set) {
    const std::vector<ZELI_Parameter*> list = ZELC_ConvertParameterList(s, set.wrapper, count, parameters);
    set.object->Set_Parameters(count, list.data());
    return 0;
  });
}

ZEL_EXPORT void ZEL_SetWaveformSetParameter(zel_session_t session, zel_waveformSet_t waveformSet, unsigned index,
                                            zel_parameter_t parameter, zel_status_t* status) noexcept {
  ZELC_CallWith(__func__, session, waveformSet, status, 0, [&](ZELC_Session* s, SetArg set) {
    const std::vector<ZELI_Parameter*> list = ZELC_ConvertParameterList(s, set.wrapper, 1, &parameter);
    set.object->Set_Parameter(index, list.front());
    return 0;
  });
}

ZEL_EXPORT zel_waveformSet_t ZEL_FindWaveformSet(zel_session_t session, zel_container_t container, const char* name,
                                                 zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWaveformSet, [&](ZELC_Interface& zel) {
    ZELC_Container* wrapper = zel.ConvertSessionHandle(session)->Convert(container);
    return ZELC_HandleOf<zel_waveformSet_t>(wrapper, wrapper->Get_Object_p()->FindWaveformSet(name));
  });
}

ZEL_EXPORT zel_waveformSet_t* ZEL_GetAllWaveformSets(zel_session_t session, zel_container_t container, unsigned* count,
                                                     zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<zel_waveformSet_t*>(nullptr), [&](ZELC_Interface& zel) {
    ZELC_Container* wrapper = zel.ConvertSessionHandle(session)->Convert(container);
    ZELI_RequireArgument(count, "count is null");
    return ZELC_HandleArray<zel_waveformSet_t>(wrapper, wrapper->Get_Object_p()->FindAllWaveformSets(), count);
  });
}

ZEL_EXPORT zel_waveformSet_t ZEL_FindWaveformSetByWaveformSet(zel_session_t session, zel_container_t container,
                                                              zel_waveformSet_t waveformSet,
                                                              zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWaveformSet, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELC_Container* wrapper = s->Convert(container);
    ZELI_WaveformSet* found = wrapper->Get_Object_p()->FindWaveformSetByWaveformSet(*s->Object(waveformSet));
    if (found == nullptr) throw ZELI_NotFoundException("WaveformSet not found");
    return ZELC_HandleOf<zel_waveformSet_t>(wrapper, found);
  });
}

ZEL_EXPORT zel_waveformSet_t ZEL_CopyWaveformSet(zel_session_t session, zel_container_t container,
                                                 zel_waveformSet_t waveformSet, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWaveformSet, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELC_Container* wrapper = s->Convert(container);
    ZELI_WaveformSet* copy = wrapper->Get_Object_p()->CopyWaveformSet(*s->Object(waveformSet));
    return ZELC_HandleOf<zel_waveformSet_t>(wrapper, copy);
  });
}

ZEL_EXPORT zel_waveformSet_t ZEL_FindOrCopyWaveformSet(zel_session_t session, zel_container_t container,
                                                       zel_waveformSet_t waveformSet, zel_bool_t* created,
                                                       zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWaveformSet, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELC_Container* wrapper = s->Convert(container);
    zel_bool_t copied = 0;
    ZELI_WaveformSet* result = wrapper->Get_Object_p()->FindOrCopyWaveformSet(*s->Object(waveformSet), &copied);
    const zel_waveformSet_t handle = ZELC_HandleOf<zel_waveformSet_t>(wrapper, result);
    if (created != nullptr) *created = copied;
    return handle;
  });
}

ZEL_EXPORT zel_bool_t ZEL_AreEqualWaveformSets(zel_session_t session, zel_waveformSet_t a, zel_waveformSet_t b,
                                               zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, zel_bool_t{0}, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELI_WaveformSet* first = s->Object(a);
    return static_cast<zel_bool_t>(*first == *s->Object(b) ? 1 : 0);
  });
}

ZEL_EXPORT const char* ZEL_GetWaveformSetAttribute(zel_session_t session, zel_waveformSet_t waveformSet,
                                                   const char* name, zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, waveformSet, status, static_cast<const char*>(nullptr),
                       [&](ZELC_Session*, SetArg set) {
                         ZELI_RequireArgument(name, "name is null");
                         return set.object->Get_Attributes().Get_Attribute(name);
                       });
}

ZEL_EXPORT const char** ZEL_GetWaveformSetAttributeNames(zel_session_t session, zel_waveformSet_t waveformSet,
                                                         unsigned* count, zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, waveformSet, status, static_cast<const char**>(nullptr),
                       [&](ZELC_Session*, SetArg set) {
                         ZELI_RequireArgument(count, "count is null");
                         return set.object->Get_Attributes().Get_AttributeNames(*count);
                       });
}

ZEL_EXPORT void ZEL_SetWaveformSetAttribute(zel_session_t session, zel_waveformSet_t waveformSet, const char* name,
                                            const char* value, zel_status_t* status) noexcept {
  ZELC_CallWith(__func__, session, waveformSet, status, 0, [&](ZELC_Session*, SetArg set) {
    ZELI_RequireArgument(name, "name is null");
    set.object->Get_Attributes().Set_Attribute(name, value);
    set.object->Set_ContainerIsDirty();
    return 0;
  });
}
