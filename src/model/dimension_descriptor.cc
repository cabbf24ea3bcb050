// ZELI_DimensionDescriptor: equality, copying and the stored record.
#include "model/dimension_descriptor.h"

#include <memory>

#include "errors/exceptions.h"
#include "model/container.h"
#include "store/stream.h"
#include "types/type.h"

ZELI_DimensionDescriptor::ZELI_DimensionDescriptor(const char* name, const char* unit, ZELI_Type* type)
    : name_(name), unit_(unit), type_(type) {}

bool ZELI_DimensionDescriptor::operator==(const ZELI_DimensionDescriptor& other) const {
  if (name_ != other.name_ || unit_ != other.unit_) return false;
  if ((type_ == nullptr) != (other.type_ == nullptr)) return false;
  if (type_ != nullptr && !(*type_ == *other.type_)) return false;
  return attributes_ == other.attributes_;
}

ZELI_DimensionDescriptor* ZELI_DimensionDescriptor::CopyToContainer(ZELI_Container& target) const {
  ZELI_Type* type = type_ != nullptr ? target.Get_TypeTable().FindOrCopyType(*type_, nullptr) : nullptr;
  auto copy = std::make_unique<ZELI_DimensionDescriptor>(name_.c_str(), unit_.c_str(), type);
  copy->attributes_ = attributes_;
  return copy.release();
}

void ZELI_DimensionDescriptor::Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const {
  if (map.IsMarked(Get_Key())) throw ZELI_FailedException("ZELI_DimensionDescriptor::Write called again.");
  out << name_ << unit_ << (type_ != nullptr ? type_->Get_Key() : -1) << Get_Key();
  map.Mark(Get_Key());
}

ZELI_DimensionDescriptor* ZELI_DimensionDescriptor::Read(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map) {
  ZELI_String name(in);
  ZELI_String unit(in);
  int typeKey = -1;
  in >> typeKey;
  ZELI_Type* type = typeKey == -1 ? nullptr : ZELI_Type::LookUp(map, typeKey, "ZELI_DimensionDescriptor::Read", "type");
  int key = -1;
  in >> key;
  auto descriptor = std::make_unique<ZELI_DimensionDescriptor>(name.c_str(), unit.c_str(), type);
  map.Insert(key, descriptor.get());
  descriptor->Set_Key(key);
  return descriptor.release();
}
