// Paged memory files and arrays: page geometry and blocks, the cursor and its
// windows, growth rules, string arrays, stored records and page maps, damaged
// input, disk faults, the 32-bit limits, and the cache of cached arrays.
#include "store/memory_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "model/cached_array.h"
#include "store/cache.h"
#include "model/data_information.h"
#include "store/fault_fs.h"
#include "store/keymap.h"
#include "store/memory_array.h"
#include "store/stream.h"
#include "test_support.h"

namespace {

constexpr unsigned kPage = ZELI_MemoryFile::PageSize;
using Map = ZELI_KeyMap<ZELI_InternalBase>;

std::vector<unsigned char> Pattern(size_t n, unsigned seed) {
  std::vector<unsigned char> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<unsigned char>((i * 131 + seed * 7 + (i >> 12)) & 0xFF);
  return bytes;
}

// Builds stored records byte by byte, in either byte order.
struct Bytes {
  std::vector<unsigned char> data;
  bool bigEndian = false;
  Bytes& U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<unsigned char>(v >> (bigEndian ? 24 - 8 * i : 8 * i)));
    return *this;
  }
  Bytes& U16(unsigned v) {
    data.push_back(static_cast<unsigned char>(bigEndian ? v >> 8 : v));
    data.push_back(static_cast<unsigned char>(bigEndian ? v : v >> 8));
    return *this;
  }
  Bytes& U8(unsigned v) {
    data.push_back(static_cast<unsigned char>(v));
    return *this;
  }
  // Key map of a data store holding slots keys (no free slot).
  Bytes& KeyMap(unsigned slots) { return U32(slots).U32(0xFFFFFFFF).U32(slots); }
};

// Expects a ZELI exception of the given status and message from statement.
#define EXPECT_ZELI_THROW(statement, expectedStatus, expectedMessage) \
  do {                                                                \
    try {                                                             \
      statement;                                                      \
      ADD_FAILURE() << "no exception from " #statement;               \
    } catch (const ZELI_Exception& e) {                               \
      EXPECT_EQ(e.status, (expectedStatus)) << e.what();              \
      EXPECT_STREQ(e.what(), (expectedMessage));                      \
    }                                                                 \
  } while (0)

// A data store as the layers above keep it: a key map of internal objects,
// the memory file and its arrays.
struct Store {
  Map map;
  std::unique_ptr<ZELI_MemoryFile> file;
  std::vector<std::unique_ptr<ZELI_MemoryArray>> arrays;

  ZELI_MemoryArray& operator[](size_t i) { return *arrays[i]; }
  ZELI_MemoryArray& AddArray() {
    arrays.push_back(std::make_unique<ZELI_MemoryArray>(file.get()));
    arrays.back()->Set_Key(map.Insert(arrays.back().get()));
    file->Add_MemoryArray_p(arrays.back().get());
    return *arrays.back();
  }
  void Check() const {
    file->CheckInvariants();
    for (const auto& array : arrays) array->CheckInvariants();
  }
};

class MemoryFileTest : public ::testing::Test {
 protected:
  std::string DataPath() const { return dir_ / "store.data"; }
  std::string RecordPath() const { return dir_ / "store.org"; }
  std::string MapPath() const { return dir_ / "store.map"; }

  // A new store; an empty name makes it memory only.
  std::unique_ptr<Store> NewStore(const std::string& dataPath) {
    auto store = std::make_unique<Store>();
    store->file = std::make_unique<ZELI_MemoryFile>(dataPath.c_str());
    store->file->Set_Key(store->map.Insert(store->file.get()));
    return store;
  }

  // Writes key map, file record and array records, as a data store does.
  void SaveRecord(Store& store) {
    ZELI_Ostream out(RecordPath().c_str(), 1);
    out << store.map;
    store.file->Write(out, store.map);
    for (const auto& array : store.arrays) array->Write(out, store.map);
    out.Close();
  }
  void AppendMap(Store& store, bool truncate = false) {
    ZELI_Ostream out(MapPath().c_str(), truncate ? 1 : 0);
    out.Lseek(ZELI_OS_SEEK_END);
    store.file->WriteMap(out);
    out.Close();
  }

  // Reads a record file into fresh objects; throws what the readers throw.
  std::unique_ptr<Store> Load(const std::string& record, size_t arrayCount, unsigned version = 8,
                              bool bigEndian = false) {
    auto store = std::make_unique<Store>();
    ZELI_Istream in(record.c_str(), bigEndian ? 1 : 0, version);
    in >> store->map;
    store->file = std::make_unique<ZELI_MemoryFile>(DataPath().c_str(), in, store->map);
    for (size_t i = 0; i < arrayCount; ++i) {
      store->arrays.push_back(std::make_unique<ZELI_MemoryArray>(store->file.get(), in, store->map));
    }
    store->map.VerifyLoaded();
    return store;
  }

  // Reads what SaveRecord wrote, expecting it whole (and replays the map
  // file when asked).
  std::unique_ptr<Store> LoadStore(size_t arrayCount, bool withMap = false, unsigned version = 8,
                                   bool bigEndian = false) {
    auto store = Load(RecordPath(), arrayCount, version, bigEndian);
    if (withMap) {
      ZELI_Istream mapIn(MapPath().c_str());
      store->file->ReadMap(mapIn);
    }
    store->Check();
    return store;
  }

  // Writes bytes sequentially into a new array of a new data file: one
  // array per pattern, in order; returns the store closed and saved.
  std::unique_ptr<Store> WriteStore(const std::vector<std::vector<unsigned char>>& contents) {
    auto store = NewStore(DataPath());
    store->file->OpenFile(ZEL_IOMODE_WRITE);
    for (const auto& bytes : contents) {
      ZELI_MemoryArray& array = store->AddArray();
      array.Open(ZEL_IOMODE_WRITE);
      array.WriteData(bytes.data(), static_cast<unsigned>(bytes.size()), 1);
      store->Check();
      array.Close();
    }
    store->file->CloseFile();
    SaveRecord(*store);
    return store;
  }

  // A store on the data file, open for writing, with n arrays open for writing.
  std::unique_ptr<Store> WritingStore(size_t n) {
    auto store = NewStore(DataPath());
    store->file->OpenFile(ZEL_IOMODE_WRITE);
    for (size_t i = 0; i < n; ++i) store->AddArray();
    for (auto& array : store->arrays) array->Open(ZEL_IOMODE_WRITE);
    return store;
  }
  void CloseAndSave(Store& store) {
    for (auto& array : store.arrays) {
      if (array->IsOpen()) array->Close();
    }
    store.file->CloseFile();
    SaveRecord(store);
  }
  // What SaveRecord wrote, with the data file and every array open for reading.
  std::unique_ptr<Store> LoadReading(size_t arrayCount, bool withMap = false) {
    auto store = LoadStore(arrayCount, withMap);
    store->file->OpenFile(ZEL_IOMODE_READ);
    for (auto& array : store->arrays) array->Open(ZEL_IOMODE_READ);
    return store;
  }

  std::vector<unsigned char> ReadAll(ZELI_MemoryArray& array) {
    std::vector<unsigned char> bytes(array.Get_Size());
    if (!bytes.empty()) array.ReadData(0, bytes.data(), array.Get_Size(), 1);
    return bytes;
  }

  zeltest::TempDir dir_;
};

// ---- page geometry and blocks ---------------------------------------------------

