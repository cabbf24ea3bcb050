/*
 * The typical road, end to end, through the public header only: a
 * simulator process writes a swept run; a second process opens the
 * container read-only, finds the waveforms through the hierarchy, shows
 * them through data views and checks every value against what was written.
 *
 * Writer: a waveform set "tran" over time, swept over vdd = 1, 2, 3 (one
 * segment each). Per cycle i (0 .. CYCLES-1, t = i * DT) the analog subset
 * gets in = vdd * i / CYCLES and out = vdd * i * i / CYCLES^2; the digital
 * subset gets clk (a 2-state logic, toggling every 10 cycles) and count (an
 * integer, i / 25), each entered only when it changes. Data is committed
 * every 50 cycles.
 *
 * Reader: default views walk every segment of out; a derivative view of
 * out; out minus count (count lives on a sparser X: the two are merged); clk
 * as text; count as hexadecimal text; searches by X in out and by Y in in.
 *
 * Usage: zel_typical_road DIR (a scratch directory). Exit status 0 when
 * every check passed; the first failure is printed.
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include "zel/zel.h"

#define CYCLES 200
#define DT 1e-9
#define SWEEP 3
#define NONE 0xFFFFFFFFu

static const double vdds[SWEEP] = {1.0, 2.0, 3.0};
static const char* const paths[4] = {"top/in", "top/out", "top/ctl/clk", "top/ctl/count"};
enum { IN, OUT, CLK, COUNT };

static zel_status_t st;
static int failures;

#define CHECK(cond, ...)                                  \
  do {                                                    \
    if (!(cond)) {                                        \
      if (failures++ == 0) {                              \
        fprintf(stderr, "typical road: line %d: ", __LINE__); \
        fprintf(stderr, __VA_ARGS__);                     \
        fprintf(stderr, " [%s]\n", ZEL_GetError());       \
      }                                                   \
    }                                                     \
  } while (0)
#define OK(what) CHECK(st == ZEL_OK, "%s", what)

static double in_at(unsigned k, unsigned i) { return vdds[k] * i / CYCLES; }
static double out_at(unsigned k, unsigned i) { return vdds[k] * (double)i * i / ((double)CYCLES * CYCLES); }
static unsigned char clk_at(unsigned i) { return (unsigned char)((i / 10) % 2); }
static int count_at(unsigned i) { return (int)(i / 25); }

/* ---- the simulator --------------------------------------------------- */

