// Tests: what survives disk faults, killed writers and damaged files.
//
// One scenario runs throughout: a simulation result writer with an analog
// subset of three real waveforms, an analog subset of one string waveform
// and a digital subset of two real waveforms (values every third cycle)
// writes cycles, commits twice and closes the container. A commit or close
// that returns ZEL_OK acknowledges every cycle before it.
//  - The fault loop fails the n-th file call of each kind (write, read,
//    fsync, rename, open, unlink, lock), once and from then on, as a full
//    disk and as an I/O error, for every n until the scenario no longer
//    reaches call n; the container is then read back without faults: every
//    acknowledged cycle must be there, exact, and every failed write, sync
//    or rename must have been reported.
//  - Writers killed at random moments (SIGKILL) must leave every commit
//    they acknowledged.
//  - Damaged files (truncated, bits flipped, bytes overwritten, garbage
//    appended; every kind of stored file) must open and read with a clean
//    status or give values; a crash or a hang fails the test. Silent
//    differences (damaged value bytes carry no checksum) are counted.
// The environment variable ZEL_CAMPAIGN_TRIALS raises the number of kill
// and damage trials (scripts/campaign); each test prints its figures.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "access/wf_segment_read.h"
#include "store/fault_fs.h"
#include "writer_test_support.h"

