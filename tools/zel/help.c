/* The zel tool's help: the command list and each command's synopsis and
 * options. doc/zel.1 says the same at length. */
#include <stdio.h>
#include <string.h>

#include "commands.h"

typedef struct {
  const char* name;
  const char* synopsis;
  const char* summary;
  const char* details; /* options and notes, one per line */
} command_help;

static const command_help commands[] = {
    {"info", "CONTAINER", "what a container holds and which processes use it",
     "  Shows versions, reader and writer processes, the types a caller created,\n"
     "  descriptors, parameters with their values, attributes, and for each\n"
     "  waveform set its X descriptor, parameters, segments, waveforms and\n"
     "  points, and the container's size on disk.\n"},
    {"tree", "CONTAINER [WAVEFORM_SET] [--bits]", "the signal hierarchy of each waveform set",
     "  Each set with its X descriptor, sweep parameters and their values and its\n"
     "  segments, then its hierarchy one node a line. A bus (an array signal)\n"
     "  shows once with its width.\n"
     "  --bits   also list the elements of buses and arrays\n"},
    {"dump", "CONTAINER WAVEFORM_SET [PATH...] [OPTIONS]", "waveform values as CSV, read through data views",
     "  Rows \"waveform,P...,x,y\" after a header row, P the values of the set's\n"
     "  sweep parameters in the row's segment; every waveform of the hierarchy\n"
     "  when no PATH is given. PATHs are hierarchy paths such as top/d or\n"
     "  top/d[3] (the labels dump prints).\n"
     "  --segment N|all  the segment to read (position in the set, default 0), or all\n"
     "  --x-unit UNIT    print X in fs, ps, ns, us, ms or s (times: default s)\n"
     "  --hex            logic vectors in hexadecimal\n"
     "  --op OPERATION   a unary operation on Y (derivative, integral, abs, negate,\n"
     "                   db20, ...: zel.h's ZEL_OP_ names in lower case); repeatable,\n"
     "                   applied in order\n"
     "  --minus PATH     subtract that waveform, merged onto a common X\n"},
    {"export-csv", "CONTAINER WAVEFORM_SET [PATH...] [OPTIONS]", "the same as dump: CSV with a header row",
     "  Takes the options of dump.\n"},
    {"export-vcd", "CONTAINER WAVEFORM_SET [PATH...] [--segment N]", "waveforms of one segment as a VCD file",
     "  Writes VCD on standard output: scopes from the hierarchy, 1-bit and\n"
     "  vector logic signals as wires, integers as integer variables, analog\n"
     "  waveforms as reals; the timescale is the coarsest one that keeps every\n"
     "  X value exact. X must be a time. Signals of other types are skipped\n"
     "  with a warning.\n"
     "  --segment N    the segment to read (default 0)\n"},
    {"import-raw", "FILE CONTAINER", "import a SPICE raw file", ""},
    {"import-vcd", "FILE CONTAINER", "import a VCD file", ""},
    {"demo", "[DIR]", "run the demonstration simulation (container under DIR, default .)", ""},
    {"version", "", "the tool, library and container format versions", ""},
    {"help", "[COMMAND]", "this list, or the help of one command", ""},
};

#define COMMAND_COUNT (sizeof commands / sizeof commands[0])

int zel_usage(FILE* out) {
  fprintf(out,
          "usage: zel COMMAND [ARGUMENTS]\n"
          "       zel --version | --help | help COMMAND\n\ncommands:\n");
  for (size_t i = 0; i < COMMAND_COUNT; ++i) fprintf(out, "  %-11s %s\n", commands[i].name, commands[i].summary);
  fprintf(out,
          "\nA CONTAINER is named by its path without suffix, or by its reference file\n"
          "(NAME.qo_zel) or directory (NAME_zel). \"zel COMMAND --help\" and the\n"
          "manual page zel(1) tell more.\n");
  return out == stderr ? 2 : 0;
}

int zel_command_help(const char* name, FILE* out) {
  for (size_t i = 0; i < COMMAND_COUNT; ++i) {
    if (strcmp(commands[i].name, name) != 0) continue;
    fprintf(out, "usage: zel %s%s%s\n%s%s.\n", name, commands[i].synopsis[0] ? " " : "", commands[i].synopsis,
            "  ", commands[i].summary);
    fputs(commands[i].details, out);
    return 0;
  }
  fprintf(stderr, "zel: help: unknown command '%s'\n", name);
  return 2;
}
