// ZELI_Segment: data stores, their files, opening and closing, commits,
// garbage collection and the diagnostic dump.
//
// Writing a store (its structure or point counts changed):
//   1. the map file segment_<s>_<n>_<map>.map is replaced by one holding
//      only the point counts of the store's shared X sets;
//   2. the record file segment_<s>_<n>.org is replaced: map number, handle
//      convertor, memory file record (which takes in every page and empties
//      the page-map log), shared X sets of the store.
// Both are replaced atomically (temporary file and rename), map first: a
// reader in another process then sees either the old record with fewer
// pages, or the new record with its own map, never a map whose page-map
// triples the record already holds.
// Committing waveform data of a store whose structure is unchanged appends
// the page-map log to the map file and rewrites the point counts in place
// (their size is fixed while the structure is); a reader stops at an
// incomplete trailing triple.
// Either way the data file's pages written since its last sync reach the
// disk before the map or record that makes them visible: closing a store
// writes its pages back but syncs nothing, so the commit syncs them.
//
// Data files are created exclusively: a new store never truncates a file
// that exists, whoever left it there.

#include <algorithm>
#include <iostream>
#include <memory>
#include <string>

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "model/segment.h"
#include "model/segment_x_set.h"
#include "model/waveform_set.h"
#include "store/atomic_file.h"
#include "model/container.h"
#include "store/memory_file.h"
#include "store/os_file.h"
#include "store/stream.h"

namespace {

// Creates an empty file that must not exist yet (mode 0600).
void CreateExclusively(const std::string& path) {
  if (!ZELI_OS_CreateExclusive(path.c_str())) {
    throw ZELI_FailedException(ZELI_Message() << "Segment data file exists already: " << path.c_str());
  }
}

zel_iomode_t Normalized(zel_iomode_t mode) { return mode == ZEL_IOMODE_READ ? ZEL_IOMODE_READ : ZEL_IOMODE_WRITE; }

}  // namespace

// ---- stores and their state ----------------------------------------------------------

void ZELI_Segment::GrowBits() {
  const unsigned count = Get_DataStoreCount();
  dataStoreDirty_.Resize(count);
  pointCountDirty_.Resize(count);
  openDataStores_.Resize(count);
}

void ZELI_Segment::CheckDataStore(unsigned store) const {
  if (store >= stores_.size()) throw ZELI_BadArgException("DataStore index is invalid.");
}

ZELI_Segment::DataStore& ZELI_Segment::LoadedStore(unsigned store) {
  CheckDataStore(store);
  DataStore& data = stores_[store];
  if (data.state == StoreState::DAMAGED) throw ZELI_ExceptionWithMessage(data.damageStatus, data.damage.c_str());
  if (data.state != StoreState::LOADED) throw ZELI_FailedException("Data store is not loaded.");
  return data;
}

const ZELI_Segment::DataStore& ZELI_Segment::LoadedStore(unsigned store) const {
  return const_cast<ZELI_Segment*>(this)->LoadedStore(store);
}

bool ZELI_Segment::IsDataStoreLoaded(unsigned store) const {
  CheckDataStore(store);
  return stores_[store].state == StoreState::LOADED;
}

ZELI_MemoryFile* ZELI_Segment::Get_MemoryFile_p(unsigned store) const { return LoadedStore(store).memoryFile.get(); }

ZELI_KeyMap<ZELI_InternalBase>* ZELI_Segment::Get_HandleConvertor_p(unsigned store) const {
  return LoadedStore(store).handleConvertor.get();
}

unsigned ZELI_Segment::Get_MapNumber(unsigned store) const {
  CheckDataStore(store);
  return stores_[store].mapNumber;
}

std::string ZELI_Segment::Get_DataStoreFile(unsigned store, const char* extension) const {
  return Get_Container_p()->Get_SegmentFile(serialNumber_, store, extension);
}

std::string ZELI_Segment::Get_MapFile(unsigned store) const { return MapFileName(store, Get_MapNumber(store)); }

std::string ZELI_Segment::MapFileName(unsigned store, unsigned mapNumber) const {
  const std::string suffix = "_" + std::to_string(mapNumber) + ".map";
  return Get_Container_p()->Get_SegmentFile(serialNumber_, store, suffix.c_str());
}

