//===- object_test.cpp - Object records, numbering and failures ----------===//

#include "pstream_test_support.h"

#include <gtest/gtest.h>

using namespace pstest;

namespace {

class PStreamObjects : public ::testing::Test {
protected:
  void SetUp() override { LiveObjects = 0; }
  void TearDown() override { EXPECT_EQ(LiveObjects, 0) << "objects leaked or destroyed twice"; }
};

/// The record of a Node with the given value and two null pointers.
Bytes NodeRecord(int32_t value, const char *name = "PsTestNode") {
  return Concat({Bytes{0x7B}, NameRecord(name),
                 Bytes{static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                       static_cast<unsigned char>(value >> 16),
                       static_cast<unsigned char>(value >> 24), 0, 0, 0x5D}});
}

TEST_F(PStreamObjects, SharedObjectIsWrittenOnceThenReferenced) {
  Node shared(7);
  Node *a = &shared, *b = &shared;
  Bytes bytes = Written([&](opstream &os) { os << a << b; });
  EXPECT_EQ(bytes, Concat({Bytes{2}, NodeRecord(7), Bytes{1, 1, 0}}));
  Reader r(bytes);
  Node *x = nullptr, *y = nullptr;
  *r >> x >> y;
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(x, y);
  EXPECT_EQ(x->Value, 7);
  delete x;
}

TEST_F(PStreamObjects, CyclesAndSharingSurviveARoundTrip) {
  Node a(1), b(2), c(3);
  a.Next = &b;
  b.Next = &c;
  c.Next = &a;
  a.Other = &c;
  Node *root = &a;
  Reader r(Written([&](opstream &os) { os << root; }));
  Node *back = nullptr;
  *r >> back;
  ASSERT_NE(back, nullptr);
  Node *b2 = back->Next, *c2 = b2->Next;
  EXPECT_EQ(c2->Next, back);
  EXPECT_EQ(back->Other, c2);
  EXPECT_EQ(b2->Value + c2->Value, 5);
  delete back;
  delete b2;
  delete c2;
}

TEST_F(PStreamObjects, NullAndAbsentObjects) {
  Node hidden(5);
  hidden.shouldWrite(0);
  Node *none = nullptr, *h = &hidden;
  EXPECT_EQ(Written([&](opstream &os) { os << none << h; }), (Bytes{0, 0}));
  EXPECT_EQ(Written([&](opstream &os) { os.writeStreamable(hidden); }),
            (Bytes{0x7B, 0xFF, 0xFF, 0x5D}));
  // Absent objects are not numbered: the next object is number 1.
  Node shown(6);
  Node *s = &shown;
  Bytes bytes = Written([&](opstream &os) {
    os.writeStreamable(hidden);
    os << s << s;
  });
  EXPECT_EQ(Bytes(bytes.end() - 3, bytes.end()), (Bytes{1, 1, 0}));
  // Read by value, an absent record leaves the object as it is.
  Reader r(Bytes{0x7B, 0xFF, 0xFF, 0x5D});
  Node target(9);
  r->readStreamable(target);
  EXPECT_EQ(target.Value, 9);
  EXPECT_TRUE(r->good());
}

TEST_F(PStreamObjects, ByValueObjectsAreNumberedEachTime) {
  Node n(4);
  Node *p = &n;
  Bytes bytes = Written([&](opstream &os) {
    os.writeStreamable(n);
    os.writeStreamable(n);
    os << p;
  });
  EXPECT_EQ(Bytes(bytes.end() - 3, bytes.end()), (Bytes{1, 1, 0}));
  Reader r(bytes);
  Node a, b;
  r->readStreamable(a);
  r->readStreamable(b);
  EXPECT_EQ(r->find(1), &a);
  EXPECT_EQ(r->find(2), &b);
  Node *back = nullptr;
  *r >> back;
  EXPECT_EQ(back, &a);
}

TEST_F(PStreamObjects, StaticObjects) {
  Node fixed(1), other(2);
  Node *f = &fixed;
  Bytes bytes = Written([&](opstream &os) {
    os.registerStaticObjectToWrite(fixed);
    os << f;
    os.registerStaticObjectToWrite(fixed);
  });
  EXPECT_EQ(bytes, (Bytes{1, 1, 0, 1, 1, 0, 1, 1, 0}));
  Reader r(bytes);
  r->registerStaticObjectToRead(fixed);
  Node *back = nullptr;
  *r >> back;
  EXPECT_EQ(back, &fixed);
  r->registerStaticObjectToRead(fixed);
  // The same index announced for another object.
  Reader wrong(Bytes{1, 1, 0, 1, 1, 0});
  wrong->registerStaticObjectToRead(fixed);
  try {
    wrong->registerStaticObjectToRead(other);
    FAIL();
  } catch (const InvalidPStreamIndex_Exception &e) {
    EXPECT_EQ(e.getIndex(), 1u);
    EXPECT_EQ(e.getPosition(), 6);
    EXPECT_EQ(e.getType(), &Node::gTypeInfo_);
  }
  // Only the next index may be appended.
  Reader gap(Bytes{1, 3, 0});
  EXPECT_THROW(gap->registerStaticObjectToRead(fixed), InvalidPStreamIndex_Exception);
  Reader marker(Bytes{2});
  EXPECT_THROW(marker->registerStaticObjectToRead(fixed), InvalidPStreamMarker_Exception);
}

TEST_F(PStreamObjects, ManyObjectsUseTheLongIndexForm) {
  std::vector<Node> nodes(70000);
  Bytes bytes = Written([&](opstream &os) {
    for (Node &n : nodes)
      os << &n;
    os << &nodes.back() << &nodes.front();
  });
  EXPECT_EQ(Bytes(bytes.end() - 10, bytes.end()),
            (Bytes{1, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00, 1, 1, 0}));
  Reader r(bytes);
  std::vector<Node *> back(nodes.size());
  for (Node *&n : back)
    *r >> n;
  Node *last = nullptr, *first = nullptr;
  *r >> last >> first;
  EXPECT_EQ(last, back.back());
  EXPECT_EQ(first, back.front());
  for (Node *n : back)
    delete n;
}

TEST_F(PStreamObjects, AliasNamesReadAsTheirClass) {
  Reader r(Concat({Bytes{2}, NodeRecord(3, "PsTestOldNode")}));
  Node *n = nullptr;
  *r >> n;
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->Value, 3);
  delete n;
}

