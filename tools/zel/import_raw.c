/*
 * zel import-raw FILE CONTAINER [--param NAME=V1,V2,...]: a SPICE raw file
 * (binary or ASCII, real or complex, any number of plots, as ngspice writes
 * it) into a new container.
 *
 * A raw file is a sequence of plots, each a text header (Title, Date,
 * Plotname, Flags, No. Variables, No. Points, optional Command, then the
 * variable list "index name type [grid=G]") followed by "Binary:" and
 * points * variables IEEE doubles (two per value for complex plots:
 * real, imaginary) in the machine's byte order, or "Values:" and one
 * value per line ("re,im" for complex), the first of a point after its
 * index.
 *
 * What becomes what:
 *  - One waveform set per kind of analysis: "tran", "ac", "dc", "op",
 *    "noise", "noise_integrated", others by their plot name. All plots of
 *    one kind are segments of its set, in file order. A set with several
 *    plots (or any set, with --param) has one sweep parameter: its name and
 *    values from --param, else from NAME=VALUE at the end of the plot
 *    titles, else "run" with the values 1, 2, ...
 *  - Variable 0 is the scale, the X axis (a complex scale: its real part;
 *    ngspice leaves the imaginary part of an AC frequency undefined). Its
 *    descriptor is named after its type with the unit of the type (time s,
 *    frequency Hz, voltage V, current A); grid=2 or grid=3 (logarithmic X)
 *    marks the X values ZEL_DATASPACING_LOG_EQUIDISTANT. Plots without a
 *    scale (operating point, integrated noise) get X "point", 0, 1, ...
 *    and keep variable 0 as a waveform.
 *  - Every other variable is a waveform (real or complex) named in the
 *    hierarchy: "v(x1.out)" becomes block x1, signal "v(out)"; "x1.x2.n"
 *    blocks x1, x2 and signal "n"; names beginning with "@" (device
 *    parameters) are not split.
 *  - Title, date, command and plot name are attributes of the set (those
 *    of its first plot).
 *
 * The file is read twice: first the headers only (binary data is skipped
 * by seeking, after checking that the file holds it), then the values,
 * a block of points at a time, through a dense array writer per plot (one
 * data set per waveform). Memory stays at the reader's block and one block
 * of points (BLOCK_BYTES), committed block by block, whatever the file's
 * size.
 */
#include <errno.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "commands.h"
#include "import_common.h"
#include "zel/zel.h"

#define MAX_VARIABLES 1000000u
#define MAX_LINE 65536u

typedef struct {
  char* name;
  char* type;
  int log;        /* grid=2 or 3 */
  int waveform;   /* index into the set's waveform list; -1 for the scale */
} raw_var;

typedef struct {
  char title[512], date[128], plotname[128], command[512], flags[64];
  int complex;
  int binary;
  int hasScale;
  unsigned vars;
  uint64_t points;
  raw_var* var;    /* vars entries once the header is read */
  unsigned allocated; /* entries of var (fewer while the list is read) */
  int set;         /* index of its set */
  uint64_t dataOffset; /* binary: offset of the data */
} raw_plot;

typedef struct {
  char name[64];
  char scaleName[256];
  char** names;   /* waveform names, first-seen order */
  char** types;
  int* complexity;
  unsigned count, capacity;
  unsigned plots;
  zel_waveformSet_t handle;
  zel_waveform_t* waveforms;
  zel_parameter_t parameter;
} raw_set;

typedef struct {
  const char* path;
  raw_plot* plots;
  unsigned plotCount, plotCapacity;
  raw_set* sets;
  unsigned setCount;
  const char* paramName;
  double* paramValues;
  unsigned paramCount;
} raw_file;

static int fail(const char* path, const char* format, const char* detail) {
  fprintf(stderr, "zel: %s: ", path);
  fprintf(stderr, format, detail);
  fputc('\n', stderr);
  return 1;
}

static const char* kind_of(const char* plotname) {
  if (strncmp(plotname, "Transient", 9) == 0) return "tran";
  if (strncmp(plotname, "AC", 2) == 0) return "ac";
  if (strncmp(plotname, "DC", 2) == 0) return "dc";
  if (strncmp(plotname, "Operating Point", 15) == 0) return "op";
  if (strncmp(plotname, "Noise Spectral", 14) == 0) return "noise";
  if (strncmp(plotname, "Integrated Noise", 16) == 0) return "noise_integrated";
  return NULL;
}

