// The simulation result writer, cycle by cycle through the public C
// interface, against plain fwrite, FST (when verilator's copy of its writer
// is installed) and HDF5 (when it is installed).
//
// Workloads (run interleaved, --reps times each, each run in a child process
// of its own so that its peak resident memory can be told; medians reported):
//   library     ZEL_CreateContainer (disk), a real type and a two-literal
//               enumeration (one byte per value), a waveform set and its
//               segment, A analog waveforms in one analog subset (none when
//               A is 0) and D digital waveforms in one digital subset of a
//               simulation result writer; then per cycle ZEL_SimStartCycle,
//               the analog front (A values through
//               ZEL_SimWfDataWriterEnterValue), the digital front (a value
//               for each digital waveform that changes in this cycle: about
//               --rate of them), ZEL_SimEndCycle; then
//               ZEL_SimTerminateWriting, ZEL_CommitWaveformData,
//               ZEL_CloseContainer
//   library-arr the same, but each analog front's A values in one call of
//               ZEL_SimEnterDataFrontValues from the caller's array
//   fst         (built with fstapi.c) fstWriterCreate with its defaults, A
//               real variables and D one-bit wires; per cycle
//               fstWriterEmitTimeChange, every analog value and each digital
//               change through fstWriterEmitValueChange; fstWriterClose
//   fwrite-cyc  the same doubles (the time and A values per cycle) with one
//               fwrite per cycle into one file, and each digital change as
//               (cycle, waveform, value) with one fwrite per cycle that has
//               changes
//   fwrite-val  the same with one fwrite per value
//   hdf5-cyc    (built with libhdf5-dev) a 1-D dataset of the times and a
//               2-D dataset of cycles x A doubles, chunked one column per
//               waveform (chunks of 1024 cycles x 1 waveform), extended 1024
//               cycles at a time, one hyperslab write per cycle (as a
//               simulator writes), with a chunk cache that holds a chunk of
//               every waveform; digital changes are not written
//   hdf5-buf    the same, but the caller buffers 1024 cycles and writes them
//               as one hyperslab (the most favourable use of HDF5)
//   (the HDF5 workloads are skipped when A is 0)
// Each runs without and with fdatasync before the clock stops (the library:
// every file of the container after ZEL_CloseContainer; fwrite and FST: the
// file after it is written; HDF5: after H5Fflush). The library's commit and
// close make what they publish durable themselves (the data file included):
// its runs wait for the disk in both modes, the peers' only with the sync. Every run starts after
// sync(); the files are removed between runs, outside the clock. The values
// are made on the fly by the same arithmetic in every workload.
//
// Reported per A: cycles run, wall and CPU time (user and system) of a run,
// cycles/s, ns per entered value (A + digital changes per cycle), bytes
// written per entered value (all files of the run), peak resident set of
// the run's process, and the ratio of the library's time per cycle to this
// workload's; "steady" takes the library's fixed cost of a run (a run of
// one cycle: creating, committing and closing the container) out of its
// time first. The library's peak is also given for a run of a quarter of
// the cycles: it does not grow with the number of cycles. "setup" is the
// library's time from the container's creation to ZEL_SimInitializeWriting
// (types, A + D waveforms, subsets, data writers), median of the runs.
//
// Flags:
//   --analog A      analog waveforms, 0 for digital ones only (default: runs
//                   100, 1000 and 5000)
//   --digital D     digital waveforms (default A / 10)
//   --cycles N      cycles (default 5,000,000 / max(A, D); hdf5-cyc runs N / 50)
//   --rate R        share of digital waveforms changing per cycle (0.1)
//   --reps R        runs of each workload, at least 3 (default 3)
//   --only LIST     comma-separated workload names to run (default all; the
//                   ratios need "library" among them)
//   --dir PATH      directory for the temporary files ($TMPDIR or /tmp)
//   --growth LIST   instead of the above: the library alone (D = 0) at each
//                   comma-separated A, V / A cycles each, every size and
//                   both sync modes interleaved, with a one-cycle run per
//                   size for its fixed cost; prints the steady ns per value
//                   and its ratio to A = 1000 (see ReportGrowth)
//   --values V      values per growth run (default 38,400,000: three
//                   128-point blocks at A = 100,000)
// e.g. sim_writer_bench --analog 1000 --cycles 100000 --reps 3
//      sim_writer_bench --analog 0 --digital 1000 --cycles 100000 --only library,fst
//      sim_writer_bench --growth 100,1000,10000,100000
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
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
#ifdef ZEL_BENCH_HAVE_FST
#include "fstapi.h"
#endif

