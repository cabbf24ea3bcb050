// The version table of a container: ZELI_Version (one version and the
// processes registered in it) and ZELI_VersionTOC (the table, version.toc in
// the container directory).
//
// Every version of a container has a number (never reused within a table), a
// stale flag (a newer version was created over it, or the container was
// deleted) and three lists of process ids: the processes reading it, the
// process writing it (at most one) and the processes attached to that
// writer. The rules of who may join are in ZELI_Version::
// TestAddProcessPrecondition; the operations of the container follow them
// through ZELI_ContainerDirectory.
//
// On disk (byte order of the machine that created the container; see
// doc/version_table_format.md):
//   u32 magic 0xFADEEDAF | u8 is-big-endian | u32 software version (8)
//   | i32 next version number | u32 version count | records, oldest first
//   record: i32 number | u8 stale | readers | writers | attached,
//           each list a u32 count and that many i32 process ids.
// Tables of software version 1 and 2 have older records, and tables of the
// oldest format (version 0) have no magic, flag or software version; both
// are read (never written: only tables of this machine's byte order and
// version 8 are ever rewritten). Tables of a software version above 8 are
// refused.
//
// Durability: the next version number, the versions, their stale flags and
// their writers must survive a crash, so a release that changes any of them
// replaces the table through a synced rename. The reading and attached
// lists only name running processes, which a crash ends anyway; a release
// that changes nothing else replaces the table without syncing where the
// file system writes a renamed file's data before the rename
// (ZELI_FileSystem::RenameFollowsData), so that a read-only open and close
// wait for no disk. A release that changes nothing writes nothing.
//
// The updating form of ZELI_VersionTOC holds the table lock
// (ZELI_VersionLock) from reading the table until Release() writes it back,
// so updates by several processes serialise. It drops the reading and
// attached registrations of processes that ended without unregistering
// (killed, crashed), as far as store/process_liveness.h can tell them from
// live ones, so that a dead reader does not keep writers and deletes out for
// good. The file is replaced through
// ZELI_AtomicFile: readers, locked or not, see either the old table or the
// new one, and a failed write leaves the old one in place. A process must
// not open a second updating form of the same table while it holds one: the
// advisory lock excludes the second open file too, which would wait forever.
#ifndef ZEL_STORE_VERSION_TOC_H
#define ZEL_STORE_VERSION_TOC_H

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "store/version_lock.h"
#include "zel/zel.h"

class ZELI_Istream;
class ZELI_Ostream;

// A table written by a newer library: its records may have a layout this one
// does not know, so it is neither read nor changed (only a forced create
// replaces it). softwareVersion is the one its header names.
class ZELI_NewerVersionTableException : public ZELI_FailedException {
 public:
  ZELI_NewerVersionTableException(const char* message, unsigned version) noexcept
      : ZELI_FailedException(message), softwareVersion(version) {}
  unsigned softwareVersion;
};

class ZELI_Version {
 public:
  enum accessMode_t : int { READING = 0, WRITING = 1, ATTACHED = 2 };

  // directory: the container directory the version's own directory is in.
  ZELI_Version(const std::string& directory, int number) : directory_(directory), number_(number) {}

  // "version_" + number in decimal.
  static std::string Get_VersionName(int number);
  std::string Get_VersionName() const { return Get_VersionName(number_); }
  // The version's directory: container directory + "/" + version name.
  std::string Get_VersionPath() const;

  int Get_Number() const { return number_; }
  bool IsStale() const { return stale_ != 0; }
  void Set_Stale() { stale_ = 1; }
  bool IsOpenForReading() const { return !readers_.empty(); }
  bool IsOpenForWriting() const { return !writers_.empty(); }
  bool HasAttachedProcesses() const { return !attached_.empty(); }
  const std::vector<int>& Get_Processes(accessMode_t mode) const;

  // Writing: no writer and no attached process. Attaching: exactly one
  // writer. Reading: always.
  bool TestAddProcessPrecondition(accessMode_t mode) const;
  // Appends pid to the list of mode; a broken rule fails with
  // ZELI_FailedException "ZELI_Version::TestAddProcessPrecondition".
  void AddProcess(int pid, accessMode_t mode);
  // Removes one entry of pid from the list of mode. A writer cannot leave
  // while processes are attached (ZELI_FailedException "The version has
  // attached processes"); a pid not in the list fails with
  // ZELI_NotFoundException "The process is not in the version".
  void RemoveProcess(int pid, accessMode_t mode);
  // Drops the writer and everyone attached to it (a forced create); needs
  // exactly one writer, else ZELI_FailedException
  // "RemoveWritingProcess: no process".
  void RemoveWritingProcess();
  // Drops the readers and attached processes for which ended(pid) holds;
  // true when any was dropped. A writer that ended stays: what it left after
  // its last commit is for a forced create to discard, not for the next
  // writer to open.
  template <typename Ended>
  bool RemoveEndedProcesses(Ended ended) {
    const size_t before = readers_.size() + attached_.size();
    for (std::vector<int>* ids : {&readers_, &attached_}) {
      ids->erase(std::remove_if(ids->begin(), ids->end(), ended), ids->end());
    }
    return readers_.size() + attached_.size() != before;
  }

  // Makes the version directory. A directory of that name that the table
  // does not know yet (left by a create that failed before its table was
  // written) is removed first, so a new version never inherits files.
  void CreateVersionDir() const;
  // Removes the version directory tree; a missing one is not an error.
  void DeleteVersionDir() const;

