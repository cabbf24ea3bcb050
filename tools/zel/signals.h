/* The waveforms a command reads from one waveform set: chosen by path or
 * every one in hierarchy order, then read segment by segment through a
 * reader, point by point with cursors. */
#ifndef ZEL_TOOLS_SIGNALS_H
#define ZEL_TOOLS_SIGNALS_H

#include "zel/zel.h"

typedef struct {
  zel_waveform_t waveform;
  char* label;     /* the path without the root; malloc'd */
  int derived;     /* computed by the library from stored waveforms */
  zel_type_t yType;
} zel_signal;

typedef struct {
  zel_signal* items;
  unsigned count;
  unsigned capacity;
} zel_signal_list;

/* The waveforms named by paths (count > 0), or every waveform of the
 * hierarchy: the stored ones and the composites assembled from stored
 * fields (the fields inside a stored composite are left out, its values
 * show them). Returns 0, or 1 after an error message. */
int zel_collect_signals(zel_session_t s, zel_waveformSet_t set, int count, char** paths, zel_signal_list* list);
void zel_free_signals(zel_signal_list* list);

/* One segment read through a reader: segments[i] is the data of signal i,
 * null when it has none in the segment. */
typedef struct {
  zel_session_t session;
  zel_view_t view;
  zel_reader_t reader;
  int reading;
  ZEL_WfSegment** segments;
  unsigned count;
} zel_segment_reading;

/* Starts reading segment segmentIndex of set for every signal of list.
 * Returns 0, or 1 after an error message (reading is then ended). */
int zel_start_reading(zel_session_t s, zel_container_t c, zel_waveformSet_t set, unsigned segmentIndex,
                      const zel_signal_list* list, zel_segment_reading* reading);
void zel_end_reading(zel_segment_reading* reading);

/* Walks the points of one waveform segment (leg 0), window by window. */
typedef struct {
  ZEL_WfSegment* segment;
  unsigned xSize, ySize;
  unsigned count;  /* points of the leg */
  unsigned next;   /* first point of the next window */
  unsigned window, at;
  const char* x;   /* the current point's values */
  const char* y;
  const char* label;
} zel_cursor;

/* 0 on success, 1 after an error message. */
int zel_cursor_init(zel_cursor* cursor, ZEL_WfSegment* segment, unsigned xSize, unsigned ySize, const char* label);
/* Moves to the next point: 1 when there is one (x and y point at it), 0 at
 * the end, -1 after an error message. */
int zel_cursor_next(zel_cursor* cursor);

#endif
