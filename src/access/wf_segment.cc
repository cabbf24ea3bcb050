// ZELI_WfSegment: construction, legs, X side.
#include "access/wf_segment.h"

#include "access/cached_array.h"
#include "access/wf_data_array.h"
#include "errors/exceptions.h"
#include "store/container.h"

ZELI_WfSegmentXData::~ZELI_WfSegmentXData() {
  if (xArray_ != nullptr) {
    if (order_ != nullptr) ZELI_ReleaseCachedArray(xArray_->Get_Container().Get_Cache(), order_);
    delete xArray_;
  } else if (order_ != nullptr && order_->Get_ReferenceCount() > 0) {
    // Without the X array there is no cache at hand: only drop the
    // reference; the cache's garbage rule deletes the array later.
    order_->DecrementReferenceCount();
  }
}

ZELI_WfDataArray* ZELI_WfSegmentXData::Release_XArray_p() noexcept {
  ZELI_WfDataArray* x = xArray_;
  xArray_ = nullptr;
  return x;
}

ZELI_CachedArray* ZELI_WfSegmentXData::Release_OrderArray_p() noexcept {
  ZELI_CachedArray* order = order_;
  order_ = nullptr;
  return order;
}

ZELI_WfLeg::ZELI_WfLeg(unsigned beginPos, unsigned endPos) : begin(beginPos), end(endPos) {
  if (endPos < beginPos) throw ZELI_FailedException("ZELI_WfLeg: endPos < beginPos");
}

ZELI_WfSegment::ZELI_WfSegment(unsigned segmentIndex, ZELI_WfSegmentXData* xData, ZELI_WfDataArray* yArray)
    : segmentIndex_(segmentIndex), interpolation_(xData != nullptr ? xData->Get_InterpolationType()
                                                                   : ZEL_INTERPOLATION_NONE) {
  std::unique_ptr<ZELI_WfSegmentXData> xOwner(xData);
  std::unique_ptr<ZELI_WfDataArray> yOwner(yArray);
  if (xData == nullptr || xData->Get_XArray_p() == nullptr || yArray == nullptr)
    throw ZELI_FailedException("ZELI_WfSegment: no data");
  const unsigned count = xData->Get_XArray_p()->Get_PointCount();
  if (yArray->Get_PointCount() != count) throw ZELI_FailedException("ZELI_WfSegment: X and Y array point counts differ");
  if (xData->Get_OrderArray_p() != nullptr && xData->Get_OrderArray_p()->Get_PointCount() != count)
    throw ZELI_FailedException("ZELI_WfSegment: X and Order array point counts differ");
  legs_.emplace_back(0, count);
  x_ = xData->Release_XArray_p();
  y_ = yOwner.release();
  // The X data's reference on the order array becomes this segment's.
  order_ = xData->Release_OrderArray_p();
}

ZELI_WfSegment::~ZELI_WfSegment() {
  ZELI_Cache& cache = x_->Get_Container().Get_Cache();
  ZELI_ReleaseCachedArray(cache, order_);
  delete x_;
  delete y_;
}

ZELI_Type* ZELI_WfSegment::Get_XType_p() const { return x_->Get_Type_p(); }

ZELI_Type* ZELI_WfSegment::Get_YType_p() const { return y_->Get_Type_p(); }

const ZELI_WfLeg& ZELI_WfSegment::Get_Leg(unsigned leg) const {
  if (leg >= legs_.size()) throw ZELI_BadArgException("Leg index is invalid.");
  return legs_[leg];
}

ZEL_WfSegment* ZELI_WfSegment::Get_ApiObject_p() {
  throw ZELI_FailedException("Unimplemented ZELI_WfSegment::Get_ApiObject_p");
}
