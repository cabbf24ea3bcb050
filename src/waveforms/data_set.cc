// ZELI_DataSet (positions, waveforms, arrays of the data store, dirty bits,
// diagnostics) and ZELI_ArrayDataSet (a plain array of values).
#include "waveforms/data_set.h"

#include <algorithm>
#include <iostream>
#include <typeinfo>

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "model/segment.h"
#include "model/waveform_set.h"
#include "model/container.h"
#include "store/memory_array.h"
#include "store/memory_file.h"
#include "types/type.h"
#include "waveforms/shared_x_set.h"
#include "waveforms/waveform.h"

ZELI_DataSet::ZELI_DataSet(DataSetType type, ZELI_SharedXSet& sharedXSet) : type_(type), sharedXSet_(&sharedXSet) {
  ZELI_MemoryFile* file = Segment().Get_MemoryFile_p(Store());
  values_ = std::make_unique<ZELI_MemoryArray>(file);
  file->Add_MemoryArray_p(values_.get());
  EnterInStore(values_.get());
  EnterInStore(this);
}

ZELI_DataSet::ZELI_DataSet(DataSetType type, ZELI_SharedXSet& sharedXSet, ReadTag)
    : type_(type), sharedXSet_(&sharedXSet) {}

ZELI_DataSet::~ZELI_DataSet() { ForgetCachedArrays(); }

ZELI_Segment& ZELI_DataSet::Segment() const { return sharedXSet_->Get_Segment(); }

ZELI_Container& ZELI_DataSet::Container() const { return *Segment().Get_Container_p(); }

unsigned ZELI_DataSet::Store() const { return sharedXSet_->Get_DataStoreIndex(); }

void ZELI_DataSet::EnterInStore(ZELI_InternalBase* object) const {
  object->Set_Key(Segment().Get_HandleConvertor_p(Store())->Insert(object));
}

void ZELI_DataSet::EraseFromStore(ZELI_InternalBase* object) const {
  ZELI_KeyMap<ZELI_InternalBase>* convertor = Segment().Get_HandleConvertor_p(Store());
  if (object != nullptr && convertor->IsLive(object->Get_Key()) && (*convertor)[object->Get_Key()] == object) {
    convertor->Erase(object->Get_Key());
  }
}

void ZELI_DataSet::Discard() {
  EraseFromStore(strings_.get());
  EraseFromStore(values_.get());
  EraseFromStore(this);
}

void ZELI_DataSet::MakeStringArray() {
  if (strings_) return;
  ZELI_MemoryFile* file = Segment().Get_MemoryFile_p(Store());
  auto strings = std::make_unique<ZELI_MemoryArray>(file);
  file->Add_MemoryArray_p(strings.get());
  values_->Set_StringArray_p(strings.get());
  EnterInStore(strings.get());
  strings_ = std::move(strings);
}

unsigned ZELI_DataSet::StoredSizeOf(const ZELI_Type* type) {
  if (type == nullptr) throw ZELI_BadArgException("Type does not store data");
  if (type->HoldsStrings()) return 4;
  if (type->Get_SizeOf() == 0) throw ZELI_BadArgException("Type does not store data");
  return type->Get_SizeOf();
}

void ZELI_DataSet::RequireWithin4GiB(uint64_t endByte, const char* what) {
  if (endByte > 0xFFFFFFFFull) {
    throw ZELI_FailedException(ZELI_Message() << what << ": the values array would pass 4 GiB");
  }
}

// A commit of waveform data extends the page map, not the record, so the
// point counts stored beside the map may cover more than the record's size.
uint64_t ZELI_DataSet::ReadableBytes(const ZELI_MemoryArray& array) {
  const uint64_t paged = uint64_t{array.Get_PageList().size()} * array.Get_PageSize();
  const uint64_t reachable = paged > array.Get_StartOffset() ? paged - array.Get_StartOffset() : 0;
  return std::max<uint64_t>(array.Get_Size(), reachable);
}

void ZELI_DataSet::WriteValuesAt(const ZELI_Type* type, unsigned byteOffset, const void* values, unsigned n) {
  if (n == 0) return;
  if (values == nullptr) throw ZELI_BadArgException("values is null");
  if (type->HoldsStrings()) {
    values_->WriteStringData(byteOffset, static_cast<char**>(const_cast<void*>(values)), n, sizeof(char*));
  } else {
    values_->WriteData(byteOffset, values, n, type->Get_SizeOf());
  }
}

