// Data information: the refusals of MIXED and DEFAULT, given versus
// determined monotonicity and extremes, the ordering of every value kind
// (levels, NaN steps, float neighbours, complex and string order), the
// indexed form, copying, the determination a cached array leaves for later,
// and the stored record (round trip, the other byte order, old versions,
// corrupted records).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "store/stream.h"
#include "test_support.h"
#include "types/composite_types.h"
#include "types/dcomplex.h"
#include "types/discrete_types.h"
#include "types/enumeration_type.h"
#include "types/scalar_types.h"
#include "types/universal_types.h"
#include "model/cached_array.h"
#include "model/data_information.h"

namespace {

using zeltest::ByteWriter;

template <typename T>
T MinOf(const ZELI_DataInformation& info) {
  T value;
  std::memcpy(&value, info.Get_Min_p(), sizeof value);
  return value;
}
template <typename T>
T MaxOf(const ZELI_DataInformation& info) {
  T value;
  std::memcpy(&value, info.Get_Max_p(), sizeof value);
  return value;
}

// Determines over values with a fresh information of type.
template <typename T>
ZELI_DataInformation Determine(ZELI_Type& type, const std::vector<T>& values) {
  ZELI_DataInformation info(&type);
  info.DetermineMonMinMax(values.data(), static_cast<unsigned>(values.size()));
  return info;
}

class DataInformationTest : public ::testing::Test {
 protected:
  ZELI_RealType real_{"r"};
  ZELI_IntegerType integer_{"i"};
  ZELI_FloatType float_{"f"};
  zeltest::TempDir dir_;
};

// Refused settings leave the information as it was (compression at its
// default of 1).
TEST_F(DataInformationTest, RefusesMixedDefaultAndInvalidSettings) {
  ZELI_DataInformation info(&real_);
  info.Set_Monotonicity(ZEL_MONOTONICITY_DECREASING);
  info.Set_DataSpacing(ZEL_DATASPACING_LOG_EQUIDISTANT);
  info.Set_InterpolationType(ZEL_INTERPOLATION_LINEAR);
  double min = 0, max = 0;
  struct Refusal {
    std::function<void()> set;
    const char* message;
    zel_status_t status = ZEL_BAD_ARG;
  } refusals[] = {
      {[&] { info.Set_Monotonicity(ZEL_MONOTONICITY_MIXED); }, "Explicitly setting MIXED/DEFAULT monotonicity"},
      {[&] { info.Set_Monotonicity(ZEL_MONOTONICITY_DEFAULT); }, "Explicitly setting MIXED/DEFAULT monotonicity"},
      {[&] { info.Set_DataSpacing(ZEL_DATASPACING_MIXED); }, "Explicitly setting MIXED/DEFAULT data spacing"},
      {[&] { info.Set_DataSpacing(ZEL_DATASPACING_DEFAULT); }, "Explicitly setting MIXED/DEFAULT data spacing"},
      {[&] { info.Set_InterpolationType(ZEL_INTERPOLATION_MIXED); },
       "Explicitly setting MIXED/DEFAULT interpolationType"},
      {[&] { info.Set_InterpolationType(ZEL_INTERPOLATION_DEFAULT); },
       "Explicitly setting MIXED/DEFAULT interpolationType"},
      {[&] { info.Set_Monotonicity(static_cast<zel_monotonicity_t>(8)); }, "Invalid monotonicity"},
      {[&] { info.Set_DataSpacing(static_cast<zel_dataSpacing_t>(-1)); }, "Invalid data spacing"},
      {[&] { info.Set_InterpolationType(static_cast<zel_interpolation_t>(6)); }, "Invalid interpolationType"},
      {[&] { info.Set_Compression(256); }, "Compression does not fit in one byte"},
      {[&] { info.Get_MinMax(&min, &max); }, "Min/Max values are not set.", ZEL_FAILED},
  };
  for (const Refusal& r : refusals) {
    try {
      r.set();
      ADD_FAILURE() << r.message;
    } catch (const ZELI_Exception& e) {
      EXPECT_EQ(e.status, r.status);
      EXPECT_STREQ(e.what(), r.message);
    }
  }
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_DECREASING);
  EXPECT_EQ(info.Get_DataSpacing(), ZEL_DATASPACING_LOG_EQUIDISTANT);
  EXPECT_EQ(info.Get_InterpolationType(), ZEL_INTERPOLATION_LINEAR);
  EXPECT_EQ(info.Get_Compression(), 1);
  EXPECT_EQ(info.Get_CompressionUserCode(), 0);
}

