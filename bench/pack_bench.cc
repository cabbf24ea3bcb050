// Packing a bus: a 64-bit bus whose bits are stored as 64 one-bit
// waveforms, read as one composite waveform (the hierarchy derives it from
// the bits), against hand-written loops on plain arrays doing the same
// packing.
//
// Data: 64 waveforms of a two-literal enumeration (one byte stored, one bit
// packed) with N changes each, written by the simulation result writer into
// one segment of a container of their own per case; the hierarchy holds a
// bus d[63:0] (an array of 64 bits, eight bytes per value) with the 64
// waveforms as its subelements.
//   shared   one analog subset, N cycles: every bit has a value at every
//            cycle (bit k at cycle i is bit 0 of i * (2k + 1) + k), so the
//            bits share their X values and are packed over them
//   merged   one digital subset, 2N cycles: the even bits change at the
//            even cycles, the odd bits at the odd ones (each toggles), so
//            the bits are merged onto the 2N cycles first; a bit has no
//            value before its first change (it packs as zero there) and
//            keeps its last value after its last change
//
// Workloads per case (interleaved, medians reported):
//   library  in a session with the container open and the 64 bits already
//            read once (their values kept in memory, as after a first look
//            at them), a reader on the composite waveform: start reading
//            segment 0 (the values are computed), the X and Y buffers, a
//            checksum over Y, end; the composite is derived anew for every
//            run, so nothing computed is reused
//   loops    the same values in plain arrays packed into eight-byte values
//            with the same bit order (bit k of the bus is bit 7 - k % 8 of
//            byte k / 8), the same checksum:
//              shared: field by field (one pass per bit, as the library
//              packs) and value by value (64 bits gathered in a word)
//              merged: a walk over the 64 bits' X arrays in ascending X
//              (the smallest current X of all, then each bit's value
//              there), as the library merges
// The results (and the merged X values) are compared in every run.
//
// Flags:
//   --points=N         changes per bit (default 100000)
//   --repetitions=R    interleaved runs of each workload (default 7)
//   --dir=PATH         directory for the containers (default $TMPDIR or /tmp)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "zel/zel.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr unsigned Bits = 64;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The values of one bit: X (cycle times) and Y (0 or 1) side by side.
struct Bit {
  std::vector<double> x;
  std::vector<unsigned char> y;
};

// The bits of a case as the simulator writes them.
std::vector<Bit> SharedBits(unsigned points) {
  std::vector<Bit> bits(Bits);
  for (unsigned k = 0; k < Bits; ++k) {
    for (unsigned i = 0; i < points; ++i) {
      bits[k].x.push_back(i * 1e-9);
      bits[k].y.push_back(static_cast<unsigned char>((i * (2 * k + 1) + k) & 1));
    }
  }
  return bits;
}

std::vector<Bit> MergedBits(unsigned points) {
  std::vector<Bit> bits(Bits);
  for (unsigned k = 0; k < Bits; ++k) {
    for (unsigned n = 0; n < points; ++n) {
      const unsigned cycle = 2 * n + k % 2;
      bits[k].x.push_back(cycle * 1e-9);
      bits[k].y.push_back(static_cast<unsigned char>((n + k / 2) & 1));
    }
  }
  return bits;
}

