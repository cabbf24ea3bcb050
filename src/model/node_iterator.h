// ZELI_NodeIterator: walks a signal hierarchy from a start node: its
// ancestors, its following siblings, its children, or all its descendants
// in pre-order or post-order. Four settings choose the walk: offspring order
// (insertion or sorted), direction (step +1 or -1 through offspring
// positions), level, and the kinds of nodes the walk descends into.
//
// The iterator never changes the hierarchy. It belongs to its container,
// which lists it and destroys it on close; deleting hierarchy nodes resets
// every iterator that refers to one of them (ForgetNodes): its start node is
// then gone and every walk call fails with ZEL_FAILED until it is reset to a
// live node.
#ifndef ZEL_MODEL_NODE_ITERATOR_H
#define ZEL_MODEL_NODE_ITERATOR_H

#include <vector>

#include "zel/zel.h"

class ZELI_Container;
class ZELI_HierarchyNode;

class ZELI_NodeIterator {
 public:
  ZELI_NodeIterator(ZELI_HierarchyNode* start, zel_itorOrder_t order, zel_itorDirection_t direction,
                    zel_itorLevel_t level, zel_itorEnter_t enter);

  // New start node, settings kept, walk state cleared.
  void Reset(ZELI_HierarchyNode* start);
  void Reset(ZELI_HierarchyNode* start, zel_itorOrder_t order, zel_itorDirection_t direction,
             zel_itorLevel_t level, zel_itorEnter_t enter);

  // The first node of the walk, or null.
  ZELI_HierarchyNode* FirstNode_p();
  // The next node, or null at the end; "Node iterator not initialized."
  // before FirstNode_p, "Node iterator past last node." after the end.
  ZELI_HierarchyNode* NextNode_p();
  // Nodes still to come (all of the walk before the first call); the
  // position is unchanged.
  unsigned IterationCount();

  ZELI_HierarchyNode* Get_StartNode_p() const { return start_; }
  ZELI_HierarchyNode* Get_CurrentNode_p() const { return state_.current; }
  // Whether the iterator refers to node (start, current or a stacked node).
  bool RefersTo(const ZELI_HierarchyNode* node) const;
  // Forgets every node: the start node is gone until the next Reset.
  void Invalidate();

  // Resets every iterator of the container that refers to one of nodes.
  static void ForgetNodes(ZELI_Container& container, const std::vector<ZELI_HierarchyNode*>& nodes);

 private:
  struct State {
    bool started = false;
    ZELI_HierarchyNode* current = nullptr;
    unsigned index = 0;
    std::vector<unsigned> indices;
    std::vector<ZELI_HierarchyNode*> nodes;
  };

  void RequireStart() const;
  bool CanEnter(ZELI_HierarchyNode* node) const;
  ZELI_HierarchyNode* Child(ZELI_HierarchyNode* parent, unsigned index) const;
  ZELI_HierarchyNode* FirstChild(ZELI_HierarchyNode* node, unsigned& index) const;
  ZELI_HierarchyNode* NextSibling();
  // From current_ down to its deepest first descendant (post-order).
  void DescendToDeepest();

  ZELI_HierarchyNode* start_;  // not owned
  zel_itorOrder_t order_;
  int step_;
  zel_itorLevel_t level_;
  zel_itorEnter_t enter_;
  State state_;
};

#endif  // ZEL_MODEL_NODE_ITERATOR_H
