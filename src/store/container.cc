// ZELI_Container: lifecycle, attributes, password and object removal.
#include "store/container.h"

#include <algorithm>

#include "errors/exceptions.h"
#include "model/dimension_descriptor.h"
#include "model/node_iterator.h"
#include "model/parameter.h"
#include "model/segment.h"
#include "model/waveform_set.h"
#include "store/database.h"
#include "store/stream.h"

ZELI_Container::ZELI_Container(const char* name, zel_iomode_t mode, zel_mode_t storage)
    : mode_(mode),
      storage_(storage == ZEL_MODE_DISK ? ZEL_MODE_DISK : ZEL_MODE_MEMORY),
      bigEndianOnDisk_(ZELI_Database::Get_TheDatabase_p()->IsBigEndian()),
      softwareVersionOnDisk_(ZELI_CurrentSoftwareVersion),
      types_(*this) {
  // A memory container may go without a name; a disk container never does.
  const bool nameless = name == nullptr || name[0] == '\0';
  if (!nameless || storage_ == ZEL_MODE_DISK) directory_ = std::make_unique<ZELI_ContainerDirectory>(name);
}

ZELI_Container::ZELI_Container() : ZELI_Container(nullptr, ZEL_IOMODE_WRITE, ZEL_MODE_MEMORY) {}

// The access objects (writers, views, readers) are owned here; they go
// first, while the segments they refer to still exist; those owned by
// another access object go with their owner. Then the cached arrays,
// while their owners (data sets, parameters) and the types that release
// their values still exist: each tells its owner to forget it.
ZELI_Container::~ZELI_Container() {
  // Their keys are freed before any owner is destroyed, so that no owned
  // object is looked at after its owner took it along.
  for (int key : access_) {
    if (!access_[key]->IsOwnedByContainer()) access_.Erase(key);
  }
  for (int key : access_) delete access_[key];
  cache_.Clear();
}

std::unique_ptr<ZELI_Container> ZELI_Container::Create(const char* name, zel_mode_t storage, bool force) {
  auto container = std::make_unique<ZELI_Container>(name, ZEL_IOMODE_WRITE, storage);
  if (!container->IsOnDisk()) {
    container->versionNumber_ = 0;
    return container;
  }
  const ZELI_VersionAccess access = container->directory_->Create(force);
  container->versionNumber_ = access.versionNumber;
  container->bigEndianOnDisk_ = access.isBigEndianOnDisk;
  container->softwareVersionOnDisk_ = access.softwareVersion;
  container->registered_ = access.registered;
  return container;
}

std::unique_ptr<ZELI_Container> ZELI_Container::Open(const char* name, zel_iomode_t mode, unsigned passwordCount,
                                                     const char* const* passwords) {
  auto container = std::make_unique<ZELI_Container>(name, mode, ZEL_MODE_DISK);
  container->directory_->VerifyExistence();
  const ZELI_VersionAccess access = container->directory_->Open(mode);
  container->versionNumber_ = access.versionNumber;
  container->bigEndianOnDisk_ = access.isBigEndianOnDisk;
  container->softwareVersionOnDisk_ = access.softwareVersion;
  container->registered_ = access.registered;
  try {
    container->ReadStructure();
    if (mode != ZEL_IOMODE_WRITE_STRUCTURE) container->ReadDataStores();
    container->Verify_Password(passwordCount, passwords);
  } catch (...) {
    container->ReleaseRegistration();
    throw;
  }
  return container;
}

std::unique_ptr<ZELI_Container> ZELI_Container::Attach(const char* name) {
  auto container = std::make_unique<ZELI_Container>(name, ZEL_IOMODE_WRITE, ZEL_MODE_DISK);
  container->directory_->VerifyExistence();
  const ZELI_VersionAccess access = container->directory_->Attach();
  container->versionNumber_ = access.versionNumber;
  container->bigEndianOnDisk_ = access.isBigEndianOnDisk;
  container->softwareVersionOnDisk_ = access.softwareVersion;
  container->registered_ = access.registered;
  container->attached_ = true;
  try {
    container->ReadStructure();
  } catch (...) {
    container->ReleaseRegistration();
    throw;
  }
  return container;
}

