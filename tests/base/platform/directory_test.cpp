//===- directory_test.cpp - Folders and file-system queries ---------------===//

#include "platform/directory.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

class DirectoryTest : public ::testing::Test {
protected:
  void SetUp() override {
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vyx_platform_XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    ASSERT_NE(mkdtemp(buffer.data()), nullptr);
    Root = buffer.data();
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(Root, ec);
  }
  std::string at(const std::string &name) const { return Root + "/" + name; }
  void write(const std::string &name, const std::string &text) const {
    std::ofstream(at(name), std::ios::binary) << text;
  }
  std::string read(const std::string &name) const {
    std::ifstream in(at(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string Root;
};

TEST_F(DirectoryTest, ListingIsSortedWithoutDotEntries) {
  write("b", "1");
  write("a", "22");
  write("C", "");
  fs::create_directory(at("d"));
  std::vector<vyx::DirectoryEntry> entries;
  ASSERT_TRUE(vyx::ListDirectory(Root.c_str(), entries));
  std::vector<std::string> names;
  for (const auto &e : entries)
    names.push_back(e.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"C", "a", "b", "d"}));
  EXPECT_EQ(entries[1].Status.Size, 2u);
  EXPECT_TRUE(entries[3].Status.IsDirectory);
  EXPECT_FALSE(vyx::ListDirectory(at("none").c_str(), entries));
}

TEST_F(DirectoryTest, MoveNeverReplaces) {
  write("from", "new");
  write("to", "old");
  EXPECT_FALSE(vyx::MovePath(at("from").c_str(), at("to").c_str()));
  EXPECT_EQ(read("to"), "old");
  fs::create_directory(at("dir"));
  EXPECT_FALSE(vyx::MovePath(at("from").c_str(), at("dir").c_str()));
  EXPECT_TRUE(vyx::MovePath(at("from").c_str(), at("fresh").c_str()));
  EXPECT_EQ(read("fresh"), "new");
  EXPECT_FALSE(fs::exists(at("from")));
}

TEST_F(DirectoryTest, CopyKeepsBytesAndPermissions) {
  write("src", std::string(200000, 'q'));
  chmod(at("src").c_str(), 0640);
  EXPECT_TRUE(vyx::CopyFileContents(at("src").c_str(), at("dst").c_str(), false));
  EXPECT_EQ(read("dst"), std::string(200000, 'q'));
  struct stat st;
  ASSERT_EQ(stat(at("dst").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  write("src", "short");
  EXPECT_FALSE(vyx::CopyFileContents(at("src").c_str(), at("dst").c_str(), false));
  EXPECT_TRUE(vyx::CopyFileContents(at("src").c_str(), at("dst").c_str(), true));
  EXPECT_EQ(read("dst"), "short");
  EXPECT_FALSE(vyx::CopyFileContents(at("src").c_str(), at("src").c_str(), true));
  EXPECT_EQ(read("src"), "short");
  EXPECT_FALSE(vyx::CopyFileContents(at("missing").c_str(), at("x").c_str(), true));
  EXPECT_FALSE(fs::exists(at("x")));
}

TEST_F(DirectoryTest, CaseInsensitiveLookUpNeedsAUniqueMatch) {
  fs::create_directories(at("Maps/Tiles"));
  write("Maps/Tiles/Grass.PNG", "g");
  auto found = vyx::ResolvePathIgnoringCase(at("maps/TILES/grass.png"));
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(*found, at("Maps/Tiles/Grass.PNG"));
  EXPECT_EQ(vyx::ResolvePathIgnoringCase(at("Maps/Tiles/Grass.PNG")), at("Maps/Tiles/Grass.PNG"));
  EXPECT_FALSE(vyx::ResolvePathIgnoringCase(at("maps/tiles/none.png")).has_value());
  write("Maps/Tiles/GRASS.png", "G");
  EXPECT_FALSE(vyx::ResolvePathIgnoringCase(at("maps/tiles/grass.png")).has_value());
  EXPECT_FALSE(vyx::ResolvePathIgnoringCase("").has_value());
}

TEST_F(DirectoryTest, FoldersTimesAndVolumes) {
  EXPECT_TRUE(vyx::MakeDirectory(at("m").c_str()));
  EXPECT_FALSE(vyx::MakeDirectory(at("m").c_str()));
  EXPECT_TRUE(vyx::IsDirectoryPath(at("m").c_str()));
  EXPECT_TRUE(vyx::RemoveDirectory(at("m").c_str()));
  EXPECT_FALSE(vyx::PathExists(at("m").c_str()));
  write("f", "x");
  EXPECT_FALSE(vyx::RemoveDirectory(at("f").c_str()));
  EXPECT_TRUE(vyx::SetPathTimes(at("f").c_str(), 1000000000));
  vyx::PathStatus status;
  ASSERT_TRUE(vyx::QueryPath(at("f").c_str(), status));
  EXPECT_EQ(status.ModifiedTime, 1000000000);
  EXPECT_TRUE(status.IsRegular);
  EXPECT_TRUE(vyx::RemoveFile(at("f").c_str()));
  vyx::VolumeInfo volume;
  EXPECT_TRUE(vyx::QueryVolume(Root.c_str(), volume));
  EXPECT_GT(volume.BlockSize, 0u);
  EXPECT_FALSE(vyx::QueryVolume(at("none").c_str(), volume));
}

TEST_F(DirectoryTest, TemporaryFolderFollowsTmpdir) {
  const char *saved = std::getenv("TMPDIR");
  std::string keep = saved ? saved : "";
  setenv("TMPDIR", (Root + "/").c_str(), 1);
  EXPECT_EQ(vyx::TemporaryDirectoryPath(), Root);
  setenv("TMPDIR", at("missing").c_str(), 1);
  EXPECT_EQ(vyx::TemporaryDirectoryPath(), "/tmp");
  if (saved)
    setenv("TMPDIR", keep.c_str(), 1);
  else
    unsetenv("TMPDIR");
}

TEST_F(DirectoryTest, CurrentFolder) {
  std::string before = vyx::CurrentDirectory();
  ASSERT_TRUE(vyx::ChangeDirectory(Root.c_str()));
  EXPECT_EQ(vyx::CurrentDirectory(), fs::current_path().string());
  ASSERT_TRUE(vyx::ChangeDirectory(before.c_str()));
  EXPECT_FALSE(vyx::ChangeDirectory(at("none").c_str()));
}

} // namespace
