/* zel dump CONTAINER WAVEFORM_SET [PATH...] [--segment N]: the X and Y
 * values of waveforms of one segment (the first by default) as CSV rows
 * "waveform,x,y". PATHs name waveforms in the set's signal hierarchy
 * (slash-separated), stored ones and those the hierarchy derives (a field
 * of a stored composite signal, a composite signal assembled from stored
 * fields); without any, every waveform of the hierarchy is dumped, in
 * hierarchy order: the stored ones and the assembled composites (the fields
 * of a stored composite are left out, its values show them). Waveforms
 * without data in the segment are skipped.
 *
 * Values are read through a reader, window by window straight out of the
 * library's buffers: real values print with 17 significant digits, other
 * types through the library's default text conversion, one value at a
 * time, so nothing is copied a second time. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "commands.h"
#include "zel/zel.h"

typedef struct {
  zel_waveform_t waveform;
  char* label; /* malloc'd */
  int derived; /* computed by the library from stored waveforms */
} dump_item;

typedef struct {
  dump_item* items;
  unsigned count;
  unsigned capacity;
} dump_list;

static int add_item(dump_list* list, zel_waveform_t waveform, const char* label, int derived) {
  if (list->count == list->capacity) {
    unsigned capacity = list->capacity ? 2 * list->capacity : 16;
    dump_item* items = realloc(list->items, capacity * sizeof *items);
    if (items == NULL) return 0;
    list->items = items;
    list->capacity = capacity;
  }
  list->items[list->count].waveform = waveform;
  list->items[list->count].derived = derived;
  list->items[list->count].label = strdup(label);
  return list->items[list->count++].label != NULL;
}

static void free_list(dump_list* list) {
  for (unsigned i = 0; i < list->count; ++i) free(list->items[i].label);
  free(list->items);
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

/* Every node with a waveform, and every composite signal assembled from
 * stored fields, in hierarchy order. */
static int collect_all(zel_session_t s, zel_waveformSet_t set, dump_list* list) {
  zel_status_t st;
  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, set, &st);
  if (st != ZEL_OK) return zel_fail("dump");
  zel_nodeIterator_t walk = ZEL_CreateNodeIterator(s, root, ZEL_ITOR_INSERTION_ORDER, ZEL_ITOR_FORWARD,
                                                   ZEL_ITOR_PREORDER, ZEL_ITOR_ENTER_BLOCKS_WAVEFORMS, &st);
  if (st != ZEL_OK) return zel_fail("dump");
  zel_nodeIterator_t up = ZEL_CreateNodeIterator(s, root, ZEL_ITOR_INSERTION_ORDER, ZEL_ITOR_FORWARD,
                                                 ZEL_ITOR_ANCESTORS, ZEL_ITOR_NA, &st);
  if (st != ZEL_OK) return zel_fail("dump");
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
      return zel_fail("dump");
    }
    if (!derived) derived = ZEL_HierarchyNodeHasDerivedWaveform(s, n, &own);
    char* name = ZEL_GetHierarchyNodeFullName(s, n, ZEL_HDL_SLASH, &own);
    /* Labels name waveforms as PATH arguments do: without the root. */
    int added = name != NULL && add_item(list, w, name[0] == '/' ? name + 1 : name, derived);
    free(name);
    if (!added) return zel_fail("dump");
  }
  if (st != ZEL_OK) return zel_fail("dump");
  ZEL_DeleteNodeIterator(s, walk, &st);
  ZEL_DeleteNodeIterator(s, up, &st);
  return 0;
}

static int collect_named(zel_session_t s, zel_waveformSet_t set, int count, char** paths, dump_list* list) {
  zel_status_t st;
  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, set, &st);
  if (st != ZEL_OK) return zel_fail("dump");
  for (int i = 0; i < count; ++i) {
    unsigned found = 0;
    zel_hierarchyNode_t* nodes = ZEL_GetHierarchyNodes(s, root, paths[i], ZEL_HDL_SLASH, &found, &st);
    zel_hierarchyNode_t node = found == 1 ? nodes[0] : ZEL_NullHierarchyNode;
    free(nodes);
    if (st != ZEL_OK) return zel_fail(paths[i]);
    /* A node without a waveform of its own may derive one. */
    zel_waveform_t w = found == 1 ? ZEL_GetHierarchyWaveform(s, node, &st) : ZEL_NullWaveform;
    if (found != 1 || st != ZEL_OK) {
      fprintf(stderr, "zel: dump: no waveform named %s\n", paths[i]);
      return 1;
    }
    const int derived = ZEL_HierarchyNodeHasDerivedWaveform(s, node, &st);
    if (st != ZEL_OK || !add_item(list, w, paths[i], derived)) return zel_fail(paths[i]);
  }
  return 0;
}

/* One value as text: reals directly, the rest through the library. */
static void print_value(ZEL_WfSegment* ws, int isX, int isReal, const void* value) {
  if (isReal) {
    double v;
    memcpy(&v, value, sizeof v);
    printf("%.17g", v);
    return;
  }
  zel_status_t st;
  const char* text = isX ? ZEL_GetWfSegmentConvertedXValue(ws, value, &st) : ZEL_GetWfSegmentConvertedYValue(ws, value, &st);
  printf("%s", st == ZEL_OK && text != NULL ? text : "?");
}

