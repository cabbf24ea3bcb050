// ZELI_WaveformSet: parameters, segments, equality and copying. The stored
// record is in waveform_set_record.cc.
#include "model/waveform_set.h"

#include <memory>

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "model/dimension_descriptor.h"
#include "model/hierarchy.h"
#include "model/parameter.h"
#include "model/segment.h"
#include "model/segment_index.h"
#include "model/set_waveforms.h"
#include "model/container.h"

ZELI_WaveformSet::ZELI_WaveformSet(ZELI_Container& container, const char* name, ZELI_DimensionDescriptor* xDescriptor,
                                   unsigned count, ZELI_Parameter* const* parameters)
    : container_(container), name_(name), xDescriptor_(xDescriptor), parameters_(count, nullptr) {
  if (parameters != nullptr) parameters_.assign(parameters, parameters + count);
  root_ = std::make_unique<ZELI_HierarchyRoot>(this, "");
  root_->Set_Key(container_.Get_ExternalConvertor().Insert(root_.get()));
}

ZELI_WaveformSet::ZELI_WaveformSet(ZELI_Container& container, ReadTag) : container_(container) {}

ZELI_WaveformSet::~ZELI_WaveformSet() {
  // A set that never reached its container's table (a failed add) must not
  // leave its root's key behind. The map outlives the container's tables.
  ZELI_KeyMap<ZELI_ExternalBase>& map = container_.Get_ExternalConvertor();
  if (root_ && map.IsLive(root_->Get_Key()) && map[root_->Get_Key()] == root_.get()) map.Erase(root_->Get_Key());
  // The nodes release their waveforms while those still exist.
  root_.reset();
  for (ZELI_Segment* segment : segments_) delete segment;
  for (int key : waveformMap_) ZELI_SetWaveforms::Destroy(waveformMap_[key]);
}

void ZELI_WaveformSet::Set_ContainerIsDirty() { container_.Set_Modified(); }

ZELI_SourceWaveform* ZELI_WaveformSet::Add_Waveform_p(ZELI_SourceWaveform* waveform) {
  if (ZELI_SetWaveforms::KeyInSet(*waveform) != -1) {
    throw ZELI_FailedException("Waveform is already in the waveform set.");
  }
  Set_ContainerIsDirty();
  ZELI_SetWaveforms::Set_KeyInSet(*waveform, waveformMap_.Insert(waveform));
  return waveform;
}

void ZELI_WaveformSet::Delete_Waveform_p(ZELI_SourceWaveform* waveform) {
  const int keyInSet = ZELI_SetWaveforms::KeyInSet(*waveform);
  if (!waveformMap_.IsLive(keyInSet) || waveformMap_[keyInSet] != waveform) {
    throw ZELI_BadArgException("The waveform is not in the waveform set.");
  }
  ZELI_SetWaveforms::ReleaseData(*this, *waveform);
  Set_ContainerIsDirty();
  waveformMap_.Erase(keyInSet);
  ZELI_SetWaveforms::EraseAndDestroy(container_, waveform);
}

void ZELI_WaveformSet::Set_XDescriptor(ZELI_DimensionDescriptor* descriptor) {
  xDescriptor_ = descriptor;
  Set_ContainerIsDirty();
}

ZELI_Parameter* ZELI_WaveformSet::Get_Parameter_p(unsigned index) const {
  if (index >= parameters_.size()) throw ZELI_BadArgException("Parameter index out of range.");
  return parameters_[index];
}

ZELI_Parameter* ZELI_WaveformSet::Get_SetParameter_p(unsigned index) const {
  ZELI_Parameter* parameter = Get_Parameter_p(index);
  if (parameter == nullptr) throw ZELI_BadArgException("The waveform set has an empty parameter entry.");
  return parameter;
}

// Segments store one value identifier per entry: once they exist, entries
// may only be filled, never moved, dropped or replaced.
void ZELI_WaveformSet::RequireParametersMayChange(unsigned count, ZELI_Parameter* const* parameters) const {
  if (segments_.empty()) return;
  bool allowed = count == parameters_.size();
  for (unsigned i = 0; allowed && i < count; ++i) {
    ZELI_Parameter* wanted = parameters != nullptr ? parameters[i] : nullptr;
    allowed = parameters_[i] == nullptr || parameters_[i] == wanted;
  }
  if (!allowed) throw ZELI_FailedException("The parameters of a waveform set with segments cannot change.");
}

void ZELI_WaveformSet::Set_Parameters(unsigned count, ZELI_Parameter* const* parameters) {
  RequireParametersMayChange(count, parameters);
  std::vector<ZELI_Parameter*> entries(count, nullptr);
  if (parameters != nullptr) entries.assign(parameters, parameters + count);
  parameters_.swap(entries);
  Set_ContainerIsDirty();
}

void ZELI_WaveformSet::Set_Parameter(unsigned index, ZELI_Parameter* parameter) {
  if (index >= parameters_.size()) return;
  if (!segments_.empty() && parameters_[index] != nullptr && parameters_[index] != parameter) {
    throw ZELI_FailedException("The parameters of a waveform set with segments cannot change.");
  }
  parameters_[index] = parameter;
  Set_ContainerIsDirty();
}

// ---- segments ---------------------------------------------------------------

ZELI_SegmentIndex ZELI_WaveformSet::Get_SegmentIndexer() const {
  std::vector<unsigned> counts;
  counts.reserve(parameters_.size());
  for (unsigned i = 0; i < parameters_.size(); ++i) counts.push_back(Get_SetParameter_p(i)->Get_ValueCount());
  return ZELI_SegmentIndex(std::move(counts));
}

