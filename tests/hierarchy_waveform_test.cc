// Tests of hierarchy nodes with waveforms: stored waveforms shared by
// nodes, composite signals and their derived fields, deletion, and the
// whole read back after reopening.
#include <gtest/gtest.h>

#include <cstdio>

#include "hierarchy_test_support.h"
#include "waveforms/waveform.h"

namespace zeltest {
namespace {

class HierarchyWaveformTest : public HierarchyTest {
 protected:
  zel_waveform_t Waveform(zel_waveformSet_t set, zel_type_t type, zel_semantic_t semantic = 1) {
    zel_dimensionDescriptor_t y = Check(ZEL_CreateDimensionDescriptor(session_, c_, "v", "V", type, &status_));
    return Check(ZEL_CreateWaveform(session_, set, semantic, y, &status_));
  }
  zel_type_t Real() { return Check(ZEL_CreateBuiltinType(session_, c_, "real", ZEL_REAL, &status_)); }
  unsigned StoredWaveforms() { return ObjectOf(session_, set_)->Get_WaveformMap().Get_Count(); }
};

// Each node holds one reference to its stored waveform; refused adds take
// none, the references come back after reopening, and the waveform dies
// with its last node.
TEST_F(HierarchyWaveformTest, ScalarSignalsShareAStoredWaveformUntilTheLastNodeGoes) {
  zel_waveform_t w = Waveform(set_, Real());
  zel_hierarchyNode_t a = Check(ZEL_AddHierarchyScalarWf(session_, root_, "a/s", ZEL_HDL_SLASH, w, &status_));
  EXPECT_EQ(ZEL_GetHierarchyNodeType(session_, a, &status_), 3);
  EXPECT_TRUE(ZEL_HierarchyNodeHasWaveform(session_, a, &status_));
  EXPECT_TRUE(ZEL_HierarchyNodeHasSourceWaveform(session_, a, &status_));
  EXPECT_FALSE(ZEL_HierarchyNodeHasDerivedWaveform(session_, a, &status_));
  EXPECT_TRUE(ZEL_AreSameWaveform(Check(ZEL_GetHierarchyWaveform(session_, a, &status_)), w));
  zel_waveform_t foreign = Waveform(Set(c_, "other"), Real());
  ZEL_AddHierarchyScalarWf(session_, root_, "new/sig", ZEL_HDL_SLASH, foreign, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG,
                     "ZEL_AddHierarchyScalarWf: The waveform and the hierarchy are in different waveform sets.");
  EXPECT_TRUE(Find(root_, "new").empty());
  ZEL_AddHierarchyScalarWf(session_, root_, "a/s", ZEL_HDL_SLASH, w, &status_);
  EXPECT_EQ(status_, ZEL_DUPLICATE);
  ZEL_GetHierarchyWaveform(session_, One(root_, "a"), &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetHierarchyWaveform: Waveform is not available.");
  Check(ZEL_AddHierarchyScalarWf(session_, root_, "b/s", ZEL_HDL_SLASH, w, &status_));
  Check(ZEL_AddHierarchyScalarWf(session_, root_, "c/s", ZEL_HDL_SLASH, w, &status_));
  EXPECT_EQ(ObjectOf(session_, w)->Get_ReferenceCount(), 3u);
  ZEL_DeleteHierarchyNode(session_, a, &status_);
  EXPECT_EQ(StoredWaveforms(), 1u);
  EXPECT_EQ(ObjectOf(session_, w)->Get_ReferenceCount(), 2u);

  Reopen(ZEL_IOMODE_WRITE);
  EXPECT_TRUE(ZEL_HierarchyNodeHasSourceWaveform(session_, One(root_, "b/s"), &status_));
  w = Check(ZEL_GetHierarchyWaveform(session_, One(root_, "c/s"), &status_));
  EXPECT_EQ(ZEL_GetWaveformSemantic(session_, w, &status_), 1);
  EXPECT_EQ(ObjectOf(session_, w)->Get_ReferenceCount(), 2u);
  ZEL_DeleteHierarchyNode(session_, One(root_, "c"), &status_);
  EXPECT_EQ(ObjectOf(session_, w)->Get_ReferenceCount(), 1u);
  EXPECT_TRUE(ZEL_AreSameWaveform(Check(ZEL_GetHierarchyWaveform(session_, One(root_, "b/s"), &status_)), w));
  ZEL_DeleteHierarchyNode(session_, One(root_, "b"), &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(StoredWaveforms(), 0u);
  ZEL_GetWaveformSemantic(session_, w, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  Reopen(ZEL_IOMODE_READ);
  EXPECT_EQ(StoredWaveforms(), 0u);
}

TEST_F(HierarchyWaveformTest, CompositeSignalsCreateTheirFieldsAndDeriveSubelements) {
  zel_type_t rec = RecordType(c_);
  zel_type_t integer = Check(ZEL_CreateBuiltinType(session_, c_, "int", ZEL_INTEGER, &status_));
  zel_range_t range{integer, 0, 1, ZEL_RANGE_ASCENDING};
  zel_type_t pair = Check(ZEL_CreateArrayType(session_, c_, "pair", rec, 1, &range, &status_));
  zel_waveform_t w = Waveform(set_, pair, 7);
  zel_hierarchyNode_t sig =
      Check(ZEL_AddHierarchyCompositeWf(session_, root_, "top/p", ZEL_HDL_SLASH, pair, w, &status_));
  EXPECT_EQ(Walk(sig, ZEL_ITOR_SORTED_ORDER, ZEL_ITOR_FORWARD, ZEL_ITOR_PREORDER, ZEL_ITOR_ENTER_WAVEFORMS),
            (Names{"[0]", "a", "b", "[1]", "a", "b"}));
  zel_hierarchyNode_t field = One(root_, "/top/p[1].b");
  EXPECT_EQ(FullName(field), "/top/p[1].b");
  EXPECT_EQ(CompositeName(field), "p[1].b");
  EXPECT_FALSE(ZEL_HierarchyNodeHasWaveform(session_, field, &status_));

  zel_waveform_t derived = Check(ZEL_GetHierarchyWaveform(session_, field, &status_));
  EXPECT_TRUE(ZEL_HierarchyNodeHasDerivedWaveform(session_, field, &status_));
  EXPECT_EQ(ZEL_GetWaveformSemantic(session_, derived, &status_), 7);
  EXPECT_STREQ(ZEL_GetDimensionDescriptorName(session_, Check(ZEL_GetWaveformYDescriptor(session_, derived, &status_)),
                                              &status_),
               "");
  EXPECT_TRUE(ZEL_AreSameWaveform(Check(ZEL_GetHierarchyWaveform(session_, field, &status_)), derived));
  EXPECT_EQ(StoredWaveforms(), 1u);

  // The derived waveform goes with its node; the stored one stays.
  ZEL_DeleteHierarchyNode(session_, field, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  ZEL_GetWaveformSemantic(session_, derived, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  EXPECT_EQ(StoredWaveforms(), 1u);
  // The nameless descriptor was stored: the reopened structure is whole.
  Check(ZEL_GetHierarchyWaveform(session_, One(root_, "top/p[0].a"), &status_));
  Reopen(ZEL_IOMODE_WRITE);
  field = One(root_, "top/p[0].a");
  EXPECT_FALSE(ZEL_HierarchyNodeHasWaveform(session_, field, &status_));
  EXPECT_EQ(ZEL_GetWaveformSemantic(session_, Check(ZEL_GetHierarchyWaveform(session_, field, &status_)), &status_),
            7);
  EXPECT_TRUE(Find(root_, "top/p[1].b").empty());
}

TEST_F(HierarchyWaveformTest, CompositeOfStoredFields) {
  zel_type_t bits = ArrayType(c_, 0, 1);
  zel_type_t integer = Check(ZEL_CreateBuiltinType(session_, c_, "int", ZEL_INTEGER, &status_));
  zel_hierarchyNode_t bus = Composite(root_, "d[1:0]", bits);
  zel_waveform_t w0 = Waveform(set_, integer);
  zel_waveform_t w1 = Waveform(set_, integer);
  zel_hierarchyNode_t b0 = Check(ZEL_AddHierarchyScalarSubelWf(session_, bus, 0, w0, &status_));
  ZEL_GetHierarchyWaveform(session_, bus, &status_);
  EXPECT_EQ(status_, ZEL_OK);  // one field suffices for a composite
  ZEL_DeleteHierarchyNode(session_, bus, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(StoredWaveforms(), 1u);  // w0 died with its node, w1 had none
  ZEL_GetHierarchyNodeName(session_, b0, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);

  bus = Composite(root_, "d[1:0]", bits);
  zel_hierarchyNode_t empty = Composite(root_, "e", bits);
  ZEL_GetHierarchyWaveform(session_, empty, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetHierarchyWaveform: Cannot find SourceWaveform");
  Check(ZEL_AddHierarchyScalarSubelWf(session_, bus, 1, w1, &status_));
  zel_waveform_t composite = Check(ZEL_GetHierarchyWaveform(session_, bus, &status_));
  EXPECT_EQ(ZEL_GetWaveformSemantic(session_, composite, &status_), 2);
  ZEL_AddHierarchyScalarSubelWf(session_, bus, 2, w1, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_AddHierarchyScalarSubelWf: Location is out of range.");
}

// A node whose stored waveform a writer is filling cannot be deleted; once
// the writer is gone the deletion goes through.
TEST_F(HierarchyWaveformTest, DeletingANodeWhoseWaveformIsBeingWrittenIsRefused) {
  zel_waveform_t w = Waveform(set_, Real());
  zel_hierarchyNode_t sig = Check(ZEL_AddHierarchyScalarWf(session_, root_, "top/out", ZEL_HDL_SLASH, w, &status_));
  zel_segment_t segment = Segment(set_);
  zel_writer_t writer = Check(ZEL_CreateWriter(session_, segment, 0, ZEL_STORAGE_ANALOG, &status_));
  ZEL_WfDataWriter* data = ZEL_AddWriterWaveform(session_, writer, w, &status_);
  ASSERT_NE(data, nullptr);
  ZEL_InitializeFrontWriting(session_, writer, &status_);
  const double t = 0, v = 1.5;
  ZEL_StartDataFront(session_, writer, &t, &status_);
  ZEL_WfDataWriterEnterValue(data, &v, 0, &status_);
  ZEL_EndDataFront(session_, writer, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();

  ZEL_DeleteHierarchyNode(session_, sig, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_DeleteHierarchyNode: Waveform is in use");
  EXPECT_EQ(StoredWaveforms(), 1u);
  EXPECT_TRUE(ZEL_HierarchyNodeHasWaveform(session_, One(root_, "top/out"), &status_));

  ZEL_TerminateWriting(session_, writer, &status_);
  ZEL_DeleteWriter(session_, writer, &status_);
  ZEL_DeleteHierarchyNode(session_, sig, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(StoredWaveforms(), 0u);
}

TEST_F(HierarchyWaveformTest, TreeToolListsTheHierarchy) {
  zel_waveform_t w = Waveform(set_, Real());
  Check(ZEL_AddHierarchyScalarWf(session_, root_, "top/out", ZEL_HDL_SLASH, w, &status_));
  Group(root_, "top/g");
  Close(c_);
  std::string out;
  FILE* pipe = ::popen((std::string(ZEL_TEST_TOOL) + " tree " + name_ + " tran 2>&1").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  EXPECT_EQ(::pclose(pipe), 0) << out;
  EXPECT_EQ(out,
            "waveform set tran\n"
            "  x: \"time\" [s]\n"
            "  segments 0\n"
            "  / (root)\n"
            "    top (block)\n"
            "      out (scalar)  y: real \"v\" [V]\n"
            "      g (group)\n");
  c_ = Open(ZEL_IOMODE_READ);
}

}  // namespace
}  // namespace zeltest
