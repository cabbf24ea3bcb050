// The zel command-line tool, run as a separate process.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

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

TEST(Tool, VersionPrintsNaming) {
  std::string out;
  ASSERT_EQ(RunTool("version", out), 0);
  EXPECT_NE(out.find("software version 8"), std::string::npos);
  EXPECT_NE(out.find(".qo_zel"), std::string::npos);
  EXPECT_NE(out.find("_zel"), std::string::npos);
}

TEST_F(ToolTest, DemoWritesCycleByCycleAndFindsEveryWaveformAgain) {
  zeltest::TempDir dir;
  std::string out;
  ASSERT_EQ(RunTool("demo " + dir.path(), out), 0) << out;
  EXPECT_NE(out.find("committed every 500"), std::string::npos) << out;
  EXPECT_NE(out.find("parameter     R: 1000 2000 4000\n"), std::string::npos) << out;
  // Every node voltage at every cycle; each logic signal low, high, low.
  EXPECT_NE(out.find("top/ladder/n3      real     1000   yes       2001"), std::string::npos) << out;
  EXPECT_NE(out.find("top/logic/n1_high  logic    1000   yes          3"), std::string::npos) << out;
  // The container it leaves opens for writing again.
  const std::string name = dir / "zel-demo";
  zel_container_t c = ZEL_OpenContainer(session_, name.c_str(), ZEL_IOMODE_WRITE, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_CloseContainer(session_, c, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
}
