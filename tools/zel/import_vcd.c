/*
 * zel import-vcd FILE CONTAINER [--set NAME]: a value change dump (IEEE 1364
 * VCD) into a new container, read once from start to end.
 *
 * What becomes what:
 *  - One waveform set (named "vcd" unless --set says otherwise) without
 *    parameters, so one segment. Its X descriptor "time" counts ticks of the
 *    file's timescale exactly, in the smallest X type that holds the file's
 *    last time: a 32-bit integer up to 2^31 - 1 ticks, a real (exact for
 *    whole numbers) up to 2^53, beyond that the 24-byte time type (ticks of
 *    1 fs, the timescale converted). The X unit is the timescale ("1ps",
 *    "10ns"; "1s" for a file without one); the set keeps it as attribute
 *    "timescale" too, with "date", "version" and "end time" (the last
 *    timestamp of the file, in ticks).
 *  - Scopes are blocks (attribute "scope" holds the scope type).
 *  - Bit variables without a range are scalar signals of the enumeration
 *    "logic" with the literals 0, 1, x, z (encodings 0 to 3). A file that
 *    uses any of the further VHDL states (u, w, l, h, -) is read again from
 *    the start with the enumeration "logic9": 0, 1, x, z, u, w, l, h, -
 *    (encodings 0 to 8), so the first four keep their encodings.
 *  - Vector variables (and bit variables with a declared range) are buses:
 *    composite signals named "name[left:right]" of an array of logic over
 *    the declared range, in the declared direction. Element 0 is the left
 *    index, which is the first character of a VCD vector value. A vector
 *    whose packed value exceeds MAX_PACKED_BYTES (more than 464 bits of
 *    logic, 232 of logic9) is stored as one scalar waveform per bit, bound
 *    to the bus's fields, and the hierarchy derives the bus from them; each
 *    change then enters only the bits that differ from their last value.
 *  - real and realtime variables are reals. $dumpoff sets every variable
 *    that its block does not list to x (reals to NaN, as Icarus Verilog
 *    writes them).
 *  - An identifier code declared under several names is one waveform bound
 *    to every name. String variables are skipped with a warning.
 *
 * Values go through a simulation result writer with one digital subset:
 * each timestamp is a cycle holding the changes at that time; a second
 * change of one variable at one time starts another cycle at the same time,
 * so every change is kept, in file order (of a vector stored bit by bit,
 * the bits that change). The data is committed every
 * COMMIT_BYTES of input, so memory stays bounded by the writer's pages and
 * chunks, whatever the file's size.
 */
#include <errno.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "commands.h"
#include "import_common.h"
#include "zel/zel.h"

#define COMMIT_BYTES ((uint64_t)64 << 20)
/* Bits of one vector variable: a declaration costs a few bytes of the file
 * but a wide one a waveform per bit (VAR_BITS), so the width is bounded. */
#define MAX_WIDTH (1u << 16)
#define NEED_NINE_STATES 3   /* import_file's result: read again with logic9 */

/* The largest packed value a digital subset stores whole: its 128-byte
 * chunks hold (X index, value) pairs of 4-byte indices after two 4-byte
 * links. Wider vectors are stored bit by bit (VAR_BITS). */
#define MAX_PACKED_BYTES 116u

enum { VAR_SCALAR, VAR_VECTOR, VAR_REAL, VAR_SKIP, VAR_BITS };

typedef struct {
  int kind;
  unsigned width;         /* declared size in bits */
  unsigned bytes;         /* packed value size (vectors) */
  int left, right;        /* declared range of a vector */
  zel_waveform_t waveform;
  ZEL_SimWfDataWriter* writer;
  uint64_t stamp;         /* serial of the cycle that last got a value */
  /* VAR_BITS: one scalar waveform per element (left index first), their
   * writers and the last code entered for each (255 before the first). */
  zel_waveform_t* bits;
  ZEL_SimWfDataWriter** bitWriters;
  unsigned char* last;
} vcd_var;

typedef struct {
  zel_session_t s;
  zel_container_t c;
  zi_input in;
  int nine;                /* logic9 in use */
  unsigned elementBits;    /* packed bits of one logic element */
  zel_type_t logic, real, integer, xType;
  zel_dimensionDescriptor_t logicDescriptor, realDescriptor;
  zel_dataType_t xKind;    /* ZEL_INTEGER, ZEL_REAL or ZEL_TIME */
  int tickExponent;        /* a tick is 10^tickExponent s (time X only) */
  char timescale[32];
  zel_waveformSet_t set;
  zel_segment_t segment;
  zel_simResultWriter_t writer;
  zel_simResultSubset_t subset;

  vcd_var* vars;
  unsigned varCount, varCapacity;
  zi_map ids;              /* identifier code -> var index */
  int32_t* shortIds;       /* codes of 1 to 3 characters: short_slot -> var index, -1 none */
  zi_map arrays;           /* "left:right" -> array type key */
  zi_map arrayDescriptors; /* "left:right" -> descriptor key */

  unsigned char* value;    /* scratch for one packed vector value */
  size_t valueCapacity;
  int skippedStrings;

  uint64_t now;            /* current time in ticks */
  int cycleOpen;
  uint64_t serial;         /* of the current (or last) cycle */
  uint64_t lastCommit;     /* input offset at the last commit */
  int dumpoffBlock;        /* inside $dumpoff ... $end */
  uint64_t dumpoffSerial;  /* first cycle serial of that block */
} vcd_import;

/* Encoding of each value character: 0..3 the four states, 4..8 the VHDL
 * states, 255 none. */
