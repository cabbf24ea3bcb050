// The process-wide text stream through which values become text
// (ZELI_Type::ConvertToASCII, type_text.cc).
//
// One output string stream serves every conversion of the process (the
// library runs on one thread at a time). A conversion owns it through a
// ZELI_TextConversion, which empties the stream and restores its state,
// format flags, precision, width, fill and locale (the classic one, so a
// caller's global locale never changes the text) when it begins and again
// when it ends, whether it ends by TakeText or by an exception. A conversion
// that fails part-way therefore leaves nothing behind for the next one.
#ifndef ZEL_TYPES_TYPE_TEXT_H
#define ZEL_TYPES_TYPE_TEXT_H

#include <sstream>

// The stream itself; use it only through a ZELI_TextConversion.
std::ostringstream& ZELI_TheTextStream();

class ZELI_TextConversion {
 public:
  ZELI_TextConversion();
  ~ZELI_TextConversion();
  ZELI_TextConversion(const ZELI_TextConversion&) = delete;
  ZELI_TextConversion& operator=(const ZELI_TextConversion&) = delete;

  std::ostream& Get_Stream() { return ZELI_TheTextStream(); }
  // The text written so far as a new NUL-terminated malloc'd string (the
  // caller frees it); ZELI_BadAllocException when memory is exhausted.
  char* TakeText();
};

#endif  // ZEL_TYPES_TYPE_TEXT_H
