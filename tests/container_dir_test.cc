// The container's files and the registration protocol of its operations,
// with real processes: registrations left by ended processes, concurrent
// registrations, tables this process may not change, disk faults and what
// a table write waits for. The rules between readers, writers and attached
// processes are shown through the interface (container_test.cc).
#include <fcntl.h>
#include <sys/sysmacros.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "store/atomic_file.h"
#include "store/container_dir.h"
#include "store/database.h"
#include "store/fault_fs.h"
#include "store/os_file.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;
using zeltest::ReadFileBytes;
using zeltest::RunInChild;
using zeltest::TempDir;
using zeltest::WriteFileBytes;

using zeltest::MessageOf;

// Sets a file's access and modification times (seconds since the epoch).
void SetTime(const std::string& path, long seconds) {
  const struct timeval times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimes(path.c_str(), times), 0) << path;
}

// One container in a fresh directory.
class ContainerDirTest : public ::testing::Test {
 protected:
  std::string Dir() const { return cd_.Get_Names().Get_DirName(); }
  std::string Version(int n) const { return Dir() + "/version_" + std::to_string(n); }
  std::vector<int> Processes(int version, ZELI_Version::accessMode_t mode) const {
    ZELI_VersionTOC toc(Dir().c_str(), ZEL_IOMODE_READ);
    return toc.FindVersion_p(version)->Get_Processes(mode);
  }
  // A container with version 0 and nobody registered.
  void MakeClosedContainer() {
    const ZELI_VersionAccess a = cd_.Create(false);
    cd_.Unregister(a.versionNumber, ZELI_Version::WRITING);
  }

  TempDir temp_;
  ZELI_ContainerDirectory cd_{(temp_ / "run.qo_zel").c_str()};
  const int pid_ = ZELI_OS_GetPid();
};

// ---- Files -----------------------------------------------------------------------

TEST_F(ContainerDirTest, ExistenceHasThreeOutcomesAndAnEmptyContainerIsReportedAndKept) {
  const std::string full = temp_ / "run";
  EXPECT_FALSE(cd_.Exists());
  EXPECT_EQ(MessageOf<ZELI_NotFoundException>([&] { cd_.VerifyExistence(); }),
            "The container " + full + " does not exist.");
  cd_.CreateFiles(false);
  EXPECT_TRUE(cd_.Exists());
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { cd_.CreateFiles(false); }), "The container " + full + " exists.");
  // Without a version it is empty, and kept until an explicit delete.
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { cd_.Open(ZEL_IOMODE_READ); }), "Container is empty");
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { cd_.Attach(); }), "Container is empty");
  EXPECT_TRUE(cd_.Exists());
  EXPECT_EQ(cd_.LatestVersionNumber(), -1);
  cd_.Delete();
  EXPECT_FALSE(cd_.Exists());
  cd_.CreateFiles(false);
  const std::string partial = full + " does not seem to be an ZEL container.";
  ZELI_OS_Unlink((Dir() + "/Readme").c_str());
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { cd_.Exists(); }), partial);
  cd_.DeleteFiles();
  EXPECT_FALSE(cd_.Exists());
  WriteFileBytes(full + ".qo_zel", {});  // a reference file alone
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { cd_.Exists(); }), partial);
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { cd_.Create(false); }), partial);
}

TEST_F(ContainerDirTest, CreatedFilesAndTheReadme) {
  const ZELI_VersionAccess a = cd_.Create(false);
  EXPECT_EQ(a.versionNumber, 0);
  EXPECT_TRUE(a.registered);
  EXPECT_EQ(a.softwareVersion, 8u);
  EXPECT_EQ(a.isBigEndianOnDisk, ZELI_Database::Get_TheDatabase_p()->IsBigEndian());
  EXPECT_TRUE(ZELI_OS_IsDirectory(Version(0).c_str()));
  EXPECT_TRUE(ReadFileBytes(temp_ / "run.qo_zel").empty());
  EXPECT_EQ(Processes(0, ZELI_Version::WRITING), std::vector<int>{pid_});
  std::vector<std::string> names;
  ZELI_OS_FileSystem().ListDirectory(Dir().c_str(), names);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Readme", "version.toc", "version_0"}));
  const Bytes readme = ReadFileBytes(Dir() + "/Readme");
  EXPECT_EQ(std::string(readme.begin(), readme.end()),
            "This directory contains Zelora (ZEL).\n"
            "\n"
            "The database was written using ZEL software version 8.\n"
            "It may be read using any later version of ZEL.\n"
            "\n"
            "This file is created for the convenience of the user.\n"
            "It is never read or modified by ZEL.\n"
            "\n"
            "To move or rename the database, you must move or rename\n"
            "both this directory and the associated reference file:\n"
            "    mv name_zel path/name_zel\n"
            "    mv name.qo_zel path/name.qo_zel\n");
  EXPECT_EQ(cd_.SoftwareVersion(), 8u);
  EXPECT_TRUE(cd_.IsLatestVersion(0));
}

