// Exported functions of segments: creating and finding segments of a
// waveform set, segment indices, a segment's parameter values, its data
// stores and their commits.
#include "interface/api_model_support.h"
#include "model/parameter.h"
#include "model/segment.h"
#include "model/waveform_set.h"

namespace {

using SetArg = ZELC_Contained<ZELI_WaveformSet>;
using SegmentArg = ZELC_Contained<ZELI_Segment>;

// Runs body(contained object) in the call frame for a function of one set
// or segment.
template <typename Handle, typename Result, typename Body>
Result With(const char* function, zel_session_t session, Handle handle, zel_status_t* status, Result failure,
            Body&& body) noexcept {
  return ZELC_CallWith(function, session, handle, status, failure,
                       [&](ZELC_Session*, auto contained) { return body(contained); });
}

zel_segment_t HandleOf(const SetArg& set, ZELI_Segment* segment) {
  return ZELC_HandleOf<zel_segment_t>(set.wrapper, segment);
}

// The segment's entry i of its set's parameter list ("Parameter index out
// of range."), which must not be empty.
ZELI_Parameter* ParameterOf(const ZELI_Segment& segment, unsigned i) {
  return segment.Get_WaveformSet_p()->Get_SetParameter_p(i);
}

}  // namespace

ZEL_EXPORT zel_segment_t ZEL_CreateSegment(zel_session_t session, zel_waveformSet_t waveformSet, unsigned count,
                                           const unsigned* indices, zel_status_t* status) noexcept {
  return With(__func__, session, waveformSet, status, ZEL_NullSegment, [&](SetArg set) {
    if (count > 0) ZELI_RequireArgument(indices, "indices is null");
    return HandleOf(set, set.object->Create_Segment_p(set.object->Get_ParIds(count, indices)));
  });
}

ZEL_EXPORT zel_segment_t ZEL_CreateSegmentByIndex(zel_session_t session, zel_waveformSet_t waveformSet,
                                                  unsigned segmentIndex, zel_status_t* status) noexcept {
  return With(__func__, session, waveformSet, status, ZEL_NullSegment, [&](SetArg set) {
    return HandleOf(set, set.object->Create_Segment_p(set.object->Get_ParIdsOfSegmentIndex(segmentIndex)));
  });
}

ZEL_EXPORT unsigned ZEL_GetSegmentCount(zel_session_t session, zel_waveformSet_t waveformSet,
                                        zel_status_t* status) noexcept {
  return With(__func__, session, waveformSet, status, 0u, [](SetArg set) { return set.object->Get_SegmentCount(); });
}

ZEL_EXPORT zel_segment_t ZEL_GetSegment(zel_session_t session, zel_waveformSet_t waveformSet, unsigned i,
                                        zel_status_t* status) noexcept {
  return With(__func__, session, waveformSet, status, ZEL_NullSegment,
              [&](SetArg set) { return HandleOf(set, set.object->Get_Segment_p(i)); });
}

ZEL_EXPORT unsigned ZEL_GetMaximumSegmentCount(zel_session_t session, zel_waveformSet_t waveformSet,
                                               zel_status_t* status) noexcept {
  return With(__func__, session, waveformSet, status, 0u,
              [](SetArg set) { return set.object->Get_MaximumSegmentCount(); });
}

ZEL_EXPORT zel_segment_t ZEL_FindSegment(zel_session_t session, zel_waveformSet_t waveformSet, unsigned segmentIndex,
                                         zel_status_t* status) noexcept {
  return With(__func__, session, waveformSet, status, ZEL_NullSegment, [&](SetArg set) {
    return HandleOf(set, set.object->Find_Segment_p(set.object->Get_ParIdsOfSegmentIndex(segmentIndex)));
  });
}

ZEL_EXPORT zel_segment_t ZEL_FindSegmentIndices(zel_session_t session, zel_waveformSet_t waveformSet, unsigned count,
                                                const unsigned* indices, zel_status_t* status) noexcept {
  return With(__func__, session, waveformSet, status, ZEL_NullSegment, [&](SetArg set) {
    if (count > 0) ZELI_RequireArgument(indices, "indices is null");
    return HandleOf(set, set.object->Find_Segment_p(set.object->Get_ParIds(count, indices)));
  });
}

