// ZELI_Type: the abstract root of the type class tree. Every value that the
// library stores or hands out is untyped memory whose layout a type of the
// same container gives: size of (bytes per unpacked value) and packed size
// of (bits per value inside a packed record).
//
//   ZELI_Type
//   +- ZELI_DiscreteType: ZELI_CharacterType, ZELI_IntegerType,
//   |                     ZELI_EnumerationType          (discrete_types.h,
//   |                                                    enumeration_type.h)
//   +- ZELI_FloatType, ZELI_RealType, ZELI_ComplexType,
//   |  ZELI_TimeType, ZELI_StringType                   (scalar_types.h)
//   +- ZELI_ArrayType
//   +- ZELI_NamedCompositeType: ZELI_RecordType, ZELI_UnionType
//                                                       (composite_types.h)
//
// Ownership: a type belongs to exactly one container (its type table owns
// it); types refer to other types of the same container without owning
// them, and only to types created before them, so the references form a
// DAG in creation order.
//
// The data functions (AtData ... UnpackData, type_data.cc) work on buffers
// allocated with malloc; each throws ZELI_BadArgException "Type does not
// store data" for a type of size 0.
//
// Stored record (type_record.cc, doc/type_records.md): data type (u8), name
// (string), size of (u32), packed size of (u32, stream version >= 2),
// internal flag (u8, version >= 1), key (i32), then the class's fields.
#ifndef ZEL_TYPES_TYPE_H
#define ZEL_TYPES_TYPE_H

#include <cstdint>
#include <cstring>
#include <iosfwd>

#include "store/keymap.h"
#include "store/objects.h"
#include "store/zstring.h"
#include "types/range.h"
#include "zel/zel.h"

class ZELI_TypedContainer;

// The fixed properties of each data-type code.
struct ZELI_DataTypeProperties {
  bool discrete;
  bool ordered;
  bool scalar;
  bool builtin;
};

// Properties of a code 0 .. 10; throws ZELI_FailedException for others.
const ZELI_DataTypeProperties& ZELI_GetDataTypeProperties(zel_dataType_t dataType);

// The common fields of a stored type record, read before the class's own.
struct ZELI_TypeRecord {
  zel_dataType_t dataType = ZEL_CHARACTER;
  ZELI_String name;
  unsigned sizeOf = 0;
  unsigned packedSizeOf = 0;
  bool hasPackedSizeOf = false;  // absent before stream version 2
  zel_bool_t isInternal = 0;
  int key = -1;
  unsigned version = 0;          // the stream's stored software version
  const char* reader = "";        // "<class>::Read", names the record in failures
};

// A malloc'd copy of text (null for null); ZELI_BadAllocException when
// memory is exhausted.
char* ZELI_DuplicateText(const char* text);

// A stored record's size of (and packed size of, when stored) must equal
// what its class computes; else "<class>::Read: size".
void ZELI_CheckRecordSizes(const ZELI_TypeRecord& record, unsigned sizeOf, unsigned packedSizeOf);

// Where one field lies in the packed values of a composite type
// (ZELI_Type::Get_PackedField), for placing field values one at a time.
// A whole-byte field (its packed size a multiple of 8, composite fields
// included) is copied as `size` bytes from byte `byte`; a narrow field (one
// byte of value, fewer bits) sits in `bits` bits, most significant first,
// in byte `byte` or, crossing a byte boundary, in the big-endian 16-bit word
// at it. Pack leaves the record's other bits as they are.
struct ZELI_PackedField {
  unsigned byte = 0;
  unsigned size = 0;   // whole-byte field: bytes copied; 0 for a narrow one
  unsigned bits = 0;   // narrow field: its packed size
  unsigned shift = 0;  // narrow field: of its low bit within the byte or word
  bool crosses = false;

  void Pack(unsigned char* record, const unsigned char* value) const {
    unsigned char* at = record + byte;
    if (size != 0) {
      std::memcpy(at, value, size);
      return;
    }
    const unsigned mask = (1u << bits) - 1u;
    if (!crosses) {
      at[0] = static_cast<unsigned char>((at[0] & ~(mask << shift)) | ((value[0] & mask) << shift));
      return;
    }
    unsigned word = (static_cast<unsigned>(at[0]) << 8) | at[1];
    word = (word & ~(mask << shift)) | ((value[0] & mask) << shift);
    at[0] = static_cast<unsigned char>(word >> 8);
    at[1] = static_cast<unsigned char>(word);
  }
};

