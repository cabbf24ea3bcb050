// The POSIX file system and the ZELI_OS_* entry points over the installed one.
#include "store/os_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <utility>

#include "errors/exceptions.h"

namespace {

class PosixFileSystem final : public ZELI_FileSystem {
 public:
  int Open(const char* path, int flags, mode_t mode) override { return ::open(path, flags, mode); }
  ssize_t Read(int fd, void* p, size_t n) override { return ::read(fd, p, n); }
  ssize_t ReadAt(int fd, void* p, size_t n, off_t offset) override { return ::pread(fd, p, n, offset); }
  ssize_t Write(int fd, const void* p, size_t n) override { return ::write(fd, p, n); }
  ssize_t WriteAt(int fd, const struct iovec* pieces, int count, off_t offset) override {
    return ::pwritev(fd, pieces, count, offset);
  }
  off_t Lseek(int fd, off_t offset, int whence) override { return ::lseek(fd, offset, whence); }
  int Fsync(int fd) override { return ::fsync(fd); }
  int Close(int fd) override { return ::close(fd); }
  int Fstat(int fd, struct stat* st) override { return ::fstat(fd, st); }
  int Stat(const char* path, struct stat* st) override { return ::stat(path, st); }
  int Lstat(const char* path, struct stat* st) override { return ::lstat(path, st); }
  int Access(const char* path, int how) override { return ::access(path, how); }
  int Unlink(const char* path) override { return ::unlink(path); }
  int Rename(const char* from, const char* to) override { return ::rename(from, to); }
  int Mkdir(const char* path, mode_t mode) override { return ::mkdir(path, mode); }
  int Rmdir(const char* path) override { return ::rmdir(path); }
  int Flock(int fd, int operation) override { return ::flock(fd, operation); }
  int ListDirectory(const char* path, std::vector<std::string>& names) override {
    DIR* dir = ::opendir(path);
    if (dir == nullptr) return -1;
    errno = 0;
    while (struct dirent* entry = ::readdir(dir)) {
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
        names.emplace_back(entry->d_name);
      }
    }
    const int readError = errno;
    ::closedir(dir);
    errno = readError;
    return readError == 0 ? 0 : -1;
  }
  int Advise(int fd, off_t offset, off_t length) override {
    // posix_fadvise returns its error number instead of setting errno.
    const int error = ::posix_fadvise(fd, offset, length, POSIX_FADV_WILLNEED);
    if (error == 0) return 0;
    errno = error;
    return -1;
  }
  bool RenameFollowsData(const char* path) override;
  int WriteOut(int fd) override {
#ifdef __linux__
    const unsigned flags = SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    if (::sync_file_range(fd, 0, 0, flags) == 0) return 0;
    if (errno != ENOSYS && errno != EINVAL && errno != ESPIPE) return -1;
#endif
    return ::fsync(fd);  // no range write-out here: the full sync does it
  }
  int StartWriteOut(int fd, off_t offset, off_t length) override {
#ifdef __linux__
    return ::sync_file_range(fd, offset, length, SYNC_FILE_RANGE_WRITE);
#else
    (void)fd;
    (void)offset;
    (void)length;
    return 0;
#endif
  }

 private:
  // Answers by device, found once per process: mounts do not change their
  // options under an open container often enough to matter, and a stale
  // answer only costs the syncs or, for a remount to data=writeback while a
  // container is open, the window that mount option opens for every program.
  std::vector<std::pair<dev_t, bool>> renameFollowsData_;
};

// The mount table line of device (major:minor in its third field): the file
// system type and its super-block options. False when the device is not
// listed or listed with different types.
bool FindMount(dev_t device, std::string& type, std::string& options) {
  std::FILE* table = std::fopen("/proc/self/mountinfo", "re");
  if (table == nullptr) return false;
  const std::string id = std::to_string(major(device)) + ":" + std::to_string(minor(device));
  bool found = false;
  bool consistent = true;
  char line[4096];
  while (std::fgets(line, sizeof line, table) != nullptr) {
    // id parent major:minor root mount-point options [optional...] - type source super-options
    std::istringstream fields(line);
    std::string mountId, parent, device_, root, point, mountOptions, word;
    fields >> mountId >> parent >> device_ >> root >> point >> mountOptions;
    if (device_ != id) continue;
    while (fields >> word && word != "-") {
    }
    std::string lineType, source, superOptions;
    fields >> lineType >> source >> superOptions;
    if (found && lineType != type) consistent = false;
    type = lineType;
    options = superOptions;
    found = true;
  }
  std::fclose(table);
  return found && consistent;
}

