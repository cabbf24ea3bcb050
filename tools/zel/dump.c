/* zel dump (and export-csv) CONTAINER WAVEFORM_SET [PATH...] [--segment N]
 * [--x-unit UNIT] [--hex]: the X and Y values of waveforms of one segment
 * (the first by default) as CSV, a header row "waveform,x,y" and then rows
 * "waveform,x,y". PATHs name waveforms in the set's signal hierarchy
 * (slash-separated; the labels the dump prints are accepted), stored ones
 * and those the hierarchy derives; without any, every waveform of the
 * hierarchy is dumped, in hierarchy order (see signals.h). Waveforms
 * without data in the segment are skipped.
 *
 * X values print as numbers in one unit: times in seconds unless --x-unit
 * names another, exactly (whole femtoseconds as decimals); real X as
 * stored, or scaled when its descriptor's unit is a time unit. Y values:
 * reals as the shortest text that reads back as the same double, other types through the library's
 * default text conversion (logic vectors as "0101xz01", or in hexadecimal
 * with --hex), one value at a time straight out of the library's buffers.
 * Fields that need it are quoted.
 *
 * Writing stops quietly when the reader of the output goes away (SIGPIPE is
 * ignored, the broken pipe is seen as a write error), and the container is
 * closed either way, so no reader registration stays behind. */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "commands.h"
#include "signals.h"
#include "tool_support.h"
#include "zel/zel.h"

typedef struct {
  unsigned segment;
  const char* xUnit;
  int hex;
  int paths;
  char** path;
} dump_options;

/* 0 while standard output takes what is written; 1 once it failed (a
 * broken pipe quietly, anything else with a message), to end the dump. */
static int output_failed(int* quiet) {
  /* Flushing sets errno for this very failure (a pipe without a reader
   * fails again on every write). */
  errno = 0;
  if (fflush(stdout) == 0 && !ferror(stdout)) return 0;
  *quiet = errno == EPIPE;
  if (!*quiet) zel_error("standard output: %s", strerror(errno != 0 ? errno : EIO));
  return 1;
}

static void print_y(ZEL_WfSegment* ws, zel_dataType_t kind, const void* value, int hex, char* scratch,
                    size_t scratchSize) {
  if (kind == ZEL_REAL || kind == ZEL_FLOAT) {
    const zel_xformat real = {kind, 0, -1, -1};
    zel_print_x(stdout, &real, value);
    return;
  }
  zel_status_t st;
  const char* text = ZEL_GetWfSegmentConvertedYValue(ws, value, &st);
  if (st != ZEL_OK || text == NULL) text = "?";
  if (hex && kind == ZEL_ARRAY && strlen(text) < scratchSize) {
    zel_logic_hex(text, scratch);
    text = scratch;
  }
  zel_csv_field(stdout, text);
}

static int dump_waveform(zel_session_t s, ZEL_WfSegment* ws, const zel_signal* item, const zel_xformat* x,
                         int hex, int* quiet) {
  zel_status_t st;
  const zel_dataType_t kind = ZEL_GetDataType(s, item->yType, &st);
  const unsigned ySize = ZEL_GetSizeOfType(s, item->yType, &st);
  if (st != ZEL_OK) return zel_fail(item->label);
  zel_cursor cursor;
  if (zel_cursor_init(&cursor, ws, x->size, ySize, item->label) != 0) return 1;
  char scratch[1024];
  int more;
  unsigned n = 0;
  while ((more = zel_cursor_next(&cursor)) == 1) {
    zel_csv_field(stdout, item->label);
    putchar(',');
    zel_print_x(stdout, x, cursor.x);
    putchar(',');
    print_y(ws, kind, cursor.y, hex, scratch, sizeof scratch);
    putchar('\n');
    if (++n % 4096 == 0) {
      if (output_failed(quiet)) return 1;
      zel_progress(item->label, cursor.next, cursor.count);
    }
  }
  return more < 0;
}

static int parse_options(int argc, char** argv, dump_options* options) {
  memset(options, 0, sizeof *options);
  options->path = calloc(argc > 0 ? (size_t)argc : 1, sizeof *options->path);
  if (options->path == NULL) return zel_error("out of memory");
  for (int i = 2; i < argc; ++i) {
    if (strcmp(argv[i], "--segment") == 0 && i + 1 < argc) {
      char* end = NULL;
      unsigned long v = strtoul(argv[++i], &end, 10);
      if (end == argv[i] || *end != '\0' || v > 0xFFFFFFFFul) return zel_error("--segment %s: not a segment number", argv[i]);
      options->segment = (unsigned)v;
    } else if (strcmp(argv[i], "--x-unit") == 0 && i + 1 < argc) {
      options->xUnit = argv[++i];
    } else if (strcmp(argv[i], "--hex") == 0) {
      options->hex = 1;
    } else if (strncmp(argv[i], "--", 2) == 0) {
      return zel_error("unknown option %s (see zel help %s)", argv[i], zel_command);
    } else {
      options->path[options->paths++] = argv[i];
    }
  }
  return 0;
}

int zel_cmd_dump(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: zel %s CONTAINER WAVEFORM_SET [PATH...] [--segment N] [--x-unit UNIT] [--hex]\n",
            zel_command);
    return 2;
  }
  dump_options options;
  if (parse_options(argc, argv, &options) != 0) {
    free(options.path);
    return 2;
  }
  const char* name = zel_container_name(argv[0]);
  zel_status_t st;
  zel_session_t s = ZEL_InitSession(&st);
  if (st != ZEL_OK) {
    free(options.path);
    return zel_fail(NULL);
  }
  int rc = 0;
  int quiet = 0;
  zel_signal_list list = {NULL, 0, 0};
  zel_xformat x;
  zel_container_t c = ZEL_OpenContainer(s, name, ZEL_IOMODE_READ, &st);
  if (st != ZEL_OK) rc = zel_fail(name);
  zel_waveformSet_t set = rc == 0 ? ZEL_FindWaveformSet(s, c, argv[1], &st) : ZEL_NullWaveformSet;
  if (rc == 0 && st != ZEL_OK) rc = zel_error("no waveform set named %s in %s", argv[1], name);
  if (rc == 0) rc = zel_xformat_init(s, set, options.xUnit, &x);
  if (rc == 0) rc = zel_collect_signals(s, set, options.paths, options.path, &list);
  zel_segment_reading reading;
  if (rc == 0) rc = zel_start_reading(s, c, set, options.segment, &list, &reading);
  if (rc == 0) {
    printf("waveform,x,y\n");
    for (unsigned i = 0; i < list.count && rc == 0; ++i) {
      if (reading.segments[i] == NULL) continue;
      rc = dump_waveform(s, reading.segments[i], &list.items[i], &x, options.hex, &quiet);
      zel_progress(list.items[i].label, i + 1, list.count);
    }
    zel_end_reading(&reading);
  }
  zel_progress_done();
  if (rc == 0 && output_failed(&quiet)) rc = 1;
  zel_free_signals(&list);
  free(options.path);
  if (!ZEL_IsContainerNull(c)) ZEL_CloseContainer(s, c, &st);
  ZEL_TermSession(s, &st);
  return quiet ? 0 : rc;
}