namespace zeltest {
namespace {

constexpr int CommitAt[2] = {300, 700};  // cycles written before each commit
constexpr int Cycles = 1200;             // cycles written before the close
constexpr int AnalogWaves = 3;
constexpr int DigitalWaves = 2;
constexpr int WaveCount = AnalogWaves + 1 + DigitalWaves;  // keys in set order

double XOf(int cycle) { return cycle * 1e-3; }

// The value waveform key gets in cycle: a number, or the string waveform's
// text; false when a digital waveform gets none that cycle.
bool ValueOf(int key, int cycle, double& number, std::string& text) {
  if (key < AnalogWaves) {
    number = cycle * 8 + key + 0.25;
    return true;
  }
  if (key == AnalogWaves) {
    text = "v" + std::to_string(cycle) + std::string(cycle % 5, 'x');
    return true;
  }
  const int k = key - AnalogWaves - 1;
  number = -cycle - k * 0.5;
  return (cycle + k) % 3 == 0;
}

// One point as text: X and Y bytes, so that values compare bit for bit.
using Points = std::vector<std::string>;

std::string PointText(double x, const void* y, size_t size) {
  return std::string(reinterpret_cast<const char*>(&x), sizeof x) + std::string(static_cast<const char*>(y), size);
}

// The points waveform key holds after the given cycles were written.
Points ExpectedPoints(int key, int cycles) {
  Points out;
  for (int c = 0; c < cycles; ++c) {
    double y;
    std::string text;
    if (!ValueOf(key, c, y, text)) continue;
    out.push_back(key == AnalogWaves ? PointText(XOf(c), text.data(), text.size()) : PointText(XOf(c), &y, sizeof y));
  }
  return out;
}

// What one run of the scenario reports.
struct Outcome {
  int acknowledged = 0;  // cycles a commit or the close acknowledged
  int completed = 0;     // cycles whose every call returned ZEL_OK
  bool failed = false;   // some call returned a failure
  std::string firstError;
};

// Writes the scenario into a new container `name` in a session of its own;
// stops writing at the first failure and closes.
Outcome WriteScenario(const std::string& name, int cycles = Cycles,
                      const std::function<void(int)>& afterCommit = nullptr) {
  Outcome out;
  zel_status_t st = ZEL_OK;
  zel_session_t s = ZEL_InitSession(&st);
  auto failed = [&](const char* what) {
    if (st == ZEL_OK) return false;
    if (!out.failed) out.firstError = std::string(what) + ": " + ZEL_GetError();
    out.failed = true;
    return true;
  };
  // A failure ends the writing (not the close).
  struct Stop {};
  auto check = [&](const char* what) {
    if (failed(what)) throw Stop();
  };
  auto need = [&](auto value, const char* what) {
    check(what);
    return value;
  };
  zel_container_t c = ZEL_CreateContainer(s, name.c_str(), ZEL_MODE_DISK, &st);
  if (failed("create")) {
    ZEL_TermSession(s, &st);
    return out;
  }
  try {
    zel_type_t real = need(ZEL_CreateBuiltinType(s, c, "real", ZEL_REAL, &st), "type");
    zel_type_t text = need(ZEL_CreateBuiltinType(s, c, "text", ZEL_STRING, &st), "type");
    zel_dimensionDescriptor_t time = need(ZEL_CreateDimensionDescriptor(s, c, "time", "s", real, &st), "descriptor");
    zel_dimensionDescriptor_t volts = need(ZEL_CreateDimensionDescriptor(s, c, "v", "V", real, &st), "descriptor");
    zel_dimensionDescriptor_t label = need(ZEL_CreateDimensionDescriptor(s, c, "label", "", text, &st), "descriptor");
    zel_waveformSet_t set = need(ZEL_CreateWaveformSet(s, c, "tran", time, 0, nullptr, &st), "set");
    zel_segment_t segment = need(ZEL_CreateSegment(s, set, 0, nullptr, &st), "segment");
    zel_simResultWriter_t w = need(ZEL_CreateSimResultWriter(s, segment, 0, &st), "writer");
    zel_simResultSubset_t subsets[3];
    const zel_storageMode_t modes[3] = {ZEL_STORAGE_ANALOG, ZEL_STORAGE_ANALOG, ZEL_STORAGE_DIGITAL};
    for (int i = 0; i < 3; ++i) subsets[i] = need(ZEL_CreateSimResultSubset(s, w, modes[i], &st), "subset");
    ZEL_SimWfDataWriter* writers[WaveCount];
    for (int key = 0; key < WaveCount; ++key) {
      const int subset = key < AnalogWaves ? 0 : key == AnalogWaves ? 1 : 2;
      zel_waveform_t wave = need(ZEL_CreateWaveform(s, set, 0, subset == 1 ? label : volts, &st), "waveform");
      const unsigned index = need(ZEL_AddSimResultWaveform(s, subsets[subset], wave, &st), "add waveform");
      writers[key] = need(ZEL_GetSimWfDataWriter_p(s, subsets[subset], index, &st), "data writer");
    }
    ZEL_SimInitializeWriting(s, w, &st);
    check("initialize");
    int commit = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
      const double x = XOf(cycle);
      ZEL_SimStartCycle(s, w, &x, &st);
      check("start cycle");
      for (int subset = 0; subset < 3; ++subset) {
        ZEL_SimStartDataFront(s, subsets[subset], 0, &st);
        check("start front");
      }
      for (int key = 0; key < WaveCount; ++key) {
        double y;
        std::string text;
        if (!ValueOf(key, cycle, y, text)) continue;
        const char* p = text.c_str();
        ZEL_SimWfDataWriterEnterValue(writers[key], key == AnalogWaves ? static_cast<const void*>(&p) : &y, &st);
        check("enter value");
      }
      for (int subset = 0; subset < 3; ++subset) {
        ZEL_SimEndDataFront(s, subsets[subset], &st);
        check("end front");
      }
      ZEL_SimEndCycle(s, w, &st);
      check("end cycle");
      out.completed = cycle + 1;
      if (commit < 2 && cycle + 1 == CommitAt[commit]) {
        ZEL_CommitWaveformData(s, segment, 0, &st);
        check("commit");
        out.acknowledged = cycle + 1;
        if (afterCommit) afterCommit(out.acknowledged);
        ++commit;
      }
    }
  } catch (const Stop&) {
  }
  ZEL_CloseContainer(s, c, &st);
  if (!failed("close")) out.acknowledged = out.completed;
  ZEL_TermSession(s, &st);
  return out;
}

// How a check came out: every point as written, a failure reported with a
// status (open or read), or points that differ although no call failed; a
// check run in a child process may also crash or hang.
enum class Result { SAME, CLEAN_ERROR, DIFFERENT, CRASH, HANG };

// Reads every waveform of the scenario in a new session; "" when they hold
// at least the acknowledged cycles, exact as far as they reach into the
// completed ones; otherwise what differs, and verdict (when given) says how.
std::string CheckScenario(const std::string& name, const Outcome& outcome, Result* verdict = nullptr) {
  zel_status_t st;
  zel_session_t s = ZEL_InitSession(&st);
  zel_container_t c = ZEL_OpenContainer(s, name.c_str(), ZEL_IOMODE_READ, &st);
  const bool opened = st == ZEL_OK;  // a failing open has no container to close
  bool silent = false;               // the difference came with no failure
  std::string difference;
  // Without an acknowledged cycle there may be nothing to read at all.
  const bool expected = outcome.acknowledged > 0;
  const zel_waveformSet_t set = opened ? ZEL_FindWaveformSet(s, c, "tran", &st) : ZEL_NullWaveformSet;
  if (st != ZEL_OK && expected) difference = std::string(opened ? "set: " : "open: ") + ZEL_GetError();
  for (int key = 0; st == ZEL_OK && key < WaveCount && difference.empty(); ++key) {
    Points read;
    try {
      ZELI_WaveformSet* object = ObjectOf(s, set);
      ZELI_SourceWaveform* waveform = object->Get_WaveformMap()[key];
      ZELI_Segment* segmentOfSet = object->Get_SegmentCount() > 0 ? object->Get_Segment_p(0) : nullptr;
      if (waveform == nullptr || segmentOfSet == nullptr) {
        // The container opened without a failure but lacks what was written.
        difference = "waveform " + std::to_string(key) + " or its segment is missing";
        silent = true;
        break;
      }
      std::unique_ptr<ZELI_WfSegment> segment(ZELI_ReadWfSegment(*waveform, *segmentOfSet));
      const ZELI_WfDataArray& xs = *segment->Get_XDataArray_p();
      const ZELI_WfDataArray& ys = *segment->Get_YDataArray_p();
      if (xs.Get_PointCount() != ys.Get_PointCount() || xs.Get_SizeOf() != sizeof(double)) {
        difference = "waveform " + std::to_string(key) + ": X and Y do not match";
        silent = true;
        break;
      }
      for (unsigned i = 0; i < xs.Get_PointCount(); ++i) {
        double x;
        std::memcpy(&x, xs.Get_PointAddress(i), sizeof x);
        const void* y = ys.Get_PointAddress(i);
        if (ys.Get_Type_p()->HoldsStrings()) {
          const char* text = *static_cast<const char* const*>(y);
          read.push_back(PointText(x, text != nullptr ? text : "", text != nullptr ? std::strlen(text) : 0));
        } else {
          read.push_back(PointText(x, y, ys.Get_SizeOf()));
        }
      }
    } catch (const ZELI_Exception& e) {
      // A segment without points (nothing acknowledged) reads as none.
      if (outcome.acknowledged > 0) difference = "waveform " + std::to_string(key) + ": " + e.what();
      continue;
    }
    const Points acknowledged = ExpectedPoints(key, outcome.acknowledged);
    const Points completed = ExpectedPoints(key, outcome.completed);
    if (read.size() < acknowledged.size()) {
      difference = "waveform " + std::to_string(key) + ": " + std::to_string(read.size()) + " points, " +
                   std::to_string(acknowledged.size()) + " acknowledged";
    }
    for (size_t i = 0; i < read.size() && i < completed.size() && difference.empty(); ++i) {
      if (read[i] != completed[i]) difference = "waveform " + std::to_string(key) + ": point " + std::to_string(i);
    }
    silent = !difference.empty();
  }
  if (opened) ZEL_CloseContainer(s, c, &st);
  ZEL_TermSession(s, &st);
  if (verdict != nullptr) {
    *verdict = difference.empty() ? Result::SAME : silent ? Result::DIFFERENT : Result::CLEAN_ERROR;
  }
  return difference;
}

// The POSIX file system with syncs that only succeed: the fault loop runs
// thousands of scenarios, and what a sync makes durable is the kill and
// power-loss tests' business, not this loop's (its failures are still
// injected, by the fault layer above).
class UnsyncedFileSystem final : public zeltest::ForwardingFileSystem {
 public:
  int Fsync(int) override { return 0; }
};

// Trials of a campaign test: the CI default, or ZEL_CAMPAIGN_TRIALS.
int TrialCount(int ciDefault) {
  const char* text = std::getenv("ZEL_CAMPAIGN_TRIALS");
  const int wanted = text != nullptr ? std::atoi(text) : 0;
  return wanted > 0 ? wanted : ciDefault;
}

// Runs the check in a forked child, so that a crash or a hang (10 s) is
// counted instead of ending the test run.
Result CheckInChild(const std::string& name, const Outcome& outcome) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return Result::CRASH;
  if (pid == 0) {
    ::alarm(10);
    Result verdict = Result::CLEAN_ERROR;
    try {
      CheckScenario(name, outcome, &verdict);
    } catch (...) {
      ::_exit(13);  // an exception escaping the library counts as a crash
    }
    ::_exit(10 + static_cast<int>(verdict));
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) return WTERMSIG(status) == SIGALRM ? Result::HANG : Result::CRASH;
  // Any other exit (a sanitizer's report ends the child with 1) is a crash.
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 13;
  return code >= 10 && code <= 12 ? static_cast<Result>(code - 10) : Result::CRASH;
}

