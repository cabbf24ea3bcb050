// The version table and what it stands on: container names, the stored form
// of version.toc in both byte orders and the older formats, the registration
// rules, the release (stale versions, emptied containers), the table lock,
// atomic replacement under disk faults, and the link-safe tree removal.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "store/atomic_file.h"
#include "store/container_names.h"
#include "store/database.h"
#include "store/fault_fs.h"
#include "store/os_file.h"
#include "store/version_toc.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;
using zeltest::ReadFileBytes;
using zeltest::TempDir;
using zeltest::WriteFileBytes;

bool MachineBig() { return ZELI_Database::Get_TheDatabase_p()->IsBigEndian() != 0; }

// Builds stored bytes in a chosen byte order.
struct Builder {
  explicit Builder(bool big) : big(big) {}
  Builder& U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(v >> (big ? 24 - 8 * i : 8 * i)));
    return *this;
  }
  Builder& U8(unsigned char v) {
    bytes.push_back(v);
    return *this;
  }
  Builder& List(const std::vector<int>& ids) {
    U32(static_cast<uint32_t>(ids.size()));
    for (int id : ids) U32(static_cast<uint32_t>(id));
    return *this;
  }
  Builder& Header(unsigned version, int next, unsigned count) {
    return U32(0xFADEEDAFu).U8(big ? 1 : 0).U32(version).U32(static_cast<uint32_t>(next)).U32(count);
  }
  bool big;
  Bytes bytes;
};

// A container directory holding a table with the given bytes.
struct TableDir {
  TempDir temp;
  std::string dir = temp / "c_zel";
  std::string toc = dir + "/version.toc";
  std::string lck = dir + "/version.lck";
  TableDir() { ::mkdir(dir.c_str(), 0700); }
  explicit TableDir(const Bytes& bytes) : TableDir() { WriteFileBytes(toc, bytes); }
};

using zeltest::MessageOf;

// What a table read: software version, byte order, next number, then per
// version its number, "stale" when stale, and its reading, writing and
// attached process lists.
std::string Describe(const ZELI_VersionTOC& toc) {
  std::string text = "v" + std::to_string(toc.Get_SoftwareVersion()) + (toc.IsBigEndian() ? " big" : " little") +
                     " next " + std::to_string(toc.Get_NextVersionNumber());
  for (unsigned i = 0; i < toc.Get_VersionCount(); ++i) {
    const ZELI_Version& v = toc.Get_Version(i);
    text += "; " + std::to_string(v.Get_Number()) + (v.IsStale() ? " stale" : "");
    for (auto mode : {ZELI_Version::READING, ZELI_Version::WRITING, ZELI_Version::ATTACHED}) {
      text += " [";
      for (int pid : v.Get_Processes(mode)) text += " " + std::to_string(pid);
      text += " ]";
    }
  }
  return text;
}

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  ZELI_OS_FileSystem().ListDirectory(dir.c_str(), names);
  return names;
}

// ---- Names -------------------------------------------------------------------