// ---- Registration between processes ----------------------------------------------------

// Readers that end without closing (killed, crashed) are dropped at the
// next update of the table; a live process that took over a registered pid
// counts as the registered one only when it started before the table was
// last written.
TEST_F(ContainerDirTest, EndedReadersAreDroppedAtTheNextUpdate) {
  MakeClosedContainer();
  auto readerThatDies = [&] {
    return RunInChild([&] {
      cd_.Open(ZEL_IOMODE_READ);
      ::raise(SIGKILL);
      return 1;
    });
  };
  EXPECT_EQ(readerThatDies(), -1);
  EXPECT_EQ(Processes(0, ZELI_Version::READING).size(), 1u);  // inspecting changes nothing
  const ZELI_VersionAccess w = cd_.Open(ZEL_IOMODE_WRITE);
  EXPECT_TRUE(w.registered);
  EXPECT_TRUE(Processes(0, ZELI_Version::READING).empty());
  cd_.Unregister(0, ZELI_Version::WRITING);

  {
    zeltest::ChildProcess live([](zeltest::ChildProcess::Channel& channel) {
      channel.Signal();
      return static_cast<int>(channel.Wait());
    });
    ASSERT_EQ(live.AwaitSignal(), 'r');
    {
      ZELI_VersionTOC toc(Dir().c_str());
      toc.FindVersion_p(0)->AddProcess(live.Get_Pid(), ZELI_Version::READING);
      toc.Release();
    }
    EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { cd_.Open(ZEL_IOMODE_WRITE); }), "Container is open for reading");
    // Written an hour ago: the pid's process now started later, so it is
    // another process that reuses the pid.
    SetTime(Dir() + "/version.toc", ::time(nullptr) - 3600);
    cd_.Unregister(cd_.Open(ZEL_IOMODE_WRITE).versionNumber, ZELI_Version::WRITING);
    EXPECT_TRUE(Processes(0, ZELI_Version::READING).empty());
  }

  // A forced create over a dead reader's version replaces it.
  EXPECT_EQ(readerThatDies(), -1);
  EXPECT_EQ(cd_.Create(true).versionNumber, 1);
  EXPECT_FALSE(ZELI_OS_Exists(Version(0).c_str()));
  cd_.Unregister(1, ZELI_Version::WRITING);

  // A delete over a dead reader deletes; one that cannot remove the version
  // says so and leaves a container that a second delete removes.
  EXPECT_EQ(readerThatDies(), -1);
  {
    ZELI_FaultFileSystem faults;
    ZELI_ScopedFileSystem scope(&faults);
    faults.FailCall(ZELI_FaultFileSystem::RMDIR, 1, EACCES, true);
    EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { cd_.Delete(); }),
              "The container " + (temp_ / "run") + " could not be deleted: " + Version(1) + ": Permission denied");
  }
  EXPECT_TRUE(cd_.Exists());
  cd_.Delete();
  EXPECT_FALSE(cd_.Exists());
}

