// Importing simulator output with the zel tool, against its peers on the
// same files in the same run.
//
// Workloads (each run --repetitions times, interleaved; medians reported;
// every input is read once first, so all runs read it from the page cache):
//   vcd  a value change dump written by Icarus Verilog (iverilog and vvp
//        on a generated design: --lanes lanes of a 32-bit LFSR, an 8-bit
//        counter and a bit register, clocked for --cycles cycles, plus a
//        --wide-bit shift register fed by lane 0; 0 leaves it out), or the
//        file given with --vcd:
//          zel import-vcd  against  vcd2fst (GTKWave) on the same file;
//          sizes of the VCD, the container and the FST
//   raw  a binary raw file of a transient in the layout ngspice writes
//        (--raw-vars variables, time first, --raw-points points, values
//        from a damped sine per variable), written by this program, or the
//        file given with --raw:
//          zel import-raw  against  a plain read of the file (1 MiB
//          blocks, every double summed, the header parsed for its counts);
//          for scale also a plain copy (the same read, each block written
//          to a file in --dir and the file closed): an import writes about
//          as many bytes as it reads
//   Both tools run as processes (their start is part of the time).
//
// Flags:
//   --zel=PATH          the zel tool (default: the one built beside this)
//   --dir=PATH          working directory (default $TMPDIR or /tmp)
//   --lanes=N --cycles=N --wide=N   the generated design (32, 100000, 0)
//   --vcd=FILE          import this VCD instead of generating one
//   --raw=FILE          import this raw file instead of writing one
//   --raw-vars=N --raw-points=N     the written raw file (20, 1000000)
//   --repetitions=R     runs of each workload (default 5)
//   --only=vcd|raw      one workload
#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"

#ifndef ZEL_BENCH_TOOL
#define ZEL_BENCH_TOOL "zel"
#endif

namespace fs = std::filesystem;