static int has_scale(const char* plotname) {
  return strncmp(plotname, "Operating Point", 15) != 0 && strncmp(plotname, "Integrated Noise", 16) != 0;
}

static const char* unit_of(const char* type) {
  if (strcmp(type, "time") == 0) return "s";
  if (strcmp(type, "frequency") == 0) return "Hz";
  if (strcmp(type, "voltage") == 0) return "V";
  if (strcmp(type, "current") == 0) return "A";
  return "";
}

static void copy_field(char* out, size_t size, const char* text, size_t n) {
  while (n > 0 && (*text == ' ' || *text == '\t')) ++text, --n;
  while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\t')) --n;
  if (n >= size) n = size - 1;
  memcpy(out, text, n);
  out[n] = '\0';
}

static void free_file(raw_file* f) {
  for (unsigned p = 0; p < f->plotCount; ++p) {
    for (unsigned v = 0; v < f->plots[p].allocated; ++v) {
      free(f->plots[p].var[v].name);
      free(f->plots[p].var[v].type);
    }
    free(f->plots[p].var);
  }
  free(f->plots);
  for (unsigned s = 0; s < f->setCount; ++s) {
    for (unsigned w = 0; w < f->sets[s].count; ++w) {
      free(f->sets[s].names[w]);
      free(f->sets[s].types[w]);
    }
    free(f->sets[s].names);
    free(f->sets[s].types);
    free(f->sets[s].complexity);
    free(f->sets[s].waveforms);
  }
  free(f->sets);
  free(f->paramValues);
}

/* Reads one plot header from in (at its "Title:" line or the end);
 * returns 1 with a plot, 0 at the end of the file, -1 on failure. */
