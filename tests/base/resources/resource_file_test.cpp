//===- resource_file_test.cpp - Handles on resource containers ------------===//

#include "resources/resource_file.h"

#include "object_model/exceptions.h"
#include "resources/resource_file_server.h"
#include "resources/resource_iterator.h"

#include "resource_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace restest;

namespace {

/// Records every resource file callback while it lives.
struct Recorder {
  struct Call {
    GCallBackReason Reason;
    ResourceFileServer *Server = nullptr;
    GResourceFullName Name, NewName;
    GResourcePath Path, NewPath;
    GStreamable *Object = nullptr;
    ResourceFile *File = nullptr;
  };
  std::vector<Call> Calls;

  Recorder() { ResourceFile::RegisterCallback(GAnyReason, record, this); }
  ~Recorder() { ResourceFile::UnRegisterCallback(GAnyReason, record, this); }

  static void record(GCallBackReason reason, void *info, void *data) {
    Call call;
    call.Reason = reason;
    auto *base = static_cast<ResourceFile::Reason_BaseInfo *>(info);
    call.Server = base->server;
    if (reason == ResourceFile::Reason_ItemRenamed) {
      auto *r = static_cast<ResourceFile::Reason_RenameInfo *>(info);
      call.Name = r->old_name;
      call.NewName = r->new_name;
    } else if (reason == ResourceFile::Reason_DirectoryRenamed ||
               reason == ResourceFile::Reason_CurrentDirectoryChanged) {
      auto *r = static_cast<ResourceFile::Reason_PathChangeInfo *>(info);
      call.Path = r->old_path;
      call.NewPath = r->new_path;
      if (reason == ResourceFile::Reason_CurrentDirectoryChanged)
        call.File = static_cast<ResourceFile::Reason_CurrentDirectoryInfo *>(info)->file;
    } else if (reason == ResourceFile::Reason_DirectoryCreated ||
               reason == ResourceFile::Reason_DirectoryRemoved ||
               reason == ResourceFile::Reason_DirectoryEmptied) {
      call.Path = static_cast<ResourceFile::Reason_PathInfo *>(info)->path;
    } else if (reason != ResourceFile::Reason_Flushed) {
      auto *r = static_cast<ResourceFile::Reason_NameInfo *>(info);
      call.Name = r->name;
      call.Object = r->object;
    }
    static_cast<Recorder *>(data)->Calls.push_back(call);
  }
};

int32_t ValueOf(ResourceFile &file, const GResourceFullName &name) {
  std::unique_ptr<GStreamable> object(file.get(name, false));
  auto *blob = vyx::rtti_cast<Blob>(object.get());
  return blob ? blob->Value : -1;
}

void Put(ResourceFile &file, const char *name, int32_t value) {
  Blob blob(value, "text of the blob");
  file.put(&blob, Name(name), false);
}

TEST(ResourceFile, HandlesOnOneFileShareOneServerUntilTheLastDetaches) {
  ContainerFile f, g;
  auto a = std::make_unique<ResourceFile>(f.Path.c_str(), GIO::IO_READWRITE);
  std::string spelling = f.Dir.path() + "/./x/../test.res";
  ResourceFile b(spelling.c_str(), GIO::IO_READ);
  ASSERT_TRUE(a->is_opened());
  ResourceFileServer *server = a->get_file();
  EXPECT_EQ(b.get_file(), server);
  EXPECT_EQ(b.io_mode(), GIO::IO_READWRITE);
  Put(*a, "d\\Rock,Blob", 7);
  EXPECT_EQ(ValueOf(b, Name("d\\Rock,Blob")), 7);

  b.set_current_directory(Path("q"));
  ResourceFile c(b);
  EXPECT_EQ(c.get_file(), server);
  EXPECT_EQ(c.get_current_directory(), Path("q"));
  ResourceFile d(g.Path.c_str(), GIO::IO_READWRITE);
  ResourceFileServer *other = d.get_file();
  d = c; // leaves g's server, which goes with its last handle
  EXPECT_EQ(d.get_file(), server);
  EXPECT_TRUE(d.get_current_directory().is_empty());
  EXPECT_EQ(ResourceFile::FindServer(g.Path.c_str()), nullptr);
  EXPECT_NE(other, nullptr);
  EXPECT_EQ(server->clients().getCount(), 4);
  b.open(f.Path.c_str(), GIO::IO_READ); // already attached there
  EXPECT_EQ(server->clients().getCount(), 4);

  a.reset();
  b.close();
  c.close();
  EXPECT_EQ(ResourceFile::FindServer(f.Path.c_str()), server);
  d.close();
  EXPECT_EQ(ResourceFile::FindServer(f.Path.c_str()), nullptr);
  EXPECT_FALSE(d.is_opened());
  // Flushed and closed: opened afresh, writable, with the item.
  ResourceFile again(f.Path.c_str(), GIO::IO_READWRITE);
  EXPECT_EQ(again.io_mode(), GIO::IO_READWRITE);
  EXPECT_EQ(ValueOf(again, Name("d\\Rock,Blob")), 7);
}

TEST(ResourceFile, DetachedHandlesDoNothingAndForeignFilesStayUntouched) {
  ContainerFile f;
  const Bytes text = {'h', 'e', 'l', 'l', 'o'};
  WriteFile(f.Path, text);
  EXPECT_FALSE(ResourceFile::IsValidToRead(f.Path.c_str()));
  EXPECT_FALSE(ResourceFile::IsValidToRead((f.Dir.path() + "/none").c_str()));
  ResourceFile file(f.Path.c_str(), GIO::IO_READWRITE);
  EXPECT_FALSE(file.is_opened());
  EXPECT_EQ(file.error(), 4);
  EXPECT_EQ(file.io_mode(), 0);
  EXPECT_TRUE(file.get_filename().isEmpty());
  Put(file, "Rock,Blob", 1);
  EXPECT_FALSE(file.exist(Name("Rock,Blob")));
  EXPECT_EQ(file.get(Name("Rock,Blob"), false), nullptr);
  EXPECT_EQ(file.read_class_name(GString("Rock"), GString("Blob")), nullptr);
  ResourceFileBlock block = file.get_resource_block(GString("Rock"));
  EXPECT_EQ(block.data_size, -1);
  EXPECT_TRUE(block.compressed);
  file.create_directory(Path("a"));
  file.flush();
  EXPECT_EQ(f.bytes(), text);

  WriteFile(f.Path, {});
  EXPECT_TRUE(ResourceFile::IsValidToRead(f.Path.c_str()));
}

TEST(ResourceFile, ItemNamesResolveInTheCurrentDirectoryAndType) {
  ContainerFile f;
  ResourceFile file(f.Path.c_str(), GIO::IO_READWRITE);
  file.set_current_directory(Path("a\\b"));
  file.set_type("Image");
  auto *rock = new Blob(5, "rock");
  file.put(rock, GString("Rock"), true); // the item owns it now
  EXPECT_TRUE(file.exist(Name("a\\b\\Rock,Image")));
  EXPECT_EQ(file.get_current_name(), GString("Rock"));
  EXPECT_EQ(file.get(GString("Rock"), GString("Image"), true), rock);
  std::unique_ptr<char[]> cls(file.read_class_name(GString("Rock")));
  EXPECT_STREQ(cls.get(), "ResTestBlob");

  file.rename(GString("Rock"), GString("Stone"));
  EXPECT_TRUE(file.exist(GString("Stone"), GString("Image")));
  EXPECT_FALSE(file.exist(GString("Rock")));
  file.create_subdirectory(Path("c\\d"));
  EXPECT_TRUE(file.directory_exists(Path("a\\b\\c\\d")));
  file.remove_subdirectory(Path("c"));
  EXPECT_FALSE(file.directory_exists(Path("a\\b\\c")));
  file.remove_type(GString("Image"));
  EXPECT_FALSE(file.exist(Name("a\\b\\Stone,Image")));

  Recorder log;
  file.set_current_directory(Path("a\\b"));
  file.set_current_directory(Path("x")); // need not exist
  ASSERT_EQ(log.Calls.size(), 1u);
  EXPECT_EQ(log.Calls[0].Reason, ResourceFile::Reason_CurrentDirectoryChanged);
  EXPECT_EQ(log.Calls[0].Server, file.get_file());
  EXPECT_EQ(log.Calls[0].Path, Path("a\\b"));
  EXPECT_EQ(log.Calls[0].NewPath, Path("x"));
  EXPECT_EQ(log.Calls[0].File, &file);
}

TEST(ResourceFile, CurrentDirectoriesFollowRenamesOfTheirOwnFileOnly) {
  ContainerFile f, g;
  ResourceFile inside(f.Path.c_str(), GIO::IO_READWRITE), elsewhere(f.Path.c_str(), GIO::IO_READ);
  ResourceFile otherFile(g.Path.c_str(), GIO::IO_READWRITE);
  inside.set_current_directory(Path("a\\b"));
  elsewhere.set_current_directory(Path("ab"));
  otherFile.set_current_directory(Path("a\\b"));
  inside.create_directory(Path("a\\b"));
  Recorder log;
  elsewhere.rename_directory(Path("a"), Path("x\\y"));
  EXPECT_EQ(inside.get_current_directory(), Path("x\\y\\b"));
  EXPECT_EQ(elsewhere.get_current_directory(), Path("ab"));
  EXPECT_EQ(otherFile.get_current_directory(), Path("a\\b"));
  ASSERT_EQ(log.Calls.size(), 3u); // x created, a renamed, inside's directory
  EXPECT_EQ(log.Calls[2].Reason, ResourceFile::Reason_CurrentDirectoryChanged);
  EXPECT_EQ(log.Calls[2].File, &inside);
}

TEST(ResourceFile, EveryChangeIsAnnouncedOnceWithItsRecord) {
  ContainerFile f;
  ResourceFile file(f.Path.c_str(), GIO::IO_READWRITE);
  ResourceFileServer *server = file.get_file();
  Recorder log;
  file.create_directory(Path("d\\f"));
  Blob blob(1, "one");
  file.put(&blob, Name("d\\Rock,Blob"), false);
  file.rename(Name("d\\Rock,Blob"), Name("d\\Stone,Blob"));
  file.copy(Name("d\\Stone,Blob"), Name("d\\Pebble,Blob"));
  file.remove(Name("d\\Pebble,Blob"));
  file.remove_type(Name("d\\x,Blob"));
  file.rename_directory(Path("d"), Path("e"));
  file.remove_directory(Path("e\\f"));
  file.flush();
  file.empty();
  file.set_current_directory(Path("z"));

  const GCallBackReason expected[] = {
      ResourceFile::Reason_DirectoryCreated, ResourceFile::Reason_TypeCreated,
      ResourceFile::Reason_ItemPut,          ResourceFile::Reason_ItemRenamed,
      ResourceFile::Reason_ItemCopied,       ResourceFile::Reason_ItemRemoved,
      ResourceFile::Reason_TypeRemoved,      ResourceFile::Reason_DirectoryRenamed,
      ResourceFile::Reason_DirectoryRemoved, ResourceFile::Reason_Flushed,
      ResourceFile::Reason_DirectoryEmptied, ResourceFile::Reason_CurrentDirectoryChanged};
  ASSERT_EQ(log.Calls.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(log.Calls[i].Reason, expected[i]) << i;
    EXPECT_EQ(log.Calls[i].Server, server) << i;
  }
  EXPECT_EQ(log.Calls[0].Path, Path("d\\f"));
  EXPECT_EQ(log.Calls[1].Name.get_type(), GString("Blob"));
  EXPECT_EQ(log.Calls[2].Name, Name("d\\Rock,Blob"));
  EXPECT_EQ(log.Calls[2].Object, &blob);
  EXPECT_EQ(log.Calls[3].Name, Name("d\\Rock,Blob"));
  EXPECT_EQ(log.Calls[3].NewName, Name("d\\Stone,Blob"));
  EXPECT_EQ(log.Calls[4].Name, Name("d\\Pebble,Blob"));
  EXPECT_EQ(log.Calls[5].Name, Name("d\\Pebble,Blob"));
  EXPECT_EQ(log.Calls[6].Name.get_path(), Path("d"));
  EXPECT_EQ(log.Calls[7].Path, Path("d"));
  EXPECT_EQ(log.Calls[7].NewPath, Path("e"));
  EXPECT_EQ(log.Calls[8].Path, Path("e\\f"));
  EXPECT_TRUE(log.Calls[10].Path.is_empty());
  EXPECT_EQ(log.Calls[11].File, &file);
}

TEST(ResourceFile, GlobalLookupsTryTheLastUsedContainerFirst) {
  ContainerFile a, b;
  {
    ResourceFile fa(a.Path.c_str(), GIO::IO_READWRITE), fb(b.Path.c_str(), GIO::IO_READWRITE);
    Put(fa, "Rock,Blob", 1);
    Put(fb, "Rock,Blob", 2);
  }
  int kept = ResourceFile::GetCount();
  ResourceFileServer *sa = ResourceFile::Use(a.Path.c_str(), GIO::IO_READWRITE);
  ResourceFileServer *sb = ResourceFile::Use(b.Path.c_str(), GIO::IO_READWRITE);
  ASSERT_TRUE(sa && sb);
  EXPECT_EQ(ResourceFile::GetCount(), kept + 2);
  EXPECT_EQ(ResourceFile::At(0), sb);
  EXPECT_EQ(ResourceFile::At(1), sa);
  EXPECT_EQ(ResourceFile::At(-1), nullptr);
  EXPECT_EQ(ResourceFile::At(kept + 2), nullptr);
  auto value = [] {
    std::unique_ptr<GStreamable> object(ResourceFile::Get("Rock", "Blob", false));
    auto *blob = vyx::rtti_cast<Blob>(object.get());
    return blob ? blob->Value : -1;
  };
  EXPECT_EQ(value(), 2);
  EXPECT_EQ(ResourceFile::Use(a.Path.c_str(), GIO::IO_READ), sa);
  EXPECT_EQ(value(), 1);
  EXPECT_EQ(ResourceFile::Get("Missing", "Blob", false), nullptr);

  Blob put(3, "put");
  ResourceFile::Put(&put, "Put", "Blob", false);
  EXPECT_EQ(BlobValue(*sa, Name("Put,Blob")), 3);
  EXPECT_FALSE(sb->exist(Name("Put,Blob")));
  EXPECT_TRUE(sa->is_modified());
  ResourceFile::Update(a.Path.c_str());
  EXPECT_FALSE(sa->is_modified());
  { ResourceFile last(a.Path.c_str(), GIO::IO_READ); } // kept open: not released
  EXPECT_EQ(ResourceFile::FindServer(a.Path.c_str()), sa);
}

TEST(ResourceFile, ThreadsAttachingAndDetachingShareTheServerSafely) {
  ContainerFile f;
  auto work = [&](int32_t value) {
    for (int i = 0; i < 100; ++i) {
      ResourceFile file(f.Path.c_str(), GIO::IO_READWRITE);
      ResourceFile copy(file); // attaches while the other thread may release
      ASSERT_TRUE(copy.is_opened());
    }
    ResourceFile file(f.Path.c_str(), GIO::IO_READWRITE);
    Put(file, value == 1 ? "One,Blob" : "Two,Blob", value);
  };
  std::thread one(work, 1), two(work, 2);
  one.join();
  two.join();
  EXPECT_EQ(ResourceFile::FindServer(f.Path.c_str()), nullptr);
  ResourceFile file(f.Path.c_str(), GIO::IO_READ);
  EXPECT_EQ(ValueOf(file, Name("One,Blob")) + ValueOf(file, Name("Two,Blob")), 3);
}

Bytes WriteForm(ResourceFile &file) {
  return Written([&](opstream &os) { file.write(os); });
}

void ReadForm(ResourceFile &file, Bytes bytes) {
  impstream is(bytes.data(), long(bytes.size()));
  file.read(is);
}

TEST(ResourceFile, StreamFormOfEachVersion) {
  ContainerFile f;
  ResourceFile detached;
  EXPECT_EQ(WriteForm(detached), (Bytes{2, 0}));

  auto file = std::make_unique<ResourceFile>(f.Path.c_str(), GIO::IO_READWRITE);
  file->set_current_directory(Path("a\\b"));
  file->set_type("Image");
  file->exist(GString("Rock"));
  const GFile name = file->get_filename();
  const Bytes fileName = Written([&](opstream &os) { os << name; });
  const GResourceFullName current(Path("a\\b"), "Rock", "Image");
  EXPECT_EQ(WriteForm(*file),
            Concat({{2, 1}, DWord(3), fileName, Written([&](opstream &os) { os << current; })}));

  ResourceFile copy;
  ReadForm(copy, WriteForm(*file));
  EXPECT_EQ(copy.get_file(), file->get_file());
  EXPECT_EQ(copy.get_current_directory(), Path("a\\b"));
  EXPECT_EQ(copy.get_current_type(), GString("Image"));
  EXPECT_EQ(copy.get_current_name(), GString("Rock"));
  file.reset();
  copy.close();

  // Version 1: the stored mode; version 0: read and write.
  ResourceFile v1, v0;
  ReadForm(v1, Concat({{1, 1}, DWord(GIO::IO_READ), fileName}));
  EXPECT_EQ(v1.io_mode(), GIO::IO_READ);
  EXPECT_TRUE(v1.get_current_directory().is_empty());
  v1.close();
  ReadForm(v0, Concat({{0, 1}, fileName}));
  EXPECT_EQ(v0.io_mode(), GIO::IO_READWRITE);
  // A stored detached handle leaves this one as it is.
  ReadForm(v0, {1, 0});
  EXPECT_TRUE(v0.is_opened());

  const Bytes damaged[] = {
      {3, 0}, {2, 2}, Concat({{2, 1}, DWord(0)}), Concat({{2, 1}, DWord(7)}), {2, 1, 3, 0}, {}};
  for (const Bytes &bytes : damaged) {
    ResourceFile target;
    EXPECT_THROW(ReadForm(target, bytes), NonZeroPStreamState_Exception);
    EXPECT_FALSE(target.is_opened());
  }
}

TEST(ResourceFile, CopiesMoveStoredBytesBetweenContainers) {
  ContainerFile src, dst;
  // The source container follows an executable image of 32 bytes.
  Bytes image(32, 0);
  image[0] = 'M', image[1] = 'Z', image[2] = 32, image[4] = 1;
  WriteFile(src.Path, image);
  ResourceFile s(src.Path.c_str(), GIO::IO_READWRITE), d(dst.Path.c_str(), GIO::IO_READWRITE);
  ASSERT_TRUE(s.is_opened());
  Put(s, "a\\Rock,Blob", 1);
  Put(s, "a\\b\\Stone,Blob", 2);
  s.create_directory(Path("a\\c"));
  impstream plain(image.data(), long(image.size()));
  s.copy_from(Name("a\\Raw,Bytes"), plain, -1, 0);
  ASSERT_EQ(s.get_file()->base_position(), 32);

  d.copy_directory_from(Path("x"), s, Path("a"));
  EXPECT_EQ(ValueOf(d, Name("x\\Rock,Blob")), 1);
  EXPECT_EQ(ValueOf(d, Name("x\\b\\Stone,Blob")), 2);
  EXPECT_TRUE(d.directory_exists(Path("x\\c")));
  for (const char *name : {"Rock,Blob", "Raw,Bytes"}) {
    ResourceFileBlock from = s.get_resource_block(Name((std::string("a\\") + name).c_str()));
    ResourceFileBlock to = d.get_resource_block(Name((std::string("x\\") + name).c_str()));
    EXPECT_EQ(to.size, from.size) << name;
    EXPECT_EQ(to.data_size, from.data_size) << name;
    EXPECT_EQ(to.compressed, from.compressed) << name;
  }
  ompstream raw;
  ASSERT_TRUE(d.extract_to(raw, Name("x\\Raw,Bytes"), true));
  EXPECT_EQ(Bytes(static_cast<unsigned char *>(raw.data()),
                  static_cast<unsigned char *>(raw.data()) + raw.size()),
            image);

  // Within one container; never into the directory copied itself.
  s.copy_directory(Path("a"), Path("a\\b"));
  EXPECT_FALSE(s.directory_exists(Path("a\\b\\b")));
  s.copy_directory(Path("a\\b"), Path("a"));
  EXPECT_EQ(ValueOf(s, Name("a\\Stone,Blob")), 2);
  d.copy_from(s);
  EXPECT_EQ(ValueOf(d, Name("a\\b\\Stone,Blob")), 2);
  GResourceSubDirectoryIterator below(d); // the handle's current directory: the root
  EXPECT_EQ(below.count(), 2);
  EXPECT_EQ(below.name(), GString("x"));
  d.copy_from(Name("One,Blob"), s, Name("Missing,Blob"));
  EXPECT_FALSE(d.exist(Name("One,Blob")));
}

} // namespace
