// ZELI_AtomicFile: temporary file, fsync, rename.
#include "store/atomic_file.h"

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

void ZELI_AtomicFile::Commit(RenameSync renameSync) {
  if (finished_) return;
  try {
    stream_->Flush();
    stream_->Close();
    ZELI_OS_Rename(temporary_.c_str(), target_.c_str());
  } catch (...) {
    Discard();
    throw;
  }
  committed_ = true;
  finished_ = true;
  if (renameSync == RENAME_MAY_REVERT) return;
  // Make the rename itself durable. The new file is in place already, so a
  // directory that cannot be synced (some file systems refuse) does not turn
  // the commit into a failure.
  int fd = -1;
  const std::string::size_type slash = target_.rfind('/');
  const std::string directory = slash == std::string::npos ? std::string(".") : target_.substr(0, slash + 1);
  try {
    fd = ZELI_OS_Open(directory.c_str(), ZELI_OS_READ_ONLY, 0);
    ZELI_OS_FileSystem().Fsync(fd);
  } catch (const ZELI_Exception&) {
  }
  if (fd >= 0) ZELI_OS_FileSystem().Close(fd);
}
