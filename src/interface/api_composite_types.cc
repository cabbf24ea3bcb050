// Exported functions of enumerations, discrete subtypes and composite
// types: creation, enumeration lookups, record and union elements, array
// constraints and locations.
#include <vector>

#include "interface/call.h"
#include "types/composite_types.h"
#include "types/discrete_types.h"
#include "types/enumeration_type.h"

namespace {

template <typename T>
T* As(ZELI_Type* type, zel_dataType_t dataType, const char* message) {
  if (type->Get_DataType() != dataType) throw ZELI_BadArgException(message);
  return static_cast<T*>(type);
}

ZELI_EnumerationType* AsEnumeration(ZELI_Type* t) {
  return As<ZELI_EnumerationType>(t, ZEL_ENUMERATION, "Not an enumeration type");
}
ZELI_RecordType* AsRecord(ZELI_Type* t) { return As<ZELI_RecordType>(t, ZEL_RECORD, "Not a record type"); }
ZELI_UnionType* AsUnion(ZELI_Type* t) { return As<ZELI_UnionType>(t, ZEL_UNION, "Not a union type"); }

// The element index of a record or a union, checked against its count.
unsigned CheckedElement(const ZELI_NamedCompositeType* composite, unsigned index, const char* message) {
  if (index >= composite->Get_ElementCount()) throw ZELI_BadArgException(message);
  return index;
}
// Rank, constraint, location and indices say "an"; element count, type and
// size say "a": callers match these texts.
ZELI_ArrayType* AsArray(ZELI_Type* t) { return As<ZELI_ArrayType>(t, ZEL_ARRAY, "Not an array type"); }
ZELI_ArrayType* AsArrayElement(ZELI_Type* t) { return As<ZELI_ArrayType>(t, ZEL_ARRAY, "Not a array type"); }

constexpr const char* ForeignType = "Type belongs to another container";

// Element types of a record or union: each a type of the container.
std::vector<ZELI_Type*> ElementTypes(const ZELC_Session* s, const ZELC_Arg<ZELI_Container>& c, unsigned count,
                                     const char** names, const zel_type_t* types) {
  if (count > 0) {
    ZELI_RequireArgument(names, "names is null");
    ZELI_RequireArgument(types, "types is null");
  }
  std::vector<ZELI_Type*> elements;
  elements.reserve(count);
  for (unsigned i = 0; i < count; ++i) elements.push_back(ZELC_Resolve(s, types[i], c.wrapper, ForeignType).object);
  return elements;
}

// Adds a newly built type to the wrapper's container and returns its handle.
zel_type_t AddNewType(ZELC_Container* wrapper, ZELI_Type* type) {
  wrapper->Get_Object_p()->Get_TypeTable().Add_Type(type);
  return ZELC_HandleOf<zel_type_t>(wrapper, type);
}

}  // namespace

// ---- creation -----------------------------------------------------------------

ZEL_EXPORT zel_type_t ZEL_CreateEnumerationType(zel_session_t session, zel_container_t container, const char* name,
                                                unsigned count, const char** literals, int left, int right,
                                                zel_rangeDirection_t direction, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    const auto c = ZELC_Resolve(zel.ConvertSessionHandle(session), container);
    if (count > 0) ZELI_RequireArgument(literals, "literals is null");
    return AddNewType(c.wrapper, new ZELI_EnumerationType(name, count, literals, left, right, direction));
  });
}

ZEL_EXPORT zel_type_t ZEL_CreateDiscreteSubtype(zel_session_t session, const char* name, zel_type_t base, int left,
                                                int right, zel_rangeDirection_t direction,
                                                zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    const auto b = ZELC_Resolve(zel.ConvertSessionHandle(session), base);
    return AddNewType(b.wrapper, ZELI_CreateDiscreteSubtype(name, b.object, left, right, direction));
  });
}

ZEL_EXPORT zel_type_t ZEL_CreateArrayType(zel_session_t session, zel_container_t container, const char* name,
                                          zel_type_t element, unsigned count, const zel_range_t* constraints,
                                          zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    ZELI_Type* elementType = ZELC_Resolve(s, element, c.wrapper, ForeignType).object;
    if (count > 0) ZELI_RequireArgument(constraints, "constraints is null");
    std::vector<ZELI_Range> ranges;
    ranges.reserve(count);
    for (unsigned k = 0; k < count; ++k) {
      const zel_range_t& constraint = constraints[k];
      ZELI_Type* over = ZELC_Resolve(s, constraint.type, c.wrapper, ForeignType).object;
      ranges.push_back(ZELI_MakeSubrange(over, constraint.left, constraint.right, constraint.direction));
    }
    return AddNewType(c.wrapper, new ZELI_ArrayType(name, elementType, std::move(ranges)));
  });
}

