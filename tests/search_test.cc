// Search, interpolation and type conversion kernels: FindValue brackets and
// dispatch by kind, interpolation formulas and dispatchers, and the
// convert-type matrix with its saturation.
#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>
#include <vector>

#include "access/convert_type.h"
#include "access/find_value.h"
#include "access/interpolation.h"
#include "type_operations_test_support.h"
#include "types/enumeration_type.h"

namespace zeltest {
namespace {

using Bracket = std::tuple<unsigned, unsigned, bool>;
constexpr auto kUp = ZEL_MONOTONICITY_STRICTLY_INCREASING;
constexpr auto kDown = ZEL_MONOTONICITY_STRICTLY_DECREASING;
constexpr auto kUnknown = ZEL_MONOTONICITY_UNKNOWN;

// FindValue over values[first, end) of a vector; with a type, through the
// dispatch by kind.
template <class T>
Bracket Find(zel_monotonicity_t m, const std::vector<T>& values, T sought, unsigned first = 0, unsigned end = ~0u,
             const ZELI_Type* type = nullptr) {
  Bracket b;
  auto at = [&](unsigned i) { return &values.at(i); };
  end = std::min<unsigned>(end, values.size());
  if (type == nullptr) {
    ZELI_FindValue(m, sought, at, first, end, &std::get<0>(b), &std::get<1>(b), &std::get<2>(b));
  } else {
    ZELI_FindValueOfType(type, m, &sought, at, first, end, &std::get<0>(b), &std::get<1>(b), &std::get<2>(b));
  }
  return b;
}

TEST(FindValueTest, BracketsAtBetweenAndBeyondThePoints) {
  const std::vector<double> up = {0, 1, 2, 3, 4}, down = {4, 3, 2, 1, 0}, peak = {0, 2, 0};
  for (unsigned i = 0; i < 5; ++i) EXPECT_EQ(Find(kUp, up, double(i)), Bracket(i, i + 1, true)) << i;
  EXPECT_EQ(Find(kUp, up, 0.5), Bracket(0, 1, false));
  EXPECT_EQ(Find(kUp, up, -1.0), Bracket(5, 5, false));
  EXPECT_EQ(Find(kUp, up, 4.5), Bracket(5, 5, false));
  EXPECT_EQ(Find(kUp, up, 1.0, 2), Bracket(5, 5, false));  // before the range's first point
  EXPECT_EQ(Find(kDown, down, 2.5), Bracket(1, 2, false));
  EXPECT_EQ(Find(kDown, down, 0.0), Bracket(4, 5, true));
  // Unordered data: the first crossing in storage order wins.
  EXPECT_EQ(Find(kUnknown, peak, 1.0), Bracket(0, 1, false));
  EXPECT_EQ(Find(ZEL_MONOTONICITY_NONE, peak, 2.0), Bracket(1, 2, true));
  EXPECT_EQ(Find(ZEL_MONOTONICITY_MIXED, peak, 1.0, 1), Bracket(1, 2, false));
  EXPECT_EQ(Find(kUnknown, peak, 3.0), Bracket(3, 3, false));
  EXPECT_EQ(Find(kUp, up, 1.0, 3, 3), Bracket(3, 3, false));  // empty ranges
  EXPECT_EQ(Find(kUnknown, up, 1.0, 4, 2), Bracket(2, 2, false));
  // Duplicates and NaN.
  const std::vector<double> plateau = {1, 2, 2, 2, 3};
  const Bracket hit = Find(ZEL_MONOTONICITY_INCREASING, plateau, 2.0);
  EXPECT_TRUE(std::get<2>(hit) && plateau[std::get<0>(hit)] == 2.0 && std::get<1>(hit) == std::get<0>(hit) + 1);
  EXPECT_EQ(Find(ZEL_MONOTONICITY_INCREASING, plateau, 2.5), Bracket(3, 4, false));
  EXPECT_EQ(Find(kUnknown, plateau, 2.0), Bracket(1, 2, true));
  for (auto m : {kUp, kDown, kUnknown}) EXPECT_EQ(Find(m, plateau, std::nan("")), Bracket(5, 5, false));
}

// On strictly ordered data the bisection must agree with the scan, at and
// between every point and beyond both ends.
TEST(FindValueTest, BisectionAgreesWithTheScan) {
  for (unsigned n = 1; n <= 9; ++n) {
    std::vector<int> up(n), down(n);
    for (unsigned i = 0; i < n; ++i) up[i] = 2 * static_cast<int>(i), down[i] = -up[i];
    for (int s = -2; s <= 2 * static_cast<int>(n); ++s) {
      EXPECT_EQ(Find(kUp, up, s), Find(kUnknown, up, s)) << n << " " << s;
      EXPECT_EQ(Find(kDown, down, -s), Find(kUnknown, down, -s)) << n << " " << s;
    }
  }
}

TEST(FindValueTest, BisectionReadsFewUnalignedValues) {
  std::vector<unsigned char> bytes(1 + 1024 * sizeof(double));  // doubles at odd addresses
  for (double v = 0; v < 1024; ++v) std::memcpy(&bytes[1 + static_cast<size_t>(v) * sizeof v], &v, sizeof v);
  unsigned reads = 0, lower = 0, upper = 0;
  bool exact = false;
  auto at = [&](unsigned i) { return ++reads, &bytes[1 + i * sizeof(double)]; };
  for (double sought : {0.0, 511.5, 1023.0, 700.0}) {
    reads = 0;
    ZELI_FindValue(kUp, sought, at, 0, 1024, &lower, &upper, &exact);
    EXPECT_EQ(lower, static_cast<unsigned>(sought));
    EXPECT_LE(reads, 12u) << sought;
  }
}

class SearchTest : public TypeOperationsTest {
 protected:
  ZELI_EnumerationType* Enumeration(int left, int right) {
    const std::vector<const char*> literals(static_cast<size_t>(right - left + 1), "x");
    return Add(new ZELI_EnumerationType("e", literals.size(), literals.data(), left, right, ZEL_RANGE_ASCENDING));
  }
  // Y at X = 1.5 on X = 0, 1, 2 and Y = 0, 1, 4 (a parabola), between points
  // 1 and 2; edit changes the points first.
  double Parabola(zel_interpolation_t kind, unsigned order, void (*edit)(ZELI_InterpolationPoints&) = nullptr) {
    static const double x[] = {0, 1, 2, 1.5}, y[] = {0, 1, 4};
    ZELI_InterpolationPoints p;
    p.lowerX = &x[1], p.upperX = &x[2], p.soughtX = &x[3], p.previousY = &y[0], p.lowerY = &y[1], p.upperY = &y[2];
    if (edit != nullptr) edit(p);
    double out = -1;
    ZELI_InterpolateByType(kind, order, real_, real_, p, &out);
    return out;
  }
};

// An enumeration whose stored width no range gives.
class OddWidthEnumeration : public ZELI_Type {
 public:
  OddWidthEnumeration() : ZELI_Type(ZEL_ENUMERATION, ZELI_String("odd"), 3, 24) {}
  ZELI_Type* CopyToContainer(ZELI_TypedContainer*) const override { return nullptr; }
};

TEST_F(SearchTest, FindValueReadsEachKindInItsOwnWidthAndSign) {
  ZELI_CharacterType* character = Add(new ZELI_CharacterType("c"));
  ZELI_CharacterType* signedCharacter = Add(new ZELI_CharacterType("sc", ZELI_Range(character, -5, 5, 1)));
  using UC = unsigned char;
  using SC = signed char;
  EXPECT_EQ(Find<UC>(kUp, {10, 200, 250}, 220, 0, ~0u, character), Bracket(1, 2, false));
  EXPECT_EQ(Find<SC>(kUp, {-5, 0, 5}, -5, 0, ~0u, signedCharacter), Bracket(0, 1, true));
  EXPECT_EQ(Find<SC>(kUp, {-1, 0, 1}, -1, 0, ~0u, Enumeration(-1, 1)), Bracket(0, 1, true));
  EXPECT_EQ(Find<short>(kUp, {-150, -10, 50}, 0, 0, ~0u, Enumeration(-200, 100)), Bracket(1, 2, false));
  EXPECT_EQ(Find<unsigned short>(kUp, {10, 280, 290}, 285, 0, ~0u, Enumeration(0, 299)), Bracket(1, 2, false));
  EXPECT_EQ(Find<unsigned>(kUp, {1, 65536, 100000}, 70000, 0, ~0u, Enumeration(0, 65536)), Bracket(1, 2, false));
  EXPECT_EQ(Find<int>(kUp, {-7, 3, 9}, 3, 0, ~0u, integer_), Bracket(1, 2, true));
  EXPECT_EQ(Find<double>(kUp, {0.5, 1.5}, 1.0, 0, ~0u, real_), Bracket(0, 1, false));
  EXPECT_EQ(Find<float>(kDown, {2.5f, 0.5f}, 1.0f, 0, ~0u, float_), Bracket(0, 1, false));
  EXPECT_EQ(Find<double>(kUp, {1.0, 2.0, 3.0}, 2.5, 0, ~0u, LegacyTime()), Bracket(1, 2, false));
  const std::vector<UniversalTime> times = {UniversalTime(1e-9), UniversalTime(2e-9), UniversalTime(3e-9)};
  EXPECT_EQ(Find(kUp, times, UniversalTime(2.5e-9), 0, ~0u, time_), Bracket(1, 2, false));

  const std::vector<int> ints = {1, 2};
  ZELI_Type* odd = Add(new OddWidthEnumeration);
  EXPECT_EQ(FailureOf([&] { Find(kUp, ints, 1, 0, ~0u, odd); }), "ZELI_DataInformation::DetermineMonMinMax implementation");
  for (ZELI_Type* type : std::vector<ZELI_Type*>{complex_, string_}) {
    EXPECT_EQ(FailureOf([&] { Find(kUp, ints, 1, 0, ~0u, type); }), "ZELI_DataInformation::FindValue implementation");
  }
}

TEST_F(SearchTest, InterpolationOrdersAndFailures) {
  EXPECT_DOUBLE_EQ(Parabola(ZEL_INTERPOLATION_LINEAR, 0), 2.5);
  EXPECT_DOUBLE_EQ(Parabola(ZEL_INTERPOLATION_POLYNOMIAL, 2), 2.25);
  EXPECT_DOUBLE_EQ(Parabola(ZEL_INTERPOLATION_POLYNOMIAL, 0), 1);
  EXPECT_DOUBLE_EQ(Parabola(ZEL_INTERPOLATION_CONSTANT, 2), 1);
  // Lower is the first point: order 2 runs as 1.
  EXPECT_DOUBLE_EQ(Parabola(ZEL_INTERPOLATION_POLYNOMIAL, 2, [](auto& p) { p.previousY = nullptr; }), 2.5);
  // At the upper point the quadratic gives its Y, not NaN.
  EXPECT_DOUBLE_EQ(Parabola(ZEL_INTERPOLATION_POLYNOMIAL, 2, [](auto& p) { p.soughtX = p.upperX; }), 4);
  // Equal neighbouring X: lower Y without a division.
  EXPECT_DOUBLE_EQ(Parabola(ZEL_INTERPOLATION_LINEAR, 0, [](auto& p) { p.upperX = p.lowerX; }), 1);
  EXPECT_DOUBLE_EQ(Parabola(ZEL_INTERPOLATION_POLYNOMIAL, 2, [](auto& p) { p.upperX = p.lowerX; }), 1);

  EXPECT_EQ(FailureOf([&] { Parabola(ZEL_INTERPOLATION_NONE, 0); }), "The waveform cannot be interpolated");
  EXPECT_EQ(FailureOf([&] { Parabola(ZEL_INTERPOLATION_MIXED, 0); }), "ZELI_WfSegment: Implementation error");
  EXPECT_EQ(FailureOf([&] { Parabola(ZEL_INTERPOLATION_DEFAULT, 0); }), "ZELI_WfSegment: Implementation error");
  EXPECT_EQ(FailureOf([&] { Parabola(zel_interpolation_t(9), 0); }), "ZELI_WfSegment: Unimplemented interpolation type");
  const double x = 1;
  const int y = 42;
  const ZELI_InterpolationPoints p{&x, &x, &x, nullptr, &y, &y};
  int out = 0;
  EXPECT_EQ(FailureOf([&] { ZELI_Interpolate(complex_, real_, 1, p, &out); }), "Cannot interpolate the X data type");
  EXPECT_EQ(FailureOf([&] { ZELI_Interpolate(real_, integer_, 1, p, &out); }), "Cannot interpolate the Y data type");
  ZELI_Interpolate(real_, integer_, 0, p, &out);  // order 0 copies a value of any type
  EXPECT_EQ(out, 42);
  EXPECT_THROW(ZELI_Interpolate(real_, real_, 1, ZELI_InterpolationPoints(), &out), ZELI_BadArgException);
}

TEST_F(SearchTest, InterpolationOverFloatComplexAndTimeAxes) {
  const float fx[] = {1.0f, 3.0f, 1.5f};
  const DComplex cy[] = {DComplex(0, 0), DComplex(2, 4)};
  DComplex c;
  ZELI_Interpolate(float_, complex_, 1, {&fx[0], &fx[1], &fx[2], nullptr, &cy[0], &cy[1]}, &c);
  EXPECT_EQ(c, DComplex(0.5, 1));
  // Y = 0 .. 100 ns over X = 0 .. 10 ns, at 2.5 ns; then equal X.
  const UniversalTime tx[] = {UniversalTime(0.0), UniversalTime(10e-9), UniversalTime(2.5e-9)};
  const UniversalTime ty[] = {UniversalTime(0.0), UniversalTime(100e-9)};
  UniversalTime t;
  ZELI_Interpolate(time_, time_, 1, {&tx[0], &tx[1], &tx[2], nullptr, &ty[0], &ty[1]}, &t);
  EXPECT_EQ(t, UniversalTime(25e-9));
  ZELI_Interpolate(time_, time_, 1, {&tx[0], &tx[0], &tx[2], nullptr, &ty[0], &ty[1]}, &t);
  EXPECT_EQ(t, ty[0]);
  const double dx[] = {0, 10, 2.5}, dy[] = {0, 100};  // a time held as double is an 8-byte X
  double d = 0;
  ZELI_Interpolate(LegacyTime(), real_, 1, {&dx[0], &dx[1], &dx[2], nullptr, &dy[0], &dy[1]}, &d);
  EXPECT_DOUBLE_EQ(d, 25);
}

TEST_F(SearchTest, ConvertTypeFollowsTheMatrixAndSaturates) {
  ZELI_CharacterType* character = Add(new ZELI_CharacterType("c"));
  const double reals[] = {-1.7, std::nan(""), INFINITY, -INFINITY, 1e300, -1e300, 3e9};
  const int max = std::numeric_limits<int>::max(), min = std::numeric_limits<int>::min();
  std::vector<int> ints(7);
  std::vector<unsigned char> chars(7);
  ZELI_ConvertType(real_, integer_, reals, 7, ints.data());
  EXPECT_EQ(ints, (std::vector<int>{-1, 0, max, min, max, min, max}));
  ZELI_ConvertType(real_, character, reals, 7, chars.data());
  EXPECT_EQ(chars, (std::vector<unsigned char>{0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF}));
  DComplex z(3, 4);
  double d = 0;
  ZELI_ConvertType(complex_, real_, &z, 1, &d);
  EXPECT_EQ(d, 3);
  const unsigned char signedByte = 0xF6;
  ZELI_ConvertType(character, complex_, &signedByte, 1, &z);
  EXPECT_EQ(z, DComplex(-10, 0));
  const int wide = 0x1234;
  ZELI_ConvertType(integer_, character, &wide, 1, chars.data());
  EXPECT_EQ(chars[0], 0x34);
  UniversalTime t;
  ZELI_ConvertType(integer_, time_, &wide, 1, &t);
  EXPECT_EQ(t, UniversalTime(UniversalInteger(0x1234), UniversalReal::_zero));

  // A time held as double is a real on both sides, without a float row.
  ZELI_TimeType* legacy = LegacyTime();
  const double seconds = 2.9;
  ZELI_ConvertType(legacy, integer_, &seconds, 1, ints.data());
  EXPECT_EQ(ints[0], 2);
  float f = 7;
  ZELI_ConvertType(legacy, float_, &seconds, 1, &f);
  ZELI_ConvertType(string_, float_, &seconds, 1, &f);  // no instance
  EXPECT_EQ(f, 7);
  EXPECT_THROW(ZELI_ConvertType(real_, integer_, nullptr, 1, ints.data()), ZELI_BadArgException);
}

}  // namespace
}  // namespace zeltest
