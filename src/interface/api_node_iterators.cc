// Exported functions of node iterators. An iterator belongs to the
// container of its start node; nodes given later must belong to it too.
#include <memory>

#include "interface/api_hierarchy_support.h"
#include "model/node_iterator.h"
#include "store/container.h"

namespace {

using IteratorArg = ZELC_Contained<ZELI_NodeIterator>;

}  // namespace

ZEL_EXPORT zel_nodeIterator_t ZEL_CreateNodeIterator(zel_session_t session, zel_hierarchyNode_t node,
                                                     zel_itorOrder_t order, zel_itorDirection_t direction,
                                                     zel_itorLevel_t level, zel_itorEnter_t enter,
                                                     zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, node, status, ZEL_NullNodeIterator,
                       [&](ZELC_Session*, ZELC_Contained<ZELI_HierarchyNode> start) {
                         ZELI_Container* container = start.wrapper->Get_Object_p();
                         auto iterator = std::make_unique<ZELI_NodeIterator>(start.object, order, direction, level,
                                                                             enter);
                         ZELI_NodeIterator* added = container->Add_NodeIterator(std::move(iterator));
                         try {
                           return ZELC_HandleOf<zel_nodeIterator_t>(start.wrapper, added);
                         } catch (...) {
                           container->Delete_NodeIterator(added);
                           throw;
                         }
                       });
}

ZEL_EXPORT void ZEL_DeleteNodeIterator(zel_session_t session, zel_nodeIterator_t iterator,
                                       zel_status_t* status) noexcept {
  ZELC_CallWith(__func__, session, iterator, status, 0, [](ZELC_Session*, IteratorArg it) {
    it.wrapper->Get_Object_p()->Delete_NodeIterator(it.object);
    return 0;
  });
}

ZEL_EXPORT void ZEL_ResetNodeIteratorNode(zel_session_t session, zel_nodeIterator_t iterator, zel_hierarchyNode_t node,
                                          zel_status_t* status) noexcept {
  ZELC_CallWith(__func__, session, iterator, status, 0, [&](ZELC_Session* s, IteratorArg it) {
    it.object->Reset(ZELC_HierarchyNodeOf(s, it.wrapper, node));
    return 0;
  });
}

ZEL_EXPORT void ZEL_ResetNodeIterator(zel_session_t session, zel_nodeIterator_t iterator, zel_hierarchyNode_t node,
                                      zel_itorOrder_t order, zel_itorDirection_t direction, zel_itorLevel_t level,
                                      zel_itorEnter_t enter, zel_status_t* status) noexcept {
  ZELC_CallWith(__func__, session, iterator, status, 0, [&](ZELC_Session* s, IteratorArg it) {
    it.object->Reset(ZELC_HierarchyNodeOf(s, it.wrapper, node), order, direction, level, enter);
    return 0;
  });
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_GetFirstNode(zel_session_t session, zel_nodeIterator_t iterator,
                                                zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, iterator, status, ZEL_NullHierarchyNode, [](ZELC_Session*, IteratorArg it) {
    return ZELC_HandleOf<zel_hierarchyNode_t>(it.wrapper, it.object->FirstNode_p());
  });
}

ZEL_EXPORT zel_hierarchyNode_t ZEL_GetNextNode(zel_session_t session, zel_nodeIterator_t iterator,
                                               zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, iterator, status, ZEL_NullHierarchyNode, [](ZELC_Session*, IteratorArg it) {
    return ZELC_HandleOf<zel_hierarchyNode_t>(it.wrapper, it.object->NextNode_p());
  });
}

ZEL_EXPORT unsigned ZEL_GetIterationCount(zel_session_t session, zel_nodeIterator_t iterator,
                                          zel_status_t* status) noexcept {
  return ZELC_CallWith(__func__, session, iterator, status, 0u,
                       [](ZELC_Session*, IteratorArg it) { return it.object->IterationCount(); });
}
