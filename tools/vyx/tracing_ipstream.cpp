//===- tracing_ipstream.cpp - A pstream reader that records what it reads -===//
//
// The items of a pstream file, as this reader takes them:
//
//   item     := pointer | record
//   pointer  := 0 | 1 index | 2 record
//   record   := '{' name data ']'
//
// The data of a record is whatever its class reads; the class registry
// decides how it is read. Every damage is reported by the library reader
// (an exception); this class only builds the tree of what the reader tells
// its tracer, and turns bytes read but not told of into data nodes.
//
//===----------------------------------------------------------------------===//

#include "tracing_ipstream.h"

#include "io/memory_io.h"
#include "object_model/metaclass.h"

#include <algorithm>

namespace vyx::tool {

namespace {

constexpr unsigned char NewObject = 2;

} // namespace

uint64_t TracingIpstream::Device::logicalPosition() const {
  long device = getIO() ? getIO()->gtell() : 0;
  long unread = getState() == SB_READ ? static_cast<long>(getREnd() - getRCurrent()) : 0;
  return static_cast<uint64_t>(std::max(0L, device - unread));
}

TracingIpstream::TracingIpstream(const unsigned char *data, std::size_t size)
    : Data(data), Size(size), Buffered(new GMemoryIO(const_cast<unsigned char *>(data),
                                                     static_cast<long>(size), GIO::IO_READ)) {
  bind(&Buffered);
  generate_exception_on(eofbit | failbit | badbit);
  setTracer(this);
}

TracingIpstream::~TracingIpstream() = default;

uint64_t TracingIpstream::position() const { return Buffered.logicalPosition(); }

std::vector<TraceNode> &TracingIpstream::current() {
  std::vector<TraceNode> *nodes = &Roots;
  for (std::size_t index : OpenPath)
    nodes = &(*nodes)[index].children;
  return *nodes;
}

TraceNode &TracingIpstream::add(TraceNode node) {
  std::vector<TraceNode> &nodes = current();
  nodes.push_back(std::move(node));
  return nodes.back();
}

void TracingIpstream::flushData(uint64_t upTo) {
  upTo = std::min<uint64_t>(upTo, Size);
  if (upTo <= Mark)
    return;
  TraceNode node;
  node.kind = TraceNode::Data;
  node.offset = Mark;
  node.byteCount = upTo - Mark;
  node.bytes.assign(Data + Mark,
                    Data + Mark + std::min<uint64_t>(node.byteCount, TraceNode::MaxKeptBytes));
  add(std::move(node));
  Mark = upTo;
}

void TracingIpstream::closeData() { flushData(position()); }

uint64_t TracingIpstream::nextNumber() {
  uint64_t n = KnownCount;
  if (n > 0 && !find(n)) {
    // Numbers were forgotten (a failed record): find the end again.
    uint64_t low = 0, high = n;
    while (low + 1 < high) {
      uint64_t mid = low + (high - low) / 2;
      (find(mid) ? low : high) = mid;
    }
    n = low;
  }
  while (find(n + 1))
    ++n;
  KnownCount = n;
  return n + 1;
}

// What the stream reports -------------------------------------------------------

void TracingIpstream::value(const PStreamValue &v) {
  flushData(v.Offset);
  TraceNode node;
  node.kind = TraceNode::Value;
  node.offset = v.Offset;
  node.value = v;
  node.value.Data = nullptr;
  if (v.Kind == PStreamValueKind::Bytes || v.Kind == PStreamValueKind::Elements) {
    auto *bytes = static_cast<const unsigned char *>(v.Data);
    node.byteCount = v.Length;
    if (bytes)
      node.bytes.assign(bytes, bytes + std::min(v.Length, TraceNode::MaxKeptBytes));
  } else if (v.Data) {
    node.hasText = true;
    node.text.assign(static_cast<const char *>(v.Data), v.Length);
  }
  add(std::move(node));
  Mark = v.Offset + v.Size;
}

void TracingIpstream::nullPointer(uint64_t offset) {
  flushData(offset);
  TraceNode node;
  node.kind = TraceNode::Null;
  node.offset = offset;
  add(std::move(node));
  Mark = offset + 1;
}

void TracingIpstream::backReference(uint64_t offset, uint64_t number, const GStreamable *object) {
  flushData(offset);
  TraceNode node;
  node.kind = TraceNode::Reference;
  node.offset = offset;
  node.number = number;
  node.incomplete = object == nullptr;
  if (object && object->getMetaClass().getName())
    node.className = object->getMetaClass().getName();
  add(std::move(node));
  // Marker and index: a word, or the word 0xFFFF and a dword.
  Mark = offset + (number < 0xFFFF ? 3 : 7);
}

void TracingIpstream::recordStart(const PStreamRecord &record) {
  flushData(record.Offset);
  TraceNode node;
  node.kind = record.Name ? TraceNode::Object : TraceNode::Absent;
  node.offset = record.Offset;
  node.byValue = record.ByValue;
  if (record.Name) {
    node.className = record.Name;
    node.number = record.Number;
    node.unknownClass = record.Class == nullptr;
    if (record.Class && record.Class->isOldClass() && record.Class->getClassIdentifier()->getName())
      node.realClass = record.Class->getClassIdentifier()->getName();
  }
  std::vector<TraceNode> &nodes = current();
  nodes.push_back(std::move(node));
  OpenPath.push_back(nodes.size() - 1);
  // The prefix is the record's frame, not its data.
  Mark = record.DataOffset;
}

void TracingIpstream::recordEnd(uint64_t offset, bool failed) {
  // Before the suffix byte, or up to where the failure stopped the record.
  flushData(failed ? offset : offset - 1);
  if (OpenPath.empty())
    return;
  std::size_t index = OpenPath.back();
  OpenPath.pop_back();
  TraceNode &node = current()[index];
  node.end = offset;
  node.incomplete = node.incomplete || failed;
  Mark = offset;
}

// Top-level items ---------------------------------------------------------------

GStreamable *TracingIpstream::readRecordByValue() {
  // The stream reports records read by value through readStreamable, which
  // needs an object to read into; a record at the top level names its own
  // class, so it is built here and reported the same way.
  uint64_t at = position();
  PStreamRecord record;
  record.Offset = at;
  record.ByValue = true;
  const GMetaClass *m;
  try {
    m = readPrefix();
  } catch (const UnknownStreamableType_Exception &e) {
    record.Name = e.getClassName();
    record.Number = nextNumber();
    record.DataOffset = position();
    recordStart(record);
    recordEnd(record.DataOffset, true);
    throw;
  }
  record.DataOffset = position();
  if (m) {
    record.Name = m->getName() ? m->getName() : "";
    record.Class = m;
    record.Number = nextNumber();
  }
  recordStart(record);
  GStreamable *object = nullptr;
  try {
    if (m)
      object = static_cast<GStreamable *>(readData(m, nullptr, GStreamable::gTypeInfo_));
    readSuffix(m);
  } catch (...) {
    GStreamable::Destroy(object);
    recordEnd(position(), true);
    throw;
  }
  recordEnd(position(), false);
  return object;
}

GStreamable *TracingIpstream::readItem() {
  if (peek() > NewObject)
    return readRecordByValue();
  bool fresh = peek() == NewObject;
  void *p = readPointer(GStreamable::gTypeInfo_);
  return fresh ? static_cast<GStreamable *>(p) : nullptr;
}

} // namespace vyx::tool