void ZELI_Segment::Set_DataStoreDirty(unsigned store) {
  CheckDataStore(store);
  dataStoreDirty_.Set(store);
}

void ZELI_Segment::Set_PointCountDirty(unsigned store) {
  CheckDataStore(store);
  pointCountDirty_.Set(store);
}

void ZELI_Segment::Erase(unsigned store, ZELI_InternalBase* object) {
  ZELI_KeyMap<ZELI_InternalBase>* convertor = Get_HandleConvertor_p(store);
  Get_Container_p()->Set_Modified();
  convertor->Erase(object->Get_Key());
}

unsigned ZELI_Segment::Add_DataStore() {
  ZELI_Container* container = Get_Container_p();
  const unsigned store = Get_DataStoreCount();
  if (store >= MaxDataStores) throw ZELI_FailedException("Too many data stores in the segment.");
  DataStore added;
  added.state = StoreState::LOADED;
  added.handleConvertor = std::make_unique<ZELI_KeyMap<ZELI_InternalBase>>();
  if (container->IsOnDisk()) {
    // A reader must not create files in the writer's version directory.
    if (!container->IsOpenForWriting()) {
      throw ZELI_FailedException("ZELI_Segment::Add_DataStore: container is read-only");
    }
    const std::string path = Get_DataStoreFile(store, ".data");
    CreateExclusively(path);
    try {
      added.memoryFile = std::make_unique<ZELI_MemoryFile>(path.c_str());
    } catch (...) {
      ZELI_OS_UnlinkQuietly(path.c_str());
      throw;
    }
  } else {
    added.memoryFile = std::make_unique<ZELI_MemoryFile>(nullptr);
  }
  added.memoryFile->Set_Key(added.handleConvertor->Insert(added.memoryFile.get()));
  ZELI_ReserveOneMore(stores_);
  stores_.push_back(std::move(added));
  GrowBits();
  dataStoreDirty_.Set(store);
  pointCountDirty_.Set(store);
  container->Set_Modified();
  return store;
}

// ---- opening and closing -------------------------------------------------------------

void ZELI_Segment::OpenMemoryFile(unsigned store, zel_iomode_t mode) {
  DataStore& data = LoadedStore(store);
  const zel_iomode_t wanted = Normalized(mode);
  if (data.openCount > 0) {
    if (wanted != data.openMode) throw ZELI_FailedException("Segment re-opened with incompatible mode");
    ++data.openCount;
    return;
  }
  const ZELI_Container* container = Get_Container_p();
  if (wanted == ZEL_IOMODE_WRITE && container->IsOnDisk() && !container->IsOpenForWriting()) {
    throw ZELI_FailedException("ZELI_Segment::OpenMemoryFile: container is read-only");
  }
  data.memoryFile->OpenFile(wanted);
  data.openMode = wanted;
  data.openCount = 1;
  openDataStores_.Set(store);
}

void ZELI_Segment::CloseMemoryFile(unsigned store) {
  DataStore& data = LoadedStore(store);
  if (data.openCount == 0) throw ZELI_FailedException("Segment data store is not open.");
  if (data.openCount == 1) {
    // A failed write-back leaves the file open, and the store with it, so
    // that the close can be tried again.
    data.memoryFile->CloseFile();
    openDataStores_.Reset(store);
    data.openMode = ZEL_IOMODE_READ;
  }
  --data.openCount;
}

void ZELI_Segment::AllCloseMemoryFile() {
  for (unsigned store = 0; store < stores_.size(); ++store) {
    DataStore& data = stores_[store];
    if (data.openCount == 0) continue;
    data.openCount = 1;
    CloseMemoryFile(store);
  }
}

bool ZELI_Segment::IsOpen() const {
  for (const DataStore& data : stores_) {
    if (data.openCount > 0) return true;
  }
  return false;
}

bool ZELI_Segment::IsDataStoreOpen(unsigned store) const { return Get_OpenCount(store) > 0; }

zel_iomode_t ZELI_Segment::Get_OpenMode(unsigned store) const {
  return Get_OpenCount(store) > 0 ? stores_[store].openMode : ZEL_IOMODE_READ;
}