static unsigned char g_code[256];

static void init_codes(void) {
  memset(g_code, 255, sizeof g_code);
  const char* states = "01xzuwlh-";
  for (unsigned i = 0; states[i] != '\0'; ++i) {
    g_code[(unsigned char)states[i]] = (unsigned char)i;
    if (states[i] >= 'a' && states[i] <= 'z') g_code[(unsigned char)(states[i] - 'a' + 'A')] = (unsigned char)i;
  }
}

static int lib(vcd_import* im, zel_status_t st, const char* what) {
  if (st == ZEL_OK) return 0;
  return zi_error(&im->in, "%s: %s", what, ZEL_GetError());
}

/* Identifier codes are printable characters (33 to 126). Codes of one to
 * three characters, which simulators hand out first, have a slot in a
 * direct table of SHORT_SLOTS entries: 94 + 94^2 + 94^3. */
#define SHORT_SLOTS (94l + 94l * 94 + 94l * 94 * 94)

static long short_slot(const char* code, size_t n) {
  if (n == 0 || n > 3) return -1;
  long slot = 0, base = 0, span = 1;
  for (size_t i = 0; i < n; ++i) {
    const unsigned c = (unsigned char)code[i] - 33u;
    if (c >= 94) return -1;
    slot = slot * 94 + (long)c;
    base += span;
    span *= 94;
  }
  return base - 1 + slot;
}

/* ------ Header -------------------------------------------------------- */

/* The text of a section up to its $end, tokens joined by one space. */
static int section_text(vcd_import* im, char* out, size_t size) {
  const char* t;
  size_t n;
  size_t used = 0;
  if (size > 0) out[0] = '\0';
  for (;;) {
    const int r = zi_token(&im->in, &t, &n);
    if (r < 0) return 1;
    if (r == 0) return zi_error(&im->in, "the file ends inside a section (no $end)");
    if (n == 4 && memcmp(t, "$end", 4) == 0) return 0;
    if (out == NULL) continue;
    if (used > 0 && used + 1 < size) out[used++] = ' ';
    for (size_t i = 0; i < n && used + 1 < size; ++i) out[used++] = t[i];
    out[used] = '\0';
  }
}

static int expect_end(vcd_import* im, const char* section) {
  const char* t;
  size_t n;
  const int r = zi_token(&im->in, &t, &n);
  if (r < 0) return 1;
  if (r == 0 || n != 4 || memcmp(t, "$end", 4) != 0) return zi_error(&im->in, "%s without its $end", section);
  return 0;
}

/* "1 ps", "1ps", "100 ns": checks the number (1, 10 or 100) and the unit. */
static int parse_timescale(vcd_import* im, const char* text) {
  char digits[8] = "";
  char unit[8] = "";
  size_t i = 0, d = 0, u = 0;
  while (text[i] == ' ') ++i;
  while (text[i] >= '0' && text[i] <= '9' && d + 1 < sizeof digits) digits[d++] = text[i++];
  while (text[i] == ' ') ++i;
  while (text[i] != '\0' && text[i] != ' ' && u + 1 < sizeof unit) unit[u++] = text[i++];
  static const char* const units[] = {"s", "ms", "us", "ns", "ps", "fs"};
  const unsigned long number = strtoul(digits, NULL, 10);
  for (unsigned k = 0; k < 6; ++k) {
    if (strcmp(unit, units[k]) == 0 && (number == 1 || number == 10 || number == 100)) {
      im->tickExponent = -3 * (int)k + (number == 10 ? 1 : number == 100 ? 2 : 0);
      snprintf(im->timescale, sizeof im->timescale, "%lu%s", number, unit);
      return 0;
    }
  }
  return zi_error(&im->in, "unsupported timescale \"%s\" (expected 1, 10 or 100 of s, ms, us, ns, ps, fs)", text);
}

/* The last timestamp of the file, from its tail; 0 when none is found. */
static int last_time(const char* path, uint64_t* last) {
  *last = 0;
  FILE* f = fopen(path, "rb");
  if (f == NULL) return 0;
  static char tail[1 << 16];
  int found = 0;
  if (fseek(f, 0, SEEK_END) == 0) {
    const long size = ftell(f);
    const long from = size > (long)sizeof tail - 1 ? size - (long)sizeof tail + 1 : 0;
    if (size >= 0 && fseek(f, from, SEEK_SET) == 0) {
      const size_t n = fread(tail, 1, (size_t)(size - from), f);
      tail[n] = '\0';
      for (size_t i = n; i-- > 0;) {
        if (tail[i] == '#' && (i == 0 || tail[i - 1] == '\n' || tail[i - 1] == ' ' || tail[i - 1] == '\r')) {
          errno = 0;
          char* end = NULL;
          const unsigned long long v = strtoull(tail + i + 1, &end, 10);
          if (end != tail + i + 1 && errno == 0) {
            *last = v;
            found = 1;
            break;
          }
        }
      }
    }
  }
  fclose(f);
  return found;
}