static int read_header(zi_input* in, raw_plot* plot) {
  const char* line;
  size_t n;
  memset(plot, 0, sizeof *plot);
  int r;
  int sawAny = 0, sawVars = 0, sawPoints = 0;
  while ((r = zi_line(in, &line, &n)) > 0) {
    if (n == 0) continue;
    const char* colon = memchr(line, ':', n);
    if (colon == NULL) {
      zi_error(in, "expected a header line, found \"%.*s\"", (int)(n > 40 ? 40 : n), line);
      return -1;
    }
    const size_t key = (size_t)(colon - line);
    const char* value = colon + 1;
    const size_t vn = n - key - 1;
    sawAny = 1;
#define KEY(word) (key == sizeof(word) - 1 && strncmp(line, word, key) == 0)
    if (KEY("Title")) {
      copy_field(plot->title, sizeof plot->title, value, vn);
    } else if (KEY("Date")) {
      copy_field(plot->date, sizeof plot->date, value, vn);
    } else if (KEY("Plotname")) {
      copy_field(plot->plotname, sizeof plot->plotname, value, vn);
    } else if (KEY("Command")) {
      copy_field(plot->command, sizeof plot->command, value, vn);
    } else if (KEY("Flags")) {
      copy_field(plot->flags, sizeof plot->flags, value, vn);
      plot->complex = strstr(plot->flags, "complex") != NULL;
      if (strstr(plot->flags, "real") == NULL && !plot->complex) {
        zi_error(in, "unsupported flags \"%s\"", plot->flags);
        return -1;
      }
    } else if (KEY("No. Variables") || KEY("No. Points")) {
      char digits[32];
      copy_field(digits, sizeof digits, value, vn);
      char* end = NULL;
      errno = 0;
      const unsigned long long v = strtoull(digits, &end, 10);
      if (end == digits || *end != '\0' || errno != 0) {
        zi_error(in, "bad count \"%s\"", digits);
        return -1;
      }
      if (KEY("No. Points")) {
        plot->points = v;
        sawPoints = 1;
      } else {
        if (v == 0 || v > MAX_VARIABLES) {
          zi_error(in, "bad variable count %s (1 to %u)", digits, MAX_VARIABLES);
          return -1;
        }
        plot->vars = (unsigned)v;
        sawVars = 1;
      }
    } else if (KEY("Variables")) {
      if (!sawVars) {
        zi_error(in, "the variable list comes before \"No. Variables\"");
        return -1;
      }
      /* The list grows with the lines read, not with the count claimed. */
      unsigned capacity = 0;
      for (unsigned v = 0; v < plot->vars; ++v) {
        if (v == capacity) {
          capacity = capacity ? 2 * capacity : 64;
          if (capacity > plot->vars) capacity = plot->vars;
          raw_var* grown = realloc(plot->var, capacity * sizeof *grown);
          if (grown == NULL) {
            zi_error(in, "out of memory");
            return -1;
          }
          memset(grown + v, 0, (capacity - v) * sizeof *grown);
          plot->var = grown;
          plot->allocated = capacity;
        }
        r = zi_line(in, &line, &n);
        if (r <= 0) {
          if (r == 0) zi_error(in, "the file ends in the variable list");
          return -1;
        }
        /* index, name, type, optional key=value fields; tab or space separated */
        char fields[4][256];
        unsigned count = 0;
        size_t i = 0;
        while (count < 4) {
          while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
          if (i >= n) break;
          const size_t start = i;
          while (i < n && line[i] != ' ' && line[i] != '\t') ++i;
          copy_field(fields[count++], sizeof fields[0], line + start, i - start);
        }
        if (count < 3 || strtoul(fields[0], NULL, 10) != v) {
          zi_error(in, "bad variable line \"%.*s\" (expected index %u, name and type)", (int)(n > 60 ? 60 : n), line, v);
          return -1;
        }
        plot->var[v].name = strdup(fields[1]);
        plot->var[v].type = strdup(fields[2]);
        if (plot->var[v].name == NULL || plot->var[v].type == NULL) {
          zi_error(in, "out of memory");
          return -1;
        }
        plot->var[v].log = count == 4 && (strcmp(fields[3], "grid=2") == 0 || strcmp(fields[3], "grid=3") == 0);
        plot->var[v].waveform = -1;
      }
    } else if (KEY("Binary") || KEY("Values")) {
      plot->binary = KEY("Binary");
      if (plot->var == NULL || !sawPoints || plot->plotname[0] == '\0') {
        zi_error(in, "incomplete plot header (Plotname, No. Points and Variables are needed)");
        return -1;
      }
      plot->hasScale = has_scale(plot->plotname);
      return 1;
    }
#undef KEY
  }
  if (r < 0) return -1;
  if (sawAny) {
    zi_error(in, "the file ends in a plot header");
    return -1;
  }
  return 0;
}

/* Skips the values of an ASCII plot: points * variables lines. */
static int skip_ascii(zi_input* in, const raw_plot* plot) {
  const char* line;
  size_t n;
  for (uint64_t i = 0; i < plot->points * plot->vars; ++i) {
    const int r = zi_line(in, &line, &n);
    if (r <= 0) {
      if (r == 0) zi_error(in, "the file ends in the values of plot \"%s\"", plot->plotname);
      return 1;
    }
  }
  return 0;
}

static int add_plot(raw_file* f, const raw_plot* plot) {
  if (f->plotCount == f->plotCapacity) {
    const unsigned capacity = f->plotCapacity ? 2 * f->plotCapacity : 8;
    raw_plot* plots = realloc(f->plots, capacity * sizeof *plots);
    if (plots == NULL) return 0;
    f->plots = plots;
    f->plotCapacity = capacity;
  }
  f->plots[f->plotCount++] = *plot;
  return 1;
}

/* The first pass: every plot header; binary data is skipped by seeking
 * after checking that the file holds it. */
