// Binary object streams. Everything a container stores outside its paged
// data files (version table, structure file, page maps) is written through a
// ZELI_Ostream and read back through a ZELI_Istream, buffered so that many
// small records cost few system calls: 4096 bytes out; in, the whole file
// as it was at opening (at least 16384 bytes, at most 64 MiB), so that a
// structure file is read with one call and decoded from memory.
//
// Encoding: multi-byte values are written in the byte order of the writing
// machine; a reader on a machine of the other order sets the convert flag and
// reverses the bytes of every element it reads (4 for an int, key or length,
// 2 for an unsigned short, the value size for typed values). Single bytes,
// characters and strings are never converted.
//
// Reading trusts nothing: a count or length read from the file is checked
// against the bytes the file still holds (RequireBytes) before it is used to
// allocate, and reading past the end fails with "End of file".
//
// Closing: Close() is the only place where writing out can fail and report
// it. The destructors only release the descriptor (an output stream destroyed
// without Close() drops its unwritten buffer: the file is incomplete anyway,
// because something failed before Close was reached).
#ifndef ZEL_STORE_STREAM_H
#define ZEL_STORE_STREAM_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "zel/zel.h"

// The software version this library writes into containers.
constexpr unsigned ZELI_CurrentSoftwareVersion = 8;

class ZELI_Ostream {
 public:
  static constexpr unsigned BufferSize = 4096;

  // Opens for writing only, creating the file (mode 0600) when absent; with
  // truncate the file is cut to length 0, otherwise writing starts at offset
  // 0 over the existing bytes. Failure: ZELI_DiskIOException.
  ZELI_Ostream(const char* path, zel_bool_t truncate);
  ~ZELI_Ostream();
  ZELI_Ostream(const ZELI_Ostream&) = delete;
  ZELI_Ostream& operator=(const ZELI_Ostream&) = delete;

  // Appends n bytes; does nothing when the stream is closed.
  void Write(const void* p, size_t n);
  // Writes out the buffer, then positions at position (ZELI_OS_SEEK_END: the
  // end of the file).
  void Lseek(uint64_t position);
  // Writes out the buffer and commits the file's data to the disk.
  void Flush();
  // Writes out the buffer and the file's data to the device, without
  // committing metadata (ZELI_OS_WriteOut).
  void WriteOut();
  // Writes out the buffer and asks the device to start on the file's data
  // without waiting (ZELI_OS_StartWriteOut), so that a later WriteOut or
  // Flush waits for less.
  void StartWriteOut();
  // Writes out the buffer and closes; a second call does nothing.
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  ZELI_Ostream& operator<<(int v) { Write(&v, 4); return *this; }
  ZELI_Ostream& operator<<(unsigned v) { Write(&v, 4); return *this; }
  ZELI_Ostream& operator<<(unsigned short v) { Write(&v, 2); return *this; }
  ZELI_Ostream& operator<<(char v) { Write(&v, 1); return *this; }
  ZELI_Ostream& operator<<(unsigned char v) { Write(&v, 1); return *this; }  // zel_bool_t
  ZELI_Ostream& operator<<(zel_monotonicity_t v) { return *this << static_cast<unsigned char>(v); }
  // The characters and the terminating NUL, no length.
  ZELI_Ostream& operator<<(const char* text);

 private:
  void WriteOutBuffer();

  int fd_ = -1;
  unsigned used_ = 0;  // bytes in buffer_
  unsigned char buffer_[BufferSize];
};

class ZELI_Istream {
 public:
  // The buffer holds the file's size at opening, within these bounds: small
  // files get four pages, and a file beyond the limit is read in pieces of
  // the limit.
  static constexpr unsigned MinBufferSize = 16384;
  static constexpr unsigned MaxBufferSize = 64u << 20;
  // Longest single read of a long transfer that bypasses the buffer.
  static constexpr unsigned MaxDirectRead = 1u << 30;

