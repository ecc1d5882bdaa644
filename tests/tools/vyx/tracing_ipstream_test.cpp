//===- tracing_ipstream_test.cpp - What vyx dump sees in a pstream --------===//

#include "demo_objects.h"
#include "dump_command.h"

#include "pstreams/memory_pstream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <sstream>

using namespace vyx::tool;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes written(const std::function<void(opstream &)> &write) {
  ompstream os;
  write(os);
  auto *data = static_cast<unsigned char *>(os.data());
  return Bytes(data, data + os.size());
}

class Trace : public ::testing::Test {
protected:
  static void SetUpTestSuite() { LoadLibraryMessages(); }
};

const TraceNode &child(const TraceNode &node, std::size_t i) { return node.children.at(i); }

TEST_F(Trace, AnObjectRecordWithItsDataAndANullPointer) {
  VyxDemoShape shape("s", GPoint(1, 2), GRect(0, 0, 9, 9));
  VyxDemoShape *p = &shape;
  Bytes bytes = written([&](opstream &os) { os << p; });
  TraceReport report = TracePStream(bytes, "x");
  ASSERT_FALSE(report.Failed) << report.Message;
  ASSERT_EQ(report.Items.size(), 1u);
  const TraceNode &object = report.Items[0];
  EXPECT_EQ(object.kind, TraceNode::Object);
  EXPECT_EQ(object.className, "VyxDemoShape");
  EXPECT_EQ(object.number, 1u);
  EXPECT_EQ(object.offset, 0u);
  EXPECT_EQ(object.end, bytes.size());
  EXPECT_FALSE(object.byValue);
  // Marker, '{', length word and name come first; then the class's values
  // (version, name, point, rectangle), the null link and the suffix.
  std::size_t prefix = 1 + 1 + 2 + std::strlen("VyxDemoShape");
  ASSERT_EQ(object.children.size(), 13u);
  const TraceNode &version = child(object, 0);
  EXPECT_EQ(version.kind, TraceNode::Value);
  EXPECT_EQ(version.offset, prefix);
  EXPECT_EQ(version.value.Kind, vyx::PStreamValueKind::Byte);
  EXPECT_EQ(version.value.Integer, 1u);
  const TraceNode &name = child(object, 1);
  EXPECT_EQ(name.value.Kind, vyx::PStreamValueKind::String);
  EXPECT_EQ(name.offset, prefix + 1);
  EXPECT_EQ(name.text, "s");
  const TraceNode &y = child(object, 4);
  EXPECT_EQ(y.value.Kind, vyx::PStreamValueKind::DWord);
  EXPECT_TRUE(y.value.Signed);
  EXPECT_EQ(y.value.Integer, 2u);
  EXPECT_EQ(y.offset, prefix + 1 + 3 + 1 + 4);
  EXPECT_EQ(child(object, 12).kind, TraceNode::Null);
  EXPECT_EQ(child(object, 12).offset, bytes.size() - 2);
  EXPECT_EQ(report.Objects, 1u);
}

