// Data views: one waveform shown through a configurable lens.
//
// A view chooses which stored axis of its waveform is displayed as Y, as X
// and as each display parameter, which operations apply to each displayed
// axis, and how values become text. Opening the view evaluates it: the view
// segments are enumerated through the display parameters, one waveform
// segment is built per view segment that has a stored segment with data,
// and X and Y are moved (swapped or duplicated) when the display asks for
// it. Enumeration hands out those waveform segments until the view closes.
//
// Axis numbering. Stored axes: -2 Y, -1 X, 0 .. n-1 the waveform set's
// parameters. Display axes: -3 the curve parameter (CP), -2 Y, -1 X, 0 up
// the display parameters. Per-axis tables are indexed by stored axis + 2 or
// display axis + 3; -4 in the display-axis table means that no stored axis
// is shown there.
//
// States: 0 new, 1 display axes chosen, 2 operations finalised. Open and
// closed is separate: configuration needs the view closed, enumeration
// needs it open.
//
// Ownership: the container owns the view (its map of access objects); the
// view owns its view segments and their waveform segments, which record the
// view as theirs while it is open. The waveform is not owned; the view uses
// it, so the waveform cannot be deleted while the view exists.
#ifndef ZEL_VIEWS_WF_DATA_VIEW_H
#define ZEL_VIEWS_WF_DATA_VIEW_H

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "access/wf_segment_view.h"
#include "store/bitset.h"
#include "store/objects.h"
#include "zel/zel.h"

class ZELI_Operation;
class ZELI_Segment;
class ZELI_Type;
class ZELI_Waveform;
class ZELI_WfDataArray;
class ZELI_WfDataView;
class ZELI_WfSegment;

// Two values (low, high) of one type in one allocation made on first use;
// string values are released with the pair.
class ZELI_TypedPair {
 public:
  explicit ZELI_TypedPair(ZELI_Type* type = nullptr) noexcept : type_(type) {}
  ~ZELI_TypedPair() { Clear(); }
  ZELI_TypedPair(ZELI_TypedPair&& other) noexcept;
  ZELI_TypedPair& operator=(ZELI_TypedPair&& other) noexcept;
  ZELI_TypedPair(const ZELI_TypedPair&) = delete;
  ZELI_TypedPair& operator=(const ZELI_TypedPair&) = delete;

  ZELI_Type* Get_Type_p() const { return type_; }
  bool IsSet() const { return values_ != nullptr; }
  void* Get_Values_p() const { return values_; }
  // Copies low and high in the pair's type (a type that stores data); on
  // failure the pair keeps what it had.
  void Assign(const void* low, const void* high);
  // Releases the values; the type stays.
  void Clear() noexcept;

 private:
  ZELI_Type* type_;          // not owned
  void* values_ = nullptr;   // two values of type_, or none
};

// Which points of one stored axis the view uses.
struct ZELI_ViewSelection {
  enum Kind : int { ALL = 0, BY_INDEX = 1, BY_VALUE = 2 };
  explicit ZELI_ViewSelection(ZELI_Type* type) : values(type) {}
  Kind kind = ALL;
  unsigned lowIndex = 0;
  unsigned highIndex = 0xFFFFFFFFu;
  ZELI_TypedPair values;  // the stored axis's type; low and high by value
};

// How the selected points of one stored axis are thinned.
struct ZELI_ViewSampling {
  enum Kind : int { ALL = 0, BY_INDEX = 1, BY_VALUE = 2 };
  explicit ZELI_ViewSampling(ZELI_Type* type) : values(type) {}
  Kind kind = ALL;
  unsigned step = 0;      // by index
  ZELI_TypedPair values;  // the stored axis's type; low and high by value
  // Sampling by value checks its spacing and count without keeping them;
  // these two words stay zero.
  unsigned reserved[2] = {0, 0};
};

