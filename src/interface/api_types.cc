// Exported functions of the type model and scalar types: creating builtin
// types, finding, copying and comparing types, their properties and ranges,
// value equality and packing, and the type predicates.
#include "interface/call.h"
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

}  // namespace

ZEL_EXPORT zel_type_t ZEL_CreateBuiltinType(zel_session_t session, zel_container_t container, const char* name,
                                            zel_dataType_t dataType, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    const auto c = ZELC_Resolve(zel.ConvertSessionHandle(session), container);
    ZELI_Type* type = NewBuiltinType(name, dataType);
    c->Get_TypeTable().Add_Type(type);
    return ZELC_HandleOf<zel_type_t>(c.wrapper, type);
  });
}

ZEL_EXPORT zel_type_t* ZEL_FindTypes(zel_session_t session, zel_container_t container, const char* name,
                                     unsigned* count, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<zel_type_t*>(nullptr), [&](ZELC_Interface& zel) {
    const auto c = ZELC_Resolve(zel.ConvertSessionHandle(session), container);
    ZELI_RequireArgument(count, "count is null");
    return ZELC_HandleArray<zel_type_t>(c.wrapper, c->Get_TypeTable().FindTypes(name), count);
  });
}

ZEL_EXPORT zel_type_t* ZEL_GetAllTypes(zel_session_t session, zel_container_t container, unsigned* count,
                                       zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<zel_type_t*>(nullptr), [&](ZELC_Interface& zel) {
    const auto c = ZELC_Resolve(zel.ConvertSessionHandle(session), container);
    ZELI_RequireArgument(count, "count is null");
    return ZELC_HandleArray<zel_type_t>(c.wrapper, c->Get_TypeTable().FindAllTypes(), count);
  });
}

// The next three take a type of any open container.
ZEL_EXPORT zel_type_t ZEL_FindTypeByType(zel_session_t session, zel_container_t container, zel_type_t type,
                                         zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    ZELI_Type* found = c->Get_TypeTable().FindTypeByType(*ZELC_Resolve(s, type));
    if (found == nullptr) throw ZELI_NotFoundException("Type not found");
    return ZELC_HandleOf<zel_type_t>(c.wrapper, found);
  });
}

ZEL_EXPORT zel_type_t ZEL_CopyType(zel_session_t session, zel_container_t container, zel_type_t type,
                                   zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    return ZELC_HandleOf<zel_type_t>(c.wrapper, c->Get_TypeTable().CopyType(*ZELC_Resolve(s, type)));
  });
}

ZEL_EXPORT zel_type_t ZEL_FindOrCopyType(zel_session_t session, zel_container_t container, zel_type_t type,
                                         zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    return ZELC_HandleOf<zel_type_t>(c.wrapper, c->Get_TypeTable().FindOrCopyType(*ZELC_Resolve(s, type), nullptr));
  });
}

ZEL_EXPORT zel_bool_t ZEL_AreEqualTypes(zel_session_t session, zel_type_t a, zel_type_t b,
                                        zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, zel_bool_t{0}, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const ZELI_Type& first = *ZELC_Resolve(s, a);
    return zel_bool_t{first == *ZELC_Resolve(s, b) ? zel_bool_t{1} : zel_bool_t{0}};
  });
}

ZEL_EXPORT const char* ZEL_GetTypeName(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr), [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), type)->Get_Name().c_str();
  });
}

ZEL_EXPORT zel_dataType_t ZEL_GetDataType(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_CHARACTER, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), type)->Get_DataType();
  });
}

ZEL_EXPORT unsigned ZEL_GetSizeOfType(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), type)->Get_SizeOf();
  });
}

ZEL_EXPORT unsigned ZEL_GetPackedSizeOfType(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), type)->Get_PackedSizeOf();
  });
}

ZEL_EXPORT zel_type_t ZEL_GetBaseType(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    const auto t = ZELC_Resolve(zel.ConvertSessionHandle(session), type);
    return ZELC_HandleOf<zel_type_t>(t.wrapper, t->Get_BaseType_p());
  });
}

ZEL_EXPORT unsigned ZEL_GetScalarCount(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), type)->ScalarCount();
  });
}

ZEL_EXPORT void ZEL_GetTypeMinMax(zel_session_t session, zel_type_t type, int* min, int* max,
                                  zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const ZELI_Range& range = ZELC_Resolve(zel.ConvertSessionHandle(session), type)->Get_Range();
    ZELI_RequireArgument(min, "min is null");
    ZELI_RequireArgument(max, "max is null");
    *min = range.Get_Min();
    *max = range.Get_Max();
  });
}

ZEL_EXPORT int ZEL_GetTypeLeftLimit(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), type)->Get_Range().Get_Left();
  });
}

ZEL_EXPORT int ZEL_GetTypeRightLimit(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), type)->Get_Range().Get_Right();
  });
}

ZEL_EXPORT zel_rangeDirection_t ZEL_GetTypeDirection(zel_session_t session, zel_type_t type,
                                                     zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_RANGE_ASCENDING, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), type)->Get_Range().Get_DirectionValue();
  });
}

ZEL_EXPORT void ZEL_GetTypeRange(zel_session_t session, zel_type_t type, zel_range_t* range,
                                 zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto t = ZELC_Resolve(zel.ConvertSessionHandle(session), type);
    const ZELI_Range& own = t->Get_Range();
    ZELI_RequireArgument(range, "range is null");
    *range = ZELC_RangeRecord(t.wrapper, own);
  });
}

ZEL_EXPORT zel_bool_t ZEL_AreEqualData(zel_session_t session, zel_type_t type, const void* a, const void* b,
                                       unsigned count, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, zel_bool_t{0}, [&](ZELC_Interface& zel) {
    const auto t = ZELC_Resolve(zel.ConvertSessionHandle(session), type);
    if (count > 0) {
      ZELI_RequireArgument(a, "a is null");
      ZELI_RequireArgument(b, "b is null");
    }
    return zel_bool_t{t->Equal(a, b, count) ? zel_bool_t{1} : zel_bool_t{0}};
  });
}

ZEL_EXPORT void ZEL_PackTypeData(zel_session_t session, zel_type_t type, void** sources, unsigned count,
                                 void* destination, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto t = ZELC_Resolve(zel.ConvertSessionHandle(session), type);
    if (count > 0) {
      ZELI_RequireArgument(sources, "sources is null");
      ZELI_RequireArgument(destination, "destination is null");
    }
    t->PackData(sources, count, destination);
  });
}

ZEL_EXPORT void ZEL_UnpackTypeData(zel_session_t session, zel_type_t type, const void* source, unsigned count,
                                   void** destinations, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto t = ZELC_Resolve(zel.ConvertSessionHandle(session), type);
    if (count > 0) {
      ZELI_RequireArgument(source, "source is null");
      ZELI_RequireArgument(destinations, "destinations is null");
    }
    t->UnpackData(source, count, destinations);
  });
}

// ---- predicates ---------------------------------------------------------------

#define ZELC_TYPE_PREDICATE(Name, expression)                                                          \
  ZEL_EXPORT zel_bool_t Name(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept { \
    return ZELC_Call(__func__, status, zel_bool_t{0}, [&](ZELC_Interface& zel) {                      \
      const ZELI_Type* t = ZELC_Resolve(zel.ConvertSessionHandle(session), type).object;              \
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
