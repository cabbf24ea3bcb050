// ZELI_FaultFileSystem: a file system that forwards to another one and fails
// chosen calls on purpose, so that tests can prove that disk faults become
// ZEL_DISK_IO and lose nothing that was committed.
//
// Knobs:
//  - FailCall(op, n, errno, persistent): the n-th call (1-based, counted from
//    the moment the rule is set) of the given kind fails with errno; with
//    persistent set, every later call of that kind fails too.
//  - FailWritesAfterBytes(limit, errno): writes succeed until limit bytes in
//    all have been written, then a write stores what still fits and fails
//    with errno (a disk that fills up in the middle of a write).
//  - ShortReads(max), ShortWrites(max): every read returns, every write
//    stores, at most max bytes (still correct data), to exercise callers
//    that must loop.
// Counters of calls per kind let a test run a scenario once to count the
// calls and then again with a fault at call 1, 2, 3, ...
#ifndef ZEL_STORE_FAULT_FS_H
#define ZEL_STORE_FAULT_FS_H

#include <cstdint>

#include "store/os_file.h"

class ZELI_FaultFileSystem final : public ZELI_FileSystem {
 public:
  enum Op : int {
    OPEN, READ, WRITE, LSEEK, FSYNC, CLOSE, FSTAT, STAT, LSTAT, ACCESS,
    UNLINK, RENAME, MKDIR, RMDIR, FLOCK, LISTDIR, ADVISE, OP_COUNT
  };

  explicit ZELI_FaultFileSystem(ZELI_FileSystem& base = ZELI_OS_PosixFileSystem()) : base_(base) {}

  void FailCall(Op op, unsigned nth, int errorNumber, bool persistent = false);
  void FailWritesAfterBytes(uint64_t limit, int errorNumber);
  void ShortReads(unsigned maxBytesPerRead) { shortReadMax_ = maxBytesPerRead; }
  void ShortWrites(unsigned maxBytesPerWrite) { shortWriteMax_ = maxBytesPerWrite; }
  // Removes every rule; counters keep counting.
  void Clear();
  unsigned Get_CallCount(Op op) const { return calls_[op]; }
  void ResetCounts();

  int Open(const char* path, int flags, mode_t mode) override;
  ssize_t Read(int fd, void* p, size_t n) override;
  // A positioned read counts, fails and shortens as a READ.
  ssize_t ReadAt(int fd, void* p, size_t n, off_t offset) override;
  ssize_t Write(int fd, const void* p, size_t n) override;
  // A positioned write counts, fails and fills the disk as a WRITE.
  ssize_t WriteAt(int fd, const struct iovec* pieces, int count, off_t offset) override;
  off_t Lseek(int fd, off_t offset, int whence) override;
  int Fsync(int fd) override;
  int Close(int fd) override;
  int Fstat(int fd, struct stat* st) override;
  int Stat(const char* path, struct stat* st) override;
  int Lstat(const char* path, struct stat* st) override;
  int Access(const char* path, int how) override;
  int Unlink(const char* path) override;
  int Rename(const char* from, const char* to) override;
  int Mkdir(const char* path, mode_t mode) override;
  int Rmdir(const char* path) override;
  int Flock(int fd, int operation) override;
  int ListDirectory(const char* path, std::vector<std::string>& names) override;
  // Counted and failable like every other call: the library must read the
  // same bytes whether its hints are taken, dropped or refused.
  int Advise(int fd, off_t offset, off_t length) override;
  bool RenameFollowsData(const char* path) override { return base_.RenameFollowsData(path); }
  // Counted and failed as an FSYNC: to the caller both are "make it durable".
  int WriteOut(int fd) override { return Trip(FSYNC) ? -1 : base_.WriteOut(fd); }

 private:
  struct Rule {
    unsigned nth = 0;  // 0: no rule
    unsigned seen = 0;
    int errorNumber = 0;
    bool persistent = false;
  };
  // Counts the call and tells whether it must fail (errno is then set).
  bool Trip(Op op);

  ZELI_FileSystem& base_;
  unsigned calls_[OP_COUNT] = {};
  Rule rules_[OP_COUNT];
  bool byteLimitSet_ = false;
  uint64_t byteLimit_ = 0;
  uint64_t bytesWritten_ = 0;
  int byteLimitErrno_ = 0;
  unsigned shortReadMax_ = 0;
  unsigned shortWriteMax_ = 0;
};

#endif  // ZEL_STORE_FAULT_FS_H