// One entry of a display axis's operation list.
struct ZELI_OperationDef {
  // Unary operation.
  explicit ZELI_OperationDef(zel_operation_t op) : operation(op) {}
  // Conversion to target (operation ZEL_OP_CONVERT_TYPE).
  explicit ZELI_OperationDef(ZELI_Type* target);
  // Binary with another view's waveform as second / first operand.
  ZELI_OperationDef(zel_operation_t op, ZELI_WfDataView* view) : operation(op), otherView(view) {}
  ZELI_OperationDef(ZELI_WfDataView* view, zel_operation_t op) : operation(op), otherView(view), reversed(true) {}
  // Binary with a scalar as second / first operand; the value is copied
  // (strings included), so the caller's may go at once.
  ZELI_OperationDef(zel_operation_t op, ZELI_Type* type, const void* value);
  ZELI_OperationDef(ZELI_Type* type, const void* value, zel_operation_t op);

  zel_operation_t operation;
  ZELI_Type* targetType = nullptr;        // convert type only
  ZELI_WfDataView* otherView = nullptr;   // binary with a waveform operand; not owned
  ZELI_Type* scalarType = nullptr;        // binary with a scalar operand
  std::shared_ptr<void> scalarValue;      // one value of scalarType, released through it
  bool reversed = false;                  // the other operand is the first argument
  const ZELI_Operation* resolved = nullptr;  // found when the lists are finalised
};

// The points of one stored axis that an open view uses.
class ZELI_AxisValues {
 public:
  ZELI_AxisValues() = default;
  ~ZELI_AxisValues();
  ZELI_AxisValues(ZELI_AxisValues&&) noexcept;
  ZELI_AxisValues& operator=(ZELI_AxisValues&&) noexcept;

  // Every stored point, identity mapping; data may be null (Y and X, whose
  // points live in the waveform segments, and a parameter without values).
  static ZELI_AxisValues AllPoints(std::unique_ptr<ZELI_WfDataArray> data);

  bool IsApplied() const { return applied_; }
  bool IsAllPoints() const { return allPoints_; }
  bool IsInterpolated() const { return interpolation_; }
  ZELI_WfDataArray* Get_DataArray_p() const { return data_.get(); }
  // Internal failures: "ZELI_AxisValues::PointCount" when not applied,
  // "ZELI_AxisValues::PointCount:unimplemented parameter interpolation".
  unsigned PointCount() const;
  // The stored index of point i; failures as PointCount's under the name
  // StoredIndex.
  unsigned StoredIndex(unsigned i) const;

 private:
  bool applied_ = false;
  bool allPoints_ = false;
  bool interpolation_ = false;
  std::unique_ptr<ZELI_WfDataArray> data_;
  std::vector<unsigned> indexes_;  // selected stored indexes unless all points
};

// The segments of an open view.
class ZELI_ViewSegments {
 public:
  // mapping: -4, -2, -1, then the stored parameter number of each display
  // parameter in display order.
  ZELI_ViewSegments(std::shared_ptr<const std::vector<ZELI_AxisValues>> axisValues, std::vector<int> mapping);
  ~ZELI_ViewSegments();
  ZELI_ViewSegments(const ZELI_ViewSegments&) = delete;
  ZELI_ViewSegments& operator=(const ZELI_ViewSegments&) = delete;

  const std::vector<int>& Get_Mapping() const { return mapping_; }
  unsigned ViewParameterCount() const { return static_cast<unsigned>(mapping_.size()) - 3; }
  // Point counts of the display parameters, in display order.
  std::vector<unsigned> ParameterPointCounts() const;
  // Product of the display parameters' point counts (1 without any).
  unsigned MaximumViewSegmentCount() const;

  unsigned Get_SlotCount() const { return static_cast<unsigned>(segments_.size()); }
  void Resize(unsigned count);
  bool IsFilled(unsigned i) const { return filled_.Test(i); }
  // Null for an empty slot.
  ZELI_WfSegment* Get_WfSegment_p(unsigned i) const { return segments_[i].get(); }
  // Fills slot i (segment not null).
  void Set_WfSegment(unsigned i, std::unique_ptr<ZELI_WfSegment> segment);
  // The lowest filled slot at or above i, or 0xFFFFFFFF.
  unsigned FirstFilledFrom(unsigned i) const;

