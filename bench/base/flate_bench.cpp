//===- flate_bench.cpp - Flate-coded device against zlib's raw deflate ----===//
//
// Compresses and decompresses a corpus of more than 10 MB with
// GFlateBufferedIO (over a GBufferedIO over a GMemoryIO) and with zlib's raw
// deflate (window bits -15, memory level 8), pairing our speeds with zlib
// levels of the same search parameters: 1-4, 3-5, 5-6, 6-7, 8-8, 9-9.
//
// The corpus: text (program documentation and licence texts of this
// machine), C++ headers, an executable, a synthetic stream of many small
// object records, and random bytes. Sources that are missing are replaced
// by generated data of the same kind, so that the benchmark always runs.
//
// After the runs a table compares sizes and speeds per input and pair.
//
//===----------------------------------------------------------------------===//

#include "io/flate_io.h"
#include "io/memory_io.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>
#include <zlib.h>

namespace {

using Bytes = std::vector<unsigned char>;
namespace fs = std::filesystem;

constexpr size_t KiB = 1024;
constexpr size_t MiB = 1024 * KiB;

struct Pair {
  int Speed;
  int Level;
};
constexpr Pair Pairs[] = {{1, 4}, {3, 5}, {5, 6}, {6, 7}, {8, 8}, {9, 9}};

// Corpus ----------------------------------------------------------------------

/// Appends the files below `root` whose names end with one of `suffixes`, in
/// name order, until `out` holds `limit` bytes.
void appendFiles(Bytes &out, const fs::path &root, const std::vector<std::string> &suffixes,
                 size_t limit) {
  std::error_code ec;
  if (!fs::exists(root, ec))
    return;
  std::vector<fs::path> files;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (!it->is_regular_file(ec))
      continue;
    std::string name = it->path().filename().string();
    for (const std::string &suffix : suffixes)
      if (name.size() >= suffix.size() &&
          name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        files.push_back(it->path());
        break;
      }
  }
  std::sort(files.begin(), files.end());
  for (const fs::path &file : files) {
    if (out.size() >= limit)
      break;
    std::ifstream in(file, std::ios::binary);
    Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t take = std::min(data.size(), limit - out.size());
    out.insert(out.end(), data.begin(), data.begin() + long(take));
  }
}

/// Words in a Zipf-like mix, for when the machine has no text of its own.
void generateText(Bytes &out, size_t limit, uint32_t seed) {
  static const char *words[] = {"the",      "terrain", "is",    "rendered",  "with",
                                "a",        "camera",  "that",  "follows",   "path",
                                "of",       "light",   "over",  "landscape", "mesh",
                                "vertices", "normal",  "scene", "object",    "stream"};
  std::mt19937 rng(seed);
  while (out.size() < limit) {
    unsigned r = rng() % 1000;
    unsigned w = 0;
    while (w < 19 && r < 500) {
      r *= 2;
      ++w;
    }
    w = (w + rng() % 3) % 20;
    const char *word = words[w];
    out.insert(out.end(), word, word + std::strlen(word));
    out.push_back(rng() % 12 == 0 ? '\n' : ' ');
  }
  out.resize(limit);
}

/// Records as an object stream writes them: a class name or a back
/// reference, small integers, doubles and short strings.
Bytes generateRecords(size_t limit) {
  static const char *classes[] = {"ProjectorInfo", "GResourcePath", "Vector3D",  "Matrix3D",
                                  "GLightKey",     "GCameraKey",    "GMeshFrame"};
  std::mt19937 rng(1234);
  Bytes out;
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i)
      out.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  auto putDouble = [&](double d) {
    unsigned char b[8];
    std::memcpy(b, &d, 8);
    out.insert(out.end(), b, b + 8);
  };
  uint32_t objects = 0;
  double t = 0;
  while (out.size() < limit) {
    unsigned c = rng() % 7;
    if (objects > 10 && rng() % 4 == 0) {
      out.push_back(0x02); // back-reference
      put32(rng() % objects);
      continue;
    }
    out.push_back(0x01);
    const char *name = classes[c];
    out.push_back(static_cast<unsigned char>(std::strlen(name)));
    out.insert(out.end(), name, name + std::strlen(name));
    out.push_back(0); // version byte
    put32(objects++);
    t += 1.0 / 24;
    putDouble(t);
    for (int i = 0; i < 3; ++i)
      putDouble(std::round((rng() % 20000 - 10000) * 0.01) / 4.0);
    put32(rng() % 100);
    out.push_back(0x03); // end marker
  }
  out.resize(limit);
  return out;
}

