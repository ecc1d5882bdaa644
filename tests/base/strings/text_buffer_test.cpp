//===- text_buffer_test.cpp - Text buffer, positions and blocks -----------===//

#include "strings/text_buffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Rows = std::vector<std::string>;
using B = GTextBlock;

Rows RowsOf(const GText &t) {
  Rows rows;
  for (long i = 0; i < t.getCount(); ++i)
    rows.emplace_back(t.at(i).c_str(), t.at(i).length());
  return rows;
}

GText TextOf(const Rows &rows) {
  GText t;
  for (const std::string &r : rows)
    t.insert_row(t.getCount(), GString(r.data(), static_cast<unsigned>(r.size())));
  return t;
}

std::string Printed(const B &b) {
  std::ostringstream os;
  os << b;
  return os.str();
}

const Rows kAbcd = {"abcd", "efgh", "ijkl", "mnop"};

//===----------------------------------------------------------------------===//
// Positions and blocks
//===----------------------------------------------------------------------===//

TEST(TextPosition, OrdersByRowThenColumn) {
  GTextPosition a(9, 1), b(0, 2), c(3, 2);
  EXPECT_TRUE(a < b);
  EXPECT_TRUE(b < c);
  EXPECT_TRUE(c > a);
  EXPECT_TRUE(b <= b && b >= b);
  EXPECT_FALSE(c <= b);
  EXPECT_EQ(GTextPosition(), GTextPosition(0, 0));
  EXPECT_NE(a, b);
  std::ostringstream os;
  os << GTextPosition(12, -3);
  EXPECT_EQ(os.str(), "12 -3");
}

TEST(TextBlock, EffectiveShapeAndNormalisedEnds) {
  // A stream block within one row is columnar.
  B inRow(4, 2, 1, 2, B::TB_STREAM);
  EXPECT_TRUE(inRow.columnar());
  EXPECT_EQ(inRow.mode(), B::TB_COLUMNAR);
  EXPECT_EQ(inRow.get_start(), GTextPosition(1, 2));
  EXPECT_EQ(inRow.get_end(), GTextPosition(4, 2));
  EXPECT_EQ(Printed(inRow), "1 2 4 2 columnar");

  // Lines mode takes whole rows.
  B lines(3, 1, 5, 2, B::TB_LINES);
  EXPECT_FALSE(lines.columnar());
  EXPECT_EQ(lines.mode(), B::TB_STREAM);
  EXPECT_EQ(lines.storedMode(), B::TB_LINES);
  EXPECT_EQ(lines.get_start(), GTextPosition(0, 1));
  EXPECT_EQ(lines.get_end(), GTextPosition(0, 3));
  EXPECT_EQ(Printed(lines), "0 1 0 3 stream");

  // Stream: ordered by row only; columnar: each coordinate on its own.
  B backwards(5, 3, 2, 1);
  EXPECT_EQ(backwards.get_start(), GTextPosition(2, 1));
  EXPECT_EQ(backwards.get_end(), GTextPosition(5, 3));
  B crossed(5, 1, 2, 3);
  EXPECT_EQ(crossed.get_start(), GTextPosition(5, 1));
  EXPECT_EQ(crossed.get_end(), GTextPosition(2, 3));
  B rect(5, 1, 2, 3, B::TB_COLUMNAR);
  EXPECT_EQ(rect.get_start(), GTextPosition(2, 1));
  EXPECT_EQ(rect.get_end(), GTextPosition(5, 3));
}

TEST(TextBlock, ConstructionAndState) {
  B zero;
  EXPECT_TRUE(zero.isEmpty());
  B one(GTextPosition(3, 4));
  EXPECT_EQ(one.anchor(), GTextPosition(3, 4));
  EXPECT_EQ(one.end(), GTextPosition(4, 4));
  EXPECT_TRUE(one.contains(3, 4));
  EXPECT_FALSE(one.contains(4, 4));
  EXPECT_FALSE(one.isEmpty());

  B b(1, 1, 3, 4, B::TB_COLUMNAR);
  b.Empty();
  EXPECT_TRUE(b.isEmpty());
  EXPECT_EQ(b.anchor(), GTextPosition(3, 4));
  EXPECT_EQ(b.storedMode(), B::TB_STREAM);

  b.selectAll();
  EXPECT_EQ(b.get_start(), GTextPosition(0, 0));
  EXPECT_EQ(b.get_end(), GTextPosition(0, 0x1FFFFFFF));
  EXPECT_FALSE(b.columnar());

  b.set_anchor(2, 2);
  EXPECT_TRUE(b.isEmpty());
  b.set_end(GTextPosition(0, 5));
  EXPECT_EQ(b.get_start(), GTextPosition(2, 2));
  EXPECT_EQ(b.get_end(), GTextPosition(0, 5));
}

