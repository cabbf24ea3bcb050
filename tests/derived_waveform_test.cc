// Derived waveforms read back: composites packed from stored fields,
// subelements extracted from stored composites, the X side they share or
// compute, their cache records, the merge action that packs composites, and
// the refusal to delete waveforms that a reader holds.
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "access/merge_pack.h"
#include "access/wf_segment.h"
#include "access/wf_segment_read.h"
#include "model/cached_array.h"
#include "views/reader.h"
#include "waveforms/derived_waveform.h"
#include "waveforms/owned_cached_arrays.h"
#include "writer_test_support.h"

namespace zeltest {
namespace {

using Byte = std::array<unsigned char, 1>;

// What a reader hands out for one waveform in one segment.
template <typename T>
struct Series {
  std::vector<double> x;
  std::vector<T> y;
  zel_interpolation_t interpolation = ZEL_INTERPOLATION_DEFAULT;
};

class DerivedWaveformTest : public WriterFixture {
 protected:
  void SetUp() override {
    WriterFixture::SetUp();
    root_ = Check(ZEL_GetNameHierarchyRootNode(session_, set_, &status_));
    integer_ = Check(ZEL_CreateBuiltinType(session_, c_, "int", ZEL_INTEGER, &status_));
    const char* literals[] = {"0", "1"};
    bit_ = Check(ZEL_CreateEnumerationType(session_, c_, "bit", 2, literals, 0, 1, ZEL_RANGE_ASCENDING, &status_));
  }
  // Every test leaves the container open; closing it must succeed.
  void TearDown() override {
    Close(c_);
    WriterFixture::TearDown();
  }

