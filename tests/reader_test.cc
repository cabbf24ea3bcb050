// Readers: waveform readers with reference counts, segments started and
// ended, waveform segments reused across visits, the data functions, and
// the view-in-use rule.
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "views/reader.h"
#include "writer_test_support.h"

namespace {

using zeltest::WriterFixture;

class ReaderTest : public WriterFixture {
 protected:
  // Writes n front points (x = i, y = f(i)) for each waveform into segment.
  void WriteFronts(zel_segment_t segment, const std::vector<zel_waveform_t>& waves, unsigned n, double offset) {
    zel_writer_t w = Check(ZEL_CreateWriter(session_, segment, 0, ZEL_STORAGE_ANALOG, &status_));
    std::vector<ZEL_WfDataWriter*> data;
    for (zel_waveform_t wave : waves) {
      data.push_back(Add(w, wave));
      ZEL_WfDataWriterSetInterpolationType(data.back(), ZEL_INTERPOLATION_LINEAR, &status_);
    }
    ZEL_InitializeFrontWriting(session_, w, &status_);
    for (unsigned i = 0; i < n; ++i) {
      std::vector<std::pair<ZEL_WfDataWriter*, double>> values;
      for (size_t k = 0; k < data.size(); ++k) values.emplace_back(data[k], offset + 10.0 * k + i * i);
      Front(w, i, values);
    }
    ZEL_TerminateWriting(session_, w, &status_);
    ZEL_DeleteWriter(session_, w, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
  zel_view_t View() { return Check(ZEL_CreateView(session_, &status_)); }
  zel_reader_t Reader(zel_view_t view) { return Check(ZEL_CreateReader(session_, c_, view, &status_)); }
  zel_reader_t Reader() { return Reader(View()); }
  void Start(zel_reader_t reader, zel_segment_t segment) {
    ZEL_StartReadingSegment(session_, reader, segment, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
  double Y(zel_wfDataReader_t d, unsigned point) {
    double x = -1, y = -1;
    unsigned order = 9;
    ZEL_GetWaveformDataXYPoint(session_, d, point, &x, &y, &order, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    EXPECT_EQ(x, point);
    return y;
  }
};

TEST_F(ReaderTest, WaveformReadersAreCountedAndStatesAreChecked) {
  zel_waveform_t a = Wave();
  WriteFronts(segment_, {a}, 3, 0);
  zel_view_t view = View();
  zel_reader_t reader = Reader(view);
  zel_wfDataReader_t first = ZEL_AddReaderWaveform(session_, reader, a, &status_);
  zel_wfDataReader_t again = ZEL_AddReaderWaveform(session_, reader, a, &status_);
  EXPECT_EQ(first.key, again.key);

  // No segment open: the data functions refuse without touching anything.
  ZEL_GetPointCount(session_, first, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetPointCount: No segment is open for reading.");
  ZEL_EndReading(session_, reader, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_EndReadingSegment: The reader is not open");

  Start(reader, segment_);
  ZEL_StartReadingSegment(session_, reader, segment_, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_StartReadingSegment: The reader is already open");
  EXPECT_EQ(ZEL_GetPointCount(session_, first, &status_), 3u);
  EXPECT_EQ(Y(first, 2), 4.0);
  ZEL_EndReading(session_, reader, &status_);
  ASSERT_EQ(status_, ZEL_OK);

  // Removing once keeps the waveform reader, twice deletes it.
  ZEL_RemoveReaderWaveform(session_, reader, first, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  ZEL_StartReadingSegment(session_, reader, segment_, &status_);
  EXPECT_EQ(ZEL_GetPointCount(session_, first, &status_), 3u);
  ZEL_EndReading(session_, reader, &status_);
  ZEL_RemoveReaderWaveform(session_, reader, first, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  ZEL_GetPointCount(session_, first, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);

  // The view is in use while the reader stands on it; moving the reader
  // fails as documented but the move stays.
  zel_view_t other = View();
  ZEL_DeleteView(session_, view, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_DeleteView: View is in use");
  ZEL_ReplaceReaderView(session_, reader, other, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_ReplaceReaderView: ZELI_Reader::HandleViewChange not implemented");
  ZEL_DeleteView(session_, view, &status_);
  EXPECT_EQ(status_, ZEL_OK);
  ZEL_DeleteView(session_, other, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
  ZEL_DeleteReader(session_, reader, &status_);
  ZEL_DeleteView(session_, other, &status_);
  EXPECT_EQ(status_, ZEL_OK);

  // A reader that goes with its container leaves its view too.
  zel_view_t kept = View();
  Check(ZEL_CreateReader(session_, c_, kept, &status_));
  ZEL_CloseContainer(session_, c_, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_DeleteView(session_, kept, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
}

TEST_F(ReaderTest, SegmentsVisitedAgainReuseTheirWaveformSegments) {
  // A set swept over two values of a parameter: two segments.
  zel_parameter_t r = Parameter(c_, "R", Descriptor(c_, "r", "Ohm"), {1.0, 2.0});
  zel_waveformSet_t set = Check(ZEL_CreateWaveformSet(session_, c_, "swept", Descriptor(c_, "t"), 1, &r, &status_));
  zel_waveform_t w = Check(ZEL_CreateWaveform(session_, set, 0, y_, &status_));
  unsigned zero = 0, one = 1;
  zel_segment_t a = Check(ZEL_CreateSegment(session_, set, 1, &zero, &status_));
  zel_segment_t b = Check(ZEL_CreateSegment(session_, set, 1, &one, &status_));
  WriteFronts(a, {w}, 4, 100);
  WriteFronts(b, {w}, 2, 200);

  zel_view_t view = View();
  zel_reader_t reader = Reader(view);
  zel_wfDataReader_t d = ZEL_AddReaderWaveform(session_, reader, w, &status_);
  const double expected[] = {100, 200, 100};
  const unsigned counts[] = {4, 2, 4};
  const zel_segment_t order[] = {a, b, a};
  for (int i = 0; i < 3; ++i) {
    Start(reader, order[i]);
    EXPECT_EQ(ZEL_GetPointCount(session_, d, &status_), counts[i]);
    EXPECT_EQ(Y(d, 1), expected[i] + 1);
    ZEL_EndReading(session_, reader, &status_);
  }
  EXPECT_EQ(zeltest::ObjectOf(session_, d)->Get_WfSegmentCount(), 2u);

  // A waveform of another set than the reader's is refused; a segment of
  // another set is refused before any waveform is opened, and the reader
  // starts again.
  ZEL_AddReaderWaveform(session_, reader, Wave(), &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG,
                     "ZEL_AddReaderWaveform: The waveform and the reader's waveforms are in different waveform sets.");
  ZEL_StartReadingSegment(session_, reader, segment_, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG,
                     "ZEL_StartReadingSegment: The waveform and the segment are in different waveform sets.");
  ZEL_StartReadingSegment(session_, reader, a, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  // Deleting an open reader closes it first.
  ZEL_DeleteReader(session_, reader, &status_);
  EXPECT_EQ(status_, ZEL_OK);
  ZEL_DeleteView(session_, view, &status_);
  EXPECT_EQ(status_, ZEL_OK);
}

TEST_F(ReaderTest, DataFunctionsReadWhatWasWrittenAfterReopening) {
  zel_waveform_t a = Wave();
  zel_waveform_t b = Wave();
  WriteFronts(segment_, {a, b}, 5, 0);  // a: i*i, b: 10 + i*i
  zel_hierarchyNode_t root = Check(ZEL_GetNameHierarchyRootNode(session_, set_, &status_));
  ZEL_AddHierarchyScalarWf(session_, root, "top/b", ZEL_HDL_SLASH, b, &status_);
  Close(c_);
  c_ = Open(ZEL_IOMODE_READ);
  zel_waveformSet_t set = Check(ZEL_FindWaveformSet(session_, c_, "tran", &status_));
  zel_segment_t segment = Check(ZEL_GetSegment(session_, set, 0, &status_));
  root = Check(ZEL_GetNameHierarchyRootNode(session_, set, &status_));
  unsigned count = 0;
  zel_hierarchyNode_t* nodes = ZEL_GetHierarchyNodes(session_, root, "top/b", ZEL_HDL_SLASH, &count, &status_);
  ASSERT_EQ(count, 1u);
  zel_waveform_t stored = Check(ZEL_GetHierarchyWaveform(session_, nodes[0], &status_));
  std::free(nodes);
  zel_reader_t reader = Reader();
  zel_wfDataReader_t rb = ZEL_AddReaderWaveform(session_, reader, stored, &status_);
  Start(reader, segment);

  const void* x = nullptr;
  const void* y = nullptr;
  const unsigned* order = nullptr;
  ZEL_GetWaveformDataXYBuffers(session_, rb, 1, &x, &y, &order, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(order, nullptr);
  for (unsigned i = 0; i < 4; ++i) {
    EXPECT_EQ(static_cast<const double*>(x)[i], i + 1.0);
    EXPECT_EQ(static_cast<const double*>(y)[i], 10.0 + (i + 1) * (i + 1));
  }
  ZEL_GetWaveformDataXYBuffers(session_, rb, 1, &x, nullptr, &order, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  // Every out-parameter is required, the order's too.
  ZEL_GetWaveformDataXYBuffers(session_, rb, 1, &x, &y, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetWaveformDataXYBuffers: Null output pointer");
  double xv = 0, yv = 0;
  ZEL_GetWaveformDataXYPoint(session_, rb, 1, &xv, &yv, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetWaveformDataXYPoint: Null output pointer");

  // Y at X: exact, linear between points, outside (Y untouched, both
  // indexes at the end).
  double at = 3, value = 0;
  unsigned lower = 0, upper = 0;
  ZEL_GetWaveformDataYatX(session_, rb, 0, &at, &value, &lower, &upper, &status_);
  EXPECT_EQ(value, 19.0);
  EXPECT_EQ(lower, 3u);
  EXPECT_EQ(upper, 4u);
  at = 2.5;
  ZEL_GetWaveformDataYatX(session_, rb, 0, &at, &value, &lower, &upper, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_DOUBLE_EQ(value, 10.0 + (4 + 9) / 2.0);
  EXPECT_EQ(lower, 2u);
  EXPECT_EQ(upper, 3u);
  at = 7;
  value = -1;
  ZEL_GetWaveformDataYatX(session_, rb, 0, &at, &value, &lower, &upper, &status_);
  EXPECT_EQ(value, -1);
  EXPECT_EQ(lower, 5u);
  EXPECT_EQ(upper, 5u);
  ZEL_GetWaveformDataYatX(session_, rb, 5, &at, &value, &lower, &upper, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);

  // Summaries come from the values.
  EXPECT_EQ(ZEL_GetWaveformDataXMonotonicity(session_, rb, &status_), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  double min = 0, max = 0;
  ZEL_GetWaveformDataYMinMax(session_, rb, &min, &max, &status_);
  EXPECT_EQ(min, 10.0);
  EXPECT_EQ(max, 26.0);
  EXPECT_EQ(ZEL_GetWaveformDataInterpolationType(session_, rb, &status_), ZEL_INTERPOLATION_LINEAR);
  // Closing the container with the reader open releases everything (ASan).
  Close(c_);
}

// A waveform whose segment cannot be built (here: no data in it) fails on
// its own: the start goes through, the others read, and its reads report
// its own failure until a later start finds data.
TEST_F(ReaderTest, AWaveformThatCannotBeReadFailsAlone) {
  zel_waveform_t a = Wave();
  zel_waveform_t empty = Wave();
  zel_waveform_t b = Wave();
  WriteFronts(segment_, {a, b}, 3, 0);
  zel_reader_t reader = Reader();
  zel_wfDataReader_t da = ZEL_AddReaderWaveform(session_, reader, a, &status_);
  zel_wfDataReader_t de = ZEL_AddReaderWaveform(session_, reader, empty, &status_);
  zel_wfDataReader_t db = ZEL_AddReaderWaveform(session_, reader, b, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  Start(reader, segment_);
  EXPECT_EQ(ZEL_GetPointCount(session_, da, &status_), 3u);
  EXPECT_EQ(Y(db, 2), 14.0);
  EXPECT_EQ(ZEL_GetPointCount(session_, de, &status_), 0u);
  EXPECT_ZEL_FAILURE(status_, ZEL_NOT_FOUND, "ZEL_GetPointCount: The waveform has no data");
  ZEL_GetWaveformDataXMonotonicity(session_, de, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_NOT_FOUND, "ZEL_GetWaveformDataXMonotonicity: The waveform has no data");
  EXPECT_EQ(ZEL_GetWaveformDataWfSegment(session_, de, &status_), nullptr);
  EXPECT_EQ(status_, ZEL_NOT_FOUND);
  ZEL_EndReading(session_, reader, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();

  // Once it has data, the next start reads it.
  WriteFronts(segment_, {empty}, 2, 100);
  Start(reader, segment_);
  EXPECT_EQ(ZEL_GetPointCount(session_, de, &status_), 2u);
  EXPECT_EQ(Y(de, 1), 101.0);
  EXPECT_EQ(ZEL_GetPointCount(session_, da, &status_), 3u);
  ZEL_EndReading(session_, reader, &status_);
  ZEL_DeleteReader(session_, reader, &status_);
  Close(c_);
}

TEST_F(ReaderTest, ReadingWhileASimulationWriterOfTheSessionGoesOn) {
  zel_waveform_t a = Wave();
  zel_simResultWriter_t writer = Check(ZEL_CreateSimResultWriter(session_, segment_, 0, &status_));
  zel_simResultSubset_t analog = Check(ZEL_CreateSimResultSubset(session_, writer, ZEL_STORAGE_ANALOG, &status_));
  ZEL_AddSimResultWaveform(session_, analog, a, &status_);
  ZEL_SimWfDataWriter* data = ZEL_GetSimWfDataWriter_p(session_, analog, 0, &status_);
  ZEL_SimInitializeWriting(session_, writer, &status_);
  zel_reader_t reader = Reader();
  zel_wfDataReader_t d = ZEL_AddReaderWaveform(session_, reader, a, &status_);
  for (int cycle = 0; cycle < 6; ++cycle) {
    const double t = cycle, v = 2.0 * cycle;
    ZEL_SimStartCycle(session_, writer, &t, &status_);
    ZEL_SimStartDataFront(session_, analog, 0, &status_);
    ZEL_SimWfDataWriterEnterValue(data, &v, &status_);
    ZEL_SimEndDataFront(session_, analog, &status_);
    ZEL_SimEndCycle(session_, writer, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
    if (cycle % 2 == 1) {
      // Values the writer still holds in memory are read too, and reading
      // leaves the writer's files open.
      Start(reader, segment_);
      EXPECT_EQ(ZEL_GetPointCount(session_, d, &status_), cycle + 1u);
      EXPECT_EQ(Y(d, cycle), 2.0 * cycle);
      ZEL_EndReading(session_, reader, &status_);
    }
  }
  ZEL_SimTerminateWriting(session_, writer, &status_);
  ZEL_StartReadingSegment(session_, reader, segment_, &status_);
  EXPECT_EQ(ZEL_GetPointCount(session_, d, &status_), 6u);
  EXPECT_EQ(Y(d, 5), 10.0);
  ZEL_EndReading(session_, reader, &status_);
  Close(c_);
}

}  // namespace