TEST_F(ContainerDirTest, ConcurrentRegistrationsAreNeverLost) {
  MakeClosedContainer();
  constexpr int Rounds = 10;
  std::vector<std::unique_ptr<zeltest::ChildProcess>> children;
  for (int i = 0; i < 10; ++i) {
    children.push_back(std::make_unique<zeltest::ChildProcess>([&](zeltest::ChildProcess::Channel& channel) {
      channel.Wait();  // the parent lets them all go, one after the other, once all are forked
      for (int r = 0; r < Rounds; ++r) {
        cd_.Open(ZEL_IOMODE_READ);
        cd_.Unregister(0, ZELI_Version::READING);
      }
      cd_.Open(ZEL_IOMODE_READ);  // stays registered; a failure ends the child without a signal
      channel.Signal('d');
      channel.Wait();  // registered children live until the parent has looked
      return 0;
    }));
  }
  for (auto& child : children) child->Resume();
  for (auto& child : children) ASSERT_EQ(child->AwaitSignal(), 'd');
  std::vector<int> readers = Processes(0, ZELI_Version::READING);
  std::vector<int> expected;
  for (auto& child : children) {
    child->Resume();
    EXPECT_EQ(child->Join(), 0);
    expected.push_back(child->Get_Pid());
  }
  std::sort(readers.begin(), readers.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(readers, expected);
}

// ---- Locations this process may not change --------------------------------------------------

TEST_F(ContainerDirTest, ReadOnlyLocationOpensForReadingUnregistered) {
  MakeClosedContainer();
  const Bytes table = ReadFileBytes(Dir() + "/version.toc");
  auto check = [&] {
    const ZELI_VersionAccess r = cd_.Open(ZEL_IOMODE_READ);
    EXPECT_FALSE(r.registered);
    EXPECT_EQ(r.versionNumber, 0);
    for (zel_iomode_t mode : {ZEL_IOMODE_WRITE, ZEL_IOMODE_WRITE_STRUCTURE}) {
      EXPECT_EQ(MessageOf<ZELI_DiskIOException>([&] { cd_.Open(mode); }), "Permission denied");
    }
    EXPECT_EQ(MessageOf<ZELI_DiskIOException>([&] { cd_.Delete(); }), "Permission denied");
    EXPECT_EQ(MessageOf<ZELI_DiskIOException>([&] { cd_.Unregister(0, ZELI_Version::READING); }),
              "Permission denied");
    EXPECT_EQ(ReadFileBytes(Dir() + "/version.toc"), table);
  };
  {
    // Permission bits do not stop root, so the refusal is simulated.
    ZELI_FaultFileSystem fault;
    ZELI_ScopedFileSystem scope(&fault);
    fault.FailCall(ZELI_FaultFileSystem::ACCESS, 1, EACCES, true);
    check();
    EXPECT_EQ(MessageOf<ZELI_DiskIOException>([&] { cd_.Create(false); }), "Permission denied");
  }
  if (::geteuid() != 0) {
    ASSERT_EQ(::chmod(Dir().c_str(), 0500), 0);
    ASSERT_EQ(::chmod((Dir() + "/version.toc").c_str(), 0400), 0);
    check();
    ::chmod((Dir() + "/version.toc").c_str(), 0600);
    ::chmod(Dir().c_str(), 0700);
  }
}

TEST_F(ContainerDirTest, ForeignOrOlderTablesAreReadButNotChanged) {
  MakeClosedContainer();
  // The same table as written by a machine of the other byte order.
  const Bytes native = ReadFileBytes(Dir() + "/version.toc");
  Bytes foreign = native;
  for (size_t at : {0, 5, 9, 13, 17, 22, 26, 30}) std::reverse(foreign.begin() + at, foreign.begin() + at + 4);
  foreign[4] ^= 1;
  WriteFileBytes(Dir() + "/version.toc", foreign);
  const ZELI_VersionAccess r = cd_.Open(ZEL_IOMODE_READ);
  EXPECT_FALSE(r.registered);
  EXPECT_NE(r.isBigEndianOnDisk, ZELI_Database::Get_TheDatabase_p()->IsBigEndian());
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { cd_.Open(ZEL_IOMODE_WRITE); }),
            "Cannot update container with conflicting ZEL S/W version or endian type");
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { cd_.Create(false); }),
            "Cannot create new container version with conflicting ZEL S/W version or endian type");
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { cd_.Delete(); }),
            "Cannot delete container with conflicting ZEL S/W version or endian type");
  EXPECT_EQ(ReadFileBytes(Dir() + "/version.toc"), foreign);
  // An attach needs a writer, and a writer needs a compatible table; the
  // attach refusal is reached with a writer put there by hand.
  foreign[ZELI_Database::Get_TheDatabase_p()->IsBigEndian() ? 26 : 29] = 1;  // writing list count
  foreign.insert(foreign.begin() + 30, {0, 0, 0, 9});
  WriteFileBytes(Dir() + "/version.toc", foreign);
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { cd_.Attach(); }),
            "Cannot attach container with conflicting ZEL S/W version or endian type");

  // Forced, the container is made again.
  const ZELI_VersionAccess a = cd_.Create(true);
  EXPECT_EQ(a.versionNumber, 0);
  EXPECT_EQ(a.isBigEndianOnDisk, ZELI_Database::Get_TheDatabase_p()->IsBigEndian());
  EXPECT_EQ(Processes(0, ZELI_Version::WRITING), std::vector<int>{pid_});
}