void ZELI_DataSet::ReadValuesAt(const ZELI_Type* type, unsigned byteOffset, void* values, unsigned n) const {
  if (n == 0) return;
  if (type->HoldsStrings()) {
    values_->ReadStringData(byteOffset, static_cast<char**>(values), n, sizeof(char*));
  } else {
    values_->ReadData(byteOffset, values, n, type->Get_SizeOf());
  }
}

// ---- positions --------------------------------------------------------------------------

unsigned ZELI_DataSet::AddPosition(ZELI_SourceWaveform* waveform) {
  unsigned position;
  const bool reuse = !freePositions_.empty();
  if (reuse) {
    position = freePositions_.back();
  } else {
    position = Get_PositionCount();
    ZELI_ReserveOneMore(waveformKeys_);
    ZELI_ReserveOneMore(infos_);
  }
  auto information = std::make_unique<ZELI_DataInformation>(waveform->Get_YType_p());
  Segment().RegisterWaveform(waveform->Get_KeyInSet(), sharedXSet_->Get_IndexInSegment(), indexInSet_, position);
  Container().Set_Modified();
  if (reuse) {
    freePositions_.pop_back();
    waveformKeys_[position] = waveform->Get_Key();
    infos_[position] = std::move(information);
  } else {
    waveformKeys_.push_back(waveform->Get_Key());
    infos_.push_back(std::move(information));
  }
  return position;
}

unsigned ZELI_DataSet::Add_Waveform_p(ZELI_SourceWaveform* waveform) { return AddPosition(waveform); }

void ZELI_DataSet::Delete_Waveform_p(ZELI_SourceWaveform* waveform, unsigned position) {
  AssertIsValidIndex(position);
  Segment().UnregisterWaveform(waveform->Get_KeyInSet());
  Container().Set_Modified();
  waveformKeys_[position] = -1;
  infos_[position].reset();
  freePositions_.push_back(position);
  Set_DataStoreDirty();
}

void ZELI_DataSet::AssertIsValidIndex(unsigned position) const {
  if (position >= waveformKeys_.size() || waveformKeys_[position] == -1) {
    throw ZELI_FailedException("ZELI_DataSet:AssertIsValidIndex");
  }
}

ZELI_DataInformation& ZELI_DataSet::Get_DataInformation(unsigned position) {
  AssertIsValidIndex(position);
  return *infos_[position];
}

const ZELI_DataInformation& ZELI_DataSet::Get_DataInformation(unsigned position) const {
  AssertIsValidIndex(position);
  return *infos_[position];
}

ZELI_SourceWaveform* ZELI_DataSet::Get_Waveform_p(unsigned position) const {
  AssertIsValidIndex(position);
  ZELI_ExternalBase* object = Container().Get_ExternalConvertor()[waveformKeys_[position]];
  // Compare the classes first: this runs once per waveform when a data
  // store is read, where dynamic_cast's search showed in profiles.
  if (object != nullptr && typeid(*object) == typeid(ZELI_SourceWaveform)) {
    return static_cast<ZELI_SourceWaveform*>(object);
  }
  return dynamic_cast<ZELI_SourceWaveform*>(object);
}

bool ZELI_DataSet::IsEmpty() const { return Get_OccupiedCount() == 0; }

unsigned ZELI_DataSet::Get_OccupiedCount() const {
  unsigned count = 0;
  for (int key : waveformKeys_) count += key != -1 ? 1 : 0;
  return count;
}

const char* ZELI_DataSet::TypeString(unsigned type) {
  switch (type) {
    case Array: return "Array";
    case One_Waveform: return "One_Waveform";
    case Analog_Front: return "Analog_Front";
    case Digital_Front: return "Digital_Front";
    default: return "default:";
  }
}

void ZELI_DataSet::Set_DataStoreDirty() {
  ForgetCachedArrays();
  Segment().Set_DataStoreDirty(Store());
}

void ZELI_DataSet::Set_PointCountDirty() {
  ForgetCachedArrays();
  Segment().Set_PointCountDirty(Store());
}

// ---- default slots ----------------------------------------------------------------------

void ZELI_DataSet::InitializeWriting() {
  if (initialized_) throw ZELI_DuplicateException("Duplicate initialization of DataSet.");
  initialized_ = true;
  Set_DataStoreDirty();
}

