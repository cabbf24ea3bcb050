// Tests of node iterators: every order, direction, level and enter mode on a
// small tree with the expected visiting order, counting without moving,
// refusals, groups that would loop, and iterators whose nodes were deleted or
// whose container was closed.
#include <gtest/gtest.h>

#include "hierarchy_test_support.h"

namespace zeltest {
namespace {

// root
//   top            (block)
//     c  a  b      (blocks, added in this order)
//     x            (block) holding s (block)
//     t            (block)
//   g              (group: members a, x)
class NodeIteratorTest : public HierarchyTest {
 protected:
  void SetUp() override {
    HierarchyTest::SetUp();
    top_ = Block(root_, "top");
    for (const char* name : {"c", "a", "b"}) Block(top_, name);
    s_ = Block(top_, "x/s");
    Block(top_, "t");
    g_ = Group(root_, "g");
    const zel_hierarchyNode_t members[] = {One(top_, "a"), One(top_, "x")};
    ZEL_AddHierarchyGroupMembers(session_, g_, 2, members, &status_);
  }
  Names W(zel_hierarchyNode_t start, zel_itorOrder_t order, zel_itorDirection_t direction, zel_itorLevel_t level,
          zel_itorEnter_t enter = ZEL_ITOR_ENTER_BLOCKS) {
    return Walk(start, order, direction, level, enter);
  }

