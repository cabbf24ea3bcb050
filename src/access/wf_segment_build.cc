// ZELI_WfSegment: new data for a waveform segment. Data arrays handed in by
// callers, computed values, collected XY points, and new segments over the
// same data with the axes swapped or duplicated.
//
// A segment owns its two data arrays. Whatever replaces one is checked or
// built completely first and installed last, so a failure leaves the segment
// as it was; the replaced array is deleted, which releases (never deletes)
// cached arrays that others still reference or can locate.
#include <climits>
#include <memory>

#include "model/cached_array.h"
#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "errors/exceptions.h"
#include "errors/memory.h"
#include "model/container.h"
#include "types/type.h"
#include "model/data_information.h"

// ---- collected points -----------------------------------------------------------

ZELI_XYPoints::ZELI_XYPoints(ZELI_Type* xType, ZELI_Type* yType) : xType_(xType), yType_(yType) {
  if (xType == nullptr || yType == nullptr) throw ZELI_FailedException("ZELI_XYPoints: no type");
}

ZELI_XYPoints::~ZELI_XYPoints() {
  try {
    xType_->FreeData(x_, capacity_);
    yType_->FreeData(y_, capacity_);
  } catch (...) {
    // Only types of size 0 refuse, and they never hold a buffer.
  }
}

namespace {

// Resizes a buffer of values of type from oldCount to newCount. Slots a
// string type adds are zero (null texts); other types' added slots are left
// as they are, since only entered points are ever read or freed.
void* ResizeValues(const ZELI_Type& type, void* buffer, unsigned newCount, unsigned oldCount) {
  if (type.HoldsStrings()) return type.ReallocData(buffer, newCount, oldCount);
  if (type.Get_SizeOf() == 0) throw ZELI_BadArgException("Type does not store data");
  return ZELI_OS_Realloc(buffer, static_cast<size_t>(type.Get_SizeOf()) * newCount);
}

}  // namespace

void ZELI_XYPoints::Resize(unsigned capacity) {
  // Each buffer takes its new size at once; capacity_ follows once both
  // have it (added text slots are null, so the smaller count frees
  // correctly).
  x_ = ResizeValues(*xType_, x_, capacity, capacity_);
  y_ = ResizeValues(*yType_, y_, capacity, capacity_);
  capacity_ = capacity;
}

void ZELI_XYPoints::Grow() {
  if (capacity_ > UINT_MAX / 2) throw ZELI_BadAllocException();
  Resize(capacity_ == 0 ? 100 : 2 * capacity_);
}

void ZELI_XYPoints::Reserve(unsigned count) {
  if (count > capacity_) Resize(count);
}

void ZELI_XYPoints::EnterXYPoint(const void* x, const void* y) {
  if (count_ == capacity_) Grow();
  xType_->CopyData(x_, count_, x, 0);
  try {
    yType_->CopyData(y_, count_, y, 0);
  } catch (...) {
    xType_->CopyData(xType_->AtData(x_, count_), static_cast<const void*>(nullptr), 1);  // drops the X text
    throw;
  }
  ++count_;
}

void ZELI_XYPoints::TermXYBuffers() {
  if (capacity_ == count_) return;
  x_ = xType_->ReallocData(x_, count_, capacity_);
  y_ = yType_->ReallocData(y_, count_, capacity_);
  capacity_ = count_;
}

void* ZELI_XYPoints::Release_X_p() noexcept {
  void* x = x_;
  x_ = nullptr;
  if (y_ == nullptr) count_ = capacity_ = 0;
  return x;
}

void* ZELI_XYPoints::Release_Y_p() noexcept {
  void* y = y_;
  y_ = nullptr;
  if (x_ == nullptr) count_ = capacity_ = 0;
  return y;
}

// ---- replacing data arrays ------------------------------------------------------------