 private:
  std::shared_ptr<const std::vector<ZELI_AxisValues>> axisValues_;  // the view's, by stored axis + 2
  std::vector<int> mapping_;
  std::vector<std::unique_ptr<ZELI_WfSegment>> segments_;  // one per view segment
  ZELI_Bitset filled_;
};

class ZELI_WfDataView final : public ZELI_AccessBase, public ZELI_WfSegmentView {
 public:
  // One selection and one sampling per stored axis; segment overrides and
  // the skip bitset sized to the waveform set's segment count (they grow
  // with the set's segments when the view opens). The caller
  // registers the view with the container.
  explicit ZELI_WfDataView(ZELI_Waveform& waveform);
  // Never throws.
  ~ZELI_WfDataView() override;
  ZELI_WfDataView(const ZELI_WfDataView&) = delete;
  ZELI_WfDataView& operator=(const ZELI_WfDataView&) = delete;

  bool Uses(const ZELI_ExternalBase* object) const override;

  ZELI_Waveform& Get_Waveform() const { return *waveform_; }
  int Get_State() const { return state_; }
  bool IsOpen() const { return open_; }
  // Stored axis number shown on each display axis (index = display axis + 3).
  const std::vector<int>& Get_DisplayAxes() const { return displayAxes_; }
  // Display parameters (display axes from 0 up).
  unsigned Get_DisplayParameterCount() const;
  unsigned Get_StoredParameterCount() const;

  // count 0: Y, X and every parameter in stored order. Otherwise axes[0] is
  // shown as Y, axes[1] as X, the rest as display parameters. Failures:
  // "The view is open.", "Set display axes called out of sequence",
  // "Curve parametrization is not implemented" (internal); "At least X and
  // Y axes must be entered", "Axis must be an stored axis." (bad argument).
  // A null axes array with count > 0 is a bad argument.
  void Set_DisplayAxes(unsigned count, const int* axes, bool curve);

  // ---- operations ----
  // Each needs the view closed ("The view is open."), chooses the default
  // display axes first in state 0 and sets the operations-changed flag.
  // Unary and convert-type entries go to the given display axis ("Axis must
  // be a display axis.", bad argument); binary entries always go to the Y
  // display axis. A unary entry must be a unary operation ("Operation must
  // be a unary operation."), a binary one a binary operation ("Operation
  // must be a binary operation."), both bad arguments. Types are the
  // container's; other views are of the same container. A scalar value is
  // the caller's pointer, kept as given and read on every opening: it must
  // stay valid while the entry is in the list (null: bad argument).
  void Add_UnaryOperation(int axis, zel_operation_t operation);
  void Add_ConvertTypeOperation(int axis, ZELI_Type* target);
  void Add_BinaryOperation(zel_operation_t operation, ZELI_WfDataView* second);
  void Add_BinaryOperation(ZELI_WfDataView* first, zel_operation_t operation);
  void Add_BinaryOperation(zel_operation_t operation, ZELI_Type* type, const void* value);
  void Add_BinaryOperation(ZELI_Type* type, const void* value, zel_operation_t operation);
  // Empties the list of a display axis; the flag is set only when it held
  // something.
  void Remove_Operations(int axis);
  const std::vector<ZELI_OperationDef>& Get_Operations(int axis) const;
  // Whether an operation list names other as an operand.
  bool RefersTo(const ZELI_WfDataView* other) const;
  // Refuses ("View is in use", internal) when another data view of the
  // container names this one as an operand.
  void RequireUnreferenced() const;

  // Resolves every operation list through the container's operations and
  // fixes the display type of each axis (state 2). "The operation does not
  // exist" (bad argument) when an entry has no operation for its types;
  // "View operations change axis display type." when a view finalised
  // before would get another display type.
  void FinalizeOperations();
  // The display type of an axis, finalising first when needed.
  ZELI_Type* Get_DisplayType_p(int axis);

