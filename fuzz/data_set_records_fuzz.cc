// Fuzz target for the readers of shared X set and data set records and of
// their point counts in the map file. Once per process a disk container is
// written through the C interface: a real and a string type, a waveform set
// with one segment and waveforms filled by array writers (analog, sparse,
// polynomial, strings) and front writers (analog and digital), so that its
// structure holds live waveforms and types for the records to refer to.
// Each input then replaces the record file and the map file of store 0 of
// that segment; the structure is read as written, and the store in the
// stored software version and byte order the input names. Reading must
// either work or fail with a library exception; what was read is then used
// (point counts written back, the diagnostic dump, every X value and every
// value of the One_Waveform data sets read, then every waveform read back as
// a waveform segment, point by point and buffer by buffer). A crash, a hang
// or an allocation beyond what the input holds is a finding.
//
// Input layout:
//   byte 0      bits 0-3 stored software version (value mod 9); bit 7
//               big-endian records
//   bytes 1-2   record length R (little-endian)
//   R bytes of the record file segment_<serial>_0.org (map number, key map,
//   page record, shared X set count and records), then the map file (the
//   rest: point counts, then page-map entries), named by the map number the
//   record starts with.
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

#include "access/wf_segment.h"
#include "access/wf_segment_read.h"
#include "errors/exceptions.h"
#include "model/segment.h"
#include "model/waveform_set.h"
#include "model/container.h"
#include "store/database.h"
#include "store/os_file.h"
#include "store/stream.h"
#include "types/type.h"
#include "waveforms/data_set.h"
#include "waveforms/one_waveform_data_set.h"
#include "waveforms/shared_x_set.h"
#include "waveforms/waveform.h"
#include "zel/zel.h"

