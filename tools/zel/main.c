/*
 * zel: the command-line front end of libqo_zel. Built on the public header
 * only, like any other caller.
 *
 *   zel version   software version, reference-file extension, directory suffix
 *   zel demo [D]  the demonstration: a container written under D and read back
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

static int g_callbacks_run = 0;
static void on_term(void) { ++g_callbacks_run; }

/* Creates a container under dir, stores a few attributes, closes it, opens
 * it again for reading and shows what came back. */
static int cmd_demo(int argc, char** argv) {
  const char* dir = argc > 0 ? argv[0] : ".";
  char name[4096];
  snprintf(name, sizeof name, "%s/zel-demo", dir);

  zel_status_t st;
  zel_session_t session = ZEL_InitSession(&st);
  if (st != ZEL_OK) return zel_fail("init session");
  ZEL_RegisterTermCallback(session, on_term, &st);
  if (st != ZEL_OK) return zel_fail("register callback");

  zel_container_t c = ZEL_CreateContainer(session, name, ZEL_MODE_DISK, &st);
  if (st != ZEL_OK) return zel_fail("create container");
  printf("created %s%s, version %s\n", name, ZEL_GetFilenameExt(),
         ZEL_IsContainerLatestVersion(session, c, &st) ? "latest" : "superseded");
  ZEL_SetContainerAttribute(session, c, "simulator", "zel demo", &st);
  ZEL_SetContainerAttribute(session, c, "analysis", "transient", &st);
  ZEL_CloseContainer(session, c, &st);
  if (st != ZEL_OK) return zel_fail("close container");

  c = ZEL_OpenContainer(session, name, ZEL_IOMODE_READ, &st);
  if (st != ZEL_OK) return zel_fail("open container");
  unsigned count = 0;
  const char** names = ZEL_GetContainerAttributeNames(session, c, &count, &st);
  printf("reopened %s (software version %u) with %u attribute(s):\n", ZEL_GetContainerName(session, c, &st),
         ZEL_GetContainerSoftwareVersion(name, &st), count);
  for (unsigned i = 0; i < count; ++i) {
    printf("  %s = %s\n", names[i], ZEL_GetContainerAttribute(session, c, names[i], &st));
  }
  free(names);

  /* A stale handle is refused with a status and a message, never a crash. */
  ZEL_CloseContainer(session, c, &st);
  ZEL_CloseContainer(session, c, &st);
  printf("closing it twice: status %d, \"%s\"\n", (int)st, ZEL_GetError());

  ZEL_TermSession(session, &st);
  if (st != ZEL_OK) return zel_fail("term session");
  printf("session ended, %d termination callback(s) run; the container stays in %s\n", g_callbacks_run, dir);
  return 0;
}

int main(int argc, char** argv) {
  if (argc < 2) return usage(stderr);
  if (strcmp(argv[1], "version") == 0) return cmd_version();
  if (strcmp(argv[1], "demo") == 0) return cmd_demo(argc - 2, argv + 2);
  if (strcmp(argv[1], "info") == 0) return zel_cmd_info(argc - 2, argv + 2);
  if (strcmp(argv[1], "tree") == 0) return zel_cmd_tree(argc - 2, argv + 2);
  if (strcmp(argv[1], "help") == 0 || strcmp(argv[1], "--help") == 0) return usage(stdout);
  fprintf(stderr, "zel: unknown command '%s'\n", argv[1]);
  return usage(stderr);
}