// x and y written page by page in turn get interleaved pages, which load as
// one block and one read each; z's eight pages follow one another and load
// as one block with one read, one span that one copy reads.
TEST_F(MemoryFileTest, InterleavedPagesLoadAsSeparateBlocksAndAContiguousRunAsOne) {
  auto store = WritingStore(3);
  ZELI_MemoryArray& x = (*store)[0];
  ZELI_MemoryArray& y = (*store)[1];
  const auto px = Pattern(2 * kPage, 2);
  const auto py = Pattern(2 * kPage, 3);
  const auto pz = Pattern(8 * kPage, 4);
  for (unsigned i = 0; i < 2; ++i) {
    x.WriteData(px.data() + i * kPage, kPage, 1);
    y.WriteData(py.data() + i * kPage, kPage, 1);
    store->Check();
  }
  EXPECT_EQ(x.Get_PageList(), (ZELI_PageList{0, 2}));
  EXPECT_EQ(y.Get_PageList(), (ZELI_PageList{1, 3}));
  EXPECT_EQ(store->file->Get_PageMapLog(), (std::vector<unsigned>{0, 0, 1, 1, 1, 2, 0, 2, 3, 1, 3, 4}));
  (*store)[2].WriteData(pz.data(), 8 * kPage, 1);
  CloseAndSave(*store);

  auto loaded = LoadStore(3);
  ZELI_FaultFileSystem fs;
  ZELI_ScopedFileSystem scope(&fs);
  ZELI_MemoryArray& lx = (*loaded)[0];
  ZELI_MemoryArray& ly = (*loaded)[1];
  ZELI_MemoryArray& lz = (*loaded)[2];
  lz.AdviseWillRead(0, 8 * kPage);  // a closed data file takes no hints
  EXPECT_EQ(fs.Get_CallCount(ZELI_FaultFileSystem::ADVISE), 0u);
  loaded->file->OpenFile(ZEL_IOMODE_READ);
  lx.Open(ZEL_IOMODE_READ);
  fs.ResetCounts();
  lx.RandomlyAccess(0, 2 * kPage);
  EXPECT_EQ(loaded->file->Get_BlockCount(), 2u);
  EXPECT_EQ(fs.Get_CallCount(ZELI_FaultFileSystem::READ), 2u);
  EXPECT_EQ(ReadAll(lx), px);
  // Read-ahead hints go out per run of pages neither resident nor past the
  // file: y's pages 1 and 3 are two runs, x's are resident, z's one run.
  ly.AdviseWillRead(0, 2 * kPage);
  lx.AdviseWillRead(0, 2 * kPage);
  ly.AdviseWillRead(2 * kPage, 100);
  ly.AdviseWillRead(0, 0);
  lz.AdviseWillRead(0, 8 * kPage);
  EXPECT_EQ(fs.Get_CallCount(ZELI_FaultFileSystem::ADVISE), 3u);
  lz.Open(ZEL_IOMODE_READ);
  lz.RandomlyAccess(0, 8 * kPage);
  EXPECT_EQ(loaded->file->Get_BlockCount(), 3u);
  EXPECT_EQ(loaded->file->Get_MappedPageCount(), 10u);
  EXPECT_EQ(fs.Get_CallCount(ZELI_FaultFileSystem::READ), 3u);
  lz.Seek(0);
  EXPECT_EQ(lz.Get_AvailableBytes(), 8u * kPage);
  EXPECT_EQ(ReadAll(lz), pz);
  EXPECT_EQ(fs.Get_CallCount(ZELI_FaultFileSystem::READ), 3u);
  // Refused hints change nothing of what is read.
  fs.FailCall(ZELI_FaultFileSystem::ADVISE, 1, EINVAL, /*persistent=*/true);
  ly.AdviseWillRead(0, 2 * kPage);
  ly.Open(ZEL_IOMODE_READ);
  EXPECT_EQ(ReadAll(ly), py);
  loaded->Check();
}

// Without a budget a sequential writer keeps only the page it works on and
// writes back the pages it leaves; a page budget keeps idle pages in memory
// until it is spent.
TEST_F(MemoryFileTest, IdlePagesAreWrittenBackAtOnceOrKeptWithinThePageBudget) {
  auto store = WritingStore(1);
  ZELI_MemoryArray& array = (*store)[0];
  const auto a = Pattern(6 * kPage, 5);
  for (unsigned page = 0; page < 3; ++page) {
    array.WriteData(a.data() + page * kPage, kPage / 2, 1);
    array.WriteData(a.data() + page * kPage + kPage / 2, kPage / 2, 1);
    EXPECT_EQ(store->file->Get_MappedPageCount(), 1u);
    store->Check();
  }
  // Pages the writer left are on disk already; the current one is not.
  auto onDisk = zeltest::ReadFileBytes(DataPath());
  ASSERT_EQ(onDisk.size(), 2u * kPage);
  EXPECT_TRUE(std::equal(onDisk.begin(), onDisk.end(), a.begin()));
  EXPECT_EQ(store->file->Get_MaxMappedPageCount(), 1u);

  // Page 2 falls idle when the writer moves to page 3 and stays in memory;
  // mapping page 4 passes the budget and writes the oldest idle page back.
  store->file->Add_PageBudget(2);
  array.WriteData(a.data() + 3 * kPage, kPage, 1);
  EXPECT_EQ(store->file->Get_BlockCount(), 2u);
  EXPECT_EQ(zeltest::ReadFileBytes(DataPath()).size(), 2u * kPage);
  array.WriteData(a.data() + 4 * kPage, kPage, 1);
  store->Check();
  EXPECT_EQ(zeltest::ReadFileBytes(DataPath()).size(), 3u * kPage);
  EXPECT_EQ(store->file->Get_MappedPageCount(), 2u);
  // Coming back to a resident page reads nothing; budgets given back let
  // the next unmapping write back and release every idle page.
  array.WriteData(3 * kPage, a.data() + 3 * kPage, kPage, 1);
  store->file->Remove_PageBudget(5);
  EXPECT_EQ(store->file->Get_PageLimit(), 0u);
  array.WriteData(5 * kPage, a.data() + 5 * kPage, kPage, 1);
  store->Check();
  EXPECT_EQ(store->file->Get_MappedPageCount(), 1u);
  array.Close();
  EXPECT_EQ(store->file->Get_MappedPageCount(), 0u);
  EXPECT_EQ(store->file->Get_BlockCount(), 0u);
  EXPECT_EQ(zeltest::ReadFileBytes(DataPath()), a);
  store->file->CloseFile();
  store->file->Add_PageBudget(UINT32_MAX);
  store->file->Add_PageBudget(7);
  EXPECT_EQ(store->file->Get_PageLimit(), UINT32_MAX);
}

TEST_F(MemoryFileTest, ReleasedLargeBlocksLendTheirMemoryWithinTheBudget) {
  constexpr unsigned N = ZELI_MemoryFile::MinSparePages;
  const auto a = Pattern(size_t{N} * kPage, 11);
  const auto b = Pattern(size_t{N} * kPage, 12);
  auto store = WritingStore(1);
  ZELI_MemoryFile& file = *store->file;
  ZELI_MemoryArray& array = (*store)[0];
  // Without a budget a released block's memory goes back at once.
  array.RandomlyAccess(0, N * kPage);
  array.WriteData(0, a.data(), N * kPage, 1);
  array.Access(0, 0);
  EXPECT_EQ(file.Get_BlockCount(), 0u);
  EXPECT_EQ(file.Get_SpareCount(), 0u);
  file.Add_PageBudget(N + 8);
  // Within the budget: kept as a spare, and the next window of that size is
  // built in it, zeroed where it lies beyond the file (it held a's bytes).
  array.RandomlyAccess(0, N * kPage);
  array.Access(0, 0);
  file.FreePages(N + 8);
  EXPECT_EQ(file.Get_SpareCount(), 1u);
  EXPECT_EQ(file.Get_SparePages(), uint64_t{N});
  store->Check();
  array.RandomlyAccess(N * kPage, N * kPage);
  EXPECT_EQ(file.Get_SpareCount(), 0u);
  std::vector<unsigned char> fresh(size_t{N} * kPage, 0xEE);
  array.ReadData(N * kPage, fresh.data(), N * kPage, 1);
  EXPECT_EQ(fresh, std::vector<unsigned char>(size_t{N} * kPage, 0));
  array.WriteData(N * kPage, b.data(), N * kPage, 1);
  store->Check();
  // Pages from the file are read into a spare that held other pages; a
  // small block leaves a large spare alone.
  array.Access(0, 0);
  file.FreePages(N + 8);
  ASSERT_EQ(file.Get_SpareCount(), 1u);
  ZELI_MemoryArray& small = store->AddArray();
  small.Open(ZEL_IOMODE_WRITE);
  small.WriteData(a.data(), 10, 1);
  EXPECT_EQ(file.Get_SpareCount(), 1u);
  std::vector<unsigned char> again(size_t{N} * kPage);
  array.RandomlyAccess(0, N * kPage);
  EXPECT_EQ(file.Get_SpareCount(), 0u);
  array.ReadData(0, again.data(), N * kPage, 1);
  EXPECT_EQ(again, a);
  // Spares never outlive the budget nor the open file.
  array.Access(0, 0);
  file.FreePages(N + 8);
  EXPECT_EQ(file.Get_SpareCount(), 1u);
  file.Remove_PageBudget(9);  // a limit of N - 1 pages
  EXPECT_EQ(file.Get_SpareCount(), 0u);
  store->Check();
  file.Add_PageBudget(9);
  array.RandomlyAccess(0, N * kPage);
  array.Access(0, 0);
  file.FreePages(N + 8);
  EXPECT_EQ(file.Get_SpareCount(), 1u);
  small.Close();
  array.Close();
  file.CloseFile();
  EXPECT_EQ(file.Get_SpareCount(), 0u);
  store->Check();
  std::vector<unsigned char> expected = a;
  expected.insert(expected.end(), b.begin(), b.end());
  const auto onDisk = zeltest::ReadFileBytes(DataPath());
  ASSERT_GE(onDisk.size(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), onDisk.begin()));
}

