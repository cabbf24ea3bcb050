// ZELI_EnumerationType: literal lists, lookups by position, encoding and
// literal, equality, copying and the stored literal list.
#include "types/enumeration_type.h"

#include <cstring>

#include "errors/exceptions.h"
#include "types/typed_container.h"
#include "store/stream.h"

namespace {

// The range's left limit, once the literal count is known to match the
// range's value count, (right - left) x step + 1: a count that does not
// (a range running away from right included) is refused before any range
// is built.
int CheckedLeft(unsigned count, int left, int right, zel_rangeDirection_t direction) {
  const long long step = direction != 0 ? -1 : 1;
  if ((static_cast<long long>(right) - left) * step + 1 != static_cast<long long>(count)) {
    throw ZELI_BadArgException("Incorrect enumeration literal count.");
  }
  return left;
}

}  // namespace

ZELI_EnumerationType::ZELI_EnumerationType(const ZELI_String& name, unsigned count, const char* const* literals,
                                           int left, int right, zel_rangeDirection_t direction)
    : ZELI_DiscreteType(ZEL_ENUMERATION, name, CheckedLeft(count, left, right, direction), right,
                        direction != 0 ? -1 : 1) {
  auto list = std::make_shared<LiteralList>();
  list->reserve(count);
  for (unsigned i = 0; i < count; ++i) list->emplace_back(literals[i]);
  literals_ = std::move(list);
}

ZELI_EnumerationType::ZELI_EnumerationType(const ZELI_String& name, const ZELI_Range& range)
    : ZELI_DiscreteType(ZEL_ENUMERATION, name, range, "Enumeration base type is not an enumeration.") {
  literals_ = static_cast<const ZELI_EnumerationType*>(Get_BaseType_p())->literals_;
}

const ZELI_EnumerationType& ZELI_EnumerationType::Base() const {
  return *static_cast<const ZELI_EnumerationType*>(Get_BaseType_p());
}

ZELI_Type* ZELI_EnumerationType::CopyToContainer(ZELI_TypedContainer* target) const {
  std::unique_ptr<ZELI_EnumerationType> copy(new ZELI_EnumerationType(*this, 0));
  copy->CopyReferences(*this, target);
  if (IsBaseType()) {
    copy->literals_ = std::make_shared<const LiteralList>(*literals_);
  } else {
    copy->literals_ = static_cast<const ZELI_EnumerationType*>(copy->Get_BaseType_p())->literals_;
  }
  return copy.release();
}

bool ZELI_EnumerationType::operator==(const ZELI_Type& other) const {
  const ZELI_EnumerationType* enumeration = dynamic_cast<const ZELI_EnumerationType*>(&other);
  return enumeration != nullptr && ZELI_DiscreteType::operator==(other) && *literals_ == *enumeration->literals_;
}

int ZELI_EnumerationType::EncodingByPosition(unsigned position) const {
  if (position >= Get_Range().Get_ValueCount()) throw ZELI_BadArgException("Enumeration position out of range.");
  return static_cast<int>(Get_Range().ValueAt(position));
}

unsigned ZELI_EnumerationType::PositionByEncoding(int encoding) const {
  const long long position = Get_Range().PositionOf(encoding);
  if (position < 0 || static_cast<unsigned long long>(position) >= Get_Range().Get_ValueCount()) {
    throw ZELI_BadArgException("Enumeration encoding out of range.");
  }
  return static_cast<unsigned>(position);
}

const char* ZELI_EnumerationType::LiteralByPosition(unsigned position) const {
  return LiteralByEncoding(EncodingByPosition(position));
}

const char* ZELI_EnumerationType::LiteralByEncoding(int encoding) const {
  PositionByEncoding(encoding);  // the encoding must be one of this type's
  return (*literals_)[Base().PositionByEncoding(encoding)].c_str();
}

int ZELI_EnumerationType::EncodingByLiteral(const char* literal) const {
  const char* wanted = literal != nullptr ? literal : "";
  const LiteralList& list = *literals_;
  for (size_t i = 0; i < list.size(); ++i) {
    if (std::strcmp(list[i].c_str(), wanted) == 0) return Base().EncodingByPosition(static_cast<unsigned>(i));
  }
  throw ZELI_BadArgException("No such literal");
}

unsigned ZELI_EnumerationType::PositionByLiteral(const char* literal) const {
  return PositionByEncoding(EncodingByLiteral(literal));
}

void ZELI_EnumerationType::WriteFields(ZELI_Ostream& out) const {
  ZELI_DiscreteType::WriteFields(out);
  if (!IsBaseType()) return;
  out << static_cast<unsigned>(literals_->size());
  for (const ZELI_String& literal : *literals_) out << literal;
}

ZELI_EnumerationType* ZELI_EnumerationType::ReadRecord(const ZELI_TypeRecord& record, ZELI_Istream& in,
                                                       const ZELI_KeyMap<ZELI_ExternalBase>& map) {
  std::unique_ptr<ZELI_EnumerationType> type(new ZELI_EnumerationType(record));
  type->ReadDiscreteFields(record, in, map);
  if (!type->IsBaseType()) {
    type->literals_ = type->Base().literals_;
    return type.release();
  }
  // Every stored literal takes at least 5 bytes (length and NUL).
  const unsigned count = in.ReadCount(5);
  if (count != type->Get_Range().Get_ValueCount()) {
    throw ZELI_FailedException(ZELI_Message() << record.reader << ": literal count");
  }
  auto list = std::make_shared<LiteralList>();
  list->reserve(count);
  for (unsigned i = 0; i < count; ++i) {
    ZELI_String literal;
    in >> literal;
    const std::string& text = literal.str();
    if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'') {
      literal = ZELI_String(text.substr(1, text.size() - 2).c_str());
    }
    list->push_back(std::move(literal));
  }
  type->literals_ = std::move(list);
  return type.release();
}
