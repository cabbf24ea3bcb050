// Data views: conversions of the display axes and the text rule that the
// view's waveform segments follow, and the settings a view records without
// evaluating them (windows, granularity, selections and samplings).
#include "errors/exceptions.h"
#include "types/type.h"
#include "views/wf_data_view.h"

namespace {

// Positions in the display-axis tables (display axis + 3).
constexpr size_t kY = 1;
constexpr size_t kX = 2;

// Copies two values of the pair's type into the pair (allocated on first
// use; earlier values, strings included, are released by the copy).
void Assign(ZELI_TypedPair& pair, const void* low, const void* high) {
  ZELI_RequireArgument(low, "low value is null");
  ZELI_RequireArgument(high, "high value is null");
  const ZELI_Type* type = pair.Get_Type_p();
  if (type == nullptr || type->Get_SizeOf() == 0) throw ZELI_BadArgException("Type does not store data");
  pair.Assign(low, high);
}

}  // namespace

// ---- ZELI_TypedPair ---------------------------------------------------------------

void ZELI_TypedPair::Assign(const void* low, const void* high) {
  // Copied into a fresh allocation first: the pair keeps its values when a
  // copy fails, and low or high may point into the current ones.
  void* fresh = type_->ReallocData(nullptr, 2, 0);
  try {
    type_->CopyData(fresh, 0, low, 0);
    type_->CopyData(fresh, 1, high, 0);
  } catch (...) {
    type_->FreeData(fresh, 2);
    throw;
  }
  Clear();
  values_ = fresh;
}

// ---- conversions --------------------------------------------------------------------

zel_conversion_t ZELI_WfDataView::Get_Conversion(int axis) {
  if (state_ != 2) FinalizeOperations();
  return conversions_[DisplayIndex(axis)];
}

void ZELI_WfDataView::Set_Conversion(int axis, zel_conversion_t conversion) {
  if (state_ != 2) FinalizeOperations();
  const size_t index = DisplayIndex(axis);
  if (conversion == ZEL_CONVERT_FUNCTION) throw ZELI_BadArgException("ZEL_CONVERT_FUNCTION cannot be set this way.");
  const ZELI_Type* type = displayTypes_[index];
  if (type == nullptr || !type->IsValidConversion(conversion))
    throw ZELI_BadArgException("The type does not support the zel_conversion_t");
  conversions_[index] = conversion;
}

zel_conversion_xy_t ZELI_WfDataView::Get_ConversionXY(int axis) {
  if (state_ != 2) FinalizeOperations();
  return conversionsXY_[DisplayIndex(axis)];
}

void ZELI_WfDataView::Set_ConversionXY(int axis, zel_conversion_xy_t conversion) {
  if (state_ != 2) FinalizeOperations();
  const size_t index = DisplayIndex(axis);
  // A value outside the enumeration would choose a buffer by accident.
  if (conversion != ZEL_CONVERT_XY_NONE && conversion != ZEL_CONVERT_XY_Y && conversion != ZEL_CONVERT_XY_X)
    throw ZELI_BadArgException("Invalid zel_conversion_xy_t");
  conversionsXY_[index] = conversion;
}

void ZELI_WfDataView::Set_ConversionFunction(int axis, ConversionFunction function, void* userData) {
  if (state_ != 2) FinalizeOperations();
  const size_t index = DisplayIndex(axis);
  if (function == nullptr) throw ZELI_BadArgException("conversion function is null");
  conversionFunctions_[index] = function;
  conversionUserData_[index] = userData;
  conversions_[index] = ZEL_CONVERT_FUNCTION;
}

ZELI_WfDataView::ConversionFunction ZELI_WfDataView::Get_ConversionFunction(int axis, void** userData) {
  if (state_ != 2) FinalizeOperations();
  const size_t index = DisplayIndex(axis);
  if (conversions_[index] != ZEL_CONVERT_FUNCTION) throw ZELI_FailedException("There is no conversion function");
  if (userData != nullptr) *userData = conversionUserData_[index];
  return conversionFunctions_[index];
}

ZELI_WfSegmentView::TextRule ZELI_WfDataView::Get_TextRule(int displayAxis) {
  if (NeedsFinalizing()) FinalizeOperations();
  const size_t index = DisplayIndex(displayAxis);
  TextRule rule;
  rule.conversion = conversions_[index];
  rule.function = conversionFunctions_[index];
  rule.userData = conversionUserData_[index];
  const zel_conversion_xy_t xy = conversionsXY_[index];
  if (index == kY) {
    rule.values = xy == ZEL_CONVERT_XY_X ? ZELI_WfSegment::X_AXIS : ZELI_WfSegment::Y_AXIS;
  } else if (index == kX) {
    rule.values = xy == ZEL_CONVERT_XY_Y ? ZELI_WfSegment::Y_AXIS : ZELI_WfSegment::X_AXIS;
  } else {
    rule.filled = false;
  }
  return rule;
}

