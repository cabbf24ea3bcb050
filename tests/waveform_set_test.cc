// Waveform sets through the exported functions: the parameter list with its
// empty entries and the rules once segments exist, containers that must
// match, finding and copying, attributes, and everything read back after
// reopening, also in another process.
#include <cstdlib>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>

#include "model_test_support.h"

namespace {

using zeltest::ObjectOf;

class WaveformSetTest : public zeltest::ModelTest {};

TEST_F(WaveformSetTest, ParameterListWithEmptyEntriesIsFixedOnceSegmentsExist) {
  zel_container_t c = CreateMemory();
  zel_waveformSet_t set = Set(c, "tran", 2);
  EXPECT_EQ(ZEL_GetWaveformSetParameterCount(session_, set, &status_), 2u);
  EXPECT_TRUE(ZEL_IsParameterNull(ZEL_GetWaveformSetParameter(session_, set, 1, &status_)));
  EXPECT_EQ(status_, ZEL_OK);
  ZEL_GetWaveformSetParameter(session_, set, 2, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetWaveformSetParameter: Parameter index out of range.");

  zel_dimensionDescriptor_t temp = Descriptor(c, "temp", "C");
  zel_parameter_t p = Parameter(c, "temp", temp);
  zel_parameter_t q = Parameter(c, "vdd", temp);
  ZEL_SetWaveformSetParameter(session_, set, 1, p, &status_);
  ZEL_SetWaveformSetParameter(session_, set, 7, q, &status_);  // beyond the count: nothing changes
  EXPECT_EQ(status_, ZEL_OK);
  EXPECT_TRUE(ZEL_AreSameParameter(ZEL_GetWaveformSetParameter(session_, set, 1, &status_), p));
  EXPECT_EQ(ZEL_GetWaveformSetParameterCount(session_, set, &status_), 2u);

  const zel_parameter_t list[3] = {q, ZEL_NullParameter, p};
  ZEL_SetWaveformSetParameters(session_, set, 3, list, &status_);
  EXPECT_EQ(ZEL_GetWaveformSetParameterCount(session_, set, &status_), 3u);
  EXPECT_TRUE(ZEL_AreSameParameter(ZEL_GetWaveformSetParameter(session_, set, 0, &status_), q));
  EXPECT_TRUE(ZEL_IsParameterNull(ZEL_GetWaveformSetParameter(session_, set, 1, &status_)));
  ZEL_SetWaveformSetParameters(session_, set, 1, nullptr, &status_);
  EXPECT_EQ(ZEL_GetWaveformSetParameterCount(session_, set, &status_), 1u);

  // Segments store one value identifier per entry: once they exist the
  // count and the non-empty entries stay; empty entries may still be
  // filled. The parameters hold no values here, so the segment is made from
  // value identifiers directly.
  const zel_parameter_t half[2] = {p, ZEL_NullParameter};
  ZEL_SetWaveformSetParameters(session_, set, 2, half, &status_);
  ObjectOf(session_, set)->Create_Segment_p({0, 0});

  ZEL_SetWaveformSetParameter(session_, set, 0, q, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED,
                     "ZEL_SetWaveformSetParameter: The parameters of a waveform set with segments cannot change.");
  ZEL_SetWaveformSetParameter(session_, set, 0, ZEL_NullParameter, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
  ZEL_SetWaveformSetParameters(session_, set, 3, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
  const zel_parameter_t swapped[2] = {q, p};
  ZEL_SetWaveformSetParameters(session_, set, 2, swapped, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
  EXPECT_TRUE(ZEL_AreSameParameter(ZEL_GetWaveformSetParameter(session_, set, 0, &status_), p));

  ZEL_SetWaveformSetParameter(session_, set, 1, q, &status_);  // filling an empty entry
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  const zel_parameter_t same[2] = {p, q};
  ZEL_SetWaveformSetParameters(session_, set, 2, same, &status_);
  EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
}

TEST_F(WaveformSetTest, SettersMarkTheStructureModified) {
  zel_container_t c = CreateDisk();
  zel_waveformSet_t set = Set(c, "tran", 1);
  ZELI_Container* container = ObjectOf(session_, c);
  zel_dimensionDescriptor_t freq = Descriptor(c, "freq", "Hz");
  auto committed = [&] {
    ZEL_CommitContainerStructure(session_, c, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    return !container->IsModified();
  };
  const std::function<void()> setters[] = {
      [&] { ZEL_SetWaveformSetXDescriptor(session_, set, freq, &status_); },
      [&] { ZEL_SetWaveformSetParameters(session_, set, 2, nullptr, &status_); },
      [&] { ZEL_SetWaveformSetParameter(session_, set, 0, ZEL_NullParameter, &status_); },
      [&] { ZEL_SetWaveformSetAttribute(session_, set, "tool", "sim", &status_); },
  };
  for (size_t i = 0; i < std::size(setters); ++i) {
    SCOPED_TRACE(i);
    ASSERT_TRUE(committed());
    setters[i]();
    EXPECT_TRUE(container->IsModified());
  }
  Close(c);
}

TEST_F(WaveformSetTest, ObjectsOfOneCallBelongToOneContainer) {
  zel_container_t a = CreateMemory();
  zel_container_t b = CreateMemory();
  zel_dimensionDescriptor_t xb = Descriptor(b, "time");
  zel_parameter_t pb = Parameter(b, "temp", xb);
  ZEL_CreateWaveformSet(session_, a, "tran", xb, 0, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateWaveformSet: Dimension descriptor belongs to another container");
  zel_dimensionDescriptor_t xa = Descriptor(a, "time");
  ZEL_CreateWaveformSet(session_, a, "tran", xa, 1, &pb, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateWaveformSet: Parameter belongs to another container");
  zel_waveformSet_t set = Set(a, "tran", 1);
  ZEL_SetWaveformSetXDescriptor(session_, set, xb, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_SetWaveformSetParameter(session_, set, 0, pb, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_SetWaveformSetParameters(session_, set, 1, &pb, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  EXPECT_TRUE(ZEL_IsParameterNull(ZEL_GetWaveformSetParameter(session_, set, 0, &status_)));

  // Null out-parameters and names.
  EXPECT_EQ(ZEL_GetAllWaveformSets(session_, a, nullptr, &status_), nullptr);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_SetWaveformSetAttribute(session_, set, nullptr, "v", &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  EXPECT_EQ(ZEL_GetWaveformSetAttributeNames(session_, set, nullptr, &status_), nullptr);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  // A stale handle after close.
  ZEL_CloseContainer(session_, a, &status_);
  ZEL_GetWaveformSetName(session_, set, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
}

TEST_F(WaveformSetTest, FindingByNameAndByValue) {
  zel_container_t c = CreateMemory();
  zel_dimensionDescriptor_t x = Descriptor(c, "time");
  zel_waveformSet_t first = Check(ZEL_CreateWaveformSet(session_, c, "one", x, 1, nullptr, &status_));
  zel_waveformSet_t second = Check(ZEL_CreateWaveformSet(session_, c, "two", x, 1, nullptr, &status_));
  zel_waveformSet_t third = Check(ZEL_CreateWaveformSet(session_, c, "two", x, 0, nullptr, &status_));

  EXPECT_TRUE(ZEL_AreSameWaveformSet(ZEL_FindWaveformSet(session_, c, "one", &status_), first));
  ZEL_FindWaveformSet(session_, c, "two", &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_FindWaveformSet: Multiple waveformSets");
  ZEL_FindWaveformSet(session_, c, "three", &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_NOT_FOUND, "ZEL_FindWaveformSet: WaveformSet not found");

  unsigned count = 0;
  zel_waveformSet_t* all = ZEL_GetAllWaveformSets(session_, c, &count, &status_);
  ASSERT_EQ(count, 3u);
  EXPECT_TRUE(ZEL_AreSameWaveformSet(all[2], third));
  std::free(all);

  // Equal sets (names ignored): the first created is found.
  EXPECT_TRUE(ZEL_AreEqualWaveformSets(session_, first, second, &status_));
  EXPECT_FALSE(ZEL_AreEqualWaveformSets(session_, first, third, &status_));
  EXPECT_TRUE(ZEL_AreSameWaveformSet(ZEL_FindWaveformSetByWaveformSet(session_, c, second, &status_), first));
  zel_container_t other = CreateMemory();
  zel_waveformSet_t lone = Set(other, "x", 5);
  ZEL_FindWaveformSetByWaveformSet(session_, c, lone, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_NOT_FOUND, "ZEL_FindWaveformSetByWaveformSet: WaveformSet not found");
}

// The target holds an equal descriptor and an equal parameter already:
// find-or-copy reuses them and creates only the set, once.
TEST_F(WaveformSetTest, FindOrCopyReusesEqualObjectsOfTheTarget) {
  zel_container_t source = CreateMemory();
  zel_container_t target = CreateMemory();
  const zel_parameter_t sourceParams[2] = {Parameter(source, "temp", Descriptor(source, "t", "C"), {27, 85}),
                                           Parameter(source, "vdd", Descriptor(source, "v", "V"), {1.0})};
  zel_waveformSet_t original = Set(source, "tran", 2, sourceParams);
  ZEL_SetWaveformSetAttribute(session_, original, "tool", "sim", &status_);
  zel_dimensionDescriptor_t existing = Descriptor(target, "time");
  zel_parameter_t existingTemp = Parameter(target, "temp", Descriptor(target, "t", "C"), {27, 85});
  const size_t descriptors = ObjectOf(session_, target)->FindAllDimensionDescriptors().size();

  zel_bool_t created = 0;
  zel_waveformSet_t copy = ZEL_FindOrCopyWaveformSet(session_, target, original, &created, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(created, 1);
  EXPECT_EQ(ObjectOf(session_, target)->FindAllDimensionDescriptors().size(), descriptors + 1);
  EXPECT_TRUE(ZEL_AreSameDimensionDescriptor(ZEL_GetWaveformSetXDescriptor(session_, copy, &status_), existing));
  EXPECT_STREQ(ZEL_GetWaveformSetName(session_, copy, &status_), "tran");
  EXPECT_EQ(ZEL_GetWaveformSetParameterCount(session_, copy, &status_), 2u);
  EXPECT_TRUE(ZEL_AreSameParameter(ZEL_GetWaveformSetParameter(session_, copy, 0, &status_), existingTemp));
  // vdd (and its descriptor) had no equal in the target: copied, values too.
  zel_parameter_t vdd = ZEL_GetWaveformSetParameter(session_, copy, 1, &status_);
  EXPECT_EQ(ZEL_GetParameterValueCount(session_, vdd, &status_), 1u);
  EXPECT_EQ(ObjectOf(session_, target)->FindAllParameters().size(), 2u);
  EXPECT_EQ(ZEL_GetWaveformSetAttribute(session_, copy, "tool", &status_), nullptr);  // not copied
  EXPECT_NE(ObjectOf(session_, copy)->Get_HierarchyRoot_p(), nullptr);

  zel_waveformSet_t again = ZEL_FindOrCopyWaveformSet(session_, target, original, &created, &status_);
  EXPECT_EQ(created, 0);
  EXPECT_TRUE(ZEL_AreSameWaveformSet(again, copy));
  zel_waveformSet_t forced = ZEL_CopyWaveformSet(session_, target, original, &status_);
  EXPECT_FALSE(ZEL_AreSameWaveformSet(forced, copy));
  unsigned count = 0;
  std::free(ZEL_GetAllWaveformSets(session_, target, &count, &status_));
  EXPECT_EQ(count, 2u);
}

// Everything stored with a set (a replaced X descriptor too) comes back
// after reopening, in this process and in another one.
TEST_F(WaveformSetTest, ReadBackAfterReopenAlsoInAnotherProcess) {
  zel_container_t c = CreateDisk();
  zel_waveformSet_t set = Set(c, "tran", 2);
  Set(c, "ac", 0);
  ZEL_SetWaveformSetAttribute(session_, set, "tool", "sim", &status_);
  ZEL_SetWaveformSetAttribute(session_, set, "empty", nullptr, &status_);
  ZEL_SetWaveformSetXDescriptor(session_, set, Descriptor(c, "freq", "Hz"), &status_);
  // Entries still empty: the segment is made from value identifiers.
  ObjectOf(session_, set)->Create_Segment_p({7, 9});
  Close(c);

  auto verify = [this](zel_session_t s) {
    zel_status_t st;
    zel_container_t r = ZEL_OpenContainer(s, name_.c_str(), ZEL_IOMODE_READ, &st);
    if (st != ZEL_OK) return 1;
    zel_waveformSet_t tran = ZEL_FindWaveformSet(s, r, "tran", &st);
    unsigned count = 0;
    std::free(ZEL_GetAllWaveformSets(s, r, &count, &st));
    const char* tool = ZEL_GetWaveformSetAttribute(s, tran, "tool", &st);
    const char* empty = ZEL_GetWaveformSetAttribute(s, tran, "empty", &st);
    zel_dimensionDescriptor_t x = ZEL_GetWaveformSetXDescriptor(s, tran, &st);
    bool good = count == 2 && tool != nullptr && std::string(tool) == "sim" && empty != nullptr &&
                std::string(empty).empty() && ZEL_GetWaveformSetParameterCount(s, tran, &st) == 2 &&
                ZEL_IsParameterNull(ZEL_GetWaveformSetParameter(s, tran, 1, &st)) &&
                ZEL_GetSegmentCount(s, tran, &st) == 1 &&
                ObjectOf(s, ZEL_GetSegment(s, tran, 0, &st))->Get_ParIds() == std::vector<unsigned>{7, 9} &&
                ZELC_Interface::TheInterface().ConvertSessionHandle(s)->Object(x)->Get_Name() == "freq";
    ZEL_CloseContainer(s, r, &st);
    return good && st == ZEL_OK ? 0 : 2;
  };
  EXPECT_EQ(verify(session_), 0);
  EXPECT_EQ(zeltest::RunInChild([&] {
              zel_status_t st;
              zel_session_t s = ZEL_InitSession(&st);
              const int result = verify(s);
              ZEL_TermSession(s, &st);
              return result;
            }),
            0);
}

}  // namespace

// Values from bad variables at the boundary: negative enumeration values
// (every int is a value of the interface's enumerations) and a huge count
// with a null array are refused before anything is converted or allocated.
TEST_F(WaveformSetTest, NegativeEnumerationsAndHugeCountsAreRefused) {
  zel_container_t c = CreateDisk();
  ZEL_CreateBuiltinType(session_, c, "t", static_cast<zel_dataType_t>(-1), &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateBuiltinType: Not a builtin datatype.");
  ZEL_OpenContainer(session_, name_.c_str(), static_cast<zel_iomode_t>(-3), &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG) << ZEL_GetError();
  ZEL_CreateWaveformSet(session_, c, "s", Descriptor(c, "t"), 0xFFFFFFFFu, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateWaveformSet: Too many parameters (at most 65535).");
  zel_waveformSet_t set = Set(c, "tran");
  zel_waveform_t w = Check(ZEL_CreateWaveform(session_, set, 0, Descriptor(c, "v"), &status_));
  zel_writer_t writer = ZEL_CreateWriter(session_, Segment(set), 0, static_cast<zel_storageMode_t>(-1), &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG) << ZEL_GetError();
  writer = Check(ZEL_CreateWriter(session_, ZEL_GetSegment(session_, set, 0, &status_), 0, ZEL_STORAGE_ANALOG, &status_));
  ZEL_WfDataWriter* data = Check(ZEL_AddWriterWaveform(session_, writer, w, &status_));
  ZEL_WfDataWriterSetInterpolationType(data, static_cast<zel_interpolation_t>(-2), &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG) << ZEL_GetError();
}
