// ZELI_WfSegment: the access window and the X, Y and order buffers.
//
// A window is `count` points of one leg from a first point. Its X and Y
// buffers are addresses inside the data arrays (or a leg's extra point):
// one point is read where it lies, so an indexed array stays indexed; two or
// more need their values side by side, and an indexed array is turned direct
// once (the direct copy is kept and serves every later window). In array
// mode the window spans more than the contiguous run from its first point,
// and no single address can serve it.
//
// Orders: constant and linear data have one order for every point, written
// into a buffer owned here (grown, never shrunk); polynomial data hand out
// the order array itself.
#include <algorithm>

#include "model/cached_array.h"
#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "errors/exceptions.h"

unsigned ZELI_WfSegment::ContiguousRun(const ZELI_WfLeg& leg, unsigned point) const {
  unsigned stored = 0;
  switch (DataOrigin(leg, point, &stored)) {
    case Origin::STORED:
      return leg.end - stored;
    case Origin::OUTSIDE:
      return 0;  // point 0 of an empty leg
    default:
      return 1;
  }
}

const ZELI_WfLeg& ZELI_WfSegment::InitializeSetup(unsigned leg, unsigned point) {
  if (leg >= legs_.size()) throw ZELI_BadArgException("Leg index out of range");
  const ZELI_WfLeg& l = legs_[leg];
  const unsigned count = l.Get_PointCount();
  if (point >= count && !(point == 0 && count == 0)) throw ZELI_BadArgException("Point index out of range");
  for (ZELI_ConvertedTexts& texts : convertedBuffers_) texts.Clear();
  window_ = Window();
  window_.open = true;
  window_.leg = leg;
  window_.point = point;
  return l;
}

const ZELI_WfLeg& ZELI_WfSegment::WindowLeg() const {
  if (!window_.open) throw ZELI_FailedException("No access window is set up");
  return legs_[window_.leg];
}

unsigned ZELI_WfSegment::Setup_Point(unsigned leg, unsigned point) {
  InitializeSetup(leg, point);
  window_.count = 1;
  return window_.count;
}

unsigned ZELI_WfSegment::Setup_Buffer(unsigned leg, unsigned point) {
  const ZELI_WfLeg& l = InitializeSetup(leg, point);
  window_.count = ContiguousRun(l, point);
  return window_.count;
}

unsigned ZELI_WfSegment::Setup_Array(unsigned leg, unsigned point) {
  const ZELI_WfLeg& l = InitializeSetup(leg, point);
  window_.count = l.Get_PointCount();
  window_.arrayMode = ContiguousRun(l, point) < window_.count;
  return window_.count;
}

const void* ZELI_WfSegment::Get_Buffer(Axis axis) {
  const ZELI_WfLeg& leg = WindowLeg();
  if (window_.arrayMode) {
    throw ZELI_FailedException(axis == X_AXIS ? "Unimplemented ZELI_WfLeg::Get_XArrayAddress"
                                              : "Unimplemented ZELI_WfLeg::Get_YArrayAddress");
  }
  unsigned stored = 0;
  if (window_.count < 2 || DataOrigin(leg, window_.point, &stored) != Origin::STORED)
    return Get_PointAddress(axis, window_.leg, window_.point);
  return Get_DataArray_p(axis)->Get_BufferAddress(stored);
}

const void* ZELI_WfSegment::Get_XBuffer() { return Get_Buffer(X_AXIS); }

const void* ZELI_WfSegment::Get_YBuffer() { return Get_Buffer(Y_AXIS); }

const unsigned* ZELI_WfSegment::Get_OrderBuffer() {
  const ZELI_WfLeg& leg = WindowLeg();
  switch (interpolation_) {
    case ZEL_INTERPOLATION_NONE:
      throw ZELI_FailedException("The waveform cannot be interpolated");
    case ZEL_INTERPOLATION_CONSTANT:
    case ZEL_INTERPOLATION_LINEAR: {
      // The window must start at a point that exists, as for X and Y.
      unsigned stored = 0;
      if (DataOrigin(leg, window_.point, &stored) == Origin::OUTSIDE)
        throw ZELI_BadArgException("Point index is out of range");
      if (orderBuffer_.size() < window_.count) orderBuffer_.resize(window_.count);
      std::fill_n(orderBuffer_.begin(), window_.count, OrderOf(leg, window_.point));
      return orderBuffer_.data();
    }
    case ZEL_INTERPOLATION_POLYNOMIAL:
      if (window_.arrayMode) throw ZELI_FailedException("Unimplemented ZELI_WfLeg::Get_OArrayAddress");
      return OrderAddress(leg, window_.point);
    default:
      OrderOf(leg, window_.point);  // throws the failure of the type
      throw ZELI_FailedException("ZELI_WfSegment: Unimplemented interpolation type");
  }
}
