// ZELI_MemoryFile: page records, the block list and its write-back, page
// extension, the stored record and the page-map log. The cursor logic of
// arrays is in memory_array.cc; both share the rules stated in the header.
#include "store/memory_file.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iomanip>
#include <iostream>

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "store/keymap.h"
#include "store/memory_array.h"
#include "store/os_file.h"
#include "store/stream.h"

namespace {

// Reads of blocks go through ZELI_OS_Read, whose count is 32-bit.
constexpr uint64_t MaxReadChunk = uint64_t{1} << 30;

// Grows capacity geometrically: page-at-a-time extension must not reallocate
// on every page.
template <typename V>
void ReserveFor(V& v, size_t needed) {
  if (v.capacity() < needed) v.reserve(std::max(needed, v.capacity() * 2));
}

// Message of a page whose record is missing or not allocated.
const char* const OutOfRange = "Page index out of range.";

}  // namespace

// ---- ZELI_MappedPageBlock ---------------------------------------------------

ZELI_MappedPageBlock::ZELI_MappedPageBlock(unsigned first, unsigned end, unsigned pageSize, bool zeroed)
    : first_(first), end_(end), pageSize_(pageSize) {
  const uint64_t bytes = Get_ByteCount();
  if (bytes > SIZE_MAX) throw ZELI_BadAllocException();
  void* memory = zeroed ? std::calloc(static_cast<size_t>(bytes), 1) : std::malloc(static_cast<size_t>(bytes));
  if (memory == nullptr) throw ZELI_BadAllocException();
  memory_.reset(static_cast<char*>(memory));
  capacity_ = bytes;
}

ZELI_MappedPageBlock::ZELI_MappedPageBlock(unsigned first, unsigned end, unsigned pageSize, bool zeroed,
                                           Memory memory, uint64_t capacity)
    : first_(first), end_(end), pageSize_(pageSize), memory_(std::move(memory)), capacity_(capacity) {
  if (zeroed) std::memset(memory_.get(), 0, static_cast<size_t>(Get_ByteCount()));
}

// ---- construction and destruction -------------------------------------------

ZELI_MemoryFile::ZELI_MemoryFile(const char* name) : fileName_(name) {
  if (fileName_.IsEmpty()) {
    kind_ = MEMORY_ONLY;
    return;
  }
  kind_ = DATA_FILE;
  const int fd = ZELI_OS_Open(fileName_.c_str(), ZELI_OS_WRITE_ONLY, 1);
  ZELI_OS_Close(fd);
}

ZELI_MemoryFile::ZELI_MemoryFile(const char* name, ZELI_Istream& in, ZELI_KeyMap<ZELI_InternalBase>& map)
    : fileName_(name), convertEndian_(in.Get_ConvertEndianType()) {
  kind_ = fileName_.IsEmpty() ? MEMORY_ONLY : DATA_FILE;
  unsigned pageSize = 0;
  in >> pageSize;
  // The data file has no header to say otherwise: pages are 4096 bytes.
  if (pageSize != PageSize) throw ZELI_FailedException("ZELI_MemoryFile::Read: page size");
  // Streams before version 6 prefix each page record with an unused 4-byte
  // field and the 2-byte used size.
  const bool oldRecords = in.Get_SoftwareVersion() < 6;
  const unsigned count = in.ReadCount(oldRecords ? 8 : 2);
  flags_.resize(count);
  if (oldRecords) {
    usedSizes_.resize(count);
    for (unsigned page = 0; page < count; ++page) {
      unsigned unused = 0;
      unsigned short used = 0;
      in >> unused >> used;
      if (used > pageSize_) throw ZELI_FailedException("ZELI_MemoryFile::Read: used size");
      usedSizes_[page] = used;
      unsigned char mapped = 0;
      unsigned char allocated = 0;
      in >> mapped >> allocated;
      flags_[page] = ReadAllocation(allocated);
    }
  } else {
    // Two single bytes a page (mapped, allocated), never byte-swapped: read
    // in bulk, a chunk of records at a time.
    constexpr unsigned ChunkPages = 16384;
    std::vector<unsigned char> records(2 * size_t{std::min(count, ChunkPages)});
    for (unsigned first = 0; first < count; first += ChunkPages) {
      const unsigned n = std::min(count - first, ChunkPages);
      in.Read(records.data(), 2 * n, 1);
      unsigned char* const flags = flags_.data() + first;
      const unsigned char* const stored = records.data();
      for (unsigned i = 0; i < n; ++i) flags[i] = ReadAllocation(stored[2 * i + 1]);
    }
  }
  slotChunks_.resize(SlotChunkCount(count));  // all unmapped: no chunk yet
  filePageCount_ = count;
  int key = 0;
  in >> key;
  map.Insert(key, this);
  Set_Key(key);
}

unsigned char ZELI_MemoryFile::ReadAllocation(unsigned char allocated) {
  if (allocated > 1) throw ZELI_FailedException("ZELI_MemoryFile::Read: allocated count");
  return allocated != 0 ? ALLOCATED : 0;
}

ZELI_MemoryFile::PageSlot& ZELI_MemoryFile::WritableSlot(unsigned page) {
  std::unique_ptr<PageSlot[]>& chunk = slotChunks_[page >> SlotChunkBits];
  if (!chunk) chunk.reset(new PageSlot[size_t{1} << SlotChunkBits]());
  return chunk[page & SlotChunkMask];
}

ZELI_MemoryPage ZELI_MemoryFile::Get_Page(unsigned page) const {
  ZELI_MemoryPage record;
  record.address = Slot(page).address;
  record.mappedCount = Slot(page).mappedCount;
  record.allocatedCount = IsAllocated(page) ? 1 : 0;
  record.claimed = (flags_[page] & CLAIMED) != 0;
  record.usedSize = !usedSizes_.empty() ? usedSizes_[page] : record.allocatedCount != 0 ? pageSize_ : 0;
  return record;
}