struct Figures {
  int trials = 0, lostCommits = 0;
  int counts[5] = {};  // by Result
  void Count(Result result) {
    ++trials;
    ++counts[static_cast<int>(result)];
  }
  int Of(Result result) const { return counts[static_cast<int>(result)]; }
  void Print(const char* what) const {
    std::printf("%s: %d trials, %d read back whole, %d clean errors, %d silent differences, %d crashes, %d hangs, "
                "%d lost commits\n",
                what, trials, Of(Result::SAME), Of(Result::CLEAN_ERROR), Of(Result::DIFFERENT), Of(Result::CRASH),
                Of(Result::HANG), lostCommits);
    std::fflush(stdout);
  }
};

class ReliabilityTest : public ::testing::Test {
 protected:
  TempDir dir_;
  int serial_ = 0;
  std::string NextName() { return dir_ / ("c" + std::to_string(serial_++)); }
  static void Remove(const std::string& name) {
    std::filesystem::remove_all(name + "_zel");
    std::filesystem::remove(name + ".qo_zel");
  }
};

// ---- the fault loop ----------------------------------------------------------------

TEST_F(ReliabilityTest, EveryFailedFileCallLosesNoAcknowledgedCycleAndIsReported) {
  using Op = ZELI_FaultFileSystem::Op;
  struct Kind {
    Op op;
    const char* name;
    bool mustBeReported;  // a failure of this kind changes what is on disk
  };
  const Kind kinds[] = {{ZELI_FaultFileSystem::WRITE, "write", true},   {ZELI_FaultFileSystem::READ, "read", false},
                        {ZELI_FaultFileSystem::FSYNC, "fsync", true},   {ZELI_FaultFileSystem::RENAME, "rename", true},
                        {ZELI_FaultFileSystem::OPEN, "open", false},    {ZELI_FaultFileSystem::UNLINK, "unlink", false},
                        {ZELI_FaultFileSystem::FLOCK, "lock", false}};
  UnsyncedFileSystem unsynced;
  int trials = 0, reported = 0, absorbed = 0, lost = 0, unreported = 0;
  for (const Kind& kind : kinds) {
    for (bool persistent : {false, true}) {
      for (int error : {ENOSPC, EIO}) {
        for (unsigned n = 1;; ++n) {
          const std::string name = NextName();
          ZELI_FaultFileSystem faults(unsynced);
          Outcome outcome;
          bool tripped = false;
          {
            ZELI_ScopedFileSystem scope(&faults);
            faults.FailCall(kind.op, n, error, persistent);
            outcome = WriteScenario(name);
            tripped = faults.Get_CallCount(kind.op) >= n;
          }
          if (!tripped) break;  // the scenario ends before call n
          ++trials;
          const std::string what = std::string(kind.name) + " " + std::to_string(n) +
                                   (persistent ? " on" : " once") + (error == EIO ? " EIO" : " ENOSPC");
          const std::string difference = CheckScenario(name, outcome);
          if (!difference.empty()) {
            ++lost;
            ADD_FAILURE() << what << ": " << difference << " (first error: " << outcome.firstError << ")";
          }
          if (outcome.failed) {
            ++reported;
          } else if (kind.mustBeReported) {
            ++unreported;
            ADD_FAILURE() << what << ": the failure was not reported";
          } else {
            ++absorbed;
          }
          Remove(name);
        }
      }
    }
  }
  std::printf("fault loop: %d trials, %d reported failures, %d absorbed, %d unreported, %d with lost cycles\n",
              trials, reported, absorbed, unreported, lost);
}

