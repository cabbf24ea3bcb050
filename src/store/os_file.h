// The file layer. Every operating-system file and directory call of the
// library goes through the ZELI_FileSystem installed in the process, so that
// tests can make any call fail on purpose (see fault_fs.h). The ZELI_OS_*
// functions below are the library's entry points: they retry interrupted and
// short transfers, translate errno into ZELI_DiskIOException once, and let no
// raw errno travel upward.
#ifndef ZEL_STORE_OS_FILE_H
#define ZEL_STORE_OS_FILE_H

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>

#include <cstdint>
#include <string>
#include <vector>

#include "zel/zel.h"

// System-call surface with POSIX conventions: -1 (or a negative count) and
// errno on failure. Implementations must not throw.
class ZELI_FileSystem {
 public:
  virtual ~ZELI_FileSystem() = default;
  virtual int Open(const char* path, int flags, mode_t mode) = 0;
  virtual ssize_t Read(int fd, void* p, size_t n) = 0;
  // Reads at offset without moving the descriptor's position (pread).
  virtual ssize_t ReadAt(int fd, void* p, size_t n, off_t offset) = 0;
  virtual ssize_t Write(int fd, const void* p, size_t n) = 0;
  // Writes the pieces one after the other from offset, without moving the
  // descriptor's position (pwritev); at most ZELI_OS_MaxWritePieces pieces.
  virtual ssize_t WriteAt(int fd, const struct iovec* pieces, int count, off_t offset) = 0;
  virtual off_t Lseek(int fd, off_t offset, int whence) = 0;
  virtual int Fsync(int fd) = 0;
  virtual int Close(int fd) = 0;
  virtual int Fstat(int fd, struct stat* st) = 0;
  virtual int Stat(const char* path, struct stat* st) = 0;
  virtual int Lstat(const char* path, struct stat* st) = 0;
  virtual int Access(const char* path, int how) = 0;
  virtual int Unlink(const char* path) = 0;
  virtual int Rename(const char* from, const char* to) = 0;
  virtual int Mkdir(const char* path, mode_t mode) = 0;
  virtual int Rmdir(const char* path) = 0;
  virtual int Flock(int fd, int operation) = 0;
  // Names of the entries of a directory, without "." and "..".
  virtual int ListDirectory(const char* path, std::vector<std::string>& names) = 0;
  // A hint that [offset, offset + length) of the file will be read soon
  // (posix_fadvise WILLNEED): the reads may be started now, all at once,
  // instead of one at a time as the reader comes to them. It changes no
  // byte and no result; an implementation may ignore it (returning 0).
  virtual int Advise(int fd, off_t offset, off_t length) = 0;
  // True when, on the file system holding path, a rename that replaces a
  // file reaches the disk only after the data written to the file renamed:
  // a crash may then lose the rename, but never leaves the name on bytes
  // that were never written. False when unsure. Not a system call (the
  // POSIX implementation answers from the mount table); never fails.
  virtual bool RenameFollowsData(const char* path) = 0;
  // Writes the file's dirty pages to the device and waits for them, without
  // committing the file's metadata or flushing the device's cache
  // (sync_file_range): write errors show here, and the next journal commit
  // of the file system (a sync of any directory on it) makes the data
  // durable along with the metadata. Failures as for Fsync.
  virtual int WriteOut(int fd) = 0;
  // Starts writing the dirty pages of [offset, offset + length) of the file
  // to the device without waiting (length 0: to the end of the file;
  // sync_file_range with SYNC_FILE_RANGE_WRITE alone): a hint that lets a
  // later WriteOut or Fsync wait for less. It changes no byte and no result;
  // write errors show at that later wait. An implementation may ignore it.
  virtual int StartWriteOut(int fd, off_t offset, off_t length) {
    (void)fd;
    (void)offset;
    (void)length;
    return 0;
  }
};

// The plain POSIX implementation (the default).
ZELI_FileSystem& ZELI_OS_PosixFileSystem();

// Whether the ext3/ext4 file system on device (major:minor) has a journal,
// from what the kernel publishes under sysRoot (normally "/sys") and
// procRoot ("/proc"): the block device's name from sysRoot/dev/block/M:m,
// then sysRoot/fs/ext4/<name>/journal_task ("<none>" without a journal),
// or, where the kernel has no such file, a jbd2 entry procRoot/fs/jbd2/
// <name>-8 (an internal journal). False when neither tells. Without a
// journal nothing orders a rename after the data it names, nor one
// directory's changes after another's.
bool ZELI_OS_Ext4HasJournal(dev_t device, const std::string& sysRoot = "/sys", const std::string& procRoot = "/proc");

// The file system in use; never null. Installing returns the previous one.
// The caller keeps ownership of what it installs.
ZELI_FileSystem& ZELI_OS_FileSystem();
ZELI_FileSystem* ZELI_OS_SetFileSystem(ZELI_FileSystem* fs);

// Installs a file system for the lifetime of the object (tests).
class ZELI_ScopedFileSystem {
 public:
  explicit ZELI_ScopedFileSystem(ZELI_FileSystem* fs) : previous_(ZELI_OS_SetFileSystem(fs)) {}
  ~ZELI_ScopedFileSystem() { ZELI_OS_SetFileSystem(previous_); }
  ZELI_ScopedFileSystem(const ZELI_ScopedFileSystem&) = delete;
  ZELI_ScopedFileSystem& operator=(const ZELI_ScopedFileSystem&) = delete;

 private:
  ZELI_FileSystem* previous_;
};