static int scan(raw_file* f) {
  zi_input in;
  struct stat info;
  if (stat(f->path, &info) != 0) return fail(f->path, "%s", "cannot open for reading");
  if (!zi_open(&in, f->path, MAX_LINE)) return 1;
  int rc = 0;
  for (;;) {
    raw_plot plot;
    const int r = read_header(&in, &plot);
    if (r <= 0) {
      if (r < 0) rc = 1;
      if (r < 0) add_plot(f, &plot); /* so that its names are freed */
      break;
    }
    if (!add_plot(f, &plot)) {
      rc = zi_error(&in, "out of memory");
      break;
    }
    raw_plot* p = &f->plots[f->plotCount - 1];
    if (p->binary) {
      const uint64_t offset = in.consumed + in.begin;
      const uint64_t valueSize = p->complex ? 16 : 8;
      const uint64_t available = (uint64_t)info.st_size - offset;
      p->dataOffset = offset;
      if (p->points > available / valueSize / p->vars) {
        rc = zi_error(&in, "plot \"%s\" claims %llu points of %u variables, the file holds %llu bytes after its header",
                      p->plotname, (unsigned long long)p->points, p->vars, (unsigned long long)available);
        break;
      }
      const uint64_t size = p->points * p->vars * valueSize;
      /* Skip by seeking: drop the buffer and move the file position. */
      if (fseeko(in.file, (off_t)(offset + size), SEEK_SET) != 0) {
        rc = zi_error(&in, "seek failed");
        break;
      }
      in.consumed = offset + size;
      in.begin = in.end = 0;
      in.eof = 0;
      in.line = 0; /* lines are no longer counted */
    } else if (skip_ascii(&in, p)) {
      rc = 1;
      break;
    }
  }
  if (rc == 0 && f->plotCount == 0) rc = zi_error(&in, "no plot found");
  zi_close(&in);
  return rc;
}

static void make_set_name(char* out, size_t size, const char* plotname) {
  const char* kind = kind_of(plotname);
  if (kind != NULL) {
    snprintf(out, size, "%s", kind);
    return;
  }
  size_t j = 0;
  for (size_t i = 0; plotname[i] != '\0' && j + 1 < size; ++i) {
    const char c = plotname[i];
    out[j++] = (char)((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) ? c : '_');
  }
  out[j] = '\0';
}

/* Groups the plots into sets and each set's waveform list. */
static int group(raw_file* f) {
  f->sets = calloc(f->plotCount, sizeof *f->sets);
  if (f->sets == NULL) return fail(f->path, "%s", "out of memory");
  for (unsigned p = 0; p < f->plotCount; ++p) {
    raw_plot* plot = &f->plots[p];
    char name[48];
    make_set_name(name, sizeof name, plot->plotname);
    const char* scale = plot->hasScale ? plot->var[0].name : "";
    unsigned s = 0;
    while (s < f->setCount && (strcmp(f->sets[s].name, name) != 0 || strcmp(f->sets[s].scaleName, scale) != 0)) ++s;
    raw_set* set = &f->sets[s];
    if (s == f->setCount) {
      ++f->setCount;
      snprintf(set->name, sizeof set->name, "%s", name);
      /* A second set of one kind (another sweep source) gets a number. */
      unsigned same = 0;
      for (unsigned k = 0; k < s; ++k) same += strncmp(f->sets[k].name, name, strlen(name)) == 0;
      if (same > 0) snprintf(set->name, sizeof set->name, "%s%u", name, same + 1);
      snprintf(set->scaleName, sizeof set->scaleName, "%s", scale);
    }
    plot->set = (int)s;
    ++set->plots;
    for (unsigned v = plot->hasScale ? 1 : 0; v < plot->vars; ++v) {
      unsigned w = 0;
      while (w < set->count && strcmp(set->names[w], plot->var[v].name) != 0) ++w;
      if (w == set->count) {
        if (set->count == set->capacity) {
          const unsigned capacity = set->capacity ? 2 * set->capacity : 16;
          char** names = realloc(set->names, capacity * sizeof *names);
          if (names != NULL) set->names = names;
          char** types = realloc(set->types, capacity * sizeof *types);
          if (types != NULL) set->types = types;
          int* complexity = realloc(set->complexity, capacity * sizeof *complexity);
          if (complexity != NULL) set->complexity = complexity;
          if (names == NULL || types == NULL || complexity == NULL) return fail(f->path, "%s", "out of memory");
          set->capacity = capacity;
        }
        set->names[w] = strdup(plot->var[v].name);
        set->types[w] = strdup(plot->var[v].type);
        set->complexity[w] = plot->complex;
        if (set->names[w] == NULL || set->types[w] == NULL) return fail(f->path, "%s", "out of memory");
        ++set->count;
      } else if (set->complexity[w] != plot->complex) {
        return fail(f->path, "variable %s is real in one plot and complex in another", plot->var[v].name);
      }
      plot->var[v].waveform = (int)w;
    }
  }
  return 0;
}

