// Derived waveforms: the sources of computed values, cache records and
// their arrays, the per-segment slots over them, and attributes through the
// field waveforms. The values themselves are computed in the access layer
// (access/derived_values.cc).
#include "waveforms/derived_waveform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "model/cached_array.h"
#include "model/container.h"
#include "model/segment.h"
#include "model/waveform_set.h"
#include "store/cache.h"
#include "waveforms/owned_cached_arrays.h"

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

}  // namespace

// ---- sources of computed values ----------------------------------------------------

ZELI_DerivedSources::~ZELI_DerivedSources() { Clear(); }

void ZELI_DerivedSources::Add(ZELI_Cache& cache, ZELI_CachedArray* array) {
  if (array == nullptr || !array->IsLocatable()) return;
  if (std::find(arrays_.begin(), arrays_.end(), array) != arrays_.end()) return;
  ZELI_ReserveOneMore(arrays_);
  array->IncrementReferenceCount();
  arrays_.push_back(array);
  cache_ = &cache;
}

bool ZELI_DerivedSources::IsStale() const {
  for (const ZELI_CachedArray* array : arrays_) {
    if (array->IsStale()) return true;
  }
  return false;
}

void ZELI_DerivedSources::Clear() noexcept {
  // A referenced array leaves the cache only when the cache deletes every
  // array at once (its container goes): those are gone already.
  for (ZELI_CachedArray* array : arrays_) {
    if (cache_->Contains(array)) ZELI_ReleaseCachedArray(*cache_, array);
  }
  arrays_.clear();
}

void ZELI_DerivedSources::Swap(ZELI_DerivedSources& other) noexcept {
  std::swap(cache_, other.cache_);
  arrays_.swap(other.arrays_);
}

// ---- cache records ---------------------------------------------------------------------

ZELI_DerivedWaveform::ZELI_DerivedWaveform(ZELI_WaveformSet* waveformSet, ZELI_DimensionDescriptor* yDescriptor,
                                           zel_semantic_t semantic)
    : ZELI_Waveform(waveformSet, yDescriptor, semantic), cache_(&waveformSet->Get_Container().Get_Cache()) {}

ZELI_DerivedWaveform::~ZELI_DerivedWaveform() {
  // The arrays must not call back into this waveform once it is gone: each
  // becomes unlocatable, deleted at once when unreferenced, else by the
  // cache once its last reference goes.
  for (auto& [segment, record] : caches_) {
    for (ZELI_CachedArray* array : {record->x, record->y, record->order}) cache_->LetGo(array);
  }
}

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
  std::unique_ptr<ZELI_DerivedWfCache>& slot = caches_[segment];
  if (slot != nullptr) {
    // Arrays of the replaced record that the new one does not keep.
    for (ZELI_CachedArray* old : {slot->x, slot->y, slot->order}) {
      if (old != x && old != y && old != order) cache_->LetGo(old);
    }
  }
  slot = std::move(record);
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

bool ZELI_DerivedWaveform::IsStale(ZELI_Segment* segment) const {
  const ZELI_DerivedWfCache* record = Get_DerivedWfCache_p(segment);
  return record != nullptr && record->sources.IsStale();
}

// ---- computed values -------------------------------------------------------------------

namespace {

// A computed array not yet listed in the cache: should it be deleted here,
// it must not call back into its waveform (whose record does not hold it).
class PendingArray {
 public:
  PendingArray() = default;
  ~PendingArray() {
    if (array_ == nullptr) return;
    array_->MakeUnlocatable();
    delete array_;
  }
  PendingArray(const PendingArray&) = delete;
  PendingArray& operator=(const PendingArray&) = delete;
  void Set(ZELI_DerivedWaveformCachedArray* array) noexcept { array_ = array; }
  ZELI_DerivedWaveformCachedArray* Get() const { return array_; }
  ZELI_DerivedWaveformCachedArray* Release() noexcept {
    ZELI_DerivedWaveformCachedArray* array = array_;
    array_ = nullptr;
    return array;
  }

