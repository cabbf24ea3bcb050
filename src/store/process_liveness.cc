// Process liveness from the kernel: signal 0 for existence, /proc for the
// state and start time, statfs for the kind of file system.
#include "store/process_liveness.h"

#include <signal.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// Magic numbers of statfs' f_type for local file systems.
constexpr long LocalFileSystems[] = {
    0xEF53,      // ext2, ext3, ext4
    0x58465342,  // XFS
    0x9123683E,  // Btrfs
    0x01021994,  // tmpfs
    0x794C7630,  // overlay
    0xF2F52010,  // F2FS
    0x2FC12FC1,  // ZFS
    static_cast<long>(0x858458F6),  // ramfs
};

// The boot time in seconds since the epoch (rounded down), or -1.
int64_t BootTime() {
  std::ifstream in("/proc/stat");
  std::string key;
  while (in >> key) {
    if (key == "btime") {
      int64_t seconds = -1;
      in >> seconds;
      return seconds;
    }
    in.ignore(1 << 20, '\n');
  }
  return -1;
}

// The state letter and start time (clock ticks after boot) of pid from
// /proc/PID/stat; false when it cannot be read.
bool ReadProcessStat(int pid, char& state, uint64_t& startTicks) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return false;
  // The command name (field 2) is in parentheses and may hold anything,
  // spaces and parentheses included: fields resume after the last ')'.
  const size_t close = line.rfind(')');
  if (close == std::string::npos) return false;
  std::istringstream fields(line.substr(close + 1));
  fields >> state;
  // Fields 4 to 21 come before the start time (field 22).
  std::string skipped;
  for (int field = 4; field <= 21; ++field) fields >> skipped;
  fields >> startTicks;
  return !fields.fail();
}

}  // namespace

bool ZELI_OS_IsLocalFileSystem(const char* path) noexcept {
  struct statfs info;
  if (path == nullptr || ::statfs(path, &info) != 0) return false;
  for (long kind : LocalFileSystems) {
    if (static_cast<long>(info.f_type) == kind) return true;
  }
  return false;
}

bool ZELI_OS_ProcessHasEnded(int pid, int64_t registeredBy) noexcept {
  if (pid < 1 || pid == static_cast<int>(::getpid())) return false;
  const int saved = errno;
  const bool exists = ::kill(pid, 0) == 0 || errno == EPERM;
  errno = saved;
  if (!exists) return true;
  try {
    char state = 0;
    uint64_t startTicks = 0;
    if (!ReadProcessStat(pid, state, startTicks)) return false;
    if (state == 'Z' || state == 'X') return true;
    const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    const int64_t boot = BootTime();
    if (ticksPerSecond <= 0 || boot < 0) return false;
    // The boot time is rounded down, so the start computed here is never
    // later than the real one; one second covers the coarse clock of file
    // times.
    const int64_t started = boot + static_cast<int64_t>(startTicks / static_cast<uint64_t>(ticksPerSecond));
    return started > registeredBy / 1000000000 + 1;
  } catch (...) {
    return false;
  }
}
