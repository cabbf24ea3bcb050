/* zel export-vcd CONTAINER WAVEFORM_SET [PATH...] [--segment N]: the
 * waveforms of one segment as a VCD file on standard output.
 *
 * Variables: a scalar enumeration whose literals are 0, 1, x and z (any
 * case; h and l read as 1 and 0, other literals as x) is a 1-bit wire; an
 * array of such an enumeration is a vector wire of its element count,
 * declared with its range; an integer is a 32-bit integer; reals and
 * floats are reals. Other types cannot be written and are skipped with a
 * warning. Scopes are the blocks of each waveform's path.
 *
 * Time: X must be a time (the time type, or integers or reals whose
 * descriptor unit is a time unit). A first pass reads every X value as
 * whole femtoseconds and takes their greatest common divisor; the timescale
 * is the largest power of ten of a femtosecond dividing it (1, 10 or 100 of
 * fs to s), so every time is written exactly. A real X that is no whole
 * number of femtoseconds is refused.
 *
 * The second pass merges the waveforms by time (a heap of one cursor per
 * waveform) and writes every stored point: a value change of each signal
 * at each of its points, several points of one signal at one time in their
 * stored order. */
#define _POSIX_C_SOURCE 200809L
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "commands.h"
#include "signals.h"
#include "tool_support.h"
#include "zel/zel.h"

enum var_kind { VAR_SKIP, VAR_BIT, VAR_VECTOR, VAR_INTEGER, VAR_REAL };

typedef struct {
  enum var_kind kind;
  zel_dataType_t yKind;
  unsigned ySize;
  unsigned width;
  int left, right; /* declared range of a vector */
  int ranged;
  zel_type_t element; /* enumeration of a bit or vector */
  char code[8];       /* identifier code */
} vcd_var;

/* The VCD character of a logic literal. */
static char logic_char(const char* literal) {
  if (literal == NULL || literal[0] == '\0' || literal[1] != '\0') return 'x';
  switch (literal[0]) {
    case '0': case 'l': case 'L': return '0';
    case '1': case 'h': case 'H': return '1';
    case 'z': case 'Z': return 'z';
    default: return 'x';
  }
}

/* Whether every literal of an enumeration reads as a logic level. */
static int is_logic(zel_session_t s, zel_type_t type) {
  zel_status_t st;
  const unsigned count = ZEL_GetEnumerationLiteralCount(s, type, &st);
  const char** literals = st == ZEL_OK ? ZEL_GetEnumerationLiteralTable(s, type, &st) : NULL;
  int logic = st == ZEL_OK && count > 0 && literals != NULL;
  for (unsigned i = 0; logic && i < count; ++i) {
    logic = literals[i] != NULL && strlen(literals[i]) == 1 && strchr("01xzXZhlHLuUwW-", literals[i][0]) != NULL;
  }
  free(literals);
  return logic;
}

static void classify(zel_session_t s, const zel_signal* signal, vcd_var* var) {
  zel_status_t st;
  memset(var, 0, sizeof *var);
  var->yKind = ZEL_GetDataType(s, signal->yType, &st);
  var->ySize = ZEL_GetSizeOfType(s, signal->yType, &st);
  if (st != ZEL_OK) return;
  switch (var->yKind) {
    case ZEL_REAL:
    case ZEL_FLOAT:
      var->kind = VAR_REAL;
      return;
    case ZEL_INTEGER:
      var->kind = VAR_INTEGER;
      var->width = 32;
      return;
    case ZEL_ENUMERATION:
      if (is_logic(s, signal->yType)) var->kind = VAR_BIT, var->width = 1, var->element = signal->yType;
      return;
    case ZEL_ARRAY: {
      zel_type_t element = ZEL_GetArrayElementType(s, signal->yType, &st);
      if (st != ZEL_OK || ZEL_GetDataType(s, element, &st) != ZEL_ENUMERATION || !is_logic(s, element)) return;
      var->kind = VAR_VECTOR;
      var->element = element;
      var->width = ZEL_GetArrayElementCount(s, signal->yType, &st);
      zel_range_t range;
      if (ZEL_GetArrayRank(s, signal->yType, &st) == 1 && st == ZEL_OK) {
        ZEL_GetArrayConstraint(s, signal->yType, 0, &range, &st);
        var->ranged = st == ZEL_OK;
        var->left = range.left;
        var->right = range.right;
      }
      return;
    }
    default:
      return;
  }
}

