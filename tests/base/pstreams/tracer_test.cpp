//===- tracer_test.cpp - What a tracer set on an ipstream is told ---------===//

#include "pstream_test_support.h"

#include "object_model/metaclass.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace pstest;
using vyx::PStreamValueKind;

namespace {

/// Writes every event as one line: "offset+size kind value", "offset null",
/// "offset ref #n", "offset { Name #n data@d", "offset } ok|failed".
class Recorder : public vyx::PStreamTracer {
public:
  std::vector<std::string> Lines;
  std::vector<vyx::PStreamValue> Values;

  void value(const vyx::PStreamValue &v) override {
    Values.push_back(v);
    std::string text = std::to_string(v.Offset) + "+" + std::to_string(v.Size) + " ";
    switch (v.Kind) {
    case PStreamValueKind::Byte:
    case PStreamValueKind::Word:
    case PStreamValueKind::DWord:
    case PStreamValueKind::Bool:
    case PStreamValueKind::Int64:
    case PStreamValueKind::CompatDWord:
      text +=
          (v.Signed ? "s" : "u") + std::to_string(static_cast<int>(v.Kind)) + " " +
          (v.Signed ? std::to_string(static_cast<int64_t>(v.Integer)) : std::to_string(v.Integer));
      break;
    case PStreamValueKind::Float:
    case PStreamValueKind::Double:
      text += "real " + std::to_string(v.Real);
      break;
    case PStreamValueKind::Scaled:
      text += "scaled " + std::to_string(v.Stored) + "->" + std::to_string(v.Real) + " ^" +
              std::to_string(v.Exponent);
      break;
    case PStreamValueKind::String:
    case PStreamValueKind::WideString:
    case PStreamValueKind::ClassName:
      text += (v.Kind == PStreamValueKind::ClassName ? "class " : "text ") +
              (v.Data ? "\"" + std::string(static_cast<const char *>(v.Data), v.Length) + "\""
                      : std::string("null")) +
              (v.Kind == PStreamValueKind::ClassName ? "" : " c" + std::to_string(v.ElementSize));
      break;
    case PStreamValueKind::Bytes:
    case PStreamValueKind::Elements:
      text += "bytes " + std::to_string(v.Length);
      break;
    case PStreamValueKind::Skipped:
      text += "skipped";
      break;
    }
    if (!v.Complete)
      text += " short";
    Lines.push_back(text);
  }
  void nullPointer(uint64_t offset) override { Lines.push_back(std::to_string(offset) + " null"); }
  void backReference(uint64_t offset, uint64_t number, const GStreamable *object) override {
    Lines.push_back(std::to_string(offset) + " ref #" + std::to_string(number) +
                    (object ? "" : " missing"));
  }
  void recordStart(const vyx::PStreamRecord &r) override {
    Lines.push_back(std::to_string(r.Offset) + " { " + (r.Name ? r.Name : "(absent)") + " #" +
                    std::to_string(r.Number) + (r.ByValue ? " value" : "") +
                    (r.Name && !r.Class ? " unknown" : "") + " data@" +
                    std::to_string(r.DataOffset));
  }
  void recordEnd(uint64_t offset, bool failed) override {
    Lines.push_back(std::to_string(offset) + " } " + (failed ? "failed" : "ok"));
  }
};

using Lines = std::vector<std::string>;

TEST(Tracer, EveryPrimitiveIsOneTypedValueAtItsOffset) {
  for (pstream::EndianType endian : {pstream::LittleEndian, pstream::BigEndian}) {
    const char16_t wide[] = u"AB";
    Bytes bytes = Written(
        [&](opstream &os) {
          os << static_cast<unsigned char>(200) << static_cast<signed char>(-2)
             << static_cast<short>(-3) << static_cast<unsigned short>(65000) << int32_t(-1)
             << uint32_t(4000000000u) << true << 1.5f << -2.25 << 0x123456789ABCull << -5ll;
          os.compat_writeDWord(0x8000);
          os.writeString("hi");
          os.writeString(nullptr);
          os.writeWideString(wide);
          os.writeBytes("xyz", 3);
          os.writeBytes("abcd", 2, 2);
          os.writeBytes("skip", 4);
          os << &Node::metaclass_;
        },
        endian);
    Reader in(bytes);
    in->endian(endian);
    Recorder tracer;
    in->setTracer(&tracer);
    unsigned char b;
    signed char sc;
    short s;
    unsigned short us;
    int32_t i;
    uint32_t u;
    bool flag;
    float f;
    double d;
    unsigned long long ull;
    long long ll;
    *in >> b >> sc >> s >> us >> i >> u >> flag >> f >> d >> ull >> ll;
    EXPECT_EQ(in->compat_readDWord(), 0x8000u);
    delete[] in->readString();
    EXPECT_EQ(in->readString(), nullptr);
    delete[] in->readWideString();
    char raw[3], elements[4];
    EXPECT_EQ(in->readBytes(raw, 3), 3);
    EXPECT_EQ(in->readBytes(elements, 2, 2), 4);
    in->skipBytes(4);
    const GMetaClass *m = nullptr;
    *in >> m;
    EXPECT_EQ(m, &Node::metaclass_);
    EXPECT_EQ(ll, -5);
    EXPECT_EQ(ull, 0x123456789ABCull);
    EXPECT_TRUE(in->good());
    EXPECT_EQ(tracer.Lines, (Lines{
                                "0+1 u0 200",
                                "1+1 s0 -2",
                                "2+2 s1 -3",
                                "4+2 u1 65000",
                                "6+4 s2 -1",
                                "10+4 u2 4000000000",
                                "14+4 u3 1",
                                "18+4 real 1.500000",
                                "22+8 real -2.250000",
                                "30+8 u6 20015998343868",
                                "38+8 s6 -5",
                                "46+4 u8 32768",
                                "50+4 text \"hi\" c1",
                                "54+2 text null c1",
                                "56+15 text \"AB\" c2",
                                "71+3 bytes 3",
                                "74+4 bytes 4",
                                "78+4 skipped",
                                "82+12 class \"PsTestNode\"",
                            }))
        << "endian " << endian;
    EXPECT_EQ(tracer.Values[14].Kind, PStreamValueKind::WideString);
    EXPECT_EQ(tracer.Values[15].Kind, PStreamValueKind::Bytes);
    EXPECT_EQ(std::memcmp(tracer.Values[15].Data, "xyz", 3), 0);
    EXPECT_EQ(tracer.Values[16].Kind, PStreamValueKind::Elements);
    EXPECT_EQ(tracer.Values[16].ElementSize, 2u);
  }
}

TEST(Tracer, RecordsNestWithTheirNumbersReferencesAndNulls) {
  Node a(7), b(8);
  a.Next = &b;
  b.Next = &a;
  Node *pa = &a;
  Node byValue(9);
  Bytes bytes = Written([&](opstream &os) {
    os << pa;
    os.writeStreamable(byValue);
  });
  Reader in(bytes);
  Recorder tracer;
  in->setTracer(&tracer);
  Node *read = nullptr;
  *in >> read;
  Node into;
  in->readStreamable(into);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(into.Value, 9);
  // 0: marker 2, '{', word 10, "PsTestNode"; the value at 14.
  EXPECT_EQ(tracer.Lines, (Lines{
                              "0 { PsTestNode #1 data@14",
                              "14+4 s2 7",
                              "18 { PsTestNode #2 data@32",
                              "32+4 s2 8",
                              "36 ref #1",
                              "39 null",
                              "41 } ok",
                              "41 null",
                              "43 } ok",
                              "43 { PsTestNode #3 value data@56",
                              "56+4 s2 9",
                              "60 null",
                              "61 null",
                              "63 } ok",
                          }));
  delete read->Next;
  delete read;
}

TEST(Tracer, FailuresEndTheOpenRecordsAndUnknownClassesAreNamed) {
  Node a(1);
  Node *pa = &a;
  Bytes bytes = Written([&](opstream &os) { os << pa; });
  // Cut inside the value: the exception ends the record.
  {
    Reader in(Bytes(bytes.begin(), bytes.begin() + 16));
    in->generate_exception_on(pstream::eofbit | pstream::failbit);
    Recorder tracer;
    in->setTracer(&tracer);
    EXPECT_THROW(in->readPointer(Node::gTypeInfo_), NonZeroPStreamState_Exception);
    EXPECT_EQ(tracer.Lines, (Lines{"0 { PsTestNode #1 data@14", "16 } failed"}));
  }
  // Without an exception mask the short value is reported as such.
  {
    Reader in(Bytes(bytes.begin(), bytes.begin() + 16));
    Recorder tracer;
    in->setTracer(&tracer);
    // The missing bytes read as 0xFF, and so does the next pointer marker.
    EXPECT_THROW(in->readPointer(Node::gTypeInfo_), InvalidPStreamMarker_Exception);
    EXPECT_EQ(tracer.Lines,
              (Lines{"0 { PsTestNode #1 data@14", "14+2 s2 -65535 short", "16 } failed"}));
  }
  {
    Reader in(Concat({{2, 0x7B}, NameRecord("Nowhere"), {0x5D}}));
    Recorder tracer;
    in->setTracer(&tracer);
    EXPECT_THROW(in->readPointer(Node::gTypeInfo_), UnknownStreamableType_Exception);
    EXPECT_EQ(tracer.Lines, (Lines{"0 { Nowhere #1 unknown data@11", "11 } failed"}));
  }
  {
    Reader in(Bytes{1, 3, 0});
    Recorder tracer;
    in->setTracer(&tracer);
    EXPECT_THROW(in->readPointer(Node::gTypeInfo_), InvalidPStreamIndex_Exception);
    EXPECT_EQ(tracer.Lines, (Lines{"0 ref #3 missing"}));
  }
}

TEST(Tracer, ScaledNumbersShowStoredAndScaledValues) {
  Measured m;
  m.Length = 2.0;
  Measured *p = &m;
  Bytes bytes = Written([&](opstream &os) { os << p; });
  Reader in(bytes);
  Recorder tracer;
  in->setTracer(&tracer);
  Measured *back = nullptr;
  *in >> back;
  ASSERT_NE(back, nullptr);
  EXPECT_DOUBLE_EQ(back->Length, 2.0);
  // The default read: a byte and the writer's scale; then the length once.
  ASSERT_EQ(tracer.Lines.size(), 5u);
  EXPECT_EQ(tracer.Values[2].Kind, PStreamValueKind::Scaled);
  EXPECT_EQ(tracer.Values[2].Stored, 2.0);
  EXPECT_EQ(tracer.Values[2].Real, back->Length.value());
  EXPECT_EQ(tracer.Values[2].Exponent, 1);
  EXPECT_EQ(tracer.Values[2].Size, 8u);
  delete back;
}

TEST(Tracer, WithoutATracerNothingIsToldAndReadsAreTheSame) {
  Node a(3), b(4);
  a.Other = &b;
  Node *pa = &a;
  Bytes bytes = Written([&](opstream &os) { os << pa << pa; });
  Recorder tracer;
  Reader in(bytes);
  in->setTracer(&tracer);
  Node *first = nullptr, *second = nullptr;
  *in >> first;
  in->setTracer(nullptr);
  *in >> second;
  EXPECT_EQ(first, second);
  EXPECT_EQ(first->Other->Value, 4);
  EXPECT_EQ(tracer.Lines.back(), std::to_string(bytes.size() - 3) + " } ok");
  EXPECT_EQ(in->tracer(), nullptr);
  delete first->Other;
  delete first;
}

} // namespace