TEST_F(MemoryFileTest, FileAndPageErrorsHaveTheirMessages) {
  auto store = NewStore(DataPath());
  ZELI_MemoryFile& file = *store->file;
  EXPECT_ZELI_THROW(file.FlushFile(), ZEL_FAILED, "Memory file is not open.");
  file.OpenFile(ZEL_IOMODE_READ);
  EXPECT_ZELI_THROW(file.OpenFile(ZEL_IOMODE_READ), ZEL_FAILED, "Memory file is in use.");
  EXPECT_ZELI_THROW(file.FlushFile(), ZEL_FAILED, "Memory file is open for reading.");
  EXPECT_ZELI_THROW(file.AllocateFixedArray(nullptr, 4), ZEL_FAILED,
                    "ZELI_MemoryFile::AllocateFixedArray not implemented");
  EXPECT_ZELI_THROW(file.TEST_MapPages(2, 1), ZEL_BAD_ARG, "endPage < beginPage");
  file.CloseFile();
  file.CloseFile();  // closing twice does nothing

  auto memory = NewStore("");
  ZELI_MemoryArray& array = memory->AddArray();
  array.Open(ZEL_IOMODE_WRITE);
  array.Extend(2 * kPage);
  ZELI_PageList list = array.Get_PageList();
  unsigned before = 0;
  unsigned after = 0;
  EXPECT_ZELI_THROW(memory->file->PageAddress(list, 0, before, after), ZEL_FAILED, "Page is not mapped.");
  EXPECT_ZELI_THROW(memory->file->PageAddress(list, 2, before, after), ZEL_BAD_ARG, "Page index out of range.");
  EXPECT_ZELI_THROW(memory->file->MapArrayPages(list, 0, 3), ZEL_BAD_ARG, "Page index out of range.");
  EXPECT_ZELI_THROW(memory->file->UnmapArrayPages(list, 0, 1), ZEL_BAD_ARG, "Decrement _mappedCount below 0.");
  ZELI_PageList beyond{7};
  EXPECT_ZELI_THROW(memory->file->MapArrayPages(beyond, 0, 1), ZEL_BAD_ARG, "Page index out of range.");
  memory->file->MapArrayPages(list, 0, 2);
  EXPECT_NE(memory->file->PageAddress(list, 1, before, after), nullptr);
  EXPECT_EQ(before, kPage);
  EXPECT_EQ(after, kPage);
  memory->file->UnmapArrayPages(list, 0, 2);
  memory->Check();

  memory->file->TEST_Set_Kind(ZELI_MemoryFile::MAPPED_FILE);
  EXPECT_ZELI_THROW(memory->file->OpenFile(ZEL_IOMODE_READ), ZEL_FAILED, "Mapped file memory file not implemented.");
  memory->file->TEST_Set_Kind(ZELI_MemoryFile::MEMORY_ONLY);
}

// ---- the cursor, spans and windows ------------------------------------------------

class MemoryArrayCursorTest : public MemoryFileTest {
 protected:
  void SetUp() override {
    store_ = NewStore("");
    array_ = &store_->AddArray();
    array_->Open(ZEL_IOMODE_WRITE);
  }
  std::unique_ptr<Store> store_;
  ZELI_MemoryArray* array_ = nullptr;
};

TEST_F(MemoryArrayCursorTest, TransfersCrossPageBoundaries) {
  const auto a = Pattern(10000, 7);
  array_->WriteData(kPage - 6, a.data(), static_cast<unsigned>(a.size()), 1);
  store_->Check();
  EXPECT_EQ(array_->Get_Size(), kPage - 6 + 10000);
  EXPECT_EQ(array_->Get_PageList().size(), 4u);
  std::vector<unsigned char> back(a.size());
  array_->ReadData(kPage - 6, back.data(), static_cast<unsigned>(back.size()), 1);
  EXPECT_EQ(back, a);
  // Elements straddling a page boundary come back whole.
  const double values[3] = {1.5, -2.25, 3.0e300};
  array_->WriteData(2 * kPage - 12, values, 3, sizeof(double));
  double read[3] = {};
  array_->ReadData(2 * kPage - 12, read, 3, sizeof(double));
  EXPECT_EQ(std::memcmp(values, read, sizeof values), 0);
  store_->Check();
}

TEST_F(MemoryArrayCursorTest, SequentialCursorReleasesPagesBehindIt) {
  // Written page by page, each page of this memory-only file is a block of
  // its own, so no span crosses a page boundary; closed, the array leaves
  // its pages in memory, where they are the file.
  const auto a = Pattern(6 * kPage, 9);
  for (unsigned page = 0; page < 6; ++page) array_->WriteData(a.data() + page * kPage, kPage, 1);
  array_->Close();
  EXPECT_EQ(store_->file->Get_MappedPageCount(), 6u);
  EXPECT_EQ(store_->file->Get_FilePageCount(), 6u);
  array_->Open(ZEL_IOMODE_READ);
  std::vector<unsigned char> chunk(2 * kPage);
  for (unsigned step = 0; step < 3; ++step) {
    array_->ReadData(chunk.data(), static_cast<unsigned>(chunk.size()), 1);
    EXPECT_TRUE(std::equal(chunk.begin(), chunk.end(), a.begin() + step * chunk.size()));
    // The transfer pinned two pages and let the first go when it moved on.
    EXPECT_EQ(array_->Get_WindowFirst(), 2 * step + 1) << step;
    EXPECT_EQ(array_->Get_WindowEnd(), 2 * step + 2) << step;
    store_->Check();
  }
}

TEST_F(MemoryArrayCursorTest, AccessMapsExactlyTheRangeAndKeepsItForSeeksAndRandomReads) {
  const auto a = Pattern(8 * kPage, 10);
  array_->WriteData(a.data(), static_cast<unsigned>(a.size()), 1);
  array_->RandomlyAccess(kPage + 10, 2 * kPage);  // positions on pages 1 to 3
  EXPECT_TRUE(array_->IsKeepingWindow());
  EXPECT_EQ(array_->Get_WindowFirst(), 1u);
  EXPECT_EQ(array_->Get_WindowEnd(), 4u);
  // A seek inside the span only moves the address.
  array_->Seek(kPage + 10);
  char* const atStart = array_->Get_Address();
  const uint64_t available = array_->Get_AvailableBytes();
  const unsigned blocks = store_->file->Get_BlockCount();
  array_->Seek(3 * kPage + 5);
  EXPECT_EQ(array_->Get_Address(), atStart + 2 * kPage - 5);
  EXPECT_EQ(array_->Get_AvailableBytes(), available - (2 * kPage - 5));
  EXPECT_EQ(store_->file->Get_BlockCount(), blocks);
  EXPECT_EQ(static_cast<unsigned char>(*array_->Get_Address()), a[3 * kPage + 5]);
  unsigned char byte = 0;
  array_->ReadData(3 * kPage, &byte, 1, 1);
  array_->ReadData(kPage + 10, &byte, 1, 1);  // backwards: the window stays
  EXPECT_EQ(byte, a[kPage + 10]);
  EXPECT_EQ(array_->Get_WindowFirst(), 1u);
  EXPECT_EQ(array_->Get_WindowEnd(), 4u);
  store_->Check();
  array_->Access(5 * kPage, kPage);  // moving the window: pages 1-3 leave, 5 enters
  EXPECT_EQ(array_->Get_WindowFirst(), 5u);
  EXPECT_EQ(array_->Get_WindowEnd(), 6u);
  store_->Check();
  array_->Access(2 * kPage, 5 * kPage);  // overlapping: 2-4 and 6 enter
  EXPECT_EQ(array_->Get_WindowFirst(), 2u);
  EXPECT_EQ(array_->Get_WindowEnd(), 7u);
  store_->Check();
  array_->Access(0, 0);
  EXPECT_EQ(array_->Get_WindowFirst(), array_->Get_WindowEnd());
  EXPECT_FALSE(array_->IsKeepingWindow());
  store_->Check();
  // A range ending beyond the size grows the array.
  array_->Access(8 * kPage - 1, 2);
  EXPECT_EQ(array_->Get_Size(), 8 * kPage + 1);
  EXPECT_EQ(array_->Get_PageList().size(), 9u);
  store_->Check();
}

