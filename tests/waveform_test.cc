// Tests: source waveforms (refused arguments, attributes, references, the
// stored record across processes) and the waveform map of a set.
#include <cstdlib>

#include "model_test_support.h"
#include "waveforms/waveform.h"

namespace zeltest {
namespace {

class WaveformTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    c_ = CreateDisk();
    set_ = Set(c_, "tran");
    y_ = Descriptor(c_, "v", "V");
  }
  zel_waveform_t Wave(zel_semantic_t semantic = 3) {
    return Check(ZEL_CreateWaveform(session_, set_, semantic, y_, &status_));
  }
  zel_container_t c_{};
  zel_waveformSet_t set_{};
  zel_dimensionDescriptor_t y_{};
};

// A descriptor or segment of another container (or another set's segment)
// is refused before anything could refer to it, and so is a Y descriptor
// whose type is an equal but distinct object.
TEST_F(WaveformTest, RefusedArgumentsChangeNothing) {
  zel_container_t other = CreateMemory();
  zel_dimensionDescriptor_t foreign = Descriptor(other, "v", "V");
  ZEL_CreateWaveform(session_, set_, 0, foreign, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateWaveform: Dimension descriptor belongs to another container");
  zel_waveform_t w = Wave();
  ZEL_SetWaveformYDescriptor(session_, w, foreign, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG,
                     "ZEL_SetWaveformYDescriptor: Dimension descriptor belongs to another container");
  ZEL_SetWaveformYDescriptor(session_, w, Descriptor(c_, "i", "A"), &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG,
                     "ZEL_SetWaveformYDescriptor: The old and new Y dimensionDescriptor types do not match");
  EXPECT_TRUE(ZEL_AreSameDimensionDescriptor(ZEL_GetWaveformYDescriptor(session_, w, &status_), y_));
  ZEL_GetWaveformAttributeNames(session_, w, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_SetWaveformAttribute(session_, w, nullptr, "x", &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);

  ZEL_ExistWfSegment(session_, Segment(Set(other, "tran")), w, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_ExistWfSegment: Segment belongs to another container");
  ZEL_ExistWfSegment(session_, Segment(Set(c_, "ac")), w, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG,
                     "ZEL_ExistWfSegment: The waveform and the segment belong to different waveform sets.");
  // A segment of its own set that holds no data for it.
  zel_segment_t s = Segment(set_);
  EXPECT_EQ(ZEL_ExistWfSegment(session_, s, w, &status_), 0);
  EXPECT_EQ(status_, ZEL_OK);
  try {
    ObjectOf(session_, w)->Get_PointCount(*ObjectOf(session_, s));
    ADD_FAILURE();
  } catch (const ZELI_NotFoundException& e) {
    EXPECT_STREQ(e.what(), "The waveform has no data");
  }
  Close(other);
  Close(c_);
}

TEST_F(WaveformTest, ReferencesAreCountedOnceAndAWaveformJoinsOneSetOnce) {
  ZELI_Waveform* w = ObjectOf(session_, Wave());
  EXPECT_THROW(ObjectOf(session_, set_)->Add_Waveform_p(w->Get_SourceWaveform_p()), ZELI_FailedException);
  auto* node = reinterpret_cast<ZELI_HierarchyNode*>(0x10);
  w->InsertReference(node);
  EXPECT_EQ(w->Get_ReferenceCount(), 1u);
  EXPECT_THROW(w->InsertReference(node), ZELI_FailedException);
  EXPECT_THROW(w->CheckMayDestroy(), ZELI_FailedException);
  w->EraseReference(node);
  EXPECT_THROW(w->EraseReference(node), ZELI_FailedException);
  EXPECT_NO_THROW(w->CheckMayDestroy());
  Close(c_);
}

TEST_F(WaveformTest, StoredWaveformsReadBackInAnotherProcess) {
  zel_waveform_t a = Wave(200);
  unsigned count = 9;
  EXPECT_EQ(ZEL_GetWaveformAttributeNames(session_, a, &count, &status_), nullptr);
  EXPECT_EQ(count, 0u);
  ZEL_SetWaveformAttribute(session_, a, "k", "v", &status_);
  EXPECT_STREQ(ZEL_GetWaveformAttribute(session_, a, "k", &status_), "v");
  EXPECT_EQ(ZEL_GetWaveformAttribute(session_, a, "none", &status_), nullptr);
  const char** names = ZEL_GetWaveformAttributeNames(session_, a, &count, &status_);
  ASSERT_EQ(count, 1u);
  EXPECT_STREQ(names[0], "k");
  std::free(names);
  EXPECT_EQ(ObjectOf(session_, Wave(1))->Get_SourceWaveform_p()->Get_KeyInSet(), 1);
  // A deleted waveform leaves a free key in set behind.
  zel_waveform_t gone = Wave(2);
  ObjectOf(session_, set_)->Delete_Waveform_p(ObjectOf(session_, gone)->Get_SourceWaveform_p());
  Close(c_);
  EXPECT_EQ(RunInChild([&] {
              zel_status_t st;
              zel_session_t s = ZEL_InitSession(&st);
              zel_container_t c = ZEL_OpenContainer(s, name_.c_str(), ZEL_IOMODE_READ, &st);
              if (st != ZEL_OK) return 1;
              ZELI_WaveformSet* set = ObjectOf(s, ZEL_FindWaveformSet(s, c, "tran", &st));
              if (set->Get_WaveformMap().Get_Count() != 2) return 2;
              ZELI_SourceWaveform* first = set->Get_WaveformMap()[0];
              if (first->Get_Semantic() != 200 || first->Get_KeyInSet() != 0) return 3;
              if (std::string(first->Get_Attribute("k")) != "v") return 4;
              if (first->Get_YDescriptor_p() == nullptr) return 5;
              ZEL_CloseContainer(s, c, &st);
              ZEL_TermSession(s, &st);
              return st == ZEL_OK ? 0 : 6;
            }),
            0);
}

}  // namespace
}  // namespace zeltest
