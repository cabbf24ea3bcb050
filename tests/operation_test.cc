// Operations and their registry: which stored operation serves a request,
// which built-in operations the types allow and what they compute, how a
// caller's operation replaces a cached one (and what happens to the one
// replaced), callbacks that fail, and the exported registration functions.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "access/operation.h"
#include "access/operation_registry.h"
#include "model_test_support.h"
#include "type_operations_test_support.h"
#include "types/composite_types.h"
#include "types/dcomplex.h"
#include "types/typed_values.h"
#include "types/universal_types.h"

namespace {

using zeltest::FailureOf;

// What a callback saw, through its user data.
struct Calls {
  int count = 0;
  unsigned lastCount = 0;
  zel_status_t answer = ZEL_OK;
};

// result[i] = 2 * operand[i] on doubles.
zel_status_t Twice(void* userData, void* operand, unsigned count, void* result) {
  Calls* calls = static_cast<Calls*>(userData);
  ++calls->count;
  calls->lastCount = count;
  for (unsigned i = 0; i < count; ++i) static_cast<double*>(result)[i] = 2 * static_cast<double*>(operand)[i];
  return calls->answer;
}

// result[i] = -operand[i] on doubles.
zel_status_t Negated(void* userData, void* operand, unsigned count, void* result) {
  ++static_cast<Calls*>(userData)->count;
  for (unsigned i = 0; i < count; ++i) static_cast<double*>(result)[i] = -static_cast<double*>(operand)[i];
  return ZEL_OK;
}

// result[i] = a[i] * b[i] on doubles.
zel_status_t Product(void* userData, void* a, void* b, unsigned count, void* result) {
  Calls* calls = static_cast<Calls*>(userData);
  ++calls->count;
  for (unsigned i = 0; i < count; ++i) {
    static_cast<double*>(result)[i] = static_cast<double*>(a)[i] * static_cast<double*>(b)[i];
  }
  return calls->answer;
}

// Fills the first string slot of the result with a malloc'd text, then
// fails: the slots after it stay null.
zel_status_t FailsAfterOneText(void*, void*, void*, unsigned, void* result) {
  static_cast<char**>(result)[0] = strdup("partial");
  return ZEL_FAILED;
}

class OperationTest : public zeltest::TypeOperationsTest {
 protected:
  ZELI_OperationRegistry& Registry() { return ZELI_OperationRegistry::Of(*container_); }
  std::unique_ptr<ZELI_Operation> Callback(zel_operation_t operation, ZELI_Type* first, ZELI_Type* result,
                                           zel_unaryOperationCallback_t callback, Calls* calls) {
    return std::make_unique<ZELI_CallbackOperation>(operation, first, nullptr, result, callback, nullptr, calls);
  }
  std::unique_ptr<ZELI_Operation> BuiltIn(zel_operation_t operation, ZELI_Type* first, ZELI_Type* second,
                                          ZELI_Type* x, ZELI_Type* result) {
    return ZELI_Operation::CreateBuiltInOperation(operation, first, second, x, result, *container_);
  }
};

TEST_F(OperationTest, CompatibilityTakesOperandsByKindAndResultsOnlyForConversions) {
  ZELI_RealType* otherReal = Add(new ZELI_RealType("volts"));
  const ZELI_BuiltInOperation abs(ZEL_OP_ABS, real_, nullptr, nullptr, real_);
  EXPECT_TRUE(abs.IsCompatible(ZEL_OP_ABS, otherReal, nullptr, nullptr, nullptr));
  EXPECT_TRUE(abs.IsCompatible(ZEL_OP_ABS, real_, nullptr, nullptr, complex_));  // result not compared
  EXPECT_FALSE(abs.IsCompatible(ZEL_OP_NEGATE, real_, nullptr, nullptr, real_));
  EXPECT_FALSE(abs.IsCompatible(ZEL_OP_ABS, float_, nullptr, nullptr, real_));
  EXPECT_FALSE(abs.IsCompatible(ZEL_OP_ABS, real_, real_, nullptr, real_));  // one second type absent
  EXPECT_FALSE(abs.IsCompatible(ZEL_OP_ABS, nullptr, nullptr, nullptr, real_));

  const ZELI_BuiltInOperation add(ZEL_OP_ADD, real_, float_, nullptr, real_);
  EXPECT_TRUE(add.IsCompatible(ZEL_OP_ADD, otherReal, Add(new ZELI_FloatType("f2")), nullptr, nullptr));
  EXPECT_FALSE(add.IsCompatible(ZEL_OP_ADD, real_, real_, nullptr, nullptr));

  const ZELI_BuiltInOperation greater(ZEL_OP_GREATER, real_, real_, real_, integer_);
  EXPECT_TRUE(greater.IsCompatible(ZEL_OP_GREATER, real_, real_, otherReal, nullptr));
  EXPECT_FALSE(greater.IsCompatible(ZEL_OP_GREATER, real_, real_, float_, nullptr));
  EXPECT_FALSE(greater.IsCompatible(ZEL_OP_GREATER, real_, real_, nullptr, nullptr));

  const ZELI_BuiltInOperation convert(ZEL_OP_CONVERT_TYPE, real_, nullptr, nullptr, integer_);
  EXPECT_TRUE(convert.IsCompatible(ZEL_OP_CONVERT_TYPE, otherReal, nullptr, nullptr, Add(new ZELI_IntegerType("n"))));
  EXPECT_FALSE(convert.IsCompatible(ZEL_OP_CONVERT_TYPE, real_, nullptr, nullptr, float_));
  EXPECT_FALSE(convert.IsCompatible(ZEL_OP_CONVERT_TYPE, real_, nullptr, nullptr, nullptr));

  // A record is compatible with no other type, not even itself, yet the
  // operation made for it serves it (enumerations: TypeOperationsTest).
  const char* names[] = {"v"};
  ZELI_Type* fields[] = {real_};
  ZELI_RecordType* record = Add(new ZELI_RecordType("rec", 1, names, fields));
  ZELI_RecordType* sameRecord = Add(new ZELI_RecordType("rec", 1, names, fields));
  const ZELI_BuiltInOperation identity(ZEL_OP_IDENTITY, record, nullptr, nullptr, record);
  EXPECT_TRUE(identity.IsCompatible(ZEL_OP_IDENTITY, record, nullptr, nullptr, nullptr));
  EXPECT_FALSE(identity.IsCompatible(ZEL_OP_IDENTITY, sameRecord, nullptr, nullptr, nullptr));
}

TEST_F(OperationTest, BuiltInOperationsExistWhereTheTypesHaveThem) {
  // Unary: result types from the type.
  auto abs = BuiltIn(ZEL_OP_ABS, complex_, nullptr, nullptr, nullptr);
  ASSERT_NE(abs, nullptr);
  EXPECT_EQ(abs->Get_ResultType_p(), GeneratedReal());
  EXPECT_FALSE(abs->IsWaveformOperation());
  EXPECT_EQ(BuiltIn(ZEL_OP_SIN, integer_, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(BuiltIn(ZEL_OP_ABS, nullptr, nullptr, nullptr, real_), nullptr);
  // An X type has no part in an operation that needs none.
  auto negate = BuiltIn(ZEL_OP_NEGATE, real_, nullptr, real_, nullptr);
  ASSERT_NE(negate, nullptr);
  EXPECT_EQ(negate->Get_XType_p(), nullptr);

  // Binary: a second type is needed, and the first type must take it.
  auto add = BuiltIn(ZEL_OP_ADD, float_, real_, nullptr, nullptr);
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add->Get_ResultType_p(), GeneratedReal());
  EXPECT_EQ(add->Get_SecondType_p(), real_);
  EXPECT_EQ(BuiltIn(ZEL_OP_ADD, complex_, float_, nullptr, nullptr), nullptr);
  EXPECT_EQ(BuiltIn(ZEL_OP_ADD, real_, nullptr, nullptr, nullptr), nullptr);

  // Transforms and comparisons need an X type of kind real or float.
  EXPECT_EQ(BuiltIn(ZEL_OP_DERIVATIVE, real_, nullptr, integer_, nullptr), nullptr);
  EXPECT_EQ(BuiltIn(ZEL_OP_INTEGRAL, real_, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(BuiltIn(ZEL_OP_LESS, real_, real_, time_, nullptr), nullptr);
  auto integral = BuiltIn(ZEL_OP_INTEGRAL, real_, nullptr, float_, nullptr);
  ASSERT_NE(integral, nullptr);
  EXPECT_TRUE(integral->IsWaveformOperation());
  auto greater = BuiltIn(ZEL_OP_GREATER, real_, float_, real_, nullptr);
  ASSERT_NE(greater, nullptr);
  EXPECT_EQ(greater->Get_XType_p(), real_);
  EXPECT_EQ(greater->Get_ResultType_p(), GeneratedInteger());
  // The type's own refusal passes through.
  EXPECT_EQ(FailureOf([&] { BuiltIn(ZEL_OP_DERIVATIVE, complex_, nullptr, real_, nullptr); }),
            "Invalid operation on Complex.");

  // Conversions between the six kinds of the matrix; the result is the
  // target.
  EXPECT_EQ(BuiltIn(ZEL_OP_CONVERT_TYPE, string_, nullptr, nullptr, real_), nullptr);
  EXPECT_EQ(BuiltIn(ZEL_OP_CONVERT_TYPE, real_, nullptr, nullptr, nullptr), nullptr);
  auto convert = BuiltIn(ZEL_OP_CONVERT_TYPE, time_, nullptr, nullptr, float_);
  ASSERT_NE(convert, nullptr);
  EXPECT_EQ(convert->Get_ResultType_p(), float_);

  // Values outside 0 to 52.
  for (int value : {53, 1000}) {
    try {
      BuiltIn(static_cast<zel_operation_t>(value), real_, real_, real_, real_);
      ADD_FAILURE() << value << " made an operation";
    } catch (const ZELI_FailedException& e) {
      EXPECT_STREQ(e.what(), "ZELI_Operation::CreateBuiltInOperation implementation");
    }
  }
}

// One operation of each kind: the built-in ones hand the values to the
// types (whose arithmetic type_operations_test checks value by value) and to
// the conversion matrix.
TEST_F(OperationTest, BuiltInOperationsComputeWhatTheTypesCompute) {
  DComplex z(3, 4);
  double out[2] = {};
  BuiltIn(ZEL_OP_ABS, complex_, nullptr, nullptr, nullptr)->ApplyUnaryOperation(&z, 1, out);
  EXPECT_DOUBLE_EQ(out[0], 5);
  double reals[] = {0.1, -3};
  float floats[] = {1.5f, 2};
  BuiltIn(ZEL_OP_ADD, float_, real_, nullptr, nullptr)->ApplyBinaryOperation(floats, reals, 2, out);
  EXPECT_DOUBLE_EQ(out[0], 1.6);
  EXPECT_DOUBLE_EQ(out[1], -1);

  // Conversions by the kinds of the operand and the target.
  const int wide[] = {0x1234, -1};
  unsigned char chars[2] = {};
  BuiltIn(ZEL_OP_CONVERT_TYPE, integer_, nullptr, nullptr, Add(new ZELI_CharacterType("ch")))
      ->ApplyConvertTypeOperation(const_cast<int*>(wide), 2, chars);
  EXPECT_EQ(chars[0], 0x34);
  EXPECT_EQ(chars[1], 0xFF);
  UniversalTime times[] = {UniversalTime(UniversalReal(2.5)), UniversalTime(UniversalReal(-1e-3))};
  float seconds[2] = {};
  BuiltIn(ZEL_OP_CONVERT_TYPE, time_, nullptr, nullptr, float_)->ApplyConvertTypeOperation(times, 2, seconds);
  EXPECT_FLOAT_EQ(seconds[0], 2.5f);
  EXPECT_FLOAT_EQ(seconds[1], -1e-3f);
}

TEST_F(OperationTest, LookupsKeepBuiltInOperationsForTheTypesTheyWereMadeForAndFindNothingTheTypesLack) {
  ZELI_OperationRegistry& registry = Registry();
  EXPECT_EQ(container_->Get_Operations_p(), &registry);
  const ZELI_Operation* abs = registry.FindOperation(ZEL_OP_ABS, real_, nullptr, nullptr, nullptr);
  ASSERT_NE(abs, nullptr);
  EXPECT_EQ(registry.FindOperation(ZEL_OP_ABS, real_, nullptr, nullptr, nullptr), abs);
  // An X type given anyway finds the same operation.
  EXPECT_EQ(registry.FindOperation(ZEL_OP_ABS, real_, nullptr, float_, nullptr), abs);
  ASSERT_EQ(registry.Get_Operations().size(), 1u);

  EXPECT_EQ(registry.FindOperation(ZEL_OP_DERIVATIVE, real_, nullptr, integer_, nullptr), nullptr);
  EXPECT_EQ(registry.FindOperation(ZEL_OP_CONVERT_TYPE, complex_, nullptr, nullptr, string_), nullptr);
  EXPECT_EQ(registry.FindOperation(ZEL_OP_ADD, real_, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(registry.Get_Operations().size(), 1u);
  const ZELI_Operation* convert = registry.FindOperation(ZEL_OP_CONVERT_TYPE, time_, nullptr, nullptr, float_);
  ASSERT_NE(convert, nullptr);
  EXPECT_EQ(registry.Get_Operations().size(), 2u);
  const ZELI_Operation* toReal = registry.FindOperation(ZEL_OP_CONVERT_TYPE, time_, nullptr, nullptr, real_);
  ASSERT_EQ(registry.Get_Operations().size(), 3u);  // another target, another operation
  EXPECT_EQ(toReal, registry.Get_Operations()[2].get());
  EXPECT_EQ(registry.Get_Generation(), 0u);

  // The types refuse operation 38 outright; a caller's operation for it is
  // found before the refusal.
  EXPECT_EQ(FailureOf([&] { registry.FindOperation(ZEL_OP_EQUALITY_38, real_, real_, nullptr, nullptr); }),
            "ZELI_RealType::IsValidBinaryOp: Unimplemented binary operation");
  Calls calls;
  registry.RegisterOperation(std::make_unique<ZELI_CallbackOperation>(ZEL_OP_EQUALITY_38, real_, real_, integer_,
                                                                      nullptr, Product, &calls));
  EXPECT_EQ(registry.FindOperation(ZEL_OP_EQUALITY_38, real_, real_, nullptr, nullptr),
            registry.Get_Operations().back().get());

  // A time type held as doubles and one held as UniversalTime are
  // compatible, but a conversion made for one reads the other's values
  // wrongly (or beyond the array).
  ZELI_TimeType* legacy = LegacyTime();
  const ZELI_Operation* fromLegacy = registry.FindOperation(ZEL_OP_CONVERT_TYPE, legacy, nullptr, nullptr, real_);
  const ZELI_Operation* fromTime = registry.FindOperation(ZEL_OP_CONVERT_TYPE, time_, nullptr, nullptr, real_);
  ASSERT_NE(fromLegacy, nullptr);
  ASSERT_NE(fromTime, nullptr);
  EXPECT_NE(fromLegacy, fromTime);
  UniversalTime time(UniversalReal(4.25));
  double seconds = 0;
  fromTime->ApplyConvertTypeOperation(&time, 1, &seconds);
  EXPECT_DOUBLE_EQ(seconds, 4.25);
  double legacySeconds = 1.5;
  fromLegacy->ApplyConvertTypeOperation(&legacySeconds, 1, &seconds);
  EXPECT_DOUBLE_EQ(seconds, 1.5);

  // Array types of different lengths: each identity copies its own size
  // into a result of its own type.
  ZELI_ArrayType* pair = Add(new ZELI_ArrayType("pair", integer_, {ZELI_Range(integer_, 0, 1, 1)}));
  ZELI_ArrayType* quad = Add(new ZELI_ArrayType("quad", integer_, {ZELI_Range(integer_, 0, 3, 1)}));
  const ZELI_Operation* pairIdentity = registry.FindOperation(ZEL_OP_IDENTITY, pair, nullptr, nullptr, nullptr);
  const ZELI_Operation* quadIdentity = registry.FindOperation(ZEL_OP_IDENTITY, quad, nullptr, nullptr, nullptr);
  ASSERT_NE(quadIdentity, nullptr);
  EXPECT_EQ(pairIdentity->Get_ResultType_p(), pair);
  EXPECT_EQ(quadIdentity->Get_ResultType_p(), quad);
  const std::vector<int> four = {1, 2, 3, 4};
  std::vector<int> copy(4);
  quadIdentity->ApplyUnaryOperation(const_cast<int*>(four.data()), 1, copy.data());
  EXPECT_EQ(copy, four);
}

TEST_F(OperationTest, RegisteringReplacesTheCompatibleOperationInPlaceAndKeepsTheReplacedOneAlive) {
  ZELI_OperationRegistry& registry = Registry();
  const ZELI_Operation* builtIn = registry.FindOperation(ZEL_OP_NEGATE, real_, nullptr, nullptr, nullptr);
  registry.FindOperation(ZEL_OP_ABS, real_, nullptr, nullptr, nullptr);
  ASSERT_NE(builtIn, nullptr);

  // Registered for another real type: still compatible, so it takes the
  // built-in's place.
  Calls calls;
  ZELI_RealType* volts = Add(new ZELI_RealType("volts"));
  registry.RegisterOperation(Callback(ZEL_OP_NEGATE, volts, volts, Twice, &calls));
  ASSERT_EQ(registry.Get_Operations().size(), 2u);
  EXPECT_EQ(registry.Get_Generation(), 1u);
  const ZELI_Operation* found = registry.FindOperation(ZEL_OP_NEGATE, real_, nullptr, nullptr, nullptr);
  EXPECT_EQ(found, registry.Get_Operations()[0].get());
  EXPECT_NE(found, builtIn);
  double values[] = {1, -2};
  double out[2] = {};
  found->ApplyUnaryOperation(values, 2, out);
  EXPECT_EQ(calls.count, 1);
  EXPECT_EQ(calls.lastCount, 2u);
  EXPECT_EQ(out[1], -4);

  // The replaced operation was handed out: it still works (under ASan a
  // freed one would fail here).
  builtIn->ApplyUnaryOperation(values, 2, out);
  EXPECT_EQ(out[0], -1);
  EXPECT_EQ(out[1], 2);

  // A second registration of the same operation takes the first one's place.
  Calls first, second;
  registry.RegisterOperation(Callback(ZEL_OP_SQRT, real_, real_, Twice, &first));
  EXPECT_EQ(registry.Get_Generation(), 1u);  // appended, nothing replaced
  registry.FindOperation(ZEL_OP_EXP, real_, nullptr, nullptr, nullptr);
  registry.RegisterOperation(Callback(ZEL_OP_SQRT, real_, real_, Negated, &second));
  EXPECT_EQ(registry.Get_Generation(), 2u);
  const auto& operations = registry.Get_Operations();
  ASSERT_EQ(operations.size(), 4u);
  EXPECT_EQ(operations[2]->Get_Operation(), ZEL_OP_SQRT);
  EXPECT_EQ(operations[3]->Get_Operation(), ZEL_OP_EXP);
  values[0] = 3;
  registry.FindOperation(ZEL_OP_SQRT, real_, nullptr, nullptr, nullptr)->ApplyUnaryOperation(values, 1, out);
  EXPECT_EQ(out[0], -3);
  EXPECT_EQ(first.count, 0);
  EXPECT_EQ(second.count, 1);

  // A conversion is told apart by its target: another target appends.
  registry.RegisterOperation(std::make_unique<ZELI_CallbackOperation>(ZEL_OP_CONVERT_TYPE, real_, nullptr, integer_,
                                                                      Twice, nullptr, &first));
  registry.RegisterOperation(std::make_unique<ZELI_CallbackOperation>(ZEL_OP_CONVERT_TYPE, real_, nullptr, float_,
                                                                      Twice, nullptr, &first));
  EXPECT_EQ(operations.size(), 6u);
  EXPECT_EQ(registry.Get_Generation(), 2u);
}

TEST_F(OperationTest, CallbacksAreCalledOnlyWithValuesOfTheirOwnArityAndFailuresFreeNothing) {
  Calls calls;
  double value = 1, out = 0;
  const ZELI_CallbackOperation unary(ZEL_OP_SQRT, real_, nullptr, real_, Twice, nullptr, &calls);
  unary.ApplyUnaryOperation(nullptr, 0, nullptr);  // nothing to compute: not called
  EXPECT_EQ(calls.count, 0);
  EXPECT_EQ(FailureOf([&] { unary.ApplyUnaryOperation(&value, 1, nullptr); }), "Null data buffer");
  EXPECT_EQ(FailureOf([&] { unary.ApplyBinaryOperation(&value, &value, 1, &out); }),
            "ZELI_CallbackOperation::ApplyBinaryOperation: no binary callback");
  const ZELI_CallbackOperation product(ZEL_OP_MULTIPLY, real_, real_, real_, nullptr, Product, &calls);
  EXPECT_EQ(FailureOf([&] { product.ApplyUnaryOperation(&value, 1, &out); }),
            "ZELI_CallbackOperation::ApplyUnaryOperation: no unary callback");
  EXPECT_EQ(FailureOf([&] { product.ApplyConvertTypeOperation(&value, 1, &out); }),
            "ZELI_CallbackOperation::ApplyConvertTypeOperation: no unary callback");
  EXPECT_EQ(calls.count, 0);

  // A callback's failure fails the operation.
  calls.answer = ZEL_FAILED;
  double values[] = {1, 2};
  double results[2] = {};
  EXPECT_EQ(FailureOf([&] { unary.ApplyUnaryOperation(values, 2, results); }), "User operation failed");
  EXPECT_EQ(results[1], 4);  // left as the callback left it
  const ZELI_CallbackOperation convert(ZEL_OP_CONVERT_TYPE, real_, nullptr, real_, Twice, nullptr, &calls);
  EXPECT_EQ(FailureOf([&] { convert.ApplyConvertTypeOperation(values, 2, results); }), "User operation failed");
  EXPECT_EQ(FailureOf([&] { product.ApplyBinaryOperation(values, values, 2, results); }), "User operation failed");
  EXPECT_EQ(calls.count, 3);
  EXPECT_THROW(product.ApplyBinaryOperation(values, values, 2, results), ZELI_FailedException);

  // A string result filled in part: the allocator's FreeData releases the
  // one text and the null slots; the operation itself frees nothing (ASan
  // reports a double free or a leak otherwise).
  const ZELI_CallbackOperation texts(ZEL_OP_ADD, string_, string_, string_, nullptr, FailsAfterOneText, nullptr);
  const char* operands[] = {"x", "y", "z"};
  ZELI_TypedValues result(string_, 3);
  EXPECT_EQ(FailureOf([&] { texts.ApplyBinaryOperation(operands, operands, 3, result.Get()); }),
            "User operation failed");
  EXPECT_STREQ(static_cast<char**>(result.Get())[0], "partial");
  EXPECT_EQ(static_cast<char**>(result.Get())[2], nullptr);
}

class OperationApiTest : public zeltest::ModelTest {
 protected:
  ZELI_Container* ObjectOfContainer(zel_container_t c) { return zeltest::ObjectOf(session_, c); }
  ZELI_OperationRegistry& RegistryOf(zel_container_t c) { return ZELI_OperationRegistry::Of(*ObjectOfContainer(c)); }
  zel_type_t Builtin(zel_container_t c, const char* name, zel_dataType_t dataType) {
    return Check(ZEL_CreateBuiltinType(session_, c, name, dataType, &status_));
  }
};

TEST_F(OperationApiTest, RegistrationsStoreWhatTheyAreGivenWithTheTypesOfTheTargetContainer) {
  zel_container_t target = CreateMemory();
  zel_container_t source = CreateMemory();
  zel_type_t real = Builtin(target, "r", ZEL_REAL);
  zel_type_t volts = Builtin(source, "volts", ZEL_REAL);
  ZELI_Type* realObject = zeltest::ObjectOf(session_, real);
  ZELI_Container* targetObject = ObjectOfContainer(target);
  const size_t typesBefore = targetObject->Get_TypeTable().Get_Types().size();

  Calls calls;
  ZEL_RegisterUnaryOperation(session_, target, ZEL_OP_ABS, volts, real, Twice, &calls, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  // The type of the other container was copied in; the target's own type
  // is used as it is.
  const auto& types = targetObject->Get_TypeTable().Get_Types();
  ASSERT_EQ(types.size(), typesBefore + 1);
  const ZELI_Type* copied = types.back();
  EXPECT_STREQ(copied->Get_Name().c_str(), "volts");
  ZELI_OperationRegistry& registry = RegistryOf(target);
  const auto& operations = registry.Get_Operations();
  ASSERT_EQ(operations.size(), 1u);
  const ZELI_Operation& stored = *operations[0];
  EXPECT_EQ(stored.Get_FirstType_p(), copied);
  EXPECT_EQ(stored.Get_ResultType_p(), realObject);

  // The next lookup for a real type finds the callback, which gets its user
  // data back.
  const ZELI_Operation* found = registry.FindOperation(ZEL_OP_ABS, realObject, nullptr, nullptr, nullptr);
  ASSERT_EQ(found, &stored);
  double value = -1.5, out = 0;
  found->ApplyUnaryOperation(&value, 1, &out);
  EXPECT_EQ(calls.count, 1);
  EXPECT_EQ(out, -3);

  // Registering again with the source's type finds the copy made before.
  ZEL_RegisterUnaryOperation(session_, target, ZEL_OP_ABS, volts, real, Negated, &calls, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(types.size(), typesBefore + 1);
  EXPECT_EQ(operations.size(), 1u);
  EXPECT_EQ(registry.Get_Generation(), 1u);

  // The operation value is stored as given, whatever its class.
  zel_type_t integer = Builtin(target, "i", ZEL_INTEGER);
  ZEL_RegisterBinaryOperation(session_, target, ZEL_OP_NEGATE, real, integer, real, Product, &calls, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_RegisterConvertTypeOperation(session_, target, real, integer, Twice, &calls, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ASSERT_EQ(operations.size(), 3u);
  EXPECT_EQ(operations[1]->Get_Operation(), ZEL_OP_NEGATE);
  EXPECT_EQ(operations[2]->Get_Operation(), ZEL_OP_CONVERT_TYPE);
  EXPECT_EQ(operations[2]->Get_ResultType_p(), zeltest::ObjectOf(session_, integer));

  // A unary lookup of that value does not find the binary registration.
  const ZELI_Operation* negate = registry.FindOperation(ZEL_OP_NEGATE, realObject, nullptr, nullptr, nullptr);
  ASSERT_NE(negate, nullptr);
  EXPECT_NE(negate, operations[1].get());
  double a = 3, b = 4;
  operations[1]->ApplyBinaryOperation(&a, &b, 1, &out);
  EXPECT_EQ(out, 12);
}

TEST_F(OperationApiTest, BadHandlesAndNullCallbacksRegisterNothing) {
  zel_container_t c = CreateMemory();
  zel_container_t other = CreateMemory();
  zel_type_t real = Builtin(c, "r", ZEL_REAL);
  zel_type_t foreign = Builtin(other, "f", ZEL_REAL);
  ZELI_Container* object = ObjectOfContainer(c);
  const size_t typesBefore = object->Get_TypeTable().Get_Types().size();

  ZEL_RegisterUnaryOperation(session_, c, ZEL_OP_ABS, foreign, real, nullptr, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_RegisterUnaryOperation: The callback is null.");
  ZEL_RegisterBinaryOperation(session_, c, ZEL_OP_ADD, real, foreign, real, nullptr, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_RegisterBinaryOperation: The callback is null.");
  ZEL_RegisterConvertTypeOperation(session_, c, foreign, real, nullptr, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_RegisterConvertTypeOperation: The callback is null.");
  // The foreign type was not copied for a registration that failed.
  EXPECT_EQ(object->Get_TypeTable().Get_Types().size(), typesBefore);

  ZEL_RegisterUnaryOperation(session_, ZEL_NullContainer, ZEL_OP_ABS, real, real, Twice, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_HANDLE, "ZEL_RegisterUnaryOperation: Bad handle: wrong handle (deleted?)");
  ZEL_RegisterBinaryOperation(session_, c, ZEL_OP_ADD, real, ZEL_NullType, real, Product, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_HANDLE, "ZEL_RegisterBinaryOperation: Bad handle: wrong handle (deleted?)");
  // A container handle where a type handle belongs.
  ZEL_RegisterConvertTypeOperation(session_, c, real, zel_type_t{c.key}, Twice, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_HANDLE, "ZEL_RegisterConvertTypeOperation: Bad handle: wrong type (reused?)");
  ZEL_RegisterUnaryOperation(ZEL_NullSession, c, ZEL_OP_ABS, real, real, Twice, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  // A type of a closed container.
  ZEL_CloseContainer(session_, other, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_RegisterUnaryOperation(session_, c, ZEL_OP_ABS, foreign, real, Twice, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);

  EXPECT_EQ(object->Get_Operations_p(), nullptr);  // no registry was even made
}

}  // namespace
