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

  // pos must lie below the size, else ZELI_BadArgException.
  void Set(unsigned pos);
  void Reset(unsigned pos);
  bool Test(unsigned pos) const;

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
  unsigned size_ = 0;            // bits
  unsigned reservedWords_ = 0;   // words kept allocated whatever the size
  std::vector<uint32_t> words_;  // words in use; capacity is the allocation
};

#endif  // ZEL_STORE_BITSET_H
