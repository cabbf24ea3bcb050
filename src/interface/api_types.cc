// Exported functions of the type model and scalar types: creating builtin
// types, finding, copying and comparing types, their properties and ranges,
// value equality and packing, and the type predicates.
#include <memory>

#include "interface/api_type_support.h"
#include "store/container.h"
#include "types/discrete_types.h"
#include "types/scalar_types.h"

namespace {

ZELI_Type* NewBuiltinType(const char* name, zel_dataType_t dataType) {
  switch (dataType) {
    case ZEL_CHARACTER: return new ZELI_CharacterType(name);
    case ZEL_STRING: return new ZELI_StringType(name);
    case ZEL_INTEGER: return new ZELI_IntegerType(name);
    case ZEL_REAL: return new ZELI_RealType(name);
    case ZEL_COMPLEX: return new ZELI_ComplexType(name);
    case ZEL_TIME: return new ZELI_TimeType(name);
    case ZEL_FLOAT: return new ZELI_FloatType(name);
    default: break;
  }
  throw ZELI_BadArgException("Not a builtin datatype.");
}

// Runs body(type) in the call frame for a function of one type handle.
template <typename Result, typename Body>
Result WithType(const char* function, zel_session_t session, zel_type_t type, zel_status_t* status,
                Result failure, Body&& body) noexcept {
  return ZELC_Call(function, status, failure, [&](ZELC_Interface& zel) -> Result {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    return body(s, s->Object(type));
  });
}

}  // namespace

ZEL_EXPORT zel_type_t ZEL_CreateBuiltinType(zel_session_t session, zel_container_t container, const char* name,
                                            zel_dataType_t dataType, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELC_Container* wrapper = s->Convert(container);
    ZELI_Type* type = NewBuiltinType(name, dataType);
    wrapper->Get_Object_p()->Get_TypeTable().Add_Type(type);
    return ZELC_TypeHandle(wrapper, type);
  });
}

ZEL_EXPORT zel_type_t* ZEL_FindTypes(zel_session_t session, zel_container_t container, const char* name,
                                     unsigned* count, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<zel_type_t*>(nullptr), [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELC_Container* wrapper = s->Convert(container);
    ZELI_RequireArgument(count, "count is null");
    return ZELC_TypeHandleArray(wrapper, wrapper->Get_Object_p()->Get_TypeTable().FindTypes(name), count);
  });
}

ZEL_EXPORT zel_type_t* ZEL_GetAllTypes(zel_session_t session, zel_container_t container, unsigned* count,
                                       zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<zel_type_t*>(nullptr), [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELC_Container* wrapper = s->Convert(container);
    ZELI_RequireArgument(count, "count is null");
    return ZELC_TypeHandleArray(wrapper, wrapper->Get_Object_p()->Get_TypeTable().FindAllTypes(), count);
  });
}

ZEL_EXPORT zel_type_t ZEL_FindTypeByType(zel_session_t session, zel_container_t container, zel_type_t type,
                                         zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELC_Container* wrapper = s->Convert(container);
    ZELI_Type* found = wrapper->Get_Object_p()->Get_TypeTable().FindTypeByType(*s->Object(type));
    if (found == nullptr) throw ZELI_NotFoundException("Type not found");
    return ZELC_TypeHandle(wrapper, found);
  });
}

ZEL_EXPORT zel_type_t ZEL_CopyType(zel_session_t session, zel_container_t container, zel_type_t type,
                                   zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELC_Container* wrapper = s->Convert(container);
    ZELI_Type* copy = wrapper->Get_Object_p()->Get_TypeTable().CopyType(*s->Object(type));
    return ZELC_TypeHandle(wrapper, copy);
  });
}

ZEL_EXPORT zel_type_t ZEL_FindOrCopyType(zel_session_t session, zel_container_t container, zel_type_t type,
                                         zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELC_Container* wrapper = s->Convert(container);
    ZELI_Type* result = wrapper->Get_Object_p()->Get_TypeTable().FindOrCopyType(*s->Object(type), nullptr);
    return ZELC_TypeHandle(wrapper, result);
  });
}