static zel_type_t array_type(vcd_import* im, int left, int right, zel_dimensionDescriptor_t* descriptor) {
  char key[32];
  snprintf(key, sizeof key, "%d:%d", left, right);
  zel_status_t st = ZEL_OK;
  const long found = zi_map_find(&im->arrays, key, strlen(key));
  if (found >= 0) {
    zel_type_t t = {(int)found};
    zel_dimensionDescriptor_t d = {(int)zi_map_find(&im->arrayDescriptors, key, strlen(key))};
    *descriptor = d;
    return t;
  }
  char name[48];
  snprintf(name, sizeof name, "%s[%d:%d]", im->nine ? "logic9" : "logic", left, right);
  zel_range_t range = {im->integer, left, right, left >= right ? ZEL_RANGE_DESCENDING : ZEL_RANGE_ASCENDING};
  zel_type_t t = ZEL_CreateArrayType(im->s, im->c, name, im->logic, 1, &range, &st);
  if (st == ZEL_OK) *descriptor = ZEL_CreateDimensionDescriptor(im->s, im->c, name, "", t, &st);
  if (st != ZEL_OK) {
    lib(im, st, "create a vector type");
    return ZEL_NullType;
  }
  if (!zi_map_add(&im->arrays, key, strlen(key), (unsigned)t.key) ||
      !zi_map_add(&im->arrayDescriptors, key, strlen(key), (unsigned)descriptor->key)) {
    zi_error(&im->in, "out of memory");
    return ZEL_NullType;
  }
  return t;
}

/* Parses "[a:b]" or "[a]" (length n); 1 on success. */
static int parse_range(const char* t, size_t n, int* left, int* right, int* single) {
  char text[64];
  if (n < 3 || n >= sizeof text || t[0] != '[' || t[n - 1] != ']') return 0;
  memcpy(text, t + 1, n - 2);
  text[n - 2] = '\0';
  char* end = NULL;
  errno = 0;
  const long a = strtol(text, &end, 10);
  if (end == text || errno != 0 || a < -2147483647L || a > 2147483647L) return 0;
  if (*end == '\0') {
    *left = *right = (int)a;
    *single = 1;
    return 1;
  }
  if (*end != ':') return 0;
  char* start = end + 1;
  const long b = strtol(start, &end, 10);
  if (end == start || *end != '\0' || errno != 0 || b < -2147483647L || b > 2147483647L) return 0;
  *left = (int)a;
  *right = (int)b;
  *single = 0;
  return 1;
}

