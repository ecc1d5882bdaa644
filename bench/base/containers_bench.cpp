// Benchmarks of the containers against the peers a user would pick instead:
// GCollection against std::vector<void *>, GStringCollection against
// std::set<std::string>, the pools against malloc/free, BitSet counting
// against std::vector<bool>.
#include "containers/bit_set.h"
#include "containers/fixed_alloc.h"
#include "containers/sorted_collection.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr long kItems = 100000;

void *Item(long i) { return reinterpret_cast<void *>(static_cast<uintptr_t>(i + 1)); }

void BM_GCollectionAppendAndAccess(benchmark::State &state) {
  for (auto _ : state) {
    GCollection c(0, state.range(0), 0);
    for (long i = 0; i < kItems; ++i)
      c.insert(Item(i));
    uintptr_t sum = 0;
    for (long i = 0; i < c.getCount(); ++i)
      sum += reinterpret_cast<uintptr_t>(c.at(i));
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_GCollectionAppendAndAccess)->Arg(4)->Arg(1024);

void BM_VectorAppendAndAccess(benchmark::State &state) {
  for (auto _ : state) {
    std::vector<void *> v;
    for (long i = 0; i < kItems; ++i)
      v.push_back(Item(i));
    uintptr_t sum = 0;
    for (size_t i = 0; i < v.size(); ++i)
      sum += reinterpret_cast<uintptr_t>(v[i]);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_VectorAppendAndAccess);

std::vector<std::string> RandomStrings() {
  std::mt19937 random(42);
  std::vector<std::string> strings;
  strings.reserve(kItems);
  for (long i = 0; i < kItems; ++i) {
    std::string s(8 + random() % 16, ' ');
    for (char &c : s)
      c = static_cast<char>('a' + random() % 26);
    strings.push_back(std::move(s));
  }
  return strings;
}

void BM_GStringCollectionInsertAndSearch(benchmark::State &state) {
  std::vector<std::string> strings = RandomStrings();
  for (auto _ : state) {
    GStringCollection c(0, 1024, 0);
    for (std::string &s : strings)
      c.insert(s.data());
    long found = 0, index = 0;
    for (const std::string &s : strings)
      found += c.search(s.c_str(), index);
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_GStringCollectionInsertAndSearch)->Unit(benchmark::kMillisecond);

void BM_StdSetInsertAndSearch(benchmark::State &state) {
  std::vector<std::string> strings = RandomStrings();
  for (auto _ : state) {
    std::set<std::string> set;
    for (const std::string &s : strings)
      set.insert(s);
    long found = 0;
    for (const std::string &s : strings)
      found += set.count(s);
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_StdSetInsertAndSearch)->Unit(benchmark::kMillisecond);

// Pools: a batch of live blocks allocated, then freed (range(0) blocks).
void BM_PoolAllocFree16(benchmark::State &state) {
  FixedAlloc::PoolManager pool(16, 256, 64); // 64 slots per block, 4096 per chunk
  std::vector<void *> blocks(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    for (void *&p : blocks)
      p = pool.alloc();
    benchmark::ClobberMemory();
    for (void *p : blocks)
      pool.free(p);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PoolAllocFree16)->Arg(1)->Arg(1000)->Arg(100000);

void BM_MallocFree16(benchmark::State &state) {
  std::vector<void *> blocks(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    for (void *&p : blocks) {
      p = std::malloc(16);
      benchmark::DoNotOptimize(p);
    }
    benchmark::ClobberMemory();
    for (void *p : blocks)
      std::free(p);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MallocFree16)->Arg(1)->Arg(1000)->Arg(100000);

constexpr unsigned long kBits = 1000000;

void BM_BitSetCount(benchmark::State &state) {
  BitSet bits(kBits);
  for (unsigned long i = 0; i < kBits; i += 3)
    bits += i;
  for (auto _ : state)
    benchmark::DoNotOptimize(bits.getEnabledCount());
  state.SetItemsProcessed(state.iterations() * kBits);
}
BENCHMARK(BM_BitSetCount);

void BM_VectorBoolCount(benchmark::State &state) {
  std::vector<bool> bits(kBits);
  for (unsigned long i = 0; i < kBits; i += 3)
    bits[i] = true;
  for (auto _ : state)
    benchmark::DoNotOptimize(std::count(bits.begin(), bits.end(), true));
  state.SetItemsProcessed(state.iterations() * kBits);
}
BENCHMARK(BM_VectorBoolCount);

} // namespace
