// Stored records of shared X sets and data sets, and their point counts in
// the map file (byte layouts: doc/data_set_records.md).
//
// Reading trusts nothing: counts are bounded by the bytes left, every key,
// index and type is checked, and failures name the record.
#include <algorithm>
#include <memory>
#include <vector>

#include "errors/exceptions.h"
#include "model/container.h"
#include "model/data_information.h"
#include "model/segment.h"
#include "model/waveform_set.h"
#include "store/memory_array.h"
#include "store/memory_file.h"
#include "store/stream.h"
#include "types/type.h"
#include "waveforms/data_set.h"
#include "waveforms/front_data_sets.h"
#include "waveforms/one_waveform_data_set.h"
#include "waveforms/shared_x_set.h"
#include "waveforms/waveform.h"

namespace {

// Smallest data set record: type, index, position count, values array
// (index, offsets, size, page count, key), strings flag, initialized, key.
constexpr unsigned MinDataSetRecord = 1 + 4 + 4 + 24 + 4 + 1 + 4;

[[noreturn]] void Damaged(const char* record, const char* what) {
  throw ZELI_FailedException(ZELI_Message() << record << "::Read: " << what);
}

std::unique_ptr<ZELI_MemoryArray> ReadArray(ZELI_Istream& in, ZELI_MemoryFile* file,
                                            ZELI_KeyMap<ZELI_InternalBase>& map) {
  auto array = std::make_unique<ZELI_MemoryArray>(file, in, map);
  file->Add_MemoryArray_p(array.get());
  return array;
}

// Checks that what a record of the given kind declared is an Array data set.
std::unique_ptr<ZELI_ArrayDataSet> AsArray(std::unique_ptr<ZELI_DataSet> dataSet, const char* record) {
  if (!dataSet || dataSet->Get_DataSetType() != ZELI_DataSet::Array) Damaged(record, "auxiliary array");
  return std::unique_ptr<ZELI_ArrayDataSet>(static_cast<ZELI_ArrayDataSet*>(dataSet.release()));
}

bool HasOrderRecord(zel_interpolation_t interpolation, bool initialized) {
  return interpolation == ZEL_INTERPOLATION_POLYNOMIAL && initialized;
}

}  // namespace

// ---- data sets --------------------------------------------------------------------------

void ZELI_DataSet::Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>& map) const {
  out << static_cast<unsigned char>(type_) << indexInSet_ << Get_PositionCount();
  for (int key : waveformKeys_) out << key;
  for (const auto& information : infos_) {
    if (information) information->Write(out);
  }
  values_->Write(out, map);
  out << (strings_ ? 1u : 0u);
  if (strings_) strings_->Write(out, map);
  out << static_cast<unsigned char>(initialized_ ? 1 : 0) << Get_Key();
  WriteKindFields(out, map);
}

std::unique_ptr<ZELI_DataSet> ZELI_DataSet::Read(ZELI_Istream& in, ZELI_SharedXSet& sharedXSet,
                                                 ZELI_KeyMap<ZELI_InternalBase>& map) {
  unsigned char type = 0;
  in >> type;
  if (in.Get_SoftwareVersion() < 2 && type > 0) ++type;
  std::unique_ptr<ZELI_DataSet> dataSet;
  const ReadTag tag;
  switch (type) {
    case Array: dataSet = std::make_unique<ZELI_ArrayDataSet>(sharedXSet, tag); break;
    case One_Waveform: dataSet = std::make_unique<ZELI_OneWaveformDataSet>(sharedXSet, tag); break;
    case Analog_Front: dataSet = std::make_unique<ZELI_AnalogFrontDataSet>(sharedXSet, tag); break;
    case Digital_Front: dataSet = std::make_unique<ZELI_DigitalFrontDataSet>(sharedXSet, tag); break;
    default: throw ZELI_FailedException("ZELI_DataSet::Read implementation");
  }
  dataSet->ReadBase(in, map);
  dataSet->ReadKindFields(in, map);
  // The waveforms' types come from the structure file, the values' type
  // from this record: after damage to either, values of one kind would be
  // handed out as another (a real taken for a string pointer).
  // ReadBase gave each occupied position a data information of its
  // waveform's Y type, so the waveforms need not be visited again.
  if (const ZELI_Type* stored = dataSet->StoredValueType()) {
    for (unsigned p = 0; p < dataSet->Get_PositionCount(); ++p) {
      if (dataSet->Get_WaveformKey(p) == -1) continue;
      const ZELI_Type* type = dataSet->Get_DataInformation(p).Get_Type_p();
      if (type == nullptr || type->Get_DataType() != stored->Get_DataType() ||
          type->Get_SizeOf() != stored->Get_SizeOf()) {
        Damaged("ZELI_DataSet", "waveform type");
      }
    }
  }
  return dataSet;
}

