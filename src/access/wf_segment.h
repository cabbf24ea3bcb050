// One waveform in one segment, as read: X and Y data arrays, an
// interpolation type, an optional order array, split into legs.
//
// Callers walk a waveform segment through an access window (a leg, a first
// point, a count) and fetch X, Y and order buffers, converted text and
// summaries. Buffers point into cached arrays or into storage owned here;
// they stay valid until the next Setup call or until the segment goes.
//
// Ownership: the segment owns its data arrays, legs, order buffer and
// converted texts, and holds one reference on the order array. The caller's
// ZEL_WfSegment is made on first request and owned here too.
#ifndef ZEL_ACCESS_WF_SEGMENT_H
#define ZEL_ACCESS_WF_SEGMENT_H

#include <cstring>
#include <memory>
#include <vector>

#include "zel/zel.h"

class ZELI_CachedArray;
class ZELI_Container;
class ZELI_Type;
class ZELI_WfDataArray;
class ZELI_WfSegmentView;
class ZELI_MergeWaveformsAction;
class ZELI_Operation;
class ZELI_WfSegment;

// The X side of a waveform segment, built over what a data set read
// (wf_segment_read.cc) or from another segment, and consumed by the
// waveform segment constructor.
class ZELI_WfSegmentXData {
 public:
  // Takes ownership of xArray and of one reference on order (may be null).
  ZELI_WfSegmentXData(ZELI_WfDataArray* xArray, zel_interpolation_t interpolation, ZELI_CachedArray* order) noexcept
      : xArray_(xArray), interpolation_(interpolation), order_(order) {}
  // Deletes an X array still held and releases the order reference.
  ~ZELI_WfSegmentXData();
  ZELI_WfSegmentXData(const ZELI_WfSegmentXData&) = delete;
  ZELI_WfSegmentXData& operator=(const ZELI_WfSegmentXData&) = delete;

  ZELI_WfDataArray* Get_XArray_p() const { return xArray_; }
  zel_interpolation_t Get_InterpolationType() const { return interpolation_; }
  ZELI_CachedArray* Get_OrderArray_p() const { return order_; }
  // Hands the X array and the order reference over to the caller.
  ZELI_WfDataArray* Release_XArray_p() noexcept;
  ZELI_CachedArray* Release_OrderArray_p() noexcept;

 private:
  ZELI_WfDataArray* xArray_;   // owned until released
  zel_interpolation_t interpolation_;
  ZELI_CachedArray* order_;    // one reference held until released
};

// A stretch of a waveform segment's points: stored indexes [begin, end),
// optionally preceded by a leading and followed by a trailing point held
// outside the arrays. Legs built here cover a whole segment with neither
// extra point; the access rules still honour them.
struct ZELI_WfLeg {
  struct ExtraPoint {
    const void* x = nullptr;
    const void* y = nullptr;
    const void* order = nullptr;
  };
  // "ZELI_WfLeg: endPos < beginPos" (internal failure) when end < begin.
  ZELI_WfLeg(unsigned begin, unsigned end);
  unsigned Get_PointCount() const { return end - begin + (hasLeading ? 1 : 0) + (hasTrailing ? 1 : 0); }
  // Legs hold no CP values: "Unimplemented ZELI_WfLeg::Get_CPPointAddress".
  const void* Get_CPPointAddress(unsigned point) const;

  unsigned begin;
  unsigned end;
  bool hasLeading = false;
  bool hasTrailing = false;
  ExtraPoint leading;
  ExtraPoint trailing;
};

// Texts of values, one malloc'd string per entry (released with free).
// Entries are filled in order from 0; exactly the filled ones are freed,
// whatever length the array grew to for an earlier window.
class ZELI_ConvertedTexts {
 public:
  ZELI_ConvertedTexts() = default;
  ~ZELI_ConvertedTexts() { Clear(); }
  ZELI_ConvertedTexts(const ZELI_ConvertedTexts&) = delete;
  ZELI_ConvertedTexts& operator=(const ZELI_ConvertedTexts&) = delete;

