// ZELI_ContainerDirectory: existence, the container's files, and the
// registration protocol of each container operation.
#include "store/container_dir.h"

#include <cerrno>
#include <string>

#include "errors/exceptions.h"
#include "store/atomic_file.h"
#include "store/os_file.h"
#include "store/stream.h"

namespace {

// The lock could not be taken (the location is read-only for this process)
// where the operation must change the table.
[[noreturn]] void ThrowLockNotTaken() { throw ZELI_DiskIOException(EACCES); }

const char* const CreateConflict =
    "Cannot create new container version with conflicting ZEL S/W version or endian type";

}  // namespace

std::string ZELI_ContainerDirectory::ReadmeText() {
  return "This directory contains Zelora (ZEL).\n"
         "\n"
         "The database was written using ZEL software version " +
         std::to_string(ZELI_CurrentSoftwareVersion) +
         ".\n"
         "It may be read using any later version of ZEL.\n"
         "\n"
         "This file is created for the convenience of the user.\n"
         "It is never read or modified by ZEL.\n"
         "\n"
         "To move or rename the database, you must move or rename\n"
         "both this directory and the associated reference file:\n"
         "    mv name_zel path/name_zel\n"
         "    mv name.qo_zel path/name.qo_zel\n";
}

// ---- Files -----------------------------------------------------------------

bool ZELI_ContainerDirectory::Exists() const {
  const std::string& dir = names_.Get_DirName();
  const std::string& ref = names_.Get_Filename();
  if (ZELI_OS_IsDirectory(dir.c_str())) {
    if (ZELI_OS_IsFile(ref.c_str()) && ZELI_OS_IsFile(names_.Get_VersionTOC().c_str()) &&
        ZELI_OS_IsFile(names_.Get_Readme().c_str())) {
      return true;
    }
  } else if (!ZELI_OS_Exists(dir.c_str()) && !ZELI_OS_Exists(ref.c_str())) {
    return false;
  }
  throw ZELI_FailedException(ZELI_Message() << names_.Get_FullName().c_str()
                                            << " does not seem to be an ZEL container.");
}

void ZELI_ContainerDirectory::VerifyExistence() const {
  if (!Exists()) {
    throw ZELI_NotFoundException(ZELI_Message() << "The container " << names_.Get_FullName().c_str()
                                                << " does not exist.");
  }
}

void ZELI_ContainerDirectory::CreateFiles(bool force) const {
  if (!force && Exists()) {
    throw ZELI_FailedException(ZELI_Message() << "The container " << names_.Get_FullName().c_str() << " exists.");
  }
  WriteFiles(force);
}

void ZELI_ContainerDirectory::WriteFiles(bool force) const {
  const char* dir = names_.Get_DirName().c_str();
  if (force && ZELI_OS_Exists(dir) && !ZELI_OS_IsDirectory(dir)) ZELI_OS_Unlink(dir);
  if (!ZELI_OS_IsDirectory(dir)) {
    try {
      ZELI_OS_Mkdir(dir);
    } catch (const ZELI_DiskIOException& e) {
      // Another process making the same container at the same time.
      if (e.Get_ErrorNumber() != EEXIST || !ZELI_OS_IsDirectory(dir)) throw;
    }
  }
  WriteReadme();
  CreateRegisteredExtFile();
  ZELI_VersionTOC::CreateMissingTOC(dir);
  if (force) ZELI_VersionTOC::ForceRemoveLock(dir);
}

void ZELI_ContainerDirectory::WriteReadme() const {
  ZELI_AtomicFile file(names_.Get_Readme().c_str());
  const std::string text = ReadmeText();
  file.Stream().Write(text.data(), text.size());
  // Its bytes are never read, only its presence checked. Every create that
  // writes it syncs the container directory next, when it registers its new
  // version in the table, and that makes the name durable; a crash before
  // then leaves a container that was never created. Syncing its data as
  // well would cost the create a disk round trip for nothing where the file
  // system cannot leave the name on unwritten bytes.
  if (ZELI_OS_FileSystem().RenameFollowsData(names_.Get_DirName().c_str())) {
    file.CommitUnsynced();
  } else {
    file.Commit();
  }
}

void ZELI_ContainerDirectory::CreateRegisteredExtFile() const {
  // A new file rather than a truncated one: its modification time is what
  // ZEL_IsSegDataLatest compares data files against.
  ZELI_AtomicFile file(names_.Get_Filename().c_str());
  file.CommitName();  // empty: only its name and time matter
}

void ZELI_ContainerDirectory::DeleteFiles() const {
  try {
    ZELI_OS_Rmdir(names_.Get_DirName().c_str());
  } catch (const ZELI_DiskIOException& e) {
    if (e.Get_ErrorNumber() != ENOENT) throw;
  }
  if (ZELI_OS_FileSystem().Unlink(names_.Get_Filename().c_str()) != 0 && errno != ENOENT) {
    throw ZELI_DiskIOException();
  }
}

// ---- Registration ------------------------------------------------------------

