// Fixture of the merging and waveform operation tests: waveform segments
// built by hand over cached arrays of the container's types, their values
// read back, an operation that computes with the types' own arithmetic (as
// the built-in operations do) and can be made to fail, and an action that
// records what a merge tells it.
#ifndef ZEL_TESTS_WF_OPERATIONS_TEST_SUPPORT_H
#define ZEL_TESTS_WF_OPERATIONS_TEST_SUPPORT_H

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "access/convert_type.h"
#include "access/merge_waveforms.h"
#include "access/operation.h"
#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "model/cached_array.h"
#include "model/data_information.h"
#include "type_operations_test_support.h"

namespace zeltest {

// The status and message of the library exception body throws ("7 text"),
// or "(no failure)".
template <typename Body>
std::string StatusOf(Body body) {
  try {
    body();
  } catch (const ZELI_Exception& e) {
    return std::to_string(static_cast<int>(e.status)) + " " + e.what();
  }
  return "(no failure)";
}

// A cached array whose owner can still locate it, as a data set's are.
class LocatableArray : public ZELI_CachedArray {
 public:
  using ZELI_CachedArray::ZELI_CachedArray;
  bool IsLocatable() const override { return locatable; }
  void MakeUnlocatable() override { locatable = false; }
  bool locatable = true;
};

// An operation over the types' own arithmetic. fail makes every call fail
// after writing its results (as a caller's callback that fills its result
// and then returns an error would); textsOnly skips the arithmetic and gives
// each slot of a string result a malloc'd text (failing if a slot did not
// start as a null pointer), so that whoever frees the result must free them.
class TestOperation : public ZELI_Operation {
 public:
  using ZELI_Operation::ZELI_Operation;
  void ApplyUnaryOperation(void* operand, unsigned count, void* result) const override {
    ++calls;
    if (!textsOnly) Get_FirstType_p()->ApplyUnaryOp(Get_Operation(), operand, count, result);
    Finish(result, count);
  }
  void ApplyBinaryOperation(void* first, void* second, unsigned count, void* result) const override {
    ++calls;
    if (!textsOnly)
      Get_FirstType_p()->ApplyBinaryOp(Get_Operation(), Get_SecondType_p(), first, second, count, result);
    Finish(result, count);
  }
  void ApplyConvertTypeOperation(void* operand, unsigned count, void* result) const override {
    ++calls;
    if (!textsOnly) ZELI_ConvertType(Get_FirstType_p(), Get_ResultType_p(), operand, count, result);
    Finish(result, count);
  }

  bool fail = false;
  bool textsOnly = false;
  mutable unsigned calls = 0;

 private:
  void Finish(void* result, unsigned count) const {
    if (textsOnly && Get_ResultType_p()->HoldsStrings()) {
      for (unsigned i = 0; i < count; ++i) {
        char*& slot = static_cast<char**>(result)[i];
        if (slot != nullptr) throw ZELI_FailedException("result slot not null");
        slot = strdup("text");
      }
    }
    if (fail) throw ZELI_FailedException("User operation failed");
  }
};

class WfOperationsTest : public TypeOperationsTest {
 protected:
  // A cached array of the values (laid out as T by type), listed in the
  // container's cache with its summary determined. Locatable ones stand
  // for arrays a data set still holds.
  template <typename T>
  ZELI_CachedArray* Cached(ZELI_Type* type, const std::vector<T>& values, bool locatable = false) {
    const unsigned n = static_cast<unsigned>(values.size());
    void* data = type->ReallocData(nullptr, n, 0);
    if (n > 0) std::memcpy(data, values.data(), n * sizeof(T));
    auto* information = new ZELI_DataInformation(type);
    information->DetermineMonMinMax(data, n);
    ZELI_CachedArray* array =
        locatable ? new LocatableArray(n, information, data) : new ZELI_CachedArray(n, information, data);
    container_->Get_Cache().Add_CachedArray(array);
    return array;
  }
  ZELI_CachedArray* Texts(const std::vector<const char*>& texts) {
    std::vector<char*> copies;
    for (const char* t : texts) copies.push_back(strdup(t));
    return Cached(string_, copies);
  }
  std::unique_ptr<ZELI_WfSegment> Over(ZELI_CachedArray* x, ZELI_CachedArray* y,
                                       zel_interpolation_t interpolation = ZEL_INTERPOLATION_LINEAR,
                                       ZELI_CachedArray* order = nullptr) {
    if (order != nullptr) order->IncrementReferenceCount();  // the reference the X data hands over
    auto* xData = new ZELI_WfSegmentXData(new ZELI_WfDataArray(*container_, x), interpolation, order);
    return std::make_unique<ZELI_WfSegment>(0, xData, new ZELI_WfDataArray(*container_, y));
  }
  // A waveform segment of X values of xType and Y values of yType.
  template <typename X, typename Y>
  std::unique_ptr<ZELI_WfSegment> Segment(ZELI_Type* xType, const std::vector<X>& x, ZELI_Type* yType,
                                          const std::vector<Y>& y,
                                          zel_interpolation_t interpolation = ZEL_INTERPOLATION_LINEAR) {
    return Over(Cached(xType, x), Cached(yType, y), interpolation);
  }
  // Real X and Y.
  std::unique_ptr<ZELI_WfSegment> Real(const std::vector<double>& x, const std::vector<double>& y,
                                       zel_interpolation_t interpolation = ZEL_INTERPOLATION_LINEAR) {
    return Segment(real_, x, real_, y, interpolation);
  }

