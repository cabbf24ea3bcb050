/*
 * zel demo [DIR]: the main job. A small circuit simulation writes its
 * results into a container while it runs and reads them back through the
 * public interface.
 *
 * The circuit is an RC ladder of three sections driven by a voltage pulse,
 * integrated with a fixed step. The series resistance is swept over three
 * values (one segment per value). A simulation result writer takes one
 * cycle per time step: every node voltage goes into an analog subset (a
 * value every cycle), and for each ladder node a logic signal telling
 * whether the node is above half the supply goes into a digital subset,
 * entered only when it changes. The data is committed every COMMIT_EVERY
 * cycles, so a viewer could follow the run. The container is then closed
 * and opened again for reading; every waveform is found again through the
 * hierarchy and read back segment by segment through a reader: its point
 * count, X range, minimum and maximum, and its value at a few times
 * (interpolated between the stored points). The point counts and X ranges
 * read back are checked against what the writer entered. The container
 * stays on disk.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "commands.h"
#include "zel/zel.h"

#define NODES 4  /* the input and three ladder nodes */
#define LOGIC 3  /* one logic signal per ladder node */
#define STEPS 2000
#define STEP 1e-8 /* s; stable for explicit Euler while well below r * C */
#define PULSE_START 2e-6
#define PULSE_END 1e-5
#define COMMIT_EVERY 500
#define CAPACITANCE 1e-9
#define SUPPLY 1.0

static const char* const node_paths[NODES] = {"top/source/vin", "top/ladder/n1", "top/ladder/n2", "top/ladder/n3"};
static const char* const logic_paths[LOGIC] = {"top/logic/n1_high", "top/logic/n2_high", "top/logic/n3_high"};
static const double resistances[] = {1000.0, 2000.0, 4000.0};
#define SWEEP (sizeof resistances / sizeof resistances[0])
#define WAVES (NODES + LOGIC)

/* What the writer stored per waveform and segment. */
struct written {
  unsigned points;
  double first_x, last_x;
};
static struct written g_written[WAVES][SWEEP];

static zel_status_t g_status;
static const char* g_step;

/* Records the first failing step; later steps are skipped by the callers. */
static int ok(const char* step) {
  if (g_status != ZEL_OK && g_step == NULL) g_step = step;
  return g_step == NULL;
}

static void note(unsigned wave, unsigned seg, double x) {
  struct written* w = &g_written[wave][seg];
  if (w->points++ == 0) w->first_x = x;
  w->last_x = x;
}

/* The subsets of one segment's writer and their data writers. */
struct sim_writer {
  zel_simResultWriter_t writer;
  zel_simResultSubset_t analog, digital;
  ZEL_SimWfDataWriter* data[WAVES];
};

static int open_writer(zel_session_t s, zel_segment_t segment, const zel_waveform_t* waveforms,
                       struct sim_writer* w) {
  w->writer = ZEL_CreateSimResultWriter(s, segment, 0, &g_status);
  if (!ok("create simulation result writer")) return 0;
  w->analog = ZEL_CreateSimResultSubset(s, w->writer, ZEL_STORAGE_ANALOG, &g_status);
  if (g_status == ZEL_OK) w->digital = ZEL_CreateSimResultSubset(s, w->writer, ZEL_STORAGE_DIGITAL, &g_status);
  if (!ok("create subsets")) return 0;
  for (int i = 0; i < WAVES && g_status == ZEL_OK; ++i) {
    const zel_simResultSubset_t subset = i < NODES ? w->analog : w->digital;
    const unsigned index = ZEL_AddSimResultWaveform(s, subset, waveforms[i], &g_status);
    if (g_status == ZEL_OK) w->data[i] = ZEL_GetSimWfDataWriter_p(s, subset, index, &g_status);
  }
  if (!ok("add waveforms to the subsets")) return 0;
  ZEL_SimInitializeWriting(s, w->writer, &g_status);
  return ok("initialize writing");
}

/* One cycle at time t: every node voltage, and each logic level that differs
 * from the last one entered (levels[] holds those; -1 before the first). */
static int write_cycle(zel_session_t s, struct sim_writer* w, unsigned seg, double t, const double* v, int* levels) {
  ZEL_SimStartCycle(s, w->writer, &t, &g_status);
  if (g_status == ZEL_OK) ZEL_SimStartDataFront(s, w->analog, 0, &g_status);
  for (int i = 0; i < NODES && g_status == ZEL_OK; ++i) {
    ZEL_SimWfDataWriterEnterValue(w->data[i], &v[i], &g_status);
    note((unsigned)i, seg, t);
  }
  if (g_status == ZEL_OK) ZEL_SimEndDataFront(s, w->analog, &g_status);
  if (g_status == ZEL_OK) ZEL_SimStartDataFront(s, w->digital, 0, &g_status);
  for (int k = 0; k < LOGIC && g_status == ZEL_OK; ++k) {
    const unsigned char level = v[k + 1] > SUPPLY / 2 ? 1 : 0;
    if (levels[k] == level) continue;
    ZEL_SimWfDataWriterEnterValue(w->data[NODES + k], &level, &g_status);
    levels[k] = level;
    note((unsigned)(NODES + k), seg, t);
  }
  if (g_status == ZEL_OK) ZEL_SimEndDataFront(s, w->digital, &g_status);
  if (g_status == ZEL_OK) ZEL_SimEndCycle(s, w->writer, &g_status);
  return ok("write a cycle");
}

