//===- huffman_io.cpp - Huffman-coded buffered device ---------------------===//

#include "io/huffman_io.h"

#include "io/huffman_block_reader_impl.h"
#include "io/huffman_block_writer_impl.h"

#include <algorithm>

namespace {

constexpr unsigned char EndTagByte = 0x01;

bool isWriteError(GIO::IOErrors error) {
  return error == GIO::IO_WRITE_FAILED || error == GIO::IO_WRITE_INCOMPLETE;
}

} // namespace

GHuffmanBufferedIO::GHuffmanBufferedIO()
    : GBufferedIO(BlockTokens), Distances(new uint16_t[BlockTokens + 1]()) {}

GHuffmanBufferedIO::GHuffmanBufferedIO(GAbstractBufferedIO *below) : GHuffmanBufferedIO() {
  GBufferedIO::setIO(below);
}

GHuffmanBufferedIO::~GHuffmanBufferedIO() { flush(); }

void GHuffmanBufferedIO::setBufferedIO(GAbstractBufferedIO *below) { GBufferedIO::setIO(below); }

void GHuffmanBufferedIO::setIO(GIO *device) {
  flush();
  GAbstractBufferedIO *below = getBufferedIO();
  if (!below) {
    delete device;
    setError(IO_NO_DEVICE);
    return;
  }
  below->setIO(device);
  store_open_mode(below->open_mode());
  setError(IO_OK);
}

void GHuffmanBufferedIO::adoptBelowError() {
  GAbstractBufferedIO *below = getBufferedIO();
  if (below && getError() == IO_OK && isWriteError(below->getError()))
    setError(below->getError());
}

void GHuffmanBufferedIO::flush() {
  bool writing = getState() == SB_WRITE;
  GBufferedIO::flush();
  if (writing)
    adoptBelowError();
}

// Writing ---------------------------------------------------------------------

unsigned char GHuffmanBufferedIO::startWrite() {
  setError(IO_OK);
  if (!GBufferedIO::startWrite())
    return false;
  std::fill(Distances.get(), Distances.get() + BlockTokens + 1, uint16_t(0));
  WroteBlock = false;
  return true;
}

bool GHuffmanBufferedIO::writeCodeSlow(unsigned short distance, unsigned char value) {
  if (writeAdditionalByte(value) < 0)
    return false;
  Distances[getWCurrent() - 1 - getBuffer()] = distance;
  return true;
}

bool GHuffmanBufferedIO::writeBelow(const unsigned char *data, long n) {
  GAbstractBufferedIO *below = getBufferedIO();
  long taken = below ? below->gwrite(data, n) : -1;
  if (taken == n)
    return true;
  if (!below)
    setError(IO_NO_DEVICE);
  else if (isWriteError(below->getError()))
    setError(below->getError());
  else
    setError(taken < 0 ? IO_WRITE_FAILED : IO_WRITE_INCOMPLETE);
  return false;
}

unsigned char GHuffmanBufferedIO::writeBuffer() {
  if (getError() != IO_OK)
    return false;
  if (!Writer)
    Writer = std::make_unique<vyx::HuffmanBlockWriter>();
  long tokens = getWCurrent() - getBuffer();
  size_t size = 0;
  const uint8_t *bytes =
      Writer->encode(getBuffer(), Distances.get(), static_cast<size_t>(tokens), size);
  if (!writeBelow(bytes, static_cast<long>(size))) {
    setWPointers(nullptr, nullptr, nullptr);
    return false;
  }
  WroteBlock = true;
  std::fill(Distances.get(), Distances.get() + tokens, uint16_t(0));
  setWPointers(getBuffer(), getBuffer(), getBuffer() + getBufferSize());
  return true;
}

void GHuffmanBufferedIO::stopWrite() {
  if (getState() != SB_WRITE)
    return;
  // A phase that took no token leaves no trace in the stream.
  if ((WroteBlock || getWCurrent() != getBuffer()) && writeBuffer())
    writeBelow(&EndTagByte, 1);
  GAbstractBufferedIO::stopWrite();
}

// Reading ---------------------------------------------------------------------

unsigned char GHuffmanBufferedIO::readBuffer() {
  setRPointers(nullptr, nullptr, nullptr);
  if (getError() != IO_OK)
    return false;
  GAbstractBufferedIO *below = getBufferedIO();
  if (!below) {
    setError(IO_NO_DEVICE);
    return false;
  }
  if (!Reader)
    Reader = std::make_unique<vyx::HuffmanBlockReader>();
  for (;;) {
    size_t count = 0;
    auto result = Reader->decode(*below, getBuffer(), Distances.get(),
                                 static_cast<size_t>(BlockTokens), count);
    switch (result) {
    case vyx::HuffmanBlockReader::Block:
      ++BlocksRead;
      if (count == 0)
        continue; // an empty block delivers nothing: go on with the next
      setRPointers(getBuffer(), getBuffer(), getBuffer() + count);
      return true;
    case vyx::HuffmanBlockReader::EndTag:
      setError(IO_EOF);
      return false;
    case vyx::HuffmanBlockReader::EndOfData:
      // Only a stream with nothing in it may end without its end tag.
      setError(BlocksRead == 0 ? IO_EOF : IO_BAD_DATA);
      return false;
    case vyx::HuffmanBlockReader::Malformed:
      setError(IO_BAD_DATA);
      return false;
    }
  }
}

void GHuffmanBufferedIO::stopRead() {
  // Nothing to give back: the decoder took exactly the bytes of the blocks
  // it decoded.
  BlocksRead = 0;
  GAbstractBufferedIO::stopRead();
}