namespace {

namespace fs = std::filesystem;
using zelbench::Fail;
using zelbench::Median;
using zelbench::SyncFile;
using zelbench::SyncTree;

#ifdef ZEL_BENCH_HAVE_HDF5
// hdf5-cyc runs this share of the cycles: it is slow.
constexpr unsigned HdfPerCycleDivisor = 50;
#endif

struct Config {
  unsigned analog = 1000;
  unsigned digital = 100;
  unsigned cycles = 4000;
  double rate = 0.1;
};

// What a run tells besides its time.
struct RunResult {
  uint64_t entered = 0;     // values entered: analog values and digital changes
  double setupSeconds = 0;  // the library's setup (0 for the peers)
};

double Analog(unsigned cycle, unsigned w) { return cycle * 1e-3 + w; }
double Time(unsigned cycle) { return cycle * 1e-9; }
// Whether digital waveform w changes in cycle c (about `rate` of them; a
// cheap hash so that every workload picks the same ones).
bool Changes(const Config& config, unsigned cycle, unsigned w) {
  uint32_t h = cycle * 2654435761u ^ (w + 1) * 40503u;
  h ^= h >> 15;
  h *= 2246822519u;
  h ^= h >> 13;
  return (h % 1000) < config.rate * 1000;
}
unsigned char Level(unsigned cycle, unsigned w) { return static_cast<unsigned char>((cycle + w) & 1); }

// arrayEntry: each analog front in one ZEL_SimEnterDataFrontValues call.
bool RunLibrary(const Config& config, const fs::path& dir, bool sync, bool arrayEntry, RunResult* result) {
  const std::string name = (dir / "run").string();
  zel_status_t st = ZEL_OK;
  zel_session_t s = ZEL_InitSession(&st);
  if (st != ZEL_OK) return Fail("ZEL_InitSession", st);
  zel_container_t c{};
  ZCHECK(c = ZEL_CreateContainer(s, name.c_str(), ZEL_MODE_DISK, &st));
  const auto start = std::chrono::steady_clock::now();
  zel_type_t real{}, logic{};
  ZCHECK(real = ZEL_CreateBuiltinType(s, c, "real", ZEL_REAL, &st));
  const char* literals[2] = {"0", "1"};
  ZCHECK(logic = ZEL_CreateEnumerationType(s, c, "logic", 2, literals, 0, 1, ZEL_RANGE_ASCENDING, &st));
  zel_dimensionDescriptor_t time{}, volt{}, level{};
  ZCHECK(time = ZEL_CreateDimensionDescriptor(s, c, "time", "s", real, &st));
  ZCHECK(volt = ZEL_CreateDimensionDescriptor(s, c, "v", "V", real, &st));
  ZCHECK(level = ZEL_CreateDimensionDescriptor(s, c, "level", "", logic, &st));
  zel_waveformSet_t set{};
  ZCHECK(set = ZEL_CreateWaveformSet(s, c, "tran", time, 0, nullptr, &st));
  zel_segment_t segment{};
  ZCHECK(segment = ZEL_CreateSegment(s, set, 0, nullptr, &st));
  zel_simResultWriter_t writer{};
  ZCHECK(writer = ZEL_CreateSimResultWriter(s, segment, 0, &st));
  zel_simResultSubset_t analog = ZEL_NullSimResultSubset, digital = ZEL_NullSimResultSubset;
  if (config.analog > 0) ZCHECK(analog = ZEL_CreateSimResultSubset(s, writer, ZEL_STORAGE_ANALOG, &st));
  if (config.digital > 0) ZCHECK(digital = ZEL_CreateSimResultSubset(s, writer, ZEL_STORAGE_DIGITAL, &st));
  std::vector<ZEL_SimWfDataWriter*> a(config.analog), d(config.digital);
  for (unsigned i = 0; i < config.analog + config.digital; ++i) {
    const bool isAnalog = i < config.analog;
    zel_waveform_t wave{};
    ZCHECK(wave = ZEL_CreateWaveform(s, set, 0, isAnalog ? volt : level, &st));
    const zel_simResultSubset_t subset = isAnalog ? analog : digital;
    unsigned index = 0;
    ZCHECK(index = ZEL_AddSimResultWaveform(s, subset, wave, &st));
    ZCHECK((isAnalog ? a[i] : d[i - config.analog]) = ZEL_GetSimWfDataWriter_p(s, subset, index, &st));
  }
  ZCHECK(ZEL_SimInitializeWriting(s, writer, &st));
  result->setupSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::vector<double> values(config.analog);
  uint64_t count = 0;
  for (unsigned cycle = 0; cycle < config.cycles; ++cycle) {
    const double x = Time(cycle);
    for (unsigned w = 0; w < config.analog; ++w) values[w] = Analog(cycle, w);
    ZEL_SimStartCycle(s, writer, &x, &st);
    if (config.analog > 0) {
      ZEL_SimStartDataFront(s, analog, 0, &st);
      if (arrayEntry) {
        ZEL_SimEnterDataFrontValues(s, analog, 0, config.analog, values.data(), &st);
      } else {
        for (unsigned w = 0; w < config.analog; ++w) ZEL_SimWfDataWriterEnterValue(a[w], &values[w], &st);
      }
      ZEL_SimEndDataFront(s, analog, &st);
    }
    if (config.digital > 0) {
      ZEL_SimStartDataFront(s, digital, 0, &st);
      for (unsigned w = 0; w < config.digital; ++w) {
        if (!Changes(config, cycle, w)) continue;
        const unsigned char v = Level(cycle, w);
        ZEL_SimWfDataWriterEnterValue(d[w], &v, &st);
        ++count;
      }
      ZEL_SimEndDataFront(s, digital, &st);
    }
    ZEL_SimEndCycle(s, writer, &st);
    // One look per cycle keeps the loop as a simulator would write it.
    if (st != ZEL_OK) return Fail("a cycle", st);
  }
  result->entered = count + uint64_t{config.analog} * config.cycles;
  return zelbench::FinishSimRun(s, c, segment, writer) && (!sync || SyncTree(dir));
}

// One fwrite per cycle (perValue false) or per value.
bool RunFwrite(const Config& config, const fs::path& dir, bool sync, bool perValue, RunResult* result) {
  const std::string name = (dir / "plain.data").string();
  FILE* f = std::fopen(name.c_str(), "wb");
  if (f == nullptr) return false;
  struct Change {
    uint32_t cycle, waveform;
    unsigned char value;
  };
  std::vector<double> row(config.analog + 1);
  std::vector<Change> changes;
  uint64_t count = 0;
  bool ok = true;
  for (unsigned cycle = 0; cycle < config.cycles && ok; ++cycle) {
    row[0] = Time(cycle);
    for (unsigned w = 0; w < config.analog; ++w) row[w + 1] = Analog(cycle, w);
    changes.clear();
    for (unsigned w = 0; w < config.digital; ++w) {
      if (Changes(config, cycle, w)) changes.push_back({cycle, w, Level(cycle, w)});
    }
    count += changes.size();
    if (perValue) {
      for (double v : row) ok = ok && std::fwrite(&v, sizeof v, 1, f) == 1;
      for (const Change& change : changes) ok = ok && std::fwrite(&change, sizeof change, 1, f) == 1;
    } else {
      ok = std::fwrite(row.data(), sizeof(double), row.size(), f) == row.size();
      if (!changes.empty()) ok = ok && std::fwrite(changes.data(), sizeof(Change), changes.size(), f) == changes.size();
    }
  }
  result->entered = count + uint64_t{config.analog} * config.cycles;
  if (ok && sync) ok = std::fflush(f) == 0 && ::fdatasync(::fileno(f)) == 0;
  return std::fclose(f) == 0 && ok;
}

#ifdef ZEL_BENCH_HAVE_FST
// FST as a simulator writes it: a time change per cycle, then the values
// that the cycle gives (every analog one, the digital changes).
bool RunFst(const Config& config, const fs::path& dir, bool sync, RunResult* result) {
  const std::string name = (dir / "run.fst").string();
  void* fst = fstWriterCreate(name.c_str(), 1);
  if (fst == nullptr) return false;
  fstWriterSetTimescale(fst, -9);
  fstWriterSetScope(fst, FST_ST_VCD_MODULE, "top", nullptr);
  std::vector<fstHandle> a(config.analog), d(config.digital);
  for (unsigned w = 0; w < config.analog; ++w) {
    const std::string var = "v" + std::to_string(w);
    a[w] = fstWriterCreateVar(fst, FST_VT_VCD_REAL, FST_VD_IMPLICIT, 8, var.c_str(), 0);
  }
  for (unsigned w = 0; w < config.digital; ++w) {
    const std::string var = "d" + std::to_string(w);
    d[w] = fstWriterCreateVar(fst, FST_VT_VCD_WIRE, FST_VD_IMPLICIT, 1, var.c_str(), 0);
  }
  fstWriterSetUpscope(fst);
  uint64_t count = 0;
  for (unsigned cycle = 0; cycle < config.cycles; ++cycle) {
    fstWriterEmitTimeChange(fst, cycle);
    for (unsigned w = 0; w < config.analog; ++w) {
      const double v = Analog(cycle, w);
      fstWriterEmitValueChange(fst, a[w], &v);
    }
    for (unsigned w = 0; w < config.digital; ++w) {
      if (!Changes(config, cycle, w)) continue;
      const char bit = Level(cycle, w) != 0 ? '1' : '0';
      fstWriterEmitValueChange(fst, d[w], &bit);
      ++count;
    }
  }
  fstWriterClose(fst);
  result->entered = count + uint64_t{config.analog} * config.cycles;
  return !sync || SyncFile(name);
}
#endif

#ifdef ZEL_BENCH_HAVE_HDF5
// Cycles x A doubles in chunks of Rows cycles x 1 waveform, and the times in
// chunks of Rows, both extended Rows cycles at a time. perCycle: one
// hyperslab write per cycle (a chunk cache large enough for one chunk per
// waveform keeps it from thrashing); else one per Rows cycles from a buffer.
bool RunHdf5(const Config& config, const fs::path& dir, bool sync, bool perCycle, RunResult* result) {
  constexpr hsize_t Rows = 1024;
  const std::string name = (dir / "data.h5").string();
  const hid_t file = H5Fcreate(name.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
  if (file < 0) return false;
  const hsize_t unlimited[2] = {H5S_UNLIMITED, config.analog};
  const hsize_t empty[2] = {0, config.analog};
  const hid_t space = H5Screate_simple(2, empty, unlimited);
  const hid_t properties = H5Pcreate(H5P_DATASET_CREATE);
  const hsize_t chunk[2] = {Rows, 1};
  H5Pset_chunk(properties, 2, chunk);
  const hid_t access = H5Pcreate(H5P_DATASET_ACCESS);
  const size_t chunkBytes = Rows * sizeof(double);
  H5Pset_chunk_cache(access, 20 * size_t{config.analog} + 1, (config.analog + 2) * chunkBytes, 1.0);
  const hid_t set = H5Dcreate2(file, "voltage", H5T_NATIVE_DOUBLE, space, H5P_DEFAULT, properties, access);
  const hsize_t timeMax[1] = {H5S_UNLIMITED};
  const hsize_t timeEmpty[1] = {0};
  const hid_t timeSpace = H5Screate_simple(1, timeEmpty, timeMax);
  const hid_t timeProperties = H5Pcreate(H5P_DATASET_CREATE);
  const hsize_t timeChunk[1] = {Rows};
  H5Pset_chunk(timeProperties, 1, timeChunk);
  const hid_t times =
      H5Dcreate2(file, "time", H5T_NATIVE_DOUBLE, timeSpace, H5P_DEFAULT, timeProperties, H5P_DEFAULT);
  std::vector<double> buffer((perCycle ? 1 : Rows) * config.analog), timeBuffer(perCycle ? 1 : Rows);
  bool ok = set >= 0 && times >= 0;
  hsize_t extent = 0;   // cycles the datasets hold room for
  hsize_t written = 0;  // cycles written
  // Writes the buffered rows at cycle `written`.
  auto write = [&](hsize_t rows) {
    if (written + rows > extent) {
      extent += Rows;
      const hsize_t size[2] = {extent, config.analog};
      ok = ok && H5Dset_extent(set, size) >= 0 && H5Dset_extent(times, &extent) >= 0;
    }
    const hid_t fileSpace = H5Dget_space(set);
    const hsize_t start[2] = {written, 0}, count[2] = {rows, config.analog};
    const hid_t memory = H5Screate_simple(2, count, nullptr);
    ok = ok && H5Sselect_hyperslab(fileSpace, H5S_SELECT_SET, start, nullptr, count, nullptr) >= 0 &&
         H5Dwrite(set, H5T_NATIVE_DOUBLE, memory, fileSpace, H5P_DEFAULT, buffer.data()) >= 0;
    H5Sclose(memory);
    H5Sclose(fileSpace);
    const hid_t timeFile = H5Dget_space(times);
    const hsize_t timeStart[1] = {written}, timeCount[1] = {rows};
    const hid_t timeMemory = H5Screate_simple(1, timeCount, nullptr);
    ok = ok && H5Sselect_hyperslab(timeFile, H5S_SELECT_SET, timeStart, nullptr, timeCount, nullptr) >= 0 &&
         H5Dwrite(times, H5T_NATIVE_DOUBLE, timeMemory, timeFile, H5P_DEFAULT, timeBuffer.data()) >= 0;
    H5Sclose(timeMemory);
    H5Sclose(timeFile);
    written += rows;
  };
  hsize_t rows = 0;
  for (unsigned cycle = 0; cycle < config.cycles && ok; ++cycle) {
    timeBuffer[rows] = Time(cycle);
    for (unsigned w = 0; w < config.analog; ++w) buffer[rows * config.analog + w] = Analog(cycle, w);
    if (++rows == timeBuffer.size()) {
      write(rows);
      rows = 0;
    }
  }
  if (rows > 0) write(rows);
  // The datasets end at the last cycle.
  const hsize_t size[2] = {written, config.analog};
  ok = ok && H5Dset_extent(set, size) >= 0 && H5Dset_extent(times, &written) >= 0;
  result->entered = uint64_t{config.analog} * config.cycles;
  H5Dclose(times);
  H5Pclose(timeProperties);
  H5Sclose(timeSpace);
  H5Dclose(set);
  H5Pclose(access);
  H5Pclose(properties);
  H5Sclose(space);
  if (ok && sync) ok = H5Fflush(file, H5F_SCOPE_GLOBAL) >= 0;
  ok = H5Fclose(file) >= 0 && ok;
  return ok && (!sync || SyncFile(name));
}
#endif

struct Workload {
  const char* name;
  bool (*run)(const Config&, const fs::path&, bool, RunResult*);
  // Runs 1 / divisor of the cycles (the slow ones); figures are per cycle.
  unsigned divisor;
};

struct Sample {
  double seconds = 0;
  double cpuSeconds = 0;  // user and system time of the run's process
  RunResult result;
  unsigned cycles = 0;
  long peakKiB = 0;
  uint64_t bytes = 0;  // of every file the run left
};

// Runs one workload in a child process; the child reports its time and
// count through a pipe, its peak resident set comes from wait4.
bool RunInChild(const Workload& workload, const Config& config, const fs::path& dir, bool sync, Sample& sample) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return false;
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    ::close(pipeFds[0]);
    Sample result;
    const auto start = std::chrono::steady_clock::now();
    const bool ok = workload.run(config, dir, sync, &result.result);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const bool sent = ::write(pipeFds[1], &result, sizeof result) == static_cast<ssize_t>(sizeof result);
    ::_exit(ok && sent ? 0 : 1);
  }
  ::close(pipeFds[1]);
  const bool received = ::read(pipeFds[0], &sample, sizeof sample) == static_cast<ssize_t>(sizeof sample);
  ::close(pipeFds[0]);
  int status = 0;
  struct rusage usage {};
  if (::wait4(pid, &status, 0, &usage) != pid) return false;
  sample.peakKiB = usage.ru_maxrss;
  sample.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + 1e-6 * (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
  sample.cycles = config.cycles;
  return received && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool Measure(const Workload& workload, Config config, const fs::path& root, bool sync, Sample& sample) {
  const fs::path dir = root / "run";
  fs::create_directories(dir);
  ::sync();
  config.cycles = std::max(1u, config.cycles / workload.divisor);
  const bool ok = RunInChild(workload, config, dir, sync, sample);
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) sample.bytes += entry.file_size();
  }
  fs::remove_all(dir);
  if (!ok) std::fprintf(stderr, "%s run failed\n", workload.name);
  return ok;
}

