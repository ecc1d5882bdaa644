//===- compressed_data.cpp - The library's compressed streams for vyx -----===//
//
// A compressed stream, as the chain reads it: blocks (tag 2 plain tokens, tag
// 3 Huffman-coded tokens), then the end tag (a byte 0x01). The chain delivers
// the decoded bytes and ends at the end tag or at the first damage; the
// Huffman layer's error code tells which (IO_EOF: the end tag; anything
// else: damage, also a stream cut before its end tag). Bytes after the end
// tag belong to no stream here and are counted.
//
//===----------------------------------------------------------------------===//

#include "compressed_data.h"

#include "io/buffered_io.h"
#include "io/huffman_io.h"
#include "io/memory_io.h"

#include <algorithm>

namespace vyx::tool {

namespace {

constexpr long PlainBufferSize = 4096;
constexpr long Chunk = 1 << 16;
/// Pointer markers and the record prefix: the bytes a pstream starts with.
constexpr unsigned char PStreamStarts[] = {0, 1, 2, 0x7B};
/// The tags of blocks that hold data (the low 3 bits of a block's first byte).
constexpr unsigned PlainBlockTag = 2;
constexpr unsigned HuffmanBlockTag = 3;

bool startsPStream(unsigned char byte) {
  return std::find(std::begin(PStreamStarts), std::end(PStreamStarts), byte) !=
         std::end(PStreamStarts);
}

bool isWriteError(GIO::IOErrors error) { return error != GIO::IO_OK && error != GIO::IO_EOF; }

} // namespace

// Encoding ----------------------------------------------------------------------

FlateEncoder::FlateEncoder(GIO *device, int speed)
    : Flate(new GBufferedIO(device, PlainBufferSize), speed) {
  // Every layer writes as the device allows.
  Flate.store_open_mode(device->open_mode());
  Flate.getHuffmanIO()->store_open_mode(device->open_mode());
}

bool FlateEncoder::write(const void *data, long n) { return Flate.gwrite(data, n) == n; }

bool FlateEncoder::finish() {
  Flate.flush();
  return !isWriteError(Flate.getError()) && !isWriteError(Flate.getHuffmanIO()->getError()) &&
         !isWriteError(Flate.getBufferedIO()->getError()) &&
         !isWriteError(Flate.getBufferedIO()->getIO()->getError());
}

// Decoding ----------------------------------------------------------------------

FlateDecoder::FlateDecoder(GIO *device)
    : Device(device), Flate(new GBufferedIO(device, PlainBufferSize)) {
  Flate.store_open_mode(GIO::IO_READ);
  Flate.getHuffmanIO()->store_open_mode(GIO::IO_READ);
}

long FlateDecoder::read(void *data, long n) {
  long got = Flate.gread(data, n);
  return got < 0 ? 0 : got;
}

bool FlateDecoder::damaged() const { return Flate.getHuffmanIO()->getError() != GIO::IO_EOF; }

uint64_t FlateDecoder::consumed() {
  // The position query hands back what the buffer read ahead: the device
  // then stands just after the last byte the decoder took.
  long at = Flate.getBufferedIO()->gtell();
  return at < 0 ? 0 : static_cast<uint64_t>(at);
}

uint64_t FlateDecoder::progress() const {
  long at = Device->gtell();
  return at < 0 ? 0 : static_cast<uint64_t>(at);
}

DecodedData DecodeCompressed(const std::vector<unsigned char> &stored, bool tryOnly) {
  DecodedData result;
  if (stored.empty())
    return result;
  if (tryOnly) {
    unsigned tag = stored[0] & 7;
    if (tag != PlainBlockTag && tag != HuffmanBlockTag) {
      // The first block's tag says no.
      result.NotCompressed = true;
      return result;
    }
    // A first byte that no pstream starts with says yes: decoding then
    // only tells whether the data is sound.
    tryOnly = startsPStream(stored[0]);
  }
  FlateDecoder decoder(new GMemoryIO(const_cast<unsigned char *>(stored.data()),
                                     static_cast<long>(stored.size()), GIO::IO_READ));
  for (;;) {
    std::size_t have = result.Bytes.size();
    result.Bytes.resize(have + Chunk);
    long got = decoder.read(result.Bytes.data() + have, Chunk);
    result.Bytes.resize(have + static_cast<std::size_t>(got));
    if (tryOnly && have == 0) {
      // The first chunk decides: no bytes, or bytes that start no pstream,
      // mean that these are no compressed pstream.
      if (result.Bytes.empty() || !startsPStream(result.Bytes[0])) {
        result.NotCompressed = true;
        result.Bytes.clear();
        return result;
      }
    }
    if (got < Chunk)
      break;
  }
  result.Damaged = decoder.damaged();
  uint64_t consumed = decoder.consumed();
  if (!result.Damaged && consumed < stored.size())
    result.Trailing = stored.size() - consumed;
  return result;
}

std::string CompressedDamage(bool damaged, uint64_t decoded, uint64_t trailing) {
  if (damaged)
    return "the compressed data is damaged or cut short after " + std::to_string(decoded) +
           " decoded bytes";
  if (trailing)
    return std::to_string(trailing) + " bytes follow the end of the compressed data";
  return std::string();
}

} // namespace vyx::tool
