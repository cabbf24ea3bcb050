// Opening and closing a container read-only, and the fixed cost of a small
// container, against HDF5 in the same run.
//
// Data (one container per count A): A analog waveforms of doubles with
// --points points each (default 4), in one waveform set with one segment,
// each named in the hierarchy as top/w<k>, written cycle by cycle through
// the simulation result writer (one analog subset; a real type, time and
// voltage descriptors), as a simulator stores its results. The HDF5 peer of the same
// content is one file with a 1-D dataset "time" and a group "top" holding
// one contiguous 1-D dataset w<k> of the points per waveform (the layout a
// user who names each signal would pick; the file sizes are printed).
//
// Workloads, for each A (run interleaved, --repetitions times; medians):
//   library   ZEL_InitSession, ZEL_OpenContainer (ZEL_IOMODE_READ),
//             ZEL_CloseContainer, ZEL_TermSession
//   hdf5      H5Fopen (H5F_ACC_RDONLY), H5Fclose
// and the library's open split into its parts, each timed alone on a
// container object of the same version (internal calls, the version table
// left out):
//   structure  ZELI_Container::ReadStructure: the structure file read and
//              decoded into objects
//   stores     ZELI_Container::ReadDataStores: every segment's data stores
//   teardown   destroying the container object (every object decoded)
// "rest" is the library's open + close minus these three: the session, the
// version table (registration at open, its release at close), the handle.
//
// Fixed cost of a small container (run interleaved with the same medians):
//   library   ZEL_InitSession, ZEL_CreateContainer (disk), a real type, two
//             descriptors, a waveform set, a segment, one waveform of
//             --points values through the array writer,
//             ZEL_CommitWaveformData, ZEL_CloseContainer, ZEL_TermSession.
//             The library makes it durable itself: its commits sync the
//             files they publish.
//   lib-close the same without ZEL_CommitWaveformData: ZEL_CloseContainer
//             writes what is modified, as durably (one durable step fewer).
//   hdf5      H5Fcreate, a "time" and a "w" dataset of --points doubles
//             written, H5Fflush, H5Fclose, then fdatasync of the file and
//             fsync of its directory (so that the new file's name is durable
//             too, as the library's renames are).
// The container or file is deleted between runs, outside the clock.
//
// The heap of the measuring process. By default the containers and HDF5
// files are written by this very process before the runs, and what writing
// left in the heap (many freed small blocks) slows every later malloc and
// free, the library's and HDF5's alike. With --write-apart a forked child
// writes them, so that the runs start from a heap as a reading tool's would
// be (the runs' own allocations still accumulate).
//
// Flags:
//   --waveforms=A[,A...]  counts (default 1000,10000,100000)
//   --points=N            points per waveform (default 4)
//   --repetitions=R       interleaved runs of each workload (default 15)
//   --dir=PATH            directory for the files (default $TMPDIR or /tmp)
//   --keep                leave the files there (the path is printed)
//   --write-apart         write the files in a child process (see above)
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "model/container.h"
#include "zel/zel.h"

#ifdef ZEL_BENCH_HAVE_HDF5
#include <hdf5.h>
#endif

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using zelbench::Fail;
using zelbench::Median;

unsigned g_points = 4;
bool g_writeApart = false;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double Value(unsigned point, unsigned wave) { return point * 0.5 + wave; }

// Runs write here, or with --write-apart in a forked child (its exit status
// carries the result).
bool Writing(const std::function<bool()>& write) {
  if (!g_writeApart) return write();
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) ::_exit(write() ? 0 : 1);
  int status = 0;
  return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

uint64_t TreeBytes(const fs::path& path) {
  uint64_t bytes = 0;
  if (!fs::exists(path)) return 0;
  if (fs::is_regular_file(path)) return fs::file_size(path);
  for (const auto& entry : fs::recursive_directory_iterator(path)) {
    if (entry.is_regular_file()) bytes += entry.file_size();
  }
  return bytes;
}

// The reference file and the directory of versions.
uint64_t ContainerBytes(const std::string& name) { return TreeBytes(name + ".qo_zel") + TreeBytes(name + "_zel"); }

// A container of `waveforms` analog waveforms named top/w<k> (see the top).
bool WriteContainer(const std::string& name, unsigned waveforms) {
  return zelbench::WriteAnalogSimContainer(name, waveforms, g_points, Value, false);
}