  zel_hierarchyNode_t top_{-1};
  zel_hierarchyNode_t s_{-1};
  zel_hierarchyNode_t g_{-1};
};

constexpr auto INS = ZEL_ITOR_INSERTION_ORDER;
constexpr auto SRT = ZEL_ITOR_SORTED_ORDER;
constexpr auto FWD = ZEL_ITOR_FORWARD;
constexpr auto BWD = ZEL_ITOR_BACKWARD;

TEST_F(NodeIteratorTest, ChildrenInEveryOrderAndDirection) {
  EXPECT_EQ(W(top_, INS, FWD, ZEL_ITOR_CHILDREN), (Names{"c", "a", "b", "x", "t"}));
  EXPECT_EQ(W(top_, SRT, FWD, ZEL_ITOR_CHILDREN), (Names{"a", "b", "c", "t", "x"}));
  EXPECT_EQ(W(top_, SRT, BWD, ZEL_ITOR_CHILDREN), (Names{"x", "t", "c", "b", "a"}));
  EXPECT_EQ(W(top_, INS, BWD, ZEL_ITOR_CHILDREN), (Names{"t", "x", "b", "a", "c"}));
  // Any non-zero value means sorted / backward.
  EXPECT_EQ(W(top_, static_cast<zel_itorOrder_t>(7), static_cast<zel_itorDirection_t>(5), ZEL_ITOR_CHILDREN),
            (Names{"x", "t", "c", "b", "a"}));
  EXPECT_EQ(W(s_, INS, FWD, ZEL_ITOR_CHILDREN), Names{});
}

TEST_F(NodeIteratorTest, PreorderAndPostorder) {
  EXPECT_EQ(W(top_, INS, FWD, ZEL_ITOR_PREORDER), (Names{"c", "a", "b", "x", "s", "t"}));
  EXPECT_EQ(W(top_, INS, FWD, ZEL_ITOR_POSTORDER), (Names{"c", "a", "b", "s", "x", "t"}));
  EXPECT_EQ(W(top_, SRT, BWD, ZEL_ITOR_PREORDER), (Names{"x", "s", "t", "c", "b", "a"}));
  EXPECT_EQ(W(top_, SRT, BWD, ZEL_ITOR_POSTORDER), (Names{"s", "x", "t", "c", "b", "a"}));
  EXPECT_EQ(W(root_, SRT, FWD, ZEL_ITOR_PREORDER),
            (Names{"g", "top", "a", "b", "c", "t", "x", "s"}));  // the group is not entered
  EXPECT_EQ(W(root_, SRT, FWD, ZEL_ITOR_PREORDER, ZEL_ITOR_ENTER_GROUPS), Names{});  // the root is no group
  EXPECT_EQ(W(g_, SRT, FWD, ZEL_ITOR_PREORDER, ZEL_ITOR_ENTER_GROUPS), (Names{"a", "x"}));
  EXPECT_EQ(W(g_, SRT, FWD, ZEL_ITOR_PREORDER, ZEL_ITOR_ENTER_WAVEFORMS), Names{});
}

TEST_F(NodeIteratorTest, SiblingsAndAncestors) {
  zel_hierarchyNode_t a = One(top_, "a");
  EXPECT_EQ(W(a, INS, FWD, ZEL_ITOR_SIBLINGS), (Names{"b", "x", "t"}));
  EXPECT_EQ(W(a, INS, BWD, ZEL_ITOR_SIBLINGS), (Names{"c"}));
  EXPECT_EQ(W(a, SRT, FWD, ZEL_ITOR_SIBLINGS), (Names{"b", "c", "t", "x"}));
  EXPECT_EQ(W(root_, INS, FWD, ZEL_ITOR_SIBLINGS), Names{});
  EXPECT_EQ(W(s_, INS, FWD, ZEL_ITOR_ANCESTORS, ZEL_ITOR_NA), (Names{"x", "top", ""}));
  EXPECT_EQ(W(a, INS, FWD, ZEL_ITOR_ANCESTORS), (Names{"top", ""}));
  EXPECT_EQ(W(root_, INS, FWD, ZEL_ITOR_ANCESTORS), Names{});
}

TEST_F(NodeIteratorTest, EnterModes) {
  zel_hierarchyNode_t bus = Composite(top_, "d[1:0]", ArrayType(c_, 0, 1));
  HandScalar(bus, 0);
  HandScalar(bus, 1);
  EXPECT_EQ(W(top_, INS, FWD, ZEL_ITOR_PREORDER, ZEL_ITOR_ENTER_BLOCKS).size(), 7u);  // bus not entered
  EXPECT_EQ(W(top_, INS, FWD, ZEL_ITOR_PREORDER, ZEL_ITOR_ENTER_BLOCKS_WAVEFORMS).back(), "[1]");
  EXPECT_EQ(W(bus, INS, FWD, ZEL_ITOR_CHILDREN, ZEL_ITOR_ENTER_WAVEFORMS), (Names{"[0]", "[1]"}));
  EXPECT_EQ(W(bus, INS, FWD, ZEL_ITOR_CHILDREN, ZEL_ITOR_ENTER_GROUPS_WAVEFORMS), (Names{"[0]", "[1]"}));
  EXPECT_EQ(W(g_, INS, FWD, ZEL_ITOR_CHILDREN, ZEL_ITOR_ENTER_GROUPS_WAVEFORMS), (Names{"a", "x"}));

  zel_nodeIterator_t it = Check(
      ZEL_CreateNodeIterator(session_, top_, INS, FWD, ZEL_ITOR_CHILDREN, ZEL_ITOR_NA, &status_));
  EXPECT_EQ(ZEL_GetFirstNode(session_, it, &status_).key, -1);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetFirstNode: ZELI_ITOR_NA is invalid");
  ZEL_ResetNodeIterator(session_, it, top_, INS, FWD, ZEL_ITOR_CHILDREN, static_cast<zel_itorEnter_t>(6), &status_);
  ZEL_GetFirstNode(session_, it, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetFirstNode: ZELI_NodeIterator::Enter implemenation");
  ZEL_ResetNodeIterator(session_, it, top_, INS, FWD, static_cast<zel_itorLevel_t>(5), ZEL_ITOR_ENTER_BLOCKS,
                        &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
}

TEST_F(NodeIteratorTest, GroupsThatWouldLoopAreWalkedOnce) {
  zel_hierarchyNode_t h = Group(root_, "h");
  ZEL_AddHierarchyGroupMembers(session_, h, 1, &g_, &status_);
  ZEL_AddHierarchyGroupMembers(session_, g_, 1, &h, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  // g is met again as a member of h: returned, but not entered a second time.
  EXPECT_EQ(W(g_, SRT, FWD, ZEL_ITOR_PREORDER, ZEL_ITOR_ENTER_GROUPS), (Names{"a", "h", "g", "x"}));
  EXPECT_EQ(W(g_, SRT, FWD, ZEL_ITOR_POSTORDER, ZEL_ITOR_ENTER_GROUPS), (Names{"a", "g", "h", "x"}));
  EXPECT_EQ(W(h, SRT, FWD, ZEL_ITOR_PREORDER, ZEL_ITOR_ENTER_GROUPS), (Names{"g", "a", "h", "x"}));
}

TEST_F(NodeIteratorTest, CountingDoesNotMove) {
  zel_nodeIterator_t it =
      Check(ZEL_CreateNodeIterator(session_, top_, INS, FWD, ZEL_ITOR_PREORDER, ZEL_ITOR_ENTER_BLOCKS, &status_));
  ZEL_GetNextNode(session_, it, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetNextNode: Node iterator not initialized.");
  EXPECT_EQ(ZEL_GetIterationCount(session_, it, &status_), 6u);
  EXPECT_EQ(Name(Check(ZEL_GetFirstNode(session_, it, &status_))), "c");
  EXPECT_EQ(ZEL_GetIterationCount(session_, it, &status_), 5u);
  EXPECT_EQ(Name(Check(ZEL_GetNextNode(session_, it, &status_))), "a");
  for (int i = 0; i < 4; ++i) ZEL_GetNextNode(session_, it, &status_);
  EXPECT_EQ(ZEL_GetIterationCount(session_, it, &status_), 0u);
  EXPECT_EQ(ZEL_GetNextNode(session_, it, &status_).key, -1);
  EXPECT_EQ(status_, ZEL_OK);
  ZEL_GetNextNode(session_, it, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetNextNode: Node iterator past last node.");
  // Reset keeps the settings and starts over at the new node.
  ZEL_ResetNodeIteratorNode(session_, it, One(top_, "x"), &status_);
  EXPECT_EQ(Walk(it), (Names{"s"}));
}

TEST_F(NodeIteratorTest, DeletedNodesAndClosedContainers) {
  zel_hierarchyNode_t x = One(top_, "x");
  zel_nodeIterator_t onX =
      Check(ZEL_CreateNodeIterator(session_, x, INS, FWD, ZEL_ITOR_CHILDREN, ZEL_ITOR_ENTER_BLOCKS, &status_));
  zel_nodeIterator_t walking =
      Check(ZEL_CreateNodeIterator(session_, top_, INS, FWD, ZEL_ITOR_PREORDER, ZEL_ITOR_ENTER_BLOCKS, &status_));
  for (int i = 0; i < 5; ++i) ZEL_GetNextNode(session_, walking, &status_);  // before the first: refused
  ZEL_GetFirstNode(session_, walking, &status_);
  for (int i = 0; i < 4; ++i) ZEL_GetNextNode(session_, walking, &status_);  // now at s, below x
  zel_nodeIterator_t elsewhere =
      Check(ZEL_CreateNodeIterator(session_, root_, INS, FWD, ZEL_ITOR_CHILDREN, ZEL_ITOR_ENTER_BLOCKS, &status_));

  ZEL_DeleteHierarchyNode(session_, x, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_GetFirstNode(session_, onX, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetFirstNode: The start node of the node iterator was deleted.");
  ZEL_GetNextNode(session_, walking, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
  ZEL_GetIterationCount(session_, walking, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
  EXPECT_EQ(Walk(elsewhere), (Names{"top", "g"}));
  ZEL_ResetNodeIteratorNode(session_, onX, top_, &status_);
  EXPECT_EQ(Walk(onX), (Names{"c", "a", "b", "t"}));

  // Nodes of another container are refused.
  zel_container_t other = CreateMemory();
  zel_hierarchyNode_t otherRoot =
      Check(ZEL_GetNameHierarchyRootNode(session_, Set(other, "o"), &status_));
  ZEL_ResetNodeIteratorNode(session_, onX, otherRoot, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);

  ZEL_DeleteNodeIterator(session_, elsewhere, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  ZEL_GetFirstNode(session_, elsewhere, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  Close(c_);
  ZEL_GetFirstNode(session_, onX, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  ZEL_DeleteNodeIterator(session_, walking, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  Close(other);
}

}  // namespace
}  // namespace zeltest
