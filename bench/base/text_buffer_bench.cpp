//===- text_buffer_bench.cpp - Text buffer search and edits ---------------===//
//
// Searches and edits on a text of 100,000 rows of source-like lines. Each
// GText benchmark that has a natural counterpart is paired with a "Peer"
// run of the same work on std::vector<std::string>, the plain way to hold
// lines in standard C++.
//
//===----------------------------------------------------------------------===//

#include "pstreams/memory_pstream.h"
#include "strings/text_buffer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr long kRows = 100000;

/// The rows: indented statements of varied length; "needle" only in the
/// last row, "NEEDLE" in none.
const std::vector<std::string> &Lines() {
  static const std::vector<std::string> lines = [] {
    std::mt19937 engine(7);
    const char *words[] = {"value",  "index", "count", "render", "tile",  "scene",
                           "camera", "light", "mesh",  "buffer", "frame", "queue"};
    std::vector<std::string> out;
    out.reserve(kRows);
    for (long i = 0; i < kRows; ++i) {
      std::string line(static_cast<std::size_t>(engine() % 4) * 2, ' ');
      unsigned n = 2 + engine() % 8;
      for (unsigned k = 0; k < n; ++k) {
        line += words[engine() % 12];
        line += k + 1 < n ? (engine() % 3 ? " " : " = ") : ";";
      }
      out.push_back(line);
    }
    out.back() += " // needle";
    return out;
  }();
  return lines;
}

const std::string &Joined() {
  static const std::string joined = [] {
    std::string s;
    for (const std::string &line : Lines())
      s += line + '\n';
    s.pop_back();
    return s;
  }();
  return joined;
}

GText MakeText() { return GText(Joined().c_str(), static_cast<long>(Joined().size())); }

void BM_TextAssign(benchmark::State &state) {
  for (auto _ : state) {
    GText t(Joined().c_str(), static_cast<long>(Joined().size()));
    benchmark::DoNotOptimize(t.getCount());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Joined().size()));
}
BENCHMARK(BM_TextAssign)->Unit(benchmark::kMillisecond);

void BM_PeerAssign(benchmark::State &state) {
  for (auto _ : state) {
    std::vector<std::string> rows;
    const std::string &s = Joined();
    for (std::size_t start = 0;;) {
      std::size_t lf = s.find('\n', start);
      rows.emplace_back(s, start, lf == std::string::npos ? std::string::npos : lf - start);
      if (lf == std::string::npos)
        break;
      start = lf + 1;
    }
    benchmark::DoNotOptimize(rows.size());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Joined().size()));
}
BENCHMARK(BM_PeerAssign)->Unit(benchmark::kMillisecond);

/// Forward search from the top to the only hit, in the last row.
void BM_TextSearchForward(benchmark::State &state) {
  GText t = MakeText();
  const bool caseSensitive = state.range(0) != 0;
  for (auto _ : state) {
    GTextPosition pos(0, 0);
    bool found = t.search(caseSensitive ? "needle" : "NEEDLE", pos, caseSensitive, true);
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Joined().size()));
}
BENCHMARK(BM_TextSearchForward)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_PeerSearchForward(benchmark::State &state) {
  const std::vector<std::string> &rows = Lines();
  for (auto _ : state) {
    long hit = -1;
    for (long r = 0; r < kRows && hit < 0; ++r)
      if (rows[static_cast<std::size_t>(r)].find("needle") != std::string::npos)
        hit = r;
    benchmark::DoNotOptimize(hit);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Joined().size()));
}
BENCHMARK(BM_PeerSearchForward)->Unit(benchmark::kMillisecond);

/// Backward search from the end to the last occurrence of a word in the
/// first row only.
void BM_TextSearchBackward(benchmark::State &state) {
  GText t = MakeText();
  t.insert_row_part(0, 0, "marker ");
  for (auto _ : state) {
    GTextPosition pos(0, kRows);
    bool found = t.search("marker", pos, true, false);
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Joined().size()));
}
BENCHMARK(BM_TextSearchBackward)->Unit(benchmark::kMillisecond);

