/*
 * array_writer: writes a swept run with the array writer, then reads one
 * segment back and checks it.
 *
 * The waveform set "sweep" runs over time with one sweep parameter, vdd
 * (1.0, 1.2 and 1.5 V). Each vdd value gets a segment of its own, which an
 * array writer fills with POINTS X values (time, DT apart) and the Y values
 * of top/out (a ramp from 0 V to vdd), appended in pieces of CHUNK points as
 * a program would hand them over while it computes them.
 *
 * The container is then closed and opened again read-only; the segment of
 * vdd = 1.2 V is found by its parameter index and read through a reader.
 * Every X and Y value must equal the one written, and Y halfway between two
 * points must be their linear interpolation. Exit status 0 when everything
 * matches, 1 otherwise (with the library's message for a failing call).
 *
 * Usage: array_writer NAME
 *   NAME is the container's path without suffix. The container stays on
 *   disk: read_waveform NAME top/out shows its three segments.
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "zel/zel.h"

#define POINTS 500
#define CHUNK 128 /* points per append; the last piece is shorter */
#define DT 1e-9   /* s between points */
#define CHECKED 1 /* position of vdd = 1.2 V among the values */

static const double vdds[3] = {1.0, 1.2, 1.5};

/* A failing call stores its status in st and leaves "<function>: <reason>"
 * for ZEL_GetError(); check after every call, before the next one can
 * replace the message. */
static int failed(zel_status_t st, const char* what) {
  static const char* const names[] = {"ZEL_OK",        "ZEL_BAD_HANDLE", "ZEL_BAD_ARG",
                                      "ZEL_BAD_ALLOC", "ZEL_DISK_IO",    "ZEL_NOT_FOUND",
                                      "ZEL_DUPLICATE", "ZEL_FAILED",     "ZEL_UNKNOWN_EXCEPTION"};
  if (st == ZEL_OK) return 0;
  const char* name = (unsigned)st < sizeof names / sizeof names[0] ? names[st] : "unknown status";
  fprintf(stderr, "array_writer: %s: %s: %s\n", what, name, ZEL_GetError());
  return 1;
}

static double x_at(unsigned i) { return i * DT; }
static double y_at(unsigned k, unsigned i) { return vdds[k] * i / (POINTS - 1); }

/* Writes segment k (vdd = vdds[k]) of set with one array writer. */
static int write_segment(zel_session_t s, zel_waveformSet_t set, zel_waveform_t out, unsigned k) {
  zel_status_t st;
  /* One index per parameter of the set: the position of the vdd value. */
  zel_segment_t segment = ZEL_CreateSegment(s, set, 1, &k, &st);
  if (failed(st, "create a segment")) return 1;
  /* ANALOG: every waveform gets a Y value for every X value. */
  zel_writer_t writer = ZEL_CreateWriter(s, segment, 0, ZEL_STORAGE_ANALOG, &st);
  if (failed(st, "create a writer")) return 1;
  ZEL_WfDataWriter* data = ZEL_AddWriterWaveform(s, writer, out, &st); /* owned by the writer */
  if (failed(st, "add top/out")) return 1;
  /* Without an interpolation type readers get no values between points. */
  ZEL_WfDataWriterSetInterpolationType(data, ZEL_INTERPOLATION_LINEAR, &st);
  if (failed(st, "set the interpolation")) return 1;
  ZEL_InitializeArrayWriting(s, writer, &st);
  if (failed(st, "initialize array writing")) return 1;
  double x[CHUNK], y[CHUNK];
  for (unsigned first = 0; first < POINTS; first += CHUNK) {
    const unsigned count = POINTS - first < CHUNK ? POINTS - first : CHUNK;
    for (unsigned i = 0; i < count; ++i) {
      x[i] = x_at(first + i);
      y[i] = y_at(k, first + i);
    }
    /* The values are copied: the arrays can be refilled at once. */
    ZEL_AppendXArray(s, writer, count, x, &st);
    if (failed(st, "append X values")) return 1;
    ZEL_WfDataWriterAppendArrays(data, count, y, NULL, NULL, &st);
    if (failed(st, "append Y values")) return 1;
  }
  ZEL_TerminateWriting(s, writer, &st);
  if (failed(st, "terminate writing")) return 1;
  ZEL_CommitWaveformData(s, segment, 0, &st);
  if (failed(st, "commit")) return 1;
  ZEL_DeleteWriter(s, writer, &st);
  return failed(st, "delete the writer");
}

static int write_sweep(zel_session_t s, const char* name) {
  zel_status_t st;
  zel_container_t c = ZEL_CreateContainer(s, name, ZEL_MODE_DISK, &st);
  if (failed(st, "create the container")) return 1;
  zel_type_t real = ZEL_CreateBuiltinType(s, c, "real", ZEL_REAL, &st);
  if (failed(st, "create the real type")) return 1;
  zel_dimensionDescriptor_t time = ZEL_CreateDimensionDescriptor(s, c, "time", "s", real, &st);
  if (failed(st, "create the time axis")) return 1;
  zel_dimensionDescriptor_t volt = ZEL_CreateDimensionDescriptor(s, c, "voltage", "V", real, &st);
  if (failed(st, "create the voltage axis")) return 1;
  zel_parameter_t vdd = ZEL_CreateParameter(s, c, "vdd", volt, &st);
  if (failed(st, "create the parameter")) return 1;
  ZEL_AppendParameterValues(s, vdd, 3, vdds, NULL, &st);
  if (failed(st, "append the vdd values")) return 1;
  zel_waveformSet_t set = ZEL_CreateWaveformSet(s, c, "sweep", time, 1, &vdd, &st);
  if (failed(st, "create the waveform set")) return 1;
  zel_waveform_t out = ZEL_CreateWaveform(s, set, 0, volt, &st);
  if (failed(st, "create the waveform")) return 1;
  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, set, &st);
  if (failed(st, "get the hierarchy root")) return 1;
  ZEL_AddHierarchyScalarWf(s, root, "top/out", ZEL_HDL_SLASH, out, &st);
  if (failed(st, "name top/out")) return 1;
  for (unsigned k = 0; k < 3; ++k) {
    if (write_segment(s, set, out, k) != 0) return 1;
  }
  ZEL_CloseContainer(s, c, &st);
  return failed(st, "close the container");
}

