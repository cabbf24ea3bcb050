// ZELI_Version and ZELI_VersionTOC: registration rules, the stored form of
// version.toc, and the release that writes it back.
#include "store/version_toc.h"

#include <algorithm>
#include <cerrno>
#include <climits>

#include "store/atomic_file.h"
#include "store/container_names.h"
#include "store/database.h"
#include "store/os_file.h"
#include "store/process_liveness.h"
#include "store/stream.h"

namespace {

// Smallest stored records, for bounding the version count by the bytes left:
// number, stale flag and three empty lists; in the older layout number,
// writing byte, stale flag and one empty list.
constexpr unsigned MinRecordBytes = 4 + 1 + 3 * 4;
constexpr unsigned MinOldRecordBytes = 4 + 1 + 1 + 4;
constexpr uint32_t SwappedMagic = 0xAFEDDEFAu;

zel_bool_t MachineIsBigEndian() { return ZELI_Database::Get_TheDatabase_p()->IsBigEndian() ? 1 : 0; }

void ReadList(ZELI_Istream& in, std::vector<int>& ids) {
  const unsigned count = in.ReadCount(4);
  ids.resize(count);
  if (count > 0) in.Read(ids.data(), count, 4);
}

void WriteList(ZELI_Ostream& out, const std::vector<int>& ids) {
  out << static_cast<unsigned>(ids.size());
  for (int id : ids) out << id;
}

// A flag byte of the current layout: 0 or 1, anything else is corruption.
zel_bool_t ReadFlag(ZELI_Istream& in, const char* what) {
  unsigned char flag = 0;
  in >> flag;
  if (flag > 1) throw ZELI_FailedException(what);
  return flag;
}

}  // namespace

// ---- ZELI_Version --------------------------------------------------------

std::string ZELI_Version::Get_VersionName(int number) { return ZELI_ContainerNames::VersionDirName(number); }

std::string ZELI_Version::Get_VersionPath() const { return directory_ + "/" + Get_VersionName(); }

std::vector<int>& ZELI_Version::List(accessMode_t mode) {
  switch (mode) {
    case READING:
      return readers_;
    case WRITING:
      return writers_;
    case ATTACHED:
      return attached_;
  }
  throw ZELI_FailedException("ZELI_Version: bad access mode");
}

const std::vector<int>& ZELI_Version::Get_Processes(accessMode_t mode) const {
  return const_cast<ZELI_Version*>(this)->List(mode);
}

bool ZELI_Version::TestAddProcessPrecondition(accessMode_t mode) const {
  switch (mode) {
    case READING:
      return true;
    case WRITING:
      return writers_.empty() && attached_.empty();
    case ATTACHED:
      return writers_.size() == 1;
  }
  return false;
}

void ZELI_Version::AddProcess(int pid, accessMode_t mode) {
  if (!TestAddProcessPrecondition(mode)) throw ZELI_FailedException("ZELI_Version::TestAddProcessPrecondition");
  List(mode).push_back(pid);
}

void ZELI_Version::RemoveProcess(int pid, accessMode_t mode) {
  if (mode == WRITING && !attached_.empty()) throw ZELI_FailedException("The version has attached processes");
  std::vector<int>& ids = List(mode);
  const auto found = std::find(ids.begin(), ids.end(), pid);
  if (found == ids.end()) throw ZELI_NotFoundException("The process is not in the version");
  ids.erase(found);
}

void ZELI_Version::RemoveWritingProcess() {
  if (writers_.size() != 1) throw ZELI_FailedException("RemoveWritingProcess: no process");
  writers_.clear();
  attached_.clear();
}

void ZELI_Version::CreateVersionDir() const {
  const std::string path = Get_VersionPath();
  if (ZELI_OS_Exists(path.c_str())) {
    try {
      ZELI_OS_Rmdir(path.c_str());
    } catch (const ZELI_DiskIOException& e) {
      if (e.Get_ErrorNumber() != ENOTDIR) throw;
      ZELI_OS_Unlink(path.c_str());
    }
  }
  ZELI_OS_Mkdir(path.c_str());
}