TEST_F(DataInformationTest, DeterminesMonotonicityAndExtremes) {
  struct Case {
    std::vector<double> values;
    zel_monotonicity_t monotonicity;
    double min, max;
  } cases[] = {
      {{5}, ZEL_MONOTONICITY_STRICTLY_INCREASING, 5, 5},
      {{4, 4, 4}, ZEL_MONOTONICITY_NONE, 4, 4},
      {{1, 2, 2, 3}, ZEL_MONOTONICITY_INCREASING, 1, 3},
      {{3, 2, 1}, ZEL_MONOTONICITY_STRICTLY_DECREASING, 1, 3},
      {{3, 3, 1}, ZEL_MONOTONICITY_DECREASING, 1, 3},
      {{1, 3, 2}, ZEL_MONOTONICITY_NONE, 1, 3},
      {{-1, -0.5, 7}, ZEL_MONOTONICITY_STRICTLY_INCREASING, -1, 7},
  };
  for (const Case& c : cases) {
    const ZELI_DataInformation info = Determine(real_, c.values);
    EXPECT_EQ(info.Get_Monotonicity(), c.monotonicity) << c.values.size();
    EXPECT_EQ(MinOf<double>(info), c.min);
    EXPECT_EQ(MaxOf<double>(info), c.max);
    EXPECT_FALSE(info.IsMinMaxGiven());
  }
  // No values change nothing; composite values are left alone.
  ZELI_DataInformation empty(&real_);
  empty.DetermineMonMinMax(nullptr, 0);
  EXPECT_EQ(empty.Get_Monotonicity(), ZEL_MONOTONICITY_UNKNOWN);
  ZELI_Type* elements[] = {&real_, &integer_};
  const char* names[] = {"a", "b"};
  ZELI_RecordType record("rec", 2, names, elements);
  std::vector<unsigned char> records(3 * record.Get_SizeOf(), 1);
  ZELI_DataInformation composite(&record);
  composite.DetermineMonMinMax(records.data(), 3);
  EXPECT_EQ(composite.Get_Monotonicity(), ZEL_MONOTONICITY_UNKNOWN);
  EXPECT_FALSE(composite.IsMinMaxSet());
}

TEST_F(DataInformationTest, DeterminedValuesAreRecomputedGivenOnesAreKept) {
  // One value, then a falling one: recomputed, not kept as increasing.
  ZELI_DataInformation info(&real_);
  std::vector<double> values = {2};
  info.DetermineMonMinMax(values.data(), 1);
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  values = {2, 1};
  info.DetermineMonMinMax(values.data(), 2);
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_DECREASING);
  EXPECT_EQ(MinOf<double>(info), 1);
  EXPECT_EQ(MaxOf<double>(info), 2);
  // Rising, then falling after it: neither, with the true extremes.
  values = {1, 2, 3};
  info.DetermineMonMinMax(values.data(), 3);
  values = {1, 2, 3, 0, -4};
  info.DetermineMonMinMax(values.data(), 5);
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_NONE);
  EXPECT_EQ(MinOf<double>(info), -4);
  EXPECT_EQ(MaxOf<double>(info), 3);

  // Given extremes survive every determination; unsetting lets them go.
  const double low = -100, high = 100;
  info.Set_MinMax(&low, &high);
  values = {5, 6};
  info.DetermineMonMinMax(values.data(), 2);
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  double min = 0, max = 0;
  info.Get_MinMax(&min, &max);
  EXPECT_EQ(min, -100);
  EXPECT_EQ(max, 100);
  info.ForgetDetermined();
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_UNKNOWN);
  EXPECT_TRUE(info.IsMinMaxGiven());
  info.Unset_MinMax();
  info.DetermineMonMinMax(values.data(), 2);
  EXPECT_EQ(MinOf<double>(info), 5);

  // A given order is trusted: the extremes come from the ends, no scan.
  ZELI_DataInformation given(&real_);
  given.Set_Monotonicity(ZEL_MONOTONICITY_STRICTLY_DECREASING);
  values = {9, 20, 1};
  given.DetermineMonMinMax(values.data(), 3);
  EXPECT_EQ(given.Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_DECREASING);
  EXPECT_EQ(MinOf<double>(given), 1);
  EXPECT_EQ(MaxOf<double>(given), 9);
  // A given NONE is no order: the scan replaces it.
  given.Set_Monotonicity(ZEL_MONOTONICITY_NONE);
  given.DetermineMonMinMax(values.data(), 2);
  EXPECT_EQ(given.Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  EXPECT_FALSE(given.IsMonotonicityGiven());
}

