//===- resource_server_registry_test.cpp - The open resource containers ---===//

#include "resources/resource_server_registry.h"

#include "resource_test_support.h"

#include <gtest/gtest.h>

#include <thread>

using namespace restest;
using vyx::ResourceServerRegistry;

namespace {

TEST(ResourceServerRegistry, OneServerPerFileWhateverTheSpelling) {
  ContainerFile f;
  ResourceServerRegistry &registry = ResourceServerRegistry::Get();
  int before = registry.getCount();
  ResourceFileServer *server = registry.findOrOpen(f.Path.c_str(), GIO::IO_READWRITE);
  ASSERT_TRUE(server);
  std::string other = f.Dir.path() + "/./x/../test.res";
  EXPECT_EQ(registry.findOrOpen(other.c_str(), GIO::IO_READ), server);
  EXPECT_EQ(registry.find(other.c_str()), server);
  EXPECT_EQ(registry.find(nullptr), nullptr);
  EXPECT_EQ(registry.getCount(), before + 1);
  EXPECT_EQ(registry.at(before), server);

  PutBlob(*server, "Rock,Blob", 6);
  // Released: flushed and closed, so the file opens for writing again.
  EXPECT_TRUE(registry.releaseIfUnused(server));
  EXPECT_EQ(registry.find(f.Path.c_str()), nullptr);
  auto again = f.open();
  ASSERT_TRUE(again);
  EXPECT_NE(again->io_mode() & GIO::IO_WRITE, 0);
  EXPECT_EQ(BlobValue(*again, Name("Rock,Blob")), 6);
}

TEST(ResourceServerRegistry, KeptOpenServersInTheOrderOfUse) {
  ContainerFile a, b;
  ResourceServerRegistry &registry = ResourceServerRegistry::Get();
  int kept = registry.getKeptOpenCount();
  ResourceFileServer *first = registry.use(a.Path.c_str(), GIO::IO_READWRITE);
  ResourceFileServer *second = registry.use(b.Path.c_str(), GIO::IO_READWRITE);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(registry.getKeptOpenCount(), kept + 2);
  EXPECT_EQ(registry.keptOpenAt(0), second);
  EXPECT_EQ(registry.keptOpenAt(1), first);
  EXPECT_EQ(registry.use(a.Path.c_str(), GIO::IO_READ), first);
  EXPECT_EQ(registry.keptOpenAt(0), first);
  EXPECT_EQ(registry.keptOpenAt(-1), nullptr);
  EXPECT_EQ(registry.keptOpenAt(kept + 2), nullptr);
  EXPECT_FALSE(registry.releaseIfUnused(first)); // kept open for good
  EXPECT_EQ(registry.use("/no/such/folder/x.res", GIO::IO_READ), nullptr);
}

TEST(ResourceServerRegistry, ThreadsOpeningOneFileShareOneServer) {
  ContainerFile f;
  ResourceServerRegistry &registry = ResourceServerRegistry::Get();
  ResourceFileServer *seen[2] = {nullptr, nullptr};
  std::thread one([&] { seen[0] = registry.findOrOpen(f.Path.c_str(), GIO::IO_READWRITE); });
  std::thread two([&] { seen[1] = registry.findOrOpen(f.Path.c_str(), GIO::IO_READWRITE); });
  one.join();
  two.join();
  ASSERT_TRUE(seen[0]);
  EXPECT_EQ(seen[0], seen[1]);
  EXPECT_TRUE(registry.releaseIfUnused(seen[0]));
}

} // namespace