void ZELI_Version::DeleteVersionDir() const {
  const std::string path = Get_VersionPath();
  try {
    ZELI_OS_Rmdir(path.c_str());
  } catch (const ZELI_DiskIOException& e) {
    if (e.Get_ErrorNumber() != ENOENT) throw;
  }
}

void ZELI_Version::Write(ZELI_Ostream& out) const {
  out << number_ << stale_;
  WriteList(out, readers_);
  WriteList(out, writers_);
  WriteList(out, attached_);
}

std::unique_ptr<ZELI_Version> ZELI_Version::Read(ZELI_Istream& in, const std::string& directory) {
  int number = 0;
  in >> number;
  std::unique_ptr<ZELI_Version> version(new ZELI_Version(directory, number));
  if (in.Get_SoftwareVersion() >= 3) {
    version->stale_ = ReadFlag(in, "ZELI_Version::Read: stale flag");
    ReadList(in, version->readers_);
    ReadList(in, version->writers_);
    ReadList(in, version->attached_);
  } else {
    // Older layout: one list, which is the writer's when the byte says so.
    unsigned char writing = 0;
    in >> writing;
    version->stale_ = ReadFlag(in, "ZELI_Version::Read: stale flag");
    ReadList(in, writing == 1 ? version->writers_ : version->readers_);
  }
  if (version->writers_.size() > 1) throw ZELI_FailedException("ZELI_Version::Read: more than one writer");
  return version;
}

// ---- ZELI_VersionTOC -----------------------------------------------------

ZELI_VersionTOC::ZELI_VersionTOC(const char* directory)
    : directory_(directory),
      lockName_(ZELI_ContainerNames::LockPath(directory_)),
      tocName_(ZELI_ContainerNames::TocPath(directory_)) {
  // Replacing the table creates a file in the directory, so the directory
  // must be writable as well as the table.
  if (ZELI_OS_Access(tocName_.c_str(), 1) && ZELI_OS_Access(directory_.c_str(), 1)) {
    lock_.Acquire(lockName_);
    lockHeld_ = 1;
  }
  try {
    Read();
    readState_ = State(true);
    readDurableState_ = State(false);
    if (lockHeld_ && IsCompatibleForWriting()) DropEndedProcesses();
  } catch (...) {
    released_ = true;
    lock_.Release(true);
    throw;
  }
}

void ZELI_VersionTOC::DropEndedProcesses() {
  if (!ZELI_OS_IsLocalFileSystem(directory_.c_str())) return;
  int64_t written = 0;
  if (!ZELI_OS_ModificationTime(tocName_.c_str(), written)) return;
  const auto ended = [written](int pid) { return ZELI_OS_ProcessHasEnded(pid, written); };
  for (const auto& version : versions_) version->RemoveEndedProcesses(ended);
}

ZELI_VersionTOC::ZELI_VersionTOC(const char* directory, zel_iomode_t /*mode*/)
    : directory_(directory),
      lockName_(ZELI_ContainerNames::LockPath(directory_)),
      tocName_(ZELI_ContainerNames::TocPath(directory_)) {
  released_ = true;  // nothing to write back
  Read();
}

ZELI_VersionTOC::~ZELI_VersionTOC() {
  try {
    Release();
  } catch (...) {
    // Unwinding path: the failure that caused it is the one reported.
  }
  lock_.Release(true);
}

