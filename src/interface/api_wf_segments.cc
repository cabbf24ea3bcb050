// The exported ZEL_*WfSegment* functions of segment access.
//
// These functions skip the session: the frame installs the new-handler and
// converts failures only. The ZEL_WfSegment pointer is looked up among the
// live ones before use, so a null, stale or foreign pointer is
// ZEL_BAD_HANDLE and never dereferenced. Each exported function calls the
// wrapper's member of the same name (access/wf_segment_public.cc), which
// checks its pointer arguments, calls the implementation and turns its
// failures into ZEL_Exception; the frame reports that exception's status and
// message.
#include "access/wf_segment.h"
#include "interface/frame.h"

namespace {

// Runs body(wrapper) in the call frame of an exported function.
template <typename Result, typename Body>
Result WithSegment(const char* function, ZEL_WfSegment* segment, zel_status_t* status, Result failure,
                   Body&& body) noexcept {
  return ZELC_Call(function, status, failure, [&](ZELC_Interface&) {
    if (!ZEL_WfSegment::IsLive(segment)) throw ZELI_BadHandleException(ZELI_BadHandleException::WRONG_HANDLE);
    return body(*segment);
  });
}

template <typename Body>
void WithSegmentVoid(const char* function, ZEL_WfSegment* segment, zel_status_t* status, Body&& body) noexcept {
  WithSegment(function, segment, status, 0, [&](ZEL_WfSegment& s) {
    body(s);
    return 0;
  });
}

}  // namespace

ZEL_EXPORT unsigned ZEL_GetWfSegmentLegCount(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, 0u, [](ZEL_WfSegment& s) { return s.GetWfSegmentLegCount(); });
}

ZEL_EXPORT unsigned ZEL_GetWfSegmentPointCounts(ZEL_WfSegment* segment, unsigned* counts,
                                                zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, 0u,
                     [&](ZEL_WfSegment& s) { return s.GetWfSegmentPointCounts(counts); });
}

ZEL_EXPORT unsigned ZEL_GetWfSegmentLegPointCount(ZEL_WfSegment* segment, unsigned leg,
                                                  zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, 0u,
                     [&](ZEL_WfSegment& s) { return s.GetWfSegmentLegPointCount(leg); });
}

ZEL_EXPORT unsigned ZEL_SetupGetWfSegmentPoint(ZEL_WfSegment* segment, unsigned leg, unsigned point,
                                               zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, 0u,
                     [&](ZEL_WfSegment& s) { return s.SetupGetWfSegmentPoint(leg, point); });
}

ZEL_EXPORT unsigned ZEL_SetupGetWfSegmentBuffer(ZEL_WfSegment* segment, unsigned leg, unsigned point,
                                                zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, 0u,
                     [&](ZEL_WfSegment& s) { return s.SetupGetWfSegmentBuffer(leg, point); });
}

ZEL_EXPORT unsigned ZEL_SetupGetWfSegmentArray(ZEL_WfSegment* segment, unsigned leg, unsigned point,
                                               zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, 0u,
                     [&](ZEL_WfSegment& s) { return s.SetupGetWfSegmentArray(leg, point); });
}

ZEL_EXPORT const void* ZEL_GetWfSegmentYBuffer(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, static_cast<const void*>(nullptr),
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentYBuffer(); });
}

ZEL_EXPORT const void* ZEL_GetWfSegmentXBuffer(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, static_cast<const void*>(nullptr),
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentXBuffer(); });
}

ZEL_EXPORT const unsigned* ZEL_GetWfSegmentOrderBuffer(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, static_cast<const unsigned*>(nullptr),
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentOrderBuffer(); });
}

ZEL_EXPORT const void* ZEL_GetWfSegmentCPBuffer(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, static_cast<const void*>(nullptr),
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentCPBuffer(); });
}

ZEL_EXPORT const unsigned* ZEL_GetWfSegmentDeltaCycleBuffer(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, static_cast<const unsigned*>(nullptr),
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentDeltaCycleBuffer(); });
}

