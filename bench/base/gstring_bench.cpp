//===- gstring_bench.cpp - GString against std::string -------------------===//
//
// Copying a 100-character text, appending 1,000,000 characters one at a
// time, a case-insensitive search, and replacing every occurrence, each
// measured for GString and for std::string doing the same job. A copy is
// measured with its destruction (construct, then destroy).
//
//===----------------------------------------------------------------------===//

#include "strings/gstring.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <thread>

namespace {

const std::string Text100(100, 'c');

void BM_CopyGString(benchmark::State &state) {
  GString source(Text100.c_str());
  for (auto _ : state) {
    GString copy(source);
    benchmark::DoNotOptimize(copy.c_str());
  }
}
BENCHMARK(BM_CopyGString);

void BM_CopyStdString(benchmark::State &state) {
  std::string source(Text100);
  for (auto _ : state) {
    std::string copy(source);
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(BM_CopyStdString);

constexpr int AppendCount = 1000000;

void BM_AppendCharGString(benchmark::State &state) {
  for (auto _ : state) {
    GString s;
    for (int i = 0; i < AppendCount; ++i)
      s += static_cast<char>('a' + (i & 15));
    benchmark::DoNotOptimize(s.c_str());
  }
  state.SetItemsProcessed(state.iterations() * AppendCount);
}
BENCHMARK(BM_AppendCharGString)->Unit(benchmark::kMillisecond);

void BM_AppendCharStdString(benchmark::State &state) {
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < AppendCount; ++i)
      s += static_cast<char>('a' + (i & 15));
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations() * AppendCount);
}
BENCHMARK(BM_AppendCharStdString)->Unit(benchmark::kMillisecond);

/// A text of `n` bytes with the word to find only at its end.
std::string haystack(std::size_t n) {
  std::string s;
  while (s.size() + 6 < n)
    s += "lorem ";
  s += "Needle";
  return s;
}

void BM_FindCaseInsensitiveGstristr(benchmark::State &state) {
  GString text(haystack(static_cast<std::size_t>(state.range(0))).c_str());
  for (auto _ : state)
    benchmark::DoNotOptimize(gstristr(text.c_str(), "nEEDLE"));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FindCaseInsensitiveGstristr)->Arg(100000);

void BM_FindCaseInsensitiveStdSearch(benchmark::State &state) {
  std::string text = haystack(static_cast<std::size_t>(state.range(0)));
  const std::string find = "nEEDLE";
  auto same = [](char a, char b) {
    return std::toupper(static_cast<unsigned char>(a)) ==
           std::toupper(static_cast<unsigned char>(b));
  };
  for (auto _ : state)
    benchmark::DoNotOptimize(std::search(text.begin(), text.end(), find.begin(), find.end(), same));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FindCaseInsensitiveStdSearch)->Arg(100000);

/// "ab" repeated to n bytes, with a separator every few pairs.
std::string pairs(std::size_t n) {
  std::string s;
  while (s.size() + 5 <= n)
    s += "ab-ab";
  return s;
}

void BM_ReplaceAllGString(benchmark::State &state) {
  const GString source(pairs(static_cast<std::size_t>(state.range(0))).c_str());
  for (auto _ : state) {
    GString s(source);
    benchmark::DoNotOptimize(s.replace("ab", "xyz", true));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReplaceAllGString)->RangeMultiplier(10)->Range(1000, 1000000)->Complexity();

// The peer builds the result in one pass as well (in-place std::string
// replace in a loop would move the tail at every hit).
void BM_ReplaceAllStdString(benchmark::State &state) {
  const std::string source = pairs(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::string out;
    out.reserve(source.size() + source.size() / 2);
    std::size_t from = 0;
    for (std::size_t at; (at = source.find("ab", from)) != std::string::npos; from = at + 2) {
      out.append(source, from, at - from);
      out += "xyz";
    }
    out.append(source, from, std::string::npos);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReplaceAllStdString)->RangeMultiplier(10)->Range(1000, 1000000)->Complexity();

// Registered last: once a second thread has run, reference counts change
// atomically for the rest of the process, which these two measure.
void startAThread() {
  static bool started = false;
  if (!started) {
    std::thread([] {}).join();
    started = true;
  }
}

void BM_CopyGStringMultiThreaded(benchmark::State &state) {
  startAThread();
  BM_CopyGString(state);
}
BENCHMARK(BM_CopyGStringMultiThreaded);

void BM_CopyStdStringMultiThreaded(benchmark::State &state) {
  startAThread();
  BM_CopyStdString(state);
}
BENCHMARK(BM_CopyStdStringMultiThreaded);

void BM_AppendCharGStringMultiThreaded(benchmark::State &state) {
  startAThread();
  BM_AppendCharGString(state);
}
BENCHMARK(BM_AppendCharGStringMultiThreaded)->Unit(benchmark::kMillisecond);

} // namespace
