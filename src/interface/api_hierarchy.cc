// Exported functions of the signal hierarchy: adds, group members, deletion,
// finding, names, kinds, attributes, and the root of a waveform set. The
// functions that take or return waveforms are in api_hierarchy_waveforms.cc.
#include <vector>

#include "interface/call.h"
#include "model/hierarchy.h"
#include "model/waveform_set.h"

namespace {

zel_hierarchyNode_t AddNamedNode(const char* function, zel_session_t session, zel_hierarchyNode_t node,
                                 const char* name, zel_hdl_t hdl, ZELI_HierarchyNode::NodeType type,
                                 zel_status_t* status) noexcept {
  return ZELC_Call(function, status, ZEL_NullHierarchyNode, [&](ZELC_Interface& zel) {
    const auto parent = ZELC_Resolve(zel.ConvertSessionHandle(session), node);
    ZELI_HierarchyNode* added = ZELI_Hierarchy::AddNamed(parent.object, type, name, hdl, nullptr, nullptr);
    return ZELC_HandleOf<zel_hierarchyNode_t>(parent.wrapper, added);
  });
}

}  // namespace

ZEL_EXPORT zel_hierarchyNode_t ZEL_AddHierarchyBlock(zel_session_t session, zel_hierarchyNode_t node, const char* name,
                                                     zel_hdl_t hdl, zel_status_t* status) noexcept {
  return AddNamedNode(__func__, session, node, name, hdl, ZELI_HierarchyNode::BLOCK, status);
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_AddHierarchyGroup(zel_session_t session, zel_hierarchyNode_t node, const char* name,
                                                     zel_hdl_t hdl, zel_status_t* status) noexcept {
  return AddNamedNode(__func__, session, node, name, hdl, ZELI_HierarchyNode::GROUP, status);
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_AddHierarchyCompositeType(zel_session_t session, zel_hierarchyNode_t node,
                                                             const char* name, zel_hdl_t hdl, zel_type_t type,
                                                             zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullHierarchyNode, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto parent = ZELC_Resolve(s, node);
    ZELI_Type* type_p = ZELC_Resolve(s, type, parent.wrapper, "Type belongs to another container").object;
    ZELI_HierarchyNode* added =
        ZELI_Hierarchy::AddNamed(parent.object, ZELI_HierarchyNode::NAMED_COMPOSITE, name, hdl, type_p, nullptr);
    return ZELC_HandleOf<zel_hierarchyNode_t>(parent.wrapper, added);
  });
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_AddHierarchyCompositeSubelType(zel_session_t session, zel_hierarchyNode_t node,
                                                                  unsigned location, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullHierarchyNode, [&](ZELC_Interface& zel) {
    const auto parent = ZELC_Resolve(zel.ConvertSessionHandle(session), node);
    ZELI_HierarchyNode* added =
        ZELI_Hierarchy::AddSubelement(parent.object, ZELI_HierarchyNode::SUBELEMENT_COMPOSITE, location, nullptr);
    return ZELC_HandleOf<zel_hierarchyNode_t>(parent.wrapper, added);
  });
}

ZEL_EXPORT void ZEL_AddHierarchyGroupMembers(zel_session_t session, zel_hierarchyNode_t group, unsigned count,
                                             const zel_hierarchyNode_t* members, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto target = ZELC_Resolve(s, group);
    if (!target->IsGroup()) throw ZELI_BadArgException("The node is not a group");
    if (count > 0) ZELI_RequireArgument(members, "members is null");
    // In array order, each converted and added in turn: the members added
    // before a failing one stay (each addition is whole or nothing).
    for (unsigned i = 0; i < count; ++i) {
      ZELI_HierarchyNode* member =
          ZELC_Resolve(s, members[i], target.wrapper, "Hierarchy node belongs to another container").object;
      target->Add_Member_p(member);
      target->Get_WaveformSet_p()->Set_ContainerIsDirty();
    }
  });
}

ZEL_EXPORT void ZEL_DeleteHierarchyNode(zel_session_t session, zel_hierarchyNode_t node,
                                        zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELI_Hierarchy::DeleteNode(ZELC_Resolve(zel.ConvertSessionHandle(session), node).object);
  });
}

ZEL_EXPORT zel_hierarchyNode_t* ZEL_GetHierarchyNodes(zel_session_t session, zel_hierarchyNode_t node,
                                                      const char* name, zel_hdl_t hdl, unsigned* count,
                                                      zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<zel_hierarchyNode_t*>(nullptr), [&](ZELC_Interface& zel) {
    const auto start = ZELC_Resolve(zel.ConvertSessionHandle(session), node);
    ZELI_RequireArgument(count, "count is null");
    const std::vector<ZELI_HierarchyNode*> found = ZELI_Hierarchy::Find_AllNodes(start.object, name, hdl);
    return ZELC_HandleArray<zel_hierarchyNode_t>(start.wrapper, found, count);
  });
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_GetHierarchySubelNode(zel_session_t session, zel_hierarchyNode_t node,
                                                         unsigned location, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullHierarchyNode, [&](ZELC_Interface& zel) {
    const auto parent = ZELC_Resolve(zel.ConvertSessionHandle(session), node);
    return ZELC_HandleOf<zel_hierarchyNode_t>(parent.wrapper, parent->Find_Offspring_pByLocation(location));
  });
}

