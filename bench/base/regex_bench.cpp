//===- regex_bench.cpp - RegularExpression against std::regex ------------===//
//
// Finds every match of realistic search patterns in 10 MB of log-like text,
// once with RegularExpression and once with std::regex (ECMAScript). The
// counter "matches" lets the two be compared; the target is at least five
// times the speed of std::regex.
//
//===----------------------------------------------------------------------===//

#include "strings/regular_expression.h"

#include <benchmark/benchmark.h>

#include <random>
#include <regex>
#include <string>

namespace {

constexpr std::size_t kTextSize = 10u << 20;

const std::string &Text() {
  static const std::string text = [] {
    std::mt19937 engine(2026);
    auto random = [&engine] { return static_cast<unsigned>(engine()); };
    const char *levels[] = {"INFO", "INFO", "INFO", "DEBUG", "DEBUG", "WARNING", "ERROR"};
    const char *words[] = {"scene", "terrain", "camera", "light",   "mesh",   "render", "tile",
                           "cache", "worker",  "queue",  "texture", "shader", "frame"};
    const char *users[] = {"anna", "ben", "chris", "dora", "emil"};
    const char *domains[] = {"example.com", "studio.org", "render.net"};
    std::string t;
    t.reserve(kTextSize + 256);
    char number[64];
    while (t.size() < kTextSize) {
      // Each draw in its own statement: argument order would differ between
      // compilers, and so would the text.
      unsigned day = random() % 28 + 1, hour = random() % 24, minute = random() % 60,
               second = random() % 60;
      std::snprintf(number, sizeof number, "2026-12-%02u %02u:%02u:%02u ", day, hour, minute,
                    second);
      t += number;
      t += levels[random() % 7];
      t += ' ';
      for (int i = 0; i < 6; ++i) {
        t += words[random() % 13];
        t += ' ';
      }
      const char *word = words[random() % 13];
      unsigned file = random() % 1000, whole = random() % 500, hundredths = random() % 100;
      std::snprintf(number, sizeof number, "%s_%03u.txt took %u.%02u ms by ", word, file, whole,
                    hundredths);
      t += number;
      t += users[random() % 5];
      t += '@';
      t += domains[random() % 3];
      t += '\n';
    }
    t += "needle\n";
    return t;
  }();
  return text;
}

const char *const kPatterns[] = {
    "ERROR|WARNING",                 // alternatives of words
    "[0-9]+\\.[0-9]+ ms",            // decimal numbers
    "[a-z]+_[0-9]+\\.txt",           // file names
    "[a-z]+@[a-z]+\\.(com|org)",     // mail addresses
    "needle",                        // a rare literal
    "(terrain|camera) (mesh|light)", // word pairs
};

void BM_RegularExpression(benchmark::State &state) {
  const std::string &text = Text();
  RegularExpression re(kPatterns[state.range(0)]);
  if (!re.isValid()) {
    state.SkipWithError("invalid pattern");
    return;
  }
  std::size_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    std::size_t from = 0, start, length;
    while (re.find(text.data(), text.size(), from, start, length)) {
      ++matches;
      from = start + (length ? length : 1);
    }
    benchmark::DoNotOptimize(matches);
  }
  state.counters["matches"] = static_cast<double>(matches);
  state.SetLabel(kPatterns[state.range(0)]);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_StdRegex(benchmark::State &state) {
  const std::string &text = Text();
  std::regex re(kPatterns[state.range(0)]);
  std::size_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    auto begin = std::cregex_iterator(text.data(), text.data() + text.size(), re);
    for (auto it = begin; it != std::cregex_iterator(); ++it)
      ++matches;
    benchmark::DoNotOptimize(matches);
  }
  state.counters["matches"] = static_cast<double>(matches);
  state.SetLabel(kPatterns[state.range(0)]);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

constexpr int kPatternCount = sizeof kPatterns / sizeof kPatterns[0];

} // namespace

BENCHMARK(BM_RegularExpression)->DenseRange(0, kPatternCount - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdRegex)->DenseRange(0, kPatternCount - 1)->Unit(benchmark::kMillisecond);