/* $var TYPE SIZE CODE REFERENCE [RANGE] $end below node. */
static int parse_var(vcd_import* im, zel_hierarchyNode_t node) {
  const char* t;
  size_t n;
  char type[32], code[256], name[1024], rangeText[64] = "";
  char* fields[3] = {type, code, name};
  const size_t sizes[3] = {sizeof type, sizeof code, sizeof name};
  unsigned long width = 0;
  for (int f = 0; f < 4; ++f) {
    const int r = zi_token(&im->in, &t, &n);
    if (r < 0) return 1;
    if (r == 0 || (n == 4 && memcmp(t, "$end", 4) == 0)) return zi_error(&im->in, "incomplete $var declaration");
    if (f == 1) {
      char digits[16];
      if (n >= sizeof digits) return zi_error(&im->in, "bad variable size \"%.*s\"", (int)n, t);
      memcpy(digits, t, n);
      digits[n] = '\0';
      char* end = NULL;
      width = strtoul(digits, &end, 10);
      if (*end != '\0' || width == 0 || width > MAX_WIDTH) {
        return zi_error(&im->in, "bad variable size \"%s\" (1 to %u bits)", digits, MAX_WIDTH);
      }
      continue;
    }
    const int k = f == 0 ? 0 : f - 1;
    if (n >= sizes[k]) return zi_error(&im->in, "$var field too long: \"%.40s...\"", t);
    memcpy(fields[k], t, n);
    fields[k][n] = '\0';
  }
  for (;;) {
    const int r = zi_token(&im->in, &t, &n);
    if (r < 0) return 1;
    if (r == 0) return zi_error(&im->in, "$var without its $end");
    if (n == 4 && memcmp(t, "$end", 4) == 0) break;
    if (rangeText[0] != '\0' || n >= sizeof rangeText) return zi_error(&im->in, "unexpected text in $var of %s", name);
    memcpy(rangeText, t, n);
    rangeText[n] = '\0';
  }
  /* A range written onto the name ("q[3:0]"). */
  char* bracket = strrchr(name, '[');
  if (rangeText[0] == '\0' && bracket != NULL && bracket != name && name[strlen(name) - 1] == ']') {
    snprintf(rangeText, sizeof rangeText, "%s", bracket);
    *bracket = '\0';
  }
  int left = (int)width - 1, right = 0, single = 0, hasRange = 0;
  if (rangeText[0] != '\0') {
    if (!parse_range(rangeText, strlen(rangeText), &left, &right, &single)) {
      return zi_error(&im->in, "bad range \"%s\" of %s", rangeText, name);
    }
    hasRange = !single;
    const long long span = (long long)left - right;
    if (hasRange && (unsigned long long)(span < 0 ? -span : span) + 1 != width) {
      return zi_error(&im->in, "range %s of %s does not have its %lu bits", rangeText, name, width);
    }
    if (single && width != 1) return zi_error(&im->in, "range %s of %s does not have its %lu bits", rangeText, name, width);
  }
  int kind;
  if (strcmp(type, "real") == 0 || strcmp(type, "realtime") == 0 || strcmp(type, "real_parameter") == 0) {
    kind = VAR_REAL;
  } else if (strcmp(type, "string") == 0) {
    kind = VAR_SKIP;
  } else {
    kind = (width == 1 && !hasRange) ? VAR_SCALAR : VAR_VECTOR;
  }
  if (!hasRange) {
    left = (int)width - 1;
    right = 0;
  }
  /* The signal's name: a bus carries its range; a bit select keeps it. */
  char label[1100];
  if (kind == VAR_VECTOR) {
    snprintf(label, sizeof label, "%s[%d:%d]", name, left, right);
  } else {
    snprintf(label, sizeof label, "%s%s", name, single ? rangeText : "");
  }

  zel_status_t st = ZEL_OK;
  const long knownSlot = short_slot(code, strlen(code));
  const long known = knownSlot >= 0 ? im->shortIds[knownSlot] : zi_map_find(&im->ids, code, strlen(code));
  vcd_var* v;
  if (known >= 0) {
    /* An alias: the variable exists; bind its waveform to this name too. */
    v = &im->vars[known];
    if ((v->kind != kind && !(v->kind == VAR_BITS && kind == VAR_VECTOR)) || v->width != width || (kind == VAR_VECTOR && ((long long)v->left - v->right) * ((long long)left - right) < 0)) {
      return zi_error(&im->in, "%s shares identifier code %s with a variable of another kind or size", name, code);
    }
  } else {
    if (im->varCount == im->varCapacity) {
      const unsigned capacity = im->varCapacity ? 2 * im->varCapacity : 256;
      vcd_var* vars = realloc(im->vars, capacity * sizeof *vars);
      if (vars == NULL) return zi_error(&im->in, "out of memory");
      im->vars = vars;
      im->varCapacity = capacity;
    }
    v = &im->vars[im->varCount];
    memset(v, 0, sizeof *v);
    v->kind = kind;
    v->width = (unsigned)width;
    v->left = left;
    v->right = right;
    v->waveform = ZEL_NullWaveform;
    const long slot = short_slot(code, strlen(code));
    if (slot >= 0) {
      im->shortIds[slot] = (int32_t)im->varCount;
    } else if (!zi_map_add(&im->ids, code, strlen(code), im->varCount)) {
      return zi_error(&im->in, "out of memory");
    }
    ++im->varCount;
    if (kind == VAR_SKIP) {
      if (!im->skippedStrings) fprintf(stderr, "zel: %s: warning: string variables are skipped (%s)\n", im->in.path, name);
      im->skippedStrings = 1;
      return 0;
    }
    zel_dimensionDescriptor_t descriptor = kind == VAR_REAL ? im->realDescriptor : im->logicDescriptor;
    if (kind == VAR_VECTOR) {
      if (array_type(im, left, right, &descriptor).key < 0) return 1;
      v->bytes = (unsigned)(((uint64_t)width * im->elementBits + 7) / 8);
      if (v->bytes > MAX_PACKED_BYTES) v->kind = VAR_BITS;
    }
    if (v->kind == VAR_BITS) {
      v->bits = malloc(width * sizeof *v->bits);
      v->bitWriters = malloc(width * sizeof *v->bitWriters);
      v->last = malloc(width);
      if (v->bits == NULL || v->bitWriters == NULL || v->last == NULL) return zi_error(&im->in, "out of memory");
      memset(v->last, 255, width);
      for (unsigned i = 0; i < width && st == ZEL_OK; ++i) {
        v->bits[i] = ZEL_CreateWaveform(im->s, im->set, 0, im->logicDescriptor, &st);
        const unsigned position = st == ZEL_OK ? ZEL_AddSimResultWaveform(im->s, im->subset, v->bits[i], &st) : 0;
        if (st == ZEL_OK) v->bitWriters[i] = ZEL_GetSimWfDataWriter_p(im->s, im->subset, position, &st);
      }
    } else {
      v->waveform = ZEL_CreateWaveform(im->s, im->set, 0, descriptor, &st);
      const unsigned position = st == ZEL_OK ? ZEL_AddSimResultWaveform(im->s, im->subset, v->waveform, &st) : 0;
      if (st == ZEL_OK) v->writer = ZEL_GetSimWfDataWriter_p(im->s, im->subset, position, &st);
    }
    if (lib(im, st, name)) return 1;
  }
  if (kind == VAR_SKIP) return 0;
  if (kind == VAR_VECTOR) {
    zel_dimensionDescriptor_t descriptor;
    zel_type_t type = array_type(im, left, right, &descriptor);
    if (type.key < 0) return 1;
    if (v->kind == VAR_BITS) {
      /* The bus is derived from its bits' waveforms. */
      zel_hierarchyNode_t bus = ZEL_AddHierarchyCompositeType(im->s, node, label, ZEL_HDL_NONE, type, &st);
      for (unsigned i = 0; i < v->width && st == ZEL_OK; ++i) {
        ZEL_AddHierarchyScalarSubelWf(im->s, bus, i, v->bits[i], &st);
      }
    } else {
      ZEL_AddHierarchyCompositeWf(im->s, node, label, ZEL_HDL_NONE, type, v->waveform, &st);
    }
  } else {
    ZEL_AddHierarchyScalarWf(im->s, node, label, ZEL_HDL_NONE, v->waveform, &st);
  }
  return lib(im, st, label);
}

