// Exported functions of waveforms: creating source waveforms, their
// descriptors, types, set, semantic and attributes, and whether a segment
// holds a waveform's data.
#include <memory>

#include "interface/api_model_support.h"
#include "model/dimension_descriptor.h"
#include "model/segment.h"
#include "model/waveform_set.h"
#include "types/type.h"
#include "waveforms/waveform.h"

namespace {

using WaveformArg = ZELC_Contained<ZELI_Waveform>;

template <typename Result, typename Body>
Result With(const char* function, zel_session_t session, zel_waveform_t waveform, zel_status_t* status,
            Result failure, Body&& body) noexcept {
  return ZELC_CallWith(function, session, waveform, status, failure,
                       [&](ZELC_Session* s, WaveformArg w) { return body(s, w); });
}

}  // namespace

ZEL_EXPORT zel_waveform_t ZEL_CreateWaveform(zel_session_t session, zel_waveformSet_t waveformSet,
                                             zel_semantic_t semantic, zel_dimensionDescriptor_t yDescriptor,
                                             zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, waveformSet, status, ZEL_NullWaveform,
                       [&](ZELC_Session* s, ZELC_Contained<ZELI_WaveformSet> set) {
                         ZELI_DimensionDescriptor* y = s->Object(yDescriptor);
                         auto waveform = std::make_unique<ZELI_SourceWaveform>(set.object, y, semantic);
                         ZELI_KeyMap<ZELI_ExternalBase>& map = set.wrapper->Get_Object_p()->Get_ExternalConvertor();
                         waveform->Set_Key(map.Insert(waveform.get()));
                         try {
                           set.object->Add_Waveform_p(waveform.get());
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
  With(__func__, session, waveform, status, 0, [&](ZELC_Session* s, WaveformArg w) {
    w.object->Set_YDescriptor_p(s->Object(yDescriptor));
    return 0;
  });
}

ZEL_EXPORT zel_semantic_t ZEL_GetWaveformSemantic(zel_session_t session, zel_waveform_t waveform,
                                                  zel_status_t* status) noexcept {
  return With(__func__, session, waveform, status, zel_semantic_t{0},
              [](ZELC_Session*, WaveformArg w) { return w.object->Get_Semantic(); });
}

ZEL_EXPORT zel_dimensionDescriptor_t ZEL_GetWaveformXDescriptor(zel_session_t session, zel_waveform_t waveform,
                                                                zel_status_t* status) noexcept {
  return With(__func__, session, waveform, status, ZEL_NullDimensionDescriptor, [](ZELC_Session*, WaveformArg w) {
    return ZELC_HandleOf<zel_dimensionDescriptor_t>(w.wrapper, w.object->Get_XDescriptor_p());
  });
}

ZEL_EXPORT zel_dimensionDescriptor_t ZEL_GetWaveformYDescriptor(zel_session_t session, zel_waveform_t waveform,
                                                                zel_status_t* status) noexcept {
  return With(__func__, session, waveform, status, ZEL_NullDimensionDescriptor, [](ZELC_Session*, WaveformArg w) {
    return ZELC_HandleOf<zel_dimensionDescriptor_t>(w.wrapper, w.object->Get_YDescriptor_p());
  });
}

ZEL_EXPORT zel_type_t ZEL_GetWaveformXType(zel_session_t session, zel_waveform_t waveform,
                                           zel_status_t* status) noexcept {
  return With(__func__, session, waveform, status, ZEL_NullType, [](ZELC_Session*, WaveformArg w) {
    return ZELC_HandleOf<zel_type_t>(w.wrapper, w.object->Get_XType_p());
  });
}

ZEL_EXPORT zel_type_t ZEL_GetWaveformYType(zel_session_t session, zel_waveform_t waveform,
                                           zel_status_t* status) noexcept {
  return With(__func__, session, waveform, status, ZEL_NullType, [](ZELC_Session*, WaveformArg w) {
    return ZELC_HandleOf<zel_type_t>(w.wrapper, w.object->Get_YType_p());
  });
}

ZEL_EXPORT zel_waveformSet_t ZEL_GetWaveformSetFromWaveform(zel_session_t session, zel_waveform_t waveform,
                                                            zel_status_t* status) noexcept {
  return With(__func__, session, waveform, status, ZEL_NullWaveformSet, [](ZELC_Session*, WaveformArg w) {
    return ZELC_HandleOf<zel_waveformSet_t>(w.wrapper, w.object->Get_WaveformSet_p());
  });
}

ZEL_EXPORT const char* ZEL_GetWaveformAttribute(zel_session_t session, zel_waveform_t waveform, const char* name,
                                                zel_status_t* status) noexcept {
  return With(__func__, session, waveform, status, static_cast<const char*>(nullptr),
              [&](ZELC_Session*, WaveformArg w) {
                ZELI_RequireArgument(name, "name is null");
                return w.object->Get_Attribute(name);
              });
}

ZEL_EXPORT const char** ZEL_GetWaveformAttributeNames(zel_session_t session, zel_waveform_t waveform,
                                                      unsigned* count, zel_status_t* status) noexcept {
  return With(__func__, session, waveform, status, static_cast<const char**>(nullptr),
              [&](ZELC_Session*, WaveformArg w) {
                ZELI_RequireArgument(count, "count is null");
                return w.object->Get_AttributeNames(*count);
              });
}

ZEL_EXPORT void ZEL_SetWaveformAttribute(zel_session_t session, zel_waveform_t waveform, const char* name,
                                         const char* value, zel_status_t* status) noexcept {
  With(__func__, session, waveform, status, 0, [&](ZELC_Session*, WaveformArg w) {
    ZELI_RequireArgument(name, "name is null");
    w.object->Set_Attribute(name, value);
    return 0;
  });
}

ZEL_EXPORT zel_bool_t ZEL_ExistWfSegment(zel_session_t session, zel_segment_t segment, zel_waveform_t waveform,
                                         zel_status_t* status) noexcept {
  return With(__func__, session, waveform, status, zel_bool_t{0}, [&](ZELC_Session* s, WaveformArg w) {
    ZELI_Segment* seg = s->Object(segment);
    ZELI_SourceWaveform* source = w.object->Get_SourceWaveform_p();
    return static_cast<zel_bool_t>(seg->ExistWaveform(source->Get_KeyInSet()) ? 1 : 0);
  });
}
