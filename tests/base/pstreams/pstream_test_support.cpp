//===- pstream_test_support.cpp - Streamable classes for tests ------------===//

#include "pstream_test_support.h"

#include <cstring>

namespace pstest {

int LiveObjects = 0;
int ShutDowns = 0;
const GMetaClass *ReadingClassSeen = nullptr;

namespace {
HINSTANCE TestModule = nullptr;
} // namespace

VYX_IMPLEMENT_CLASS(Node, "PsTestNode", &TestModule, GStreamable)
VYX_IMPLEMENT_CLASS(Owner, "PsTestOwner", &TestModule, GStreamable)
VYX_IMPLEMENT_CLASS(Chain, "PsTestChain", &TestModule, GStreamable)
VYX_IMPLEMENT_CLASS(Stranger, "PsTestStranger", &TestModule, GStreamable)
VYX_IMPLEMENT_CLASS(Measured, "PsTestMeasured", &TestModule, GStreamable)
VYX_IMPLEMENT_ABSTRACT_CLASS(Abstract, "PsTestAbstract", &TestModule, GStreamable)
VYX_IMPLEMENT_ALIAS(Node, "PsTestOldNode");

void Node::read(ipstream &is) {
  ReadingClassSeen = is.metaclassOfReadingObject();
  is >> Value >> Next >> Other;
}
void Node::write(opstream &os) { os << Value << Next << Other; }

Owner::~Owner() {
  GStreamable::Destroy(Child);
  --LiveObjects;
}
void Owner::read(ipstream &is) {
  is >> Child >> Value;
  if (Value < 0)
    throw InvalidPStream_Exception("negative value");
}
void Owner::write(opstream &os) { os << Child << Value; }

Chain::~Chain() {
  // Iteratively, so that a long chain does not recurse.
  Chain *inner = Inner;
  while (inner) {
    Chain *next = inner->Inner;
    inner->Inner = nullptr;
    delete inner;
    inner = next;
  }
  --LiveObjects;
}
void Chain::read(ipstream &is) { is >> Inner; }
void Chain::write(opstream &os) { os << Inner; }

void Measured::read(ipstream &is) {
  GStreamable::read(is);
  is >> Length;
}
void Measured::write(opstream &os) {
  GStreamable::write(os);
  os << Length;
}

Bytes Written(const std::function<void(opstream &)> &write, pstream::EndianType endian) {
  ompstream os;
  os.endian(endian);
  write(os);
  auto *data = static_cast<unsigned char *>(os.data());
  return Bytes(data, data + os.size());
}

Bytes NameRecord(const char *name) {
  std::size_t n = std::strlen(name);
  Bytes out(2 + n);
  out[0] = static_cast<unsigned char>(n);
  out[1] = static_cast<unsigned char>(n >> 8);
  if (n)
    std::memcpy(out.data() + 2, name, n);
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes &p : parts)
    out.insert(out.end(), p.begin(), p.end());
  return out;
}

} // namespace pstest
