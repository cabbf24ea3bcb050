// Packing a bus: a 64-bit bus whose bits are stored as 64 one-bit
// waveforms, read as one composite waveform (the hierarchy derives it from
// the bits), against a hand-written loop on plain arrays doing the same
// packing.
//
// Data: one segment written by the simulation result writer: 64 waveforms of
// a two-literal enumeration (one byte stored, one bit packed) in one analog
// subset, N cycles, every bit changing at every cycle (bit k at cycle i is
// bit 0 of i * (2k + 1) + k). The hierarchy holds a bus d[63:0] (an array of
// 64 bits, eight bytes per value) with the 64 waveforms as its subelements.
//
// Workloads (interleaved, medians reported):
//   library  in a session with the container open and the 64 bits already
//            read once (their values kept in memory, as after a first look
//            at them), a reader on the composite waveform: start reading
//            segment 0 (the values are computed: 64 field segments built
//            over the kept values, each packed into its bit of every bus
//            value), the Y buffer, a checksum over it, end; the composite
//            is derived anew for every run, so nothing computed is reused
//   loops    the same 64 arrays of N bytes packed into N eight-byte values
//            with the same bit order (bit k of the bus is bit 7 - k % 8 of
//            byte k / 8), the same checksum: field by field (one pass per
//            bit, as the library does) and value by value (64 bits
//            gathered in a word per value)
// The results are compared byte for byte in every run.
//
// Flags:
//   --points=N         cycles (default 100000)
//   --repetitions=R    interleaved runs of each workload (default 7)
//   --dir=PATH         directory for the container (default $TMPDIR or /tmp)
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

unsigned char BitValue(unsigned k, unsigned i) { return static_cast<unsigned char>((i * (2 * k + 1) + k) & 1); }

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

bool WriteContainer(const std::string& name, unsigned points) {
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
  ZCHECK(subset = ZEL_CreateSimResultSubset(s, writer, ZEL_STORAGE_ANALOG, &st));
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
  for (unsigned i = 0; i < points; ++i) {
    const double t = i * 1e-9;
    ZCHECK(ZEL_SimStartCycle(s, writer, &t, &st));
    ZCHECK(ZEL_SimStartDataFront(s, subset, 0, &st));
    for (unsigned k = 0; k < Bits; ++k) {
      const unsigned char v = BitValue(k, i);
      ZCHECK(ZEL_SimWfDataWriterEnterValue(data[k], &v, &st));
    }
    ZCHECK(ZEL_SimEndDataFront(s, subset, &st));
    ZCHECK(ZEL_SimEndCycle(s, writer, &st));
  }
  ZCHECK(ZEL_SimTerminateWriting(s, writer, &st));
  ZCHECK(ZEL_CommitWaveformData(s, segment, 0, &st));
  ZCHECK(ZEL_CloseContainer(s, c, &st));
  ZCHECK(ZEL_TermSession(s, &st));
  return true;
}

uint64_t Checksum(const unsigned char* bytes, size_t n) {
  uint64_t sum = 0;
  for (size_t i = 0; i < n; ++i) sum = sum * 31 + bytes[i];
  return sum;
}

// The container open for reading, with the bits read once.
struct Library {
  zel_session_t s{};
  zel_container_t c{};
  zel_segment_t segment{};
  zel_hierarchyNode_t root{};
  zel_hierarchyNode_t bus{};
  zel_view_t view{};
  std::vector<unsigned char> last;  // the last packed values

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

  // One run of the workload; the composite is derived anew (the field
  // node 0 deleted and added again lets the old one go).
  bool Run(double* seconds, uint64_t* checksum) {
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
    ZCHECK(ZEL_GetWaveformDataXYBuffers(s, data, 0, &x, &y, nullptr, &st));
    *checksum = Checksum(static_cast<const unsigned char*>(y), size_t{n} * 8);
    *seconds = Seconds(start);
    last.assign(static_cast<const unsigned char*>(y), static_cast<const unsigned char*>(y) + size_t{n} * 8);
    ZCHECK(ZEL_EndReading(s, reader, &st));
    ZCHECK(ZEL_DeleteReader(s, reader, &st));
    // Deleting and adding again the node of bit 0 lets the composite go
    // (it would lose that field); the next run derives and computes anew.
    zel_hierarchyNode_t field{};
    ZCHECK(field = ZEL_GetHierarchySubelNode(s, bus, 0, &st));
    zel_waveform_t w{};
    ZCHECK(w = ZEL_GetHierarchyWaveform(s, field, &st));
    zel_hierarchyNode_t spare{};  // keeps the bit's waveform while its node goes
    ZCHECK(spare = ZEL_AddHierarchyScalarWf(s, root, "keep", ZEL_HDL_SLASH, w, &st));
    ZCHECK(ZEL_DeleteHierarchyNode(s, field, &st));
    ZCHECK(ZEL_AddHierarchyScalarSubelWf(s, bus, 0, w, &st));
    ZCHECK(ZEL_DeleteHierarchyNode(s, spare, &st));
    return true;
  }

