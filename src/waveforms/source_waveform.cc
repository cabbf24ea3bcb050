// ZELI_SourceWaveform: construction and the stored record. The per-segment
// queries, which go through the data sets, are in source_waveform_data.cc.
#include <memory>

#include "errors/exceptions.h"
#include "model/dimension_descriptor.h"
#include "model/waveform_set.h"
#include "store/stream.h"
#include "waveforms/waveform.h"

ZELI_SourceWaveform::ZELI_SourceWaveform(ZELI_WaveformSet* waveformSet, ZELI_DimensionDescriptor* yDescriptor,
                                         zel_semantic_t semantic)
    : ZELI_Waveform(waveformSet, yDescriptor, semantic) {}

void ZELI_SourceWaveform::Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const {
  if (map.IsMarked(Get_Key())) throw ZELI_FailedException("ZELI_Waveform::Write called again.");
  const ZELI_DimensionDescriptor* y = Get_YDescriptor_p();
  out << (y != nullptr ? y->Get_Key() : -1);
  out << static_cast<unsigned char>(Get_Semantic());
  out << keyInSet_;
  out << Get_Attributes();
  out << Get_Key();
  map.Mark(Get_Key());
}

ZELI_SourceWaveform* ZELI_SourceWaveform::Read(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map,
                                               ZELI_WaveformSet& waveformSet) {
  ZELI_DimensionDescriptor* y = nullptr;
  map.ReadPtr(in, y, "ZELI_SourceWaveform::Read: Y descriptor");
  unsigned char semantic = 0;
  if (in.Get_SoftwareVersion() >= 2) in >> semantic;
  auto waveform = std::make_unique<ZELI_SourceWaveform>(&waveformSet, y, semantic);
  int keyInSet = -1;
  in >> keyInSet;
  if (keyInSet < 0) throw ZELI_FailedException("ZELI_SourceWaveform::Read: key in set");
  waveform->keyInSet_ = keyInSet;
  if (in.Get_SoftwareVersion() < 2) {
    int discarded = 0;
    in >> discarded;
  }
  in >> waveform->Attributes();
  int key = -1;
  in >> key;
  map.Insert(key, waveform.get());
  waveform->Set_Key(key);
  return waveform.release();
}
