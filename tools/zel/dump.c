/* zel dump (and export-csv) CONTAINER WAVEFORM_SET [PATH...] [--segment N|all]
 * [--x-unit UNIT] [--hex] [--op OPERATION]... [--minus PATH]: the X and Y
 * values of waveforms as CSV, a header row "waveform,P1,...,x,y" and then
 * one row per point, with the values of the set's sweep parameters P1...
 * of the point's segment. PATHs name waveforms in the set's signal
 * hierarchy (slash-separated; the labels the dump prints are accepted),
 * stored ones and those the hierarchy derives; without any, every waveform
 * of the hierarchy is dumped, in hierarchy order (see signals.h). The first
 * segment is dumped unless --segment names another (its position in the
 * set) or all of them; waveforms without data in a segment are skipped.
 *
 * Each waveform is read through a data view: --op applies unary operations
 * to Y in the order given (derivative, integral, abs, ...: the names of
 * zel.h's ZEL_OP_ values in lower case), --minus subtracts the named
 * waveform, merged onto a common X where the X values differ.
 *
 * X values print as numbers in one unit: times in seconds unless --x-unit
 * names another, exactly (whole femtoseconds as decimals); real X as
 * stored, or scaled when its descriptor's unit is a time unit. Y values:
 * reals as the shortest text that reads back as the same double, other
 * types through the library's default text conversion (logic vectors as
 * "0101xz01", or in hexadecimal with --hex), one value at a time straight
 * out of the library's buffers. Fields that need it are quoted.
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

#define MAX_OPS 16
#define ALL_SEGMENTS 0xFFFFFFFFu
#define NO_SEGMENT 0xFFFFFFFFu

/* The unary operations by name, at their zel_operation_t values. */
static const char* const unary_names[] = {
    "identity", "abs",  "acos", "asin", "atan", "negate", "conjugate", "cos", "cosh", "db20", "db10",
    "db20_milli", "db10_milli", "db20_micro", "db10_micro", "exp", "imag", "log", "log10", "not", "phase",
    "phase_degrees", "real", "sin", "sinh", "sqrt", "tan", "tanh", "continuous_phase",
    "continuous_phase_degrees", "derivative", "integral", "integral_trapezoid"};
#define UNARY_COUNT (sizeof unary_names / sizeof unary_names[0])

typedef struct {
  unsigned segment;  /* position in the set, or ALL_SEGMENTS */
  const char* xUnit;
  int hex;
  int paths;
  char** path;
  zel_operation_t ops[MAX_OPS];
  unsigned opCount;
  char* minus;
} dump_options;

/* The set's sweep parameters, whose values label each segment's rows. */
typedef struct {
  unsigned count;
  zel_parameter_t* parameters;
  unsigned* valueCounts;
  char** text; /* the current segment's values as CSV-ready text */
} dump_parameters;
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

/* One view segment's points: label, parameter values, x, y. */
static int dump_points(ZEL_WfSegment* ws, const char* label, const dump_parameters* params, zel_dataType_t kind,
                       unsigned ySize, const zel_xformat* x, int hex, int* quiet) {
  zel_cursor cursor;
  if (zel_cursor_init(&cursor, ws, x->size, ySize, label) != 0) return 1;
  char scratch[1024];
  int more;
  unsigned n = 0;
  while ((more = zel_cursor_next(&cursor)) == 1) {
    zel_csv_field(stdout, label);
    for (unsigned p = 0; p < params->count; ++p) {
      putchar(',');
      zel_csv_field(stdout, params->text[p]);
    }
    putchar(',');
    zel_print_x(stdout, x, cursor.x);
    putchar(',');
    print_y(ws, kind, cursor.y, hex, scratch, sizeof scratch);
    putchar('\n');
    if (++n % 4096 == 0) {
      if (output_failed(quiet)) return 1;
      zel_progress(label, cursor.next, cursor.count);
    }
  }
  return more < 0;
}

static void free_parameters(dump_parameters* params) {
  for (unsigned p = 0; params->text != NULL && p < params->count; ++p) free(params->text[p]);
  free(params->text);
  free(params->parameters);
  free(params->valueCounts);
  memset(params, 0, sizeof *params);
}

static int load_parameters(zel_session_t s, zel_waveformSet_t set, dump_parameters* params) {
  zel_status_t st;
  memset(params, 0, sizeof *params);
  params->count = ZEL_GetWaveformSetParameterCount(s, set, &st);
  if (st != ZEL_OK) return zel_fail(NULL);
  const size_t n = params->count ? params->count : 1;
  params->parameters = calloc(n, sizeof *params->parameters);
  params->valueCounts = calloc(n, sizeof *params->valueCounts);
  params->text = calloc(n, sizeof *params->text);
  if (params->parameters == NULL || params->valueCounts == NULL || params->text == NULL)
    return zel_error("out of memory");
  for (unsigned p = 0; p < params->count; ++p) {
    params->parameters[p] = ZEL_GetWaveformSetParameter(s, set, p, &st);
    if (st == ZEL_OK) params->valueCounts[p] = ZEL_GetParameterValueCount(s, params->parameters[p], &st);
    if (st != ZEL_OK) return zel_fail(NULL);
  }
  return 0;
}

