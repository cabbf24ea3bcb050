// Tests of the signal hierarchy: paths, adds that fail without changing
// anything, sorted offspring, bus and record names, groups, attributes,
// deletion, and the stored hierarchy (reopened, in another process, damaged).
#include <gtest/gtest.h>

#include <cstring>

#include "hierarchy_test_support.h"
#include "model/hierarchy_path.h"
#include "store/stream.h"

namespace zeltest {
namespace {

// Separators of every kind are checked through the interface below.
TEST(HierarchyPathTest, SplittingSkipsEmptyBlocks) {
  ZELI_Path path("/top//sub/sig", '/');
  EXPECT_TRUE(path.IsAbsolute());
  ASSERT_EQ(path.BlockCount(), 2u);
  EXPECT_EQ(path.Block(0), "top");
  EXPECT_EQ(path.Block(1), "sub");
  EXPECT_EQ(path.FinalName(), "sig");
  EXPECT_EQ(path.FinalNameBegin(), 10u);
  EXPECT_EQ(RunInFrame("F", [&] { path.Block(2); }), ZEL_BAD_ARG);
  EXPECT_STREQ(ZEL_GetError(), "F: ZELI_Path::Block: index");
  ZELI_Path plain("a/b", '\0');
  EXPECT_EQ(plain.BlockCount(), 0u);
  EXPECT_EQ(plain.FinalName(), "a/b");
}

class HierarchyNodeTest : public HierarchyTest {};

TEST_F(HierarchyNodeTest, PathsCreateIntermediateBlocks) {
  zel_hierarchyNode_t sig = Block(root_, "top/sub/sig");
  EXPECT_EQ(FullName(sig), "/top/sub/sig");
  EXPECT_EQ(FullName(sig, ZEL_HDL_COLON), ":top:sub:sig");
  EXPECT_EQ(FullName(sig, ZEL_HDL_NONE), " top sub sig");
  EXPECT_EQ(FullName(root_), "/");
  EXPECT_EQ(FullName(root_, ZEL_HDL_NONE), " ");
  EXPECT_EQ(OffspringCount(root_), 1u);

  zel_hierarchyNode_t sub = One(root_, "top/sub");
  EXPECT_EQ(FullName(Block(sub, "./x")), "/top/sub/x");
  EXPECT_EQ(FullName(Block(sub, "../y")), "/top/y");
  EXPECT_EQ(FullName(Block(sub, "/z")), "/z");
  EXPECT_EQ(FullName(Block(sub, "/../w")), "/w");  // the root stays the root
  EXPECT_EQ(FullName(Block(sub, "c1:c2", ZEL_HDL_COLON)), "/top/sub/c1/c2");
  // SMART splits at the first of ':' and '/' it meets.
  EXPECT_EQ(Name(Block(sub, "a:b/c", ZEL_HDL_SMART)), "b/c");
  EXPECT_EQ(Name(Block(sub, "k/b:c", ZEL_HDL_SMART)), "b:c");
  EXPECT_EQ(Name(Block(sub, "p/q", ZEL_HDL_NONE)), "p/q");
  EXPECT_EQ(Name(Block(sub, "m", ZEL_HDL_SMART)), "m");
}

TEST_F(HierarchyNodeTest, FailingAddsChangeNothing) {
  zel_hierarchyNode_t top = Block(root_, "top");
  zel_hierarchyNode_t group = Group(top, "g");
  Block(top, "sub");
  const unsigned keys = ObjectOf(session_, c_)->Get_ExternalConvertor().Get_Count();
  struct Case {
    zel_hierarchyNode_t parent;
    const char* name;
    zel_status_t status;
    const char* message;
    zel_hdl_t hdl = ZEL_HDL_SLASH;
  } cases[] = {
      {top, "new/", ZEL_BAD_ARG, "Invalid block name."},
      {top, "new/.", ZEL_BAD_ARG, "Invalid block name."},
      {top, "new/..", ZEL_BAD_ARG, "Invalid block name."},
      {top, "g/new/x", ZEL_BAD_ARG, "The path is not a block."},
      {top, "new/../g/x", ZEL_BAD_ARG, "The path is not a block."},
      {top, "new1/../sub", ZEL_DUPLICATE, "Name already exists in the block."},
      {top, "n/a/../a", ZEL_DUPLICATE, "Name already exists in the block."},
      {group, "x", ZEL_BAD_ARG, "Current node is not a hierarchy block"},
      {top, "v", ZEL_FAILED, "ZELI_Path::Separator: Unimplemented: Verilog.", ZEL_HDL_VERILOG},
      {top, "v", ZEL_FAILED, "ZELI_Path::Separator: Implementation error.", static_cast<zel_hdl_t>(9)},
  };
  for (const Case& c : cases) {
    ZEL_AddHierarchyBlock(session_, c.parent, c.name, c.hdl, &status_);
    EXPECT_EQ(status_, c.status) << c.name;
    EXPECT_EQ(std::string(ZEL_GetError()), std::string("ZEL_AddHierarchyBlock: ") + c.message) << c.name;
  }
  EXPECT_EQ(OffspringCount(top), 2u);
  EXPECT_EQ(ObjectOf(session_, c_)->Get_ExternalConvertor().Get_Count(), keys);
  // Still stored and read back whole.
  Reopen(ZEL_IOMODE_READ);
  EXPECT_EQ(Walk(root_, ZEL_ITOR_INSERTION_ORDER, ZEL_ITOR_FORWARD, ZEL_ITOR_PREORDER, ZEL_ITOR_ENTER_BLOCKS),
            (Names{"top", "g", "sub"}));
}

// A duplicate sort key leaves no half-inserted node behind.
TEST_F(HierarchyNodeTest, SortedOffspringOrderAndDuplicateKeys) {
  for (const char* name : {"b", "a", "B", "c"}) Block(root_, name);
  ZELI_HierarchyNode* root = ObjectOf(session_, root_);
  std::string sorted;
  std::string inserted;
  for (unsigned i = 0; i < root->OffspringCount(); ++i) {
    sorted += root->Get_SortedOffspring_p(i)->Get_Name();
    inserted += root->Get_Offspring_p(i)->Get_Name();
  }
  EXPECT_EQ(sorted, "Babc");
  EXPECT_EQ(inserted, "baBc");
  unsigned index = 0;
  EXPECT_NE(root->Find_SortedOffspring_p("c", index), nullptr);
  EXPECT_EQ(index, 3u);
  EXPECT_EQ(root->Find_SortedOffspring_p("x", index), nullptr);
  // Found by name through the sorted order, the index in insertion order.
  EXPECT_EQ(root->Find_Offspring_p("B", index), root->Get_Offspring_p(2));
  EXPECT_EQ(index, 2u);
  EXPECT_EQ(root->Find_Offspring_p("a\0b", 3, index), nullptr);  // no stored name holds a NUL
  EXPECT_EQ(root->Find_Offspring_p("bb", index), nullptr);
  EXPECT_EQ(RunInFrame("F", [&] { root->Get_Offspring_p(4); }), ZEL_BAD_ARG);
  EXPECT_STREQ(ZEL_GetError(), "F: Bad offspring index.");
  auto* twin = new ZELI_HierarchyBlock("a");
  EXPECT_EQ(RunInFrame("F", [&] { root->Add_Offspring_p(twin); }), ZEL_DUPLICATE);
  EXPECT_STREQ(ZEL_GetError(), "F: Entering duplicate hierarchy node name.");
  EXPECT_EQ(root->OffspringCount(), 4u);
  EXPECT_EQ(twin->Get_Parent_p(), nullptr);
  delete twin;
  EXPECT_EQ(RunInFrame("F", [&] { root->Add_Offspring_p(root->Get_Offspring_p(0)); }), ZEL_FAILED);
  EXPECT_STREQ(ZEL_GetError(), "F: Node is already in the hierarchy.");

  // Below a composite: by location.
  zel_hierarchyNode_t bus = Composite(root_, "v[0:3]", ArrayType(c_, 0, 3));
  HandScalar(bus, 2);
  HandScalar(bus, 0);
  HandScalar(bus, 3);
  ZELI_HierarchyNode* composite = ObjectOf(session_, bus);
  EXPECT_EQ(composite->Get_SortedOffspring_p(0)->Get_LocationInParent(), 0u);
  EXPECT_EQ(composite->Get_SortedOffspring_p(2)->Get_LocationInParent(), 3u);
  EXPECT_EQ(Name(Check(ZEL_GetHierarchySubelNode(session_, bus, 3, &status_))), "[3]");
  EXPECT_EQ(ZEL_GetHierarchySubelNode(session_, bus, 1, &status_).key, -1);
}

// Full names below a bus follow the indices written in its name (location
// 0 of d[7:0] is d[7]), whatever range its array type has; an element's own
// name stays the type's, asking for a full name renames nothing, and every
// full name finds its node again.
TEST_F(HierarchyNodeTest, BusBitNamesFollowTheBusNameAndFindTheirNode) {
  zel_hierarchyNode_t top = Block(root_, "top");
  zel_hierarchyNode_t bus = Composite(top, "d[7:0]", ArrayType(c_, 7, 0));
  std::vector<zel_hierarchyNode_t> bits;
  for (unsigned location = 0; location < 8; ++location) bits.push_back(HandScalar(bus, location));
  // Found before any full name was asked for, and again after.
  EXPECT_TRUE(ZEL_AreSameHierarchyNode(One(top, "d[7:0][3]"), bits[4]));
  for (unsigned location = 0; location < 8; ++location) {
    const std::string index = std::to_string(7 - location);
    EXPECT_EQ(FullName(bits[location]), "/top/d[" + index + "]");
    EXPECT_EQ(Name(bits[location]), "[" + index + "]") << "a full name renamed the node";
    EXPECT_TRUE(ZEL_AreSameHierarchyNode(One(root_, FullName(bits[location]).c_str()), bits[location])) << index;
  }
  EXPECT_TRUE(ZEL_AreSameHierarchyNode(One(top, "d[7:0][3]"), bits[4]));
  EXPECT_EQ(FullName(bus), "/top/d");
  EXPECT_TRUE(ZEL_AreSameHierarchyNode(One(root_, "/top/d"), bus));
  EXPECT_TRUE(ZEL_AreSameHierarchyNode(One(top, "d[7:0]"), bus));
  EXPECT_TRUE(Find(top, "d[8]").empty());
  EXPECT_TRUE(Find(top, "d[7:0][8]").empty());
  int left = 0;
  int right = 0;
  EXPECT_STREQ(ObjectOf(session_, bus)->Get_BusName(left, right), "d");
  EXPECT_EQ(left, 7);
  EXPECT_EQ(right, 0);
  EXPECT_EQ(ZEL_GetHierarchyNodeType(session_, bus, &status_), 2);
  EXPECT_EQ(ZEL_GetHierarchyNodeType(session_, bits[0], &status_), 3);

  // Array types over 0 to 7 under a falling, a rising and a plain name.
  zel_hierarchyNode_t down = Composite(top, "e[7:0]", ArrayType(c_, 0, 7, "down"));
  zel_hierarchyNode_t up = Composite(top, "e[0:7]", ArrayType(c_, 0, 7, "up"));
  zel_hierarchyNode_t plain = Composite(top, "e", ArrayType(c_, 0, 7, "plain"));
  EXPECT_EQ(ZEL_GetHierarchyNodeDirection(session_, down, &status_), ZEL_ITOR_FORWARD);
  EXPECT_EQ(ZEL_GetHierarchyNodeDirection(session_, up, &status_), ZEL_ITOR_BACKWARD);
  EXPECT_EQ(ZEL_GetHierarchyNodeDirection(session_, plain, &status_), ZEL_ITOR_BACKWARD);
  EXPECT_EQ(ZEL_GetHierarchyNodeDirection(session_, ZEL_NullHierarchyNode, &status_), 0);  // failed
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  EXPECT_EQ(RunInFrame("F", [&] { ObjectOf(session_, plain)->Get_BusName(left, right); }), ZEL_BAD_ARG);
  EXPECT_STREQ(ZEL_GetError(), "F: Node does not have a busName.");
  zel_hierarchyNode_t e7 = HandScalar(down, 0);
  EXPECT_EQ(FullName(e7), "/top/e[7]");
  EXPECT_TRUE(ZEL_AreSameHierarchyNode(One(root_, "/top/e[7]"), e7));
  EXPECT_EQ(Name(e7), "[0]") << "a full name or a find renamed the node";
  EXPECT_EQ(FullName(HandScalar(up, 2)), "/top/e[2]");
  EXPECT_EQ(FullName(HandScalar(plain, 1)), "/top/e[1]");
  EXPECT_EQ(CompositeName(HandScalar(plain, 5)), "e[5]");
  // A signal named like a bus's base name is found before the bus.
  EXPECT_TRUE(ZEL_AreSameHierarchyNode(One(top, "e"), plain));
  EXPECT_TRUE(ZEL_AreSameHierarchyNode(One(top, "e[7:0]"), down));
}

TEST_F(HierarchyNodeTest, FindingByPathAndRecordNames) {
  zel_hierarchyNode_t sig = Block(root_, "top/sub/sig");
  zel_hierarchyNode_t top = One(root_, "top");
  zel_hierarchyNode_t bit = HandScalar(Composite(top, "d[3:0]", ArrayType(c_, 0, 3)), 2);
  zel_hierarchyNode_t rec = Composite(top, "r", RecordType(c_));
  zel_hierarchyNode_t a = HandScalar(rec, 0);
  zel_hierarchyNode_t b = HandScalar(rec, 1);
  EXPECT_EQ(Name(b), "b");
  EXPECT_EQ(FullName(b), "/top/r.b");
  EXPECT_EQ(CompositeName(b), "r.b");
  EXPECT_EQ(CompositeName(rec), "r");

  EXPECT_TRUE(ZEL_AreSameHierarchyNode(One(root_, "/top/sub/sig"), sig));
  EXPECT_TRUE(ZEL_AreSameHierarchyNode(One(top, "sub/sig"), sig));
  EXPECT_TRUE(ZEL_AreSameHierarchyNode(One(sig, "../../sub/sig"), sig));
  EXPECT_TRUE(ZEL_AreSameHierarchyNode(One(top, "sub:sig", ZEL_HDL_COLON), sig));
  EXPECT_TRUE(ZEL_AreSameHierarchyNode(One(top, "d[3:0][2]"), bit));
  EXPECT_TRUE(ZEL_AreSameHierarchyNode(One(root_, "/top/r.a"), a));
  EXPECT_TRUE(ZEL_AreSameHierarchyNode(One(top, "r"), rec));
  EXPECT_TRUE(Find(top, "r.c").empty());
  EXPECT_TRUE(Find(top, "r[0]").empty());  // a record is entered with "."
  EXPECT_TRUE(Find(top, "d[3:0].x").empty());
  EXPECT_TRUE(Find(root_, "/nope/sig").empty());
  EXPECT_TRUE(Find(root_, "top/").empty());
  EXPECT_TRUE(Find(root_, "").empty());
  unsigned count = 0;
  ZEL_GetHierarchyNodes(session_, root_, "top", ZEL_HDL_SLASH, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  EXPECT_EQ(ZEL_GetHierarchyNodes(session_, root_, "nope", ZEL_HDL_SLASH, &count, &status_), nullptr);
  EXPECT_EQ(count, 0u);

  ZEL_AddHierarchyCompositeSubelType(session_, rec, 2, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_AddHierarchyCompositeSubelType: Location is out of range.");
  ZEL_AddHierarchyCompositeSubelType(session_, root_, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG,
                     "ZEL_AddHierarchyCompositeSubelType: Current node is not a waveform of composite type");
  ZEL_AddHierarchyCompositeSubelType(session_, rec, 1, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_DUPLICATE, "ZEL_AddHierarchyCompositeSubelType: Entering duplicate hierarchy node name.");
  EXPECT_EQ(ZEL_GetHierarchyNodeCompositeName(session_, root_, ZEL_HDL_SLASH, &status_), nullptr);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetHierarchyNodeCompositeName: Node is root/block/group.");
  EXPECT_EQ(ZEL_GetHierarchyNodeFullName(session_, b, ZEL_HDL_SMART, &status_), nullptr);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetHierarchyNodeFullName: ZEL_HDL_SMART is not allowed.");
  EXPECT_EQ(ZEL_GetHierarchyNodeCompositeName(session_, b, ZEL_HDL_SMART, &status_), nullptr);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  EXPECT_EQ(ZEL_HierarchyNodeHasWaveform(session_, rec, &status_), 0);
  EXPECT_EQ(ZEL_HierarchyNodeHasSourceWaveform(session_, rec, &status_), 0);
  EXPECT_EQ(ZEL_HierarchyNodeHasDerivedWaveform(session_, rec, &status_), 0);
  EXPECT_EQ(ZEL_GetHierarchySubelNode(session_, root_, 0, &status_).key, -1);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetHierarchySubelNode: Offspring cannot be found by location.");
}

TEST_F(HierarchyNodeTest, GroupsListMembersWithoutOwningThem) {
  zel_hierarchyNode_t top = Block(root_, "top");
  zel_hierarchyNode_t x = Block(top, "x");
  zel_hierarchyNode_t a = Block(top, "a");
  zel_hierarchyNode_t group = Group(root_, "g");
  const zel_hierarchyNode_t members[] = {x, a};
  ZEL_AddHierarchyGroupMembers(session_, group, 2, members, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(ZEL_GetHierarchyNodeType(session_, group, &status_), 1);
  EXPECT_EQ(Members(group), (Names{"a", "x"}));
  EXPECT_EQ(FullName(x), "/top/x");  // members stay where they are

  // In array order: a2 joins, the second x is refused (and left out whole),
  // and what follows it is not reached.
  zel_hierarchyNode_t a2 = Block(root_, "a2");
  zel_hierarchyNode_t b = Block(root_, "b");
  const zel_hierarchyNode_t again[] = {a2, x, b};
  ZEL_AddHierarchyGroupMembers(session_, group, 3, again, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_DUPLICATE, "ZEL_AddHierarchyGroupMembers: Entering duplicate hierarchy node name.");
  EXPECT_EQ(OffspringCount(group), 3u);
  EXPECT_EQ(ObjectOf(session_, a2)->Get_Groups().size(), 1u);
  EXPECT_EQ(ObjectOf(session_, x)->Get_Groups().size(), 1u);
  EXPECT_TRUE(ObjectOf(session_, b)->Get_Groups().empty());
  EXPECT_EQ(Members(group), (Names{"a", "a2", "x"}));
  ZEL_AddHierarchyGroupMembers(session_, top, 1, members, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_AddHierarchyGroupMembers: The node is not a group");
  ZEL_AddHierarchyGroupMembers(session_, group, 1, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_AddHierarchyBlock(session_, root_, "g/y", ZEL_HDL_SLASH, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_AddHierarchyBlock: The path is not a block.");

  // A deleted member leaves the group (a deleted group frees its members:
  // below).
  ZEL_DeleteHierarchyNode(session_, x, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(Members(group), (Names{"a", "a2"}));
  // Groups from another waveform set are refused.
  zel_waveformSet_t other = Set(c_, "other");
  zel_hierarchyNode_t otherGroup = Group(Check(ZEL_GetNameHierarchyRootNode(session_, other, &status_)), "og");
  ZEL_AddHierarchyGroupMembers(session_, otherGroup, 1, &a, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
}

// Members and groups that die with a deleted block leave each other, and
// what is stored afterwards lists only the living (ASan: no dangling
// member or group is looked at).
TEST_F(HierarchyNodeTest, NodesAndGroupsThatDieWithABlockLeaveEachOther) {
  zel_hierarchyNode_t s = Block(root_, "top/a/s");
  zel_hierarchyNode_t a = One(root_, "top/a");
  zel_hierarchyNode_t keep = Block(root_, "keep");
  zel_hierarchyNode_t g1 = Group(root_, "g1");
  zel_hierarchyNode_t g2 = Group(root_, "blk/g2");
  const zel_hierarchyNode_t first[] = {s, a, keep};
  ZEL_AddHierarchyGroupMembers(session_, g1, 3, first, &status_);
  const zel_hierarchyNode_t second[] = {s, g1};
  ZEL_AddHierarchyGroupMembers(session_, g2, 2, second, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();

  // s and a die with top: both groups lose them.
  ZEL_DeleteHierarchyNode(session_, One(root_, "top"), &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(Members(g1), (Names{"keep"}));
  EXPECT_EQ(Members(g2), (Names{"g1"}));
  // g2 dies with blk: g1 is no longer in a group.
  ZEL_DeleteHierarchyNode(session_, One(root_, "blk"), &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_TRUE(ObjectOf(session_, g1)->Get_Groups().empty());
  EXPECT_EQ(ObjectOf(session_, keep)->Get_Groups().size(), 1u);

  Reopen(ZEL_IOMODE_WRITE);
  g1 = One(root_, "g1");
  EXPECT_EQ(Members(g1), (Names{"keep"}));
  EXPECT_TRUE(Find(root_, "blk").empty());
  // The group that remains dies on its own and frees its member.
  keep = One(root_, "keep");
  ZEL_DeleteHierarchyNode(session_, g1, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_TRUE(ObjectOf(session_, keep)->Get_Groups().empty());
}

TEST_F(HierarchyNodeTest, DeletionErasesHandlesAndKeepsTheRoot) {
  zel_hierarchyNode_t sub = Block(root_, "top/sub");
  ZEL_DeleteHierarchyNode(session_, One(root_, "top"), &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_GetHierarchyNodeName(session_, sub, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  Block(root_, "p");
  Block(root_, "q");
  ZEL_DeleteHierarchyNode(session_, root_, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(OffspringCount(root_), 0u);
  EXPECT_EQ(Name(root_), "");
  Block(root_, "r");

  Reopen(ZEL_IOMODE_READ);
  zel_hierarchyNode_t r = One(root_, "r");
  ZEL_DeleteHierarchyNode(session_, r, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_DeleteHierarchyNode: Cannot modify read-only container");
  EXPECT_EQ(OffspringCount(root_), 1u);
}

TEST_F(HierarchyNodeTest, AttributesAreStored) {
  zel_hierarchyNode_t top = Block(root_, "top");
  ZEL_SetHierarchyNodeAttribute(session_, top, "kind", "cell", &status_);
  ZEL_SetHierarchyNodeAttribute(session_, root_, "tool", nullptr, &status_);
  unsigned count = 0;
  const char** names = ZEL_GetHierarchyNodeAttributeNames(session_, top, &count, &status_);
  ASSERT_EQ(count, 1u);
  EXPECT_STREQ(names[0], "kind");
  std::free(names);
  Reopen(ZEL_IOMODE_READ);
  EXPECT_STREQ(ZEL_GetHierarchyNodeAttribute(session_, One(root_, "top"), "kind", &status_), "cell");
  EXPECT_STREQ(ZEL_GetHierarchyNodeAttribute(session_, root_, "tool", &status_), "");
  EXPECT_EQ(ZEL_GetHierarchyNodeAttribute(session_, root_, "none", &status_), nullptr);
  EXPECT_EQ(status_, ZEL_OK);
  EXPECT_EQ(ZEL_GetHierarchyNodeAttribute(session_, root_, nullptr, &status_), nullptr);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetHierarchyNodeAttribute: name is null");
  EXPECT_TRUE(ZEL_AreSameWaveformSet(Check(ZEL_GetWaveformSetFromHierarchy(session_, root_, &status_)), set_));
}

// Every node's full name in pre-order, with its kind.
Names Listing(zel_session_t session, zel_hierarchyNode_t root) {
  Names lines;
  zel_status_t st;
  zel_nodeIterator_t it = ZEL_CreateNodeIterator(session, root, ZEL_ITOR_INSERTION_ORDER, ZEL_ITOR_FORWARD,
                                                 ZEL_ITOR_PREORDER, ZEL_ITOR_ENTER_BLOCKS_WAVEFORMS, &st);
  for (zel_hierarchyNode_t n = ZEL_GetFirstNode(session, it, &st); n.key != -1; n = ZEL_GetNextNode(session, it, &st)) {
    char* full = ZEL_GetHierarchyNodeFullName(session, n, ZEL_HDL_SLASH, &st);
    lines.push_back(std::string(full) + " " + std::to_string(ZEL_GetHierarchyNodeType(session, n, &st)));
    std::free(full);
  }
  return lines;
}

TEST_F(HierarchyNodeTest, ReadBackIdenticalInAnotherProcess) {
  Block(root_, "top/sub/leaf");
  zel_hierarchyNode_t t = One(root_, "top");
  zel_hierarchyNode_t bus = Composite(t, "d[3:0]", ArrayType(c_, 0, 3));
  HandScalar(bus, 1);
  zel_hierarchyNode_t rec = Composite(t, "r", RecordType(c_));
  Check(ZEL_AddHierarchyCompositeSubelType(session_, Composite(t, "arr", ArrayType(c_, 0, 1, "outer")), 0, &status_));
  HandScalar(rec, 1);
  zel_hierarchyNode_t group = Group(t, "g");
  ZEL_AddHierarchyGroupMembers(session_, group, 1, &bus, &status_);
  for (const char* name : {"B", "a", "c"}) Block(t, name);
  const Names before = Listing(session_, root_);
  Close(c_);

  EXPECT_EQ(RunInChild([&] {
              zel_status_t st;
              zel_session_t s = ZEL_InitSession(&st);
              zel_container_t c = ZEL_OpenContainer(s, name_.c_str(), ZEL_IOMODE_READ, &st);
              zel_waveformSet_t set = ZEL_FindWaveformSet(s, c, "tran", &st);
              zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(s, set, &st);
              int failures = Listing(s, root) == before ? 0 : 1;
              unsigned count = 0;
              zel_hierarchyNode_t* g = ZEL_GetHierarchyNodes(s, root, "top/g", ZEL_HDL_SLASH, &count, &st);
              zel_nodeIterator_t it = ZEL_CreateNodeIterator(s, g[0], ZEL_ITOR_SORTED_ORDER, ZEL_ITOR_FORWARD,
                                                             ZEL_ITOR_CHILDREN, ZEL_ITOR_ENTER_GROUPS, &st);
              if (ZEL_GetIterationCount(s, it, &st) != 1) ++failures;
              std::free(g);
              ZEL_TermSession(s, &st);
              return failures;
            }),
            0);
}

class HierarchyRecordTest : public HierarchyTest {
 protected:
  // The hierarchy of the set written alone to a file.
  std::vector<unsigned char> Records() {
    const std::string path = dir_ / "records";
    ZELI_Container* container = ObjectOf(session_, c_);
    ZELI_KeyMap<ZELI_ExternalBase>& map = container->Get_ExternalConvertor();
    map.InitializeMarker();
    {
      ZELI_Ostream out(path.c_str(), 1);
      ZELI_Hierarchy::WriteHierarchy(ObjectOf(session_, set_)->Get_HierarchyRoot_p(), out, map);
      out.Close();
    }
    map.DiscardMarker();
    return ReadFileBytes(path);
  }
  // Reads bytes as the hierarchy of a second set, into a copy of the map's
  // shape; the status of the attempt.
  zel_status_t ReadBack(const std::vector<unsigned char>& bytes) {
    const std::string path = dir_ / "damaged";
    WriteFileBytes(path, bytes);
    ZELI_Container* container = ObjectOf(session_, c_);
    return RunInFrame("Read", [&] {
      ZELI_KeyMap<ZELI_ExternalBase> map;
      // Types and everything else keep their keys; the nodes' keys are free.
      ZELI_KeyMap<ZELI_ExternalBase>& original = container->Get_ExternalConvertor();
      for (unsigned key = 0; key < original.Get_SlotCount(); ++key) {
        map.Insert(original.IsLive(static_cast<int>(key)) &&
                           dynamic_cast<ZELI_HierarchyNode*>(original[static_cast<int>(key)]) == nullptr
                       ? original[static_cast<int>(key)]
                       : nullptr);
      }
      for (unsigned key = 0; key < original.Get_SlotCount(); ++key) {
        if (map[static_cast<int>(key)] == nullptr) map.Erase(static_cast<int>(key));
      }
      ZELI_Istream in(path.c_str());
      std::unique_ptr<ZELI_HierarchyRoot> root(
          ZELI_Hierarchy::ReadHierarchy(ObjectOf(session_, set_), in, map));
      if (!in.AtEnd()) throw ZELI_FailedException("trailing bytes");
    });
  }
};

TEST_F(HierarchyRecordTest, EmptyRootBytes) {
  const int key = ObjectOf(session_, root_)->Get_Key();
  std::vector<unsigned char> expected = {1, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) expected.push_back(static_cast<unsigned char>(key >> (8 * i)));
  for (unsigned char b : {0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff}) expected.push_back(b);
  EXPECT_EQ(Records(), expected);
}

TEST_F(HierarchyRecordTest, EveryFlippedByteOrTruncationFailsCleanly) {
  Block(root_, "top/x");
  zel_hierarchyNode_t top = One(root_, "top");
  zel_hierarchyNode_t rec = Composite(top, "r", RecordType(c_));
  HandScalar(rec, 0);
  zel_hierarchyNode_t group = Group(top, "g");
  ZEL_AddHierarchyGroupMembers(session_, group, 1, &rec, &status_);
  const std::vector<unsigned char> bytes = Records();
  ASSERT_EQ(ReadBack(bytes), ZEL_OK) << ZEL_GetError();
  for (size_t i = 0; i < bytes.size(); ++i) {
    for (unsigned char flip : {0x01, 0x80, 0xff}) {
      std::vector<unsigned char> damaged = bytes;
      damaged[i] ^= flip;
      ReadBack(damaged);  // any status; sanitizers watch for the rest
    }
    EXPECT_NE(ReadBack(std::vector<unsigned char>(bytes.begin(), bytes.begin() + static_cast<long>(i))), ZEL_OK);
  }
}

// Where the parts of stored hierarchy records lie (nodes without
// attributes), so that tests can reorder or relink what was written.
struct StoredNode {
  size_t record = 0;      // offset of its node record
  unsigned char type = 0;
  int key = -1;
  size_t location = 0;   // offset of its location (subelements)
  size_t relatives = 0;  // offset of its relatives record
  size_t sorted = 0;     // offset of its sorted list (nodes with offspring)
  unsigned count = 0;    // its offspring count
};

uint32_t Word(const std::vector<unsigned char>& bytes, size_t at) {
  uint32_t word = 0;
  std::memcpy(&word, &bytes[at], 4);
  return word;
}

std::vector<StoredNode> ParseRecords(const std::vector<unsigned char>& bytes) {
  const unsigned count = Word(bytes, 0);
  std::vector<StoredNode> nodes(count);
  size_t at = 4;
  for (StoredNode& node : nodes) {
    node.record = at;
    node.type = bytes[at];
    EXPECT_EQ(Word(bytes, at + 1), 0u) << "attributes";
    node.key = static_cast<int>(Word(bytes, at + 5));
    at += 9;
    if (node.type >= ZELI_HierarchyNode::NAMED_COMPOSITE) at += bytes[at] == 1 ? 5 : 1;  // has source, key
    if (node.type == ZELI_HierarchyNode::SUBELEMENT_COMPOSITE || node.type == ZELI_HierarchyNode::SUBELEMENT_SCALAR) {
      node.location = at;
      at += 4;
    } else {
      at += 4 + Word(bytes, at) + 1;  // name
      if (node.type == ZELI_HierarchyNode::NAMED_COMPOSITE) at += 4;  // type key
    }
  }
  for (StoredNode& node : nodes) {
    node.relatives = at;
    if (node.type <= ZELI_HierarchyNode::SUBELEMENT_COMPOSITE) {
      node.count = Word(bytes, at);
      node.sorted = at + 4 + 4 * size_t{node.count};
      at += 4 + 8 * size_t{node.count};
    }
    if (node.type != ZELI_HierarchyNode::ROOT) at += 4;  // parent
    at += 4;                                           // end
  }
  EXPECT_EQ(at, bytes.size());
  return nodes;
}

const StoredNode& NodeOfType(const std::vector<StoredNode>& nodes, unsigned char type) {
  for (const StoredNode& node : nodes) {
    if (node.type == type) return node;
  }
  ADD_FAILURE() << "no node of type " << int{type};
  return nodes.front();
}

TEST_F(HierarchyRecordTest, LoopsAndForeignRelativesAreRefused) {
  Block(root_, "a");
  const std::vector<unsigned char> bytes = Records();
  const std::vector<StoredNode> nodes = ParseRecords(bytes);
  ASSERT_EQ(nodes.size(), 2u);
  const StoredNode& a = nodes[0];
  const StoredNode& root = nodes[1];
  // a names itself as its parent (its relatives: count 0, parent, end).
  std::vector<unsigned char> loop = bytes;
  std::memcpy(&loop[a.relatives + 4], &a.key, 4);
  EXPECT_EQ(ReadBack(loop), ZEL_FAILED);
  EXPECT_STREQ(ZEL_GetError(), "Read: ZELI_HierarchyNode::ReadRelatives: parent");
  // The root lists itself as its offspring (count 1, inserted, sorted, end).
  std::vector<unsigned char> self = bytes;
  std::memcpy(&self[root.relatives + 4], &root.key, 4);
  std::memcpy(&self[root.relatives + 8], &root.key, 4);
  EXPECT_EQ(ReadBack(self), ZEL_FAILED);
  EXPECT_STREQ(ZEL_GetError(), "Read: ZELI_HierarchyNode::ReadRelatives: offspring");
  // A node type of 7: refused by name.
  std::vector<unsigned char> type = bytes;
  type[a.record] = 7;
  EXPECT_EQ(ReadBack(type), ZEL_FAILED);
  EXPECT_STREQ(ZEL_GetError(), "Read: ZELI_HierarchyNode::Read implementation");
  // The last node is not the root.
  std::vector<unsigned char> last = bytes;
  last[root.record] = 1;
  EXPECT_EQ(ReadBack(last), ZEL_FAILED);
  EXPECT_STREQ(ZEL_GetError(), "Read: ZELI_HierarchyNode::ReadHierarchy implementation");
}

// The sorted lists are checked against the keys of what they list: names
// (bytes as unsigned) under blocks, locations under composites, and the
// names a group's subelement members take from their parent's type.
TEST_F(HierarchyRecordTest, OffspringOutOfSortedOrderAreRefused) {
  Block(root_, "top/B");
  Block(root_, "top/a");
  Block(root_, "top/\xe9");
  zel_hierarchyNode_t rec = Composite(One(root_, "top"), "r", RecordType(c_));
  zel_hierarchyNode_t fieldB = HandScalar(rec, 1);
  HandScalar(rec, 0);
  zel_hierarchyNode_t group = Group(root_, "g");
  zel_hierarchyNode_t members[] = {fieldB, One(root_, "top/B")};
  ZEL_AddHierarchyGroupMembers(session_, group, 2, members, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  const std::vector<unsigned char> bytes = Records();
  ASSERT_EQ(ReadBack(bytes), ZEL_OK) << ZEL_GetError();
  const std::vector<StoredNode> nodes = ParseRecords(bytes);
  const unsigned char kinds[] = {ZELI_HierarchyNode::BLOCK, ZELI_HierarchyNode::NAMED_COMPOSITE,
                                 ZELI_HierarchyNode::GROUP};
  for (unsigned char kind : kinds) {
    // top, r and g (the other blocks have no offspring).
    const StoredNode* owner = nullptr;
    for (const StoredNode& node : nodes) {
      if (node.type == kind && node.count >= 2) owner = &node;
    }
    ASSERT_NE(owner, nullptr) << int{kind};
    // Its first two sorted entries swapped: the same set, the wrong order.
    std::vector<unsigned char> swapped = bytes;
    std::memcpy(&swapped[owner->sorted], &bytes[owner->sorted + 4], 4);
    std::memcpy(&swapped[owner->sorted + 4], &bytes[owner->sorted], 4);
    EXPECT_EQ(ReadBack(swapped), ZEL_FAILED) << int{kind};
    EXPECT_STREQ(ZEL_GetError(), "Read: ZELI_HierarchyNode::ReadRelatives: sorted order") << int{kind};
  }
  // A field at a location its record type does not have.
  std::vector<unsigned char> beyond = bytes;
  beyond[NodeOfType(nodes, ZELI_HierarchyNode::SUBELEMENT_SCALAR).location] = 2;
  EXPECT_EQ(ReadBack(beyond), ZEL_FAILED);
  EXPECT_STREQ(ZEL_GetError(), "Read: ZELI_HierarchyNode::ReadHierarchy: location");
}

// Every node must hang below the root through its owners: a node nobody
// owns and two nodes owning each other are refused, with the counts and
// the parents still consistent.
TEST_F(HierarchyRecordTest, NodesOutsideTheTreeAreRefused) {
  Block(root_, "a/b");
  Block(root_, "c");
  const std::vector<unsigned char> bytes = Records();
  const std::vector<StoredNode> nodes = ParseRecords(bytes);
  // Stored order: b, a, c, root.
  ASSERT_EQ(nodes.size(), 4u);
  const StoredNode& b = nodes[0];
  const StoredNode& a = nodes[1];
  const StoredNode& c = nodes[2];
  const StoredNode& root = nodes[3];
  ASSERT_EQ(root.count, 2u);
  auto setCount = [](std::vector<unsigned char>& out, size_t at, uint32_t count) { std::memcpy(&out[at], &count, 4); };

  // c is dropped from the root's lists and names no parent.
  std::vector<unsigned char> orphan = bytes;
  {
    // Root lists: inserted a c, sorted a c (erase from the back first).
    orphan.erase(orphan.begin() + static_cast<long>(root.sorted + 4), orphan.begin() + static_cast<long>(root.sorted + 8));
    orphan.erase(orphan.begin() + static_cast<long>(root.relatives + 8), orphan.begin() + static_cast<long>(root.relatives + 12));
    setCount(orphan, root.relatives, 1);
    // c's relatives: count 0, parent, end: drop the parent.
    orphan.erase(orphan.begin() + static_cast<long>(c.relatives + 4), orphan.begin() + static_cast<long>(c.relatives + 8));
  }
  EXPECT_EQ(ReadBack(orphan), ZEL_FAILED);
  EXPECT_STREQ(ZEL_GetError(), "Read: ZELI_HierarchyNode::ReadHierarchy: unreachable node");

  // a leaves the root and becomes b's offspring, b stays a's: a loop.
  std::vector<unsigned char> loop = bytes;
  {
    // Root lists: inserted a c, sorted a c: drop a from both.
    loop.erase(loop.begin() + static_cast<long>(root.sorted), loop.begin() + static_cast<long>(root.sorted + 4));
    loop.erase(loop.begin() + static_cast<long>(root.relatives + 4), loop.begin() + static_cast<long>(root.relatives + 8));
    setCount(loop, root.relatives, 1);
    // a's parent is b.
    std::memcpy(&loop[a.relatives + 12], &b.key, 4);
    // b's relatives: count 1, a, a, parent a, end.
    const auto* keyA = reinterpret_cast<const unsigned char*>(&a.key);
    loop.insert(loop.begin() + static_cast<long>(b.relatives + 4), keyA, keyA + 4);
    loop.insert(loop.begin() + static_cast<long>(b.relatives + 4), keyA, keyA + 4);
    setCount(loop, b.relatives, 1);
  }
  EXPECT_EQ(ReadBack(loop), ZEL_FAILED);
  EXPECT_STREQ(ZEL_GetError(), "Read: ZELI_HierarchyNode::ReadHierarchy: unreachable node");
}

}  // namespace
}  // namespace zeltest
