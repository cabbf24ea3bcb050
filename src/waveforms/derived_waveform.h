// The computed kinds of waveform: ZELI_DerivedWaveform (abstract, caches
// per segment the arrays it computed), ZELI_SubelementWaveform (one field of
// a source waveform with composite Y values) and ZELI_CompositeWaveform
// (composite Y values assembled from fields held by several source
// waveforms). The hierarchy creates them; they are never stored.
//
// The cached arrays and waveform segments they compute arrive with the read
// path; until then their per-segment slots fail with "Unimplemented ...".
// Attributes and references work now: a derived waveform answers its own
// attributes first, then those of its field waveforms.
//
// Ownership: a derived waveform owns its cache records and the arrays they
// still hold; the field waveforms are not owned.
#ifndef ZEL_WAVEFORMS_DERIVED_WAVEFORM_H
#define ZEL_WAVEFORMS_DERIVED_WAVEFORM_H

#include <map>
#include <memory>
#include <vector>

#include "waveforms/waveform.h"

class ZELI_CachedArray;

// What a derived waveform computed for one segment; any array may be absent.
struct ZELI_DerivedWfCache {
  ZELI_CachedArray* x = nullptr;
  ZELI_CachedArray* y = nullptr;
  zel_interpolation_t xInterpolation = ZEL_INTERPOLATION_CONSTANT;
  ZELI_CachedArray* order = nullptr;
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
  using ZELI_Waveform::ZELI_Waveform;
  // Deletes every cache record (the arrays still held are the cache's).
  ~ZELI_DerivedWaveform() override;

  // Null when none.
  ZELI_DerivedWfCache* Get_DerivedWfCache_p(ZELI_Segment* segment) const;
  ZELI_DerivedWfCache* Set_WfCache(ZELI_Segment* segment, ZELI_CachedArray* x, ZELI_CachedArray* y,
                                   zel_interpolation_t interpolation, ZELI_CachedArray* order);
  // Forgets one array of the segment's record (kind 0 X, 1 Y, 2 order).
  void Invalidate_CachedArray_p(ZELI_Segment* segment, unsigned kind);

 private:
  std::map<ZELI_Segment*, std::unique_ptr<ZELI_DerivedWfCache>> caches_;
};

class ZELI_SubelementWaveform : public ZELI_DerivedWaveform {
 public:
  ZELI_SubelementWaveform(ZELI_WaveformSet* waveformSet, ZELI_DimensionDescriptor* yDescriptor,
                          const ZELI_FieldLocation& field);

  const char* Get_Attribute(const char* name) const override;
  const char** Get_AttributeNames(unsigned& count) const override;
  ZELI_WfSegmentSource Get_WfSegmentSource(ZELI_Segment& segment) override;
  const ZELI_DataInformation& Get_XDataInformation(ZELI_Segment& segment) override;
  const ZELI_DataInformation& Get_YDataInformation(ZELI_Segment& segment) override;
  unsigned Get_PointCount(ZELI_Segment& segment) override;
  zel_interpolation_t Get_XInterpolationType(ZELI_Segment& segment) override;
  ZELI_CachedArray* Get_CachedArray_p(ZELI_Segment& segment);
  const ZELI_FieldLocation& Get_Field() const { return field_; }

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
  ZELI_WfSegmentSource Get_WfSegmentSource(ZELI_Segment& segment) override;
  const ZELI_DataInformation& Get_XDataInformation(ZELI_Segment& segment) override;
  const ZELI_DataInformation& Get_YDataInformation(ZELI_Segment& segment) override;
  unsigned Get_PointCount(ZELI_Segment& segment) override;
  zel_interpolation_t Get_XInterpolationType(ZELI_Segment& segment) override;
  ZELI_CachedArray* Get_CachedArray_p(ZELI_Segment& segment);
  const std::vector<ZELI_FieldLocation>& Get_Fields() const { return fields_; }

 private:
  std::vector<ZELI_FieldLocation> fields_;
};

#endif  // ZEL_WAVEFORMS_DERIVED_WAVEFORM_H
