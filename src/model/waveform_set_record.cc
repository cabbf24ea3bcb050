// The stored record of a waveform set, with its segments and its hierarchy
// (byte layout: doc/segment_records.md, doc/hierarchy_records.md).
//
// Reading trusts nothing: counts are bounded by the bytes left, keys are
// resolved through the key map with their class checked, and a record
// holding nodes of another hierarchy or loops is refused rather than
// skipped, so that nothing is lost by a later write.
#include <memory>

#include "errors/exceptions.h"
#include "model/dimension_descriptor.h"
#include "model/hierarchy.h"
#include "model/parameter.h"
#include "model/segment.h"
#include "model/set_waveforms.h"
#include "model/waveform_set.h"
#include "model/container.h"
#include "store/stream.h"

namespace {

// Smallest segment record: serial, located count, key.
constexpr unsigned MinSegmentRecord = 12;
// Smallest waveform record: descriptor key, semantic, key in set, empty
// attributes, key.
constexpr unsigned MinWaveformRecord = 17;

}  // namespace

void ZELI_WaveformSet::Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const {
  if (map.IsMarked(Get_Key())) throw ZELI_FailedException("ZELI_WaveformSet::Write called again.");
  map.Mark(Get_Key());
  out << name_ << (xDescriptor_ != nullptr ? xDescriptor_->Get_Key() : -1);
  out << static_cast<unsigned>(parameters_.size());
  for (const ZELI_Parameter* parameter : parameters_) out << (parameter != nullptr ? parameter->Get_Key() : -1);
  out << waveformMap_;
  for (int key : waveformMap_) ZELI_SetWaveforms::Write(*waveformMap_[key], out, map);
  out << attributes_;
  out << static_cast<unsigned>(segments_.size());
  for (const ZELI_Segment* segment : segments_) segment->Write(out, map);
  WriteHierarchy(out, map);
  out << Get_Key();
}

// The hierarchy records of the root (hierarchy_record.cc). An empty root
// is 26 bytes: count 1, type 0, no attributes, key, empty name, no
// offspring, end of relatives.
void ZELI_WaveformSet::WriteHierarchy(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const {
  ZELI_Hierarchy::WriteHierarchy(root_.get(), out, map);
}

void ZELI_WaveformSet::ReadHierarchy(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map) {
  root_.reset(ZELI_Hierarchy::ReadHierarchy(this, in, map));
}

// The waveform map's shape, then one record per live key in key order. A
// waveform is owned by the set as soon as it is read, so a later failure
// frees it with the set.
void ZELI_WaveformSet::ReadWaveforms(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map) {
  in >> waveformMap_;
  const unsigned count = waveformMap_.Get_PendingCount();
  in.RequireBytes(uint64_t{count} * MinWaveformRecord);
  for (unsigned i = 0; i < count; ++i) {
    ZELI_SourceWaveform* waveform = ZELI_SetWaveforms::Read(in, map, *this);
    try {
      waveformMap_.Insert(ZELI_SetWaveforms::KeyInSet(*waveform), waveform);
    } catch (...) {
      ZELI_SetWaveforms::Destroy(waveform);
      throw;
    }
  }
  waveformMap_.VerifyLoaded();
}

ZELI_WaveformSet* ZELI_WaveformSet::Read(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map,
                                         ZELI_Container& container) {
  std::unique_ptr<ZELI_WaveformSet> set(new ZELI_WaveformSet(container, ReadTag{}));
  in >> set->name_;
  map.ReadPtr(in, set->xDescriptor_, "ZELI_WaveformSet::Read: X descriptor");
  if (set->xDescriptor_ == nullptr) throw ZELI_FailedException("ZELI_WaveformSet::Read: X descriptor");
  const unsigned parameterCount = in.ReadCount(4);
  set->parameters_.resize(parameterCount, nullptr);
  for (ZELI_Parameter*& parameter : set->parameters_) map.ReadPtr(in, parameter, "ZELI_WaveformSet::Read: parameter");
  set->ReadWaveforms(in, map);
  in >> set->attributes_;
  const unsigned segmentCount = in.ReadCount(MinSegmentRecord);
  set->segments_.reserve(segmentCount);
  for (unsigned i = 0; i < segmentCount; ++i) {
    std::unique_ptr<ZELI_Segment> segment(ZELI_Segment::Read(in, map, *set));
    container.Note_SegmentSerial(segment->Get_SerialNumber());
    set->segments_.push_back(segment.release());
  }
  set->ReadHierarchy(in, map);
  int key = -1;
  in >> key;
  map.Insert(key, set.get());
  set->Set_Key(key);
  return set.release();
}
