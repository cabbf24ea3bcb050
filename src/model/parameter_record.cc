// ZELI_Parameter: equality, copying into another container, and the stored
// record.
//
// Record (in the structure stream, after the descriptors):
//   name (string), descriptor key (i32), data information record,
//   attributes, slot count (u32) and one u32 link per slot, value count
//   (u32) and one u32 slot per position, free-slot head (u32), value slot
//   capacity (u32) and that many values through the value type's data
//   writer, with polynomial interpolation the order slot capacity (u32) and
//   that many 32-bit orders, then the key (i32).
// Reading trusts nothing: every count is bounded by the bytes left before
// anything is allocated, and the links, positions and free chain must
// describe each slot exactly once (in use at one position, or on the free
// chain once, without loops).
#include <cstring>
#include <memory>
#include <vector>

#include "errors/exceptions.h"
#include "model/dimension_descriptor.h"
#include "model/parameter.h"
#include "model/container.h"
#include "store/stream.h"
#include "types/type.h"

bool ZELI_Parameter::operator==(const ZELI_Parameter& other) const {
  if (this == &other) return true;
  if (name_ != other.name_) return false;
  if (!(*descriptor_ == *other.descriptor_)) return false;
  if (!(*orderType_ == *other.orderType_)) return false;
  if (Get_DataSpacing() != other.Get_DataSpacing() || Get_InterpolationType() != other.Get_InterpolationType() ||
      Get_Compression() != other.Get_Compression() ||
      Get_CompressionUserCode() != other.Get_CompressionUserCode()) {
    return false;
  }
  if (Get_ValueCount() != other.Get_ValueCount()) return false;
  const ZELI_Type* type = Get_Type_p();
  for (unsigned i = 0; i < Get_ValueCount(); ++i) {
    const unsigned mine = positions_[i];
    const unsigned theirs = other.positions_[i];
    if (!type->Equal(type->AtData(values_, mine), type->AtData(other.values_, theirs), 1)) return false;
    if (HasOrders() && !orderType_->Equal(orderType_->AtData(orders_, mine),
                                          other.orderType_->AtData(other.orders_, theirs), 1)) {
      return false;
    }
  }
  return true;
}

ZELI_Parameter* ZELI_Parameter::CopyToContainer(ZELI_Container& target) const {
  ZELI_DimensionDescriptor* descriptor = target.FindOrCopyDimensionDescriptor(*descriptor_, nullptr);
  auto copy = std::make_unique<ZELI_Parameter>(target, name_.c_str(), descriptor);
  copy->info_.CopySettings(info_);
  const unsigned count = Get_ValueCount();
  if (count == 0) return copy.release();
  // The values in position order: as if appended one by one, so value
  // identifiers are 0 .. count - 1. The types are equal (the descriptors
  // are), so the layouts are the same.
  copy->slotLinks_.reserve(count);
  copy->positions_.reserve(count);
  copy->EnsureCapacity(count);
  ZELI_Type* type = copy->Get_Type_p();
  std::vector<void*> sources(count);
  for (unsigned i = 0; i < count; ++i) sources[i] = const_cast<void*>(Get_Type_p()->AtData(values_, positions_[i]));
  type->CopyData(copy->values_, sources.data(), count);
  for (unsigned i = 0; i < count; ++i) {
    if (HasOrders()) {
      std::memcpy(copy->orderType_->AtData(copy->orders_, i), orderType_->AtData(orders_, positions_[i]), sizeof(int));
    }
    copy->slotLinks_.push_back(i);
    copy->positions_.push_back(i);
  }
  return copy.release();
}

namespace {

void WriteWords(ZELI_Ostream& out, const std::vector<unsigned>& words) {
  out << static_cast<unsigned>(words.size());
  if (!words.empty()) out.Write(words.data(), words.size() * sizeof(unsigned));
}

[[noreturn]] void Corrupt(const char* what) {
  throw ZELI_FailedException(ZELI_Message() << "ZELI_Parameter::Read: " << what);
}

// A u32 count of 4-byte words, bounded by the file, and the words.
std::vector<unsigned> ReadWords(ZELI_Istream& in) {
  const unsigned count = in.ReadCount(4);
  std::vector<unsigned> words(count);
  if (count > 0) in.Read(words.data(), count, 4);
  return words;
}

// Room for capacity stored values of type, read from the stream. Values
// take at least their size in the file; a string at least its length word
// and NUL.
void* ReadSlots(ZELI_Istream& in, const ZELI_Type& type, unsigned capacity) {
  if (capacity == 0) return nullptr;
  const uint64_t least = type.Get_DataType() == ZEL_STRING ? 5 : type.Get_SizeOf();
  in.RequireBytes(least * capacity);
  void* slots = type.ReallocData(nullptr, capacity, 0);
  try {
    type.ReadData(in, slots, capacity);
  } catch (...) {
    type.FreeData(slots, capacity);
    throw;
  }
  return slots;
}

}  // namespace