// Writes the bits cycle by cycle: an analog subset when every bit has a
// value at every cycle, else a digital one.
bool WriteContainer(const std::string& name, const std::vector<Bit>& bits, bool analog) {
  zel_status_t st = ZEL_OK;
  zel_session_t s = ZEL_InitSession(&st);
  if (st != ZEL_OK) return zelbench::Fail("ZEL_InitSession", st);
  zel_container_t c{};
  ZCHECK(c = ZEL_CreateContainer(s, name.c_str(), ZEL_MODE_DISK, &st));
  zel_type_t real{}, integer{}, bit{}, bus{};
  ZCHECK(real = ZEL_CreateBuiltinType(s, c, "real", ZEL_REAL, &st));
  ZCHECK(integer = ZEL_CreateBuiltinType(s, c, "int", ZEL_INTEGER, &st));
  const char* literals[] = {"0", "1"};
  ZCHECK(bit = ZEL_CreateEnumerationType(s, c, "bit", 2, literals, 0, 1, ZEL_RANGE_ASCENDING, &st));
  const zel_range_t range{integer, static_cast<int>(Bits) - 1, 0, ZEL_RANGE_DESCENDING};
  ZCHECK(bus = ZEL_CreateArrayType(s, c, "bus", bit, 1, &range, &st));
  zel_dimensionDescriptor_t time{}, level{};
  ZCHECK(time = ZEL_CreateDimensionDescriptor(s, c, "time", "s", real, &st));
  ZCHECK(level = ZEL_CreateDimensionDescriptor(s, c, "level", "", bit, &st));
  zel_waveformSet_t set{};
  ZCHECK(set = ZEL_CreateWaveformSet(s, c, "tran", time, 0, nullptr, &st));
  zel_segment_t segment{};
  ZCHECK(segment = ZEL_CreateSegment(s, set, 0, nullptr, &st));
  zel_hierarchyNode_t root{}, node{};
  ZCHECK(root = ZEL_GetNameHierarchyRootNode(s, set, &st));
  ZCHECK(node = ZEL_AddHierarchyCompositeType(s, root, "d[63:0]", ZEL_HDL_SLASH, bus, &st));
  zel_simResultWriter_t writer{};
  ZCHECK(writer = ZEL_CreateSimResultWriter(s, segment, 0, &st));
  zel_simResultSubset_t subset{};
  ZCHECK(subset = ZEL_CreateSimResultSubset(s, writer, analog ? ZEL_STORAGE_ANALOG : ZEL_STORAGE_DIGITAL, &st));
  std::vector<ZEL_SimWfDataWriter*> data(Bits);
  for (unsigned k = 0; k < Bits; ++k) {
    zel_waveform_t w{};
    ZCHECK(w = ZEL_CreateWaveform(s, set, 0, level, &st));
    ZCHECK(ZEL_AddHierarchyScalarSubelWf(s, node, k, w, &st));
    ZCHECK(ZEL_AddSimResultWaveform(s, subset, w, &st));
    ZCHECK(data[k] = ZEL_GetSimWfDataWriter_p(s, subset, k, &st));
  }
  ZCHECK(ZEL_SetSimInterpolationType(s, subset, ZEL_INTERPOLATION_CONSTANT, &st));
  ZCHECK(ZEL_SimInitializeWriting(s, writer, &st));
  // Every X value of any bit, in order, and each bit's next point.
  std::vector<double> cycles;
  for (const Bit& b : bits) cycles.insert(cycles.end(), b.x.begin(), b.x.end());
  std::sort(cycles.begin(), cycles.end());
  cycles.erase(std::unique(cycles.begin(), cycles.end()), cycles.end());
  std::vector<size_t> next(Bits, 0);
  for (double t : cycles) {
    ZCHECK(ZEL_SimStartCycle(s, writer, &t, &st));
    ZCHECK(ZEL_SimStartDataFront(s, subset, 0, &st));
    for (unsigned k = 0; k < Bits; ++k) {
      if (next[k] < bits[k].x.size() && bits[k].x[next[k]] == t) {
        ZCHECK(ZEL_SimWfDataWriterEnterValue(data[k], &bits[k].y[next[k]], &st));
        ++next[k];
      }
    }
    ZCHECK(ZEL_SimEndDataFront(s, subset, &st));
    ZCHECK(ZEL_SimEndCycle(s, writer, &st));
  }
  return zelbench::FinishSimRun(s, c, segment, writer);
}