TEST(TextBlock, Contains) {
  B stream(2, 1, 3, 3);
  EXPECT_FALSE(stream.contains(1, 1));
  EXPECT_TRUE(stream.contains(2, 1));
  EXPECT_TRUE(stream.contains(1000, 1));
  EXPECT_TRUE(stream.contains(0, 2));
  EXPECT_TRUE(stream.contains(2, 3));
  EXPECT_FALSE(stream.contains(3, 3));
  EXPECT_FALSE(stream.contains(0, 0));
  EXPECT_FALSE(stream.contains(0, 4));

  B rect(2, 1, 4, 3, B::TB_COLUMNAR);
  EXPECT_TRUE(rect.contains(2, 1));
  EXPECT_TRUE(rect.contains(3, 3));
  EXPECT_FALSE(rect.contains(4, 2));
  EXPECT_FALSE(rect.contains(1, 2));
  EXPECT_FALSE(rect.contains(2, 4));
}

TEST(TextBlock, WholeRowsAndSegments) {
  B stream(2, 1, 3, 3);
  EXPECT_FALSE(stream.contains_whole_row(1));
  EXPECT_TRUE(stream.contains_whole_row(2));
  EXPECT_FALSE(stream.contains_whole_row(3));
  EXPECT_TRUE(B(0, 1, 3, 3).contains_whole_row(1));
  EXPECT_TRUE(B(-4, 1, 3, 3).contains_whole_row(1));
  EXPECT_FALSE(B(0, 1, 9, 3, B::TB_COLUMNAR).contains_whole_row(2));
  EXPECT_TRUE(B(0, 1, 0, 1, B::TB_LINES).contains_whole_row(1));

  long from = 7, to = 7;
  EXPECT_TRUE(stream.get_selected_segment(1, from, to));
  EXPECT_EQ(from, 2);
  EXPECT_EQ(to, 0x1FFFFFFF);
  EXPECT_TRUE(stream.get_selected_segment(2, from, to));
  EXPECT_EQ(from, 0);
  EXPECT_EQ(to, 0x1FFFFFFF);
  EXPECT_TRUE(stream.get_selected_segment(3, from, to));
  EXPECT_EQ(from, 0);
  EXPECT_EQ(to, 2);
  EXPECT_FALSE(stream.get_selected_segment(4, from, to));
  EXPECT_EQ(from, 0);
  EXPECT_EQ(to, -1);
  EXPECT_FALSE(B(2, 1, 0, 2).get_selected_segment(2, from, to));

  B rect(2, 1, 4, 3, B::TB_COLUMNAR);
  EXPECT_TRUE(rect.get_selected_segment(2, from, to));
  EXPECT_EQ(from, 2);
  EXPECT_EQ(to, 3);
  EXPECT_TRUE(rect.contains_segment(2, 2, 3));
  EXPECT_FALSE(rect.contains_segment(2, 2, 4));
  EXPECT_FALSE(rect.contains_segment(0, 2, 3));
  EXPECT_TRUE(stream.contains_segment(1, 5, 900));
  EXPECT_FALSE(stream.contains_segment(3, 1, 3));
}

TEST(TextBlock, BoundingRows) {
  long first, last;
  // A stream block ending in column 0 leaves out its end row only when it
  // spans more than two rows.
  B(2, 0, 0, 1).get_bounding_rows(first, last);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(last, 1);
  B(2, 0, 0, 3).get_bounding_rows(first, last);
  EXPECT_EQ(last, 2);
  B(2, 0, 1, 3).get_bounding_rows(first, last);
  EXPECT_EQ(last, 3);
  B(0, 0, 0, 3, B::TB_COLUMNAR).get_bounding_rows(first, last);
  EXPECT_EQ(last, 3);
  B(3, 1, 5, 2, B::TB_LINES).get_bounding_rows(first, last);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(last, 2);
  B b(2, 0, 0, 3);
  EXPECT_TRUE(b.intersects(2));
  EXPECT_FALSE(b.intersects(3));
  EXPECT_FALSE(b.intersects(-1));
}

TEST(TextBlock, MoveTo) {
  B rect(4, 3, 2, 1, B::TB_COLUMNAR);
  rect.move_to(10, 5);
  EXPECT_EQ(rect.get_start(), GTextPosition(10, 5));
  EXPECT_EQ(rect.get_end(), GTextPosition(12, 7));

  B stream(6, 4, 2, 1);
  stream.move_to(1, 10);
  EXPECT_EQ(stream.get_start(), GTextPosition(1, 10));
  EXPECT_EQ(stream.get_end(), GTextPosition(6, 13));

  B lines(3, 2, 1, 1, B::TB_LINES);
  lines.move_to(0, 5);
  EXPECT_EQ(lines.get_start(), GTextPosition(0, 5));
  EXPECT_EQ(lines.get_end(), GTextPosition(0, 7));
}

