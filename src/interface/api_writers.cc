// Exported functions of writers (session and writer handle, call frame) and
// of their data writers (a ZEL_WfDataWriter pointer checked against the
// registry of live data writers; a stale or foreign pointer is
// ZEL_BAD_HANDLE and is never dereferenced).
#include <memory>

#include "interface/call.h"
#include "model/segment.h"
#include "waveforms/data_writer_support.h"
#include "waveforms/waveform.h"
#include "waveforms/writer.h"

ZEL_EXPORT zel_writer_t ZEL_CreateWriter(zel_session_t session, zel_segment_t segment, unsigned dataStore,
                                         zel_storageMode_t mode, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWriter, [&](ZELC_Interface& zel) {
    const auto s = ZELC_Resolve(zel.ConvertSessionHandle(session), segment);
    ZELI_Writer* writer = new ZELI_Writer(*s, dataStore, mode);
    return ZELC_InsertAccessObject<zel_writer_t>(s.wrapper, writer, [&] { delete writer; });
  });
}

ZEL_EXPORT void ZEL_DeleteWriter(zel_session_t session, zel_writer_t writer, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto w = ZELC_Resolve(zel.ConvertSessionHandle(session), writer);
    // Closes what the writer opened first: should that fail, the writer
    // stays, and closing its container shuts it down later.
    w->Abandon();
    std::unique_ptr<ZELI_Writer> owned(w.object);
    // Drops the handle object (w.wrapper stays: it is the container's).
    w.wrapper->Get_Object_p()->Erase(owned.get());
  });
}

ZEL_EXPORT ZEL_WfDataWriter* ZEL_AddWriterWaveform(zel_session_t session, zel_writer_t writer, zel_waveform_t waveform,
                                                   zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<ZEL_WfDataWriter*>(nullptr), [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto w = ZELC_Resolve(s, writer);
    const auto wave = ZELC_Resolve(s, waveform, w.wrapper, "The waveform and the writer are in different containers.");
    return w->Add_Waveform_p(wave->Get_SourceWaveform_p());
  });
}

ZEL_EXPORT void ZEL_InitializeFrontWriting(zel_session_t session, zel_writer_t writer,
                                           zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->InitializeFrontWriting();
  });
}

ZEL_EXPORT void ZEL_InitializeArrayWriting(zel_session_t session, zel_writer_t writer,
                                           zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->InitializeArrayWriting();
  });
}

ZEL_EXPORT void ZEL_StartDataFront(zel_session_t session, zel_writer_t writer, const void* x,
                                   zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->StartDataFront(x);
  });
}

ZEL_EXPORT void ZEL_EndDataFront(zel_session_t session, zel_writer_t writer, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->EndDataFront();
  });
}

ZEL_EXPORT void ZEL_TerminateWriting(zel_session_t session, zel_writer_t writer, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->TerminateWriting();
  });
}

ZEL_EXPORT void ZEL_AppendXArray(zel_session_t session, zel_writer_t writer, unsigned count, const void* xValues,
                                 zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->AppendXArray(count, xValues);
  });
}

ZEL_EXPORT void ZEL_AppendXArraySimp(zel_session_t session, zel_writer_t writer, unsigned count, const void* xValues,
                                     zel_bool_t simple, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->AppendXArraySimp(count, xValues, simple);
  });
}

ZEL_EXPORT void ZEL_SetXMonotonicity(zel_session_t session, zel_writer_t writer, zel_monotonicity_t monotonicity,
                                     zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->Set_XMonotonicity(monotonicity);
  });
}

ZEL_EXPORT void ZEL_SetXDataSpacing(zel_session_t session, zel_writer_t writer, zel_dataSpacing_t spacing,
                                    zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->Set_XDataSpacing(spacing);
  });
}

ZEL_EXPORT void ZEL_SetXMinMax(zel_session_t session, zel_writer_t writer, const void* min, const void* max,
                               zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->Set_XMinMax(min, max);
  });
}

ZEL_EXPORT void ZEL_UnsetXMinMax(zel_session_t session, zel_writer_t writer, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->Unset_XMinMax();
  });
}

// ---- data writers -------------------------------------------------------------------------

ZEL_EXPORT void ZEL_WfDataWriterEnterValue(ZEL_WfDataWriter* dataWriter, const void* value, int order,
                                           zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) { ZELC_Resolve(dataWriter).EnterValue(value, order); });
}

ZEL_EXPORT void ZEL_WfDataWriterAppendArrays(ZEL_WfDataWriter* dataWriter, unsigned count, const void* values,
                                             const int* orders, const int* xIndices, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) {
    ZELC_Resolve(dataWriter).AppendArrays(count, values, orders, xIndices);
  });
}

ZEL_EXPORT void ZEL_WfDataWriterAppendArraysSimp(ZEL_WfDataWriter* dataWriter, unsigned count, const void* values,
                                                 const int* orders, const int* xIndices, zel_bool_t simple,
                                                 zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) {
    ZELC_Resolve(dataWriter).AppendArraysSimp(count, values, orders, xIndices, simple);
  });
}

ZEL_EXPORT void ZEL_WfDataWriterSetMonotonicity(ZEL_WfDataWriter* dataWriter, zel_monotonicity_t monotonicity,
                                                zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) { ZELC_Resolve(dataWriter).Set_Monotonicity(monotonicity); });
}

ZEL_EXPORT void ZEL_WfDataWriterSetDataSpacing(ZEL_WfDataWriter* dataWriter, zel_dataSpacing_t spacing,
                                               zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) { ZELC_Resolve(dataWriter).Set_DataSpacing(spacing); });
}

ZEL_EXPORT void ZEL_WfDataWriterSetInterpolationType(ZEL_WfDataWriter* dataWriter, zel_interpolation_t interpolation,
                                                     zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) {
    ZELC_Resolve(dataWriter).Set_InterpolationType(interpolation);
  });
}

ZEL_EXPORT void ZEL_WfDataWriterSetMinMax(ZEL_WfDataWriter* dataWriter, const void* min, const void* max,
                                          zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) { ZELC_Resolve(dataWriter).Set_MinMax(min, max); });
}

ZEL_EXPORT void ZEL_WfDataWriterUnsetMinMax(ZEL_WfDataWriter* dataWriter, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) { ZELC_Resolve(dataWriter).Unset_MinMax(); });
}
