/*
 * read_waveform: opens a container read-only, finds one waveform by its
 * hierarchy path and reads its values segment by segment through a reader.
 *
 * For each segment it prints a few points, then the point count, the X
 * range, the Y minimum and maximum, and Y at the middle of the X range
 * (interpolated between the stored points by the waveform's interpolation
 * type). The minimum and maximum come from the summary the library keeps of
 * the stored values; the program checks them against the values it read.
 * It shows waveforms with real X and Y values and refuses others.
 *
 * Usage: read_waveform NAME [PATH]
 *   NAME is the container's path without suffix, PATH a signal such as
 *   top/out (the default). Exit status 0 on success, 1 with the library's
 *   message (or the program's own) on any failure.
 */
#include <stdio.h>
#include <stdlib.h>

#include "zel/zel.h"

#define SHOWN 5 /* points printed per segment */

/* A failing call stores its status in st and leaves "<function>: <reason>"
 * for ZEL_GetError(); check after every call, before the next one can
 * replace the message. */
static int failed(zel_status_t st, const char* what) {
  static const char* const names[] = {"ZEL_OK",        "ZEL_BAD_HANDLE", "ZEL_BAD_ARG",
                                      "ZEL_BAD_ALLOC", "ZEL_DISK_IO",    "ZEL_NOT_FOUND",
                                      "ZEL_DUPLICATE", "ZEL_FAILED",     "ZEL_UNKNOWN_EXCEPTION"};
  if (st == ZEL_OK) return 0;
  const char* name = (unsigned)st < sizeof names / sizeof names[0] ? names[st] : "unknown status";
  fprintf(stderr, "read_waveform: %s: %s: %s\n", what, name, ZEL_GetError());
  return 1;
}

/* Finds the signal at path in any waveform set of the container; fills
 * *set and returns its waveform, or the null waveform (st stays ZEL_OK when
 * nothing failed but no set has the path). */
static zel_waveform_t find_signal(zel_session_t s, zel_container_t c, const char* path, zel_waveformSet_t* set,
                                  zel_status_t* st) {
  unsigned setCount = 0;
  zel_waveformSet_t* sets = ZEL_GetAllWaveformSets(s, c, &setCount, st); /* ours to free */
  zel_waveform_t found = ZEL_NullWaveform;
  for (unsigned i = 0; i < setCount && *st == ZEL_OK && ZEL_IsWaveformNull(found); ++i) {
    zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, sets[i], st);
    unsigned count = 0;
    zel_hierarchyNode_t* nodes = NULL; /* 0 or 1 nodes, ours to free */
    if (*st == ZEL_OK) nodes = ZEL_GetHierarchyNodes(s, root, path, ZEL_HDL_SLASH, &count, st);
    if (*st == ZEL_OK && count == 1) {
      found = ZEL_GetHierarchyWaveform(s, nodes[0], st);
      *set = sets[i];
    }
    free(nodes);
  }
  free(sets);
  return found;
}

/* Whether the values of the axis are real numbers; *unit gets its unit
 * (owned by the descriptor, valid while the container is open). Calls run
 * only while *st is ZEL_OK, so it holds the first failure: a descriptor
 * handle that a failing call returned as null is never used. */
static int real_axis(zel_session_t s, zel_dimensionDescriptor_t axis, const char** unit, zel_status_t* st) {
  zel_type_t type = ZEL_NullType;
  zel_dataType_t dataType = ZEL_CHARACTER;
  if (*st == ZEL_OK) *unit = ZEL_GetDimensionDescriptorUnit(s, axis, st);
  if (*st == ZEL_OK) type = ZEL_GetDimensionDescriptorType(s, axis, st);
  if (*st == ZEL_OK && !ZEL_IsTypeNull(type)) dataType = ZEL_GetDataType(s, type, st);
  return *st == ZEL_OK && !ZEL_IsTypeNull(type) && dataType == ZEL_REAL;
}

