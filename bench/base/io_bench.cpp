//===- io_bench.cpp - Buffered devices against stdio and iostreams --------===//
//
// The same data, one value at a time, through GBufferedIO over a file,
// through fwrite/fread on a FILE, and through std::ofstream/std::ifstream.
// Each iteration rewrites (or rereads) 1 MiB of one scratch file. The last
// benchmark writes 100 MB into a growing GMemoryIO.
//
//===----------------------------------------------------------------------===//

#include "io/buffered_io.h"
#include "io/file_io.h"
#include "io/memory_io.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr long DataBytes = 1 << 20;

/// A scratch file that lives for one benchmark.
class ScratchFile {
public:
  ScratchFile() {
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vyx_io_bench_XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    int fd = mkstemp(buffer.data());
    if (fd >= 0)
      ::close(fd);
    Path = buffer.data();
    // Fill it once so that the read benchmarks find data.
    std::vector<char> data(DataBytes, 'v');
    FILE *f = std::fopen(Path.c_str(), "wb");
    if (f) {
      std::fwrite(data.data(), 1, data.size(), f);
      std::fclose(f);
    }
  }
  ~ScratchFile() { std::remove(Path.c_str()); }
  const char *path() const { return Path.c_str(); }

private:
  std::string Path;
};

template <typename T> void bufferedWrite(benchmark::State &state) {
  ScratchFile file;
  GBufferedIO io(new GFileIO(file.path(), GIO::IO_READWRITE, GFileIO::IO_OPEN_EXISTING));
  const long count = DataBytes / long(sizeof(T));
  for (auto _ : state) {
    io.gseek(0, GIO::IO_BEGIN);
    for (long i = 0; i < count; ++i) {
      if constexpr (sizeof(T) == 1)
        io.writeByte(static_cast<unsigned char>(i));
      else if constexpr (sizeof(T) == 2)
        io.writeWord(static_cast<unsigned short>(i));
      else
        io.writeDWord(static_cast<unsigned long>(i));
    }
    io.flush();
  }
  state.SetBytesProcessed(state.iterations() * DataBytes);
}

