// Exported functions of simulation result writers and subsets (session and
// handles, call frame) and of their data writers (a ZEL_SimWfDataWriter
// pointer checked against the registry of live data writers; a stale,
// foreign or invented pointer is ZEL_BAD_HANDLE and never dereferenced).
#include <memory>

#include "interface/api_writer_support.h"
#include "model/segment.h"
#include "waveforms/sim_result_writer.h"
#include "waveforms/waveform.h"

namespace {

using WriterArg = ZELC_Contained<ZELI_SimResultWriter>;
using SubsetArg = ZELC_Contained<ZELI_SimResultSubset>;

}  // namespace

ZEL_EXPORT zel_simResultWriter_t ZEL_CreateSimResultWriter(zel_session_t session, zel_segment_t segment,
                                                           unsigned dataStore, zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, segment, status, ZEL_NullSimResultWriter,
                       [&](ZELC_Session*, ZELC_Contained<ZELI_Segment> s) {
                         auto writer = std::make_unique<ZELI_SimResultWriter>(*s.object, dataStore);
                         const auto handle = ZELC_InsertAccessObject<zel_simResultWriter_t>(s.wrapper, writer.get());
                         writer.release();
                         return handle;
                       });
}

ZEL_EXPORT void ZEL_DeleteSimResultWriter(zel_session_t session, zel_simResultWriter_t writer,
                                          zel_status_t* status) noexcept {
  ZELC_CallWith(__func__, session, writer, status, 0, [&](ZELC_Session*, WriterArg w) {
    // Closes what the writer opened first: should that fail, the writer
    // stays, and closing its container shuts it down later.
    w.object->Abandon();
    std::unique_ptr<ZELI_SimResultWriter> owned(w.object);
    ZELI_Container* container = w.wrapper->Get_Object_p();
    // Drops the handle objects (w.wrapper stays: it is the container's).
    for (unsigned i = 0; i < owned->Get_SubsetCount(); ++i) container->Erase(owned->Get_Subset_p(i));
    container->Erase(owned.get());
    return 0;
  });
}

ZEL_EXPORT unsigned ZEL_GetSimResultSubsetCount(zel_session_t session, zel_simResultWriter_t writer,
                                                zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, writer, status, 0u,
                       [](ZELC_Session*, WriterArg w) { return w.object->Get_SubsetCount(); });
}

ZEL_EXPORT zel_simResultSubset_t ZEL_GetSimResultSubset(zel_session_t session, zel_simResultWriter_t writer,
                                                        unsigned index, zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, writer, status, ZEL_NullSimResultSubset, [&](ZELC_Session*, WriterArg w) {
    return ZELC_HandleOf<zel_simResultSubset_t>(w.wrapper, w.object->Get_Subset_p(index));
  });
}

ZEL_EXPORT zel_simResultSubset_t ZEL_CreateSimResultSubset(zel_session_t session, zel_simResultWriter_t writer,
                                                           zel_storageMode_t mode, zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, writer, status, ZEL_NullSimResultSubset, [&](ZELC_Session*, WriterArg w) {
    ZELI_SimResultSubset* subset = w.object->Add_Subset_p(mode);
    try {
      return ZELC_InsertAccessObject<zel_simResultSubset_t>(w.wrapper, subset);
    } catch (...) {
      w.object->Remove_LastSubset();
      throw;
    }
  });
}

ZEL_EXPORT unsigned ZEL_AddSimResultWaveform(zel_session_t session, zel_simResultSubset_t subset,
                                             zel_waveform_t waveform, zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, subset, status, 0u, [&](ZELC_Session* s, SubsetArg sub) {
    ZELC_Contained<ZELI_Waveform> wave = ZELC_ConvertContained(s, waveform);
    ZELC_RequireSameContainer(wave.wrapper, sub.wrapper, "The waveform and the subset are in different containers.");
    return sub.object->Add_Waveform_p(wave.object->Get_SourceWaveform_p());
  });
}

ZEL_EXPORT unsigned ZEL_GetSimResultWaveformCount(zel_session_t session, zel_simResultSubset_t subset,
                                                  zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, subset, status, 0u,
                       [](ZELC_Session*, SubsetArg sub) { return sub.object->Get_WaveformCount(); });
}

ZEL_EXPORT zel_waveform_t ZEL_GetSimResultWaveform(zel_session_t session, zel_simResultSubset_t subset,
                                                   unsigned index, zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, subset, status, ZEL_NullWaveform, [&](ZELC_Session*, SubsetArg sub) {
    ZELI_Waveform* waveform = sub.object->Get_Waveform_p(index);
    return ZELC_HandleOf<zel_waveform_t>(sub.wrapper, waveform);
  });
}

ZEL_EXPORT ZEL_SimWfDataWriter* ZEL_GetSimWfDataWriter_p(zel_session_t session, zel_simResultSubset_t subset,
                                                         unsigned index, zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, subset, status, static_cast<ZEL_SimWfDataWriter*>(nullptr),
                       [&](ZELC_Session*, SubsetArg sub) { return sub.object->Get_SimWfDataWriter_p(index); });
}

ZEL_EXPORT void ZEL_SetSimInterpolationType(zel_session_t session, zel_simResultSubset_t subset,
                                            zel_interpolation_t interpolation, zel_status_t* status) noexcept {
  ZELC_WithObject(__func__, session, subset, status,
                  [&](ZELI_SimResultSubset& s) { s.Set_InterpolationType(interpolation); });
}

