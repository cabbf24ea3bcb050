// ZELI_VersionLock: the pid file plus an advisory lock.
#include "store/version_lock.h"

#include <string>

#include "errors/exceptions.h"
#include "store/os_file.h"

ZELI_VersionLock::~ZELI_VersionLock() { Release(false); }

void ZELI_VersionLock::WritePidFile(const std::string& lockPath) {
  const std::string text = std::to_string(ZELI_OS_GetPid()) + "\n";
  const int fd = ZELI_OS_Open(lockPath.c_str(), ZELI_OS_WRITE_ONLY, 1);
  try {
    ZELI_OS_Write(fd, text.data(), text.size());
  } catch (...) {
    ZELI_OS_FileSystem().Close(fd);
    throw;
  }
  ZELI_OS_Close(fd);
}

void ZELI_VersionLock::Acquire(const std::string& lockPath) {
  Release(false);
  const int fd = ZELI_OS_LockFile(lockPath.c_str());
  try {
    // A second descriptor truncates: the locked one was opened without
    // truncation so as not to clobber the holder's pid while waiting.
    WritePidFile(lockPath);
  } catch (...) {
    // A lock file without its pid would mislead whoever looks.
    ZELI_OS_FileSystem().Unlink(lockPath.c_str());
    ZELI_OS_UnlockFile(fd);
    throw;
  }
  path_ = lockPath;
  fd_ = fd;
}

void ZELI_VersionLock::Release(bool removeFile) noexcept {
  if (fd_ < 0) return;
  if (removeFile) ZELI_OS_FileSystem().Unlink(path_.c_str());
  ZELI_OS_UnlockFile(fd_);
  fd_ = -1;
}
