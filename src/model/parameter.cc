// ZELI_Parameter: construction, settings, and the position-ordered cached
// arrays of values and orders with the monotonicity and extremes determined
// over them.
#include "model/parameter.h"

#include <memory>
#include <vector>

#include "errors/exceptions.h"
#include "model/dimension_descriptor.h"
#include "model/parameter_cached_array.h"
#include "model/container.h"
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

// A reader may still hold the array: then it stays, unlocatable, until the
// reader's last reference goes (and a buffer it handed out stays valid).
void ZELI_Parameter::ReleaseCachedArray(ZELI_ParameterCachedArray*& array) noexcept {
  container_.Get_Cache().LetGo(array);
  array = nullptr;
}

void ZELI_Parameter::CachedArrayDeleted(const ZELI_ParameterCachedArray* array) noexcept {
  if (array == valueArray_) valueArray_ = nullptr;
  if (array == orderArray_) orderArray_ = nullptr;
  cacheValid_ = false;
}

void ZELI_Parameter::InvalidateCachedData() noexcept {
  ReleaseCachedArray(valueArray_);
  ReleaseCachedArray(orderArray_);
  cacheValid_ = false;
  // Monotonicity and extremes described the values before the change.
  info_.Unset_MinMax();
  info_.Set_Monotonicity(ZEL_MONOTONICITY_UNKNOWN);
}

void ZELI_Parameter::ChangedValues() {
  InvalidateCachedData();
  container_.Set_Modified();
}

namespace {

// A cached array over buffer; the buffer is freed when the array cannot be
// built.
std::unique_ptr<ZELI_ParameterCachedArray> NewCachedArray(ZELI_Parameter* parameter,
                                                          ZELI_ParameterCachedArray::Kind kind, void* buffer,
                                                          unsigned count, const ZELI_DataInformation& info) {
  try {
    return std::make_unique<ZELI_ParameterCachedArray>(parameter, kind, buffer, count, info);
  } catch (...) {
    info.Get_Type_p()->FreeData(buffer, count);
    throw;
  }
}

}  // namespace

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
  try {
    type->CopyData(values, sources.data(), count);
    info_.DetermineMonMinMax(values, count);
  } catch (...) {
    type->FreeData(values, count);
    InvalidateCachedData();
    throw;
  }
  std::unique_ptr<ZELI_ParameterCachedArray> valueArray =
      NewCachedArray(this, ZELI_ParameterCachedArray::VALUES, values, count, info_);
  std::unique_ptr<ZELI_ParameterCachedArray> orderArray;
  if (HasOrders()) {
    void* orders = orderType_->ReallocData(nullptr, count, 0);
    for (unsigned i = 0; i < count; ++i) orderType_->CopyData(orders, i, orders_, positions_[i]);
    // Orders have no summary of their own: a fresh information.
    orderArray = NewCachedArray(this, ZELI_ParameterCachedArray::ORDERS, orders, count,
                                ZELI_DataInformation(orderType_));
  }
  ZELI_Cache& cache = container_.Get_Cache();
  cache.Add_CachedArray(valueArray.get());
  valueArray_ = valueArray.release();
  if (orderArray) {
    try {
      cache.Add_CachedArray(orderArray.get());
    } catch (...) {
      InvalidateCachedData();
      throw;
    }
    orderArray_ = orderArray.release();
  }
  cacheValid_ = true;
}

ZELI_ParameterCachedArray* ZELI_Parameter::Get_CachedArray_p(int kind) {
  PopulateCachedData();
  return kind == ZELI_ParameterCachedArray::ORDERS ? orderArray_ : valueArray_;
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
  if (order == nullptr) throw ZELI_BadArgException("Null order pointer");
  PopulateCachedData();
  *value = valueArray_->At(index);
  *order = orderArray_ != nullptr ? static_cast<const int*>(orderArray_->At(index)) : nullptr;
  return Get_ValueCount() - index;
}