TEST(ContainerNames, SuffixesDesignateOneContainerAndNamesAreCutAtEitherSeparator) {
  for (const char* given : {"/d/run", "/d/run.qo_zel", "/d/run_zel"}) {
    const ZELI_ContainerNames names(given);
    EXPECT_EQ(names.Get_FullName(), "/d/run") << given;
    EXPECT_EQ(names.Get_Filename(), "/d/run.qo_zel");
    EXPECT_EQ(names.Get_DirName(), "/d/run_zel");
  }
  // Only a suffix that ends the name is stripped, and only one.
  EXPECT_EQ(ZELI_ContainerNames::StripSuffix("a.qo_zel.x"), "a.qo_zel.x");
  EXPECT_EQ(ZELI_ContainerNames::StripSuffix("a_zel.qo_zel"), "a_zel");
  EXPECT_EQ(ZELI_ContainerNames::StripSuffix("a.b_zel"), "a.b");
  for (const char* bad : {".qo_zel", "_zel", "", "dir/", "dir/.qo_zel"}) {
    EXPECT_EQ(MessageOf<ZELI_BadArgException>([&] { ZELI_ContainerNames n(bad); }), "Invalid container name") << bad;
  }
  EXPECT_EQ(MessageOf<ZELI_BadArgException>([] { ZELI_ContainerNames n(nullptr); }), "Invalid container name");

  const ZELI_ContainerNames names("top/mid/run");
  EXPECT_EQ(names.Get_Name(), "run");
  EXPECT_EQ(names.Get_Path(), "top/mid/");
  const ZELI_ContainerNames back("c:\\sims\\run2_zel");
  EXPECT_EQ(back.Get_Name(), "run2");
  EXPECT_EQ(back.Get_Path(), "c:\\sims\\");
  const ZELI_ContainerNames bare("run");
  EXPECT_EQ(bare.Get_Path(), "");
  // Segment file names carry the data store from software version 3 on.
  EXPECT_EQ(bare.Get_SegmentFile(1, 4, 2, 8, ".data"), "run_zel/version_1/segment_4_2.data");
  EXPECT_EQ(bare.Get_SegmentFile(1, 4, 2, 2, ".org"), "run_zel/version_1/segment_4.org");
}

// ---- Stored form -------------------------------------------------------------

TEST(VersionTableFormat, NewTableIsSeventeenBytesAndVersionsFollowWithTheirProcessListsInOrder) {
  TableDir t;
  ZELI_VersionTOC::CreateNewTOC(t.dir.c_str());
  EXPECT_EQ(ReadFileBytes(t.toc), Builder(MachineBig()).Header(8, 0, 0).bytes);
  EXPECT_EQ(Entries(t.dir), std::vector<std::string>{"version.toc"});  // no lock or temporary file left
  // A second create-if-missing keeps the existing table.
  WriteFileBytes(t.toc, Builder(MachineBig()).Header(8, 5, 0).bytes);
  EXPECT_FALSE(ZELI_VersionTOC::CreateMissingTOC(t.dir.c_str()));
  {
    ZELI_VersionTOC toc(t.dir.c_str());
    ASSERT_TRUE(toc.IsLockHeld());
    ZELI_Version* v5 = toc.NewVersion_p();
    v5->AddProcess(11, ZELI_Version::READING);
    v5->AddProcess(12, ZELI_Version::READING);
    v5->Set_Stale();  // kept: it has readers
    ZELI_Version* v6 = toc.NewVersion_p();
    v6->AddProcess(20, ZELI_Version::WRITING);
    v6->AddProcess(31, ZELI_Version::ATTACHED);
    toc.Release();
  }
  const Bytes expected = Builder(MachineBig())
                             .Header(8, 7, 2)
                             .U32(5).U8(1).List({11, 12}).List({}).List({})
                             .U32(6).U8(0).List({}).List({20}).List({31})
                             .bytes;
  EXPECT_EQ(ReadFileBytes(t.toc), expected);
  EXPECT_EQ(Entries(t.dir), std::vector<std::string>{"version.toc"});
}

