/*
 * write_transient: a simulator that writes one transient run while it runs,
 * through the simulation result writer.
 *
 * The container holds one waveform set, "tran", over time and without sweep
 * parameters, so it has a single segment. Three signals are named in its
 * hierarchy:
 *
 *   top/in   analog, a value every cycle: a step from 0 V to VDD at cycle
 *            STEP_CYCLE
 *   top/out  analog, a value every cycle: that step through an RC low-pass
 *            of time constant TAU
 *   top/clk  digital, a 0/1 clock entered only when it changes
 *
 * The run has CYCLES cycles of DT seconds. The values so far are committed
 * every COMMIT_EVERY cycles, which makes them visible to readers in other
 * processes while the simulation goes on.
 *
 * Usage: write_transient NAME
 *   NAME is the container's path without suffix; the library makes the
 *   reference file NAME.qo_zel and the directory NAME_zel. Read the result
 *   back with: read_waveform NAME top/out
 */
#include <math.h>
#include <stdio.h>

#include "zel/zel.h"

#define CYCLES 1000
#define DT 1e-9           /* s per cycle */
#define VDD 1.8           /* V */
#define STEP_CYCLE 100    /* the input steps up at 100 ns */
#define TAU 100e-9        /* s */
#define CLK_HALF 50       /* cycles per half clock period */
#define COMMIT_EVERY 100  /* cycles */

/*
 * The library's error pattern: every call that can fail takes a
 * zel_status_t* last and stores ZEL_OK or the failure's status there. A
 * failing call returns a null handle (or 0, or a null pointer) and leaves
 * "<function>: <reason>" for ZEL_GetError(), until the next failing call
 * replaces it. So check after each call: the next call would fail on the
 * null handle and hide the first reason.
 */
static int failed(zel_status_t st, const char* what) {
  static const char* const names[] = {"ZEL_OK",        "ZEL_BAD_HANDLE", "ZEL_BAD_ARG",
                                      "ZEL_BAD_ALLOC", "ZEL_DISK_IO",    "ZEL_NOT_FOUND",
                                      "ZEL_DUPLICATE", "ZEL_FAILED",     "ZEL_UNKNOWN_EXCEPTION"};
  if (st == ZEL_OK) return 0;
  const char* name = (unsigned)st < sizeof names / sizeof names[0] ? names[st] : "unknown status";
  fprintf(stderr, "write_transient: %s: %s: %s\n", what, name, ZEL_GetError());
  return 1;
}

static double in_at(unsigned i) { return i < STEP_CYCLE ? 0.0 : VDD; }
static double out_at(unsigned i) {
  const double since = (double)i - STEP_CYCLE; /* cycles since the step */
  return since < 0 ? 0.0 : VDD * (1.0 - exp(-since * DT / TAU));
}
static unsigned char clk_at(unsigned i) { return (unsigned char)((i / CLK_HALF) % 2); }

/* One cycle. Each call runs only while those before it succeeded, so the
 * status returned and ZEL_GetError() describe the first failure. */
