//===- resource_container_test.cpp - Container layout, opening and recovery ===//

#include "resources/memory_crc.h"
#include "resources/resource_file_server.h"
#include "resources/resource_iterator.h"

#include "pstreams/compressed_pstream.h"
#include "resource_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

using namespace restest;

namespace {

const Bytes Signature = {0x4F, 0x62, 0x6A, 0xBF, 0x08, 0xB4, 'R', 'e',
                         's',  'o',  'u',  'r',  'c',  'e',  's', 0};

Bytes Trailer(uint32_t root) {
  Bytes covered = Concat({DWord(root), Signature});
  return Concat({DWord(~g_mem_CRC32(covered.data(), covered.size(), 0xFFFFFFFFu)), covered});
}

/// The root position the file's last trailer names.
uint32_t LastRoot(const Bytes &file) {
  const unsigned char *p = file.data() + file.size() - 20;
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::size_t CountSignatures(const Bytes &file) {
  std::size_t n = 0;
  for (auto it = file.begin();
       (it = std::search(it, file.end(), Signature.begin(), Signature.end())) != file.end(); ++it)
    ++n;
  return n;
}

/// The decoded bytes of the compressed section at `offset` of `path`, and
/// the offset where the section ends.
Bytes DecodeSection(const std::string &path, long offset, long length, long &end) {
  izpstream is(path.c_str());
  is.turn_to_norm();
  is.seekg(offset);
  is.turn_to_comp(true);
  Bytes out(std::size_t(length), 0);
  is.readBytes(out.data(), length);
  end = is.turn_to_norm();
  return out;
}

TEST(ResourceContainer, AnEmptyFileBecomesHeaderDirectoryAndTwoTrailers) {
  ContainerFile f;
  WriteFile(f.Path, {});
  {
    auto server = f.open();
    ASSERT_TRUE(server);
    EXPECT_EQ(server->error(), 0);
    EXPECT_EQ(server->base_position(), 0);
    EXPECT_FALSE(server->is_modified());
  }
  Bytes file = f.bytes();
  ASSERT_GT(file.size(), 56u);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 8),
            (Bytes{0x46, 0x42, 0x50, 0x52, 0xFF, 0xFF, 0xFF, 0xFF}));
  Bytes trailer = Trailer(8);
  EXPECT_EQ(Bytes(trailer.begin(), trailer.begin() + 4), DWord(0xA0A177E2u));
  EXPECT_EQ(Bytes(file.end() - 48, file.end()), Concat({trailer, trailer}));
  // The directory section is the empty root, Flate-coded, ending where the
  // trailers begin.
  GResourceDirectory root;
  GResourceDirectory *rootPointer = &root;
  Bytes plain = Written([&](opstream &os) { os << rootPointer; });
  long end = 0;
  EXPECT_EQ(DecodeSection(f.Path, 8, long(plain.size()), end), plain);
  EXPECT_EQ(end, long(file.size()) - 48);
}

TEST(ResourceContainer, ObjectsRoundTripAndEveryFlushAppendsADirectoryCopy) {
  ContainerFile f;
  std::size_t firstLength = 0;
  {
    auto server = f.open();
    Bytes fresh = f.bytes();
    firstLength = fresh.size();
    PutBlob(*server, "a\\b\\Rock,Blob", 7, "granite");
    PutBlob(*server, "Sand,Blob", 9);
    EXPECT_TRUE(server->is_modified());
    server->flush();
    EXPECT_FALSE(server->is_modified());
    Bytes file = f.bytes();
    EXPECT_EQ(Bytes(file.begin(), file.begin() + long(firstLength)), fresh); // appended only
    EXPECT_EQ(CountSignatures(file), 4u); // the first copy stays as dead space
    EXPECT_GT(LastRoot(file), firstLength);
    EXPECT_EQ(long(file.size()), server->data_end());
    ResourceFileBlock block = server->get_resource_block(Name("a\\b\\Rock,Blob"));
    EXPECT_EQ(block.position, long(firstLength));
    EXPECT_TRUE(block.compressed);
    Bytes plain = Written([](opstream &os) {
      Blob b(7, "granite");
      os << static_cast<GStreamable *>(&b);
    });
    EXPECT_EQ(block.data_size, long(plain.size()));
    long end = 0;
    EXPECT_EQ(DecodeSection(f.Path, block.position, block.data_size, end), plain);
    EXPECT_EQ(end, block.position + block.size);
  }
  auto server = f.open(GIO::IO_READ);
  EXPECT_EQ(BlobValue(*server, Name("a\\b\\Rock,Blob")), 7);
  EXPECT_EQ(BlobValue(*server, Name("Sand,Blob")), 9);
  EXPECT_EQ(BlobValue(*server, Name("a\\Rock,Blob")), -1);
  EXPECT_EQ(Blob::Live, 0);
}