uint64_t Checksum(const unsigned char* bytes, size_t n) {
  uint64_t sum = 0;
  for (size_t i = 0; i < n; ++i) sum = sum * 31 + bytes[i];
  return sum;
}

// What a run produced: the packed values and their X values.
struct Packed {
  std::vector<unsigned char> y;
  std::vector<double> x;
  uint64_t checksum = 0;
};

// A container open (for writing: a run deletes and adds nodes) with the bits
// read once.
struct Library {
  zel_session_t s{};
  zel_container_t c{};
  zel_segment_t segment{};
  zel_hierarchyNode_t root{};
  zel_hierarchyNode_t bus{};
  zel_view_t view{};

  bool Open(const std::string& name) {
    zel_status_t st = ZEL_OK;
    ZCHECK(s = ZEL_InitSession(&st));
    ZCHECK(c = ZEL_OpenContainer(s, name.c_str(), ZEL_IOMODE_WRITE, &st));
    zel_waveformSet_t set{};
    ZCHECK(set = ZEL_FindWaveformSet(s, c, "tran", &st));
    ZCHECK(segment = ZEL_GetSegment(s, set, 0, &st));
    ZCHECK(root = ZEL_GetNameHierarchyRootNode(s, set, &st));
    unsigned count = 0;
    zel_hierarchyNode_t* nodes = nullptr;
    ZCHECK(nodes = ZEL_GetHierarchyNodes(s, root, "d[63:0]", ZEL_HDL_SLASH, &count, &st));
    if (count != 1) return false;
    bus = nodes[0];
    std::free(nodes);
    ZCHECK(view = ZEL_CreateView(s, &st));
    // The bits read once: their values stay kept by their data sets.
    zel_reader_t reader{};
    ZCHECK(reader = ZEL_CreateReader(s, c, view, &st));
    for (unsigned k = 0; k < Bits; ++k) {
      zel_waveform_t w{};
      ZCHECK(w = ZEL_GetHierarchyWaveform(s, ZEL_GetHierarchySubelNode(s, bus, k, &st), &st));
      ZCHECK(ZEL_AddReaderWaveform(s, reader, w, &st));
    }
    ZCHECK(ZEL_StartReadingSegment(s, reader, segment, &st));
    ZCHECK(ZEL_EndReading(s, reader, &st));
    ZCHECK(ZEL_DeleteReader(s, reader, &st));
    return true;
  }

  // One run: the composite read through a reader (timed), its values kept
  // in out; then the composite is let go, so that the next run computes it
  // anew.
  bool Run(double* seconds, Packed& out) {
    zel_status_t st = ZEL_OK;
    zel_waveform_t composite{};
    ZCHECK(composite = ZEL_GetHierarchyWaveform(s, bus, &st));
    zel_reader_t reader{};
    ZCHECK(reader = ZEL_CreateReader(s, c, view, &st));
    zel_wfDataReader_t data{};
    ZCHECK(data = ZEL_AddReaderWaveform(s, reader, composite, &st));
    const Clock::time_point start = Clock::now();
    ZCHECK(ZEL_StartReadingSegment(s, reader, segment, &st));
    unsigned n = 0;
    ZCHECK(n = ZEL_GetPointCount(s, data, &st));
    const void* x = nullptr;
    const void* y = nullptr;
    const unsigned* orders = nullptr;
    ZCHECK(ZEL_GetWaveformDataXYBuffers(s, data, 0, &x, &y, &orders, &st));
    out.checksum = Checksum(static_cast<const unsigned char*>(y), size_t{n} * 8);
    *seconds = Seconds(start);
    out.y.assign(static_cast<const unsigned char*>(y), static_cast<const unsigned char*>(y) + size_t{n} * 8);
    out.x.assign(static_cast<const double*>(x), static_cast<const double*>(x) + n);
    ZCHECK(ZEL_EndReading(s, reader, &st));
    ZCHECK(ZEL_DeleteReader(s, reader, &st));
    // Deleting the node of bit 0 and adding it again lets the composite go
    // (it would lose that field); a spare node keeps the bit's waveform.
    zel_hierarchyNode_t field{};
    ZCHECK(field = ZEL_GetHierarchySubelNode(s, bus, 0, &st));
    zel_waveform_t w{};
    ZCHECK(w = ZEL_GetHierarchyWaveform(s, field, &st));
    zel_hierarchyNode_t spare{};
    ZCHECK(spare = ZEL_AddHierarchyScalarWf(s, root, "keep", ZEL_HDL_SLASH, w, &st));
    ZCHECK(ZEL_DeleteHierarchyNode(s, field, &st));
    ZCHECK(ZEL_AddHierarchyScalarSubelWf(s, bus, 0, w, &st));
    ZCHECK(ZEL_DeleteHierarchyNode(s, spare, &st));
    return true;
  }

