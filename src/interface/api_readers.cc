// Exported functions of readers and waveform readers (session and handles,
// call frame). The data functions work on the waveform reader's current
// waveform segment and fail with ZEL_FAILED "No segment is open for
// reading." while its reader has no segment open.
#include <memory>

#include "access/wf_segment.h"
#include "interface/api_model_support.h"
#include "model/segment.h"
#include "views/reader.h"
#include "views/view.h"
#include "waveforms/waveform.h"

namespace {

using ReaderArg = ZELC_Contained<ZELI_Reader>;

template <typename Result, typename Body>
Result WithReader(const char* function, zel_session_t session, zel_reader_t reader, zel_status_t* status,
                  Result failure, Body&& body) noexcept {
  return ZELC_CallWith(function, session, reader, status, failure,
                       [&](ZELC_Session* s, ReaderArg r) -> Result { return body(s, r); });
}

// Runs body(current waveform segment, waveform reader) for a data function.
template <typename Result, typename Body>
Result WithSegment(const char* function, zel_session_t session, zel_wfDataReader_t dataReader, zel_status_t* status,
                   Result failure, Body&& body) noexcept {
  return ZELC_CallWith(function, session, dataReader, status, failure,
                       [&](ZELC_Session*, ZELC_Contained<ZELI_WfDataReader> d) -> Result {
                         return body(d.object->Current(), *d.object);
                       });
}

}  // namespace

ZEL_EXPORT zel_reader_t ZEL_CreateReader(zel_session_t session, zel_container_t container, zel_view_t view,
                                         zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullReader, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    ZELC_Container* wrapper = s->Convert(container);
    ZELI_View* viewObject = s->Object(view);
    ZELI_Container* object = wrapper->Get_Object_p();
    auto reader = std::make_unique<ZELI_Reader>(*object, *viewObject);
    reader->Set_Key(object->Get_AccessConvertor().Insert(reader.get()));
    try {
      const zel_reader_t handle = ZELC_HandleOf<zel_reader_t>(wrapper, reader.get());
      reader.release();
      return handle;
    } catch (...) {
      object->Erase(reader.get());
      throw;
    }
  });
}

ZEL_EXPORT zel_wfDataReader_t ZEL_AddReaderWaveform(zel_session_t session, zel_reader_t reader,
                                                    zel_waveform_t waveform, zel_status_t* status) noexcept {
  return WithReader(__func__, session, reader, status, zel_wfDataReader_t{-1}, [&](ZELC_Session* s, ReaderArg r) {
    ZELC_Contained<ZELI_Waveform> wave = ZELC_ConvertContained(s, waveform);
    ZELC_RequireSameContainer(wave.wrapper, r.wrapper, "The waveform and the reader are in different containers.");
    ZELI_WfDataReader* dataReader = r.object->Add_Waveform_p(*wave.object);
    try {
      return ZELC_HandleOf<zel_wfDataReader_t>(r.wrapper, dataReader);
    } catch (...) {
      r.object->Delete_Waveform(*dataReader);
      throw;
    }
  });
}

ZEL_EXPORT void ZEL_RemoveReaderWaveform(zel_session_t session, zel_reader_t reader, zel_wfDataReader_t dataReader,
                                         zel_status_t* status) noexcept {
  WithReader(__func__, session, reader, status, 0, [&](ZELC_Session* s, ReaderArg r) {
    ZELC_Contained<ZELI_WfDataReader> d = ZELC_ConvertContained(s, dataReader);
    ZELC_RequireSameContainer(d.wrapper, r.wrapper, "The waveform reader and the reader are in different containers.");
    r.object->Delete_Waveform(*d.object);
    return 0;
  });
}

ZEL_EXPORT void ZEL_ReplaceReaderView(zel_session_t session, zel_reader_t reader, zel_view_t view,
                                      zel_status_t* status) noexcept {
  WithReader(__func__, session, reader, status, 0, [&](ZELC_Session* s, ReaderArg r) {
    r.object->Set_View(*s->Object(view));
    return 0;
  });
}

