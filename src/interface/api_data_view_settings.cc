// Exported functions of data views beyond their lifecycle and operations:
// selections and samplings, windows, granularity, conversions, summaries of
// the stored waveform and of the open view, and view segment indexes.
#include "interface/call.h"
#include "model/parameter.h"
#include "model/waveform_set.h"
#include "views/wf_data_view.h"
#include "waveforms/waveform.h"

namespace {

// Runs body(view) in the call frame of a function without a result.
template <typename Body>
void OnView(const char* function, zel_session_t session, zel_wfDataView_t view, zel_status_t* status, Body&& body) {
  ZELC_CallVoid(function, status, [&](ZELC_Interface& zel) {
    const ZELC_Arg<ZELI_WfDataView> v = ZELC_Resolve(zel.ConvertSessionHandle(session), view);
    body(*v.object);
  });
}

// Runs body(view) in the call frame and returns its result (failure: the
// given value).
template <typename Result, typename Body>
Result FromView(const char* function, zel_session_t session, zel_wfDataView_t view, zel_status_t* status,
                Result failure, Body&& body) {
  return ZELC_Call(function, status, failure, [&](ZELC_Interface& zel) {
    const ZELC_Arg<ZELI_WfDataView> v = ZELC_Resolve(zel.ConvertSessionHandle(session), view);
    return body(*v.object);
  });
}

// The stored summaries ask the waveform about one of its stored segments.
template <typename Result, typename Get>
Result StoredSummary(const char* function, zel_session_t session, zel_wfDataView_t view, unsigned segment,
                     zel_status_t* status, Get get) {
  return FromView(function, session, view, status, static_cast<Result>(0), [&](ZELI_WfDataView& v) {
    return static_cast<Result>(get(v.Get_Waveform(), v.Get_StoredSegment(segment)));
  });
}

// Display-parameter values are not kept by views: "The view is not open",
// else "Unimplemented".
[[noreturn]] void ParameterValuesUnimplemented(const ZELI_WfDataView& view) {
  if (!view.IsOpen()) throw ZELI_FailedException("The view is not open");
  throw ZELI_FailedException("Unimplemented");
}

}  // namespace

// ---- selections and samplings -------------------------------------------------------

ZEL_EXPORT void ZEL_SetViewPointSelectionAll(zel_session_t session, zel_wfDataView_t view, int axis,
                                             zel_status_t* status) noexcept {
  OnView(__func__, session, view, status, [&](ZELI_WfDataView& v) { v.Set_SelectionAll(axis); });
}

ZEL_EXPORT void ZEL_SetViewPointSelectionByIndex(zel_session_t session, zel_wfDataView_t view, int axis, unsigned low,
                                                 unsigned high, zel_status_t* status) noexcept {
  OnView(__func__, session, view, status, [&](ZELI_WfDataView& v) { v.Set_SelectionByIndex(axis, low, high); });
}

ZEL_EXPORT void ZEL_SetViewPointSelectionByValue(zel_session_t session, zel_wfDataView_t view, int axis,
                                                 const void* low, const void* high, zel_status_t* status) noexcept {
  OnView(__func__, session, view, status, [&](ZELI_WfDataView& v) { v.Set_SelectionByValue(axis, low, high); });
}

ZEL_EXPORT void ZEL_SetViewSamplingAll(zel_session_t session, zel_wfDataView_t view, int axis,
                                       zel_status_t* status) noexcept {
  OnView(__func__, session, view, status, [&](ZELI_WfDataView& v) { v.Set_SamplingAll(axis); });
}

ZEL_EXPORT void ZEL_SetViewSamplingByIndex(zel_session_t session, zel_wfDataView_t view, int axis, unsigned step,
                                           zel_status_t* status) noexcept {
  OnView(__func__, session, view, status, [&](ZELI_WfDataView& v) { v.Set_SamplingByIndex(axis, step); });
}

