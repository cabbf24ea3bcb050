// Text of single values (slots 21 and 22): which conversions each type
// class accepts and how it writes a value through the process-wide stream.
//
// Forms: the natural text (0); the value's bytes from the highest address
// down as binary (1, 8 digits a byte), octal (2, 3 digits a byte) or
// lowercase hexadecimal (3, 2 digits a byte); a decimal integer (4); a
// decimal floating number (5). Floating output uses 16 significant digits,
// for every type that writes a floating number. Conversion to an integer
// truncates toward zero and saturates at the limits of a signed 64-bit
// integer (NaN gives 0), so that no value makes the conversion undefined.
// The caller's function (6) is a view's business: ConvertToASCII refuses it.
#include "types/type_text.h"

#include <climits>
#include <cstring>
#include <locale>
#include <string>

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "types/composite_types.h"
#include "types/discrete_types.h"
#include "types/enumeration_type.h"
#include "types/scalar_types.h"
#include "types/type_operations.h"
#include "types/universal_types.h"

namespace {

constexpr int kFloatingDigits = 16;

// A stream in its initial state, whose format ZELI_TextConversion copies.
std::ostringstream MakePristineStream() {
  std::ostringstream stream;
  stream.imbue(std::locale::classic());
  return stream;
}

const std::ostringstream& PristineStream() {
  static const std::ostringstream pristine = MakePristineStream();
  return pristine;
}

void ResetStream() {
  std::ostringstream& stream = ZELI_TheTextStream();
  stream.clear();
  stream.copyfmt(PristineStream());
  stream.str(std::string());
}

bool IsAnyConversion(zel_conversion_t conversion) {
  return conversion >= ZEL_CONVERT_DEFAULT && conversion <= ZEL_CONVERT_FUNCTION;
}

bool IsByteConversion(zel_conversion_t conversion) {
  return conversion == ZEL_CONVERT_BITS || conversion == ZEL_CONVERT_OCTAL || conversion == ZEL_CONVERT_HEX;
}

void WriteBytes(std::ostream& out, zel_conversion_t conversion, const void* value, unsigned size) {
  static const char kHexDigits[] = "0123456789abcdef";
  const unsigned char* bytes = static_cast<const unsigned char*>(value);
  for (unsigned i = size; i-- > 0;) {
    const unsigned byte = bytes[i];
    if (conversion == ZEL_CONVERT_BITS) {
      for (int bit = 7; bit >= 0; --bit) out.put(static_cast<char>('0' + ((byte >> bit) & 1u)));
    } else if (conversion == ZEL_CONVERT_OCTAL) {
      out.put(static_cast<char>('0' + (byte >> 6))).put(static_cast<char>('0' + ((byte >> 3) & 7u)));
      out.put(static_cast<char>('0' + (byte & 7u)));
    } else {
      out.put(kHexDigits[byte >> 4]).put(kHexDigits[byte & 15u]);
    }
  }
}

// A floating number (5; 0 for float and real) or its truncation (4).
void WriteNumber(std::ostream& out, zel_conversion_t conversion, double value) {
  if (conversion == ZEL_CONVERT_INTEGER) {
    out << ZELI_SaturatingCast<long long>(value);
  } else {
    out.precision(kFloatingDigits);
    out << value;
  }
}

// The real rules: the bytes of the double, or the number.
void WriteReal(std::ostream& out, zel_conversion_t conversion, double value) {
  if (IsByteConversion(conversion)) {
    WriteBytes(out, conversion, &value, sizeof value);
  } else {
    WriteNumber(out, conversion, value);
  }
}

}  // namespace

// ---- the stream ------------------------------------------------------------------

std::ostringstream& ZELI_TheTextStream() {
  static std::ostringstream stream;
  return stream;
}

ZELI_TextConversion::ZELI_TextConversion() { ResetStream(); }

ZELI_TextConversion::~ZELI_TextConversion() {
  try {
    ResetStream();
  } catch (...) {
    // The next conversion resets the stream before it writes.
  }
}