TEST_F(Trace, TheTextAndJsonFormsOfASmallFile) {
  VyxDemoShape shape("s", GPoint(1, -2), GRect(0, 0, 9, 9));
  VyxDemoShape *p = &shape;
  TraceReport report = TracePStream(written([&](opstream &os) { os << p << p; }), "small.vyx");
  std::ostringstream text;
  PrintTraceText(text, report);
  EXPECT_EQ(text.str(), "small.vyx: 53 bytes\n"
                        "         0  object #1 VyxDemoShape\n"
                        "        16    byte 1\n"
                        "        17    string \"s\"\n"
                        "        20    byte 0\n"
                        "        21    int 1\n"
                        "        25    int -2\n"
                        "        29    byte 0\n"
                        "        30    byte 0\n"
                        "        31    int 0\n"
                        "        35    int 0\n"
                        "        39    byte 0\n"
                        "        40    int 10\n"
                        "        44    int 10\n"
                        "        48    null\n"
                        "        49  end #1\n"
                        "        50  ref #1 -> VyxDemoShape\n"
                        "2 items, 1 objects\n");
  std::ostringstream json;
  PrintTraceJson(json, report);
  auto value = [](int offset, const char *type, int size, const char *shown) {
    return "{\"kind\":\"value\",\"offset\":" + std::to_string(offset) + ",\"type\":\"" + type +
           "\",\"size\":" + std::to_string(size) + ",\"value\":" + shown + "}";
  };
  EXPECT_EQ(json.str(),
            "{\"file\":\"small.vyx\",\"size\":53,\"compressedSize\":null,\"items\":[{\"kind\":"
            "\"object\",\"offset\":0,"
            "\"end\":50,\"class\":\"VyxDemoShape\",\"number\":1,\"byValue\":false,"
            "\"unknownClass\":false,\"incomplete\":false,\"items\":[" +
                value(16, "byte", 1, "1") + "," +
                "{\"kind\":\"value\",\"offset\":17,\"type\":\"string\",\"size\":3,\"value\":\"s\","
                "\"charSize\":1}," +
                value(20, "byte", 1, "0") + "," + value(21, "int", 4, "1") + "," +
                value(25, "int", 4, "-2") + "," + value(29, "byte", 1, "0") + "," +
                value(30, "byte", 1, "0") + "," + value(31, "int", 4, "0") + "," +
                value(35, "int", 4, "0") + "," + value(39, "byte", 1, "0") + "," +
                value(40, "int", 4, "10") + "," + value(44, "int", 4, "10") + "," +
                "{\"kind\":\"null\",\"offset\":48}]},"
                "{\"kind\":\"reference\",\"offset\":50,\"number\":1,\"class\":\"VyxDemoShape\"}],"
                "\"objects\":1,\"error\":null}\n");
}

TEST_F(Trace, EveryKindOfValueIsShownTyped) {
  const char16_t wide[] = u"w\u00e9";
  Bytes bytes = written([&](opstream &os) {
    os << static_cast<signed char>(-1) << static_cast<unsigned short>(7) << static_cast<short>(-7)
       << 4000000000ul << false << 0.1f << -0.5 << 1ull << 40 << -3ll;
    os.compat_writeDWord(70000);
    os.writeWideString(wide);
    os.writeBytes("ab", 2);
    os << TGSNumber<double, 1>(2.5);
  });
  TracingIpstream in(bytes.data(), bytes.size());
  signed char c;
  unsigned short w;
  short s;
  unsigned long d;
  bool b;
  float f;
  double x;
  unsigned long long u64;
  int i;
  long long i64;
  in >> c >> w >> s >> d >> b >> f >> x >> u64 >> i >> i64;
  in.compat_readDWord();
  delete[] in.readWideString();
  char raw[2];
  in.readBytes(raw, 2);
  TGSNumber<double, 1> scaled;
  in >> scaled;
  EXPECT_TRUE(in.atEnd());
  TraceReport report;
  report.File = "v";
  report.Size = bytes.size();
  report.Items = in.items();
  std::ostringstream text;
  PrintTraceText(text, report);
  EXPECT_EQ(text.str(), "v: 74 bytes\n"
                        "         0  char -1\n"
                        "         1  word 7\n"
                        "         3  short -7\n"
                        "         5  dword 4000000000\n"
                        "         9  bool false\n"
                        "        13  float 0.1\n"
                        "        17  double -0.5\n"
                        "        25  uint64 1\n"
                        "        33  int 40\n"
                        "        37  int64 -3\n"
                        "        45  compat dword 70000\n"
                        "        49  wide string \"w\xc3\xa9\" (stored in 16-bit units)\n"
                        "        64  bytes[2] 61 62\n"
                        "        66  scaled double 2.5 (stored 2.5, scale^1)\n"
                        "14 items, 0 objects\n");
}

TEST_F(Trace, SharedObjectsAreNumberedAndReferredTo) {
  VyxDemoShape a("a", GPoint(), GRect()), b("b", GPoint(), GRect());
  a.Link = &b;
  b.Link = &a;
  VyxDemoShape *pa = &a, *pb = &b;
  std::vector<GStreamable *> built;
  TraceReport report = TracePStream(written([&](opstream &os) { os << pa << pb; }), "x", &built);
  ASSERT_FALSE(report.Failed) << report.Message;
  // Shapes do not own their links: the two read back refer to each other.
  ASSERT_EQ(built.size(), 1u);
  auto *readA = static_cast<VyxDemoShape *>(built[0]);
  EXPECT_EQ(readA->Link->Link, readA);
  delete readA->Link;
  delete readA;
  ASSERT_EQ(report.Items.size(), 2u);
  // The values of a shape come before its link (the last child).
  const TraceNode &first = report.Items[0];
  const TraceNode &inner = first.children.back();
  EXPECT_EQ(inner.kind, TraceNode::Object);
  EXPECT_EQ(inner.number, 2u);
  const TraceNode &back = inner.children.back();
  EXPECT_EQ(back.kind, TraceNode::Reference);
  EXPECT_EQ(back.number, 1u);
  EXPECT_EQ(back.className, "VyxDemoShape");
  EXPECT_EQ(report.Items[1].kind, TraceNode::Reference);
  EXPECT_EQ(report.Items[1].number, 2u);
  EXPECT_EQ(report.Objects, 2u);
}