unsigned ZELI_Segment::Get_OpenCount(unsigned store) const {
  CheckDataStore(store);
  return stores_[store].openCount;
}

// ---- commits ---------------------------------------------------------------------------

bool ZELI_Segment::PrepareCommit(unsigned store) {
  CheckDataStore(store);
  const ZELI_Container* container = Get_Container_p();
  if (!container->IsOnDisk()) return false;
  // The files belong to the process that writes this version.
  if (!container->IsOpenForWriting()) throw ZELI_FailedException("The container is not open for writing.");
  LoadedStore(store);
  return true;
}

// Shared X sets of the store report uninitialized and active writers.
void ZELI_Segment::CheckWritersMayFlush(unsigned store, bool refuseUninitialized) const {
  for (const ZELI_SegmentXSet* set : sharedXSets_) {
    if (set == nullptr || set->Get_DataStoreIndex() != store) continue;
    if (refuseUninitialized && !set->IsWritingInitialized()) {
      throw ZELI_FailedException("Some writer(s) cannot be flushed (are uninitialized)");
    }
    if (set->IsActive()) throw ZELI_FailedException("Some writer(s) cannot be flushed (are active)");
  }
}

void ZELI_Segment::FlushIfOpenForWriting(unsigned store) {
  DataStore& data = stores_[store];
  if (data.openCount == 0 || data.openMode != ZEL_IOMODE_WRITE) return;
  // Values that writers hold back in memory go to the arrays first.
  for (ZELI_SegmentXSet* set : sharedXSets_) {
    if (set != nullptr && set->Get_DataStoreIndex() == store && set->IsMemoryOpen()) set->FlushStaged();
  }
  data.memoryFile->WriteBackFile();
}

void ZELI_Segment::CommitDataStoreStructure(unsigned store) {
  // Writers are checked in memory too: a commit there writes nothing, but
  // refuses what a commit on disk refuses.
  const bool onDisk = PrepareCommit(store);
  CheckWritersMayFlush(store, true);
  if (!onDisk) return;
  // The data file's, the structure file's, the map's and the record's
  // writes overlap; the renames follow in that order, and their directory
  // syncs wait for one journal commit at the end.
  ZELI_SyncGroup group;
  stores_[store].memoryFile->StartSyncData();
  const std::unique_ptr<ZELI_AtomicFile> structure = Get_Container_p()->PrepareStructureFile();
  if (structure) structure->StartWriteOut();
  FlushIfOpenForWriting(store);
  WriteDataStore(store, structure.get());
  group.Finish();
}

void ZELI_Segment::CommitWaveformData(unsigned store) {
  // The structure, the record and the map each replace a file: their
  // directory syncs wait for one journal commit at the end.
  ZELI_SyncGroup group;
  CommitWaveformDataFiles(store);
  group.Finish();
}

void ZELI_Segment::CommitWaveformDataFiles(unsigned store) {
  CheckDataStore(store);
  // Committed points are new data for readers: what the data sets kept of
  // the store is read afresh.
  for (ZELI_SegmentXSet* set : sharedXSets_) {
    if (set != nullptr && set->Get_DataStoreIndex() == store) set->ForgetCachedArrays();
  }
  const bool onDisk = PrepareCommit(store);
  CheckWritersMayFlush(store, false);
  if (dataStoreDirty_.Test(store)) {
    CommitDataStoreStructure(store);
    return;
  }
  if (!onDisk) return;
  // Without an open store there is nothing in memory to write back: the
  // last close did that, but synced nothing.
  FlushIfOpenForWriting(store);
  stores_[store].memoryFile->SyncData(false);
  AppendMap(store);
}

// ---- writing and reading stores -------------------------------------------------------

void ZELI_Segment::WriteDataStores() {
  if (IsOpen()) throw ZELI_FailedException("Writing an open segment");
  for (unsigned store = 0; store < stores_.size(); ++store) WriteDataStore(store);
}

