// Reading one waveform back, through a reader, against the raw layouts and
// the files of the peers users would pick instead.
//
// 1. One analog waveform of A. Data: what the simulation result writer
// stores for a simulator: A analog waveforms of doubles (one Analog_Front
// subset, a value per cycle) over N cycles, in one segment. The same doubles
// are also written as
//   interleaved  one file, point-major: per cycle the time, then A values
//                (how simple raw result files are laid out: a reader of one
//                waveform must read everything)
//   own-file     waveform k's N values alone in a file (the physical floor)
//   hdf5         one chunked 2-D dataset N x A with one chunk column per
//                waveform (chunks of min(N, 16384) x 1), when built with
//                libhdf5-dev
// Workloads (each time from opening the file or container to the filled
// buffer of waveform k = A/2; run interleaved, medians reported):
//   library      ZEL_InitSession, ZEL_OpenContainer (read), the waveform
//                found through the hierarchy, a view and a reader, start
//                reading segment 0, the X and Y buffers, a sum over Y, end,
//                delete the reader and view, close, ZEL_TermSession; the
//                warm run is also split into open (up to the reader), read
//                (start to end) and close
//   warm / cold  cold runs first drop the files from the page cache
//                (posix_fadvise DONTNEED after a sync); the warm runs of a
//                round follow one untimed run of each workload
// Also: a second read of the same waveform segment in the same session
// (start, buffers, sum, end: the cached arrays are kept), and Y at X by
// ZEL_GetWaveformDataYatX (bisection on monotonic X) against a linear scan
// over the X buffer.
//
// 2. One busy digital signal of D. Data: D one-bit signals (a two-literal
// enumeration in one Digital_Front subset) over C cycles, each changing in
// about 10% of the cycles (a fixed hash picks them); the same changes are
// written to an FST file through fstapi.c's writer (when built with it).
// Workloads, open to close, warm and cold, for signal D/2:
//   library      as above, the X (time) and Y (level) buffers of its changes
//   fst          fstReaderOpen, the one signal selected, fstReaderIterBlocks
//                with a callback that counts the changes and sums the times
//                and levels, fstReaderClose
//
// 3. First read per point. F analog waveforms over N = 100 000 and
// 1 000 000 cycles (as in 1.); warm runs, per point of waveform F/2:
//   library      the first read in a session opened beforehand (start
//                reading, the X and Y buffers, sum over Y, end): every
//                array comes from the data file
//   own-file     open, read, sum, close of the waveform's own file (floor)
//   hdf5-column  as in 1.
// Each repetition runs the three in turn. The library keeps large blocks
// that were freed (up to 64 MiB) for the next read, as the C library's heap
// keeps the floor's buffer: from the second repetition on, both copy into
// memory that the process already holds. The first repetition's library
// read, into memory the kernel must allocate and zero, is printed apart (one
// run; it also counts in the median).
//
// Flags:
//   --waveforms=A[,A...]  analog waveform counts of 1. (default 100,1000,5000)
//   --points=N            cycles of 1. (default min(20000, 20000000 / A))
//   --digital=D           signals of 2. (default 1000; 0 skips 2.)
//   --cycles=C            cycles of 2. (default 100000)
//   --first=F             waveforms of 3. (default 10; 0 skips 3.)
//   --repetitions=R       interleaved runs of each workload (default 5)
//   --dir=PATH            directory for the files (default $TMPDIR or /tmp)
//   --keep                leave the files there (the path is printed)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
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
using Clock = std::chrono::steady_clock;

struct Setup {
  unsigned analog = 0;
  unsigned points = 0;
  unsigned target = 0;  // the waveform read back
  fs::path dir;
  std::string container;
};

double Value(unsigned point, unsigned wave) { return std::sin(point * 1e-3 * (wave + 1)) + wave; }
double Time(unsigned point) { return point * 1e-9; }

std::string WaveName(unsigned k) { return "top/w" + std::to_string(k); }

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The container, written cycle by cycle through the simulation result writer
// (the times are Time(p)).
bool WriteContainer(const Setup& setup) {
  return zelbench::WriteAnalogSimContainer(setup.container, setup.analog, setup.points, Value, true);
}

