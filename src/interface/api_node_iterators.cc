// Exported functions of node iterators. An iterator belongs to the
// container of its start node; nodes given later must belong to it too.
#include <memory>

#include "interface/call.h"
#include "model/hierarchy.h"
#include "model/node_iterator.h"

namespace {

ZELI_HierarchyNode* NodeOf(const ZELC_Session* s, ZELC_Container* wrapper, zel_hierarchyNode_t handle) {
  return ZELC_Resolve(s, handle, wrapper, "Hierarchy node belongs to another container").object;
}

}  // namespace

ZEL_EXPORT zel_nodeIterator_t ZEL_CreateNodeIterator(zel_session_t session, zel_hierarchyNode_t node,
                                                     zel_itorOrder_t order, zel_itorDirection_t direction,
                                                     zel_itorLevel_t level, zel_itorEnter_t enter,
                                                     zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullNodeIterator, [&](ZELC_Interface& zel) {
    const auto start = ZELC_Resolve(zel.ConvertSessionHandle(session), node);
    ZELI_Container* container = start.wrapper->Get_Object_p();
    ZELI_NodeIterator* added = container->Add_NodeIterator(
        std::make_unique<ZELI_NodeIterator>(start.object, order, direction, level, enter));
    return ZELC_InsertAccessObject<zel_nodeIterator_t>(start.wrapper, added,
                                                       [&] { container->Delete_NodeIterator(added); });
  });
}

ZEL_EXPORT void ZEL_DeleteNodeIterator(zel_session_t session, zel_nodeIterator_t iterator,
                                       zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto it = ZELC_Resolve(zel.ConvertSessionHandle(session), iterator);
    it.wrapper->Get_Object_p()->Delete_NodeIterator(it.object);
  });
}

ZEL_EXPORT void ZEL_ResetNodeIteratorNode(zel_session_t session, zel_nodeIterator_t iterator, zel_hierarchyNode_t node,
                                          zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto it = ZELC_Resolve(s, iterator);
    it->Reset(NodeOf(s, it.wrapper, node));
  });
}

ZEL_EXPORT void ZEL_ResetNodeIterator(zel_session_t session, zel_nodeIterator_t iterator, zel_hierarchyNode_t node,
                                      zel_itorOrder_t order, zel_itorDirection_t direction, zel_itorLevel_t level,
                                      zel_itorEnter_t enter, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto it = ZELC_Resolve(s, iterator);
    it->Reset(NodeOf(s, it.wrapper, node), order, direction, level, enter);
  });
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_GetFirstNode(zel_session_t session, zel_nodeIterator_t iterator,
                                                zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullHierarchyNode, [&](ZELC_Interface& zel) {
    const auto it = ZELC_Resolve(zel.ConvertSessionHandle(session), iterator);
    return ZELC_HandleOf<zel_hierarchyNode_t>(it.wrapper, it->FirstNode_p());
  });
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_GetNextNode(zel_session_t session, zel_nodeIterator_t iterator,
                                               zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullHierarchyNode, [&](ZELC_Interface& zel) {
    const auto it = ZELC_Resolve(zel.ConvertSessionHandle(session), iterator);
    return ZELC_HandleOf<zel_hierarchyNode_t>(it.wrapper, it->NextNode_p());
  });
}

ZEL_EXPORT unsigned ZEL_GetIterationCount(zel_session_t session, zel_nodeIterator_t iterator,
                                          zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), iterator)->IterationCount();
  });
}
