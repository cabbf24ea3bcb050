/* zel tree CONTAINER [WAVEFORM_SET] [--bits]: every waveform set (or the one
 * named) with its X descriptor, its sweep parameters and their values and
 * its segments (each with its parameter values), then its signal hierarchy,
 * one node a line, indented by depth, with its kind; waveform nodes bound to
 * a waveform also show the waveform's Y type and Y descriptor. A signal of
 * an array type (a bus) shows once with its width; --bits lists its
 * elements below it. Walks with a node iterator in insertion order,
 * entering blocks and composite signals (groups are listed, not entered). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "commands.h"
#include "tool_support.h"
#include "zel/zel.h"

/* Values and segments listed per set; longer lists end with their total. */
#define MAX_LISTED 32

static const char* kind_name(int type, unsigned depth) {
  switch (type) {
    case 0:
      return depth == 0 ? "root" : "block";
    case 1:
      return "group";
    case 2:
      return "composite";
    default:
      return "scalar";
  }
}

/* Whether the node is a signal of an array type; its width then. */
static int is_array(zel_session_t s, zel_hierarchyNode_t node, unsigned* width) {
  zel_status_t st;
  if (ZEL_GetHierarchyNodeType(s, node, &st) != 2 || st != ZEL_OK) return 0;
  zel_waveform_t w = ZEL_GetHierarchyWaveform(s, node, &st);
  zel_type_t type = st == ZEL_OK ? ZEL_GetWaveformYType(s, w, &st) : (zel_type_t){-1};
  if (st != ZEL_OK || ZEL_GetDataType(s, type, &st) != ZEL_ARRAY || st != ZEL_OK) return 0;
  *width = ZEL_GetArrayElementCount(s, type, &st);
  return st == ZEL_OK;
}

static void print_waveform(zel_session_t s, zel_hierarchyNode_t node) {
  zel_status_t st;
  if (!ZEL_HierarchyNodeHasWaveform(s, node, &st)) return;
  zel_waveform_t w = ZEL_GetHierarchyWaveform(s, node, &st);
  if (st != ZEL_OK) return;
  zel_type_t type = ZEL_GetWaveformYType(s, w, &st);
  const char* typeName = st == ZEL_OK ? ZEL_GetTypeName(s, type, &st) : NULL;
  zel_dimensionDescriptor_t y = ZEL_GetWaveformYDescriptor(s, w, &st);
  const char* name = st == ZEL_OK ? ZEL_GetDimensionDescriptorName(s, y, &st) : NULL;
  const char* unit = st == ZEL_OK ? ZEL_GetDimensionDescriptorUnit(s, y, &st) : NULL;
  printf("  y: %s \"%s\" [%s]%s", typeName ? typeName : "?", name ? name : "?", unit ? unit : "?",
         ZEL_HierarchyNodeHasSourceWaveform(s, node, &st) ? "" : " derived");
}

static void print_node(zel_session_t s, zel_hierarchyNode_t node, unsigned depth) {
  zel_status_t st;
  const char* name = ZEL_GetHierarchyNodeName(s, node, &st);
  const int type = ZEL_GetHierarchyNodeType(s, node, &st);
  unsigned width = 0;
  printf("%*s%s", (int)(2 * depth + 2), "", depth == 0 ? "/" : (name ? name : "?"));
  if (type == 2 && is_array(s, node, &width)) {
    printf(" (bus, width %u)", width);
  } else {
    printf(" (%s)", kind_name(type, depth));
  }
  if (type >= 2) print_waveform(s, node);
  printf("\n");
}

/* The set's X descriptor, parameters with their values, and segments. */
static void print_sweep(zel_session_t s, zel_waveformSet_t set) {
  zel_status_t st;
  char text[128];
  zel_dimensionDescriptor_t x = ZEL_GetWaveformSetXDescriptor(s, set, &st);
  const char* xName = st == ZEL_OK ? ZEL_GetDimensionDescriptorName(s, x, &st) : NULL;
  const char* xUnit = st == ZEL_OK ? ZEL_GetDimensionDescriptorUnit(s, x, &st) : NULL;
  printf("  x: \"%s\" [%s]\n", xName ? xName : "?", xUnit ? xUnit : "?");
  const unsigned parameters = ZEL_GetWaveformSetParameterCount(s, set, &st);
  for (unsigned i = 0; st == ZEL_OK && i < parameters; ++i) {
    zel_parameter_t p = ZEL_GetWaveformSetParameter(s, set, i, &st);
    if (st != ZEL_OK) break;
    zel_type_t type = ZEL_GetParameterType(s, p, &st);
    const unsigned count = ZEL_GetParameterValueCount(s, p, &st);
    printf("  parameter %s (%u values):", ZEL_GetParameterName(s, p, &st), count);
    const void* values = NULL;
    const int* orders = NULL;
    if (count > 0) ZEL_GetParameterValueBuffer(s, p, 0, &values, &orders, &st);
    const unsigned size = ZEL_GetSizeOfType(s, type, &st);
    for (unsigned k = 0; values != NULL && k < count && k < MAX_LISTED; ++k) {
      printf(" %s", zel_format_value(s, type, (const char*)values + (size_t)k * size, text, sizeof text));
    }
    printf("%s\n", count > MAX_LISTED ? " ..." : "");
  }
  const unsigned segments = ZEL_GetSegmentCount(s, set, &st);
  printf("  segments %u\n", segments);
  for (unsigned k = 0; parameters > 0 && k < segments && k < MAX_LISTED; ++k) {
    zel_segment_t segment = ZEL_GetSegment(s, set, k, &st);
    printf("    %u:", k);
    for (unsigned i = 0; st == ZEL_OK && i < parameters; ++i) {
      zel_parameter_t p = ZEL_GetSegmentParameter(s, segment, i, &st);
      zel_type_t type = ZEL_GetParameterType(s, p, &st);
      const unsigned index = ZEL_GetSegmentParameterValueIndex(s, segment, i, &st);
      const void* values = NULL;
      const int* orders = NULL;
      ZEL_GetParameterValueBuffer(s, p, index, &values, &orders, &st);
      if (st != ZEL_OK || values == NULL) break;
      printf(" %s=%s", ZEL_GetParameterName(s, p, &st), zel_format_value(s, type, values, text, sizeof text));
    }
    printf("\n");
  }
  if (parameters > 0 && segments > MAX_LISTED) printf("    ... (%u in all)\n", segments);
}

