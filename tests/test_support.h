// Shared test fixtures: temporary directories, file bytes, child processes,
// and a fixture that owns a session.
#ifndef ZEL_TESTS_TEST_SUPPORT_H
#define ZEL_TESTS_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "zel/zel.h"

namespace zeltest {

// A fresh directory, removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::vector<unsigned char> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);

// Runs body in a forked child and returns its exit status (the child exits
// with body's result through _exit, skipping static destructors unless
// runExitHandlers is set). -1 when the child died from a signal.
int RunInChild(const std::function<int()>& body, bool runExitHandlers = false);

// A forked child that runs a script in steps with the parent: the child
// calls Signal() when a step is done and Wait() to block until the parent
// calls Resume(); the parent calls AwaitSignal() and Resume(). Join() waits
// for the child's exit code (-1: killed by a signal).
class ChildProcess {
 public:
  class Channel {
   public:
    Channel(int toParent, int fromParent) : toParent_(toParent), fromParent_(fromParent) {}
    void Signal(char code = 'r');
    char Wait();

   private:
    int toParent_;
    int fromParent_;
  };

  explicit ChildProcess(const std::function<int(Channel&)>& body);
  ~ChildProcess();
  // The child's next signal ('\0' when it exited without one).
  char AwaitSignal();
  void Resume(char code = 'c');
  int Join();
  void Kill();
  int Get_Pid() const { return pid_; }

 private:
  int pid_ = -1;
  int toParent_[2] = {-1, -1};
  int fromParent_[2] = {-1, -1};
  bool joined_ = false;
  int exitCode_ = -2;
};

// Expects the status and the current message of the last failing call.
#define EXPECT_ZEL_FAILURE(status, expectedStatus, expectedMessage) \
  do {                                                              \
    EXPECT_EQ((status), (expectedStatus));                          \
    EXPECT_STREQ(ZEL_GetError(), (expectedMessage));                \
  } while (0)

// A fixture with one open session, ended after the test.
class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  zel_session_t session_ = {-1};
  zel_status_t status_ = ZEL_OK;
};

}  // namespace zeltest

#endif  // ZEL_TESTS_TEST_SUPPORT_H