static int create_structure(vcd_import* im, const char* setName, uint64_t lastTime) {
  zel_status_t st = ZEL_OK;
  zel_session_t s = im->s;
  static const char* literals[9] = {"0", "1", "x", "z", "u", "w", "l", "h", "-"};
  const unsigned count = im->nine ? 9 : 4;
  im->logic = ZEL_CreateEnumerationType(s, im->c, im->nine ? "logic9" : "logic", count, literals, 0, (int)count - 1,
                                        ZEL_RANGE_ASCENDING, &st);
  if (st == ZEL_OK) im->elementBits = ZEL_GetPackedSizeOfType(s, im->logic, &st);
  if (st == ZEL_OK) im->real = ZEL_CreateBuiltinType(s, im->c, "real", ZEL_REAL, &st);
  if (st == ZEL_OK) im->integer = ZEL_CreateBuiltinType(s, im->c, "integer", ZEL_INTEGER, &st);
  if (lib(im, st, "create the types")) return 1;
  if (lastTime <= 0x7fffffffull) {
    im->xKind = ZEL_INTEGER;
    im->xType = im->integer;
  } else if (lastTime <= (1ull << 53)) {
    im->xKind = ZEL_REAL;
    im->xType = im->real;
  } else {
    im->xKind = ZEL_TIME;
    im->xType = ZEL_CreateBuiltinType(s, im->c, "time", ZEL_TIME, &st);
  }
  zel_dimensionDescriptor_t x =
      ZEL_CreateDimensionDescriptor(s, im->c, "time", im->xKind == ZEL_TIME ? "s" : im->timescale, im->xType, &st);
  if (st == ZEL_OK) {
    im->logicDescriptor = ZEL_CreateDimensionDescriptor(s, im->c, im->nine ? "logic9" : "logic", "", im->logic, &st);
  }
  if (st == ZEL_OK) im->realDescriptor = ZEL_CreateDimensionDescriptor(s, im->c, "real", "", im->real, &st);
  if (st == ZEL_OK) im->set = ZEL_CreateWaveformSet(s, im->c, setName, x, 0, NULL, &st);
  if (st == ZEL_OK) ZEL_SetWaveformSetAttribute(s, im->set, "timescale", im->timescale, &st);
  if (st == ZEL_OK) im->segment = ZEL_CreateSegment(s, im->set, 0, NULL, &st);
  if (st == ZEL_OK) im->writer = ZEL_CreateSimResultWriter(s, im->segment, 0, &st);
  if (st == ZEL_OK) im->subset = ZEL_CreateSimResultSubset(s, im->writer, ZEL_STORAGE_DIGITAL, &st);
  return lib(im, st, "create the waveform set");
}

/* Reads the header up to $enddefinitions, creating the hierarchy and the
 * waveforms. */
static int parse_header(vcd_import* im, const char* setName, uint64_t lastTime) {
  const char* t;
  size_t n;
  zel_status_t st = ZEL_OK;
  char text[512];
  int structure = 0;
  zel_hierarchyNode_t stack[256];
  unsigned depth = 0;
  char* date = NULL;
  char* version = NULL;
  int rc = 1;
  for (;;) {
    const int r = zi_token(&im->in, &t, &n);
    if (r < 0) goto done;
    if (r == 0) {
      zi_error(&im->in, "the file ends before $enddefinitions");
      goto done;
    }
#define IS(word) (n == sizeof(word) - 1 && memcmp(t, word, n) == 0)
    if (IS("$date") || IS("$version") || IS("$comment")) {
      const int which = IS("$date") ? 1 : IS("$version") ? 2 : 0;
      if (section_text(im, text, sizeof text)) goto done;
      if (which == 1) date = strdup(text);
      if (which == 2) version = strdup(text);
      continue;
    }
    if (IS("$timescale")) {
      if (section_text(im, text, sizeof text) || parse_timescale(im, text)) goto done;
      continue;
    }
    if (!structure && (IS("$scope") || IS("$var") || IS("$enddefinitions"))) {
      if (im->timescale[0] == '\0') {
        snprintf(im->timescale, sizeof im->timescale, "1s");
        im->tickExponent = 0;
      }
      if (create_structure(im, setName, lastTime)) goto done;
      stack[0] = ZEL_GetNameHierarchyRootNode(im->s, im->set, &st);
      if (lib(im, st, "hierarchy")) goto done;
      structure = 1;
    }
    if (IS("$scope")) {
      char kind[64], name[1024];
      for (int f = 0; f < 2; ++f) {
        const int q = zi_token(&im->in, &t, &n);
        if (q < 0) goto done;
        char* field = f == 0 ? kind : name;
        const size_t size = f == 0 ? sizeof kind : sizeof name;
        if (q == 0 || n >= size || (n == 4 && memcmp(t, "$end", 4) == 0)) {
          zi_error(&im->in, "bad $scope declaration");
          goto done;
        }
        memcpy(field, t, n);
        field[n] = '\0';
      }
      if (expect_end(im, "$scope")) goto done;
      if (depth + 1 >= sizeof stack / sizeof stack[0]) {
        zi_error(&im->in, "scopes nest deeper than %u", (unsigned)(sizeof stack / sizeof stack[0]) - 1);
        goto done;
      }
      char* names[1] = {name};
      zel_hierarchyNode_t block = zi_blocks(im->s, stack[depth], names, 1, &st);
      if (st == ZEL_OK) ZEL_SetHierarchyNodeAttribute(im->s, block, "scope", kind, &st);
      if (lib(im, st, name)) goto done;
      stack[++depth] = block;
    } else if (IS("$upscope")) {
      if (expect_end(im, "$upscope")) goto done;
      if (depth == 0) {
        zi_error(&im->in, "$upscope without an open scope");
        goto done;
      }
      --depth;
    } else if (IS("$var")) {
      if (parse_var(im, stack[depth])) goto done;
    } else if (IS("$enddefinitions")) {
      if (expect_end(im, "$enddefinitions")) goto done;
      break;
    } else if (n > 0 && t[0] == '$') {
      if (section_text(im, NULL, 0)) goto done; /* an unknown section is skipped */
    } else {
      zi_error(&im->in, "unexpected \"%.*s\" in the header", (int)(n > 40 ? 40 : n), t);
      goto done;
    }
#undef IS
  }
  if (date != NULL) ZEL_SetWaveformSetAttribute(im->s, im->set, "date", date, &st);
  if (version != NULL) ZEL_SetWaveformSetAttribute(im->s, im->set, "version", version, &st);
  if (lib(im, st, "attributes")) goto done;
  if (st == ZEL_OK && ZEL_GetSimResultWaveformCount(im->s, im->subset, &st) > 0) {
    ZEL_SimInitializeWriting(im->s, im->writer, &st);
  }
  if (lib(im, st, "start writing")) goto done;
  rc = 0;
done:
  free(date);
  free(version);
  return rc;
}

