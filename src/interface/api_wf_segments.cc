// The exported ZEL_*WfSegment* functions of segment access.
//
// These functions skip the session: the frame installs the new-handler and
// converts failures only. The ZEL_WfSegment pointer is looked up among the
// live ones before use (ZELC_Resolve), so a null, stale or foreign pointer is
// ZEL_BAD_HANDLE and never dereferenced. Each exported function calls the
// wrapper's member of the same name (access/wf_segment_public.cc), which
// checks its pointer arguments, calls the implementation and turns its
// failures into ZEL_Exception; the frame reports that exception's status and
// message.
#include "access/wf_segment.h"
#include "interface/call.h"

ZEL_EXPORT unsigned ZEL_GetWfSegmentLegCount(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentLegCount(); });
}

ZEL_EXPORT unsigned ZEL_GetWfSegmentPointCounts(ZEL_WfSegment* segment, unsigned* counts,
                                                zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u,
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentPointCounts(counts); });
}

ZEL_EXPORT unsigned ZEL_GetWfSegmentLegPointCount(ZEL_WfSegment* segment, unsigned leg,
                                                  zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u,
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentLegPointCount(leg); });
}

ZEL_EXPORT unsigned ZEL_SetupGetWfSegmentPoint(ZEL_WfSegment* segment, unsigned leg, unsigned point,
                                               zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u,
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).SetupGetWfSegmentPoint(leg, point); });
}

ZEL_EXPORT unsigned ZEL_SetupGetWfSegmentBuffer(ZEL_WfSegment* segment, unsigned leg, unsigned point,
                                                zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u,
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).SetupGetWfSegmentBuffer(leg, point); });
}

ZEL_EXPORT unsigned ZEL_SetupGetWfSegmentArray(ZEL_WfSegment* segment, unsigned leg, unsigned point,
                                               zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u,
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).SetupGetWfSegmentArray(leg, point); });
}

ZEL_EXPORT const void* ZEL_GetWfSegmentYBuffer(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const void*>(nullptr),
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentYBuffer(); });
}

ZEL_EXPORT const void* ZEL_GetWfSegmentXBuffer(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const void*>(nullptr),
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentXBuffer(); });
}

ZEL_EXPORT const unsigned* ZEL_GetWfSegmentOrderBuffer(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const unsigned*>(nullptr),
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentOrderBuffer(); });
}

ZEL_EXPORT const void* ZEL_GetWfSegmentCPBuffer(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const void*>(nullptr),
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentCPBuffer(); });
}

ZEL_EXPORT const unsigned* ZEL_GetWfSegmentDeltaCycleBuffer(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const unsigned*>(nullptr),
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentDeltaCycleBuffer(); });
}

ZEL_EXPORT const unsigned char* ZEL_GetWfSegmentFlagBuffer(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const unsigned char*>(nullptr),
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentFlagBuffer(); });
}

ZEL_EXPORT const char* const* ZEL_GetWfSegmentConvertedYBuffer(ZEL_WfSegment* segment,
                                                              zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char* const*>(nullptr),
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentConvertedYBuffer(); });
}

ZEL_EXPORT const char* const* ZEL_GetWfSegmentConvertedXBuffer(ZEL_WfSegment* segment,
                                                              zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char* const*>(nullptr),
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentConvertedXBuffer(); });
}

ZEL_EXPORT const char* const* ZEL_GetWfSegmentConvertedCPBuffer(ZEL_WfSegment* segment,
                                                               zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char* const*>(nullptr),
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentConvertedCPBuffer(); });
}

ZEL_EXPORT const char* ZEL_GetWfSegmentConvertedYValue(ZEL_WfSegment* segment, const void* value,
                                                       zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr),
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentConvertedYValue(value); });
}

ZEL_EXPORT const char* ZEL_GetWfSegmentConvertedXValue(ZEL_WfSegment* segment, const void* value,
                                                       zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr),
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentConvertedXValue(value); });
}

ZEL_EXPORT const char* ZEL_GetWfSegmentConvertedCPValue(ZEL_WfSegment* segment, const void* value,
                                                        zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr),
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentConvertedCPValue(value); });
}

