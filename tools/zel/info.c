/* zel info CONTAINER: what a container holds and who uses it: versions and
 * processes, the types a caller created (named; the types the library
 * generates, such as operation results, are internal and not listed),
 * descriptors, parameters with their values, attributes, each waveform
 * set with its X descriptor, parameters, segments, stored waveforms and
 * point counts (read through a reader, segment by segment), and the bytes
 * the container's files take on disk. */
#define _XOPEN_SOURCE 700
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "commands.h"
#include "signals.h"
#include "tool_support.h"
#include "zel/zel.h"

/* Process ids and values shown per list; longer lists end with their total. */
#define MAX_SHOWN 64

static void print_pids(const char* label, unsigned count, const int* ids) {
  printf("  %-9s", label);
  if (count == 0) printf(" none");
  for (unsigned i = 0; i < count && i < MAX_SHOWN; ++i) printf(" %d", ids[i]);
  if (count > MAX_SHOWN) printf(" ... (%u in all)", count);
  printf("\n");
}

static unsigned long long g_disk_bytes;

static int add_file_size(const char* path, const struct stat* info, int kind, struct FTW* walk) {
  (void)path;
  (void)walk;
  if (kind == FTW_F) g_disk_bytes += (unsigned long long)info->st_size;
  return 0;
}

/* Bytes of the reference file (path, name, extension) and of every file in
 * the directory. */
static unsigned long long disk_size(const char* path, const char* name, const char* directory) {
  g_disk_bytes = 0;
  struct stat info;
  char* reference = malloc(strlen(path) + strlen(name) + strlen(ZEL_GetFilenameExt()) + 1);
  if (reference != NULL) {
    strcpy(reference, path);
    strcat(reference, name);
    strcat(reference, ZEL_GetFilenameExt());
    if (stat(reference, &info) == 0 && S_ISREG(info.st_mode)) g_disk_bytes += (unsigned long long)info.st_size;
    free(reference);
  }
  nftw(directory, add_file_size, 16, FTW_PHYS);
  return g_disk_bytes;
}

static void print_parameter(zel_session_t s, zel_parameter_t p, const char* indent) {
  zel_status_t st;
  char text[128];
  zel_type_t type = ZEL_GetParameterType(s, p, &st);
  const unsigned size = ZEL_GetSizeOfType(s, type, &st);
  const unsigned count = ZEL_GetParameterValueCount(s, p, &st);
  printf("%s%s (%u values):", indent, ZEL_GetParameterName(s, p, &st), count);
  const void* values = NULL;
  const int* orders = NULL;
  if (count > 0) ZEL_GetParameterValueBuffer(s, p, 0, &values, &orders, &st);
  for (unsigned k = 0; values != NULL && k < count && k < MAX_SHOWN; ++k) {
    printf(" %s", zel_format_value(s, type, (const char*)values + (size_t)k * size, text, sizeof text));
  }
  printf("%s\n", count > MAX_SHOWN ? " ..." : "");
}

/* Stored waveforms of the set and their points in every segment. */
static int print_set(zel_session_t s, zel_container_t c, zel_waveformSet_t set) {
  zel_status_t st;
  const char* name = ZEL_GetWaveformSetName(s, set, &st);
  zel_dimensionDescriptor_t x = ZEL_GetWaveformSetXDescriptor(s, set, &st);
  zel_type_t xType = ZEL_GetDimensionDescriptorType(s, x, &st);
  printf("  %s\n    x           \"%s\" [%s] %s\n", name, ZEL_GetDimensionDescriptorName(s, x, &st),
         ZEL_GetDimensionDescriptorUnit(s, x, &st), ZEL_GetTypeName(s, xType, &st));
  const unsigned parameters = ZEL_GetWaveformSetParameterCount(s, set, &st);
  for (unsigned i = 0; i < parameters && st == ZEL_OK; ++i) {
    printf("    parameter   ");
    print_parameter(s, ZEL_GetWaveformSetParameter(s, set, i, &st), "");
  }
  zel_signal_list all = {NULL, 0, 0};
  if (zel_collect_signals(s, set, 0, NULL, &all) != 0) return 1;
  /* The stored waveforms alone: derived ones hold no points of their own. */
  zel_signal_list stored = {all.items, 0, all.capacity};
  for (unsigned i = 0; i < all.count; ++i) {
    if (!all.items[i].derived) {
      zel_signal kept = all.items[i];
      all.items[i] = all.items[stored.count];
      all.items[stored.count++] = kept;
    }
  }
  const unsigned segments = ZEL_GetSegmentCount(s, set, &st);
  printf("    segments    %u\n    waveforms   %u\n", segments, stored.count);
  unsigned long long total = 0;
  int rc = 0;
  for (unsigned k = 0; k < segments && rc == 0; ++k) {
    zel_segment_reading reading;
    rc = zel_start_reading(s, c, set, k, &stored, &reading);
    unsigned long long points = 0;
    for (unsigned i = 0; rc == 0 && i < stored.count; ++i) {
      if (reading.segments[i] != NULL) points += ZEL_GetWfSegmentLegPointCount(reading.segments[i], 0, &st);
    }
    if (rc == 0) zel_end_reading(&reading);
    if (rc == 0 && (segments <= MAX_SHOWN || k < MAX_SHOWN)) printf("    segment %-3u %llu points\n", k, points);
    total += points;
  }
  if (rc == 0) printf("    points      %llu\n", total);
  zel_free_signals(&all);
  return rc;
}

