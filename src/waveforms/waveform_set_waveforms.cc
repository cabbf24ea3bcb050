// ZELI_WaveformSet: its map of source waveforms (adding and deleting).
#include <memory>

#include "errors/exceptions.h"
#include "model/segment.h"
#include "model/waveform_set.h"
#include "model/container.h"
#include "waveforms/data_set.h"
#include "waveforms/shared_x_set.h"
#include "waveforms/waveform.h"

ZELI_SourceWaveform* ZELI_WaveformSet::Add_Waveform_p(ZELI_SourceWaveform* waveform) {
  if (waveform->Get_KeyInSet() != -1) throw ZELI_FailedException("Waveform is already in the waveform set.");
  Set_ContainerIsDirty();
  waveform->Set_KeyInSet(waveformMap_.Insert(waveform));
  return waveform;
}

void ZELI_WaveformSet::Delete_Waveform_p(ZELI_SourceWaveform* waveform) {
  const int keyInSet = waveform->Get_KeyInSet();
  if (!waveformMap_.IsLive(keyInSet) || waveformMap_[keyInSet] != waveform) {
    throw ZELI_BadArgException("The waveform is not in the waveform set.");
  }
  waveform->CheckMayDestroy();
  // Every location is checked before any is released, so a segment whose
  // store is not loaded leaves the waveform whole.
  for (ZELI_Segment* segment : segments_) {
    ZELI_WaveformDataLocation location;
    if (!segment->Get_WaveformLocation(keyInSet, location)) continue;
    ZELI_SharedXSet* xSet = segment->Get_SharedXSet_p(location.sharedXSetIndex);
    if (xSet == nullptr || xSet->Get_DataSet_p(location.dataSetIndex) == nullptr) {
      throw ZELI_FailedException("The waveform's data is not loaded.");
    }
  }
  for (ZELI_Segment* segment : segments_) {
    ZELI_WaveformDataLocation location;
    if (!segment->Get_WaveformLocation(keyInSet, location)) continue;
    ZELI_DataSet* dataSet = segment->Get_SharedXSet_p(location.sharedXSetIndex)->Get_DataSet_p(location.dataSetIndex);
    dataSet->Delete_Waveform_p(waveform, location.position);
  }
  Set_ContainerIsDirty();
  waveformMap_.Erase(keyInSet);
  container_.Erase(waveform);
  delete waveform;
}
