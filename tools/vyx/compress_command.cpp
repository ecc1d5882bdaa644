//===- compress_command.cpp - vyx compress and vyx decompress -------------===//
//
// Both commands stream IN through the chain of compressed pstreams (see
// compressed_data.h) into OUT, one megabyte at a time. OUT is emptied only
// once it is known not to be IN (also under another name), and removed
// again when the transfer fails, so that a failure never leaves a short
// file that looks like a result.
//
//===----------------------------------------------------------------------===//

#include "compress_command.h"

#include "compressed_data.h"
#include "io/file_io.h"
#include "io/file_system.h"
#include "platform/file_handle.h"
#include "progress_bar.h"

#include <cstdio>
#include <memory>
#include <ostream>
#include <vector>

namespace vyx::tool {

const CommandInfo CompressCommand = {
    "compress", "vyx compress [-1 ... -9] IN OUT",
    "Compresses the bytes of IN into OUT as one compressed stream, the format of\n"
    "compressed pstream files: -1 is fastest, -9 smallest, -4 (the speed of\n"
    "compressed pstreams) when none is given. OUT is created or replaced; it may\n"
    "not be IN. A progress bar shows on a terminal for inputs over 4 MiB.\n"};

const CommandInfo DecompressCommand = {
    "decompress", "vyx decompress IN OUT",
    "Decompresses the compressed stream in IN (as written by vyx compress or a\n"
    "compressed pstream) into OUT. Damaged or cut data, and bytes after the end\n"
    "of the stream, are an error (exit code 1); OUT is then removed. A progress\n"
    "bar shows on a terminal for inputs over 4 MiB.\n"};

namespace {

constexpr long TransferChunk = 1 << 20;
constexpr int DefaultSpeed = 4;

/// The two files of a transfer: IN open for reading, OUT open for writing
/// and emptied.
struct Files {
  std::unique_ptr<GFileIO> In, Out;
  uint64_t InSize = 0;
};

/// Opens the files; on failure the exit code, with its message written.
int openFiles(const CommandInfo &command, const std::string &in, const std::string &out,
              Files &files, std::ostream &err) {
  files.In = std::make_unique<GFileIO>();
  if (!files.In->open(in.c_str(), GIO::IO_READ, GFileIO::IO_OPEN_EXISTING, GFileIO::IO_SHARE_READ))
    return Failure(err, command, "cannot read " + in);
  long size = files.In->gseek(0, GIO::IO_END);
  if (size < 0 || files.In->gseek(0, GIO::IO_BEGIN) != 0)
    return Failure(err, command, "cannot read " + in);
  files.InSize = static_cast<uint64_t>(size);
  // Opened without emptying it: it may be IN under another name.
  files.Out = std::make_unique<GFileIO>();
  if (!files.Out->open(out.c_str(), GIO::IO_WRITE, GFileIO::IO_OPEN_ALWAYS, GFileIO::IO_SHARE_NONE))
    return Failure(err, command, "cannot write " + out);
  if (DescriptorsShareFile(DescriptorFromHandle(files.In->handle()),
                           DescriptorFromHandle(files.Out->handle())))
    return UsageError(err, command, "IN and OUT are the same file");
  if (!files.Out->change_size(0))
    return Failure(err, command, "cannot write " + out);
  return ExitOk;
}

/// Closes OUT; when the transfer failed (`problem` not empty) or the close
/// did, removes it and reports the failure.
int closeOut(const CommandInfo &command, GFileIO &out, const std::string &outName,
             std::string problem, std::ostream &err) {
  out.close();
  if (problem.empty() && out.getError() != GIO::IO_OK)
    problem = "cannot write " + outName + " (closing it failed)";
  if (problem.empty())
    return ExitOk;
  FileSystem::Remove(GFile(outName.c_str()));
  return Failure(err, command, problem);
}

std::string ratioOf(uint64_t part, uint64_t whole) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%",
                whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 100.0);
  return text;
}