bool HasOption(const std::string& options, const char* option) {
  std::istringstream list(options);
  std::string item;
  while (std::getline(list, item, ',')) {
    if (item == option) return true;
  }
  return false;
}

// The first line of a small text file, without its line end; false when it
// cannot be read.
bool ReadFirstLine(const std::string& path, std::string& line) {
  std::FILE* file = std::fopen(path.c_str(), "re");
  if (file == nullptr) return false;
  char buffer[256];
  const bool read = std::fgets(buffer, sizeof buffer, file) != nullptr;
  std::fclose(file);
  if (!read) return false;
  line = buffer;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return true;
}

bool PosixFileSystem::RenameFollowsData(const char* path) {
  struct stat st;
  if (path == nullptr || ::stat(path, &st) != 0) return false;
  for (const auto& known : renameFollowsData_) {
    if (known.first == st.st_dev) return known.second;
  }
  bool follows = false;
  std::string type, options;
  if (FindMount(st.st_dev, type, options)) {
    if (type == "ext3" || type == "ext4") {
      // Ordered (the default) and journalled data are written before the
      // journal commits the rename; ext4 allocates the delayed blocks of a
      // file renamed over another at the rename (auto_da_alloc, the default).
      // Only with a journal: without one, metadata reaches the disk in no
      // particular order (ext4 is often made without a journal for virtual
      // machines' disks).
      follows = !HasOption(options, "data=writeback") && !HasOption(options, "noauto_da_alloc") &&
                ZELI_OS_Ext4HasJournal(st.st_dev);
    } else if (type == "tmpfs" || type == "ramfs") {
      follows = true;  // nothing on them outlives a crash
    }
  }
  try {
    renameFollowsData_.emplace_back(st.st_dev, follows);
  } catch (...) {
    // Asked again next time.
  }
  return follows;
}

// Never destroyed: process-exit teardown of open containers still needs it.
ZELI_FileSystem* g_fileSystem = &ZELI_OS_PosixFileSystem();

}  // namespace

bool ZELI_OS_Ext4HasJournal(dev_t device, const std::string& sysRoot, const std::string& procRoot) {
  const std::string link =
      sysRoot + "/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  char target[4096];
  const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
  if (length <= 0) return false;
  std::string name(target, static_cast<size_t>(length));
  name = name.substr(name.rfind('/') + 1);
  if (name.empty() || name == "." || name == "..") return false;
  std::string task;
  if (ReadFirstLine(sysRoot + "/fs/ext4/" + name + "/journal_task", task)) return !task.empty() && task != "<none>";
  struct stat st;
  return ::stat((procRoot + "/fs/jbd2/" + name + "-8").c_str(), &st) == 0;
}

ZELI_FileSystem& ZELI_OS_PosixFileSystem() {
  static PosixFileSystem* posix = new PosixFileSystem;
  return *posix;
}

ZELI_FileSystem& ZELI_OS_FileSystem() { return *g_fileSystem; }

ZELI_FileSystem* ZELI_OS_SetFileSystem(ZELI_FileSystem* fs) {
  ZELI_FileSystem* previous = g_fileSystem;
  g_fileSystem = fs != nullptr ? fs : &ZELI_OS_PosixFileSystem();
  return previous;
}

