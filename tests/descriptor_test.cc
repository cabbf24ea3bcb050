// Dimension descriptors through the exported functions: what is stored,
// finds, the find-by-object and copy families across containers, attributes,
// and a stored record whose type key names no type.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

class DescriptorTest : public zeltest::SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    container_ = Create(ZEL_MODE_DISK, name_);
    real_ = ZEL_CreateBuiltinType(session_, container_, "real", ZEL_REAL, &status_);
  }
  zel_container_t Create(zel_mode_t mode, const std::string& name) {
    zel_container_t c = ZEL_CreateContainer(session_, name.c_str(), mode, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    return c;
  }
  zel_dimensionDescriptor_t Descriptor(zel_container_t c, const char* name, const char* unit, zel_type_t type) {
    zel_dimensionDescriptor_t d = ZEL_CreateDimensionDescriptor(session_, c, name, unit, type, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    return d;
  }
  zel_container_t Reopen(zel_container_t c) {
    ZEL_CloseContainer(session_, c, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    c = ZEL_OpenContainer(session_, name_.c_str(), ZEL_IOMODE_WRITE, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    return c;
  }

  zeltest::TempDir dir_;
  std::string name_ = dir_ / "axes";
  zel_container_t container_{-1};
  zel_type_t real_{-1};
};

// Names, units and types come back after reopening, also a rename after a
// commit (the close writes it) and a descriptor without name and type.
// Attributes are not stored (the parameter tests see that too).
TEST_F(DescriptorTest, NamesUnitsTypesAndARenameAreStored) {
  zel_dimensionDescriptor_t time = Descriptor(container_, "time", "s", real_);
  Descriptor(container_, nullptr, nullptr, ZEL_NullType);
  ZEL_CommitContainerStructure(session_, container_, &status_);
  ZEL_SetDimensionDescriptorName(session_, time, "t", &status_);
  ASSERT_EQ(status_, ZEL_OK);
  zel_container_t c = Reopen(container_);
  unsigned count = 0;
  zel_dimensionDescriptor_t* all = ZEL_GetAllDimensionDescriptors(session_, c, &count, &status_);
  ASSERT_EQ(count, 2u);
  EXPECT_STREQ(ZEL_GetDimensionDescriptorName(session_, all[0], &status_), "t");
  EXPECT_STREQ(ZEL_GetDimensionDescriptorUnit(session_, all[0], &status_), "s");
  EXPECT_FALSE(ZEL_IsTypeNull(ZEL_GetDimensionDescriptorType(session_, all[0], &status_)));
  EXPECT_STREQ(ZEL_GetDimensionDescriptorName(session_, all[1], &status_), "");
  EXPECT_TRUE(ZEL_IsTypeNull(ZEL_GetDimensionDescriptorType(session_, all[1], &status_)));
  ZEL_SetDimensionDescriptorName(session_, all[0], nullptr, &status_);
  EXPECT_STREQ(ZEL_GetDimensionDescriptorName(session_, all[0], &status_), "");
  std::free(all);
  ZEL_CloseContainer(session_, c, &status_);
}

TEST_F(DescriptorTest, FindsByNameUnitAndTheTypeObjectItself) {
  zel_type_t equalReal = ZEL_CreateBuiltinType(session_, container_, "real", ZEL_REAL, &status_);
  zel_dimensionDescriptor_t a = Descriptor(container_, "v", "V", real_);
  Descriptor(container_, "v", "mV", real_);
  zel_dimensionDescriptor_t c = Descriptor(container_, "v", "V", real_);
  unsigned count = 0;
  zel_dimensionDescriptor_t* found = ZEL_FindDimensionDescriptors(session_, container_, "v", "V", real_, &count,
                                                                  &status_);
  ASSERT_EQ(count, 2u);
  EXPECT_TRUE(ZEL_AreSameDimensionDescriptor(found[0], a));
  EXPECT_TRUE(ZEL_AreSameDimensionDescriptor(found[1], c));
  std::free(found);
  // An equal but distinct type object finds nothing.
  EXPECT_EQ(ZEL_FindDimensionDescriptors(session_, container_, "v", "V", equalReal, &count, &status_), nullptr);
  EXPECT_EQ(count, 0u);
  std::free(ZEL_GetAllDimensionDescriptors(session_, container_, &count, &status_));
  EXPECT_EQ(count, 3u);

  zel_container_t other = Create(ZEL_MODE_MEMORY, dir_ / "other");
  zel_type_t otherReal = ZEL_CreateBuiltinType(session_, other, "real", ZEL_REAL, &status_);
  ZEL_FindDimensionDescriptors(session_, container_, "v", "V", otherReal, &count, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_FindDimensionDescriptors: Type belongs to another container");
  ZEL_FindDimensionDescriptors(session_, container_, "v", "V", real_, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_FindDimensionDescriptors: count is null");
}

TEST_F(DescriptorTest, FindAndCopyFamiliesAcrossContainers) {
  zel_dimensionDescriptor_t d = Descriptor(container_, "freq", "Hz", real_);
  ZEL_SetDimensionDescriptorAttribute(session_, d, "scale", "log", &status_);
  zel_container_t other = Create(ZEL_MODE_MEMORY, dir_ / "other");
  ZEL_FindDimensionDescriptorByDescriptor(session_, other, d, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_NOT_FOUND,
                     "ZEL_FindDimensionDescriptorByDescriptor: Dimension descriptor not found");
  zel_bool_t created = 7;
  zel_dimensionDescriptor_t copy = ZEL_FindOrCopyDimensionDescriptor(session_, other, d, &created, &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  EXPECT_EQ(created, 1);
  EXPECT_STREQ(ZEL_GetDimensionDescriptorAttribute(session_, copy, "scale", &status_), "log");
  EXPECT_TRUE(ZEL_AreEqualDimensionDescriptors(session_, d, copy, &status_));
  // The type was found or copied into the other container.
  unsigned count = 0;
  zel_type_t* types = ZEL_FindTypes(session_, other, "real", &count, &status_);
  ASSERT_EQ(count, 1u);
  EXPECT_TRUE(ZEL_AreSameType(ZEL_GetDimensionDescriptorType(session_, copy, &status_), types[0]));
  std::free(types);
  EXPECT_TRUE(ZEL_AreSameDimensionDescriptor(ZEL_FindOrCopyDimensionDescriptor(session_, other, d, nullptr, &status_),
                                             copy));
  EXPECT_TRUE(
      ZEL_AreSameDimensionDescriptor(ZEL_FindDimensionDescriptorByDescriptor(session_, other, d, &status_), copy));
  zel_dimensionDescriptor_t second = ZEL_CopyDimensionDescriptor(session_, other, d, &status_);
  EXPECT_FALSE(ZEL_AreSameDimensionDescriptor(second, copy));

  // Attributes take part in equality.
  ZEL_SetDimensionDescriptorAttribute(session_, second, "scale", "lin", &status_);
  EXPECT_FALSE(ZEL_AreEqualDimensionDescriptors(session_, d, second, &status_));
  ZEL_SetDimensionDescriptorAttribute(session_, second, "scale", "log", &status_);
  ZEL_SetDimensionDescriptorAttribute(session_, second, "extra", nullptr, &status_);
  EXPECT_FALSE(ZEL_AreEqualDimensionDescriptors(session_, d, second, &status_));
  const char** names = ZEL_GetDimensionDescriptorAttributeNames(session_, second, &count, &status_);
  ASSERT_EQ(count, 2u);
  std::vector<std::string> sorted(names, names + count);
  std::free(names);
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<std::string>{"extra", "scale"}));
  EXPECT_STREQ(ZEL_GetDimensionDescriptorAttribute(session_, second, "extra", &status_), "");
  EXPECT_EQ(ZEL_GetDimensionDescriptorAttribute(session_, second, "missing", &status_), nullptr);
  ZEL_SetDimensionDescriptorAttribute(session_, second, nullptr, "x", &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_SetDimensionDescriptorAttribute: name is null");
}

TEST_F(DescriptorTest, AStoredTypeKeyThatNamesNoTypeIsRefused) {
  Descriptor(container_, "MARKER", "u", real_);
  ZEL_CloseContainer(session_, container_, &status_);
  const std::string path = dir_ / "axes_zel/version_0/structure.data";
  std::vector<unsigned char> bytes = zeltest::ReadFileBytes(path);
  const std::string marker = "MARKER";
  auto at = std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end());
  ASSERT_NE(at, bytes.end());
  // After the name's NUL: the unit ("u": length, character, NUL), then the
  // type key, which becomes the descriptor's own key.
  const size_t typeKey = static_cast<size_t>(at - bytes.begin()) + marker.size() + 1 + 4 + 2;
  int ownKey = 0;
  std::memcpy(&ownKey, &bytes[typeKey + 4], 4);
  std::memcpy(&bytes[typeKey], &ownKey, 4);
  zeltest::WriteFileBytes(path, bytes);
  ZEL_OpenContainer(session_, name_.c_str(), ZEL_IOMODE_READ, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_OpenContainer: ZELI_DimensionDescriptor::Read: type");
}

}  // namespace
