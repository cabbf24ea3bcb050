// ZELI_Parameter. Values arrive with the parameter implementation; until
// then a parameter holds none and stores no record.
#include "model/parameter.h"

#include "errors/exceptions.h"
#include "model/dimension_descriptor.h"

ZELI_Parameter::ZELI_Parameter(ZELI_Container& container, const char* name, ZELI_DimensionDescriptor* descriptor)
    : container_(container), name_(name), descriptor_(descriptor) {}

ZELI_Parameter::~ZELI_Parameter() = default;

ZELI_Type* ZELI_Parameter::Get_Type_p() const { return descriptor_ != nullptr ? descriptor_->Get_Type_p() : nullptr; }

unsigned ZELI_Parameter::Get_ValueCount() const { return 0; }

unsigned ZELI_Parameter::Get_ParId(unsigned) const {
  throw ZELI_BadArgException("Parameter index is out of range.");
}

unsigned ZELI_Parameter::Get_Index(unsigned) const { throw ZELI_BadArgException("ParId ID is out of range."); }

bool ZELI_Parameter::operator==(const ZELI_Parameter& other) const {
  return name_ == other.name_ && descriptor_ == other.descriptor_;
}

ZELI_Parameter* ZELI_Parameter::CopyToContainer(ZELI_Container&) const {
  throw ZELI_FailedException("Unimplemented: ZELI_Parameter::CopyToContainer");
}

void ZELI_Parameter::Write(ZELI_Ostream&, ZELI_KeyMap<ZELI_ExternalBase>&) const {
  throw ZELI_FailedException("Unimplemented: ZELI_Parameter::Write");
}

ZELI_Parameter* ZELI_Parameter::Read(ZELI_Istream&, ZELI_KeyMap<ZELI_ExternalBase>&, ZELI_Container&) {
  throw ZELI_FailedException("Unimplemented: ZELI_Parameter::Read");
}