int ZELI_OS_Open(const char* path, int mode, zel_bool_t truncate) {
  int flags = 0;
  switch (mode) {
    case ZELI_OS_READ_ONLY:
      flags = O_RDONLY;
      break;
    case ZELI_OS_WRITE_ONLY:
      flags = O_WRONLY | O_CREAT | (truncate ? O_TRUNC : 0);
      break;
    case ZELI_OS_READ_WRITE:
      flags = O_RDWR | O_CREAT | (truncate ? O_TRUNC : 0);
      break;
    default:
      throw ZELI_DiskIOException(EINVAL);
  }
  int fd;
  do {
    fd = ZELI_OS_FileSystem().Open(path, flags | O_CLOEXEC, S_IRUSR | S_IWUSR);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw ZELI_DiskIOException();
  return fd;
}

namespace {

// Reads until n bytes are in or the file ends, retrying interrupted and
// short transfers; readAt(buffer, count, bytes done so far) makes one call.
template <typename ReadCall>
unsigned ReadFully(void* p, unsigned n, ReadCall readAt) {
  unsigned done = 0;
  while (done < n) {
    const ssize_t got = readAt(static_cast<char*>(p) + done, n - done, done);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw ZELI_DiskIOException();
    }
    if (got == 0) break;
    done += static_cast<unsigned>(got);
  }
  return done;
}

}  // namespace

unsigned ZELI_OS_Read(int fd, void* p, unsigned n) {
  return ReadFully(p, n, [fd](char* to, unsigned count, unsigned) { return ZELI_OS_FileSystem().Read(fd, to, count); });
}

unsigned ZELI_OS_ReadAt(int fd, void* p, unsigned n, uint64_t offset) {
  if (offset > static_cast<uint64_t>(INT64_MAX) - n) throw ZELI_DiskIOException(EINVAL);
  return ReadFully(p, n, [fd, offset](char* to, unsigned count, unsigned done) {
    return ZELI_OS_FileSystem().ReadAt(fd, to, count, static_cast<off_t>(offset + done));
  });
}

void ZELI_OS_Write(int fd, const void* p, size_t n) {
  size_t done = 0;
  while (done < n) {
    const ssize_t put = ZELI_OS_FileSystem().Write(fd, static_cast<const char*>(p) + done, n - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      throw ZELI_DiskIOException();
    }
    // A write that stores nothing without an error would loop forever.
    if (put == 0) throw ZELI_DiskIOException(ENOSPC);
    done += static_cast<size_t>(put);
  }
}

void ZELI_OS_WriteAt(int fd, const struct iovec* pieces, unsigned count, uint64_t offset) {
  // A copy of the current group of pieces, so that a short write can resume
  // inside a piece without touching the caller's list.
  struct iovec group[ZELI_OS_MaxWritePieces];
  unsigned next = 0;  // first piece not yet in a group
  while (next < count) {
    const unsigned n = std::min(count - next, ZELI_OS_MaxWritePieces);
    uint64_t left = 0;
    for (unsigned i = 0; i < n; ++i) {
      group[i] = pieces[next + i];
      left += group[i].iov_len;
    }
    if (offset > static_cast<uint64_t>(INT64_MAX) - left) throw ZELI_DiskIOException(EINVAL);
    unsigned first = 0;  // first piece of the group with bytes left
    while (left > 0) {
      while (group[first].iov_len == 0) ++first;
      const ssize_t put =
          ZELI_OS_FileSystem().WriteAt(fd, group + first, static_cast<int>(n - first), static_cast<off_t>(offset));
      if (put < 0) {
        if (errno == EINTR) continue;
        throw ZELI_DiskIOException();
      }
      // A write that stores nothing without an error would loop forever.
      if (put == 0) throw ZELI_DiskIOException(ENOSPC);
      uint64_t done = static_cast<uint64_t>(put);
      offset += done;
      left -= done;
      for (unsigned i = first; i < n && done > 0; ++i) {
        const size_t step = static_cast<size_t>(std::min<uint64_t>(done, group[i].iov_len));
        group[i].iov_base = static_cast<char*>(group[i].iov_base) + step;
        group[i].iov_len -= step;
        done -= step;
      }
    }
    next += n;
  }
}

