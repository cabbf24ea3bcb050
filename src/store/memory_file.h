// Paged memory files. The values of a data store live in a ZELI_MemoryFile:
// a data file cut into pages of 4096 bytes, of which only the pages that an
// open array currently maps are held in memory. Arrays (memory_array.h) are
// growable byte sequences made of whole pages of one file, listed in order.
//
// Memory layout. Each page has a slot (its address while resident, its
// mapped count) and a flag byte (allocated to an array, claimed by one); the
// used size of a page follows from its allocation, except in files read from
// the oldest records, which keep their stored used sizes. A file of 128 MB
// has 32768 pages: the flags take 32 KiB, and slots come in chunks of 64
// pages, allocated the first time one of their pages is mapped, so that
// loading a file writes no slot and reading a few scattered pages touches a
// few small chunks. Get_Page assembles the whole record (ZELI_MemoryPage) of
// one page. A page is resident while it lies in a
// ZELI_MappedPageBlock: one allocation holding a run of
// consecutive page numbers, loaded with one read. Arrays pin pages by raising
// their mapped counts; a block all of whose pages have mapped count 0 is
// idle, and idle blocks are written back (when the file is open for writing)
// and freed at the next mapping or unmapping once the resident pages pass
// the limit: 0, unless writers add page budgets (Add_PageBudget), so memory
// is bounded by what arrays map plus the budgets. Blocks of a memory-only file are
// never released (there is nowhere to put their bytes).
//
// Finding idle blocks. Each block counts its pinned pages (mapped count
// above 0), and each page's slot names its block, so a count that reaches
// or leaves 0 updates its block in constant time; idle blocks are chained
// in the order they became idle. FreePages takes blocks from the front of
// that chain and so costs what it releases, never a walk over every block
// (a writer of 100,000 waveforms keeps 100,000 blocks resident until it
// closes its arrays one by one). The block list itself is unordered: a
// released block's place is taken by the last one.
//
// Reusing block memory. A block released by FreePages (written back,
// idle) normally returns its memory to the allocator, and the next block is
// allocated afresh. A writer that pins one large window after another (an
// analog block of 100,000 waveforms is 100 MB, a new one every 128 points)
// would then have the system map, fault in and unmap that much memory every
// window, since allocations that large bypass the allocator's heap. So the
// memory of a released block of at least MinSparePages pages is kept as a
// spare (at most MaxSpares of them) while the page budgets leave room for
// it, and MapPages builds its next block in a spare that is large enough and
// not much larger (zeroing it where a fresh block would have been zeroed).
// Resident memory stays bounded by the mapped pages plus the budgets: the
// spare pages never exceed the limit, and Remove_PageBudget frees spares
// beyond the reduced limit. Without budgets (a reader) nothing is kept.
//
// Write-back in runs. Blocks are written by positioned vector writes, in
// page order: blocks whose pages follow one another in the file go out as
// one run, in calls of up to ZELI_OS_MaxWritePieces pieces and 4 MiB (a
// larger block is cut), so an array written page by page, or many arrays
// closed at once, cost a few large writes instead of a seek and a write per
// block.
//
// Invariants (CheckInvariants tests them):
//  - a page has an address exactly while it lies in one block of the list,
//    at block memory + (page - block first page) * page size;
//  - a page that is not resident has mapped count 0;
//  - the mapped page count is the sum of the block page counts;
//  - the file page count never exceeds the number of page records; a data
//    file closed holds no block;
//  - every page appended to an array is claimed by that array only;
//  - a resident page's slot names its block; a block's pinned count is the
//    number of its pages with mapped count above 0, and it is in the idle
//    chain exactly when that count is 0; blocks_[i] has list index i.
//  - the spare pages number at most the page limit, in at most MaxSpares
//    spares, each of at least MinSparePages pages; a closed data file holds
//    none.
//
// Growth and the page map. Pages are only ever appended, at the end of the
// file, by ExtendVariableArray, which logs one triple (array index, first
// page, end page) per extension. WriteMap appends the log to the store's map
// file; a reader replays those triples with ReadMap to learn of pages that a
// writer added after the store's record was written.
//
// Failures. Write-back happens only in FreePages, FlushFile and CloseFile, all
// of which report ZELI_DiskIOException and keep a block whose write failed in
// memory (it is retried by the next write-back); FreePages releases the runs
// written before the failing one. Destructors never write:
// they release memory and descriptors, and so drop what was not written back
// through CloseFile.
//
// Every record read from a file is untrusted: counts are bounded by the bytes
// left in the stream before anything is allocated, and page numbers, array
// indices and offsets are checked before use (ZELI_FailedException naming the
// record). Stored layouts: doc/memory_file_format.md.
#ifndef ZEL_STORE_MEMORY_FILE_H
#define ZEL_STORE_MEMORY_FILE_H

