// The caller's waveform segment: the public ZEL_WfSegment wrapper and the
// exported ZEL_*WfSegment* functions of segment access.
//
// These functions skip the session: the frame installs the new-handler and
// converts failures only. The ZEL_WfSegment pointer is looked up among the
// live ones before use, so a null, stale or foreign pointer is
// ZEL_BAD_HANDLE and never dereferenced. Each exported function calls the
// member of the same name, which checks its pointer arguments, calls the
// implementation and turns its failures into ZEL_Exception; the frame
// reports that exception's status and message.
#include "access/live_registry.h"
#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "interface/frame.h"

namespace {

// Runs body(implementation) for a member of the wrapper.
template <typename Body>
auto On(ZEL_WfSegment& object, Body&& body) {
  return ZELI_PublicCall([&] {
    if (object.segment == nullptr) throw ZELI_BadHandleException(ZELI_BadHandleException::WRONG_HANDLE);
    return body(*object.segment);
  });
}

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

using Axis = ZELI_WfSegment::Axis;

}  // namespace

// ---- the wrapper ------------------------------------------------------------------

ZEL_WfSegment::ZEL_WfSegment() noexcept = default;

ZEL_WfSegment::~ZEL_WfSegment() = default;

bool ZEL_WfSegment::IsLive(const ZEL_WfSegment* p) noexcept { return ZELI_LiveRegistry<ZEL_WfSegment>::IsLive(p); }

unsigned ZEL_WfSegment::GetWfSegmentLegCount() {
  return On(*this, [](ZELI_WfSegment& s) { return s.Get_LegCount(); });
}

unsigned ZEL_WfSegment::GetWfSegmentPointCounts(unsigned* counts) {
  return On(*this, [&](ZELI_WfSegment& s) {
    ZELC_RequirePointer(counts, "counts");
    return s.Get_PointCounts(counts);
  });
}

unsigned ZEL_WfSegment::GetWfSegmentLegPointCount(unsigned leg) {
  return On(*this, [&](ZELI_WfSegment& s) { return s.Get_LegPointCount(leg); });
}

unsigned ZEL_WfSegment::SetupGetWfSegmentPoint(unsigned leg, unsigned point) {
  return On(*this, [&](ZELI_WfSegment& s) { return s.Setup_Point(leg, point); });
}

unsigned ZEL_WfSegment::SetupGetWfSegmentBuffer(unsigned leg, unsigned point) {
  return On(*this, [&](ZELI_WfSegment& s) { return s.Setup_Buffer(leg, point); });
}

unsigned ZEL_WfSegment::SetupGetWfSegmentArray(unsigned leg, unsigned point) {
  return On(*this, [&](ZELI_WfSegment& s) { return s.Setup_Array(leg, point); });
}

const void* ZEL_WfSegment::GetWfSegmentYBuffer() {
  return On(*this, [](ZELI_WfSegment& s) { return s.Get_YBuffer(); });
}

const void* ZEL_WfSegment::GetWfSegmentXBuffer() {
  return On(*this, [](ZELI_WfSegment& s) { return s.Get_XBuffer(); });
}

const unsigned* ZEL_WfSegment::GetWfSegmentOrderBuffer() {
  return On(*this, [](ZELI_WfSegment& s) { return s.Get_OrderBuffer(); });
}

const void* ZEL_WfSegment::GetWfSegmentCPBuffer() {
  return On(*this, [](ZELI_WfSegment& s) { return s.Get_CPBuffer(); });
}

const unsigned* ZEL_WfSegment::GetWfSegmentDeltaCycleBuffer() {
  return On(*this, [](ZELI_WfSegment& s) { return s.Get_DeltaCycleBuffer(); });
}

const unsigned char* ZEL_WfSegment::GetWfSegmentFlagBuffer() {
  return On(*this, [](ZELI_WfSegment& s) { return s.Get_FlagBuffer(); });
}

const char* const* ZEL_WfSegment::GetWfSegmentConvertedYBuffer() {
  return On(*this, [](ZELI_WfSegment& s) -> const char* const* { return s.Get_ConvertedYBuffer(); });
}

const char* const* ZEL_WfSegment::GetWfSegmentConvertedXBuffer() {
  return On(*this, [](ZELI_WfSegment& s) -> const char* const* { return s.Get_ConvertedXBuffer(); });
}