  void Write(ZELI_Ostream& out) const;
  // One record; the stream's stored software version selects the layout.
  // Counts are checked against the bytes left before anything is allocated.
  static std::unique_ptr<ZELI_Version> Read(ZELI_Istream& in, const std::string& directory);

 private:
  std::vector<int>& List(accessMode_t mode);

  std::string directory_;
  int number_;
  zel_bool_t stale_ = 0;
  std::vector<int> readers_;
  std::vector<int> attached_;
  std::vector<int> writers_;
};

class ZELI_VersionTOC {
 public:
  static constexpr uint32_t Magic = 0xFADEEDAFu;

  // The updating form. When this process may read and write the table file
  // and create files in the directory, it takes the table lock (waiting for
  // another updater to finish) and the lock-held flag is set; otherwise the
  // table is used without the lock (a read-only location) and its release
  // writes nothing. Then the table is read; with the lock held, the
  // registrations of ended processes are dropped. Failures (missing or corrupted
  // table, newer software version, disk errors) throw with nothing held.
  explicit ZELI_VersionTOC(const char* directory);
  // The inspecting form: reads the table without any lock; its release
  // writes nothing. The mode is only a tag.
  ZELI_VersionTOC(const char* directory, zel_iomode_t mode);
  // Releases a table that was not released explicitly (unwinding paths):
  // does what Release() does but swallows its failures.
  ~ZELI_VersionTOC();
  ZELI_VersionTOC(const ZELI_VersionTOC&) = delete;
  ZELI_VersionTOC& operator=(const ZELI_VersionTOC&) = delete;

  // Only when the lock is held: for a table compatible for writing, removes
  // every stale version without readers and writers (its directory tree
  // first; a version whose directory cannot be removed stays listed for a
  // later release) and writes the table anew. Then, when versions remain or
  // the keep-empty flag is set, the lock file is removed; otherwise the whole
  // container (directory tree and reference file) is deleted. The lock ends
  // in every case. A failure to write the table leaves the old table intact
  // and is reported (ZELI_DiskIOException); a second call does nothing.
  void Release();
  // After Release: the path of a stale, unused version directory that it
  // could not remove (empty when there was none), and the reason.
  const std::string& Get_UnremovedVersion() const { return unremoved_; }
  const std::string& Get_UnremovedReason() const { return unremovedReason_; }

  // The table file exists as a regular file.
  static bool Exists(const char* directory);
  // Under the table lock, writes a table of this machine's byte order,
  // software version 8, next version number 0 and no versions; the lock
  // file is removed again.
  static void CreateNewTOC(const char* directory);
  // The same, but only when no table exists (checked under the lock, so two
  // creators cannot both write one). True when a table was written.
  static bool CreateMissingTOC(const char* directory);
  // Writes the lock file ("<pid>\n") whatever exists there. It marks the
  // table as being updated but takes no advisory lock.
  static void ForceCreateLock(const char* directory);
  // Removes the lock file when it exists as a regular file. A process still
  // updating the table is waited for first, so the removal cannot break its
  // lock; a file left by a dead process goes at once. ZELI_DiskIOException.
  static void ForceRemoveLock(const char* directory);

  // Appends a version numbered with the next version number, which grows.
  ZELI_Version* NewVersion_p();
  // The newest version; null when there is none.
  ZELI_Version* LatestVersion_p();
  // ZELI_FailedException "ZELI_VersionTOC::FindVersion_p" when absent.
  ZELI_Version* FindVersion_p(int number);

  // Same byte order as this machine and software version 8.
  bool IsCompatibleForWriting() const;
  void KeepEmptyContainer() { keepEmpty_ = 1; }

  bool IsLockHeld() const { return lockHeld_ != 0; }
  zel_bool_t IsBigEndian() const { return isBigEndian_; }
  unsigned Get_SoftwareVersion() const { return softwareVersion_; }
  int Get_NextVersionNumber() const { return nextVersion_; }
  unsigned Get_VersionCount() const { return static_cast<unsigned>(versions_.size()); }
  const ZELI_Version& Get_Version(unsigned index) const { return *versions_.at(index); }
  const std::string& Get_Directory() const { return directory_; }

  // The stored form (this machine's byte order, software version 8).
  void Write(ZELI_Ostream& out) const;

 private:
  void Read();
  void DropEndedProcesses();
  void WriteFile(bool sync) const;
  // The fields that must survive a crash, flattened for comparison; with
  // registrations, the reading and attached lists too.
  std::vector<int64_t> State(bool registrations) const;
  void DeleteContainer() const;
  static bool WriteNewTOC(const char* directory, bool onlyWhenMissing);

  zel_bool_t lockHeld_ = 0;
  zel_bool_t isBigEndian_ = 0;
  unsigned softwareVersion_ = 0;
  int nextVersion_ = 0;
  std::vector<std::unique_ptr<ZELI_Version>> versions_;
  std::string directory_;
  std::string lockName_;
  std::string tocName_;
  zel_bool_t keepEmpty_ = 0;
  bool released_ = false;
  // State(true) and State(false) as read from the file.
  std::vector<int64_t> readState_;
  std::vector<int64_t> readDurableState_;
  std::string unremoved_;
  std::string unremovedReason_;
  ZELI_VersionLock lock_;
};

#endif  // ZEL_STORE_VERSION_TOC_H
