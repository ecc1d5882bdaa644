//===- resource_directory_test.cpp - The directory tree and its stream form ===//

#include "resources/resource_directory.h"

#include "resource_test_support.h"

#include <gtest/gtest.h>

using namespace restest;

namespace {

Bytes Record(const std::string &cls, const Bytes &body) {
  return Concat({{2, '{'}, Str(cls), body, {']'}});
}

/// Collection framing: count, limit, delta (short compat dwords), owns.
Bytes Framing(unsigned count, unsigned limit) {
  return Concat({Word(count), Word(limit), Word(4), {1}});
}

Bytes Entry(const std::string &name, int32_t position, int32_t size, int32_t dataSize,
            bool compressed) {
  return Concat({Str(name),
                 DWord(uint32_t(-position)),
                 {0},
                 DWord(uint32_t(size)),
                 DWord(uint32_t(dataSize)),
                 {uint8_t(compressed)}});
}

Bytes Collection(const Bytes &entries, unsigned count) {
  return Record("ResourceCollection", Concat({Framing(count, count ? 4 : 0), entries, {0}}));
}

Bytes Directory(const Bytes &types, unsigned count, const std::string &name, const Bytes &list) {
  return Record("GResourceDirectory",
                Concat({{0}, Framing(count, count ? 4 : 0), types, {0}, Str(name), list}));
}

Bytes List(const Bytes &directories, unsigned count) {
  return Record("GResourceDirectoryList", Concat({{0}, Framing(count, 4), directories, {0}}));
}

GResourceDirectory *ReadDirectory(const Bytes &bytes) {
  impstream is(const_cast<unsigned char *>(bytes.data()), long(bytes.size()));
  GResourceDirectory *directory = nullptr;
  is >> directory;
  return directory;
}

ResourceItem *AddItem(GResourceDirectory &dir, const char *type, const char *name,
                      ResourceFileBlock block) {
  bool existed = false;
  ResourceCollection *items = dir.create_type(type, existed)->get_items();
  auto *item = new ResourceItem(name);
  item->set_block(block);
  items->insert(item);
  return item;
}

TEST(ResourceDirectory, TreeOperationsKeepNamesSortedAndParentsRight) {
  GResourceDirectory root;
  bool existed = true;
  GResourceDirectory *b = root.create_subdirectory("b", existed);
  EXPECT_FALSE(existed);
  EXPECT_EQ(root.create_subdirectory("b", existed), b);
  EXPECT_TRUE(existed);
  root.create_subdirectory("B", existed);
  root.create_subdirectory("a", existed);
  GResourceDirectory *deep = b->create_subdirectory("c", existed);
  GResourceDirectoryList *list = root.get_subdirectories(false);
  ASSERT_EQ(list->getCount(), 3);
  EXPECT_STREQ(list->at(0)->get_name(), "B");
  EXPECT_STREQ(list->at(1)->get_name(), "a");
  EXPECT_STREQ(list->at(2)->get_name(), "b");
  EXPECT_EQ(deep->get_parent(), b);
  GResourcePath path;
  deep->build_path(path);
  EXPECT_STREQ(path.get_readable_form(), "b\\c\\");
  root.build_path(path);
  EXPECT_TRUE(path.is_empty());

  GResourceDirectory *taken = root.take_subdirectory("b");
  EXPECT_EQ(taken, b);
  EXPECT_EQ(taken->get_parent(), nullptr);
  EXPECT_EQ(root.get_subdirectory("b"), nullptr);
  taken->set_name("z");
  root.get_subdirectory("a")->insert_subdirectory(taken);
  deep->build_path(path);
  EXPECT_STREQ(path.get_readable_form(), "a\\z\\c\\");
  EXPECT_TRUE(root.remove_subdirectory("a"));
  EXPECT_FALSE(root.remove_subdirectory("a"));
  EXPECT_EQ(root.get_subdirectory("B")->get_subdirectories(false), nullptr);

  root.create_type("rock", existed);
  root.create_type("Rock", existed);
  EXPECT_STREQ(root.at(0)->get_name(), "Rock");
  EXPECT_NE(root.get_type("rock"), root.get_type("Rock"));
  EXPECT_EQ(root.get_type("ROCK"), nullptr);
  EXPECT_TRUE(root.remove_type("rock"));
  EXPECT_EQ(root.getCount(), 1);
}

TEST(ResourceDirectory, StreamFormIsExactAndReadsBackWithParents) {
  GResourceDirectory root;
  AddItem(root, "Image", "Rock", {8, 20, 30, true});
  bool existed = false;
  root.create_subdirectory("a", existed);
  Bytes expected = Directory(Concat({Str("Image"), Collection(Entry("Rock", 8, 20, 30, true), 1)}),
                             1, "", List(Directory({}, 0, "a", {0}), 1));
  GResourceDirectory *rootPointer = &root;
  Bytes written = Written([&](opstream &os) { os << rootPointer; });
  EXPECT_EQ(written, expected);

  std::unique_ptr<GResourceDirectory> back(ReadDirectory(written));
  ASSERT_TRUE(back);
  ResourceItem *item = back->get_type("Image")->get_items()->find("Rock");
  ASSERT_TRUE(item);
  EXPECT_EQ(item->block(), (ResourceFileBlock{8, 20, 30, true}));
  GResourceDirectory *a = back->get_subdirectory("a");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->get_parent(), back.get());
}

