// ZELI_MemoryArray: a growable byte sequence stored in whole pages of one
// ZELI_MemoryFile. Data sets keep their values, string texts and auxiliary
// arrays in them.
//
// Addressing. The byte at position x lies on page list[(start + x) / page
// size] at offset (start + x) mod page size, where start is the start offset
// (the array's first byte within its first page). Arrays that garbage
// collection has packed have a non-zero tail offset: the bytes of their last
// listed page begin at that offset, and such arrays can no longer grow.
// Sizes and positions are 32-bit, as stored; growth past 0xFFFFFFFF bytes is
// refused with ZELI_FailedException instead of wrapping.
//
// The cursor and the window. While open, the array maps (pins) a window of
// its page list, [windowFirst, windowEnd). The cursor's span is the run of
// positions around the cursor whose bytes lie contiguously in memory inside
// that window; transfers copy a whole span with one memcpy, and Seek inside
// the span only moves the address. Moving past the span re-addresses: a
// cursor page outside the window drops the whole window; otherwise, unless
// the keep-window flag (RandomlyAccess) is set, the pages before the cursor's
// page are released, so a sequential reader or writer keeps only what it is
// working on. A transfer maps ahead the pages it is about to use (at most
// MaxRunPages at once), so consecutive pages load and write back as one block.
//
// Chains. An array of string values keeps, per value, the 4-byte offset of
// its text in a companion array (the next array of its chain); the companion
// holds at that offset a 4-byte length and the characters without NUL.
// Open and Close act on the whole chain. Chains are acyclic.
//
// Ownership. The file and the companion are not owned. The array registers
// with its file so that either may be destroyed first: the file detaches the
// arrays it outlives, and an array unregisters itself. Destroying an open
// array drops its window without writing anything back (write-back happens
// when the file releases idle blocks, flushes or closes).
#ifndef ZEL_STORE_MEMORY_ARRAY_H
#define ZEL_STORE_MEMORY_ARRAY_H

#include <cstdint>

#include "store/memory_file.h"
#include "store/objects.h"
#include "zel/zel.h"

class ZELI_MemoryArray : public ZELI_InternalBase {
 public:
  // Most pages one transfer maps at once (1 MiB of 4096-byte pages).
  static constexpr unsigned MaxRunPages = 256;
  static constexpr uint64_t MaxSize = 0xFFFFFFFFu;

  // An empty array of file (not owned, not null): index -1, key -1.
  explicit ZELI_MemoryArray(ZELI_MemoryFile* file);
  // Reads the stored record, checks it against file (offsets below the page
  // size, pages that exist, are allocated and belong to no other array, a
  // size that the pages hold), registers the array with file and places it
  // in map at its stored key. Damaged records: ZELI_FailedException.
  ZELI_MemoryArray(ZELI_MemoryFile* file, ZELI_Istream& in, ZELI_KeyMap<ZELI_InternalBase>& map);
  ~ZELI_MemoryArray() override;
  ZELI_MemoryArray(const ZELI_MemoryArray&) = delete;
  ZELI_MemoryArray& operator=(const ZELI_MemoryArray&) = delete;

  // Opens every array of the chain in mode (0 reads, anything else writes)
  // with its cursor at 0; none may be open already.
  void Open(zel_iomode_t mode);
  // Closes every array of the chain, dropping their windows; all must be open.
  // Releasing the idle blocks may write back and throw ZELI_DiskIOException;
  // the arrays are closed by then.
  void Close();

  // Moves the cursor; a position beyond the size first grows the array to it.
  void Seek(unsigned position);
  // newSize must exceed the size. Adds the pages the new size needs (one
  // extension) when open for writing; fails when open for reading.
  void Resize(unsigned newSize);
  // Grows the size by n bytes; returns the old size (where the new bytes start).
  unsigned Extend(unsigned n);

  // Transfers of count elements of elementSize bytes at the cursor (or after
  // Seek(position)); bytes are copied as they stand.
  void WriteData(const void* values, unsigned count, unsigned elementSize);
  void WriteData(unsigned position, const void* values, unsigned count, unsigned elementSize);
  void ReadData(void* values, unsigned count, unsigned elementSize);
  void ReadData(unsigned position, void* values, unsigned count, unsigned elementSize);
  // A one-off read of count elements from position, for bulk reads that
  // copy values out: nothing is mapped, and the cursor and the window stay
  // as they are. Resident pages are copied from memory, each run of
  // consecutive pages in the data file comes with one positioned read
  // straight into values (ZELI_MemoryFile::ReadArrayBytes). The bytes must
  // lie within the array's pages (Get_HeldBytes), else "Resize beyond file
  // size when reading.". Works open (either mode) only.
  void ReadDirect(unsigned position, void* values, unsigned count, unsigned elementSize) const;
  // Fails with "Corrupted data file." when a page holding the bytes
  // [position, position + length) cannot be read (see
  // ZELI_MemoryFile::ReadablePageCount): called before memory is allocated
  // for bytes whose count came from a file.
  void RequireReadable(uint64_t position, uint64_t length) const;
  // String values through the companion. elementSize is the size of a value
  // in the caller's buffer and is not otherwise used: this array always holds
  // 4-byte offsets. A null string is written with length 0; reading length 0
  // gives null, any other text is allocated with malloc (the caller frees it).
  void WriteStringData(char** values, unsigned count, unsigned elementSize);
  void WriteStringData(unsigned position, char** values, unsigned count, unsigned elementSize);
  void ReadStringData(unsigned position, char** values, unsigned count, unsigned elementSize);

