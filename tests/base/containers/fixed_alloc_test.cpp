// Tests of the fixed-size pools: slot reuse, chunk creation and release,
// chunk ordering, alignment, foreign pointers and the registries.
#include "containers/fixed_alloc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <thread>
#include <vector>

namespace {

using FixedAlloc::PoolManager;
using FixedAlloc::PoolManagerRegistry;

TEST(PoolManagerTest, ChunkLayoutFollowsTheArguments) {
  PoolManager pool(16, 32, 32); // 1024 / 256 = 4 slots per block
  EXPECT_EQ(4, pool.getItemsPerBlock());
  EXPECT_EQ(64, pool.getBlocksPerChunk());
  EXPECT_TRUE(pool.getChunks().empty());

  std::vector<void *> slots;
  for (int i = 0; i < 256; ++i)
    slots.push_back(pool.alloc());
  ASSERT_EQ(1u, pool.getChunks().size());
  EXPECT_EQ(256, pool.getChunks()[0].Slots);
  EXPECT_EQ(256, pool.getChunks()[0].Used);
  std::set<void *> distinct(slots.begin(), slots.end());
  EXPECT_EQ(256u, distinct.size());

  // The 257th slot comes from a second chunk at the front.
  void *next = pool.alloc();
  auto chunks = pool.getChunks();
  ASSERT_EQ(2u, chunks.size());
  EXPECT_EQ(1, chunks[0].Used);
  EXPECT_EQ(next, chunks[0].ItemArea);
  for (void *p : slots)
    pool.free(p);
  pool.free(next);
}

TEST(PoolManagerTest, FewerThanOneItemPerBlockBecomesOne) {
  PoolManager pool(8, 10, 10);
  EXPECT_EQ(1, pool.getItemsPerBlock());
  void *p = pool.alloc();
  EXPECT_NE(nullptr, p);
  pool.free(p);
}

TEST(PoolManagerTest, FreedSlotsAreReusedAndEmptyChunksReleased) {
  PoolManager pool(16, 32, 32);
  std::vector<void *> first;
  for (int i = 0; i < 256; ++i)
    first.push_back(pool.alloc());
  void *second = pool.alloc(); // second chunk, now at the front
  const void *firstArea = pool.getChunks()[1].ItemArea;

  // The emptied older chunk leaves the list (kept as a spare).
  for (void *p : first)
    pool.free(p);
  auto chunks = pool.getChunks();
  ASSERT_EQ(1u, chunks.size());
  EXPECT_NE(firstArea, chunks[0].ItemArea);
  EXPECT_GT(pool.getSpareBytes(), 0u);

  // The front chunk is kept when it empties, so that a pool that allocates
  // and frees one object at a time does not map a chunk every time.
  pool.free(second);
  ASSERT_EQ(1u, pool.getChunks().size());
  EXPECT_EQ(0, pool.getChunks()[0].Used);
  void *again = pool.alloc();
  EXPECT_EQ(second, again);
  pool.free(again);
  pool.free_all();
  EXPECT_TRUE(pool.getChunks().empty());
}

TEST(PoolManagerTest, EmptiedChunksAreKeptAsSparesAndReused) {
  PoolManager pool(16, 32, 32); // 256 slots per chunk
  std::vector<void *> first;
  for (int i = 0; i < 256; ++i)
    first.push_back(pool.alloc());
  void *second = pool.alloc();
  const void *firstArea = pool.getChunks()[1].ItemArea;
  for (void *p : first)
    pool.free(p);
  size_t spare = pool.getSpareBytes();
  EXPECT_GE(spare, 256u * 16u);

  // A stale pointer into the spare is not a slot of the pool.
  pool.free(first[5]);
  EXPECT_EQ(spare, pool.getSpareBytes());
  EXPECT_EQ(1, pool.getChunks()[0].Used);

  // The next chunk the pool needs is the spare, made as good as new: its
  // slots come out in order from the first one.
  std::vector<void *> more;
  for (int i = 0; i < 255; ++i)
    more.push_back(pool.alloc()); // fills the front chunk
  void *fromSpare = pool.alloc();
  EXPECT_EQ(firstArea, fromSpare);
  EXPECT_EQ(0u, pool.getSpareBytes());
  auto chunks = pool.getChunks();
  ASSERT_EQ(2u, chunks.size());
  EXPECT_EQ(firstArea, chunks[0].ItemArea);
  EXPECT_EQ(1, chunks[0].Used);
  EXPECT_EQ(static_cast<const char *>(firstArea) + 16, pool.alloc());

  pool.free_all();
  EXPECT_TRUE(pool.getChunks().empty());
  EXPECT_EQ(0u, pool.getSpareBytes());
  (void)second;
}

TEST(PoolManagerTest, SparesStayWithinTheBudget) {
  // Chunks of about 1 MiB: at most a few fit in the budget, the rest go
  // back to the system.
  PoolManager pool(1024, 256, 16); // 16 slots per block, 1024 per chunk
  std::vector<void *> slots;
  for (int i = 0; i < 1024 * 12; ++i)
    slots.push_back(pool.alloc());
  EXPECT_EQ(12u, pool.getChunks().size());
  for (void *p : slots)
    pool.free(p);
  EXPECT_EQ(1u, pool.getChunks().size()); // the front chunk stays
  EXPECT_GT(pool.getSpareBytes(), 0u);
  EXPECT_LE(pool.getSpareBytes(), PoolManager::SpareBudget);
  EXPECT_LT(pool.getSpareBytes(), 11u * 1024 * 1024);

  // A chunk larger than the whole budget is never kept.
  PoolManager huge(8192, 256, 16); // about 8 MiB per chunk
  std::vector<void *> big;
  for (int i = 0; i < 1024 + 1; ++i)
    big.push_back(huge.alloc());
  for (int i = 0; i < 1024; ++i)
    huge.free(big[static_cast<size_t>(i)]);
  EXPECT_EQ(1u, huge.getChunks().size());
  EXPECT_EQ(0u, huge.getSpareBytes());
  huge.free(big.back());
}

TEST(PoolManagerTest, ExhaustedFrontChunkTakesTheChunkWithMostFreeSlots) {
  PoolManager pool(16, 32, 32);
  std::vector<void *> a, b, c;
  for (int i = 0; i < 256; ++i)
    a.push_back(pool.alloc());
  for (int i = 0; i < 256; ++i)
    b.push_back(pool.alloc());
  for (int i = 0; i < 256; ++i)
    c.push_back(pool.alloc());
  auto chunks = pool.getChunks(); // c's chunk, b's chunk, a's chunk
  ASSERT_EQ(3u, chunks.size());
  const void *areaA = chunks[2].ItemArea, *areaB = chunks[1].ItemArea;
  pool.free(a[0]);
  pool.free(b[0]);
  pool.free(b[1]);
  // Every chunk at the front is full: b has the most free slots.
  void *p = pool.alloc();
  chunks = pool.getChunks();
  EXPECT_EQ(areaB, chunks[0].ItemArea);
  EXPECT_TRUE(p == b[0] || p == b[1]);
  void *q = pool.alloc();
  EXPECT_TRUE(q == b[0] || q == b[1]);
  void *r = pool.alloc(); // b is full again: now a
  EXPECT_EQ(a[0], r);
  EXPECT_EQ(areaA, pool.getChunks()[0].ItemArea);
  EXPECT_EQ(3u, pool.getChunks().size());
}

TEST(PoolManagerTest, SlotsAreAligned) {
  for (int size : {1, 3, 5, 8, 12, 16, 24, 40}) {
    PoolManager pool(size, 256, 4);
    size_t alignment = size >= 8 ? 8 : 1;
    while (alignment < 8 && alignment < static_cast<size_t>(size))
      alignment <<= 1;
    if (size % 16 == 0)
      alignment = 16;
    std::vector<void *> slots;
    for (int i = 0; i < 50; ++i) {
      void *p = pool.alloc();
      EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(p) % alignment) << size;
      slots.push_back(p);
    }
    for (void *p : slots)
      pool.free(p);
  }
}

