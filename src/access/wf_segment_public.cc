// ZEL_WfSegment: the caller's waveform segment, the public wrapper of a
// ZELI_WfSegment that views and readers hand out (its exported functions are
// in interface/api_wf_segments.cc).
//
// Each member checks its pointer arguments, calls the implementation and
// turns its failures into ZEL_Exception with the same status and message.
#include "access/live_registry.h"
#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "errors/exceptions.h"

namespace {

// Runs body(implementation) for a member of the wrapper.
template <typename Body>
auto On(ZEL_WfSegment& object, Body&& body) {
  return ZELI_PublicCall([&] {
    if (object.segment == nullptr) throw ZELI_BadHandleException(ZELI_BadHandleException::WRONG_HANDLE);
    return body(*object.segment);
  });
}

using Axis = ZELI_WfSegment::Axis;

}  // namespace

ZEL_WfSegment::ZEL_WfSegment() noexcept = default;

ZEL_WfSegment::~ZEL_WfSegment() = default;

bool ZEL_WfSegment::IsLive(const ZEL_WfSegment* p) noexcept { return ZELI_LiveRegistry<ZEL_WfSegment>::IsLive(p); }

unsigned ZEL_WfSegment::GetWfSegmentLegCount() {
  return On(*this, [](ZELI_WfSegment& s) { return s.Get_LegCount(); });
}

unsigned ZEL_WfSegment::GetWfSegmentPointCounts(unsigned* counts) {
  return On(*this, [&](ZELI_WfSegment& s) {
    ZELI_RequireArgument(counts, "counts is null");
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
    ZELI_RequireArgument(value, "value is null");
    return s.Get_ConvertedYValue(value);
  });
}

const char* ZEL_WfSegment::GetWfSegmentConvertedXValue(const void* value) {
  return On(*this, [&](ZELI_WfSegment& s) {
    ZELI_RequireArgument(value, "value is null");
    return s.Get_ConvertedXValue(value);
  });
}

const char* ZEL_WfSegment::GetWfSegmentConvertedCPValue(const void* value) {
  return On(*this, [&](ZELI_WfSegment& s) {
    ZELI_RequireArgument(value, "value is null");
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
    ZELI_RequireArgument(min, "min is null");
    ZELI_RequireArgument(max, "max is null");
    s.Get_YMinMax(min, max);
  });
}

void ZEL_WfSegment::GetWfSegmentXMinMax(void* min, void* max) {
  On(*this, [&](ZELI_WfSegment& s) {
    ZELI_RequireArgument(min, "min is null");
    ZELI_RequireArgument(max, "max is null");
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
    ZELI_RequireArgument(value, "value is null");
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
    ZELI_RequireArgument(array, "array is null");
    s.Set_DataArray_p(Axis::Y_AXIS, static_cast<ZELI_WfDataArray*>(array));
  });
}

void ZEL_WfSegment::SetWfSegmentXDataArray_p(void* array) {
  On(*this, [&](ZELI_WfSegment& s) {
    ZELI_RequireArgument(array, "array is null");
    s.Set_DataArray_p(Axis::X_AXIS, static_cast<ZELI_WfDataArray*>(array));
  });
}

void ZEL_WfSegment::CopyWfSegmentXDataArray_p(const void* array) {
  On(*this, [&](ZELI_WfSegment& s) {
    ZELI_RequireArgument(array, "array is null");
    s.Copy_XDataArray_p(static_cast<const ZELI_WfDataArray*>(array));
  });
}

// ---- searches ---------------------------------------------------------------------

namespace {

// The sought value and the outputs every search writes.
void RequireSearchOutputs(const void* sought, const void* leg, const void* a, const void* b, const void* exact) {
  ZELI_RequireArgument(sought, "sought value is null");
  ZELI_RequireArgument(leg, "leg is null");
  ZELI_RequireArgument(a, "index is null");
  ZELI_RequireArgument(b, "index is null");
  ZELI_RequireArgument(exact, "exact is null");
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
    ZELI_RequireArgument(interpolated, "interpolated is null");
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
    ZELI_RequireArgument(closest, "closest value is null");
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