  // Evaluates the view ("The view is open." when it is).
  void OpenView();
  // "The view is not open"; then the container collects garbage.
  void CloseView();

  // ---- conversions ----
  // Each finalises first when the operations are not, and takes a display
  // axis ("Axis must be a display axis.", bad argument); they may change
  // while the view is open. Set_Conversion refuses ZEL_CONVERT_FUNCTION
  // ("ZEL_CONVERT_FUNCTION cannot be set this way.") and a conversion the
  // display type does not support ("The type does not support the
  // zel_conversion_t"), both bad arguments. Setting a function makes the
  // conversion ZEL_CONVERT_FUNCTION; Get_ConversionFunction fails "There is
  // no conversion function" (internal) when the conversion is another.
  void Set_Conversion(int axis, zel_conversion_t conversion);
  zel_conversion_t Get_Conversion(int axis);
  void Set_ConversionXY(int axis, zel_conversion_xy_t conversion);
  zel_conversion_xy_t Get_ConversionXY(int axis);
  void Set_ConversionFunction(int axis, ConversionFunction function, void* userData);
  ConversionFunction Get_ConversionFunction(int axis, void** userData);
  // Y (-2): the Y buffer, or the X buffer with ZEL_CONVERT_XY_X; X (-1): the
  // X buffer, or the Y buffer with ZEL_CONVERT_XY_Y; other axes unfilled.
  TextRule Get_TextRule(int displayAxis) override;

  // ---- recorded settings ----
  // Windows and granularity are recorded with the view; evaluation does not
  // read them. Each setter and clearer needs the view closed ("The view is
  // open."). Set_Window finalises, and takes X or Y
  // ("Axis must be an X or Y axis.", bad argument); the two values are
  // copied in the axis's display type. Granularity needs low < high on both
  // axes ("Granularity loX >= hiX", "Granularity loY >= hiY", bad arguments).
  void Set_Window(int axis, const void* low, const void* high);
  void Clr_Window(int axis);
  // Null when the axis has no window.
  const ZELI_TypedPair* Get_Window(int axis) const;
  void Set_Granularity(int lowX, int highX, int lowY, int highY);
  void Clr_Granularity();
  const int* Get_Granularity() const { return granularity_; }
  // Selections and samplings of a stored axis; the view must be closed
  // ("The view is open.") and the axis stored ("Axis must be an stored
  // axis.", bad argument). On a parameter anything but "all" makes opening
  // fail; on X and Y they are recorded only.
  void Set_SelectionAll(int axis);
  void Set_SelectionByIndex(int axis, unsigned low, unsigned high);
  void Set_SelectionByValue(int axis, const void* low, const void* high);
  void Set_SamplingAll(int axis);
  void Set_SamplingByIndex(int axis, unsigned step);
  void Set_SamplingByValue(int axis, const void* low, const void* high, zel_dataSpacing_t spacing, unsigned count);
  const ZELI_ViewSelection& Get_Selection(int axis) const;
  const ZELI_ViewSampling& Get_Sampling(int axis) const;

  // ---- stored summaries ----
  // Of the waveform in one stored segment (its index from the parameters'
  // positions): the override, none when marked to skip, else the waveform
  // set's segment at those positions; none: "No such segment or stored
  // waveform" (not found).
  ZELI_Segment& Get_StoredSegment(unsigned storedIndex) const;
  ZELI_Type* Get_StoredAxisType_p(int axis) const;

  // ---- display summaries (view open) ----
  // Axis Y, X or CP; a display parameter: "Unimplemented" (internal); any
  // other number "Invalid axis." (bad argument). Over the filled view
  // segments: the first one's value, MIXED on the first difference; 0
  // without segments (min and max then untouched).
  zel_dataSpacing_t Get_DisplayDataSpacing(int axis) const;
  zel_monotonicity_t Get_DisplayMonotonicity(int axis) const;
  zel_interpolation_t Get_DisplayInterpolationType(int axis) const;
  void Get_DisplayMinMax(int axis, void* min, void* max) const;
  // The view segment of one position per display parameter (view open and
  // axes chosen; "Index count is incorrect", bad argument).
  unsigned Get_DisplaySegmentIndex(unsigned count, const unsigned* indexes) const;

