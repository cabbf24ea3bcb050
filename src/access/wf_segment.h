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

#include <memory>
#include <vector>

#include "zel/zel.h"

class ZELI_CachedArray;
class ZELI_Container;
class ZELI_Type;
class ZELI_WfDataArray;
class ZELI_WfDataView;
class ZELI_WfSegment;

// The X side of a waveform segment, built by a waveform and consumed by the
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

  unsigned begin;
  unsigned end;
  bool hasLeading = false;
  bool hasTrailing = false;
  ExtraPoint leading;
  ExtraPoint trailing;
};

class ZELI_WfSegment {
 public:
  // Takes ownership of xData (deleted here, its X array and order reference
  // move in) and of yArray. Point counts of X, Y (and orders) must agree
  // ("ZELI_WfSegment: X and Y array point counts differ", "ZELI_WfSegment:
  // X and Order array point counts differ"; internal failures), else both
  // are deleted. Starts with one leg (0, point count) and an empty window.
  ZELI_WfSegment(unsigned segmentIndex, ZELI_WfSegmentXData* xData, ZELI_WfDataArray* yArray);
  ~ZELI_WfSegment();
  ZELI_WfSegment(const ZELI_WfSegment&) = delete;
  ZELI_WfSegment& operator=(const ZELI_WfSegment&) = delete;

  unsigned Get_SegmentIndex() const { return segmentIndex_; }
  ZELI_WfDataView* Get_View_p() const { return view_; }
  void Set_View_p(ZELI_WfDataView* view) { view_ = view; }
  ZELI_WfDataArray* Get_XDataArray_p() const { return x_; }
  ZELI_WfDataArray* Get_YDataArray_p() const { return y_; }
  zel_interpolation_t Get_XInterpolationType() const { return interpolation_; }
  ZELI_CachedArray* Get_OrderArray_p() const { return order_; }
  ZELI_Type* Get_XType_p() const;
  ZELI_Type* Get_YType_p() const;
  unsigned Get_LegCount() const { return static_cast<unsigned>(legs_.size()); }
  // "Leg index is invalid." (bad argument) for a leg out of range.
  const ZELI_WfLeg& Get_Leg(unsigned leg) const;
  unsigned PointCount(unsigned leg) const { return Get_Leg(leg).Get_PointCount(); }

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
  void Get_XPointValue(unsigned leg, unsigned point, void* out) const;
  void Get_YPointValue(unsigned leg, unsigned point, void* out) const;
  // Addresses of a stored point with both arrays turned direct; the order
  // address only for polynomial data with an order array (else null).
  // "Leg index is invalid." (bad argument); a point that is not stored data:
  // "ZELI_WfLeg::XYAddress implementation".
  void XYAddress(unsigned leg, unsigned point, const void** x, const void** y, const unsigned** order);
  // Copies X, Y and the point's interpolation order.
  void XYPoint(unsigned leg, unsigned point, void* x, void* y, unsigned* order) const;

  // ---- access window ----
  unsigned Setup_Point(unsigned leg, unsigned point);
  unsigned Setup_Buffer(unsigned leg, unsigned point);
  unsigned Setup_Array(unsigned leg, unsigned point);
  const void* Get_XBuffer();
  const void* Get_YBuffer();
  const unsigned* Get_OrderBuffer();
  char** Get_ConvertedXBuffer();
  char** Get_ConvertedYBuffer();
  const char* Get_ConvertedXValue(const void* value);
  const char* Get_ConvertedYValue(const void* value);

  // ---- summaries (from the data arrays' data information) ----
  zel_monotonicity_t Get_XMonotonicity() const;
  zel_monotonicity_t Get_YMonotonicity() const;
  zel_dataSpacing_t Get_XDataSpacing() const;
  zel_dataSpacing_t Get_YDataSpacing() const;
  void Get_XMinMax(void* min, void* max) const;
  void Get_YMinMax(void* min, void* max) const;

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

 private:
  // The interpolation order of one point: 0 for none and constant, 1 for
  // linear, the stored order for polynomial (1 without an order array).
  unsigned PointOrder(unsigned leg, unsigned point) const;
  bool Get_IndexByArray(bool byX, unsigned startLeg, unsigned startPoint, const void* sought, unsigned* leg,
                        unsigned* lower, unsigned* upper, bool* exact) const;
  void Get_ClosestValue(bool byX, unsigned startLeg, unsigned startPoint, const void* sought, bool reverse,
                        unsigned* leg, unsigned* point, bool* exact, void* closest) const;
  void Get_ValueBy(bool byX, unsigned startLeg, unsigned startPoint, const void* sought, bool closestOnly,
                   bool reverse, unsigned* leg, unsigned* lower, unsigned* upper, bool* exact, bool* interpolated,
                   void* out, void* cp) const;

  ZELI_WfDataView* view_ = nullptr;   // not owned; none for a segment read straight from a waveform
  ZEL_WfSegment* api_ = nullptr;     // owned, made on first request
  unsigned segmentIndex_;
  ZELI_WfDataArray* x_ = nullptr;      // owned
  ZELI_WfDataArray* y_ = nullptr;      // owned
  zel_interpolation_t interpolation_;
  ZELI_CachedArray* order_ = nullptr;  // one reference held
  std::vector<ZELI_WfLeg> legs_;
};

#endif  // ZEL_ACCESS_WF_SEGMENT_H