static int simulate(const char* name) {
  zel_session_t s = ZEL_InitSession(&st);
  zel_container_t c = ZEL_CreateContainer(s, name, ZEL_MODE_DISK, &st);
  OK("create container");
  zel_type_t real = ZEL_CreateBuiltinType(s, c, "real", ZEL_REAL, &st);
  zel_type_t integer = ZEL_CreateBuiltinType(s, c, "integer", ZEL_INTEGER, &st);
  const char* literals[2] = {"0", "1"};
  zel_type_t logic = ZEL_CreateEnumerationType(s, c, "logic", 2, literals, 0, 1, ZEL_RANGE_ASCENDING, &st);
  zel_dimensionDescriptor_t time = ZEL_CreateDimensionDescriptor(s, c, "time", "s", real, &st);
  zel_dimensionDescriptor_t volt = ZEL_CreateDimensionDescriptor(s, c, "voltage", "V", real, &st);
  zel_dimensionDescriptor_t level = ZEL_CreateDimensionDescriptor(s, c, "level", "", logic, &st);
  zel_dimensionDescriptor_t number = ZEL_CreateDimensionDescriptor(s, c, "count", "", integer, &st);
  zel_parameter_t vdd = ZEL_CreateParameter(s, c, "vdd", volt, &st);
  ZEL_AppendParameterValues(s, vdd, SWEEP, vdds, NULL, &st);
  zel_waveformSet_t set = ZEL_CreateWaveformSet(s, c, "tran", time, 1, &vdd, &st);
  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, set, &st);
  const zel_dimensionDescriptor_t ys[4] = {volt, volt, level, number};
  zel_waveform_t w[4];
  for (int i = 0; i < 4; ++i) {
    w[i] = ZEL_CreateWaveform(s, set, 0, ys[i], &st);
    ZEL_AddHierarchyScalarWf(s, root, paths[i], ZEL_HDL_SLASH, w[i], &st);
  }
  OK("build the structure");

  for (unsigned k = 0; k < SWEEP && failures == 0; ++k) {
    zel_segment_t segment = ZEL_CreateSegment(s, set, 1, &k, &st);
    zel_simResultWriter_t writer = ZEL_CreateSimResultWriter(s, segment, 0, &st);
    zel_simResultSubset_t analog = ZEL_CreateSimResultSubset(s, writer, ZEL_STORAGE_ANALOG, &st);
    zel_simResultSubset_t digital = ZEL_CreateSimResultSubset(s, writer, ZEL_STORAGE_DIGITAL, &st);
    ZEL_SimWfDataWriter* data[4];
    for (int i = 0; i < 4; ++i) {
      zel_simResultSubset_t subset = i < CLK ? analog : digital;
      data[i] = ZEL_GetSimWfDataWriter_p(s, subset, ZEL_AddSimResultWaveform(s, subset, w[i], &st), &st);
    }
    ZEL_SimInitializeWriting(s, writer, &st);
    OK("start writing");
    for (unsigned i = 0; i < CYCLES && st == ZEL_OK; ++i) {
      const double t = i * DT, in = in_at(k, i), out = out_at(k, i);
      const unsigned char clk = clk_at(i);
      const int count = count_at(i);
      ZEL_SimStartCycle(s, writer, &t, &st);
      ZEL_SimStartDataFront(s, analog, 0, &st);
      ZEL_SimWfDataWriterEnterValue(data[IN], &in, &st);
      ZEL_SimWfDataWriterEnterValue(data[OUT], &out, &st);
      ZEL_SimEndDataFront(s, analog, &st);
      ZEL_SimStartDataFront(s, digital, 0, &st);
      if (i == 0 || clk != clk_at(i - 1)) ZEL_SimWfDataWriterEnterValue(data[CLK], &clk, &st);
      if (i == 0 || count != count_at(i - 1)) ZEL_SimWfDataWriterEnterValue(data[COUNT], &count, &st);
      ZEL_SimEndDataFront(s, digital, &st);
      ZEL_SimEndCycle(s, writer, &st);
      if ((i + 1) % 50 == 0) ZEL_CommitWaveformData(s, segment, 0, &st);
    }
    OK("write the cycles");
    ZEL_SimTerminateWriting(s, writer, &st);
    ZEL_CommitWaveformData(s, segment, 0, &st);
    ZEL_DeleteSimResultWriter(s, writer, &st);
    OK("finish the segment");
  }
  ZEL_CloseContainer(s, c, &st);
  OK("close the container");
  ZEL_TermSession(s, &st);
  return failures == 0 ? 0 : 1;
}

/* ---- the viewer ------------------------------------------------------ */

static zel_session_t s;

static zel_waveform_t find(zel_hierarchyNode_t root, const char* path) {
  unsigned count = 0;
  zel_hierarchyNode_t* nodes = ZEL_GetHierarchyNodes(s, root, path, ZEL_HDL_SLASH, &count, &st);
  zel_waveform_t w = ZEL_NullWaveform;
  if (st == ZEL_OK && count == 1) w = ZEL_GetHierarchyWaveform(s, nodes[0], &st);
  free(nodes);
  CHECK(st == ZEL_OK && count == 1, "find %s", path);
  return w;
}

static zel_wfDataView_t open_view(zel_waveform_t w, zel_wfDataView_t view) {
  if (ZEL_IsWfDataViewNull(view)) view = ZEL_CreateWfDataView(s, w, &st);
  ZEL_OpenWfDataView(s, view, &st);
  OK("open a view");
  return view;
}

/* Every view segment of the view, in order: 0 .. SWEEP-1, each with one
 * leg; *n gets the point count, the window holds the whole leg. */
static ZEL_WfSegment* segment_of(zel_wfDataView_t view, unsigned k, unsigned* n) {
  ZEL_WfSegment* segment = ZEL_GetViewSegment(s, view, k, &st);
  OK("get a view segment");
  if (segment == NULL) return NULL;
  CHECK(ZEL_GetWfSegmentLegCount(segment, &st) == 1, "one leg");
  *n = ZEL_SetupGetWfSegmentBuffer(segment, 0, 0, &st);
  OK("set up the buffer");
  return segment;
}

static void walk_view(zel_wfDataView_t view) {
  unsigned seen = 0;
  for (unsigned k = ZEL_GetViewFirstSegment(s, view, &st); k != NONE && st == ZEL_OK;
       k = ZEL_GetViewNextSegment(s, view, k, &st))
    CHECK(k == seen++, "view segments in order");
  CHECK(st == ZEL_OK && seen == SWEEP, "every segment walked (%u)", seen);
}

