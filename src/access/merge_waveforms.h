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

#include <cstddef>
#include <cstring>
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
// Arrays grow when a point reaches their capacity: to 1000 values first,
// then doubling; a merge that knows how many points to expect reserves room
// for them before its first point. Term trims them to the point count. Each
// array is freed here (with the texts of a string type) unless claimed; a
// claimed array belongs to the caller, to be freed through its operand type.
//
// The members called for every point are defined here, so that a merge
// that knows its action is this one calls them without virtual dispatch.
class ZELI_MergeWaveformsBinaryOp final : public ZELI_MergeWaveformsAction {
 public:
  // segments: at least two (the operands are segments 0 and 1), else
  // ZELI_FailedException "ZELI_MergeWaveformsBinaryOp: operands"; their Y
  // types must store data ("Type does not store data", bad argument).
  explicit ZELI_MergeWaveformsBinaryOp(std::vector<ZELI_WfSegment*> segments);
  ~ZELI_MergeWaveformsBinaryOp() override;

  bool TakesPartInSteps() const override { return true; }
  void Term(unsigned pointCount) override;
  [[gnu::always_inline]] void InitNewPoint(unsigned point) override {
    if (point >= capacities_[0] || point >= capacities_[1]) Grow(point);
    point_ = point;
    if (point >= count_) count_ = point + 1;
  }
  [[gnu::always_inline]] void WfValue(unsigned k, const void* value) override {
    if (k < 2) Put(k, value);
  }
  [[gnu::always_inline]] void NoWfValue(unsigned k) override { DuplicateWfValue(k); }
  [[gnu::always_inline]] void DuplicateWfValue(unsigned k) override {
    if (k >= 2) return;
    if (point_ == 0) {
      ZeroFirst(k);
      return;
    }
    Put(k, static_cast<const unsigned char*>(values_[k]) + static_cast<size_t>(point_ - 1) * sizes_[k]);
  }

  // Room for count points in both arrays at once.
  void Reserve(unsigned count);

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
  // Grows both arrays until they have room for point.
  void Grow(unsigned point);
  // Reallocates operand k's array to capacity values.
  void Resize(unsigned k, unsigned capacity);
  // Copies one value into the current point's slot of operand k (texts
  // duplicated by PutText). Called for every value of every point.
  [[gnu::always_inline]] void Put(unsigned k, const void* value) {
    unsigned char* slot = static_cast<unsigned char*>(values_[k]) + static_cast<size_t>(point_) * sizes_[k];
    if (strings_[k]) {
      PutText(k, slot, value);
      return;
    }
    // The common sizes as fixed-size copies (plain loads and stores).
    switch (sizes_[k]) {
      case 4: std::memcpy(slot, value, 4); return;
      case 8: std::memcpy(slot, value, 8); return;
      case 16: std::memcpy(slot, value, 16); return;
      default: std::memcpy(slot, value, sizes_[k]); return;
    }
  }
  void PutText(unsigned k, void* slot, const void* value);
  // The value of operand k at point 0 without an earlier one: zero.
  void ZeroFirst(unsigned k);

  ZELI_Type* types_[2];                   // not owned
  unsigned sizes_[2];                     // bytes per value
  bool strings_[2];                       // values own texts
  unsigned capacities_[2] = {0, 0};       // values allocated in each array
  void* values_[2] = {nullptr, nullptr};  // owned until claimed
  unsigned point_ = 0;                    // the current point
  unsigned count_ = 0;                    // points begun (InitNewPoint), then the point count
};

#endif  // ZEL_ACCESS_MERGE_WAVEFORMS_H
