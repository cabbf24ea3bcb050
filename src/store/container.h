// ZELI_Container: one open waveform database.
//
// The container owns every stored object (through its tables and the key map
// of persistent objects, `external`), every access object (writers, views,
// readers; the `access` key map), its attributes and password. On disk it is
// a directory of versions shared with other processes (see
// container_dir.h); this object is one process's view of one version.
//
// Lifecycle: Create / Open / Attach construct an open container (the
// process registered in the version table as writer, reader or attached
// process); Close / Detach write what is modified and unregister. Memory
// containers (storage mode other than disk) make no files at all.
//
// Structure file (structure.data in the version directory), in this order:
//   external key map; type table (count, records, four special keys);
//   attributes; descriptor count and records; parameter count and records;
//   password; waveform set count and records (with segments, hierarchy and
//   waveforms). Older stored software versions switch fields as described
//   in container_structure.cc.
#ifndef ZEL_STORE_CONTAINER_H
#define ZEL_STORE_CONTAINER_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/attributes.h"
#include "store/cache.h"
#include "store/container_dir.h"
#include "store/container_names.h"
#include "store/keymap.h"
#include "store/object_table.h"
#include "store/objects.h"
#include "store/zstring.h"
#include "types/type_table.h"
#include "zel/zel.h"

class ZELI_DimensionDescriptor;
class ZELI_NodeIterator;
class ZELI_Parameter;
class ZELI_Segment;
class ZELI_WaveformSet;

// Told when an object leaves the container's key maps, so that whoever keeps
// something per object (the interface's handle objects) can drop it. This is
// the single place through which objects leave a container.
class ZELI_ContainerListener {
 public:
  virtual void ObjectErased(const ZELI_ExternalBase* object) noexcept = 0;
  virtual void ObjectErased(const ZELI_AccessBase* object) noexcept = 0;
  // A node iterator that the container is about to destroy.
  virtual void IteratorErased(const ZELI_NodeIterator* iterator) noexcept = 0;

 protected:
  ~ZELI_ContainerListener() = default;
};

class ZELI_Container {
 public:
  // A container object not yet registered anywhere (tests and the
  // lifecycle functions below). The name is stripped of its suffix.
  ZELI_Container(const char* name, zel_iomode_t mode, zel_mode_t storage);
  // A memory container without a name.
  ZELI_Container();
  ZELI_Container(const ZELI_Container&) = delete;
  ZELI_Container& operator=(const ZELI_Container&) = delete;
  // Releases everything without writing or unregistering (Close does that).
  ~ZELI_Container();

  // ---- lifecycle (each returns an open container or throws, leaving no
  //      registration behind) ----
  static std::unique_ptr<ZELI_Container> Create(const char* name, zel_mode_t storage, bool force);
  static std::unique_ptr<ZELI_Container> Open(const char* name, zel_iomode_t mode, unsigned passwordCount,
                                              const char* const* passwords);
  static std::unique_ptr<ZELI_Container> Attach(const char* name);
  // Undoes this process's registration without writing anything (a failed
  // open or attach, or an open container that cannot be handed to the
  // caller); never throws.
  void ReleaseRegistration() noexcept;
  // Writes what is modified (writers shut down before, by the caller) and
  // unregisters. "The container is Attached. Use Detach" for an attached one.
  // When unregistering fails the container stays open.
  void Close();
  // "The container is Open. Use Close." for one that is not attached.
  void Detach();
  // Writes the structure file when modified (disk containers open for
  // writing only).
  void CommitStructure();
  static void Delete(const char* name);
  static bool Exists(const char* name);
  static unsigned SoftwareVersion(const char* name);
  // Newest version in the table is this container's version.
  bool IsLatestVersion() const;
  // Whether no segment data file is newer than time (0: the reference
  // file's time); time is raised to the newest time seen.
  bool IsSegDataLatest(int64_t& time) const;

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
  ZELI_TypeTable& Get_TypeTable() { return types_; }
  // The in-memory value arrays of this container (owned by the cache).
  ZELI_Cache& Get_Cache() { return cache_; }

