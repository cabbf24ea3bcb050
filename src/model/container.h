// ZELI_Container: one open waveform database.
//
// The container owns every stored object (through its tables and the key map
// of persistent objects, `external`), every access object (writers, views,
// readers; the `access` key map), its attributes and password. On disk it is
// a directory of versions shared with other processes (see
// store/container_dir.h); this object is one process's view of one version.
//
// Layers: ZELI_ContainerStore (store/container_store.h) holds the files,
// registration, key maps, attributes, password and cache;
// ZELI_TypedContainer (types/typed_container.h) adds the type table; this
// class adds the descriptors, parameters, waveform sets and node iterators,
// the structure file and the lifecycle.
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
#ifndef ZEL_MODEL_CONTAINER_H
#define ZEL_MODEL_CONTAINER_H

#include <cstdint>
#include <memory>
#include <vector>

#include "store/object_table.h"
#include "types/typed_container.h"
#include "zel/zel.h"

class ZELI_AtomicFile;

class ZELI_DimensionDescriptor;
class ZELI_NodeIterator;
class ZELI_Parameter;
class ZELI_Segment;
class ZELI_Type;
class ZELI_WaveformSet;

// Told when an object leaves the container: objects of its key maps, and
// node iterators about to be destroyed.
class ZELI_ContainerListener : public ZELI_ObjectListener {
 public:
  virtual void IteratorErased(const ZELI_NodeIterator* iterator) noexcept = 0;

 protected:
  ~ZELI_ContainerListener() = default;
};

// Something the container owns on behalf of a layer above it (the registry
// of operations): created by that layer on first use, destroyed with the
// container before its tables and types.
class ZELI_ContainerAddOn {
 public:
  virtual ~ZELI_ContainerAddOn() = default;
};

class ZELI_Container : public ZELI_TypedContainer {
 public:
  // A container object not yet registered anywhere (tests and the
  // lifecycle functions below). The name is stripped of its suffix.
  ZELI_Container(const char* name, zel_iomode_t mode, zel_mode_t storage);
  // A memory container without a name.
  ZELI_Container();
  // Releases everything without writing or unregistering (Close does that).
  ~ZELI_Container() override;

  // ---- lifecycle (each returns an open container or throws, leaving no
  //      registration behind) ----
  static std::unique_ptr<ZELI_Container> Create(const char* name, zel_mode_t storage, bool force);
  static std::unique_ptr<ZELI_Container> Open(const char* name, zel_iomode_t mode, unsigned passwordCount,
                                              const char* const* passwords);
  static std::unique_ptr<ZELI_Container> Attach(const char* name);
  // Shuts the writers down, writes what is modified and unregisters. "The container is Attached. Use Detach" for an attached one.
  // When unregistering fails the container stays open.
  void Close();
  // "The container is Open. Use Close." for one that is not attached;
  // otherwise as Close.
  void Detach();
  // Writes the structure file when modified (disk containers open for
  // writing only).
  void CommitStructure();
  // Whether no segment data file is newer than time (0: the reference
  // file's time); time is raised to the newest time seen.
  bool IsSegDataLatest(int64_t& time) const;
  void Set_Listener(ZELI_ContainerListener* listener) {
    listener_ = listener;
    Set_ObjectListener(listener);
  }

  // ---- tables ----
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

  // ---- node iterators (owned; destroyed with the container) ----
  ZELI_NodeIterator* Add_NodeIterator(std::unique_ptr<ZELI_NodeIterator> iterator);
  // Tells the listener, then destroys the iterator.
  void Delete_NodeIterator(ZELI_NodeIterator* iterator);
  const std::vector<std::unique_ptr<ZELI_NodeIterator>>& Get_NodeIterators() const { return iterators_; }

  // ---- the registry of operations (access/operation_registry.h) ----
  ZELI_ContainerAddOn* Get_Operations_p() const { return operations_.get(); }
  void Set_Operations(std::unique_ptr<ZELI_ContainerAddOn> operations) { operations_ = std::move(operations); }

  // ---- structure file and data stores ----
  // Replaces the structure file when the structure was modified.
  void WriteStructure();
  // The first half of WriteStructure(): the new structure file written into
  // its temporary file; null when there is nothing to write. The caller
  // finishes with CommitStructureFile() (or drops the file, and with it the
  // write) and can start its write-out and prepare other files meanwhile,
  // so that their writes overlap.
  std::unique_ptr<ZELI_AtomicFile> PrepareStructureFile();
  void CommitStructureFile(ZELI_AtomicFile& file);
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
  ZELI_ContainerListener* listener_ = nullptr;  // not owned
  // Node iterators refer to hierarchy nodes without owning them.
  std::vector<std::unique_ptr<ZELI_NodeIterator>> iterators_;
  // Destroyed in reverse order: waveform sets first (they refer to
  // parameters and descriptors, which refer to types).
  ZELI_ObjectTable<ZELI_DimensionDescriptor> descriptors_;
  ZELI_ObjectTable<ZELI_Parameter> parameters_;
  ZELI_ObjectTable<ZELI_WaveformSet> waveformSets_;
  // Refers to types; goes first.
  std::unique_ptr<ZELI_ContainerAddOn> operations_;
};

#endif  // ZEL_MODEL_CONTAINER_H