/* Reads the segment of vdds[CHECKED] back; 0 when it holds what was written. */
static int check_segment(zel_session_t s, const char* name) {
  zel_status_t st;
  zel_container_t c = ZEL_OpenContainer(s, name, ZEL_IOMODE_READ, &st);
  if (failed(st, "open the container")) return 1;
  zel_waveformSet_t set = ZEL_FindWaveformSet(s, c, "sweep", &st);
  if (failed(st, "find the waveform set")) return 1;
  const unsigned index = CHECKED;
  zel_segment_t segment = ZEL_FindSegmentIndices(s, set, 1, &index, &st);
  if (failed(st, "find the segment")) return 1;
  double vdd = 0;
  if (!ZEL_IsSegmentNull(segment)) ZEL_GetSegmentParameterValue(s, segment, 0, &vdd, NULL, &st);
  if (failed(st, "get the segment's vdd")) return 1;
  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, set, &st);
  if (failed(st, "get the hierarchy root")) return 1;
  unsigned found = 0;
  zel_hierarchyNode_t* nodes = ZEL_GetHierarchyNodes(s, root, "top/out", ZEL_HDL_SLASH, &found, &st);
  if (failed(st, "find top/out")) return 1;
  zel_waveform_t out = found == 1 ? ZEL_GetHierarchyWaveform(s, nodes[0], &st) : ZEL_NullWaveform;
  free(nodes);
  if (failed(st, "get the waveform of top/out")) return 1;
  if (ZEL_IsSegmentNull(segment) || ZEL_IsWaveformNull(out) || vdd != vdds[CHECKED]) {
    fprintf(stderr, "array_writer: no segment of vdd = %g with top/out\n", vdds[CHECKED]);
    return 1;
  }

  zel_view_t view = ZEL_CreateView(s, &st);
  if (failed(st, "create a view")) return 1;
  zel_reader_t reader = ZEL_CreateReader(s, c, view, &st);
  if (failed(st, "create a reader")) return 1;
  zel_wfDataReader_t data = ZEL_AddReaderWaveform(s, reader, out, &st);
  if (failed(st, "add top/out to the reader")) return 1;
  ZEL_StartReadingSegment(s, reader, segment, &st);
  if (failed(st, "start reading")) return 1;
  const unsigned n = ZEL_GetPointCount(s, data, &st);
  if (failed(st, "get the point count")) return 1;
  const void *xs = NULL, *ys = NULL;
  const unsigned* orders = NULL; /* only polynomial data has orders */
  if (n == POINTS) ZEL_GetWaveformDataXYBuffers(s, data, 0, &xs, &ys, &orders, &st);
  if (failed(st, "get the buffers")) return 1;
  unsigned wrong = n == POINTS ? 0 : 1;
  for (unsigned i = 0; i < n && wrong == 0; ++i) {
    if (((const double*)xs)[i] != x_at(i) || ((const double*)ys)[i] != y_at(CHECKED, i)) wrong = 1;
  }
  /* Halfway between points 200 and 201: the mean of their values. */
  const double x = (x_at(200) + x_at(201)) / 2, expected = (y_at(CHECKED, 200) + y_at(CHECKED, 201)) / 2;
  double y = 0;
  unsigned lower = 0, upper = 0;
  if (wrong == 0) ZEL_GetWaveformDataYatX(s, data, 0, &x, &y, &lower, &upper, &st);
  if (failed(st, "get Y at X")) return 1;
  if (wrong || lower != 200 || upper != 201 || fabs(y - expected) > 1e-12) {
    fprintf(stderr, "array_writer: the segment of vdd = %g does not hold what was written (%u points)\n",
            vdds[CHECKED], n);
    return 1;
  }
  ZEL_EndReading(s, reader, &st);
  if (failed(st, "end reading")) return 1;
  ZEL_DeleteReader(s, reader, &st);
  if (failed(st, "delete the reader")) return 1;
  ZEL_DeleteView(s, view, &st);
  if (failed(st, "delete the view")) return 1;
  ZEL_CloseContainer(s, c, &st);
  if (failed(st, "close the container")) return 1;
  printf("array_writer: segment vdd = %g V of %s: %u points read back as written\n", vdd, name, n);
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: array_writer NAME (a container path without suffix)\n");
    return 2;
  }
  zel_status_t st;
  zel_session_t s = ZEL_InitSession(&st);
  if (failed(st, "start a session")) return 1;
  const int result = write_sweep(s, argv[1]) != 0 || check_segment(s, argv[1]) != 0;
  /* Ending the session closes what a failure left open and releases the
   * views. */
  ZEL_TermSession(s, &st);
  if (failed(st, "end the session")) return 1;
  return result;
}
