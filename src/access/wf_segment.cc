// ZELI_WfSegment: construction, legs, single points and their data origin,
// summaries, the parameters of the owning view, the functions not provided,
// and the caller's object.
//
// Data origin of point p of a leg (begin b, end e, leading flag L, trailing
// flag T); the stored index is b - L + p:
//   1. p = 0 with L set: the leading point;
//   2. stored index < e: stored data at that index;
//   3. stored index = e with T set: the trailing point;
//   4. stored index = e = 0 (point 0 of an empty leg): stored index 0, but
//      only where the arrays hold a value there; an empty leg of empty
//      arrays has no value to read;
//   5. anything else is outside the leg.
// Single values are read through the data arrays' point addresses, so an
// indexed array is never materialised for them.
#include "access/wf_segment.h"

#include <cstdint>

#include "model/cached_array.h"
#include "access/live_registry.h"
#include "access/wf_data_array.h"
#include "errors/exceptions.h"
#include "model/container.h"
#include "types/type.h"
#include "model/data_information.h"

namespace {

[[noreturn]] void Unimplemented(const char* message) { throw ZELI_FailedException(message); }

}  // namespace

// The caller's object and its place among the live ones (listed after the
// object is built, unlisted before it goes).
struct ZELI_WfSegment::ApiObject {
  explicit ApiObject(ZELI_WfSegment* owner) : live(&object) { object.segment = owner; }
  ZEL_WfSegment object;
  ZELI_LiveMark<ZEL_WfSegment> live;
};

ZELI_WfSegmentXData::~ZELI_WfSegmentXData() {
  if (xArray_ != nullptr) {
    if (order_ != nullptr) ZELI_ReleaseCachedArray(xArray_->Get_Container().Get_Cache(), order_);
    delete xArray_;
  } else if (order_ != nullptr && order_->Get_ReferenceCount() > 0) {
    // Without the X array there is no cache at hand: only drop the
    // reference; the cache's garbage rule deletes the array later.
    order_->DecrementReferenceCount();
  }
}

ZELI_WfDataArray* ZELI_WfSegmentXData::Release_XArray_p() noexcept {
  ZELI_WfDataArray* x = xArray_;
  xArray_ = nullptr;
  return x;
}

ZELI_CachedArray* ZELI_WfSegmentXData::Release_OrderArray_p() noexcept {
  ZELI_CachedArray* order = order_;
  order_ = nullptr;
  return order;
}

ZELI_WfLeg::ZELI_WfLeg(unsigned beginPos, unsigned endPos) : begin(beginPos), end(endPos) {
  if (endPos < beginPos) throw ZELI_FailedException("ZELI_WfLeg: endPos < beginPos");
}

const void* ZELI_WfLeg::Get_CPPointAddress(unsigned) const {
  Unimplemented("Unimplemented ZELI_WfLeg::Get_CPPointAddress");
}

ZELI_WfSegment::ZELI_WfSegment(unsigned segmentIndex, ZELI_WfSegmentXData* xData, ZELI_WfDataArray* yArray)
    : segmentIndex_(segmentIndex), interpolation_(xData != nullptr ? xData->Get_InterpolationType()
                                                                   : ZEL_INTERPOLATION_NONE) {
  std::unique_ptr<ZELI_WfSegmentXData> xOwner(xData);
  std::unique_ptr<ZELI_WfDataArray> yOwner(yArray);
  if (xData == nullptr || xData->Get_XArray_p() == nullptr || yArray == nullptr)
    throw ZELI_FailedException("ZELI_WfSegment: no data");
  const unsigned count = xData->Get_XArray_p()->Get_PointCount();
  if (yArray->Get_PointCount() != count) throw ZELI_FailedException("ZELI_WfSegment: X and Y array point counts differ");
  const ZELI_CachedArray* order = xData->Get_OrderArray_p();
  if (order != nullptr && order->Get_PointCount() != count)
    throw ZELI_FailedException("ZELI_WfSegment: X and Order array point counts differ");
  if (order != nullptr && order->Get_SizeOf() != Get_OSizeOf()) throw ZELI_FailedException("ZELI_WfSegment: order size");
  legs_.emplace_back(0, count);
  x_ = xData->Release_XArray_p();
  y_ = yOwner.release();
  x_->Set_Owner_p(this);
  y_->Set_Owner_p(this);
  // The X data's reference on the order array becomes this segment's.
  order_ = xData->Release_OrderArray_p();
}