  void Close() {
    zel_status_t st;
    ZEL_DeleteView(s, view, &st);
    // Nothing of the runs' changes to the hierarchy is kept.
    ZEL_TermSession(s, &st);
  }
};

// The 64 arrays of bit values, as the loop reads them.
std::vector<std::vector<unsigned char>> PlainBits(unsigned points) {
  std::vector<std::vector<unsigned char>> bits(Bits, std::vector<unsigned char>(points));
  for (unsigned k = 0; k < Bits; ++k) {
    for (unsigned i = 0; i < points; ++i) bits[k][i] = BitValue(k, i);
  }
  return bits;
}

// Field by field, as the library packs over a shared X axis.
void FieldLoop(const std::vector<std::vector<unsigned char>>& bits, std::vector<unsigned char>& packed,
               double* seconds, uint64_t* checksum) {
  const Clock::time_point start = Clock::now();
  const size_t n = bits.front().size();
  packed.assign(n * 8, 0);
  unsigned char* out = packed.data();
  for (unsigned k = 0; k < Bits; ++k) {
    const unsigned char* in = bits[k].data();
    const unsigned byte = k / 8;
    const unsigned shift = 7 - k % 8;
    for (size_t i = 0; i < n; ++i) out[i * 8 + byte] |= static_cast<unsigned char>((in[i] & 1) << shift);
  }
  *checksum = Checksum(out, n * 8);
  *seconds = Seconds(start);
}

// Value by value: the 64 bits of one bus value gathered in a word, stored
// most significant byte first.
void ValueLoop(const std::vector<std::vector<unsigned char>>& bits, std::vector<unsigned char>& packed,
               double* seconds, uint64_t* checksum) {
  const Clock::time_point start = Clock::now();
  const size_t n = bits.front().size();
  packed.resize(n * 8);
  const unsigned char* in[Bits];
  for (unsigned k = 0; k < Bits; ++k) in[k] = bits[k].data();
  unsigned char* out = packed.data();
  for (size_t i = 0; i < n; ++i) {
    uint64_t word = 0;
    for (unsigned k = 0; k < Bits; ++k) word |= static_cast<uint64_t>(in[k][i] & 1) << (63 - k);
    for (unsigned b = 0; b < 8; ++b) out[i * 8 + b] = static_cast<unsigned char>(word >> (56 - 8 * b));
  }
  *checksum = Checksum(out, n * 8);
  *seconds = Seconds(start);
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
  std::string pattern = base + "/zel_pack_bench_XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path root = pattern;
  const std::string name = (root / "bus").string();
  std::printf("%u one-bit waveforms x N=%u cycles packed into a %u-bit bus\n", Bits, points, Bits);
  const Clock::time_point written = Clock::now();
  int rc = WriteContainer(name, points) ? 0 : 1;
  if (rc == 0) std::printf("  written in %.1f s\n", Seconds(written));

  Library library;
  if (rc == 0 && !library.Open(name)) rc = 1;
  const std::vector<std::vector<unsigned char>> bits = PlainBits(points);
  std::vector<unsigned char> byField, byValue;
  std::vector<double> libraryTimes, fieldTimes, valueTimes;
  for (int r = 0; r < repetitions && rc == 0; ++r) {
    double seconds = 0;
    uint64_t a = 0, b = 0, c = 0;
    if (!library.Run(&seconds, &a)) {
      rc = 1;
      break;
    }
    libraryTimes.push_back(seconds);
    FieldLoop(bits, byField, &seconds, &b);
    fieldTimes.push_back(seconds);
    ValueLoop(bits, byValue, &seconds, &c);
    valueTimes.push_back(seconds);
    if (a != b || a != c || library.last != byField || byField != byValue) {
      std::fprintf(stderr, "the library's packed values differ from the loops'\n");
      rc = 1;
    }
  }
  if (rc == 0) {
    const double lib = zelbench::Median(libraryTimes);
    const double field = zelbench::Median(fieldTimes);
    const double value = zelbench::Median(valueTimes);
    std::printf("  library          %8.2f ms\n", lib * 1e3);
    std::printf("  loop by field    %8.2f ms   library / loop %.2f\n", field * 1e3, lib / field);
    std::printf("  loop by value    %8.2f ms   library / loop %.2f\n", value * 1e3, lib / value);
  }
  library.Close();
  fs::remove_all(root);
  return rc;
}
