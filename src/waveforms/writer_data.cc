// ZEL_WfDataWriter: the data writer of one waveform of a writer, and the
// registry of live data writers through which the exported functions tell a
// stale pointer from a live one.
//
// The members check the writer's state before touching the data set (values
// only inside a data front, arrays only in array writing), then every
// argument, then enter the values: a failing call leaves the data set as it
// was. They turn library failures into ZEL_Exception with the same status
// and message.
#include <new>
#include <unordered_set>

#include "errors/exceptions.h"
#include "store/bitset.h"
#include "waveforms/data_set.h"
#include "waveforms/writer.h"

namespace {

// Never destroyed: data writers may outlive static destruction (containers
// left open are closed by the interface object at exit).
std::unordered_set<const ZEL_WfDataWriter*>& Registry() {
  static auto* registry = new std::unordered_set<const ZEL_WfDataWriter*>();
  return *registry;
}

template <typename Body>
void Guarded(Body&& body) {
  try {
    body();
  } catch (const ZEL_Exception&) {
    throw;
  } catch (const ZELI_Exception& e) {
    throw ZEL_Exception(e.what(), e.status);
  } catch (const std::bad_alloc&) {
    throw ZEL_Exception("Out of memory", ZEL_BAD_ALLOC);
  } catch (...) {
    throw ZEL_Exception("Unknown exception in ZEL", ZEL_UNKNOWN_EXCEPTION);
  }
}

void RequirePointer(const void* p, const char* what) {
  if (p == nullptr) throw ZELI_BadArgException(ZELI_Message() << what << " is null");
}

}  // namespace

void ZELI_RegisterDataWriter(const ZEL_WfDataWriter* dataWriter) { Registry().insert(dataWriter); }

bool ZEL_WfDataWriter::IsLive(const ZEL_WfDataWriter* p) noexcept {
  try {
    return p != nullptr && Registry().count(p) != 0;
  } catch (...) {
    return false;
  }
}

ZEL_WfDataWriter::ZEL_WfDataWriter() noexcept = default;

ZEL_WfDataWriter::~ZEL_WfDataWriter() {
  try {
    Registry().erase(this);
  } catch (...) {
  }
}

void ZEL_WfDataWriter::EnterValue(const void* value, int order) {
  Guarded([&] {
    if (writer->Get_State() != ZELI_Writer::IN_FRONT) {
      throw ZELI_FailedException("EnterValue called outside a data front");
    }
    RequirePointer(value, "value");
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
  Guarded([&] {
    if (w.writer->Get_State() != ZELI_Writer::ARRAY_WRITING) {
      throw ZELI_FailedException("AppendArrays called outside array writing");
    }
    if (count == 0) return;
    RequirePointer(values, "values");
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
  Guarded([&] {
    dataSet->Get_DataInformation(position).Set_Monotonicity(monotonicity);
    dataSet->Set_DataStoreDirty();
  });
}

void ZEL_WfDataWriter::Set_DataSpacing(zel_dataSpacing_t spacing) {
  Guarded([&] {
    dataSet->Get_DataInformation(position).Set_DataSpacing(spacing);
    dataSet->Set_DataStoreDirty();
  });
}

void ZEL_WfDataWriter::Set_InterpolationType(zel_interpolation_t interpolation) {
  Guarded([&] {
    if (interpolation < ZEL_INTERPOLATION_NONE || interpolation > ZEL_INTERPOLATION_POLYNOMIAL) {
      throw ZELI_BadArgException("Invalid interpolation type");
    }
    dataSet->Set_InterpolationType(interpolation);
    dataSet->Set_DataStoreDirty();
  });
}

void ZEL_WfDataWriter::Set_MinMax(const void* min, const void* max) {
  Guarded([&] {
    RequirePointer(min, "min");
    RequirePointer(max, "max");
    dataSet->Get_DataInformation(position).Set_MinMax(min, max);
    dataSet->Set_DataStoreDirty();
  });
}

void ZEL_WfDataWriter::Unset_MinMax() {
  Guarded([&] {
    dataSet->Get_DataInformation(position).Unset_MinMax();
    dataSet->Set_DataStoreDirty();
  });
}