ZELI_MemoryFile::~ZELI_MemoryFile() {
  for (ZELI_MemoryArray* array : attached_) array->DetachFromFile();
  attached_.clear();
  arrays_.clear();
  ReleaseAllBlocks();
  if (fd_ >= 0) ZELI_OS_FileSystem().Close(fd_);
}

void ZELI_MemoryFile::RequireSupportedKind() const {
  if (kind_ == MAPPED_FILE) throw ZELI_FailedException("Mapped file memory file not implemented.");
}

void ZELI_MemoryFile::RequireWritable() const {
  if (!open_) throw ZELI_FailedException("Memory file is not open.");
  if (mode_ == ZEL_IOMODE_READ) throw ZELI_FailedException("Memory file is open for reading.");
}

// ---- open, flush, close ---------------------------------------------------

void ZELI_MemoryFile::OpenFile(zel_iomode_t mode) {
  RequireSupportedKind();
  if (open_) throw ZELI_FailedException("Memory file is in use.");
  const zel_iomode_t recorded = mode == ZEL_IOMODE_READ ? ZEL_IOMODE_READ : ZEL_IOMODE_WRITE;
  if (kind_ == DATA_FILE) {
    fd_ = ZELI_OS_Open(fileName_.c_str(), recorded == ZEL_IOMODE_READ ? ZELI_OS_READ_ONLY : ZELI_OS_READ_WRITE, 0);
    knownFileBytes_ = 0;
  }
  mode_ = recorded;
  open_ = 1;
}

void ZELI_MemoryFile::CloseFile() {
  RequireSupportedKind();
  if (!open_) return;
  if (kind_ == DATA_FILE) {
    // Everything is written before anything is released: a failure leaves the
    // file open and whole.
    if (mode_ != ZEL_IOMODE_READ) WriteBackAllBlocks();
    for (ZELI_MemoryArray* array : attached_) array->ForgetWindow();
    ReleaseAllBlocks();
    open_ = 0;
    const int fd = fd_;
    fd_ = -1;
    ZELI_OS_Close(fd);
    return;
  }
  open_ = 0;
}

void ZELI_MemoryFile::FlushFile() {
  WriteBackFile();
  SyncData(false);
}

void ZELI_MemoryFile::WriteBackFile() {
  RequireSupportedKind();
  RequireWritable();
  if (kind_ != DATA_FILE) return;
  WriteBackAllBlocks();
}

void ZELI_MemoryFile::SyncData(bool renameFollows) {
  RequireSupportedKind();
  if (kind_ != DATA_FILE || !unsynced_) return;
  const std::string path = fileName_.c_str();
  const bool writeOut = renameFollows && ZELI_OS_FileSystem().RenameFollowsData(ZELI_OS_DirectoryOf(path).c_str());
  // A closed file is opened read-only: a sync needs no write access.
  const int fd = open_ ? fd_ : ZELI_OS_Open(path.c_str(), ZELI_OS_READ_ONLY, 0);
  try {
    if (writeOut) {
      ZELI_OS_WriteOut(fd);
    } else {
      ZELI_OS_Flush(fd);
    }
  } catch (...) {
    if (!open_) ZELI_OS_FileSystem().Close(fd);
    throw;
  }
  if (!open_) ZELI_OS_Close(fd);
  unsynced_ = 0;
}

void ZELI_MemoryFile::StartSyncData() noexcept {
  if (kind_ != DATA_FILE || !unsynced_) return;
  if (open_) {
    ZELI_OS_StartWriteOut(fd_);
    return;
  }
  // The write-out goes on after the descriptor is closed.
  ZELI_FileSystem& fs = ZELI_OS_FileSystem();
  const int saved = errno;
  const int fd = fs.Open(fileName_.c_str(), O_RDONLY | O_CLOEXEC, 0);
  if (fd >= 0) {
    ZELI_OS_StartWriteOut(fd);
    fs.Close(fd);
  }
  errno = saved;
}

void ZELI_MemoryFile::WroteRange(uint64_t offset, uint64_t bytes) noexcept {
  // Commits and closes make the data durable. A large run just written
  // (an analog window, whole new pages of an array) is started on now, so
  // that the device writes while the writer goes on. Small runs are left to
  // the commit's write-out, by which time the pages that fill the gaps
  // between them are written too. Started early, they reach the device as
  // as many small writes:
  // 10,000 waveforms of 3000 points through the array writer took 1.45x as
  // long when every write was started at once, and 1.07 to 1.31x as long
  // (three runs on a loaded machine) when the spans of such runs were
  // started 4 MiB at a time.
  constexpr uint64_t WriteBehindBytes = uint64_t{128} << 10;
  if (bytes >= WriteBehindBytes) ZELI_OS_StartWriteOut(fd_, offset, bytes);
}

void ZELI_MemoryFile::DeleteFile() {
  RequireSupportedKind();
  if (kind_ == DATA_FILE) ZELI_OS_Unlink(fileName_.c_str());
}

// ---- blocks -----------------------------------------------------------------

