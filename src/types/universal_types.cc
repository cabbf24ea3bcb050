// Universal integers, reals and times: 96-bit sign-magnitude tick
// arithmetic, conversions to and from seconds, byte swapping and text.
#include "types/universal_types.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

template <typename T>
void ReverseBytes(T& value) {
  unsigned char* p = reinterpret_cast<unsigned char*>(&value);
  std::reverse(p, p + sizeof value);
}

constexpr long double TwoTo32 = 4294967296.0L;
constexpr long double TwoTo96 = TwoTo32 * TwoTo32 * TwoTo32;

}  // namespace

const UniversalReal UniversalReal::_zero(0.0);
const UniversalReal UniversalReal::_one(1.0);

void UniversalReal::ConvertEndianType() { ReverseBytes(value_); }

// ---- UniversalInteger ------------------------------------------------------

const UniversalInteger UniversalInteger::_one(1);

UniversalInteger::UniversalInteger(long long value) {
  // Through unsigned arithmetic so that the most negative value negates.
  const unsigned long long magnitude =
      value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  sign_ = value < 0 ? -1 : 1;
  words_[0] = static_cast<uint32_t>(magnitude);
  words_[1] = static_cast<uint32_t>(magnitude >> 32);
  words_[2] = 0;
  Normalize();
}

UniversalInteger UniversalInteger::FromMagnitude(bool negative, uint32_t low, uint32_t middle, uint32_t high) {
  UniversalInteger result;
  result.sign_ = negative ? -1 : 1;
  result.words_[0] = low;
  result.words_[1] = middle;
  result.words_[2] = high;
  result.Normalize();
  return result;
}

UniversalInteger UniversalInteger::FromDouble(long double value) {
  UniversalInteger result;
  if (std::isnan(value)) return result;
  const bool negative = value < 0;
  long double magnitude = std::floor(std::fabs(value));
  if (magnitude >= TwoTo96) {
    result.words_[0] = result.words_[1] = result.words_[2] = 0xFFFFFFFFu;
  } else {
    // Each step takes off exactly representable high parts, so the words are
    // exact for every magnitude a long double holds.
    for (int i = 2; i >= 0; --i) {
      long double unit = 1.0L;
      for (int k = 0; k < i; ++k) unit *= TwoTo32;
      const long double word = std::floor(magnitude / unit);
      result.words_[i] = static_cast<uint32_t>(word);
      magnitude -= word * unit;
    }
  }
  result.sign_ = negative ? -1 : 1;
  result.Normalize();
  return result;
}

long double UniversalInteger::ToLongDouble() const {
  const long double magnitude =
      (static_cast<long double>(words_[2]) * TwoTo32 + words_[1]) * TwoTo32 + words_[0];
  return sign_ < 0 ? -magnitude : magnitude;
}

void UniversalInteger::Normalize() {
  unsigned digits = 6;
  while (digits > 0) {
    const unsigned d = digits - 1;
    const uint32_t digit = (words_[d / 2] >> (16 * (d % 2))) & 0xFFFFu;
    if (digit != 0) break;
    --digits;
  }
  digitCount_ = static_cast<uint16_t>(digits);
  if (digits == 0 || sign_ >= 0) sign_ = 1;
  else sign_ = -1;
}

UniversalInteger UniversalInteger::AddMagnitude(const UniversalInteger& a, const UniversalInteger& b) {
  UniversalInteger result;
  uint64_t carry = 0;
  for (int i = 0; i < 3; ++i) {
    const uint64_t sum = static_cast<uint64_t>(a.words_[i]) + b.words_[i] + carry;
    result.words_[i] = static_cast<uint32_t>(sum);
    carry = sum >> 32;
  }
  if (carry != 0) result.words_[0] = result.words_[1] = result.words_[2] = 0xFFFFFFFFu;  // saturate
  result.Normalize();
  return result;
}

UniversalInteger UniversalInteger::SubtractMagnitude(const UniversalInteger& a, const UniversalInteger& b) {
  UniversalInteger result;
  int64_t borrow = 0;
  for (int i = 0; i < 3; ++i) {
    int64_t difference = static_cast<int64_t>(a.words_[i]) - b.words_[i] - borrow;
    borrow = difference < 0 ? 1 : 0;
    if (difference < 0) difference += static_cast<int64_t>(1) << 32;
    result.words_[i] = static_cast<uint32_t>(difference);
  }
  result.Normalize();
  return result;
}

