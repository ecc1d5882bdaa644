//===- redirection_test.cpp - Redirection files ---------------------------===//

#include "resources/redirection.h"

#include "config/initialization_file.h"
#include "io/gfile.h"
#include "pstreams/file_pstream.h"

#include "base/io/io_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using vyx_test::ScratchDir;

namespace {

/// Exposes the written form.
class Redirection : public RedirectionFile {
public:
  explicit Redirection(const std::string &text = "") { load_from_string(text.c_str(), 0); }
  std::string written() const { return INI_File_string().c_str(); }
};

std::vector<std::string> foldersOf(const RedirectionItem &item) {
  std::vector<std::string> out;
  for (long i = 0; i < item.getCount(); ++i)
    out.emplace_back(item.at(i).c_str());
  return out;
}

std::vector<std::string> foldersFor(const RedirectionFile &f, const char *name) {
  const RedirectionItem *item = f.find_matched_item(name);
  return item ? foldersOf(*item) : std::vector<std::string>{"<none>"};
}

std::string variable(const RedirectionFile &f, const char *name) {
  const GString *value = f.get_vars()->find(name);
  return value ? value->c_str() : "<undefined>";
}

using Folders = std::vector<std::string>;

TEST(RedirectionText, VariablesAndMasksMakeItems) {
  Redirection f("%ROOT% = c:\\data\n*.tex = %ROOT%\\tex; %ROOT%\\common\\\n");
  EXPECT_EQ(variable(f, "ROOT"), "c:\\data");
  ASSERT_EQ(f.getCount(), 1);
  EXPECT_STREQ(f.at(0).get_mask().c_str(), "*.tex");
  EXPECT_EQ(foldersOf(f.at(0)), (Folders{"c:\\data\\tex", "c:\\data\\common"}));
}

TEST(RedirectionText, ContinuationLinesServeEveryMaskOfTheLastMaskLine) {
  Redirection f("; comment = ignored\n   \t\r\nd0\n*.tex  *.bmp\t= d1;;  ; \n  d2 ; d3//\\\n");
  ASSERT_EQ(f.getCount(), 2);
  EXPECT_EQ(foldersFor(f, "a.tex"), (Folders{"d1", "d2", "d3"}));
  EXPECT_EQ(foldersFor(f, "a.BMP"), (Folders{"d1", "d2", "d3"}));
  EXPECT_EQ(foldersFor(f, "a.txt"), Folders{"<none>"});
}

TEST(RedirectionText, WholeLinesAreReadAndCrLfIsALineEnd) {
  std::string longFolder(5000, 'f');
  Redirection f("*.a = " + longFolder + "\r\n*.b = x\r\n");
  EXPECT_EQ(foldersFor(f, "1.a"), Folders{longFolder});
  EXPECT_EQ(foldersFor(f, "1.b"), Folders{"x"});
}

TEST(RedirectionText, SubstitutionRules) {
  setenv("VYX_REDIRECTION_TEST_ENV", "envdir", 1);
  Redirection f("%A% = one\n%B%=%A%\\two\n"
                "*.x = %B%; %VYX_REDIRECTION_TEST_ENV%; %unknown%; 100%% ; open %A\n");
  EXPECT_EQ(variable(f, "B"), "one\\two");
  EXPECT_EQ(variable(f, "%B"), "<undefined>");
  EXPECT_EQ(foldersFor(f, "a.x"),
            (Folders{"one\\two", "envdir", "%unknown%", "100%%", "open one"}));
  unsetenv("VYX_REDIRECTION_TEST_ENV");
}

TEST(RedirectionText, SelfReferenceStopsExpanding) {
  Redirection f("%A% = x%A%\n%B% = %C%%C%\n%C% = %B%%B%\n*.x = %A%\n*.y = %B%\n");
  std::vector<std::string> x = foldersFor(f, "a.x");
  ASSERT_EQ(x.size(), 1u);
  EXPECT_LT(x[0].size(), 20000u);
  EXPECT_LT(variable(f, "C").size(), 20000u);
}

TEST(RedirectionText, WrittenFormIsExact) {
  Redirection f("%A% = 1\n*.tex = d1\n d2");
  EXPECT_EQ(f.written(), "%A% = 1\n"
                         "\n"
                         "*.tex = \n"
                         "              d1;\n"
                         "              d2;\n");
  Redirection empty;
  EXPECT_EQ(empty.written(), "\n");
}

TEST(RedirectionText, TheWrittenFormReadsBackTheSame) {
  Redirection f("%Z% = last\n%A% = first value\n*.a *.b = p; q\n*.c = \n*.d = r\n");
  Redirection back(f.written());
  EXPECT_EQ(back.written(), f.written());
  EXPECT_EQ(back.getCount(), 4);
  EXPECT_EQ(foldersFor(back, "x.c"), Folders{});
  EXPECT_EQ(variable(back, "A"), "first value");
}

TEST(RedirectionText, PriorityDecidesOrderOfFoldersAndWhichValuesStay) {
  const char *first = "%V% = old\n*.tex = a\n";
  const char *second = "%V% = new\n%W% = w\n*.tex = b\n*.bmp = c\n";
  Redirection front(first);
  front.load_from_string(second, 1);
  EXPECT_EQ(foldersFor(front, "x.tex"), (Folders{"b", "a"}));
  EXPECT_EQ(foldersFor(front, "x.bmp"), Folders{"c"});
  EXPECT_EQ(variable(front, "V"), "old");
  EXPECT_EQ(variable(front, "W"), "w");

  Redirection back(first);
  back.load_from_string(second, 0);
  EXPECT_EQ(foldersFor(back, "x.tex"), (Folders{"a", "b"}));
  EXPECT_EQ(variable(back, "V"), "new");

  back.delete_variable_definitions();
  EXPECT_EQ(back.get_vars()->getCount(), 0);
}

// Names and the file system ----------------------------------------------------------

class RedirectionOnDisk : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directories(dir.file("tex"));
    std::filesystem::create_directories(dir.file("common"));
    root = dir.libraryFile("");
    std::string text = "%ROOT% = " + root + "\n*.tex = %ROOT%\\tex; %ROOT%\\common\\\n" +
                       "*.none = %ROOT%\\missing1; %ROOT%\\missing2\n" +
                       "*.late = %ROOT%\\missing; %ROOT%\\common\n";
    file.load_from_string(text.c_str(), 0);
  }
  std::string in(const char *folder, const char *name) {
    return root + "\\" + folder + "\\" + name;
  }

  ScratchDir dir;
  std::string root;
  RedirectionFile file;
};