void ZELI_DataSet::ReadBase(ZELI_Istream& in, ZELI_KeyMap<ZELI_InternalBase>& map) {
  in >> indexInSet_;
  const unsigned positions = in.ReadCount(4);
  waveformKeys_.resize(positions);
  infos_.resize(positions);
  const ZELI_KeyMap<ZELI_ExternalBase>& external = Container().Get_ExternalConvertor();
  // As each key is checked (one class check per position), the data
  // information of its waveform's type is made for the records that follow.
  for (unsigned p = 0; p < positions; ++p) {
    in >> waveformKeys_[p];
    const int key = waveformKeys_[p];
    if (key == -1) {
      freePositions_.push_back(p);
      continue;
    }
    const ZELI_SourceWaveform* waveform = nullptr;
    external.ReadPtrOfKey(key, waveform);
    if (waveform == nullptr) Damaged("ZELI_DataSet", "waveform key");
    infos_[p] = std::make_unique<ZELI_DataInformation>(waveform->Get_YType_p());
  }
  for (const auto& information : infos_) {
    if (information) information->Read(in);
  }
  ZELI_MemoryFile* file = Segment().Get_MemoryFile_p(Store());
  values_ = ReadArray(in, file, map);
  unsigned stringsPresent = 0;
  in >> stringsPresent;
  if (stringsPresent > 1) Damaged("ZELI_DataSet", "string values flag");
  if (stringsPresent == 1) {
    strings_ = ReadArray(in, file, map);
    values_->Set_StringArray_p(strings_.get());
  }
  unsigned char initialized = 0;
  in >> initialized;
  if (initialized > 1) Damaged("ZELI_DataSet", "initialized flag");
  initialized_ = initialized == 1;
  int key = -1;
  in >> key;
  map.Insert(key, this);
  Set_Key(key);
}

ZELI_Type* ZELI_DataSet::ReadTypeKey(ZELI_Istream& in) const {
  ZELI_Type* type = nullptr;
  Container().Get_ExternalConvertor().ReadPtr(in, type, "ZELI_DataSet::Read: value type");
  if (type == nullptr) Damaged("ZELI_DataSet", "value type");
  StoredSizeOf(type);
  return type;
}

std::unique_ptr<ZELI_DataSet> ZELI_DataSet::ReadAuxiliary(ZELI_Istream& in,
                                                          ZELI_KeyMap<ZELI_InternalBase>& map) const {
  return Read(in, *sharedXSet_, map);
}

// Array: value type key.
void ZELI_ArrayDataSet::WriteKindFields(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>&) const {
  out << valueType_->Get_Key();
}

void ZELI_ArrayDataSet::ReadKindFields(ZELI_Istream& in, ZELI_KeyMap<ZELI_InternalBase>&) {
  if (in.Get_SoftwareVersion() < 6) in >> pointCount_;
  valueType_ = ReadTypeKey(in);
  if (Get_PositionCount() != 0) Damaged("ZELI_ArrayDataSet", "positions");
  if (valueType_->HoldsStrings() != StoresStrings()) Damaged("ZELI_ArrayDataSet", "string values");
}

void ZELI_ArrayDataSet::WritePointCount(ZELI_Ostream& out) const { out << pointCount_; }

void ZELI_ArrayDataSet::ReadPointCount(ZELI_Istream& in) { in >> pointCount_; }

void ZELI_ArrayDataSet::CheckPointCount() const {
  if (uint64_t{pointCount_} * StoredSizeOf(valueType_) > ReadableBytes(*Get_Values_p())) {
    Damaged("ZELI_ArrayDataSet", "point count");
  }
}

// One_Waveform: X indices present u8 and record; interpolation u8; orders
// record (POLYNOMIAL and initialized); value type key.
void ZELI_OneWaveformDataSet::WriteKindFields(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>& map) const {
  out << static_cast<unsigned char>(xIndices_ ? 1 : 0);
  if (xIndices_) xIndices_->Write(out, map);
  out << static_cast<unsigned char>(interpolation_);
  if (HasOrderRecord(interpolation_, IsInitialized())) orders_->Write(out, map);
  out << (valueType_ != nullptr ? valueType_->Get_Key() : -1);
}

