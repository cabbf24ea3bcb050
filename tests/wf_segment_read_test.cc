// Tests: ZELI_ReadWfSegment around failures. A read that fails after the
// data set handed over its arrays leaves no reference behind (the order
// array a polynomial waveform's X side holds included), and derived
// waveforms fail as their fields do, leaving nothing computed behind. A
// read whose buffers are only taken determines no summary; asked for, the
// summaries are what a scan of the stored values finds.
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "access/wf_segment_read.h"
#include "model/cached_array.h"
#include "model/data_information.h"
#include "store/memory_array.h"
#include "waveforms/derived_waveform.h"
#include "writer_test_support.h"

namespace zeltest {
namespace {

class WfSegmentReadTest : public WriterFixture {};

TEST_F(WfSegmentReadTest, AFailedPolynomialReadLeavesNoReferenceOnItsOrders) {
  // A sparse polynomial waveform: its X side is read through X indices and
  // carries one order per point.
  const zel_waveform_t wave = Wave();
  const zel_writer_t writer = Writer(ZEL_STORAGE_SPARSE);
  ZEL_WfDataWriter* data = Add(writer, wave);
  ZEL_WfDataWriterSetInterpolationType(data, ZEL_INTERPOLATION_POLYNOMIAL, &status_);
  ZEL_InitializeArrayWriting(session_, writer, &status_);
  for (int i = 0; i < 300; ++i) {
    const double x = 0.5 * i, y = i;
    const int order = i % 3;
    ZEL_AppendXArray(session_, writer, 1, &x, &status_);
    if (i % 2 == 0) ZEL_WfDataWriterAppendArrays(data, 1, &y, &order, &i, &status_);
  }
  ZEL_TerminateWriting(session_, writer, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  {
    std::unique_ptr<ZELI_WfSegment> read(ZELI_ReadWfSegment(*SourceOf(session_, wave), Seg()));
    ASSERT_NE(read->Get_OrderArray_p(), nullptr);
    EXPECT_EQ(read->Get_OrderArray_p()->Get_ReferenceCount(), 1u);
  }
  // One stored X index beyond the X values: the X data array refuses it,
  // after the data set has read and checked the orders.
  auto* stored = static_cast<ZELI_OneWaveformDataSet*>(SourceOf(session_, wave)->Get_DataSet_p(Seg()));
  const uint64_t index = FileOffset(*stored->Get_XIndices_p()->Get_Values_p(), 4 * 100);
  const std::string file = Seg().Get_DataStoreFile(0, ".data");
  Close(c_);
  std::vector<unsigned char> bytes = ReadFileBytes(file);
  ASSERT_LE(index + 4, bytes.size());
  const int beyond = 1000000;
  std::memcpy(bytes.data() + index, &beyond, 4);
  WriteFileBytes(file, bytes);

  const zel_container_t c = Open(ZEL_IOMODE_READ);
  ZELI_WaveformSet* set = ObjectOf(session_, ZEL_FindWaveformSet(session_, c, "tran", &status_));
  ZELI_Segment& segment = *set->Get_Segment_p(0);
  ZELI_SourceWaveform& reopened = *set->Get_WaveformMap()[0];
  auto* dataSet = static_cast<ZELI_OneWaveformDataSet*>(reopened.Get_DataSet_p(segment));
  // Twice: the second read finds the arrays the first one kept.
  for (int attempt = 0; attempt < 2; ++attempt) {
    zel_status_t status = ZEL_OK;
    EXPECT_EQ(FailureOf([&] { delete ZELI_ReadWfSegment(reopened, segment); }, &status),
              "ZELI_WfDataArray: index out of range");
    EXPECT_EQ(status, ZEL_FAILED);
    // Kept (one order per point: the kept array itself was handed over),
    // and referenced by nobody.
    ZELI_CachedArray* orders = dataSet->Get_Orders_p()->Get_CachedArray_p();
    EXPECT_EQ(orders->Get_ReferenceCount(), 0u);
    EXPECT_EQ(dataSet->Get_XIndices_p()->Get_CachedArray_p()->Get_ReferenceCount(), 0u);
  }
  Close(c);
}

TEST_F(WfSegmentReadTest, SummariesAreDeterminedWhenFirstAskedFor) {
  // A sparse waveform (X through indices) over noisy values with a NaN.
  const zel_waveform_t wave = Wave();
  const zel_writer_t writer = Writer(ZEL_STORAGE_SPARSE);
  ZEL_WfDataWriter* data = Add(writer, wave);
  ZEL_InitializeArrayWriting(session_, writer, &status_);
  std::vector<double> ys;
  for (int i = 0; i < 3000; ++i) {
    const double x = 0.25 * i;
    ZEL_AppendXArray(session_, writer, 1, &x, &status_);
    if (i % 3 != 0) continue;
    const double y = i == 300 ? std::nan("") : ((i * 7919) % 1001) - 500.0 + (i == 2400 ? 1000 : 0);
    ys.push_back(y);
    ZEL_WfDataWriterAppendArrays(data, 1, &y, nullptr, &i, &status_);
  }
  ZEL_TerminateWriting(session_, writer, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  Close(c_);
  const zel_container_t c = Open(ZEL_IOMODE_READ);
  ZELI_WaveformSet* set = ObjectOf(session_, ZEL_FindWaveformSet(session_, c, "tran", &status_));
  std::unique_ptr<ZELI_WfSegment> read(ZELI_ReadWfSegment(*set->Get_WaveformMap()[0], *set->Get_Segment_p(0)));
  ZELI_WfDataArray& x = *read->Get_XDataArray_p();
  ZELI_CachedArray* y = read->Get_YDataArray_p()->Get_DirectArray_p();
  ASSERT_TRUE(x.IsIndexed());
  // Buffers and types taken: nothing determined yet.
  ASSERT_EQ(read->Setup_Buffer(0, 0), ys.size());
  EXPECT_EQ(std::memcmp(read->Get_YBuffer(), ys.data(), ys.size() * sizeof(double)), 0);
  EXPECT_EQ(static_cast<const double*>(read->Get_XBuffer())[1], 0.75);
  EXPECT_EQ(x.Get_Type_p()->Get_DataType(), ZEL_REAL);
  EXPECT_TRUE(y->IsDeterminationPending());
  EXPECT_TRUE(x.Get_ValueArray_p()->IsDeterminationPending());
  // Asked for: what an eager scan of the same values gives (the
  // information goes before the container that owns its type).
  double expectedMin = 0, expectedMax = 0;
  zel_monotonicity_t expectedMonotonicity = ZEL_MONOTONICITY_UNKNOWN;
  {
    ZELI_DataInformation scanned(y->Get_Type_p());
    scanned.DetermineMonMinMax(ys.data(), static_cast<unsigned>(ys.size()));
    scanned.Get_MinMax(&expectedMin, &expectedMax);
    expectedMonotonicity = scanned.Get_Monotonicity();
  }
  double min = 0, max = 0;
  read->Get_YMinMax(&min, &max);
  EXPECT_FALSE(y->IsDeterminationPending());
  EXPECT_EQ(min, expectedMin);
  EXPECT_EQ(max, expectedMax);
  EXPECT_EQ(max, ys[800]);  // the value raised by 1000
  EXPECT_EQ(read->Get_YMonotonicity(), expectedMonotonicity);
  EXPECT_EQ(read->Get_XMonotonicity(), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  read->Get_XMinMax(&min, &max);
  EXPECT_EQ(min, 0.0);
  EXPECT_EQ(max, 0.25 * 2997);
  read.reset();
  Close(c);
}

TEST_F(WfSegmentReadTest, DerivedWaveformsFailAsTheirFieldsDo) {
  const zel_waveform_t wave = Wave();  // no data in the segment
  ZELI_WaveformSet* set = ObjectOf(session_, set_);
  ZELI_DimensionDescriptor* y = ObjectOf(session_, y_);
  ZELI_FieldLocation field;
  field.waveform = SourceOf(session_, wave);
  ZELI_SubelementWaveform subelement(set, y, field);
  ZELI_CompositeWaveform composite(set, y, {field});
  const unsigned cached = ObjectOf(session_, c_)->Get_Cache().Get_Count();
  for (ZELI_DerivedWaveform* derived : std::vector<ZELI_DerivedWaveform*>{&subelement, &composite}) {
    zel_status_t status = ZEL_OK;
    EXPECT_EQ(FailureOf([&] { delete ZELI_ReadWfSegment(*derived, Seg()); }, &status), "The waveform has no data");
    EXPECT_EQ(status, ZEL_NOT_FOUND);
    // Nothing is left behind: no record, no array.
    EXPECT_EQ(derived->Get_DerivedWfCache_p(&Seg()), nullptr);
  }
  EXPECT_EQ(ObjectOf(session_, c_)->Get_Cache().Get_Count(), cached);
  Close(c_);
}

}  // namespace
}  // namespace zeltest
