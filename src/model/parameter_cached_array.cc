// ZELI_ParameterCachedArray: the position-ordered values or orders of a
// parameter, held in the container's cache.
#include "model/parameter_cached_array.h"

#include "model/parameter.h"
#include "types/type.h"

ZELI_ParameterCachedArray::ZELI_ParameterCachedArray(ZELI_Parameter* parameter, Kind kind, void* buffer,
                                                     unsigned count, const ZELI_DataInformation& information)
    : parameter_(parameter), kind_(kind), information_(information), buffer_(buffer), count_(count) {}

ZELI_ParameterCachedArray::~ZELI_ParameterCachedArray() {
  if (parameter_ != nullptr) parameter_->CachedArrayDeleted(this);
  try {
    if (buffer_ != nullptr) information_.Get_Type_p()->FreeData(buffer_, count_);
  } catch (...) {
    // Only types of size 0 refuse, and they never fill a buffer.
  }
}

const void* ZELI_ParameterCachedArray::At(unsigned index) const {
  return information_.Get_Type_p()->AtData(buffer_, index);
}
