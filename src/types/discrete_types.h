// Discrete types: ZELI_DiscreteType and its character and integer classes
// (enumerations in enumeration_type.h).
//
// A discrete type holds a range and a base type. A base type's range is over
// the type itself and its base type is itself. A subtype is an object of its
// base type's class whose range is over the type it was derived from and
// whose base type is that type's base type; it stores values in the width of
// its base type and packs them in the width of its own range.
//
// Stored fields after the common record: the range record (range type key,
// left, right, step), then the base type's key. A subtype writes its base
// type and range type first.
#ifndef ZEL_TYPES_DISCRETE_TYPES_H
#define ZEL_TYPES_DISCRETE_TYPES_H

#include <iosfwd>

#include "types/type.h"

class ZELI_DiscreteType : public ZELI_Type {
 public:
  ZELI_Type* Get_BaseType_p() const override { return base_; }
  const ZELI_Range& Get_Range() const override { return range_; }
  bool operator==(const ZELI_Type& other) const override;
  // Values are ordered by encoding; conversions 0 to 6 are valid.
  zel_bool_t LessThan(void* a, void* b) const override;
  void Min(void* a, void* b) const override;
  void Max(void* a, void* b) const override;
  zel_bool_t FirstIsCloser(void* target, void* a, void* b) const override;
  zel_bool_t IsValidConversion(zel_conversion_t conversion) const override;
  // The encoding of a value: its stored width (1, 2 or 4 bytes; any other
  // throws ZELI_FailedException failure), read signed unless the base
  // type's range is non-negative. A subtype stores values in its base's
  // width, so the base's range decides how they read.
  long long Get_Encoding(const void* value, const char* failure) const;

 protected:
  // A base type over left .. right.
  ZELI_DiscreteType(zel_dataType_t dataType, const ZELI_String& name, int left, int right, int step);
  // A subtype over range (whose type is the type derived from). The base of
  // the range's type must have this data type, else ZELI_BadArgException
  // mismatchMessage.
  ZELI_DiscreteType(zel_dataType_t dataType, const ZELI_String& name, const ZELI_Range& range,
                    const char* mismatchMessage);
  explicit ZELI_DiscreteType(const ZELI_TypeRecord& record) : ZELI_Type(record), base_(this) {}
  ZELI_DiscreteType(const ZELI_DiscreteType& other, int copyTag);

  // Takes the other type's references into target: a base type refers to
  // itself; a subtype finds or copies its base type and range type there.
  void CopyReferences(const ZELI_DiscreteType& other, ZELI_TypedContainer* target);
  // Reads the range record and the base key of a stored record, checks them
  // (range over this type or an earlier type of the same class, limits within
  // that type's range, base type a base type of this class) and the stored
  // sizes against the computed ones.
  void ReadDiscreteFields(const ZELI_TypeRecord& record, ZELI_Istream& in,
                          const ZELI_KeyMap<ZELI_ExternalBase>& map);
  void WriteReferencedTypes(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const override;
  void WriteFields(ZELI_Ostream& out) const override;
  // Conversions 1 to 5 of an encoding (failure as for Get_Encoding); the
  // classes write conversion 0 themselves.
  void WriteEncodingText(std::ostream& out, zel_conversion_t conversion, const void* value, const char* failure) const;

 private:
  void ComputeSizes();

  ZELI_Range range_;
  ZELI_Type* base_;  // this for a base type; not owned
};

class ZELI_CharacterType : public ZELI_DiscreteType {
 public:
  // The builtin character type: 0 to 255 ascending.
  explicit ZELI_CharacterType(const ZELI_String& name) : ZELI_DiscreteType(ZEL_CHARACTER, name, 0, 255, 1) {}
  // A subtype; "Character base type is not a character." otherwise.
  ZELI_CharacterType(const ZELI_String& name, const ZELI_Range& range)
      : ZELI_DiscreteType(ZEL_CHARACTER, name, range, "Character base type is not a character.") {}
  ZELI_Type* CopyToContainer(ZELI_TypedContainer* target) const override;
  static ZELI_CharacterType* ReadRecord(const ZELI_TypeRecord& record, ZELI_Istream& in,
                                        const ZELI_KeyMap<ZELI_ExternalBase>& map);

 protected:
  // Conversion 0 writes the character itself.
  void WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const override;

 private:
  using ZELI_DiscreteType::ZELI_DiscreteType;
};

class ZELI_IntegerType : public ZELI_DiscreteType {
 public:
  // The builtin integer type: -2147483648 to 2147483647 ascending.
  explicit ZELI_IntegerType(const ZELI_String& name);
  // A subtype; "Integer base type is not an integer." otherwise.
  ZELI_IntegerType(const ZELI_String& name, const ZELI_Range& range)
      : ZELI_DiscreteType(ZEL_INTEGER, name, range, "Integer base type is not an integer.") {}
  ZELI_Type* CopyToContainer(ZELI_TypedContainer* target) const override;
  static ZELI_IntegerType* ReadRecord(const ZELI_TypeRecord& record, ZELI_Istream& in,
                                      const ZELI_KeyMap<ZELI_ExternalBase>& map);
  // Unary operations: identity and conversion to a real number (22).
  zel_bool_t IsValidUnaryOp(zel_operation_t op) const override;
  ZELI_Type* UnaryOpResultType_p(ZELI_TypedContainer* container, zel_operation_t op) const override;
  void ApplyUnaryOp(zel_operation_t op, void* source, unsigned count, void* result) const override;

 protected:
  void WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const override;

 private:
  using ZELI_DiscreteType::ZELI_DiscreteType;
};

// A range over the discrete type from left to right: the limits must lie
// within the type's range ("Left limit is out of underlying range.", "Right
// limit is out of underlying range."); a non-discrete type fails in
// Get_Range.
ZELI_Range ZELI_MakeSubrange(ZELI_Type* type, int left, int right, zel_rangeDirection_t direction);

// A new subtype of base (not yet added to a container): "Base type is not a
// discrete type." for a non-discrete base, then the range checks above.
ZELI_Type* ZELI_CreateDiscreteSubtype(const char* name, ZELI_Type* base, int left, int right,
                                      zel_rangeDirection_t direction);

#endif  // ZEL_TYPES_DISCRETE_TYPES_H