class ZELI_Type : public ZELI_ExternalBase {
 public:
  ~ZELI_Type() override = default;
  ZELI_Type(const ZELI_Type&) = delete;
  ZELI_Type& operator=(const ZELI_Type&) = delete;

  // ---- slots --------------------------------------------------------------
  // 1: a new object of the same class and value, not yet added anywhere; the
  // types it refers to are found or copied into target first.
  virtual ZELI_Type* CopyToContainer(ZELI_TypedContainer* target) const = 0;
  // 2: the base type of a discrete subtype; the type itself otherwise.
  virtual ZELI_Type* Get_BaseType_p() const { return const_cast<ZELI_Type*>(this); }
  // 3: the range of a discrete type; others throw ZELI_BadArgException
  // "The type is not a discrete ordered type".
  virtual const ZELI_Range& Get_Range() const;
  // 4 to 8: subelements of composite types (scalar types have none: 4 gives
  // 0, 6 to 8 throw ZELI_BadArgException "The type is not a composite
  // type"). 5 is the number of scalar leaves (1 for a scalar). 7 returns the
  // name; ownedByType false means a malloc'd text the caller frees.
  virtual unsigned SubelementCount() const { return 0; }
  virtual unsigned ScalarCount() const { return 1; }
  virtual ZELI_Type* Get_SubelementType_p(unsigned index) const;
  virtual const char* Get_SubelementName(unsigned index, zel_bool_t& ownedByType) const;
  virtual unsigned Get_SubelementBitPosition(unsigned index) const;
  // 9: writes the type's record once per structure write (map's marker),
  // the types it refers to first.
  virtual void Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map);
  // 10: reads count stored values into buffer (written by WriteData). Byte
  // order is converted leaf by leaf through each leaf's own type.
  virtual void ReadData(ZELI_Istream& in, void* buffer, unsigned count) const;
  // 11 to 22 and 24: operations on values, comparisons and text
  // (type_operations*.cc, type_compare.cc, type_text.cc). Failures throw
  // ZELI_FailedException with the messages callers read; value pointers
  // must not be null when count is not 0 ("Null data buffer").
  //
  // 11 to 13, unary operations. Without a rule of its own a type has only
  // the identity (0), whose result type is the type itself. ApplyUnaryOp
  // computes count values of source into result, laid out by the result
  // type; the result slots are treated as uninitialised. A failure part-way
  // (acos outside [-1, 1]) throws with the values before it written.
  virtual zel_bool_t IsValidUnaryOp(zel_operation_t op) const;
  virtual ZELI_Type* UnaryOpResultType_p(ZELI_TypedContainer* container, zel_operation_t op) const;
  virtual void ApplyUnaryOp(zel_operation_t op, void* source, unsigned count, void* result) const;
  // 14 to 16, binary operations with other as the type of b. Without a rule
  // of its own a type has only the pairing (51): the result is b.
  virtual zel_bool_t IsValidBinaryOp(zel_operation_t op, ZELI_Type* other) const;
  virtual ZELI_Type* BinaryOpResultType_p(ZELI_TypedContainer* container, zel_operation_t op, ZELI_Type* other) const;
  virtual void ApplyBinaryOp(zel_operation_t op, ZELI_Type* other, void* a, void* b, unsigned count,
                             void* result) const;
  // 17 to 20, order of single values. Min and Max store the lesser or
  // greater value into a; FirstIsCloser(t, a, b), for a <= t <= b, tells
  // whether a is at least as close to t as b.
  virtual zel_bool_t LessThan(void* a, void* b) const;
  virtual void Min(void* a, void* b) const;
  virtual void Max(void* a, void* b) const;
  virtual zel_bool_t FirstIsCloser(void* target, void* a, void* b) const;
  // 21 and 22, text. ConvertToASCII returns a malloc'd text (the caller
  // frees it); it writes through the process-wide text stream, reset
  // before and after every conversion, by calling WriteText.
  virtual zel_bool_t IsValidConversion(zel_conversion_t conversion) const;
  virtual char* ConvertToASCII(zel_conversion_t conversion, void* value) const;
  // 23: equality by value (keys are not compared).
  virtual bool operator==(const ZELI_Type& other) const;
  bool operator!=(const ZELI_Type& other) const { return !(*this == other); }
  // 24: whether operations registered for this type apply to other's
  // values (false for null).
  virtual zel_bool_t IsOpCompatible(const ZELI_Type* other) const;

  // The container's generated types, for result types; a null container
  // throws ZELI_BadArgException "Null container".
  static ZELI_Type* GeneratedInteger(ZELI_TypedContainer* container);
  static ZELI_Type* GeneratedReal(ZELI_TypedContainer* container);
  static ZELI_Type* GeneratedComplex(ZELI_TypedContainer* container);

  // ---- properties ---------------------------------------------------------
  zel_dataType_t Get_DataType() const { return dataType_; }
  const ZELI_String& Get_Name() const { return name_; }
  unsigned Get_SizeOf() const { return sizeOf_; }
  unsigned Get_PackedSizeOf() const { return packedSizeOf_; }
  bool IsZelInternal() const { return isInternal_ != 0; }
  void Set_IsZelInternal(bool internal) { isInternal_ = internal ? 1 : 0; }
  bool IsBaseType() const { return Get_BaseType_p() == this; }
  bool IsSubtype() const { return !IsBaseType(); }
  bool IsOrdered() const { return ZELI_GetDataTypeProperties(dataType_).ordered; }
  bool IsDiscrete() const { return ZELI_GetDataTypeProperties(dataType_).discrete; }
  bool IsScalar() const { return ZELI_GetDataTypeProperties(dataType_).scalar; }
  bool IsComposite() const { return !IsScalar(); }
  bool IsBuiltin() const { return ZELI_GetDataTypeProperties(dataType_).builtin; }
  bool IsUserDefined() const { return !IsBuiltin(); }
  bool IsUnsigned() const { return IsDiscrete() && Get_Range().IsNonNegative(); }
  // Nesting depth: 1 for a type that refers to no other type, else one
  // more than the deepest type it refers to. Bounded by MaxDepth, so that
  // the recursive walks (equality, copying, writing, packing) stay shallow
  // whatever a file holds.
  static constexpr unsigned MaxDepth = 1000;
  unsigned Get_Depth() const { return depth_; }

  // True when the type or one of its leaves is a string (string values are
  // pointers and cannot sit in packed records).
  virtual bool HoldsStrings() const { return dataType_ == ZEL_STRING; }
  // False when ScalarCount fails: a union, or a composite holding one.
  virtual bool HasScalarCount() const { return true; }

  // ---- data functions (type_data.cc) --------------------------------------
  void* AtData(void* buffer, unsigned index) const;
  const void* AtData(const void* buffer, unsigned index) const;
  void ZeroData(void* buffer, unsigned count) const;
  // The four copies: a null source (buffer, or sources array) gives zero
  // values (null strings); a null destination with values to copy throws
  // ZELI_BadArgException "Null data buffer".
  // Gather: value i from sources[i] into slot i of destination. A null
  // sources[i] gives a zero value (a null string). String slots release
  // their previous text.
  void CopyData(void* destination, void* const* sources, unsigned count) const;
  // Scatter: value i of source into destinations[i] (slots treated as
  // uninitialised: strings are duplicated, nothing is released).
  void CopyData(void* const* destinations, const void* source, unsigned count) const;
  // Contiguous: count values; string slots release their previous text
  // after the new copies are made, so source and destination may overlap.
  void CopyData(void* destination, const void* source, unsigned count) const;
  // One value between two buffers (the destination slot is treated as
  // uninitialised).
  void CopyData(void* destination, unsigned destinationIndex, const void* source, unsigned sourceIndex) const;
  // Resizes a malloc'd buffer from oldCount to newCount values; shrinking
  // releases the strings of the dropped slots; added slots are zero-filled.
  void* ReallocData(void* buffer, unsigned newCount, unsigned oldCount) const;
  void WriteData(ZELI_Ostream& out, const void* buffer, unsigned count) const;
  // Releases the strings of the buffer (string types), then the buffer.
  void FreeData(void* buffer, unsigned count) const;
  bool Equal(const void* a, const void* b, unsigned count) const;
  void PackData(void* const* sources, unsigned count, void* destination) const;
  void UnpackData(const void* source, unsigned count, void* const* destinations) const;
  // One field of packed values of this type: the field of type `field` that
  // starts at bit `bitOffset` of each value (a sum of subelement bit
  // positions). PackData places count values of the field type (one
  // unpacked value each: a composite field is its own packed record) into
  // that field of count values of this type at destination, leaving their
  // other bits as they are; UnpackData copies the field out of count values
  // of this type into count values of the field type, sign-extending a
  // narrow field whose range has a negative minimum. Either type of size 0:
  // "Type does not store data" (bad argument); a field that does not lie
  // inside the value, or a field of a whole number of bytes that does not
  // start on a byte: ZELI_FailedException "ZELI_Type::PackData: layout" /
  // "ZELI_Type::UnpackData: layout".
  void PackData(const ZELI_Type& field, const void* source, unsigned count, unsigned bitOffset,
                void* destination) const;
  // Where that field lies, checked as PackData checks it (a field of no
  // bits has size 0 and bits 0: Pack leaves the record as it is).
  ZELI_PackedField Get_PackedField(const ZELI_Type& field, unsigned bitOffset) const;
  void UnpackData(const void* source, unsigned count, const ZELI_Type& field, unsigned bitOffset,
                  void* destination) const;

  // Byte swapping of count values in place (slot 25). Public for the value
  // readers of other classes; the stream readers call it themselves.
  virtual void ConvertEndianType(void* buffer, unsigned count) const;

  // ---- stored records (type_record.cc) ------------------------------------
  // Reads one type record and places the new type in map at its stored key.
  // Every field is checked against its class and the file; failures throw
  // ZELI_FailedException naming the record.
  static ZELI_Type* Read(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map);
  // The type placed at key, for references inside a record; a key that
  // holds no type fails with "<record>: <what>".
  static ZELI_Type* LookUp(const ZELI_KeyMap<ZELI_ExternalBase>& map, int key, const char* record,
                           const char* what);

 protected:
  ZELI_Type(zel_dataType_t dataType, const ZELI_String& name, unsigned sizeOf, unsigned packedSizeOf);
  // From a stored record's common fields.
  explicit ZELI_Type(const ZELI_TypeRecord& record);
  // A copy's common fields.
  ZELI_Type(const ZELI_Type& other, int /*copyTag*/);

  void Set_Sizes(unsigned sizeOf, unsigned packedSizeOf) {
    sizeOf_ = sizeOf;
    packedSizeOf_ = packedSizeOf;
  }
  // The ZELI_Type part of equality.
  bool EqualsAsType(const ZELI_Type& other) const;
  // Equality of referenced types. Types share their referenced types, so a
  // plain recursion can compare the same pair exponentially often; this one
  // remembers every pair's answer for the duration of the outermost
  // comparison (the library runs on one thread at a time).
  static bool AreEqualTypes(const ZELI_Type& a, const ZELI_Type& b);
  // Sets the depth one above deepest (the deepest referenced type's depth);
  // beyond MaxDepth: ZELI_BadArgException "Types are nested too deeply.".
  void Set_DepthAbove(unsigned deepest);
  // Write's parts: the referenced types' records, then the class's fields
  // after the common record.
  virtual void WriteReferencedTypes(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const;
  virtual void WriteFields(ZELI_Ostream& out) const;
  void WriteCommonRecord(ZELI_Ostream& out) const;
  // Throws ZELI_BadArgException "Type does not store data" for size 0.
  void RequireData() const;
  // Throws ZELI_BadArgException "Null data buffer" for null.
  void RequireBuffer(const void* buffer) const;
  // Zero values; strings of the buffer are released first.
  void ClearValues(void* buffer, unsigned count) const;
  // Reads count values raw and converts their byte order through
  // ConvertEndianType when the stream asks for it.
  void ReadRawData(ZELI_Istream& in, void* buffer, unsigned count) const;

  // Writes the text of one value for a valid conversion other than the
  // caller's function (type_text.cc); the base has no conversions.
  virtual void WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const;
  // Min and Max by the LessThan order: b replaces a when b < a (KeepLesser)
  // or a < b (KeepGreater); copies values as CopyData does (strings are
  // duplicated, a's previous text released).
  void KeepLesser(void* a, void* b) const;
  void KeepGreater(void* a, void* b) const;

 private:
  zel_dataType_t dataType_;
  ZELI_String name_;
  zel_bool_t isInternal_ = 0;
  unsigned sizeOf_;        // bytes per unpacked value
  unsigned packedSizeOf_;  // bits per value in a packed record
  unsigned depth_ = 1;     // see Get_Depth
};

#endif  // ZEL_TYPES_TYPE_H