// ---- kill -9 ---------------------------------------------------------------------

// A writer killed at a random moment leaves every commit it acknowledged:
// the writer reports each acknowledged cycle count through a pipe before it
// goes on, and the kill falls anywhere in its run.
TEST_F(ReliabilityTest, WritersKilledAtRandomLoseNoAcknowledgedCommit) {
  const std::string first = NextName();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_FALSE(WriteScenario(first).failed);
  const auto runTime = std::chrono::steady_clock::now() - start;
  const int64_t runMicros = std::chrono::duration_cast<std::chrono::microseconds>(runTime).count() + 1;
  std::mt19937_64 random(TrialCount(0) + 18);
  Figures figures;
  long long acknowledgedCycles = 0;
  const int trials = TrialCount(8);
  for (int trial = 0; trial < trials; ++trial) {
    const std::string name = NextName();
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(pipeFds[0]);
      auto report = [&](int acknowledged) {
        if (::write(pipeFds[1], &acknowledged, sizeof acknowledged) != sizeof acknowledged) ::_exit(4);
      };
      report(WriteScenario(name, Cycles, report).acknowledged);  // the close's
      ::_exit(0);
    }
    ::close(pipeFds[1]);
    // Anywhere in a run, now and then a little after it.
    const int64_t delay = static_cast<int64_t>(random() % static_cast<uint64_t>(runMicros + runMicros / 8));
    ::usleep(static_cast<useconds_t>(delay));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    Outcome acknowledged;
    int value = 0;
    while (::read(pipeFds[0], &value, sizeof value) == sizeof value) acknowledged.acknowledged = value;
    ::close(pipeFds[0]);
    acknowledged.completed = acknowledged.acknowledged;
    acknowledgedCycles += acknowledged.acknowledged;
    const Result result = CheckInChild(name, acknowledged);
    figures.Count(result);
    if (result != Result::SAME && acknowledged.acknowledged > 0) {
      ++figures.lostCommits;
      ADD_FAILURE() << "killed after " << delay << " us, " << acknowledged.acknowledged << " cycles acknowledged: "
                    << CheckScenario(name, acknowledged);
    }
    Remove(name);
  }
  figures.Print("kill -9");
  std::printf("kill -9: %lld acknowledged cycles checked\n", acknowledgedCycles);
  EXPECT_EQ(figures.Of(Result::CRASH), 0);
  EXPECT_EQ(figures.Of(Result::HANG), 0);
}

