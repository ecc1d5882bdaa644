//===- ipstream_trace.cpp - Reading with a tracer set ---------------------===//
//
// The second path of every read of ipstream, taken only while a tracer is
// set: it notes where the read starts, does the ordinary read with the
// tracer suspended (so that the reads it is made of are not reported on
// their own), and reports the value or record it read. Nothing here
// decides anything about the stored bytes; the ordinary reads check them.
//
//===----------------------------------------------------------------------===//

#include "pstreams/pstream.h"

#include "object_model/metaclass.h"
#include "strings/gstring.h"
#include "strings/text_conversion.h"

#include <cstring>
#include <string>

using vyx::PStreamRecord;
using vyx::PStreamValue;
using Kind = vyx::PStreamValueKind;

namespace vyx {

PStreamTracer::~PStreamTracer() = default;
void PStreamTracer::nullPointer(uint64_t) {}
void PStreamTracer::backReference(uint64_t, uint64_t, const GStreamable *) {}
void PStreamTracer::recordStart(const PStreamRecord &) {}
void PStreamTracer::recordEnd(uint64_t, bool) {}

} // namespace vyx

/// Reads without reporting for as long as it lives, and tells whether the
/// reads made in the meantime ran out of data.
class ipstream::TraceSuspension {
public:
  explicit TraceSuspension(ipstream &stream)
      : Stream(stream), Saved(stream.Tracer), Before(stream.rdstate()) {
    Stream.Tracer = nullptr;
  }
  TraceSuspension(const TraceSuspension &) = delete;
  TraceSuspension &operator=(const TraceSuspension &) = delete;
  ~TraceSuspension() { Stream.Tracer = Saved; }

  bool complete() const { return (Stream.rdstate() & ~Before & (eofbit | failbit)) == 0; }

private:
  ipstream &Stream;
  vyx::PStreamTracer *Saved;
  int Before;
};

namespace {

constexpr int NullPointer = 0;
constexpr int BackReference = 1;
constexpr int NewObject = 2;

PStreamValue valueAt(Kind kind, uint64_t offset, bool isSigned = false) {
  PStreamValue v;
  v.Kind = kind;
  v.Offset = offset;
  v.Signed = isSigned;
  return v;
}

} // namespace

uint64_t ipstream::tracedInt64(bool isSigned) {
  PStreamValue v = valueAt(Kind::Int64, traceOffset(), isSigned);
  {
    TraceSuspension quiet(*this);
    v.Integer = getInt64();
    v.Complete = quiet.complete();
  }
  traceValue(v);
  return v.Integer;
}

unsigned long ipstream::tracedCompatDWord() {
  PStreamValue v = valueAt(Kind::CompatDWord, traceOffset());
  {
    TraceSuspension quiet(*this);
    v.Integer = compat_readDWord();
    v.Complete = quiet.complete();
  }
  traceValue(v);
  return static_cast<unsigned long>(v.Integer);
}

double ipstream::readTracedScaledNumber(unsigned size, int exponent) {
  PStreamValue v = valueAt(Kind::Scaled, traceOffset());
  {
    TraceSuspension quiet(*this);
    if (size == sizeof(float)) {
      float stored;
      *this >> stored;
      v.Stored = stored;
    } else {
      *this >> v.Stored;
    }
    v.Complete = quiet.complete();
  }
  v.Exponent = exponent;
  v.Real = vyx::ScaleReadNumber(v.Stored, exponent);
  if (size == sizeof(float))
    v.Real = static_cast<float>(v.Real);
  if (Tracer)
    traceValue(v);
  return v.Real;
}

long ipstream::tracedBytes(void *data, unsigned size, long count) {
  PStreamValue v = valueAt(size == 1 ? Kind::Bytes : Kind::Elements, traceOffset());
  long got;
  {
    TraceSuspension quiet(*this);
    got = size == 1 ? readBytes(data, count) : readBytes(data, size, count);
    v.Complete = quiet.complete();
  }
  v.ElementSize = size;
  v.Data = data;
  v.Length = got > 0 ? static_cast<std::size_t>(got) : 0;
  traceValue(v);
  return got;
}

void ipstream::tracedSkip(long n) {
  PStreamValue v = valueAt(Kind::Skipped, traceOffset());
  {
    TraceSuspension quiet(*this);
    skipRaw(n);
    v.Complete = quiet.complete();
  }
  traceValue(v);
}

