//===- compressed_pstream.cpp - Pstreams on compressed files --------------===//

#include "pstreams/compressed_pstream.h"

#include "io/gfile.h"
#include "pstreams/open_modes_impl.h"

namespace {

constexpr long BufferSize = 4096;

constexpr int FailureBits = pstream::failbit | pstream::badbit;

/// The state bits of a device's error code: none for success and for the
/// end of the data, a read failure for damaged data, read and write failure
/// for everything else (data that did not reach the file).
int failureBitsOf(GIO::IOErrors error) {
  switch (error) {
  case GIO::IO_OK:
  case GIO::IO_EOF:
    return 0;
  case GIO::IO_BAD_DATA:
    return pstream::failbit;
  default:
    return FailureBits;
  }
}

} // namespace

// zpbase ------------------------------------------------------------------------

zpbase::zpbase() : Flate(new GBufferedIO(BufferSize), DefaultSpeed) { bind(&Flate); }

zpbase::zpbase(const char *file, int mode, unsigned short speed) : zpbase() {
  open(file, mode, speed);
}

zpbase::zpbase(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
               GFileIO::IOShareMode share, unsigned short speed)
    : zpbase() {
  open(file, mode, create, share, speed);
}

// Flate's destructor ends a stretch being written and flushes the chain.
zpbase::~zpbase() = default;

GFileIO *zpbase::getFileIO() const {
  GAbstractBufferedIO *plain = plainDevice();
  return plain ? static_cast<GFileIO *>(plain->getIO()) : nullptr;
}

void zpbase::forgetObjects() {}

void zpbase::open(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
                  GFileIO::IOShareMode share, unsigned short speed) {
  if (is_open()) {
    // The open file stays as it is; only the failed request shows.
    setstate(failbit);
    return;
  }
  // Slashes become backslashes first, so that the redirection sees a path
  // as a path and only bare names as bare.
  GFile name(fpbase::redirected_name(GFile(file ? file : "").c_str()));
  // A fresh file device: nothing of an earlier file (pending bytes, an
  // error code) carries over.
  Flate.setIO(new GFileIO);
  GFileIO *device = getFileIO();
  bool opened = device->open(name.c_str(), mode, create, share);
  // The layers read and write as the file allows.
  GIO::IOOpenMode layers = opened ? mode : GIO::IO_READ;
  Flate.store_open_mode(layers);
  Flate.getHuffmanIO()->store_open_mode(layers);
  plainDevice()->store_open_mode(layers);
  Flate.setCompressionSpeed(speed);
  if (opened)
    forgetObjects();
  clear(opened ? 0 : badbit);
}

void zpbase::open(const char *file, int mode, unsigned short speed) {
  vyx::detail::FileOpenModes modes;
  if (vyx::detail::FileOpenModesOf(mode, modes))
    open(file, modes.Open, modes.Create, GFileIO::IO_SHARE_NONE, speed);
}

void zpbase::close() {
  GFileIO *device = getFileIO();
  if (!device) {
    setstate(badbit);
    return;
  }
  // A write failure met while the file was open means the file lacks
  // data: closing must not make the stream look sound.
  int kept = device->is_opened() ? rdstate() & badbit : 0;
  // Ends a stretch being written (final block, end tag) and hands every
  // pending byte to the file; whatever could not be written is dropped
  // with the buffers, but the failure stays in the state.
  Flate.flush();
  int lost = failureBitsOf(rdbuf()->getError());
  // A file system may report a write error only when the file is closed.
  device->close();
  if (device->getError() == GIO::IO_WRITE_FAILED)
    lost |= failbit | badbit;
  restate(kept);
  if (lost)
    setstate(lost);
}

bool zpbase::is_open() const {
  GFileIO *device = getFileIO();
  return device && device->is_opened();
}

int zpbase::io_mode() const {
  GFileIO *device = getFileIO();
  return device ? device->open_mode() : 0;
}

bool zpbase::change_size(long size) {
  GFileIO *device = getFileIO();
  if (!device)
    return false;
  Flate.flush();
  return device->change_size(size);
}

void zpbase::restate(int state) {
  // Only bits that get set anew raise exceptions; these were set before.
  int mask = get_exception_mask();
  generate_exception_on(0);
  clear(state);
  generate_exception_on(mask);
}

void zpbase::skipCompressedRest() {
  if (!is_comp() || Flate.getState() != GAbstractBufferedIO::SB_READ)
    return;
  // readByte decodes the next chunk whenever the window is used up; it
  // gives -1 once the end tag (or damage) has been met.
  do
    Flate.skipPeeked(Flate.peekEnd() - Flate.peekBegin());
  while (Flate.readByte() >= 0);
}

long zpbase::turn_to_comp(bool on) {
  // A reader that switches where the writer did stands after the stretch
  // then, even when it did not read all of it, or when the decoder had not
  // yet met the end tag (a stretch that ends on a chunk boundary).
  skipCompressedRest();
  GAbstractBufferedIO *left = rdbuf();
  left->flush();
  int failed = failureBitsOf(left->getError());
  if (on != is_comp()) {
    bind(on ? static_cast<GAbstractBufferedIO *>(&Flate) : plainDevice());
    // A new binding starts a new stretch, but failures met so far are not
    // forgotten: they are the only record of data lost before the switch
    // once the devices start their next phase.
    restate(rdstate() & FailureBits);
  }
  long position = Flate.gtell();
  if (failed)
    setstate(failed);
  return position;
}

// izpstream ---------------------------------------------------------------------

izpstream::izpstream() = default;

izpstream::izpstream(const char *file, int mode) { open(file, mode); }

izpstream::izpstream(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
                     GFileIO::IOShareMode share, unsigned short speed) {
  open(file, mode, create, share, speed);
}

izpstream::~izpstream() = default;

void izpstream::open(const char *file, int mode) {
  zpbase::open(file, mode | fpbase::in, ReaderSpeed);
}

void izpstream::forgetObjects() { forgetReadObjects(); }

// ozpstream ---------------------------------------------------------------------

ozpstream::ozpstream() = default;

ozpstream::ozpstream(const char *file, int mode, unsigned short speed) { open(file, mode, speed); }

ozpstream::ozpstream(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
                     GFileIO::IOShareMode share, unsigned short speed) {
  open(file, mode, create, share, speed);
}

ozpstream::~ozpstream() = default;

void ozpstream::open(const char *file, int mode, unsigned short speed) {
  zpbase::open(file, mode | fpbase::out, speed);
}

void ozpstream::forgetObjects() { forgetWrittenObjects(); }

// zpstream ----------------------------------------------------------------------

zpstream::zpstream() = default;

zpstream::zpstream(const char *file, int mode, unsigned short speed) {
  zpbase::open(file, mode, speed);
}

zpstream::zpstream(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
                   GFileIO::IOShareMode share, unsigned short speed) {
  open(file, mode, create, share, speed);
}

zpstream::~zpstream() = default;

void zpstream::forgetObjects() {
  forgetReadObjects();
  forgetWrittenObjects();
}
