// Data views: choosing display axes, opening (enumerating the view segments
// and building their waveform segments), closing and enumeration.
#include "views/wf_data_view.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "access/wf_segment_read.h"
#include "errors/exceptions.h"
#include "model/container.h"
#include "model/parameter.h"
#include "model/parameter_cached_array.h"
#include "model/segment.h"
#include "model/segment_index.h"
#include "model/waveform_set.h"
#include "types/type.h"
#include "waveforms/waveform.h"

namespace {

constexpr unsigned kNoSegment = 0xFFFFFFFFu;
constexpr int kNotShown = -4;
// Positions in the display-axis tables (display axis + 3; 0 is the curve
// parameter).
constexpr size_t kY = 1;
constexpr size_t kX = 2;
constexpr int kStoredY = -2;
constexpr int kStoredX = -1;

}  // namespace

// ---- ZELI_TypedPair ---------------------------------------------------------------

ZELI_TypedPair::ZELI_TypedPair(ZELI_TypedPair&& other) noexcept : type_(other.type_), values_(other.values_) {
  other.values_ = nullptr;
}

ZELI_TypedPair& ZELI_TypedPair::operator=(ZELI_TypedPair&& other) noexcept {
  if (this != &other) {
    Clear();
    type_ = other.type_;
    values_ = other.values_;
    other.values_ = nullptr;
  }
  return *this;
}

void ZELI_TypedPair::Clear() noexcept {
  if (values_ == nullptr) return;
  type_->FreeData(values_, 2);
  values_ = nullptr;
}

// ---- ZELI_OperationDef ------------------------------------------------------------

ZELI_OperationDef::ZELI_OperationDef(ZELI_Type* target) : operation(ZEL_OP_CONVERT_TYPE), targetType(target) {}

namespace {

// One value of type copied into its own allocation, released through the
// type (strings with their text) when the last entry holding it goes.
std::shared_ptr<void> CopyScalar(ZELI_Type* type, const void* value) {
  void* copy = type->ReallocData(nullptr, 1, 0);  // "Type does not store data" for size 0
  std::shared_ptr<void> owned(copy, [type](void* p) { type->FreeData(p, 1); });
  type->CopyData(copy, 0, value, 0);
  return owned;
}

}  // namespace

ZELI_OperationDef::ZELI_OperationDef(zel_operation_t op, ZELI_Type* type, const void* value)
    : operation(op), scalarType(type), scalarValue(CopyScalar(type, value)) {}

ZELI_OperationDef::ZELI_OperationDef(ZELI_Type* type, const void* value, zel_operation_t op)
    : operation(op), scalarType(type), scalarValue(CopyScalar(type, value)), reversed(true) {}

// ---- ZELI_AxisValues --------------------------------------------------------------

ZELI_AxisValues::~ZELI_AxisValues() = default;
ZELI_AxisValues::ZELI_AxisValues(ZELI_AxisValues&&) noexcept = default;
ZELI_AxisValues& ZELI_AxisValues::operator=(ZELI_AxisValues&&) noexcept = default;

ZELI_AxisValues ZELI_AxisValues::AllPoints(std::unique_ptr<ZELI_WfDataArray> data) {
  ZELI_AxisValues values;
  values.applied_ = true;
  values.allPoints_ = true;
  values.data_ = std::move(data);
  return values;
}

unsigned ZELI_AxisValues::PointCount() const {
  if (!applied_) throw ZELI_FailedException("ZELI_AxisValues::PointCount");
  if (allPoints_) return data_ == nullptr ? 0 : data_->Get_PointCount();
  if (interpolation_) throw ZELI_FailedException("ZELI_AxisValues::PointCount:unimplemented parameter interpolation");
  return static_cast<unsigned>(indexes_.size());
}

unsigned ZELI_AxisValues::StoredIndex(unsigned i) const {
  if (!applied_) throw ZELI_FailedException("ZELI_AxisValues::StoredIndex");
  if (allPoints_) return i;
  if (interpolation_) throw ZELI_FailedException("ZELI_AxisValues::StoredIndex:unimplemented parameter interpolation");
  return indexes_.at(i);
}