  // Frees the filled texts, then offers count empty (null) entries.
  char** Prepare(unsigned count);
  // Takes text as the next entry (there must be room: at most count set).
  void Append(char* text) noexcept { texts_[filled_++] = text; }
  // Frees the filled texts and empties their entries.
  void Clear() noexcept;
  unsigned Get_FilledCount() const { return filled_; }
  char** Get_Texts() { return texts_.data(); }

 private:
  std::vector<char*> texts_;
  unsigned filled_ = 0;
};

// Points collected one at a time (derivatives, comparisons, readers'
// samples) into an X and a Y buffer allocated through their types: room for
// 100 points at first, doubled when full; a collector that knows how many
// points it can enter at most reserves them instead (room that is never
// written costs address space only). TermXYBuffers trims both buffers to
// the points entered; Release_* hands them over.
class ZELI_XYPoints {
 public:
  ZELI_XYPoints(ZELI_Type* xType, ZELI_Type* yType);
  // Frees buffers not handed over (never throws).
  ~ZELI_XYPoints();
  ZELI_XYPoints(const ZELI_XYPoints&) = delete;
  ZELI_XYPoints& operator=(const ZELI_XYPoints&) = delete;

  // Copies one value of each type (strings are duplicated).
  void EnterXYPoint(const void* x, const void* y);
  // EnterXYPoint for callers that hold the values as element types X and Y,
  // of exactly the two types' sizes and without texts: the same point,
  // without a call per value.
  template <class X, class Y>
  void EnterXYValues(const X& x, const Y& y) {
    if (count_ == capacity_) Grow();
    std::memcpy(static_cast<char*>(x_) + sizeof(X) * count_, &x, sizeof(X));
    std::memcpy(static_cast<char*>(y_) + sizeof(Y) * count_, &y, sizeof(Y));
    ++count_;
  }
  void TermXYBuffers();
  // Room for count points in all (nothing changes when there is room).
  void Reserve(unsigned count);
  unsigned Get_Count() const { return count_; }
  ZELI_Type* Get_XType_p() const { return xType_; }
  ZELI_Type* Get_YType_p() const { return yType_; }
  const void* Get_X_p() const { return x_; }
  const void* Get_Y_p() const { return y_; }
  // The buffers, owned by the caller from then on (count values each, after
  // TermXYBuffers); the collection is empty afterwards.
  void* Release_X_p() noexcept;
  void* Release_Y_p() noexcept;

 private:
  // Room for 100 points at first, then twice the room.
  void Grow();
  // Reallocates both buffers to capacity points.
  void Resize(unsigned capacity);

  ZELI_Type* xType_;  // not owned
  ZELI_Type* yType_;  // not owned
  void* x_ = nullptr;  // capacity_ values of xType_
  void* y_ = nullptr;  // capacity_ values of yType_
  unsigned count_ = 0;
  unsigned capacity_ = 0;
};

class ZELI_WfSegment {
 public:
  // The two value axes; also the slots of the data arrays.
  enum Axis : unsigned { X_AXIS = 0, Y_AXIS = 1 };

  // Takes ownership of xData (deleted here, its X array and order reference
  // move in) and of yArray. Point counts of X, Y (and orders) must agree
  // ("ZELI_WfSegment: X and Y array point counts differ", "ZELI_WfSegment:
  // X and Order array point counts differ"; internal failures), else both
  // are deleted; an order array holds 4-byte orders ("ZELI_WfSegment: order
  // size"). Starts with one leg (0, point count) and an empty window.
  ZELI_WfSegment(unsigned segmentIndex, ZELI_WfSegmentXData* xData, ZELI_WfDataArray* yArray);
  // Never throws: frees the converted texts that are filled, the order
  // buffer and collected points, deletes both data arrays and the caller's
  // object, and releases the order array.
  ~ZELI_WfSegment();
  ZELI_WfSegment(const ZELI_WfSegment&) = delete;
  ZELI_WfSegment& operator=(const ZELI_WfSegment&) = delete;

