// Exported functions of readers and waveform readers (session and handles,
// call frame). The data functions work on the waveform reader's current
// waveform segment and fail with ZEL_FAILED "No segment is open for
// reading." while its reader has no segment open.
#include <memory>

#include "access/wf_segment.h"
#include "interface/call.h"
#include "model/segment.h"
#include "views/reader.h"
#include "views/view.h"
#include "waveforms/waveform.h"

ZEL_EXPORT zel_reader_t ZEL_CreateReader(zel_session_t session, zel_container_t container, zel_view_t view,
                                         zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullReader, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(s, container);
    ZELI_View* viewObject = ZELC_Resolve(s, view).object;
    ZELI_Reader* reader = new ZELI_Reader(*c, *viewObject);
    return ZELC_InsertAccessObject<zel_reader_t>(c.wrapper, reader, [&] { delete reader; });
  });
}

ZEL_EXPORT zel_wfDataReader_t ZEL_AddReaderWaveform(zel_session_t session, zel_reader_t reader,
                                                    zel_waveform_t waveform, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, zel_wfDataReader_t{-1}, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto r = ZELC_Resolve(s, reader);
    // The reader refuses a waveform of another container.
    ZELI_WfDataReader* dataReader = r->Add_Waveform_p(*ZELC_Resolve(s, waveform));
    return ZELC_InsertAccessObject<zel_wfDataReader_t>(r.wrapper, dataReader,
                                                       [&] { r->Delete_Waveform(*dataReader); });
  });
}

ZEL_EXPORT void ZEL_RemoveReaderWaveform(zel_session_t session, zel_reader_t reader, zel_wfDataReader_t dataReader,
                                         zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto r = ZELC_Resolve(s, reader);
    const auto d =
        ZELC_Resolve(s, dataReader, r.wrapper, "The waveform reader and the reader are in different containers.");
    r->Delete_Waveform(*d);
  });
}

ZEL_EXPORT void ZEL_ReplaceReaderView(zel_session_t session, zel_reader_t reader, zel_view_t view,
                                      zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto r = ZELC_Resolve(s, reader);
    r->Set_View(*ZELC_Resolve(s, view));
  });
}

ZEL_EXPORT void ZEL_StartReadingSegment(zel_session_t session, zel_reader_t reader, zel_segment_t segment,
                                        zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto r = ZELC_Resolve(s, reader);
    // The reader refuses a segment of another container.
    r->Open(*ZELC_Resolve(s, segment));
  });
}

ZEL_EXPORT void ZEL_EndReading(zel_session_t session, zel_reader_t reader, zel_status_t* status) noexcept {
  // Reports under the name callers know from the pair Start/EndReadingSegment.
  ZELC_CallVoid("ZEL_EndReadingSegment", status,
                [&](ZELC_Interface& zel) { ZELC_Resolve(zel.ConvertSessionHandle(session), reader)->Close(); });
}

ZEL_EXPORT void ZEL_DeleteReader(zel_session_t session, zel_reader_t reader, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto r = ZELC_Resolve(zel.ConvertSessionHandle(session), reader);
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
  });
}

// ---- data of the current waveform segment ---------------------------------------

ZEL_EXPORT unsigned ZEL_GetPointCount(zel_session_t session, zel_wfDataReader_t dataReader,
                                      zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), dataReader)->Current().PointCount(0);
  });
}

ZEL_EXPORT ZEL_WfSegment* ZEL_GetWaveformDataWfSegment(zel_session_t session, zel_wfDataReader_t dataReader,
                                                      zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<ZEL_WfSegment*>(nullptr), [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), dataReader)->Current().Get_ApiObject_p();
  });
}

ZEL_EXPORT void ZEL_GetWaveformDataXYBuffers(zel_session_t session, zel_wfDataReader_t dataReader, unsigned point,
                                             const void** x, const void** y, const unsigned** order,
                                             zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELI_WfSegment& segment = ZELC_Resolve(zel.ConvertSessionHandle(session), dataReader)->Current();
    ZELI_RequireArgument(x, "Null output pointer");
    ZELI_RequireArgument(y, "Null output pointer");
    ZELI_RequireArgument(order, "Null output pointer");
    segment.XYAddress(0, point, x, y, order);
  });
}

