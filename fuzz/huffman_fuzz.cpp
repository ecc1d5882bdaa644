//===- huffman_fuzz.cpp - Token decoding of arbitrary bytes --------------===//
//
// Input layout: byte 0 picks the window size of the buffered device below
// (1..64 bytes, so that blocks straddle window refills); the rest is the
// coded stream. Every token read must be in range and reading must end in
// IO_EOF or IO_BAD_DATA, having consumed no more than the data. The tokens
// read are then coded again and must decode to the same tokens.
//
//===----------------------------------------------------------------------===//

#include "io/huffman_io.h"
#include "io/memory_io.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

struct Token {
  unsigned short Distance;
  unsigned char Value;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1)
    return 0;
  long window = (data[0] % 64) + 1;
  std::vector<uint8_t> stream(data + 1, data + size);

  std::vector<Token> tokens;
  {
    auto *memory = new GMemoryIO(stream.data(), long(stream.size()), GIO::IO_READ);
    GHuffmanBufferedIO huffman(new GBufferedIO(memory, window));
    GIO::IOErrors error;
    for (;;) {
      Token t{};
      error = huffman.readCode(t.Distance, t.Value);
      if (error != GIO::IO_OK)
        break;
      FUZZ_CHECK(t.Distance <= GHuffmanBufferedIO::MaxDistance);
      tokens.push_back(t);
    }
    FUZZ_CHECK(error == GIO::IO_EOF || error == GIO::IO_BAD_DATA);
    FUZZ_CHECK(memory->gtell() <= long(stream.size()));
  }

  auto *memory = new GMemoryIO;
  std::vector<uint8_t> coded;
  {
    GHuffmanBufferedIO huffman(new GBufferedIO(memory, window));
    for (const Token &t : tokens)
      FUZZ_CHECK(huffman.writeCode(t.Distance, t.Value));
    huffman.flush();
    FUZZ_CHECK(huffman.getError() == GIO::IO_OK);
    auto *p = static_cast<uint8_t *>(memory->buffer());
    if (p)
      coded.assign(p, p + memory->size());
  }
  auto *again = new GMemoryIO(coded.data(), long(coded.size()), GIO::IO_READ);
  GHuffmanBufferedIO huffman(new GBufferedIO(again, window));
  for (const Token &t : tokens) {
    Token u{};
    FUZZ_CHECK(huffman.readCode(u.Distance, u.Value) == GIO::IO_OK);
    FUZZ_CHECK(u.Distance == t.Distance && u.Value == t.Value);
  }
  Token u{};
  FUZZ_CHECK(huffman.readCode(u.Distance, u.Value) == GIO::IO_EOF);
  return 0;
}
