// Helpers shared by the benchmark programs: failure reports, flags, medians,
// syncing the files a run wrote and dropping files from the page cache.
#ifndef ZEL_BENCH_BENCH_SUPPORT_H
#define ZEL_BENCH_BENCH_SUPPORT_H

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "store/os_file.h"
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

// A new disk container in a new session with what every benchmark's
// waveforms need: a real type, the descriptors "time" (s) and "v" (V) over
// it, and a waveform set "tran" over time with its one segment.
struct TranContainer {
  zel_session_t session{};
  zel_container_t container{};
  zel_type_t real{};
  zel_dimensionDescriptor_t time{}, volt{};
  zel_waveformSet_t set{};
  zel_segment_t segment{};
};

inline bool CreateTranContainer(const std::string& name, TranContainer& t) {
  zel_status_t st = ZEL_OK;
  t.session = ZEL_InitSession(&st);
  if (st != ZEL_OK) return Fail("ZEL_InitSession", st);
  zel_session_t s = t.session;
  ZCHECK(t.container = ZEL_CreateContainer(s, name.c_str(), ZEL_MODE_DISK, &st));
  ZCHECK(t.real = ZEL_CreateBuiltinType(s, t.container, "real", ZEL_REAL, &st));
  ZCHECK(t.time = ZEL_CreateDimensionDescriptor(s, t.container, "time", "s", t.real, &st));
  ZCHECK(t.volt = ZEL_CreateDimensionDescriptor(s, t.container, "v", "V", t.real, &st));
  ZCHECK(t.set = ZEL_CreateWaveformSet(s, t.container, "tran", t.time, 0, nullptr, &st));
  ZCHECK(t.segment = ZEL_CreateSegment(s, t.set, 0, nullptr, &st));
  return true;
}

// Ends a run of the simulation result writer: terminates its writing,
// commits data store 0 of the segment, closes the container and ends the
// session.
inline bool FinishSimRun(zel_session_t s, zel_container_t c, zel_segment_t segment, zel_simResultWriter_t writer) {
  zel_status_t st = ZEL_OK;
  ZCHECK(ZEL_SimTerminateWriting(s, writer, &st));
  ZCHECK(ZEL_CommitWaveformData(s, segment, 0, &st));
  ZCHECK(ZEL_CloseContainer(s, c, &st));
  ZCHECK(ZEL_TermSession(s, &st));
  return true;
}

// Makes a fresh directory base + "/" + prefix + "XXXXXX" (mkdtemp); false
// with the reason printed when it cannot. Prints how the library makes
// files durable there, which decides what its commits, creates and
// read-only opens wait for: figures from the two kinds of file system do
// not compare.
inline bool MakeScratchDirectory(const std::string& base, const char* prefix, std::filesystem::path& made) {
  std::string pattern = base + "/" + prefix + "XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return false;
  }
  made = pattern;
  const bool ordered = ZELI_OS_PosixFileSystem().RenameFollowsData(pattern.c_str());
  std::printf("files in %s: %s\n", pattern.c_str(),
              ordered ? "renames follow data (a journalled ext3/ext4, or tmpfs): one sync per operation"
                      : "every replaced file and its directory synced (no journal, or a file system not "
                        "known to order renames)");
  return true;
}

// A container of `waveforms` analog waveforms of doubles named top/w<k>, one
// waveform set "tran" with one segment, written cycle by cycle through the
// simulation result writer (one analog subset): at cycle p the time is
// p * 1e-9 s and waveform k's value value(p, k). With `linear` the subset's
// interpolation is linear.
template <typename Value>
bool WriteAnalogSimContainer(const std::string& name, unsigned waveforms, unsigned points, Value value,
                             bool linear) {
  TranContainer tran;
  if (!CreateTranContainer(name, tran)) return false;
  zel_status_t st = ZEL_OK;
  const auto [s, c, real, time, volt, set, segment] = tran;
  zel_hierarchyNode_t root{};
  ZCHECK(root = ZEL_GetNameHierarchyRootNode(s, set, &st));
  zel_simResultWriter_t writer{};
  ZCHECK(writer = ZEL_CreateSimResultWriter(s, segment, 0, &st));
  zel_simResultSubset_t analog{};
  ZCHECK(analog = ZEL_CreateSimResultSubset(s, writer, ZEL_STORAGE_ANALOG, &st));
  std::vector<ZEL_SimWfDataWriter*> data(waveforms);
  for (unsigned k = 0; k < waveforms; ++k) {
    zel_waveform_t w{};
    ZCHECK(w = ZEL_CreateWaveform(s, set, 0, volt, &st));
    const std::string path = "top/w" + std::to_string(k);
    ZCHECK(ZEL_AddHierarchyScalarWf(s, root, path.c_str(), ZEL_HDL_SLASH, w, &st));
    ZCHECK(ZEL_AddSimResultWaveform(s, analog, w, &st));
    ZCHECK(data[k] = ZEL_GetSimWfDataWriter_p(s, analog, k, &st));
  }
  if (linear) ZCHECK(ZEL_SetSimInterpolationType(s, analog, ZEL_INTERPOLATION_LINEAR, &st));
  ZCHECK(ZEL_SimInitializeWriting(s, writer, &st));
  for (unsigned p = 0; p < points; ++p) {
    const double t = p * 1e-9;
    ZCHECK(ZEL_SimStartCycle(s, writer, &t, &st));
    ZCHECK(ZEL_SimStartDataFront(s, analog, 0, &st));
    for (unsigned k = 0; k < waveforms; ++k) {
      const double v = value(p, k);
      ZCHECK(ZEL_SimWfDataWriterEnterValue(data[k], &v, &st));
    }
    ZCHECK(ZEL_SimEndDataFront(s, analog, &st));
    ZCHECK(ZEL_SimEndCycle(s, writer, &st));
  }
  return FinishSimRun(s, c, segment, writer);
}

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

// Parses a comma-separated list of counts ("1000,10000"); false (counts
// then empty) when an item is not a number or a count is 0.
inline bool ParseCountList(const std::string& text, std::vector<unsigned>& counts) {
  counts.clear();
  for (const char* p = text.c_str(); *p != '\0';) {
    char* end = nullptr;
    const unsigned long count = std::strtoul(p, &end, 10);
    if (end == p || count == 0 || (*end != ',' && *end != '\0')) {
      counts.clear();
      return false;
    }
    counts.push_back(static_cast<unsigned>(count));
    p = *end == ',' ? end + 1 : end;
  }
  return !counts.empty();
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
