// The hierarchy's side of waveforms: reference sets, stored waveform keys,
// deriving the waveform of a node without one, and what a node deletion
// does to the waveforms that die with it.
//
// Derived waveforms (subelement and composite) belong to the container's
// key map while a node refers to them; the last node that lets go erases
// and destroys them. They are never stored: after a reopen each is derived
// again on first request. A derived waveform refers to its field waveforms
// without owning them, so it must die before any of them: a subelement's
// node lies below its source's node and dies with it, and a deletion lets
// go of the composites above the fields it removes.
//
// Waveforms in use: a reader or writer of the container holding a waveform
// (ZELI_AccessBase::Uses) keeps it from dying; so does a data store that a
// writer fills or that is open.
#include "model/hierarchy_waveforms.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "errors/exceptions.h"
#include "model/dimension_descriptor.h"
#include "model/hierarchy.h"
#include "model/segment.h"
#include "model/waveform_set.h"
#include "model/container.h"
#include "types/type.h"
#include "waveforms/derived_waveform.h"
#include "waveforms/shared_x_set.h"
#include "waveforms/waveform.h"

ZELI_WaveformSet* ZELI_HierarchyWaveforms::WaveformSetOf(const ZELI_Waveform* waveform) {
  return waveform->Get_WaveformSet_p();
}

int ZELI_HierarchyWaveforms::KeyOf(const ZELI_Waveform* waveform) { return waveform->Get_Key(); }

ZELI_Waveform* ZELI_HierarchyWaveforms::ReadWaveform(ZELI_Istream& in, const ZELI_KeyMap<ZELI_ExternalBase>& map,
                                                     const ZELI_WaveformSet* set) {
  ZELI_SourceWaveform* waveform = nullptr;
  map.ReadPtr(in, waveform, "ZELI_HierarchyNode::Read: waveform");
  if (waveform == nullptr || waveform->Get_WaveformSet_p() != set) {
    throw ZELI_FailedException("ZELI_HierarchyNode::Read: waveform");
  }
  return waveform;
}

ZELI_Type* ZELI_HierarchyWaveforms::YTypeOf(const ZELI_Waveform* waveform) { return waveform->Get_YType_p(); }

void ZELI_HierarchyWaveforms::InsertReference(ZELI_Waveform* waveform, ZELI_HierarchyNode* node) {
  waveform->InsertReference(node);
}

void ZELI_HierarchyWaveforms::EraseReference(ZELI_Waveform* waveform, ZELI_HierarchyNode* node) {
  waveform->EraseReference(node);
}

bool ZELI_HierarchyWaveforms::IsUnreferenced(const ZELI_Waveform* waveform) {
  return waveform->Get_ReferenceCount() == 0;
}

bool ZELI_HierarchyWaveforms::OnlyReferencedBy(const ZELI_Waveform* waveform,
                                               const std::vector<ZELI_HierarchyNode*>& nodes) {
  // Each node of nodes that refers to the waveform holds one entry of its
  // reference set; the waveform dies when they are all of them.
  unsigned within = 0;
  for (const ZELI_HierarchyNode* node : nodes) {
    if (node->IsWaveform() && static_cast<const ZELI_HierarchyWaveformNode*>(node)->Peek_Waveform_p() == waveform) {
      ++within;
    }
  }
  return within == waveform->Get_ReferenceCount();
}

void ZELI_HierarchyWaveforms::DestroyDerived(ZELI_Waveform* waveform) noexcept {
  ZELI_Container& container = waveform->Get_WaveformSet_p()->Get_Container();
  if (waveform->Get_Key() >= 0 && container.Get_ExternalConvertor().IsLive(waveform->Get_Key())) {
    container.Erase(waveform);
  }
  delete waveform;
}

void ZELI_HierarchyWaveforms::RequireNotInUse(ZELI_Container& container, const std::vector<ZELI_Waveform*>& waveforms) {
  for (ZELI_Waveform* waveform : waveforms) {
    // A reader or writer holds it (derived waveforms are read, never written).
    if (container.IsInUse(waveform)) throw ZELI_FailedException("Waveform is in use");
    auto* source = dynamic_cast<ZELI_SourceWaveform*>(waveform);
    if (source == nullptr) continue;
    for (ZELI_Segment* segment : source->Get_WaveformSet_p()->Get_Segments()) {
      ZELI_WaveformDataLocation location;
      if (!segment->Get_WaveformLocation(source->Get_KeyInSet(), location)) continue;
      ZELI_SharedXSet* xSet = segment->Get_SharedXSet_p(location.sharedXSetIndex);
      if (xSet == nullptr || xSet->Get_DataSet_p(location.dataSetIndex) == nullptr) {
        throw ZELI_FailedException("The waveform's data is not loaded.");
      }
      if (xSet->Get_Writer_p() != nullptr || segment->IsOpen()) throw ZELI_FailedException("Waveform is in use");
    }
  }
}

