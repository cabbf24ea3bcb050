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
// default form. A data view records how each display axis was formed and
// which conversion it uses; TextSourceOf is where that record is consulted.
#include <cstdlib>

#include "access/wf_data_array.h"
#include "access/wf_segment.h"
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
  if (view_ != nullptr) {
    // The view's record of its display axes and their conversions is not
    // kept yet.
    throw ZELI_FailedException("Unimplemented ZELI_WfSegment: converted text of a data view");
  }
  return TextSource{axis == TEXT_X ? X_AXIS : Y_AXIS, ZEL_CONVERT_DEFAULT};
}

char** ZELI_WfSegment::ConvertedBuffer(TextAxis axis) {
  WindowLeg();
  if (axis == TEXT_CP) Get_CPBuffer();
  const TextSource source = TextSourceOf(axis);
  const ZELI_Type* type = Get_DataArray_p(source.values)->Get_Type_p();
  if (type->Get_SizeOf() == 0) throw ZELI_BadArgException("Type does not store data");
  // Fetched before the previous texts go: a window without values fails
  // and leaves them.
  const void* values = Get_Buffer(source.values);
  ZELI_ConvertedTexts& texts = convertedBuffers_[axis];
  char** result = texts.Prepare(window_.count);
  for (unsigned i = 0; i < window_.count; ++i)
    texts.Append(type->ConvertToASCII(source.conversion, const_cast<void*>(type->AtData(values, i))));
  return result;
}

const char* ZELI_WfSegment::ConvertedValue(TextAxis axis, const void* value) {
  const ZELI_Type* type = nullptr;
  zel_conversion_t conversion = ZEL_CONVERT_DEFAULT;
  if (axis == TEXT_CP) {
    type = Get_CPType_p();
  } else {
    const TextSource source = TextSourceOf(axis);
    type = Get_DataArray_p(source.values)->Get_Type_p();
    conversion = source.conversion;
  }
  if (type->Get_SizeOf() == 0) throw ZELI_BadArgException("Type does not store data");
  ZELI_ConvertedTexts& text = convertedValues_[axis];
  char** slot = text.Prepare(1);
  text.Append(type->ConvertToASCII(conversion, const_cast<void*>(value)));
  return slot[0];
}

char** ZELI_WfSegment::Get_ConvertedXBuffer() { return ConvertedBuffer(TEXT_X); }

char** ZELI_WfSegment::Get_ConvertedYBuffer() { return ConvertedBuffer(TEXT_Y); }

char** ZELI_WfSegment::Get_ConvertedCPBuffer() { return ConvertedBuffer(TEXT_CP); }

const char* ZELI_WfSegment::Get_ConvertedXValue(const void* value) { return ConvertedValue(TEXT_X, value); }

const char* ZELI_WfSegment::Get_ConvertedYValue(const void* value) { return ConvertedValue(TEXT_Y, value); }

const char* ZELI_WfSegment::Get_ConvertedCPValue(const void* value) { return ConvertedValue(TEXT_CP, value); }
