// Operations on waveform segments: values written over private arrays and
// copied from stored ones, scalar operations value by value, the dispatch
// of Y and X operations, binary operations on the same and on merged X
// axes, comparisons as crossing points, the pairing operation, derivative
// and integrals with their type checks, and what a failing operation leaves
// behind (its data arrays, and no leaked or twice-freed result).
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "types/universal_types.h"
#include "wf_operations_test_support.h"

namespace zeltest {
namespace {

constexpr auto kConstant = ZEL_INTERPOLATION_CONSTANT;
constexpr auto kLinear = ZEL_INTERPOLATION_LINEAR;
constexpr double kEpsilon = 2.220446049250313e-16;

class WfOperationTest : public WfOperationsTest {
 protected:
  // A segment whose Y values a data set still holds (locatable): they are
  // never written.
  std::unique_ptr<ZELI_WfSegment> Stored(const std::vector<double>& x, const std::vector<double>& y,
                                         zel_interpolation_t interpolation = kLinear) {
    stored_ = Cached(real_, y, true);
    return Over(Cached(real_, x), stored_, interpolation);
  }
  ZELI_CachedArray* DirectY(const ZELI_WfSegment& s) { return s.Get_YDataArray_p()->Get_DirectArray_p(); }
  ZELI_CachedArray* DirectX(const ZELI_WfSegment& s) { return s.Get_XDataArray_p()->Get_DirectArray_p(); }
  std::vector<double> MinMax(const ZELI_WfSegment& s) {
    std::vector<double> m(2);
    s.Get_YMinMax(&m[0], &m[1]);
    return m;
  }