int zel_cmd_info(int argc, char** argv) {
  if (argc != 1) {
    fprintf(stderr, "usage: zel info CONTAINER\n");
    return 2;
  }
  const char* name = zel_container_name(argv[0]);
  zel_status_t st;
  if (!ZEL_ContainerExists(name, &st)) {
    if (st != ZEL_OK) return zel_fail(name);
    return zel_error("no container named %s", name);
  }
  zel_session_t session = ZEL_InitSession(&st);
  if (st != ZEL_OK) return zel_fail(NULL);
  /* The table is read before this process registers as a reader. A damaged
   * table ends the command here with the library's reason. */
  ZEL_GetContainerSoftwareVersion(name, &st);
  if (st != ZEL_OK) return zel_fail(name);
  zel_versionInfo_t table;
  ZEL_GetContainerVersionInfo(name, &table, &st);
  if (st != ZEL_OK) return zel_fail(name);
  zel_container_t c = ZEL_OpenContainer(session, name, ZEL_IOMODE_READ, &st);
  if (st != ZEL_OK) {
    free(table.readers);
    free(table.writers);
    free(table.attached);
    return zel_fail(name);
  }

  const char* directory = ZEL_GetContainerDirectoryName(session, c, &st);
  printf("container   %s\n", ZEL_GetContainerName(session, c, &st));
  printf("path        %s\n", ZEL_GetContainerPath(session, c, &st));
  printf("directory   %s\n", directory);
  printf("on disk     %llu bytes\n", disk_size(ZEL_GetContainerPath(session, c, &st),
                                               ZEL_GetContainerName(session, c, &st), directory));
  printf("software    version %u\n", table.softwareVersion);
  if (table.versionCount > 0) {
    printf("version     %d (newest of %u, next %d)%s\n", table.version, table.versionCount, table.nextVersion,
           table.stale ? " stale" : "");
    print_pids("readers", table.readerCount, table.readers);
    print_pids("writer", table.writerCount, table.writers);
    print_pids("attached", table.attachedCount, table.attached);
  }
  free(table.readers);
  free(table.writers);
  free(table.attached);
  printf("latest      %s\n", ZEL_IsContainerLatestVersion(session, c, &st) ? "yes" : "no");

  unsigned count = 0;
  /* Every container keeps result types of operations, all named
   * "generated" (a caller's type of that name is left out as well). */
  zel_type_t* types = ZEL_GetAllTypes(session, c, &count, &st);
  unsigned created = 0;
  for (unsigned i = 0; i < count; ++i) {
    if (strcmp(ZEL_GetTypeName(session, types[i], &st), "generated") != 0) types[created++] = types[i];
  }
  printf("types       %u", created);
  for (unsigned i = 0; i < created; ++i) {
    printf("%s%s", i == 0 ? ": " : ", ", ZEL_GetTypeName(session, types[i], &st));
  }
  printf("\n");
  free(types);
  zel_dimensionDescriptor_t* descriptors = ZEL_GetAllDimensionDescriptors(session, c, &count, &st);
  printf("descriptors %u\n", count);
  for (unsigned i = 0; i < count; ++i) {
    printf("  \"%s\" [%s]\n", ZEL_GetDimensionDescriptorName(session, descriptors[i], &st),
           ZEL_GetDimensionDescriptorUnit(session, descriptors[i], &st));
  }
  free(descriptors);
  zel_parameter_t* parameters = ZEL_GetAllParameters(session, c, &count, &st);
  printf("parameters  %u\n", count);
  for (unsigned i = 0; i < count; ++i) print_parameter(session, parameters[i], "  ");
  free(parameters);

  const char** names = ZEL_GetContainerAttributeNames(session, c, &count, &st);
  printf("attributes  %u\n", count);
  for (unsigned i = 0; i < count; ++i) {
    printf("  %s = %s\n", names[i], ZEL_GetContainerAttribute(session, c, names[i], &st));
  }
  free(names);

  int rc = 0;
  zel_waveformSet_t* sets = ZEL_GetAllWaveformSets(session, c, &count, &st);
  printf("waveform sets %u\n", count);
  for (unsigned i = 0; i < count && rc == 0; ++i) rc = print_set(session, c, sets[i]);
  free(sets);

  ZEL_CloseContainer(session, c, &st);
  if (rc == 0 && st != ZEL_OK) rc = zel_fail(name);
  ZEL_TermSession(session, &st);
  return rc;
}
