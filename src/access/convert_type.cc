// The convert-type dispatcher: from the kinds of two types to one of the 36
// instances of ZELI_ConvertValues.
#include "access/convert_type.h"

#include "errors/exceptions.h"
#include "types/scalar_types.h"

namespace {

enum class Element { None, Char, Int, Float, Double, Time, Complex };

Element ElementOf(const ZELI_Type& type) {
  switch (type.Get_DataType()) {
    case ZEL_CHARACTER: return Element::Char;
    case ZEL_INTEGER: return Element::Int;
    case ZEL_REAL: return Element::Double;
    case ZEL_COMPLEX: return Element::Complex;
    case ZEL_TIME: return ZELI_IsTimeHeldAsDouble(type) ? Element::Double : Element::Time;
    case ZEL_FLOAT: return Element::Float;
    default: return Element::None;
  }
}

// Calls f with a value of the element type (nothing for None).
template <class F>
void WithElement(Element element, F f) {
  switch (element) {
    case Element::Char: return f(static_cast<signed char>(0));
    case Element::Int: return f(0);
    case Element::Float: return f(0.0f);
    case Element::Double: return f(0.0);
    case Element::Time: return f(UniversalTime());
    case Element::Complex: return f(DComplex());
    case Element::None: return;
  }
}

}  // namespace

void ZELI_ConvertType(const ZELI_Type* from, const ZELI_Type* to, const void* source, unsigned count,
                      void* destination) {
  if (from == nullptr || to == nullptr) throw ZELI_BadArgException("Null type");
  ZELI_RequireValues(count, {source, destination});
  const Element sourceElement = ElementOf(*from);
  const Element destinationElement = ElementOf(*to);
  // The conversion matrix gives time values held as double no float row.
  if (ZELI_IsTimeHeldAsDouble(*from) && destinationElement == Element::Float) return;
  WithElement(sourceElement, [&](auto sourceValue) {
    WithElement(destinationElement, [&](auto destinationValue) {
      ZELI_ConvertValues<decltype(sourceValue), decltype(destinationValue)>(source, count, destination);
    });
  });
}