TEST_F(DataInformationTest, NanStepsAndFloatNeighbours) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  ZELI_DataInformation info = Determine(real_, std::vector<double>{1, nan, 2});
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  EXPECT_EQ(MinOf<double>(info), 1);
  EXPECT_EQ(MaxOf<double>(info), 2);
  // A falling step into a NaN is still a rise and moves no extreme.
  info = Determine(real_, std::vector<double>{3, 1, nan});
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_NONE);
  EXPECT_EQ(MinOf<double>(info), 1);
  EXPECT_EQ(MaxOf<double>(info), 3);
  // A NaN in front is both extremes: nothing compares below or above it.
  info = Determine(real_, std::vector<double>{nan, 1, 2});
  EXPECT_TRUE(std::isnan(MinOf<double>(info)));
  EXPECT_TRUE(std::isnan(MaxOf<double>(info)));

  // Floats one bit pattern apart are level, also across zero.
  const float one = 1.0f;
  const float next = std::nextafter(one, 2.0f);
  const float twoApart = std::nextafter(next, 2.0f);
  info = Determine(float_, std::vector<float>{one, next, 2.0f});
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_INCREASING);
  info = Determine(float_, std::vector<float>{one, twoApart});
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  const float tiny = std::numeric_limits<float>::denorm_min();
  info = Determine(float_, std::vector<float>{-tiny, 0.0f, -0.0f, tiny});
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_NONE);  // every step level
  info = Determine(float_, std::vector<float>{-1.0f, -0.5f, std::nanf("")});
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  EXPECT_EQ(MaxOf<float>(info), -0.5f);
}

