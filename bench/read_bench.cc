// Reading one waveform back, through a reader, against the raw layouts.
//
// Data: what the simulation result writer stores for a simulator: A analog
// waveforms of doubles (one Analog_Front subset, a value per cycle) and one
// digital waveform that changes every cycle (a Digital_Front subset, a
// two-literal enumeration), over N cycles, in one segment. The same doubles
// are also written as
//   interleaved  one file, point-major: per cycle the time, then A values
//                (how simple raw result files are laid out: a reader of one
//                waveform must read everything)
//   own-file     waveform k's N values alone in a file (the physical floor)
//   hdf5         one chunked 2-D dataset N x A with one chunk column per
//                waveform (chunks of min(N, 16384) x 1), when built with
//                libhdf5-dev
//
// Workloads (each time from opening the file or container to the filled
// buffer of waveform k = A/2; run interleaved, medians reported):
//   library      ZEL_InitSession, ZEL_OpenContainer (read), the waveform
//                found through the hierarchy, a view and a reader, start
//                reading segment 0, the X and Y buffers, a sum over Y, end,
//                close
//   warm / cold  cold runs first drop the files from the page cache
//                (posix_fadvise DONTNEED after a sync)
// Also: a second read of the same waveform segment in the same session
// (start, buffers, sum, end: the cached arrays are kept), Y at X by
// ZEL_GetWaveformDataYatX (bisection on monotonic X) against a linear scan
// over the X buffer, and reading the digital waveform.
//
// Flags:
//   --waveforms=A[,A...]  analog waveform counts (default 100,1000,5000)
//   --points=N            cycles (default min(20000, 16000000 / A))
//   --repetitions=R       interleaved runs of each workload (default 5)
//   --dir=PATH            directory for the files (default $TMPDIR or /tmp)
//   --keep                leave the files there (the path is printed)
#include <algorithm>
#include <chrono>
#include <cmath>
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