  // Opens for reading; no byte-order conversion; stored software version 8.
  explicit ZELI_Istream(const char* path);
  // Converts byte order when isBigEndianOnDisk differs from the machine.
  ZELI_Istream(const char* path, zel_bool_t isBigEndianOnDisk, unsigned softwareVersion);
  ~ZELI_Istream();
  ZELI_Istream(const ZELI_Istream&) = delete;
  ZELI_Istream& operator=(const ZELI_Istream&) = delete;

  void Set_ConvertEndianType() { convert_ = 1; }
  zel_bool_t Get_ConvertEndianType() const { return convert_; }
  unsigned Get_SoftwareVersion() const { return softwareVersion_; }
  void Set_SoftwareVersion(unsigned version) { softwareVersion_ = version; }

  // Reads count elements of elementSize bytes, reversing the bytes of each
  // element when converting. Past the end: ZELI_FailedException "End of file".
  // Records are read field by field, so the common case (the bytes are in
  // the buffer, no conversion) is inline; the rest goes to ReadSlow.
  void Read(void* p, unsigned count, unsigned elementSize) {
    const uint64_t total = static_cast<uint64_t>(count) * elementSize;
    if (!convert_ && total <= valid_ - position_) {
      std::memcpy(p, buffer_.get() + position_, static_cast<size_t>(total));
      position_ += static_cast<unsigned>(total);
      return;
    }
    ReadSlow(p, count, elementSize);
  }
  // The next n bytes, consumed, where they lie in the buffer already; null
  // (nothing consumed) otherwise. For single bytes (text), which are never
  // converted.
  const char* TakeBuffered(unsigned n) {
    if (n > valid_ - position_) return nullptr;
    const char* bytes = reinterpret_cast<const char*>(buffer_.get()) + position_;
    position_ += n;
    return bytes;
  }
  // Fails with "End of file" unless at least n more bytes can be read.
  void RequireBytes(uint64_t n);
  // Reads a 4-byte count whose items take at least minBytesPerItem bytes
  // each in the rest of the file; a count the file cannot hold fails with
  // "End of file" before the caller allocates anything.
  unsigned ReadCount(unsigned minBytesPerItem);
  // True when every byte has been read (a clean end). Never throws for EOF.
  bool AtEnd();
  // Bytes of the file not yet consumed (as of the last size check).
  uint64_t BytesLeft();
  // Position of the next byte to read, from the start of the file.
  uint64_t Tell() const { return filePosition_ - (valid_ - position_); }
  void Close();

  ZELI_Istream& operator>>(int& v) { Read(&v, 1, 4); return *this; }
  ZELI_Istream& operator>>(unsigned& v) { Read(&v, 1, 4); return *this; }
  ZELI_Istream& operator>>(unsigned short& v) { Read(&v, 1, 2); return *this; }
  ZELI_Istream& operator>>(char& v) { Read(&v, 1, 1); return *this; }
  ZELI_Istream& operator>>(unsigned char& v) { Read(&v, 1, 1); return *this; }  // zel_bool_t
  // A stored 4-byte reference, zero-extended into the pointer.
  ZELI_Istream& operator>>(void*& v);
  // One byte. Streams of software version 0 and 1 stored 0, 1, 2 for what is
  // now 0, 2, 3; any other byte there fails.
  ZELI_Istream& operator>>(zel_monotonicity_t& v);
  // Bytes up to and including the NUL into out (capacity bytes); text that
  // does not fit fails with ZELI_FailedException.
  void ReadCString(char* out, unsigned capacity);

 private:
  void Open(const char* path);
  void ReadSlow(void* p, unsigned count, unsigned elementSize);
  // Refills the buffer; false at end of file.
  bool Fill();

  int fd_ = -1;
  zel_bool_t convert_ = 0;
  unsigned softwareVersion_ = ZELI_CurrentSoftwareVersion;
  uint64_t fileSize_ = 0;      // size seen at the last check
  uint64_t filePosition_ = 0;  // file offset just past the buffered bytes
  unsigned valid_ = 0;         // valid bytes in buffer_ (at most capacity_)
  unsigned position_ = 0;      // next byte to read in buffer_
  unsigned capacity_ = 0;      // bytes of buffer_, fixed at opening
  std::unique_ptr<unsigned char[]> buffer_;
};

#endif  // ZEL_STORE_STREAM_H
