// ZELI_WaveformSet. Segments, waveforms and the hierarchy arrive with their
// implementations.
#include "model/waveform_set.h"

#include "errors/exceptions.h"
#include "model/dimension_descriptor.h"
#include "model/parameter.h"

ZELI_WaveformSet::ZELI_WaveformSet(ZELI_Container& container, const char* name, ZELI_DimensionDescriptor* xDescriptor,
                                   unsigned count, ZELI_Parameter* const* parameters)
    : container_(container), name_(name), xDescriptor_(xDescriptor), parameters_(count, nullptr) {
  if (parameters != nullptr) parameters_.assign(parameters, parameters + count);
}

ZELI_WaveformSet::~ZELI_WaveformSet() = default;

bool ZELI_WaveformSet::operator==(const ZELI_WaveformSet& other) const {
  return xDescriptor_ == other.xDescriptor_ && parameters_ == other.parameters_;
}

ZELI_WaveformSet* ZELI_WaveformSet::CopyToContainer(ZELI_Container&) const {
  throw ZELI_FailedException("Unimplemented: ZELI_WaveformSet::CopyToContainer");
}

void ZELI_WaveformSet::Write(ZELI_Ostream&, ZELI_KeyMap<ZELI_ExternalBase>&) const {
  throw ZELI_FailedException("Unimplemented: ZELI_WaveformSet::Write");
}

ZELI_WaveformSet* ZELI_WaveformSet::Read(ZELI_Istream&, ZELI_KeyMap<ZELI_ExternalBase>&, ZELI_Container&) {
  throw ZELI_FailedException("Unimplemented: ZELI_WaveformSet::Read");
}

void ZELI_WaveformSet::WriteDataStores() {}
void ZELI_WaveformSet::ReadDataStores() {}