bool WriteRawFiles(const Setup& setup) {
  FILE* interleaved = std::fopen((setup.dir / "interleaved.data").c_str(), "wb");
  FILE* own = std::fopen((setup.dir / "own.data").c_str(), "wb");
  bool ok = interleaved != nullptr && own != nullptr;
  std::vector<double> row(setup.analog + 1);
  for (unsigned p = 0; p < setup.points && ok; ++p) {
    row[0] = Time(p);
    for (unsigned k = 0; k < setup.analog; ++k) row[1 + k] = Value(p, k);
    ok = std::fwrite(row.data(), sizeof(double), row.size(), interleaved) == row.size() &&
         std::fwrite(&row[1 + setup.target], sizeof(double), 1, own) == 1;
  }
  if (interleaved != nullptr) ok = std::fclose(interleaved) == 0 && ok;
  if (own != nullptr) ok = std::fclose(own) == 0 && ok;
  return ok;
}

#ifdef ZEL_BENCH_HAVE_HDF5
bool WriteHdf5(const Setup& setup) {
  const hid_t file = H5Fcreate((setup.dir / "data.h5").c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
  if (file < 0) return false;
  const hsize_t dims[2] = {setup.points, setup.analog};
  const hsize_t chunk[2] = {std::min<hsize_t>(setup.points, 16384), 1};
  const hid_t space = H5Screate_simple(2, dims, nullptr);
  const hid_t properties = H5Pcreate(H5P_DATASET_CREATE);
  H5Pset_chunk(properties, 2, chunk);
  const hid_t set = H5Dcreate2(file, "voltage", H5T_NATIVE_DOUBLE, space, H5P_DEFAULT, properties, H5P_DEFAULT);
  bool ok = set >= 0;
  const hsize_t column[2] = {setup.points, 1};
  const hid_t memory = H5Screate_simple(2, column, nullptr);
  std::vector<double> values(setup.points);
  for (unsigned k = 0; k < setup.analog && ok; ++k) {
    for (unsigned p = 0; p < setup.points; ++p) values[p] = Value(p, k);
    const hsize_t start[2] = {0, k};
    ok = H5Sselect_hyperslab(space, H5S_SELECT_SET, start, nullptr, column, nullptr) >= 0 &&
         H5Dwrite(set, H5T_NATIVE_DOUBLE, memory, space, H5P_DEFAULT, values.data()) >= 0;
  }
  H5Sclose(memory);
  H5Dclose(set);
  H5Pclose(properties);
  H5Sclose(space);
  return H5Fclose(file) >= 0 && ok;
}

bool ReadHdf5(const Setup& setup, double* sum) {
  const hid_t file = H5Fopen((setup.dir / "data.h5").c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
  if (file < 0) return false;
  const hid_t set = H5Dopen2(file, "voltage", H5P_DEFAULT);
  const hid_t space = H5Dget_space(set);
  const hsize_t start[2] = {0, setup.target};
  const hsize_t column[2] = {setup.points, 1};
  const hid_t memory = H5Screate_simple(2, column, nullptr);
  std::vector<double> values(setup.points);
  bool ok = H5Sselect_hyperslab(space, H5S_SELECT_SET, start, nullptr, column, nullptr) >= 0 &&
            H5Dread(set, H5T_NATIVE_DOUBLE, memory, space, H5P_DEFAULT, values.data()) >= 0;
  for (double v : values) *sum += v;
  H5Sclose(memory);
  H5Sclose(space);
  H5Dclose(set);
  return H5Fclose(file) >= 0 && ok;
}
#endif

bool ReadInterleaved(const Setup& setup, double* sum) {
  FILE* f = std::fopen((setup.dir / "interleaved.data").c_str(), "rb");
  if (f == nullptr) return false;
  const size_t row = setup.analog + 1;
  const size_t rowsPerBlock = std::max<size_t>(1, (1u << 20) / (row * sizeof(double)));
  std::vector<double> block(rowsPerBlock * row);
  std::vector<double> values;
  values.reserve(setup.points);
  size_t rows;
  while ((rows = std::fread(block.data(), row * sizeof(double), rowsPerBlock, f)) > 0) {
    for (size_t r = 0; r < rows; ++r) values.push_back(block[r * row + 1 + setup.target]);
  }
  std::fclose(f);
  for (double v : values) *sum += v;
  return values.size() == setup.points;
}

bool ReadOwnFile(const Setup& setup, double* sum) {
  FILE* f = std::fopen((setup.dir / "own.data").c_str(), "rb");
  if (f == nullptr) return false;
  std::vector<double> values(setup.points);
  const bool ok = std::fread(values.data(), sizeof(double), values.size(), f) == values.size();
  std::fclose(f);
  for (double v : values) *sum += v;
  return ok;
}

// An open container with a reader on one waveform; Read() runs one
// start/buffers/sum/end pass.
struct LibraryReader {
  zel_session_t s{};
  zel_container_t c{};
  zel_view_t view{};
  zel_reader_t reader{};
  zel_segment_t segment{};
  zel_wfDataReader_t data{};
  bool open = false;

  bool Open(const std::string& container, const std::string& path) {
    zel_status_t st = ZEL_OK;
    ZCHECK(s = ZEL_InitSession(&st));
    open = true;
    ZCHECK(c = ZEL_OpenContainer(s, container.c_str(), ZEL_IOMODE_READ, &st));
    zel_waveformSet_t set{};
    ZCHECK(set = ZEL_FindWaveformSet(s, c, "tran", &st));
    zel_hierarchyNode_t root{};
    ZCHECK(root = ZEL_GetNameHierarchyRootNode(s, set, &st));
    unsigned count = 0;
    zel_hierarchyNode_t* nodes = nullptr;
    ZCHECK(nodes = ZEL_GetHierarchyNodes(s, root, path.c_str(), ZEL_HDL_SLASH, &count, &st));
    if (count != 1) return false;
    zel_waveform_t w{};
    st = ZEL_OK;
    w = ZEL_GetHierarchyWaveform(s, nodes[0], &st);
    std::free(nodes);
    if (st != ZEL_OK) return zelbench::Fail("ZEL_GetHierarchyWaveform", st);
    ZCHECK(segment = ZEL_GetSegment(s, set, 0, &st));
    ZCHECK(view = ZEL_CreateView(s, &st));
    ZCHECK(reader = ZEL_CreateReader(s, c, view, &st));
    ZCHECK(data = ZEL_AddReaderWaveform(s, reader, w, &st));
    return true;
  }

  // Starts reading, sums X and Y through the buffers (Y one byte a value
  // when digital, else doubles); keeps the segment open when keepOpen is
  // set. *points receives the point count.
  bool Read(double* sum, unsigned* points, bool digital = false, bool keepOpen = false) {
    zel_status_t st = ZEL_OK;
    ZCHECK(ZEL_StartReadingSegment(s, reader, segment, &st));
    unsigned n = 0;
    ZCHECK(n = ZEL_GetPointCount(s, data, &st));
    const void* x = nullptr;
    const void* y = nullptr;
    const unsigned* orders = nullptr;
    if (n > 0) ZCHECK(ZEL_GetWaveformDataXYBuffers(s, data, 0, &x, &y, &orders, &st));
    if (n > 0 && (x == nullptr || y == nullptr)) return false;
    if (digital) {
      const unsigned char* levels = static_cast<const unsigned char*>(y);
      const double* times = static_cast<const double*>(x);
      for (unsigned i = 0; i < n; ++i) *sum += levels[i] + times[i];
    } else {
      const double* values = static_cast<const double*>(y);
      for (unsigned i = 0; i < n; ++i) *sum += values[i];
    }
    if (points != nullptr) *points = n;
    if (!keepOpen) ZCHECK(ZEL_EndReading(s, reader, &st));
    return true;
  }

  void Close() {
    if (!open) return;
    open = false;
    zel_status_t st;
    ZEL_DeleteReader(s, reader, &st);
    ZEL_DeleteView(s, view, &st);
    ZEL_CloseContainer(s, c, &st);
    ZEL_TermSession(s, &st);
  }
  ~LibraryReader() { Close(); }
};

// Phases of one library read, open to close.
struct Phases {
  double open = 0, read = 0, close = 0;
};

bool ReadLibraryPhases(const std::string& container, const std::string& path, bool digital, double* sum,
                       unsigned* points, Phases* phases) {
  LibraryReader r;
  auto start = Clock::now();
  if (!r.Open(container, path)) return false;
  auto opened = Clock::now();
  if (!r.Read(sum, points, digital)) return false;
  auto read = Clock::now();
  r.Close();
  if (phases != nullptr) {
    phases->open = std::chrono::duration<double>(opened - start).count();
    phases->read = std::chrono::duration<double>(read - opened).count();
    phases->close = Seconds(read);
  }
  return true;
}

struct Workload {
  const char* name;
  std::function<bool(double*)> read;
};

// What RunWorkloads is running: a workload that records more than its time
// keeps what the timed warm runs give.
enum class RunKind { WARM_UP, WARM, COLD };
RunKind currentRun = RunKind::WARM_UP;

// Runs the workloads interleaved, each warm then cold, and prints their
// medians with the ratio to the first (the library).
bool RunWorkloads(const fs::path& dir, const std::vector<Workload>& workloads, int repetitions,
                  const std::function<void()>& afterRound, std::vector<double>* warmMedians = nullptr) {
  std::vector<std::vector<double>> times[2];  // [cold][workload]
  times[0].resize(workloads.size());
  times[1].resize(workloads.size());
  for (int r = 0; r < repetitions; ++r) {
    for (int cold = 0; cold < 2; ++cold) {
      // Cold runs drop every file of the directory: before the warm runs,
      // each workload reads once untimed, so that all are warm again.
      currentRun = RunKind::WARM_UP;
      for (size_t w = 0; w < workloads.size() && !cold; ++w) {
        double sum = 0;
        if (!workloads[w].read(&sum)) return false;
      }
      currentRun = cold ? RunKind::COLD : RunKind::WARM;
      for (size_t w = 0; w < workloads.size(); ++w) {
        if (cold && !zelbench::DropFromCache(dir)) return false;
        double sum = 0;
        const auto start = Clock::now();
        if (!workloads[w].read(&sum)) {
          std::fprintf(stderr, "%s read failed\n", workloads[w].name);
          return false;
        }
        times[cold][w].push_back(Seconds(start));
      }
    }
    if (afterRound) afterRound();
  }
  std::printf("  %-12s %12s %12s %16s %16s\n", "read", "warm ms", "cold ms", "this/lib warm", "this/lib cold");
  const double libWarm = zelbench::Median(times[0][0]);
  const double libCold = zelbench::Median(times[1][0]);
  for (size_t w = 0; w < workloads.size(); ++w) {
    const double warm = zelbench::Median(times[0][w]);
    const double cold = zelbench::Median(times[1][w]);
    if (warmMedians != nullptr) warmMedians->push_back(warm);
    std::printf("  %-12s %12.3f %12.3f %16.2f %16.2f\n", workloads[w].name, warm * 1e3, cold * 1e3, warm / libWarm,
                cold / libCold);
  }
  return true;
}

// Lookups of Y at X: the library's bisection against a scan of the X buffer.
void YatXLookups(const Setup& setup, double* library, double* scan) {
  LibraryReader r;
  double sum = 0;
  unsigned n = 0;
  *library = *scan = 0;
  if (!r.Open(setup.container, WaveName(setup.target)) || !r.Read(&sum, &n, false, true) || n < 2) return;
  zel_status_t st = ZEL_OK;
  const void* xv = nullptr;
  const void* yv = nullptr;
  const unsigned* orders = nullptr;
  ZEL_GetWaveformDataXYBuffers(r.s, r.data, 0, &xv, &yv, &orders, &st);
  const double* xs = static_cast<const double*>(xv);
  const double* ys = static_cast<const double*>(yv);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> pick(xs[0], xs[n - 1]);
  const unsigned lookups = std::min(20000u, std::max(100u, 400000000u / n));
  std::vector<double> at(lookups);
  for (double& x : at) x = pick(random);
  auto start = Clock::now();
  for (double x : at) {
    double y = 0;
    unsigned lower = 0, upper = 0;
    ZEL_GetWaveformDataYatX(r.s, r.data, 0, &x, &y, &lower, &upper, &st);
    sum += y;
  }
  *library = Seconds(start) / lookups;
  start = Clock::now();
  for (double x : at) {
    unsigned i = 1;
    while (i < n - 1 && xs[i] < x) ++i;
    const double t = (x - xs[i - 1]) / (xs[i] - xs[i - 1]);
    sum += ys[i - 1] + t * (ys[i] - ys[i - 1]);
  }
  *scan = Seconds(start) / lookups;
  if (sum == 42) std::printf(" ");
}

bool WriteAnalogFiles(const Setup& setup) {
  if (!WriteContainer(setup) || !WriteRawFiles(setup)) return false;
#ifdef ZEL_BENCH_HAVE_HDF5
  if (!WriteHdf5(setup)) return false;
#endif
  ::sync();
  return true;
}

// ---- 1. one analog waveform of A ------------------------------------------------

int RunAnalog(Setup& setup, int repetitions) {
  std::printf("\n1. A=%u analog waveforms x N=%u cycles, reading waveform %u\n", setup.analog, setup.points,
              setup.target);
  auto start = Clock::now();
  if (!WriteAnalogFiles(setup)) return 1;
  std::printf("  written in %.1f s\n", Seconds(start));

  std::vector<Phases> phases;
  std::vector<Workload> workloads = {
      {"library",
       [&](double* sum) {
         Phases p;
         unsigned n = 0;
         if (!ReadLibraryPhases(setup.container, WaveName(setup.target), false, sum, &n, &p)) return false;
         if (currentRun == RunKind::WARM) phases.push_back(p);
         return n == setup.points;
       }},
      {"interleaved", [&](double* sum) { return ReadInterleaved(setup, sum); }},
      {"own-file", [&](double* sum) { return ReadOwnFile(setup, sum); }}};
#ifdef ZEL_BENCH_HAVE_HDF5
  workloads.push_back({"hdf5-column", [&](double* sum) { return ReadHdf5(setup, sum); }});
#endif
  std::vector<double> first, second;
  auto sameSession = [&]() {
    // First and second read of one waveform segment in one session, after
    // a read that brings the files back into the page cache (the round
    // ended with a cold run).
    double warmUp = 0;
    if (!ReadLibraryPhases(setup.container, WaveName(setup.target), false, &warmUp, nullptr, nullptr)) return;
    LibraryReader reader;
    if (!reader.Open(setup.container, WaveName(setup.target))) return;
    double sum = 0;
    auto t = Clock::now();
    if (!reader.Read(&sum, nullptr)) return;
    first.push_back(Seconds(t));
    t = Clock::now();
    if (!reader.Read(&sum, nullptr)) return;
    second.push_back(Seconds(t));
  };
  if (!RunWorkloads(setup.dir, workloads, repetitions, sameSession)) return 1;
  std::vector<double> open, read, close;
  for (size_t i = 0; i < phases.size(); ++i) {
    open.push_back(phases[i].open);
    read.push_back(phases[i].read);
    close.push_back(phases[i].close);
  }
  std::printf("  library warm, split: open %.3f ms, read %.3f ms, close %.3f ms\n", zelbench::Median(open) * 1e3,
              zelbench::Median(read) * 1e3, zelbench::Median(close) * 1e3);
  const double firstRead = zelbench::Median(first);
  const double secondRead = zelbench::Median(second);
  std::printf("  same session: first read %.3f ms, second read %.3f ms (%.1fx faster)\n", firstRead * 1e3,
              secondRead * 1e3, secondRead > 0 ? firstRead / secondRead : 0.0);
  double bisect = 0, scan = 0;
  YatXLookups(setup, &bisect, &scan);
  std::printf("  Y at X: ZEL_GetWaveformDataYatX %.0f ns, linear scan %.0f ns per lookup (%.1fx)\n", bisect * 1e9,
              scan * 1e9, bisect > 0 ? scan / bisect : 0.0);
  if (first.size() != static_cast<size_t>(repetitions)) {
    std::fprintf(stderr, "a read in one session failed\n");
    return 1;
  }
  return 0;
}

// ---- 2. one busy digital signal of D --------------------------------------------

struct DigitalSetup {
  unsigned signals = 0;
  unsigned cycles = 0;
  unsigned target = 0;
  fs::path dir;
  std::string container;
};

// Whether signal w changes in cycle c (about 10% of the cycles; a cheap
// hash so that the library and FST get the same changes). Every signal
// takes a value at cycle 0.
bool Changes(unsigned cycle, unsigned w) {
  if (cycle == 0) return true;
  uint32_t h = cycle * 2654435761u ^ (w + 1) * 40503u;
  h ^= h >> 15;
  h *= 2246822519u;
  h ^= h >> 13;
  return (h % 1000) < 100;
}
unsigned char Level(unsigned cycle, unsigned w) { return static_cast<unsigned char>((cycle + w) & 1); }

bool WriteDigitalContainer(const DigitalSetup& setup) {
  zel_status_t st = ZEL_OK;
  zel_session_t s = ZEL_InitSession(&st);
  if (st != ZEL_OK) return zelbench::Fail("ZEL_InitSession", st);
  zel_container_t c{};
  ZCHECK(c = ZEL_CreateContainer(s, setup.container.c_str(), ZEL_MODE_DISK, &st));
  zel_type_t real{}, logic{};
  ZCHECK(real = ZEL_CreateBuiltinType(s, c, "real", ZEL_REAL, &st));
  const char* literals[] = {"0", "1"};
  ZCHECK(logic = ZEL_CreateEnumerationType(s, c, "bit", 2, literals, 0, 1, ZEL_RANGE_ASCENDING, &st));
  zel_dimensionDescriptor_t time{}, level{};
  ZCHECK(time = ZEL_CreateDimensionDescriptor(s, c, "time", "s", real, &st));
  ZCHECK(level = ZEL_CreateDimensionDescriptor(s, c, "level", "", logic, &st));
  zel_waveformSet_t set{};
  ZCHECK(set = ZEL_CreateWaveformSet(s, c, "tran", time, 0, nullptr, &st));
  zel_segment_t segment{};
  ZCHECK(segment = ZEL_CreateSegment(s, set, 0, nullptr, &st));
  zel_hierarchyNode_t root{};
  ZCHECK(root = ZEL_GetNameHierarchyRootNode(s, set, &st));
  zel_simResultWriter_t writer{};
  ZCHECK(writer = ZEL_CreateSimResultWriter(s, segment, 0, &st));
  zel_simResultSubset_t digital{};
  ZCHECK(digital = ZEL_CreateSimResultSubset(s, writer, ZEL_STORAGE_DIGITAL, &st));
  std::vector<ZEL_SimWfDataWriter*> data(setup.signals);
  for (unsigned k = 0; k < setup.signals; ++k) {
    zel_waveform_t w{};
    ZCHECK(w = ZEL_CreateWaveform(s, set, 0, level, &st));
    ZCHECK(ZEL_AddHierarchyScalarWf(s, root, WaveName(k).c_str(), ZEL_HDL_SLASH, w, &st));
    ZCHECK(ZEL_AddSimResultWaveform(s, digital, w, &st));
    ZCHECK(data[k] = ZEL_GetSimWfDataWriter_p(s, digital, k, &st));
  }
  ZCHECK(ZEL_SimInitializeWriting(s, writer, &st));
  for (unsigned p = 0; p < setup.cycles; ++p) {
    const double t = Time(p);
    ZCHECK(ZEL_SimStartCycle(s, writer, &t, &st));
    ZCHECK(ZEL_SimStartDataFront(s, digital, 0, &st));
    for (unsigned k = 0; k < setup.signals; ++k) {
      if (!Changes(p, k)) continue;
      const unsigned char bit = Level(p, k);
      ZCHECK(ZEL_SimWfDataWriterEnterValue(data[k], &bit, &st));
    }
    ZCHECK(ZEL_SimEndDataFront(s, digital, &st));
    ZCHECK(ZEL_SimEndCycle(s, writer, &st));
  }
  return zelbench::FinishSimRun(s, c, segment, writer);
}

#ifdef ZEL_BENCH_HAVE_FST
std::string FstFile(const DigitalSetup& setup) { return (setup.dir / "run.fst").string(); }

// The same changes through fstapi.c's writer: one scope, one wire per signal
// (handles 1..D in creation order), time in ns.
bool WriteFst(const DigitalSetup& setup) {
  void* writer = fstWriterCreate(FstFile(setup).c_str(), 1);
  if (writer == nullptr) return false;
  fstWriterSetPackType(writer, FST_WR_PT_LZ4);
  fstWriterSetScope(writer, FST_ST_VCD_MODULE, "top", nullptr);
  std::vector<fstHandle> handles(setup.signals);
  for (unsigned k = 0; k < setup.signals; ++k) {
    const std::string name = "w" + std::to_string(k);
    handles[k] = fstWriterCreateVar(writer, FST_VT_VCD_WIRE, FST_VD_IMPLICIT, 1, name.c_str(), 0);
  }
  fstWriterSetUpscope(writer);
  for (unsigned p = 0; p < setup.cycles; ++p) {
    fstWriterEmitTimeChange(writer, p);
    for (unsigned k = 0; k < setup.signals; ++k) {
      if (Changes(p, k)) fstWriterEmitValueChange(writer, handles[k], Level(p, k) ? "1" : "0");
    }
  }
  fstWriterClose(writer);
  return true;
}

struct FstSum {
  double sum = 0;
  unsigned changes = 0;
};

void FstCallback(void* user, uint64_t time, fstHandle, const unsigned char* value) {
  FstSum* total = static_cast<FstSum*>(user);
  total->sum += (value[0] == '1') + time * 1e-9;
  ++total->changes;
}

bool ReadFst(const DigitalSetup& setup, double* sum, unsigned* changes) {
  void* reader = fstReaderOpen(FstFile(setup).c_str());
  if (reader == nullptr) return false;
  fstReaderClrFacProcessMaskAll(reader);
  fstReaderSetFacProcessMask(reader, setup.target + 1);
  FstSum total;
  const int ok = fstReaderIterBlocks(reader, FstCallback, &total, nullptr);
  fstReaderClose(reader);
  *sum += total.sum;
  *changes = total.changes;
  return ok != 0;
}
#endif

int RunDigital(DigitalSetup& setup, int repetitions) {
  unsigned expected = 0;
  for (unsigned p = 0; p < setup.cycles; ++p) expected += Changes(p, setup.target);
  std::printf("\n2. D=%u digital signals x C=%u cycles (10%% change per cycle), reading signal %u (%u changes)\n",
              setup.signals, setup.cycles, setup.target, expected);
  auto start = Clock::now();
  if (!WriteDigitalContainer(setup)) return 1;
  const double library = Seconds(start);
#ifdef ZEL_BENCH_HAVE_FST
  start = Clock::now();
  if (!WriteFst(setup)) return 1;
  std::printf("  written in %.1f s (library), %.1f s (fst)\n", library, Seconds(start));
#else
  std::printf("  written in %.1f s\n", library);
#endif
  ::sync();
  std::vector<Phases> phases;
  std::vector<Workload> workloads = {{"library", [&](double* sum) {
                                        Phases p;
                                        unsigned n = 0;
                                        if (!ReadLibraryPhases(setup.container, WaveName(setup.target), true, sum,
                                                               &n, &p))
                                          return false;
                                        if (currentRun == RunKind::WARM) phases.push_back(p);
                                        return n == expected;
                                      }}};
#ifdef ZEL_BENCH_HAVE_FST
  workloads.push_back({"fst", [&](double* sum) {
                         unsigned changes = 0;
                         return ReadFst(setup, sum, &changes) && changes == expected;
                       }});
#endif
  if (!RunWorkloads(setup.dir, workloads, repetitions, nullptr)) return 1;
  std::vector<double> open, read, close;
  for (size_t i = 0; i < phases.size(); ++i) {
    open.push_back(phases[i].open);
    read.push_back(phases[i].read);
    close.push_back(phases[i].close);
  }
  std::printf("  library warm, split: open %.3f ms, read %.3f ms, close %.3f ms\n", zelbench::Median(open) * 1e3,
              zelbench::Median(read) * 1e3, zelbench::Median(close) * 1e3);
#ifndef ZEL_BENCH_HAVE_FST
  std::printf("  FST: skipped (built without fstapi.c from verilator)\n");
#endif
  return 0;
}

// ---- 3. first read per point ----------------------------------------------------

int RunFirstRead(Setup& setup, int repetitions) {
  std::printf("\n3. first read: F=%u analog waveforms x N=%u cycles, reading waveform %u\n", setup.analog,
              setup.points, setup.target);
  auto start = Clock::now();
  if (!WriteAnalogFiles(setup)) return 1;
  std::printf("  written in %.1f s\n", Seconds(start));
  std::vector<double> library, own, hdf5;
  for (int r = 0; r < repetitions; ++r) {
    LibraryReader reader;
    if (!reader.Open(setup.container, WaveName(setup.target))) return 1;
    double sum = 0;
    unsigned n = 0;
    start = Clock::now();
    if (!reader.Read(&sum, &n) || n != setup.points) return 1;
    library.push_back(Seconds(start));
    reader.Close();
    start = Clock::now();
    if (!ReadOwnFile(setup, &sum)) return 1;
    own.push_back(Seconds(start));
#ifdef ZEL_BENCH_HAVE_HDF5
    start = Clock::now();
    if (!ReadHdf5(setup, &sum)) return 1;
    hdf5.push_back(Seconds(start));
#endif
  }
  const double perPoint = 1e9 / setup.points;
  const double fresh = library.front() * perPoint;
  const double lib = zelbench::Median(library) * perPoint;
  const double floor = zelbench::Median(own) * perPoint;
  std::printf("  ns per point, warm: library first read %.1f, own-file %.1f (library / own-file %.2f)", lib, floor,
              lib / floor);
#ifdef ZEL_BENCH_HAVE_HDF5
  const double column = zelbench::Median(hdf5) * perPoint;
  std::printf(", hdf5-column %.1f (library / hdf5 %.2f)", column, lib / column);
#endif
  std::printf("\n  library first read of the first repetition (fresh memory, one run): %.1f ns per point\n", fresh);
  return 0;
}

bool ParseCount(const std::string& value, unsigned* count) {
  char* end = nullptr;
  const unsigned long parsed = std::strtoul(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0' || parsed > 100000000ul) return false;
  *count = static_cast<unsigned>(parsed);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp != nullptr ? tmp : "/tmp";
  int repetitions = 5;
  unsigned points = 0, signals = 1000, cycles = 100000, firstWaveforms = 10;
  std::vector<unsigned> counts = {100, 1000, 5000};
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    std::string value;
    bool ok = true;
    if (zelbench::ParseFlag(argv[i], "--waveforms", value)) {
      ok = zelbench::ParseCountList(value, counts);
    } else if (zelbench::ParseFlag(argv[i], "--points", value)) {
      ok = ParseCount(value, &points);
    } else if (zelbench::ParseFlag(argv[i], "--digital", value)) {
      ok = ParseCount(value, &signals);
    } else if (zelbench::ParseFlag(argv[i], "--cycles", value)) {
      ok = ParseCount(value, &cycles) && cycles > 0;
    } else if (zelbench::ParseFlag(argv[i], "--first", value)) {
      ok = ParseCount(value, &firstWaveforms);
    } else if (zelbench::ParseFlag(argv[i], "--repetitions", value)) {
      repetitions = std::max(1, std::atoi(value.c_str()));
    } else if (zelbench::ParseFlag(argv[i], "--dir", value)) {
      base = value;
    } else if (std::strcmp(argv[i], "--keep") == 0) {
      keep = true;
    } else {
      std::fprintf(stderr, "unknown flag %s (see the top of bench/read_bench.cc)\n", argv[i]);
      return 2;
    }
    if (!ok) {
      std::fprintf(stderr, "bad value in %s (see the top of bench/read_bench.cc)\n", argv[i]);
      return 2;
    }
  }
#ifdef ZEL_BENCH_HAVE_HDF5
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
#endif
  fs::path root;
  if (!zelbench::MakeScratchDirectory(base, "zel_read_bench_", root)) return 1;
  int rc = 0;
  for (unsigned analog : counts) {
    Setup setup;
    setup.analog = analog;
    setup.points = points != 0 ? points : std::min(20000u, 20000000u / analog);
    setup.target = analog / 2;
    setup.dir = root / ("a" + std::to_string(analog));
    fs::create_directories(setup.dir);
    setup.container = (setup.dir / "run").string();
    rc = RunAnalog(setup, repetitions);
    if (!keep) fs::remove_all(setup.dir);
    if (rc != 0) break;
  }
  if (rc == 0 && signals > 0) {
    DigitalSetup setup;
    setup.signals = signals;
    setup.cycles = cycles;
    setup.target = signals / 2;
    setup.dir = root / ("d" + std::to_string(signals));
    fs::create_directories(setup.dir);
    setup.container = (setup.dir / "run").string();
    rc = RunDigital(setup, repetitions);
    if (!keep) fs::remove_all(setup.dir);
  }
  for (unsigned n : {100000u, 1000000u}) {
    if (rc != 0 || firstWaveforms == 0) break;
    Setup setup;
    setup.analog = firstWaveforms;
    setup.points = n;
    setup.target = firstWaveforms / 2;
    setup.dir = root / ("f" + std::to_string(n));
    fs::create_directories(setup.dir);
    setup.container = (setup.dir / "run").string();
    rc = RunFirstRead(setup, repetitions);
    if (!keep) fs::remove_all(setup.dir);
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
