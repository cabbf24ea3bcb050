// Exported functions of segments: creating and finding segments of a
// waveform set, segment indices, a segment's parameter values, its data
// stores and their commits.
#include <algorithm>
#include <vector>

#include "interface/call.h"
#include "model/parameter.h"
#include "model/segment.h"
#include "model/waveform_set.h"

namespace {

// The segment's entry i of its set's parameter list ("Parameter index out
// of range."), which must not be empty.
ZELI_Parameter* ParameterOf(const ZELI_Segment& segment, unsigned i) {
  return segment.Get_WaveformSet_p()->Get_SetParameter_p(i);
}

}  // namespace

ZEL_EXPORT zel_segment_t ZEL_CreateSegment(zel_session_t session, zel_waveformSet_t waveformSet, unsigned count,
                                           const unsigned* indices, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullSegment, [&](ZELC_Interface& zel) {
    const auto set = ZELC_Resolve(zel.ConvertSessionHandle(session), waveformSet);
    if (count > 0) ZELI_RequireArgument(indices, "indices is null");
    return ZELC_HandleOf<zel_segment_t>(set.wrapper, set->Create_Segment_p(set->Get_ParIds(count, indices)));
  });
}

ZEL_EXPORT zel_segment_t ZEL_CreateSegmentByIndex(zel_session_t session, zel_waveformSet_t waveformSet,
                                                  unsigned segmentIndex, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullSegment, [&](ZELC_Interface& zel) {
    const auto set = ZELC_Resolve(zel.ConvertSessionHandle(session), waveformSet);
    return ZELC_HandleOf<zel_segment_t>(set.wrapper,
                                        set->Create_Segment_p(set->Get_ParIdsOfSegmentIndex(segmentIndex)));
  });
}

ZEL_EXPORT unsigned ZEL_GetSegmentCount(zel_session_t session, zel_waveformSet_t waveformSet,
                                        zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), waveformSet)->Get_SegmentCount();
  });
}

ZEL_EXPORT zel_segment_t ZEL_GetSegment(zel_session_t session, zel_waveformSet_t waveformSet, unsigned i,
                                        zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullSegment, [&](ZELC_Interface& zel) {
    const auto set = ZELC_Resolve(zel.ConvertSessionHandle(session), waveformSet);
    return ZELC_HandleOf<zel_segment_t>(set.wrapper, set->Get_Segment_p(i));
  });
}

ZEL_EXPORT unsigned ZEL_GetMaximumSegmentCount(zel_session_t session, zel_waveformSet_t waveformSet,
                                               zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), waveformSet)->Get_MaximumSegmentCount();
  });
}

ZEL_EXPORT zel_segment_t ZEL_FindSegment(zel_session_t session, zel_waveformSet_t waveformSet, unsigned segmentIndex,
                                         zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullSegment, [&](ZELC_Interface& zel) {
    const auto set = ZELC_Resolve(zel.ConvertSessionHandle(session), waveformSet);
    return ZELC_HandleOf<zel_segment_t>(set.wrapper, set->Find_Segment_p(set->Get_ParIdsOfSegmentIndex(segmentIndex)));
  });
}

ZEL_EXPORT zel_segment_t ZEL_FindSegmentIndices(zel_session_t session, zel_waveformSet_t waveformSet, unsigned count,
                                                const unsigned* indices, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullSegment, [&](ZELC_Interface& zel) {
    const auto set = ZELC_Resolve(zel.ConvertSessionHandle(session), waveformSet);
    if (count > 0) ZELI_RequireArgument(indices, "indices is null");
    return ZELC_HandleOf<zel_segment_t>(set.wrapper, set->Find_Segment_p(set->Get_ParIds(count, indices)));
  });
}

ZEL_EXPORT unsigned ZEL_GetSegmentIndexFromParIndices(zel_session_t session, zel_waveformSet_t waveformSet,
                                                      unsigned count, const unsigned* indices,
                                                      zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    const auto set = ZELC_Resolve(zel.ConvertSessionHandle(session), waveformSet);
    if (count > 0) ZELI_RequireArgument(indices, "indices is null");
    return set->Get_SegmentIndexFromParIndices(count, indices);
  });
}

ZEL_EXPORT void ZEL_GetParameterIndices(zel_session_t session, zel_waveformSet_t waveformSet, unsigned segmentIndex,
                                        unsigned* indices, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto set = ZELC_Resolve(zel.ConvertSessionHandle(session), waveformSet);
    const std::vector<unsigned> positions = set->Get_ParIndices(segmentIndex);
    if (positions.empty()) return;
    ZELI_RequireArgument(indices, "indices is null");
    std::copy(positions.begin(), positions.end(), indices);
  });
}

ZEL_EXPORT unsigned ZEL_GetSegmentIndex(zel_session_t session, zel_segment_t segment, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    const auto s = ZELC_Resolve(zel.ConvertSessionHandle(session), segment);
    return s->Get_WaveformSet_p()->Get_SegmentIndexFromParIds(s->Get_ParIds());
  });
}

ZEL_EXPORT zel_parameter_t ZEL_GetSegmentParameter(zel_session_t session, zel_segment_t segment, unsigned i,
                                                   zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullParameter, [&](ZELC_Interface& zel) {
    const auto s = ZELC_Resolve(zel.ConvertSessionHandle(session), segment);
    return ZELC_HandleOf<zel_parameter_t>(s.wrapper, ParameterOf(*s, i));
  });
}

ZEL_EXPORT unsigned ZEL_GetSegmentParameterValueIndex(zel_session_t session, zel_segment_t segment, unsigned i,
                                                      zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    const auto s = ZELC_Resolve(zel.ConvertSessionHandle(session), segment);
    return ParameterOf(*s, i)->Get_Index(s->Get_ParIds()[i]);
  });
}

ZEL_EXPORT void ZEL_GetSegmentParameterValue(zel_session_t session, zel_segment_t segment, unsigned i, void* value,
                                             int* order, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto s = ZELC_Resolve(zel.ConvertSessionHandle(session), segment);
    const ZELI_Parameter* parameter = ParameterOf(*s, i);
    parameter->GetValue(parameter->Get_Index(s->Get_ParIds()[i]), value, order);
  });
}

ZEL_EXPORT unsigned ZEL_AddSegmentDataStore(zel_session_t session, zel_segment_t segment,
                                            zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), segment)->Add_DataStore();
  });
}

ZEL_EXPORT unsigned ZEL_GetSegmentDataStoreCount(zel_session_t session, zel_segment_t segment,
                                                 zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), segment)->Get_DataStoreCount();
  });
}

ZEL_EXPORT void ZEL_CommitDataStoreStructure(zel_session_t session, zel_segment_t segment, unsigned dataStore,
                                             zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), segment)->CommitDataStoreStructure(dataStore);
  });
}

ZEL_EXPORT void ZEL_CommitWaveformData(zel_session_t session, zel_segment_t segment, unsigned dataStore,
                                       zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), segment)->CommitWaveformData(dataStore);
  });
}