TEST_F(MemoryArrayCursorTest, GrowthAndResizeRulesAndMessages) {
  EXPECT_EQ(array_->Extend(kPage), 0u);  // a whole page: one page, one triple logged
  EXPECT_EQ(array_->Get_PageList(), (ZELI_PageList{0}));
  EXPECT_ZELI_THROW(array_->Resize(kPage), ZEL_FAILED, "ZELI_MemoryArray::Resize newSize <= size.");
  EXPECT_ZELI_THROW(array_->Resize(50), ZEL_FAILED, "ZELI_MemoryArray::Resize newSize <= size.");
  array_->Seek(5000);  // seeking beyond the size grows it
  EXPECT_EQ(array_->Get_Size(), 5000u);
  EXPECT_EQ(array_->Get_PageList(), (ZELI_PageList{0, 1}));
  EXPECT_EQ(store_->file->Get_PageMapLog(), (std::vector<unsigned>{0, 0, 1, 0, 1, 2}));
  array_->Close();
  EXPECT_ZELI_THROW(array_->Resize(6000), ZEL_FAILED, "ZELI_MemoryArray is not open.");
  EXPECT_ZELI_THROW(array_->Seek(7000), ZEL_FAILED, "ZELI_MemoryArray is not open.");
  EXPECT_ZELI_THROW(array_->Close(), ZEL_FAILED, "ZELI_MemoryArray is not open.");
  array_->Open(ZEL_IOMODE_READ);
  EXPECT_ZELI_THROW(array_->Open(ZEL_IOMODE_READ), ZEL_FAILED, "ZELI_MemoryArray is already open.");
  array_->Resize(2 * kPage);  // within the pages it has: allowed
  EXPECT_ZELI_THROW(array_->Resize(2 * kPage + 1), ZEL_FAILED, "Resize beyond file size when reading.");
  unsigned char byte = 1;
  EXPECT_ZELI_THROW(array_->WriteData(0, &byte, 1, 1), ZEL_FAILED, "ZELI_MemoryArray is open for reading.");
  // The end of a full last page can be addressed but not read.
  array_->Seek(2 * kPage);
  EXPECT_EQ(array_->Get_Address(), nullptr);
  EXPECT_ZELI_THROW(array_->ReadData(&byte, 1, 1), ZEL_FAILED, "Resize beyond file size when reading.");
  EXPECT_EQ(array_->Get_PageList().size(), 2u);
  store_->Check();
}

// ---- string arrays ----------------------------------------------------------------

TEST_F(MemoryFileTest, StringValuesGoThroughTheCompanion) {
  auto store = WritingStore(0);
  ZELI_MemoryArray& main = store->AddArray();
  ZELI_MemoryArray& texts = store->AddArray();
  main.Set_StringArray_p(&texts);
  EXPECT_THROW(texts.Set_StringArray_p(&main), ZELI_BadArgException);  // no cycles
  main.Open(ZEL_IOMODE_WRITE);
  EXPECT_TRUE(texts.IsOpen());  // opened with its chain
  EXPECT_ZELI_THROW(texts.Open(ZEL_IOMODE_WRITE), ZEL_FAILED, "ZELI_MemoryArray is already open.");
  std::string longText(3 * kPage, 'x');
  char* values[4] = {const_cast<char*>("abc"), nullptr, const_cast<char*>(""), longText.data()};
  main.WriteStringData(values, 2, sizeof(char*));
  main.WriteStringData(values + 2, 2, sizeof(char*));
  // Offsets in the main array; length and characters in the companion.
  uint32_t offsets[4] = {};
  main.ReadData(0, offsets, 4, 4);
  EXPECT_EQ(std::vector<uint32_t>(offsets, offsets + 4), (std::vector<uint32_t>{0, 7, 11, 15}));
  unsigned char head[7] = {};
  texts.ReadData(0, head, 7, 1);
  EXPECT_EQ(std::memcmp(head, "\3\0\0\0abc", 7), 0);
  main.Close();
  EXPECT_FALSE(texts.IsOpen());
  CloseAndSave(*store);

  auto loaded = LoadStore(2);
  loaded->file->OpenFile(ZEL_IOMODE_READ);
  (*loaded)[0].Set_StringArray_p(&(*loaded)[1]);
  (*loaded)[0].Open(ZEL_IOMODE_READ);
  char* back[4] = {};
  (*loaded)[0].ReadStringData(0, back, 4, sizeof(char*));
  EXPECT_STREQ(back[0], "abc");
  EXPECT_EQ(back[1], nullptr);
  EXPECT_EQ(back[2], nullptr);  // the empty text reads back as null
  EXPECT_EQ(std::string(back[3]), longText);
  for (char* text : back) std::free(text);
  loaded->Check();
}

// A big-endian container: record, offsets and lengths all big-endian. Of
// the four offsets the last two are damaged: one puts the 4-byte length
// field past the end of the companion's page (texts are bounded by the
// page, not by the array's size), the other names a length that runs past
// it.
TEST_F(MemoryFileTest, StringsOfAFileWithTheOtherByteOrderReadBackAndDamagedOffsetsAreRefused) {
  Bytes good;
  good.bigEndian = true;
  good.KeyMap(3).U32(kPage).U32(2).U8(0).U8(1).U8(0).U8(1).U32(0);
  good.U32(0).U32(0).U32(0).U32(16).U32(1).U32(0).U32(1);  // main: page 0
  good.U32(1).U32(0).U32(0).U32(17).U32(1).U32(1).U32(2);  // texts: page 1
  zeltest::WriteFileBytes(RecordPath(), good.data);
  Bytes data;
  data.bigEndian = true;
  data.U32(0).U32(9).U32(kPage - 3).U32(13);  // "hello", null, then the damaged ones
  data.data.resize(kPage);
  data.U32(5);
  for (char c : std::string("hello")) data.U8(static_cast<unsigned char>(c));
  data.U32(0).U32(0x7FFFFFFF);
  data.data.resize(2 * kPage);
  zeltest::WriteFileBytes(DataPath(), data.data);
  auto loaded = LoadStore(2, false, 8, true);
  ZELI_MemoryArray& main = (*loaded)[0];
  EXPECT_EQ(main.Get_Size(), 16u);
  EXPECT_TRUE(main.Get_ConvertEndianType());
  loaded->file->OpenFile(ZEL_IOMODE_READ);
  main.Set_StringArray_p(&(*loaded)[1]);
  main.Open(ZEL_IOMODE_READ);
  char* back[3] = {};
  main.ReadStringData(0, back, 2, sizeof(char*));
  EXPECT_STREQ(back[0], "hello");
  EXPECT_EQ(back[1], nullptr);
  std::free(back[0]);
  back[0] = nullptr;
  EXPECT_ZELI_THROW(main.ReadStringData(0, back, 3, sizeof(char*)), ZEL_FAILED,
                    "ZELI_MemoryArray::ReadStringData: offset");
  EXPECT_EQ(back[0], nullptr);  // nothing is left to the caller after a failure
  EXPECT_ZELI_THROW(main.ReadStringData(12, back, 1, sizeof(char*)), ZEL_FAILED,
                    "ZELI_MemoryArray::ReadStringData: length");
  loaded->Check();
}

// ---- stored records and the page map ------------------------------------------------

TEST_F(MemoryFileTest, RecordsHaveTheirByteLayoutAndRoundTrip) {
  const auto a = Pattern(kPage + 1, 11);
  const auto b = Pattern(10, 12);
  auto store = WriteStore({a, b});
  const auto bytes = zeltest::ReadFileBytes(RecordPath());
  Bytes expected;
  expected.KeyMap(3);
  expected.U32(kPage).U32(3).U8(0).U8(1).U8(0).U8(1).U8(0).U8(1).U32(0);
  expected.U32(0).U32(0).U32(0).U32(kPage + 1).U32(2).U32(0).U32(1).U32(1);
  expected.U32(1).U32(0).U32(0).U32(10).U32(1).U32(2).U32(2);
  EXPECT_EQ(bytes, expected.data);
  EXPECT_TRUE(store->file->Get_PageMapLog().empty());  // written with the record

  auto loaded = LoadReading(2);
  EXPECT_EQ(loaded->file->Get_Key(), 0);
  EXPECT_EQ(loaded->file->Get_FilePageCount(), 3u);
  EXPECT_EQ(loaded->file->Get_MemoryArray_p(1), loaded->arrays[1].get());
  EXPECT_EQ((*loaded)[0].Get_PageList(), (ZELI_PageList{0, 1}));
  EXPECT_EQ((*loaded)[1].Get_Key(), 2);
  EXPECT_EQ(ReadAll((*loaded)[0]), a);
  EXPECT_EQ(ReadAll((*loaded)[1]), b);
  loaded->Check();
}

TEST_F(MemoryFileTest, PageRecordsStartUnmappedAndOldRecordsRead) {
  // A record written while an array maps a page stores mapped count 1.
  auto store = WritingStore(1);
  (*store)[0].WriteData(Pattern(kPage, 13).data(), kPage, 1);
  store->file->FlushFile();
  SaveRecord(*store);
  EXPECT_EQ(zeltest::ReadFileBytes(RecordPath())[12 + 8], 1);
  auto loaded = LoadStore(1);
  EXPECT_EQ(loaded->file->Get_Page(0).mappedCount, 0);

  // Version 5: page records carry a 4-byte field and the used size; arrays
  // carry no index and receive one when registered.
  Bytes old;
  old.KeyMap(3).U32(kPage).U32(2);
  old.U32(0xDEADBEEF).U16(kPage).U8(3).U8(1).U32(7).U16(100).U8(0).U8(1).U32(0);
  old.U32(0).U32(0).U32(5).U32(1).U32(1).U32(1);
  old.U32(0).U32(0).U32(5).U32(1).U32(0).U32(2);
  zeltest::WriteFileBytes(RecordPath(), old.data);
  auto fromOld = LoadStore(2, false, 5);
  EXPECT_EQ(fromOld->file->Get_Page(0).mappedCount, 0);
  EXPECT_EQ(fromOld->file->Get_Page(1).usedSize, 100);
  EXPECT_EQ((*fromOld)[0].Get_IndexInFile(), 0);
  EXPECT_EQ((*fromOld)[1].Get_IndexInFile(), 1);
  EXPECT_EQ((*fromOld)[0].Get_PageList(), (ZELI_PageList{1}));
}