// Result arrays of operations are scanned in vector code; whatever the
// values (ties, signed zeros, infinities, NaNs anywhere, any length), the
// result must be the one of the step rules applied value by value.
TEST_F(DataInformationTest, RealArraysOfAnyLengthScanLikeTheStepRules) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double pool[] = {-inf, -2.0, -0.0, 0.0, 1.0, 1.0, 3.5, inf, nan};
  struct Expected {
    zel_monotonicity_t monotonicity;
    double min, max;
  };
  const auto stepRules = [](const std::vector<double>& v) {
    Expected e{ZEL_MONOTONICITY_STRICTLY_INCREASING, v[0], v[0]};
    bool rising = true, falling = true, level = false;
    for (size_t i = 1; i < v.size(); ++i) {
      if (v[i] == v[i - 1]) {
        level = true;
      } else if (v[i] < v[i - 1]) {
        rising = false;
        if (v[i] < e.min) e.min = v[i];
      } else {
        falling = false;
        if (e.max < v[i]) e.max = v[i];
      }
    }
    if (v.size() == 1) return e;
    e.monotonicity = rising && !falling    ? (level ? ZEL_MONOTONICITY_INCREASING : ZEL_MONOTONICITY_STRICTLY_INCREASING)
                     : falling && !rising ? (level ? ZEL_MONOTONICITY_DECREASING : ZEL_MONOTONICITY_STRICTLY_DECREASING)
                                          : ZEL_MONOTONICITY_NONE;
    return e;
  };
  unsigned seed = 12345;
  const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (unsigned trial = 0; trial < 3000; ++trial) {
    const unsigned n = trial < 2000 ? 1 + trial % 70 : 1 + next() % 3000;
    std::vector<double> values(n);
    const unsigned kind = trial % 4;  // pool values, without NaN, rising ramp, falling ramp
    for (unsigned i = 0; i < n; ++i) {
      values[i] = kind == 0   ? pool[next() % 9]
                  : kind == 1 ? pool[next() % 8] + (next() % 1000) * 0.25
                  : kind == 2 ? i * 0.5 + (next() % 3 == 0 ? 0.0 : 0.25)
                              : -static_cast<double>(i);
    }
    if (kind >= 2 && n > 5 && trial % 8 < 4) values[next() % n] = pool[next() % 9];  // one stray value
    SCOPED_TRACE("trial " + std::to_string(trial) + ", " + std::to_string(n) + " values");
    const Expected expected = stepRules(values);
    const ZELI_DataInformation info = Determine(real_, values);
    EXPECT_EQ(info.Get_Monotonicity(), expected.monotonicity);
    const double min = MinOf<double>(info), max = MaxOf<double>(info);
    EXPECT_EQ(std::memcmp(&min, &expected.min, sizeof min), 0) << min << " vs " << expected.min;
    EXPECT_EQ(std::memcmp(&max, &expected.max, sizeof max), 0) << max << " vs " << expected.max;
  }
}

TEST_F(DataInformationTest, EveryScalarKindHasItsOrdering) {
  // The types outlive the information that refers to them.
  ZELI_CharacterType character("c");
  const char* literals[] = {"low", "mid", "high"};
  ZELI_EnumerationType enumeration("e", 3, literals, 0, 2, ZEL_RANGE_ASCENDING);
  ZELI_ComplexType complex("z");
  ZELI_TimeType time("t");
  ZELI_StringType string("s");

  // Characters are unsigned (range 0 .. 255): 0x7F then 0x80 rises.
  ZELI_DataInformation info = Determine(character, std::vector<unsigned char>{0x7F, 0x80, 0xFF});
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  info = Determine(integer_, std::vector<int>{5, -3, -7});
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_DECREASING);
  EXPECT_EQ(MinOf<int>(info), -7);

  info = Determine(enumeration, std::vector<unsigned char>{0, 2, 2});
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_INCREASING);
  EXPECT_EQ(MaxOf<unsigned char>(info), 2);

  // Complex: below when both parts are below; other pairs count as rises.
  info = Determine(complex, std::vector<DComplex>{{1, 1}, {2, 2}, {3, 3}});
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  EXPECT_EQ(MaxOf<DComplex>(info), DComplex(3, 3));
  info = Determine(complex, std::vector<DComplex>{{3, 3}, {1, 1}, {2, 0}});
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_NONE);
  EXPECT_EQ(MinOf<DComplex>(info), DComplex(1, 1));
  EXPECT_EQ(MaxOf<DComplex>(info), DComplex(3, 3));

  const UniversalTime later(UniversalReal(2e-9)), earlier(UniversalReal(1e-9));
  info = Determine(time, std::vector<UniversalTime>{later, earlier});
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_DECREASING);
  EXPECT_EQ(MinOf<UniversalTime>(info), earlier);

  // Strings by text, null first; the extremes are copies of the texts.
  std::vector<const char*> texts = {nullptr, "apple", "pear", "pear"};
  info = Determine(string, texts);
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_INCREASING);
  EXPECT_EQ(MinOf<const char*>(info), nullptr);
  const char* max = MaxOf<const char*>(info);
  ASSERT_NE(max, nullptr);
  EXPECT_STREQ(max, "pear");
  EXPECT_NE(max, texts[2]);
  char* min = nullptr;
  char* maxCopy = nullptr;
  const ZELI_DataInformation copy(info);
  copy.Get_MinMax(&min, &maxCopy);
  EXPECT_STREQ(maxCopy, "pear");
  EXPECT_NE(maxCopy, MaxOf<const char*>(copy));
  std::free(min);
  std::free(maxCopy);
}