void ZELI_Segment::WriteDataStore(unsigned store, ZELI_AtomicFile* structure) {
  DataStore& data = stores_[store];
  const bool unchanged =
      data.state != StoreState::LOADED || (!dataStoreDirty_.Test(store) && !pointCountDirty_.Test(store));
  if (!Get_Container_p()->IsOnDisk() || unchanged) {
    if (structure != nullptr) Get_Container_p()->CommitStructureFile(*structure);
    return;
  }
  // The record names its map by number, and each full write after the first
  // starts a map of the next number (the first keeps number 0): the new map
  // is written first, then the record that names it replaces the old one in
  // one rename. Until that rename readers and a later open see the old
  // record with its own map, untouched; after it, the new pair. The old map
  // goes last.
  // The new map and record are written and handed to the device first, so
  // that their writes and the data file's overlap; the data file's pages are
  // durable before either is renamed into this directory.
  data.memoryFile->StartSyncData();
  const unsigned oldMap = data.mapNumber;
  bool recordReplaced = false;
  try {
    data.mapNumber = data.recordOnDisk ? oldMap + 1 : oldMap;
    ZELI_AtomicFile map(Get_MapFile(store).c_str());
    WritePointCounts(map.Stream(), store);
    map.StartWriteOut();
    ZELI_AtomicFile file(Get_DataStoreFile(store, ".org").c_str());
    ZELI_Ostream& out = file.Stream();
    out << data.mapNumber;
    out << *data.handleConvertor;
    data.memoryFile->Write(out, *data.handleConvertor);
    WriteSharedXSets(out, store);
    file.StartWriteOut();
    data.memoryFile->SyncData(true);
    if (structure != nullptr) Get_Container_p()->CommitStructureFile(*structure);
    map.Commit();
    try {
      file.Commit();
    } catch (...) {
      recordReplaced = file.IsCommitted();
      throw;
    }
    recordReplaced = true;
    data.recordOnDisk = true;
  } catch (...) {
    if (recordReplaced) {
      data.recordOnDisk = true;
    } else {
      ZELI_OS_UnlinkQuietly(Get_MapFile(store).c_str());
      data.mapNumber = oldMap;
    }
    // The memory file handed its page-map log to the record that was not
    // written: only a full record can describe its pages again.
    dataStoreDirty_.Set(store);
    throw;
  }
  if (data.mapNumber != oldMap) ZELI_OS_UnlinkQuietly(MapFileName(store, oldMap).c_str());
  dataStoreDirty_.Reset(store);
  pointCountDirty_.Reset(store);
}

void ZELI_Segment::AppendMap(unsigned store) {
  DataStore& data = stores_[store];
  const std::string path = Get_MapFile(store);
  if (!pointCountDirty_.Test(store)) return;
  // The log leaves the memory file as it is handed to the stream: when the
  // map cannot be written, only a full record describes the pages again.
  struct DirtyOnFailure {
    ZELI_Bitset& dirty;
    unsigned store;
    bool done = false;
    ~DirtyOnFailure() {
      if (!done) dirty.Set(store);
    }
  } guard{dataStoreDirty_, store};
  // The map is synced before the commit returns: its triples and counts are
  // what makes the data file's new pages visible to a later open.
  if (!ZELI_OS_Exists(path.c_str())) {
    // No map yet (a store whose writer ended before its first map): start
    // one with the point counts in front.
    ZELI_Ostream out(path.c_str(), 1);
    WritePointCounts(out, store);
    data.memoryFile->WriteMap(out);
    out.Flush();
    out.Close();
    // Its name, too.
    ZELI_SyncGroup::SyncDirectory(ZELI_OS_DirectoryOf(path));
  } else {
    ZELI_Ostream out(path.c_str(), 0);
    out.Lseek(ZELI_OS_SEEK_END);
    data.memoryFile->WriteMap(out);
    out.Lseek(0);
    WritePointCounts(out, store);
    out.Flush();
    out.Close();
  }
  guard.done = true;
  pointCountDirty_.Reset(store);
}

void ZELI_Segment::ReadDataStores() {
  if (!Get_Container_p()->IsOnDisk()) return;
  for (unsigned store = 0; store < stores_.size(); ++store) {
    if (stores_[store].state == StoreState::NOT_LOADED) ReadDataStore(store);
  }
}

