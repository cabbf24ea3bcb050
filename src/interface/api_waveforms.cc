// Exported functions of waveforms: creating source waveforms, their
// descriptors, types, set, semantic and attributes, and whether a segment
// holds a waveform's data.
#include <memory>

#include "interface/call.h"
#include "model/dimension_descriptor.h"
#include "model/segment.h"
#include "model/waveform_set.h"
#include "types/type.h"
#include "waveforms/waveform.h"

ZEL_EXPORT zel_waveform_t ZEL_CreateWaveform(zel_session_t session, zel_waveformSet_t waveformSet,
                                             zel_semantic_t semantic, zel_dimensionDescriptor_t yDescriptor,
                                             zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWaveform, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto set = ZELC_Resolve(s, waveformSet);
    // A descriptor of another container would dangle once that one closes.
    ZELI_DimensionDescriptor* y =
        ZELC_Resolve(s, yDescriptor, set.wrapper, "Dimension descriptor belongs to another container").object;
    auto waveform = std::make_unique<ZELI_SourceWaveform>(set.object, y, semantic);
    ZELI_KeyMap<ZELI_ExternalBase>& map = set.wrapper->Get_Object_p()->Get_ExternalConvertor();
    waveform->Set_Key(map.Insert(waveform.get()));
    try {
      set->Add_Waveform_p(waveform.get());
    } catch (...) {
      map.Erase(waveform->Get_Key());
      throw;
    }
    ZELI_SourceWaveform* added = waveform.release();
    return ZELC_HandleOf<zel_waveform_t>(set.wrapper, static_cast<ZELI_Waveform*>(added));
  });
}

ZEL_EXPORT void ZEL_SetWaveformYDescriptor(zel_session_t session, zel_waveform_t waveform,
                                           zel_dimensionDescriptor_t yDescriptor, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto w = ZELC_Resolve(s, waveform);
    w->Set_YDescriptor_p(
        ZELC_Resolve(s, yDescriptor, w.wrapper, "Dimension descriptor belongs to another container").object);
  });
}

ZEL_EXPORT zel_semantic_t ZEL_GetWaveformSemantic(zel_session_t session, zel_waveform_t waveform,
                                                  zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, zel_semantic_t{0}, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), waveform)->Get_Semantic();
  });
}

ZEL_EXPORT zel_dimensionDescriptor_t ZEL_GetWaveformXDescriptor(zel_session_t session, zel_waveform_t waveform,
                                                                zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullDimensionDescriptor, [&](ZELC_Interface& zel) {
    const auto w = ZELC_Resolve(zel.ConvertSessionHandle(session), waveform);
    return ZELC_HandleOf<zel_dimensionDescriptor_t>(w.wrapper, w->Get_XDescriptor_p());
  });
}

ZEL_EXPORT zel_dimensionDescriptor_t ZEL_GetWaveformYDescriptor(zel_session_t session, zel_waveform_t waveform,
                                                                zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullDimensionDescriptor, [&](ZELC_Interface& zel) {
    const auto w = ZELC_Resolve(zel.ConvertSessionHandle(session), waveform);
    return ZELC_HandleOf<zel_dimensionDescriptor_t>(w.wrapper, w->Get_YDescriptor_p());
  });
}

ZEL_EXPORT zel_type_t ZEL_GetWaveformXType(zel_session_t session, zel_waveform_t waveform,
                                           zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    const auto w = ZELC_Resolve(zel.ConvertSessionHandle(session), waveform);
    return ZELC_HandleOf<zel_type_t>(w.wrapper, w->Get_XType_p());
  });
}

ZEL_EXPORT zel_type_t ZEL_GetWaveformYType(zel_session_t session, zel_waveform_t waveform,
                                           zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    const auto w = ZELC_Resolve(zel.ConvertSessionHandle(session), waveform);
    return ZELC_HandleOf<zel_type_t>(w.wrapper, w->Get_YType_p());
  });
}

ZEL_EXPORT zel_waveformSet_t ZEL_GetWaveformSetFromWaveform(zel_session_t session, zel_waveform_t waveform,
                                                            zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWaveformSet, [&](ZELC_Interface& zel) {
    const auto w = ZELC_Resolve(zel.ConvertSessionHandle(session), waveform);
    return ZELC_HandleOf<zel_waveformSet_t>(w.wrapper, w->Get_WaveformSet_p());
  });
}

ZEL_EXPORT const char* ZEL_GetWaveformAttribute(zel_session_t session, zel_waveform_t waveform, const char* name,
                                                zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr), [&](ZELC_Interface& zel) {
    const auto w = ZELC_Resolve(zel.ConvertSessionHandle(session), waveform);
    ZELI_RequireArgument(name, "name is null");
    return w->Get_Attribute(name);
  });
}

ZEL_EXPORT const char** ZEL_GetWaveformAttributeNames(zel_session_t session, zel_waveform_t waveform,
                                                      unsigned* count, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char**>(nullptr), [&](ZELC_Interface& zel) {
    const auto w = ZELC_Resolve(zel.ConvertSessionHandle(session), waveform);
    ZELI_RequireArgument(count, "count is null");
    return w->Get_AttributeNames(*count);
  });
}

ZEL_EXPORT void ZEL_SetWaveformAttribute(zel_session_t session, zel_waveform_t waveform, const char* name,
                                         const char* value, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto w = ZELC_Resolve(zel.ConvertSessionHandle(session), waveform);
    ZELI_RequireArgument(name, "name is null");
    w->Set_Attribute(name, value);
  });
}

ZEL_EXPORT zel_bool_t ZEL_ExistWfSegment(zel_session_t session, zel_segment_t segment, zel_waveform_t waveform,
                                         zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, zel_bool_t{0}, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto w = ZELC_Resolve(s, waveform);
    ZELI_Segment* seg = ZELC_Resolve(s, segment, w.wrapper, "Segment belongs to another container").object;
    ZELI_SourceWaveform* source = w->Get_SourceWaveform_p();
    // Locations are kept by key in set: another set's segment would answer
    // for a stranger.
    if (seg->Get_WaveformSet_p() != source->Get_WaveformSet_p()) {
      throw ZELI_BadArgException("The waveform and the segment belong to different waveform sets.");
    }
    return static_cast<zel_bool_t>(seg->ExistWaveform(source->Get_KeyInSet()) ? 1 : 0);
  });
}