TEST_F(ContainerDirTest, UnreadableAndNewerTables) {
  MakeClosedContainer();
  const std::string toc = Dir() + "/version.toc";
  WriteFileBytes(toc, {1, 2, 3});
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { cd_.Open(ZEL_IOMODE_READ); }), "End of file");
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { cd_.Create(false); }), "End of file");
  EXPECT_EQ(cd_.Create(true).versionNumber, 0);  // a forced create starts afresh

  Bytes newer = ReadFileBytes(toc);
  newer[ZELI_Database::Get_TheDatabase_p()->IsBigEndian() ? 8 : 5] = 9;
  WriteFileBytes(toc, newer);
  const char* const refused =
      "The container was written by ZEL software version 9, newer than this software (version 8)";
  EXPECT_EQ(MessageOf<ZELI_NewerVersionTableException>([&] { cd_.Create(false); }), refused);
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { cd_.Open(ZEL_IOMODE_READ); }), refused);
  EXPECT_EQ(cd_.SoftwareVersion(), 9u);
  EXPECT_EQ(ReadFileBytes(toc), newer);
  EXPECT_FALSE(ZELI_OS_Exists((Dir() + "/version.lck").c_str()));
  // Forced, the container is made again in this library's format.
  EXPECT_EQ(cd_.Create(true).versionNumber, 0);
  EXPECT_EQ(cd_.SoftwareVersion(), 8u);
}

// ---- Faults ------------------------------------------------------------------------

TEST_F(ContainerDirTest, FullDiskWhileRegisteringLeavesNothingBehind) {
  MakeClosedContainer();
  const Bytes table = ReadFileBytes(Dir() + "/version.toc");
  ZELI_FaultFileSystem fault;
  ZELI_ScopedFileSystem scope(&fault);
  // The third write: each look at the table writes the lock file, the
  // first changes nothing, so it is the table that registers the new
  // version.
  fault.FailCall(ZELI_FaultFileSystem::WRITE, 3, ENOSPC);
  EXPECT_EQ(MessageOf<ZELI_DiskIOException>([&] { cd_.Create(false); }), "No space left on device");
  EXPECT_FALSE(ZELI_OS_Exists(Version(1).c_str()));  // the new version's directory went too
  fault.FailCall(ZELI_FaultFileSystem::WRITE, 2, ENOSPC);  // the table, after the lock file
  EXPECT_EQ(MessageOf<ZELI_DiskIOException>([&] { cd_.Open(ZEL_IOMODE_WRITE); }), "No space left on device");
  EXPECT_EQ(ReadFileBytes(Dir() + "/version.toc"), table);
  EXPECT_FALSE(ZELI_OS_Exists((Dir() + "/version.lck").c_str()));
  fault.Clear();
  EXPECT_EQ(cd_.Create(false).versionNumber, 1);  // number 1 was never given out
}

// ---- What a table write waits for ------------------------------------------------------

