// Reading a waveform's values in one segment into a new waveform segment:
// the waveform says where they are (a stored waveform: its data set, which
// reads them into cached arrays, waveforms/wf_segment_parts.h; a derived
// waveform: the arrays it computed, with its field's stored X side unless
// it computed X too), and the data arrays and the segment are built over
// those here.
#ifndef ZEL_ACCESS_WF_SEGMENT_READ_H
#define ZEL_ACCESS_WF_SEGMENT_READ_H

class ZELI_Segment;
class ZELI_Waveform;
class ZELI_WfSegment;

// A new waveform segment of waveform in segment; the caller owns it. Fails
// as the waveform and its data sets do: ZEL_NOT_FOUND "The waveform has no
// data" (for a derived waveform: one of its fields has none), ZEL_BAD_ARG
// for a segment of another waveform set, ZEL_FAILED for damaged or
// truncated data and for values a derived waveform cannot compute.
ZELI_WfSegment* ZELI_ReadWfSegment(ZELI_Waveform& waveform, ZELI_Segment& segment);

#endif  // ZEL_ACCESS_WF_SEGMENT_READ_H
