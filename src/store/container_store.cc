// ZELI_ContainerStore: registration, attributes, password, segment serial
// numbers and object removal.
#include "store/container_store.h"

#include <algorithm>
#include <cstring>

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "store/database.h"
#include "store/os_file.h"

ZELI_ContainerStore::ZELI_ContainerStore(const char* name, zel_iomode_t mode, zel_mode_t storage)
    : mode_(mode),
      storage_(storage == ZEL_MODE_DISK ? ZEL_MODE_DISK : ZEL_MODE_MEMORY),
      bigEndianOnDisk_(ZELI_Database::Get_TheDatabase_p()->IsBigEndian()),
      softwareVersionOnDisk_(ZELI_CurrentSoftwareVersion) {
  // A memory container may go without a name; a disk container never does.
  const bool nameless = name == nullptr || name[0] == '\0';
  if (!nameless || storage_ == ZEL_MODE_DISK) directory_ = std::make_unique<ZELI_ContainerDirectory>(name);
}

ZELI_ContainerStore::~ZELI_ContainerStore() { DeleteAccessObjects(); }

void ZELI_ContainerStore::DeleteAccessObjects() noexcept {
  // Their keys are freed before any owner is destroyed, so that no owned
  // object is looked at after its owner took it along.
  for (int key : access_) {
    if (!access_[key]->IsOwnedByContainer()) access_.Erase(key);
  }
  // Erased as they go, so that a second call finds nothing to delete.
  for (int key : access_) {
    ZELI_AccessBase* object = access_[key];
    access_.Erase(key);
    delete object;
  }
}

bool ZELI_ContainerStore::IsInUse(const ZELI_ExternalBase* object) const {
  for (int key : access_) {
    if (access_[key]->Uses(object)) return true;
  }
  return false;
}

void ZELI_ContainerStore::ShutdownAccessObjects() {
  for (int key : access_) access_[key]->Shutdown();
}

void ZELI_ContainerStore::TakeOver(const ZELI_VersionAccess& access) {
  versionNumber_ = access.versionNumber;
  bigEndianOnDisk_ = access.isBigEndianOnDisk;
  softwareVersionOnDisk_ = access.softwareVersion;
  registered_ = access.registered;
}

void ZELI_ContainerStore::RegisterCreated(bool force) {
  if (!IsOnDisk()) {
    versionNumber_ = 0;
    return;
  }
  TakeOver(directory_->Create(force));
}

void ZELI_ContainerStore::VerifyExistence() const { directory_->VerifyExistence(); }

void ZELI_ContainerStore::RegisterOpened() { TakeOver(directory_->Open(mode_)); }

void ZELI_ContainerStore::RegisterAttached() {
  TakeOver(directory_->Attach());
  attached_ = true;
}

void ZELI_ContainerStore::ReleaseRegistration() noexcept {
  if (!registered_) return;
  try {
    directory_->Unregister(versionNumber_, ZELI_ContainerDirectory::AccessModeOf(mode_, attached_));
  } catch (...) {
    // The failure that brought us here is the one to report.
  }
  registered_ = false;
}

void ZELI_ContainerStore::CreateRegisteredExtFile() { directory_->CreateRegisteredExtFile(); }

void ZELI_ContainerStore::UnregisterClosed() {
  if (!registered_) return;
  try {
    directory_->Unregister(versionNumber_, ZELI_ContainerDirectory::AccessModeOf(mode_, false));
  } catch (const ZELI_NotFoundException&) {
    // A forced create in another process dropped this registration: there
    // is nothing left to remove, and refusing would keep the container open
    // for ever.
  }
  registered_ = false;
}

void ZELI_ContainerStore::UnregisterDetached() {
  if (!registered_) return;
  try {
    directory_->Detach(versionNumber_);
  } catch (const ZELI_NotFoundException&) {
    // Dropped by a forced create elsewhere (see UnregisterClosed).
  }
  registered_ = false;
}