/* NAME=VALUE at the end of a title: 1 with the name and value. */
static int title_parameter(const char* title, char* name, size_t size, double* value) {
  const char* eq = strrchr(title, '=');
  if (eq == NULL || eq == title) return 0;
  const char* start = eq;
  while (start > title && start[-1] != ' ' && start[-1] != '\t' && start[-1] != ',') --start;
  if (start == eq) return 0;
  char* end = NULL;
  errno = 0;
  *value = strtod(eq + 1, &end);
  if (end == eq + 1 || errno != 0) return 0;
  while (*end == ' ') ++end;
  if (*end != '\0') return 0;
  const size_t n = (size_t)(eq - start);
  if (n >= size) return 0;
  memcpy(name, start, n);
  name[n] = '\0';
  return 1;
}

/* The waveform's place in the hierarchy: blocks from the dots of the
 * inner name, the signal keeping the wrapper ("v(x1.out)": x1, "v(out)"). */
static int add_to_hierarchy(zel_session_t s, zel_hierarchyNode_t root, const char* full, zel_waveform_t w,
                            zel_status_t* st) {
  char name[1024];
  snprintf(name, sizeof name, "%s", full);
  char* open = strchr(name, '(');
  const size_t len = strlen(name);
  char* inner = name;
  char prefix[64] = "";
  if (open != NULL && open != name && name[len - 1] == ')' && (size_t)(open - name) < sizeof prefix - 1) {
    memcpy(prefix, name, (size_t)(open - name) + 1);
    prefix[open - name + 1] = '\0';
    name[len - 1] = '\0';
    inner = open + 1;
  }
  char* blocks[256];
  unsigned count = 0;
  if (inner[0] != '@') {
    for (char* dot = strchr(inner, '.'); dot != NULL && count < 256; dot = strchr(inner, '.')) {
      *dot = '\0';
      if (inner[0] == '\0' || dot[1] == '\0') {
        *dot = '.';
        break;
      }
      blocks[count++] = inner;
      inner = dot + 1;
    }
  }
  zel_hierarchyNode_t node = zi_blocks(s, root, blocks, count, st);
  if (*st != ZEL_OK) return 0;
  char signal[1100];
  snprintf(signal, sizeof signal, "%s%s%s", prefix, inner, prefix[0] != '\0' ? ")" : "");
  ZEL_AddHierarchyScalarWf(s, node, signal, ZEL_HDL_NONE, w, st);
  return *st == ZEL_OK;
}