/* ------ Value changes ------------------------------------------------- */

static int end_cycle(vcd_import* im) {
  if (!im->cycleOpen) return 0;
  zel_status_t st;
  ZEL_SimEndDataFront(im->s, im->subset, &st);
  if (st == ZEL_OK) ZEL_SimEndCycle(im->s, im->writer, &st);
  im->cycleOpen = 0;
  return lib(im, st, "end a cycle");
}

static int start_cycle(vcd_import* im) {
  zel_status_t st;
  int32_t xi;
  double xr;
  unsigned char xt[24];
  const void* x = &xi;
  if (im->xKind == ZEL_INTEGER) {
    if (im->now > 0x7fffffffull) return zi_error(&im->in, "time %llu is past the file's last time", (unsigned long long)im->now);
    xi = (int32_t)im->now;
  } else if (im->xKind == ZEL_REAL) {
    if (im->now > (1ull << 53)) return zi_error(&im->in, "time %llu is too large to be kept exactly", (unsigned long long)im->now);
    xr = (double)im->now;
    x = &xr;
  } else {
    if (im->now > (uint64_t)INT64_MAX) return zi_error(&im->in, "time %llu is too large", (unsigned long long)im->now);
    ZEL_MakeTimeValue(im->s, (int64_t)im->now, im->tickExponent, xt, &st);
    if (lib(im, st, "time")) return 1;
    x = xt;
  }
  ZEL_SimStartCycle(im->s, im->writer, x, &st);
  if (st == ZEL_OK) ZEL_SimStartDataFront(im->s, im->subset, 0, &st);
  if (lib(im, st, "start a cycle")) return 1;
  im->cycleOpen = 1;
  ++im->serial;
  return 0;
}

/* Opens the front that var's next value goes into. */
static int front_for(vcd_import* im, vcd_var* v) {
  if (im->cycleOpen && v->stamp == im->serial) {
    if (end_cycle(im)) return 1;
  }
  if (!im->cycleOpen && start_cycle(im)) return 1;
  v->stamp = im->serial;
  return 0;
}

static vcd_var* find_var(vcd_import* im, const char* code, size_t n) {
  const long slot = short_slot(code, n);
  const long index = slot >= 0 ? im->shortIds[slot] : zi_map_find(&im->ids, code, n);
  if (index < 0) {
    zi_error(&im->in, "unknown identifier code \"%.*s\"", (int)(n > 40 ? 40 : n), code);
    return NULL;
  }
  return &im->vars[index];
}

static int enter(vcd_import* im, vcd_var* v, const void* value) {
  if (front_for(im, v)) return 1;
  zel_status_t st;
  ZEL_SimWfDataWriterEnterValue(v->writer, value, &st);
  return lib(im, st, "enter a value");
}

/* A wide vector's value: only the bits that change are entered. */
static int bits_value(vcd_import* im, vcd_var* v, const char* bits, size_t n) {
  const unsigned pad = v->width - (unsigned)n;
  unsigned char fill = g_code[(unsigned char)bits[0]];
  if (fill != 2 && fill != 3) fill = 0;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char code = g_code[(unsigned char)bits[i]];
    if (code > 8) return zi_error(&im->in, "bad vector value \"%.*s\"", (int)(n > 40 ? 40 : n), bits);
    if (code > 3 && !im->nine) return NEED_NINE_STATES;
  }
  if (front_for(im, v)) return 1;
  zel_status_t st = ZEL_OK;
  for (unsigned i = 0; i < v->width && st == ZEL_OK; ++i) {
    const unsigned char code = i < pad ? fill : g_code[(unsigned char)bits[i - pad]];
    if (code == v->last[i]) continue;
    v->last[i] = code;
    ZEL_SimWfDataWriterEnterValue(v->bitWriters[i], &code, &st);
  }
  return lib(im, st, "enter a value");
}

/* Packs a vector value of n characters (left extended as the format
 * says: with x or z when the value starts with one, else with 0). */