// The workloads named in `only` (all when empty), "library" first.
std::vector<Workload> Workloads(const Config& config, const std::string& only) {
  std::vector<Workload> all = {
      {"library", [](const Config& c, const fs::path& d, bool s, RunResult* r) { return RunLibrary(c, d, s, false, r); },
       1},
      {"library-arr",
       [](const Config& c, const fs::path& d, bool s, RunResult* r) { return RunLibrary(c, d, s, true, r); }, 1},
      {"fwrite-cyc", [](const Config& c, const fs::path& d, bool s, RunResult* r) { return RunFwrite(c, d, s, false, r); },
       1},
      {"fwrite-val", [](const Config& c, const fs::path& d, bool s, RunResult* r) { return RunFwrite(c, d, s, true, r); },
       1},
  };
#ifdef ZEL_BENCH_HAVE_FST
  all.push_back({"fst", RunFst, 1});
#endif
#ifdef ZEL_BENCH_HAVE_HDF5
  if (config.analog > 0) {
    all.push_back(
        {"hdf5-cyc", [](const Config& c, const fs::path& d, bool s, RunResult* r) { return RunHdf5(c, d, s, true, r); },
         HdfPerCycleDivisor});
    all.push_back(
        {"hdf5-buf", [](const Config& c, const fs::path& d, bool s, RunResult* r) { return RunHdf5(c, d, s, false, r); },
         1});
  }
#endif
  std::vector<Workload> chosen;
  for (const Workload& workload : all) {
    if (config.analog == 0 && std::strcmp(workload.name, "library-arr") == 0) continue;
    if (only.empty() || ("," + only + ",").find("," + std::string(workload.name) + ",") != std::string::npos) {
      chosen.push_back(workload);
    }
  }
  return chosen;
}

