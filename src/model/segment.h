// ZELI_Segment: the waveform data of one waveform set for one combination of
// parameter values.
//
// Identity. A segment records its combination as one value identifier per
// parameter of its set (never positions, so inserting or deleting parameter
// values leaves segments untouched) and a serial number that names its files.
// Serial numbers are allocated by the container and are unique within it, so
// no two segments of one version directory ever share a file name.
//
// Data stores. The values live in data stores, numbered from 0; each is one
// paged memory file with its own key map of internal objects (the "handle
// convertor", which starts with the memory file itself). Store n of a segment
// with serial s has, in the version directory (the "_n" part only from
// stored software version 3 on):
//   segment_<s>_<n>.data            the pages of the memory file
//   segment_<s>_<n>.org             the store's record (map number, handle
//                                   convertor, memory file record, shared X
//                                   sets of the store)
//   segment_<s>_<n>_<map>.map       point counts of the store's shared X sets,
//                                   then page-map triples to the end
// Byte layouts: doc/segment_records.md.
//
// A store is in one of three states:
//   LOADED      its memory file and handle convertor exist (created here, or
//               read from its record);
//   NOT_LOADED  its files exist but were not read (containers opened without
//               data stores, and attached processes); it is never written,
//               opened or collected, so its files stay as they are;
//   ABSENT      it has no record on disk (removed by garbage collection, or
//               never written by a writer that ended early); it holds nothing;
//   DAMAGED     reading its record or map failed: like NOT_LOADED its files
//               stay as they are, and every use of the store, and every read
//               of a waveform whose shared X set is missing, fails with what
//               the reading found, prefixed with the file's name. The rest of
//               the container opens and reads.
// Open count and mode are kept per store: stores are opened and closed
// independently, and a store opened for reading may be opened again only
// for reading (and likewise for writing).
//
// Shared X sets (owned by the segment, listed by index in segment) live in
// one data store each: the store's record holds their count and records,
// its map file starts with their point counts. They belong to the waveforms
// layer; the segment uses them through ZELI_SegmentXSet.
//
// Failures are exceptions; the destructor releases memory files without
// writing anything (write-back happens in CloseMemoryFile and the commits).
#ifndef ZEL_MODEL_SEGMENT_H
#define ZEL_MODEL_SEGMENT_H

#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "store/bitset.h"
#include "store/keymap.h"
#include "store/node_pool.h"
#include "store/objects.h"
#include "zel/zel.h"

class ZELI_AtomicFile;
class ZELI_Container;
class ZELI_MemoryFile;
class ZELI_SegmentXSet;
class ZELI_SharedXSet;
class ZELI_Type;
class ZELI_WaveformSet;

// Where one waveform of the set has its values in a segment.
struct ZELI_WaveformDataLocation {
  unsigned sharedXSetIndex = 0;  // in the segment's shared X set list
  unsigned dataSetIndex = 0;     // in that shared X set
  unsigned position = 0;         // of the waveform within the data set
};

class ZELI_Segment : public ZELI_ExternalBase {
 public:
  // Most data stores one segment may have; it bounds what a stored record
  // can make the reader allocate.
  static constexpr unsigned MaxDataStores = 256;

  // A segment without data stores; the set adds store 0 (Add_DataStore).
  ZELI_Segment(ZELI_WaveformSet& waveformSet, unsigned serialNumber, std::vector<unsigned> parIds);
  ~ZELI_Segment() override;
  ZELI_Segment(const ZELI_Segment&) = delete;
  ZELI_Segment& operator=(const ZELI_Segment&) = delete;

  ZELI_WaveformSet* Get_WaveformSet_p() const { return waveformSet_; }
  ZELI_Container* Get_Container_p() const;
  ZELI_Type* Get_XType_p() const;
  unsigned Get_SerialNumber() const { return serialNumber_; }
  const std::vector<unsigned>& Get_ParIds() const { return parIds_; }
  unsigned Get_DataStoreCount() const { return static_cast<unsigned>(stores_.size()); }
  unsigned Get_SharedXSetCount() const { return sharedXSetCount_; }

