// The zel command-line tool, run as a separate process.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"
#include "types/universal_types.h"

namespace {

// Runs a shell command; returns its exit code (-1: killed by a signal) and
// what it wrote to standard output.
int Shell(const std::string& command, std::string& output) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[512];
  output.clear();
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs the tool with arguments; its output includes standard error.
int RunTool(const std::string& arguments, std::string& output, const std::string& prefix = "") {
  return Shell(prefix + std::string(ZEL_TEST_TOOL) + " " + arguments + " 2>&1", output);
}

// Whether text holds every one of parts; a failure names those missing and
// shows the text.
::testing::AssertionResult Holds(const std::string& text, std::initializer_list<std::string> parts) {
  std::string missing;
  for (const std::string& part : parts) {
    if (text.find(part) == std::string::npos) missing += "\"" + part + "\" ";
  }
  if (missing.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "missing " << missing << "in:\n" << text;
}

// Whether a program is on the path.
bool HasProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// The value changes of a VCD text as "time name value" lines, in file
// order (vector values without their 'b', reals without their 'r'), and the
// timescale.
std::vector<std::string> VcdChanges(const std::string& text, std::string* timescale = nullptr) {
  std::istringstream in(text);
  std::map<std::string, std::string> names;
  std::vector<std::string> changes;
  std::string word, time = "?";
  while (in >> word) {
    if (word == "$var") {
      std::string type, width, code, name;
      in >> type >> width >> code >> name;
      names[code] = name;
      while (in >> word && word != "$end") {
      }
    } else if (word == "$timescale") {
      std::string value;
      in >> value;
      if (timescale != nullptr) *timescale = value;
    } else if (word[0] == '$') {
      if (word != "$dumpvars" && word != "$end") {
        while (in >> word && word != "$end") {
        }
      }
    } else if (word[0] == '#') {
      time = word.substr(1);
    } else if (word[0] == 'b' || word[0] == 'r') {
      std::string code;
      in >> code;
      changes.push_back(time + " " + names[code] + " " + word.substr(1));
    } else {
      changes.push_back(time + " " + names[word.substr(1)] + " " + word.substr(0, 1));
    }
  }
  return changes;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

using ToolTest = zeltest::SessionTest;

// A logic design over time: a 4-state logic type, a bus top/d[7:0] of an
// array of it declared 7 downto 0, a clock, a real voltage and a real named
// "a,b", in two segments over a parameter vdd. Segment 0 has points at 0,
// 5, 10 and 15 ns; the bus changes at 0 and 10 ns only, "a,b" once at 0.
class LogicToolTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    name_ = dir_ / "sim";
    zel_container_t c = ZEL_CreateContainer(session_, name_.c_str(), ZEL_MODE_DISK, &status_);
    zel_type_t time = ZEL_CreateBuiltinType(session_, c, "time", ZEL_TIME, &status_);
    zel_type_t real = ZEL_CreateBuiltinType(session_, c, "real", ZEL_REAL, &status_);
    zel_type_t integer = ZEL_CreateBuiltinType(session_, c, "int", ZEL_INTEGER, &status_);
    const char* states[] = {"0", "1", "x", "z"};
    zel_type_t logic = ZEL_CreateEnumerationType(session_, c, "logic", 4, states, 0, 3, ZEL_RANGE_ASCENDING, &status_);
    const zel_range_t range = {integer, 7, 0, ZEL_RANGE_DESCENDING};
    zel_type_t vector = ZEL_CreateArrayType(session_, c, "logic8", logic, 1, &range, &status_);
    zel_dimensionDescriptor_t t = ZEL_CreateDimensionDescriptor(session_, c, "time", "s", time, &status_);
    zel_dimensionDescriptor_t level = ZEL_CreateDimensionDescriptor(session_, c, "level", "", logic, &status_);
    zel_dimensionDescriptor_t bus = ZEL_CreateDimensionDescriptor(session_, c, "bus", "", vector, &status_);
    zel_dimensionDescriptor_t volt = ZEL_CreateDimensionDescriptor(session_, c, "voltage", "V", real, &status_);
    zel_parameter_t vdd = ZEL_CreateParameter(session_, c, "vdd", volt, &status_);
    const double supplies[] = {1.8, 3.3};
    ZEL_AppendParameterValues(session_, vdd, 2, supplies, nullptr, &status_);
    zel_waveformSet_t set = ZEL_CreateWaveformSet(session_, c, "tran", t, 1, &vdd, &status_);
    zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(session_, set, &status_);
    zel_waveform_t clk = ZEL_CreateWaveform(session_, set, 0, level, &status_);
    zel_waveform_t d = ZEL_CreateWaveform(session_, set, 0, bus, &status_);
    zel_waveform_t v = ZEL_CreateWaveform(session_, set, 0, volt, &status_);
    zel_waveform_t ab = ZEL_CreateWaveform(session_, set, 0, volt, &status_);
    ZEL_AddHierarchyScalarWf(session_, root, "top/clk", ZEL_HDL_SLASH, clk, &status_);
    ZEL_AddHierarchyCompositeWf(session_, root, "top/d[7:0]", ZEL_HDL_SLASH, vector, d, &status_);
    ZEL_AddHierarchyScalarWf(session_, root, "top/sub/v", ZEL_HDL_SLASH, v, &status_);
    ZEL_AddHierarchyScalarWf(session_, root, "top/a,b", ZEL_HDL_SLASH, ab, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();

    for (unsigned k = 0; k < 2; ++k) {
      zel_segment_t segment = ZEL_CreateSegment(session_, set, 1, &k, &status_);
      // Sparse: each value is tagged with its front.
      zel_writer_t writer = ZEL_CreateWriter(session_, segment, 0, ZEL_STORAGE_SPARSE, &status_);
      ZEL_WfDataWriter* data[] = {ZEL_AddWriterWaveform(session_, writer, clk, &status_),
                                  ZEL_AddWriterWaveform(session_, writer, d, &status_),
                                  ZEL_AddWriterWaveform(session_, writer, v, &status_),
                                  ZEL_AddWriterWaveform(session_, writer, ab, &status_)};
      ZEL_InitializeFrontWriting(session_, writer, &status_);
      for (int p = 0; p < 4; ++p) {
        const UniversalTime x(UniversalInteger(5000000LL * p), UniversalReal(0.0));
        ZEL_StartDataFront(session_, writer, &x, &status_);
        const unsigned char level = static_cast<unsigned char>(p % 2);
        ZEL_WfDataWriterEnterValue(data[0], &level, 0, &status_);
        if (p % 2 == 0) {
          // Location 0 holds index 7, the leftmost element.
          const char* text = p == 0 ? "0101xz01" : "11110000";
          unsigned char elements[8];
          void* leaves[8];
          for (int i = 0; i < 8; ++i) {
            elements[i] = static_cast<unsigned char>(std::string("01xz").find(text[i]));
            leaves[i] = &elements[i];
          }
          unsigned char packed[2] = {0, 0};
          ZEL_PackTypeData(session_, vector, leaves, 1, packed, &status_);
          ZEL_WfDataWriterEnterValue(data[1], packed, 0, &status_);
        }
        const double y = p + 0.5 + 10 * k;
        ZEL_WfDataWriterEnterValue(data[2], &y, 0, &status_);
        if (p == 0) ZEL_WfDataWriterEnterValue(data[3], &y, 0, &status_);
        ZEL_EndDataFront(session_, writer, &status_);
      }
      ZEL_TerminateWriting(session_, writer, &status_);
    }
    ZEL_CloseContainer(session_, c, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }

  zeltest::TempDir dir_;
  std::string name_;
};

// Logic vectors print as their literals (and in hex), X in one unit, the
// printed labels and bit paths are accepted, fields with commas quoted;
// the container answers to its directory name with a trailing slash.
TEST_F(LogicToolTest, DumpPrintsLogicVectorsAndXInOneUnit) {
  std::string out;
  ASSERT_EQ(RunTool("dump " + name_ + "_zel/ tran", out), 0) << out;
  EXPECT_EQ(out,
            "waveform,vdd,x,y\n"
            "top/clk,1.8,0,0\ntop/clk,1.8,0.000000005,1\ntop/clk,1.8,0.00000001,0\ntop/clk,1.8,0.000000015,1\n"
            "top/d,1.8,0,0101xz01\ntop/d,1.8,0.00000001,11110000\n"
            "top/sub/v,1.8,0,0.5\ntop/sub/v,1.8,0.000000005,1.5\ntop/sub/v,1.8,0.00000001,2.5\n"
            "top/sub/v,1.8,0.000000015,3.5\n"
            "\"top/a,b\",1.8,0,0.5\n");
  ASSERT_EQ(RunTool("export-csv " + name_ + ".qo_zel tran top/d top/d[3] /top/d[7] --x-unit ns --hex --segment 1", out), 0)
      << out;
  // d[3] is location 4: x, then 0; d[7] is location 0.
  EXPECT_EQ(out,
            "waveform,vdd,x,y\ntop/d,3.3,0,5x\ntop/d,3.3,10,f0\n"
            "top/d[3],3.3,0,x\ntop/d[3],3.3,10,0\ntop/d[7],3.3,0,0\ntop/d[7],3.3,10,1\n");
  EXPECT_EQ(RunTool("dump " + name_ + " tran --x-unit parsec", out), 1);
  EXPECT_EQ(out, "zel: dump: --x-unit parsec: not a time unit (fs, ps, ns, us, ms, s)\n");
  EXPECT_EQ(RunTool("dump " + name_ + " nope", out), 1);
  EXPECT_EQ(out, "zel: dump: no waveform set named nope in " + name_ + "\n");
  EXPECT_EQ(RunTool("dump " + name_ + " tran top/none", out), 1);
  EXPECT_TRUE(Holds(out, {"no waveform named top/none"}));
  EXPECT_EQ(RunTool("dump " + name_ + " tran --segment 2", out), 1);
  EXPECT_TRUE(Holds(out, {"has no segment 2"}));
  EXPECT_EQ(RunTool("dump " + name_, out), 2);
  EXPECT_EQ(RunTool("dump " + dir_ / "absent" + " tran", out), 1);
  EXPECT_EQ(out.rfind("zel: dump: " + dir_ / "absent" + ": ", 0), 0u) << out;
  EXPECT_EQ(out.find("ZEL"), std::string::npos) << out;
}

// Dumps read through data views: every segment with its parameter value,
// unary operations in order, a waveform subtracted.
TEST_F(LogicToolTest, DumpAppliesOperationsAndWalksEverySegment) {
  std::string out;
  ASSERT_EQ(RunTool("dump " + name_ + " tran top/sub/v --segment all --x-unit ns --op negate --minus top/sub/v", out),
            0)
      << out;
  // v = p + 0.5 + 10 k; negated, then v subtracted: -2 v.
  EXPECT_EQ(out,
            "waveform,vdd,x,y\n"
            "top/sub/v,1.8,0,-1\ntop/sub/v,1.8,5,-3\ntop/sub/v,1.8,10,-5\ntop/sub/v,1.8,15,-7\n"
            "top/sub/v,3.3,0,-21\ntop/sub/v,3.3,5,-23\ntop/sub/v,3.3,10,-25\ntop/sub/v,3.3,15,-27\n");
  // Operations apply in order (names in any case).
  ASSERT_EQ(RunTool("dump " + name_ + " tran top/sub/v --segment 1 --op negate --op ABS", out), 0) << out;
  EXPECT_EQ(out.substr(out.find('\n') + 1, 26), "top/sub/v,3.3,0,10.5\ntop/s");
  EXPECT_EQ(RunTool("dump " + name_ + " tran --op sideways", out), 2);
  EXPECT_EQ(out, "zel: dump: --op sideways: not a unary operation (derivative, integral, abs, ...)\n");
  EXPECT_EQ(RunTool("dump " + name_ + " tran top/clk --op negate", out), 1);
  EXPECT_EQ(out.rfind("zel: dump: top/clk: ", 0), 0u) << out;
}

TEST_F(LogicToolTest, TreeShowsBusesOnceWithSweepsAndSegmentsAndInfoTheSets) {
  std::string out;
  ASSERT_EQ(RunTool("tree " + name_, out), 0) << out;
  EXPECT_TRUE(Holds(out, {"waveform set tran\n"
                           "  x: \"time\" [s]\n"
                           "  parameter vdd (2 values): 1.8 3.3\n"
                           "  segments 2\n"
                           "    0: vdd=1.8\n"
                           "    1: vdd=3.3\n",
                           "      d[7:0] (bus, width 8)  y: logic8 \"bus\" []\n"}));
  EXPECT_EQ(out.find("[3]"), std::string::npos) << out;
  ASSERT_EQ(RunTool("tree " + name_ + " tran --bits", out), 0) << out;
  EXPECT_TRUE(Holds(out, {"      d[7:0] (bus, width 8)  y: logic8 \"bus\" []\n        [7] (scalar)\n"}));

  ASSERT_EQ(RunTool("info " + name_ + "/", out), 0) << out;
  EXPECT_TRUE(Holds(out, {"types       5: time, real, int, logic, logic8\n", "  vdd (2 values): 1.8 3.3\n",
                          "waveform sets 1\n"
                          "  tran\n"
                          "    x           \"time\" [s] time\n"
                          "    parameter   vdd (2 values): 1.8 3.3\n"
                          "    segments    2\n"
                          "    waveforms   4\n"
                          "    segment 0   11 points\n"
                          "    segment 1   11 points\n"
                          "    points      22\n"}));
  const size_t disk = out.find("on disk     ");
  ASSERT_NE(disk, std::string::npos) << out;
  EXPECT_GT(std::atol(out.c_str() + disk + 12), 1000) << out;
}

// Every stored point comes back as a value change at its time, in a VCD that
// vcd2fst accepts and whose FST reads back with the same changes.
TEST_F(LogicToolTest, ExportVcdCarriesEveryChangeAndVcd2fstAcceptsIt) {
  std::string out;
  const std::string vcd = dir_ / "sim.vcd";
  ASSERT_EQ(RunTool("export-vcd " + name_ + " tran --segment 1 > " + vcd, out), 0) << out;
  const std::string text = ReadText(vcd);
  std::string timescale;
  const std::vector<std::string> changes = VcdChanges(text, &timescale);
  EXPECT_EQ(timescale, "1ns");
  EXPECT_TRUE(Holds(text, {"$scope module top $end\n$var wire 1 ! clk $end\n$var wire 8 \" d [7:0] $end\n"}));
  EXPECT_EQ(changes, (std::vector<std::string>{"0 clk 0", "0 d 0101xz01", "0 v 10.5", "0 a,b 10.5", "5 clk 1",
                                               "5 v 11.5", "10 clk 0", "10 d 11110000", "10 v 12.5", "15 clk 1",
                                               "15 v 13.5"}))
      << text;

  if (!HasProgram("vcd2fst") || !HasProgram("fst2vcd")) GTEST_SKIP() << "vcd2fst or fst2vcd is not installed";
  const std::string fst = dir_ / "sim.fst";
  ASSERT_EQ(std::system(("vcd2fst " + vcd + " " + fst + " >/dev/null 2>&1").c_str()), 0);
  std::string back;
  Shell("fst2vcd " + fst + " 2>/dev/null", back);
  std::vector<std::string> again = VcdChanges(back);
  // fst2vcd lists the initial values under $dumpvars; the order within a
  // time may differ.
  std::sort(again.begin(), again.end());
  std::vector<std::string> sorted = changes;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(again, sorted) << back;
}

TEST_F(ToolTest, DumpIntoAClosedPipeEndsQuietlyAndLeavesNoReader) {
  zeltest::TempDir dir;
  const std::string name = dir / "big";
  zel_container_t c = ZEL_CreateContainer(session_, name.c_str(), ZEL_MODE_DISK, &status_);
  zel_type_t real = ZEL_CreateBuiltinType(session_, c, "real", ZEL_REAL, &status_);
  zel_dimensionDescriptor_t t = ZEL_CreateDimensionDescriptor(session_, c, "time", "s", real, &status_);
  zel_waveformSet_t set = ZEL_CreateWaveformSet(session_, c, "tran", t, 0, nullptr, &status_);
  zel_segment_t segment = ZEL_CreateSegment(session_, set, 0, nullptr, &status_);
  zel_waveform_t w = ZEL_CreateWaveform(session_, set, 0, t, &status_);
  ZEL_AddHierarchyScalarWf(session_, ZEL_GetNameHierarchyRootNode(session_, set, &status_), "w", ZEL_HDL_SLASH, w,
                           &status_);
  zel_writer_t writer = ZEL_CreateWriter(session_, segment, 0, ZEL_STORAGE_ANALOG, &status_);
  ZEL_WfDataWriter* data = ZEL_AddWriterWaveform(session_, writer, w, &status_);
  ZEL_InitializeFrontWriting(session_, writer, &status_);
  // About 7 MB of rows: far more than a pipe holds.
  for (int p = 0; p < 200000; ++p) {
    const double x = 1e-9 * p;
    ZEL_StartDataFront(session_, writer, &x, &status_);
    ZEL_WfDataWriterEnterValue(data, &x, 0, &status_);
    ZEL_EndDataFront(session_, writer, &status_);
  }
  ZEL_TerminateWriting(session_, writer, &status_);
  ZEL_CloseContainer(session_, c, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();

  std::string out;
  const std::string code = dir / "code";
  ASSERT_EQ(RunTool("dump " + name + " tran; echo $? > " + code + "; } | head -n 2", out, "{ "), 0) << out;
  EXPECT_EQ(out, "waveform,x,y\nw,0,0\n");
  EXPECT_EQ(ReadText(code), "0\n");
  zel_versionInfo_t table;
  ZEL_GetContainerVersionInfo(name.c_str(), &table, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(table.readerCount, 0u);
  std::free(table.readers);
  std::free(table.writers);
  std::free(table.attached);
}

// Help for the tool and each command, versions, and a manual page that
// names every command the help lists.
TEST(Tool, HelpVersionAndManualPage) {
  std::string out;
  ASSERT_EQ(RunTool("--help", out), 0);
  std::vector<std::string> commands;
  std::istringstream lines(out.substr(out.find("commands:\n") + 10));
  std::string line;
  while (std::getline(lines, line) && line.rfind("  ", 0) == 0) commands.push_back(line.substr(2, line.find(' ', 2) - 2));
  EXPECT_EQ(commands.size(), 10u) << out;
  std::string help;
  ASSERT_EQ(RunTool("help dump", help), 0);
  EXPECT_TRUE(Holds(help, {"usage: zel dump CONTAINER WAVEFORM_SET", "--x-unit UNIT"}));
  ASSERT_EQ(RunTool("dump --help", out), 0);
  EXPECT_EQ(out, help);
  ASSERT_EQ(RunTool("tree x -h", out), 0);
  EXPECT_TRUE(Holds(out, {"--bits"}));
  EXPECT_EQ(RunTool("help nope", out), 2);
  EXPECT_EQ(RunTool("", out), 2);
  EXPECT_EQ(RunTool("frobnicate", out), 2);
  EXPECT_EQ(out.rfind("zel: unknown command 'frobnicate'\n", 0), 0u) << out;

  ASSERT_EQ(RunTool("--version", out), 0);
  EXPECT_TRUE(Holds(out, {"zel (libqo_zel) 8.0.0\n", "container format version 8"}));
  ASSERT_EQ(RunTool("version", out), 0);
  EXPECT_TRUE(Holds(out, {"software version 8", ".qo_zel", "_zel"}));

  const std::string page = ReadText(std::string(ZEL_SOURCE_DIR) + "/doc/zel.1");
  ASSERT_NE(page.find(".TH ZEL 1"), std::string::npos);
  for (const std::string& command : commands) {
    std::string troff;
    for (char ch : command) troff += ch == '-' ? std::string("\\-") : std::string(1, ch);
    EXPECT_TRUE(page.find("\n.BI " + troff) != std::string::npos || page.find("\n.BR " + troff) != std::string::npos ||
                page.find("\n.B " + troff) != std::string::npos)
        << command;
  }
  if (!HasProgram("man")) GTEST_SKIP() << "man is not installed";
  std::string rendered;
  EXPECT_EQ(Shell("man -l " + std::string(ZEL_SOURCE_DIR) + "/doc/zel.1 2>&1", rendered), 0) << rendered;
  EXPECT_TRUE(Holds(rendered, {"export-vcd"}));
}

TEST_F(ToolTest, InfoShowsVersionProcessesAndAttributesAndStopsAtADamagedTable) {
  zeltest::TempDir dir;
  const std::string name = dir / "sim";
  zel_container_t c = ZEL_CreateContainer(session_, name.c_str(), ZEL_MODE_DISK, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  ZEL_SetContainerAttribute(session_, c, "corner", "slow", &status_);
  ZEL_CommitContainerStructure(session_, c, &status_);
  zeltest::ChildProcess attached([&](zeltest::ChildProcess::Channel& ch) {
    zel_status_t st;
    zel_session_t s = ZEL_InitSession(&st);
    zel_container_t a = ZEL_AttachContainer(s, name.c_str(), &st);
    if (st != ZEL_OK) return 1;
    ch.Signal();
    ch.Wait();
    ZEL_DetachContainer(s, a, &st);
    return st == ZEL_OK ? 0 : 2;
  });
  ASSERT_EQ(attached.AwaitSignal(), 'r');
  std::string out;
  ASSERT_EQ(RunTool("info " + name + "_zel", out), 0) << out;
  EXPECT_TRUE(Holds(out, {"container   sim\n", "directory   " + name + "_zel\n", "software    version 8\n",
                          "corner = slow\n",
                          "version     0 (newest of 1, next 1)\n"
                          "  readers   none\n"
                          "  writer    " + std::to_string(::getpid()) + "\n"
                          "  attached  " + std::to_string(attached.Get_Pid()) + "\n"}));
  attached.Resume();
  EXPECT_EQ(attached.Join(), 0);
  ZEL_CloseContainer(session_, c, &status_);

  // The table cut short: the tool stops with the library's reason.
  const std::string toc = name + "_zel/version.toc";
  std::vector<unsigned char> bytes = zeltest::ReadFileBytes(toc);
  bytes.resize(bytes.size() - 2);
  zeltest::WriteFileBytes(toc, bytes);
  EXPECT_EQ(RunTool("info " + name, out), 1);
  EXPECT_EQ(out, "zel: info: " + name + ": End of file\n");
  EXPECT_EQ(RunTool("info " + dir / "absent", out), 1);
  EXPECT_TRUE(Holds(out, {"no container named"}));
}

// Derived waveforms are dumped like stored ones: by path (a field of a
// stored record, a record assembled from stored fields) and in the dump of
// the whole hierarchy (assembled composites, not the fields inside a stored
// one); one whose fields have no data in the segment is skipped.
TEST_F(ToolTest, DumpPrintsDerivedWaveforms) {
  zeltest::TempDir dir;
  const std::string name = dir / "sim";
  zel_container_t c = ZEL_CreateContainer(session_, name.c_str(), ZEL_MODE_DISK, &status_);
  zel_type_t real = ZEL_CreateBuiltinType(session_, c, "real", ZEL_REAL, &status_);
  const char* literals[] = {"lo", "hi"};
  zel_type_t bit = ZEL_CreateEnumerationType(session_, c, "bit", 2, literals, 0, 1, ZEL_RANGE_ASCENDING, &status_);
  const char* stateNames[] = {"e", "r"};
  const zel_type_t stateTypes[] = {bit, real};
  zel_type_t state = ZEL_CreateRecordType(session_, c, "state", 2, stateNames, stateTypes, &status_);
  const char* pairNames[] = {"u", "v"};
  const zel_type_t pairTypes[] = {real, real};
  zel_type_t pair = ZEL_CreateRecordType(session_, c, "pair", 2, pairNames, pairTypes, &status_);
  zel_dimensionDescriptor_t t = ZEL_CreateDimensionDescriptor(session_, c, "time", "s", real, &status_);
  zel_dimensionDescriptor_t sd = ZEL_CreateDimensionDescriptor(session_, c, "s", "", state, &status_);
  zel_waveformSet_t set = ZEL_CreateWaveformSet(session_, c, "tran", t, 0, nullptr, &status_);
  zel_segment_t segment = ZEL_CreateSegment(session_, set, 0, nullptr, &status_);
  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(session_, set, &status_);
  zel_waveform_t a = ZEL_CreateWaveform(session_, set, 0, t, &status_);
  zel_waveform_t s = ZEL_CreateWaveform(session_, set, 0, sd, &status_);
  zel_waveform_t u = ZEL_CreateWaveform(session_, set, 0, t, &status_);
  zel_waveform_t v = ZEL_CreateWaveform(session_, set, 0, t, &status_);
  zel_waveform_t unwritten = ZEL_CreateWaveform(session_, set, 0, t, &status_);
  ZEL_AddHierarchyScalarWf(session_, root, "top/a", ZEL_HDL_SLASH, a, &status_);
  ZEL_AddHierarchyCompositeWf(session_, root, "top/s", ZEL_HDL_SLASH, state, s, &status_);
  zel_hierarchyNode_t p = ZEL_AddHierarchyCompositeType(session_, root, "top/p", ZEL_HDL_SLASH, pair, &status_);
  ZEL_AddHierarchyScalarSubelWf(session_, p, 0, u, &status_);
  ZEL_AddHierarchyScalarSubelWf(session_, p, 1, v, &status_);
  zel_hierarchyNode_t q = ZEL_AddHierarchyCompositeType(session_, root, "top/q", ZEL_HDL_SLASH, pair, &status_);
  ZEL_AddHierarchyScalarSubelWf(session_, q, 0, unwritten, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();

  zel_writer_t writer = ZEL_CreateWriter(session_, segment, 0, ZEL_STORAGE_ANALOG, &status_);
  ZEL_WfDataWriter* data[] = {ZEL_AddWriterWaveform(session_, writer, a, &status_),
                              ZEL_AddWriterWaveform(session_, writer, s, &status_),
                              ZEL_AddWriterWaveform(session_, writer, u, &status_),
                              ZEL_AddWriterWaveform(session_, writer, v, &status_)};
  ZEL_InitializeFrontWriting(session_, writer, &status_);
  const unsigned char e[] = {1, 1, 0};
  for (int i = 0; i < 3; ++i) {
    const double x = 0.5 * i, y = i, uy = 10 + i, vy = 20 + i;
    const double r = 100 + i;
    void* leaves[] = {const_cast<unsigned char*>(&e[i]), const_cast<double*>(&r)};
    unsigned char record[9];
    ZEL_PackTypeData(session_, state, leaves, 1, record, &status_);
    ZEL_StartDataFront(session_, writer, &x, &status_);
    ZEL_WfDataWriterEnterValue(data[0], &y, 0, &status_);
    ZEL_WfDataWriterEnterValue(data[1], record, 0, &status_);
    ZEL_WfDataWriterEnterValue(data[2], &uy, 0, &status_);
    ZEL_WfDataWriterEnterValue(data[3], &vy, 0, &status_);
    ZEL_EndDataFront(session_, writer, &status_);
  }
  ZEL_TerminateWriting(session_, writer, &status_);
  ZEL_CloseContainer(session_, c, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();

  std::string out;
  // Composite values have no text: they print as "?".
  ASSERT_EQ(RunTool("dump " + name + " tran", out), 0) << out;
  EXPECT_EQ(out,
            "waveform,x,y\n"
            "top/a,0,0\ntop/a,0.5,1\ntop/a,1,2\n"
            "top/s,0,?\ntop/s,0.5,?\ntop/s,1,?\n"
            "top/p,0,?\ntop/p,0.5,?\ntop/p,1,?\n"
            "top/p.u,0,10\ntop/p.u,0.5,11\ntop/p.u,1,12\n"
            "top/p.v,0,20\ntop/p.v,0.5,21\ntop/p.v,1,22\n");
  // A field of a stored record: an enumeration keeps its changes and its
  // last point, a real field every point.
  ASSERT_EQ(RunTool("dump " + name + " tran top/s.e top/s.r top/p", out), 0) << out;
  EXPECT_EQ(out,
            "waveform,x,y\n"
            "top/s.e,0,hi\ntop/s.e,1,lo\n"
            "top/s.r,0,100\ntop/s.r,0.5,101\ntop/s.r,1,102\n"
            "top/p,0,?\ntop/p,0.5,?\ntop/p,1,?\n");
  // Fields without data: nothing to print.
  ASSERT_EQ(RunTool("dump " + name + " tran top/q", out), 0) << out;
  EXPECT_EQ(out, "waveform,x,y\n");
}

TEST_F(ToolTest, DemoWritesCycleByCycleAndFindsEveryWaveformAgain) {
  zeltest::TempDir dir;
  std::string out;
  ASSERT_EQ(RunTool("demo " + dir.path(), out), 0) << out;
  // Read back through a reader: every node voltage at every cycle with its
  // extremes and interpolated values; each logic signal low, high, low, or
  // never high where the node stays below half the supply.
  EXPECT_TRUE(Holds(out, {"committed every 500", "parameter     R: 1000 2000 4000\n",
                          "top/ladder/n1      1000     2001  0       2e-05    0.000   0.889     0.697   0.889   0.160",
                          "top/logic/n1_high  1000        3  0       1.07e-05 0       1             1       1       0",
                          "                   4000        1  0       0        0       0             0       0       0"}));
  // The container it leaves opens for writing again.
  const std::string name = dir / "zel-demo";
  zel_container_t c = ZEL_OpenContainer(session_, name.c_str(), ZEL_IOMODE_WRITE, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_CloseContainer(session_, c, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
}