// Counts syncs, write-outs and renames and lists the directories synced;
// answers RenameFollowsData as told, and places the paths under `other` on
// another device (another journal).
class CountingFileSystem final : public zeltest::ForwardingFileSystem {
 public:
  explicit CountingFileSystem(bool renameFollowsData) : follows_(renameFollowsData) {}
  int Open(const char* path, int flags, mode_t mode) override {
    const int fd = ForwardingFileSystem::Open(path, flags, mode);
    if (fd >= 0 && (flags & O_DIRECTORY)) directories_[fd] = path;
    return fd;
  }
  int Close(int fd) override {
    directories_.erase(fd);
    return ForwardingFileSystem::Close(fd);
  }
  int Fsync(int fd) override {
    ++syncs;
    if (directories_.count(fd) != 0) synced.push_back(directories_[fd]);
    return ForwardingFileSystem::Fsync(fd);
  }
  int Stat(const char* path, struct stat* st) override {
    const int result = ForwardingFileSystem::Stat(path, st);
    if (result == 0 && std::string(path).rfind(other, 0) == 0) st->st_dev ^= 1;
    return result;
  }
  int WriteOut(int fd) override {
    ++writeOuts;
    return ForwardingFileSystem::WriteOut(fd);
  }
  int Rename(const char* from, const char* to) override {
    ++renames;
    return ForwardingFileSystem::Rename(from, to);
  }
  bool RenameFollowsData(const char*) override { return follows_; }
  int syncs = 0;
  int writeOuts = 0;
  int renames = 0;
  std::vector<std::string> synced;
  std::string other = "/nowhere";

 private:
  bool follows_;
  std::map<int, std::string> directories_;
};

// A reader's registration and removal wait for no disk where renames
// follow data; without that guarantee each replacement syncs the table and
// its directory. A writer's removal waits for the disk wherever it lives.
// Where the journal orders the rename after the data, the data is only
// written out and the directory's sync commits both; the writer's
// registration waits for nothing there, and the removal's sync commits it
// too.
TEST_F(ContainerDirTest, ReaderRegistrationsWaitForNoDiskWhereRenamesFollowData) {
  MakeClosedContainer();
  for (bool follows : {true, false}) {
    SCOPED_TRACE(follows ? "rename follows data" : "unknown file system");
    CountingFileSystem counting(follows);
    ZELI_ScopedFileSystem scope(&counting);
    const ZELI_VersionAccess r = cd_.Open(ZEL_IOMODE_READ);
    ASSERT_TRUE(r.registered);
    EXPECT_EQ(Processes(0, ZELI_Version::READING), std::vector<int>{pid_});  // on disk all the same
    cd_.Unregister(r.versionNumber, ZELI_Version::READING);
    EXPECT_TRUE(Processes(0, ZELI_Version::READING).empty());
    EXPECT_EQ(counting.renames, 2);
    EXPECT_EQ(counting.syncs, follows ? 0 : 4);
    EXPECT_EQ(counting.writeOuts, 0);

    counting.syncs = counting.writeOuts = 0;
    const ZELI_VersionAccess w = cd_.Open(ZEL_IOMODE_WRITE);
    EXPECT_EQ(Processes(w.versionNumber, ZELI_Version::WRITING), std::vector<int>{pid_});
    EXPECT_EQ(counting.syncs, follows ? 0 : 2);
    cd_.Unregister(w.versionNumber, ZELI_Version::WRITING);
    EXPECT_EQ(counting.syncs, follows ? 1 : 4);
    EXPECT_EQ(counting.writeOuts, follows ? 1 : 0);  // the registration's data is not waited for
    EXPECT_EQ(Processes(w.versionNumber, ZELI_Version::WRITING), std::vector<int>{});
  }
  CountingFileSystem counting(true);
  ZELI_ScopedFileSystem scope(&counting);
  const ZELI_VersionAccess c = cd_.Create(false);
  EXPECT_EQ(c.versionNumber, 1);
  EXPECT_EQ(counting.syncs, 0);  // left to the next sync
  // A refused open changes nothing and writes nothing.
  const int renames = counting.renames;
  const Bytes table = ReadFileBytes(Dir() + "/version.toc");
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { cd_.Open(ZEL_IOMODE_WRITE); }), "Container is open for writing");
  EXPECT_EQ(counting.renames, renames);
  EXPECT_EQ(ReadFileBytes(Dir() + "/version.toc"), table);
  // The writer's close commits the new version with its own removal: one
  // sync for both, and nothing left for later.
  cd_.Unregister(c.versionNumber, ZELI_Version::WRITING);
  EXPECT_EQ(counting.syncs, 1);
  cd_.Unregister(cd_.Open(ZEL_IOMODE_WRITE).versionNumber, ZELI_Version::WRITING);
  EXPECT_EQ(counting.syncs, 2);
  // A forced create has removed what was there and waits for the disk.
  cd_.Create(true);
  EXPECT_EQ(counting.syncs, 3);
}

