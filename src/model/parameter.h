// ZELI_Parameter: one sweep variable of a simulation (a temperature, a
// supply voltage, a corner): a named, ordered list of values of its
// descriptor's type. Values may be appended, inserted and deleted after
// segments exist, so segments refer to a value by its stable value
// identifier (the slot that holds it), never by its position.
//
// Slots and positions:
//   slotLinks_[s]  for a slot in use, the position of its value; for a free
//                  slot, the next free slot (NoSlot ends the chain)
//   positions_[i]  the slot of the value at position i (length: value count)
//   freeHead_      the first free slot, NoSlot when none
// Invariants: slotLinks_[positions_[i]] == i for every position; every slot
// not in positions_ is on the free chain exactly once; the free chain has
// no loop. Free slots keep their last value until they are reused (a string
// value is released then, or with the parameter).
//
// Value storage: values_ holds one value of the value type per slot
// (valueCapacity_ >= slot count; slots beyond the slot count are zero);
// with polynomial interpolation orders_ holds one 32-bit order (0, 1 or 2)
// per slot in the same way. Both are malloc'd through their types.
//
// Position-ordered cache: the first monotonicity, min/max or value-buffer
// query after a change copies the values (and orders) into position order,
// determines monotonicity and extremes over them and registers the copies as
// ZELI_ParameterCachedArray objects in the container's cache; every change
// of values lets them go.
//
// Stored record (parameter_record.cc, doc/parameter_records.md): name,
// descriptor key, data information, attributes, slot links, positions, free
// head, value slots over the whole capacity, order slots with polynomial
// interpolation, key.
#ifndef ZEL_MODEL_PARAMETER_H
#define ZEL_MODEL_PARAMETER_H

#include <vector>

#include "store/attributes.h"
#include "store/keymap.h"
#include "store/objects.h"
#include "store/zstring.h"
#include "model/data_information.h"

class ZELI_Container;
class ZELI_DimensionDescriptor;
class ZELI_ParameterCachedArray;
class ZELI_Type;

class ZELI_Parameter : public ZELI_ExternalBase {
 public:
  // Ends the free chain and marks free slot links.
  static constexpr unsigned NoSlot = 0xFFFFFFFFu;

  // A parameter without values over the descriptor's type (the descriptor
  // must have one: ZELI_BadArgException "Dimension descriptor has no
  // type."). The order type is the container's internal integer type.
  ZELI_Parameter(ZELI_Container& container, const char* name, ZELI_DimensionDescriptor* descriptor);
  ~ZELI_Parameter() override;
  ZELI_Parameter(const ZELI_Parameter&) = delete;
  ZELI_Parameter& operator=(const ZELI_Parameter&) = delete;

  const ZELI_String& Get_Name() const { return name_; }
  ZELI_Container& Get_Container() const { return container_; }
  ZELI_DimensionDescriptor* Get_DimensionDescriptor_p() const { return descriptor_; }
  // The descriptor's type: the type of the values.
  ZELI_Type* Get_Type_p() const { return info_.Get_Type_p(); }
  ZELI_Type* Get_OrderType_p() const { return orderType_; }
  const ZELI_DataInformation& Get_DataInformation() const { return info_; }

  // ---- settings (each set marks the container's structure modified) ----
  zel_dataSpacing_t Get_DataSpacing() const { return info_.Get_DataSpacing(); }
  void Set_DataSpacing(zel_dataSpacing_t spacing);
  zel_interpolation_t Get_InterpolationType() const { return info_.Get_InterpolationType(); }
  // With values present: ZELI_FailedException "Cannot change parameter
  // interpolation type when values exist.".
  void Set_InterpolationType(zel_interpolation_t interpolation);
  bool HasOrders() const { return info_.Get_InterpolationType() == ZEL_INTERPOLATION_POLYNOMIAL; }
  zel_compression_t Get_Compression() const { return info_.Get_Compression(); }
  void Set_Compression(zel_compression_t compression);
  int Get_CompressionUserCode() const { return info_.Get_CompressionUserCode(); }
  void Set_CompressionUserCode(int code);
  const char* Get_Attribute(const char* name) const { return attributes_.Get_Attribute(name); }
  const char** Get_AttributeNames(unsigned& count) const { return attributes_.Get_AttributeNames(count); }
  void Set_Attribute(const char* name, const char* value);