/* A VCD name is one word: white space becomes '_'. */
static void put_name(FILE* out, const char* text, size_t length) {
  for (size_t i = 0; i < length && text[i] != '\0'; ++i) fputc(text[i] == ' ' || text[i] == '\t' ? '_' : text[i], out);
}

static void make_code(unsigned index, char* code) {
  /* Printable characters '!' to '~', least significant first. */
  int n = 0;
  do {
    code[n++] = (char)('!' + index % 94);
    index /= 94;
  } while (index > 0 && n < 7);
  code[n] = '\0';
}

/* Scope stack: the blocks of the previous variable's path. */
typedef struct {
  char* path; /* the blocks, '/' separated, with a trailing '/' */
  size_t length;
} scope_state;

static void enter_scopes(FILE* out, scope_state* state, const char* label) {
  const char* last = strrchr(label, '/');
  const size_t length = last != NULL ? (size_t)(last - label) + 1 : 0;
  /* The common prefix of whole blocks. */
  size_t common = 0;
  for (size_t i = 0; i < length && i < state->length && label[i] == state->path[i]; ++i) {
    if (label[i] == '/') common = i + 1;
  }
  for (size_t i = common; i < state->length; ++i) {
    if (state->path[i] == '/') fprintf(out, "$upscope $end\n");
  }
  for (size_t i = common, begin = common; i < length; ++i) {
    if (label[i] != '/') continue;
    fputs("$scope module ", out);
    put_name(out, label + begin, i - begin);
    fputs(" $end\n", out);
    begin = i + 1;
  }
  free(state->path);
  state->path = strndup(label, length);
  state->length = state->path != NULL ? length : 0;
}

static void declare(FILE* out, const char* label, const vcd_var* var) {
  const char* last = strrchr(label, '/');
  const char* name = last != NULL ? last + 1 : label;
  static const char* const types[] = {"", "wire", "wire", "integer", "real"};
  fprintf(out, "$var %s %u %s ", types[var->kind], var->kind == VAR_REAL ? 64 : var->width, var->code);
  put_name(out, name, strlen(name));
  /* A bus label carries no range; the range comes from the type. */
  if (var->kind == VAR_VECTOR && var->ranged && strchr(name, '[') == NULL) {
    fprintf(out, " [%d:%d]", var->left, var->right);
  }
  fputs(" $end\n", out);
}

static void write_value(FILE* out, zel_session_t s, ZEL_WfSegment* ws, const vcd_var* var, const void* y) {
  zel_status_t st;
  char text[64];
  if (var->kind == VAR_REAL) {
    const zel_xformat real = {var->yKind, 0, -1, -1};
    fputc('r', out);
    zel_print_x(out, &real, y);
    fprintf(out, " %s\n", var->code);
  } else if (var->kind == VAR_INTEGER) {
    int32_t v;
    memcpy(&v, y, sizeof v);
    uint32_t u = (uint32_t)v;
    int bit = 31;
    while (bit > 0 && ((u >> bit) & 1u) == 0) --bit;
    fputc('b', out);
    for (; bit >= 0; --bit) fputc('0' + (int)((u >> bit) & 1u), out);
    fprintf(out, " %s\n", var->code);
  } else if (var->kind == VAR_BIT) {
    fprintf(out, "%c%s\n", logic_char(zel_format_value(s, var->element, y, text, sizeof text)), var->code);
  } else {
    /* The array's text lists one single-character literal per element. */
    const char* vector = ZEL_GetWfSegmentConvertedYValue(ws, y, &st);
    const size_t length = st == ZEL_OK && vector != NULL ? strlen(vector) : 0;
    fputc('b', out);
    for (unsigned i = 0; i < var->width; ++i) {
      const char literal[2] = {i < length ? vector[i] : 'x', '\0'};
      fputc(logic_char(literal), out);
    }
    fprintf(out, " %s\n", var->code);
  }
}

static unsigned long long gcd(unsigned long long a, unsigned long long b) {
  while (b != 0) {
    const unsigned long long t = a % b;
    a = b;
    b = t;
  }
  return a;
}

/* ---- the merge ---- */

typedef struct {
  zel_cursor cursor;
  long long time;  /* of the cursor's point, fs */
  unsigned index;  /* the signal */
} stream;

static int earlier(const stream* a, const stream* b) {
  return a->time < b->time || (a->time == b->time && a->index < b->index);
}

