// Exported hierarchy functions that take or return waveforms. Until the
// waveform classes exist they fail as not provided.
#include "model/hierarchy_api_support.h"

namespace {

[[noreturn]] void NotProvided() { throw ZELI_FailedException("Unimplemented: waveforms"); }

}  // namespace

ZEL_EXPORT zel_hierarchyNode_t ZEL_AddHierarchyCompositeWf(zel_session_t, zel_hierarchyNode_t, const char*, zel_hdl_t,
                                                           zel_type_t, zel_waveform_t, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullHierarchyNode,
                   [&](ZELC_Interface&) -> zel_hierarchyNode_t { NotProvided(); });
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_AddHierarchyScalarWf(zel_session_t, zel_hierarchyNode_t, const char*, zel_hdl_t,
                                                        zel_waveform_t, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullHierarchyNode,
                   [&](ZELC_Interface&) -> zel_hierarchyNode_t { NotProvided(); });
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_AddHierarchyCompositeSubelWf(zel_session_t, zel_hierarchyNode_t, unsigned,
                                                                zel_waveform_t, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullHierarchyNode,
                   [&](ZELC_Interface&) -> zel_hierarchyNode_t { NotProvided(); });
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_AddHierarchyScalarSubelWf(zel_session_t, zel_hierarchyNode_t, unsigned,
                                                             zel_waveform_t, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullHierarchyNode,
                   [&](ZELC_Interface&) -> zel_hierarchyNode_t { NotProvided(); });
}

ZEL_EXPORT zel_waveform_t ZEL_GetHierarchyWaveform(zel_session_t, zel_hierarchyNode_t,
                                                   zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWaveform, [&](ZELC_Interface&) -> zel_waveform_t { NotProvided(); });
}