char* ZELI_TextConversion::TakeText() {
  const std::string text = ZELI_TheTextStream().str();
  char* copy = static_cast<char*>(ZELI_OS_Malloc(text.size() + 1));
  std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

// ---- every type --------------------------------------------------------------------

zel_bool_t ZELI_Type::IsValidConversion(zel_conversion_t) const { return 0; }

char* ZELI_Type::ConvertToASCII(zel_conversion_t conversion, void* value) const {
  if (!IsValidConversion(ZEL_CONVERT_DEFAULT)) throw ZELI_FailedException("The type has no valid conversions.");
  if (conversion == ZEL_CONVERT_FUNCTION || !IsValidConversion(conversion)) {
    throw ZELI_FailedException("Invalid conversion");
  }
  ZELI_RequireValues(1, {value});
  ZELI_TextConversion text;
  WriteText(text.Get_Stream(), conversion, value);
  return text.TakeText();
}

void ZELI_Type::WriteText(std::ostream&, zel_conversion_t, const void*) const {
  throw ZELI_FailedException("The type has no valid conversions.");
}

// ---- discrete types ----------------------------------------------------------------

zel_bool_t ZELI_DiscreteType::IsValidConversion(zel_conversion_t conversion) const {
  return IsAnyConversion(conversion);
}

void ZELI_DiscreteType::WriteEncodingText(std::ostream& out, zel_conversion_t conversion, const void* value,
                                          const char* failure) const {
  const long long encoding = Get_Encoding(value, failure);
  if (IsByteConversion(conversion)) {
    WriteBytes(out, conversion, value, Get_SizeOf());
  } else if (conversion == ZEL_CONVERT_REAL) {
    WriteNumber(out, conversion, static_cast<double>(encoding));
  } else {
    out << encoding;
  }
}

void ZELI_CharacterType::WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const {
  if (conversion == ZEL_CONVERT_DEFAULT) {
    out.put(ZELI_Load<char>(value, 0));
  } else {
    WriteEncodingText(out, conversion, value, "ZELI_CharacterType::ConvertToASCII");
  }
}

void ZELI_IntegerType::WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const {
  WriteEncodingText(out, conversion, value, "ZELI_IntegerType::ConvertToASCII");
}

void ZELI_EnumerationType::WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const {
  static const char* const failure = "ZELI_Enumeration::ConvertToASCII";
  if (conversion != ZEL_CONVERT_DEFAULT) {
    WriteEncodingText(out, conversion, value, failure);
    return;
  }
  const long long encoding = Get_Encoding(value, failure);
  if (encoding < INT_MIN || encoding > INT_MAX) throw ZELI_BadArgException("Enumeration encoding out of range.");
  out << LiteralByEncoding(static_cast<int>(encoding));
}

// ---- arrays of enumerations -----------------------------------------------------------

zel_bool_t ZELI_ArrayType::IsValidConversion(zel_conversion_t conversion) const {
  if (dynamic_cast<const ZELI_EnumerationType*>(element_) == nullptr) return 0;
  return conversion == ZEL_CONVERT_DEFAULT || IsByteConversion(conversion);
}

void ZELI_ArrayType::WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const {
  if (IsByteConversion(conversion)) {
    WriteBytes(out, conversion, value, Get_SizeOf());
    return;
  }
  static const char* const failure = "ZELI_Enumeration::ConvertToASCII";
  const ZELI_EnumerationType& element = static_cast<const ZELI_EnumerationType&>(*element_);
  bool singleCharacters = true;
  for (const ZELI_String& literal : element.Get_Literals()) {
    singleCharacters = singleCharacters && std::strlen(literal.c_str()) == 1;
  }
  // An enumeration stores at most 4 bytes.
  unsigned char slot[sizeof(int64_t)] = {};
  if (!singleCharacters) out.put('(');
  for (unsigned i = 0; i < elementCount_; ++i) {
    UnpackData(value, 1, element, Get_SubelementBitPosition(i), slot);
    const long long encoding = element.Get_Encoding(slot, failure);
    if (encoding < INT_MIN || encoding > INT_MAX) throw ZELI_BadArgException("Enumeration encoding out of range.");
    if (!singleCharacters && i > 0) out.put(',');
    out << element.LiteralByEncoding(static_cast<int>(encoding));
  }
  if (!singleCharacters) out.put(')');
}

// ---- float, real, complex ------------------------------------------------------------

zel_bool_t ZELI_FloatType::IsValidConversion(zel_conversion_t conversion) const { return IsAnyConversion(conversion); }
zel_bool_t ZELI_RealType::IsValidConversion(zel_conversion_t conversion) const { return IsAnyConversion(conversion); }
zel_bool_t ZELI_ComplexType::IsValidConversion(zel_conversion_t conversion) const {
  return IsAnyConversion(conversion);
}

void ZELI_FloatType::WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const {
  if (IsByteConversion(conversion)) {
    WriteBytes(out, conversion, value, sizeof(float));
  } else {
    WriteNumber(out, conversion, ZELI_Load<float>(value, 0));
  }
}

void ZELI_RealType::WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const {
  WriteReal(out, conversion, ZELI_Load<double>(value, 0));
}

void ZELI_ComplexType::WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const {
  const DComplex z = ZELI_Load<DComplex>(value, 0);
  out << '(';
  WriteReal(out, conversion, z.real());
  out << ',';
  WriteReal(out, conversion, z.imag());
  out << ')';
}

// ---- time ------------------------------------------------------------------------------

zel_bool_t ZELI_TimeType::IsValidConversion(zel_conversion_t conversion) const { return IsAnyConversion(conversion); }

void ZELI_TimeType::WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const {
  if (legacyTimeLayout_) {
    WriteReal(out, conversion, ZELI_Load<double>(value, 0));
    return;
  }
  if (IsByteConversion(conversion)) {
    WriteBytes(out, conversion, value, sizeof(UniversalTime));
    return;
  }
  const UniversalTime time = ZELI_Load<UniversalTime>(value, 0);
  if (conversion != ZEL_CONVERT_DEFAULT) {
    WriteNumber(out, conversion, time.UniversalToRealTime().Get_Value());
    return;
  }
  UTypes_StatusCode status = UTypes_OK;
  const std::string text = TimeTickValueToString(time, TimeUnit_Auto, status);
  if (status != UTypes_OK) throw ZELI_FailedException("ZELI_TimeType::ConvertToASCII");
  out << text;
}

// ---- string ------------------------------------------------------------------------------

zel_bool_t ZELI_StringType::IsValidConversion(zel_conversion_t conversion) const {
  return conversion == ZEL_CONVERT_DEFAULT || conversion == ZEL_CONVERT_FUNCTION;
}

void ZELI_StringType::WriteText(std::ostream& out, zel_conversion_t, const void* value) const {
  // A stored empty string reads back as null.
  const char* text = ZELI_Load<const char*>(value, 0);
  out << (text != nullptr ? text : "");
}