  // An array of n bits indexed n-1 downto 0 (n <= 8: one byte).
  zel_type_t Bus(int n) {
    zel_range_t range{integer_, n - 1, 0, ZEL_RANGE_DESCENDING};
    return Check(ZEL_CreateArrayType(session_, c_, "bus", bit_, 1, &range, &status_));
  }
  zel_waveform_t WaveOf(zel_type_t type, zel_semantic_t semantic = 0) {
    zel_dimensionDescriptor_t y = Check(ZEL_CreateDimensionDescriptor(session_, c_, "v", "", type, &status_));
    return Check(ZEL_CreateWaveform(session_, set_, semantic, y, &status_));
  }
  // values[k][i]: the value of waveform k at front i (x = xs[i], or i when
  // xs is empty), all written by one front writer, so the waveforms share
  // their X values. Waveform k interpolates as interpolations[k] says
  // (constant when it says nothing).
  template <typename T>
  void WriteFronts(const std::vector<zel_waveform_t>& waves, const std::vector<std::vector<T>>& values,
                   const std::vector<zel_interpolation_t>& interpolations = {}, const std::vector<double>& xs = {}) {
    zel_writer_t w = Writer();
    std::vector<ZEL_WfDataWriter*> data;
    for (size_t k = 0; k < waves.size(); ++k) {
      data.push_back(Add(w, waves[k]));
      ZEL_WfDataWriterSetInterpolationType(
          data.back(), k < interpolations.size() ? interpolations[k] : ZEL_INTERPOLATION_CONSTANT, &status_);
    }
    ZEL_InitializeFrontWriting(session_, w, &status_);
    for (size_t i = 0; i < values.front().size(); ++i) {
      const double x = xs.empty() ? static_cast<double>(i) : xs[i];
      ZEL_StartDataFront(session_, w, &x, &status_);
      for (size_t k = 0; k < waves.size(); ++k) ZEL_WfDataWriterEnterValue(data[k], &values[k][i], 0, &status_);
      ZEL_EndDataFront(session_, w, &status_);
    }
    ZEL_TerminateWriting(session_, w, &status_);
    ZEL_DeleteWriter(session_, w, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
  // Packed values of a composite type from one array of values per leaf.
  template <typename Packed, typename Leaf>
  std::vector<Packed> Pack(zel_type_t type, std::vector<std::vector<Leaf>> leaves) {
    std::vector<void*> sources;
    for (std::vector<Leaf>& leaf : leaves) sources.push_back(leaf.data());
    std::vector<Packed> packed(leaves.front().size());
    EXPECT_EQ(ZEL_GetSizeOfType(session_, type, &status_), sizeof(Packed));
    ZEL_PackTypeData(session_, type, sources.data(), static_cast<unsigned>(packed.size()), packed.data(), &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    return packed;
  }
  // A reader of the container (its view lives as long as the session).
  zel_reader_t NewReader() {
    return Check(ZEL_CreateReader(session_, c_, Check(ZEL_CreateView(session_, &status_)), &status_));
  }
  // Everything a reader hands out for waveform in segment.
  template <typename T>
  Series<T> Read(zel_waveform_t waveform, zel_segment_t segment = {-1}) {
    Series<T> out;
    zel_reader_t reader = NewReader();
    zel_wfDataReader_t d = Check(ZEL_AddReaderWaveform(session_, reader, waveform, &status_));
    ZEL_StartReadingSegment(session_, reader, segment.key == -1 ? segment_ : segment, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    const unsigned n = ZEL_GetPointCount(session_, d, &status_);
    for (unsigned i = 0; i < n && status_ == ZEL_OK; ++i) {
      double x = 0;
      T y{};
      unsigned order = 0;
      ZEL_GetWaveformDataXYPoint(session_, d, i, &x, &y, &order, &status_);
      out.x.push_back(x);
      out.y.push_back(y);
    }
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    out.interpolation = ZEL_GetWaveformDataInterpolationType(session_, d, &status_);
    ZEL_EndReading(session_, reader, &status_);
    ZEL_DeleteReader(session_, reader, &status_);
    return out;
  }
  zel_waveform_t WaveformAt(zel_hierarchyNode_t node) {
    return Check(ZEL_GetHierarchyWaveform(session_, node, &status_));
  }
  zel_waveform_t SubelWaveform(zel_hierarchyNode_t composite, unsigned location) {
    return WaveformAt(ZEL_GetHierarchySubelNode(session_, composite, location, &status_));
  }
  ZELI_DerivedWaveform* Derived(zel_waveform_t waveform) {
    return dynamic_cast<ZELI_DerivedWaveform*>(ObjectOf(session_, waveform));
  }
  ZELI_DerivedWfCache* Record(zel_waveform_t waveform) { return Derived(waveform)->Get_DerivedWfCache_p(&Seg()); }
  ZELI_Cache& Cache() { return ObjectOf(session_, c_)->Get_Cache(); }

  // A bus node of n stored one-bit waveforms, bound at locations 0 to n - 1.
  zel_hierarchyNode_t BusNode(const char* name, unsigned n, std::vector<zel_waveform_t>& bits) {
    zel_hierarchyNode_t bus =
        Check(ZEL_AddHierarchyCompositeType(session_, root_, name, ZEL_HDL_SLASH, Bus(static_cast<int>(n)), &status_));
    for (unsigned k = 0; k < n; ++k) {
      bits.push_back(WaveOf(bit_));
      Check(ZEL_AddHierarchyScalarSubelWf(session_, bus, k, bits.back(), &status_));
    }
    return bus;
  }

  // A bus d[3:0] of four stored bits written over n fronts: bit k (location
  // k) is 1 at front i when bits(k, i). Returns the bus node.
  template <typename Bits>
  zel_hierarchyNode_t BusOfBits(unsigned n, Bits bits, std::vector<zel_waveform_t>* waves = nullptr,
                                std::vector<std::vector<Byte>>* values = nullptr) {
    std::vector<zel_waveform_t> w;
    zel_hierarchyNode_t bus = BusNode("d[3:0]", 4, w);
    std::vector<std::vector<Byte>> v(4);
    for (unsigned k = 0; k < 4; ++k) {
      for (unsigned i = 0; i < n; ++i) v[k].push_back(Byte{static_cast<unsigned char>(bits(k, i) ? 1 : 0)});
    }
    WriteFronts(w, v);
    if (waves != nullptr) *waves = w;
    if (values != nullptr) *values = v;
    return bus;
  }

  zel_hierarchyNode_t root_{-1};
  zel_type_t integer_{-1};
  zel_type_t bit_{-1};
};

TEST_F(DerivedWaveformTest, BusWrittenBitByBitReadsBackAsOneValuePerFrontAlsoInAnotherProcess) {
  // Front i: bit k is bit k of i (a counter).
  std::vector<std::vector<Byte>> values;
  zel_hierarchyNode_t bus = BusOfBits(
      6, [](unsigned k, unsigned i) { return ((i >> k) & 1) != 0; }, nullptr, &values);
  zel_waveform_t composite = WaveformAt(bus);
  EXPECT_EQ(ZEL_GetWaveformSemantic(session_, composite, &status_), 2);

  const Series<Byte> read = Read<Byte>(composite);
  EXPECT_EQ(read.x, (std::vector<double>{0, 1, 2, 3, 4, 5}));
  // The packing of the type itself is the oracle: location 0 (d[3]) is the
  // top bit of the byte.
  EXPECT_EQ(read.y, (Pack<Byte, Byte>(Bus(4), values)));
  EXPECT_EQ(read.y[1][0], 0x80);
  EXPECT_EQ(read.y[5][0], 0xA0);

  // The fields share their X values: no X array is computed, the X side is
  // the first field's, and so are the point count and X answers.
  ZELI_DerivedWfCache* record = Record(composite);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->x, nullptr);
  ASSERT_NE(record->y, nullptr);
  EXPECT_EQ(record->y->Get_PointCount(), 6u);
  EXPECT_EQ(read.interpolation, ZEL_INTERPOLATION_CONSTANT);
  ZELI_Waveform* object = ObjectOf(session_, composite);
  ZELI_Waveform* first = ObjectOf(session_, SubelWaveform(bus, 0));
  EXPECT_EQ(object->Get_PointCount(Seg()), 6u);
  EXPECT_EQ(&object->Get_XDataInformation(Seg()), &first->Get_XDataInformation(Seg()));
  EXPECT_EQ(object->Get_XInterpolationType(Seg()), first->Get_XInterpolationType(Seg()));
  EXPECT_EQ(&object->Get_YDataInformation(Seg()), record->y->Get_DataInformation_p());

  // A second read finds the record: nothing is computed again.
  ZELI_CachedArray* y = record->y;
  EXPECT_EQ(Read<Byte>(composite).y, read.y);
  EXPECT_EQ(Record(composite)->y, y);

  // Another process computes the same values from what was stored. Its own
  // session stands in for the fixture's, so that the helpers read through it.
  Close(c_);
  EXPECT_EQ(RunInChild([&] {
              session_ = ZEL_InitSession(&status_);
              c_ = Open(ZEL_IOMODE_READ);
              set_ = Check(ZEL_FindWaveformSet(session_, c_, "tran", &status_));
              segment_ = Check(ZEL_GetSegment(session_, set_, 0, &status_));
              root_ = Check(ZEL_GetNameHierarchyRootNode(session_, set_, &status_));
              unsigned count = 0;
              zel_hierarchyNode_t* nodes = ZEL_GetHierarchyNodes(session_, root_, "d[3:0]", ZEL_HDL_SLASH, &count,
                                                                 &status_);
              if (count != 1) return 1;
              const zel_hierarchyNode_t node = nodes[0];
              std::free(nodes);
              const Series<Byte> again = Read<Byte>(WaveformAt(node));
              const Series<Byte> bit3 = Read<Byte>(SubelWaveform(node, 0));  // stored: every point
              Close(c_);
              ZEL_TermSession(session_, &status_);
              const bool good = again.x == read.x && again.y == read.y && bit3.x.size() == 6;
              return good && !HasFailure() ? 0 : 2;
            }),
            0);
  c_ = Open(ZEL_IOMODE_READ);
}

// Bits written only when they change (a digital subset): their X values
// differ, so they are merged onto the X values of every change, and the bus
// has one value per change. A bit keeps its level at the points past its
// last change.
TEST_F(DerivedWaveformTest, BusOfBitsWrittenOnChangeHasOneValuePerChange) {
  zel_hierarchyNode_t bus = Check(ZEL_AddHierarchyCompositeType(session_, root_, "d[2:0]", ZEL_HDL_SLASH, Bus(3),
                                                                &status_));
  // (cycle, value) of each bit, by location.
  const std::vector<std::vector<std::pair<unsigned, unsigned char>>> changes = {
      {{0, 1}, {3, 0}, {5, 1}},
      {{0, 0}, {2, 1}, {5, 0}},
      {{0, 0}, {4, 1}},
  };
  zel_simResultWriter_t writer = Check(ZEL_CreateSimResultWriter(session_, segment_, 0, &status_));
  zel_simResultSubset_t digital = Check(ZEL_CreateSimResultSubset(session_, writer, ZEL_STORAGE_DIGITAL, &status_));
  std::vector<ZEL_SimWfDataWriter*> data;
  for (unsigned k = 0; k < 3; ++k) {
    zel_waveform_t w = WaveOf(bit_);
    Check(ZEL_AddHierarchyScalarSubelWf(session_, bus, k, w, &status_));
    ZEL_AddSimResultWaveform(session_, digital, w, &status_);
    data.push_back(ZEL_GetSimWfDataWriter_p(session_, digital, k, &status_));
  }
  ZEL_SetSimInterpolationType(session_, digital, ZEL_INTERPOLATION_CONSTANT, &status_);
  ZEL_SimInitializeWriting(session_, writer, &status_);
  for (unsigned cycle = 0; cycle < 6; ++cycle) {
    const double t = cycle;
    ZEL_SimStartCycle(session_, writer, &t, &status_);
    ZEL_SimStartDataFront(session_, digital, 0, &status_);
    for (unsigned k = 0; k < 3; ++k) {
      for (const auto& [at, value] : changes[k]) {
        if (at == cycle) ZEL_SimWfDataWriterEnterValue(data[k], &value, &status_);
      }
    }
    ZEL_SimEndDataFront(session_, digital, &status_);
    ZEL_SimEndCycle(session_, writer, &status_);
  }
  ZEL_SimTerminateWriting(session_, writer, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  zel_waveform_t composite = WaveformAt(bus);
  const Series<Byte> read = Read<Byte>(composite);
  EXPECT_EQ(read.x, (std::vector<double>{0, 2, 3, 4, 5}));
  // Location 0 is the top bit; bit 2 keeps its level at 5, past its last
  // change.
  EXPECT_EQ(read.y, (std::vector<Byte>{Byte{0x80}, Byte{0xC0}, Byte{0x40}, Byte{0x60}, Byte{0xA0}}));
  EXPECT_EQ(read.interpolation, ZEL_INTERPOLATION_CONSTANT);
  // The merged X values are the composite's own, and so are its answers.
  ZELI_DerivedWfCache* record = Record(composite);
  ASSERT_NE(record, nullptr);
  ASSERT_NE(record->x, nullptr);
  ZELI_Waveform* object = ObjectOf(session_, composite);
  EXPECT_EQ(object->Get_PointCount(Seg()), 5u);
  EXPECT_EQ(object->Get_XMonotonicity(Seg()), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  double min = -1, max = -1;
  object->Get_XMinMax(Seg(), &min, &max);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 5);
}

// Equal X values, but one field steps and the other is linear: the fields
// are merged (without the extra points of steps: the packed fields keep
// their own values at every X). Fields that cannot be merged fail alone in
// a reader, with the merge's message, and leave no record.
TEST_F(DerivedWaveformTest, FieldsThatInterpolateDifferentlyAreMergedOrFailWithTheMergesMessage) {
  std::vector<zel_waveform_t> bits;
  zel_hierarchyNode_t bus = BusNode("p[1:0]", 2, bits);
  WriteFronts<Byte>({bits[0]}, {{Byte{0}, Byte{1}}});
  WriteFronts<Byte>({bits[1]}, {{Byte{1}, Byte{0}}}, {ZEL_INTERPOLATION_LINEAR});
  zel_waveform_t composite = WaveformAt(bus);
  const Series<Byte> read = Read<Byte>(composite);
  EXPECT_EQ(read.x, (std::vector<double>{0, 1}));
  EXPECT_EQ(read.y, (std::vector<Byte>{Byte{0x40}, Byte{0x80}}));
  ASSERT_NE(Record(composite), nullptr);
  EXPECT_NE(Record(composite)->x, nullptr);

  // X going up and down: not monotonic.
  std::vector<zel_waveform_t> unordered;
  zel_hierarchyNode_t broken = BusNode("q[1:0]", 2, unordered);
  const std::vector<Byte> ones(3, Byte{1});
  WriteFronts<Byte>(unordered, {ones, ones}, {ZEL_INTERPOLATION_CONSTANT, ZEL_INTERPOLATION_LINEAR}, {0, 2, 1});
  composite = WaveformAt(broken);
  zel_reader_t reader = NewReader();
  zel_wfDataReader_t d = Check(ZEL_AddReaderWaveform(session_, reader, composite, &status_));
  zel_wfDataReader_t field = Check(ZEL_AddReaderWaveform(session_, reader, unordered[0], &status_));
  ZEL_StartReadingSegment(session_, reader, segment_, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_GetPointCount(session_, d, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetPointCount: The X Axis data is not monotonic.");
  EXPECT_EQ(ZEL_GetPointCount(session_, field, &status_), 3u);
  EXPECT_EQ(Record(composite), nullptr);
  ZEL_EndReading(session_, reader, &status_);
  ZEL_DeleteReader(session_, reader, &status_);
}

TEST_F(DerivedWaveformTest, BitsOfAStoredBusReadBackAsTheirOwnWaveforms) {
  zel_type_t busType = Bus(4);
  zel_waveform_t stored = WaveOf(busType, 9);
  // Bit 0 (location 0) never changes, bit 1 changes at every front, bit 2
  // once, bit 3 twice.
  const std::vector<std::vector<Byte>> leaves = {
      {Byte{1}, Byte{1}, Byte{1}, Byte{1}, Byte{1}},
      {Byte{0}, Byte{1}, Byte{0}, Byte{1}, Byte{0}},
      {Byte{0}, Byte{0}, Byte{1}, Byte{1}, Byte{1}},
      {Byte{0}, Byte{1}, Byte{1}, Byte{0}, Byte{0}},
  };
  WriteFronts<Byte>({stored}, {Pack<Byte, Byte>(busType, leaves)});
  zel_hierarchyNode_t bus =
      Check(ZEL_AddHierarchyCompositeWf(session_, root_, "q[3:0]", ZEL_HDL_SLASH, busType, stored, &status_));
  std::vector<Series<Byte>> bits;
  for (unsigned k = 0; k < 4; ++k) {
    zel_waveform_t bit = SubelWaveform(bus, k);
    EXPECT_EQ(ZEL_GetWaveformSemantic(session_, bit, &status_), 9);
    bits.push_back(Read<Byte>(bit));
    EXPECT_EQ(bits.back().interpolation, ZEL_INTERPOLATION_CONSTANT);
    // A subelement always computes its X values.
    ASSERT_NE(Record(bit), nullptr);
    EXPECT_NE(Record(bit)->x, nullptr);
    // Its stored summaries are the stored bus's: five points, whatever the
    // bit keeps.
    EXPECT_EQ(ObjectOf(session_, bit)->Get_PointCount(Seg()), 5u);
    EXPECT_EQ(ObjectOf(session_, bit)->Get_XInterpolationType(Seg()),
              ObjectOf(session_, stored)->Get_XInterpolationType(Seg()));
  }
  // Never changing: the first and the last point.
  EXPECT_EQ(bits[0].x, (std::vector<double>{0, 4}));
  EXPECT_EQ(bits[0].y, (std::vector<Byte>{Byte{1}, Byte{1}}));
  // Changing at every point: all of them.
  EXPECT_EQ(bits[1].x, (std::vector<double>{0, 1, 2, 3, 4}));
  EXPECT_EQ(bits[1].y, leaves[1]);
  // The points of change, and the last point.
  EXPECT_EQ(bits[2].x, (std::vector<double>{0, 2, 4}));
  EXPECT_EQ(bits[2].y, (std::vector<Byte>{Byte{0}, Byte{1}, Byte{1}}));
  EXPECT_EQ(bits[3].x, (std::vector<double>{0, 1, 3, 4}));
  EXPECT_EQ(bits[3].y, (std::vector<Byte>{Byte{0}, Byte{1}, Byte{0}, Byte{0}}));

  // A single point is the first and the last: kept.
  zel_type_t pairType = Bus(2);
  zel_waveform_t single = WaveOf(pairType);
  WriteFronts<Byte>({single}, {Pack<Byte, Byte>(pairType, {{Byte{1}}, {Byte{0}}})});
  zel_hierarchyNode_t pair =
      Check(ZEL_AddHierarchyCompositeWf(session_, root_, "r[1:0]", ZEL_HDL_SLASH, pairType, single, &status_));
  const Series<Byte> one = Read<Byte>(SubelWaveform(pair, 0));
  EXPECT_EQ(one.x, (std::vector<double>{0}));
  EXPECT_EQ(one.y, (std::vector<Byte>{Byte{1}}));
}

TEST_F(DerivedWaveformTest, FieldsOfAStoredRecordAreExtractedAndOnlyEnumerationsFiltered) {
  // {e: bit, n: enumeration -4 .. 3, r: real}: e at bit 0, n in the four
  // bits after it (a signed range), r from byte 1 on.
  zel_type_t real = Check(ZEL_CreateBuiltinType(session_, c_, "real", ZEL_REAL, &status_));
  const char* literals[] = {"a", "b", "c", "d", "e", "f", "g", "h"};
  zel_type_t level = Check(ZEL_CreateEnumerationType(session_, c_, "level", 8, literals, -4, 3, ZEL_RANGE_ASCENDING,
                                                     &status_));
  const char* names[] = {"e", "n", "r"};
  const zel_type_t types[] = {bit_, level, real};
  zel_type_t record = Check(ZEL_CreateRecordType(session_, c_, "rec", 3, names, types, &status_));
  using Record9 = std::array<unsigned char, 9>;
  ASSERT_EQ(ZEL_GetPackedSizeOfType(session_, level, &status_), 4u);
  std::vector<Byte> e = {Byte{1}, Byte{1}, Byte{1}, Byte{1}};
  std::vector<signed char> n = {-4, -4, 3, 3};
  std::vector<double> r = {2.5, 2.5, 2.5, 2.5};
  std::vector<void*> sources = {e.data(), n.data(), r.data()};
  std::vector<Record9> packed(4);
  ZEL_PackTypeData(session_, record, sources.data(), 4, packed.data(), &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  zel_waveform_t stored = WaveOf(record);
  WriteFronts<Record9>({stored}, {packed});
  zel_hierarchyNode_t node =
      Check(ZEL_AddHierarchyCompositeWf(session_, root_, "top/s", ZEL_HDL_SLASH, record, stored, &status_));
  auto field = [&](unsigned location) { return SubelWaveform(node, location); };
  // An enumeration that never changes: first and last point.
  EXPECT_EQ(Read<Byte>(field(0)).x, (std::vector<double>{0, 3}));
  // One that changes once, from a negative value (sign-extended from its
  // four bits).
  const Series<Byte> levels = Read<Byte>(field(1));
  EXPECT_EQ(levels.x, (std::vector<double>{0, 2, 3}));
  EXPECT_EQ(levels.y, (std::vector<Byte>{Byte{0xFC}, Byte{3}, Byte{3}}));
  // A real field keeps every point, repeated values included.
  const Series<double> reals = Read<double>(field(2));
  EXPECT_EQ(reals.x, (std::vector<double>{0, 1, 2, 3}));
  EXPECT_EQ(reals.y, r);
  // Its summary is that of its own values.
  double min = 0, max = 0;
  ObjectOf(session_, field(2))->Get_YMinMax(Seg(), &min, &max);
  EXPECT_EQ(min, 2.5);
  EXPECT_EQ(max, 2.5);
}

TEST_F(DerivedWaveformTest, ValuesFollowASimulationWriterOfTheSession) {
  std::vector<zel_waveform_t> bits;
  zel_hierarchyNode_t bus = BusNode("d[1:0]", 2, bits);
  const zel_waveform_t hi = bits[0], lo = bits[1];
  zel_waveform_t composite = WaveformAt(bus);
  zel_simResultWriter_t writer = Check(ZEL_CreateSimResultWriter(session_, segment_, 0, &status_));
  zel_simResultSubset_t analog = Check(ZEL_CreateSimResultSubset(session_, writer, ZEL_STORAGE_ANALOG, &status_));
  ZEL_AddSimResultWaveform(session_, analog, hi, &status_);
  ZEL_AddSimResultWaveform(session_, analog, lo, &status_);
  ZEL_SimWfDataWriter* data[2] = {ZEL_GetSimWfDataWriter_p(session_, analog, 0, &status_),
                                  ZEL_GetSimWfDataWriter_p(session_, analog, 1, &status_)};
  ZEL_SimInitializeWriting(session_, writer, &status_);
  zel_reader_t reader = NewReader();
  zel_wfDataReader_t d = Check(ZEL_AddReaderWaveform(session_, reader, composite, &status_));
  for (unsigned cycle = 0; cycle < 4; ++cycle) {
    const double t = cycle;
    ZEL_SimStartCycle(session_, writer, &t, &status_);
    ZEL_SimStartDataFront(session_, analog, 0, &status_);
    for (unsigned k = 0; k < 2; ++k) {
      const unsigned char v = (cycle >> (1 - k)) & 1;  // hi, lo: the cycle in two bits
      ZEL_SimWfDataWriterEnterValue(data[k], &v, &status_);
    }
    ZEL_SimEndDataFront(session_, analog, &status_);
    ZEL_SimEndCycle(session_, writer, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
    // Every start reads what was written so far.
    ZEL_StartReadingSegment(session_, reader, segment_, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
    ASSERT_EQ(ZEL_GetPointCount(session_, d, &status_), cycle + 1);
    double x = -1;
    Byte y{};
    unsigned order = 0;
    ZEL_GetWaveformDataXYPoint(session_, d, cycle, &x, &y, &order, &status_);
    EXPECT_EQ(x, cycle);
    EXPECT_EQ(y[0], cycle << 6) << cycle;
    ZEL_EndReading(session_, reader, &status_);
  }
  ZEL_SimTerminateWriting(session_, writer, &status_);
  // The reader keeps one waveform segment for the segment, rebuilt as the
  // values grew.
  EXPECT_EQ(ObjectOf(session_, d)->Get_WfSegmentCount(), 1u);
}

// The cache record of a derived waveform: one array invalidated at a time,
// a failed computation that leaves it as it was, and arrays that outlive
// their waveform while someone reads them.
TEST_F(DerivedWaveformTest, CacheRecordsInvalidateFailAndOutliveTheirWaveform) {
  zel_hierarchyNode_t bus = BusOfBits(3, [](unsigned k, unsigned i) { return k == i; });
  zel_waveform_t composite = WaveformAt(bus);
  auto* derived = dynamic_cast<ZELI_CompositeWaveform*>(Derived(composite));
  ASSERT_NE(derived, nullptr);
  ZELI_Segment* segment = &Seg();
  zel_status_t status = ZEL_OK;
  EXPECT_EQ(zeltest::FailureOf([&] { derived->Invalidate_CachedArray_p(segment, 1); }, &status),
            "ZELI_DerivedWaveform::Invalidate_CachedArray_p no value");
  EXPECT_EQ(status, ZEL_FAILED);
  ZELI_CachedArray* y = derived->Get_CachedArray_p(*segment);
  ASSERT_NE(y, nullptr);
  EXPECT_TRUE(y->IsLocatable());
  EXPECT_TRUE(Cache().Contains(y));
  EXPECT_EQ(zeltest::FailureOf([&] { derived->Invalidate_CachedArray_p(segment, 0); }),
            "ZELI_DerivedWaveform::Invalidate_CachedArray_p X");
  EXPECT_EQ(zeltest::FailureOf([&] { derived->Invalidate_CachedArray_p(segment, 2); }),
            "ZELI_DerivedWaveform::Invalidate_CachedArray_p Order");
  EXPECT_EQ(zeltest::FailureOf([&] { derived->Invalidate_CachedArray_p(segment, 3); }),
            "ZELI_DerivedWaveform::Invalidate_CachedArray_p kind");
  // The cache deleting the Y array clears its pointer; the next request
  // computes it again.
  ASSERT_TRUE(Cache().Remove_CachedArray(y));
  delete y;
  EXPECT_EQ(Record(composite)->y, nullptr);
  EXPECT_EQ(zeltest::FailureOf([&] { derived->Invalidate_CachedArray_p(segment, 1); }),
            "ZELI_DerivedWaveform::Invalidate_CachedArray_p Y");
  y = derived->Get_CachedArray_p(*segment);
  ASSERT_NE(y, nullptr);

  // A field placed past the end of the composite value: the layout is
  // refused while packing, and neither the record nor the cache changes.
  std::vector<ZELI_FieldLocation> fields = derived->Get_Fields();
  fields.back().offset = 64;
  {
    ZELI_CompositeWaveform broken(ObjectOf(session_, set_), derived->Get_YDescriptor_p(), fields);
    const unsigned cached = Cache().Get_Count();
    EXPECT_EQ(zeltest::FailureOf([&] { broken.Get_CachedArray_p(*segment); }, &status), "ZELI_Type::PackData: layout");
    EXPECT_EQ(status, ZEL_FAILED);
    EXPECT_EQ(broken.Get_DerivedWfCache_p(segment), nullptr);
    EXPECT_EQ(Cache().Get_Count(), cached);
  }
  // A segment of another waveform set is refused before anything is read.
  zel_segment_t foreign = Segment(Set(c_, "other"));
  EXPECT_EQ(zeltest::FailureOf([&] { derived->Get_CachedArray_p(*ObjectOf(session_, foreign)); }, &status),
            "The waveform and the segment belong to different waveform sets.");
  EXPECT_EQ(status, ZEL_BAD_ARG);
  EXPECT_EQ(derived->Get_CachedArray_p(*segment), y);

  // Someone still reads the values (as a waveform segment would) when the
  // waveform dies: the array stays for its reader, but nothing can find it
  // any more and it no longer shows stored values; the last release deletes
  // it (ASan: no call into the dead waveform).
  y->IncrementReferenceCount();
  const unsigned cached = Cache().Get_Count();
  ZEL_DeleteHierarchyNode(session_, bus, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_TRUE(Cache().Contains(y));
  EXPECT_FALSE(y->IsLocatable());
  EXPECT_TRUE(y->IsStale());
  ZELI_ReleaseCachedArray(Cache(), y);
  EXPECT_FALSE(Cache().Contains(y));
  EXPECT_LT(Cache().Get_Count(), cached);
}

TEST_F(DerivedWaveformTest, ThePackActionPacksOneRecordPerMergedPoint) {
  std::vector<std::vector<Byte>> values;
  std::vector<zel_waveform_t> waves;
  BusOfBits(
      2, [](unsigned, unsigned) { return true; }, &waves, &values);
  std::vector<std::unique_ptr<ZELI_WfSegment>> reads;
  std::vector<ZELI_WfSegment*> segments;
  std::vector<ZELI_FieldLocation> fields;
  for (unsigned k = 0; k < 2; ++k) {
    reads.emplace_back(ZELI_ReadWfSegment(*ObjectOf(session_, waves[k]), Seg()));
    segments.push_back(reads.back().get());
    fields.push_back(ZELI_FieldLocation{ObjectOf(session_, waves[k]), 3 * k, 0});  // bits 0 and 3
  }
  ZELI_Type* busType = ObjectOf(session_, Bus(4));
  {
    ZELI_MergeWaveformsPack pack(segments, fields, *busType);
    EXPECT_FALSE(pack.TakesPartInSteps());
    const unsigned char one = 1;
    for (unsigned point = 0; point < 1500; ++point) {
      pack.InitNewPoint(point);
      if (point % 2 == 0) pack.WfValue(0, &one);
      if (point % 3 == 0) {
        pack.WfValue(1, &one);
      } else {
        pack.NoWfValue(1);
      }
    }
    zel_status_t status = ZEL_OK;
    EXPECT_EQ(zeltest::FailureOf([&] { pack.DuplicateWfValue(0); }, &status), "ZELI_MergeWaveformsPack::DuplicateWfValue called");
    EXPECT_EQ(status, ZEL_FAILED);
    pack.Term(1500);
    EXPECT_EQ(pack.Get_PointCount(), 1500u);
    auto* packed = static_cast<unsigned char*>(pack.Claim_PackedArray_p());
    for (unsigned point = 0; point < 1500; ++point) {
      const unsigned expected = (point % 2 == 0 ? 0x80 : 0) | (point % 3 == 0 ? 0x10 : 0);
      ASSERT_EQ(packed[point], expected) << point;
    }
    busType->FreeData(packed, 1500);
    EXPECT_EQ(zeltest::FailureOf([&] { ZELI_MergeWaveformsPack(segments, {fields[0]}, *busType); }),
              "ZELI_MergeWaveformsPack: fields");
    // A field placed past the end of the packed value is refused up front.
    std::vector<ZELI_FieldLocation> outside = fields;
    outside[1].offset = 8;
    EXPECT_EQ(zeltest::FailureOf([&] { ZELI_MergeWaveformsPack(segments, outside, *busType); }), "ZELI_Type::PackData: layout");
  }
}

TEST_F(DerivedWaveformTest, WaveformsAReaderHoldsCannotBeDeleted) {
  std::vector<zel_waveform_t> bits;
  zel_hierarchyNode_t bus = BusOfBits(
      3, [](unsigned k, unsigned i) { return k == i; }, &bits);
  zel_waveform_t composite = WaveformAt(bus);
  zel_reader_t reader = NewReader();
  zel_wfDataReader_t d = Check(ZEL_AddReaderWaveform(session_, reader, composite, &status_));
  zel_wfDataReader_t b = Check(ZEL_AddReaderWaveform(session_, reader, bits[2], &status_));
  auto readAll = [&] {
    ZEL_StartReadingSegment(session_, reader, segment_, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    EXPECT_EQ(ZEL_GetPointCount(session_, d, &status_), 3u);
    EXPECT_EQ(ZEL_GetPointCount(session_, b, &status_), 3u);
    ZEL_EndReading(session_, reader, &status_);
  };
  readAll();

  // The derived waveform itself, a stored field of it (the composite would
  // lose the field), and a stored waveform the reader holds directly.
  ZEL_DeleteHierarchyNode(session_, bus, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_DeleteHierarchyNode: Waveform is in use");
  ZEL_DeleteHierarchyNode(session_, ZEL_GetHierarchySubelNode(session_, bus, 0, &status_), &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_DeleteHierarchyNode: Waveform is in use");
  ZEL_DeleteHierarchyNode(session_, root_, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_DeleteHierarchyNode: Waveform is in use");
  // Nothing changed: everything reads as before (ASan: nothing freed).
  EXPECT_TRUE(ZEL_HierarchyNodeHasDerivedWaveform(session_, bus, &status_));
  EXPECT_EQ(ObjectOf(session_, set_)->Get_WaveformMap().Get_Count(), 4u);
  readAll();

  // Without the composite in the reader, a field of it may go: the
  // composite goes with it and is derived again from the fields left.
  ZEL_RemoveReaderWaveform(session_, reader, d, &status_);
  zel_hierarchyNode_t field0 = ZEL_GetHierarchySubelNode(session_, bus, 0, &status_);
  ZEL_DeleteHierarchyNode(session_, field0, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_FALSE(ZEL_HierarchyNodeHasWaveform(session_, bus, &status_));
  ZEL_GetWaveformSemantic(session_, composite, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  EXPECT_EQ(ObjectOf(session_, set_)->Get_WaveformMap().Get_Count(), 3u);
  zel_waveform_t again = WaveformAt(bus);
  EXPECT_EQ(dynamic_cast<ZELI_CompositeWaveform*>(Derived(again))->Get_Fields().size(), 3u);
  // The stored bit the reader holds still refuses; once removed it goes.
  ZEL_DeleteHierarchyNode(session_, ZEL_GetHierarchySubelNode(session_, bus, 2, &status_), &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_DeleteHierarchyNode: Waveform is in use");
  ZEL_StartReadingSegment(session_, reader, segment_, &status_);
  EXPECT_EQ(ZEL_GetPointCount(session_, b, &status_), 3u);
  ZEL_EndReading(session_, reader, &status_);
  ZEL_RemoveReaderWaveform(session_, reader, b, &status_);
  ZEL_DeleteHierarchyNode(session_, root_, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(ObjectOf(session_, set_)->Get_WaveformMap().Get_Count(), 0u);
  // The reader, now empty, starts again.
  ZEL_StartReadingSegment(session_, reader, segment_, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_DeleteReader(session_, reader, &status_);
}

}  // namespace
}  // namespace zeltest
