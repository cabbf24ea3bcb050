// Sequential throughput of the paged layer against plain file I/O.
//
// Workloads (each repeated --repetitions times, best run reported):
//   PagedWrite  a new data file; one ZELI_MemoryArray written from start to
//               end with WriteData in chunks, then the array and the file
//               closed (every block written back)
//   PlainWrite  the same bytes with write() in the same chunks, then close()
//   PagedRead   the paged file read back with ReadData in chunks
//   PlainRead   the plain file read back with read() in the same chunks
// Both files live in the same directory and are read back from the page
// cache, so the comparison measures the layer's own cost; every run starts
// after sync() so that none pays for the disk writes of another. A summary at the
// end gives both throughputs and the paged/plain time ratio.
//
// Flags (before the Google Benchmark flags):
//   --size_mib=N     bytes written and read (default 256)
//   --chunk_kib=N    bytes per call (default 64)
//   --dir=PATH       directory for the two files (default $TMPDIR or /tmp)
//   --fsync          commit both files to disk before the write timing ends
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "store/keymap.h"
#include "store/memory_array.h"
#include "store/memory_file.h"

namespace {

uint64_t g_size = 256ull << 20;
unsigned g_chunk = 64u << 10;
std::string g_dir;
bool g_fsync = false;
std::vector<unsigned char> g_buffer;

// Best wall time of each workload, in seconds.
double g_best[4] = {1e30, 1e30, 1e30, 1e30};
enum Workload { PAGED_WRITE, PLAIN_WRITE, PAGED_READ, PLAIN_READ };

std::string PagedPath() { return g_dir + "/zel_bench_paged.data"; }
std::string PlainPath() { return g_dir + "/zel_bench_plain.data"; }

// The paged store survives between workloads so that the read finds the
// array that the write produced.
struct PagedStore {
  std::unique_ptr<ZELI_MemoryFile> file;
  std::unique_ptr<ZELI_MemoryArray> array;
};
PagedStore g_paged;

// Timing starts after dirty pages of earlier runs are on disk, so that no
// workload pays for the write-back of another.
std::chrono::steady_clock::time_point Start() {
  ::sync();
  return std::chrono::steady_clock::now();
}

void Record(benchmark::State& state, Workload workload, std::chrono::steady_clock::time_point start) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  state.SetIterationTime(seconds);
  g_best[workload] = std::min(g_best[workload], seconds);
}

void Fail(benchmark::State& state, const char* what) { state.SkipWithError(what); }

void BM_PagedWrite(benchmark::State& state) {
  for (auto _ : state) {
    const auto start = Start();
    try {
      g_paged.array.reset();
      g_paged.file = std::make_unique<ZELI_MemoryFile>(PagedPath().c_str());
      g_paged.array = std::make_unique<ZELI_MemoryArray>(g_paged.file.get());
      g_paged.file->OpenFile(ZEL_IOMODE_WRITE);
      g_paged.array->Open(ZEL_IOMODE_WRITE);
      for (uint64_t done = 0; done < g_size; done += g_chunk) {
        g_paged.array->WriteData(g_buffer.data(), static_cast<unsigned>(std::min<uint64_t>(g_chunk, g_size - done)), 1);
      }
      g_paged.array->Close();
      if (g_fsync) g_paged.file->FlushFile();
      g_paged.file->CloseFile();
    } catch (const ZELI_Exception& e) {
      return Fail(state, e.what());
    }
    Record(state, PAGED_WRITE, start);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * g_size));
}

void BM_PlainWrite(benchmark::State& state) {
  for (auto _ : state) {
    const auto start = Start();
    const int fd = ::open(PlainPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return Fail(state, "open");
    for (uint64_t done = 0; done < g_size; done += g_chunk) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(g_chunk, g_size - done));
      if (::write(fd, g_buffer.data(), n) != static_cast<ssize_t>(n)) return Fail(state, "write");
    }
    if (g_fsync) ::fsync(fd);
    ::close(fd);
    Record(state, PLAIN_WRITE, start);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * g_size));
}

