// Data views against readers and against plain files (the floor).
//
// Data: a sweep of S segments (one per value of a parameter) x W analog
// waveforms x N points, written by the simulation result writer (defaults
// 100 x 100 x 10 000: 800 MB of values), plus one waveform "sparse" in a
// digital subset with a value every other cycle (its X differs from the
// analog waveforms'). The floor: the Y values of waveform 0 in one file per
// segment, N doubles each. Everything is read warm (page cache), through
// the public interface only.
//
// Workloads (interleaved, medians over the repetitions; each reads the Y
// values of all S segments and sums them, so nothing is skipped):
//   view          a default data view over waveform 0: open, walk every
//                 view segment, set up its whole leg, read the Y buffer,
//                 close.
//   readers       one reader on waveform 0: per segment start reading,
//                 take its waveform segment, set up, read the Y buffer, end.
//   floor         per segment open its file, read N doubles, close.
//   derivative    a view with the derivative of Y (same walk).
//   minus-sparse  a view of waveform 0 minus an open view of "sparse"
//                 (merged onto the common X; the other view stays open).
// Aims: view within 1.5x of readers; derivative within 2x of view.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "zel/zel.h"

namespace {

constexpr unsigned kNone = 0xFFFFFFFFu;

struct Sizes {
  unsigned segments = 100;
  unsigned waveforms = 100;
  unsigned points = 10000;
};

double ValueOf(unsigned segment, unsigned waveform, unsigned i) { return segment + waveform * 1e-3 + i * 1e-6; }

bool Write(const std::string& name, const std::string& floorDir, const Sizes& n) {
  zel_status_t st = ZEL_OK;
  zel_session_t s = ZEL_InitSession(&st);
  zel_container_t c;
  ZCHECK(c = ZEL_CreateContainer(s, name.c_str(), ZEL_MODE_DISK, &st));
  zel_type_t real;
  ZCHECK(real = ZEL_CreateBuiltinType(s, c, "real", ZEL_REAL, &st));
  zel_dimensionDescriptor_t time, volt;
  ZCHECK(time = ZEL_CreateDimensionDescriptor(s, c, "time", "s", real, &st));
  ZCHECK(volt = ZEL_CreateDimensionDescriptor(s, c, "v", "V", real, &st));
  zel_parameter_t p;
  ZCHECK(p = ZEL_CreateParameter(s, c, "p", volt, &st));
  std::vector<double> values(n.segments);
  for (unsigned k = 0; k < n.segments; ++k) values[k] = k;
  ZCHECK(ZEL_AppendParameterValues(s, p, n.segments, values.data(), nullptr, &st));
  zel_waveformSet_t set;
  ZCHECK(set = ZEL_CreateWaveformSet(s, c, "tran", time, 1, &p, &st));
  zel_hierarchyNode_t root;
  ZCHECK(root = ZEL_GetNameHierarchyRootNode(s, set, &st));
  std::vector<zel_waveform_t> waves(n.waveforms + 1);
  for (unsigned w = 0; w <= n.waveforms; ++w) {
    ZCHECK(waves[w] = ZEL_CreateWaveform(s, set, 0, volt, &st));
    const std::string path = w < n.waveforms ? "w" + std::to_string(w) : "sparse";
    ZCHECK(ZEL_AddHierarchyScalarWf(s, root, path.c_str(), ZEL_HDL_SLASH, waves[w], &st));
  }
  std::vector<double> floor(n.points);
  for (unsigned k = 0; k < n.segments; ++k) {
    zel_segment_t segment;
    ZCHECK(segment = ZEL_CreateSegment(s, set, 1, &k, &st));
    zel_simResultWriter_t writer;
    ZCHECK(writer = ZEL_CreateSimResultWriter(s, segment, 0, &st));
    zel_simResultSubset_t analog, digital;
    ZCHECK(analog = ZEL_CreateSimResultSubset(s, writer, ZEL_STORAGE_ANALOG, &st));
    ZCHECK(digital = ZEL_CreateSimResultSubset(s, writer, ZEL_STORAGE_DIGITAL, &st));
    std::vector<ZEL_SimWfDataWriter*> data(n.waveforms + 1);
    for (unsigned w = 0; w <= n.waveforms; ++w) {
      zel_simResultSubset_t subset = w < n.waveforms ? analog : digital;
      unsigned index;
      ZCHECK(index = ZEL_AddSimResultWaveform(s, subset, waves[w], &st));
      ZCHECK(data[w] = ZEL_GetSimWfDataWriter_p(s, subset, index, &st));
    }
    ZCHECK(ZEL_SimInitializeWriting(s, writer, &st));
    for (unsigned i = 0; i < n.points; ++i) {
      const double t = i * 1e-9;
      ZCHECK(ZEL_SimStartCycle(s, writer, &t, &st));
      ZCHECK(ZEL_SimStartDataFront(s, analog, 0, &st));
      for (unsigned w = 0; w < n.waveforms; ++w) {
        const double v = ValueOf(k, w, i);
        ZCHECK(ZEL_SimWfDataWriterEnterValue(data[w], &v, &st));
      }
      ZCHECK(ZEL_SimEndDataFront(s, analog, &st));
      ZCHECK(ZEL_SimStartDataFront(s, digital, 0, &st));
      if (i % 2 == 0) {
        const double v = ValueOf(k, 1, i);
        ZCHECK(ZEL_SimWfDataWriterEnterValue(data[n.waveforms], &v, &st));
      }
      ZCHECK(ZEL_SimEndDataFront(s, digital, &st));
      ZCHECK(ZEL_SimEndCycle(s, writer, &st));
      floor[i] = ValueOf(k, 0, i);
    }
    ZCHECK(ZEL_SimTerminateWriting(s, writer, &st));
    ZCHECK(ZEL_CommitWaveformData(s, segment, 0, &st));
    ZCHECK(ZEL_DeleteSimResultWriter(s, writer, &st));
    const std::string file = floorDir + "/segment" + std::to_string(k);
    FILE* f = std::fopen(file.c_str(), "wb");
    if (f == nullptr || std::fwrite(floor.data(), sizeof(double), n.points, f) != n.points) return false;
    std::fclose(f);
  }
  ZCHECK(ZEL_CloseContainer(s, c, &st));
  ZCHECK(ZEL_TermSession(s, &st));
  return true;
}

// The reading side: one session with the container open for reading.
struct Reading {
  zel_session_t s{};
  zel_container_t c{};
  zel_waveformSet_t set{};
  zel_waveform_t w0{}, sparse{};
  Sizes n;
  std::string floorDir;
  double sum = 0;  // of every value read, so that no read is optimised away
};

zel_waveform_t Find(Reading& r, const char* path, zel_status_t& st) {
  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(r.s, r.set, &st);
  unsigned count = 0;
  zel_hierarchyNode_t* nodes = ZEL_GetHierarchyNodes(r.s, root, path, ZEL_HDL_SLASH, &count, &st);
  zel_waveform_t w = ZEL_NullWaveform;
  if (st == ZEL_OK && count == 1) w = ZEL_GetHierarchyWaveform(r.s, nodes[0], &st);
  std::free(nodes);
  return w;
}

// Sums the Y values of one waveform segment's leg 0; its point count.
unsigned SumSegment(Reading& r, ZEL_WfSegment* segment, zel_status_t& st) {
  const unsigned count = ZEL_SetupGetWfSegmentBuffer(segment, 0, 0, &st);
  const auto* y = static_cast<const double*>(ZEL_GetWfSegmentYBuffer(segment, &st));
  if (st != ZEL_OK || y == nullptr) return 0;
  double sum = 0;
  for (unsigned i = 0; i < count; ++i) sum += y[i];
  r.sum += sum;
  return count;
}

// Opens view, walks and sums every view segment, closes it; the number of
// view segments read.
bool WalkView(Reading& r, zel_wfDataView_t view) {
  zel_status_t st = ZEL_OK;
  ZCHECK(ZEL_OpenWfDataView(r.s, view, &st));
  unsigned walked = 0;
  for (unsigned k = ZEL_GetViewFirstSegment(r.s, view, &st); k != kNone && st == ZEL_OK;
       k = ZEL_GetViewNextSegment(r.s, view, k, &st)) {
    ZEL_WfSegment* segment = ZEL_GetViewSegment(r.s, view, k, &st);
    if (st == ZEL_OK && SumSegment(r, segment, st) > 0) ++walked;
  }
  if (st != ZEL_OK) return zelbench::Fail("walking the view", st);
  ZCHECK(ZEL_CloseWfDataView(r.s, view, &st));
  if (walked != r.n.segments) return std::fprintf(stderr, "walked %u view segments\n", walked), false;
  return true;
}

bool ReadWithReader(Reading& r, zel_reader_t reader, zel_wfDataReader_t data) {
  zel_status_t st = ZEL_OK;
  for (unsigned k = 0; k < r.n.segments; ++k) {
    zel_segment_t segment;
    ZCHECK(segment = ZEL_GetSegment(r.s, r.set, k, &st));
    ZCHECK(ZEL_StartReadingSegment(r.s, reader, segment, &st));
    ZEL_WfSegment* wf;
    ZCHECK(wf = ZEL_GetWaveformDataWfSegment(r.s, data, &st));
    if (SumSegment(r, wf, st) != r.n.points) return zelbench::Fail("reading a segment", st);
    ZCHECK(ZEL_EndReading(r.s, reader, &st));
  }
  return true;
}

bool ReadFloor(Reading& r, std::vector<double>& buffer) {
  for (unsigned k = 0; k < r.n.segments; ++k) {
    const std::string file = r.floorDir + "/segment" + std::to_string(k);
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0) return false;
    const ssize_t bytes = static_cast<ssize_t>(r.n.points * sizeof(double));
    const bool ok = ::read(fd, buffer.data(), bytes) == bytes;
    ::close(fd);
    if (!ok) return false;
    double sum = 0;
    for (unsigned i = 0; i < r.n.points; ++i) sum += buffer[i];
    r.sum += sum;
  }
  return true;
}