  unsigned Get_SegmentIndex() const { return segmentIndex_; }
  ZELI_WfSegmentView* Get_View_p() const { return view_; }
  void Set_View_p(ZELI_WfSegmentView* view) { view_ = view; }
  ZELI_Container& Get_Container() const;
  ZELI_WfDataArray* Get_XDataArray_p() const { return x_; }
  ZELI_WfDataArray* Get_YDataArray_p() const { return y_; }
  ZELI_WfDataArray* Get_DataArray_p(Axis axis) const { return axis == X_AXIS ? x_ : y_; }
  zel_interpolation_t Get_XInterpolationType() const { return interpolation_; }
  ZELI_CachedArray* Get_OrderArray_p() const { return order_; }
  ZELI_Type* Get_XType_p() const;
  ZELI_Type* Get_YType_p() const;
  unsigned Get_LegCount() const { return static_cast<unsigned>(legs_.size()); }
  // "Leg index is invalid." (bad argument) for a leg out of range.
  const ZELI_WfLeg& Get_Leg(unsigned leg) const;
  unsigned PointCount(unsigned leg) const { return Get_Leg(leg).Get_PointCount(); }
  // The caller's view of the legs: "Leg index out of range" (bad argument).
  unsigned Get_LegPointCount(unsigned leg) const;
  // Writes each leg's point count into counts (one entry per leg) and
  // returns their sum.
  unsigned Get_PointCounts(unsigned* counts) const;

  // True when the stored data changed since this segment was built (one of
  // its cached arrays was let go by its owner).
  bool IsStale() const;

  // The caller's object, made on first request and owned here.
  ZEL_WfSegment* Get_ApiObject_p();

  // ---- single points (no materialisation of indexed arrays) ----
  unsigned Get_XSizeOf() const;
  unsigned Get_YSizeOf() const;
  unsigned Get_OSizeOf() const;  // 4: orders are unsigned 32-bit
  // Where point `point` of a leg comes from: true with the stored index for
  // stored data; false for the leading or trailing point. Out of range:
  // "Point index is out of range" (bad argument). An empty leg's point 0 is
  // stored index 0 only where the arrays hold a value there.
  bool StoredIndex(unsigned leg, unsigned point, unsigned* stored) const;
  const void* Get_XPointAddress(unsigned leg, unsigned point) const;
  const void* Get_YPointAddress(unsigned leg, unsigned point) const;
  const void* Get_PointAddress(Axis axis, unsigned leg, unsigned point) const;
  // Copy one value through the type (strings are duplicated: the caller
  // frees them).
  void Get_XPointValue(unsigned leg, unsigned point, void* out) const;
  void Get_YPointValue(unsigned leg, unsigned point, void* out) const;
  // Addresses of a stored point with both arrays turned direct; the order
  // address only for polynomial data with an order array (else null).
  // "Leg index is invalid." (bad argument); a point that is not stored data:
  // "ZELI_WfLeg::XYAddress implementation".
  void XYAddress(unsigned leg, unsigned point, const void** x, const void** y, const unsigned** order);
  // Copies X, Y and the point's interpolation order (0 for none and
  // constant, 1 for linear, the stored order for polynomial).
  void XYPoint(unsigned leg, unsigned point, void* x, void* y, unsigned* order) const;

  // ---- access window ----
  // Each Setup opens a new window at (leg, point) and invalidates every
  // buffer and converted text handed out before: "Leg index out of range",
  // "Point index out of range" (bad arguments; point 0 of an empty leg is
  // accepted). Setup_Point: one point. Setup_Buffer: the longest run of
  // contiguous values from the point (1 at an extra point). Setup_Array:
  // the whole leg's point count; array mode when the run from the point is
  // shorter, and then X and Y buffers are refused. Each returns the count.
  unsigned Setup_Point(unsigned leg, unsigned point);
  unsigned Setup_Buffer(unsigned leg, unsigned point);
  unsigned Setup_Array(unsigned leg, unsigned point);
  // The window's first value; the window's values follow contiguously.
  // Before any Setup: "No access window is set up" (internal failure).
  const void* Get_XBuffer();
  const void* Get_YBuffer();
  const void* Get_Buffer(Axis axis);
  // Interpolation order of each window point (see XYPoint).
  const unsigned* Get_OrderBuffer();
  // The window's values as text, one string per point, freed by the next
  // Setup; converted values, freed by the next call for the same axis.
  char** Get_ConvertedXBuffer();
  char** Get_ConvertedYBuffer();
  char** Get_ConvertedCPBuffer();
  const char* Get_ConvertedXValue(const void* value);
  const char* Get_ConvertedYValue(const void* value);
  const char* Get_ConvertedCPValue(const void* value);