void ZELI_Segment::ReadDataStore(unsigned store) {
  for (int attempt = 1;; ++attempt) {
    std::string reading;
    unsigned mapNumber = 0;
    try {
      LoadDataStore(store, reading, mapNumber);
      return;
    } catch (const ZELI_Exception& e) {
      // Exhausted memory says nothing about the files.
      if (e.status == ZEL_BAD_ALLOC) throw;
      // A writer's full write renames a new record into place and then
      // removes the map the old one named: a reader that read the old
      // record may find its map gone. The new record names a new map.
      if (attempt < 3 && RecordMapNumber(store, mapNumber) != mapNumber) continue;
      DataStore& data = stores_[store];
      data.state = StoreState::DAMAGED;
      data.damageStatus = e.status;
      data.damage = ZELI_Message() << reading.substr(reading.rfind('/') + 1).c_str() << ": " << e.what();
      return;
    }
  }
}

unsigned ZELI_Segment::RecordMapNumber(unsigned store, unsigned otherwise) const {
  const ZELI_Container* container = Get_Container_p();
  try {
    ZELI_Istream in(Get_DataStoreFile(store, ".org").c_str(), container->Get_IsBigEndianOnDisk(),
                    container->Get_SoftwareVersionOnDisk());
    unsigned mapNumber = 0;
    in >> mapNumber;
    return mapNumber;
  } catch (const ZELI_Exception&) {
    return otherwise;
  }
}

void ZELI_Segment::ThrowDataStoreDamage() const {
  for (const DataStore& data : stores_) {
    if (data.state == StoreState::DAMAGED) throw ZELI_ExceptionWithMessage(data.damageStatus, data.damage.c_str());
  }
}

void ZELI_Segment::LoadDataStore(unsigned store, std::string& reading, unsigned& mapNumber) {
  const ZELI_Container* container = Get_Container_p();
  const std::string record = Get_DataStoreFile(store, ".org");
  reading = record;
  if (!ZELI_OS_Exists(record.c_str())) {
    // Removed by garbage collection, or never written.
    stores_[store].state = StoreState::ABSENT;
    return;
  }
  const zel_bool_t bigEndian = container->Get_IsBigEndianOnDisk();
  const unsigned version = container->Get_SoftwareVersionOnDisk();
  // The store counts as loaded while its shared X sets are read (their data
  // sets reach the memory file through it); a failure unloads it again and
  // drops what was read, so nothing half-read stays.
  DataStore& data = stores_[store];
  try {
    ZELI_Istream in(record.c_str(), bigEndian, version);
    in >> data.mapNumber;
    mapNumber = data.mapNumber;
    data.recordOnDisk = true;
    data.handleConvertor = std::make_unique<ZELI_KeyMap<ZELI_InternalBase>>();
    in >> *data.handleConvertor;
    data.memoryFile =
        std::make_unique<ZELI_MemoryFile>(Get_DataStoreFile(store, ".data").c_str(), in, *data.handleConvertor);
    data.state = StoreState::LOADED;
    ReadSharedXSets(in, store);
    data.handleConvertor->VerifyLoaded();
    in.Close();
    // The map is written before the record that names it, so a record
    // always has its map. Stores of versions before 6 keep their point
    // counts in the record: there a missing map is read as no pages beyond
    // the record, as it always was.
    reading = MapFileName(store, data.mapNumber);
    if (ZELI_OS_Exists(reading.c_str())) {
      ZELI_Istream mapIn(reading.c_str(), bigEndian, version);
      ReadPointCounts(mapIn, store);
      data.memoryFile->ReadMap(mapIn);
      mapIn.Close();
    } else if (version >= 6) {
      throw ZELI_FailedException("the data store's map file is missing");
    }
    // Point counts are checked against the arrays as the page map left them.
    for (ZELI_SegmentXSet* set : sharedXSets_) {
      if (set != nullptr && set->Get_DataStoreIndex() == store) set->CheckPointCounts();
    }
  } catch (...) {
    for (ZELI_SegmentXSet*& set : sharedXSets_) {
      if (set != nullptr && set->Get_DataStoreIndex() == store) {
        delete set;
        set = nullptr;
      }
    }
    data = DataStore();
    data.state = StoreState::NOT_LOADED;
    throw;
  }
}

