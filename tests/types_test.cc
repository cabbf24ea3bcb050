// Type model and scalar types: widths, ranges, equality, find and copy,
// value functions, and the stored type records (round trips, the other byte
// order, old versions and corrupted records).
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <cstring>
#include <memory>

#include "model/container.h"
#include "store/stream.h"
#include "test_support.h"
#include "types/discrete_types.h"
#include "types/scalar_types.h"
#include "types/type.h"

namespace {

using zeltest::ByteWriter;

class TypesTest : public zeltest::SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    container_ = zeltest::AddTestContainer(session_, &object_);
  }

  zel_type_t Builtin(const char* name, zel_dataType_t code) {
    zel_type_t t = ZEL_CreateBuiltinType(session_, container_, name, code, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    return t;
  }
  zel_type_t Subtype(zel_type_t base, int left, int right, zel_rangeDirection_t direction = ZEL_RANGE_ASCENDING) {
    zel_type_t t = ZEL_CreateDiscreteSubtype(session_, "sub", base, left, right, direction, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    return t;
  }
  unsigned TypeCount(zel_container_t container) {
    unsigned count = 0;
    std::free(ZEL_GetAllTypes(session_, container, &count, &status_));
    return count;
  }

  zel_container_t container_{-1};
  ZELI_Container* object_ = nullptr;
  zeltest::TempDir dir_;
};

TEST_F(TypesTest, BuiltinTypesHaveTheirWidthsRangesAndFlags) {
  struct Expected {
    zel_dataType_t code;
    unsigned size;
    bool discrete, ordered;
  } expected[] = {
      {ZEL_CHARACTER, 1, true, true}, {ZEL_STRING, sizeof(char*), false, false}, {ZEL_INTEGER, 4, true, true},
      {ZEL_REAL, 8, false, true},     {ZEL_COMPLEX, 16, false, false},           {ZEL_TIME, 24, false, true},
      {ZEL_FLOAT, 4, false, true},
  };
  for (const Expected& e : expected) {
    zel_type_t t = Builtin("b", e.code);
    EXPECT_EQ(ZEL_GetDataType(session_, t, &status_), e.code);
    EXPECT_EQ(ZEL_GetSizeOfType(session_, t, &status_), e.size);
    EXPECT_EQ(ZEL_GetPackedSizeOfType(session_, t, &status_), e.size * 8);
    EXPECT_EQ(ZEL_IsTypeDiscrete(session_, t, &status_), e.discrete);
    EXPECT_EQ(ZEL_IsTypeOrdered(session_, t, &status_), e.ordered);
    EXPECT_TRUE(ZEL_IsTypeBuiltin(session_, t, &status_));
    EXPECT_TRUE(ZEL_IsTypeScalar(session_, t, &status_));
    EXPECT_TRUE(ZEL_IsTypeBaseType(session_, t, &status_));
    EXPECT_EQ(ZEL_GetScalarCount(session_, t, &status_), 1u);
  }
  zel_type_t character = Builtin("c", ZEL_CHARACTER);
  int lo = -1, hi = -1;
  ZEL_GetTypeMinMax(session_, character, &lo, &hi, &status_);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 255);
  EXPECT_TRUE(ZEL_IsTypeUnsigned(session_, character, &status_));
  zel_type_t integer = Builtin("i", ZEL_INTEGER);
  EXPECT_FALSE(ZEL_IsTypeUnsigned(session_, integer, &status_));
  EXPECT_EQ(ZEL_GetTypeLeftLimit(session_, integer, &status_), -2147483647 - 1);
  EXPECT_TRUE(ZEL_IsTypeInteger(session_, integer, &status_));
  EXPECT_FALSE(ZEL_IsTypeCharacter(session_, integer, &status_));

  ZEL_CreateBuiltinType(session_, container_, "e", ZEL_ENUMERATION, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateBuiltinType: Not a builtin datatype.");
}

TEST_F(TypesTest, SubtypesStoreInTheirBaseWidthPackInTheirOwnAndRefuseBadRanges) {
  zel_type_t character = Builtin("c", ZEL_CHARACTER);
  zel_type_t integer = Builtin("i", ZEL_INTEGER);
  zel_type_t small = Subtype(character, 0, 5);
  EXPECT_EQ(ZEL_GetSizeOfType(session_, small, &status_), 1u);
  EXPECT_EQ(ZEL_GetPackedSizeOfType(session_, small, &status_), 3u);
  zel_type_t wide = Subtype(integer, 0, 5);
  EXPECT_EQ(ZEL_GetSizeOfType(session_, wide, &status_), 4u);
  EXPECT_EQ(ZEL_GetPackedSizeOfType(session_, wide, &status_), 32u);
  EXPECT_TRUE(ZEL_AreSameType(ZEL_GetBaseType(session_, wide, &status_), integer));
  EXPECT_TRUE(ZEL_IsTypeSubtype(session_, wide, &status_));
  EXPECT_TRUE(ZEL_IsTypeUnsigned(session_, wide, &status_));

  zel_type_t down = Subtype(integer, 10, 0, ZEL_RANGE_DESCENDING);
  int lo = 0, hi = 0;
  ZEL_GetTypeMinMax(session_, down, &lo, &hi, &status_);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 10);
  EXPECT_EQ(ZEL_GetTypeDirection(session_, down, &status_), ZEL_RANGE_DESCENDING);
  zel_range_t range;
  ZEL_GetTypeRange(session_, down, &range, &status_);
  EXPECT_TRUE(ZEL_AreSameType(range.type, integer));
  EXPECT_EQ(range.left, 10);
  EXPECT_EQ(range.right, 0);
  EXPECT_EQ(range.direction, ZEL_RANGE_DESCENDING);

  // A subtype of a subtype keeps the outermost base and ranges over its parent.
  zel_type_t inner = Subtype(down, 3, 4);
  ZEL_GetTypeRange(session_, inner, &range, &status_);
  EXPECT_TRUE(ZEL_AreSameType(range.type, down));
  EXPECT_TRUE(ZEL_AreSameType(ZEL_GetBaseType(session_, inner, &status_), integer));

  const unsigned before = TypeCount(container_);
  ZEL_CreateDiscreteSubtype(session_, "x", character, 0, 256, ZEL_RANGE_ASCENDING, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateDiscreteSubtype: Right limit is out of underlying range.");
  ZEL_CreateDiscreteSubtype(session_, "x", wide, -1, 3, ZEL_RANGE_ASCENDING, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateDiscreteSubtype: Left limit is out of underlying range.");
  zel_type_t real = Builtin("r", ZEL_REAL);
  ZEL_CreateDiscreteSubtype(session_, "x", real, 0, 1, ZEL_RANGE_ASCENDING, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateDiscreteSubtype: Base type is not a discrete type.");
  ZEL_CreateDiscreteSubtype(session_, "x", integer, 0, 5, ZEL_RANGE_DESCENDING, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateDiscreteSubtype: Range is empty.");
  EXPECT_EQ(TypeCount(container_), before + 1);  // only the real type was added

  // Range queries need a discrete type and somewhere to answer.
  ZEL_GetTypeLeftLimit(session_, real, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetTypeLeftLimit: The type is not a discrete ordered type");
  ZEL_GetTypeMinMax(session_, integer, nullptr, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_GetAllTypes(session_, container_, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
}

TEST_F(TypesTest, EqualTypesAreNotTheSameTypeAndInternalTypesStayHidden) {
  zel_type_t a = Builtin("x", ZEL_INTEGER);
  zel_type_t b = Builtin("x", ZEL_INTEGER);
  zel_type_t c = Builtin("y", ZEL_INTEGER);
  EXPECT_TRUE(ZEL_AreEqualTypes(session_, a, b, &status_));
  EXPECT_FALSE(ZEL_AreSameType(a, b));
  EXPECT_FALSE(ZEL_AreEqualTypes(session_, a, c, &status_));
  EXPECT_TRUE(ZEL_AreSameType(ZEL_FindTypeByType(session_, container_, b, &status_), a));

  object_->Get_TypeTable().EnsureSpecialTypes();
  unsigned count = 99;
  EXPECT_EQ(ZEL_FindTypes(session_, container_, "#", &count, &status_), nullptr);
  EXPECT_EQ(count, 0u);
  zel_type_t* found = ZEL_FindTypes(session_, container_, "x", &count, &status_);
  ASSERT_EQ(count, 2u);
  EXPECT_TRUE(ZEL_AreSameType(found[0], a));
  EXPECT_TRUE(ZEL_AreSameType(found[1], b));
  std::free(found);
  EXPECT_EQ(TypeCount(container_), 6u);  // x, x, y and the three generated types

  // The internal type is found by value, though.
  ZELI_IntegerType probe("#");
  probe.Set_IsZelInternal(true);
  EXPECT_EQ(object_->Get_TypeTable().FindTypeByType(probe), object_->Get_TypeTable().Get_InternalIntegerType_p());
  ZEL_FindTypeByType(session_, container_, zel_type_t{-1}, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
}

TEST_F(TypesTest, FindOrCopyReusesAnEqualTypeOfTheTargetAndCopiesReferencedTypes) {
  zel_container_t other = zeltest::AddTestContainer(session_);
  zel_type_t integer = Builtin("i", ZEL_INTEGER);
  zel_type_t sub = Subtype(integer, 1, 9);
  zel_type_t existing = ZEL_CreateBuiltinType(session_, other, "i", ZEL_INTEGER, &status_);

  zel_type_t found = ZEL_FindOrCopyType(session_, other, integer, &status_);
  EXPECT_EQ(status_, ZEL_OK);
  EXPECT_TRUE(ZEL_AreSameType(found, existing));
  EXPECT_EQ(TypeCount(other), 1u);

  // The subtype is copied and refers to the target's equal base type.
  zel_type_t copied = ZEL_FindOrCopyType(session_, other, sub, &status_);
  EXPECT_EQ(status_, ZEL_OK);
  EXPECT_EQ(TypeCount(other), 2u);
  EXPECT_TRUE(ZEL_AreSameType(ZEL_GetBaseType(session_, copied, &status_), existing));
  EXPECT_TRUE(ZEL_AreEqualTypes(session_, copied, sub, &status_));
  // Copying always adds.
  ZEL_CopyType(session_, other, sub, &status_);
  EXPECT_EQ(TypeCount(other), 3u);

  // A type of another container cannot be combined with this one.
  zel_range_t constraint{integer, 0, 1, ZEL_RANGE_ASCENDING};
  ZEL_CreateArrayType(session_, other, "a", existing, 1, &constraint, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateArrayType: Type belongs to another container");
}

TEST_F(TypesTest, FloatEqualityToleratesOneValueOnlyAndStringsCompareByText) {
  zel_type_t f = Builtin("f", ZEL_FLOAT);
  float a[2] = {1.0f, 1.0f};
  float b[2] = {1.0000001f, 1.0f};
  float c[2] = {1.000001f, 1.0f};
  EXPECT_TRUE(ZEL_AreEqualData(session_, f, a, b, 1, &status_));
  EXPECT_FALSE(ZEL_AreEqualData(session_, f, a, c, 1, &status_));
  EXPECT_FALSE(ZEL_AreEqualData(session_, f, a, b, 2, &status_));
  EXPECT_TRUE(ZEL_AreEqualData(session_, f, a, a, 2, &status_));
  EXPECT_TRUE(ZEL_AreEqualData(session_, f, nullptr, nullptr, 0, &status_));
  ZEL_AreEqualData(session_, f, nullptr, b, 1, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);

  zel_type_t s = Builtin("s", ZEL_STRING);
  char t1[] = "abc", t2[] = "abc";
  const char* x[3] = {t1, nullptr, "q"};
  const char* y[3] = {t2, nullptr, "q"};
  const char* z[3] = {t2, "", "q"};
  EXPECT_TRUE(ZEL_AreEqualData(session_, s, x, y, 3, &status_));
  EXPECT_FALSE(ZEL_AreEqualData(session_, s, x, z, 3, &status_));
}

TEST_F(TypesTest, DataFunctionsOwnStringsAndZeroNewSlots) {
  ZELI_StringType strings("s");
  char** buffer = static_cast<char**>(strings.ReallocData(nullptr, 3, 0));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(buffer[i], nullptr);
  const char* texts[3] = {"one", nullptr, "three"};
  strings.CopyData(buffer, texts, 3);
  EXPECT_STREQ(buffer[0], "one");
  EXPECT_EQ(buffer[1], nullptr);
  EXPECT_NE(buffer[2], texts[2]);
  // Copying onto itself, and onto an overlapping range, keeps valid texts.
  strings.CopyData(buffer, buffer, 3);
  strings.CopyData(buffer + 1, buffer, 2);
  EXPECT_STREQ(buffer[1], "one");
  EXPECT_EQ(buffer[2], nullptr);
  // Gather with a null source pointer gives a null string.
  void* sources[2] = {&texts[2], nullptr};
  strings.CopyData(buffer, sources, 2);
  EXPECT_STREQ(buffer[0], "three");
  EXPECT_EQ(buffer[1], nullptr);
  // A null source clears; a null destination is refused.
  strings.CopyData(buffer + 2, static_cast<const void*>(nullptr), 1);
  EXPECT_EQ(buffer[2], nullptr);
  EXPECT_THROW(strings.CopyData(static_cast<void*>(nullptr), buffer, 1), ZELI_BadArgException);
  buffer = static_cast<char**>(strings.ReallocData(buffer, 1, 3));
  buffer = static_cast<char**>(strings.ReallocData(buffer, 4, 1));
  EXPECT_STREQ(buffer[0], "three");
  EXPECT_EQ(buffer[3], nullptr);
  strings.FreeData(buffer, 4);

  ZELI_RealType reals("r");
  unsigned char* values = static_cast<unsigned char*>(reals.ReallocData(nullptr, 1, 0));
  values = static_cast<unsigned char*>(reals.ReallocData(values, 3, 1));
  for (int i = 8; i < 24; ++i) EXPECT_EQ(values[i], 0) << i;
  EXPECT_EQ(reals.AtData(values, 2), values + 16);
  reals.FreeData(values, 3);
}

TEST_F(TypesTest, TypesComeBackEqualAfterAWriteAndRead) {
  zel_type_t integer = Builtin("i", ZEL_INTEGER);
  zel_type_t character = Builtin("c", ZEL_CHARACTER);
  Subtype(Subtype(integer, 10, -10, ZEL_RANGE_DESCENDING), 3, -3, ZEL_RANGE_DESCENDING);
  Subtype(character, 65, 90);
  for (zel_dataType_t code : {ZEL_STRING, ZEL_REAL, ZEL_COMPLEX, ZEL_TIME, ZEL_FLOAT}) Builtin("b", code);
  object_->Get_TypeTable().EnsureSpecialTypes();
  const std::string path = dir_ / "types";
  zeltest::WriteTypeTableFile(*object_, path);

  ZELI_Container copy;
  zeltest::ReadTypeTableFile(copy, path);
  const auto& original = object_->Get_TypeTable().Get_Types();
  const auto& read = copy.Get_TypeTable().Get_Types();
  ASSERT_EQ(read.size(), original.size());
  for (size_t i = 0; i < read.size(); ++i) {
    EXPECT_TRUE(*read[i] == *original[i]) << i;
    EXPECT_EQ(read[i]->Get_Key(), original[i]->Get_Key());
  }
  EXPECT_TRUE(copy.Get_TypeTable().Get_InternalIntegerType_p()->IsZelInternal());
  EXPECT_EQ(copy.Get_TypeTable().Get_GeneratedComplexType_p()->Get_Key(),
            object_->Get_TypeTable().Get_GeneratedComplexType_p()->Get_Key());
  EXPECT_EQ(copy.Get_TypeTable().Get_Types().size(), original.size());  // nothing created on request
}

// The bytes of a table with an integer type (key 0), a subtype 3 downto -3
// of it (key 1) and a string type (key 2), in the chosen order and version.
std::vector<unsigned char> SmallTable(bool big, unsigned version, int stringSize = 4) {
  ByteWriter w(big);
  w.I32(3).I32(-1).I32(3);  // key map: 3 slots, none free, 3 live
  w.I32(3);                 // type count
  auto common = [&](unsigned code, const char* name, int size, int packed, int key) {
    w.U8(code).Str(name).I32(size);
    if (version >= 2) w.I32(packed);
    if (version >= 1) w.U8(0);
    w.I32(key);
  };
  common(ZEL_INTEGER, "int", 4, 32, 0);
  w.I32(0).I32(-2147483647 - 1).I32(2147483647).I32(1).I32(0);
  common(ZEL_INTEGER, "sub", 4, 32, 1);
  w.I32(0).I32(3).I32(-3).I32(-1).I32(0);
  common(ZEL_STRING, "str", stringSize, stringSize * 8, 2);
  if (version >= 3) w.I32(-1);
  if (version >= 4) w.I32(-1).I32(-1).I32(-1);
  if (version == 2) w.U8(0);
  return w.bytes();
}

TEST_F(TypesTest, TablesWrittenInTheOtherByteOrderAndOldVersionsAreRead) {
  const std::string path = dir_ / "table";
  for (bool big : {false, true}) {
    for (unsigned version : {0u, 1u, 2u, 3u, 8u}) {
      zeltest::WriteFileBytes(path, SmallTable(big, version));
      ZELI_Container c;
      ASSERT_NO_THROW(zeltest::ReadTypeTableFile(c, path, big, version)) << big << " " << version;
      const auto& types = c.Get_TypeTable().Get_Types();
      ASSERT_EQ(types.size(), 3u);
      const ZELI_Range& range = types[1]->Get_Range();
      EXPECT_EQ(range.Get_Left(), 3);
      EXPECT_EQ(range.Get_Right(), -3);
      EXPECT_EQ(range.Get_Step(), -1);
      EXPECT_EQ(range.Get_Type_p(), types[0]);
      EXPECT_EQ(types[1]->Get_BaseType_p(), types[0]);
      EXPECT_EQ(types[1]->Get_PackedSizeOf(), 32u);
      EXPECT_EQ(types[2]->Get_SizeOf(), sizeof(char*));
      EXPECT_FALSE(types[0]->IsZelInternal());
    }
  }
  // Before version 2 no packed size is stored: float, real and complex types
  // take size of x 8 like every other non-discrete scalar.
  for (unsigned version : {0u, 1u, 2u}) {
    ByteWriter w(false);
    w.I32(3).I32(-1).I32(3).I32(3);
    const std::pair<zel_dataType_t, int> scalars[] = {{ZEL_FLOAT, 4}, {ZEL_REAL, 8}, {ZEL_COMPLEX, 16}};
    int key = 0;
    for (const auto& [code, size] : scalars) {
      w.U8(code).Str("s").I32(size);
      if (version >= 2) w.I32(size * 8);
      if (version >= 1) w.U8(0);
      w.I32(key++);
    }
    if (version == 2) w.U8(0);  // as SmallTable ends a version 2 table
    zeltest::WriteFileBytes(path, w.bytes());
    ZELI_Container c;
    ASSERT_NO_THROW(zeltest::ReadTypeTableFile(c, path, false, version)) << version;
    const auto& types = c.Get_TypeTable().Get_Types();
    ASSERT_EQ(types.size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(types[i]->Get_PackedSizeOf(), 8u * scalars[i].second) << version;
  }

  // A legacy time type (version 7) holds doubles and swaps them as one value.
  ByteWriter w(true);
  w.I32(1).I32(-1).I32(1).I32(1);
  w.U8(ZEL_TIME).Str("t").I32(8).I32(64).U8(0).I32(0);
  w.I32(-1).I32(-1).I32(-1).I32(-1);
  const double value = 2.5e-9;
  unsigned char swapped[8];
  std::memcpy(swapped, &value, 8);
  std::reverse(swapped, swapped + 8);
  w.Raw(swapped, 8);
  zeltest::WriteFileBytes(path, w.bytes());
  ZELI_Container c;
  ZELI_Istream in(path.c_str(), 1, 7);
  in >> c.Get_ExternalConvertor();
  c.Get_TypeTable().ReadTypes(in, c.Get_ExternalConvertor());
  const ZELI_TimeType* time = dynamic_cast<const ZELI_TimeType*>(c.Get_TypeTable().Get_Types()[0]);
  ASSERT_NE(time, nullptr);
  EXPECT_TRUE(time->Get_LegacyTimeLayout());
  double read = 0;
  time->ReadData(in, &read, 1);
  EXPECT_EQ(read, value);
}

struct Corruption {
  const char* name;
  std::vector<unsigned char> bytes;
  const char* message;
};

// Type records: the common head (code, name, sizes, flags, key), and the
// range of a discrete type (range type key, left, right, step, flags).
void Head(ByteWriter& w, unsigned code, const char* name, int size, int packed, int key) {
  w.U8(code).Str(name).I32(size).I32(packed).U8(0).I32(key);
}
void Range(ByteWriter& w, int type, int left, int right, int step, int flags = 0) {
  w.I32(type).I32(left).I32(right).I32(step).I32(flags);
}

TEST_F(TypesTest, CorruptedRecordsAreRefusedWithTheRecordsName) {
  auto table = [](const std::function<void(ByteWriter&)>& records, int count) {
    ByteWriter w(false);
    w.I32(4).I32(-1).I32(4).I32(count);
    records(w);
    w.I32(-1).I32(-1).I32(-1).I32(-1);
    return w.bytes();
  };
  auto integer = [](ByteWriter& w) {
    Head(w, ZEL_INTEGER, "i", 4, 32, 0);
    Range(w, 0, -2147483647 - 1, 2147483647, 1);
  };
  auto enumeration = [](ByteWriter& w) {
    Head(w, ZEL_ENUMERATION, "e", 1, 2, 0);
    Range(w, 0, 0, 2, 1);
  };
  const std::vector<Corruption> cases = {
      {"size", table([](ByteWriter& w) { Head(w, ZEL_REAL, "r", 4, 32, 0); }, 1), "ZELI_RealType::Read: size"},
      {"legacy size", table([](ByteWriter& w) { Head(w, ZEL_TIME, "t", 16, 128, 0); }, 1),
       "ZELI_TimeType::Read: size"},
      {"code", table([](ByteWriter& w) { Head(w, 11, "x", 4, 32, 0); }, 1), "ZELI_Type::Read implementation"},
      {"step", table([](ByteWriter& w) { Head(w, ZEL_INTEGER, "i", 4, 32, 0); Range(w, 0, 0, 5, 2); }, 1),
       "ZELI_IntegerType::Read: range"},
      {"packed size", table([](ByteWriter& w) { Head(w, ZEL_CHARACTER, "c", 1, 7, 1); Range(w, 1, 0, 255, 1, 1); }, 1),
       "ZELI_CharacterType::Read: size"},
      {"literal count", table([&](ByteWriter& w) { enumeration(w); w.I32(2).Str("a").Str("b"); }, 1),
       "ZELI_EnumerationType::Read: literal count"},
      {"huge literal count", table([&](ByteWriter& w) { enumeration(w); w.I32(0x7FFFFFFF); }, 1), "End of file"},
      {"self reference", table([](ByteWriter& w) { Head(w, ZEL_ARRAY, "a", 0, 0, 0); w.I32(0).I32(0); }, 1),
       "ZELI_ArrayType::Read: element type"},
      {"unknown reference",
       table([&](ByteWriter& w) { integer(w); Head(w, ZEL_INTEGER, "s", 4, 32, 1); Range(w, 3, 0, 1, 1); }, 2),
       "ZELI_IntegerType::Read: range type"},
      {"subtype outside its range type", table([&](ByteWriter& w) {
         integer(w); Head(w, ZEL_INTEGER, "s", 4, 32, 1); Range(w, 0, 0, 5, 1);
         Head(w, ZEL_INTEGER, "t", 4, 32, 2); Range(w, 1, 0, 6, 1);
       }, 3),
       "ZELI_IntegerType::Read: range"},
      {"record size",
       table([&](ByteWriter& w) { integer(w); Head(w, ZEL_RECORD, "r", 3, 24, 1); w.I32(1).Str("x").I32(0); }, 2),
       "ZELI_RecordType::Read: size"},
      {"duplicate key", table([&](ByteWriter& w) { integer(w); integer(w); }, 2), "ZELI_IntegerType::Read: key"},
  };
  const std::string path = dir_ / "bad";
  for (const Corruption& c : cases) {
    zeltest::WriteFileBytes(path, c.bytes);
    ZELI_Container container;
    try {
      zeltest::ReadTypeTableFile(container, path);
      ADD_FAILURE() << c.name << ": read";
    } catch (const ZELI_FailedException& e) {
      EXPECT_STREQ(e.what(), c.message) << c.name;
    }
  }
}

}  // namespace
