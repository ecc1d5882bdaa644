//===- gfile_test.cpp - File names ----------------------------------------===//

#include "io/gfile.h"
#include "io/native_path.h"
#include "object_model/exceptions.h"

#include "io_test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using vyx_test::ScratchDir;

std::string str(const GString &s) { return std::string(s.c_str(), s.length()); }

/// Runs a test body inside `folder` as the current folder.
class CurrentFolder {
public:
  explicit CurrentFolder(const std::string &folder) : Saved(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~CurrentFolder() { std::filesystem::current_path(Saved); }

private:
  std::filesystem::path Saved;
};

GFile gf(const std::string &name) { return GFile(name.c_str()); }

std::string library(std::string native) {
  for (char &c : native)
    if (c == '/')
      c = '\\';
  return native;
}

TEST(GFile, ForwardSlashesBecomeBackslashes) {
  GFile f("a/b/c.txt");
  EXPECT_EQ(str(f), "a\\b\\c.txt");
  EXPECT_EQ(str(f.get_extension()), "txt");
  EXPECT_EQ(str(f.get_name()), "c.txt");
  EXPECT_EQ(str(f.get_directory()), "a\\b");
  GFile g;
  g = "x/y";
  EXPECT_EQ(str(g), "x\\y");
  g = GString("p/q");
  EXPECT_EQ(str(g), "p\\q");
}

TEST(GFile, ExtensionOnlyInTheLastComponent) {
  GFile f("dir.x\\file");
  EXPECT_EQ(str(f.get_extension()), "");
  f.remove_extension();
  EXPECT_EQ(str(f), "dir.x\\file");
  GFile g("a\\b.tar.gz");
  g.replace_extension("zip");
  EXPECT_EQ(str(g), "a\\b.tar.zip");
  g.add_extension("");
  g.add_extension(nullptr);
  EXPECT_EQ(str(g), "a\\b.tar.zip");
  EXPECT_EQ(str(GFile("a\\b.tar.zip").just_extension()), "zip");
}

TEST(GFile, NamesDirectoriesAndDrives) {
  EXPECT_EQ(str(GFile("C:name").get_name()), "name");
  EXPECT_EQ(str(GFile("C:name").get_directory()), "C:");
  EXPECT_EQ(str(GFile("C:\\dir\\name").get_drive()), "C:");
  EXPECT_EQ(str(GFile("plain").get_directory()), "");
  EXPECT_EQ(str(GFile("plain").get_drive()), "");
  EXPECT_EQ(str(GFile("plain").get_name()), "plain");
  EXPECT_EQ(str(GFile("C:\\dir\\name").just_name()), "name");
}

TEST(GFile, AddAndReplaceName) {
  EXPECT_EQ(str(GFile("c:\\dir\\").add_name("x")), "c:\\dir\\x");
  EXPECT_EQ(str(GFile("").add_name("x")), "x");
  EXPECT_EQ(str(GFile("c:\\dir").add_name("x")), "c:\\dir\\x");
  EXPECT_EQ(str(GFile("c:\\dir").add_name("\\x")), "c:\\dir\\x");
  EXPECT_EQ(str(GFile("c:\\dir").add_name("sub/x")), "c:\\dir\\sub\\x");
  EXPECT_EQ(str(GFile("c:\\dir").add_name(nullptr)), "c:\\dir");
  EXPECT_EQ(str(GFile("c:\\dir\\old").replace_name("new")), "c:\\dir\\new");
  EXPECT_EQ(str(GFile("c:\\dir\\old").replace_name(nullptr)), "c:\\dir");
  EXPECT_EQ(str(GFile("old").replace_name("new")), "new");
}

TEST(GFile, Predicates) {
  EXPECT_TRUE(GFile("a.txt").valid());
  EXPECT_FALSE(GFile("a|b").valid());
  EXPECT_FALSE(GFile("a<b").valid());
  EXPECT_TRUE(GFile("*.txt").isMask());
  EXPECT_TRUE(GFile("a?").isMask());
  EXPECT_FALSE(GFile("a").isMask());
  EXPECT_TRUE(GFile("").isRelativePath());
  EXPECT_TRUE(GFile("a\\b").isRelativePath());
  EXPECT_FALSE(GFile("\\a").isRelativePath());
  EXPECT_FALSE(GFile("C:a").isRelativePath());
  EXPECT_EQ(GFile("ABC").compare("abc"), 0);
  EXPECT_LT(GFile("abc").compare("ABD"), 0);
  EXPECT_GT(GFile("abc").compare(nullptr), 0);
}

TEST(GFile, ExpandResolvesDotsInTheText) {
  ScratchDir dir;
  CurrentFolder here(dir.path());
  std::string cwd = library(std::filesystem::current_path().string());
  EXPECT_EQ(str(GFile("a\\.\\b\\..\\c").expand()), cwd + "\\a\\c");
  EXPECT_EQ(str(GFile("").expand()), cwd + "\\");
  EXPECT_EQ(str(GFile("\\x\\y\\..\\z").expand()), "\\x\\z");
  EXPECT_EQ(str(GFile("\\x\\..\\..\\..").expand()), "\\");
  EXPECT_EQ(str(GFile("C:\\a\\..\\..").expand()), "C:\\");
  EXPECT_EQ(str(GFile("C:a").expand()), "C:\\a");
  EXPECT_EQ(str(GFile("\\x\\dir\\").expand()), "\\x\\dir\\");
  EXPECT_EQ(str(GFile("\\\\srv\\share\\a\\..\\b").expand()), "\\\\srv\\share\\b");
  EXPECT_EQ(str(GFile("\\x//y").expand()), "\\x\\y");
}

TEST(GFile, ShrinkAgainstAFolder) {
  ScratchDir dir;
  std::filesystem::create_directories(dir.file("a/c"));
  std::string root = dir.libraryFile("");
  GFile f((root + "a\\b\\f.txt").c_str());
  EXPECT_EQ(str(GFile(f).shrink((root + "a\\c").c_str())), "..\\b\\f.txt");
  // A base that is not a folder stands for its folder.
  EXPECT_EQ(str(GFile(f).shrink((root + "a\\c\\other.txt").c_str())), "..\\b\\f.txt");
  EXPECT_EQ(str(GFile(f).shrink((root + "a").c_str())), "b\\f.txt");
  EXPECT_EQ(str(GFile(f).shrink((root + "a\\c\\").c_str())), "..\\b\\f.txt");
  // Another drive: the name stays absolute.
  EXPECT_EQ(str(GFile("D:\\a\\f.txt").shrink((root + "a").c_str())), "D:\\a\\f.txt");
  CurrentFolder here(dir.file("a"));
  EXPECT_EQ(str(GFile(f).shrink()), "b\\f.txt");
}

TEST(GFile, EqualsToComparesAbsoluteNames) {
  ScratchDir dir;
  CurrentFolder here(dir.path());
  EXPECT_TRUE(GFile("x\\..\\y.txt").equals_to("y.txt"));
  EXPECT_TRUE(GFile("y.txt").equals_to((dir.libraryFile("y.txt")).c_str()));
  EXPECT_FALSE(GFile("Y.txt").equals_to("y.txt"));
}

TEST(GFile, ExistenceAndFolders) {
  ScratchDir dir;
  dir.write("file.txt", "x");
  std::filesystem::create_directory(dir.file("sub"));
  EXPECT_TRUE(gf(dir.libraryFile("file.txt")).exists());
  EXPECT_FALSE(gf(dir.libraryFile("file.txt")).isDirectory());
  EXPECT_FALSE(gf(dir.libraryFile("none.txt")).exists());
  EXPECT_FALSE(gf(dir.libraryFile("*.txt")).exists());
  EXPECT_FALSE(GFile("").exists());
  EXPECT_TRUE(gf(dir.libraryFile("sub")).isDirectory());
  EXPECT_TRUE(gf(dir.libraryFile("sub\\\\")).isDirectory());
  EXPECT_TRUE(GFile("\\").isDirectory());
  EXPECT_TRUE(GFile("/").isDirectory());
  // Names stored on a case-insensitive system still find the file.
  EXPECT_TRUE(gf(dir.libraryFile("FILE.TXT")).exists());
}

TEST(GFile, DrivesExistOnlyWhenMapped) {
  ScratchDir dir;
  dir.write("f", "x");
  EXPECT_FALSE(GFile("K:").isDrive());
  EXPECT_FALSE(GFile("K:\\f").exists());
  vyx::SetDriveMapping("K:", dir.path().c_str());
  EXPECT_TRUE(GFile("K:").isDrive());
  EXPECT_TRUE(GFile("k:").isDrive());
  EXPECT_FALSE(GFile("K:\\").isDrive());
  EXPECT_TRUE(GFile("K:\\f").exists());
  EXPECT_TRUE(GFile("K:\\").isDirectory());
  vyx::SetDriveMapping("K:", nullptr);
  EXPECT_FALSE(GFile("K:").isDrive());
}

GString redirectInto(const char *name, unsigned char check) {
  static std::string folder;
  if (check == 0xFF) {
    folder = name;
    return GString();
  }
  GFile result(folder.c_str());
  result.add_name(name);
  return result;
}

TEST(GFile, RedirectFindsBareNamesThroughTheHook) {
  ScratchDir dir;
  dir.write("tex.bin", "x");
  GFile missing("C:\\old\\place\\ tex.bin");
  missing.redirect();
  EXPECT_EQ(str(missing), "C:\\old\\place\\ tex.bin"); // no hook: not found
  redirectInto(dir.path().c_str(), 0xFF);
  vyx::FileRedirector before = vyx::SetFileRedirector(redirectInto);
  EXPECT_EQ(before, nullptr);
  missing.redirect();
  EXPECT_EQ(str(missing), dir.libraryFile("tex.bin"));
  GFile absent("C:\\nothing.bin");
  absent.redirect();
  EXPECT_EQ(str(absent), "C:\\nothing.bin");
  vyx::SetFileRedirector(nullptr);
}

// Stored form ---------------------------------------------------------------

/// Items written as text: tokens as numbers, runs in quotes.
std::string describe(const std::vector<vyx::PathTokenItem> &items) {
  std::string out;
  for (const auto &item : items) {
    if (!out.empty())
      out += ' ';
    out += std::to_string(item.Token);
    if (item.Token == vyx::PathRun)
      out += " \"" + str(item.Run) + "\"";
  }
  return out;
}

/// A token source over prepared items.
class ItemSource : public vyx::PathTokenSource {
public:
  explicit ItemSource(std::vector<vyx::PathTokenItem> items) : Items(std::move(items)) {}
  int readToken() override {
    if (Next >= Items.size())
      return -1;
    LastRun = Items[Next].Run;
    return Items[Next++].Token;
  }
  GString readRun() override { return LastRun; }

private:
  std::vector<vyx::PathTokenItem> Items;
  size_t Next = 0;
  GString LastRun;
};

std::string roundTrip(const char *path) {
  ItemSource source(vyx::EncodePathTokens(path));
  return str(vyx::DecodePathTokens(source));
}

TEST(PathTokens, ExactStoredForm) {
  EXPECT_EQ(describe(vyx::EncodePathTokens("..\\data\\.\\x.bin")),
            "3 4 \"data\" 1 4 \"x\" 2 4 \"bin\" 0");
  EXPECT_EQ(roundTrip("..\\data\\.\\x.bin"), "..\\data\\x.bin");
  EXPECT_EQ(describe(vyx::EncodePathTokens("C:\\dir\\f.txt")),
            "4 \"C:\" 1 4 \"dir\" 1 4 \"f\" 2 4 \"txt\" 0");
  EXPECT_EQ(describe(vyx::EncodePathTokens("C:rel")), "4 \"C:\" 4 \"rel\" 0");
  EXPECT_EQ(describe(vyx::EncodePathTokens("")), "0");
  EXPECT_EQ(describe(vyx::EncodePathTokens(nullptr)), "0");
  EXPECT_EQ(describe(vyx::EncodePathTokens("a/b")), "4 \"a\" 1 4 \"b\" 0");
}

TEST(PathTokens, DotsInsideNamesAreKept) {
  // ".." inside a name is two dots, not a parent folder that eats the next
  // character.
  EXPECT_EQ(describe(vyx::EncodePathTokens("a..b")), "4 \"a\" 2 2 4 \"b\" 0");
  EXPECT_EQ(roundTrip("a..b"), "a..b");
  EXPECT_EQ(roundTrip("dir\\..."), "dir\\...");
  EXPECT_EQ(roundTrip("dir\\.."), "dir\\..");
  EXPECT_EQ(roundTrip("..\\..\\x"), "..\\..\\x");
  EXPECT_EQ(roundTrip(".hidden\\.x"), ".hidden\\.x");
  // ".\" is dropped only where a component starts.
  EXPECT_EQ(describe(vyx::EncodePathTokens("a.\\b")), "4 \"a\" 2 1 4 \"b\" 0");
  EXPECT_EQ(roundTrip("a.\\b"), "a.\\b");
  EXPECT_EQ(roundTrip(".\\a\\.\\b"), "a\\b");
}

TEST(PathTokens, OldStoredFormsReadTheSame) {
  // Written by earlier versions: ".." with the following end-of-text read
  // as a parent token.
  ItemSource source({{3, GString()}, {4, GString("x")}, {0, GString()}});
  EXPECT_EQ(str(vyx::DecodePathTokens(source)), "..\\x");
}

TEST(PathTokens, BadTokensThrow) {
  ItemSource unknown({{4, GString("a")}, {9, GString()}});
  EXPECT_THROW(vyx::DecodePathTokens(unknown), GFileReadError_Exception);
  ItemSource truncated({{4, GString("a")}, {1, GString()}});
  EXPECT_THROW(vyx::DecodePathTokens(truncated), GFileReadError_Exception);
  ItemSource caught({{5, GString()}});
  EXPECT_THROW(vyx::DecodePathTokens(caught), InvalidPStream_Exception);
}

} // namespace
