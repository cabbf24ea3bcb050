// Data views through the C interface: default and chosen display axes over
// swept waveforms, the values each view segment reads back, X and Y moved
// by the display, the refusals of choosing axes, the open/closed rules of
// enumeration, the waveform held by its view, and bad handles.
#include <vector>

#include <gtest/gtest.h>

#include "writer_test_support.h"

namespace {

using zeltest::WriterFixture;

constexpr unsigned kNone = 0xFFFFFFFFu;

class DataViewTest : public WriterFixture {
 protected:
  // n front points of waveform w in segment: x = i, y = offset + i*i.
  void Write(zel_segment_t segment, zel_waveform_t w, unsigned n, double offset) {
    zel_writer_t writer = Check(ZEL_CreateWriter(session_, segment, 0, ZEL_STORAGE_ANALOG, &status_));
    ZEL_WfDataWriter* data = Add(writer, w);
    ZEL_InitializeFrontWriting(session_, writer, &status_);
    for (unsigned i = 0; i < n; ++i) Front(writer, i, {{data, offset + double(i) * i}});
    ZEL_TerminateWriting(session_, writer, &status_);
    ZEL_DeleteWriter(session_, writer, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
  zel_segment_t SegmentAt(zel_waveformSet_t set, std::vector<unsigned> positions) {
    return Check(ZEL_CreateSegment(session_, set, static_cast<unsigned>(positions.size()), positions.data(), &status_));
  }
  zel_wfDataView_t View(zel_waveform_t w) { return Check(ZEL_CreateWfDataView(session_, w, &status_)); }
  void Axes(zel_wfDataView_t view, std::vector<int> axes) {
    ZEL_SetViewDisplayAxes(session_, view, static_cast<unsigned>(axes.size()), axes.data(), 0, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
  void OpenView(zel_wfDataView_t view) {
    ZEL_OpenWfDataView(session_, view, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
  // The filled view segment indexes, in enumeration order.
  std::vector<unsigned> Walk(zel_wfDataView_t view) {
    std::vector<unsigned> found;
    for (unsigned i = ZEL_GetViewFirstSegment(session_, view, &status_); i != kNone && status_ == ZEL_OK;
         i = ZEL_GetViewNextSegment(session_, view, i, &status_))
      found.push_back(i);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    return found;
  }
  // Every point of leg 0 of a view segment: X and Y values.
  struct Points {
    std::vector<double> x, y;
  };
  Points Read(zel_wfDataView_t view, unsigned index) {
    Points p;
    ZEL_WfSegment* segment = ZEL_GetViewSegment(session_, view, index, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    if (segment == nullptr) return p;
    const unsigned n = ZEL_SetupGetWfSegmentBuffer(segment, 0, 0, &status_);
    const auto* x = static_cast<const double*>(ZEL_GetWfSegmentXBuffer(segment, &status_));
    const auto* y = static_cast<const double*>(ZEL_GetWfSegmentYBuffer(segment, &status_));
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    if (x == nullptr || y == nullptr) return p;
    p.x.assign(x, x + n);
    p.y.assign(y, y + n);
    return p;
  }
  static std::vector<double> Expected(unsigned n, double offset) {
    std::vector<double> v;
    for (unsigned i = 0; i < n; ++i) v.push_back(offset + double(i) * i);
    return v;
  }
  static std::vector<double> Indexes(unsigned n) {
    std::vector<double> v;
    for (unsigned i = 0; i < n; ++i) v.push_back(i);
    return v;
  }

  // A set swept over R (3 values): segments created out of index order,
  // segment k holding 2 + k points at offset 100 * k.
  void MakeSweep() {
    zel_parameter_t r = Parameter(c_, "R", Descriptor(c_, "r", "Ohm"), {1.0, 2.0, 3.0});
    sweep_ = Check(ZEL_CreateWaveformSet(session_, c_, "swept", Descriptor(c_, "t"), 1, &r, &status_));
    wave_ = Check(ZEL_CreateWaveform(session_, sweep_, 0, y_, &status_));
    for (unsigned k : {2u, 0u, 1u}) Write(SegmentAt(sweep_, {k}), wave_, 2 + k, 100.0 * k);
  }

  zel_waveformSet_t sweep_{-1};
  zel_waveform_t wave_{-1};
};

TEST_F(DataViewTest, DefaultAxesWalkEverySegmentAndReadItsValues) {
  MakeSweep();
  // Explicit defaults (count 0) and implicit ones (opening a new view).
  zel_wfDataView_t chosen = View(wave_);
  ZEL_SetViewDisplayAxes(session_, chosen, 0, nullptr, 0, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  zel_wfDataView_t implicit = View(wave_);
  for (zel_wfDataView_t view : {chosen, implicit}) {
    OpenView(view);
    ASSERT_EQ(Walk(view), (std::vector<unsigned>{0, 1, 2}));
    for (unsigned k = 0; k < 3; ++k) {
      const Points p = Read(view, k);
      EXPECT_EQ(p.x, Indexes(2 + k)) << k;
      EXPECT_EQ(p.y, Expected(2 + k, 100.0 * k)) << k;
    }
    EXPECT_EQ(ZEL_GetViewNextSegment(session_, view, 2, &status_), kNone);
    EXPECT_EQ(ZEL_GetViewNextSegment(session_, view, kNone, &status_), kNone);
  }
  ZEL_DeleteWfDataView(session_, chosen, &status_);
  EXPECT_EQ(status_, ZEL_OK);
  // Deleting an open view lets its waveform segments go with it.
  ZEL_DeleteWfDataView(session_, implicit, &status_);
  EXPECT_EQ(status_, ZEL_OK);
}

TEST_F(DataViewTest, TwoParametersFormAMixedRadixFirstDisplayParameterFastest) {
  zel_dimensionDescriptor_t d = Descriptor(c_, "p", "1");
  zel_parameter_t params[] = {Parameter(c_, "p0", d, {1, 2, 3}), Parameter(c_, "p1", d, {1, 2})};
  zel_waveformSet_t set = Check(ZEL_CreateWaveformSet(session_, c_, "grid", Descriptor(c_, "t"), 2, params, &status_));
  zel_waveform_t w = Check(ZEL_CreateWaveform(session_, set, 0, y_, &status_));
  for (unsigned p1 = 0; p1 < 2; ++p1)
    for (unsigned p0 = 0; p0 < 3; ++p0) Write(SegmentAt(set, {p0, p1}), w, 3, 100.0 * p0 + 10.0 * p1);

  // Defaults: view segment 4 shows p0 at 1 and p1 at 1.
  zel_wfDataView_t view = View(w);
  OpenView(view);
  EXPECT_EQ(Walk(view).size(), 6u);
  EXPECT_EQ(Read(view, 4).y, Expected(3, 110));

  // (Y, X, p1, p0): p1 varies fastest, so view segment 1 is p0 0, p1 1.
  zel_wfDataView_t swapped = View(w);
  Axes(swapped, {-2, -1, 1, 0});
  OpenView(swapped);
  EXPECT_EQ(Read(swapped, 1).y, Expected(3, 10));
  EXPECT_EQ(Read(swapped, 4).y, Expected(3, 200));

  // Leaving out p0 (3 values) cannot reach every segment.
  zel_wfDataView_t partial = View(w);
  Axes(partial, {-2, -1, 1});
  ZEL_OpenWfDataView(session_, partial, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_OpenWfDataView: Segment index is out of range.");
  ZEL_GetViewFirstSegment(session_, partial, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetViewFirstSegment: The view is not open");
}

TEST_F(DataViewTest, ChosenAxesSwapOrDuplicateXAndY) {
  MakeSweep();
  struct Case {
    std::vector<int> axes;
    std::vector<double> x, y;
  };
  const std::vector<double> xs = Indexes(4), ys = Expected(4, 200);
  const Case cases[] = {
      {{-2, -1, 0}, xs, ys},  // the defaults spelt out
      {{-1, -2, 0}, ys, xs},  // swapped
      {{-1, -1, 0}, xs, xs},  // X on both axes
      {{-2, -2, 0}, ys, ys},  // Y on both axes
  };
  for (const Case& c : cases) {
    zel_wfDataView_t view = View(wave_);
    Axes(view, c.axes);
    OpenView(view);
    const Points p = Read(view, 2);
    EXPECT_EQ(p.x, c.x) << c.axes[0] << "," << c.axes[1];
    EXPECT_EQ(p.y, c.y) << c.axes[0] << "," << c.axes[1];
    ZEL_DeleteWfDataView(session_, view, &status_);
  }

  // A parameter on the X display axis: stored X shown elsewhere or nowhere.
  const struct {
    std::vector<int> axes;
    const char* message;
  } refused[] = {
      {{-2, 0, -1}, "ZEL_OpenWfDataView: Switching X/Y and Parameter axis not implemented"},
      {{-2, 0}, "ZEL_OpenWfDataView: Dropping X/Y axis not implemented"},
  };
  for (const auto& r : refused) {
    zel_wfDataView_t view = View(wave_);
    Axes(view, r.axes);
    ZEL_OpenWfDataView(session_, view, &status_);
    EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, r.message);
  }
}

TEST_F(DataViewTest, SetDisplayAxesRefusesBadAxesAndASecondCall) {
  MakeSweep();
  zel_wfDataView_t view = View(wave_);
  const int one[] = {-2};
  ZEL_SetViewDisplayAxes(session_, view, 1, one, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_SetViewDisplayAxes: At least X and Y axes must be entered");
  for (int bad : {1, -3, -4}) {  // one parameter only; the CP and "none" are no stored axes
    const int axes[] = {-2, -1, bad};
    ZEL_SetViewDisplayAxes(session_, view, 3, axes, 0, &status_);
    EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_SetViewDisplayAxes: Axis must be an stored axis.");
  }
  ZEL_SetViewDisplayAxes(session_, view, 2, nullptr, 0, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  const int axes[] = {-2, -1, 0};
  ZEL_SetViewDisplayAxes(session_, view, 3, axes, 1, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SetViewDisplayAxes: Curve parametrization is not implemented");

  // None of the refusals chose anything: one call still goes through, once.
  ZEL_SetViewDisplayAxes(session_, view, 3, axes, 0, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_SetViewDisplayAxes(session_, view, 0, nullptr, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SetViewDisplayAxes: Set display axes called out of sequence");

  // An open view refuses before anything else.
  zel_wfDataView_t open = View(wave_);
  OpenView(open);
  ZEL_SetViewDisplayAxes(session_, open, 0, nullptr, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SetViewDisplayAxes: The view is open.");
}

TEST_F(DataViewTest, EnumerationNeedsAnOpenViewAndSegmentsGoWhenItCloses) {
  MakeSweep();
  zel_wfDataView_t view = View(wave_);
  ZEL_GetViewSegment(session_, view, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetViewSegment: The view is not open");
  ZEL_GetViewNextSegment(session_, view, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetViewNextSegment: The view is not open");
  ZEL_CloseWfDataView(session_, view, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_CloseWfDataView: The view is not open");

  OpenView(view);
  ZEL_OpenWfDataView(session_, view, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_OpenWfDataView: The view is open.");
  EXPECT_EQ(ZEL_GetViewSegment(session_, view, 3, &status_), nullptr);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetViewSegment: segment index is out of range");
  ZEL_WfSegment* segment = ZEL_GetViewSegment(session_, view, 1, &status_);
  ASSERT_NE(segment, nullptr);
  EXPECT_EQ(ZEL_GetWfSegmentLegPointCount(segment, 0, &status_), 3u);

  // Closing lets the waveform segments go; their pointers are refused.
  ZEL_CloseWfDataView(session_, view, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_GetWfSegmentLegCount(segment, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  ZEL_GetViewSegment(session_, view, 1, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetViewSegment: The view is not open");
  // Reopening builds them again.
  OpenView(view);
  EXPECT_EQ(Read(view, 1).y, Expected(3, 100));
}

TEST_F(DataViewTest, SegmentsWithoutValuesAreEmptyViewSegments) {
  MakeSweep();
  // A second waveform written only in segment 1 (value position 1).
  zel_waveform_t sparse = Check(ZEL_CreateWaveform(session_, sweep_, 0, y_, &status_));
  zel_segment_t one = Check(ZEL_FindSegment(session_, sweep_, 1, &status_));
  Write(one, sparse, 2, 7);
  zel_wfDataView_t view = View(sparse);
  OpenView(view);
  EXPECT_EQ(Walk(view), std::vector<unsigned>{1});
  ZEL_GetViewSegment(session_, view, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_NOT_FOUND, "ZEL_GetViewSegment: The segment is empty");
  EXPECT_EQ(Read(view, 1).y, Expected(2, 7));

  // No values anywhere: nothing to enumerate.
  zel_wfDataView_t none = View(Check(ZEL_CreateWaveform(session_, sweep_, 0, y_, &status_)));
  OpenView(none);
  EXPECT_EQ(ZEL_GetViewFirstSegment(session_, none, &status_), kNone);
  EXPECT_EQ(status_, ZEL_OK);
}

TEST_F(DataViewTest, AViewHoldsItsWaveform) {
  MakeSweep();
  zel_hierarchyNode_t root = Check(ZEL_GetNameHierarchyRootNode(session_, sweep_, &status_));
  zel_hierarchyNode_t node = Check(ZEL_AddHierarchyScalarWf(session_, root, "top/out", ZEL_HDL_SLASH, wave_, &status_));
  zel_wfDataView_t view = View(wave_);
  OpenView(view);
  ZEL_DeleteHierarchyNode(session_, node, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_DeleteHierarchyNode: Waveform is in use");
  EXPECT_EQ(Read(view, 2).y, Expected(4, 200));
  ZEL_DeleteWfDataView(session_, view, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  ZEL_DeleteHierarchyNode(session_, node, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
}

TEST_F(DataViewTest, BadHandlesAreRefused) {
  MakeSweep();
  ZEL_CreateWfDataView(session_, ZEL_NullWaveform, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  // A handle of another kind with a live key.
  zel_wfDataView_t wrongKind{wave_.key};
  ZEL_OpenWfDataView(session_, wrongKind, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);

  zel_wfDataView_t view = View(wave_);
  OpenView(view);
  ZEL_DeleteWfDataView(session_, view, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  ZEL_GetViewFirstSegment(session_, view, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  ZEL_DeleteWfDataView(session_, view, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  ZEL_SetViewDisplayAxes(session_, ZEL_NullWfDataView, 0, nullptr, 0, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);

  // Views still open when their container closes go with it.
  zel_wfDataView_t open = View(wave_);
  OpenView(open);
  ZEL_WfSegment* segment = ZEL_GetViewSegment(session_, open, 0, &status_);
  Close(c_);
  ZEL_GetViewFirstSegment(session_, open, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  ZEL_GetWfSegmentLegCount(segment, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
}

}  // namespace
