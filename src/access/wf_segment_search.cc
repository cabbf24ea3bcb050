// Searches and interpolation over a waveform segment's stored points.
//
// Every search works on the stored points of one leg, reading one value at
// a time through the data array (an indexed array is never materialised),
// bisecting monotonic data and scanning the rest. Brackets are leg point
// indexes: an exact hit at i is (i, i + 1), a value strictly between the
// points i and j is (i, j), no match is (end, end).
#include "model/cached_array.h"
#include "access/find_value.h"
#include "access/interpolation.h"
#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "errors/exceptions.h"
#include "types/type.h"
#include "model/data_information.h"

namespace {

struct Bracket {
  unsigned lower = 0;
  unsigned upper = 0;
  bool exact = false;
};

// A leg's start point must be stored data; its stored index.
unsigned StartIndex(const ZELI_WfSegment& segment, unsigned leg, unsigned point, const char* message) {
  unsigned stored = 0;
  if (!segment.StoredIndex(leg, point, &stored)) throw ZELI_FailedException(message);
  return stored;
}

// FindValue over stored indexes [first, leg end) of array; the result as leg
// point indexes. True when the sought value lies inside the leg.
bool SearchLeg(const ZELI_WfLeg& leg, const ZELI_WfDataArray& array, unsigned first, const void* sought,
               Bracket* bracket) {
  unsigned lower = leg.end;
  unsigned upper = leg.end;
  bool exact = false;
  // An empty leg holds nothing to compare with: not found, nothing read.
  if (first < leg.end) {
    ZELI_FindValueOfType(
        array.Get_Type_p(), array.Get_DataInformation_p()->Get_Monotonicity(), sought,
        [&array](unsigned i) { return array.Get_PointAddress(i); }, first, leg.end, &lower, &upper, &exact);
  }
  const unsigned shift = leg.hasLeading ? 1 : 0;
  bracket->lower = lower - leg.begin + shift;
  bracket->upper = upper - leg.begin + shift;
  bracket->exact = exact;
  return lower < leg.end;
}

// True when the first of two candidate values (at a and b) is closer to target.
bool FirstIsCloser(const ZELI_Type* type, const void* target, const void* a, const void* b) {
  // The type's comparison only reads the three values.
  return type->FirstIsCloser(const_cast<void*>(target), const_cast<void*>(a), const_cast<void*>(b)) != 0;
}

}  // namespace

bool ZELI_WfSegment::Get_IndexByArray(bool byX, unsigned startLeg, unsigned startPoint, const void* sought,
                                      unsigned* leg, unsigned* lower, unsigned* upper, bool* exact) const {
  // A start leg at or past the end searches no leg: nothing is found.
  const ZELI_WfDataArray& array = byX ? *x_ : *y_;
  for (unsigned l = startLeg; l < legs_.size(); ++l) {
    const ZELI_WfLeg& current = legs_[l];
    unsigned first = current.begin;
    if (l == startLeg) {
      // An empty leg's point 0 starts a search that finds nothing.
      if (current.Get_PointCount() == 0 && startPoint == 0) continue;
      first = StartIndex(*this, l, startPoint, "ZELI_WfLeg::Get_IndexByDataArray implementation");
    }
    Bracket bracket;
    if (SearchLeg(current, array, first, sought, &bracket)) {
      *leg = l;
      *lower = bracket.lower;
      *upper = bracket.upper;
      *exact = bracket.exact;
      return true;
    }
  }
  *leg = static_cast<unsigned>(legs_.size());
  *lower = 0;
  *upper = 0;
  *exact = false;
  return false;
}

bool ZELI_WfSegment::Get_IndexByX(unsigned startLeg, unsigned startPoint, const void* x, bool reverse, unsigned* leg,
                                  unsigned* lower, unsigned* upper, bool* exact) const {
  if (reverse) throw ZELI_FailedException("ZELI_WfSegment::Get_IndexByX: unimplemented reverse search");
  return Get_IndexByArray(true, startLeg, startPoint, x, leg, lower, upper, exact);
}

