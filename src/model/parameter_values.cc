// ZELI_Parameter: values by position and by identifier; slots, the free
// chain, appending, inserting and deleting.
//
// Every change is prepared first (room for the slots, links and positions
// reserved, values copied into free slots) and then committed by steps that
// cannot fail, so a failing call (an exhausted memory, a bad argument)
// leaves the parameter as it was.
#include <cstring>
#include <vector>

#include "errors/exceptions.h"
#include "model/parameter.h"
#include "types/type.h"

void ZELI_Parameter::CheckIndex(unsigned index) const {
  if (index >= Get_ValueCount()) throw ZELI_BadArgException("Parameter index is out of range.");
}

unsigned ZELI_Parameter::Get_ParId(unsigned index) const {
  CheckIndex(index);
  return positions_[index];
}

unsigned ZELI_Parameter::Get_Index(unsigned id) const {
  // A slot in use links to a position that points back at it; a free slot
  // links to another free slot (or NoSlot), which no position points back
  // from, so it can never pass this test.
  if (id < Get_SlotCount()) {
    const unsigned position = slotLinks_[id];
    if (position < Get_ValueCount() && positions_[position] == id) return position;
  }
  throw ZELI_BadArgException("ParId ID is out of range.");
}

void ZELI_Parameter::GetValue(unsigned index, void* value, int* order) const {
  CheckIndex(index);
  if (value == nullptr) throw ZELI_BadArgException("Null data buffer");
  if (HasOrders() && order == nullptr) throw ZELI_BadArgException("Null order buffer");
  const unsigned slot = positions_[index];
  Get_Type_p()->CopyData(value, 0, values_, slot);
  if (HasOrders()) std::memcpy(order, orderType_->AtData(orders_, slot), sizeof(int));
}

void ZELI_Parameter::CheckValuesArgument(unsigned count, const void* values, const int* orders) const {
  if (count == 0) return;
  if (values == nullptr) throw ZELI_BadArgException("Null data buffer");
  if (count > NoSlot - 1 - Get_ValueCount()) throw ZELI_BadArgException("Too many parameter values.");
  if (!HasOrders()) return;
  if (orders == nullptr) throw ZELI_BadArgException("Null order buffer");
  for (unsigned i = 0; i < count; ++i) {
    if (orders[i] < 0 || orders[i] > 2) throw ZELI_BadArgException("Polynomial order must be 0, 1 or 2.");
  }
}

void ZELI_Parameter::EnsureCapacity(unsigned slotCount) {
  if (slotCount > valueCapacity_) {
    values_ = Get_Type_p()->ReallocData(values_, slotCount, valueCapacity_);
    valueCapacity_ = slotCount;
  }
  if (HasOrders() && slotCount > orderCapacity_) {
    orders_ = orderType_->ReallocData(orders_, slotCount, orderCapacity_);
    orderCapacity_ = slotCount;
  }
}

void ZELI_Parameter::AllocatePrimaryStorage(unsigned count) {
  positions_.reserve(positions_.size() + count);
  const unsigned freeSlots = Get_SlotCount() - Get_ValueCount();
  if (freeSlots >= count) return;
  // Every slot in use stays, every free one is taken, and the rest is new.
  const unsigned slotCount = Get_ValueCount() + count;
  slotLinks_.reserve(slotCount);
  EnsureCapacity(slotCount);
  for (unsigned slot = Get_SlotCount(); slot < slotCount; ++slot) {
    slotLinks_.push_back(freeHead_);
    freeHead_ = slot;
  }
}

std::vector<unsigned> ZELI_Parameter::FillFreeSlots(unsigned count, const void* values, const int* orders) {
  std::vector<unsigned> slots;
  slots.reserve(count);
  for (unsigned slot = freeHead_; slots.size() < count; slot = slotLinks_[slot]) slots.push_back(slot);
  ZELI_Type* type = Get_Type_p();
  for (unsigned i = 0; i < count; ++i) {
    // The contiguous copy releases a string left in the free slot.
    type->CopyData(type->AtData(values_, slots[i]), type->AtData(values, i), 1);
    if (HasOrders()) std::memcpy(orderType_->AtData(orders_, slots[i]), &orders[i], sizeof(int));
  }
  return slots;
}

unsigned ZELI_Parameter::TakeFreeSlot() {
  const unsigned slot = freeHead_;
  freeHead_ = slotLinks_[slot];
  return slot;
}

void ZELI_Parameter::Relink(unsigned first) {
  for (unsigned i = first; i < Get_ValueCount(); ++i) slotLinks_[positions_[i]] = i;
}

void ZELI_Parameter::AppendValues(unsigned count, const void* values, const int* orders) {
  CheckValuesArgument(count, values, orders);
  if (count == 0) return;
  AllocatePrimaryStorage(count);
  FillFreeSlots(count, values, orders);
  for (unsigned i = 0; i < count; ++i) {
    const unsigned slot = TakeFreeSlot();
    slotLinks_[slot] = Get_ValueCount();
    positions_.push_back(slot);  // room reserved
  }
  ChangedValues();
}

void ZELI_Parameter::InsertValuesBefore(unsigned index, unsigned count, const void* values, const int* orders) {
  CheckIndex(index);
  CheckValuesArgument(count, values, orders);
  if (count == 0) return;
  AllocatePrimaryStorage(count);
  const std::vector<unsigned> slots = FillFreeSlots(count, values, orders);
  for (unsigned i = 0; i < count; ++i) TakeFreeSlot();
  positions_.insert(positions_.begin() + index, slots.begin(), slots.end());  // room reserved
  Relink(index);
  ChangedValues();
}

void ZELI_Parameter::InsertValuesAfter(unsigned index, unsigned count, const void* values, const int* orders) {
  CheckIndex(index);
  if (index == Get_ValueCount() - 1) {
    AppendValues(count, values, orders);
  } else {
    InsertValuesBefore(index + 1, count, values, orders);
  }
}

void ZELI_Parameter::DeleteValues(unsigned index, unsigned count) {
  CheckIndex(index);
  if (count > Get_ValueCount() - index) throw ZELI_BadArgException("Parameter count is too large.");
  if (count == 0) return;
  // The slot of the last deleted position ends as the head.
  for (unsigned i = index; i < index + count; ++i) {
    const unsigned slot = positions_[i];
    slotLinks_[slot] = freeHead_;
    freeHead_ = slot;
  }
  positions_.erase(positions_.begin() + index, positions_.begin() + index + count);
  Relink(index);
  ChangedValues();
}
