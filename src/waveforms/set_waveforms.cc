// What a waveform set asks of its source waveforms (model/set_waveforms.h).
#include "model/set_waveforms.h"

#include "errors/exceptions.h"
#include "model/container.h"
#include "model/segment.h"
#include "model/waveform_set.h"
#include "waveforms/data_set.h"
#include "waveforms/shared_x_set.h"
#include "waveforms/waveform.h"

int ZELI_SetWaveforms::KeyInSet(const ZELI_SourceWaveform& waveform) { return waveform.Get_KeyInSet(); }

void ZELI_SetWaveforms::Set_KeyInSet(ZELI_SourceWaveform& waveform, int keyInSet) { waveform.Set_KeyInSet(keyInSet); }

void ZELI_SetWaveforms::Write(const ZELI_SourceWaveform& waveform, ZELI_Ostream& out,
                              ZELI_KeyMap<ZELI_ExternalBase>& map) {
  waveform.Write(out, map);
}

ZELI_SourceWaveform* ZELI_SetWaveforms::Read(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map,
                                             ZELI_WaveformSet& set) {
  return ZELI_SourceWaveform::Read(in, map, set);
}

void ZELI_SetWaveforms::ReleaseData(ZELI_WaveformSet& set, ZELI_SourceWaveform& waveform) {
  const int keyInSet = waveform.Get_KeyInSet();
  waveform.CheckMayDestroy();
  // Every location is checked before any is released, so a segment whose
  // store is not loaded leaves the waveform whole.
  for (ZELI_Segment* segment : set.Get_Segments()) {
    ZELI_WaveformDataLocation location;
    if (!segment->Get_WaveformLocation(keyInSet, location)) continue;
    ZELI_SharedXSet* xSet = segment->Get_SharedXSet_p(location.sharedXSetIndex);
    if (xSet == nullptr || xSet->Get_DataSet_p(location.dataSetIndex) == nullptr) {
      throw ZELI_FailedException("The waveform's data is not loaded.");
    }
  }
  for (ZELI_Segment* segment : set.Get_Segments()) {
    ZELI_WaveformDataLocation location;
    if (!segment->Get_WaveformLocation(keyInSet, location)) continue;
    ZELI_DataSet* dataSet = segment->Get_SharedXSet_p(location.sharedXSetIndex)->Get_DataSet_p(location.dataSetIndex);
    dataSet->Delete_Waveform_p(&waveform, location.position);
  }
}

void ZELI_SetWaveforms::EraseAndDestroy(ZELI_Container& container, ZELI_SourceWaveform* waveform) {
  container.Erase(waveform);
  delete waveform;
}

void ZELI_SetWaveforms::Destroy(ZELI_SourceWaveform* waveform) noexcept { delete waveform; }