void ZELI_OneWaveformDataSet::ReadKindFields(ZELI_Istream& in, ZELI_KeyMap<ZELI_InternalBase>& map) {
  unsigned char present = 0;
  in >> present;
  if (present > 1) Damaged("ZELI_OneWaveformDataSet", "X indices flag");
  if (present == 1) xIndices_ = AsArray(ReadAuxiliary(in, map), "ZELI_OneWaveformDataSet");
  unsigned char interpolation = 0;
  in >> interpolation;
  if (interpolation > ZEL_INTERPOLATION_POLYNOMIAL) Damaged("ZELI_OneWaveformDataSet", "interpolation");
  interpolation_ = static_cast<zel_interpolation_t>(interpolation);
  if (HasOrderRecord(interpolation_, IsInitialized())) {
    orders_ = AsArray(ReadAuxiliary(in, map), "ZELI_OneWaveformDataSet");
  }
  int key = -1;
  in >> key;
  if (key == -1) {
    if (Get_OccupiedCount() != 0) Damaged("ZELI_OneWaveformDataSet", "value type");
  } else {
    ZELI_Type* type = nullptr;
    const ZELI_KeyMap<ZELI_ExternalBase>& external = Container().Get_ExternalConvertor();
    if (!external.IsLive(key) || (type = dynamic_cast<ZELI_Type*>(external[key])) == nullptr) {
      Damaged("ZELI_OneWaveformDataSet", "value type");
    }
    StoredSizeOf(type);
    valueType_ = type;
  }
  if (Get_OccupiedCount() > 1 || (valueType_ != nullptr && valueType_->HoldsStrings() != StoresStrings())) {
    Damaged("ZELI_OneWaveformDataSet", "positions");
  }
}

void ZELI_OneWaveformDataSet::WritePointCount(ZELI_Ostream& out) const {
  if (xIndices_) xIndices_->WritePointCount(out);
  if (HasOrderRecord(interpolation_, IsInitialized())) orders_->WritePointCount(out);
  out << pointCount_;
}

void ZELI_OneWaveformDataSet::ReadPointCount(ZELI_Istream& in) {
  if (xIndices_) xIndices_->ReadPointCount(in);
  if (orders_) orders_->ReadPointCount(in);
  in >> pointCount_;
}

void ZELI_OneWaveformDataSet::CheckPointCount() const {
  if (xIndices_) xIndices_->CheckPointCount();
  if (orders_) orders_->CheckPointCount();
  const uint64_t bytes = valueType_ != nullptr ? uint64_t{pointCount_} * StoredSizeOf(valueType_) : pointCount_;
  if (bytes > ReadableBytes(*Get_Values_p()) || (xIndices_ && xIndices_->Get_Count() != pointCount_)) {
    Damaged("ZELI_OneWaveformDataSet", "point count");
  }
}

// Analog_Front: X indices record; interpolation u8; orders record; value type
// key; points per block u32; flag u8.
void ZELI_AnalogFrontDataSet::WriteKindFields(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>& map) const {
  xIndices_->Write(out, map);
  out << static_cast<unsigned char>(interpolation_);
  if (HasOrderRecord(interpolation_, IsInitialized())) orders_->Write(out, map);
  out << (valueType_ != nullptr ? valueType_->Get_Key() : -1) << pointsPerBlock_ << flag_;
}

void ZELI_AnalogFrontDataSet::ReadKindFields(ZELI_Istream& in, ZELI_KeyMap<ZELI_InternalBase>& map) {
  xIndices_ = AsArray(ReadAuxiliary(in, map), "ZELI_AnalogFrontDataSet");
  unsigned char interpolation = 0;
  in >> interpolation;
  if (interpolation > ZEL_INTERPOLATION_POLYNOMIAL) Damaged("ZELI_AnalogFrontDataSet", "interpolation");
  interpolation_ = static_cast<zel_interpolation_t>(interpolation);
  if (HasOrderRecord(interpolation_, IsInitialized())) {
    orders_ = AsArray(ReadAuxiliary(in, map), "ZELI_AnalogFrontDataSet");
  }
  valueType_ = ReadTypeKey(in);
  unsigned stored = 0;
  in >> stored >> flag_;
  if (IsInitialized()) {
    ComputeGeometry();
    if (stored != pointsPerBlock_) Damaged("ZELI_AnalogFrontDataSet", "points per block");
  }
  pointsPerBlock_ = stored;
  if (valueType_->HoldsStrings() != StoresStrings()) Damaged("ZELI_AnalogFrontDataSet", "string values");
}