// ---- windows and granularity ------------------------------------------------------

void ZELI_WfDataView::Set_Window(int axis, const void* low, const void* high) {
  RequireClosed();
  if (state_ != 2) FinalizeOperations();
  if (axis != static_cast<int>(kY) - 3 && axis != static_cast<int>(kX) - 3)
    throw ZELI_BadArgException("Axis must be an X or Y axis.");
  ZELI_TypedPair& window = axis == static_cast<int>(kY) - 3 ? yWindow_ : xWindow_;
  ZELI_Type* type = displayTypes_[static_cast<size_t>(axis + 3)];
  // The display type may have changed since the window was last set.
  if (window.Get_Type_p() != type) window = ZELI_TypedPair(type);
  Assign(window, low, high);
}

void ZELI_WfDataView::Clr_Window(int axis) {
  RequireClosed();
  if (axis != static_cast<int>(kY) - 3 && axis != static_cast<int>(kX) - 3)
    throw ZELI_BadArgException("Axis must be an X or Y axis.");
  (axis == static_cast<int>(kY) - 3 ? yWindow_ : xWindow_).Clear();
}

const ZELI_TypedPair* ZELI_WfDataView::Get_Window(int axis) const {
  const ZELI_TypedPair& window = axis == static_cast<int>(kY) - 3 ? yWindow_ : xWindow_;
  return window.IsSet() ? &window : nullptr;
}

void ZELI_WfDataView::Set_Granularity(int lowX, int highX, int lowY, int highY) {
  RequireClosed();
  if (lowX >= highX) throw ZELI_BadArgException("Granularity loX >= hiX");
  if (lowY >= highY) throw ZELI_BadArgException("Granularity loY >= hiY");
  granularity_[0] = lowX;
  granularity_[1] = highX;
  granularity_[2] = lowY;
  granularity_[3] = highY;
}

void ZELI_WfDataView::Clr_Granularity() {
  RequireClosed();
  for (int& value : granularity_) value = 0;
}

// ---- selections and samplings -------------------------------------------------------

namespace {

size_t StoredIndexOf(int axis, size_t count) {
  if (axis < -2 || axis + 2 >= static_cast<int>(count)) throw ZELI_BadArgException("Axis must be an stored axis.");
  return static_cast<size_t>(axis + 2);
}

}  // namespace

void ZELI_WfDataView::Set_SelectionAll(int axis) {
  RequireClosed();
  ZELI_ViewSelection& selection = selections_[StoredIndexOf(axis, selections_.size())];
  selection.kind = ZELI_ViewSelection::ALL;
}

void ZELI_WfDataView::Set_SelectionByIndex(int axis, unsigned low, unsigned high) {
  RequireClosed();
  ZELI_ViewSelection& selection = selections_[StoredIndexOf(axis, selections_.size())];
  if (low > high) throw ZELI_BadArgException("low index must be <= high index");
  selection.kind = ZELI_ViewSelection::BY_INDEX;
  selection.lowIndex = low;
  selection.highIndex = high;
}

void ZELI_WfDataView::Set_SelectionByValue(int axis, const void* low, const void* high) {
  RequireClosed();
  ZELI_ViewSelection& selection = selections_[StoredIndexOf(axis, selections_.size())];
  Assign(selection.values, low, high);
  selection.kind = ZELI_ViewSelection::BY_VALUE;
}

void ZELI_WfDataView::Set_SamplingAll(int axis) {
  RequireClosed();
  samplings_[StoredIndexOf(axis, samplings_.size())].kind = ZELI_ViewSampling::ALL;
}

void ZELI_WfDataView::Set_SamplingByIndex(int axis, unsigned step) {
  RequireClosed();
  ZELI_ViewSampling& sampling = samplings_[StoredIndexOf(axis, samplings_.size())];
  sampling.kind = ZELI_ViewSampling::BY_INDEX;
  sampling.step = step;
}

void ZELI_WfDataView::Set_SamplingByValue(int axis, const void* low, const void* high, zel_dataSpacing_t spacing,
                                          unsigned) {
  RequireClosed();
  ZELI_ViewSampling& sampling = samplings_[StoredIndexOf(axis, samplings_.size())];
  if (spacing != ZEL_DATASPACING_LINEAR_EQUIDISTANT && spacing != ZEL_DATASPACING_LOG_EQUIDISTANT)
    throw ZELI_BadArgException("Spacing must be linear equidistant or logarithmic equidistant.");
  Assign(sampling.values, low, high);
  sampling.kind = ZELI_ViewSampling::BY_VALUE;
}

const ZELI_ViewSelection& ZELI_WfDataView::Get_Selection(int axis) const {
  return selections_[StoredIndexOf(axis, selections_.size())];
}

const ZELI_ViewSampling& ZELI_WfDataView::Get_Sampling(int axis) const {
  return samplings_[StoredIndexOf(axis, samplings_.size())];
}