// Tables of the other byte order and of older software versions read the
// same numbers, and the updating form never rewrites them, stale versions
// or not.
TEST(VersionTableFormat, ForeignAndOlderTablesAreReadNeverWritten) {
  const std::string mine = MachineBig() ? "big" : "little";
  const std::string other = MachineBig() ? "little" : "big";
  struct Case {
    Bytes bytes;
    std::string read;
  };
  const Case cases[] = {
      {Builder(!MachineBig())
           .Header(8, 70000, 2)
           .U32(5).U8(1).List({123456, 7}).List({}).List({})
           .U32(65539).U8(0).List({99}).List({0x01020304}).List({-2})
           .bytes,
       "v8 " + other + " next 70000; 5 stale [ 123456 7 ] [ ] [ ]; 65539 [ 99 ] [ 16909060 ] [ -2 ]"},
      // Software version 2: magic and flag, then records with one list whose
      // owner the writing byte names.
      {Builder(MachineBig())
           .Header(2, 3, 2)
           .U32(1).U8(1).U8(0).List({40})
           .U32(2).U8(0).U8(1).List({41, 42})
           .bytes,
       "v2 " + mine + " next 3; 1 [ ] [ 40 ] [ ]; 2 stale [ 41 42 ] [ ] [ ]"},
      // The oldest format: the first word is the next version number; in
      // this machine's order its low 16 bits are set, in the other they are
      // clear.
      {Builder(false).U32(4).U32(1).U32(3).U8(0).U8(0).List({77}).bytes, "v0 little next 4; 3 [ 77 ] [ ] [ ]"},
      {Builder(true).U32(4).U32(1).U32(3).U8(0).U8(0).List({77}).bytes, "v0 big next 4; 3 [ 77 ] [ ] [ ]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.read);
    TableDir t(c.bytes);
    {
      const ZELI_VersionTOC toc(t.dir.c_str(), ZEL_IOMODE_READ);
      EXPECT_EQ(Describe(toc), c.read);
      EXPECT_FALSE(toc.IsCompatibleForWriting());
    }
    {
      ZELI_VersionTOC updating(t.dir.c_str());
      EXPECT_TRUE(updating.IsLockHeld());
      updating.Release();
    }
    EXPECT_EQ(ReadFileBytes(t.toc), c.bytes);
  }
}

TEST(VersionTableFormat, CorruptedTablesFailCleanly) {
  const bool m = MachineBig();
  const Bytes good = Builder(m).Header(8, 2, 2)
                         .U32(0).U8(1).List({5}).List({}).List({})
                         .U32(1).U8(0).List({}).List({6}).List({7, 8})
                         .bytes;
  // Every truncation of a valid table.
  for (size_t n = 0; n < good.size(); ++n) {
    TableDir t(Bytes(good.begin(), good.begin() + static_cast<long>(n)));
    EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { ZELI_VersionTOC toc(t.dir.c_str()); }), "End of file") << n;
    EXPECT_FALSE(ZELI_OS_Exists(t.lck.c_str())) << n;  // the lock is given back
  }
  struct Case {
    Bytes bytes;
    const char* message;
  };
  Bytes trailing = good;
  trailing.push_back(0);
  const Case cases[] = {
      {Builder(m).Header(8, 1, 0xFFFFFFFFu).bytes, "End of file"},
      {Builder(m).Header(8, 1, 1).U32(0).U8(0).U32(0x40000000u).bytes, "End of file"},
      {Builder(m).Header(8, 1, 1).U32(0).U8(0).List({}).U32(0xFFFFFFF0u).U32(1).bytes, "End of file"},
      {trailing, "ZELI_VersionTOC::Read: bytes after the last version record"},
      {Builder(m).U32(0xFADEEDAFu).U8(7).U32(8).U32(0).U32(0).bytes, "ZELI_VersionTOC::Read: byte-order flag"},
      {Builder(m).U32(0xFADEEDAFu).U8(m ? 0 : 1).U32(8).U32(0).U32(0).bytes,
       "ZELI_VersionTOC::Read: byte-order flag"},
      {Builder(m).Header(8, -1, 0).bytes, "ZELI_VersionTOC::Read: next version number"},
      {Builder(m).Header(8, 5, 1).U32(0).U8(2).List({}).List({}).List({}).bytes, "ZELI_Version::Read: stale flag"},
      {Builder(m).Header(8, 5, 1).U32(0).U8(0).List({}).List({1, 2}).List({}).bytes,
       "ZELI_Version::Read: more than one writer"},
      {Builder(m).Header(8, 5, 2).U32(3).U8(0).List({}).List({}).List({}).U32(3).U8(0).List({}).List({}).List({}).bytes,
       "ZELI_VersionTOC::Read: bad number in version record 1"},
      {Builder(m).Header(8, 5, 1).U32(5).U8(0).List({}).List({}).List({}).bytes,
       "ZELI_VersionTOC::Read: bad number in version record 0"},
  };
  for (const Case& c : cases) {
    TableDir t(c.bytes);
    EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { ZELI_VersionTOC toc(t.dir.c_str()); }), c.message);
    EXPECT_EQ(ReadFileBytes(t.toc), c.bytes);
    EXPECT_FALSE(ZELI_OS_Exists(t.lck.c_str()));
  }
}

// ---- Rules ---------------------------------------------------------------------

TEST(VersionRules, WhoMayJoinAndLeave) {
  ZELI_Version v("d", 0);
  EXPECT_TRUE(v.TestAddProcessPrecondition(ZELI_Version::READING));
  EXPECT_TRUE(v.TestAddProcessPrecondition(ZELI_Version::WRITING));
  EXPECT_FALSE(v.TestAddProcessPrecondition(ZELI_Version::ATTACHED));
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { v.AddProcess(1, ZELI_Version::ATTACHED); }),
            "ZELI_Version::TestAddProcessPrecondition");
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { v.RemoveWritingProcess(); }), "RemoveWritingProcess: no process");
  v.AddProcess(5, ZELI_Version::READING);
  v.AddProcess(5, ZELI_Version::READING);  // the same process reading twice
  v.AddProcess(6, ZELI_Version::WRITING);   // beside readers
  EXPECT_FALSE(v.TestAddProcessPrecondition(ZELI_Version::WRITING));
  v.AddProcess(7, ZELI_Version::ATTACHED);
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { v.AddProcess(8, ZELI_Version::WRITING); }),
            "ZELI_Version::TestAddProcessPrecondition");
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { v.RemoveProcess(6, ZELI_Version::WRITING); }),
            "The version has attached processes");
  EXPECT_EQ(MessageOf<ZELI_NotFoundException>([&] { v.RemoveProcess(9, ZELI_Version::READING); }),
            "The process is not in the version");
  v.RemoveProcess(5, ZELI_Version::READING);
  EXPECT_EQ(v.Get_Processes(ZELI_Version::READING), std::vector<int>{5});
  v.RemoveWritingProcess();
  EXPECT_FALSE(v.IsOpenForWriting());
  EXPECT_FALSE(v.HasAttachedProcesses());
  EXPECT_TRUE(v.TestAddProcessPrecondition(ZELI_Version::WRITING));
}

// ---- Release -------------------------------------------------------------------

TEST(VersionRelease, StaleVersionsGoWhenUnusedAndAnEmptiedContainerIsDeleted) {
  TempDir temp;
  const std::string dir = temp / "run_zel";
  const std::string ref = temp / "run.qo_zel";
  ::mkdir(dir.c_str(), 0700);
  WriteFileBytes(ref, {});
  ZELI_VersionTOC::CreateNewTOC(dir.c_str());
  {
    ZELI_VersionTOC toc(dir.c_str());
    for (int i = 0; i < 3; ++i) toc.NewVersion_p()->CreateVersionDir();
    toc.FindVersion_p(0)->Set_Stale();
    toc.FindVersion_p(1)->Set_Stale();
    toc.FindVersion_p(1)->AddProcess(4, ZELI_Version::READING);
    toc.Release();
  }
  EXPECT_FALSE(ZELI_OS_Exists((dir + "/version_0").c_str()));
  EXPECT_TRUE(ZELI_OS_IsDirectory((dir + "/version_1").c_str()));
  {
    // A version directory already gone (a release that failed after removing
    // it) does not stop the next release.
    ZELI_VersionTOC toc(dir.c_str());
    EXPECT_EQ(toc.Get_VersionCount(), 2u);
    ZELI_OS_Rmdir((dir + "/version_2").c_str());
    toc.FindVersion_p(2)->Set_Stale();
    toc.FindVersion_p(1)->RemoveProcess(4, ZELI_Version::READING);
    toc.KeepEmptyContainer();
    toc.Release();
  }
  EXPECT_EQ(ReadFileBytes(dir + "/version.toc"), Builder(MachineBig()).Header(8, 3, 0).bytes);
  {
    ZELI_VersionTOC toc(dir.c_str());  // empty, keep-empty not set
    toc.Release();
  }
  EXPECT_FALSE(ZELI_OS_Exists(dir.c_str()));
  EXPECT_FALSE(ZELI_OS_Exists(ref.c_str()));
}

