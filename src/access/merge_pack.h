// Packing composite values from the Y values of several waveform segments,
// each the field of the composite type at its own bit offset (the values of
// composite waveforms): ZELI_PackFields, over the segments' common X values
// or, when they differ, merged onto one X axis with the merge action
// ZELI_MergeWaveformsPack, which packs one composite value per merged X
// point.
//
// A field without a value at a merged point (before its first X, or after
// its last unless it steps and so holds its level) stays zero. The action takes no part in step handling: a field with constant
// interpolation gives its value at the current point, so DuplicateWfValue
// is never called (ZELI_FailedException "ZELI_MergeWaveformsPack::
// DuplicateWfValue called" should it be).
//
// Ownership: the packed values (allocated through the composite type) are
// the action's until claimed; the segments and types are not owned.
#ifndef ZEL_ACCESS_MERGE_PACK_H
#define ZEL_ACCESS_MERGE_PACK_H

#include <memory>
#include <vector>

#include "access/merge_waveforms.h"
#include "types/type.h"
#include "types/typed_values.h"

struct ZELI_FieldLocation;

// Packed composite values, count of them, and their X values when the
// fields had to be merged (null when the X values are the fields' own).
struct ZELI_PackedValues {
  unsigned count = 0;
  std::unique_ptr<ZELI_TypedValues> x;
  std::unique_ptr<ZELI_TypedValues> y;
};

// Values of packedType packed from leg 0 of each segment (field k of
// fields[k], of segment k's Y type). When the X axes need no merge
// (ZELI_WfSegment::MustMergeXAxisData) every field is packed over them,
// buffer by buffer (a buffer of no points: ZELI_FailedException with
// emptyBuffer); otherwise the segments are merged (ZELI_WfSegment::
// MergeWaveforms with a ZELI_MergeWaveformsPack) and the merged X values,
// of xType, come with the values. Fails as those do; nothing is left
// behind.
ZELI_PackedValues ZELI_PackFields(const std::vector<ZELI_WfSegment*>& segments,
                                  const std::vector<ZELI_FieldLocation>& fields, ZELI_Type* xType,
                                  const ZELI_Type& packedType, const char* emptyBuffer);

class ZELI_MergeWaveformsPack final : public ZELI_MergeWaveformsAction {
 public:
  // One field location per segment (its offset in packedType's values, in
  // the bits ZELI_Type::PackData takes); each segment's Y type is the field
  // type. Counts that differ: ZELI_FailedException
  // "ZELI_MergeWaveformsPack: fields"; a field that does not fit where it
  // is placed: "ZELI_Type::PackData: layout"; a type of size 0: "Type does
  // not store data" (bad argument).
  ZELI_MergeWaveformsPack(std::vector<ZELI_WfSegment*> segments, const std::vector<ZELI_FieldLocation>& fields,
                          const ZELI_Type& packedType);
  // Frees the packed values unless claimed. Never throws.
  ~ZELI_MergeWaveformsPack() override;

  bool TakesPartInSteps() const override { return false; }
  // Trims the packed values to exactly pointCount records.
  void Term(unsigned pointCount) override;
  // Makes room for record `point` (1000 records at first, then twice as
  // many) and zero-fills it.
  void InitNewPoint(unsigned point) override;
  // Packs segment k's value into its field of the current record.
  void WfValue(unsigned k, const void* value) override;
  void NoWfValue(unsigned) override {}
  void DuplicateWfValue(unsigned k) override;

  unsigned Get_PointCount() const { return count_; }
  const void* Get_PackedArray_p() const { return packed_; }
  // Hands the packed values (Get_PointCount records after Term) over to the
  // caller, who frees them through the packed type.
  void* Claim_PackedArray_p() noexcept;

 private:
  const ZELI_Type& packedType_;
  std::vector<ZELI_PackedField> fields_;  // by segment: where its value goes
  unsigned sizeOf_;                       // of one packed record
  unsigned capacity_ = 0;
  unsigned count_ = 0;  // records up to and including the current one
  void* packed_ = nullptr;
  unsigned char* current_ = nullptr;  // the record of the current point
};

#endif  // ZEL_ACCESS_MERGE_PACK_H
