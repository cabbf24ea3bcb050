/*
 * zel demo [DIR]: the main job. A small circuit simulation writes its
 * results into a container and reads them back through the public interface.
 *
 * The circuit is an RC ladder of three sections driven by a voltage pulse,
 * integrated with a fixed step. The series resistance is swept over three
 * values (one segment per value). Every node voltage is an analog waveform
 * named by its place in the circuit (blocks for the subcircuits), written
 * front by front and committed segment by segment. The container is then
 * closed, opened again for reading, every waveform is found again through
 * the hierarchy and a summary is printed. The container stays on disk.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "commands.h"
#include "zel/zel.h"

#define NODES 4 /* the input and three ladder nodes */
#define STEPS 2000
#define CAPACITANCE 1e-9

static const char* const node_paths[NODES] = {"top/source/vin", "top/ladder/n1", "top/ladder/n2", "top/ladder/n3"};
static const double resistances[] = {1000.0, 2000.0, 4000.0};
#define SWEEP (sizeof resistances / sizeof resistances[0])

static zel_status_t g_status;
static const char* g_step;

/* Records the first failing step; later steps are skipped by the callers. */
static int ok(const char* step) {
  if (g_status != ZEL_OK && g_step == NULL) g_step = step;
  return g_step == NULL;
}

/* One segment: simulate with resistance r and write every node, front by
 * front. Time is the X axis; the pulse rises at 5 tau and falls at 25 tau. */
static void simulate(zel_session_t s, zel_segment_t segment, const zel_waveform_t* waveforms, double r) {
  zel_writer_t writer = ZEL_CreateWriter(s, segment, 0, ZEL_STORAGE_ANALOG, &g_status);
  if (!ok("create writer")) return;
  ZEL_WfDataWriter* data[NODES];
  for (int i = 0; i < NODES; ++i) {
    data[i] = ZEL_AddWriterWaveform(s, writer, waveforms[i], &g_status);
    if (!ok("add writer waveform")) return;
  }
  ZEL_InitializeFrontWriting(s, writer, &g_status);
  if (!ok("initialize writing")) return;

  const double tau = r * CAPACITANCE;
  const double dt = tau / 100.0;
  double v[NODES] = {0, 0, 0, 0};
  for (int step = 0; step <= STEPS; ++step) {
    const double t = step * dt;
    v[0] = (t >= 5 * tau && t < 25 * tau) ? 1.0 : 0.0;
    ZEL_StartDataFront(s, writer, &t, &g_status);
    for (int i = 0; i < NODES && g_status == ZEL_OK; ++i) ZEL_WfDataWriterEnterValue(data[i], &v[i], 0, &g_status);
    if (g_status == ZEL_OK) ZEL_EndDataFront(s, writer, &g_status);
    if (!ok("write a data front")) return;
    /* Explicit Euler on the ladder: node k gets current from k-1, gives to k+1. */
    double next[NODES];
    next[0] = v[0];
    for (int k = 1; k < NODES; ++k) {
      const double in = (v[k - 1] - v[k]) / r;
      const double out = k + 1 < NODES ? (v[k] - v[k + 1]) / r : 0.0;
      next[k] = v[k] + dt * (in - out) / CAPACITANCE;
    }
    memcpy(v, next, sizeof v);
  }
  ZEL_TerminateWriting(s, writer, &g_status);
  if (!ok("terminate writing")) return;
  ZEL_CommitWaveformData(s, segment, 0, &g_status);
  if (!ok("commit waveform data")) return;
  ZEL_DeleteWriter(s, writer, &g_status);
  ok("delete writer");
}

static int write_container(zel_session_t s, const char* name) {
  zel_container_t c = ZEL_CreateContainer(s, name, ZEL_MODE_DISK, &g_status);
  if (!ok("create container")) return 1;
  ZEL_SetContainerAttribute(s, c, "simulator", "zel demo (RC ladder)", &g_status);
  zel_type_t real = ZEL_CreateBuiltinType(s, c, "real", ZEL_REAL, &g_status);
  zel_dimensionDescriptor_t time = ZEL_CreateDimensionDescriptor(s, c, "time", "s", real, &g_status);
  zel_dimensionDescriptor_t volt = ZEL_CreateDimensionDescriptor(s, c, "voltage", "V", real, &g_status);
  zel_dimensionDescriptor_t ohm = ZEL_CreateDimensionDescriptor(s, c, "resistance", "Ohm", real, &g_status);
  zel_parameter_t r = ZEL_CreateParameter(s, c, "R", ohm, &g_status);
  if (g_status == ZEL_OK) ZEL_AppendParameterValues(s, r, SWEEP, resistances, NULL, &g_status);
  zel_waveformSet_t set = ZEL_CreateWaveformSet(s, c, "tran", time, 1, &r, &g_status);
  if (!ok("build the structure")) return 1;

  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, set, &g_status);
  zel_waveform_t waveforms[NODES];
  for (int i = 0; i < NODES && g_status == ZEL_OK; ++i) {
    waveforms[i] = ZEL_CreateWaveform(s, set, 0, volt, &g_status);
    if (g_status == ZEL_OK) ZEL_AddHierarchyScalarWf(s, root, node_paths[i], ZEL_HDL_SLASH, waveforms[i], &g_status);
  }
  if (!ok("name the waveforms")) return 1;

  for (unsigned i = 0; i < SWEEP && g_step == NULL; ++i) {
    zel_segment_t segment = ZEL_CreateSegment(s, set, 1, &i, &g_status);
    if (ok("create segment")) simulate(s, segment, waveforms, resistances[i]);
    if (g_step == NULL) printf("  simulated R = %g Ohm: %d points per node, committed\n", resistances[i], STEPS + 1);
  }
  ZEL_CloseContainer(s, c, &g_status);
  ok("close container");
  return g_step != NULL;
}

