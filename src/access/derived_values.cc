// The values of derived waveforms, computed from the waveform segments of
// their field waveforms (declared in waveforms/derived_values.h).
//
// Subelement: the field is extracted from every composite value of the
// source waveform; an enumeration field keeps only the points where it
// changes (and the last point). Composite: when the fields share their X
// values, the composite values are packed over that X axis, which stays the
// first field's; otherwise the fields are merged onto a common X axis.
//
// Every field segment is read through ZELI_ReadWfSegment and deleted here;
// the cached arrays of theirs that an owner keeps are listed as sources of
// the result (one reference each), so that the derived waveform can tell
// when the stored values change.
#include <cstring>
#include <memory>
#include <vector>

#include "access/merge_pack.h"
#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "access/wf_segment_read.h"
#include "errors/exceptions.h"
#include "model/cached_array.h"
#include "model/container.h"
#include "model/data_information.h"
#include "model/segment.h"
#include "types/type.h"
#include "types/typed_values.h"
#include "waveforms/derived_values.h"
#include "waveforms/derived_waveform.h"

namespace {

using SegmentPtr = std::unique_ptr<ZELI_WfSegment>;

// The waveform segment of a field waveform, which must have one leg
// (else ZEL_FAILED with oneLeg).
SegmentPtr ReadField(ZELI_Waveform& waveform, ZELI_Segment& segment, const char* oneLeg) {
  SegmentPtr read(ZELI_ReadWfSegment(waveform, segment));
  if (read->Get_LegCount() != 1) throw ZELI_FailedException(oneLeg);
  return read;
}

// Lists the cached arrays behind a field segment as sources.
void AddSources(ZELI_DerivedSources& sources, ZELI_Cache& cache, const ZELI_WfSegment& read) {
  for (const ZELI_WfDataArray* array : {read.Get_XDataArray_p(), read.Get_YDataArray_p()}) {
    sources.Add(cache, array->Get_DirectArray_p());
    sources.Add(cache, array->Get_IndexArray_p());
    sources.Add(cache, array->Get_ValueArray_p());
  }
  sources.Add(cache, read.Get_OrderArray_p());
}

// Calls visit(first point, count, X buffer, Y buffer) for every buffer of
// leg 0, in order; a buffer of no points is a failure (ZEL_FAILED with
// emptyBuffer).
template <typename Visit>
void WalkBuffers(ZELI_WfSegment& read, const char* emptyBuffer, Visit visit) {
  const unsigned n = read.PointCount(0);
  for (unsigned p = 0; p < n;) {
    const unsigned count = read.Setup_Buffer(0, p);
    if (count == 0) throw ZELI_FailedException(emptyBuffer);
    visit(p, count, read.Get_XBuffer(), read.Get_YBuffer());
    p += count;
  }
}

// A new summary of count values of type: monotonicity and extremes
// determined for a scalar type (composite types carry neither).
std::unique_ptr<ZELI_DataInformation> Summary(ZELI_Type* type, const void* values, unsigned count) {
  auto information = std::make_unique<ZELI_DataInformation>(type);
  if (type->IsScalar()) information->DetermineMonMinMax(values, count);
  return information;
}

// Equality of two Y values of a scalar enumeration of stored size `size`
// (1, 2 or 4 bytes): as whole integers of that size.
bool SameEnumerationValue(const unsigned char* a, const unsigned char* b, unsigned size) {
  return std::memcmp(a, b, size) == 0;
}

// Keeps point 0, every point whose Y differs from the last kept one, and the
// last point, into xOut and yOut (room for n values each), and sets m to the
// number kept. Only a Y type that is a scalar enumeration of stored size 1,
// 2 or 4 is filtered; for any other m is n and nothing is copied.
void FilterDuplicateWfData(const ZELI_Type& xType, const ZELI_Type& yType, const void* x, const void* y, unsigned n,
                           void* xOut, void* yOut, unsigned& m) {
  const unsigned size = yType.Get_SizeOf();
  if (yType.Get_DataType() != ZEL_ENUMERATION || (size != 1 && size != 2 && size != 4)) {
    m = n;
    return;
  }
  m = 0;
  if (n == 0) return;
  const auto* values = static_cast<const unsigned char*>(y);
  auto* kept = static_cast<unsigned char*>(yOut);
  const unsigned char* last = values;
  auto keep = [&](unsigned i) {
    xType.CopyData(xOut, m, x, i);
    std::memcpy(kept + static_cast<size_t>(size) * m, values + static_cast<size_t>(size) * i, size);
    ++m;
  };
  keep(0);
  for (unsigned i = 1; i < n; ++i) {
    const unsigned char* value = values + static_cast<size_t>(size) * i;
    if (!SameEnumerationValue(value, last, size)) {
      keep(i);
      last = value;
    } else if (i == n - 1) {
      keep(i);
    }
  }
}

// Takes over count values of type at data (freed here should that fail).
std::unique_ptr<ZELI_TypedValues> Adopt(ZELI_Type* type, unsigned count, void* data) {
  try {
    return std::make_unique<ZELI_TypedValues>(type, count, data);
  } catch (...) {
    type->FreeData(data, count);
    throw;
  }
}

// count values of type, trimmed from a buffer of capacity values (taken
// over) to exactly count.
std::unique_ptr<ZELI_TypedValues> Trimmed(ZELI_Type* type, ZELI_TypedValues& buffer, unsigned capacity,
                                          unsigned count) {
  void* trimmed = type->ReallocData(buffer.Get(), count, capacity);
  buffer.Release();
  return Adopt(type, count, trimmed);
}

}  // namespace