  void Close() {
    zel_status_t st;
    ZEL_DeleteView(s, view, &st);
    ZEL_TermSession(s, &st);
  }
};

// ---- the loops --------------------------------------------------------------------

// Field by field over shared X values, as the library packs them.
void FieldLoop(const std::vector<Bit>& bits, Packed& out, double* seconds) {
  const Clock::time_point start = Clock::now();
  const size_t n = bits.front().y.size();
  out.y.assign(n * 8, 0);
  unsigned char* packed = out.y.data();
  for (unsigned k = 0; k < Bits; ++k) {
    const unsigned char* in = bits[k].y.data();
    const unsigned byte = k / 8;
    const unsigned shift = 7 - k % 8;
    for (size_t i = 0; i < n; ++i) packed[i * 8 + byte] |= static_cast<unsigned char>((in[i] & 1) << shift);
  }
  out.checksum = Checksum(packed, n * 8);
  *seconds = Seconds(start);
}

// Value by value over shared X values: the 64 bits of a value gathered in a
// word, stored most significant byte first.
void ValueLoop(const std::vector<Bit>& bits, Packed& out, double* seconds) {
  const Clock::time_point start = Clock::now();
  const size_t n = bits.front().y.size();
  out.y.resize(n * 8);
  const unsigned char* in[Bits];
  for (unsigned k = 0; k < Bits; ++k) in[k] = bits[k].y.data();
  unsigned char* packed = out.y.data();
  for (size_t i = 0; i < n; ++i) {
    uint64_t word = 0;
    for (unsigned k = 0; k < Bits; ++k) word |= static_cast<uint64_t>(in[k][i] & 1) << (63 - k);
    for (unsigned b = 0; b < 8; ++b) packed[i * 8 + b] = static_cast<unsigned char>(word >> (56 - 8 * b));
  }
  out.checksum = Checksum(packed, n * 8);
  *seconds = Seconds(start);
}

// A walk over the bits' X arrays in ascending X: at the smallest current X,
// a bit at that X gives its value and advances, a bit between its points
// gives its previous value (constant interpolation), and so does a bit past
// its last point (it keeps its level); a bit before its first point gives
// nothing (zero).
void MergeLoop(const std::vector<Bit>& bits, Packed& out, double* seconds) {
  const Clock::time_point start = Clock::now();
  size_t cursor[Bits] = {};
  out.x.clear();
  out.y.clear();
  for (;;) {
    double x = 0;
    bool any = false;
    for (unsigned k = 0; k < Bits; ++k) {
      if (cursor[k] < bits[k].x.size() && (!any || bits[k].x[cursor[k]] < x)) {
        x = bits[k].x[cursor[k]];
        any = true;
      }
    }
    if (!any) break;
    uint64_t word = 0;
    for (unsigned k = 0; k < Bits; ++k) {
      const Bit& b = bits[k];
      size_t& p = cursor[k];
      unsigned char value = 0;
      if (p < b.x.size() && b.x[p] == x) {
        value = b.y[p++];
      } else if (p > 0) {
        value = b.y[p - 1];  // held, also past its last point
      }
      word |= static_cast<uint64_t>(value & 1) << (63 - k);
    }
    out.x.push_back(x);
    for (unsigned b = 0; b < 8; ++b) out.y.push_back(static_cast<unsigned char>(word >> (56 - 8 * b)));
  }
  out.checksum = Checksum(out.y.data(), out.y.size());
  *seconds = Seconds(start);
}