TEST(SyncGroup, GathersDirectorySyncsOnlyWhereTheJournalKeepsOrder) {
  TempDir temp;
  const std::string a = temp / "a";
  const std::string b = temp / "b";
  ZELI_OS_Mkdir(a.c_str());
  ZELI_OS_Mkdir(b.c_str());
  auto replace = [](const std::string& path, unsigned char byte) {
    ZELI_AtomicFile file(path.c_str());
    file.Stream().Write(&byte, 1);
    file.Commit();
  };
  for (bool follows : {true, false}) {
    SCOPED_TRACE(follows ? "rename follows data" : "unknown file system");
    CountingFileSystem counting(follows);
    ZELI_ScopedFileSystem scope(&counting);
    {
      ZELI_SyncGroup group;
      ZELI_SyncGroup inner;  // joins the outer one
      for (unsigned char i = 0; i < 3; ++i) replace(a + "/f" + std::to_string(i), i);
      replace(b + "/g", 9);
      inner.Finish();
      EXPECT_EQ(counting.syncs, follows ? 0 : 8);
      group.Finish();
    }
    // One journal: syncing b, changed last, commits a's renames too.
    EXPECT_EQ(counting.syncs, follows ? 1 : 8);
    EXPECT_EQ(ReadFileBytes(a + "/f2"), Bytes{2});
    // A group left by an exception still syncs what it gathered.
    {
      ZELI_SyncGroup group;
      replace(a + "/f0", 7);
    }
    EXPECT_EQ(counting.syncs, follows ? 2 : 10);
  }
  // The directory changed last is the one synced (a changed again after b),
  // and each file system's journal needs its own sync.
  CountingFileSystem fs(true);
  ZELI_ScopedFileSystem scope(&fs);
  {
    ZELI_SyncGroup group;
    replace(a + "/f0", 1);
    replace(b + "/g", 2);
    replace(a + "/f1", 3);
    group.Finish();
  }
  EXPECT_EQ(fs.synced, std::vector<std::string>{a + "/"});
  fs.synced.clear();
  fs.other = b;
  {
    ZELI_SyncGroup group;
    replace(a + "/f0", 1);
    replace(b + "/g", 2);
    group.Finish();
  }
  EXPECT_EQ(fs.synced, (std::vector<std::string>{b + "/", a + "/"}));
  // Deferred directories are synced by the next sync: not again where that
  // sync's journal is theirs, on their own where it is another.
  fs.synced.clear();
  {
    ZELI_SyncGroup group(ZELI_SyncGroup::DEFERRED);
    replace(a + "/f0", 4);
    group.Finish();
  }
  EXPECT_TRUE(fs.synced.empty());
  replace(b + "/g", 5);  // a commit outside groups, on the other journal
  EXPECT_EQ(fs.synced, (std::vector<std::string>{b + "/", a + "/"}));
  fs.other = "/nowhere";
  fs.synced.clear();
  {
    ZELI_SyncGroup group(ZELI_SyncGroup::DEFERRED);
    replace(a + "/f0", 6);
    group.Finish();
  }
  {
    ZELI_SyncGroup group;
    replace(b + "/g", 7);
    group.Finish();
  }
  replace(b + "/g", 8);
  EXPECT_EQ(fs.synced, (std::vector<std::string>{b + "/", b + "/"}));
}