  // ---- summaries (from the data arrays' data information) ----
  zel_monotonicity_t Get_XMonotonicity() const;
  zel_monotonicity_t Get_YMonotonicity() const;
  zel_dataSpacing_t Get_XDataSpacing() const;
  zel_dataSpacing_t Get_YDataSpacing() const;
  // Copies both extremes out (strings as new texts the caller frees);
  // "Min/Max values are not set." (internal failure) when there are none,
  // as for empty data.
  void Get_XMinMax(void* min, void* max) const;
  void Get_YMinMax(void* min, void* max) const;

  // ---- not provided: each fails with an "Unimplemented ..." message ----
  const void* Get_CPBuffer();
  const unsigned* Get_DeltaCycleBuffer();
  const unsigned char* Get_FlagBuffer();
  zel_dataSpacing_t Get_CPDataSpacing() const;
  zel_monotonicity_t Get_CPMonotonicity() const;
  void Get_CPMinMax(void* min, void* max) const;
  zel_interpolation_t Get_YInterpolationType() const;
  zel_interpolation_t Get_CPInterpolationType() const;
  void Get_CPPointValue(unsigned leg, unsigned point, void* out) const;
  ZELI_Type* Get_CPType_p() const;

  // ---- parameters of the owning data view ----
  // Asked of the data view that shows this segment: "The view is not open"
  // (internal failure) for a segment without one.
  void Get_ParameterValue(int axis, void* value) const;
  const char* Get_ParameterConvertedValue(int axis);
  unsigned Get_ParameterValueIndex(int axis) const;

  // ---- replacing data arrays ----
  // Installs array as the X (Y) data array and deletes the previous one;
  // the segment owns array from then on. It must be a live data array of
  // this segment's container, owned by no other segment, with the segment's
  // point count; else ZELI_BadArgException and nothing changes. The window
  // stays; buffers handed out before are invalid.
  void Set_DataArray_p(Axis axis, ZELI_WfDataArray* array);
  // Installs a copy of array (which stays with its owner) in place of the
  // current X data array, under the same conditions except ownership.
  void Copy_XDataArray_p(const ZELI_WfDataArray* array);
  // Replaces a data array with count computed values of type (data: owned
  // from here on, also on failure; count must be the segment's point count,
  // "ZELI_WfSegment::ReplaceWfDataArray: point count differs"). The summary
  // is determined over the values and keeps the old array's data spacing.
  void ReplaceWfDataArray(Axis axis, ZELI_Type* type, void* data, unsigned count);
  // Ends the collection (TermXYBuffers) and makes its points this segment's
  // X and Y data: one leg over them, polynomial data becomes linear.
  void ReplaceXYData(ZELI_XYPoints& points);
  // Makes count computed X values of xType and Y values of yType (both
  // owned from here on, also on failure) this segment's data: one leg over
  // them, the given interpolation type (leaving polynomial data releases
  // the order array). Summaries as ReplaceWfDataArray's.
  void ReplaceXYValues(ZELI_Type* xType, void* x, ZELI_Type* yType, void* y, unsigned count,
                       zel_interpolation_t interpolation);

  // ---- derived segments ----
  // New segments over copies of the data arrays (sharing their cached
  // arrays) and the order array: Y as X and X as Y; X on both axes; Y on
  // both axes. Constant interpolation becomes none.
  std::unique_ptr<ZELI_WfSegment> SwapXY() const;
  std::unique_ptr<ZELI_WfSegment> DuplicateXToY() const;
  std::unique_ptr<ZELI_WfSegment> DuplicateYToX() const;
  // Polynomial data becomes linear and lets go of its order array.
  void ConvertPolynomialInterpolationToLinear();

  // Test-only access to the legs (to build legs with extra points).
  std::vector<ZELI_WfLeg>& TEST_Legs() { return legs_; }