ZEL_EXPORT zel_dataSpacing_t ZEL_GetWfSegmentYDataSpacing(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_DATASPACING_UNKNOWN,
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentYDataSpacing(); });
}

ZEL_EXPORT zel_dataSpacing_t ZEL_GetWfSegmentXDataSpacing(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_DATASPACING_UNKNOWN,
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentXDataSpacing(); });
}

ZEL_EXPORT zel_dataSpacing_t ZEL_GetWfSegmentCPDataSpacing(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_DATASPACING_UNKNOWN,
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentCPDataSpacing(); });
}

ZEL_EXPORT zel_monotonicity_t ZEL_GetWfSegmentYMonotonicity(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_MONOTONICITY_UNKNOWN,
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentYMonotonicity(); });
}

ZEL_EXPORT zel_monotonicity_t ZEL_GetWfSegmentXMonotonicity(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_MONOTONICITY_UNKNOWN,
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentXMonotonicity(); });
}

ZEL_EXPORT zel_monotonicity_t ZEL_GetWfSegmentCPMonotonicity(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_MONOTONICITY_UNKNOWN,
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentCPMonotonicity(); });
}

ZEL_EXPORT void ZEL_GetWfSegmentYMinMax(ZEL_WfSegment* segment, void* min, void* max, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) { ZELC_Resolve(segment).GetWfSegmentYMinMax(min, max); });
}

ZEL_EXPORT void ZEL_GetWfSegmentXMinMax(ZEL_WfSegment* segment, void* min, void* max, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) { ZELC_Resolve(segment).GetWfSegmentXMinMax(min, max); });
}

ZEL_EXPORT void ZEL_GetWfSegmentCPMinMax(ZEL_WfSegment* segment, void* min, void* max, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) { ZELC_Resolve(segment).GetWfSegmentCPMinMax(min, max); });
}

ZEL_EXPORT zel_interpolation_t ZEL_GetWfSegmentXInterpolationType(ZEL_WfSegment* segment,
                                                                  zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_INTERPOLATION_NONE,
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentXInterpolationType(); });
}

ZEL_EXPORT zel_interpolation_t ZEL_GetWfSegmentYInterpolationType(ZEL_WfSegment* segment,
                                                                  zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_INTERPOLATION_NONE,
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentYInterpolationType(); });
}

ZEL_EXPORT zel_interpolation_t ZEL_GetWfSegmentCPInterpolationType(ZEL_WfSegment* segment,
                                                                   zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_INTERPOLATION_NONE,
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentCPInterpolationType(); });
}

ZEL_EXPORT void ZEL_GetWfSegmentParameterValue(ZEL_WfSegment* segment, int axis, void* value,
                                               zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status,
                [&](ZELC_Interface&) { ZELC_Resolve(segment).GetWfSegmentParameterValue(axis, value); });
}

ZEL_EXPORT const char* ZEL_GetWfSegmentParameterConvertedValue(ZEL_WfSegment* segment, int axis,
                                                               zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr),
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentParameterConvertedValue(axis); });
}

ZEL_EXPORT unsigned ZEL_GetWfSegmentParameterValueIndex(ZEL_WfSegment* segment, int axis,
                                                        zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u,
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentParameterValueIndex(axis); });
}

ZEL_EXPORT void* ZEL_GetWfSegmentYDataArray_p(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<void*>(nullptr),
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentYDataArray_p(); });
}

ZEL_EXPORT void* ZEL_GetWfSegmentXDataArray_p(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<void*>(nullptr),
                   [&](ZELC_Interface&) { return ZELC_Resolve(segment).GetWfSegmentXDataArray_p(); });
}

ZEL_EXPORT void ZEL_SetWfSegmentYDataArray_p(ZEL_WfSegment* segment, void* array, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) { ZELC_Resolve(segment).SetWfSegmentYDataArray_p(array); });
}

ZEL_EXPORT void ZEL_SetWfSegmentXDataArray_p(ZEL_WfSegment* segment, void* array, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) { ZELC_Resolve(segment).SetWfSegmentXDataArray_p(array); });
}