const char* const* ZEL_WfSegment::GetWfSegmentConvertedCPBuffer() {
  return On(*this, [](ZELI_WfSegment& s) -> const char* const* { return s.Get_ConvertedCPBuffer(); });
}

const char* ZEL_WfSegment::GetWfSegmentConvertedYValue(const void* value) {
  return On(*this, [&](ZELI_WfSegment& s) {
    ZELC_RequirePointer(value, "value");
    return s.Get_ConvertedYValue(value);
  });
}

const char* ZEL_WfSegment::GetWfSegmentConvertedXValue(const void* value) {
  return On(*this, [&](ZELI_WfSegment& s) {
    ZELC_RequirePointer(value, "value");
    return s.Get_ConvertedXValue(value);
  });
}

const char* ZEL_WfSegment::GetWfSegmentConvertedCPValue(const void* value) {
  return On(*this, [&](ZELI_WfSegment& s) {
    ZELC_RequirePointer(value, "value");
    return s.Get_ConvertedCPValue(value);
  });
}

zel_dataSpacing_t ZEL_WfSegment::GetWfSegmentYDataSpacing() {
  return On(*this, [](ZELI_WfSegment& s) { return s.Get_YDataSpacing(); });
}

zel_dataSpacing_t ZEL_WfSegment::GetWfSegmentXDataSpacing() {
  return On(*this, [](ZELI_WfSegment& s) { return s.Get_XDataSpacing(); });
}

zel_dataSpacing_t ZEL_WfSegment::GetWfSegmentCPDataSpacing() {
  return On(*this, [](ZELI_WfSegment& s) { return s.Get_CPDataSpacing(); });
}

zel_monotonicity_t ZEL_WfSegment::GetWfSegmentYMonotonicity() {
  return On(*this, [](ZELI_WfSegment& s) { return s.Get_YMonotonicity(); });
}

zel_monotonicity_t ZEL_WfSegment::GetWfSegmentXMonotonicity() {
  return On(*this, [](ZELI_WfSegment& s) { return s.Get_XMonotonicity(); });
}

zel_monotonicity_t ZEL_WfSegment::GetWfSegmentCPMonotonicity() {
  return On(*this, [](ZELI_WfSegment& s) { return s.Get_CPMonotonicity(); });
}

void ZEL_WfSegment::GetWfSegmentYMinMax(void* min, void* max) {
  On(*this, [&](ZELI_WfSegment& s) {
    ZELC_RequirePointer(min, "min");
    ZELC_RequirePointer(max, "max");
    s.Get_YMinMax(min, max);
  });
}

void ZEL_WfSegment::GetWfSegmentXMinMax(void* min, void* max) {
  On(*this, [&](ZELI_WfSegment& s) {
    ZELC_RequirePointer(min, "min");
    ZELC_RequirePointer(max, "max");
    s.Get_XMinMax(min, max);
  });
}

void ZEL_WfSegment::GetWfSegmentCPMinMax(void* min, void* max) {
  On(*this, [&](ZELI_WfSegment& s) { s.Get_CPMinMax(min, max); });
}

zel_interpolation_t ZEL_WfSegment::GetWfSegmentXInterpolationType() {
  return On(*this, [](ZELI_WfSegment& s) { return s.Get_XInterpolationType(); });
}

zel_interpolation_t ZEL_WfSegment::GetWfSegmentYInterpolationType() {
  return On(*this, [](ZELI_WfSegment& s) { return s.Get_YInterpolationType(); });
}

zel_interpolation_t ZEL_WfSegment::GetWfSegmentCPInterpolationType() {
  return On(*this, [](ZELI_WfSegment& s) { return s.Get_CPInterpolationType(); });
}

void ZEL_WfSegment::GetWfSegmentParameterValue(int axis, void* value) {
  On(*this, [&](ZELI_WfSegment& s) {
    ZELC_RequirePointer(value, "value");
    s.Get_ParameterValue(axis, value);
  });
}

const char* ZEL_WfSegment::GetWfSegmentParameterConvertedValue(int axis) {
  return On(*this, [&](ZELI_WfSegment& s) { return s.Get_ParameterConvertedValue(axis); });
}

unsigned ZEL_WfSegment::GetWfSegmentParameterValueIndex(int axis) {
  return On(*this, [&](ZELI_WfSegment& s) { return s.Get_ParameterValueIndex(axis); });
}