  // ---- search and interpolation (wf_segment_search.cc) ----
  bool Get_IndexByX(unsigned startLeg, unsigned startPoint, const void* x, bool reverse, unsigned* leg,
                    unsigned* lower, unsigned* upper, bool* exact) const;
  bool Get_IndexByY(unsigned startLeg, unsigned startPoint, const void* y, bool reverse, unsigned* leg,
                    unsigned* lower, unsigned* upper, bool* exact) const;
  void Get_ValueByX(unsigned startLeg, unsigned startPoint, const void* x, bool closestOnly, bool reverse,
                    unsigned* leg, unsigned* lower, unsigned* upper, bool* exact, bool* interpolated, void* y,
                    void* cp) const;
  void Get_ValueByY(unsigned startLeg, unsigned startPoint, const void* y, bool closestOnly, bool reverse,
                    unsigned* leg, unsigned* lower, unsigned* upper, bool* exact, bool* interpolated, void* x,
                    void* cp) const;
  void Get_ClosestXValue(unsigned startLeg, unsigned startPoint, const void* x, bool reverse, unsigned* leg,
                         unsigned* point, bool* exact, void* closest) const;
  void Get_ClosestYValue(unsigned startLeg, unsigned startPoint, const void* y, bool reverse, unsigned* leg,
                         unsigned* point, bool* exact, void* closest) const;
  // Y at x from point `point` of the leg onward; lower/upper are leg point
  // indexes (the leg's end when x is outside, y then untouched).
  void YAtX(unsigned leg, unsigned point, const void* x, const ZELI_Type* xType, const ZELI_Type* yType, void* y,
            unsigned* lower, unsigned* upper) const;

  // ---- operations (wf_operations.cc) ----
  // Each computes new values for this segment from its own (and another
  // segment's) and installs them in place of its data arrays; nothing is
  // written to the container, and arrays shared with stored data are only
  // released. Buffers and texts handed out before are invalid afterwards.
  // A failing operation leaves the segment with the data arrays it had (see
  // ZELI_WfDataArray::ApplyOperation for values written over in place).
  // operation is resolved for the segments' types; scalar is one value of
  // its second operand type (first when reversed), or null.
  //
  // On the Y values: a unary operation with an X type (derivative,
  // integrals) by ApplyUnaryWfOperation, other unary operations and type
  // conversions by the Y data array; a binary operation without an X type
  // and without other with the scalar by the Y data array, any other binary
  // operation by ApplyBinaryOperation. Anything else:
  // "ZELI_WfSegment::ApplyYOperation implementation".
  void ApplyYOperation(const ZELI_Operation& operation, ZELI_WfSegment* other, const void* scalar, bool reversed);
  // A unary operation or a type conversion on the X values; anything else:
  // "ZELI_WfSegment::ApplyXOperation implementation".
  void ApplyXOperation(const ZELI_Operation& operation);
  // A binary operation between this segment's Y values and other's
  // (reversed: other's first), or, without other, the scalar (then the
  // operation must be a waveform operation). Different X axes are merged
  // first; a comparison (with an X type) becomes crossing points
  // (ApplyWfComparisonOperation); operation 51 makes the first operand the
  // X values and the second the Y values. Neither other nor scalar:
  // ZELI_BadArgException "Null data buffer".
  void ApplyBinaryOperation(const ZELI_Operation& operation, ZELI_WfSegment* other, const void* scalar,
                            bool reversed);
  // Derivative (30), rectangle integral (31), trapezoid integral (32) over
  // X, on a segment of one leg with real or float X values; messages in
  // wf_operations.cc.
  void ApplyUnaryWfOperation(const ZELI_Operation& operation);
  // The result of a comparison over count points at x (this segment's X
  // type) of first and second (the operation's operand types, with their
  // interpolation types), as the points where it changes; they become this
  // segment's X and Y values, held constant between the points. merged
  // tells that x came from a merge.
  void ApplyWfComparisonOperation(const ZELI_Operation& operation, const void* x, const void* first,
                                  zel_interpolation_t firstInterpolation, const void* second,
                                  zel_interpolation_t secondInterpolation, unsigned count, bool merged);