  ZELI_CachedArray* stored_ = nullptr;
};

TEST_F(WfOperationTest, StoredValuesAreCopiedPrivateOnesWrittenOver) {
  auto s = Stored({0, 1, 2}, {1, 2, 3});
  auto negate = Unary(ZEL_OP_NEGATE, real_);
  const unsigned cached = CacheCount();
  s->ApplyYOperation(*negate, nullptr, nullptr, false);
  // A new array took the stored one's place; the stored values are intact
  // and only released (their owner can still find them).
  ZELI_CachedArray* computed = DirectY(*s);
  EXPECT_NE(computed, stored_);
  EXPECT_EQ(CacheCount(), cached + 1);
  EXPECT_EQ(Array<double>(stored_->Get_Data_p(), 3), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(stored_->Get_ReferenceCount(), 0u);
  EXPECT_EQ(YOf(*s), (std::vector<double>{-1, -2, -3}));
  EXPECT_EQ(s->Get_YMonotonicity(), ZEL_MONOTONICITY_STRICTLY_DECREASING);
  EXPECT_EQ(MinMax(*s), (std::vector<double>{-3, -1}));
  // The computed array is private: the next operation writes over it.
  const void* data = computed->Get_Data_p();
  s->ApplyYOperation(*negate, nullptr, nullptr, false);
  EXPECT_EQ(DirectY(*s), computed);
  EXPECT_EQ(computed->Get_Data_p(), data);
  EXPECT_EQ(CacheCount(), cached + 1);
  EXPECT_EQ(YOf(*s), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(s->Get_YMonotonicity(), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  EXPECT_EQ(MinMax(*s), (std::vector<double>{1, 3}));
  // Narrower results fit too: real to float in place, with the new type.
  s->ApplyYOperation(*Convert(real_, float_), nullptr, nullptr, false);
  EXPECT_EQ(DirectY(*s), computed);
  EXPECT_EQ(s->Get_YType_p(), float_);
  EXPECT_EQ(YOf<float>(*s), (std::vector<float>{1, 2, 3}));
  // Wider ones do not: float to complex gets new memory.
  s->ApplyYOperation(*Convert(float_, complex_), nullptr, nullptr, false);
  EXPECT_NE(DirectY(*s), computed);
  EXPECT_EQ(YOf<DComplex>(*s)[2], DComplex(3, 0));
}

TEST_F(WfOperationTest, SharedAndIndexedValuesBecomeANewArray) {
  auto s = Real({0, 1}, {4, 9});
  s->ApplyYOperation(*Unary(ZEL_OP_SQRT, real_), nullptr, nullptr, false);  // Y is private now
  auto both = s->DuplicateYToX();  // X and Y over the same private array
  both->ApplyYOperation(*Unary(ZEL_OP_NEGATE, real_), nullptr, nullptr, false);
  EXPECT_EQ(XOf(*both), (std::vector<double>{2, 3}));
  EXPECT_EQ(YOf(*both), (std::vector<double>{-2, -3}));
  EXPECT_EQ(YOf(*s), (std::vector<double>{2, 3}));

  // Index and values both held by their owner, as a data set holds them.
  ZELI_CachedArray* values = Cached(real_, std::vector<double>{10, 20, 30}, true);
  ZELI_CachedArray* index = Cached(integer_, std::vector<unsigned>{2, 0, 2}, true);
  auto* xData = new ZELI_WfSegmentXData(new ZELI_WfDataArray(*container_, Cached(real_, std::vector<double>{0, 1, 2})),
                                        kLinear, nullptr);
  ZELI_WfSegment indexed(0, xData, new ZELI_WfDataArray(*container_, index, values));
  indexed.ApplyYOperation(*Unary(ZEL_OP_NEGATE, real_), nullptr, nullptr, false);
  const ZELI_WfDataArray& y = *indexed.Get_YDataArray_p();
  EXPECT_FALSE(y.IsIndexed());
  EXPECT_EQ(y.Get_IndexArray_p(), nullptr);
  EXPECT_EQ(y.Get_ValueArray_p(), nullptr);
  EXPECT_EQ(index->Get_ReferenceCount(), 0u);
  EXPECT_EQ(values->Get_ReferenceCount(), 0u);
  EXPECT_EQ(YOf(indexed), (std::vector<double>{-30, -10, -30}));
  EXPECT_EQ(Array<double>(values->Get_Data_p(), 3), (std::vector<double>{10, 20, 30}));
}

TEST_F(WfOperationTest, ScalarOperationsGoValueByValueAndKeepTheSpacing) {
  auto s = Stored({0, 1, 2}, {10, 20, 40});
  stored_->Get_DataInformation_p()->Set_DataSpacing(ZEL_DATASPACING_LINEAR_EQUIDISTANT);
  const double one = 1;
  auto subtract = Binary(ZEL_OP_SUBTRACT, real_, real_);
  s->ApplyYOperation(*subtract, nullptr, &one, false);
  EXPECT_EQ(YOf(*s), (std::vector<double>{9, 19, 39}));
  EXPECT_EQ(subtract->calls, 3u);
  EXPECT_EQ(s->Get_YDataSpacing(), ZEL_DATASPACING_LINEAR_EQUIDISTANT);
  s->ApplyYOperation(*subtract, nullptr, &one, true);
  EXPECT_EQ(YOf(*s), (std::vector<double>{-8, -18, -38}));
  EXPECT_EQ(s->Get_YMonotonicity(), ZEL_MONOTONICITY_STRICTLY_DECREASING);
  // Comparisons give integers: wider? no, narrower; still correct values.
  s->ApplyYOperation(*Binary(ZEL_OP_LESS, real_, real_), nullptr, &one, false);
  EXPECT_EQ(s->Get_YType_p(), GeneratedInteger());
  EXPECT_EQ(YOf<int>(*s), (std::vector<int>{1, 1, 1}));
}

TEST_F(WfOperationTest, DispatchAndItsFailures) {
  auto s = Real({0, 1}, {1, 2});
  // X values take unary operations and conversions.
  s->ApplyXOperation(*Unary(ZEL_OP_NEGATE, real_));
  EXPECT_EQ(XOf(*s), (std::vector<double>{-0.0, -1}));
  EXPECT_EQ(s->Get_XMonotonicity(), ZEL_MONOTONICITY_STRICTLY_DECREASING);
  auto add = Binary(ZEL_OP_ADD, real_, real_);
  EXPECT_EQ(StatusOf([&] { s->ApplyXOperation(*add); }), "7 ZELI_WfSegment::ApplyXOperation implementation");
  TestOperation outside(static_cast<zel_operation_t>(53), real_, nullptr, nullptr, real_);
  EXPECT_EQ(StatusOf([&] { s->ApplyYOperation(outside, nullptr, nullptr, false); }),
            "7 ZELI_WfSegment::ApplyYOperation implementation");
  EXPECT_EQ(StatusOf([&] { s->Get_YDataArray_p()->ApplyOperation(outside, nullptr, false); }),
            "7 ZELI_WfDataArray::ApplyOperation implementation");
  EXPECT_EQ(StatusOf([&] { s->ApplyYOperation(*add, nullptr, nullptr, false); }), "2 Null data buffer");
  auto addWithX = Binary(ZEL_OP_ADD, real_, real_, real_);
  EXPECT_EQ(StatusOf([&] { s->ApplyYOperation(*addWithX, nullptr, nullptr, false); }), "2 Null data buffer");
  const double one = 1;
  EXPECT_EQ(StatusOf([&] { s->ApplyYOperation(*addWithX, nullptr, &one, false); }),
            "7 ZELI_WfSegment::ApplyBinaryOperation implementation");
  // Operand types that do not fit the values.
  auto onFloats = Unary(ZEL_OP_NEGATE, float_);
  EXPECT_EQ(StatusOf([&] { s->ApplyYOperation(*onFloats, nullptr, nullptr, false); }),
            "7 ZELI_WfDataArray::ApplyOperation: operand type");
  auto other = Real({0, 1}, {1, 2});
  auto floatAdd = Binary(ZEL_OP_ADD, float_, float_);
  EXPECT_EQ(StatusOf([&] { s->ApplyYOperation(*floatAdd, other.get(), nullptr, false); }),
            "7 ZELI_WfSegment::ApplyBinaryOperation: operand types");
  EXPECT_EQ(YOf(*s), (std::vector<double>{1, 2}));
}

TEST_F(WfOperationTest, EqualXAxesKeepTheirXArray) {
  auto a = Real({0, 1, 2}, {1, 2, 3});
  auto b = Real({0, 1, 2}, {10, 20, 30});
  ZELI_WfDataArray* x = a->Get_XDataArray_p();
  ZELI_CachedArray* xValues = DirectX(*a);
  a->ApplyYOperation(*Binary(ZEL_OP_ADD, real_, real_), b.get(), nullptr, false);
  EXPECT_EQ(a->Get_XDataArray_p(), x);
  EXPECT_EQ(DirectX(*a), xValues);
  EXPECT_EQ(YOf(*a), (std::vector<double>{11, 22, 33}));
  a->ApplyYOperation(*Binary(ZEL_OP_SUBTRACT, real_, real_), b.get(), nullptr, true);
  EXPECT_EQ(YOf(*a), (std::vector<double>{-1, -2, -3}));
  EXPECT_EQ(YOf(*b), (std::vector<double>{10, 20, 30}));
}

// The merged values themselves are MergeTest's; here, what the segment
// makes of them.
TEST_F(WfOperationTest, DifferentXAxesAreMergedFirst) {
  auto a = Real({0, 2}, {10, 30});
  auto b = Real({1, 2, 3}, {100, 200, 300});
  a->Setup_Array(0, 0);
  a->ApplyYOperation(*Binary(ZEL_OP_ADD, real_, real_), b.get(), nullptr, false);
  EXPECT_EQ(XOf(*a), (std::vector<double>{0, 1, 2, 3}));
  // Outside its range a segment holds its last value (zero before its first).
  EXPECT_EQ(YOf(*a), (std::vector<double>{10, 120, 230, 330}));
  EXPECT_EQ(a->Get_LegCount(), 1u);
  EXPECT_EQ(a->PointCount(0), 4u);
  // The caller's view of the new data.
  zel_status_t st = ZEL_OK;
  ZEL_WfSegment* api = a->Get_ApiObject_p();
  EXPECT_EQ(ZEL_SetupGetWfSegmentArray(api, 0, 0, &st), 4u);
  EXPECT_EQ(Array<double>(ZEL_GetWfSegmentXBuffer(api, &st), 4), (std::vector<double>{0, 1, 2, 3}));
  EXPECT_EQ(st, ZEL_OK);

  // A decreasing X axis merges in ascending order.
  auto down = Real({2, 0}, {30, 10});
  down->ApplyYOperation(*Binary(ZEL_OP_ADD, real_, real_), b.get(), nullptr, false);
  EXPECT_EQ(XOf(*down), (std::vector<double>{0, 1, 2, 3}));
  EXPECT_EQ(YOf(*down), (std::vector<double>{10, 120, 230, 330}));

  // Steps merged with a ramp stay steps of the result; read as a ramp, the
  // sum is 5 + 10 x up to the step at 1.
  auto steps = Real({0, 1}, {5, 7}, kConstant);
  auto ramp = Real({0, 1}, {0, 10});
  steps->ApplyYOperation(*Binary(ZEL_OP_ADD, real_, real_), ramp.get(), nullptr, false);
  EXPECT_EQ(XOf(*steps), (std::vector<double>{0, 1, 1}));
  EXPECT_EQ(YOf(*steps), (std::vector<double>{5, 15, 17}));
  EXPECT_EQ(steps->Get_XInterpolationType(), kLinear);
  EXPECT_EQ(steps->Get_XMonotonicity(), ZEL_MONOTONICITY_INCREASING);

  // Polynomial data becomes linear over the new X; the orders go.
  ZELI_CachedArray* orders = Cached(integer_, std::vector<unsigned>{0, 1, 2}, true);  // kept by its owner
  auto p = Over(Cached(real_, std::vector<double>{0, 1, 2}), Cached(real_, std::vector<double>{0, 1, 4}),
                ZEL_INTERPOLATION_POLYNOMIAL, orders);
  auto probe = Real({1.5}, {100});
  EXPECT_EQ(orders->Get_ReferenceCount(), 1u);
  p->ApplyYOperation(*Binary(ZEL_OP_ADD, real_, real_), probe.get(), nullptr, false);
  EXPECT_EQ(XOf(*p), (std::vector<double>{0, 1, 1.5, 2}));
  EXPECT_EQ(YOf(*p), (std::vector<double>{0, 1, 102.25, 104}));
  EXPECT_EQ(p->Get_XInterpolationType(), kLinear);
  EXPECT_EQ(p->Get_OrderArray_p(), nullptr);
  EXPECT_EQ(orders->Get_ReferenceCount(), 0u);
}

TEST_F(WfOperationTest, PairingMakesTheFirstOperandX) {
  auto a = Real({0, 1, 2}, {5, 6, 7});
  auto b = Real({0, 1, 2}, {50, 60, 70});
  a->ApplyYOperation(*Binary(ZEL_OP_XY, real_, real_), b.get(), nullptr, false);
  EXPECT_EQ(XOf(*a), (std::vector<double>{5, 6, 7}));
  EXPECT_EQ(YOf(*a), (std::vector<double>{50, 60, 70}));
  auto c = Real({0, 2}, {1, 3});
  auto d = Real({1}, {9});
  c->ApplyYOperation(*Binary(ZEL_OP_XY, real_, real_), d.get(), nullptr, true);
  EXPECT_EQ(XOf(*c), (std::vector<double>{0, 9, 9}));
  EXPECT_EQ(YOf(*c), (std::vector<double>{1, 2, 3}));
}

TEST_F(WfOperationTest, RampsCompareAsCrossingPoints) {
  auto greater = Binary(ZEL_OP_GREATER, real_, real_, real_);
  auto ramp = Real({0, 1, 2}, {0, 10, 0});
  const double five = 5;
  ramp->ApplyYOperation(*greater, nullptr, &five, false);
  EXPECT_EQ(XOf(*ramp), (std::vector<double>{0, 0.5, 1.5, 2}));
  EXPECT_EQ(YOf<int>(*ramp), (std::vector<int>{0, 1, 0, 0}));
  EXPECT_EQ(ramp->Get_XInterpolationType(), kConstant);
  // Reversed: 5 > ramp.
  auto again = Real({0, 1, 2}, {0, 10, 0});
  again->ApplyYOperation(*greater, nullptr, &five, true);
  EXPECT_EQ(XOf(*again), (std::vector<double>{0, 0.5, 1.5, 2}));
  EXPECT_EQ(YOf<int>(*again), (std::vector<int>{1, 0, 1, 1}));
  // Nothing to compare: nothing.
  auto empty = Real({}, {});
  empty->ApplyYOperation(*greater, nullptr, &five, false);
  EXPECT_EQ(empty->PointCount(0), 0u);
  EXPECT_EQ(empty->Get_YType_p(), GeneratedInteger());
  // No change: the two ends.
  auto high = Real({0, 1, 2}, {6, 7, 8});
  high->ApplyYOperation(*greater, nullptr, &five, false);
  EXPECT_EQ(XOf(*high), (std::vector<double>{0, 2}));
  EXPECT_EQ(YOf<int>(*high), (std::vector<int>{1, 1}));

  // A crossing between two points with the same X (a step of a merged
  // result) lies at that X.
  auto steps = Real({0, 1}, {5, 12}, kConstant);
  auto rising = Real({0, 1}, {0, 10});
  steps->ApplyYOperation(*greater, rising.get(), nullptr, false);
  EXPECT_EQ(XOf(*steps), (std::vector<double>{0, 0.5, 1}));
  EXPECT_EQ(YOf<int>(*steps), (std::vector<int>{1, 0, 1}));

  // Only real or float values have crossing points.
  auto integers = Segment(real_, std::vector<double>{0, 1}, integer_, std::vector<int>{0, 10});
  const int fiveAsInteger = 5;
  TestOperation integerGreater(ZEL_OP_GREATER, integer_, integer_, real_, GeneratedInteger());
  EXPECT_EQ(StatusOf([&] { integers->ApplyYOperation(integerGreater, nullptr, &fiveAsInteger, false); }),
            "7 ZELI_WfSegment::ApplyWfComparisonOperation implementation: types");
  EXPECT_EQ(YOf<int>(*integers), (std::vector<int>{0, 10}));
}

TEST_F(WfOperationTest, AgreeingStepsCompareToTheirEnds) {
  auto a = Real({0, 1, 2}, {5, 5, 5}, kConstant);
  auto b = Real({0, 1, 2}, {1, 1, 1}, kConstant);
  a->ApplyYOperation(*Binary(ZEL_OP_GREATER, real_, real_, real_), b.get(), nullptr, false);
  EXPECT_EQ(XOf(*a), (std::vector<double>{0, 2}));
  EXPECT_EQ(YOf<int>(*a), (std::vector<int>{1, 1}));
  // Steps of any X type compare at their own points.
  auto c = Segment(integer_, std::vector<int>{0, 1, 2, 3}, real_, std::vector<double>{1, 9, 9, 1}, kConstant);
  auto d = Segment(integer_, std::vector<int>{0, 1, 2, 3}, real_, std::vector<double>{5, 5, 5, 5}, kConstant);
  c->ApplyYOperation(*Binary(ZEL_OP_GREATER, real_, real_, integer_), d.get(), nullptr, false);
  EXPECT_EQ(XOf<int>(*c), (std::vector<int>{0, 1, 3}));
  EXPECT_EQ(YOf<int>(*c), (std::vector<int>{0, 1, 0}));
}

TEST_F(WfOperationTest, IntegralsAreRunningSumsAndTransformsCheckTheirAxesAndLegs) {
  auto trapezoid = Real({0, 1, 3}, {1, 1, 1});
  ZELI_WfDataArray* x = trapezoid->Get_XDataArray_p();
  trapezoid->ApplyYOperation(*Unary(ZEL_OP_INTEGRAL_TRAPEZOID, real_, real_), nullptr, nullptr, false);
  EXPECT_EQ(YOf(*trapezoid), (std::vector<double>{0, 1, 3}));
  EXPECT_EQ(trapezoid->Get_XDataArray_p(), x);
  auto rectangle = Real({0, 1, 3}, {1, 2, 3});
  rectangle->ApplyYOperation(*Unary(ZEL_OP_INTEGRAL, real_, real_), nullptr, nullptr, false);
  EXPECT_EQ(YOf(*rectangle), (std::vector<double>{0, 1, 5}));
  auto complex = Segment(float_, std::vector<float>{0, 1, 3}, complex_,
                         std::vector<DComplex>{DComplex(1, 2), DComplex(1, 2), DComplex(3, 0)});
  complex->ApplyYOperation(*Unary(ZEL_OP_INTEGRAL_TRAPEZOID, complex_, float_), nullptr, nullptr, false);
  EXPECT_EQ(YOf<DComplex>(*complex), (std::vector<DComplex>{DComplex(0, 0), DComplex(1, 2), DComplex(5, 4)}));
  auto singles = Segment(real_, std::vector<double>{0, 0.5}, float_, std::vector<float>{2, 2});
  singles->ApplyYOperation(*Unary(ZEL_OP_INTEGRAL, float_, real_), nullptr, nullptr, false);
  EXPECT_EQ(YOf<float>(*singles), (std::vector<float>{0, 1}));
  auto empty = Real({}, {});
  empty->ApplyYOperation(*Unary(ZEL_OP_INTEGRAL, real_, real_), nullptr, nullptr, false);
  EXPECT_EQ(empty->PointCount(0), 0u);

  // The transforms check their axes and legs.
  auto integers = Segment(real_, std::vector<double>{0, 1}, integer_, std::vector<int>{1, 2});
  TestOperation integral(ZEL_OP_INTEGRAL, integer_, nullptr, real_, integer_);
  EXPECT_EQ(StatusOf([&] { integers->ApplyYOperation(integral, nullptr, nullptr, false); }),
            "7 Integral requires ZEL_REAL or ZEL_COMPLEX Y Axis.");
  TestOperation derivative(ZEL_OP_DERIVATIVE, integer_, nullptr, real_, integer_);
  EXPECT_EQ(StatusOf([&] { integers->ApplyYOperation(derivative, nullptr, nullptr, false); }),
            "7 Derivative requires ZEL_REAL Y Axis.");
  TestOperation complexDerivative(ZEL_OP_DERIVATIVE, complex_, nullptr, float_, complex_);
  EXPECT_EQ(StatusOf([&] { complex->ApplyYOperation(complexDerivative, nullptr, nullptr, false); }),
            "7 Derivative requires ZEL_REAL Y Axis.");
  auto timeX = Segment(time_, std::vector<UniversalTime>{UniversalTime(), UniversalTime(1e-9)}, real_,
                       std::vector<double>{1, 2});
  for (zel_operation_t op : {ZEL_OP_DERIVATIVE, ZEL_OP_INTEGRAL, ZEL_OP_INTEGRAL_TRAPEZOID}) {
    EXPECT_EQ(StatusOf([&] { timeX->ApplyYOperation(*Unary(op, real_, time_), nullptr, nullptr, false); }),
              "7 Derivative/Integral requires ZEL_REAL X Axis.");
  }
  auto legs = Real({0, 1, 2}, {1, 2, 3});
  legs->TEST_Legs() = {ZELI_WfLeg(0, 1), ZELI_WfLeg(1, 3)};
  EXPECT_EQ(StatusOf([&] { legs->ApplyYOperation(*Unary(ZEL_OP_INTEGRAL, real_, real_), nullptr, nullptr, false); }),
            "7 ZELI_WfSegment::ApplyWfOperation: multiple legs: unimplemented");
  auto plain = Real({0, 1}, {1, 2});
  EXPECT_EQ(StatusOf([&] { plain->ApplyYOperation(*Unary(ZEL_OP_NEGATE, real_, real_), nullptr, nullptr, false); }),
            "7 ZELI_WfSegment::ApplyUnaryWfOperation: unimplemented op");
  EXPECT_EQ(YOf(*plain), (std::vector<double>{1, 2}));
}

TEST_F(WfOperationTest, DerivativeIsAStepFunctionOfTheSlopes) {
  auto single = Real({4}, {7});
  single->ApplyYOperation(*Unary(ZEL_OP_DERIVATIVE, real_, real_), nullptr, nullptr, false);
  EXPECT_EQ(XOf(*single), (std::vector<double>{4}));
  EXPECT_EQ(YOf(*single), (std::vector<double>{0}));

  auto line = Real({0, 1, 2, 4}, {1, 3, 5, 9});
  line->ApplyYOperation(*Unary(ZEL_OP_DERIVATIVE, real_, real_), nullptr, nullptr, false);
  EXPECT_EQ(XOf(*line), (std::vector<double>{0, 4}));
  EXPECT_EQ(YOf(*line), (std::vector<double>{2, 2}));

  // A change of slope at X = 1: the earlier slope one epsilon toward the
  // later, then the later; a repeated point is passed over.
  auto bend = Real({0, 1, 1, 2}, {0, 1, 1, 3});
  bend->ApplyYOperation(*Unary(ZEL_OP_DERIVATIVE, real_, real_), nullptr, nullptr, false);
  EXPECT_EQ(XOf(*bend), (std::vector<double>{0, 1, 1, 2}));
  EXPECT_EQ(YOf(*bend), (std::vector<double>{1, 1 + kEpsilon, 2, 2}));
  auto fall = Real({0, 1, 2}, {0, 4, 0});
  fall->ApplyYOperation(*Unary(ZEL_OP_DERIVATIVE, real_, real_), nullptr, nullptr, false);
  EXPECT_EQ(YOf(*fall), (std::vector<double>{4, 4 - 4 * kEpsilon, -4, -4}));

  // A jump is a spike of the largest value at its X.
  const double largest = std::numeric_limits<double>::max();
  auto jump = Real({0, 1, 1, 2}, {0, 0, 5, 5});
  jump->ApplyYOperation(*Unary(ZEL_OP_DERIVATIVE, real_, real_), nullptr, nullptr, false);
  EXPECT_EQ(XOf(*jump), (std::vector<double>{0, 1, 1, 1, 1, 2}));
  EXPECT_EQ(YOf(*jump), (std::vector<double>{0, kEpsilon, largest, largest * (1 - kEpsilon), 0, 0}));

  // Points within the tolerances are the same point; float values hold
  // at the float's largest value.
  auto near = Segment(float_, std::vector<float>{0, 1, 1.0000001f}, float_, std::vector<float>{0, 1, 1.000001f});
  near->ApplyYOperation(*Unary(ZEL_OP_DERIVATIVE, float_, float_), nullptr, nullptr, false);
  EXPECT_EQ(YOf<float>(*near), (std::vector<float>{1, 1}));
  auto steep = Segment(float_, std::vector<float>{0, 1e-30f}, float_, std::vector<float>{0, 1e30f});
  steep->ApplyYOperation(*Unary(ZEL_OP_DERIVATIVE, float_, float_), nullptr, nullptr, false);
  EXPECT_EQ(YOf<float>(*steep), (std::vector<float>{FLT_MAX, FLT_MAX}));

  ZELI_CachedArray* orders = Cached(integer_, std::vector<unsigned>{1, 1}, true);  // kept by its owner
  auto polynomial = Over(Cached(real_, std::vector<double>{0, 1}), Cached(real_, std::vector<double>{0, 1}),
                         ZEL_INTERPOLATION_POLYNOMIAL, orders);
  polynomial->ApplyYOperation(*Unary(ZEL_OP_DERIVATIVE, real_, real_), nullptr, nullptr, false);
  EXPECT_EQ(polynomial->Get_XInterpolationType(), kLinear);
  EXPECT_EQ(orders->Get_ReferenceCount(), 0u);
}

// A failing operation or merge leaves the data arrays it found; its result
// memory is freed once (AddressSanitizer finds a leak or a second free).
TEST_F(WfOperationTest, AFailingOperationLeavesTheSegmentAsItWas) {
  auto a = Stored({0, 2}, {1, 2});
  auto b = Real({1, 2, 3}, {10, 20, 30});
  auto none = Real({1, 2, 3}, {10, 20, 30}, ZEL_INTERPOLATION_NONE);
  ZELI_WfDataArray* x = a->Get_XDataArray_p();
  ZELI_WfDataArray* y = a->Get_YDataArray_p();
  const unsigned cached = CacheCount();
  auto failing = Binary(ZEL_OP_ADD, real_, real_);
  failing->fail = true;
  EXPECT_EQ(StatusOf([&] { a->ApplyYOperation(*failing, b.get(), nullptr, false); }), "7 User operation failed");
  const double one = 1;
  EXPECT_EQ(StatusOf([&] { a->ApplyYOperation(*failing, nullptr, &one, false); }), "7 User operation failed");
  auto unary = Unary(ZEL_OP_NEGATE, real_);
  unary->fail = true;
  EXPECT_EQ(StatusOf([&] { a->ApplyYOperation(*unary, nullptr, nullptr, false); }), "7 User operation failed");
  // The merge's own refusals (MergeTest has them all) come before anything
  // is computed.
  EXPECT_EQ(StatusOf([&] { a->ApplyYOperation(*Binary(ZEL_OP_ADD, real_, real_), none.get(), nullptr, false); }),
            "7 The X Axis data is not interpolatable.");
  EXPECT_EQ(a->Get_XDataArray_p(), x);
  EXPECT_EQ(a->Get_YDataArray_p(), y);
  EXPECT_EQ(DirectY(*a), stored_);
  EXPECT_EQ(XOf(*a), (std::vector<double>{0, 2}));
  EXPECT_EQ(YOf(*a), (std::vector<double>{1, 2}));
  EXPECT_EQ(CacheCount(), cached);
  EXPECT_EQ(a->PointCount(0), 2u);

  // An operation failing part-way over private values keeps the array and
  // its summary.
  auto p = Real({0, 1, 2}, {0.5, 2, 0.3});
  p->ApplyYOperation(*Unary(ZEL_OP_IDENTITY, real_), nullptr, nullptr, false);
  ZELI_WfDataArray* py = p->Get_YDataArray_p();
  ZELI_DataInformation* information = py->Get_DataInformation_p();
  EXPECT_EQ(StatusOf([&] { p->ApplyYOperation(*Unary(ZEL_OP_ACOS, real_), nullptr, nullptr, false); }),
            "7 acos: waveform data out of function domain");
  EXPECT_EQ(p->Get_YDataArray_p(), py);
  EXPECT_EQ(py->Get_DataInformation_p(), information);
  EXPECT_EQ(MinMax(*p), (std::vector<double>{0.3, 2}));
}

TEST_F(WfOperationTest, FailingOperationsFreeTheirTextResultsOnce) {
  auto a = Over(Cached(real_, std::vector<double>{0, 1}), Texts({"a", "b"}));
  auto b = Over(Cached(real_, std::vector<double>{0, 1}), Texts({"c", "d"}));
  TestOperation binary(ZEL_OP_BINARY_34, string_, string_, nullptr, string_);
  binary.textsOnly = true;
  binary.fail = true;
  EXPECT_EQ(StatusOf([&] { a->ApplyYOperation(binary, b.get(), nullptr, false); }), "7 User operation failed");
  TestOperation unary(ZEL_OP_IDENTITY, string_, nullptr, nullptr, string_);
  unary.textsOnly = true;
  unary.fail = true;
  EXPECT_EQ(StatusOf([&] { a->ApplyYOperation(unary, nullptr, nullptr, false); }), "7 User operation failed");
  // Succeeding, the texts become the values (and go with them).
  unary.fail = false;
  a->ApplyYOperation(unary, nullptr, nullptr, false);
  EXPECT_STREQ(YOf<char*>(*a)[1], "text");
  binary.fail = false;
  a->ApplyYOperation(binary, b.get(), nullptr, false);
  EXPECT_STREQ(YOf<char*>(*a)[0], "text");
}

}  // namespace
}  // namespace zeltest