  // ---- waveform locator (by the waveform's key in its set) ----
  // "Waveform is already in the segment." (ZELI_DuplicateException).
  void RegisterWaveform(int keyInSet, unsigned sharedXSetIndex, unsigned dataSetIndex, unsigned position);
  // "Waveform is not in the segment." (ZELI_FailedException).
  void UnregisterWaveform(int keyInSet);
  // False, with the location zeroed, when the waveform has no data here.
  bool Get_WaveformLocation(int keyInSet, ZELI_WaveformDataLocation& location) const;
  bool ExistWaveform(int keyInSet) const { return locator_.count(keyInSet) != 0; }
  unsigned Get_LocatedWaveformCount() const { return static_cast<unsigned>(locator_.size()); }

  // ---- shared X sets ----
  // index not below the list length: "ZELI_Segment::Get_SharedXSet_p index".
  // Null for an entry deleted by garbage collection or not loaded.
  ZELI_SharedXSet* Get_SharedXSet_p(unsigned index) const;
  // Every entry of the shared X set list is null (or the list is empty).
  bool IsEmpty() const;
  // Takes ownership, gives the set the next index in segment and returns it.
  ZELI_SharedXSet* Add_SharedXSet_p(std::unique_ptr<ZELI_SegmentXSet> sharedXSet);

  // ---- data stores ----
  // Adds a store (files created exclusively in a disk container; refused in
  // a container not open for writing); returns its number.
  unsigned Add_DataStore();
  // Store number check: "DataStore index is invalid." (ZELI_BadArgException).
  void CheckDataStore(unsigned store) const;
  // The first open records the mode and opens the memory file; later opens
  // only count and must use the same mode ("Segment re-opened with
  // incompatible mode"). The store must be loaded.
  void OpenMemoryFile(unsigned store, zel_iomode_t mode);
  // The last close writes the memory file back and closes it.
  void CloseMemoryFile(unsigned store);
  // Closes every open store, whatever its count.
  void AllCloseMemoryFile();
  bool IsOpen() const;
  bool IsDataStoreOpen(unsigned store) const;
  unsigned Get_OpenCount(unsigned store) const;
  // The mode of an open store; ZEL_IOMODE_READ while it is closed.
  zel_iomode_t Get_OpenMode(unsigned store) const;
  bool IsDataStoreLoaded(unsigned store) const;
  // The store's memory file and handle convertor; the store must be loaded
  // ("Data store is not loaded.", ZELI_FailedException).
  ZELI_MemoryFile* Get_MemoryFile_p(unsigned store) const;
  ZELI_KeyMap<ZELI_InternalBase>* Get_HandleConvertor_p(unsigned store) const;
  // Erases an internal object from the store's handle convertor.
  void Erase(unsigned store, ZELI_InternalBase* object);
  void Set_DataStoreDirty(unsigned store);
  void Set_PointCountDirty(unsigned store);
  bool IsDataStoreDirty(unsigned store) const { return dataStoreDirty_.Test(store); }
  bool IsPointCountDirty(unsigned store) const { return pointCountDirty_.Test(store); }
  unsigned Get_MapNumber(unsigned store) const;
  // File names of a store (disk containers).
  std::string Get_DataStoreFile(unsigned store, const char* extension) const;
  std::string Get_MapFile(unsigned store) const;

  // ---- commits (ZEL_CommitDataStoreStructure, ZEL_CommitWaveformData) ----
  void CommitDataStoreStructure(unsigned store);
  void CommitWaveformData(unsigned store);

  // ---- data stores on disk ----
  // "Writing an open segment" while a store is open; otherwise every loaded
  // store whose dirty bits are set is written.
  void WriteDataStores();
  // Reads every store's record and map file (a store without a record is
  // ABSENT, one that cannot be read DAMAGED). Only exhausted memory escapes.
  void ReadDataStores();
  // Throws the failure of the first DAMAGED store; returns when there is
  // none. For readers that find a located waveform's shared X set missing:
  // the shared X sets of a damaged store are not known, so that store is
  // the one to blame.
  void ThrowDataStoreDamage() const;

  // Deletes emptied shared X sets and then the files of stores this pass
  // emptied. True when the pass emptied the segment (the caller removes it);
  // a segment with a store that is not loaded is never emptied.
  bool CollectGarbage();

  // Diagnostic dump (standard output, or the given stream).
  void Debug() const;
  void Debug(std::ostream& out) const;

