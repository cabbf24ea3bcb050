/* Reading version.toc for display (see version_table.h). */
#include "version_table.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef struct {
  const unsigned char* p;
  size_t left;
  int swap;
  int ok;
} reader;

static unsigned read_u32(reader* r) {
  unsigned char b[4];
  if (r->left < 4) {
    r->ok = 0;
    return 0;
  }
  memcpy(b, r->p, 4);
  r->p += 4;
  r->left -= 4;
  if (r->swap) {
    unsigned char t = b[0];
    b[0] = b[3];
    b[3] = t;
    t = b[1];
    b[1] = b[2];
    b[2] = t;
  }
  unsigned v;
  memcpy(&v, b, 4);
  return v;
}

static int read_u8(reader* r) {
  if (r->left < 1) {
    r->ok = 0;
    return 0;
  }
  r->left -= 1;
  return *r->p++;
}

static void read_list(reader* r, unsigned* count, int* ids) {
  *count = read_u32(r);
  if (!r->ok || *count > r->left / 4) {
    r->ok = 0;
    return;
  }
  for (unsigned i = 0; i < *count; ++i) {
    const int id = (int)read_u32(r);
    if (i < ZT_MAX_PIDS) ids[i] = id;
  }
}

static int ends_with(const char* text, size_t length, const char* suffix) {
  const size_t n = strlen(suffix);
  return length > n && memcmp(text + length - n, suffix, n) == 0;
}

void zt_directory_of(const char* name, char* out, unsigned size) {
  size_t length = strlen(name);
  if (ends_with(name, length, ".qo_zel")) {
    length -= strlen(".qo_zel");
  } else if (ends_with(name, length, "_zel")) {
    length -= strlen("_zel");
  }
  snprintf(out, size, "%.*s_zel", (int)length, name);
}

int zt_read_table(const char* directory, zt_table* table) {
  char path[4096];
  snprintf(path, sizeof path, "%s/version.toc", directory);
  FILE* f = fopen(path, "rb");
  if (f == NULL) return -1;
  unsigned char* bytes = NULL;
  size_t size = 0, cap = 0;
  for (;;) {
    if (size == cap) {
      cap = cap ? cap * 2 : 4096;
      unsigned char* grown = realloc(bytes, cap);
      if (grown == NULL) break;
      bytes = grown;
    }
    const size_t got = fread(bytes + size, 1, cap - size, f);
    if (got == 0) break;
    size += got;
  }
  fclose(f);

  reader r = {bytes, size, 0, 1};
  unsigned magic = read_u32(&r);
  int result = -2;
  if (r.ok && (magic == 0xFADEEDAFu || magic == 0xAFEDDEFAu)) {
    const int flag = read_u8(&r);
    const unsigned one = 1;
    const int machineBig = *(const unsigned char*)&one == 0;
    r.swap = flag != machineBig;
    table->bigEndian = flag;
    table->softwareVersion = read_u32(&r);
    table->nextVersion = (int)read_u32(&r);
    table->versionCount = read_u32(&r);
    memset(&table->newest, 0, sizeof table->newest);
    if (table->softwareVersion >= 3) {
      for (unsigned v = 0; r.ok && v < table->versionCount; ++v) {
        zt_version* out = &table->newest;
        out->number = (int)read_u32(&r);
        out->stale = read_u8(&r);
        read_list(&r, &out->readers, out->reader);
        read_list(&r, &out->writers, out->writer);
        read_list(&r, &out->attached, out->attach);
      }
      if (r.ok) result = 0;
    }
  }
  free(bytes);
  return result;
}
