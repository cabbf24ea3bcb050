// ZELI_AtomicFile: temporary file, fsync, rename.
#include "store/atomic_file.h"

#include <fcntl.h>

#include <cerrno>
#include <string>

#include "errors/exceptions.h"
#include "store/os_file.h"

ZELI_AtomicFile::ZELI_AtomicFile(const char* targetPath)
    : target_(targetPath), temporary_(target_ + ".tmp." + std::to_string(ZELI_OS_GetPid())) {
  stream_.reset(new ZELI_Ostream(temporary_.c_str(), 1));
}

ZELI_AtomicFile::~ZELI_AtomicFile() { Discard(); }

void ZELI_AtomicFile::Discard() noexcept {
  if (finished_) return;
  finished_ = true;
  stream_.reset();  // closes the descriptor without writing out
  ZELI_OS_FileSystem().Unlink(temporary_.c_str());
}

void ZELI_AtomicFile::Replace(bool sync) {
  try {
    if (sync) stream_->Flush();  // writes out and fsyncs
    stream_->Close();
    ZELI_OS_Rename(temporary_.c_str(), target_.c_str());
  } catch (...) {
    Discard();
    throw;
  }
  committed_ = true;
  finished_ = true;
}

void ZELI_AtomicFile::CommitUnsynced() {
  if (!finished_) Replace(false);
}

void ZELI_AtomicFile::Commit() {
  if (finished_) return;
  Replace(true);
  SyncDirectory();
}

void ZELI_AtomicFile::CommitName() {
  if (finished_) return;
  Replace(false);
  SyncDirectory();
}

void ZELI_AtomicFile::SyncDirectory() const {
  // Makes the rename itself durable. The new file is in place already; a
  // directory that refuses to be synced (file systems without directory
  // syncs answer EINVAL or ENOTSUP) is accepted, but a sync that failed (an
  // I/O error, a full disk) is reported: the rename may not survive a crash,
  // so the caller must not take the file for committed.
  // Where losing the rename alone would be harmless (registrations of
  // running processes), CommitUnsynced skips this sync, but only on file
  // systems that journal the rename after the data; elsewhere it is kept:
  // on a file system without a metadata journal the rename has freed the
  // old file's inode in memory, and the next sync of any inode stored beside
  // it (the next table's temporary file) can write that release to the disk
  // while the directory block still names the old inode. A crash then leaves
  // the target's name on a freed inode, and the file is lost rather than
  // brought back.
  const std::string::size_type slash = target_.rfind('/');
  const std::string directory = slash == std::string::npos ? std::string(".") : target_.substr(0, slash + 1);
  ZELI_FileSystem& fs = ZELI_OS_FileSystem();
  const int fd = fs.Open(directory.c_str(), O_RDONLY | O_DIRECTORY, 0);
  if (fd < 0) return;  // a directory that cannot be opened cannot be synced either
  const int result = fs.Fsync(fd);
  const int error = errno;
  fs.Close(fd);
  if (result != 0 && error != EINVAL && error != ENOTSUP) throw ZELI_DiskIOException(error);
}
