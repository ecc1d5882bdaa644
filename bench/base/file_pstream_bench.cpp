//===- file_pstream_bench.cpp - Object graphs through file pstreams -------===//
//
// Writes and reads a graph of small objects through a file pstream (4096-byte
// buffer over the file device): item i holds an id, a weight and pointers to
// item i - 1 and to an earlier item, so most pointers are back-references. A
// root object holds the pointers to all items.
//
// The peer is stdio moving the same bytes with fwrite and fread in blocks of
// the same size: the cost of the file alone, which the pstream adds its
// format work to. Sizes 100,000 and 1,000,000 show how the cost grows.
//
//===----------------------------------------------------------------------===//

#include "io/file_system.h"
#include "io/native_path.h"
#include "pstreams/file_pstream.h"
#include "pstreams/memory_pstream.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

HINSTANCE BenchModule = nullptr;
constexpr std::size_t Block = 4096;

class FileBenchItem : public GStreamable {
  VYX_DECLARE_CLASS(FileBenchItem);
  void write(opstream &os) override { os << Id << Weight << Previous << Earlier; }
  void read(ipstream &is) override { is >> Id >> Weight >> Previous >> Earlier; }

  int32_t Id = 0;
  double Weight = 0;
  FileBenchItem *Previous = nullptr;
  FileBenchItem *Earlier = nullptr;
};

class FileBenchGraph : public GStreamable {
  VYX_DECLARE_CLASS(FileBenchGraph);
  ~FileBenchGraph() override {
    for (FileBenchItem *item : Items)
      delete item;
  }
  void write(opstream &os) override {
    os << static_cast<long>(Items.size());
    for (FileBenchItem *item : Items)
      os << item;
  }
  void read(ipstream &is) override {
    long n = 0;
    is >> n;
    for (long i = 0; i < n && is.good(); ++i) {
      FileBenchItem *item = nullptr;
      is >> item;
      Items.push_back(item);
    }
  }

  std::vector<FileBenchItem *> Items;
};

VYX_IMPLEMENT_CLASS(FileBenchItem, "FileBenchItem", &BenchModule, GStreamable)
VYX_IMPLEMENT_CLASS(FileBenchGraph, "FileBenchGraph", &BenchModule, GStreamable)

FileBenchGraph *makeGraph(std::size_t n) {
  auto *graph = new FileBenchGraph;
  for (std::size_t i = 0; i < n; ++i) {
    auto *item = new FileBenchItem;
    item->Id = static_cast<int32_t>(i);
    item->Weight = 0.5 * static_cast<double>(i);
    item->Previous = i ? graph->Items[i - 1] : nullptr;
    item->Earlier = i ? graph->Items[(i * 2654435761ull) % i] : nullptr;
    graph->Items.push_back(item);
  }
  return graph;
}

std::string fileName() {
  GFile name = FileSystem::GetTemporaryDirectory();
  name.add_name("vyx_file_pstream_bench.bin");
  return name.c_str();
}

void writeGraph(FileBenchGraph *graph, const std::string &name) {
  ofpstream out(name.c_str(), fpbase::trunc);
  out << graph;
  out.close();
  if (!out.good())
    throw std::runtime_error("write failed");
}

void BM_FilePStreamWrite(benchmark::State &state) {
  std::unique_ptr<FileBenchGraph> graph(makeGraph(static_cast<std::size_t>(state.range(0))));
  std::string name = fileName();
  for (auto _ : state)
    writeGraph(graph.get(), name);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_FilePStreamRead(benchmark::State &state) {
  std::string name = fileName();
  {
    std::unique_ptr<FileBenchGraph> graph(makeGraph(static_cast<std::size_t>(state.range(0))));
    writeGraph(graph.get(), name);
  }
  for (auto _ : state) {
    ifpstream in(name.c_str());
    FileBenchGraph *graph = nullptr;
    in >> graph;
    benchmark::DoNotOptimize(graph);
    delete graph;
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

/// The bytes of the graph's file, for the stdio peer.
std::vector<char> graphBytes(std::size_t n) {
  std::unique_ptr<FileBenchGraph> graph(makeGraph(n));
  ompstream os;
  FileBenchGraph *root = graph.get();
  os << root;
  auto *data = static_cast<char *>(os.data());
  return std::vector<char>(data, data + os.size());
}

std::string nativeName() {
  std::string native;
  vyx::NativePath(fileName().c_str(), native);
  return native;
}

void BM_StdioWrite(benchmark::State &state) {
  std::vector<char> bytes = graphBytes(static_cast<std::size_t>(state.range(0)));
  std::string name = nativeName();
  for (auto _ : state) {
    std::FILE *f = std::fopen(name.c_str(), "wb");
    for (std::size_t at = 0; at < bytes.size(); at += Block)
      std::fwrite(bytes.data() + at, 1, std::min(Block, bytes.size() - at), f);
    std::fclose(f);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdioRead(benchmark::State &state) {
  std::vector<char> bytes = graphBytes(static_cast<std::size_t>(state.range(0)));
  std::string name = nativeName();
  {
    std::FILE *f = std::fopen(name.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  std::vector<char> back(bytes.size());
  for (auto _ : state) {
    std::FILE *f = std::fopen(name.c_str(), "rb");
    for (std::size_t at = 0; at < back.size(); at += Block)
      benchmark::DoNotOptimize(
          std::fread(back.data() + at, 1, std::min(Block, back.size() - at), f));
    std::fclose(f);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_FilePStreamWrite)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdioWrite)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilePStreamRead)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdioRead)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace
