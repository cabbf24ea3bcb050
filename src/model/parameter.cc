// ZELI_Parameter: construction, settings, and the position-ordered cache of
// values with the monotonicity and extremes determined over it.
#include "model/parameter.h"

#include <vector>

#include "errors/exceptions.h"
#include "model/dimension_descriptor.h"
#include "store/container.h"
#include "types/type.h"

namespace {

ZELI_Type* ValueTypeOf(const ZELI_DimensionDescriptor* descriptor) {
  if (descriptor == nullptr) throw ZELI_BadArgException("Dimension descriptor is null");
  ZELI_Type* type = descriptor->Get_Type_p();
  if (type == nullptr) throw ZELI_BadArgException("Dimension descriptor has no type.");
  if (type->Get_SizeOf() == 0) throw ZELI_BadArgException("Type does not store data");
  return type;
}

}  // namespace

ZELI_Parameter::ZELI_Parameter(ZELI_Container& container, const char* name, ZELI_DimensionDescriptor* descriptor)
    : container_(container),
      name_(name),
      descriptor_(descriptor),
      info_(ValueTypeOf(descriptor)),
      orderType_(container.Get_TypeTable().Get_InternalIntegerType_p()) {}

ZELI_Parameter::~ZELI_Parameter() { ReleaseStorage(); }

void ZELI_Parameter::ReleaseStorage() noexcept {
  InvalidateCachedData();
  // Both types store data (checked at construction; the internal integer
  // type has 4 bytes), so freeing cannot fail.
  try {
    Get_Type_p()->FreeData(values_, valueCapacity_);
    if (orders_ != nullptr) orderType_->FreeData(orders_, orderCapacity_);
  } catch (...) {
  }
  values_ = nullptr;
  orders_ = nullptr;
  valueCapacity_ = 0;
  orderCapacity_ = 0;
}

// ---- settings ----------------------------------------------------------------

void ZELI_Parameter::Set_DataSpacing(zel_dataSpacing_t spacing) {
  info_.Set_DataSpacing(spacing);
  container_.Set_Modified();
}

void ZELI_Parameter::Set_InterpolationType(zel_interpolation_t interpolation) {
  if (Get_ValueCount() > 0) {
    throw ZELI_FailedException("Cannot change parameter interpolation type when values exist.");
  }
  // Refuses MIXED, DEFAULT and unknown values before anything changes.
  ZELI_DataInformation probe;
  probe.Set_InterpolationType(interpolation);
  // Polynomial interpolation keeps one order per slot, free slots included.
  const bool wantOrders = interpolation == ZEL_INTERPOLATION_POLYNOMIAL;
  if (wantOrders && orders_ == nullptr && valueCapacity_ > 0) {
    orders_ = orderType_->ReallocData(nullptr, valueCapacity_, 0);
    orderCapacity_ = valueCapacity_;
  }
  InvalidateCachedData();
  info_.Set_InterpolationType(interpolation);
  if (!wantOrders && orders_ != nullptr) {
    orderType_->FreeData(orders_, orderCapacity_);
    orders_ = nullptr;
    orderCapacity_ = 0;
  }
  container_.Set_Modified();
}

void ZELI_Parameter::Set_Compression(zel_compression_t compression) {
  info_.Set_Compression(compression);
  container_.Set_Modified();
}

void ZELI_Parameter::Set_CompressionUserCode(int code) {
  info_.Set_CompressionUserCode(code);
  container_.Set_Modified();
}

void ZELI_Parameter::Set_Attribute(const char* name, const char* value) {
  attributes_.Set_Attribute(name, value);
  container_.Set_Modified();
}

// ---- position-ordered cache -------------------------------------------------

void ZELI_Parameter::InvalidateCachedData() {
  if (cachedValues_ != nullptr || cachedOrders_ != nullptr) {
    try {
      Get_Type_p()->FreeData(cachedValues_, cachedCount_);
      if (cachedOrders_ != nullptr) orderType_->FreeData(cachedOrders_, cachedCount_);
    } catch (...) {
      // Types that store data free without failing.
    }
  }
  cachedValues_ = nullptr;
  cachedOrders_ = nullptr;
  cachedCount_ = 0;
  cacheValid_ = false;
  // Monotonicity and extremes described the values before the change.
  info_.Unset_MinMax();
  info_.Set_Monotonicity(ZEL_MONOTONICITY_UNKNOWN);
}

void ZELI_Parameter::ChangedValues() {
  InvalidateCachedData();
  container_.Set_Modified();
}

void ZELI_Parameter::PopulateCachedData() {
  if (cacheValid_) return;
  InvalidateCachedData();
  const unsigned count = Get_ValueCount();
  if (count == 0) {
    cacheValid_ = true;
    return;
  }
  ZELI_Type* type = Get_Type_p();
  std::vector<void*> sources(count);
  for (unsigned i = 0; i < count; ++i) sources[i] = type->AtData(values_, positions_[i]);
  void* values = type->ReallocData(nullptr, count, 0);
  void* orders = nullptr;
  try {
    type->CopyData(values, sources.data(), count);
    if (HasOrders()) {
      orders = orderType_->ReallocData(nullptr, count, 0);
      for (unsigned i = 0; i < count; ++i) orderType_->CopyData(orders, i, orders_, positions_[i]);
    }
    info_.DetermineMonMinMax(values, count);
  } catch (...) {
    type->FreeData(values, count);
    if (orders != nullptr) orderType_->FreeData(orders, count);
    info_.Unset_MinMax();
    info_.Set_Monotonicity(ZEL_MONOTONICITY_UNKNOWN);
    throw;
  }
  cachedValues_ = values;
  cachedOrders_ = orders;
  cachedCount_ = count;
  cacheValid_ = true;
}

zel_monotonicity_t ZELI_Parameter::Get_Monotonicity() {
  PopulateCachedData();
  return info_.Get_Monotonicity();
}

void ZELI_Parameter::Get_MinMax(void* min, void* max) {
  if (Get_ValueCount() == 0) throw ZELI_FailedException("Parameter has no values.");
  PopulateCachedData();
  info_.Get_MinMax(min, max);
}

unsigned ZELI_Parameter::GetValueBuffer(unsigned index, const void** value, const int** order) {
  CheckIndex(index);
  if (value == nullptr) throw ZELI_BadArgException("Null value pointer");
  if (HasOrders() && order == nullptr) throw ZELI_BadArgException("Null order pointer");
  PopulateCachedData();
  *value = Get_Type_p()->AtData(cachedValues_, index);
  if (order != nullptr) {
    *order = HasOrders() ? static_cast<const int*>(orderType_->AtData(cachedOrders_, index)) : nullptr;
  }
  return Get_ValueCount() - index;
}
