// Composite types: arrays, records and unions. Their values are packed
// records of size-of bytes (type_data.cc) whose scalar leaves sit at the bit
// positions computed here.
//
//  - Array: an element type over constraints (one discrete range per
//    dimension, the last varying fastest). Element i lies at bit
//    i * element packed size; size of = ceil(count * element bits / 8).
//  - Record: named elements in declaration order; an element whose packed
//    size is a multiple of 8 starts on the next byte boundary, any other
//    right after the previous one. Size of = ceil(end of the last element /
//    8), so padding before aligned elements is always inside the record.
//  - Union: named choices; size of covers the largest choice; every choice
//    reports bit position 32 and the scalar count fails, so union values
//    cannot be packed, unpacked or byte-swapped.
//
// Every composite has packed size of = size of * 8, which must fit in 32
// bits ("Array is too large.", "Record is too large.", "Union is too
// large."). String values are pointers and cannot be packed: composites of
// strings are refused ("Composite types cannot hold strings.").
//
// Stored fields after the common record (referenced types are written
// first): array: element type key (i32), constraint count (u32), one range
// record per constraint; record and union: element count (u32), each name
// (string), each element type key (i32). Reading recomputes the layout and
// refuses a stored size that differs.
#ifndef ZEL_TYPES_COMPOSITE_TYPES_H
#define ZEL_TYPES_COMPOSITE_TYPES_H

#include <vector>

#include "types/type.h"

class ZELI_ArrayType : public ZELI_Type {
 public:
  // Constraints are ranges over discrete types of the same container.
  ZELI_ArrayType(const ZELI_String& name, ZELI_Type* element, std::vector<ZELI_Range> constraints);

  ZELI_Type* CopyToContainer(ZELI_TypedContainer* target) const override;
  unsigned SubelementCount() const override { return elementCount_; }
  unsigned ScalarCount() const override;
  bool HasScalarCount() const override { return hasScalarCount_; }
  bool HoldsStrings() const override { return false; }  // refused at creation
  // Subelement i is the element at location i, named "[i0,i1,...]" (a new
  // malloc'd text); "Array location out of range." past the last.
  ZELI_Type* Get_SubelementType_p(unsigned index) const override;
  const char* Get_SubelementName(unsigned index, zel_bool_t& ownedByType) const override;
  unsigned Get_SubelementBitPosition(unsigned index) const override;
  bool operator==(const ZELI_Type& other) const override;

  ZELI_Type* Get_ElementType_p() const { return element_; }
  unsigned Get_Rank() const { return static_cast<unsigned>(constraints_.size()); }
  const ZELI_Range& Get_Constraint(unsigned index) const { return constraints_[index]; }
  unsigned Get_ElementCount() const { return elementCount_; }
  // Location of the element at indices (one per constraint): "Array index
  // is out of range." for an index outside its constraint.
  unsigned Location(const int* indices) const;
  // The indices of a location: "Array location is out of range." past the
  // last element. indices is written only on success.
  void Indices(unsigned location, int* indices) const;
  // Text: arrays whose element type is an enumeration (logic vectors)
  // accept the natural form (0) and the byte forms (1 to 3, the packed
  // record's bytes); other arrays have no text. See WriteText.
  zel_bool_t IsValidConversion(zel_conversion_t conversion) const override;
  // Array values have no order: "Unimplemented ZELI_ArrayType::LessThan"
  // (Min, Max).
  zel_bool_t LessThan(void* a, void* b) const override;
  void Min(void* a, void* b) const override;
  void Max(void* a, void* b) const override;

  static ZELI_ArrayType* ReadRecord(const ZELI_TypeRecord& record, ZELI_Istream& in,
                                    const ZELI_KeyMap<ZELI_ExternalBase>& map);

 protected:
  void WriteReferencedTypes(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const override;
  void WriteFields(ZELI_Ostream& out) const override;
  // The natural form lists the elements' literals in location order (the
  // first index of the declared range first): run together when every
  // literal of the enumeration is one character ("01xz" for a vector
  // declared 3 downto 0 holding 0, 1, x, z at indices 3, 2, 1, 0), else
  // separated by commas in parentheses ("(lo,hi)"). An element whose
  // encoding has no literal fails as a single enumeration value does.
  void WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const override;

 private:
  explicit ZELI_ArrayType(const ZELI_TypeRecord& record) : ZELI_Type(record) {}
  ZELI_ArrayType(const ZELI_ArrayType& other, int copyTag)
      : ZELI_Type(other, copyTag), constraints_(other.constraints_) {}
  // Element count, sizes and scalar count from the element and constraints.
  void Initialize();

  ZELI_Type* element_ = nullptr;         // not owned
  std::vector<ZELI_Range> constraints_;  // each over a discrete type
  unsigned elementCount_ = 1;            // product of the constraints' value counts
  unsigned scalarCount_ = 0;             // element scalar count * element count
  bool hasScalarCount_ = true;           // false when a union is inside
};

class ZELI_NamedCompositeType : public ZELI_Type {
 public:
  unsigned SubelementCount() const override { return static_cast<unsigned>(types_.size()); }
  bool HasScalarCount() const override { return hasScalarCount_; }
  bool HoldsStrings() const override { return false; }  // refused at creation
  // "Element position out of range." past the last element; names are owned
  // by the type.
  ZELI_Type* Get_SubelementType_p(unsigned index) const override;
  const char* Get_SubelementName(unsigned index, zel_bool_t& ownedByType) const override;
  bool operator==(const ZELI_Type& other) const override;

