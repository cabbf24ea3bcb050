// ZELI_Range: limits, widths and the stored range record.
#include "types/range.h"

#include <cstdlib>

#include "errors/exceptions.h"
#include "types/type.h"

ZELI_Range::ZELI_Range(ZELI_Type* type, int left, int right, int step)
    : type_(type), left_(left), right_(right), step_(step) {
  if (step != 1 && step != -1) throw ZELI_BadArgException("Range step must be +1 or -1.");
  if ((static_cast<long long>(right) - left) * step < 0) throw ZELI_BadArgException("Range is empty.");
  nonNegative_ = Get_Min() >= 0;
}

ZELI_Range::ZELI_Range(ZELI_Type* type, int left, int right, zel_rangeDirection_t direction)
    : ZELI_Range(type, left, right, direction != 0 ? -1 : 1) {}

uint64_t ZELI_Range::Get_ValueCount() const {
  return static_cast<uint64_t>((static_cast<long long>(right_) - left_) * step_) + 1;
}

unsigned ZELI_Range::Get_StoredSizeOf() const {
  long long lo = Get_Min();
  long long hi = Get_Max();
  if (type_ != nullptr) {
    const ZELI_Range& base = type_->Get_BaseType_p()->Get_Range();
    lo = base.Get_Min();
    hi = base.Get_Max();
  }
  if (lo < 0) {
    if (lo >= -128 && hi < 128) return 1;
    if (lo < -32768 || hi > 32767) return 4;
    return 2;
  }
  if (hi < 256) return 1;
  if (hi < 65536) return 2;
  return 4;
}

unsigned ZELI_Range::Get_PackedSizeOf() const {
  const unsigned stored = Get_StoredSizeOf();
  if (stored != 1) return stored * 8;
  long long m = std::llabs(static_cast<long long>(left_));
  const long long r = std::llabs(static_cast<long long>(right_));
  if (r > m) m = r;
  if (Get_Min() < 0) m *= 2;
  unsigned bits = 0;
  while (bits < 8 && m >= (1LL << bits)) ++bits;
  return bits;
}

void ZELI_Range::Write(ZELI_Ostream& out) const {
  out << (type_ != nullptr ? type_->Get_Key() : -1) << left_ << right_ << step_;
}

ZELI_Range ZELI_Range::Read(ZELI_Istream& in, const ZELI_KeyMap<ZELI_ExternalBase>& map, ZELI_Type* self,
                            int selfKey, const char* record) {
  int typeKey = -1;
  int left = 0;
  int right = 0;
  int step = 0;
  in >> typeKey >> left >> right >> step;
  ZELI_Type* type = nullptr;
  if (typeKey == selfKey && self != nullptr) {
    type = self;
  } else if (typeKey != -1) {
    type = ZELI_Type::LookUp(map, typeKey, record, "range type");
    if (!type->IsDiscrete()) throw ZELI_FailedException(ZELI_Message() << record << ": range type");
  }
  if ((step != 1 && step != -1) || (static_cast<long long>(right) - left) * step < 0) {
    throw ZELI_FailedException(ZELI_Message() << record << ": range");
  }
  return ZELI_Range(type, left, right, step);
}