/* The parameter values of view segment index (default display axes: the
 * set's parameters in order, the first varying fastest) as text. */
static int parameter_texts(zel_session_t s, unsigned index, dump_parameters* params) {
  char text[256];
  for (unsigned p = 0; p < params->count; ++p) {
    const unsigned count = params->valueCounts[p];
    const unsigned position = count ? index % count : 0;
    index = count ? index / count : 0;
    zel_status_t st;
    const void* values = NULL;
    const int* orders = NULL;
    ZEL_GetParameterValueBuffer(s, params->parameters[p], position, &values, &orders, &st);
    if (st != ZEL_OK || values == NULL) return zel_fail(ZEL_GetParameterName(s, params->parameters[p], &st));
    free(params->text[p]);
    params->text[p] = strdup(zel_format_value(s, ZEL_GetParameterType(s, params->parameters[p], &st), values, text,
                                              sizeof text));
    if (params->text[p] == NULL) return zel_error("out of memory");
  }
  return 0;
}

/* The view segment index of the segment at position in the set. */
static int view_index_of(zel_session_t s, zel_waveformSet_t set, unsigned position, const dump_parameters* params,
                         unsigned* index) {
  zel_status_t st;
  const unsigned segments = ZEL_GetSegmentCount(s, set, &st);
  if (st != ZEL_OK) return zel_fail(NULL);
  if (position >= segments)
    return zel_error("waveform set %s has no segment %u (it has %u)", ZEL_GetWaveformSetName(s, set, &st), position,
                     segments);
  zel_segment_t segment = ZEL_GetSegment(s, set, position, &st);
  unsigned* positions = calloc(params->count ? params->count : 1, sizeof *positions);
  if (positions == NULL) return zel_error("out of memory");
  for (unsigned p = 0; p < params->count && st == ZEL_OK; ++p)
    positions[p] = ZEL_GetSegmentParameterValueIndex(s, segment, p, &st);
  if (st == ZEL_OK) *index = ZEL_GetSegmentIndexFromParIndices(s, set, params->count, positions, &st);
  free(positions);
  return st == ZEL_OK ? 0 : zel_fail(NULL);
}

/* One waveform through a data view with the options' operations: every
 * chosen view segment that holds values. */
static int dump_waveform(zel_session_t s, const zel_signal* item, zel_wfDataView_t minus, const dump_options* o,
                         unsigned only, dump_parameters* params, const zel_xformat* x, int* quiet) {
  zel_status_t st;
  zel_wfDataView_t view = ZEL_CreateWfDataView(s, item->waveform, &st);
  if (st != ZEL_OK) return zel_fail(item->label);
  int rc = 0;
  for (unsigned i = 0; i < o->opCount && rc == 0; ++i) {
    ZEL_AddViewUnaryOperation(s, view, -2, o->ops[i], &st);
    if (st != ZEL_OK) rc = zel_fail(item->label);
  }
  if (rc == 0 && !ZEL_IsWfDataViewNull(minus)) {
    ZEL_AddViewBinOpArg2Waveform(s, view, ZEL_OP_SUBTRACT, minus, &st);
    if (st != ZEL_OK) rc = zel_fail(item->label);
  }
  if (rc == 0) {
    ZEL_OpenWfDataView(s, view, &st);
    if (st != ZEL_OK) rc = zel_fail(item->label);
  }
  zel_type_t yType = rc == 0 ? ZEL_GetViewAxisType(s, view, -2, &st) : ZEL_NullType;
  const zel_dataType_t kind = rc == 0 ? ZEL_GetDataType(s, yType, &st) : ZEL_REAL;
  const unsigned ySize = rc == 0 ? ZEL_GetSizeOfType(s, yType, &st) : 0;
  if (rc == 0 && st != ZEL_OK) rc = zel_fail(item->label);
  unsigned k = NO_SEGMENT;
  if (rc == 0) {
    k = only != ALL_SEGMENTS ? only : ZEL_GetViewFirstSegment(s, view, &st);
    if (st != ZEL_OK) rc = zel_fail(item->label);
  }
  while (rc == 0 && k != NO_SEGMENT) {
    ZEL_WfSegment* ws = ZEL_GetViewSegment(s, view, k, &st);
    if (st == ZEL_OK) {
      rc = parameter_texts(s, k, params);
      if (rc == 0) rc = dump_points(ws, item->label, params, kind, ySize, x, o->hex, quiet);
    } else if (st != ZEL_NOT_FOUND && st != ZEL_BAD_ARG) {
      /* An empty view segment, or one beyond those of a waveform without
       * values, has nothing to dump. */
      rc = zel_fail(item->label);
    }
    k = only != ALL_SEGMENTS ? NO_SEGMENT : ZEL_GetViewNextSegment(s, view, k, &st);
  }
  ZEL_DeleteWfDataView(s, view, &st);
  return rc;
}

