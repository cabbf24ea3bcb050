// Derived waveforms: cache records, attributes through the field
// waveforms, and the per-segment slots (forwarded to the first field where
// the answer does not depend on computed arrays).
#include "waveforms/derived_waveform.h"

#include <cstdlib>
#include <cstring>

#include "errors/exceptions.h"
#include "model/waveform_set.h"

namespace {

// Own names first, then those of the field waveforms, without repetition.
const char** UnionOfNames(const ZELI_Waveform& self, const std::vector<const ZELI_Waveform*>& fields,
                          unsigned& count) {
  ZELI_Attributes names;
  self.Enter_AttributeNames(names);
  for (const ZELI_Waveform* field : fields) {
    if (field != nullptr) field->Enter_AttributeNames(names);
  }
  // The names must outlive the temporary map: answer with the union's names
  // found again in the waveforms' own maps.
  unsigned n = 0;
  const char** list = names.Get_AttributeNames(n);
  for (unsigned i = 0; i < n; ++i) {
    const char* owned = nullptr;
    auto findOwned = [&](const ZELI_Waveform& w) {
      unsigned c = 0;
      const char** own = w.Get_Attributes().Get_AttributeNames(c);
      for (unsigned k = 0; k < c && owned == nullptr; ++k) {
        if (std::strcmp(own[k], list[i]) == 0) owned = own[k];
      }
      std::free(own);
    };
    findOwned(self);
    for (const ZELI_Waveform* field : fields) {
      if (owned == nullptr && field != nullptr) findOwned(*field);
    }
    list[i] = owned;
  }
  count = n;
  return list;
}

[[noreturn]] void Unimplemented(const char* what) {
  throw ZELI_FailedException(ZELI_Message() << "Unimplemented: " << what);
}

}  // namespace

ZELI_DerivedWaveform::~ZELI_DerivedWaveform() = default;

ZELI_DerivedWfCache* ZELI_DerivedWaveform::Get_DerivedWfCache_p(ZELI_Segment* segment) const {
  auto found = caches_.find(segment);
  return found != caches_.end() ? found->second.get() : nullptr;
}

ZELI_DerivedWfCache* ZELI_DerivedWaveform::Set_WfCache(ZELI_Segment* segment, ZELI_CachedArray* x,
                                                       ZELI_CachedArray* y, zel_interpolation_t interpolation,
                                                       ZELI_CachedArray* order) {
  auto record = std::make_unique<ZELI_DerivedWfCache>();
  record->x = x;
  record->y = y;
  record->xInterpolation = interpolation;
  record->order = order;
  ZELI_DerivedWfCache* result = record.get();
  caches_[segment] = std::move(record);
  return result;
}

void ZELI_DerivedWaveform::Invalidate_CachedArray_p(ZELI_Segment* segment, unsigned kind) {
  ZELI_DerivedWfCache* record = Get_DerivedWfCache_p(segment);
  if (record == nullptr) throw ZELI_FailedException("ZELI_DerivedWaveform::Invalidate_CachedArray_p no value");
  static const char* const messages[] = {"ZELI_DerivedWaveform::Invalidate_CachedArray_p X",
                                         "ZELI_DerivedWaveform::Invalidate_CachedArray_p Y",
                                         "ZELI_DerivedWaveform::Invalidate_CachedArray_p Order"};
  ZELI_CachedArray** slots[] = {&record->x, &record->y, &record->order};
  if (kind > 2) throw ZELI_FailedException("ZELI_DerivedWaveform::Invalidate_CachedArray_p kind");
  if (*slots[kind] == nullptr) throw ZELI_FailedException(messages[kind]);
  *slots[kind] = nullptr;
}

// ---- subelement ----------------------------------------------------------------------

ZELI_SubelementWaveform::ZELI_SubelementWaveform(ZELI_WaveformSet* waveformSet, ZELI_DimensionDescriptor* yDescriptor,
                                                 const ZELI_FieldLocation& field)
    : ZELI_DerivedWaveform(waveformSet, yDescriptor,
                           field.waveform != nullptr ? field.waveform->Get_Semantic() : 0),
      field_(field) {}

