/* What every zel command shares; see tool_support.h. */
#define _POSIX_C_SOURCE 200809L
#include "tool_support.h"

#include <ctype.h>
#include <math.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

const char* zel_command = "zel";

/* ---- messages ---- */

/* Whether text starts with an internal name followed by ": " (ZEL_X,
 * ZELI_Class::Member, ZELC_...); returns the length to skip, 0 if not. */
static size_t internal_prefix(const char* text) {
  if (strncmp(text, "ZEL", 3) != 0) return 0;
  size_t n = 3;
  while (isalnum((unsigned char)text[n]) || text[n] == '_' || (text[n] == ':' && text[n + 1] == ':')) {
    n += text[n] == ':' ? 2 : 1;
  }
  return text[n] == ':' && text[n + 1] == ' ' ? n + 2 : 0;
}

const char* zel_library_message(void) {
  const char* message = ZEL_GetError();
  if (message == NULL) return "unknown error";
  for (size_t skip = internal_prefix(message); skip > 0; skip = internal_prefix(message)) message += skip;
  return message;
}

int zel_error(const char* format, ...) {
  va_list args;
  va_start(args, format);
  fprintf(stderr, "zel: %s: ", zel_command);
  vfprintf(stderr, format, args);
  fputc('\n', stderr);
  va_end(args);
  return 1;
}

int zel_fail(const char* what) {
  if (what == NULL || strcmp(what, zel_command) == 0) return zel_error("%s", zel_library_message());
  return zel_error("%s: %s", what, zel_library_message());
}

static int ends_with(const char* text, size_t length, const char* suffix) {
  const size_t n = strlen(suffix);
  return n > 0 && length > n && strcmp(text + length - n, suffix) == 0;
}

char* zel_container_name(char* text) {
  size_t length = strlen(text);
  while (length > 1 && text[length - 1] == '/') text[--length] = '\0';
  const char* suffixes[2] = {ZEL_GetFilenameExt(), ZEL_GetDirectoryNameSuffix()};
  for (int i = 0; i < 2; ++i) {
    if (ends_with(text, length, suffixes[i])) {
      length -= strlen(suffixes[i]);
      text[length] = '\0';
      break;
    }
  }
  return text;
}

void zel_csv_field(FILE* out, const char* text) {
  const size_t n = strlen(text);
  if (strpbrk(text, ",\"\r\n") == NULL && (n == 0 || (text[0] != ' ' && text[n - 1] != ' '))) {
    fputs(text, out);
    return;
  }
  fputc('"', out);
  for (const char* p = text; *p; ++p) {
    if (*p == '"') fputc('"', out);
    fputc(*p, out);
  }
  fputc('"', out);
}

/* ---- units ---- */

static const char* const unit_names[] = {"fs", "ps", "ns", "us", "ms", "s"};

int zel_time_unit_exponent(const char* unit) {
  if (unit == NULL) return -1;
  int extra = 0;
  if (strncmp(unit, "100", 3) == 0) {
    extra = 2, unit += 3;
  } else if (strncmp(unit, "10", 2) == 0) {
    extra = 1, unit += 2;
  } else if (unit[0] == '1') {
    extra = 0, unit += 1;
  }
  while (*unit == ' ') ++unit;
  for (int i = 0; i < 6; ++i) {
    if (strcmp(unit, unit_names[i]) == 0) return 3 * i + extra;
  }
  return -1;
}

const char* zel_time_unit_text(int exponent, char* buffer, size_t size) {
  static const char* const counts[] = {"1", "10", "100"};
  snprintf(buffer, size, "%s%s", counts[exponent % 3], unit_names[exponent / 3 < 6 ? exponent / 3 : 5]);
  return buffer;
}