 private:
  ZELI_DerivedWaveformCachedArray* array_ = nullptr;
};

// Wraps values and their summary (both taken over) in a new array.
void Wrap(PendingArray& pending, ZELI_DerivedWaveform* owner, ZELI_Segment* segment,
          ZELI_DerivedWaveformCachedArray::Kind kind, unsigned count, std::unique_ptr<ZELI_TypedValues>& values,
          std::unique_ptr<ZELI_DataInformation>& information) {
  if (values == nullptr || information == nullptr) throw ZELI_FailedException("ZELI_DerivedWaveform: no values");
  auto* array = new ZELI_DerivedWaveformCachedArray(owner, segment, kind, count, information.get(), values->Get());
  information.release();
  values->Release();
  pending.Set(array);
}

}  // namespace

ZELI_CachedArray* ZELI_DerivedWaveform::Store(ZELI_Segment& segment, ZELI_DerivedValues& values) {
  PendingArray x;
  PendingArray y;
  if (values.x != nullptr) {
    Wrap(x, this, &segment, ZELI_DerivedWaveformCachedArray::X, values.count, values.x, values.xInformation);
  }
  Wrap(y, this, &segment, ZELI_DerivedWaveformCachedArray::Y, values.count, values.y, values.yInformation);

  // Every step that may fail comes before the record changes: a new record
  // is entered empty (and taken out again on failure), the arrays are
  // listed one by one (a listed one let go again on failure).
  ZELI_DerivedWfCache* record = Get_DerivedWfCache_p(&segment);
  const bool created = record == nullptr;
  if (created) record = Set_WfCache(&segment, nullptr, nullptr, ZEL_INTERPOLATION_CONSTANT, nullptr);
  ZELI_DerivedWaveformCachedArray* listedX = nullptr;
  try {
    if (x.Get() != nullptr) {
      cache_->Add_CachedArray(x.Get());
      listedX = x.Release();
    }
    cache_->Add_CachedArray(y.Get());
  } catch (...) {
    cache_->LetGo(listedX);
    if (created) caches_.erase(&segment);
    throw;
  }
  ZELI_CachedArray* const old[] = {record->x, record->y, record->order};
  record->x = listedX;
  record->y = y.Release();
  record->order = nullptr;
  record->xInterpolation = ZEL_INTERPOLATION_CONSTANT;
  record->sources.Swap(values.sources);  // the old sources leave with values
  for (ZELI_CachedArray* array : old) cache_->LetGo(array);
  return record->y;
}

ZELI_DerivedWfCache& ZELI_DerivedWaveform::Get_ComputedCache(ZELI_Segment& segment) {
  if (segment.Get_WaveformSet_p() != Get_WaveformSet_p()) {
    throw ZELI_BadArgException("The waveform and the segment belong to different waveform sets.");
  }
  ZELI_DerivedWfCache* record = Get_DerivedWfCache_p(&segment);
  if (record == nullptr || record->y == nullptr || record->sources.IsStale()) {
    ZELI_DerivedValues values = ComputeValues(segment);
    Store(segment, values);
    record = Get_DerivedWfCache_p(&segment);
  }
  // The message callers know for a derived waveform without computed values.
  if (record == nullptr || record->y == nullptr) {
    throw ZELI_FailedException("ZELI_CompositeWaveform::Get_XCachedArray_p");
  }
  return *record;
}

ZELI_CachedArray* ZELI_DerivedWaveform::Get_CachedArray_p(ZELI_Segment& segment) {
  return Get_ComputedCache(segment).y;
}

ZELI_WfSegmentSource ZELI_DerivedWaveform::Get_WfSegmentSource(ZELI_Segment& segment) {
  const ZELI_DerivedWfCache& record = Get_ComputedCache(segment);
  ZELI_WfSegmentSource source;
  if (record.x != nullptr) {
    source.segmentIndex = Get_WaveformSet_p()->Get_SegmentIndexFromParIds(segment.Get_ParIds());
    source.computedX.values = record.x;
    source.computedX.interpolation = record.xInterpolation;
    source.computedX.order = record.order;
  } else {
    // The stored X side of the field the values share it with ("The
    // waveform has no data" when that field has none here).
    source = Get_XSourceWaveform_p()->Get_SourceWaveform_p()->Get_WfSegmentSource(segment);
  }
  source.computedY = record.y;
  return source;
}

