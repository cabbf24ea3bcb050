/* Choosing and reading the waveforms of a waveform set; see signals.h. */
#define _POSIX_C_SOURCE 200809L
#include "signals.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "commands.h"
#include "tool_support.h"

static int add_signal(zel_session_t s, zel_signal_list* list, zel_waveform_t waveform, const char* label,
                      int derived) {
  if (list->count == list->capacity) {
    unsigned capacity = list->capacity ? 2 * list->capacity : 16;
    zel_signal* items = realloc(list->items, capacity * sizeof *items);
    if (items == NULL) return 0;
    list->items = items;
    list->capacity = capacity;
  }
  zel_status_t st;
  zel_signal* item = &list->items[list->count];
  item->waveform = waveform;
  item->derived = derived;
  item->yType = ZEL_GetWaveformYType(s, waveform, &st);
  if (st != ZEL_OK) return 0;
  item->label = strdup(label);
  return list->items[list->count++].label != NULL;
}

void zel_free_signals(zel_signal_list* list) {
  for (unsigned i = 0; i < list->count; ++i) free(list->items[i].label);
  free(list->items);
  list->items = NULL;
  list->count = list->capacity = 0;
}

/* Whether a node lies inside a stored composite signal (an ancestor has a
 * stored waveform): its values are part of that waveform's. */
static int inside_stored(zel_session_t s, zel_nodeIterator_t up, zel_hierarchyNode_t node) {
  zel_status_t st;
  ZEL_ResetNodeIteratorNode(s, up, node, &st);
  for (zel_hierarchyNode_t a = st == ZEL_OK ? ZEL_GetFirstNode(s, up, &st) : ZEL_NullHierarchyNode;
       st == ZEL_OK && !ZEL_IsHierarchyNodeNull(a); a = ZEL_GetNextNode(s, up, &st)) {
    zel_status_t own;
    if (ZEL_HierarchyNodeHasSourceWaveform(s, a, &own) && own == ZEL_OK) return 1;
  }
  return 0;
}

static int collect_all(zel_session_t s, zel_waveformSet_t set, zel_signal_list* list) {
  zel_status_t st;
  /* Failures name the set. */
  const char* setName = ZEL_GetWaveformSetName(s, set, &st);
  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, set, &st);
  if (st != ZEL_OK) return zel_fail(setName);
  zel_nodeIterator_t walk = ZEL_CreateNodeIterator(s, root, ZEL_ITOR_INSERTION_ORDER, ZEL_ITOR_FORWARD,
                                                   ZEL_ITOR_PREORDER, ZEL_ITOR_ENTER_BLOCKS_WAVEFORMS, &st);
  if (st != ZEL_OK) return zel_fail(setName);
  zel_nodeIterator_t up = ZEL_CreateNodeIterator(s, root, ZEL_ITOR_INSERTION_ORDER, ZEL_ITOR_FORWARD,
                                                 ZEL_ITOR_ANCESTORS, ZEL_ITOR_NA, &st);
  if (st != ZEL_OK) return zel_fail(setName);
  int rc = 0;
  for (zel_hierarchyNode_t n = ZEL_GetFirstNode(s, walk, &st); st == ZEL_OK && !ZEL_IsHierarchyNodeNull(n);
       n = ZEL_GetNextNode(s, walk, &st)) {
    zel_status_t own;
    int derived = 0;
    if (!ZEL_HierarchyNodeHasWaveform(s, n, &own) || own != ZEL_OK) {
      /* A composite without a waveform of its own is derived from stored
       * fields below it, unless it is itself a field of a stored one; one
       * that has no stored field is skipped. */
      if (ZEL_GetHierarchyNodeType(s, n, &own) != 2 || own != ZEL_OK || inside_stored(s, up, n)) continue;
      derived = 1;
    }
    zel_waveform_t w = ZEL_GetHierarchyWaveform(s, n, &own);
    if (own != ZEL_OK) {
      if (derived) continue;
      rc = zel_fail(setName);
      break;
    }
    if (!derived) derived = ZEL_HierarchyNodeHasDerivedWaveform(s, n, &own);
    char* name = ZEL_GetHierarchyNodeFullName(s, n, ZEL_HDL_SLASH, &own);
    /* Labels name waveforms as PATH arguments do: without the root. */
    int added = name != NULL && add_signal(s, list, w, name[0] == '/' ? name + 1 : name, derived);
    free(name);
    if (!added) {
      rc = zel_fail(setName);
      break;
    }
  }
  if (rc == 0 && st != ZEL_OK) rc = zel_fail(setName);
  ZEL_DeleteNodeIterator(s, walk, &st);
  ZEL_DeleteNodeIterator(s, up, &st);
  return rc;
}

static int collect_named(zel_session_t s, zel_waveformSet_t set, int count, char** paths, zel_signal_list* list) {
  zel_status_t st;
  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, set, &st);
  if (st != ZEL_OK) return zel_fail(NULL);
  for (int i = 0; i < count; ++i) {
    unsigned found = 0;
    zel_hierarchyNode_t* nodes = ZEL_GetHierarchyNodes(s, root, paths[i], ZEL_HDL_SLASH, &found, &st);
    zel_hierarchyNode_t node = found == 1 ? nodes[0] : ZEL_NullHierarchyNode;
    free(nodes);
    if (st != ZEL_OK) return zel_fail(paths[i]);
    /* A node without a waveform of its own may derive one. */
    zel_waveform_t w = found == 1 ? ZEL_GetHierarchyWaveform(s, node, &st) : ZEL_NullWaveform;
    if (found != 1 || st != ZEL_OK) return zel_error("no waveform named %s", paths[i]);
    const int derived = ZEL_HierarchyNodeHasDerivedWaveform(s, node, &st);
    /* The label a full dump would print (a leading separator dropped). */
    const char* label = paths[i][0] == '/' ? paths[i] + 1 : paths[i];
    if (st != ZEL_OK || !add_signal(s, list, w, label, derived)) return zel_fail(paths[i]);
  }
  return 0;
}