ZEL_EXPORT zel_bool_t ZEL_AreEqualTypes(zel_session_t session, zel_type_t a, zel_type_t b,
                                        zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, zel_bool_t{0}, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELI_Type* first = s->Object(a);
    return zel_bool_t{*first == *s->Object(b) ? zel_bool_t{1} : zel_bool_t{0}};
  });
}

ZEL_EXPORT const char* ZEL_GetTypeName(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return WithType(__func__, session, type, status, static_cast<const char*>(nullptr),
                  [](ZELC_Session*, ZELI_Type* t) { return t->Get_Name().c_str(); });
}

ZEL_EXPORT zel_dataType_t ZEL_GetDataType(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return WithType(__func__, session, type, status, ZEL_CHARACTER,
                  [](ZELC_Session*, ZELI_Type* t) { return t->Get_DataType(); });
}

ZEL_EXPORT unsigned ZEL_GetSizeOfType(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return WithType(__func__, session, type, status, 0u, [](ZELC_Session*, ZELI_Type* t) { return t->Get_SizeOf(); });
}

ZEL_EXPORT unsigned ZEL_GetPackedSizeOfType(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return WithType(__func__, session, type, status, 0u,
                  [](ZELC_Session*, ZELI_Type* t) { return t->Get_PackedSizeOf(); });
}

ZEL_EXPORT zel_type_t ZEL_GetBaseType(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return WithType(__func__, session, type, status, ZEL_NullType, [&](ZELC_Session* s, ZELI_Type* t) {
    return ZELC_TypeHandle(ZELC_TypeContainer(s, type), t->Get_BaseType_p());
  });
}

ZEL_EXPORT unsigned ZEL_GetScalarCount(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return WithType(__func__, session, type, status, 0u,
                  [](ZELC_Session*, ZELI_Type* t) { return t->ScalarCount(); });
}

ZEL_EXPORT void ZEL_GetTypeMinMax(zel_session_t session, zel_type_t type, int* min, int* max,
                                  zel_status_t* status) noexcept {
  WithType(__func__, session, type, status, 0, [&](ZELC_Session*, ZELI_Type* t) {
    const ZELI_Range& range = t->Get_Range();
    ZELI_RequireArgument(min, "min is null");
    ZELI_RequireArgument(max, "max is null");
    *min = range.Get_Min();
    *max = range.Get_Max();
    return 0;
  });
}

ZEL_EXPORT int ZEL_GetTypeLeftLimit(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return WithType(__func__, session, type, status, 0,
                  [](ZELC_Session*, ZELI_Type* t) { return t->Get_Range().Get_Left(); });
}

ZEL_EXPORT int ZEL_GetTypeRightLimit(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return WithType(__func__, session, type, status, 0,
                  [](ZELC_Session*, ZELI_Type* t) { return t->Get_Range().Get_Right(); });
}

ZEL_EXPORT zel_rangeDirection_t ZEL_GetTypeDirection(zel_session_t session, zel_type_t type,
                                                     zel_status_t* status) noexcept {
  return WithType(__func__, session, type, status, ZEL_RANGE_ASCENDING,
                  [](ZELC_Session*, ZELI_Type* t) { return t->Get_Range().Get_DirectionValue(); });
}

ZEL_EXPORT void ZEL_GetTypeRange(zel_session_t session, zel_type_t type, zel_range_t* range,
                                 zel_status_t* status) noexcept {
  WithType(__func__, session, type, status, 0, [&](ZELC_Session* s, ZELI_Type* t) {
    const ZELI_Range& own = t->Get_Range();
    ZELI_RequireArgument(range, "range is null");
    *range = ZELC_RangeRecord(ZELC_TypeContainer(s, type), own);
    return 0;
  });
}

ZEL_EXPORT zel_bool_t ZEL_AreEqualData(zel_session_t session, zel_type_t type, const void* a, const void* b,
                                       unsigned count, zel_status_t* status) noexcept {
  return WithType(__func__, session, type, status, zel_bool_t{0}, [&](ZELC_Session*, ZELI_Type* t) {
    if (count > 0) {
      ZELI_RequireArgument(a, "a is null");
      ZELI_RequireArgument(b, "b is null");
    }
    return zel_bool_t{t->Equal(a, b, count) ? zel_bool_t{1} : zel_bool_t{0}};
  });
}

