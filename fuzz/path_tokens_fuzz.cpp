//===- path_tokens_fuzz.cpp - Rebuilding file names from stored tokens ----===//
//
// The input is a token stream as a file-name record carries it after its
// leading byte: token bytes, and after each run token (4) a run given here
// as one length byte and that many characters. Decoding must either throw
// GFileReadError_Exception or give a name that encodes back to tokens which
// decode to the same name.
//
//===----------------------------------------------------------------------===//

#include "io/gfile.h"
#include "object_model/exceptions.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

class ByteSource : public vyx::PathTokenSource {
public:
  ByteSource(const uint8_t *data, size_t size) : Data(data), Size(size) {}
  int readToken() override { return Next < Size ? Data[Next++] : -1; }
  GString readRun() override {
    if (Next >= Size)
      return GString();
    size_t length = Data[Next++];
    if (length > Size - Next)
      length = Size - Next;
    if (length == 0)
      return GString();
    GString run(reinterpret_cast<const char *>(Data + Next), static_cast<unsigned>(length));
    Next += length;
    return run;
  }

private:
  const uint8_t *Data;
  size_t Size;
  size_t Next = 0;
};

class ItemSource : public vyx::PathTokenSource {
public:
  explicit ItemSource(std::vector<vyx::PathTokenItem> items) : Items(std::move(items)) {}
  int readToken() override {
    if (Next >= Items.size())
      return -1;
    Run = Items[Next].Run;
    return Items[Next++].Token;
  }
  GString readRun() override { return Run; }

private:
  std::vector<vyx::PathTokenItem> Items;
  size_t Next = 0;
  GString Run;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  GFile name;
  try {
    ByteSource source(data, size);
    name = vyx::DecodePathTokens(source);
  } catch (const GFileReadError_Exception &) {
    return 0;
  }
  ItemSource again(vyx::EncodePathTokens(name.c_str()));
  GFile decoded = vyx::DecodePathTokens(again);
  // ".\" at the start of a component is dropped on purpose; compare the
  // encoding of both instead, which must be stable.
  ItemSource third(vyx::EncodePathTokens(decoded.c_str()));
  GFile stable = vyx::DecodePathTokens(third);
  if (!(stable == decoded))
    __builtin_trap();
  return 0;
}