/* Prints one segment of the waveform read through data; 0 on success. */
static int show_segment(zel_session_t s, zel_wfDataReader_t data, const char* xUnit, const char* yUnit) {
  zel_status_t st;
  const unsigned n = ZEL_GetPointCount(s, data, &st);
  if (failed(st, "get the point count")) return 1;
  if (n == 0) {
    printf("  no points\n");
    return 0;
  }
  /* The n X and Y values lie side by side from point 0 on; the library
   * owns them (valid until the reader is deleted). */
  const void *xs = NULL, *ys = NULL;
  const unsigned* orders = NULL; /* only polynomial data has orders */
  ZEL_GetWaveformDataXYBuffers(s, data, 0, &xs, &ys, &orders, &st);
  if (failed(st, "get the buffers")) return 1;
  const double* x = xs;
  const double* y = ys;
  double low = y[0], high = y[0];
  for (unsigned i = 0; i < n; ++i) {
    if (y[i] < low) low = y[i];
    if (y[i] > high) high = y[i];
  }
  /* SHOWN points spread over the segment, first and last included. */
  for (unsigned k = 0, last = n; k < SHOWN; ++k) {
    const unsigned i = (unsigned)((unsigned long long)k * (n - 1) / (SHOWN - 1));
    if (i != last) printf("  x = %g %s, y = %g %s\n", x[i], xUnit, y[i], yUnit);
    last = i;
  }
  double min = 0, max = 0;
  ZEL_GetWaveformDataYMinMax(s, data, &min, &max, &st);
  if (failed(st, "get the Y summary")) return 1;
  if (min != low || max != high) {
    fprintf(stderr, "read_waveform: the summary (%g .. %g) disagrees with the values (%g .. %g)\n", min, max, low,
            high);
    return 1;
  }
  printf("  %u points, x %g .. %g %s, y min %g max %g %s", n, x[0], x[n - 1], xUnit, min, max, yUnit);
  /* Values between points exist only for data written with an
   * interpolation type. */
  const zel_interpolation_t interpolation = ZEL_GetWaveformDataInterpolationType(s, data, &st);
  if (failed(st, "get the interpolation type")) return 1;
  if (interpolation != ZEL_INTERPOLATION_NONE) {
    const double middle = (x[0] + x[n - 1]) / 2;
    double value = 0;
    unsigned lower = 0, upper = 0;
    ZEL_GetWaveformDataYatX(s, data, 0, &middle, &value, &lower, &upper, &st);
    if (failed(st, "get Y at the middle")) return 1;
    printf(", y(%g) = %g", middle, value);
  }
  printf("\n");
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    fprintf(stderr, "usage: read_waveform NAME [PATH] (NAME: a container path without suffix)\n");
    return 2;
  }
  const char* path = argc == 3 ? argv[2] : "top/out";
  zel_status_t st;
  zel_session_t s = ZEL_InitSession(&st);
  if (failed(st, "start a session")) return 1;
  zel_container_t c = ZEL_OpenContainer(s, argv[1], ZEL_IOMODE_READ, &st);
  if (failed(st, argv[1])) goto fail;

  zel_waveformSet_t set = ZEL_NullWaveformSet;
  zel_waveform_t w = find_signal(s, c, path, &set, &st);
  if (failed(st, path)) goto fail;
  if (ZEL_IsWaveformNull(w)) {
    fprintf(stderr, "read_waveform: no signal %s in %s\n", path, argv[1]);
    goto fail;
  }
  /* Values are untyped memory laid out by their type: this program reads
   * them as doubles, so both axes must be real. */
  const char *xUnit = NULL, *yUnit = NULL;
  const int xReal = real_axis(s, ZEL_GetWaveformXDescriptor(s, w, &st), &xUnit, &st);
  if (failed(st, "get the X axis")) goto fail;
  const int yReal = real_axis(s, ZEL_GetWaveformYDescriptor(s, w, &st), &yUnit, &st);
  if (failed(st, "get the Y axis")) goto fail;
  if (!xReal || !yReal) {
    fprintf(stderr, "read_waveform: %s does not hold real values over a real X axis\n", path);
    goto fail;
  }

  /* A reader stands on a view and reads its waveforms one segment at a
   * time: start reading the segment, read, end reading. */
  zel_view_t view = ZEL_CreateView(s, &st);
  if (failed(st, "create a view")) goto fail;
  zel_reader_t reader = ZEL_CreateReader(s, c, view, &st);
  if (failed(st, "create a reader")) goto fail;
  zel_wfDataReader_t data = ZEL_AddReaderWaveform(s, reader, w, &st);
  if (failed(st, "add the waveform to the reader")) goto fail;
  const unsigned segments = ZEL_GetSegmentCount(s, set, &st);
  if (failed(st, "count the segments")) goto fail;
  const char* setName = ZEL_GetWaveformSetName(s, set, &st);
  if (failed(st, "get the set's name")) goto fail;
  for (unsigned k = 0; k < segments; ++k) {
    printf("%s in %s (waveform set %s), segment %u:\n", path, argv[1], setName, k);
    zel_segment_t segment = ZEL_GetSegment(s, set, k, &st);
    if (failed(st, "get a segment")) goto fail;
    ZEL_StartReadingSegment(s, reader, segment, &st);
    if (failed(st, "start reading")) goto fail;
    if (show_segment(s, data, xUnit, yUnit) != 0) goto fail;
    ZEL_EndReading(s, reader, &st);
    if (failed(st, "end reading")) goto fail;
  }
  /* The reader goes before its view, which cannot go while a reader
   * stands on it. */
  ZEL_DeleteReader(s, reader, &st);
  if (failed(st, "delete the reader")) goto fail;
  ZEL_DeleteView(s, view, &st);
  if (failed(st, "delete the view")) goto fail;
  ZEL_CloseContainer(s, c, &st);
  if (failed(st, "close the container")) goto fail;
  ZEL_TermSession(s, &st);
  return failed(st, "end the session");

fail:
  /* Ending the session closes its containers and releases its views. */
  ZEL_TermSession(s, NULL);
  return 1;
}