/// Parses "[options] IN OUT"; `speed` is set by -1 ... -9 when given.
/// Returns ExitOk or the exit code of a usage error (message written).
int parse(const CommandInfo &command, const Arguments &args, bool speeds, int &speed,
          std::string &in, std::string &out, std::ostream &err) {
  std::vector<std::string> names;
  for (const std::string &arg : args) {
    if (speeds && arg.size() == 2 && arg[0] == '-' && arg[1] >= '1' && arg[1] <= '9')
      speed = arg[1] - '0';
    else if (arg.size() > 1 && arg[0] == '-')
      return UsageError(err, command, "unknown option " + arg);
    else
      names.push_back(arg);
  }
  if (names.size() != 2)
    return UsageError(err, command, names.size() < 2 ? "IN and OUT are needed" : "too many files");
  in = names[0];
  out = names[1];
  return ExitOk;
}

} // namespace

int RunCompress(const Arguments &args, std::ostream &out, std::ostream &err) {
  if (WantsHelp(args))
    return PrintHelp(out, CompressCommand);
  int speed = DefaultSpeed;
  std::string inName, outName;
  if (int code = parse(CompressCommand, args, true, speed, inName, outName, err))
    return code;
  Files files;
  if (int code = openFiles(CompressCommand, inName, outName, files, err))
    return code;

  // The encoder's chain owns OUT from here on; it stays reachable to be
  // closed.
  GFileIO *outFile = files.Out.release();
  FlateEncoder encoder(outFile, speed);
  ProgressBar bar(err, files.InSize, ProgressBar::WantedFor(files.InSize));
  std::vector<unsigned char> buffer(TransferChunk);
  std::string problem;
  uint64_t done = 0;
  for (;;) {
    long got = files.In->gread(buffer.data(), TransferChunk);
    if (got <= 0)
      break;
    if (!encoder.write(buffer.data(), got)) {
      problem = "cannot write " + outName;
      break;
    }
    done += static_cast<uint64_t>(got);
    bar.update(done);
  }
  if (problem.empty() && done < files.InSize)
    problem = "cannot read all of " + inName;
  if (problem.empty() && !encoder.finish())
    problem = "cannot write " + outName;
  bar.finish();
  long stored = outFile->gtell();
  if (int code = closeOut(CompressCommand, *outFile, outName, problem, err))
    return code;
  out << inName << ": " << done << " bytes compressed into " << stored << " ("
      << ratioOf(static_cast<uint64_t>(stored), done) << ")\n";
  return ExitOk;
}

int RunDecompress(const Arguments &args, std::ostream &out, std::ostream &err) {
  if (WantsHelp(args))
    return PrintHelp(out, DecompressCommand);
  int speed = 0;
  std::string inName, outName;
  if (int code = parse(DecompressCommand, args, false, speed, inName, outName, err))
    return code;
  Files files;
  if (int code = openFiles(DecompressCommand, inName, outName, files, err))
    return code;

  FlateDecoder decoder(files.In.release());
  ProgressBar bar(err, files.InSize, ProgressBar::WantedFor(files.InSize));
  std::vector<unsigned char> buffer(TransferChunk);
  std::string problem;
  uint64_t done = 0;
  for (;;) {
    long got = decoder.read(buffer.data(), TransferChunk);
    if (got > 0 && files.Out->gwrite(buffer.data(), got) != got) {
      problem = "cannot write " + outName;
      break;
    }
    done += static_cast<uint64_t>(got);
    bar.update(decoder.progress());
    if (got < TransferChunk)
      break;
  }
  bar.finish();
  if (problem.empty()) {
    bool damaged = decoder.damaged();
    uint64_t consumed = decoder.consumed();
    uint64_t trailing = !damaged && consumed < files.InSize ? files.InSize - consumed : 0;
    std::string damage = CompressedDamage(damaged, done, trailing);
    if (!damage.empty())
      problem = inName + ": " + damage;
  }
  if (int code = closeOut(DecompressCommand, *files.Out, outName, problem, err))
    return code;
  out << inName << ": " << files.InSize << " bytes decompressed into " << done << "\n";
  return ExitOk;
}

} // namespace vyx::tool