// Open modes of ZELI_OS_Open.
enum ZELI_OS_OpenMode : int {
  ZELI_OS_READ_ONLY = 0,
  ZELI_OS_WRITE_ONLY = 1,  // creates the file when absent
  ZELI_OS_READ_WRITE = 2,  // creates the file when absent
};

// Seek position meaning "the end of the file".
constexpr uint64_t ZELI_OS_SEEK_END = UINT64_MAX;

// All of these throw ZELI_DiskIOException (the system's text for errno) on
// failure, unless stated otherwise. Created files get mode 0600.
int ZELI_OS_Open(const char* path, int mode, zel_bool_t truncate);
// Reads until n bytes are in or the file ends; returns the count read
// (below n only at end of file).
unsigned ZELI_OS_Read(int fd, void* p, unsigned n);
// The same from offset, leaving the descriptor's position alone: one call
// instead of a seek and a read for each scattered block.
unsigned ZELI_OS_ReadAt(int fd, void* p, unsigned n, uint64_t offset);
// Writes all n bytes.
void ZELI_OS_Write(int fd, const void* p, size_t n);
// Most pieces one WriteAt call takes (the system's IOV_MAX is at least this).
constexpr unsigned ZELI_OS_MaxWritePieces = 1024;
// Writes every byte of the pieces, one after the other, from offset (a
// run of scattered memory to one range of the file), leaving the
// descriptor's position alone; as few calls as the system allows.
void ZELI_OS_WriteAt(int fd, const struct iovec* pieces, unsigned count, uint64_t offset);
// Absolute positioning; ZELI_OS_SEEK_END positions at the end.
void ZELI_OS_Lseek(int fd, uint64_t position);
// Commits the file's data to the disk.
void ZELI_OS_Flush(int fd);
// Writes the file's data to the device (ZELI_FileSystem::WriteOut).
void ZELI_OS_WriteOut(int fd);
void ZELI_OS_Close(int fd);
uint64_t ZELI_OS_FileSize(int fd);
// Predicates: false when the path cannot be examined; they never throw.
bool ZELI_OS_Access(const char* path, zel_bool_t forWriting);
bool ZELI_OS_IsFile(const char* path);
bool ZELI_OS_IsDirectory(const char* path);
bool ZELI_OS_Exists(const char* path);
void ZELI_OS_Unlink(const char* path);
// Creates an empty file (mode 0600) that must not exist yet: false when it
// does; other failures throw ZELI_DiskIOException.
bool ZELI_OS_CreateExclusive(const char* path);
// Removes path when it exists (failures to remove throw as in ZELI_OS_Unlink).
void ZELI_OS_UnlinkIfPresent(const char* path);
// Removes path and ignores every failure: cleanup after an error that is
// the one to report.
void ZELI_OS_UnlinkQuietly(const char* path) noexcept;
void ZELI_OS_Rename(const char* from, const char* to);
void ZELI_OS_Mkdir(const char* path);
// The names in a directory, "." and ".." left out, in no particular order.
std::vector<std::string> ZELI_OS_ListDirectory(const char* path);
// The directory part of a path, up to and including its last "/"; "." for
// a bare name.
std::string ZELI_OS_DirectoryOf(const std::string& path);
// The current process id.
int ZELI_OS_GetPid();
// Passes the read-ahead hint of ZELI_FileSystem::Advise on; a hint that
// fails or lies beyond what off_t holds is dropped (never throws).
void ZELI_OS_AdviseWillRead(int fd, uint64_t offset, uint64_t length) noexcept;
// Passes the hint of ZELI_FileSystem::StartWriteOut on, ignoring failures.
void ZELI_OS_StartWriteOut(int fd, uint64_t offset = 0, uint64_t length = 0) noexcept;

// ---- Directories -----------------------------------------------------------

// Removes directory + "/" + name (a file or a symbolic link, never followed).
void ZELI_OS_Unlink(const char* directory, const char* name);
// Removes a directory tree. Nothing happens for the paths "." and "..".
// Entries are classified with lstat: subdirectories are removed the same
// way, everything else (files, symbolic links, including links to
// directories) is unlinked, so the removal never leaves the tree through a
// link. A path that is itself a symbolic link is unlinked, not followed.
// Entries that vanish while the tree is removed (another process removing
// the same tree) are not an error; a missing top-level path is (ENOENT).
void ZELI_OS_Rmdir(const char* path);
// The same for directory + "/" + name; nothing for the names "." and "..".
void ZELI_OS_Rmdir(const char* directory, const char* name);

// ---- File times ------------------------------------------------------------

// The modification time of path (symbolic links followed) in nanoseconds
// since the epoch of the platform's file times (1970-01-01 UTC). False, and
// time untouched, when the file cannot be examined. Never throws.
bool ZELI_OS_ModificationTime(const char* path, int64_t& time);

// ---- Advisory locks ----------------------------------------------------------

// Opens path for reading and writing (creating it, mode 0600) and waits for
// an exclusive advisory lock (flock) on it. The lock is held by the returned
// descriptor and ends when it is closed (ZELI_OS_UnlockFile), also when the
// process dies. A process that held the lock before may have removed the
// file while this one waited: the lock would then be on a file that nobody
// else can find, so the lock is only returned once the descriptor still
// designates the file at path; otherwise the file is opened again.
int ZELI_OS_LockFile(const char* path);
// Ends the lock and closes the descriptor; never throws.
void ZELI_OS_UnlockFile(int fd) noexcept;

#endif  // ZEL_STORE_OS_FILE_H
