// ZELI_MemoryArray: the stored record, the cursor with its window and span,
// transfers of bytes and of string values through the companion array.
#include "store/memory_array.h"

#include <algorithm>
#include <cstring>

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "store/keymap.h"
#include "store/stream.h"

namespace {

uint32_t ByteSwap(uint32_t v) { return __builtin_bswap32(v); }

// Texts longer than this (bytes) are checked against the data file before
// their memory is allocated.
constexpr uint32_t LongText = 65536;

}  // namespace

// ---- construction -----------------------------------------------------------

ZELI_MemoryArray::ZELI_MemoryArray(ZELI_MemoryFile* file) : file_(file) {
  if (file_ == nullptr) throw ZELI_BadArgException("ZELI_MemoryArray: no memory file");
  file_->Attach(this);
}

ZELI_MemoryArray::ZELI_MemoryArray(ZELI_MemoryFile* file, ZELI_Istream& in, ZELI_KeyMap<ZELI_InternalBase>& map)
    : file_(file) {
  if (file_ == nullptr) throw ZELI_BadArgException("ZELI_MemoryArray: no memory file");
  // Before version 6 the index was not stored: it is assigned on registering.
  if (in.Get_SoftwareVersion() >= 6) {
    int index = -1;
    in >> index;
    if (index < -1) throw ZELI_FailedException("ZELI_MemoryArray::Read: index");
    indexInFile_ = index;
  }
  in >> startOffset_ >> tailOffset_ >> size_;
  const unsigned pageSize = file_->Get_PageSize();
  if (startOffset_ >= pageSize) throw ZELI_FailedException("ZELI_MemoryArray::Read: start offset");
  if (tailOffset_ >= pageSize) throw ZELI_FailedException("ZELI_MemoryArray::Read: tail offset");
  const unsigned count = in.ReadCount(4);
  if (count > ZELI_MemoryFile::MaxArrayPages) throw ZELI_FailedException("ZELI_MemoryArray::Read: page count");
  pages_.resize(count);
  if (count > 0) in.Read(pages_.data(), count, 4);
  int key = -1;
  in >> key;

  // The pages must hold every byte of the size; on the last page of a packed
  // array the bytes start at the tail offset and must still fit.
  if (size_ > 0) {
    const uint64_t lastByte = LogicalOffset(size_) - 1;
    if (lastByte / pageSize >= count) throw ZELI_FailedException("ZELI_MemoryArray::Read: size");
    if (tailOffset_ != 0 && lastByte / pageSize == count - 1 && lastByte % pageSize + tailOffset_ >= pageSize) {
      throw ZELI_FailedException("ZELI_MemoryArray::Read: tail offset");
    }
  }
  file_->ClaimChecked(pages_, "ZELI_MemoryArray::Read: page list");
  // Registering with the file now lets a page map name the array before its
  // owner adds it (adding again is a no-op).
  bool attached = false;
  try {
    file_->CheckIndexFree(this);
    file_->Attach(this);
    attached = true;
    file_->Add_MemoryArray_p(this);
    map.Insert(key, this);
  } catch (...) {
    file_->Unclaim(pages_);
    if (attached) file_->Detach(this);
    throw;
  }
  Set_Key(key);
}

ZELI_MemoryArray::~ZELI_MemoryArray() {
  if (previous_ != nullptr) previous_->next_ = nullptr;
  if (next_ != nullptr) next_->previous_ = nullptr;
  if (file_ != nullptr) {
    ReleaseWindowQuietly();
    file_->Detach(this);
  }
}

void ZELI_MemoryArray::DetachFromFile() noexcept {
  ForgetWindow();
  file_ = nullptr;
  open_ = 0;
}

void ZELI_MemoryArray::Set_StringArray_p(ZELI_MemoryArray* companion) {
  if (companion == next_) return;
  if (companion != nullptr) {
    for (const ZELI_MemoryArray* p = companion; p != nullptr; p = p->next_) {
      if (p == this) throw ZELI_BadArgException("ZELI_MemoryArray::Set_StringArray_p: cycle");
    }
    if (companion->previous_ != nullptr) {
      throw ZELI_BadArgException("ZELI_MemoryArray::Set_StringArray_p: companion of another array");
    }
  }
  if (next_ != nullptr) next_->previous_ = nullptr;
  next_ = companion;
  if (companion != nullptr) companion->previous_ = this;
}

