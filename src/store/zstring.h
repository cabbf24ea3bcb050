// ZELI_String: the library's owned string. The text always ends in NUL and
// holds no NUL before its end, so Get_Length() == strlen(c_str()).
// Stored form: 4-byte length, the characters, one NUL byte.
#ifndef ZEL_STORE_ZSTRING_H
#define ZEL_STORE_ZSTRING_H

#include <cstdint>
#include <string>

class ZELI_Istream;
class ZELI_Ostream;

class ZELI_String {
 public:
  ZELI_String() = default;
  // A null pointer gives the empty string.
  ZELI_String(const char* text) : text_(text != nullptr ? text : "") {}  // NOLINT: implicit by design
  // Reads the stored form (see operator>>).
  explicit ZELI_String(ZELI_Istream& in);

  const char* c_str() const { return text_.c_str(); }
  unsigned Get_Length() const { return static_cast<unsigned>(text_.size()); }
  bool IsEmpty() const { return text_.empty(); }
  const std::string& str() const { return text_; }

  bool operator==(const ZELI_String& other) const { return text_ == other.text_; }
  bool operator!=(const ZELI_String& other) const { return text_ != other.text_; }

 private:
  friend ZELI_Istream& operator>>(ZELI_Istream& in, ZELI_String& s);
  std::string text_;
};

// Sum over the characters c0, c1, ... of (signed char widened to 32 bits)
// shifted left by 8 * (position mod 4), in unsigned 32-bit arithmetic.
struct ZELI_StringHash {
  uint32_t operator()(const ZELI_String& s) const;
};

struct ZELI_StringEqual_to {
  bool operator()(const ZELI_String& a, const ZELI_String& b) const { return a == b; }
};

ZELI_Ostream& operator<<(ZELI_Ostream& out, const ZELI_String& s);
// Reads the length, then length + 1 bytes that must end in the only NUL.
// A length beyond what the file holds fails with "End of file" before any
// allocation; a missing or early NUL fails with ZELI_FailedException.
ZELI_Istream& operator>>(ZELI_Istream& in, ZELI_String& s);

#endif  // ZEL_STORE_ZSTRING_H
