//===- directory.cpp - Folders and file-system queries -------------------===//

#include "platform/directory.h"

#include "platform/file_handle.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace vyx {

namespace {

void fillStatus(const struct stat &st, PathStatus &status) {
  status.IsDirectory = S_ISDIR(st.st_mode);
  status.IsRegular = S_ISREG(st.st_mode);
  status.Writable = (st.st_mode & S_IWUSR) != 0;
  status.Size = status.IsDirectory ? 0 : static_cast<uint64_t>(st.st_size);
  status.ModifiedTime = static_cast<int64_t>(st.st_mtim.tv_sec);
}

bool asciiEqualIgnoringCase(const char *a, const char *b) {
  for (; *a && *b; ++a, ++b) {
    unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
    if (x >= 'A' && x <= 'Z')
      x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z')
      y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y)
      return false;
  }
  return *a == *b;
}

struct DirCloser {
  void operator()(DIR *d) const { ::closedir(d); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

/// Copies the bytes of one open descriptor into another.
bool copyDescriptor(int in, int out) {
  std::unique_ptr<char[]> buffer(new char[1 << 16]);
  for (;;) {
    int64_t got = ReadDescriptor(in, buffer.get(), 1 << 16);
    if (got < 0)
      return false;
    if (got == 0)
      return true;
    if (WriteDescriptor(out, buffer.get(), got) != got)
      return false;
  }
}

} // namespace

bool QueryPath(const char *path, PathStatus &status) {
  struct stat st;
  if (!path || !*path || ::stat(path, &st) != 0)
    return false;
  fillStatus(st, status);
  return true;
}

bool PathExists(const char *path) {
  PathStatus status;
  return QueryPath(path, status);
}

bool IsDirectoryPath(const char *path) {
  PathStatus status;
  return QueryPath(path, status) && status.IsDirectory;
}

bool MakeDirectory(const char *path) { return path && *path && ::mkdir(path, 0777) == 0; }

bool RemoveDirectory(const char *path) { return path && *path && ::rmdir(path) == 0; }

bool RemoveFile(const char *path) { return path && *path && ::unlink(path) == 0; }

bool CopyFileContents(const char *from, const char *to, bool overwrite) {
  if (!from || !to || !*from || !*to)
    return false;
  int in = OpenFileDescriptor(from, FileAccessRead, FileCreation::OpenExisting,
                              FileShareRead | FileShareWrite);
  if (in < 0)
    return false;
  struct stat source;
  if (::fstat(in, &source) != 0) {
    CloseDescriptor(in);
    return false;
  }
  // Copying a file onto itself would empty it before reading it.
  struct stat target;
  if (::stat(to, &target) == 0 && target.st_dev == source.st_dev &&
      target.st_ino == source.st_ino) {
    CloseDescriptor(in);
    errno = EEXIST;
    return false;
  }
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (overwrite ? O_TRUNC : O_EXCL);
  int out;
  do
    out = ::open(to, flags, source.st_mode & 07777);
  while (out < 0 && errno == EINTR);
  if (out < 0) {
    CloseDescriptor(in);
    return false;
  }
  bool ok = copyDescriptor(in, out);
  CloseDescriptor(in);
  ok = (::close(out) == 0) && ok;
  if (!ok)
    ::unlink(to);
  return ok;
}

bool MovePath(const char *from, const char *to) {
  if (!from || !to || !*from || !*to)
    return false;
  if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS && errno != EXDEV)
    return false;

  PathStatus status;
  if (!QueryPath(from, status))
    return false;
  if (errno != EXDEV) {
    // The file system lacks the no-replace rename: a hard link fails on an
    // existing target, so link and unlink never replace anything.
    if (!status.IsDirectory) {
      if (::link(from, to) != 0)
        return false;
      return ::unlink(from) == 0;
    }
    if (PathExists(to)) {
      errno = EEXIST;
      return false;
    }
    return ::rename(from, to) == 0;
  }
  // Across file systems only files move, by copy and delete.
  if (status.IsDirectory)
    return false;
  if (!CopyFileContents(from, to, false))
    return false;
  return ::unlink(from) == 0;
}

