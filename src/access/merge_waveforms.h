// Merging waveform segments onto a common X axis.
//
// ZELI_WfSegment::MergeWaveforms walks leg 0 of every segment once, in
// ascending X (a decreasing segment from its last point), and produces the
// merged X values; for every merged point it tells an action what each
// segment's Y value there is: its own value (WfValue, at a point of its
// own or interpolated between two), none (NoWfValue, outside its X range),
// or the value it had at the previous merged point (DuplicateWfValue, in
// step mode). Actions:
//   ZELI_MergeWaveformsBinaryOp  the two operands of a binary operation
//                                (takes part in step mode)
//   ZELI_MergeWaveformsPack      composite values packed from fields
//                                (does not)
#ifndef ZEL_ACCESS_MERGE_WAVEFORMS_H
#define ZEL_ACCESS_MERGE_WAVEFORMS_H

#include <vector>

class ZELI_Type;
class ZELI_WfSegment;

// Receives merged points. Calls per point: InitNewPoint(i), then one of
// WfValue / NoWfValue / DuplicateWfValue per segment in order; at the end
// Term(count). Every call may throw; an action frees what it holds in its
// destructor unless it was claimed.
class ZELI_MergeWaveformsAction {
 public:
  explicit ZELI_MergeWaveformsAction(std::vector<ZELI_WfSegment*> segments) : segments_(std::move(segments)) {}
  virtual ~ZELI_MergeWaveformsAction() = default;
  ZELI_MergeWaveformsAction(const ZELI_MergeWaveformsAction&) = delete;
  ZELI_MergeWaveformsAction& operator=(const ZELI_MergeWaveformsAction&) = delete;

  // Whether a mix of constant and linear or polynomial interpolation makes
  // two merged points at each step (see ZELI_WfSegment::MergeWaveforms).
  virtual bool TakesPartInSteps() const = 0;
  virtual void Term(unsigned pointCount) = 0;
  virtual void InitNewPoint(unsigned point) = 0;
  // value: one value of segment k's Y type.
  virtual void WfValue(unsigned k, const void* value) = 0;
  virtual void NoWfValue(unsigned k) = 0;
  virtual void DuplicateWfValue(unsigned k) = 0;

  const std::vector<ZELI_WfSegment*>& Get_Segments() const { return segments_; }

 protected:
  std::vector<ZELI_WfSegment*> segments_;  // not owned
};

// The two operands of a binary operation between waveform segments 0 and 1
// of the merge: one value of each per merged point, in two arrays allocated
// through the operand types (segment 0's and segment 1's Y types). Other
// segments' values are ignored. A segment without a value at a point
// (NoWfValue) keeps the value it had at the previous point, zero at the
// first; in step mode DuplicateWfValue does the same.
//
// Arrays grow to 1000 values at the first point, then double; Term trims
// them to the point count. Each array is freed here (with the texts of a
// string type) unless claimed; a claimed array belongs to the caller, to be
// freed through its operand type.
class ZELI_MergeWaveformsBinaryOp final : public ZELI_MergeWaveformsAction {
 public:
  // segments: at least two (the operands are segments 0 and 1), else
  // ZELI_FailedException "ZELI_MergeWaveformsBinaryOp: operands".
  explicit ZELI_MergeWaveformsBinaryOp(std::vector<ZELI_WfSegment*> segments);
  ~ZELI_MergeWaveformsBinaryOp() override;

  bool TakesPartInSteps() const override { return true; }
  void Term(unsigned pointCount) override;
  void InitNewPoint(unsigned point) override;
  void WfValue(unsigned k, const void* value) override;
  void NoWfValue(unsigned k) override { DuplicateWfValue(k); }
  void DuplicateWfValue(unsigned k) override;

  ZELI_Type* Get_Operand1Type_p() const { return types_[0]; }
  ZELI_Type* Get_Operand2Type_p() const { return types_[1]; }
  // The number of values in each array (after Term: the point count).
  unsigned Get_Count() const { return count_; }
  const void* Get_Operand1Array_p() const { return values_[0]; }
  const void* Get_Operand2Array_p() const { return values_[1]; }
  // Hands an array over: the caller frees it through the operand type.
  void* Claim_Operand1Array_p() noexcept { return Claim(0); }
  void* Claim_Operand2Array_p() noexcept { return Claim(1); }

 private:
  void* Claim(unsigned k) noexcept;
  // Reallocates operand k's array to capacity values.
  void Resize(unsigned k, unsigned capacity);
  // Copies one value into the current point's slot of operand k (strings
  // duplicated).
  void Put(unsigned k, const void* value);

  ZELI_Type* types_[2];                   // not owned
  unsigned sizes_[2];                     // bytes per value
  bool strings_[2];                       // values own texts
  unsigned capacities_[2] = {0, 0};       // values allocated in each array
  void* values_[2] = {nullptr, nullptr};  // owned until claimed
  unsigned point_ = 0;                    // the current point
  unsigned count_ = 0;                    // points begun (InitNewPoint), then the point count
};

#endif  // ZEL_ACCESS_MERGE_WAVEFORMS_H
