// Exported functions of operation registration: a caller's unary, binary
// or convert-type operation, kept in the container's registry of
// operations for the operand types given.
#include <memory>

#include "access/operation_registry.h"
#include "interface/call.h"

namespace {

// A type of any open container of the session, as a type of target: a type
// of target itself as it is, one of another container found or copied
// (FindOrCopyType).
ZELI_Type* TypeIn(const ZELC_Arg<ZELI_Container>& target, const ZELC_Arg<ZELI_Type>& type) {
  if (type.wrapper != nullptr && type.wrapper->Get_Object_p() == target.object) return type.object;
  return target->Get_TypeTable().FindOrCopyType(*type, nullptr);
}

// Function pointers do not convert to the data pointer ZELI_RequireArgument
// takes.
template <typename Callback>
void RequireCallback(Callback callback) {
  if (callback == nullptr) ZELI_ThrowNullArgument("The callback is null.");
}

}  // namespace

ZEL_EXPORT void ZEL_RegisterUnaryOperation(zel_session_t session, zel_container_t container, zel_operation_t operation,
                                           zel_type_t operandType, zel_type_t resultType,
                                           zel_unaryOperationCallback_t callback, void* userData,
                                           zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    const auto operand = ZELC_Resolve(s, operandType);
    const auto result = ZELC_Resolve(s, resultType);
    RequireCallback(callback);
    ZELI_Type* first = TypeIn(c, operand);
    ZELI_Type* resultIn = TypeIn(c, result);
    ZELI_OperationRegistry::Of(*c).RegisterOperation(std::make_unique<ZELI_CallbackOperation>(
        operation, first, nullptr, resultIn, callback, nullptr, userData));
  });
}

ZEL_EXPORT void ZEL_RegisterBinaryOperation(zel_session_t session, zel_container_t container,
                                            zel_operation_t operation, zel_type_t firstType, zel_type_t secondType,
                                            zel_type_t resultType, zel_binaryOperationCallback_t callback,
                                            void* userData, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    const auto a = ZELC_Resolve(s, firstType);
    const auto b = ZELC_Resolve(s, secondType);
    const auto result = ZELC_Resolve(s, resultType);
    RequireCallback(callback);
    ZELI_Type* first = TypeIn(c, a);
    ZELI_Type* second = TypeIn(c, b);
    ZELI_Type* resultIn = TypeIn(c, result);
    ZELI_OperationRegistry::Of(*c).RegisterOperation(std::make_unique<ZELI_CallbackOperation>(
        operation, first, second, resultIn, nullptr, callback, userData));
  });
}

ZEL_EXPORT void ZEL_RegisterConvertTypeOperation(zel_session_t session, zel_container_t container,
                                                 zel_type_t sourceType, zel_type_t targetType,
                                                 zel_unaryOperationCallback_t callback, void* userData,
                                                 zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    const auto source = ZELC_Resolve(s, sourceType);
    const auto target = ZELC_Resolve(s, targetType);
    RequireCallback(callback);
    ZELI_Type* first = TypeIn(c, source);
    ZELI_Type* resultIn = TypeIn(c, target);
    ZELI_OperationRegistry::Of(*c).RegisterOperation(std::make_unique<ZELI_CallbackOperation>(
        ZEL_OP_CONVERT_TYPE, first, nullptr, resultIn, callback, nullptr, userData));
  });
}