ZEL_EXPORT zel_type_t ZEL_CreateRecordType(zel_session_t session, zel_container_t container, const char* name,
                                           unsigned count, const char** names, const zel_type_t* types,
                                           zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    const std::vector<ZELI_Type*> elements = ElementTypes(s, c, count, names, types);
    return AddNewType(c.wrapper, new ZELI_RecordType(name, count, names, elements.data()));
  });
}

ZEL_EXPORT zel_type_t ZEL_CreateUnionType(zel_session_t session, zel_container_t container, const char* name,
                                          unsigned count, const char** names, const zel_type_t* types,
                                          zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    const std::vector<ZELI_Type*> elements = ElementTypes(s, c, count, names, types);
    return AddNewType(c.wrapper, new ZELI_UnionType(name, count, names, elements.data()));
  });
}

// ---- enumerations ---------------------------------------------------------------

ZEL_EXPORT unsigned ZEL_GetEnumerationLiteralCount(zel_session_t session, zel_type_t type,
                                                   zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return AsEnumeration(ZELC_Resolve(zel.ConvertSessionHandle(session), type).object)->Get_LiteralCount();
  });
}

ZEL_EXPORT const char** ZEL_GetEnumerationLiteralTable(zel_session_t session, zel_type_t type,
                                                       zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char**>(nullptr), [&](ZELC_Interface& zel) {
    const ZELI_EnumerationType* e = AsEnumeration(ZELC_Resolve(zel.ConvertSessionHandle(session), type).object);
    const unsigned count = e->Get_LiteralCount();
    const char** table = static_cast<const char**>(ZELI_OS_Malloc(count * sizeof(const char*)));
    for (unsigned p = 0; p < count; ++p) table[p] = e->LiteralByPosition(p);
    return table;
  });
}

ZEL_EXPORT const char* ZEL_GetEnumerationLiteralByPosition(zel_session_t session, zel_type_t type,
                                                           unsigned position, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr), [&](ZELC_Interface& zel) {
    return AsEnumeration(ZELC_Resolve(zel.ConvertSessionHandle(session), type).object)->LiteralByPosition(position);
  });
}

ZEL_EXPORT const char* ZEL_GetEnumerationLiteralByEncoding(zel_session_t session, zel_type_t type, int encoding,
                                                           zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr), [&](ZELC_Interface& zel) {
    return AsEnumeration(ZELC_Resolve(zel.ConvertSessionHandle(session), type).object)->LiteralByEncoding(encoding);
  });
}

ZEL_EXPORT int ZEL_GetEnumerationEncodingByPosition(zel_session_t session, zel_type_t type, unsigned position,
                                                    zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0, [&](ZELC_Interface& zel) {
    return AsEnumeration(ZELC_Resolve(zel.ConvertSessionHandle(session), type).object)->EncodingByPosition(position);
  });
}

ZEL_EXPORT unsigned ZEL_GetEnumerationPositionByEncoding(zel_session_t session, zel_type_t type, int encoding,
                                                         zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return AsEnumeration(ZELC_Resolve(zel.ConvertSessionHandle(session), type).object)->PositionByEncoding(encoding);
  });
}

ZEL_EXPORT unsigned ZEL_GetEnumerationPositionByLiteral(zel_session_t session, zel_type_t type,
                                                        const char* literal, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return AsEnumeration(ZELC_Resolve(zel.ConvertSessionHandle(session), type).object)->PositionByLiteral(literal);
  });
}

ZEL_EXPORT int ZEL_GetEnumerationEncodingByLiteral(zel_session_t session, zel_type_t type, const char* literal,
                                                   zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0, [&](ZELC_Interface& zel) {
    return AsEnumeration(ZELC_Resolve(zel.ConvertSessionHandle(session), type).object)->EncodingByLiteral(literal);
  });
}

// ---- records and unions -----------------------------------------------------------

ZEL_EXPORT unsigned ZEL_GetRecordElementCount(zel_session_t session, zel_type_t type,
                                              zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return AsRecord(ZELC_Resolve(zel.ConvertSessionHandle(session), type).object)->Get_ElementCount();
  });
}