ZEL_EXPORT void ZEL_GetWaveformDataXYPoint(zel_session_t session, zel_wfDataReader_t dataReader, unsigned point,
                                           void* x, void* y, unsigned* order, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELI_WfSegment& segment = ZELC_Resolve(zel.ConvertSessionHandle(session), dataReader)->Current();
    ZELI_RequireArgument(x, "Null output pointer");
    ZELI_RequireArgument(y, "Null output pointer");
    ZELI_RequireArgument(order, "Null output pointer");
    segment.XYPoint(0, point, x, y, order);
  });
}

ZEL_EXPORT void ZEL_GetWaveformDataYatX(zel_session_t session, zel_wfDataReader_t dataReader, unsigned startPoint,
                                        const void* x, void* y, unsigned* lower, unsigned* upper,
                                        zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELI_WfSegment& segment = ZELC_Resolve(zel.ConvertSessionHandle(session), dataReader)->Current();
    ZELI_RequireArgument(x, "Null X value");
    ZELI_RequireArgument(y, "Null output pointer");
    ZELI_RequireArgument(lower, "Null output pointer");
    ZELI_RequireArgument(upper, "Null output pointer");
    segment.YAtX(0, startPoint, x, segment.Get_XType_p(), segment.Get_YType_p(), y, lower, upper);
  });
}

ZEL_EXPORT zel_monotonicity_t ZEL_GetWaveformDataXMonotonicity(zel_session_t session, zel_wfDataReader_t dataReader,
                                                               zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_MONOTONICITY_UNKNOWN, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), dataReader)->Current().Get_XMonotonicity();
  });
}

ZEL_EXPORT zel_monotonicity_t ZEL_GetWaveformDataYMonotonicity(zel_session_t session, zel_wfDataReader_t dataReader,
                                                               zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_MONOTONICITY_UNKNOWN, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), dataReader)->Current().Get_YMonotonicity();
  });
}

ZEL_EXPORT zel_dataSpacing_t ZEL_GetWaveformDataXDataSpacing(zel_session_t session, zel_wfDataReader_t dataReader,
                                                             zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_DATASPACING_UNKNOWN, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), dataReader)->Current().Get_XDataSpacing();
  });
}

ZEL_EXPORT zel_dataSpacing_t ZEL_GetWaveformDataYDataSpacing(zel_session_t session, zel_wfDataReader_t dataReader,
                                                             zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_DATASPACING_UNKNOWN, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), dataReader)->Current().Get_YDataSpacing();
  });
}

ZEL_EXPORT void ZEL_GetWaveformDataXMinMax(zel_session_t session, zel_wfDataReader_t dataReader, void* min, void* max,
                                           zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELI_WfSegment& segment = ZELC_Resolve(zel.ConvertSessionHandle(session), dataReader)->Current();
    ZELI_RequireArgument(min, "Null output pointer");
    ZELI_RequireArgument(max, "Null output pointer");
    segment.Get_XMinMax(min, max);
  });
}

ZEL_EXPORT void ZEL_GetWaveformDataYMinMax(zel_session_t session, zel_wfDataReader_t dataReader, void* min, void* max,
                                           zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELI_WfSegment& segment = ZELC_Resolve(zel.ConvertSessionHandle(session), dataReader)->Current();
    ZELI_RequireArgument(min, "Null output pointer");
    ZELI_RequireArgument(max, "Null output pointer");
    segment.Get_YMinMax(min, max);
  });
}

ZEL_EXPORT zel_interpolation_t ZEL_GetWaveformDataInterpolationType(zel_session_t session,
                                                                    zel_wfDataReader_t dataReader,
                                                                    zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_INTERPOLATION_NONE, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), dataReader)->Current().Get_XInterpolationType();
  });
}
