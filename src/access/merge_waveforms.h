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

#endif  // ZEL_ACCESS_MERGE_WAVEFORMS_H
