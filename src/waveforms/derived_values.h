// What a derived waveform asks of the access layer: its values in one
// segment, computed from the waveform segments of its field waveforms. The
// waveforms layer cannot read waveform segments (they are built in access/),
// so it declares these functions here and the access layer implements them
// (access/derived_values.cc). The derived waveform keeps what they return in
// its cache record (waveforms/derived_waveform.h).
//
// Ownership: a ZELI_DerivedValues owns its value buffers (allocated through
// their types) and their summaries until the derived waveform takes them,
// and holds one reference on each source array it lists (released with it
// unless taken over).
#ifndef ZEL_WAVEFORMS_DERIVED_VALUES_H
#define ZEL_WAVEFORMS_DERIVED_VALUES_H

#include <memory>
#include <vector>

#include "model/data_information.h"
#include "types/typed_values.h"

class ZELI_Cache;
class ZELI_CachedArray;
class ZELI_CompositeWaveform;
class ZELI_Segment;
class ZELI_SubelementWaveform;

// The cached arrays that computed values were read from, one reference held
// on each: when one of them goes stale (its owner let go because the stored
// values changed), the computed values no longer show what is stored.
// Only arrays an owner can locate are listed (the others never go stale).
class ZELI_DerivedSources {
 public:
  ZELI_DerivedSources() = default;
  // Releases every reference still held; arrays the cache no longer lists
  // (it deleted them all when its container went) are not touched.
  ~ZELI_DerivedSources();
  ZELI_DerivedSources(const ZELI_DerivedSources&) = delete;
  ZELI_DerivedSources& operator=(const ZELI_DerivedSources&) = delete;
  // Takes the references over; other is left empty.
  ZELI_DerivedSources(ZELI_DerivedSources&& other) noexcept { Swap(other); }

  // Takes one reference on array when an owner can locate it (null and
  // plain arrays are skipped). All arrays must belong to cache.
  void Add(ZELI_Cache& cache, ZELI_CachedArray* array);
  bool IsStale() const;
  // Releases the held references now (as the destructor does).
  void Clear() noexcept;
  void Swap(ZELI_DerivedSources& other) noexcept;

 private:
  ZELI_Cache* cache_ = nullptr;
  std::vector<ZELI_CachedArray*> arrays_;  // one reference each
};

// The values of a derived waveform in one segment: count Y values of the
// waveform's Y type and, unless the X side is the (first) field's own,
// count X values of the X type, each with its summary.
struct ZELI_DerivedValues {
  unsigned count = 0;
  std::unique_ptr<ZELI_TypedValues> x;  // null: the X side is the field's source data
  std::unique_ptr<ZELI_DataInformation> xInformation;
  std::unique_ptr<ZELI_TypedValues> y;
  std::unique_ptr<ZELI_DataInformation> yInformation;
  ZELI_DerivedSources sources;
};

// Implemented by the access layer (access/derived_values.cc). Each reads the
// field waveforms' segments (which must have one leg each) and fails as
// that reading fails; a failure leaves nothing behind.
namespace ZELI_ComputeDerived {

// The field extracted from every value of the source waveform, reduced to
// the points where it changes for an enumeration field; X values always
// computed.
ZELI_DerivedValues Subelement(const ZELI_SubelementWaveform& waveform, ZELI_Segment& segment);
// Composite values packed from the fields: over the fields' common X axis
// (no X values computed) or, when their X axes differ, over their merged X.
ZELI_DerivedValues Composite(const ZELI_CompositeWaveform& waveform, ZELI_Segment& segment);

}  // namespace ZELI_ComputeDerived

#endif  // ZEL_WAVEFORMS_DERIVED_VALUES_H