TEST(TextBlock, EqualityUsesEffectiveShape) {
  EXPECT_EQ(B(3, 1, 5, 2, B::TB_LINES), B(0, 1, 0, 3, B::TB_STREAM));
  EXPECT_EQ(B(4, 2, 1, 2), B(1, 2, 4, 2, B::TB_COLUMNAR));
  EXPECT_NE(B(1, 1, 4, 2), B(1, 1, 4, 2, B::TB_COLUMNAR));
  EXPECT_EQ(B(1, 1, 4, 2), B(4, 2, 1, 1));
}

//===----------------------------------------------------------------------===//
// Text: construction, rows and characters
//===----------------------------------------------------------------------===//

TEST(Text, AssignSplitsAtLineFeeds) {
  EXPECT_EQ(RowsOf(GText("a\r\nb")), (Rows{"a", "b"}));
  EXPECT_EQ(RowsOf(GText("a\nb\n")), (Rows{"a", "b", ""}));
  EXPECT_EQ(RowsOf(GText("a\rb\r")), (Rows{"a\rb"}));
  EXPECT_EQ(RowsOf(GText("\n")), (Rows{"", ""}));
  EXPECT_TRUE(GText("").isEmpty());
  EXPECT_TRUE(GText(nullptr).isEmpty());
  EXPECT_TRUE(GText("abc", 0).isEmpty());
  EXPECT_TRUE(GText("abc", -5).isEmpty());
  EXPECT_EQ(RowsOf(GText("ab\ncd", 4)), (Rows{"ab", "c"}));

  GText t("x\ny");
  t = "one";
  EXPECT_EQ(RowsOf(t), (Rows{"one"}));
  t.assign(nullptr, 3);
  EXPECT_TRUE(t.isEmpty());

  // The source may be the text's own row.
  t = "ab\ncd";
  t = t.at(1).c_str();
  EXPECT_EQ(RowsOf(t), (Rows{"cd"}));
  t = "ab\ncd";
  t.assign(t.at(0).c_str(), 2);
  EXPECT_EQ(RowsOf(t), (Rows{"ab"}));
}

TEST(Text, CopiesAreDeep) {
  GText a("ab\ncd");
  GText b(a);
  b.insert_char(0, 0, 'X');
  EXPECT_EQ(RowsOf(a), (Rows{"ab", "cd"}));
  EXPECT_EQ(RowsOf(b), (Rows{"Xab", "cd"}));
  a = b;
  EXPECT_EQ(RowsOf(a), (Rows{"Xab", "cd"}));
  a = *&a;
  EXPECT_EQ(RowsOf(a), (Rows{"Xab", "cd"}));
  GText *dynamic = new GText(a);
  GStreamable::Destroy(dynamic); // shut_down and the destructor both free
}

TEST(Text, RowAndCharacterAccess) {
  const GText t("abc\nde");
  EXPECT_TRUE(t.valid_row(1));
  EXPECT_FALSE(t.valid_row(2));
  EXPECT_FALSE(t.valid_row(-1));
  EXPECT_EQ(t.at(1), "de");
  EXPECT_TRUE(t.at(7).isEmpty());
  EXPECT_TRUE(t.at(-1).isEmpty());
  EXPECT_EQ(t.at(GTextPosition(1, 0)), 'b');
  EXPECT_EQ(t.at(GTextPosition(5, 0)), '\n');
  EXPECT_EQ(t.at(GTextPosition(3, 0)), '\n');
  EXPECT_EQ(t.at(GTextPosition(-1, 0)), '\n');
  EXPECT_EQ(t.at(GTextPosition(0, 9)), '\n');

  // A missing row is writable, but what is written there is dropped.
  GText u("abc");
  u.at(5) += "lost";
  EXPECT_TRUE(u.at(5).isEmpty());
  EXPECT_EQ(u.getCount(), 1);
}

TEST(Text, MissingRowIsPerThread) {
  GText a, b;
  GString &mine = a.at(3);
  mine += "kept";
  std::atomic<bool> otherEmpty{false};
  const GString *otherAddress = nullptr;
  std::thread other([&] {
    for (int i = 0; i < 1000; ++i) {
      GString &row = b.at(9);
      otherEmpty = row.isEmpty();
      row += "other";
      otherAddress = &row;
    }
  });
  other.join();
  EXPECT_TRUE(otherEmpty);
  // The other thread's accesses never emptied (or wrote into) this one's.
  EXPECT_NE(otherAddress, &mine);
  EXPECT_EQ(mine, "kept");
}

