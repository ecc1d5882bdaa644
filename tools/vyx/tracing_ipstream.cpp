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
// (an exception); this class only notes where things started and ended, and
// reads the class name of a record from its prefix bytes, checking every
// length against the end of the data first.
//
//===----------------------------------------------------------------------===//

#include "tracing_ipstream.h"

#include "io/memory_io.h"
#include "object_model/metaclass.h"

#include <algorithm>

namespace vyx::tool {

namespace {

constexpr unsigned char BackReference = 1;
constexpr unsigned char NewObject = 2;
constexpr unsigned char PrefixByte = 0x7B;
constexpr uint16_t LongIndex = 0xFFFF;
constexpr uint16_t NullString = 0xFFFF;
constexpr uint16_t LongString = 0xFFFE;
constexpr uint32_t SizedString = 0xFFFFFFFF;

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

bool TracingIpstream::openRecord(uint64_t start, uint64_t prefix, bool byValue) {
  std::string name;
  uint64_t end = 0;
  if (prefix >= Size || Data[prefix] != PrefixByte || !nameAt(prefix + 1, name, end))
    return false;
  const GMetaClass *m = ipstream::find_class(name.c_str());
  TraceNode node;
  node.kind = TraceNode::Object;
  node.offset = start;
  node.className = name;
  node.number = nextNumber();
  node.byValue = byValue;
  node.unknownClass = m == nullptr;
  if (m && m->isOldClass() && m->getClassIdentifier()->getName())
    node.realClass = m->getClassIdentifier()->getName();
  std::vector<TraceNode> &nodes = current();
  nodes.push_back(std::move(node));
  OpenPath.push_back(nodes.size() - 1);
  // The prefix is the record's frame, not its data.
  Mark = end;
  return true;
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

uint64_t TracingIpstream::numberAt(uint64_t offset, unsigned n) const {
  if (offset > Size || Size - offset < n)
    return 0;
  uint64_t value = 0;
  for (unsigned i = 0; i < n; ++i) {
    unsigned char b = Data[offset + (need_swap_bytes() ? i : n - 1 - i)];
    value = (value << 8) | b;
  }
  return value;
}

uint64_t TracingIpstream::indexAt(uint64_t offset) const {
  uint64_t index = numberAt(offset, 2);
  return index == LongIndex ? numberAt(offset + 2, 4) : index;
}

// A stored string, as the prefix of a record holds the class name:
//   word n (n < 0xFFFE) | word 0xFFFE, dword n | word 0xFFFE, dword
//   0xFFFFFFFF, byte c, dword n; then n elements of c bytes. 0xFFFF: null.
bool TracingIpstream::nameAt(uint64_t offset, std::string &name, uint64_t &end) const {
  if (offset + 2 > Size)
    return false;
  uint64_t n = numberAt(offset, 2);
  uint64_t at = offset + 2;
  unsigned charSize = 1;
  if (n == NullString)
    return false;
  if (n == LongString) {
    n = numberAt(at, 4);
    at += 4;
    if (n == SizedString) {
      charSize = at < Size ? Data[at] : 0;
      n = numberAt(at + 1, 4);
      at += 5;
    }
  }
  if (at > Size || (charSize != 1 && charSize != 2 && charSize != 4) || n > (Size - at) / charSize)
    return false;
  name.clear();
  for (uint64_t i = 0; i < n; ++i) {
    // Wide names keep their ASCII characters; anything else shows as '?'.
    uint64_t unit = numberAt(at + i * charSize, charSize);
    name += charSize == 1 || unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  end = at + n * charSize;
  return true;
}

void TracingIpstream::addMarker(TraceNode::Kind kind, uint64_t at) {
  TraceNode node;
  node.kind = kind;
  node.offset = at;
  add(std::move(node));
  Mark = position();
}

template <class Read>
auto TracingIpstream::tracedRecord(uint64_t at, uint64_t prefix, bool byValue, Read read) {
  std::size_t depth = OpenPath.size();
  bool opened = openRecord(at, prefix, byValue);
  try {
    auto result = read();
    if (opened) {
      // The last byte read was the suffix: everything before it is data.
      flushData(position() - 1);
      closeTo(depth, position(), false);
    }
    Mark = position();
    return result;
  } catch (...) {
    closeData();
    closeTo(depth, position(), true);
    throw;
  }
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
    return tracedRecord(at, at + 1, false, [&] { return readPointerAfterMarker(marker, t); });
  return readPointerAfterMarker(marker, t);
}

GStreamable *TracingIpstream::readRecordByValue() {
  flushData(position());
  uint64_t at = position();
  return tracedRecord(at, at, true, [&]() -> GStreamable * {
    const GMetaClass *m = readPrefix();
    if (!m) {
      // Written as absent: no object, no number.
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
