// Exception classes: message storage and the texts of bad handles and disk
// errors. Nothing here allocates.
#include "errors/exceptions.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Copies at most max characters of text (null counts as empty) into out and
// terminates it; returns the length copied.
unsigned CopyCut(char* out, unsigned max, const char* text) noexcept {
  unsigned n = 0;
  if (text != nullptr) {
    while (n < max && text[n] != '\0') {
      out[n] = text[n];
      ++n;
    }
  }
  out[n] = '\0';
  return n;
}

}  // namespace

ZELI_ExceptionWithMessage::ZELI_ExceptionWithMessage(zel_status_t status,
                                                     const char* message) noexcept
    : ZELI_Exception(status) {
  CopyCut(message_, ZELI_ExceptionMessageMax, message);
}

const char* ZELI_BadHandleException::what() const noexcept {
  switch (kind) {
    case WRONG_SESSION:
      return "Bad handle: wrong session";
    case WRONG_HANDLE:
      return "Bad handle: wrong handle (deleted?)";
    case WRONG_TYPE:
      return "Bad handle: wrong type (reused?)";
    case UNKNOWN_REASON:
      break;
  }
  return "Bad handle: unknown reason";
}

ZELI_DiskIOException::ZELI_DiskIOException() noexcept
    : ZELI_Exception(ZEL_DISK_IO), errorNumber_(errno) {}

ZELI_DiskIOException::ZELI_DiskIOException(int errorNumber) noexcept
    : ZELI_Exception(ZEL_DISK_IO), errorNumber_(errorNumber) {}

const char* ZELI_DiskIOException::what() const noexcept {
  return ZELI_OS_SystemErrorMsg(errorNumber_);
}

const char* ZELI_OS_SystemErrorMsg(int errorNumber) noexcept {
  // strerror returns static text for known values; the library is used from
  // one thread at a time.
  return std::strerror(errorNumber);
}

ZELI_Message& ZELI_Message::operator<<(const char* part) noexcept {
  length_ += CopyCut(text_ + length_, ZELI_ExceptionMessageMax - length_, part);
  return *this;
}

ZELI_Message& ZELI_Message::operator<<(long long number) noexcept {
  char digits[24];
  std::snprintf(digits, sizeof digits, "%lld", number);
  return *this << digits;
}

// The public exception of the wrapper classes: same cut, own copy.
ZEL_Exception::ZEL_Exception(const char* message, zel_status_t status) noexcept
    : status_(status) {
  CopyCut(message_, ZELI_ExceptionMessageMax, message);
}

void ZELI_ThrowNullArgument(const char* message) { throw ZELI_BadArgException(message); }

void ZELI_RethrowAsPublicException() {
  try {
    throw;
  } catch (const ZEL_Exception&) {
    throw;
  } catch (const ZELI_Exception& e) {
    throw ZEL_Exception(e.what(), e.status);
  } catch (const std::bad_alloc&) {
    throw ZEL_Exception("Out of memory", ZEL_BAD_ALLOC);
  } catch (...) {
    throw ZEL_Exception("Unknown exception in ZEL", ZEL_UNKNOWN_EXCEPTION);
  }
}