namespace {

double Seconds(const std::string& command) {
  const auto start = std::chrono::steady_clock::now();
  const int rc = std::system(("(" + command + ") >/dev/null 2>&1").c_str());
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (rc != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
  return s;
}

uint64_t SizeOf(const fs::path& path) {
  uint64_t total = 0;
  if (fs::is_regular_file(path)) return fs::file_size(path);
  for (const auto& entry : fs::recursive_directory_iterator(path)) {
    if (entry.is_regular_file()) total += entry.file_size();
  }
  return total;
}

uint64_t ContainerSize(const std::string& name) {
  return SizeOf(name + ZEL_GetDirectoryNameSuffix()) + SizeOf(name + ZEL_GetFilenameExt());
}

void Remove(const std::string& name) {
  fs::remove_all(name + ZEL_GetDirectoryNameSuffix());
  fs::remove(name + ZEL_GetFilenameExt());
}

std::string Design(unsigned lanes, unsigned cycles, unsigned wide) {
  std::string v =
      "`timescale 1ns/1ps\n"
      "module lane(input clk, input [31:0] seed, output reg [31:0] lfsr, output reg [7:0] cnt, output reg b);\n"
      "  initial begin lfsr = seed; cnt = 0; b = 0; end\n"
      "  always @(posedge clk) begin\n"
      "    lfsr <= {lfsr[30:0], lfsr[31] ^ lfsr[21] ^ lfsr[1] ^ lfsr[0]};\n"
      "    cnt <= cnt + 1; b <= lfsr[3];\n"
      "  end\n"
      "endmodule\n"
      "module top;\n"
      "  reg clk = 0;\n"
      "  always #5 clk = ~clk;\n"
      "  genvar i;\n"
      "  generate for (i = 0; i < " + std::to_string(lanes) + "; i = i + 1) begin : g\n"
      "    wire [31:0] l; wire [7:0] c; wire b;\n"
      "    lane u(.clk(clk), .seed(32'hACE1 + 32'd7919 * i), .lfsr(l), .cnt(c), .b(b));\n"
      "  end endgenerate\n";
  if (wide > 0) {
    v += "  reg [" + std::to_string(wide - 1) + ":0] wide = 0;\n"
         "  always @(posedge clk) wide <= {wide[" + std::to_string(wide - 2) + ":0], g[0].b};\n";
  }
  v += "  initial begin $dumpfile(\"bench.vcd\"); $dumpvars(0, top); #" + std::to_string(10ull * cycles) +
       " $finish; end\n"
       "endmodule\n";
  return v;
}

bool WriteRaw(const std::string& path, unsigned vars, unsigned points) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  std::fprintf(f, "Title: import bench\nDate: today\nPlotname: Transient Analysis\nFlags: real\n"
                  "No. Variables: %u\nNo. Points: %u\nVariables:\n\t0\ttime\ttime\n", vars, points);
  for (unsigned v = 1; v < vars; ++v) std::fprintf(f, "\t%u\tv(x%u.n%u)\tvoltage\n", v, v % 4, v);
  std::fprintf(f, "Binary:\n");
  std::vector<double> row(vars);
  for (unsigned p = 0; p < points; ++p) {
    const double t = p * 1e-9;
    row[0] = t;
    for (unsigned v = 1; v < vars; ++v) row[v] = std::exp(-t * 1e5 * v) * std::sin(2e6 * t * v + v);
    if (std::fwrite(row.data(), sizeof(double), vars, f) != vars) return false;
  }
  return std::fclose(f) == 0;
}

// The plain read: the header's counts, then every double, summed; with a
// copy path, every block is also written there.
double PlainRead(const std::string& path, double& sum, const std::string& copy = std::string()) {
  const auto start = std::chrono::steady_clock::now();
  FILE* f = std::fopen(path.c_str(), "rb");
  FILE* out = copy.empty() ? nullptr : std::fopen(copy.c_str(), "wb");
  char line[4096];
  unsigned long long vars = 0, points = 0;
  while (std::fgets(line, sizeof line, f) != nullptr && std::strncmp(line, "Binary:", 7) != 0) {
    std::sscanf(line, "No. Variables: %llu", &vars);
    std::sscanf(line, "No. Points: %llu", &points);
  }
  std::vector<double> block((1 << 20) / sizeof(double));
  unsigned long long left = vars * points;
  sum = 0;
  while (left > 0) {
    const size_t want = left < block.size() ? static_cast<size_t>(left) : block.size();
    const size_t got = std::fread(block.data(), sizeof(double), want, f);
    if (got == 0) break;
    for (size_t i = 0; i < got; ++i) sum += block[i];
    if (out != nullptr) std::fwrite(block.data(), sizeof(double), got, out);
    left -= got;
  }
  std::fclose(f);
  if (out != nullptr) std::fclose(out);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  std::string zel = ZEL_BENCH_TOOL, dir, vcd, raw, only, value;
  unsigned lanes = 32, cycles = 100000, wide = 0, rawVars = 20, rawPoints = 1000000, repetitions = 5;
  const char* tmp = std::getenv("TMPDIR");
  dir = tmp != nullptr ? tmp : "/tmp";
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (zelbench::ParseFlag(a, "--zel", zel) || zelbench::ParseFlag(a, "--dir", dir) ||
        zelbench::ParseFlag(a, "--vcd", vcd) || zelbench::ParseFlag(a, "--raw", raw) ||
        zelbench::ParseFlag(a, "--only", only)) {
      continue;
    }
    unsigned* target = nullptr;
    if (zelbench::ParseFlag(a, "--lanes", value)) target = &lanes;
    else if (zelbench::ParseFlag(a, "--cycles", value)) target = &cycles;
    else if (zelbench::ParseFlag(a, "--wide", value)) target = &wide;
    else if (zelbench::ParseFlag(a, "--raw-vars", value)) target = &rawVars;
    else if (zelbench::ParseFlag(a, "--raw-points", value)) target = &rawPoints;
    else if (zelbench::ParseFlag(a, "--repetitions", value)) target = &repetitions;
    if (target == nullptr) {
      std::fprintf(stderr, "unknown flag %s (see the top of bench/import_bench.cc)\n", a);
      return 2;
    }
    *target = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
  }
  const std::string work = dir + "/zel_import_bench";
  fs::create_directories(work);
  std::printf("zel tool: %s\n", zel.c_str());