void ZELI_OS_Lseek(int fd, uint64_t position) {
  off_t result;
  if (position == ZELI_OS_SEEK_END) {
    result = ZELI_OS_FileSystem().Lseek(fd, 0, SEEK_END);
  } else {
    if (position > static_cast<uint64_t>(INT64_MAX)) throw ZELI_DiskIOException(EINVAL);
    result = ZELI_OS_FileSystem().Lseek(fd, static_cast<off_t>(position), SEEK_SET);
  }
  if (result < 0) throw ZELI_DiskIOException();
}

void ZELI_OS_Flush(int fd) {
  if (ZELI_OS_FileSystem().Fsync(fd) != 0) throw ZELI_DiskIOException();
}

void ZELI_OS_WriteOut(int fd) {
  if (ZELI_OS_FileSystem().WriteOut(fd) != 0) throw ZELI_DiskIOException();
}

void ZELI_OS_Close(int fd) {
  // The descriptor is released even when close reports an error; retrying
  // could close a descriptor another part of the process just opened.
  if (ZELI_OS_FileSystem().Close(fd) != 0 && errno != EINTR) throw ZELI_DiskIOException();
}

uint64_t ZELI_OS_FileSize(int fd) {
  struct stat st;
  if (ZELI_OS_FileSystem().Fstat(fd, &st) != 0) throw ZELI_DiskIOException();
  return static_cast<uint64_t>(st.st_size);
}

bool ZELI_OS_Access(const char* path, zel_bool_t forWriting) {
  return path != nullptr && ZELI_OS_FileSystem().Access(path, forWriting ? R_OK | W_OK : R_OK) == 0;
}