TEST_F(MemoryFileTest, PageMapReplaysPagesAppendedAfterTheRecord) {
  auto store = WritingStore(2);
  ZELI_MemoryArray& x = (*store)[0];
  ZELI_MemoryArray& y = (*store)[1];
  const auto px = Pattern(5 * kPage, 14);
  const auto py = Pattern(3 * kPage, 15);
  x.WriteData(px.data(), 2 * kPage, 1);
  store->file->FlushFile();
  x.Close();
  y.Close();
  SaveRecord(*store);  // x: pages 0, 1; y: none
  AppendMap(*store, true);
  x.Open(ZEL_IOMODE_WRITE);
  y.Open(ZEL_IOMODE_WRITE);
  x.Seek(2 * kPage);
  for (unsigned i = 0; i < 3; ++i) {
    x.WriteData(px.data() + (2 + i) * kPage, kPage, 1);
    y.WriteData(i * kPage, py.data() + i * kPage, kPage, 1);
  }
  x.Close();
  store->file->FlushFile();
  AppendMap(*store);
  EXPECT_TRUE(store->file->Get_PageMapLog().empty());

  // A reader that loaded the old record catches up through the map.
  auto loaded = LoadReading(2, true);
  EXPECT_EQ(loaded->file->Get_PageCount(), 8u);
  EXPECT_EQ(loaded->file->Get_FilePageCount(), 8u);
  EXPECT_EQ((*loaded)[0].Get_PageList(), (ZELI_PageList{0, 1, 2, 4, 6}));
  EXPECT_EQ((*loaded)[1].Get_PageList(), (ZELI_PageList{3, 5, 7}));
  (*loaded)[0].Resize(5 * kPage);  // the sizes come with the point counts
  EXPECT_EQ(ReadAll((*loaded)[0]), px);
  loaded->Check();
  store->file->CloseFile();
}

// Pages replayed from the map: an incomplete trailing triple is not there
// yet. Of the three pages the data file holds one and 100 bytes (cut
// short, or never written back): reading beyond its end is a damaged file;
// a direct read needs only the bytes it asks for. The writer, whose pages
// are only in memory, cannot write its record yet.
TEST_F(MemoryFileTest, ReplayedPagesNeedWholeTriplesAndTheBytesOfTheDataFile) {
  auto store = WritingStore(1);
  SaveRecord(*store);
  (*store)[0].Resize(kPage);  // two triples logged, never written back
  (*store)[0].Resize(3 * kPage);
  AppendMap(*store, true);
  const auto map = zeltest::ReadFileBytes(MapPath());
  ASSERT_EQ(map.size(), 24u);
  for (size_t cut : {size_t{13}, size_t{16}, size_t{23}}) {
    zeltest::WriteFileBytes(MapPath(), std::vector<unsigned char>(map.begin(), map.begin() + cut));
    auto loaded = LoadStore(1, true);
    EXPECT_EQ(loaded->file->Get_PageCount(), 1u) << cut;
    EXPECT_EQ((*loaded)[0].Get_PageList(), (ZELI_PageList{0}));
  }
  zeltest::WriteFileBytes(MapPath(), map);
  const auto bytes = Pattern(kPage + 100, 17);
  zeltest::WriteFileBytes(DataPath(), bytes);
  auto loaded = LoadReading(1, true);
  EXPECT_EQ(loaded->file->Get_FilePageCount(), 3u);
  ZELI_MemoryArray& array = (*loaded)[0];
  array.Resize(3 * kPage);
  unsigned char byte = 0;
  array.ReadData(kPage - 1, &byte, 1, 1);
  EXPECT_EQ(byte, bytes[kPage - 1]);
  EXPECT_ZELI_THROW(array.ReadData(kPage, &byte, 1, 1), ZEL_FAILED, "Corrupted data file.");
  array.ReadDirect(kPage + 99, &byte, 1, 1);
  EXPECT_EQ(byte, bytes[kPage + 99]);
  EXPECT_ZELI_THROW(array.ReadDirect(kPage + 100, &byte, 1, 1), ZEL_FAILED, "Corrupted data file.");
  // Readers sizing memory by the page list ask first: the data file holds
  // the start of two of the three pages (the second is cut, and reads of
  // its first 100 bytes succeed), none of the third.
  EXPECT_EQ(loaded->file->ReadablePageCount(array.Get_PageList(), 0, 3), 2u);
  EXPECT_NO_THROW(array.RequireReadable(kPage - 1, 2));
  EXPECT_ZELI_THROW(array.RequireReadable(0, 2 * uint64_t{kPage} + 1), ZEL_FAILED, "Corrupted data file.");
  EXPECT_ZELI_THROW(array.RequireReadable(0, 4 * uint64_t{kPage}), ZEL_FAILED, "Corrupted data file.");
  loaded->Check();
  ZELI_Ostream out((dir_ / "early.org").c_str(), 1);
  EXPECT_ZELI_THROW(store->file->Write(out, store->map), ZEL_FAILED, "ZELI_MemoryFile::Write: page count");
}

TEST_F(MemoryFileTest, DumpPagesPrintsOneLinePerPage) {
  Bytes record;
  record.KeyMap(1).U32(kPage).U32(2).U8(0).U8(1).U8(0).U8(0).U32(0);
  zeltest::WriteFileBytes(RecordPath(), record.data);
  auto loaded = LoadStore(0);
  ZELI_PageList unallocated{1};
  EXPECT_ZELI_THROW(loaded->file->MapArrayPages(unallocated, 0, 1), ZEL_FAILED, "Page is not allocated.");
  std::ostringstream out;
  loaded->file->DumpPages(out);
  EXPECT_EQ(out.str(),
            "Pg    0: @ 0,  4096 used,   0 mapped,   1 allocated\n"
            "Pg    1: @ 0,     0 used,   0 mapped,   0 allocated\n");
}

// ---- damaged input ---------------------------------------------------------------

// File records: key map of 3 slots, then page size, page count, pages, key 0.
std::vector<unsigned char> FileRecord(unsigned pageSize, unsigned count, std::vector<unsigned> allocated,
                                      unsigned slots = 3) {
  Bytes b;
  b.KeyMap(slots).U32(pageSize).U32(count);
  for (unsigned a : allocated) b.U8(0).U8(a);
  b.U32(0);
  return b.data;
}
// Appends an array record.
std::vector<unsigned char> operator+(std::vector<unsigned char> bytes, const Bytes& more) {
  bytes.insert(bytes.end(), more.data.begin(), more.data.end());
  return bytes;
}
Bytes ArrayRecord(int index, unsigned start, unsigned tail, unsigned size, std::vector<unsigned> pages, int key) {
  Bytes b;
  b.U32(static_cast<uint32_t>(index)).U32(start).U32(tail).U32(size).U32(static_cast<uint32_t>(pages.size()));
  for (unsigned p : pages) b.U32(p);
  b.U32(static_cast<uint32_t>(key));
  return b;
}

// The message of the exception that loading throws.
template <typename F>
std::string LoadFailure(F load) {
  try {
    load();
  } catch (const ZELI_Exception& e) {
    return e.what();
  }
  return "accepted";
}

