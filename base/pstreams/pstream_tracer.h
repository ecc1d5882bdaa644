//===- pstream_tracer.h - Observing what a reading pstream reads -*- C++ -*-===//
//
// A PStreamTracer set on an ipstream (ipstream::setTracer) is told of every
// primitive value the stream reads for the objects it builds, of every
// pointer marker, back-reference and object record, each with its offset:
// enough to show the whole tree of a stored graph, typed, for any registered
// class, without the classes knowing.
//
// Offsets count the bytes the stream has read since it was built or last
// sought (countOfReadBytes, kept in 64 bits while a tracer is set). A read
// that the exception mask turns into an exception is not reported: the
// tracer's owner sees the exception instead, at the stream's offset.
//
// Reading without a tracer costs one predictable branch per read.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PSTREAMS_PSTREAM_TRACER_H
#define VYX_PSTREAMS_PSTREAM_TRACER_H

#include "vyx_base_export.h"

#include <cstddef>
#include <cstdint>

class GMetaClass;
class GStreamable;

namespace vyx {

/// The stored kind of a primitive value.
enum class PStreamValueKind : uint8_t {
  Byte,        ///< 1 byte (readByte, char types)
  Word,        ///< 2 bytes (readWord, short types)
  DWord,       ///< 4 bytes (readDWord, int and long types)
  Bool,        ///< 4 bytes, non-zero is true
  Float,       ///< 4-byte IEEE single
  Double,      ///< 8-byte IEEE double
  Int64,       ///< 8 bytes: low dword, then high dword
  Scaled,      ///< a float or double scaled by the input scale on reading
  CompatDWord, ///< one word, or two words for values above 0x7FFF
  String,      ///< a narrow string read (its stored form may be wide)
  WideString,  ///< a 16-bit string read
  Bytes,       ///< raw bytes (readBytes)
  Elements,    ///< elements of ElementSize bytes, each reversed when swapping
  Skipped,     ///< bytes read and dropped (skipBytes)
  ClassName,   ///< a class written as its name (operator>>(const GMetaClass *&))
};

/// One primitive value as read.
struct PStreamValue {
  PStreamValueKind Kind = PStreamValueKind::Byte;
  /// Where its stored form starts.
  uint64_t Offset = 0;
  /// Stored bytes it took (also when they ran out).
  uint64_t Size = 0;
  /// Every stored byte arrived.
  bool Complete = true;
  /// Integers: read into a signed type (Integer holds the value
  /// sign-extended).
  bool Signed = false;
  /// Integers, bools, compat dwords: the value.
  uint64_t Integer = 0;
  /// Float, Double: the value; Scaled: the value after scaling.
  double Real = 0;
  /// Scaled: the stored value (a float when Size is 4) and the exponent of
  /// the input scale it was multiplied by.
  double Stored = 0;
  int Exponent = 0;
  /// String, WideString: the stored element size (1, 2 or 4); Elements:
  /// the element size.
  unsigned ElementSize = 0;
  /// String, WideString, ClassName: the text as UTF-8 (not terminated), null
  /// for a null string or text that cannot be converted. Bytes, Elements:
  /// the bytes read. Skipped: null.
  const void *Data = nullptr;
  /// Bytes of Data.
  std::size_t Length = 0;
};

/// One object record as its prefix was read.
struct PStreamRecord {
  /// Where the record's item starts: its pointer marker, or its prefix
  /// when it is read by value.
  uint64_t Offset = 0;
  /// Read by value (readStreamable) rather than through a pointer.
  bool ByValue = false;
  /// The class name as stored (UTF-8, terminated); null for an object
  /// written as absent.
  const char *Name = nullptr;
  /// The class it reads as (an old name gives the class it stands for);
  /// null when absent, or when no class has that name (the read then throws).
  const GMetaClass *Class = nullptr;
  /// The number the object gets; 0 for an absent object.
  uint64_t Number = 0;
  /// Where the object's own data starts (after the prefix).
  uint64_t DataOffset = 0;
};

/// Receives what a reading pstream reads (see ipstream::setTracer).
///
/// Records nest: recordStart is followed by the record's values, pointers
/// and inner records, then by recordEnd (also when an exception ends the
/// record, with `failed` set, before the exception leaves the stream).
class VYX_BASE_API PStreamTracer {
public:
  virtual ~PStreamTracer();

  /// A primitive value.
  virtual void value(const PStreamValue &v) = 0;
  /// A null pointer (marker 0) at `offset`.
  virtual void nullPointer(uint64_t offset);
  /// A back-reference at `offset` (its marker) to object `number`; `object`
  /// is null when there is none (the read then throws). Static objects
  /// announced with registerStaticObjectToRead show here too.
  virtual void backReference(uint64_t offset, uint64_t number, const GStreamable *object);
  /// An object record starts.
  virtual void recordStart(const PStreamRecord &record);
  /// The innermost record ends at `offset` (after its suffix, or where the
  /// failure stopped it).
  virtual void recordEnd(uint64_t offset, bool failed);
};

} // namespace vyx

#endif // VYX_PSTREAMS_PSTREAM_TRACER_H