static void sift_down(stream** heap, unsigned n, unsigned i) {
  for (;;) {
    unsigned least = i;
    const unsigned l = 2 * i + 1, r = 2 * i + 2;
    if (l < n && earlier(heap[l], heap[least])) least = l;
    if (r < n && earlier(heap[r], heap[least])) least = r;
    if (least == i) return;
    stream* t = heap[i];
    heap[i] = heap[least];
    heap[least] = t;
    i = least;
  }
}

typedef struct {
  zel_session_t session;
  const zel_signal_list* list;
  zel_segment_reading* reading;
  const zel_xformat* x;
  vcd_var* vars;
} export_job;

/* Opens a cursor on every written signal; moves each to its first point.
 * Returns the number of streams in heap order (unsorted), or -1. */
static int open_streams(const export_job* job, stream* streams, stream** heap) {
  unsigned n = 0;
  for (unsigned i = 0; i < job->list->count; ++i) {
    if (job->reading->segments[i] == NULL || job->vars[i].kind == VAR_SKIP) continue;
    stream* st = &streams[n];
    if (zel_cursor_init(&st->cursor, job->reading->segments[i], job->x->size, job->vars[i].ySize,
                        job->list->items[i].label) != 0) {
      return -1;
    }
    st->index = i;
    const int more = zel_cursor_next(&st->cursor);
    if (more < 0) return -1;
    if (more == 0) continue;
    if (!zel_x_femtoseconds(job->x, st->cursor.x, &st->time)) {
      zel_error("%s: an X value is not a whole number of femtoseconds", st->cursor.label);
      return -1;
    }
    heap[n] = st;
    ++n;
  }
  return (int)n;
}

/* Pass 1: the greatest common divisor of every time (0 when all are 0). */
static int time_divisor(const export_job* job, stream* streams, stream** heap, unsigned long long* divisor) {
  const int n = open_streams(job, streams, heap);
  if (n < 0) return 1;
  *divisor = 0;
  for (int k = 0; k < n; ++k) {
    stream* st = heap[k];
    int more = 1;
    while (more == 1) {
      long long t;
      if (!zel_x_femtoseconds(job->x, st->cursor.x, &t)) {
        return zel_error("%s: an X value is not a whole number of femtoseconds", st->cursor.label);
      }
      *divisor = gcd(*divisor, (unsigned long long)(t < 0 ? -t : t));
      more = zel_cursor_next(&st->cursor);
    }
    if (more < 0) return 1;
  }
  return 0;
}

static int write_changes(FILE* out, const export_job* job, stream* streams, stream** heap, long long scale) {
  int n = open_streams(job, streams, heap);
  if (n < 0) return 1;
  for (int i = n / 2; i-- > 0;) sift_down(heap, (unsigned)n, (unsigned)i);
  int first = 1;
  long long written = 0;
  unsigned long long points = 0;
  while (n > 0) {
    stream* st = heap[0];
    if (first || st->time != written) {
      fprintf(out, "#%lld\n", st->time / scale);
      written = st->time;
      first = 0;
    }
    write_value(out, job->session, st->cursor.segment, &job->vars[st->index], st->cursor.y);
    const int more = zel_cursor_next(&st->cursor);
    if (more < 0) return 1;
    if (more == 0) {
      heap[0] = heap[--n];
    } else if (!zel_x_femtoseconds(job->x, st->cursor.x, &st->time)) {
      return zel_error("%s: an X value is not a whole number of femtoseconds", st->cursor.label);
    }
    sift_down(heap, (unsigned)n, 0);
    if (++points % 65536 == 0) {
      if (fflush(out) != 0) return errno == EPIPE ? 0 : zel_error("standard output: %s", strerror(errno));
      zel_progress("writing", (unsigned)(points >> 16), 0);
    }
  }
  return 0;
}