TEST_F(MemoryFileTest, DamagedRecordsAndMapsAreRefusedWithAMessage) {
  struct BadRecord {
    const char* name;
    std::vector<unsigned char> bytes;
    size_t arrays;
    const char* message;
  };
  const BadRecord records[] = {
      {"PageSize", FileRecord(512, 1, {1}), 0, "ZELI_MemoryFile::Read: page size"},
      {"PageCountBeyondFile", FileRecord(kPage, 1000, {1}), 0, "End of file"},
      {"AllocatedTwice", FileRecord(kPage, 1, {2}), 0, "ZELI_MemoryFile::Read: allocated count"},
      {"StartOffset", FileRecord(kPage, 1, {1}) + ArrayRecord(0, kPage, 0, 1, {0}, 1), 1,
       "ZELI_MemoryArray::Read: start offset"},
      {"TailOffset", FileRecord(kPage, 1, {1}) + ArrayRecord(0, 0, 5000, 1, {0}, 1), 1,
       "ZELI_MemoryArray::Read: tail offset"},
      {"PackedTailDoesNotFit", FileRecord(kPage, 1, {1}) + ArrayRecord(0, 0, 4000, 100, {0}, 1), 1,
       "ZELI_MemoryArray::Read: tail offset"},
      {"PageListBeyondFile", FileRecord(kPage, 1, {1}) + Bytes().U32(0).U32(0).U32(0).U32(1).U32(1000).U32(0).U32(1),
       1, "End of file"},
      {"PageNumberBeyondPages", FileRecord(kPage, 1, {1}) + ArrayRecord(0, 0, 0, 1, {1}, 1), 1,
       "ZELI_MemoryArray::Read: page list"},
      {"PageListedTwice", FileRecord(kPage, 2, {1, 1}) + ArrayRecord(0, 0, 0, 1, {0, 0}, 1), 1,
       "ZELI_MemoryArray::Read: page list"},
      {"PageOfTwoArrays",
       FileRecord(kPage, 1, {1}) + ArrayRecord(0, 0, 0, 1, {0}, 1) + ArrayRecord(1, 0, 0, 1, {0}, 2), 2,
       "ZELI_MemoryArray::Read: page list"},
      {"PageNotAllocated", FileRecord(kPage, 1, {0}) + ArrayRecord(0, 0, 0, 1, {0}, 1), 1,
       "ZELI_MemoryArray::Read: page list"},
      {"SizeBeyondPages", FileRecord(kPage, 1, {1}) + ArrayRecord(0, 1, 0, kPage, {0}, 1), 1,
       "ZELI_MemoryArray::Read: size"},
      {"NegativeIndex", FileRecord(kPage, 0, {}) + ArrayRecord(-2, 0, 0, 0, {}, 1), 1, "ZELI_MemoryArray::Read: index"},
      {"IndexTwice", FileRecord(kPage, 0, {}) + ArrayRecord(4, 0, 0, 0, {}, 1) + ArrayRecord(4, 0, 0, 0, {}, 2), 2,
       "ZELI_MemoryFile::Add_MemoryArray_p: index"},
      {"KeyTwice", FileRecord(kPage, 0, {}) + ArrayRecord(0, 0, 0, 0, {}, 0), 1,
       "ZELI_KeyMap< T >::Insert(key,T*) failed"},
  };
  for (const BadRecord& c : records) {
    SCOPED_TRACE(c.name);
    zeltest::WriteFileBytes(RecordPath(), c.bytes);
    EXPECT_EQ(LoadFailure([&] { LoadStore(c.arrays); }), c.message);
  }

  // Page-map triples (array, first page, end page) replayed over a record of
  // one array on one page.
  struct BadMap {
    const char* name;
    std::vector<unsigned> values;
    const char* message;
  };
  const BadMap maps[] = {
      {"UnknownArray", {3, 1, 2}, "ZELI_MemoryFile::ReadMap: array"},
      {"HugeArrayIndex", {0x80000000u, 1, 2}, "ZELI_MemoryFile::ReadMap: array"},
      {"Gap", {0, 2, 3}, "ZELI_MemoryFile::ReadMap: pageBegin"},
      {"Overlap", {0, 1, 2, 0, 1, 2}, "ZELI_MemoryFile::ReadMap: pageBegin"},
      {"Backwards", {0, 1, 0}, "ZELI_MemoryFile::ReadMap: pageEnd"},
      {"PastFourGiB", {0, 1, 1 + ZELI_MemoryFile::MaxArrayPages}, "ZELI_MemoryFile::ReadMap: count"},
  };
  zeltest::WriteFileBytes(RecordPath(), FileRecord(kPage, 1, {1}, 2) + ArrayRecord(0, 0, 0, 1, {0}, 1));
  for (const BadMap& c : maps) {
    SCOPED_TRACE(c.name);
    Bytes map;
    for (unsigned v : c.values) map.U32(v);
    zeltest::WriteFileBytes(MapPath(), map.data);
    EXPECT_EQ(LoadFailure([&] { LoadStore(1, true); }), c.message);
  }
}

// ---- direct reads -----------------------------------------------------------------

// Direct reads give exactly what the cursor gives, whatever the range: from
// inside a page, across runs of adjacent pages and the gaps between them,
// from resident pages, and from a packed array's shifted last page; each
// run of adjacent pages in the file costs one read, and nothing is mapped.
TEST_F(MemoryFileTest, DirectReadsGiveWhatTheCursorGivesWithOneReadPerRun) {
  auto store = WritingStore(2);
  ZELI_MemoryArray& x = (*store)[0];
  const auto px = Pattern(5 * kPage, 8);
  x.WriteData(px.data(), 3 * kPage, 1);
  (*store)[1].WriteData(Pattern(2 * kPage, 9).data(), 2 * kPage, 1);
  x.WriteData(px.data() + 3 * kPage, 2 * kPage, 1);
  ASSERT_EQ(x.Get_PageList(), (ZELI_PageList{0, 1, 2, 5, 6}));
  CloseAndSave(*store);

  auto loaded = LoadReading(2);
  ZELI_FaultFileSystem fs;
  ZELI_ScopedFileSystem scope(&fs);
  ZELI_MemoryArray& lx = (*loaded)[0];
  std::vector<unsigned char> got(5 * kPage);
  fs.ResetCounts();
  lx.ReadDirect(100, got.data(), 5 * kPage - 100, 1);
  EXPECT_TRUE(std::equal(got.begin(), got.end() - 100, px.begin() + 100));
  EXPECT_EQ(fs.Get_CallCount(ZELI_FaultFileSystem::READ), 2u);  // pages 0-2, then 5-6
  EXPECT_EQ(loaded->file->Get_BlockCount(), 0u);
  EXPECT_EQ(lx.Get_Position(), 0u);
  // Pages 1 and 2 resident: copied from memory, pages 0 and 5 read alone.
  lx.RandomlyAccess(kPage, 2 * kPage);
  fs.ResetCounts();
  lx.ReadDirect(0, got.data(), 4 * kPage, 1);
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + 4 * kPage, px.begin()));
  EXPECT_EQ(fs.Get_CallCount(ZELI_FaultFileSystem::READ), 2u);
  for (const auto& [position, length] : std::vector<std::pair<unsigned, unsigned>>{
           {0, 1}, {kPage - 1, 2}, {3 * kPage - 5, 10}, {4 * kPage, kPage}, {7, 5 * kPage - 7}}) {
    std::vector<unsigned char> direct(length), cursor(length);
    lx.ReadDirect(position, direct.data(), length, 1);
    lx.ReadData(position, cursor.data(), length, 1);
    EXPECT_EQ(direct, cursor) << position << "+" << length;
  }
  loaded->Check();

  // A packed array: 10 bytes into page 0, then its last page from byte 100.
  zeltest::WriteFileBytes(RecordPath(), FileRecord(kPage, 2, {1, 1}, 2) +
                                            ArrayRecord(0, 10, 100, kPage - 10 + 50, {0, 1}, 1));
  const auto file = Pattern(2 * kPage, 11);
  zeltest::WriteFileBytes(DataPath(), file);
  auto packed = LoadReading(1);
  ZELI_MemoryArray& p = (*packed)[0];
  std::vector<unsigned char> direct(p.Get_Size()), expected(file.begin() + 10, file.begin() + kPage);
  expected.insert(expected.end(), file.begin() + kPage + 100, file.begin() + kPage + 150);
  p.ReadDirect(0, direct.data(), p.Get_Size(), 1);
  EXPECT_EQ(direct, expected);
  EXPECT_EQ(ReadAll(p), expected);
  EXPECT_ZELI_THROW(p.ReadDirect(1, direct.data(), p.Get_Size(), 1), ZEL_FAILED,
                    "Resize beyond file size when reading.");
}

// What a writer of this process holds in memory is what a direct read
// gives; pages added but never written read as zero, in a data file and in
// a memory-only one; bad requests fail with their messages.
TEST_F(MemoryFileTest, DirectReadsTakeResidentPagesAndZeroForPagesNeverWritten) {
  const auto a = Pattern(2 * kPage, 12);
  std::vector<unsigned char> expected(a);
  expected.resize(4 * kPage, 0);
  for (const std::string& path : {DataPath(), std::string()}) {
    auto store = NewStore(path);
    store->file->OpenFile(ZEL_IOMODE_WRITE);
    ZELI_MemoryArray& array = store->AddArray();
    array.Open(ZEL_IOMODE_WRITE);
    array.WriteData(a.data(), 2 * kPage, 1);  // page 0 written back, page 1 only in memory
    array.Resize(4 * kPage);                   // pages 2 and 3 only logged
    std::vector<unsigned char> got(4 * kPage, 0xAA);
    array.ReadDirect(0, got.data(), 4 * kPage, 1);
    EXPECT_EQ(got, expected) << path;
    EXPECT_ZELI_THROW(array.ReadDirect(4 * kPage - 1, got.data(), 2, 1), ZEL_FAILED,
                      "Resize beyond file size when reading.");
    EXPECT_ZELI_THROW(array.ReadDirect(0, nullptr, 1, 1), ZEL_BAD_ARG, "ZELI_MemoryArray::ReadDirect: no buffer");
    store->Check();
    array.Close();
    EXPECT_ZELI_THROW(array.ReadDirect(0, got.data(), 1, 1), ZEL_FAILED, "ZELI_MemoryArray is not open.");
    store->file->CloseFile();
  }
}

