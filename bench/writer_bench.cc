// Array writing through the public C interface against plain fwrite.
//
// Workloads (run interleaved, --repetitions times each; medians reported):
//   Library  ZEL_CreateContainer (disk), a real type, time and voltage
//            descriptors, a waveform set and its segment, W waveforms, one
//            analog writer with a data writer per waveform, array writing:
//            ZEL_AppendXArray with the N time values, then
//            ZEL_WfDataWriterAppendArrays with the N values of each
//            waveform, ZEL_TerminateWriting, ZEL_CommitWaveformData,
//            ZEL_CloseContainer
//   Fwrite   the same doubles with fwrite into one file, point by point:
//            the time, then one double per waveform; then fclose
//   Fixed    the library run with one waveform of one point: its fixed cost
//            (creating, committing and closing a container), which does
//            not depend on W and N
// Each runs without and with a sync before the clock stops. The library's
// ZEL_CommitWaveformData and ZEL_CloseContainer make what they publish
// durable themselves (the data file included), so its run waits for the
// disk in both modes; with the sync it ends, like the others, by fdatasync
// of every file of the container after ZEL_CloseContainer (which then finds
// little to do). The fwrite run ends by fflush and fdatasync before fclose. Every run starts after
// sync() so that none pays for the write-back of another; files are removed
// between runs, outside the clock.
//
// Reported per size: wall time, Y values per second (W*N per run), bytes
// per second ((W+1)*N doubles per run, what both write), the time ratio
// library/this, and the CPU time (user + system) of the run's process, which
// a machine shared with other work disturbs less than the wall time. When the program is built with HDF5 (libhdf5-dev
// installed), more workloads write the same values into one chunked 2-D
// dataset (W rows of N values, one hyperslab write per waveform, plus a 1-D
// dataset of the N times), one per chunking tried: "hdf5-row" one chunk row
// per waveform (1 x min(N, 16384) values), "hdf5-blk" blocks of 16 x
// min(N, 4096) values and "hdf5-rows" whole rows about 512 KiB at a time
// (max(1, 65536 / N) x N values, so that a chunk fits HDF5's default 1 MiB
// chunk cache while the rows of one chunk are written); with the sync, the
// file is flushed and fdatasync'ed. Each sync mode then ends with the ratio
// of the library to the fastest HDF5 chunking of that run, and the same
// with the library's fixed cost (the median of "lib-fixed") taken out of
// its time first. Without HDF5 the run says so.
//
// Flags:
//   --waveforms=W     waveforms (default 1000)
//   --points=N        points per waveform (default 20000)
//   --sizes=WxN,...   several sizes in one run, each measured as above (for
//                     example 1000x30000,10000x3000,100000x300); overrides
//                     --waveforms and --points
//   --only=NAME,...   run only these workloads (library, fwrite, lib-fixed,
//                     hdf5-row, hdf5-blk, hdf5-rows), e.g. to profile one
//   --repetitions=R   runs of each workload, at least 1 (default 5)
//   --dir=PATH        directory for the temporary files (default $TMPDIR or /tmp)
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "zel/zel.h"

#ifdef ZEL_BENCH_HAVE_HDF5
#include <hdf5.h>
#endif

