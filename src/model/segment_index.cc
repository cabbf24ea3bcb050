// ZELI_SegmentIndex: mixed-radix conversions in 64-bit arithmetic.
#include "model/segment_index.h"

#include <cstddef>
#include <cstdint>

#include "errors/exceptions.h"

namespace {

constexpr uint64_t Limit = uint64_t{1} << 32;  // first value that no segment index reaches

[[noreturn]] void OutOfRange() { throw ZELI_BadArgException("Segment index is out of range."); }

// The sum of positions[j] * c0 * ... * cj-1. The radix saturates at Limit:
// past it only zero positions can still give an index below 2^32.
unsigned Combine(const std::vector<unsigned>& counts, const unsigned* positions) {
  uint64_t radix = 1;
  uint64_t total = 0;
  for (size_t j = 0; j < counts.size(); ++j) {
    if (positions[j] != 0) {
      if (radix >= Limit) OutOfRange();
      total += positions[j] * radix;  // both below 2^32: no 64-bit overflow
      if (total >= Limit) OutOfRange();
    }
    radix *= counts[j];
    if (radix > Limit) radix = Limit;
  }
  return static_cast<unsigned>(total);
}

}  // namespace

unsigned ZELI_SegmentIndex::MaximumCount() const {
  uint64_t product = 1;
  for (unsigned count : counts_) {
    if (count == 0) return 0;
    product *= count;
    if (product >= Limit) OutOfRange();
  }
  return static_cast<unsigned>(product);
}

void ZELI_SegmentIndex::CheckPositions(unsigned count, const unsigned* positions, const char* countMessage) const {
  if (count != counts_.size()) throw ZELI_BadArgException(countMessage);
  for (unsigned j = 0; j < count; ++j) {
    if (positions[j] >= counts_[j]) throw ZELI_BadArgException("Parameter index is out of range.");
  }
}

unsigned ZELI_SegmentIndex::FromPositions(unsigned count, const unsigned* positions, const char* countMessage) const {
  CheckPositions(count, positions, countMessage);
  return Combine(counts_, positions);
}

unsigned ZELI_SegmentIndex::FromValidPositions(const std::vector<unsigned>& positions) const {
  if (positions.size() != counts_.size()) throw ZELI_BadArgException("Parameter index count");
  return Combine(counts_, positions.data());
}

std::vector<unsigned> ZELI_SegmentIndex::ToPositions(unsigned segmentIndex) const {
  std::vector<unsigned> positions(counts_.size());
  unsigned rest = segmentIndex;
  for (size_t j = 0; j < counts_.size(); ++j) {
    if (counts_[j] == 0) OutOfRange();
    positions[j] = rest % counts_[j];
    rest /= counts_[j];
  }
  if (rest != 0) OutOfRange();
  return positions;
}
