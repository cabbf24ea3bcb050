// The file layer: injected faults become ZEL_DISK_IO with the system's text,
// and interrupted or short transfers are completed.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "interface/frame.h"
#include "store/fault_fs.h"
#include "store/os_file.h"
#include "store/stream.h"
#include "test_support.h"

namespace {

class FileLayerTest : public ::testing::Test {
 protected:
  zeltest::TempDir dir_;
  std::string path_ = dir_ / "file";
  ZELI_FaultFileSystem faults_;
  ZELI_ScopedFileSystem installed_{&faults_};
};

}  // namespace

TEST_F(FileLayerTest, OpenWriteSyncAndCloseFailuresAreDiskIoWithTheSystemText) {
  // What fitted on a full disk was written; nothing was reported as success.
  faults_.FailWritesAfterBytes(4096 + 100, ENOSPC);
  EXPECT_EQ(zeltest::RunInFrame("ZEL_Write", [&] {
              ZELI_Ostream out(path_.c_str(), 1);
              std::vector<char> data(8192, 'x');
              out.Write(data.data(), data.size());
              out.Close();
            }),
            ZEL_DISK_IO);
  EXPECT_STREQ(ZEL_GetError(), "ZEL_Write: No space left on device");
  EXPECT_EQ(zeltest::ReadFileBytes(path_).size(), 4096u + 100u);

  faults_.Clear();
  faults_.FailCall(ZELI_FaultFileSystem::OPEN, 1, EACCES);
  EXPECT_EQ(zeltest::RunInFrame("ZEL_Open", [&] { ZELI_Ostream out(path_.c_str(), 1); }), ZEL_DISK_IO);
  EXPECT_STREQ(ZEL_GetError(), "ZEL_Open: Permission denied");

  faults_.Clear();
  faults_.FailCall(ZELI_FaultFileSystem::FSYNC, 1, EIO);
  EXPECT_EQ(zeltest::RunInFrame("ZEL_Sync", [&] {
              ZELI_Ostream out(path_.c_str(), 1);
              out << 1;
              out.Flush();
            }),
            ZEL_DISK_IO);
  EXPECT_STREQ(ZEL_GetError(), "ZEL_Sync: Input/output error");

  faults_.Clear();
  faults_.FailCall(ZELI_FaultFileSystem::CLOSE, 1, EIO);
  EXPECT_THROW(
      {
        ZELI_Ostream out(path_.c_str(), 1);
        out.Close();
      },
      ZELI_DiskIOException);
  // A failed output stream's destructor releases quietly.
  faults_.FailCall(ZELI_FaultFileSystem::WRITE, 1, ENOSPC, /*persistent=*/true);
  EXPECT_NO_THROW({
    ZELI_Ostream out(path_.c_str(), 1);
    out << 5;
  });
}

// Streamed and positioned reads, short and interrupted; positioned reads
// leave the file position alone.
TEST_F(FileLayerTest, ShortAndInterruptedReadsAreCompleted) {
  std::vector<unsigned char> bytes(10000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 31);
  zeltest::WriteFileBytes(path_, bytes);
  faults_.ShortReads(7);
  faults_.FailCall(ZELI_FaultFileSystem::READ, 2, EINTR);
  {
    ZELI_Istream in(path_.c_str());
    std::vector<unsigned char> back(bytes.size());
    in.Read(back.data(), static_cast<unsigned>(back.size()), 1);
    EXPECT_EQ(back, bytes);
    EXPECT_TRUE(in.AtEnd());
  }
  faults_.FailCall(ZELI_FaultFileSystem::READ, 1, EIO);
  ZELI_Istream failing(path_.c_str());
  int v;
  EXPECT_THROW(failing >> v, ZELI_DiskIOException);

  faults_.Clear();
  const int fd = ZELI_OS_Open(path_.c_str(), ZELI_OS_READ_ONLY, 0);
  faults_.ShortReads(7);
  faults_.FailCall(ZELI_FaultFileSystem::READ, 2, EINTR);
  std::vector<unsigned char> back(100);
  EXPECT_EQ(ZELI_OS_ReadAt(fd, back.data(), 100, 9950), 50u);  // the file ends
  EXPECT_TRUE(std::equal(bytes.begin() + 9950, bytes.end(), back.begin()));
  EXPECT_EQ(ZELI_OS_ReadAt(fd, back.data(), 100, 300), 100u);
  EXPECT_TRUE(std::equal(back.begin(), back.end(), bytes.begin() + 300));
  EXPECT_EQ(ZELI_OS_Read(fd, back.data(), 3), 3u);  // still at the start
  EXPECT_TRUE(std::equal(back.begin(), back.begin() + 3, bytes.begin()));
  faults_.FailCall(ZELI_FaultFileSystem::READ, 1, EIO);
  EXPECT_THROW(ZELI_OS_ReadAt(fd, back.data(), 100, 0), ZELI_DiskIOException);

  // Read-ahead hints never fail the caller, not even refused or absurd ones.
  faults_.Clear();
  faults_.ResetCounts();
  ZELI_OS_AdviseWillRead(fd, 0, 8192);
  ZELI_OS_AdviseWillRead(fd, 0, 0);             // nothing to announce
  ZELI_OS_AdviseWillRead(fd, UINT64_MAX, 10);   // beyond what off_t holds
  EXPECT_EQ(faults_.Get_CallCount(ZELI_FaultFileSystem::ADVISE), 1u);
  faults_.FailCall(ZELI_FaultFileSystem::ADVISE, 1, EINVAL, /*persistent=*/true);
  errno = 0;
  ZELI_OS_AdviseWillRead(fd, 0, 8192);
  EXPECT_EQ(errno, 0);
  ZELI_OS_AdviseWillRead(-1, 0, 8192);
  ZELI_OS_Close(fd);
}