  // Tables in creation order. Adding enters the object in the external key
  // map, stores its key, takes ownership and sets the modified flag.
  ZELI_DimensionDescriptor* Add_DimensionDescriptor(ZELI_DimensionDescriptor* descriptor);
  ZELI_Parameter* Add_Parameter(ZELI_Parameter* parameter);
  ZELI_WaveformSet* Add_WaveformSet(ZELI_WaveformSet* waveformSet);
  const std::vector<ZELI_DimensionDescriptor*>& FindAllDimensionDescriptors() const {
    return descriptors_.Get_Objects();
  }
  const std::vector<ZELI_Parameter*>& FindAllParameters() const { return parameters_.Get_Objects(); }
  const std::vector<ZELI_WaveformSet*>& FindAllWaveformSets() const { return waveformSets_.Get_Objects(); }
  // Exact name and unit, and this very type object.
  std::vector<ZELI_DimensionDescriptor*> FindDimensionDescriptors(const char* name, const char* unit,
                                                                  const ZELI_Type* type) const;
  std::vector<ZELI_Parameter*> FindParameters(const char* name) const;
  std::vector<ZELI_WaveformSet*> FindWaveformSets(const char* name) const;
  // The one waveform set of that name: "WaveformSet not found" or
  // "Multiple waveformSets".
  ZELI_WaveformSet* FindWaveformSet(const char* name) const;
  // The first equal object by value, or null.
  ZELI_DimensionDescriptor* FindDimensionDescriptorByDescriptor(const ZELI_DimensionDescriptor& d) const;
  ZELI_Parameter* FindParameterByParameter(const ZELI_Parameter& p) const;
  ZELI_WaveformSet* FindWaveformSetByWaveformSet(const ZELI_WaveformSet& w) const;
  // Copies of objects of any container, added to this one.
  ZELI_DimensionDescriptor* CopyDimensionDescriptor(const ZELI_DimensionDescriptor& d);
  ZELI_Parameter* CopyParameter(const ZELI_Parameter& p);
  ZELI_WaveformSet* CopyWaveformSet(const ZELI_WaveformSet& w);
  // The equal object, or a copy; copied (when not null) tells which.
  ZELI_DimensionDescriptor* FindOrCopyDimensionDescriptor(const ZELI_DimensionDescriptor& d, zel_bool_t* copied);
  ZELI_Parameter* FindOrCopyParameter(const ZELI_Parameter& p, zel_bool_t* copied);
  ZELI_WaveformSet* FindOrCopyWaveformSet(const ZELI_WaveformSet& w, zel_bool_t* copied);
  // Segments are owned by their waveform sets: this only enters the segment
  // in the external key map, stores its key and sets the modified flag.
  void Insert_Segment(ZELI_Segment* segment);
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
  void Set_Listener(ZELI_ContainerListener* listener) { listener_ = listener; }

  // ---- node iterators (owned; destroyed with the container) ----
  ZELI_NodeIterator* Add_NodeIterator(std::unique_ptr<ZELI_NodeIterator> iterator);
  // Tells the listener, then destroys the iterator.
  void Delete_NodeIterator(ZELI_NodeIterator* iterator);
  const std::vector<std::unique_ptr<ZELI_NodeIterator>>& Get_NodeIterators() const { return iterators_; }

  // ---- structure file and data stores ----
  void WriteStructure();
  void ReadStructure();
  // Every segment's data stores: written at close and detach, read at open
  // (except in ZEL_IOMODE_WRITE_STRUCTURE).
  void WriteDataStores();
  void ReadDataStores();
  // Garbage collection of every waveform set (segments that the pass
  // emptied are erased from the key map and destroyed), then the cache's
  // garbage rule.
  void GarbageCollect();

 private:
  const ZELI_ContainerNames& Names() const { return directory_->Get_Names(); }

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
  ZELI_ContainerListener* listener_ = nullptr;  // not owned
  // Node iterators refer to hierarchy nodes without owning them.
  std::vector<std::unique_ptr<ZELI_NodeIterator>> iterators_;
  // Declared after the key maps: destroyed before them, waveform sets first
  // (they refer to parameters and descriptors, which refer to types).
  ZELI_TypeTable types_;
  // Destroyed after the objects that hold cached arrays (they let theirs go
  // first) and before the types that free the arrays' values.
  ZELI_Cache cache_;
  ZELI_ObjectTable<ZELI_DimensionDescriptor> descriptors_;
  ZELI_ObjectTable<ZELI_Parameter> parameters_;
  ZELI_ObjectTable<ZELI_WaveformSet> waveformSets_;
};

#endif  // ZEL_STORE_CONTAINER_H