TEST_F(PStreamObjects, AbstractClassIsRefusedOnWriteAndRead) {
  Abstract a;
  GStreamable *p = &a;
  ompstream os;
  try {
    os << p;
    FAIL();
  } catch (const AbstractClass_Exception &e) {
    EXPECT_EQ(e.getMetaClass(), &Abstract::metaclass_);
  }
  EXPECT_EQ(os.size(), 0);
  Reader r(Concat({Bytes{2, 0x7B}, NameRecord("PsTestAbstract"), Bytes{0x5D}}));
  GStreamable *back = nullptr;
  EXPECT_THROW(*r >> back, AbstractClass_Exception);
}

// The failure table, each with the position after the offending bytes.

TEST_F(PStreamObjects, InvalidMarker) {
  Reader r(Bytes{0, 7});
  Node *n = nullptr;
  *r >> n;
  try {
    *r >> n;
    FAIL();
  } catch (const InvalidPStreamMarker_Exception &e) {
    EXPECT_EQ(e.getMarker(), 7);
    EXPECT_EQ(e.getPosition(), 2);
  }
}

TEST_F(PStreamObjects, InvalidIndex) {
  for (Bytes bytes :
       {Bytes{1, 0, 0}, Bytes{1, 2, 0}, Bytes{1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}) {
    Reader r(bytes);
    Node *n = nullptr;
    try {
      *r >> n;
      FAIL();
    } catch (const InvalidPStreamIndex_Exception &e) {
      EXPECT_EQ(e.getPosition(), long(bytes.size()));
      EXPECT_EQ(e.getType(), &Node::gTypeInfo_);
    }
  }
}

TEST_F(PStreamObjects, SeekForgetsTheNumbers) {
  Node n(1);
  Node *p = &n;
  Bytes bytes = Written([&](opstream &os) { os << p << p; });
  Reader r(bytes);
  Node *first = nullptr;
  *r >> first;
  r->seekg(long(bytes.size() - 3));
  Node *second = nullptr;
  EXPECT_THROW(*r >> second, InvalidPStreamIndex_Exception);
  delete first;
  // The writer starts again at 1 after a seek.
  ompstream os;
  os << p;
  os.seekp(0);
  os << p;
  auto *d = static_cast<unsigned char *>(os.data());
  EXPECT_EQ(d[0], 2);
}

TEST_F(PStreamObjects, NotBaseClass) {
  Reader r(Concat({Bytes{2}, NodeRecord(1)}));
  Stranger *s = nullptr;
  try {
    *r >> s;
    FAIL();
  } catch (const NotBaseClass_Exception &e) {
    EXPECT_EQ(e.getFound(), &Node::gTypeInfo_);
    EXPECT_EQ(e.getWanted(), &Stranger::gTypeInfo_);
    EXPECT_EQ(e.getPosition(), 14); // after the class name
  }
  Node n(1);
  Node *p = &n;
  Reader back(Written([&](opstream &os) { os << p << p; }));
  Node *first = nullptr;
  *back >> first;
  EXPECT_THROW(*back >> s, NotBaseClass_Exception);
  delete first;
}

TEST_F(PStreamObjects, Prefixes) {
  Reader old(Bytes{2, 0x5B});
  Node *n = nullptr;
  EXPECT_THROW(*old >> n, OldPrefix_Exception);
  Reader bad(Bytes{2, 0x7C});
  try {
    *bad >> n;
    FAIL();
  } catch (const InvalidPStreamPrefix_Exception &e) {
    EXPECT_EQ(e.getPosition(), 2);
  }
  Reader absent(Bytes{2, 0x7B, 0xFF, 0xFF, 0x5D});
  EXPECT_THROW(*absent >> n, UnknownStreamableType_Exception);
}

TEST_F(PStreamObjects, UnknownClass) {
  Reader r(Concat({Bytes{2, 0x7B}, NameRecord("NoSuchClass"), Bytes{0x5D}}));
  Node *n = nullptr;
  try {
    *r >> n;
    FAIL();
  } catch (const UnknownStreamableType_Exception &e) {
    EXPECT_STREQ(e.getClassName(), "NoSuchClass");
  }
  // A truncated name is unreadable.
  Reader cut(Bytes{2, 0x7B, 10, 0, 'P', 's'});
  EXPECT_THROW(*cut >> n, UnknownStreamableType_Exception);
}

TEST_F(PStreamObjects, InvalidSuffixDropsTheObject) {
  Bytes bytes = Concat({Bytes{2}, NodeRecord(1)});
  bytes.back() = 0x7D;
  bytes.push_back(1); // a back-reference to the dropped object
  bytes.push_back(1);
  bytes.push_back(0);
  Reader r(bytes);
  Node *n = nullptr;
  try {
    *r >> n;
    FAIL();
  } catch (const InvalidPStreamSuffix_Exception &e) {
    EXPECT_EQ(e.getPosition(), long(bytes.size() - 3));
    EXPECT_EQ(e.getMetaClass(), &Node::metaclass_);
  }
  EXPECT_EQ(n, nullptr);
  EXPECT_EQ(r->find(1), nullptr);
  EXPECT_THROW(*r >> n, InvalidPStreamIndex_Exception);
}

TEST_F(PStreamObjects, AFailedRecordIsRolledBack) {
  // An owner whose child is complete when the owner's read throws: both go,
  // and no back-reference reaches either of them.
  Owner owner;
  owner.Child = new Node(5);
  owner.Value = -1;
  Owner *o = &owner;
  Bytes bytes = Written([&](opstream &os) { os << o; });
  bytes.insert(bytes.end(), {1, 2, 0});
  int live = LiveObjects;
  Reader r(bytes);
  Owner *back = nullptr;
  EXPECT_THROW(*r >> back, InvalidPStream_Exception);
  EXPECT_EQ(LiveObjects, live);
  EXPECT_EQ(r->find(1), nullptr);
  EXPECT_EQ(r->find(2), nullptr);
  EXPECT_EQ(r->readByte(), 0x5D); // the owner's suffix
  Node *child = nullptr;
  EXPECT_THROW(*r >> child, InvalidPStreamIndex_Exception);
}

TEST_F(PStreamObjects, ObjectsCompletedBeforeAFailureStay) {
  Node keep(1);
  Owner owner;
  owner.Value = -1;
  Node *k = &keep;
  Owner *o = &owner;
  Reader r(Written([&](opstream &os) { os << k << o; }));
  Node *first = nullptr;
  Owner *second = nullptr;
  *r >> first;
  EXPECT_THROW(*r >> second, InvalidPStream_Exception);
  EXPECT_EQ(r->find(1), first);
  delete first;
}

TEST_F(PStreamObjects, NestingIsLimited) {
  // 100000 nested records: far beyond the limit, and beyond what the stack
  // would take if nothing stopped the recursion.
  Bytes bytes;
  for (int i = 0; i < 100000; ++i) {
    bytes.push_back(2);
    bytes.push_back(0x7B);
    Bytes name = NameRecord("PsTestChain");
    bytes.insert(bytes.end(), name.begin(), name.end());
  }
  Reader r(bytes);
  Chain *c = nullptr;
  try {
    *r >> c;
    FAIL();
  } catch (const vyx::PStreamTooDeep_Exception &e) {
    EXPECT_EQ(e.getDepth(), ipstream::DefaultMaxDepth + 1);
  }
  EXPECT_EQ(r->find(1), nullptr);
  // A configured limit.
  Chain outer;
  outer.Inner = new Chain;
  outer.Inner->Inner = new Chain;
  Chain *p = &outer;
  Bytes three = Written([&](opstream &os) { os << p; });
  Reader limited(three);
  limited->setMaxDepth(2);
  EXPECT_THROW(*limited >> c, InvalidPStream_Exception);
  Reader enough(three);
  enough->setMaxDepth(3);
  *enough >> c;
  ASSERT_NE(c, nullptr);
  delete c;
}

TEST_F(PStreamObjects, DefaultDepthIsConfigurable) {
  unsigned saved = ipstream::GetDefaultMaxDepth();
  ipstream::SetDefaultMaxDepth(7);
  Reader r(Bytes{});
  EXPECT_EQ(r->maxDepth(), 7u);
  ipstream::SetDefaultMaxDepth(saved);
}

TEST_F(PStreamObjects, ReadingMetaclassIsSetDuringRead) {
  Reader r(Concat({Bytes{2}, NodeRecord(1, "PsTestOldNode")}));
  EXPECT_EQ(r->metaclassOfReadingObject(), nullptr);
  ReadingClassSeen = nullptr;
  Node *back = nullptr;
  *r >> back;
  EXPECT_STREQ(ReadingClassSeen->getName(), "PsTestOldNode");
  EXPECT_EQ(*ReadingClassSeen, Node::metaclass_);
  EXPECT_EQ(r->metaclassOfReadingObject(), nullptr);
  delete back;
}

TEST_F(PStreamObjects, ClassNamePeeking) {
  Node n(1);
  Node *p = &n;
  Bytes bytes = Written([&](opstream &os) { os << p; });
  Reader r(bytes);
  std::unique_ptr<char[]> name(r->read_class_name_from_pointer());
  EXPECT_STREQ(name.get(), "PsTestNode");
  Reader z(Bytes{0});
  EXPECT_EQ(z->read_class_name_from_pointer(), nullptr);
  Reader ref(Bytes(bytes.begin() + 1, bytes.end()));
  name.reset(ref->read_class_name_from_reference());
  EXPECT_STREQ(name.get(), "PsTestNode");
}

TEST_F(PStreamObjects, IsObjectWritten) {
  Node n(1);
  TestOpstream os;
  EXPECT_TRUE(os.isObjectWritten(nullptr));
  EXPECT_FALSE(os.isObjectWritten(&n));
  os << &n;
  EXPECT_TRUE(os.isObjectWritten(&n));
  EXPECT_EQ(os.find(n), 1u);
}

} // namespace

