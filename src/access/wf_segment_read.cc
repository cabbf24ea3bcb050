// ZELI_ReadWfSegment: the X side is read and wrapped in its data array
// first, then the Y side (a derived waveform's computed values come before
// both). The data set's X read announces the Y side's pages
// with its own, so the Y read that follows at once finds them on their way;
// and the X side's arrays hold their references before the Y read adds to
// the cache (or lets kept arrays go).
#include "access/wf_segment_read.h"

#include <memory>
#include <optional>

#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "errors/exceptions.h"
#include "model/cached_array.h"
#include "model/container.h"
#include "model/segment.h"
#include "waveforms/data_set.h"
#include "waveforms/shared_x_set.h"
#include "waveforms/waveform.h"
#include "waveforms/wf_segment_parts.h"

namespace {

// The X data array over parts (indexed when they carry an index), with the
// interpolation type and a reference of its own on the order array. The
// reference is taken first, so that should anything here fail, an order
// array made for this read alone goes at once with its release.
std::unique_ptr<ZELI_WfSegmentXData> BuildXData(ZELI_Container& container, const ZELI_WfSegmentXParts& parts) {
  if (parts.order != nullptr) parts.order->IncrementReferenceCount();
  try {
    std::unique_ptr<ZELI_WfDataArray> x(parts.index != nullptr
                                            ? new ZELI_WfDataArray(container, parts.index, parts.values)
                                            : new ZELI_WfDataArray(container, parts.values));
    auto xData = std::make_unique<ZELI_WfSegmentXData>(x.get(), parts.interpolation, parts.order);
    x.release();
    return xData;
  } catch (...) {
    ZELI_ReleaseCachedArray(container.Get_Cache(), parts.order);
    throw;
  }
}

}  // namespace

ZELI_WfSegment* ZELI_ReadWfSegment(ZELI_Waveform& waveform, ZELI_Segment& segment) {
  // A derived waveform computes its values here (kept by it, so they stay
  // while the X side is read).
  const ZELI_WfSegmentSource source = waveform.Get_WfSegmentSource(segment);
  ZELI_Container& container = *segment.Get_Container_p();
  if (source.computedX.values == nullptr && source.dataSet == nullptr) {
    throw ZELI_FailedException("ZELI_ReadWfSegment: no X side");
  }
  // The data store's file and arrays stay open across both sides: each
  // side would otherwise open and close them on its own.
  std::optional<ZELI_SharedXSetReading> reading;
  if (source.dataSet != nullptr && (source.computedX.values == nullptr || source.computedY == nullptr)) {
    reading.emplace(*source.dataSet->Get_SharedXSet_p());
  }
  std::unique_ptr<ZELI_WfSegmentXData> x =
      BuildXData(container, source.computedX.values != nullptr ? source.computedX
                                                               : source.dataSet->Get_WfSegmentXData(source.position));
  ZELI_CachedArray* y = source.computedY;
  if (y == nullptr) y = source.dataSet->Get_WfSegmentYData(source.position).values;
  std::unique_ptr<ZELI_WfDataArray> yArray(new ZELI_WfDataArray(container, y));
  if (reading) reading->Close();
  // The waveform segment takes both over, also when its construction fails.
  return new ZELI_WfSegment(source.segmentIndex, x.release(), yArray.release());
}