ZEL_EXPORT unsigned ZEL_GetSegmentIndexFromParIndices(zel_session_t session, zel_waveformSet_t waveformSet,
                                                      unsigned count, const unsigned* indices,
                                                      zel_status_t* status) noexcept {
  return With(__func__, session, waveformSet, status, 0u, [&](SetArg set) {
    if (count > 0) ZELI_RequireArgument(indices, "indices is null");
    return set.object->Get_SegmentIndexFromParIndices(count, indices);
  });
}

ZEL_EXPORT void ZEL_GetParameterIndices(zel_session_t session, zel_waveformSet_t waveformSet, unsigned segmentIndex,
                                        unsigned* indices, zel_status_t* status) noexcept {
  With(__func__, session, waveformSet, status, 0, [&](SetArg set) {
    const std::vector<unsigned> positions = set.object->Get_ParIndices(segmentIndex);
    if (positions.empty()) return 0;
    ZELI_RequireArgument(indices, "indices is null");
    std::copy(positions.begin(), positions.end(), indices);
    return 0;
  });
}

ZEL_EXPORT unsigned ZEL_GetSegmentIndex(zel_session_t session, zel_segment_t segment, zel_status_t* status) noexcept {
  return With(__func__, session, segment, status, 0u, [](SegmentArg s) {
    return s.object->Get_WaveformSet_p()->Get_SegmentIndexFromParIds(s.object->Get_ParIds());
  });
}

ZEL_EXPORT zel_parameter_t ZEL_GetSegmentParameter(zel_session_t session, zel_segment_t segment, unsigned i,
                                                   zel_status_t* status) noexcept {
  return With(__func__, session, segment, status, ZEL_NullParameter,
              [&](SegmentArg s) { return ZELC_HandleOf<zel_parameter_t>(s.wrapper, ParameterOf(*s.object, i)); });
}

ZEL_EXPORT unsigned ZEL_GetSegmentParameterValueIndex(zel_session_t session, zel_segment_t segment, unsigned i,
                                                      zel_status_t* status) noexcept {
  return With(__func__, session, segment, status, 0u,
              [&](SegmentArg s) { return ParameterOf(*s.object, i)->Get_Index(s.object->Get_ParIds()[i]); });
}

ZEL_EXPORT void ZEL_GetSegmentParameterValue(zel_session_t session, zel_segment_t segment, unsigned i, void* value,
                                             int* order, zel_status_t* status) noexcept {
  With(__func__, session, segment, status, 0, [&](SegmentArg s) {
    const ZELI_Parameter* parameter = ParameterOf(*s.object, i);
    parameter->GetValue(parameter->Get_Index(s.object->Get_ParIds()[i]), value, order);
    return 0;
  });
}

ZEL_EXPORT unsigned ZEL_AddSegmentDataStore(zel_session_t session, zel_segment_t segment,
                                            zel_status_t* status) noexcept {
  return With(__func__, session, segment, status, 0u, [](SegmentArg s) { return s.object->Add_DataStore(); });
}

ZEL_EXPORT unsigned ZEL_GetSegmentDataStoreCount(zel_session_t session, zel_segment_t segment,
                                                 zel_status_t* status) noexcept {
  return With(__func__, session, segment, status, 0u, [](SegmentArg s) { return s.object->Get_DataStoreCount(); });
}

ZEL_EXPORT void ZEL_CommitDataStoreStructure(zel_session_t session, zel_segment_t segment, unsigned dataStore,
                                             zel_status_t* status) noexcept {
  With(__func__, session, segment, status, 0, [&](SegmentArg s) {
    s.object->CommitDataStoreStructure(dataStore);
    return 0;
  });
}

ZEL_EXPORT void ZEL_CommitWaveformData(zel_session_t session, zel_segment_t segment, unsigned dataStore,
                                       zel_status_t* status) noexcept {
  With(__func__, session, segment, status, 0, [&](SegmentArg s) {
    s.object->CommitWaveformData(dataStore);
    return 0;
  });
}