static zel_status_t write_cycle(zel_session_t s, zel_simResultWriter_t writer, zel_simResultSubset_t analog,
                                zel_simResultSubset_t digital, ZEL_SimWfDataWriter* clk, unsigned i) {
  zel_status_t st = ZEL_OK;
  const double t = i * DT;
  /* The analog front takes a value of every waveform of the subset, here
   * in one array in the order the waveforms were added (in, out). */
  const double voltages[2] = {in_at(i), out_at(i)};
  const unsigned char level = clk_at(i);
  ZEL_SimStartCycle(s, writer, &t, &st);
  if (st == ZEL_OK) ZEL_SimStartDataFront(s, analog, 0, &st);
  if (st == ZEL_OK) ZEL_SimEnterDataFrontValues(s, analog, 0, 2, voltages, &st);
  if (st == ZEL_OK) ZEL_SimEndDataFront(s, analog, &st);
  /* The digital front takes values only for the waveforms that change; the
   * clock goes through its data writer, one value per call. */
  if (st == ZEL_OK) ZEL_SimStartDataFront(s, digital, 0, &st);
  if (st == ZEL_OK && (i == 0 || level != clk_at(i - 1))) ZEL_SimWfDataWriterEnterValue(clk, &level, &st);
  if (st == ZEL_OK) ZEL_SimEndDataFront(s, digital, &st);
  if (st == ZEL_OK) ZEL_SimEndCycle(s, writer, &st);
  return st;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: write_transient NAME (a container path without suffix)\n");
    return 2;
  }
  zel_status_t st;
  zel_session_t s = ZEL_InitSession(&st);
  if (failed(st, "start a session")) return 1;

  /* The structure: types, descriptors (name, unit, type of an axis), the
   * waveform set over time and one waveform per signal. */
  zel_container_t c = ZEL_CreateContainer(s, argv[1], ZEL_MODE_DISK, &st);
  if (failed(st, "create the container")) goto fail;
  zel_type_t real = ZEL_CreateBuiltinType(s, c, "real", ZEL_REAL, &st);
  if (failed(st, "create the real type")) goto fail;
  const char* literals[2] = {"0", "1"};
  zel_type_t logic = ZEL_CreateEnumerationType(s, c, "logic", 2, literals, 0, 1, ZEL_RANGE_ASCENDING, &st);
  if (failed(st, "create the logic type")) goto fail;
  zel_dimensionDescriptor_t time = ZEL_CreateDimensionDescriptor(s, c, "time", "s", real, &st);
  if (failed(st, "create the time axis")) goto fail;
  zel_dimensionDescriptor_t volt = ZEL_CreateDimensionDescriptor(s, c, "voltage", "V", real, &st);
  if (failed(st, "create the voltage axis")) goto fail;
  zel_dimensionDescriptor_t level = ZEL_CreateDimensionDescriptor(s, c, "level", "", logic, &st);
  if (failed(st, "create the logic axis")) goto fail;
  zel_waveformSet_t set = ZEL_CreateWaveformSet(s, c, "tran", time, 0, NULL, &st);
  if (failed(st, "create the waveform set")) goto fail;
  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, set, &st);
  if (failed(st, "get the hierarchy root")) goto fail;
  const char* const paths[3] = {"top/in", "top/out", "top/clk"};
  const zel_dimensionDescriptor_t ys[3] = {volt, volt, level};
  zel_waveform_t waveforms[3];
  for (int k = 0; k < 3; ++k) {
    waveforms[k] = ZEL_CreateWaveform(s, set, 0, ys[k], &st);
    if (failed(st, "create a waveform")) goto fail;
    /* Missing blocks on the path (top) are created. */
    ZEL_AddHierarchyScalarWf(s, root, paths[k], ZEL_HDL_SLASH, waveforms[k], &st);
    if (failed(st, paths[k])) goto fail;
  }

  /* The writer of the one segment, an analog subset (in, out) and a
   * digital one (clk). Subsets and their waveforms are set up before
   * writing is initialized. */
  zel_segment_t segment = ZEL_CreateSegment(s, set, 0, NULL, &st);
  if (failed(st, "create the segment")) goto fail;
  zel_simResultWriter_t writer = ZEL_CreateSimResultWriter(s, segment, 0, &st);
  if (failed(st, "create the writer")) goto fail;
  zel_simResultSubset_t analog = ZEL_CreateSimResultSubset(s, writer, ZEL_STORAGE_ANALOG, &st);
  if (failed(st, "create the analog subset")) goto fail;
  zel_simResultSubset_t digital = ZEL_CreateSimResultSubset(s, writer, ZEL_STORAGE_DIGITAL, &st);
  if (failed(st, "create the digital subset")) goto fail;
  ZEL_AddSimResultWaveform(s, analog, waveforms[0], &st);
  if (failed(st, "add top/in")) goto fail;
  ZEL_AddSimResultWaveform(s, analog, waveforms[1], &st);
  if (failed(st, "add top/out")) goto fail;
  const unsigned clkIndex = ZEL_AddSimResultWaveform(s, digital, waveforms[2], &st);
  if (failed(st, "add top/clk")) goto fail;
  ZEL_SimWfDataWriter* clk = ZEL_GetSimWfDataWriter_p(s, digital, clkIndex, &st);
  if (failed(st, "get the clock's data writer")) goto fail;
  /* Readers interpolate the voltages linearly between cycles. */
  ZEL_SetSimInterpolationType(s, analog, ZEL_INTERPOLATION_LINEAR, &st);
  if (failed(st, "set the interpolation")) goto fail;
  ZEL_SimInitializeWriting(s, writer, &st);
  if (failed(st, "initialize writing")) goto fail;

  for (unsigned i = 0; i < CYCLES; ++i) {
    st = write_cycle(s, writer, analog, digital, clk, i);
    if (failed(st, "write a cycle")) goto fail;
    /* Between cycles only: a commit inside a cycle is refused. */
    if ((i + 1) % COMMIT_EVERY == 0) {
      ZEL_CommitWaveformData(s, segment, 0, &st);
      if (failed(st, "commit")) goto fail;
    }
  }
  ZEL_SimTerminateWriting(s, writer, &st);
  if (failed(st, "terminate writing")) goto fail;
  ZEL_CommitWaveformData(s, segment, 0, &st);
  if (failed(st, "commit")) goto fail;
  ZEL_DeleteSimResultWriter(s, writer, &st);
  if (failed(st, "delete the writer")) goto fail;
  ZEL_CloseContainer(s, c, &st);
  if (failed(st, "close the container")) goto fail;
  ZEL_TermSession(s, &st);
  if (failed(st, "end the session")) return 1;
  printf("write_transient: %d cycles of top/in, top/out and top/clk written to %s\n", CYCLES, argv[1]);
  return 0;

fail:
  /* Ending the session closes the containers it still has open. */
  ZEL_TermSession(s, NULL);
  return 1;
}
