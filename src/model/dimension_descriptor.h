// ZELI_DimensionDescriptor: one axis of data: a name, a unit and the type of
// its values ("time" in "s" of a real type). Parameters, the X axis of a
// waveform set and the Y values of waveforms refer to descriptors.
//
// Stored record: name (string), unit (string), type key (i32, -1 for none),
// key (i32). Attributes live in memory only and are not stored.
#ifndef ZEL_MODEL_DIMENSION_DESCRIPTOR_H
#define ZEL_MODEL_DIMENSION_DESCRIPTOR_H

#include "store/attributes.h"
#include "store/keymap.h"
#include "store/objects.h"
#include "store/zstring.h"

class ZELI_Container;
class ZELI_Type;

class ZELI_DimensionDescriptor : public ZELI_ExternalBase {
 public:
  ZELI_DimensionDescriptor(const char* name, const char* unit, ZELI_Type* type);

  const ZELI_String& Get_Name() const { return name_; }
  const ZELI_String& Get_Unit() const { return unit_; }
  ZELI_Type* Get_Type_p() const { return type_; }
  // A null name gives the empty name. The caller marks the container's
  // structure modified (the name is stored).
  void Set_Name(const char* name) { name_ = ZELI_String(name); }
  ZELI_Attributes& Get_Attributes() { return attributes_; }
  const ZELI_Attributes& Get_Attributes() const { return attributes_; }
  // Attributes live in memory only: setting one changes no stored structure.
  const char* Get_Attribute(const char* name) const { return attributes_.Get_Attribute(name); }
  const char** Get_AttributeNames(unsigned& count) const { return attributes_.Get_AttributeNames(count); }
  void Set_Attribute(const char* name, const char* value) { attributes_.Set_Attribute(name, value); }

  // Equal names and units, equal types, the same attributes.
  bool operator==(const ZELI_DimensionDescriptor& other) const;
  // A copy for target (name, unit, attributes; the type found or copied
  // there), not yet added to it.
  ZELI_DimensionDescriptor* CopyToContainer(ZELI_Container& target) const;

  // Once per structure write ("ZELI_DimensionDescriptor::Write called
  // again."); its type is written before, with the type table.
  void Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const;
  // Reads a record and places the descriptor in map at its stored key; a
  // type key that names no type fails with ZELI_FailedException
  // "ZELI_DimensionDescriptor::Read: type".
  static ZELI_DimensionDescriptor* Read(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map);

 private:
  ZELI_String name_;
  ZELI_String unit_;
  ZELI_Type* type_;  // of the same container, not owned
  ZELI_Attributes attributes_;
};

#endif  // ZEL_MODEL_DIMENSION_DESCRIPTOR_H
