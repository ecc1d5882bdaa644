//===- file_handle.cpp - File descriptors of the platform ----------------===//

#include "platform/file_handle.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vyx {

namespace {

/// Largest transfer handed to one read or write call (Linux moves at most
/// about 2 GiB per call anyway).
constexpr int64_t MaxTransfer = int64_t(1) << 30;

int openFlags(unsigned access, FileCreation creation) {
  int flags = O_CLOEXEC;
  bool read = access & FileAccessRead;
  bool write = access & FileAccessWrite;
  if (read && write)
    flags |= O_RDWR;
  else if (write)
    flags |= O_WRONLY;
  else
    flags |= O_RDONLY;
  switch (creation) {
  case FileCreation::OpenExisting:
    break;
  case FileCreation::CreateNew:
    flags |= O_CREAT | O_EXCL;
    break;
  case FileCreation::OpenAlways:
    flags |= O_CREAT;
    break;
  }
  return flags;
}

void closeKeepingErrno(int fd) {
  int saved = errno;
  ::close(fd);
  errno = saved;
}

} // namespace

int OpenFileDescriptor(const char *path, unsigned access, FileCreation creation, unsigned sharing) {
  if (!path || !*path) {
    errno = ENOENT;
    return -1;
  }
  int fd;
  do
    fd = ::open(path, openFlags(access, creation), 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0)
    return -1;

  // A folder opens for reading on POSIX; the devices want files only.
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    closeKeepingErrno(fd);
    return -1;
  }
  if (S_ISDIR(info.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return -1;
  }

  // Share modes guard regular files, where two writers would corrupt each
  // other's data. A device (/dev/null, /dev/full, a terminal) is shared by
  // nature: locking it would only make unrelated writers refuse each other.
  if ((access & FileAccessWrite) && S_ISREG(info.st_mode)) {
    int lock = (sharing & FileShareWrite) ? LOCK_SH : LOCK_EX;
    int rc;
    do
      rc = ::flock(fd, lock | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
      // Another writer holds the file against us. (A file this call has
      // just created cannot be held by anyone, so nothing is left behind.)
      closeKeepingErrno(fd);
      return -1;
    }
  }
  return fd;
}

int64_t ReadDescriptor(int fd, void *data, int64_t n) {
  if (fd < 0 || !data || n <= 0)
    return fd < 0 ? -1 : 0;
  auto *out = static_cast<char *>(data);
  int64_t done = 0;
  while (done < n) {
    int64_t chunk = n - done < MaxTransfer ? n - done : MaxTransfer;
    ssize_t got = ::read(fd, out + done, static_cast<size_t>(chunk));
    if (got < 0) {
      if (errno == EINTR)
        continue;
      return done > 0 ? done : -1;
    }
    if (got == 0)
      break;
    done += got;
  }
  return done;
}

int64_t WriteDescriptor(int fd, const void *data, int64_t n) {
  if (fd < 0 || !data || n <= 0)
    return 0;
  const auto *in = static_cast<const char *>(data);
  int64_t done = 0;
  while (done < n) {
    int64_t chunk = n - done < MaxTransfer ? n - done : MaxTransfer;
    ssize_t put = ::write(fd, in + done, static_cast<size_t>(chunk));
    if (put < 0) {
      if (errno == EINTR)
        continue;
      break;
    }
    if (put == 0)
      break;
    done += put;
  }
  return done;
}

int64_t SeekDescriptor(int fd, int64_t offset, int whence) {
  int how;
  switch (whence) {
  case 0:
    how = SEEK_SET;
    break;
  case 1:
    how = SEEK_CUR;
    break;
  case 2:
    how = SEEK_END;
    break;
  default:
    errno = EINVAL;
    return -1;
  }
  off_t result = ::lseek(fd, static_cast<off_t>(offset), how);
  return result < 0 ? -1 : static_cast<int64_t>(result);
}

bool ResizeDescriptor(int fd, int64_t size) {
  if (size < 0)
    return false;
  int rc;
  do
    rc = ::ftruncate(fd, static_cast<off_t>(size));
  while (rc != 0 && errno == EINTR);
  return rc == 0;
}

namespace {

std::atomic<unsigned> FailingCloses{0};

} // namespace

bool CloseDescriptor(int fd) {
  if (fd < 0)
    return true;
  bool closed = ::close(fd) == 0;
  unsigned failing = FailingCloses.load(std::memory_order_relaxed);
  while (failing > 0 &&
         !FailingCloses.compare_exchange_weak(failing, failing - 1, std::memory_order_relaxed)) {
  }
  if (failing > 0) {
    errno = EIO;
    closed = false;
  }
  return closed;
}

bool DescriptorsShareFile(int a, int b) {
  struct stat first, second;
  return a >= 0 && b >= 0 && ::fstat(a, &first) == 0 && ::fstat(b, &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool DescriptorIsTerminal(int fd) { return fd >= 0 && ::isatty(fd) == 1; }

void FailNextClosesForTesting(unsigned count) {
  FailingCloses.store(count, std::memory_order_relaxed);
}

} // namespace vyx
