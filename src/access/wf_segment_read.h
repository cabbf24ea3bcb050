// Reading a waveform's values in one segment into a new waveform segment:
// the waveform says where they are stored, its data set reads them into
// cached arrays (waveforms/wf_segment_parts.h), and the data arrays and
// the segment are built over those here.
#ifndef ZEL_ACCESS_WF_SEGMENT_READ_H
#define ZEL_ACCESS_WF_SEGMENT_READ_H

class ZELI_Segment;
class ZELI_Waveform;
class ZELI_WfSegment;

// A new waveform segment over the cached arrays of the data set that holds
// waveform in segment; the caller owns it. Fails as the waveform and its
// data set do: ZEL_NOT_FOUND "The waveform has no data", ZEL_BAD_ARG for a
// segment of another waveform set, ZEL_FAILED for damaged or truncated
// data, and for the derived kinds, whose computed values are not read yet.
ZELI_WfSegment* ZELI_ReadWfSegment(ZELI_Waveform& waveform, ZELI_Segment& segment);

#endif  // ZEL_ACCESS_WF_SEGMENT_READ_H
