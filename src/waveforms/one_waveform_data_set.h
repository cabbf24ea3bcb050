// ZELI_OneWaveformDataSet: exactly one waveform, values appended in runs;
// in sparse mode every value carries the X index at which it was entered
// (an Array data set of the container's internal integer type), and with
// POLYNOMIAL interpolation every point an order (another such array).
//
// Values appended through the in-memory path (EnterValuesSimp) are written
// to the values array at once like any other, so every point that a stored
// point count covers is in the array; the real, float and complex values
// are also kept in memory so that the position's data information can be
// recomputed over all of them on each append.
#ifndef ZEL_WAVEFORMS_ONE_WAVEFORM_DATA_SET_H
#define ZEL_WAVEFORMS_ONE_WAVEFORM_DATA_SET_H

#include <memory>
#include <vector>

#include "waveforms/data_set.h"

class ZELI_OneWaveformDataSet : public ZELI_DataSet {
 public:
  ZELI_OneWaveformDataSet(ZELI_SharedXSet& sharedXSet, bool sparse);
  ZELI_OneWaveformDataSet(ZELI_SharedXSet& sharedXSet, ReadTag tag) : ZELI_DataSet(One_Waveform, sharedXSet, tag) {}
  ~ZELI_OneWaveformDataSet() override;

  unsigned Get_PointCount(unsigned position) const override;
  void Set_InterpolationType(zel_interpolation_t interpolation) override;
  zel_interpolation_t Get_InterpolationType() const override { return interpolation_; }
  unsigned Add_Waveform_p(ZELI_SourceWaveform* waveform) override;
  void InitializeWriting() override;
  void OpenMemoryArrays(zel_iomode_t mode) override;
  void CloseMemoryArrays() override;
  void Synchronize(unsigned pointCount) override;
  void WritePointCount(ZELI_Ostream& out) const override;
  void ReadPointCount(ZELI_Istream& in) override;
  void CheckPointCount() const override;
  void CheckOrders(const int* orders, unsigned n) const override;
  void CheckXIndices(const int* indices, unsigned n) const override;
  void EnterValuesSimp(unsigned position, const void* values, unsigned n, zel_bool_t simple) override;
  void EnterValues(unsigned position, const void* values, unsigned n) override;
  void EnterOrders(const int* orders, unsigned n) override;
  void EnterXIndices(const int* indices, unsigned n) override;
  // Dense: the first X values; sparse: the X values at the X indices.
  ZELI_WfSegmentXParts Get_WfSegmentXData(unsigned position) override;
  ZELI_WfSegmentYParts Get_WfSegmentYData(unsigned position) override;
  // Slot 0 only ("ZELI_OneWaveformDataSet::Invalidate_CachedArray_p").
  void Invalidate_CachedArray_p(unsigned slot) override;
  void ForgetCachedArrays() noexcept override;
  void Discard() override;

  bool IsSparse() const { return xIndices_ != nullptr; }
  ZELI_ArrayDataSet* Get_XIndices_p() const { return xIndices_.get(); }
  ZELI_ArrayDataSet* Get_Orders_p() const { return orders_.get(); }
  ZELI_Type* Get_ValueType_p() const { return valueType_; }
  // Reads min(n, count - first) values; returns how many (the arrays must
  // be open).
  unsigned Get_Data(unsigned first, void* buffer, unsigned n) const;

 protected:
  const ZELI_Type* StoredValueType() const override { return valueType_; }
  void ReadKindFields(ZELI_Istream& in, ZELI_KeyMap<ZELI_InternalBase>& map) override;
  void WriteKindFields(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>& map) const override;

 private:
  // Position check, and in sparse mode one value per call with its X index.
  void PrepareEntry(unsigned position, unsigned n);
  void AppendValues(const void* values, unsigned n);
  bool HasOrders() const { return orders_ != nullptr; }
  // Points a waveform segment shows: every value of a sparse data set (one
  // X index each, "ZELI_OneWaveformDataSet: X indices and values differ in
  // count" otherwise); a dense one pairs its values with the first X values,
  // as many as both have (they differ while writing goes on, and after an
  // array run that was not cut at shutdown).
  unsigned Get_ReadPointCount() const;
  // Every value, kept at slot 0 (the arrays must be open).
  ZELI_CachedArray* ValuesArray(unsigned position);

  std::unique_ptr<ZELI_ArrayDataSet> xIndices_;  // sparse mode only
  zel_interpolation_t interpolation_ = ZEL_INTERPOLATION_NONE;
  std::unique_ptr<ZELI_ArrayDataSet> orders_;  // POLYNOMIAL after initialization
  unsigned pointCount_ = 0;
  ZELI_Type* valueType_ = nullptr;  // not owned
  std::vector<char> simpValues_;    // values of the in-memory path (see above)
};

#endif  // ZEL_WAVEFORMS_ONE_WAVEFORM_DATA_SET_H