static int create_sets(raw_file* f, zel_session_t s, zel_container_t c) {
  zel_status_t st = ZEL_OK;
  zel_type_t real = ZEL_CreateBuiltinType(s, c, "real", ZEL_REAL, &st);
  zel_type_t complex = ZEL_CreateBuiltinType(s, c, "complex", ZEL_COMPLEX, &st);
  if (st != ZEL_OK) return zi_library_error("create the types");
  for (unsigned k = 0; k < f->setCount; ++k) {
    raw_set* set = &f->sets[k];
    const raw_plot* first = NULL;
    for (unsigned p = 0; p < f->plotCount && first == NULL; ++p) {
      if (f->plots[p].set == (int)k) first = &f->plots[p];
    }
    zel_dimensionDescriptor_t x;
    if (first->hasScale) {
      const char* type = first->var[0].type;
      x = ZEL_CreateDimensionDescriptor(s, c, strcmp(type, "voltage") == 0 || strcmp(type, "current") == 0
                                                  ? first->var[0].name : type,
                                        unit_of(type), real, &st);
    } else {
      x = ZEL_CreateDimensionDescriptor(s, c, "point", "", real, &st);
    }
    /* The sweep parameter. */
    zel_parameter_t parameter = ZEL_NullParameter;
    unsigned parameters = 0;
    if (st == ZEL_OK && (set->plots > 1 || f->paramName != NULL)) {
      char name[128] = "run";
      double* values = calloc(set->plots, sizeof *values);
      if (values == NULL) return fail(f->path, "%s", "out of memory");
      int fromTitles = 1;
      unsigned i = 0;
      for (unsigned p = 0; p < f->plotCount; ++p) {
        if (f->plots[p].set != (int)k) continue;
        char here[128];
        double v;
        if (!title_parameter(f->plots[p].title, here, sizeof here, &v) || (i > 0 && strcmp(here, name) != 0)) {
          fromTitles = 0;
        } else {
          snprintf(name, sizeof name, "%s", here);
          values[i] = v;
        }
        ++i;
      }
      if (f->paramName != NULL) {
        if (f->paramCount != set->plots) {
          free(values);
          fprintf(stderr, "zel: %s: --param gives %u values, the file has %u plots of analysis %s\n", f->path,
                  f->paramCount, set->plots, set->name);
          return 1;
        }
        snprintf(name, sizeof name, "%s", f->paramName);
        memcpy(values, f->paramValues, set->plots * sizeof *values);
      } else if (!fromTitles) {
        snprintf(name, sizeof name, "run");
        for (i = 0; i < set->plots; ++i) values[i] = i + 1;
      }
      zel_dimensionDescriptor_t d = ZEL_CreateDimensionDescriptor(s, c, name, "", real, &st);
      if (st == ZEL_OK) parameter = ZEL_CreateParameter(s, c, name, d, &st);
      if (st == ZEL_OK) ZEL_AppendParameterValues(s, parameter, set->plots, values, NULL, &st);
      free(values);
      parameters = 1;
    }
    if (st == ZEL_OK) set->handle = ZEL_CreateWaveformSet(s, c, set->name, x, parameters, &parameter, &st);
    set->parameter = parameter;
    if (st == ZEL_OK) ZEL_SetWaveformSetAttribute(s, set->handle, "title", first->title, &st);
    if (st == ZEL_OK) ZEL_SetWaveformSetAttribute(s, set->handle, "date", first->date, &st);
    if (st == ZEL_OK) ZEL_SetWaveformSetAttribute(s, set->handle, "plotname", first->plotname, &st);
    if (st == ZEL_OK && first->command[0] != '\0') {
      ZEL_SetWaveformSetAttribute(s, set->handle, "command", first->command, &st);
    }
    if (st != ZEL_OK) return zi_library_error(set->name);
    set->waveforms = calloc(set->count ? set->count : 1, sizeof *set->waveforms);
    if (set->waveforms == NULL) return fail(f->path, "%s", "out of memory");
    zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, set->handle, &st);
    for (unsigned w = 0; w < set->count && st == ZEL_OK; ++w) {
      zel_dimensionDescriptor_t y =
          ZEL_CreateDimensionDescriptor(s, c, set->types[w], unit_of(set->types[w]), set->complexity[w] ? complex : real, &st);
      if (st == ZEL_OK) set->waveforms[w] = ZEL_CreateWaveform(s, set->handle, 0, y, &st);
      if (st == ZEL_OK) add_to_hierarchy(s, root, set->names[w], set->waveforms[w], &st);
      if (st != ZEL_OK) return zi_library_error(set->names[w]);
    }
  }
  return 0;
}

/* One ASCII value ("v" or "re,im"); the point's first carries its index. */
static int ascii_value(zi_input* in, int first, int complex, double* out) {
  const char* line;
  size_t n;
  const int r = zi_line(in, &line, &n);
  if (r <= 0) return r == 0 ? zi_error(in, "the file ends in the middle of the values") : 1;
  char text[256];
  if (n >= sizeof text) return zi_error(in, "value line too long");
  memcpy(text, line, n);
  text[n] = '\0';
  char* p = text;
  if (first) {
    char* end = NULL;
    strtoull(p, &end, 10);
    if (end == p) return zi_error(in, "expected a point index, found \"%.40s\"", text);
    p = end;
  }
  char* end = NULL;
  out[0] = strtod(p, &end);
  if (end == p) return zi_error(in, "bad value \"%.40s\"", text);
  if (complex) {
    if (*end != ',') return zi_error(in, "expected a complex value \"re,im\", found \"%.40s\"", text);
    p = end + 1;
    out[1] = strtod(p, &end);
    if (end == p) return zi_error(in, "bad value \"%.40s\"", text);
  }
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0') return zi_error(in, "bad value \"%.40s\"", text);
  return 0;
}