// Single damaged bytes of the structure file that name another object:
//  - a descriptor whose type key names another type of the same container:
//    the waveforms' values would be handed out as strings; the data set's own
//    record names the values' type, and the two must agree;
//  - a stored reference (the set's X descriptor) naming no object, or an
//    object of another kind: a damaged file, not a caller's bad handle.
TEST_F(ReliabilityTest, StoredReferencesToWrongOrMissingObjectsAreDamage) {
  const std::string name = NextName();
  ASSERT_FALSE(WriteScenario(name).failed);
  const std::string structure = name + "_zel/version_0/structure.data";
  const std::vector<unsigned char> good = ReadFileBytes(structure);
  auto offsetAfter = [&](const std::vector<unsigned char>& pattern) {
    const auto at = std::search(good.begin(), good.end(), pattern.begin(), pattern.end());
    return at == good.end() ? good.size() : static_cast<size_t>(at - good.begin()) + pattern.size();
  };
  // Descriptor "v" (unit "V"): name, unit, then its type key (the real
  // type, 0); key 1 is the text type.
  const size_t typeKey = offsetAfter({1, 0, 0, 0, 'v', 0, 1, 0, 0, 0, 'V', 0});
  ASSERT_LT(typeKey, good.size());
  ASSERT_EQ(good[typeKey], 0);
  std::vector<unsigned char> bytes = good;
  bytes[typeKey] = 1;
  WriteFileBytes(structure, bytes);
  zel_status_t st;
  zel_session_t s = ZEL_InitSession(&st);
  const zel_container_t c = ZEL_OpenContainer(s, name.c_str(), ZEL_IOMODE_READ, &st);
  ASSERT_EQ(st, ZEL_OK) << ZEL_GetError();
  // The data store disagrees with the structure: its segment cannot be read.
  ZELI_WaveformSet* set = ObjectOf(s, ZEL_FindWaveformSet(s, c, "tran", &st));
  EXPECT_EQ(RunInFrame("test", [&] { delete ZELI_ReadWfSegment(*set->Get_WaveformMap()[0], *set->Get_Segment_p(0)); }),
            ZEL_FAILED);
  EXPECT_STREQ(ZEL_GetError(), "test: segment_0_0.org: ZELI_DataSet::Read: waveform type");
  ZEL_TermSession(s, &st);

  // The set record: its name, then the X descriptor's key.
  const size_t key = offsetAfter({4, 0, 0, 0, 't', 'r', 'a', 'n', 0});
  ASSERT_LT(key, good.size());
  struct Reference {
    unsigned char key;  // no object, or the real type
    zel_status_t status;
    const char* message;
  };
  for (const Reference& r : {Reference{77, ZEL_BAD_HANDLE, "ZEL_OpenContainer: Bad handle: wrong handle (deleted?)"},
                             Reference{0, ZEL_FAILED, "ZEL_OpenContainer: ZELI_WaveformSet::Read: X descriptor"}}) {
    bytes = good;
    bytes[key] = r.key;
    WriteFileBytes(structure, bytes);
    s = ZEL_InitSession(&st);
    ZEL_OpenContainer(s, name.c_str(), ZEL_IOMODE_READ, &st);
    EXPECT_ZEL_FAILURE(st, r.status, r.message);
    ZEL_TermSession(s, &st);
  }
}

