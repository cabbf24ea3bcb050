// The computed kinds of waveform: ZELI_DerivedWaveform (abstract, caches
// per segment the arrays it computed), ZELI_SubelementWaveform (one field of
// a source waveform with composite Y values) and ZELI_CompositeWaveform
// (composite Y values assembled from fields held by several source
// waveforms). The hierarchy creates them; they are never stored.
//
// Values: the first read in a segment computes them from the field
// waveforms (the access layer does, waveforms/derived_values.h) and keeps
// them in the segment's cache record as ZELI_DerivedWaveformCachedArray
// objects listed in the container's cache: the Y values, and X values unless
// the X side is the (first) field's own. The interpolation of computed X is
// constant. The record also holds references on the cached arrays the values
// were computed from; once one of those goes stale (the stored values
// changed: a writer added some, a commit), the next read computes again and
// lets the old arrays go. A computation
// that fails leaves the record as it was.
//
// Per-segment answers: the Y summary is the computed Y array's; point
// count, X summary and X interpolation come from the computed X array when
// the record holds one (a subelement, a composite whose fields were merged
// onto a common X), else from the (first) field waveform.
//
// Ownership: a derived waveform owns its cache records; the arrays they hold
// are listed in (and deleted by) the container's cache: when the waveform
// dies it lets them go (unlocatable, deleted once unreferenced), so that no
// array calls back into a dead waveform. The field waveforms are not owned:
// the hierarchy destroys a derived waveform before any of its fields
// (waveforms/hierarchy_waveforms.cc, model/hierarchy_edit.cc).
#ifndef ZEL_WAVEFORMS_DERIVED_WAVEFORM_H
#define ZEL_WAVEFORMS_DERIVED_WAVEFORM_H

#include <map>
#include <memory>
#include <vector>

#include "waveforms/derived_values.h"
#include "waveforms/waveform.h"

class ZELI_CachedArray;

// What a derived waveform computed for one segment; any array may be absent
// (the cache clears a pointer through Invalidate_CachedArray_p when it
// deletes the array).
struct ZELI_DerivedWfCache {
  ZELI_CachedArray* x = nullptr;
  ZELI_CachedArray* y = nullptr;
  zel_interpolation_t xInterpolation = ZEL_INTERPOLATION_CONSTANT;
  ZELI_CachedArray* order = nullptr;
  // What the arrays were computed from (see ZELI_DerivedSources).
  ZELI_DerivedSources sources;
};

// Where a field lives: the waveform holding it, its offset within one
// composite Y value (units of ZELI_Type::PackData), and the field type's
// packed size (subelements; 0 in a composite's list).
struct ZELI_FieldLocation {
  ZELI_Waveform* waveform = nullptr;
  unsigned offset = 0;
  unsigned packedSize = 0;
};

class ZELI_DerivedWaveform : public ZELI_Waveform {
 public:
  // waveformSet must not be null (its container's cache lists the arrays).
  ZELI_DerivedWaveform(ZELI_WaveformSet* waveformSet, ZELI_DimensionDescriptor* yDescriptor,
                       zel_semantic_t semantic);
  // Lets go of every array its records still hold and deletes the records.
  // Never throws.
  ~ZELI_DerivedWaveform() override;

  // Null when none.
  ZELI_DerivedWfCache* Get_DerivedWfCache_p(ZELI_Segment* segment) const;
  // A new record for the segment, returned; a record there was is replaced,
  // and its arrays that the new one does not hold are let go.
  ZELI_DerivedWfCache* Set_WfCache(ZELI_Segment* segment, ZELI_CachedArray* x, ZELI_CachedArray* y,
                                   zel_interpolation_t interpolation, ZELI_CachedArray* order);
  // Forgets one array of the segment's record (kind 0 X, 1 Y, 2 order);
  // called by the array being deleted. No record: "ZELI_DerivedWaveform::
  // Invalidate_CachedArray_p no value"; the pointer already clear: "...
  // X", "... Y", "... Order"; another kind: "... kind".
  void Invalidate_CachedArray_p(ZELI_Segment* segment, unsigned kind);
  // Whether the record of the segment was computed from values that have
  // changed since (false without a record).
  bool IsStale(ZELI_Segment* segment) const;

