// The builtin scalar types that are not discrete: float (IEEE single),
// real (IEEE double), complex (DComplex, two doubles), time (UniversalTime,
// 24 bytes; or an IEEE double for the legacy layout) and string (a pointer
// to a malloc'd NUL-terminated text owned by the buffer, or null).
//
// Each writes only the common type record. Reading checks the stored size
// against the class: float 4, real 8, complex 16, time 24 (8 with the legacy
// layout), string 4 or 8 (a pointer of the writing machine; in memory a
// string value is always as wide as this machine's pointer).
#ifndef ZEL_TYPES_SCALAR_TYPES_H
#define ZEL_TYPES_SCALAR_TYPES_H

#include <iosfwd>

#include "types/type.h"

class ZELI_FloatType : public ZELI_Type {
 public:
  explicit ZELI_FloatType(const ZELI_String& name) : ZELI_Type(ZEL_FLOAT, name, 4, 32) {}
  ZELI_Type* CopyToContainer(ZELI_TypedContainer* target) const override;
  static ZELI_FloatType* ReadRecord(const ZELI_TypeRecord& record);

  // Operations 0 to 32 keep the type; binary operations with float, real
  // and complex values.
  zel_bool_t IsValidUnaryOp(zel_operation_t op) const override;
  ZELI_Type* UnaryOpResultType_p(ZELI_TypedContainer* container, zel_operation_t op) const override;
  void ApplyUnaryOp(zel_operation_t op, void* source, unsigned count, void* result) const override;
  zel_bool_t IsValidBinaryOp(zel_operation_t op, ZELI_Type* other) const override;
  ZELI_Type* BinaryOpResultType_p(ZELI_TypedContainer* container, zel_operation_t op, ZELI_Type* other) const override;
  void ApplyBinaryOp(zel_operation_t op, ZELI_Type* other, void* a, void* b, unsigned count,
                     void* result) const override;
  zel_bool_t LessThan(void* a, void* b) const override;
  void Min(void* a, void* b) const override;
  void Max(void* a, void* b) const override;
  zel_bool_t FirstIsCloser(void* target, void* a, void* b) const override;
  zel_bool_t IsValidConversion(zel_conversion_t conversion) const override;

 protected:
  void WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const override;

 private:
  using ZELI_Type::ZELI_Type;
};

class ZELI_RealType : public ZELI_Type {
 public:
  explicit ZELI_RealType(const ZELI_String& name) : ZELI_Type(ZEL_REAL, name, 8, 64) {}
  ZELI_Type* CopyToContainer(ZELI_TypedContainer* target) const override;
  static ZELI_RealType* ReadRecord(const ZELI_TypeRecord& record);

  // As the float type, with real results.
  zel_bool_t IsValidUnaryOp(zel_operation_t op) const override;
  ZELI_Type* UnaryOpResultType_p(ZELI_TypedContainer* container, zel_operation_t op) const override;
  void ApplyUnaryOp(zel_operation_t op, void* source, unsigned count, void* result) const override;
  zel_bool_t IsValidBinaryOp(zel_operation_t op, ZELI_Type* other) const override;
  ZELI_Type* BinaryOpResultType_p(ZELI_TypedContainer* container, zel_operation_t op, ZELI_Type* other) const override;
  void ApplyBinaryOp(zel_operation_t op, ZELI_Type* other, void* a, void* b, unsigned count,
                     void* result) const override;
  zel_bool_t LessThan(void* a, void* b) const override;
  void Min(void* a, void* b) const override;
  void Max(void* a, void* b) const override;
  zel_bool_t FirstIsCloser(void* target, void* a, void* b) const override;
  zel_bool_t IsValidConversion(zel_conversion_t conversion) const override;

 protected:
  void WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const override;

 private:
  using ZELI_Type::ZELI_Type;
};

class ZELI_ComplexType : public ZELI_Type {
 public:
  explicit ZELI_ComplexType(const ZELI_String& name) : ZELI_Type(ZEL_COMPLEX, name, 16, 128) {}
  ZELI_Type* CopyToContainer(ZELI_TypedContainer* target) const override;
  void ReadData(ZELI_Istream& in, void* buffer, unsigned count) const override;
  // Reverses each of the two doubles of every value.
  void ConvertEndianType(void* buffer, unsigned count) const override;
  static ZELI_ComplexType* ReadRecord(const ZELI_TypeRecord& record);

