//===- memory_pstream_test.cpp - Memory pstreams and in-process addresses -===//

#include "pstream_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace pstest;

namespace {

Bytes AddressBytes(const void *p) {
  uint64_t v = reinterpret_cast<uintptr_t>(p);
  Bytes out{3};
  for (int i = 0; i < 8; ++i)
    out.push_back(static_cast<unsigned char>(v >> (8 * i)));
  return out;
}

Bytes Contents(mpbase &s) {
  auto *d = static_cast<unsigned char *>(s.data());
  return Bytes(d, d + s.size());
}

TEST(MemoryPStreams, AddressesAreWrittenWhenAsked) {
  Node n(1);
  GStreamable *p = &n;
  ompstream os;
  EXPECT_FALSE(os.isWritePointerAsDWord());
  os.writePointerAsDWord(true);
  os << &n << &n;
  EXPECT_EQ(Contents(os), Concat({AddressBytes(p), AddressBytes(p)}));
  impstream is(os.data(), os.size());
  Node *a = nullptr, *b = nullptr;
  is >> a >> b;
  EXPECT_EQ(a, &n);
  EXPECT_EQ(b, &n);
}

TEST(MemoryPStreams, WithoutTheFlagTheBytesAreThoseOfAnyPStream) {
  Node n(1);
  Node *p = &n;
  ompstream os;
  os << p << p;
  EXPECT_EQ(Contents(os), Written([&](opstream &o) {
              o.opstream::writePointer(p);
              o.opstream::writePointer(p);
            }));
  // An object already numbered stays a back-reference when the flag is set.
  os.writePointerAsDWord(true);
  os << p;
  Bytes all = Contents(os);
  EXPECT_EQ(Bytes(all.end() - 3, all.end()), (Bytes{1, 1, 0}));
}

TEST(MemoryPStreams, ForeignAddressesAreRefused) {
  Node n(1);
  Bytes bytes = AddressBytes(&n);
  impstream is(bytes.data(), long(bytes.size()));
  Node *p = nullptr;
  try {
    is >> p;
    FAIL();
  } catch (const InvalidPStreamMarker_Exception &e) {
    EXPECT_EQ(e.getMarker(), 3);
    EXPECT_EQ(e.getPosition(), 9);
  }
  // Handed out, but the object died since.
  Bytes dead;
  {
    Node gone(2);
    ompstream os;
    os.writePointerAsDWord(true);
    os << &gone;
    dead = Contents(os);
  }
  impstream late(dead.data(), long(dead.size()));
  EXPECT_THROW(late >> p, InvalidPStreamMarker_Exception);
  // A truncated address.
  Bytes cut = {3, 1, 2};
  impstream shortRead(cut.data(), long(cut.size()));
  EXPECT_THROW(shortRead >> p, InvalidPStreamMarker_Exception);
  // Address 0 is null.
  Bytes zero = AddressBytes(nullptr);
  impstream null(zero.data(), long(zero.size()));
  null >> p;
  EXPECT_EQ(p, nullptr);
}

TEST(MemoryPStreams, AddressOfTheWrongClass) {
  Node n(1);
  ompstream os;
  os.writePointerAsDWord(true);
  os << &n;
  impstream is(os.data(), os.size());
  Stranger *s = nullptr;
  EXPECT_THROW(is >> s, NotBaseClass_Exception);
}

TEST(MemoryPStreams, OrdinaryBytesReadAsWithAnyPStream) {
  Node n(4);
  Node *p = &n;
  Bytes bytes = Written([&](opstream &os) { os << p << p; });
  impstream is(bytes.data(), long(bytes.size()));
  Node *a = nullptr, *b = nullptr;
  is >> a >> b;
  EXPECT_EQ(a, b);
  EXPECT_EQ(a->Value, 4);
  delete a;
  Bytes bad = {9};
  impstream marker(bad.data(), 1);
  EXPECT_THROW(marker >> a, InvalidPStreamMarker_Exception);
}

TEST(MemoryPStreams, ReadAndWriteOneBlock) {
  Node n(8);
  mpstream s;
  s.writePointerAsDWord(true);
  s << &n;
  s.writePointerAsDWord(false);
  Node *p = &n;
  s << p;
  s.seekg(0);
  Node *a = nullptr, *b = nullptr;
  s >> a >> b;
  EXPECT_EQ(a, &n);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(b, &n);
  EXPECT_EQ(b->Value, 8);
  delete b;
}

TEST(MemoryPStreams, BorrowedBlock) {
  unsigned char block[8] = {0x78, 0x56, 0x34, 0x12};
  impstream is(block, 4);
  EXPECT_EQ(is.readDWord(), 0x12345678ul);
  is.readByte();
  EXPECT_TRUE(is.eof());
  ompstream os(block, sizeof block);
  os.writeDWord(1);
  EXPECT_EQ(os.data(), block);
  EXPECT_EQ(block[0], 1);
}

TEST(MemoryPStreams, BorrowedBlockReadInPlaceKeepsPositions) {
  // A borrowed block is read in place; positions, turns between reading and
  // writing and the end of the data behave as through a buffer.
  unsigned char block[10] = {1, 0, 2, 0, 3, 0, 4, 0, 5, 0};
  mpstream s(block, sizeof block);
  EXPECT_EQ(s.readWord(), 1u);
  EXPECT_EQ(s.readWord(), 2u);
  EXPECT_EQ(s.tellg(), 4);
  s.writeWord(0x0909); // over the third word
  EXPECT_EQ(s.readWord(), 4u);
  s.seekg(4);
  EXPECT_EQ(s.readWord(), 0x0909u);
  unsigned char rest[8] = {};
  EXPECT_EQ(s.readBytes(rest, 8), 4);
  EXPECT_EQ(rest[2], 5);
  EXPECT_TRUE(s.eof());
  EXPECT_EQ(s.tellg(), 10);
}

TEST(MemoryPStreams, CloneCopiesWhatWriteAndReadKeep) {
  LiveObjects = 0;
  {
    Node a(1), b(2);
    a.Next = &b;
    b.Next = &a;
    std::unique_ptr<GStreamable> copy(a.clone());
    auto *c = vyx::rtti_cast<Node>(copy.get());
    ASSERT_NE(c, nullptr);
    EXPECT_NE(c, &a);
    EXPECT_EQ(c->Value, 1);
    ASSERT_NE(c->Next, nullptr);
    EXPECT_EQ(c->Next->Value, 2);
    EXPECT_EQ(c->Next->Next, c);
    delete c->Next;
  }
  EXPECT_EQ(LiveObjects, 0);
  Abstract abstract;
  EXPECT_THROW(abstract.clone(), AbstractClass_Exception);
  Node hidden(1);
  hidden.shouldWrite(0);
  EXPECT_EQ(hidden.clone(), nullptr);
}

} // namespace
