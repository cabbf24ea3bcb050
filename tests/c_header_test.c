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

/* A caller's operation as C code writes one: doubles, count at a time. */
static zel_status_t Halve(void* userData, void* operand, unsigned count, void* result) {
  const double* in = (const double*)operand;
  double* out = (double*)result;
  (void)userData;
  for (unsigned i = 0; i < count; ++i) out[i] = in[i] / 2;
  return ZEL_OK;
}

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

  /* Registering an operation from C, with the header's callback type. */
  zel_container_t c = ZEL_CreateContainer(s, "", ZEL_MODE_MEMORY, &st);
  CHECK(st == ZEL_OK);
  zel_type_t real = ZEL_CreateBuiltinType(s, c, "r", ZEL_REAL, &st);
  CHECK(st == ZEL_OK);
  ZEL_RegisterUnaryOperation(s, c, ZEL_OP_ABS, real, real, Halve, NULL, &st);
  CHECK(st == ZEL_OK);
  ZEL_RegisterUnaryOperation(s, c, ZEL_OP_ABS, real, real, NULL, NULL, &st);
  CHECK(st == ZEL_BAD_ARG);
  ZEL_CloseContainer(s, c, &st);
  CHECK(st == ZEL_OK);

  ZEL_TermSession(s, &st);
  CHECK(st == ZEL_OK);
  ZEL_TermSession(s, &st);
  CHECK(st == ZEL_BAD_HANDLE);
  CHECK(strcmp(ZEL_GetError(), "ZEL_TermSession: Bad handle: wrong handle (deleted?)") == 0);
  return 0;
}