TEST_F(RedirectionOnDisk, BareNamesGoToTheFirstFolderThatHasThem) {
  dir.write("common/rock.tex", "c");
  EXPECT_EQ(std::string(file.get_name("rock.tex", 1)), in("common", "rock.tex"));
  EXPECT_TRUE(file.exists("rock.tex"));
  dir.write("tex/rock.tex", "t");
  EXPECT_EQ(std::string(file.get_name("rock.tex", 1)), in("tex", "rock.tex"));
  // A name with a folder, in either separator, is left alone.
  EXPECT_EQ(std::string(file.get_name("x\\rock.tex", 1)), "x\\rock.tex");
  EXPECT_EQ(std::string(file.get_name("x/rock.tex", 1)), "x/rock.tex");
  EXPECT_EQ(std::string(file.get_name("rock.bmp", 1)), "rock.bmp");
  EXPECT_FALSE(file.exists("rock.bmp"));
  EXPECT_TRUE(file.get_name(nullptr, 1).isEmpty());
}

TEST_F(RedirectionOnDisk, NamesThatExistNowhere) {
  EXPECT_EQ(std::string(file.get_name("new.none", 0)), in("missing1", "new.none"));
  EXPECT_EQ(std::string(file.get_name("new.none", 1)), "new.none");
  EXPECT_EQ(std::string(file.get_name("new.late", 1)), in("common", "new.late"));
  EXPECT_FALSE(file.exists("new.late"));
}

TEST_F(RedirectionOnDisk, DirectoryMatched) {
  EXPECT_TRUE(file.directory_matched(in("tex", "any.tex").c_str()));
  EXPECT_FALSE(file.directory_matched(in("tex", "any.bmp").c_str()));
  EXPECT_FALSE(file.directory_matched(in("other", "any.tex").c_str()));
}

TEST_F(RedirectionOnDisk, GFileRedirectUsesTheInstalledFile) {
  dir.write("common/stone.tex", "s");
  GFile name("  stone.tex");
  name.redirect();
  EXPECT_STREQ(name.c_str(), "  stone.tex");

  auto *installed = new RedirectionFile;
  installed->add_from(file, 0);
  fpbase::SetRedirectionFile(installed);
  EXPECT_EQ(fpbase::GetRedirectionFile(), installed);
  name.redirect();
  EXPECT_EQ(std::string(name), in("common", "stone.tex"));
  EXPECT_EQ(std::string(fpbase::RedirectedName("stone.tex", 1)), in("common", "stone.tex"));
  EXPECT_EQ(std::string(fpbase::redirected_name("x.bmp")), "x.bmp");
  GFile missing("gone.tex");
  missing.redirect();
  EXPECT_STREQ(missing.c_str(), "gone.tex");

  fpbase::SetRedirectionFile(static_cast<RedirectionFile *>(nullptr));
  EXPECT_EQ(fpbase::GetRedirectionFile(), nullptr);
  EXPECT_EQ(std::string(fpbase::RedirectedName("stone.tex", 1)), "stone.tex");
  EXPECT_TRUE(fpbase::RedirectedName(nullptr, 1).isEmpty());
}

TEST_F(RedirectionOnDisk, LoadingFromFiles) {
  dir.write("r.txt", "*.q = one\n");
  RedirectionFile f(dir.libraryFile("r.txt").c_str());
  EXPECT_EQ(foldersFor(f, "a.q"), Folders{"one"});
  f.load_from_file(dir.libraryFile("missing.txt").c_str(), 0);
  EXPECT_EQ(f.getCount(), 1);
  fpbase::SetRedirectionFile(dir.libraryFile("r.txt").c_str());
  ASSERT_NE(fpbase::GetRedirectionFile(), nullptr);
  EXPECT_EQ(fpbase::GetRedirectionFile()->getCount(), 1);
  fpbase::SetRedirectionFile(static_cast<const char *>(nullptr));
  EXPECT_NE(fpbase::GetRedirectionFile(), nullptr);
  fpbase::SetRedirectionFile(static_cast<RedirectionFile *>(nullptr));
}

TEST_F(RedirectionOnDisk, UpdateRedirectionSavesTheTopic) {
  std::string settings = dir.libraryFile("process.ini");
  dir.write("process.ini", "; mine\n[Redirection]\nold\n[Other]\nk=v\n");
  GInitializationFile::SetFile(settings.c_str());
  Redirection f("%A% = 1\n*.tex = d1\n");
  f.update_redirection("*.tex", "d2", false);
  f.update_redirection("*.wav", "s1; s2", true);
  GInitializationFile::SetFile(nullptr);
  EXPECT_EQ(dir.read("process.ini"), "; mine\n[Redirection]\n%A% = 1\n\n*.tex = \n"
                                     "              d1;\n              d2;\n*.wav = \n"
                                     "              s1;\n              s2;\n[Other]\nk=v\n");
}

} // namespace
