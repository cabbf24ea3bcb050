// Type operations: unary and binary operations (validity, result types,
// values, failures part-way), the order of values (LessThan, Min, Max,
// FirstIsCloser), operation compatibility, and the number conversions that
// saturate instead of being undefined.
#include "types/type_operations.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "type_operations_test_support.h"
#include "types/composite_types.h"
#include "types/discrete_types.h"
#include "types/enumeration_type.h"
#include "types/universal_types.h"

namespace {

using zeltest::FailureOf;
using zeltest::TypeOperationsTest;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = 3.141592653589793;

TEST_F(TypeOperationsTest, UnaryOperationsHaveTheirResultTypesAndMessages) {
  ZELI_Container* c = container_;
  // Without a rule of its own a type has only the identity.
  EXPECT_TRUE(string_->IsValidUnaryOp(ZEL_OP_IDENTITY));
  EXPECT_FALSE(string_->IsValidUnaryOp(ZEL_OP_ABS));
  EXPECT_EQ(string_->UnaryOpResultType_p(c, ZEL_OP_IDENTITY), string_);
  EXPECT_EQ(FailureOf([&] { string_->UnaryOpResultType_p(c, ZEL_OP_ABS); }),
            "The type does not have unary operations.");

  EXPECT_TRUE(integer_->IsValidUnaryOp(ZEL_OP_REAL));
  EXPECT_FALSE(integer_->IsValidUnaryOp(ZEL_OP_ABS));
  EXPECT_EQ(integer_->UnaryOpResultType_p(c, ZEL_OP_REAL), GeneratedReal());
  EXPECT_EQ(FailureOf([&] { integer_->UnaryOpResultType_p(c, ZEL_OP_ABS); }),
            "Integer type does not have the unary operation.");
  EXPECT_EQ(FailureOf([&] { integer_->ApplyUnaryOp(ZEL_OP_ABS, nullptr, 0, nullptr); }),
            "ZELI_IntegerType::ApplyUnaryOp: unimplemented op");
  EXPECT_EQ(time_->UnaryOpResultType_p(c, ZEL_OP_REAL), GeneratedReal());
  EXPECT_EQ(FailureOf([&] { time_->UnaryOpResultType_p(c, ZEL_OP_SIN); }),
            "Time type does not have the unary operation.");
  EXPECT_EQ(FailureOf([&] { time_->ApplyUnaryOp(ZEL_OP_SIN, nullptr, 0, nullptr); }),
            "ZELI_TimeType::ApplyUnaryOp: unimplemented op");
  // Legacy time values are doubles and behave as reals, with real results.
  ZELI_TimeType* legacy = LegacyTime();
  EXPECT_EQ(legacy->UnaryOpResultType_p(c, ZEL_OP_IDENTITY), legacy);
  EXPECT_EQ(legacy->UnaryOpResultType_p(c, ZEL_OP_ABS), GeneratedReal());
  double seconds = -2.5, magnitude = 0;
  legacy->ApplyUnaryOp(ZEL_OP_ABS, &seconds, 1, &magnitude);
  EXPECT_EQ(magnitude, 2.5);
  EXPECT_EQ(FailureOf([&] { legacy->ApplyUnaryOp(ZEL_OP_CONJUGATE, &seconds, 1, &magnitude); }),
            "ZELI_TimeType::ApplyUnaryOp: unimplemented op");

  for (int op = ZEL_OP_IDENTITY; op <= ZEL_OP_INTEGRAL_TRAPEZOID; ++op) {
    EXPECT_EQ(float_->UnaryOpResultType_p(c, zel_operation_t(op)), float_);
    EXPECT_EQ(real_->UnaryOpResultType_p(c, zel_operation_t(op)), real_);
  }
  EXPECT_FALSE(real_->IsValidUnaryOp(ZEL_OP_ADD));
  EXPECT_EQ(FailureOf([&] { float_->UnaryOpResultType_p(c, ZEL_OP_ADD); }),
            "ZELI_FloatType::UnaryOpResultType_p: unimplemented op");
  EXPECT_EQ(FailureOf([&] { real_->UnaryOpResultType_p(c, ZEL_OP_ADD); }),
            "ZELI_RealType::UnaryOpResultType_p: unimplemented op");
  double x = 1, y = 0;
  for (zel_operation_t op : {ZEL_OP_CONJUGATE, ZEL_OP_CONTINUOUS_PHASE, ZEL_OP_DERIVATIVE, ZEL_OP_INTEGRAL}) {
    EXPECT_EQ(FailureOf([&] { real_->ApplyUnaryOp(op, &x, 1, &y); }), "ZELI_RealType::ApplyUnaryOp: unimplemented op");
  }

  EXPECT_EQ(complex_->UnaryOpResultType_p(c, ZEL_OP_SQRT), complex_);
  EXPECT_EQ(complex_->UnaryOpResultType_p(c, ZEL_OP_INTEGRAL), complex_);
  for (zel_operation_t op : {ZEL_OP_ABS, ZEL_OP_DB20, ZEL_OP_IMAG, ZEL_OP_PHASE, ZEL_OP_CONTINUOUS_PHASE_DEGREES}) {
    EXPECT_EQ(complex_->UnaryOpResultType_p(c, op), GeneratedReal());
  }
  EXPECT_EQ(FailureOf([&] { complex_->UnaryOpResultType_p(c, ZEL_OP_DERIVATIVE); }), "Invalid operation on Complex.");
  EXPECT_EQ(FailureOf([&] { complex_->UnaryOpResultType_p(c, ZEL_OP_ADD); }),
            "ZELI_ComplexType::UnaryOpResultType_p: unimplemented");
  EXPECT_EQ(FailureOf([&] { complex_->ApplyUnaryOp(ZEL_OP_INTEGRAL, nullptr, 0, nullptr); }),
            "ZELI_ComplexType::ApplyUnaryOp: unimplemented op");
}

TEST_F(TypeOperationsTest, RealUnaryOperationsComputeEachValueUpToTheFirstOutsideTheDomain) {
  auto apply = [&](zel_operation_t op, double x) {
    double y = -99;
    real_->ApplyUnaryOp(op, &x, 1, &y);
    return y;
  };
  EXPECT_DOUBLE_EQ(apply(ZEL_OP_DB20, 0.1), -20);
  EXPECT_DOUBLE_EQ(apply(ZEL_OP_DB20_MILLI, 1), 60);
  EXPECT_DOUBLE_EQ(apply(ZEL_OP_DB10_MICRO, 1), 60);
  EXPECT_DOUBLE_EQ(apply(ZEL_OP_DB10, -100), 20);
  EXPECT_EQ(apply(ZEL_OP_NOT, 0), 1);
  EXPECT_EQ(apply(ZEL_OP_NOT, 2), 0);
  EXPECT_EQ(apply(ZEL_OP_PHASE, -1), kPi);
  EXPECT_EQ(apply(ZEL_OP_PHASE_DEGREES, -1), 180);
  EXPECT_DOUBLE_EQ(apply(ZEL_OP_ACOS, -1), kPi);

  // Floats are computed in double precision; results beyond the float
  // range become infinities.
  float values[3] = {4.0f, 100.0f, -0.0f}, results[3];
  float_->ApplyUnaryOp(ZEL_OP_SQRT, values, 1, results);
  EXPECT_EQ(results[0], 2.0f);
  float_->ApplyUnaryOp(ZEL_OP_EXP, values + 1, 1, results);
  EXPECT_EQ(results[0], std::numeric_limits<float>::infinity());

  // The arc cosine fails at the first value outside its domain.
  double domain[3] = {0.5, 2, 0.3};
  double angles[3] = {-9, -9, -9};
  EXPECT_EQ(FailureOf([&] { real_->ApplyUnaryOp(ZEL_OP_ACOS, domain, 3, angles); }),
            "acos: waveform data out of function domain");
  EXPECT_DOUBLE_EQ(angles[0], std::acos(0.5));
  EXPECT_EQ(angles[1], -9);
  EXPECT_EQ(angles[2], -9);
  float nan = std::numeric_limits<float>::quiet_NaN(), out = 0;
  EXPECT_EQ(FailureOf([&] { float_->ApplyUnaryOp(ZEL_OP_ASIN, &nan, 1, &out); }),
            "asin: waveform data out of function domain");
}

TEST_F(TypeOperationsTest, IdentityAndConversionToReal) {
  int32_t integers[2] = {-3, 7};
  double reals[2];
  integer_->ApplyUnaryOp(ZEL_OP_REAL, integers, 2, reals);
  EXPECT_EQ(reals[0], -3);
  EXPECT_EQ(reals[1], 7);
  UniversalTime time(UniversalReal(1.5e-9));
  time_->ApplyUnaryOp(ZEL_OP_REAL, &time, 1, reals);
  EXPECT_DOUBLE_EQ(reals[0], 1.5e-9);

  // Identity duplicates strings into uninitialised slots.
  char* texts[2] = {const_cast<char*>("a"), nullptr};
  char* copies[2] = {reinterpret_cast<char*>(1), reinterpret_cast<char*>(1)};
  string_->ApplyUnaryOp(ZEL_OP_IDENTITY, texts, 2, copies);
  EXPECT_STREQ(copies[0], "a");
  EXPECT_NE(copies[0], texts[0]);
  EXPECT_EQ(copies[1], nullptr);
  std::free(copies[0]);
  string_->ApplyUnaryOp(ZEL_OP_IDENTITY, texts, 2, texts);  // in place: left as is
  EXPECT_STREQ(texts[0], "a");
  EXPECT_EQ(FailureOf([&] { integer_->ApplyUnaryOp(ZEL_OP_REAL, nullptr, 1, reals); }), "Null data buffer");
}

TEST_F(TypeOperationsTest, ComplexUnaryOperations) {
  auto real = [&](zel_operation_t op, DComplex z) {
    double y = -99;
    complex_->ApplyUnaryOp(op, &z, 1, &y);
    return y;
  };
  EXPECT_EQ(real(ZEL_OP_ABS, DComplex(3, 4)), 5);
  EXPECT_DOUBLE_EQ(real(ZEL_OP_DB20, DComplex(0, 0.1)), -20);
  EXPECT_EQ(real(ZEL_OP_IMAG, DComplex(3, 4)), 4);
  EXPECT_EQ(real(ZEL_OP_NOT, DComplex(0, 0)), 1);
  EXPECT_EQ(real(ZEL_OP_NOT, DComplex(0, 1)), 0);
  EXPECT_DOUBLE_EQ(real(ZEL_OP_PHASE_DEGREES, DComplex(0, 1)), 90);

  // The phase continues smoothly past π instead of jumping to -π, and back.
  DComplex path[4] = {DComplex(-1, 0.1), DComplex(-1, -0.1), DComplex(-1, 0.1), DComplex(0, -1)};
  double phase[4];
  complex_->ApplyUnaryOp(ZEL_OP_CONTINUOUS_PHASE, path, 4, phase);
  EXPECT_DOUBLE_EQ(phase[0], arg(path[0]));
  EXPECT_DOUBLE_EQ(phase[1], arg(path[1]) + 2 * kPi);
  EXPECT_DOUBLE_EQ(phase[2], arg(path[2]));
  EXPECT_DOUBLE_EQ(phase[3], -kPi / 2);
  complex_->ApplyUnaryOp(ZEL_OP_CONTINUOUS_PHASE_DEGREES, path, 2, phase);
  EXPECT_NEAR(phase[1], 180 + 5.710593137499643, 1e-9);
}

TEST_F(TypeOperationsTest, BinaryOperationsHaveTheirResultTypesAndMessages) {
  ZELI_Container* c = container_;
  EXPECT_EQ(float_->BinaryOpResultType_p(c, ZEL_OP_ADD, float_), float_);
  EXPECT_EQ(float_->BinaryOpResultType_p(c, ZEL_OP_ADD, real_), GeneratedReal());
  EXPECT_EQ(float_->BinaryOpResultType_p(c, ZEL_OP_ADD, complex_), GeneratedComplex());
  EXPECT_EQ(real_->BinaryOpResultType_p(c, ZEL_OP_POWER, real_), real_);
  EXPECT_EQ(complex_->BinaryOpResultType_p(c, ZEL_OP_DIVIDE, real_), complex_);
  EXPECT_EQ(complex_->BinaryOpResultType_p(c, ZEL_OP_EQUAL, complex_), GeneratedInteger());
  EXPECT_EQ(real_->BinaryOpResultType_p(c, ZEL_OP_LESS, float_), GeneratedInteger());
  EXPECT_EQ(float_->BinaryOpResultType_p(c, ZEL_OP_POLAR, real_), GeneratedComplex());
  EXPECT_EQ(real_->BinaryOpResultType_p(c, ZEL_OP_XY, string_), string_);
  EXPECT_EQ(string_->BinaryOpResultType_p(c, ZEL_OP_XY, time_), time_);

  // Complex with float, and comparisons of complex values, are not valid.
  EXPECT_FALSE(complex_->IsValidBinaryOp(ZEL_OP_ADD, float_));
  EXPECT_FALSE(complex_->IsValidBinaryOp(ZEL_OP_GREATER, complex_));
  EXPECT_EQ(FailureOf([&] { complex_->BinaryOpResultType_p(c, ZEL_OP_ADD, float_); }),
            "ZELI_ComplexType::BinaryOpResultType_p: unimplemented op");
  EXPECT_FALSE(real_->IsValidBinaryOp(ZEL_OP_GREATER, complex_));
  EXPECT_FALSE(real_->IsValidBinaryOp(ZEL_OP_ADD, integer_));
  EXPECT_FALSE(float_->IsValidBinaryOp(ZEL_OP_BINARY_34, float_));
  EXPECT_EQ(FailureOf([&] { float_->BinaryOpResultType_p(c, ZEL_OP_BINARY_46, float_); }),
            "Invalid operation on Float.");
  EXPECT_EQ(FailureOf([&] { real_->BinaryOpResultType_p(c, ZEL_OP_BINARY_50, real_); }), "Invalid operation on Real.");
  EXPECT_EQ(FailureOf([&] { real_->IsValidBinaryOp(ZEL_OP_EQUALITY_39, real_); }),
            "ZELI_RealType::IsValidBinaryOp: Unimplemented binary operation");
  EXPECT_EQ(FailureOf([&] { float_->IsValidBinaryOp(ZEL_OP_EQUALITY_38, real_); }),
            "ZELI_FloatType::IsValidBinaryOp: Unimplemented binary operation");
  double a = 1, b = 2, r = 0;
  EXPECT_EQ(FailureOf([&] { real_->ApplyBinaryOp(ZEL_OP_BINARY_34, real_, &a, &b, 1, &r); }),
            "ZELI_RealType::ApplyBinaryOp: unimplemented op");
  DComplex z;
  EXPECT_EQ(FailureOf([&] { complex_->ApplyBinaryOp(ZEL_OP_ADD, float_, &z, &a, 1, &z); }),
            "ZELI_ComplexType::ApplyBinaryOp: unimplemented op");

  EXPECT_FALSE(integer_->IsValidBinaryOp(ZEL_OP_ADD, integer_));
  EXPECT_TRUE(integer_->IsValidBinaryOp(ZEL_OP_XY, real_));
  EXPECT_EQ(FailureOf([&] { integer_->BinaryOpResultType_p(c, ZEL_OP_ADD, integer_); }),
            "The type does not have binary operations.");
}

TEST_F(TypeOperationsTest, BinaryOperationsComputeInDoubleOrComplexArithmetic) {
  float f[2] = {1.5f, 3e38f};
  DComplex z[2] = {DComplex(1, 2), DComplex(0, 1)};
  DComplex zr[2];
  float_->ApplyBinaryOp(ZEL_OP_ADD, complex_, f, z, 2, zr);
  EXPECT_EQ(zr[0], DComplex(2.5, 2));
  float fr[2];
  float_->ApplyBinaryOp(ZEL_OP_ADD, float_, f, f, 2, fr);
  EXPECT_EQ(fr[0], 3.0f);
  EXPECT_EQ(fr[1], std::numeric_limits<float>::infinity());  // beyond the float range

  // Comparisons with NaN give 0.
  double a[3] = {1, 1, 2}, b[3] = {kNaN, 1, 1};
  int32_t truth[3];
  for (zel_operation_t op : {ZEL_OP_GREATER, ZEL_OP_LESS, ZEL_OP_EQUAL, ZEL_OP_LESS_EQUAL}) {
    real_->ApplyBinaryOp(op, real_, a, b, 1, truth);
    EXPECT_EQ(truth[0], 0) << op;
  }
  real_->ApplyBinaryOp(ZEL_OP_GREATER_EQUAL, real_, a, b, 3, truth);
  EXPECT_EQ(truth[1], 1);
  EXPECT_EQ(truth[2], 1);
  DComplex same[2] = {DComplex(1, 2), DComplex(0, 2)};
  complex_->ApplyBinaryOp(ZEL_OP_EQUAL, complex_, z, same, 2, truth);
  EXPECT_EQ(truth[0], 1);
  EXPECT_EQ(truth[1], 0);

  double re[2] = {2, -8}, im[2] = {kPi / 2, 1.0 / 3};
  real_->ApplyBinaryOp(ZEL_OP_MAKE_COMPLEX, real_, re, im, 1, zr);
  EXPECT_EQ(zr[0], DComplex(2, kPi / 2));
  real_->ApplyBinaryOp(ZEL_OP_POLAR, real_, re, im, 1, zr);
  EXPECT_NEAR(zr[0].real(), 0, 1e-15);
  EXPECT_DOUBLE_EQ(zr[0].imag(), 2);
  double power[2];
  real_->ApplyBinaryOp(ZEL_OP_POWER, real_, re, re, 1, power);
  EXPECT_EQ(power[0], 4);
  complex_->ApplyBinaryOp(ZEL_OP_MULTIPLY, real_, z, re, 2, zr);
  EXPECT_EQ(zr[1], DComplex(0, -8));
  complex_->ApplyBinaryOp(ZEL_OP_POWER, complex_, z + 1, z + 1, 1, zr);  // i^i = e^(-π/2)
  EXPECT_DOUBLE_EQ(zr[0].real(), std::exp(-kPi / 2));

  // Pairing copies b, strings duplicated.
  char* texts[1] = {const_cast<char*>("x")};
  char* paired[1] = {nullptr};
  real_->ApplyBinaryOp(ZEL_OP_XY, string_, re, texts, 1, paired);
  EXPECT_STREQ(paired[0], "x");
  std::free(paired[0]);
}

TEST_F(TypeOperationsTest, NumbersTimesAndDiscreteValuesAreOrderedAndTellTheCloserNeighbour) {
  double a = 1, b = 2, nan = kNaN, t = 1.5;
  EXPECT_TRUE(real_->LessThan(&a, &b));
  EXPECT_FALSE(real_->LessThan(&b, &a));
  EXPECT_TRUE(real_->FirstIsCloser(&t, &a, &b));  // a tie goes to a
  t = 1.6;
  EXPECT_FALSE(real_->FirstIsCloser(&t, &a, &b));
  real_->Max(&a, &b);
  EXPECT_EQ(a, 2);
  real_->Min(&a, &nan);  // NaN never replaces
  EXPECT_EQ(a, 2);
  real_->Min(&nan, &a);
  EXPECT_TRUE(std::isnan(nan));

  int32_t i = -5, j = 7, k = 1;
  EXPECT_TRUE(integer_->LessThan(&i, &j));
  EXPECT_TRUE(integer_->FirstIsCloser(&k, &i, &j));  // 6 <= 6
  integer_->Max(&i, &j);
  EXPECT_EQ(i, 7);

  UniversalTime t1(UniversalReal(1e-9)), t2(UniversalReal(2e-9)), tm(UniversalReal(1.4e-9));
  EXPECT_TRUE(time_->LessThan(&t1, &t2));
  EXPECT_TRUE(time_->FirstIsCloser(&tm, &t1, &t2));
  time_->Max(&t1, &t2);
  EXPECT_EQ(t1, t2);

  ZELI_TimeType* legacy = LegacyTime();
  double d1 = 1, d2 = 3, dt = 2.5;
  EXPECT_TRUE(legacy->LessThan(&d1, &d2));
  EXPECT_FALSE(legacy->FirstIsCloser(&dt, &d1, &d2));

  // Discrete values are ordered by encoding, in their stored width.
  ZELI_CharacterType* character = Add(new ZELI_CharacterType("ch"));
  unsigned char low = 'a', high = 200;  // unsigned: 200 is above 'a'
  EXPECT_TRUE(character->LessThan(&low, &high));
  character->Min(&high, &low);
  EXPECT_EQ(high, 'a');

  const char* literals[] = {"m2", "m1", "z", "p1"};
  ZELI_EnumerationType* signedEnum = Add(new ZELI_EnumerationType("e", 4, literals, -2, 1, ZEL_RANGE_ASCENDING));
  int8_t minus = -2, plus = 1, zero = 0;
  EXPECT_TRUE(signedEnum->LessThan(&minus, &plus));
  EXPECT_FALSE(signedEnum->FirstIsCloser(&zero, &minus, &plus));
  signedEnum->Max(&minus, &plus);
  EXPECT_EQ(minus, 1);

  std::vector<const char*> many(300, "x");
  ZELI_EnumerationType* wide = Add(new ZELI_EnumerationType("w", 300, many.data(), 0, 299, ZEL_RANGE_ASCENDING));
  ASSERT_EQ(wide->Get_SizeOf(), 2u);
  uint16_t e1 = 5, e2 = 290;
  EXPECT_TRUE(wide->LessThan(&e1, &e2));
}

TEST_F(TypeOperationsTest, ComplexStringAndCompositeOrder) {
  DComplex a(1, 5), b(2, 3), c(2, 6);
  EXPECT_FALSE(complex_->LessThan(&a, &b));  // both parts must be less
  EXPECT_TRUE(complex_->LessThan(&a, &c));
  complex_->Min(&a, &b);
  EXPECT_EQ(a, DComplex(1, 3));
  complex_->Max(&a, &c);
  EXPECT_EQ(a, DComplex(2, 6));
  EXPECT_EQ(FailureOf([&] { complex_->FirstIsCloser(&a, &b, &c); }), "The type does not have FirstIsCloser operation.");

  char* s[4] = {const_cast<char*>("ab"), const_cast<char*>("abc"), const_cast<char*>("\xc3\xa9"), nullptr};
  EXPECT_TRUE(string_->LessThan(&s[0], &s[1]));  // a prefix sorts first
  EXPECT_TRUE(string_->LessThan(&s[1], &s[2]));  // bytes compare unsigned
  EXPECT_TRUE(string_->LessThan(&s[3], &s[0]));  // null is empty
  char* kept = ZELI_DuplicateText("zz");
  string_->Min(&kept, &s[0]);
  EXPECT_STREQ(kept, "ab");
  EXPECT_NE(kept, s[0]);
  std::free(kept);

  ZELI_Type* fields[1] = {integer_};
  const char* names[1] = {"x"};
  ZELI_RecordType* record = Add(new ZELI_RecordType("rec", 1, names, fields));
  ZELI_UnionType* choice = Add(new ZELI_UnionType("u", 1, names, fields));
  ZELI_ArrayType* array = Add(new ZELI_ArrayType("arr", integer_, {}));
  int32_t v = 0;
  EXPECT_EQ(FailureOf([&] { record->LessThan(&v, &v); }), "Unimplemented ZELI_RecordType::LessThan");
  EXPECT_EQ(FailureOf([&] { array->Max(&v, &v); }), "Unimplemented ZELI_ArrayType::Max");
  EXPECT_EQ(FailureOf([&] { choice->LessThan(&v, &v); }), "The type does not have LessThen operation.");
  EXPECT_EQ(FailureOf([&] { choice->Min(&v, &v); }), "The type does not have Min operation.");
  EXPECT_EQ(FailureOf([&] { record->FirstIsCloser(&v, &v, &v); }), "The type does not have FirstIsCloser operation.");
}

TEST_F(TypeOperationsTest, OperationCompatibility) {
  EXPECT_TRUE(integer_->IsOpCompatible(Add(new ZELI_IntegerType("other"))));
  EXPECT_FALSE(integer_->IsOpCompatible(real_));
  EXPECT_FALSE(integer_->IsOpCompatible(nullptr));
  ZELI_Type* fields[1] = {integer_};
  const char* names[1] = {"x"};
  ZELI_RecordType* record = Add(new ZELI_RecordType("rec", 1, names, fields));
  EXPECT_FALSE(record->IsOpCompatible(record));

  const char* colours[] = {"red", "green", "blue"};
  const char* others[] = {"red", "green", "cyan"};
  auto* e1 = Add(new ZELI_EnumerationType("e1", 3, colours, 0, 2, ZEL_RANGE_ASCENDING));
  auto* e2 = Add(new ZELI_EnumerationType("e2", 3, colours, 0, 2, ZEL_RANGE_ASCENDING));
  auto* renamed = Add(new ZELI_EnumerationType("e3", 3, others, 0, 2, ZEL_RANGE_ASCENDING));
  auto* shifted = Add(new ZELI_EnumerationType("e4", 3, colours, 1, 3, ZEL_RANGE_ASCENDING));
  ZELI_Type* sub = Add(ZELI_CreateDiscreteSubtype("sub", e2, 1, 2, ZEL_RANGE_ASCENDING));
  EXPECT_TRUE(e1->IsOpCompatible(e2));
  EXPECT_FALSE(e1->IsOpCompatible(renamed));
  EXPECT_FALSE(e1->IsOpCompatible(shifted));
  EXPECT_TRUE(e1->IsOpCompatible(sub));  // decided by the bases
  EXPECT_TRUE(sub->IsOpCompatible(e1));
  EXPECT_FALSE(e1->IsOpCompatible(integer_));
}

TEST(NumberConversionTest, DoublesSaturateIntoIntegersAndFloats) {
  EXPECT_EQ(ZELI_SaturatingCast<int32_t>(kNaN), 0);
  EXPECT_EQ(ZELI_SaturatingCast<int32_t>(kInf), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(ZELI_SaturatingCast<int32_t>(-kInf), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(ZELI_SaturatingCast<int32_t>(-3.9), -3);
  EXPECT_EQ(ZELI_SaturatingCast<int32_t>(2147483647.5), 2147483647);
  EXPECT_EQ(ZELI_SaturatingCast<long long>(1e300), std::numeric_limits<long long>::max());
  EXPECT_EQ(ZELI_SaturatingCast<uint8_t>(300.0), 255);
  EXPECT_EQ(ZELI_SaturatingCast<uint8_t>(-5.0), 0);
  EXPECT_EQ(ZELI_SaturatingCast<char>(65.7), 'A');
  EXPECT_EQ(ZELI_NarrowToFloat(-1e300), -std::numeric_limits<float>::infinity());
  EXPECT_TRUE(std::isnan(ZELI_NarrowToFloat(kNaN)));
}

}  // namespace