void ZELI_ContainerStore::Delete(const char* name) { ZELI_ContainerDirectory(name).Delete(); }

bool ZELI_ContainerStore::Exists(const char* name) { return ZELI_ContainerDirectory(name).Exists(); }

unsigned ZELI_ContainerStore::SoftwareVersion(const char* name) {
  const ZELI_ContainerDirectory directory(name);
  directory.VerifyExistence();
  return directory.SoftwareVersion();
}

bool ZELI_ContainerStore::IsLatestVersion() const {
  return !IsOnDisk() || directory_->IsLatestVersion(versionNumber_);
}

bool ZELI_ContainerStore::AreSegmentFilesLatest(const std::vector<unsigned>& serials, int64_t& time) const {
  return !IsOnDisk() || directory_->IsSegDataLatest(serials, time);
}

void ZELI_ContainerStore::Set_Attribute(const char* name, const char* value) {
  attributes_.Set_Attribute(name, value);
  Set_Modified();
}

void ZELI_ContainerStore::Set_Password(const char* password) {
  if (passwordSet_) throw ZELI_DuplicateException("Password is already set");
  password_ = ZELI_String(password);
  passwordSet_ = true;
  Set_Modified();
}

void ZELI_ContainerStore::Verify_Password(unsigned count, const char* const* passwords) const {
  if (password_.IsEmpty()) return;
  if (passwords != nullptr) {
    for (unsigned i = 0; i < count; ++i) {
      if (passwords[i] != nullptr && password_.str() == passwords[i]) return;
    }
  }
  throw ZELI_BadArgException("Container password");
}

unsigned ZELI_ContainerStore::Allocate_SegmentSerial() {
  if (nextSegmentSerial_ > INT32_MAX) throw ZELI_FailedException("Segment serial numbers are exhausted.");
  return static_cast<unsigned>(nextSegmentSerial_++);
}

void ZELI_ContainerStore::Note_SegmentSerial(unsigned serial) {
  if (serial >= nextSegmentSerial_) nextSegmentSerial_ = uint64_t{serial} + 1;
}

std::string ZELI_ContainerStore::Get_SegmentFile(unsigned serial, unsigned store, const char* suffix) const {
  if (!directory_) throw ZELI_FailedException("ZELI_Container::Get_SegmentFile: container without files");
  return Names().Get_SegmentFile(versionNumber_, static_cast<int>(serial), static_cast<int>(store),
                                 softwareVersionOnDisk_, suffix);
}

std::string ZELI_ContainerStore::FindStoredSegmentFile() const {
  if (!directory_) return std::string();
  auto endsWith = [](const std::string& name, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return name.size() > n && name.compare(name.size() - n, n, suffix) == 0;
  };
  std::vector<std::string> names = ZELI_OS_ListDirectory(Names().Get_VersionDir(versionNumber_).c_str());
  std::sort(names.begin(), names.end());  // the same name whatever the directory's order
  for (const std::string& name : names) {
    if (name.rfind("segment_", 0) == 0 && (endsWith(name, ".org") || endsWith(name, ".map"))) return name;
  }
  return std::string();
}

int ZELI_ContainerStore::Insert_Transient(ZELI_ExternalBase* object) {
  ZELI_ReserveOneMore(transientKeys_);
  const int key = external_.Insert(object);
  transientKeys_.push_back(key);
  return key;
}

void ZELI_ContainerStore::Erase(ZELI_ExternalBase* object) {
  if (objectListener_ != nullptr) objectListener_->ObjectErased(object);
  transientKeys_.erase(std::remove(transientKeys_.begin(), transientKeys_.end(), object->Get_Key()),
                       transientKeys_.end());
  external_.Erase(object->Get_Key());
}

void ZELI_ContainerStore::Erase(ZELI_AccessBase* object) {
  if (objectListener_ != nullptr) objectListener_->ObjectErased(object);
  access_.Erase(object->Get_Key());
}
