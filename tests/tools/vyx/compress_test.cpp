//===- compress_test.cpp - vyx compress, decompress, and dump of compressed files -===//

#include "compress_command.h"
#include "compressed_data.h"
#include "demo_objects.h"
#include "dump_command.h"
#include "progress_bar.h"

#include "base/io/io_test_support.h"
#include "command_runner.h"
#include "pstreams/compressed_pstream.h"
#include "pstreams/file_pstream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <sstream>

using namespace vyx::tool;
using namespace vyx::tool::test;
using vyx_test::ScratchDir;

namespace {

/// Text, runs of equal bytes and random bytes: matches of every length, a
/// window that slides, stretches that do not compress.
std::string mixedBytes(std::size_t size) {
  std::mt19937 random(7);
  std::string text;
  while (text.size() < size) {
    switch (random() % 3) {
    case 0:
      text += "The valley floor lies " + std::to_string(random() % 1000) + " metres down. ";
      break;
    case 1:
      text.append(random() % 300, static_cast<char>('a' + random() % 3));
      break;
    default:
      for (int i = 0; i < 200; ++i)
        text += static_cast<char>(random());
    }
  }
  text.resize(size);
  return text;
}

class VyxCompress : public ::testing::Test {
protected:
  static void SetUpTestSuite() { LoadLibraryMessages(); }
  ScratchDir Dir;
};

TEST_F(VyxCompress, RoundTripsAtEverySpeedAndEmpty) {
  std::string original = mixedBytes(300000);
  Dir.write("in.bin", original);
  std::size_t sizeAt1 = 0, sizeAt9 = 0;
  for (const char *speed : {"-1", "-4", "-9"}) {
    Outcome packed = run(RunCompress, {speed, Dir.file("in.bin"), Dir.file("in.z")});
    ASSERT_EQ(packed.Code, ExitOk) << packed.Err;
    EXPECT_TRUE(packed.Err.empty());
    EXPECT_NE(packed.Out.find("300000 bytes compressed into"), std::string::npos) << packed.Out;
    std::size_t size = Dir.read("in.z").size();
    EXPECT_LT(size, original.size());
    (speed[1] == '1' ? sizeAt1 : sizeAt9) = size;
    Outcome unpacked = run(RunDecompress, {Dir.file("in.z"), Dir.file("out.bin")});
    ASSERT_EQ(unpacked.Code, ExitOk) << unpacked.Err;
    EXPECT_EQ(Dir.read("out.bin"), original) << "speed " << speed;
  }
  EXPECT_LE(sizeAt9, sizeAt1);

  Dir.write("empty", "");
  EXPECT_EQ(run(RunCompress, {Dir.file("empty"), Dir.file("empty.z")}).Code, ExitOk);
  EXPECT_EQ(Dir.read("empty.z"), "");
  EXPECT_EQ(run(RunDecompress, {Dir.file("empty.z"), Dir.file("empty.out")}).Code, ExitOk);
  EXPECT_EQ(Dir.read("empty.out"), "");
}

TEST_F(VyxCompress, WritesWhatCompressedPStreamsWrite) {
  // The same scene through a plain file pstream and then vyx compress, and
  // through a compressed pstream of the same speed: the same bytes.
  std::unique_ptr<VyxDemoScene> scene(MakeDemoScene());
  VyxDemoScene *p = scene.get();
  {
    ofpstream plain(Dir.file("scene.vyx").c_str());
    plain << p;
    plain.close();
    ASSERT_TRUE(plain.good());
    ozpstream packed(Dir.file("scene.vyz").c_str(), fpbase::trunc, 6);
    packed << p;
    packed.close();
    ASSERT_TRUE(packed.good());
  }
  ASSERT_EQ(run(RunCompress, {"-6", Dir.file("scene.vyx"), Dir.file("mine.vyz")}).Code, ExitOk);
  EXPECT_EQ(Dir.read("mine.vyz"), Dir.read("scene.vyz"));
  ASSERT_EQ(run(RunDecompress, {Dir.file("scene.vyz"), Dir.file("back.vyx")}).Code, ExitOk);
  EXPECT_EQ(Dir.read("back.vyx"), Dir.read("scene.vyx"));
}

TEST_F(VyxCompress, DamagedInputIsAnErrorAndLeavesNoOutput) {
  std::string original = mixedBytes(200000);
  Dir.write("in.bin", original);
  ASSERT_EQ(run(RunCompress, {Dir.file("in.bin"), Dir.file("in.z")}).Code, ExitOk);
  std::string packed = Dir.read("in.z");

  auto expectFailure = [&](const std::string &stored, const std::string &message) {
    Dir.write("bad.z", stored);
    Dir.write("out.bin", "old");
    Outcome r = run(RunDecompress, {Dir.file("bad.z"), Dir.file("out.bin")});
    EXPECT_EQ(r.Code, ExitError);
    EXPECT_EQ(r.Err.rfind("vyx decompress: error: " + Dir.file("bad.z") + ": ", 0), 0u) << r.Err;
    EXPECT_NE(r.Err.find(message), std::string::npos) << r.Err;
    EXPECT_EQ(r.Err.find('\n'), r.Err.size() - 1);
    EXPECT_FALSE(std::filesystem::exists(Dir.file("out.bin")));
  };
  // Cut short: the decoded part is not passed off as the whole.
  expectFailure(packed.substr(0, packed.size() - 1), "damaged or cut short");
  expectFailure(packed.substr(0, packed.size() / 2), "damaged or cut short");
  // A block tag that is none (the format has no check value: damage that
  // still decodes cannot be seen).
  std::string flipped = packed;
  flipped[0] = static_cast<char>(flipped[0] & ~7);
  expectFailure(flipped, "after 0 decoded bytes");
  expectFailure(packed + "x", "1 bytes follow the end of the compressed data");
  expectFailure(original.substr(0, 5000), "damaged or cut short after 0 decoded bytes");
}

TEST_F(VyxCompress, UsageErrors) {
  Dir.write("in.bin", "abc");
  for (auto command : {RunCompress, RunDecompress}) {
    Outcome help = run(command, {"--help"});
    EXPECT_EQ(help.Code, ExitOk);
    EXPECT_EQ(help.Out.rfind("usage: vyx ", 0), 0u);
    for (Arguments args : {Arguments{}, Arguments{Dir.file("in.bin")}, Arguments{"a", "b", "c"},
                           Arguments{"--bogus", "a", "b"}}) {
      Outcome r = run(command, args);
      EXPECT_EQ(r.Code, ExitUsage);
      EXPECT_NE(r.Err.find("usage: vyx "), std::string::npos) << r.Err;
    }
    // IN and OUT the same file, under another name too: IN is untouched.
    Outcome same = run(command, {Dir.file("in.bin"), Dir.path() + "/./in.bin"});
    EXPECT_EQ(same.Code, ExitUsage);
    EXPECT_NE(same.Err.find("IN and OUT are the same file"), std::string::npos);
    EXPECT_EQ(Dir.read("in.bin"), "abc");
    Outcome missing = run(command, {Dir.file("missing"), Dir.file("out")});
    EXPECT_EQ(missing.Code, ExitError);
    EXPECT_EQ(missing.Err, "vyx " +
                               std::string(command == RunCompress ? "compress" : "decompress") +
                               ": error: cannot read " + Dir.file("missing") + "\n");
  }
  for (const char *speed : {"-0", "-10", "-a"})
    EXPECT_EQ(run(RunCompress, {speed, Dir.file("in.bin"), Dir.file("o")}).Code, ExitUsage);
  EXPECT_EQ(run(RunDecompress, {"-5", Dir.file("in.bin"), Dir.file("o")}).Code, ExitUsage);
}

TEST_F(VyxCompress, DumpReadsCompressedPStreamFiles) {
  std::unique_ptr<VyxDemoScene> scene(MakeDemoScene());
  VyxDemoScene *p = scene.get();
  {
    ofpstream plain(Dir.file("scene.vyx").c_str());
    plain << p;
    ozpstream packed(Dir.file("scene.vyz").c_str());
    packed << p << p;
  }
  Outcome plain = run(RunDump, {Dir.file("scene.vyx")});
  Outcome packed = run(RunDump, {Dir.file("scene.vyz")});
  ASSERT_EQ(packed.Code, ExitOk) << packed.Err;
  std::size_t stored = Dir.read("scene.vyz").size();
  std::string plainSize = std::to_string(Dir.read("scene.vyx").size());
  EXPECT_EQ(
      packed.Out.rfind(Dir.file("scene.vyz") + ": " + std::to_string(std::stoul(plainSize) + 3) +
                           " bytes (compressed pstream of " + std::to_string(stored) + " bytes)\n",
                       0),
      0u)
      << packed.Out;
  // The same lines as the plain file, and the back-reference written last.
  std::string body = plain.Out.substr(plain.Out.find('\n') + 1);
  body = body.substr(0, body.rfind("1 items"));
  EXPECT_NE(packed.Out.find(body), std::string::npos);
  EXPECT_NE(packed.Out.find("ref #1 -> VyxDemoScene\n2 items, 9 objects\n"), std::string::npos)
      << packed.Out;
  Outcome json = run(RunDump, {"--json", Dir.file("scene.vyz")});
  EXPECT_NE(json.Out.find(",\"compressedSize\":" + std::to_string(stored) + ","),
            std::string::npos);

  // Forced either way; a plain file read as compressed is damaged data.
  EXPECT_EQ(run(RunDump, {"--compressed", Dir.file("scene.vyz")}).Out, packed.Out);
  Outcome asPlain = run(RunDump, {"--plain", Dir.file("scene.vyz")});
  EXPECT_EQ(asPlain.Code, ExitError);
  Outcome wrong = run(RunDump, {"--compressed", Dir.file("scene.vyx")});
  EXPECT_EQ(wrong.Code, ExitError);
  EXPECT_NE(wrong.Err.find("the compressed data is damaged"), std::string::npos) << wrong.Err;
  EXPECT_EQ(run(RunDump, {"--plain", "--compressed", Dir.file("scene.vyx")}).Code, ExitUsage);
}

TEST_F(VyxCompress, DumpOfDamagedCompressedFilesShowsTheDecodedPart) {
  // Large enough for several blocks: a cut keeps the first ones.
  std::mt19937 random(3);
  {
    // Scenes of their own (a scene written twice would share its shapes),
    // alive until the stream is closed.
    std::vector<std::unique_ptr<VyxDemoScene>> scenes;
    ozpstream packed(Dir.file("many.vyz").c_str(), fpbase::trunc, 1);
    for (int i = 0; i < 400; ++i) {
      scenes.emplace_back(MakeDemoScene());
      // Titles that hardly compress: blocks of 32000 tokens hold few scenes.
      std::string title(2000, ' ');
      for (char &c : title)
        c = static_cast<char>('a' + random() % 26);
      scenes.back()->Title = title.c_str();
      packed.writeStreamable(*scenes.back());
    }
    packed.close();
  }
  std::string stored = Dir.read("many.vyz");
  std::vector<unsigned char> cut(stored.begin(), stored.begin() + long(stored.size() * 3 / 4));
  TraceReport report = TraceFile(cut, "cut", DumpFormat::Auto);
  EXPECT_TRUE(report.Compressed);
  EXPECT_TRUE(report.Failed);
  EXPECT_GT(report.Items.size(), 10u);
  EXPECT_EQ(report.ErrorOffset, report.Size);
  EXPECT_EQ(report.Message, "the compressed data is damaged or cut short after " +
                                std::to_string(report.Size) + " decoded bytes");
}

TEST(ProgressBar, DrawsAsThePercentageChangesAndClearsItsLine) {
  std::ostringstream shown;
  {
    ProgressBar bar(shown, 200, true);
    bar.update(0);
    bar.update(1); // still 0%
    bar.update(100);
    bar.update(250); // capped
  }
  std::string text = shown.str();
  EXPECT_EQ(text.find("\r[                    ]   0%"), 0u) << text;
  EXPECT_NE(text.find("\r[##########          ]  50%"), std::string::npos);
  EXPECT_NE(text.find("] 100%"), std::string::npos);
  EXPECT_EQ(text.find("   0%", 25), std::string::npos);
  EXPECT_EQ(text.back(), '\r');

  std::ostringstream hidden;
  ProgressBar quiet(hidden, 200, false);
  quiet.update(100);
  quiet.finish();
  EXPECT_TRUE(hidden.str().empty());
  EXPECT_FALSE(ProgressBar::WantedFor(ProgressBar::Threshold));
}

} // namespace