static int vector_value(vcd_import* im, vcd_var* v, const char* bits, size_t n) {
  if (n > v->width) return zi_error(&im->in, "a value of %zu bits for a variable of %u", n, v->width);
  if (v->kind == VAR_BITS) return bits_value(im, v, bits, n);
  if (v->bytes > im->valueCapacity) {
    unsigned char* grown = realloc(im->value, v->bytes);
    if (grown == NULL) return zi_error(&im->in, "out of memory");
    im->value = grown;
    im->valueCapacity = v->bytes;
  }
  memset(im->value, 0, v->bytes);
  const unsigned eb = im->elementBits;
  const unsigned pad = v->width - (unsigned)n;
  unsigned char fill = g_code[(unsigned char)bits[0]];
  if (fill != 2 && fill != 3) fill = 0;
  /* Element i sits at bit i * eb from the most significant bit of byte 0;
   * eb (2 or 4) divides 8, so no element crosses a byte. */
  const unsigned limit = im->nine ? 8 : 3;
  unsigned char* out = im->value;
  unsigned offset = 0;
  for (unsigned i = 0; i < pad; ++i, offset += eb) out[offset >> 3] |= (unsigned char)(fill << (8 - (offset & 7) - eb));
  for (size_t i = 0; i < n; ++i, offset += eb) {
    const unsigned char code = g_code[(unsigned char)bits[i]];
    if (code > limit) {
      if (code > 8) return zi_error(&im->in, "bad vector value \"%.*s\"", (int)(n > 40 ? 40 : n), bits);
      return NEED_NINE_STATES;
    }
    out[offset >> 3] |= (unsigned char)(code << (8 - (offset & 7) - eb));
  }
  return enter(im, v, im->value);
}

/* Every variable that the $dumpoff block did not list goes to x (NaN). */
static int finish_dumpoff(vcd_import* im) {
  im->dumpoffBlock = 0;
  for (unsigned i = 0; i < im->varCount; ++i) {
    vcd_var* v = &im->vars[i];
    if (v->kind == VAR_SKIP || (v->stamp >= im->dumpoffSerial && v->stamp != 0)) continue;
    int rc;
    if (v->kind == VAR_REAL) {
      const double nan = NAN;
      rc = enter(im, v, &nan);
    } else if (v->kind == VAR_SCALAR) {
      const unsigned char x = 2;
      rc = enter(im, v, &x);
    } else {
      rc = vector_value(im, v, "x", 1);
    }
    if (rc) return rc;
  }
  return 0;
}

static int parse_body(vcd_import* im, uint64_t* endTime) {
  const char* t;
  size_t n;
  int r;
  zel_status_t st;
  while ((r = zi_token(&im->in, &t, &n)) > 0) {
    const unsigned char c = (unsigned char)t[0];
    if (c == '#') {
      uint64_t time = 0;
      if (n < 2 || n > 21) return zi_error(&im->in, "bad timestamp \"%.*s\"", (int)(n > 40 ? 40 : n), t);
      for (size_t i = 1; i < n; ++i) {
        const unsigned d = (unsigned)(t[i] - '0');
        if (d > 9 || time > (UINT64_MAX - d) / 10) return zi_error(&im->in, "bad timestamp \"%.*s\"", (int)n, t);
        time = time * 10 + d;
      }
      if (time < im->now) {
        return zi_error(&im->in, "time goes back from %llu to %llu", (unsigned long long)im->now,
                        (unsigned long long)time);
      }
      if (time != im->now && end_cycle(im)) return 1;
      im->now = time;
      *endTime = time;
      const uint64_t offset = im->in.consumed + im->in.begin;
      if (!im->cycleOpen && offset - im->lastCommit >= COMMIT_BYTES) {
        ZEL_CommitWaveformData(im->s, im->segment, 0, &st);
        if (lib(im, st, "commit")) return 1;
        im->lastCommit = offset;
      }
      continue;
    }
    if (g_code[c] != 255) {
      if (n < 2) return zi_error(&im->in, "value %c without identifier code", c);
      vcd_var* v = find_var(im, t + 1, n - 1);
      if (v == NULL) return 1;
      if (v->kind == VAR_SKIP) continue;
      const unsigned char code = g_code[c];
      if (code > 3 && !im->nine) return NEED_NINE_STATES;
      if (v->kind == VAR_SCALAR) {
        if (enter(im, v, &code)) return 1;
      } else if (v->kind == VAR_VECTOR || v->kind == VAR_BITS) {
        if (vector_value(im, v, t, 1)) return 1;
      } else {
        return zi_error(&im->in, "a bit value for a real variable");
      }
      continue;
    }
    if (c == 'b' || c == 'B' || c == 'r' || c == 'R' || c == 's' || c == 'S') {
      /* The value token stays in the buffer while the code is read only if
       * it is copied first: the code's read may move the buffer. */
      char small[256];
      char* value = small;
      const size_t length = n - 1;
      if (length + 1 > sizeof small) {
        value = malloc(length + 1);
        if (value == NULL) return zi_error(&im->in, "out of memory");
      }
      memcpy(value, t + 1, length);
      value[length] = '\0';
      int rc = 0;
      r = zi_token(&im->in, &t, &n);
      vcd_var* v = r > 0 ? find_var(im, t, n) : NULL;
      if (r == 0) rc = zi_error(&im->in, "a value without identifier code at the end of the file");
      if (r != 1 || v == NULL || v->kind == VAR_SKIP) {
        rc = rc || r != 1 || v == NULL;
      } else if (c == 'b' || c == 'B') {
        if (v->kind == VAR_REAL) {
          rc = zi_error(&im->in, "a vector value for a real variable");
        } else if (length == 0) {
          rc = zi_error(&im->in, "an empty vector value");
        } else if (v->kind == VAR_SCALAR) {
          /* A scalar written as a vector: its last bit decides. */
          if (length > 1) {
            for (size_t i = 0; i + 1 < length && rc == 0; ++i) {
              if (value[i] != '0') rc = zi_error(&im->in, "a value of %zu bits for a 1-bit variable", length);
            }
          }
          const unsigned char code = g_code[(unsigned char)value[length - 1]];
          if (rc == 0 && code > 8) rc = zi_error(&im->in, "bad value \"%s\"", value);
          if (rc == 0 && code > 3 && !im->nine) rc = NEED_NINE_STATES;
          if (rc == 0) rc = enter(im, v, &code);
        } else {
          rc = vector_value(im, v, value, length);
        }
      } else if (c == 'r' || c == 'R') {
        char* end = NULL;
        const double d = strtod(value, &end);
        if (length == 0 || *end != '\0') {
          rc = zi_error(&im->in, "bad real value \"%.40s\"", value);
        } else if (v->kind != VAR_REAL) {
          rc = zi_error(&im->in, "a real value for a bit variable");
        } else {
          rc = enter(im, v, &d);
        }
      }
      if (value != small) free(value);
      if (rc) return rc;
      continue;
    }
    if (c == '$') {
      if (n == 8 && memcmp(t, "$comment", 8) == 0) {
        if (section_text(im, NULL, 0)) return 1;
      } else if (n == 8 && memcmp(t, "$dumpoff", 8) == 0) {
        if (end_cycle(im)) return 1;
        im->dumpoffBlock = 1;
        im->dumpoffSerial = im->serial + 1;
      } else if (n == 4 && memcmp(t, "$end", 4) == 0) {
        if (im->dumpoffBlock) {
          const int rc = finish_dumpoff(im);
          if (rc) return rc;
        }
      }
      /* $dumpvars, $dumpall, $dumpon: the values that follow are changes. */
      continue;
    }
    return zi_error(&im->in, "unexpected \"%.*s\"", (int)(n > 40 ? 40 : n), t);
  }
  if (r < 0) return 1;
  return end_cycle(im);
}

