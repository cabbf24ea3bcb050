/* zel info CONTAINER: what a container holds and who uses it. */
#include <stdio.h>
#include <stdlib.h>

#include "commands.h"
#include "zel/zel.h"

/* Process ids shown per list; longer lists end with their total. */
#define MAX_SHOWN_PIDS 64

static void print_pids(const char* label, unsigned count, const int* ids) {
  printf("  %-9s", label);
  if (count == 0) printf(" none");
  for (unsigned i = 0; i < count && i < MAX_SHOWN_PIDS; ++i) printf(" %d", ids[i]);
  if (count > MAX_SHOWN_PIDS) printf(" ... (%u in all)", count);
  printf("\n");
}

int zel_cmd_info(int argc, char** argv) {
  if (argc != 1) {
    fprintf(stderr, "usage: zel info CONTAINER\n");
    return 2;
  }
  const char* name = argv[0];
  zel_status_t st;
  if (!ZEL_ContainerExists(name, &st)) {
    if (st != ZEL_OK) return zel_fail("info");
    fprintf(stderr, "zel: info: no container named %s\n", name);
    return 1;
  }
  zel_session_t session = ZEL_InitSession(&st);
  if (st != ZEL_OK) return zel_fail("info");
  /* The table is read before this process registers as a reader. A damaged
   * table ends the command here with the library's reason (the software
   * version query comes first, so the message names it, as it always has). */
  ZEL_GetContainerSoftwareVersion(name, &st);
  if (st != ZEL_OK) return zel_fail("info");
  zel_versionInfo_t table;
  ZEL_GetContainerVersionInfo(name, &table, &st);
  if (st != ZEL_OK) return zel_fail("info");
  zel_container_t c = ZEL_OpenContainer(session, name, ZEL_IOMODE_READ, &st);
  if (st != ZEL_OK) {
    free(table.readers);
    free(table.writers);
    free(table.attached);
    return zel_fail("info");
  }

  printf("container   %s\n", ZEL_GetContainerName(session, c, &st));
  printf("path        %s\n", ZEL_GetContainerPath(session, c, &st));
  printf("directory   %s\n", ZEL_GetContainerDirectoryName(session, c, &st));
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
  free(ZEL_GetAllTypes(session, c, &count, &st));
  printf("types       %u\n", count);
  free(ZEL_GetAllDimensionDescriptors(session, c, &count, &st));
  printf("descriptors %u\n", count);
  free(ZEL_GetAllParameters(session, c, &count, &st));
  printf("parameters  %u\n", count);
  free(ZEL_GetAllWaveformSets(session, c, &count, &st));
  printf("waveform sets %u\n", count);

  const char** names = ZEL_GetContainerAttributeNames(session, c, &count, &st);
  printf("attributes  %u\n", count);
  for (unsigned i = 0; i < count; ++i) {
    printf("  %s = %s\n", names[i], ZEL_GetContainerAttribute(session, c, names[i], &st));
  }
  free(names);

  ZEL_CloseContainer(session, c, &st);
  if (st != ZEL_OK) return zel_fail("info");
  ZEL_TermSession(session, &st);
  return 0;
}
