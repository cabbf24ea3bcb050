// Tests: reading a waveform segment built by hand over cached arrays. Access
// windows and their edge cases (empty legs, extra points, array mode),
// indexed arrays materialised once, order buffers, converted text and its
// release, summaries, the functions not provided, data arrays replaced
// through the C interface (ownership), derived segments, and bad pointers.
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/cached_array.h"
#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "model_test_support.h"
#include "types/type.h"
#include "model/data_information.h"

namespace zeltest {
namespace {

class WfSegmentTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    c_ = AddTestContainer(session_, &container_);
    real_ = TypeOf("real", ZEL_REAL);
    integer_ = TypeOf("int", ZEL_INTEGER);
    string_ = TypeOf("string", ZEL_STRING);
  }
  ZELI_Type* TypeOf(const char* name, zel_dataType_t kind) {
    zel_type_t t = ZEL_CreateBuiltinType(session_, c_, name, kind, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    return ObjectOf(session_, t);
  }
  // A cached array of the values (laid out as T by type), listed in the
  // cache of container with its summary determined.
  template <typename T>
  ZELI_CachedArray* Cached(ZELI_Type* type, const std::vector<T>& values, ZELI_Container* container = nullptr) {
    const unsigned n = static_cast<unsigned>(values.size());
    void* data = type->ReallocData(nullptr, n, 0);
    if (n > 0) std::memcpy(data, values.data(), n * sizeof(T));
    auto* information = new ZELI_DataInformation(type);
    information->DetermineMonMinMax(data, n);
    auto* array = new ZELI_CachedArray(n, information, data);
    (container != nullptr ? container : container_)->Get_Cache().Add_CachedArray(array);
    return array;
  }
  ZELI_CachedArray* Texts(const std::vector<const char*>& texts) {
    std::vector<char*> copies;
    for (const char* t : texts) copies.push_back(strdup(t));
    return Cached(string_, copies);
  }
  ZELI_WfDataArray* Direct(ZELI_CachedArray* array) { return new ZELI_WfDataArray(*container_, array); }
  // X 0, 1, ..., n-1 (real) under the given Y array.
  std::unique_ptr<ZELI_WfSegment> Over(ZELI_WfDataArray* y,
                                       zel_interpolation_t interpolation = ZEL_INTERPOLATION_LINEAR,
                                       ZELI_CachedArray* order = nullptr) {
    std::vector<double> x(y->Get_PointCount());
    for (size_t i = 0; i < x.size(); ++i) x[i] = static_cast<double>(i);
    if (order != nullptr) order->IncrementReferenceCount();  // the reference the X data hands over
    auto* xData = new ZELI_WfSegmentXData(Direct(Cached(real_, x)), interpolation, order);
    return std::make_unique<ZELI_WfSegment>(0, xData, y);
  }
  std::unique_ptr<ZELI_WfSegment> Real(const std::vector<double>& y,
                                       zel_interpolation_t interpolation = ZEL_INTERPOLATION_LINEAR) {
    return Over(Direct(Cached(real_, y)), interpolation);
  }
  static std::vector<double> Doubles(const void* p, unsigned n) {
    const auto* d = static_cast<const double*>(p);
    return p == nullptr ? std::vector<double>() : std::vector<double>(d, d + n);
  }
  unsigned CacheCount() const { return container_->Get_Cache().Get_Count(); }

  zel_container_t c_{-1};
  ZELI_Container* container_ = nullptr;
  ZELI_Type* real_ = nullptr;
  ZELI_Type* integer_ = nullptr;
  ZELI_Type* string_ = nullptr;
  zel_status_t st_ = ZEL_OK;
};

// The outputs of one search of a waveform segment through the C interface
// (99, 9 and -1: not written). Closest-point searches give their point in
// lower.
struct Lookup {
  unsigned leg = 99, lower = 99, upper = 99;
  zel_bool_t exact = 9, interpolated = 9;
  double value = -1;
  zel_status_t st = ZEL_OK;
};

// Y at X (X at Y with ZEL_GetWfSegmentValueByY), searched from startLeg on.
Lookup ValueAt(ZEL_WfSegment* s, double sought, zel_bool_t closestOnly = 0, unsigned startLeg = 0,
               decltype(&ZEL_GetWfSegmentValueByX) search = ZEL_GetWfSegmentValueByX) {
  Lookup r;
  search(s, startLeg, 0, &sought, closestOnly, 0, &r.leg, &r.lower, &r.upper, &r.exact, &r.interpolated, &r.value,
         nullptr, &r.st);
  return r;
}

Lookup IndexAt(ZEL_WfSegment* s, double sought, unsigned startLeg = 0, unsigned startPoint = 0,
               zel_bool_t reverse = 0, decltype(&ZEL_GetWfSegmentIndexByX) search = ZEL_GetWfSegmentIndexByX) {
  Lookup r;
  search(s, startLeg, startPoint, &sought, reverse, &r.leg, &r.lower, &r.upper, &r.exact, &r.st);
  return r;
}

Lookup ClosestAt(ZEL_WfSegment* s, double sought, unsigned startLeg = 0,
                 decltype(&ZEL_GetWfSegmentClosestXValue) search = ZEL_GetWfSegmentClosestXValue) {
  Lookup r;
  search(s, startLeg, 0, &sought, 0, &r.leg, &r.lower, &r.exact, &r.value, &r.st);
  return r;
}

TEST_F(WfSegmentTest, AnEmptySegmentHasNoValueToReadOrFind) {
  auto segment = Real({});
  ZEL_WfSegment* s = segment->Get_ApiObject_p();
  EXPECT_EQ(ZEL_GetWfSegmentLegCount(s, &st_), 1u);
  unsigned counts[1] = {99};
  EXPECT_EQ(ZEL_GetWfSegmentPointCounts(s, counts, &st_), 0u);
  EXPECT_EQ(counts[0], 0u);
  EXPECT_EQ(ZEL_SetupGetWfSegmentPoint(s, 0, 0, &st_), 1u);
  EXPECT_EQ(st_, ZEL_OK);
  EXPECT_EQ(ZEL_GetWfSegmentYBuffer(s, &st_), nullptr);
  EXPECT_ZEL_FAILURE(st_, ZEL_BAD_ARG, "ZEL_GetWfSegmentYBuffer: Point index is out of range");
  EXPECT_EQ(ZEL_GetWfSegmentOrderBuffer(s, &st_), nullptr);
  EXPECT_ZEL_FAILURE(st_, ZEL_BAD_ARG, "ZEL_GetWfSegmentOrderBuffer: Point index is out of range");
  EXPECT_EQ(ZEL_GetWfSegmentConvertedXBuffer(s, &st_), nullptr);
  EXPECT_ZEL_FAILURE(st_, ZEL_BAD_ARG, "ZEL_GetWfSegmentConvertedXBuffer: Point index is out of range");
  EXPECT_EQ(ZEL_SetupGetWfSegmentBuffer(s, 0, 0, &st_), 0u);
  EXPECT_EQ(ZEL_SetupGetWfSegmentArray(s, 0, 0, &st_), 0u);
  EXPECT_EQ(ZEL_GetWfSegmentXBuffer(s, &st_), nullptr);
  EXPECT_EQ(st_, ZEL_BAD_ARG);
  EXPECT_EQ(ZEL_SetupGetWfSegmentPoint(s, 0, 1, &st_), 0u);
  EXPECT_ZEL_FAILURE(st_, ZEL_BAD_ARG, "ZEL_SetupGetWfSegmentPoint: Point index out of range");
  double x = 0;
  EXPECT_THROW(segment->Get_XPointValue(0, 0, &x), ZELI_BadArgException);
  // Summaries of nothing: no extremes to give.
  double min = 0, max = 0;
  ZEL_GetWfSegmentYMinMax(s, &min, &max, &st_);
  EXPECT_ZEL_FAILURE(st_, ZEL_FAILED, "ZEL_GetWfSegmentYMinMax: Min/Max values are not set.");
  ZEL_GetWfSegmentYMonotonicity(s, &st_);
  EXPECT_EQ(st_, ZEL_OK);
  // Nothing to find, and nothing is read there.
  const Lookup none = IndexAt(s, 1);
  EXPECT_EQ(none.st, ZEL_OK);
  EXPECT_EQ(none.leg, 1u);  // the leg count: nothing found
  EXPECT_EQ(ValueAt(s, 0).st, ZEL_NOT_FOUND);
  EXPECT_ZEL_FAILURE(ClosestAt(s, 1).st, ZEL_BAD_ARG, "ZEL_GetWfSegmentClosestXValue: Point index is out of range");
  const double sought = 1;
  double out = -1;
  unsigned lower = 9, upper = 9;
  segment->YAtX(0, 0, &sought, real_, real_, &out, &lower, &upper);
  EXPECT_EQ(out, -1.0);
  EXPECT_EQ(lower, 0u);
  EXPECT_EQ(upper, 0u);
}

TEST_F(WfSegmentTest, WindowCountsAndIndexChecks) {
  auto segment = Real({10, 11, 12, 13, 14});
  ZEL_WfSegment* s = segment->Get_ApiObject_p();
  EXPECT_EQ(ZEL_GetWfSegmentXBuffer(s, &st_), nullptr);
  EXPECT_ZEL_FAILURE(st_, ZEL_FAILED, "ZEL_GetWfSegmentXBuffer: No access window is set up");
  EXPECT_EQ(ZEL_GetWfSegmentLegPointCount(s, 0, &st_), 5u);
  ZEL_GetWfSegmentLegPointCount(s, 1, &st_);
  EXPECT_ZEL_FAILURE(st_, ZEL_BAD_ARG, "ZEL_GetWfSegmentLegPointCount: Leg index out of range");
  for (unsigned k = 0; k < 5; ++k) {
    EXPECT_EQ(ZEL_SetupGetWfSegmentBuffer(s, 0, k, &st_), 5 - k);
    EXPECT_EQ(Doubles(ZEL_GetWfSegmentYBuffer(s, &st_), 5 - k).front(), 10.0 + k);
    EXPECT_EQ(Doubles(ZEL_GetWfSegmentXBuffer(s, &st_), 5 - k).back(), 4.0);
  }
  // A failing Setup keeps the window it found.
  ZEL_SetupGetWfSegmentBuffer(s, 0, 2, &st_);
  ZEL_SetupGetWfSegmentPoint(s, 0, 5, &st_);
  EXPECT_ZEL_FAILURE(st_, ZEL_BAD_ARG, "ZEL_SetupGetWfSegmentPoint: Point index out of range");
  ZEL_SetupGetWfSegmentArray(s, 1, 0, &st_);
  EXPECT_ZEL_FAILURE(st_, ZEL_BAD_ARG, "ZEL_SetupGetWfSegmentArray: Leg index out of range");
  EXPECT_EQ(Doubles(ZEL_GetWfSegmentYBuffer(s, &st_), 3), (std::vector<double>{12, 13, 14}));
  // The whole leg from point 0; from point 1 no address can serve it.
  EXPECT_EQ(ZEL_SetupGetWfSegmentArray(s, 0, 0, &st_), 5u);
  EXPECT_EQ(Doubles(ZEL_GetWfSegmentYBuffer(s, &st_), 5), (std::vector<double>{10, 11, 12, 13, 14}));
  EXPECT_EQ(ZEL_SetupGetWfSegmentArray(s, 0, 1, &st_), 5u);
  EXPECT_EQ(ZEL_GetWfSegmentYBuffer(s, &st_), nullptr);
  EXPECT_ZEL_FAILURE(st_, ZEL_FAILED, "ZEL_GetWfSegmentYBuffer: Unimplemented ZELI_WfLeg::Get_YArrayAddress");
  ZEL_GetWfSegmentXBuffer(s, &st_);
  EXPECT_ZEL_FAILURE(st_, ZEL_FAILED, "ZEL_GetWfSegmentXBuffer: Unimplemented ZELI_WfLeg::Get_XArrayAddress");
  EXPECT_EQ(ZEL_SetupGetWfSegmentPoint(s, 0, 4, &st_), 1u);
  EXPECT_EQ(*static_cast<const double*>(ZEL_GetWfSegmentYBuffer(s, &st_)), 14.0);
  unsigned order = 9;
  EXPECT_THROW(segment->XYPoint(1, 0, nullptr, nullptr, &order), ZELI_BadArgException);
  const void *x = nullptr, *y = nullptr;
  const unsigned* o = nullptr;
  segment->XYAddress(0, 3, &x, &y, &o);
  EXPECT_EQ(*static_cast<const double*>(y), 13.0);
  EXPECT_EQ(o, nullptr);  // linear data give no order address
}

TEST_F(WfSegmentTest, LeadingAndTrailingPointsHaveTheirOwnValues) {
  auto segment = Real({10, 11, 12, 13}, ZEL_INTERPOLATION_POLYNOMIAL);
  const double leadX = -1, leadY = 9, trailX = 9, trailY = 99;
  const unsigned leadOrder = 2;
  ZELI_WfLeg leg(1, 3);  // stored 1 and 2, between the two extra points
  leg.hasLeading = leg.hasTrailing = true;
  leg.leading = {&leadX, &leadY, &leadOrder};
  leg.trailing = {&trailX, &trailY, nullptr};
  segment->TEST_Legs() = {leg};
  EXPECT_EQ(segment->PointCount(0), 4u);
  double x = 0, y = 0;
  unsigned order = 0;
  segment->XYPoint(0, 0, &x, &y, &order);
  EXPECT_EQ(x, -1.0);
  EXPECT_EQ(y, 9.0);
  EXPECT_EQ(order, 2u);
  segment->Get_YPointValue(0, 1, &y);
  EXPECT_EQ(y, 11.0);
  segment->Get_YPointValue(0, 3, &y);
  EXPECT_EQ(y, 99.0);
  EXPECT_EQ(segment->Setup_Buffer(0, 0), 1u);
  EXPECT_EQ(*segment->Get_OrderBuffer(), 2u);
  EXPECT_EQ(segment->Setup_Buffer(0, 1), 2u);
  EXPECT_EQ(segment->Setup_Buffer(0, 3), 1u);
  EXPECT_EQ(*static_cast<const double*>(segment->Get_XBuffer()), 9.0);
  // Polynomial data without an order for the point.
  EXPECT_THROW(segment->Get_OrderBuffer(), ZELI_FailedException);
  EXPECT_EQ(segment->Setup_Array(0, 1), 4u);
  EXPECT_THROW(segment->Get_YBuffer(), ZELI_FailedException);
  const void *xa = nullptr, *ya = nullptr;
  const unsigned* oa = nullptr;
  try {
    segment->XYAddress(0, 0, &xa, &ya, &oa);
    ADD_FAILURE() << "an extra point has no stored address";
  } catch (const ZELI_FailedException& e) {
    EXPECT_STREQ(e.what(), "ZELI_WfLeg::XYAddress implementation");
  }
}

TEST_F(WfSegmentTest, IndexedArrayIsCopiedOnceForBuffersOnly) {
  ZELI_CachedArray* values = Cached(real_, std::vector<double>{10, 20, 30});
  ZELI_CachedArray* index = Cached(integer_, std::vector<int>{2, 0, 1, 1});
  auto segment = Over(new ZELI_WfDataArray(*container_, index, values));
  const unsigned before = CacheCount();
  double y = 0;
  segment->Get_YPointValue(0, 0, &y);
  EXPECT_EQ(y, 30.0);
  EXPECT_EQ(segment->Setup_Point(0, 1), 1u);
  EXPECT_EQ(*static_cast<const double*>(segment->Get_YBuffer()), 10.0);
  EXPECT_TRUE(segment->Get_YDataArray_p()->IsIndexed());
  EXPECT_EQ(CacheCount(), before);
  double min = 0, max = 0;
  segment->Get_YMinMax(&min, &max);
  EXPECT_EQ(min, 10.0);
  EXPECT_EQ(max, 30.0);
  EXPECT_EQ(segment->Setup_Buffer(0, 1), 3u);
  EXPECT_EQ(Doubles(segment->Get_YBuffer(), 3), (std::vector<double>{10, 20, 20}));
  EXPECT_FALSE(segment->Get_YDataArray_p()->IsIndexed());
  EXPECT_EQ(CacheCount(), before + 1);
  EXPECT_EQ(segment->Setup_Buffer(0, 0), 4u);
  EXPECT_EQ(Doubles(segment->Get_YBuffer(), 4), (std::vector<double>{30, 10, 20, 20}));
  EXPECT_EQ(CacheCount(), before + 1);
  segment->Get_YMinMax(&min, &max);  // the summary moved with the copy
  EXPECT_EQ(max, 30.0);
}

TEST_F(WfSegmentTest, IndexOverEveryValueInOrderBuffersTheValueArrayItself) {
  ZELI_CachedArray* values = Cached(real_, std::vector<double>{30, 10, 20});
  const unsigned before = CacheCount() + 1;  // the index array below
  auto all = Over(new ZELI_WfDataArray(*container_, Cached(integer_, std::vector<int>{0, 1, 2}), values));
  EXPECT_EQ(all->Setup_Buffer(0, 0), 3u);
  EXPECT_EQ(all->Get_YBuffer(), values->Get_Data_p());  // no copy
  EXPECT_FALSE(all->Get_YDataArray_p()->IsIndexed());
  EXPECT_EQ(CacheCount(), before + 1);  // + the X values of Over, nothing else
  double min = 0, max = 0;
  all->Get_YMinMax(&min, &max);
  EXPECT_EQ(min, 10.0);
  EXPECT_EQ(max, 30.0);
  EXPECT_EQ(all->Get_YMonotonicity(), ZEL_MONOTONICITY_NONE);
  // The first values only, or a reordering: a buffer of its own.
  for (const std::vector<int>& indices : {std::vector<int>{0, 1}, std::vector<int>{1, 0, 2}}) {
    auto some = Over(new ZELI_WfDataArray(*container_, Cached(integer_, indices), values));
    some->Setup_Buffer(0, 0);
    EXPECT_NE(some->Get_YBuffer(), values->Get_Data_p());
    EXPECT_EQ(Doubles(some->Get_YBuffer(), 2), (std::vector<double>{indices[0] == 0 ? 30.0 : 10.0,
                                                                     indices[0] == 0 ? 10.0 : 30.0}));
  }
  // A copy of the array shares the buffer too; either may go first.
  auto copy = std::make_unique<ZELI_WfDataArray>(*all->Get_YDataArray_p());
  all.reset();
  EXPECT_EQ(Doubles(copy->Get_BufferAddress(0), 3), (std::vector<double>{30, 10, 20}));
  // Extremes given for the values are not what the points hold: the
  // points' own are determined.
  const double low = -1, high = 99;
  values->Get_DataInformation_p()->Set_MinMax(&low, &high);
  auto given = Over(new ZELI_WfDataArray(*container_, Cached(integer_, std::vector<int>{0, 1, 2}), values));
  given->Get_YMinMax(&min, &max);
  EXPECT_EQ(min, 10.0);
  EXPECT_EQ(max, 30.0);
}

TEST_F(WfSegmentTest, OrderBufferFollowsTheInterpolationType) {
  for (zel_interpolation_t type : {ZEL_INTERPOLATION_CONSTANT, ZEL_INTERPOLATION_LINEAR}) {
    auto segment = Real({1, 2, 3, 4, 5}, type);
    segment->Setup_Buffer(0, 0);
    const unsigned* orders = segment->Get_OrderBuffer();
    const unsigned expected = type == ZEL_INTERPOLATION_LINEAR ? 1 : 0;
    EXPECT_EQ(std::vector<unsigned>(orders, orders + 5), std::vector<unsigned>(5, expected));
  }
  auto none = Real({1, 2}, ZEL_INTERPOLATION_NONE);
  ZEL_WfSegment* s = none->Get_ApiObject_p();
  ZEL_SetupGetWfSegmentBuffer(s, 0, 0, &st_);
  EXPECT_EQ(ZEL_GetWfSegmentOrderBuffer(s, &st_), nullptr);
  EXPECT_ZEL_FAILURE(st_, ZEL_FAILED, "ZEL_GetWfSegmentOrderBuffer: The waveform cannot be interpolated");

  ZELI_CachedArray* orders = Cached(integer_, std::vector<int>{0, 1, 2, 1});
  auto polynomial = Over(Direct(Cached(real_, std::vector<double>{1, 2, 3, 4})), ZEL_INTERPOLATION_POLYNOMIAL, orders);
  polynomial->Setup_Buffer(0, 1);
  const unsigned* o = polynomial->Get_OrderBuffer();
  EXPECT_EQ(std::vector<unsigned>(o, o + 3), (std::vector<unsigned>{1, 2, 1}));
  unsigned order = 0;
  polynomial->XYPoint(0, 2, nullptr, nullptr, &order);
  EXPECT_EQ(order, 2u);
  polynomial->Setup_Array(0, 1);
  EXPECT_THROW(polynomial->Get_OrderBuffer(), ZELI_FailedException);

  struct Case {
    zel_interpolation_t type;
    const char* message;
  };
  const zel_interpolation_t beyond = static_cast<zel_interpolation_t>(6);
  for (const Case& c : {Case{ZEL_INTERPOLATION_MIXED, "ZELI_WfSegment: Implementation error"},
                        Case{ZEL_INTERPOLATION_DEFAULT, "ZELI_WfSegment: Implementation error"},
                        Case{beyond, "ZELI_WfSegment: Unimplemented interpolation type"}}) {
    auto segment = Real({1}, c.type);
    ZEL_SetupGetWfSegmentPoint(segment->Get_ApiObject_p(), 0, 0, &st_);
    ZEL_GetWfSegmentOrderBuffer(segment->Get_ApiObject_p(), &st_);
    EXPECT_ZEL_FAILURE(st_, ZEL_FAILED, (std::string("ZEL_GetWfSegmentOrderBuffer: ") + c.message).c_str());
    EXPECT_THROW(segment->XYPoint(0, 0, nullptr, nullptr, &order), ZELI_FailedException);
  }
}

TEST_F(WfSegmentTest, ConvertedTextsFreeExactlyWhatTheyFilled) {
  ZELI_ConvertedTexts texts;
  char** entries = texts.Prepare(5);
  texts.Append(strdup("a"));
  texts.Append(strdup("b"));
  EXPECT_EQ(texts.Get_FilledCount(), 2u);
  texts.Clear();
  EXPECT_EQ(texts.Get_FilledCount(), 0u);
  EXPECT_EQ(entries[0], nullptr);
  entries = texts.Prepare(1);  // the longer array stays, with nothing to free
  texts.Append(strdup("c"));
  EXPECT_STREQ(entries[0], "c");
  EXPECT_EQ(entries[1], nullptr);
}

TEST_F(WfSegmentTest, ConvertedBuffersAndValuesOfNumbersAndStrings) {
  auto segment = Over(Direct(Texts({"alpha", "", "gamma"})));
  ZEL_WfSegment* s = segment->Get_ApiObject_p();
  ASSERT_EQ(ZEL_SetupGetWfSegmentBuffer(s, 0, 1, &st_), 2u);
  const char* const* y = ZEL_GetWfSegmentConvertedYBuffer(s, &st_);
  ASSERT_EQ(st_, ZEL_OK) << ZEL_GetError();
  EXPECT_STREQ(y[0], "");
  EXPECT_STREQ(y[1], "gamma");
  const char* const* x = ZEL_GetWfSegmentConvertedXBuffer(s, &st_);
  EXPECT_STREQ(x[0], "1");
  EXPECT_STREQ(x[1], "2");
  // Windows of other lengths, with only one axis converted: each Setup
  // frees exactly the texts the previous window filled.
  ZEL_SetupGetWfSegmentPoint(s, 0, 0, &st_);
  EXPECT_STREQ(ZEL_GetWfSegmentConvertedYBuffer(s, &st_)[0], "alpha");
  ZEL_SetupGetWfSegmentBuffer(s, 0, 0, &st_);
  EXPECT_STREQ(ZEL_GetWfSegmentConvertedXBuffer(s, &st_)[2], "2");
  ZEL_SetupGetWfSegmentPoint(s, 0, 2, &st_);

  const double value = 2.5;
  const char* first = ZEL_GetWfSegmentConvertedXValue(s, &value, &st_);
  EXPECT_STREQ(first, "2.5");
  const double other = -0.125;
  EXPECT_STREQ(ZEL_GetWfSegmentConvertedXValue(s, &other, &st_), "-0.125");  // the first text is freed
  const char* text = "delta";
  EXPECT_STREQ(ZEL_GetWfSegmentConvertedYValue(s, &text, &st_), "delta");
  ZEL_GetWfSegmentConvertedYValue(s, nullptr, &st_);
  EXPECT_ZEL_FAILURE(st_, ZEL_BAD_ARG, "ZEL_GetWfSegmentConvertedYValue: value is null");
}

TEST_F(WfSegmentTest, SummariesComeFromTheDataInformation) {
  auto segment = Real({3, 1, 2});
  segment->Get_XDataArray_p()->Get_DataInformation_p()->Set_DataSpacing(ZEL_DATASPACING_LINEAR_EQUIDISTANT);
  ZEL_WfSegment* s = segment->Get_ApiObject_p();
  EXPECT_EQ(ZEL_GetWfSegmentXMonotonicity(s, &st_), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  EXPECT_EQ(ZEL_GetWfSegmentYMonotonicity(s, &st_), ZEL_MONOTONICITY_NONE);
  EXPECT_EQ(ZEL_GetWfSegmentXDataSpacing(s, &st_), ZEL_DATASPACING_LINEAR_EQUIDISTANT);
  EXPECT_EQ(ZEL_GetWfSegmentYDataSpacing(s, &st_), ZEL_DATASPACING_UNKNOWN);
  EXPECT_EQ(ZEL_GetWfSegmentXInterpolationType(s, &st_), ZEL_INTERPOLATION_LINEAR);
  double min = 0, max = 0;
  ZEL_GetWfSegmentYMinMax(s, &min, &max, &st_);
  EXPECT_EQ(min, 1.0);
  EXPECT_EQ(max, 3.0);
  ZEL_GetWfSegmentXMinMax(s, &min, nullptr, &st_);
  EXPECT_ZEL_FAILURE(st_, ZEL_BAD_ARG, "ZEL_GetWfSegmentXMinMax: max is null");
  auto texts = Over(Direct(Texts({"b", "a"})));
  char *tmin = nullptr, *tmax = nullptr;
  ZEL_GetWfSegmentYMinMax(texts->Get_ApiObject_p(), &tmin, &tmax, &st_);
  EXPECT_STREQ(tmin, "a");
  EXPECT_STREQ(tmax, "b");
  std::free(tmin);
  std::free(tmax);
}

TEST_F(WfSegmentTest, FunctionsNotProvidedFailWithTheirMessages) {
  auto segment = Real({1, 2});
  ZEL_WfSegment* s = segment->Get_ApiObject_p();
  ZEL_SetupGetWfSegmentPoint(s, 0, 0, &st_);
  double v = 0;
  struct Case {
    std::function<void()> call;
    const char* function;
    const char* message;
  };
  const Case cases[] = {
      {[&] { ZEL_GetWfSegmentCPBuffer(s, &st_); }, "ZEL_GetWfSegmentCPBuffer",
       "Unimplemented ZELI_WfSegment::Get_CPBuffer"},
      {[&] { ZEL_GetWfSegmentDeltaCycleBuffer(s, &st_); }, "ZEL_GetWfSegmentDeltaCycleBuffer",
       "Unimplemented ZELI_WfSegment::Get_DeltaCycleBuffer"},
      {[&] { ZEL_GetWfSegmentFlagBuffer(s, &st_); }, "ZEL_GetWfSegmentFlagBuffer",
       "Unimplemented ZELI_WfSegment::Get_FlagBuffer"},
      {[&] { ZEL_GetWfSegmentConvertedCPBuffer(s, &st_); }, "ZEL_GetWfSegmentConvertedCPBuffer",
       "Unimplemented ZELI_WfSegment::Get_CPBuffer"},
      {[&] { ZEL_GetWfSegmentConvertedCPValue(s, &v, &st_); }, "ZEL_GetWfSegmentConvertedCPValue",
       "Unimplemented ZELI_WfSegment::Get_CPType_p"},
      {[&] { ZEL_GetWfSegmentCPDataSpacing(s, &st_); }, "ZEL_GetWfSegmentCPDataSpacing",
       "Unimplemented: ZELI_WfSegment::Get_CPDataSpacing ()"},
      {[&] { ZEL_GetWfSegmentCPMonotonicity(s, &st_); }, "ZEL_GetWfSegmentCPMonotonicity",
       "Unimplemented: ZELI_WfSegment::Get_CPMonotonicity ()"},
      {[&] { ZEL_GetWfSegmentCPMinMax(s, &v, &v, &st_); }, "ZEL_GetWfSegmentCPMinMax",
       "Unimplemented: ZELI_WfSegment::Get_CPMinMax ()"},
      {[&] { ZEL_GetWfSegmentYInterpolationType(s, &st_); }, "ZEL_GetWfSegmentYInterpolationType",
       "Unimplemented: ZELI_WfSegment::Get_YInterpolationType ()"},
      {[&] { ZEL_GetWfSegmentCPInterpolationType(s, &st_); }, "ZEL_GetWfSegmentCPInterpolationType",
       "Unimplemented: ZELI_WfSegment::Get_CPInterpolationType ()"},
      {[&] { ZEL_GetWfSegmentParameterValue(s, 0, &v, &st_); }, "ZEL_GetWfSegmentParameterValue",
       "The view is not open"},
      {[&] { ZEL_GetWfSegmentParameterConvertedValue(s, 0, &st_); }, "ZEL_GetWfSegmentParameterConvertedValue",
       "The view is not open"},
      {[&] { ZEL_GetWfSegmentParameterValueIndex(s, 0, &st_); }, "ZEL_GetWfSegmentParameterValueIndex",
       "The view is not open"},
      {[&] { st_ = RunInFrame("cp-point", [&] { segment->Get_CPPointValue(0, 0, &v); }); }, "cp-point",
       "Unimplemented ZELI_WfSegment::Get_CPPointValue"},
      {[&] { st_ = RunInFrame("cp-address", [&] { segment->Get_Leg(0).Get_CPPointAddress(0); }); }, "cp-address",
       "Unimplemented ZELI_WfLeg::Get_CPPointAddress"},
  };
  for (const Case& c : cases) {
    st_ = ZEL_OK;
    c.call();
    EXPECT_EQ(st_, ZEL_FAILED) << c.function;
    EXPECT_EQ(std::string(ZEL_GetError()), std::string(c.function) + ": " + c.message);
  }
  // The wrapper's members report the same failures as ZEL_Exception.
  try {
    s->GetWfSegmentCPBuffer();
    ADD_FAILURE() << "no exception";
  } catch (const ZEL_Exception& e) {
    EXPECT_EQ(e.status(), ZEL_FAILED);
    EXPECT_STREQ(e.what(), "Unimplemented ZELI_WfSegment::Get_CPBuffer");
  }
}

TEST_F(WfSegmentTest, NullStaleAndForeignSegmentPointersAreBadHandles) {
  auto segment = Real({1, 2});
  ZEL_WfSegment* s = segment->Get_ApiObject_p();
  EXPECT_TRUE(ZEL_WfSegment::IsLive(s));
  int notASegment = 0;
  for (ZEL_WfSegment* bad : {static_cast<ZEL_WfSegment*>(nullptr), reinterpret_cast<ZEL_WfSegment*>(&notASegment)}) {
    EXPECT_EQ(ZEL_GetWfSegmentLegCount(bad, &st_), 0u);
    EXPECT_ZEL_FAILURE(st_, ZEL_BAD_HANDLE, "ZEL_GetWfSegmentLegCount: Bad handle: wrong handle (deleted?)");
  }
  ZEL_GetWfSegmentPointCounts(s, nullptr, &st_);
  EXPECT_ZEL_FAILURE(st_, ZEL_BAD_ARG, "ZEL_GetWfSegmentPointCounts: counts is null");
  ZEL_GetWfSegmentParameterValue(s, 0, nullptr, &st_);
  EXPECT_EQ(st_, ZEL_BAD_ARG);
  ZEL_SetWfSegmentXDataArray_p(s, nullptr, &st_);
  EXPECT_ZEL_FAILURE(st_, ZEL_BAD_ARG, "ZEL_SetWfSegmentXDataArray_p: array is null");
  EXPECT_EQ(ZEL_SetupGetWfSegmentPoint(s, 0, 1, nullptr), 1u);  // no status wanted
  segment.reset();
  EXPECT_FALSE(ZEL_WfSegment::IsLive(s));
  ZEL_GetWfSegmentYBuffer(s, &st_);
  EXPECT_ZEL_FAILURE(st_, ZEL_BAD_HANDLE, "ZEL_GetWfSegmentYBuffer: Bad handle: wrong handle (deleted?)");
}

TEST_F(WfSegmentTest, SetDataArrayTakesOwnershipOfAFreeArrayOnlyAndCopySharesTheCachedArray) {
  auto segment = Real({1, 2, 3});
  auto other = Real({7, 8, 9});
  ZEL_WfSegment* s = segment->Get_ApiObject_p();
  ZELI_WfDataArray* old = segment->Get_YDataArray_p();
  EXPECT_EQ(ZEL_GetWfSegmentYDataArray_p(s, &st_), old);
  ZEL_SetWfSegmentYDataArray_p(s, old, &st_);  // already installed: nothing changes
  EXPECT_EQ(st_, ZEL_OK);

  std::unique_ptr<ZELI_WfDataArray> shortArray(Direct(Cached(real_, std::vector<double>{1, 2})));
  ZELI_Container* second = nullptr;
  AddTestContainer(session_, &second);
  std::unique_ptr<ZELI_WfDataArray> foreign(
      new ZELI_WfDataArray(*second, Cached(real_, std::vector<double>{1, 2, 3}, second)));
  int notAnArray = 0;
  struct Case {
    void* array;
    const char* message;
  } refused[] = {
      {shortArray.get(), "The data array's point count differs from the waveform segment's"},
      {foreign.get(), "The data array belongs to another container"},
      {other->Get_XDataArray_p(), "The data array belongs to a waveform segment"},
      {segment->Get_XDataArray_p(), "The data array belongs to a waveform segment"},
      {&notAnArray, "Not a waveform data array"},
  };
  for (const Case& c : refused) {
    ZEL_SetWfSegmentYDataArray_p(s, c.array, &st_);
    EXPECT_ZEL_FAILURE(st_, ZEL_BAD_ARG, (std::string("ZEL_SetWfSegmentYDataArray_p: ") + c.message).c_str());
    EXPECT_EQ(segment->Get_YDataArray_p(), old);
  }
  // A free array of the same container and count: the segment owns it and
  // deletes the old one with its private cached array.
  const unsigned before = CacheCount();
  ZELI_WfDataArray* fresh = Direct(Cached(real_, std::vector<double>{4, 5, 6}));
  ZEL_SetWfSegmentYDataArray_p(s, fresh, &st_);
  ASSERT_EQ(st_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(segment->Get_YDataArray_p(), fresh);
  EXPECT_EQ(fresh->Get_Owner_p(), segment.get());
  EXPECT_EQ(CacheCount(), before);  // one added, the old one's gone
  double y = 0;
  segment->Get_YPointValue(0, 2, &y);
  EXPECT_EQ(y, 6.0);

  // A copied X array shares the other segment's cached array.
  ZELI_CachedArray* shared = other->Get_YDataArray_p()->Get_DirectArray_p();
  ZEL_CopyWfSegmentXDataArray_p(s, other->Get_YDataArray_p(), &st_);
  ASSERT_EQ(st_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(segment->Get_XDataArray_p()->Get_DirectArray_p(), shared);
  EXPECT_EQ(shared->Get_ReferenceCount(), 2u);
  // Its own X array as the source: copied before the old one goes.
  ZEL_CopyWfSegmentXDataArray_p(s, segment->Get_XDataArray_p(), &st_);
  ASSERT_EQ(st_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(shared->Get_ReferenceCount(), 2u);
  double x = 0;
  segment->Get_XPointValue(0, 0, &x);
  EXPECT_EQ(x, 7.0);
  other.reset();
  EXPECT_EQ(shared->Get_ReferenceCount(), 1u);
}

TEST_F(WfSegmentTest, ReplacedValuesAndCollectedPoints) {
  auto segment = Real({1, 2, 3}, ZEL_INTERPOLATION_POLYNOMIAL);
  segment->Get_YDataArray_p()->Get_DataInformation_p()->Set_DataSpacing(ZEL_DATASPACING_LOG_EQUIDISTANT);
  auto* values = static_cast<double*>(real_->ReallocData(nullptr, 3, 0));
  values[0] = 9, values[1] = 8, values[2] = 7;
  segment->ReplaceWfDataArray(ZELI_WfSegment::Y_AXIS, real_, values, 3);
  EXPECT_EQ(segment->Get_YMonotonicity(), ZEL_MONOTONICITY_STRICTLY_DECREASING);
  EXPECT_EQ(segment->Get_YDataSpacing(), ZEL_DATASPACING_LOG_EQUIDISTANT);
  EXPECT_THROW(segment->ReplaceWfDataArray(ZELI_WfSegment::Y_AXIS, real_, real_->ReallocData(nullptr, 2, 0), 2),
               ZELI_FailedException);  // the values are freed all the same

  ZELI_XYPoints points(real_, string_);
  for (unsigned i = 0; i < 250; ++i) {  // grows from 100 to 200 to 400
    const double x = i * 0.5;
    const std::string text = "p" + std::to_string(i);
    const char* y = text.c_str();
    points.EnterXYPoint(&x, &y);
  }
  segment->Setup_Buffer(0, 0);
  segment->ReplaceXYData(points);
  EXPECT_EQ(segment->Get_LegCount(), 1u);
  EXPECT_EQ(segment->PointCount(0), 250u);
  EXPECT_EQ(segment->Get_XInterpolationType(), ZEL_INTERPOLATION_LINEAR);
  EXPECT_THROW(segment->Get_YBuffer(), ZELI_FailedException);  // the old window is gone
  EXPECT_EQ(segment->Setup_Point(0, 249), 1u);
  EXPECT_STREQ(segment->Get_ConvertedYBuffer()[0], "p249");
  EXPECT_EQ(*static_cast<const double*>(segment->Get_XBuffer()), 124.5);
}

TEST_F(WfSegmentTest, DerivedSegmentsShareDataAndOrders) {
  ZELI_CachedArray* orders = Cached(integer_, std::vector<int>{1, 2});
  auto segment = Over(Direct(Cached(real_, std::vector<double>{5, 6})), ZEL_INTERPOLATION_POLYNOMIAL, orders);
  EXPECT_EQ(orders->Get_ReferenceCount(), 1u);
  auto swapped = segment->SwapXY();
  EXPECT_EQ(orders->Get_ReferenceCount(), 2u);
  double x = 0, y = 0;
  swapped->XYPoint(0, 1, &x, &y, nullptr);
  EXPECT_EQ(x, 6.0);
  EXPECT_EQ(y, 1.0);
  EXPECT_EQ(swapped->Get_XInterpolationType(), ZEL_INTERPOLATION_POLYNOMIAL);
  auto xx = segment->DuplicateXToY();
  auto yy = segment->DuplicateYToX();
  xx->XYPoint(0, 1, &x, &y, nullptr);
  EXPECT_EQ(x, y);
  yy->Get_XPointValue(0, 0, &x);
  EXPECT_EQ(x, 5.0);
  EXPECT_EQ(orders->Get_ReferenceCount(), 4u);
  segment->ConvertPolynomialInterpolationToLinear();
  EXPECT_EQ(segment->Get_XInterpolationType(), ZEL_INTERPOLATION_LINEAR);
  EXPECT_EQ(segment->Get_OrderArray_p(), nullptr);
  EXPECT_EQ(orders->Get_ReferenceCount(), 3u);
  auto constant = Real({1, 2}, ZEL_INTERPOLATION_CONSTANT);
  EXPECT_EQ(constant->SwapXY()->Get_XInterpolationType(), ZEL_INTERPOLATION_NONE);
}

TEST_F(WfSegmentTest, ValueByXInterpolatesByTheSegmentsType) {
  // X 0, 1, 2 and Y 0, 1, 4, looked up at X = 1.5.
  const std::vector<double> y = {0, 1, 4};
  const Lookup linear = ValueAt(Real(y)->Get_ApiObject_p(), 1.5);
  EXPECT_EQ(linear.st, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(linear.value, 2.5);
  EXPECT_EQ(linear.interpolated, 1);
  EXPECT_EQ(linear.exact, 0);
  EXPECT_EQ(linear.lower, 1u);
  EXPECT_EQ(linear.upper, 2u);
  EXPECT_EQ(ValueAt(Real(y, ZEL_INTERPOLATION_CONSTANT)->Get_ApiObject_p(), 1.5).value, 1.0);
  const Lookup none = ValueAt(Real(y, ZEL_INTERPOLATION_NONE)->Get_ApiObject_p(), 1.6);
  EXPECT_EQ(none.value, 4.0);
  EXPECT_EQ(none.interpolated, 1);
  EXPECT_EQ(ValueAt(Real(y)->Get_ApiObject_p(), 1.4, 1).value, 1.0);
  // Order 2 stored for the lower point: the quadratic through (0,0), (1,1), (2,4).
  ZELI_CachedArray* orders = Cached(integer_, std::vector<int>{1, 2, 1});
  auto polynomial = Over(Direct(Cached(real_, y)), ZEL_INTERPOLATION_POLYNOMIAL, orders);
  EXPECT_DOUBLE_EQ(ValueAt(polynomial->Get_ApiObject_p(), 1.5).value, 2.25);
  // Y at X as readers use it: the polynomial type takes the upper point's order.
  double at = 0.5, out = 0;
  unsigned lower = 0, upper = 0;
  polynomial->YAtX(0, 0, &at, real_, real_, &out, &lower, &upper);
  EXPECT_DOUBLE_EQ(out, 0.5);
}

TEST_F(WfSegmentTest, SearchBracketsAtTheEdgesAndOutside) {
  auto segment = Real({5, 6, 7});
  ZEL_WfSegment* s = segment->Get_ApiObject_p();
  const Lookup first = ValueAt(s, 0);
  EXPECT_EQ(first.value, 5.0);
  EXPECT_EQ(first.exact, 1);
  EXPECT_EQ(first.interpolated, 0);
  EXPECT_EQ(first.lower, 0u);
  EXPECT_EQ(first.upper, 1u);
  const Lookup last = ValueAt(s, 2);
  EXPECT_EQ(last.lower, 2u);
  EXPECT_EQ(last.upper, 3u);
  const Lookup below = ValueAt(s, -0.5);
  EXPECT_EQ(below.value, -1.0);
  EXPECT_ZEL_FAILURE(below.st, ZEL_NOT_FOUND, "ZEL_GetWfSegmentValueByX: No such value");
  EXPECT_EQ(ValueAt(s, 2.5).st, ZEL_NOT_FOUND);

  // Nothing found beyond the points, nor from a start leg past the last leg:
  // the leg count, zero indices.
  for (unsigned startLeg : {0u, 1u}) {
    const Lookup nothing = IndexAt(s, 3, startLeg);
    EXPECT_EQ(nothing.st, ZEL_OK);
    EXPECT_EQ(nothing.leg, 1u);
    EXPECT_EQ(nothing.lower + nothing.upper + nothing.exact, 0u);
  }
  EXPECT_ZEL_FAILURE(IndexAt(s, 3, 0, 0, 1).st, ZEL_FAILED,
                     "ZEL_GetWfSegmentIndexByX: ZELI_WfSegment::Get_IndexByX: unimplemented reverse search");
  const Lookup pastLastLeg = ValueAt(s, 3, 0, 1);
  EXPECT_ZEL_FAILURE(pastLastLeg.st, ZEL_NOT_FOUND, "ZEL_GetWfSegmentValueByX: No such value");
  EXPECT_EQ(pastLastLeg.value, -1.0);
  EXPECT_ZEL_FAILURE(ClosestAt(s, 3, 1).st, ZEL_BAD_ARG, "ZEL_GetWfSegmentClosestXValue: Leg index is invalid.");
  EXPECT_ZEL_FAILURE(IndexAt(s, 3, 0, 3).st, ZEL_BAD_ARG, "ZEL_GetWfSegmentIndexByX: Point index is out of range");
  EXPECT_ZEL_FAILURE(IndexAt(s, 3, 0, 0, 0, ZEL_GetWfSegmentIndexByCP).st, ZEL_FAILED,
                     "ZEL_GetWfSegmentIndexByCP: Unimplemented ZELI_WfSegment::Get_IndexByCP");
  unsigned lower = 9, upper = 9;
  zel_bool_t exact = 9;
  double x = 3;
  ZEL_GetWfSegmentIndexByX(s, 0, 0, &x, 0, nullptr, &lower, &upper, &exact, &st_);
  EXPECT_EQ(st_, ZEL_BAD_ARG);

  // A CP output is refused before the caller's value is written.
  unsigned leg = 9;
  zel_bool_t interpolated = 0;
  double y = -1, cp = 0;
  x = 0.5;
  ZEL_GetWfSegmentValueByX(s, 0, 0, &x, 0, 0, &leg, &lower, &upper, &exact, &interpolated, &y, &cp, &st_);
  EXPECT_ZEL_FAILURE(st_, ZEL_FAILED, "ZEL_GetWfSegmentValueByX: Unimplemented ZELI_WfSegment::Get_CPType_p");
  EXPECT_EQ(y, -1.0);
}

TEST_F(WfSegmentTest, ClosestValuesAndUnorderedData) {
  // Y 0, 2, 0 is not monotonic: the first crossing of 1 wins.
  auto segment = Real({0, 2, 0});
  ZEL_WfSegment* s = segment->Get_ApiObject_p();
  const Lookup crossing = IndexAt(s, 1, 0, 0, 0, ZEL_GetWfSegmentIndexByY);
  EXPECT_EQ(crossing.lower, 0u);
  EXPECT_EQ(crossing.upper, 1u);
  EXPECT_EQ(crossing.exact, 0);
  const Lookup closestX = ClosestAt(s, 1.6);
  EXPECT_EQ(closestX.lower, 2u);
  EXPECT_EQ(closestX.value, 2.0);
  const Lookup closestY = ClosestAt(s, 2, 0, ZEL_GetWfSegmentClosestYValue);
  EXPECT_EQ(closestY.lower, 1u);
  EXPECT_EQ(closestY.exact, 1);

  // An indexed array is searched without being copied.
  ZELI_CachedArray* values = Cached(real_, std::vector<double>{10, 20, 30});
  ZELI_CachedArray* index = Cached(integer_, std::vector<int>{0, 1, 2, 2});
  auto indexed = Over(new ZELI_WfDataArray(*container_, index, values));
  const unsigned before = CacheCount();
  const Lookup xAtY = ValueAt(indexed->Get_ApiObject_p(), 25, 0, 0, ZEL_GetWfSegmentValueByY);
  EXPECT_EQ(xAtY.st, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(xAtY.value, 1.5);
  EXPECT_TRUE(indexed->Get_YDataArray_p()->IsIndexed());
  EXPECT_EQ(CacheCount(), before);
}

}  // namespace
}  // namespace zeltest
