/* What every zel command shares: error messages in one form, container
 * names as users type them, CSV fields, X values in one unit, values of any
 * scalar type as text, logic vectors in hexadecimal, and progress on a
 * terminal. Built on the public header only. */
#ifndef ZEL_TOOLS_TOOL_SUPPORT_H
#define ZEL_TOOLS_TOOL_SUPPORT_H

#include <stdio.h>

#include "zel/zel.h"

/* The command being run ("dump"), named in every error message; set by
 * main before it dispatches. */
extern const char* zel_command;

/* The library's message without the internal names it may start with
 * ("ZEL_OpenContainer: ZELI_X::Y: text" gives "text"); static storage, valid
 * until the next library call. */
const char* zel_library_message(void);

/* Prints "zel: COMMAND: FORMAT..." and a newline on stderr; returns 1. */
int zel_error(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

/* Makes a container argument a container name: drops trailing slashes and a
 * reference-file extension or directory suffix ("run/sim_zel/",
 * "run/sim.qo_zel" and "run/sim" all name run/sim). Edits text in place. */
char* zel_container_name(char* text);

/* Writes text as one CSV field: quoted, with doubled quotes, when it holds
 * a comma, a quote, a line break or leading or trailing space. */
void zel_csv_field(FILE* out, const char* text);

/* ---- X values in one unit ---- */

/* Powers of ten of a femtosecond: "fs" 0, "ps" 3, "ns" 6, "us" 9, "ms"
 * 12, "s" 15; a leading 1, 10 or 100 adds 0, 1 or 2 ("10ns" is 7). -1 for
 * any other text. */
int zel_time_unit_exponent(const char* unit);
/* The unit text of an exponent from zel_time_unit_exponent ("10ns"). */
const char* zel_time_unit_text(int exponent, char* buffer, size_t size);

/* How X values of a waveform set are read and shown. */
typedef struct {
  zel_dataType_t kind;  /* ZEL_TIME, ZEL_REAL, ZEL_FLOAT, ZEL_INTEGER, ... */
  unsigned size;        /* bytes per value */
  int unitExponent;     /* the descriptor's unit as a time unit, -1 if none */
  int shownExponent;    /* the unit X is printed in; -1: as stored */
} zel_xformat;

/* Fills format for the set's X descriptor; shown is the --x-unit text or
 * null (time values then print in seconds). Returns 0, or 1 after an error
 * message (a unit that is no time unit, or X that is not a time). */
int zel_xformat_init(zel_session_t s, zel_waveformSet_t set, const char* shown, zel_xformat* format);
/* The value as a whole number of femtoseconds; 0 when X is no time or the
 * value is not a whole number of them (a real is rounded to the nearest
 * femtosecond when that is within 1e-9 of its magnitude). */
int zel_x_femtoseconds(const zel_xformat* format, const void* value, long long* fs);
/* Prints one X value as a number in the shown unit (exact for times and
 * integers; a real as stored prints as the shortest text that reads back as
 * the same value). */
void zel_print_x(FILE* out, const zel_xformat* format, const void* value);

/* A 24-byte time value as whole femtoseconds and a fraction of one (the
 * ticks must fit 63 bits, else 0 is returned). */
int zel_time_value(const void* value, long long* fs, double* fraction);

/* ---- Y values ---- */

/* A logic vector's text ("0101xz01") in hexadecimal, four elements a digit
 * from the right: a digit of 0 and 1 elements is that digit, one whose
 * elements are all z is z, any other mix is x. Text that is not a
 * vector of single-character elements is copied. out holds at least
 * strlen(text) + 1 bytes. */
void zel_logic_hex(const char* text, char* out);

/* A value of a scalar type as text into buffer: reals and floats
 * as zel_print_x prints them, integers, characters, enumeration literals,
 * strings, times in seconds;
 * "?" for anything else. */
const char* zel_format_value(zel_session_t s, zel_type_t type, const void* value, char* buffer, size_t size);

/* ---- progress ---- */

/* Progress of a long command on stderr, shown only when stderr is a
 * terminal and the command has run for a second; zel_progress_done erases
 * the line. */
void zel_progress(const char* what, unsigned done, unsigned total);
void zel_progress_done(void);

#endif