ZELI_WfSegment::~ZELI_WfSegment() {
  api_.reset();
  ZELI_ReleaseCachedArray(Get_Container().Get_Cache(), order_);
  delete x_;
  delete y_;
}

ZELI_Container& ZELI_WfSegment::Get_Container() const { return x_->Get_Container(); }

bool ZELI_WfSegment::IsStale() const {
  return x_->IsStale() || y_->IsStale() || (order_ != nullptr && order_->IsStale());
}

ZELI_Type* ZELI_WfSegment::Get_XType_p() const { return x_->Get_Type_p(); }

ZELI_Type* ZELI_WfSegment::Get_YType_p() const { return y_->Get_Type_p(); }

const ZELI_WfLeg& ZELI_WfSegment::Get_Leg(unsigned leg) const {
  if (leg >= legs_.size()) throw ZELI_BadArgException("Leg index is invalid.");
  return legs_[leg];
}

unsigned ZELI_WfSegment::Get_LegPointCount(unsigned leg) const {
  if (leg >= legs_.size()) throw ZELI_BadArgException("Leg index out of range");
  return legs_[leg].Get_PointCount();
}

unsigned ZELI_WfSegment::Get_PointCounts(unsigned* counts) const {
  unsigned sum = 0;
  for (size_t i = 0; i < legs_.size(); ++i) {
    counts[i] = legs_[i].Get_PointCount();
    sum += counts[i];
  }
  return sum;
}

ZEL_WfSegment* ZELI_WfSegment::Get_ApiObject_p() {
  if (api_ == nullptr) api_ = std::make_unique<ApiObject>(this);
  return &api_->object;
}

// ---- single points ----------------------------------------------------------

unsigned ZELI_WfSegment::Get_XSizeOf() const { return x_->Get_SizeOf(); }

unsigned ZELI_WfSegment::Get_YSizeOf() const { return y_->Get_SizeOf(); }

unsigned ZELI_WfSegment::Get_OSizeOf() const { return 4; }

ZELI_WfSegment::Origin ZELI_WfSegment::DataOrigin(const ZELI_WfLeg& leg, unsigned point, unsigned* stored) const {
  if (point == 0 && leg.hasLeading) return Origin::LEADING;
  // b - L + p, never below b - L + 1 >= 0 here; 64 bits keep b + p exact.
  const uint64_t index = uint64_t{leg.begin} + point - (leg.hasLeading ? 1 : 0);
  if (index < leg.end) {
    *stored = static_cast<unsigned>(index);
    return Origin::STORED;
  }
  if (index == leg.end && leg.hasTrailing) return Origin::TRAILING;
  if (index == 0 && leg.end == 0 && x_->Get_PointCount() > 0) {
    *stored = 0;
    return Origin::STORED;
  }
  return Origin::OUTSIDE;
}

const ZELI_WfLeg::ExtraPoint& ZELI_WfSegment::ExtraPointOf(const ZELI_WfLeg& leg, Origin origin) {
  return origin == Origin::LEADING ? leg.leading : leg.trailing;
}

bool ZELI_WfSegment::StoredIndex(unsigned leg, unsigned point, unsigned* stored) const {
  const Origin origin = DataOrigin(Get_Leg(leg), point, stored);
  if (origin == Origin::OUTSIDE) throw ZELI_BadArgException("Point index is out of range");
  return origin == Origin::STORED;
}

