// ZELI_ParameterCachedArray: a read-only array over a parameter's values (or
// its polynomial orders) in position order, with its own copy of the data
// information (monotonicity, minimum and maximum of exactly these values).
//
// Ownership: the container's cache owns the object once the parameter has
// registered it. The parameter keeps it locatable while its values stay
// unchanged; when they change, the parameter lets go (MakeUnlocatable) and
// deletes it at once when nobody references it, else the cache's garbage
// rule deletes it after the last reference is dropped. A buffer handed out
// from it therefore stays valid until the parameter's values change.
#ifndef ZEL_MODEL_PARAMETER_CACHED_ARRAY_H
#define ZEL_MODEL_PARAMETER_CACHED_ARRAY_H

#include "model/cached_array.h"
#include "model/data_information.h"

class ZELI_Parameter;

class ZELI_ParameterCachedArray final : public ZELI_CachedArray {
 public:
  enum Kind : int { VALUES = 0, ORDERS = 1 };

  // Takes ownership of buffer (count values of information's type,
  // allocated through that type) once constructed; when construction fails
  // the buffer stays the caller's.
  ZELI_ParameterCachedArray(ZELI_Parameter* parameter, Kind kind, void* buffer, unsigned count,
                            const ZELI_DataInformation& information);
  // When the parameter still holds the array, tells it to forget the array
  // (the base releases the buffer).
  ~ZELI_ParameterCachedArray() override;

  bool IsLocatable() const override { return parameter_ != nullptr; }
  bool IsStale() const override { return parameter_ == nullptr; }
  void MakeUnlocatable() override { parameter_ = nullptr; }

  Kind Get_Kind() const { return kind_; }
  // Null once the parameter has let go.
  ZELI_Parameter* Get_Parameter_p() const { return parameter_; }
  unsigned Get_Count() const { return Get_PointCount(); }
  const ZELI_DataInformation& Get_DataInformation() const { return *Get_DataInformation_p(); }
  // The value at index (< Get_Count()).
  const void* At(unsigned index) const;

 private:
  ZELI_Parameter* parameter_;  // not owned; null when unlocatable
  Kind kind_;
};

#endif  // ZEL_MODEL_PARAMETER_CACHED_ARRAY_H
