// Data views: summaries of the waveform in its stored segments, summaries
// over the open view's segments, and view segment indexes.
#include <vector>

#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "errors/exceptions.h"
#include "model/segment_index.h"
#include "model/waveform_set.h"
#include "types/type.h"
#include "views/wf_data_view.h"
#include "waveforms/waveform.h"

namespace {

// Positions in the display-axis tables (display axis + 3).
constexpr size_t kCP = 0;
constexpr size_t kY = 1;

// Two scratch values of a type, released through it.
class ScratchPair {
 public:
  explicit ScratchPair(const ZELI_Type& type) : type_(type), values_(type.ReallocData(nullptr, 2, 0)) {}
  ~ScratchPair() { type_.FreeData(values_, 2); }
  ScratchPair(const ScratchPair&) = delete;
  ScratchPair& operator=(const ScratchPair&) = delete;
  void* Low() { return type_.AtData(values_, 0); }
  void* High() { return type_.AtData(values_, 1); }

 private:
  const ZELI_Type& type_;
  void* values_;
};

}  // namespace

// ---- stored summaries -----------------------------------------------------------------

ZELI_Type* ZELI_WfDataView::Get_StoredAxisType_p(int axis) const {
  if (!IsStoredAxis(axis)) throw ZELI_BadArgException("Axis must be an stored axis.");
  return StoredAxisType(axis);
}

ZELI_Segment& ZELI_WfDataView::Get_StoredSegment(unsigned storedIndex) const {
  ZELI_Segment* segment = StoredSegment(storedIndex, SegmentsByIndex());
  if (segment == nullptr) throw ZELI_NotFoundException("No such segment or stored waveform");
  return *segment;
}

// ---- display summaries --------------------------------------------------------------

size_t ZELI_WfDataView::SummaryAxis(int axis) const {
  RequireOpen();
  if (axis >= 0 && static_cast<unsigned>(axis) < Get_DisplayParameterCount())
    throw ZELI_FailedException("Unimplemented");
  if (axis < -3 || axis > -1) throw ZELI_BadArgException("Invalid axis.");
  return static_cast<size_t>(axis + 3);
}

namespace {

// The filled view segments' value of one summary: the first one's, MIXED on
// the first difference, 0 without segments.
template <typename Value, typename Get>
Value Combined(const ZELI_ViewSegments& segments, Value mixed, Get get) {
  Value result = static_cast<Value>(0);
  bool first = true;
  for (unsigned i = 0; i < segments.Get_SlotCount(); ++i) {
    const ZELI_WfSegment* segment = segments.Get_WfSegment_p(i);
    if (segment == nullptr) continue;
    const Value value = get(*segment);
    if (first) {
      result = value;
      first = false;
    } else if (value != result) {
      return mixed;
    }
  }
  return result;
}

}  // namespace

zel_dataSpacing_t ZELI_WfDataView::Get_DisplayDataSpacing(int axis) const {
  const size_t index = SummaryAxis(axis);
  if (index == kCP) throw ZELI_FailedException("Unimplemented: ZELI_WfSegment::Get_CPDataSpacing ()");
  const bool y = index == kY;
  return Combined(*viewSegments_, ZEL_DATASPACING_MIXED, [y](const ZELI_WfSegment& s) {
    return y ? s.Get_YDataSpacing() : s.Get_XDataSpacing();
  });
}

zel_monotonicity_t ZELI_WfDataView::Get_DisplayMonotonicity(int axis) const {
  const size_t index = SummaryAxis(axis);
  if (index == kCP) throw ZELI_FailedException("Unimplemented: ZELI_WfSegment::Get_CPMonotonicity ()");
  const bool y = index == kY;
  return Combined(*viewSegments_, ZEL_MONOTONICITY_MIXED, [y](const ZELI_WfSegment& s) {
    return y ? s.Get_YMonotonicity() : s.Get_XMonotonicity();
  });
}

zel_interpolation_t ZELI_WfDataView::Get_DisplayInterpolationType(int axis) const {
  const size_t index = SummaryAxis(axis);
  if (index == kCP) throw ZELI_FailedException("Unimplemented: ZELI_WfSegment::Get_CPInterpolationType ()");
  if (index == kY) throw ZELI_FailedException("Unimplemented: ZELI_WfSegment::Get_YInterpolationType ()");
  return Combined(*viewSegments_, ZEL_INTERPOLATION_MIXED,
                  [](const ZELI_WfSegment& s) { return s.Get_XInterpolationType(); });
}

// Segments whose first leg is empty have no minimum or maximum to give.
void ZELI_WfDataView::Get_DisplayMinMax(int axis, void* min, void* max) const {
  const size_t index = SummaryAxis(axis);
  if (index == kCP) throw ZELI_FailedException("Unimplemented: ZELI_WfSegment::Get_CPMinMax ()");
  ZELI_RequireArgument(min, "min is null");
  ZELI_RequireArgument(max, "max is null");
  const ZELI_WfSegment::Axis which = index == kY ? ZELI_WfSegment::Y_AXIS : ZELI_WfSegment::X_AXIS;
  bool first = true;
  for (unsigned i = 0; i < viewSegments_->Get_SlotCount(); ++i) {
    const ZELI_WfSegment* segment = viewSegments_->Get_WfSegment_p(i);
    if (segment == nullptr || segment->Get_LegCount() == 0 || segment->PointCount(0) == 0) continue;
    const ZELI_Type& type = *segment->Get_DataArray_p(which)->Get_Type_p();
    ScratchPair scratch(type);
    if (which == ZELI_WfSegment::Y_AXIS) {
      segment->Get_YMinMax(scratch.Low(), scratch.High());
    } else {
      segment->Get_XMinMax(scratch.Low(), scratch.High());
    }
    if (first) {
      type.CopyData(min, 0, scratch.Low(), 0);  // the caller's slots hold nothing yet
      type.CopyData(max, 0, scratch.High(), 0);
      first = false;
    } else {
      if (type.LessThan(scratch.Low(), min)) type.CopyData(min, scratch.Low(), 1);
      if (type.LessThan(max, scratch.High())) type.CopyData(max, scratch.High(), 1);
    }
  }
}

unsigned ZELI_WfDataView::Get_DisplaySegmentIndex(unsigned count, const unsigned* indexes) const {
  RequireOpen();
  if (state_ == 0) throw ZELI_FailedException("The view has no display axes");
  if (count > 0) ZELI_RequireArgument(indexes, "indexes is null");
  return ZELI_SegmentIndex(viewSegments_->ParameterPointCounts())
      .FromPositions(count, indexes, "Index count is incorrect");
}