// ---- open and close -----------------------------------------------------------

void ZELI_MemoryArray::Open(zel_iomode_t mode) {
  for (const ZELI_MemoryArray* p = this; p != nullptr; p = p->next_) {
    if (p->open_) throw ZELI_FailedException("ZELI_MemoryArray is already open.");
    if (p->file_ == nullptr) throw ZELI_FailedException("ZELI_MemoryArray: no memory file");
  }
  for (ZELI_MemoryArray* p = this; p != nullptr; p = p->next_) {
    p->open_ = 1;
    p->mode_ = mode == ZEL_IOMODE_READ ? ZEL_IOMODE_READ : ZEL_IOMODE_WRITE;
    p->position_ = 0;
    p->keepWindow_ = false;
    p->ClearSpan();
  }
}

void ZELI_MemoryArray::Close() {
  for (const ZELI_MemoryArray* p = this; p != nullptr; p = p->next_) {
    if (!p->open_) throw ZELI_FailedException("ZELI_MemoryArray is not open.");
  }
  for (ZELI_MemoryArray* p = this; p != nullptr; p = p->next_) {
    p->ReleaseWindowQuietly();
    p->open_ = 0;
  }
  for (ZELI_MemoryArray* p = this; p != nullptr; p = p->next_) p->file_->FreePages(0);
}

void ZELI_MemoryArray::RequireOpen() const {
  if (!open_ || file_ == nullptr) throw ZELI_FailedException("ZELI_MemoryArray is not open.");
}

// ---- window -------------------------------------------------------------------

void ZELI_MemoryArray::ClearSpan() noexcept {
  address_ = nullptr;
  available_ = 0;
  spanStart_ = 0;
  spanEnd_ = 0;
  spanBase_ = nullptr;
}

void ZELI_MemoryArray::ForgetWindow() noexcept {
  windowFirst_ = 0;
  windowEnd_ = 0;
  keepWindow_ = false;
  ClearSpan();
}

void ZELI_MemoryArray::ReleaseWindowQuietly() noexcept {
  for (unsigned i = windowFirst_; i < windowEnd_; ++i) {
    const unsigned page = pages_[i];
    if (page < file_->Get_PageCount() && file_->Slot(page).mappedCount > 0) {
      file_->DecrementMapped(file_->WritableSlot(page));
    }
  }
  ForgetWindow();
}

void ZELI_MemoryArray::MapWindowRange(unsigned first, unsigned end) {
  file_->MapArrayPages(pages_, first, end);
  if (windowFirst_ == windowEnd_) {
    windowFirst_ = first;
    windowEnd_ = end;
  } else if (first == windowEnd_) {
    windowEnd_ = end;
  } else {
    windowFirst_ = first;
  }
}

void ZELI_MemoryArray::ReleaseWindowRange(unsigned first, unsigned end) {
  file_->ReleaseArrayPages(pages_, first, end);
  if (first == windowFirst_) {
    windowFirst_ = end;
  } else {
    windowEnd_ = first;
  }
  if (windowFirst_ >= windowEnd_) windowFirst_ = windowEnd_ = 0;
}

void ZELI_MemoryArray::DropWindow() {
  ClearSpan();
  if (windowFirst_ == windowEnd_) return;
  ReleaseWindowRange(windowFirst_, windowEnd_);
  file_->FreePages(0);
}

void ZELI_MemoryArray::AdviseWillRead(uint64_t position, uint64_t length) const noexcept {
  if (file_ == nullptr || length == 0 || pages_.empty()) return;
  const uint64_t pageSize = file_->Get_PageSize();
  const uint64_t first = LogicalOffset(position) / pageSize;
  if (first >= pages_.size()) return;
  // An array holds at most MaxSize bytes: a longer length only runs to its end.
  const uint64_t last = LogicalOffset(position) + std::min<uint64_t>(length, MaxSize) - 1;
  const uint64_t end = std::min<uint64_t>(pages_.size(), last / pageSize + 1);
  file_->AdviseArrayPages(pages_, static_cast<unsigned>(first), static_cast<unsigned>(end));
}