TEST_F(DataInformationTest, CachedArraysDeterminingOnDemandSeeWhatAnEagerDeterminationGives) {
  const double nan = std::nan("");
  const double low = -10, high = 10;
  struct Case {
    std::vector<double> values;
    zel_monotonicity_t given;  // UNKNOWN: none given
    bool givenExtremes;
  };
  const Case cases[] = {{{3, 1, nan, 7, -2, 7}, ZEL_MONOTONICITY_UNKNOWN, false},
                        {{1, 2, 2, 5}, ZEL_MONOTONICITY_INCREASING, false},
                        {{5, 4, 1}, ZEL_MONOTONICITY_NONE, false},
                        {{0, 1, 2}, ZEL_MONOTONICITY_UNKNOWN, true}};
  for (const Case& c : cases) {
    ZELI_DataInformation settings(&real_);
    if (c.given != ZEL_MONOTONICITY_UNKNOWN) settings.Set_Monotonicity(c.given);
    if (c.givenExtremes) settings.Set_MinMax(&low, &high);
    ZELI_DataInformation eager(settings);
    const unsigned n = static_cast<unsigned>(c.values.size());
    eager.DetermineMonMinMax(c.values.data(), n);
    void* data = real_.ReallocData(nullptr, n, 0);
    std::memcpy(data, c.values.data(), n * sizeof(double));
    ZELI_CachedArray array(n, new ZELI_DataInformation(settings), data);
    array.DetermineOnDemand();
    EXPECT_TRUE(array.IsDeterminationPending());
    EXPECT_EQ(array.Get_UndeterminedInformation().IsMinMaxSet(), c.givenExtremes);  // nothing determined
    const ZELI_DataInformation& lazy = *array.Get_DataInformation_p();
    EXPECT_FALSE(array.IsDeterminationPending());
    EXPECT_EQ(lazy.Get_Monotonicity(), eager.Get_Monotonicity());
    EXPECT_EQ(lazy.IsMonotonicityGiven(), eager.IsMonotonicityGiven());
    EXPECT_EQ(lazy.IsMinMaxGiven(), eager.IsMinMaxGiven());
    EXPECT_EQ(MinOf<double>(lazy), MinOf<double>(eager));
    EXPECT_EQ(MaxOf<double>(lazy), MaxOf<double>(eager));
  }
  // Nothing to leave for later in an empty array.
  ZELI_CachedArray empty(0, new ZELI_DataInformation(&real_), nullptr);
  empty.DetermineOnDemand();
  EXPECT_FALSE(empty.IsDeterminationPending());
  // A new information replaces the pending determination with itself.
  void* data = real_.ReallocData(nullptr, 2, 0);
  ZELI_CachedArray replaced(2, new ZELI_DataInformation(&real_), data);
  replaced.DetermineOnDemand();
  replaced.SetDataInformation_p(new ZELI_DataInformation(&real_));
  EXPECT_FALSE(replaced.IsDeterminationPending());
  EXPECT_EQ(replaced.Get_DataInformation_p()->Get_Monotonicity(), ZEL_MONOTONICITY_UNKNOWN);
}

