// Shared test fixtures: temporary directories, file bytes, child processes,
// and a fixture that owns a session.
#ifndef ZEL_TESTS_TEST_SUPPORT_H
#define ZEL_TESTS_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "zel/zel.h"

class ZELI_Container;

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

// Runs body inside the library's call frame under the given exported-function
// name, as an exported function would, and returns the status it reports.
template <typename Body>
zel_status_t RunInFrame(const char* name, Body body);

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

// Builds stored bytes by hand in either byte order: 4-byte integers in the
// chosen order, single bytes, and strings as length, characters and NUL.
class ByteWriter {
 public:
  explicit ByteWriter(bool bigEndian) : bigEndian_(bigEndian) {}
  ByteWriter& U8(unsigned v) {
    bytes_.push_back(static_cast<unsigned char>(v));
    return *this;
  }
  ByteWriter& I32(long long v);
  ByteWriter& Str(const std::string& text);
  ByteWriter& Raw(const void* p, size_t n);
  const std::vector<unsigned char>& bytes() const { return bytes_; }

 private:
  bool bigEndian_;
  std::vector<unsigned char> bytes_;
};

// A container built directly (containers cannot be created through the
// interface yet), wrapped and inserted into the session; ending the session
// releases the wrapper and the container. object, when not null, receives
// the container object.
zel_container_t AddTestContainer(zel_session_t session, ZELI_Container** object = nullptr);

// The structure-file section of types: the container's external key map,
// then its type table (WriteTypes). Reading places the types into a fresh
// container at their stored keys, through a stream of the given stored byte
// order and software version; it throws what the readers throw.
void WriteTypeTableFile(ZELI_Container& container, const std::string& path);
void ReadTypeTableFile(ZELI_Container& container, const std::string& path, bool bigEndianOnDisk = false,
                       unsigned version = 8);

// The message of the E that f throws; "<no exception>" when it throws none.
template <typename E, typename F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.what();
  }
  return "<no exception>";
}

}  // namespace zeltest

#include "interface/frame.h"
#include "store/os_file.h"

namespace zeltest {

// The POSIX file system, call for call; tests override the calls they
// change (a hook before one call, syncs that always succeed).
class ForwardingFileSystem : public ZELI_FileSystem {
 public:
  int Open(const char* path, int flags, mode_t mode) override { return os_.Open(path, flags, mode); }
  ssize_t Read(int fd, void* p, size_t n) override { return os_.Read(fd, p, n); }
  ssize_t ReadAt(int fd, void* p, size_t n, off_t offset) override { return os_.ReadAt(fd, p, n, offset); }
  ssize_t Write(int fd, const void* p, size_t n) override { return os_.Write(fd, p, n); }
  ssize_t WriteAt(int fd, const struct iovec* pieces, int count, off_t offset) override {
    return os_.WriteAt(fd, pieces, count, offset);
  }
  off_t Lseek(int fd, off_t offset, int whence) override { return os_.Lseek(fd, offset, whence); }
  int Fsync(int fd) override { return os_.Fsync(fd); }
  int Close(int fd) override { return os_.Close(fd); }
  int Fstat(int fd, struct stat* st) override { return os_.Fstat(fd, st); }
  int Stat(const char* path, struct stat* st) override { return os_.Stat(path, st); }
  int Lstat(const char* path, struct stat* st) override { return os_.Lstat(path, st); }
  int Access(const char* path, int how) override { return os_.Access(path, how); }
  int Unlink(const char* path) override { return os_.Unlink(path); }
  int Rename(const char* from, const char* to) override { return os_.Rename(from, to); }
  int Mkdir(const char* path, mode_t mode) override { return os_.Mkdir(path, mode); }
  int Rmdir(const char* path) override { return os_.Rmdir(path); }
  int Flock(int fd, int operation) override { return os_.Flock(fd, operation); }
  int ListDirectory(const char* path, std::vector<std::string>& names) override {
    return os_.ListDirectory(path, names);
  }
  int Advise(int fd, off_t offset, off_t length) override { return os_.Advise(fd, offset, length); }
  bool RenameFollowsData(const char* path) override { return os_.RenameFollowsData(path); }
  int WriteOut(int fd) override { return os_.WriteOut(fd); }

 private:
  ZELI_FileSystem& os_ = ZELI_OS_PosixFileSystem();
};

}  // namespace zeltest

template <typename Body>
zel_status_t zeltest::RunInFrame(const char* name, Body body) {
  zel_status_t status = ZEL_OK;
  ZELC_CallVoid(name, &status, [&](ZELC_Interface&) { body(); });
  return status;
}

#endif  // ZEL_TESTS_TEST_SUPPORT_H
