// Packing composite values from fields: over shared X values field by
// field, or point by point from merged fields (ZELI_MergeWaveformsPack).
#include "access/merge_pack.h"

#include <climits>
#include <cstring>
#include <memory>

#include "access/wf_segment.h"
#include "errors/exceptions.h"
#include "types/type.h"
#include "waveforms/derived_waveform.h"

ZELI_MergeWaveformsPack::ZELI_MergeWaveformsPack(std::vector<ZELI_WfSegment*> segments,
                                                 const std::vector<ZELI_FieldLocation>& fields,
                                                 const ZELI_Type& packedType)
    : ZELI_MergeWaveformsAction(std::move(segments)), packedType_(packedType), sizeOf_(packedType.Get_SizeOf()) {
  if (fields.size() != segments_.size()) throw ZELI_FailedException("ZELI_MergeWaveformsPack: fields");
  if (sizeOf_ == 0) throw ZELI_BadArgException("Type does not store data");
  // Placed once: the walk packs one value at a time.
  fields_.reserve(fields.size());
  for (size_t k = 0; k < fields.size(); ++k) {
    fields_.push_back(packedType_.Get_PackedField(*segments_[k]->Get_YType_p(), fields[k].offset));
  }
}

ZELI_MergeWaveformsPack::~ZELI_MergeWaveformsPack() {
  if (packed_ == nullptr) return;
  try {
    packedType_.FreeData(packed_, capacity_);
  } catch (...) {
    // A type of size 0 was refused at construction.
  }
}

void ZELI_MergeWaveformsPack::InitNewPoint(unsigned point) {
  if (point >= capacity_) {
    if (capacity_ > UINT_MAX / 2) throw ZELI_BadAllocException();
    unsigned grown = capacity_ == 0 ? 1000 : 2 * capacity_;
    if (grown <= point) grown = point + 1;
    packed_ = packedType_.ReallocData(packed_, grown, capacity_);
    capacity_ = grown;
  }
  current_ = static_cast<unsigned char*>(packed_) + static_cast<size_t>(sizeOf_) * point;
  std::memset(current_, 0, sizeOf_);
  if (point >= count_) count_ = point + 1;
}

void ZELI_MergeWaveformsPack::WfValue(unsigned k, const void* value) {
  if (current_ == nullptr) throw ZELI_FailedException("ZELI_MergeWaveformsPack::WfValue: no point");
  if (k >= fields_.size()) throw ZELI_FailedException("ZELI_MergeWaveformsPack::WfValue: index");
  fields_[k].Pack(current_, static_cast<const unsigned char*>(value));
}

void ZELI_MergeWaveformsPack::DuplicateWfValue(unsigned) {
  throw ZELI_FailedException("ZELI_MergeWaveformsPack::DuplicateWfValue called");
}

void ZELI_MergeWaveformsPack::Term(unsigned pointCount) {
  packed_ = packedType_.ReallocData(packed_, pointCount, capacity_);
  capacity_ = pointCount;
  count_ = pointCount;
  current_ = nullptr;
}

void* ZELI_MergeWaveformsPack::Claim_PackedArray_p() noexcept {
  void* packed = packed_;
  packed_ = nullptr;
  capacity_ = 0;
  current_ = nullptr;
  return packed;
}

// ---- packing fields ----------------------------------------------------------------------

namespace {

// Takes over count values of type at data (freed here should that fail).
std::unique_ptr<ZELI_TypedValues> Adopt(const ZELI_Type* type, unsigned count, void* data) {
  try {
    return std::make_unique<ZELI_TypedValues>(type, count, data);
  } catch (...) {
    type->FreeData(data, count);
    throw;
  }
}

}  // namespace

ZELI_PackedValues ZELI_PackFields(const std::vector<ZELI_WfSegment*>& segments,
                                  const std::vector<ZELI_FieldLocation>& fields, ZELI_Type* xType,
                                  const ZELI_Type& packedType, const char* emptyBuffer) {
  if (segments.size() != fields.size()) throw ZELI_FailedException("ZELI_MergeWaveformsPack: fields");
  ZELI_PackedValues packed;
  if (!ZELI_WfSegment::MustMergeXAxisData(segments)) {
    const unsigned n = segments.front()->PointCount(0);
    packed.y = std::make_unique<ZELI_TypedValues>(&packedType, n);  // zeroed
    for (size_t k = 0; k < segments.size(); ++k) {
      ZELI_WfSegment& field = *segments[k];
      const ZELI_Type& fieldType = *field.Get_YType_p();
      for (unsigned p = 0; p < n;) {
        const unsigned count = field.Setup_Buffer(0, p);
        if (count == 0) throw ZELI_FailedException(emptyBuffer);
        packedType.PackData(fieldType, field.Get_YBuffer(), count, fields[k].offset, packed.y->At(p));
        p += count;
      }
    }
    packed.count = n;
    return packed;
  }
  ZELI_MergeWaveformsPack pack(segments, fields, packedType);
  unsigned n = 0;
  void* merged = ZELI_WfSegment::MergeWaveforms(segments, xType, pack, n);
  packed.x = Adopt(xType, n, merged);
  packed.y = Adopt(&packedType, n, pack.Claim_PackedArray_p());
  packed.count = n;
  return packed;
}