TEST_F(DataInformationTest, IndexedValues) {
  const std::vector<double> values = {10, 20, 30, 40};
  // Without index information the indexed values are scanned.
  const unsigned backwards[] = {3, 1, 0};
  ZELI_DataInformation info(&real_);
  info.DetermineMonMinMax(nullptr, values.data(), backwards, 3);
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_DECREASING);
  EXPECT_EQ(MinOf<double>(info), 10);
  EXPECT_EQ(MaxOf<double>(info), 40);

  // A given order and a monotone index array: the ends are the extremes,
  // turned round when the indices run backwards.
  ZELI_DataInformation increasingIndices(&integer_);
  increasingIndices.Set_Monotonicity(ZEL_MONOTONICITY_STRICTLY_INCREASING);
  ZELI_DataInformation decreasingIndices(&integer_);
  decreasingIndices.Set_Monotonicity(ZEL_MONOTONICITY_STRICTLY_DECREASING);
  const unsigned forwards[] = {0, 2, 3};
  ZELI_DataInformation given(&real_);
  given.Set_Monotonicity(ZEL_MONOTONICITY_STRICTLY_INCREASING);
  given.DetermineMonMinMax(&increasingIndices, values.data(), forwards, 3);
  EXPECT_EQ(MinOf<double>(given), 10);
  EXPECT_EQ(MaxOf<double>(given), 40);
  given.DetermineMonMinMax(&decreasingIndices, values.data(), backwards, 3);
  EXPECT_EQ(MinOf<double>(given), 10);
  EXPECT_EQ(MaxOf<double>(given), 40);
  EXPECT_EQ(given.Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_INCREASING);
}

class DataInformationRecordTest : public DataInformationTest {
 protected:
  void Read(ZELI_DataInformation& info, const std::vector<unsigned char>& bytes, bool bigEndian, unsigned version) {
    const std::string path = dir_ / "record";
    zeltest::WriteFileBytes(path, bytes);
    ZELI_Istream in(path.c_str(), bigEndian ? 1 : 0, version);
    info.Read(in);
    EXPECT_TRUE(in.AtEnd());
  }
  // The current layout by hand for a real type.
  static ByteWriter Record(bool bigEndian, unsigned monotonicity, unsigned spacing, unsigned interpolation,
                           unsigned flag) {
    ByteWriter w(bigEndian);
    w.U8(monotonicity).U8(spacing).U8(interpolation).U8(7).I32(-3).U8(flag);
    return w;
  }
  static ByteWriter& Double(ByteWriter& w, double value, bool bigEndian) {
    unsigned char bytes[8];
    std::memcpy(bytes, &value, 8);
    if (bigEndian) std::reverse(bytes, bytes + 8);
    return w.Raw(bytes, 8);
  }
};