int zel_collect_signals(zel_session_t s, zel_waveformSet_t set, int count, char** paths, zel_signal_list* list) {
  return count > 0 ? collect_named(s, set, count, paths, list) : collect_all(s, set, list);
}

void zel_end_reading(zel_segment_reading* reading) {
  zel_status_t st;
  if (reading->reading) ZEL_EndReading(reading->session, reading->reader, &st);
  if (!ZEL_IsReaderNull(reading->reader)) ZEL_DeleteReader(reading->session, reading->reader, &st);
  if (!ZEL_IsViewNull(reading->view)) ZEL_DeleteView(reading->session, reading->view, &st);
  free(reading->segments);
  reading->segments = NULL;
  reading->reading = 0;
  reading->reader = ZEL_NullReader;
  reading->view = ZEL_NullView;
}

int zel_start_reading(zel_session_t s, zel_container_t c, zel_waveformSet_t set, unsigned segmentIndex,
                      const zel_signal_list* list, zel_segment_reading* reading) {
  zel_status_t st;
  reading->session = s;
  reading->view = ZEL_NullView;
  reading->reader = ZEL_NullReader;
  reading->reading = 0;
  reading->count = list->count;
  reading->segments = calloc(list->count ? list->count : 1, sizeof *reading->segments);
  if (reading->segments == NULL) return zel_error("out of memory");
  const unsigned segments = ZEL_GetSegmentCount(s, set, &st);
  if (st != ZEL_OK) return zel_fail(NULL);
  if (segmentIndex >= segments) {
    zel_end_reading(reading);
    return zel_error("waveform set %s has no segment %u (it has %u)", ZEL_GetWaveformSetName(s, set, &st),
                     segmentIndex, segments);
  }
  zel_segment_t segment = ZEL_GetSegment(s, set, segmentIndex, &st);
  if (st == ZEL_OK) reading->view = ZEL_CreateView(s, &st);
  if (st == ZEL_OK) reading->reader = ZEL_CreateReader(s, c, reading->view, &st);
  if (st != ZEL_OK) {
    zel_end_reading(reading);
    return zel_fail(NULL);
  }
  zel_wfDataReader_t* readers = calloc(list->count ? list->count : 1, sizeof *readers);
  if (readers == NULL) {
    zel_end_reading(reading);
    return zel_error("out of memory");
  }
  int rc = 0;
  for (unsigned i = 0; i < list->count && rc == 0; ++i) {
    readers[i].key = -1;
    /* Only stored waveforms can tell beforehand (derived ones fail to
     * answer): a derived one is read and skipped then when it has no data. */
    if (!list->items[i].derived && !ZEL_ExistWfSegment(s, segment, list->items[i].waveform, &st)) continue;
    readers[i] = ZEL_AddReaderWaveform(s, reading->reader, list->items[i].waveform, &st);
    if (st != ZEL_OK) rc = zel_fail(list->items[i].label);
  }
  if (rc == 0) {
    ZEL_StartReadingSegment(s, reading->reader, segment, &st);
    if (st != ZEL_OK) rc = zel_fail(NULL);
    reading->reading = rc == 0;
  }
  for (unsigned i = 0; i < list->count && rc == 0; ++i) {
    if (readers[i].key < 0) continue;
    reading->segments[i] = ZEL_GetWaveformDataWfSegment(s, readers[i], &st);
    /* A derived waveform whose fields have no data in the segment. */
    if (st == ZEL_NOT_FOUND && list->items[i].derived) reading->segments[i] = NULL;
    else if (st != ZEL_OK) rc = zel_fail(list->items[i].label);
  }
  free(readers);
  if (rc != 0) zel_end_reading(reading);
  return rc;
}

int zel_cursor_init(zel_cursor* cursor, ZEL_WfSegment* segment, unsigned xSize, unsigned ySize, const char* label) {
  zel_status_t st;
  memset(cursor, 0, sizeof *cursor);
  cursor->segment = segment;
  cursor->xSize = xSize;
  cursor->ySize = ySize;
  cursor->label = label;
  cursor->count = ZEL_GetWfSegmentLegPointCount(segment, 0, &st);
  return st == ZEL_OK ? 0 : zel_fail(label);
}

int zel_cursor_next(zel_cursor* cursor) {
  if (cursor->at + 1 < cursor->window) {
    ++cursor->at;
    cursor->x += cursor->xSize;
    cursor->y += cursor->ySize;
    return 1;
  }
  if (cursor->next >= cursor->count) return 0;
  zel_status_t st;
  cursor->window = ZEL_SetupGetWfSegmentBuffer(cursor->segment, 0, cursor->next, &st);
  cursor->x = st == ZEL_OK ? ZEL_GetWfSegmentXBuffer(cursor->segment, &st) : NULL;
  cursor->y = st == ZEL_OK ? ZEL_GetWfSegmentYBuffer(cursor->segment, &st) : NULL;
  if (st != ZEL_OK || cursor->window == 0) {
    zel_fail(cursor->label);
    return -1;
  }
  cursor->next += cursor->window;
  cursor->at = 0;
  return 1;
}