TEST_F(Trace, TheDemoSceneNestsAsItsObjectsNest) {
  std::unique_ptr<VyxDemoScene> scene(MakeDemoScene());
  VyxDemoScene *p = scene.get();
  Bytes bytes = written([&](opstream &os) { os << p; });
  TraceReport report = TracePStream(bytes, "x");
  ASSERT_FALSE(report.Failed) << report.Message;
  EXPECT_EQ(report.Objects, 9u);
  const TraceNode &root = report.Items.at(0);
  EXPECT_EQ(root.className, "VyxDemoScene");
  EXPECT_EQ(root.end, bytes.size());
  const TraceNode *list = nullptr;
  for (const TraceNode &n : root.children)
    if (n.className == "VyxDemoShapeList")
      list = &n;
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->number, 2u);
  // The tags, read by value inside the scene, are a record of their own.
  const TraceNode &tags = root.children.back();
  EXPECT_EQ(tags.kind, TraceNode::Object);
  EXPECT_TRUE(tags.byValue);
  EXPECT_EQ(tags.className, "GStringCollection");

  std::ostringstream text;
  PrintTraceText(text, report);
  EXPECT_NE(text.str().find("object #3 VyxDemoShape"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("object #9 GStringCollection (by value)"), std::string::npos);
  EXPECT_NE(text.str().find("string \"Alpine valley\""), std::string::npos);
  EXPECT_NE(text.str().find("end #1"), std::string::npos);
  EXPECT_NE(text.str().find("1 items, 9 objects"), std::string::npos);
}

TEST_F(Trace, DamageEndsTheTraceWithTheMessageAndOffset) {
  std::unique_ptr<VyxDemoScene> scene(MakeDemoScene());
  VyxDemoScene *p = scene.get();
  Bytes bytes = written([&](opstream &os) { os << p; });
  bytes.resize(bytes.size() / 2);
  TraceReport report = TracePStream(bytes, "x");
  EXPECT_TRUE(report.Failed);
  EXPECT_EQ(report.ErrorOffset, bytes.size());
  EXPECT_FALSE(report.Message.empty());
  ASSERT_EQ(report.Items.size(), 1u);
  EXPECT_TRUE(report.Items[0].incomplete);
  std::ostringstream text;
  PrintTraceText(text, report);
  EXPECT_NE(text.str().find("error at offset " + std::to_string(bytes.size()) + ": "),
            std::string::npos);
}

TEST_F(Trace, UnknownClassesBadMarkersAndBadReferences) {
  Bytes unknown = {2, 0x7B, 3, 0, 'N', 'o', 'X', 0x5D};
  TraceReport report = TracePStream(unknown, "x");
  EXPECT_TRUE(report.Failed);
  ASSERT_EQ(report.Items.size(), 1u);
  EXPECT_TRUE(report.Items[0].unknownClass);
  EXPECT_EQ(report.Items[0].className, "NoX");

  // A byte that starts neither a pointer nor a record shows as data.
  report = TracePStream(Bytes{0, 7, 1, 2}, "x");
  EXPECT_TRUE(report.Failed);
  ASSERT_EQ(report.Items.size(), 2u);
  EXPECT_EQ(report.Items[0].kind, TraceNode::Null);
  EXPECT_EQ(report.Items[1].bytes, Bytes{7});
  EXPECT_EQ(report.ErrorOffset, 2u);

  report = TracePStream(Bytes{1, 5, 0}, "x");
  EXPECT_TRUE(report.Failed);
  ASSERT_EQ(report.Items.size(), 1u);
  EXPECT_EQ(report.Items[0].kind, TraceNode::Reference);
  EXPECT_EQ(report.Items[0].number, 5u);
  EXPECT_TRUE(report.Items[0].incomplete);
}