ZEL_EXPORT void ZEL_CopyWfSegmentXDataArray_p(ZEL_WfSegment* segment, const void* array,
                                              zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) { ZELC_Resolve(segment).CopyWfSegmentXDataArray_p(array); });
}

// ---- searches ---------------------------------------------------------------------

ZEL_EXPORT void ZEL_GetWfSegmentIndexByY(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                         const void* y, zel_bool_t reverse, unsigned* leg, unsigned* lower,
                                         unsigned* upper, zel_bool_t* exact, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) {
    ZELC_Resolve(segment).GetWfSegmentIndexByY(startLeg, startPoint, y, reverse, leg, lower, upper, exact);
  });
}

ZEL_EXPORT void ZEL_GetWfSegmentIndexByX(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                         const void* x, zel_bool_t reverse, unsigned* leg, unsigned* lower,
                                         unsigned* upper, zel_bool_t* exact, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) {
    ZELC_Resolve(segment).GetWfSegmentIndexByX(startLeg, startPoint, x, reverse, leg, lower, upper, exact);
  });
}

ZEL_EXPORT void ZEL_GetWfSegmentIndexByCP(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                          const void* cp, zel_bool_t reverse, unsigned* leg, unsigned* lower,
                                          unsigned* upper, zel_bool_t* exact, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) {
    ZELC_Resolve(segment).GetWfSegmentIndexByCP(startLeg, startPoint, cp, reverse, leg, lower, upper, exact);
  });
}

ZEL_EXPORT void ZEL_GetWfSegmentValueByX(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                         const void* x, zel_bool_t closestOnly, zel_bool_t reverse, unsigned* leg,
                                         unsigned* lower, unsigned* upper, zel_bool_t* exact,
                                         zel_bool_t* interpolated, void* y, void* cp, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) {
    ZELC_Resolve(segment).GetWfSegmentValueByX(startLeg, startPoint, x, closestOnly, reverse, leg, lower, upper, exact,
                                               interpolated, y, cp);
  });
}

ZEL_EXPORT void ZEL_GetWfSegmentValueByY(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                         const void* y, zel_bool_t closestOnly, zel_bool_t reverse, unsigned* leg,
                                         unsigned* lower, unsigned* upper, zel_bool_t* exact,
                                         zel_bool_t* interpolated, void* x, void* cp, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) {
    ZELC_Resolve(segment).GetWfSegmentValueByY(startLeg, startPoint, y, closestOnly, reverse, leg, lower, upper, exact,
                                               interpolated, x, cp);
  });
}

ZEL_EXPORT void ZEL_GetWfSegmentValueByCP(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                          const void* cp, zel_bool_t closestOnly, zel_bool_t reverse, unsigned* leg,
                                          unsigned* lower, unsigned* upper, zel_bool_t* exact,
                                          zel_bool_t* interpolated, void* y, void* x, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) {
    ZELC_Resolve(segment).GetWfSegmentValueByCP(startLeg, startPoint, cp, closestOnly, reverse, leg, lower, upper,
                                                exact, interpolated, y, x);
  });
}

ZEL_EXPORT void ZEL_GetWfSegmentClosestYValue(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                              const void* y, zel_bool_t reverse, unsigned* leg, unsigned* point,
                                              zel_bool_t* exact, void* closest, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) {
    ZELC_Resolve(segment).GetWfSegmentClosestYValue(startLeg, startPoint, y, reverse, leg, point, exact, closest);
  });
}

ZEL_EXPORT void ZEL_GetWfSegmentClosestXValue(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                              const void* x, zel_bool_t reverse, unsigned* leg, unsigned* point,
                                              zel_bool_t* exact, void* closest, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) {
    ZELC_Resolve(segment).GetWfSegmentClosestXValue(startLeg, startPoint, x, reverse, leg, point, exact, closest);
  });
}

ZEL_EXPORT void ZEL_GetWfSegmentClosestCPValue(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                               const void* cp, zel_bool_t reverse, unsigned* leg, unsigned* point,
                                               zel_bool_t* exact, void* closest, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) {
    ZELC_Resolve(segment).GetWfSegmentClosestCPValue(startLeg, startPoint, cp, reverse, leg, point, exact, closest);
  });
}