namespace {

std::string g_base;  // the container's full name

void Require(zel_status_t st, const char* what) {
  if (st != ZEL_OK) {
    std::fprintf(stderr, "setup: %s: %s\n", what, ZEL_GetError());
    std::abort();
  }
}

// Writes the container every input is read against.
void MakeContainer() {
  const std::string dir = "/tmp/zel_data_set_records_fuzz_" + std::to_string(::getpid());
  ZELI_OS_Mkdir(dir.c_str());
  g_base = dir + "/run";
  zel_status_t st;
  zel_session_t s = ZEL_InitSession(&st);
  Require(st, "session");
  zel_container_t c = ZEL_CreateContainer(s, g_base.c_str(), ZEL_MODE_DISK, &st);
  Require(st, "container");
  zel_type_t real = ZEL_CreateBuiltinType(s, c, "real", ZEL_REAL, &st);
  zel_type_t text = ZEL_CreateBuiltinType(s, c, "string", ZEL_STRING, &st);
  Require(st, "types");
  zel_dimensionDescriptor_t time = ZEL_CreateDimensionDescriptor(s, c, "time", "s", real, &st);
  zel_dimensionDescriptor_t volt = ZEL_CreateDimensionDescriptor(s, c, "v", "V", real, &st);
  zel_dimensionDescriptor_t label = ZEL_CreateDimensionDescriptor(s, c, "label", "", text, &st);
  Require(st, "descriptors");
  zel_waveformSet_t set = ZEL_CreateWaveformSet(s, c, "tran", time, 0, nullptr, &st);
  zel_segment_t segment = ZEL_CreateSegment(s, set, 0, nullptr, &st);
  Require(st, "set and segment");
  const double xs[4] = {0, 1, 2, 3};
  const double ys[4] = {1, -1, 0.5, 2};
  const int orders[4] = {0, 1, 2, 1};
  const int indices[4] = {0, 1, 2, 3};
  // Array writers: analog (one plain, one polynomial, one of strings), sparse.
  for (zel_storageMode_t mode : {ZEL_STORAGE_ANALOG, ZEL_STORAGE_SPARSE}) {
    zel_writer_t w = ZEL_CreateWriter(s, segment, 0, mode, &st);
    ZEL_WfDataWriter* a = ZEL_AddWriterWaveform(s, w, ZEL_CreateWaveform(s, set, 0, volt, &st), &st);
    ZEL_WfDataWriter* p = ZEL_AddWriterWaveform(s, w, ZEL_CreateWaveform(s, set, 0, volt, &st), &st);
    ZEL_WfDataWriterSetInterpolationType(p, ZEL_INTERPOLATION_POLYNOMIAL, &st);
    Require(st, "array writer");
    ZEL_WfDataWriter* t = nullptr;
    if (mode == ZEL_STORAGE_ANALOG) t = ZEL_AddWriterWaveform(s, w, ZEL_CreateWaveform(s, set, 0, label, &st), &st);
    ZEL_InitializeArrayWriting(s, w, &st);
    ZEL_AppendXArray(s, w, 4, xs, &st);
    if (mode == ZEL_STORAGE_SPARSE) {
      // One value per call in sparse mode.
      for (unsigned i = 0; i < 4; ++i) {
        ZEL_WfDataWriterAppendArrays(a, 1, &ys[i], nullptr, &indices[i], &st);
        ZEL_WfDataWriterAppendArrays(p, 1, &ys[i], &orders[i], &indices[i], &st);
      }
    } else {
      ZEL_WfDataWriterAppendArrays(a, 4, ys, nullptr, nullptr, &st);
      ZEL_WfDataWriterAppendArrays(p, 4, ys, orders, nullptr, &st);
    }
    Require(st, "array values");
    if (t != nullptr) {
      const char* texts[4] = {"a", "bb", nullptr, "dddd"};
      ZEL_WfDataWriterAppendArrays(t, 4, texts, nullptr, nullptr, &st);
      Require(st, "string values");
    }
    ZEL_TerminateWriting(s, w, &st);
    Require(st, "array end");
  }
  // Front writers: analog and digital.
  for (zel_storageMode_t mode : {ZEL_STORAGE_ANALOG, ZEL_STORAGE_DIGITAL}) {
    zel_writer_t w = ZEL_CreateWriter(s, segment, 0, mode, &st);
    ZEL_WfDataWriter* a = ZEL_AddWriterWaveform(s, w, ZEL_CreateWaveform(s, set, 0, volt, &st), &st);
    ZEL_WfDataWriter* b = ZEL_AddWriterWaveform(s, w, ZEL_CreateWaveform(s, set, 0, volt, &st), &st);
    ZEL_InitializeFrontWriting(s, w, &st);
    Require(st, "front writer");
    for (unsigned i = 0; i < 4; ++i) {
      ZEL_StartDataFront(s, w, &xs[i], &st);
      ZEL_WfDataWriterEnterValue(a, &ys[i], 0, &st);
      if (i % 2 == 0) ZEL_WfDataWriterEnterValue(b, &ys[3 - i], 0, &st);
      ZEL_EndDataFront(s, w, &st);
      Require(st, "front");
    }
    ZEL_TerminateWriting(s, w, &st);
    Require(st, "front end");
  }
  ZEL_CommitWaveformData(s, segment, 0, &st);
  ZEL_CloseContainer(s, c, &st);
  Require(st, "close");
  ZEL_TermSession(s, &st);
}

using zelfuzz::WriteFile;

class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
};

// Reads every value the store holds for the data sets of one shared X set.
void ReadValues(ZELI_SharedXSet& set) {
  set.OpenMemory(ZEL_IOMODE_READ);
  try {
    if (set.Get_XValues_p() != nullptr) {
      std::vector<double> x(std::min(set.Get_XCount(), 1u << 16));
      set.Get_XValues_p()->Get_Data(0, x.data(), static_cast<unsigned>(x.size()));
    }
    for (unsigned i = 0; i < set.Get_DataSetCount(); ++i) {
      auto* data = dynamic_cast<ZELI_OneWaveformDataSet*>(set.Get_DataSet_p(i));
      if (data == nullptr || data->Get_ValueType_p() == nullptr) continue;
      for (unsigned p = 0; p < data->Get_PositionCount(); ++p) {
        if (data->Get_WaveformKey(p) == -1) continue;
        const unsigned n = std::min(data->Get_PointCount(p), 1u << 16);
        if (data->Get_ValueType_p()->HoldsStrings()) {
          std::vector<char*> texts(n);
          data->Get_Data(0, texts.data(), n);
          for (char* t : texts) std::free(t);
        } else {
          std::vector<double> y(n);
          data->Get_Data(0, y.data(), n);
        }
      }
    }
  } catch (const ZELI_Exception&) {
  }
  set.CloseMemory();
}