TEST(Text, NewLine) {
  GText t("abcdef");
  t.new_line(2, 0);
  EXPECT_EQ(RowsOf(t), (Rows{"ab", "cdef"}));
  t.new_line(9, 0);
  EXPECT_EQ(RowsOf(t), (Rows{"ab", "", "cdef"}));
  t.new_line(0, 2);
  EXPECT_EQ(RowsOf(t), (Rows{"ab", "", "", "cdef"}));
  t.new_line(-3, 0);
  EXPECT_EQ(RowsOf(t), (Rows{"", "ab", "", "", "cdef"}));
  GText u("x");
  u.new_line(0, 2);
  EXPECT_EQ(RowsOf(u), (Rows{"x", "", "", ""}));
  EXPECT_THROW(u.new_line(1, -1), GCollection_IndexOutOfRange_Exception);
}

TEST(Text, CharacterEdits) {
  GText t("abc");
  t.insert_char(1, 0, 'X');
  EXPECT_EQ(t.at(0), "aXbc");
  t.insert_char(6, 0, 'Y');
  EXPECT_EQ(t.at(0), "aXbc  Y");
  t.insert_char(-2, 0, 'Z');
  EXPECT_EQ(t.at(0), "ZaXbc  Y");
  t.insert_char(0, 0, '\0');
  EXPECT_EQ(t.at(0), "ZaXbc  Y");
  t.insert_char(1, 2, 'q');
  EXPECT_EQ(RowsOf(t), (Rows{"ZaXbc  Y", "", " q"}));

  t.replace_char(0, 0, 'z');
  EXPECT_EQ(t.at(0), "zaXbc  Y");
  t.replace_char(8, 0, '!');
  EXPECT_EQ(t.at(0), "zaXbc  Y!");
  t.replace_char(0, 1, 'w');
  EXPECT_EQ(t.at(1), "w");
}

TEST(Text, RowEdits) {
  GText t("a\nb");
  t.insert_row(1, "mid");
  EXPECT_EQ(RowsOf(t), (Rows{"a", "mid", "b"}));
  t.insert_row(5, GString("far"));
  EXPECT_EQ(RowsOf(t), (Rows{"a", "mid", "b", "", "", "far"}));
  t.insert_row(0, nullptr);
  EXPECT_EQ(RowsOf(t), (Rows{"", "a", "mid", "b", "", "", "far"}));
  EXPECT_THROW(t.insert_row(-1, "x"), GCollection_IndexOutOfRange_Exception);

  t.delete_row(0);
  t.delete_row(40);
  t.delete_row(-1);
  EXPECT_EQ(RowsOf(t), (Rows{"a", "mid", "b", "", "", "far"}));
  t.insert_row_part(1, 1, "X");
  t.insert_row_part(4, 0, GString("Y"));
  EXPECT_EQ(RowsOf(t), (Rows{"a   Y", "mXid", "b", "", "", "far"}));
  t.replace_row(2, "B");
  t.replace_row(7, GString("new"));
  EXPECT_EQ(RowsOf(t), (Rows{"a   Y", "mXid", "B", "", "", "far", "", "new"}));

  t.merge(1);
  EXPECT_EQ(RowsOf(t), (Rows{"a   Y", "mXidB", "", "", "far", "", "new"}));
  t.merge(6); // no following row
  t.merge(9);
  EXPECT_EQ(t.getCount(), 7);

  GString left("keep"), right("keep");
  t.split(2, 1, left, right);
  EXPECT_EQ(left, "mX");
  EXPECT_EQ(right, "idB");
  t.split(20, 1, left, right);
  EXPECT_EQ(left, "mXidB");
  EXPECT_TRUE(right.isEmpty());
  t.split(-1, 1, left, right);
  EXPECT_TRUE(left.isEmpty());
  EXPECT_EQ(right, "mXidB");
  t.split(0, 30, left, right);
  EXPECT_TRUE(left.isEmpty() && right.isEmpty());
}

TEST(Text, WholeTextForms) {
  GText t("ab\n\ncdef");
  EXPECT_EQ(t.get_max_length(), 4);
  EXPECT_EQ(t.get_buffer_length(), 3 + 1 + 5 + 1);
  std::unique_ptr<char[]> s(t.make_string());
  EXPECT_STREQ(s.get(), "ab\n\ncdef\n");
  GString g("old");
  t.make_string(g);
  EXPECT_EQ(g, "ab\n\ncdef\n");
  EXPECT_EQ(g.length(), 9u);

  GText empty;
  EXPECT_EQ(empty.get_buffer_length(), 1);
  EXPECT_EQ(empty.get_max_length(), 0);
  std::unique_ptr<char[]> e(empty.make_string());
  EXPECT_STREQ(e.get(), "");
  empty.make_string(g);
  EXPECT_TRUE(g.isEmpty());
}

