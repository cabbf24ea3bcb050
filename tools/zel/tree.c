/* zel tree CONTAINER [WAVEFORM_SET]: the signal hierarchy of every waveform
 * set (or of the one named), one node a line, indented by depth, with its
 * kind; waveform nodes bound to a waveform also show the waveform's Y type
 * and Y descriptor. Walks with a node iterator in insertion order, entering
 * blocks and composite signals (groups are listed, not entered). */
#include <stdio.h>
#include <stdlib.h>

#include "commands.h"
#include "zel/zel.h"

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
  printf("%*s%s (%s)", (int)(2 * depth + 2), "", depth == 0 ? "/" : (name ? name : "?"), kind_name(type, depth));
  if (type >= 2) print_waveform(s, node);
  printf("\n");
}

/* Prints one set's hierarchy; 0 on success. */
static int print_set(zel_session_t s, zel_waveformSet_t set) {
  zel_status_t st;
  printf("waveform set %s\n", ZEL_GetWaveformSetName(s, set, &st));
  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, set, &st);
  if (st != ZEL_OK) return zel_fail("tree");
  print_node(s, root, 0);
  zel_nodeIterator_t walk = ZEL_CreateNodeIterator(s, root, ZEL_ITOR_INSERTION_ORDER, ZEL_ITOR_FORWARD,
                                                   ZEL_ITOR_PREORDER, ZEL_ITOR_ENTER_BLOCKS_WAVEFORMS, &st);
  zel_nodeIterator_t up = ZEL_CreateNodeIterator(s, root, ZEL_ITOR_INSERTION_ORDER, ZEL_ITOR_FORWARD,
                                                 ZEL_ITOR_ANCESTORS, ZEL_ITOR_NA, &st);
  if (st != ZEL_OK) return zel_fail("tree");
  for (zel_hierarchyNode_t n = ZEL_GetFirstNode(s, walk, &st); st == ZEL_OK && !ZEL_IsHierarchyNodeNull(n);
       n = ZEL_GetNextNode(s, walk, &st)) {
    ZEL_ResetNodeIteratorNode(s, up, n, &st);
    print_node(s, n, ZEL_GetIterationCount(s, up, &st));
  }
  if (st != ZEL_OK) return zel_fail("tree");
  ZEL_DeleteNodeIterator(s, walk, &st);
  ZEL_DeleteNodeIterator(s, up, &st);
  return 0;
}

int zel_cmd_tree(int argc, char** argv) {
  if (argc < 1 || argc > 2) {
    fprintf(stderr, "usage: zel tree CONTAINER [WAVEFORM_SET]\n");
    return 2;
  }
  zel_status_t st;
  zel_session_t s = ZEL_InitSession(&st);
  if (st != ZEL_OK) return zel_fail("tree");
  zel_container_t c = ZEL_OpenContainer(s, argv[0], ZEL_IOMODE_READ, &st);
  if (st != ZEL_OK) {
    const int code = zel_fail("tree");
    ZEL_TermSession(s, &st);
    return code;
  }
  int code = 0;
  if (argc == 2) {
    zel_waveformSet_t set = ZEL_FindWaveformSet(s, c, argv[1], &st);
    code = st == ZEL_OK ? print_set(s, set) : zel_fail("tree");
  } else {
    unsigned count = 0;
    zel_waveformSet_t* sets = ZEL_GetAllWaveformSets(s, c, &count, &st);
    if (st != ZEL_OK) code = zel_fail("tree");
    for (unsigned i = 0; i < count && code == 0; ++i) code = print_set(s, sets[i]);
    free(sets);
  }
  ZEL_CloseContainer(s, c, &st);
  ZEL_TermSession(s, &st);
  return code;
}
