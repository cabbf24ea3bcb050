// Fuzz target: arbitrary bytes as a container's version.toc.
//
// Reading must end in a clean library exception or in a table; a table that
// this library could write back (this machine's byte order, software
// version 8) must be written back byte for byte as it was read, since every
// field of the stored form is kept and nothing else is accepted.
#include "fuzz_support.h"
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "store/stream.h"
#include "store/version_toc.h"

namespace {

const std::string& Directory() {
  static const std::string directory = [] {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/zel_toc_fuzz_XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) std::abort();
    return std::string(buffer.data());
  }();
  return directory;
}



}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& dir = Directory();
  zelfuzz::WriteFile(dir + "/version.toc", data, size);
  try {
    const ZELI_VersionTOC toc(dir.c_str(), ZEL_IOMODE_READ);
    for (unsigned i = 0; i < toc.Get_VersionCount(); ++i) {
      const ZELI_Version& version = toc.Get_Version(i);
      if (version.Get_Number() < 0 || version.Get_Number() >= toc.Get_NextVersionNumber()) std::abort();
      if (version.Get_Processes(ZELI_Version::WRITING).size() > 1) std::abort();
    }
    if (toc.IsCompatibleForWriting()) {
      const std::string copy = dir + "/copy";
      {
        ZELI_Ostream out(copy.c_str(), 1);
        toc.Write(out);
        out.Close();
      }
      const std::vector<uint8_t> written = zelfuzz::ReadFile(copy);
      if (written.size() != size || (size > 0 && std::memcmp(written.data(), data, size) != 0)) std::abort();
    }
  } catch (const ZELI_Exception&) {
    // A clean refusal.
  }
  return 0;
}
