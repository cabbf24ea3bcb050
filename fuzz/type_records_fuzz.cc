// Fuzzes the reader of stored type tables: a key map, then the type count,
// the type records and the special keys, with any stored version and byte
// order; then exercises what was read (equality, copying, writing back and
// byte swapping of a value buffer). Any input must end in a library
// exception or a clean read: never a crash, a hang or an allocation beyond
// what the file holds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/container.h"
#include "store/keymap.h"
#include "store/stream.h"
#include "types/type.h"
#include "types/type_table.h"

namespace {

const std::string& ScratchPath(const char* what) {
  static const std::string in = "/tmp/zel_type_records_fuzz_in_" + std::to_string(::getpid());
  static const std::string out = "/tmp/zel_type_records_fuzz_out_" + std::to_string(::getpid());
  return what[0] == 'i' ? in : out;
}

// Uses the types that were read the way the rest of the library would.
void Exercise(ZELI_Container& container) {
  ZELI_TypeTable& table = container.Get_TypeTable();
  ZELI_Container other;
  for (ZELI_Type* type : table.Get_Types()) {
    try {
      (void)(*type == *type);
      other.Get_TypeTable().FindOrCopyType(*type, nullptr);
      // Values of up to 4 KiB: swap them in place both ways.
      if (type->Get_SizeOf() > 0 && type->Get_SizeOf() <= 4096 && type->Get_DataType() != ZEL_STRING) {
        std::vector<unsigned char> value(type->Get_SizeOf(), 0x5A);
        type->ConvertEndianType(value.data(), 1);
        std::vector<void*> leaves;
        if (type->HasScalarCount() && type->ScalarCount() <= 4096) {
          std::vector<unsigned char> unpacked(type->ScalarCount() * 24u, 0);
          for (unsigned i = 0; i < type->ScalarCount(); ++i) leaves.push_back(&unpacked[i * 24u]);
          type->UnpackData(value.data(), 1, leaves.data());
          type->PackData(leaves.data(), 1, value.data());
        }
      }
    } catch (const ZELI_Exception&) {
    }
  }
  ZELI_Ostream out(ScratchPath("out").c_str(), 1);
  ZELI_KeyMap<ZELI_ExternalBase>& map = container.Get_ExternalConvertor();
  map.InitializeMarker();
  table.WriteTypes(out, map);
  out.Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte picks the stored version (0 to 9) and the byte order.
  const unsigned version = (data[0] & 0x7F) % 10;
  const zel_bool_t bigEndian = (data[0] & 0x80) != 0;
  FILE* file = std::fopen(ScratchPath("in").c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data + 1, 1, size - 1, file);
  std::fclose(file);
  ZELI_Container container;
  try {
    ZELI_Istream in(ScratchPath("in").c_str(), bigEndian, version);
    ZELI_KeyMap<ZELI_ExternalBase>& map = container.Get_ExternalConvertor();
    in >> map;
    container.Get_TypeTable().ReadTypes(in, map);
    if (version == 1) container.Get_TypeTable().ReadLegacyInternalKey(in, map);
  } catch (const ZELI_Exception&) {
    return 0;
  }
  try {
    Exercise(container);
  } catch (const ZELI_Exception&) {
  }
  return 0;
}
