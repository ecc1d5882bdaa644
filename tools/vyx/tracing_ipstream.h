//===- tracing_ipstream.h - A pstream reader that records what it reads -*- C++ -*-===//
//
// TracingIpstream reads the objects of a pstream held in memory through the
// class registry, like any ipstream, and records a tree of what it met: for
// every pointer its offset and marker (null, back-reference, new object),
// for every object record its class name, its object number and its extent,
// and between them the bytes each class read for its own fields. Records
// nest as the objects nest.
//
// The stream sees every pointer through readPointer, the virtual hook of
// ipstream that classes read their pointers through; it takes the class
// name of a record from the bytes of its prefix. The reads of single values
// are not virtual, so the bytes a class reads are recorded as runs between
// pointers; so are the records that a class reads by value (readStreamable)
// inside its own data. Top-level records written by value are traced as
// objects.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_TOOLS_TRACING_IPSTREAM_H
#define VYX_TOOLS_TRACING_IPSTREAM_H

#include "io/buffered_io.h"
#include "pstreams/pstream.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vyx::tool {

/// One thing the tracing stream met.
struct TraceNode {
  enum Kind { Object, Reference, Null, Absent, Data };

  Kind kind = Data;
  /// Where it starts in the stream.
  uint64_t offset = 0;
  /// Object: the offset after its suffix (or where reading stopped).
  uint64_t end = 0;
  /// Object: the stored class name; reference: the class of the object.
  std::string className;
  /// Object: the registered class the name stands for, when it differs
  /// (an alias of an old name).
  std::string realClass;
  /// Object: its number; reference: the number it refers to. 0: none.
  uint64_t number = 0;
  /// Object: a top-level record written by value, not through a pointer.
  bool byValue = false;
  /// Object: the class is not registered.
  bool unknownClass = false;
  /// Object: reading it failed (its data may be short).
  bool incomplete = false;
  /// Data: the bytes.
  std::vector<unsigned char> bytes;
  std::vector<TraceNode> children;
};

/// A reading pstream over a block of memory that records a TraceNode tree.
class TracingIpstream : public ipstream {
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

  void *readPointer(const type_info &t) override;

private:
  /// The node new events go into (the innermost open object, or the roots).
  std::vector<TraceNode> &current();
  TraceNode &add(TraceNode node);
  /// The bytes since the last event, up to `upTo`, become a data node.
  void flushData(uint64_t upTo);
  /// The number the next registered object gets.
  uint64_t nextNumber();
  /// Closes the objects opened since `depth` objects were open, ending at
  /// `end`.
  void closeTo(std::size_t depth, uint64_t end, bool failed);
  /// Opens the node of the object record that starts at `start` and whose
  /// prefix ('{' and the class name) is at `prefix`. False, with nothing
  /// opened, when the bytes there hold no prefix with a name (the library
  /// reader then tells what is wrong, or reads an absent object).
  bool openRecord(uint64_t start, uint64_t prefix, bool byValue);
  /// The stored string at `offset`: its text (narrow form) and the offset
  /// after it. False for a null string or one that runs past the data.
  bool nameAt(uint64_t offset, std::string &name, uint64_t &end) const;
  /// The `n`-byte number stored at `offset` in the stream's byte order.
  uint64_t numberAt(uint64_t offset, unsigned n) const;
  /// Adds a node without contents (null, absent) at `at`.
  void addMarker(TraceNode::Kind kind, uint64_t at);
  /// Runs `read`, which reads the object record starting at `at` (its
  /// prefix at `prefix`), and closes the record's node when it ends or
  /// fails.
  template <class Read> auto tracedRecord(uint64_t at, uint64_t prefix, bool byValue, Read read);
  /// Reads an object record written by value at the top level.
  GStreamable *readRecordByValue();
  /// The object index stored at `offset` (word, or 0xFFFF and a dword).
  uint64_t indexAt(uint64_t offset) const;

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
  uint64_t Mark = 0;
  uint64_t KnownCount = 0;
};

} // namespace vyx::tool

#endif // VYX_TOOLS_TRACING_IPSTREAM_H