void* ZEL_WfSegment::GetWfSegmentYDataArray_p() {
  return On(*this, [](ZELI_WfSegment& s) -> void* { return s.Get_YDataArray_p(); });
}

void* ZEL_WfSegment::GetWfSegmentXDataArray_p() {
  return On(*this, [](ZELI_WfSegment& s) -> void* { return s.Get_XDataArray_p(); });
}

void ZEL_WfSegment::SetWfSegmentYDataArray_p(void* array) {
  On(*this, [&](ZELI_WfSegment& s) {
    ZELC_RequirePointer(array, "array");
    s.Set_DataArray_p(Axis::Y_AXIS, static_cast<ZELI_WfDataArray*>(array));
  });
}

void ZEL_WfSegment::SetWfSegmentXDataArray_p(void* array) {
  On(*this, [&](ZELI_WfSegment& s) {
    ZELC_RequirePointer(array, "array");
    s.Set_DataArray_p(Axis::X_AXIS, static_cast<ZELI_WfDataArray*>(array));
  });
}

void ZEL_WfSegment::CopyWfSegmentXDataArray_p(const void* array) {
  On(*this, [&](ZELI_WfSegment& s) {
    ZELC_RequirePointer(array, "array");
    s.Copy_XDataArray_p(static_cast<const ZELI_WfDataArray*>(array));
  });
}

// ---- exported functions -----------------------------------------------------------

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

namespace {

// The sought value and the outputs every search writes.
void RequireSearchOutputs(const void* sought, const void* leg, const void* a, const void* b, const void* exact) {
  ZELC_RequirePointer(sought, "sought value");
  ZELC_RequirePointer(leg, "leg");
  ZELC_RequirePointer(a, "index");
  ZELC_RequirePointer(b, "index");
  ZELC_RequirePointer(exact, "exact");
}

template <bool (ZELI_WfSegment::*Search)(unsigned, unsigned, const void*, bool, unsigned*, unsigned*, unsigned*,
                                         bool*) const>
void IndexBy(ZEL_WfSegment& object, unsigned startLeg, unsigned startPoint, const void* sought, zel_bool_t reverse,
             unsigned* leg, unsigned* lower, unsigned* upper, zel_bool_t* exact) {
  On(object, [&](ZELI_WfSegment& s) {
    RequireSearchOutputs(sought, leg, lower, upper, exact);
    bool hit = false;
    (s.*Search)(startLeg, startPoint, sought, reverse != 0, leg, lower, upper, &hit);
    *exact = hit ? 1 : 0;
  });
}

template <void (ZELI_WfSegment::*Search)(unsigned, unsigned, const void*, bool, bool, unsigned*, unsigned*,
                                         unsigned*, bool*, bool*, void*, void*) const>
void ValueBy(ZEL_WfSegment& object, unsigned startLeg, unsigned startPoint, const void* sought,
             zel_bool_t closestOnly, zel_bool_t reverse, unsigned* leg, unsigned* lower, unsigned* upper,
             zel_bool_t* exact, zel_bool_t* interpolated, void* value, void* cp) {
  On(object, [&](ZELI_WfSegment& s) {
    RequireSearchOutputs(sought, leg, lower, upper, exact);
    ZELC_RequirePointer(interpolated, "interpolated");
    bool hit = false;
    bool between = false;
    // The flags are handed out even when the value cannot be.
    struct Flags {
      bool& hit;
      bool& between;
      zel_bool_t* exact;
      zel_bool_t* interpolated;
      ~Flags() {
        *exact = hit ? 1 : 0;
        *interpolated = between ? 1 : 0;
      }
    } flags{hit, between, exact, interpolated};
    (s.*Search)(startLeg, startPoint, sought, closestOnly != 0, reverse != 0, leg, lower, upper, &hit, &between,
                value, cp);
  });
}

template <void (ZELI_WfSegment::*Search)(unsigned, unsigned, const void*, bool, unsigned*, unsigned*, bool*,
                                         void*) const>
void Closest(ZEL_WfSegment& object, unsigned startLeg, unsigned startPoint, const void* sought, zel_bool_t reverse,
             unsigned* leg, unsigned* point, zel_bool_t* exact, void* closest) {
  On(object, [&](ZELI_WfSegment& s) {
    RequireSearchOutputs(sought, leg, point, point, exact);
    ZELC_RequirePointer(closest, "closest value");
    bool hit = false;
    (s.*Search)(startLeg, startPoint, sought, reverse != 0, leg, point, &hit, closest);
    *exact = hit ? 1 : 0;
  });
}

void Unimplemented(ZEL_WfSegment& object, const char* message) {
  On(object, [&](ZELI_WfSegment&) -> int { throw ZELI_FailedException(message); });
}

}  // namespace

