// ZELI_WfSegmentView: what a waveform segment asks of the data view that
// shows it. Data views live in a layer above and implement this; a segment
// read straight from a waveform, or by a reader, has no view and shows its
// own X and Y values in their types' default text.
#ifndef ZEL_ACCESS_WF_SEGMENT_VIEW_H
#define ZEL_ACCESS_WF_SEGMENT_VIEW_H

#include "access/wf_segment.h"
#include "zel/zel.h"

class ZELI_WfSegmentView {
 public:
  // A caller's conversion of one value to text: a malloc'd string (freed by
  // the segment with free); userData is handed back unchanged.
  using ConversionFunction = char* (*)(void* userData, void* value);

  // How the texts of one display axis are made.
  struct TextRule {
    // False when the axis is formed from neither X nor Y data: its texts
    // are handed out unfilled.
    bool filled = true;
    // The segment's buffer whose values become text.
    ZELI_WfSegment::Axis values = ZELI_WfSegment::Y_AXIS;
    zel_conversion_t conversion = ZEL_CONVERT_DEFAULT;
    // ZEL_CONVERT_FUNCTION: the function and its user data.
    ConversionFunction function = nullptr;
    void* userData = nullptr;
  };

  // The rule of display axis -2 (Y) or -1 (X); finishes the view's pending
  // operations first.
  virtual TextRule Get_TextRule(int displayAxis) = 0;

 protected:
  ~ZELI_WfSegmentView() = default;
};

#endif  // ZEL_ACCESS_WF_SEGMENT_VIEW_H