ZEL_EXPORT zel_type_t ZEL_GetRecordElementType(zel_session_t session, zel_type_t type, unsigned index,
                                               zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    const auto t = ZELC_Resolve(zel.ConvertSessionHandle(session), type);
    const ZELI_RecordType* record = AsRecord(t.object);
    const unsigned element = CheckedElement(record, index, "Bad record type index");
    return ZELC_HandleOf<zel_type_t>(t.wrapper, record->Get_ElementType_p(element));
  });
}

ZEL_EXPORT const char* ZEL_GetRecordElementName(zel_session_t session, zel_type_t type, unsigned index,
                                                zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr), [&](ZELC_Interface& zel) {
    const ZELI_RecordType* record = AsRecord(ZELC_Resolve(zel.ConvertSessionHandle(session), type).object);
    return record->Get_ElementName(CheckedElement(record, index, "Bad record type index")).c_str();
  });
}

ZEL_EXPORT unsigned ZEL_GetUnionChoiceCount(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return AsUnion(ZELC_Resolve(zel.ConvertSessionHandle(session), type).object)->Get_ElementCount();
  });
}

ZEL_EXPORT zel_type_t ZEL_GetUnionChoiceType(zel_session_t session, zel_type_t type, unsigned index,
                                             zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    const auto t = ZELC_Resolve(zel.ConvertSessionHandle(session), type);
    const ZELI_UnionType* choices = AsUnion(t.object);
    const unsigned choice = CheckedElement(choices, index, "Bad union choice index");
    return ZELC_HandleOf<zel_type_t>(t.wrapper, choices->Get_ElementType_p(choice));
  });
}

ZEL_EXPORT const char* ZEL_GetUnionChoiceName(zel_session_t session, zel_type_t type, unsigned index,
                                              zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr), [&](ZELC_Interface& zel) {
    const ZELI_UnionType* choices = AsUnion(ZELC_Resolve(zel.ConvertSessionHandle(session), type).object);
    return choices->Get_ElementName(CheckedElement(choices, index, "Bad union choice index")).c_str();
  });
}

// ---- arrays ---------------------------------------------------------------------------

ZEL_EXPORT unsigned ZEL_GetArrayRank(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return AsArray(ZELC_Resolve(zel.ConvertSessionHandle(session), type).object)->Get_Rank();
  });
}

ZEL_EXPORT void ZEL_GetArrayConstraint(zel_session_t session, zel_type_t type, unsigned index, zel_range_t* range,
                                       zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto t = ZELC_Resolve(zel.ConvertSessionHandle(session), type);
    const ZELI_ArrayType* array = AsArray(t.object);
    if (index >= array->Get_Rank()) throw ZELI_BadArgException("Bad array constraint index");
    ZELI_RequireArgument(range, "range is null");
    *range = ZELC_RangeRecord(t.wrapper, array->Get_Constraint(index));
  });
}

ZEL_EXPORT unsigned ZEL_GetArrayLocation(zel_session_t session, zel_type_t type, const int* indices,
                                         zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    const ZELI_ArrayType* array = AsArray(ZELC_Resolve(zel.ConvertSessionHandle(session), type).object);
    if (array->Get_Rank() > 0) ZELI_RequireArgument(indices, "indices is null");
    return array->Location(indices);
  });
}

ZEL_EXPORT void ZEL_GetArrayIndices(zel_session_t session, zel_type_t type, unsigned location, int* indices,
                                    zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const ZELI_ArrayType* array = AsArray(ZELC_Resolve(zel.ConvertSessionHandle(session), type).object);
    if (array->Get_Rank() > 0) ZELI_RequireArgument(indices, "indices is null");
    array->Indices(location, indices);
  });
}

ZEL_EXPORT unsigned ZEL_GetArrayElementCount(zel_session_t session, zel_type_t type,
                                             zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return AsArrayElement(ZELC_Resolve(zel.ConvertSessionHandle(session), type).object)->Get_ElementCount();
  });
}

ZEL_EXPORT zel_type_t ZEL_GetArrayElementType(zel_session_t session, zel_type_t type,
                                              zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
    const auto t = ZELC_Resolve(zel.ConvertSessionHandle(session), type);
    return ZELC_HandleOf<zel_type_t>(t.wrapper, AsArrayElement(t.object)->Get_ElementType_p());
  });
}

ZEL_EXPORT unsigned ZEL_GetArrayElementSize(zel_session_t session, zel_type_t type, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return AsArrayElement(ZELC_Resolve(zel.ConvertSessionHandle(session), type).object)->Get_SizeOf();
  });
}