const void* ZELI_WfSegment::Get_PointAddress(Axis axis, unsigned leg, unsigned point) const {
  const ZELI_WfLeg& l = Get_Leg(leg);
  unsigned stored = 0;
  const Origin origin = DataOrigin(l, point, &stored);
  if (origin == Origin::OUTSIDE) throw ZELI_BadArgException("Point index is out of range");
  if (origin == Origin::STORED) return Get_DataArray_p(axis)->Get_PointAddress(stored);
  const ZELI_WfLeg::ExtraPoint& extra = ExtraPointOf(l, origin);
  const void* address = axis == X_AXIS ? extra.x : extra.y;
  if (address == nullptr) throw ZELI_FailedException("ZELI_WfLeg: extra point without a value");
  return address;
}

const void* ZELI_WfSegment::Get_XPointAddress(unsigned leg, unsigned point) const {
  return Get_PointAddress(X_AXIS, leg, point);
}

const void* ZELI_WfSegment::Get_YPointAddress(unsigned leg, unsigned point) const {
  return Get_PointAddress(Y_AXIS, leg, point);
}

void ZELI_WfSegment::Get_XPointValue(unsigned leg, unsigned point, void* out) const {
  Get_XType_p()->CopyData(out, 0, Get_XPointAddress(leg, point), 0);
}

void ZELI_WfSegment::Get_YPointValue(unsigned leg, unsigned point, void* out) const {
  Get_YType_p()->CopyData(out, 0, Get_YPointAddress(leg, point), 0);
}

const unsigned* ZELI_WfSegment::OrderAddress(const ZELI_WfLeg& leg, unsigned point) const {
  unsigned stored = 0;
  const Origin origin = DataOrigin(leg, point, &stored);
  if (origin == Origin::OUTSIDE) throw ZELI_BadArgException("Point index is out of range");
  const void* address = nullptr;
  if (origin != Origin::STORED) {
    address = ExtraPointOf(leg, origin).order;
  } else if (order_ != nullptr) {
    address = order_->Get_PointAddress(stored);
  }
  if (address == nullptr) throw ZELI_FailedException("ZELI_WfSegment: polynomial data without orders");
  return static_cast<const unsigned*>(address);
}

unsigned ZELI_WfSegment::OrderOf(const ZELI_WfLeg& leg, unsigned point) const {
  switch (interpolation_) {
    case ZEL_INTERPOLATION_NONE:
    case ZEL_INTERPOLATION_CONSTANT:
      return 0;
    case ZEL_INTERPOLATION_LINEAR:
      return 1;
    case ZEL_INTERPOLATION_POLYNOMIAL:
      return *OrderAddress(leg, point);
    case ZEL_INTERPOLATION_MIXED:
    case ZEL_INTERPOLATION_DEFAULT:
      throw ZELI_FailedException("ZELI_WfSegment: Implementation error");
    default:
      throw ZELI_FailedException("ZELI_WfSegment: Unimplemented interpolation type");
  }
}

void ZELI_WfSegment::XYAddress(unsigned leg, unsigned point, const void** x, const void** y,
                               const unsigned** order) {
  unsigned stored = 0;
  const Origin origin = DataOrigin(Get_Leg(leg), point, &stored);
  // Nothing is read past the data (an empty segment has no point 0 either).
  if (origin == Origin::OUTSIDE) throw ZELI_BadArgException("Point index is out of range");
  if (origin != Origin::STORED) throw ZELI_FailedException("ZELI_WfLeg::XYAddress implementation");
  *x = x_->Get_BufferAddress(stored);
  *y = y_->Get_BufferAddress(stored);
  *order = nullptr;
  if (interpolation_ == ZEL_INTERPOLATION_POLYNOMIAL && order_ != nullptr)
    *order = static_cast<const unsigned*>(order_->Get_PointAddress(stored));
}

