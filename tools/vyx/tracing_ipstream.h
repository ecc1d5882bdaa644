//===- tracing_ipstream.h - A pstream reader that records what it reads -*- C++ -*-===//
//
// TracingIpstream reads the objects of a pstream held in memory through the
// class registry, like any ipstream, with itself set as the stream's tracer
// (vyx::PStreamTracer), and records a tree of what it met: for every pointer
// its offset and marker (null, back-reference, new object), for every object
// record its class name, its object number and its extent, and inside each
// record every primitive value its class read, typed. Records nest as the
// objects nest, also those that a class reads by value.
//
// Bytes that were read but not reported as a value (the part of a value
// that was there when the data ran out, a byte that starts no item) become
// data nodes.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_TOOLS_TRACING_IPSTREAM_H
#define VYX_TOOLS_TRACING_IPSTREAM_H

#include "io/buffered_io.h"
#include "pstreams/pstream.h"
#include "pstreams/pstream_tracer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vyx::tool {

/// One thing the tracing stream met.
struct TraceNode {
  enum Kind { Object, Reference, Null, Absent, Data, Value };

  Kind kind = Data;
  /// Where it starts in the stream.
  uint64_t offset = 0;
  /// Object, Absent: the offset after its suffix (or where reading stopped).
  uint64_t end = 0;
  /// Object: the stored class name; reference: the class of the object.
  std::string className;
  /// Object: the registered class the name stands for, when it differs
  /// (an alias of an old name).
  std::string realClass;
  /// Object: its number; reference: the number it refers to. 0: none.
  uint64_t number = 0;
  /// Object: a record read by value, not through a pointer.
  bool byValue = false;
  /// Object: the class is not registered.
  bool unknownClass = false;
  /// Object, reference: reading it failed.
  bool incomplete = false;

  /// Value: what was read (Data and Length are copied into text / bytes).
  PStreamValue value;
  /// Value: strings and class names as UTF-8; hasText false for null.
  std::string text;
  bool hasText = false;
  /// Data, Value (bytes, elements): the bytes, at most MaxKeptBytes of them.
  std::vector<unsigned char> bytes;
  /// Data, Value (bytes, elements): the count of bytes, also those not kept.
  uint64_t byteCount = 0;

  std::vector<TraceNode> children;

  static constexpr std::size_t MaxKeptBytes = 4096;
};

/// A reading pstream over a block of memory that records a TraceNode tree.
class TracingIpstream : public ipstream, private PStreamTracer {
public:
  /// Reads `size` bytes at `data` (not copied; they must outlive the
  /// stream). Every short read throws (NonZeroPStreamState_Exception).
  TracingIpstream(const unsigned char *data, std::size_t size);
  ~TracingIpstream() override;

  /// The offset of the next byte to read.
  uint64_t position() const;
  bool atEnd() const { return position() >= Size; }
  /// The byte at the position (only when not at the end).
  unsigned char peek() const { return Data[position()]; }

  /// Reads one top-level item: a pointer (markers 0, 1, 2) or an object
  /// record written by value. Returns the object built for it (owned by
  /// the caller), or null for a null pointer, a back-reference or an
  /// absent object.
  GStreamable *readItem();

  /// Records the bytes read since the last event (call after a failure).
  void closeData();

  /// The items read so far.
  const std::vector<TraceNode> &items() const { return Roots; }
  /// The objects the stream numbered so far.
  uint64_t numberedObjects() { return nextNumber() - 1; }

private:
  // What the stream reports.
  void value(const PStreamValue &v) override;
  void nullPointer(uint64_t offset) override;
  void backReference(uint64_t offset, uint64_t number, const GStreamable *object) override;
  void recordStart(const PStreamRecord &record) override;
  void recordEnd(uint64_t offset, bool failed) override;

  /// The node new events go into (the innermost open object, or the roots).
  std::vector<TraceNode> &current();
  TraceNode &add(TraceNode node);
  /// The bytes since the last event, up to `upTo`, become a data node.
  void flushData(uint64_t upTo);
  /// The number the next registered object gets.
  uint64_t nextNumber();
  /// Reads an object record written by value at the top level.
  GStreamable *readRecordByValue();

  /// A buffered device that tells the logical position without flushing.
  class Device : public GBufferedIO {
  public:
    using GBufferedIO::GBufferedIO;
    uint64_t logicalPosition() const;
  };

  const unsigned char *Data;
  std::size_t Size;
  Device Buffered;
  std::vector<TraceNode> Roots;
  /// Paths of indices from the roots to the open objects.
  std::vector<std::size_t> OpenPath;
  /// The end of the last event: bytes after it are not yet accounted for.
  uint64_t Mark = 0;
  uint64_t KnownCount = 0;
};

} // namespace vyx::tool

#endif // VYX_TOOLS_TRACING_IPSTREAM_H
