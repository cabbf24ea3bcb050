/*
 * Reading a container's version table (version.toc) for display. The
 * table's layout is part of the container format (doc/version_table_format.md);
 * the tool reads it directly because the library interface does not list
 * other processes' registrations.
 */
#ifndef ZEL_TOOLS_VERSION_TABLE_H
#define ZEL_TOOLS_VERSION_TABLE_H

#define ZT_MAX_PIDS 64

typedef struct {
  int number;
  int stale;
  unsigned readers, writers, attached; /* counts (lists may be cut) */
  int reader[ZT_MAX_PIDS], writer[ZT_MAX_PIDS], attach[ZT_MAX_PIDS];
} zt_version;

typedef struct {
  int bigEndian;
  unsigned softwareVersion;
  int nextVersion;
  unsigned versionCount;
  zt_version newest; /* valid when versionCount > 0 */
} zt_table;

/* The container directory of a container name given as the full name, the
 * reference file (".qo_zel") or the directory ("_zel"). */
void zt_directory_of(const char* name, char* out, unsigned size);

/* Reads <directory>/version.toc. Returns 0 on success, -1 when the file
 * cannot be read, -2 when it is not a table of the current format. */
int zt_read_table(const char* directory, zt_table* table);

#endif
