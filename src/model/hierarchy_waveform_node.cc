// Waveform nodes: binding to waveforms, deriving on first request, the
// waveforms that die with deleted nodes, and the types of scalar nodes.
#include <algorithm>

#include "errors/exceptions.h"
#include "model/hierarchy.h"
#include "model/hierarchy_waveforms.h"

ZELI_HierarchyWaveformNode::~ZELI_HierarchyWaveformNode() {
  if (waveform_ == nullptr) return;
  try {
    ZELI_HierarchyWaveforms::EraseReference(waveform_, this);
    if (!hasSource_ && ZELI_HierarchyWaveforms::IsUnreferenced(waveform_)) {
      ZELI_HierarchyWaveforms::DestroyDerived(waveform_);
    }
  } catch (...) {
    // Destructors never throw; a missing reference entry is only reported by
    // the explicit release paths.
  }
}

void ZELI_HierarchyWaveformNode::Release_DerivedWaveform() noexcept {
  if (waveform_ == nullptr || hasSource_) return;
  ZELI_Waveform* derived = waveform_;
  waveform_ = nullptr;
  try {
    ZELI_HierarchyWaveforms::EraseReference(derived, this);
    if (ZELI_HierarchyWaveforms::IsUnreferenced(derived)) ZELI_HierarchyWaveforms::DestroyDerived(derived);
  } catch (...) {
    // The node was in the reference set it was bound through.
  }
}

ZELI_Waveform* ZELI_HierarchyWaveformNode::Get_Waveform_p() {
  if (waveform_ == nullptr) ZELI_HierarchyWaveforms::DeriveWaveform(this);
  return waveform_;
}

void ZELI_HierarchyWaveformNode::Bind_Waveform(ZELI_Waveform* waveform, bool source) {
  if (waveform_ != nullptr) throw ZELI_FailedException("ZELI_HierarchyWaveformNode::Bind_Waveform: bound");
  ZELI_HierarchyWaveforms::InsertReference(waveform, this);
  waveform_ = waveform;
  hasSource_ = source;
}

void ZELI_HierarchyWaveformNode::Delete_Waveforms(const std::vector<ZELI_HierarchyNode*>& subtree,
                                                  std::vector<ZELI_Waveform*>& dying) const {
  if (waveform_ == nullptr) return;
  if (std::find(dying.begin(), dying.end(), waveform_) != dying.end()) return;
  if (ZELI_HierarchyWaveforms::OnlyReferencedBy(waveform_, subtree)) dying.push_back(waveform_);
}

ZELI_HierarchyNode* ZELI_HierarchyWaveformNode::Find_Offspring_pByLocation(unsigned location) const {
  const ZELI_Offspring* offspring = Get_OffspringVectors();
  if (offspring == nullptr) return nullptr;
  for (ZELI_HierarchyNode* child : offspring->Inserted()) {
    if (child->Get_LocationInParent() == location) return child;
  }
  return nullptr;
}

ZELI_Type* ZELI_HierarchyNamedScalar::Get_Type_p() const {
  if (Peek_Waveform_p() == nullptr) throw ZELI_BadArgException("Type is not available.");
  return ZELI_HierarchyWaveforms::YTypeOf(Peek_Waveform_p());
}