ZELI_Segment* ZELI_WaveformSet::Get_Segment_p(unsigned i) const {
  if (i >= segments_.size()) throw ZELI_BadArgException("Index of a segment is out of range.");
  return segments_[i];
}

unsigned ZELI_WaveformSet::Get_MaximumSegmentCount() const { return Get_SegmentIndexer().MaximumCount(); }

std::vector<unsigned> ZELI_WaveformSet::Get_ParIds(unsigned count, const unsigned* positions) const {
  Get_SegmentIndexer().CheckPositions(count, positions, "Parameter count is incorrect.");
  std::vector<unsigned> ids(count);
  for (unsigned j = 0; j < count; ++j) ids[j] = parameters_[j]->Get_ParId(positions[j]);
  return ids;
}

std::vector<unsigned> ZELI_WaveformSet::Get_ParIdsOfSegmentIndex(unsigned segmentIndex) const {
  const std::vector<unsigned> positions = Get_ParIndices(segmentIndex);
  return Get_ParIds(static_cast<unsigned>(positions.size()), positions.data());
}

unsigned ZELI_WaveformSet::Get_SegmentIndexFromParIndices(unsigned count, const unsigned* positions) const {
  return Get_SegmentIndexer().FromPositions(count, positions, "Parameter index count");
}

std::vector<unsigned> ZELI_WaveformSet::Get_ParIndices(unsigned segmentIndex) const {
  return Get_SegmentIndexer().ToPositions(segmentIndex);
}

std::vector<unsigned> ZELI_WaveformSet::Get_ParIndicesFromParIds(const std::vector<unsigned>& parIds) const {
  if (parIds.size() != parameters_.size()) throw ZELI_BadArgException("Parameter index count");
  std::vector<unsigned> positions(parIds.size());
  for (unsigned j = 0; j < parIds.size(); ++j) positions[j] = Get_SetParameter_p(j)->Get_Index(parIds[j]);
  return positions;
}

unsigned ZELI_WaveformSet::Get_SegmentIndexFromParIds(const std::vector<unsigned>& parIds) const {
  return Get_SegmentIndexer().FromValidPositions(Get_ParIndicesFromParIds(parIds));
}

ZELI_Segment* ZELI_WaveformSet::Create_Segment_p(std::vector<unsigned> parIds) {
  if (parIds.size() != parameters_.size()) throw ZELI_BadArgException("Parameter count is incorrect.");
  // The serial number is spent even when creation fails below, so that a
  // retry never meets files that a failed attempt left behind.
  const unsigned serial = container_.Allocate_SegmentSerial();
  auto segment = std::make_unique<ZELI_Segment>(*this, serial, std::move(parIds));
  segment->Add_DataStore();
  ZELI_ReserveOneMore(segments_);
  container_.Insert_Segment(segment.get());
  segments_.push_back(segment.release());
  return segments_.back();
}

ZELI_Segment* ZELI_WaveformSet::Find_Segment_p(const std::vector<unsigned>& parIds) const {
  for (ZELI_Segment* segment : segments_) {
    if (segment->Get_ParIds() == parIds) return segment;
  }
  return nullptr;
}

// ---- equality and copying -----------------------------------------------------

bool ZELI_WaveformSet::operator==(const ZELI_WaveformSet& other) const {
  if ((xDescriptor_ == nullptr) != (other.xDescriptor_ == nullptr)) return false;
  if (xDescriptor_ != nullptr && !(*xDescriptor_ == *other.xDescriptor_)) return false;
  if (parameters_.size() != other.parameters_.size()) return false;
  for (size_t i = 0; i < parameters_.size(); ++i) {
    const ZELI_Parameter* a = parameters_[i];
    const ZELI_Parameter* b = other.parameters_[i];
    if ((a == nullptr) != (b == nullptr)) return false;
    if (a != nullptr && !(*a == *b)) return false;
  }
  return true;
}

ZELI_WaveformSet* ZELI_WaveformSet::CopyToContainer(ZELI_Container& target) const {
  ZELI_DimensionDescriptor* x =
      xDescriptor_ != nullptr ? target.FindOrCopyDimensionDescriptor(*xDescriptor_, nullptr) : nullptr;
  std::vector<ZELI_Parameter*> parameters;
  parameters.reserve(parameters_.size());
  for (const ZELI_Parameter* parameter : parameters_) {
    parameters.push_back(parameter != nullptr ? target.FindOrCopyParameter(*parameter, nullptr) : nullptr);
  }
  return new ZELI_WaveformSet(target, name_.c_str(), x, static_cast<unsigned>(parameters.size()), parameters.data());
}

// ---- data stores ----------------------------------------------------------------

void ZELI_WaveformSet::CheckNoSegmentOpen() const {
  for (const ZELI_Segment* segment : segments_) {
    if (segment->IsOpen()) throw ZELI_FailedException("Writing an open segment");
  }
}

void ZELI_WaveformSet::WriteDataStores() {
  CheckNoSegmentOpen();
  for (ZELI_Segment* segment : segments_) segment->WriteDataStores();
}

void ZELI_WaveformSet::ReadDataStores() {
  for (ZELI_Segment* segment : segments_) segment->ReadDataStores();
}

std::vector<ZELI_Segment*> ZELI_WaveformSet::CollectGarbage() {
  std::vector<ZELI_Segment*> removed;
  std::vector<ZELI_Segment*> kept;
  kept.reserve(segments_.size());
  removed.reserve(segments_.size());
  // The list is rebuilt only once every segment has been collected, so a
  // failure part way leaves it whole.
  for (ZELI_Segment* segment : segments_) (segment->CollectGarbage() ? removed : kept).push_back(segment);
  segments_.swap(kept);
  return removed;
}