ZEL_EXPORT const char* ZEL_GetHierarchyNodeName(zel_session_t session, zel_hierarchyNode_t node,
                                                zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr), [&](ZELC_Interface& zel) -> const char* {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), node)->Get_Name();
  });
}

ZEL_EXPORT char* ZEL_GetHierarchyNodeCompositeName(zel_session_t session, zel_hierarchyNode_t node, zel_hdl_t hdl,
                                                   zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<char*>(nullptr), [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), node)->CompositeName(hdl);
  });
}

ZEL_EXPORT char* ZEL_GetHierarchyNodeFullName(zel_session_t session, zel_hierarchyNode_t node, zel_hdl_t hdl,
                                              zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<char*>(nullptr), [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), node)->FullName(hdl);
  });
}

ZEL_EXPORT int ZEL_GetHierarchyNodeType(zel_session_t session, zel_hierarchyNode_t node,
                                        zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0, [&](ZELC_Interface& zel) {
    const auto n = ZELC_Resolve(zel.ConvertSessionHandle(session), node);
    if (n->IsBlock()) return 0;
    if (n->IsGroup()) return 1;
    return n->IsComposite() ? 2 : 3;
  });
}

ZEL_EXPORT zel_itorDirection_t ZEL_GetHierarchyNodeDirection(zel_session_t session, zel_hierarchyNode_t node,
                                                             zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_ITOR_FORWARD, [&](ZELC_Interface& zel) {
    const auto n = ZELC_Resolve(zel.ConvertSessionHandle(session), node);
    return n->Get_Direction() == 0 ? ZEL_ITOR_FORWARD : ZEL_ITOR_BACKWARD;
  });
}

ZEL_EXPORT zel_bool_t ZEL_HierarchyNodeHasWaveform(zel_session_t session, zel_hierarchyNode_t node,
                                                   zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, zel_bool_t{0}, [&](ZELC_Interface& zel) {
    const auto n = ZELC_Resolve(zel.ConvertSessionHandle(session), node);
    return static_cast<zel_bool_t>(n->HasWaveform() ? 1 : 0);
  });
}

ZEL_EXPORT zel_bool_t ZEL_HierarchyNodeHasSourceWaveform(zel_session_t session, zel_hierarchyNode_t node,
                                                         zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, zel_bool_t{0}, [&](ZELC_Interface& zel) {
    const auto n = ZELC_Resolve(zel.ConvertSessionHandle(session), node);
    return static_cast<zel_bool_t>(n->HasSourceWaveform() ? 1 : 0);
  });
}

ZEL_EXPORT zel_bool_t ZEL_HierarchyNodeHasDerivedWaveform(zel_session_t session, zel_hierarchyNode_t node,
                                                          zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, zel_bool_t{0}, [&](ZELC_Interface& zel) {
    const auto n = ZELC_Resolve(zel.ConvertSessionHandle(session), node);
    return static_cast<zel_bool_t>(n->HasWaveform() && !n->HasSourceWaveform() ? 1 : 0);
  });
}

ZEL_EXPORT zel_waveformSet_t ZEL_GetWaveformSetFromHierarchy(zel_session_t session, zel_hierarchyNode_t node,
                                                             zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWaveformSet, [&](ZELC_Interface& zel) {
    const auto n = ZELC_Resolve(zel.ConvertSessionHandle(session), node);
    return ZELC_HandleOf<zel_waveformSet_t>(n.wrapper, n->Get_WaveformSet_p());
  });
}

ZEL_EXPORT const char* ZEL_GetHierarchyNodeAttribute(zel_session_t session, zel_hierarchyNode_t node,
                                                     const char* name, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr), [&](ZELC_Interface& zel) {
    const auto n = ZELC_Resolve(zel.ConvertSessionHandle(session), node);
    ZELI_RequireArgument(name, "name is null");
    return n->Get_Attributes().Get_Attribute(name);
  });
}

ZEL_EXPORT const char** ZEL_GetHierarchyNodeAttributeNames(zel_session_t session, zel_hierarchyNode_t node,
                                                           unsigned* count, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char**>(nullptr), [&](ZELC_Interface& zel) {
    const auto n = ZELC_Resolve(zel.ConvertSessionHandle(session), node);
    ZELI_RequireArgument(count, "count is null");
    return n->Get_Attributes().Get_AttributeNames(*count);
  });
}

ZEL_EXPORT void ZEL_SetHierarchyNodeAttribute(zel_session_t session, zel_hierarchyNode_t node, const char* name,
                                              const char* value, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto n = ZELC_Resolve(zel.ConvertSessionHandle(session), node);
    n->Get_Attributes().Set_Attribute(name, value);
    n->Get_WaveformSet_p()->Set_ContainerIsDirty();
  });
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_GetNameHierarchyRootNode(zel_session_t session, zel_waveformSet_t waveformSet,
                                                            zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullHierarchyNode, [&](ZELC_Interface& zel) {
    const auto set = ZELC_Resolve(zel.ConvertSessionHandle(session), waveformSet);
    return ZELC_HandleOf<zel_hierarchyNode_t>(set.wrapper,
                                              static_cast<ZELI_HierarchyNode*>(set->Get_HierarchyRoot_p()));
  });
}