static int read_container(zel_session_t s, const char* name) {
  zel_container_t c = ZEL_OpenContainer(s, name, ZEL_IOMODE_READ, &g_status);
  if (!ok("open container")) return 1;
  zel_waveformSet_t set = ZEL_FindWaveformSet(s, c, "tran", &g_status);
  if (!ok("find waveform set")) return 1;
  zel_dimensionDescriptor_t x = ZEL_GetWaveformSetXDescriptor(s, set, &g_status);
  printf("\nwaveform set  %s (X: %s [%s])\n", ZEL_GetWaveformSetName(s, set, &g_status),
         ZEL_GetDimensionDescriptorName(s, x, &g_status), ZEL_GetDimensionDescriptorUnit(s, x, &g_status));
  const unsigned parameters = ZEL_GetWaveformSetParameterCount(s, set, &g_status);
  for (unsigned p = 0; p < parameters; ++p) {
    zel_parameter_t par = ZEL_GetWaveformSetParameter(s, set, p, &g_status);
    const unsigned values = ZEL_GetParameterValueCount(s, par, &g_status);
    printf("parameter     %s:", ZEL_GetParameterName(s, par, &g_status));
    for (unsigned v = 0; v < values; ++v) {
      double value = 0;
      ZEL_GetParameterValue(s, par, v, &value, NULL, &g_status);
      printf(" %g", value);
    }
    printf("\n");
  }
  const unsigned segments = ZEL_GetSegmentCount(s, set, &g_status);
  printf("segments      %u\n", segments);
  if (!ok("read the structure")) return 1;

  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, set, &g_status);
  printf("\n%-16s %-10s %s\n", "waveform", "type", "data in segments (R)");
  for (int i = 0; i < NODES; ++i) {
    unsigned count = 0;
    zel_hierarchyNode_t* nodes = ZEL_GetHierarchyNodes(s, root, node_paths[i], ZEL_HDL_SLASH, &count, &g_status);
    if (!ok("find a waveform in the hierarchy") || count != 1) {
      free(nodes);
      if (g_step == NULL) g_step = "find a waveform in the hierarchy";
      return 1;
    }
    zel_waveform_t w = ZEL_GetHierarchyWaveform(s, nodes[0], &g_status);
    free(nodes);
    zel_type_t yType = ZEL_GetWaveformYType(s, w, &g_status);
    printf("%-16s %-10s", node_paths[i], ZEL_GetTypeName(s, yType, &g_status));
    for (unsigned seg = 0; seg < segments; ++seg) {
      zel_segment_t segment = ZEL_GetSegment(s, set, seg, &g_status);
      double value = 0;
      ZEL_GetSegmentParameterValue(s, segment, 0, &value, NULL, &g_status);
      printf(" %g:%s", value, ZEL_ExistWfSegment(s, segment, w, &g_status) ? "yes" : "no");
    }
    printf("\n");
    if (!ok("read a waveform")) return 1;
  }
  ZEL_CloseContainer(s, c, &g_status);
  ok("close container");
  return g_step != NULL;
}

int zel_cmd_demo(int argc, char** argv) {
  const char* dir = argc > 0 ? argv[0] : ".";
  char name[4096];
  snprintf(name, sizeof name, "%s/zel-demo", dir);

  zel_session_t s = ZEL_InitSession(&g_status);
  if (g_status != ZEL_OK) return zel_fail("init session");
  printf("simulating an RC ladder into %s%s\n", name, ZEL_GetFilenameExt());
  int failed = write_container(s, name);
  if (!failed) failed = read_container(s, name);
  if (failed) {
    fprintf(stderr, "zel: demo: %s: %s\n", g_step ? g_step : "?", ZEL_GetError());
    ZEL_TermSession(s, &g_status);
    return 1;
  }
  ZEL_TermSession(s, &g_status);
  printf("\nthe container stays in %s (try: zel info %s, zel tree %s)\n", dir, name, name);
  return 0;
}