#include <cstdint>
#include <cstdlib>
#include <iosfwd>
#include <map>
#include <memory>
#include <unordered_set>
#include <vector>

#include "store/objects.h"
#include "store/zstring.h"
#include "zel/zel.h"

class ZELI_Istream;
class ZELI_Ostream;
class ZELI_MemoryArray;
template <typename T>
class ZELI_KeyMap;

// Page numbers of an array, in array order.
using ZELI_PageList = std::vector<unsigned>;

// What the file knows of one page, in memory only (the stored page record
// is the two counts; see the format document).
struct ZELI_MemoryPage {
  char* address = nullptr;           // the page's bytes while resident, else null
  unsigned short usedSize = 0;       // bytes; the page size once allocated to an array
  unsigned char mappedCount = 0;     // open mappings of the page by arrays
  unsigned char allocatedCount = 0;  // arrays the page belongs to: 0 or 1
  bool claimed = false;              // listed by some array
};

// A run of consecutive pages [first, end) held in one allocation. The file
// that owns it keeps its bookkeeping fields (see ZELI_MemoryFile).
class ZELI_MappedPageBlock {
 public:
  // Allocates (end - first) pages; zeroed when zeroed is set, otherwise the
  // caller fills every byte. ZELI_BadAllocException when memory is short.
  ZELI_MappedPageBlock(unsigned first, unsigned end, unsigned pageSize, bool zeroed);
  // Builds the block in memory of capacity bytes (at least the block's
  // bytes) released by another one; zeroed as above, else left as it is.
  struct FreeDeleter {
    void operator()(char* p) const noexcept { std::free(p); }
  };
  using Memory = std::unique_ptr<char, FreeDeleter>;
  ZELI_MappedPageBlock(unsigned first, unsigned end, unsigned pageSize, bool zeroed, Memory memory,
                       uint64_t capacity);
  ZELI_MappedPageBlock(const ZELI_MappedPageBlock&) = delete;
  ZELI_MappedPageBlock& operator=(const ZELI_MappedPageBlock&) = delete;

  unsigned Get_FirstPage() const { return first_; }
  unsigned Get_EndPage() const { return end_; }
  unsigned PageCount() const { return end_ - first_; }
  uint64_t Get_ByteCount() const { return static_cast<uint64_t>(PageCount()) * pageSize_; }
  char* Get_Memory() const { return memory_.get(); }
  // Bytes of the allocation holding the block: its bytes or more.
  uint64_t Get_Capacity() const { return capacity_; }

 private:
  friend class ZELI_MemoryFile;
  unsigned first_;
  unsigned end_;
  unsigned pageSize_;
  Memory memory_;
  uint64_t capacity_;
  // Kept by the file: pages with mapped count above 0, the place in the
  // file's block list, and the links of the chain of idle blocks (both null
  // and the block not chained while pinnedPages is above 0).
  unsigned pinnedPages_ = 0;
  size_t listIndex_ = 0;
  ZELI_MappedPageBlock* idlePrevious_ = nullptr;
  ZELI_MappedPageBlock* idleNext_ = nullptr;
};

