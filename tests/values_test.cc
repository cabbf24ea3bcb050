// The value layer: universal integers and times (order, arithmetic with
// carries and borrows, byte swapping, conversion and text) and complex
// values.
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "types/dcomplex.h"
#include "types/universal_types.h"

namespace {

UniversalTime Ticks(long long ticks, double fraction = 0.0) {
  return UniversalTime(UniversalInteger(ticks), UniversalReal(fraction));
}

std::string Text(const UniversalTime& t, TimeUnit unit = TimeUnit_Auto) {
  UTypes_StatusCode status = UTypes_BadTimeUnit;
  std::string text = TimeTickValueToString(t, unit, status);
  EXPECT_EQ(status, UTypes_OK);
  return text;
}

TEST(UniversalIntegerTest, SignedArithmeticCarriesAcrossWordsAndOrdersBySignFirst) {
  const UniversalInteger big(0xFFFFFFFFLL);
  const UniversalInteger sum = big + UniversalInteger::_one;
  EXPECT_EQ(sum.Get_Word(0), 0u);
  EXPECT_EQ(sum.Get_Word(1), 1u);
  EXPECT_EQ(sum.Get_DigitCount(), 3u);
  EXPECT_EQ(sum - UniversalInteger::_one, big);
  EXPECT_EQ((UniversalInteger(5) + UniversalInteger(-8)).ToDouble(), -3.0);
  EXPECT_EQ((UniversalInteger(-5) - UniversalInteger(-8)).ToDouble(), 3.0);
  EXPECT_TRUE(UniversalInteger(-10) < UniversalInteger(-2));
  EXPECT_TRUE(UniversalInteger(-1) < UniversalInteger(0));
  EXPECT_TRUE(UniversalInteger(65536) < UniversalInteger(1LL << 40));
  EXPECT_EQ((UniversalInteger(3) - UniversalInteger(3)).Get_Sign(), 1);  // zero is positive
  EXPECT_EQ(UniversalInteger(-9223372036854775807LL - 1).MagnitudeToDecimal(), "9223372036854775808");
  EXPECT_EQ(UniversalInteger::FromDouble(-1e20L).MagnitudeToDecimal(), "100000000000000000000");
}

TEST(UniversalTimeTest, OrderUsesTicksThenFractionsAndArithmeticBorrowsAndCarries) {
  EXPECT_TRUE(Ticks(1, 0.9) < Ticks(2));
  EXPECT_TRUE(Ticks(2, 0.1) > Ticks(2));
  EXPECT_TRUE(Ticks(-3, 0.5) < Ticks(-2));
  EXPECT_TRUE(Ticks(7, 0.25) == Ticks(7, 0.25));
  EXPECT_TRUE(Ticks(7) <= Ticks(7, 0.25));
  // Subtraction borrows a tick for a negative fraction; addition carries.
  const UniversalTime d = Ticks(10, 0.25) - Ticks(3, 0.75);
  EXPECT_EQ(d.Get_Ticks().ToDouble(), 6.0);
  EXPECT_EQ(d.Get_Fraction().Get_Value(), 0.5);
  const UniversalTime n = Ticks(0) - Ticks(1, 0.5);  // -1.5 ticks
  EXPECT_EQ(n.Get_Ticks().ToDouble(), -2.0);
  EXPECT_EQ(n.Get_Fraction().Get_Value(), 0.5);
  const UniversalTime s = Ticks(1, 0.75) + Ticks(2, 0.5);
  EXPECT_EQ(s.Get_Ticks().ToDouble(), 4.0);
  EXPECT_EQ(s.Get_Fraction().Get_Value(), 0.25);
}

TEST(UniversalTimeTest, ByteSwapReversesEachFieldAndRoundTrips) {
  UniversalTime t = Ticks(0x0102030405LL, 0.5);
  unsigned char before[24];
  std::memcpy(before, &t, 24);
  t.ConvertEndianType();
  unsigned char after[24];
  std::memcpy(after, &t, 24);
  // sign (2), digit count (2), three words (4 each), the double (8)
  const int fields[][2] = {{0, 2}, {2, 2}, {4, 4}, {8, 4}, {12, 4}, {16, 8}};
  for (const auto& f : fields) {
    for (int i = 0; i < f[1]; ++i) EXPECT_EQ(after[f[0] + i], before[f[0] + f[1] - 1 - i]) << f[0];
  }
  t.ConvertEndianType();
  EXPECT_EQ(std::memcmp(&t, before, 24), 0);
}

TEST(UniversalTimeTest, SecondsConvertAtOneFemtosecondPerTickAndTextPicksTheLargestUnit) {
  const UniversalTime t{UniversalReal(1.5e-9)};
  EXPECT_EQ(t.Get_Ticks().ToDouble(), 1500000.0);
  EXPECT_NEAR(t.UniversalToRealTime().Get_Value(), 1.5e-9, 1e-24);
  const UniversalTime negative{UniversalReal(-2.5e-15)};
  EXPECT_EQ(negative.Get_Ticks().ToDouble(), -3.0);
  EXPECT_NEAR(negative.Get_Fraction().Get_Value(), 0.5, 1e-9);
  const UniversalTime doubled = Ticks(3, 0.5) * 2.0;
  EXPECT_TRUE(doubled == Ticks(7));
  EXPECT_TRUE(UniversalTime(UniversalReal(std::nan(""))) == Ticks(0));

  // Text picks the largest unit and drops trailing zeros.
  EXPECT_EQ(Text(Ticks(1500000)), "1.5ns");
  EXPECT_EQ(Text(Ticks(0)), "0fs");
  EXPECT_EQ(Text(Ticks(999)), "999fs");
  EXPECT_EQ(Text(Ticks(1000)), "1ps");
  EXPECT_EQ(Text(Ticks(0) - Ticks(1, 0.5)), "-1.5fs");
  EXPECT_EQ(Text(Ticks(1, 0.25)), "1.25fs");
  EXPECT_EQ(Text(Ticks(3000000000000000LL)), "3s");
  EXPECT_EQ(Text(Ticks(12345678901234567LL)), "12.345678901234567s");
  EXPECT_EQ(Text(Ticks(1500000), TimeUnit_ps), "1500ps");
  EXPECT_EQ(Text(Ticks(15), TimeUnit_ns), "0.000015ns");
  UTypes_StatusCode status = UTypes_OK;
  EXPECT_EQ(TimeTickValueToString(Ticks(1), static_cast<TimeUnit>(9), status), "");
  EXPECT_EQ(status, UTypes_BadTimeUnit);
}

TEST(DComplexTest, ArithmeticFunctionsAndByteSwap) {
  const DComplex a(1, 2), b(3, -1);
  EXPECT_EQ(a * b, DComplex(5, 5));
  const DComplex q = a / b;
  EXPECT_NEAR(q.real(), 0.1, 1e-15);
  EXPECT_NEAR(q.imag(), 0.7, 1e-15);
  EXPECT_DOUBLE_EQ(abs(DComplex(3, 4)), 5.0);
  EXPECT_DOUBLE_EQ(arg(DComplex(0, 1)), M_PI / 2);
  const DComplex e = exp(DComplex(0, M_PI));
  EXPECT_NEAR(e.real(), -1.0, 1e-15);
  EXPECT_NEAR(sqrt(DComplex(-4, 0)).imag(), 2.0, 1e-15);
  DComplex s = a;
  s.ConvertEndianType();
  EXPECT_NE(s, a);
  s.ConvertEndianType();
  EXPECT_EQ(s, a);
}

}  // namespace
