/*
 * zel: the command-line front end of libqo_zel. Built on the public header
 * only, like any other caller. help.c lists the commands; doc/zel.1 is the
 * manual page.
 *
 * Conventions every command follows: "-h"/"--help" anywhere among its
 * arguments prints its help; errors read "zel: COMMAND: what failed" on
 * stderr; a broken output pipe ends a command quietly (SIGPIPE is ignored
 * so that commands can close their container before they exit).
 */
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "commands.h"
#include "tool_support.h"
#include "zel/zel.h"

#ifndef ZEL_TOOL_VERSION
#define ZEL_TOOL_VERSION "unknown"
#endif

static int cmd_version(void) {
  printf("zel (libqo_zel) %s\n", ZEL_TOOL_VERSION);
  printf("libqo_zel software version %u (container format version %u)\n", ZEL_GetSoftwareVersion(),
         ZEL_GetSoftwareVersion());
  printf("reference file extension   %s\n", ZEL_GetFilenameExt());
  printf("directory suffix           %s\n", ZEL_GetDirectoryNameSuffix());
  return 0;
}

static int asks_help(int argc, char** argv) {
  for (int i = 0; i < argc; ++i) {
    if (strcmp(argv[i], "-h") == 0 || strcmp(argv[i], "--help") == 0) return 1;
  }
  return 0;
}

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  if (argc < 2) return zel_usage(stderr);
  const char* command = argv[1];
  if (strcmp(command, "-h") == 0 || strcmp(command, "--help") == 0) return zel_usage(stdout);
  if (strcmp(command, "--version") == 0) return cmd_version();
  if (strcmp(command, "help") == 0) return argc > 2 ? zel_command_help(argv[2], stdout) : zel_usage(stdout);
  if (asks_help(argc - 2, argv + 2)) return zel_command_help(command, stdout);
  zel_command = command;
  if (strcmp(command, "version") == 0) return cmd_version();
  if (strcmp(command, "demo") == 0) return zel_cmd_demo(argc - 2, argv + 2);
  if (strcmp(command, "dump") == 0) return zel_cmd_dump(argc - 2, argv + 2);
  if (strcmp(command, "export-csv") == 0) return zel_cmd_dump(argc - 2, argv + 2);
  if (strcmp(command, "export-vcd") == 0) return zel_cmd_export_vcd(argc - 2, argv + 2);
  if (strcmp(command, "import-raw") == 0) return zel_cmd_import_raw(argc - 2, argv + 2);
  if (strcmp(command, "import-vcd") == 0) return zel_cmd_import_vcd(argc - 2, argv + 2);
  if (strcmp(command, "info") == 0) return zel_cmd_info(argc - 2, argv + 2);
  if (strcmp(command, "tree") == 0) return zel_cmd_tree(argc - 2, argv + 2);
  fprintf(stderr, "zel: unknown command '%s'\n", command);
  return zel_usage(stderr);
}
