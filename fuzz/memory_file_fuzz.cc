// Fuzz target for the readers of paged memory files: arbitrary bytes become a
// data store's record file (key map, memory file record, array records), its
// page map and its data file. Reading them, replaying the map and reading
// every array (through the cursor and directly, which must agree) must
// either work or fail with a library exception; a crash, a hang, unbounded
// allocation or a broken invariant is a finding.
//
// Input layout:
//   byte 0      flags: bit 0 stored software version 5 (else 8); bit 1 the
//               other byte order; bits 2-4 array record count (0-7); bit 5
//               array 0 holds strings with array 1 as companion; bit 6 also
//               write: extend the arrays, flush, store the record and read
//               it back, which must succeed
//   bytes 1-2   record length R (little-endian); bytes 3-4 map length M
//   then R record bytes, M map bytes, and the data file (the rest)
#include "fuzz_support.h"
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "store/keymap.h"
#include "store/memory_array.h"
#include "store/memory_file.h"
#include "store/stream.h"

namespace {

std::string g_dir;

using zelfuzz::WriteFile;

// Discards what DumpPages prints.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
};

using Map = ZELI_KeyMap<ZELI_InternalBase>;

struct Store {
  Map map;
  std::unique_ptr<ZELI_MemoryFile> file;
  std::vector<std::unique_ptr<ZELI_MemoryArray>> arrays;
};

std::unique_ptr<Store> Load(const std::string& record, const std::string& data, unsigned arrays, unsigned version,
                            bool otherOrder) {
  auto store = std::make_unique<Store>();
  const zel_bool_t bigEndianOnDisk = otherOrder ? 1 : 0;  // the machine is little-endian
  ZELI_Istream in(record.c_str(), bigEndianOnDisk, version);
  in >> store->map;
  store->file = std::make_unique<ZELI_MemoryFile>(data.c_str(), in, store->map);
  for (unsigned i = 0; i < arrays; ++i) {
    store->arrays.push_back(std::make_unique<ZELI_MemoryArray>(store->file.get(), in, store->map));
  }
  // The record holds nothing else: every live key of the map must be placed.
  store->map.VerifyLoaded();
  return store;
}

// Invariants must hold whatever the input: a failure here is a bug.
void Check(const ZELI_MemoryArray& array) {
  try {
    array.CheckInvariants();
  } catch (const ZELI_Exception& e) {
    std::fprintf(stderr, "invariant: %s\n", e.what());
    std::abort();
  }
}

void Check(const Store& store) {
  try {
    // The file's check walks every page record: skipped for the files that
    // a page map made huge, to keep the fuzzer fast.
    if (store.file->Get_PageCount() <= 65536) store.file->CheckInvariants();
  } catch (const ZELI_Exception& e) {
    std::fprintf(stderr, "invariant: %s\n", e.what());
    std::abort();
  }
  for (const auto& array : store.arrays) Check(*array);
}

void ReadArrays(Store& store, bool strings) {
  std::vector<unsigned char> chunk(64 * 1024), direct;
  for (size_t i = 0; i < store.arrays.size(); ++i) {
    ZELI_MemoryArray& array = *store.arrays[i];
    if (array.IsOpen()) continue;  // a companion opened with its chain
    try {
      array.Open(ZEL_IOMODE_READ);
      for (unsigned position = 0; position < array.Get_Size();) {
        const unsigned n = std::min<unsigned>(static_cast<unsigned>(chunk.size()), array.Get_Size() - position);
        array.ReadData(position, chunk.data(), n, 1);
        // A direct read of the same bytes (no window, one call per run of
        // pages) must give what the cursor gave.
        direct.resize(n);
        array.ReadDirect(position, direct.data(), n, 1);
        if (std::memcmp(direct.data(), chunk.data(), n) != 0) {
          std::fprintf(stderr, "direct read differs at %u\n", position);
          std::abort();
        }
        position += n;
      }
      if (strings && i == 0) {
        char* values[64] = {};
        const unsigned count = std::min<unsigned>(64, array.Get_Size() / 4);
        array.ReadStringData(0, values, count, sizeof(char*));
        for (char* text : values) std::free(text);
      }
      if (array.Get_Size() > 0) {
        array.RandomlyAccess(array.Get_Size() / 3, array.Get_Size() - array.Get_Size() / 3);
        Check(array);
        array.Access(0, 0);
      }
      array.Close();
    } catch (const ZELI_Exception&) {
      if (array.IsOpen()) {
        try {
          array.Close();
        } catch (const ZELI_Exception&) {
        }
      }
    }
  }
  Check(store);
}