// The shared X sets of a store: the record holds their count and then their
// records; the map file starts with their point counts, in the same order.
void ZELI_Segment::WriteSharedXSets(ZELI_Ostream& out, unsigned store) const {
  unsigned count = 0;
  for (const ZELI_SegmentXSet* set : sharedXSets_) count += set != nullptr && set->Get_DataStoreIndex() == store;
  out << count;
  ZELI_KeyMap<ZELI_InternalBase>& map = *stores_[store].handleConvertor;
  for (const ZELI_SegmentXSet* set : sharedXSets_) {
    if (set != nullptr && set->Get_DataStoreIndex() == store) set->Write(out, map);
  }
}

// Reads into the store being loaded (its handle convertor and memory file
// are not yet in stores_[store]: they are passed through the temporary).
void ZELI_Segment::ReadSharedXSets(ZELI_Istream& in, unsigned store) {
  // A shared X set record is at least its X data information, indices,
  // flags and key.
  const unsigned count = in.ReadCount(18);
  std::vector<std::unique_ptr<ZELI_SegmentXSet>> sets;
  sets.reserve(count);
  for (unsigned i = 0; i < count; ++i) {
    std::unique_ptr<ZELI_SegmentXSet> set = ZELI_ReadSegmentXSet(in, *this, store, *stores_[store].handleConvertor);
    const unsigned index = set->Get_IndexInSegment();
    if ((index < sharedXSets_.size() && sharedXSets_[index] != nullptr)) {
      throw ZELI_FailedException("ZELI_SharedXSet::Read: index in segment");
    }
    sets.push_back(std::move(set));
  }
  // By index in segment, so that a repeated index is a neighbour and each
  // location finds its set by bisection (stores with thousands of sets).
  const auto byIndex = [](const std::unique_ptr<ZELI_SegmentXSet>& a, const std::unique_ptr<ZELI_SegmentXSet>& b) {
    return a->Get_IndexInSegment() < b->Get_IndexInSegment();
  };
  std::sort(sets.begin(), sets.end(), byIndex);
  for (size_t i = 1; i < sets.size(); ++i) {
    if (sets[i - 1]->Get_IndexInSegment() == sets[i]->Get_IndexInSegment()) {
      throw ZELI_FailedException("ZELI_SharedXSet::Read: index in segment");
    }
  }
  // Every waveform located in a shared X set of this store must lie at an
  // occupied position of an existing data set holding that very waveform.
  if (!sets.empty()) {
    for (const auto& [keyInSet, location] : locator_) {
      const unsigned index = location.sharedXSetIndex;
      auto found = std::partition_point(sets.begin(), sets.end(), [index](const std::unique_ptr<ZELI_SegmentXSet>& set) {
        return set->Get_IndexInSegment() < index;
      });
      if (found == sets.end() || (*found)->Get_IndexInSegment() != index) continue;
      if (!(*found)->HoldsWaveform(location.dataSetIndex, location.position, keyInSet)) {
        throw ZELI_FailedException("ZELI_Segment::ReadDataStore: waveform location");
      }
    }
  }
  for (auto& set : sets) {
    const unsigned index = set->Get_IndexInSegment();
    if (sharedXSets_.size() <= index) sharedXSets_.resize(index + 1, nullptr);
    sharedXSets_[index] = set.release();
  }
}

void ZELI_Segment::WritePointCounts(ZELI_Ostream& out, unsigned store) const {
  for (const ZELI_SegmentXSet* set : sharedXSets_) {
    if (set != nullptr && set->Get_DataStoreIndex() == store) set->WritePointCounts(out);
  }
}

void ZELI_Segment::ReadPointCounts(ZELI_Istream& in, unsigned store) {
  for (ZELI_SegmentXSet* set : sharedXSets_) {
    if (set != nullptr && set->Get_DataStoreIndex() == store) set->ReadPointCounts(in);
  }
}

// ---- garbage collection ----------------------------------------------------------------

void ZELI_Segment::RemoveDataStore(unsigned store) {
  ZELI_Container* container = Get_Container_p();
  if (!container->IsOpenForWriting()) {
    throw ZELI_FailedException("ZELI_Segment::CollectGarbage: container is read-only");
  }
  container->Set_Modified();
  DataStore& data = stores_[store];
  if (container->IsOnDisk()) {
    data.memoryFile->DeleteFile();
    ZELI_OS_UnlinkIfPresent(Get_DataStoreFile(store, ".org").c_str());
    ZELI_OS_UnlinkIfPresent(Get_MapFile(store).c_str());
  }
  data.handleConvertor->Erase(data.memoryFile->Get_Key());
  data.memoryFile.reset();
  data.handleConvertor.reset();
  data.state = StoreState::ABSENT;
  dataStoreDirty_.Reset(store);
  pointCountDirty_.Reset(store);
  openDataStores_.Reset(store);
}

