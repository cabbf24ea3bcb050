// ZELI_FaultFileSystem implementation.
#include "store/fault_fs.h"

#include <algorithm>
#include <cerrno>

void ZELI_FaultFileSystem::FailCall(Op op, unsigned nth, int errorNumber, bool persistent) {
  Rule& rule = rules_[op];
  rule.nth = nth;
  rule.seen = 0;
  rule.errorNumber = errorNumber;
  rule.persistent = persistent;
}

void ZELI_FaultFileSystem::FailWritesAfterBytes(uint64_t limit, int errorNumber) {
  byteLimitSet_ = true;
  byteLimit_ = limit;
  bytesWritten_ = 0;
  byteLimitErrno_ = errorNumber;
}

void ZELI_FaultFileSystem::Clear() {
  for (Rule& rule : rules_) rule = Rule();
  byteLimitSet_ = false;
  shortReadMax_ = 0;
  shortWriteMax_ = 0;
}

void ZELI_FaultFileSystem::ResetCounts() {
  for (unsigned& count : calls_) count = 0;
}

bool ZELI_FaultFileSystem::Trip(Op op) {
  ++calls_[op];
  Rule& rule = rules_[op];
  if (rule.nth == 0) return false;
  ++rule.seen;
  if (rule.seen == rule.nth || (rule.persistent && rule.seen > rule.nth)) {
    errno = rule.errorNumber;
    return true;
  }
  return false;
}

int ZELI_FaultFileSystem::Open(const char* path, int flags, mode_t mode) {
  return Trip(OPEN) ? -1 : base_.Open(path, flags, mode);
}

ssize_t ZELI_FaultFileSystem::Read(int fd, void* p, size_t n) {
  if (Trip(READ)) return -1;
  if (shortReadMax_ != 0 && n > shortReadMax_) n = shortReadMax_;
  return base_.Read(fd, p, n);
}

ssize_t ZELI_FaultFileSystem::Write(int fd, const void* p, size_t n) {
  if (Trip(WRITE)) return -1;
  if (byteLimitSet_) {
    const uint64_t room = bytesWritten_ < byteLimit_ ? byteLimit_ - bytesWritten_ : 0;
    if (room == 0) {
      errno = byteLimitErrno_;
      return -1;
    }
    if (n > room) n = static_cast<size_t>(room);  // the next call then fails
  }
  if (shortWriteMax_ != 0 && n > shortWriteMax_) n = shortWriteMax_;
  const ssize_t put = base_.Write(fd, p, n);
  if (put > 0) bytesWritten_ += static_cast<uint64_t>(put);
  return put;
}

ssize_t ZELI_FaultFileSystem::WriteAt(int fd, const struct iovec* pieces, int count, off_t offset) {
  if (Trip(WRITE)) return -1;
  if ((!byteLimitSet_ && shortWriteMax_ == 0) || count <= 0) return base_.WriteAt(fd, pieces, count, offset);
  uint64_t room = UINT64_MAX;
  if (byteLimitSet_) {
    room = bytesWritten_ < byteLimit_ ? byteLimit_ - bytesWritten_ : 0;
    if (room == 0) {
      errno = byteLimitErrno_;
      return -1;
    }
  }
  if (shortWriteMax_ != 0) room = std::min<uint64_t>(room, shortWriteMax_);
  // What still fits: the whole pieces that do, else the start of the first
  // one (a short write; at a full disk the caller's retry then fails).
  int whole = 0;
  uint64_t taken = 0;
  while (whole < count && taken + pieces[whole].iov_len <= room) taken += pieces[whole++].iov_len;
  struct iovec start = pieces[0];
  if (whole == 0) start.iov_len = static_cast<size_t>(room);
  const ssize_t put = whole > 0 ? base_.WriteAt(fd, pieces, whole, offset) : base_.WriteAt(fd, &start, 1, offset);
  if (put > 0) bytesWritten_ += static_cast<uint64_t>(put);
  return put;
}

ssize_t ZELI_FaultFileSystem::ReadAt(int fd, void* p, size_t n, off_t offset) {
  if (Trip(READ)) return -1;
  if (shortReadMax_ != 0 && n > shortReadMax_) n = shortReadMax_;
  return base_.ReadAt(fd, p, n, offset);
}

off_t ZELI_FaultFileSystem::Lseek(int fd, off_t offset, int whence) {
  return Trip(LSEEK) ? -1 : base_.Lseek(fd, offset, whence);
}

int ZELI_FaultFileSystem::Fsync(int fd) { return Trip(FSYNC) ? -1 : base_.Fsync(fd); }

int ZELI_FaultFileSystem::Close(int fd) {
  // A failing close still releases the descriptor, as the kernel does.
  if (Trip(CLOSE)) {
    const int saved = errno;
    base_.Close(fd);
    errno = saved;
    return -1;
  }
  return base_.Close(fd);
}

int ZELI_FaultFileSystem::Fstat(int fd, struct stat* st) {
  return Trip(FSTAT) ? -1 : base_.Fstat(fd, st);
}

int ZELI_FaultFileSystem::Stat(const char* path, struct stat* st) {
  return Trip(STAT) ? -1 : base_.Stat(path, st);
}

int ZELI_FaultFileSystem::Lstat(const char* path, struct stat* st) {
  return Trip(LSTAT) ? -1 : base_.Lstat(path, st);
}

int ZELI_FaultFileSystem::Access(const char* path, int how) {
  return Trip(ACCESS) ? -1 : base_.Access(path, how);
}

int ZELI_FaultFileSystem::Unlink(const char* path) { return Trip(UNLINK) ? -1 : base_.Unlink(path); }

int ZELI_FaultFileSystem::Rename(const char* from, const char* to) {
  return Trip(RENAME) ? -1 : base_.Rename(from, to);
}

int ZELI_FaultFileSystem::Mkdir(const char* path, mode_t mode) {
  return Trip(MKDIR) ? -1 : base_.Mkdir(path, mode);
}

int ZELI_FaultFileSystem::Rmdir(const char* path) { return Trip(RMDIR) ? -1 : base_.Rmdir(path); }

int ZELI_FaultFileSystem::Flock(int fd, int operation) {
  return Trip(FLOCK) ? -1 : base_.Flock(fd, operation);
}

int ZELI_FaultFileSystem::ListDirectory(const char* path, std::vector<std::string>& names) {
  return Trip(LISTDIR) ? -1 : base_.ListDirectory(path, names);
}

int ZELI_FaultFileSystem::Advise(int fd, off_t offset, off_t length) {
  return Trip(ADVISE) ? -1 : base_.Advise(fd, offset, length);
}