struct Input {
  std::string Name;
  Bytes Data;
};

const std::vector<Input> &corpus() {
  static const std::vector<Input> *inputs = new std::vector<Input>([] {
    std::vector<Input> list;
    Bytes text;
    appendFiles(text, "/usr/share/vim/vim90/doc", {".txt"}, 3 * MiB);
    appendFiles(text, "/usr/share/common-licenses", {""}, 3 * MiB);
    generateText(text, 3 * MiB, 1);
    list.push_back({"text", std::move(text)});

    Bytes source;
    appendFiles(source, "/usr/include/c++", {".h", ".tcc", ""}, 3 * MiB);
    appendFiles(source, "/usr/include", {".h"}, 3 * MiB);
    generateText(source, 3 * MiB, 2);
    list.push_back({"source", std::move(source)});

    Bytes executable;
    for (const char *path : {"/usr/bin/cmake", "/proc/self/exe"}) {
      std::ifstream in(path, std::ios::binary);
      Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (data.size() >= 256 * KiB) {
        data.resize(std::min(data.size(), 3 * MiB));
        executable = std::move(data);
        break;
      }
    }
    list.push_back({"executable", std::move(executable)});

    list.push_back({"records", generateRecords(2 * MiB)});

    Bytes noise(1 * MiB);
    std::mt19937_64 rng(99);
    for (auto &b : noise)
      b = static_cast<unsigned char>(rng() >> 56);
    list.push_back({"random", std::move(noise)});

    Bytes small = generateRecords(40 * KiB);
    list.push_back({"small-records", std::move(small)});
    return list;
  }());
  return *inputs;
}

// The two coders --------------------------------------------------------------

Bytes vyxCompress(const Bytes &input, int speed) {
  auto *memory = new GMemoryIO(long(input.size() + input.size() / 8 + 4096));
  GFlateBufferedIO flate(new GBufferedIO(memory, 4096), speed);
  flate.gwrite(input.data(), long(input.size()));
  flate.flush();
  auto *p = static_cast<unsigned char *>(memory->buffer());
  return Bytes(p, p + memory->size());
}

size_t vyxDecompress(const Bytes &stream, Bytes &out) {
  auto *memory =
      new GMemoryIO(const_cast<unsigned char *>(stream.data()), long(stream.size()), GIO::IO_READ);
  GFlateBufferedIO flate(new GBufferedIO(memory, 4096));
  size_t done = 0;
  for (;;) {
    long got = flate.gread(out.data() + done, long(out.size() - done));
    if (got <= 0)
      break;
    done += size_t(got);
    if (done == out.size())
      break;
  }
  return done;
}