/* The second pass: each plot's values into its segment, through a dense
 * array writer (one data set per waveform). Points are read into a block
 * of at most BLOCK_BYTES, turned into one array per variable, and appended
 * array by array. */
#define BLOCK_BYTES ((size_t)4 << 20)

static int write_plots(raw_file* f, zel_session_t s) {
  zi_input in;
  if (!zi_open(&in, f->path, MAX_LINE)) return 1;
  int rc = 0;
  unsigned* segmentOf = calloc(f->setCount, sizeof *segmentOf);
  double* point = NULL;   /* one point as the file holds it */
  double* columns = NULL; /* the block: blockPoints values of each variable */
  ZEL_WfDataWriter** writers = NULL;
  if (segmentOf == NULL) rc = zi_error(&in, "out of memory");
  for (unsigned p = 0; p < f->plotCount && rc == 0; ++p) {
    raw_plot header;
    const int r = read_header(&in, &header);
    if (r <= 0) {
      rc = zi_error(&in, "the file changed while it was read");
      break;
    }
    for (unsigned v = 0; v < header.allocated; ++v) {
      free(header.var[v].name);
      free(header.var[v].type);
    }
    free(header.var);
    const raw_plot* plot = &f->plots[p];
    raw_set* set = &f->sets[plot->set];
    zel_status_t st = ZEL_OK;
    unsigned index = segmentOf[plot->set]++;
    zel_segment_t segment = set->parameter.key >= 0 ? ZEL_CreateSegment(s, set->handle, 1, &index, &st)
                                                    : ZEL_CreateSegment(s, set->handle, 0, NULL, &st);
    zel_writer_t writer = st == ZEL_OK ? ZEL_CreateWriter(s, segment, 0, ZEL_STORAGE_ANALOG, &st) : ZEL_NullWriter;
    const unsigned first = plot->hasScale ? 1 : 0;
    const unsigned stride = plot->complex ? 2 : 1;
    const size_t pointBytes = (size_t)plot->vars * stride * sizeof *point;
    size_t blockPoints = BLOCK_BYTES / pointBytes;
    if (blockPoints == 0) blockPoints = 1;
    if (blockPoints > plot->points && plot->points > 0) blockPoints = (size_t)plot->points;
    free(writers);
    free(point);
    free(columns);
    writers = calloc(plot->vars, sizeof *writers);
    point = malloc(pointBytes);
    columns = malloc(blockPoints * pointBytes);
    if (writers == NULL || point == NULL || columns == NULL) {
      rc = zi_error(&in, "out of memory");
      break;
    }
    for (unsigned v = first; v < plot->vars && st == ZEL_OK; ++v) {
      writers[v] = ZEL_AddWriterWaveform(s, writer, set->waveforms[plot->var[v].waveform], &st);
    }
    if (st == ZEL_OK && plot->hasScale && plot->var[0].log) {
      ZEL_SetXDataSpacing(s, writer, ZEL_DATASPACING_LOG_EQUIDISTANT, &st);
    }
    if (st == ZEL_OK) ZEL_InitializeArrayWriting(s, writer, &st);
    if (st != ZEL_OK) {
      rc = zi_library_error(set->name);
      break;
    }
    /* Column v holds blockPoints values of variable v (stride doubles
     * each); the X column is the scale's real part, or the point index. */
    double* x = malloc(blockPoints * sizeof *x);
    if (x == NULL) rc = zi_error(&in, "out of memory");
    uint64_t done = 0;
    while (rc == 0 && done < plot->points) {
      size_t n = 0;
      for (; n < blockPoints && done + n < plot->points && rc == 0; ++n) {
        if (plot->binary) {
          if (zi_bytes(&in, point, pointBytes)) rc = 1;
        } else {
          for (unsigned v = 0; v < plot->vars && rc == 0; ++v) rc = ascii_value(&in, v == 0, plot->complex, point + v * stride);
        }
        if (rc != 0) break;
        x[n] = plot->hasScale ? point[0] : (double)(done + n);
        for (unsigned v = first; v < plot->vars; ++v) {
          double* column = columns + (size_t)v * blockPoints * stride;
          column[n * stride] = point[v * stride];
          if (stride == 2) column[n * stride + 1] = point[v * stride + 1];
        }
      }
      if (rc != 0) break;
      ZEL_AppendXArray(s, writer, (unsigned)n, x, &st);
      for (unsigned v = first; v < plot->vars && st == ZEL_OK; ++v) {
        ZEL_WfDataWriterAppendArrays(writers[v], (unsigned)n, columns + (size_t)v * blockPoints * stride, NULL, NULL,
                                     &st);
      }
      done += n;
      /* Every waveform has as many values as X values here: a commit bounds
       * what the data store keeps in memory. */
      if (st == ZEL_OK) ZEL_CommitWaveformData(s, segment, 0, &st);
      if (st != ZEL_OK) rc = zi_library_error(set->name);
    }
    free(x);
    if (rc == 0) ZEL_TerminateWriting(s, writer, &st);
    if (rc == 0 && st == ZEL_OK) ZEL_CommitWaveformData(s, segment, 0, &st);
    if (rc == 0 && st == ZEL_OK) ZEL_DeleteWriter(s, writer, &st);
    if (rc == 0 && st != ZEL_OK) rc = zi_library_error(set->name);
  }
  free(writers);
  free(point);
  free(columns);
  free(segmentOf);
  zi_close(&in);
  return rc;
}

