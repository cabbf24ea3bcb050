// Tests: the front and array writer (states and messages, front and array
// writing read back in another process, commits refused while active,
// shutdown at close, deletion) and its data writers (argument and state
// checks, stale pointers).
#include "waveforms/writer.h"
#include "writer_test_support.h"

namespace zeltest {
namespace {

using WriterTest = WriterFixture;

TEST_F(WriterTest, StatesRefuseCallsOutOfSequence) {
  zel_writer_t w = Writer();
  ZEL_WfDataWriter* d = Add(w, Wave());
  const double x = 1;
  ZEL_EndDataFront(session_, w, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_EndDataFront: EndDataFront called out of sequence");
  ZEL_StartDataFront(session_, w, &x, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_StartDataFront: StartDataFront called out of sequence");
  ZEL_TerminateWriting(session_, w, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_TerminateWriting: TerminateWriting called out of sequence");
  ZEL_InitializeFrontWriting(session_, w, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  for (auto init : {ZEL_InitializeFrontWriting, ZEL_InitializeArrayWriting}) {
    init(session_, w, &status_);
    EXPECT_EQ(status_, ZEL_FAILED);
    EXPECT_NE(std::string(ZEL_GetError()).find(": Initialize writing called out of sequence"), std::string::npos);
  }
  ZEL_AppendXArray(session_, w, 1, &x, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_AppendXArray: AppendXArray called out of sequence");
  ZEL_StartDataFront(session_, w, &x, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  ZEL_StartDataFront(session_, w, &x, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
  ZEL_TerminateWriting(session_, w, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_TerminateWriting: TerminateWriting called out of sequence");
  ZEL_WfDataWriterEnterValue(d, &x, 0, &status_);
  ZEL_EndDataFront(session_, w, &status_);
  ZEL_TerminateWriting(session_, w, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(ObjectOf(session_, w)->Get_State(), ZELI_Writer::TERMINATED);
  EXPECT_FALSE(Seg().IsDataStoreOpen(0));
  ZEL_TerminateWriting(session_, w, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
  Close(c_);
}

TEST_F(WriterTest, CreationAndWaveformArgumentsAreChecked) {
  ZEL_CreateWriter(session_, segment_, 1, ZEL_STORAGE_ANALOG, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateWriter: DataStore index is invalid.");
  ZEL_CreateWriter(session_, segment_, 0, static_cast<zel_storageMode_t>(7), &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  zel_writer_t w = Writer();
  // Garbage collection keeps what an attached writer fills, even when empty.
  EXPECT_FALSE(Seg().CollectGarbage());
  ASSERT_NE(Seg().Get_SharedXSet_p(0), nullptr);
  // A waveform of another set of the same container.
  zel_waveformSet_t other = Set(c_, "ac");
  zel_waveform_t foreign = Check(ZEL_CreateWaveform(session_, other, 0, y_, &status_));
  EXPECT_EQ(ZEL_AddWriterWaveform(session_, w, foreign, &status_), nullptr);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  // A waveform of another container.
  zel_container_t m = CreateMemory();
  zel_waveformSet_t mset = Set(m, "tran");
  zel_waveform_t mwave = Check(ZEL_CreateWaveform(session_, mset, 0, Descriptor(m, "v"), &status_));
  EXPECT_EQ(ZEL_AddWriterWaveform(session_, w, mwave, &status_), nullptr);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG,
                     "ZEL_AddWriterWaveform: The waveform and the writer are in different containers.");
  // The same waveform twice: its second data set goes again.
  zel_waveform_t wave = Wave();
  Add(w, wave);
  EXPECT_EQ(ZEL_AddWriterWaveform(session_, w, wave, &status_), nullptr);
  EXPECT_EQ(status_, ZEL_DUPLICATE);
  EXPECT_EQ(ObjectOf(session_, w)->Get_DataWriterCount(), 1u);
  EXPECT_EQ(ObjectOf(session_, w)->Get_SharedXSet_p()->Get_DataSetCount() -
                ObjectOf(session_, w)->Get_SharedXSet_p()->Get_FreeIndexCount(),
            1u);
  Close(m);
  Close(c_);
}

TEST_F(WriterTest, DataWritersCheckTheFrontStateAndTheirArguments) {
  zel_writer_t w = Writer();
  ZEL_WfDataWriter* d = Add(w, Wave());
  const double v = 5;
  ZEL_WfDataWriterEnterValue(d, &v, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_WfDataWriterEnterValue: EnterValue called outside a data front");
  ZEL_InitializeFrontWriting(session_, w, &status_);
  ZEL_WfDataWriterEnterValue(d, &v, 0, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
  Front(w, 0, {{d, 1}});
  ZEL_WfDataWriterEnterValue(d, &v, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_WfDataWriterEnterValue: EnterValue called outside a data front");
  ZEL_WfDataWriterAppendArrays(d, 1, &v, nullptr, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_WfDataWriterAppendArrays: AppendArrays called outside array writing");
  ZEL_WfDataWriterSetInterpolationType(d, ZEL_INTERPOLATION_MIXED, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG,
                     "ZEL_WfDataWriterSetInterpolationType: Explicitly setting MIXED/DEFAULT interpolationType");
  const double x = 1;
  ZEL_StartDataFront(session_, w, &x, &status_);
  ZEL_WfDataWriterEnterValue(d, nullptr, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_WfDataWriterEnterValue: value is null");
  ZEL_StartDataFront(session_, w, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);  // already inside a front
  ZEL_WfDataWriterSetMinMax(d, &v, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_WfDataWriterSetMonotonicity(d, ZEL_MONOTONICITY_MIXED, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG,
                     "ZEL_WfDataWriterSetMonotonicity: Explicitly setting MIXED/DEFAULT monotonicity");
  ZEL_WfDataWriterSetDataSpacing(d, ZEL_DATASPACING_DEFAULT, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG,
                     "ZEL_WfDataWriterSetDataSpacing: Explicitly setting MIXED/DEFAULT data spacing");
  ZEL_WfDataWriterSetInterpolationType(d, ZEL_INTERPOLATION_LINEAR, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED,
                     "ZEL_WfDataWriterSetInterpolationType: Interpolation type cannot be changed any more");
  ZEL_SetXMonotonicity(session_, w, ZEL_MONOTONICITY_DEFAULT, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_SetXMinMax(session_, w, nullptr, &x, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  // Nothing of the failed calls reached the data set.
  EXPECT_EQ(Seg().Get_SharedXSet_p(0)->Get_DataSet_p(0)->Get_PointCount(0), 1u);
  ZEL_WfDataWriterEnterValue(nullptr, &v, 0, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  ZEL_WfDataWriter bogus;
  ZEL_WfDataWriterUnsetMinMax(&bogus, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  ZEL_WfDataWriterEnterValue(d, &v, 0, nullptr);  // no status wanted
  Close(c_);
  // The container's writers went with it.
  ZEL_WfDataWriterEnterValue(d, &v, 0, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
}

TEST_F(WriterTest, DeletingInTheMiddleClosesTheStoreAndInvalidatesDataWriters) {
  auto [w, wa, wb, a, b] = WriterOfTwo(ZEL_STORAGE_DIGITAL);
  ZEL_InitializeFrontWriting(session_, w, &status_);
  Front(w, 0, {{a, 1}, {b, 2}});
  Front(w, 1, {{a, 3}});
  const double x = 2;
  ZEL_StartDataFront(session_, w, &x, &status_);
  EXPECT_TRUE(Seg().IsDataStoreOpen(0));
  ZEL_DeleteWriter(session_, w, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_FALSE(Seg().IsDataStoreOpen(0));
  ZEL_WfDataWriterEnterValue(a, &x, 0, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  ZEL_EndDataFront(session_, w, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  // Nothing was cut; the shared X set is no longer attached.
  EXPECT_EQ(Seg().Get_SharedXSet_p(0)->Get_Writer_p(), nullptr);
  EXPECT_EQ(Seg().Get_SharedXSet_p(0)->Get_XCount(), 3u);
  EXPECT_EQ(Stored(wa).y, (std::vector<double>{1, 3}));
  EXPECT_EQ(Stored(wb).y, (std::vector<double>{2}));
  Close(c_);
}

TEST_F(WriterTest, FrontWritingOfSeveralWaveformsReadsBackInAnotherProcess) {
  auto [w, wa, wb, a, b] = WriterOfTwo(ZEL_STORAGE_ANALOG);
  ZEL_InitializeFrontWriting(session_, w, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  Front(w, 0.0, {{a, 1.0}, {b, -1.0}});
  Front(w, 0.5, {{a, 2.0}, {b, -2.0}});
  Front(w, 1.0, {{a, 3.0}, {b, -4.0}});
  ZEL_WfDataWriterSetMonotonicity(a, ZEL_MONOTONICITY_INCREASING, &status_);
  const double lo = -4, hi = -1;
  ZEL_WfDataWriterSetMinMax(b, &lo, &hi, &status_);
  ZEL_SetXMonotonicity(session_, w, ZEL_MONOTONICITY_STRICTLY_INCREASING, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_TerminateWriting(session_, w, &status_);
  ZEL_CommitDataStoreStructure(session_, segment_, 0, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  Close(c_);
  EXPECT_EQ(RunInChild([&] {
              StoredWave sa, sb;
              if (!ReadBoth(sa, sb)) return 1;
              if (sa.x != std::vector<double>{0.0, 0.5, 1.0} || sb.x != sa.x) return 2;
              if (sa.y != std::vector<double>{1, 2, 3} || sb.y != std::vector<double>{-1, -2, -4}) return 3;
              if (sa.monotonicity != ZEL_MONOTONICITY_INCREASING || sa.minMaxSet) return 4;
              if (!sb.minMaxSet || sb.min != -4 || sb.max != -1) return 5;
              if (sa.xMonotonicity != ZEL_MONOTONICITY_STRICTLY_INCREASING) return 6;
              return 0;
            }),
            0);
}

TEST_F(WriterTest, ArrayWritingIsActiveUntilEveryWaveformCaughtUp) {
  auto [w, wa, wb, a, b] = WriterOfTwo(ZEL_STORAGE_ANALOG);
  ZEL_WfDataWriterSetInterpolationType(b, ZEL_INTERPOLATION_POLYNOMIAL, &status_);
  ZEL_CommitDataStoreStructure(session_, segment_, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED,
                     "ZEL_CommitDataStoreStructure: Some writer(s) cannot be flushed (are uninitialized)");
  ZEL_InitializeArrayWriting(session_, w, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  const double xs[4] = {0, 1, 2, 3};
  ZEL_AppendXArray(session_, w, 2, xs, &status_);
  ZEL_AppendXArraySimp(session_, w, 2, xs + 2, 1, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  const double ya[4] = {4, 3, 2, 1}, yb[4] = {7, 8, 9, 10};
  const int orders[2] = {0, 2}, badOrders[2] = {1, 3};
  ZEL_WfDataWriterAppendArrays(a, 4, ya, nullptr, nullptr, &status_);
  ZEL_WfDataWriterAppendArrays(b, 2, yb, badOrders, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_WfDataWriterAppendArrays: Order must be 0, 1, or 2");
  ZEL_WfDataWriterAppendArrays(b, 2, yb, nullptr, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);  // orders are required with POLYNOMIAL
  ZEL_WfDataWriterAppendArrays(b, 2, nullptr, orders, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_WfDataWriterAppendArrays(b, 2, yb, orders, nullptr, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_TRUE(ObjectOf(session_, w)->IsActive());
  ZEL_CommitWaveformData(session_, segment_, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_CommitWaveformData: Some writer(s) cannot be flushed (are active)");
  ZEL_CommitDataStoreStructure(session_, segment_, 0, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
  ZEL_WfDataWriterAppendArraysSimp(b, 2, yb + 2, orders, nullptr, 0, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_FALSE(ObjectOf(session_, w)->IsActive());
  ZEL_CommitWaveformData(session_, segment_, 0, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  // The in-memory path keeps the summaries up to date.
  EXPECT_EQ(Seg().Get_SharedXSet_p(0)->Get_XDataInformation().Get_Monotonicity(), ZEL_MONOTONICITY_STRICTLY_INCREASING);
  EXPECT_EQ(Seg().Get_SharedXSet_p(0)->Get_DataSet_p(1)->Get_DataInformation(0).Get_Monotonicity(),
            ZEL_MONOTONICITY_STRICTLY_INCREASING);
  auto* orderSet = dynamic_cast<ZELI_OneWaveformDataSet*>(Seg().Get_SharedXSet_p(0)->Get_DataSet_p(1));
  EXPECT_EQ(orderSet->Get_Orders_p()->Get_Count(), 4u);
  Close(c_);  // shuts the writer down
  EXPECT_EQ(RunInChild([&] {
              StoredWave sa, sb;
              if (!ReadBoth(sa, sb)) return 1;
              if (sa.x != std::vector<double>{0, 1, 2, 3}) return 2;
              if (sa.y != std::vector<double>{4, 3, 2, 1} || sb.y != std::vector<double>{7, 8, 9, 10}) return 3;
              return 0;
            }),
            0);
}

// A memory container's commits write nothing, but refuse what commits on
// disk refuse.
TEST_F(ModelTest, CommitsInMemoryCheckTheWriters) {
  const zel_container_t c = CreateMemory();
  const zel_waveformSet_t set = Set(c, "tran");
  const zel_segment_t segment = Segment(set);
  const zel_waveform_t wave = Check(ZEL_CreateWaveform(session_, set, 0, Descriptor(c, "v", "V"), &status_));
  const zel_writer_t w = Check(ZEL_CreateWriter(session_, segment, 0, ZEL_STORAGE_ANALOG, &status_));
  ZEL_WfDataWriter* a = Check(ZEL_AddWriterWaveform(session_, w, wave, &status_));
  ZEL_CommitDataStoreStructure(session_, segment, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED,
                     "ZEL_CommitDataStoreStructure: Some writer(s) cannot be flushed (are uninitialized)");
  ZEL_InitializeFrontWriting(session_, w, &status_);
  const double x = 0, y = 1;
  ZEL_StartDataFront(session_, w, &x, &status_);
  ZEL_WfDataWriterEnterValue(a, &y, 0, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_CommitWaveformData(session_, segment, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_CommitWaveformData: Some writer(s) cannot be flushed (are active)");
  ZEL_EndDataFront(session_, w, &status_);
  ZEL_CommitWaveformData(session_, segment, 0, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_CommitDataStoreStructure(session_, segment, 0, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
}

TEST_F(WriterTest, SparseWaveformsMaySkipFronts) {
  auto [w, wa, wb, a, b] = WriterOfTwo(ZEL_STORAGE_SPARSE);
  ZEL_InitializeFrontWriting(session_, w, &status_);
  Front(w, 10, {{a, 1}, {b, 5}});
  Front(w, 20, {{b, 6}});
  Front(w, 30, {{a, 3}, {b, 7}});
  ZEL_AddWriterWaveform(session_, w, Wave(), &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_AddWriterWaveform: Waveforms cannot be added to the writer any more");
  StoredWave sa = Stored(wa);
  EXPECT_EQ(sa.y, (std::vector<double>{1, 3}));
  EXPECT_EQ(sa.xIndices, (std::vector<int>{0, 2}));
  EXPECT_EQ(Stored(wb).xIndices, (std::vector<int>{0, 1, 2}));
  Close(c_);
  EXPECT_EQ(RunInChild([&] {
              std::vector<StoredWave> s;
              if (!ReadInContainer(name_, {0}, s)) return 1;
              return s[0].y == std::vector<double>{1, 3} && s[0].xIndices == std::vector<int>{0, 2} ? 0 : 2;
            }),
            0);
}

TEST_F(WriterTest, SparseArrayWritingTakesOneValueAtAKnownXIndex) {
  zel_writer_t w = Writer(ZEL_STORAGE_SPARSE);
  zel_waveform_t wave = Wave();
  ZEL_WfDataWriter* d = Add(w, wave);
  ZEL_InitializeArrayWriting(session_, w, &status_);
  const double xs[3] = {0, 1, 2}, ys[2] = {8, 9};
  ZEL_AppendXArray(session_, w, 3, xs, &status_);
  const int at[2] = {2, 3};
  ZEL_WfDataWriterAppendArrays(d, 1, ys, nullptr, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_WfDataWriterAppendArrays: X indices is null");
  ZEL_WfDataWriterAppendArrays(d, 1, ys, nullptr, at + 1, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_WfDataWriterAppendArrays: X Index is out of range.");
  ZEL_WfDataWriterAppendArrays(d, 2, ys, nullptr, at, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_WfDataWriterAppendArrays: X Index is out of range.");
  ZEL_WfDataWriterAppendArrays(d, 1, ys, nullptr, at, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(Stored(wave).y, (std::vector<double>{8}));
  EXPECT_EQ(Stored(wave).xIndices, (std::vector<int>{2}));
  Close(c_);
}

TEST_F(WriterTest, ClosingInsideAFrontEndsItAndCutsToTheShortestWaveform) {
  auto [w, wa, wb, a, b] = WriterOfTwo(ZEL_STORAGE_ANALOG);
  ZEL_InitializeFrontWriting(session_, w, &status_);
  Front(w, 0, {{a, 1}, {b, 2}});
  Front(w, 1, {{a, 3}, {b, 4}});
  const double x = 2, v = 5;
  ZEL_StartDataFront(session_, w, &x, &status_);
  ZEL_WfDataWriterEnterValue(a, &v, 0, &status_);
  Close(c_);
  EXPECT_EQ(RunInChild([&] {
              StoredWave sa, sb;
              if (!ReadBoth(sa, sb)) return 1;
              if (sa.x != std::vector<double>{0, 1}) return 2;
              return sa.y == std::vector<double>{1, 3} && sb.y == std::vector<double>{2, 4} ? 0 : 3;
            }),
            0);
}

// Texts written after the first data commit lie beyond the companion's
// size in the store's record (a data commit appends only the page map and
// the counts): they must read back in another process and after reopening.
// An empty text is stored as null and reads back empty.
TEST_F(WriterTest, StringsWrittenAcrossCommitsReadBackEverywhere) {
  zel_type_t text = Check(ZEL_CreateBuiltinType(session_, c_, "text", ZEL_STRING, &status_));
  zel_dimensionDescriptor_t label = Check(ZEL_CreateDimensionDescriptor(session_, c_, "label", "", text, &status_));
  zel_writer_t w = Writer();
  ZEL_WfDataWriter* d = Add(w, Wave(label));
  ZEL_InitializeFrontWriting(session_, w, &status_);
  std::vector<std::string> written;
  auto readsInChild = [&](const std::vector<std::string>& expected) {
    return RunInChild([&] {
      std::vector<StoredWave> s;
      return !ReadInContainer(name_, {0}, s) ? 1 : s[0].text == expected ? 0 : 2;
    });
  };
  for (int commit = 0; commit < 3; ++commit) {
    for (int i = 0; i < 3; ++i) {
      const double x = commit * 3 + i;
      written.push_back(commit == 1 && i == 0 ? ""
                                              : "state " + std::to_string(commit) + "." + std::to_string(i) +
                                                    std::string(i * 7, '+'));
      const char* value = written.back().c_str();
      ZEL_StartDataFront(session_, w, &x, &status_);
      ZEL_WfDataWriterEnterValue(d, &value, 0, &status_);
      ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
      ZEL_EndDataFront(session_, w, &status_);
    }
    ZEL_CommitWaveformData(session_, segment_, 0, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
    EXPECT_EQ(readsInChild(written), 0) << "after commit " << commit;
  }
  Close(c_);
  EXPECT_EQ(readsInChild(written), 0) << "after reopening";
}

}  // namespace
}  // namespace zeltest
