//===- pstream_bench.cpp - Object graphs through pstreams and Boost -------===//
//
// Writes and reads a graph of small objects in which every object is
// pointed to by several others: item i holds an id, a weight, a pointer to
// item i - 1 and a pointer to an earlier item picked by a hash, so every
// pointer after the first record of an object is a back-reference and the
// nesting stays shallow. A root object holds the pointers to all items.
//
// The peer is Boost.Serialization's binary archive with object tracking
// (pointers are tracked, so shared objects are written once), built only when
// CMake finds Boost. Both sides write to memory and read the written bytes
// in place (neither copies them inside the timed region). Sizes 100,000
// and 1,000,000 show how the cost grows with the graph. Every timed read
// starts from a settled heap (settleHeap), and the user classes of both
// sides do the same container work.
//
//===----------------------------------------------------------------------===//

#include "pstreams/memory_pstream.h"
#include "pstreams/pstream.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#ifdef VYX_BENCH_HAVE_BOOST
#include <boost/archive/binary_iarchive.hpp>
#include <boost/archive/binary_oarchive.hpp>
#include <boost/serialization/vector.hpp>
#include <istream>
#include <sstream>
#include <streambuf>
#endif

namespace {

HINSTANCE BenchModule = nullptr;

/// Gives the memory of the graph just deleted back to the system, so that
/// every timed read starts from the same heap whatever ran before: glibc
/// otherwise keeps the freed blocks unmerged until a later large allocation
/// merges them, inside the next timed read, and how much of that work and
/// of the page faults land there depends on the history of the process.
/// Called outside the timed region after every graph is deleted, on both
/// sides.
void settleHeap() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

/// The earlier item that item i points to besides its predecessor.
std::size_t earlierOf(std::size_t i) {
  return i == 0 ? 0 : static_cast<std::size_t>((i * 2654435761ull) % i);
}

// VYX -------------------------------------------------------------------------

class BenchItem : public GStreamable {
  VYX_DECLARE_CLASS(BenchItem);
  void write(opstream &os) override { os << Id << Weight << Previous << Earlier; }
  void read(ipstream &is) override { is >> Id >> Weight >> Previous >> Earlier; }

  int32_t Id = 0;
  double Weight = 0;
  BenchItem *Previous = nullptr;
  BenchItem *Earlier = nullptr;
};

class BenchGraph : public GStreamable {
  VYX_DECLARE_CLASS(BenchGraph);
  ~BenchGraph() override {
    for (BenchItem *item : Items)
      delete item;
  }
  void write(opstream &os) override {
    os << static_cast<uint32_t>(Items.size());
    for (BenchItem *item : Items)
      os << item;
  }
  void read(ipstream &is) override {
    uint32_t count = 0;
    is >> count;
    // The peer's vector loader reserves the stored count too.
    Items.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
      is.checkState();
      BenchItem *item = nullptr;
      is >> item;
      Items.push_back(item);
    }
  }

  std::vector<BenchItem *> Items;
};

VYX_IMPLEMENT_CLASS(BenchItem, "BenchItem", &BenchModule, GStreamable)
VYX_IMPLEMENT_CLASS(BenchGraph, "BenchGraph", &BenchModule, GStreamable)

BenchGraph *makeVyxGraph(std::size_t n) {
  auto *graph = new BenchGraph;
  graph->Items.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    auto *item = new BenchItem;
    item->Id = static_cast<int32_t>(i);
    item->Weight = 0.5 * static_cast<double>(i);
    if (i > 0) {
      item->Previous = graph->Items[i - 1];
      item->Earlier = graph->Items[earlierOf(i)];
    }
    graph->Items.push_back(item);
  }
  return graph;
}

std::vector<unsigned char> writeVyx(BenchGraph *graph) {
  ompstream os;
  os << graph;
  auto *data = static_cast<unsigned char *>(os.data());
  return std::vector<unsigned char>(data, data + os.size());
}

void BM_PStreamWrite(benchmark::State &state) {
  std::unique_ptr<BenchGraph> graph(makeVyxGraph(static_cast<std::size_t>(state.range(0))));
  std::size_t bytes = 0;
  for (auto _ : state) {
    ompstream os;
    os << graph.get();
    bytes = static_cast<std::size_t>(os.size());
    benchmark::DoNotOptimize(os.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_PStreamRead(benchmark::State &state) {
  std::unique_ptr<BenchGraph> graph(makeVyxGraph(static_cast<std::size_t>(state.range(0))));
  std::vector<unsigned char> bytes = writeVyx(graph.get());
  settleHeap();
  for (auto _ : state) {
    impstream is(bytes.data(), static_cast<long>(bytes.size()));
    BenchGraph *back = nullptr;
    is >> back;
    state.PauseTiming();
    if (!back || back->Items.size() != graph->Items.size())
      state.SkipWithError("graph not read back");
    delete back;
    settleHeap();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_PStreamWrite)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PStreamRead)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Boost -----------------------------------------------------------------------

#ifdef VYX_BENCH_HAVE_BOOST

struct BoostItem {
  int32_t Id = 0;
  double Weight = 0;
  BoostItem *Previous = nullptr;
  BoostItem *Earlier = nullptr;

  template <class Archive> void serialize(Archive &ar, unsigned) {
    ar &Id &Weight &Previous &Earlier;
  }
};

struct BoostGraph {
  std::vector<BoostItem *> Items;
  ~BoostGraph() {
    for (BoostItem *item : Items)
      delete item;
  }
  template <class Archive> void serialize(Archive &ar, unsigned) { ar &Items; }
};

std::unique_ptr<BoostGraph> makeBoostGraph(std::size_t n) {
  auto graph = std::make_unique<BoostGraph>();
  graph->Items.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    auto *item = new BoostItem;
    item->Id = static_cast<int32_t>(i);
    item->Weight = 0.5 * static_cast<double>(i);
    if (i > 0) {
      item->Previous = graph->Items[i - 1];
      item->Earlier = graph->Items[earlierOf(i)];
    }
    graph->Items.push_back(item);
  }
  return graph;
}

/// Reads a block of memory in place, as the memory pstream reads its block:
/// an istringstream would first copy the whole block inside the timed
/// region.
class MemoryBuffer : public std::streambuf {
public:
  explicit MemoryBuffer(std::string &bytes) {
    setg(bytes.data(), bytes.data(), bytes.data() + bytes.size());
  }
};

void BM_BoostWrite(benchmark::State &state) {
  auto graph = makeBoostGraph(static_cast<std::size_t>(state.range(0)));
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::ostringstream out;
    {
      boost::archive::binary_oarchive ar(out);
      const BoostGraph *g = graph.get();
      ar << g;
    }
    bytes = out.str().size();
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_BoostRead(benchmark::State &state) {
  auto graph = makeBoostGraph(static_cast<std::size_t>(state.range(0)));
  std::string bytes;
  {
    std::ostringstream out;
    {
      boost::archive::binary_oarchive ar(out);
      const BoostGraph *g = graph.get();
      ar << g;
    }
    bytes = out.str();
  }
  settleHeap();
  for (auto _ : state) {
    MemoryBuffer buffer(bytes);
    std::istream in(&buffer);
    BoostGraph *back = nullptr;
    {
      boost::archive::binary_iarchive ar(in);
      ar >> back;
    }
    state.PauseTiming();
    if (!back || back->Items.size() != graph->Items.size())
      state.SkipWithError("graph not read back");
    delete back;
    settleHeap();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_BoostWrite)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BoostRead)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

#endif // VYX_BENCH_HAVE_BOOST

} // namespace