// ---- Lock ----------------------------------------------------------------------

TEST(VersionLock, PidFileWhileUpdatingStaleFilesAreHarmlessAndUnwindingReleases) {
  TableDir t;
  ZELI_VersionTOC::CreateNewTOC(t.dir.c_str());
  WriteFileBytes(t.lck, {'9', '9', '9', '9', '9', '9', '9', '\n'});  // left by a dead process
  {
    ZELI_VersionTOC toc(t.dir.c_str());
    const std::string pid = std::to_string(::getpid()) + "\n";
    EXPECT_EQ(ReadFileBytes(t.lck), Bytes(pid.begin(), pid.end()));
    // Another process meanwhile finds the lock taken.
    const int code = zeltest::RunInChild([&] {
      const int fd = ::open(t.lck.c_str(), O_RDWR);
      const int taken = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
      return taken ? 0 : 1;
    });
    EXPECT_EQ(code, 0);
    toc.KeepEmptyContainer();
    toc.Release();
  }
  EXPECT_FALSE(ZELI_OS_Exists(t.lck.c_str()));
  ZELI_VersionTOC::ForceCreateLock(t.dir.c_str());
  EXPECT_TRUE(ZELI_OS_IsFile(t.lck.c_str()));
  ZELI_VersionTOC::ForceRemoveLock(t.dir.c_str());
  EXPECT_FALSE(ZELI_OS_Exists(t.lck.c_str()));
  ZELI_VersionTOC::ForceRemoveLock(t.dir.c_str());  // nothing there: nothing to do

  // Unwinding, the destructor releases the lock and writes the table.
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] {
              ZELI_VersionTOC toc(t.dir.c_str());
              toc.KeepEmptyContainer();
              EXPECT_EQ(toc.NewVersion_p()->Get_Number(), 0);
              toc.FindVersion_p(42);
            }),
            "ZELI_VersionTOC::FindVersion_p");
  EXPECT_FALSE(ZELI_OS_Exists(t.lck.c_str()));
  const ZELI_VersionTOC toc(t.dir.c_str(), ZEL_IOMODE_READ);
  EXPECT_EQ(toc.Get_VersionCount(), 1u);
}

// ---- Disk faults ------------------------------------------------------------------

// A failed call, or a disk that fills in the middle of the table (it needs
// 38 bytes), leaves the old table and nothing beside it.
TEST(VersionFaults, FailedTableWriteKeepsTheOldTable) {
  struct Fault {
    ZELI_FaultFileSystem::Op op;
    int error;
    unsigned bytesBefore;  // not 0: writes fail once this many went out
  };
  for (const Fault& f : {Fault{ZELI_FaultFileSystem::WRITE, ENOSPC, 0}, Fault{ZELI_FaultFileSystem::FSYNC, EIO, 0},
                         Fault{ZELI_FaultFileSystem::RENAME, EXDEV, 0}, Fault{ZELI_FaultFileSystem::OPEN, EMFILE, 0},
                         Fault{ZELI_FaultFileSystem::WRITE, ENOSPC, 20}}) {
    TableDir t;
    ZELI_VersionTOC::CreateNewTOC(t.dir.c_str());
    const Bytes before = ReadFileBytes(t.toc);
    ZELI_FaultFileSystem fault;
    ZELI_ScopedFileSystem scope(&fault);
    ZELI_VersionTOC toc(t.dir.c_str());
    toc.NewVersion_p()->AddProcess(1, ZELI_Version::WRITING);
    if (f.bytesBefore != 0) {
      fault.FailWritesAfterBytes(f.bytesBefore, f.error);
    } else {
      fault.FailCall(f.op, 1, f.error);
    }
    EXPECT_EQ(MessageOf<ZELI_DiskIOException>([&] { toc.Release(); }), std::strerror(f.error)) << f.op;
    EXPECT_EQ(ReadFileBytes(t.toc), before);
    EXPECT_EQ(Entries(t.dir), std::vector<std::string>{"version.toc"});  // no temporary, no lock file
  }
}