TEST_F(DataInformationRecordTest, RoundTripAndBothByteOrders) {
  ZELI_DataInformation info(&real_);
  info.Set_DataSpacing(ZEL_DATASPACING_LINEAR_EQUIDISTANT);
  info.Set_InterpolationType(ZEL_INTERPOLATION_CONSTANT);
  info.Set_Compression(200);
  info.Set_CompressionUserCode(-77);
  const std::vector<double> values = {1.5, 2.5};
  info.DetermineMonMinMax(values.data(), 2);
  const std::string path = dir_ / "written";
  {
    ZELI_Ostream out(path.c_str(), 1);
    info.Write(out);
    out.Close();
  }
  EXPECT_EQ(zeltest::ReadFileBytes(path).size(), 9u + 16u);
  ZELI_DataInformation back(&real_);
  Read(back, zeltest::ReadFileBytes(path), false, 8);
  EXPECT_EQ(back.Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  EXPECT_FALSE(back.IsMonotonicityGiven());
  EXPECT_EQ(back.Get_DataSpacing(), ZEL_DATASPACING_LINEAR_EQUIDISTANT);
  EXPECT_EQ(back.Get_InterpolationType(), ZEL_INTERPOLATION_CONSTANT);
  EXPECT_EQ(back.Get_Compression(), 200);
  EXPECT_EQ(back.Get_CompressionUserCode(), -77);
  EXPECT_TRUE(back.IsMinMaxGiven());  // the record cannot tell: kept
  EXPECT_EQ(MinOf<double>(back), 1.5);
  EXPECT_EQ(MaxOf<double>(back), 2.5);

  for (bool bigEndian : {false, true}) {
    ByteWriter w = Record(bigEndian, 5, 4, 3, 1);
    Double(Double(w, -2, bigEndian), 9, bigEndian);
    ZELI_DataInformation read(&real_);
    Read(read, w.bytes(), bigEndian, 8);
    EXPECT_EQ(read.Get_Monotonicity(), ZEL_MONOTONICITY_DECREASING);
    EXPECT_EQ(read.Get_InterpolationType(), ZEL_INTERPOLATION_POLYNOMIAL);
    EXPECT_EQ(read.Get_CompressionUserCode(), -3);
    EXPECT_EQ(MinOf<double>(read), -2);
    EXPECT_EQ(MaxOf<double>(read), 9);
  }
}

TEST_F(DataInformationRecordTest, OlderVersions) {
  // Version 0: a word in front; monotonicity 2 means strictly decreasing;
  // no interpolation byte.
  ByteWriter v0(true);
  v0.I32(12345).U8(2).U8(1).U8(9).I32(4).U8(0);
  ZELI_DataInformation info(&real_);
  info.Set_InterpolationType(ZEL_INTERPOLATION_LINEAR);
  Read(info, v0.bytes(), true, 0);
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_DECREASING);
  EXPECT_EQ(info.Get_DataSpacing(), ZEL_DATASPACING_1);
  EXPECT_EQ(info.Get_InterpolationType(), ZEL_INTERPOLATION_NONE);
  EXPECT_EQ(info.Get_Compression(), 9);
  EXPECT_EQ(info.Get_CompressionUserCode(), 4);
  EXPECT_FALSE(info.IsMinMaxSet());
  // Version 1: no word in front; 1 means strictly increasing.
  ByteWriter v1(false);
  v1.U8(1).U8(0).U8(1).I32(0).U8(0);
  Read(info, v1.bytes(), false, 1);
  EXPECT_EQ(info.Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_INCREASING);
}

TEST_F(DataInformationRecordTest, CorruptedRecordsFailAndChangeNothing) {
  struct Case {
    std::vector<unsigned char> bytes;
    unsigned version;
    const char* message;
  };
  ByteWriter truncated = Record(false, 2, 0, 0, 1);
  Double(truncated, 1, false);
  const std::vector<Case> cases = {
      {Record(false, 2, 7, 0, 0).bytes(), 8, "ZELI_DataInformation::Read: data spacing"},
      {Record(false, 2, 0, 6, 0).bytes(), 8, "ZELI_DataInformation::Read: interpolation"},
      {Record(false, 2, 0, 0, 2).bytes(), 8, "ZELI_DataInformation::Read: min/max flag"},
      {Record(false, 8, 0, 0, 0).bytes(), 8, "ZELI_Istream::operator>> (zel_monotonicity_t& v)"},
      {ByteWriter(false).U8(3).U8(0).U8(1).I32(0).U8(0).bytes(), 1,
       "ZELI_Istream::operator>> (zel_monotonicity_t& v)"},
      {truncated.bytes(), 8, "End of file"},
      {ByteWriter(false).I32(0).U8(0).U8(0).bytes(), 0, "End of file"},
  };
  for (const Case& c : cases) {
    ZELI_DataInformation info(&real_);
    info.Set_DataSpacing(ZEL_DATASPACING_2);
    const double low = 1, high = 2;
    info.Set_MinMax(&low, &high);
    try {
      Read(info, c.bytes, false, c.version);
      ADD_FAILURE() << c.message;
    } catch (const ZELI_Exception& e) {
      EXPECT_EQ(e.status, ZEL_FAILED);
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(info.Get_DataSpacing(), ZEL_DATASPACING_2);
    EXPECT_EQ(MaxOf<double>(info), 2);
  }
  // Extremes need a type that stores values.
  ZELI_DataInformation untyped;
  ByteWriter w = Record(false, 0, 0, 0, 1);
  EXPECT_THROW(Read(untyped, w.bytes(), false, 8), ZELI_FailedException);
}

}  // namespace