TEST_F(Trace, RecordsByValueAndAbsentObjectsAtTheTop) {
  VyxDemoShape shape("v", GPoint(), GRect());
  VyxDemoShape hidden("h", GPoint(), GRect());
  hidden.shouldWrite(0);
  Bytes bytes = written([&](opstream &os) {
    os.writeStreamable(shape);
    os.writeStreamable(hidden);
  });
  TraceReport report = TracePStream(bytes, "x");
  ASSERT_FALSE(report.Failed) << report.Message;
  ASSERT_EQ(report.Items.size(), 2u);
  EXPECT_EQ(report.Items[0].kind, TraceNode::Object);
  EXPECT_TRUE(report.Items[0].byValue);
  EXPECT_EQ(report.Items[0].end, bytes.size() - 4);
  EXPECT_EQ(report.Items[1].kind, TraceNode::Absent);
}

TEST_F(Trace, ItemsThatShareObjectsAreNotDestroyedOneByOne) {
  // A scene written twice by value: the second record's shape list is a
  // back-reference into the first, and each scene owns its list.
  std::unique_ptr<VyxDemoScene> scene(MakeDemoScene());
  VyxDemoShape loose("l", GPoint(), GRect());
  VyxDemoShape *p = &loose;
  Bytes bytes = written([&](opstream &os) {
    os.writeStreamable(*scene);
    os.writeStreamable(*scene);
    os << p;
  });
  std::vector<GStreamable *> built;
  TraceReport report = TracePStream(bytes, "x", &built);
  ASSERT_FALSE(report.Failed) << report.Message;
  EXPECT_EQ(DisposableItems(report.Items), (std::vector<bool>{false, false, true}));
  // A second pointer to an item at the top builds nothing and ties nothing.
  EXPECT_EQ(DisposableItems(TracePStream(written([&](opstream &os) { os << p << p; }), "y").Items),
            (std::vector<bool>{true, true}));
  ASSERT_EQ(built.size(), 3u);
  auto *first = static_cast<VyxDemoScene *>(built[0]);
  auto *second = static_cast<VyxDemoScene *>(built[1]);
  EXPECT_EQ(first->Shapes, second->Shapes);
  second->Shapes = nullptr;
  for (GStreamable *object : built)
    GStreamable::Destroy(object);
}

TEST_F(Trace, NestingBeyondTheLimitIsReported) {
  constexpr int Depth = 3000;
  std::vector<std::unique_ptr<VyxDemoShape>> chain;
  for (int i = 0; i < Depth; ++i) {
    chain.push_back(std::make_unique<VyxDemoShape>("c", GPoint(), GRect()));
    if (i)
      chain[i - 1]->Link = chain[i].get();
  }
  VyxDemoShape *first = chain[0].get();
  TraceReport report = TracePStream(written([&](opstream &os) { os << first; }), "x");
  EXPECT_TRUE(report.Failed);
  EXPECT_NE(report.Message.find("nested"), std::string::npos) << report.Message;
}

TEST(TraceJson, StringsAreEscapedAndTheFormIsOneObject) {
  EXPECT_EQ(JsonString("a\"b\\c\n\x80"), "\"a\\\"b\\\\c\\u000a\\u0080\"");
  // UTF-8 passes; a cut sequence, an overlong form and a surrogate do not.
  EXPECT_EQ(JsonString("\xc3\xa9\xe2\x82\xac\xc3"), "\"\xc3\xa9\xe2\x82\xac\\u00c3\"");
  EXPECT_EQ(JsonString("\xc0\xaf\xed\xa0\x80"), "\"\\u00c0\\u00af\\u00ed\\u00a0\\u0080\"");
  TraceReport report = TracePStream(Bytes{0, 2, 0x7B, 1, 0, 'Z', 0x5D}, "f\"");
  std::ostringstream json;
  PrintTraceJson(json, report);
  std::string text = json.str();
  EXPECT_EQ(text.rfind("{\"file\":\"f\\\"\",\"size\":7,\"compressedSize\":null,\"items\":[{"
                       "\"kind\":\"null\",\"offset\":0}",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("\"error\":{\"message\":"), std::string::npos);
  EXPECT_NE(text.find("\"unknownClass\":true"), std::string::npos);
}

} // namespace