ZEL_EXPORT void ZEL_StartReadingSegment(zel_session_t session, zel_reader_t reader, zel_segment_t segment,
                                        zel_status_t* status) noexcept {
  WithReader(__func__, session, reader, status, 0, [&](ZELC_Session* s, ReaderArg r) {
    ZELC_Contained<ZELI_Segment> seg = ZELC_ConvertContained(s, segment);
    ZELC_RequireSameContainer(seg.wrapper, r.wrapper, "The segment and the reader are in different containers.");
    r.object->Open(*seg.object);
    return 0;
  });
}

ZEL_EXPORT void ZEL_EndReading(zel_session_t session, zel_reader_t reader, zel_status_t* status) noexcept {
  // Reports under the name callers know from the pair Start/EndReadingSegment.
  WithReader("ZEL_EndReadingSegment", session, reader, status, 0, [&](ZELC_Session*, ReaderArg r) {
    r.object->Close();
    return 0;
  });
}

ZEL_EXPORT void ZEL_DeleteReader(zel_session_t session, zel_reader_t reader, zel_status_t* status) noexcept {
  WithReader(__func__, session, reader, status, 0, [&](ZELC_Session*, ReaderArg r) {
    std::unique_ptr<ZELI_Reader> owned(r.object);
    r.wrapper->Get_Object_p()->Erase(owned.get());
    if (owned->IsOpen()) {
      // Closing only collects garbage once the reader let go of its
      // segments; its failure must not keep the reader alive.
      try {
        owned->Close();
      } catch (...) {
      }
    }
    return 0;
  });
}

// ---- data of the current waveform segment ---------------------------------------

ZEL_EXPORT unsigned ZEL_GetPointCount(zel_session_t session, zel_wfDataReader_t dataReader,
                                      zel_status_t* status) noexcept {
  return WithSegment(__func__, session, dataReader, status, 0u,
                     [&](ZELI_WfSegment& segment, ZELI_WfDataReader&) { return segment.PointCount(0); });
}

ZEL_EXPORT ZEL_WfSegment* ZEL_GetWaveformDataWfSegment(zel_session_t session, zel_wfDataReader_t dataReader,
                                                      zel_status_t* status) noexcept {
  return WithSegment(__func__, session, dataReader, status, static_cast<ZEL_WfSegment*>(nullptr),
                     [&](ZELI_WfSegment& segment, ZELI_WfDataReader&) { return segment.Get_ApiObject_p(); });
}

ZEL_EXPORT void ZEL_GetWaveformDataXYBuffers(zel_session_t session, zel_wfDataReader_t dataReader, unsigned point,
                                             const void** x, const void** y, const unsigned** order,
                                             zel_status_t* status) noexcept {
  WithSegment(__func__, session, dataReader, status, 0, [&](ZELI_WfSegment& segment, ZELI_WfDataReader&) {
    ZELI_RequireArgument(x, "Null output pointer");
    ZELI_RequireArgument(y, "Null output pointer");
    const unsigned* orders = nullptr;
    segment.XYAddress(0, point, x, y, &orders);
    if (order != nullptr) *order = orders;
    return 0;
  });
}

ZEL_EXPORT void ZEL_GetWaveformDataXYPoint(zel_session_t session, zel_wfDataReader_t dataReader, unsigned point,
                                           void* x, void* y, unsigned* order, zel_status_t* status) noexcept {
  WithSegment(__func__, session, dataReader, status, 0, [&](ZELI_WfSegment& segment, ZELI_WfDataReader&) {
    ZELI_RequireArgument(x, "Null output pointer");
    ZELI_RequireArgument(y, "Null output pointer");
    unsigned pointOrder = 0;
    segment.XYPoint(0, point, x, y, &pointOrder);
    if (order != nullptr) *order = pointOrder;
    return 0;
  });
}

