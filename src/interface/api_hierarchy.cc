// Exported functions of the signal hierarchy: adds, group members, deletion,
// finding, names, kinds, attributes, and the root of a waveform set. The
// functions that take or return waveforms are in api_hierarchy_waveforms.cc.
#include <cstdlib>

#include "interface/api_hierarchy_support.h"
#include "interface/api_model_support.h"
#include "model/hierarchy.h"
#include "model/waveform_set.h"
#include "store/container.h"

namespace {

using NodeArg = ZELC_Contained<ZELI_HierarchyNode>;

}  // namespace

ZELI_Type* ZELC_HierarchyTypeOf(ZELC_Session* session, ZELC_Container* wrapper, zel_type_t handle) {
  auto contained = ZELC_ConvertContained(session, handle);
  ZELC_RequireSameContainer(wrapper, contained.wrapper, "Type belongs to another container");
  return contained.object;
}

ZELI_HierarchyNode* ZELC_HierarchyNodeOf(ZELC_Session* session, ZELC_Container* wrapper, zel_hierarchyNode_t handle) {
  auto contained = ZELC_ConvertContained(session, handle);
  ZELC_RequireSameContainer(wrapper, contained.wrapper, "Hierarchy node belongs to another container");
  return contained.object;
}

static zel_hierarchyNode_t ZELC_AddNamedNode(const char* function, zel_session_t session, zel_hierarchyNode_t node,
                                      const char* name, zel_hdl_t hdl, ZELI_HierarchyNode::NodeType type,
                                      zel_status_t* status) noexcept {
  return ZELC_CallWith(function, session, node, status, ZEL_NullHierarchyNode, [&](ZELC_Session*, NodeArg parent) {
    ZELI_HierarchyNode* added = ZELI_Hierarchy::AddNamed(parent.object, type, name, hdl, nullptr, nullptr);
    return ZELC_HandleOf<zel_hierarchyNode_t>(parent.wrapper, added);
  });
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_AddHierarchyBlock(zel_session_t session, zel_hierarchyNode_t node, const char* name,
                                                     zel_hdl_t hdl, zel_status_t* status) noexcept {
  return ZELC_AddNamedNode(__func__, session, node, name, hdl, ZELI_HierarchyNode::BLOCK, status);
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_AddHierarchyGroup(zel_session_t session, zel_hierarchyNode_t node, const char* name,
                                                     zel_hdl_t hdl, zel_status_t* status) noexcept {
  return ZELC_AddNamedNode(__func__, session, node, name, hdl, ZELI_HierarchyNode::GROUP, status);
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_AddHierarchyCompositeType(zel_session_t session, zel_hierarchyNode_t node,
                                                             const char* name, zel_hdl_t hdl, zel_type_t type,
                                                             zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, node, status, ZEL_NullHierarchyNode, [&](ZELC_Session* s, NodeArg parent) {
    ZELI_Type* type_p = ZELC_HierarchyTypeOf(s, parent.wrapper, type);
    ZELI_HierarchyNode* added =
        ZELI_Hierarchy::AddNamed(parent.object, ZELI_HierarchyNode::NAMED_COMPOSITE, name, hdl, type_p, nullptr);
    return ZELC_HandleOf<zel_hierarchyNode_t>(parent.wrapper, added);
  });
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_AddHierarchyCompositeSubelType(zel_session_t session, zel_hierarchyNode_t node,
                                                                  unsigned location, zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, node, status, ZEL_NullHierarchyNode, [&](ZELC_Session*, NodeArg parent) {
    ZELI_HierarchyNode* added =
        ZELI_Hierarchy::AddSubelement(parent.object, ZELI_HierarchyNode::SUBELEMENT_COMPOSITE, location, nullptr);
    return ZELC_HandleOf<zel_hierarchyNode_t>(parent.wrapper, added);
  });
}

ZEL_EXPORT void ZEL_AddHierarchyGroupMembers(zel_session_t session, zel_hierarchyNode_t group, unsigned count,
                                             const zel_hierarchyNode_t* members, zel_status_t* status) noexcept {
  ZELC_CallWith(__func__, session, group, status, 0, [&](ZELC_Session* s, NodeArg target) {
    if (!target.object->IsGroup()) throw ZELI_BadArgException("The node is not a group");
    if (count > 0) ZELI_RequireArgument(members, "members is null");
    // Every handle is converted before the first member is added.
    std::vector<ZELI_HierarchyNode*> nodes;
    nodes.reserve(count);
    for (unsigned i = 0; i < count; ++i) nodes.push_back(ZELC_HierarchyNodeOf(s, target.wrapper, members[i]));
    std::vector<ZELI_HierarchyNode*> added;
    try {
      for (ZELI_HierarchyNode* member : nodes) {
        target.object->Add_Member_p(member);
        added.push_back(member);
      }
    } catch (...) {
      // All or nothing: the members of this call leave again.
      for (ZELI_HierarchyNode* member : added) target.object->Remove_Member_p(member);
      throw;
    }
    if (count > 0) target.object->Get_WaveformSet_p()->Set_ContainerIsDirty();
    return 0;
  });
}

ZEL_EXPORT void ZEL_DeleteHierarchyNode(zel_session_t session, zel_hierarchyNode_t node,
                                        zel_status_t* status) noexcept {
  ZELC_CallWith(__func__, session, node, status, 0, [&](ZELC_Session*, NodeArg target) {
    ZELI_Hierarchy::DeleteNode(target.object);
    return 0;
  });
}

ZEL_EXPORT zel_hierarchyNode_t* ZEL_GetHierarchyNodes(zel_session_t session, zel_hierarchyNode_t node,
                                                      const char* name, zel_hdl_t hdl, unsigned* count,
                                                      zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, node, status, static_cast<zel_hierarchyNode_t*>(nullptr),
                       [&](ZELC_Session*, NodeArg start) {
                         ZELI_RequireArgument(count, "count is null");
                         const std::vector<ZELI_HierarchyNode*> found =
                             ZELI_Hierarchy::Find_AllNodes(start.object, name, hdl);
                         return ZELC_HandleArray<zel_hierarchyNode_t>(start.wrapper, found, count);
                       });
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_GetHierarchySubelNode(zel_session_t session, zel_hierarchyNode_t node,
                                                         unsigned location, zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, node, status, ZEL_NullHierarchyNode, [&](ZELC_Session*, NodeArg parent) {
    return ZELC_HandleOf<zel_hierarchyNode_t>(parent.wrapper, parent.object->Find_Offspring_pByLocation(location));
  });
}

ZEL_EXPORT const char* ZEL_GetHierarchyNodeName(zel_session_t session, zel_hierarchyNode_t node,
                                                zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, node, status, static_cast<const char*>(nullptr),
                       [](ZELC_Session*, NodeArg n) -> const char* { return n.object->Get_Name(); });
}

