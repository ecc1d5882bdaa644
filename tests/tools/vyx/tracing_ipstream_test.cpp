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
  // Marker, '{', length word and name come first; then the class's data
  // (version, name, point, rectangle), the null link and the suffix.
  std::size_t prefix = 1 + 1 + 2 + std::strlen("VyxDemoShape");
  ASSERT_EQ(object.children.size(), 2u);
  EXPECT_EQ(child(object, 0).kind, TraceNode::Data);
  EXPECT_EQ(child(object, 0).offset, prefix);
  EXPECT_EQ(child(object, 0).bytes, Bytes(bytes.begin() + long(prefix), bytes.end() - 2));
  EXPECT_EQ(child(object, 1).kind, TraceNode::Null);
  EXPECT_EQ(child(object, 1).offset, bytes.size() - 2);
  EXPECT_EQ(report.Objects, 1u);
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
  const TraceNode &first = report.Items[0];
  const TraceNode &inner = child(first, 1);
  EXPECT_EQ(inner.kind, TraceNode::Object);
  EXPECT_EQ(inner.number, 2u);
  const TraceNode &back = child(inner, 1);
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
  // The tags, read by value inside the scene, are part of its data.
  EXPECT_EQ(root.children.back().kind, TraceNode::Data);

  std::ostringstream text;
  PrintTraceText(text, report);
  EXPECT_NE(text.str().find("object #3 VyxDemoShape"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("|{..GStringCollec|"), std::string::npos);
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
  TraceReport report = TracePStream(Bytes{0, 2, 0x7B, 1, 0, 'Z', 0x5D}, "f\"");
  std::ostringstream json;
  PrintTraceJson(json, report);
  std::string text = json.str();
  EXPECT_EQ(
      text.rfind("{\"file\":\"f\\\"\",\"size\":7,\"items\":[{\"kind\":\"null\",\"offset\":0}", 0),
      0u)
      << text;
  EXPECT_NE(text.find("\"error\":{\"message\":"), std::string::npos);
  EXPECT_NE(text.find("\"unknownClass\":true"), std::string::npos);
}

} // namespace
