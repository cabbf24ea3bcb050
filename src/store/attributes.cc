// ZELI_Attributes implementation.
#include "store/attributes.h"

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "store/stream.h"

const char** ZELI_Attributes::Get_AttributeNames(unsigned& count) const {
  count = 0;
  if (table_.empty()) return nullptr;
  const char** names = static_cast<const char**>(ZELI_OS_Malloc(table_.size() * sizeof(const char*)));
  for (const auto& entry : table_) names[count++] = entry.first.c_str();
  return names;
}

const char* ZELI_Attributes::Get_Attribute(const char* name) const {
  if (name == nullptr) return nullptr;
  const auto it = table_.find(ZELI_String(name));
  return it == table_.end() ? nullptr : it->second.c_str();
}

void ZELI_Attributes::Set_Attribute(const char* name, const char* value) {
  if (name == nullptr) throw ZELI_BadArgException("Attribute name is null");
  table_[ZELI_String(name)] = ZELI_String(value);
}

void ZELI_Attributes::Write(ZELI_Ostream& out) const {
  out << static_cast<unsigned>(table_.size());
  for (const auto& entry : table_) out << entry.first << entry.second;
}

void ZELI_Attributes::Read(ZELI_Istream& in) {
  if (in.Get_SoftwareVersion() < 2) return;
  // Each pair takes at least two empty strings: 2 x (4 + 1) bytes.
  const unsigned count = in.ReadCount(10);
  for (unsigned i = 0; i < count; ++i) {
    ZELI_String name(in);
    ZELI_String value(in);
    table_[name] = value;
  }
}
