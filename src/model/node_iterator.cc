// ZELI_NodeIterator: the walks, and the container's list of iterators.
//
// Walk state: current_ is the node last returned (null past the end), index
// its position among its parent's offspring in the chosen order; the stacks
// hold the nodes descended into (the current parents) and their saved
// indices. With an empty stack the parent is the start node (its parent for
// the sibling walk).
#include "model/node_iterator.h"

#include <algorithm>
#include <memory>
#include <unordered_set>

#include "errors/exceptions.h"
#include "model/hierarchy.h"
#include "model/container.h"

namespace {

void CheckLevel(zel_itorLevel_t level) {
  if (static_cast<unsigned>(level) > ZEL_ITOR_POSTORDER) throw ZELI_BadArgException("Bad node iterator level.");
}

}  // namespace

ZELI_NodeIterator::ZELI_NodeIterator(ZELI_HierarchyNode* start, zel_itorOrder_t order, zel_itorDirection_t direction,
                                     zel_itorLevel_t level, zel_itorEnter_t enter)
    : start_(start) {
  Reset(start, order, direction, level, enter);
}

void ZELI_NodeIterator::Reset(ZELI_HierarchyNode* start) {
  start_ = start;
  state_.started = false;
  state_.current = nullptr;
  state_.index = 0;
}

void ZELI_NodeIterator::Reset(ZELI_HierarchyNode* start, zel_itorOrder_t order, zel_itorDirection_t direction,
                              zel_itorLevel_t level, zel_itorEnter_t enter) {
  CheckLevel(level);
  order_ = order;
  step_ = direction == ZEL_ITOR_FORWARD ? 1 : -1;
  level_ = level;
  enter_ = enter;
  Reset(start);
}

void ZELI_NodeIterator::Invalidate() {
  start_ = nullptr;
  state_ = State();
}

bool ZELI_NodeIterator::RefersTo(const ZELI_HierarchyNode* node) const {
  return node == start_ || node == state_.current ||
         std::find(state_.nodes.begin(), state_.nodes.end(), node) != state_.nodes.end();
}

void ZELI_NodeIterator::RequireStart() const {
  if (start_ == nullptr) throw ZELI_FailedException("The start node of the node iterator was deleted.");
}

bool ZELI_NodeIterator::CanEnter(ZELI_HierarchyNode* node) const {
  if (!state_.nodes.empty() && node == start_) return false;
  if (std::find(state_.nodes.begin(), state_.nodes.end(), node) != state_.nodes.end()) return false;
  switch (enter_) {
    case ZEL_ITOR_NA:
      throw ZELI_BadArgException("ZELI_ITOR_NA is invalid");
    case ZEL_ITOR_ENTER_GROUPS:
      return node->IsGroup();
    case ZEL_ITOR_ENTER_BLOCKS:
      return node->IsBlock();
    case ZEL_ITOR_ENTER_WAVEFORMS:
      return node->IsWaveform();
    case ZEL_ITOR_ENTER_GROUPS_WAVEFORMS:
      return node->IsGroup() || node->IsWaveform();
    case ZEL_ITOR_ENTER_BLOCKS_WAVEFORMS:
      return node->IsBlock() || node->IsWaveform();
    default:
      break;
  }
  throw ZELI_FailedException("ZELI_NodeIterator::Enter implemenation");
}

ZELI_HierarchyNode* ZELI_NodeIterator::Child(ZELI_HierarchyNode* parent, unsigned index) const {
  return order_ == ZEL_ITOR_INSERTION_ORDER ? parent->Get_Offspring_p(index) : parent->Get_SortedOffspring_p(index);
}

ZELI_HierarchyNode* ZELI_NodeIterator::FirstChild(ZELI_HierarchyNode* node, unsigned& index) const {
  if (!CanEnter(node)) return nullptr;
  const unsigned count = node->OffspringCount();
  if (count == 0) return nullptr;
  index = step_ < 0 ? count - 1 : 0;
  return Child(node, index);
}

ZELI_HierarchyNode* ZELI_NodeIterator::NextSibling() {
  ZELI_HierarchyNode* parent = nullptr;
  if (!state_.nodes.empty()) {
    parent = state_.nodes.back();
  } else {
    parent = level_ == ZEL_ITOR_SIBLINGS ? start_->Get_Parent_p() : start_;
  }
  if (parent == nullptr) return nullptr;
  state_.index += static_cast<unsigned>(step_);  // below 0 wraps past every count
  if (state_.index >= parent->OffspringCount()) return nullptr;
  return Child(parent, state_.index);
}