void Write(Store& store, const std::string& copy, const uint8_t* more, size_t moreSize) {
  store.file->OpenFile(ZEL_IOMODE_WRITE);
  for (size_t i = 0; i < store.arrays.size(); ++i) {
    ZELI_MemoryArray& array = *store.arrays[i];
    if (array.IsOpen()) continue;
    array.Open(ZEL_IOMODE_WRITE);
    const unsigned n = static_cast<unsigned>(std::min<size_t>(moreSize, 3 * ZELI_MemoryFile::PageSize));
    array.WriteData(array.Get_Size(), more, n, 1);
    array.Close();
  }
  store.file->CloseFile();
  Check(store);
  ZELI_Ostream out(copy.c_str(), 1);
  out << store.map;
  store.file->Write(out, store.map);
  for (const auto& array : store.arrays) array->Write(out, store.map);
  out.Close();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/dev/shm/zel_memory_file_fuzz_XXXXXX";
  char fallback[] = "/tmp/zel_memory_file_fuzz_XXXXXX";
  const char* dir = ::mkdtemp(pattern);
  if (dir == nullptr) dir = ::mkdtemp(fallback);
  if (dir == nullptr) std::abort();
  g_dir = dir;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const unsigned flags = data[0];
  size_t recordSize = data[1] | (data[2] << 8);
  size_t mapSize = data[3] | (data[4] << 8);
  data += 5;
  size -= 5;
  recordSize = std::min(recordSize, size);
  mapSize = std::min(mapSize, size - recordSize);
  const std::string record = g_dir + "/store.org";
  const std::string map = g_dir + "/store.map";
  const std::string dataFile = g_dir + "/store.data";
  const std::string copy = g_dir + "/copy.org";
  WriteFile(record, data, recordSize);
  WriteFile(map, data + recordSize, mapSize);
  WriteFile(dataFile, data + recordSize + mapSize, size - recordSize - mapSize);

  const unsigned version = (flags & 1) != 0 ? 5 : 8;
  const bool otherOrder = (flags & 2) != 0;
  const unsigned arrays = (flags >> 2) & 7;
  const bool strings = (flags & 0x20) != 0;
  const bool write = (flags & 0x40) != 0;

  ZELI_NewHandler newHandler;
  std::unique_ptr<Store> store;
  try {
    store = Load(record, dataFile, arrays, version, otherOrder);
    ZELI_Istream mapIn(map.c_str(), otherOrder ? 1 : 0, version);
    store->file->ReadMap(mapIn);
  } catch (const ZELI_Exception&) {
    return 0;
  }
  Check(*store);
  if (strings && store->arrays.size() >= 2) store->arrays[0]->Set_StringArray_p(store->arrays[1].get());
  try {
    store->file->OpenFile(ZEL_IOMODE_READ);
    ReadArrays(*store, strings);
    if (store->file->Get_PageCount() <= 10000) {
      NullBuffer buffer;
      std::ostream sink(&buffer);
      store->file->DumpPages(sink);
    }
    store->file->CloseFile();
  } catch (const ZELI_Exception&) {
    return 0;
  }
  Check(*store);

  // The writer's path over what was read; only small files, the data file
  // being real.
  if (!write || store->file->Get_PageCount() > 4096) return 0;
  try {
    Write(*store, copy, data, size);
  } catch (const ZELI_Exception&) {
    return 0;
  }
  // What was stored must read back.
  try {
    auto again = Load(copy, dataFile, static_cast<unsigned>(store->arrays.size()), ZELI_CurrentSoftwareVersion, false);
    Check(*again);
    if (again->file->Get_PageCount() != store->file->Get_PageCount()) std::abort();
    for (size_t i = 0; i < again->arrays.size(); ++i) {
      if (again->arrays[i]->Get_Size() != store->arrays[i]->Get_Size() ||
          again->arrays[i]->Get_PageList() != store->arrays[i]->Get_PageList()) {
        std::abort();
      }
    }
  } catch (const ZELI_Exception& e) {
    std::fprintf(stderr, "stored record does not read back: %s\n", e.what());
    std::abort();
  }
  return 0;
}
