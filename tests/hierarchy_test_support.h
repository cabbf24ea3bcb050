// Helpers for the hierarchy and node-iterator tests: a disk container with
// one waveform set and its root (also after reopening), adds through the
// interface, names as std::string (freeing what the library hands over),
// and walks.
#ifndef ZEL_TESTS_HIERARCHY_TEST_SUPPORT_H
#define ZEL_TESTS_HIERARCHY_TEST_SUPPORT_H

#include <cstdlib>
#include <string>
#include <vector>

#include "model/hierarchy.h"
#include "model/node_iterator.h"
#include "model_test_support.h"

namespace zeltest {

class HierarchyTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    c_ = CreateDisk();
    set_ = Set(c_, "tran");
    root_ = Check(ZEL_GetNameHierarchyRootNode(session_, set_, &status_));
  }

  // Closes the container and opens it again in mode, finding the set and its root.
  void Reopen(zel_iomode_t mode) {
    Close(c_);
    c_ = Open(mode);
    set_ = Check(ZEL_FindWaveformSet(session_, c_, "tran", &status_));
    root_ = Check(ZEL_GetNameHierarchyRootNode(session_, set_, &status_));
  }

  zel_hierarchyNode_t Block(zel_hierarchyNode_t parent, const char* name, zel_hdl_t hdl = ZEL_HDL_SLASH) {
    return Check(ZEL_AddHierarchyBlock(session_, parent, name, hdl, &status_));
  }
  zel_hierarchyNode_t Group(zel_hierarchyNode_t parent, const char* name, zel_hdl_t hdl = ZEL_HDL_SLASH) {
    return Check(ZEL_AddHierarchyGroup(session_, parent, name, hdl, &status_));
  }
  zel_hierarchyNode_t Composite(zel_hierarchyNode_t parent, const char* name, zel_type_t type,
                                zel_hdl_t hdl = ZEL_HDL_SLASH) {
    return Check(ZEL_AddHierarchyCompositeType(session_, parent, name, hdl, type, &status_));
  }
  // An integer array type over left .. right.
  zel_type_t ArrayType(zel_container_t c, int left, int right, const char* name = "bits") {
    zel_type_t integer = Check(ZEL_CreateBuiltinType(session_, c, "int", ZEL_INTEGER, &status_));
    zel_range_t range{integer, left, right, left <= right ? ZEL_RANGE_ASCENDING : ZEL_RANGE_DESCENDING};
    return Check(ZEL_CreateArrayType(session_, c, name, integer, 1, &range, &status_));
  }
  // A record {a: int, b: int}.
  zel_type_t RecordType(zel_container_t c) {
    zel_type_t integer = Check(ZEL_CreateBuiltinType(session_, c, "int", ZEL_INTEGER, &status_));
    const char* names[] = {"a", "b"};
    zel_type_t types[] = {integer, integer};
    return Check(ZEL_CreateRecordType(session_, c, "rec", 2, names, types, &status_));
  }
  // A subelement scalar placed by hand (the interface needs a waveform for
  // one); registered so that it has a handle and is stored.
  zel_hierarchyNode_t HandScalar(zel_hierarchyNode_t parent, unsigned location) {
    ZELC_Session* s = ZELC_Interface::TheInterface().ConvertSessionHandle(session_);
    auto* wrapper = s->Convert(parent);
    ZELI_HierarchyNode* node = wrapper->Get_Object_p()->Add_Offspring_p(new ZELI_HierarchySubelementScalar(location));
    ZELI_Container* container = wrapper->Get_Container_p()->Get_Object_p();
    node->Set_Key(container->Get_ExternalConvertor().Insert(node));
    return ZELC_HandleOf<zel_hierarchyNode_t>(wrapper->Get_Container_p(), node);
  }

  // Full and composite names: the caller owns (and here frees) the text.
  std::string FullName(zel_hierarchyNode_t node, zel_hdl_t hdl = ZEL_HDL_SLASH) {
    return Taken(ZEL_GetHierarchyNodeFullName(session_, node, hdl, &status_));
  }
  std::string CompositeName(zel_hierarchyNode_t node, zel_hdl_t hdl = ZEL_HDL_SLASH) {
    return Taken(ZEL_GetHierarchyNodeCompositeName(session_, node, hdl, &status_));
  }
  std::string Taken(char* text) {
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    std::string result = text != nullptr ? text : "<null>";
    std::free(text);
    return result;
  }
  std::string Name(zel_hierarchyNode_t node) {
    const char* name = ZEL_GetHierarchyNodeName(session_, node, &status_);
    return name != nullptr ? name : "<null>";
  }
  // The nodes that name finds from start (0 or 1).
  std::vector<zel_hierarchyNode_t> Find(zel_hierarchyNode_t start, const char* name, zel_hdl_t hdl = ZEL_HDL_SLASH) {
    unsigned count = 99;
    zel_hierarchyNode_t* nodes = ZEL_GetHierarchyNodes(session_, start, name, hdl, &count, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    std::vector<zel_hierarchyNode_t> result(nodes, nodes + count);
    std::free(nodes);
    return result;
  }
  // The one node name finds (the null handle, and a failure, when none).
  zel_hierarchyNode_t One(zel_hierarchyNode_t start, const char* name, zel_hdl_t hdl = ZEL_HDL_SLASH) {
    std::vector<zel_hierarchyNode_t> found = Find(start, name, hdl);
    if (found.size() != 1) {
      ADD_FAILURE() << "not found: " << name;
      return zel_hierarchyNode_t{-1};
    }
    return found[0];
  }
  // Names of the whole walk of an iterator.
  std::vector<std::string> Walk(zel_nodeIterator_t it) {
    std::vector<std::string> names;
    for (zel_hierarchyNode_t n = ZEL_GetFirstNode(session_, it, &status_); n.key != -1 && status_ == ZEL_OK;
         n = ZEL_GetNextNode(session_, it, &status_)) {
      names.push_back(Name(n));
    }
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    return names;
  }
  std::vector<std::string> Walk(zel_hierarchyNode_t start, zel_itorOrder_t order, zel_itorDirection_t direction,
                                zel_itorLevel_t level, zel_itorEnter_t enter) {
    zel_nodeIterator_t it = Check(ZEL_CreateNodeIterator(session_, start, order, direction, level, enter, &status_));
    std::vector<std::string> names = Walk(it);
    ZEL_DeleteNodeIterator(session_, it, &status_);
    return names;
  }
  // The members of a group, by name in sorted order.
  std::vector<std::string> Members(zel_hierarchyNode_t group) {
    return Walk(group, ZEL_ITOR_SORTED_ORDER, ZEL_ITOR_FORWARD, ZEL_ITOR_CHILDREN, ZEL_ITOR_ENTER_GROUPS);
  }
  unsigned OffspringCount(zel_hierarchyNode_t node) { return ObjectOf(session_, node)->OffspringCount(); }

  zel_container_t c_{-1};
  zel_waveformSet_t set_{-1};
  zel_hierarchyNode_t root_{-1};
};

using Names = std::vector<std::string>;

}  // namespace zeltest

#endif  // ZEL_TESTS_HIERARCHY_TEST_SUPPORT_H
