// ZELI_Range: a discrete range, left to right in steps of +1 or -1, over the
// values of a discrete type (the range's type; null for none). Every discrete
// type holds one; array constraints are ranges too.
//
// Invariants: step is +1 or -1 and the range is not empty ((right - left) *
// step >= 0), so the value count is at least 1; non-negative caches
// min(left, right) >= 0. Constructors check these; Read checks them against
// the stored record.
//
// Stored form (the "range record"): range type key (i32, -1 for none), left
// (i32), right (i32), step (i32).
#ifndef ZEL_TYPES_RANGE_H
#define ZEL_TYPES_RANGE_H

#include <cstdint>

#include "store/keymap.h"
#include "store/objects.h"
#include "zel/zel.h"

class ZELI_Type;

class ZELI_Range {
 public:
  ZELI_Range() = default;
  // An empty range (the step leading away from right) throws
  // ZELI_BadArgException "Range is empty.".
  ZELI_Range(ZELI_Type* type, int left, int right, int step);
  // Step -1 for any non-zero direction, +1 for zero.
  ZELI_Range(ZELI_Type* type, int left, int right, zel_rangeDirection_t direction);

  ZELI_Type* Get_Type_p() const { return type_; }
  void Set_Type_p(ZELI_Type* type) { type_ = type; }
  int Get_Left() const { return left_; }
  int Get_Right() const { return right_; }
  int Get_Step() const { return step_; }
  int Get_Min() const { return left_ < right_ ? left_ : right_; }
  int Get_Max() const { return left_ < right_ ? right_ : left_; }
  bool IsNonNegative() const { return nonNegative_; }
  zel_rangeDirection_t Get_DirectionValue() const {
    return step_ == 1 ? ZEL_RANGE_ASCENDING : ZEL_RANGE_DESCENDING;
  }
  bool Contains(long long value) const { return value >= Get_Min() && value <= Get_Max(); }
  // (right - left) * step + 1: from 1 to 2^32.
  uint64_t Get_ValueCount() const;
  // Position of a value in the range: (value - left) * step, which may lie
  // outside 0 .. count - 1.
  long long PositionOf(long long value) const { return (value - left_) * step_; }
  // The value at a position: left + step * position.
  long long ValueAt(long long position) const { return left_ + step_ * position; }

  // Bytes per stored value: from the limits of the range type's base type
  // when the range has a type, else from the range's own limits.
  unsigned Get_StoredSizeOf() const;
  // Bits per packed value, from the range's own limits.
  unsigned Get_PackedSizeOf() const;

  // Same limits and step (the types are not compared).
  bool HasSameLimits(const ZELI_Range& other) const {
    return left_ == other.left_ && right_ == other.right_ && step_ == other.step_;
  }

  void Write(ZELI_Ostream& out) const;
  // Reads a range record. The type key must be -1 or the key of a type
  // already placed in map (or self's key, which gives self: a base type's
  // range is over the type itself). Failures throw ZELI_FailedException
  // with "<record>: range".
  static ZELI_Range Read(ZELI_Istream& in, const ZELI_KeyMap<ZELI_ExternalBase>& map, ZELI_Type* self, int selfKey,
                         const char* record);

 private:
  ZELI_Type* type_ = nullptr;  // not owned
  int left_ = 0;
  int right_ = 0;
  int step_ = 1;
  bool nonNegative_ = true;
};

#endif  // ZEL_TYPES_RANGE_H
