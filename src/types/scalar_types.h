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

#include "types/type.h"

class ZELI_FloatType : public ZELI_Type {
 public:
  explicit ZELI_FloatType(const ZELI_String& name) : ZELI_Type(ZEL_FLOAT, name, 4, 32) {}
  ZELI_Type* CopyToContainer(ZELI_Container* target) const override;
  static ZELI_FloatType* ReadRecord(const ZELI_TypeRecord& record);

 private:
  using ZELI_Type::ZELI_Type;
};

class ZELI_RealType : public ZELI_Type {
 public:
  explicit ZELI_RealType(const ZELI_String& name) : ZELI_Type(ZEL_REAL, name, 8, 64) {}
  ZELI_Type* CopyToContainer(ZELI_Container* target) const override;
  static ZELI_RealType* ReadRecord(const ZELI_TypeRecord& record);

 private:
  using ZELI_Type::ZELI_Type;
};

class ZELI_ComplexType : public ZELI_Type {
 public:
  explicit ZELI_ComplexType(const ZELI_String& name) : ZELI_Type(ZEL_COMPLEX, name, 16, 128) {}
  ZELI_Type* CopyToContainer(ZELI_Container* target) const override;
  void ReadData(ZELI_Istream& in, void* buffer, unsigned count) const override;
  // Reverses each of the two doubles of every value.
  void ConvertEndianType(void* buffer, unsigned count) const override;
  static ZELI_ComplexType* ReadRecord(const ZELI_TypeRecord& record);

 private:
  using ZELI_Type::ZELI_Type;
};

class ZELI_TimeType : public ZELI_Type {
 public:
  explicit ZELI_TimeType(const ZELI_String& name) : ZELI_Type(ZEL_TIME, name, 24, 192) {}
  ZELI_Type* CopyToContainer(ZELI_Container* target) const override;
  void ReadData(ZELI_Istream& in, void* buffer, unsigned count) const override;
  // UniversalTime values swap field by field; legacy doubles as a whole.
  void ConvertEndianType(void* buffer, unsigned count) const override;
  // Values are IEEE doubles (seconds) instead of UniversalTime: set for time
  // types read from streams of version below 8, and recognised later by
  // their stored size of 8.
  bool Get_LegacyTimeLayout() const { return legacyTimeLayout_; }
  static ZELI_TimeType* ReadRecord(const ZELI_TypeRecord& record);

 private:
  using ZELI_Type::ZELI_Type;
  bool legacyTimeLayout_ = false;
};

class ZELI_StringType : public ZELI_Type {
 public:
  explicit ZELI_StringType(const ZELI_String& name)
      : ZELI_Type(ZEL_STRING, name, sizeof(char*), 8 * sizeof(char*)) {}
  ZELI_Type* CopyToContainer(ZELI_Container* target) const override;
  // Reads count stored strings; each slot receives a new malloc'd copy (the
  // slots' previous contents are not released). On failure no slot keeps
  // a text.
  void ReadData(ZELI_Istream& in, void* buffer, unsigned count) const override;
  static ZELI_StringType* ReadRecord(const ZELI_TypeRecord& record);

 private:
  using ZELI_Type::ZELI_Type;
};

#endif  // ZEL_TYPES_SCALAR_TYPES_H
