//===- bit_set.cpp - Growable sets of bits --------------------------------===//
//
// Stream form:
//   size        dword, 1 .. 0xFFFFFFFE
//   word count  dword, size / 32 + 1
//   words       word count dwords, from the last word to the first
// The reader checks each value before it uses it and collects the words as
// they arrive, so a hostile size allocates nothing that the data does not
// back.
//
//===----------------------------------------------------------------------===//
#include "containers/bit_set.h"

#include "containers/stream_check.h"
#include "object_model/exceptions.h"
#include "pstreams/pstream.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <ostream>
#include <vector>

namespace {

uint32_t wordCountFor(unsigned long size) { return static_cast<uint32_t>(size / 32 + 1); }

} // namespace

BitSet::BitSet(const BitSet &other)
    : Size(other.Size), Words(new uint32_t[other.WordCount]), WordCount(other.WordCount) {
  std::copy_n(other.Words.get(), WordCount, Words.get());
}

BitSet &BitSet::operator=(const BitSet &other) {
  if (this != &other) {
    std::unique_ptr<uint32_t[]> words(new uint32_t[other.WordCount]);
    std::copy_n(other.Words.get(), other.WordCount, words.get());
    Words = std::move(words);
    Size = other.Size;
    WordCount = other.WordCount;
  }
  return *this;
}

void BitSet::resize(unsigned long n) {
  if (n == 0)
    n = 1;
  if (n > MaxSize)
    throw OutOfMemory_Exception();
  uint32_t count = wordCountFor(n);
  if (count != WordCount) {
    std::unique_ptr<uint32_t[]> words(new uint32_t[count]());
    std::copy_n(Words.get(), std::min(count, WordCount), words.get());
    Words = std::move(words);
    WordCount = count;
  }
  Size = static_cast<uint32_t>(n);
}

void BitSet::set(unsigned long n, bool on) {
  unsigned long word = n / 32;
  uint32_t mask = 1u << (n % 32);
  if (on) {
    if (word >= WordCount)
      resize(n);
    Words[word] |= mask;
  } else if (word < WordCount) {
    Words[word] &= ~mask;
  }
}

void BitSet::set_range(unsigned long a, unsigned long b, bool on) {
  if (a > b)
    return;
  if (on && b / 32 >= WordCount) {
    // What setting the bits one by one leaves: the last resize happens at
    // the first bit of b's word (or at a, when a lies in that word).
    resize(std::max(a, b / 32 * 32));
  }
  if (!on) {
    if (a / 32 >= WordCount)
      return;
    b = std::min<unsigned long>(b, WordCount * 32ul - 1);
  }
  for (unsigned long word = a / 32; word <= b / 32; ++word) {
    unsigned long first = std::max(a, word * 32), last = std::min(b, word * 32 + 31);
    unsigned width = static_cast<unsigned>(last - first + 1);
    uint32_t mask = (width == 32 ? ~0u : ((1u << width) - 1)) << (first % 32);
    if (on)
      Words[word] |= mask;
    else
      Words[word] &= ~mask;
  }
}

void BitSet::enable_all() { std::fill_n(Words.get(), WordCount, ~0u); }

void BitSet::disable_all() { std::fill_n(Words.get(), WordCount, 0u); }

unsigned long BitSet::getEnabledCount() const {
  unsigned long count = 0;
  uint32_t fullWords = Size / 32;
  for (uint32_t i = 0; i < fullWords; ++i)
    count += static_cast<unsigned long>(std::popcount(Words[i]));
  if (uint32_t rest = Size % 32)
    count += static_cast<unsigned long>(std::popcount(Words[fullWords] & ((1u << rest) - 1)));
  return count;
}

bool BitSet::isEmpty() const {
  return std::all_of(Words.get(), Words.get() + WordCount, [](uint32_t w) { return w == 0; });
}

template <class Op> BitSet &BitSet::combine(const BitSet &other, Op op) {
  uint32_t n = std::min(WordCount, other.WordCount);
  const uint32_t *theirs = other.Words.get(); // may be ours: each word is read first
  for (uint32_t i = 0; i < n; ++i)
    Words[i] = op(Words[i], theirs[i]);
  return *this;
}

BitSet &BitSet::operator|=(const BitSet &other) {
  return combine(other, [](uint32_t a, uint32_t b) { return a | b; });
}

BitSet &BitSet::operator-=(const BitSet &other) {
  return combine(other, [](uint32_t a, uint32_t b) { return a & ~b; });
}

BitSet &BitSet::operator&=(const BitSet &other) {
  return combine(other, [](uint32_t a, uint32_t b) { return a & b; });
}

BitSet &BitSet::operator^=(const BitSet &other) {
  return combine(other, [](uint32_t a, uint32_t b) { return a ^ b; });
}

bool BitSet::operator==(const BitSet &other) const {
  return WordCount == other.WordCount &&
         std::equal(Words.get(), Words.get() + WordCount, other.Words.get());
}

bool BitSet::operator<=(const BitSet &other) const {
  if (WordCount != other.WordCount)
    return false;
  for (uint32_t i = 0; i < WordCount; ++i)
    if (Words[i] & ~other.Words[i])
      return false;
  return true;
}

void BitSet::write(opstream &os) const {
  os.writeDWord(Size);
  os.writeDWord(WordCount);
  for (uint32_t i = WordCount; i-- > 0;)
    os.writeDWord(Words[i]);
}

void BitSet::read(ipstream &is) {
  using vyx::detail::ReadCheck;
  unsigned long size = is.readDWord();
  unsigned long count = is.readDWord();
  ReadCheck(is, size >= 1 && size <= MaxSize && count == wordCountFor(size));
  std::vector<uint32_t> stored; // last word first, as stored
  while (stored.size() < count) {
    auto word = static_cast<uint32_t>(is.readDWord());
    ReadCheck(is);
    stored.push_back(word);
  }
  std::unique_ptr<uint32_t[]> words(new uint32_t[count]);
  std::reverse_copy(stored.begin(), stored.end(), words.get());
  Words = std::move(words);
  Size = static_cast<uint32_t>(size);
  WordCount = static_cast<uint32_t>(count);
}

std::ostream &operator<<(std::ostream &os, const BitSet &set) {
  std::string text(set.getSize(), '0');
  for (unsigned long i = 0; i < set.getSize(); ++i)
    if (set[i])
      text[i] = '1';
  return os << text;
}

opstream &operator<<(opstream &os, const BitSet &set) {
  set.write(os);
  return os;
}

ipstream &operator>>(ipstream &is, BitSet &set) {
  set.read(is);
  return is;
}