TEST(Text, TextStreams) {
  GText t("a\r\nb");
  std::ostringstream out;
  out << t;
  EXPECT_EQ(out.str(), "a\nb\n");
  std::istringstream in("skip|x\ny\n");
  in.ignore(5);
  in >> t;
  EXPECT_EQ(RowsOf(t), (Rows{"x", "y", ""}));
}

//===----------------------------------------------------------------------===//
// Blocks in a text
//===----------------------------------------------------------------------===//

TEST(TextBlocks, MakeText) {
  const GText t = TextOf({"abcd", "efgh", "ijkl", "mnop"});
  auto made = [&](const B &b) { return RowsOf(*std::unique_ptr<GText>(t.make_text(b))); };
  EXPECT_EQ(made(B(1, 0, 3, 1, B::TB_COLUMNAR)), (Rows{"bc", "fg"}));
  EXPECT_EQ(made(B(2, 0, 1, 2)), (Rows{"cd", "efgh", "i"}));
  EXPECT_EQ(made(B(2, 0, 0, 1)), (Rows{"cd", ""}));
  EXPECT_EQ(made(B(2, 0, 0, 3)), (Rows{"cd", "efgh", "ijkl"}));
  EXPECT_EQ(made(B(3, 1, 5, 2, B::TB_LINES)), (Rows{"efgh", "ijkl"}));
  EXPECT_EQ(made(B(0, 1, 0, 1, B::TB_LINES)), (Rows{"efgh", ""}));
  EXPECT_EQ(made(B(1, 1, 1, 1)), Rows{});
  EXPECT_EQ(made(B(2, 3, 9, 3)), (Rows{"op"}));
  // Rows past the text are left out: selecting all copies the text.
  B all;
  all.selectAll();
  EXPECT_EQ(made(all), RowsOf(t));
  EXPECT_EQ(made(B(1, 2, 2, 9)), (Rows{"jkl", "mnop"}));
  EXPECT_EQ(made(B(0, 6, 2, 9)), Rows{});
}

TEST(TextBlocks, DeleteColumnar) {
  GText t = TextOf({"abcd", "ef", "ijkl"});
  t.delete_block(B(1, 0, 3, 2, B::TB_COLUMNAR));
  EXPECT_EQ(RowsOf(t), (Rows{"ad", "e", "il"}));
  t.delete_block(B(0, 0, 9, 7, B::TB_COLUMNAR));
  EXPECT_EQ(RowsOf(t), (Rows{"", "", ""}));
}

TEST(TextBlocks, DeleteStream) {
  GText t = TextOf({"abcd", "efgh", "ijkl"});
  t.delete_block(B(2, 0, 1, 2));
  EXPECT_EQ(RowsOf(t), (Rows{"abjkl"}));

  // The first row whole: it goes, and nothing is joined.
  t = TextOf(kAbcd);
  t.delete_block(B(0, 1, 2, 2));
  EXPECT_EQ(RowsOf(t), (Rows{"abcd", "kl", "mnop"}));

  // Ending in column 0: the line end before it goes.
  t = TextOf(kAbcd);
  t.delete_block(B(2, 0, 0, 1));
  EXPECT_EQ(RowsOf(t), (Rows{"abefgh", "ijkl", "mnop"}));
  t = TextOf(kAbcd);
  t.delete_block(B(2, 0, 0, 3));
  EXPECT_EQ(RowsOf(t), (Rows{"abmnop"}));

  // Starting past the row's end pads it so the rest keeps its column.
  t = TextOf({"ab", "cdef"});
  t.delete_block(B(4, 0, 2, 1));
  EXPECT_EQ(RowsOf(t), (Rows{"ab  ef"}));

  // A block running past the text.
  t = TextOf(kAbcd);
  t.delete_block(B(1, 2, 3, 40));
  EXPECT_EQ(RowsOf(t), (Rows{"abcd", "efgh", "i"}));
  t.delete_block(B(0, 9, 3, 40));
  EXPECT_EQ(RowsOf(t), (Rows{"abcd", "efgh", "i"}));

  // Empty blocks delete nothing.
  t.delete_block(B(1, 1, 1, 1));
  EXPECT_EQ(RowsOf(t), (Rows{"abcd", "efgh", "i"}));
}

