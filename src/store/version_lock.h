// ZELI_VersionLock: the lock of a container's version table.
//
// A process that updates version.toc holds this lock from reading the table
// to writing it back, so two processes updating at once cannot lose each
// other's registrations. The lock has two parts:
//  - the lock file version.lck, holding the holder's process id in decimal
//    and a line end ("<pid>\n"), for people and tools that look;
//  - an exclusive advisory lock (flock) on that file, which is what actually
//    excludes other processes. A second process waits for it (the update it
//    waits for is short). The kernel drops it when the holder dies, so a lock
//    file left behind by a crashed process blocks nobody.
// The holder removes the lock file before it lets go of the advisory lock;
// a waiter that then wins the lock on the removed file notices and opens the
// path again (ZELI_OS_LockFile).
#ifndef ZEL_STORE_VERSION_LOCK_H
#define ZEL_STORE_VERSION_LOCK_H

#include <string>

class ZELI_VersionLock {
 public:
  ZELI_VersionLock() = default;
  // Releases a lock still held, keeping the lock file; never throws.
  ~ZELI_VersionLock();
  ZELI_VersionLock(const ZELI_VersionLock&) = delete;
  ZELI_VersionLock& operator=(const ZELI_VersionLock&) = delete;

  // Waits for the lock on lockPath and writes "<pid>\n" into the file.
  // Failure: ZELI_DiskIOException, nothing held.
  void Acquire(const std::string& lockPath);
  // Removes the lock file (when removeFile is set and the file is still
  // there) and then releases the lock. Never throws: a lock file that cannot
  // be removed is harmless, since the advisory lock ends regardless.
  void Release(bool removeFile) noexcept;
  bool IsHeld() const { return fd_ >= 0; }

  // Writes "<pid>\n" into lockPath whatever exists there (creating or
  // truncating it), without the advisory lock. Failure: ZELI_DiskIOException.
  static void WritePidFile(const std::string& lockPath);

 private:
  // "<pid>\n" of this process.
  static std::string PidText();

  std::string path_;
  int fd_ = -1;
};

#endif  // ZEL_STORE_VERSION_LOCK_H