// ---- ZELI_ViewSegments ------------------------------------------------------------

ZELI_ViewSegments::ZELI_ViewSegments(std::shared_ptr<const std::vector<ZELI_AxisValues>> axisValues,
                                     std::vector<int> mapping)
    : axisValues_(std::move(axisValues)), mapping_(std::move(mapping)) {}

ZELI_ViewSegments::~ZELI_ViewSegments() = default;

std::vector<unsigned> ZELI_ViewSegments::ParameterPointCounts() const {
  std::vector<unsigned> counts;
  counts.reserve(ViewParameterCount());
  for (size_t d = 3; d < mapping_.size(); ++d)
    counts.push_back((*axisValues_)[static_cast<size_t>(mapping_[d] + 2)].PointCount());
  return counts;
}

unsigned ZELI_ViewSegments::MaximumViewSegmentCount() const {
  // Overflow beyond 32 bits is refused there as "Segment index is out of range.".
  return ZELI_SegmentIndex(ParameterPointCounts()).MaximumCount();
}

void ZELI_ViewSegments::Resize(unsigned count) {
  segments_.resize(count);
  filled_.Resize(count);
}

void ZELI_ViewSegments::Set_WfSegment(unsigned i, std::unique_ptr<ZELI_WfSegment> segment) {
  segments_[i] = std::move(segment);
  filled_.Set(i);
}

unsigned ZELI_ViewSegments::FirstFilledFrom(unsigned i) const {
  for (unsigned k = i; k < segments_.size(); ++k) {
    if (filled_.Test(k)) return k;
  }
  return kNoSegment;
}

// ---- ZELI_WfDataView: construction -------------------------------------------------

ZELI_WfDataView::ZELI_WfDataView(ZELI_Waveform& waveform) : waveform_(&waveform) {
  ZELI_WaveformSet* set = waveform.Get_WaveformSet_p();
  const unsigned parameters = set->Get_ParameterCount();
  selections_.reserve(parameters + 2);
  samplings_.reserve(parameters + 2);
  for (int axis = kStoredY; axis < static_cast<int>(parameters); ++axis) {
    ZELI_Type* type = StoredAxisType(axis);
    selections_.emplace_back(type);
    samplings_.emplace_back(type);
  }
  SizeSegmentTables();
}

// Segments may be created after the view; the tables grow with them, and
// the overrides and marks already made stay.
void ZELI_WfDataView::SizeSegmentTables() {
  const unsigned count = waveform_->Get_WaveformSet_p()->Get_SegmentCount();
  if (segmentOverrides_.size() < count) segmentOverrides_.resize(count, nullptr);
  if (skipSegments_.Get_Size() < count) skipSegments_.Resize(count);
}

ZELI_WfDataView::~ZELI_WfDataView() { ReleaseSegments(); }

bool ZELI_WfDataView::Uses(const ZELI_ExternalBase* object) const { return object == waveform_; }

unsigned ZELI_WfDataView::Get_DisplayParameterCount() const {
  return displayAxes_.size() > 3 ? static_cast<unsigned>(displayAxes_.size()) - 3 : 0;
}

unsigned ZELI_WfDataView::Get_StoredParameterCount() const {
  return waveform_->Get_WaveformSet_p()->Get_ParameterCount();
}

bool ZELI_WfDataView::IsStoredAxis(int axis) const {
  return axis >= kStoredY && axis < static_cast<int>(Get_StoredParameterCount());
}

// Y and X: the waveform's types; a parameter: its type (none for an empty
// entry). A parameter number beyond the set's count: "Parameter index out of
// range." (bad argument).
ZELI_Type* ZELI_WfDataView::StoredAxisType(int axis) const {
  if (axis == kStoredY) return waveform_->Get_YType_p();
  if (axis == kStoredX) return waveform_->Get_XType_p();
  ZELI_Parameter* parameter = waveform_->Get_WaveformSet_p()->Get_Parameter_p(static_cast<unsigned>(axis));
  return parameter == nullptr ? nullptr : parameter->Get_Type_p();
}