static int parse_param(raw_file* f, const char* text) {
  const char* eq = strchr(text, '=');
  if (eq == NULL || eq == text || eq[1] == '\0') return 0;
  static char name[128];
  const size_t n = (size_t)(eq - text);
  if (n >= sizeof name) return 0;
  memcpy(name, text, n);
  name[n] = '\0';
  f->paramName = name;
  for (const char* p = eq + 1;;) {
    char* end = NULL;
    const double v = strtod(p, &end);
    if (end == p || (*end != ',' && *end != '\0')) return 0;
    double* values = realloc(f->paramValues, (f->paramCount + 1) * sizeof *values);
    if (values == NULL) return 0;
    f->paramValues = values;
    f->paramValues[f->paramCount++] = v;
    if (*end == '\0') return 1;
    p = end + 1;
  }
}

int zel_cmd_import_raw(int argc, char** argv) {
  raw_file f;
  memset(&f, 0, sizeof f);
  const char* positional[2] = {NULL, NULL};
  int count = 0;
  for (int i = 0; i < argc; ++i) {
    if (strcmp(argv[i], "--param") == 0 && i + 1 < argc) {
      if (!parse_param(&f, argv[++i])) {
        free_file(&f);
        fprintf(stderr, "zel: import-raw: --param wants NAME=V1,V2,... (numbers), not \"%s\"\n", argv[i]);
        return 2;
      }
    } else if (count < 2 && argv[i][0] != '-') {
      positional[count++] = argv[i];
    } else {
      count = 3;
    }
  }
  if (count != 2) {
    free_file(&f);
    fprintf(stderr, "usage: zel import-raw FILE CONTAINER [--param NAME=V1,V2,...]\n");
    return 2;
  }
  f.path = positional[0];
  const char* name = positional[1];
  if (zi_container_exists(name)) {
    free_file(&f);
    fprintf(stderr, "zel: %s: a container of that name exists already\n", name);
    return 1;
  }
  int rc = scan(&f);
  if (rc == 0) rc = group(&f);
  if (rc == 0) {
    zel_status_t st;
    zel_session_t s = ZEL_InitSession(&st);
    zel_container_t c = st == ZEL_OK ? ZEL_CreateContainer(s, name, ZEL_MODE_DISK, &st) : ZEL_NullContainer;
    if (st != ZEL_OK) rc = zi_library_error(name);
    if (rc == 0) rc = create_sets(&f, s, c);
    if (rc == 0) rc = write_plots(&f, s);
    if (!ZEL_IsContainerNull(c)) {
      ZEL_CloseContainer(s, c, &st);
      if (rc == 0 && st != ZEL_OK) rc = zi_library_error(name);
    }
    ZEL_TermSession(s, &st);
    if (rc != 0 && !ZEL_IsContainerNull(c)) ZEL_DeleteContainer(name, &st);
  }
  free_file(&f);
  return rc == 0 ? 0 : 1;
}