Bytes zlibCompress(const Bytes &input, int level) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  Bytes out(deflateBound(&z, uLong(input.size())));
  z.next_in = const_cast<Bytef *>(input.data());
  z.avail_in = uInt(input.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

size_t zlibInflate(const Bytes &stream, Bytes &out) {
  z_stream z{};
  inflateInit2(&z, -15);
  z.next_in = const_cast<Bytef *>(stream.data());
  z.avail_in = uInt(stream.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  inflate(&z, Z_FINISH);
  size_t n = z.total_out;
  inflateEnd(&z);
  return n;
}

// Results and the table -------------------------------------------------------

struct Measure {
  size_t Size = 0;    ///< compressed size
  double Seconds = 0; ///< per run
};

struct Row {
  Measure VyxCompress, ZlibCompress, VyxDecompress, ZlibDecompress;
};

// Kept until the very end (never destroyed): the table is printed by a
// static destructor.
std::map<std::pair<std::string, int>, Row> &results() {
  static auto *table = new std::map<std::pair<std::string, int>, Row>;
  return *table;
}

std::map<std::pair<std::string, int>, Bytes> &streams() {
  static auto *s = new std::map<std::pair<std::string, int>, Bytes>;
  return *s;
}

double mbps(size_t bytes, double seconds) { return seconds > 0 ? bytes / seconds / 1e6 : 0; }

void printTable() {
  if (results().empty())
    return;
  std::printf("\nFlate-coded device against zlib raw deflate (MB/s of uncompressed bytes, "
              "processor time)\n");
  std::printf("%-14s %9s %5s | %10s %10s %7s | %8s %8s | %8s %8s\n", "input", "bytes", "pair",
              "vyx size", "zlib size", "size", "vyx c", "zlib c", "vyx d", "zlib d");
  for (const Input &input : corpus())
    for (const Pair &pair : Pairs) {
      auto it = results().find({input.Name, pair.Speed});
      if (it == results().end())
        continue;
      const Row &r = it->second;
      double diff = r.ZlibCompress.Size
                        ? 100.0 * (double(r.VyxCompress.Size) / double(r.ZlibCompress.Size) - 1)
                        : 0;
      size_t n = input.Data.size();
      std::printf("%-14s %9zu %2d-%-2d | %10zu %10zu %+6.2f%% | %8.1f %8.1f | %8.1f %8.1f\n",
                  input.Name.c_str(), n, pair.Speed, pair.Level, r.VyxCompress.Size,
                  r.ZlibCompress.Size, diff, mbps(n, r.VyxCompress.Seconds),
                  mbps(n, r.ZlibCompress.Seconds), mbps(n, r.VyxDecompress.Seconds),
                  mbps(n, r.ZlibDecompress.Seconds));
    }
}

/// Prints the table when the program ends, after every benchmark ran.
struct TablePrinter {
  ~TablePrinter() { printTable(); }
} tablePrinter;

const Input &inputNamed(const std::string &name) {
  for (const Input &input : corpus())
    if (input.Name == name)
      return input;
  return corpus().front();
}

template <typename F> double timeRuns(benchmark::State &state, F &&run) {
  double total = 0;
  int64_t runs = 0;
  // Processor time: the machine may be shared, and both coders run on one
  // thread.
  for (auto _ : state) {
    std::clock_t start = std::clock();
    run();
    total += double(std::clock() - start) / CLOCKS_PER_SEC;
    ++runs;
  }
  return runs ? total / double(runs) : 0;
}

void compressBench(benchmark::State &state, std::string name, Pair pair, bool vyx) {
  const Input &input = inputNamed(name);
  Bytes out;
  double seconds = timeRuns(state, [&] {
    out = vyx ? vyxCompress(input.Data, pair.Speed) : zlibCompress(input.Data, pair.Level);
    benchmark::DoNotOptimize(out.data());
  });
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(input.Data.size()));
  state.counters["ratio"] = double(out.size()) / double(std::max<size_t>(1, input.Data.size()));
  Row &row = results()[{name, pair.Speed}];
  (vyx ? row.VyxCompress : row.ZlibCompress) = {out.size(), seconds};
  streams()[{name + (vyx ? "/vyx" : "/zlib"), pair.Speed}] = std::move(out);
}

void decompressBench(benchmark::State &state, std::string name, Pair pair, bool vyx) {
  const Input &input = inputNamed(name);
  Bytes &stream = streams()[{name + (vyx ? "/vyx" : "/zlib"), pair.Speed}];
  if (stream.empty())
    stream = vyx ? vyxCompress(input.Data, pair.Speed) : zlibCompress(input.Data, pair.Level);
  Bytes out(input.Data.size());
  size_t n = 0;
  double seconds = timeRuns(state, [&] {
    n = vyx ? vyxDecompress(stream, out) : zlibInflate(stream, out);
    benchmark::DoNotOptimize(out.data());
  });
  if (n != input.Data.size() || out != input.Data)
    state.SkipWithError("decompressed bytes differ from the input");
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(input.Data.size()));
  Row &row = results()[{name, pair.Speed}];
  (vyx ? row.VyxDecompress : row.ZlibDecompress) = {stream.size(), seconds};
}

const bool registered = [] {
  const char *names[] = {"text", "source", "executable", "records", "random", "small-records"};
  for (const char *name : names)
    for (const Pair &pair : Pairs) {
      std::string suffix =
          std::string(name) + "/" + std::to_string(pair.Speed) + "-" + std::to_string(pair.Level);
      benchmark::RegisterBenchmark(("Compress/vyx/" + suffix).c_str(), compressBench, name, pair,
                                   true)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("Compress/zlib/" + suffix).c_str(), compressBench, name, pair,
                                   false)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("Decompress/vyx/" + suffix).c_str(), decompressBench, name,
                                   pair, true)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("Decompress/zlib/" + suffix).c_str(), decompressBench, name,
                                   pair, false)
          ->Unit(benchmark::kMillisecond);
    }
  return true;
}();

} // namespace
