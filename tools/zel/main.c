/*
 * zel: the command-line front end of libqo_zel. Built on the public header
 * only, like any other caller.
 *
 *   zel version   software version, reference-file extension, directory suffix
 *   zel demo      a walk through the interface available so far
 */
#include <stdio.h>
#include <string.h>

#include "zel/zel.h"

static int usage(FILE* out) {
  fprintf(out,
          "usage: zel COMMAND\n"
          "  version   print the software version and container naming\n"
          "  demo      run the demonstration\n");
  return out == stderr ? 2 : 0;
}

static int cmd_version(void) {
  printf("libqo_zel software version %u\n", ZEL_GetSoftwareVersion());
  printf("reference file extension   %s\n", ZEL_GetFilenameExt());
  printf("directory suffix           %s\n", ZEL_GetDirectoryNameSuffix());
  return 0;
}

static int g_callbacks_run = 0;
static void on_term(void) { ++g_callbacks_run; }

static int fail(const char* what) {
  fprintf(stderr, "zel: %s: %s\n", what, ZEL_GetError());
  return 1;
}

static int cmd_demo(void) {
  zel_status_t st;
  zel_session_t session = ZEL_InitSession(&st);
  if (st != ZEL_OK) return fail("init session");
  printf("session %d started\n", session.key);

  ZEL_RegisterTermCallback(session, on_term, &st);
  if (st != ZEL_OK) return fail("register callback");

  zel_view_t view = ZEL_CreateView(session, &st);
  if (st != ZEL_OK) return fail("create view");
  printf("view %d created\n", view.key);
  ZEL_DeleteView(session, view, &st);
  if (st != ZEL_OK) return fail("delete view");

  /* A deleted handle is refused with a status and a message, never a crash. */
  ZEL_DeleteView(session, view, &st);
  printf("deleting it again: status %d, \"%s\"\n", (int)st, ZEL_GetError());

  ZEL_TermSession(session, &st);
  if (st != ZEL_OK) return fail("term session");
  printf("session ended, %d termination callback(s) run\n", g_callbacks_run);
  return 0;
}

int main(int argc, char** argv) {
  if (argc < 2) return usage(stderr);
  if (strcmp(argv[1], "version") == 0) return cmd_version();
  if (strcmp(argv[1], "demo") == 0) return cmd_demo();
  if (strcmp(argv[1], "help") == 0 || strcmp(argv[1], "--help") == 0) return usage(stdout);
  fprintf(stderr, "zel: unknown command '%s'\n", argv[1]);
  return usage(stderr);
}
