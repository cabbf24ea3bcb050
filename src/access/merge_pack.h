// ZELI_MergeWaveformsPack: the merge action that packs one composite value
// per merged X point from the Y values of several waveform segments, each
// the field of the composite type at its own bit offset (composite
// waveforms whose fields do not share their X values).
//
// A field without a value at a merged point (outside its X range) stays
// zero. The action takes no part in step handling: a field with constant
// interpolation gives its value at the current point, so DuplicateWfValue
// is never called (ZELI_FailedException "ZELI_MergeWaveformsPack::
// DuplicateWfValue called" should it be).
//
// Ownership: the packed values (allocated through the composite type) are
// the action's until claimed; the segments and types are not owned.
#ifndef ZEL_ACCESS_MERGE_PACK_H
#define ZEL_ACCESS_MERGE_PACK_H

#include <vector>

#include "access/merge_waveforms.h"
#include "types/type.h"

struct ZELI_FieldLocation;

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