ZEL_EXPORT void ZEL_SimInitializeWriting(zel_session_t session, zel_simResultWriter_t writer,
                                         zel_status_t* status) noexcept {
  ZELC_WithObject(__func__, session, writer, status, [](ZELI_SimResultWriter& w) { w.InitializeWriting(); });
}

ZEL_EXPORT void ZEL_SimTerminateWriting(zel_session_t session, zel_simResultWriter_t writer,
                                        zel_status_t* status) noexcept {
  ZELC_WithObject(__func__, session, writer, status, [](ZELI_SimResultWriter& w) { w.TerminateWriting(); });
}

ZEL_EXPORT void ZEL_SimStartCycle(zel_session_t session, zel_simResultWriter_t writer, const void* x,
                                  zel_status_t* status) noexcept {
  ZELC_WithObject(__func__, session, writer, status, [&](ZELI_SimResultWriter& w) { w.StartCycle(x); });
}

ZEL_EXPORT void ZEL_SimEndCycle(zel_session_t session, zel_simResultWriter_t writer, zel_status_t* status) noexcept {
  ZELC_WithObject(__func__, session, writer, status, [](ZELI_SimResultWriter& w) { w.EndCycle(); });
}

ZEL_EXPORT void ZEL_SimStartDataFront(zel_session_t session, zel_simResultSubset_t subset, int order,
                                      zel_status_t* status) noexcept {
  ZELC_WithObject(__func__, session, subset, status, [&](ZELI_SimResultSubset& s) { s.StartDataFront(order); });
}

ZEL_EXPORT void ZEL_SimEndDataFront(zel_session_t session, zel_simResultSubset_t subset,
                                    zel_status_t* status) noexcept {
  ZELC_WithObject(__func__, session, subset, status, [](ZELI_SimResultSubset& s) { s.EndDataFront(); });
}

ZEL_EXPORT void ZEL_SetSimResultXMonotonicity(zel_session_t session, zel_simResultWriter_t writer,
                                              zel_monotonicity_t monotonicity, zel_status_t* status) noexcept {
  ZELC_WithObject(__func__, session, writer, status,
                  [&](ZELI_SimResultWriter& w) { w.Set_XMonotonicity(monotonicity); });
}

ZEL_EXPORT void ZEL_SetSimResultXDataSpacing(zel_session_t session, zel_simResultWriter_t writer,
                                             zel_dataSpacing_t spacing, zel_status_t* status) noexcept {
  ZELC_WithObject(__func__, session, writer, status, [&](ZELI_SimResultWriter& w) { w.Set_XDataSpacing(spacing); });
}

ZEL_EXPORT void ZEL_SetSimResultXMinMax(zel_session_t session, zel_simResultWriter_t writer, const void* min,
                                        const void* max, zel_status_t* status) noexcept {
  ZELC_WithObject(__func__, session, writer, status, [&](ZELI_SimResultWriter& w) { w.Set_XMinMax(min, max); });
}

ZEL_EXPORT void ZEL_UnsetSimResultXMinMax(zel_session_t session, zel_simResultWriter_t writer,
                                          zel_status_t* status) noexcept {
  ZELC_WithObject(__func__, session, writer, status, [](ZELI_SimResultWriter& w) { w.Unset_XMinMax(); });
}

// ---- data writers -------------------------------------------------------------------------

ZEL_EXPORT void ZEL_SimWfDataWriterEnterValue(ZEL_SimWfDataWriter* dataWriter, const void* value,
                                              zel_status_t* status) noexcept {
  // The member's work without its exception conversion: the frame reports
  // library failures with the same status and message.
  ZELC_WithDataWriter(
      __func__, dataWriter, status, [&](ZEL_SimWfDataWriter& d) { ZELI_EnterSimValue(d, value); }, true);
}

ZEL_EXPORT void ZEL_SimWfDataWriterSetMonotonicity(ZEL_SimWfDataWriter* dataWriter, zel_monotonicity_t monotonicity,
                                                   zel_status_t* status) noexcept {
  ZELC_WithDataWriter(__func__, dataWriter, status,
                      [&](ZEL_SimWfDataWriter& d) { d.Set_Monotonicity(monotonicity); });
}

ZEL_EXPORT void ZEL_SimWfDataWriterSetDataSpacing(ZEL_SimWfDataWriter* dataWriter, zel_dataSpacing_t spacing,
                                                  zel_status_t* status) noexcept {
  ZELC_WithDataWriter(__func__, dataWriter, status, [&](ZEL_SimWfDataWriter& d) { d.Set_DataSpacing(spacing); });
}

ZEL_EXPORT void ZEL_SimWfDataWriterSetMinMax(ZEL_SimWfDataWriter* dataWriter, const void* min, const void* max,
                                             zel_status_t* status) noexcept {
  ZELC_WithDataWriter(__func__, dataWriter, status, [&](ZEL_SimWfDataWriter& d) { d.Set_MinMax(min, max); });
}

ZEL_EXPORT void ZEL_SimWfDataWriterUnsetMinMax(ZEL_SimWfDataWriter* dataWriter, zel_status_t* status) noexcept {
  ZELC_WithDataWriter(__func__, dataWriter, status, [](ZEL_SimWfDataWriter& d) { d.Unset_MinMax(); });
}