void ZELI_VersionTOC::Read() {
  ZELI_Istream in(tocName_.c_str());
  uint32_t first = 0;
  in.Read(&first, 1, 4);
  const zel_bool_t machineBig = MachineIsBigEndian();
  if (first == Magic || first == SwappedMagic) {
    const zel_bool_t flag = ReadFlag(in, "ZELI_VersionTOC::Read: byte-order flag");
    // The magic shows the writer's byte order too; the two must agree.
    if ((flag != machineBig) != (first == SwappedMagic)) {
      throw ZELI_FailedException("ZELI_VersionTOC::Read: byte-order flag");
    }
    isBigEndian_ = flag;
    if (flag != machineBig) in.Set_ConvertEndianType();
    in >> softwareVersion_;
    if (softwareVersion_ > ZELI_CurrentSoftwareVersion) {
      throw ZELI_NewerVersionTableException(ZELI_Message()
                                            << "The container was written by ZEL software version "
                                            << static_cast<long long>(softwareVersion_)
                                            << ", newer than this software (version "
                                            << static_cast<long long>(ZELI_CurrentSoftwareVersion) << ")",
                                            softwareVersion_);
    }
    in >> nextVersion_;
  } else {
    // The oldest format: no magic, flag or version; the first word is the
    // next version number, which was small enough that its low 16 bits tell
    // the byte order.
    softwareVersion_ = 0;
    if ((first & 0xFFFFu) != 0) {
      isBigEndian_ = machineBig;
      nextVersion_ = static_cast<int>(first);
    } else {
      isBigEndian_ = machineBig ? 0 : 1;
      const uint32_t upper = first >> 16;
      nextVersion_ = static_cast<int>(((upper & 0xFFu) << 8) | (upper >> 8));
      in.Set_ConvertEndianType();
    }
  }
  if (nextVersion_ < 0) throw ZELI_FailedException("ZELI_VersionTOC::Read: next version number");
  in.Set_SoftwareVersion(softwareVersion_);
  const unsigned count = in.ReadCount(softwareVersion_ >= 3 ? MinRecordBytes : MinOldRecordBytes);
  versions_.reserve(count);
  for (unsigned i = 0; i < count; ++i) {
    std::unique_ptr<ZELI_Version> version = ZELI_Version::Read(in, directory_);
    // Numbers come from the next version number and grow, oldest first.
    const int previous = versions_.empty() ? -1 : versions_.back()->Get_Number();
    if (version->Get_Number() <= previous || version->Get_Number() >= nextVersion_) {
      throw ZELI_FailedException(ZELI_Message() << "ZELI_VersionTOC::Read: bad number in version record "
                                                << static_cast<long long>(i));
    }
    versions_.push_back(std::move(version));
  }
  if (!in.AtEnd()) throw ZELI_FailedException("ZELI_VersionTOC::Read: bytes after the last version record");
}

void ZELI_VersionTOC::Write(ZELI_Ostream& out) const {
  out << Magic << MachineIsBigEndian() << ZELI_CurrentSoftwareVersion << nextVersion_
      << static_cast<unsigned>(versions_.size());
  for (const auto& version : versions_) version->Write(out);
}

void ZELI_VersionTOC::WriteFile(bool sync) const {
  ZELI_AtomicFile file(tocName_.c_str());
  Write(file.Stream());
  if (sync) {
    file.Commit();
  } else {
    file.CommitUnsynced();
  }
}

std::vector<int64_t> ZELI_VersionTOC::State(bool registrations) const {
  std::vector<int64_t> state{nextVersion_, static_cast<int64_t>(versions_.size())};
  for (const auto& version : versions_) {
    state.push_back(version->Get_Number());
    state.push_back(version->IsStale() ? 1 : 0);
    std::vector<ZELI_Version::accessMode_t> modes{ZELI_Version::WRITING};
    if (registrations) {
      modes.push_back(ZELI_Version::READING);
      modes.push_back(ZELI_Version::ATTACHED);
    }
    for (ZELI_Version::accessMode_t mode : modes) {
      const std::vector<int>& ids = version->Get_Processes(mode);
      state.push_back(static_cast<int64_t>(ids.size()));
      state.insert(state.end(), ids.begin(), ids.end());
    }
  }
  return state;
}

void ZELI_VersionTOC::DeleteContainer() const {
  // The lock file goes with the tree; the advisory lock stays on the open
  // descriptor until the release, so nobody updates the table meanwhile.
  ZELI_OS_Rmdir(directory_.c_str());
  const ZELI_ContainerNames names(directory_.c_str());
  if (ZELI_OS_FileSystem().Unlink(names.Get_Filename().c_str()) != 0 && errno != ENOENT) {
    throw ZELI_DiskIOException();
  }
}

