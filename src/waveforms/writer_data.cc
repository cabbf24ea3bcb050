// ZEL_WfDataWriter: the data writer of one waveform of a writer. Each is
// registered as live (data_writer_support.h) from its creation by the
// writer until its destructor.
//
// The members check the writer's state before touching the data set (values
// only inside a data front, arrays only in array writing), then every
// argument, then enter the values: a failing call leaves the data set as it
// was. They turn library failures into ZEL_Exception with the same status
// and message.
#include "errors/exceptions.h"
#include "store/bitset.h"
#include "waveforms/data_set.h"
#include "waveforms/data_writer_support.h"
#include "waveforms/writer.h"

void ZELI_RegisterDataWriter(const ZEL_WfDataWriter* dataWriter) {
  ZELI_RegisterDataWriters(dataWriter, 1, sizeof(ZEL_WfDataWriter), ZELI_DataWriterKind::FRONT);
}

bool ZEL_WfDataWriter::IsLive(const ZEL_WfDataWriter* p) noexcept { return ZELI_IsLive(p); }

ZEL_WfDataWriter::ZEL_WfDataWriter() noexcept = default;

ZEL_WfDataWriter::~ZEL_WfDataWriter() { ZELI_UnregisterDataWriters(this); }

void ZEL_WfDataWriter::EnterValue(const void* value, int order) {
  ZELI_GuardDataWriter([&] {
    if (writer->Get_State() != ZELI_Writer::IN_FRONT) {
      throw ZELI_FailedException("EnterValue called outside a data front");
    }
    ZELI_RequireArgument(value, "value is null");
    if (presence != nullptr && presence->Test(bitNumber)) {
      throw ZELI_FailedException("The waveform already has a value.");
    }
    dataSet->CheckOrders(&order, 1);
    dataSet->EnterValues(position, value, 1);
    dataSet->EnterOrders(&order, 1);
    if (presence != nullptr) presence->Set(bitNumber);
  });
}

namespace {

// The common part of the two append members; enter is the values' entry.
template <typename Enter>
void Append(ZEL_WfDataWriter& w, unsigned count, const void* values, const int* orders, const int* xIndices,
            Enter&& enter) {
  ZELI_GuardDataWriter([&] {
    if (w.writer->Get_State() != ZELI_Writer::ARRAY_WRITING) {
      throw ZELI_FailedException("AppendArrays called outside array writing");
    }
    if (count == 0) return;
    ZELI_RequireArgument(values, "values is null");
    w.dataSet->CheckOrders(orders, count);
    w.dataSet->CheckXIndices(xIndices, count);
    enter();
    w.dataSet->EnterOrders(orders, count);
    w.dataSet->EnterXIndices(xIndices, count);
  });
}

}  // namespace

void ZEL_WfDataWriter::AppendArrays(unsigned count, const void* values, const int* orders, const int* xIndices) {
  Append(*this, count, values, orders, xIndices, [&] { dataSet->EnterValues(position, values, count); });
}

void ZEL_WfDataWriter::AppendArraysSimp(unsigned count, const void* values, const int* orders, const int* xIndices,
                                        zel_bool_t simple) {
  Append(*this, count, values, orders, xIndices,
         [&] { dataSet->EnterValuesSimp(position, values, count, simple); });
}

void ZEL_WfDataWriter::Set_Monotonicity(zel_monotonicity_t monotonicity) {
  ZELI_GuardDataWriter([&] { ZELI_SetWaveformMonotonicity(*dataSet, position, monotonicity); });
}

void ZEL_WfDataWriter::Set_DataSpacing(zel_dataSpacing_t spacing) {
  ZELI_GuardDataWriter([&] { ZELI_SetWaveformDataSpacing(*dataSet, position, spacing); });
}

void ZEL_WfDataWriter::Set_InterpolationType(zel_interpolation_t interpolation) {
  ZELI_GuardDataWriter([&] {
    if (interpolation == ZEL_INTERPOLATION_MIXED || interpolation == ZEL_INTERPOLATION_DEFAULT) {
      throw ZELI_BadArgException("Explicitly setting MIXED/DEFAULT interpolationType");
    }
    if (interpolation < ZEL_INTERPOLATION_NONE || interpolation > ZEL_INTERPOLATION_POLYNOMIAL) {
      throw ZELI_BadArgException("Invalid interpolation type");
    }
    dataSet->Set_InterpolationType(interpolation);
    dataSet->Set_DataStoreDirty();
  });
}

void ZEL_WfDataWriter::Set_MinMax(const void* min, const void* max) {
  ZELI_GuardDataWriter([&] { ZELI_SetWaveformMinMax(*dataSet, position, min, max); });
}

void ZEL_WfDataWriter::Unset_MinMax() {
  ZELI_GuardDataWriter([&] { ZELI_UnsetWaveformMinMax(*dataSet, position); });
}
