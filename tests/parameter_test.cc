// Parameters through the exported functions: value identifiers after
// append, delete and insert; argument checks; orders, extremes and caches;
// find and copy across containers; and the stored record (reopened, in
// another process, corrupted, written by hand in the other byte order).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "interface/container_wrapper.h"
#include "interface/interface.h"
#include "model/dimension_descriptor.h"
#include "model/parameter.h"
#include "model/parameter_cached_array.h"
#include "model/container.h"
#include "store/stream.h"
#include "test_support.h"

namespace {

using zeltest::ByteWriter;

class ParameterTest : public zeltest::SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    container_ = Container(ZEL_MODE_MEMORY, name_);
    real_ = ZEL_CreateBuiltinType(session_, container_, "real", ZEL_REAL, &status_);
    descriptor_ = ZEL_CreateDimensionDescriptor(session_, container_, "temp", "C", real_, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }

  zel_container_t Container(zel_mode_t mode, const std::string& name) {
    zel_container_t c = ZEL_CreateContainer(session_, name.c_str(), mode, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    return c;
  }
  zel_parameter_t NewParameter(const char* name = "temperature") {
    zel_parameter_t p = ZEL_CreateParameter(session_, container_, name, descriptor_, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    return p;
  }
  void Append(zel_parameter_t p, const std::vector<double>& values) {
    ZEL_AppendParameterValues(session_, p, static_cast<unsigned>(values.size()), values.data(), nullptr, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
  std::vector<double> Values(zel_parameter_t p, zel_session_t session = {-1}) {
    if (session.key == -1) session = session_;
    std::vector<double> values(ZEL_GetParameterValueCount(session, p, &status_));
    for (unsigned i = 0; i < values.size(); ++i) ZEL_GetParameterValue(session, p, i, &values[i], nullptr, &status_);
    return values;
  }
  static ZELI_Parameter* Object(zel_session_t session, zel_parameter_t p) {
    return ZELC_Interface::TheInterface().ConvertSessionHandle(session)->Object(p);
  }
  // The value identifiers in position order.
  std::vector<unsigned> Ids(zel_parameter_t p) {
    const ZELI_Parameter* object = Object(session_, p);
    std::vector<unsigned> ids;
    for (unsigned i = 0; i < object->Get_ValueCount(); ++i) ids.push_back(object->Get_ParId(i));
    return ids;
  }
  static std::string IndexFailure(const ZELI_Parameter* p, unsigned id) {
    try {
      p->Get_Index(id);
    } catch (const ZELI_Exception& e) {
      return std::string(e.status == ZEL_BAD_ARG ? "bad arg: " : "?: ") + e.what();
    }
    return "no failure";
  }

  zeltest::TempDir dir_;
  std::string name_ = dir_ / "sweep";
  zel_container_t container_{-1};
  zel_type_t real_{-1};
  zel_dimensionDescriptor_t descriptor_{-1};
};

using IdList = std::vector<unsigned>;
using Doubles = std::vector<double>;

TEST_F(ParameterTest, IdentifiersFollowTheFreeChain) {
  // a, b, c in one call: the newest slot is taken first.
  zel_parameter_t p = NewParameter();
  Append(p, {1, 2, 3});
  EXPECT_EQ(Ids(p), (IdList{2, 1, 0}));
  // Deleting b frees identifier 1, which d then takes.
  ZEL_DeleteParameterValues(session_, p, 1, 1, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  const ZELI_Parameter* object = Object(session_, p);
  EXPECT_EQ(IndexFailure(object, 1), "bad arg: ParId ID is out of range.");
  EXPECT_EQ(IndexFailure(object, 3), "bad arg: ParId ID is out of range.");
  Append(p, {4});
  EXPECT_EQ(Values(p), (Doubles{1, 3, 4}));
  EXPECT_EQ(Ids(p), (IdList{2, 0, 1}));
  EXPECT_EQ(object->Get_Index(2), 0u);
  EXPECT_EQ(object->Get_Index(0), 1u);
  EXPECT_EQ(object->Get_Index(1), 2u);

  // One value per call: identifiers equal positions.
  zel_parameter_t q = NewParameter("q");
  for (double v : {5.0, 6.0, 7.0}) Append(q, {v});
  EXPECT_EQ(Ids(q), (IdList{0, 1, 2}));

  // Inserting before position 0 shifts every position; identifiers stay.
  const double inserted[] = {-2, -1};
  ZEL_InsertParameterValuesBefore(session_, q, 0, 2, inserted, nullptr, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  EXPECT_EQ(Values(q), (Doubles{-2, -1, 5, 6, 7}));
  EXPECT_EQ(Ids(q), (IdList{4, 3, 0, 1, 2}));
  const ZELI_Parameter* qObject = Object(session_, q);
  EXPECT_EQ(qObject->Get_Index(0), 2u);
  EXPECT_EQ(qObject->Get_Index(4), 0u);

  // Deleting several frees them in order, the last deleted on top.
  ZEL_DeleteParameterValues(session_, q, 1, 3, &status_);
  EXPECT_EQ(Values(q), (Doubles{-2, 7}));
  Append(q, {8});
  EXPECT_EQ(Ids(q), (IdList{4, 2, 1}));
  ZEL_InsertParameterValuesAfter(session_, q, 0, 2, inserted, nullptr, &status_);
  EXPECT_EQ(Values(q), (Doubles{-2, -2, -1, 7, 8}));
  EXPECT_EQ(Ids(q), (IdList{4, 0, 3, 2, 1}));
}

TEST_F(ParameterTest, SegmentsFollowTheirValueThroughInsertAndDelete) {
  zel_parameter_t p = NewParameter();
  Append(p, {10, 20, 30});
  zel_waveformSet_t set = ZEL_CreateWaveformSet(session_, container_, "set", descriptor_, 1, &p, &status_);
  const unsigned at = 1;
  zel_segment_t segment = ZEL_CreateSegment(session_, set, 1, &at, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  const double before[] = {0, 5};
  ZEL_InsertParameterValuesBefore(session_, p, 0, 2, before, nullptr, &status_);
  EXPECT_EQ(ZEL_GetSegmentParameterValueIndex(session_, segment, 0, &status_), 3u);
  // Once its value is deleted the segment shows no other value.
  ZEL_DeleteParameterValues(session_, p, 3, 1, &status_);
  ZEL_GetSegmentParameterValueIndex(session_, segment, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetSegmentParameterValueIndex: ParId ID is out of range.");
  Append(p, {40});  // reuses the freed identifier: the segment sees its new value
  EXPECT_EQ(ZEL_GetSegmentParameterValueIndex(session_, segment, 0, &status_), 4u);
}

TEST_F(ParameterTest, InsertAfterTheLastEqualsAppend) {
  zel_parameter_t appended = NewParameter("a");
  zel_parameter_t inserted = NewParameter("a");
  Append(appended, {1, 2});
  Append(inserted, {1, 2});
  ZEL_DeleteParameterValues(session_, appended, 0, 1, &status_);
  ZEL_DeleteParameterValues(session_, inserted, 0, 1, &status_);
  const double more[] = {3, 4, 5};
  ZEL_AppendParameterValues(session_, appended, 3, more, nullptr, &status_);
  ZEL_InsertParameterValuesAfter(session_, inserted, 0, 3, more, nullptr, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  EXPECT_EQ(Values(inserted), Values(appended));
  EXPECT_EQ(Ids(inserted), Ids(appended));
  EXPECT_TRUE(ZEL_AreEqualParameters(session_, appended, inserted, &status_));
}

TEST_F(ParameterTest, BadPositionsAndArgumentsChangeNothing) {
  zel_parameter_t p = NewParameter();
  Append(p, {1, 2, 3});
  const double value = 9;
  int order = 0;
  double out = 0;
  const void* buffer = nullptr;
  struct Call {
    std::function<void()> run;
    zel_status_t status;
    const char* message;
  } calls[] = {
      {[&] { ZEL_DeleteParameterValues(session_, p, 2, 2, &status_); }, ZEL_BAD_ARG,
       "ZEL_DeleteParameterValues: Parameter count is too large."},
      {[&] { ZEL_DeleteParameterValues(session_, p, 3, 1, &status_); }, ZEL_BAD_ARG,
       "ZEL_DeleteParameterValues: Parameter index is out of range."},
      {[&] { ZEL_InsertParameterValuesBefore(session_, p, 3, 1, &value, nullptr, &status_); }, ZEL_BAD_ARG,
       "ZEL_InsertParameterValuesBefore: Parameter index is out of range."},
      {[&] { ZEL_InsertParameterValuesAfter(session_, p, 3, 1, &value, nullptr, &status_); }, ZEL_BAD_ARG,
       "ZEL_InsertParameterValuesAfter: Parameter index is out of range."},
      {[&] { ZEL_GetParameterValue(session_, p, 3, &out, &order, &status_); }, ZEL_BAD_ARG,
       "ZEL_GetParameterValue: Parameter index is out of range."},
      {[&] { ZEL_GetParameterValueBuffer(session_, p, 3, &buffer, nullptr, &status_); }, ZEL_BAD_ARG,
       "ZEL_GetParameterValueBuffer: Parameter index is out of range."},
      {[&] { ZEL_AppendParameterValues(session_, p, 1, nullptr, nullptr, &status_); }, ZEL_BAD_ARG,
       "ZEL_AppendParameterValues: Null data buffer"},
      {[&] { ZEL_GetParameterValue(session_, p, 0, nullptr, nullptr, &status_); }, ZEL_BAD_ARG,
       "ZEL_GetParameterValue: Null data buffer"},
      {[&] { ZEL_GetParameterValueBuffer(session_, p, 0, nullptr, nullptr, &status_); }, ZEL_BAD_ARG,
       "ZEL_GetParameterValueBuffer: Null value pointer"},
      {[&] { ZEL_GetParameterValueBuffer(session_, p, 0, &buffer, nullptr, &status_); }, ZEL_BAD_ARG,
       "ZEL_GetParameterValueBuffer: Null order pointer"},
      {[&] { ZEL_GetParameterMinMax(session_, p, &out, nullptr, &status_); }, ZEL_BAD_ARG,
       "ZEL_GetParameterMinMax: max is null"},
      {[&] { ZEL_GetAllParameters(session_, container_, nullptr, &status_); }, ZEL_BAD_ARG,
       "ZEL_GetAllParameters: count is null"},
      {[&] { ZEL_SetParameterDataSpacing(session_, p, ZEL_DATASPACING_MIXED, &status_); }, ZEL_BAD_ARG,
       "ZEL_SetParameterDataSpacing: Explicitly setting MIXED/DEFAULT data spacing"},
      {[&] { ZEL_SetParameterCompression(session_, p, -1, &status_); }, ZEL_BAD_ARG,
       "ZEL_SetParameterCompression: Compression does not fit in one byte"},
      {[&] { ZEL_SetParameterInterpolationType(session_, p, ZEL_INTERPOLATION_POLYNOMIAL, &status_); }, ZEL_FAILED,
       "ZEL_SetParameterInterpolationType: Cannot change parameter interpolation type when values exist."},
      {[&] { ZEL_GetParameterValueCount(session_, zel_parameter_t{descriptor_.key}, &status_); }, ZEL_BAD_HANDLE,
       nullptr},
  };
  for (const Call& call : calls) {
    call.run();
    EXPECT_EQ(status_, call.status) << ZEL_GetError();
    if (call.message != nullptr) {
      EXPECT_STREQ(ZEL_GetError(), call.message);
    }
    EXPECT_EQ(Values(p), (Doubles{1, 2, 3}));
    EXPECT_EQ(Ids(p), (IdList{2, 1, 0}));
  }
  EXPECT_EQ(ZEL_GetParameterInterpolationType(session_, p, &status_), ZEL_INTERPOLATION_NONE);
}

TEST_F(ParameterTest, MonotonicityAndExtremesFollowTheValues) {
  zel_parameter_t p = NewParameter();
  EXPECT_EQ(ZEL_GetParameterMonotonicity(session_, p, &status_), ZEL_MONOTONICITY_UNKNOWN);
  double min = 0, max = 0;
  ZEL_GetParameterMinMax(session_, p, &min, &max, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetParameterMinMax: Parameter has no values.");

  Append(p, {1, 2, 2, 3});
  EXPECT_EQ(ZEL_GetParameterMonotonicity(session_, p, &status_), ZEL_MONOTONICITY_INCREASING);
  // Falling after rising: recomputed over all values.
  Append(p, {0});
  EXPECT_EQ(ZEL_GetParameterMonotonicity(session_, p, &status_), ZEL_MONOTONICITY_NONE);
  ZEL_GetParameterMinMax(session_, p, &min, &max, &status_);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 3);
  ZEL_DeleteParameterValues(session_, p, 0, 4, &status_);
  ZEL_GetParameterMinMax(session_, p, &min, &max, &status_);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 0);

  // The position-ordered buffer, valid until the values change.
  const double values[] = {40, 30, 20};
  ZEL_InsertParameterValuesBefore(session_, p, 0, 3, values, nullptr, &status_);
  const void* buffer = nullptr;
  const int* orders = reinterpret_cast<const int*>(&status_);
  EXPECT_EQ(ZEL_GetParameterValueBuffer(session_, p, 1, &buffer, &orders, &status_), 3u);
  EXPECT_EQ(orders, nullptr);
  const double* at = static_cast<const double*>(buffer);
  EXPECT_EQ((Doubles{at[0], at[1], at[2]}), (Doubles{30, 20, 0}));
  EXPECT_EQ(ZEL_GetParameterMonotonicity(session_, p, &status_), ZEL_MONOTONICITY_STRICTLY_DECREASING);
}

// The interpolation type is refused while a value exists and allowed again
// once it is deleted; polynomial values carry an order each.
TEST_F(ParameterTest, PolynomialOrders) {
  zel_parameter_t p = NewParameter();
  Append(p, {1});
  ZEL_SetParameterInterpolationType(session_, p, ZEL_INTERPOLATION_POLYNOMIAL, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
  ZEL_DeleteParameterValues(session_, p, 0, 1, &status_);
  ZEL_SetParameterInterpolationType(session_, p, ZEL_INTERPOLATION_DEFAULT, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG,
                     "ZEL_SetParameterInterpolationType: Explicitly setting MIXED/DEFAULT interpolationType");
  ZEL_SetParameterInterpolationType(session_, p, ZEL_INTERPOLATION_POLYNOMIAL, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();

  const double values[] = {1, 2, 3};
  const int orders[] = {0, 2, 1};
  ZEL_AppendParameterValues(session_, p, 3, values, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_AppendParameterValues: Null order buffer");
  const int badOrders[] = {0, 3, 1};
  ZEL_AppendParameterValues(session_, p, 3, values, badOrders, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_AppendParameterValues: Polynomial order must be 0, 1 or 2.");
  ZEL_AppendParameterValues(session_, p, 3, values, orders, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  double value = 0;
  int order = -1;
  ZEL_GetParameterValue(session_, p, 1, &value, &order, &status_);
  EXPECT_EQ(value, 2);
  EXPECT_EQ(order, 2);
  ZEL_GetParameterValue(session_, p, 1, &value, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetParameterValue: Null order buffer");
  const void* buffer = nullptr;
  const int* orderBuffer = nullptr;
  EXPECT_EQ(ZEL_GetParameterValueBuffer(session_, p, 0, &buffer, &orderBuffer, &status_), 3u);
  ASSERT_NE(orderBuffer, nullptr);
  EXPECT_EQ((std::vector<int>{orderBuffer[0], orderBuffer[1], orderBuffer[2]}), (std::vector<int>{0, 2, 1}));

  // Orders take part in equality.
  zel_parameter_t q = NewParameter();
  ZEL_SetParameterInterpolationType(session_, q, ZEL_INTERPOLATION_POLYNOMIAL, &status_);
  const int otherOrders[] = {0, 2, 2};
  ZEL_AppendParameterValues(session_, q, 3, values, otherOrders, &status_);
  EXPECT_FALSE(ZEL_AreEqualParameters(session_, p, q, &status_));
  ZEL_DeleteParameterValues(session_, q, 2, 1, &status_);
  ZEL_AppendParameterValues(session_, q, 1, values + 2, orders + 2, &status_);
  EXPECT_TRUE(ZEL_AreEqualParameters(session_, p, q, &status_));
}

TEST_F(ParameterTest, ListsFindAndCopyAcrossContainers) {
  unsigned count = 7;
  EXPECT_EQ(ZEL_GetAllParameters(session_, container_, &count, &status_), nullptr);
  EXPECT_EQ(count, 0u);
  zel_parameter_t p = NewParameter("vdd");
  NewParameter("corner");
  zel_parameter_t again = NewParameter("vdd");
  Append(p, {1.8, 1.2, 0.9});
  ZEL_DeleteParameterValues(session_, p, 0, 1, &status_);
  ZEL_SetParameterAttribute(session_, p, "unit", "volt", &status_);
  zel_parameter_t* found = ZEL_FindParameters(session_, container_, "vdd", &count, &status_);
  ASSERT_EQ(count, 2u);
  EXPECT_TRUE(ZEL_AreSameParameter(found[0], p));
  EXPECT_TRUE(ZEL_AreSameParameter(found[1], again));
  std::free(found);
  std::free(ZEL_GetAllParameters(session_, container_, &count, &status_));
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(ZEL_FindParameters(session_, container_, "none", &count, &status_), nullptr);
  EXPECT_EQ(count, 0u);
  // Equal values: the first equal one in creation order is found.
  Append(again, {1.2, 0.9});
  EXPECT_TRUE(ZEL_AreSameParameter(ZEL_FindParameterByParameter(session_, container_, again, &status_), p));

  // A second container that already holds an equal descriptor: the copy
  // reuses it; a second find-or-copy finds the copy.
  zel_container_t other = Container(ZEL_MODE_MEMORY, dir_ / "other");
  zel_type_t otherReal = ZEL_CreateBuiltinType(session_, other, "real", ZEL_REAL, &status_);
  zel_dimensionDescriptor_t otherDescriptor =
      ZEL_CreateDimensionDescriptor(session_, other, "temp", "C", otherReal, &status_);
  // The objects of one call share their container; a descriptor without a
  // type has no values to hold.
  EXPECT_TRUE(ZEL_IsParameterNull(ZEL_CreateParameter(session_, container_, "p", otherDescriptor, &status_)));
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateParameter: Dimension descriptor belongs to another container");
  ZEL_CreateDimensionDescriptor(session_, container_, "v", "V", otherReal, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateDimensionDescriptor: Type belongs to another container");
  zel_dimensionDescriptor_t untyped =
      ZEL_CreateDimensionDescriptor(session_, container_, "u", "", ZEL_NullType, &status_);
  ZEL_CreateParameter(session_, container_, "p", untyped, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateParameter: Dimension descriptor has no type.");
  ZEL_FindParameterByParameter(session_, other, p, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_NOT_FOUND, "ZEL_FindParameterByParameter: Parameter not found");
  zel_bool_t created = 0;
  zel_parameter_t copy = ZEL_FindOrCopyParameter(session_, other, p, &created, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(created, 1);
  EXPECT_TRUE(ZEL_AreSameDimensionDescriptor(ZEL_GetParameterDimensionDescriptor(session_, copy, &status_),
                                             otherDescriptor));
  EXPECT_TRUE(ZEL_AreSameType(ZEL_GetParameterType(session_, copy, &status_), otherReal));
  std::free(ZEL_GetAllDimensionDescriptors(session_, other, &count, &status_));
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(Values(copy), (Doubles{1.2, 0.9}));
  EXPECT_EQ(Ids(copy), (IdList{0, 1}));
  EXPECT_EQ(ZEL_GetParameterAttribute(session_, copy, "unit", &status_), nullptr);
  EXPECT_TRUE(ZEL_AreEqualParameters(session_, p, copy, &status_));
  EXPECT_TRUE(ZEL_AreSameParameter(ZEL_FindOrCopyParameter(session_, other, p, &created, &status_), copy));
  EXPECT_EQ(created, 0);
  // ZEL_CopyParameter always copies.
  zel_parameter_t second = ZEL_CopyParameter(session_, other, p, &status_);
  EXPECT_FALSE(ZEL_AreSameParameter(second, copy));
  std::free(ZEL_GetAllParameters(session_, other, &count, &status_));
  EXPECT_EQ(count, 2u);
}

TEST_F(ParameterTest, CachedArraysLiveInTheContainersCache) {
  ZELI_Container* container = ZELC_Interface::TheInterface().ConvertSessionHandle(session_)->Object(container_);
  ZELI_Cache& cache = container->Get_Cache();
  zel_parameter_t p = NewParameter();
  ZEL_SetParameterInterpolationType(session_, p, ZEL_INTERPOLATION_POLYNOMIAL, &status_);
  const double values[] = {3, 1};
  const int orders[] = {1, 0};
  ZEL_AppendParameterValues(session_, p, 2, values, orders, &status_);
  ZELI_Parameter* object = Object(session_, p);
  EXPECT_EQ(cache.Get_Count(), 0u);
  ZELI_ParameterCachedArray* array = object->Get_CachedArray_p(ZELI_ParameterCachedArray::VALUES);
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(cache.Get_Count(), 2u);
  EXPECT_TRUE(array->IsLocatable());
  EXPECT_EQ(array->Get_Count(), 2u);
  EXPECT_EQ(array->Get_DataInformation().Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_DECREASING);
  EXPECT_EQ(*static_cast<const double*>(array->Get_DataInformation().Get_Min_p()), 1);
  const ZELI_ParameterCachedArray* orderArray = object->Get_CachedArray_p(ZELI_ParameterCachedArray::ORDERS);
  EXPECT_EQ(*static_cast<const int*>(orderArray->At(0)), 1);
  EXPECT_EQ(orderArray->Get_DataInformation().Get_InterpolationType(), ZEL_INTERPOLATION_NONE);
  // Unreferenced arrays go at once when the values change; a referenced
  // one stays in the cache, unlocatable, until its last reference is gone.
  array->IncrementReferenceCount();
  ZEL_DeleteParameterValues(session_, p, 0, 1, &status_);
  EXPECT_EQ(cache.Get_Count(), 1u);
  EXPECT_FALSE(array->IsLocatable());
  EXPECT_EQ(*static_cast<const double*>(array->At(1)), 1);
  EXPECT_EQ(container->Get_Cache().CollectGarbage(), 0u);
  array->DecrementReferenceCount();
  EXPECT_EQ(container->Get_Cache().CollectGarbage(), 1u);
  // Appending while a reader holds the rebuilt array: the reader still
  // reads the old values (the parameter must not free them under it).
  ZELI_ParameterCachedArray* held = object->Get_CachedArray_p(ZELI_ParameterCachedArray::VALUES);
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(cache.Get_Count(), 2u);
  held->IncrementReferenceCount();
  const double more = 7;
  const int moreOrder = 2;
  ZEL_AppendParameterValues(session_, p, 1, &more, &moreOrder, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(cache.Get_Count(), 1u);
  EXPECT_FALSE(held->IsLocatable());
  ASSERT_EQ(held->Get_Count(), 1u);
  EXPECT_EQ(*static_cast<const double*>(held->At(0)), 1);
  double last = 0;
  int lastOrder = -1;
  ZEL_GetParameterValue(session_, p, 1, &last, &lastOrder, &status_);
  EXPECT_EQ(last, 7);
  EXPECT_EQ(lastOrder, 2);
  held->DecrementReferenceCount();
  container->GarbageCollect();
  EXPECT_EQ(cache.Get_Count(), 0u);
}

// What the persistence tests store: a real parameter with a freed slot, an
// attribute and its settings, a string parameter, a polynomial one, and a
// descriptor attribute (which is not stored).
struct Stored {
  static void Build(zel_session_t s, zel_container_t c) {
    zel_status_t st;
    zel_type_t real = ZEL_CreateBuiltinType(s, c, "real", ZEL_REAL, &st);
    zel_type_t text = ZEL_CreateBuiltinType(s, c, "text", ZEL_STRING, &st);
    zel_dimensionDescriptor_t temp = ZEL_CreateDimensionDescriptor(s, c, "temp", "C", real, &st);
    zel_dimensionDescriptor_t corner = ZEL_CreateDimensionDescriptor(s, c, "corner", "", text, &st);
    ZEL_SetDimensionDescriptorAttribute(s, temp, "note", "memory only", &st);
    zel_parameter_t t = ZEL_CreateParameter(s, c, "temperature", temp, &st);
    const double temps[] = {-40, 25, 125};
    ZEL_AppendParameterValues(s, t, 3, temps, nullptr, &st);
    ZEL_DeleteParameterValues(s, t, 1, 1, &st);
    ZEL_SetParameterAttribute(s, t, "source", "sweep.cfg", &st);
    ZEL_SetParameterDataSpacing(s, t, ZEL_DATASPACING_LINEAR_EQUIDISTANT, &st);
    ZEL_SetParameterCompression(s, t, 255, &st);
    ZEL_SetParameterCompressionUserCode(s, t, -12345, &st);
    ZEL_GetParameterMonotonicity(s, t, &st);  // stores determined extremes too
    zel_parameter_t k = ZEL_CreateParameter(s, c, "corner", corner, &st);
    const char* corners[] = {"ff", "ss", nullptr, "tt"};
    ZEL_AppendParameterValues(s, k, 4, corners, nullptr, &st);
    ZEL_DeleteParameterValues(s, k, 0, 1, &st);
    zel_parameter_t poly = ZEL_CreateParameter(s, c, "poly", temp, &st);
    ZEL_SetParameterInterpolationType(s, poly, ZEL_INTERPOLATION_POLYNOMIAL, &st);
    const int orders[] = {2, 0};
    ZEL_AppendParameterValues(s, poly, 2, temps, orders, &st);
  }

  // 0 when the container holds what Build stored, else the failed check.
  static int Check(zel_session_t s, zel_container_t c) {
    zel_status_t st;
    unsigned count = 0;
    zel_parameter_t* all = ZEL_GetAllParameters(s, c, &count, &st);
    if (count != 3) return 1;
    const zel_parameter_t t = all[0], k = all[1], poly = all[2];
    std::free(all);
    ZELI_Parameter* object = ZELC_Interface::TheInterface().ConvertSessionHandle(s)->Object(t);
    if (object->Get_ValueCount() != 2 || object->Get_ParId(0) != 2 || object->Get_ParId(1) != 0) return 2;
    if (object->Get_SlotCount() != 3 || object->Get_Index(0) != 1) return 3;
    double value = 0;
    ZEL_GetParameterValue(s, t, 1, &value, nullptr, &st);
    if (value != 125) return 4;
    const char* source = ZEL_GetParameterAttribute(s, t, "source", &st);
    if (source == nullptr || std::string(source) != "sweep.cfg") return 5;
    if (ZEL_GetParameterDataSpacing(s, t, &st) != ZEL_DATASPACING_LINEAR_EQUIDISTANT) return 6;
    if (ZEL_GetParameterCompression(s, t, &st) != 255 || ZEL_GetParameterCompressionUserCode(s, t, &st) != -12345) {
      return 13;
    }
    double min = 0, max = 0;
    ZEL_GetParameterMinMax(s, t, &min, &max, &st);
    if (min != -40 || max != 125) return 7;
    zel_dimensionDescriptor_t temp = ZEL_GetParameterDimensionDescriptor(s, t, &st);
    if (ZEL_GetDimensionDescriptorAttribute(s, temp, "note", &st) != nullptr) return 8;
    if (std::string(ZEL_GetDimensionDescriptorUnit(s, temp, &st)) != "C") return 9;
    char* text = nullptr;
    ZEL_GetParameterValue(s, k, 1, &text, nullptr, &st);
    // A null string is stored as the empty text.
    const bool emptyText = text != nullptr && text[0] == '\0';
    std::free(text);
    ZEL_GetParameterValue(s, k, 2, &text, nullptr, &st);
    const bool tt = text != nullptr && std::string(text) == "tt";
    std::free(text);
    // "ss", "", "tt": the order falls, then rises.
    if (!emptyText || !tt || ZEL_GetParameterMonotonicity(s, k, &st) != ZEL_MONOTONICITY_NONE) return 10;
    int order = -1;
    ZEL_GetParameterValue(s, poly, 0, &value, &order, &st);
    if (order != 2 || ZEL_GetParameterInterpolationType(s, poly, &st) != ZEL_INTERPOLATION_POLYNOMIAL) return 11;
    return st == ZEL_OK ? 0 : 12;
  }
};

TEST_F(ParameterTest, EverythingIsReadBackAfterReopenAlsoInAnotherProcess) {
  zel_container_t c = Container(ZEL_MODE_DISK, name_);
  Stored::Build(session_, c);
  ASSERT_EQ(status_, ZEL_OK);
  std::vector<int> keys;
  unsigned count = 0;
  zel_parameter_t* all = ZEL_GetAllParameters(session_, c, &count, &status_);
  for (unsigned i = 0; i < count; ++i) keys.push_back(Object(session_, all[i])->Get_Key());
  std::free(all);
  ZEL_CloseContainer(session_, c, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();

  c = ZEL_OpenContainer(session_, name_.c_str(), ZEL_IOMODE_WRITE, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(Stored::Check(session_, c), 0);
  all = ZEL_GetAllParameters(session_, c, &count, &status_);
  for (unsigned i = 0; i < count; ++i) EXPECT_EQ(Object(session_, all[i])->Get_Key(), keys[i]);
  std::free(all);
  // Write it again unchanged (a modification forces the structure out).
  ZEL_SetContainerAttribute(session_, c, "pass", "2", &status_);
  ZEL_CloseContainer(session_, c, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();

  const std::string name = name_;
  EXPECT_EQ(zeltest::RunInChild([name] {
              zel_status_t st;
              zel_session_t s = ZEL_InitSession(&st);
              zel_container_t r = ZEL_OpenContainer(s, name.c_str(), ZEL_IOMODE_READ, &st);
              if (st != ZEL_OK) return 100 + st;
              const int result = Stored::Check(s, r);
              ZEL_CloseContainer(s, r, &st);
              return result;
            }),
            0);
}

TEST_F(ParameterTest, CorruptedParameterRecordsAreRejectedCleanly) {
  zel_container_t c = Container(ZEL_MODE_DISK, name_);
  zel_type_t real = ZEL_CreateBuiltinType(session_, c, "real", ZEL_REAL, &status_);
  zel_dimensionDescriptor_t d = ZEL_CreateDimensionDescriptor(session_, c, "temp", "C", real, &status_);
  zel_parameter_t p = ZEL_CreateParameter(session_, c, "MARKER", d, &status_);
  const double values[] = {1, 2, 3};
  ZEL_AppendParameterValues(session_, p, 3, values, nullptr, &status_);
  ZEL_DeleteParameterValues(session_, p, 1, 1, &status_);  // slots 2, 0 in use; 1 free
  ZEL_CloseContainer(session_, c, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();

  const std::string path = dir_ / "sweep_zel/version_0/structure.data";
  const std::vector<unsigned char> good = zeltest::ReadFileBytes(path);
  const std::string marker = "MARKER";
  const auto at = std::search(good.begin(), good.end(), marker.begin(), marker.end());
  ASSERT_NE(at, good.end());
  // After the name: descriptor key (4), data information (9), attributes
  // (4), then the slot section.
  const size_t slots = static_cast<size_t>(at - good.begin()) + marker.size() + 1 + 4 + 9 + 4;
  auto word = [](unsigned v) {
    std::vector<unsigned char> w(4);
    std::memcpy(w.data(), &v, 4);
    return w;
  };
  ASSERT_EQ(std::vector<unsigned char>(good.begin() + slots, good.begin() + slots + 4), word(3));
  struct Corruption {
    size_t offset;  // from the slot count
    unsigned value;
    const char* message;
  } corruptions[] = {
      {0, 0x40000000, "End of file"},                                  // slot count beyond the file
      {4, 5, "ZEL_OpenContainer: ZELI_Parameter::Read: slot links"},   // slot 0's link
      {8, 1, "ZEL_OpenContainer: ZELI_Parameter::Read: free chain"},   // free slot 1 links to itself
      {16, 3, "ZEL_OpenContainer: ZELI_Parameter::Read: slot links"},  // free slot 1 read as a position
      {20, 7, "ZEL_OpenContainer: ZELI_Parameter::Read: positions"},   // position 0 out of range
      {24, 2, "ZEL_OpenContainer: ZELI_Parameter::Read: positions"},   // slot 2 twice
      {28, 0, "ZEL_OpenContainer: ZELI_Parameter::Read: free chain"},  // head on a slot in use
      {28, 0xFFFFFFFF, "ZEL_OpenContainer: ZELI_Parameter::Read: free chain"},  // free slot 1 lost
      {32, 2, "ZEL_OpenContainer: ZELI_Parameter::Read: value capacity"},
      {32, 0x10000000, "ZEL_OpenContainer: End of file"},
  };
  for (const Corruption& k : corruptions) {
    std::vector<unsigned char> bad = good;
    const std::vector<unsigned char> w = word(k.value);
    std::copy(w.begin(), w.end(), bad.begin() + static_cast<long>(slots + k.offset));
    zeltest::WriteFileBytes(path, bad);
    zel_container_t r = ZEL_OpenContainer(session_, name_.c_str(), ZEL_IOMODE_READ, &status_);
    EXPECT_TRUE(ZEL_IsContainerNull(r));
    EXPECT_EQ(status_, ZEL_FAILED) << k.offset;
    if (std::string(k.message) != "End of file") {
      EXPECT_STREQ(ZEL_GetError(), k.message) << k.offset;
    }
  }
  // Truncated anywhere inside the record.
  for (size_t cut = slots; cut < good.size(); cut += 7) {
    zeltest::WriteFileBytes(path, std::vector<unsigned char>(good.begin(), good.begin() + static_cast<long>(cut)));
    ZEL_OpenContainer(session_, name_.c_str(), ZEL_IOMODE_READ, &status_);
    EXPECT_EQ(status_, ZEL_FAILED) << cut;
  }
  // The good file still opens: nothing stayed registered.
  zeltest::WriteFileBytes(path, good);
  c = ZEL_OpenContainer(session_, name_.c_str(), ZEL_IOMODE_WRITE, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_CloseContainer(session_, c, &status_);
}

// A record in big-endian order written by hand, with a free slot, a
// polynomial order per slot and an attribute, read through the structure
// readers of types and descriptors.
TEST_F(ParameterTest, AHandWrittenRecordInTheOtherByteOrder) {
  for (bool bigEndian : {true, false}) {
    ByteWriter w(bigEndian);
    w.I32(3).I32(-1).I32(3);                                       // key map: 3 slots, none free
    w.I32(1).U8(ZEL_REAL).Str("r").I32(8).I32(64).U8(0).I32(0);    // one real type at key 0
    w.I32(-1).I32(-1).I32(-1).I32(-1);                             // no special types
    w.Str("temp").Str("C").I32(0).I32(1);                          // descriptor at key 1
    w.Str("p").I32(1);                                             // parameter: name, descriptor
    w.U8(2).U8(3).U8(ZEL_INTERPOLATION_POLYNOMIAL).U8(9).I32(-5).U8(0);  // data information
    w.I32(1).Str("k").Str("v");                                    // attributes
    w.I32(3).I32(1).I32(0xFFFFFFFF).I32(0);                        // slot links: 0 -> pos 1, 1 free, 2 -> pos 0
    w.I32(2).I32(2).I32(0);                                        // positions
    w.I32(1);                                                      // free head
    w.I32(3);
    for (double v : {20.0, 99.0, 10.0}) {
      unsigned char b[8];
      std::memcpy(b, &v, 8);
      if (bigEndian) std::reverse(b, b + 8);
      w.Raw(b, 8);
    }
    w.I32(3).I32(1).I32(0).I32(2);  // orders per slot
    w.I32(2);                       // key
    const std::string path = dir_ / "record";
    zeltest::WriteFileBytes(path, w.bytes());

    ZELI_Container container;
    ZELI_Istream in(path.c_str(), bigEndian ? 1 : 0, 8);
    ZELI_KeyMap<ZELI_ExternalBase>& map = container.Get_ExternalConvertor();
    in >> map;
    container.Get_TypeTable().ReadTypes(in, map);
    std::unique_ptr<ZELI_DimensionDescriptor> descriptor(ZELI_DimensionDescriptor::Read(in, map));
    std::unique_ptr<ZELI_Parameter> p(ZELI_Parameter::Read(in, map, container));
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(p->Get_Key(), 2);
    EXPECT_EQ(p->Get_ValueCount(), 2u);
    EXPECT_EQ(p->Get_ParId(0), 2u);
    EXPECT_EQ(p->Get_Index(0), 1u);
    EXPECT_THROW(p->Get_Index(1), ZELI_BadArgException);
    EXPECT_STREQ(p->Get_Attribute("k"), "v");
    EXPECT_EQ(p->Get_CompressionUserCode(), -5);
    EXPECT_EQ(p->Get_OrderType_p(), container.Get_TypeTable().Get_InternalIntegerType_p());
    double value = 0;
    int order = -1;
    p->GetValue(0, &value, &order);
    EXPECT_EQ(value, 10);
    EXPECT_EQ(order, 2);
    EXPECT_EQ(p->Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  }
}

}  // namespace