// ---- one case ---------------------------------------------------------------------

int RunCase(const fs::path& root, const char* name, const std::vector<Bit>& bits, bool analog, int repetitions) {
  const std::string container = (root / name).string();
  const Clock::time_point written = Clock::now();
  if (!WriteContainer(container, bits, analog)) return 1;
  std::printf("%s: %u one-bit waveforms x %zu changes, written in %.1f s\n", name, Bits, bits.front().x.size(),
              Seconds(written));
  Library library;
  if (!library.Open(container)) {
    library.Close();
    return 1;
  }
  int rc = 0;
  std::vector<double> libraryTimes, firstTimes, secondTimes;
  unsigned values = 0;
  for (int r = 0; r < repetitions && rc == 0; ++r) {
    double seconds = 0;
    Packed lib, first, second;
    if (!library.Run(&seconds, lib)) {
      rc = 1;
      break;
    }
    libraryTimes.push_back(seconds);
    if (analog) {
      FieldLoop(bits, first, &seconds);
      firstTimes.push_back(seconds);
      ValueLoop(bits, second, &seconds);
      secondTimes.push_back(seconds);
      first.x = lib.x;  // the X values are the bits' own
    } else {
      MergeLoop(bits, first, &seconds);
      firstTimes.push_back(seconds);
    }
    const bool same = lib.checksum == first.checksum && lib.y == first.y && lib.x == first.x &&
                      (!analog || (second.y == first.y && second.checksum == first.checksum));
    if (!same) {
      std::fprintf(stderr, "%s: the library's packed values differ from the loop's\n", name);
      rc = 1;
    }
    values = static_cast<unsigned>(lib.x.size());
  }
  if (rc == 0) {
    const double lib = zelbench::Median(libraryTimes);
    const double first = zelbench::Median(firstTimes);
    std::printf("  %u bus values\n  library          %8.2f ms\n", values, lib * 1e3);
    std::printf("  %-16s %8.2f ms   library / loop %.2f\n", analog ? "loop by field" : "merging loop", first * 1e3,
                lib / first);
    if (analog) {
      const double second = zelbench::Median(secondTimes);
      std::printf("  %-16s %8.2f ms   library / loop %.2f\n", "loop by value", second * 1e3, lib / second);
    }
  }
  library.Close();
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp != nullptr ? tmp : "/tmp";
  unsigned points = 100000;
  int repetitions = 7;
  for (int i = 1; i < argc; ++i) {
    std::string value;
    if (zelbench::ParseFlag(argv[i], "--points", value)) {
      points = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (zelbench::ParseFlag(argv[i], "--repetitions", value)) {
      repetitions = std::max(1, std::atoi(value.c_str()));
    } else if (zelbench::ParseFlag(argv[i], "--dir", value)) {
      base = value;
    } else {
      std::fprintf(stderr, "unknown flag %s (see the top of bench/pack_bench.cc)\n", argv[i]);
      return 2;
    }
  }
  if (points == 0) {
    std::fprintf(stderr, "--points takes a count of at least 1\n");
    return 2;
  }
  fs::path root;
  if (!zelbench::MakeScratchDirectory(base, "zel_pack_bench_", root)) return 1;
  int rc = RunCase(root, "shared", SharedBits(points), true, repetitions);
  if (rc == 0) rc = RunCase(root, "merged", MergedBits(points), false, repetitions);
  fs::remove_all(root);
  return rc;
}
