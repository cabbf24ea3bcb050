// Exported functions of waveform sets: creation, name, X descriptor,
// parameter list, finding, copying, equality and attributes.
#include <vector>

#include "interface/call.h"
#include "model/dimension_descriptor.h"
#include "model/parameter.h"
#include "model/waveform_set.h"

namespace {

ZELI_DimensionDescriptor* DescriptorOf(const ZELC_Session* s, ZELC_Container* wrapper,
                                       zel_dimensionDescriptor_t handle) {
  return ZELC_Resolve(s, handle, wrapper, "Dimension descriptor belongs to another container").object;
}

// The parameters of count handles (a null handle is an empty entry; a null
// array gives count empty entries); each must belong to wrapper's container.
// More parameter entries than this are refused before anything is
// allocated: a count read from a bad variable (0xFFFFFFFF) would otherwise
// allocate gigabytes of empty entries.
constexpr unsigned kMaximumParameterCount = 65535;

std::vector<ZELI_Parameter*> ParameterList(const ZELC_Session* s, ZELC_Container* wrapper, unsigned count,
                                           const zel_parameter_t* handles) {
  if (count > kMaximumParameterCount) throw ZELI_BadArgException("Too many parameters (at most 65535).");
  std::vector<ZELI_Parameter*> parameters(count, nullptr);
  if (handles == nullptr) return parameters;
  for (unsigned i = 0; i < count; ++i) {
    if (handles[i].key == -1) continue;
    parameters[i] = ZELC_Resolve(s, handles[i], wrapper, "Parameter belongs to another container").object;
  }
  return parameters;
}

}  // namespace

ZEL_EXPORT zel_waveformSet_t ZEL_CreateWaveformSet(zel_session_t session, zel_container_t container, const char* name,
                                                   zel_dimensionDescriptor_t xDescriptor, unsigned count,
                                                   const zel_parameter_t* parameters, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWaveformSet, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    ZELI_DimensionDescriptor* x = DescriptorOf(s, c.wrapper, xDescriptor);
    const std::vector<ZELI_Parameter*> list = ParameterList(s, c.wrapper, count, parameters);
    ZELI_WaveformSet* set = c->Add_WaveformSet(new ZELI_WaveformSet(*c, name, x, count, list.data()));
    return ZELC_HandleOf<zel_waveformSet_t>(c.wrapper, set);
  });
}

ZEL_EXPORT const char* ZEL_GetWaveformSetName(zel_session_t session, zel_waveformSet_t waveformSet,
                                              zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr), [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), waveformSet)->Get_Name().c_str();
  });
}

ZEL_EXPORT zel_dimensionDescriptor_t ZEL_GetWaveformSetXDescriptor(zel_session_t session, zel_waveformSet_t waveformSet,
                                                                   zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullDimensionDescriptor, [&](ZELC_Interface& zel) {
    const auto set = ZELC_Resolve(zel.ConvertSessionHandle(session), waveformSet);
    return ZELC_HandleOf<zel_dimensionDescriptor_t>(set.wrapper, set->Get_XDescriptor_p());
  });
}

ZEL_EXPORT void ZEL_SetWaveformSetXDescriptor(zel_session_t session, zel_waveformSet_t waveformSet,
                                              zel_dimensionDescriptor_t xDescriptor, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto set = ZELC_Resolve(s, waveformSet);
    set->Set_XDescriptor(DescriptorOf(s, set.wrapper, xDescriptor));
  });
}

ZEL_EXPORT unsigned ZEL_GetWaveformSetParameterCount(zel_session_t session, zel_waveformSet_t waveformSet,
                                                     zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), waveformSet)->Get_ParameterCount();
  });
}

ZEL_EXPORT zel_parameter_t ZEL_GetWaveformSetParameter(zel_session_t session, zel_waveformSet_t waveformSet,
                                                       unsigned index, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullParameter, [&](ZELC_Interface& zel) {
    const auto set = ZELC_Resolve(zel.ConvertSessionHandle(session), waveformSet);
    return ZELC_HandleOf<zel_parameter_t>(set.wrapper, set->Get_Parameter_p(index));
  });
}

ZEL_EXPORT void ZEL_SetWaveformSetParameters(zel_session_t session, zel_waveformSet_t waveformSet, unsigned count,
                                             const zel_parameter_t* parameters, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto set = ZELC_Resolve(s, waveformSet);
    const std::vector<ZELI_Parameter*> list = ParameterList(s, set.wrapper, count, parameters);
    set->Set_Parameters(count, list.data());
  });
}