void ZELI_MemoryFile::WriteBlocks(std::vector<ZELI_MappedPageBlock*>& blocks, size_t& written) {
  written = 0;
  std::sort(blocks.begin(), blocks.end(), [](const ZELI_MappedPageBlock* a, const ZELI_MappedPageBlock* b) {
    return a->Get_FirstPage() < b->Get_FirstPage();
  });
  // One call: adjacent blocks, at most one call's pieces and MaxCallBytes;
  // a larger block (an analog window of 100,000 waveforms is 100 MB) goes
  // out in several calls. Measured here, the system copies one 100 MB call
  // into its page cache about 4 times slower than the same bytes in calls
  // of 4 MiB (see doc/performance.md, on the simulation result writer).
  constexpr uint64_t MaxCallBytes = uint64_t{4} << 20;
  std::vector<struct iovec> pieces;
  pieces.reserve(std::min<size_t>(blocks.size(), ZELI_OS_MaxWritePieces));
  size_t first = 0;
  uint64_t skip = 0;  // bytes of blocks[first] on the disk already
  while (first < blocks.size()) {
    pieces.clear();
    const uint64_t offset = static_cast<uint64_t>(blocks[first]->Get_FirstPage()) * pageSize_ + skip;
    uint64_t bytes = 0;
    size_t end = first;
    uint64_t nextSkip = 0;
    for (;;) {
      const ZELI_MappedPageBlock* block = blocks[end];
      const uint64_t from = end == first ? skip : 0;
      // Whole pages: MaxCallBytes and every block are multiples of a page.
      const uint64_t take = std::min(block->Get_ByteCount() - from, MaxCallBytes - bytes);
      pieces.push_back({block->Get_Memory() + from, static_cast<size_t>(take)});
      bytes += take;
      if (from + take < block->Get_ByteCount()) {
        nextSkip = from + take;
        break;
      }
      ++end;
      if (end == blocks.size() || blocks[end]->Get_FirstPage() != blocks[end - 1]->Get_EndPage() ||
          pieces.size() == ZELI_OS_MaxWritePieces || bytes == MaxCallBytes) {
        break;
      }
    }
    unsynced_ = 1;  // also when the write fails part way
    ZELI_OS_WriteAt(fd_, pieces.data(), static_cast<unsigned>(pieces.size()), offset);
    WroteRange(offset, bytes);
    filePageCount_ = std::max(filePageCount_, static_cast<unsigned>((offset + bytes) / pageSize_));
    written = end;
    first = end;
    skip = nextSkip;
  }
}

void ZELI_MemoryFile::WriteBackAllBlocks() {
  std::vector<ZELI_MappedPageBlock*> all;
  all.reserve(blocks_.size());
  for (const auto& block : blocks_) all.push_back(block.get());
  size_t written = 0;
  WriteBlocks(all, written);
}

void ZELI_MemoryFile::ReadBlock(ZELI_MappedPageBlock& block) {
  const unsigned inFileEnd = std::min(block.Get_EndPage(), filePageCount_);
  const uint64_t inFileBytes =
      inFileEnd > block.Get_FirstPage() ? static_cast<uint64_t>(inFileEnd - block.Get_FirstPage()) * pageSize_ : 0;
  char* memory = block.Get_Memory();
  if (inFileBytes > 0) {
    // Positioned reads: blocks of one array lie scattered over the file, and
    // the descriptor's position (kept for write-back) stays as it is.
    const uint64_t offset = static_cast<uint64_t>(block.Get_FirstPage()) * pageSize_;
    uint64_t done = 0;
    while (done < inFileBytes) {
      const unsigned want = static_cast<unsigned>(std::min(inFileBytes - done, MaxReadChunk));
      const unsigned got = ZELI_OS_ReadAt(fd_, memory + done, want, offset + done);
      // The record promised these pages: a shorter file is damaged (or a
      // writer has not written them yet).
      if (got < want) throw ZELI_FailedException("Corrupted data file.");
      done += got;
    }
  }
  // Pages at or beyond the file page count read as zero. A block allocated
  // without zeroing always starts inside the file.
  if (inFileBytes < block.Get_ByteCount() && inFileBytes > 0) {
    std::memset(memory + inFileBytes, 0, static_cast<size_t>(block.Get_ByteCount() - inFileBytes));
  }
}

void ZELI_MemoryFile::MapPages(unsigned first, unsigned end) {
  if (end < first) throw ZELI_BadArgException("endPage < beginPage");
  if (end == first) return;
  for (unsigned page = first; page < end; ++page) {
    if (Slot(page).address != nullptr) throw ZELI_FailedException("ZELI_MemoryFile::MapPages: page is resident");
  }
  FreePages(end - first);
  // Only a block that lies wholly beyond the data file needs zeroing by the
  // allocator; otherwise ReadBlock fills every byte.
  const bool zeroed = kind_ != DATA_FILE || first >= filePageCount_;
  std::unique_ptr<ZELI_MappedPageBlock> block = NewBlock(first, end, zeroed);
  if (kind_ == DATA_FILE) ReadBlock(*block);
  ReserveFor(blocks_, blocks_.size() + 1);
  char* memory = block->Get_Memory();
  for (unsigned page = first; page < end; ++page) {
    PageSlot& slot = WritableSlot(page);
    slot.address = memory + static_cast<uint64_t>(page - first) * pageSize_;
    slot.block = block.get();
  }
  block->listIndex_ = blocks_.size();
  ChainIdle(block.get());  // no page pinned yet
  blocks_.push_back(std::move(block));
  mappedPageCount_ += end - first;
  idlePageCount_ += end - first;
  maxMappedPageCount_ = std::max(maxMappedPageCount_, mappedPageCount_);
}

std::unique_ptr<ZELI_MappedPageBlock> ZELI_MemoryFile::NewBlock(unsigned first, unsigned end, bool zeroed) {
  const uint64_t bytes = uint64_t{end - first} * pageSize_;
  // The smallest spare that holds the block with at most a quarter to spare:
  // a small block must not take (and hold) a large window's memory.
  unsigned best = spareCount_;
  for (unsigned i = 0; i < spareCount_; ++i) {
    const uint64_t capacity = spares_[i].capacity;
    if (capacity >= bytes && capacity - bytes <= bytes / 4 &&
        (best == spareCount_ || capacity < spares_[best].capacity)) {
      best = i;
    }
  }
  if (best == spareCount_) return std::make_unique<ZELI_MappedPageBlock>(first, end, pageSize_, zeroed);
  Spare spare = std::move(spares_[best]);
  if (best != spareCount_ - 1) spares_[best] = std::move(spares_[spareCount_ - 1]);
  spares_[spareCount_ - 1] = Spare{};
  --spareCount_;
  sparePages_ -= spare.capacity / pageSize_;
  return std::unique_ptr<ZELI_MappedPageBlock>(
      new ZELI_MappedPageBlock(first, end, pageSize_, zeroed, std::move(spare.memory), spare.capacity));
}