namespace {

// count values of a type, freed through it unless released.
class OwnedValues {
 public:
  OwnedValues(const ZELI_Type* type, void* data, unsigned count) : type_(type), data_(data), count_(count) {}
  ~OwnedValues() {
    try {
      if (type_ != nullptr) type_->FreeData(data_, count_);
    } catch (...) {
      // A type of size 0 holds no values to free.
    }
  }
  OwnedValues(const OwnedValues&) = delete;
  OwnedValues& operator=(const OwnedValues&) = delete;
  void* Release() noexcept {
    type_ = nullptr;
    return data_;
  }

 private:
  const ZELI_Type* type_;
  void* data_;
  unsigned count_;
};

// A new direct data array over count values of type (owned from here on):
// its summary is determined over the values and takes the given spacing.
std::unique_ptr<ZELI_WfDataArray> NewValuesArray(ZELI_Container& container, ZELI_Type* type, void* data,
                                                 unsigned count, zel_dataSpacing_t spacing) {
  OwnedValues values(type, data, count);
  if (type == nullptr) throw ZELI_FailedException("ZELI_WfSegment: values without a type");
  auto information = std::make_unique<ZELI_DataInformation>(type);
  information->DetermineMonMinMax(data, count);
  information->Set_DataSpacing(spacing);
  auto cached = std::make_unique<ZELI_CachedArray>(count, information.get(), data);
  information.release();
  values.Release();
  container.Get_Cache().Add_CachedArray(cached.get());
  // Listed in the cache from here: should the data array not be made, the
  // unreferenced array is garbage there.
  return std::make_unique<ZELI_WfDataArray>(container, cached.release());
}

}  // namespace

void ZELI_WfSegment::InstallDataArray(Axis axis, ZELI_WfDataArray* array) noexcept {
  ZELI_WfDataArray*& slot = axis == X_AXIS ? x_ : y_;
  if (slot == array) return;
  ZELI_WfDataArray* old = slot;
  slot = array;
  array->Set_Owner_p(this);
  delete old;
}

const ZELI_WfDataArray& ZELI_WfSegment::CheckedCallerArray(const void* array) const {
  if (!ZELI_WfDataArray::IsLive(array)) throw ZELI_BadArgException("Not a waveform data array");
  const auto& checked = *static_cast<const ZELI_WfDataArray*>(array);
  if (&checked.Get_Container() != &Get_Container())
    throw ZELI_BadArgException("The data array belongs to another container");
  if (checked.Get_PointCount() != x_->Get_PointCount())
    throw ZELI_BadArgException("The data array's point count differs from the waveform segment's");
  return checked;
}

void ZELI_WfSegment::Set_DataArray_p(Axis axis, ZELI_WfDataArray* array) {
  CheckedCallerArray(array);
  if (array == Get_DataArray_p(axis)) return;
  if (array->Get_Owner_p() != nullptr) throw ZELI_BadArgException("The data array belongs to a waveform segment");
  InstallDataArray(axis, array);
}

void ZELI_WfSegment::Copy_XDataArray_p(const ZELI_WfDataArray* array) {
  // The copy comes first: array may be the current X array itself.
  auto copy = std::make_unique<ZELI_WfDataArray>(CheckedCallerArray(array));
  InstallDataArray(X_AXIS, copy.release());
}

void ZELI_WfSegment::ReplaceWfDataArray(Axis axis, ZELI_Type* type, void* data, unsigned count) {
  OwnedValues values(type, data, count);
  if (count != x_->Get_PointCount())
    throw ZELI_FailedException("ZELI_WfSegment::ReplaceWfDataArray: point count differs");
  const zel_dataSpacing_t spacing = Get_DataArray_p(axis)->Get_DataInformation_p()->Get_DataSpacing();
  InstallDataArray(axis, NewValuesArray(Get_Container(), type, values.Release(), count, spacing).release());
}

void ZELI_WfSegment::InstallLegs(std::vector<ZELI_WfLeg>& legs) noexcept {
  legs_.swap(legs);
  // The old window may lie outside the new legs.
  for (ZELI_ConvertedTexts& texts : convertedBuffers_) texts.Clear();
  window_ = Window();
}