std::vector<ZELI_Waveform*> ZELI_HierarchyWaveforms::SourceWaveforms(const std::vector<ZELI_Waveform*>& waveforms) {
  std::vector<ZELI_Waveform*> sources;
  for (ZELI_Waveform* waveform : waveforms) {
    if (dynamic_cast<ZELI_SourceWaveform*>(waveform) != nullptr) sources.push_back(waveform);
  }
  return sources;
}

void ZELI_HierarchyWaveforms::CollectGarbage(ZELI_WaveformSet& set, const std::vector<ZELI_Waveform*>& waveforms) {
  for (ZELI_Waveform* waveform : waveforms) {
    auto* source = static_cast<ZELI_SourceWaveform*>(waveform);
    if (source->Get_ReferenceCount() == 0 && source->Get_WaveformSet_p() == &set) set.Delete_Waveform_p(source);
  }
}

// ---- deriving ----------------------------------------------------------------------

namespace {

// Offset of a child within its parent's composite value.
unsigned OffsetInParent(const ZELI_HierarchyNode* child) {
  return child->Get_Parent_p()->Get_Type_p()->Get_SubelementBitPosition(child->Get_LocationInParent());
}

// The nearest ancestor (within the composite signal) with a stored waveform.
ZELI_HierarchyWaveformNode* SourceAbove(const ZELI_HierarchyNode* node) {
  for (ZELI_HierarchyNode* up = node->Get_Parent_p(); up != nullptr && up->IsWaveform(); up = up->Get_Parent_p()) {
    if (up->HasSourceWaveform()) return static_cast<ZELI_HierarchyWaveformNode*>(up);
  }
  return nullptr;
}

// Field locations of the stored waveforms below node, in location order,
// through descendants without one; offsets are within node's value.
void GatherFieldLocations(const ZELI_HierarchyNode* node, unsigned base, std::vector<ZELI_FieldLocation>& fields) {
  for (unsigned i = 0; i < node->OffspringCount(); ++i) {
    const ZELI_HierarchyNode* child = node->Get_SortedOffspring_p(i);
    const unsigned offset = base + OffsetInParent(child);
    if (child->HasSourceWaveform()) {
      ZELI_FieldLocation field;
      field.waveform = static_cast<const ZELI_HierarchyWaveformNode*>(child)->Peek_Waveform_p();
      field.offset = offset;
      fields.push_back(field);
    } else {
      GatherFieldLocations(child, offset, fields);
    }
  }
}

// The descriptor named like the node with its type, or a new nameless one.
ZELI_DimensionDescriptor* YDescriptor(ZELI_Container& container, const char* name, ZELI_Type* type) {
  for (ZELI_DimensionDescriptor* descriptor : container.FindAllDimensionDescriptors()) {
    if (descriptor->Get_Type_p() == type && std::strcmp(descriptor->Get_Name().c_str(), name) == 0) return descriptor;
  }
  // Added to the container (modified flag set), so it is stored with the
  // structure and its key resolves after a reopen.
  return container.Add_DimensionDescriptor(new ZELI_DimensionDescriptor("", "", type));
}

}  // namespace

ZELI_Waveform* ZELI_HierarchyWaveforms::DeriveWaveform(ZELI_HierarchyWaveformNode* node) {
  ZELI_Type* type = node->Get_Type_p();
  ZELI_WaveformSet* set = node->Get_WaveformSet_p();
  ZELI_HierarchyWaveformNode* source = SourceAbove(node);
  ZELI_FieldLocation field;
  std::vector<ZELI_FieldLocation> fields;
  if (source != nullptr) {
    field.waveform = source->Peek_Waveform_p();
    for (const ZELI_HierarchyNode* step = node; step != source; step = step->Get_Parent_p()) {
      field.offset += OffsetInParent(step);
    }
    field.packedSize = type->Get_PackedSizeOf();
    set = field.waveform->Get_WaveformSet_p();
  } else {
    GatherFieldLocations(node, 0, fields);
    if (fields.empty()) throw ZELI_FailedException("Cannot find SourceWaveform");
  }
  ZELI_Container& container = set->Get_Container();
  ZELI_DimensionDescriptor* descriptor = YDescriptor(container, node->Get_Name(), type);
  std::unique_ptr<ZELI_Waveform> derived;
  if (source != nullptr) {
    derived = std::make_unique<ZELI_SubelementWaveform>(set, descriptor, field);
  } else {
    derived = std::make_unique<ZELI_CompositeWaveform>(set, descriptor, std::move(fields));
  }
  derived->Set_Key(container.Insert_Transient(derived.get()));
  try {
    node->Bind_Waveform(derived.get(), false);
  } catch (...) {
    container.Erase(derived.get());
    throw;
  }
  return derived.release();
}
