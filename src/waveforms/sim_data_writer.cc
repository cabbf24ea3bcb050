// ZEL_SimWfDataWriter: the data writer of one waveform of a simulation
// result subset. Subsets allocate them in slabs registered as live (see
// data_writer_support.h); a slot of a live slab that was not handed out yet
// has no subset and is not live.
//
// EnterValue is the one call a simulator makes per waveform and front: it
// checks the subset's front and the waveform's presence bit, then hands the
// value to the data set, and sets the bit only once the value is in, so a
// failing call leaves the front as it was.
#include "errors/exceptions.h"
#include "store/bitset.h"
#include "waveforms/data_set.h"
#include "waveforms/data_writer_support.h"
#include "waveforms/front_data_sets.h"
#include "waveforms/sim_result_writer.h"

ZEL_SimWfDataWriter::ZEL_SimWfDataWriter() noexcept = default;

bool ZEL_SimWfDataWriter::IsLive(const ZEL_SimWfDataWriter* p) noexcept { return ZELI_IsLive(p); }

void ZEL_SimWfDataWriter::EnterValue(const void* value) {
  ZELI_GuardDataWriter([&] {
    if (!subset->IsFrontActive()) throw ZELI_FailedException("The data front is not active.");
    ZELI_RequireDataWriterArgument(value, "value");
    if (presence->Test(position)) throw ZELI_FailedException("The waveform already has a value.");
    if (ZELI_AnalogFrontDataSet* analog = subset->Get_AnalogDataSet_p()) {
      analog->EnterFrontValue(position, value);
    } else {
      dataSet->EnterValues(position, value, 1);
    }
    presence->Set(position);
  });
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
