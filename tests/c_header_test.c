/* The public header compiled as C99, and the C interface used from C. */
#include <stdio.h>
#include <string.h>

#include "zel/zel.h"

#define CHECK(cond)                                               \
  do {                                                            \
    if (!(cond)) {                                                \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      return 1;                                                   \
    }                                                             \
  } while (0)

int main(void) {
  zel_status_t st = ZEL_FAILED;
  zel_session_t s = ZEL_InitSession(&st);
  CHECK(st == ZEL_OK);
  CHECK(!ZEL_IsSessionNull(s));
  CHECK(ZEL_IsSessionNull(ZEL_NullSession));
  CHECK(ZEL_IsReaderNull(ZEL_NullReader));
  CHECK(ZEL_NullWaveform.key == -1);
  CHECK(ZEL_GetSoftwareVersion() == 8);
  CHECK(strcmp(ZEL_GetFilenameExt(), ".qo_zel") == 0);
  CHECK(strcmp(ZEL_GetDirectoryNameSuffix(), "_zel") == 0);

  zel_view_t v = ZEL_CreateView(s, &st);
  CHECK(st == ZEL_OK);
  ZEL_DeleteView(s, v, &st);
  CHECK(st == ZEL_OK);
  ZEL_DeleteView(s, v, &st);
  CHECK(st == ZEL_BAD_HANDLE);
  CHECK(strcmp(ZEL_GetError(), "ZEL_DeleteView: Bad handle: wrong handle (deleted?)") == 0);

  /* Segment access takes no session: a null waveform segment is a bad handle. */
  CHECK(ZEL_GetWfSegmentLegCount(NULL, &st) == 0);
  CHECK(st == ZEL_BAD_HANDLE);
  CHECK(strcmp(ZEL_GetError(), "ZEL_GetWfSegmentLegCount: Bad handle: wrong handle (deleted?)") == 0);
  CHECK(ZEL_GetWfSegmentConvertedYBuffer(NULL, &st) == NULL);

  ZEL_TermSession(s, &st);
  CHECK(st == ZEL_OK);
  ZEL_TermSession(s, &st);
  CHECK(st == ZEL_BAD_HANDLE);
  CHECK(strcmp(ZEL_GetError(), "ZEL_TermSession: Bad handle: wrong handle (deleted?)") == 0);
  return 0;
}