  if (only.empty() || only == "vcd") {
    if (vcd.empty()) {
      std::ofstream(work + "/bench.v") << Design(lanes, cycles, wide);
      std::printf("design: %u lanes, %u cycles, wide register %u bits; iverilog + vvp ...\n", lanes, cycles, wide);
      Seconds("cd " + work + " && iverilog -o bench.vvp bench.v && vvp -n bench.vvp");
      vcd = work + "/bench.vcd";
    }
    const std::string container = work + "/vcd", fst = work + "/bench.fst";
    double sink = 0;
    PlainRead(vcd, sink);  // into the page cache
    std::vector<double> zelTimes, fstTimes;
    for (unsigned r = 0; r < repetitions; ++r) {
      Remove(container);
      zelTimes.push_back(Seconds(zel + " import-vcd " + vcd + " " + container));
      fs::remove(fst);
      fstTimes.push_back(Seconds("vcd2fst " + vcd + " " + fst));
    }
    const double z = zelbench::Median(zelTimes), f = zelbench::Median(fstTimes);
    const double vcdSize = static_cast<double>(SizeOf(vcd));
    const double zelSize = static_cast<double>(ContainerSize(container));
    const double fstSize = static_cast<double>(SizeOf(fst));
    std::printf("VCD %s: %.1f MB\n", vcd.c_str(), vcdSize / 1e6);
    std::printf("  zel import-vcd  %.3f s   vcd2fst  %.3f s   ratio %.2f (aim: <= 1)\n", z, f, z / f);
    std::printf("  container %.1f MB (%.3f of the VCD)   FST %.1f MB (%.3f of the VCD)   container / FST %.1f\n",
                zelSize / 1e6, zelSize / vcdSize, fstSize / 1e6, fstSize / vcdSize, zelSize / fstSize);
  }

  if (only.empty() || only == "raw") {
    if (raw.empty()) {
      raw = work + "/bench.raw";
      if (!WriteRaw(raw, rawVars, rawPoints)) {
        std::fprintf(stderr, "cannot write %s\n", raw.c_str());
        return 1;
      }
    }
    const std::string container = work + "/raw";
    double sum = 0;
    PlainRead(raw, sum);  // into the page cache
    std::vector<double> zelTimes, readTimes, copyTimes;
    const std::string copy = work + "/copy.raw";
    for (unsigned r = 0; r < repetitions; ++r) {
      Remove(container);
      zelTimes.push_back(Seconds(zel + " import-raw " + raw + " " + container));
      readTimes.push_back(PlainRead(raw, sum));
      fs::remove(copy);
      copyTimes.push_back(PlainRead(raw, sum, copy));
    }
    fs::remove(copy);
    const double z = zelbench::Median(zelTimes), p = zelbench::Median(readTimes);
    const double c = zelbench::Median(copyTimes);
    std::printf("raw %s: %.1f MB (checksum %g)\n", raw.c_str(), static_cast<double>(SizeOf(raw)) / 1e6, sum);
    std::printf("  zel import-raw  %.3f s   plain read  %.3f s   ratio %.2f (aim: <= 2)\n", z, p, z / p);
    std::printf("  plain copy  %.3f s   import / copy %.2f\n", c, z / c);
    std::printf("  container %.1f MB\n", static_cast<double>(ContainerSize(container)) / 1e6);
  }
  return 0;
}
