// ZELI_VersionLock: the pid file plus an advisory lock.
#include "store/version_lock.h"

#include <string>

#include "errors/exceptions.h"
#include "store/os_file.h"

ZELI_VersionLock::~ZELI_VersionLock() { Release(false); }

std::string ZELI_VersionLock::PidText() { return std::to_string(ZELI_OS_GetPid()) + "\n"; }

void ZELI_VersionLock::WritePidFile(const std::string& lockPath) {
  const std::string text = PidText();
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
    if (ZELI_OS_FileSize(fd) == 0) {
      // The usual case: the file was just made (its last holder removed
      // it). The pid goes through the locked descriptor, still at offset 0;
      // no second open, and no truncation, after which some file systems
      // start writing the file back when it is closed.
      const std::string text = PidText();
      ZELI_OS_Write(fd, text.data(), text.size());
    } else {
      // Bytes left by a holder that died: a second descriptor truncates.
      // The locked one was opened without truncation so as not to clobber
      // the holder's pid while waiting.
      WritePidFile(lockPath);
    }
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