/* "derivative" or "DERIVATIVE" or "integral-trapezoid": the unary operation
 * of that name, or -1. */
static int unary_operation(const char* name) {
  char normal[64];
  size_t n = 0;
  for (; name[n] != '\0' && n + 1 < sizeof normal; ++n) {
    const char c = name[n];
    normal[n] = c == '-' ? '_' : (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
  }
  normal[n] = '\0';
  for (unsigned i = 0; i < UNARY_COUNT; ++i)
    if (strcmp(normal, unary_names[i]) == 0) return (int)i;
  return -1;
}

static int parse_options(int argc, char** argv, dump_options* options) {
  memset(options, 0, sizeof *options);
  options->path = calloc(argc > 0 ? (size_t)argc : 1, sizeof *options->path);
  if (options->path == NULL) return zel_error("out of memory");
  for (int i = 2; i < argc; ++i) {
    if (strcmp(argv[i], "--segment") == 0 && i + 1 < argc) {
      char* end = NULL;
      unsigned long v = strtoul(argv[++i], &end, 10);
      if (strcmp(argv[i], "all") == 0) {
        options->segment = ALL_SEGMENTS;
      } else if (end == argv[i] || *end != '\0' || v >= 0xFFFFFFFFul) {
        return zel_error("--segment %s: not a segment number (or all)", argv[i]);
      } else {
        options->segment = (unsigned)v;
      }
    } else if (strcmp(argv[i], "--x-unit") == 0 && i + 1 < argc) {
      options->xUnit = argv[++i];
    } else if (strcmp(argv[i], "--hex") == 0) {
      options->hex = 1;
    } else if (strcmp(argv[i], "--op") == 0 && i + 1 < argc) {
      const int op = unary_operation(argv[++i]);
      if (op < 0) return zel_error("--op %s: not a unary operation (derivative, integral, abs, ...)", argv[i]);
      if (options->opCount == MAX_OPS) return zel_error("--op: at most %d operations", MAX_OPS);
      options->ops[options->opCount++] = (zel_operation_t)op;
    } else if (strcmp(argv[i], "--minus") == 0 && i + 1 < argc) {
      options->minus = argv[++i];
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
    fprintf(stderr,
            "usage: zel %s CONTAINER WAVEFORM_SET [PATH...] [--segment N|all] [--x-unit UNIT] [--hex]"
            " [--op OPERATION]... [--minus PATH]\n",
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
  zel_signal_list minusList = {NULL, 0, 0};
  dump_parameters params = {0, NULL, NULL, NULL};
  zel_wfDataView_t minus = ZEL_NullWfDataView;
  zel_xformat x;
  zel_container_t c = ZEL_OpenContainer(s, name, ZEL_IOMODE_READ, &st);
  if (st != ZEL_OK) rc = zel_fail(name);
  zel_waveformSet_t set = rc == 0 ? ZEL_FindWaveformSet(s, c, argv[1], &st) : ZEL_NullWaveformSet;
  if (rc == 0 && st != ZEL_OK) rc = zel_error("no waveform set named %s in %s", argv[1], name);
  if (rc == 0) rc = zel_xformat_init(s, set, options.xUnit, &x);
  if (rc == 0) rc = zel_collect_signals(s, set, options.paths, options.path, &list);
  if (rc == 0) rc = load_parameters(s, set, &params);
  unsigned only = ALL_SEGMENTS;
  if (rc == 0 && options.segment != ALL_SEGMENTS) rc = view_index_of(s, set, options.segment, &params, &only);
  if (rc == 0 && options.minus != NULL) {
    rc = zel_collect_signals(s, set, 1, &options.minus, &minusList);
    if (rc == 0) minus = ZEL_CreateWfDataView(s, minusList.items[0].waveform, &st);
    if (rc == 0 && st == ZEL_OK) ZEL_OpenWfDataView(s, minus, &st);
    if (rc == 0 && st != ZEL_OK) rc = zel_fail(options.minus);
  }
  if (rc == 0) {
    printf("waveform");
    for (unsigned p = 0; p < params.count; ++p) {
      putchar(',');
      zel_csv_field(stdout, ZEL_GetParameterName(s, params.parameters[p], &st));
    }
    printf(",x,y\n");
    for (unsigned i = 0; i < list.count && rc == 0; ++i) {
      rc = dump_waveform(s, &list.items[i], minus, &options, only, &params, &x, &quiet);
      zel_progress(list.items[i].label, i + 1, list.count);
    }
  }
  zel_progress_done();
  if (rc == 0 && output_failed(&quiet)) rc = 1;
  if (!ZEL_IsWfDataViewNull(minus)) ZEL_DeleteWfDataView(s, minus, &st);
  zel_free_signals(&minusList);
  zel_free_signals(&list);
  free_parameters(&params);
  free(options.path);
  if (!ZEL_IsContainerNull(c)) ZEL_CloseContainer(s, c, &st);
  ZEL_TermSession(s, &st);
  return quiet ? 0 : rc;
}