void ZELI_WfDataView::RequireClosed() const {
  if (open_) throw ZELI_FailedException("The view is open.");
}

void ZELI_WfDataView::RequireOpen() const {
  if (!open_) throw ZELI_FailedException("The view is not open");
}

// ---- display axes -------------------------------------------------------------------

void ZELI_WfDataView::Set_DisplayAxes(unsigned count, const int* axes, bool curve) {
  RequireClosed();
  if (state_ != 0) throw ZELI_FailedException("Set display axes called out of sequence");
  if (curve) throw ZELI_FailedException("Curve parametrization is not implemented");
  std::vector<int> display{kNotShown};
  if (count == 0) {
    display.push_back(kStoredY);
    display.push_back(kStoredX);
    for (int p = 0; p < static_cast<int>(Get_StoredParameterCount()); ++p) display.push_back(p);
  } else {
    if (count == 1) throw ZELI_BadArgException("At least X and Y axes must be entered");
    ZELI_RequireArgument(axes, "axes is null");
    for (unsigned i = 0; i < count; ++i) {
      if (!IsStoredAxis(axes[i])) throw ZELI_BadArgException("Axis must be an stored axis.");
      display.push_back(axes[i]);
    }
  }
  displayAxes_ = std::move(display);
  curveParametrization_ = false;
  SetDefaultDisplayTables();
  state_ = 1;
}

void ZELI_WfDataView::SetDefaultDisplayTables() {
  const size_t n = displayAxes_.size();
  operations_.assign(n, {});
  conversions_.assign(n, ZEL_CONVERT_DEFAULT);
  conversionsXY_.assign(n, ZEL_CONVERT_XY_NONE);
  conversionFunctions_.assign(n, nullptr);
  conversionUserData_.assign(n, nullptr);
}

// ---- opening and closing -----------------------------------------------------------

void ZELI_WfDataView::OpenView() {
  RequireClosed();
  if (NeedsFinalizing()) FinalizeOperations();
  try {
    Apply();
  } catch (...) {
    open_ = false;
    ReleaseSegments();
    throw;
  }
}

void ZELI_WfDataView::CloseView() {
  RequireOpen();
  open_ = false;
  // The view segments stay until the next opening or the view's deletion:
  // their waveform segments may still be read, and ask for display
  // parameters in vain ("The view is not open"). What they hold stays out
  // of the garbage collection until then.
  if (viewSegments_) {
    for (unsigned i = 0; i < viewSegments_->Get_SlotCount(); ++i) {
      if (ZELI_WfSegment* segment = viewSegments_->Get_WfSegment_p(i)) segment->Set_View_p(nullptr);
    }
  }
  waveform_->Get_WaveformSet_p()->Get_Container().GarbageCollect();
}

void ZELI_WfDataView::ReleaseSegments() noexcept { viewSegments_.reset(); }

void ZELI_WfDataView::Apply() {
  const Movement y = MovementOf(static_cast<int>(kY) - 3);
  const Movement x = MovementOf(static_cast<int>(kX) - 3);
  // Refused before any segment is built for nothing.
  if (y == SWITCHED || x == SWITCHED) throw ZELI_FailedException("Switching X/Y and Parameter axis not implemented");
  if (y == DROPPED || x == DROPPED) throw ZELI_FailedException("Dropping X/Y axis not implemented");
  RebuildAxisValues();
  SizeSegmentTables();
  Reparametrize();
  MoveXY(y, x);
  PermuteParameters();
  open_ = true;
  ApplyOperations();
  for (unsigned i = 0; i < viewSegments_->Get_SlotCount(); ++i) {
    if (ZELI_WfSegment* segment = viewSegments_->Get_WfSegment_p(i)) segment->Set_View_p(this);
  }
}

