//===- compressed_pstream_bench.cpp - Object graphs through compressed pstreams -===//
//
// Writes and reads a graph of 100,000 small objects (an id, a weight, a
// pointer to the item before and one to an earlier item) through a
// compressed pstream at speeds 1, 4 and 9.
//
// Peers: the same graph through a plain file pstream (the cost of the
// format alone), and what a user would do without compressed pstreams: the
// graph into a memory pstream, raw deflate with zlib at the paired level
// (speed 1 and zlib 4, 4 and 6, 9 and 9), and the result written with
// stdio; reading reverses it. The counter "bytes" is the file size.
//
//===----------------------------------------------------------------------===//

#include "io/file_system.h"
#include "io/native_path.h"
#include "pstreams/compressed_pstream.h"
#include "pstreams/file_pstream.h"
#include "pstreams/memory_pstream.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

HINSTANCE BenchModule = nullptr;
constexpr long Items = 100000;

class ZBenchItem : public GStreamable {
  VYX_DECLARE_CLASS(ZBenchItem);
  void write(opstream &os) override { os << Id << Weight << Previous << Earlier; }
  void read(ipstream &is) override { is >> Id >> Weight >> Previous >> Earlier; }

  int32_t Id = 0;
  double Weight = 0;
  ZBenchItem *Previous = nullptr;
  ZBenchItem *Earlier = nullptr;
};

VYX_IMPLEMENT_CLASS(ZBenchItem, "ZBenchItem", &BenchModule, GStreamable)

struct Graph {
  Graph() {
    for (long i = 0; i < Items; ++i) {
      auto item = std::make_unique<ZBenchItem>();
      item->Id = static_cast<int32_t>(i);
      item->Weight = 0.25 * static_cast<double>(i % 1000);
      item->Previous = i ? All[size_t(i) - 1].get() : nullptr;
      item->Earlier = i ? All[(size_t(i) * 2654435761ull) % size_t(i)].get() : nullptr;
      All.push_back(std::move(item));
    }
  }
  void write(opstream &os) const {
    for (const auto &item : All)
      os << item.get();
  }
  std::vector<std::unique_ptr<ZBenchItem>> All;
};

const Graph &graph() {
  static const Graph g;
  return g;
}

/// Reads the items back and frees them.
void readItems(ipstream &is) {
  std::vector<std::unique_ptr<ZBenchItem>> back(static_cast<size_t>(Items));
  for (auto &item : back) {
    ZBenchItem *p = nullptr;
    is >> p;
    item.reset(p);
  }
  if (!is.good() || !back.back())
    throw std::runtime_error("read failed");
}

std::string fileName() {
  GFile name = FileSystem::GetTemporaryDirectory();
  name.add_name("vyx_compressed_pstream_bench.bin");
  return name.c_str();
}

std::string nativeName() {
  std::string native;
  vyx::NativePath(fileName().c_str(), native);
  return native;
}

long fileSize() {
  std::FILE *f = std::fopen(nativeName().c_str(), "rb");
  std::fseek(f, 0, SEEK_END);
  long size = std::ftell(f);
  std::fclose(f);
  return size;
}

void writeCompressed(unsigned short speed) {
  ozpstream out(fileName().c_str(), fpbase::trunc, speed);
  graph().write(out);
  out.close();
  if (!out.good())
    throw std::runtime_error("write failed");
}

void BM_ZPStreamWrite(benchmark::State &state) {
  auto speed = static_cast<unsigned short>(state.range(0));
  graph();
  for (auto _ : state)
    writeCompressed(speed);
  state.counters["bytes"] = double(fileSize());
  state.SetItemsProcessed(state.iterations() * Items);
}

void BM_ZPStreamRead(benchmark::State &state) {
  writeCompressed(static_cast<unsigned short>(state.range(0)));
  for (auto _ : state) {
    izpstream in(fileName().c_str());
    readItems(in);
  }
  state.SetItemsProcessed(state.iterations() * Items);
}

void BM_FPStreamWrite(benchmark::State &state) {
  graph();
  for (auto _ : state) {
    ofpstream out(fileName().c_str(), fpbase::trunc);
    graph().write(out);
    out.close();
  }
  state.counters["bytes"] = double(fileSize());
  state.SetItemsProcessed(state.iterations() * Items);
}

void BM_FPStreamRead(benchmark::State &state) {
  {
    ofpstream out(fileName().c_str(), fpbase::trunc);
    graph().write(out);
  }
  for (auto _ : state) {
    ifpstream in(fileName().c_str());
    readItems(in);
  }
  state.SetItemsProcessed(state.iterations() * Items);
}

/// The graph into a memory pstream, raw deflate, stdio.
void writeZlib(int level) {
  ompstream os;
  graph().write(os);
  auto *data = static_cast<Bytef *>(os.data());
  uLong size = static_cast<uLong>(os.size());
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::vector<Bytef> out(deflateBound(&z, size));
  z.next_in = data;
  z.avail_in = static_cast<uInt>(size);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  std::FILE *f = std::fopen(nativeName().c_str(), "wb");
  std::fwrite(out.data(), 1, z.total_out, f);
  std::fclose(f);
  deflateEnd(&z);
}

void BM_ZlibWrite(benchmark::State &state) {
  int level = static_cast<int>(state.range(0));
  graph();
  for (auto _ : state)
    writeZlib(level);
  state.counters["bytes"] = double(fileSize());
  state.SetItemsProcessed(state.iterations() * Items);
}

void BM_ZlibRead(benchmark::State &state) {
  writeZlib(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::FILE *f = std::fopen(nativeName().c_str(), "rb");
    std::vector<Bytef> packed;
    Bytef block[4096];
    for (size_t got; (got = std::fread(block, 1, sizeof block, f)) > 0;)
      packed.insert(packed.end(), block, block + got);
    std::fclose(f);
    ompstream bytes;
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = packed.data();
    z.avail_in = static_cast<uInt>(packed.size());
    Bytef out[65536];
    int result = Z_OK;
    while (result == Z_OK) {
      z.next_out = out;
      z.avail_out = sizeof out;
      result = inflate(&z, Z_NO_FLUSH);
      bytes.writeBytes(out, long(sizeof out - z.avail_out));
    }
    inflateEnd(&z);
    impstream in(bytes.data(), bytes.size());
    readItems(in);
  }
  state.SetItemsProcessed(state.iterations() * Items);
}

BENCHMARK(BM_ZPStreamWrite)->Arg(1)->Arg(4)->Arg(9)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibWrite)->Arg(4)->Arg(6)->Arg(9)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FPStreamWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZPStreamRead)->Arg(1)->Arg(4)->Arg(9)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibRead)->Arg(4)->Arg(6)->Arg(9)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FPStreamRead)->Unit(benchmark::kMillisecond);

} // namespace