  // Read-ahead hint for the bytes [position, position + length) (clipped to
  // the array's pages): their pages that are not resident may be fetched by
  // the kernel now, in parallel. Changes nothing, never throws; works open
  // or closed (a closed data file takes no hints).
  void AdviseWillRead(uint64_t position, uint64_t length) const noexcept;

  // Sets the keep-window flag, then Access.
  void RandomlyAccess(unsigned position, unsigned length);
  // Makes the window exactly the pages of [position, position + length),
  // growing the array when the range ends beyond the size; length 0 drops
  // the window and clears the keep-window flag.
  void Access(unsigned position, unsigned length);

  // The stored record (see doc/memory_file_format.md).
  void Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>& map) const;

  unsigned Get_PageSize() const { return file_ != nullptr ? file_->Get_PageSize() : ZELI_MemoryFile::PageSize; }
  // Before the array is registered with its file (registering keeps it).
  void Set_IndexInFile(unsigned index) { indexInFile_ = static_cast<int>(index); }
  int Get_IndexInFile() const { return indexInFile_; }
  // Sets the companion (next array of the chain); a cycle is refused.
  void Set_StringArray_p(ZELI_MemoryArray* companion);
  ZELI_MemoryArray* Get_StringArray_p() const { return next_; }
  zel_bool_t Get_ConvertEndianType() const { return file_ != nullptr ? file_->Get_ConvertEndianType() : 0; }

  ZELI_MemoryFile* Get_MemoryFile_p() const { return file_; }
  unsigned Get_Size() const { return size_; }
  // Bytes from position 0 to the end of the listed pages (the size for a
  // packed array): what may be read even where the size, as stored in the
  // record, lags behind pages that a page map added later.
  uint64_t Get_HeldBytes() const;
  unsigned Get_StartOffset() const { return startOffset_; }
  unsigned Get_TailOffset() const { return tailOffset_; }
  const ZELI_PageList& Get_PageList() const { return pages_; }
  bool IsOpen() const { return open_ != 0; }
  zel_iomode_t Get_Mode() const { return mode_; }
  unsigned Get_Position() const { return position_; }
  // The cursor's address and the bytes contiguous from it (null and 0 while
  // the cursor is not addressed).
  char* Get_Address() const { return address_; }
  uint64_t Get_AvailableBytes() const { return available_; }
  unsigned Get_WindowFirst() const { return windowFirst_; }
  unsigned Get_WindowEnd() const { return windowEnd_; }
  bool IsKeepingWindow() const { return keepWindow_; }

  // Throws ZELI_FailedException naming the first broken invariant (tests).
  void CheckInvariants() const;

 private:
  friend class ZELI_MemoryFile;

  enum Direction { READING, WRITING };

  void RequireOpen() const;
  void TransferData(Direction direction, void* buffer, unsigned count, unsigned elementSize);
  // Writing at the end of an array, at a page boundary, with whole pages to
  // go: they go straight to the data file (ZELI_MemoryFile::WriteNewPages)
  // instead of through resident blocks, all of them when a partial page
  // follows, else all but the last. Returns the bytes so written, 0 when the
  // case does not apply.
  uint64_t WriteThrough(const char* bytes, uint64_t length);
  void TransferStringData(Direction direction, char** values, unsigned count);
  // Addresses the cursor; wanted is the number of bytes the caller is about
  // to transfer (0 from Seek: address only the cursor's page, and leave the
  // cursor unaddressed at the end of an array open for reading).
  void UpdateAddressing(uint64_t wanted);
  void ComputeSpan(unsigned pageIndex);
  void ClearSpan() noexcept;
  void MapWindowRange(unsigned first, unsigned end);
  // Unpins [first, end) of the window (no I/O); the caller releases idle
  // blocks afterwards with the file's FreePages.
  void ReleaseWindowRange(unsigned first, unsigned end);
  // Drops the whole window: unpins it and releases idle blocks.
  void DropWindow();
  // Unpins the window without I/O and without throwing (destructor, Close).
  void ReleaseWindowQuietly() noexcept;
  // Called by the file: it closes (all its pages become unmapped) or is
  // destroyed; the window is forgotten without touching page counts.
  void ForgetWindow() noexcept;
  void DetachFromFile() noexcept;
  uint64_t LogicalOffset(uint64_t position) const { return startOffset_ + position; }

  int indexInFile_ = -1;
  unsigned startOffset_ = 0;  // bytes, below the page size
  unsigned tailOffset_ = 0;   // bytes, below the page size; non-zero only when packed
  unsigned size_ = 0;         // bytes
  ZELI_PageList pages_;
  ZELI_MemoryFile* file_;                 // not owned; null once the file is gone
  ZELI_MemoryArray* next_ = nullptr;      // companion of a string array (not owned)
  ZELI_MemoryArray* previous_ = nullptr;  // the array whose companion this is (not owned)
  zel_bool_t open_ = 0;
  zel_iomode_t mode_ = ZEL_IOMODE_READ;

  // Cursor. The span is [spanStart_, spanEnd_) in positions, its first byte
  // at spanBase_; address_ and available_ follow the position inside it.
  unsigned position_ = 0;
  char* address_ = nullptr;
  uint64_t available_ = 0;
  uint64_t spanStart_ = 0;
  uint64_t spanEnd_ = 0;
  char* spanBase_ = nullptr;

  bool keepWindow_ = false;
  unsigned windowFirst_ = 0;  // indices into pages_; empty when equal
  unsigned windowEnd_ = 0;
};

#endif  // ZEL_STORE_MEMORY_ARRAY_H
