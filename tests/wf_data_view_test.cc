// Data views through the C interface: default and chosen display axes over
// swept waveforms, the values each view segment reads back, X and Y moved
// by the display, the refusals of choosing axes, the open/closed rules of
// enumeration, the waveform held by its view, and bad handles.
#include <cstring>
#include <functional>
#include <string>
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
  Axes(chosen, {});
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

TEST_F(DataViewTest, ChosenAxesSwapOrDuplicateXAndYAndAreChosenOnceFromStoredAxes) {
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

  // Choosing refuses bad axes, and a second call.
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

TEST_F(DataViewTest, EnumerationNeedsAnOpenViewSegmentsStayUntilItOpensAgainAndMayBeEmpty) {
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

  double value = 0;
  ZEL_GetWfSegmentParameterValue(segment, 3, &value, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetWfSegmentParameterValue: Unimplemented");

  // Closed, the view keeps its waveform segments until it is opened again
  // or deleted: they still read, and display parameters are refused.
  ZEL_CloseWfDataView(session_, view, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(ZEL_GetWfSegmentLegPointCount(segment, 0, &status_), 3u);
  ZEL_GetWfSegmentParameterValue(segment, 3, &value, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetWfSegmentParameterValue: The view is not open");
  ZEL_GetViewSegment(session_, view, 1, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetViewSegment: The view is not open");
  // Reopening builds them again.
  OpenView(view);
  EXPECT_EQ(Read(view, 1).y, Expected(3, 100));

  // A second waveform written only in segment 1 (value position 1): its
  // other segments are empty view segments.
  zel_waveform_t sparse = Check(ZEL_CreateWaveform(session_, sweep_, 0, y_, &status_));
  zel_segment_t one = Check(ZEL_FindSegment(session_, sweep_, 1, &status_));
  Write(one, sparse, 2, 7);
  zel_wfDataView_t sparseView = View(sparse);
  OpenView(sparseView);
  EXPECT_EQ(Walk(sparseView), std::vector<unsigned>{1});
  ZEL_GetViewSegment(session_, sparseView, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_NOT_FOUND, "ZEL_GetViewSegment: The segment is empty");
  EXPECT_EQ(Read(sparseView, 1).y, Expected(2, 7));

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

TEST_F(DataViewTest, SegmentsAreFoundByTheirParameterValuesAfterInsertionsAndLateCreation) {
  MakeSweep();
  zel_wfDataView_t view = View(wave_);  // made before the set changes
  // A value inserted before R = 2 moves the positions of R = 2 and 3; the
  // segment of the new value is created after the view.
  zel_parameter_t r = Check(ZEL_GetWaveformSetParameter(session_, sweep_, 0, &status_));
  const double r15 = 1.5;
  ZEL_InsertParameterValuesBefore(session_, r, 1, 1, &r15, nullptr, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  Write(SegmentAt(sweep_, {1}), wave_, 2, 50);
  OpenView(view);
  EXPECT_EQ(Walk(view), (std::vector<unsigned>{0, 1, 2, 3}));
  EXPECT_EQ(Read(view, 0).y, Expected(2, 0));
  EXPECT_EQ(Read(view, 1).y, Expected(2, 50));
  EXPECT_EQ(Read(view, 2).y, Expected(3, 100));
  EXPECT_EQ(Read(view, 3).y, Expected(4, 200));
  // The stored summaries name segments the same way.
  EXPECT_EQ(ZEL_GetViewStoredPointCount(session_, view, 3, &status_), 4u);
  EXPECT_EQ(ZEL_GetViewStoredPointCount(session_, view, 1, &status_), 2u);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
}

// A caller's conversion: "<tag>:<value as integer>", counting its calls.
struct Tagged {
  const char* tag;
  int calls;
};
char* TagValue(void* userData, void* value) {
  auto* tagged = static_cast<Tagged*>(userData);
  ++tagged->calls;
  const std::string text = std::string(tagged->tag) + ":" + std::to_string(static_cast<int>(*static_cast<double*>(value)));
  return strdup(text.c_str());
}

TEST_F(DataViewTest, ConvertedTextFollowsTheViewsConversions) {
  MakeSweep();
  zel_wfDataView_t view = View(wave_);
  OpenView(view);
  ZEL_WfSegment* segment = ZEL_GetViewSegment(session_, view, 1, &status_);  // y 100, 101, 104
  auto texts = [&](bool y) {
    ZEL_SetupGetWfSegmentBuffer(segment, 0, 0, &status_);
    const char* const* t = y ? ZEL_GetWfSegmentConvertedYBuffer(segment, &status_)
                             : ZEL_GetWfSegmentConvertedXBuffer(segment, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    std::vector<std::string> out;
    for (unsigned i = 0; t != nullptr && i < 3; ++i) out.push_back(t[i] == nullptr ? "(null)" : t[i]);
    return out;
  };
  using S = std::vector<std::string>;
  // Conversions may change while the view is open.
  ZEL_SetViewConversion(session_, view, -2, ZEL_CONVERT_INTEGER, &status_);
  ZEL_SetViewConversion(session_, view, -1, ZEL_CONVERT_INTEGER, &status_);
  EXPECT_EQ(texts(true), (S{"100", "101", "104"}));
  EXPECT_EQ(texts(false), (S{"0", "1", "2"}));
  // Which data an axis's text shows.
  ZEL_SetViewConversionXY(session_, view, -2, ZEL_CONVERT_XY_X, &status_);
  ZEL_SetViewConversionXY(session_, view, -1, ZEL_CONVERT_XY_Y, &status_);
  EXPECT_EQ(texts(true), (S{"0", "1", "2"}));
  EXPECT_EQ(texts(false), (S{"100", "101", "104"}));
  ZEL_SetViewConversionXY(session_, view, -2, ZEL_CONVERT_XY_NONE, &status_);
  // A caller's function with its user data.
  Tagged tagged{"y", 0};
  ZEL_SetViewConversionFunction(session_, view, -2, TagValue, &tagged, &status_);
  EXPECT_EQ(texts(true), (S{"y:100", "y:101", "y:104"}));
  EXPECT_EQ(tagged.calls, 3);
  EXPECT_STREQ(ZEL_GetWfSegmentConvertedYValue(segment, ZEL_GetWfSegmentYBuffer(segment, &status_), &status_),
               "y:100");

  // Refusals.
  ZEL_SetViewConversion(session_, view, -2, ZEL_CONVERT_FUNCTION, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_SetViewConversion: ZEL_CONVERT_FUNCTION cannot be set this way.");
  ZEL_SetViewConversion(session_, view, -2, static_cast<zel_conversion_t>(17), &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_SetViewConversion: The type does not support the zel_conversion_t");
  ZEL_SetViewConversion(session_, view, 1, ZEL_CONVERT_DEFAULT, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_SetViewConversion: Axis must be a display axis.");
  ZEL_SetViewConversionXY(session_, view, -2, static_cast<zel_conversion_xy_t>(3), &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_SetViewConversionFunction(session_, view, -2, nullptr, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  // The refusals left the function in place.
  EXPECT_EQ(texts(true), (S{"y:100", "y:101", "y:104"}));
}

TEST_F(DataViewTest, SelectionsSamplingsWindowsAndGranularityAreCheckedAndRecorded) {
  MakeSweep();
  zel_wfDataView_t view = View(wave_);
  const double low = 0, high = 2;
  struct Case {
    std::function<void()> call;
    zel_status_t status;
    const char* message;
  };
  const Case cases[] = {
      {[&] { ZEL_SetViewPointSelectionByIndex(session_, view, -1, 3, 2, &status_); }, ZEL_BAD_ARG,
       "ZEL_SetViewPointSelectionByIndex: low index must be <= high index"},
      {[&] { ZEL_SetViewPointSelectionAll(session_, view, 1, &status_); }, ZEL_BAD_ARG,
       "ZEL_SetViewPointSelectionAll: Axis must be an stored axis."},
      {[&] { ZEL_SetViewSamplingByValue(session_, view, -1, &low, &high, ZEL_DATASPACING_1, 4, &status_); },
       ZEL_BAD_ARG,
       "ZEL_SetViewSamplingByValue: Spacing must be linear equidistant or logarithmic equidistant."},
      {[&] { ZEL_SetViewPointSelectionByValue(session_, view, -1, &low, nullptr, &status_); }, ZEL_BAD_ARG, nullptr},
      {[&] { ZEL_SetViewWindow(session_, view, 0, &low, &high, &status_); }, ZEL_BAD_ARG,
       "ZEL_SetViewWindow: Axis must be an X or Y axis."},
      {[&] { ZEL_SetViewGranularity(session_, view, 3, 3, 0, 1, &status_); }, ZEL_BAD_ARG,
       "ZEL_SetViewGranularity: Granularity loX >= hiX"},
      {[&] { ZEL_SetViewGranularity(session_, view, 0, 1, 2, 1, &status_); }, ZEL_BAD_ARG,
       "ZEL_SetViewGranularity: Granularity loY >= hiY"},
  };
  for (const Case& c : cases) {
    status_ = ZEL_OK;
    c.call();
    EXPECT_EQ(status_, c.status) << ZEL_GetError();
    if (c.message != nullptr) {
      EXPECT_STREQ(ZEL_GetError(), c.message);
    }
  }
  // Accepted settings on X and Y are recorded; the view shows every point.
  ZEL_SetViewPointSelectionByIndex(session_, view, -1, 0, 1, &status_);
  ZEL_SetViewSamplingByValue(session_, view, -2, &low, &high, ZEL_DATASPACING_LINEAR_EQUIDISTANT, 3, &status_);
  ZEL_SetViewWindow(session_, view, -1, &low, &high, &status_);
  ZEL_SetViewGranularity(session_, view, 0, 10, 0, 10, &status_);
  ZEL_RemoveViewGranularity(session_, view, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  OpenView(view);
  EXPECT_EQ(Read(view, 2).y, Expected(4, 200));
  ZEL_SetViewWindow(session_, view, -1, &low, &high, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SetViewWindow: The view is open.");
  ZEL_SetViewPointSelectionAll(session_, view, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SetViewPointSelectionAll: The view is open.");
  ZEL_RemoveViewWindow(session_, view, -1, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_RemoveViewWindow: The view is open.");
  ZEL_SetViewGranularity(session_, view, 0, 10, 0, 10, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SetViewGranularity: The view is open.");
  ZEL_RemoveViewGranularity(session_, view, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_RemoveViewGranularity: The view is open.");
  ZEL_CloseWfDataView(session_, view, &status_);
  // On a parameter, a selection other than "all" makes opening fail.
  const double r = 2;
  ZEL_SetViewPointSelectionByValue(session_, view, 0, &r, &r, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_OpenWfDataView(session_, view, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_OpenWfDataView: Not implemented: selection and sampling.");
  ZEL_SetViewPointSelectionAll(session_, view, 0, &status_);
  OpenView(view);
}

TEST_F(DataViewTest, StoredAndDisplaySummaries) {
  MakeSweep();  // segment k: x 0 .. 1 + k, y 100k + x*x
  zel_wfDataView_t view = View(wave_);
  EXPECT_EQ(ZEL_GetViewParameterCount(session_, view, &status_), 1u);  // the defaults to come
  EXPECT_EQ(ZEL_GetViewStoredParameterCount(session_, view, &status_), 1u);
  double min = -1, max = -1;
  EXPECT_EQ(ZEL_GetViewStoredPointCount(session_, view, 2, &status_), 4u);
  ZEL_GetViewStoredPointCount(session_, view, 3, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_NOT_FOUND, "ZEL_GetViewStoredPointCount: No such segment or stored waveform");
  EXPECT_TRUE(ZEL_AreSameParameter(ZEL_GetViewStoredParameter(session_, view, 0, &status_),
                                   ZEL_GetWaveformSetParameter(session_, sweep_, 0, &status_)));
  ZEL_GetViewStoredParameter(session_, view, -1, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetViewStoredParameter: Incorrect axis");
  EXPECT_TRUE(ZEL_AreSameType(ZEL_GetViewStoredAxisType(session_, view, -2, &status_),
                              ZEL_GetViewAxisType(session_, view, -2, &status_)));

  // Display summaries need the open view and run over its segments.
  ZEL_GetViewAxisMinMax(session_, view, -2, &min, &max, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetViewAxisMinMax: The view is not open");
  OpenView(view);
  ZEL_GetViewAxisMinMax(session_, view, -2, &min, &max, &status_);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 209);
  ZEL_GetViewAxisMinMax(session_, view, -1, &min, &max, &status_);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 3);
  EXPECT_EQ(ZEL_GetViewAxisMonotonicity(session_, view, -1, &status_),
            ZEL_GetWfSegmentXMonotonicity(ZEL_GetViewSegment(session_, view, 0, &status_), &status_));
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_GetViewAxisDataSpacing(session_, view, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetViewAxisDataSpacing: Unimplemented");
  ZEL_GetViewAxisDataSpacing(session_, view, 1, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetViewAxisDataSpacing: Invalid axis.");
  ZEL_GetViewAxisMinMax(session_, view, -3, &min, &max, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetViewAxisMinMax: Unimplemented: ZELI_WfSegment::Get_CPMinMax ()");
  ZEL_GetViewAxisInterpolationType(session_, view, -2, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED,
                     "ZEL_GetViewAxisInterpolationType: Unimplemented: ZELI_WfSegment::Get_YInterpolationType ()");

  // View segment indexes; parameter values are not provided.
  const unsigned two[] = {2}, one_too_many[] = {0, 0};
  EXPECT_EQ(ZEL_GetViewSegmentIndex(session_, view, 1, two, &status_), 2u);
  EXPECT_EQ(ZEL_GetViewSegmentIndex(session_, view, 2, one_too_many, &status_), 0u);  // 0 on failure
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetViewSegmentIndex: Index count is incorrect");
  ZEL_GetViewParameterConvertedValue(session_, view, 0, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetViewParameterConvertedValue: Unimplemented");
  ZEL_GetViewParameterValue(session_, view, 0, 0, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetViewParameterValue: value is null");
  ZEL_GetWfSegmentParameterValueIndex(ZEL_GetViewSegment(session_, view, 0, &status_), 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetWfSegmentParameterValueIndex: Unimplemented");
  ZEL_CloseWfDataView(session_, view, &status_);
  ZEL_GetViewAxisPointCount(session_, view, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetViewAxisPointCount: The view is not open");
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