ZEL_EXPORT void ZEL_PackTypeData(zel_session_t session, zel_type_t type, void** sources, unsigned count,
                                 void* destination, zel_status_t* status) noexcept {
  WithType(__func__, session, type, status, 0, [&](ZELC_Session*, ZELI_Type* t) {
    if (count > 0) {
      ZELI_RequireArgument(sources, "sources is null");
      ZELI_RequireArgument(destination, "destination is null");
    }
    t->PackData(sources, count, destination);
    return 0;
  });
}

ZEL_EXPORT void ZEL_UnpackTypeData(zel_session_t session, zel_type_t type, const void* source, unsigned count,
                                   void** destinations, zel_status_t* status) noexcept {
  WithType(__func__, session, type, status, 0, [&](ZELC_Session*, ZELI_Type* t) {
    if (count > 0) {
      ZELI_RequireArgument(source, "source is null");
      ZELI_RequireArgument(destinations, "destinations is null");
    }
    t->UnpackData(source, count, destinations);
    return 0;
  });
}

// ---- predicates ---------------------------------------------------------------

#define ZELC_TYPE_PREDICATE(Name, expression)                                                          \
  ZEL_EXPORT zel_bool_t Name(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept { \
    return WithType(__func__, session, type, status, zel_bool_t{0}, [](ZELC_Session*, ZELI_Type* t) { \
      return zel_bool_t{(expression) ? zel_bool_t{1} : zel_bool_t{0}};                                \
    });                                                                                                \
  }

ZELC_TYPE_PREDICATE(ZEL_IsTypeOrdered, t->IsOrdered())
ZELC_TYPE_PREDICATE(ZEL_IsTypeDiscrete, t->IsDiscrete())
ZELC_TYPE_PREDICATE(ZEL_IsTypeUnsigned, t->IsUnsigned())
ZELC_TYPE_PREDICATE(ZEL_IsTypeScalar, t->IsScalar())
ZELC_TYPE_PREDICATE(ZEL_IsTypeComposite, t->IsComposite())
ZELC_TYPE_PREDICATE(ZEL_IsTypeBuiltin, t->IsBuiltin())
ZELC_TYPE_PREDICATE(ZEL_IsTypeUserDefined, t->IsUserDefined())
ZELC_TYPE_PREDICATE(ZEL_IsTypeBaseType, t->IsBaseType())
ZELC_TYPE_PREDICATE(ZEL_IsTypeSubtype, t->IsSubtype())
ZELC_TYPE_PREDICATE(ZEL_IsTypeCharacter, t->Get_DataType() == ZEL_CHARACTER)
ZELC_TYPE_PREDICATE(ZEL_IsTypeString, t->Get_DataType() == ZEL_STRING)
ZELC_TYPE_PREDICATE(ZEL_IsTypeInteger, t->Get_DataType() == ZEL_INTEGER)
ZELC_TYPE_PREDICATE(ZEL_IsTypeFloat, t->Get_DataType() == ZEL_FLOAT)
ZELC_TYPE_PREDICATE(ZEL_IsTypeReal, t->Get_DataType() == ZEL_REAL)
ZELC_TYPE_PREDICATE(ZEL_IsTypeComplex, t->Get_DataType() == ZEL_COMPLEX)
ZELC_TYPE_PREDICATE(ZEL_IsTypeTime, t->Get_DataType() == ZEL_TIME)
ZELC_TYPE_PREDICATE(ZEL_IsTypeEnumeration, t->Get_DataType() == ZEL_ENUMERATION)
ZELC_TYPE_PREDICATE(ZEL_IsTypeRecord, t->Get_DataType() == ZEL_RECORD)
ZELC_TYPE_PREDICATE(ZEL_IsTypeArray, t->Get_DataType() == ZEL_ARRAY)
ZELC_TYPE_PREDICATE(ZEL_IsTypeUnion, t->Get_DataType() == ZEL_UNION)

#undef ZELC_TYPE_PREDICATE