TEST(PoolManagerTest, ForeignAndMisalignedPointersAreIgnored) {
  PoolManager pool(16, 256, 1);
  void *p = pool.alloc();
  void *q = pool.alloc();
  int local = 0;
  pool.free(&local);
  pool.free(nullptr);
  pool.free(static_cast<char *>(p) + 4); // not a slot boundary
  // A slot of a block that was never handed out.
  pool.free(static_cast<char *>(p) + 16 * 500);
  EXPECT_EQ(2, pool.getChunks()[0].Used);
  pool.free(p);
  pool.free(q);
  EXPECT_EQ(0, pool.getChunks()[0].Used);
}

TEST(PoolManagerTest, ThreadsShareAPool) {
  PoolManager pool(32, 256, 16);
  auto work = [&pool] {
    std::vector<void *> slots;
    for (int round = 0; round < 20; ++round) {
      for (int i = 0; i < 200; ++i) {
        void *p = pool.alloc();
        *static_cast<int *>(p) = i;
        slots.push_back(p);
      }
      for (void *p : slots)
        pool.free(p);
      slots.clear();
    }
  };
  std::thread t1(work), t2(work);
  t1.join();
  t2.join();
  for (auto &chunk : pool.getChunks())
    EXPECT_EQ(0, chunk.Used);
}