const ZELI_DataInformation& ZELI_DerivedWaveform::Get_XDataInformation(ZELI_Segment& segment) {
  const ZELI_DerivedWfCache& record = Get_ComputedCache(segment);
  if (record.x != nullptr) return *record.x->Get_DataInformation_p();
  return Get_XSourceWaveform_p()->Get_XDataInformation(segment);
}

const ZELI_DataInformation& ZELI_DerivedWaveform::Get_YDataInformation(ZELI_Segment& segment) {
  return *Get_CachedArray_p(segment)->Get_DataInformation_p();
}

unsigned ZELI_DerivedWaveform::Get_PointCount(ZELI_Segment& segment) {
  return Get_CachedArray_p(segment)->Get_PointCount();
}

zel_interpolation_t ZELI_DerivedWaveform::Get_XInterpolationType(ZELI_Segment& segment) {
  const ZELI_DerivedWfCache& record = Get_ComputedCache(segment);
  if (record.x != nullptr) return record.xInterpolation;
  return Get_XSourceWaveform_p()->Get_XInterpolationType(segment);
}

// ---- subelement ----------------------------------------------------------------------

ZELI_SubelementWaveform::ZELI_SubelementWaveform(ZELI_WaveformSet* waveformSet, ZELI_DimensionDescriptor* yDescriptor,
                                                 const ZELI_FieldLocation& field)
    : ZELI_DerivedWaveform(waveformSet, yDescriptor,
                           field.waveform != nullptr ? field.waveform->Get_Semantic() : 0),
      field_(field) {
  if (field_.waveform == nullptr) throw ZELI_BadArgException("ZELI_SubelementWaveform: no field");
}

const ZELI_DataInformation& ZELI_SubelementWaveform::Get_XDataInformation(ZELI_Segment& segment) {
  return field_.waveform->Get_XDataInformation(segment);
}

unsigned ZELI_SubelementWaveform::Get_PointCount(ZELI_Segment& segment) {
  return field_.waveform->Get_PointCount(segment);
}

zel_interpolation_t ZELI_SubelementWaveform::Get_XInterpolationType(ZELI_Segment& segment) {
  return field_.waveform->Get_XInterpolationType(segment);
}

const char* ZELI_SubelementWaveform::Get_Attribute(const char* name) const {
  const char* own = ZELI_Waveform::Get_Attribute(name);
  if (own != nullptr) return own;
  return field_.waveform->Get_Attribute(name);
}

const char** ZELI_SubelementWaveform::Get_AttributeNames(unsigned& count) const {
  return UnionOfNames(*this, {field_.waveform}, count);
}

ZELI_DerivedValues ZELI_SubelementWaveform::ComputeValues(ZELI_Segment& segment) const {
  return ZELI_ComputeDerived::Subelement(*this, segment);
}

// ---- composite -----------------------------------------------------------------------

ZELI_CompositeWaveform::ZELI_CompositeWaveform(ZELI_WaveformSet* waveformSet, ZELI_DimensionDescriptor* yDescriptor,
                                               std::vector<ZELI_FieldLocation> fields)
    : ZELI_DerivedWaveform(waveformSet, yDescriptor, 2), fields_(std::move(fields)) {
  if (fields_.empty()) throw ZELI_BadArgException("ZELI_CompositeWaveform: no fields");
  for (const ZELI_FieldLocation& field : fields_) {
    if (field.waveform == nullptr) throw ZELI_BadArgException("ZELI_CompositeWaveform: no field");
  }
}

const char* ZELI_CompositeWaveform::Get_Attribute(const char* name) const {
  const char* own = ZELI_Waveform::Get_Attribute(name);
  for (const ZELI_FieldLocation& field : fields_) {
    if (own != nullptr) break;
    own = field.waveform->Get_Attribute(name);
  }
  return own;
}

const char** ZELI_CompositeWaveform::Get_AttributeNames(unsigned& count) const {
  std::vector<const ZELI_Waveform*> waveforms;
  for (const ZELI_FieldLocation& field : fields_) waveforms.push_back(field.waveform);
  return UnionOfNames(*this, waveforms, count);
}

ZELI_DerivedValues ZELI_CompositeWaveform::ComputeValues(ZELI_Segment& segment) const {
  return ZELI_ComputeDerived::Composite(*this, segment);
}