ZEL_EXPORT char* ZEL_GetHierarchyNodeCompositeName(zel_session_t session, zel_hierarchyNode_t node, zel_hdl_t hdl,
                                                   zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, node, status, static_cast<char*>(nullptr),
                       [&](ZELC_Session*, NodeArg n) { return n.object->CompositeName(hdl); });
}

ZEL_EXPORT char* ZEL_GetHierarchyNodeFullName(zel_session_t session, zel_hierarchyNode_t node, zel_hdl_t hdl,
                                              zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, node, status, static_cast<char*>(nullptr),
                       [&](ZELC_Session*, NodeArg n) { return n.object->FullName(hdl); });
}

ZEL_EXPORT int ZEL_GetHierarchyNodeType(zel_session_t session, zel_hierarchyNode_t node,
                                        zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, node, status, 0, [](ZELC_Session*, NodeArg n) {
    if (n.object->IsBlock()) return 0;
    if (n.object->IsGroup()) return 1;
    return n.object->IsComposite() ? 2 : 3;
  });
}

ZEL_EXPORT zel_itorDirection_t ZEL_GetHierarchyNodeDirection(zel_session_t session, zel_hierarchyNode_t node,
                                                             zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, node, status, ZEL_ITOR_BACKWARD, [](ZELC_Session*, NodeArg n) {
    return n.object->Get_Direction() == 0 ? ZEL_ITOR_FORWARD : ZEL_ITOR_BACKWARD;
  });
}

