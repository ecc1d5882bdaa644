//===- initialization_file_test.cpp - Settings files ---------------------===//

#include "config/initialization_file.h"
#include "config/text_file.h"
#include "io/gfile.h"
#include "platform/file_handle.h"
#include "pstreams/file_pstream.h"
#include "resources/redirection.h"

#include "base/io/io_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vyx_test::ScratchDir;

namespace {

/// A settings file loaded from `text` (no file behind it).
class Settings : public GInitializationFile {
public:
  explicit Settings(const std::string &text = "") : GInitializationFile("") {
    loadText(text.data(), text.size());
  }
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    for (long i = 0; i < getCount(); ++i)
      out.emplace_back(at(i));
    return out;
  }
};

std::string valueOf(const GInitializationFile &f, const char *topic, const char *key) {
  GString value("untouched");
  if (!f.getValue(topic, key, value))
    return "<missing>";
  return value.c_str();
}

std::vector<std::string> names(const GStringCollection &list) {
  std::vector<std::string> out;
  for (long i = 0; i < list.getCount(); ++i)
    out.emplace_back(list.at(i));
  return out;
}

TEST(TextFile, LinesSplitAtLfWithCrLfAndAFinalLineWithoutEnd) {
  using V = std::vector<std::string>;
  EXPECT_EQ(vyx::SplitTextLines("a\r\nb\n\nc"), (V{"a", "b", "", "c"}));
  EXPECT_EQ(vyx::SplitTextLines("a\n"), (V{"a"}));
  EXPECT_EQ(vyx::SplitTextLines(""), V{});
  // Only a CR right before an LF belongs to the line end.
  EXPECT_EQ(vyx::SplitTextLines("a\rb\r\r\n"), (V{"a\rb\r"}));
}

TEST(InitializationFile, KeyAndTopicNamesFollowTheLineRules) {
  Settings f("[ A ]\n  key  =  value\n; k=1\n[B] ; note\nflag\n  [C\nx=1=2\n");
  EXPECT_EQ(valueOf(f, " A ", "key"), "  value");
  EXPECT_EQ(valueOf(f, "A", "key"), "<missing>");
  EXPECT_EQ(valueOf(f, " A ", "; k"), "<missing>");
  EXPECT_EQ(valueOf(f, " A ", "k"), "<missing>");
  // A key line without "=" has an empty value; an unclosed header still
  // names a topic.
  EXPECT_EQ(valueOf(f, "B", "flag"), "");
  EXPECT_EQ(valueOf(f, "C", "x"), "1=2");
}

TEST(InitializationFile, TheLastOfTwoEqualTopicsCountsForReadsAndWrites) {
  Settings f("[A]\nk=first\n[B]\n[A]\nk=second\n");
  EXPECT_EQ(valueOf(f, "A", "k"), "second");
  f.setValue("A", "new", "1");
  EXPECT_EQ(f.lines(),
            (std::vector<std::string>{"[A]", "k=first", "[B]", "[A]", "new=1", "k=second"}));
  EXPECT_TRUE(f.isModified());
}

TEST(InitializationFile, SetValueReplacesInsertsOrAppends) {
  Settings f("; head\n[A]\nold = 1 ; keep\n\n[B]\nx=1\n");
  f.setValue("A", "old", "2");
  f.setValue("A", "first", "yes");
  f.setValue("Z", "k", "v");
  f.setValue("B", "n", 42L);
  f.setBoolean("B", "b", 0);
  EXPECT_EQ(f.lines(), (std::vector<std::string>{"; head", "[A]", "first=yes", "old=2", "", "[B]",
                                                 "b=no", "n=42", "x=1", "[Z]", "k=v"}));
}

TEST(InitializationFile, LineBreaksInNamesAndValuesAreCut) {
  Settings f("[A]\n");
  f.setValue("A", "key\r\nevil", "one\ntwo");
  f.setValue("T\nU", "k", "v\r");
  EXPECT_EQ(f.lines(), (std::vector<std::string>{"[A]", "key=one", "[T]", "k=v"}));
  // A lone CR read from a file is part of the name it stands in.
  Settings read("[A]\na\rb=1\n");
  EXPECT_EQ(valueOf(read, "A", "a\rb"), "1");
  read.setValue("A", "a\rb", "2");
  EXPECT_EQ(read.lines(), (std::vector<std::string>{"[A]", "a=2", "a\rb=1"}));
}

