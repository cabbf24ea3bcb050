// Segments: index arithmetic, creating and finding through the exported
// functions, serial numbers and files, data stores (open count, mode,
// commits, the incremental map), containers opened without data stores,
// garbage collection, and records read back or refused after damage.
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "model/segment_index.h"
#include "model_test_support.h"
#include "store/memory_array.h"
#include "store/memory_file.h"

namespace {

// The map file a store's record names: the record starts with the map
// number (this machine's byte order): 0 in the first record, advanced by
// each full record write after it.
std::string MapOf(const std::string& record) {
  const std::vector<unsigned char> bytes = zeltest::ReadFileBytes(record);
  uint32_t number = 0;
  if (bytes.size() >= 4) std::memcpy(&number, bytes.data(), 4);
  return record.substr(0, record.size() - 4) + "_" + std::to_string(number) + ".map";
}

using zeltest::ObjectOf;

class SegmentTest : public zeltest::ModelTest {
 protected:
  // The segment object of a handle.
  ZELI_Segment* Of(zel_segment_t segment) { return ObjectOf(session_, segment); }
  // Runs body in a call frame named "test" and returns its status.
  template <typename Body>
  zel_status_t InFrame(Body body) {
    return zeltest::RunInFrame("test", body);
  }
  static std::vector<unsigned char> Bytes(const std::string& path) { return zeltest::ReadFileBytes(path); }
  // A memory array in store 0 of the segment.
  static std::unique_ptr<ZELI_MemoryArray> AddArray(ZELI_Segment* segment) {
    auto array = std::make_unique<ZELI_MemoryArray>(segment->Get_MemoryFile_p(0));
    segment->Get_MemoryFile_p(0)->Add_MemoryArray_p(array.get());
    return array;
  }
  // Appends 5000 bytes to the array (store 0 open for writing) and marks the
  // store's point counts changed.
  static void AppendBytes(ZELI_Segment* segment, ZELI_MemoryArray& array) {
    const std::vector<unsigned char> values(5000, 7);
    array.Open(ZEL_IOMODE_WRITE);
    array.WriteData(array.Get_Size(), values.data(), static_cast<unsigned>(values.size()), 1);
    array.Close();
    segment->Set_PointCountDirty(0);
  }
};

// The mixed radix itself (first parameter fastest) is checked through the
// exported functions; here its limits.
TEST(SegmentIndexTest, NoOverflowAndNoDivisionByZero) {
  const unsigned at21[2] = {2, 1};
  const unsigned bad[2] = {3, 0};
  EXPECT_THROW(ZELI_SegmentIndex({3, 4}).FromPositions(2, bad, "count"), ZELI_BadArgException);
  EXPECT_THROW(ZELI_SegmentIndex({3, 4}).FromPositions(1, at21, "count"), ZELI_BadArgException);
  EXPECT_EQ(ZELI_SegmentIndex({65536, 65535}).MaximumCount(), 65536u * 65535u);
  EXPECT_THROW(ZELI_SegmentIndex({65536, 65536}).MaximumCount(), ZELI_BadArgException);
  const ZELI_SegmentIndex wide({65536, 65537});
  EXPECT_EQ(wide.FromValidPositions({65535, 65535}), 65535u + 65535u * 65536u);
  EXPECT_THROW(wide.FromValidPositions({0, 65536}), ZELI_BadArgException);
  // Past 2^32 the radix saturates; zero positions still convert.
  const ZELI_SegmentIndex many({1u << 20, 1u << 20, 1u << 20, 7});
  EXPECT_EQ(many.FromValidPositions({5, 0, 0, 0}), 5u);
  EXPECT_THROW(many.FromValidPositions({0, 0, 0, 1}), ZELI_BadArgException);
  EXPECT_THROW(many.MaximumCount(), ZELI_BadArgException);
  // A parameter without values: no segment index converts.
  const ZELI_SegmentIndex empty({3, 0});
  EXPECT_EQ(empty.MaximumCount(), 0u);
  EXPECT_THROW(empty.ToPositions(0), ZELI_BadArgException);
}

TEST_F(SegmentTest, CreatingFindingAndIndicesOfASetWithoutParameters) {
  zel_container_t c = CreateMemory();
  zel_waveformSet_t set = Set(c, "tran");
  EXPECT_EQ(ZEL_GetMaximumSegmentCount(session_, set, &status_), 1u);
  EXPECT_EQ(ZEL_GetSegmentIndexFromParIndices(session_, set, 0, nullptr, &status_), 0u);
  ZEL_GetParameterIndices(session_, set, 0, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_OK);
  ZEL_GetParameterIndices(session_, set, 1, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetParameterIndices: Segment index is out of range.");
  EXPECT_TRUE(ZEL_IsSegmentNull(ZEL_FindSegment(session_, set, 0, &status_)));

  // The same indices twice: two segments, consecutive serial numbers, the
  // first one found.
  zel_segment_t first = Segment(set);
  zel_segment_t second = Check(ZEL_CreateSegmentByIndex(session_, set, 0, &status_));
  EXPECT_FALSE(ZEL_AreSameSegment(first, second));
  EXPECT_EQ(Of(second)->Get_SerialNumber(), Of(first)->Get_SerialNumber() + 1);
  EXPECT_EQ(ZEL_GetSegmentCount(session_, set, &status_), 2u);
  EXPECT_TRUE(ZEL_AreSameSegment(ZEL_FindSegmentIndices(session_, set, 0, nullptr, &status_), first));
  EXPECT_TRUE(ZEL_AreSameSegment(ZEL_FindSegment(session_, set, 0, &status_), first));
  EXPECT_TRUE(ZEL_AreSameSegment(ZEL_GetSegment(session_, set, 1, &status_), second));
  ZEL_GetSegment(session_, set, 2, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetSegment: Index of a segment is out of range.");
  EXPECT_EQ(ZEL_GetSegmentIndex(session_, second, &status_), 0u);
  ZEL_GetSegmentParameter(session_, second, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetSegmentParameter: Parameter index out of range.");
  ZEL_GetSegmentParameterValueIndex(session_, second, 0, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);

  const unsigned one[1] = {0};
  ZEL_CreateSegment(session_, set, 1, one, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateSegment: Parameter count is incorrect.");
  ZEL_GetSegmentIndexFromParIndices(session_, set, 1, one, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetSegmentIndexFromParIndices: Parameter index count");
  ZEL_FindSegmentIndices(session_, set, 1, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
}

TEST_F(SegmentTest, EmptyEntriesAndParametersWithoutValuesAreRefused) {
  zel_container_t c = CreateMemory();
  zel_waveformSet_t open = Set(c, "open", 1);
  const unsigned zero[1] = {0};
  ZEL_CreateSegment(session_, open, 1, zero, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateSegment: The waveform set has an empty parameter entry.");
  ZEL_GetMaximumSegmentCount(session_, open, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_FindSegment(session_, open, 0, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  // A segment that exists while its set's entry is empty (as a stored record
  // may have it) answers its parameter questions with a failure, not a crash.
  zel_segment_t segment =
      ZELC_HandleOf<zel_segment_t>(ZELC_Interface::TheInterface().ConvertSessionHandle(session_)->Convert(c),
                                   ObjectOf(session_, open)->Create_Segment_p({0}));
  ZEL_GetSegmentIndex(session_, segment, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_GetSegmentParameter(session_, segment, 0, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);

  zel_parameter_t none = Parameter(c, "temp", Descriptor(c, "temp", "C"));
  zel_waveformSet_t valueless = Set(c, "valueless", 1, &none);
  EXPECT_EQ(ZEL_GetMaximumSegmentCount(session_, valueless, &status_), 0u);
  ZEL_CreateSegmentByIndex(session_, valueless, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateSegmentByIndex: Segment index is out of range.");
  unsigned indices[1] = {9};
  ZEL_GetParameterIndices(session_, valueless, 0, indices, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  EXPECT_EQ(indices[0], 9u);
  ZEL_CreateSegment(session_, valueless, 1, zero, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateSegment: Parameter index is out of range.");
}

TEST_F(SegmentTest, SerialNumbersAreUniqueInTheContainerAndNoFileIsTruncated) {
  zel_container_t c = CreateDisk();
  zel_waveformSet_t a = Set(c, "a");
  zel_waveformSet_t b = Set(c, "b");
  EXPECT_EQ(Of(Segment(a))->Get_SerialNumber(), 0u);
  EXPECT_EQ(Of(Segment(b))->Get_SerialNumber(), 1u);
  EXPECT_EQ(Of(Segment(a))->Get_SerialNumber(), 2u);
  for (const char* file : {"segment_0_0.data", "segment_1_0.data", "segment_2_0.data"}) {
    EXPECT_TRUE(zeltest::ReadFileBytes(VersionFile(file)).empty()) << file;
  }
  Close(c);
  for (const char* file : {"segment_0_0.org", "segment_1_0.org"}) {
    EXPECT_TRUE(ZELI_OS_Exists(VersionFile(file).c_str())) << file;
  }
  // A store's first record names map number 0.
  EXPECT_EQ(MapOf(VersionFile("segment_0_0.org")), VersionFile("segment_0_0_0.map"));
  EXPECT_TRUE(ZELI_OS_Exists(VersionFile("segment_0_0_0.map").c_str()));
  // Data of segment 1 that a new segment must not truncate.
  const std::vector<unsigned char> data(4096, 0xAB);
  zeltest::WriteFileBytes(VersionFile("segment_1_0.data"), data);
  // A file a crashed writer left: the segment that would use it fails and
  // spends its serial number; the next one gets a fresh one.
  zeltest::WriteFileBytes(VersionFile("segment_3_0.data"), {1, 2, 3});

  c = Open(ZEL_IOMODE_WRITE);
  b = ZEL_FindWaveformSet(session_, c, "b", &status_);
  ZEL_CreateSegment(session_, b, 0, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
  EXPECT_NE(std::string(ZEL_GetError()).find("Segment data file exists already"), std::string::npos);
  zel_segment_t fresh = Segment(b);
  EXPECT_EQ(Of(fresh)->Get_SerialNumber(), 4u);
  EXPECT_EQ(ZEL_AddSegmentDataStore(session_, fresh, &status_), 1u);
  EXPECT_TRUE(Exists("run_zel/version_0/segment_4_1.data"));
  Close(c);
  EXPECT_EQ(zeltest::ReadFileBytes(VersionFile("segment_1_0.data")), data);
  EXPECT_EQ(zeltest::ReadFileBytes(VersionFile("segment_3_0.data")), (std::vector<unsigned char>{1, 2, 3}));
  EXPECT_TRUE(ZELI_OS_Exists(VersionFile("segment_4_1.org").c_str()));
  EXPECT_TRUE(ZELI_OS_Exists(MapOf(VersionFile("segment_4_1.org")).c_str()));

  // The newer-data check walks the first set's serial numbers.
  c = Open(ZEL_IOMODE_READ);
  int64_t time = 1;
  EXPECT_FALSE(ZEL_IsSegDataLatest(session_, c, &time, &status_));
  Close(c);
}

TEST_F(SegmentTest, OpenCountAndModeArePerDataStore) {
  zel_container_t c = CreateDisk();
  zel_waveformSet_t set = Set(c, "tran");
  zel_segment_t handle = Segment(set);
  ZELI_Segment* segment = Of(handle);
  // Garbage collection keeps a segment not yet written.
  EXPECT_EQ(InFrame([&] { ObjectOf(session_, c)->GarbageCollect(); }), ZEL_OK);
  EXPECT_EQ(ZEL_GetSegmentCount(session_, set, &status_), 1u);
  EXPECT_TRUE(Exists("run_zel/version_0/segment_0_0.data"));
  EXPECT_EQ(ZEL_AddSegmentDataStore(session_, handle, &status_), 1u);
  EXPECT_EQ(ZEL_GetSegmentDataStoreCount(session_, handle, &status_), 2u);

  segment->OpenMemoryFile(0, ZEL_IOMODE_READ);
  segment->OpenMemoryFile(0, ZEL_IOMODE_READ);
  segment->CloseMemoryFile(0);
  EXPECT_TRUE(segment->IsDataStoreOpen(0));
  EXPECT_TRUE(segment->Get_MemoryFile_p(0)->IsOpen());
  EXPECT_EQ(InFrame([&] { segment->OpenMemoryFile(0, ZEL_IOMODE_WRITE); }), ZEL_FAILED);
  EXPECT_STREQ(ZEL_GetError(), "test: Segment re-opened with incompatible mode");
  // A second store opens on its own, in its own mode.
  segment->OpenMemoryFile(1, ZEL_IOMODE_WRITE);
  EXPECT_TRUE(segment->Get_MemoryFile_p(1)->IsOpen());
  EXPECT_EQ(InFrame([&] { segment->CheckDataStore(2); }), ZEL_BAD_ARG);
  EXPECT_STREQ(ZEL_GetError(), "test: DataStore index is invalid.");

  // Nothing is written while a store is open.
  ZEL_CloseContainer(session_, c, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_CloseContainer: Writing an open segment");
  EXPECT_EQ(InFrame([&] { segment->CollectGarbage(); }), ZEL_FAILED);
  EXPECT_STREQ(ZEL_GetError(), "test: Cannot collect garbage in an open segment");
  segment->CloseMemoryFile(1);
  EXPECT_FALSE(segment->Get_MemoryFile_p(1)->IsOpen());
  segment->AllCloseMemoryFile();
  EXPECT_FALSE(segment->IsOpen());
  EXPECT_EQ(InFrame([&] { segment->CloseMemoryFile(0); }), ZEL_FAILED);
  Close(c);
}

// Records which files are synced, by name: "fsync name" or "write-out name".
class SyncRecorder final : public zeltest::ForwardingFileSystem {
 public:
  explicit SyncRecorder(bool renameFollowsData) : follows_(renameFollowsData) {}
  int Open(const char* path, int flags, mode_t mode) override {
    const int fd = ForwardingFileSystem::Open(path, flags, mode);
    if (fd >= 0) names_[fd] = std::string(path).substr(std::string(path).rfind('/') + 1);
    return fd;
  }
  int Close(int fd) override {
    names_.erase(fd);
    return ForwardingFileSystem::Close(fd);
  }
  int Fsync(int fd) override {
    synced.push_back("fsync " + names_[fd]);
    return ForwardingFileSystem::Fsync(fd);
  }
  int WriteOut(int fd) override {
    synced.push_back("write-out " + names_[fd]);
    return ForwardingFileSystem::WriteOut(fd);
  }
  bool RenameFollowsData(const char*) override { return follows_; }
  bool Synced(const std::string& what) const { return std::count(synced.begin(), synced.end(), what) > 0; }
  std::vector<std::string> synced;

 private:
  bool follows_;
  std::map<int, std::string> names_;
};

// Committing data of a store whose structure is unchanged appends page-map
// triples to the map file and leaves the record alone; it needs no open
// store (the last close wrote the pages back). A structure commit takes the
// pages into the record and empties the map. Each returns with the data
// file's new pages on the disk, whether the writer still holds the store
// open or has closed it (the close syncs nothing), and with the map or
// record that makes them visible.
TEST_F(SegmentTest, CommitsWriteTheMapOrTheRecordAndMakeTheDataFileDurable) {
  for (bool follows : {true, false}) {
    SCOPED_TRACE(follows ? "rename follows data" : "unknown file system");
    zel_container_t c = CreateDisk();
    zel_segment_t handle = Segment(Set(c, "tran"));
    ZELI_Segment* segment = Of(handle);
    ZEL_CommitDataStoreStructure(session_, handle, 0, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
    EXPECT_FALSE(segment->IsDataStoreDirty(0));
    const std::string record = VersionFile("segment_0_0.org");
    const std::vector<unsigned char> recordBytes = Bytes(record);
    const std::string map = MapOf(record);
    const std::string mapName = map.substr(map.rfind('/') + 1);
    EXPECT_TRUE(Bytes(map).empty());
    std::unique_ptr<ZELI_MemoryArray> array = AddArray(segment);
    // Appends to the store (closing it first when asked) and commits it
    // under a recorder, which the caller checks.
    auto commit = [&](SyncRecorder& recorder, bool close, bool structure) {
      ZELI_ScopedFileSystem scope(&recorder);
      segment->OpenMemoryFile(0, ZEL_IOMODE_WRITE);
      AppendBytes(segment, *array);
      if (close) segment->CloseMemoryFile(0);
      EXPECT_TRUE(recorder.synced.empty());
      if (structure) segment->Set_DataStoreDirty(0);
      ZEL_CommitWaveformData(session_, handle, 0, &status_);
      EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    };
    const std::vector<std::string> dataAndMap = {"fsync segment_0_0.data", "fsync " + mapName};
    size_t mapSize = 0;
    {
      SCOPED_TRACE("closed store, incremental map");
      SyncRecorder recorder(follows);
      commit(recorder, true, false);
      EXPECT_EQ(recorder.synced, dataAndMap);
      mapSize = Bytes(map).size();
      EXPECT_GT(mapSize, 0u);
      EXPECT_EQ(mapSize % 12, 0u);
      EXPECT_EQ(Bytes(record), recordBytes);
      EXPECT_FALSE(segment->IsPointCountDirty(0));
    }
    {
      SCOPED_TRACE("open store, incremental map; nothing new, nothing synced");
      SyncRecorder recorder(follows);
      commit(recorder, false, false);
      EXPECT_EQ(recorder.synced, dataAndMap);
      EXPECT_GT(Bytes(map).size(), mapSize);
      EXPECT_EQ(Bytes(record), recordBytes);
      EXPECT_GE(Bytes(VersionFile("segment_0_0.data")).size(), 8192u);  // the open store's pages went first
      recorder.synced.clear();
      ZELI_ScopedFileSystem scope(&recorder);
      ZEL_CommitWaveformData(session_, handle, 0, &status_);
      EXPECT_EQ(recorder.synced, std::vector<std::string>{});
      segment->CloseMemoryFile(0);
    }
    {
      SCOPED_TRACE("closed store, full record");
      SyncRecorder recorder(follows);
      commit(recorder, true, true);
      // Where the journal orders renames after data, the record's directory
      // sync commits the written-out pages with it.
      ASSERT_FALSE(recorder.synced.empty());
      EXPECT_EQ(recorder.synced.front(), (follows ? "write-out " : "fsync ") + std::string("segment_0_0.data"));
      EXPECT_TRUE(recorder.Synced(follows ? "write-out segment_0_0.org.tmp." + std::to_string(getpid())
                                          : "fsync segment_0_0.org.tmp." + std::to_string(getpid())));
      EXPECT_FALSE(segment->Get_MemoryFile_p(0)->HasUnsyncedData());
      EXPECT_NE(Bytes(record), recordBytes);
      EXPECT_TRUE(Bytes(map).empty());
    }
    array.reset();
    Close(c);
    c = Open(ZEL_IOMODE_READ);
    ZELI_Segment* read = Of(ZEL_GetSegment(session_, ZEL_FindWaveformSet(session_, c, "tran", &status_), 0, &status_));
    EXPECT_GE(read->Get_MemoryFile_p(0)->Get_PageCount(), 3u);
    Close(c);
    // Reopened for writing, with writing over: nothing is open to flush.
    c = Open(ZEL_IOMODE_WRITE);
    handle = ZEL_GetSegment(session_, ZEL_FindWaveformSet(session_, c, "tran", &status_), 0, &status_);
    Of(handle)->Set_PointCountDirty(0);
    ZEL_CommitWaveformData(session_, handle, 0, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    Close(c);
    ZEL_DeleteContainer(name_.c_str(), &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
}

TEST_F(SegmentTest, CommitsNeedAContainerOpenForWriting) {
  zel_container_t c = CreateDisk();
  Segment(Set(c, "tran"));
  Close(c);
  c = Open(ZEL_IOMODE_READ);
  zel_waveformSet_t set = ZEL_FindWaveformSet(session_, c, "tran", &status_);
  zel_segment_t segment = ZEL_GetSegment(session_, set, 0, &status_);
  const std::vector<unsigned char> record = Bytes(VersionFile("segment_0_0.org"));
  ZEL_CommitDataStoreStructure(session_, segment, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_CommitDataStoreStructure: The container is not open for writing.");
  ZEL_CommitWaveformData(session_, segment, 0, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
  ZEL_CommitWaveformData(session_, segment, 1, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CommitWaveformData: DataStore index is invalid.");
  // A reader creates no files in the writer's directory.
  ZEL_CreateSegment(session_, set, 0, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
  ZEL_AddSegmentDataStore(session_, segment, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
  EXPECT_FALSE(Exists("run_zel/version_0/segment_1_0.data"));
  EXPECT_FALSE(Exists("run_zel/version_0/segment_0_1.data"));
  EXPECT_EQ(InFrame([&] { Of(segment)->OpenMemoryFile(0, ZEL_IOMODE_WRITE); }), ZEL_FAILED);
  Close(c);
  EXPECT_EQ(Bytes(VersionFile("segment_0_0.org")), record);

  // In memory, commits do nothing and succeed.
  zel_container_t m = CreateMemory();
  zel_segment_t inMemory = Segment(Set(m, "tran"));
  ZEL_CommitDataStoreStructure(session_, inMemory, 0, &status_);
  EXPECT_EQ(status_, ZEL_OK);
  ZEL_CommitWaveformData(session_, inMemory, 0, &status_);
  EXPECT_EQ(status_, ZEL_OK);
}

// What a create, a commit and a close wait for. Where renames follow data,
// the create waits for nothing: its first commit's one directory sync makes
// it durable with the commit's files, the structure's write overlapping the
// store's. A close still makes the writer's removal durable, after a commit
// too: a writer left in the table would bar every later writer. Elsewhere
// every step syncs what it wrote.
TEST_F(SegmentTest, ACreateWaitsForNoDiskWhereRenamesFollowDataAndItsFirstCommitMakesItDurable) {
  const std::string pid = std::to_string(getpid());
  for (bool follows : {true, false}) {
    SCOPED_TRACE(follows ? "rename follows data" : "unknown file system");
    SyncRecorder recorder(follows);
    ZELI_ScopedFileSystem scope(&recorder);
    zel_container_t c = CreateDisk();
    EXPECT_EQ(recorder.synced.empty(), follows);
    zel_segment_t handle = Segment(Set(c, "tran"));
    recorder.synced.clear();
    ZEL_CommitDataStoreStructure(session_, handle, 0, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
    EXPECT_TRUE(recorder.Synced((follows ? "write-out structure.data.tmp." : "fsync structure.data.tmp.") + pid));
    EXPECT_EQ(std::count(recorder.synced.begin(), recorder.synced.end(), "fsync "), follows ? 1 : 3);
    recorder.synced.clear();
    Close(c);
    EXPECT_TRUE(recorder.Synced((follows ? "write-out version.toc.tmp." : "fsync version.toc.tmp.") + pid));
    EXPECT_TRUE(recorder.Synced("fsync "));
    // The writer is gone from the table: a new writer is welcome.
    c = Open(ZEL_IOMODE_WRITE);
    Segment(ZEL_FindWaveformSet(session_, c, "tran", &status_));
    Close(c);
    c = Open(ZEL_IOMODE_READ);
    EXPECT_EQ(ZEL_GetSegmentCount(session_, ZEL_FindWaveformSet(session_, c, "tran", &status_), &status_), 2u);
    Close(c);
    ZEL_DeleteContainer(name_.c_str(), &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
}

// Opened without data stores: the stores stay on disk untouched, cannot be
// used, and garbage collection leaves their segments alone.
TEST_F(SegmentTest, StoresThatWereNotLoadedAreLeftAlone) {
  zel_container_t c = CreateDisk();
  zel_segment_t segment = Segment(Set(c, "tran"));
  ZEL_AddSegmentDataStore(session_, segment, &status_);
  Close(c);
  const std::vector<unsigned char> record = Bytes(VersionFile("segment_0_1.org"));

  c = Open(ZEL_IOMODE_WRITE_STRUCTURE);
  zel_waveformSet_t set = ZEL_FindWaveformSet(session_, c, "tran", &status_);
  segment = ZEL_GetSegment(session_, set, 0, &status_);
  EXPECT_EQ(ZEL_GetSegmentDataStoreCount(session_, segment, &status_), 2u);
  EXPECT_FALSE(Of(segment)->IsDataStoreLoaded(1));
  ZEL_CommitDataStoreStructure(session_, segment, 1, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_CommitDataStoreStructure: Data store is not loaded.");
  EXPECT_EQ(InFrame([&] { Of(segment)->OpenMemoryFile(0, ZEL_IOMODE_WRITE); }), ZEL_FAILED);
  EXPECT_EQ(InFrame([&] { ObjectOf(session_, c)->GarbageCollect(); }), ZEL_OK);
  EXPECT_EQ(ZEL_GetSegmentCount(session_, set, &status_), 1u);
  // A new store of the old segment and a new segment are usable.
  EXPECT_EQ(ZEL_AddSegmentDataStore(session_, segment, &status_), 2u);
  EXPECT_EQ(Of(Segment(set))->Get_SerialNumber(), 1u);
  Close(c);
  EXPECT_EQ(Bytes(VersionFile("segment_0_1.org")), record);

  // Everything reads back for a reader, in another process too.
  EXPECT_EQ(zeltest::RunInChild([&] {
              zel_status_t st;
              zel_session_t s = ZEL_InitSession(&st);
              zel_container_t r = ZEL_OpenContainer(s, name_.c_str(), ZEL_IOMODE_READ, &st);
              if (st != ZEL_OK) return 1;
              zel_waveformSet_t w = ZEL_FindWaveformSet(s, r, "tran", &st);
              zel_segment_t first = ZEL_GetSegment(s, w, 0, &st);
              const bool good = ZEL_GetSegmentCount(s, w, &st) == 2 &&
                                ZEL_GetSegmentDataStoreCount(s, first, &st) == 3 &&
                                zeltest::ObjectOf(s, first)->IsDataStoreLoaded(2);
              ZEL_CloseContainer(s, r, &st);
              ZEL_TermSession(s, &st);
              return good ? 0 : 2;
            }),
            0);
}

TEST_F(SegmentTest, LocatorAndDebugDump) {
  zel_container_t c = CreateMemory();
  zel_segment_t handle = Segment(Set(c, "tran"));
  ZELI_Segment* segment = Of(handle);
  segment->RegisterWaveform(3, 0, 1, 2);
  EXPECT_EQ(InFrame([&] { segment->RegisterWaveform(3, 0, 0, 0); }), ZEL_DUPLICATE);
  EXPECT_STREQ(ZEL_GetError(), "test: Waveform is already in the segment.");
  ZELI_WaveformDataLocation location;
  EXPECT_TRUE(segment->Get_WaveformLocation(3, location));
  EXPECT_EQ(location.position, 2u);
  std::ostringstream dump;
  segment->Debug(dump);
  const std::string text = dump.str();
  EXPECT_EQ(text.rfind("===========================\nSegment serial # 0\n===========================\nKey = ", 0), 0u);
  EXPECT_NE(text.find("\n_dataStoreCount  1\n_sharedXSetCount 0\nparameterCount   0\n"), std::string::npos);
  EXPECT_NE(text.find("----------------------\nDataStore # 0\n----------------------\n_dataStoreDirty       1\n"),
            std::string::npos);
  EXPECT_NE(text.find("\nmemoryFile         0x"), std::string::npos);
  // A writer's shared X set is dumped with its store.
  ZEL_CreateWriter(session_, handle, 0, ZEL_STORAGE_ANALOG, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  std::ostringstream withSet;
  segment->Debug(withSet);
  EXPECT_NE(withSet.str().find("\n--------------------\nSharedXSet # 0, Key = "), std::string::npos);
  segment->UnregisterWaveform(3);
  EXPECT_FALSE(segment->Get_WaveformLocation(3, location));
  EXPECT_EQ(InFrame([&] { segment->UnregisterWaveform(3); }), ZEL_FAILED);
  EXPECT_STREQ(ZEL_GetError(), "test: Waveform is not in the segment.");
}

}  // namespace

namespace {

class SegmentRecordTest : public SegmentTest {
 protected:
  static constexpr unsigned Serial = 0xABCDE0;  // easy to find in the structure file

  // A container with one set, one segment of serial Serial with two stores,
  // closed. Returns the structure file's bytes.
  std::vector<unsigned char> Build() {
    zel_container_t c = CreateDisk();
    zel_waveformSet_t set = Set(c, "tran");
    ZEL_SetWaveformSetAttribute(session_, set, "tool", "sim", &status_);
    ObjectOf(session_, c)->Note_SegmentSerial(Serial - 1);
    ZEL_AddSegmentDataStore(session_, Segment(set), &status_);
    Close(c);
    return Bytes(VersionFile("structure.data"));
  }
  // Opens for reading and closes what opened; returns the status of the
  // open or, when it opened, of using the first stores of its segment (a
  // damaged store fails only there).
  zel_status_t TryOpen(unsigned stores = 0) {
    zel_status_t st;
    zel_container_t c = ZEL_OpenContainer(session_, name_.c_str(), ZEL_IOMODE_READ, &st);
    if (st != ZEL_OK) return st;
    zel_segment_t segment = ZEL_GetSegment(session_, ZEL_FindWaveformSet(session_, c, "tran", &st), 0, &st);
    st = InFrame([&] {
      for (unsigned store = 0; store < stores; ++store) Of(segment)->Get_MemoryFile_p(store);
    });
    ZEL_CloseContainer(session_, c, &status_);
    return st;
  }
  std::string SegmentFile(const char* suffix) const {
    return VersionFile("segment_" + std::to_string(Serial) + suffix);
  }
  static size_t Find(const std::vector<unsigned char>& bytes, unsigned value) {
    for (size_t i = 0; i + 4 <= bytes.size(); ++i) {
      if (bytes[i] == (value & 0xFF) && bytes[i + 1] == ((value >> 8) & 0xFF) &&
          bytes[i + 2] == ((value >> 16) & 0xFF) && bytes[i + 3] == (value >> 24)) {
        return i;
      }
    }
    return std::string::npos;
  }
  static void Put(std::vector<unsigned char>& bytes, size_t at, unsigned value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
  }
};

// The segment record's fields after the serial number: store count,
// shared X set count, located waveforms, (identifiers), key.
TEST_F(SegmentRecordTest, DamagedSegmentFieldsAreRefusedByName) {
  const std::vector<unsigned char> good = Build();
  const size_t at = Find(good, Serial);
  ASSERT_NE(at, std::string::npos);
  ASSERT_EQ(TryOpen(), ZEL_OK) << ZEL_GetError();
  struct Case {
    size_t offset;
    unsigned value;
    const char* message;
  };
  const Case cases[] = {
      {0, 0x80000000u, "ZEL_OpenContainer: ZELI_Segment::Read: serial number"},
      {4, 0, "ZEL_OpenContainer: ZELI_Segment::Read: data store count"},
      {4, 5000, "ZEL_OpenContainer: ZELI_Segment::Read: data store count"},
      {12, 1, "ZEL_OpenContainer: ZELI_Segment::Read: waveform location"},
      {12, 0x10000000u, "ZEL_OpenContainer: End of file"},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> bad = good;
    Put(bad, at + c.offset, c.value);
    zeltest::WriteFileBytes(VersionFile("structure.data"), bad);
    EXPECT_EQ(TryOpen(), ZEL_FAILED) << c.offset;
    EXPECT_STREQ(ZEL_GetError(), c.message);
  }
  zeltest::WriteFileBytes(VersionFile("structure.data"), good);
  EXPECT_EQ(TryOpen(), ZEL_OK);
}

// Every single damaged byte and every truncation of the waveform-set
// record (the end of the structure file) and of a store's record ends in a
// status, never a crash; the intact files open again afterwards.
TEST_F(SegmentRecordTest, EveryFlippedByteOrTruncationFailsCleanly) {
  const std::vector<unsigned char> structure = Build();
  const std::string record = SegmentFile("_1.org");
  const std::vector<unsigned char> org = Bytes(record);
  ASSERT_FALSE(org.empty());
  // The set record starts with its name: length 4, "tran", NUL.
  const std::vector<unsigned char> name = {4, 0, 0, 0, 't', 'r', 'a', 'n', 0};
  const size_t setRecord =
      std::search(structure.begin(), structure.end(), name.begin(), name.end()) - structure.begin();
  ASSERT_LT(setRecord, structure.size());
  auto torture = [&](const std::string& path, const std::vector<unsigned char>& bytes, size_t from) {
    for (size_t i = from; i < bytes.size(); ++i) {
      std::vector<unsigned char> bad = bytes;
      bad[i] ^= 0xFF;
      zeltest::WriteFileBytes(path, bad);
      TryOpen(2);
      zeltest::WriteFileBytes(path, std::vector<unsigned char>(bytes.begin(), bytes.begin() + i));
      EXPECT_NE(TryOpen(2), ZEL_OK) << path << " cut at " << i;
    }
    zeltest::WriteFileBytes(path, bytes);
  };
  torture(VersionFile("structure.data"), structure, setRecord);
  torture(record, org, 0);
  EXPECT_EQ(TryOpen(2), ZEL_OK) << ZEL_GetError();
}

// A damaged store opens as DAMAGED: its uses fail with what reading found,
// prefixed with the file's name, and the other store is used as usual.
TEST_F(SegmentRecordTest, DataStoreRecordsAndMapsAreChecked) {
  Build();
  const std::string record = SegmentFile("_0.org");
  const std::vector<unsigned char> org = Bytes(record);
  // map number, key map (1 slot, no free, 1 live), memory file (page size,
  // no pages, key 0), shared X set count.
  ASSERT_EQ(org.size(), 4u + 12u + 12u + 4u);
  std::vector<unsigned char> bad = org;
  Put(bad, org.size() - 4, 1);
  zeltest::WriteFileBytes(record, bad);
  EXPECT_EQ(TryOpen(), ZEL_OK);
  EXPECT_EQ(TryOpen(2), ZEL_FAILED);
  // A shared X set announced but not there.
  const std::string root = "test: segment_" + std::to_string(Serial) + "_0";
  EXPECT_EQ(ZEL_GetError(), root + ".org: End of file");
  zeltest::WriteFileBytes(record, org);

  // A page-map triple for an array that does not exist. (A record without
  // its map is damage too: ReadBackTest shows it on the read path.)
  const std::string map = MapOf(record);
  const std::string mapName = map.substr(map.rfind('/') + 1);
  zeltest::WriteFileBytes(map, {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0});
  EXPECT_EQ(TryOpen(2), ZEL_FAILED);
  EXPECT_EQ(ZEL_GetError(), "test: " + mapName + ": ZELI_MemoryFile::ReadMap: array");
  // A trailing partial triple (a writer still appending) is left for later.
  zeltest::WriteFileBytes(map, {0, 0, 0});
  EXPECT_EQ(TryOpen(2), ZEL_OK);
  // Without its record a store is absent: the segment reads, the store is
  // empty and unusable.
  ZELI_OS_Unlink(record.c_str());
  zel_container_t c = Open(ZEL_IOMODE_READ);
  zel_segment_t segment = ZEL_GetSegment(session_, ZEL_FindWaveformSet(session_, c, "tran", &status_), 0, &status_);
  EXPECT_FALSE(Of(segment)->IsDataStoreLoaded(0));
  EXPECT_TRUE(Of(segment)->IsDataStoreLoaded(1));
  Close(c);
}

// Each located waveform must be the one its data set holds at the located
// position: two waveforms located in each other's data set leave the store
// DAMAGED, reported at its first use.
TEST_F(SegmentRecordTest, WaveformsLocatedInEachOthersDataSetAreDamage) {
  zel_container_t c = CreateDisk();
  zel_waveformSet_t set = Set(c, "tran");
  ObjectOf(session_, c)->Note_SegmentSerial(Serial - 1);
  zel_segment_t segment = Segment(set);
  zel_dimensionDescriptor_t volt = Descriptor(c, "v", "V");
  zel_writer_t writer = Check(ZEL_CreateWriter(session_, segment, 0, ZEL_STORAGE_ANALOG, &status_));
  ZEL_WfDataWriter* data[2];
  for (ZEL_WfDataWriter*& d : data) {
    d = ZEL_AddWriterWaveform(session_, writer, Check(ZEL_CreateWaveform(session_, set, 0, volt, &status_)), &status_);
  }
  ZEL_InitializeFrontWriting(session_, writer, &status_);
  const double t = 0, v[2] = {1.5, 2.5};
  ZEL_StartDataFront(session_, writer, &t, &status_);
  for (int i = 0; i < 2; ++i) ZEL_WfDataWriterEnterValue(data[i], &v[i], 0, &status_);
  ZEL_EndDataFront(session_, writer, &status_);
  ZEL_TerminateWriting(session_, writer, &status_);
  ZEL_CommitWaveformData(session_, segment, 0, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  Close(c);
  const std::vector<unsigned char> good = Bytes(VersionFile("structure.data"));
  // Serial, store count, shared X set count, located count, then per
  // waveform: key in set, shared X set, data set, position.
  const size_t at = Find(good, Serial);
  ASSERT_NE(at, std::string::npos);
  ASSERT_EQ(Find(std::vector<unsigned char>(good.begin() + at + 12, good.begin() + at + 16), 2), 0u);
  // The writer gave each waveform a data set of its own: swap them.
  ASSERT_EQ(good[at + 24], 0);
  ASSERT_EQ(good[at + 40], 1);
  std::vector<unsigned char> bad = good;
  Put(bad, at + 24, 1);
  Put(bad, at + 40, 0);
  zeltest::WriteFileBytes(VersionFile("structure.data"), bad);
  EXPECT_EQ(TryOpen(1), ZEL_FAILED);
  EXPECT_EQ(ZEL_GetError(),
            "test: segment_" + std::to_string(Serial) + "_0.org: ZELI_Segment::ReadDataStore: waveform location");
  zeltest::WriteFileBytes(VersionFile("structure.data"), good);
  EXPECT_EQ(TryOpen(1), ZEL_OK) << ZEL_GetError();
}

}  // namespace

TEST_F(SegmentTest, SegmentIndicesFollowParameterValuesThroughInsertsAndDeletes) {
  zel_container_t c = CreateDisk();
  zel_dimensionDescriptor_t d = Descriptor(c, "vdd", "V");
  zel_parameter_t params[2] = {Parameter(c, "p", d, {1.0, 2.0, 3.0}), Parameter(c, "q", d, {10, 20, 30, 40})};
  zel_waveformSet_t set = Set(c, "sweep", 2, params);
  EXPECT_EQ(ZEL_GetMaximumSegmentCount(session_, set, &status_), 12u);
  const unsigned at21[2] = {2, 1};
  EXPECT_EQ(ZEL_GetSegmentIndexFromParIndices(session_, set, 2, at21, &status_), 5u);
  unsigned indices[2] = {0, 0};
  ZEL_GetParameterIndices(session_, set, 11, indices, &status_);
  EXPECT_EQ(std::vector<unsigned>(indices, indices + 2), (std::vector<unsigned>{2, 3}));
  ZEL_GetParameterIndices(session_, set, 12, indices, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetParameterIndices: Segment index is out of range.");

  zel_segment_t segment = Check(ZEL_CreateSegment(session_, set, 2, at21, &status_));
  const double zero = 0.5;
  ZEL_InsertParameterValuesBefore(session_, params[0], 0, 1, &zero, nullptr, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(ZEL_GetSegmentParameterValueIndex(session_, segment, 0, &status_), 3u);
  EXPECT_EQ(ZEL_GetSegmentIndex(session_, segment, &status_), 7u);
  double value = 0;
  ZEL_GetSegmentParameterValue(session_, segment, 1, &value, nullptr, &status_);
  EXPECT_EQ(value, 20.0);

  // Deleting the value a segment stands on: its identifier is gone.
  ZEL_DeleteParameterValues(session_, params[1], 1, 1, &status_);
  ZEL_GetSegmentParameterValueIndex(session_, segment, 1, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetSegmentParameterValueIndex: ParId ID is out of range.");
  Close(c);
}
