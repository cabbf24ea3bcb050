// ZELI_Bitset: a growable set of bits, used by key maps (live slots and
// markers), writers and segments.
//
// Invariants: words_.size() == (size_ + 31) / 32, and every bit at or above
// size_ in the last word is clear, so Resize can grow without clearing again.
#ifndef ZEL_STORE_BITSET_H
#define ZEL_STORE_BITSET_H

#include <cstddef>
#include <cstdint>
#include <vector>

class ZELI_Bitset {
 public:
  explicit ZELI_Bitset(unsigned size = 0);

  unsigned Get_Size() const { return size_; }

  // pos must lie below the size, else ZELI_BadArgException. Inline: writers
  // test and set a bit per entered value.
  void Set(unsigned pos) {
    if (pos >= size_) OutOfRange("ZELI_Bitset::Set pos out of range");
    words_[pos / 32] |= (uint32_t{1} << (pos % 32));
  }
  void Reset(unsigned pos) {
    if (pos >= size_) OutOfRange("ZELI_Bitset::Reset pos out of range");
    words_[pos / 32] &= ~(uint32_t{1} << (pos % 32));
  }
  bool Test(unsigned pos) const {
    if (pos >= size_) OutOfRange("ZELI_Bitset::Test pos out of range");
    return (words_[pos / 32] >> (pos % 32)) & 1u;
  }

  // Whether any bit of [first, end) is set; sets every bit of [first, end).
  // end must not pass the size, else ZELI_BadArgException. Word by word:
  // writers check and mark a front's run of values at once.
  bool AnyInRange(unsigned first, unsigned end) const;
  void SetRange(unsigned first, unsigned end);

  // Keeps the bits below n, clears every bit at or above n.
  void Resize(unsigned n);
  // Records the number of words to keep allocated ((n + 31) / 32); Resize
  // never shrinks the allocation below it.
  void Reserve(unsigned n);
  // Clears every bit, keeping the size.
  void ClearAll();
  // Number of set bits.
  unsigned Count() const;

 private:
  [[noreturn]] static void OutOfRange(const char* message);

  unsigned size_ = 0;            // bits
  unsigned reservedWords_ = 0;   // words kept allocated whatever the size
  std::vector<uint32_t> words_;  // words in use; capacity is the allocation
};

#endif  // ZEL_STORE_BITSET_H