ZELI_DerivedValues ZELI_ComputeDerived::Subelement(const ZELI_SubelementWaveform& waveform, ZELI_Segment& segment) {
  static const char* const oneLeg = "ZELI_SubelementWaveform::Get_CachedArray_p: 1";
  static const char* const emptyBuffer = "ZELI_SubelementWaveform::Get_CachedArray_p";
  const ZELI_FieldLocation& field = waveform.Get_Field();
  ZELI_Type* xType = waveform.Get_XType_p();
  ZELI_Type* yType = waveform.Get_YType_p();
  if (xType == nullptr || yType == nullptr) throw ZELI_FailedException("ZELI_SubelementWaveform: no type");
  SegmentPtr read = ReadField(*field.waveform, segment, oneLeg);
  const ZELI_Type* sourceType = read->Get_YType_p();
  if (read->Get_XSizeOf() != xType->Get_SizeOf()) throw ZELI_FailedException("ZELI_SubelementWaveform: X type");

  const unsigned n = read->PointCount(0);
  ZELI_DerivedValues values;
  values.x = std::make_unique<ZELI_TypedValues>(xType, n);
  values.y = std::make_unique<ZELI_TypedValues>(yType, n);
  WalkBuffers(*read, emptyBuffer, [&](unsigned p, unsigned count, const void* x, const void* y) {
    xType->CopyData(values.x->At(p), x, count);
    sourceType->UnpackData(y, count, *yType, field.offset, values.y->At(p));
  });

  // An enumeration field usually changes at few of the source's points:
  // only those are kept.
  const bool filtered = yType->Get_DataType() == ZEL_ENUMERATION;
  if (filtered && n > 0) {
    auto xKept = std::make_unique<ZELI_TypedValues>(xType, n);
    auto yKept = std::make_unique<ZELI_TypedValues>(yType, n);
    unsigned m = n;
    FilterDuplicateWfData(*xType, *yType, values.x->Get(), values.y->Get(), n, xKept->Get(), yKept->Get(), m);
    if (m != n) {
      values.x = Trimmed(xType, *xKept, n, m);
      values.y = Trimmed(yType, *yKept, n, m);
    }
    values.count = m;
  } else {
    values.count = n;
  }
  values.xInformation = Summary(xType, values.x->Get(), values.count);
  values.yInformation = Summary(yType, values.y->Get(), values.count);
  AddSources(values.sources, segment.Get_Container_p()->Get_Cache(), *read);
  return values;
}

ZELI_DerivedValues ZELI_ComputeDerived::Composite(const ZELI_CompositeWaveform& waveform, ZELI_Segment& segment) {
  static const char* const oneLeg = "ZELI_CompositeWaveform::Get_CachedArray_p: 1";
  static const char* const emptyBuffer = "ZELI_CompositeWaveform::Get_CachedArray_p";
  const std::vector<ZELI_FieldLocation>& fields = waveform.Get_Fields();
  ZELI_Type* xType = waveform.Get_XType_p();
  ZELI_Type* yType = waveform.Get_YType_p();
  if (xType == nullptr || yType == nullptr) throw ZELI_FailedException("ZELI_CompositeWaveform: no type");

  std::vector<SegmentPtr> reads;
  std::vector<ZELI_WfSegment*> segments;
  reads.reserve(fields.size());
  segments.reserve(fields.size());
  for (const ZELI_FieldLocation& field : fields) {
    reads.push_back(ReadField(*field.waveform, segment, oneLeg));
    segments.push_back(reads.back().get());
  }

  ZELI_PackedValues packed = ZELI_PackFields(segments, fields, xType, *yType, emptyBuffer);
  ZELI_DerivedValues values;
  values.count = packed.count;
  values.y = std::move(packed.y);
  if (packed.x != nullptr) {
    // Merged: the X values are the composite's own.
    values.x = std::move(packed.x);
    values.xInformation = Summary(xType, values.x->Get(), values.count);
  }
  values.yInformation = Summary(yType, values.y->Get(), values.count);
  ZELI_Cache& cache = segment.Get_Container_p()->Get_Cache();
  for (const ZELI_WfSegment* read : segments) AddSources(values.sources, cache, *read);
  return values;
}