// Builds every waveform's waveform segment from what was read and walks it:
// each point one by one, then the buffers window by window.
void ReadWaveformSegments(ZELI_WaveformSet& set, ZELI_Segment& segment) {
  for (int key : set.Get_WaveformMap()) {
    try {
      std::unique_ptr<ZELI_WfSegment> wave(ZELI_ReadWfSegment(*set.Get_WaveformMap()[key], segment));
      const unsigned n = wave->PointCount(0);
      for (unsigned p = 0; p < n; ++p) {
        wave->Get_XPointAddress(0, p);
        wave->Get_YPointAddress(0, p);
      }
      for (unsigned p = 0; p < n;) {
        const unsigned window = wave->Setup_Buffer(0, p);
        wave->Get_XBuffer();
        wave->Get_YBuffer();
        p += window == 0 ? 1 : window;
      }
    } catch (const ZELI_Exception&) {
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (g_base.empty()) MakeContainer();
  if (size < 3) return 0;
  const unsigned version = (data[0] & 0x0F) % 9;
  const zel_bool_t bigEndian = (data[0] & 0x80) != 0;
  const size_t recordSize = std::min<size_t>(data[1] | size_t{data[2]} << 8, size - 3);
  const uint8_t* record = data + 3;
  const uint8_t* map = record + recordSize;
  const size_t mapSize = size - 3 - recordSize;

  ZELI_Container container(g_base.c_str(), ZEL_IOMODE_READ, ZEL_MODE_DISK);
  container.Set_VersionNumber(0);
  container.Set_IsBigEndianOnDisk(ZELI_Database::Get_TheDatabase_p()->IsBigEndian());
  container.Set_SoftwareVersionOnDisk(ZELI_CurrentSoftwareVersion);
  container.ReadStructure();
  ZELI_Segment* segment = container.FindAllWaveformSets().front()->Get_Segment_p(0);
  WriteFile(segment->Get_DataStoreFile(0, ".org"), record, recordSize);
  unsigned mapNumber = 0;
  if (recordSize >= 4) {
    const bool swap = (bigEndian != 0) != (ZELI_Database::Get_TheDatabase_p()->IsBigEndian() != 0);
    const uint8_t* b = record;
    mapNumber = swap ? (unsigned{b[0]} << 24 | unsigned{b[1]} << 16 | unsigned{b[2]} << 8 | b[3])
                     : (unsigned{b[3]} << 24 | unsigned{b[2]} << 16 | unsigned{b[1]} << 8 | b[0]);
  }
  const std::string mapFile = segment->Get_DataStoreFile(0, ("_" + std::to_string(mapNumber) + ".map").c_str());
  WriteFile(mapFile, map, mapSize);
  container.Set_IsBigEndianOnDisk(bigEndian);
  container.Set_SoftwareVersionOnDisk(version);
  try {
    segment->ReadDataStores();
  } catch (const ZELI_Exception&) {
    ::unlink(mapFile.c_str());
    return 0;
  }
  ::unlink(mapFile.c_str());
  NullBuffer nothing;
  std::ostream sink(&nothing);
  segment->Debug(sink);
  try {
    ZELI_Ostream out((g_base + "_out").c_str(), 1);
    for (unsigned i = 0; i < segment->Get_SharedXSetCount(); ++i) {
      ZELI_SharedXSet* set = segment->Get_SharedXSet_p(i);
      if (set == nullptr) continue;
      set->WritePointCounts(out);
    }
    out.Close();
  } catch (const ZELI_Exception&) {
  }
  for (unsigned i = 0; i < segment->Get_SharedXSetCount(); ++i) {
    ZELI_SharedXSet* set = nullptr;
    try {
      set = segment->Get_SharedXSet_p(i);
    } catch (const ZELI_Exception&) {
      continue;
    }
    if (set != nullptr) ReadValues(*set);
  }
  ReadWaveformSegments(*container.FindAllWaveformSets().front(), *segment);
  return 0;
}