bool ListDirectory(const char *path, std::vector<DirectoryEntry> &entries) {
  entries.clear();
  if (!path || !*path)
    return false;
  DirPtr dir(::opendir(path));
  if (!dir)
    return false;
  int dirFd = ::dirfd(dir.get());
  for (;;) {
    errno = 0;
    struct dirent *entry = ::readdir(dir.get());
    if (!entry) {
      if (errno != 0)
        return false;
      break;
    }
    if (!std::strcmp(entry->d_name, ".") || !std::strcmp(entry->d_name, ".."))
      continue;
    DirectoryEntry item;
    item.Name = entry->d_name;
    struct stat st;
    if (::fstatat(dirFd, entry->d_name, &st, 0) == 0) {
      fillStatus(st, item.Status);
      item.StatusKnown = true;
    }
    entries.push_back(std::move(item));
  }
  std::sort(entries.begin(), entries.end(),
            [](const DirectoryEntry &a, const DirectoryEntry &b) { return a.Name < b.Name; });
  return true;
}

std::string CurrentDirectory() {
  std::string buffer(256, '\0');
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size())) {
      buffer.resize(std::strlen(buffer.c_str()));
      return buffer;
    }
    if (errno != ERANGE || buffer.size() > (1u << 20))
      return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

bool ChangeDirectory(const char *path) { return path && *path && ::chdir(path) == 0; }

std::string TemporaryDirectoryPath() {
  const char *tmp = EnvironmentValue("TMPDIR");
  if (tmp && *tmp && IsDirectoryPath(tmp)) {
    std::string result = tmp;
    while (result.size() > 1 && result.back() == '/')
      result.pop_back();
    return result;
  }
  return "/tmp";
}

bool SetPathTimes(const char *path, int64_t seconds) {
  if (!path || !*path)
    return false;
  struct timespec times[2];
  times[0].tv_sec = static_cast<time_t>(seconds);
  times[0].tv_nsec = 0;
  times[1] = times[0];
  return ::utimensat(AT_FDCWD, path, times, 0) == 0;
}

bool QueryVolume(const char *path, VolumeInfo &info) {
  struct statvfs vfs;
  if (!path || !*path || ::statvfs(path, &vfs) != 0)
    return false;
  info.BlockSize = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
  info.FreeBlocks = vfs.f_bavail;
  info.TotalBlocks = vfs.f_blocks;
  struct statfs fs;
  info.TypeMagic = ::statfs(path, &fs) == 0 ? static_cast<uint64_t>(fs.f_type) : 0;
  return true;
}

const char *EnvironmentValue(const char *name) { return name ? std::getenv(name) : nullptr; }

std::optional<std::string> ResolvePathIgnoringCase(const std::string &path) {
  if (path.empty())
    return std::nullopt;
  if (PathExists(path.c_str()))
    return path;

  std::string result = path[0] == '/' ? "/" : "";
  std::size_t pos = 0;
  while (pos < path.size()) {
    std::size_t end = path.find('/', pos);
    if (end == std::string::npos)
      end = path.size();
    std::string part = path.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty())
      continue;
    std::string folder = result.empty() ? "." : result;
    std::string candidate =
        result.empty() ? part : (result.back() == '/' ? result + part : result + "/" + part);
    if (part == "." || part == ".." || PathExists(candidate.c_str())) {
      result = candidate;
      continue;
    }
    DirPtr dir(::opendir(folder.c_str()));
    if (!dir)
      return std::nullopt;
    std::string match;
    int matches = 0;
    while (struct dirent *entry = ::readdir(dir.get())) {
      if (asciiEqualIgnoringCase(entry->d_name, part.c_str())) {
        match = entry->d_name;
        ++matches;
      }
    }
    if (matches != 1)
      return std::nullopt;
    result =
        result.empty() ? match : (result.back() == '/' ? result + match : result + "/" + match);
  }
  if (!PathExists(result.c_str()))
    return std::nullopt;
  return result;
}

} // namespace vyx