TEST(InitializationFile, NumbersAndBooleans) {
  Settings f("[N]\na= 42\nb=-7x\nc=text\nd=99999999999999999999999\n"
             "[B]\nt=  On\ny=yesterday\nten=10\nn=nope\nm=maybe\n");
  long v = 5;
  EXPECT_TRUE(f.getValue("N", "a", v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(f.getValue("N", "b", v));
  EXPECT_EQ(v, -7);
  v = 5;
  EXPECT_TRUE(f.getValue("N", "c", v));
  EXPECT_TRUE(f.getValue("N", "d", v));
  EXPECT_EQ(v, 5);
  EXPECT_FALSE(f.getValue("N", "missing", v));

  unsigned char b = 7;
  EXPECT_TRUE(f.getBoolean("B", "t", b));
  EXPECT_EQ(b, 1);
  b = 7;
  EXPECT_TRUE(f.getBoolean("B", "y", b));
  EXPECT_EQ(b, 1);
  b = 7;
  EXPECT_TRUE(f.getBoolean("B", "ten", b));
  EXPECT_EQ(b, 1);
  EXPECT_TRUE(f.getBoolean("B", "n", b));
  EXPECT_EQ(b, 0);
  b = 7;
  EXPECT_FALSE(f.getBoolean("B", "m", b));
  EXPECT_FALSE(f.getBoolean("B", "none", b));
  EXPECT_EQ(b, 7);
}

TEST(InitializationFile, RemovingKeysAndTopics) {
  Settings f("[A]\n[B]\nk=1\n; c\nj=2\n[C]\nz=1\n");
  f.removeTopic("A", 0);
  EXPECT_EQ(f.lines().size(), 7u);
  f.removeKey("B", "k");
  f.removeTopic("C", 1);
  EXPECT_EQ(f.lines(), (std::vector<std::string>{"[A]", "[B]", "; c", "j=2"}));
  f.removeTopic("B", 0);
  EXPECT_EQ(f.lines(), (std::vector<std::string>{"[A]", "[B]"}));
}

TEST(InitializationFile, TopicsAsText) {
  Settings f("[A]\nk=1\n; note\n\n[B]\nx=2\n");
  GString text("old");
  f.getTopic("A", text);
  EXPECT_STREQ(text.c_str(), "k=1\n; note\n\n");
  f.getTopic("Q", text);
  EXPECT_TRUE(text.isEmpty());

  f.setTopic("A", "p=1\r\nq=2\n");
  f.setTopic("New", "z=9");
  EXPECT_EQ(f.lines(),
            (std::vector<std::string>{"[A]", "p=1", "q=2", "[B]", "x=2", "[New]", "z=9"}));

  GStringCollection list(0, 4, 1);
  f.setValue("B", "a", "1");
  f.getKeyList("B", list);
  EXPECT_EQ(names(list), (std::vector<std::string>{"a", "x"}));
  Settings twice("[Z]\n[A]\n[Z]\n");
  twice.getTopicList(list);
  EXPECT_EQ(names(list), (std::vector<std::string>{"Z", "A", "Z"}));
}

TEST(InitializationFile, CopiesAreIndependent) {
  Settings f("[A]\nk=1\n");
  GInitializationFile copy(f);
  copy.setValue("A", "k", "2");
  EXPECT_EQ(valueOf(f, "A", "k"), "1");
  EXPECT_EQ(valueOf(copy, "A", "k"), "2");
  copy.setFileName("");
  copy = f;
  EXPECT_EQ(valueOf(copy, "A", "k"), "1");
}

// Files -------------------------------------------------------------------------

TEST(InitializationFileOnDisk, CommentsAndLayoutSurviveAnEdit) {
  ScratchDir dir;
  std::string original = "; Settings\r\n\r\n[Render]\r\n  width = 640   ; pixels\r\n"
                         "height=480\r\n\r\n; the end\r\n[Last]\r\nlong=" +
                         std::string(10000, 'x');
  dir.write("s.ini", original);
  {
    GInitializationFile f(dir.libraryFile("s.ini").c_str());
    EXPECT_EQ(valueOf(f, "Render", "width"), " 640   ; pixels");
    EXPECT_EQ(valueOf(f, "Last", "long"), std::string(10000, 'x'));
    EXPECT_TRUE(f.update()); // unchanged: nothing written
    EXPECT_EQ(dir.read("s.ini"), original);
    f.setValue("Render", "height", "600");
    // Written back by the destructor.
  }
  EXPECT_EQ(dir.read("s.ini"), "; Settings\n\n[Render]\n  width = 640   ; pixels\n"
                               "height=600\n\n; the end\n[Last]\nlong=" +
                                   std::string(10000, 'x') + "\n");
}

TEST(InitializationFileOnDisk, AMissingFileIsCreatedByTheFirstUpdate) {
  ScratchDir dir;
  GInitializationFile f(dir.libraryFile("new.ini").c_str());
  EXPECT_EQ(f.getCount(), 0);
  EXPECT_TRUE(f.update());
  EXPECT_FALSE(std::filesystem::exists(dir.file("new.ini")));
  f.setValue("A", "k", "v");
  EXPECT_TRUE(f.update());
  EXPECT_FALSE(f.isModified());
  EXPECT_EQ(dir.read("new.ini"), "[A]\nk=v\n");
}

TEST(InitializationFileOnDisk, AFailedUpdateKeepsTheChangesForALaterTry) {
  ScratchDir dir;
  GInitializationFile f(dir.libraryFile("missing\\folder\\s.ini").c_str());
  f.setValue("A", "k", "v");
  EXPECT_FALSE(f.update());
  EXPECT_TRUE(f.isModified());
  // A device that takes no bytes: creating works, writing does not.
  f.setFileName("/dev/full");
  EXPECT_FALSE(f.update());
  EXPECT_TRUE(f.isModified());
  f.setFileName(dir.libraryFile("s.ini").c_str());
  // A file system that reports a deferred write error when the file is
  // closed: the bytes may be lost, so the update failed.
  vyx::FailNextClosesForTesting(1);
  EXPECT_FALSE(f.update());
  EXPECT_TRUE(f.isModified());
  EXPECT_TRUE(f.update());
  EXPECT_EQ(dir.read("s.ini"), "[A]\nk=v\n");
}

TEST(InitializationFileOnDisk, ARedirectedFileIsWrittenWhereItWasRead) {
  ScratchDir dir;
  dir.write("bare_settings_vyx_test.ini", "[A]\nk=1\n");
  auto *redirection = new RedirectionFile;
  std::string rule = "bare_settings_vyx_test.ini = " + dir.libraryFile("");
  redirection->load_from_string(rule.c_str(), 0);
  fpbase::SetRedirectionFile(redirection);
  {
    GInitializationFile f("bare_settings_vyx_test.ini");
    EXPECT_EQ(valueOf(f, "A", "k"), "1");
    f.setValue("A", "k", "2");
    EXPECT_TRUE(f.update());
    EXPECT_STREQ(f.getFileName().c_str(), "bare_settings_vyx_test.ini");
  }
  fpbase::SetRedirectionFile(static_cast<RedirectionFile *>(nullptr));
  EXPECT_EQ(dir.read("bare_settings_vyx_test.ini"), "[A]\nk=2\n");
  EXPECT_FALSE(GFile("bare_settings_vyx_test.ini").exists());
}

TEST(InitializationFileOnDisk, TheProcessFileIsSavedWhenReplaced) {
  ScratchDir dir;
  std::string name = dir.libraryFile("process.ini");
  GInitializationFile::SetFile(name.c_str());
  ASSERT_NE(GInitializationFile::GetFile(), nullptr);
  GInitializationFile::GetFile()->setValue("P", "k", "1");
  GInitializationFile::SetFile(nullptr);
  EXPECT_EQ(GInitializationFile::GetFile(), nullptr);
  EXPECT_EQ(dir.read("process.ini"), "[P]\nk=1\n");
}

} // namespace