ZEL_EXPORT void ZEL_SetViewSamplingByValue(zel_session_t session, zel_wfDataView_t view, int axis, const void* low,
                                           const void* high, zel_dataSpacing_t spacing, unsigned count,
                                           zel_status_t* status) noexcept {
  OnView(__func__, session, view, status,
         [&](ZELI_WfDataView& v) { v.Set_SamplingByValue(axis, low, high, spacing, count); });
}

// ---- windows and granularity ------------------------------------------------------

ZEL_EXPORT void ZEL_SetViewWindow(zel_session_t session, zel_wfDataView_t view, int axis, const void* low,
                                  const void* high, zel_status_t* status) noexcept {
  OnView(__func__, session, view, status, [&](ZELI_WfDataView& v) { v.Set_Window(axis, low, high); });
}

ZEL_EXPORT void ZEL_RemoveViewWindow(zel_session_t session, zel_wfDataView_t view, int axis,
                                     zel_status_t* status) noexcept {
  OnView(__func__, session, view, status, [&](ZELI_WfDataView& v) { v.Clr_Window(axis); });
}

ZEL_EXPORT void ZEL_SetViewGranularity(zel_session_t session, zel_wfDataView_t view, int lowX, int highX, int lowY,
                                       int highY, zel_status_t* status) noexcept {
  OnView(__func__, session, view, status,
         [&](ZELI_WfDataView& v) { v.Set_Granularity(lowX, highX, lowY, highY); });
}

ZEL_EXPORT void ZEL_RemoveViewGranularity(zel_session_t session, zel_wfDataView_t view,
                                          zel_status_t* status) noexcept {
  OnView(__func__, session, view, status, [&](ZELI_WfDataView& v) { v.Clr_Granularity(); });
}

// ---- conversions ----------------------------------------------------------------------

ZEL_EXPORT void ZEL_SetViewConversion(zel_session_t session, zel_wfDataView_t view, int axis,
                                      zel_conversion_t conversion, zel_status_t* status) noexcept {
  OnView(__func__, session, view, status, [&](ZELI_WfDataView& v) { v.Set_Conversion(axis, conversion); });
}

ZEL_EXPORT void ZEL_SetViewConversionXY(zel_session_t session, zel_wfDataView_t view, int axis,
                                        zel_conversion_xy_t conversion, zel_status_t* status) noexcept {
  OnView(__func__, session, view, status, [&](ZELI_WfDataView& v) { v.Set_ConversionXY(axis, conversion); });
}

ZEL_EXPORT void ZEL_SetViewConversionFunction(zel_session_t session, zel_wfDataView_t view, int axis,
                                              zel_conversionFunction_t function, void* userData,
                                              zel_status_t* status) noexcept {
  OnView(__func__, session, view, status,
         [&](ZELI_WfDataView& v) { v.Set_ConversionFunction(axis, function, userData); });
}

// ---- the stored waveform ----------------------------------------------------------------

ZEL_EXPORT unsigned ZEL_GetViewStoredParameterCount(zel_session_t session, zel_wfDataView_t view,
                                                    zel_status_t* status) noexcept {
  return FromView(__func__, session, view, status, 0u,
                  [](ZELI_WfDataView& v) { return v.Get_StoredParameterCount(); });
}

ZEL_EXPORT zel_type_t ZEL_GetViewStoredAxisType(zel_session_t session, zel_wfDataView_t view, int axis,
                                                zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    const ZELC_Arg<ZELI_WfDataView> v = ZELC_Resolve(zel.ConvertSessionHandle(session), view);
    return ZELC_HandleOf<zel_type_t>(v.wrapper, v->Get_StoredAxisType_p(axis));
  });
}

ZEL_EXPORT zel_parameter_t ZEL_GetViewStoredParameter(zel_session_t session, zel_wfDataView_t view, int axis,
                                                      zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullParameter, [&](ZELC_Interface& zel) {
    const ZELC_Arg<ZELI_WfDataView> v = ZELC_Resolve(zel.ConvertSessionHandle(session), view);
    if (axis < 0) throw ZELI_FailedException("Incorrect axis");
    ZELI_WaveformSet* set = v->Get_Waveform().Get_WaveformSet_p();
    return ZELC_HandleOf<zel_parameter_t>(v.wrapper, set->Get_Parameter_p(static_cast<unsigned>(axis)));
  });
}

