// Segment indices: one number for a combination of parameter value
// positions, in mixed radix with the first parameter varying fastest.
//
// With value counts c0 .. ck-1 and positions i0 .. ik-1 the segment index is
//   i0 + i1*c0 + i2*c0*c1 + ... + ik-1*c0*...*ck-2
// and a set without parameters has the single index 0. Segments store value
// identifiers, not positions (see segment.h), so an index is always computed
// from the parameters' current positions.
//
// All arithmetic is done in 64 bits: an index or a maximum count that does
// not fit in 32 bits, and any conversion through a parameter without values,
// fails with ZELI_BadArgException "Segment index is out of range." instead of
// wrapping or dividing by zero.
#ifndef ZEL_MODEL_SEGMENT_INDEX_H
#define ZEL_MODEL_SEGMENT_INDEX_H

#include <vector>

class ZELI_SegmentIndex {
 public:
  // Value count per parameter, in the set's parameter order.
  explicit ZELI_SegmentIndex(std::vector<unsigned> counts) : counts_(std::move(counts)) {}

  unsigned Get_ParameterCount() const { return static_cast<unsigned>(counts_.size()); }
  const std::vector<unsigned>& Get_Counts() const { return counts_; }

  // Product of the counts (1 without parameters, 0 when a parameter has no
  // values); beyond 32 bits: "Segment index is out of range.".
  unsigned MaximumCount() const;

  // Checks that count equals the parameter count (else ZELI_BadArgException
  // with countMessage) and each position lies below its parameter's count
  // ("Parameter index is out of range."). positions may be null only when
  // there are no parameters.
  void CheckPositions(unsigned count, const unsigned* positions, const char* countMessage) const;

  // Rule 1: the checked positions to a segment index.
  unsigned FromPositions(unsigned count, const unsigned* positions, const char* countMessage) const;
  // Rule 3: positions known to be valid (a segment's current ones) to a
  // segment index, without range checks but still refusing 32-bit overflow.
  unsigned FromValidPositions(const std::vector<unsigned>& positions) const;
  // Rule 2: fills one position per parameter; an index not below the
  // maximum count fails with "Segment index is out of range.".
  std::vector<unsigned> ToPositions(unsigned segmentIndex) const;

 private:
  std::vector<unsigned> counts_;
};

#endif  // ZEL_MODEL_SEGMENT_INDEX_H