void ZELI_VersionTOC::Release() {
  if (released_) return;
  released_ = true;
  if (!lockHeld_) return;
  try {
    if (IsCompatibleForWriting()) {
      for (auto it = versions_.begin(); it != versions_.end();) {
        ZELI_Version& version = **it;
        if (version.IsStale() && !version.IsOpenForReading() && !version.IsOpenForWriting()) {
          try {
            version.DeleteVersionDir();
            it = versions_.erase(it);
            continue;
          } catch (const ZELI_Exception& e) {
            // Kept (still stale) for a later release to try again.
            if (unremoved_.empty()) {
              unremoved_ = version.Get_VersionPath();
              unremovedReason_ = e.what();
            }
          }
        }
        ++it;
      }
      const std::vector<int64_t> now = State(true);
      if (now != readState_) {
        const bool durableChange = State(false) != readDurableState_;
        WriteFile(durableChange || !ZELI_OS_FileSystem().RenameFollowsData(directory_.c_str()));
      }
    }
    if (!versions_.empty() || keepEmpty_) {
      lock_.Release(true);
      return;
    }
    DeleteContainer();
    lock_.Release(false);
  } catch (...) {
    lock_.Release(true);
    throw;
  }
}

bool ZELI_VersionTOC::Exists(const char* directory) {
  return ZELI_OS_IsFile(ZELI_ContainerNames::TocPath(directory).c_str());
}

bool ZELI_VersionTOC::WriteNewTOC(const char* directory, bool onlyWhenMissing) {
  ZELI_VersionLock lock;
  lock.Acquire(ZELI_ContainerNames::LockPath(directory));
  try {
    const std::string tocName = ZELI_ContainerNames::TocPath(directory);
    if (onlyWhenMissing && ZELI_OS_Exists(tocName.c_str())) {
      lock.Release(true);
      return false;
    }
    ZELI_AtomicFile file(tocName.c_str());
    ZELI_Ostream& out = file.Stream();
    out << Magic << MachineIsBigEndian() << ZELI_CurrentSoftwareVersion << 0 << 0u;
    // A missing table is made by a create, which registers its first
    // version in it next through a synced replacement: until then the
    // container is not created, and syncing the empty table first would
    // only make the create wait twice.
    if (onlyWhenMissing && ZELI_OS_FileSystem().RenameFollowsData(directory)) {
      file.CommitUnsynced();
    } else {
      file.Commit();
    }
  } catch (...) {
    lock.Release(true);
    throw;
  }
  lock.Release(true);
  return true;
}

void ZELI_VersionTOC::CreateNewTOC(const char* directory) { WriteNewTOC(directory, false); }

bool ZELI_VersionTOC::CreateMissingTOC(const char* directory) { return WriteNewTOC(directory, true); }

void ZELI_VersionTOC::ForceCreateLock(const char* directory) {
  ZELI_VersionLock::WritePidFile(ZELI_ContainerNames::LockPath(directory));
}

void ZELI_VersionTOC::ForceRemoveLock(const char* directory) {
  const std::string lockName = ZELI_ContainerNames::LockPath(directory);
  if (!ZELI_OS_IsFile(lockName.c_str())) return;
  ZELI_VersionLock lock;
  lock.Acquire(lockName);
  lock.Release(true);
}

ZELI_Version* ZELI_VersionTOC::NewVersion_p() {
  if (nextVersion_ == INT_MAX) throw ZELI_FailedException("ZELI_VersionTOC::NewVersion_p: no version number left");
  versions_.emplace_back(new ZELI_Version(directory_, nextVersion_));
  ++nextVersion_;
  return versions_.back().get();
}

ZELI_Version* ZELI_VersionTOC::LatestVersion_p() { return versions_.empty() ? nullptr : versions_.back().get(); }

ZELI_Version* ZELI_VersionTOC::FindVersion_p(int number) {
  for (const auto& version : versions_) {
    if (version->Get_Number() == number) return version.get();
  }
  throw ZELI_FailedException("ZELI_VersionTOC::FindVersion_p");
}

bool ZELI_VersionTOC::IsCompatibleForWriting() const {
  return isBigEndian_ == MachineIsBigEndian() && softwareVersion_ == ZELI_CurrentSoftwareVersion;
}
