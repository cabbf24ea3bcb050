// Text of values: the forms of every scalar type (natural, bits, octal, hex,
// integer, real), which conversions each type accepts, and the process-wide
// stream that must come clean to every conversion.
#include "types/type_text.h"

#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <limits>
#include <string>

#include "type_operations_test_support.h"
#include "types/composite_types.h"
#include "types/dcomplex.h"
#include "types/enumeration_type.h"
#include "types/universal_types.h"

namespace {

using zeltest::FailureOf;

class TypeTextTest : public zeltest::TypeOperationsTest {
 protected:
  // The text of one value, freed here.
  template <typename T>
  std::string Text(const ZELI_Type* type, zel_conversion_t conversion, T value) {
    char* text = type->ConvertToASCII(conversion, &value);
    std::string copy = text;
    std::free(text);
    return copy;
  }
};

TEST_F(TypeTextTest, NumbersInEveryForm) {
  EXPECT_EQ(Text(integer_, ZEL_CONVERT_HEX, int32_t(258)), "00000102");
  const std::string bits = Text(integer_, ZEL_CONVERT_BITS, int32_t(258));
  EXPECT_EQ(bits, std::string(16, '0') + "0000000100000010");
  EXPECT_EQ(Text(integer_, ZEL_CONVERT_OCTAL, int32_t(258)), "000000001002");
  EXPECT_EQ(Text(integer_, ZEL_CONVERT_OCTAL, int32_t(-1)), "377377377377");
  EXPECT_EQ(Text(integer_, ZEL_CONVERT_HEX, int32_t(-1)), "ffffffff");
  EXPECT_EQ(Text(integer_, ZEL_CONVERT_DEFAULT, int32_t(-258)), "-258");
  EXPECT_EQ(Text(integer_, ZEL_CONVERT_INTEGER, int32_t(7)), "7");
  EXPECT_EQ(Text(integer_, ZEL_CONVERT_REAL, int32_t(2147483647)), "2147483647");

  ZELI_CharacterType* character = Add(new ZELI_CharacterType("ch"));
  EXPECT_EQ(Text(character, ZEL_CONVERT_DEFAULT, 'A'), "A");
  EXPECT_EQ(Text(character, ZEL_CONVERT_INTEGER, static_cast<char>(200)), "200");  // unsigned range
  EXPECT_EQ(Text(character, ZEL_CONVERT_REAL, 'A'), "65");
  EXPECT_EQ(Text(character, ZEL_CONVERT_HEX, 'A'), "41");

  // Floating numbers use sixteen digits and saturate as integers.
  EXPECT_EQ(Text(real_, ZEL_CONVERT_DEFAULT, 0.1), "0.1");
  EXPECT_EQ(Text(real_, ZEL_CONVERT_REAL, 1.0 / 3), "0.3333333333333333");
  EXPECT_EQ(Text(real_, ZEL_CONVERT_INTEGER, -2.7), "-2");
  EXPECT_EQ(Text(real_, ZEL_CONVERT_INTEGER, std::nan("")), "0");
  EXPECT_EQ(Text(real_, ZEL_CONVERT_INTEGER, 1e300), "9223372036854775807");
  EXPECT_EQ(Text(real_, ZEL_CONVERT_HEX, 1.0), "3ff0000000000000");
  EXPECT_EQ(Text(float_, ZEL_CONVERT_DEFAULT, 0.5f), "0.5");
  EXPECT_EQ(Text(float_, ZEL_CONVERT_REAL, 0.1f), "0.1000000014901161");
  EXPECT_EQ(Text(float_, ZEL_CONVERT_INTEGER, -std::numeric_limits<float>::infinity()), "-9223372036854775808");
  EXPECT_EQ(Text(float_, ZEL_CONVERT_HEX, 1.0f), "3f800000");

  EXPECT_EQ(Text(complex_, ZEL_CONVERT_DEFAULT, DComplex(1, -2)), "(1,-2)");
  EXPECT_EQ(Text(complex_, ZEL_CONVERT_INTEGER, DComplex(1.9, -2.9)), "(1,-2)");
  EXPECT_EQ(Text(complex_, ZEL_CONVERT_HEX, DComplex(1, -2)), "(3ff0000000000000,c000000000000000)");
}

TEST_F(TypeTextTest, EnumerationsTimesAndStrings) {
  const char* literals[] = {"hot", "warm", "cold"};
  ZELI_EnumerationType* weather = Add(new ZELI_EnumerationType("w", 3, literals, 10, 8, ZEL_RANGE_DESCENDING));
  EXPECT_EQ(Text(weather, ZEL_CONVERT_DEFAULT, uint8_t(8)), "cold");
  EXPECT_EQ(Text(weather, ZEL_CONVERT_INTEGER, uint8_t(8)), "8");
  EXPECT_EQ(Text(weather, ZEL_CONVERT_BITS, uint8_t(10)), "00001010");
  EXPECT_EQ(FailureOf([&] { Text(weather, ZEL_CONVERT_DEFAULT, uint8_t(3)); }), "Enumeration encoding out of range.");
  const char* signs[] = {"minus", "zero"};
  ZELI_EnumerationType* signedEnum = Add(new ZELI_EnumerationType("s", 2, signs, -1, 0, ZEL_RANGE_ASCENDING));
  EXPECT_EQ(Text(signedEnum, ZEL_CONVERT_INTEGER, int8_t(-1)), "-1");

  const UniversalTime t(UniversalReal(1.5e-9));
  EXPECT_EQ(Text(time_, ZEL_CONVERT_DEFAULT, t), "1.5ns");
  EXPECT_EQ(Text(time_, ZEL_CONVERT_REAL, t), "1.5e-09");
  EXPECT_EQ(Text(time_, ZEL_CONVERT_INTEGER, UniversalTime(UniversalReal(3.7))), "3");
  EXPECT_EQ(Text(time_, ZEL_CONVERT_HEX, t).size(), 48u);
  EXPECT_EQ(Text(LegacyTime(), ZEL_CONVERT_DEFAULT, 2.5), "2.5");

  EXPECT_EQ(Text(string_, ZEL_CONVERT_DEFAULT, "abc"), "abc");
  EXPECT_EQ(Text(string_, ZEL_CONVERT_DEFAULT, static_cast<const char*>(nullptr)), "");  // stored "" reads as null
}

TEST_F(TypeTextTest, EachTypeAcceptsItsConversions) {
  for (ZELI_Type* type : std::initializer_list<ZELI_Type*>{float_, real_, complex_, integer_, time_}) {
    for (int c = ZEL_CONVERT_DEFAULT; c <= ZEL_CONVERT_FUNCTION; ++c)
      EXPECT_TRUE(type->IsValidConversion(zel_conversion_t(c)));
    EXPECT_FALSE(type->IsValidConversion(zel_conversion_t(7)));
    EXPECT_EQ(FailureOf([&] { Text(type, ZEL_CONVERT_FUNCTION, 0.0); }), "Invalid conversion");
  }
  EXPECT_TRUE(string_->IsValidConversion(ZEL_CONVERT_FUNCTION));
  EXPECT_FALSE(string_->IsValidConversion(ZEL_CONVERT_HEX));
  EXPECT_EQ(FailureOf([&] { Text(string_, ZEL_CONVERT_HEX, "x"); }), "Invalid conversion");

  ZELI_Type* fields[1] = {integer_};
  const char* names[1] = {"x"};
  ZELI_RecordType* record = Add(new ZELI_RecordType("rec", 1, names, fields));
  EXPECT_FALSE(record->IsValidConversion(ZEL_CONVERT_DEFAULT));
  EXPECT_EQ(FailureOf([&] { Text(record, ZEL_CONVERT_DEFAULT, int32_t(0)); }), "The type has no valid conversions.");
  EXPECT_EQ(FailureOf([&] { integer_->ConvertToASCII(ZEL_CONVERT_DEFAULT, nullptr); }), "Null data buffer");
}

// Logic vectors: the literals from the left index of the declared range,
// run together for one-character literals, listed otherwise; the byte forms
// show the packed record; arrays of anything else have no text.
TEST_F(TypeTextTest, ArraysOfEnumerationsReadAsTheirLiterals) {
  const char* states[] = {"0", "1", "x", "z"};
  ZELI_EnumerationType* logic = Add(new ZELI_EnumerationType("logic", 4, states, 0, 3, ZEL_RANGE_ASCENDING));
  ZELI_ArrayType* down = Add(new ZELI_ArrayType("v", logic, {ZELI_Range(integer_, 3, 0, ZEL_RANGE_DESCENDING)}));
  // Indices 3, 2, 1, 0 hold 0, 1, x, z.
  uint8_t value = 0;
  const uint8_t encodings[] = {0, 1, 2, 3};
  for (unsigned i = 0; i < 4; ++i) down->PackData(*logic, &encodings[i], 1, down->Get_SubelementBitPosition(i), &value);
  EXPECT_EQ(Text(down, ZEL_CONVERT_DEFAULT, value), "01xz");
  EXPECT_EQ(Text(down, ZEL_CONVERT_BITS, value), "00011011");
  EXPECT_EQ(Text(down, ZEL_CONVERT_HEX, value), "1b");
  EXPECT_EQ(FailureOf([&] { Text(down, ZEL_CONVERT_INTEGER, value); }), "Invalid conversion");

  const char* words[] = {"lo", "hi", "mid"};
  ZELI_EnumerationType* level = Add(new ZELI_EnumerationType("level", 3, words, 0, 2, ZEL_RANGE_ASCENDING));
  ZELI_ArrayType* pair = Add(new ZELI_ArrayType("p", level, {ZELI_Range(integer_, 0, 1, ZEL_RANGE_ASCENDING)}));
  uint8_t levels = 0;
  const uint8_t hi = 1;
  pair->PackData(*level, &hi, 1, pair->Get_SubelementBitPosition(0), &levels);
  EXPECT_EQ(Text(pair, ZEL_CONVERT_DEFAULT, levels), "(hi,lo)");
  // Two bits hold encoding 3, which has no literal.
  const uint8_t three = 3;
  pair->PackData(*level, &three, 1, pair->Get_SubelementBitPosition(1), &levels);
  EXPECT_EQ(FailureOf([&] { Text(pair, ZEL_CONVERT_DEFAULT, levels); }), "Enumeration encoding out of range.");

  ZELI_ArrayType* numbers = Add(new ZELI_ArrayType("n", integer_, {ZELI_Range(integer_, 0, 1, ZEL_RANGE_ASCENDING)}));
  EXPECT_FALSE(numbers->IsValidConversion(ZEL_CONVERT_DEFAULT));
  EXPECT_EQ(FailureOf([&] { Text(numbers, ZEL_CONVERT_DEFAULT, int64_t(0)); }), "The type has no valid conversions.");
}

TEST_F(TypeTextTest, EveryConversionStartsFromACleanStream) {
  // Text, format flags and a failed state left behind, as by a conversion
  // that stopped part-way.
  std::ostringstream& stream = ZELI_TheTextStream();
  stream << std::hex << std::showbase << std::setprecision(2) << std::setw(9) << std::setfill('*') << "junk";
  stream.setstate(std::ios::failbit);
  EXPECT_EQ(Text(integer_, ZEL_CONVERT_DEFAULT, int32_t(258)), "258");
  EXPECT_EQ(Text(real_, ZEL_CONVERT_REAL, 1.0 / 3), "0.3333333333333333");

  const char* literals[] = {"a"};
  ZELI_EnumerationType* single = Add(new ZELI_EnumerationType("e", 1, literals, 0, 0, ZEL_RANGE_ASCENDING));
  EXPECT_NE(FailureOf([&] { Text(single, ZEL_CONVERT_DEFAULT, uint8_t(9)); }), "(no failure)");
  EXPECT_EQ(Text(integer_, ZEL_CONVERT_DEFAULT, int32_t(5)), "5");
  EXPECT_EQ(stream.str(), "");  // emptied after each conversion too
}

}  // namespace
