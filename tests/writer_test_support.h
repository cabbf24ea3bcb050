// Helpers for the writer and data set tests: a disk container with one
// waveform set "tran" (real X) and its segment, waveforms of real or other
// Y types, and what a segment holds for a waveform, read back through the
// shared X set and data set (beside the waveform segments, so that tests
// can tell the layouts from the read path).
#ifndef ZEL_TESTS_WRITER_TEST_SUPPORT_H
#define ZEL_TESTS_WRITER_TEST_SUPPORT_H

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model_test_support.h"
#include "store/memory_array.h"
#include "types/type.h"
#include "waveforms/data_set.h"
#include "waveforms/front_data_sets.h"
#include "waveforms/one_waveform_data_set.h"
#include "waveforms/shared_x_set.h"
#include "waveforms/waveform.h"

namespace zeltest {

// What a segment holds for one waveform, of any data set kind.
struct StoredWave {
  std::vector<double> x;          // every X value of the shared X set
  std::vector<double> y;          // the waveform's values (8-byte Y types)
  std::vector<std::string> text;  // the waveform's values (string Y types; null reads as "")
  std::vector<int> codes;         // the waveform's values (one-byte enumerations)
  std::vector<int> xIndices;      // sparse and front data sets only
  zel_monotonicity_t monotonicity = ZEL_MONOTONICITY_DEFAULT;
  zel_monotonicity_t xMonotonicity = ZEL_MONOTONICITY_DEFAULT;
  bool minMaxSet = false;
  double min = 0, max = 0;
};

inline ZELI_SourceWaveform* SourceOf(zel_session_t session, zel_waveform_t waveform) {
  return ObjectOf(session, waveform)->Get_SourceWaveform_p();
}

// Throws what the data sets throw; a store that is not open is opened for
// reading and closed again, one that a writer holds open is read as it is.
inline StoredWave ReadStored(ZELI_Segment& segment, ZELI_SourceWaveform& waveform) {
  ZELI_WaveformDataLocation where;
  if (!segment.Get_WaveformLocation(waveform.Get_KeyInSet(), where)) throw ZELI_NotFoundException("no data");
  ZELI_SharedXSet* set = segment.Get_SharedXSet_p(where.sharedXSetIndex);
  ZELI_DataSet* data = set->Get_DataSet_p(where.dataSetIndex);
  const ZELI_Type& type = *waveform.Get_YType_p();
  StoredWave out;
  const ZELI_DataInformation& info = data->Get_DataInformation(where.position);
  out.monotonicity = info.Get_Monotonicity();
  out.xMonotonicity = set->Get_XDataInformation().Get_Monotonicity();
  out.minMaxSet = info.IsMinMaxSet();
  if (out.minMaxSet && !type.HoldsStrings()) info.Get_MinMax(&out.min, &out.max);
  const bool open = !set->IsMemoryOpen();
  if (open) set->OpenMemory(ZEL_IOMODE_READ);
  out.x.resize(set->Get_XCount());
  set->Get_XValues_p()->Get_Data(0, out.x.data(), set->Get_XCount());
  const unsigned n = data->Get_PointCount(where.position), size = type.Get_SizeOf();
  std::vector<char> values(uint64_t{n} * size);
  ZELI_ArrayDataSet* indices = nullptr;
  if (auto* one = dynamic_cast<ZELI_OneWaveformDataSet*>(data)) {
    one->Get_Data(0, values.data(), n);
    if (one->IsSparse()) indices = one->Get_XIndices_p();
  } else if (auto* analog = dynamic_cast<ZELI_AnalogFrontDataSet*>(data)) {
    for (unsigned i = 0; i < n; ++i) analog->Get_Value(where.position, i, values.data() + uint64_t{i} * size);
    indices = analog->Get_XIndices_p();
  } else {
    dynamic_cast<ZELI_DigitalFrontDataSet&>(*data).Get_Data(where.position, out.xIndices, values.data());
  }
  if (indices != nullptr) {
    out.xIndices.resize(indices->Get_Count());
    indices->Get_Data(0, out.xIndices.data(), indices->Get_Count());
  }
  for (const char* value = values.data(); value != values.data() + values.size(); value += size) {
    if (type.HoldsStrings()) {
      char* text = nullptr;
      std::memcpy(&text, value, sizeof text);
      out.text.emplace_back(text != nullptr ? text : "");
      std::free(text);
    } else if (size == sizeof(double)) {
      out.y.emplace_back();
      std::memcpy(&out.y.back(), value, sizeof(double));
    } else {
      out.codes.push_back(static_cast<unsigned char>(*value));
    }
  }
  if (open) set->CloseMemory();
  return out;
}

// What body throws, with its status ("none" when it returns).
template <typename Body>
std::string FailureOf(Body body, zel_status_t* status = nullptr) {
  try {
    body();
  } catch (const ZELI_Exception& e) {
    if (status != nullptr) *status = e.status;
    return e.what();
  }
  return "none";
}

// The double at byte offset of a data set's value array.
inline double Raw(const ZELI_DataSet& dataSet, uint64_t offset) {
  double value = 0;
  dataSet.Get_Values_p()->ReadData(static_cast<unsigned>(offset), &value, 1, sizeof value);
  return value;
}

// Where byte `position` of array lies in its data file.
inline uint64_t FileOffset(const ZELI_MemoryArray& array, unsigned position) {
  const uint64_t logical = uint64_t{array.Get_StartOffset()} + position;
  return uint64_t{array.Get_PageList().at(logical / array.Get_PageSize())} * array.Get_PageSize() +
         logical % array.Get_PageSize();
}

// In a session of its own (a child process, say): opens the container for
// reading and reads what segment 0 of "tran" holds for the waveforms of the
// given keys in the set. False when anything fails.
inline bool ReadInContainer(const std::string& name, const std::vector<int>& keys, std::vector<StoredWave>& out) {
  zel_status_t st;
  zel_session_t s = ZEL_InitSession(&st);
  zel_container_t c = ZEL_OpenContainer(s, name.c_str(), ZEL_IOMODE_READ, &st);
  bool ok = st == ZEL_OK;
  if (ok) try {
    ZELI_WaveformSet* set = ObjectOf(s, ZEL_FindWaveformSet(s, c, "tran", &st));
    out.clear();
    for (int key : keys) out.push_back(ReadStored(*set->Get_Segment_p(0), *set->Get_WaveformMap()[key]));
  } catch (...) {
    ok = false;
  }
  ZEL_CloseContainer(s, c, &st);
  ZEL_TermSession(s, &st);
  return ok && st == ZEL_OK;
}

class WriterFixture : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    c_ = CreateDisk();
    set_ = Set(c_, "tran");
    y_ = Descriptor(c_, "v", "V");
    segment_ = Segment(set_);
  }
  zel_waveform_t Wave(zel_dimensionDescriptor_t y = {-1}) {
    return Check(ZEL_CreateWaveform(session_, set_, 0, y.key == -1 ? y_ : y, &status_));
  }
  zel_writer_t Writer(zel_storageMode_t mode = ZEL_STORAGE_ANALOG) {
    return Check(ZEL_CreateWriter(session_, segment_, 0, mode, &status_));
  }
  ZEL_WfDataWriter* Add(zel_writer_t writer, zel_waveform_t waveform) {
    return Check(ZEL_AddWriterWaveform(session_, writer, waveform, &status_));
  }
  // One front at x: each data writer gets its value (null data writers skip).
  void Front(zel_writer_t writer, double x, const std::vector<std::pair<ZEL_WfDataWriter*, double>>& values) {
    ZEL_StartDataFront(session_, writer, &x, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
    for (const auto& [dataWriter, y] : values) {
      ZEL_WfDataWriterEnterValue(dataWriter, &y, 0, &status_);
      ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
    }
    ZEL_EndDataFront(session_, writer, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
  // A writer of mode with two new waveforms and their data writers.
  struct TwoWaves {
    zel_writer_t w;
    zel_waveform_t wa, wb;
    ZEL_WfDataWriter* a;
    ZEL_WfDataWriter* b;
  };
  TwoWaves WriterOfTwo(zel_storageMode_t mode) {
    TwoWaves t{Writer(mode), Wave(), Wave(), nullptr, nullptr};
    t.a = Add(t.w, t.wa);
    t.b = Add(t.w, t.wb);
    return t;
  }
  // In a child process: what the first two waveforms of the set hold.
  bool ReadBoth(StoredWave& a, StoredWave& b) const {
    std::vector<StoredWave> both;
    if (!ReadInContainer(name_, {0, 1}, both)) return false;
    a = both[0];
    b = both[1];
    return true;
  }
  // Data sets built by hand (the front kinds have no writer of their own).
  // A new shared X set in store 0 of the segment.
  ZELI_SharedXSet* NewSharedXSet(zel_segment_t segment) {
    ZELI_Segment* s = ObjectOf(session_, segment);
    return s->Add_SharedXSet_p(std::make_unique<ZELI_SharedXSet>(*s, 0));
  }
  template <typename DataSet, typename... Args>
  DataSet* NewDataSet(ZELI_SharedXSet* set, Args... args) {
    auto dataSet = std::make_unique<DataSet>(*set, args...);
    DataSet* added = dataSet.get();
    set->Add_DataSet_p(std::move(dataSet));
    return added;
  }
  ZELI_Segment& Seg() { return *ObjectOf(session_, segment_); }
  StoredWave Stored(zel_waveform_t waveform) { return ReadStored(Seg(), *SourceOf(session_, waveform)); }

  zel_container_t c_{};
  zel_waveformSet_t set_{};
  zel_dimensionDescriptor_t y_{};
  zel_segment_t segment_{};
};

}  // namespace zeltest

#endif  // ZEL_TESTS_WRITER_TEST_SUPPORT_H
