// Bit sets and key maps: key reuse, validation, and the stored form with
// everything a corrupted file can do to it.
#include <string>
#include <vector>

#include "store/bitset.h"
#include "store/keymap.h"
#include "store/objects.h"
#include "test_support.h"

namespace {

struct Thing : ZELI_ExternalBase {};
struct OtherThing : ZELI_ExternalBase {};

// The bytes of a stream of 4-byte little-endian ints.
std::vector<unsigned char> Ints(std::initializer_list<int> values) {
  std::vector<unsigned char> bytes;
  for (int v : values) {
    const unsigned u = static_cast<unsigned>(v);
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(u >> (8 * i)));
  }
  return bytes;
}

using zeltest::MessageOf;

class KeyMapStored : public ::testing::Test {
 protected:
  // Writes bytes to a file and reads a map from it.
  void ReadFrom(const std::vector<unsigned char>& bytes, ZELI_KeyMap<ZELI_ExternalBase>& map) {
    zeltest::WriteFileBytes(path_, bytes);
    ZELI_Istream in(path_.c_str());
    map.Read(in);
  }
  zeltest::TempDir dir_;
  std::string path_ = dir_ / "map";
};

}  // namespace

TEST(Bitset, BitsAndRangesAcrossWordsWithRangeErrors) {
  ZELI_Bitset bits(100);
  bits.SetRange(30, 70);
  bits.Set(99);
  EXPECT_EQ(bits.Count(), 41u);
  EXPECT_FALSE(bits.Test(29));
  EXPECT_TRUE(bits.Test(30));
  EXPECT_TRUE(bits.Test(69));
  EXPECT_FALSE(bits.Test(70));
  EXPECT_FALSE(bits.AnyInRange(0, 30));
  EXPECT_FALSE(bits.AnyInRange(70, 99));
  EXPECT_TRUE(bits.AnyInRange(69, 70));
  EXPECT_TRUE(bits.AnyInRange(0, 31));
  EXPECT_TRUE(bits.AnyInRange(99, 100));
  EXPECT_FALSE(bits.AnyInRange(50, 50));
  bits.Reset(99);
  EXPECT_FALSE(bits.Test(99));
  EXPECT_EQ(MessageOf<ZELI_BadArgException>([&] { bits.Set(100); }), "ZELI_Bitset::Set pos out of range");
  EXPECT_THROW(bits.Test(100), ZELI_BadArgException);
  EXPECT_THROW(bits.Reset(200), ZELI_BadArgException);
  EXPECT_THROW(bits.SetRange(90, 101), ZELI_BadArgException);
  EXPECT_THROW(bits.AnyInRange(10, 5), ZELI_BadArgException);
  // Shrinking clears the bits it cuts off, so growing does not bring them back.
  bits.Resize(34);
  bits.Resize(100);
  EXPECT_EQ(bits.Count(), 4u);
  EXPECT_FALSE(bits.Test(35));
}

TEST(KeyMap, FreedKeysAreBadHandlesUntilReusedMostRecentFirstAndLiveKeysIterateInOrder) {
  ZELI_KeyMap<Thing> map;
  Thing things[6];
  for (Thing& t : things) map.Insert(&t);
  map.Erase(1);
  map.Erase(3);
  std::vector<int> keys;
  for (int key : map) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<int>{0, 2, 4, 5}));
  for (int key : {1, 3, -1, 6, 1000}) {
    EXPECT_EQ(MessageOf<ZELI_BadHandleException>([&] { (void)map[key]; }), "Bad handle: wrong handle (deleted?)")
        << key;
  }
  EXPECT_THROW(map.Erase(3), ZELI_BadHandleException);
  EXPECT_EQ(map.Insert(&things[3]), 3);
  EXPECT_EQ(map.Insert(&things[1]), 1);
  EXPECT_EQ(map[1], &things[1]);
  EXPECT_EQ(map.Get_Count(), 6u);
}

// The growth steps decide the stored capacity of every key map.
TEST(KeyMap, CapacityDoublesTo128ThenGrowsBy128) {
  ZELI_KeyMap<Thing> map(1);
  Thing t;
  std::vector<unsigned> seen{map.Get_Capacity()};
  for (int i = 0; i < 512; ++i) {
    map.Insert(&t);
    if (map.Get_Capacity() != seen.back()) seen.push_back(map.Get_Capacity());
  }
  EXPECT_EQ(seen, (std::vector<unsigned>{1, 2, 4, 8, 16, 32, 64, 128, 256, 384, 512}));
}