/* One pass over the file into a new container; 0 on success, 1 on
 * failure (reported), NEED_NINE_STATES when the file needs logic9. */
static int import_file(const char* file, const char* name, const char* setName, int nine) {
  vcd_import im;
  memset(&im, 0, sizeof im);
  im.nine = nine;
  zi_map_init(&im.ids);
  im.shortIds = malloc(SHORT_SLOTS * sizeof *im.shortIds);
  if (im.shortIds == NULL) return zi_error(NULL, "out of memory");
  memset(im.shortIds, 0xff, SHORT_SLOTS * sizeof *im.shortIds);
  zi_map_init(&im.arrays);
  zi_map_init(&im.arrayDescriptors);
  zel_status_t st;
  uint64_t lastTime = 0;
  /* Without a timestamp in the tail the last time is unknown: the time
   * type holds any. */
  if (!last_time(file, &lastTime)) lastTime = UINT64_MAX;
  if (!zi_open(&im.in, file, (size_t)MAX_WIDTH + 64)) {
    free(im.shortIds);
    return 1;
  }
  im.s = ZEL_InitSession(&st);
  if (st != ZEL_OK) {
    zi_close(&im.in);
    free(im.shortIds);
    return zi_library_error("import-vcd");
  }
  int rc = 0;
  im.c = ZEL_CreateContainer(im.s, name, ZEL_MODE_DISK, &st);
  if (st != ZEL_OK) rc = zi_library_error(name);
  uint64_t endTime = 0;
  if (rc == 0) rc = parse_header(&im, setName, lastTime);
  if (rc == 0) rc = parse_body(&im, &endTime);
  if (rc == 0) {
    char text[32];
    snprintf(text, sizeof text, "%llu", (unsigned long long)endTime);
    ZEL_SetWaveformSetAttribute(im.s, im.set, "end time", text, &st);
    if (st == ZEL_OK && im.varCount > 0) ZEL_SimTerminateWriting(im.s, im.writer, &st);
    if (st == ZEL_OK) ZEL_CommitWaveformData(im.s, im.segment, 0, &st);
    if (st != ZEL_OK) rc = zi_library_error(name);
  }
  if (!ZEL_IsContainerNull(im.c)) {
    ZEL_CloseContainer(im.s, im.c, &st);
    if (rc == 0 && st != ZEL_OK) rc = zi_library_error(name);
  }
  ZEL_TermSession(im.s, &st);
  if (rc != 0 && !ZEL_IsContainerNull(im.c)) ZEL_DeleteContainer(name, &st);
  zi_close(&im.in);
  zi_map_free(&im.ids);
  free(im.shortIds);
  zi_map_free(&im.arrays);
  zi_map_free(&im.arrayDescriptors);
  for (unsigned i = 0; i < im.varCount; ++i) {
    free(im.vars[i].bits);
    free(im.vars[i].bitWriters);
    free(im.vars[i].last);
  }
  free(im.vars);
  free(im.value);
  return rc;
}

int zel_cmd_import_vcd(int argc, char** argv) {
  const char* setName = "vcd";
  const char* positional[2] = {NULL, NULL};
  int count = 0;
  for (int i = 0; i < argc; ++i) {
    if (strcmp(argv[i], "--set") == 0 && i + 1 < argc) {
      setName = argv[++i];
    } else if (count < 2 && argv[i][0] != '-') {
      positional[count++] = argv[i];
    } else {
      count = 3;
    }
  }
  if (count != 2) {
    fprintf(stderr, "usage: zel import-vcd FILE CONTAINER [--set NAME]\n");
    return 2;
  }
  if (zi_container_exists(positional[1])) {
    fprintf(stderr, "zel: %s: a container of that name exists already\n", positional[1]);
    return 1;
  }
  init_codes();
  int rc = import_file(positional[0], positional[1], setName, 0);
  if (rc == NEED_NINE_STATES) rc = import_file(positional[0], positional[1], setName, 1);
  return rc == 0 ? 0 : 1;
}
