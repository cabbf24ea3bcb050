// Tests: the data sets a writer fills, down to their bytes (Digital_Front
// chunks; Analog_Front blocks are checked beside their read-back), the
// shutdown of a shared X set, and the commits of waveform data seen by a
// reader in another process, also when the disk fails in the middle of a
// commit.
#include <cerrno>
#include <memory>

#include "store/fault_fs.h"
#include "store/memory_array.h"
#include "store/os_file.h"
#include "waveforms/front_data_sets.h"
#include "waveforms/writer.h"
#include "writer_test_support.h"

namespace zeltest {
namespace {

using DataSetTest = WriterFixture;

TEST_F(DataSetTest, AnalogFrontRefusesMixedKindsAndEmptyInitialization) {
  ZELI_SharedXSet* shared = NewSharedXSet(segment_);
  auto* front = NewDataSet<ZELI_AnalogFrontDataSet>(shared);
  EXPECT_THROW(front->InitializeWriting(), ZELI_BadArgException);
  front->Add_Waveform_p(SourceOf(session_, Wave()));
  zel_type_t integer = Check(ZEL_CreateBuiltinType(session_, c_, "int", ZEL_INTEGER, &status_));
  zel_dimensionDescriptor_t count = Check(ZEL_CreateDimensionDescriptor(session_, c_, "n", "", integer, &status_));
  zel_status_t status = ZEL_OK;
  EXPECT_EQ(FailureOf([&] { front->Add_Waveform_p(SourceOf(session_, Wave(count))); }, &status),
            "AnalogFrontDataSet cannot store waveforms of different types.");
  EXPECT_EQ(status, ZEL_BAD_ARG);
  EXPECT_EQ(front->Get_OccupiedCount(), 1u);
  Close(c_);
}

TEST_F(DataSetTest, DigitalFrontChunksHoldTenPointsAndChain) {
  ZELI_SharedXSet* shared = NewSharedXSet(segment_);
  auto* digital = NewDataSet<ZELI_DigitalFrontDataSet>(shared);
  digital->Add_Waveform_p(SourceOf(session_, Wave()));
  digital->Add_Waveform_p(SourceOf(session_, Wave()));
  EXPECT_EQ(digital->Get_Chunk(0).capacity, 10u);
  EXPECT_THROW(digital->Set_InterpolationType(ZEL_INTERPOLATION_LINEAR), ZELI_FailedException);
  shared->OpenMemory(ZEL_IOMODE_WRITE);
  shared->InitializeWriting();
  for (int i = 0; i < 25; ++i) {
    const double x = i, v = i * 2.0, w = -i;
    shared->Add_XData(&x, 1);
    digital->EnterValues(0, &v, 1);
    if (i % 5 == 0) digital->EnterValues(1, &w, 1);
  }
  EXPECT_EQ(digital->Get_PointCount(0), 25u);
  EXPECT_EQ(digital->Get_PointCount(1), 5u);
  // Reading through the data set takes the current chunk from memory.
  std::vector<int> live;
  std::vector<double> liveValues(25);
  digital->Get_Data(0, live, liveValues.data());
  EXPECT_EQ(live.back(), 24);
  EXPECT_EQ(liveValues.back(), 48.0);
  // The current chunks reach the array's bytes when written out.
  digital->FlushStaged();
  // The first chunk of position 0: header (10, next), 10 indices, 10 values.
  const ZELI_MemoryArray& values = *digital->Get_Values_p();
  unsigned offset = digital->Get_Chunk(0).firstOffset;
  for (int chunk = 0; chunk < 3; ++chunk) {
    int header[2];
    const_cast<ZELI_MemoryArray&>(values).ReadData(offset, header, 2, 4);
    EXPECT_EQ(header[0], 10);
    for (int k = 0; k < (chunk < 2 ? 10 : 5); ++k) {
      int index = -1;
      const_cast<ZELI_MemoryArray&>(values).ReadData(offset + 8 + 4 * k, &index, 1, 4);
      EXPECT_EQ(index, chunk * 10 + k);
      EXPECT_EQ(Raw(*digital, offset + 8 + 40 + 8 * k), (chunk * 10 + k) * 2.0);
    }
    if (chunk == 2) {
      EXPECT_EQ(header[1], 0);
    } else {
      EXPECT_GT(static_cast<unsigned>(header[1]), offset);
    }
    offset = static_cast<unsigned>(header[1]);
  }
  std::vector<int> indices;
  std::vector<double> read(5);
  digital->Get_Data(1, indices, read.data());
  EXPECT_EQ(indices, (std::vector<int>{0, 5, 10, 15, 20}));
  EXPECT_EQ(read, (std::vector<double>{0, -5, -10, -15, -20}));
  shared->CloseMemory();
  Close(c_);
}

TEST_F(DataSetTest, SharedXSetShutdownCutsDenseSetsAndRefusesMixedKinds) {
  ZELI_SharedXSet* shared = NewSharedXSet(segment_);
  auto* a = NewDataSet<ZELI_OneWaveformDataSet>(shared, false);
  auto* b = NewDataSet<ZELI_OneWaveformDataSet>(shared, false);
  a->Add_Waveform_p(SourceOf(session_, Wave()));
  b->Add_Waveform_p(SourceOf(session_, Wave()));
  shared->OpenMemory(ZEL_IOMODE_WRITE);
  shared->InitializeWriting();
  const double v[5] = {1, 2, 3, 4, 5};
  shared->Add_XData(v, 5);
  a->EnterValues(0, v, 3);
  b->EnterValues(0, v, 5);
  shared->Shutdown();
  EXPECT_EQ(shared->Get_XCount(), 3u);
  EXPECT_EQ(a->Get_PointCount(0), 3u);
  EXPECT_EQ(b->Get_PointCount(0), 3u);
  shared->CloseMemory();

  ZELI_SharedXSet* mixed = NewSharedXSet(segment_);
  NewDataSet<ZELI_OneWaveformDataSet>(mixed, true)->Add_Waveform_p(SourceOf(session_, Wave()));
  NewDataSet<ZELI_OneWaveformDataSet>(mixed, false)->Add_Waveform_p(SourceOf(session_, Wave()));
  zel_status_t status = ZEL_OK;
  EXPECT_EQ(FailureOf([&] { mixed->Shutdown(); }, &status), "ZELI_SharedXSet::Shutdown: mixed type");
  EXPECT_EQ(status, ZEL_FAILED);
  ZELI_SharedXSet* frontAndOne = NewSharedXSet(segment_);
  NewDataSet<ZELI_DigitalFrontDataSet>(frontAndOne)->Add_Waveform_p(SourceOf(session_, Wave()));
  NewDataSet<ZELI_OneWaveformDataSet>(frontAndOne, false)->Add_Waveform_p(SourceOf(session_, Wave()));
  EXPECT_THROW(frontAndOne->Shutdown(), ZELI_FailedException);
  Close(c_);
}

// Writes fronts [first, first + n) of two waveforms (values 10 x and -x).
class CommitTest : public DataSetTest {
 protected:
  void SetUp() override {
    DataSetTest::SetUp();
    const TwoWaves two = WriterOfTwo(ZEL_STORAGE_ANALOG);
    writer_ = two.w;
    a_ = two.a;
    b_ = two.b;
    ZEL_InitializeFrontWriting(session_, writer_, &status_);
  }
  void Fronts(int first, int n) {
    for (int i = first; i < first + n; ++i) Front(writer_, i, {{a_, 10.0 * i}, {b_, -i}});
  }
  // 0 when a reader in another process finds `points` fronts of both
  // waveforms with their values.
  int CheckInChild(size_t points) {
    return RunInChild([&] {
      StoredWave sa, sb;
      if (!ReadBoth(sa, sb)) return 1;
      if (sa.y.size() != points || sa.x.size() != points || sb.y.size() != points) return 2;
      for (size_t i = 0; i < points; ++i) {
        if (sa.x[i] != i || sa.y[i] != 10.0 * i || sb.y[i] != -static_cast<double>(i)) return 3;
      }
      return 0;
    });
  }
  zel_writer_t writer_{};
  ZEL_WfDataWriter* a_ = nullptr;
  ZEL_WfDataWriter* b_ = nullptr;
};

TEST_F(CommitTest, CommittedWaveformDataIsSeenThroughThePageMap) {
  Fronts(0, 3);
  ZEL_CommitDataStoreStructure(session_, segment_, 0, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(CheckInChild(3), 0);
  // Enough points for new pages: a data commit appends to the page map only.
  Fronts(3, 1200);
  ZEL_CommitWaveformData(session_, segment_, 0, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_FALSE(Seg().IsPointCountDirty(0));
  EXPECT_EQ(CheckInChild(1203), 0);
  Fronts(1203, 10);
  ZEL_TerminateWriting(session_, writer_, &status_);
  ZEL_CommitWaveformData(session_, segment_, 0, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(CheckInChild(1213), 0);
  Close(c_);
}

TEST_F(CommitTest, AFailingDiskDuringACommitKeepsThePreviousCommitReadable) {
  Fronts(0, 5);
  ZEL_CommitDataStoreStructure(session_, segment_, 0, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  Fronts(5, 2000);
  {
    ZELI_FaultFileSystem faults;
    faults.FailWritesAfterBytes(100, ENOSPC);
    ZELI_ScopedFileSystem scoped(&faults);
    ZEL_CommitWaveformData(session_, segment_, 0, &status_);
    EXPECT_EQ(status_, ZEL_DISK_IO);
  }
  EXPECT_EQ(CheckInChild(5), 0);
  // Once the disk works again the data commit goes through.
  ZEL_CommitWaveformData(session_, segment_, 0, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(CheckInChild(2005), 0);
  Close(c_);
}

}  // namespace
}  // namespace zeltest