ZELI_VersionAccess ZELI_ContainerDirectory::Create(bool force) const {
  // The reference file, the Readme and the table. A new version holds
  // nothing committed yet, and a crash ends its writer too: its files become
  // durable with the process's next sync (the first commit or the close),
  // one journal commit fewer per run. A forced create has removed what was
  // there, and waits until that removal is durable.
  ZELI_SyncGroup group(force ? ZELI_SyncGroup::DURABLE : ZELI_SyncGroup::DEFERRED);
  ZELI_VersionAccess access = RegisterNewVersion(force);
  group.Finish();
  return access;
}

ZELI_VersionAccess ZELI_ContainerDirectory::RegisterNewVersion(bool force) const {
  const char* dir = names_.Get_DirName().c_str();
  if (force || !Exists()) WriteFiles(force);

  // First look: a table this library cannot extend. The keep-empty flag
  // keeps a container that has no version yet.
  bool compatible = false;
  try {
    ZELI_VersionTOC toc(dir);
    toc.KeepEmptyContainer();
    compatible = toc.IsCompatibleForWriting();
    toc.Release();
  } catch (const ZELI_FailedException&) {
    // A corrupted table, or one a newer library wrote: only a forced create
    // replaces it, starting afresh.
    if (!force) throw;
  }
  if (!compatible) {
    if (!force) throw ZELI_FailedException(CreateConflict);
    DeleteFiles();
    WriteFiles(true);
  }

  ZELI_VersionTOC toc(dir);
  if (!toc.IsLockHeld()) ThrowLockNotTaken();
  if (!toc.IsCompatibleForWriting()) throw ZELI_FailedException(CreateConflict);  // changed meanwhile
  ZELI_Version* latest = toc.LatestVersion_p();
  if (latest != nullptr && latest->IsOpenForWriting() && !force) {
    throw ZELI_FailedException("Container is open for writing");
  }
  // The directory first, so that a table is never written with a version
  // that has none.
  const ZELI_Version made(dir, toc.Get_NextVersionNumber());
  made.CreateVersionDir();
  ZELI_VersionAccess access;
  try {
    ZELI_Version* version = toc.NewVersion_p();
    if (latest != nullptr) {
      if (latest->IsOpenForWriting()) latest->RemoveWritingProcess();
      latest->Set_Stale();  // its readers keep it until they leave
    }
    version->AddProcess(ZELI_OS_GetPid(), ZELI_Version::WRITING);
    access.versionNumber = version->Get_Number();
    access.isBigEndianOnDisk = toc.IsBigEndian();
    access.softwareVersion = toc.Get_SoftwareVersion();
    toc.Release();
  } catch (...) {
    // The table was not written: the new directory belongs to nobody.
    try {
      made.DeleteVersionDir();
    } catch (const ZELI_Exception&) {
    }
    throw;
  }
  access.registered = true;
  return access;
}

ZELI_VersionAccess ZELI_ContainerDirectory::Open(zel_iomode_t mode) const {
  if (mode != ZEL_IOMODE_READ && mode != ZEL_IOMODE_WRITE && mode != ZEL_IOMODE_WRITE_STRUCTURE) {
    throw ZELI_BadArgException("Invalid container io mode");
  }
  VerifyExistence();
  // A writer's registration waits for the disk no more than a new version's
  // (see Create): it becomes durable with the writer's first commit or its
  // close.
  ZELI_SyncGroup group(ZELI_SyncGroup::DEFERRED);
  ZELI_VersionTOC toc(names_.Get_DirName().c_str());
  ZELI_Version* latest = toc.LatestVersion_p();
  if (latest == nullptr) {
    toc.KeepEmptyContainer();
    throw ZELI_FailedException("Container is empty");
  }
  const bool writing = mode != ZEL_IOMODE_READ;
  if (writing) {
    if (latest->IsOpenForWriting()) throw ZELI_FailedException("Container is open for writing");
    if (!toc.IsLockHeld()) ThrowLockNotTaken();
    if (latest->IsOpenForReading()) throw ZELI_FailedException("Container is open for reading");
    if (!toc.IsCompatibleForWriting()) {
      throw ZELI_FailedException("Cannot update container with conflicting ZEL S/W version or endian type");
    }
  }
  ZELI_VersionAccess access;
  access.versionNumber = latest->Get_Number();
  access.isBigEndianOnDisk = toc.IsBigEndian();
  access.softwareVersion = toc.Get_SoftwareVersion();
  // A read-only location or an older or foreign table: read unregistered.
  const bool registering = toc.IsLockHeld() && toc.IsCompatibleForWriting();
  if (registering) latest->AddProcess(ZELI_OS_GetPid(), writing ? ZELI_Version::WRITING : ZELI_Version::READING);
  toc.Release();
  group.Finish();
  access.registered = registering;
  return access;
}