void ZELI_AnalogFrontDataSet::WritePointCount(ZELI_Ostream& out) const {
  xIndices_->WritePointCount(out);
  if (HasOrderRecord(interpolation_, IsInitialized())) orders_->WritePointCount(out);
  out << pointCount_;
}

void ZELI_AnalogFrontDataSet::ReadPointCount(ZELI_Istream& in) {
  xIndices_->ReadPointCount(in);
  if (orders_) orders_->ReadPointCount(in);
  in >> pointCount_;
}

void ZELI_AnalogFrontDataSet::CheckPointCount() const {
  xIndices_->CheckPointCount();
  if (orders_) orders_->CheckPointCount();
  if (xIndices_->Get_Count() != pointCount_) Damaged("ZELI_AnalogFrontDataSet", "point count");
  // The last value of the last position must lie in the array.
  if (pointCount_ > 0 &&
      (pointsPerBlock_ == 0 || Get_PositionCount() == 0 ||
       ValueOffset(Get_PositionCount() - 1, pointCount_ - 1) + StoredSizeOf(valueType_) >
           ReadableBytes(*Get_Values_p()))) {
    Damaged("ZELI_AnalogFrontDataSet", "point count");
  }
}

// Digital_Front: flag u8, then the first-chunk offset of every occupied
// position.
void ZELI_DigitalFrontDataSet::WriteKindFields(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>&) const {
  if (chunks_.size() != Get_PositionCount()) {
    throw ZELI_FailedException("ZELI_DigitalFrontDataSet::Write implementation");
  }
  out << flag_;
  for (unsigned p = 0; p < Get_PositionCount(); ++p) {
    if (Get_WaveformKey(p) != -1) out << chunks_[p]->firstOffset;
  }
}

void ZELI_DigitalFrontDataSet::ReadKindFields(ZELI_Istream& in, ZELI_KeyMap<ZELI_InternalBase>&) {
  in >> flag_;
  chunks_.resize(Get_PositionCount());
  ZELI_Type* indexType = Container().Get_TypeTable().Get_InternalIntegerType_p();
  for (unsigned p = 0; p < Get_PositionCount(); ++p) {
    if (Get_WaveformKey(p) == -1) continue;
    auto chain = std::make_unique<ZELI_DigitalWfChunk>();
    if (in.Get_SoftwareVersion() < 6) in >> chain->pointCount;
    in >> chain->firstOffset;
    chain->indexType = indexType;
    chain->valueType = Get_Waveform_p(p)->Get_YType_p();
    chain->capacity = ZELI_DigitalWfChunk::CapacityOf(StoredSizeOf(indexType), StoredSizeOf(chain->valueType));
    if (chain->capacity < 1) Damaged("ZELI_DigitalFrontDataSet", "value type");
    chunks_[p] = std::move(chain);
  }
}

void ZELI_DigitalFrontDataSet::WritePointCount(ZELI_Ostream& out) const {
  for (unsigned p = 0; p < Get_PositionCount(); ++p) {
    if (Get_WaveformKey(p) != -1) out << chunks_[p]->pointCount;
  }
}

void ZELI_DigitalFrontDataSet::ReadPointCount(ZELI_Istream& in) {
  for (unsigned p = 0; p < Get_PositionCount(); ++p) {
    if (Get_WaveformKey(p) == -1) continue;
    in >> chunks_[p]->pointCount;
  }
}

void ZELI_DigitalFrontDataSet::CheckPointCount() const {
  for (const auto& chain : chunks_) {
    if (!chain) continue;
    // Every chunk holds at most K points and takes 128 bytes.
    const uint64_t chunks = (uint64_t{chain->pointCount} + chain->capacity - 1) / chain->capacity;
    if (chunks * ZELI_DigitalWfChunk::ChunkBytes > ReadableBytes(*Get_Values_p())) {
      Damaged("ZELI_DigitalFrontDataSet", "point count");
    }
  }
}

// ---- shared X sets ----------------------------------------------------------------------

void ZELI_SharedXSet::Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>& map) const {
  xInformation_.Write(out);
  out << indexInSegment_ << dataStore_;
  out << static_cast<unsigned char>(xValues_ ? 1 : 0);
  if (xValues_) xValues_->Write(out, map);
  out << static_cast<unsigned>(dataSets_.size());
  for (const auto& dataSet : dataSets_) {
    out << static_cast<unsigned char>(dataSet ? 1 : 0);
    if (dataSet) dataSet->Write(out, map);
  }
  out << Get_Key();
}