void ZELI_MemoryFile::KeepSpare(ZELI_MappedPageBlock& block) noexcept {
  const uint64_t pages = block.Get_Capacity() / pageSize_;
  if (kind_ != DATA_FILE || !open_ || pages < MinSparePages || spareCount_ == MaxSpares ||
      sparePages_ + pages > mappedPageLimit_) {
    return;
  }
  spares_[spareCount_].memory = std::move(block.memory_);
  spares_[spareCount_].capacity = block.Get_Capacity();
  ++spareCount_;
  sparePages_ += pages;
}

void ZELI_MemoryFile::TrimSpares(uint64_t limit) noexcept {
  while (sparePages_ > limit) {
    unsigned largest = 0;
    for (unsigned i = 1; i < spareCount_; ++i) {
      if (spares_[i].capacity > spares_[largest].capacity) largest = i;
    }
    sparePages_ -= spares_[largest].capacity / pageSize_;
    if (largest != spareCount_ - 1) spares_[largest] = std::move(spares_[spareCount_ - 1]);
    spares_[spareCount_ - 1] = Spare{};
    --spareCount_;
  }
}

void ZELI_MemoryFile::ChainIdle(ZELI_MappedPageBlock* block) noexcept {
  block->idlePrevious_ = idleLast_;
  block->idleNext_ = nullptr;
  if (idleLast_ != nullptr) {
    idleLast_->idleNext_ = block;
  } else {
    idleFirst_ = block;
  }
  idleLast_ = block;
}

void ZELI_MemoryFile::UnchainIdle(ZELI_MappedPageBlock* block) noexcept {
  (block->idlePrevious_ != nullptr ? block->idlePrevious_->idleNext_ : idleFirst_) = block->idleNext_;
  (block->idleNext_ != nullptr ? block->idleNext_->idlePrevious_ : idleLast_) = block->idlePrevious_;
  block->idlePrevious_ = nullptr;
  block->idleNext_ = nullptr;
}

void ZELI_MemoryFile::ReleaseBlock(ZELI_MappedPageBlock* block) noexcept {
  for (unsigned page = block->Get_FirstPage(); page < block->Get_EndPage(); ++page) {
    PageSlot& slot = WritableSlot(page);
    if (slot.mappedCount == 0) --idlePageCount_;
    slot = EmptySlot;
  }
  mappedPageCount_ -= block->PageCount();
  if (IsIdle(*block)) UnchainIdle(block);
  KeepSpare(*block);
  // The last block takes the released one's place.
  const size_t index = block->listIndex_;
  std::swap(blocks_[index], blocks_.back());
  blocks_[index]->listIndex_ = index;
  blocks_.pop_back();
}

void ZELI_MemoryFile::ReleaseAllBlocks() noexcept {
  for (auto& block : blocks_) {
    for (unsigned page = block->Get_FirstPage(); page < block->Get_EndPage(); ++page) WritableSlot(page) = EmptySlot;
  }
  blocks_.clear();
  TrimSpares(0);
  idleFirst_ = idleLast_ = nullptr;
  mappedPageCount_ = 0;
  idlePageCount_ = 0;
}

void ZELI_MemoryFile::FreePages(unsigned needed) {
  if (kind_ != DATA_FILE) return;
  auto withinLimit = [&](uint64_t released) {
    return mappedPageCount_ - released + needed <= mappedPageLimit_;
  };
  if (withinLimit(0) || idleFirst_ == nullptr || holds_ > 0) return;
  // The victims, in the order they became idle, until enough pages go.
  std::vector<ZELI_MappedPageBlock*> victims;
  uint64_t released = 0;
  for (ZELI_MappedPageBlock* block = idleFirst_; block != nullptr && !withinLimit(released);
       block = block->idleNext_) {
    victims.push_back(block);
    released += block->PageCount();
  }
  size_t written = victims.size();
  if (open_ && mode_ != ZEL_IOMODE_READ) {
    try {
      WriteBlocks(victims, written);
    } catch (...) {
      // The runs on the disk go; the failing one and those after it stay
      // resident for the next write-back.
      for (size_t i = 0; i < written; ++i) ReleaseBlock(victims[i]);
      throw;
    }
  }
  for (ZELI_MappedPageBlock* block : victims) ReleaseBlock(block);
}

void ZELI_MemoryFile::IncrementMapped(PageSlot& page) {
  if (page.mappedCount == UINT8_MAX) throw ZELI_FailedException("ZELI_MemoryFile::MapArrayPages: mapped count");
  if (page.mappedCount == 0) {
    --idlePageCount_;
    if (page.block->pinnedPages_++ == 0) UnchainIdle(page.block);
  }
  ++page.mappedCount;
}

void ZELI_MemoryFile::DecrementMapped(PageSlot& page) noexcept {
  --page.mappedCount;
  if (page.mappedCount == 0) {
    ++idlePageCount_;
    if (--page.block->pinnedPages_ == 0) ChainIdle(page.block);
  }
}

// ---- array pages ----------------------------------------------------------

