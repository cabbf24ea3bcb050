// Universal values: the simulation-time arithmetic of the type system.
//
//  - UniversalReal: one IEEE double (8 bytes).
//  - UniversalInteger: a 96-bit signed integer in sign-magnitude form
//    (16 bytes): sign (i16, +1 or -1; zero is +1), digit count (u16, the
//    number of 16-bit digits of the magnitude in use, 0 to 6), magnitude
//    (three u32 words, least significant first).
//  - UniversalTime: a time as a whole number of ticks (UniversalInteger)
//    plus a fraction of a tick (UniversalReal) kept in [0, 1) after every
//    operation (24 bytes). A negative time has negative ticks and a
//    non-negative fraction: -1.5 ticks is ticks -2, fraction 0.5.
//
// These layouts are stored in containers: keep them exact.
//
// Tick resolution: one tick is one femtosecond (1e-15 s). Conversions to and
// from seconds (UniversalReal) use that factor. Magnitudes that do not fit
// in 96 bits (about 7.9e13 s) saturate at the largest magnitude; NaN
// converts to 0.
//
// Text (TimeTickValueToString): an optional "-", the value in a unit, then
// the unit name without a space: "1.5ns", "250ps", "0fs", "-3us". Trailing
// zeros after the decimal point are dropped; a fraction of a tick adds up to
// six further digits (truncated), so 1.25 ticks in femtoseconds is
// "1.25fs". Unit 0 (TimeUnit_Auto) picks the largest of fs, ps, ns, us, ms
// and s in which the magnitude is at least 1; the others force their unit.
#ifndef ZEL_TYPES_UNIVERSAL_TYPES_H
#define ZEL_TYPES_UNIVERSAL_TYPES_H

#include <cstdint>
#include <string>

class UniversalReal {
 public:
  UniversalReal(double value = 0.0) : value_(value) {}  // NOLINT: a double is a universal real
  double Get_Value() const { return value_; }
  operator double() const { return value_; }

  void ConvertEndianType();

  static const UniversalReal _zero;
  static const UniversalReal _one;

 private:
  double value_;
};

static_assert(sizeof(UniversalReal) == 8, "UniversalReal is stored as one double");

class UniversalInteger {
 public:
  UniversalInteger() = default;  // zero
  UniversalInteger(long long value);  // NOLINT: integers convert
  // Truncates toward zero; saturates beyond 96 bits; NaN gives zero.
  static UniversalInteger FromDouble(long double value);
  // The number with this sign (negative or not) and magnitude (three 32-bit
  // words, least significant first).
  static UniversalInteger FromMagnitude(bool negative, uint32_t low, uint32_t middle, uint32_t high);

  int Get_Sign() const { return sign_ < 0 ? -1 : 1; }
  unsigned Get_DigitCount() const { return digitCount_; }
  uint32_t Get_Word(unsigned i) const { return words_[i]; }
  bool IsZero() const { return (words_[0] | words_[1] | words_[2]) == 0; }
  long double ToLongDouble() const;
  double ToDouble() const { return static_cast<double>(ToLongDouble()); }

  // Magnitude arithmetic: the results are non-negative. SubtractMagnitude
  // needs |a| >= |b|.
  static UniversalInteger AddMagnitude(const UniversalInteger& a, const UniversalInteger& b);
  static UniversalInteger SubtractMagnitude(const UniversalInteger& a, const UniversalInteger& b);
  // -1, 0 or +1 by magnitude (digit counts first, then words from the most
  // significant), and by value (sign first; negative magnitudes reversed).
  static int CompareMagnitude(const UniversalInteger& a, const UniversalInteger& b);
  static int Compare(const UniversalInteger& a, const UniversalInteger& b);