ZEL_EXPORT const unsigned char* ZEL_GetWfSegmentFlagBuffer(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, static_cast<const unsigned char*>(nullptr),
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentFlagBuffer(); });
}

ZEL_EXPORT const char* const* ZEL_GetWfSegmentConvertedYBuffer(ZEL_WfSegment* segment,
                                                              zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, static_cast<const char* const*>(nullptr),
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentConvertedYBuffer(); });
}

ZEL_EXPORT const char* const* ZEL_GetWfSegmentConvertedXBuffer(ZEL_WfSegment* segment,
                                                              zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, static_cast<const char* const*>(nullptr),
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentConvertedXBuffer(); });
}

ZEL_EXPORT const char* const* ZEL_GetWfSegmentConvertedCPBuffer(ZEL_WfSegment* segment,
                                                               zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, static_cast<const char* const*>(nullptr),
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentConvertedCPBuffer(); });
}

ZEL_EXPORT const char* ZEL_GetWfSegmentConvertedYValue(ZEL_WfSegment* segment, const void* value,
                                                       zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, static_cast<const char*>(nullptr),
                     [&](ZEL_WfSegment& s) { return s.GetWfSegmentConvertedYValue(value); });
}

ZEL_EXPORT const char* ZEL_GetWfSegmentConvertedXValue(ZEL_WfSegment* segment, const void* value,
                                                       zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, static_cast<const char*>(nullptr),
                     [&](ZEL_WfSegment& s) { return s.GetWfSegmentConvertedXValue(value); });
}

ZEL_EXPORT const char* ZEL_GetWfSegmentConvertedCPValue(ZEL_WfSegment* segment, const void* value,
                                                        zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, static_cast<const char*>(nullptr),
                     [&](ZEL_WfSegment& s) { return s.GetWfSegmentConvertedCPValue(value); });
}

ZEL_EXPORT zel_dataSpacing_t ZEL_GetWfSegmentYDataSpacing(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, ZEL_DATASPACING_UNKNOWN,
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentYDataSpacing(); });
}

ZEL_EXPORT zel_dataSpacing_t ZEL_GetWfSegmentXDataSpacing(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, ZEL_DATASPACING_UNKNOWN,
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentXDataSpacing(); });
}

ZEL_EXPORT zel_dataSpacing_t ZEL_GetWfSegmentCPDataSpacing(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, ZEL_DATASPACING_UNKNOWN,
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentCPDataSpacing(); });
}

ZEL_EXPORT zel_monotonicity_t ZEL_GetWfSegmentYMonotonicity(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, ZEL_MONOTONICITY_UNKNOWN,
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentYMonotonicity(); });
}

ZEL_EXPORT zel_monotonicity_t ZEL_GetWfSegmentXMonotonicity(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, ZEL_MONOTONICITY_UNKNOWN,
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentXMonotonicity(); });
}

ZEL_EXPORT zel_monotonicity_t ZEL_GetWfSegmentCPMonotonicity(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, ZEL_MONOTONICITY_UNKNOWN,
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentCPMonotonicity(); });
}

ZEL_EXPORT void ZEL_GetWfSegmentYMinMax(ZEL_WfSegment* segment, void* min, void* max, zel_status_t* status) noexcept {
  WithSegmentVoid(__func__, segment, status, [&](ZEL_WfSegment& s) { s.GetWfSegmentYMinMax(min, max); });
}

ZEL_EXPORT void ZEL_GetWfSegmentXMinMax(ZEL_WfSegment* segment, void* min, void* max, zel_status_t* status) noexcept {
  WithSegmentVoid(__func__, segment, status, [&](ZEL_WfSegment& s) { s.GetWfSegmentXMinMax(min, max); });
}

ZEL_EXPORT void ZEL_GetWfSegmentCPMinMax(ZEL_WfSegment* segment, void* min, void* max, zel_status_t* status) noexcept {
  WithSegmentVoid(__func__, segment, status, [&](ZEL_WfSegment& s) { s.GetWfSegmentCPMinMax(min, max); });
}