bool Report(Config config, int reps, const fs::path& root, const std::string& only) {
  const std::vector<Workload> workloads = Workloads(config, only);
  if (workloads.empty() || std::strcmp(workloads[0].name, "library") != 0) {
    std::fprintf(stderr, "--only must name library\n");
    return false;
  }
  // samples[sync][workload]
  std::vector<std::vector<Sample>> samples[2];
  for (auto& bySync : samples) bySync.resize(workloads.size());
  for (int r = 0; r < reps; ++r) {
    for (int sync = 0; sync < 2; ++sync) {
      for (size_t w = 0; w < workloads.size(); ++w) {
        Sample sample;
        if (!Measure(workloads[w], config, root, sync != 0, sample)) return false;
        samples[sync][w].push_back(sample);
      }
    }
  }
  Config quarter = config;
  quarter.cycles = std::max(1u, config.cycles / 4);
  Sample small;
  if (!Measure(workloads[0], quarter, root, false, small)) return false;
  // What a run costs whatever its length: creating, committing and closing
  // the container (the structure and version files are replaced through a
  // synced temporary file).
  Config one = config;
  one.cycles = 1;
  std::vector<double> fixed[2];
  for (int r = 0; r < reps; ++r) {
    for (int sync = 0; sync < 2; ++sync) {
      Sample sample;
      if (!Measure(workloads[0], one, root, sync != 0, sample)) return false;
      fixed[sync].push_back(sample.seconds);
    }
  }

  std::printf("\nA=%u analog, D=%u digital (rate %.2f), N=%u cycles, %d interleaved repetitions, medians\n",
              config.analog, config.digital, config.rate, config.cycles, reps);
  std::printf("%-5s %-11s %8s %10s %9s %11s %9s %8s %9s %13s %8s\n", "sync", "writer", "cycles", "time ms", "cpu ms",
              "cycles/s", "ns/value", "B/value", "peak MiB", "library/this", "steady");
  for (int sync = 0; sync < 2; ++sync) {
    std::vector<double> library;
    for (const Sample& s : samples[sync][0]) library.push_back(s.seconds / s.cycles);
    const double libraryPerCycle = Median(library);
    const double fixedSeconds = Median(fixed[sync]);
    const double steadyPerCycle = std::max(0.0, libraryPerCycle - fixedSeconds / config.cycles);
    for (size_t w = 0; w < workloads.size(); ++w) {
      std::vector<double> seconds, cpu, peaks, setups;
      for (const Sample& s : samples[sync][w]) {
        seconds.push_back(s.seconds);
        cpu.push_back(s.cpuSeconds);
        peaks.push_back(static_cast<double>(s.peakKiB));
        setups.push_back(s.result.setupSeconds);
      }
      const Sample& first = samples[sync][w].front();
      const double t = Median(seconds);
      const double entered = static_cast<double>(std::max<uint64_t>(1, first.result.entered));
      std::printf("%-5s %-11s %8u %10.1f %9.1f %11.0f %9.2f %8.2f %9.1f %13.2f %8.2f\n", sync ? "yes" : "no",
                  workloads[w].name, first.cycles, t * 1e3, Median(cpu) * 1e3, first.cycles / t, t * 1e9 / entered,
                  static_cast<double>(first.bytes) / entered, Median(peaks) / 1024,
                  libraryPerCycle / (t / first.cycles), steadyPerCycle / (t / first.cycles));
      if (Median(setups) > 0) {
        std::printf("%-5s %-11s setup %.1f ms (%.0f ns per waveform)\n", "", "", Median(setups) * 1e3,
                    Median(setups) * 1e9 / std::max(1u, config.analog + config.digital));
      }
    }
    std::printf("%-5s library run of 1 cycle (fixed cost): %.1f ms\n", sync ? "yes" : "no", fixedSeconds * 1e3);
  }
  std::printf("library peak with N/4 = %u cycles: %.1f MiB\n", quarter.cycles, small.peakKiB / 1024.0);
  return true;
}

