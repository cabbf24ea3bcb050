/* What the importers (import-vcd, import-raw) share: a block reader of the
 * input file with token and line access, an error report that names the
 * file and the line, a map from short texts to indices, and the creation of
 * block paths in a signal hierarchy.
 *
 * Memory: the reader holds one block of the file (ZI_BLOCK bytes) plus the
 * token or line that crosses the block's end; a token or line longer than
 * the limit given to zi_open fails instead of growing the buffer further. */
#ifndef ZEL_TOOLS_IMPORT_COMMON_H
#define ZEL_TOOLS_IMPORT_COMMON_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "zel/zel.h"

#define ZI_BLOCK (1u << 20)

typedef struct {
  FILE* file;
  const char* path;
  char* buffer;       /* malloc'd; capacity bytes */
  size_t capacity;    /* grows up to limit + ZI_BLOCK */
  size_t limit;       /* longest token or line accepted */
  size_t begin, end;  /* unread bytes: buffer[begin, end) */
  int eof;            /* the file has no more bytes to read */
  int failed;         /* a read failed (reported) */
  unsigned long line; /* 1-based line of the last token or line read; 0: not counted */
  int pendingLine;    /* the last line's end is counted at the next read */
  uint64_t consumed;  /* bytes consumed before buffer[begin] */
} zi_input;

/* Opens path for reading; 0 with a message on failure. */
int zi_open(zi_input* in, const char* path, size_t limit);
void zi_close(zi_input* in);

/* The next whitespace-separated token: *text points into the buffer (valid
 * until the next call), *length is its length. Returns 0 at the end of the
 * file and -1 on failure (reported). */
int zi_token(zi_input* in, const char** text, size_t* length);

/* The next line without its end ("\n" or "\r\n"); 0 at the end of the file,
 * -1 on failure. A last line without "\n" counts. */
int zi_line(zi_input* in, const char** text, size_t* length);

/* Exactly count bytes into destination (count <= limit); -1 when the file
 * ends first or a read fails (reported). */
int zi_bytes(zi_input* in, void* destination, size_t count);

/* Prints "zel: FILE:LINE: message" (the line omitted when 0) and returns 1. */
int zi_error(const zi_input* in, const char* format, ...);
/* Prints "zel: CONTEXT: <the library's last message>" and returns 1. */
int zi_library_error(const char* context);

/* Map from texts (copied) to unsigned values, open addressing. */
typedef struct {
  char** keys;
  unsigned* values;
  uint64_t* hashes;
  size_t capacity; /* a power of two */
  size_t count;
} zi_map;

void zi_map_init(zi_map* map);
void zi_map_free(zi_map* map);
/* The value of key (length bytes), or -1 when absent. */
long zi_map_find(const zi_map* map, const char* key, size_t length);
/* Adds key; 0 when memory runs out. The key must be absent. */
int zi_map_add(zi_map* map, const char* key, size_t length, unsigned value);

/* The block at the end of count names below node, each name one block (no
 * separator is interpreted), created where missing. */
zel_hierarchyNode_t zi_blocks(zel_session_t s, zel_hierarchyNode_t node, char** names, unsigned count,
                              zel_status_t* status);

/* Whether path names an existing container (reference file or directory). */
int zi_container_exists(const char* path);

#endif