int UniversalInteger::CompareMagnitude(const UniversalInteger& a, const UniversalInteger& b) {
  if (a.digitCount_ != b.digitCount_) return a.digitCount_ < b.digitCount_ ? -1 : 1;
  for (int i = 2; i >= 0; --i) {
    if (a.words_[i] != b.words_[i]) return a.words_[i] < b.words_[i] ? -1 : 1;
  }
  return 0;
}

int UniversalInteger::Compare(const UniversalInteger& a, const UniversalInteger& b) {
  if (a.Get_Sign() != b.Get_Sign()) return a.Get_Sign() < b.Get_Sign() ? -1 : 1;
  const int byMagnitude = CompareMagnitude(a, b);
  return a.Get_Sign() < 0 ? -byMagnitude : byMagnitude;
}

UniversalInteger UniversalInteger::operator-() const {
  UniversalInteger result = *this;
  result.sign_ = static_cast<int16_t>(-Get_Sign());
  result.Normalize();
  return result;
}

UniversalInteger UniversalInteger::operator+(const UniversalInteger& b) const {
  UniversalInteger result;
  if (Get_Sign() == b.Get_Sign()) {
    result = AddMagnitude(*this, b);
    result.sign_ = static_cast<int16_t>(Get_Sign());
  } else if (CompareMagnitude(*this, b) >= 0) {
    result = SubtractMagnitude(*this, b);
    result.sign_ = static_cast<int16_t>(Get_Sign());
  } else {
    result = SubtractMagnitude(b, *this);
    result.sign_ = static_cast<int16_t>(b.Get_Sign());
  }
  result.Normalize();
  return result;
}

uint32_t UniversalInteger::DivideMagnitude(uint32_t divisor) {
  uint64_t remainder = 0;
  for (int i = 2; i >= 0; --i) {
    const uint64_t current = (remainder << 32) | words_[i];
    words_[i] = static_cast<uint32_t>(current / divisor);
    remainder = current % divisor;
  }
  Normalize();
  return static_cast<uint32_t>(remainder);
}

std::string UniversalInteger::MagnitudeToDecimal() const {
  UniversalInteger rest = *this;
  std::string digits;
  do {
    digits.push_back(static_cast<char>('0' + rest.DivideMagnitude(10)));
  } while (!rest.IsZero());
  std::reverse(digits.begin(), digits.end());
  return digits;
}

void UniversalInteger::ConvertEndianType() {
  ReverseBytes(sign_);
  ReverseBytes(digitCount_);
  for (uint32_t& word : words_) ReverseBytes(word);
}

// ---- UniversalTime ---------------------------------------------------------

bool UniversalTime::_analogExists = true;

UniversalTime::UniversalTime(const UniversalInteger& ticks, const UniversalReal& fraction) : ticks_(ticks) {
  double f = fraction.Get_Value();
  if (!std::isfinite(f)) f = 0.0;
  const double whole = std::floor(f);
  if (whole != 0.0) {
    ticks_ = ticks_ + UniversalInteger::FromDouble(whole);
    f -= whole;
  }
  // Rounding can leave exactly 1.
  if (f >= 1.0) {
    ticks_ = ticks_ + UniversalInteger::_one;
    f = 0.0;
  }
  fraction_ = UniversalReal(f);
}

UniversalTime::UniversalTime(const UniversalReal& seconds) {
  long double ticks = static_cast<long double>(seconds.Get_Value()) * 1e15L;
  // Decimal times such as 1.5e-9 are not exact doubles; a result within the
  // double's own precision of a whole tick is that tick, so 1.5ns is
  // exactly 1500000 ticks.
  const long double nearest = std::nearbyint(ticks);
  if (std::fabs(ticks - nearest) <= std::fabs(ticks) * 4 * std::numeric_limits<double>::epsilon()) ticks = nearest;
  if (!std::isfinite(static_cast<double>(ticks))) {
    if (std::isinf(static_cast<double>(ticks))) ticks_ = UniversalInteger::FromDouble(ticks);
    return;
  }
  const long double whole = std::floor(ticks);
  *this = UniversalTime(UniversalInteger::FromDouble(whole), UniversalReal(static_cast<double>(ticks - whole)));
}