void ZELI_Container::ReleaseRegistration() noexcept {
  if (!registered_) return;
  try {
    directory_->Unregister(versionNumber_, ZELI_ContainerDirectory::AccessModeOf(mode_, attached_));
  } catch (...) {
    // The failure that brought us here is the one to report.
  }
  registered_ = false;
}

void ZELI_Container::Close() {
  if (attached_) throw ZELI_FailedException("The container is Attached. Use Detach");
  if (!IsOnDisk()) return;
  if (IsOpenForWriting()) {
    WriteStructure();
    WriteDataStores();
    directory_->CreateRegisteredExtFile();
  }
  if (registered_) {
    try {
      directory_->Unregister(versionNumber_, ZELI_ContainerDirectory::AccessModeOf(mode_, false));
    } catch (const ZELI_NotFoundException&) {
      // A forced create in another process dropped this registration: there
      // is nothing left to remove, and refusing would keep the container
      // open for ever.
    }
    registered_ = false;
  }
}

void ZELI_Container::Detach() {
  if (!attached_) throw ZELI_FailedException("The container is Open. Use Close.");
  WriteStructure();
  WriteDataStores();
  if (registered_) {
    try {
      directory_->Detach(versionNumber_);
    } catch (const ZELI_NotFoundException&) {
      // Dropped by a forced create elsewhere (see Close).
    }
    registered_ = false;
  }
}

void ZELI_Container::CommitStructure() {
  if (IsOnDisk() && IsOpenForWriting()) WriteStructure();
}

void ZELI_Container::Delete(const char* name) { ZELI_ContainerDirectory(name).Delete(); }

bool ZELI_Container::Exists(const char* name) { return ZELI_ContainerDirectory(name).Exists(); }

unsigned ZELI_Container::SoftwareVersion(const char* name) {
  const ZELI_ContainerDirectory directory(name);
  directory.VerifyExistence();
  return directory.SoftwareVersion();
}

bool ZELI_Container::IsLatestVersion() const {
  return !IsOnDisk() || directory_->IsLatestVersion(versionNumber_);
}

bool ZELI_Container::IsSegDataLatest(int64_t& time) const {
  if (!IsOnDisk()) return true;
  const std::vector<ZELI_WaveformSet*>& sets = waveformSets_.Get_Objects();
  std::vector<unsigned> serials;
  if (!sets.empty()) {
    for (unsigned i = 0; i < sets.front()->Get_SegmentCount(); ++i) {
      serials.push_back(sets.front()->Get_Segment_p(i)->Get_SerialNumber());
    }
  }
  return directory_->IsSegDataLatest(serials, time);
}

void ZELI_Container::Set_Attribute(const char* name, const char* value) {
  attributes_.Set_Attribute(name, value);
  Set_Modified();
}

void ZELI_Container::Set_Password(const char* password) {
  if (passwordSet_) throw ZELI_DuplicateException("Password is already set");
  password_ = ZELI_String(password);
  passwordSet_ = true;
  Set_Modified();
}

void ZELI_Container::Verify_Password(unsigned count, const char* const* passwords) const {
  if (password_.IsEmpty()) return;
  if (passwords != nullptr) {
    for (unsigned i = 0; i < count; ++i) {
      if (passwords[i] != nullptr && password_.str() == passwords[i]) return;
    }
  }
  throw ZELI_BadArgException("Container password");
}

int ZELI_Container::Insert_Transient(ZELI_ExternalBase* object) {
  transientKeys_.reserve(transientKeys_.size() + 1);
  const int key = external_.Insert(object);
  transientKeys_.push_back(key);
  return key;
}

void ZELI_Container::Erase(ZELI_ExternalBase* object) {
  if (listener_ != nullptr) listener_->ObjectErased(object);
  transientKeys_.erase(std::remove(transientKeys_.begin(), transientKeys_.end(), object->Get_Key()),
                       transientKeys_.end());
  external_.Erase(object->Get_Key());
}

void ZELI_Container::Erase(ZELI_AccessBase* object) {
  if (listener_ != nullptr) listener_->ObjectErased(object);
  access_.Erase(object->Get_Key());
}