// What the Y or X display axis shows relative to its own stored axis: that
// axis, the other of X and Y, or a parameter while its own stored axis is
// shown as a display parameter (switched) or nowhere (dropped).
ZELI_WfDataView::Movement ZELI_WfDataView::MovementOf(int displayAxis) const {
  const int own = displayAxis;  // display Y and X show stored Y and X by default
  const int shown = displayAxes_[static_cast<size_t>(displayAxis + 3)];
  if (shown == own) return UNCHANGED;
  if (shown == kStoredY || shown == kStoredX) return FROM_OTHER;
  for (size_t d = 3; d < displayAxes_.size(); ++d) {
    if (displayAxes_[d] == own) return SWITCHED;
  }
  return DROPPED;
}

void ZELI_WfDataView::RebuildAxisValues() {
  ZELI_WaveformSet* set = waveform_->Get_WaveformSet_p();
  auto values = std::make_shared<std::vector<ZELI_AxisValues>>();
  values->reserve(selections_.size());
  values->push_back(ZELI_AxisValues::AllPoints(nullptr));  // Y
  values->push_back(ZELI_AxisValues::AllPoints(nullptr));  // X
  for (unsigned p = 0; p < set->Get_ParameterCount(); ++p) {
    // A parameter added after the view was made has no setting of its own:
    // all its values.
    if (p + 2 < selections_.size() && (selections_[p + 2].kind != ZELI_ViewSelection::ALL ||
                                       samplings_[p + 2].kind != ZELI_ViewSampling::ALL))
      throw ZELI_FailedException("Not implemented: selection and sampling.");
    std::unique_ptr<ZELI_WfDataArray> data;
    if (ZELI_Parameter* parameter = set->Get_Parameter_p(p)) {
      if (ZELI_CachedArray* array = parameter->Get_CachedArray_p(ZELI_ParameterCachedArray::VALUES))
        data = std::make_unique<ZELI_WfDataArray>(set->Get_Container(), array);
    }
    values->push_back(ZELI_AxisValues::AllPoints(std::move(data)));
  }
  axisValues_ = std::move(values);
}

// One slot per view segment. The display parameters' point counts form a
// mixed radix, the first display parameter varying fastest; a view segment
// index splits into one position per display parameter, and the positions
// of the stored parameters give the stored segment index. The slots run
// over at least every combination of the display parameters and at least as
// many as the waveform set has segments, so that a display that leaves out
// a parameter with several values fails ("Segment index is out of range.")
// instead of hiding segments.
void ZELI_WfDataView::Reparametrize() {
  ZELI_WaveformSet* set = waveform_->Get_WaveformSet_p();
  std::vector<int> mapping{kNotShown, kStoredY, kStoredX};
  mapping.insert(mapping.end(), displayAxes_.begin() + 3, displayAxes_.end());
  for (const ZELI_AxisValues& values : *axisValues_) {
    if (values.IsInterpolated()) throw ZELI_FailedException("Interpolation over parameters is not implemented");
  }
  auto segments = std::make_unique<ZELI_ViewSegments>(axisValues_, std::move(mapping));
  const ZELI_SegmentIndex radix(segments->ParameterPointCounts());
  const unsigned slots = std::max(radix.MaximumCount(), set->Get_SegmentCount());
  segments->Resize(slots);

  std::unordered_map<unsigned, ZELI_Segment*> byIndex;
  if (slots > 0) byIndex = SegmentsByIndex();

  const unsigned parameters = set->Get_ParameterCount();
  const std::vector<int>& map = segments->Get_Mapping();
  std::vector<unsigned> indexes(parameters);
  for (unsigned i = 0; i < slots; ++i) {
    const std::vector<unsigned> positions = radix.ToPositions(i);
    // A parameter that is not displayed is held at its first value.
    for (unsigned p = 0; p < parameters; ++p) indexes[p] = (*axisValues_)[p + 2].StoredIndex(0);
    for (size_t d = 0; d < positions.size(); ++d) {
      // Stored Y or X shown as a display parameter moves no parameter.
      if (map[d + 3] < 0) continue;
      const size_t p = static_cast<size_t>(map[d + 3]);
      indexes[p] += (*axisValues_)[p + 2].StoredIndex(positions[d]);
    }
    const unsigned storedIndex = set->Get_SegmentIndexFromParIndices(parameters, indexes.data());
    ZELI_Segment* segment = StoredSegment(storedIndex, byIndex);
    if (segment == nullptr) continue;
    std::unique_ptr<ZELI_WfSegment> built;
    try {
      built.reset(ZELI_ReadWfSegment(*waveform_, *segment));
    } catch (const ZELI_Exception& failure) {
      // A segment in which the waveform has no values is an empty view
      // segment; anything else fails the opening.
      if (failure.status != ZEL_NOT_FOUND) throw;
      continue;
    }
    segments->Set_WfSegment(i, std::move(built));
  }
  viewSegments_ = std::move(segments);
}