TEST_F(MemoryFileTest, EveryFlippedByteOfARecordIsReadOrRefusedCleanly) {
  auto store = WriteStore({Pattern(2 * kPage + 3, 18), Pattern(kPage, 19)});
  const auto good = zeltest::ReadFileBytes(RecordPath());
  const std::string flipped = dir_ / "flipped.org";
  for (size_t i = 0; i < good.size(); ++i) {
    for (unsigned char mask : {0x01, 0x80, 0xFF}) {
      auto bytes = good;
      bytes[i] ^= mask;
      zeltest::WriteFileBytes(flipped, bytes);
      try {
        auto loaded = Load(flipped, 2);
        loaded->file->OpenFile(ZEL_IOMODE_READ);
        for (auto& array : loaded->arrays) {
          array->Open(ZEL_IOMODE_READ);
          ReadAll(*array);
          array->Close();
        }
        loaded->Check();
      } catch (const ZELI_Exception&) {
      }
    }
  }
}

// ---- disk faults -----------------------------------------------------------------

class MemoryFileFaultTest : public MemoryFileTest {
 protected:
  ZELI_FaultFileSystem fs_;
  ZELI_ScopedFileSystem scope_{&fs_};
};

// A write-back that fails while the writer moves on keeps its block, and
// the next move writes it back. A full disk fails the flush and the close,
// which drop nothing; a writer that then gives up leaves what was committed.
TEST_F(MemoryFileFaultTest, FailedWriteBacksKeepTheirBlocksAndAWriterThatGivesUpLeavesWhatWasCommitted) {
  const auto a = Pattern(5 * kPage, 20);
  const std::vector<unsigned char> committed(a.begin(), a.begin() + 2 * kPage);
  auto store = WritingStore(1);
  ZELI_MemoryArray& array = (*store)[0];
  array.WriteData(a.data(), kPage, 1);
  fs_.FailCall(ZELI_FaultFileSystem::WRITE, 1, EIO);
  EXPECT_ZELI_THROW(array.WriteData(a.data() + kPage, kPage, 1), ZEL_DISK_IO, "Input/output error");
  EXPECT_EQ(store->file->Get_BlockCount(), 1u);  // page 0 still waits in memory
  store->Check();
  array.WriteData(a.data() + kPage, kPage, 1);
  EXPECT_EQ(zeltest::ReadFileBytes(DataPath()), std::vector<unsigned char>(a.begin(), a.begin() + kPage));
  store->file->FlushFile();
  SaveRecord(*store);
  EXPECT_EQ(zeltest::ReadFileBytes(DataPath()), committed);

  array.WriteData(a.data() + 2 * kPage, 3 * kPage, 1);
  fs_.FailWritesAfterBytes(100, ENOSPC);
  EXPECT_ZELI_THROW(store->file->FlushFile(), ZEL_DISK_IO, "No space left on device");
  EXPECT_ZELI_THROW(store->file->CloseFile(), ZEL_DISK_IO, "No space left on device");
  EXPECT_TRUE(store->file->IsOpen());  // nothing was dropped
  EXPECT_GT(store->file->Get_BlockCount(), 0u);
  store->Check();
  store.reset();  // gives up: the destructors write nothing and throw nothing
  fs_.Clear();
  EXPECT_EQ(ReadAll((*LoadReading(1))[0]), committed);
}

// A failed sync or descriptor close is reported; a close that could not
// write back can be retried once the disk has room; nothing is lost.
TEST_F(MemoryFileFaultTest, FailedCommitsAreReportedAndACloseCanBeRetriedOnceTheDiskHasRoom) {
  const auto a = Pattern(4 * kPage, 21);
  auto store = WritingStore(1);
  ZELI_MemoryArray& array = (*store)[0];
  array.WriteData(a.data(), 10, 1);
  fs_.FailCall(ZELI_FaultFileSystem::FSYNC, 1, EIO);
  EXPECT_ZELI_THROW(store->file->FlushFile(), ZEL_DISK_IO, "Input/output error");
  store->file->FlushFile();
  array.RandomlyAccess(0, 4 * kPage);
  array.WriteData(0, a.data(), 4 * kPage, 1);
  fs_.FailWritesAfterBytes(kPage, ENOSPC);
  EXPECT_ZELI_THROW(store->file->CloseFile(), ZEL_DISK_IO, "No space left on device");
  fs_.Clear();
  store->file->CloseFile();
  EXPECT_FALSE(store->file->IsOpen());
  EXPECT_FALSE(array.IsKeepingWindow());  // the file took the window away
  array.Close();
  store->file->OpenFile(ZEL_IOMODE_WRITE);
  fs_.FailCall(ZELI_FaultFileSystem::CLOSE, 1, EIO);
  EXPECT_ZELI_THROW(store->file->CloseFile(), ZEL_DISK_IO, "Input/output error");
  EXPECT_FALSE(store->file->IsOpen());
  fs_.Clear();
  SaveRecord(*store);
  EXPECT_EQ(ReadAll((*LoadReading(1))[0]), a);
}

// ---- write-back in runs, writing through -------------------------------------------

// Arrays of one page each, written in turn: pages 0 .. n-1, each still
// mapped by its open array.
std::vector<unsigned char> WriteOnePagePerArray(Store& store, unsigned n) {
  std::vector<unsigned char> bytes = Pattern(size_t{n} * kPage, 40);
  for (unsigned i = 0; i < n; ++i) {
    ZELI_MemoryArray& array = store.AddArray();
    array.Open(ZEL_IOMODE_WRITE);
    array.WriteData(bytes.data() + size_t{i} * kPage, kPage, 1);
  }
  return bytes;
}

// Idle blocks go back in page order whatever the order they fell idle in:
// pages 0-2 and 4-5 are two runs, one call each and no seek, while page 3
// is still mapped. A failing run stays resident; the runs before it are
// released.
TEST_F(MemoryFileFaultTest, IdleBlocksGoBackInRunsOfAdjacentPagesAndAFailedRunStaysResident) {
  auto store = WritingStore(0);
  const auto bytes = WriteOnePagePerArray(*store, 6);
  fs_.ResetCounts();
  {
    ZELI_MemoryFile::IdleBlockHold hold(*store->file);
    for (unsigned i : {5, 4, 0, 2, 1}) (*store)[i].Close();
    EXPECT_EQ(store->file->Get_BlockCount(), 6u);  // held: nothing written, nothing freed
    store->Check();
  }
  fs_.FailCall(ZELI_FaultFileSystem::WRITE, 2, EIO);  // the run of pages 4-5
  EXPECT_ZELI_THROW(store->file->FreePages(0), ZEL_DISK_IO, "Input/output error");
  EXPECT_EQ(fs_.Get_CallCount(ZELI_FaultFileSystem::WRITE), 2u);
  EXPECT_EQ(fs_.Get_CallCount(ZELI_FaultFileSystem::LSEEK), 0u);
  EXPECT_EQ(store->file->Get_BlockCount(), 3u);  // pages 3, 4 and 5
  EXPECT_EQ(store->file->Get_MappedPageCount(), 3u);
  store->Check();
  fs_.Clear();
  fs_.ResetCounts();
  (*store)[3].Close();  // retried with page 3: one run of three pages
  EXPECT_EQ(fs_.Get_CallCount(ZELI_FaultFileSystem::WRITE), 1u);
  EXPECT_EQ(store->file->Get_BlockCount(), 0u);
  store->file->CloseFile();
  EXPECT_EQ(zeltest::ReadFileBytes(DataPath()), bytes);
}

TEST_F(MemoryFileFaultTest, BlockBeyondOneCallGoesOutInPiecesAndAFailedPieceKeepsIt) {
  // 4 MiB and two pages in one block: two calls, the second at its offset.
  const unsigned pages = (4u << 20) / kPage + 2;
  const auto bytes = Pattern(size_t{pages} * kPage, 23);
  auto store = WritingStore(1);
  ZELI_MemoryArray& array = (*store)[0];
  array.RandomlyAccess(0, pages * kPage);
  array.WriteData(0, bytes.data(), pages * kPage, 1);
  ASSERT_EQ(store->file->Get_BlockCount(), 1u);
  fs_.ResetCounts();
  fs_.FailCall(ZELI_FaultFileSystem::WRITE, 2, EIO);
  EXPECT_ZELI_THROW(store->file->CloseFile(), ZEL_DISK_IO, "Input/output error");
  // The first piece is on the disk; the block stays whole in memory.
  EXPECT_EQ(store->file->Get_FilePageCount(), pages - 2);
  EXPECT_EQ(store->file->Get_BlockCount(), 1u);
  store->Check();
  fs_.Clear();
  fs_.ResetCounts();
  store->file->CloseFile();
  EXPECT_EQ(fs_.Get_CallCount(ZELI_FaultFileSystem::WRITE), 2u);
  EXPECT_EQ(zeltest::ReadFileBytes(DataPath()), bytes);
}

