//===- deflate_tables.cpp - Alphabets, trees and decoding tables ---------===//

#include "io/deflate_tables_impl.h"

#include <algorithm>

namespace vyx::deflate {

// Tree building -------------------------------------------------------------

void TreeBuilder::siftDown(int k) {
  int v = Heap[k];
  int j = k << 1;
  while (j <= HeapLen) {
    // Take the smaller of the two children.
    if (j < HeapLen && smaller(Heap[j + 1], Heap[j]))
      ++j;
    if (smaller(v, Heap[j]))
      break;
    Heap[k] = Heap[j];
    k = j;
    j <<= 1;
  }
  Heap[k] = v;
}

int TreeBuilder::build(const uint32_t *freq, int symbols, int maxBits, uint8_t *lengths,
                       uint16_t *codes) {
  // The heap lives in Heap[1..HeapLen]; the merge list grows downwards from
  // the end, least frequent node last.
  HeapLen = 0;
  HeapMax = HeapSize;
  int maxCode = -1;
  for (int n = 0; n < symbols; ++n) {
    Freq[n] = freq[n];
    Len[n] = 0;
    if (freq[n] != 0) {
      Heap[++HeapLen] = maxCode = n;
      Depth[n] = 0;
    }
  }
  // Every code needs at least two codes: add placeholders of frequency 1.
  while (HeapLen < 2) {
    int node = Heap[++HeapLen] = maxCode < 2 ? ++maxCode : 0;
    Freq[node] = 1;
    Depth[node] = 0;
  }
  for (int n = HeapLen / 2; n >= 1; --n)
    siftDown(n);

  int node = symbols;
  do {
    int n = Heap[1];
    Heap[1] = Heap[HeapLen--];
    siftDown(1);
    int m = Heap[1];
    Heap[--HeapMax] = n;
    Heap[--HeapMax] = m;
    Freq[node] = Freq[n] + Freq[m];
    Depth[node] = std::max(Depth[n], Depth[m]) + 1;
    Dad[n] = Dad[m] = node;
    Heap[1] = node++;
    siftDown(1);
  } while (HeapLen >= 2);
  Heap[--HeapMax] = Heap[1];

  assignLengths(maxCode, maxBits);
  for (int n = 0; n < symbols; ++n)
    lengths[n] = static_cast<uint8_t>(n <= maxCode ? Len[n] : 0);
  canonicalCodes(lengths, symbols, codes);
  return maxCode;
}

void TreeBuilder::assignLengths(int maxCode, int maxBits) {
  std::fill(BitCount, BitCount + MaxCodeBits + 1, 0);
  // Walking the merge list from the root, each node lies one level below
  // its parent; lengths above the limit are clipped and counted.
  Len[Heap[HeapMax]] = 0;
  int overflow = 0;
  int h;
  for (h = HeapMax + 1; h < HeapSize; ++h) {
    int n = Heap[h];
    int bits = Len[Dad[n]] + 1;
    if (bits > maxBits) {
      bits = maxBits;
      ++overflow;
    }
    Len[n] = bits;
    if (n > maxCode)
      continue; // an inner node
    ++BitCount[bits];
  }
  if (overflow == 0)
    return;

  // Move leaves from the deepest level below the limit one level down
  // until the clipped lengths form a code again.
  do {
    int bits = maxBits - 1;
    while (BitCount[bits] == 0)
      --bits;
    --BitCount[bits];
    BitCount[bits + 1] += 2;
    --BitCount[maxBits];
    overflow -= 2;
  } while (overflow > 0);

  // Give the lengths back out, longest first, to the leaves in the order of
  // the merge list from its least frequent end.
  for (int bits = maxBits; bits != 0; --bits) {
    int n = BitCount[bits];
    while (n != 0) {
      int m = Heap[--h];
      if (m > maxCode)
        continue;
      Len[m] = bits;
      --n;
    }
  }
}

void canonicalCodes(const uint8_t *lengths, int count, uint16_t *codes) {
  int lengthCount[MaxCodeBits + 1] = {};
  for (int n = 0; n < count; ++n)
    ++lengthCount[lengths[n]];
  lengthCount[0] = 0;
  unsigned nextCode[MaxCodeBits + 1] = {};
  unsigned code = 0;
  for (int bits = 1; bits <= MaxCodeBits; ++bits) {
    code = (code + lengthCount[bits - 1]) << 1;
    nextCode[bits] = code;
  }
  for (int n = 0; n < count; ++n) {
    int len = lengths[n];
    codes[n] = len == 0 ? 0 : static_cast<uint16_t>(reverseBits(nextCode[len]++, len));
  }
}

// Run-length coding of code lengths -------------------------------------------

size_t runLengthCode(const uint8_t *lengths, int count, LengthRun *runs) {
  size_t out = 0;
  auto emit = [&](int symbol, int extra) {
    runs[out++] = {static_cast<uint8_t>(symbol), static_cast<uint8_t>(extra)};
  };
  int previous = -1;
  int next = count > 0 ? lengths[0] : 0;
  int run = 0;
  int maxRun = next == 0 ? 138 : 7;
  int minRun = next == 0 ? 3 : 4;
  for (int n = 0; n < count; ++n) {
    int current = next;
    next = n + 1 < count ? lengths[n + 1] : -1; // the sentinel ends every run
    if (++run < maxRun && current == next)
      continue;
    if (run < minRun) {
      while (run-- > 0)
        emit(current, 0);
    } else if (current != 0) {
      if (current != previous) {
        emit(current, 0);
        --run;
      }
      emit(RepeatPrevious, run - 3);
    } else if (run <= 10) {
      emit(RepeatZeros3, run - 3);
    } else {
      emit(RepeatZeros11, run - 11);
    }
    run = 0;
    previous = current;
    if (next == 0) {
      maxRun = 138;
      minRun = 3;
    } else if (current == next) {
      maxRun = 6;
      minRun = 3;
    } else {
      maxRun = 7;
      minRun = 4;
    }
  }
  return out;
}

// Decoding tables -------------------------------------------------------------

namespace {

std::array<uint32_t, LiteralLengthCodes> makeLiteralEntries() {
  std::array<uint32_t, LiteralLengthCodes> e{};
  for (int s = 0; s < EndOfBlock; ++s)
    e[s] = makeEntry(KindValue, static_cast<uint32_t>(s), 0);
  e[EndOfBlock] = makeEntry(KindEnd, 0, 0);
  for (int c = 0; c < LengthCodes; ++c)
    e[FirstLengthCode + c] = makeEntry(KindLength, LengthBase[c], LengthExtraBits[c]);
  return e;
}

std::array<uint32_t, DistanceCodes> makeDistanceEntries() {
  std::array<uint32_t, DistanceCodes> e{};
  for (int c = 0; c < DistanceCodes; ++c)
    e[c] = makeEntry(KindValue, DistanceBase[c], DistanceExtraBits[c]);
  return e;
}

std::array<uint32_t, CodeLengthCodes> makeCodeLengthEntries() {
  std::array<uint32_t, CodeLengthCodes> e{};
  for (int c = 0; c < CodeLengthCodes; ++c)
    e[c] = makeEntry(KindValue, static_cast<uint32_t>(c), CodeLengthExtraBits[c]);
  return e;
}

} // namespace

const std::array<uint32_t, LiteralLengthCodes> LiteralEntries = makeLiteralEntries();
const std::array<uint32_t, DistanceCodes> DistanceEntries = makeDistanceEntries();
const std::array<uint32_t, CodeLengthCodes> CodeLengthEntries = makeCodeLengthEntries();

bool buildDecodeTable(const uint8_t *lengths, int count, int maxBits, int rootBits,
                      const uint32_t *symbolEntries, uint32_t *table, int capacity) {
  int lengthCount[MaxCodeBits + 1] = {};
  for (int n = 0; n < count; ++n) {
    if (lengths[n] > maxBits)
      return false;
    ++lengthCount[lengths[n]];
  }
  // The code must use up the code space exactly: no length over-subscribed,
  // nothing left over.
  long left = 1;
  for (int bits = 1; bits <= maxBits; ++bits) {
    left = (left << 1) - lengthCount[bits];
    if (left < 0)
      return false;
  }
  if (left != 0)
    return false;

  // Symbols in canonical order: by length, then by symbol.
  int offsets[MaxCodeBits + 2] = {};
  for (int bits = 1; bits <= maxBits; ++bits)
    offsets[bits + 1] = offsets[bits] + lengthCount[bits];
  uint16_t sorted[LiteralLengthCodes];
  for (int n = 0; n < count; ++n)
    if (lengths[n] != 0)
      sorted[offsets[lengths[n]]++] = static_cast<uint16_t>(n);
  int used = count - lengthCount[0];

  int rootSize = 1 << rootBits;
  if (rootSize > capacity)
    return false;
  int nextFree = rootSize;
  unsigned code = 0; // the canonical code, most significant bit first
  int codeLen = 0;
  int linkPrefix = -1; // root index of the open second-level table
  int linkBase = 0;
  int linkBits = 0;
  for (int i = 0; i < used; ++i) {
    int symbol = sorted[i];
    int len = lengths[symbol];
    code <<= (len - codeLen);
    codeLen = len;
    uint32_t entry = symbolEntries[symbol];
    if (len <= rootBits) {
      unsigned index = reverseBits(code, len);
      for (unsigned k = index; k < static_cast<unsigned>(rootSize); k += 1u << len)
        table[k] = entry | static_cast<uint32_t>(len);
    } else {
      int prefix = static_cast<int>(reverseBits(code >> (len - rootBits), rootBits));
      if (prefix != linkPrefix) {
        // Codes sharing these root bits follow each other in canonical
        // order; the last of them is the longest and sizes the table.
        unsigned c = code;
        int cl = len;
        int maxLen = len;
        for (int j = i + 1; j < used; ++j) {
          int lj = lengths[sorted[j]];
          c = (c + 1) << (lj - cl);
          cl = lj;
          if (static_cast<int>(reverseBits(c >> (lj - rootBits), rootBits)) != prefix)
            break;
          maxLen = lj;
        }
        linkPrefix = prefix;
        linkBits = maxLen - rootBits;
        linkBase = nextFree;
        nextFree += 1 << linkBits;
        if (nextFree > capacity)
          return false;
        table[prefix] =
            makeEntry(KindLink, static_cast<uint32_t>(linkBase), static_cast<uint32_t>(linkBits)) |
            static_cast<uint32_t>(rootBits);
      }
      int subLen = len - rootBits;
      unsigned index = reverseBits(code & ((1u << subLen) - 1), subLen);
      for (unsigned k = index; k < (1u << linkBits); k += 1u << subLen)
        table[linkBase + static_cast<int>(k)] = entry | static_cast<uint32_t>(subLen);
    }
    ++code;
  }
  return true;
}

} // namespace vyx::deflate