void *ipstream::tracedString(unsigned size) {
  PStreamValue v = valueAt(size == 2 ? Kind::WideString : Kind::String, traceOffset());
  void *text;
  {
    TraceSuspension quiet(*this);
    text = stringOf(size, v.ElementSize);
    v.Complete = quiet.complete();
  }
  std::string narrow;
  if (text && size == 2) {
    // Shown as UTF-8; text that cannot be converted shows as none.
    auto *units = static_cast<const unsigned short *>(text);
    std::size_t n = 0;
    while (units[n])
      ++n;
    std::size_t bytes = vyx::Utf16ToNarrow(units, n, nullptr);
    if (bytes != vyx::TextConversionError) {
      narrow.resize(bytes);
      vyx::Utf16ToNarrow(units, n, narrow.data());
      v.Data = narrow.data();
      v.Length = narrow.size();
    }
  } else if (text) {
    v.Data = text;
    v.Length = std::strlen(static_cast<const char *>(text));
  }
  traceValue(v);
  return text;
}

bool ipstream::tracedCharString(GString &s) {
  PStreamValue v = valueAt(Kind::String, traceOffset());
  bool read;
  {
    TraceSuspension quiet(*this);
    read = charStringOf(s, v.ElementSize);
    v.Complete = quiet.complete();
  }
  if (read) {
    v.Data = s.c_str();
    v.Length = s.length();
  }
  traceValue(v);
  return read;
}

const GMetaClass *ipstream::tracedMetaClass() {
  PStreamValue v = valueAt(Kind::ClassName, traceOffset());
  const GMetaClass *m;
  {
    TraceSuspension quiet(*this);
    *this >> m;
    v.Complete = quiet.complete();
  }
  v.Size = traceOffset() - v.Offset;
  if (m && m->getName()) {
    v.Data = m->getName();
    v.Length = std::strlen(m->getName());
  } else if (v.Complete && v.Size > 2) {
    // A name no class has: the bytes just read.
    v.Data = NameBuffer.data();
    v.Length = static_cast<std::size_t>(v.Size - 2);
  }
  traceValue(v);
  return m;
}

// Pointers and records --------------------------------------------------------------

const GMetaClass *ipstream::tracedPrefix(uint64_t at, bool byValue) {
  PStreamRecord record;
  record.Offset = at;
  record.ByValue = byValue;
  const GMetaClass *m;
  try {
    m = prefix();
  } catch (const UnknownStreamableType_Exception &e) {
    // The record has a name but no class: it starts and fails at once.
    record.Name = e.getClassName();
    record.Number = ReadCount + 1;
    record.DataOffset = traceOffset();
    Tracer->recordStart(record);
    Tracer->recordEnd(record.DataOffset, true);
    throw;
  }
  record.DataOffset = traceOffset();
  if (m) {
    // prefix() leaves the name it read in NameBuffer, unless the record
    // repeated the class of the one before, whose name it kept.
    const std::vector<unsigned char> &name = m == LastClass ? LastClassName : NameBuffer;
    record.Name = reinterpret_cast<const char *>(name.data());
    record.Class = m;
    record.Number = ReadCount + 1;
  }
  Tracer->recordStart(record);
  return m;
}

void *ipstream::tracedPointer(int marker, const type_info &t) {
  vyx::PStreamTracer *tracer = Tracer;
  // The marker byte has just been read.
  uint64_t at = traceOffset() - 1;
  switch (marker) {
  case NullPointer:
    tracer->nullPointer(at);
    return nullptr;
  case BackReference: {
    unsigned long index = objectIndex();
    tracer->backReference(at, index, find(index));
    return referenced(index, t);
  }
  case NewObject: {
    const GMetaClass *m = tracedPrefix(at, false);
    try {
      void *object = newObject(m, t);
      tracer->recordEnd(traceOffset(), false);
      return object;
    } catch (...) {
      tracer->recordEnd(traceOffset(), true);
      throw;
    }
  }
  default: {
    // Not a pointer: the ordinary read says so.
    TraceSuspension quiet(*this);
    return readPointerAfterMarker(marker, t);
  }
  }
}

void ipstream::tracedStreamable(GStreamable &obj) {
  vyx::PStreamTracer *tracer = Tracer;
  std::size_t mark = ReadCount;
  const GMetaClass *m = tracedPrefix(traceOffset(), true);
  try {
    if (m)
      data(m, &obj, obj.getTypeInfo_());
    suffix(m);
    tracer->recordEnd(traceOffset(), false);
  } catch (...) {
    rollBack(mark, false);
    tracer->recordEnd(traceOffset(), true);
    throw;
  }
}