ZEL_EXPORT zel_interpolation_t ZEL_GetWfSegmentXInterpolationType(ZEL_WfSegment* segment,
                                                                  zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, ZEL_INTERPOLATION_NONE,
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentXInterpolationType(); });
}

ZEL_EXPORT zel_interpolation_t ZEL_GetWfSegmentYInterpolationType(ZEL_WfSegment* segment,
                                                                  zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, ZEL_INTERPOLATION_NONE,
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentYInterpolationType(); });
}

ZEL_EXPORT zel_interpolation_t ZEL_GetWfSegmentCPInterpolationType(ZEL_WfSegment* segment,
                                                                   zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, ZEL_INTERPOLATION_NONE,
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentCPInterpolationType(); });
}

ZEL_EXPORT void ZEL_GetWfSegmentParameterValue(ZEL_WfSegment* segment, int axis, void* value,
                                               zel_status_t* status) noexcept {
  WithSegmentVoid(__func__, segment, status, [&](ZEL_WfSegment& s) { s.GetWfSegmentParameterValue(axis, value); });
}

ZEL_EXPORT const char* ZEL_GetWfSegmentParameterConvertedValue(ZEL_WfSegment* segment, int axis,
                                                               zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, static_cast<const char*>(nullptr),
                     [&](ZEL_WfSegment& s) { return s.GetWfSegmentParameterConvertedValue(axis); });
}

ZEL_EXPORT unsigned ZEL_GetWfSegmentParameterValueIndex(ZEL_WfSegment* segment, int axis,
                                                        zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, 0u,
                     [&](ZEL_WfSegment& s) { return s.GetWfSegmentParameterValueIndex(axis); });
}

ZEL_EXPORT void* ZEL_GetWfSegmentYDataArray_p(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, static_cast<void*>(nullptr),
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentYDataArray_p(); });
}

ZEL_EXPORT void* ZEL_GetWfSegmentXDataArray_p(ZEL_WfSegment* segment, zel_status_t* status) noexcept {
  return WithSegment(__func__, segment, status, static_cast<void*>(nullptr),
                     [](ZEL_WfSegment& s) { return s.GetWfSegmentXDataArray_p(); });
}

ZEL_EXPORT void ZEL_SetWfSegmentYDataArray_p(ZEL_WfSegment* segment, void* array, zel_status_t* status) noexcept {
  WithSegmentVoid(__func__, segment, status, [&](ZEL_WfSegment& s) { s.SetWfSegmentYDataArray_p(array); });
}

ZEL_EXPORT void ZEL_SetWfSegmentXDataArray_p(ZEL_WfSegment* segment, void* array, zel_status_t* status) noexcept {
  WithSegmentVoid(__func__, segment, status, [&](ZEL_WfSegment& s) { s.SetWfSegmentXDataArray_p(array); });
}

ZEL_EXPORT void ZEL_CopyWfSegmentXDataArray_p(ZEL_WfSegment* segment, const void* array,
                                              zel_status_t* status) noexcept {
  WithSegmentVoid(__func__, segment, status, [&](ZEL_WfSegment& s) { s.CopyWfSegmentXDataArray_p(array); });
}

// ---- searches ---------------------------------------------------------------------

ZEL_EXPORT void ZEL_GetWfSegmentIndexByY(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                         const void* y, zel_bool_t reverse, unsigned* leg, unsigned* lower,
                                         unsigned* upper, zel_bool_t* exact, zel_status_t* status) noexcept {
  WithSegmentVoid(__func__, segment, status, [&](ZEL_WfSegment& s) {
    s.GetWfSegmentIndexByY(startLeg, startPoint, y, reverse, leg, lower, upper, exact);
  });
}

ZEL_EXPORT void ZEL_GetWfSegmentIndexByX(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                         const void* x, zel_bool_t reverse, unsigned* leg, unsigned* lower,
                                         unsigned* upper, zel_bool_t* exact, zel_status_t* status) noexcept {
  WithSegmentVoid(__func__, segment, status, [&](ZEL_WfSegment& s) {
    s.GetWfSegmentIndexByX(startLeg, startPoint, x, reverse, leg, lower, upper, exact);
  });
}