// ---- cursor -------------------------------------------------------------------

void ZELI_MemoryArray::Seek(unsigned position) {
  if (address_ != nullptr && position >= spanStart_ && position < spanEnd_ && position <= size_) {
    address_ = spanBase_ + (position - spanStart_);
    available_ = spanEnd_ - position;
    position_ = position;
    return;
  }
  RequireOpen();
  if (position > size_) Resize(position);
  position_ = position;
  ClearSpan();
  UpdateAddressing(0);
}

void ZELI_MemoryArray::UpdateAddressing(uint64_t wanted) {
  ClearSpan();
  const unsigned pageSize = file_->Get_PageSize();
  const uint64_t logical = LogicalOffset(position_);
  const uint64_t pageIndex = logical / pageSize;
  if (pageIndex >= pages_.size()) {
    if (mode_ == ZEL_IOMODE_READ) {
      if (wanted == 0) return;
      throw ZELI_FailedException("Resize beyond file size when reading.");
    }
    if (tailOffset_ != 0) throw ZELI_FailedException("The container has been compacted.");
  }
  // Map ahead what the transfer will use, so that consecutive pages come and
  // go as one block.
  uint64_t pageEnd = pageIndex + 1;
  if (wanted > 1) pageEnd = std::min((logical + wanted - 1) / pageSize + 1, pageIndex + MaxRunPages);
  if (mode_ == ZEL_IOMODE_READ) pageEnd = std::min<uint64_t>(pageEnd, pages_.size());
  // One page per extension, as a writer appending page by page logs them.
  while (pages_.size() < pageEnd) file_->ExtendVariableArray(this, 1, pages_);

  const unsigned first = static_cast<unsigned>(pageIndex);
  const unsigned end = static_cast<unsigned>(pageEnd);
  if (windowFirst_ != windowEnd_) {
    if (first < windowFirst_ || first >= windowEnd_) {
      DropWindow();
      keepWindow_ = false;
    } else if (!keepWindow_ && first > windowFirst_) {
      ReleaseWindowRange(windowFirst_, first);
      file_->FreePages(0);
    }
  }
  if (windowFirst_ == windowEnd_) {
    MapWindowRange(first, end);
  } else if (end > windowEnd_) {
    MapWindowRange(windowEnd_, end);
  }
  ComputeSpan(first);
}

void ZELI_MemoryArray::ComputeSpan(unsigned pageIndex) {
  ClearSpan();
  unsigned before = 0;
  unsigned after = 0;
  char* const pageAddress = file_->PageSpan(pages_, pageIndex, windowFirst_, windowEnd_, before, after);
  const unsigned pageSize = file_->Get_PageSize();
  // Position of the page's first byte (negative on the first page when the
  // array starts inside it).
  const int64_t pagePosition = static_cast<int64_t>(pageIndex) * pageSize - startOffset_;
  uintptr_t pageBase = reinterpret_cast<uintptr_t>(pageAddress);
  if (tailOffset_ != 0) {
    // A packed array's last page is shifted by the tail offset, so no span
    // crosses into it or out of it.
    const unsigned last = static_cast<unsigned>(pages_.size() - 1);
    if (pageIndex == last) {
      before = 0;
      after = pageSize - tailOffset_;
      pageBase += tailOffset_;
    } else {
      after = static_cast<unsigned>(std::min<uint64_t>(after, static_cast<uint64_t>(last - pageIndex) * pageSize));
    }
  }
  const int64_t start = std::max<int64_t>(0, pagePosition - before);
  const int64_t end = std::min<int64_t>(pagePosition + after, static_cast<int64_t>(MaxSize));
  if (static_cast<int64_t>(position_) >= end) return;  // beyond a packed array's last byte
  spanStart_ = static_cast<uint64_t>(start);
  spanEnd_ = static_cast<uint64_t>(end);
  spanBase_ = reinterpret_cast<char*>(pageBase + static_cast<uintptr_t>(start - pagePosition));
  address_ = spanBase_ + (position_ - spanStart_);
  available_ = spanEnd_ - position_;
}