TEST(ResourceContainer, NamesAreCaseSensitiveAndWalkedInDescendingByteOrder) {
  ContainerFile f;
  auto server = f.open();
  PutBlob(*server, "rock,Blob", 1);
  PutBlob(*server, "Rock,Blob", 2);
  PutBlob(*server, "ROCK,Blob", 3);
  PutBlob(*server, "\xE9,Blob", 4);
  EXPECT_EQ(BlobValue(*server, Name("Rock,Blob")), 2);
  EXPECT_EQ(BlobValue(*server, Name("ROCK,Blob")), 3);
  EXPECT_FALSE(server->exist(Name("rocK,Blob")));
  EXPECT_FALSE(server->exist(Name("Rock,blob")));
  std::vector<std::string> seen;
  for (GResourceIterator it(server.get(), GResourcePath(), "Blob"); it; ++it)
    seen.push_back(it.name().c_str());
  EXPECT_EQ(seen, (std::vector<std::string>{"\xE9", "rock", "Rock", "ROCK"}));
}

TEST(ResourceContainer, CutOrDamagedEndsRecover) {
  ContainerFile f;
  long secondRoot = 0;
  {
    auto server = f.open();
    PutBlob(*server, "One,Blob", 1);
    server->flush();
    PutBlob(*server, "Two,Blob", 2);
    server->flush();
    secondRoot = long(LastRoot(f.bytes()));
  }
  Bytes good = f.bytes();

  // Without its last trailer the earlier copy is found: every item is there.
  WriteFile(f.Path, Bytes(good.begin(), good.end() - 24));
  EXPECT_EQ(BlobValue(*f.open(GIO::IO_READ), Name("Two,Blob")), 2);

  // A damaged last directory section: the directory of the flush before.
  Bytes damaged = good;
  for (long i = secondRoot + 2; i < long(good.size()) - 50; ++i)
    damaged[std::size_t(i)] ^= 0x5A;
  WriteFile(f.Path, damaged);
  {
    auto server = f.open();
    EXPECT_EQ(BlobValue(*server, Name("One,Blob")), 1);
    EXPECT_FALSE(server->exist(Name("Two,Blob")));
    // Writing after a recovery: the new copy must win on the next opening,
    // also when it ends before the old damaged tail did.
    PutBlob(*server, "Three,Blob", 3);
  }
  {
    auto server = f.open();
    EXPECT_EQ(BlobValue(*server, Name("Three,Blob")), 3);
    EXPECT_EQ(BlobValue(*server, Name("One,Blob")), 1);
  }

  // A trailer with a good CRC that names a place behind itself is passed
  // over.
  Bytes bogus = Concat({good, Trailer(uint32_t(good.size() + 100))});
  WriteFile(f.Path, bogus);
  EXPECT_EQ(BlobValue(*f.open(GIO::IO_READ), Name("Two,Blob")), 2);

  // Nothing readable after the header: a new container in place.
  Bytes garbage(good.begin(), good.begin() + 8);
  garbage.resize(300, 0x33);
  WriteFile(f.Path, garbage);
  {
    auto server = f.open();
    ASSERT_TRUE(server);
    EXPECT_FALSE(server->exist(Name("One,Blob")));
    PutBlob(*server, "New,Blob", 5);
  }
  EXPECT_EQ(BlobValue(*f.open(GIO::IO_READ), Name("New,Blob")), 5);
  EXPECT_EQ(Blob::Live, 0);
}

