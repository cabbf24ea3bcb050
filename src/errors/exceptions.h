// Failures inside the library are exceptions derived from ZELI_Exception, one
// class per status code. Only the interface's call frame catches them; it turns
// the exception into the zel_status_t the caller receives and the message that
// ZEL_GetError returns.
//
// Messages are at most 255 characters. Each exception keeps its own copy in a
// fixed buffer inside the object (no allocation when an exception is built, so
// reporting works when memory is exhausted), which also means an exception
// built during clean-up cannot overwrite the message of the one in flight.
#ifndef ZEL_ERRORS_EXCEPTIONS_H
#define ZEL_ERRORS_EXCEPTIONS_H

#include "zel/zel.h"

// Longest message an exception keeps; longer ones are cut.
constexpr unsigned ZELI_ExceptionMessageMax = 255;

class ZELI_Exception {
 public:
  explicit ZELI_Exception(zel_status_t status) noexcept : status(status) {}
  virtual ~ZELI_Exception() = default;
  virtual const char* what() const noexcept = 0;

  zel_status_t status;
};

class ZELI_ExceptionWithMessage : public ZELI_Exception {
 public:
  ZELI_ExceptionWithMessage(zel_status_t status, const char* message) noexcept;
  const char* what() const noexcept override { return message_; }

 private:
  char message_[ZELI_ExceptionMessageMax + 1];
};

class ZELI_BadArgException : public ZELI_ExceptionWithMessage {
 public:
  explicit ZELI_BadArgException(const char* message) noexcept
      : ZELI_ExceptionWithMessage(ZEL_BAD_ARG, message) {}
};

class ZELI_FailedException : public ZELI_ExceptionWithMessage {
 public:
  explicit ZELI_FailedException(const char* message) noexcept
      : ZELI_ExceptionWithMessage(ZEL_FAILED, message) {}
};

class ZELI_NotFoundException : public ZELI_ExceptionWithMessage {
 public:
  explicit ZELI_NotFoundException(const char* message) noexcept
      : ZELI_ExceptionWithMessage(ZEL_NOT_FOUND, message) {}
};

class ZELI_DuplicateException : public ZELI_ExceptionWithMessage {
 public:
  explicit ZELI_DuplicateException(const char* message) noexcept
      : ZELI_ExceptionWithMessage(ZEL_DUPLICATE, message) {}
};

class ZELI_BadAllocException : public ZELI_Exception {
 public:
  ZELI_BadAllocException() noexcept : ZELI_Exception(ZEL_BAD_ALLOC) {}
  const char* what() const noexcept override { return "Out of memory"; }
};

class ZELI_BadHandleException : public ZELI_Exception {
 public:
  enum ErrorKind : int {
    UNKNOWN_REASON = 0,
    WRONG_SESSION = 1,
    WRONG_HANDLE = 2,
    WRONG_TYPE = 3,
  };
  explicit ZELI_BadHandleException(ErrorKind kind) noexcept
      : ZELI_Exception(ZEL_BAD_HANDLE), kind(kind) {}
  const char* what() const noexcept override;

  ErrorKind kind;
};

// An operating-system file operation failed. The message is the system's text
// for errno as it was when the exception was built (not when it is read:
// clean-up between throw and catch may change errno).
class ZELI_DiskIOException : public ZELI_Exception {
 public:
  ZELI_DiskIOException() noexcept;
  // For failures the system did not report through errno (a lock that could
  // not be taken, say): the caller names the errno that describes it.
  explicit ZELI_DiskIOException(int errorNumber) noexcept;
  const char* what() const noexcept override;
  int Get_ErrorNumber() const noexcept { return errorNumber_; }

 private:
  int errorNumber_;
};

// The system's text for an errno value (strerror): static storage, never
// allocates.
const char* ZELI_OS_SystemErrorMsg(int errorNumber) noexcept;

// Message helpers for exceptions whose text is built from parts: the parts are
// concatenated into a fixed buffer and cut at 255 characters.
class ZELI_Message {
 public:
  ZELI_Message() noexcept { text_[0] = '\0'; }
  ZELI_Message& operator<<(const char* part) noexcept;
  ZELI_Message& operator<<(long long number) noexcept;
  const char* c_str() const noexcept { return text_; }
  operator const char*() const noexcept { return text_; }

 private:
  char text_[ZELI_ExceptionMessageMax + 1];
  unsigned length_ = 0;
};

// A pointer argument that must not be null, else ZELI_BadArgException with
// the given message. The one check of pointer arguments for the exported
// functions and for the members of the public wrapper classes; the message
// is the caller's whole text ("count is null", "Null output pointer"), so each
// function keeps its own. The throw is out of line: the check stays small on
// per-value paths.
[[noreturn]] void ZELI_ThrowNullArgument(const char* message);
inline void ZELI_RequireArgument(const void* pointer, const char* message) {
  if (pointer == nullptr) ZELI_ThrowNullArgument(message);
}

// The members of the public wrapper classes (ZEL_WfSegment, ...) report
// failures as ZEL_Exception: a library exception keeps its status and
// message, exhausted memory is ZEL_BAD_ALLOC "Out of memory", anything else
// ZEL_UNKNOWN_EXCEPTION "Unknown exception in ZEL". Call only from inside a
// catch block; rethrows the exception being handled converted.
[[noreturn]] void ZELI_RethrowAsPublicException();

// Runs body and converts what escapes it as above.
template <typename Body>
auto ZELI_PublicCall(Body&& body) -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    ZELI_RethrowAsPublicException();
  }
}

#endif  // ZEL_ERRORS_EXCEPTIONS_H
