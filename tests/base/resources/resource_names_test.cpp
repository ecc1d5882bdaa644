//===- resource_names_test.cpp - Paths, full names and the trailer CRC ----===//

#include "resources/memory_crc.h"
#include "resources/resource_full_name.h"
#include "resources/resource_path.h"

#include "resource_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace restest;

namespace {

std::string Text(const GResourcePath &path) { return path.get_readable_form().c_str(); }

TEST(ResourcePath, TextFormsSplitAtBothSeparatorsAndSkipEmptyPieces) {
  GResourcePath path = Path("/a//b\\");
  ASSERT_EQ(path.getCount(), 2);
  EXPECT_STREQ(path[0], "a");
  EXPECT_STREQ(path[1], "b");
  EXPECT_EQ(Text(path), "a\\b\\");
  EXPECT_EQ(Text(Path("")), "");
  EXPECT_EQ(Text(Path("./..")), ".\\..\\"); // no special names
  // A path built from one string is one component, never split.
  GResourcePath single(GString("a\\b"));
  EXPECT_EQ(single.getCount(), 1);
  EXPECT_NE(single, Path("a\\b"));
}

TEST(ResourcePath, SubpathsPrefixesAndRenames) {
  GResourcePath abc = Path("a\\b\\c");
  EXPECT_EQ(Text(abc.subpath(1, 5)), "b\\c\\");
  EXPECT_TRUE(abc.subpath(3).is_empty());
  EXPECT_EQ(Text(abc.subpath(-2, 1)), "a\\");
  EXPECT_TRUE(abc.subpath(1, 0).is_empty());
  EXPECT_EQ(abc.find_difference(Path("a\\b\\x")), 2);
  EXPECT_EQ(abc.find_difference(Path("A")), 0);

  EXPECT_FALSE(abc.is_subdirectory(abc, false));
  EXPECT_TRUE(abc.is_subdirectory(abc, true));
  EXPECT_TRUE(abc.is_subdirectory(Path("a"), false));
  EXPECT_FALSE(Path("a").is_subdirectory(abc, true));
  EXPECT_TRUE(abc.is_subdirectory(GResourcePath(), false));

  EXPECT_TRUE(abc.rename_path_from_root(Path("a"), Path("x\\y")));
  EXPECT_EQ(Text(abc), "x\\y\\b\\c\\");
  GResourcePath bc = Path("b\\c");
  EXPECT_FALSE(bc.rename_path_from_root(Path("a"), Path("x")));
  EXPECT_EQ(Text(bc), "b\\c\\");
  EXPECT_TRUE(bc.rename_path_from_root(bc, GResourcePath())); // equal counts as inside
  EXPECT_TRUE(bc.is_empty());
}

TEST(ResourcePath, CopiesShareStorageButNeverSeeEachOthersChanges) {
  GResourcePath abc = Path("a\\b\\c");
  GResourcePath parent = abc;
  parent.parent();
  GResourcePath tail = abc.subpath(1);
  parent += GString("z"); // shared array: copies first
  tail += GString("w");   // window starting at 1: moved down first
  EXPECT_EQ(Text(abc), "a\\b\\c\\");
  EXPECT_EQ(Text(parent), "a\\b\\z\\");
  EXPECT_EQ(Text(tail), "b\\c\\w\\");
  GResourcePath self = Path("p\\q");
  self += self;
  EXPECT_EQ(Text(self), "p\\q\\p\\q\\");
  self += self[0];
  EXPECT_EQ(Text(self), "p\\q\\p\\q\\p\\");
  GResourcePath root;
  root += abc; // the root simply shares
  EXPECT_EQ(root, abc);
  root.parent();
  root.parent();
  root.parent();
  root.parent(); // no effect on the root
  EXPECT_TRUE(root.is_empty());
}

TEST(ResourceFullName, TextFormTakesItemAndTypeFromTheLastComponent) {
  GResourceFullName name;
  name.parse_readable_form("a\\b\\Rock,Image,old");
  EXPECT_EQ(Text(name.get_path()), "a\\b\\");
  EXPECT_STREQ(name.get_name(), "Rock");
  EXPECT_STREQ(name.get_type(), "Image,old");
  EXPECT_STREQ(name.get_readable_form(), "a\\b\\Rock,Image,old");

  GResourceFullName kept(GResourcePath(), "Item", "Type");
  kept.parse_readable_form("Rock");
  EXPECT_EQ(Text(kept.get_path()), "Rock\\");
  EXPECT_STREQ(kept.get_name(), "Item");
  EXPECT_STREQ(kept.get_type(), "Type");
  kept.parse_readable_form("Rock,Image");
  EXPECT_TRUE(kept.get_path().is_empty());
  EXPECT_STREQ(kept.get_readable_form(), "Rock,Image");

  EXPECT_NE(Name("Rock,Image"), Name("rock,Image")); // case-sensitive
  EXPECT_TRUE(GResourceFullName().is_empty());
  kept.empty();
  EXPECT_TRUE(kept.is_empty());
}

TEST(ResourceNames, StreamFormsAreExactAndReadBack) {
  GResourceFullName name(Path("a\\bc"), "Rock", "Image");
  Bytes pathBytes = Concat({{0}, Word(2), Str("a"), Str("bc")});
  EXPECT_EQ(Written([&](opstream &os) { os << name.get_path(); }), pathBytes);
  Bytes nameBytes = Concat({{0}, pathBytes, Str("Rock"), Str("Image")});
  Bytes written = Written([&](opstream &os) { os << name; });
  EXPECT_EQ(written, nameBytes);

  impstream is(written.data(), long(written.size()));
  GResourceFullName back;
  is >> back;
  EXPECT_EQ(back, name);

  // A cut record throws and leaves the target as it was.
  Bytes cut(written.begin(), written.end() - 2);
  impstream cutStream(cut.data(), long(cut.size()));
  EXPECT_THROW(cutStream >> back, NonZeroPStreamState_Exception);
  EXPECT_EQ(back, name);
}

TEST(ResourceNames, APathLongerThanItsCountFieldIsRefused) {
  GResourcePath path;
  for (int i = 0; i <= GResourcePath::MaxStoredCount; ++i)
    path += GString("x");
  ompstream os;
  os << path;
  EXPECT_TRUE(os.bad());
  EXPECT_EQ(os.size(), 0);
}

TEST(ResourceNames, NamesSortByUnsignedBytes) {
  using vyx::CompareResourceNames;
  EXPECT_LT(CompareResourceNames("Rock", "rock"), 0); // upper case first
  EXPECT_LT(CompareResourceNames("Ro", "Rock"), 0);   // a prefix first
  EXPECT_LT(CompareResourceNames("z", "\xE9"), 0);    // bytes above 0x7F last
  EXPECT_EQ(CompareResourceNames("Rock", "Rock"), 0);
  EXPECT_LT(CompareResourceNames(GString("a\0a", 3), GString("a\0b", 3)), 0); // every byte counts
}

TEST(MemoryCrc, StandardCrc32InPiecesAndTheTrailerExample) {
  const char *check = "123456789";
  EXPECT_EQ(~g_mem_CRC32(check, 9, 0xFFFFFFFFu), 0xCBF43926u);
  uint32_t crc = g_mem_CRC32(check, 4, 0xFFFFFFFFu);
  EXPECT_EQ(~g_mem_CRC32(check + 4, 5, crc), 0xCBF43926u);
  EXPECT_EQ(g_mem_CRC32(check, 0, 0x12345678u), 0x12345678u);
  // The 20 covered bytes of a trailer naming root position 8.
  Bytes covered = Concat({DWord(8),
                          {0x4F, 0x62, 0x6A, 0xBF, 0x08, 0xB4},
                          Bytes{'R', 'e', 's', 'o', 'u', 'r', 'c', 'e', 's', 0}});
  EXPECT_EQ(~g_mem_CRC32(covered.data(), covered.size(), 0xFFFFFFFFu), 0xA0A177E2u);
  // Long input (the eight-byte steps) against the byte-wise definition.
  Bytes data(1000);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<unsigned char>(i * 7 + 3);
  uint32_t bytewise = 0xFFFFFFFFu;
  for (unsigned char b : data) {
    bytewise ^= b;
    for (int k = 0; k < 8; ++k)
      bytewise = (bytewise & 1) ? 0xEDB88320u ^ (bytewise >> 1) : bytewise >> 1;
  }
  EXPECT_EQ(g_mem_CRC32(data.data(), data.size(), 0xFFFFFFFFu), bytewise);
}

} // namespace
