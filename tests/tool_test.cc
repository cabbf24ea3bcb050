// The zel command-line tool, run as a separate process.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

// Runs the tool with arguments; returns its exit code and its output
// (standard error included).
int RunTool(const std::string& arguments, std::string& output) {
  const std::string command = std::string(ZEL_TEST_TOOL) + " " + arguments + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[512];
  output.clear();
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

using ToolTest = zeltest::SessionTest;

TEST_F(ToolTest, InfoShowsVersionProcessesAndAttributes) {
  zeltest::TempDir dir;
  const std::string name = dir / "sim";
  zel_container_t c = ZEL_CreateContainer(session_, name.c_str(), ZEL_MODE_DISK, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  ZEL_SetContainerAttribute(session_, c, "corner", "slow", &status_);
  ZEL_CommitContainerStructure(session_, c, &status_);

  std::string out;
  ASSERT_EQ(RunTool("info " + name + ".qo_zel", out), 0) << out;
  EXPECT_NE(out.find("container   sim\n"), std::string::npos) << out;
  EXPECT_NE(out.find("software    version 8\n"), std::string::npos) << out;
  EXPECT_NE(out.find("version     0 (newest of 1, next 1)\n"), std::string::npos) << out;
  EXPECT_NE(out.find("writer    " + std::to_string(::getpid()) + "\n"), std::string::npos) << out;
  EXPECT_NE(out.find("readers   none\n"), std::string::npos) << out;
  EXPECT_NE(out.find("corner = slow\n"), std::string::npos) << out;
  ZEL_CloseContainer(session_, c, &status_);

  EXPECT_NE(RunTool("info " + dir / "absent", out), 0);
  EXPECT_NE(out.find("no container named"), std::string::npos) << out;
  EXPECT_NE(RunTool("frobnicate", out), 0);
}

TEST_F(ToolTest, InfoListsAttachedProcessesAndStopsAtADamagedTable) {
  zeltest::TempDir dir;
  const std::string name = dir / "sim";
  zel_container_t c = ZEL_CreateContainer(session_, name.c_str(), ZEL_MODE_DISK, &status_);
  ASSERT_EQ(status_, ZEL_OK);
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
  EXPECT_NE(out.find("directory   " + name + "_zel\n"), std::string::npos) << out;
  EXPECT_NE(out.find("version     0 (newest of 1, next 1)\n"
                     "  readers   none\n"
                     "  writer    " + std::to_string(::getpid()) + "\n"
                     "  attached  " + std::to_string(attached.Get_Pid()) + "\n"),
            std::string::npos)
      << out;
  attached.Resume();
  EXPECT_EQ(attached.Join(), 0);
  ZEL_CloseContainer(session_, c, &status_);

  // The table cut short: the tool stops with the library's reason.
  const std::string toc = name + "_zel/version.toc";
  std::vector<unsigned char> bytes = zeltest::ReadFileBytes(toc);
  bytes.resize(bytes.size() - 2);
  zeltest::WriteFileBytes(toc, bytes);
  EXPECT_EQ(RunTool("info " + name, out), 1);
  EXPECT_EQ(out, "zel: info: ZEL_GetContainerSoftwareVersion: End of file\n");
}

TEST(Tool, VersionPrintsNaming) {
  std::string out;
  ASSERT_EQ(RunTool("version", out), 0);
  EXPECT_NE(out.find("software version 8"), std::string::npos);
  EXPECT_NE(out.find(".qo_zel"), std::string::npos);
  EXPECT_NE(out.find("_zel"), std::string::npos);
}

TEST_F(ToolTest, DumpPrintsTheValuesOfNamedWaveformsAsCsv) {
  zeltest::TempDir dir;
  const std::string name = dir / "sim";
  zel_container_t c = ZEL_CreateContainer(session_, name.c_str(), ZEL_MODE_DISK, &status_);
  zel_type_t real = ZEL_CreateBuiltinType(session_, c, "real", ZEL_REAL, &status_);
  zel_dimensionDescriptor_t t = ZEL_CreateDimensionDescriptor(session_, c, "time", "s", real, &status_);
  zel_waveformSet_t set = ZEL_CreateWaveformSet(session_, c, "tran", t, 0, nullptr, &status_);
  zel_segment_t segment = ZEL_CreateSegment(session_, set, 0, nullptr, &status_);
  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(session_, set, &status_);
  zel_waveform_t waves[2];
  zel_writer_t writer = ZEL_CreateWriter(session_, segment, 0, ZEL_STORAGE_ANALOG, &status_);
  ZEL_WfDataWriter* data[2];
  const char* paths[2] = {"top/a", "top/sub/b"};
  for (int i = 0; i < 2; ++i) {
    waves[i] = ZEL_CreateWaveform(session_, set, 0, t, &status_);
    ZEL_AddHierarchyScalarWf(session_, root, paths[i], ZEL_HDL_SLASH, waves[i], &status_);
    data[i] = ZEL_AddWriterWaveform(session_, writer, waves[i], &status_);
  }
  ZEL_InitializeFrontWriting(session_, writer, &status_);
  for (int p = 0; p < 3; ++p) {
    const double x = 0.5 * p;
    ZEL_StartDataFront(session_, writer, &x, &status_);
    for (int i = 0; i < 2; ++i) {
      const double y = 10 * i + p;
      ZEL_WfDataWriterEnterValue(data[i], &y, 0, &status_);
    }
    ZEL_EndDataFront(session_, writer, &status_);
  }
  ZEL_TerminateWriting(session_, writer, &status_);
  ZEL_CloseContainer(session_, c, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();

  std::string out;
  ASSERT_EQ(RunTool("dump " + name + " tran", out), 0) << out;
  EXPECT_EQ(out,
            "waveform,x,y\ntop/a,0,0\ntop/a,0.5,1\ntop/a,1,2\n"
            "top/sub/b,0,10\ntop/sub/b,0.5,11\ntop/sub/b,1,12\n");
  ASSERT_EQ(RunTool("dump " + name + " tran top/sub/b --segment 0", out), 0) << out;
  EXPECT_EQ(out, "waveform,x,y\ntop/sub/b,0,10\ntop/sub/b,0.5,11\ntop/sub/b,1,12\n");
  EXPECT_EQ(RunTool("dump " + name + " tran top/none", out), 1);
  EXPECT_NE(out.find("no waveform named top/none"), std::string::npos) << out;
  EXPECT_EQ(RunTool("dump " + name + " tran --segment 1", out), 1);
  EXPECT_NE(out.find("has no segment 1"), std::string::npos) << out;
  EXPECT_EQ(RunTool("dump " + name, out), 2);
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
  EXPECT_NE(out.find("committed every 500"), std::string::npos) << out;
  EXPECT_NE(out.find("parameter     R: 1000 2000 4000\n"), std::string::npos) << out;
  // Read back through a reader: every node voltage at every cycle with its
  // extremes and interpolated values; each logic signal low, high, low, or
  // never high where the node stays below half the supply.
  EXPECT_NE(out.find("top/ladder/n1      1000     2001  0       2e-05    0.000   0.889     0.697   0.889   0.160"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("top/logic/n1_high  1000        3  0       1.07e-05 0       1             1       1       0"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("                   4000        1  0       0        0       0             0       0       0"),
            std::string::npos)
      << out;
  // The container it leaves opens for writing again.
  const std::string name = dir / "zel-demo";
  zel_container_t c = ZEL_OpenContainer(session_, name.c_str(), ZEL_IOMODE_WRITE, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_CloseContainer(session_, c, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
}
