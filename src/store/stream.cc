// ZELI_Ostream and ZELI_Istream.
#include "store/stream.h"

#include <algorithm>
#include <cstring>

#include "errors/exceptions.h"
#include "store/database.h"
#include "store/os_file.h"

// ---- ZELI_Ostream --------------------------------------------------------

ZELI_Ostream::ZELI_Ostream(const char* path, zel_bool_t truncate)
    : fd_(ZELI_OS_Open(path, ZELI_OS_WRITE_ONLY, truncate)) {}

ZELI_Ostream::~ZELI_Ostream() {
  if (fd_ >= 0) ZELI_OS_FileSystem().Close(fd_);
}

void ZELI_Ostream::WriteOutBuffer() {
  if (used_ == 0) return;
  // The buffer is emptied even when the write fails: the stream is then
  // unusable anyway, and a later Close must not write the same bytes again.
  const unsigned n = used_;
  used_ = 0;
  ZELI_OS_Write(fd_, buffer_, n);
}

void ZELI_Ostream::Write(const void* p, size_t n) {
  if (fd_ < 0) return;
  const unsigned char* bytes = static_cast<const unsigned char*>(p);
  while (n > 0) {
    if (used_ == BufferSize) WriteOutBuffer();
    const size_t chunk = std::min<size_t>(n, BufferSize - used_);
    std::memcpy(buffer_ + used_, bytes, chunk);
    used_ += static_cast<unsigned>(chunk);
    bytes += chunk;
    n -= chunk;
  }
}

void ZELI_Ostream::Lseek(uint64_t position) {
  if (fd_ < 0) return;
  WriteOutBuffer();
  ZELI_OS_Lseek(fd_, position);
}

void ZELI_Ostream::Flush() {
  if (fd_ < 0) return;
  WriteOutBuffer();
  ZELI_OS_Flush(fd_);
}

void ZELI_Ostream::WriteOut() {
  if (fd_ < 0) return;
  WriteOutBuffer();
  ZELI_OS_WriteOut(fd_);
}

void ZELI_Ostream::StartWriteOut() {
  if (fd_ < 0) return;
  WriteOutBuffer();
  ZELI_OS_StartWriteOut(fd_);
}

void ZELI_Ostream::Close() {
  if (fd_ < 0) return;
  const int fd = fd_;
  try {
    WriteOutBuffer();
  } catch (...) {
    fd_ = -1;
    ZELI_OS_FileSystem().Close(fd);
    throw;
  }
  fd_ = -1;
  ZELI_OS_Close(fd);
}

ZELI_Ostream& ZELI_Ostream::operator<<(const char* text) {
  if (text == nullptr) text = "";
  Write(text, std::strlen(text) + 1);
  return *this;
}

// ---- ZELI_Istream --------------------------------------------------------

ZELI_Istream::ZELI_Istream(const char* path) { Open(path); }

ZELI_Istream::ZELI_Istream(const char* path, zel_bool_t isBigEndianOnDisk, unsigned softwareVersion)
    : softwareVersion_(softwareVersion) {
  if ((isBigEndianOnDisk != 0) != (ZELI_Database::Get_TheDatabase_p()->IsBigEndian() != 0)) convert_ = 1;
  Open(path);
}

void ZELI_Istream::Open(const char* path) {
  fd_ = ZELI_OS_Open(path, ZELI_OS_READ_ONLY, 0);
  try {
    fileSize_ = ZELI_OS_FileSize(fd_);
    // Not initialized: Fill overwrites what it hands out.
    capacity_ = static_cast<unsigned>(
        std::min<uint64_t>(MaxBufferSize, std::max<uint64_t>(MinBufferSize, fileSize_)));
    buffer_.reset(new unsigned char[capacity_]);
  } catch (...) {
    ZELI_OS_FileSystem().Close(fd_);
    fd_ = -1;
    throw;
  }
}

ZELI_Istream::~ZELI_Istream() {
  if (fd_ >= 0) ZELI_OS_FileSystem().Close(fd_);
}

void ZELI_Istream::Close() {
  if (fd_ < 0) return;
  const int fd = fd_;
  fd_ = -1;
  ZELI_OS_Close(fd);
}