  template <typename T>
  static std::vector<T> ValuesOf(const ZELI_WfDataArray& array) {
    std::vector<T> values(array.Get_PointCount());
    for (unsigned i = 0; i < values.size(); ++i) std::memcpy(&values[i], array.Get_PointAddress(i), sizeof(T));
    return values;
  }
  template <typename T = double>
  static std::vector<T> XOf(const ZELI_WfSegment& s) {
    return ValuesOf<T>(*s.Get_XDataArray_p());
  }
  template <typename T = double>
  static std::vector<T> YOf(const ZELI_WfSegment& s) {
    return ValuesOf<T>(*s.Get_YDataArray_p());
  }
  template <typename T>
  static std::vector<T> Array(const void* p, unsigned n) {
    std::vector<T> values(n);
    if (n > 0) std::memcpy(values.data(), p, n * sizeof(T));
    return values;
  }

  // An operation of the types' arithmetic whose result type is the one the
  // first type gives (or result, for conversions).
  std::unique_ptr<TestOperation> Unary(zel_operation_t op, ZELI_Type* first, ZELI_Type* x = nullptr) {
    ZELI_Type* result = first->UnaryOpResultType_p(container_, op);
    return std::make_unique<TestOperation>(op, first, nullptr, x, result);
  }
  std::unique_ptr<TestOperation> Binary(zel_operation_t op, ZELI_Type* first, ZELI_Type* second,
                                        ZELI_Type* x = nullptr) {
    ZELI_Type* result = first->BinaryOpResultType_p(container_, op, second);
    return std::make_unique<TestOperation>(op, first, second, x, result);
  }
  std::unique_ptr<TestOperation> Convert(ZELI_Type* from, ZELI_Type* to) {
    return std::make_unique<TestOperation>(ZEL_OP_CONVERT_TYPE, from, nullptr, nullptr, to);
  }

  unsigned CacheCount() const { return container_->Get_Cache().Get_Count(); }
};

// Writes down every call of a merge: "|i" for a new point, "k=v" for a
// value (printed as a double when the segment's Y type is real, as the
// first byte otherwise), "k-" for no value, "k^" for a duplicate, "T n" at
// the end.
class RecordingAction : public ZELI_MergeWaveformsAction {
 public:
  RecordingAction(std::vector<ZELI_WfSegment*> segments, bool steps)
      : ZELI_MergeWaveformsAction(std::move(segments)), steps_(steps) {}
  bool TakesPartInSteps() const override { return steps_; }
  void Term(unsigned count) override { log += " T" + std::to_string(count); }
  void InitNewPoint(unsigned point) override {
    if (failAt == static_cast<int>(point)) throw ZELI_FailedException("action failed");
    log += (log.empty() ? "|" : " |") + std::to_string(point);
  }
  void WfValue(unsigned k, const void* value) override {
    char text[64];
    if (segments_[k]->Get_YType_p()->Get_DataType() == ZEL_REAL) {
      double v;
      std::memcpy(&v, value, sizeof v);
      std::snprintf(text, sizeof text, " %u=%g", k, v);
    } else {
      std::snprintf(text, sizeof text, " %u=#%d", k, *static_cast<const unsigned char*>(value));
    }
    log += text;
  }
  void NoWfValue(unsigned k) override { log += " " + std::to_string(k) + "-"; }
  void DuplicateWfValue(unsigned k) override { log += " " + std::to_string(k) + "^"; }

  std::string log;
  int failAt = -1;  // InitNewPoint of this point fails

 private:
  bool steps_;
};

}  // namespace zeltest

#endif  // ZEL_TESTS_WF_OPERATIONS_TEST_SUPPORT_H
