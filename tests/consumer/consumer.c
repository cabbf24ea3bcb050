/* A program that uses the library as an outside project does: through the
 * installed header alone, linked by CMake (find_package, add_subdirectory)
 * or by pkg-config flags, shared or static. It writes a container with one
 * waveform through the array writer, opens it again read-only and checks
 * what a reader gives back. Usage: consumer DIR (the container is DIR/run).
 * Exit status 0 when everything read back matches. */
#include <stdio.h>
#include <stdlib.h>

#include <zel/zel.h>

#define POINTS 1000

static int failed(const char* what, zel_status_t st) {
  fprintf(stderr, "consumer: %s: status %d: %s\n", what, (int)st, ZEL_GetError());
  return 1;
}

#define TRY(what, call)                    \
  do {                                     \
    call;                                  \
    if (st != ZEL_OK) return failed(what, st); \
  } while (0)

static int write_container(zel_session_t s, const char* name) {
  zel_status_t st = ZEL_OK;
  zel_container_t c;
  TRY("create", c = ZEL_CreateContainer(s, name, ZEL_MODE_DISK, &st));
  zel_type_t real;
  TRY("type", real = ZEL_CreateBuiltinType(s, c, "real", ZEL_REAL, &st));
  zel_dimensionDescriptor_t time, volt;
  TRY("descriptor", time = ZEL_CreateDimensionDescriptor(s, c, "time", "s", real, &st));
  TRY("descriptor", volt = ZEL_CreateDimensionDescriptor(s, c, "voltage", "V", real, &st));
  zel_waveformSet_t set;
  TRY("waveform set", set = ZEL_CreateWaveformSet(s, c, "tran", time, 0, NULL, &st));
  zel_segment_t segment;
  TRY("segment", segment = ZEL_CreateSegment(s, set, 0, NULL, &st));
  zel_waveform_t out;
  TRY("waveform", out = ZEL_CreateWaveform(s, set, 0, volt, &st));
  zel_hierarchyNode_t root;
  TRY("root", root = ZEL_GetNameHierarchyRootNode(s, set, &st));
  TRY("signal", ZEL_AddHierarchyScalarWf(s, root, "top/out", ZEL_HDL_SLASH, out, &st));

  static double x[POINTS], y[POINTS];
  for (unsigned i = 0; i < POINTS; ++i) {
    x[i] = i * 1e-9;
    y[i] = 0.5 * i;
  }
  zel_writer_t writer;
  TRY("writer", writer = ZEL_CreateWriter(s, segment, 0, ZEL_STORAGE_ANALOG, &st));
  ZEL_WfDataWriter* data;
  TRY("writer waveform", data = ZEL_AddWriterWaveform(s, writer, out, &st));
  TRY("interpolation", ZEL_WfDataWriterSetInterpolationType(data, ZEL_INTERPOLATION_LINEAR, &st));
  TRY("initialize", ZEL_InitializeArrayWriting(s, writer, &st));
  TRY("x values", ZEL_AppendXArray(s, writer, POINTS, x, &st));
  TRY("y values", ZEL_WfDataWriterAppendArrays(data, POINTS, y, NULL, NULL, &st));
  TRY("terminate", ZEL_TerminateWriting(s, writer, &st));
  TRY("commit", ZEL_CommitWaveformData(s, segment, 0, &st));
  TRY("close", ZEL_CloseContainer(s, c, &st));
  return 0;
}

static int read_container(zel_session_t s, const char* name) {
  zel_status_t st = ZEL_OK;
  zel_container_t c;
  TRY("open", c = ZEL_OpenContainer(s, name, ZEL_IOMODE_READ, &st));
  zel_waveformSet_t set;
  TRY("find set", set = ZEL_FindWaveformSet(s, c, "tran", &st));
  zel_hierarchyNode_t root;
  TRY("root", root = ZEL_GetNameHierarchyRootNode(s, set, &st));
  unsigned found = 0;
  zel_hierarchyNode_t* nodes;
  TRY("find signal", nodes = ZEL_GetHierarchyNodes(s, root, "top/out", ZEL_HDL_SLASH, &found, &st));
  if (found != 1) return failed("signal top/out not found", st);
  zel_waveform_t out;
  TRY("waveform", out = ZEL_GetHierarchyWaveform(s, nodes[0], &st));
  free(nodes);

  zel_view_t view;
  TRY("view", view = ZEL_CreateView(s, &st));
  zel_reader_t reader;
  TRY("reader", reader = ZEL_CreateReader(s, c, view, &st));
  zel_wfDataReader_t data;
  TRY("reader waveform", data = ZEL_AddReaderWaveform(s, reader, out, &st));
  zel_segment_t segment;
  TRY("segment", segment = ZEL_GetSegment(s, set, 0, &st));
  TRY("start", ZEL_StartReadingSegment(s, reader, segment, &st));
  unsigned n;
  TRY("point count", n = ZEL_GetPointCount(s, data, &st));
  if (n != POINTS) return failed("point count", st);
  const void *xs, *ys;
  const unsigned* orders;
  TRY("buffers", ZEL_GetWaveformDataXYBuffers(s, data, 0, &xs, &ys, &orders, &st));
  const double* y = (const double*)ys;
  if (y[0] != 0.0 || y[POINTS - 1] != 0.5 * (POINTS - 1)) return failed("values", st);
  double at = 10.5e-9, value = 0;
  unsigned lower, upper;
  TRY("value at x", ZEL_GetWaveformDataYatX(s, data, 0, &at, &value, &lower, &upper, &st));
  if (lower != 10 || upper != 11 || value < 5.2499 || value > 5.2501) return failed("interpolated value", st);
  TRY("end", ZEL_EndReading(s, reader, &st));
  TRY("delete reader", ZEL_DeleteReader(s, reader, &st));
  TRY("delete view", ZEL_DeleteView(s, view, &st));
  TRY("close", ZEL_CloseContainer(s, c, &st));
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: consumer DIR\n");
    return 2;
  }
  char name[4096];
  snprintf(name, sizeof name, "%s/run", argv[1]);
  zel_status_t st = ZEL_OK;
  zel_session_t s = ZEL_InitSession(&st);
  if (st != ZEL_OK) return failed("session", st);
  if (write_container(s, name) != 0 || read_container(s, name) != 0) return 1;
  ZEL_TermSession(s, &st);
  printf("consumer: read back %d points\n", POINTS);
  return st == ZEL_OK ? 0 : failed("end session", st);
}
