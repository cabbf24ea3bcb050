// Helpers shared by the benchmark programs: failure reports, flags, medians,
// syncing the files a run wrote and dropping files from the page cache.
#ifndef ZEL_BENCH_BENCH_SUPPORT_H
#define ZEL_BENCH_BENCH_SUPPORT_H

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "zel/zel.h"

namespace zelbench {

inline bool Fail(const char* what, zel_status_t st) {
  std::fprintf(stderr, "%s failed (%d): %s\n", what, static_cast<int>(st), ZEL_GetError());
  return false;
}

// Runs a library call that sets `st`; returns false from the caller when it
// failed.
#define ZCHECK(call)                                    \
  do {                                                  \
    call;                                               \
    if (st != ZEL_OK) return zelbench::Fail(#call, st); \
  } while (0)

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// "--name=value": true and the value when arg is that flag.
inline bool ParseFlag(const char* arg, const char* name, std::string& value) {
  const size_t n = std::strlen(name);
  if (std::strncmp(arg, name, n) != 0 || arg[n] != '=') return false;
  value = arg + n + 1;
  return true;
}

// Applies f(fd) to one file; false when it cannot be opened or f fails.
template <typename F>
bool OnFile(const std::filesystem::path& file, F&& f) {
  const int fd = ::open(file.c_str(), O_RDONLY);
  if (fd < 0) return false;
  const bool ok = f(fd);
  ::close(fd);
  return ok;
}

// Applies f(fd) to every regular file at or below path.
template <typename F>
bool ForEachFile(const std::filesystem::path& path, F&& f) {
  if (std::filesystem::is_regular_file(path)) return OnFile(path, f);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
    if (entry.is_regular_file() && !OnFile(entry.path(), f)) return false;
  }
  return true;
}

// fdatasync of one file.
inline bool SyncFile(const std::string& name) {
  return OnFile(name, [](int fd) { return ::fdatasync(fd) == 0; });
}

// fdatasync of every regular file at or below path.
inline bool SyncTree(const std::filesystem::path& path) {
  return ForEachFile(path, [](int fd) { return ::fdatasync(fd) == 0; });
}

// Drops the (clean) pages of every file at or below path from the page
// cache, so that the next read comes from the disk.
inline bool DropFromCache(const std::filesystem::path& path) {
  return ForEachFile(path, [](int fd) { return ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0; });
}

}  // namespace zelbench

#endif  // ZEL_BENCH_BENCH_SUPPORT_H