TEST(ResourceDirectory, OldFormatsAreRead) {
  // An old root: only the types, under the old class name, with old entries.
  Bytes oldEntries = Concat({Str("Flat"), DWord(8), DWord(12),       // plain, 12 bytes
                             Str("Packed"), DWord(20), DWord(-30)}); // compressed, 30 bytes
  Bytes old = Record("ResourceTypeCollection",
                     Concat({Framing(1, 4), Str("Image"), Collection(oldEntries, 2), {0}}));
  std::unique_ptr<GResourceDirectory> root(ReadDirectory(old));
  ASSERT_TRUE(root);
  EXPECT_EQ(root->get_subdirectories(false), nullptr);
  ResourceCollection *items = root->get_type("Image")->get_items();
  EXPECT_EQ(items->find("Flat")->block(), (ResourceFileBlock{8, 12, 12, false}));
  EXPECT_EQ(items->find("Packed")->block(), (ResourceFileBlock{20, 30, -1, true}));
}

TEST(ResourceDirectory, HostileTreesAreRefusedWithoutDoubleOwnership) {
  Bytes coll = Collection(Entry("Rock", 8, 1, 1, true), 1);
  // The second type names the first type's collection again (object 2).
  Bytes shared = Directory(Concat({Str("A"), coll, Str("B"), {1}, Word(2)}), 2, "", {0});
  EXPECT_THROW(ReadDirectory(shared), NonZeroPStreamState_Exception);
  // A subdirectory list that names the root (object 1): a cycle.
  Bytes cycle = Directory({}, 0, "", List(Concat({{1}, Word(1)}), 1));
  EXPECT_THROW(ReadDirectory(cycle), NonZeroPStreamState_Exception);
  // A null subdirectory.
  Bytes nullChild = Directory({}, 0, "", List({0}, 1));
  EXPECT_THROW(ReadDirectory(nullChild), NonZeroPStreamState_Exception);
  // Sections that end beyond 32-bit positions, or have negative sizes.
  EXPECT_THROW(
      ReadDirectory(Directory(Concat({Str("A"), Collection(Entry("R", INT32_MAX, 2, 2, true), 1)}),
                              1, "", {0})),
      NonZeroPStreamState_Exception);
  EXPECT_THROW(ReadDirectory(Directory(
                   Concat({Str("A"), Collection(Entry("R", 8, -2, 2, true), 1)}), 1, "", {0})),
               NonZeroPStreamState_Exception);
  EXPECT_EQ(Blob::Live, 0);
}

TEST(ResourceDirectory, EntriesOutOfOrderAreSortedAndLaterDuplicatesDropped) {
  Bytes entries =
      Concat({Entry("b", 8, 1, 1, true), Entry("a", 16, 1, 1, true), Entry("b", 24, 1, 1, true)});
  Bytes dirs = Concat({Directory({}, 0, "y", {0}), Directory({}, 0, "x", {0})});
  std::unique_ptr<GResourceDirectory> root(
      ReadDirectory(Directory(Concat({Str("T"), Collection(entries, 3)}), 1, "", List(dirs, 2))));
  ASSERT_TRUE(root);
  ResourceCollection *items = root->get_type("T")->get_items();
  ASSERT_EQ(items->getCount(), 2);
  EXPECT_STREQ(items->at(0)->get_key(), "a");
  EXPECT_EQ(items->at(1)->position, 8); // the first "b" stays
  EXPECT_STREQ(root->get_subdirectories(false)->at(0)->get_name(), "x");
  EXPECT_NE(root->get_subdirectory("y"), nullptr);
}

TEST(ResourceDirectory, CopiesOfEntriesNeverShareOwnedObjects) {
  ResourceItem item("Rock");
  item.set_object(new Blob(1, "x"));
  ResourceItem copy(item);
  EXPECT_EQ(copy.get_object(), nullptr);
  EXPECT_STREQ(copy.get_key(), "Rock");
  item.set_object(item.get_object()); // the same object: kept
  EXPECT_EQ(Blob::Live, 1);
  GStreamable *released = item.release_object();
  EXPECT_EQ(Blob::Live, 1);
  delete released;

  ResourceTypeItem type("Image");
  type.get_items()->insert(new ResourceItem("Rock"));
  ResourceTypeItem typeCopy(type);
  EXPECT_NE(typeCopy.get_items(), type.get_items());
  EXPECT_EQ(typeCopy.get_items()->getCount(), 1);
  typeCopy = type;
  EXPECT_EQ(typeCopy.get_items()->getCount(), 1);
  EXPECT_EQ(Blob::Live, 0);
}

} // namespace