void ZELI_MemoryFile::MapArrayPages(const ZELI_PageList& list, unsigned first, unsigned end) {
  RequireSupportedKind();
  // Windows are checked against the array's own list; its entries against
  // the page records.
  if (first > end || end > list.size()) throw ZELI_BadArgException(OutOfRange);
  for (unsigned i = first; i < end; ++i) {
    if (list[i] >= flags_.size()) throw ZELI_BadArgException(OutOfRange);
    if (!IsAllocated(list[i])) throw ZELI_FailedException("Page is not allocated.");
  }
  if (kind_ == DATA_FILE && !open_ && first < end) throw ZELI_FailedException("Memory file is not open.");
  unsigned done = first;  // list entries whose count has been raised
  try {
    while (done < end) {
      if (Slot(list[done]).address == nullptr) {
        unsigned runEnd = done + 1;
        while (runEnd < end && list[runEnd] == list[runEnd - 1] + 1 && Slot(list[runEnd]).address == nullptr) {
          ++runEnd;
        }
        MapPages(list[done], list[runEnd - 1] + 1);
        for (; done < runEnd; ++done) IncrementMapped(WritableSlot(list[done]));
      } else {
        IncrementMapped(WritableSlot(list[done]));
        ++done;
      }
    }
  } catch (...) {
    for (unsigned i = first; i < done; ++i) DecrementMapped(WritableSlot(list[i]));
    throw;
  }
}

void ZELI_MemoryFile::AdviseArrayPages(const ZELI_PageList& list, unsigned first, unsigned end) const noexcept {
  if (kind_ != DATA_FILE || !open_) return;
  end = std::min<unsigned>(end, static_cast<unsigned>(list.size()));
  auto wanted = [&](unsigned page) {
    return page < Get_PageCount() && page < filePageCount_ && Slot(page).address == nullptr;
  };
  for (unsigned i = first; i < end;) {
    if (!wanted(list[i])) {
      ++i;
      continue;
    }
    unsigned runEnd = i + 1;
    while (runEnd < end && list[runEnd] == list[runEnd - 1] + 1 && wanted(list[runEnd])) ++runEnd;
    ZELI_OS_AdviseWillRead(fd_, uint64_t{list[i]} * pageSize_, uint64_t{runEnd - i} * pageSize_);
    i = runEnd;
  }
}

unsigned ZELI_MemoryFile::ReadablePageCount(const ZELI_PageList& list, unsigned first, unsigned end) const {
  end = std::min<unsigned>(end, static_cast<unsigned>(list.size()));
  if (first >= end) return 0;
  if (kind_ != DATA_FILE || !open_) return end - first;
  // A page counts when the file holds its start: reads take only the bytes
  // they need, and only the page at the file's end can be cut, so the
  // memory sized by the count passes what the file holds by a page at most.
  // The size last seen serves until a page lies beyond it: the file only
  // grows (writers append), so one look at the size then settles it.
  bool sizeFresh = false;
  unsigned readable = 0;
  for (unsigned k = first; k < end; ++k) {
    const unsigned page = list[k];
    const uint64_t pageStart = uint64_t{page} * pageSize_;
    if (pageStart >= knownFileBytes_ && !sizeFresh && page < filePageCount_) {
      knownFileBytes_ = ZELI_OS_FileSize(fd_);
      sizeFresh = true;
    }
    if (pageStart < knownFileBytes_ || page >= filePageCount_ ||
        (page < flags_.size() && Slot(page).address != nullptr)) {
      ++readable;
    }
  }
  return readable;
}

void ZELI_MemoryFile::ReadArrayBytes(const ZELI_PageList& list, unsigned tailOffset, uint64_t logical,
                                     uint64_t length, char* target) const {
  RequireSupportedKind();
  if (length == 0) return;
  if (kind_ == DATA_FILE && !open_) throw ZELI_FailedException("Memory file is not open.");
  const size_t last = list.size() - 1;  // list is not empty once a byte is asked for
  // Where the bytes of list entry k start within its page.
  auto shift = [&](uint64_t k) -> unsigned { return tailOffset != 0 && k == last ? tailOffset : 0; };
  auto check = [&](uint64_t k) {
    if (k >= list.size() || list[k] >= flags_.size()) throw ZELI_BadArgException(OutOfRange);
    if (!IsAllocated(list[k])) throw ZELI_FailedException("Page is not allocated.");
  };
  uint64_t k = logical / pageSize_;
  uint64_t inPage = logical % pageSize_;
  while (length > 0) {
    check(k);
    const unsigned page = list[k];
    if (inPage + shift(k) >= pageSize_) throw ZELI_BadArgException(OutOfRange);
    const uint64_t here = std::min<uint64_t>(length, pageSize_ - shift(k) - inPage);
    const char* resident = Slot(page).address;
    if (resident != nullptr || page >= filePageCount_ || kind_ != DATA_FILE) {
      if (resident != nullptr) {
        std::memcpy(target, resident + shift(k) + inPage, static_cast<size_t>(here));
      } else {
        std::memset(target, 0, static_cast<size_t>(here));
      }
      target += here;
      length -= here;
      ++k;
      inPage = 0;
      continue;
    }
    // A run of list entries whose pages follow one another in the file,
    // none resident, all inside it, none a packed last page: one read.
    const uint64_t offset = uint64_t{page} * pageSize_ + shift(k) + inPage;
    uint64_t run = here;
    uint64_t next = k + 1;
    while (run < length && next <= last && list[next] == list[next - 1] + 1 && shift(next) == 0 &&
           list[next] < filePageCount_ && Slot(list[next]).address == nullptr) {
      check(next);
      run += std::min<uint64_t>(length - run, pageSize_);
      ++next;
    }
    for (uint64_t done = 0; done < run;) {
      const unsigned want = static_cast<unsigned>(std::min(run - done, MaxReadChunk));
      const unsigned got = ZELI_OS_ReadAt(fd_, target + done, want, offset + done);
      if (got < want) throw ZELI_FailedException("Corrupted data file.");
      done += got;
    }
    target += run;
    length -= run;
    k = next;
    inPage = 0;
  }
}