void ZELI_Parameter::Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const {
  if (map.IsMarked(Get_Key())) throw ZELI_FailedException("ZELI_Parameter::Write called again.");
  out << name_ << descriptor_->Get_Key();
  info_.Write(out);
  out << attributes_;
  WriteWords(out, slotLinks_);
  WriteWords(out, positions_);
  out << freeHead_;
  // Slots beyond the slot count are zero (ReallocData), free slots hold
  // their last value: no uninitialised byte reaches the file.
  out << valueCapacity_;
  if (valueCapacity_ > 0) Get_Type_p()->WriteData(out, values_, valueCapacity_);
  if (HasOrders()) {
    out << orderCapacity_;
    if (orderCapacity_ > 0) orderType_->WriteData(out, orders_, orderCapacity_);
  }
  out << Get_Key();
  map.Mark(Get_Key());
}

ZELI_Parameter* ZELI_Parameter::Read(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map,
                                     ZELI_Container& container) {
  ZELI_String name(in);
  int descriptorKey = -1;
  in >> descriptorKey;
  auto* descriptor = map.IsLive(descriptorKey) ? dynamic_cast<ZELI_DimensionDescriptor*>(map[descriptorKey]) : nullptr;
  if (descriptor == nullptr) Corrupt("descriptor");
  if (descriptor->Get_Type_p() == nullptr || descriptor->Get_Type_p()->Get_SizeOf() == 0) Corrupt("descriptor type");
  auto parameter = std::make_unique<ZELI_Parameter>(container, name.c_str(), descriptor);
  ZELI_Parameter& p = *parameter;
  p.info_.Read(in);
  in >> p.attributes_;

  p.slotLinks_ = ReadWords(in);
  p.positions_ = ReadWords(in);
  in >> p.freeHead_;
  const unsigned slotCount = p.Get_SlotCount();
  if (slotCount == NoSlot) Corrupt("slot count");
  // Each slot is in use at exactly one position or on the free chain once.
  enum : unsigned char { Unseen, InUse, Free };
  std::vector<unsigned char> state(slotCount, Unseen);
  for (unsigned i = 0; i < p.Get_ValueCount(); ++i) {
    const unsigned slot = p.positions_[i];
    if (slot >= slotCount || state[slot] != Unseen) Corrupt("positions");
    if (p.slotLinks_[slot] != i) Corrupt("slot links");
    state[slot] = InUse;
  }
  unsigned freeSlots = 0;
  for (unsigned slot = p.freeHead_; slot != NoSlot; slot = p.slotLinks_[slot]) {
    if (slot >= slotCount || state[slot] != Unseen) Corrupt("free chain");
    state[slot] = Free;
    ++freeSlots;
  }
  if (freeSlots + p.Get_ValueCount() != slotCount) Corrupt("free chain");

  unsigned capacity = 0;
  in >> capacity;
  if (capacity < slotCount) Corrupt("value capacity");
  p.values_ = ReadSlots(in, *p.Get_Type_p(), capacity);
  p.valueCapacity_ = capacity;
  if (p.HasOrders()) {
    in >> capacity;
    if (capacity < slotCount) Corrupt("order capacity");
    p.orders_ = ReadSlots(in, *p.orderType_, capacity);
    p.orderCapacity_ = capacity;
    for (unsigned slot : p.positions_) {
      int order = 0;
      std::memcpy(&order, p.orderType_->AtData(p.orders_, slot), sizeof order);
      if (order < 0 || order > 2) Corrupt("orders");
    }
  }
  int key = -1;
  in >> key;
  map.Insert(key, parameter.get());
  p.Set_Key(key);
  return parameter.release();
}
