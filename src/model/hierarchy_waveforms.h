// What the hierarchy asks of waveforms: the waveform set and Y type of a
// waveform, binding nodes to waveforms (reference sets), deriving the
// waveform of a node that has none, and the end of the waveforms that die
// with deleted nodes. The waveforms belong to the waveforms layer, which
// implements these functions (waveforms/hierarchy_waveforms.cc); the node
// classes know waveforms only through them.
#ifndef ZEL_MODEL_HIERARCHY_WAVEFORMS_H
#define ZEL_MODEL_HIERARCHY_WAVEFORMS_H

#include <vector>

#include "store/keymap.h"
#include "store/objects.h"

class ZELI_Container;
class ZELI_HierarchyNode;
class ZELI_HierarchyWaveformNode;
class ZELI_Type;
class ZELI_Waveform;
class ZELI_WaveformSet;

namespace ZELI_HierarchyWaveforms {

ZELI_WaveformSet* WaveformSetOf(const ZELI_Waveform* waveform);
int KeyOf(const ZELI_Waveform* waveform);
// A stored waveform key: a source waveform of set (else ZELI_FailedException
// "ZELI_HierarchyNode::Read: waveform").
ZELI_Waveform* ReadWaveform(ZELI_Istream& in, const ZELI_KeyMap<ZELI_ExternalBase>& map, const ZELI_WaveformSet* set);
ZELI_Type* YTypeOf(const ZELI_Waveform* waveform);
// Enters / removes node in the waveform's reference set.
void InsertReference(ZELI_Waveform* waveform, ZELI_HierarchyNode* node);
void EraseReference(ZELI_Waveform* waveform, ZELI_HierarchyNode* node);
// Whether no node refers to the waveform any more.
bool IsUnreferenced(const ZELI_Waveform* waveform);
// Whether every node that refers to the waveform is one of nodes.
bool OnlyReferencedBy(const ZELI_Waveform* waveform, const std::vector<ZELI_HierarchyNode*>& nodes);
// Erases a derived waveform that nothing refers to from its container and
// destroys it; never throws.
void DestroyDerived(ZELI_Waveform* waveform) noexcept;
// Fails with ZEL_FAILED ("Waveform is in use") when a reader or writer of
// the container still uses one of the waveforms.
void RequireNotInUse(ZELI_Container& container, const std::vector<ZELI_Waveform*>& waveforms);
// The stored (source) waveforms among waveforms.
std::vector<ZELI_Waveform*> SourceWaveforms(const std::vector<ZELI_Waveform*>& waveforms);
// The waveform set's garbage collection over the source waveforms that a
// deletion left without nodes: only those leave the set.
void CollectGarbage(ZELI_WaveformSet& set, const std::vector<ZELI_Waveform*>& waveforms);
// Creates the derived waveform of node (subelement or composite).
ZELI_Waveform* DeriveWaveform(ZELI_HierarchyWaveformNode* node);

}  // namespace ZELI_HierarchyWaveforms

#endif  // ZEL_MODEL_HIERARCHY_WAVEFORMS_H
