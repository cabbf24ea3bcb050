// The stored record of a waveform set, with its segments and the empty
// hierarchy root (byte layout: doc/segment_records.md).
//
// Reading trusts nothing: counts are bounded by the bytes left, keys are
// resolved through the key map with their class checked, and a record
// holding what this build cannot represent yet (hierarchy nodes below the
// root) is refused with an "Unimplemented" failure rather
// than skipped, so that nothing is lost by a later write.
#include <memory>

#include "errors/exceptions.h"
#include "model/dimension_descriptor.h"
#include "model/parameter.h"
#include "model/segment.h"
#include "model/waveform_set.h"
#include "store/container.h"
#include "store/stream.h"
#include "waveforms/waveform.h"

namespace {

// Hierarchy node type of a root, and the key that ends a relatives record.
constexpr unsigned char RootNodeType = 0;
constexpr int EndOfRelatives = -1;
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
  for (int key : waveformMap_) waveformMap_[key]->Write(out, map);
  out << attributes_;
  out << static_cast<unsigned>(segments_.size());
  for (const ZELI_Segment* segment : segments_) segment->Write(out, map);
  WriteHierarchy(out, map);
  out << Get_Key();
}

// The hierarchy records of an empty root: one node (the root), its node
// record and its relatives record.
void ZELI_WaveformSet::WriteHierarchy(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const {
  if (map.IsMarked(root_->Get_Key())) throw ZELI_FailedException("ZELI_HierarchyNode::Write called again.");
  map.Mark(root_->Get_Key());
  out << 1u;
  out << RootNodeType << root_->Get_Attributes() << root_->Get_Key() << root_->Get_Name();
  out << 0u << EndOfRelatives;  // no offspring, no parent
}

void ZELI_WaveformSet::ReadHierarchy(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map) {
  unsigned nodeCount = 0;
  in >> nodeCount;
  if (nodeCount == 0) throw ZELI_FailedException("ZELI_HierarchyNode::ReadHierarchy implementation");
  if (nodeCount > 1) throw ZELI_FailedException("Unimplemented: ZELI_WaveformSet::Read: hierarchy nodes");
  unsigned char nodeType = 0;
  in >> nodeType;
  if (nodeType >= 7) throw ZELI_FailedException("ZELI_HierarchyNode::Read implementation");
  if (nodeType != RootNodeType) throw ZELI_FailedException("ZELI_HierarchyNode::ReadHierarchy implementation");
  auto root = std::make_unique<ZELI_HierarchyRootPlaceholder>();
  in >> root->Get_Attributes();
  int key = -1;
  in >> key;
  in >> root->Get_Name();
  unsigned offspring = 0;
  int end = 0;
  in >> offspring;
  if (offspring != 0) throw ZELI_FailedException("Unimplemented: ZELI_WaveformSet::Read: hierarchy nodes");
  in >> end;
  if (end != EndOfRelatives) throw ZELI_FailedException("ZELI_WaveformSet::Read: hierarchy root relatives");
  map.Insert(key, root.get());
  root->Set_Key(key);
  root_ = std::move(root);
}

// The waveform map's shape, then one record per live key in key order. A
// waveform is owned by the set as soon as it is read, so a later failure
// frees it with the set.
void ZELI_WaveformSet::ReadWaveforms(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map) {
  in >> waveformMap_;
  const unsigned count = waveformMap_.Get_PendingCount();
  in.RequireBytes(uint64_t{count} * MinWaveformRecord);
  for (unsigned i = 0; i < count; ++i) {
    std::unique_ptr<ZELI_SourceWaveform> waveform(ZELI_SourceWaveform::Read(in, map, *this));
    waveformMap_.Insert(waveform->Get_KeyInSet(), waveform.get());
    waveform.release();
  }
  waveformMap_.VerifyLoaded();
}

ZELI_WaveformSet* ZELI_WaveformSet::Read(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map,
                                         ZELI_Container& container) {
  std::unique_ptr<ZELI_WaveformSet> set(new ZELI_WaveformSet(container, ReadTag{}));
  in >> set->name_;
  map.ReadPtr(in, set->xDescriptor_);
  if (set->xDescriptor_ == nullptr) throw ZELI_FailedException("ZELI_WaveformSet::Read: X descriptor");
  const unsigned parameterCount = in.ReadCount(4);
  set->parameters_.resize(parameterCount, nullptr);
  for (ZELI_Parameter*& parameter : set->parameters_) map.ReadPtr(in, parameter);
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