void ZELI_DataSet::OpenMemoryArrays(zel_iomode_t mode) { values_->Open(mode); }

void ZELI_DataSet::CloseMemoryArrays() {
  if (values_->IsOpen()) values_->Close();
}

void ZELI_DataSet::CheckOrders(const int*, unsigned) const { throw ZELI_FailedException("ZELI_DataSet::CheckOrders"); }

void ZELI_DataSet::CheckXIndices(const int*, unsigned) const {
  throw ZELI_FailedException("ZELI_DataSet::CheckXIndices");
}

void ZELI_DataSet::EnterValuesSimp(unsigned, const void*, unsigned, zel_bool_t) {
  throw ZELI_FailedException("ZELI_DataSet::EnterValuesSimp");
}

// ---- diagnostics --------------------------------------------------------------------------

void ZELI_DataSet::Debug() const { Debug(std::cout); }

void ZELI_DataSet::Debug(std::ostream& out) const {
  out << '\n';
  out << "--------------------\n";
  out << "DataSet # " << indexInSet_ << ", Key = " << Get_Key() << '\n';
  out << "--------------------\n";
  out << "Type =          " << DataSetTypeString() << '\n';
  out << "Initialized =   " << initialized_ << '\n';
  out << "Waveforms Count " << waveformKeys_.size() << '\n';
  out << "Free Slot Count " << freePositions_.size() << '\n';
  for (int key : waveformKeys_) {
    if (key != -1) out << "  " << key << '\n';
  }
  for (unsigned position : freePositions_) out << "  " << position << '\n';
  out.flush();
}

// ---- Array ------------------------------------------------------------------------------

ZELI_ArrayDataSet::ZELI_ArrayDataSet(ZELI_SharedXSet& sharedXSet, ZELI_Type* type)
    : ZELI_DataSet(Array, sharedXSet), valueType_(type) {
  StoredSizeOf(type);
  if (type->HoldsStrings()) MakeStringArray();
}

unsigned ZELI_ArrayDataSet::Get_PointCount(unsigned) const {
  throw ZELI_FailedException("Cannot get point count for an Array DataSet");
}

void ZELI_ArrayDataSet::Set_InterpolationType(zel_interpolation_t) {
  throw ZELI_FailedException("Cannot set interpolation type for an Array DataSet");
}

unsigned ZELI_ArrayDataSet::Add_Waveform_p(ZELI_SourceWaveform*) {
  throw ZELI_FailedException("ArrayDataSet does not store waveforms.");
}

void ZELI_ArrayDataSet::Delete_Waveform_p(ZELI_SourceWaveform*, unsigned) {
  throw ZELI_FailedException("ArrayDataSet does not store waveforms.");
}

void ZELI_ArrayDataSet::Add_Data(const void* values, unsigned n) {
  if (n == 0) return;
  const unsigned size = StoredSizeOf(valueType_);
  RequireWithin4GiB((uint64_t{pointCount_} + n) * size, "ZELI_ArrayDataSet::Add_Data");
  // Complex values are stored as they are, non-finite parts included, so
  // that every value written reads back unchanged.
  WriteValuesAt(valueType_, pointCount_ * size, values, n);
  pointCount_ += n;
  Set_PointCountDirty();
}

unsigned ZELI_ArrayDataSet::Get_Data(unsigned first, void* buffer, unsigned n) const {
  if (first >= pointCount_) return 0;
  const unsigned count = std::min(n, pointCount_ - first);
  ReadValuesAt(valueType_, first * StoredSizeOf(valueType_), buffer, count);
  return count;
}

void ZELI_ArrayDataSet::Synchronize(unsigned pointCount) {
  if (pointCount > pointCount_) throw ZELI_FailedException("ZELI_ArrayDataSet::Synchronize: extending size");
  if (pointCount < pointCount_) {
    Set_DataStoreDirty();
    Set_PointCountDirty();
  }
  pointCount_ = pointCount;
}

void ZELI_ArrayDataSet::EnterValues(unsigned, const void* values, unsigned n) { Add_Data(values, n); }

void ZELI_ArrayDataSet::EnterOrders(const int*, unsigned) {}

void ZELI_ArrayDataSet::EnterXIndices(const int*, unsigned) {}