// ---- damaged files ------------------------------------------------------------------

// Every stored file of a closed container, damaged one at a time: cut short,
// bits flipped, a run of bytes overwritten, garbage appended. Reading must
// end in a clean status or in values; what reads back different without a
// failure is counted (value bytes carry no checksum).
TEST_F(ReliabilityTest, DamagedFilesGiveCleanErrorsNeverCrashesOrHangs) {
  namespace fs = std::filesystem;
  const std::string base = NextName();
  const Outcome whole = WriteScenario(base);
  ASSERT_FALSE(whole.failed) << whole.firstError;
  EXPECT_EQ(whole.acknowledged, Cycles);
  EXPECT_EQ(CheckScenario(base, whole), "");  // undamaged, it reads back whole
  std::vector<std::string> files;  // relative to the directory of the container
  for (const auto& entry : fs::recursive_directory_iterator(base + "_zel")) {
    if (entry.is_regular_file() && entry.path().filename() != "Readme") {
      files.push_back(fs::relative(entry.path(), dir_.path()).string());
    }
  }
  std::sort(files.begin(), files.end());
  ASSERT_GE(files.size(), 5u);  // table, structure, record, map, data
  std::mt19937_64 random(TrialCount(0) + 6);
  Figures figures;
  std::map<std::string, int> silentByKind;
  const int trials = TrialCount(70);
  const std::string copyName = dir_ / "damaged";
  for (int trial = 0; trial < trials; ++trial) {
    fs::remove_all(copyName + "_zel");
    fs::copy(base + "_zel", copyName + "_zel", fs::copy_options::recursive);
    fs::copy_file(base + ".qo_zel", copyName + ".qo_zel", fs::copy_options::overwrite_existing);
    // Every file in turn, then at random.
    const std::string& file = files[trial < static_cast<int>(files.size()) ? trial : random() % files.size()];
    const std::string path = copyName + "_zel" + file.substr(file.find('/'));
    std::vector<unsigned char> bytes = ReadFileBytes(path);
    const size_t size = bytes.size();
    switch ((trial / files.size()) % 4) {
      case 0:  // cut short
        bytes.resize(size > 0 ? random() % size : 0);
        break;
      case 1:  // bits flipped
        for (int k = 0, n = 1 + static_cast<int>(random() % 8); k < n && size > 0; ++k) {
          bytes[random() % size] ^= static_cast<unsigned char>(1u << (random() % 8));
        }
        break;
      case 2:  // a run overwritten
        if (size > 0) {
          const size_t at = random() % size;
          const size_t length = std::min<size_t>(size - at, 1 + random() % 64);
          for (size_t k = 0; k < length; ++k) bytes[at + k] = static_cast<unsigned char>(random());
        }
        break;
      default:  // garbage appended
        for (int k = 0, n = 1 + static_cast<int>(random() % 100); k < n; ++k) {
          bytes.push_back(static_cast<unsigned char>(random()));
        }
        break;
    }
    WriteFileBytes(path, bytes);
    Outcome expected = whole;
    const Result result = CheckInChild(copyName, expected);
    figures.Count(result);
    if (result == Result::DIFFERENT) {
      // By kind of file: the extension, or the name of the structure file.
      const std::string leaf = fs::path(file).filename().string();
      const size_t dot = leaf.rfind('.');
      ++silentByKind[leaf == "structure.data" || dot == std::string::npos ? leaf : leaf.substr(dot)];
    }
    if (result == Result::CRASH || result == Result::HANG) ADD_FAILURE() << file << " damaged in trial " << trial;
  }
  figures.Print("damaged files");
  std::printf("damaged files: silent differences by file kind:");
  for (const auto& [kind, count] : silentByKind) std::printf(" %s %d", kind.c_str(), count);
  std::printf("\n");
  EXPECT_EQ(figures.Of(Result::CRASH), 0);
  EXPECT_EQ(figures.Of(Result::HANG), 0);
}

}  // namespace
}  // namespace zeltest