  UniversalInteger operator-() const;
  UniversalInteger operator+(const UniversalInteger& b) const;
  UniversalInteger operator-(const UniversalInteger& b) const { return *this + (-b); }
  bool operator==(const UniversalInteger& b) const { return Compare(*this, b) == 0; }
  bool operator!=(const UniversalInteger& b) const { return Compare(*this, b) != 0; }
  bool operator<(const UniversalInteger& b) const { return Compare(*this, b) < 0; }
  bool operator<=(const UniversalInteger& b) const { return Compare(*this, b) <= 0; }

  // Divides the magnitude by divisor (> 0) in place; returns the remainder.
  uint32_t DivideMagnitude(uint32_t divisor);
  // The magnitude in decimal digits ("0" for zero).
  std::string MagnitudeToDecimal() const;

  // Reverses the sign and the digit count (2 bytes each) and each word.
  void ConvertEndianType();

  static const UniversalInteger _one;

 private:
  // Recomputes the digit count; zero gets sign +1.
  void Normalize();

  int16_t sign_ = 1;
  uint16_t digitCount_ = 0;
  uint32_t words_[3] = {0, 0, 0};
};

static_assert(sizeof(UniversalInteger) == 16, "UniversalInteger is stored in 16 bytes");

class UniversalTime {
 public:
  // One tick in seconds.
  static constexpr double TickSeconds = 1e-15;

  UniversalTime() = default;  // zero
  // Normalises the fraction into [0, 1), moving whole ticks into the count.
  UniversalTime(const UniversalInteger& ticks, const UniversalReal& fraction);
  // A time of the given number of seconds; a tick count within the double's
  // precision of a whole number is taken as that whole number.
  explicit UniversalTime(const UniversalReal& seconds);

  const UniversalInteger& Get_Ticks() const { return ticks_; }
  const UniversalReal& Get_Fraction() const { return fraction_; }

  // The time in seconds.
  UniversalReal UniversalToRealTime() const;

  UniversalTime operator+(const UniversalTime& b) const;
  UniversalTime operator-(const UniversalTime& b) const;
  UniversalTime operator*(double factor) const;
  bool operator==(const UniversalTime& b) const { return Compare(*this, b) == 0; }
  bool operator!=(const UniversalTime& b) const { return Compare(*this, b) != 0; }
  bool operator<(const UniversalTime& b) const { return Compare(*this, b) < 0; }
  bool operator<=(const UniversalTime& b) const { return Compare(*this, b) <= 0; }
  bool operator>(const UniversalTime& b) const { return Compare(*this, b) > 0; }
  bool operator>=(const UniversalTime& b) const { return Compare(*this, b) >= 0; }
  // Ticks first; equal ticks compare fractions when analog values exist.
  static int Compare(const UniversalTime& a, const UniversalTime& b);

  // Whether fractions of a tick take part in comparison and arithmetic
  // (process-wide; on by default). Off, fractions are ignored and results
  // carry a zero fraction.
  static bool Get_AnalogExists() { return _analogExists; }
  static bool _analogExists;

  // Reverses the tick count's fields and the fraction's double separately.
  void ConvertEndianType();

 private:
  UniversalInteger ticks_;
  UniversalReal fraction_;
};

static_assert(sizeof(UniversalTime) == 24, "UniversalTime is stored in 24 bytes");

enum TimeUnit : int {
  TimeUnit_Auto = 0,
  TimeUnit_fs = 1,
  TimeUnit_ps = 2,
  TimeUnit_ns = 3,
  TimeUnit_us = 4,
  TimeUnit_ms = 5,
  TimeUnit_s = 6,
};

enum UTypes_StatusCode : int {
  UTypes_OK = 0,
  UTypes_BadTimeUnit = 1,
};

// The text of a time value (format in the file comment). An unknown unit
// sets status UTypes_BadTimeUnit and returns the empty text.
std::string TimeTickValueToString(const UniversalTime& time, TimeUnit unit, UTypes_StatusCode& status);

#endif  // ZEL_TYPES_UNIVERSAL_TYPES_H
