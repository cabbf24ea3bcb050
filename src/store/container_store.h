// ZELI_ContainerStore: what the store knows of one open container.
//
// A container on disk is a directory of versions shared with other
// processes (see container_dir.h); this object is one process's view of one
// version: its names and files, its registration in the version table, the
// key maps of persistent objects (`external`) and of access objects
// (`access`), its attributes and password, the cache of in-memory value
// arrays and the serial numbers that name segment files. Memory containers
// (storage mode other than disk) make no files at all.
//
// The layers above add what the container holds: the type table
// (ZELI_TypedContainer, types/typed_container.h), then the descriptors,
// parameters, waveform sets and node iterators, the structure file and the
// lifecycle (ZELI_Container, model/container.h). This class offers them the
// registration steps of that lifecycle and the stored fields of the
// structure file.
#ifndef ZEL_STORE_CONTAINER_STORE_H
#define ZEL_STORE_CONTAINER_STORE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/attributes.h"
#include "store/cache.h"
#include "store/container_dir.h"
#include "store/container_names.h"
#include "store/keymap.h"
#include "store/objects.h"
#include "store/zstring.h"
#include "zel/zel.h"

// Told when an object leaves the container's key maps, so that whoever keeps
// something per object (the interface's handle objects) can drop it. This is
// the single place through which objects leave a container.
class ZELI_ObjectListener {
 public:
  virtual void ObjectErased(const ZELI_ExternalBase* object) noexcept = 0;
  virtual void ObjectErased(const ZELI_AccessBase* object) noexcept = 0;

 protected:
  ~ZELI_ObjectListener() = default;
};

class ZELI_ContainerStore {
 public:
  // Not yet registered anywhere. The name is stripped of its suffix.
  ZELI_ContainerStore(const char* name, zel_iomode_t mode, zel_mode_t storage);
  ZELI_ContainerStore(const ZELI_ContainerStore&) = delete;
  ZELI_ContainerStore& operator=(const ZELI_ContainerStore&) = delete;
  // Releases everything without writing or unregistering. The access
  // objects are already gone (the most derived class deletes them first,
  // while what they refer to still exists).
  virtual ~ZELI_ContainerStore();

  // Undoes this process's registration without writing anything (a failed
  // open or attach, or an open container that cannot be handed to the
  // caller); never throws.
  void ReleaseRegistration() noexcept;
  static void Delete(const char* name);
  static bool Exists(const char* name);
  static unsigned SoftwareVersion(const char* name);
  // Newest version in the table is this container's version.
  bool IsLatestVersion() const;

  // ---- names ----
  static const char* Get_FilenameExt() { return ZELI_ContainerNames::Get_FilenameExt(); }
  static const char* Get_DirectoryNameSuffix() { return ZELI_ContainerNames::Get_DirectoryNameSuffix(); }
  const char* Get_Name() const { return directory_ ? Names().Get_Name().c_str() : ""; }
  const char* Get_Path() const { return directory_ ? Names().Get_Path().c_str() : ""; }
  const char* Get_Filename() const { return directory_ ? Names().Get_Filename().c_str() : ""; }
  const char* Get_DirName() const { return directory_ ? Names().Get_DirName().c_str() : ""; }
  const char* Get_FullName() const { return directory_ ? Names().Get_FullName().c_str() : ""; }

  // ---- state ----
  zel_iomode_t Get_Mode() const { return mode_; }
  bool IsOpenForWriting() const { return mode_ != ZEL_IOMODE_READ; }
  bool IsOnDisk() const { return storage_ == ZEL_MODE_DISK; }
  zel_mode_t Get_StorageMode() const { return storage_; }
  int Get_VersionNumber() const { return versionNumber_; }
  zel_bool_t Get_IsBigEndianOnDisk() const { return bigEndianOnDisk_; }
  unsigned Get_SoftwareVersionOnDisk() const { return softwareVersionOnDisk_; }
  bool IsRegistered() const { return registered_; }
  // For readers of stored records outside the lifecycle (tools, fuzzing):
  // which version directory and which stored form the files have.
  void Set_VersionNumber(int version) { versionNumber_ = version; }
  void Set_IsBigEndianOnDisk(zel_bool_t bigEndian) { bigEndianOnDisk_ = bigEndian; }
  void Set_SoftwareVersionOnDisk(unsigned version) { softwareVersionOnDisk_ = version; }
  void Set_Attached(bool attached) { attached_ = attached; }
  bool Test_Attached() const { return attached_; }
  // Every change of stored structure sets the flag; writing or reading the
  // structure clears it.
  void Set_Modified() { modified_ = true; }
  bool IsModified() const { return modified_; }

  // ---- attributes and password ----
  const char* Get_Attribute(const char* name) const { return attributes_.Get_Attribute(name); }
  const char** Get_AttributeNames(unsigned& count) const { return attributes_.Get_AttributeNames(count); }
  void Set_Attribute(const char* name, const char* value);
  // Once per open container: "Password is already set" the second time.
  void Set_Password(const char* password);
  // No password accepts everything; otherwise a candidate must equal it
  // exactly, else ZELI_BadArgException "Container password".
  void Verify_Password(unsigned count, const char* const* passwords) const;

