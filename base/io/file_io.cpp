//===- file_io.cpp - The file device -------------------------------------===//

#include "io/file_io.h"

#include "io/native_path.h"
#include "platform/file_handle.h"

#include <string>

GFileIO::GFileIO(const char *name, IOOpenMode mode, IOCreateMode create, IOShareMode share) {
  open(name, mode, create, share);
}

GFileIO::~GFileIO() { close(); }

int GFileIO::descriptor() const { return vyx::DescriptorFromHandle(Handle); }

bool GFileIO::is_opened() const { return descriptor() >= 0; }

bool GFileIO::open(const char *name, IOOpenMode mode, IOCreateMode create, IOShareMode share) {
  if (is_opened())
    return false;
  // A failed close of an earlier file is forgotten with it.
  setError(IO_OK);
  store_open_mode(mode);
  CreateMode = create;
  ShareMode = share;

  vyx::FileCreation creation = vyx::FileCreation::OpenExisting;
  if (create == IO_CREATE_NEW)
    creation = vyx::FileCreation::CreateNew;
  else if (create == IO_OPEN_ALWAYS || create == IO_CREATE_ALWAYS)
    creation = vyx::FileCreation::OpenAlways;

  // An existing file named on a case-insensitive system may be found under
  // another case; a file is never created under a guessed name.
  std::string path;
  bool mapped = (create == IO_OPEN_EXISTING || create == IO_OPEN_ALWAYS)
                    ? vyx::NativeExistingPath(name, path)
                    : vyx::NativePath(name, path);
  if (!mapped)
    return false;

  int fd = vyx::OpenFileDescriptor(path.c_str(), static_cast<unsigned>(mode), creation,
                                   static_cast<unsigned>(share));
  if (fd < 0)
    return false;
  Handle = vyx::HandleFromDescriptor(fd);
  Owner = true;
  if (create == IO_CREATE_ALWAYS)
    change_size(0);
  return true;
}

bool GFileIO::attach(void *handle, IOOpenMode mode, IOCreateMode create, IOShareMode share) {
  if (is_opened())
    return false;
  setError(IO_OK);
  Handle = handle;
  Owner = true;
  store_open_mode(mode);
  CreateMode = create;
  ShareMode = share;
  return is_opened();
}

bool GFileIO::attach(const GFileIO &other) {
  // Sharing the handle this device already refers to changes nothing; it
  // must not close it on the way.
  if (&other == this || other.Handle == Handle)
    return is_opened();
  close();
  Handle = other.Handle;
  Owner = false;
  CreateMode = other.CreateMode;
  ShareMode = other.ShareMode;
  store_open_mode(other.open_mode());
  return is_opened();
}

void GFileIO::detach() {
  Handle = vyx::InvalidFileHandle;
  Owner = false;
}

void GFileIO::close() {
  if (Owner && is_opened() && !vyx::CloseDescriptor(descriptor()))
    setError(IO_WRITE_FAILED);
  detach();
}

bool GFileIO::change_size(long n) {
  if (n < 0 || gseek(n, IO_BEGIN) != n)
    return false;
  return vyx::ResizeDescriptor(descriptor(), n);
}

long GFileIO::gseek(long offset, IOSeekDirection dir) {
  if (!is_opened())
    return -1;
  return static_cast<long>(vyx::SeekDescriptor(descriptor(), offset, static_cast<int>(dir)));
}

long GFileIO::gtell() { return gseek(0, IO_CURRENT); }

long GFileIO::gwrite(const void *data, long n) {
  if (!is_opened() || !data || n <= 0)
    return 0;
  return static_cast<long>(vyx::WriteDescriptor(descriptor(), data, n));
}

long GFileIO::gread(void *data, long n) {
  if (!is_opened() || !data || n <= 0)
    return 0;
  int64_t got = vyx::ReadDescriptor(descriptor(), data, n);
  return got < 0 ? 0 : static_cast<long>(got);
}