// The library's per-value cost as the number of analog waveforms grows
// (--growth): for each A of the list, runs of V / A cycles (V values in
// all, D = 0) and runs of one cycle, every size and both sync modes
// interleaved in each repetition. steady ns/value = (median time - median
// one-cycle time) / values entered after the first cycle; the ratio is to
// the steady cost at A = 1000 of the same invocation (when listed).
bool ReportGrowth(const std::vector<long>& sizes, uint64_t values, int reps, const fs::path& root) {
  const Workload library = Workloads(Config{}, "library")[0];
  struct Row {
    Config config;
    std::vector<double> seconds[2], fixed[2];
    long peakKiB = 0;
  };
  std::vector<Row> rows;
  for (long a : sizes) {
    Row row;
    row.config.analog = static_cast<unsigned>(a);
    row.config.digital = 0;
    row.config.cycles = static_cast<unsigned>(std::max<uint64_t>(2, values / static_cast<uint64_t>(a)));
    rows.push_back(row);
  }
  for (int r = 0; r < reps; ++r) {
    for (int sync = 0; sync < 2; ++sync) {
      for (Row& row : rows) {
        Sample sample;
        if (!Measure(library, row.config, root, sync != 0, sample)) return false;
        row.seconds[sync].push_back(sample.seconds);
        row.peakKiB = std::max(row.peakKiB, sample.peakKiB);
        Config one = row.config;
        one.cycles = 1;
        if (!Measure(library, one, root, sync != 0, sample)) return false;
        row.fixed[sync].push_back(sample.seconds);
      }
    }
  }
  std::printf("\nGrowth: library, D=0, about %llu values per run, %d interleaved repetitions, medians\n",
              static_cast<unsigned long long>(values), reps);
  std::printf("%-5s %8s %8s %10s %10s %9s %9s %8s %9s\n", "sync", "A", "cycles", "time ms", "fixed ms", "ns/value",
              "steady", "vs 1000", "peak MiB");
  for (int sync = 0; sync < 2; ++sync) {
    double reference = 0;
    for (const Row& row : rows) {
      if (row.config.analog != 1000) continue;
      reference = (Median(row.seconds[sync]) - Median(row.fixed[sync])) * 1e9 /
                  (static_cast<double>(row.config.analog) * (row.config.cycles - 1));
    }
    for (const Row& row : rows) {
      const double t = Median(row.seconds[sync]);
      const double fixed = Median(row.fixed[sync]);
      const double steady =
          std::max(0.0, t - fixed) * 1e9 / (static_cast<double>(row.config.analog) * (row.config.cycles - 1));
      std::printf("%-5s %8u %8u %10.1f %10.1f %9.2f %9.2f %8.2f %9.1f\n", sync ? "yes" : "no", row.config.analog,
                  row.config.cycles, t * 1e3, fixed * 1e3, t * 1e9 / (double(row.config.analog) * row.config.cycles),
                  steady, reference > 0 ? steady / reference : 0.0, row.peakKiB / 1024.0);
    }
  }
  return true;
}

