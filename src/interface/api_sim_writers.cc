// Exported functions of simulation result writers and subsets (session and
// handles, call frame) and of their data writers (a ZEL_SimWfDataWriter
// pointer checked against the registry of live data writers; a stale,
// foreign or invented pointer is ZEL_BAD_HANDLE and never dereferenced).
#include <memory>

#include "interface/call.h"
#include "model/segment.h"
#include "waveforms/data_writer_support.h"
#include "waveforms/sim_result_writer.h"
#include "waveforms/waveform.h"

ZEL_EXPORT zel_simResultWriter_t ZEL_CreateSimResultWriter(zel_session_t session, zel_segment_t segment,
                                                           unsigned dataStore, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullSimResultWriter, [&](ZELC_Interface& zel) {
    const auto s = ZELC_Resolve(zel.ConvertSessionHandle(session), segment);
    ZELI_SimResultWriter* writer = new ZELI_SimResultWriter(*s, dataStore);
    return ZELC_InsertAccessObject<zel_simResultWriter_t>(s.wrapper, writer, [&] { delete writer; });
  });
}

ZEL_EXPORT void ZEL_DeleteSimResultWriter(zel_session_t session, zel_simResultWriter_t writer,
                                          zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto w = ZELC_Resolve(zel.ConvertSessionHandle(session), writer);
    // Closes what the writer opened first: should that fail, the writer
    // stays, and closing its container shuts it down later.
    w->Abandon();
    std::unique_ptr<ZELI_SimResultWriter> owned(w.object);
    ZELI_Container* container = w.wrapper->Get_Object_p();
    // Drops the handle objects (w.wrapper stays: it is the container's).
    for (unsigned i = 0; i < owned->Get_SubsetCount(); ++i) container->Erase(owned->Get_Subset_p(i));
    container->Erase(owned.get());
  });
}

ZEL_EXPORT unsigned ZEL_GetSimResultSubsetCount(zel_session_t session, zel_simResultWriter_t writer,
                                                zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->Get_SubsetCount();
  });
}

ZEL_EXPORT zel_simResultSubset_t ZEL_GetSimResultSubset(zel_session_t session, zel_simResultWriter_t writer,
                                                        unsigned index, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullSimResultSubset, [&](ZELC_Interface& zel) {
    const auto w = ZELC_Resolve(zel.ConvertSessionHandle(session), writer);
    return ZELC_HandleOf<zel_simResultSubset_t>(w.wrapper, w->Get_Subset_p(index));
  });
}

ZEL_EXPORT zel_simResultSubset_t ZEL_CreateSimResultSubset(zel_session_t session, zel_simResultWriter_t writer,
                                                           zel_storageMode_t mode, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullSimResultSubset, [&](ZELC_Interface& zel) {
    const auto w = ZELC_Resolve(zel.ConvertSessionHandle(session), writer);
    ZELI_SimResultSubset* subset = w->Add_Subset_p(mode);
    return ZELC_InsertAccessObject<zel_simResultSubset_t>(w.wrapper, subset, [&] { w->Remove_LastSubset(); });
  });
}

ZEL_EXPORT unsigned ZEL_AddSimResultWaveform(zel_session_t session, zel_simResultSubset_t subset,
                                             zel_waveform_t waveform, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto sub = ZELC_Resolve(s, subset);
    const auto wave =
        ZELC_Resolve(s, waveform, sub.wrapper, "The waveform and the subset are in different containers.");
    return sub->Add_Waveform_p(wave->Get_SourceWaveform_p());
  });
}

ZEL_EXPORT unsigned ZEL_GetSimResultWaveformCount(zel_session_t session, zel_simResultSubset_t subset,
                                                  zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), subset)->Get_WaveformCount();
  });
}

ZEL_EXPORT zel_waveform_t ZEL_GetSimResultWaveform(zel_session_t session, zel_simResultSubset_t subset,
                                                   unsigned index, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWaveform, [&](ZELC_Interface& zel) {
    const auto sub = ZELC_Resolve(zel.ConvertSessionHandle(session), subset);
    ZELI_Waveform* waveform = sub->Get_Waveform_p(index);
    return ZELC_HandleOf<zel_waveform_t>(sub.wrapper, waveform);
  });
}