void ZELI_MemoryFile::ReleaseArrayPages(const ZELI_PageList& list, unsigned first, unsigned end) {
  if (first > end || end > list.size()) throw ZELI_BadArgException(OutOfRange);
  for (unsigned i = first; i < end; ++i) {
    if (list[i] >= Get_PageCount()) throw ZELI_BadArgException(OutOfRange);
  }
  // All or nothing, also for a list that names one page twice. A page with
  // a mapping is resident, so its slot is in place.
  for (unsigned i = first; i < end; ++i) {
    if (Slot(list[i]).mappedCount == 0) {
      // Raising back what was just dropped cannot pass the count's maximum.
      for (unsigned j = first; j < i; ++j) IncrementMapped(WritableSlot(list[j]));
      throw ZELI_BadArgException("Decrement _mappedCount below 0.");
    }
    DecrementMapped(WritableSlot(list[i]));
  }
}

void ZELI_MemoryFile::UnmapArrayPages(const ZELI_PageList& list, unsigned first, unsigned end) {
  RequireSupportedKind();
  ReleaseArrayPages(list, first, end);
  FreePages(0);
}

char* ZELI_MemoryFile::PageSpan(const ZELI_PageList& list, unsigned index, unsigned lo, unsigned hi, unsigned& before,
                                unsigned& after) const {
  if (index >= list.size() || list[index] >= Get_PageCount()) throw ZELI_BadArgException(OutOfRange);
  char* const address = Slot(list[index]).address;
  if (address == nullptr) throw ZELI_FailedException("Page is not mapped.");
  // Both counts stay below 4 GiB (they are 32-bit byte counts).
  const unsigned limit = UINT32_MAX - pageSize_;
  before = 0;
  const char* expected = address;
  for (unsigned k = index; k > lo && before <= limit; --k) {
    const unsigned page = list[k - 1];
    if (page >= Get_PageCount() || Slot(page).address == nullptr || Slot(page).address + pageSize_ != expected) break;
    expected = Slot(page).address;
    before += pageSize_;
  }
  after = pageSize_;
  expected = address + pageSize_;
  for (unsigned k = index + 1; k < hi && k < list.size() && after <= limit; ++k) {
    const unsigned page = list[k];
    if (page >= Get_PageCount() || Slot(page).address != expected) break;
    expected += pageSize_;
    after += pageSize_;
  }
  return address;
}

char* ZELI_MemoryFile::PageAddress(const ZELI_PageList& list, unsigned index, unsigned& before, unsigned& after) const {
  RequireSupportedKind();
  return PageSpan(list, index, 0, static_cast<unsigned>(list.size()), before, after);
}

void ZELI_MemoryFile::AllocateFixedArray(ZELI_MemoryArray*, unsigned) {
  throw ZELI_FailedException("ZELI_MemoryFile::AllocateFixedArray not implemented");
}

// ---- extension --------------------------------------------------------------

void ZELI_MemoryFile::CheckArrayGrowth(const ZELI_PageList& list, unsigned pageCount, const char* tooLarge) const {
  if (static_cast<uint64_t>(list.size()) + pageCount > MaxArrayPages ||
      static_cast<uint64_t>(flags_.size()) + pageCount > UINT32_MAX) {
    throw ZELI_FailedException(tooLarge);
  }
}

void ZELI_MemoryFile::AppendPages(unsigned pageCount, ZELI_PageList& list) {
  const size_t first = flags_.size();
  ReserveFor(slotChunks_, SlotChunkCount(first + pageCount));
  ReserveFor(flags_, first + pageCount);
  if (!usedSizes_.empty()) ReserveFor(usedSizes_, first + pageCount);
  ReserveFor(list, list.size() + pageCount);
  for (unsigned i = 0; i < pageCount; ++i) {
    flags_.push_back(ALLOCATED | CLAIMED);
    if (slotChunks_.size() < SlotChunkCount(flags_.size())) slotChunks_.emplace_back();
    if (!usedSizes_.empty()) usedSizes_.push_back(static_cast<unsigned short>(pageSize_));
    list.push_back(static_cast<unsigned>(first + i));
  }
}

void ZELI_MemoryFile::ExtendVariableArray(ZELI_MemoryArray* array, unsigned pageCount, ZELI_PageList& list) {
  RequireSupportedKind();
  if (array == nullptr) throw ZELI_BadArgException("ZELI_MemoryFile::ExtendVariableArray: no array");
  if (kind_ == DATA_FILE) RequireWritable();
  Add_MemoryArray_p(array);
  if (pageCount == 0) return;
  CheckArrayGrowth(list, pageCount, "ZELI_MemoryFile::ExtendVariableArray: array beyond 32 bits");
  const unsigned first = static_cast<unsigned>(flags_.size());
  ReserveFor(pageMapLog_, pageMapLog_.size() + 3);
  AppendPages(pageCount, list);
  pageMapLog_.push_back(static_cast<unsigned>(array->Get_IndexInFile()));
  pageMapLog_.push_back(first);
  pageMapLog_.push_back(first + pageCount);
  // A memory-only file holds every page it has.
  if (kind_ != DATA_FILE) filePageCount_ = Get_PageCount();
}

void ZELI_MemoryFile::WriteNewPages(ZELI_MemoryArray* array, unsigned pageCount, ZELI_PageList& list,
                                    const char* bytes) {
  if (!IsWritingThrough()) throw ZELI_FailedException("ZELI_MemoryFile::WriteNewPages: not a data file open for writing");
  if (pageCount == 0) return;
  CheckArrayGrowth(list, pageCount, "ZELI_MemoryFile::ExtendVariableArray: array beyond 32 bits");
  const unsigned first = Get_PageCount();
  for (unsigned i = 0; i < pageCount; ++i) ExtendVariableArray(array, 1, list);
  // Appended at the end of the file one after the other: one range.
  struct iovec piece = {const_cast<char*>(bytes), static_cast<size_t>(uint64_t{pageCount} * pageSize_)};
  unsynced_ = 1;
  ZELI_OS_WriteAt(fd_, &piece, 1, uint64_t{first} * pageSize_);
  WroteRange(uint64_t{first} * pageSize_, piece.iov_len);
  filePageCount_ = std::max(filePageCount_, first + pageCount);
}