UniversalReal UniversalTime::UniversalToRealTime() const {
  return UniversalReal(static_cast<double>((ticks_.ToLongDouble() + fraction_.Get_Value()) * TickSeconds));
}

UniversalTime UniversalTime::operator+(const UniversalTime& b) const {
  const UniversalInteger ticks = ticks_ + b.ticks_;
  if (!Get_AnalogExists()) return UniversalTime(ticks, UniversalReal::_zero);
  return UniversalTime(ticks, UniversalReal(fraction_.Get_Value() + b.fraction_.Get_Value()));
}

UniversalTime UniversalTime::operator-(const UniversalTime& b) const {
  UniversalTime result;
  result.ticks_ = ticks_ - b.ticks_;
  if (!Get_AnalogExists()) return result;
  double fraction = fraction_.Get_Value() - b.fraction_.Get_Value();
  if (fraction < 0.0) {
    // Borrow one tick.
    result.ticks_ = result.ticks_ - UniversalInteger::_one;
    fraction += UniversalReal::_one.Get_Value();
  }
  if (fraction >= 1.0) fraction = 0.0;  // only rounding of 1 - tiny gets here
  result.fraction_ = UniversalReal(fraction);
  return result;
}

UniversalTime UniversalTime::operator*(double factor) const {
  const long double fraction = Get_AnalogExists() ? fraction_.Get_Value() : 0.0;
  const long double product = (ticks_.ToLongDouble() + fraction) * factor;
  if (std::isnan(static_cast<double>(product))) return UniversalTime();
  const long double whole = std::floor(product);
  if (!Get_AnalogExists()) return UniversalTime(UniversalInteger::FromDouble(whole), UniversalReal::_zero);
  return UniversalTime(UniversalInteger::FromDouble(whole), UniversalReal(static_cast<double>(product - whole)));
}

int UniversalTime::Compare(const UniversalTime& a, const UniversalTime& b) {
  const int byTicks = UniversalInteger::Compare(a.ticks_, b.ticks_);
  if (byTicks != 0 || !Get_AnalogExists()) return byTicks;
  if (a.fraction_.Get_Value() < b.fraction_.Get_Value()) return -1;
  if (a.fraction_.Get_Value() > b.fraction_.Get_Value()) return 1;
  return 0;
}

void UniversalTime::ConvertEndianType() {
  ticks_.ConvertEndianType();
  fraction_.ConvertEndianType();
}

// ---- text ------------------------------------------------------------------

std::string TimeTickValueToString(const UniversalTime& time, TimeUnit unit, UTypes_StatusCode& status) {
  static const char* const names[] = {"fs", "ps", "ns", "us", "ms", "s"};
  if (unit < TimeUnit_Auto || unit > TimeUnit_s) {
    status = UTypes_BadTimeUnit;
    return std::string();
  }
  status = UTypes_OK;
  const bool negative = time < UniversalTime();
  const UniversalTime magnitude = negative ? UniversalTime() - time : time;

  std::string digits = magnitude.Get_Ticks().MagnitudeToDecimal();
  unsigned power = 0;  // index into names: the unit is 10^(3 * power) ticks
  if (unit == TimeUnit_Auto) {
    while (power < 5 && digits.size() > 3 * (power + 1)) ++power;
  } else {
    power = static_cast<unsigned>(unit) - 1;
  }
  const size_t scale = 3 * power;
  if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
  std::string whole = digits.substr(0, digits.size() - scale);
  std::string decimals = digits.substr(digits.size() - scale);
  const double fraction = UniversalTime::Get_AnalogExists() ? magnitude.Get_Fraction().Get_Value() : 0.0;
  if (fraction > 0.0) {
    // Six digits below the tick, truncated so that they never carry.
    long micro = static_cast<long>(std::floor(fraction * 1e6));
    micro = std::min(std::max(micro, 0L), 999999L);
    std::string sub = std::to_string(micro);
    decimals += std::string(6 - sub.size(), '0') + sub;
  }
  while (!decimals.empty() && decimals.back() == '0') decimals.pop_back();
  std::string text = negative ? "-" : "";
  text += whole;
  if (!decimals.empty()) text += "." + decimals;
  text += names[power];
  return text;
}