bool Flag(int& i, int argc, char** argv, const char* name, std::string& value) {
  if (std::strcmp(argv[i], name) != 0 || i + 1 >= argc) return false;
  value = argv[++i];
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp != nullptr ? tmp : "/tmp";
  int reps = 3;
  std::string only;
  long analog = -1, digital = -1, cycles = -1;
  std::vector<long> growth;
  uint64_t values = 38400000;
  double rate = 0.1;
  for (int i = 1; i < argc; ++i) {
    std::string value;
    if (Flag(i, argc, argv, "--analog", value)) {
      analog = std::atol(value.c_str());
    } else if (Flag(i, argc, argv, "--digital", value)) {
      digital = std::atol(value.c_str());
    } else if (Flag(i, argc, argv, "--cycles", value)) {
      cycles = std::atol(value.c_str());
    } else if (Flag(i, argc, argv, "--rate", value)) {
      rate = std::atof(value.c_str());
    } else if (Flag(i, argc, argv, "--reps", value)) {
      reps = std::max(3, std::atoi(value.c_str()));
    } else if (Flag(i, argc, argv, "--only", value)) {
      only = value;
    } else if (Flag(i, argc, argv, "--dir", value)) {
      base = value;
    } else if (Flag(i, argc, argv, "--growth", value)) {
      for (size_t at = 0; at < value.size();) {
        const size_t comma = std::min(value.find(',', at), value.size());
        growth.push_back(std::atol(value.substr(at, comma - at).c_str()));
        at = comma + 1;
      }
    } else if (Flag(i, argc, argv, "--values", value)) {
      values = std::strtoull(value.c_str(), nullptr, 10);
    } else {
      std::fprintf(stderr, "unknown flag %s (see the top of bench/sim_writer_bench.cc)\n", argv[i]);
      return 2;
    }
  }
  if ((analog == 0 && digital <= 0) || cycles == 0 || digital < -1 || rate < 0 || rate > 1 ||
      std::find_if(growth.begin(), growth.end(), [](long a) { return a < 1; }) != growth.end()) {
    std::fprintf(stderr,
                 "--cycles must be at least 1, --analog 0 needs --digital, --rate between 0 and 1, --growth sizes "
                 "at least 1\n");
    return 2;
  }
  fs::path root;
  if (!zelbench::MakeScratchDirectory(base, "zel_sim_writer_bench_", root)) return 1;
#ifdef ZEL_BENCH_HAVE_HDF5
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
#endif
  const std::vector<long> sizes = analog >= 0 ? std::vector<long>{analog} : std::vector<long>{100, 1000, 5000};
  bool ok = true;
  if (!growth.empty()) {
    ok = ReportGrowth(growth, values, reps, root);
    fs::remove_all(root);
    return ok ? 0 : 1;
  }
  for (long a : sizes) {
    Config config;
    config.analog = static_cast<unsigned>(a);
    config.digital = static_cast<unsigned>(digital >= 0 ? digital : a / 10);
    config.cycles = static_cast<unsigned>(
        cycles > 0 ? cycles : std::max(1L, 5000000L / std::max<long>({1, a, static_cast<long>(config.digital)})));
    config.rate = rate;
    if (!(ok = Report(config, reps, root, only))) break;
  }
#ifndef ZEL_BENCH_HAVE_HDF5
  std::printf("HDF5: skipped (built without libhdf5-dev)\n");
#endif
#ifndef ZEL_BENCH_HAVE_FST
  std::printf("FST: skipped (built without verilator's fstapi.c)\n");
#endif
  fs::remove_all(root);
  return ok ? 0 : 1;
}