bool ZELI_Istream::Fill() {
  if (fd_ < 0) return false;
  const unsigned got = ZELI_OS_Read(fd_, buffer_.get(), capacity_);
  valid_ = got;
  position_ = 0;
  filePosition_ += got;
  if (filePosition_ > fileSize_) fileSize_ = filePosition_;  // the file grew
  return got > 0;
}

void ZELI_Istream::ReadSlow(void* p, unsigned count, unsigned elementSize) {
  const uint64_t total = static_cast<uint64_t>(count) * elementSize;
  unsigned char* out = static_cast<unsigned char*>(p);
  uint64_t done = 0;
  while (done < total) {
    if (position_ == valid_) {
      if (total - done >= capacity_ && fd_ >= 0) {
        // A long remainder (a page list, the page records) goes straight to
        // its destination with one read instead of a buffer-full at a time.
        const unsigned want = static_cast<unsigned>(std::min<uint64_t>(total - done, MaxDirectRead));
        const unsigned got = ZELI_OS_Read(fd_, out + done, want);
        filePosition_ += got;
        if (filePosition_ > fileSize_) fileSize_ = filePosition_;  // the file grew
        if (got < want) throw ZELI_FailedException("End of file");
        done += got;
        continue;
      }
      if (!Fill()) throw ZELI_FailedException("End of file");
    }
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(total - done, valid_ - position_));
    std::memcpy(out + done, buffer_.get() + position_, chunk);
    position_ += static_cast<unsigned>(chunk);
    done += chunk;
  }
  if (convert_ && elementSize > 1) {
    for (size_t i = 0; i < count; ++i) std::reverse(out + i * elementSize, out + (i + 1) * elementSize);
  }
}

uint64_t ZELI_Istream::BytesLeft() {
  const uint64_t position = Tell();
  return fileSize_ > position ? fileSize_ - position : 0;
}

void ZELI_Istream::RequireBytes(uint64_t n) {
  if (n <= BytesLeft()) return;
  // The file may have grown since it was opened (a page map being appended).
  if (fd_ >= 0) fileSize_ = std::max(fileSize_, ZELI_OS_FileSize(fd_));
  if (n > BytesLeft()) throw ZELI_FailedException("End of file");
}

unsigned ZELI_Istream::ReadCount(unsigned minBytesPerItem) {
  unsigned count = 0;
  Read(&count, 1, 4);
  RequireBytes(static_cast<uint64_t>(count) * minBytesPerItem);
  return count;
}

bool ZELI_Istream::AtEnd() {
  if (position_ < valid_) return false;
  return !Fill();
}

ZELI_Istream& ZELI_Istream::operator>>(void*& v) {
  uint32_t key = 0;
  Read(&key, 1, 4);
  v = reinterpret_cast<void*>(static_cast<uintptr_t>(key));
  return *this;
}

ZELI_Istream& ZELI_Istream::operator>>(zel_monotonicity_t& v) {
  unsigned char byte = 0;
  Read(&byte, 1, 1);
  if (softwareVersion_ > 1) {
    if (byte > ZEL_MONOTONICITY_DEFAULT) throw ZELI_FailedException("ZELI_Istream::operator>> (zel_monotonicity_t& v)");
    v = static_cast<zel_monotonicity_t>(byte);
    return *this;
  }
  switch (byte) {
    case 0:
      v = ZEL_MONOTONICITY_UNKNOWN;
      break;
    case 1:
      v = ZEL_MONOTONICITY_STRICTLY_INCREASING;
      break;
    case 2:
      v = ZEL_MONOTONICITY_STRICTLY_DECREASING;
      break;
    default:
      throw ZELI_FailedException("ZELI_Istream::operator>> (zel_monotonicity_t& v)");
  }
  return *this;
}

void ZELI_Istream::ReadCString(char* out, unsigned capacity) {
  for (unsigned i = 0; i < capacity; ++i) {
    Read(out + i, 1, 1);
    if (out[i] == '\0') return;
  }
  throw ZELI_FailedException("ZELI_Istream::operator>> (char*): text too long");
}