  // The Y cached array of the segment, computed on first use (and again
  // once stale).
  ZELI_CachedArray* Get_CachedArray_p(ZELI_Segment& segment);
  // The segment's record with its Y array computed (Get_CachedArray_p).
  ZELI_DerivedWfCache& Get_ComputedCache(ZELI_Segment& segment);

  // ---- slots 4 to 8 (see the file comment) ----
  ZELI_WfSegmentSource Get_WfSegmentSource(ZELI_Segment& segment) override;
  const ZELI_DataInformation& Get_XDataInformation(ZELI_Segment& segment) override;
  const ZELI_DataInformation& Get_YDataInformation(ZELI_Segment& segment) override;
  unsigned Get_PointCount(ZELI_Segment& segment) override;
  zel_interpolation_t Get_XInterpolationType(ZELI_Segment& segment) override;

  // The waveform whose X side a derived waveform without computed X shares:
  // the field's (subelement) or the first field's (composite).
  virtual ZELI_Waveform* Get_XSourceWaveform_p() const = 0;

 protected:
  // The values of the segment, from the access layer.
  virtual ZELI_DerivedValues ComputeValues(ZELI_Segment& segment) const = 0;

 private:
  // Wraps computed values in cached arrays listed in the container's cache
  // and puts them into the segment's record, letting the old ones go.
  ZELI_CachedArray* Store(ZELI_Segment& segment, ZELI_DerivedValues& values);

  ZELI_Cache* cache_;  // the container's; outlives every waveform of it
  std::map<ZELI_Segment*, std::unique_ptr<ZELI_DerivedWfCache>> caches_;
};

class ZELI_SubelementWaveform : public ZELI_DerivedWaveform {
 public:
  ZELI_SubelementWaveform(ZELI_WaveformSet* waveformSet, ZELI_DimensionDescriptor* yDescriptor,
                          const ZELI_FieldLocation& field);

  const char* Get_Attribute(const char* name) const override;
  const char** Get_AttributeNames(unsigned& count) const override;
  ZELI_Waveform* Get_XSourceWaveform_p() const override { return field_.waveform; }
  const ZELI_FieldLocation& Get_Field() const { return field_; }
  // The stored summaries of X (point count, X information and interpolation)
  // are the field's, as stored: the values read may be fewer (an
  // enumeration field is cut to its changes) and their X its own.
  const ZELI_DataInformation& Get_XDataInformation(ZELI_Segment& segment) override;
  unsigned Get_PointCount(ZELI_Segment& segment) override;
  zel_interpolation_t Get_XInterpolationType(ZELI_Segment& segment) override;

 protected:
  ZELI_DerivedValues ComputeValues(ZELI_Segment& segment) const override;

 private:
  ZELI_FieldLocation field_;
};

class ZELI_CompositeWaveform : public ZELI_DerivedWaveform {
 public:
  // fields must not be empty.
  ZELI_CompositeWaveform(ZELI_WaveformSet* waveformSet, ZELI_DimensionDescriptor* yDescriptor,
                         std::vector<ZELI_FieldLocation> fields);

  const char* Get_Attribute(const char* name) const override;
  const char** Get_AttributeNames(unsigned& count) const override;
  ZELI_Waveform* Get_XSourceWaveform_p() const override { return fields_.front().waveform; }
  const std::vector<ZELI_FieldLocation>& Get_Fields() const { return fields_; }

 protected:
  ZELI_DerivedValues ComputeValues(ZELI_Segment& segment) const override;

 private:
  std::vector<ZELI_FieldLocation> fields_;
};

#endif  // ZEL_WAVEFORMS_DERIVED_WAVEFORM_H
