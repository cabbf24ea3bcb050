// Fuzzes the readers of stored streams: a key map, strings, an attribute
// table and single values, in the order a structure file holds them. Any
// input must end in a library exception or a clean read: never a crash, a
// hang or an allocation beyond what the file holds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "store/attributes.h"
#include "store/keymap.h"
#include "store/objects.h"
#include "store/stream.h"
#include "store/zstring.h"

namespace {

struct Placed : ZELI_ExternalBase {};

const std::string& ScratchPath() {
  static const std::string path = "/tmp/zel_stream_fuzz_" + std::to_string(::getpid());
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte picks the stored version and byte order.
  const unsigned version = data[0] % 10;
  const zel_bool_t bigEndian = (data[0] & 0x80) != 0;
  FILE* file = std::fopen(ScratchPath().c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data + 1, 1, size - 1, file);
  std::fclose(file);
  try {
    ZELI_Istream in(ScratchPath().c_str(), bigEndian, version);
    ZELI_KeyMap<ZELI_ExternalBase> map;
    map.Read(in);
    Placed objects[4];
    for (Placed& object : objects) {
      int key = 0;
      in >> key;
      map.Insert(key, &object);
    }
    ZELI_String name(in);
    ZELI_Attributes attributes;
    in >> attributes;
    zel_monotonicity_t m;
    in >> m;
    Placed* reference = nullptr;
    map.ReadPtr(in, reference, "stream fuzz: reference");
    map.VerifyLoaded();
  } catch (const ZELI_Exception&) {
  }
  return 0;
}
