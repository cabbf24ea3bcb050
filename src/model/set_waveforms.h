// What a waveform set asks of the source waveforms it owns: their key in
// the set, their stored records, releasing their data in the segments, and
// their end. The waveforms themselves belong to the waveforms layer, which
// implements these functions (waveforms/set_waveforms.cc); the set keeps
// them by key in set without knowing their class.
#ifndef ZEL_MODEL_SET_WAVEFORMS_H
#define ZEL_MODEL_SET_WAVEFORMS_H

#include "store/keymap.h"
#include "store/objects.h"

class ZELI_Container;
class ZELI_Istream;
class ZELI_Ostream;
class ZELI_SourceWaveform;
class ZELI_WaveformSet;

namespace ZELI_SetWaveforms {

// -1 for a waveform in no set.
int KeyInSet(const ZELI_SourceWaveform& waveform);
void Set_KeyInSet(ZELI_SourceWaveform& waveform, int keyInSet);
// One waveform record (inside the waveform-set record).
void Write(const ZELI_SourceWaveform& waveform, ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map);
// Reads one waveform record of set; the caller owns the waveform (and
// destroys it with Destroy).
ZELI_SourceWaveform* Read(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map, ZELI_WaveformSet& set);
// Before a waveform leaves its set: it must be free to go (no writer or
// view holds it), and its data must be loaded in every segment that
// locates it ("The waveform's data is not loaded."); then its positions in
// the data sets are released. Every check comes before any release.
void ReleaseData(ZELI_WaveformSet& set, ZELI_SourceWaveform& waveform);
// Frees the waveform's key in the container and destroys it.
void EraseAndDestroy(ZELI_Container& container, ZELI_SourceWaveform* waveform);
// Destroys a waveform that no key map lists; never throws.
void Destroy(ZELI_SourceWaveform* waveform) noexcept;

}  // namespace ZELI_SetWaveforms

#endif  // ZEL_MODEL_SET_WAVEFORMS_H