void ZELI_WfSegment::ReplaceXYData(ZELI_XYPoints& points) {
  points.TermXYBuffers();
  const unsigned count = points.Get_Count();
  std::vector<ZELI_WfLeg> legs{ZELI_WfLeg(0, count)};
  ZELI_Container& container = Get_Container();
  auto x = NewValuesArray(container, points.Get_XType_p(), points.Release_X_p(), count, Get_XDataSpacing());
  auto y = NewValuesArray(container, points.Get_YType_p(), points.Release_Y_p(), count, Get_YDataSpacing());
  ConvertPolynomialInterpolationToLinear();
  InstallDataArray(X_AXIS, x.release());
  InstallDataArray(Y_AXIS, y.release());
  InstallLegs(legs);
}

void ZELI_WfSegment::ReplaceXYValues(ZELI_Type* xType, void* x, ZELI_Type* yType, void* y, unsigned count,
                                     zel_interpolation_t interpolation) {
  OwnedValues xValues(xType, x, count);
  OwnedValues yValues(yType, y, count);
  std::vector<ZELI_WfLeg> legs{ZELI_WfLeg(0, count)};
  ZELI_Container& container = Get_Container();
  auto xArray = NewValuesArray(container, xType, xValues.Release(), count, Get_XDataSpacing());
  auto yArray = NewValuesArray(container, yType, yValues.Release(), count, Get_YDataSpacing());
  ChangeInterpolationType(interpolation);
  InstallDataArray(X_AXIS, xArray.release());
  InstallDataArray(Y_AXIS, yArray.release());
  InstallLegs(legs);
}

void ZELI_WfSegment::ChangeInterpolationType(zel_interpolation_t interpolation) noexcept {
  if (interpolation_ == ZEL_INTERPOLATION_POLYNOMIAL && interpolation != ZEL_INTERPOLATION_POLYNOMIAL) {
    ZELI_ReleaseCachedArray(Get_Container().Get_Cache(), order_);
    order_ = nullptr;
  }
  interpolation_ = interpolation;
}

void ZELI_WfSegment::ConvertPolynomialInterpolationToLinear() {
  if (interpolation_ == ZEL_INTERPOLATION_POLYNOMIAL) ChangeInterpolationType(ZEL_INTERPOLATION_LINEAR);
}

// ---- derived segments ----------------------------------------------------------------

std::unique_ptr<ZELI_WfSegment> ZELI_WfSegment::Derived(const ZELI_WfDataArray& x, const ZELI_WfDataArray& y) const {
  // A step function of X over Y (or of X over X) has no meaning.
  const zel_interpolation_t interpolation =
      interpolation_ == ZEL_INTERPOLATION_CONSTANT ? ZEL_INTERPOLATION_NONE : interpolation_;
  auto xCopy = std::make_unique<ZELI_WfDataArray>(x);
  auto yCopy = std::make_unique<ZELI_WfDataArray>(y);
  // Each new-expression allocates before it evaluates its arguments, so the
  // copies change hands only once the memory is there.
  std::unique_ptr<ZELI_WfSegmentXData> xData(new ZELI_WfSegmentXData(xCopy.release(), interpolation, order_));
  if (order_ != nullptr) order_->IncrementReferenceCount();  // the one xData releases
  return std::unique_ptr<ZELI_WfSegment>(new ZELI_WfSegment(segmentIndex_, xData.release(), yCopy.release()));
}

std::unique_ptr<ZELI_WfSegment> ZELI_WfSegment::SwapXY() const { return Derived(*y_, *x_); }

std::unique_ptr<ZELI_WfSegment> ZELI_WfSegment::DuplicateXToY() const { return Derived(*x_, *x_); }

std::unique_ptr<ZELI_WfSegment> ZELI_WfSegment::DuplicateYToX() const { return Derived(*y_, *y_); }