class ZELI_MemoryFile : public ZELI_InternalBase {
 public:
  enum Kind : int {
    MEMORY_ONLY = 0,  // no data file: pages live in memory until destruction
    DATA_FILE = 1,
    MAPPED_FILE = 2,  // memory-mapped files: recognised, refused
  };

  static constexpr unsigned PageSize = 4096;
  // Most pages one array can need: an array's size and positions are 32-bit,
  // so its bytes span at most (PageSize - 1 + 0xFFFFFFFF) / PageSize + 1 pages
  // counting the start offset. Larger page lists only come from damaged
  // records and page maps.
  static constexpr unsigned MaxArrayPages = static_cast<unsigned>((PageSize - 1 + 0xFFFFFFFFull) / PageSize + 1);

  // A new file without pages. A non-empty name creates the data file empty
  // (mode 0600, truncated); an empty or null name makes a memory-only file.
  explicit ZELI_MemoryFile(const char* name);
  // Reads the stored record (page size, page records, key), then places the
  // file in map at its stored key. name is the data file's path (empty: a
  // memory-only file). Damaged records: ZELI_FailedException.
  ZELI_MemoryFile(const char* name, ZELI_Istream& in, ZELI_KeyMap<ZELI_InternalBase>& map);
  // Releases blocks and the descriptor without writing anything back, and
  // detaches the arrays that still point here.
  ~ZELI_MemoryFile() override;
  ZELI_MemoryFile(const ZELI_MemoryFile&) = delete;
  ZELI_MemoryFile& operator=(const ZELI_MemoryFile&) = delete;

  // ---- open, flush, close ----

  // Mode 0 reads (data file opened read-only), any other mode writes (opened
  // read-write, no truncation). An open file: "Memory file is in use.".
  void OpenFile(zel_iomode_t mode);
  // Writes every block back when open for writing, then releases all blocks
  // (arrays lose their windows) and closes the descriptor. A failed write-back
  // throws ZELI_DiskIOException and leaves the file open with its blocks, so
  // nothing is lost silently and the close may be retried. A closed file: no-op.
  void CloseFile();
  // Writes every block back (blocks stay resident) and commits the data file
  // to the disk. Requires the file open for writing.
  void FlushFile();
  // Writes every block back (blocks stay resident), without any sync.
  // Requires the file open for writing.
  void WriteBackFile();
  // Makes the bytes written to the data file since its last sync durable,
  // open or closed (a closed file is opened for the sync); nothing when
  // nothing was written. With renameFollows the caller promises that a file
  // of the same directory is renamed into place through ZELI_AtomicFile::Commit
  // before the directory syncs of the operation: where the file system
  // commits such a rename only after the data it names
  // (ZELI_FileSystem::RenameFollowsData), the bytes are then only written out
  // to the device, and that directory sync's journal commit makes them
  // durable with the rename. Otherwise the file is synced (fsync).
  // Failure: ZELI_DiskIOException, the bytes then count as unsynced still.
  void SyncData(bool renameFollows);
  // Lets the device start on the bytes SyncData would wait for, without
  // waiting (a hint that changes no result and never fails).
  void StartSyncData() noexcept;
  bool HasUnsyncedData() const { return unsynced_ != 0; }
  // Removes the data file (nothing for a memory-only file).
  void DeleteFile();

  // ---- stored forms ----