bool ZELI_OS_IsFile(const char* path) {
  struct stat st;
  return path != nullptr && ZELI_OS_FileSystem().Stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

bool ZELI_OS_IsDirectory(const char* path) {
  struct stat st;
  return path != nullptr && ZELI_OS_FileSystem().Stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ZELI_OS_DirectoryOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

bool ZELI_OS_Exists(const char* path) {
  struct stat st;
  return path != nullptr && ZELI_OS_FileSystem().Lstat(path, &st) == 0;
}

void ZELI_OS_Unlink(const char* path) {
  if (ZELI_OS_FileSystem().Unlink(path) != 0) throw ZELI_DiskIOException();
}

bool ZELI_OS_CreateExclusive(const char* path) {
  const int fd = ZELI_OS_FileSystem().Open(path, O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) {
    if (errno == EEXIST) return false;
    throw ZELI_DiskIOException();
  }
  ZELI_OS_Close(fd);
  return true;
}

void ZELI_OS_UnlinkIfPresent(const char* path) {
  if (ZELI_OS_Exists(path)) ZELI_OS_Unlink(path);
}

void ZELI_OS_UnlinkQuietly(const char* path) noexcept { ZELI_OS_FileSystem().Unlink(path); }

void ZELI_OS_Rename(const char* from, const char* to) {
  if (ZELI_OS_FileSystem().Rename(from, to) != 0) throw ZELI_DiskIOException();
}

void ZELI_OS_Mkdir(const char* path) {
  if (ZELI_OS_FileSystem().Mkdir(path, S_IRWXU | S_IRWXG | S_IRWXO) != 0) throw ZELI_DiskIOException();
}

std::vector<std::string> ZELI_OS_ListDirectory(const char* path) {
  std::vector<std::string> names;
  if (ZELI_OS_FileSystem().ListDirectory(path, names) != 0) throw ZELI_DiskIOException();
  return names;
}

int ZELI_OS_GetPid() { return static_cast<int>(::getpid()); }

void ZELI_OS_AdviseWillRead(int fd, uint64_t offset, uint64_t length) noexcept {
  if (length == 0 || offset > static_cast<uint64_t>(INT64_MAX) || length > static_cast<uint64_t>(INT64_MAX) - offset) {
    return;
  }
  const int saved = errno;
  ZELI_OS_FileSystem().Advise(fd, static_cast<off_t>(offset), static_cast<off_t>(length));
  errno = saved;
}

void ZELI_OS_StartWriteOut(int fd, uint64_t offset, uint64_t length) noexcept {
  if (offset > static_cast<uint64_t>(INT64_MAX) || length > static_cast<uint64_t>(INT64_MAX) - offset) return;
  const int saved = errno;
  ZELI_OS_FileSystem().StartWriteOut(fd, static_cast<off_t>(offset), static_cast<off_t>(length));
  errno = saved;
}

// ---- Directories -----------------------------------------------------------

namespace {

std::string JoinPath(const char* directory, const char* name) {
  std::string path(directory);
  path += '/';
  path += name;
  return path;
}

bool IsDotOrDotDot(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

// Removes path, a directory known (by lstat) to be one; entries are
// classified again by lstat, never by following a link.
void RemoveTree(const std::string& path) {
  ZELI_FileSystem& fs = ZELI_OS_FileSystem();
  std::vector<std::string> names;
  if (fs.ListDirectory(path.c_str(), names) != 0) throw ZELI_DiskIOException();
  for (const std::string& name : names) {
    const std::string entry = path + "/" + name;
    struct stat st;
    if (fs.Lstat(entry.c_str(), &st) != 0) {
      if (errno == ENOENT) continue;  // removed meanwhile
      throw ZELI_DiskIOException();
    }
    if (S_ISDIR(st.st_mode)) {
      RemoveTree(entry);
    } else if (fs.Unlink(entry.c_str()) != 0 && errno != ENOENT) {
      throw ZELI_DiskIOException();
    }
  }
  if (fs.Rmdir(path.c_str()) != 0) throw ZELI_DiskIOException();
}

}  // namespace

void ZELI_OS_Unlink(const char* directory, const char* name) {
  ZELI_OS_Unlink(JoinPath(directory, name).c_str());
}

void ZELI_OS_Rmdir(const char* path) {
  if (IsDotOrDotDot(path)) return;
  struct stat st;
  if (ZELI_OS_FileSystem().Lstat(path, &st) != 0) throw ZELI_DiskIOException();
  if (S_ISLNK(st.st_mode)) {
    ZELI_OS_Unlink(path);
    return;
  }
  if (!S_ISDIR(st.st_mode)) throw ZELI_DiskIOException(ENOTDIR);
  RemoveTree(path);
}

void ZELI_OS_Rmdir(const char* directory, const char* name) {
  if (IsDotOrDotDot(name)) return;
  ZELI_OS_Rmdir(JoinPath(directory, name).c_str());
}

// ---- File times ------------------------------------------------------------

bool ZELI_OS_ModificationTime(const char* path, int64_t& time) {
  struct stat st;
  if (path == nullptr || ZELI_OS_FileSystem().Stat(path, &st) != 0) return false;
  time = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + static_cast<int64_t>(st.st_mtim.tv_nsec);
  return true;
}

// ---- Advisory locks ----------------------------------------------------------

int ZELI_OS_LockFile(const char* path) {
  ZELI_FileSystem& fs = ZELI_OS_FileSystem();
  // Each round loses only to a holder that removed the file; a bound keeps a
  // file system that never settles from spinning forever.
  for (int round = 0; round < 1000; ++round) {
    const int fd = ZELI_OS_Open(path, ZELI_OS_READ_WRITE, 0);
    int result;
    do {
      result = fs.Flock(fd, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
      const int error = errno;
      fs.Close(fd);
      throw ZELI_DiskIOException(error);
    }
    struct stat held;
    struct stat named;
    if (fs.Fstat(fd, &held) != 0) {
      const int error = errno;
      fs.Close(fd);
      throw ZELI_DiskIOException(error);
    }
    if (fs.Stat(path, &named) == 0) {
      if (named.st_dev == held.st_dev && named.st_ino == held.st_ino) return fd;
    } else if (errno != ENOENT) {
      const int error = errno;
      fs.Close(fd);
      throw ZELI_DiskIOException(error);
    }
    fs.Close(fd);  // the file was removed or replaced while we waited
  }
  throw ZELI_DiskIOException(EAGAIN);
}

void ZELI_OS_UnlockFile(int fd) noexcept {
  if (fd < 0) return;
  ZELI_OS_FileSystem().Flock(fd, LOCK_UN);
  ZELI_OS_FileSystem().Close(fd);
}
