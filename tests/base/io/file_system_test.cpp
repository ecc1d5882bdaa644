//===- file_system_test.cpp - File-system operations and search -----------===//

#include "io/file_find.h"
#include "io/file_system.h"
#include "io/native_path.h"

#include "io_test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using vyx_test::ScratchDir;
namespace fs = std::filesystem;

std::string str(const GString &s) { return std::string(s.c_str(), s.length()); }
GFile gf(const std::string &name) { return GFile(name.c_str()); }

TEST(FileSystemMatch, Masks) {
  EXPECT_TRUE(FileSystem::Match("report.txt", "*.txt"));
  EXPECT_TRUE(FileSystem::Match("REPORT.TXT", "*.txt"));
  EXPECT_TRUE(FileSystem::Match("abc", "*"));
  EXPECT_FALSE(FileSystem::Match("abc.txt", "*"));
  EXPECT_FALSE(FileSystem::Match("a.b", "???"));
  EXPECT_TRUE(FileSystem::Match("a.b", "*.*"));
  EXPECT_TRUE(FileSystem::Match("abc", "a?c"));
  EXPECT_FALSE(FileSystem::Match("abc", "a?"));
  EXPECT_FALSE(FileSystem::Match("ab", "abc"));
  EXPECT_TRUE(FileSystem::Match("file.tar.gz", "*.*.gz"));
  EXPECT_FALSE(FileSystem::Match("report.doc", "*.txt"));
  EXPECT_FALSE(FileSystem::Match(nullptr, "*"));
  EXPECT_FALSE(FileSystem::Match("a", nullptr));
}

TEST(FileSystem, CreateNestedFolders) {
  ScratchDir dir;
  GFile target = gf(dir.libraryFile("t\\u\\v"));
  EXPECT_TRUE(FileSystem::CreateDirectoryA(target));
  EXPECT_TRUE(fs::is_directory(dir.file("t/u/v")));
  EXPECT_TRUE(FileSystem::CreateDirectoryA(target)); // all exist already
  EXPECT_TRUE(FileSystem::CreateDirectoryA(gf(dir.libraryFile("t\\w\\"))));
  EXPECT_TRUE(fs::is_directory(dir.file("t/w")));
  // A file in the way.
  dir.write("t/file", "x");
  EXPECT_FALSE(FileSystem::CreateDirectoryA(gf(dir.libraryFile("t\\file\\x"))));
  EXPECT_TRUE(FileSystem::CreateDirectoryA(GFile("\\")));
  EXPECT_FALSE(FileSystem::CreateDirectoryA(GFile("")));
  // A drive prefix is never created: it is mapped or not found.
  vyx::SetDriveMapping("T:", dir.path().c_str());
  EXPECT_TRUE(FileSystem::CreateDirectoryA(GFile("T:\\m\\n")));
  EXPECT_TRUE(fs::is_directory(dir.file("m/n")));
  vyx::SetDriveMapping("T:", nullptr);
  EXPECT_FALSE(FileSystem::CreateDirectoryA(GFile("T:\\m\\n")));
}