  // The record: page size, file page count, one (mapped, allocated) pair per
  // page, key. The number of pages must equal the file page count ("ZELI_MemoryFile::Write:
  // page count"): every page must have been written back. Empties the page-map log.
  void Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>& map);
  // Appends the log (three 4-byte values per extension) and empties it.
  void WriteMap(ZELI_Ostream& out);
  // Replays the triples from the stream's position to its end. An incomplete
  // trailing triple (a concurrent writer still appending) is ignored. Each
  // triple must name a registered array and start at the current number of
  // pages. Afterwards the file page count is the number of pages.
  void ReadMap(ZELI_Istream& in);

  // ---- arrays ----

  // Registers an array of this file: one with an index keeps it, one with
  // index -1 receives the next free index. Registering again is a no-op.
  ZELI_MemoryArray* Add_MemoryArray_p(ZELI_MemoryArray* array);
  // The registered array with that index, or null.
  ZELI_MemoryArray* Get_MemoryArray_p(int index) const;

  // Appends pageCount new pages at the end of the file to list (the array's
  // page list) and logs one triple. A data file must be open for writing.
  // Fails cleanly when the array or the file would pass its 32-bit limits.
  void ExtendVariableArray(ZELI_MemoryArray* array, unsigned pageCount, ZELI_PageList& list);
  // True when WriteNewPages may be used: a data file open for writing.
  bool IsWritingThrough() const { return kind_ == DATA_FILE && open_ && mode_ != ZEL_IOMODE_READ; }
  // Appends pageCount new pages to list, logging one extension per page (as
  // an array growing page by page does), and writes bytes (pageCount whole
  // pages) straight to them in the data file with one positioned write: the
  // pages are never resident, so nothing is allocated, copied or written
  // back later. ZELI_DiskIOException when the write fails; the pages stay
  // appended (as pages extended and never written, they read as zeros).
  void WriteNewPages(ZELI_MemoryArray* array, unsigned pageCount, ZELI_PageList& list, const char* bytes);
  // Pins the pages list[first .. end): resident pages get their mapped count
  // raised; each run of consecutive page numbers that is not resident is
  // loaded as one block. All or nothing: on failure no count has changed.
  void MapArrayPages(const ZELI_PageList& list, unsigned first, unsigned end);
  // Read-ahead hint for the pages list[first .. end) (clipped to the list):
  // each run of consecutive page numbers that is neither resident nor beyond
  // the data file goes to the file layer as one range, so that the kernel
  // can fetch scattered pages in parallel before MapArrayPages reads them
  // one run at a time. Nothing for a memory-only or closed file; never
  // throws, changes nothing here.
  // After a write of the data file: asks the device to start on a large
  // run at once (write-behind).
  void WroteRange(uint64_t offset, uint64_t bytes) noexcept;
  void AdviseArrayPages(const ZELI_PageList& list, unsigned first, unsigned end) const noexcept;
  // Copies length bytes of an array with page list `list`, from its logical
  // byte `logical` on (logical bytes count from the first page's first byte,
  // so the start offset is included), into target without mapping anything:
  // a resident page is copied from memory (it may hold what the file does
  // not yet), a page at or beyond the data file's end (or not resident in a
  // memory-only file) reads as zero, and each run of consecutive page
  // numbers in the file comes with one positioned read straight into
  // target. tailOffset is a packed array's tail offset (0 otherwise): its
  // last page's bytes start there. Pages are checked as MapArrayPages
  // checks them; a data file that ends before the bytes asked for fails
  // with "Corrupted data file.". Nothing here changes.
  void ReadArrayBytes(const ZELI_PageList& list, unsigned tailOffset, uint64_t logical, uint64_t length,
                      char* target) const;
  // Of the pages list[first .. end) (clipped to the list), how many can be
  // read: resident ones, ones at or beyond the file page count (they read as
  // zero) and, of an open data file, ones whose start the data file holds
  // (its size is looked at again when a page lies beyond the size last seen).
  // Records and page maps may list pages that the data file never
  // received; a reader that sizes memory by a page list asks first, so that
  // a damaged file cannot make it allocate more than the file holds. Only
  // the size last seen changes.
  unsigned ReadablePageCount(const ZELI_PageList& list, unsigned first, unsigned end) const;
  // Drops one mapping of each page list[first .. end), then releases idle
  // blocks (which may write back and so throw ZELI_DiskIOException; the
  // counts have dropped by then).
  void UnmapArrayPages(const ZELI_PageList& list, unsigned first, unsigned end);
  // The address of page list[index]. before: bytes of the preceding list
  // entries resident directly below it in memory; after: this page plus the
  // following entries resident directly above it. [address - before,
  // address + after) may be used as one span. Both stop below 4 GiB.
  char* PageAddress(const ZELI_PageList& list, unsigned index, unsigned& before, unsigned& after) const;
  // Always fails: fixed arrays are not provided.
  void AllocateFixedArray(ZELI_MemoryArray* array, unsigned size);

  // Releases idle blocks until mapped page count + needed is within the
  // limit (the sum of the page budgets, 0 without), in the order they
  // became idle, writing them back in runs when open for writing. Costs
  // what it releases. Nothing while a hold is in place.
  void FreePages(unsigned needed);

  // While one lives, idle blocks stay resident (FreePages does nothing), so
  // that closing many arrays one after the other ends with one write-back
  // in runs (the holder's FreePages or CloseFile) instead of one per array.
  // Memory then grows by what the arrays closed meanwhile had mapped.
  class IdleBlockHold {
   public:
    explicit IdleBlockHold(ZELI_MemoryFile& file) : file_(file) { ++file_.holds_; }
    ~IdleBlockHold() { --file_.holds_; }
    IdleBlockHold(const IdleBlockHold&) = delete;
    IdleBlockHold& operator=(const IdleBlockHold&) = delete;

   private:
    ZELI_MemoryFile& file_;
  };

  // ---- page budgets ----

  // Resident pages the file may hold, counted with the mapped ones against
  // the limit that FreePages keeps. A writer that pins a large window (an
  // analog block) or that comes back to pages soon after leaving them (the
  // chunk chains of a digital data set, whose full chunks land on pages of
  // the recent past) adds a budget while it writes: its idle pages then
  // stay resident until the budgets are spent, and each is written back once
  // then, instead of every time it falls idle and read back at the next
  // visit. Budgets add up (saturating); Remove takes back what Add gave,
  // never below 0, and releases nothing at once. No I/O, never throws.
  void Add_PageBudget(unsigned pages) noexcept;
  void Remove_PageBudget(unsigned pages) noexcept;
  unsigned Get_PageLimit() const { return mappedPageLimit_; }
  // Memory of released blocks kept for reuse (see "Reusing block memory").
  static constexpr unsigned MinSparePages = 32;
  static constexpr unsigned MaxSpares = 2;
  unsigned Get_SpareCount() const { return spareCount_; }
  uint64_t Get_SparePages() const { return sparePages_; }

  // One line per page; DumpPages() prints to standard output.
  void DumpPages() const;
  void DumpPages(std::ostream& out) const;
  // Throws ZELI_FailedException naming the first broken invariant (tests).
  void CheckInvariants() const;

  // ---- accessors ----
  unsigned Get_PageSize() const { return pageSize_; }
  unsigned Get_FilePageCount() const { return filePageCount_; }
  unsigned Get_PageCount() const { return static_cast<unsigned>(flags_.size()); }
  // The record of a page below the page count.
  ZELI_MemoryPage Get_Page(unsigned page) const;
  const ZELI_String& Get_FileName() const { return fileName_; }
  zel_bool_t Get_ConvertEndianType() const { return convertEndian_; }
  Kind Get_Kind() const { return kind_; }
  bool IsOpen() const { return open_ != 0; }
  zel_iomode_t Get_Mode() const { return mode_; }
  unsigned Get_MappedPageCount() const { return mappedPageCount_; }
  unsigned Get_MaxMappedPageCount() const { return maxMappedPageCount_; }
  unsigned Get_BlockCount() const { return static_cast<unsigned>(blocks_.size()); }
  const std::vector<unsigned>& Get_PageMapLog() const { return pageMapLog_; }

  void TEST_Set_Kind(Kind kind) { kind_ = kind; }
  void TEST_MapPages(unsigned first, unsigned end) { MapPages(first, end); }

 private:
  friend class ZELI_MemoryArray;

  // Where a page is while resident, and how often arrays map it.
  struct PageSlot {
    char* address;                // null when not resident
    ZELI_MappedPageBlock* block;  // the block holding it; null when not resident
    unsigned char mappedCount;    // open mappings by arrays; 0 when not resident
  };
  static constexpr unsigned SlotChunkBits = 6;
  static constexpr unsigned SlotChunkMask = (1u << SlotChunkBits) - 1;
  static constexpr PageSlot EmptySlot{nullptr, nullptr, 0};
  static size_t SlotChunkCount(size_t pages) { return (pages + SlotChunkMask) >> SlotChunkBits; }
  // The slot of a page below the page count; the empty slot while its
  // chunk is not allocated (no page of it was ever mapped).
  const PageSlot& Slot(unsigned page) const {
    const PageSlot* chunk = slotChunks_[page >> SlotChunkBits].get();
    return chunk != nullptr ? chunk[page & SlotChunkMask] : EmptySlot;
  }
  // The same for changing it: allocates the chunk (empty slots) when needed.
  PageSlot& WritableSlot(unsigned page);
  // Flag bits of a page.
  enum : unsigned char { ALLOCATED = 1, CLAIMED = 2 };

  // The flags of a stored allocated count (0 or 1, else
  // ZELI_FailedException). Stored mapped counts belong to the process that
  // wrote them: every page here starts unmapped.
  static unsigned char ReadAllocation(unsigned char allocated);
  bool IsAllocated(unsigned page) const { return (flags_[page] & ALLOCATED) != 0; }
  void RequireSupportedKind() const;
  void RequireWritable() const;
  // Loads pages [first, end), none of them resident, as one block.
  void MapPages(unsigned first, unsigned end);
  // Reads the in-file part of a new block; the rest is zero already or made so.
  void ReadBlock(ZELI_MappedPageBlock& block);
  // Sorts blocks by first page and writes them in runs of adjacent blocks,
  // raising the file page count after each run; written counts the blocks
  // (in the sorted order) whose run is on the disk, also when a later run
  // fails.
  void WriteBlocks(std::vector<ZELI_MappedPageBlock*>& blocks, size_t& written);
  void WriteBackAllBlocks();
  // Unpins without releasing anything; validation first, so it either
  // changes every count or none.
  void ReleaseArrayPages(const ZELI_PageList& list, unsigned first, unsigned end);
  // Unpins, takes the block out of the list and the idle chain, frees it.
  void ReleaseBlock(ZELI_MappedPageBlock* block) noexcept;
  void ReleaseAllBlocks() noexcept;
  // A new block for pages [first, end), in a fitting spare when there is one.
  std::unique_ptr<ZELI_MappedPageBlock> NewBlock(unsigned first, unsigned end, bool zeroed);
  // Keeps the memory of a block being released as a spare when the rules
  // allow it, else leaves it to be freed with the block.
  void KeepSpare(ZELI_MappedPageBlock& block) noexcept;
  // Frees spares, largest first, until the spare pages fit within limit.
  void TrimSpares(uint64_t limit) noexcept;
  bool IsIdle(const ZELI_MappedPageBlock& block) const { return block.pinnedPages_ == 0; }
  void ChainIdle(ZELI_MappedPageBlock* block) noexcept;
  void UnchainIdle(ZELI_MappedPageBlock* block) noexcept;
  // Raise and drop one mapping of a resident page, keeping its block's
  // pinned count, the idle chain and the idle page count.
  void IncrementMapped(PageSlot& page);
  void DecrementMapped(PageSlot& page) noexcept;
  // Appends new allocated pages to an array's list without logging
  // (extension and replay).
  void AppendPages(unsigned pageCount, ZELI_PageList& list);
  void CheckArrayGrowth(const ZELI_PageList& list, unsigned pageCount, const char* tooLarge) const;
  // Span computation restricted to list entries [lo, hi).
  char* PageSpan(const ZELI_PageList& list, unsigned index, unsigned lo, unsigned hi, unsigned& before,
                 unsigned& after) const;
  // Array bookkeeping (see ZELI_MemoryArray).
  void Attach(ZELI_MemoryArray* array);
  void Detach(ZELI_MemoryArray* array) noexcept;
  // Claims every page of list for one new array, all or nothing: a page
  // record that does not exist, is not allocated, or is claimed already (by
  // another array, or earlier in the same list) fails with
  // ZELI_FailedException(message) and leaves every claim as it was. One pass
  // in list order: the claim flags themselves find repeated pages, so long
  // page lists (an Analog_Front array of a 128 MB file lists 32768 pages)
  // need no sorting.
  void ClaimChecked(const ZELI_PageList& list, const char* message);
  void Unclaim(const ZELI_PageList& list) noexcept;
  void CheckIndexFree(const ZELI_MemoryArray* array) const;

  unsigned pageSize_ = PageSize;
  // Pages the data file holds: raised when a block is written back, set to
  // the number of pages by ReadMap. Equals the number of pages in a
  // memory-only file.
  unsigned filePageCount_ = 0;
  // Per page number (flags_ has one entry per page, the chunk list one per
  // 64 pages or part of it); pages are only ever appended.
  std::vector<std::unique_ptr<PageSlot[]>> slotChunks_;
  std::vector<unsigned char> flags_;
  std::vector<unsigned short> usedSizes_;  // stored used sizes of the oldest records, else empty
  std::vector<unsigned> pageMapLog_;    // triples since the log was last written
  ZELI_String fileName_;
  zel_bool_t convertEndian_ = 0;
  std::map<int, ZELI_MemoryArray*> arrays_;  // registered arrays by index (not owned)
  int64_t nextIndex_ = 0;                    // index for the next array registered without one
  // Every live array built on this file (not owned); a set, as a data store
  // of 100,000 waveforms destroys as many arrays one by one.
  std::unordered_set<ZELI_MemoryArray*> attached_;
  Kind kind_ = MEMORY_ONLY;
  zel_bool_t open_ = 0;
  // Bytes were written to the data file since its last sync (SyncData,
  // FlushFile); survives closing the file, as the close syncs nothing.
  zel_bool_t unsynced_ = 0;
  zel_iomode_t mode_ = ZEL_IOMODE_READ;
  int fd_ = -1;
  // The data file's size as last seen (ReadablePageCount); 0 when opened.
  mutable uint64_t knownFileBytes_ = 0;
  unsigned mappedPageLimit_ = 0;
  unsigned mappedPageCount_ = 0;  // resident pages
  unsigned maxMappedPageCount_ = 0;
  unsigned idlePageCount_ = 0;                                 // resident pages with mapped count 0
  std::vector<std::unique_ptr<ZELI_MappedPageBlock>> blocks_;  // resident blocks, unordered (owned)
  // The chain of idle blocks, oldest first (not owned: they are in blocks_).
  ZELI_MappedPageBlock* idleFirst_ = nullptr;
  ZELI_MappedPageBlock* idleLast_ = nullptr;
  unsigned holds_ = 0;  // live IdleBlockHolds
  // Released block memory kept for reuse: spares_[0 .. spareCount_) hold
  // memory (capacity bytes each), the rest are empty; sparePages_ is the sum
  // of the capacities in pages.
  struct Spare {
    ZELI_MappedPageBlock::Memory memory;
    uint64_t capacity = 0;
  };
  Spare spares_[MaxSpares];
  unsigned spareCount_ = 0;
  uint64_t sparePages_ = 0;
};

#endif  // ZEL_STORE_MEMORY_FILE_H