bool OpenCloseLibrary(const std::string& name) {
  zel_status_t st = ZEL_OK;
  zel_session_t s = ZEL_InitSession(&st);
  if (st != ZEL_OK) return Fail("ZEL_InitSession", st);
  zel_container_t c{};
  ZCHECK(c = ZEL_OpenContainer(s, name.c_str(), ZEL_IOMODE_READ, &st));
  ZCHECK(ZEL_CloseContainer(s, c, &st));
  ZCHECK(ZEL_TermSession(s, &st));
  return true;
}

// The parts of the open, each timed alone (see the top); adds to the three
// sample lists.
bool OpenParts(const std::string& name, int version, std::vector<double>* structure, std::vector<double>* stores,
               std::vector<double>* teardown) {
  try {
    auto container = std::make_unique<ZELI_Container>(name.c_str(), ZEL_IOMODE_READ, ZEL_MODE_DISK);
    container->Set_VersionNumber(version);
    Clock::time_point start = Clock::now();
    container->ReadStructure();
    structure->push_back(Seconds(start));
    start = Clock::now();
    container->ReadDataStores();
    stores->push_back(Seconds(start));
    start = Clock::now();
    container.reset();
    teardown->push_back(Seconds(start));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "open parts failed: %s\n", e.what());
    return false;
  }
  return true;
}

// The version a read-only open registers for (the newest).
int OpenedVersion(const std::string& name) {
  try {
    auto container = ZELI_Container::Open(name.c_str(), ZEL_IOMODE_READ, 0, nullptr);
    const int version = container->Get_VersionNumber();
    container->Close();
    return version;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "open failed: %s\n", e.what());
    return -1;
  }
}

// With commit: the waveform committed, then the container closed.
bool CreateSmallLibraryCommitted(const std::string& name, bool commit);

bool CreateSmallLibrary(const std::string& name) { return CreateSmallLibraryCommitted(name, true); }
bool CreateSmallLibraryClosed(const std::string& name) { return CreateSmallLibraryCommitted(name, false); }

bool CreateSmallLibraryCommitted(const std::string& name, bool commit) {
  zelbench::TranContainer tran;
  if (!zelbench::CreateTranContainer(name, tran)) return false;
  zel_status_t st = ZEL_OK;
  const auto [s, c, real, time, volt, set, segment] = tran;
  zel_waveform_t w{};
  ZCHECK(w = ZEL_CreateWaveform(s, set, 0, volt, &st));
  zel_writer_t writer{};
  ZCHECK(writer = ZEL_CreateWriter(s, segment, 0, ZEL_STORAGE_ANALOG, &st));
  ZEL_WfDataWriter* data{};
  ZCHECK(data = ZEL_AddWriterWaveform(s, writer, w, &st));
  std::vector<double> x(g_points), y(g_points);
  for (unsigned p = 0; p < g_points; ++p) x[p] = p * 1e-9, y[p] = Value(p, 0);
  ZCHECK(ZEL_InitializeArrayWriting(s, writer, &st));
  ZCHECK(ZEL_AppendXArray(s, writer, g_points, x.data(), &st));
  ZCHECK(ZEL_WfDataWriterAppendArrays(data, g_points, y.data(), nullptr, nullptr, &st));
  ZCHECK(ZEL_TerminateWriting(s, writer, &st));
  if (commit) ZCHECK(ZEL_CommitWaveformData(s, segment, 0, &st));
  ZCHECK(ZEL_CloseContainer(s, c, &st));
  ZCHECK(ZEL_TermSession(s, &st));
  return true;
}

bool DeleteLibrary(const std::string& name) {
  zel_status_t st = ZEL_OK;
  ZEL_DeleteContainer(name.c_str(), &st);
  return st == ZEL_OK || Fail("ZEL_DeleteContainer", st);
}