// The container, written cycle by cycle through the simulation result writer.
bool WriteContainer(const Setup& setup) {
  zel_status_t st = ZEL_OK;
  zel_session_t s = ZEL_InitSession(&st);
  if (st != ZEL_OK) return zelbench::Fail("ZEL_InitSession", st);
  zel_container_t c{};
  ZCHECK(c = ZEL_CreateContainer(s, setup.container.c_str(), ZEL_MODE_DISK, &st));
  zel_type_t real{}, logic{};
  ZCHECK(real = ZEL_CreateBuiltinType(s, c, "real", ZEL_REAL, &st));
  const char* literals[] = {"0", "1"};
  ZCHECK(logic = ZEL_CreateEnumerationType(s, c, "bit", 2, literals, 0, 1, ZEL_RANGE_ASCENDING, &st));
  zel_dimensionDescriptor_t time{}, volt{}, level{};
  ZCHECK(time = ZEL_CreateDimensionDescriptor(s, c, "time", "s", real, &st));
  ZCHECK(volt = ZEL_CreateDimensionDescriptor(s, c, "v", "V", real, &st));
  ZCHECK(level = ZEL_CreateDimensionDescriptor(s, c, "level", "", logic, &st));
  zel_waveformSet_t set{};
  ZCHECK(set = ZEL_CreateWaveformSet(s, c, "tran", time, 0, nullptr, &st));
  zel_segment_t segment{};
  ZCHECK(segment = ZEL_CreateSegment(s, set, 0, nullptr, &st));
  zel_hierarchyNode_t root{};
  ZCHECK(root = ZEL_GetNameHierarchyRootNode(s, set, &st));
  zel_simResultWriter_t writer{};
  ZCHECK(writer = ZEL_CreateSimResultWriter(s, segment, 0, &st));
  zel_simResultSubset_t analog{}, digital{};
  ZCHECK(analog = ZEL_CreateSimResultSubset(s, writer, ZEL_STORAGE_ANALOG, &st));
  ZCHECK(digital = ZEL_CreateSimResultSubset(s, writer, ZEL_STORAGE_DIGITAL, &st));
  std::vector<ZEL_SimWfDataWriter*> data(setup.analog);
  for (unsigned k = 0; k < setup.analog; ++k) {
    zel_waveform_t w{};
    ZCHECK(w = ZEL_CreateWaveform(s, set, 0, volt, &st));
    ZCHECK(ZEL_AddHierarchyScalarWf(s, root, WaveName(k).c_str(), ZEL_HDL_SLASH, w, &st));
    ZCHECK(ZEL_AddSimResultWaveform(s, analog, w, &st));
    ZCHECK(data[k] = ZEL_GetSimWfDataWriter_p(s, analog, k, &st));
  }
  zel_waveform_t d{};
  ZCHECK(d = ZEL_CreateWaveform(s, set, 0, level, &st));
  ZCHECK(ZEL_AddHierarchyScalarWf(s, root, "top/clk", ZEL_HDL_SLASH, d, &st));
  ZCHECK(ZEL_AddSimResultWaveform(s, digital, d, &st));
  ZEL_SimWfDataWriter* clock{};
  ZCHECK(clock = ZEL_GetSimWfDataWriter_p(s, digital, 0, &st));
  ZCHECK(ZEL_SetSimInterpolationType(s, analog, ZEL_INTERPOLATION_LINEAR, &st));
  ZCHECK(ZEL_SimInitializeWriting(s, writer, &st));
  for (unsigned p = 0; p < setup.points; ++p) {
    const double t = Time(p);
    ZCHECK(ZEL_SimStartCycle(s, writer, &t, &st));
    ZCHECK(ZEL_SimStartDataFront(s, analog, 0, &st));
    for (unsigned k = 0; k < setup.analog; ++k) {
      const double v = Value(p, k);
      ZCHECK(ZEL_SimWfDataWriterEnterValue(data[k], &v, &st));
    }
    ZCHECK(ZEL_SimEndDataFront(s, analog, &st));
    ZCHECK(ZEL_SimStartDataFront(s, digital, 0, &st));
    const unsigned char bit = p & 1;
    ZCHECK(ZEL_SimWfDataWriterEnterValue(clock, &bit, &st));
    ZCHECK(ZEL_SimEndDataFront(s, digital, &st));
    ZCHECK(ZEL_SimEndCycle(s, writer, &st));
  }
  ZCHECK(ZEL_SimTerminateWriting(s, writer, &st));
  ZCHECK(ZEL_CommitWaveformData(s, segment, 0, &st));
  ZCHECK(ZEL_CloseContainer(s, c, &st));
  ZCHECK(ZEL_TermSession(s, &st));
  return true;
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

  bool Open(const Setup& setup, const std::string& path) {
    zel_status_t st = ZEL_OK;
    ZCHECK(s = ZEL_InitSession(&st));
    ZCHECK(c = ZEL_OpenContainer(s, setup.container.c_str(), ZEL_IOMODE_READ, &st));
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

  // Starts reading, sums Y (and counts X) through the buffers; keeps the
  // segment open when keepOpen is set.
  bool Read(double* sum, unsigned* points, bool keepOpen = false) {
    zel_status_t st = ZEL_OK;
    ZCHECK(ZEL_StartReadingSegment(s, reader, segment, &st));
    unsigned n = 0;
    ZCHECK(n = ZEL_GetPointCount(s, data, &st));
    const void* x = nullptr;
    const void* y = nullptr;
    if (n > 0) ZCHECK(ZEL_GetWaveformDataXYBuffers(s, data, 0, &x, &y, nullptr, &st));
    if (y != nullptr) {
      const unsigned char* bytes = static_cast<const unsigned char*>(y);
      // Digital values are one byte, analog ones doubles.
      if (n > 0 && points != nullptr && *points == 1) {
        for (unsigned i = 0; i < n; ++i) *sum += bytes[i];
      } else {
        const double* values = static_cast<const double*>(y);
        for (unsigned i = 0; i < n; ++i) *sum += values[i];
      }
    }
    if (points != nullptr) *points = n;
    if (!keepOpen) ZCHECK(ZEL_EndReading(s, reader, &st));
    return true;
  }

  void Close() {
    zel_status_t st;
    ZEL_DeleteReader(s, reader, &st);
    ZEL_DeleteView(s, view, &st);
    ZEL_CloseContainer(s, c, &st);
    ZEL_TermSession(s, &st);
  }
};

bool ReadLibrary(const Setup& setup, double* sum) {
  LibraryReader r;
  const bool ok = r.Open(setup, WaveName(setup.target)) && r.Read(sum, nullptr);
  r.Close();
  return ok;
}

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

struct Workload {
  const char* name;
  std::function<bool(const Setup&, double*)> read;
};

// Lookups of Y at X: the library's bisection against a scan of the X buffer.
void YatXLookups(const Setup& setup, double* library, double* scan) {
  LibraryReader r;
  double sum = 0;
  unsigned n = 0;
  *library = *scan = 0;
  if (!r.Open(setup, WaveName(setup.target)) || !r.Read(&sum, &n, true) || n < 2) {
    r.Close();
    return;
  }
  zel_status_t st = ZEL_OK;
  const void* xv = nullptr;
  const void* yv = nullptr;
  ZEL_GetWaveformDataXYBuffers(r.s, r.data, 0, &xv, &yv, nullptr, &st);
  const double* xs = static_cast<const double*>(xv);
  const double* ys = static_cast<const double*>(yv);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> pick(xs[0], xs[n - 1]);
  const unsigned lookups = 20000;
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
  r.Close();
}

int RunSetup(Setup& setup, int repetitions) {
  std::printf("\nA=%u analog waveforms x N=%u cycles (+1 digital), reading waveform %u\n", setup.analog,
              setup.points, setup.target);
  auto start = Clock::now();
  if (!WriteContainer(setup) || !WriteRawFiles(setup)) return 1;
#ifdef ZEL_BENCH_HAVE_HDF5
  if (!WriteHdf5(setup)) return 1;
#endif
  ::sync();
  std::printf("  written in %.1f s\n", Seconds(start));

  std::vector<Workload> workloads = {{"library", ReadLibrary}, {"interleaved", ReadInterleaved},
                                     {"own-file", ReadOwnFile}};
#ifdef ZEL_BENCH_HAVE_HDF5
  workloads.push_back({"hdf5-column", ReadHdf5});
#endif
  std::vector<std::vector<double>> times[2];  // [cold][workload]
  times[0].resize(workloads.size());
  times[1].resize(workloads.size());
  std::vector<double> first, second, digital;
  for (int r = 0; r < repetitions; ++r) {
    for (int cold = 0; cold < 2; ++cold) {
      for (size_t w = 0; w < workloads.size(); ++w) {
        if (cold && !zelbench::DropFromCache(setup.dir)) return 1;
        double sum = 0;
        start = Clock::now();
        if (!workloads[w].read(setup, &sum)) {
          std::fprintf(stderr, "%s read failed\n", workloads[w].name);
          return 1;
        }
        times[cold][w].push_back(Seconds(start));
      }
    }
    // First and second read of one waveform segment in one session.
    LibraryReader reader;
    if (!reader.Open(setup, WaveName(setup.target))) return 1;
    double sum = 0;
    start = Clock::now();
    bool ok = reader.Read(&sum, nullptr);
    first.push_back(Seconds(start));
    start = Clock::now();
    ok = ok && reader.Read(&sum, nullptr);
    second.push_back(Seconds(start));
    reader.Close();
    // The digital waveform, every change.
    LibraryReader clock;
    unsigned points = 1;  // asks Read for one-byte values
    start = Clock::now();
    ok = ok && clock.Open(setup, "top/clk") && clock.Read(&sum, &points);
    digital.push_back(Seconds(start) / std::max(1u, points));
    clock.Close();
    if (!ok) return 1;
  }
  std::printf("  %-12s %12s %12s %16s %16s\n", "read", "warm ms", "cold ms", "this/lib warm", "this/lib cold");
  const double libWarm = zelbench::Median(times[0][0]);
  const double libCold = zelbench::Median(times[1][0]);
  for (size_t w = 0; w < workloads.size(); ++w) {
    const double warm = zelbench::Median(times[0][w]);
    const double cold = zelbench::Median(times[1][w]);
    std::printf("  %-12s %12.3f %12.3f %16.2f %16.2f\n", workloads[w].name, warm * 1e3, cold * 1e3, warm / libWarm,
                cold / libCold);
  }
  const double firstRead = zelbench::Median(first);
  const double secondRead = zelbench::Median(second);
  std::printf("  same session: first read %.3f ms, second read %.3f ms (%.1fx faster)\n", firstRead * 1e3,
              secondRead * 1e3, firstRead / secondRead);
  double bisect = 0, scan = 0;
  YatXLookups(setup, &bisect, &scan);
  std::printf("  Y at X: ZEL_GetWaveformDataYatX %.0f ns, linear scan %.0f ns per lookup (%.1fx)\n", bisect * 1e9,
              scan * 1e9, bisect > 0 ? scan / bisect : 0.0);
  std::printf("  digital waveform (%u changes): %.1f ns per point, open to sum\n", setup.points,
              zelbench::Median(digital) * 1e9);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp != nullptr ? tmp : "/tmp";
  int repetitions = 5;
  unsigned points = 0;
  std::vector<unsigned> counts = {100, 1000, 5000};
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    std::string value;
    if (zelbench::ParseFlag(argv[i], "--waveforms", value)) {
      counts.clear();
      for (char* p = value.data(); *p != '\0';) {
        counts.push_back(static_cast<unsigned>(std::strtoul(p, &p, 10)));
        if (*p == ',') ++p;
        else if (*p != '\0') counts.clear(), p += std::strlen(p);
      }
    } else if (zelbench::ParseFlag(argv[i], "--points", value)) {
      points = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
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
  }
  if (counts.empty() || std::count(counts.begin(), counts.end(), 0u) > 0) {
    std::fprintf(stderr, "--waveforms takes a comma-separated list of counts of at least 1\n");
    return 2;
  }
#ifdef ZEL_BENCH_HAVE_HDF5
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
#endif
  std::string pattern = base + "/zel_read_bench_XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path root = pattern;
  int rc = 0;
  for (unsigned analog : counts) {
    Setup setup;
    setup.analog = analog;
    setup.points = points != 0 ? points : std::min(20000u, 16000000u / analog);
    setup.target = analog / 2;
    setup.dir = root / ("a" + std::to_string(analog));
    fs::create_directories(setup.dir);
    setup.container = (setup.dir / "run").string();
    rc = RunSetup(setup, repetitions);
    if (!keep) fs::remove_all(setup.dir);
    if (rc != 0) break;
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