std::unique_ptr<ZELI_SharedXSet> ZELI_SharedXSet::Read(ZELI_Istream& in, ZELI_Segment& segment, unsigned dataStore,
                                                       ZELI_KeyMap<ZELI_InternalBase>& map) {
  std::unique_ptr<ZELI_SharedXSet> set(new ZELI_SharedXSet(segment, dataStore, ReadTag{}));
  set->xInformation_.Read(in);
  unsigned storedStore = 0;
  in >> set->indexInSegment_ >> storedStore;
  if (storedStore != dataStore) Damaged("ZELI_SharedXSet", "data store number");
  if (set->indexInSegment_ >= segment.Get_SharedXSetCount()) Damaged("ZELI_SharedXSet", "index in segment");
  unsigned char present = 0;
  in >> present;
  if (present > 1) Damaged("ZELI_SharedXSet", "X values flag");
  if (present == 1) {
    set->xValues_ = AsArray(ZELI_DataSet::Read(in, *set, map), "ZELI_SharedXSet");
    if (set->xValues_->Get_ValueType_p() != segment.Get_XType_p()) Damaged("ZELI_SharedXSet", "X type");
    set->writingInitialized_ = set->xValues_->IsInitialized();
  }
  const unsigned count = in.ReadCount(1);
  set->dataSets_.resize(count);
  for (unsigned index = 0; index < count; ++index) {
    in >> present;
    if (present > 1) Damaged("ZELI_SharedXSet", "data set flag");
    if (present == 0) {
      set->freeIndices_.push_back(index);
      continue;
    }
    in.RequireBytes(MinDataSetRecord);
    std::unique_ptr<ZELI_DataSet> dataSet = ZELI_DataSet::Read(in, *set, map);
    if (dataSet->Get_DataSetType() == ZELI_DataSet::Array || dataSet->Get_IndexInSharedXSet() != index) {
      Damaged("ZELI_SharedXSet", "data set");
    }
    set->dataSets_[index] = std::move(dataSet);
  }
  int key = -1;
  in >> key;
  map.Insert(key, set.get());
  set->Set_Key(key);
  return set;
}

std::unique_ptr<ZELI_SegmentXSet> ZELI_ReadSegmentXSet(ZELI_Istream& in, ZELI_Segment& segment, unsigned store,
                                                       ZELI_KeyMap<ZELI_InternalBase>& map) {
  return ZELI_SharedXSet::Read(in, segment, store, map);
}

// The waveform at the position is the one the set lists at keyInSet: the
// two key maps are compared by the objects they name, without visiting the
// waveform (this runs once per located waveform at every open).
bool ZELI_SharedXSet::HoldsWaveform(unsigned dataSetIndex, unsigned position, int keyInSet) const {
  const ZELI_DataSet* dataSet = dataSetIndex < Get_DataSetCount() ? Get_DataSet_p(dataSetIndex) : nullptr;
  if (dataSet == nullptr || position >= dataSet->Get_PositionCount()) return false;
  const int key = dataSet->Get_WaveformKey(position);
  const ZELI_KeyMap<ZELI_SourceWaveform>& waveforms = segment_->Get_WaveformSet_p()->Get_WaveformMap();
  const ZELI_KeyMap<ZELI_ExternalBase>& external = segment_->Get_Container_p()->Get_ExternalConvertor();
  if (key == -1 || !waveforms.IsLive(keyInSet) || !external.IsLive(key)) return false;
  const ZELI_ExternalBase* listed = waveforms[keyInSet];
  return external[key] == listed;
}

void ZELI_SharedXSet::WritePointCounts(ZELI_Ostream& out) const {
  if (xValues_) xValues_->WritePointCount(out);
  for (const auto& dataSet : dataSets_) {
    if (dataSet) dataSet->WritePointCount(out);
  }
}

void ZELI_SharedXSet::CheckPointCounts() const {
  if (xValues_) xValues_->CheckPointCount();
  for (const auto& dataSet : dataSets_) {
    if (dataSet) dataSet->CheckPointCount();
  }
}

void ZELI_SharedXSet::ReadPointCounts(ZELI_Istream& in) {
  if (xValues_) xValues_->ReadPointCount(in);
  for (const auto& dataSet : dataSets_) {
    if (dataSet) dataSet->ReadPointCount(in);
  }
}
