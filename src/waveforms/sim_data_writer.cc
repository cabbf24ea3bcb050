// ZEL_SimWfDataWriter: the data writer of one waveform of a simulation
// result subset. Subsets allocate them in slabs registered as live (see
// data_writer_support.h); a slot of a live slab that was not handed out yet
// has no subset and is not live.
//
// EnterValue is ZELI_EnterSimValue (sim_result_writer.h) in the guard that
// turns library failures into ZEL_Exception.
#include "waveforms/sim_result_writer.h"

ZEL_SimWfDataWriter::ZEL_SimWfDataWriter() noexcept = default;

bool ZEL_SimWfDataWriter::IsLive(const ZEL_SimWfDataWriter* p) noexcept { return ZELI_IsLive(p); }

void ZEL_SimWfDataWriter::EnterValue(const void* value) {
  ZELI_GuardDataWriter([&] { ZELI_EnterSimValue(*this, value); });
}

void ZEL_SimWfDataWriter::Set_Monotonicity(zel_monotonicity_t monotonicity) {
  ZELI_GuardDataWriter([&] { ZELI_SetWaveformMonotonicity(*dataSet, position, monotonicity); });
}

void ZEL_SimWfDataWriter::Set_DataSpacing(zel_dataSpacing_t spacing) {
  ZELI_GuardDataWriter([&] { ZELI_SetWaveformDataSpacing(*dataSet, position, spacing); });
}

void ZEL_SimWfDataWriter::Set_MinMax(const void* min, const void* max) {
  ZELI_GuardDataWriter([&] { ZELI_SetWaveformMinMax(*dataSet, position, min, max); });
}

void ZEL_SimWfDataWriter::Unset_MinMax() {
  ZELI_GuardDataWriter([&] { ZELI_UnsetWaveformMinMax(*dataSet, position); });
}