void BM_PagedRead(benchmark::State& state) {
  if (!g_paged.array) return Fail(state, "PagedWrite did not run");
  for (auto _ : state) {
    const auto start = Start();
    try {
      g_paged.file->OpenFile(ZEL_IOMODE_READ);
      g_paged.array->Open(ZEL_IOMODE_READ);
      for (uint64_t done = 0; done < g_size; done += g_chunk) {
        g_paged.array->ReadData(g_buffer.data(), static_cast<unsigned>(std::min<uint64_t>(g_chunk, g_size - done)), 1);
      }
      g_paged.array->Close();
      g_paged.file->CloseFile();
    } catch (const ZELI_Exception& e) {
      return Fail(state, e.what());
    }
    benchmark::DoNotOptimize(g_buffer.data());
    Record(state, PAGED_READ, start);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * g_size));
}

void BM_PlainRead(benchmark::State& state) {
  for (auto _ : state) {
    const auto start = Start();
    const int fd = ::open(PlainPath().c_str(), O_RDONLY);
    if (fd < 0) return Fail(state, "open");
    for (uint64_t done = 0; done < g_size; done += g_chunk) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(g_chunk, g_size - done));
      if (::read(fd, g_buffer.data(), n) != static_cast<ssize_t>(n)) return Fail(state, "read");
    }
    ::close(fd);
    benchmark::DoNotOptimize(g_buffer.data());
    Record(state, PLAIN_READ, start);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * g_size));
}

bool ParseFlag(const char* arg, const char* name, std::string& value) {
  const size_t n = std::strlen(name);
  if (std::strncmp(arg, name, n) != 0 || arg[n] != '=') return false;
  value = arg + n + 1;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  g_dir = tmp != nullptr ? tmp : "/tmp";
  int repetitions = 3;
  std::vector<char*> rest{argv[0]};
  for (int i = 1; i < argc; ++i) {
    std::string value;
    if (ParseFlag(argv[i], "--size_mib", value)) {
      g_size = std::strtoull(value.c_str(), nullptr, 10) << 20;
    } else if (ParseFlag(argv[i], "--chunk_kib", value)) {
      g_chunk = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10)) << 10;
    } else if (ParseFlag(argv[i], "--dir", value)) {
      g_dir = value;
    } else if (ParseFlag(argv[i], "--repetitions", value)) {
      repetitions = std::max(1, std::atoi(value.c_str()));
    } else if (std::strcmp(argv[i], "--fsync") == 0) {
      g_fsync = true;
    } else {
      rest.push_back(argv[i]);
    }
  }
  if (g_size == 0 || g_size > 0xFFFFFFFFull || g_chunk == 0) {
    std::fprintf(stderr, "--size_mib must be 1 to 4095 and --chunk_kib at least 1\n");
    return 2;
  }
  g_buffer.resize(g_chunk);
  for (size_t i = 0; i < g_buffer.size(); ++i) g_buffer[i] = static_cast<unsigned char>(i * 131);

  // Write, write, read, read: each read finds its file freshly written.
  for (auto* b : {benchmark::RegisterBenchmark("PagedWrite", BM_PagedWrite),
                  benchmark::RegisterBenchmark("PlainWrite", BM_PlainWrite),
                  benchmark::RegisterBenchmark("PagedRead", BM_PagedRead),
                  benchmark::RegisterBenchmark("PlainRead", BM_PlainRead)}) {
    b->Iterations(1)->Repetitions(repetitions)->UseManualTime()->Unit(benchmark::kMillisecond);
  }
  int benchArgc = static_cast<int>(rest.size());
  benchmark::Initialize(&benchArgc, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  const double mib = static_cast<double>(g_size) / (1 << 20);
  std::printf("\n%.0f MiB in %u KiB chunks%s, best of %d:\n", mib, g_chunk >> 10, g_fsync ? ", with fsync" : "",
              repetitions);
  const char* names[4] = {"paged write", "plain write", "paged read", "plain read"};
  for (int w = 0; w < 4; ++w) std::printf("  %-12s %8.0f MiB/s\n", names[w], mib / g_best[w]);
  std::printf("  write time ratio paged/plain: %.2f\n", g_best[PAGED_WRITE] / g_best[PLAIN_WRITE]);
  std::printf("  read time ratio paged/plain:  %.2f\n", g_best[PAGED_READ] / g_best[PLAIN_READ]);

  g_paged.array.reset();
  g_paged.file.reset();
  ::unlink(PagedPath().c_str());
  ::unlink(PlainPath().c_str());
  return 0;
}