void ZELI_WfSegment::XYPoint(unsigned leg, unsigned point, void* x, void* y, unsigned* order) const {
  const ZELI_WfLeg& l = Get_Leg(leg);
  const unsigned o = OrderOf(l, point);
  const void* xAddress = Get_XPointAddress(leg, point);
  const void* yAddress = Get_YPointAddress(leg, point);
  if (x != nullptr) Get_XType_p()->CopyData(x, 0, xAddress, 0);
  if (y != nullptr) Get_YType_p()->CopyData(y, 0, yAddress, 0);
  if (order != nullptr) *order = o;
}

// ---- summaries ----------------------------------------------------------------

zel_monotonicity_t ZELI_WfSegment::Get_XMonotonicity() const {
  return x_->Get_DataInformation_p()->Get_Monotonicity();
}

zel_monotonicity_t ZELI_WfSegment::Get_YMonotonicity() const {
  return y_->Get_DataInformation_p()->Get_Monotonicity();
}

zel_dataSpacing_t ZELI_WfSegment::Get_XDataSpacing() const { return x_->Get_DataInformation_p()->Get_DataSpacing(); }

zel_dataSpacing_t ZELI_WfSegment::Get_YDataSpacing() const { return y_->Get_DataInformation_p()->Get_DataSpacing(); }

void ZELI_WfSegment::Get_XMinMax(void* min, void* max) const { x_->Get_DataInformation_p()->Get_MinMax(min, max); }

void ZELI_WfSegment::Get_YMinMax(void* min, void* max) const { y_->Get_DataInformation_p()->Get_MinMax(min, max); }

// ---- not provided ---------------------------------------------------------------

const void* ZELI_WfSegment::Get_CPBuffer() { Unimplemented("Unimplemented ZELI_WfSegment::Get_CPBuffer"); }

const unsigned* ZELI_WfSegment::Get_DeltaCycleBuffer() {
  Unimplemented("Unimplemented ZELI_WfSegment::Get_DeltaCycleBuffer");
}

const unsigned char* ZELI_WfSegment::Get_FlagBuffer() { Unimplemented("Unimplemented ZELI_WfSegment::Get_FlagBuffer"); }

zel_dataSpacing_t ZELI_WfSegment::Get_CPDataSpacing() const {
  Unimplemented("Unimplemented: ZELI_WfSegment::Get_CPDataSpacing ()");
}

zel_monotonicity_t ZELI_WfSegment::Get_CPMonotonicity() const {
  Unimplemented("Unimplemented: ZELI_WfSegment::Get_CPMonotonicity ()");
}

void ZELI_WfSegment::Get_CPMinMax(void*, void*) const {
  Unimplemented("Unimplemented: ZELI_WfSegment::Get_CPMinMax ()");
}

zel_interpolation_t ZELI_WfSegment::Get_YInterpolationType() const {
  Unimplemented("Unimplemented: ZELI_WfSegment::Get_YInterpolationType ()");
}

zel_interpolation_t ZELI_WfSegment::Get_CPInterpolationType() const {
  Unimplemented("Unimplemented: ZELI_WfSegment::Get_CPInterpolationType ()");
}

void ZELI_WfSegment::Get_CPPointValue(unsigned, unsigned, void*) const {
  Unimplemented("Unimplemented ZELI_WfSegment::Get_CPPointValue");
}

ZELI_Type* ZELI_WfSegment::Get_CPType_p() const { Unimplemented("Unimplemented ZELI_WfSegment::Get_CPType_p"); }

// ---- parameters of the owning view ------------------------------------------------

// The display parameters belong to the data view that shows this segment.
// Views keep no parameter values yet: an open view answers "Unimplemented".
void ZELI_WfSegment::AskViewForParameter() const {
  if (view_ == nullptr) throw ZELI_FailedException("The view is not open");
  Unimplemented("Unimplemented");
}

void ZELI_WfSegment::Get_ParameterValue(int, void*) const { AskViewForParameter(); }

const char* ZELI_WfSegment::Get_ParameterConvertedValue(int) { AskViewForParameter(); }

unsigned ZELI_WfSegment::Get_ParameterValueIndex(int) const { AskViewForParameter(); }
