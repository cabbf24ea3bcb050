// Fuzz target for the readers of waveform-set, segment and data-store
// records: arbitrary bytes become a piece of structure file (key map,
// dimension descriptors, waveform sets with their segments and hierarchy
// root) and the record and map files of store 0 of the first segment, in
// any stored software version and either byte order. Reading must either
// work or fail with a library exception; what was read is then used the way
// the library would (writing the records back, the diagnostic dump, garbage
// collection, and with flag bit 6 (native order, version 8) rewriting store 0
// and reading it back, which must succeed). A crash, a hang or an allocation beyond what the
// input holds is a finding.
//
// Input layout:
//   byte 0      bits 0-3 stored software version (value mod 9); bit 6 the
//               rewrite round trip; bit 7 big-endian records
//   bytes 1-2   structure length S (little-endian); bytes 3-4 record length R
//   then S structure bytes: key map, descriptor count and records, waveform
//               set count and records;
//   R bytes of the record file segment_<serial>_0.org, and the map file
//   (the rest), named by the map number the record starts with.
#include "fuzz_support.h"
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "model/dimension_descriptor.h"
#include "model/segment.h"
#include "model/waveform_set.h"
#include "model/container.h"
#include "store/database.h"
#include "store/keymap.h"
#include "store/os_file.h"
#include "store/stream.h"

namespace {

std::string g_base;  // the container's full name; its version 0 directory exists

const std::string& Base() {
  if (g_base.empty()) {
    const std::string dir = "/tmp/zel_segment_records_fuzz_" + std::to_string(::getpid());
    ZELI_OS_Mkdir(dir.c_str());
    g_base = dir + "/run";
    ZELI_OS_Mkdir((g_base + "_zel").c_str());
    ZELI_OS_Mkdir((g_base + "_zel/version_0").c_str());
  }
  return g_base;
}

using zelfuzz::WriteFile;

class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
};

struct Input {
  unsigned version;
  zel_bool_t bigEndian;
  bool roundTrip;
  std::vector<uint8_t> structure, record, map;
};

// What one reading produced; the container outlives the objects.
struct Loaded {
  explicit Loaded(const Input& input, zel_iomode_t mode) : container(Base().c_str(), mode, ZEL_MODE_DISK) {
    container.Set_VersionNumber(0);
    container.Set_IsBigEndianOnDisk(input.bigEndian);
    container.Set_SoftwareVersionOnDisk(input.version);
  }
  ZELI_Container container;
  std::vector<std::unique_ptr<ZELI_DimensionDescriptor>> descriptors;
  std::vector<std::unique_ptr<ZELI_WaveformSet>> sets;
};

// Reads the structure piece, then places the store files of the first
// segment (unless they are on disk already) and reads every set's data
// stores.
std::unique_ptr<Loaded> Load(const Input& input, zel_iomode_t mode, bool placeFiles) {
  auto loaded = std::make_unique<Loaded>(input, mode);
  const std::string path = Base() + "_structure";
  WriteFile(path, input.structure.data(), input.structure.size());
  ZELI_KeyMap<ZELI_ExternalBase>& map = loaded->container.Get_ExternalConvertor();
  ZELI_Istream in(path.c_str(), input.bigEndian, input.version);
  in >> map;
  for (unsigned n = in.ReadCount(18); n > 0; --n) {
    loaded->descriptors.emplace_back(ZELI_DimensionDescriptor::Read(in, map));
  }
  for (unsigned n = in.ReadCount(17); n > 0; --n) {
    loaded->sets.emplace_back(ZELI_WaveformSet::Read(in, map, loaded->container));
  }
  map.VerifyLoaded();
  if (placeFiles && !loaded->sets.empty() && loaded->sets.front()->Get_SegmentCount() > 0) {
    ZELI_Segment* segment = loaded->sets.front()->Get_Segment_p(0);
    WriteFile(segment->Get_DataStoreFile(0, ".org"), input.record.data(), input.record.size());
    unsigned mapNumber = 0;
    if (input.record.size() >= 4) {
      const uint8_t* b = input.record.data();
      const bool swap = (input.bigEndian != 0) != (ZELI_Database::Get_TheDatabase_p()->IsBigEndian() != 0);
      mapNumber = swap ? (unsigned{b[0]} << 24 | unsigned{b[1]} << 16 | unsigned{b[2]} << 8 | b[3])
                       : (unsigned{b[3]} << 24 | unsigned{b[2]} << 16 | unsigned{b[1]} << 8 | b[0]);
    }
    const std::string mapFile = segment->Get_DataStoreFile(0, ("_" + std::to_string(mapNumber) + ".map").c_str());
    WriteFile(mapFile, input.map.data(), input.map.size());
  }
  for (auto& set : loaded->sets) set->ReadDataStores();
  return loaded;
}

void Exercise(Loaded& loaded) {
  NullBuffer nothing;
  std::ostream sink(&nothing);
  ZELI_KeyMap<ZELI_ExternalBase>& map = loaded.container.Get_ExternalConvertor();
  ZELI_Ostream out((Base() + "_out").c_str(), 1);
  map.InitializeMarker();
  for (auto& set : loaded.sets) {
    set->Write(out, map);
    for (ZELI_Segment* segment : set->Get_Segments()) segment->Debug(sink);
    try {
      set->CollectGarbage();
    } catch (const ZELI_Exception&) {
    }
  }
  map.DiscardMarker();
  out.Close();
}

// Store 0 of the first segment, marked changed and written again, must read
// back (records in this machine's order and the current version only, as
// the library writes them).
void RoundTrip(const Input& input, Loaded& loaded) {
  if (loaded.sets.empty() || loaded.sets.front()->Get_SegmentCount() == 0) return;
  ZELI_Segment* segment = loaded.sets.front()->Get_Segment_p(0);
  if (!segment->IsDataStoreLoaded(0)) return;
  segment->Set_DataStoreDirty(0);
  try {
    segment->WriteDataStores();
  } catch (const ZELI_Exception&) {
    return;  // a record that cannot be stored (pages never written back)
  }
  try {
    Load(input, ZEL_IOMODE_READ, false);
  } catch (const ZELI_Exception& e) {
    std::fprintf(stderr, "rewritten store does not read back: %s\n", e.what());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  Input input;
  input.version = (data[0] & 0x0F) % 9;
  input.roundTrip = (data[0] & 0x40) != 0;
  input.bigEndian = (data[0] & 0x80) != 0;
  size_t structureSize = data[1] | size_t{data[2]} << 8;
  size_t recordSize = data[3] | size_t{data[4]} << 8;
  const uint8_t* p = data + 5;
  size_t left = size - 5;
  structureSize = std::min(structureSize, left);
  input.structure.assign(p, p + structureSize);
  p += structureSize;
  left -= structureSize;
  recordSize = std::min(recordSize, left);
  input.record.assign(p, p + recordSize);
  input.map.assign(p + recordSize, p + left);

  std::unique_ptr<Loaded> loaded;
  try {
    loaded = Load(input, input.roundTrip ? ZEL_IOMODE_WRITE : ZEL_IOMODE_READ, true);
  } catch (const ZELI_Exception&) {
    return 0;
  }
  try {
    Exercise(*loaded);
  } catch (const ZELI_Exception&) {
  }
  const bool native = (input.bigEndian != 0) == (ZELI_Database::Get_TheDatabase_p()->IsBigEndian() != 0);
  if (input.roundTrip && native && input.version == ZELI_CurrentSoftwareVersion) RoundTrip(input, *loaded);
  return 0;
}