/* One segment: simulate with resistance r, cycle by cycle. Time is the X
 * axis (STEPS steps of STEP seconds, the same for every r, so the sweep
 * shows slower nodes for larger r); the pulse rises at 2 us and falls at
 * 10 us. */
static void simulate(zel_session_t s, zel_segment_t segment, unsigned seg, const zel_waveform_t* waveforms,
                     double r) {
  struct sim_writer w;
  if (!open_writer(s, segment, waveforms, &w)) return;
  const double dt = STEP;
  double v[NODES] = {0, 0, 0, 0};
  int levels[LOGIC] = {-1, -1, -1};
  for (int step = 0; step <= STEPS; ++step) {
    const double t = step * dt;
    v[0] = (t >= PULSE_START && t < PULSE_END) ? SUPPLY : 0.0;
    if (!write_cycle(s, &w, seg, t, v, levels)) return;
    /* Between cycles the data so far can be made visible to readers. */
    if ((step + 1) % COMMIT_EVERY == 0) {
      ZEL_CommitWaveformData(s, segment, 0, &g_status);
      if (!ok("commit waveform data")) return;
    }
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
  ZEL_SimTerminateWriting(s, w.writer, &g_status);
  if (!ok("terminate writing")) return;
  ZEL_CommitWaveformData(s, segment, 0, &g_status);
  if (!ok("commit waveform data")) return;
  ZEL_DeleteSimResultWriter(s, w.writer, &g_status);
  ok("delete writer");
}

static int write_container(zel_session_t s, const char* name) {
  zel_container_t c = ZEL_CreateContainer(s, name, ZEL_MODE_DISK, &g_status);
  if (!ok("create container")) return 1;
  ZEL_SetContainerAttribute(s, c, "simulator", "zel demo (RC ladder)", &g_status);
  zel_type_t real = ZEL_CreateBuiltinType(s, c, "real", ZEL_REAL, &g_status);
  const char* literals[2] = {"0", "1"};
  zel_type_t logic = ZEL_CreateEnumerationType(s, c, "logic", 2, literals, 0, 1, ZEL_RANGE_ASCENDING, &g_status);
  zel_dimensionDescriptor_t time = ZEL_CreateDimensionDescriptor(s, c, "time", "s", real, &g_status);
  zel_dimensionDescriptor_t volt = ZEL_CreateDimensionDescriptor(s, c, "voltage", "V", real, &g_status);
  zel_dimensionDescriptor_t level = ZEL_CreateDimensionDescriptor(s, c, "level", "", logic, &g_status);
  zel_dimensionDescriptor_t ohm = ZEL_CreateDimensionDescriptor(s, c, "resistance", "Ohm", real, &g_status);
  zel_parameter_t r = ZEL_CreateParameter(s, c, "R", ohm, &g_status);
  if (g_status == ZEL_OK) ZEL_AppendParameterValues(s, r, SWEEP, resistances, NULL, &g_status);
  zel_waveformSet_t set = ZEL_CreateWaveformSet(s, c, "tran", time, 1, &r, &g_status);
  if (!ok("build the structure")) return 1;

  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, set, &g_status);
  zel_waveform_t waveforms[WAVES];
  for (int i = 0; i < WAVES && g_status == ZEL_OK; ++i) {
    waveforms[i] = ZEL_CreateWaveform(s, set, 0, i < NODES ? volt : level, &g_status);
    const char* path = i < NODES ? node_paths[i] : logic_paths[i - NODES];
    if (g_status == ZEL_OK) ZEL_AddHierarchyScalarWf(s, root, path, ZEL_HDL_SLASH, waveforms[i], &g_status);
  }
  if (!ok("name the waveforms")) return 1;

  for (unsigned i = 0; i < SWEEP && g_step == NULL; ++i) {
    zel_segment_t segment = ZEL_CreateSegment(s, set, 1, &i, &g_status);
    if (ok("create segment")) simulate(s, segment, i, waveforms, resistances[i]);
    if (g_step == NULL) {
      printf("  simulated R = %g Ohm: %d cycles, committed every %d\n", resistances[i], STEPS + 1, COMMIT_EVERY);
    }
  }
  ZEL_CloseContainer(s, c, &g_status);
  ok("close container");
  return g_step != NULL;
}

