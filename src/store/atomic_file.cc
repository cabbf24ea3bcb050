// ZELI_AtomicFile: temporary file, data write-out, rename, directory sync;
// ZELI_SyncGroup: directory syncs gathered per operation.
#include "store/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <string>

#include "errors/exceptions.h"
#include "store/os_file.h"

namespace {

// The group whose Finish() syncs the directories of the commits made now.
ZELI_SyncGroup* g_activeGroup = nullptr;
std::vector<std::string>* g_activeDirectories = nullptr;
// Directories of deferred groups, oldest change first; each on a file system
// whose journal commits in order.
std::vector<std::string> g_deferred;

// Syncs a directory; a directory that refuses to be synced (file systems
// without directory syncs answer EINVAL or ENOTSUP) or cannot be opened is
// accepted. Returns the error number of a failed sync, else 0.
int SyncDirectoryNow(const std::string& directory) noexcept {
  ZELI_FileSystem& fs = ZELI_OS_FileSystem();
  const int fd = fs.Open(directory.c_str(), O_RDONLY | O_DIRECTORY, 0);
  if (fd < 0) return 0;  // a directory that cannot be opened cannot be synced either
  const int result = fs.Fsync(fd);
  const int error = errno;
  fs.Close(fd);
  return result != 0 && error != EINVAL && error != ENOTSUP ? error : 0;
}

}  // namespace

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

std::string ZELI_AtomicFile::Directory() const { return ZELI_OS_DirectoryOf(target_); }

void ZELI_AtomicFile::Replace(DataSync sync) {
  try {
    if (sync == DataSync::FSYNC) stream_->Flush();  // writes out and fsyncs
    if (sync == DataSync::WRITE_OUT) stream_->WriteOut();
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
  if (!finished_) Replace(DataSync::NONE);
}

void ZELI_AtomicFile::Commit() {
  if (finished_) return;
  const std::string directory = Directory();
  // Where the journal commits the rename only after the data it names, the
  // data need only be on the device before the rename; the directory sync's
  // journal commit flushes the device's cache for both.
  const bool ordered = ZELI_OS_FileSystem().RenameFollowsData(directory.c_str());
  if (!ordered) {
    Replace(DataSync::FSYNC);
  } else {
    Replace(ZELI_SyncGroup::ActiveGroupDefers() ? DataSync::NONE : DataSync::WRITE_OUT);
  }
  // On a file system without a metadata journal the directory sync must
  // follow at once: the rename has freed the old file's inode in memory, and
  // the next sync of any inode stored beside it can write that release to
  // the disk while the directory block still names the old inode. A crash
  // then leaves the target's name on a freed inode, and the file is lost
  // rather than brought back.
  ZELI_SyncGroup::SyncDirectory(directory);
}

void ZELI_AtomicFile::CommitName() {
  if (finished_) return;
  Replace(DataSync::NONE);
  ZELI_SyncGroup::SyncDirectory(Directory());
}

// ---- ZELI_SyncGroup ------------------------------------------------------------

ZELI_SyncGroup::ZELI_SyncGroup(Mode mode) noexcept : active_(g_activeGroup == nullptr), mode_(mode) {
  if (!active_) {
    if (mode == DURABLE) g_activeGroup->mode_ = DURABLE;
    return;
  }
  g_activeGroup = this;
  g_activeDirectories = &directories_;
}

ZELI_SyncGroup::~ZELI_SyncGroup() { SyncAll(false); }

bool ZELI_SyncGroup::ActiveGroupDefers() { return g_activeGroup != nullptr && g_activeGroup->mode_ == DEFERRED; }

void ZELI_SyncGroup::Finish() {
  if (!active_) return;
  if (mode_ == DURABLE) {
    SyncAll(true);
    return;
  }
  try {
    g_deferred.reserve(g_deferred.size() + directories_.size());
  } catch (const std::bad_alloc&) {
    mode_ = DURABLE;
    SyncAll(true);
    return;
  }
  for (const std::string& directory : directories_) {
    if (std::find(g_deferred.begin(), g_deferred.end(), directory) == g_deferred.end()) {
      g_deferred.push_back(directory);  // reserved: cannot fail
    }
  }
  directories_.clear();
  Deactivate();
}

void ZELI_SyncGroup::Deactivate() noexcept {
  active_ = false;
  g_activeGroup = nullptr;
  g_activeDirectories = nullptr;
}

void ZELI_SyncGroup::SyncAll(bool report) {
  if (!active_) return;
  Deactivate();
  int failure = 0;
  // File systems whose journal a sync committed. Only what fits the room
  // reserved is noted, so that a destructor's sync never fails on memory
  // (without room every directory is synced).
  std::vector<dev_t> committed;
  try {
    committed.reserve(directories_.size() + g_deferred.size());
  } catch (const std::bad_alloc&) {
  }
  auto syncNewest = [&](const std::vector<std::string>& directories) {
    for (auto last = directories.rbegin(); last != directories.rend(); ++last) {
      struct stat info;
      const bool known = ZELI_OS_FileSystem().Stat(last->c_str(), &info) == 0;
      if (known && std::find(committed.begin(), committed.end(), info.st_dev) != committed.end()) continue;
      const int error = SyncDirectoryNow(*last);
      if (failure == 0) failure = error;
      if (known && error == 0 && committed.size() < committed.capacity()) committed.push_back(info.st_dev);
    }
  };
  // The group's own changes are newer than the deferred ones: syncing them
  // first commits the deferred ones on the same file systems too. A group
  // left by an exception syncs only its own and leaves the deferred ones to
  // the next operation that succeeds.
  syncNewest(directories_);
  directories_.clear();
  if (report) {
    syncNewest(g_deferred);
    g_deferred.clear();
  }
  if (report && failure != 0) throw ZELI_DiskIOException(failure);
}

void ZELI_SyncGroup::SyncDirectory(const std::string& directory) {
  if (g_activeDirectories != nullptr && ZELI_OS_FileSystem().RenameFollowsData(directory.c_str())) {
    std::vector<std::string>& pending = *g_activeDirectories;
    // Kept in the order of their last change: moved to the end.
    const auto known = std::find(pending.begin(), pending.end(), directory);
    if (known != pending.end()) {
      std::rotate(known, known + 1, pending.end());
      return;
    }
    try {
      pending.push_back(directory);
      return;
    } catch (const std::bad_alloc&) {
      // Synced now instead.
    }
  }
  if (g_activeDirectories == nullptr && !g_deferred.empty()) {
    // A commit outside groups makes the deferred changes durable with its own.
    ZELI_SyncGroup group;
    SyncDirectory(directory);
    group.Finish();
    return;
  }
  const int error = SyncDirectoryNow(directory);
  if (error != 0) throw ZELI_DiskIOException(error);
}
