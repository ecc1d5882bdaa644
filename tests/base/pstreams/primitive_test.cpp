//===- primitive_test.cpp - Bytes of the primitive values ------------------===//

#include "pstream_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace pstest;

namespace {

TEST(PStreamPrimitives, LittleEndianBytes) {
  Bytes b = Written([](opstream &os) {
    os << static_cast<unsigned char>(0xAB) << static_cast<short>(0x1234) << 0x12345678 << true
       << 1.0f << 1.0;
    os << 0x0102030405060708ull;
  });
  Bytes expected = {0xAB, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0x01, 0x00, 0x00, 0x00,
                    0x00, 0x00, 0x80, 0x3F, 0,    0,    0,    0,    0,    0,    0xF0,
                    0x3F, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01};
  EXPECT_EQ(b, expected);
}

TEST(PStreamPrimitives, ReversedStorage) {
  const unsigned char raw[] = {1, 2, 3};
  const uint16_t words[] = {0x0102, 0x0304};
  Bytes b = Written(
      [&](opstream &os) {
        os.writeDWord(0x01020304);
        os << 1.0;
        os.writeBytes(raw, 3);
        os.writeBytes(words, 2, 2);
        os << 0x0102030405060708ull;
      },
      pstream::BigEndian);
  Bytes expected = {1, 2, 3, 4, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 1, 2, 3, 4,
                    // unsigned long long: the low dword, then the high dword
                    0x05, 6, 7, 8, 1, 2, 3, 4};
  EXPECT_EQ(b, expected);
}

template <class T> void ExpectRoundTrip(T value, pstream::EndianType endian) {
  Bytes b = Written([&](opstream &os) { os << value; }, endian);
  Reader r(b);
  r->endian(endian);
  T back{};
  *r >> back;
  EXPECT_TRUE(r->good());
  if constexpr (std::is_floating_point_v<T>)
    EXPECT_EQ(std::memcmp(&back, &value, sizeof value), 0);
  else
    EXPECT_EQ(back, value);
}

TEST(PStreamPrimitives, EveryTypeRoundTripsInBothOrders) {
  for (auto endian : {pstream::LittleEndian, pstream::BigEndian}) {
    ExpectRoundTrip<char>('x', endian);
    ExpectRoundTrip<signed char>(-5, endian);
    ExpectRoundTrip<unsigned char>(250, endian);
    ExpectRoundTrip<short>(-12345, endian);
    ExpectRoundTrip<unsigned short>(54321, endian);
    ExpectRoundTrip<int>(std::numeric_limits<int>::min(), endian);
    ExpectRoundTrip<unsigned int>(0xDEADBEEFu, endian);
    ExpectRoundTrip<long>(-1, endian);
    ExpectRoundTrip<long>(std::numeric_limits<int32_t>::min(), endian);
    ExpectRoundTrip<unsigned long>(0xFFFFFFFFul, endian);
    ExpectRoundTrip<bool>(true, endian);
    ExpectRoundTrip<float>(-3.25f, endian);
    ExpectRoundTrip<double>(std::nextafter(1.0, 2.0), endian);
    ExpectRoundTrip<double>(-0.0, endian);
    ExpectRoundTrip<long long>(-2, endian);
    ExpectRoundTrip<unsigned long long>(0xFEDCBA9876543210ull, endian);
  }
}

TEST(PStreamPrimitives, SignedFieldsSignExtendAndDWordsZeroExtend) {
  Reader r(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  long l = 0;
  unsigned long u = 0;
  *r >> l >> u;
  EXPECT_EQ(l, -1);
  EXPECT_EQ(u, 0xFFFFFFFFul);
  EXPECT_EQ(r->readDWord(), 0xFFFFFFFFul);
}

TEST(PStreamPrimitives, AnyNonZeroBoolReadsTrue) {
  Reader r(Bytes{0, 1, 0, 0});
  bool b = false;
  *r >> b;
  EXPECT_TRUE(b);
}

TEST(PStreamPrimitives, ValuesBeyond32BitsSetWriteFailureAndWriteNothing) {
  struct Case {
    const char *Name;
    std::function<void(opstream &)> Write;
  } cases[] = {
      {"long", [](opstream &os) { os << (long(1) << 32); }},
      {"negative long", [](opstream &os) { os << (-(long(1) << 31) - 1); }},
      {"unsigned long", [](opstream &os) { os << (1ul << 32); }},
      {"writeDWord", [](opstream &os) { os.writeDWord(1ul << 32); }},
      {"compat", [](opstream &os) { os.compat_writeDWord(0x80000000ul); }},
  };
  for (const Case &c : cases) {
    ompstream os;
    c.Write(os);
    EXPECT_TRUE(os.bad()) << c.Name;
    EXPECT_EQ(os.size(), 0) << c.Name;
  }
  // A negative value given as unsigned long still has a 32-bit form.
  Bytes b = Written([](opstream &os) { os.writeDWord(static_cast<unsigned long>(-2L)); });
  EXPECT_EQ(b, (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST(PStreamPrimitives, CompatDWord) {
  EXPECT_EQ(Written([](opstream &os) { os.compat_writeDWord(0x7FFF); }), (Bytes{0xFF, 0x7F}));
  EXPECT_EQ(Written([](opstream &os) { os.compat_writeDWord(0x8000); }),
            (Bytes{0x00, 0x80, 0x00, 0x80}));
  for (unsigned long v : {0ul, 0x7FFFul, 0x8000ul, 0x12345678ul, 0x7FFFFFFFul}) {
    Reader r(Written([&](opstream &os) { os.compat_writeDWord(v); }));
    EXPECT_EQ(r->compat_readDWord(), v);
  }
}

TEST(PStreamPrimitives, ObjectIndexForms) {
  TestOpstream os;
  os.writeObjectIndex(0xFFFE);
  os.writeObjectIndex(0xFFFF);
  auto *d = static_cast<unsigned char *>(os.data());
  EXPECT_EQ(Bytes(d, d + os.size()), (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
  Reader r(Bytes(d, d + os.size()));
  EXPECT_EQ(r->readObjectIndex(), 0xFFFEu);
  EXPECT_EQ(r->readObjectIndex(), 0xFFFFu);
}

TEST(PStreamPrimitives, ElementsReverseOneByOne) {
  const uint32_t values[] = {0x01020304, 0x05060708};
  Bytes b = Written([&](opstream &os) { os.writeBytes(values, 4, 2); }, pstream::BigEndian);
  EXPECT_EQ(b, (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
  Reader r(b);
  r->endian(pstream::BigEndian);
  uint32_t back[2] = {};
  EXPECT_EQ(r->readBytes(back, 4, 2), 8);
  EXPECT_EQ(back[0], values[0]);
  EXPECT_EQ(back[1], values[1]);
}

TEST(PStreamPrimitives, EndianSwitcherRestores) {
  ompstream os;
  {
    PStreamEndianSwitcher s(os, pstream::BigEndian);
    EXPECT_TRUE(os.need_swap_bytes());
    os.writeWord(0x0102);
  }
  EXPECT_FALSE(os.need_swap_bytes());
  os.writeWord(0x0102);
  auto *d = static_cast<unsigned char *>(os.data());
  EXPECT_EQ(Bytes(d, d + os.size()), (Bytes{1, 2, 2, 1}));
}

TEST(PStreamPrimitives, ReadingPastTheEnd) {
  Reader r(Bytes{0x11, 0x22, 0x33});
  EXPECT_EQ(r->readWord(), 0x2211);
  EXPECT_TRUE(r->good());
  EXPECT_EQ(r->countOfReadBytes(), 2u);
  unsigned char buffer[8];
  EXPECT_EQ(r->readBytes(buffer, 8), 1);
  EXPECT_EQ(buffer[0], 0x33);
  EXPECT_EQ(r->rdstate(), pstream::eofbit | pstream::failbit);
  EXPECT_EQ(r->readByte(), 0xFF);
  EXPECT_TRUE(r->fail());
  EXPECT_FALSE(r->bad());
  EXPECT_FALSE(static_cast<bool>(*r));
}

TEST(PStreamPrimitives, FillAndSkip) {
  Bytes b = Written([](opstream &os) {
    os.fillBytes(10000, 0x5A);
    os.writeByte(1);
  });
  ASSERT_EQ(b.size(), 10001u);
  EXPECT_EQ(b[9999], 0x5A);
  Reader r(b);
  r->skipBytes(10000);
  EXPECT_EQ(r->readByte(), 1);
  EXPECT_TRUE(r->good());
  r->skipBytes(5);
  EXPECT_TRUE(r->eof());
}

TEST(PStreamPrimitives, WritingBeyondAFixedBlockFails) {
  unsigned char block[16];
  ompstream os(block, sizeof block, GIO::IO_WRITE);
  Bytes data(10000, 7);
  long written = os.writeBytes(data.data(), long(data.size()));
  EXPECT_LT(written, 10000);
  EXPECT_TRUE(os.bad());
  EXPECT_EQ(os.tellp(), -1);
}

TEST(PStreamPrimitives, AFailedFlushSetsReadAndWriteFailure) {
  unsigned char block[4];
  ompstream os(block, sizeof block, GIO::IO_WRITE);
  os << 1.0; // fits the 4096-byte buffer; the block takes only 4 of 8
  EXPECT_TRUE(os.good());
  os.flush();
  EXPECT_EQ(os.rdstate(), pstream::failbit | pstream::badbit);
}

TEST(PStreamPrimitives, FlushAfterReadingToTheEndIsNoWriteFailure) {
  Reader r(Bytes{1});
  r->readWord();
  r->clear();
  r->flush();
  EXPECT_TRUE(r->good());
}

TEST(PStreamPrimitives, ExceptionMaskTurnsBitsIntoExceptions) {
  Reader r(Bytes{});
  r->generate_exception_on(pstream::failbit);
  try {
    r->readByte();
    FAIL() << "no exception";
  } catch (const NonZeroPStreamState_Exception &e) {
    EXPECT_EQ(e.getState(), pstream::eofbit | pstream::failbit);
  }
  EXPECT_THROW(r->clear(pstream::failbit), NonZeroPStreamState_Exception);
  EXPECT_NO_THROW(r->clear(pstream::eofbit));
  EXPECT_EQ(r->rdstate(), pstream::eofbit);
  EXPECT_EQ(r->get_exception_mask(), pstream::failbit);
}

TEST(PStreamPrimitives, SeekAndTell) {
  Reader r(Bytes{1, 2, 3, 4});
  r->readWord();
  EXPECT_EQ(r->tellg(), 2);
  EXPECT_EQ(r->seekg(1), 1);
  EXPECT_EQ(r->countOfReadBytes(), 0u);
  EXPECT_EQ(r->readByte(), 2);
  EXPECT_EQ(r->seekg(10), -1);
  EXPECT_TRUE(r->fail());
  ompstream os;
  os.writeDWord(5);
  EXPECT_EQ(os.countOfWrittenBytes(), 4u);
  EXPECT_EQ(os.tellp(), 4);
  os.clear(pstream::badbit);
  EXPECT_EQ(os.seekp(0), -1);
  EXPECT_EQ(os.tellp(), -1);
}

TEST(PStreamPrimitives, MetaClassForm) {
  Bytes b = Written([](opstream &os) {
    os << &Node::metaclass_;
    os << static_cast<const GMetaClass *>(nullptr);
  });
  EXPECT_EQ(b, Concat({NameRecord("PsTestNode"), Bytes{0xFF, 0x0F}}));
  Reader r(b);
  const GMetaClass *m = nullptr;
  const GMetaClass *n = &Node::metaclass_;
  *r >> m >> n;
  EXPECT_EQ(m, &Node::metaclass_);
  EXPECT_EQ(n, nullptr);
  // The reader keeps the low 12 bits of the length word.
  Bytes record = NameRecord("PsTestNode");
  record[1] |= 0xF0;
  Reader high(record);
  *high >> m;
  EXPECT_EQ(m, &Node::metaclass_);
}

TEST(PStreamPrimitives, MetaClassNameTooLongForTheFormIsNotWritten) {
  static const std::string name(4095, 'q');
  static const type_info type(name.c_str());
  GMetaClass longName(nullptr, type, name.c_str(), nullptr, nullptr,
                      static_cast<const GMetaClass *>(nullptr));
  ompstream os;
  os << &longName;
  EXPECT_TRUE(os.bad());
  EXPECT_EQ(os.size(), 0);
}

} // namespace
