//===- class_id.h - Two-word class identifiers ------------------*- C++ -*-===//
//
// GClassID is a 64-bit identifier kept as two unsigned 32-bit words, low and
// high. A default-constructed identifier has both words 0xFFFFFFFF (no
// identifier). Words are 32 bits wide whatever the width of `unsigned long`:
// a value that does not fit is refused with GPreconditionException rather
// than cut silently.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_OBJECT_MODEL_CLASS_ID_H
#define VYX_OBJECT_MODEL_CLASS_ID_H

#include "object_model/exceptions.h"

#include <cstdint>

/// An identifier of two 32-bit words.
class GClassID {
public:
  GClassID() = default;
  GClassID(unsigned long low, unsigned long high) : LowWord(word(low)), HighWord(word(high)) {}

  uint32_t Low() const { return LowWord; }
  uint32_t High() const { return HighWord; }
  void Low(unsigned long low) { LowWord = word(low); }
  void High(unsigned long high) { HighWord = word(high); }

  bool operator==(const GClassID &other) const {
    return LowWord == other.LowWord && HighWord == other.HighWord;
  }
  bool operator!=(const GClassID &other) const { return !(*this == other); }

private:
  static uint32_t word(unsigned long value) {
    if (value > 0xFFFFFFFFul)
      throw GPreconditionException("value <= 0xFFFFFFFF", __FILE__, __LINE__);
    return static_cast<uint32_t>(value);
  }

  uint32_t LowWord = 0xFFFFFFFFu;
  uint32_t HighWord = 0xFFFFFFFFu;
};

#endif // VYX_OBJECT_MODEL_CLASS_ID_H
