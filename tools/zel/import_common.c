/* The importers' shared reader, error reports, text map and hierarchy
 * blocks (see import_common.h). */
#include "import_common.h"

#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

int zi_open(zi_input* in, const char* path, size_t limit) {
  memset(in, 0, sizeof *in);
  in->path = path;
  in->limit = limit;
  in->line = 1;
  in->file = fopen(path, "rb");
  if (in->file == NULL) {
    fprintf(stderr, "zel: %s: cannot open for reading\n", path);
    return 0;
  }
  in->capacity = ZI_BLOCK + 64;
  in->buffer = malloc(in->capacity);
  if (in->buffer == NULL) {
    fclose(in->file);
    in->file = NULL;
    fprintf(stderr, "zel: %s: out of memory\n", path);
    return 0;
  }
  return 1;
}

void zi_close(zi_input* in) {
  if (in->file != NULL) fclose(in->file);
  free(in->buffer);
  in->file = NULL;
  in->buffer = NULL;
}

/* Moves the unread bytes to the buffer's start and reads up to one block
 * after them, growing the buffer when the unread bytes already fill it
 * (bounded by the limit). Returns the number of bytes added, 0 at the end,
 * -1 on failure. */
static long refill(zi_input* in) {
  if (in->eof || in->failed) return in->failed ? -1 : 0;
  const size_t unread = in->end - in->begin;
  if (in->begin > 0) {
    memmove(in->buffer, in->buffer + in->begin, unread);
    in->consumed += in->begin;
    in->begin = 0;
    in->end = unread;
  }
  if (in->capacity - in->end < ZI_BLOCK / 2) {
    if (unread > in->limit) {
      in->failed = 1;
      zi_error(in, "a token or line is longer than %zu bytes", in->limit);
      return -1;
    }
    size_t capacity = in->capacity * 2;
    if (capacity > in->limit + ZI_BLOCK + 64) capacity = in->limit + ZI_BLOCK + 64;
    if (capacity <= in->capacity) capacity = in->capacity + ZI_BLOCK;
    char* grown = realloc(in->buffer, capacity);
    if (grown == NULL) {
      in->failed = 1;
      zi_error(in, "out of memory");
      return -1;
    }
    in->buffer = grown;
    in->capacity = capacity;
  }
  size_t room = in->capacity - in->end;
  if (room > ZI_BLOCK) room = ZI_BLOCK;
  const size_t got = fread(in->buffer + in->end, 1, room, in->file);
  if (got < room) {
    if (ferror(in->file)) {
      in->failed = 1;
      zi_error(in, "read failed");
      return -1;
    }
    in->eof = 1;
  }
  in->end += got;
  return (long)got;
}

/* Whitespace: space, \t, \n, \v, \f, \r (9 to 13 and 32). */
static int is_space(char c) {
  const unsigned u = (unsigned char)c;
  return u == 32 || (u - 9u) < 5u;
}

int zi_token(zi_input* in, const char** text, size_t* length) {
  in->line += in->pendingLine;
  in->pendingLine = 0;
  for (;;) {
    while (in->begin < in->end && is_space(in->buffer[in->begin])) {
      if (in->buffer[in->begin] == '\n' && in->line > 0) ++in->line;
      ++in->begin;
    }
    if (in->begin < in->end) break;
    const long got = refill(in);
    if (got <= 0) return (int)got;
  }
  size_t i = in->begin;
  for (;;) {
    while (i < in->end && !is_space(in->buffer[i])) ++i;
    if (i < in->end || in->eof) break;
    const size_t offset = i - in->begin;
    const long got = refill(in);
    if (got < 0) return -1;
    i = in->begin + offset;
  }
  *text = in->buffer + in->begin;
  *length = i - in->begin;
  in->begin = i;
  return 1;
}

int zi_line(zi_input* in, const char** text, size_t* length) {
  /* The line just returned stays the one that errors name, also when the
   * file ends after it. */
  if (in->begin >= in->end) {
    const long got = refill(in);
    if (got <= 0) return (int)got;
  }
  in->line += in->pendingLine;
  in->pendingLine = 0;
  size_t searched = 0;
  for (;;) {
    const char* nl = memchr(in->buffer + in->begin + searched, '\n', in->end - in->begin - searched);
    if (nl != NULL) {
      size_t n = (size_t)(nl - (in->buffer + in->begin));
      *text = in->buffer + in->begin;
      in->begin += n + 1;
      in->pendingLine = in->line > 0;
      if (n > 0 && (*text)[n - 1] == '\r') --n;
      *length = n;
      return 1;
    }
    if (in->eof) {
      *text = in->buffer + in->begin;
      *length = in->end - in->begin;
      in->begin = in->end;
      return 1;
    }
    searched = in->end - in->begin;
    const long got = refill(in);
    if (got < 0) return -1;
  }
}