namespace {

namespace fs = std::filesystem;
using zelbench::Fail;
using zelbench::Median;
using zelbench::SyncFile;
using zelbench::SyncTree;

unsigned g_waveforms = 1000;
unsigned g_points = 20000;
std::vector<double> g_x;        // N time values
std::vector<double> g_byWave;   // W rows of N values (library layout)
std::vector<double> g_byPoint;  // N rows of time + W values (fwrite layout)

bool RunLibrary(const fs::path& dir, bool sync) {
  const std::string name = (dir / "run").string();
  zelbench::TranContainer tran;
  if (!zelbench::CreateTranContainer(name, tran)) return false;
  zel_status_t st = ZEL_OK;
  const auto [s, c, real, time, volt, set, segment] = tran;
  std::vector<zel_waveform_t> waves(g_waveforms);
  for (auto& w : waves) ZCHECK(w = ZEL_CreateWaveform(s, set, 0, volt, &st));
  zel_writer_t writer{};
  ZCHECK(writer = ZEL_CreateWriter(s, segment, 0, ZEL_STORAGE_ANALOG, &st));
  std::vector<ZEL_WfDataWriter*> data(g_waveforms);
  for (unsigned i = 0; i < g_waveforms; ++i) ZCHECK(data[i] = ZEL_AddWriterWaveform(s, writer, waves[i], &st));
  ZCHECK(ZEL_InitializeArrayWriting(s, writer, &st));
  ZCHECK(ZEL_AppendXArray(s, writer, g_points, g_x.data(), &st));
  for (unsigned i = 0; i < g_waveforms; ++i) {
    const double* values = g_byWave.data() + static_cast<size_t>(i) * g_points;
    ZCHECK(ZEL_WfDataWriterAppendArrays(data[i], g_points, values, nullptr, nullptr, &st));
  }
  ZCHECK(ZEL_TerminateWriting(s, writer, &st));
  ZCHECK(ZEL_CommitWaveformData(s, segment, 0, &st));
  ZCHECK(ZEL_CloseContainer(s, c, &st));
  ZCHECK(ZEL_TermSession(s, &st));
  if (sync && !SyncTree(dir)) {
    std::fprintf(stderr, "fdatasync of the container failed\n");
    return false;
  }
  return true;
}

bool RunFwrite(const fs::path& dir, bool sync) {
  const std::string name = (dir / "plain.data").string();
  FILE* f = std::fopen(name.c_str(), "wb");
  if (f == nullptr) return false;
  const size_t row = g_waveforms + 1;
  bool ok = true;
  for (unsigned p = 0; p < g_points && ok; ++p) {
    const double* r = g_byPoint.data() + p * row;
    for (size_t k = 0; k < row; ++k) ok = std::fwrite(r + k, sizeof(double), 1, f) == 1;
  }
  if (ok && sync) ok = std::fflush(f) == 0 && ::fdatasync(::fileno(f)) == 0;
  return std::fclose(f) == 0 && ok;
}

#ifdef ZEL_BENCH_HAVE_HDF5
// The values as one chunked dataset of W rows x N columns.
bool RunHdf5(const fs::path& dir, bool sync, hsize_t chunkRows, hsize_t chunkColumns) {
  const std::string name = (dir / "data.h5").string();
  const hid_t file = H5Fcreate(name.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
  if (file < 0) return false;
  bool ok = true;
  const hsize_t xDims[1] = {g_points};
  const hid_t xSpace = H5Screate_simple(1, xDims, nullptr);
  const hid_t xSet = H5Dcreate2(file, "time", H5T_NATIVE_DOUBLE, xSpace, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
  ok = ok && H5Dwrite(xSet, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, g_x.data()) >= 0;
  H5Dclose(xSet);
  H5Sclose(xSpace);

  const hsize_t dims[2] = {g_waveforms, g_points};
  const hsize_t chunk[2] = {std::min<hsize_t>(chunkRows, g_waveforms), std::min<hsize_t>(chunkColumns, g_points)};
  const hid_t space = H5Screate_simple(2, dims, nullptr);
  const hid_t properties = H5Pcreate(H5P_DATASET_CREATE);
  H5Pset_chunk(properties, 2, chunk);
  const hid_t set = H5Dcreate2(file, "voltage", H5T_NATIVE_DOUBLE, space, H5P_DEFAULT, properties, H5P_DEFAULT);
  const hsize_t row[2] = {1, g_points};
  const hid_t memory = H5Screate_simple(2, row, nullptr);
  for (unsigned w = 0; w < g_waveforms && ok; ++w) {
    const hsize_t start[2] = {w, 0};
    ok = H5Sselect_hyperslab(space, H5S_SELECT_SET, start, nullptr, row, nullptr) >= 0 &&
         H5Dwrite(set, H5T_NATIVE_DOUBLE, memory, space, H5P_DEFAULT,
                  g_byWave.data() + static_cast<size_t>(w) * g_points) >= 0;
  }
  H5Sclose(memory);
  H5Dclose(set);
  H5Pclose(properties);
  H5Sclose(space);
  if (ok && sync) ok = H5Fflush(file, H5F_SCOPE_GLOBAL) >= 0;
  ok = H5Fclose(file) >= 0 && ok;
  if (ok && sync) {
    const int fd = ::open(name.c_str(), O_RDONLY);
    ok = fd >= 0 && ::fdatasync(fd) == 0;
    if (fd >= 0) ::close(fd);
  }
  return ok;
}
#endif


struct Size {
  unsigned waveforms;
  unsigned points;
};

struct Workload {
  const char* name;
  bool (*run)(const fs::path&, bool);
  bool hdf5;
};

// The library with one waveform of one point (the values are the first of
// the current size's).
bool RunLibraryFixed(const fs::path& dir, bool sync) {
  const unsigned waveforms = g_waveforms;
  const unsigned points = g_points;
  g_waveforms = 1;
  g_points = 1;
  const bool ok = RunLibrary(dir, sync);
  g_waveforms = waveforms;
  g_points = points;
  return ok;
}

std::vector<Workload> AllWorkloads() {
  std::vector<Workload> all = {
      {"library", RunLibrary, false}, {"fwrite", RunFwrite, false}, {"lib-fixed", RunLibraryFixed, false}};
#ifdef ZEL_BENCH_HAVE_HDF5
  all.push_back({"hdf5-row", [](const fs::path& d, bool sync) { return RunHdf5(d, sync, 1, 16384); }, true});
  all.push_back({"hdf5-blk", [](const fs::path& d, bool sync) { return RunHdf5(d, sync, 16, 4096); }, true});
  all.push_back({"hdf5-rows",
                 [](const fs::path& d, bool sync) {
                   return RunHdf5(d, sync, std::max<hsize_t>(1, 65536 / g_points), g_points);
                 },
                 true});
#endif
  return all;
}

// Fills the values of one size: the same doubles in both layouts.
void MakeValues() {
  g_x.assign(g_points, 0);
  g_byWave.assign(static_cast<size_t>(g_waveforms) * g_points, 0);
  g_byPoint.assign(static_cast<size_t>(g_waveforms + 1) * g_points, 0);
  for (unsigned p = 0; p < g_points; ++p) {
    g_x[p] = p * 1e-9;
    g_byPoint[static_cast<size_t>(p) * (g_waveforms + 1)] = g_x[p];
  }
  for (unsigned w = 0; w < g_waveforms; ++w) {
    for (unsigned p = 0; p < g_points; ++p) {
      const double v = std::sin(p * 1e-3 * (w + 1)) + w;
      g_byWave[static_cast<size_t>(w) * g_points + p] = v;
      g_byPoint[static_cast<size_t>(p) * (g_waveforms + 1) + 1 + w] = v;
    }
  }
}

// User plus system time of this process so far, in seconds.
double CpuSeconds() {
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs every workload of one size, interleaved; false when a run failed.
bool MeasureSize(const fs::path& root, const std::vector<Workload>& workloads, int repetitions) {
  MakeValues();
  // times[sync][workload], cpu[sync][workload]
  std::vector<std::vector<double>> times[2], cpu[2];
  for (int sync = 0; sync < 2; ++sync) {
    times[sync].resize(workloads.size());
    cpu[sync].resize(workloads.size());
  }
  for (int r = 0; r < repetitions; ++r) {
    for (int sync = 0; sync < 2; ++sync) {
      for (size_t w = 0; w < workloads.size(); ++w) {
        const fs::path dir = root / ("run_" + std::to_string(r) + "_" + workloads[w].name + (sync ? "_sync" : ""));
        fs::create_directories(dir);
        ::sync();
        const double cpuStart = CpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        const bool ok = workloads[w].run(dir, sync != 0);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu[sync][w].push_back(CpuSeconds() - cpuStart);
        fs::remove_all(dir);
        if (!ok) {
          std::fprintf(stderr, "%s run failed\n", workloads[w].name);
          return false;
        }
        times[sync][w].push_back(seconds);
      }
    }
  }

  const double values = static_cast<double>(g_waveforms) * g_points;
  const double bytes = static_cast<double>(g_waveforms + 1) * g_points * sizeof(double);
  std::printf("\nW=%u waveforms x N=%u points, %d interleaved repetitions, medians\n", g_waveforms, g_points,
              repetitions);
  std::printf("%-8s %-9s %10s %14s %12s %16s %10s\n", "sync", "writer", "time ms", "values/s", "MB/s", "library/this",
              "cpu ms");
  for (int sync = 0; sync < 2; ++sync) {
    const bool haveLibrary = workloads[0].run == RunLibrary;
    const double library = haveLibrary ? Median(times[sync][0]) : 0;
    const double libraryCpu = haveLibrary ? Median(cpu[sync][0]) : 0;
    double bestHdf5 = 0;
    double bestHdf5Cpu = 0;
    double fixed = 0;
    const char* bestName = nullptr;
    for (size_t w = 0; w < workloads.size(); ++w) {
      const double t = Median(times[sync][w]);
      const double c = Median(cpu[sync][w]);
      if (workloads[w].run == RunLibraryFixed) fixed = t;
      if (workloads[w].hdf5 && (bestName == nullptr || t < bestHdf5)) {
        bestHdf5 = t;
        bestName = workloads[w].name;
      }
      if (workloads[w].hdf5 && (bestHdf5Cpu == 0 || c < bestHdf5Cpu)) bestHdf5Cpu = c;
      std::printf("%-8s %-9s %10.1f %14.3e %12.1f %16.3f %10.1f\n", sync ? "yes" : "no", workloads[w].name, t * 1e3,
                  values / t, bytes / t / 1e6, library / t, c * 1e3);
    }
    if (haveLibrary && bestName != nullptr) {
      std::printf("%-8s library / best HDF5 (%s): %.3f", sync ? "yes" : "no", bestName, library / bestHdf5);
      if (fixed > 0) std::printf("; less the library's fixed cost: %.3f", (library - fixed) / bestHdf5);
      std::printf("; CPU time, library / least of HDF5: %.3f\n", libraryCpu / bestHdf5Cpu);
    }
  }
  return true;
}

bool ParseSizes(const std::string& text, std::vector<Size>& sizes) {
  sizes.clear();
  size_t at = 0;
  while (at <= text.size()) {
    const size_t comma = std::min(text.find(',', at), text.size());
    const std::string item = text.substr(at, comma - at);
    char* end = nullptr;
    const unsigned long w = std::strtoul(item.c_str(), &end, 10);
    if (end == item.c_str() || *end != 'x') return false;
    const char* rest = end + 1;
    const unsigned long n = std::strtoul(rest, &end, 10);
    if (end == rest || *end != '\0' || w == 0 || n == 0 || w > 10000000 || n > 100000000) return false;
    sizes.push_back({static_cast<unsigned>(w), static_cast<unsigned>(n)});
    at = comma + 1;
  }
  return !sizes.empty();
}

}  // namespace

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp != nullptr ? tmp : "/tmp";
  int repetitions = 5;
  std::vector<Size> sizes;
  std::string only;
  for (int i = 1; i < argc; ++i) {
    std::string value;
    if (zelbench::ParseFlag(argv[i], "--waveforms", value)) {
      g_waveforms = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (zelbench::ParseFlag(argv[i], "--points", value)) {
      g_points = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (zelbench::ParseFlag(argv[i], "--sizes", value)) {
      if (!ParseSizes(value, sizes)) {
        std::fprintf(stderr, "--sizes wants WxN[,WxN...], e.g. 1000x30000,10000x3000\n");
        return 2;
      }
    } else if (zelbench::ParseFlag(argv[i], "--only", value)) {
      only = "," + value + ",";
    } else if (zelbench::ParseFlag(argv[i], "--repetitions", value)) {
      repetitions = std::max(1, std::atoi(value.c_str()));
    } else if (zelbench::ParseFlag(argv[i], "--dir", value)) {
      base = value;
    } else {
      std::fprintf(stderr, "unknown flag %s (see the top of bench/writer_bench.cc)\n", argv[i]);
      return 2;
    }
  }
  if (sizes.empty()) {
    if (g_waveforms == 0 || g_points == 0) {
      std::fprintf(stderr, "--waveforms and --points must be at least 1\n");
      return 2;
    }
    sizes.push_back({g_waveforms, g_points});
  }
  std::vector<Workload> workloads;
  for (const Workload& w : AllWorkloads()) {
    if (only.empty() || only.find("," + std::string(w.name) + ",") != std::string::npos) workloads.push_back(w);
  }
  if (workloads.empty()) {
    std::fprintf(stderr, "--only names no workload of this build\n");
    return 2;
  }

  fs::path root;
  if (!zelbench::MakeScratchDirectory(base, "zel_writer_bench_", root)) return 1;
#ifdef ZEL_BENCH_HAVE_HDF5
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
#endif
  bool ok = true;
  for (const Size& size : sizes) {
    g_waveforms = size.waveforms;
    g_points = size.points;
    ok = MeasureSize(root, workloads, repetitions);
    if (!ok) break;
  }
  fs::remove_all(root);
#ifndef ZEL_BENCH_HAVE_HDF5
  std::printf("HDF5: skipped (built without libhdf5-dev)\n");
#endif
  return ok ? 0 : 1;
}
