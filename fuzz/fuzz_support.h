// Helpers shared by the fuzz targets: the scratch files through which a
// target hands its input to the library's file readers.
#ifndef ZEL_FUZZ_FUZZ_SUPPORT_H
#define ZEL_FUZZ_FUZZ_SUPPORT_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace zelfuzz {

// Replaces the file with the bytes; aborts when the scratch file cannot be
// written (a harness failure, not a finding).
inline void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) std::abort();
  int c;
  while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
  std::fclose(f);
  return bytes;
}

}  // namespace zelfuzz

#endif  // ZEL_FUZZ_FUZZ_SUPPORT_H