  // ---- values by position and identifier (parameter_values.cc) ----
  unsigned Get_ValueCount() const { return static_cast<unsigned>(positions_.size()); }
  unsigned Get_SlotCount() const { return static_cast<unsigned>(slotLinks_.size()); }
  // The value identifier at a position; index >= value count:
  // ZELI_BadArgException "Parameter index is out of range.".
  unsigned Get_ParId(unsigned index) const;
  // The position of the value with identifier id; an identifier that is not
  // a slot or is a free slot: ZELI_BadArgException "ParId ID is out of
  // range.".
  unsigned Get_Index(unsigned id) const;
  // Copies the value at index into value (a string as a new malloc'd text
  // the caller owns) and, with polynomial interpolation, its order into
  // order (which may be null otherwise).
  void GetValue(unsigned index, void* value, int* order) const;
  // Pointers into the position-ordered cache at index (order: null unless
  // polynomial); valid until the values change. Returns count - index.
  unsigned GetValueBuffer(unsigned index, const void** value, const int** order);
  // Values are count values of the value type; orders, with polynomial
  // interpolation, count orders of 0, 1 or 2 (ignored otherwise). On any
  // failure nothing changes.
  void AppendValues(unsigned count, const void* values, const int* orders);
  // Before position index (< value count).
  void InsertValuesBefore(unsigned index, unsigned count, const void* values, const int* orders);
  // After position index (< value count); after the last one this appends.
  void InsertValuesAfter(unsigned index, unsigned count, const void* values, const int* orders);
  // count values from position index: index >= value count "Parameter index
  // is out of range.", index + count > value count "Parameter count is too
  // large." (both ZELI_BadArgException, nothing changes).
  void DeleteValues(unsigned index, unsigned count);
  // Over the values in position order (determined on demand).
  zel_monotonicity_t Get_Monotonicity();
  // No values: ZELI_FailedException "Parameter has no values.".
  void Get_MinMax(void* min, void* max);
  // The position-ordered values (kind VALUES) or, with polynomial
  // interpolation, orders (ORDERS) as a cached array of the container's
  // cache, built when needed; null without values (or orders). Owned by the
  // cache; valid until the values change.
  ZELI_ParameterCachedArray* Get_CachedArray_p(int kind);
  // Told by a cached array that is deleted while the parameter holds it.
  void CachedArrayDeleted(const ZELI_ParameterCachedArray* array) noexcept;

  // ---- equality, copying, stored record (parameter_record.cc) ----
  // Names, descriptors, order types, settings, value count, and the values
  // (and orders) position by position. Identifiers, monotonicity and
  // attributes are not compared.
  bool operator==(const ZELI_Parameter& other) const;
  // A copy for target, not yet added to it: name, settings and values (in
  // position order, identifiers 0 .. count - 1); the descriptor found or
  // copied there (a copy is added to target). Attributes are not copied.
  ZELI_Parameter* CopyToContainer(ZELI_Container& target) const;
  // Once per structure write ("ZELI_Parameter::Write called again.").
  void Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const;
  // Reads a record (descriptors already read), checks it throughout
  // (ZELI_FailedException "ZELI_Parameter::Read: <what>") and places the
  // parameter in map at its stored key.
  static ZELI_Parameter* Read(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map, ZELI_Container& container);

 private:
  // Grows the value (and order) storage to at least slotCount slots; added
  // slots are zero.
  void EnsureCapacity(unsigned slotCount);
  // Makes count free slots available (new slots go onto the free chain in
  // increasing order, so the last new slot becomes the head) and reserves
  // room for count more positions. May throw; leaves a consistent state.
  void AllocatePrimaryStorage(unsigned count);
  // Copies count values (and orders) into the first count slots of the
  // free chain without taking them; returns those slots in chain order.
  std::vector<unsigned> FillFreeSlots(unsigned count, const void* values, const int* orders);
  // Takes the head of the free chain (never throws).
  unsigned TakeFreeSlot();
  // slotLinks_[positions_[i]] = i from position first on.
  void Relink(unsigned first);
  void CheckValuesArgument(unsigned count, const void* values, const int* orders) const;
  void CheckIndex(unsigned index) const;
  // Lets the cached arrays go and forgets what was determined from them.
  void InvalidateCachedData() noexcept;
  // Lets one cached array go: deleted now when unreferenced, else left to
  // the cache's garbage rule.
  void ReleaseCachedArray(ZELI_ParameterCachedArray*& array) noexcept;
  void ChangedValues();
  // Builds the position-ordered cache when it is not valid.
  void PopulateCachedData();
  void ReleaseStorage() noexcept;

  ZELI_Container& container_;
  ZELI_String name_;
  ZELI_DimensionDescriptor* descriptor_;  // of the same container, not owned
  ZELI_DataInformation info_;             // over the values, type = descriptor's
  ZELI_Type* orderType_;                  // the container's internal integer type
  ZELI_Attributes attributes_;
  std::vector<unsigned> slotLinks_;
  std::vector<unsigned> positions_;
  unsigned freeHead_ = NoSlot;
  void* values_ = nullptr;  // valueCapacity_ values of the value type
  unsigned valueCapacity_ = 0;
  void* orders_ = nullptr;  // orderCapacity_ orders; polynomial interpolation only
  unsigned orderCapacity_ = 0;
  // Position-ordered copies in the container's cache (owned there), valid
  // while cacheValid_; null without values (or orders).
  bool cacheValid_ = false;
  ZELI_ParameterCachedArray* valueArray_ = nullptr;
  ZELI_ParameterCachedArray* orderArray_ = nullptr;
};

#endif  // ZEL_MODEL_PARAMETER_H
