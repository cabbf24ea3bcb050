// Shared test fixtures.
#include "test_support.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "interface/container_wrapper.h"
#include "interface/interface.h"
#include "model/container.h"
#include "store/stream.h"

namespace zeltest {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/zel_test_XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) std::abort();
  path_ = buffer.data();
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Make read-only test directories removable again.
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

int RunInChild(const std::function<int()>& body, bool runExitHandlers) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return -2;
  if (pid == 0) {
    int code = 99;
    try {
      code = body();
    } catch (...) {
      code = 98;
    }
    if (runExitHandlers) std::exit(code);
    ::_exit(code);
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -2;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ChildProcess::Channel::Signal(char code) {
  if (::write(toParent_, &code, 1) != 1) ::_exit(97);
}

char ChildProcess::Channel::Wait() {
  char code = 0;
  if (::read(fromParent_, &code, 1) != 1) ::_exit(96);
  return code;
}

ChildProcess::ChildProcess(const std::function<int(Channel&)>& body) {
  if (::pipe(toParent_) != 0 || ::pipe(fromParent_) != 0) std::abort();
  std::fflush(nullptr);
  pid_ = ::fork();
  if (pid_ < 0) std::abort();
  if (pid_ == 0) {
    ::close(toParent_[0]);
    ::close(fromParent_[1]);
    Channel channel(toParent_[1], fromParent_[0]);
    int code = 99;
    try {
      code = body(channel);
    } catch (...) {
      code = 98;
    }
    ::_exit(code);
  }
  ::close(toParent_[1]);
  ::close(fromParent_[0]);
}

ChildProcess::~ChildProcess() {
  if (!joined_) {
    Kill();
    Join();
  }
  ::close(toParent_[0]);
  ::close(fromParent_[1]);
}

char ChildProcess::AwaitSignal() {
  char code = 0;
  return ::read(toParent_[0], &code, 1) == 1 ? code : '\0';
}

void ChildProcess::Resume(char code) {
  if (::write(fromParent_[1], &code, 1) != 1) {
    // The child is gone; Join reports how it ended.
  }
}

int ChildProcess::Join() {
  if (joined_) return exitCode_;
  int status = 0;
  joined_ = true;
  if (::waitpid(pid_, &status, 0) != pid_) return exitCode_ = -2;
  return exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ChildProcess::Kill() {
  if (!joined_) ::kill(pid_, SIGKILL);
}

void SessionTest::SetUp() {
  session_ = ZEL_InitSession(&status_);
  ASSERT_EQ(status_, ZEL_OK);
}

void SessionTest::TearDown() {
  if (session_.key != -1) ZEL_TermSession(session_, &status_);
}

ByteWriter& ByteWriter::I32(long long v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) {
    const int shift = bigEndian_ ? 24 - 8 * i : 8 * i;
    bytes_.push_back(static_cast<unsigned char>(u >> shift));
  }
  return *this;
}

ByteWriter& ByteWriter::Str(const std::string& text) {
  I32(static_cast<long long>(text.size()));
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  bytes_.push_back(0);
  return *this;
}

ByteWriter& ByteWriter::Raw(const void* p, size_t n) {
  const unsigned char* b = static_cast<const unsigned char*>(p);
  bytes_.insert(bytes_.end(), b, b + n);
  return *this;
}

zel_container_t AddTestContainer(zel_session_t session, ZELI_Container** object) {
  ZELC_Session* owner = ZELC_Interface::TheInterface().ConvertSessionHandle(session);
  ZELI_Container* container = new ZELI_Container;
  ZELC_Container* wrapper = new ZELC_Container(container);
  wrapper->InsertInto(*owner);
  if (object != nullptr) *object = container;
  return zel_container_t{wrapper->Get_Key()};
}

void WriteTypeTableFile(ZELI_Container& container, const std::string& path) {
  ZELI_Ostream out(path.c_str(), 1);
  ZELI_KeyMap<ZELI_ExternalBase>& map = container.Get_ExternalConvertor();
  out << map;
  map.InitializeMarker();
  container.Get_TypeTable().WriteTypes(out, map);
  map.DiscardMarker();
  out.Close();
}

void ReadTypeTableFile(ZELI_Container& container, const std::string& path, bool bigEndianOnDisk, unsigned version) {
  ZELI_Istream in(path.c_str(), bigEndianOnDisk ? 1 : 0, version);
  ZELI_KeyMap<ZELI_ExternalBase>& map = container.Get_ExternalConvertor();
  in >> map;
  container.Get_TypeTable().ReadTypes(in, map);
  map.VerifyLoaded();
}

}  // namespace zeltest
