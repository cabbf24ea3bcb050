// Merging waveform segments onto a common X axis: when X axes must merge
// (and why they cannot), the merged summaries, the walk as an action hears
// it (interpolation between points, values outside a segment's range,
// decreasing X, step mode), every X element kind including time values, and
// the binary-operation action's arrays (growth, strings, claiming, failure).
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "types/enumeration_type.h"
#include "types/typed_values.h"
#include "types/universal_types.h"
#include "wf_operations_test_support.h"

namespace zeltest {
namespace {

constexpr auto kConstant = ZEL_INTERPOLATION_CONSTANT;
constexpr auto kLinear = ZEL_INTERPOLATION_LINEAR;
constexpr auto kPolynomial = ZEL_INTERPOLATION_POLYNOMIAL;

UniversalTime Ticks(long long ticks, double fraction = 0) { return UniversalTime(UniversalInteger(ticks), fraction); }

class MergeTest : public WfOperationsTest {
 protected:
  // What a recording action hears from a merge of the segments; the merged
  // X values (of T) go to x.
  template <typename T = double>
  std::string Walk(std::vector<ZELI_WfSegment*> segments, ZELI_Type* xType, bool steps = true,
                   std::vector<T>* x = nullptr) {
    RecordingAction action(segments, steps);
    unsigned count = 0;
    ZELI_TypedValues merged(xType, 0, ZELI_WfSegment::MergeWaveforms(segments, xType, action, count));
    if (x != nullptr) *x = Array<T>(merged.Get(), count);
    // Rebuilt with the point count, so that it frees exactly those values.
    ZELI_TypedValues owned(xType, count, merged.Release());
    return action.log;
  }

