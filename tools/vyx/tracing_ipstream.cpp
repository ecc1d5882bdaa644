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
// (an exception); this class only notes where things started and ended.
//
//===----------------------------------------------------------------------===//

#include "tracing_ipstream.h"

#include "io/memory_io.h"
#include "object_model/metaclass.h"

#include <algorithm>
#include <cstring>

namespace vyx::tool {

namespace {

constexpr unsigned char BackReference = 1;
constexpr unsigned char NewObject = 2;
constexpr unsigned char PrefixByte = 0x7B;
constexpr uint16_t LongIndex = 0xFFFF;
constexpr uint16_t LongString = 0xFFFE;

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
  node.bytes.assign(Data + Mark, Data + upTo);
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

void TracingIpstream::openRecord(uint64_t start, const char *name, const GMetaClass *m,
                                 bool byValue) {
  TraceNode node;
  node.kind = TraceNode::Object;
  node.offset = start;
  node.className = name ? name : "";
  node.number = nextNumber();
  node.byValue = byValue;
  node.unknownClass = m == nullptr;
  if (m && m->isOldClass() && m->getClassIdentifier()->getName())
    node.realClass = m->getClassIdentifier()->getName();
  std::vector<TraceNode> &nodes = current();
  nodes.push_back(std::move(node));
  OpenPath.push_back(nodes.size() - 1);
  Mark = position();
}

void TracingIpstream::closeTo(std::size_t depth, uint64_t end, bool failed) {
  while (OpenPath.size() > depth) {
    std::size_t index = OpenPath.back();
    OpenPath.pop_back();
    TraceNode &node = current()[index];
    node.end = end;
    node.incomplete = node.incomplete || failed;
  }
}

uint64_t TracingIpstream::indexAt(uint64_t offset) const {
  auto word = [&](uint64_t at) -> uint64_t {
    if (at + 2 > Size)
      return 0;
    return need_swap_bytes() ? (uint64_t(Data[at]) << 8) | Data[at + 1]
                             : Data[at] | (uint64_t(Data[at + 1]) << 8);
  };
  uint64_t index = word(offset);
  if (index != LongIndex)
    return index;
  uint64_t low = word(offset + 2), high = word(offset + 4);
  return need_swap_bytes() ? (low << 16) | high : low | (high << 16);
}

void TracingIpstream::addMarker(TraceNode::Kind kind, uint64_t at) {
  TraceNode node;
  node.kind = kind;
  node.offset = at;
  add(std::move(node));
  Mark = position();
}

template <class Read> auto TracingIpstream::tracedRecord(uint64_t at, bool byValue, Read read) {
  std::size_t depth = OpenPath.size();
  PendingRecord = static_cast<int64_t>(at);
  PendingByValue = byValue;
  try {
    auto result = read();
    PendingRecord = -1;
    if (OpenPath.size() > depth) {
      // The last byte read was the suffix: everything before it is data.
      flushData(position() - 1);
      closeTo(depth, position(), false);
    }
    Mark = position();
    return result;
  } catch (...) {
    PendingRecord = -1;
    closeData();
    closeTo(depth, position(), true);
    throw;
  }
}

const GMetaClass *TracingIpstream::find_class(const char *name) {
  const GMetaClass *m = ipstream::find_class(name);
  if (PendingRecord >= 0) {
    uint64_t start = static_cast<uint64_t>(PendingRecord);
    PendingRecord = -1;
    openRecord(start, name, m, PendingByValue);
    return m;
  }
  // A record that a class reads by value: its prefix ('{', the length and
  // the name) was just read. A metaclass read as a value also names a
  // class, but has no '{' in front of it.
  std::size_t n = std::strlen(name);
  uint64_t prefix = 1 + (n < LongString ? 2 : 6) + n;
  uint64_t here = position();
  if (here >= prefix && here - prefix >= Mark && Data[here - prefix] == PrefixByte) {
    flushData(here - prefix);
    openRecord(here - prefix, name, m, true);
  }
  return m;
}

void *TracingIpstream::readPointer(const type_info &t) {
  flushData(position());
  uint64_t at = position();
  unsigned char marker = readByte();
  if (marker == 0) {
    addMarker(TraceNode::Null, at);
    return nullptr;
  }
  if (marker == BackReference) {
    TraceNode node;
    node.kind = TraceNode::Reference;
    node.offset = at;
    void *p = nullptr;
    try {
      p = readPointerAfterMarker(marker, t);
    } catch (...) {
      node.number = indexAt(at + 1);
      node.incomplete = true;
      add(std::move(node));
      Mark = position();
      throw;
    }
    node.number = indexAt(at + 1);
    if (GStreamable *target = find(static_cast<unsigned long>(node.number)))
      if (const char *name = target->getMetaClass().getName())
        node.className = name;
    add(std::move(node));
    Mark = position();
    return p;
  }
  if (marker == NewObject)
    return tracedRecord(at, false, [&] { return readPointerAfterMarker(marker, t); });
  return readPointerAfterMarker(marker, t);
}

GStreamable *TracingIpstream::readRecordByValue() {
  flushData(position());
  uint64_t at = position();
  return tracedRecord(at, true, [&]() -> GStreamable * {
    const GMetaClass *m = readPrefix();
    if (!m) {
      // Written as absent: no object, no number.
      PendingRecord = -1;
      readSuffix(nullptr);
      addMarker(TraceNode::Absent, at);
      return nullptr;
    }
    auto *object = static_cast<GStreamable *>(readData(m, nullptr, GStreamable::gTypeInfo_));
    try {
      readSuffix(m);
    } catch (...) {
      GStreamable::Destroy(object);
      throw;
    }
    return object;
  });
}

GStreamable *TracingIpstream::readItem() {
  if (peek() > NewObject)
    return readRecordByValue();
  bool fresh = peek() == NewObject;
  void *p = readPointer(GStreamable::gTypeInfo_);
  return fresh ? static_cast<GStreamable *>(p) : nullptr;
}

} // namespace vyx::tool
