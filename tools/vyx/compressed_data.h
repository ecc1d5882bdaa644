//===- compressed_data.h - The library's compressed streams for vyx -*- C++ -*-===//
//
// The device chain of compressed pstreams, for raw bytes:
//
//   GFlateBufferedIO (LZ77, speed 1..9)
//     GHuffmanBufferedIO (blocks, end tag)
//       GBufferedIO (4096 bytes)
//         the device: a file, or a block of memory
//
// A compressed stream is a sequence of blocks closed by an end tag; it has
// no header, so only decoding tells whether bytes are one. Decoding checks
// everything: damaged blocks, a stream that ends before its end tag, and
// bytes after the end tag are all reported, never taken for a short stream.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_TOOLS_COMPRESSED_DATA_H
#define VYX_TOOLS_COMPRESSED_DATA_H

#include "io/flate_io.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vyx::tool {

/// Compresses the bytes written to it onto a device.
class FlateEncoder {
public:
  /// Writes through the chain onto `device` (taken over, open for writing).
  FlateEncoder(GIO *device, int speed);
  FlateEncoder(const FlateEncoder &) = delete;
  FlateEncoder &operator=(const FlateEncoder &) = delete;

  /// False when the chain did not take every byte.
  bool write(const void *data, long n);
  /// Ends the stream (last block and end tag) and hands every byte to the
  /// device; false when any byte written did not reach it.
  bool finish();

private:
  GFlateBufferedIO Flate;
};

/// Decodes one compressed stream from a device.
class FlateDecoder {
public:
  /// Reads through the chain from `device` (taken over, open for reading).
  explicit FlateDecoder(GIO *device);
  FlateDecoder(const FlateDecoder &) = delete;
  FlateDecoder &operator=(const FlateDecoder &) = delete;

  /// Up to `n` decoded bytes; fewer only at the end of the stream or where
  /// the data is damaged.
  long read(void *data, long n);
  /// After a short read: the stream did not end with its end tag (damaged
  /// or cut data).
  bool damaged() const;
  /// After a short read: the device bytes the stream took, through its end
  /// tag (for a damaged stream: as far as decoding went).
  uint64_t consumed();
  /// While reading: how far into the device reading has got (read-ahead
  /// included), for progress.
  uint64_t progress() const;

private:
  GIO *Device;
  GFlateBufferedIO Flate;
};

/// What decoding a block of memory gave.
struct DecodedData {
  /// The bytes were no compressed stream at all (its first block failed),
  /// when decoding was only a try.
  bool NotCompressed = false;
  bool Damaged = false;
  std::vector<unsigned char> Bytes;
  /// Stored bytes after the end tag.
  uint64_t Trailing = 0;
};

/// Decodes `stored` as one compressed stream. With `tryOnly`, data that
/// cannot be a compressed pstream gives NotCompressed (and nothing is
/// decoded): a first byte whose tag is not that of a data block, or, when
/// the first byte could also start a plain pstream, a first chunk that does
/// not decode to bytes that start a pstream.
DecodedData DecodeCompressed(const std::vector<unsigned char> &stored, bool tryOnly);

/// The text that tells how a compressed stream failed: damaged, or bytes
/// after its end; empty when it did not.
std::string CompressedDamage(bool damaged, uint64_t decoded, uint64_t trailing);

} // namespace vyx::tool

#endif // VYX_TOOLS_COMPRESSED_DATA_H
