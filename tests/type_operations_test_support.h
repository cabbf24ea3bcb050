// Fixture of the type operation tests: a container with one builtin type of
// each scalar kind, its generated types, a legacy time type, and the message
// of a failing call.
#ifndef ZEL_TESTS_TYPE_OPERATIONS_TEST_SUPPORT_H
#define ZEL_TESTS_TYPE_OPERATIONS_TEST_SUPPORT_H

#include <string>

#include "errors/exceptions.h"
#include "model/container.h"
#include "test_support.h"
#include "types/discrete_types.h"
#include "types/scalar_types.h"

namespace zeltest {

// The message of the library exception body throws, or "(no failure)".
template <typename Body>
std::string FailureOf(Body body) {
  try {
    body();
  } catch (const ZELI_Exception& e) {
    return e.what();
  }
  return "(no failure)";
}

class TypeOperationsTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    AddTestContainer(session_, &container_);
    float_ = Add(new ZELI_FloatType("f"));
    real_ = Add(new ZELI_RealType("r"));
    complex_ = Add(new ZELI_ComplexType("c"));
    integer_ = Add(new ZELI_IntegerType("i"));
    time_ = Add(new ZELI_TimeType("t"));
    string_ = Add(new ZELI_StringType("s"));
  }

  // Adds a type to the container, which owns it from then on.
  template <typename T>
  T* Add(T* type) {
    container_->Get_TypeTable().Add_Type(type);
    return type;
  }
  ZELI_Type* GeneratedInteger() { return container_->Get_TypeTable().Get_GeneratedIntegerType_p(); }
  ZELI_Type* GeneratedReal() { return container_->Get_TypeTable().Get_GeneratedRealType_p(); }
  ZELI_Type* GeneratedComplex() { return container_->Get_TypeTable().Get_GeneratedComplexType_p(); }
  // A time type as read from an old container: its values are doubles.
  ZELI_TimeType* LegacyTime() {
    ZELI_TypeRecord record;
    record.dataType = ZEL_TIME;
    record.name = ZELI_String("old");
    record.sizeOf = 8;
    record.version = 7;
    return Add(ZELI_TimeType::ReadRecord(record));
  }

  ZELI_Container* container_ = nullptr;
  ZELI_FloatType* float_ = nullptr;
  ZELI_RealType* real_ = nullptr;
  ZELI_ComplexType* complex_ = nullptr;
  ZELI_IntegerType* integer_ = nullptr;
  ZELI_TimeType* time_ = nullptr;
  ZELI_StringType* string_ = nullptr;
};

}  // namespace zeltest

#endif  // ZEL_TESTS_TYPE_OPERATIONS_TEST_SUPPORT_H
