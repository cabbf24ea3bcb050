// Exported hierarchy functions that take or return waveforms: adds of
// signals with their stored waveforms, and the waveform of a node (derived
// on first request).
#include "interface/call.h"
#include "model/hierarchy.h"
#include "waveforms/waveform.h"

namespace {

// A stored waveform of wrapper's container (a derived one is refused, as it
// is never stored).
ZELI_Waveform* SourceOf(const ZELC_Session* s, ZELC_Container* wrapper, zel_waveform_t handle) {
  return ZELC_Resolve(s, handle, wrapper, "Waveform belongs to another container")->Get_SourceWaveform_p();
}

zel_hierarchyNode_t AddNamed(const char* function, zel_session_t session, zel_hierarchyNode_t node, const char* name,
                             zel_hdl_t hdl, ZELI_HierarchyNode::NodeType type, const zel_type_t* typeHandle,
                             zel_waveform_t waveform, zel_status_t* status) noexcept {
  return ZELC_Call(function, status, ZEL_NullHierarchyNode, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto parent = ZELC_Resolve(s, node);
    ZELI_Type* type_p = typeHandle != nullptr
                            ? ZELC_Resolve(s, *typeHandle, parent.wrapper, "Type belongs to another container").object
                            : nullptr;
    ZELI_Waveform* w = SourceOf(s, parent.wrapper, waveform);
    return ZELC_HandleOf<zel_hierarchyNode_t>(parent.wrapper,
                                              ZELI_Hierarchy::AddNamed(parent.object, type, name, hdl, type_p, w));
  });
}

zel_hierarchyNode_t AddSubelement(const char* function, zel_session_t session, zel_hierarchyNode_t node,
                                  unsigned location, ZELI_HierarchyNode::NodeType type, zel_waveform_t waveform,
                                  zel_status_t* status) noexcept {
  return ZELC_Call(function, status, ZEL_NullHierarchyNode, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto parent = ZELC_Resolve(s, node);
    ZELI_Waveform* w = SourceOf(s, parent.wrapper, waveform);
    return ZELC_HandleOf<zel_hierarchyNode_t>(parent.wrapper,
                                              ZELI_Hierarchy::AddSubelement(parent.object, type, location, w));
  });
}

}  // namespace

ZEL_EXPORT zel_hierarchyNode_t ZEL_AddHierarchyCompositeWf(zel_session_t session, zel_hierarchyNode_t node,
                                                           const char* name, zel_hdl_t hdl, zel_type_t type,
                                                           zel_waveform_t waveform, zel_status_t* status) noexcept {
  return AddNamed(__func__, session, node, name, hdl, ZELI_HierarchyNode::NAMED_COMPOSITE, &type, waveform, status);
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_AddHierarchyScalarWf(zel_session_t session, zel_hierarchyNode_t node,
                                                        const char* name, zel_hdl_t hdl, zel_waveform_t waveform,
                                                        zel_status_t* status) noexcept {
  return AddNamed(__func__, session, node, name, hdl, ZELI_HierarchyNode::NAMED_SCALAR, nullptr, waveform, status);
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_AddHierarchyCompositeSubelWf(zel_session_t session, zel_hierarchyNode_t node,
                                                                unsigned location, zel_waveform_t waveform,
                                                                zel_status_t* status) noexcept {
  return AddSubelement(__func__, session, node, location, ZELI_HierarchyNode::SUBELEMENT_COMPOSITE, waveform, status);
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_AddHierarchyScalarSubelWf(zel_session_t session, zel_hierarchyNode_t node,
                                                             unsigned location, zel_waveform_t waveform,
                                                             zel_status_t* status) noexcept {
  return AddSubelement(__func__, session, node, location, ZELI_HierarchyNode::SUBELEMENT_SCALAR, waveform, status);
}

ZEL_EXPORT zel_waveform_t ZEL_GetHierarchyWaveform(zel_session_t session, zel_hierarchyNode_t node,
                                                   zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWaveform, [&](ZELC_Interface& zel) {
    const auto n = ZELC_Resolve(zel.ConvertSessionHandle(session), node);
    return ZELC_HandleOf<zel_waveform_t>(n.wrapper, n->Get_Waveform_p());
  });
}