// ---- arrays -----------------------------------------------------------------

void ZELI_MemoryFile::Attach(ZELI_MemoryArray* array) {
  attached_.insert(array);
}

void ZELI_MemoryFile::Detach(ZELI_MemoryArray* array) noexcept {
  attached_.erase(array);
  const int index = array->Get_IndexInFile();
  auto registered = arrays_.find(index);
  if (registered != arrays_.end() && registered->second == array) arrays_.erase(registered);
}

void ZELI_MemoryFile::CheckIndexFree(const ZELI_MemoryArray* array) const {
  const int index = array->Get_IndexInFile();
  if (index < 0) {
    if (nextIndex_ > INT32_MAX) throw ZELI_FailedException("ZELI_MemoryFile::Add_MemoryArray_p: index");
    return;
  }
  // Records list their arrays by ascending index: past the last one there
  // is nothing to find.
  if (arrays_.empty() || index > arrays_.rbegin()->first) return;
  auto it = arrays_.find(index);
  if (it != arrays_.end() && it->second != array)
    throw ZELI_FailedException("ZELI_MemoryFile::Add_MemoryArray_p: index");
}

ZELI_MemoryArray* ZELI_MemoryFile::Add_MemoryArray_p(ZELI_MemoryArray* array) {
  if (array == nullptr || array->Get_MemoryFile_p() != this) {
    throw ZELI_BadArgException("ZELI_MemoryFile::Add_MemoryArray_p: array of another file");
  }
  CheckIndexFree(array);
  int index = array->Get_IndexInFile();
  if (index < 0) index = static_cast<int>(nextIndex_);
  if (arrays_.empty() || index > arrays_.rbegin()->first) {
    arrays_.emplace_hint(arrays_.end(), index, array);  // the usual case: constant time
  } else {
    arrays_[index] = array;
  }
  array->Set_IndexInFile(static_cast<unsigned>(index));
  nextIndex_ = std::max<int64_t>(nextIndex_, static_cast<int64_t>(index) + 1);
  return array;
}

ZELI_MemoryArray* ZELI_MemoryFile::Get_MemoryArray_p(int index) const {
  auto it = arrays_.find(index);
  return it != arrays_.end() ? it->second : nullptr;
}

void ZELI_MemoryFile::ClaimChecked(const ZELI_PageList& list, const char* message) {
  // Plain pointers: byte stores may alias the vectors' own fields, which
  // the compiler would otherwise reload on every page.
  unsigned char* const flags = flags_.data();
  const size_t pageCount = flags_.size();
  const unsigned* const pages = list.data();
  const size_t n = list.size();
  for (size_t i = 0; i < n; ++i) {
    const unsigned page = pages[i];
    if (page >= pageCount || flags[page] != ALLOCATED) {
      for (size_t j = 0; j < i; ++j) flags[pages[j]] &= static_cast<unsigned char>(~CLAIMED);
      throw ZELI_FailedException(message);
    }
    flags[page] = ALLOCATED | CLAIMED;
  }
}

void ZELI_MemoryFile::Unclaim(const ZELI_PageList& list) noexcept {
  for (unsigned page : list) flags_[page] &= static_cast<unsigned char>(~CLAIMED);
}

// ---- stored forms -----------------------------------------------------------

void ZELI_MemoryFile::Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>&) {
  RequireSupportedKind();
  if (Get_PageCount() != filePageCount_) throw ZELI_FailedException("ZELI_MemoryFile::Write: page count");
  out << pageSize_ << filePageCount_;
  // (mapped, allocated) per page, gathered and written at once.
  std::vector<unsigned char> records(2 * size_t{filePageCount_});
  for (unsigned page = 0; page < filePageCount_; ++page) {
    records[2 * size_t{page}] = Slot(page).mappedCount;
    records[2 * size_t{page} + 1] = IsAllocated(page) ? 1 : 0;
  }
  out.Write(records.data(), records.size());
  out << Get_Key();
  pageMapLog_.clear();
}

void ZELI_MemoryFile::WriteMap(ZELI_Ostream& out) {
  RequireSupportedKind();
  out.Write(pageMapLog_.data(), pageMapLog_.size() * sizeof(unsigned));
  pageMapLog_.clear();
}

void ZELI_MemoryFile::ReadMap(ZELI_Istream& in) {
  RequireSupportedKind();
  constexpr unsigned TripleBytes = 12;
  // A writer appends whole triples, but a reader may look while a commit is
  // still writing: bytes that do not yet make a whole triple are left for the
  // next reading.
  while (!in.AtEnd() && in.BytesLeft() >= TripleBytes) {
    unsigned triple[3];
    in.Read(triple, 3, 4);
    const unsigned first = triple[1];
    const unsigned end = triple[2];
    ZELI_MemoryArray* array = triple[0] <= INT32_MAX ? Get_MemoryArray_p(static_cast<int>(triple[0])) : nullptr;
    if (array == nullptr) throw ZELI_FailedException("ZELI_MemoryFile::ReadMap: array");
    if (first != Get_PageCount()) throw ZELI_FailedException("ZELI_MemoryFile::ReadMap: pageBegin");
    if (end < first) throw ZELI_FailedException("ZELI_MemoryFile::ReadMap: pageEnd");
    CheckArrayGrowth(array->pages_, end - first, "ZELI_MemoryFile::ReadMap: count");
    AppendPages(end - first, array->pages_);
  }
  filePageCount_ = Get_PageCount();
  pageMapLog_.clear();
}