// Segments are listed in creation order; they are found by the index of
// their current parameter positions (the first created wins, as lookups by
// identifiers do).
std::unordered_map<unsigned, ZELI_Segment*> ZELI_WfDataView::SegmentsByIndex() const {
  ZELI_WaveformSet* set = waveform_->Get_WaveformSet_p();
  std::unordered_map<unsigned, ZELI_Segment*> byIndex;
  for (ZELI_Segment* segment : set->Get_Segments())
    byIndex.emplace(set->Get_SegmentIndexFromParIds(segment->Get_ParIds()), segment);
  return byIndex;
}

ZELI_Segment* ZELI_WfDataView::StoredSegment(unsigned storedIndex,
                                             const std::unordered_map<unsigned, ZELI_Segment*>& byIndex) const {
  if (storedIndex < segmentOverrides_.size() && segmentOverrides_[storedIndex] != nullptr)
    return segmentOverrides_[storedIndex];
  if (storedIndex < skipSegments_.Get_Size() && skipSegments_.Test(storedIndex)) return nullptr;
  auto found = byIndex.find(storedIndex);
  return found == byIndex.end() ? nullptr : found->second;
}

// Y and X are each unchanged or taken from the other (Apply refused the rest).
void ZELI_WfDataView::MoveXY(Movement y, Movement x) {
  if (y == UNCHANGED && x == UNCHANGED) return;
  for (unsigned i = 0; i < viewSegments_->Get_SlotCount(); ++i) {
    const ZELI_WfSegment* segment = viewSegments_->Get_WfSegment_p(i);
    if (segment == nullptr) continue;
    std::unique_ptr<ZELI_WfSegment> moved;
    if (y == FROM_OTHER && x == FROM_OTHER) {
      moved = segment->SwapXY();
    } else if (x == FROM_OTHER) {
      moved = segment->DuplicateYToX();
    } else {
      moved = segment->DuplicateXToY();
    }
    viewSegments_->Set_WfSegment(i, std::move(moved));
  }
}

// The view segments are laid out in display order, so the display
// parameters always meet the mapping; a difference means a broken build.
void ZELI_WfDataView::PermuteParameters() const {
  const std::vector<int>& mapping = viewSegments_->Get_Mapping();
  if (mapping.size() != displayAxes_.size())
    throw ZELI_FailedException("Implementation of ZELI_WfDataView::PermuteParameters: sizes");
  for (size_t d = 3; d < mapping.size(); ++d) {
    if (mapping[d] != displayAxes_[d]) throw ZELI_FailedException("Unimplemented parameter axis permutation");
  }
}

// ---- enumeration -----------------------------------------------------------------------

unsigned ZELI_WfDataView::Get_FirstSegment() const {
  RequireOpen();
  return viewSegments_->FirstFilledFrom(0);
}

unsigned ZELI_WfDataView::Get_NextSegment(unsigned index) const {
  RequireOpen();
  if (index == kNoSegment) return kNoSegment;
  return viewSegments_->FirstFilledFrom(index + 1);
}

ZELI_WfSegment* ZELI_WfDataView::Get_DisplayWfSegment_p(unsigned index) const {
  RequireOpen();
  if (index >= viewSegments_->Get_SlotCount()) throw ZELI_BadArgException("segment index is out of range");
  ZELI_WfSegment* segment = viewSegments_->Get_WfSegment_p(index);
  if (segment == nullptr) throw ZELI_NotFoundException("The segment is empty");
  return segment;
}
