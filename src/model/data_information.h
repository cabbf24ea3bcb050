// ZELI_DataInformation: the summary that travels with every array of stored
// or computed values (parameter values, X values of a shared X set, the
// values of each waveform in a data set, cached arrays): the type of the
// values, their monotonicity, data spacing, interpolation type, compression
// fields, and their minimum and maximum.
//
// Determined versus given. Monotonicity and the extremes are either given by
// the caller (Set_Monotonicity, Set_MinMax) or determined from the values
// (DetermineMonMinMax). A given monotonicity lets DetermineMonMinMax take the
// extremes from the ends of the array without scanning it; a determined one
// says nothing about values added since, so it is recomputed over all the
// data every time. Given extremes are never overwritten; determined ones are
// replaced by each determination.
//
// Min/max storage: room for two values of the type (minimum, then maximum),
// allocated through the type on first use and released through it (string
// values own their texts).
//
// Stored record (Write / Read), in the structure stream's encoding:
//   monotonicity u8, data spacing u8, interpolation u8, compression u8,
//   compression user code i32, min/max set u8 (0 or 1), then the minimum and
//   the maximum through the type's data writer when set.
// Older streams: version 0 has one extra 32-bit word in front (skipped);
// versions 0 and 1 store monotonicity 0, 1, 2 for 0, 2, 3; below version 2
// there is no interpolation byte. The record cannot tell given from
// determined: a monotonicity read back counts as determined (it can always
// be recomputed exactly), extremes read back count as given (a caller's
// deliberate range must not be lost to a recomputation).
#ifndef ZEL_MODEL_DATA_INFORMATION_H
#define ZEL_MODEL_DATA_INFORMATION_H

#include "store/node_pool.h"
#include "zel/zel.h"

class ZELI_Istream;
class ZELI_Ostream;
class ZELI_Type;

class ZELI_DataInformation {
 public:
  // From the small-object pools (one per waveform of every data set).
  ZELI_SMALL_OBJECT_OPERATORS
  // The initial state over values of type (not owned; may be null for an
  // array without values yet): everything unknown, compression 1.
  explicit ZELI_DataInformation(ZELI_Type* type = nullptr);
  // Copies every field, given/determined flags included, and makes its own
  // copy of the two stored values.
  ZELI_DataInformation(const ZELI_DataInformation& other);
  ZELI_DataInformation& operator=(const ZELI_DataInformation& other);
  ~ZELI_DataInformation();

  ZELI_Type* Get_Type_p() const { return type_; }
  // The type's size of a value (0 without a type).
  unsigned Get_SizeOf() const;

  // Each refuses MIXED and DEFAULT ("Explicitly setting MIXED/DEFAULT ...")
  // and values outside the enumeration, with ZELI_BadArgException; nothing
  // changes then.
  zel_dataSpacing_t Get_DataSpacing() const { return dataSpacing_; }
  void Set_DataSpacing(zel_dataSpacing_t spacing);
  zel_monotonicity_t Get_Monotonicity() const { return monotonicity_; }
  // A given monotonicity (UNKNOWN clears it: the next determination scans).
  void Set_Monotonicity(zel_monotonicity_t monotonicity);
  bool IsMonotonicityGiven() const { return monotonicityGiven_; }
  zel_interpolation_t Get_InterpolationType() const { return interpolation_; }
  void Set_InterpolationType(zel_interpolation_t interpolation);
  // Stored in one byte: 0 to 255, else ZELI_BadArgException.
  zel_compression_t Get_Compression() const { return compression_; }
  void Set_Compression(zel_compression_t compression);
  int Get_CompressionUserCode() const { return compressionUserCode_; }
  void Set_CompressionUserCode(int code) { compressionUserCode_ = code; }
  // Spacing, interpolation and compression fields of other (the settings a
  // copy of an array into another container keeps).
  void CopySettings(const ZELI_DataInformation& other);

  // Given extremes: copies both values (one value each, in the type's
  // layout) through the type.
  void Set_MinMax(const void* min, const void* max);
  // Clears the set flag (the storage stays allocated).
  void Unset_MinMax();
  bool IsMinMaxSet() const { return minMaxSet_; }
  bool IsMinMaxGiven() const { return minMaxSet_ && minMaxGiven_; }
  // Copies both values out (strings as new malloc'd texts the caller owns);
  // ZELI_FailedException "Min/Max values are not set." when not set.
  void Get_MinMax(void* min, void* max) const;
  // The stored values themselves (null when not set); owned by this object.
  const void* Get_Min_p() const;
  const void* Get_Max_p() const;
  // Forgets what was determined: a determined monotonicity returns to
  // UNKNOWN and determined extremes are unset. Given ones stay.
  void ForgetDetermined();

  // Monotonicity, minimum and maximum of n values laid out by the type.
  // Composite types are left alone; scalar kinds without an ordering fail
  // with ZELI_FailedException "ZELI_DataInformation::DetermineMonMinMax
  // implementation".
  void DetermineMonMinMax(const void* values, unsigned n);
  // The same over values[indices[0]] .. values[indices[n-1]] (the indices
  // must lie inside values). With a monotone index array (indexInformation
  // 2 to 5) and a given monotonicity 2 to 5, only the extremes are taken,
  // from the values at the first and last index.
  void DetermineMonMinMax(const ZELI_DataInformation* indexInformation, const void* values,
                          const unsigned* indices, unsigned n);

  void Write(ZELI_Ostream& out) const;
  // Replaces every field with a stored record for values of this object's
  // type; on failure (ZELI_FailedException naming the record, or "End of
  // file") nothing changes.
  void Read(ZELI_Istream& in);

 private:
  // Room for the two values, allocated through the type.
  void* MinMaxStorage();
  void ReleaseMinMax() noexcept;
  // Stores determined extremes copied from two values of the type, unless
  // given ones are set.
  void StoreDetermined(const void* min, const void* max);
  void Swap(ZELI_DataInformation& other) noexcept;

  ZELI_Type* type_;  // not owned
  zel_dataSpacing_t dataSpacing_ = ZEL_DATASPACING_UNKNOWN;
  zel_monotonicity_t monotonicity_ = ZEL_MONOTONICITY_UNKNOWN;
  zel_interpolation_t interpolation_ = ZEL_INTERPOLATION_NONE;
  zel_compression_t compression_ = 1;
  int compressionUserCode_ = 0;
  void* minMax_ = nullptr;  // two values of type_, or null
  bool minMaxSet_ = false;
  bool monotonicityGiven_ = false;
  bool minMaxGiven_ = false;
};

#endif  // ZEL_MODEL_DATA_INFORMATION_H