/* Whether a node lies below an array signal (its elements are shown only
 * with --bits). */
static int below_array(zel_session_t s, zel_nodeIterator_t up, zel_hierarchyNode_t node) {
  zel_status_t st;
  ZEL_ResetNodeIteratorNode(s, up, node, &st);
  unsigned width;
  for (zel_hierarchyNode_t a = st == ZEL_OK ? ZEL_GetFirstNode(s, up, &st) : ZEL_NullHierarchyNode;
       st == ZEL_OK && !ZEL_IsHierarchyNodeNull(a); a = ZEL_GetNextNode(s, up, &st)) {
    if (is_array(s, a, &width)) return 1;
  }
  return 0;
}

/* Prints one set; 0 on success. */
static int print_set(zel_session_t s, zel_waveformSet_t set, int bits) {
  zel_status_t st;
  const char* setName = ZEL_GetWaveformSetName(s, set, &st);
  printf("waveform set %s\n", setName);
  print_sweep(s, set);
  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, set, &st);
  if (st != ZEL_OK) return zel_fail(setName);
  print_node(s, root, 0);
  zel_nodeIterator_t walk = ZEL_CreateNodeIterator(s, root, ZEL_ITOR_INSERTION_ORDER, ZEL_ITOR_FORWARD,
                                                   ZEL_ITOR_PREORDER, ZEL_ITOR_ENTER_BLOCKS_WAVEFORMS, &st);
  zel_nodeIterator_t up = ZEL_CreateNodeIterator(s, root, ZEL_ITOR_INSERTION_ORDER, ZEL_ITOR_FORWARD,
                                                 ZEL_ITOR_ANCESTORS, ZEL_ITOR_NA, &st);
  if (st != ZEL_OK) return zel_fail(setName);
  for (zel_hierarchyNode_t n = ZEL_GetFirstNode(s, walk, &st); st == ZEL_OK && !ZEL_IsHierarchyNodeNull(n);
       n = ZEL_GetNextNode(s, walk, &st)) {
    if (!bits && below_array(s, up, n)) continue;
    ZEL_ResetNodeIteratorNode(s, up, n, &st);
    print_node(s, n, ZEL_GetIterationCount(s, up, &st));
  }
  if (st != ZEL_OK) return zel_fail(setName);
  ZEL_DeleteNodeIterator(s, walk, &st);
  ZEL_DeleteNodeIterator(s, up, &st);
  return 0;
}

int zel_cmd_tree(int argc, char** argv) {
  int bits = 0;
  int plain = 0;
  char* args[2] = {NULL, NULL};
  for (int i = 0; i < argc; ++i) {
    if (strcmp(argv[i], "--bits") == 0) {
      bits = 1;
    } else if (plain < 2 && strncmp(argv[i], "--", 2) != 0) {
      args[plain++] = argv[i];
    } else {
      plain = 3;
    }
  }
  if (plain < 1 || plain > 2) {
    fprintf(stderr, "usage: zel tree CONTAINER [WAVEFORM_SET] [--bits]\n");
    return 2;
  }
  const char* name = zel_container_name(args[0]);
  zel_status_t st;
  zel_session_t s = ZEL_InitSession(&st);
  if (st != ZEL_OK) return zel_fail(NULL);
  zel_container_t c = ZEL_OpenContainer(s, name, ZEL_IOMODE_READ, &st);
  if (st != ZEL_OK) {
    const int code = zel_fail(name);
    ZEL_TermSession(s, &st);
    return code;
  }
  int code = 0;
  if (args[1] != NULL) {
    zel_waveformSet_t set = ZEL_FindWaveformSet(s, c, args[1], &st);
    code = st == ZEL_OK ? print_set(s, set, bits) : zel_error("no waveform set named %s in %s", args[1], name);
  } else {
    unsigned count = 0;
    zel_waveformSet_t* sets = ZEL_GetAllWaveformSets(s, c, &count, &st);
    if (st != ZEL_OK) code = zel_fail(name);
    for (unsigned i = 0; i < count && code == 0; ++i) code = print_set(s, sets[i], bits);
    free(sets);
  }
  ZEL_CloseContainer(s, c, &st);
  ZEL_TermSession(s, &st);
  return code;
}