  // Enumeration of filled view segments (view open, else "The view is not
  // open"); 0xFFFFFFFF when there is none.
  unsigned Get_FirstSegment() const;
  unsigned Get_NextSegment(unsigned index) const;
  // "segment index is out of range" (bad argument), "The segment is empty"
  // (not found).
  ZELI_WfSegment* Get_DisplayWfSegment_p(unsigned index) const;

 private:
  enum Movement { UNCHANGED, FROM_OTHER, SWITCHED, DROPPED };

  void RequireClosed() const;
  void RequireOpen() const;
  ZELI_Type* StoredAxisType(int axis) const;
  bool IsStoredAxis(int axis) const;
  // Resets the per-display-axis tables (operations, conversions, ...) to
  // their defaults for the current display axes.
  void SetDefaultDisplayTables();
  // Closed view with display axes chosen (the defaults in state 0).
  void PrepareOperationChange();
  // Display axis + 3 of a display axis, else "Axis must be a display axis.".
  size_t DisplayIndex(int axis) const;
  void AddOperation(size_t index, ZELI_OperationDef entry);
  bool HasOperations() const;
  bool NeedsFinalizing() const;
  void Apply();
  void ApplyOperations();
  Movement MovementOf(int displayAxis) const;
  void RebuildAxisValues();
  void Reparametrize();
  void MoveXY(Movement y, Movement x);
  void PermuteParameters() const;
  // The waveform set's segments by stored segment index.
  std::unordered_map<unsigned, ZELI_Segment*> SegmentsByIndex() const;
  // The stored segment at storedIndex from the overrides, the skip marks
  // and the waveform set's segments found by index; null when none.
  ZELI_Segment* StoredSegment(unsigned storedIndex, const std::unordered_map<unsigned, ZELI_Segment*>& byIndex) const;
  // Sizes the segment overrides and the skip marks to the set's segments.
  void SizeSegmentTables();
  // The axis of a display summary (view open): Y, X or CP; the failures of
  // display parameters and other numbers.
  size_t SummaryAxis(int axis) const;
  void ReleaseSegments() noexcept;

  ZELI_Waveform* waveform_;  // not owned
  std::vector<ZELI_ViewSelection> selections_;  // by stored axis + 2
  std::vector<ZELI_ViewSampling> samplings_;    // by stored axis + 2
  std::vector<int> displayAxes_;                // by display axis + 3; [0] is the CP, -4
  bool curveParametrization_ = false;
  // The tables below are indexed by display axis + 3.
  std::vector<std::vector<ZELI_OperationDef>> operations_;
  std::vector<zel_conversion_t> conversions_;
  std::vector<zel_conversion_xy_t> conversionsXY_;
  std::vector<ConversionFunction> conversionFunctions_;
  std::vector<void*> conversionUserData_;
  ZELI_TypedPair xWindow_;
  ZELI_TypedPair yWindow_;
  int granularity_[4] = {0, 0, 0, 0};  // low X, high X, low Y, high Y
  int state_ = 0;
  bool open_ = false;
  bool operationsChanged_ = false;
  bool finalizing_ = false;  // guards against views that name each other
  uint64_t finalizedGeneration_ = 0;  // of the container's operations when finalised
  std::vector<ZELI_Type*> displayTypes_;  // fixed by finalising
  std::shared_ptr<std::vector<ZELI_AxisValues>> axisValues_;  // by stored axis + 2
  std::vector<ZELI_Segment*> segmentOverrides_;  // by stored segment index; not owned
  ZELI_Bitset skipSegments_;
  std::unique_ptr<ZELI_ViewSegments> viewSegments_;
};

#endif  // ZEL_VIEWS_WF_DATA_VIEW_H