  // ---- stored record (inside the waveform-set record) ----
  // Once per structure write ("ZELI_Segment::Write called again.").
  void Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const;
  // Reads a record of a segment of waveformSet (whose parameter list and
  // waveform map are already read) and places it in map at its stored key.
  // Its stores start NOT_LOADED with every bit clear.
  static ZELI_Segment* Read(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map, ZELI_WaveformSet& waveformSet);

 private:
  // CommitWaveformData without its sync group.
  void CommitWaveformDataFiles(unsigned store);
  enum class StoreState { LOADED, NOT_LOADED, ABSENT, DAMAGED };

  struct DataStore {
    DataStore();
    ~DataStore();
    DataStore(DataStore&&) noexcept;
    DataStore& operator=(DataStore&&) noexcept;

    StoreState state = StoreState::NOT_LOADED;
    unsigned mapNumber = 0;
    bool recordOnDisk = false;  // a record of this store was read or written
    std::unique_ptr<ZELI_KeyMap<ZELI_InternalBase>> handleConvertor;
    std::unique_ptr<ZELI_MemoryFile> memoryFile;  // also listed in handleConvertor
    unsigned openCount = 0;                       // nesting count of opens
    zel_iomode_t openMode = ZEL_IOMODE_READ;      // meaningful while openCount > 0
    // DAMAGED stores: the status and message reading them ended with.
    zel_status_t damageStatus = ZEL_OK;
    std::string damage;
  };

  DataStore& LoadedStore(unsigned store);
  const DataStore& LoadedStore(unsigned store) const;
  // The commits' common checks: store number, then a container that may not
  // be written. False for a memory container, whose commits write nothing.
  bool PrepareCommit(unsigned store);
  void CheckWritersMayFlush(unsigned store, bool refuseUninitialized) const;
  void FlushIfOpenForWriting(unsigned store);
  // structure: a structure file prepared by the container, or null; it is
  // renamed into place after the store's data is durable and before its
  // map and record, so that readers never see a record naming objects of a
  // structure not yet there (committed here even when the store has
  // nothing to write).
  void WriteDataStore(unsigned store, ZELI_AtomicFile* structure = nullptr);
  // Incremental write of the map file: the page-map log appended, the point
  // counts rewritten in place.
  void AppendMap(unsigned store);
  void ReadDataStore(unsigned store);
  // ReadDataStore's work; `reading` names the file being read, mapNumber
  // receives the map number the record names.
  void LoadDataStore(unsigned store, std::string& reading, unsigned& mapNumber);
  // The map number the store's record names now (otherwise when the record
  // cannot be read).
  unsigned RecordMapNumber(unsigned store, unsigned otherwise) const;
  std::string MapFileName(unsigned store, unsigned mapNumber) const;
  // Hooks for shared X sets (see the file comment).
  void WriteSharedXSets(ZELI_Ostream& out, unsigned store) const;
  void ReadSharedXSets(ZELI_Istream& in, unsigned store);
  void WritePointCounts(ZELI_Ostream& out, unsigned store) const;
  void ReadPointCounts(ZELI_Istream& in, unsigned store);
  void RemoveDataStore(unsigned store);
  void GrowBits();

  ZELI_WaveformSet* waveformSet_;  // owner
  unsigned serialNumber_;
  unsigned sharedXSetCount_ = 0;                      // length of the shared X set list
  std::vector<unsigned> parIds_;                      // one per parameter of the set
  // By waveform key in set; its nodes come from the pool (one entry per
  // located waveform, read at every open), which must outlive it.
  using Locator = std::map<int, ZELI_WaveformDataLocation, std::less<int>,
                           ZELI_PoolAllocator<std::pair<const int, ZELI_WaveformDataLocation>>>;
  ZELI_NodePool locatorPool_;
  Locator locator_{Locator::allocator_type(&locatorPool_)};
  std::vector<DataStore> stores_;                     // one per store number
  // Owned; entries null when deleted or not loaded; may be shorter than
  // sharedXSetCount_ (missing entries count as null). The segment knows them
  // through what it asks of them (model/segment_x_set.h).
  std::vector<ZELI_SegmentXSet*> sharedXSets_;
  ZELI_Bitset dataStoreDirty_;   // per store: structure changed since its record was written
  ZELI_Bitset pointCountDirty_;  // per store: point counts changed since its map file was written
  ZELI_Bitset openDataStores_;   // per store: memory file open
};

#endif  // ZEL_MODEL_SEGMENT_H