TEST_F(MemoryFileFaultTest, WholeNewPagesGoStraightToTheFileWithTheSameBytesRecordAndLog) {
  // The same bytes into two arrays: at once (100 bytes, then the rest in one
  // transfer), and 1000 bytes at a time, which never covers a whole page in
  // one transfer. Data files, logs and the records of the closed arrays must
  // not tell them apart.
  const auto a = Pattern(10 * kPage + 300, 41);
  struct Outcome {
    std::vector<unsigned char> data, record;
    std::vector<unsigned> log;
    unsigned maxMapped;
  };
  auto write = [&](bool atOnce) {
    auto store = WritingStore(1);
    ZELI_MemoryArray& array = (*store)[0];
    array.WriteData(a.data(), 100, 1);
    fs_.ResetCounts();
    if (atOnce) {
      array.WriteData(a.data() + 100, static_cast<unsigned>(a.size() - 100), 1);
      // Pages 1 to 9, every whole page, are in the file already, written by
      // one call; the window holds the tail, the page being filled.
      EXPECT_EQ(fs_.Get_CallCount(ZELI_FaultFileSystem::WRITE), 2u);  // page 0, then pages 1-9
      const auto early = zeltest::ReadFileBytes(DataPath());
      EXPECT_EQ(early.size(), 10u * kPage);
      EXPECT_TRUE(std::equal(early.begin() + kPage, early.end(), a.begin() + kPage));
      EXPECT_EQ(array.Get_WindowEnd() - array.Get_WindowFirst(), 1u);
    } else {
      for (size_t at = 100; at < a.size(); at += 1000) {
        array.WriteData(a.data() + at, static_cast<unsigned>(std::min<size_t>(1000, a.size() - at)), 1);
      }
    }
    store->Check();
    Outcome outcome;
    outcome.log = store->file->Get_PageMapLog();
    array.Close();
    SaveRecord(*store);
    outcome.record = zeltest::ReadFileBytes(RecordPath());
    store->file->CloseFile();
    outcome.data = zeltest::ReadFileBytes(DataPath());
    outcome.maxMapped = store->file->Get_MaxMappedPageCount();
    return outcome;
  };
  const Outcome atOnce = write(true);
  const Outcome pieces = write(false);
  EXPECT_EQ(atOnce.data, pieces.data);
  EXPECT_EQ(atOnce.record, pieces.record);
  EXPECT_EQ(atOnce.log, pieces.log);
  EXPECT_EQ(atOnce.log.size(), 3u * 11);  // one triple per page, as page-by-page growth logs
  EXPECT_LE(atOnce.maxMapped, 2u);
  // Whole pages, no header; the last one is zero past the array's end.
  ASSERT_EQ(atOnce.data.size(), 11u * kPage);
  EXPECT_EQ(std::vector<unsigned char>(atOnce.data.begin(), atOnce.data.begin() + a.size()), a);
  EXPECT_TRUE(std::all_of(atOnce.data.begin() + a.size(), atOnce.data.end(), [](unsigned char c) { return c == 0; }));
  EXPECT_EQ(ReadAll((*LoadReading(1))[0]), a);
}

// ---- 32-bit limits ---------------------------------------------------------------------

TEST_F(MemoryFileTest, ArraysStopAtFourGiBInsteadOfWrapping) {
  auto store = NewStore("");
  ZELI_MemoryArray& array = store->AddArray();
  array.Open(ZEL_IOMODE_WRITE);
  array.Resize(0xFFFFFFFFu);  // page records only: nothing is mapped
  EXPECT_EQ(array.Get_PageList().size(), 1048576u);
  EXPECT_ZELI_THROW(array.Extend(1), ZEL_FAILED, "ZELI_MemoryArray::Extend: size beyond 32 bits");
  unsigned char bytes[32] = {};
  EXPECT_ZELI_THROW(array.WriteData(0xFFFFFFF0u, bytes, 32, 1), ZEL_FAILED,
                    "ZELI_MemoryArray::TransferData: size beyond 32 bits");
  EXPECT_ZELI_THROW(array.Access(0xFFFFFFF0u, 32), ZEL_FAILED, "ZELI_MemoryArray::Access: size beyond 32 bits");
  array.WriteData(0xFFFFFFF0u, bytes, 15, 1);  // the last bytes are usable
  EXPECT_EQ(array.Get_Size(), 0xFFFFFFFFu);
  EXPECT_ZELI_THROW(store->file->ExtendVariableArray(&array, 2, const_cast<ZELI_PageList&>(array.Get_PageList())),
                    ZEL_FAILED, "ZELI_MemoryFile::ExtendVariableArray: array beyond 32 bits");
  array.Close();

  // Texts whose offsets would pass 32 bits.
  ZELI_MemoryArray& main = store->AddArray();
  ZELI_MemoryArray& texts = store->AddArray();
  main.Set_StringArray_p(&texts);
  main.Open(ZEL_IOMODE_WRITE);
  texts.Resize(0xFFFFFFF0u);
  char* values[1] = {const_cast<char*>("twelve chars")};
  EXPECT_ZELI_THROW(main.WriteStringData(values, 1, sizeof(char*)), ZEL_FAILED,
                    "ZELI_MemoryArray::WriteStringData: offset beyond 32 bits");
  store->Check();
}

TEST_F(MemoryFileTest, PagesBeyondFourGiBOfFileUseSixtyFourBitOffsets) {
  const auto b = Pattern(kPage, 24);
  {
    auto store = WritingStore(2);
    (*store)[0].Resize(0xFFFFFFFFu);  // pages 0 to 2^20 - 1, never written
    (*store)[1].WriteData(b.data(), kPage, 1);
    EXPECT_EQ((*store)[1].Get_PageList(), (ZELI_PageList{1u << 20}));
    CloseAndSave(*store);
  }
  struct stat st;
  ASSERT_EQ(::stat(DataPath().c_str(), &st), 0);
  EXPECT_EQ(static_cast<uint64_t>(st.st_size), (uint64_t{1} << 32) + kPage);
  auto loaded = LoadReading(2);
  EXPECT_EQ(ReadAll((*loaded)[1]), b);
  loaded->file->CloseFile();
  loaded->file->DeleteFile();
  EXPECT_FALSE(ZELI_OS_Exists(DataPath().c_str()));
}

TEST_F(MemoryFileTest, FileAndArraysMayBeDestroyedInEitherOrder) {
  auto store = WritingStore(1);
  auto loose = std::make_unique<ZELI_MemoryArray>(store->file.get());  // never registered
  (*store)[0].WriteData(Pattern(100, 25).data(), 100, 1);
  store->arrays.clear();  // an open array goes first: its pages are unpinned
  store->Check();
  store->file->CloseFile();
  EXPECT_EQ(zeltest::ReadFileBytes(DataPath()).size(), kPage);
  store->file.reset();  // the file goes before the loose array
  EXPECT_EQ(loose->Get_MemoryFile_p(), nullptr);
  EXPECT_ZELI_THROW(loose->Open(ZEL_IOMODE_READ), ZEL_FAILED, "ZELI_MemoryArray: no memory file");
}

// ---- cache of cached arrays ----------------------------------------------------------------

class CountedArray : public ZELI_CachedArray {
 public:
  CountedArray(int* deleted, bool locatable)
      : ZELI_CachedArray(0, new ZELI_DataInformation(), nullptr), deleted_(deleted), locatable_(locatable) {}
  ~CountedArray() override { ++*deleted_; }
  bool IsLocatable() const override { return locatable_; }
  void MakeUnlocatable() override { locatable_ = false; }

 private:
  int* deleted_;
  bool locatable_;
};

TEST(Cache, CollectsUnreferencedArraysNoLongerLocatable) {
  int deleted = 0;
  auto cache = std::make_unique<ZELI_Cache>();
  auto* free = new CountedArray(&deleted, false);
  auto* referenced = new CountedArray(&deleted, false);
  auto* locatable = new CountedArray(&deleted, true);
  cache->Add_CachedArray(free);
  cache->Add_CachedArray(referenced);
  cache->Add_CachedArray(locatable);
  EXPECT_THROW(cache->Add_CachedArray(free), ZELI_BadArgException);
  referenced->IncrementReferenceCount();
  EXPECT_EQ(cache->CollectGarbage(), 1u);
  EXPECT_EQ(deleted, 1);
  EXPECT_FALSE(cache->Contains(free));
  referenced->DecrementReferenceCount();
  EXPECT_THROW(referenced->DecrementReferenceCount(), ZELI_FailedException);
  locatable->MakeUnlocatable();
  EXPECT_EQ(cache->CollectGarbage(), 2u);
  EXPECT_EQ(cache->Get_Count(), 0u);
  auto* kept = new CountedArray(&deleted, true);
  cache->Add_CachedArray(kept);
  kept->IncrementReferenceCount();
  cache.reset();  // the destructor deletes whatever is left
  EXPECT_EQ(deleted, 4);
}

}  // namespace