template <typename T> void bufferedRead(benchmark::State &state) {
  ScratchFile file;
  GBufferedIO io(new GFileIO(file.path(), GIO::IO_READ, GFileIO::IO_OPEN_EXISTING));
  const long count = DataBytes / long(sizeof(T));
  for (auto _ : state) {
    io.gseek(0, GIO::IO_BEGIN);
    unsigned long sum = 0;
    for (long i = 0; i < count; ++i) {
      if constexpr (sizeof(T) == 1)
        sum += static_cast<unsigned long>(io.readByte());
      else if constexpr (sizeof(T) == 2)
        sum += io.readWord();
      else
        sum += io.readDWord();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * DataBytes);
}

template <typename T> void stdioWrite(benchmark::State &state) {
  ScratchFile file;
  FILE *f = std::fopen(file.path(), "r+b");
  const long count = DataBytes / long(sizeof(T));
  for (auto _ : state) {
    std::fseek(f, 0, SEEK_SET);
    for (long i = 0; i < count; ++i) {
      T value = static_cast<T>(i);
      std::fwrite(&value, sizeof value, 1, f);
    }
    std::fflush(f);
  }
  std::fclose(f);
  state.SetBytesProcessed(state.iterations() * DataBytes);
}

template <typename T> void stdioRead(benchmark::State &state) {
  ScratchFile file;
  FILE *f = std::fopen(file.path(), "rb");
  const long count = DataBytes / long(sizeof(T));
  for (auto _ : state) {
    std::fseek(f, 0, SEEK_SET);
    unsigned long sum = 0;
    for (long i = 0; i < count; ++i) {
      T value;
      if (std::fread(&value, sizeof value, 1, f) == 1)
        sum += value;
    }
    benchmark::DoNotOptimize(sum);
  }
  std::fclose(f);
  state.SetBytesProcessed(state.iterations() * DataBytes);
}

template <typename T> void streamWrite(benchmark::State &state) {
  ScratchFile file;
  std::ofstream out(file.path(), std::ios::binary | std::ios::in | std::ios::out);
  const long count = DataBytes / long(sizeof(T));
  for (auto _ : state) {
    out.seekp(0);
    for (long i = 0; i < count; ++i) {
      T value = static_cast<T>(i);
      out.write(reinterpret_cast<const char *>(&value), sizeof value);
    }
    out.flush();
  }
  state.SetBytesProcessed(state.iterations() * DataBytes);
}

template <typename T> void streamRead(benchmark::State &state) {
  ScratchFile file;
  std::ifstream in(file.path(), std::ios::binary);
  const long count = DataBytes / long(sizeof(T));
  for (auto _ : state) {
    in.clear();
    in.seekg(0);
    unsigned long sum = 0;
    for (long i = 0; i < count; ++i) {
      T value;
      in.read(reinterpret_cast<char *>(&value), sizeof value);
      sum += value;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * DataBytes);
}

BENCHMARK(bufferedWrite<uint8_t>)->Name("Write/Byte/GBufferedIO");
BENCHMARK(stdioWrite<uint8_t>)->Name("Write/Byte/fwrite");
BENCHMARK(streamWrite<uint8_t>)->Name("Write/Byte/ofstream");
BENCHMARK(bufferedWrite<uint16_t>)->Name("Write/Word/GBufferedIO");
BENCHMARK(stdioWrite<uint16_t>)->Name("Write/Word/fwrite");
BENCHMARK(streamWrite<uint16_t>)->Name("Write/Word/ofstream");
BENCHMARK(bufferedWrite<uint32_t>)->Name("Write/DWord/GBufferedIO");
BENCHMARK(stdioWrite<uint32_t>)->Name("Write/DWord/fwrite");
BENCHMARK(streamWrite<uint32_t>)->Name("Write/DWord/ofstream");
BENCHMARK(bufferedRead<uint8_t>)->Name("Read/Byte/GBufferedIO");
BENCHMARK(stdioRead<uint8_t>)->Name("Read/Byte/fread");
BENCHMARK(streamRead<uint8_t>)->Name("Read/Byte/ifstream");
BENCHMARK(bufferedRead<uint16_t>)->Name("Read/Word/GBufferedIO");
BENCHMARK(stdioRead<uint16_t>)->Name("Read/Word/fread");
BENCHMARK(streamRead<uint16_t>)->Name("Read/Word/ifstream");
BENCHMARK(bufferedRead<uint32_t>)->Name("Read/DWord/GBufferedIO");
BENCHMARK(stdioRead<uint32_t>)->Name("Read/DWord/fread");
BENCHMARK(streamRead<uint32_t>)->Name("Read/DWord/ifstream");

/// 100 MB into a growing memory device, in 4 KiB writes.
void memoryGrowth(benchmark::State &state) {
  constexpr long Total = 100L * 1000 * 1000;
  const long chunk = state.range(0);
  std::vector<char> data(static_cast<size_t>(chunk), 'm');
  for (auto _ : state) {
    GMemoryIO io;
    for (long done = 0; done < Total; done += chunk)
      io.gwrite(data.data(), chunk);
    benchmark::DoNotOptimize(io.buffer());
  }
  state.SetBytesProcessed(state.iterations() * Total);
}
BENCHMARK(memoryGrowth)
    ->Name("GMemoryIO/Grow100MB")
    ->Arg(4096)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond);

/// The peer: std::vector growing by insertion of the same chunks.
void vectorGrowth(benchmark::State &state) {
  constexpr long Total = 100L * 1000 * 1000;
  const long chunk = state.range(0);
  std::vector<char> data(static_cast<size_t>(chunk), 'm');
  for (auto _ : state) {
    std::vector<char> sink;
    for (long done = 0; done < Total; done += chunk)
      sink.insert(sink.end(), data.begin(), data.end());
    benchmark::DoNotOptimize(sink.data());
  }
  state.SetBytesProcessed(state.iterations() * Total);
}
BENCHMARK(vectorGrowth)
    ->Name("std::vector/Grow100MB")
    ->Arg(4096)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond);

} // namespace
