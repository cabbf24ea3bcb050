// ZELI_WfSegment: the window's values and single values as text.
//
// Each text is a malloc'd string made by the element type's ConvertToASCII
// and released here with free. A converted buffer holds one text per window
// point and lives until the next Setup; a converted value lives until the
// next converted value of the same axis. ZELI_ConvertedTexts counts the
// entries it filled, so exactly those are freed, however long the array grew
// for an earlier window and wherever a conversion stopped.
//
// Where the values come from: a segment without a data view (one read from
// a waveform, or by a reader) shows its own X and Y values in the type's
// default form. A segment shown through a data view takes the view's rule
// for the display axis: which buffer (its XY conversion), which conversion,
// or the caller's conversion function.
#include <cstdlib>

#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "access/wf_segment_view.h"
#include "errors/exceptions.h"
#include "types/type.h"

char** ZELI_ConvertedTexts::Prepare(unsigned count) {
  Clear();
  if (texts_.size() < count) texts_.resize(count, nullptr);
  return texts_.data();
}

void ZELI_ConvertedTexts::Clear() noexcept {
  for (unsigned i = 0; i < filled_; ++i) {
    std::free(texts_[i]);
    texts_[i] = nullptr;
  }
  filled_ = 0;
}

ZELI_WfSegment::TextSource ZELI_WfSegment::TextSourceOf(TextAxis axis) const {
  if (view_ == nullptr) return TextSource{true, axis == TEXT_X ? X_AXIS : Y_AXIS, ZEL_CONVERT_DEFAULT, nullptr, nullptr};
  const ZELI_WfSegmentView::TextRule rule = view_->Get_TextRule(axis == TEXT_X ? -1 : -2);
  return TextSource{rule.filled, rule.values, rule.conversion, rule.function, rule.userData};
}

char* ZELI_WfSegment::TextSource::Convert(const ZELI_Type& type, const void* value) const {
  if (conversion == ZEL_CONVERT_FUNCTION) return function(userData, const_cast<void*>(value));
  return type.ConvertToASCII(conversion, const_cast<void*>(value));
}

char** ZELI_WfSegment::ConvertedBuffer(TextAxis axis) {
  WindowLeg();
  if (axis == TEXT_CP) Get_CPBuffer();
  const TextSource source = TextSourceOf(axis);
  ZELI_ConvertedTexts& texts = convertedBuffers_[axis];
  if (!source.filled) return texts.Prepare(window_.count);
  const ZELI_Type* type = Get_DataArray_p(source.values)->Get_Type_p();
  if (type->Get_SizeOf() == 0) throw ZELI_BadArgException("Type does not store data");
  // Fetched before the previous texts go: a window without values fails
  // and leaves them.
  const void* values = Get_Buffer(source.values);
  char** result = texts.Prepare(window_.count);
  for (unsigned i = 0; i < window_.count; ++i) texts.Append(source.Convert(*type, type->AtData(values, i)));
  return result;
}

const char* ZELI_WfSegment::ConvertedValue(TextAxis axis, const void* value) {
  const ZELI_Type* type = nullptr;
  TextSource source{true, Y_AXIS, ZEL_CONVERT_DEFAULT, nullptr, nullptr};
  if (axis == TEXT_CP) {
    type = Get_CPType_p();
  } else {
    source = TextSourceOf(axis);
    if (!source.filled) return nullptr;
    type = Get_DataArray_p(source.values)->Get_Type_p();
  }
  if (type->Get_SizeOf() == 0) throw ZELI_BadArgException("Type does not store data");
  ZELI_ConvertedTexts& text = convertedValues_[axis];
  char** slot = text.Prepare(1);
  text.Append(source.Convert(*type, value));
  return slot[0];
}

char** ZELI_WfSegment::Get_ConvertedXBuffer() { return ConvertedBuffer(TEXT_X); }

char** ZELI_WfSegment::Get_ConvertedYBuffer() { return ConvertedBuffer(TEXT_Y); }

char** ZELI_WfSegment::Get_ConvertedCPBuffer() { return ConvertedBuffer(TEXT_CP); }

const char* ZELI_WfSegment::Get_ConvertedXValue(const void* value) { return ConvertedValue(TEXT_X, value); }

const char* ZELI_WfSegment::Get_ConvertedYValue(const void* value) { return ConvertedValue(TEXT_Y, value); }

const char* ZELI_WfSegment::Get_ConvertedCPValue(const void* value) { return ConvertedValue(TEXT_CP, value); }