TEST(FileSystem, CopyMoveRemove) {
  ScratchDir dir;
  dir.write("a.txt", "alpha");
  dir.write("b.txt", "beta");
  EXPECT_TRUE(FileSystem::Copy(gf(dir.libraryFile("a.txt")), gf(dir.libraryFile("c.txt"))));
  EXPECT_EQ(dir.read("c.txt"), "alpha");
  EXPECT_TRUE(FileSystem::Copy(gf(dir.libraryFile("b.txt")), gf(dir.libraryFile("c.txt"))));
  EXPECT_EQ(dir.read("c.txt"), "beta");
  // Copying a file onto itself must not empty it.
  EXPECT_FALSE(FileSystem::Copy(gf(dir.libraryFile("c.txt")), gf(dir.libraryFile("c.txt"))));
  EXPECT_EQ(dir.read("c.txt"), "beta");

  // Move never replaces.
  EXPECT_FALSE(FileSystem::Move(gf(dir.libraryFile("a.txt")), gf(dir.libraryFile("b.txt"))));
  EXPECT_EQ(dir.read("b.txt"), "beta");
  EXPECT_EQ(dir.read("a.txt"), "alpha");
  EXPECT_TRUE(FileSystem::Move(gf(dir.libraryFile("a.txt")), gf(dir.libraryFile("d.txt"))));
  EXPECT_FALSE(fs::exists(dir.file("a.txt")));
  EXPECT_EQ(dir.read("d.txt"), "alpha");
  EXPECT_TRUE(FileSystem::Rename(gf(dir.libraryFile("d.txt")), gf(dir.libraryFile("e.txt"))));
  EXPECT_EQ(dir.read("e.txt"), "alpha");
  fs::create_directory(dir.file("folder"));
  EXPECT_TRUE(FileSystem::Move(gf(dir.libraryFile("folder")), gf(dir.libraryFile("moved"))));
  EXPECT_TRUE(fs::is_directory(dir.file("moved")));

  EXPECT_TRUE(FileSystem::Remove(gf(dir.libraryFile("e.txt"))));
  EXPECT_FALSE(fs::exists(dir.file("e.txt")));
  EXPECT_FALSE(FileSystem::Remove(gf(dir.libraryFile("e.txt"))));
  EXPECT_FALSE(FileSystem::Remove(gf(dir.libraryFile("moved"))));
  EXPECT_TRUE(FileSystem::Exists(gf(dir.libraryFile("moved"))));
}

TEST(FileSystem, SearchFileTakesTheFirstFolderThatHoldsIt) {
  ScratchDir dir;
  fs::create_directories(dir.file("one"));
  fs::create_directories(dir.file("two"));
  fs::create_directories(dir.file("three"));
  dir.write("two/tex.bin", "2");
  dir.write("three/tex.bin", "3");
  std::string list =
      dir.libraryFile("one") + ";;" + dir.libraryFile("two") + ";" + dir.libraryFile("three");
  GFile file("C:\\elsewhere\\tex.bin");
  EXPECT_TRUE(FileSystem::SearchFile(list.c_str(), file));
  EXPECT_EQ(str(file), dir.libraryFile("two\\tex.bin"));
  GFile missing("none.bin");
  EXPECT_FALSE(FileSystem::SearchFile(list.c_str(), missing));
  EXPECT_EQ(str(missing), "none.bin");
  EXPECT_FALSE(FileSystem::SearchFile(nullptr, missing));
}

TEST(FileSystem, UniqueNameAvoidsExistingFiles) {
  ScratchDir dir;
  dir.write("tmpaa.bin", "x");
  GFile file = gf(dir.libraryFile("tmp##.bin"));
  EXPECT_TRUE(FileSystem::UniqueName(file, '#'));
  EXPECT_FALSE(file.exists());
  std::string name = str(file.get_name());
  ASSERT_EQ(name.size(), 9u);
  EXPECT_EQ(name.substr(0, 3), "tmp");
  EXPECT_TRUE(name[3] >= 'a' && name[3] <= 'z');
  EXPECT_NE(name, "tmpaa.bin");

  GFile fresh = gf(dir.libraryFile("new#.bin"));
  EXPECT_TRUE(FileSystem::UniqueName(fresh, '#'));
  EXPECT_EQ(str(fresh.get_name()), "newa.bin");

  // No placeholder and the file exists: no endless search.
  GFile taken = gf(dir.libraryFile("tmpaa.bin"));
  EXPECT_FALSE(FileSystem::UniqueName(taken, '#'));
  GFile empty;
  EXPECT_FALSE(FileSystem::UniqueName(empty, '#'));
  // Placeholders in folder names are left alone.
  fs::create_directory(dir.file("x#y"));
  GFile inFolder = gf(dir.libraryFile("x#y\\f#"));
  EXPECT_TRUE(FileSystem::UniqueName(inFolder, '#'));
  EXPECT_EQ(str(inFolder), dir.libraryFile("x#y\\fa"));
}