TEST(AtomicFile, CommitReplacesAndAbandonLeavesTheTarget) {
  TempDir temp;
  const std::string target = temp / "f";
  WriteFileBytes(target, {1, 2, 3});
  {
    ZELI_AtomicFile file(target.c_str());
    file.Stream() << 7;
    EXPECT_TRUE(ZELI_OS_IsFile(file.Get_TemporaryPath().c_str()));
    EXPECT_EQ(ReadFileBytes(target), (Bytes{1, 2, 3}));  // not yet
  }
  EXPECT_EQ(ReadFileBytes(target), (Bytes{1, 2, 3}));
  EXPECT_EQ(Entries(temp.path()), std::vector<std::string>{"f"});
  ZELI_AtomicFile file(target.c_str());
  file.Stream() << static_cast<unsigned char>(9);
  file.Commit();
  EXPECT_TRUE(file.IsCommitted());
  EXPECT_EQ(ReadFileBytes(target), Bytes{9});
  EXPECT_EQ(Entries(temp.path()), std::vector<std::string>{"f"});
}

// ---- Directory functions ------------------------------------------------------------

TEST(OsDirectory, TreeRemovalNeverFollowsLinksAndReportsTheSystemText) {
  TempDir temp;
  const std::string outside = temp / "outside";
  ::mkdir(outside.c_str(), 0700);
  WriteFileBytes(outside + "/keep", {1});
  const std::string tree = temp / "tree";
  ::mkdir(tree.c_str(), 0700);
  ::mkdir((tree + "/sub").c_str(), 0700);
  ::mkdir((tree + "/sub/deeper").c_str(), 0700);
  WriteFileBytes(tree + "/sub/deeper/f", {2});
  WriteFileBytes(tree + "/g", {3});
  ASSERT_EQ(::symlink(outside.c_str(), (tree + "/sub/dirlink").c_str()), 0);
  ASSERT_EQ(::symlink((outside + "/keep").c_str(), (tree + "/filelink").c_str()), 0);
  ASSERT_EQ(::symlink((temp / "nowhere").c_str(), (tree + "/dangling").c_str()), 0);
  ZELI_OS_Rmdir(temp.path().c_str(), "tree");
  EXPECT_FALSE(ZELI_OS_Exists(tree.c_str()));
  EXPECT_EQ(ReadFileBytes(outside + "/keep"), Bytes{1});

  // A link given as the tree itself is removed, not followed.
  const std::string link = temp / "link";
  ASSERT_EQ(::symlink(outside.c_str(), link.c_str()), 0);
  ZELI_OS_Rmdir(link.c_str());
  EXPECT_FALSE(ZELI_OS_Exists(link.c_str()));
  EXPECT_TRUE(ZELI_OS_IsFile((outside + "/keep").c_str()));

  ZELI_OS_Rmdir(".");
  ZELI_OS_Rmdir("..");
  ZELI_OS_Rmdir(temp.path().c_str(), "..");
  EXPECT_TRUE(ZELI_OS_IsDirectory(temp.path().c_str()));
  EXPECT_EQ(MessageOf<ZELI_DiskIOException>([&] { ZELI_OS_Rmdir((outside + "/keep").c_str()); }),
            "Not a directory");
  EXPECT_EQ(MessageOf<ZELI_DiskIOException>([&] { ZELI_OS_Rmdir((temp / "none").c_str()); }),
            "No such file or directory");
  {
    // A failing removal reports the system's text and leaves what it could not remove.
    ZELI_FaultFileSystem fault;
    ZELI_ScopedFileSystem scope(&fault);
    fault.FailCall(ZELI_FaultFileSystem::UNLINK, 1, EPERM);
    EXPECT_EQ(MessageOf<ZELI_DiskIOException>([&] { ZELI_OS_Rmdir(outside.c_str()); }), "Operation not permitted");
    EXPECT_TRUE(ZELI_OS_IsFile((outside + "/keep").c_str()));
  }
  ZELI_OS_Unlink(outside.c_str(), "keep");
  EXPECT_FALSE(ZELI_OS_Exists((outside + "/keep").c_str()));
}

}  // namespace