TEST(PoolManagerRegistryTest, RoutesSizesToPools) {
  PoolManager pool16(16, 256, 4);
  PoolManagerRegistry registry;
  registry.RegisterPoolManager(&pool16, 16);
  PoolManager other(16, 256, 4);
  registry.RegisterPoolManager(&other, 16); // ignored
  EXPECT_EQ(1, registry.getCount());
  EXPECT_TRUE(registry.HasPoolManagerOfSize(16));
  EXPECT_FALSE(registry.HasPoolManagerOfSize(24));

  void *p = registry.alloc(16);
  EXPECT_EQ(1, pool16.getChunks()[0].Used);
  EXPECT_TRUE(other.getChunks().empty());
  registry.free(16, p);
  void *q = registry.alloc(24); // ordinary allocator
  EXPECT_NE(nullptr, q);
  registry.free(24, q);

  registry.alloc(16);
  registry.FreeAllItemsOfSize(16);
  EXPECT_TRUE(pool16.getChunks().empty());

  PoolManagerRegistry copy(registry);
  EXPECT_TRUE(copy.HasPoolManagerOfSize(16));
}

TEST(PoolManagerRegistryTest, TemplateRegistryBuildsFreshPools) {
  static PoolManager templatePool(40, 256, 4);
  static FixedAlloc::PoolManagerRegistrar registrar(&templatePool, 40);
  std::unique_ptr<PoolManagerRegistry> registry(
      PoolManagerRegistry::buildPoolManagerRegistry(512, 2));
  ASSERT_TRUE(registry->HasPoolManagerOfSize(40));
  FixedAlloc::PoolFree *built = registry->PoolManagerOfSize(40);
  EXPECT_NE(&templatePool, built);
  auto *manager = dynamic_cast<PoolManager *>(built);
  ASSERT_NE(nullptr, manager);
  EXPECT_EQ(40, manager->getItemSize());
  EXPECT_EQ(4, manager->getItemsPerBlock());
  delete built;
}

TEST(EnablerTest, Switch) {
  EXPECT_TRUE(FixedAlloc::Enabler::On());
  FixedAlloc::Enabler::Set(false);
  EXPECT_FALSE(FixedAlloc::Enabler::On());
  FixedAlloc::Enabler::Set(true);
}

} // namespace
