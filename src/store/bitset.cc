// ZELI_Bitset implementation.
#include "store/bitset.h"

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
  words_.reserve(reservedWords_);
}

void ZELI_Bitset::ClearAll() {
  for (uint32_t& w : words_) w = 0;
}

unsigned ZELI_Bitset::Count() const {
  unsigned n = 0;
  for (uint32_t w : words_) n += static_cast<unsigned>(__builtin_popcount(w));
  return n;
}
