// Helpers shared by the writer benchmarks: failure reports, syncing the
// files a run wrote, and medians.
#ifndef ZEL_BENCH_BENCH_SUPPORT_H
#define ZEL_BENCH_BENCH_SUPPORT_H

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
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

// fdatasync of one file.
inline bool SyncFile(const std::string& name) {
  const int fd = ::open(name.c_str(), O_RDONLY);
  if (fd < 0) return false;
  const int rc = ::fdatasync(fd);
  ::close(fd);
  return rc == 0;
}

// fdatasync of every regular file below dir.
inline bool SyncTree(const std::filesystem::path& dir) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file() && !SyncFile(entry.path().string())) return false;
  }
  return true;
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace zelbench

#endif  // ZEL_BENCH_BENCH_SUPPORT_H