TEST(TextBlocks, DeleteLinesAndAll) {
  GText t = TextOf(kAbcd);
  t.delete_block(B(3, 1, 5, 2, B::TB_LINES));
  EXPECT_EQ(RowsOf(t), (Rows{"abcd", "mnop"}));
  t.delete_block(B(2, 1, 2, 1, B::TB_LINES));
  EXPECT_EQ(RowsOf(t), (Rows{"abcd"}));
  t = TextOf(kAbcd);
  B all;
  all.selectAll();
  t.delete_block(all);
  EXPECT_TRUE(t.isEmpty());
}

TEST(TextBlocks, InsertTextAtPosition) {
  GText t("abc\ndef");
  t.insert_text(0, 1, GText("X\nY"));
  EXPECT_EQ(RowsOf(t), (Rows{"abc", "X", "Y", "def"}));

  // A one-row text is spliced into the row.
  t = "abcdef";
  t.insert_text(3, 0, "X");
  EXPECT_EQ(RowsOf(t), (Rows{"abcXdef"}));
  t.insert_text(0, 0, "Y", 1);
  EXPECT_EQ(RowsOf(t), (Rows{"YabcXdef"}));
  t.insert_text(10, 0, "Z");
  EXPECT_EQ(RowsOf(t), (Rows{"YabcXdef  Z"}));
  t.insert_text(1, 2, "W");
  EXPECT_EQ(RowsOf(t), (Rows{"YabcXdef  Z", "", " W"}));

  // Several rows inside a row: the rest of the row follows them.
  t = "abcdef";
  t.insert_text(3, 0, GText("X\nY"));
  EXPECT_EQ(RowsOf(t), (Rows{"abcX", "Y", "def"}));
  t = "abcdef";
  t.insert_text(3, 0, GText("X\n"));
  EXPECT_EQ(RowsOf(t), (Rows{"abcX", "", "def"}));

  t = "abc";
  t.insert_text(1, 0, GText());
  t.insert_text(1, 0, nullptr, 4);
  EXPECT_EQ(RowsOf(t), (Rows{"abc"}));

  // Inserting a text into itself.
  t = "ab\ncd";
  t.insert_text(1, 0, t);
  EXPECT_EQ(RowsOf(t), (Rows{"aab", "cd", "b", "cd"}));
  EXPECT_THROW(t.insert_text(0, -1, "q"), GCollection_IndexOutOfRange_Exception);
}

TEST(TextBlocks, InsertIntoBlocks) {
  // Stream, neither end row whole: the last row of t begins the rest.
  GText t("abcdef");
  t.insert_text(B(3, 0, 2, 1), GText("X\nM\nYY"));
  EXPECT_EQ(RowsOf(t), (Rows{"abcX", "M", "YYdef"}));
  // ... with a one-row text the row is spliced, not doubled.
  t = "abcdef";
  t.insert_text(B(3, 0, 2, 1), GText("X"));
  EXPECT_EQ(RowsOf(t), (Rows{"abcXdef"}));
  // Stream, first row cut and last row whole.
  t = "abcdef";
  t.insert_text(B(3, 0, 0, 3), GText("X"));
  EXPECT_EQ(RowsOf(t), (Rows{"abcX", "def"}));
  // Stream, first row whole, last row cut.
  t = "abc\ndef";
  t.insert_text(B(0, 1, 2, 2), GText("X\nY"));
  EXPECT_EQ(RowsOf(t), (Rows{"abc", "X", "Ydef"}));
  // Stream starting past the end of the text.
  t = "abc";
  t.insert_text(B(2, 3, 1, 4), GText("P\nQ"));
  EXPECT_EQ(RowsOf(t), (Rows{"abc", "", "", "  P", "Q"}));

  // Columnar: pieces inside a row are padded to the block's width.
  t = TextOf({"abcd", "ef", "ijkl"});
  t.insert_text(B(1, 0, 4, 3, B::TB_COLUMNAR), GText("X\nYY\nZ"));
  EXPECT_EQ(RowsOf(t), (Rows{"aX  bcd", "eYY f", "iZ  jkl", ""}));
  t = TextOf({"a", ""});
  t.insert_text(B(3, 0, 5, 1, B::TB_COLUMNAR), GText("12\n34"));
  EXPECT_EQ(RowsOf(t), (Rows{"a  12", "   34"}));
}