TEST(FileSystem, TimesKeepTheirMonth) {
  ScratchDir dir;
  dir.write("t.txt", "x");
  tm when{};
  when.tm_year = 101; // 2001
  when.tm_mon = 3;    // March, counted from 1
  when.tm_mday = 14;
  when.tm_hour = 12;
  when.tm_min = 30;
  when.tm_sec = 5;
  EXPECT_TRUE(FileSystem::SetTime(dir.libraryFile("t.txt").c_str(), when));
  FileFind find(dir.libraryFile("t.txt").c_str(), FileFind::Files);
  ASSERT_TRUE(find);
  EXPECT_EQ(find.info.time.tm_mon, 3);
  EXPECT_EQ(find.info.time.tm_mday, 14);
  EXPECT_EQ(find.info.time.tm_year, 101);
  EXPECT_EQ(find.info.time.tm_hour, 12);
  EXPECT_EQ(find.info.time.tm_wday, 0);
  std::ostringstream text;
  text << find.info.time;
  EXPECT_EQ(text.str(), "Wed Mar 14 12:30:05 2001");
  when.tm_mon = 0;
  EXPECT_FALSE(FileSystem::SetTime(dir.libraryFile("t.txt").c_str(), when));
  when.tm_mon = 13;
  EXPECT_FALSE(FileSystem::SetTime(dir.libraryFile("t.txt").c_str(), when));
}

TEST(FileSystem, TimeTextIsAlwaysTwentyFourCharacters) {
  tm t{};
  t.tm_year = 80;
  t.tm_mon = 1;
  t.tm_mday = 1;
  std::ostringstream text;
  text << t;
  EXPECT_EQ(text.str(), "Tue Jan  1 00:00:00 1980");
  tm bad{};
  bad.tm_mon = 77;
  std::ostringstream other;
  other << bad;
  EXPECT_EQ(other.str().substr(4, 3), "???");
}

TEST(FileSystem, FoldersAndVolumes) {
  ScratchDir dir;
  GFile before = FileSystem::GetCurrentDirectoryA();
  EXPECT_TRUE(FileSystem::SetCurrentDirectoryA(gf(dir.libraryFile(""))));
  EXPECT_EQ(str(FileSystem::GetCurrentDirectoryA()), gf(fs::current_path().string()).c_str());
  EXPECT_TRUE(FileSystem::SetCurrentDirectoryA(before));
  EXPECT_FALSE(FileSystem::SetCurrentDirectoryA(gf(dir.libraryFile("none"))));

  GFile temp = FileSystem::GetTemporaryDirectory();
  EXPECT_EQ(temp.c_str()[temp.length() - 1], '\\');
  EXPECT_TRUE(temp.isDirectory());

  unsigned long spc = 0, bps = 0, freeClusters = 0, total = 0;
  EXPECT_TRUE(FileSystem::GetDriveInfo(dir.libraryFile("not\\yet\\there").c_str(), spc, bps,
                                       freeClusters, total));
  EXPECT_GT(bps, 0u);
  EXPECT_GE(total, freeClusters);
  int64_t freeBytes = FileSystem::GetDirectoryFreeSpace(dir.libraryFile("").c_str());
  EXPECT_EQ(freeBytes, int64_t(spc) * int64_t(bps) * int64_t(freeClusters));
  EXPECT_EQ(FileSystem::GetDirectoryFreeSpace(nullptr), 0);
  EXPECT_EQ(FileSystem::GetDirectoryFreeSpace("Z:\\unmapped"), 0);
  EXPECT_NE(FileSystem::GetDriveTypeA(dir.libraryFile("").c_str()), GFile::DRIVE_OTHER);
  EXPECT_EQ(FileSystem::GetDriveTypeA("Z:\\unmapped"), GFile::DRIVE_OTHER);
  EXPECT_EQ(std::string(FileSystem::GetDirectorySeparator()), "\\");
  EXPECT_EQ(vyx::StoredFileSize(5ull << 32), 0xFFFFFFFFu);
  EXPECT_EQ(vyx::StoredFileSize(1234), 1234u);
}

