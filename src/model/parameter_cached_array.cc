// ZELI_ParameterCachedArray: the position-ordered values or orders of a
// parameter, held in the container's cache.
#include "model/parameter_cached_array.h"

#include "model/parameter.h"

ZELI_ParameterCachedArray::ZELI_ParameterCachedArray(ZELI_Parameter* parameter, Kind kind, void* buffer,
                                                     unsigned count, const ZELI_DataInformation& information)
    : ZELI_CachedArray(count, new ZELI_DataInformation(information), buffer), parameter_(parameter), kind_(kind) {}

ZELI_ParameterCachedArray::~ZELI_ParameterCachedArray() {
  if (parameter_ != nullptr) parameter_->CachedArrayDeleted(this);
}

const void* ZELI_ParameterCachedArray::At(unsigned index) const { return Get_PointAddress(index); }
