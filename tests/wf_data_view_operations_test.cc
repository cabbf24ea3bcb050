// Operations of data views through the C interface: unary operations on Y
// and X, integrals and the derivative, scalars on either side, another
// view's waveform on the same or a different X, pairing two waveforms as X
// and Y, type conversions, the refusals of adding, resolving on opening
// (no operation for the types, a changed display type) and a caller's
// operation that replaces a built-in one between two openings.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "writer_test_support.h"

namespace {

using zeltest::WriterFixture;

class ViewOperationsTest : public WriterFixture {
 protected:
  // Points (x[i], y[i]) of waveform w in segment, written in one go, linear.
  void Write(zel_segment_t segment, zel_waveform_t w, const std::vector<double>& x, const std::vector<double>& y) {
    zel_writer_t writer = Check(ZEL_CreateWriter(session_, segment, 0, ZEL_STORAGE_ANALOG, &status_));
    ZEL_WfDataWriter* data = Add(writer, w);
    ZEL_WfDataWriterSetInterpolationType(data, ZEL_INTERPOLATION_LINEAR, &status_);
    ZEL_InitializeFrontWriting(session_, writer, &status_);
    for (size_t i = 0; i < x.size(); ++i) Front(writer, x[i], {{data, y[i]}});
    ZEL_TerminateWriting(session_, writer, &status_);
    ZEL_DeleteWriter(session_, writer, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
  // A waveform of the set "tran" holding y at x = 0, 1, 2, 3.
  zel_waveform_t Wave4(const std::vector<double>& y) {
    zel_waveform_t w = Wave();
    Write(segment_, w, {0, 1, 2, 3}, y);
    return w;
  }
  zel_wfDataView_t View(zel_waveform_t w) { return Check(ZEL_CreateWfDataView(session_, w, &status_)); }
  zel_type_t Real() { return Check(ZEL_CreateBuiltinType(session_, c_, "real", ZEL_REAL, &status_)); }
  zel_type_t Integer(zel_container_t c) {
    return Check(ZEL_CreateBuiltinType(session_, c, "integer", ZEL_INTEGER, &status_));
  }
  void Ok(const char* what) { ASSERT_EQ(status_, ZEL_OK) << what << ": " << ZEL_GetError(); }

  // Leg 0 of view segment index of an open view, as doubles (X or Y read
  // as integers when intX or intY).
  struct Points {
    std::vector<double> x, y;
  };
  Points Read(zel_wfDataView_t view, unsigned index = 0, bool intY = false, bool intX = false) {
    Points p;
    ZEL_WfSegment* segment = ZEL_GetViewSegment(session_, view, index, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    if (segment == nullptr) return p;
    const unsigned n = ZEL_SetupGetWfSegmentBuffer(segment, 0, 0, &status_);
    const void* x = ZEL_GetWfSegmentXBuffer(segment, &status_);
    const void* y = ZEL_GetWfSegmentYBuffer(segment, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    if (x == nullptr || y == nullptr) return p;
    for (unsigned i = 0; i < n; ++i) {
      p.x.push_back(intX ? static_cast<const int*>(x)[i] : static_cast<const double*>(x)[i]);
      p.y.push_back(intY ? static_cast<const int*>(y)[i] : static_cast<const double*>(y)[i]);
    }
    return p;
  }
  Points OpenAndRead(zel_wfDataView_t view, bool intY = false, bool intX = false) {
    ZEL_OpenWfDataView(session_, view, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    return status_ == ZEL_OK ? Read(view, 0, intY, intX) : Points{};
  }
  void Open(zel_wfDataView_t view) {
    ZEL_OpenWfDataView(session_, view, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
  void CloseView(zel_wfDataView_t view) {
    ZEL_CloseWfDataView(session_, view, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }

  const std::vector<double> xs_{0, 1, 2, 3};
};

using V = std::vector<double>;

TEST_F(ViewOperationsTest, UnaryOperationsTransformsAndScalarOperandsOnEitherSide) {
  const zel_waveform_t w = Wave4({0, 1, 4, 9});

  // Y negated then shifted by its own absolute value: two entries in order.
  zel_wfDataView_t both = View(w);
  ZEL_AddViewUnaryOperation(session_, both, -2, ZEL_OP_NEGATE, &status_);
  ZEL_AddViewUnaryOperation(session_, both, -2, ZEL_OP_ABS, &status_);
  ZEL_AddViewUnaryOperation(session_, both, -1, ZEL_OP_NEGATE, &status_);
  Ok("add");
  Points p = OpenAndRead(both);
  EXPECT_EQ(p.x, (V{0, -1, -2, -3}));
  EXPECT_EQ(p.y, (V{0, 1, 4, 9}));

  struct Case {
    zel_operation_t op;
    V y;
  } cases[] = {
      {ZEL_OP_INTEGRAL_TRAPEZOID, {0, 0.5, 3, 9.5}},
      {ZEL_OP_INTEGRAL, {0, 0, 1, 5}},
  };
  for (const Case& c : cases) {
    zel_wfDataView_t view = View(w);
    ZEL_AddViewUnaryOperation(session_, view, -2, c.op, &status_);
    p = OpenAndRead(view);
    EXPECT_EQ(p.x, xs_) << c.op;
    EXPECT_EQ(p.y, c.y) << c.op;
  }

  // The derivative of a straight line is its slope everywhere.
  zel_wfDataView_t slope = View(Wave4({1, 4, 7, 10}));
  ZEL_AddViewUnaryOperation(session_, slope, -2, ZEL_OP_DERIVATIVE, &status_);
  p = OpenAndRead(slope);
  ASSERT_FALSE(p.y.empty());
  for (double v : p.y) EXPECT_DOUBLE_EQ(v, 3);
  EXPECT_EQ(p.x.front(), 0);
  EXPECT_EQ(p.x.back(), 3);

  // Scalar operands on either side.
  const double ten = 10;
  zel_wfDataView_t second = View(w);
  ZEL_AddViewBinOpArg2Scalar(session_, second, ZEL_OP_SUBTRACT, Real(), &ten, &status_);
  EXPECT_EQ(OpenAndRead(second).y, (V{-10, -9, -6, -1}));
  zel_wfDataView_t first = View(w);
  ZEL_AddViewBinOpArg1Scalar(session_, first, Real(), &ten, ZEL_OP_SUBTRACT, &status_);
  EXPECT_EQ(OpenAndRead(first).y, (V{10, 9, 6, 1}));

  // The value is copied when the entry is added: the caller's variable may
  // change or go (under AddressSanitizer a read of it would be reported).
  auto factor = std::make_unique<double>(2);
  zel_wfDataView_t late = View(w);
  ZEL_AddViewBinOpArg2Scalar(session_, late, ZEL_OP_MULTIPLY, Real(), factor.get(), &status_);
  *factor = 3;
  factor.reset();
  EXPECT_EQ(OpenAndRead(late).y, (V{0, 2, 8, 18}));
}

TEST_F(ViewOperationsTest, AnotherViewsWaveformOnTheSameOrAMergedX) {
  const zel_waveform_t a = Wave4({0, 1, 4, 9});
  const zel_waveform_t b = Wave4({5, 5, 5, 6});
  zel_wfDataView_t va = View(a), vb = View(b);
  ZEL_AddViewBinOpArg2Waveform(session_, va, ZEL_OP_SUBTRACT, vb, &status_);
  Ok("add");
  // The other view must be open.
  ZEL_OpenWfDataView(session_, va, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_OpenWfDataView: The view is not open");
  Open(vb);
  Points p = OpenAndRead(va);
  EXPECT_EQ(p.x, xs_);
  EXPECT_EQ(p.y, (V{-5, -4, -1, 3}));
  // A view named as an operand cannot go while the other names it.
  ZEL_DeleteWfDataView(session_, vb, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_DeleteWfDataView: View is in use");
  EXPECT_EQ(Read(va).y, (V{-5, -4, -1, 3}));

  // Reversed: b - a.
  zel_wfDataView_t reversed = View(a);
  ZEL_AddViewBinOpArg1Waveform(session_, reversed, vb, ZEL_OP_SUBTRACT, &status_);
  EXPECT_EQ(OpenAndRead(reversed).y, (V{5, 4, 1, -3}));

  // Pairing: a's values become X, b's the Y.
  zel_wfDataView_t paired = View(a);
  ZEL_AddViewBinOpArg2Waveform(session_, paired, ZEL_OP_XY, vb, &status_);
  p = OpenAndRead(paired);
  EXPECT_EQ(p.x, (V{0, 1, 4, 9}));
  EXPECT_EQ(p.y, (V{5, 5, 5, 6}));
  // The pairing's first operand type becomes the X type: integers, which
  // have no negation.
  zel_wfDataView_t integerX = View(a);
  ZEL_AddViewConvertTypeOperation(session_, integerX, -2, Integer(c_), &status_);
  ZEL_AddViewBinOpArg2Waveform(session_, integerX, ZEL_OP_XY, vb, &status_);
  ZEL_AddViewUnaryOperation(session_, integerX, -1, ZEL_OP_NEGATE, &status_);
  Ok("add");
  ZEL_OpenWfDataView(session_, integerX, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_OpenWfDataView: The operation does not exist");
  ZEL_RemoveViewOperations(session_, integerX, -1, &status_);
  p = OpenAndRead(integerX, false, true);
  EXPECT_EQ(p.x, (V{0, 1, 4, 9}));
  EXPECT_EQ(p.y, (V{5, 5, 5, 6}));

  // Waveforms of one set written with X 0 and 2 against X 1, 2, 3: merged
  // onto 0, 1, 2, 3, the shared X once, the first waveform interpolated at 1.
  zel_waveform_t c = Wave();
  Write(segment_, c, {0, 2}, {0, 20});
  zel_waveform_t d = Wave();
  Write(segment_, d, {1, 2, 3}, {101, 102, 103});
  zel_wfDataView_t vc = View(c), vd = View(d);
  ZEL_AddViewBinOpArg2Waveform(session_, vc, ZEL_OP_SUBTRACT, vd, &status_);
  Open(vd);
  // A view of another waveform set pairs no segments with these.
  zel_waveformSet_t other = Set(c_, "other");
  zel_waveform_t e = Check(ZEL_CreateWaveform(session_, other, 0, y_, &status_));
  ZEL_AddViewBinOpArg1Waveform(session_, vc, View(e), ZEL_OP_ADD, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_AddViewBinOpArg1Waveform: View belongs to another waveform set");
  p = OpenAndRead(vc);
  ASSERT_EQ(p.x, xs_);
  EXPECT_EQ(p.y[1], 10 - 101);
  EXPECT_EQ(p.y[2], 20 - 102);

  // Closing the other view makes the next opening fail.
  CloseView(vc);
  CloseView(vd);
  ZEL_OpenWfDataView(session_, vc, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_OpenWfDataView: The view is not open");
  ZEL_GetViewFirstSegment(session_, vc, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
}

TEST_F(ViewOperationsTest, ConversionsBringTheTargetInAndReopeningMustKeepTheDisplayTypes) {
  const zel_waveform_t w = Wave4({0.25, 1.5, 4, 9});
  // An integer type of another container.
  zel_container_t elsewhere = Check(ZEL_CreateContainer(session_, (dir_ / "else").c_str(), ZEL_MODE_DISK, &status_));
  zel_wfDataView_t view = View(w);
  ZEL_AddViewConvertTypeOperation(session_, view, -2, Integer(elsewhere), &status_);
  Ok("convert");
  const Points p = OpenAndRead(view, true);
  EXPECT_EQ(p.x, xs_);
  EXPECT_EQ(p.y.size(), 4u);
  EXPECT_EQ(p.y[2], 4);
  EXPECT_EQ(p.y[3], 9);
  Close(elsewhere);

  // The integers that the conversion leaves have no negation.
  zel_wfDataView_t negated = View(w);
  ZEL_AddViewConvertTypeOperation(session_, negated, -2, Integer(c_), &status_);
  ZEL_AddViewUnaryOperation(session_, negated, -2, ZEL_OP_NEGATE, &status_);
  Ok("add");
  ZEL_OpenWfDataView(session_, negated, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_OpenWfDataView: The operation does not exist");

  // Converting to a text type has no operation.
  zel_type_t text = Check(ZEL_CreateBuiltinType(session_, c_, "string", ZEL_STRING, &status_));
  zel_wfDataView_t toText = View(w);
  ZEL_AddViewConvertTypeOperation(session_, toText, -1, text, &status_);
  Ok("convert");
  ZEL_OpenWfDataView(session_, toText, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_OpenWfDataView: The operation does not exist");
  // Nothing opened; removing the entry lets it open.
  ZEL_RemoveViewOperations(session_, toText, -1, &status_);
  EXPECT_EQ(OpenAndRead(toText).y, (V{0.25, 1.5, 4, 9}));

  // Reopening must keep the display types: operations that keep the type
  // are fine; removing the list restores it.
  zel_wfDataView_t reopened = View(w);
  Open(reopened);
  CloseView(reopened);
  ZEL_AddViewConvertTypeOperation(session_, reopened, -2, Integer(c_), &status_);
  Ok("convert");
  ZEL_OpenWfDataView(session_, reopened, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_OpenWfDataView: View operations change axis display type.");
  ZEL_RemoveViewOperations(session_, reopened, -2, &status_);
  ZEL_AddViewUnaryOperation(session_, reopened, -2, ZEL_OP_NEGATE, &status_);
  Ok("replace");
  EXPECT_EQ(OpenAndRead(reopened).y, (V{-0.25, -1.5, -4, -9}));
}

TEST_F(ViewOperationsTest, AddingIsRefusedOnBadInput) {
  const zel_waveform_t w = Wave4({0, 1, 4, 9});
  zel_wfDataView_t view = View(w);
  const double one = 1;
  // A new view takes the default display axes: Y, X, no parameters.
  ZEL_AddViewUnaryOperation(session_, view, -2, ZEL_OP_NEGATE, &status_);
  Ok("add");
  ZEL_SetViewDisplayAxes(session_, view, 0, nullptr, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SetViewDisplayAxes: Set display axes called out of sequence");

  for (int axis : {-4, 0, 7}) {
    ZEL_AddViewUnaryOperation(session_, view, axis, ZEL_OP_NEGATE, &status_);
    EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_AddViewUnaryOperation: Axis must be a display axis.");
    ZEL_AddViewConvertTypeOperation(session_, view, axis, Real(), &status_);
    EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_AddViewConvertTypeOperation: Axis must be a display axis.");
    ZEL_RemoveViewOperations(session_, view, axis, &status_);
    EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_RemoveViewOperations: Axis must be a display axis.");
  }
  for (int op : {33, 52, 53, 0x7fffffff}) {
    ZEL_AddViewUnaryOperation(session_, view, -2, static_cast<zel_operation_t>(op), &status_);
    EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_AddViewUnaryOperation: Operation must be a unary operation.");
  }
  zel_wfDataView_t other = View(w);
  for (int op : {5, 32, 52}) {
    const auto o = static_cast<zel_operation_t>(op);
    ZEL_AddViewBinOpArg2Waveform(session_, view, o, other, &status_);
    EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_AddViewBinOpArg2Waveform: Operation must be a binary operation.");
    ZEL_AddViewBinOpArg1Waveform(session_, view, other, o, &status_);
    EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_AddViewBinOpArg1Waveform: Operation must be a binary operation.");
    ZEL_AddViewBinOpArg2Scalar(session_, view, o, Real(), &one, &status_);
    EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_AddViewBinOpArg2Scalar: Operation must be a binary operation.");
    ZEL_AddViewBinOpArg1Scalar(session_, view, Real(), &one, o, &status_);
    EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_AddViewBinOpArg1Scalar: Operation must be a binary operation.");
  }
  ZEL_AddViewBinOpArg2Scalar(session_, view, ZEL_OP_ADD, Real(), nullptr, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_AddViewBinOpArg1Scalar(session_, view, Real(), nullptr, ZEL_OP_ADD, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_AddViewBinOpArg2Waveform(session_, view, ZEL_OP_ADD, view, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_AddViewBinOpArg2Waveform(session_, view, ZEL_OP_ADD, ZEL_NullWfDataView, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);

  // A view of another container.
  zel_container_t elsewhere = Check(ZEL_CreateContainer(session_, (dir_ / "else").c_str(), ZEL_MODE_DISK, &status_));
  zel_waveformSet_t set = Set(elsewhere, "tran");
  zel_waveform_t foreign = Check(ZEL_CreateWaveform(session_, set, 0, Descriptor(elsewhere, "v"), &status_));
  zel_wfDataView_t far = View(foreign);
  ZEL_AddViewBinOpArg2Waveform(session_, view, ZEL_OP_ADD, far, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_AddViewBinOpArg1Waveform(session_, view, far, ZEL_OP_ADD, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  // A scalar's type of another container (only a convert-type target is
  // brought in).
  ZEL_AddViewBinOpArg2Scalar(session_, view, ZEL_OP_ADD, Integer(elsewhere), &one, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_AddViewBinOpArg2Scalar: Type belongs to another container");
  ZEL_AddViewBinOpArg1Scalar(session_, view, Integer(elsewhere), &one, ZEL_OP_ADD, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_AddViewBinOpArg1Scalar: Type belongs to another container");
  Close(elsewhere);

  // The curve parameter takes entries; opening refuses them.
  zel_wfDataView_t cp = View(w);
  ZEL_AddViewUnaryOperation(session_, cp, -3, ZEL_OP_NEGATE, &status_);
  Ok("add");
  ZEL_OpenWfDataView(session_, cp, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED,
                     "ZEL_OpenWfDataView: ZELI_WfDataView::ApplyOperations: unimplemented operations on curve "
                     "parameter");

  // None of the refusals added anything: Y is negated once.
  Open(view);
  EXPECT_EQ(Read(view).y, (V{0, -1, -4, -9}));
  // An open view refuses every change.
  zel_type_t real = Real();
  const zel_operation_t add = ZEL_OP_ADD;
  const std::pair<const char*, std::function<void()>> changes[] = {
      {"ZEL_AddViewUnaryOperation", [&] { ZEL_AddViewUnaryOperation(session_, view, -2, ZEL_OP_NEGATE, &status_); }},
      {"ZEL_AddViewConvertTypeOperation", [&] { ZEL_AddViewConvertTypeOperation(session_, view, -2, real, &status_); }},
      {"ZEL_AddViewBinOpArg2Waveform", [&] { ZEL_AddViewBinOpArg2Waveform(session_, view, add, other, &status_); }},
      {"ZEL_AddViewBinOpArg1Waveform", [&] { ZEL_AddViewBinOpArg1Waveform(session_, view, other, add, &status_); }},
      {"ZEL_AddViewBinOpArg2Scalar", [&] { ZEL_AddViewBinOpArg2Scalar(session_, view, add, real, &one, &status_); }},
      {"ZEL_AddViewBinOpArg1Scalar", [&] { ZEL_AddViewBinOpArg1Scalar(session_, view, real, &one, add, &status_); }},
      {"ZEL_RemoveViewOperations", [&] { ZEL_RemoveViewOperations(session_, view, -2, &status_); }},
  };
  for (const auto& [name, change] : changes) {
    change();
    EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, (std::string(name) + ": The view is open.").c_str());
  }
}

zel_status_t FortyTwo(void*, void*, unsigned count, void* result) {
  for (unsigned i = 0; i < count; ++i) static_cast<double*>(result)[i] = 42;
  return ZEL_OK;
}
zel_status_t Fails(void*, void*, unsigned, void*) { return ZEL_FAILED; }
zel_status_t FailsBinary(void*, void*, void*, unsigned, void*) { return ZEL_FAILED; }

TEST_F(ViewOperationsTest, ARegisteredOperationReplacesTheBuiltInBetweenOpenings) {
  const zel_waveform_t w = Wave4({0, 1, 4, 9});
  zel_wfDataView_t view = View(w);
  ZEL_AddViewUnaryOperation(session_, view, -2, ZEL_OP_NEGATE, &status_);
  EXPECT_EQ(OpenAndRead(view).y, (V{0, -1, -4, -9}));
  CloseView(view);

  zel_type_t real = ZEL_GetWaveformYType(session_, w, &status_);
  ZEL_RegisterUnaryOperation(session_, c_, ZEL_OP_NEGATE, real, real, FortyTwo, nullptr, &status_);
  Ok("register");
  EXPECT_EQ(OpenAndRead(view).y, (V{42, 42, 42, 42}));
  CloseView(view);

  ZEL_RegisterUnaryOperation(session_, c_, ZEL_OP_NEGATE, real, real, Fails, nullptr, &status_);
  Ok("register");
  ZEL_OpenWfDataView(session_, view, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_OpenWfDataView: User operation failed");
  ZEL_GetViewFirstSegment(session_, view, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);

  // A failing binary operation on another view's waveform.
  ZEL_RegisterBinaryOperation(session_, c_, ZEL_OP_ADD, real, real, real, FailsBinary, nullptr, &status_);
  zel_wfDataView_t sum = View(w), addend = View(w);
  ZEL_AddViewBinOpArg2Waveform(session_, sum, ZEL_OP_ADD, addend, &status_);
  Open(addend);
  ZEL_OpenWfDataView(session_, sum, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_OpenWfDataView: User operation failed");
}

TEST_F(ViewOperationsTest, ParameterOperationsAndTheOtherViewsSegmentOfTheSameIndex) {
  zel_parameter_t r = Parameter(c_, "R", Descriptor(c_, "r", "Ohm"), {1.0, 2.0});
  zel_waveformSet_t sweep = Check(ZEL_CreateWaveformSet(session_, c_, "swept", Descriptor(c_, "t"), 1, &r, &status_));
  zel_waveform_t a = Check(ZEL_CreateWaveform(session_, sweep, 0, y_, &status_));
  zel_waveform_t b = Check(ZEL_CreateWaveform(session_, sweep, 0, y_, &status_));
  zel_waveform_t sparse = Check(ZEL_CreateWaveform(session_, sweep, 0, y_, &status_));
  for (unsigned k = 0; k < 2; ++k) {
    const zel_segment_t s = Check(ZEL_CreateSegment(session_, sweep, 1, &k, &status_));
    Write(s, a, {0, 1}, {10.0 * k, 10.0 * k + 1});
    Write(s, b, {0, 1}, {100.0 * k, 100.0 * k});
    if (k == 0) Write(s, sparse, {0, 1}, {1, 1});
  }
  zel_wfDataView_t va = View(a), vb = View(b), vs = View(sparse);
  // An operation on the display parameter leaves the stored values alone.
  ZEL_AddViewUnaryOperation(session_, va, 0, ZEL_OP_NEGATE, &status_);
  ZEL_AddViewBinOpArg2Waveform(session_, va, ZEL_OP_ADD, vb, &status_);
  Ok("add");
  Open(vb);
  Open(va);
  EXPECT_EQ(Read(va, 0).y, (V{0, 1}));
  EXPECT_EQ(Read(va, 1).y, (V{110, 111}));
  CloseView(va);

  // The other view has nothing in view segment 1.
  ZEL_RemoveViewOperations(session_, va, -2, &status_);
  ZEL_AddViewBinOpArg1Waveform(session_, va, vs, ZEL_OP_SUBTRACT, &status_);
  Open(vs);
  ZEL_OpenWfDataView(session_, va, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_NOT_FOUND, "ZEL_OpenWfDataView: The segment is empty");

  // The stored parameter values, and a view without operations, are as
  // before.
  for (unsigned k = 0; k < 2; ++k) {
    double value = 0;
    ZEL_GetParameterValue(session_, r, k, &value, nullptr, &status_);
    EXPECT_EQ(value, k + 1.0);
  }
  zel_wfDataView_t plain = View(a);
  Open(plain);
  EXPECT_EQ(Read(plain, 1).y, (V{10, 11}));
}

}  // namespace