void ZELI_MemoryArray::Resize(unsigned newSize) {
  RequireOpen();
  if (newSize <= size_) throw ZELI_FailedException("ZELI_MemoryArray::Resize newSize <= size.");
  if (tailOffset_ != 0) throw ZELI_FailedException("The container has been compacted.");
  const uint64_t lastPage = (LogicalOffset(newSize) - 1) / file_->Get_PageSize();
  if (lastPage >= pages_.size()) {
    if (mode_ == ZEL_IOMODE_READ) throw ZELI_FailedException("Resize beyond file size when reading.");
    file_->ExtendVariableArray(this, static_cast<unsigned>(lastPage + 1 - pages_.size()), pages_);
  }
  size_ = newSize;
}

unsigned ZELI_MemoryArray::Extend(unsigned n) {
  RequireOpen();
  if (n == 0) return size_;
  if (static_cast<uint64_t>(size_) + n > MaxSize)
    throw ZELI_FailedException("ZELI_MemoryArray::Extend: size beyond 32 bits");
  const unsigned old = size_;
  Resize(size_ + n);
  return old;
}

uint64_t ZELI_MemoryArray::Get_HeldBytes() const {
  // A packed array holds exactly its size (it can no longer grow).
  if (tailOffset_ != 0 || pages_.empty()) return size_;
  const uint64_t held = static_cast<uint64_t>(pages_.size()) * Get_PageSize() - startOffset_;
  return std::max<uint64_t>(size_, std::min<uint64_t>(held, MaxSize));
}

void ZELI_MemoryArray::RandomlyAccess(unsigned position, unsigned length) {
  RequireOpen();
  keepWindow_ = true;
  Access(position, length);
}

void ZELI_MemoryArray::Access(unsigned position, unsigned length) {
  RequireOpen();
  if (length == 0) {
    DropWindow();
    keepWindow_ = false;
    return;
  }
  const uint64_t end = static_cast<uint64_t>(position) + length;
  if (end > MaxSize) throw ZELI_FailedException("ZELI_MemoryArray::Access: size beyond 32 bits");
  if (end > size_) Resize(static_cast<unsigned>(end));
  const unsigned pageSize = file_->Get_PageSize();
  const uint64_t first64 = LogicalOffset(position) / pageSize;
  const uint64_t end64 = (LogicalOffset(end) - 1) / pageSize + 1;
  if (end64 > pages_.size()) throw ZELI_BadArgException("Page index out of range.");
  const unsigned first = static_cast<unsigned>(first64);
  const unsigned last = static_cast<unsigned>(end64);
  ClearSpan();
  const unsigned oldFirst = windowFirst_;
  const unsigned oldEnd = windowEnd_;
  if (oldFirst == oldEnd) {
    file_->MapArrayPages(pages_, first, last);
  } else {
    // Pin the entering pages before unpinning the leaving ones, so that pages
    // kept in the window never leave memory in between.
    const bool below = first < oldFirst;
    if (below) file_->MapArrayPages(pages_, first, std::min(last, oldFirst));
    if (last > oldEnd) {
      try {
        file_->MapArrayPages(pages_, std::max(first, oldEnd), last);
      } catch (...) {
        if (below) file_->ReleaseArrayPages(pages_, first, std::min(last, oldFirst));
        throw;
      }
    }
    if (oldFirst < first) file_->ReleaseArrayPages(pages_, oldFirst, std::min(oldEnd, first));
    if (oldEnd > last) file_->ReleaseArrayPages(pages_, std::max(oldFirst, last), oldEnd);
  }
  windowFirst_ = first;
  windowEnd_ = last;
  file_->FreePages(0);
}

// ---- transfers ----------------------------------------------------------------