static void check_default_views(zel_waveform_t in, zel_waveform_t out) {
  zel_wfDataView_t views[2] = {open_view(in, ZEL_NullWfDataView), open_view(out, ZEL_NullWfDataView)};
  for (int v = 0; v < 2 && failures == 0; ++v) {
    walk_view(views[v]);
    for (unsigned k = 0; k < SWEEP && failures == 0; ++k) {
      unsigned n = 0;
      ZEL_WfSegment* segment = segment_of(views[v], k, &n);
      CHECK(n == CYCLES, "point count %u", n);
      const double* x = ZEL_GetWfSegmentXBuffer(segment, &st);
      const double* y = ZEL_GetWfSegmentYBuffer(segment, &st);
      OK("read the buffers");
      for (unsigned i = 0; i < n && failures == 0; ++i) {
        CHECK(x[i] == i * DT, "x[%u] of segment %u", i, k);
        CHECK(y[i] == (v == 0 ? in_at(k, i) : out_at(k, i)), "y[%u] of segment %u", i, k);
      }
    }
  }
  /* Search by X in out (an exact hit), by Y in in (monotonic). */
  for (unsigned k = 0; k < SWEEP && failures == 0; ++k) {
    unsigned n = 0, leg = 0, lower = 0, upper = 0;
    zel_bool_t exact = 0, interpolated = 0;
    ZEL_WfSegment* segment = segment_of(views[1], k, &n);
    const double x = 37 * DT;
    double y = 0;
    ZEL_GetWfSegmentValueByX(segment, 0, 0, &x, 0, 0, &leg, &lower, &upper, &exact, &interpolated, &y, NULL, &st);
    OK("search by X");
    CHECK(exact && lower == 37 && y == out_at(k, 37), "out at 37 DT: %g (bracket %u)", y, lower);
    segment = segment_of(views[0], k, &n);
    const double wanted = in_at(k, 120);
    double found = 0;
    ZEL_GetWfSegmentValueByY(segment, 0, 0, &wanted, 0, 0, &leg, &lower, &upper, &exact, &interpolated, &found,
                             NULL, &st);
    OK("search by Y");
    CHECK(exact && lower == 120 && found == 120 * DT, "in reaches %g at %g", wanted, found);
  }
  for (int v = 0; v < 2; ++v) ZEL_DeleteWfDataView(s, views[v], &st);
  OK("delete the views");
}

/* The derivative of out (vdd * t^2 / (CYCLES * DT)^2) is 2 * vdd * t /
 * (CYCLES * DT)^2; a difference over one step is within one step's slope
 * change of it. */
static void check_derivative(zel_waveform_t out) {
  zel_wfDataView_t view = ZEL_CreateWfDataView(s, out, &st);
  ZEL_AddViewUnaryOperation(s, view, -2, ZEL_OP_DERIVATIVE, &st);
  open_view(out, view);
  walk_view(view);
  const double scale = (double)CYCLES * CYCLES * DT * DT;
  for (unsigned k = 0; k < SWEEP && failures == 0; ++k) {
    unsigned n = 0;
    ZEL_WfSegment* segment = segment_of(view, k, &n);
    const double* x = ZEL_GetWfSegmentXBuffer(segment, &st);
    const double* y = ZEL_GetWfSegmentYBuffer(segment, &st);
    OK("read the derivative");
    CHECK(n >= CYCLES - 1, "derivative points %u", n);
    const double step = 2 * vdds[k] * DT / scale;
    for (unsigned i = 0; i < n && failures == 0; ++i)
      CHECK(fabs(y[i] - 2 * vdds[k] * x[i] / scale) <= step * 1.0001, "slope at %g: %g", x[i], y[i]);
  }
  ZEL_DeleteWfDataView(s, view, &st);
}

/* out - count: count changes every 25 cycles only (a sparser X); merged
 * onto the common X it holds its value between changes. */
