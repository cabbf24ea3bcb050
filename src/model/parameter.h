// ZELI_Parameter: one sweep variable of a simulation: a named, ordered list
// of values of its descriptor's type. Segments refer to values by stable
// value identifiers (slots), never by position.
#ifndef ZEL_MODEL_PARAMETER_H
#define ZEL_MODEL_PARAMETER_H

#include "store/keymap.h"
#include "store/objects.h"
#include "store/zstring.h"

class ZELI_Container;
class ZELI_DimensionDescriptor;
class ZELI_Type;

class ZELI_Parameter : public ZELI_ExternalBase {
 public:
  ZELI_Parameter(ZELI_Container& container, const char* name, ZELI_DimensionDescriptor* descriptor);
  ~ZELI_Parameter() override;

  const ZELI_String& Get_Name() const { return name_; }
  ZELI_DimensionDescriptor* Get_DimensionDescriptor_p() const { return descriptor_; }
  ZELI_Type* Get_Type_p() const;

  // Values by position; identifiers are the slots that hold them.
  unsigned Get_ValueCount() const;
  // "Parameter index is out of range." for index >= value count.
  unsigned Get_ParId(unsigned index) const;
  // "ParId ID is out of range." for an identifier that holds no value.
  unsigned Get_Index(unsigned id) const;

  bool operator==(const ZELI_Parameter& other) const;
  // A copy for target (descriptor found or copied there), not yet added.
  ZELI_Parameter* CopyToContainer(ZELI_Container& target) const;

  // Once per structure write ("ZELI_Parameter::Write called again.").
  void Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const;
  // Reads a record and places the parameter in map at its stored key.
  static ZELI_Parameter* Read(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map, ZELI_Container& container);

 private:
  ZELI_Container& container_;
  ZELI_String name_;
  ZELI_DimensionDescriptor* descriptor_;  // of the same container, not owned
};

#endif  // ZEL_MODEL_PARAMETER_H