ZEL_EXPORT ZEL_SimWfDataWriter* ZEL_GetSimWfDataWriter_p(zel_session_t session, zel_simResultSubset_t subset,
                                                         unsigned index, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<ZEL_SimWfDataWriter*>(nullptr), [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), subset)->Get_SimWfDataWriter_p(index);
  });
}

ZEL_EXPORT void ZEL_SetSimInterpolationType(zel_session_t session, zel_simResultSubset_t subset,
                                            zel_interpolation_t interpolation, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), subset)->Set_InterpolationType(interpolation);
  });
}

ZEL_EXPORT void ZEL_SimInitializeWriting(zel_session_t session, zel_simResultWriter_t writer,
                                         zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->InitializeWriting();
  });
}

ZEL_EXPORT void ZEL_SimTerminateWriting(zel_session_t session, zel_simResultWriter_t writer,
                                        zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->TerminateWriting();
  });
}

ZEL_EXPORT void ZEL_SimStartCycle(zel_session_t session, zel_simResultWriter_t writer, const void* x,
                                  zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->StartCycle(x);
  });
}

ZEL_EXPORT void ZEL_SimEndCycle(zel_session_t session, zel_simResultWriter_t writer, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->EndCycle();
  });
}

ZEL_EXPORT void ZEL_SimStartDataFront(zel_session_t session, zel_simResultSubset_t subset, int order,
                                      zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), subset)->StartDataFront(order);
  });
}

ZEL_EXPORT void ZEL_SimEndDataFront(zel_session_t session, zel_simResultSubset_t subset,
                                    zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), subset)->EndDataFront();
  });
}

ZEL_EXPORT void ZEL_SimEnterDataFrontValues(zel_session_t session, zel_simResultSubset_t subset, unsigned first,
                                            unsigned count, const void* values, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), subset)->EnterFrontValues(first, count, values);
  });
}

ZEL_EXPORT void ZEL_SetSimResultXMonotonicity(zel_session_t session, zel_simResultWriter_t writer,
                                              zel_monotonicity_t monotonicity, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->Set_XMonotonicity(monotonicity);
  });
}

ZEL_EXPORT void ZEL_SetSimResultXDataSpacing(zel_session_t session, zel_simResultWriter_t writer,
                                             zel_dataSpacing_t spacing, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->Set_XDataSpacing(spacing);
  });
}

ZEL_EXPORT void ZEL_SetSimResultXMinMax(zel_session_t session, zel_simResultWriter_t writer, const void* min,
                                        const void* max, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->Set_XMinMax(min, max);
  });
}

ZEL_EXPORT void ZEL_UnsetSimResultXMinMax(zel_session_t session, zel_simResultWriter_t writer,
                                          zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), writer)->Unset_XMinMax();
  });
}

// ---- data writers -------------------------------------------------------------------------

ZEL_EXPORT void ZEL_SimWfDataWriterEnterValue(ZEL_SimWfDataWriter* dataWriter, const void* value,
                                              zel_status_t* status) noexcept {
  // The member's work without its exception conversion: the frame reports
  // library failures with the same status and message.
  ZELC_CallVoid<ZELC_PER_VALUE>(__func__, status,
                                [&](ZELC_Interface&) { ZELI_EnterSimValue(ZELC_Resolve(dataWriter), value); });
}

ZEL_EXPORT void ZEL_SimWfDataWriterSetMonotonicity(ZEL_SimWfDataWriter* dataWriter, zel_monotonicity_t monotonicity,
                                                   zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) { ZELC_Resolve(dataWriter).Set_Monotonicity(monotonicity); });
}

ZEL_EXPORT void ZEL_SimWfDataWriterSetDataSpacing(ZEL_SimWfDataWriter* dataWriter, zel_dataSpacing_t spacing,
                                                  zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) { ZELC_Resolve(dataWriter).Set_DataSpacing(spacing); });
}

ZEL_EXPORT void ZEL_SimWfDataWriterSetMinMax(ZEL_SimWfDataWriter* dataWriter, const void* min, const void* max,
                                             zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) { ZELC_Resolve(dataWriter).Set_MinMax(min, max); });
}

ZEL_EXPORT void ZEL_SimWfDataWriterUnsetMinMax(ZEL_SimWfDataWriter* dataWriter, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) { ZELC_Resolve(dataWriter).Unset_MinMax(); });
}