/// Deleting a block and inserting what it held at the same block restores
/// the text, for every shape.
TEST(TextBlocks, DeleteThenInsertRestores) {
  std::mt19937 rng(12345);
  auto pick = [&](long n) { return static_cast<long>(rng() % static_cast<unsigned long>(n)); };
  const B::Mode modes[] = {B::TB_STREAM, B::TB_COLUMNAR, B::TB_LINES};
  for (int round = 0; round < 3000; ++round) {
    Rows rows;
    long count = 1 + pick(6);
    for (long i = 0; i < count; ++i)
      rows.push_back(std::string(static_cast<std::size_t>(pick(6)), static_cast<char>('a' + i)));
    long r1 = pick(count), r2 = pick(count);
    // Columns inside the rows (a stream block may end just after its row).
    long c1 = pick(static_cast<long>(rows[r1].size()) + 1);
    long c2 = pick(static_cast<long>(rows[r2].size()) + 1);
    B::Mode mode = modes[pick(3)];
    if (mode == B::TB_COLUMNAR) {
      // A rectangle over rows long enough to hold it.
      long width = 1 + pick(3);
      c1 = 0;
      c2 = width;
      for (long r = std::min(r1, r2); r <= std::max(r1, r2); ++r)
        rows[r].append(static_cast<std::size_t>(width), '#');
    }
    B b(c1, r1, c2, r2, mode);
    GText t = TextOf(rows);
    std::unique_ptr<GText> held(t.make_text(b));
    t.delete_block(b);
    if (!b.isEmpty())
      t.insert_text(b, *held);
    ASSERT_EQ(RowsOf(t), rows) << "block " << Printed(b) << " mode " << mode;
  }
}

//===----------------------------------------------------------------------===//
// Scanning and searching
//===----------------------------------------------------------------------===//

int IsSpace(int c) { return c == ' ' || c == '\n'; }
int IsAlpha(int c) { return std::isalpha(c); }

TEST(TextScan, SkipForward) {
  const GText t("ab  \n  cd\nxy");
  GTextPosition p(0, 0);
  EXPECT_TRUE(t.skip_forward(p, IsAlpha, false));
  EXPECT_EQ(p, GTextPosition(2, 0));
  p = GTextPosition(2, 0);
  EXPECT_FALSE(t.skip_forward(p, IsSpace, false));
  EXPECT_EQ(p, GTextPosition(4, 0));
  p = GTextPosition(2, 0);
  EXPECT_TRUE(t.skip_forward(p, IsSpace, true));
  EXPECT_EQ(p, GTextPosition(2, 1));
  // A rejected line end stops at the row end.
  p = GTextPosition(0, 2);
  EXPECT_FALSE(t.skip_forward(p, IsAlpha, false));
  EXPECT_EQ(p, GTextPosition(2, 2));
  p = GTextPosition(0, 1);
  EXPECT_TRUE(t.skip_forward(
      p, [](int c) { return c != '\n' ? 1 : 0; }, true));
  EXPECT_EQ(p, GTextPosition(4, 1));
  // The end of the text.
  p = GTextPosition(0, 0);
  EXPECT_FALSE(t.skip_forward(
      p, [](int) { return 1; }, true));
  EXPECT_EQ(p, GTextPosition(0, 3));
  p = GTextPosition(0, 3);
  EXPECT_FALSE(t.skip_forward(p, IsAlpha, true));
  p = GTextPosition(0, -1);
  EXPECT_FALSE(t.skip_forward(p, IsAlpha, true));
}

TEST(TextScan, SkipBackward) {
  const GText t("ab  \n  cd\nxy");
  GTextPosition p(3, 0);
  EXPECT_TRUE(t.skip_backward(p, IsSpace, false));
  EXPECT_EQ(p, GTextPosition(1, 0));
  p = GTextPosition(1, 0);
  EXPECT_FALSE(t.skip_backward(p, IsAlpha, false));
  EXPECT_EQ(p, GTextPosition(0, 0));
  // Past the row end: starts at the last character.
  p = GTextPosition(30, 2);
  EXPECT_FALSE(t.skip_backward(p, IsAlpha, false));
  EXPECT_EQ(p, GTextPosition(0, 2));
  // Multi-line: over the line end into the row above.
  p = GTextPosition(1, 1);
  EXPECT_TRUE(t.skip_backward(p, IsSpace, true));
  EXPECT_EQ(p, GTextPosition(1, 0));
  p = GTextPosition(9, 1);
  EXPECT_TRUE(t.skip_backward(p, IsAlpha, true));
  EXPECT_EQ(p, GTextPosition(9, 1)); // the line end itself is rejected
  p = GTextPosition(1, 2);
  EXPECT_TRUE(t.skip_backward(p, IsAlpha, true));
  EXPECT_EQ(p, GTextPosition(4, 1)); // the line end of row 1
  p = GTextPosition(1, 2);
  EXPECT_FALSE(t.skip_backward(
      p, [](int) { return 1; }, true));
  EXPECT_EQ(p, GTextPosition(0, 0));
  p = GTextPosition(0, 5);
  EXPECT_FALSE(t.skip_backward(p, IsAlpha, true));
}