bool ZELI_WfSegment::Get_IndexByY(unsigned startLeg, unsigned startPoint, const void* y, bool reverse, unsigned* leg,
                                  unsigned* lower, unsigned* upper, bool* exact) const {
  if (reverse) throw ZELI_FailedException("ZELI_WfSegment::Get_IndexByY: unimplemented reverse search");
  return Get_IndexByArray(false, startLeg, startPoint, y, leg, lower, upper, exact);
}

void ZELI_WfSegment::Get_ClosestValue(bool byX, unsigned startLeg, unsigned startPoint, const void* sought,
                                      bool reverse, unsigned* leg, unsigned* point, bool* exact,
                                      void* closest) const {
  unsigned lower = 0;
  unsigned upper = 0;
  const bool found = byX ? Get_IndexByX(startLeg, startPoint, sought, reverse, leg, &lower, &upper, exact)
                         : Get_IndexByY(startLeg, startPoint, sought, reverse, leg, &lower, &upper, exact);
  const unsigned at = found ? *leg : startLeg;
  unsigned result = 0;
  if (found && *exact) {
    result = lower;
  } else if (found) {
    const ZELI_Type* type = byX ? Get_XType_p() : Get_YType_p();
    const void* a = byX ? Get_XPointAddress(at, lower) : Get_YPointAddress(at, lower);
    const void* b = byX ? Get_XPointAddress(at, upper) : Get_YPointAddress(at, upper);
    result = FirstIsCloser(type, sought, a, b) ? lower : upper;
  } else {
    *exact = false;
  }
  if (byX)
    Get_XPointValue(at, result, closest);
  else
    Get_YPointValue(at, result, closest);
  *point = result;
}

void ZELI_WfSegment::Get_ClosestXValue(unsigned startLeg, unsigned startPoint, const void* x, bool reverse,
                                       unsigned* leg, unsigned* point, bool* exact, void* closest) const {
  Get_ClosestValue(true, startLeg, startPoint, x, reverse, leg, point, exact, closest);
}

void ZELI_WfSegment::Get_ClosestYValue(unsigned startLeg, unsigned startPoint, const void* y, bool reverse,
                                       unsigned* leg, unsigned* point, bool* exact, void* closest) const {
  Get_ClosestValue(false, startLeg, startPoint, y, reverse, leg, point, exact, closest);
}

