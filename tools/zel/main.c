/*
 * zel: the command-line front end of libqo_zel. Built on the public header
 * only, like any other caller.
 *
 *   zel version   software version, reference-file extension, directory suffix
 *   zel demo [D]  the main job: a simulation written into D/zel-demo and read back
 *   zel info C    what container C holds and which processes use it
 *   zel tree C [S] the signal hierarchy of C's waveform sets (or of set S)
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "commands.h"
#include "zel/zel.h"

static int usage(FILE* out) {
  fprintf(out,
          "usage: zel COMMAND\n"
          "  version   print the software version and container naming\n"
          "  demo [DIR]  run the demonstration (container under DIR, default .)\n"
          "  dump C S [PATH...] [--segment N]  waveform values of set S as CSV\n"
          "  import-raw FILE C [--param NAME=V1,V2,...]  a SPICE raw file into new container C\n"
          "  import-vcd FILE C [--set NAME]  a VCD file into new container C\n"
          "  info C    show container C: versions, processes, attributes\n"
          "  tree C [S]  show the signal hierarchy of C (of waveform set S)\n");
  return out == stderr ? 2 : 0;
}

static int cmd_version(void) {
  printf("libqo_zel software version %u\n", ZEL_GetSoftwareVersion());
  printf("reference file extension   %s\n", ZEL_GetFilenameExt());
  printf("directory suffix           %s\n", ZEL_GetDirectoryNameSuffix());
  return 0;
}

int zel_fail(const char* what) {
  fprintf(stderr, "zel: %s: %s\n", what, ZEL_GetError());
  return 1;
}

int main(int argc, char** argv) {
  if (argc < 2) return usage(stderr);
  if (strcmp(argv[1], "version") == 0) return cmd_version();
  if (strcmp(argv[1], "demo") == 0) return zel_cmd_demo(argc - 2, argv + 2);
  if (strcmp(argv[1], "dump") == 0) return zel_cmd_dump(argc - 2, argv + 2);
  if (strcmp(argv[1], "import-raw") == 0) return zel_cmd_import_raw(argc - 2, argv + 2);
  if (strcmp(argv[1], "import-vcd") == 0) return zel_cmd_import_vcd(argc - 2, argv + 2);
  if (strcmp(argv[1], "info") == 0) return zel_cmd_info(argc - 2, argv + 2);
  if (strcmp(argv[1], "tree") == 0) return zel_cmd_tree(argc - 2, argv + 2);
  if (strcmp(argv[1], "help") == 0 || strcmp(argv[1], "--help") == 0) return usage(stdout);
  fprintf(stderr, "zel: unknown command '%s'\n", argv[1]);
  return usage(stderr);
}
