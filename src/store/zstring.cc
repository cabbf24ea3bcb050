// ZELI_String: hashing and the stored form.
#include "store/zstring.h"

#include <cstring>

#include "errors/exceptions.h"
#include "store/stream.h"

ZELI_String::ZELI_String(ZELI_Istream& in) { in >> *this; }

uint32_t ZELI_StringHash::operator()(const ZELI_String& s) const {
  uint32_t hash = 0;
  const char* p = s.c_str();
  for (unsigned i = 0; p[i] != '\0'; ++i) {
    const uint32_t c = static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(p[i])));
    hash += c << (8 * (i % 4));
  }
  return hash;
}

ZELI_Ostream& operator<<(ZELI_Ostream& out, const ZELI_String& s) {
  const uint32_t length = s.Get_Length();
  out.Write(&length, 4);
  out.Write(s.c_str(), length + 1);
  return out;
}

ZELI_Istream& operator>>(ZELI_Istream& in, ZELI_String& s) {
  uint32_t length = 0;
  in.Read(&length, 1, 4);
  // length + 1 bytes must still be in the file; checked in 64 bits so that a
  // length of 0xFFFFFFFF cannot wrap to 0.
  in.RequireBytes(static_cast<uint64_t>(length) + 1);
  // The text and its NUL, taken from the stream's buffer without a copy
  // of their own where they lie in it (a structure file is read whole).
  if (const char* bytes = length < UINT32_MAX ? in.TakeBuffered(length + 1) : nullptr) {
    if (bytes[length] != '\0' || std::memchr(bytes, '\0', length) != nullptr) {
      throw ZELI_FailedException("ZELI_Istream::operator>> (ZELI_String&): corrupted string");
    }
    s.text_.assign(bytes, length);
    return in;
  }
  std::string text(length + size_t{1}, '\0');
  in.Read(text.data(), length + 1, 1);
  if (text[length] != '\0' || std::memchr(text.data(), '\0', length) != nullptr) {
    throw ZELI_FailedException("ZELI_Istream::operator>> (ZELI_String&): corrupted string");
  }
  text.resize(length);
  s.text_.swap(text);
  return in;
}
