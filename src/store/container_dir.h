// ZELI_ContainerDirectory: the file-level side of a container's operations.
//
// The container object holds one of these for its name and calls one method
// per operation; each method carries out the whole registration protocol of
// that operation on the version table (taking the table lock, checking the
// rules, registering or unregistering this process, releasing the table)
// and returns what the container needs to know.
//
//   Create(force)        ZEL_CreateContainer / ZEL_ForceCreateContainer, disk
//                        mode: files made when missing (always when forced),
//                        newest version marked stale, a new version with this
//                        process as its writer.
//   Open(mode)           ZEL_OpenContainer*: mode 0 reads, 1 and 2 write.
//   Attach()             ZEL_AttachContainer.
//   Unregister(v, m)     ZEL_CloseContainer, and the clean-up of an open or
//                        attach that failed after registering: removes this
//                        process from the list of mode m of version v.
//   Detach(v)            ZEL_DetachContainer (= Unregister(v, ATTACHED)).
//   Delete()             ZEL_DeleteContainer.
//   SoftwareVersion()    ZEL_GetContainerSoftwareVersion.
//   IsLatestVersion(v)   ZEL_IsContainerLatestVersion.
//   IsSegDataLatest(n,t) ZEL_IsSegDataLatest (n segments in the first set).
//   CreateRegisteredExtFile()  the reference file, made anew when a
//                        container open for writing is closed.
// Failures are exceptions (ZELI_FailedException with the rule's message,
// ZELI_NotFoundException, ZELI_DiskIOException); a table opened by an
// operation is released (written back, unlocked) whether it succeeds or not.
// A registration is on disk exactly when the method returned with
// registered set; on an exception nothing stays registered. Where the file
// system's journal commits in order, a new version (unless forced) and a
// writer's registration are not waited for: they become durable with the
// process's next sync (ZELI_SyncGroup::Defer), which a commit or the
// writer's close makes; a reader's registration is never synced.
//
// A table found without versions by open or attach is left as it is (it is
// the table of a create in progress in another process); only delete, and a
// release that removes the last stale version, delete a container.
#ifndef ZEL_STORE_CONTAINER_DIR_H
#define ZEL_STORE_CONTAINER_DIR_H

#include <cstdint>
#include <vector>
#include <string>

#include "store/container_names.h"
#include "store/stream.h"
#include "store/version_toc.h"
#include "zel/zel.h"

// What a container takes from create, open and attach.
struct ZELI_VersionAccess {
  int versionNumber = -1;        // the newest version, now in use
  zel_bool_t isBigEndianOnDisk = 0;  // byte order of the stored data
  unsigned softwareVersion = ZELI_CurrentSoftwareVersion;  // of the table (0 to 8)
  bool registered = false;       // this process was entered in the table
};

class ZELI_ContainerDirectory {
 public:
  // name: as the caller gave it; stripped (ZELI_BadArgException
  // "Invalid container name").
  explicit ZELI_ContainerDirectory(const char* name) : names_(name) {}

  const ZELI_ContainerNames& Get_Names() const { return names_; }

  // True: directory, reference file, version table and Readme all there.
  // False: neither directory nor reference file there. Otherwise
  // ZELI_FailedException "<full name> does not seem to be an ZEL container.".
  bool Exists() const;
  // ZELI_NotFoundException "The container <full name> does not exist." when
  // Exists() is false.
  void VerifyExistence() const;
  // Writes the container's files (see Create); without force an existing
  // container fails with ZELI_FailedException "The container <full name>
  // exists.". Where the file system writes a renamed file's data before the
  // rename, the Readme and a new table are not synced here: they become
  // durable with the registration of the first version (see Create).
  void CreateFiles(bool force) const;
  // Removes the directory tree and the reference file (missing ones are
  // not an error).
  void DeleteFiles() const;
  // Writes the empty reference file anew (new modification time).
  void CreateRegisteredExtFile() const;

  ZELI_VersionAccess Create(bool force) const;
  // mode: 0 reading, 1 writing, 2 writing without data stores (registered as
  // writing). Other values: ZELI_BadArgException "Invalid container io mode".
  ZELI_VersionAccess Open(zel_iomode_t mode) const;
  ZELI_VersionAccess Attach() const;
  // The list a container of that opening was entered in.
  static ZELI_Version::accessMode_t AccessModeOf(zel_iomode_t mode, bool attached);
  void Unregister(int versionNumber, ZELI_Version::accessMode_t mode) const;
  void Detach(int versionNumber) const { Unregister(versionNumber, ZELI_Version::ATTACHED); }
  void Delete() const;

  // The table's software version (8, or below for older tables); the
  // container must exist. Reads without the lock.
  unsigned SoftwareVersion() const;
  // The newest version number, -1 when there is none (no lock).
  int LatestVersionNumber() const;
  bool IsLatestVersion(int versionNumber) const { return LatestVersionNumber() == versionNumber; }

  // time: in/out, nanoseconds since the epoch of file times (0: the
  // reference file's modification time). True when no data file
  // "segment_<s>_<d>.data" (s below segmentCount, d from 0 until the first
  // missing one) of the newest version is newer than time; time becomes the
  // time compared against (the newer file's when one is found). A reference
  // file without a readable time gives true and time 0.
  bool IsSegDataLatest(unsigned segmentCount, int64_t& time) const;
  // The same over the given segment serial numbers (segments of one set are
  // not numbered from 0 once several sets share the container's serials).
  bool IsSegDataLatest(const std::vector<unsigned>& serials, int64_t& time) const;

  // The Readme's text, line ends included.
  static std::string ReadmeText();

 private:
  void WriteFiles(bool force) const;
  // Create without its sync group.
  ZELI_VersionAccess RegisterNewVersion(bool force) const;
  void WriteReadme() const;

  ZELI_ContainerNames names_;
};

#endif  // ZEL_STORE_CONTAINER_DIR_H
