// ZELI_Segment: identity, waveform locator, shared X set list and the
// stored record. Data stores, commits and garbage collection are in
// segment_store.cc.
#include "model/segment.h"
#include "model/segment_x_set.h"

#include <cstdint>
#include <memory>

#include "errors/exceptions.h"
#include "model/dimension_descriptor.h"
#include "model/waveform_set.h"
#include "model/container.h"
#include "store/memory_file.h"
#include "store/stream.h"

ZELI_Segment::DataStore::DataStore() = default;
ZELI_Segment::DataStore::~DataStore() = default;
ZELI_Segment::DataStore::DataStore(DataStore&&) noexcept = default;
ZELI_Segment::DataStore& ZELI_Segment::DataStore::operator=(DataStore&&) noexcept = default;

ZELI_Segment::ZELI_Segment(ZELI_WaveformSet& waveformSet, unsigned serialNumber, std::vector<unsigned> parIds)
    : waveformSet_(&waveformSet), serialNumber_(serialNumber), parIds_(std::move(parIds)) {}

// Memory files are destroyed without writing back (their destructors only
// release memory and descriptors). They go before the shared X sets: a
// memory file lets go of all its arrays in one pass, whereas each array
// destroyed while its file lives searches the file's list of arrays to
// detach itself, which for a store of n arrays costs O(n^2).
ZELI_Segment::~ZELI_Segment() {
  for (DataStore& store : stores_) store.memoryFile.reset();
  for (ZELI_SegmentXSet* set : sharedXSets_) delete set;
}

ZELI_SharedXSet* ZELI_Segment::Add_SharedXSet_p(std::unique_ptr<ZELI_SegmentXSet> sharedXSet) {
  const unsigned index = sharedXSetCount_;
  sharedXSets_.resize(index + 1, nullptr);
  sharedXSet->Set_IndexInSegment(index);
  ZELI_SegmentXSet* added = sharedXSet.release();
  sharedXSets_[index] = added;
  ++sharedXSetCount_;
  Get_Container_p()->Set_Modified();
  return added->Get_SharedXSet_p();
}

ZELI_Container* ZELI_Segment::Get_Container_p() const { return waveformSet_->Get_Container_p(); }

ZELI_Type* ZELI_Segment::Get_XType_p() const {
  const ZELI_DimensionDescriptor* x = waveformSet_->Get_XDescriptor_p();
  return x != nullptr ? x->Get_Type_p() : nullptr;
}

// ---- waveform locator ------------------------------------------------------------

void ZELI_Segment::RegisterWaveform(int keyInSet, unsigned sharedXSetIndex, unsigned dataSetIndex, unsigned position) {
  if (ExistWaveform(keyInSet)) throw ZELI_DuplicateException("Waveform is already in the segment.");
  ZELI_WaveformDataLocation location;
  location.sharedXSetIndex = sharedXSetIndex;
  location.dataSetIndex = dataSetIndex;
  location.position = position;
  locator_.emplace(keyInSet, location);
  Get_Container_p()->Set_Modified();
}

void ZELI_Segment::UnregisterWaveform(int keyInSet) {
  if (locator_.erase(keyInSet) == 0) throw ZELI_FailedException("Waveform is not in the segment.");
  Get_Container_p()->Set_Modified();
}

bool ZELI_Segment::Get_WaveformLocation(int keyInSet, ZELI_WaveformDataLocation& location) const {
  const auto found = locator_.find(keyInSet);
  location = found != locator_.end() ? found->second : ZELI_WaveformDataLocation();
  return found != locator_.end();
}

// ---- shared X sets ---------------------------------------------------------------

ZELI_SharedXSet* ZELI_Segment::Get_SharedXSet_p(unsigned index) const {
  if (index >= sharedXSetCount_) throw ZELI_BadArgException("ZELI_Segment::Get_SharedXSet_p index");
  ZELI_SegmentXSet* set = index < sharedXSets_.size() ? sharedXSets_[index] : nullptr;
  return set != nullptr ? set->Get_SharedXSet_p() : nullptr;
}

bool ZELI_Segment::IsEmpty() const {
  for (const ZELI_SegmentXSet* set : sharedXSets_) {
    if (set != nullptr) return false;
  }
  return true;
}

// ---- stored record -----------------------------------------------------------------

void ZELI_Segment::Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const {
  if (map.IsMarked(Get_Key())) throw ZELI_FailedException("ZELI_Segment::Write called again.");
  map.Mark(Get_Key());
  out << serialNumber_ << Get_DataStoreCount() << sharedXSetCount_;
  out << static_cast<unsigned>(locator_.size());
  for (const auto& [key, location] : locator_) {
    out << static_cast<unsigned>(key) << location.sharedXSetIndex << location.dataSetIndex << location.position;
  }
  for (unsigned id : parIds_) out << id;
  out << Get_Key();
}

ZELI_Segment* ZELI_Segment::Read(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map, ZELI_WaveformSet& waveformSet) {
  unsigned serial = 0;
  in >> serial;
  // Serial numbers name files and are allocated below 2^31.
  if (serial > INT32_MAX) throw ZELI_FailedException("ZELI_Segment::Read: serial number");
  unsigned storeCount = 1;
  unsigned sharedXSetCount = 0;
  if (in.Get_SoftwareVersion() >= 3) in >> storeCount >> sharedXSetCount;
  if (storeCount == 0 || storeCount > MaxDataStores) throw ZELI_FailedException("ZELI_Segment::Read: data store count");
  auto segment = std::make_unique<ZELI_Segment>(waveformSet, serial, std::vector<unsigned>());
  segment->sharedXSetCount_ = sharedXSetCount;
  const unsigned located = in.ReadCount(16);
  const ZELI_KeyMap<ZELI_SourceWaveform>& waveforms = waveformSet.Get_WaveformMap();
  for (unsigned i = 0; i < located; ++i) {
    unsigned key = 0;
    ZELI_WaveformDataLocation location;
    in >> key >> location.sharedXSetIndex >> location.dataSetIndex >> location.position;
    // Keys come in increasing order and name waveforms of the set; the
    // shared X set lies in this segment's list.
    const int waveformKey = static_cast<int>(key);
    const bool ordered = segment->locator_.empty() || segment->locator_.rbegin()->first < waveformKey;
    if (!ordered || !waveforms.IsLive(waveformKey) || location.sharedXSetIndex >= sharedXSetCount) {
      throw ZELI_FailedException("ZELI_Segment::Read: waveform location");
    }
    segment->locator_.emplace_hint(segment->locator_.end(), waveformKey, location);
  }
  // One identifier per entry of the set's parameter list.
  const unsigned parameterCount = waveformSet.Get_ParameterCount();
  in.RequireBytes(uint64_t{parameterCount} * 4 + 4);
  segment->parIds_.resize(parameterCount);
  for (unsigned& id : segment->parIds_) in >> id;
  segment->stores_.resize(storeCount);  // NOT_LOADED until ReadDataStores
  segment->GrowBits();
  int key = -1;
  in >> key;
  map.Insert(key, segment.get());
  segment->Set_Key(key);
  return segment.release();
}