static int dump_waveform(zel_session_t s, zel_wfDataReader_t dataReader, const dump_item* item, zel_type_t xType,
                         zel_type_t yType) {
  const char* label = item->label;
  zel_status_t st;
  ZEL_WfSegment* ws = ZEL_GetWaveformDataWfSegment(s, dataReader, &st);
  /* A derived waveform whose fields have no data in the segment. */
  if (st == ZEL_NOT_FOUND && item->derived) return 0;
  if (st != ZEL_OK) return zel_fail(label);
  const int xReal = ZEL_GetDataType(s, xType, &st) == ZEL_REAL;
  const int yReal = ZEL_GetDataType(s, yType, &st) == ZEL_REAL;
  const unsigned xSize = ZEL_GetSizeOfType(s, xType, &st);
  const unsigned ySize = ZEL_GetSizeOfType(s, yType, &st);
  const unsigned n = ZEL_GetWfSegmentLegPointCount(ws, 0, &st);
  if (st != ZEL_OK) return zel_fail(label);
  for (unsigned p = 0; p < n;) {
    const unsigned window = ZEL_SetupGetWfSegmentBuffer(ws, 0, p, &st);
    const char* x = st == ZEL_OK ? ZEL_GetWfSegmentXBuffer(ws, &st) : NULL;
    const char* y = st == ZEL_OK ? ZEL_GetWfSegmentYBuffer(ws, &st) : NULL;
    if (st != ZEL_OK || window == 0) return zel_fail(label);
    for (unsigned i = 0; i < window; ++i) {
      printf("%s,", label);
      print_value(ws, 1, xReal, x + (size_t)i * xSize);
      putchar(',');
      print_value(ws, 0, yReal, y + (size_t)i * ySize);
      putchar('\n');
    }
    p += window;
  }
  return 0;
}

static int dump_segment(zel_session_t s, zel_container_t c, zel_waveformSet_t set, unsigned segmentIndex,
                        const dump_list* list) {
  zel_status_t st;
  if (segmentIndex >= ZEL_GetSegmentCount(s, set, &st)) {
    fprintf(stderr, "zel: dump: the waveform set has no segment %u\n", segmentIndex);
    return 1;
  }
  zel_segment_t segment = ZEL_GetSegment(s, set, segmentIndex, &st);
  zel_type_t xType = ZEL_GetDimensionDescriptorType(s, ZEL_GetWaveformSetXDescriptor(s, set, &st), &st);
  zel_view_t view = ZEL_CreateView(s, &st);
  zel_reader_t reader = st == ZEL_OK ? ZEL_CreateReader(s, c, view, &st) : ZEL_NullReader;
  if (st != ZEL_OK) return zel_fail("dump");
  zel_wfDataReader_t* readers = calloc(list->count ? list->count : 1, sizeof *readers);
  if (readers == NULL) return zel_fail("dump");
  int rc = 0;
  for (unsigned i = 0; i < list->count && rc == 0; ++i) {
    readers[i].key = -1;
    /* Only stored waveforms can tell beforehand (derived ones fail to
     * answer): a derived one is read and skipped then when it has no data. */
    if (!list->items[i].derived && !ZEL_ExistWfSegment(s, segment, list->items[i].waveform, &st)) continue;
    readers[i] = ZEL_AddReaderWaveform(s, reader, list->items[i].waveform, &st);
    if (st != ZEL_OK) rc = zel_fail(list->items[i].label);
  }
  if (rc == 0) ZEL_StartReadingSegment(s, reader, segment, &st);
  if (rc == 0 && st != ZEL_OK) rc = zel_fail("dump");
  if (rc == 0) {
    printf("waveform,x,y\n");
    for (unsigned i = 0; i < list->count && rc == 0; ++i) {
      if (readers[i].key < 0) continue;
      zel_type_t yType = ZEL_GetWaveformYType(s, list->items[i].waveform, &st);
      rc = dump_waveform(s, readers[i], &list->items[i], xType, yType);
    }
    ZEL_EndReading(s, reader, &st);
  }
  free(readers);
  ZEL_DeleteReader(s, reader, &st);
  ZEL_DeleteView(s, view, &st);
  return rc;
}

int zel_cmd_dump(int argc, char** argv) {
  unsigned segmentIndex = 0;
  int paths = 0;
  char** path = calloc(argc > 0 ? (size_t)argc : 1, sizeof *path);
  if (path == NULL) return zel_fail("dump");
  for (int i = 2; i < argc; ++i) {
    if (strcmp(argv[i], "--segment") == 0 && i + 1 < argc) {
      char* end = NULL;
      unsigned long v = strtoul(argv[++i], &end, 10);
      if (end == argv[i] || *end != '\0' || v > 0xFFFFFFFFul) argc = 0;
      segmentIndex = (unsigned)v;
    } else {
      path[paths++] = argv[i];
    }
  }
  if (argc < 2) {
    free(path);
    fprintf(stderr, "usage: zel dump CONTAINER WAVEFORM_SET [PATH...] [--segment N]\n");
    return 2;
  }
  zel_status_t st;
  zel_session_t s = ZEL_InitSession(&st);
  if (st != ZEL_OK) return zel_fail("dump");
  int rc = 0;
  dump_list list = {NULL, 0, 0};
  zel_container_t c = ZEL_OpenContainer(s, argv[0], ZEL_IOMODE_READ, &st);
  if (st != ZEL_OK) rc = zel_fail(argv[0]);
  zel_waveformSet_t set = rc == 0 ? ZEL_FindWaveformSet(s, c, argv[1], &st) : ZEL_NullWaveformSet;
  if (rc == 0 && st != ZEL_OK) rc = zel_fail(argv[1]);
  if (rc == 0) rc = paths > 0 ? collect_named(s, set, paths, path, &list) : collect_all(s, set, &list);
  if (rc == 0) rc = dump_segment(s, c, set, segmentIndex, &list);
  free_list(&list);
  free(path);
  ZEL_TermSession(s, &st);
  return rc;
}
