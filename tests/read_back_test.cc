// Tests: what the writers and the data set layouts store reads back bit for
// bit through ZELI_SourceWaveform::Get_WfSegment_p (Analog_Front blocks in
// every geometry, Digital_Front chains, One_Waveform dense and sparse,
// polynomial orders, strings, complex values), while writing, after reopen
// and in another process; the cached arrays kept between reads and let go
// when data is appended or committed; bad arguments; and damaged data files.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "access/cached_array.h"
#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "store/cache.h"
#include "store/memory_array.h"
#include "waveforms/front_data_sets.h"
#include "writer_test_support.h"

namespace zeltest {
namespace {

using WfSegment = std::unique_ptr<ZELI_WfSegment>;
using Doubles = std::vector<double>;

// The values of a data array, read one point at a time.
template <typename T>
std::vector<T> Values(const ZELI_WfDataArray& array) {
  std::vector<T> out(array.Get_PointCount());
  for (unsigned i = 0; i < out.size(); ++i) std::memcpy(&out[i], array.Get_PointAddress(i), sizeof(T));
  return out;
}

std::vector<std::string> Texts(const ZELI_WfDataArray& array) {
  std::vector<std::string> out;
  for (const char* text : Values<const char*>(array)) out.emplace_back(text != nullptr ? text : "<null>");
  return out;
}

// Equal bit patterns (a NaN equals itself, 0.0 differs from -0.0).
template <typename T>
bool SameBits(const std::vector<T>& a, const std::vector<T>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

// Every point of a waveform segment as text: X and Y bytes in hex (strings
// as their texts) and the order, so that two reads compare exactly.
std::string Snapshot(const ZELI_WfSegment& segment) {
  std::string out = std::to_string(segment.Get_SegmentIndex()) + "/" +
                    std::to_string(segment.Get_XInterpolationType()) + ":";
  auto append = [&out](const ZELI_WfDataArray& array, unsigned i) {
    const void* address = array.Get_PointAddress(i);
    if (array.Get_Type_p()->HoldsStrings()) {
      const char* text = *static_cast<const char* const*>(address);
      out += text != nullptr ? text : "<null>";
    }
    char hex[3];
    for (unsigned b = 0; !array.Get_Type_p()->HoldsStrings() && b < array.Get_SizeOf(); ++b) {
      std::snprintf(hex, sizeof hex, "%02x", static_cast<const unsigned char*>(address)[b]);
      out += hex;
    }
    out += ' ';
  };
  for (unsigned i = 0; i < segment.Get_XDataArray_p()->Get_PointCount(); ++i) {
    append(*segment.Get_XDataArray_p(), i);
    append(*segment.Get_YDataArray_p(), i);
    if (segment.Get_OrderArray_p() != nullptr) {
      out += std::to_string(*static_cast<const int*>(segment.Get_OrderArray_p()->Get_PointAddress(i))) + ";";
    }
  }
  return out;
}

// A waveform segment of waveform keyInSet of the named set, segment 0, in a
// container of session s.
WfSegment ReadIn(zel_session_t s, zel_container_t c, const std::string& set, int keyInSet) {
  zel_status_t status;
  const zel_waveformSet_t handle = ZEL_FindWaveformSet(s, c, set.c_str(), &status);
  if (status != ZEL_OK) throw ZELI_NotFoundException(ZEL_GetError());
  ZELI_WaveformSet* object = ObjectOf(s, handle);
  return WfSegment(object->Get_WaveformMap()[keyInSet]->Get_WfSegment_p(*object->Get_Segment_p(0)));
}

// What to read back after reopening: set name and key in set, to snapshot.
using Expected = std::map<std::pair<std::string, int>, std::string>;

// "" when every waveform of expected reads back as its snapshot in a new
// session that opens the container for reading, else the first difference.
std::string CheckReopened(const std::string& container, const Expected& expected) {
  zel_status_t status;
  zel_session_t s = ZEL_InitSession(&status);
  zel_container_t c = ZEL_OpenContainer(s, container.c_str(), ZEL_IOMODE_READ, &status);
  std::string difference = status == ZEL_OK ? "" : ZEL_GetError();
  for (const auto& [key, snapshot] : expected) {
    if (!difference.empty()) break;
    try {
      if (Snapshot(*ReadIn(s, c, key.first, key.second)) != snapshot) difference = key.first + " differs";
    } catch (const ZELI_Exception& e) {
      difference = key.first + ": " + e.what();
    }
  }
  ZEL_CloseContainer(s, c, &status);
  ZEL_TermSession(s, &status);
  return difference;
}

template <typename Body>
std::string FailureOf(Body body, zel_status_t* status = nullptr) {
  try {
    body();
  } catch (const ZELI_Exception& e) {
    if (status != nullptr) *status = e.status;
    return e.what();
  }
  return "no failure";
}

class ReadBackTest : public WriterFixture {
 protected:
  WfSegment Read(zel_waveform_t waveform, zel_segment_t segment = {-1}) {
    ZELI_Segment& s = segment.key == -1 ? Seg() : *ObjectOf(session_, segment);
    return WfSegment(SourceOf(session_, waveform)->Get_WfSegment_p(s));
  }
  ZELI_Cache& Cache() { return Seg().Get_Container_p()->Get_Cache(); }
  zel_dimensionDescriptor_t Typed(const char* name, zel_dataType_t kind) {
    zel_type_t type = Check(ZEL_CreateBuiltinType(session_, c_, name, kind, &status_));
    return Check(ZEL_CreateDimensionDescriptor(session_, c_, name, "", type, &status_));
  }
  // Reopened for reading here and in another process: both read expected.
  void ExpectReopenedEverywhere(const Expected& expected) {
    Close(c_);
    EXPECT_EQ(CheckReopened(name_, expected), "");
    EXPECT_EQ(RunInChild([&] { return CheckReopened(name_, expected).empty() ? 0 : 1; }), 0);
  }
};

// ---- Analog_Front --------------------------------------------------------------------

double FrontValue(unsigned position, unsigned i) { return position * 100000.0 + i + 0.25; }

TEST_F(ReadBackTest, AnalogFrontReadsBackInEveryBlockGeometry) {
  Expected expected;
  for (unsigned waveforms : {1000u, 1500u, 2001u}) {
    SCOPED_TRACE(waveforms);
    const std::string name = "analog" + std::to_string(waveforms);
    zel_waveformSet_t set = Set(c_, name.c_str());
    zel_segment_t segment = Segment(set);
    ZELI_SharedXSet* shared = NewSharedXSet(segment);
    auto* front = NewDataSet<ZELI_AnalogFrontDataSet>(shared);
    std::vector<zel_waveform_t> waves;
    for (unsigned p = 0; p < waveforms; ++p) {
      waves.push_back(Check(ZEL_CreateWaveform(session_, set, 0, y_, &status_)));
      front->Add_Waveform_p(SourceOf(session_, waves.back()));
    }
    shared->OpenMemory(ZEL_IOMODE_WRITE);
    shared->InitializeWriting();
    // Two full blocks and a partial third; the last front is never ended.
    const unsigned points = 2 * front->Get_PointsPerBlock() + 3;
    const unsigned written[] = {0, 1, waveforms / 2, waveforms - 1};
    for (unsigned i = 0; i <= points; ++i) {
      const double x = i * 0.5;
      shared->Add_XData(&x, 1);
      front->Add_Point(0);
      for (unsigned p : written) {
        const double v = FrontValue(p, i);
        front->EnterValues(p, &v, 1);
      }
    }
    front->Shutdown();
    shared->CloseMemory();
    for (unsigned p : {0u, 1u, 2u, waveforms / 2, waveforms - 1}) {
      WfSegment read = Read(waves[p], segment);
      Doubles x(points), y(points, 0.0);
      for (unsigned i = 0; i < points; ++i) {
        x[i] = i * 0.5;
        if (p != 2) y[i] = FrontValue(p, i);
      }
      EXPECT_TRUE(read->Get_XDataArray_p()->IsIndexed());
      EXPECT_EQ(read->Get_XInterpolationType(), ZEL_INTERPOLATION_LINEAR);
      EXPECT_TRUE(SameBits(Values<double>(*read->Get_XDataArray_p()), x)) << p;
      EXPECT_TRUE(SameBits(Values<double>(*read->Get_YDataArray_p()), y)) << p;
      expected[{name, static_cast<int>(p)}] = Snapshot(*read);
    }
  }
  ExpectReopenedEverywhere(expected);
}

// ---- Digital_Front ---------------------------------------------------------------------

TEST_F(ReadBackTest, DigitalFrontChainsReadBackAcrossChunks) {
  zel_dimensionDescriptor_t text = Typed("text", ZEL_STRING);
  ZELI_SharedXSet* shared = NewSharedXSet(segment_);
  auto* digital = NewDataSet<ZELI_DigitalFrontDataSet>(shared);
  const zel_waveform_t waves[] = {Wave(), Wave(), Wave(), Wave(text)};
  for (zel_waveform_t w : waves) digital->Add_Waveform_p(SourceOf(session_, w));
  shared->OpenMemory(ZEL_IOMODE_WRITE);
  shared->InitializeWriting();
  // Positions 0, 1 and 3 interleave their chunks; position 2 then runs on
  // alone, so that its chain is contiguous over many windows.
  std::vector<Doubles> xs(4), ys(4);
  std::vector<std::string> texts;
  for (int i = 0; i < 3040; ++i) {
    const double x = i * 1e-9;
    shared->Add_XData(&x, 1);
    auto enter = [&](unsigned p, double v) {
      digital->EnterValues(p, &v, 1);
      xs[p].push_back(x);
      ys[p].push_back(v);
    };
    if (i < 40) enter(0, 2.0 * i);
    if (i < 40 && i % 3 == 0) enter(1, -i);
    if (i >= 40) enter(2, std::sqrt(i));
    if (i < 40 && i % 2 == 0) {
      texts.push_back(i % 4 == 0 ? "" : "t" + std::to_string(i));
      const char* value = texts.back().c_str();
      digital->EnterValues(3, &value, 1);
      xs[3].push_back(x);
    }
  }
  shared->CloseMemory();
  for (unsigned p = 0; p < 4; ++p) {
    SCOPED_TRACE(p);
    WfSegment read = Read(waves[p]);
    EXPECT_TRUE(read->Get_XDataArray_p()->IsIndexed());
    EXPECT_EQ(read->Get_XInterpolationType(), ZEL_INTERPOLATION_CONSTANT);
    EXPECT_TRUE(SameBits(Values<double>(*read->Get_XDataArray_p()), xs[p]));
    if (p < 3) {
      EXPECT_TRUE(SameBits(Values<double>(*read->Get_YDataArray_p()), ys[p]));
    }
  }
  // An empty string is stored with length 0 and reads back as null.
  std::vector<std::string> wanted;
  for (const std::string& t : texts) wanted.push_back(t.empty() ? "<null>" : t);
  EXPECT_EQ(Texts(*Read(waves[3])->Get_YDataArray_p()), wanted);
  Expected expected;
  for (int p = 0; p < 4; ++p) expected[{"tran", p}] = Snapshot(*Read(waves[p]));
  ExpectReopenedEverywhere(expected);
}

// ---- One_Waveform through the array writer ----------------------------------------------

TEST_F(ReadBackTest, ArrayWriterValuesOfEveryKindReadBackBitForBit) {
  const zel_writer_t writer = Writer(ZEL_STORAGE_ANALOG);
  const zel_waveform_t real = Wave(), poly = Wave(), complexWave = Wave(Typed("z", ZEL_COMPLEX)),
                       text = Wave(Typed("s", ZEL_STRING));
  ZEL_WfDataWriter* dr = Add(writer, real);
  ZEL_WfDataWriter* dp = Add(writer, poly);
  ZEL_WfDataWriter* dz = Add(writer, complexWave);
  ZEL_WfDataWriter* ds = Add(writer, text);
  ZEL_WfDataWriterSetInterpolationType(dp, ZEL_INTERPOLATION_POLYNOMIAL, &status_);
  ZEL_InitializeArrayWriting(session_, writer, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("7");
  const unsigned n = 700;
  Doubles x(n), y(n), z(2 * n);
  std::vector<int> orders(n);
  std::vector<std::string> texts(n);
  std::vector<const char*> textValues(n);
  for (unsigned i = 0; i < n; ++i) {
    x[i] = i * 1e-6;
    y[i] = i % 7 == 0 ? -0.0 : std::ldexp(1.0 + i, -1060);  // denormals too
    orders[i] = static_cast<int>(i % 3);
    z[2 * i] = i % 5 == 0 ? nan : i;
    z[2 * i + 1] = i % 11 == 0 ? -inf : -1.5 * i;
    texts[i] = i % 9 == 0 ? "" : std::string(i % 40, 'a' + i % 26);
    textValues[i] = texts[i].c_str();
  }
  y[1] = inf;
  y[2] = nan;
  ZEL_AppendXArray(session_, writer, n, x.data(), &status_);
  ZEL_WfDataWriterAppendArrays(dr, n, y.data(), nullptr, nullptr, &status_);
  ZEL_WfDataWriterAppendArrays(dp, n, y.data(), orders.data(), nullptr, &status_);
  ZEL_WfDataWriterAppendArrays(dz, n, z.data(), nullptr, nullptr, &status_);
  ZEL_WfDataWriterAppendArrays(ds, n, textValues.data(), nullptr, nullptr, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();

  // Read while the writer still holds the data store open for writing.
  WfSegment r = Read(real), p = Read(poly), c = Read(complexWave), s = Read(text);
  EXPECT_FALSE(r->Get_XDataArray_p()->IsIndexed());
  EXPECT_TRUE(SameBits(Values<double>(*r->Get_XDataArray_p()), x));
  EXPECT_TRUE(SameBits(Values<double>(*r->Get_YDataArray_p()), y));
  EXPECT_EQ(r->Get_OrderArray_p(), nullptr);
  ASSERT_NE(p->Get_OrderArray_p(), nullptr);
  EXPECT_EQ(p->Get_XInterpolationType(), ZEL_INTERPOLATION_POLYNOMIAL);
  EXPECT_EQ(p->Get_OrderArray_p()->Get_ReferenceCount(), 1u);
  std::vector<int> readOrders(n);
  for (unsigned i = 0; i < n; ++i) readOrders[i] = *static_cast<const int*>(p->Get_OrderArray_p()->Get_PointAddress(i));
  EXPECT_EQ(readOrders, orders);
  EXPECT_TRUE(SameBits(Values<double>(*p->Get_YDataArray_p()), y));
  std::vector<double> readZ;
  for (const std::array<double, 2>& v : Values<std::array<double, 2>>(*c->Get_YDataArray_p())) {
    readZ.insert(readZ.end(), v.begin(), v.end());
  }
  EXPECT_TRUE(SameBits(readZ, z));
  std::vector<std::string> wanted;
  for (const std::string& t : texts) wanted.push_back(t.empty() ? "<null>" : t);
  EXPECT_EQ(Texts(*s->Get_YDataArray_p()), wanted);

  Expected expected;
  for (const auto& [key, segment] : {std::make_pair(0, &r), std::make_pair(1, &p), std::make_pair(2, &c),
                                     std::make_pair(3, &s)}) {
    expected[{"tran", key}] = Snapshot(**segment);
    segment->reset();
  }
  ZEL_TerminateWriting(session_, writer, &status_);
  ExpectReopenedEverywhere(expected);
}

TEST_F(ReadBackTest, SparseWaveformsReadTheirXValuesThroughTheirIndices) {
  const TwoWaves two = WriterOfTwo(ZEL_STORAGE_SPARSE);
  ZEL_InitializeArrayWriting(session_, two.w, &status_);
  Doubles xa, ya, xb, yb;
  for (int i = 0; i < 600; ++i) {
    const double x = 3.0 * i, v = i + 0.5;
    ZEL_AppendXArray(session_, two.w, 1, &x, &status_);
    if (i % 2 == 0) {
      ZEL_WfDataWriterAppendArrays(two.a, 1, &v, nullptr, &i, &status_);
      xa.push_back(x);
      ya.push_back(v);
    }
    if (i % 3 == 0) {
      ZEL_WfDataWriterAppendArrays(two.b, 1, &v, nullptr, &i, &status_);
      xb.push_back(x);
      yb.push_back(v);
    }
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
  ZEL_TerminateWriting(session_, two.w, &status_);
  WfSegment a = Read(two.wa), b = Read(two.wb);
  // Single values come through the indices: nothing is materialised.
  EXPECT_TRUE(SameBits(Values<double>(*a->Get_XDataArray_p()), xa));
  EXPECT_TRUE(SameBits(Values<double>(*b->Get_XDataArray_p()), xb));
  EXPECT_TRUE(a->Get_XDataArray_p()->IsIndexed());
  EXPECT_TRUE(b->Get_XDataArray_p()->IsIndexed());
  EXPECT_TRUE(SameBits(Values<double>(*a->Get_YDataArray_p()), ya));
  EXPECT_TRUE(SameBits(Values<double>(*b->Get_YDataArray_p()), yb));
  // Both read the one kept array of the shared X values.
  EXPECT_EQ(a->Get_XDataArray_p()->Get_ValueArray_p(), b->Get_XDataArray_p()->Get_ValueArray_p());
  Expected expected{{{"tran", 0}, Snapshot(*a)}, {{"tran", 1}, Snapshot(*b)}};
  a.reset();
  b.reset();
  ExpectReopenedEverywhere(expected);
}

// ---- kept cached arrays ----------------------------------------------------------------

TEST_F(ReadBackTest, CachedArraysAreKeptUntilTheDataChanges) {
  const zel_writer_t writer = Writer(ZEL_STORAGE_ANALOG);
  const zel_waveform_t wave = Wave();
  ZEL_WfDataWriter* data = Add(writer, wave);
  ZEL_InitializeArrayWriting(session_, writer, &status_);
  const Doubles values = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  ZEL_AppendXArray(session_, writer, 10, values.data(), &status_);
  ZEL_WfDataWriterAppendArrays(data, 10, values.data(), nullptr, nullptr, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();

  WfSegment first = Read(wave);
  ZELI_CachedArray* y = first->Get_YDataArray_p()->Get_DirectArray_p();
  ZELI_CachedArray* x = first->Get_XDataArray_p()->Get_DirectArray_p();
  EXPECT_EQ(Cache().Get_Count(), 2u);
  EXPECT_EQ(y->Get_DataInformation_p()->Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  // A second read, and one after both segments are gone, reuse them.
  EXPECT_EQ(Read(wave)->Get_YDataArray_p()->Get_DirectArray_p(), y);
  first.reset();
  EXPECT_EQ(Cache().CollectGarbage(), 0u);
  first = Read(wave);
  EXPECT_EQ(first->Get_YDataArray_p()->Get_DirectArray_p(), y);
  EXPECT_EQ(first->Get_XDataArray_p()->Get_DirectArray_p(), x);

  // Appending lets them go: the holder still reads the old values, a new
  // read sees the new ones, and the old arrays go with their last reference.
  const double more[2] = {11, 12};
  ZEL_AppendXArray(session_, writer, 2, more, &status_);
  ZEL_WfDataWriterAppendArrays(data, 2, more, nullptr, nullptr, &status_);
  EXPECT_FALSE(y->IsLocatable());
  EXPECT_FALSE(x->IsLocatable());
  EXPECT_EQ(Values<double>(*first->Get_YDataArray_p()), values);
  WfSegment second = Read(wave);
  EXPECT_EQ(second->Get_YDataArray_p()->Get_PointCount(), 12u);
  EXPECT_EQ(Values<double>(*second->Get_YDataArray_p()).back(), 12);
  EXPECT_EQ(Cache().Get_Count(), 4u);
  first.reset();
  EXPECT_EQ(Cache().Get_Count(), 2u);

  // A commit of waveform data lets go too; unreferenced arrays go at once.
  second.reset();
  ZEL_CommitWaveformData(session_, segment_, 0, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(Cache().Get_Count(), 0u);
  EXPECT_EQ(Read(wave)->Get_YDataArray_p()->Get_PointCount(), 12u);
  ZEL_TerminateWriting(session_, writer, &status_);
  Close(c_);
}

TEST_F(ReadBackTest, DenseWaveformsShowThePointsTheyShareWithTheXValues) {
  const TwoWaves two = WriterOfTwo(ZEL_STORAGE_ANALOG);
  ZEL_InitializeArrayWriting(session_, two.w, &status_);
  const Doubles x = {1, 2, 3, 4, 5}, y = {10, 20, 30};
  ZEL_AppendXArray(session_, two.w, 5, x.data(), &status_);
  ZEL_WfDataWriterAppendArrays(two.a, 3, y.data(), nullptr, nullptr, &status_);
  ZEL_WfDataWriterAppendArrays(two.b, 5, x.data(), nullptr, nullptr, &status_);
  WfSegment a = Read(two.wa);
  EXPECT_EQ(Values<double>(*a->Get_XDataArray_p()), (Doubles{1, 2, 3}));
  EXPECT_EQ(Values<double>(*a->Get_YDataArray_p()), y);
  EXPECT_EQ(Values<double>(*Read(two.wb)->Get_YDataArray_p()), x);
  a.reset();
  Close(c_);
}

// ---- bad arguments and damaged files ---------------------------------------------------

TEST_F(ReadBackTest, BadRequestsFailWithTheirMessages) {
  zel_status_t status = ZEL_OK;
  const zel_waveform_t silent = Wave();
  EXPECT_EQ(FailureOf([&] { Read(silent); }, &status), "The waveform has no data");
  EXPECT_EQ(status, ZEL_NOT_FOUND);
  zel_waveformSet_t other = Set(c_, "other");
  const zel_waveform_t stranger = Check(ZEL_CreateWaveform(session_, other, 0, y_, &status_));
  EXPECT_EQ(FailureOf([&] { Read(stranger); }, &status),
            "The waveform and the segment belong to different waveform sets.");
  EXPECT_EQ(status, ZEL_BAD_ARG);

  ZELI_SharedXSet* shared = NewSharedXSet(segment_);
  ZELI_ArrayDataSet* xValues = shared->Get_XValues_p();
  EXPECT_EQ(FailureOf([&] { xValues->Get_WfSegmentXData(0); }),
            "ZELI_ArrayDataSet::Get_WfSegmentXData: data set has no waveforms");
  EXPECT_EQ(FailureOf([&] { xValues->Get_WfSegmentYData(0); }),
            "ZELI_ArrayDataSet::Get_WfSegmentYData: data set has no waveforms");
  EXPECT_EQ(FailureOf([&] { xValues->Invalidate_CachedArray_p(1); }), "ZELI_ArrayDataSet::Invalidate_CachedArray_p");
  auto* one = NewDataSet<ZELI_OneWaveformDataSet>(shared, false);
  EXPECT_EQ(FailureOf([&] { one->Invalidate_CachedArray_p(1); }), "ZELI_OneWaveformDataSet::Invalidate_CachedArray_p");
  auto* analog = NewDataSet<ZELI_AnalogFrontDataSet>(shared);
  EXPECT_EQ(FailureOf([&] { analog->Invalidate_CachedArray_p(0); }),
            "ZELI_AnalogFrontDataSet::Invalidate_CachedArray_p");
  auto* digital = NewDataSet<ZELI_DigitalFrontDataSet>(shared);
  EXPECT_EQ(FailureOf([&] { digital->Invalidate_CachedArray_p(0); }),
            "ZELI_DigitalFrontDataSet::Invalidate_CachedArray_p");

  // The segment index comes from the segment's parameter values.
  zel_parameter_t sweep = Parameter(c_, "vdd", y_, {1.0, 1.1, 1.2});
  zel_waveformSet_t swept = Set(c_, "swept", 1, &sweep);
  zel_segment_t third = Check(ZEL_CreateSegmentByIndex(session_, swept, 2, &status_));
  const zel_waveform_t wave = Check(ZEL_CreateWaveform(session_, swept, 0, y_, &status_));
  const zel_writer_t writer = Check(ZEL_CreateWriter(session_, third, 0, ZEL_STORAGE_ANALOG, &status_));
  ZEL_WfDataWriter* data = Add(writer, wave);
  ZEL_InitializeFrontWriting(session_, writer, &status_);
  Front(writer, 1.0, {{data, 5.0}});
  EXPECT_EQ(Read(wave, third)->Get_SegmentIndex(), 2u);
  ZEL_TerminateWriting(session_, writer, &status_);
  Close(c_);
}

// Where byte `position` of array lies in its data file.
uint64_t FileOffset(const ZELI_MemoryArray& array, unsigned position) {
  const uint64_t logical = uint64_t{array.Get_StartOffset()} + position;
  const unsigned page = array.Get_PageSize();
  return uint64_t{array.Get_PageList().at(logical / page)} * page + logical % page;
}

class DamagedDataTest : public ReadBackTest {
 protected:
  // Writes 25 points of a Digital_Front waveform (three chunks; key in set
  // 0) and 1000 of a polynomial One_Waveform (key 1), then closes.
  void SetUp() override {
    ReadBackTest::SetUp();
    ZELI_SharedXSet* shared = NewSharedXSet(segment_);
    auto* digital = NewDataSet<ZELI_DigitalFrontDataSet>(shared);
    digital->Add_Waveform_p(SourceOf(session_, Wave()));
    const zel_writer_t writer = Writer(ZEL_STORAGE_ANALOG);
    ZEL_WfDataWriter* data = Add(writer, Wave());
    ZEL_WfDataWriterSetInterpolationType(data, ZEL_INTERPOLATION_POLYNOMIAL, &status_);
    ZEL_InitializeArrayWriting(session_, writer, &status_);
    const Doubles values(1000, 0.5);
    const std::vector<int> orders(1000, 1);
    ZEL_AppendXArray(session_, writer, 1000, values.data(), &status_);
    ZEL_WfDataWriterAppendArrays(data, 1000, values.data(), orders.data(), nullptr, &status_);
    ZEL_TerminateWriting(session_, writer, &status_);
    shared->OpenMemory(ZEL_IOMODE_WRITE);
    shared->InitializeWriting();
    for (int i = 0; i < 25; ++i) {
      const double x = i;
      shared->Add_XData(&x, 1);
      digital->EnterValues(0, &x, 1);
    }
    shared->CloseMemory();
    dataFile_ = Seg().Get_DataStoreFile(0, ".data");
    Close(c_);
  }
  // Opens the container for reading and runs body on the data set that
  // holds waveform key (in set) and on that waveform's segment.
  template <typename Body>
  void Reopened(int key, Body body) {
    zel_container_t c = Open(ZEL_IOMODE_READ);
    ZELI_WaveformSet* set = ObjectOf(session_, ZEL_FindWaveformSet(session_, c, "tran", &status_));
    ZELI_SourceWaveform* waveform = set->Get_WaveformMap()[key];
    body(*waveform, *set->Get_Segment_p(0));
    Close(c);
  }
  // Overwrites 4 bytes of the data file: in the first digital chunk at
  // byte `at`, or in the orders array at byte `at`.
  void Patch(int key, unsigned at, int value) {
    uint64_t offset = 0;
    Reopened(key, [&](ZELI_SourceWaveform& waveform, ZELI_Segment& segment) {
      ZELI_DataSet* dataSet = waveform.Get_DataSet_p(segment);
      if (key == DigitalKey) {
        auto* digital = static_cast<ZELI_DigitalFrontDataSet*>(dataSet);
        offset = FileOffset(*digital->Get_Values_p(), digital->Get_Chunk(0).firstOffset + at);
      } else {
        offset = FileOffset(*static_cast<ZELI_OneWaveformDataSet*>(dataSet)->Get_Orders_p()->Get_Values_p(), at);
      }
    });
    std::vector<unsigned char> bytes = ReadFileBytes(dataFile_);
    ASSERT_LE(offset + 4, bytes.size());
    std::memcpy(bytes.data() + offset, &value, 4);
    WriteFileBytes(dataFile_, bytes);
  }
  std::string ReadFailure(int key) {
    std::string failure;
    Reopened(key, [&](ZELI_SourceWaveform& waveform, ZELI_Segment& segment) {
      failure = FailureOf([&] { delete waveform.Get_WfSegment_p(segment); });
    });
    return failure;
  }
  static constexpr int DigitalKey = 0, PolynomialKey = 1;
  std::string dataFile_;
};

TEST_F(DamagedDataTest, ADamagedChunkChainIsRefused) {
  EXPECT_EQ(ReadFailure(DigitalKey), "no failure");
  Patch(DigitalKey, 0, 99);  // the first chunk's capacity
  EXPECT_EQ(ReadFailure(DigitalKey), "ZELI_DigitalFrontDataSet::Get_Data: chunk capacity");
  Patch(DigitalKey, 0, 10);
  Patch(DigitalKey, 4, 0);  // its next chunk: before itself
  EXPECT_EQ(ReadFailure(DigitalKey), "ZELI_DigitalFrontDataSet::Get_Data: chunk chain");
  Patch(DigitalKey, 4, 0x7FFFFF00);  // far beyond the array
  EXPECT_EQ(ReadFailure(DigitalKey), "ZELI_DigitalFrontDataSet::Get_Data: chunk offset");
}

TEST_F(DamagedDataTest, AStoredOrderOutOfRangeIsRefused) {
  EXPECT_EQ(ReadFailure(PolynomialKey), "no failure");
  Patch(PolynomialKey, 4 * 500, 3);
  EXPECT_EQ(ReadFailure(PolynomialKey), "ZELI_DataSet: stored order out of range");
}

TEST_F(DamagedDataTest, ATruncatedDataFileIsRefused) {
  std::vector<unsigned char> bytes = ReadFileBytes(dataFile_);
  bytes.resize(4096);
  WriteFileBytes(dataFile_, bytes);
  zel_status_t status = ZEL_OK;
  std::string failure;
  zel_container_t c = ZEL_OpenContainer(session_, name_.c_str(), ZEL_IOMODE_READ, &status);
  if (status == ZEL_OK) {
    ZELI_WaveformSet* set = ObjectOf(session_, ZEL_FindWaveformSet(session_, c, "tran", &status_));
    ZELI_SourceWaveform* waveform = set->Get_WaveformMap()[PolynomialKey];
    failure = FailureOf([&] { delete waveform->Get_WfSegment_p(*set->Get_Segment_p(0)); }, &status);
    Close(c);
  } else {
    failure = ZEL_GetError();
  }
  EXPECT_EQ(failure, "Corrupted data file.");
  EXPECT_EQ(status, ZEL_FAILED);
}

}  // namespace
}  // namespace zeltest
