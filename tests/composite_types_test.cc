// Enumerations, discrete subtypes, arrays, records and unions: lookups,
// layouts, packing, byte order of composite values, copying and the kind
// checks of the exported functions.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "interface/container_wrapper.h"
#include "interface/interface.h"
#include "model/container.h"
#include "store/stream.h"
#include "test_support.h"
#include "type_operations_test_support.h"
#include "types/composite_types.h"
#include "types/enumeration_type.h"
#include "types/dcomplex.h"
#include "types/scalar_types.h"
#include "types/universal_types.h"

namespace {

using zeltest::FailureOf;

class CompositeTypesTest : public zeltest::SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    container_ = zeltest::AddTestContainer(session_, &object_);
    const char* literals[] = {"hot", "warm", "cold"};
    temperature_ = ZEL_CreateEnumerationType(session_, container_, "temperature", 3, literals, 10, 8,
                                             ZEL_RANGE_DESCENDING, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    integer_ = ZEL_CreateBuiltinType(session_, container_, "integer", ZEL_INTEGER, &status_);
  }

  zel_type_t Subtype(zel_type_t base, int left, int right, zel_rangeDirection_t direction = ZEL_RANGE_ASCENDING) {
    zel_type_t t = ZEL_CreateDiscreteSubtype(session_, "sub", base, left, right, direction, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    return t;
  }
  zel_type_t Record(std::vector<const char*> names, std::vector<zel_type_t> types) {
    zel_type_t t = ZEL_CreateRecordType(session_, container_, "record", static_cast<unsigned>(names.size()),
                                        names.data(), types.data(), &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    return t;
  }
  // A record {a: 3-bit enumeration, b: 4-bit subtype, c: signed 4-bit
  // enumeration -4 .. 3, d: real}: c straddles bytes 0 and 1, d takes bytes
  // 2-9. Two values of it (a_ .. d_) packed into packed_.
  void PackTwoRecords() {
    zel_type_t character = ZEL_CreateBuiltinType(session_, container_, "c", ZEL_CHARACTER, &status_);
    nibble_ = Subtype(character, 0, 9);
    std::vector<const char*> literals(8, "v");
    signedEnum_ = ZEL_CreateEnumerationType(session_, container_, "s", 8, literals.data(), -4, 3,
                                            ZEL_RANGE_ASCENDING, &status_);
    wide_ = ZEL_CreateBuiltinType(session_, container_, "r", ZEL_REAL, &status_);
    e3_ = ZEL_CreateEnumerationType(session_, container_, "e3", 8, literals.data(), 0, 7, ZEL_RANGE_ASCENDING,
                                    &status_);
    record_ = Record({"a", "b", "c", "d"}, {e3_, nibble_, signedEnum_, wide_});
    ASSERT_EQ(ZEL_GetSizeOfType(session_, record_, &status_), 10u);
    std::memset(packed_, 0xEE, sizeof packed_);
    void* sources[] = {a_, b_, c_, d_};
    ZEL_PackTypeData(session_, record_, sources, 2, packed_, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
  const ZELI_Type& Type(zel_type_t t) {
    return *ZELC_Interface::TheInterface().ConvertSessionHandle(session_)->Object(t);
  }

  zel_container_t container_{-1};
  ZELI_Container* object_ = nullptr;
  zel_type_t temperature_{-1};
  zel_type_t integer_{-1};
  zeltest::TempDir dir_;
  zel_type_t nibble_{-1}, signedEnum_{-1}, wide_{-1}, e3_{-1}, record_{-1};
  unsigned char a_[2] = {5, 7};
  unsigned char b_[2] = {9, 1};
  signed char c_[2] = {-3, 3};
  double d_[2] = {1.5, -2.25};
  unsigned char packed_[20];
};

TEST_F(CompositeTypesTest, EnumerationsAndSubtypesLookUpLiteralsAndRefuseAWrongCount) {
  EXPECT_EQ(ZEL_GetEnumerationLiteralCount(session_, temperature_, &status_), 3u);
  EXPECT_EQ(ZEL_GetEnumerationEncodingByPosition(session_, temperature_, 0, &status_), 10);
  EXPECT_EQ(ZEL_GetEnumerationPositionByEncoding(session_, temperature_, 8, &status_), 2u);
  EXPECT_EQ(ZEL_GetEnumerationEncodingByLiteral(session_, temperature_, "cold", &status_), 8);
  EXPECT_STREQ(ZEL_GetEnumerationLiteralByEncoding(session_, temperature_, 9, &status_), "warm");
  EXPECT_EQ(ZEL_GetSizeOfType(session_, temperature_, &status_), 1u);
  EXPECT_EQ(ZEL_GetPackedSizeOfType(session_, temperature_, &status_), 4u);

  zel_type_t mild = Subtype(temperature_, 9, 8, ZEL_RANGE_DESCENDING);
  EXPECT_EQ(ZEL_GetEnumerationLiteralCount(session_, mild, &status_), 2u);
  EXPECT_STREQ(ZEL_GetEnumerationLiteralByPosition(session_, mild, 0, &status_), "warm");
  EXPECT_EQ(ZEL_GetEnumerationEncodingByLiteral(session_, mild, "hot", &status_), 10);
  ZEL_GetEnumerationPositionByLiteral(session_, mild, "hot", &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetEnumerationPositionByLiteral: Enumeration encoding out of range.");
  const char** table = ZEL_GetEnumerationLiteralTable(session_, mild, &status_);
  ASSERT_NE(table, nullptr);
  EXPECT_STREQ(table[0], "warm");
  EXPECT_STREQ(table[1], "cold");
  std::free(table);

  ZEL_GetEnumerationEncodingByPosition(session_, mild, 2, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetEnumerationEncodingByPosition: Enumeration position out of range.");
  ZEL_GetEnumerationEncodingByLiteral(session_, mild, "tepid", &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetEnumerationEncodingByLiteral: No such literal");
  ZEL_GetEnumerationLiteralCount(session_, integer_, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetEnumerationLiteralCount: Not an enumeration type");

  // A null literal is an empty one, found by a null literal.
  const char* withEmpty[] = {"a", nullptr};
  zel_type_t e = ZEL_CreateEnumerationType(session_, container_, "e", 2, withEmpty, 0, 1, ZEL_RANGE_ASCENDING, &status_);
  EXPECT_EQ(ZEL_GetEnumerationPositionByLiteral(session_, e, nullptr, &status_), 1u);
  EXPECT_EQ(status_, ZEL_OK);

  // A wrong literal count adds nothing.
  unsigned before = 0, after = 0;
  std::free(ZEL_GetAllTypes(session_, container_, &before, &status_));
  const char* two[] = {"a", "b"};
  zel_type_t t = ZEL_CreateEnumerationType(session_, container_, "bad", 2, two, 0, 2, ZEL_RANGE_ASCENDING, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateEnumerationType: Incorrect enumeration literal count.");
  EXPECT_TRUE(ZEL_IsTypeNull(t));
  // A range that runs away from its right limit counts no literal at all.
  const char* three[] = {"a", "b", "c"};
  ZEL_CreateEnumerationType(session_, container_, "bad", 3, three, 0, 2, ZEL_RANGE_DESCENDING, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateEnumerationType: Incorrect enumeration literal count.");
  std::free(ZEL_GetAllTypes(session_, container_, &after, &status_));
  EXPECT_EQ(after, before);
  ZEL_CreateEnumerationType(session_, container_, "bad", 2, nullptr, 0, 1, ZEL_RANGE_ASCENDING, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
}

TEST_F(CompositeTypesTest, ArrayLocationsIndicesAndSubelementNames) {
  zel_range_t constraints[] = {{integer_, 1, 3, ZEL_RANGE_ASCENDING}, {integer_, 0, 1, ZEL_RANGE_ASCENDING}};
  zel_type_t array = ZEL_CreateArrayType(session_, container_, "a", temperature_, 2, constraints, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(ZEL_GetArrayElementCount(session_, array, &status_), 6u);
  EXPECT_EQ(ZEL_GetArrayRank(session_, array, &status_), 2u);
  EXPECT_EQ(ZEL_GetArrayElementSize(session_, array, &status_), 3u);  // 6 elements of 4 bits
  EXPECT_EQ(ZEL_GetScalarCount(session_, array, &status_), 6u);
  EXPECT_TRUE(ZEL_AreSameType(ZEL_GetArrayElementType(session_, array, &status_), temperature_));
  const int at[] = {2, 1};
  EXPECT_EQ(ZEL_GetArrayLocation(session_, array, at, &status_), 3u);
  int indices[2] = {0, 0};
  ZEL_GetArrayIndices(session_, array, 5, indices, &status_);
  EXPECT_EQ(indices[0], 3);
  EXPECT_EQ(indices[1], 1);
  zel_bool_t owned = 1;
  ZELI_Type* type = ZELC_Interface::TheInterface().ConvertSessionHandle(session_)->Object(array);
  const char* name = type->Get_SubelementName(3, owned);
  EXPECT_STREQ(name, "[2,1]");
  EXPECT_FALSE(owned);
  std::free(const_cast<char*>(name));
  EXPECT_EQ(type->Get_SubelementBitPosition(5), 20u);

  const int outside[] = {4, 0};
  ZEL_GetArrayLocation(session_, array, outside, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetArrayLocation: Array index is out of range.");
  ZEL_GetArrayIndices(session_, array, 6, indices, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetArrayIndices: Array location is out of range.");
  zel_range_t range;
  ZEL_GetArrayConstraint(session_, array, 1, &range, &status_);
  EXPECT_TRUE(ZEL_AreSameType(range.type, integer_));
  EXPECT_EQ(range.left, 0);
  EXPECT_EQ(range.right, 1);
  ZEL_GetArrayConstraint(session_, array, 2, &range, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetArrayConstraint: Bad array constraint index");
  ZEL_GetArrayRank(session_, integer_, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetArrayRank: Not an array type");
  ZEL_GetArrayElementCount(session_, integer_, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetArrayElementCount: Not a array type");

  // A constraint must stay inside its type's range, and a whole integer
  // range is too many elements.
  zel_type_t small = Subtype(integer_, 0, 9);
  zel_range_t wide{small, 0, 10, ZEL_RANGE_ASCENDING};
  ZEL_CreateArrayType(session_, container_, "b", temperature_, 1, &wide, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateArrayType: Right limit is out of underlying range.");
  zel_range_t all{integer_, -2147483647 - 1, 2147483647, ZEL_RANGE_ASCENDING};
  ZEL_CreateArrayType(session_, container_, "c", temperature_, 1, &all, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateArrayType: Array is too large.");
}

TEST_F(CompositeTypesTest, RecordLaysOutNarrowFieldsBackToBackAndAlignsByteFields) {
  const char* eight[] = {"a", "b", "c", "d", "e", "f", "g", "h"};
  zel_type_t e3 = ZEL_CreateEnumerationType(session_, container_, "e3", 8, eight, 0, 7, ZEL_RANGE_ASCENDING, &status_);
  std::vector<const char*> many(32, "x");
  zel_type_t e5 = ZEL_CreateEnumerationType(session_, container_, "e5", 32, many.data(), 0, 31, ZEL_RANGE_ASCENDING,
                                            &status_);
  zel_type_t record = Record({"p", "q", "n"}, {e3, e5, integer_});
  ZELI_Type* type = ZELC_Interface::TheInterface().ConvertSessionHandle(session_)->Object(record);
  EXPECT_EQ(type->Get_SubelementBitPosition(0), 0u);
  EXPECT_EQ(type->Get_SubelementBitPosition(1), 3u);
  EXPECT_EQ(type->Get_SubelementBitPosition(2), 8u);
  EXPECT_EQ(ZEL_GetSizeOfType(session_, record, &status_), 5u);
  EXPECT_EQ(ZEL_GetScalarCount(session_, record, &status_), 3u);
  EXPECT_EQ(ZEL_GetRecordElementCount(session_, record, &status_), 3u);
  EXPECT_STREQ(ZEL_GetRecordElementName(session_, record, 1, &status_), "q");
  EXPECT_TRUE(ZEL_AreSameType(ZEL_GetRecordElementType(session_, record, 2, &status_), integer_));
  ZEL_GetRecordElementType(session_, record, 3, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetRecordElementType: Bad record type index");

  // A narrow field after an aligned one: the record ends where it ends.
  zel_type_t padded = Record({"p", "n", "q"}, {e3, integer_, e3});
  ZELI_Type* paddedType = ZELC_Interface::TheInterface().ConvertSessionHandle(session_)->Object(padded);
  EXPECT_EQ(paddedType->Get_SubelementBitPosition(2), 40u);
  EXPECT_EQ(ZEL_GetSizeOfType(session_, padded, &status_), 6u);

  zel_type_t text = ZEL_CreateBuiltinType(session_, container_, "s", ZEL_STRING, &status_);
  const char* names[] = {"s"};
  ZEL_CreateRecordType(session_, container_, "r", 1, names, &text, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateRecordType: Composite types cannot hold strings.");
}

// Whole values, and one field at a time as derived waveforms extract and
// assemble fields: the same bits, the other fields untouched.
TEST_F(CompositeTypesTest, PackingRoundTripsWholeValuesAndSingleFieldsAcrossByteBoundaries) {
  PackTwoRecords();
  // 101 1001 1101 0.... : 0xB3 0xA0 for the first record.
  EXPECT_EQ(packed_[0], 0xB3);
  EXPECT_EQ(packed_[1], 0xA0);
  unsigned char a2[2], b2[2];
  signed char c2[2];
  double d2[2];
  void* destinations[] = {a2, b2, c2, d2};
  ZEL_UnpackTypeData(session_, record_, packed_, 2, destinations, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(0, std::memcmp(a_, a2, 2));
  EXPECT_EQ(0, std::memcmp(b_, b2, 2));
  EXPECT_EQ(c2[0], -3);  // sign-extended from its four bits
  EXPECT_EQ(c2[1], 3);
  EXPECT_EQ(d2[0], 1.5);
  EXPECT_EQ(d2[1], -2.25);

  const ZELI_Type& r = Type(record_);
  signed char cOut[2] = {0, 0};
  r.UnpackData(packed_, 2, Type(signedEnum_), 7, cOut);
  EXPECT_EQ(cOut[0], -3);
  EXPECT_EQ(cOut[1], 3);
  unsigned char aOut[2] = {0, 0};
  r.UnpackData(packed_, 2, Type(e3_), 0, aOut);
  EXPECT_EQ(0, std::memcmp(aOut, a_, 2));
  double dOut[2] = {0, 0};
  r.UnpackData(packed_, 2, Type(wide_), 16, dOut);
  EXPECT_EQ(dOut[1], -2.25);
  // Packing one field changes its bits only.
  const signed char cNew[2] = {2, -1};
  r.PackData(Type(signedEnum_), cNew, 2, 7, packed_);
  ZEL_UnpackTypeData(session_, record_, packed_, 2, destinations, &status_);
  EXPECT_EQ(0, std::memcmp(a2, a_, 2));
  EXPECT_EQ(0, std::memcmp(b2, b_, 2));
  EXPECT_EQ(c2[0], 2);
  EXPECT_EQ(c2[1], -1);
  EXPECT_EQ(d2[0], 1.5);

  // A composite field is its packed record: the second record of a pair
  // starts at bit 80.
  zel_range_t two{integer_, 0, 1, ZEL_RANGE_ASCENDING};
  const ZELI_Type& p = Type(ZEL_CreateArrayType(session_, container_, "pair", record_, 1, &two, &status_));
  unsigned char pairValue[20];
  std::memset(pairValue, 0, sizeof pairValue);
  p.PackData(r, packed_ + 10, 1, 80, pairValue);
  unsigned char second[10];
  p.UnpackData(pairValue, 1, r, 80, second);
  EXPECT_EQ(0, std::memcmp(second, packed_ + 10, 10));
  EXPECT_EQ(pairValue[0], 0);

  // Fields outside the value or a whole-byte field off its byte are refused.
  EXPECT_EQ(FailureOf([&] { r.UnpackData(packed_, 1, Type(wide_), 3, dOut); }), "ZELI_Type::UnpackData: layout");
  EXPECT_EQ(FailureOf([&] { r.UnpackData(packed_, 1, Type(e3_), 78, aOut); }), "ZELI_Type::UnpackData: layout");
  EXPECT_EQ(FailureOf([&] { r.PackData(Type(e3_), a_, 1, 80, packed_); }), "ZELI_Type::PackData: layout");

  // A null source leaves its field zero; a null destination is skipped.
  void* partial[] = {a_, nullptr, c_, d_};
  ZEL_PackTypeData(session_, record_, partial, 1, packed_, &status_);
  void* some[] = {nullptr, b2, nullptr, nullptr};
  ZEL_UnpackTypeData(session_, record_, packed_, 1, some, &status_);
  EXPECT_EQ(b2[0], 0);
  ZEL_PackTypeData(session_, record_, nullptr, 1, packed_, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
}

TEST_F(CompositeTypesTest, UnionsReportTheirLayoutButCannotBePacked) {
  zel_type_t real = ZEL_CreateBuiltinType(session_, container_, "r", ZEL_REAL, &status_);
  const char* names[] = {"i", "r"};
  zel_type_t choices[] = {integer_, real};
  zel_type_t u = ZEL_CreateUnionType(session_, container_, "u", 2, names, choices, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  EXPECT_EQ(ZEL_GetSizeOfType(session_, u, &status_), 8u);
  EXPECT_EQ(ZEL_GetUnionChoiceCount(session_, u, &status_), 2u);
  EXPECT_STREQ(ZEL_GetUnionChoiceName(session_, u, 1, &status_), "r");
  ZEL_GetUnionChoiceName(session_, u, 2, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetUnionChoiceName: Bad union choice index");
  ZEL_GetScalarCount(session_, u, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetScalarCount: ZELI_UnionType::ScalarCount");
  ZEL_GetUnionChoiceCount(session_, integer_, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetUnionChoiceCount: Not a union type");
  ZEL_GetRecordElementCount(session_, u, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetRecordElementCount: Not a record type");

  // A record holding the union is created, but its values cannot be packed.
  zel_type_t record = Record({"u"}, {u});
  unsigned char buffer[8];
  void* sources[] = {buffer};
  ZEL_PackTypeData(session_, record, sources, 1, buffer, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_PackTypeData: ZELI_UnionType::ScalarCount");
}

// A record {complex, integer, time} and an array of two of them.
class CompositeByteOrderTest : public CompositeTypesTest {
 protected:
  void SetUp() override {
    CompositeTypesTest::SetUp();
    complex_ = ZEL_CreateBuiltinType(session_, container_, "z", ZEL_COMPLEX, &status_);
    time_ = ZEL_CreateBuiltinType(session_, container_, "t", ZEL_TIME, &status_);
    record_ = Record({"z", "n", "t"}, {complex_, integer_, time_});
    zel_range_t two{integer_, 0, 1, ZEL_RANGE_ASCENDING};
    array_ = ZEL_CreateArrayType(session_, container_, "a", record_, 1, &two, &status_);
    ASSERT_EQ(status_, ZEL_OK);
  }

  struct Value {
    DComplex z;
    int n;
    UniversalTime t;
  };
  static void PackValue(unsigned char* record, const Value& v) {
    std::memcpy(record, &v.z, 16);
    std::memcpy(record + 16, &v.n, 4);
    std::memcpy(record + 20, &v.t, 24);
  }
  // The same value as a machine of the other byte order stores it.
  static void PackSwapped(unsigned char* record, Value v) {
    v.z.ConvertEndianType();
    v.t.ConvertEndianType();
    unsigned char n[4];
    std::memcpy(n, &v.n, 4);
    std::reverse(n, n + 4);
    std::memcpy(record, &v.z, 16);
    std::memcpy(record + 16, n, 4);
    std::memcpy(record + 20, &v.t, 24);
  }

  zel_type_t complex_{-1}, time_{-1}, array_{-1};
};

TEST_F(CompositeByteOrderTest, CompositeValuesSwapLeafByLeaf) {
  ZELI_Type* array = ZELC_Interface::TheInterface().ConvertSessionHandle(session_)->Object(array_);
  ASSERT_EQ(array->Get_SizeOf(), 88u);
  const Value v0{DComplex(1.5, -2.0), 258, UniversalTime(UniversalInteger(123456789), UniversalReal(0.25))};
  const Value v1{DComplex(-3.0, 4.0), -7, UniversalTime(UniversalInteger(-42), UniversalReal(0.5))};
  unsigned char native[88], foreign[88];
  PackValue(native, v0);
  PackValue(native + 44, v1);
  PackSwapped(foreign, v0);
  PackSwapped(foreign + 44, v1);

  unsigned char swapped[88];
  std::memcpy(swapped, native, 88);
  array->ConvertEndianType(swapped, 1);
  EXPECT_EQ(0, std::memcmp(swapped, foreign, 88));
  array->ConvertEndianType(swapped, 1);
  EXPECT_EQ(0, std::memcmp(swapped, native, 88));

  // Stored values of a stream in the other byte order read back as written.
  const std::string path = dir_ / "values";
  zeltest::WriteFileBytes(path, std::vector<unsigned char>(foreign, foreign + 88));
  ZELI_Istream in(path.c_str());
  in.Set_ConvertEndianType();
  unsigned char read[88];
  array->ReadData(in, read, 1);
  EXPECT_EQ(0, std::memcmp(read, native, 88));
}

TEST_F(CompositeTypesTest, CompositeTypesSurviveAWriteReadRoundTripAndCopyIntoAnotherContainer) {
  zel_type_t mild = Subtype(temperature_, 9, 8, ZEL_RANGE_DESCENDING);
  zel_range_t constraints[] = {{mild, 9, 8, ZEL_RANGE_DESCENDING}, {integer_, -1, 1, ZEL_RANGE_ASCENDING}};
  zel_type_t array = ZEL_CreateArrayType(session_, container_, "a", temperature_, 2, constraints, &status_);
  zel_type_t record = Record({"a", "m"}, {array, mild});
  const char* names[] = {"r", "i"};
  zel_type_t members[] = {record, integer_};
  ZEL_CreateUnionType(session_, container_, "u", 2, names, members, &status_);
  const char* quoted[] = {"'0'", "'1'", "'"};
  ZEL_CreateEnumerationType(session_, container_, "bit", 3, quoted, 0, 2, ZEL_RANGE_ASCENDING, &status_);
  ASSERT_EQ(status_, ZEL_OK);

  const std::string path = dir_ / "types";
  zeltest::WriteTypeTableFile(*object_, path);
  ZELI_Container copy;
  zeltest::ReadTypeTableFile(copy, path);
  const auto& original = object_->Get_TypeTable().Get_Types();
  const auto& read = copy.Get_TypeTable().Get_Types();
  ASSERT_EQ(read.size(), original.size());
  for (size_t i = 0; i + 1 < read.size(); ++i) EXPECT_TRUE(*read[i] == *original[i]) << i;
  // Quoted literals come back without their quotes.
  const ZELI_EnumerationType* bits = dynamic_cast<const ZELI_EnumerationType*>(read.back());
  ASSERT_NE(bits, nullptr);
  EXPECT_STREQ(bits->LiteralByPosition(0), "0");
  EXPECT_STREQ(bits->LiteralByPosition(2), "'");

  // Copying the record into another container brings every type it needs.
  zel_container_t other = zeltest::AddTestContainer(session_);
  zel_type_t copied = ZEL_FindOrCopyType(session_, other, record, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_TRUE(ZEL_AreEqualTypes(session_, copied, record, &status_));
  unsigned count = 0;
  std::free(ZEL_GetAllTypes(session_, other, &count, &status_));
  EXPECT_EQ(count, 5u);  // temperature, integer, mild, array, record
  zel_type_t again = ZEL_FindOrCopyType(session_, other, record, &status_);
  EXPECT_TRUE(ZEL_AreSameType(again, copied));
}

class TypeGraphTest : public CompositeTypesTest {};

TEST_F(TypeGraphTest, SharedElementTypesAreComparedAndCopiedOncePerPair) {
  // r0 = {zero-bit literal}; r(k) = {r(k-1), r(k-1)}: 2^30 paths, 31 types.
  const char* only[] = {"z"};
  zel_type_t zero = ZEL_CreateEnumerationType(session_, container_, "zero", 1, only, 0, 0, ZEL_RANGE_ASCENDING,
                                              &status_);
  ASSERT_EQ(ZEL_GetPackedSizeOfType(session_, zero, &status_), 0u);
  zel_type_t level = Record({"z"}, {zero});
  for (int k = 1; k <= 30; ++k) level = Record({"a", "b"}, {level, level});
  EXPECT_EQ(ZEL_GetScalarCount(session_, level, &status_), 1u << 30);
  zel_container_t other = zeltest::AddTestContainer(session_);
  zel_type_t copy = ZEL_CopyType(session_, other, level, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_TRUE(ZEL_AreEqualTypes(session_, copy, level, &status_));
  unsigned count = 0;
  std::free(ZEL_GetAllTypes(session_, other, &count, &status_));
  EXPECT_EQ(count, 32u);
  // Two more levels pass 2^32 - 1 leaves.
  level = Record({"a", "b"}, {level, level});
  ZEL_CreateRecordType(session_, container_, "r", 2, std::vector<const char*>{"a", "b"}.data(),
                       std::vector<zel_type_t>{level, level}.data(), &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateRecordType: Record is too large.");
}

TEST_F(TypeGraphTest, NestingIsBounded) {
  zel_type_t type = integer_;
  for (unsigned depth = 1; depth < ZELI_Type::MaxDepth; ++depth) type = Subtype(type, 0, 10);
  ZEL_CreateDiscreteSubtype(session_, "deep", type, 0, 1, ZEL_RANGE_ASCENDING, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateDiscreteSubtype: Types are nested too deeply.");
  zel_range_t constraint{type, 0, 1, ZEL_RANGE_ASCENDING};
  ZEL_CreateArrayType(session_, container_, "a", integer_, 1, &constraint, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateArrayType: Types are nested too deeply.");
  // The deepest allowed chain is written and read back.
  const std::string path = dir_ / "deep";
  zeltest::WriteTypeTableFile(*object_, path);
  ZELI_Container copy;
  zeltest::ReadTypeTableFile(copy, path);
  EXPECT_EQ(copy.Get_TypeTable().Get_Types().back()->Get_Depth(), ZELI_Type::MaxDepth);
}

}  // namespace
