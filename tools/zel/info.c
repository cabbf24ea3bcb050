/* zel info CONTAINER: what a container holds and who uses it. */
#include <stdio.h>
#include <stdlib.h>

#include "commands.h"
#include "version_table.h"
#include "zel/zel.h"

static void print_pids(const char* label, unsigned count, const int* ids) {
  printf("  %-9s", label);
  if (count == 0) printf(" none");
  for (unsigned i = 0; i < count && i < ZT_MAX_PIDS; ++i) printf(" %d", ids[i]);
  if (count > ZT_MAX_PIDS) printf(" ... (%u in all)", count);
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
  /* The table is read before this process registers as a reader. */
  const unsigned software = ZEL_GetContainerSoftwareVersion(name, &st);
  if (st != ZEL_OK) return zel_fail("info");
  char directory[4096];
  zt_directory_of(name, directory, sizeof directory);
  zt_table table;
  const int tableStatus = zt_read_table(directory, &table);
  zel_container_t c = ZEL_OpenContainer(session, name, ZEL_IOMODE_READ, &st);
  if (st != ZEL_OK) return zel_fail("info");

  printf("container   %s\n", ZEL_GetContainerName(session, c, &st));
  printf("path        %s\n", ZEL_GetContainerPath(session, c, &st));
  printf("directory   %s\n", directory);
  printf("software    version %u\n", software);
  if (tableStatus == 0 && table.versionCount > 0) {
    printf("version     %d (newest of %u, next %d)%s\n", table.newest.number, table.versionCount,
           table.nextVersion, table.newest.stale ? " stale" : "");
    print_pids("readers", table.newest.readers, table.newest.reader);
    print_pids("writer", table.newest.writers, table.newest.writer);
    print_pids("attached", table.newest.attached, table.newest.attach);
  } else if (tableStatus != 0) {
    printf("version     (table of an older format)\n");
  }
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
