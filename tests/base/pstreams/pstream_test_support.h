//===- pstream_test_support.h - Streamable classes and helpers for tests -*- C++ -*-===//
#ifndef VYX_TESTS_PSTREAM_TEST_SUPPORT_H
#define VYX_TESTS_PSTREAM_TEST_SUPPORT_H

#include "io/buffered_io.h"
#include "io/memory_io.h"
#include "pstreams/memory_pstream.h"
#include "pstreams/pstream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace pstest {

using Bytes = std::vector<unsigned char>;

/// Counts the live objects of the test classes.
extern int LiveObjects;
/// Counts shut_down calls.
extern int ShutDowns;
/// metaclassOfReadingObject() as Node::read saw it.
extern const GMetaClass *ReadingClassSeen;

/// A node of an object graph: a value and two pointers it does not own.
class Node : public GStreamable {
  VYX_DECLARE_CLASS(Node);
  Node() { ++LiveObjects; }
  explicit Node(int32_t value) : Value(value) { ++LiveObjects; }
  Node(const Node &other) : GStreamable(other), Value(other.Value) { ++LiveObjects; }
  ~Node() override { --LiveObjects; }
  void shut_down() override { ++ShutDowns; }
  void read(ipstream &is) override;
  void write(opstream &os) override;

  int32_t Value = 0;
  Node *Next = nullptr;
  Node *Other = nullptr;
};

/// Owns its child, which it reads by pointer; throws from read when the
/// value read is negative (after the child was read and attached).
class Owner : public GStreamable {
  VYX_DECLARE_CLASS(Owner);
  Owner() { ++LiveObjects; }
  ~Owner() override;
  void read(ipstream &is) override;
  void write(opstream &os) override;

  int32_t Value = 0;
  GStreamable *Child = nullptr;
};

/// Nests one level per object: a chain written by pointer.
class Chain : public GStreamable {
  VYX_DECLARE_CLASS(Chain);
  Chain() { ++LiveObjects; }
  ~Chain() override;
  void read(ipstream &is) override;
  void write(opstream &os) override;

  Chain *Inner = nullptr;
};

/// A class that is not a Node (for casts that must fail).
class Stranger : public GStreamable {
  VYX_DECLARE_CLASS(Stranger);
  void read(ipstream &) override {}
  void write(opstream &) override {}
};

/// Uses the default GStreamable write and read (byte 0 and the unit scale)
/// and then a scaled length.
class Measured : public GStreamable {
  VYX_DECLARE_CLASS(Measured);
  void read(ipstream &is) override;
  void write(opstream &os) override;

  TGSNumber<double, 1> Length = 0.0;
};

/// Registered without builder.
class Abstract : public GStreamable {
  VYX_DECLARE_CLASS(Abstract);
  void read(ipstream &) override {}
  void write(opstream &) override {}
};

/// An opstream / ipstream that expose the protected operations.
class TestOpstream : public ompstream {
public:
  using opstream::find;
  using opstream::registerObject;
  using opstream::writeObjectIndex;
};

class TestIpstream : public impstream {
public:
  TestIpstream(void *block, long size) : impstream(block, size) {}
  using ipstream::find;
  using ipstream::readObjectIndex;
};

/// The bytes that `write` produces on a fresh memory pstream.
Bytes Written(const std::function<void(opstream &)> &write,
              pstream::EndianType endian = pstream::LittleEndian);

/// A reading stream over a private copy of `bytes`.
class Reader {
public:
  explicit Reader(Bytes bytes) : Data(std::move(bytes)) {
    if (Data.empty())
      Data.reserve(1);
    Stream = std::make_unique<TestIpstream>(Data.data(), long(Data.size()));
  }
  TestIpstream &operator*() { return *Stream; }
  TestIpstream *operator->() { return Stream.get(); }

private:
  Bytes Data;
  std::unique_ptr<TestIpstream> Stream;
};

/// A narrow string record as it is written: word length + bytes.
Bytes NameRecord(const char *name);
Bytes Concat(std::initializer_list<Bytes> parts);

} // namespace pstest

#endif // VYX_TESTS_PSTREAM_TEST_SUPPORT_H