ZEL_EXPORT zel_bool_t ZEL_HierarchyNodeHasWaveform(zel_session_t session, zel_hierarchyNode_t node,
                                                   zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, node, status, zel_bool_t{0},
                       [](ZELC_Session*, NodeArg n) { return static_cast<zel_bool_t>(n.object->HasWaveform() ? 1 : 0); });
}

ZEL_EXPORT zel_bool_t ZEL_HierarchyNodeHasSourceWaveform(zel_session_t session, zel_hierarchyNode_t node,
                                                         zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, node, status, zel_bool_t{0},
                       [](ZELC_Session*, NodeArg n) { return static_cast<zel_bool_t>(n.object->HasSourceWaveform() ? 1 : 0); });
}

ZEL_EXPORT zel_bool_t ZEL_HierarchyNodeHasDerivedWaveform(zel_session_t session, zel_hierarchyNode_t node,
                                                          zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, node, status, zel_bool_t{0}, [](ZELC_Session*, NodeArg n) {
    return static_cast<zel_bool_t>(n.object->HasWaveform() && !n.object->HasSourceWaveform() ? 1 : 0);
  });
}

ZEL_EXPORT zel_waveformSet_t ZEL_GetWaveformSetFromHierarchy(zel_session_t session, zel_hierarchyNode_t node,
                                                             zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, node, status, ZEL_NullWaveformSet, [](ZELC_Session*, NodeArg n) {
    return ZELC_HandleOf<zel_waveformSet_t>(n.wrapper, n.object->Get_WaveformSet_p());
  });
}

ZEL_EXPORT const char* ZEL_GetHierarchyNodeAttribute(zel_session_t session, zel_hierarchyNode_t node,
                                                     const char* name, zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, node, status, static_cast<const char*>(nullptr),
                       [&](ZELC_Session*, NodeArg n) { return n.object->Get_Attributes().Get_Attribute(name); });
}

ZEL_EXPORT const char** ZEL_GetHierarchyNodeAttributeNames(zel_session_t session, zel_hierarchyNode_t node,
                                                           unsigned* count, zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, node, status, static_cast<const char**>(nullptr),
                       [&](ZELC_Session*, NodeArg n) {
                         ZELI_RequireArgument(count, "count is null");
                         return n.object->Get_Attributes().Get_AttributeNames(*count);
                       });
}

ZEL_EXPORT void ZEL_SetHierarchyNodeAttribute(zel_session_t session, zel_hierarchyNode_t node, const char* name,
                                              const char* value, zel_status_t* status) noexcept {
  ZELC_CallWith(__func__, session, node, status, 0, [&](ZELC_Session*, NodeArg n) {
    n.object->Get_Attributes().Set_Attribute(name, value);
    n.object->Get_WaveformSet_p()->Set_ContainerIsDirty();
    return 0;
  });
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_GetNameHierarchyRootNode(zel_session_t session, zel_waveformSet_t waveformSet,
                                                            zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, waveformSet, status, ZEL_NullHierarchyNode,
                       [](ZELC_Session*, ZELC_Contained<ZELI_WaveformSet> set) {
                         return ZELC_HandleOf<zel_hierarchyNode_t>(
                             set.wrapper, static_cast<ZELI_HierarchyNode*>(set.object->Get_HierarchyRoot_p()));
                       });
}