// FileFind ------------------------------------------------------------------

std::vector<std::string> names(FileFind &find) {
  std::vector<std::string> out;
  for (; find; ++find)
    out.push_back(str(find.info.name) + (find.info.type == FileInfo::Folder ? "/" : ""));
  return out;
}

class FileFindTest : public ::testing::Test {
protected:
  void SetUp() override {
    Dir.write("b.txt", "bb");
    Dir.write("a.txt", "a");
    Dir.write("c.doc", "ccc");
    fs::create_directory(Dir.file("sub"));
    Dir.write("sub/inner.txt", "i");
  }
  ScratchDir Dir;
};

TEST_F(FileFindTest, FilesMatchingTheMaskSortedByName) {
  FileFind find(Dir.libraryFile("*.txt").c_str(), FileFind::Files, true);
  EXPECT_EQ(names(find), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(FileFindTest, FoldersAreTakenWhateverTheMask) {
  FileFind find(Dir.libraryFile("*.txt").c_str(), FileFind::Files | FileFind::Folders, true);
  EXPECT_EQ(names(find), (std::vector<std::string>{"../", "a.txt", "b.txt", "sub/"}));
  FileFind folders(Dir.libraryFile("*.*").c_str(), FileFind::Folders, true);
  EXPECT_EQ(names(folders), (std::vector<std::string>{"../", "sub/"}));
}

TEST_F(FileFindTest, LongNamesCarryTheFolder) {
  FileFind find(Dir.libraryFile("sub\\*.*").c_str(), FileFind::Files);
  ASSERT_TRUE(find);
  EXPECT_EQ(str(find.info.name), Dir.libraryFile("sub\\inner.txt"));
  EXPECT_EQ(find.info.type, FileInfo::File);
  EXPECT_EQ(find.info.size, 1u);
  find++;
  EXPECT_FALSE(find);
}

TEST_F(FileFindTest, SizesAndRestart) {
  FileFind find;
  EXPECT_FALSE(find);
  EXPECT_TRUE(find.first(Dir.libraryFile("c.doc").c_str(), FileFind::Files, true));
  EXPECT_EQ(find.info.size, 3u);
  EXPECT_FALSE(find.first(Dir.libraryFile("none\\*.*").c_str(), FileFind::Files, true));
}

TEST(FileFind, RootHasNoParentEntry) {
  FileFind find("\\*", FileFind::Folders, true);
  for (; find; ++find)
    EXPECT_NE(str(find.info.name), "..");
  FileFind drive;
  ScratchDir dir;
  fs::create_directory(dir.file("f"));
  vyx::SetDriveMapping("R:", dir.path().c_str());
  EXPECT_TRUE(drive.first("R:\\*.*", FileFind::Folders, false));
  EXPECT_EQ(str(drive.info.name), "R:\\f");
  drive++;
  EXPECT_FALSE(drive);
  vyx::SetDriveMapping("R:", nullptr);
}

TEST(FileFind, DrivesComeFirst) {
  ScratchDir dir;
  dir.write("x.txt", "x");
  vyx::SetDriveMapping("M:", dir.path().c_str());
  vyx::SetDriveMapping("E:", dir.path().c_str());
  FileFind find("M:\\*.txt", FileFind::Drives | FileFind::Files, true);
  ASSERT_TRUE(find);
  EXPECT_EQ(find.info.type, FileInfo::Drive);
  EXPECT_EQ(str(find.info.name), "E:");
  EXPECT_EQ(find.info.time.tm_year, 80);
  EXPECT_EQ(find.info.time.tm_mon, 1);
  ++find;
  EXPECT_EQ(str(find.info.name), "M:");
  ++find;
  EXPECT_EQ(str(find.info.name), "x.txt");
  ++find;
  EXPECT_FALSE(find);
  vyx::ClearDriveMappings();
}

} // namespace