TEST(ResourceContainer, ContainersFollowExecutableImagesAndForeignBlocks) {
  ContainerFile f;
  // An image of (2 - 1) * 512 + 16 bytes.
  Bytes image(528, 0xCC);
  image[0] = 'M';
  image[1] = 'Z';
  image[2] = 16;
  image[3] = 0;
  image[4] = 2;
  image[5] = 0;
  WriteFile(f.Path, image);
  {
    auto server = f.open();
    ASSERT_TRUE(server);
    EXPECT_EQ(server->base_position(), 528);
    PutBlob(*server, "Rock,Blob", 4);
    server->flush();
    ResourceFileBlock block = server->get_resource_block(Name("Rock,Blob"));
    Bytes file = f.bytes();
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 528), image);
    EXPECT_EQ(Bytes(file.begin() + 528, file.begin() + 532), (Bytes{'F', 'B', 'P', 'R'}));
    EXPECT_GT(block.position, 528 + 8);           // absolute
    EXPECT_LT(LastRoot(file), file.size() - 528); // relative
  }
  EXPECT_EQ(BlobValue(*f.open(GIO::IO_READ), Name("Rock,Blob")), 4);

  // A foreign block of the same family: "FB", another word, its length.
  Bytes foreign = Concat({{'F', 'B', 'X', 'Y'}, DWord(4), {1, 2, 3, 4}});
  WriteFile(f.Path, foreign);
  EXPECT_EQ(f.open()->base_position(), 12);

  // Files that are not containers are refused and left as they were: text,
  // an image followed by other bytes, headers that do not advance.
  for (Bytes refused : {Bytes{'h', 'e', 'l', 'l', 'o', '\n'}, Concat({image, Bytes(10, 0x20)}),
                        Bytes{'M', 'Z', 0, 0, 0, 0, 0, 0, 0, 0},
                        Concat({{'F', 'B', 'X', 'Y'}, DWord(uint32_t(-8)), Bytes(8, 0)})}) {
    WriteFile(f.Path, refused);
    EXPECT_FALSE(f.open());
    EXPECT_EQ(f.bytes(), refused);
  }
}

TEST(ResourceContainer, OldFormatFilesAreReadAndConvertedWhenWritable) {
  ContainerFile f;
  Bytes item = Written([](opstream &os) {
    Blob b(42, "old");
    os << static_cast<GStreamable *>(&b);
  });
  uint32_t root = uint32_t(8 + item.size());
  auto entry = [](const char *name, int32_t position, int32_t length) {
    return Concat({Str(name), DWord(uint32_t(position)), DWord(uint32_t(length))});
  };
  Bytes entries =
      Concat({entry("Packed", 8, -int32_t(item.size())), entry("Rock", 8, int32_t(item.size()))});
  Bytes collection = Concat(
      {{2, '{'}, Str("ResourceCollection"), Word(2), Word(4), Word(4), {1}, entries, {0, ']'}});
  Bytes directory = Concat({{2, '{'},
                            Str("ResourceTypeCollection"),
                            Word(1),
                            Word(4),
                            Word(4),
                            {1},
                            Str("Blob"),
                            collection,
                            {0, ']'}});
  Bytes old = Concat({{'F', 'B', 'P', 'R'}, DWord(root), item, directory});
  WriteFile(f.Path, old);
  {
    auto server = f.open(GIO::IO_READ);
    EXPECT_EQ(BlobValue(*server, Name("Rock,Blob")), 42);
    ompstream out;
    EXPECT_FALSE(server->extract_to(out, Name("Packed,Blob"), true)); // length unknown
    EXPECT_EQ(out.size(), 0);
    EXPECT_TRUE(server->extract_to(out, Name("Rock,Blob"), true));
    EXPECT_EQ(out.size(), long(item.size()));
  }
  EXPECT_EQ(f.bytes(), old);
  { auto server = f.open(); }
  Bytes converted = f.bytes();
  EXPECT_EQ(Bytes(converted.begin() + 4, converted.begin() + 8), DWord(0xFFFFFFFFu));
  EXPECT_EQ(LastRoot(converted), old.size());
  EXPECT_EQ(BlobValue(*f.open(GIO::IO_READ), Name("Rock,Blob")), 42);
}

TEST(ResourceContainer, PositionsBeyondThirtyTwoBitsAreRefused) {
  ContainerFile f;
  // A foreign block that places the container just below 2^31 (sparse).
  uint32_t length = uint32_t(ResourceFileServer::MaxContainerEnd - 400 - 8);
  WriteFile(f.Path, Concat({{'F', 'B', 'X', 'Y'}, DWord(length)}));
  std::error_code ec;
  std::filesystem::resize_file(f.Path, length + 8, ec);
  if (ec)
    GTEST_SKIP() << "no sparse file";
  auto server = f.open();
  ASSERT_TRUE(server);
  EXPECT_EQ(server->error(), 0);
  std::string noise;
  for (uint32_t x = 1; noise.size() < 600;)
    noise += char('a' + ((x = x * 1103515245u + 12345u) >> 16) % 26);
  Blob big(1, noise.c_str());
  server->put(&big, Name("Big,Blob"), false);
  EXPECT_NE(server->error() & pstream::badbit, 0);
  EXPECT_FALSE(server->exist(Name("Big,Blob")));
  PutBlob(*server, "Small,Blob", 3);
  EXPECT_EQ(server->error(), 0);
  server.reset();
  EXPECT_LE(std::filesystem::file_size(f.Path), uintmax_t(ResourceFileServer::MaxContainerEnd));
  EXPECT_EQ(BlobValue(*f.open(GIO::IO_READ), Name("Small,Blob")), 3);
}

} // namespace
