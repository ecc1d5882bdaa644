//===- bit_set.h - Growable sets of bits ------------------------*- C++ -*-===//
//
// BitSet is a set of bits numbered from 0, stored in 32-bit words: bit n is
// bit n mod 32 of word n / 32. Its size is the number of bits it is meant to
// hold (at least 1, at most 0xFFFFFFFE) and it always has size / 32 + 1
// words, so there is room up to the next multiple of 32 above the size.
// Setting a bit beyond the words first resizes the set to that bit number
// (the size becomes n, so bit n itself lies just beyond the size and is not
// counted by getEnabledCount; the word holding it exists).
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CONTAINERS_BIT_SET_H
#define VYX_CONTAINERS_BIT_SET_H

#include "vyx_base_export.h"

#include <cstdint>
#include <iosfwd>
#include <memory>

class opstream;
class ipstream;

/// A growable set of bits with set algebra.
class VYX_BASE_API BitSet {
public:
  /// The largest size a set may have.
  static constexpr unsigned long MaxSize = 0xFFFFFFFEul;

  BitSet() { resize(1); }
  explicit BitSet(unsigned long n) { resize(n); }
  BitSet(const BitSet &other);
  BitSet &operator=(const BitSet &other);
  ~BitSet() = default;

  unsigned long getSize() const { return Size; }
  unsigned long getWordCount() const { return WordCount; }
  /// Word i, unchecked.
  uint32_t getWord(unsigned long i) const { return Words[i]; }

  /// n = 0 becomes 1; the common words survive, new ones are zero. A size
  /// above MaxSize throws OutOfMemory_Exception and changes nothing.
  void resize(unsigned long n);

  /// Bit n; false beyond the words.
  bool operator[](unsigned long n) const {
    return n / 32 < WordCount && (Words[n / 32] >> (n % 32) & 1u) != 0;
  }
  /// Sets (resizing to n first when its word does not exist) or clears
  /// (when its word exists) bit n.
  void set(unsigned long n, bool on);
  BitSet &operator+=(unsigned long n) {
    set(n, true);
    return *this;
  }
  BitSet &operator-=(unsigned long n) {
    set(n, false);
    return *this;
  }
  /// set(i, on) for i = a .. b inclusive.
  void set_range(unsigned long a, unsigned long b, bool on);
  void enable_all();
  void disable_all();

  /// Set bits among bits 0 .. size - 1.
  unsigned long getEnabledCount() const;
  unsigned long getDisabledCount() const { return Size - getEnabledCount(); }
  /// Every word is 0.
  bool isEmpty() const;

  // Set algebra, word by word over the smaller of the two word counts.
  BitSet &operator+=(const BitSet &other) { return *this |= other; }
  BitSet &operator|=(const BitSet &other);
  BitSet &operator-=(const BitSet &other);
  BitSet &operator&=(const BitSet &other);
  BitSet &operator^=(const BitSet &other);
  BitSet operator+(const BitSet &other) const { return BitSet(*this) |= other; }
  BitSet operator|(const BitSet &other) const { return BitSet(*this) |= other; }
  BitSet operator-(const BitSet &other) const { return BitSet(*this) -= other; }
  BitSet operator&(const BitSet &other) const { return BitSet(*this) &= other; }
  BitSet operator^(const BitSet &other) const { return BitSet(*this) ^= other; }

  /// Equal word counts and identical words (bits beyond the size included).
  bool operator==(const BitSet &other) const;
  bool operator!=(const BitSet &other) const { return !(*this == other); }
  /// Equal word counts and every set bit of this set set in `other`.
  bool operator<=(const BitSet &other) const;
  bool operator<(const BitSet &other) const { return *this <= other && *this != other; }
  bool operator>=(const BitSet &other) const { return other <= *this; }
  bool operator>(const BitSet &other) const { return other < *this; }

  /// Size (dword), word count (dword), the words from the last to the first.
  void write(opstream &os) const;
  /// A stored word count other than size / 32 + 1, or a size outside 1 ..
  /// MaxSize, is a read failure. On any failure the set is unchanged and
  /// NonZeroPStreamState_Exception is thrown.
  void read(ipstream &is);

private:
  template <class Op> BitSet &combine(const BitSet &other, Op op);

  uint32_t Size = 0;
  std::unique_ptr<uint32_t[]> Words;
  uint32_t WordCount = 0;
};

/// One character per bit, "1" or "0", for bits 0 .. size - 1.
VYX_BASE_API std::ostream &operator<<(std::ostream &os, const BitSet &set);
VYX_BASE_API opstream &operator<<(opstream &os, const BitSet &set);
VYX_BASE_API ipstream &operator>>(ipstream &is, BitSet &set);

#endif // VYX_CONTAINERS_BIT_SET_H