  unsigned Get_ElementCount() const { return static_cast<unsigned>(types_.size()); }
  const ZELI_String& Get_ElementName(unsigned index) const { return names_[index]; }
  ZELI_Type* Get_ElementType_p(unsigned index) const { return types_[index]; }

 protected:
  ZELI_NamedCompositeType(zel_dataType_t dataType, const ZELI_String& name, unsigned count,
                          const char* const* names, ZELI_Type* const* types);
  explicit ZELI_NamedCompositeType(const ZELI_TypeRecord& record) : ZELI_Type(record) {}
  // Copies the names; the element types are set by CopyElements.
  ZELI_NamedCompositeType(const ZELI_NamedCompositeType& other, int copyTag)
      : ZELI_Type(other, copyTag), names_(other.names_) {}
  // Finds or copies every element type of other into target.
  void CopyElements(const ZELI_NamedCompositeType& other, ZELI_TypedContainer* target);
  // Reads the element count, names and type keys of a stored record.
  void ReadElements(const ZELI_TypeRecord& record, ZELI_Istream& in, const ZELI_KeyMap<ZELI_ExternalBase>& map);
  void WriteReferencedTypes(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const override;
  void WriteFields(ZELI_Ostream& out) const override;
  // Refuses string elements, sets the depth and the scalar-count flag from
  // the elements (each O(1): the elements' answers are cached likewise).
  void InitializeElements();

  std::vector<ZELI_String> names_;
  std::vector<ZELI_Type*> types_;  // not owned
  bool hasScalarCount_ = true;     // false when a union is inside
};

class ZELI_RecordType : public ZELI_NamedCompositeType {
 public:
  ZELI_RecordType(const ZELI_String& name, unsigned count, const char* const* names, ZELI_Type* const* types);

  ZELI_Type* CopyToContainer(ZELI_TypedContainer* target) const override;
  unsigned ScalarCount() const override;
  // "Record element location out of range." past the last element.
  unsigned Get_SubelementBitPosition(unsigned index) const override;
  // Record values have no order: "Unimplemented ZELI_RecordType::LessThan"
  // (Min, Max).
  zel_bool_t LessThan(void* a, void* b) const override;
  void Min(void* a, void* b) const override;
  void Max(void* a, void* b) const override;

  static ZELI_RecordType* ReadRecord(const ZELI_TypeRecord& record, ZELI_Istream& in,
                                     const ZELI_KeyMap<ZELI_ExternalBase>& map);

 private:
  explicit ZELI_RecordType(const ZELI_TypeRecord& record) : ZELI_NamedCompositeType(record) {}
  ZELI_RecordType(const ZELI_RecordType& other, int copyTag) : ZELI_NamedCompositeType(other, copyTag) {}
  // Bit positions, sizes and scalar count.
  void Initialize();

  std::vector<unsigned> bitPositions_;
  unsigned scalarCount_ = 0;
};

class ZELI_UnionType : public ZELI_NamedCompositeType {
 public:
  ZELI_UnionType(const ZELI_String& name, unsigned count, const char* const* names, ZELI_Type* const* types);

  ZELI_Type* CopyToContainer(ZELI_TypedContainer* target) const override;
  // Fails: ZELI_FailedException "ZELI_UnionType::ScalarCount".
  unsigned ScalarCount() const override;
  bool HasScalarCount() const override { return false; }
  // 32 for every choice; "Union element location out of range." past the
  // last.
  unsigned Get_SubelementBitPosition(unsigned index) const override;

  static ZELI_UnionType* ReadRecord(const ZELI_TypeRecord& record, ZELI_Istream& in,
                                    const ZELI_KeyMap<ZELI_ExternalBase>& map);

 private:
  explicit ZELI_UnionType(const ZELI_TypeRecord& record) : ZELI_NamedCompositeType(record) {}
  ZELI_UnionType(const ZELI_UnionType& other, int copyTag) : ZELI_NamedCompositeType(other, copyTag) {}
  void Initialize();
};

#endif  // ZEL_TYPES_COMPOSITE_TYPES_H
