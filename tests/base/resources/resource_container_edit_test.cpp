//===- resource_container_edit_test.cpp - Edits, raw copies, pack, notices ===//

#include "resources/resource_file_server.h"
#include "resources/resource_iterator.h"

#include "resource_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

using namespace restest;
using vyx::ResourceChange;

namespace {

/// Stores `n` raw bytes of value `fill` as a plain item.
void PutRaw(ResourceFileServer &server, const char *name, long n, unsigned char fill) {
  Bytes data(std::size_t(n), fill);
  impstream in(data.data(), n);
  server.copy_from(Name(name), in, -1, 0);
}

Bytes Extract(ResourceFileServer &server, const char *name, bool decompress) {
  ompstream out;
  if (!server.extract_to(out, Name(name), decompress))
    return {};
  auto *data = static_cast<unsigned char *>(out.data());
  return Bytes(data, data + out.size());
}

/// Fails while it is written.
class Faulty : public GStreamable {
  VYX_DECLARE_CLASS(Faulty);
  void write(opstream &) override { throw std::runtime_error("cannot write"); }
  void read(ipstream &) override {}
};

HINSTANCE FaultyModule = nullptr;
VYX_IMPLEMENT_CLASS(Faulty, "ResTestFaulty", &FaultyModule, GStreamable)

TEST(ResourceContainerEdits, RawCopiesInAndOut) {
  ContainerFile f;
  auto server = f.open();
  Bytes hello = {'h', 'e', 'l', 'l', 'o'};
  impstream in(hello.data(), 5);
  in.seekg(1);
  server->copy_from(Name("Tail,Raw"), in, -1, 0); // from the read position on
  ResourceFileBlock tail = server->get_resource_block(Name("Tail,Raw"));
  EXPECT_EQ(tail.size, 4);
  EXPECT_EQ(tail.data_size, 4);
  EXPECT_FALSE(tail.compressed);
  server->flush();
  Bytes file = f.bytes();
  EXPECT_EQ(Bytes(file.begin() + tail.position, file.begin() + tail.position + 4),
            (Bytes{'e', 'l', 'l', 'o'}));
  EXPECT_EQ(Extract(*server, "Tail,Raw", false), (Bytes{'e', 'l', 'l', 'o'}));

  // Compressed while copied; then its coded bytes copied as they are into
  // another container, which decodes them once told the data size.
  in.seekg(0);
  server->copy_from(Name("Coded,Raw"), in, 5, 2);
  ResourceFileBlock coded = server->get_resource_block(Name("Coded,Raw"));
  EXPECT_TRUE(coded.compressed);
  EXPECT_EQ(coded.data_size, 5);
  EXPECT_EQ(Extract(*server, "Coded,Raw", true), hello);
  Bytes raw = Extract(*server, "Coded,Raw", false);
  EXPECT_EQ(long(raw.size()), coded.size);

  ContainerFile other;
  auto target = other.open();
  impstream rawIn(raw.data(), long(raw.size()));
  target->copy_from(Name("a\\Copy,Raw"), rawIn, -1, 1);
  EXPECT_TRUE(Extract(*target, "a\\Copy,Raw", true).empty()); // data size is the coded size
  target->set_data_size(Name("a\\Copy,Raw"), coded.data_size);
  EXPECT_EQ(Extract(*target, "a\\Copy,Raw", true), hello);

  // Copying from the server's own stream: an item duplicated in place.
  iopstream &own = server->get_stream();
  own.seekg(tail.position);
  server->copy_from(Name("Again,Raw"), own, 4, 0);
  EXPECT_EQ(Extract(*server, "Again,Raw", false), (Bytes{'e', 'l', 'l', 'o'}));
  EXPECT_FALSE(server->extract_to(own, Name("Missing,Raw"), false));
}

TEST(ResourceContainerEdits, PutKeepsCachesAndAFailedPutLeavesNoEntry) {
  ContainerFile f;
  auto server = f.open();
  auto *blob = new Blob(3, "kept");
  server->put(blob, Name("Rock,Blob"), true);
  EXPECT_EQ(server->get(Name("Rock,Blob"), true), blob);
  GStreamable *read = server->get(Name("Rock,Blob"), false);
  EXPECT_NE(read, blob);
  GStreamable::Destroy(read);
  // Putting the cached object without keeping it hands it back to the caller.
  server->put(blob, Name("Rock,Blob"), false);
  EXPECT_EQ(Blob::Live, 1);
  delete blob;
  ResourceFileBlock before = server->get_resource_block(Name("Rock,Blob"));

  Faulty faulty;
  EXPECT_THROW(server->put(&faulty, Name("New,Blob"), false), std::runtime_error);
  EXPECT_FALSE(server->exist(Name("New,Blob")));
  EXPECT_THROW(server->put(&faulty, Name("Rock,Blob"), false), std::runtime_error);
  EXPECT_EQ(server->get_resource_block(Name("Rock,Blob")), before);
  // The stream is back in plain mode and the container still sound.
  PutBlob(*server, "After,Blob", 4);
  server.reset();
  auto reopened = f.open();
  EXPECT_EQ(BlobValue(*reopened, Name("After,Blob")), 4);
  EXPECT_EQ(BlobValue(*reopened, Name("Rock,Blob")), 3);
  char *cls = reopened->read_class_name(Name("Rock,Blob"));
  ASSERT_TRUE(cls);
  EXPECT_STREQ(cls, "ResTestBlob");
  delete[] cls;
  EXPECT_EQ(reopened->read_class_name(Name("None,Blob")), nullptr);
  EXPECT_EQ(Blob::Live, 0);
}

TEST(ResourceContainerEdits, RenamesRemovalsAndDirectories) {
  ContainerFile f;
  auto server = f.open();
  PutBlob(*server, "a\\b\\Rock,Blob", 1);
  PutBlob(*server, "x\\Sand,Blob", 2);
  ResourceFileBlock rock = server->get_resource_block(Name("a\\b\\Rock,Blob"));

  server->rename(Name("a\\b\\Rock,Blob"), Name("x\\Sand,Blob")); // replaces Sand
  EXPECT_FALSE(server->exist(Name("a\\b\\Rock,Blob")));
  EXPECT_EQ(server->get_resource_block(Name("x\\Sand,Blob")), rock); // bytes unmoved
  EXPECT_EQ(BlobValue(*server, Name("x\\Sand,Blob")), 1);

  PutBlob(*server, "a\\b\\c\\Deep,Blob", 3);
  server->rename_directory(Name("a\\").get_path(), Name("a\\b\\q\\").get_path()); // into itself
  server->rename_directory(GResourcePath(), Name("y\\").get_path());
  EXPECT_TRUE(server->directory_exists(Name("a\\b\\c\\").get_path()));
  server->rename_directory(Name("a\\b\\").get_path(), Name("x\\").get_path()); // replaces x
  EXPECT_FALSE(server->directory_exists(Name("a\\b\\").get_path()));
  EXPECT_FALSE(server->exist(Name("x\\Sand,Blob")));
  EXPECT_EQ(BlobValue(*server, Name("x\\c\\Deep,Blob")), 3);

  server->remove_directory(GResourcePath()); // never the root
  EXPECT_TRUE(server->directory_exists(Name("x\\").get_path()));
  server->remove(Name("x\\c\\Deep,Blob"));
  EXPECT_FALSE(server->exist(Name("x\\c\\Deep,Blob")));
  server->remove_type(Name("x\\c\\,Blob"));
  EXPECT_EQ(GResourceTypeIterator(server.get(), Name("x\\c\\").get_path()).count(), 0);
  server->remove_directory(Name("x\\").get_path());
  EXPECT_FALSE(server->directory_exists(Name("x\\").get_path()));

  // Too deep to be read back: not created.
  GResourcePath deep;
  for (int i = 0; i <= ResourceFileServer::MaxDirectoryDepth; ++i)
    deep += GString("d");
  server->create_directory(deep);
  EXPECT_FALSE(server->directory_exists(deep));
  deep.parent();
  server->create_directory(deep);
  EXPECT_TRUE(server->directory_exists(deep));
  server->rename_directory(Name("d\\").get_path(), Name("e\\f\\").get_path());
  EXPECT_TRUE(server->directory_exists(Name("d\\").get_path()));

  server->empty();
  EXPECT_EQ(GResourceSubDirectoryIterator(server.get(), GResourcePath()).count(), 0);
}

TEST(ResourceContainerEdits, ReadOnlyFilesRefuseEveryChange) {
  ContainerFile f;
  { PutBlob(*f.open(), "Rock,Blob", 1); }
  Bytes before = f.bytes();
  {
    auto server = f.open(GIO::IO_READ);
    ASSERT_TRUE(server);
    EXPECT_EQ(server->io_mode() & GIO::IO_WRITE, 0);
    server->remove(Name("Rock,Blob"));
    server->rename(Name("Rock,Blob"), Name("Sand,Blob"));
    server->empty();
    EXPECT_TRUE(server->exist(Name("Rock,Blob")));
    PutBlob(*server, "New,Blob", 2);
    EXPECT_NE(server->error(), 0);
    EXPECT_FALSE(server->exist(Name("New,Blob")));
  }
  EXPECT_EQ(f.bytes(), before);
}

TEST(ResourceContainerEdits, PackMovesBestFitsAndCutsTheFile) {
  ContainerFile f;
  auto server = f.open();
  long first = server->data_end();
  PutRaw(*server, "One,Raw", 1000, 1);
  PutRaw(*server, "Two,Raw", 30, 2);
  PutRaw(*server, "Three,Raw", 50, 3);
  PutRaw(*server, "One,Raw", 40, 4); // the first section becomes dead space
  server->create_directory(Name("empty\\").get_path());
  server->flush();
  long before = long(f.bytes().size());
  EXPECT_EQ(server->get_resource_block(Name("Two,Raw")).position, first + 1000);

  server->pack();
  // The gap [8, Two) takes Three (50, the largest that fits), then One
  // (40), then Two itself (30).
  EXPECT_EQ(server->get_resource_block(Name("Three,Raw")).position, 8);
  EXPECT_EQ(server->get_resource_block(Name("One,Raw")).position, 58);
  EXPECT_EQ(server->get_resource_block(Name("Two,Raw")).position, 98);
  EXPECT_EQ(Extract(*server, "One,Raw", false), Bytes(40, 4));
  EXPECT_EQ(Extract(*server, "Two,Raw", false), Bytes(30, 2));
  EXPECT_EQ(Extract(*server, "Three,Raw", false), Bytes(50, 3));
  Bytes file = f.bytes();
  EXPECT_LT(long(file.size()), before);
  EXPECT_EQ(server->data_end(), long(file.size())); // the directory right after the items
  server.reset();
  auto reopened = f.open();
  EXPECT_EQ(reopened->get_resource_block(Name("Two,Raw")).position, 98);
  EXPECT_TRUE(reopened->directory_exists(Name("empty\\").get_path()));
}

TEST(ResourceContainerEdits, PackingAContainerWithoutItemsLeavesHeaderDirectoryAndTrailers) {
  ContainerFile f;
  auto server = f.open();
  PutBlob(*server, "Rock,Blob", 1);
  PutBlob(*server, "Rock,Blob", 2);
  server->flush();
  server->remove(Name("Rock,Blob")); // its type stays, empty: pack drops it
  NoticeLog log;
  server->pack();
  EXPECT_EQ(log.changes(),
            (std::vector<ResourceChange>{ResourceChange::Flushed, ResourceChange::Flushed,
                                         ResourceChange::TypeRemoved}));
  Bytes file = f.bytes();
  Bytes trailers(file.end() - 48, file.end());
  EXPECT_EQ(Bytes(trailers.begin(), trailers.begin() + 24),
            Bytes(trailers.begin() + 24, trailers.end()));
  EXPECT_EQ(Bytes(trailers.begin() + 4, trailers.begin() + 8), DWord(8));
  EXPECT_EQ(server->data_end(), long(file.size()));
  // No other directory copy or trailer is left.
  EXPECT_EQ(std::search(file.begin(), file.end() - 48, trailers.begin() + 8, trailers.end()),
            file.end() - 48);
  server.reset();
  EXPECT_EQ(GResourceTypeIterator(f.open().get(), GResourcePath()).count(), 0);
}

TEST(ResourceContainerEdits, IteratorsWalkDescendingAndNoticesFollowChanges) {
  ContainerFile f;
  auto server = f.open();
  NoticeLog log;
  PutBlob(*server, "d\\e\\Rock,b", 1);
  EXPECT_EQ(log.changes(),
            (std::vector<ResourceChange>{ResourceChange::DirectoryCreated,
                                         ResourceChange::TypeCreated, ResourceChange::ItemPut}));
  EXPECT_STREQ(log.Notices[0].Path.get_readable_form(), "d\\e\\");
  EXPECT_EQ(log.Notices[2].Name, Name("d\\e\\Rock,b"));
  EXPECT_EQ(log.Notices[2].Server, server.get());
  PutBlob(*server, "d\\e\\Rock,a", 2);
  PutBlob(*server, "d\\e\\Rock,c", 3);
  PutBlob(*server, "d\\e\\Sand,c", 4);
  log.Notices.clear();
  server->flush();
  server->flush(); // nothing to do: no notice
  server->remove(Name("d\\e\\None,c"));
  EXPECT_EQ(log.changes(), std::vector<ResourceChange>{ResourceChange::Flushed});

  GResourcePath de = Name("d\\e\\").get_path();
  std::string types;
  for (GResourceTypeIterator it(server.get(), de); it; ++it)
    types += it.name().c_str();
  EXPECT_EQ(types, "cba");
  GResourceIterator items(server.get(), Name("d\\e\\x,c"));
  EXPECT_EQ(items.count(), 2);
  EXPECT_STREQ(items.name(), "Sand");
  EXPECT_EQ(items.get_loaded(), nullptr);
  GStreamable *kept = items.get(true);
  EXPECT_EQ(items.get_loaded(), kept);
  EXPECT_EQ(vyx::rtti_cast<Blob>(kept)->Value, 4);
  items++;
  EXPECT_STREQ(items.name(), "Rock");
  ++items;
  EXPECT_FALSE(items);
  EXPECT_EQ(items.get(false), nullptr);
  GResourceSubDirectoryIterator dirs(server.get(), Name("d\\").get_path());
  EXPECT_EQ(dirs.count(), 1);
  EXPECT_STREQ(dirs.name(), "e");
  for (GResourceTypeIterator none(server.get(), Name("no\\").get_path()); none; ++none)
    ADD_FAILURE();
  EXPECT_FALSE(GResourceIterator(nullptr, GResourceFullName()));

  log.Notices.clear();
  server->rename_directory(Name("d\\").get_path(), Name("n\\").get_path());
  server->remove_type(Name("n\\e\\,a"));
  server->empty();
  EXPECT_EQ(log.changes(), (std::vector<ResourceChange>{ResourceChange::DirectoryRenamed,
                                                        ResourceChange::TypeRemoved,
                                                        ResourceChange::DirectoryEmptied}));
  EXPECT_STREQ(log.Notices[0].NewPath.get_readable_form(), "n\\");
}

} // namespace

