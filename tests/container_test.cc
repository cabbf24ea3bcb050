// Container lifecycle through the exported functions: files on disk, names,
// attributes and passwords after reopening, the multi-process registration
// rules with real processes, and disk faults.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "interface/interface.h"
#include "store/database.h"
#include "store/fault_fs.h"
#include "store/os_file.h"
#include "test_support.h"

namespace {

using zeltest::ChildProcess;

class ContainerTest : public zeltest::SessionTest {
 protected:
  zel_container_t Create(zel_mode_t mode = ZEL_MODE_DISK) {
    zel_container_t c = ZEL_CreateContainer(session_, name_.c_str(), mode, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    return c;
  }
  zel_container_t Open(zel_iomode_t mode) { return ZEL_OpenContainer(session_, name_.c_str(), mode, &status_); }
  void Close(zel_container_t c) {
    ZEL_CloseContainer(session_, c, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
  bool Exists(const std::string& relative) { return ZELI_OS_Exists((dir_ / relative).c_str()); }

  zeltest::TempDir dir_;
  std::string name_ = dir_ / "run";
};

// In a child process: a fresh session that opens the container with mode
// (or attaches to it), signals the parent, waits, closes (or detaches).
// Exit code 0 when all went well, else 10 + the status of the open, 30 +
// that of the close.
int HoldOpen(const std::string& name, zel_iomode_t mode, ChildProcess::Channel& channel, bool attach = false) {
  zel_status_t st;
  zel_session_t s = ZEL_InitSession(&st);
  zel_container_t c =
      attach ? ZEL_AttachContainer(s, name.c_str(), &st) : ZEL_OpenContainer(s, name.c_str(), mode, &st);
  if (st != ZEL_OK) return 10 + st;
  channel.Signal();
  channel.Wait();
  attach ? ZEL_DetachContainer(s, c, &st) : ZEL_CloseContainer(s, c, &st);
  return st == ZEL_OK ? 0 : 30 + st;
}

// ZEL_GetContainerVersionInfo with its three lists copied out and freed. A
// list must be null exactly when its count is 0.
struct VersionInfo {
  zel_versionInfo_t table{};
  std::vector<int> readers, writers, attached;
};

std::vector<int> TakeIds(int* ids, unsigned count) {
  EXPECT_EQ(ids == nullptr, count == 0) << "count " << count;
  std::vector<int> copy(ids, ids + (ids != nullptr ? count : 0));
  std::free(ids);
  return copy;
}

VersionInfo GetVersionInfo(const std::string& name, zel_status_t& status) {
  VersionInfo info;
  ZEL_GetContainerVersionInfo(name.c_str(), &info.table, &status);
  if (status == ZEL_OK) {
    info.readers = TakeIds(info.table.readers, info.table.readerCount);
    info.writers = TakeIds(info.table.writers, info.table.writerCount);
    info.attached = TakeIds(info.table.attached, info.table.attachedCount);
  }
  return info;
}

using Pids = std::vector<int>;

std::string MachineOrder() { return ZELI_Database::Get_TheDatabase_p()->IsBigEndian() ? "big" : "little"; }

// The table's figures: byte order, software version, next number, version
// count, and the newest version's number and whether it is stale.
std::string Figures(const VersionInfo& info) {
  const zel_versionInfo_t& t = info.table;
  return std::string(t.isBigEndian ? "big" : "little") + " v" + std::to_string(t.softwareVersion) + " next " +
         std::to_string(t.nextVersion) + ", " + std::to_string(t.versionCount) + " versions, newest " +
         std::to_string(t.version) + (t.stale ? " stale" : "");
}

// In a child process with a session of its own: opens the container for
// reading and returns what look(session, container) returns, or 100 + the
// status of a failed open.
int ReadInChild(const std::string& name, const std::function<int(zel_session_t, zel_container_t)>& look) {
  return zeltest::RunInChild([&] {
    zel_status_t st;
    zel_session_t s = ZEL_InitSession(&st);
    zel_container_t c = ZEL_OpenContainer(s, name.c_str(), ZEL_IOMODE_READ, &st);
    if (st != ZEL_OK) return 100 + st;
    const int result = look(s, c);
    ZEL_CloseContainer(s, c, &st);
    return result;
  });
}

// Opens the container for writing in a session of its own, which then
// ends; the status of the open.
zel_status_t OpenForWritingInANewSession(const std::string& name) {
  zel_status_t st, open;
  zel_session_t s = ZEL_InitSession(&st);
  ZEL_OpenContainer(s, name.c_str(), ZEL_IOMODE_WRITE, &open);
  ZEL_TermSession(s, &st);
  return open;
}

}  // namespace

TEST_F(ContainerTest, CreateMakesTheFilesAndCloseWritesTheStructure) {
  zel_container_t c = Create();  // its files: ContainerDirTest.CreatedFilesAndTheReadme
  EXPECT_STREQ(ZEL_GetContainerName(session_, c, &status_), "run");
  EXPECT_EQ(std::string(ZEL_GetContainerPath(session_, c, &status_)), dir_.path() + "/");
  EXPECT_EQ(std::string(ZEL_GetContainerFilename(session_, c, &status_)), name_ + ".qo_zel");
  EXPECT_EQ(std::string(ZEL_GetContainerDirectoryName(session_, c, &status_)), name_ + "_zel");
  EXPECT_TRUE(ZEL_IsContainerLatestVersion(session_, c, &status_));
  // The segment data check reads the reference file's time.
  int64_t time = 0;
  EXPECT_TRUE(ZEL_IsSegDataLatest(session_, c, &time, &status_));
  EXPECT_GT(time, 0);
  ZEL_IsSegDataLatest(session_, c, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_SetContainerAttribute(session_, c, "simulator", "transient", &status_);
  ZEL_SetContainerPassword(session_, c, "secret", &status_);
  ZEL_SetContainerPassword(session_, c, "again", &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_DUPLICATE, "ZEL_SetContainerPassword: Password is already set");
  Close(c);
  EXPECT_TRUE(Exists("run_zel/version_0/structure.data"));

  EXPECT_TRUE(ZEL_ContainerExists((name_ + "_zel").c_str(), &status_));
  EXPECT_EQ(ZEL_GetContainerSoftwareVersion((name_ + ".qo_zel").c_str(), &status_), 8u);

  // A password protects the container: nothing stays registered on refusal.
  EXPECT_TRUE(ZEL_IsContainerNull(Open(ZEL_IOMODE_READ)));
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_OpenContainer: Container password");
  const char* candidates[] = {"wrong", nullptr, "secret"};
  c = ZEL_OpenContainerWithPassword(session_, name_.c_str(), ZEL_IOMODE_WRITE, 3, candidates, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_STREQ(ZEL_GetContainerAttribute(session_, c, "simulator", &status_), "transient");
  EXPECT_EQ(ZEL_GetContainerAttribute(session_, c, "absent", &status_), nullptr);
  unsigned count = 0;
  const char** names = ZEL_GetContainerAttributeNames(session_, c, &count, &status_);
  ASSERT_EQ(count, 1u);
  EXPECT_STREQ(names[0], "simulator");
  std::free(names);
  Close(c);
}

TEST_F(ContainerTest, BadNamesModesAndHandles) {
  ZEL_CreateContainer(session_, (dir_ / ".qo_zel").c_str(), ZEL_MODE_DISK, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_CreateContainer(session_, nullptr, ZEL_MODE_DISK, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  Open(ZEL_IOMODE_READ);
  EXPECT_ZEL_FAILURE(status_, ZEL_NOT_FOUND, ("ZEL_OpenContainer: The container " + name_ + " does not exist.").c_str());
  zel_container_t c = Create();
  Close(c);
  ZEL_CloseContainer(session_, c, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_HANDLE, "ZEL_CloseContainer: Bad handle: wrong handle (deleted?)");
  ZEL_OpenContainer(session_, name_.c_str(), static_cast<zel_iomode_t>(3), &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_OpenContainer: Invalid container io mode");
  // A partial container is neither there nor absent.
  ZELI_OS_Unlink((name_ + ".qo_zel").c_str());
  EXPECT_FALSE(ZEL_ContainerExists(name_.c_str(), &status_));
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED,
                     ("ZEL_ContainerExists: " + name_ + " does not seem to be an ZEL container.").c_str());
  EXPECT_FALSE(ZEL_ContainerExists((dir_ / "none").c_str(), &status_));
  EXPECT_EQ(status_, ZEL_OK);
}

TEST_F(ContainerTest, CloseAndDetachRefuseTheOtherKindAndSessionEndDetachesFirst) {
  zel_container_t c = Create();
  ZEL_DetachContainer(session_, c, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_DetachContainer: The container is Open. Use Close.");
  zel_container_t attached = ZEL_AttachContainer(session_, name_.c_str(), &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_CloseContainer(session_, attached, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_CloseContainer: The container is Attached. Use Detach");
  // The writer cannot leave while a process is attached; it stays open.
  ZEL_CloseContainer(session_, c, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_CloseContainer: The version has attached processes");
  EXPECT_STREQ(ZEL_GetContainerName(session_, c, &status_), "run");
  ZEL_DetachContainer(session_, attached, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  // Ending the session detaches before it closes: nothing stays registered.
  ZEL_AttachContainer(session_, name_.c_str(), &status_);
  ASSERT_EQ(status_, ZEL_OK);
  ZEL_TermSession(session_, &status_);
  EXPECT_EQ(status_, ZEL_OK);
  session_.key = -1;
  EXPECT_EQ(OpenForWritingInANewSession(name_), ZEL_OK) << ZEL_GetError();
}

TEST_F(ContainerTest, ReadersAndWritersInSeveralProcesses) {
  Close(Create());
  {
    ChildProcess reader([&](ChildProcess::Channel& ch) { return HoldOpen(name_, ZEL_IOMODE_READ, ch); });
    ASSERT_EQ(reader.AwaitSignal(), 'r');
    // Writing beside a reader fails, in either mode; reading beside a reader is fine.
    for (zel_iomode_t mode : {ZEL_IOMODE_WRITE, ZEL_IOMODE_WRITE_STRUCTURE}) {
      EXPECT_TRUE(ZEL_IsContainerNull(Open(mode)));
      EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_OpenContainer: Container is open for reading");
    }
    zel_container_t second = Open(ZEL_IOMODE_READ);
    EXPECT_EQ(status_, ZEL_OK);
    Close(second);
    reader.Resume();
    EXPECT_EQ(reader.Join(), 0);
  }
  {
    // Opening to write the structure only registers a writer as writing does.
    ChildProcess writer([&](ChildProcess::Channel& ch) { return HoldOpen(name_, ZEL_IOMODE_WRITE_STRUCTURE, ch); });
    ASSERT_EQ(writer.AwaitSignal(), 'r');
    zel_container_t beside = Open(ZEL_IOMODE_READ);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    Close(beside);
    Open(ZEL_IOMODE_WRITE);
    EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_OpenContainer: Container is open for writing");
    // Attaching joins the writer.
    zel_container_t attached = ZEL_AttachContainer(session_, name_.c_str(), &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    ZEL_DetachContainer(session_, attached, &status_);
    EXPECT_EQ(status_, ZEL_OK);
    writer.Resume();
    EXPECT_EQ(writer.Join(), 0);
  }
  ZEL_AttachContainer(session_, name_.c_str(), &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_AttachContainer: Container is not open for writing");
}

// What another process sees of the structure. It is written before any
// data store record or map: a version whose writer has not committed yet
// reads as empty, although its data files exist. A commit that fails on a
// full disk leaves the previous one readable, and a later commit still
// writes the change. A version with a record but without its structure
// lost it.
TEST_F(ContainerTest, CommittedStructureIsSeenByAnotherProcessSurvivesAFullDiskAndIsNeededBesideRecords) {
  zel_container_t c = Create();
  ZEL_SetContainerAttribute(session_, c, "step", "1", &status_);
  zel_type_t real = ZEL_CreateBuiltinType(session_, c, "real", ZEL_REAL, &status_);
  zel_dimensionDescriptor_t time = ZEL_CreateDimensionDescriptor(session_, c, "time", "s", real, &status_);
  zel_waveformSet_t set = ZEL_CreateWaveformSet(session_, c, "tran", time, 0, nullptr, &status_);
  zel_segment_t segment = ZEL_CreateSegment(session_, set, 0, nullptr, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ASSERT_TRUE(Exists("run_zel/version_0/segment_0_0.data"));
  // In another process: 10 times the number of waveform sets plus the value
  // of attribute "step" (0 without it), or 100 + the status of the open.
  auto seen = [&] {
    return ReadInChild(name_, [](zel_session_t s, zel_container_t r) {
      zel_status_t st;
      unsigned count = 0;
      std::free(ZEL_GetAllWaveformSets(s, r, &count, &st));
      const char* step = ZEL_GetContainerAttribute(s, r, "step", &st);
      return static_cast<int>(10 * count) + (step != nullptr ? std::atoi(step) : 0);
    });
  };
  EXPECT_EQ(seen(), 0);
  ZEL_CommitDataStoreStructure(session_, segment, 0, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(seen(), 11);

  ZEL_SetContainerAttribute(session_, c, "step", "2", &status_);
  {
    ZELI_FaultFileSystem faults;
    ZELI_ScopedFileSystem installed(&faults);
    faults.FailWritesAfterBytes(10, ENOSPC);
    ZEL_CommitContainerStructure(session_, c, &status_);
    EXPECT_ZEL_FAILURE(status_, ZEL_DISK_IO, "ZEL_CommitContainerStructure: No space left on device");
  }
  EXPECT_EQ(seen(), 11);
  ZEL_CommitContainerStructure(session_, c, &status_);
  EXPECT_EQ(status_, ZEL_OK);
  EXPECT_EQ(seen(), 12);

  Close(c);
  ZELI_OS_Unlink((dir_ / "run_zel/version_0/structure.data").c_str());
  EXPECT_EQ(seen(), 100 + ZEL_FAILED);
  Open(ZEL_IOMODE_READ);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED,
                     "ZEL_OpenContainer: The structure file structure.data is missing beside segment_0_0.org");
}

// A writer that crashed stays registered and keeps other writers out
// until a forced create clears it; a writer whose version was forced away
// by another process is released with its session.
TEST_F(ContainerTest, ForcedCreatesClearACrashedWriterAndReleaseTheOneTheyReplace) {
  const int code = zeltest::RunInChild([&] {
    zel_status_t st;
    zel_session_t s = ZEL_InitSession(&st);
    ZEL_CreateContainer(s, name_.c_str(), ZEL_MODE_DISK, &st);
    ZELC_Interface::SimulateClientCrash();
    return st == ZEL_OK ? 0 : 1;
  }, /*runExitHandlers=*/true);
  ASSERT_EQ(code, 0);
  zeltest::WriteFileBytes(dir_ / "run_zel/version.lck", {'1', '\n'});  // and left its lock file
  Open(ZEL_IOMODE_WRITE);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_OpenContainer: Container is open for writing");
  ZEL_CreateContainer(session_, name_.c_str(), ZEL_MODE_DISK, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_CreateContainer: Container is open for writing");
  zel_container_t old = ZEL_ForceCreateContainer(session_, name_.c_str(), ZEL_MODE_DISK, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_FALSE(Exists("run_zel/version_0"));
  EXPECT_TRUE(Exists("run_zel/version_1"));
  EXPECT_FALSE(Exists("run_zel/version.lck"));
  EXPECT_EQ(GetVersionInfo(name_, status_).writers, Pids{::getpid()});

  // Another process takes the container over by force.
  ASSERT_EQ(zeltest::RunInChild([&] {
              zel_status_t st;
              zel_session_t s = ZEL_InitSession(&st);
              zel_container_t c = ZEL_ForceCreateContainer(s, name_.c_str(), ZEL_MODE_DISK, &st);
              if (st != ZEL_OK) return 1;
              ZEL_CloseContainer(s, c, &st);
              return st == ZEL_OK ? 0 : 2;
            }),
            0);
  EXPECT_FALSE(ZEL_IsContainerLatestVersion(session_, old, &status_));
  // Its version directory is gone: the structure cannot be written.
  ZEL_CloseContainer(session_, old, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_DISK_IO, "ZEL_CloseContainer: No such file or directory");
  // The session's end releases it; the new version is untouched.
  ZEL_TermSession(session_, &status_);
  session_.key = -1;
  EXPECT_EQ(OpenForWritingInANewSession(name_), ZEL_OK) << ZEL_GetError();
}

// ---- Version table queries ---------------------------------------------------------

TEST_F(ContainerTest, NewVersionsAndDeletionWaitForTheirLastReaderAndVersionInfoListsThem) {
  const int self = ::getpid();
  zel_container_t c = Create();
  VersionInfo info = GetVersionInfo(name_, status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(Figures(info), MachineOrder() + " v8 next 1, 1 versions, newest 0");
  EXPECT_EQ(info.writers, Pids{self});
  EXPECT_EQ(info.readers, Pids{});
  EXPECT_EQ(info.attached, Pids{});
  {
    ChildProcess attacher([&](ChildProcess::Channel& ch) { return HoldOpen(name_, ZEL_IOMODE_WRITE, ch, true); });
    ASSERT_EQ(attacher.AwaitSignal(), 'r');
    // The writer cannot leave before the process attached to it, nor can
    // the container be deleted.
    ZEL_CloseContainer(session_, c, &status_);
    EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_CloseContainer: The version has attached processes");
    ZEL_DeleteContainer(name_.c_str(), &status_);
    EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_DeleteContainer: Container is open for writing");
    info = GetVersionInfo(name_ + "_zel", status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
    EXPECT_EQ(info.writers, Pids{self});
    EXPECT_EQ(info.attached, Pids{attacher.Get_Pid()});
    attacher.Resume();
    EXPECT_EQ(attacher.Join(), 0);
  }
  Close(c);

  {
    // Readers in the order they registered; asking registers nobody.
    ChildProcess first([&](ChildProcess::Channel& ch) { return HoldOpen(name_, ZEL_IOMODE_READ, ch); });
    ASSERT_EQ(first.AwaitSignal(), 'r');
    ChildProcess second([&](ChildProcess::Channel& ch) { return HoldOpen(name_, ZEL_IOMODE_READ, ch); });
    ASSERT_EQ(second.AwaitSignal(), 'r');
    info = GetVersionInfo(name_ + ".qo_zel", status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
    EXPECT_EQ(info.readers, (Pids{first.Get_Pid(), second.Get_Pid()}));
    EXPECT_EQ(info.writers, Pids{});
    EXPECT_EQ(GetVersionInfo(name_, status_).readers, info.readers);

    // A new version: its writer is listed, the readers stay with version 0,
    // which stays on disk until they leave.
    zel_container_t next = Create();
    EXPECT_TRUE(Exists("run_zel/version_1"));
    EXPECT_TRUE(Exists("run_zel/version_0"));
    info = GetVersionInfo(name_, status_);
    EXPECT_EQ(Figures(info), MachineOrder() + " v8 next 2, 2 versions, newest 1");
    EXPECT_EQ(info.readers, Pids{});
    EXPECT_EQ(info.writers, Pids{self});
    Close(next);
    first.Resume();
    second.Resume();
    EXPECT_EQ(first.Join(), 0);
    EXPECT_EQ(second.Join(), 0);
  }
  EXPECT_EQ(GetVersionInfo(name_, status_).table.versionCount, 1u);  // version 0 left with its readers
  EXPECT_FALSE(Exists("run_zel/version_0"));
  Close(Create());  // version 1, read by nobody, goes at once
  EXPECT_FALSE(Exists("run_zel/version_1"));

  {
    // Deleted while read: the newest version stays, stale, for its reader;
    // the files go with it.
    ChildProcess reader([&](ChildProcess::Channel& ch) { return HoldOpen(name_, ZEL_IOMODE_READ, ch); });
    ASSERT_EQ(reader.AwaitSignal(), 'r');
    ZEL_DeleteContainer(name_.c_str(), &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
    info = GetVersionInfo(name_, status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
    EXPECT_EQ(Figures(info), MachineOrder() + " v8 next 3, 1 versions, newest 2 stale");
    EXPECT_EQ(info.readers, Pids{reader.Get_Pid()});
    EXPECT_TRUE(Exists("run_zel/version_2"));
    reader.Resume();
    EXPECT_EQ(reader.Join(), 0);
  }
  EXPECT_FALSE(Exists("run_zel"));
  EXPECT_FALSE(Exists("run.qo_zel"));
  GetVersionInfo(name_, status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_NOT_FOUND,
                     ("ZEL_GetContainerVersionInfo: The container " + name_ + " does not exist.").c_str());
  ZEL_DeleteContainer(name_.c_str(), &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_NOT_FOUND,
                     ("ZEL_DeleteContainer: The container " + name_ + " does not exist.").c_str());
}

TEST_F(ContainerTest, MemoryContainersLeaveNothingOnDiskAndVersionInfoRefusesNullArguments) {
  // A memory container commits without files and has no table to read.
  zel_container_t memory = Create(ZEL_MODE_MEMORY);
  ZEL_SetContainerAttribute(session_, memory, "a", "b", &status_);
  ZEL_CommitContainerStructure(session_, memory, &status_);
  EXPECT_EQ(status_, ZEL_OK);
  EXPECT_STREQ(ZEL_GetContainerName(session_, memory, &status_), "run");
  zel_versionInfo_t info;
  std::memset(&info, 0x5A, sizeof info);
  const zel_versionInfo_t untouched = info;
  ZEL_GetContainerVersionInfo(name_.c_str(), &info, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_NOT_FOUND,
                     ("ZEL_GetContainerVersionInfo: The container " + name_ + " does not exist.").c_str());
  EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);
  Close(memory);
  EXPECT_FALSE(Exists("run_zel"));
  EXPECT_FALSE(Exists("run.qo_zel"));

  Close(Create());
  ZEL_GetContainerVersionInfo(name_.c_str(), nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetContainerVersionInfo: info is null");
  ZEL_GetContainerVersionInfo(nullptr, &info, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetContainerVersionInfo: Invalid container name");
  ZEL_GetContainerVersionInfo((dir_ / ".qo_zel").c_str(), &info, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetContainerVersionInfo: Invalid container name");
  EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);
  // A null status pointer is not written; the message still tells.
  ZEL_GetContainerVersionInfo(name_.c_str(), nullptr, nullptr);
  EXPECT_STREQ(ZEL_GetError(), "ZEL_GetContainerVersionInfo: info is null");

  ZELI_OS_Unlink((name_ + ".qo_zel").c_str());
  ZEL_GetContainerVersionInfo(name_.c_str(), &info, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED,
                     ("ZEL_GetContainerVersionInfo: " + name_ + " does not seem to be an ZEL container.").c_str());
  EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);
}

namespace {

// One stored version record of the current layout.
struct Record {
  long long number;
  unsigned stale;
  Pids readers, writers, attached;
};

std::vector<unsigned char> TableBytes(bool bigEndian, long long next, const std::vector<Record>& records) {
  zeltest::ByteWriter w(bigEndian);
  w.I32(0xFADEEDAF).U8(bigEndian ? 1 : 0).I32(8).I32(next).I32(static_cast<long long>(records.size()));
  for (const Record& r : records) {
    w.I32(r.number).U8(r.stale);
    for (const Pids* list : {&r.readers, &r.writers, &r.attached}) {
      w.I32(static_cast<long long>(list->size()));
      for (int pid : *list) w.I32(pid);
    }
  }
  return w.bytes();
}

}  // namespace

TEST_F(ContainerTest, VersionInfoReadsTablesAsStoredAndRefusesDamagedOnes) {
  Close(Create());
  const std::string toc = dir_ / "run_zel/version.toc";
  const bool machineBig = ZELI_Database::Get_TheDatabase_p()->IsBigEndian();
  // Version 0 stale and unused (the updating form of the table would drop
  // it and rewrite the file), version 1 read, written and attached to. In both
  // byte orders the same numbers come back, and the file stays as it was.
  const std::vector<Record> records = {{0, 1, {}, {}, {}}, {1, 0, {11, 70000}, {20}, {31, 32}}};
  for (bool big : {machineBig, !machineBig}) {
    const std::vector<unsigned char> bytes = TableBytes(big, 2, records);
    zeltest::WriteFileBytes(toc, bytes);
    const VersionInfo info = GetVersionInfo(name_, status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
    EXPECT_EQ(Figures(info), std::string(big ? "big" : "little") + " v8 next 2, 2 versions, newest 1");
    EXPECT_EQ(info.readers, (Pids{11, 70000}));
    EXPECT_EQ(info.writers, Pids{20});
    EXPECT_EQ(info.attached, (Pids{31, 32}));
    EXPECT_EQ(zeltest::ReadFileBytes(toc), bytes);
    EXPECT_FALSE(Exists("run_zel/version.lck"));
  }

  // A table without versions (a create in progress elsewhere).
  zeltest::WriteFileBytes(toc, TableBytes(machineBig, 3, {}));
  VersionInfo info = GetVersionInfo(name_, status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(Figures(info), MachineOrder() + " v8 next 3, 0 versions, newest -1");
  EXPECT_EQ(info.readers.size() + info.writers.size() + info.attached.size(), 0u);

  // Damaged tables (the table reader's own tests cover each of its checks):
  // a status and the reason, *info untouched, the file unchanged.
  const std::vector<unsigned char> good = TableBytes(machineBig, 2, records);
  std::vector<unsigned char> trailing = good;
  trailing.push_back(0);
  zeltest::ByteWriter absurdList(machineBig);  // a million readers in 12 bytes
  absurdList.I32(0xFADEEDAF).U8(machineBig ? 1 : 0).I32(8).I32(2).I32(1);
  absurdList.I32(1).U8(0).I32(1000000).I32(7).I32(0).I32(0);
  struct Damage {
    const char* what;
    std::vector<unsigned char> bytes;
    const char* message;
  };
  const std::vector<Damage> damages = {
      {"empty file", {}, "End of file"},
      {"absurd reader count", absurdList.bytes(), "End of file"},
      {"bytes after the last record", trailing, "ZELI_VersionTOC::Read: bytes after the last version record"},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    zeltest::WriteFileBytes(toc, damage.bytes);
    zel_versionInfo_t raw;
    std::memset(&raw, 0x5A, sizeof raw);
    const zel_versionInfo_t untouched = raw;
    ZEL_GetContainerVersionInfo(name_.c_str(), &raw, &status_);
    EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, (std::string("ZEL_GetContainerVersionInfo: ") + damage.message).c_str());
    EXPECT_EQ(std::memcmp(&raw, &untouched, sizeof raw), 0);
    EXPECT_EQ(zeltest::ReadFileBytes(toc), damage.bytes);
  }
}
