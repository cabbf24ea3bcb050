// ZELI_Attributes: a table of name/value texts. A container stores one with
// its structure; waveform sets and others keep their own.
// Stored form: the count (4 bytes), then for each attribute its name and its
// value as ZELI_Strings, in the table's iteration order (readers accept any
// order). Streams of software version below 2 hold no attributes.
#ifndef ZEL_STORE_ATTRIBUTES_H
#define ZEL_STORE_ATTRIBUTES_H

#include <unordered_map>

#include "store/zstring.h"

class ZELI_Attributes {
 public:
  // Sets count; null when there are none, else an array of count names
  // allocated with malloc, freed by the caller with free (the names stay
  // owned by the table).
  const char** Get_AttributeNames(unsigned& count) const;
  // The value, or null when the name is absent.
  const char* Get_Attribute(const char* name) const;
  // Creates or replaces; a null value stores the empty text. A null name is
  // ZELI_BadArgException.
  void Set_Attribute(const char* name, const char* value);
  unsigned Get_Count() const { return static_cast<unsigned>(table_.size()); }
  bool operator==(const ZELI_Attributes& other) const { return table_ == other.table_; }

  void Write(ZELI_Ostream& out) const;
  // Replaces nothing: entries read are created or replaced one by one.
  void Read(ZELI_Istream& in);

 private:
  std::unordered_map<ZELI_String, ZELI_String, ZELI_StringHash, ZELI_StringEqual_to> table_;
};

inline ZELI_Ostream& operator<<(ZELI_Ostream& out, const ZELI_Attributes& a) {
  a.Write(out);
  return out;
}
inline ZELI_Istream& operator>>(ZELI_Istream& in, ZELI_Attributes& a) {
  a.Read(in);
  return in;
}

#endif  // ZEL_STORE_ATTRIBUTES_H