void ZELI_MemoryArray::TransferData(Direction direction, void* buffer, unsigned count, unsigned elementSize) {
  RequireOpen();
  if (direction == WRITING && mode_ == ZEL_IOMODE_READ)
    throw ZELI_FailedException("ZELI_MemoryArray is open for reading.");
  const uint64_t total = static_cast<uint64_t>(count) * elementSize;
  if (total == 0) return;
  if (buffer == nullptr) throw ZELI_BadArgException("ZELI_MemoryArray::TransferData: no buffer");
  if (position_ + total > MaxSize) throw ZELI_FailedException("ZELI_MemoryArray::TransferData: size beyond 32 bits");
  if (direction == WRITING && tailOffset_ != 0 && position_ + total > size_) {
    throw ZELI_FailedException("The container has been compacted.");
  }
  char* bytes = static_cast<char*>(buffer);
  uint64_t done = 0;
  while (done < total) {
    if (available_ == 0 && direction == WRITING) {
      const uint64_t through = WriteThrough(bytes + done, total - done);
      if (through > 0) {
        done += through;
        position_ += static_cast<unsigned>(through);
        if (position_ > size_) size_ = position_;
        continue;
      }
    }
    if (available_ == 0) {
      UpdateAddressing(total - done);
      if (available_ == 0) throw ZELI_FailedException("Resize beyond file size when reading.");
    }
    const size_t chunk = static_cast<size_t>(std::min(available_, total - done));
    if (direction == WRITING) {
      std::memcpy(address_, bytes + done, chunk);
    } else {
      std::memcpy(bytes + done, address_, chunk);
    }
    done += chunk;
    position_ += static_cast<unsigned>(chunk);
    address_ += chunk;
    available_ -= chunk;
    if (position_ > size_) size_ = position_;
  }
}

namespace {

// How many whole pages an array's WriteThrough writes for length bytes at a
// cursor whose byte lies at logical (start offset included); 0 when the case
// does not apply. Only pages that do not exist yet qualify: no byte of them
// is anywhere else, in memory or in the file. The transfer must end with the
// cursor's page mapped in the window, the state that the next append and a
// commit taken now (whose record stores each page's mapped count) see: a
// partial page after the whole ones is that page, otherwise the last whole
// page goes through a block, as every page did before. Writing the whole
// pages through in one call matters most to a writer of many arrays: a page
// left in a block is written back later on its own, apart from its
// neighbours, which belong to other arrays.
uint64_t WholePagesToWriteThrough(const ZELI_MemoryFile& file, bool packed, uint64_t logical, size_t pageCount,
                                  uint64_t length) {
  const unsigned pageSize = file.Get_PageSize();
  const uint64_t pages = length / pageSize;
  const uint64_t through = length % pageSize != 0 || pages == 0 ? pages : pages - 1;
  if (!file.IsWritingThrough() || packed || logical % pageSize != 0 || through == 0 ||
      logical / pageSize != pageCount) {
    return 0;
  }
  return through;
}

}  // namespace

uint64_t ZELI_MemoryArray::WriteThrough(const char* bytes, uint64_t length) {
  const uint64_t pages =
      WholePagesToWriteThrough(*file_, tailOffset_ != 0, LogicalOffset(position_), pages_.size(), length);
  if (pages == 0) return 0;
  // The cursor leaves the window, as addressing a new page would make it.
  if (windowFirst_ != windowEnd_) {
    DropWindow();
    keepWindow_ = false;
  }
  ClearSpan();
  file_->WriteNewPages(this, static_cast<unsigned>(pages), pages_, bytes);
  return pages * file_->Get_PageSize();
}

void ZELI_MemoryArray::WriteData(const void* values, unsigned count, unsigned elementSize) {
  TransferData(WRITING, const_cast<void*>(values), count, elementSize);
}

void ZELI_MemoryArray::WriteData(unsigned position, const void* values, unsigned count, unsigned elementSize) {
  // Appending from the cursor at a page boundary, whole new pages go through
  // from the first (TransferData); seeking first would map that page.
  if (position != position_ || available_ != 0 || file_ == nullptr || !open_ || mode_ == ZEL_IOMODE_READ ||
      WholePagesToWriteThrough(*file_, tailOffset_ != 0, LogicalOffset(position_), pages_.size(),
                               static_cast<uint64_t>(count) * elementSize) == 0) {
    Seek(position);
  }
  TransferData(WRITING, const_cast<void*>(values), count, elementSize);
}

