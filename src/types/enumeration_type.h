// ZELI_EnumerationType: named literals with integer encodings. The range is
// a range of encodings: position p has encoding left + step * p, and the
// literal count is the range's value count.
//
// A base enumeration owns its literal list; a subtype shares its base's
// list (the same immutable list, held through a shared pointer so neither
// lifetime depends on the other) and has positions of its own.
//
// Stored fields after the discrete ones (discrete_types.h): for a base
// enumeration only, the literal count (u32) and each literal (string). On
// reading, a literal of two or more characters that begins and ends with a
// single quote loses the two quotes.
#ifndef ZEL_TYPES_ENUMERATION_TYPE_H
#define ZEL_TYPES_ENUMERATION_TYPE_H

#include <memory>
#include <vector>

#include "types/discrete_types.h"

class ZELI_EnumerationType : public ZELI_DiscreteType {
 public:
  using LiteralList = std::vector<ZELI_String>;

  // A base enumeration; count must equal the range's value count, else
  // ZELI_BadArgException "Incorrect enumeration literal count.". Null
  // literals become empty ones.
  ZELI_EnumerationType(const ZELI_String& name, unsigned count, const char* const* literals, int left, int right,
                       zel_rangeDirection_t direction);
  // A subtype over range; "Enumeration base type is not an enumeration."
  // when the range's type is not an enumeration.
  ZELI_EnumerationType(const ZELI_String& name, const ZELI_Range& range);

  ZELI_Type* CopyToContainer(ZELI_TypedContainer* target) const override;
  bool operator==(const ZELI_Type& other) const override;

  // Lookups (failures are ZELI_BadArgException "Enumeration position out of
  // range.", "Enumeration encoding out of range." or "No such literal").
  unsigned Get_LiteralCount() const { return static_cast<unsigned>(Get_Range().Get_ValueCount()); }
  int EncodingByPosition(unsigned position) const;
  unsigned PositionByEncoding(int encoding) const;
  const char* LiteralByPosition(unsigned position) const;
  const char* LiteralByEncoding(int encoding) const;
  // The base's first literal equal to literal (null matches an empty one).
  int EncodingByLiteral(const char* literal) const;
  unsigned PositionByLiteral(const char* literal) const;
  // The base type's literals, in the base's position order.
  const LiteralList& Get_Literals() const { return *literals_; }

  static ZELI_EnumerationType* ReadRecord(const ZELI_TypeRecord& record, ZELI_Istream& in,
                                          const ZELI_KeyMap<ZELI_ExternalBase>& map);

  // Enumerations of equal data type: two base types are compatible when
  // their ranges and literal lists are equal; otherwise their base types
  // decide.
  zel_bool_t IsOpCompatible(const ZELI_Type* other) const override;

 protected:
  void WriteFields(ZELI_Ostream& out) const override;
  // Conversion 0 writes the literal of the value.
  void WriteText(std::ostream& out, zel_conversion_t conversion, const void* value) const override;

 private:
  using ZELI_DiscreteType::ZELI_DiscreteType;
  const ZELI_EnumerationType& Base() const;

  std::shared_ptr<const LiteralList> literals_;
};

#endif  // ZEL_TYPES_ENUMERATION_TYPE_H
