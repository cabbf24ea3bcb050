// ZELI_WfDataArray: the typed values of one axis of a waveform segment.
//
// Two forms. Direct: one cached array, point i is its value i. Indexed: an
// index array of unsigned 32-bit value numbers and a value array; point i is
// value index[i] of the value array (so a sparse waveform's X values or a
// front data set's X points are read without copying). A contiguous buffer
// of an indexed array is made once on demand (ConstructDataArray); from
// then on the array is direct and the index and value arrays stay linked.
// When the index is 0, 1, ..., n - 1 over a value array of n values (a
// front data set with one point per X value), that buffer is the value
// array itself, shared instead of copied, and the own information keeps
// describing it.
//
// The summary (type, monotonicity, spacing, extremes) is the own data
// information when set, else the direct array's. The indexed form builds its
// own when first asked for it, so that taking the buffers alone determines
// nothing.
//
// References: one on each linked cached array, released by the destructor.
// A direct array nobody else can locate is deleted with its last reference;
// every other array waits for the cache's garbage rule.
//
// Ownership: a waveform segment owns (and deletes) the data arrays it holds
// and marks itself as their owner; an array with no owner belongs to
// whoever made it. Every data array that exists is listed among the live
// ones, so that a pointer handed back by a caller is checked before use.
#ifndef ZEL_ACCESS_WF_DATA_ARRAY_H
#define ZEL_ACCESS_WF_DATA_ARRAY_H

#include <cstddef>

#include "access/live_registry.h"

class ZELI_CachedArray;
class ZELI_Container;
class ZELI_DataInformation;
class ZELI_Operation;
class ZELI_Type;
class ZELI_WfSegment;

class ZELI_WfDataArray {
 public:
  // Direct form; takes one reference on direct (not null).
  ZELI_WfDataArray(ZELI_Container& container, ZELI_CachedArray* direct);
  // Indexed form; the index array's values must be 4 bytes wide ("ZELI_WfDataArray:
  // index size", internal failure) and each index below the value count
  // ("ZELI_WfDataArray: index out of range"). Takes one reference on each.
  // Its own data information, over the indexed values, is built when first
  // asked for (taken over from the value array when the index runs over
  // every value in order and that summary is what a scan of them found).
  ZELI_WfDataArray(ZELI_Container& container, ZELI_CachedArray* index, ZELI_CachedArray* values);
  // Copies the links (one more reference each) and the own information.
  ZELI_WfDataArray(const ZELI_WfDataArray& other);
  ZELI_WfDataArray& operator=(const ZELI_WfDataArray&) = delete;
  ~ZELI_WfDataArray();

  // Whether p is the address of a data array that exists now.
  static bool IsLive(const void* p) noexcept { return ZELI_LiveRegistry<ZELI_WfDataArray>::IsLive(p); }
  // The waveform segment that owns this array, or null.
  const ZELI_WfSegment* Get_Owner_p() const { return owner_; }
  void Set_Owner_p(const ZELI_WfSegment* owner) { owner_ = owner; }

  ZELI_Container& Get_Container() const { return *container_; }
  bool IsIndexed() const { return direct_ == nullptr; }
  // True when a linked cached array no longer shows what is stored.
  bool IsStale() const;
  ZELI_CachedArray* Get_DirectArray_p() const { return direct_; }
  ZELI_CachedArray* Get_IndexArray_p() const { return index_; }
  ZELI_CachedArray* Get_ValueArray_p() const { return values_; }
  // "ZELI_WfDataArray::Get_DataInformation_p implementation" with neither.
  ZELI_DataInformation* Get_DataInformation_p() const;
  ZELI_Type* Get_Type_p() const;
  unsigned Get_SizeOf() const;
  // Direct array's count, or the index array's.
  unsigned Get_PointCount() const;

  // Address of point i (i < point count; the caller checks). Never copies.
  const void* Get_PointAddress(unsigned i) const;
  // Address of point i with the points from i onward contiguous: an indexed
  // array is turned direct first.
  const void* Get_BufferAddress(unsigned i);
  // Turns an indexed array direct ("ZELI_WfDataArray::ConstructDataArray"
  // when there is no index array).
  void ConstructDataArray();

  // ---- operations on the values (wf_data_array_operation.cc) ----
  // Replaces the values by the operation's results over them, in point
  // order: a unary operation or a type conversion (ApplyUnaryOperation), or
  // a binary operation with a scalar (ApplyBinaryOperationWithScalar); any
  // other operation: "ZELI_WfDataArray::ApplyOperation implementation"
  // (internal failure).
  //
  // The results are written over the values themselves when nobody else can
  // see them: a direct array, not indexed, whose cached array no owner can
  // locate and no other data array references, and whose result type is no
  // wider than the values' type (neither holding texts). Otherwise they go
  // into new zeroed memory, which becomes a new plain cached array in the
  // container's cache, referenced here once; the arrays linked before are
  // released. Either way the summary is new: monotonicity and extremes
  // determined over the results, the old data spacing kept.
  //
  // A failure leaves this array with its links and summary (an indexed
  // array may have been turned direct, as for any buffer); only a failure
  // part-way through an operation written over private values leaves the
  // values it had already replaced (nobody else sees them). Operand or result types of size 0: ZELI_BadArgException "Type
  // does not store data".
  void ApplyOperation(const ZELI_Operation& operation, const void* scalar, bool reversed);
  // The operation (unary or convert type) once over all values.
  void ApplyUnaryOperation(const ZELI_Operation& operation);
  // The operation on each value and scalar (one value of the other
  // operand's type), one value at a time: (value, scalar), or (scalar,
  // value) when reversed. A null scalar: ZELI_BadArgException "Null data
  // buffer".
  void ApplyBinaryOperationWithScalar(const ZELI_Operation& operation, const void* scalar, bool reversed);

 private:
  // Computes the results of an operation that reads the values as
  // operandType with compute(input, count, result) and installs them (see
  // ApplyOperation).
  template <class Compute>
  void ReplaceValues(const ZELI_Operation& operation, const ZELI_Type* operandType, Compute compute);
  // Whether results of resultType may be written over the values.
  bool IsWritableInPlace(const ZELI_Type& resultType) const;

  ZELI_LiveMark<ZELI_WfDataArray> live_;  // first: listed before anything else is built
  ZELI_Container* container_;
  ZELI_CachedArray* direct_ = nullptr;  // one reference held
  ZELI_CachedArray* index_ = nullptr;   // one reference held
  ZELI_CachedArray* values_ = nullptr;  // one reference held
  // Builds the own information of the indexed form (see the constructor).
  void BuildOwnInformation() const;

  mutable ZELI_DataInformation* ownInformation_ = nullptr;  // owned
  // Indexed form whose own information is still to be built (on the first
  // Get_DataInformation_p; the type needs none).
  mutable bool ownPending_ = false;
  // Indexed form whose index is the identity over every value (see above).
  bool allValuesInOrder_ = false;
  const ZELI_WfSegment* owner_ = nullptr;  // not owned; the segment that deletes this array
};

#endif  // ZEL_ACCESS_WF_DATA_ARRAY_H