  // ---- objects ----
  ZELI_KeyMap<ZELI_ExternalBase>& Get_ExternalConvertor() { return external_; }
  ZELI_KeyMap<ZELI_AccessBase>& Get_AccessConvertor() { return access_; }
  ZELI_KeyMap<ZELI_InternalBase>& Get_InternalConvertor() { return internal_; }
  // Whether an access object of this container (a reader, a writer) uses
  // the object (ZELI_AccessBase::Uses).
  bool IsInUse(const ZELI_ExternalBase* object) const;
  // The in-memory value arrays of this container (owned by the cache).
  ZELI_Cache& Get_Cache() { return cache_; }

  // Serial numbers of segments are unique within the container (they name
  // the segments' files): each call returns a number never returned before
  // and never held by a segment read from the structure. Numbers stay below
  // 2^31 (file names are built from signed values); beyond that:
  // ZELI_FailedException "Segment serial numbers are exhausted.".
  unsigned Allocate_SegmentSerial();
  // A segment read with this serial number: later allocations lie above it.
  void Note_SegmentSerial(unsigned serial);
  // A file of data store `store` of the segment with that serial number
  // (disk containers): the version directory's "segment_<serial>", then
  // "_<store>" from stored software version 3 on, then suffix.
  std::string Get_SegmentFile(unsigned serial, unsigned store, const char* suffix) const;
  // Enters an object that is never stored (a derived waveform) in the
  // external key map: it has a key and handles, but the stored key map lists
  // its slot as free. Returns the key.
  int Insert_Transient(ZELI_ExternalBase* object);
  // Frees the object's key in its map (the object itself is not destroyed)
  // and tells the listener.
  void Erase(ZELI_ExternalBase* object);
  void Erase(ZELI_AccessBase* object);

 protected:
  // ---- lifecycle steps (the container's Create, Open and Attach) ----
  // Registers this process in the version table as the writer of a new
  // version, as a reader or writer of the newest one, or as attached to its
  // writer, and takes over the version's number and stored form.
  void RegisterCreated(bool force);
  void RegisterOpened();
  void RegisterAttached();
  // The directory must exist: "Container not found" and the like otherwise.
  void VerifyExistence() const;
  // Close: writes the reference file of a writer (disk containers open for
  // writing), then unregisters. Detach: unregisters an attached process.
  void CreateRegisteredExtFile();
  void UnregisterClosed();
  void UnregisterDetached();
  // Whether no segment data file of those serial numbers is newer than time
  // (0: the reference file's time); time is raised to the newest time seen.
  bool AreSegmentFilesLatest(const std::vector<unsigned>& serials, int64_t& time) const;
  // Writers finish their open work (before the container is closed or
  // detached).
  void ShutdownAccessObjects();
  // Deletes the access objects (those owned by another access object go
  // with their owner); never throws.
  void DeleteAccessObjects() noexcept;

  // ---- fields of the structure file ----
  std::string Get_StructureFile() const { return Names().Get_StructureFile(versionNumber_); }
  // The name of a data store record or map file in this version's
  // directory, or empty when there is none. Writers store the structure
  // before any record or map, so one of them without the structure means
  // that the structure was lost.
  std::string FindStoredSegmentFile() const;
  ZELI_Attributes& Attributes() { return attributes_; }
  ZELI_String& Password() { return password_; }
  // Live keys of the external map that are never stored.
  const std::vector<int>& TransientKeys() const { return transientKeys_; }
  void Set_Unmodified() { modified_ = false; }
  void Set_ObjectListener(ZELI_ObjectListener* listener) { objectListener_ = listener; }

 private:
  const ZELI_ContainerNames& Names() const { return directory_->Get_Names(); }
  void TakeOver(const ZELI_VersionAccess& access);

  // The container's names and files; null only for a nameless memory
  // container. Memory containers never touch the files it names.
  std::unique_ptr<ZELI_ContainerDirectory> directory_;
  ZELI_String password_;
  bool passwordSet_ = false;  // Set_Password was called on this open container
  zel_iomode_t mode_ = ZEL_IOMODE_WRITE;
  bool registered_ = false;  // entered in the version table
  zel_mode_t storage_ = ZEL_MODE_MEMORY;
  int versionNumber_ = -1;
  zel_bool_t bigEndianOnDisk_;
  unsigned softwareVersionOnDisk_;
  bool attached_ = false;
  bool modified_ = true;
  uint64_t nextSegmentSerial_ = 0;  // above every serial number in use
  ZELI_Attributes attributes_;
  ZELI_KeyMap<ZELI_ExternalBase> external_;
  std::vector<int> transientKeys_;  // live keys of external_ never stored
  ZELI_KeyMap<ZELI_InternalBase> internal_;
  ZELI_KeyMap<ZELI_AccessBase> access_;
  ZELI_ObjectListener* objectListener_ = nullptr;  // not owned
  // Emptied by the derived classes before the types that release the
  // arrays' values go.
  ZELI_Cache cache_;
};

#endif  // ZEL_STORE_CONTAINER_STORE_H