ZEL_EXPORT void ZEL_GetWaveformDataYatX(zel_session_t session, zel_wfDataReader_t dataReader, unsigned startPoint,
                                        const void* x, void* y, unsigned* lower, unsigned* upper,
                                        zel_status_t* status) noexcept {
  WithSegment(__func__, session, dataReader, status, 0, [&](ZELI_WfSegment& segment, ZELI_WfDataReader&) {
    ZELI_RequireArgument(x, "Null X value");
    ZELI_RequireArgument(y, "Null output pointer");
    ZELI_RequireArgument(lower, "Null output pointer");
    ZELI_RequireArgument(upper, "Null output pointer");
    segment.YAtX(0, startPoint, x, segment.Get_XType_p(), segment.Get_YType_p(), y, lower, upper);
    return 0;
  });
}

ZEL_EXPORT zel_monotonicity_t ZEL_GetWaveformDataXMonotonicity(zel_session_t session, zel_wfDataReader_t dataReader,
                                                               zel_status_t* status) noexcept {
  return WithSegment(__func__, session, dataReader, status, ZEL_MONOTONICITY_UNKNOWN,
                     [&](ZELI_WfSegment& segment, ZELI_WfDataReader&) { return segment.Get_XMonotonicity(); });
}

ZEL_EXPORT zel_monotonicity_t ZEL_GetWaveformDataYMonotonicity(zel_session_t session, zel_wfDataReader_t dataReader,
                                                               zel_status_t* status) noexcept {
  return WithSegment(__func__, session, dataReader, status, ZEL_MONOTONICITY_UNKNOWN,
                     [&](ZELI_WfSegment& segment, ZELI_WfDataReader&) { return segment.Get_YMonotonicity(); });
}

ZEL_EXPORT zel_dataSpacing_t ZEL_GetWaveformDataXDataSpacing(zel_session_t session, zel_wfDataReader_t dataReader,
                                                             zel_status_t* status) noexcept {
  return WithSegment(__func__, session, dataReader, status, ZEL_DATASPACING_UNKNOWN,
                     [&](ZELI_WfSegment& segment, ZELI_WfDataReader&) { return segment.Get_XDataSpacing(); });
}

ZEL_EXPORT zel_dataSpacing_t ZEL_GetWaveformDataYDataSpacing(zel_session_t session, zel_wfDataReader_t dataReader,
                                                             zel_status_t* status) noexcept {
  return WithSegment(__func__, session, dataReader, status, ZEL_DATASPACING_UNKNOWN,
                     [&](ZELI_WfSegment& segment, ZELI_WfDataReader&) { return segment.Get_YDataSpacing(); });
}

ZEL_EXPORT void ZEL_GetWaveformDataXMinMax(zel_session_t session, zel_wfDataReader_t dataReader, void* min, void* max,
                                           zel_status_t* status) noexcept {
  WithSegment(__func__, session, dataReader, status, 0, [&](ZELI_WfSegment& segment, ZELI_WfDataReader&) {
    ZELI_RequireArgument(min, "Null output pointer");
    ZELI_RequireArgument(max, "Null output pointer");
    segment.Get_XMinMax(min, max);
    return 0;
  });
}

ZEL_EXPORT void ZEL_GetWaveformDataYMinMax(zel_session_t session, zel_wfDataReader_t dataReader, void* min, void* max,
                                           zel_status_t* status) noexcept {
  WithSegment(__func__, session, dataReader, status, 0, [&](ZELI_WfSegment& segment, ZELI_WfDataReader&) {
    ZELI_RequireArgument(min, "Null output pointer");
    ZELI_RequireArgument(max, "Null output pointer");
    segment.Get_YMinMax(min, max);
    return 0;
  });
}

ZEL_EXPORT zel_interpolation_t ZEL_GetWaveformDataInterpolationType(zel_session_t session,
                                                                    zel_wfDataReader_t dataReader,
                                                                    zel_status_t* status) noexcept {
  return WithSegment(__func__, session, dataReader, status, ZEL_INTERPOLATION_NONE,
                     [&](ZELI_WfSegment& segment, ZELI_WfDataReader&) { return segment.Get_XInterpolationType(); });
}