static void check_difference(zel_waveform_t out, zel_waveform_t count, zel_type_t real) {
  zel_wfDataView_t other = ZEL_CreateWfDataView(s, count, &st);
  ZEL_AddViewConvertTypeOperation(s, other, -2, real, &st);
  open_view(count, other);
  unsigned n = 0;
  ZEL_WfSegment* sparse = segment_of(other, 0, &n);
  CHECK(sparse != NULL && n == (CYCLES + 24) / 25, "count holds %u changes", n);
  zel_wfDataView_t view = ZEL_CreateWfDataView(s, out, &st);
  ZEL_AddViewBinOpArg2Waveform(s, view, ZEL_OP_SUBTRACT, other, &st);
  open_view(out, view);
  walk_view(view);
  /* Each change of count after the first is a step: two points at its X,
   * the difference before the change and after it. */
  const unsigned steps = (CYCLES - 1) / 25;
  for (unsigned k = 0; k < SWEEP && failures == 0; ++k) {
    ZEL_WfSegment* segment = segment_of(view, k, &n);
    CHECK(n == CYCLES + steps, "difference points %u", n);
    const double* x = ZEL_GetWfSegmentXBuffer(segment, &st);
    const double* y = ZEL_GetWfSegmentYBuffer(segment, &st);
    OK("read the difference");
    unsigned p = 0;
    for (unsigned i = 0; i < CYCLES && p < n && failures == 0; ++i) {
      if (i > 0 && count_at(i) != count_at(i - 1)) {
        CHECK(x[p] == i * DT && y[p] == out_at(k, i) - count_at(i - 1), "before the step at cycle %u", i);
        ++p;
      }
      CHECK(x[p] == i * DT, "difference x at cycle %u", i);
      CHECK(y[p] == out_at(k, i) - count_at(i), "difference at cycle %u of segment %u: %g", i, k, y[p]);
      ++p;
    }
    CHECK(p == n, "every difference point checked");
  }
  ZEL_DeleteWfDataView(s, view, &st);
  ZEL_DeleteWfDataView(s, other, &st);
  OK("delete the difference views");
}

/* Digital waveforms as text: clk in its literals, count in hexadecimal. */
static void check_texts(zel_waveform_t clk, zel_waveform_t count) {
  zel_wfDataView_t clkView = open_view(clk, ZEL_NullWfDataView);
  zel_wfDataView_t countView = ZEL_CreateWfDataView(s, count, &st);
  ZEL_SetViewConversion(s, countView, -2, ZEL_CONVERT_HEX, &st);
  OK("hexadecimal text");
  open_view(count, countView);
  for (unsigned k = 0; k < SWEEP && failures == 0; ++k) {
    unsigned n = 0;
    ZEL_WfSegment* segment = segment_of(clkView, k, &n);
    CHECK(n == CYCLES / 10, "clk changes %u", n);
    const char* const* texts = ZEL_GetWfSegmentConvertedYBuffer(segment, &st);
    const double* x = ZEL_GetWfSegmentXBuffer(segment, &st);
    OK("clk text");
    for (unsigned j = 0; j < n && failures == 0; ++j) {
      CHECK(strcmp(texts[j], j % 2 ? "1" : "0") == 0, "clk text %u: %s", j, texts[j]);
      CHECK(x[j] == 10 * j * DT, "clk change %u at %g", j, x[j]);
    }
    segment = segment_of(countView, k, &n);
    texts = ZEL_GetWfSegmentConvertedYBuffer(segment, &st);
    OK("count text");
    for (unsigned j = 0; j < n && failures == 0; ++j) {
      char expected[16];
      snprintf(expected, sizeof expected, "%08x", j);
      CHECK(strcmp(texts[j], expected) == 0, "count text %u: %s", j, texts[j]);
    }
  }
  ZEL_DeleteWfDataView(s, clkView, &st);
  ZEL_DeleteWfDataView(s, countView, &st);
}

static int view_results(const char* name) {
  s = ZEL_InitSession(&st);
  zel_container_t c = ZEL_OpenContainer(s, name, ZEL_IOMODE_READ, &st);
  OK("open read-only");
  zel_waveformSet_t set = ZEL_FindWaveformSet(s, c, "tran", &st);
  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, set, &st);
  OK("find the set");
  zel_waveform_t w[4];
  for (int i = 0; i < 4; ++i) w[i] = find(root, paths[i]);
  zel_type_t real = ZEL_GetDimensionDescriptorType(s, ZEL_GetWaveformYDescriptor(s, w[OUT], &st), &st);
  OK("the real type");
  if (failures == 0) check_default_views(w[IN], w[OUT]);
  if (failures == 0) check_derivative(w[OUT]);
  if (failures == 0) check_difference(w[OUT], w[COUNT], real);
  if (failures == 0) check_texts(w[CLK], w[COUNT]);
  ZEL_CloseContainer(s, c, &st);
  OK("close");
  ZEL_TermSession(s, &st);
  return failures == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  char name[4096];
  snprintf(name, sizeof name, "%s/typical_road_%ld", argv[1], (long)getpid());
  const pid_t simulator = fork();
  if (simulator < 0) return 2;
  if (simulator == 0) _exit(simulate(name));
  int status = 0;
  waitpid(simulator, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    fprintf(stderr, "typical road: the simulator process failed\n");
    return 1;
  }
  const int result = view_results(name);
  ZEL_DeleteContainer(name, &st);
  if (result == 0) printf("typical road: written in one process, read back exactly in another\n");
  return result;
}