void ZELI_MemoryArray::ReadData(void* values, unsigned count, unsigned elementSize) {
  TransferData(READING, values, count, elementSize);
}

void ZELI_MemoryArray::ReadData(unsigned position, void* values, unsigned count, unsigned elementSize) {
  Seek(position);
  TransferData(READING, values, count, elementSize);
}

void ZELI_MemoryArray::ReadDirect(unsigned position, void* values, unsigned count, unsigned elementSize) const {
  RequireOpen();
  const uint64_t total = static_cast<uint64_t>(count) * elementSize;
  if (total == 0) return;
  if (values == nullptr) throw ZELI_BadArgException("ZELI_MemoryArray::ReadDirect: no buffer");
  if (position + total > Get_HeldBytes()) throw ZELI_FailedException("Resize beyond file size when reading.");
  file_->ReadArrayBytes(pages_, tailOffset_, LogicalOffset(position), total, static_cast<char*>(values));
}

void ZELI_MemoryArray::RequireReadable(uint64_t position, uint64_t length) const {
  if (length == 0 || file_ == nullptr) return;
  const uint64_t pageSize = Get_PageSize();
  const uint64_t first = LogicalOffset(position) / pageSize;
  const uint64_t end = (LogicalOffset(position) + length - 1) / pageSize + 1;
  if (end > pages_.size()) throw ZELI_FailedException("Corrupted data file.");
  const auto count = static_cast<unsigned>(end - first);
  if (file_->ReadablePageCount(pages_, static_cast<unsigned>(first), static_cast<unsigned>(end)) != count) {
    throw ZELI_FailedException("Corrupted data file.");
  }
}

void ZELI_MemoryArray::WriteStringData(char** values, unsigned count, unsigned) {
  TransferStringData(WRITING, values, count);
}

void ZELI_MemoryArray::WriteStringData(unsigned position, char** values, unsigned count, unsigned) {
  Seek(position);
  TransferStringData(WRITING, values, count);
}

void ZELI_MemoryArray::ReadStringData(unsigned position, char** values, unsigned count, unsigned) {
  Seek(position);
  TransferStringData(READING, values, count);
}

void ZELI_MemoryArray::TransferStringData(Direction direction, char** values, unsigned count) {
  RequireOpen();
  if (count == 0) return;
  if (values == nullptr) throw ZELI_BadArgException("ZELI_MemoryArray::TransferStringData: no values");
  ZELI_MemoryArray* texts = next_;
  if (texts == nullptr) throw ZELI_FailedException("ZELI_MemoryArray: no string array");
  if (direction == WRITING) {
    for (unsigned i = 0; i < count; ++i) {
      const char* text = values[i];
      const uint64_t length = text != nullptr ? std::strlen(text) : 0;
      // Texts are appended at the companion's end, whatever its cursor did
      // since (reads, or a reopen that cleared it).
      const uint64_t offset = texts->size_;
      if (offset + 4 + length > MaxSize) {
        throw ZELI_FailedException("ZELI_MemoryArray::WriteStringData: offset beyond 32 bits");
      }
      uint32_t offset32 = static_cast<uint32_t>(offset);
      uint32_t length32 = static_cast<uint32_t>(length);
      TransferData(WRITING, &offset32, 1, 4);
      texts->Seek(offset32);
      texts->TransferData(WRITING, &length32, 1, 4);
      texts->TransferData(WRITING, const_cast<char*>(text), length32, 1);
    }
    return;
  }
  const bool convert = Get_ConvertEndianType() != 0;
  unsigned i = 0;
  try {
    for (; i < count; ++i) {
      values[i] = nullptr;
      uint32_t offset = 0;
      TransferData(READING, &offset, 1, 4);
      if (convert) offset = ByteSwap(offset);
      // Offsets and lengths come from the file: both must stay inside the
      // companion's pages, which also bounds the allocation. The pages, not
      // the size: texts appended after the store's record was written lie
      // beyond the size it recorded, in pages that the page map added.
      const uint64_t held = texts->Get_HeldBytes();
      if (static_cast<uint64_t>(offset) + 4 > held) {
        throw ZELI_FailedException("ZELI_MemoryArray::ReadStringData: offset");
      }
      texts->Seek(offset);
      uint32_t length = 0;
      texts->TransferData(READING, &length, 1, 4);
      if (convert) length = ByteSwap(length);
      if (length > held - offset - 4) throw ZELI_FailedException("ZELI_MemoryArray::ReadStringData: length");
      if (length == 0) continue;
      // A long text's pages must be in the data file before its memory is
      // taken (short ones cost no more than the check).
      if (length > LongText) texts->RequireReadable(uint64_t{offset} + 4, length);
      char* text = static_cast<char*>(ZELI_OS_Malloc(static_cast<size_t>(length) + 1));
      values[i] = text;
      texts->TransferData(READING, text, length, 1);
      text[length] = '\0';
    }
  } catch (...) {
    // The caller owns only what a successful call returns.
    for (unsigned j = 0; j <= i && j < count; ++j) {
      ZELI_OS_Free(values[j]);
      values[j] = nullptr;
    }
    throw;
  }
}

