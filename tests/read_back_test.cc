// Tests: what the writers and the data set layouts store reads back bit for
// bit through ZELI_ReadWfSegment (Analog_Front blocks in every geometry,
// with their bytes at their exact offsets, Digital_Front chains,
// One_Waveform dense and sparse, polynomial orders, strings, complex
// values), while writing, after reopen and in another process; the cached
// arrays kept between reads and let go when data is appended or committed;
// bad requests and damaged data files.
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/cached_array.h"
#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "access/wf_segment_read.h"
#include "store/cache.h"
#include "store/fault_fs.h"
#include "store/memory_array.h"
#include "waveforms/front_data_sets.h"
#include "writer_test_support.h"

namespace zeltest {
namespace {

using WfSegment = std::unique_ptr<ZELI_WfSegment>;
using Doubles = std::vector<double>;
using Points = std::vector<std::string>;

// Point i of a data array as its bytes (strings: the text, "-" for null),
// read through its address: nothing is materialised.
std::string At(const ZELI_WfDataArray& array, unsigned i) {
  const char* value = static_cast<const char*>(array.Get_PointAddress(i));
  if (!array.Get_Type_p()->HoldsStrings()) return std::string(value, array.Get_SizeOf());
  const char* text = *reinterpret_cast<const char* const*>(value);
  return text != nullptr ? text : "-";
}
Points PointsOf(const ZELI_WfDataArray& array) {
  Points out;
  for (unsigned i = 0; i < array.Get_PointCount(); ++i) out.push_back(At(array, i));
  return out;
}
// Bit patterns of n doubles per point (a NaN equals itself, -0.0 differs).
Points Bytes(const Doubles& values, size_t n = 1) {
  Points out;
  for (size_t i = 0; i < values.size(); i += n) out.emplace_back(reinterpret_cast<const char*>(&values[i]), 8 * n);
  return out;
}

// Every point of a waveform segment with its order, to compare two reads.
std::string Snapshot(const ZELI_WfSegment& segment) {
  std::string out = std::to_string(segment.Get_SegmentIndex()) + std::to_string(segment.Get_XInterpolationType());
  for (unsigned i = 0; i < segment.Get_XDataArray_p()->Get_PointCount(); ++i) {
    out += At(*segment.Get_XDataArray_p(), i) + '|' + At(*segment.Get_YDataArray_p(), i) + '|';
    if (const ZELI_CachedArray* orders = segment.Get_OrderArray_p()) {
      out.append(static_cast<const char*>(orders->Get_PointAddress(i)), 4);
    }
  }
  return out;
}

// Snapshots by waveform set name and key in set (segment 0).
using Expected = std::map<std::pair<std::string, int>, std::string>;

// "" when a new session that opens the container for reading reads every
// waveform of expected as its snapshot; else the first difference.
std::string CheckReopened(const std::string& name, const Expected& expected) {
  zel_status_t status;
  zel_session_t s = ZEL_InitSession(&status);
  zel_container_t c = ZEL_OpenContainer(s, name.c_str(), ZEL_IOMODE_READ, &status);
  std::string difference = status == ZEL_OK ? "" : ZEL_GetError();
  for (const auto& [key, snapshot] : expected) {
    const zel_waveformSet_t set = ZEL_FindWaveformSet(s, c, key.first.c_str(), &status);
    if (!difference.empty() || status != ZEL_OK) break;
    ZELI_WaveformSet* object = ObjectOf(s, set);
    try {
      WfSegment read(ZELI_ReadWfSegment(*object->Get_WaveformMap()[key.second], *object->Get_Segment_p(0)));
      if (Snapshot(*read) != snapshot) difference = key.first + " differs";
    } catch (const ZELI_Exception& e) {
      difference = key.first + ": " + e.what();
    }
  }
  ZEL_CloseContainer(s, c, &status);
  ZEL_TermSession(s, &status);
  return difference;
}

class ReadBackTest : public WriterFixture {
 protected:
  WfSegment Read(zel_waveform_t waveform, zel_segment_t segment = {-1}) {
    ZELI_Segment& s = segment.key == -1 ? Seg() : *ObjectOf(session_, segment);
    return WfSegment(ZELI_ReadWfSegment(*SourceOf(session_, waveform), s));
  }
  zel_dimensionDescriptor_t Typed(const char* name, zel_dataType_t kind) {
    zel_type_t type = Check(ZEL_CreateBuiltinType(session_, c_, name, kind, &status_));
    return Check(ZEL_CreateDimensionDescriptor(session_, c_, name, "", type, &status_));
  }
  void ExpectReopenedEverywhere(const Expected& expected) {
    file_ = Seg().Get_DataStoreFile(0, ".data");
    Close(c_);
    EXPECT_EQ(CheckReopened(name_, expected), "");
    EXPECT_EQ(RunInChild([&] { return CheckReopened(name_, expected).empty() ? 0 : 1; }), 0);
  }
  // Writes value over the 4 bytes at offset of the data file of "tran" (a
  // file cut shorter: nothing), then what reading waveform key of "tran"
  // in the reopened container fails with.
  std::string ReadDamaged(uint64_t offset, int value, int key) {
    std::vector<unsigned char> bytes = ReadFileBytes(file_);
    if (bytes.size() >= 4 && offset <= bytes.size() - 4) std::memcpy(bytes.data() + offset, &value, 4);
    WriteFileBytes(file_, bytes);
    zel_container_t c = Open(ZEL_IOMODE_READ);
    ZELI_WaveformSet* set = ObjectOf(session_, ZEL_FindWaveformSet(session_, c, "tran", &status_));
    std::string what = FailureOf([&] { delete ZELI_ReadWfSegment(*set->Get_WaveformMap()[key], *set->Get_Segment_p(0)); });
    Close(c);
    return what;
  }
  std::string file_;
};

TEST_F(ReadBackTest, FrontLayoutsReadBackBitForBit) {
  Expected expected;
  // Analog_Front with 512, 256 and 128 points per block: two full blocks and
  // a partial third, position 1 never written, the last front never ended.
  struct Geometry {
    unsigned count, pointsPerBlock;
  };
  for (const Geometry& g : {Geometry{1000, 512}, Geometry{1500, 256}, Geometry{2001, 128}}) {
    const unsigned count = g.count;
    SCOPED_TRACE(count);
    const std::string name = "analog" + std::to_string(count);
    const zel_waveformSet_t set = Set(c_, name.c_str());
    const zel_segment_t segment = Segment(set);
    ZELI_SharedXSet* shared = NewSharedXSet(segment);
    auto* front = NewDataSet<ZELI_AnalogFrontDataSet>(shared);
    std::vector<zel_waveform_t> waves(count);
    for (zel_waveform_t& w : waves) {
      w = Check(ZEL_CreateWaveform(session_, set, 0, y_, &status_));
      front->Add_Waveform_p(SourceOf(session_, w));
    }
    shared->OpenMemory(ZEL_IOMODE_WRITE);
    shared->InitializeWriting();
    const unsigned ppb = front->Get_PointsPerBlock();
    ASSERT_EQ(ppb, g.pointsPerBlock);
    // A block holds ppb values of each waveform in turn.
    const unsigned B = ppb * 8, S = count * B;
    EXPECT_EQ(front->Get_BlockBytesPerWaveform(), B);
    EXPECT_EQ(front->Get_BlockBytesPerFront(), S);
    const unsigned points = 2 * ppb + 3;
    std::map<unsigned, Doubles> ys{{0, {}}, {1, Doubles(points, 0.0)}, {count / 2, {}}, {count - 1, {}}};
    Doubles xs;
    for (unsigned i = 0; i <= points; ++i) {
      const double x = i * 0.5;
      shared->Add_XData(&x, 1);
      front->Add_Point(0);
      if (i < points) xs.push_back(x);
      for (auto& [p, y] : ys) {
        const double v = p * 100000.0 + i + 0.25;
        if (p != 1) front->EnterValues(p, &v, 1);
        if (p != 1 && i < points) y.push_back(v);
      }
    }
    EXPECT_EQ(front->Get_PointCount(0), points + 1);
    // Staged values reach the array's bytes at their exact offsets when the
    // tiles are written out; points not yet written in the last block read
    // zero, although its block may be built in an earlier one's memory.
    front->FlushStaged();
    for (const auto& [p, y] : ys) {
      for (unsigned i : {0u, 1u, ppb - 1, ppb, ppb + 1, 2 * ppb + 2}) {
        EXPECT_EQ(Raw(*front, uint64_t{S} * (i / ppb) + uint64_t{B} * p + 8 * (i % ppb)), y[i])
            << "position " << p << " value " << i;
      }
      EXPECT_EQ(Raw(*front, 2 * uint64_t{S} + uint64_t{B} * p + 8 * 5), 0.0) << p;
    }
    // The last front, never ended, is dropped.
    front->Shutdown();
    EXPECT_EQ(front->Get_PointCount(0), points);
    EXPECT_EQ(front->Get_XIndices_p()->Get_Count(), points);
    shared->CloseMemory();
    for (const auto& [p, y] : ys) {
      WfSegment read = Read(waves[p], segment);
      EXPECT_TRUE(read->Get_XDataArray_p()->IsIndexed());
      EXPECT_EQ(PointsOf(*read->Get_XDataArray_p()), Bytes(xs)) << p;
      EXPECT_EQ(PointsOf(*read->Get_YDataArray_p()), Bytes(y)) << p;
      expected[{name, static_cast<int>(p)}] = Snapshot(*read);
    }
  }
  // Digital_Front: positions 0 and 2 (strings) interleave their chunks;
  // position 1 then runs on alone, contiguous over many read windows.
  ZELI_SharedXSet* shared = NewSharedXSet(segment_);
  auto* digital = NewDataSet<ZELI_DigitalFrontDataSet>(shared);
  const zel_waveform_t waves[] = {Wave(), Wave(), Wave(Typed("text", ZEL_STRING))};
  for (zel_waveform_t w : waves) digital->Add_Waveform_p(SourceOf(session_, w));
  shared->OpenMemory(ZEL_IOMODE_WRITE);
  shared->InitializeWriting();
  Points xs[3], ys[3];
  for (int i = 0; i < 3040; ++i) {
    const double x = i * 1e-9, v = i < 40 ? 2.0 * i : std::sqrt(i);
    const std::string text = i % 4 == 0 ? "" : "t" + std::to_string(i);  // "" is stored as null
    const char* t = text.c_str();
    shared->Add_XData(&x, 1);
    for (unsigned p : {0u, 1u, 2u}) {
      if (p == 0 ? i >= 40 : p == 1 ? i < 40 : i >= 40 || i % 2 != 0) continue;
      digital->EnterValues(p, p == 2 ? static_cast<const void*>(&t) : &v, 1);
      xs[p].push_back(Bytes({x})[0]);
      ys[p].push_back(p == 2 ? (text.empty() ? "-" : text) : Bytes({v})[0]);
    }
  }
  shared->CloseMemory();
  for (int p = 0; p < 3; ++p) {
    WfSegment read = Read(waves[p]);
    EXPECT_EQ(read->Get_XInterpolationType(), ZEL_INTERPOLATION_CONSTANT);
    EXPECT_EQ(PointsOf(*read->Get_XDataArray_p()), xs[p]) << p;
    EXPECT_EQ(PointsOf(*read->Get_YDataArray_p()), ys[p]) << p;
    expected[{"tran", p}] = Snapshot(*read);
  }
  const uint64_t chunk = FileOffset(*digital->Get_Values_p(), digital->Get_Chunk(0).firstOffset);
  ExpectReopenedEverywhere(expected);
  {
    // Every waveform's pages are announced before they are read; hints
    // refused by the file system change no byte read.
    ZELI_FaultFileSystem faults;
    ZELI_ScopedFileSystem scope(&faults);
    EXPECT_EQ(CheckReopened(name_, expected), "");
    EXPECT_GE(faults.Get_CallCount(ZELI_FaultFileSystem::ADVISE), expected.size());
    faults.FailCall(ZELI_FaultFileSystem::ADVISE, 1, EIO, /*persistent=*/true);
    EXPECT_EQ(CheckReopened(name_, expected), "");
  }
  // A damaged chain fails instead of being followed.
  EXPECT_EQ(ReadDamaged(chunk, 99, 0), "ZELI_DigitalFrontDataSet::Get_Data: chunk capacity");
  ReadDamaged(chunk, 10, 0);
  EXPECT_EQ(ReadDamaged(chunk + 4, 0, 0), "ZELI_DigitalFrontDataSet::Get_Data: chunk chain");  // next: backwards
}

// Chains of a few signals lie close together: one read takes in many of a
// chain's chunks, so a chain costs a few reads, not one per chunk. Chains
// of many signals lie too far apart for that and are read chunk by chunk.
TEST_F(ReadBackTest, DigitalChainsLyingCloseAreReadInFewCalls) {
  for (unsigned signals : {4u, 40u}) {
    const zel_waveformSet_t set = Set(c_, ("chains" + std::to_string(signals)).c_str());
    const zel_segment_t segment = Segment(set);
    ZELI_SharedXSet* shared = NewSharedXSet(segment);
    auto* digital = NewDataSet<ZELI_DigitalFrontDataSet>(shared);
    std::vector<zel_waveform_t> waves(signals);
    for (zel_waveform_t& w : waves) {
      w = Check(ZEL_CreateWaveform(session_, set, 0, y_, &status_));
      digital->Add_Waveform_p(SourceOf(session_, w));
    }
    shared->OpenMemory(ZEL_IOMODE_WRITE);
    shared->InitializeWriting();
    Doubles xs, ys;
    for (unsigned i = 0; i < 600; ++i) {
      const double x = i * 1e-9;
      shared->Add_XData(&x, 1);
      for (unsigned p = 0; p < signals; ++p) {
        const double v = p * 1000.0 + i;
        digital->EnterValues(p, &v, 1);
        if (p == 1) ys.push_back(v);
      }
      xs.push_back(x);
    }
    shared->CloseMemory();
    ZELI_FaultFileSystem faults;
    ZELI_ScopedFileSystem scope(&faults);
    WfSegment read = Read(waves[1], segment);
    EXPECT_EQ(PointsOf(*read->Get_XDataArray_p()), Bytes(xs)) << signals;
    EXPECT_EQ(PointsOf(*read->Get_YDataArray_p()), Bytes(ys)) << signals;
    // 60 chunks of 10 points; 4 signals: 512 bytes apart, 40: 5120.
    if (signals == 4) {
      // The first chunk alone, then the rest of the chain at once; the X
      // values' two pages (a page-sized cursor would read 8 pages of chunks).
      EXPECT_LE(faults.Get_CallCount(ZELI_FaultFileSystem::READ), 6u);
    }
  }
}

// Complex and string values get a summary too: their own orders (complex:
// below when both parts are below; strings: byte order).
TEST_F(ReadBackTest, ComplexAndStringWaveformsHaveExtremes) {
  const zel_writer_t writer = Writer(ZEL_STORAGE_ANALOG);
  const zel_waveform_t z = Wave(Typed("z", ZEL_COMPLEX)), s = Wave(Typed("s", ZEL_STRING));
  ZEL_WfDataWriter* zData = Add(writer, z);
  ZEL_WfDataWriter* sData = Add(writer, s);
  ZEL_InitializeArrayWriting(session_, writer, &status_);
  const double x[3] = {0, 1, 2}, zs[6] = {1, 1, 2, 3, 3, 4};
  const char* texts[3] = {"b", "a", "c"};
  ZEL_AppendXArray(session_, writer, 3, x, &status_);
  ZEL_WfDataWriterAppendArrays(zData, 3, zs, nullptr, nullptr, &status_);
  ZEL_WfDataWriterAppendArrays(sData, 3, texts, nullptr, nullptr, &status_);
  ZEL_TerminateWriting(session_, writer, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();

  const WfSegment complex = Read(z);
  EXPECT_EQ(ZEL_GetWfSegmentYMonotonicity(complex->Get_ApiObject_p(), &status_),
            ZEL_MONOTONICITY_STRICTLY_INCREASING);
  double min[2] = {}, max[2] = {};
  ZEL_GetWfSegmentYMinMax(complex->Get_ApiObject_p(), min, max, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(std::vector<double>(min, min + 2), (std::vector<double>{1, 1}));
  EXPECT_EQ(std::vector<double>(max, max + 2), (std::vector<double>{3, 4}));

  const WfSegment strings = Read(s);
  EXPECT_EQ(ZEL_GetWfSegmentYMonotonicity(strings->Get_ApiObject_p(), &status_), ZEL_MONOTONICITY_NONE);
  char* least = nullptr;
  char* most = nullptr;
  ZEL_GetWfSegmentYMinMax(strings->Get_ApiObject_p(), &least, &most, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_STREQ(least, "a");
  EXPECT_STREQ(most, "c");
  std::free(least);
  std::free(most);
}

TEST_F(ReadBackTest, ArrayWriterValuesOfEveryKindReadBackBitForBit) {
  const zel_writer_t writer = Writer(ZEL_STORAGE_ANALOG);
  const zel_waveform_t waves[] = {Wave(), Wave(), Wave(Typed("z", ZEL_COMPLEX)), Wave(Typed("s", ZEL_STRING)), Wave()};
  ZEL_WfDataWriter* data[5];
  for (int k = 0; k < 5; ++k) data[k] = Add(writer, waves[k]);
  ZEL_WfDataWriterSetInterpolationType(data[1], ZEL_INTERPOLATION_POLYNOMIAL, &status_);
  ZEL_InitializeArrayWriting(session_, writer, &status_);
  const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("7");
  const unsigned n = 700;
  Doubles x(n), y(n), z(2 * n);
  std::vector<int> orders(n);
  Points texts(n);
  std::vector<const char*> textValues(n);
  for (unsigned i = 0; i < n; ++i) {
    x[i] = i * 1e-6;
    y[i] = i % 7 == 0 ? -0.0 : i == 1 ? inf : i == 2 ? nan : std::ldexp(1.0 + i, -1060);  // denormals
    orders[i] = static_cast<int>(i % 3);
    z[2 * i] = i % 5 == 0 ? nan : i;
    z[2 * i + 1] = i % 11 == 0 ? -inf : -1.5 * i;
    texts[i] = std::string(i % 40, static_cast<char>('a' + i % 26));
    textValues[i] = texts[i].c_str();
    if (texts[i].empty()) texts[i] = "-";
  }
  ZEL_AppendXArray(session_, writer, n, x.data(), &status_);
  ZEL_WfDataWriterAppendArrays(data[0], n, y.data(), nullptr, nullptr, &status_);
  ZEL_WfDataWriterAppendArrays(data[1], n, y.data(), orders.data(), nullptr, &status_);
  ZEL_WfDataWriterAppendArrays(data[2], n, z.data(), nullptr, nullptr, &status_);
  ZEL_WfDataWriterAppendArrays(data[3], n, textValues.data(), nullptr, nullptr, &status_);
  ZEL_WfDataWriterAppendArrays(data[4], 3, y.data(), nullptr, nullptr, &status_);  // fewer than the X values
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();

  // Read while the writer still holds the data store open for writing.
  WfSegment read[5];
  for (int k = 0; k < 5; ++k) read[k] = Read(waves[k]);
  EXPECT_EQ(PointsOf(*read[0]->Get_XDataArray_p()), Bytes(x));
  EXPECT_EQ(PointsOf(*read[0]->Get_YDataArray_p()), Bytes(y));
  EXPECT_EQ(read[0]->Get_OrderArray_p(), nullptr);
  EXPECT_EQ(PointsOf(*read[1]->Get_YDataArray_p()), Bytes(y));
  ASSERT_NE(read[1]->Get_OrderArray_p(), nullptr);
  EXPECT_EQ(read[1]->Get_OrderArray_p()->Get_ReferenceCount(), 1u);
  EXPECT_EQ(std::memcmp(read[1]->Get_OrderArray_p()->Get_Data_p(), orders.data(), 4 * n), 0);
  EXPECT_EQ(PointsOf(*read[2]->Get_YDataArray_p()), Bytes(z, 2));
  EXPECT_EQ(PointsOf(*read[3]->Get_YDataArray_p()), texts);
  // A dense waveform shows the points that it shares with the X values.
  EXPECT_EQ(PointsOf(*read[4]->Get_XDataArray_p()), Bytes({x[0], x[1], x[2]}));
  Expected expected;
  for (int k = 0; k < 5; ++k) {
    expected[{"tran", k}] = Snapshot(*read[k]);
    read[k].reset();
  }
  const auto* poly = static_cast<ZELI_OneWaveformDataSet*>(SourceOf(session_, waves[1])->Get_DataSet_p(Seg()));
  const uint64_t order = FileOffset(*poly->Get_Orders_p()->Get_Values_p(), 4 * 500);
  ZEL_TerminateWriting(session_, writer, &status_);

  // Sparse: the X values are read through the waveform's X indices, and
  // single values never materialise the indexed array.
  const zel_waveformSet_t set = Set(c_, "sparse");
  const zel_waveform_t wave = Check(ZEL_CreateWaveform(session_, set, 0, y_, &status_));
  const zel_writer_t sparse = Check(ZEL_CreateWriter(session_, Segment(set), 0, ZEL_STORAGE_SPARSE, &status_));
  ZEL_WfDataWriter* sparseData = Add(sparse, wave);
  ZEL_InitializeArrayWriting(session_, sparse, &status_);
  Doubles xs, ys;
  for (int i = 0; i < 600; ++i) {
    const double xi = 3.0 * i, v = i + 0.5;
    ZEL_AppendXArray(session_, sparse, 1, &xi, &status_);
    if (i % 3 != 0) continue;
    ZEL_WfDataWriterAppendArrays(sparseData, 1, &v, nullptr, &i, &status_);
    xs.push_back(xi);
    ys.push_back(v);
  }
  ZEL_TerminateWriting(session_, sparse, &status_);
  WfSegment sparseRead(ZELI_ReadWfSegment(*SourceOf(session_, wave), *ObjectOf(session_, set)->Get_Segment_p(0)));
  EXPECT_EQ(PointsOf(*sparseRead->Get_XDataArray_p()), Bytes(xs));
  EXPECT_EQ(PointsOf(*sparseRead->Get_YDataArray_p()), Bytes(ys));
  EXPECT_TRUE(sparseRead->Get_XDataArray_p()->IsIndexed());
  expected[{"sparse", 0}] = Snapshot(*sparseRead);
  sparseRead.reset();
  ExpectReopenedEverywhere(expected);
  // Damaged data: an order that no interpolation has, then a data file cut
  // short of the pages that its record promises.
  EXPECT_EQ(ReadDamaged(order, 3, 1), "ZELI_DataSet: stored order out of range");
  std::vector<unsigned char> bytes = ReadFileBytes(file_);
  bytes.resize(4096);
  WriteFileBytes(file_, bytes);
  EXPECT_EQ(ReadDamaged(~0ull, 0, 1), "Corrupted data file.");
}

TEST_F(ReadBackTest, CachedArraysAreKeptUntilTheDataChanges) {
  const zel_writer_t writer = Writer(ZEL_STORAGE_ANALOG);
  const zel_waveform_t wave = Wave();
  ZEL_WfDataWriter* data = Add(writer, wave);
  ZEL_InitializeArrayWriting(session_, writer, &status_);
  auto append = [&](const Doubles& values) {
    ZEL_AppendXArray(session_, writer, static_cast<unsigned>(values.size()), values.data(), &status_);
    ZEL_WfDataWriterAppendArrays(data, static_cast<unsigned>(values.size()), values.data(), nullptr, nullptr, &status_);
  };
  append({1, 2, 3});
  ZELI_Cache& cache = Seg().Get_Container_p()->Get_Cache();
  WfSegment first = Read(wave);
  ZELI_CachedArray* y = first->Get_YDataArray_p()->Get_DirectArray_p();
  EXPECT_EQ(cache.Get_Count(), 2u);  // the X values and the Y values
  // Kept while the data stays: a second read and one after every holder
  // (and a garbage collection) has gone find the same arrays.
  EXPECT_EQ(Read(wave)->Get_YDataArray_p()->Get_DirectArray_p(), y);
  first.reset();
  EXPECT_EQ(cache.CollectGarbage(), 0u);
  first = Read(wave);
  EXPECT_EQ(first->Get_YDataArray_p()->Get_DirectArray_p(), y);
  // Appending lets them go: the holder still reads the old values, a new
  // read sees the new ones, the old arrays leave with their last holder.
  append({4});
  EXPECT_FALSE(y->IsLocatable());
  EXPECT_EQ(PointsOf(*first->Get_YDataArray_p()), Bytes({1, 2, 3}));
  EXPECT_EQ(PointsOf(*Read(wave)->Get_YDataArray_p()), Bytes({1, 2, 3, 4}));
  EXPECT_EQ(cache.Get_Count(), 4u);
  first.reset();
  EXPECT_EQ(cache.Get_Count(), 2u);
  // So does a commit of waveform data; unreferenced kept arrays go at once.
  ZEL_CommitWaveformData(session_, segment_, 0, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(cache.Get_Count(), 0u);
  Close(c_);
}

// (A waveform without data in the segment: ReaderTest shows its failure.)
TEST_F(ReadBackTest, AWaveformOfAnotherSetIsRefused) {
  zel_status_t status = ZEL_OK;
  const zel_waveform_t stranger = Check(ZEL_CreateWaveform(session_, Set(c_, "other"), 0, y_, &status_));
  EXPECT_EQ(FailureOf([&] { Read(stranger); }, &status),
            "The waveform and the segment belong to different waveform sets.");
  EXPECT_EQ(status, ZEL_BAD_ARG);
  Close(c_);
}

// One waveform in two segments; then the second segment's data store
// record cut short, or its map lost. The container opens, the first segment
// reads as written, and the second fails its reads and its writers with
// what is damaged, without a byte of it being rewritten.
TEST_F(ReadBackTest, ADamagedDataStoreFailsOnlyItsOwnSegment) {
  const zel_waveform_t wave = Wave();
  const zel_segment_t second = Segment(set_);
  const Doubles x = {0, 1, 2}, y = {5, 6, 7};
  for (zel_segment_t segment : {segment_, second}) {
    const zel_writer_t writer = Check(ZEL_CreateWriter(session_, segment, 0, ZEL_STORAGE_ANALOG, &status_));
    ZEL_WfDataWriter* data = Add(writer, wave);
    ZEL_InitializeArrayWriting(session_, writer, &status_);
    ZEL_AppendXArray(session_, writer, 3, x.data(), &status_);
    ZEL_WfDataWriterAppendArrays(data, 3, y.data(), nullptr, nullptr, &status_);
    ZEL_TerminateWriting(session_, writer, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
  const std::string record = ObjectOf(session_, second)->Get_DataStoreFile(0, ".org");
  Close(c_);
  // The record starts with the number of its map.
  const std::vector<unsigned char> recordBytes = ReadFileBytes(record);
  uint32_t mapNumber = 0;
  std::memcpy(&mapNumber, recordBytes.data(), 4);
  const std::string map = record.substr(0, record.size() - 4) + "_" + std::to_string(mapNumber) + ".map";
  struct Case {
    bool cutRecord;  // else the map is removed
    std::string message;
  };
  const Case cases[] = {{true, "segment_1_0.org: End of file"},
                        {false, map.substr(map.rfind('/') + 1) + ": the data store's map file is missing"}};
  for (const Case& damage : cases) {
    if (damage.cutRecord) {
      WriteFileBytes(record, std::vector<unsigned char>(recordBytes.begin(), recordBytes.begin() + 40));
    } else {
      WriteFileBytes(record, recordBytes);
      ZELI_OS_Unlink(map.c_str());
    }
    for (zel_iomode_t mode : {ZEL_IOMODE_READ, ZEL_IOMODE_WRITE}) {
      const zel_container_t c = Open(mode);
      ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
      ZELI_WaveformSet* set = ObjectOf(session_, ZEL_FindWaveformSet(session_, c, "tran", &status_));
      ZELI_SourceWaveform& source = *set->Get_WaveformMap()[0];
      WfSegment first(ZELI_ReadWfSegment(source, *set->Get_Segment_p(0)));
      EXPECT_EQ(PointsOf(*first->Get_YDataArray_p()), Bytes(y));
      first.reset();
      EXPECT_EQ(RunInFrame("test", [&] { delete ZELI_ReadWfSegment(source, *set->Get_Segment_p(1)); }), ZEL_FAILED);
      EXPECT_EQ(ZEL_GetError(), "test: " + damage.message);
      if (mode == ZEL_IOMODE_WRITE) {
        ZEL_CreateWriter(session_, ZEL_GetSegment(session_, ZEL_FindWaveformSet(session_, c, "tran", &status_), 1,
                                                  &status_), 0, ZEL_STORAGE_ANALOG, &status_);
        EXPECT_EQ(status_, ZEL_FAILED);
        EXPECT_EQ(ZEL_GetError(), "ZEL_CreateWriter: " + damage.message);
      }
      Close(c);
    }
    EXPECT_EQ(ReadFileBytes(record).size(), damage.cutRecord ? 40u : recordBytes.size());
    EXPECT_EQ(ZELI_OS_Exists(map.c_str()), damage.cutRecord);
  }
}

// The POSIX file system, with a hook run before the first look at one path.
class HookedFileSystem final : public zeltest::ForwardingFileSystem {
 public:
  HookedFileSystem(std::string path, std::function<void()> hook) : path_(std::move(path)), hook_(std::move(hook)) {}
  int Lstat(const char* path, struct stat* st) override {
    if (hook_ && path_ == path) std::exchange(hook_, nullptr)();
    return ForwardingFileSystem::Lstat(path, st);
  }

 private:
  std::string path_;
  std::function<void()> hook_;
};

// A reader that read a store's record just before a writer's full write
// replaced it and removed the map it names reads the new pair instead: a
// missing map is damage only when the record still names it.
TEST_F(ReadBackTest, AMapRemovedByAConcurrentFullWriteIsNotDamage) {
  const zel_writer_t writer = Writer(ZEL_STORAGE_ANALOG);
  const zel_waveform_t wave = Wave();
  ZEL_WfDataWriter* data = Add(writer, wave);
  ZEL_InitializeArrayWriting(session_, writer, &status_);
  const Doubles x = {0, 1, 2, 3};
  ZEL_AppendXArray(session_, writer, 2, x.data(), &status_);
  ZEL_WfDataWriterAppendArrays(data, 2, x.data(), nullptr, nullptr, &status_);
  ZEL_CommitDataStoreStructure(session_, segment_, 0, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  const std::string record = Seg().Get_DataStoreFile(0, ".org");
  const std::string oldMap = Seg().Get_MapFile(0);
  const std::vector<unsigned char> oldRecord = ReadFileBytes(record), oldMapBytes = ReadFileBytes(oldMap);
  ZEL_AppendXArray(session_, writer, 2, x.data() + 2, &status_);
  ZEL_WfDataWriterAppendArrays(data, 2, x.data() + 2, nullptr, nullptr, &status_);
  ZEL_TerminateWriting(session_, writer, &status_);
  const Expected expected = {{{"tran", 0}, Snapshot(*Read(wave))}};
  Close(c_);
  // The record starts with the number of its map.
  const std::vector<unsigned char> newRecord = ReadFileBytes(record);
  ASSERT_NE(std::vector<unsigned char>(newRecord.begin(), newRecord.begin() + 4),
            std::vector<unsigned char>(oldRecord.begin(), oldRecord.begin() + 4));
  // The reader finds the old pair; as it looks for the old map, the writer
  // renames the new record in and removes the old map.
  WriteFileBytes(record, oldRecord);
  WriteFileBytes(oldMap, oldMapBytes);
  HookedFileSystem racing(oldMap, [&] {
    WriteFileBytes(record, newRecord);
    ZELI_OS_Unlink(oldMap.c_str());
  });
  ZELI_ScopedFileSystem scope(&racing);
  EXPECT_EQ(CheckReopened(name_, expected), "");
}

// Every point count in the map raised beyond what the arrays' pages hold:
// the segment's reads fail and name the map. (A count raised within the
// last page is not detectable: the pages hold zeros there.)
TEST_F(ReadBackTest, MapCountsBeyondThePagesAreRefusedNamingTheMap) {
  const zel_writer_t writer = Writer(ZEL_STORAGE_ANALOG);
  const zel_waveform_t waves[] = {Wave(), Wave(Typed("s", ZEL_STRING))};
  ZEL_WfDataWriter* data[] = {Add(writer, waves[0]), Add(writer, waves[1])};
  ZEL_WfDataWriterSetInterpolationType(data[0], ZEL_INTERPOLATION_POLYNOMIAL, &status_);
  ZEL_InitializeArrayWriting(session_, writer, &status_);
  const Doubles x = {0, 1, 2};
  const std::vector<int> orders = {0, 1, 2};
  const char* texts[] = {"a", "b", "c"};
  ZEL_AppendXArray(session_, writer, 3, x.data(), &status_);
  ZEL_WfDataWriterAppendArrays(data[0], 3, x.data(), orders.data(), nullptr, &status_);
  ZEL_WfDataWriterAppendArrays(data[1], 3, texts, nullptr, nullptr, &status_);
  ZEL_TerminateWriting(session_, writer, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  Expected expected;
  for (int k = 0; k < 2; ++k) expected[{"tran", k}] = Snapshot(*Read(waves[k]));
  const std::string record = Seg().Get_DataStoreFile(0, ".org");
  Close(c_);
  uint32_t mapNumber = 0;
  std::memcpy(&mapNumber, ReadFileBytes(record).data(), 4);
  const std::string map = record.substr(0, record.size() - 4) + "_" + std::to_string(mapNumber) + ".map";
  const std::vector<unsigned char> counts = ReadFileBytes(map);
  // X values; orders and values of the polynomial waveform; the strings.
  ASSERT_EQ(counts.size(), 4u * 4);
  for (size_t at = 0; at < counts.size(); at += 4) {
    std::vector<unsigned char> raised = counts;
    const uint32_t beyond = 3 + 4096;
    std::memcpy(raised.data() + at, &beyond, 4);
    WriteFileBytes(map, raised);
    const std::string failure = CheckReopened(name_, expected);
    EXPECT_EQ(failure.rfind("tran: " + map.substr(map.rfind('/') + 1) + ": ", 0), 0u) << at << ": " << failure;
    EXPECT_NE(failure.find("::Read: point count"), std::string::npos) << at << ": " << failure;
  }
  WriteFileBytes(map, counts);
  EXPECT_EQ(CheckReopened(name_, expected), "");
}

}  // namespace
}  // namespace zeltest