ZELI_VersionAccess ZELI_ContainerDirectory::Attach() const {
  VerifyExistence();
  ZELI_VersionTOC toc(names_.Get_DirName().c_str());
  ZELI_Version* latest = toc.LatestVersion_p();
  if (latest == nullptr) {
    toc.KeepEmptyContainer();
    throw ZELI_FailedException("Container is empty");
  }
  if (!latest->IsOpenForWriting()) throw ZELI_FailedException("Container is not open for writing");
  if (!toc.IsLockHeld()) ThrowLockNotTaken();
  if (!toc.IsCompatibleForWriting()) {
    throw ZELI_FailedException("Cannot attach container with conflicting ZEL S/W version or endian type");
  }
  latest->AddProcess(ZELI_OS_GetPid(), ZELI_Version::ATTACHED);
  ZELI_VersionAccess access;
  access.versionNumber = latest->Get_Number();
  access.isBigEndianOnDisk = toc.IsBigEndian();
  access.softwareVersion = toc.Get_SoftwareVersion();
  toc.Release();
  access.registered = true;
  return access;
}

ZELI_Version::accessMode_t ZELI_ContainerDirectory::AccessModeOf(zel_iomode_t mode, bool attached) {
  if (attached) return ZELI_Version::ATTACHED;
  return mode == ZEL_IOMODE_READ ? ZELI_Version::READING : ZELI_Version::WRITING;
}

void ZELI_ContainerDirectory::Unregister(int versionNumber, ZELI_Version::accessMode_t mode) const {
  ZELI_VersionTOC toc(names_.Get_DirName().c_str());
  if (!toc.IsLockHeld()) ThrowLockNotTaken();
  toc.FindVersion_p(versionNumber)->RemoveProcess(ZELI_OS_GetPid(), mode);
  toc.Release();
}

void ZELI_ContainerDirectory::Delete() const {
  VerifyExistence();
  ZELI_VersionTOC toc(names_.Get_DirName().c_str());
  if (!toc.IsLockHeld()) ThrowLockNotTaken();
  // The release of an incompatible table writes nothing, so the delete
  // would silently do nothing.
  if (!toc.IsCompatibleForWriting()) {
    throw ZELI_FailedException("Cannot delete container with conflicting ZEL S/W version or endian type");
  }
  ZELI_Version* latest = toc.LatestVersion_p();
  if (latest != nullptr) {
    if (latest->IsOpenForWriting()) throw ZELI_FailedException("Container is open for writing");
    latest->Set_Stale();  // removed by the release once its readers leave
  }
  toc.Release();
  // A version that nobody uses any more but that could not be removed keeps
  // the container in place: the delete did not happen.
  if (!toc.Get_UnremovedVersion().empty()) {
    throw ZELI_FailedException(ZELI_Message() << "The container " << names_.Get_FullName().c_str()
                                              << " could not be deleted: " << toc.Get_UnremovedVersion().c_str()
                                              << ": " << toc.Get_UnremovedReason().c_str());
  }
}

// ---- Queries -----------------------------------------------------------------

unsigned ZELI_ContainerDirectory::SoftwareVersion() const {
  VerifyExistence();
  try {
    const ZELI_VersionTOC toc(names_.Get_DirName().c_str(), ZEL_IOMODE_READ);
    return toc.Get_SoftwareVersion();
  } catch (const ZELI_NewerVersionTableException& e) {
    return e.softwareVersion;  // its header is all this library can tell
  }
}

int ZELI_ContainerDirectory::LatestVersionNumber() const {
  ZELI_VersionTOC toc(names_.Get_DirName().c_str(), ZEL_IOMODE_READ);
  const ZELI_Version* latest = toc.LatestVersion_p();
  return latest != nullptr ? latest->Get_Number() : -1;
}

bool ZELI_ContainerDirectory::IsSegDataLatest(unsigned segmentCount, int64_t& time) const {
  std::vector<unsigned> serials(segmentCount);
  for (unsigned s = 0; s < segmentCount; ++s) serials[s] = s;
  return IsSegDataLatest(serials, time);
}

bool ZELI_ContainerDirectory::IsSegDataLatest(const std::vector<unsigned>& serials, int64_t& time) const {
  int64_t t = time;
  if (t == 0 && (!ZELI_OS_ModificationTime(names_.Get_Filename().c_str(), t) || t == 0)) {
    time = 0;
    return true;
  }
  ZELI_VersionTOC toc(names_.Get_DirName().c_str(), ZEL_IOMODE_READ);
  const ZELI_Version* latest = toc.LatestVersion_p();
  bool latestData = true;
  if (latest != nullptr) {
    const std::string versionDir = latest->Get_VersionPath() + "/";
    for (size_t i = 0; i < serials.size() && latestData; ++i) {
      const unsigned s = serials[i];
      for (int d = 0; latestData; ++d) {
        const std::string file = versionDir + "segment_" + std::to_string(s) + "_" + std::to_string(d) + ".data";
        int64_t modified = 0;
        if (!ZELI_OS_ModificationTime(file.c_str(), modified)) break;
        if (modified > t) {
          t = modified;
          latestData = false;
        }
      }
    }
  }
  time = t;
  return latestData;
}
