// ZELI_Waveform: fields, attributes, references and the per-segment queries
// that read through the data information slots.
#include "waveforms/waveform.h"

#include <cstdlib>

#include "errors/exceptions.h"
#include "model/dimension_descriptor.h"
#include "model/waveform_set.h"
#include "model/container.h"
#include "model/data_information.h"

ZELI_Waveform::ZELI_Waveform(ZELI_WaveformSet* waveformSet, ZELI_DimensionDescriptor* yDescriptor,
                             zel_semantic_t semantic)
    : waveformSet_(waveformSet), yDescriptor_(yDescriptor), semantic_(semantic) {}

ZELI_Waveform::~ZELI_Waveform() = default;

const char* ZELI_Waveform::Get_Attribute(const char* name) const { return attributes_.Get_Attribute(name); }

const char** ZELI_Waveform::Get_AttributeNames(unsigned& count) const { return attributes_.Get_AttributeNames(count); }

ZELI_SourceWaveform* ZELI_Waveform::Get_SourceWaveform_p() {
  throw ZELI_BadArgException("The waveform is not a source waveform");
}

zel_monotonicity_t ZELI_Waveform::Get_XMonotonicity(ZELI_Segment& segment) {
  return Get_XDataInformation(segment).Get_Monotonicity();
}

zel_dataSpacing_t ZELI_Waveform::Get_XDataSpacing(ZELI_Segment& segment) {
  return Get_XDataInformation(segment).Get_DataSpacing();
}

zel_monotonicity_t ZELI_Waveform::Get_YMonotonicity(ZELI_Segment& segment) {
  return Get_YDataInformation(segment).Get_Monotonicity();
}

zel_dataSpacing_t ZELI_Waveform::Get_YDataSpacing(ZELI_Segment& segment) {
  return Get_YDataInformation(segment).Get_DataSpacing();
}

zel_interpolation_t ZELI_Waveform::Get_YInterpolationType(ZELI_Segment& segment) {
  return Get_YDataInformation(segment).Get_InterpolationType();
}

void ZELI_Waveform::Get_XMinMax(ZELI_Segment& segment, void* min, void* max) {
  Get_XDataInformation(segment).Get_MinMax(min, max);
}

void ZELI_Waveform::Get_YMinMax(ZELI_Segment& segment, void* min, void* max) {
  Get_YDataInformation(segment).Get_MinMax(min, max);
}

ZELI_DimensionDescriptor* ZELI_Waveform::Get_XDescriptor_p() const { return waveformSet_->Get_XDescriptor_p(); }

ZELI_Type* ZELI_Waveform::Get_XType_p() const {
  const ZELI_DimensionDescriptor* x = Get_XDescriptor_p();
  return x != nullptr ? x->Get_Type_p() : nullptr;
}

ZELI_Type* ZELI_Waveform::Get_YType_p() const { return yDescriptor_ != nullptr ? yDescriptor_->Get_Type_p() : nullptr; }

void ZELI_Waveform::Set_YDescriptor_p(ZELI_DimensionDescriptor* descriptor) {
  if (descriptor == nullptr || descriptor->Get_Type_p() != Get_YType_p()) {
    throw ZELI_BadArgException("The old and new Y dimensionDescriptor types do not match");
  }
  waveformSet_->Set_ContainerIsDirty();
  yDescriptor_ = descriptor;
}

void ZELI_Waveform::Set_Attribute(const char* name, const char* value) {
  if (name == nullptr) throw ZELI_BadArgException("Attribute name is null");
  waveformSet_->Set_ContainerIsDirty();
  attributes_.Set_Attribute(name, value);
}

void ZELI_Waveform::Enter_AttributeNames(ZELI_Attributes& map) const {
  unsigned count = 0;
  const char** names = attributes_.Get_AttributeNames(count);
  try {
    for (unsigned i = 0; i < count; ++i) {
      if (map.Get_Attribute(names[i]) == nullptr) map.Set_Attribute(names[i], "");
    }
  } catch (...) {
    std::free(names);
    throw;
  }
  std::free(names);
}

void ZELI_Waveform::InsertReference(ZELI_HierarchyNode* node) {
  if (node == nullptr) throw ZELI_FailedException("ZELI_Waveform::InsertReference");
  if (firstReference_ == nullptr) {
    firstReference_ = node;
    return;
  }
  if (node == firstReference_ || !moreReferences_.insert(node).second) {
    throw ZELI_FailedException("ZELI_Waveform::InsertReference");
  }
}

void ZELI_Waveform::EraseReference(ZELI_HierarchyNode* node) {
  if (node != nullptr && node == firstReference_) {
    // One of the others, if any, moves inline.
    if (moreReferences_.empty()) {
      firstReference_ = nullptr;
    } else {
      firstReference_ = *moreReferences_.begin();
      moreReferences_.erase(moreReferences_.begin());
    }
    return;
  }
  if (moreReferences_.erase(node) != 1) throw ZELI_FailedException("ZELI_Waveform::EraseReference");
}

void ZELI_Waveform::CheckMayDestroy() const {
  if (Get_ReferenceCount() != 0) throw ZELI_FailedException("ZELI_Waveform::~ZELI_Waveform count != 0");
}
