// What a waveform segment is made of, as the waveforms layer reads it: where
// a waveform's values in one segment are (ZELI_WfSegmentSource: stored in a
// data set, or computed by a derived waveform), and the cached arrays a data
// set read for its X and Y sides (ZELI_WfSegmentXParts,
// ZELI_WfSegmentYParts). The access layer builds its data arrays and
// waveform segments over them (access/wf_segment_read.h); nothing here
// knows those classes.
//
// References: the parts hold none. Every array in them is listed in the
// container's cache, either kept by its data set (locatable) or made for
// this read alone (unlocatable, unreferenced: garbage for the cache's next
// collection). So whoever reads parts builds over them at once, before
// anything else is read into or collected from the cache, and takes its own
// reference on each array it keeps: the data arrays' constructors take theirs
// on values and index, and the builder of the X side takes the one on the
// order array that the waveform segment holds, and drops it again should the
// X side not be made. When a read fails before that, nothing is to be
// released: the arrays are the cache's to delete.
#ifndef ZEL_WAVEFORMS_WF_SEGMENT_PARTS_H
#define ZEL_WAVEFORMS_WF_SEGMENT_PARTS_H

#include "zel/zel.h"

class ZELI_CachedArray;
class ZELI_DataSet;

// The X side of a waveform segment. Without index, values holds exactly the
// waveform's points; with index, values holds every X value of the shared X
// set and point i is value index[i] (index: one 4-byte value number per
// point). order is null unless the interpolation is POLYNOMIAL with stored
// orders, then one order (0, 1 or 2) per point.
struct ZELI_WfSegmentXParts {
  ZELI_CachedArray* values = nullptr;
  ZELI_CachedArray* index = nullptr;
  zel_interpolation_t interpolation = ZEL_INTERPOLATION_NONE;
  ZELI_CachedArray* order = nullptr;
};

// Where the values of one waveform in one segment are, with the segment's
// index in its waveform set (which the waveform segment carries).
//  - A stored waveform: the data set and the waveform's position in it,
//    which read both sides.
//  - A derived waveform: computedY, the Y values it computed (kept by it,
//    so locatable); the X side either computed too (computedX.values set)
//    or the stored X side of dataSet at position (the field's whose X axis
//    the values share).
struct ZELI_WfSegmentSource {
  ZELI_DataSet* dataSet = nullptr;  // not owned; null when both sides are computed
  unsigned position = 0;
  unsigned segmentIndex = 0;
  ZELI_CachedArray* computedY = nullptr;
  ZELI_WfSegmentXParts computedX;
};

// The Y side of a waveform segment: one value per point.
struct ZELI_WfSegmentYParts {
  ZELI_CachedArray* values = nullptr;
};

#endif  // ZEL_WAVEFORMS_WF_SEGMENT_PARTS_H