ZEL_EXPORT unsigned ZEL_GetViewStoredPointCount(zel_session_t session, zel_wfDataView_t view, unsigned segment,
                                                zel_status_t* status) noexcept {
  return StoredSummary<unsigned>(__func__, session, view, segment, status,
                                 [](ZELI_Waveform& w, ZELI_Segment& s) { return w.Get_PointCount(s); });
}

ZEL_EXPORT zel_dataSpacing_t ZEL_GetViewStoredYDataSpacing(zel_session_t session, zel_wfDataView_t view,
                                                           unsigned segment, zel_status_t* status) noexcept {
  return StoredSummary<zel_dataSpacing_t>(__func__, session, view, segment, status,
                                          [](ZELI_Waveform& w, ZELI_Segment& s) { return w.Get_YDataSpacing(s); });
}

ZEL_EXPORT zel_dataSpacing_t ZEL_GetViewStoredXDataSpacing(zel_session_t session, zel_wfDataView_t view,
                                                           unsigned segment, zel_status_t* status) noexcept {
  return StoredSummary<zel_dataSpacing_t>(__func__, session, view, segment, status,
                                          [](ZELI_Waveform& w, ZELI_Segment& s) { return w.Get_XDataSpacing(s); });
}

ZEL_EXPORT zel_monotonicity_t ZEL_GetViewStoredYMonotonicity(zel_session_t session, zel_wfDataView_t view,
                                                             unsigned segment, zel_status_t* status) noexcept {
  return StoredSummary<zel_monotonicity_t>(__func__, session, view, segment, status,
                                           [](ZELI_Waveform& w, ZELI_Segment& s) { return w.Get_YMonotonicity(s); });
}

ZEL_EXPORT zel_monotonicity_t ZEL_GetViewStoredXMonotonicity(zel_session_t session, zel_wfDataView_t view,
                                                             unsigned segment, zel_status_t* status) noexcept {
  return StoredSummary<zel_monotonicity_t>(__func__, session, view, segment, status,
                                           [](ZELI_Waveform& w, ZELI_Segment& s) { return w.Get_XMonotonicity(s); });
}

ZEL_EXPORT zel_interpolation_t ZEL_GetViewStoredYInterpolationType(zel_session_t session, zel_wfDataView_t view,
                                                                   unsigned segment, zel_status_t* status) noexcept {
  return StoredSummary<zel_interpolation_t>(
      __func__, session, view, segment, status,
      [](ZELI_Waveform& w, ZELI_Segment& s) { return w.Get_YInterpolationType(s); });
}

ZEL_EXPORT zel_interpolation_t ZEL_GetViewStoredXInterpolationType(zel_session_t session, zel_wfDataView_t view,
                                                                   unsigned segment, zel_status_t* status) noexcept {
  return StoredSummary<zel_interpolation_t>(
      __func__, session, view, segment, status,
      [](ZELI_Waveform& w, ZELI_Segment& s) { return w.Get_XInterpolationType(s); });
}

ZEL_EXPORT void ZEL_GetViewStoredYMinMax(zel_session_t session, zel_wfDataView_t view, unsigned segment, void* min,
                                         void* max, zel_status_t* status) noexcept {
  OnView(__func__, session, view, status, [&](ZELI_WfDataView& v) {
    ZELI_RequireArgument(min, "min is null");
    ZELI_RequireArgument(max, "max is null");
    v.Get_Waveform().Get_YMinMax(v.Get_StoredSegment(segment), min, max);
  });
}

ZEL_EXPORT void ZEL_GetViewStoredXMinMax(zel_session_t session, zel_wfDataView_t view, unsigned segment, void* min,
                                         void* max, zel_status_t* status) noexcept {
  OnView(__func__, session, view, status, [&](ZELI_WfDataView& v) {
    ZELI_RequireArgument(min, "min is null");
    ZELI_RequireArgument(max, "max is null");
    v.Get_Waveform().Get_XMinMax(v.Get_StoredSegment(segment), min, max);
  });
}

