// The hierarchy's side of waveforms: until the waveform classes exist no
// node can be given a waveform, so every question here is unreachable and
// fails as not provided.
#include "model/hierarchy_waveforms.h"

#include "errors/exceptions.h"
#include "model/hierarchy.h"

namespace {

[[noreturn]] void NotProvided(const char* member) {
  throw ZELI_FailedException(ZELI_Message() << "Unimplemented: ZELI_HierarchyWaveforms::" << member);
}

}  // namespace

ZELI_WaveformSet* ZELI_HierarchyWaveforms::WaveformSetOf(const ZELI_Waveform*) { NotProvided("WaveformSetOf"); }
int ZELI_HierarchyWaveforms::KeyOf(const ZELI_Waveform*) { NotProvided("KeyOf"); }
ZELI_Waveform* ZELI_HierarchyWaveforms::ReadWaveform(ZELI_Istream&, const ZELI_KeyMap<ZELI_ExternalBase>&,
                                                     const ZELI_WaveformSet*) {
  NotProvided("ReadWaveform");
}
ZELI_Type* ZELI_HierarchyWaveforms::YTypeOf(const ZELI_Waveform*) { NotProvided("YTypeOf"); }
void ZELI_HierarchyWaveforms::InsertReference(ZELI_Waveform*, ZELI_HierarchyNode*) { NotProvided("InsertReference"); }
void ZELI_HierarchyWaveforms::EraseReference(ZELI_Waveform*, ZELI_HierarchyNode*) { NotProvided("EraseReference"); }
bool ZELI_HierarchyWaveforms::IsUnreferenced(const ZELI_Waveform*) { NotProvided("IsUnreferenced"); }
bool ZELI_HierarchyWaveforms::OnlyReferencedBy(const ZELI_Waveform*, const std::vector<ZELI_HierarchyNode*>&) {
  NotProvided("OnlyReferencedBy");
}
void ZELI_HierarchyWaveforms::DestroyDerived(ZELI_Waveform*) noexcept {}
void ZELI_HierarchyWaveforms::RequireNotInUse(ZELI_Container&, const std::vector<ZELI_Waveform*>& waveforms) {
  if (!waveforms.empty()) NotProvided("RequireNotInUse");
}
std::vector<ZELI_Waveform*> ZELI_HierarchyWaveforms::SourceWaveforms(const std::vector<ZELI_Waveform*>& waveforms) {
  if (!waveforms.empty()) NotProvided("SourceWaveforms");
  return {};
}
void ZELI_HierarchyWaveforms::CollectGarbage(ZELI_WaveformSet&, const std::vector<ZELI_Waveform*>& waveforms) {
  if (!waveforms.empty()) NotProvided("CollectGarbage");
}
ZELI_Waveform* ZELI_HierarchyWaveforms::DeriveWaveform(ZELI_HierarchyWaveformNode*) { NotProvided("DeriveWaveform"); }