TEST_F(FileLayerTest, PositionedVectorWritesCompleteAcrossPiecesAndLeaveThePositionAlone) {
  std::vector<unsigned char> a(5000, 'a'), b(10, 'b'), c(7000, 'c');
  const int fd = ZELI_OS_Open(path_.c_str(), ZELI_OS_READ_WRITE, 1);
  ZELI_OS_Write(fd, "head", 4);
  // Short writes that end inside a piece, in the middle of the short one,
  // and an interrupted call: every byte still lands once, in order.
  faults_.ShortWrites(997);
  faults_.FailCall(ZELI_FaultFileSystem::WRITE, 3, EINTR);
  const struct iovec pieces[] = {{a.data(), a.size()}, {b.data(), 0}, {b.data(), b.size()}, {c.data(), c.size()}};
  ZELI_OS_WriteAt(fd, pieces, 4, 8192);
  ZELI_OS_Write(fd, "more", 4);  // the position stayed after "head"
  faults_.Clear();
  faults_.FailCall(ZELI_FaultFileSystem::WRITE, 1, EIO);
  EXPECT_THROW(ZELI_OS_WriteAt(fd, pieces, 1, 0), ZELI_DiskIOException);
  ZELI_OS_Close(fd);

  std::vector<unsigned char> expected(8192, 0);
  std::copy_n("headmore", 8, expected.begin());
  for (const auto* part : {&a, &b, &c}) expected.insert(expected.end(), part->begin(), part->end());
  EXPECT_EQ(zeltest::ReadFileBytes(path_), expected);
}

TEST_F(FileLayerTest, PredicatesNeverThrowAndExclusiveCreationRefusesOnlyWithTheSystemText) {
  zeltest::WriteFileBytes(path_, {1});
  EXPECT_TRUE(ZELI_OS_IsFile(path_.c_str()));
  EXPECT_FALSE(ZELI_OS_IsFile(dir_.path().c_str()));
  EXPECT_TRUE(ZELI_OS_IsDirectory(dir_.path().c_str()));
  EXPECT_TRUE(ZELI_OS_Access(path_.c_str(), 1));
  EXPECT_FALSE(ZELI_OS_Access((dir_ / "none").c_str(), 0));
  EXPECT_FALSE(ZELI_OS_IsFile(nullptr));

  EXPECT_FALSE(ZELI_OS_CreateExclusive(path_.c_str()));  // exists: no failure, no truncation
  EXPECT_EQ(zeltest::ReadFileBytes(path_), std::vector<unsigned char>{1});
  ZELI_OS_UnlinkIfPresent(path_.c_str());
  EXPECT_FALSE(ZELI_OS_Exists(path_.c_str()));
  ZELI_OS_UnlinkIfPresent(path_.c_str());  // absent: nothing to do
  ZELI_OS_UnlinkQuietly(path_.c_str());
  EXPECT_TRUE(ZELI_OS_CreateExclusive(path_.c_str()));

  faults_.FailCall(ZELI_FaultFileSystem::STAT, 1, EIO);
  EXPECT_FALSE(ZELI_OS_IsFile(path_.c_str()));
  // Any other refusal is a disk error with the system's text.
  faults_.FailCall(ZELI_FaultFileSystem::OPEN, 1, EACCES);
  EXPECT_EQ(zeltest::RunInFrame("ZEL_Create", [&] { ZELI_OS_CreateExclusive(path_.c_str()); }), ZEL_DISK_IO);
  EXPECT_STREQ(ZEL_GetError(), "ZEL_Create: Permission denied");
}
