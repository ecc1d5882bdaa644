//===- commands_test.cpp - The vyx commands -------------------------------===//

#include "classes_command.h"
#include "demo_command.h"
#include "demo_objects.h"
#include "dump_command.h"

#include "base/io/io_test_support.h"
#include "command_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>

using namespace vyx::tool;
using namespace vyx::tool::test;
using vyx_test::ScratchDir;

namespace {

TEST(VyxCommands, HelpAndUsageErrors) {
  for (auto command : {RunDump, RunClasses, RunDemo}) {
    Outcome help = run(command, {"--help"});
    EXPECT_EQ(help.Code, ExitOk);
    EXPECT_EQ(help.Out.rfind("usage: vyx ", 0), 0u);
    EXPECT_TRUE(help.Err.empty());
    Outcome bad = run(command, {"--bogus"});
    EXPECT_EQ(bad.Code, ExitUsage);
    EXPECT_NE(bad.Err.find("usage: vyx "), std::string::npos);
  }
  EXPECT_EQ(run(RunDump, {}).Code, ExitUsage);
  EXPECT_EQ(run(RunDump, {"a", "b"}).Code, ExitUsage);
  EXPECT_EQ(run(RunDemo, {"a", "b"}).Code, ExitUsage);
}

TEST(VyxCommands, DumpOfAMissingFileIsAnError) {
  Outcome r = run(RunDump, {"/nonexistent/vyx/file.vyx"});
  EXPECT_EQ(r.Code, ExitError);
  EXPECT_EQ(r.Err, "vyx dump: error: cannot read /nonexistent/vyx/file.vyx\n");
}

TEST(VyxCommands, ClassesListsTheRegistry) {
  Outcome r = run(RunClasses, {});
  EXPECT_EQ(r.Code, ExitOk);
  EXPECT_NE(r.Out.find("GStreamable : GObject (abstract)\n"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("GStringCollection : GSortedCollection\n"), std::string::npos);
  EXPECT_NE(r.Out.find("VyxDemoScene : GStreamable\n"), std::string::npos);
  Outcome json = run(RunClasses, {"--json"});
  EXPECT_EQ(json.Code, ExitOk);
  EXPECT_NE(
      json.Out.find("{\"name\":\"GCollection\",\"bases\":[\"GStreamable\"],\"abstract\":false,"
                    "\"oldNameOf\":null}"),
      std::string::npos);
}

TEST(VyxCommands, DemoWritesReadsAndChecksThenDumpShowsIt) {
  ScratchDir dir;
  std::string folder = dir.file("out/demo");
  Outcome demo = run(RunDemo, {folder});
  ASSERT_EQ(demo.Code, ExitOk) << demo.Err;
  EXPECT_NE(demo.Out.find("cloned through a memory pstream: identical"), std::string::npos);
  EXPECT_NE(demo.Out.find("both scenes identical"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(folder + "/demo.vyx"));
  EXPECT_NE(dir.read("out/demo/demo.ini").find("[Demo]\nobjects=18\n"), std::string::npos);

  Outcome dump = run(RunDump, {folder + "/demo.vyx"});
  EXPECT_EQ(dump.Code, ExitOk) << dump.Err;
  EXPECT_NE(dump.Out.find("2 items, 18 objects"), std::string::npos) << dump.Out;
  Outcome json = run(RunDump, {"--json", folder + "/demo.vyx"});
  EXPECT_EQ(json.Code, ExitOk);
  EXPECT_EQ(json.Out.rfind("{\"file\":", 0), 0u);
  EXPECT_NE(json.Out.find("\"objects\":18,\"error\":null}"), std::string::npos);

  std::string bytes = dir.read("out/demo/demo.vyx");
  dir.write("cut.vyx", bytes.substr(0, bytes.size() - 3));
  Outcome cut = run(RunDump, {dir.file("cut.vyx")});
  EXPECT_EQ(cut.Code, ExitError);
  EXPECT_NE(cut.Err.find("error at offset " + std::to_string(bytes.size() - 3)), std::string::npos)
      << cut.Err;
}

TEST(VyxCommands, DemoFailsWithAMessageWhereItCannotWrite) {
  Outcome r = run(RunDemo, {"/proc/vyx_cannot_be_here"});
  EXPECT_EQ(r.Code, ExitError);
  EXPECT_EQ(r.Err.rfind("vyx demo: error: ", 0), 0u) << r.Err;
  EXPECT_EQ(r.Err.find('\n'), r.Err.size() - 1);
}

TEST(DemoScene, DifferencesAreFound) {
  std::unique_ptr<VyxDemoScene> a(MakeDemoScene()), b(MakeDemoScene());
  EXPECT_EQ(DifferenceOf(*a, *b), "");
  b->Shapes->at(1)->Link = b->Shapes->at(2);
  EXPECT_EQ(DifferenceOf(*a, *b), "link of shape 1");
  b->Focus = b->Shapes->at(0);
  b->Shapes->at(1)->Link = b->Shapes->at(0);
  EXPECT_EQ(DifferenceOf(*a, *b), "focus");
}

} // namespace