static long long power10(int n) {
  long long p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

/* value / 10^exponent exactly, trailing zeros of the fraction dropped. */
static void print_scaled(FILE* out, long long value, int exponent) {
  if (exponent <= 0) {
    fprintf(out, "%lld", value * power10(-exponent));
    return;
  }
  const long long unit = power10(exponent);
  const unsigned long long magnitude = value < 0 ? 0ull - (unsigned long long)value : (unsigned long long)value;
  unsigned long long whole = magnitude / (unsigned long long)unit;
  unsigned long long rest = magnitude % (unsigned long long)unit;
  fprintf(out, "%s%llu", value < 0 ? "-" : "", whole);
  if (rest == 0) return;
  int n = exponent;
  while (n > 0 && rest % 10 == 0) rest /= 10, --n;
  fprintf(out, ".%0*llu", n, rest);
}

/* ---- X values ---- */

int zel_time_value(const void* value, long long* fs, double* fraction) {
  /* sign (i16), digit count (u16), magnitude (three u32, least significant
   * first), fraction of a tick (double in [0, 1)); a tick is 1 fs. */
  const unsigned char* bytes = value;
  int16_t sign;
  uint32_t words[3];
  memcpy(&sign, bytes, sizeof sign);
  memcpy(words, bytes + 4, sizeof words);
  memcpy(fraction, bytes + 16, sizeof *fraction);
  if (words[2] != 0 || words[1] > 0x7fffffffu) return 0;
  const long long magnitude = (long long)(((uint64_t)words[1] << 32) | words[0]);
  *fs = sign < 0 ? -magnitude : magnitude;
  return 1;
}

int zel_xformat_init(zel_session_t s, zel_waveformSet_t set, const char* shown, zel_xformat* format) {
  zel_status_t st;
  zel_dimensionDescriptor_t x = ZEL_GetWaveformSetXDescriptor(s, set, &st);
  zel_type_t type = st == ZEL_OK ? ZEL_GetDimensionDescriptorType(s, x, &st) : (zel_type_t){-1};
  const char* unit = st == ZEL_OK ? ZEL_GetDimensionDescriptorUnit(s, x, &st) : NULL;
  format->kind = st == ZEL_OK ? ZEL_GetDataType(s, type, &st) : ZEL_REAL;
  format->size = st == ZEL_OK ? ZEL_GetSizeOfType(s, type, &st) : 0;
  if (st != ZEL_OK) return zel_fail(ZEL_GetWaveformSetName(s, set, &st));
  format->unitExponent = format->kind == ZEL_TIME ? 0 : zel_time_unit_exponent(unit);
  format->shownExponent = format->kind == ZEL_TIME ? 15 : -1;
  if (shown != NULL) {
    format->shownExponent = zel_time_unit_exponent(shown);
    if (format->shownExponent < 0) return zel_error("--x-unit %s: not a time unit (fs, ps, ns, us, ms, s)", shown);
    if (format->unitExponent < 0) {
      return zel_error("--x-unit %s: X of this waveform set is in \"%s\", not in a time unit", shown,
                       unit != NULL ? unit : "");
    }
  }
  return 0;
}

static double real_x(const zel_xformat* format, const void* value) {
  if (format->kind == ZEL_FLOAT) {
    float f;
    memcpy(&f, value, sizeof f);
    return f;
  }
  double d;
  memcpy(&d, value, sizeof d);
  return d;
}

int zel_x_femtoseconds(const zel_xformat* format, const void* value, long long* fs) {
  if (format->unitExponent < 0) return 0;
  if (format->kind == ZEL_TIME) {
    double fraction;
    return zel_time_value(value, fs, &fraction) && fraction == 0.0;
  }
  if (format->kind == ZEL_INTEGER) {
    int32_t v;
    memcpy(&v, value, sizeof v);
    *fs = (long long)v * power10(format->unitExponent);
    return 1;
  }
  if (format->kind != ZEL_REAL && format->kind != ZEL_FLOAT) return 0;
  const double scaled = real_x(format, value) * (double)power10(format->unitExponent);
  if (!(fabs(scaled) < 9.2e18)) return 0;
  const double nearest = floor(scaled + 0.5);
  if (fabs(scaled - nearest) > 1e-9 * fabs(scaled) + 1e-6) return 0;
  *fs = (long long)nearest;
  return 1;
}

void zel_print_x(FILE* out, const zel_xformat* format, const void* value) {
  if (format->kind == ZEL_TIME) {
    long long fs;
    double fraction;
    if (zel_time_value(value, &fs, &fraction) && fraction == 0.0) {
      print_scaled(out, fs, format->shownExponent);
    } else {
      /* Beyond 63 bits of ticks, or a fraction of a tick. */
      const unsigned char* bytes = value;
      int16_t sign;
      uint32_t words[3];
      memcpy(&sign, bytes, sizeof sign);
      memcpy(words, bytes + 4, sizeof words);
      memcpy(&fraction, bytes + 16, sizeof fraction);
      long double ticks = ((long double)words[2] * 4294967296.0L + words[1]) * 4294967296.0L + words[0];
      ticks = (sign < 0 ? -ticks : ticks) + fraction;
      fprintf(out, "%.17Lg", ticks / powl(10.0L, format->shownExponent));
    }
    return;
  }
  if (format->kind == ZEL_INTEGER) {
    int32_t v;
    memcpy(&v, value, sizeof v);
    if (format->shownExponent < 0) {
      fprintf(out, "%ld", (long)v);
    } else {
      print_scaled(out, (long long)v * power10(format->unitExponent), format->shownExponent);
    }
    return;
  }
  if (format->kind == ZEL_REAL || format->kind == ZEL_FLOAT) {
    const double v = real_x(format, value);
    if (format->shownExponent < 0 || format->shownExponent == format->unitExponent) {
      /* The shortest text that reads back as the same value. */
      char text[40];
      for (int digits = format->kind == ZEL_FLOAT ? 6 : 15; digits <= 17; ++digits) {
        snprintf(text, sizeof text, "%.*g", digits, v);
        if (format->kind == ZEL_FLOAT ? strtof(text, NULL) == (float)v : strtod(text, NULL) == v) break;
      }
      fputs(text, out);
    } else {
      fprintf(out, "%.15g", v * pow(10.0, format->unitExponent - format->shownExponent));
    }
    return;
  }
  fputs("?", out);
}

/* ---- Y values ---- */

void zel_logic_hex(const char* text, char* out) {
  const size_t n = strlen(text);
  int vector = n > 0;
  for (size_t i = 0; i < n && vector; ++i) vector = isalnum((unsigned char)text[i]) || text[i] == '-';
  if (!vector) {
    memcpy(out, text, n + 1);
    return;
  }
  const size_t digits = (n + 3) / 4;
  for (size_t d = 0; d < digits; ++d) {
    /* Digit d from the right covers elements [end - 4, end). */
    const size_t end = n - 4 * d;
    const size_t begin = end >= 4 ? end - 4 : 0;
    unsigned value = 0;
    int binary = 1, allZ = 1;
    for (size_t i = begin; i < end; ++i) {
      const char c = (char)tolower((unsigned char)text[i]);
      binary = binary && (c == '0' || c == '1');
      allZ = allZ && c == 'z';
      value = 2 * value + (c == '1');
    }
    out[digits - 1 - d] = binary ? "0123456789abcdef"[value] : allZ ? 'z' : 'x';
  }
  out[digits] = '\0';
}

static long long enumeration_encoding(zel_session_t s, zel_type_t type, const void* value, unsigned size) {
  zel_status_t st;
  zel_range_t range;
  ZEL_GetTypeRange(s, type, &range, &st);
  const int negative = st == ZEL_OK && (range.left < 0 || range.right < 0);
  if (size == 1) return negative ? (long long)*(const int8_t*)value : (long long)*(const uint8_t*)value;
  if (size == 2) {
    uint16_t u;
    memcpy(&u, value, 2);
    return negative ? (long long)(int16_t)u : (long long)u;
  }
  uint32_t u;
  memcpy(&u, value, 4);
  return negative ? (long long)(int32_t)u : (long long)u;
}

const char* zel_format_value(zel_session_t s, zel_type_t type, const void* value, char* buffer, size_t size) {
  zel_status_t st;
  const zel_dataType_t kind = ZEL_GetDataType(s, type, &st);
  const unsigned bytes = st == ZEL_OK ? ZEL_GetSizeOfType(s, type, &st) : 0;
  snprintf(buffer, size, "?");
  if (st != ZEL_OK) return buffer;
  if (kind == ZEL_REAL || kind == ZEL_FLOAT) {
    zel_xformat real = {kind, bytes, -1, -1};
    FILE* sink = fmemopen(buffer, size, "w");
    if (sink == NULL) return buffer;
    zel_print_x(sink, &real, value);
    fclose(sink);
  } else if (kind == ZEL_INTEGER) {
    int32_t v;
    memcpy(&v, value, sizeof v);
    snprintf(buffer, size, "%ld", (long)v);
  } else if (kind == ZEL_CHARACTER) {
    snprintf(buffer, size, "%c", *(const char*)value);
  } else if (kind == ZEL_STRING) {
    const char* text;
    memcpy(&text, value, sizeof text);
    snprintf(buffer, size, "%s", text != NULL ? text : "");
  } else if (kind == ZEL_ENUMERATION) {
    const long long encoding = enumeration_encoding(s, type, value, bytes);
    const char* literal = ZEL_GetEnumerationLiteralByEncoding(s, type, (int)encoding, &st);
    snprintf(buffer, size, "%s", st == ZEL_OK && literal != NULL ? literal : "?");
  } else if (kind == ZEL_TIME) {
    zel_xformat time = {ZEL_TIME, bytes, 0, 15};
    FILE* sink = fmemopen(buffer, size, "w");
    if (sink == NULL) return buffer;
    zel_print_x(sink, &time, value);
    fclose(sink);
  }
  return buffer;
}

/* ---- progress ---- */

static double g_progress_start = -1;
static double g_progress_last;
static int g_progress_shown;

static double now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec + 1e-9 * (double)t.tv_nsec;
}

void zel_progress(const char* what, unsigned done, unsigned total) {
  static int terminal = -1;
  if (terminal < 0) terminal = isatty(STDERR_FILENO);
  if (!terminal) return;
  const double t = now();
  if (g_progress_start < 0) g_progress_start = t;
  if (t - g_progress_start < 1.0 || t - g_progress_last < 0.2) return;
  g_progress_last = t;
  fprintf(stderr, "\rzel: %s: %u of %u %-40.40s", zel_command, done, total, what);
  g_progress_shown = 1;
}

void zel_progress_done(void) {
  if (g_progress_shown) fprintf(stderr, "\r%*s\r", 79, "");
  g_progress_shown = 0;
}