// ---- stored record --------------------------------------------------------------

void ZELI_MemoryArray::Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>&) const {
  out << indexInFile_ << startOffset_ << tailOffset_ << size_ << static_cast<unsigned>(pages_.size());
  out.Write(pages_.data(), pages_.size() * sizeof(unsigned));
  out << Get_Key();
}

// ---- diagnostics ----------------------------------------------------------------

void ZELI_MemoryArray::CheckInvariants() const {
  auto require = [](bool holds, const char* what) {
    if (!holds) throw ZELI_FailedException(ZELI_Message() << "ZELI_MemoryArray::CheckInvariants: " << what);
  };
  require(windowFirst_ <= windowEnd_ && windowEnd_ <= pages_.size(), "window range");
  require(open_ || windowFirst_ == windowEnd_, "window of a closed array");
  require(file_ != nullptr || windowFirst_ == windowEnd_, "window without file");
  if (file_ == nullptr) return;
  const unsigned pageSize = file_->Get_PageSize();
  require(startOffset_ < pageSize && tailOffset_ < pageSize, "offsets");
  require(size_ == 0 || (LogicalOffset(size_) - 1) / pageSize < pages_.size(), "size beyond the pages");
  for (unsigned i = windowFirst_; i < windowEnd_; ++i) {
    require(pages_[i] < file_->Get_PageCount(), "window page number");
    const ZELI_MemoryPage page = file_->Get_Page(pages_[i]);
    require(page.address != nullptr && page.mappedCount > 0, "window page not mapped");
  }
  if (address_ == nullptr) {
    require(available_ == 0, "available bytes without address");
    return;
  }
  require(spanStart_ <= position_ && position_ <= spanEnd_ && available_ == spanEnd_ - position_, "span bounds");
  require(address_ == spanBase_ + (position_ - spanStart_), "cursor address");
  // Every page that the span touches lies in the window, at the address the
  // span gives its bytes.
  const uint64_t firstPage = LogicalOffset(spanStart_) / pageSize;
  const uint64_t lastPage = (LogicalOffset(spanEnd_) - 1) / pageSize;
  for (uint64_t k = firstPage; k <= lastPage && k < pages_.size(); ++k) {
    require(k >= windowFirst_ && k < windowEnd_, "span outside the window");
    const int64_t pagePosition = static_cast<int64_t>(k) * pageSize - startOffset_;
    const uint64_t q = std::max<int64_t>(static_cast<int64_t>(spanStart_), pagePosition);
    uint64_t offset = LogicalOffset(q) - k * pageSize;
    if (tailOffset_ != 0 && k + 1 == pages_.size()) offset += tailOffset_;
    require(file_->Get_Page(pages_[k]).address + offset == spanBase_ + (q - spanStart_), "span address");
  }
  require(lastPage < pages_.size(), "span beyond the pages");
}
