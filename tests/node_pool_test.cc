// Tests of the node pools (the segment's waveform locator, the small-object
// pools of nodes, waveforms and data informations): a map using one holds
// what a plain map holds through random inserts and erases, freed slots are
// reused, objects of another size bypass the pool, and a pool whose last
// object goes gives its blocks back but for those it keeps, then reuses.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "store/node_pool.h"

namespace zeltest {
namespace {

using PooledMap = std::map<int, double, std::less<int>, ZELI_PoolAllocator<std::pair<const int, double>>>;

TEST(NodePool, MapHoldsWhatAPlainMapHolds) {
  ZELI_NodePool pool;
  PooledMap pooled{PooledMap::allocator_type(&pool)};
  std::map<int, double> plain;
  std::mt19937 random(7);
  for (int step = 0; step < 20000; ++step) {
    const int key = static_cast<int>(random() % 3000);
    if (random() % 3 == 0) {
      EXPECT_EQ(pooled.erase(key), plain.erase(key));
    } else {
      pooled.emplace(key, key * 0.5);
      plain.emplace(key, key * 0.5);
    }
  }
  ASSERT_EQ(pooled.size(), plain.size());
  EXPECT_TRUE(std::equal(pooled.begin(), pooled.end(), plain.begin()));
  // A moved map keeps the nodes (and the pool).
  PooledMap moved(std::move(pooled));
  EXPECT_TRUE(std::equal(moved.begin(), moved.end(), plain.begin()));
}

TEST(NodePool, FreedSlotsAreReusedAndTheLastFreeGivesBackWhatIsNotKept) {
  ZELI_NodePool pool(64, size_t{1} << 20);
  std::vector<void*> objects;
  for (int i = 0; i < 100000; ++i) objects.push_back(pool.Allocate(64));
  const size_t grown = pool.Get_BlockCount();
  EXPECT_EQ(std::set<void*>(objects.begin(), objects.end()).size(), objects.size());
  for (void* object : objects) pool.Free(object, 64);
  EXPECT_EQ(pool.Get_LiveCount(), 0u);
  // 32, 64, ... slots of 64 bytes: ten blocks make 1022 KiB.
  EXPECT_EQ(pool.Get_BlockCount(), 10u);
  EXPECT_LT(pool.Get_BlockCount(), grown);
  // What the kept blocks hold comes without a new block, each slot once.
  objects.clear();
  for (int i = 0; i < (1 << 14) - 32; ++i) objects.push_back(pool.Allocate(64));
  EXPECT_EQ(pool.Get_BlockCount(), 10u);
  EXPECT_EQ(std::set<void*>(objects.begin(), objects.end()).size(), objects.size());
  objects.push_back(pool.Allocate(64));
  EXPECT_EQ(pool.Get_BlockCount(), 11u);
  // Another size comes from operator new and goes back there (the
  // sanitizer build checks the pairing), leaving the pool as it was.
  void* other = pool.Allocate(72);
  EXPECT_EQ(std::set<void*>(objects.begin(), objects.end()).count(other), 0u);
  pool.Free(other, 72);
  EXPECT_EQ(pool.Get_LiveCount(), objects.size());
  for (void* object : objects) pool.Free(object, 64);
}

}  // namespace
}  // namespace zeltest