void ZELI_WfSegment::Get_ValueBy(bool byX, unsigned startLeg, unsigned startPoint, const void* sought,
                                 bool closestOnly, bool reverse, unsigned* leg, unsigned* lower, unsigned* upper,
                                 bool* exact, bool* interpolated, void* out, void* cp) const {
  *interpolated = false;
  const bool found = byX ? Get_IndexByX(startLeg, startPoint, sought, reverse, leg, lower, upper, exact)
                         : Get_IndexByY(startLeg, startPoint, sought, reverse, leg, lower, upper, exact);
  if (!found) throw ZELI_NotFoundException("No such value");
  // The searched axis and the axis whose value is returned.
  const ZELI_Type* searchedType = byX ? Get_XType_p() : Get_YType_p();
  const ZELI_Type* resultType = byX ? Get_YType_p() : Get_XType_p();
  auto searched = [&](unsigned p) { return byX ? Get_XPointAddress(*leg, p) : Get_YPointAddress(*leg, p); };
  auto result = [&](unsigned p) { return byX ? Get_YPointAddress(*leg, p) : Get_XPointAddress(*leg, p); };

  bool closest = closestOnly;
  unsigned point = *lower;
  if (!*exact && !closestOnly) {
    *interpolated = true;
    switch (interpolation_) {
      case ZEL_INTERPOLATION_NONE:
        closest = true;
        break;
      case ZEL_INTERPOLATION_CONSTANT:
        // Searching Y, a step function has no inverse between its points.
        closest = !byX;
        break;
      case ZEL_INTERPOLATION_LINEAR:
      case ZEL_INTERPOLATION_POLYNOMIAL: {
        unsigned order = OrderOf(legs_[*leg], *lower);
        if (order == 2 && *lower == 0) order = 1;
        if (cp != nullptr) throw ZELI_FailedException("Unimplemented ZELI_WfSegment::Get_CPType_p");
        if (out == nullptr) return;
        ZELI_InterpolationPoints points;
        points.lowerX = searched(*lower);
        points.soughtX = sought;
        points.lowerY = result(*lower);
        if (order != 0) {
          points.upperX = searched(*upper);
          points.upperY = result(*upper);
        }
        if (order == 2) points.previousY = result(*lower - 1);
        ZELI_Interpolate(searchedType, resultType, order, points, out);
        return;
      }
      default:
        throw ZELI_FailedException("ZELI_WfSegment::Get_ValueByY");
    }
  }
  if (!*exact && closest) point = FirstIsCloser(searchedType, sought, searched(*lower), searched(*upper)) ? *lower : *upper;
  if (cp != nullptr) throw ZELI_FailedException("Unimplemented ZELI_WfSegment::Get_CPPointValue");
  if (out != nullptr) {
    if (byX)
      Get_YPointValue(*leg, point, out);
    else
      Get_XPointValue(*leg, point, out);
  }
}

void ZELI_WfSegment::Get_ValueByX(unsigned startLeg, unsigned startPoint, const void* x, bool closestOnly,
                                  bool reverse, unsigned* leg, unsigned* lower, unsigned* upper, bool* exact,
                                  bool* interpolated, void* y, void* cp) const {
  Get_ValueBy(true, startLeg, startPoint, x, closestOnly, reverse, leg, lower, upper, exact, interpolated, y, cp);
}

void ZELI_WfSegment::Get_ValueByY(unsigned startLeg, unsigned startPoint, const void* y, bool closestOnly,
                                  bool reverse, unsigned* leg, unsigned* lower, unsigned* upper, bool* exact,
                                  bool* interpolated, void* x, void* cp) const {
  Get_ValueBy(false, startLeg, startPoint, y, closestOnly, reverse, leg, lower, upper, exact, interpolated, x, cp);
}

void ZELI_WfSegment::YAtX(unsigned leg, unsigned point, const void* x, const ZELI_Type* xType,
                          const ZELI_Type* yType, void* y, unsigned* lower, unsigned* upper) const {
  const ZELI_WfLeg& l = Get_Leg(leg);
  unsigned first = l.end;
  // A leg without points has nothing to look up: its end, Y untouched.
  if (l.Get_PointCount() > 0 || point != 0) first = StartIndex(*this, leg, point, "ZELI_WfLeg::YAtX implementation");
  Bracket bracket;
  const bool found = SearchLeg(l, *x_, first, x, &bracket);
  *lower = bracket.lower;
  *upper = bracket.upper;
  if (!found) return;
  if (bracket.exact) {
    Get_YPointValue(leg, bracket.lower, y);
    return;
  }
  ZELI_InterpolationPoints points;
  points.lowerX = Get_XPointAddress(leg, bracket.lower);
  points.upperX = Get_XPointAddress(leg, bracket.upper);
  points.soughtX = x;
  points.lowerY = Get_YPointAddress(leg, bracket.lower);
  points.upperY = Get_YPointAddress(leg, bracket.upper);
  if (bracket.lower > 0) points.previousY = Get_YPointAddress(leg, bracket.lower - 1);
  const unsigned upperOrder = interpolation_ == ZEL_INTERPOLATION_POLYNOMIAL ? OrderOf(l, bracket.upper) : 0;
  ZELI_InterpolateByType(interpolation_, upperOrder, xType, yType, points, y);
}