bool ZELI_Segment::CollectGarbage() {
  if (IsOpen()) throw ZELI_FailedException("Cannot collect garbage in an open segment");
  // Stores whose last shared X set this pass deleted, and stores that still
  // hold one: each shared X set collects its garbage; one left without data
  // sets is deleted (structure modified, erased from its store's handle
  // convertor, list entry nulled) and its store noted as emptied.
  ZELI_Bitset emptied(Get_DataStoreCount());
  ZELI_Bitset remaining(Get_DataStoreCount());
  for (ZELI_SegmentXSet*& set : sharedXSets_) {
    if (set == nullptr) continue;
    const unsigned store = set->Get_DataStoreIndex();
    set->CollectGarbage();
    // A shared X set that a writer still fills is kept, even while empty.
    if (set->HasDataSets() || set->HasWriter()) {
      remaining.Set(store);
      continue;
    }
    set->Discard();
    delete set;
    set = nullptr;
    Get_Container_p()->Set_Modified();
    dataStoreDirty_.Set(store);
    emptied.Set(store);
  }
  for (unsigned store = 0; store < stores_.size(); ++store) {
    if (emptied.Test(store) && !remaining.Test(store) && stores_[store].state == StoreState::LOADED) {
      RemoveDataStore(store);
    }
  }
  // Only what this pass emptied goes: a segment not yet written, or one
  // whose stores were not loaded, holds nothing in memory but is not empty.
  if (emptied.Count() == 0 || !IsEmpty()) return false;
  for (const DataStore& data : stores_) {
    if (data.state == StoreState::NOT_LOADED || data.state == StoreState::DAMAGED) return false;
  }
  return true;
}

// ---- diagnostics -----------------------------------------------------------------------

void ZELI_Segment::Debug() const { Debug(std::cout); }

void ZELI_Segment::Debug(std::ostream& out) const {
  out << "===========================\n";
  out << "Segment serial # " << serialNumber_ << '\n';
  out << "===========================\n";
  out << "Key = " << Get_Key() << '\n';
  out << "_waveformSet_p   " << static_cast<const void*>(waveformSet_) << '\n';
  out << "_dataStoreCount  " << Get_DataStoreCount() << '\n';
  out << "_sharedXSetCount " << sharedXSetCount_ << '\n';
  out << "parameterCount   " << parIds_.size() << '\n';
  for (unsigned id : parIds_) out << "    parID " << id << '\n';
  out << "_waveformLocator " << locator_.size() << " located\n";
  for (const auto& [key, location] : locator_) {
    out << "    waveform " << key << ": sharedXSet " << location.sharedXSetIndex << ", dataSet "
        << location.dataSetIndex << ", position " << location.position << '\n';
  }
  for (unsigned store = 0; store < stores_.size(); ++store) {
    const DataStore& data = stores_[store];
    out << "----------------------\n";
    out << "DataStore # " << store << '\n';
    out << "----------------------\n";
    out << "_dataStoreDirty       " << dataStoreDirty_.Test(store) << '\n';
    out << "_pointCountDirty      " << pointCountDirty_.Test(store) << '\n';
    out << "handleConvertor    " << static_cast<const void*>(data.handleConvertor.get()) << '\n';
    if (data.handleConvertor) {
      out << "    " << data.handleConvertor->Get_SlotCount() << " slots, " << data.handleConvertor->Get_Count()
          << " live\n";
    }
    out << "memoryFile         " << static_cast<const void*>(data.memoryFile.get()) << '\n';
    if (data.memoryFile) data.memoryFile->DumpPages(out);
    for (const ZELI_SegmentXSet* set : sharedXSets_) {
      if (set != nullptr && set->Get_DataStoreIndex() == store) set->Debug(out);
    }
  }
  out.flush();
}