TEST(TextScan, PredicatesSeeUnsignedCharacters) {
  static std::vector<int> seen;
  seen.clear();
  const GText t("a\xE9");
  GTextPosition p(0, 0);
  t.skip_forward(
      p,
      [](int c) {
        seen.push_back(c);
        return 1;
      },
      false);
  EXPECT_EQ(seen, (std::vector<int>{'a', 0xE9}));
}

TEST(TextSearch, Forward) {
  const GText t("one two\nTwo two\nthree");
  GTextPosition p(0, 0);
  EXPECT_TRUE(t.search("two", p));
  EXPECT_EQ(p, GTextPosition(4, 0));
  p.column++;
  EXPECT_TRUE(t.search("two", p));
  EXPECT_EQ(p, GTextPosition(4, 1));
  p = GTextPosition(0, 1);
  EXPECT_TRUE(t.search("two", p, false, true));
  EXPECT_EQ(p, GTextPosition(0, 1));
  p = GTextPosition(0, 0);
  EXPECT_TRUE(t.search("THREE", p, false, true));
  EXPECT_EQ(p, GTextPosition(0, 2));
  p = GTextPosition(0, 0);
  EXPECT_FALSE(t.search("THREE", p, true, true));
  EXPECT_EQ(p, GTextPosition(0, 0));
  p = GTextPosition(9, 0); // past the row end: the next rows
  EXPECT_TRUE(t.search("o", p));
  EXPECT_EQ(p, GTextPosition(2, 1));
  EXPECT_FALSE(t.search(nullptr, p));
  EXPECT_FALSE(t.search("", p));
  p = GTextPosition(0, 3);
  EXPECT_FALSE(t.search("t", p));
}

TEST(TextSearch, Backward) {
  const GText t("aXa\nbab");
  GTextPosition p(2, 0);
  EXPECT_TRUE(t.search("a", p, true, false));
  EXPECT_EQ(p, GTextPosition(0, 0));
  // The nearest occurrence before the position, not the first of the row.
  p = GTextPosition(5, 1);
  EXPECT_TRUE(t.search("b", p, true, false));
  EXPECT_EQ(p, GTextPosition(2, 1));
  p = GTextPosition(2, 1);
  EXPECT_TRUE(t.search("B", p, false, false));
  EXPECT_EQ(p, GTextPosition(0, 1));
  p = GTextPosition(0, 1);
  EXPECT_TRUE(t.search("a", p, true, false));
  EXPECT_EQ(p, GTextPosition(2, 0));
  p = GTextPosition(0, 0);
  EXPECT_FALSE(t.search("a", p, true, false));
  p = GTextPosition(0, 40);
  EXPECT_TRUE(t.search("ab", p, true, false));
  EXPECT_EQ(p, GTextPosition(1, 1));
}

TEST(TextSearch, WithinBlocks) {
  const GText t("xa....xa\nxa\nxa..xa");
  // Only occurrences wholly inside the block count; one outside does not
  // hide one inside.
  B rect(5, 0, 8, 2, B::TB_COLUMNAR);
  GTextPosition p(0, 0);
  EXPECT_TRUE(t.search("xa", p, rect, true, true));
  EXPECT_EQ(p, GTextPosition(6, 0));
  p.column++;
  EXPECT_FALSE(t.search("xa", p, rect, true, true));
  p = GTextPosition(0, 9);
  EXPECT_TRUE(t.search("xa", p, rect, true, false));
  EXPECT_EQ(p, GTextPosition(6, 0));
  EXPECT_FALSE(t.search("xa", p, B(5, 0, 7, 2, B::TB_COLUMNAR), true, true));

  B stream(2, 0, 1, 2);
  p = GTextPosition(0, 0);
  EXPECT_TRUE(t.search("xa", p, stream, true, true));
  EXPECT_EQ(p, GTextPosition(6, 0));
  p = GTextPosition(7, 0);
  EXPECT_TRUE(t.search("xa", p, stream, true, true));
  EXPECT_EQ(p, GTextPosition(0, 1));
  p = GTextPosition(1, 1);
  EXPECT_FALSE(t.search("xa", p, stream, true, true)); // "xa" in row 2 ends too late
  p = GTextPosition(0, 2);
  EXPECT_TRUE(t.search("x", p, stream, true, true));
  EXPECT_EQ(p, GTextPosition(0, 2));
}

} // namespace
