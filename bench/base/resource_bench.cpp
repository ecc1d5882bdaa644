//===- resource_bench.cpp - Storing and fetching small objects by name ----===//
//
// A container of 2,000 small objects (an id and a short text) spread over
// 20 directories:
//   - Put: every object put by name and the directory flushed, into a new
//     container file;
//   - Get: every object fetched by name (in a scattered order) from an
//     opened container;
//   - Open: opening the container (reading its directory);
//   - Pack: every object put twice, then packed (half the file is dead).
// Peers: the same objects written in sequence to one file pstream (the cost
// of the object format alone, without names), and a file per object named
// after it (what one would do without containers). The CRC-32 of the
// trailers is measured against zlib's crc32.
//
//===----------------------------------------------------------------------===//

#include "io/native_path.h"
#include "pstreams/file_pstream.h"
#include "resources/memory_crc.h"
#include "resources/resource_file_server.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

HINSTANCE BenchModule = nullptr;
constexpr int Objects = 2000;
constexpr int Directories = 20;

class BenchPart : public GStreamable {
  VYX_DECLARE_CLASS(BenchPart);
  void write(opstream &os) override { os << Id << Text; }
  void read(ipstream &is) override { is >> Id >> Text; }

  int32_t Id = 0;
  GString Text;
};

VYX_IMPLEMENT_CLASS(BenchPart, "BenchPart", &BenchModule, GStreamable)

/// A folder of its own for the run.
const std::string &folder() {
  static const std::string path = [] {
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vyx_resbench_XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
      std::abort();
    return std::string(buffer.data());
  }();
  return path;
}

std::string file(const std::string &name) { return folder() + "/" + name; }

GResourceFullName nameOf(int i) {
  GString dir, item;
  dir.format("dir%02d", i % Directories);
  item.format("part%05d", i);
  return GResourceFullName(GResourcePath(dir), item, "BenchPart");
}

BenchPart partOf(int i) {
  BenchPart part;
  part.Id = i;
  part.Text.format("part %d of the landscape, layer %d", i, i % 7);
  return part;
}

void fill(ResourceFileServer &server, int rounds) {
  for (int r = 0; r < rounds; ++r)
    for (int i = 0; i < Objects; ++i) {
      BenchPart part = partOf(i);
      server.put(&part, nameOf(i), false);
    }
  server.flush();
}

std::string freshContainer(const char *name, int rounds) {
  std::string path = file(name);
  std::filesystem::remove(path);
  vyx::ResourceServerPtr server = vyx::OpenResourceServer(path.c_str(), GIO::IO_READWRITE);
  fill(*server, rounds);
  return path;
}

void Put(benchmark::State &state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::string path = file("put.res");
    std::filesystem::remove(path);
    state.ResumeTiming();
    vyx::ResourceServerPtr server = vyx::OpenResourceServer(path.c_str(), GIO::IO_READWRITE);
    fill(*server, 1);
  }
  state.SetItemsProcessed(state.iterations() * Objects);
  state.counters["bytes"] = double(std::filesystem::file_size(file("put.res")));
}
BENCHMARK(Put)->Unit(benchmark::kMillisecond);

void Get(benchmark::State &state) {
  std::string path = freshContainer("get.res", 1);
  vyx::ResourceServerPtr server = vyx::OpenResourceServer(path.c_str(), GIO::IO_READ);
  for (auto _ : state)
    for (int k = 0; k < Objects; ++k) {
      GStreamable *object = server->get(nameOf((k * 7919) % Objects), false);
      benchmark::DoNotOptimize(object);
      GStreamable::Destroy(object);
    }
  state.SetItemsProcessed(state.iterations() * Objects);
}
BENCHMARK(Get)->Unit(benchmark::kMillisecond);

void Open(benchmark::State &state) {
  std::string path = freshContainer("open.res", 1);
  for (auto _ : state) {
    vyx::ResourceServerPtr server = vyx::OpenResourceServer(path.c_str(), GIO::IO_READ);
    benchmark::DoNotOptimize(server.get());
  }
}
BENCHMARK(Open)->Unit(benchmark::kMillisecond);

void Pack(benchmark::State &state) {
  long before = 0, after = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::string path = freshContainer("pack.res", 2);
    before = long(std::filesystem::file_size(path));
    vyx::ResourceServerPtr server = vyx::OpenResourceServer(path.c_str(), GIO::IO_READWRITE);
    state.ResumeTiming();
    server->pack();
    state.PauseTiming();
    server.reset();
    after = long(std::filesystem::file_size(path));
    state.ResumeTiming();
  }
  state.counters["bytes_before"] = double(before);
  state.counters["bytes_after"] = double(after);
}
BENCHMARK(Pack)->Unit(benchmark::kMillisecond);

// Peers -------------------------------------------------------------------------------

void PeerSequencePut(benchmark::State &state) {
  for (auto _ : state) {
    ofpstream os(file("sequence.vyx").c_str());
    for (int i = 0; i < Objects; ++i) {
      BenchPart part = partOf(i);
      os << static_cast<GStreamable *>(&part);
    }
    os.close();
  }
  state.SetItemsProcessed(state.iterations() * Objects);
}
BENCHMARK(PeerSequencePut)->Unit(benchmark::kMillisecond);

std::string objectFile(int i) {
  GResourceFullName name = nameOf(i);
  return file(std::string("files/") + name.get_path()[0].c_str() + "/" + name.get_name().c_str() +
              ".vyx");
}

/// Every object into a file of its own, in a folder per directory.
void writeObjectFiles() {
  for (int d = 0; d < Directories; ++d) {
    GString dir;
    dir.format("files/dir%02d", d);
    std::filesystem::create_directories(file(dir.c_str()));
  }
  for (int i = 0; i < Objects; ++i) {
    BenchPart part = partOf(i);
    ofpstream os(objectFile(i).c_str());
    os << static_cast<GStreamable *>(&part);
  }
}

void PeerFilesPut(benchmark::State &state) {
  for (auto _ : state)
    writeObjectFiles();
  state.SetItemsProcessed(state.iterations() * Objects);
}
BENCHMARK(PeerFilesPut)->Unit(benchmark::kMillisecond);

void PeerFilesGet(benchmark::State &state) {
  writeObjectFiles();
  for (auto _ : state)
    for (int k = 0; k < Objects; ++k) {
      ifpstream is(objectFile((k * 7919) % Objects).c_str());
      GStreamable *object = nullptr;
      is >> object;
      benchmark::DoNotOptimize(object);
      GStreamable::Destroy(object);
    }
  state.SetItemsProcessed(state.iterations() * Objects);
}
BENCHMARK(PeerFilesGet)->Unit(benchmark::kMillisecond);

void Crc32(benchmark::State &state) {
  std::vector<unsigned char> data(65536);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<unsigned char>(i * 131 + 7);
  for (auto _ : state)
    benchmark::DoNotOptimize(g_mem_CRC32(data.data(), data.size(), 0xFFFFFFFFu));
  state.SetBytesProcessed(state.iterations() * long(data.size()));
}
BENCHMARK(Crc32);

void PeerZlibCrc32(benchmark::State &state) {
  std::vector<unsigned char> data(65536);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<unsigned char>(i * 131 + 7);
  for (auto _ : state)
    benchmark::DoNotOptimize(crc32(0, data.data(), uInt(data.size())));
  state.SetBytesProcessed(state.iterations() * long(data.size()));
}
BENCHMARK(PeerZlibCrc32);

} // namespace