// ---- page budgets -----------------------------------------------------------

void ZELI_MemoryFile::Add_PageBudget(unsigned pages) noexcept {
  mappedPageLimit_ = pages > UINT32_MAX - mappedPageLimit_ ? UINT32_MAX : mappedPageLimit_ + pages;
}

void ZELI_MemoryFile::Remove_PageBudget(unsigned pages) noexcept {
  mappedPageLimit_ = pages > mappedPageLimit_ ? 0 : mappedPageLimit_ - pages;
  TrimSpares(mappedPageLimit_);
}

// ---- diagnostics ------------------------------------------------------------

void ZELI_MemoryFile::DumpPages() const { DumpPages(std::cout); }

void ZELI_MemoryFile::DumpPages(std::ostream& out) const {
  for (unsigned i = 0; i < Get_PageCount(); ++i) {
    const ZELI_MemoryPage page = Get_Page(i);
    out << "Pg " << std::setw(4) << i << ":"
        << " @ " << static_cast<const void*>(page.address) << ", " << std::setw(5) << page.usedSize << " used,"
        << std::setw(4) << static_cast<unsigned>(page.mappedCount) << " mapped," << std::setw(4)
        << static_cast<unsigned>(page.allocatedCount) << " allocated" << '\n';
  }
  out.flush();
}

void ZELI_MemoryFile::CheckInvariants() const {
  auto require = [](bool holds, const char* what) {
    if (!holds) throw ZELI_FailedException(ZELI_Message() << "ZELI_MemoryFile::CheckInvariants: " << what);
  };
  const unsigned pageCount = Get_PageCount();
  require(slotChunks_.size() == SlotChunkCount(pageCount) && (usedSizes_.empty() || usedSizes_.size() == pageCount),
          "page tables");
  require(filePageCount_ <= pageCount, "file page count beyond the pages");
  require(kind_ == DATA_FILE || filePageCount_ == pageCount, "memory-only page count");
  require(pageMapLog_.size() % 3 == 0, "log not in triples");
  require(kind_ != DATA_FILE || open_ || blocks_.empty(), "blocks of a closed data file");
  std::vector<char> inBlock(pageCount, 0);
  uint64_t resident = 0;
  size_t idleBlocks = 0;
  for (size_t i = 0; i < blocks_.size(); ++i) {
    const ZELI_MappedPageBlock* block = blocks_[i].get();
    require(block != nullptr && block->Get_FirstPage() < block->Get_EndPage() && block->Get_EndPage() <= pageCount,
            "block range");
    require(block->listIndex_ == i, "block list index");
    unsigned pinned = 0;
    for (unsigned page = block->Get_FirstPage(); page < block->Get_EndPage(); ++page) {
      require(!inBlock[page], "page in two blocks");
      inBlock[page] = 1;
      require(Slot(page).address ==
                  block->Get_Memory() + static_cast<uint64_t>(page - block->Get_FirstPage()) * pageSize_,
              "page address");
      require(Slot(page).block == block, "page's block");
      if (Slot(page).mappedCount != 0) ++pinned;
    }
    require(pinned == block->pinnedPages_, "block pinned count");
    if (pinned == 0) ++idleBlocks;
    resident += block->PageCount();
  }
  // The idle chain: linked both ways, each block once (a chain longer than
  // the idle blocks has a repeat or a cycle), holding only idle blocks.
  size_t chained = 0;
  const ZELI_MappedPageBlock* previous = nullptr;
  for (const ZELI_MappedPageBlock* block = idleFirst_; block != nullptr; block = block->idleNext_) {
    require(++chained <= idleBlocks, "idle chain longer than the idle blocks");
    require(block->idlePrevious_ == previous, "idle chain links");
    require(block->listIndex_ < blocks_.size() && blocks_[block->listIndex_].get() == block && IsIdle(*block),
            "idle chain holds a block that is not idle or not listed");
    previous = block;
  }
  require(previous == idleLast_ && chained == idleBlocks, "idle chain");
  require(resident == mappedPageCount_, "mapped page count");
  require(maxMappedPageCount_ >= mappedPageCount_, "highest mapped page count");
  unsigned idle = 0;
  for (unsigned page = 0; page < pageCount; ++page) {
    const ZELI_MemoryPage record = Get_Page(page);
    require(inBlock[page] || record.address == nullptr, "address outside every block");
    require(record.address != nullptr || record.mappedCount == 0, "mapped page not resident");
    require((flags_[page] & ~(ALLOCATED | CLAIMED)) == 0, "page flags");
    require(!record.claimed || record.allocatedCount == 1, "claimed page not allocated");
    if (record.address != nullptr && record.mappedCount == 0) ++idle;
  }
  require(idle == idlePageCount_, "idle page count");
  uint64_t sparePages = 0;
  for (unsigned i = 0; i < MaxSpares; ++i) {
    const Spare& spare = spares_[i];
    require((i < spareCount_) == (spare.memory != nullptr), "spare slots");
    if (i < spareCount_) {
      require(spare.capacity >= uint64_t{MinSparePages} * pageSize_, "spare below the smallest kept");
      sparePages += spare.capacity / pageSize_;
    }
  }
  require(spareCount_ <= MaxSpares && sparePages == sparePages_, "spare page count");
  require(sparePages_ <= mappedPageLimit_, "spare pages beyond the page limit");
  require(kind_ != DATA_FILE || open_ || spareCount_ == 0, "spares of a closed data file");
  for (const auto& entry : arrays_) {
    require(entry.second != nullptr && entry.second->Get_IndexInFile() == entry.first &&
                entry.second->Get_MemoryFile_p() == this,
            "registered array");
  }
}