void ZELI_NodeIterator::DescendToDeepest() {
  while (state_.current != nullptr) {
    unsigned index = 0;
    ZELI_HierarchyNode* child = FirstChild(state_.current, index);
    if (child == nullptr) return;
    state_.nodes.push_back(state_.current);
    state_.indices.push_back(state_.index);
    state_.current = child;
    state_.index = index;
  }
}

ZELI_HierarchyNode* ZELI_NodeIterator::FirstNode_p() {
  RequireStart();
  state_.nodes.clear();
  state_.indices.clear();
  state_.current = nullptr;
  state_.index = 0;
  switch (level_) {
    case ZEL_ITOR_ANCESTORS:
      state_.current = start_->Get_Parent_p();
      break;
    case ZEL_ITOR_SIBLINGS: {
      ZELI_HierarchyNode* parent = start_->Get_Parent_p();
      unsigned index = 0;
      const bool found = parent != nullptr && (order_ == ZEL_ITOR_INSERTION_ORDER
                                                   ? parent->Find_Offspring_p(start_, index)
                                                   : parent->Find_SortedOffspring_p(start_, index)) != nullptr;
      if (found) {
        state_.index = index;
        state_.current = NextSibling();
      }
      break;
    }
    case ZEL_ITOR_CHILDREN:
    case ZEL_ITOR_PREORDER:
      state_.current = FirstChild(start_, state_.index);
      break;
    case ZEL_ITOR_POSTORDER:
      state_.current = FirstChild(start_, state_.index);
      DescendToDeepest();
      break;
    default:  // refused by Reset
      break;
  }
  state_.started = true;
  return state_.current;
}

ZELI_HierarchyNode* ZELI_NodeIterator::NextNode_p() {
  RequireStart();
  if (!state_.started) throw ZELI_FailedException("Node iterator not initialized.");
  if (state_.current == nullptr) throw ZELI_FailedException("Node iterator past last node.");
  switch (level_) {
    case ZEL_ITOR_ANCESTORS:
      state_.current = state_.current->Get_Parent_p();
      break;
    case ZEL_ITOR_SIBLINGS:
    case ZEL_ITOR_CHILDREN:
      state_.current = NextSibling();
      break;
    case ZEL_ITOR_PREORDER: {
      unsigned index = 0;
      if (ZELI_HierarchyNode* child = FirstChild(state_.current, index)) {
        state_.nodes.push_back(state_.current);
        state_.indices.push_back(state_.index);
        state_.current = child;
        state_.index = index;
        break;
      }
      for (;;) {
        if (ZELI_HierarchyNode* sibling = NextSibling()) {
          state_.current = sibling;
          break;
        }
        if (state_.nodes.empty()) {
          state_.current = nullptr;
          break;
        }
        state_.current = state_.nodes.back();
        state_.index = state_.indices.back();
        state_.nodes.pop_back();
        state_.indices.pop_back();
      }
      break;
    }
    case ZEL_ITOR_POSTORDER:
      if (ZELI_HierarchyNode* sibling = NextSibling()) {
        state_.current = sibling;
        DescendToDeepest();
      } else if (!state_.nodes.empty()) {
        state_.current = state_.nodes.back();
        state_.index = state_.indices.back();
        state_.nodes.pop_back();
        state_.indices.pop_back();
      } else {
        state_.current = nullptr;
      }
      break;
    default:  // refused by Reset
      break;
  }
  return state_.current;
}

unsigned ZELI_NodeIterator::IterationCount() {
  RequireStart();
  const State saved = state_;
  unsigned count = 0;
  try {
    ZELI_HierarchyNode* node = nullptr;
    if (!state_.started) {
      node = FirstNode_p();
      if (node != nullptr) ++count;
    } else {
      node = state_.current;
    }
    while (node != nullptr) {
      node = NextNode_p();
      if (node != nullptr) ++count;
    }
  } catch (...) {
    state_ = saved;
    throw;
  }
  state_ = saved;
  return count;
}

void ZELI_NodeIterator::ForgetNodes(ZELI_Container& container, const std::vector<ZELI_HierarchyNode*>& nodes) {
  const std::unordered_set<const ZELI_HierarchyNode*> gone(nodes.begin(), nodes.end());
  for (const std::unique_ptr<ZELI_NodeIterator>& iterator : container.Get_NodeIterators()) {
    bool refers = gone.count(iterator->start_) != 0 || gone.count(iterator->state_.current) != 0;
    for (const ZELI_HierarchyNode* stacked : iterator->state_.nodes) refers = refers || gone.count(stacked) != 0;
    if (refers) iterator->Invalidate();
  }
}