TEST(RenameFollowsData, KnowsOnlyWhatTheMountTableAndTheExt4JournalEntriesSay) {
  ZELI_FileSystem& posix = ZELI_OS_PosixFileSystem();
  EXPECT_FALSE(posix.RenameFollowsData("/no/such/directory"));
  EXPECT_FALSE(posix.RenameFollowsData("/proc"));  // not a file system that stores anything
  if (ZELI_OS_IsDirectory("/dev/shm")) {
    EXPECT_TRUE(posix.RenameFollowsData("/dev/shm"));  // nothing on it outlives a crash
  }
  // An ext4 without a journal (as the disks of many virtual machines are
  // made) orders nothing: this machine's own file systems are asked too.
  TempDir sys;
  TempDir proc;
  struct stat st;
  ASSERT_EQ(::stat(sys.path().c_str(), &st), 0);
  if (!ZELI_OS_Ext4HasJournal(st.st_dev)) {
    EXPECT_FALSE(posix.RenameFollowsData(sys.path().c_str()));
  }

  // An ext4 journal is found through the device's name in a sysfs or a
  // jbd2 entry (here in directories laid out as the kernel lays them).
  const dev_t device = makedev(254, 3);
  std::filesystem::create_directories(sys / "dev/block");
  std::filesystem::create_directories(sys / "fs/ext4/vdb1");
  std::filesystem::create_directories(proc / "fs/jbd2");
  const std::string task = sys / "fs/ext4/vdb1/journal_task";
  EXPECT_FALSE(ZELI_OS_Ext4HasJournal(device, sys.path(), proc.path()));  // no such device
  ASSERT_EQ(::symlink("../../devices/pci0000:00/virtio3/block/vdb/vdb1", (sys / "dev/block/254:3").c_str()), 0);
  EXPECT_FALSE(ZELI_OS_Ext4HasJournal(device, sys.path(), proc.path()));  // nothing tells
  ZELI_OS_Mkdir((proc / "fs/jbd2/vdb1-8").c_str());
  EXPECT_TRUE(ZELI_OS_Ext4HasJournal(device, sys.path(), proc.path()));  // an older kernel's jbd2 entry
  // Where the kernel names the journal's thread, that answer counts.
  WriteFileBytes(task, {'<', 'n', 'o', 'n', 'e', '>', '\n'});
  EXPECT_FALSE(ZELI_OS_Ext4HasJournal(device, sys.path(), proc.path()));
  WriteFileBytes(task, {'2', '1', '7', '\n'});
  EXPECT_TRUE(ZELI_OS_Ext4HasJournal(device, sys.path(), proc.path()));
  EXPECT_FALSE(ZELI_OS_Ext4HasJournal(makedev(254, 4), sys.path(), proc.path()));
}

// ---- Newer data --------------------------------------------------------------------------

TEST_F(ContainerDirTest, SegmentDataNewerThanTheReferenceFile) {
  MakeClosedContainer();
  const std::string ref = temp_ / "run.qo_zel";
  for (const char* name : {"segment_0_0.data", "segment_0_1.data", "segment_1_0.data", "segment_1_2.data"}) {
    WriteFileBytes(Version(0) + "/" + name, {1});
    SetTime(Version(0) + "/" + name, 1000);
  }
  SetTime(ref, 2000);
  int64_t time = 0;
  EXPECT_TRUE(cd_.IsSegDataLatest(2, time));
  EXPECT_EQ(time, 2000LL * 1000000000);
  // segment_1_2 is beyond the first missing data-store index of segment 1.
  SetTime(Version(0) + "/segment_1_2.data", 3000);
  EXPECT_TRUE(cd_.IsSegDataLatest(2, time));
  SetTime(Version(0) + "/segment_0_1.data", 2500);
  EXPECT_TRUE(cd_.IsSegDataLatest(0, time));  // no segment to look at
  EXPECT_FALSE(cd_.IsSegDataLatest(2, time));
  EXPECT_EQ(time, 2500LL * 1000000000);
  EXPECT_TRUE(cd_.IsSegDataLatest(2, time));  // nothing newer than that now
  time = 0;
  ZELI_OS_Unlink(ref.c_str());
  EXPECT_TRUE(cd_.IsSegDataLatest(2, time));
  EXPECT_EQ(time, 0);
  cd_.CreateRegisteredExtFile();
  EXPECT_TRUE(ZELI_OS_IsFile(ref.c_str()));
  EXPECT_TRUE(cd_.IsSegDataLatest(2, time));  // the new reference file is newer than the data
  EXPECT_GT(time, 2500LL * 1000000000);
}

}  // namespace