TEST_F(KeyMapStored, WritesSlotsFreeChainAndLiveCountAndReadsThemBack) {
  ZELI_KeyMap<ZELI_ExternalBase> map;
  Thing t;
  for (int i = 0; i < 5; ++i) map.Insert(&t);
  map.Erase(3);
  map.Erase(1);
  {
    ZELI_Ostream out(path_.c_str(), 1);
    out << map;
    out.Close();
  }
  EXPECT_EQ(zeltest::ReadFileBytes(path_), Ints({5, 1, 3, -1, 3}));

  ZELI_KeyMap<ZELI_ExternalBase> back;
  ReadFrom(Ints({5, 1, 3, -1, 3}), back);
  EXPECT_EQ(back.Get_SlotCount(), 5u);
  EXPECT_EQ(back.Get_FreeHead(), 1);
  Thing objects[3];
  back.Insert(0, &objects[0]);
  back.Insert(2, &objects[1]);
  back.Insert(4, &objects[2]);
  back.VerifyLoaded();
  EXPECT_EQ(back.Get_Count(), 3u);
  // New objects take the stored free keys, most recently freed first.
  Thing extra;
  EXPECT_EQ(back.Insert(&extra), 1);
  EXPECT_EQ(back.Insert(&extra), 3);
  EXPECT_EQ(back.Insert(&extra), 5);
}

TEST_F(KeyMapStored, RejectsCorruptedShapes) {
  const std::vector<std::vector<unsigned char>> bad = {
      Ints({5, 7, -1, 4}),                 // head outside the slots
      Ints({5, 1, 3, 1, 3}),               // chain loops 1 -> 3 -> 1
      Ints({5, 1, 9, -1, 3}),              // link outside the slots
      Ints({5, 1, 3, -1, 4}),              // live count != slots - free
      Ints({-2, -1, 0}),                   // negative slot count
      Ints({0x7fffffff, -1, 0x7fffffff}),  // more slots than the file holds
      Ints({5, 1}),                        // truncated
  };
  for (size_t i = 0; i < bad.size(); ++i) {
    ZELI_KeyMap<ZELI_ExternalBase> map;
    EXPECT_THROW(ReadFrom(bad[i], map), ZELI_FailedException) << "case " << i;
  }
}

TEST_F(KeyMapStored, InsertRefusesLiveFreeAndOutOfRangeKeys) {
  ZELI_KeyMap<ZELI_ExternalBase> map;
  ReadFrom(Ints({3, 1, -1, 2}), map);
  Thing t;
  map.Insert(0, &t);
  for (int key : {0, 1, 3, -1}) {
    EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { map.Insert(key, &t); }), "ZELI_KeyMap< T >::Insert(key,T*) failed")
        << key;
  }
  EXPECT_THROW(map.VerifyLoaded(), ZELI_FailedException);  // key 2 never placed
}

TEST_F(KeyMapStored, ReadPtrResolvesTypedReferences) {
  ZELI_KeyMap<ZELI_ExternalBase> map;
  Thing thing;
  OtherThing other;
  map.Insert(&thing);
  map.Insert(&other);
  zeltest::WriteFileBytes(path_, Ints({0, -1, 1, 7}));
  ZELI_Istream in(path_.c_str());
  Thing* out = nullptr;
  EXPECT_EQ(map.ReadPtr(in, out, "thing"), &thing);
  EXPECT_EQ(map.ReadPtr(in, out, "thing"), nullptr);
  // A damaged file: an object of another class names the field; a key
  // where nothing was placed fails as the validating look-up does.
  EXPECT_EQ(MessageOf<ZELI_FailedException>([&] { map.ReadPtr(in, out, "Thing::Read: other"); }),
            "Thing::Read: other");
  EXPECT_EQ(MessageOf<ZELI_BadHandleException>([&] { map.ReadPtr(in, out, "Thing::Read: unplaced"); }),
            "Bad handle: wrong handle (deleted?)");
}
