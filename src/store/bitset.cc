// ZELI_Bitset implementation.
#include "store/bitset.h"

#include <algorithm>

#include "errors/exceptions.h"

ZELI_Bitset::ZELI_Bitset(unsigned size) { Resize(size); }

void ZELI_Bitset::OutOfRange(const char* message) { throw ZELI_BadArgException(message); }

void ZELI_Bitset::Resize(unsigned n) {
  const size_t words = (static_cast<size_t>(n) + 31) / 32;
  if (words_.capacity() < reservedWords_) words_.reserve(reservedWords_);
  words_.resize(words, 0);
  size_ = n;
  if (n % 32 != 0) words_.back() &= (uint32_t{1} << (n % 32)) - 1;
}

void ZELI_Bitset::Reserve(unsigned n) {
  reservedWords_ = static_cast<unsigned>((static_cast<size_t>(n) + 31) / 32);
  // Room doubles, so that reserving a little more each time (a key map
  // growing by 128 keys) moves O(n) words in all.
  if (words_.capacity() < reservedWords_) words_.reserve(std::max<size_t>(reservedWords_, 2 * words_.capacity()));
}

void ZELI_Bitset::ClearAll() {
  for (uint32_t& w : words_) w = 0;
}

unsigned ZELI_Bitset::Count() const {
  unsigned n = 0;
  for (uint32_t w : words_) n += static_cast<unsigned>(__builtin_popcount(w));
  return n;
}

namespace {

// The bits of [first, end) that lie in word w (first < end).
uint32_t RangeMask(unsigned w, unsigned first, unsigned end) {
  const unsigned lo = w * 32 > first ? 0 : first - w * 32;
  const unsigned hi = end - w * 32 >= 32 ? 32 : end - w * 32;
  const uint32_t upTo = hi == 32 ? ~uint32_t{0} : (uint32_t{1} << hi) - 1;
  return upTo & ~((uint32_t{1} << lo) - 1);
}

}  // namespace

bool ZELI_Bitset::AnyInRange(unsigned first, unsigned end) const {
  if (first > end || end > size_) OutOfRange("ZELI_Bitset::AnyInRange range out of range");
  if (first == end) return false;
  for (unsigned w = first / 32; w <= (end - 1) / 32; ++w) {
    if ((words_[w] & RangeMask(w, first, end)) != 0) return true;
  }
  return false;
}

void ZELI_Bitset::SetRange(unsigned first, unsigned end) {
  if (first > end || end > size_) OutOfRange("ZELI_Bitset::SetRange range out of range");
  if (first == end) return;
  for (unsigned w = first / 32; w <= (end - 1) / 32; ++w) words_[w] |= RangeMask(w, first, end);
}
