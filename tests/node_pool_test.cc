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

TEST(NodePool, FreedNodesAreReusedAndOtherSizesBypassThePool) {
  ZELI_NodePool pool;
  ZELI_PoolAllocator<std::pair<int, double>> nodes(&pool);
  std::set<void*> handedOut;
  std::pair<int, double>* first[40];
  for (auto*& node : first) handedOut.insert(node = nodes.allocate(1));
  EXPECT_EQ(handedOut.size(), 40u);
  for (auto* node : first) nodes.deallocate(node, 1);
  // The same 40 slots again, none new.
  for (int i = 0; i < 40; ++i) {
    std::pair<int, double>* node = nodes.allocate(1);
    EXPECT_EQ(handedOut.count(node), 1u);
    first[i] = node;
  }
  // Arrays and objects of another size come from operator new and go back
  // there (the sanitizer build checks the pairing).
  std::pair<int, double>* array = nodes.allocate(3);
  nodes.deallocate(array, 3);
  struct Larger {
    double values[8];
  };
  ZELI_PoolAllocator<Larger> other(nodes);
  Larger* big = other.allocate(1);
  EXPECT_EQ(handedOut.count(big), 0u);
  other.deallocate(big, 1);
  EXPECT_TRUE(other == nodes);
}

TEST(NodePool, TheLastFreeGivesTheBlocksBackButWhatItKeeps) {
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
  for (void* object : objects) pool.Free(object, 64);
}

}  // namespace
}  // namespace zeltest