// ---- the display axes ---------------------------------------------------------------

ZEL_EXPORT zel_type_t ZEL_GetViewAxisType(zel_session_t session, zel_wfDataView_t view, int axis,
                                          zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    const ZELC_Arg<ZELI_WfDataView> v = ZELC_Resolve(zel.ConvertSessionHandle(session), view);
    return ZELC_HandleOf<zel_type_t>(v.wrapper, v->Get_DisplayType_p(axis));
  });
}

ZEL_EXPORT unsigned ZEL_GetViewParameterCount(zel_session_t session, zel_wfDataView_t view,
                                              zel_status_t* status) noexcept {
  return FromView(__func__, session, view, status, 0u, [](ZELI_WfDataView& v) {
    // Before display axes are chosen, the defaults' count: every parameter.
    return v.Get_State() == 0 ? v.Get_StoredParameterCount() : v.Get_DisplayParameterCount();
  });
}

ZEL_EXPORT zel_dataSpacing_t ZEL_GetViewAxisDataSpacing(zel_session_t session, zel_wfDataView_t view, int axis,
                                                        zel_status_t* status) noexcept {
  return FromView(__func__, session, view, status, ZEL_DATASPACING_UNKNOWN,
                  [&](ZELI_WfDataView& v) { return v.Get_DisplayDataSpacing(axis); });
}

ZEL_EXPORT zel_monotonicity_t ZEL_GetViewAxisMonotonicity(zel_session_t session, zel_wfDataView_t view, int axis,
                                                          zel_status_t* status) noexcept {
  return FromView(__func__, session, view, status, static_cast<zel_monotonicity_t>(0),
                  [&](ZELI_WfDataView& v) { return v.Get_DisplayMonotonicity(axis); });
}

ZEL_EXPORT zel_interpolation_t ZEL_GetViewAxisInterpolationType(zel_session_t session, zel_wfDataView_t view, int axis,
                                                                zel_status_t* status) noexcept {
  return FromView(__func__, session, view, status, static_cast<zel_interpolation_t>(0),
                  [&](ZELI_WfDataView& v) { return v.Get_DisplayInterpolationType(axis); });
}

ZEL_EXPORT void ZEL_GetViewAxisMinMax(zel_session_t session, zel_wfDataView_t view, int axis, void* min, void* max,
                                      zel_status_t* status) noexcept {
  OnView(__func__, session, view, status, [&](ZELI_WfDataView& v) { v.Get_DisplayMinMax(axis, min, max); });
}

ZEL_EXPORT unsigned ZEL_GetViewAxisPointCount(zel_session_t session, zel_wfDataView_t view, int,
                                              zel_status_t* status) noexcept {
  return FromView(__func__, session, view, status, 0u,
                  [](ZELI_WfDataView& v) -> unsigned { ParameterValuesUnimplemented(v); });
}

ZEL_EXPORT void ZEL_GetViewParameterValue(zel_session_t session, zel_wfDataView_t view, int, unsigned, void* value,
                                          zel_status_t* status) noexcept {
  OnView(__func__, session, view, status, [&](ZELI_WfDataView& v) {
    ZELI_RequireArgument(value, "value is null");
    ParameterValuesUnimplemented(v);
  });
}

ZEL_EXPORT const char* ZEL_GetViewParameterConvertedValue(zel_session_t session, zel_wfDataView_t view, int,
                                                          unsigned, zel_status_t* status) noexcept {
  return FromView(__func__, session, view, status, static_cast<const char*>(nullptr),
                  [](ZELI_WfDataView& v) -> const char* { ParameterValuesUnimplemented(v); });
}

ZEL_EXPORT unsigned ZEL_GetViewSegmentIndex(zel_session_t session, zel_wfDataView_t view, unsigned count,
                                            const unsigned* indexes, zel_status_t* status) noexcept {
  return FromView(__func__, session, view, status, 0u,
                  [&](ZELI_WfDataView& v) { return v.Get_DisplaySegmentIndex(count, indexes); });
}
