//===- file_pstream.cpp - Pstreams on disk files --------------------------===//

#include "pstreams/file_pstream.h"

#include "io/gfile.h"
#include "pstreams/open_modes_impl.h"
#include "resources/redirection.h"

namespace {

constexpr long BufferSize = 4096;

/// The installed redirection file (owned). Process-wide and not locked: it
/// is installed while the application starts.
RedirectionFile *Installed = nullptr;

} // namespace

// fpbase ------------------------------------------------------------------------

fpbase::fpbase() : Buffered(BufferSize) { bind(&Buffered); }

fpbase::fpbase(const char *file, int mode) : fpbase() { open(file, mode); }

fpbase::fpbase(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
               GFileIO::IOShareMode share)
    : fpbase() {
  open(file, mode, create, share);
}

fpbase::~fpbase() = default;

GFileIO *fpbase::fileDevice() const { return static_cast<GFileIO *>(Buffered.getIO()); }

void fpbase::forgetObjects() {}

void fpbase::open(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
                  GFileIO::IOShareMode share) {
  if (is_open()) {
    // The open file stays as it is; only the failed request shows.
    setstate(failbit);
    return;
  }
  GFile name(file ? file : "");
  if (create == GFileIO::IO_OPEN_EXISTING)
    name.redirect();
  // A fresh device: nothing of an earlier file (pending bytes, its error)
  // carries over.
  Buffered.setIO(new GFileIO);
  GFileIO *device = fileDevice();
  bool opened = device->open(name.c_str(), mode, create, share);
  // The buffer reads and writes as the file allows.
  Buffered.store_open_mode(opened ? mode : GIO::IO_READ);
  if (opened)
    forgetObjects();
  clear(opened ? 0 : badbit);
}

void fpbase::open(const char *file, int mode) {
  vyx::detail::FileOpenModes modes;
  if (vyx::detail::FileOpenModesOf(mode, modes))
    open(file, modes.Open, modes.Create, GFileIO::IO_SHARE_NONE);
}

void fpbase::close() {
  GFileIO *device = fileDevice();
  if (!device) {
    setstate(badbit);
    return;
  }
  // A write failure met while the file was open means the file lacks data:
  // closing must not make the stream look sound.
  int kept = device->is_opened() ? rdstate() & badbit : 0;
  // The pending bytes go to the file first; whatever could not be written
  // is dropped with the buffer, but the failure stays in the state.
  Buffered.flush();
  GIO::IOErrors error = Buffered.getError();
  bool lost = error != GIO::IO_OK && error != GIO::IO_EOF;
  Buffered.setState(GAbstractBufferedIO::SB_IDLE);
  // A file system may report a write error only when the file is closed.
  device->close();
  lost = lost || device->getError() == GIO::IO_WRITE_FAILED;
  if (lost) {
    clear(failbit | badbit);
  } else {
    // A kept bit was raised (and thrown, if asked) when it was set.
    int mask = get_exception_mask();
    generate_exception_on(0);
    clear(kept);
    generate_exception_on(mask);
  }
}

bool fpbase::is_open() const {
  GFileIO *device = fileDevice();
  return device && device->is_opened();
}

int fpbase::io_mode() const {
  GFileIO *device = fileDevice();
  return device ? device->open_mode() : 0;
}

bool fpbase::change_size(long size) {
  GFileIO *device = fileDevice();
  if (!device)
    return false;
  Buffered.flush();
  return device->change_size(size);
}

void fpbase::SetRedirectionFile(const char *file) {
  if (file)
    SetRedirectionFile(new RedirectionFile(file));
}

void fpbase::SetRedirectionFile(RedirectionFile *file) {
  RedirectionFile *old = Installed;
  Installed = file;
  // GFile::redirect asks the file pstreams while a redirection file is
  // installed; a redirection someone else put there stays when it goes.
  vyx::FileRedirector previous = vyx::SetFileRedirector(file ? &RedirectedName : nullptr);
  if (!file && previous != &RedirectedName)
    vyx::SetFileRedirector(previous);
  if (old != file)
    delete old;
}

RedirectionFile *fpbase::GetRedirectionFile() { return Installed; }

GString fpbase::RedirectedName(const char *name, unsigned char check) {
  if (!name)
    return GString();
  return Installed ? Installed->get_name(name, check) : GString(name);
}

// ifpstream ---------------------------------------------------------------------

ifpstream::ifpstream() = default;

ifpstream::ifpstream(const char *file, int mode) { open(file, mode); }

ifpstream::ifpstream(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
                     GFileIO::IOShareMode share) {
  open(file, mode, create, share);
}

ifpstream::~ifpstream() = default;

void ifpstream::open(const char *file, int mode) { fpbase::open(file, mode | in); }

void ifpstream::forgetObjects() { forgetReadObjects(); }

// ofpstream ---------------------------------------------------------------------

ofpstream::ofpstream() = default;

ofpstream::ofpstream(const char *file, int mode) { open(file, mode); }

ofpstream::ofpstream(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
                     GFileIO::IOShareMode share) {
  open(file, mode, create, share);
}

ofpstream::~ofpstream() = default;

void ofpstream::open(const char *file, int mode) { fpbase::open(file, mode | out); }

void ofpstream::forgetObjects() { forgetWrittenObjects(); }

// fpstream ----------------------------------------------------------------------

fpstream::fpstream() = default;

fpstream::fpstream(const char *file, int mode) { open(file, mode); }

fpstream::fpstream(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
                   GFileIO::IOShareMode share) {
  open(file, mode, create, share);
}

fpstream::~fpstream() = default;

void fpstream::forgetObjects() {
  forgetReadObjects();
  forgetWrittenObjects();
}