  // ---- merging onto a common X axis (merge_waveforms.h, wf_segment_merge.cc) ----
  // Whether the X axes (leg 0) of segments differ: "There are no arrays to
  // merge" (bad argument) for none; false for one. Equal axes have the same
  // point count and equal values (a double against a float within twice
  // the double epsilon, relative; other pairs by the first X type's Equal);
  // they need no merge unless the interpolation types differ. When a merge
  // is needed, every X type must be ordered, every X axis monotonic and
  // every interpolation type constant, linear or polynomial, else "The X
  // Axis data is not ordered." / "The X Axis data is not monotonic." / "The
  // X Axis data is not interpolatable." (internal failures).
  static bool MustMergeXAxisData(const std::vector<ZELI_WfSegment*>& segments);
  // The first segment's X monotonicity, or MIXED when another differs;
  // monotonic is true when every one is 2 to 5 (increasing or decreasing).
  // "There are no arrays to merge" (bad argument) for none.
  static zel_monotonicity_t MergedMonotonicity(const std::vector<ZELI_WfSegment*>& segments, bool& monotonic);
  // The first segment's interpolation type, or MIXED when another differs;
  // interpolable is true when every one is constant, linear or polynomial.
  // "There are no arrays to merge" (bad argument) for none.
  static zel_interpolation_t MergedInterpolationType(const std::vector<ZELI_WfSegment*>& segments,
                                                     bool& interpolable);
  // The first k >= from whose walk index is valid: 0 <= indexes[k] <
  // counts[k]; indexes.size() when there is none.
  static unsigned NextValidArray(const std::vector<long long>& indexes, const std::vector<unsigned>& counts,
                                 unsigned from);
  // Merges leg 0 of every segment in ascending X, telling action the values
  // of every merged point (merge_waveforms.h; the walk and its step mode
  // are described in wf_segment_merge.cc). The X values are compared as
  // the element type of xType's kind; each segment's X values are read as
  // that type (converted when its own X type differs). Returns the merged X
  // values: pointCount values allocated through xType, which the caller
  // frees through it (ZELI_TypedValues); null for no points. On failure
  // nothing is returned and the action keeps what it was given. X kinds
  // string, complex, array, record and union: "Cannot merge the X data
  // type"; others without an element type: "ZELI_WfSegment::MergeWaveforms
  // implementation" (internal failures).
  static void* MergeWaveforms(const std::vector<ZELI_WfSegment*>& segments, ZELI_Type* xType,
                              ZELI_MergeWaveformsAction& action, unsigned& pointCount);

 private:
  // Where a point of a leg comes from (data origin, wf_segment.cc).
  enum class Origin { LEADING, STORED, TRAILING, OUTSIDE };
  Origin DataOrigin(const ZELI_WfLeg& leg, unsigned point, unsigned* stored) const;
  // The leading or trailing point of an origin.
  static const ZELI_WfLeg::ExtraPoint& ExtraPointOf(const ZELI_WfLeg& leg, Origin origin);
  // Values from the point onward that sit side by side in storage.
  unsigned ContiguousRun(const ZELI_WfLeg& leg, unsigned point) const;
  // The order of a point, by the interpolation type.
  unsigned OrderOf(const ZELI_WfLeg& leg, unsigned point) const;
  const unsigned* OrderAddress(const ZELI_WfLeg& leg, unsigned point) const;

  // Checks (leg, point), frees the texts of the previous window and stores
  // the new window's position; returns its leg.
  const ZELI_WfLeg& InitializeSetup(unsigned leg, unsigned point);
  // The open window's leg ("No access window is set up" before any Setup).
  const ZELI_WfLeg& WindowLeg() const;

  // The owning view's answer to a parameter question (always a failure).
  [[noreturn]] void AskViewForParameter() const;