double Seconds(const std::function<bool()>& run) {
  const auto start = std::chrono::steady_clock::now();
  if (!run()) {
    std::fprintf(stderr, "a workload failed\n");
    std::exit(1);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  Sizes n;
  unsigned repetitions = 7;
  std::string dir;
  for (int i = 1; i < argc; ++i) {
    std::string value;
    if (zelbench::ParseFlag(argv[i], "--segments", value)) {
      n.segments = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (zelbench::ParseFlag(argv[i], "--waveforms", value)) {
      n.waveforms = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (zelbench::ParseFlag(argv[i], "--points", value)) {
      n.points = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (zelbench::ParseFlag(argv[i], "--repetitions", value)) {
      repetitions = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (zelbench::ParseFlag(argv[i], "--dir", value)) {
      dir = value;
    } else {
      std::fprintf(stderr, "unknown flag %s\n", argv[i]);
      return 2;
    }
  }
  if (n.segments == 0 || n.waveforms < 2 || n.points < 4 || repetitions == 0) {
    std::fprintf(stderr, "need --segments >= 1, --waveforms >= 2, --points >= 4, --repetitions >= 1\n");
    return 2;
  }
  if (dir.empty()) {
    char scratch[] = "/tmp/zel_view_benchXXXXXX";
    if (::mkdtemp(scratch) == nullptr) return 1;
    dir = scratch;
  }
  const std::string name = dir + "/sweep";
  Reading r;
  r.n = n;
  r.floorDir = dir + "/floor";
  std::filesystem::create_directories(r.floorDir);
  std::printf("writing %u segments x %u waveforms x %u points ...\n", n.segments, n.waveforms, n.points);
  if (!Write(name, r.floorDir, n)) return 1;

  zel_status_t st = ZEL_OK;
  r.s = ZEL_InitSession(&st);
  r.c = ZEL_OpenContainer(r.s, name.c_str(), ZEL_IOMODE_READ, &st);
  r.set = ZEL_FindWaveformSet(r.s, r.c, "tran", &st);
  r.w0 = Find(r, "w0", st);
  r.sparse = Find(r, "sparse", st);
  zel_wfDataView_t plain = ZEL_CreateWfDataView(r.s, r.w0, &st);
  zel_wfDataView_t derivative = ZEL_CreateWfDataView(r.s, r.w0, &st);
  ZEL_AddViewUnaryOperation(r.s, derivative, -2, ZEL_OP_DERIVATIVE, &st);
  zel_wfDataView_t sparse = ZEL_CreateWfDataView(r.s, r.sparse, &st);
  ZEL_OpenWfDataView(r.s, sparse, &st);
  zel_wfDataView_t minus = ZEL_CreateWfDataView(r.s, r.w0, &st);
  ZEL_AddViewBinOpArg2Waveform(r.s, minus, ZEL_OP_SUBTRACT, sparse, &st);
  zel_view_t readerView = ZEL_CreateView(r.s, &st);
  zel_reader_t reader = ZEL_CreateReader(r.s, r.c, readerView, &st);
  zel_wfDataReader_t data = ZEL_AddReaderWaveform(r.s, reader, r.w0, &st);
  if (st != ZEL_OK) return zelbench::Fail("setting up the readers", st) ? 0 : 1;
  std::vector<double> buffer(n.points);

  struct Workload {
    const char* name;
    std::function<bool()> run;
    std::vector<double> seconds;
  };
  std::vector<Workload> workloads = {
      {"view", [&] { return WalkView(r, plain); }, {}},
      {"readers", [&] { return ReadWithReader(r, reader, data); }, {}},
      {"floor", [&] { return ReadFloor(r, buffer); }, {}},
      {"derivative", [&] { return WalkView(r, derivative); }, {}},
      {"minus-sparse", [&] { return WalkView(r, minus); }, {}},
  };
  for (Workload& w : workloads) w.run();  // warm the page cache and the code
  for (unsigned rep = 0; rep < repetitions; ++rep) {
    for (Workload& w : workloads) w.seconds.push_back(Seconds(w.run));
  }
  std::printf("%u segments x %u points of one waveform out of %u, warm; medians of %u\n", n.segments, n.points,
              n.waveforms, repetitions);
  std::printf("%-14s %10s %14s\n", "workload", "ms", "ns per point");
  std::vector<double> medians;
  for (Workload& w : workloads) {
    medians.push_back(zelbench::Median(w.seconds));
    std::printf("%-14s %10.2f %14.2f\n", w.name, medians.back() * 1e3,
                medians.back() * 1e9 / (double(n.segments) * n.points));
  }
  std::printf("view / readers      %.2f (aim <= 1.5)\n", medians[0] / medians[1]);
  std::printf("readers / floor     %.2f\n", medians[1] / medians[2]);
  std::printf("view / floor        %.2f\n", medians[0] / medians[2]);
  std::printf("derivative / view   %.2f (aim <= 2)\n", medians[3] / medians[0]);
  std::printf("minus-sparse / view %.2f\n", medians[4] / medians[0]);
  std::printf("(checksum %.6g)\n", r.sum);

  ZEL_DeleteReader(r.s, reader, &st);
  ZEL_DeleteView(r.s, readerView, &st);
  ZEL_CloseContainer(r.s, r.c, &st);
  ZEL_TermSession(r.s, &st);
  std::filesystem::remove_all(dir);
  return 0;
}