/* Finds the waveform at path through the hierarchy. */
static zel_waveform_t find_waveform(zel_session_t s, zel_hierarchyNode_t root, const char* path) {
  unsigned count = 0;
  zel_hierarchyNode_t* nodes = ZEL_GetHierarchyNodes(s, root, path, ZEL_HDL_SLASH, &count, &g_status);
  zel_waveform_t w = ZEL_NullWaveform;
  if (g_status == ZEL_OK && count == 1) w = ZEL_GetHierarchyWaveform(s, nodes[0], &g_status);
  free(nodes);
  if (ok("find a waveform in the hierarchy") && ZEL_IsWaveformNull(w)) g_step = "find a waveform in the hierarchy";
  return w;
}

/* Prints one row: the waveform's data in the open segment, read through its
 * waveform reader. Returns 0 when what was read disagrees with what was
 * written. */
static int print_row(zel_session_t s, zel_wfDataReader_t data, int wave, unsigned seg, int first, double r) {
  const int analog = wave < NODES;
  const char* path = analog ? node_paths[wave] : logic_paths[wave - NODES];
  const unsigned points = ZEL_GetPointCount(s, data, &g_status);
  double x0 = 0, x1 = 0;
  ZEL_GetWaveformDataXMinMax(s, data, &x0, &x1, &g_status);
  /* Y as stored: volts (double) or a logic level (one byte). */
  double ymin = 0, ymax = 0;
  unsigned char lmin = 0, lmax = 0;
  if (analog) {
    ZEL_GetWaveformDataYMinMax(s, data, &ymin, &ymax, &g_status);
  } else {
    ZEL_GetWaveformDataYMinMax(s, data, &lmin, &lmax, &g_status);
  }
  if (!ok("read a waveform")) return 0;
  printf("%-18s %-6g %6u  %-7.3g %-8.3g", first ? path : "", r, points, x0, x1);
  if (analog) {
    printf(" %-7.3f %-7.3f", ymin, ymax);
  } else {
    printf(" %-7u %-7u", lmin, lmax);
  }
  /* Y at a quarter, half and three quarters of the run (the input's X
   * range): interpolated between stored points; a logic level holds after
   * its last change. */
  const struct written* w = &g_written[wave][seg];
  for (int q = 1; q <= 3; ++q) {
    const double at = g_written[0][seg].last_x * q / 4;
    double y = 0;
    unsigned char level = 0;
    unsigned lower = 0, upper = 0;
    ZEL_GetWaveformDataYatX(s, data, 0, &at, analog ? (void*)&y : (void*)&level, &lower, &upper, &g_status);
    if (lower >= points && !analog && points > 0 && at > x1) {
      double last = 0;
      unsigned order = 0;
      ZEL_GetWaveformDataXYPoint(s, data, points - 1, &last, &level, &order, &g_status);
      lower = points - 1;
    }
    if (!ok("look a value up")) return 0;
    if (lower >= points) {
      printf("  %6s", "-");
    } else if (analog) {
      printf("  %6.3f", y);
    } else {
      printf("  %6u", level);
    }
  }
  printf("\n");
  if (points != w->points || x0 != w->first_x || x1 != w->last_x) {
    fprintf(stderr, "zel: demo: %s read back %u points over %g .. %g, written %u over %g .. %g\n", path, points,
            x0, x1, w->points, w->first_x, w->last_x);
    return 0;
  }
  return 1;
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

  /* One reader for every waveform, found through the hierarchy. */
  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, set, &g_status);
  zel_view_t view = ZEL_CreateView(s, &g_status);
  zel_reader_t reader = ZEL_CreateReader(s, c, view, &g_status);
  zel_wfDataReader_t data[WAVES];
  for (int i = 0; i < WAVES && ok("create a reader"); ++i) {
    zel_waveform_t w = find_waveform(s, root, i < NODES ? node_paths[i] : logic_paths[i - NODES]);
    if (g_step == NULL) data[i] = ZEL_AddReaderWaveform(s, reader, w, &g_status);
  }
  if (g_step != NULL) return 1;

  /* The table is printed waveform by waveform; the reader goes segment by
   * segment, so the rows are gathered per segment first. */
  int consistent = 1;
  printf("\n%-18s %-6s %6s  %-16s %-15s  %-22s\n", "waveform", "R", "points", "X range [s]", "Y min   Y max",
         "Y at 1/4, 1/2, 3/4 of the run");
  for (int i = 0; i < WAVES && consistent; ++i) {
    for (unsigned seg = 0; seg < segments && seg < SWEEP && consistent; ++seg) {
      zel_segment_t segment = ZEL_GetSegment(s, set, seg, &g_status);
      double r = 0;
      ZEL_GetSegmentParameterValue(s, segment, 0, &r, NULL, &g_status);
      ZEL_StartReadingSegment(s, reader, segment, &g_status);
      if (!ok("start reading a segment")) return 1;
      consistent = print_row(s, data[i], i, seg, seg == 0, r);
      ZEL_EndReading(s, reader, &g_status);
      if (!ok("end reading a segment")) return 1;
    }
  }
  ZEL_DeleteReader(s, reader, &g_status);
  ZEL_DeleteView(s, view, &g_status);
  ZEL_CloseContainer(s, c, &g_status);
  ok("close container");
  if (!consistent && g_step == NULL) g_step = "compare what was read with what was written";
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
