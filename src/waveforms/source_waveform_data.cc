// ZELI_SourceWaveform: per-segment queries, answered by the data set that
// holds the waveform in the segment (located through the segment's waveform
// locator by the waveform's key in set).
#include "errors/exceptions.h"
#include "model/segment.h"
#include "model/waveform_set.h"
#include "waveforms/data_set.h"
#include "waveforms/shared_x_set.h"
#include "waveforms/waveform.h"

// The locator is indexed by key in set: a waveform of another set would
// find a stranger's data there.
void ZELI_SourceWaveform::Locate(ZELI_Segment& segment, ZELI_WaveformDataLocation& location) const {
  if (segment.Get_WaveformSet_p() != Get_WaveformSet_p()) {
    throw ZELI_BadArgException("The waveform and the segment belong to different waveform sets.");
  }
  if (!segment.Get_WaveformLocation(keyInSet_, location)) throw ZELI_NotFoundException("The waveform has no data");
}

ZELI_DataSet* ZELI_SourceWaveform::DataSetAt(ZELI_Segment& segment, const ZELI_WaveformDataLocation& location) {
  ZELI_SharedXSet* xSet = segment.Get_SharedXSet_p(location.sharedXSetIndex);
  // A store that could not be read is what keeps the set from being here.
  if (xSet == nullptr) segment.ThrowDataStoreDamage();
  ZELI_DataSet* dataSet = xSet != nullptr ? xSet->Get_DataSet_p(location.dataSetIndex) : nullptr;
  // A store not loaded (or collected) holds no readable data.
  if (dataSet == nullptr) throw ZELI_NotFoundException("The waveform has no data");
  return dataSet;
}

ZELI_DataSet* ZELI_SourceWaveform::Get_DataSet_p(ZELI_Segment& segment) {
  ZELI_WaveformDataLocation location;
  Locate(segment, location);
  return DataSetAt(segment, location);
}

const ZELI_DataInformation& ZELI_SourceWaveform::Get_XDataInformation(ZELI_Segment& segment) {
  return Get_DataSet_p(segment)->Get_SharedXSet_p()->Get_XDataInformation();
}

const ZELI_DataInformation& ZELI_SourceWaveform::Get_YDataInformation(ZELI_Segment& segment) {
  ZELI_WaveformDataLocation location;
  Locate(segment, location);
  return DataSetAt(segment, location)->Get_DataInformation(location.position);
}

unsigned ZELI_SourceWaveform::Get_PointCount(ZELI_Segment& segment) {
  ZELI_WaveformDataLocation location;
  Locate(segment, location);
  return DataSetAt(segment, location)->Get_PointCount(location.position);
}

zel_interpolation_t ZELI_SourceWaveform::Get_XInterpolationType(ZELI_Segment& segment) {
  return Get_DataSet_p(segment)->Get_InterpolationType();
}

ZELI_WfSegmentSource ZELI_SourceWaveform::Get_WfSegmentSource(ZELI_Segment& segment) {
  ZELI_WaveformDataLocation location;
  Locate(segment, location);
  ZELI_WfSegmentSource source;
  source.dataSet = DataSetAt(segment, location);
  source.position = location.position;
  source.segmentIndex = Get_WaveformSet_p()->Get_SegmentIndexFromParIds(segment.Get_ParIds());
  return source;
}