void ZEL_WfSegment::GetWfSegmentIndexByY(unsigned startLeg, unsigned startPoint, const void* y, zel_bool_t reverse,
                                         unsigned* leg, unsigned* lower, unsigned* upper, zel_bool_t* exact) {
  IndexBy<&ZELI_WfSegment::Get_IndexByY>(*this, startLeg, startPoint, y, reverse, leg, lower, upper, exact);
}

void ZEL_WfSegment::GetWfSegmentIndexByX(unsigned startLeg, unsigned startPoint, const void* x, zel_bool_t reverse,
                                         unsigned* leg, unsigned* lower, unsigned* upper, zel_bool_t* exact) {
  IndexBy<&ZELI_WfSegment::Get_IndexByX>(*this, startLeg, startPoint, x, reverse, leg, lower, upper, exact);
}

void ZEL_WfSegment::GetWfSegmentIndexByCP(unsigned, unsigned, const void*, zel_bool_t, unsigned*, unsigned*,
                                          unsigned*, zel_bool_t*) {
  Unimplemented(*this, "Unimplemented ZELI_WfSegment::Get_IndexByCP");
}

void ZEL_WfSegment::GetWfSegmentValueByX(unsigned startLeg, unsigned startPoint, const void* x, zel_bool_t closestOnly,
                                         zel_bool_t reverse, unsigned* leg, unsigned* lower, unsigned* upper,
                                         zel_bool_t* exact, zel_bool_t* interpolated, void* y, void* cp) {
  ValueBy<&ZELI_WfSegment::Get_ValueByX>(*this, startLeg, startPoint, x, closestOnly, reverse, leg, lower, upper,
                                         exact, interpolated, y, cp);
}

void ZEL_WfSegment::GetWfSegmentValueByY(unsigned startLeg, unsigned startPoint, const void* y, zel_bool_t closestOnly,
                                         zel_bool_t reverse, unsigned* leg, unsigned* lower, unsigned* upper,
                                         zel_bool_t* exact, zel_bool_t* interpolated, void* x, void* cp) {
  ValueBy<&ZELI_WfSegment::Get_ValueByY>(*this, startLeg, startPoint, y, closestOnly, reverse, leg, lower, upper,
                                         exact, interpolated, x, cp);
}

void ZEL_WfSegment::GetWfSegmentValueByCP(unsigned, unsigned, const void*, zel_bool_t, zel_bool_t, unsigned*,
                                          unsigned*, unsigned*, zel_bool_t*, zel_bool_t*, void*, void*) {
  Unimplemented(*this, "Unimplemented ZELI_WfSegment::Get_ValueByCP");
}

void ZEL_WfSegment::GetWfSegmentClosestYValue(unsigned startLeg, unsigned startPoint, const void* y,
                                              zel_bool_t reverse, unsigned* leg, unsigned* point, zel_bool_t* exact,
                                              void* closest) {
  Closest<&ZELI_WfSegment::Get_ClosestYValue>(*this, startLeg, startPoint, y, reverse, leg, point, exact, closest);
}

void ZEL_WfSegment::GetWfSegmentClosestXValue(unsigned startLeg, unsigned startPoint, const void* x,
                                              zel_bool_t reverse, unsigned* leg, unsigned* point, zel_bool_t* exact,
                                              void* closest) {
  Closest<&ZELI_WfSegment::Get_ClosestXValue>(*this, startLeg, startPoint, x, reverse, leg, point, exact, closest);
}

void ZEL_WfSegment::GetWfSegmentClosestCPValue(unsigned, unsigned, const void*, zel_bool_t, unsigned*, unsigned*,
                                               zel_bool_t*, void*) {
  Unimplemented(*this, "Unimplemented ZELI_WfSegment::Get_ClosestCPValue");
}

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