ZEL_EXPORT void ZEL_GetWfSegmentIndexByCP(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                          const void* cp, zel_bool_t reverse, unsigned* leg, unsigned* lower,
                                          unsigned* upper, zel_bool_t* exact, zel_status_t* status) noexcept {
  WithSegmentVoid(__func__, segment, status, [&](ZEL_WfSegment& s) {
    s.GetWfSegmentIndexByCP(startLeg, startPoint, cp, reverse, leg, lower, upper, exact);
  });
}

ZEL_EXPORT void ZEL_GetWfSegmentValueByX(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                         const void* x, zel_bool_t closestOnly, zel_bool_t reverse, unsigned* leg,
                                         unsigned* lower, unsigned* upper, zel_bool_t* exact,
                                         zel_bool_t* interpolated, void* y, void* cp, zel_status_t* status) noexcept {
  WithSegmentVoid(__func__, segment, status, [&](ZEL_WfSegment& s) {
    s.GetWfSegmentValueByX(startLeg, startPoint, x, closestOnly, reverse, leg, lower, upper, exact, interpolated, y,
                           cp);
  });
}

ZEL_EXPORT void ZEL_GetWfSegmentValueByY(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                         const void* y, zel_bool_t closestOnly, zel_bool_t reverse, unsigned* leg,
                                         unsigned* lower, unsigned* upper, zel_bool_t* exact,
                                         zel_bool_t* interpolated, void* x, void* cp, zel_status_t* status) noexcept {
  WithSegmentVoid(__func__, segment, status, [&](ZEL_WfSegment& s) {
    s.GetWfSegmentValueByY(startLeg, startPoint, y, closestOnly, reverse, leg, lower, upper, exact, interpolated, x,
                           cp);
  });
}

ZEL_EXPORT void ZEL_GetWfSegmentValueByCP(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                          const void* cp, zel_bool_t closestOnly, zel_bool_t reverse, unsigned* leg,
                                          unsigned* lower, unsigned* upper, zel_bool_t* exact,
                                          zel_bool_t* interpolated, void* y, void* x, zel_status_t* status) noexcept {
  WithSegmentVoid(__func__, segment, status, [&](ZEL_WfSegment& s) {
    s.GetWfSegmentValueByCP(startLeg, startPoint, cp, closestOnly, reverse, leg, lower, upper, exact, interpolated, y,
                            x);
  });
}

ZEL_EXPORT void ZEL_GetWfSegmentClosestYValue(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                              const void* y, zel_bool_t reverse, unsigned* leg, unsigned* point,
                                              zel_bool_t* exact, void* closest, zel_status_t* status) noexcept {
  WithSegmentVoid(__func__, segment, status, [&](ZEL_WfSegment& s) {
    s.GetWfSegmentClosestYValue(startLeg, startPoint, y, reverse, leg, point, exact, closest);
  });
}

ZEL_EXPORT void ZEL_GetWfSegmentClosestXValue(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                              const void* x, zel_bool_t reverse, unsigned* leg, unsigned* point,
                                              zel_bool_t* exact, void* closest, zel_status_t* status) noexcept {
  WithSegmentVoid(__func__, segment, status, [&](ZEL_WfSegment& s) {
    s.GetWfSegmentClosestXValue(startLeg, startPoint, x, reverse, leg, point, exact, closest);
  });
}

ZEL_EXPORT void ZEL_GetWfSegmentClosestCPValue(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                               const void* cp, zel_bool_t reverse, unsigned* leg, unsigned* point,
                                               zel_bool_t* exact, void* closest, zel_status_t* status) noexcept {
  WithSegmentVoid(__func__, segment, status, [&](ZEL_WfSegment& s) {
    s.GetWfSegmentClosestCPValue(startLeg, startPoint, cp, reverse, leg, point, exact, closest);
  });
}