static int export_segment(const export_job* job) {
  const unsigned count = job->list->count ? job->list->count : 1;
  stream* streams = calloc(count, sizeof *streams);
  stream** heap = calloc(count, sizeof *heap);
  if (streams == NULL || heap == NULL) {
    free(streams);
    free(heap);
    return zel_error("out of memory");
  }
  unsigned long long divisor = 0;
  int rc = time_divisor(job, streams, heap, &divisor);
  int exponent = 0;
  long long scale = 1;
  if (divisor == 0) {
    exponent = 15;
    scale = 1000000000000000LL;
  }
  /* 100 s is the coarsest timescale. */
  while (divisor != 0 && exponent < 17 && divisor % (unsigned long long)(scale * 10) == 0) {
    scale *= 10;
    ++exponent;
  }
  if (rc == 0) {
    char unit[16];
    printf("$version zel export-vcd $end\n$timescale %s $end\n", zel_time_unit_text(exponent, unit, sizeof unit));
    scope_state scopes = {NULL, 0};
    for (unsigned i = 0; i < job->list->count; ++i) {
      if (job->vars[i].kind == VAR_SKIP || job->reading->segments[i] == NULL) continue;
      enter_scopes(stdout, &scopes, job->list->items[i].label);
      declare(stdout, job->list->items[i].label, &job->vars[i]);
    }
    enter_scopes(stdout, &scopes, "");
    free(scopes.path);
    printf("$enddefinitions $end\n");
    rc = write_changes(stdout, job, streams, heap, scale);
  }
  zel_progress_done();
  free(streams);
  free(heap);
  return rc;
}

int zel_cmd_export_vcd(int argc, char** argv) {
  unsigned segmentIndex = 0;
  int paths = 0;
  char** path = calloc(argc > 0 ? (size_t)argc : 1, sizeof *path);
  if (path == NULL) return zel_error("out of memory");
  int usage = argc < 2;
  for (int i = 2; i < argc && !usage; ++i) {
    if (strcmp(argv[i], "--segment") == 0 && i + 1 < argc) {
      char* end = NULL;
      const unsigned long v = strtoul(argv[++i], &end, 10);
      usage = end == argv[i] || *end != '\0' || v > 0xFFFFFFFFul;
      segmentIndex = (unsigned)v;
    } else if (strncmp(argv[i], "--", 2) == 0) {
      usage = 1;
    } else {
      path[paths++] = argv[i];
    }
  }
  if (usage) {
    free(path);
    fprintf(stderr, "usage: zel export-vcd CONTAINER WAVEFORM_SET [PATH...] [--segment N]\n");
    return 2;
  }
  const char* name = zel_container_name(argv[0]);
  zel_status_t st;
  zel_session_t s = ZEL_InitSession(&st);
  if (st != ZEL_OK) {
    free(path);
    return zel_fail(NULL);
  }
  int rc = 0;
  zel_signal_list list = {NULL, 0, 0};
  zel_xformat x;
  vcd_var* vars = NULL;
  zel_container_t c = ZEL_OpenContainer(s, name, ZEL_IOMODE_READ, &st);
  if (st != ZEL_OK) rc = zel_fail(name);
  zel_waveformSet_t set = rc == 0 ? ZEL_FindWaveformSet(s, c, argv[1], &st) : ZEL_NullWaveformSet;
  if (rc == 0 && st != ZEL_OK) rc = zel_error("no waveform set named %s in %s", argv[1], name);
  if (rc == 0) rc = zel_xformat_init(s, set, NULL, &x);
  if (rc == 0 && x.unitExponent < 0) rc = zel_error("X of waveform set %s is not a time", argv[1]);
  if (rc == 0) rc = zel_collect_signals(s, set, paths, path, &list);
  if (rc == 0 && (vars = calloc(list.count ? list.count : 1, sizeof *vars)) == NULL) rc = zel_error("out of memory");
  for (unsigned i = 0; rc == 0 && i < list.count; ++i) {
    classify(s, &list.items[i], &vars[i]);
    make_code(i, vars[i].code);
    if (vars[i].kind == VAR_SKIP) {
      fprintf(stderr, "zel: export-vcd: %s: values of type %s have no VCD form; skipped\n", list.items[i].label,
              ZEL_GetTypeName(s, list.items[i].yType, &st));
    }
  }
  zel_segment_reading reading;
  if (rc == 0) rc = zel_start_reading(s, c, set, segmentIndex, &list, &reading);
  if (rc == 0) {
    const export_job job = {s, &list, &reading, &x, vars};
    rc = export_segment(&job);
    zel_end_reading(&reading);
  }
  errno = 0;
  if (rc == 0 && fflush(stdout) != 0 && errno != EPIPE) rc = zel_error("standard output: %s", strerror(errno));
  free(vars);
  zel_free_signals(&list);
  free(path);
  if (!ZEL_IsContainerNull(c)) ZEL_CloseContainer(s, c, &st);
  ZEL_TermSession(s, &st);
  return rc;
}