#ifdef ZEL_BENCH_HAVE_HDF5
bool WriteHdf5(const std::string& name, unsigned waveforms) {
  const hid_t file = H5Fcreate(name.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
  if (file < 0) return false;
  const hsize_t dims[1] = {g_points};
  const hid_t space = H5Screate_simple(1, dims, nullptr);
  std::vector<double> values(g_points);
  for (unsigned p = 0; p < g_points; ++p) values[p] = p * 1e-9;
  hid_t set = H5Dcreate2(file, "time", H5T_NATIVE_DOUBLE, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
  bool ok = set >= 0 && H5Dwrite(set, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()) >= 0;
  H5Dclose(set);
  const hid_t group = H5Gcreate2(file, "top", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
  ok = ok && group >= 0;
  for (unsigned k = 0; k < waveforms && ok; ++k) {
    for (unsigned p = 0; p < g_points; ++p) values[p] = Value(p, k);
    const std::string wave = "w" + std::to_string(k);
    set = H5Dcreate2(group, wave.c_str(), H5T_NATIVE_DOUBLE, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
    ok = set >= 0 && H5Dwrite(set, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()) >= 0;
    H5Dclose(set);
  }
  if (group >= 0) H5Gclose(group);
  H5Sclose(space);
  return H5Fclose(file) >= 0 && ok;
}

bool OpenCloseHdf5(const std::string& name) {
  const hid_t file = H5Fopen(name.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
  return file >= 0 && H5Fclose(file) >= 0;
}

bool CreateSmallHdf5(const std::string& name) {
  const hid_t file = H5Fcreate(name.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
  if (file < 0) return false;
  const hsize_t dims[1] = {g_points};
  const hid_t space = H5Screate_simple(1, dims, nullptr);
  std::vector<double> x(g_points), y(g_points);
  for (unsigned p = 0; p < g_points; ++p) x[p] = p * 1e-9, y[p] = Value(p, 0);
  bool ok = true;
  const char* names[2] = {"time", "w"};
  const double* arrays[2] = {x.data(), y.data()};
  for (int i = 0; i < 2; ++i) {
    const hid_t set = H5Dcreate2(file, names[i], H5T_NATIVE_DOUBLE, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
    ok = ok && set >= 0 && H5Dwrite(set, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, arrays[i]) >= 0;
    if (set >= 0) H5Dclose(set);
  }
  H5Sclose(space);
  ok = H5Fflush(file, H5F_SCOPE_GLOBAL) >= 0 && ok;
  ok = H5Fclose(file) >= 0 && ok;
  const fs::path directory = fs::path(name).parent_path();
  return ok && zelbench::SyncFile(name) &&
         zelbench::OnFile(directory, [](int fd) { return ::fsync(fd) == 0; });
}
#endif

struct Workload {
  const char* name;
  bool (*run)(const std::string&);
  std::string path;
  std::vector<double> times;
};

void PrintTimes(const std::vector<Workload>& workloads) {
  const double library = Median(workloads.front().times);
  std::printf("  %-10s %12s %12s %14s\n", "workload", "median us", "per second", "library/this");
  for (const Workload& w : workloads) {
    const double t = Median(w.times);
    std::printf("  %-10s %12.1f %12.0f %14.2f\n", w.name, t * 1e6, 1 / t, library / t);
  }
}

int RunOpen(const fs::path& dir, unsigned waveforms, int repetitions) {
  const std::string container = (dir / "run").string();
  std::printf("\nA=%u analog waveforms x %u points, read-only open + close%s\n", waveforms, g_points,
              g_writeApart ? " (files written by a child process)" : "");
  Clock::time_point start = Clock::now();
  if (!Writing([&] { return WriteContainer(container, waveforms); })) return 1;
  const double written = Seconds(start);
  std::vector<Workload> workloads = {{"library", OpenCloseLibrary, container, {}}};
#ifdef ZEL_BENCH_HAVE_HDF5
  const std::string h5 = (dir / "data.h5").string();
  start = Clock::now();
  if (!Writing([&] { return WriteHdf5(h5, waveforms); })) {
    std::fprintf(stderr, "writing the HDF5 file failed\n");
    return 1;
  }
  workloads.push_back({"hdf5", OpenCloseHdf5, h5, {}});
  std::printf("  container %.1f KiB written in %.1f s; HDF5 file %.1f KiB written in %.1f s\n",
              ContainerBytes(container) / 1024.0, written, TreeBytes(h5) / 1024.0, Seconds(start));
#else
  std::printf("  container %.1f KiB written in %.1f s\n", ContainerBytes(container) / 1024.0, written);
#endif
  ::sync();
  const int version = OpenedVersion(container);
  if (version < 0) return 1;
  std::vector<double> structure, stores, teardown;
  for (int r = 0; r < repetitions; ++r) {
    for (Workload& w : workloads) {
      start = Clock::now();
      if (!w.run(w.path)) {
        std::fprintf(stderr, "%s failed\n", w.name);
        return 1;
      }
      w.times.push_back(Seconds(start));
    }
    if (!OpenParts(container, version, &structure, &stores, &teardown)) return 1;
  }
  PrintTimes(workloads);
  const double total = Median(workloads.front().times);
  const double parts[3] = {Median(structure), Median(stores), Median(teardown)};
  std::printf("  library parts: structure %.1f us, data stores %.1f us, teardown %.1f us, rest %.1f us\n",
              parts[0] * 1e6, parts[1] * 1e6, parts[2] * 1e6, (total - parts[0] - parts[1] - parts[2]) * 1e6);
  return 0;
}

int RunCreate(const fs::path& dir, int repetitions) {
  std::printf("\nSmall container: create, one waveform of %u points, commit, close (durable)\n", g_points);
  std::vector<Workload> workloads = {{"library", CreateSmallLibrary, (dir / "small").string(), {}},
                                     {"lib-close", CreateSmallLibraryClosed, (dir / "small").string(), {}}};
#ifdef ZEL_BENCH_HAVE_HDF5
  workloads.push_back({"hdf5", CreateSmallHdf5, (dir / "small.h5").string(), {}});
#endif
  for (int r = 0; r < repetitions; ++r) {
    for (Workload& w : workloads) {
      ::sync();
      const Clock::time_point start = Clock::now();
      if (!w.run(w.path)) {
        std::fprintf(stderr, "%s failed\n", w.name);
        return 1;
      }
      w.times.push_back(Seconds(start));
      const bool removed = w.path.size() > 3 && w.path.compare(w.path.size() - 3, 3, ".h5") == 0
                               ? fs::remove(w.path)
                               : DeleteLibrary(w.path);
      if (!removed) return 1;
    }
  }
  PrintTimes(workloads);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp != nullptr ? tmp : "/tmp";
  int repetitions = 15;
  std::vector<unsigned> counts = {1000, 10000, 100000};
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    std::string value;
    if (zelbench::ParseFlag(argv[i], "--waveforms", value)) {
      zelbench::ParseCountList(value, counts);
    } else if (zelbench::ParseFlag(argv[i], "--points", value)) {
      g_points = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (zelbench::ParseFlag(argv[i], "--repetitions", value)) {
      repetitions = std::max(1, std::atoi(value.c_str()));
    } else if (zelbench::ParseFlag(argv[i], "--dir", value)) {
      base = value;
    } else if (std::strcmp(argv[i], "--keep") == 0) {
      keep = true;
    } else if (std::strcmp(argv[i], "--write-apart") == 0) {
      g_writeApart = true;
    } else {
      std::fprintf(stderr, "unknown flag %s (see the top of bench/open_bench.cc)\n", argv[i]);
      return 2;
    }
  }
  if (counts.empty() || std::count(counts.begin(), counts.end(), 0u) > 0 || g_points == 0) {
    std::fprintf(stderr, "--waveforms takes a comma-separated list of counts of at least 1; --points at least 1\n");
    return 2;
  }
#ifdef ZEL_BENCH_HAVE_HDF5
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
#endif
  fs::path root;
  if (!zelbench::MakeScratchDirectory(base, "zel_open_bench_", root)) return 1;
  int rc = 0;
  for (unsigned waveforms : counts) {
    const fs::path dir = root / ("a" + std::to_string(waveforms));
    fs::create_directories(dir);
    rc = RunOpen(dir, waveforms, repetitions);
    if (!keep) fs::remove_all(dir);
    if (rc != 0) break;
  }
  if (rc == 0) {
    const fs::path dir = root / "small";
    fs::create_directories(dir);
    rc = RunCreate(dir, repetitions);
  }
#ifndef ZEL_BENCH_HAVE_HDF5
  std::printf("HDF5: skipped (built without libhdf5-dev)\n");
#endif
  if (keep) {
    std::printf("files kept in %s\n", root.c_str());
  } else {
    fs::remove_all(root);
  }
  return rc;
}