  // The operands the binary-operation action collects.
  struct Operands {
    std::vector<double> x, first, second;
  };
  Operands BinaryOperands(ZELI_WfSegment& a, ZELI_WfSegment& b) {
    ZELI_MergeWaveformsBinaryOp action({&a, &b});
    unsigned count = 0;
    ZELI_TypedValues x(real_, 0, ZELI_WfSegment::MergeWaveforms({&a, &b}, real_, action, count));
    EXPECT_EQ(action.Get_Count(), count);
    return {Array<double>(x.Get(), count), Array<double>(action.Get_Operand1Array_p(), count),
            Array<double>(action.Get_Operand2Array_p(), count)};
  }
};

TEST_F(MergeTest, EqualXAxesNeedNoMergeAndOthersMustBeOrderedMonotonicAndInterpolable) {
  auto a = Real({0, 1, 2}, {5, 6, 7});
  auto same = Real({0, 1, 2}, {1, 1, 1});
  ZELI_CachedArray* sharedX = Cached(real_, std::vector<double>{0, 1, 2});
  auto shared1 = Over(sharedX, Cached(real_, std::vector<double>{1, 2, 3}));
  auto shared2 = Over(sharedX, Cached(real_, std::vector<double>{4, 5, 6}));
  EXPECT_EQ(StatusOf([&] { ZELI_WfSegment::MustMergeXAxisData({}); }), "2 There are no arrays to merge");
  EXPECT_FALSE(ZELI_WfSegment::MustMergeXAxisData({a.get()}));
  EXPECT_FALSE(ZELI_WfSegment::MustMergeXAxisData({a.get(), same.get()}));
  EXPECT_FALSE(ZELI_WfSegment::MustMergeXAxisData({shared1.get(), shared2.get(), a.get()}));

  auto shorter = Real({0, 1}, {5, 6});
  auto moved = Real({0, 1, 2.5}, {5, 6, 7});
  auto constant = Real({0, 1, 2}, {5, 6, 7}, kConstant);
  EXPECT_TRUE(ZELI_WfSegment::MustMergeXAxisData({a.get(), shorter.get()}));
  EXPECT_TRUE(ZELI_WfSegment::MustMergeXAxisData({a.get(), moved.get()}));
  EXPECT_TRUE(ZELI_WfSegment::MustMergeXAxisData({same.get(), a.get(), moved.get()}));
  // Same X values, but a step and a ramp: the steps need points of their own.
  EXPECT_TRUE(ZELI_WfSegment::MustMergeXAxisData({a.get(), constant.get()}));

  // Axes that must merge are checked.
  auto b = Segment(string_, std::vector<char*>{strdup("a"), strdup("b")}, real_, std::vector<double>{1, 2});
  auto c = Segment(string_, std::vector<char*>{strdup("a")}, real_, std::vector<double>{1});
  EXPECT_EQ(StatusOf([&] { ZELI_WfSegment::MustMergeXAxisData({b.get(), c.get()}); }),
            "7 The X Axis data is not ordered.");
  auto zigzag = Real({0, 2, 1}, {5, 6, 7});
  EXPECT_EQ(StatusOf([&] { ZELI_WfSegment::MustMergeXAxisData({a.get(), zigzag.get()}); }),
            "7 The X Axis data is not monotonic.");
  auto none = Real({0, 1.5}, {5, 6}, ZEL_INTERPOLATION_NONE);
  EXPECT_EQ(StatusOf([&] { ZELI_WfSegment::MustMergeXAxisData({a.get(), none.get()}); }),
            "7 The X Axis data is not interpolatable.");
  // An equal axis needs no merge, so nothing is asked of it.
  auto noneSame = Real({0, 2, 1}, {1, 1, 1}, ZEL_INTERPOLATION_NONE);
  auto noneSame2 = Real({0, 2, 1}, {2, 2, 2}, ZEL_INTERPOLATION_NONE);
  EXPECT_FALSE(ZELI_WfSegment::MustMergeXAxisData({noneSame.get(), noneSame2.get()}));
}

TEST_F(MergeTest, DoubleAgainstFloatXIsEqualWithinTwiceTheDoubleEpsilon) {
  auto doubles = Real({0, 0.5, 1e30}, {1, 2, 3});
  auto floats = Segment(float_, std::vector<float>{0, 0.5f, 1e30f}, real_, std::vector<double>{1, 2, 3});
  auto exact = Real({0, 0.5, static_cast<double>(1e30f)}, {1, 2, 3});
  // 1e30 is not a float: the float nearest to it differs by far more than
  // the tolerance; the same value widened is equal.
  EXPECT_TRUE(ZELI_WfSegment::MustMergeXAxisData({doubles.get(), floats.get()}));
  EXPECT_FALSE(ZELI_WfSegment::MustMergeXAxisData({floats.get(), exact.get()}));
  EXPECT_FALSE(ZELI_WfSegment::MustMergeXAxisData({exact.get(), floats.get()}));
  // Two float axes compare value by value within the float type's own
  // tolerance (2^-22); an exact byte comparison would call these different.
  auto a = Segment(float_, std::vector<float>{1.0f, 2.0f}, real_, std::vector<double>{1, 2});
  auto b = Segment(float_, std::vector<float>{1.0000001f, 2.0f}, real_, std::vector<double>{1, 2});
  auto c = Segment(float_, std::vector<float>{1.000001f, 2.0f}, real_, std::vector<double>{1, 2});
  EXPECT_FALSE(ZELI_WfSegment::MustMergeXAxisData({a.get(), b.get()}));
  EXPECT_TRUE(ZELI_WfSegment::MustMergeXAxisData({a.get(), c.get()}));
}

TEST_F(MergeTest, MergedSummaries) {
  auto up = Real({0, 1}, {0, 0});
  auto down = Real({1, 0}, {0, 0}, kConstant);
  auto flat = Real({1, 1}, {0, 0}, kPolynomial);
  auto none = Real({0, 1}, {0, 0}, ZEL_INTERPOLATION_NONE);
  bool flag = false;
  EXPECT_EQ(ZELI_WfSegment::MergedMonotonicity({up.get(), up.get()}, flag), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  EXPECT_TRUE(flag);
  EXPECT_EQ(ZELI_WfSegment::MergedMonotonicity({up.get(), down.get()}, flag), ZEL_MONOTONICITY_MIXED);
  EXPECT_TRUE(flag);
  EXPECT_EQ(ZELI_WfSegment::MergedMonotonicity({flat.get(), flat.get()}, flag), ZEL_MONOTONICITY_NONE);
  EXPECT_FALSE(flag);
  EXPECT_EQ(ZELI_WfSegment::MergedInterpolationType({down.get(), down.get()}, flag), kConstant);
  EXPECT_TRUE(flag);
  EXPECT_EQ(ZELI_WfSegment::MergedInterpolationType({up.get(), down.get(), flat.get()}, flag),
            ZEL_INTERPOLATION_MIXED);
  EXPECT_TRUE(flag);
  EXPECT_EQ(ZELI_WfSegment::MergedInterpolationType({none.get(), none.get()}, flag), ZEL_INTERPOLATION_NONE);
  EXPECT_FALSE(flag);
  EXPECT_EQ(StatusOf([&] { ZELI_WfSegment::MergedMonotonicity({}, flag); }), "2 There are no arrays to merge");
  EXPECT_EQ(StatusOf([&] { ZELI_WfSegment::MergedInterpolationType({}, flag); }), "2 There are no arrays to merge");
}

TEST_F(MergeTest, InterleavedPointsMergeOnceInterpolateBetweenAndHaveNoValueOutsideTheirRange) {
  auto a = Real({0, 2}, {10, 30});
  auto b = Real({1, 2, 3}, {100, 200, 300});
  std::vector<double> x;
  EXPECT_EQ(Walk({a.get(), b.get()}, real_, true, &x),
            "|0 0=10 1- |1 0=20 1=100 |2 0=30 1=200 |3 0- 1=300 T4");
  EXPECT_EQ(x, (std::vector<double>{0, 1, 2, 3}));
  // A decreasing axis takes part in ascending X, interpolated the same way.
  auto down = Real({2, 0}, {30, 10});
  EXPECT_EQ(Walk({down.get(), b.get()}, real_, true, &x),
            "|0 0=10 1- |1 0=20 1=100 |2 0=30 1=200 |3 0- 1=300 T4");
  EXPECT_EQ(x, (std::vector<double>{0, 1, 2, 3}));
  // The binary-operation action keeps a value where a segment has none:
  // zero before its first point, its last value after it.
  const Operands operands = BinaryOperands(*a, *b);
  EXPECT_EQ(operands.x, (std::vector<double>{0, 1, 2, 3}));
  EXPECT_EQ(operands.first, (std::vector<double>{10, 20, 30, 30}));
  EXPECT_EQ(operands.second, (std::vector<double>{0, 100, 200, 300}));

  // Outside its range, or empty, a segment has no value for the walk.
  auto inner = Real({1, 2}, {1, 2});
  auto outer = Real({0, 3}, {0, 30});
  auto empty = Real({}, {});
  EXPECT_EQ(Walk({inner.get(), outer.get(), empty.get()}, real_, true, &x),
            "|0 0- 1=0 2- |1 0=1 1=10 2- |2 0=2 1=20 2- |3 0- 1=30 2- T4");
  EXPECT_EQ(x, (std::vector<double>{0, 1, 2, 3}));
  EXPECT_EQ(Walk({empty.get(), empty.get()}, real_, true, &x), " T0");
  EXPECT_TRUE(x.empty());
}

TEST_F(MergeTest, ConstantPointsMakeStepsForActionsThatTakePart) {
  auto constant = Real({0, 1}, {5, 7}, kConstant);
  auto linear = Real({0, 1}, {0, 10});
  std::vector<double> x;
  EXPECT_EQ(Walk({constant.get(), linear.get()}, real_, true, &x), "|0 0=5 1=0 |1 0^ 1=10 |2 0=7 1=10 T3");
  EXPECT_EQ(x, (std::vector<double>{0, 1, 1}));
  EXPECT_EQ(Walk({constant.get(), linear.get()}, real_, false, &x), "|0 0=5 1=0 |1 0=7 1=10 T2");
  EXPECT_EQ(x, (std::vector<double>{0, 1}));
  const Operands operands = BinaryOperands(*constant, *linear);
  EXPECT_EQ(operands.x, (std::vector<double>{0, 1, 1}));
  EXPECT_EQ(operands.first, (std::vector<double>{5, 5, 7}));
  EXPECT_EQ(operands.second, (std::vector<double>{0, 10, 10}));

  // A step where the ramp has no point of its own: the ramp's value at the
  // step is interpolated once and held.
  auto stairs = Real({0, 1, 2}, {5, 7, 9}, kConstant);
  auto ramp = Real({0, 2}, {0, 20});
  EXPECT_EQ(Walk({ramp.get(), stairs.get()}, real_, true, &x),
            "|0 0=0 1=5 |1 0=10 1^ |2 0^ 1=7 |3 0=20 1^ |4 0=20 1=9 T5");
  EXPECT_EQ(x, (std::vector<double>{0, 1, 1, 2, 2}));
  // Only constant segments, or only ramps: no steps.
  auto stairs2 = Real({0.5, 1.5}, {1, 2}, kConstant);
  // A step function holds its last value past its last point.
  EXPECT_EQ(Walk({stairs.get(), stairs2.get()}, real_), "|0 0=5 1- |1 0=5 1=1 |2 0=7 1=1 |3 0=7 1=2 |4 0=9 1=2 T5");
  // A ramp has no value there.
  auto ramp2 = Real({0.5, 1.5}, {1, 2});
  EXPECT_EQ(Walk({stairs.get(), ramp2.get()}, real_, false), "|0 0=5 1- |1 0=5 1=1 |2 0=7 1=1.5 |3 0=7 1=2 |4 0=9 1- T5");
}

TEST_F(MergeTest, PolynomialSegmentsUseTheOrderOfTheUpperPoint) {
  ZELI_Type* orderType = integer_;
  auto parabola = Over(Cached(real_, std::vector<double>{0, 1, 2}), Cached(real_, std::vector<double>{0, 1, 4}),
                       kPolynomial, Cached(orderType, std::vector<unsigned>{0, 1, 2}));
  auto probe = Real({0.5, 1.5}, {0, 0});
  EXPECT_EQ(Walk({parabola.get(), probe.get()}, real_),
            "|0 0=0 1- |1 0=0.5 1=0 |2 0=1 1=0 |3 0=2.25 1=0 |4 0=4 1- T5");
}

TEST_F(MergeTest, TimeXMergesAsTimeValues) {
  // 10^18 ticks and one more are the same double: only a merge of time
  // values keeps them apart.
  const long long big = 1000000000000000000LL;
  auto a = Segment(time_, std::vector<UniversalTime>{Ticks(1), Ticks(3), Ticks(big)}, real_,
                   std::vector<double>{0, 20, 100}, kConstant);
  auto b = Segment(time_, std::vector<UniversalTime>{Ticks(2), Ticks(3), Ticks(big + 1)}, real_,
                   std::vector<double>{5, 6, 7}, kConstant);
  std::vector<UniversalTime> x;
  EXPECT_EQ(Walk<UniversalTime>({a.get(), b.get()}, time_, true, &x),
            "|0 0=0 1- |1 0=0 1=5 |2 0=20 1=6 |3 0=100 1=6 |4 0=100 1=7 T5");
  ASSERT_EQ(x.size(), 5u);
  const std::vector<UniversalTime> expected = {Ticks(1), Ticks(2), Ticks(3), Ticks(big), Ticks(big + 1)};
  for (size_t i = 0; i < x.size(); ++i) EXPECT_EQ(std::memcmp(&x[i], &expected[i], sizeof x[i]), 0) << i;

  // Fractions of a tick order the points, and a ramp interpolates in time.
  auto c = Segment(time_, std::vector<UniversalTime>{Ticks(1, 0.25), Ticks(1, 0.75)}, real_,
                   std::vector<double>{0, 10});
  auto d = Segment(time_, std::vector<UniversalTime>{Ticks(1, 0.5)}, real_, std::vector<double>{1});
  EXPECT_EQ(Walk<UniversalTime>({c.get(), d.get()}, time_, true, &x), "|0 0=0 1- |1 0=5 1=1 |2 0=10 1- T3");
  ASSERT_EQ(x.size(), 3u);
  EXPECT_EQ(x[1], Ticks(1, 0.5));

  // A legacy time type holds doubles and merges as doubles.
  ZELI_TimeType* legacy = LegacyTime();
  auto e = Segment(legacy, std::vector<double>{0, 2}, real_, std::vector<double>{0, 2});
  auto f = Segment(legacy, std::vector<double>{1}, real_, std::vector<double>{7});
  std::vector<double> seconds;
  EXPECT_EQ(Walk({e.get(), f.get()}, legacy, true, &seconds), "|0 0=0 1- |1 0=1 1=7 |2 0=2 1- T3");
  EXPECT_EQ(seconds, (std::vector<double>{0, 1, 2}));
}

TEST_F(MergeTest, DiscreteXMergesInItsOwnWidthAndSign) {
  // Steps at the X values first (Y 1, 2) merged with one step at second
  // (Y 9), all of the element type T of the X type.
  auto expectMerged = [&](ZELI_Type* type, auto first, decltype(first) second, decltype(first) merged) {
    using T = typename decltype(first)::value_type;
    auto a = Segment(type, first, real_, std::vector<double>{1, 2}, kConstant);
    auto b = Segment(type, second, real_, std::vector<double>{9}, kConstant);
    std::vector<T> x;
    EXPECT_EQ(Walk<T>({a.get(), b.get()}, type, true, &x), "|0 0=1 1- |1 0=1 1=9 |2 0=2 1=9 T3");
    EXPECT_EQ(x, merged);
  };
  ZELI_CharacterType* character = Add(new ZELI_CharacterType("c"));
  expectMerged(character, std::vector<unsigned char>{10, 200}, {100}, {10, 100, 200});
  ZELI_CharacterType* signedCharacter = Add(new ZELI_CharacterType("sc", ZELI_Range(character, -100, 100, 1)));
  expectMerged(signedCharacter, std::vector<signed char>{-50, 50}, {0}, {-50, 0, 50});
  const std::vector<const char*> literals(300, "x");
  auto* wide = Add(new ZELI_EnumerationType("e", 300, literals.data(), 0, 299, ZEL_RANGE_ASCENDING));
  expectMerged(wide, std::vector<unsigned short>{1, 290}, {280}, {1, 280, 290});
  expectMerged(integer_, std::vector<int>{-5, 5}, {0}, {-5, 0, 5});

  // Integers: a step function needs no arithmetic on X, a ramp does.
  auto ramp = Segment(integer_, std::vector<int>{-5, 5}, real_, std::vector<double>{1, 2});
  auto step = Segment(integer_, std::vector<int>{0}, real_, std::vector<double>{3}, kConstant);
  EXPECT_EQ(StatusOf([&] { Walk<int>({ramp.get(), step.get()}, integer_); }), "7 Cannot interpolate the X data type");
}

TEST_F(MergeTest, SegmentsWithOtherXTypesAreReadAsTheMergedType) {
  auto floats = Segment(float_, std::vector<float>{0, 2}, real_, std::vector<double>{0, 20});
  auto doubles = Real({0.5, 1}, {1, 2});
  std::vector<double> x;
  EXPECT_EQ(Walk({floats.get(), doubles.get()}, real_, true, &x), "|0 0=0 1- |1 0=5 1=1 |2 0=10 1=2 |3 0=20 1- T4");
  EXPECT_EQ(x, (std::vector<double>{0, 0.5, 1, 2}));
  std::vector<float> singles;
  EXPECT_EQ(Walk<float>({floats.get(), doubles.get()}, float_, true, &singles),
            "|0 0=0 1- |1 0=5 1=1 |2 0=10 1=2 |3 0=20 1- T4");
  EXPECT_EQ(singles, (std::vector<float>{0, 0.5f, 1, 2}));
}

TEST_F(MergeTest, XKindsWithoutOrderCannotMerge) {
  auto a = Real({0, 1}, {0, 1});
  for (ZELI_Type* type : std::vector<ZELI_Type*>{string_, complex_}) {
    RecordingAction action({a.get()}, true);
    unsigned count = 7;
    EXPECT_EQ(StatusOf([&] { ZELI_WfSegment::MergeWaveforms({a.get()}, type, action, count); }),
              "7 Cannot merge the X data type");
    EXPECT_EQ(action.log, "");
  }
  auto b = Segment(string_, std::vector<char*>{strdup("a")}, real_, std::vector<double>{1});
  EXPECT_EQ(StatusOf([&] { Walk({a.get(), b.get()}, real_); }), "7 Cannot merge the X data type");
  RecordingAction action({}, true);
  unsigned count = 0;
  EXPECT_EQ(StatusOf([&] { ZELI_WfSegment::MergeWaveforms({}, real_, action, count); }),
            "2 There are no arrays to merge");
}

// The operand arrays grow past their first thousand values, and past the
// room reserved for them when steps make more points than all segments
// have together.
TEST_F(MergeTest, OperandArraysGrowPastTheRoomReservedForThem) {
  std::vector<double> xa, xb, ya, yb;
  for (int i = 0; i < 1500; ++i) {
    xa.push_back(2 * i), ya.push_back(i);
    xb.push_back(2 * i + 1), yb.push_back(-i);
  }
  auto a = Real(xa, ya);
  auto b = Real(xb, yb);
  Operands operands = BinaryOperands(*a, *b);
  ASSERT_EQ(operands.x.size(), 3000u);
  for (unsigned i = 0; i < 3000; ++i) {
    EXPECT_EQ(operands.x[i], i);
    EXPECT_EQ(operands.first[i], i % 2 == 0 ? i / 2 : std::min(i / 2 + 0.5, 1499.0)) << i;
    EXPECT_EQ(operands.second[i], i == 0 ? 0 : i % 2 == 1 ? -double(i / 2) : -(i / 2 - 0.5)) << i;
  }

  auto ramp = Real({0, 3}, {0, 30});
  auto stairs = Real({0.5, 1.5, 2.5}, {1, 2, 3}, kConstant);
  operands = BinaryOperands(*ramp, *stairs);
  EXPECT_EQ(operands.x, (std::vector<double>{0, 0.5, 0.5, 1.5, 1.5, 2.5, 2.5, 3}));
  EXPECT_EQ(operands.first, (std::vector<double>{0, 5, 5, 15, 15, 25, 25, 30}));
  EXPECT_EQ(operands.second, (std::vector<double>{0, 0, 1, 1, 2, 2, 3, 3}));
}

// Texts are duplicated into the arrays; a claimed array is the caller's,
// the other one goes with the action (AddressSanitizer checks both). A
// failing action leaves nothing behind.
TEST_F(MergeTest, StringOperandsAreCopiedClaimedOrFreedAndAFailingActionLeavesNothing) {
  auto a = Over(Cached(real_, std::vector<double>{0, 2}), Texts({"a0", "a2"}), kConstant);
  auto b = Over(Cached(real_, std::vector<double>{1, 2}), Texts({"b1", "b2"}), kConstant);
  void* claimed = nullptr;
  unsigned count = 0;
  {
    ZELI_MergeWaveformsBinaryOp action({a.get(), b.get()});
    ZELI_TypedValues x(real_, 0, ZELI_WfSegment::MergeWaveforms({a.get(), b.get()}, real_, action, count));
    ZELI_TypedValues trimmed(real_, count, x.Release());
    ASSERT_EQ(count, 3u);
    const auto* first = static_cast<char* const*>(action.Get_Operand1Array_p());
    const auto* second = static_cast<char* const*>(action.Get_Operand2Array_p());
    EXPECT_STREQ(first[0], "a0");
    EXPECT_STREQ(first[1], "a0");
    EXPECT_STREQ(first[2], "a2");
    EXPECT_EQ(second[0], nullptr);
    EXPECT_STREQ(second[1], "b1");
    EXPECT_STREQ(second[2], "b2");
    EXPECT_NE(first[0], first[1]);
    claimed = action.Claim_Operand1Array_p();
    EXPECT_EQ(action.Get_Operand1Array_p(), nullptr);
  }
  EXPECT_STREQ(static_cast<char**>(claimed)[2], "a2");
  string_->FreeData(claimed, count);

  RecordingAction failing({a.get(), b.get()}, true);
  failing.failAt = 2;
  count = 99;
  EXPECT_EQ(StatusOf([&] { ZELI_WfSegment::MergeWaveforms({a.get(), b.get()}, real_, failing, count); }),
            "7 action failed");
  EXPECT_EQ(count, 99u);
  EXPECT_EQ(StatusOf([] { ZELI_MergeWaveformsBinaryOp({}); }), "7 ZELI_MergeWaveformsBinaryOp: operands");
}

}  // namespace
}  // namespace zeltest
