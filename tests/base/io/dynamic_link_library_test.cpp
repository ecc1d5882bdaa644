//===- dynamic_link_library_test.cpp - Dynamically loaded modules ---------===//

#include "io/dynamic_link_library.h"

#include <dlfcn.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <type_traits>

namespace {

const char *modulePath() { return VYX_TEST_MODULE_PATH; }

bool stillLoaded(const char *path) {
  void *handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
  if (!handle)
    return false;
  dlclose(handle);
  return true;
}

TEST(GDynamicLinkLibrary, LoadsAModuleAndFindsItsSymbols) {
  GDynamicLinkLibrary library(modulePath());
  ASSERT_TRUE(library.loaded()) << dlerror();
  auto answer = reinterpret_cast<int (*)()>(library.find_symbol("vyx_test_module_answer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(library.find_symbol("no_such_symbol"), nullptr);
  EXPECT_EQ(std::string(library.get_name().c_str()),
            std::filesystem::canonical(modulePath()).string());
}

TEST(GDynamicLinkLibrary, HandleCarriesTheModuleTexts) {
  GDynamicLinkLibrary library(modulePath());
  HINSTANCE module = library;
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(module->Count, 3u);
  EXPECT_NE(module->Native, nullptr);
  char buffer[64];
  EXPECT_EQ(vyx::LoadNumberedText(module, 7, buffer, sizeof buffer), 12u);
  EXPECT_STREQ(buffer, "seventh text");
  EXPECT_STREQ(vyx::FindNumberedText(module, 2), "second text");
  EXPECT_STREQ(vyx::FindNumberedText(module, 30), "thirtieth text");
  EXPECT_EQ(vyx::FindNumberedText(module, 3), nullptr);
  EXPECT_STREQ(GString(module, 30).c_str(), "thirtieth text");
}

TEST(GDynamicLinkLibrary, NullNameUnloadsAndLoadsNothing) {
  GDynamicLinkLibrary library(modulePath());
  ASSERT_TRUE(library.loaded());
  EXPECT_FALSE(library.load(nullptr, 0));
  EXPECT_FALSE(library.loaded());
  EXPECT_EQ(static_cast<HINSTANCE>(library), nullptr);
  EXPECT_TRUE(library.get_name().isEmpty());
  EXPECT_FALSE(stillLoaded(modulePath()));
}

TEST(GDynamicLinkLibrary, ReloadingReleasesTheFirstModule) {
  GDynamicLinkLibrary library(modulePath());
  ASSERT_TRUE(stillLoaded(modulePath()));
  EXPECT_TRUE(library.load("libm.so.6", RTLD_LAZY));
  EXPECT_FALSE(stillLoaded(modulePath()));
  EXPECT_NE(library.find_symbol("cos"), nullptr);
  EXPECT_EQ(static_cast<HINSTANCE>(library)->Texts, nullptr);
}

TEST(GDynamicLinkLibrary, MissingModules) {
  GDynamicLinkLibrary library("no_such_module_anywhere.so");
  EXPECT_FALSE(library.loaded());
  EXPECT_TRUE(library.get_name().isEmpty());
  EXPECT_FALSE(library.load("Q:\\unmapped\\module.so", 0));
  GDynamicLinkLibrary empty;
  EXPECT_FALSE(empty.loaded());
}

TEST(GDynamicLinkLibrary, MovesButDoesNotCopy) {
  EXPECT_FALSE(std::is_copy_constructible_v<GDynamicLinkLibrary>);
  EXPECT_FALSE(std::is_copy_assignable_v<GDynamicLinkLibrary>);
  GDynamicLinkLibrary first(modulePath());
  GDynamicLinkLibrary second(std::move(first));
  EXPECT_FALSE(first.loaded());
  EXPECT_TRUE(second.loaded());
  GDynamicLinkLibrary third;
  third = std::move(second);
  EXPECT_TRUE(third.loaded());
  EXPECT_TRUE(stillLoaded(modulePath()));
  third.unload();
  EXPECT_FALSE(stillLoaded(modulePath()));
}

} // namespace