  // Complex values are not ordered by magnitude: LessThan holds when both
  // parts are less; Min and Max go part by part.
  zel_bool_t IsValidUnaryOp(zel_operation_t op) const override;
  ZELI_Type* UnaryOpResultType_p(ZELI_TypedContainer* container, zel_operation_t op) const override;
  void ApplyUnaryOp(zel_operation_t op, void* source, unsigned count, void* result) const override;
  zel_bool_t IsValidBinaryOp(zel_operation_t op, ZELI_Type* other) const override;
  ZELI_Type* BinaryOpResultType_p(ZELI_TypedContainer* container, zel_operation_t op, ZELI_Type* other) const override;
  void ApplyBinaryOp(zel_operation_t op, ZELI_Type* other, void* a, void* b, unsigned count,
                     void* result) const override;
  zel_bool_t LessThan(void* a, void* b) const override;
  void Min(void* a, void* b) const override;
  void Max(void* a, void* b) const override;
  zel_bool_t IsValidConversion(zel_conversion_t conversion) const override;

 protected:
  void WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const override;

 private:
  using ZELI_Type::ZELI_Type;
};

class ZELI_TimeType : public ZELI_Type {
 public:
  explicit ZELI_TimeType(const ZELI_String& name) : ZELI_Type(ZEL_TIME, name, 24, 192) {}
  ZELI_Type* CopyToContainer(ZELI_TypedContainer* target) const override;
  void ReadData(ZELI_Istream& in, void* buffer, unsigned count) const override;
  // UniversalTime values swap field by field; legacy doubles as a whole.
  void ConvertEndianType(void* buffer, unsigned count) const override;
  // Values are IEEE doubles (seconds) instead of UniversalTime: set for time
  // types read from streams of version below 8, and recognised later by
  // their stored size of 8.
  bool Get_LegacyTimeLayout() const { return legacyTimeLayout_; }
  static ZELI_TimeType* ReadRecord(const ZELI_TypeRecord& record);

  // Unary 0 and 22 (legacy layout: those of a real type); order by time.
  zel_bool_t IsValidUnaryOp(zel_operation_t op) const override;
  ZELI_Type* UnaryOpResultType_p(ZELI_TypedContainer* container, zel_operation_t op) const override;
  void ApplyUnaryOp(zel_operation_t op, void* source, unsigned count, void* result) const override;
  zel_bool_t LessThan(void* a, void* b) const override;
  void Min(void* a, void* b) const override;
  void Max(void* a, void* b) const override;
  zel_bool_t FirstIsCloser(void* target, void* a, void* b) const override;
  zel_bool_t IsValidConversion(zel_conversion_t conversion) const override;

 protected:
  void WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const override;

 private:
  using ZELI_Type::ZELI_Type;
  bool legacyTimeLayout_ = false;
};

// True for a time type whose values are IEEE doubles (the legacy layout):
// searches, interpolation and conversions treat its values as reals.
inline bool ZELI_IsTimeHeldAsDouble(const ZELI_Type& type) {
  const auto* time = dynamic_cast<const ZELI_TimeType*>(&type);
  return time != nullptr && time->Get_LegacyTimeLayout();
}

class ZELI_StringType : public ZELI_Type {
 public:
  explicit ZELI_StringType(const ZELI_String& name)
      : ZELI_Type(ZEL_STRING, name, sizeof(char*), 8 * sizeof(char*)) {}
  ZELI_Type* CopyToContainer(ZELI_TypedContainer* target) const override;
  // Reads count stored strings; each slot receives a new malloc'd copy (the
  // slots' previous contents are not released). On failure no slot keeps
  // a text.
  void ReadData(ZELI_Istream& in, void* buffer, unsigned count) const override;
  static ZELI_StringType* ReadRecord(const ZELI_TypeRecord& record);

  // Byte-wise order; a null string counts as the empty one.
  zel_bool_t LessThan(void* a, void* b) const override;
  void Min(void* a, void* b) const override;
  void Max(void* a, void* b) const override;
  zel_bool_t IsValidConversion(zel_conversion_t conversion) const override;

 protected:
  void WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const override;

 private:
  using ZELI_Type::ZELI_Type;
};

#endif  // ZEL_TYPES_SCALAR_TYPES_H