namespace {

ResourceFileServer *LinkServer = nullptr;

/// Fetches another item of the same container while it is being read, in
/// the middle of data that spans several buffers.
class Linked : public GStreamable {
  VYX_DECLARE_CLASS(Linked);
  void write(opstream &os) override {
    os << Other;
    os.writeBytes(Payload.data(), long(Payload.size()));
    os << Tail;
  }
  void read(ipstream &is) override {
    is >> Other;
    OtherValue = BlobValue(*LinkServer, Name(Other));
    Payload.resize(20000);
    is.readBytes(Payload.data(), long(Payload.size()));
    is >> Tail;
    vyx::ReadCheck(is);
  }

  GString Other;
  Bytes Payload;
  int32_t Tail = 0;
  int32_t OtherValue = 0;
};

HINSTANCE LinkedModule = nullptr;
VYX_IMPLEMENT_CLASS(Linked, "ResTestLinked", &LinkedModule, GStreamable)

TEST(ResourceContainerEdits, ReadsNestedInsideReadsKeepTheirPlaces) {
  ContainerFile f;
  auto server = f.open();
  LinkServer = server.get();
  Linked linked;
  linked.Other = "Other,Blob";
  for (uint32_t i = 0, x = 7; i < 20000; ++i)
    linked.Payload.push_back(uint8_t((x = x * 1103515245u + 12345u) >> 16));
  linked.Tail = 77;
  PutBlob(*server, "Other,Blob", 5);
  for (bool compressed : {true, false}) {
    if (!compressed) { // the same bytes as a plain item
      ompstream plain;
      plain << static_cast<GStreamable *>(&linked);
      impstream in(plain.data(), plain.size());
      server->copy_from(Name("Link,Linked"), in, -1, 0);
    } else {
      server->put(&linked, Name("Link,Linked"), false);
    }
    GStreamable *read = server->get(Name("Link,Linked"), false);
    auto *back = vyx::rtti_cast<Linked>(read);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->OtherValue, 5);
    EXPECT_EQ(back->Payload, linked.Payload);
    EXPECT_EQ(back->Tail, 77);
    GStreamable::Destroy(read);
  }
  // Extracting into the server's own stream writes where that stream stands.
  iopstream &own = server->get_stream();
  long end = own.seekp(0, GIO::IO_END);
  EXPECT_TRUE(server->extract_to(own, Name("Other,Blob"), false));
  EXPECT_EQ(own.tellp(), end + server->get_resource_block(Name("Other,Blob")).size);
  LinkServer = nullptr;
}

} // namespace
