// Exported functions of time values: a time from whole ticks of a decimal
// unit or from seconds, and back. A time value is the 24-byte layout of
// UniversalTime (types/universal_types.h): ticks of 1 fs and a fraction.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "interface/call.h"
#include "types/universal_types.h"

namespace {

// Femtoseconds in one tick of 10^exponent seconds, for exponents from -15
// (1 fs) to 3 (1000 s).
unsigned long long FemtosecondsPerTick(int exponent) {
  if (exponent < -15 || exponent > 3) throw ZELI_BadArgException("The tick unit must be 1e-15 s to 1e3 s.");
  unsigned long long per = 1;
  for (int e = -15; e < exponent; ++e) per *= 10;
  return per;
}

// A caller's time value, checked as far as its layout allows.
UniversalTime ReadTime(const void* value) {
  ZELI_RequireArgument(value, "value is null");
  UniversalTime time;
  std::memcpy(static_cast<void*>(&time), value, sizeof time);
  const double fraction = time.Get_Fraction();
  if (time.Get_Ticks().Get_DigitCount() > 6 || !(fraction >= 0.0 && fraction < 1.0)) {
    throw ZELI_BadArgException("Not a time value.");
  }
  return time;
}

}  // namespace

ZEL_EXPORT void ZEL_MakeTimeValue(zel_session_t session, int64_t ticks, int exponent, void* value,
                                  zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    zel.ConvertSessionHandle(session);
    ZELI_RequireArgument(value, "value is null");
    const unsigned long long per = FemtosecondsPerTick(exponent);
    const unsigned long long magnitude =
        ticks < 0 ? 0ULL - static_cast<unsigned long long>(ticks) : static_cast<unsigned long long>(ticks);
    const unsigned __int128 fs = static_cast<unsigned __int128>(magnitude) * per;
    if ((fs >> 96) != 0) throw ZELI_BadArgException("The time does not fit in 96-bit femtosecond ticks.");
    const UniversalTime time(UniversalInteger::FromMagnitude(ticks < 0, static_cast<uint32_t>(fs),
                                                             static_cast<uint32_t>(fs >> 32),
                                                             static_cast<uint32_t>(fs >> 64)),
                             UniversalReal::_zero);
    std::memcpy(value, static_cast<const void*>(&time), sizeof time);
  });
}

ZEL_EXPORT int64_t ZEL_GetTimeValueTicks(zel_session_t session, const void* value, int exponent,
                                         zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<int64_t>(0), [&](ZELC_Interface& zel) {
    zel.ConvertSessionHandle(session);
    const UniversalTime time = ReadTime(value);
    const unsigned long long per = FemtosecondsPerTick(exponent);
    const UniversalInteger& ticks = time.Get_Ticks();
    const unsigned __int128 fs = static_cast<unsigned __int128>(ticks.Get_Word(0)) |
                                 (static_cast<unsigned __int128>(ticks.Get_Word(1)) << 32) |
                                 (static_cast<unsigned __int128>(ticks.Get_Word(2)) << 64);
    if (time.Get_Fraction() != 0.0 || fs % per != 0) {
      throw ZELI_FailedException("The time is not a whole number of ticks of that unit.");
    }
    const unsigned __int128 whole = fs / per;
    const bool negative = ticks.Get_Sign() < 0;
    const unsigned __int128 limit = static_cast<unsigned __int128>(INT64_MAX) + (negative ? 1 : 0);
    if (whole > limit) throw ZELI_FailedException("The time does not fit in 64-bit ticks of that unit.");
    return negative ? static_cast<int64_t>(0ULL - static_cast<unsigned long long>(whole))
                    : static_cast<int64_t>(whole);
  });
}

ZEL_EXPORT void ZEL_MakeTimeValueFromSeconds(zel_session_t session, double seconds, void* value,
                                             zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    zel.ConvertSessionHandle(session);
    ZELI_RequireArgument(value, "value is null");
    if (!std::isfinite(seconds)) throw ZELI_BadArgException("The time is not a finite number.");
    const UniversalTime time{UniversalReal(seconds)};
    std::memcpy(value, static_cast<const void*>(&time), sizeof time);
  });
}

ZEL_EXPORT double ZEL_GetTimeValueSeconds(zel_session_t session, const void* value, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0.0, [&](ZELC_Interface& zel) {
    zel.ConvertSessionHandle(session);
    return static_cast<double>(ReadTime(value).UniversalToRealTime());
  });
}