const char* ZELI_SubelementWaveform::Get_Attribute(const char* name) const {
  const char* own = ZELI_Waveform::Get_Attribute(name);
  if (own != nullptr || field_.waveform == nullptr) return own;
  return field_.waveform->Get_Attribute(name);
}

const char** ZELI_SubelementWaveform::Get_AttributeNames(unsigned& count) const {
  return UnionOfNames(*this, {field_.waveform}, count);
}

// Computed values arrive with the read path; the message names the read
// they would serve.
ZELI_WfSegmentSource ZELI_SubelementWaveform::Get_WfSegmentSource(ZELI_Segment&) {
  Unimplemented("ZELI_SubelementWaveform::Get_WfSegment_p");
}

const ZELI_DataInformation& ZELI_SubelementWaveform::Get_XDataInformation(ZELI_Segment& segment) {
  return field_.waveform->Get_XDataInformation(segment);
}

const ZELI_DataInformation& ZELI_SubelementWaveform::Get_YDataInformation(ZELI_Segment&) {
  Unimplemented("ZELI_SubelementWaveform::Get_YDataInformation");
}

unsigned ZELI_SubelementWaveform::Get_PointCount(ZELI_Segment& segment) {
  return field_.waveform->Get_PointCount(segment);
}

zel_interpolation_t ZELI_SubelementWaveform::Get_XInterpolationType(ZELI_Segment& segment) {
  return field_.waveform->Get_XInterpolationType(segment);
}

ZELI_CachedArray* ZELI_SubelementWaveform::Get_CachedArray_p(ZELI_Segment&) {
  Unimplemented("ZELI_SubelementWaveform::Get_CachedArray_p");
}

// ---- composite -----------------------------------------------------------------------

ZELI_CompositeWaveform::ZELI_CompositeWaveform(ZELI_WaveformSet* waveformSet, ZELI_DimensionDescriptor* yDescriptor,
                                               std::vector<ZELI_FieldLocation> fields)
    : ZELI_DerivedWaveform(waveformSet, yDescriptor, 2), fields_(std::move(fields)) {
  if (fields_.empty()) throw ZELI_BadArgException("ZELI_CompositeWaveform: no fields");
}

const char* ZELI_CompositeWaveform::Get_Attribute(const char* name) const {
  const char* own = ZELI_Waveform::Get_Attribute(name);
  for (const ZELI_FieldLocation& field : fields_) {
    if (own != nullptr) break;
    if (field.waveform != nullptr) own = field.waveform->Get_Attribute(name);
  }
  return own;
}

const char** ZELI_CompositeWaveform::Get_AttributeNames(unsigned& count) const {
  std::vector<const ZELI_Waveform*> waveforms;
  for (const ZELI_FieldLocation& field : fields_) waveforms.push_back(field.waveform);
  return UnionOfNames(*this, waveforms, count);
}

ZELI_WfSegmentSource ZELI_CompositeWaveform::Get_WfSegmentSource(ZELI_Segment&) {
  Unimplemented("ZELI_CompositeWaveform::Get_WfSegment_p");
}

const ZELI_DataInformation& ZELI_CompositeWaveform::Get_XDataInformation(ZELI_Segment& segment) {
  return fields_.front().waveform->Get_XDataInformation(segment);
}

const ZELI_DataInformation& ZELI_CompositeWaveform::Get_YDataInformation(ZELI_Segment&) {
  Unimplemented("ZELI_CompositeWaveform::Get_YDataInformation");
}

unsigned ZELI_CompositeWaveform::Get_PointCount(ZELI_Segment& segment) {
  return fields_.front().waveform->Get_PointCount(segment);
}

zel_interpolation_t ZELI_CompositeWaveform::Get_XInterpolationType(ZELI_Segment& segment) {
  return fields_.front().waveform->Get_XInterpolationType(segment);
}

ZELI_CachedArray* ZELI_CompositeWaveform::Get_CachedArray_p(ZELI_Segment&) {
  Unimplemented("ZELI_CompositeWaveform::Get_CachedArray_p");
}