/// Every occurrence of a frequent word, one search after another.
void BM_TextSearchAll(benchmark::State &state) {
  GText t = MakeText();
  for (auto _ : state) {
    long hits = 0;
    GTextPosition pos(0, 0);
    while (t.search("camera", pos, true, true)) {
      ++hits;
      ++pos.column;
    }
    benchmark::DoNotOptimize(hits);
  }
}
BENCHMARK(BM_TextSearchAll)->Unit(benchmark::kMillisecond);

/// Typing in the middle of the text: a character, a line break, a join.
void BM_TextTypeInMiddle(benchmark::State &state) {
  GText t = MakeText();
  const long row = kRows / 2;
  for (auto _ : state) {
    t.insert_char(4, row, 'x');
    t.new_line(6, row);
    t.merge(row);
    t.replace_char(4, row, 'y');
  }
}
BENCHMARK(BM_TextTypeInMiddle);

/// Pasting a 100-row text inside a middle row and deleting it again.
void BM_TextInsertDeleteBlock(benchmark::State &state) {
  GText t = MakeText();
  GText paste;
  for (long i = 0; i < 100; ++i)
    paste.insert_row(i, GString(Lines()[static_cast<std::size_t>(i)].c_str()));
  GTextBlock block(0, 0, paste.at(99).length(), 99);
  block.move_to(3, kRows / 2);
  for (auto _ : state) {
    t.insert_text(block, paste);
    t.delete_block(block);
  }
}
BENCHMARK(BM_TextInsertDeleteBlock);

void BM_PeerInsertDeleteRows(benchmark::State &state) {
  std::vector<std::string> rows = Lines();
  std::vector<std::string> paste(Lines().begin(), Lines().begin() + 100);
  const auto at = static_cast<std::ptrdiff_t>(kRows / 2);
  for (auto _ : state) {
    rows.insert(rows.begin() + at, paste.begin(), paste.end());
    rows.erase(rows.begin() + at, rows.begin() + at + 100);
  }
}
BENCHMARK(BM_PeerInsertDeleteRows);

/// Cutting and pasting back a columnar block of 1000 rows.
void BM_TextColumnarCutPaste(benchmark::State &state) {
  GText t = MakeText();
  GTextBlock block(2, 1000, 6, 1999, GTextBlock::TB_COLUMNAR);
  for (auto _ : state) {
    std::unique_ptr<GText> cut(t.make_text(block));
    t.delete_block(block);
    t.insert_text(block, *cut);
  }
}
BENCHMARK(BM_TextColumnarCutPaste);

/// Copying out half of the text as a stream block.
void BM_TextMakeTextHalf(benchmark::State &state) {
  GText t = MakeText();
  GTextBlock block(3, kRows / 4, 5, 3 * kRows / 4);
  for (auto _ : state) {
    std::unique_ptr<GText> part(t.make_text(block));
    benchmark::DoNotOptimize(part->getCount());
  }
}
BENCHMARK(BM_TextMakeTextHalf)->Unit(benchmark::kMillisecond);

void BM_TextMakeString(benchmark::State &state) {
  GText t = MakeText();
  for (auto _ : state) {
    std::unique_ptr<char[]> s(t.make_string());
    benchmark::DoNotOptimize(s.get());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Joined().size()));
}
BENCHMARK(BM_TextMakeString)->Unit(benchmark::kMillisecond);

/// The stored form: writing and reading the whole text on a memory pstream.
void BM_TextStreamRoundTrip(benchmark::State &state) {
  GText t = MakeText();
  for (auto _ : state) {
    ompstream os;
    t.write(os);
    impstream is(os.data(), os.size());
    GText back;
    back.read(is);
    benchmark::DoNotOptimize(back.getCount());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Joined().size()));
}
BENCHMARK(BM_TextStreamRoundTrip)->Unit(benchmark::kMillisecond);

} // namespace