int zi_bytes(zi_input* in, void* destination, size_t count) {
  char* out = destination;
  while (count > 0) {
    if (in->begin >= in->end) {
      const long got = refill(in);
      if (got < 0) return -1;
      if (got == 0) {
        zi_error(in, "the file ends in the middle of the data");
        return -1;
      }
    }
    size_t n = in->end - in->begin;
    if (n > count) n = count;
    memcpy(out, in->buffer + in->begin, n);
    in->begin += n;
    out += n;
    count -= n;
  }
  return 0;
}

int zi_error(const zi_input* in, const char* format, ...) {
  va_list args;
  va_start(args, format);
  if (in != NULL && in->line > 0) {
    fprintf(stderr, "zel: %s:%lu: ", in->path, in->line);
  } else if (in != NULL) {
    fprintf(stderr, "zel: %s: ", in->path);
  } else {
    fprintf(stderr, "zel: ");
  }
  vfprintf(stderr, format, args);
  fputc('\n', stderr);
  va_end(args);
  return 1;
}

int zi_library_error(const char* context) {
  fprintf(stderr, "zel: %s: %s\n", context, ZEL_GetError());
  return 1;
}

/* ------ Map --------------------------------------------------------- */

static uint64_t hash_text(const char* key, size_t length) {
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < length; ++i) h = (h ^ (unsigned char)key[i]) * 1099511628211ull;
  return h ^ (h >> 29);
}

void zi_map_init(zi_map* map) { memset(map, 0, sizeof *map); }

void zi_map_free(zi_map* map) {
  for (size_t i = 0; i < map->capacity; ++i) free(map->keys[i]);
  free(map->keys);
  free(map->values);
  free(map->hashes);
  zi_map_init(map);
}

long zi_map_find(const zi_map* map, const char* key, size_t length) {
  if (map->capacity == 0) return -1;
  /* The full hash is compared first: most probes end without touching a
   * key's text. */
  const uint64_t h = hash_text(key, length);
  size_t i = (size_t)h & (map->capacity - 1);
  for (;;) {
    const char* k = map->keys[i];
    if (k == NULL) return -1;
    if (map->hashes[i] == h && memcmp(k, key, length) == 0 && k[length] == '\0') return (long)map->values[i];
    i = (i + 1) & (map->capacity - 1);
  }
}

static void insert(zi_map* map, char* key, uint64_t h, unsigned value) {
  size_t i = (size_t)h & (map->capacity - 1);
  while (map->keys[i] != NULL) i = (i + 1) & (map->capacity - 1);
  map->keys[i] = key;
  map->hashes[i] = h;
  map->values[i] = value;
}

int zi_map_add(zi_map* map, const char* key, size_t length, unsigned value) {
  if ((map->count + 1) * 2 > map->capacity) {
    zi_map grown = *map;
    grown.capacity = map->capacity ? map->capacity * 2 : 64;
    grown.keys = calloc(grown.capacity, sizeof *grown.keys);
    grown.values = calloc(grown.capacity, sizeof *grown.values);
    grown.hashes = calloc(grown.capacity, sizeof *grown.hashes);
    if (grown.keys == NULL || grown.values == NULL || grown.hashes == NULL) {
      free(grown.keys);
      free(grown.values);
      free(grown.hashes);
      return 0;
    }
    for (size_t i = 0; i < map->capacity; ++i) {
      if (map->keys[i] != NULL) insert(&grown, map->keys[i], map->hashes[i], map->values[i]);
    }
    free(map->keys);
    free(map->values);
    free(map->hashes);
    *map = grown;
  }
  char* copy = malloc(length + 1);
  if (copy == NULL) return 0;
  memcpy(copy, key, length);
  copy[length] = '\0';
  insert(map, copy, hash_text(copy, length), value);
  ++map->count;
  return 1;
}

/* ------ Hierarchy ----------------------------------------------------- */

zel_hierarchyNode_t zi_blocks(zel_session_t s, zel_hierarchyNode_t node, char** names, unsigned count,
                              zel_status_t* status) {
  *status = ZEL_OK;
  for (unsigned i = 0; i < count; ++i) {
    unsigned found = 0;
    zel_hierarchyNode_t* nodes = ZEL_GetHierarchyNodes(s, node, names[i], ZEL_HDL_NONE, &found, status);
    zel_hierarchyNode_t next = found == 1 ? nodes[0] : ZEL_NullHierarchyNode;
    free(nodes);
    if (found == 1 && ZEL_GetHierarchyNodeType(s, next, status) == 0) {
      node = next;
      continue;
    }
    node = ZEL_AddHierarchyBlock(s, node, names[i], ZEL_HDL_NONE, status);
    if (*status != ZEL_OK) return ZEL_NullHierarchyNode;
  }
  return node;
}

int zi_container_exists(const char* path) {
  char name[4096];
  struct stat info;
  if (snprintf(name, sizeof name, "%s%s", path, ZEL_GetFilenameExt()) < (int)sizeof name && stat(name, &info) == 0) {
    return 1;
  }
  if (snprintf(name, sizeof name, "%s%s", path, ZEL_GetDirectoryNameSuffix()) < (int)sizeof name &&
      stat(name, &info) == 0) {
    return 1;
  }
  return 0;
}