  // Converted text of the X, Y or CP axis (wf_segment_text.cc).
  enum TextAxis : unsigned { TEXT_X = 0, TEXT_Y = 1, TEXT_CP = 2 };
  // Where the text of an axis comes from: the axis of this segment whose
  // values are shown (none: texts stay unfilled), and the conversion with
  // the caller's function for ZEL_CONVERT_FUNCTION.
  struct TextSource {
    bool filled;
    Axis values;
    zel_conversion_t conversion;
    char* (*function)(void* userData, void* value);
    void* userData;
    // One value as a malloc'd text.
    char* Convert(const ZELI_Type& type, const void* value) const;
  };
  TextSource TextSourceOf(TextAxis axis) const;
  char** ConvertedBuffer(TextAxis axis);
  const char* ConvertedValue(TextAxis axis, const void* value);

  // A new segment over copies of x and y (wf_segment_build.cc).
  std::unique_ptr<ZELI_WfSegment> Derived(const ZELI_WfDataArray& x, const ZELI_WfDataArray& y) const;
  // Wraps count values of type (owned from here on) in a new direct data
  // array with a determined summary and the given spacing, and installs it.
  void InstallValues(Axis axis, ZELI_Type* type, void* data, unsigned count, zel_dataSpacing_t spacing);
  // Deletes the data array of the axis and puts array (owned) in its place.
  void InstallDataArray(Axis axis, ZELI_WfDataArray* array) noexcept;
  // Takes legs as this segment's (swapped in) and empties the window.
  void InstallLegs(std::vector<ZELI_WfLeg>& legs) noexcept;
  // Sets the interpolation type; leaving polynomial releases the order array.
  void ChangeInterpolationType(zel_interpolation_t interpolation) noexcept;
  // Leg 0's values of an axis side by side (null for none), for operations
  // on whole legs: a leg with extra points has no such buffer
  // ("Unimplemented ZELI_WfLeg::Get_XArrayAddress" / "...Get_YArrayAddress").
  const void* LegBuffer(Axis axis);
  // Operations on leg 0 (wf_operations.cc).
  void Derivative(const ZELI_Operation& operation);
  void Integral(const ZELI_Operation& operation);
  // A data array from a caller, checked as Set_DataArray_p says.
  const ZELI_WfDataArray& CheckedCallerArray(const void* array) const;

  // The caller's object with its entry among the live ones.
  struct ApiObject;
  bool Get_IndexByArray(bool byX, unsigned startLeg, unsigned startPoint, const void* sought, unsigned* leg,
                        unsigned* lower, unsigned* upper, bool* exact) const;
  void Get_ClosestValue(bool byX, unsigned startLeg, unsigned startPoint, const void* sought, bool reverse,
                        unsigned* leg, unsigned* point, bool* exact, void* closest) const;
  void Get_ValueBy(bool byX, unsigned startLeg, unsigned startPoint, const void* sought, bool closestOnly,
                   bool reverse, unsigned* leg, unsigned* lower, unsigned* upper, bool* exact, bool* interpolated,
                   void* out, void* cp) const;

  ZELI_WfSegmentView* view_ = nullptr;  // not owned; none for a segment read straight from a waveform
  std::unique_ptr<ApiObject> api_;    // made on first request
  unsigned segmentIndex_;
  ZELI_WfDataArray* x_ = nullptr;      // owned
  ZELI_WfDataArray* y_ = nullptr;      // owned
  zel_interpolation_t interpolation_;
  ZELI_CachedArray* order_ = nullptr;  // one reference held
  std::vector<ZELI_WfLeg> legs_;

  // The access window: `count` points of leg `leg` from `point`.
  struct Window {
    bool open = false;  // a Setup call succeeded
    unsigned count = 0;
    unsigned leg = 0;
    unsigned point = 0;
    bool arrayMode = false;  // the leg is not contiguous from `point`
  } window_;
  // Orders of the window for constant and linear data (grown, never shrunk).
  std::vector<unsigned> orderBuffer_;
  ZELI_ConvertedTexts convertedBuffers_[3];  // by TextAxis; valid until the next Setup
  ZELI_ConvertedTexts convertedValues_[3];   // one text each; valid until the next value of the axis
};

// Whether p is a caller's waveform segment that exists now (the same test for
// every public class handed out as a pointer; data writers:
// waveforms/data_writer_support.h).
inline bool ZELI_IsLive(const ZEL_WfSegment* p) noexcept { return ZEL_WfSegment::IsLive(p); }

#endif  // ZEL_ACCESS_WF_SEGMENT_H