namespace {

TEST_F(PStreamObjects, BackReferencesAnswerEveryWantedType) {
  Node n(3);
  Node *p = &n;
  Reader r(Written([&](opstream &os) { os << p << p << p << p; }));
  Node *first = nullptr;
  *r >> first;
  GStreamable *generic = nullptr;
  *r >> generic;
  EXPECT_EQ(generic, static_cast<GStreamable *>(first));
  Stranger *s = nullptr;
  EXPECT_THROW(*r >> s, NotBaseClass_Exception);
  Node *again = nullptr;
  *r >> again;
  EXPECT_EQ(again, first);
  delete first;
}

HINSTANCE TwinModule = nullptr;

/// A Node that is also a Stranger: seen as a Stranger, its address moves.
class Twin : public Node, public Stranger {
  VYX_DECLARE_CLASS(Twin);
  void read(ipstream &is) override { Node::read(is); }
  void write(opstream &os) override { Node::write(os); }
};

VYX_IMPLEMENT_CLASS(Twin, "PsTestTwin", &TwinModule, Node, Stranger)

TEST_F(PStreamObjects, BackReferencesRememberWhereEachCastPointed) {
  Twin t;
  t.Value = 9;
  Node *p = &t; // one of its two GStreamable bases
  Reader r(Written([&](opstream &os) {
    for (int i = 0; i < 4; ++i)
      os << p;
  }));
  Twin *first = nullptr;
  *r >> first;
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(9, first->Value);
  Stranger *asStranger = nullptr;
  *r >> asStranger;
  ASSERT_NE(static_cast<void *>(asStranger), static_cast<void *>(first));
  EXPECT_EQ(static_cast<Stranger *>(first), asStranger);
  Node *asNode = nullptr;
  *r >> asNode;
  EXPECT_EQ(static_cast<Node *>(first), asNode);
  Stranger *again = nullptr;
  *r >> again;
  EXPECT_EQ(asStranger, again);
  delete first;
}

TEST_F(PStreamObjects, NewObjectsOfOneClassConvertAsEachIsWanted) {
  // Objects built one after another convert the way the one before did,
  // as long as they are of its class and wanted as its type.
  Twin t;
  Stranger s;
  Node n(4);
  Reader r(Written([&](opstream &os) {
    GStreamable *twin = static_cast<Node *>(&t);
    for (GStreamable *p :
         {twin, twin, static_cast<GStreamable *>(&s), twin, twin, static_cast<GStreamable *>(&n)})
      os.writeStreamablePointer(p, true);
  }));
  std::vector<Twin *> built;
  auto expectTwin = [&](auto *seen) {
    Twin *twin = vyx::rtti_cast<Twin>(seen);
    ASSERT_NE(nullptr, twin);
    EXPECT_EQ(static_cast<decltype(seen)>(twin), seen);
    built.push_back(twin);
  };
  Stranger *s1 = nullptr, *s2 = nullptr, *plain = nullptr;
  *r >> s1 >> s2 >> plain;
  expectTwin(s1);
  expectTwin(s2);
  // Another class wanted as the same type: its own cast, not the Twin's.
  ASSERT_NE(nullptr, plain);
  EXPECT_EQ(&plain->getTypeInfo_(), &Stranger::gTypeInfo_);
  delete plain;
  Node *asNode = nullptr;
  *r >> asNode;
  expectTwin(asNode);
  Twin *asTwin = nullptr;
  *r >> asTwin;
  expectTwin(asTwin);
  Stranger *notOne = nullptr;
  EXPECT_THROW(*r >> notOne, NotBaseClass_Exception);
  for (Twin *twin : built)
    delete twin;
}

/// Classes whose names pair up in length and differ in one byte inside:
/// a record of one must never pass for a record of its partner.
#define PSTEST_NAMED_CLASS(Class, Name)                                                            \
  class Class : public GStreamable {                                                               \
    VYX_DECLARE_CLASS(Class);                                                                      \
    void read(ipstream &is) override { is >> Value; }                                              \
    void write(opstream &os) override { os << Value; }                                             \
    int32_t Value = 0;                                                                             \
  };                                                                                               \
  VYX_IMPLEMENT_CLASS(Class, Name, &TwinModule, GStreamable)

PSTEST_NAMED_CLASS(Short1, "Ps1")
PSTEST_NAMED_CLASS(Short2, "Ps2")
PSTEST_NAMED_CLASS(Six1, "PsX1XX")
PSTEST_NAMED_CLASS(Six2, "PsX2XX")
PSTEST_NAMED_CLASS(Twelve1, "PsTest1Named")
PSTEST_NAMED_CLASS(Twelve2, "PsTest2Named")
PSTEST_NAMED_CLASS(Long1, "PsTestNamedClass1OfTwentySix")
PSTEST_NAMED_CLASS(Long2, "PsTestNamedClass2OfTwentySix")

#undef PSTEST_NAMED_CLASS

TEST_F(PStreamObjects, NamesOfEqualLengthAreTold) {
  Short1 s1;
  Short2 s2;
  Six1 x1;
  Six2 x2;
  Twelve1 t1;
  Twelve2 t2;
  Long1 l1;
  Long2 l2;
  GStreamable *order[] = {&s1, &s1, &s2, &x1, &x1, &x2, &x2, &x1,
                          &t1, &t2, &t1, &l1, &l1, &l2, &l1};
  Reader r(Written([&](opstream &os) {
    for (GStreamable *p : order)
      os.writeStreamablePointer(p, true); // each a new record
  }));
  for (GStreamable *p : order) {
    GStreamable *back = nullptr;
    *r >> back;
    ASSERT_NE(nullptr, back);
    EXPECT_STREQ(p->getMetaClass().getName(), back->getMetaClass().getName());
    delete back;
  }
}

TEST_F(PStreamObjects, AlternatingClassesAreEachBuilt) {
  Node a(1), b(2);
  Chain c;
  GStreamable *items[] = {&a, &c, &b, &c};
  Reader r(Written([&](opstream &os) {
    for (GStreamable *p : items)
      os << p;
  }));
  GStreamable *back[4] = {};
  for (GStreamable *&p : back)
    *r >> p;
  EXPECT_NE(vyx::rtti_cast<Node>(back[0]), nullptr);
  EXPECT_NE(vyx::rtti_cast<Chain>(back[1]), nullptr);
  EXPECT_EQ(vyx::rtti_cast<Node>(back[2])->Value, 2);
  EXPECT_EQ(back[3], back[1]);
  for (int i = 0; i < 3; ++i)
    GStreamable::Destroy(back[i]);
}

} // namespace

namespace {

/// Finds classes its own way: every stored name maps to Node.
class RenamingIpstream : public impstream {
public:
  RenamingIpstream(void *block, long size) : impstream(block, size) {}
  int Calls = 0;

protected:
  const GMetaClass *find_class(const char *) override {
    ++Calls;
    return &Node::metaclass_;
  }
};

TEST_F(PStreamObjects, AnOverriddenFindClassIsAskedForEveryRecord) {
  Bytes bytes = Concat({Bytes{2}, NodeRecord(1, "OldNode"), Bytes{2}, NodeRecord(2, "OldNode")});
  RenamingIpstream is(bytes.data(), long(bytes.size()));
  Node *x = nullptr, *y = nullptr;
  is >> x >> y;
  ASSERT_NE(x, nullptr);
  ASSERT_NE(y, nullptr);
  EXPECT_EQ(y->Value, 2);
  EXPECT_EQ(is.Calls, 2);
  delete x;
  delete y;
}

} // namespace