ZEL_EXPORT void ZEL_SetWaveformSetParameter(zel_session_t session, zel_waveformSet_t waveformSet, unsigned index,
                                            zel_parameter_t parameter, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto set = ZELC_Resolve(s, waveformSet);
    const std::vector<ZELI_Parameter*> list = ParameterList(s, set.wrapper, 1, &parameter);
    set->Set_Parameter(index, list.front());
  });
}

ZEL_EXPORT zel_waveformSet_t ZEL_FindWaveformSet(zel_session_t session, zel_container_t container, const char* name,
                                                 zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWaveformSet, [&](ZELC_Interface& zel) {
    const auto c = ZELC_Resolve(zel.ConvertSessionHandle(session), container);
    return ZELC_HandleOf<zel_waveformSet_t>(c.wrapper, c->FindWaveformSet(name));
  });
}

ZEL_EXPORT zel_waveformSet_t* ZEL_GetAllWaveformSets(zel_session_t session, zel_container_t container, unsigned* count,
                                                     zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<zel_waveformSet_t*>(nullptr), [&](ZELC_Interface& zel) {
    const auto c = ZELC_Resolve(zel.ConvertSessionHandle(session), container);
    ZELI_RequireArgument(count, "count is null");
    return ZELC_HandleArray<zel_waveformSet_t>(c.wrapper, c->FindAllWaveformSets(), count);
  });
}

// The find-by-object and copy families take a set of any open container.
ZEL_EXPORT zel_waveformSet_t ZEL_FindWaveformSetByWaveformSet(zel_session_t session, zel_container_t container,
                                                              zel_waveformSet_t waveformSet,
                                                              zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWaveformSet, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    ZELI_WaveformSet* found = c->FindWaveformSetByWaveformSet(*ZELC_Resolve(s, waveformSet));
    if (found == nullptr) throw ZELI_NotFoundException("WaveformSet not found");
    return ZELC_HandleOf<zel_waveformSet_t>(c.wrapper, found);
  });
}

ZEL_EXPORT zel_waveformSet_t ZEL_CopyWaveformSet(zel_session_t session, zel_container_t container,
                                                 zel_waveformSet_t waveformSet, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWaveformSet, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    return ZELC_HandleOf<zel_waveformSet_t>(c.wrapper, c->CopyWaveformSet(*ZELC_Resolve(s, waveformSet)));
  });
}

ZEL_EXPORT zel_waveformSet_t ZEL_FindOrCopyWaveformSet(zel_session_t session, zel_container_t container,
                                                       zel_waveformSet_t waveformSet, zel_bool_t* created,
                                                       zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWaveformSet, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    zel_bool_t copied = 0;
    ZELI_WaveformSet* result = c->FindOrCopyWaveformSet(*ZELC_Resolve(s, waveformSet), &copied);
    const zel_waveformSet_t handle = ZELC_HandleOf<zel_waveformSet_t>(c.wrapper, result);
    if (created != nullptr) *created = copied;
    return handle;
  });
}

ZEL_EXPORT zel_bool_t ZEL_AreEqualWaveformSets(zel_session_t session, zel_waveformSet_t a, zel_waveformSet_t b,
                                               zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, zel_bool_t{0}, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const ZELI_WaveformSet& first = *ZELC_Resolve(s, a);
    return static_cast<zel_bool_t>(first == *ZELC_Resolve(s, b) ? 1 : 0);
  });
}

ZEL_EXPORT const char* ZEL_GetWaveformSetAttribute(zel_session_t session, zel_waveformSet_t waveformSet,
                                                   const char* name, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr), [&](ZELC_Interface& zel) {
    const auto set = ZELC_Resolve(zel.ConvertSessionHandle(session), waveformSet);
    ZELI_RequireArgument(name, "name is null");
    return set->Get_Attributes().Get_Attribute(name);
  });
}

ZEL_EXPORT const char** ZEL_GetWaveformSetAttributeNames(zel_session_t session, zel_waveformSet_t waveformSet,
                                                         unsigned* count, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char**>(nullptr), [&](ZELC_Interface& zel) {
    const auto set = ZELC_Resolve(zel.ConvertSessionHandle(session), waveformSet);
    ZELI_RequireArgument(count, "count is null");
    return set->Get_Attributes().Get_AttributeNames(*count);
  });
}

ZEL_EXPORT void ZEL_SetWaveformSetAttribute(zel_session_t session, zel_waveformSet_t waveformSet, const char* name,
                                            const char* value, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto set = ZELC_Resolve(zel.ConvertSessionHandle(session), waveformSet);
    ZELI_RequireArgument(name, "name is null");
    set->Get_Attributes().Set_Attribute(name, value);
    set->Set_ContainerIsDirty();
  });
}
