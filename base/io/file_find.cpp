//===- file_find.cpp - Searching files, folders and drives ---------------===//

#include "io/file_find.h"

#include "io/native_path.h"
#include "platform/directory.h"

#include <string>

namespace {

/// The folder part of a pattern, keeping a root ("\", "C:\") that the
/// plain folder cut would lose.
GFile folderOf(const GFile &pattern) {
  std::size_t root = vyx::RootPrefixLength(pattern.c_str());
  GFile folder = pattern.get_directory();
  if (root > 0 && folder.length() < root)
    folder = GFile(pattern.left(static_cast<unsigned>(root)));
  return folder;
}

/// True when the folder (made absolute) is a root: "\", "C:\", a share.
bool isRoot(const GFile &folder) {
  GFile full(folder);
  full.expand();
  std::size_t length = full.length();
  while (length > 1 && full.c_str()[length - 1] == '\\')
    --length;
  std::size_t root = vyx::RootPrefixLength(full.c_str());
  return length <= root;
}

FileInfo driveEntry(char letter) {
  FileInfo info;
  info.type = FileInfo::Drive;
  info.time.tm_year = 80; // 1 January 1980
  info.time.tm_mon = 1;
  info.time.tm_mday = 1;
  char name[3] = {letter, ':', '\0'};
  info.name = name;
  return info;
}

GFile entryName(const GFile &folder, const char *name, bool shortNames) {
  if (shortNames || folder.isEmpty())
    return GFile(name);
  return GFile(folder).add_name(name);
}

} // namespace

FileFind::FileFind(const char *pattern, unsigned char flags, bool shortNames) {
  first(pattern, flags, shortNames);
}

bool FileFind::first(const char *pattern, unsigned char flags, bool shortNames) {
  Entries.clear();
  Next = 0;
  Valid = false;

  if (flags & Drives) {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
      char name[3] = {letter, ':', '\0'};
      if (GFile(name).isDrive())
        Entries.push_back(driveEntry(letter));
    }
  }

  if (pattern && (flags & (Files | Folders))) {
    GFile full(pattern);
    GFile folder = folderOf(full);
    GFile mask = full.get_name();
    std::string native;
    std::vector<vyx::DirectoryEntry> listing;
    bool listed = vyx::NativeExistingPath(folder.isEmpty() ? "." : folder.c_str(), native) &&
                  vyx::ListDirectory(native.c_str(), listing);
    if (listed) {
      if ((flags & Folders) && !isRoot(folder)) {
        FileInfo parent;
        parent.type = FileInfo::Folder;
        parent.name = entryName(folder, "..", shortNames);
        vyx::PathStatus status;
        if (vyx::QueryPath((native + "/..").c_str(), status))
          parent.time = vyx::FileInfoTime(status.ModifiedTime);
        Entries.push_back(parent);
      }
      for (const vyx::DirectoryEntry &entry : listing) {
        if (!entry.StatusKnown)
          continue;
        bool folderEntry = entry.Status.IsDirectory;
        bool take = folderEntry ? (flags & Folders) != 0
                                : entry.Status.IsRegular && (flags & Files) &&
                                      FileSystem::Match(entry.Name.c_str(), mask.c_str());
        if (!take)
          continue;
        FileInfo info;
        info.type = folderEntry ? FileInfo::Folder : FileInfo::File;
        info.size = folderEntry ? 0 : entry.Status.Size;
        info.time = vyx::FileInfoTime(entry.Status.ModifiedTime);
        info.name = entryName(folder, entry.Name.c_str(), shortNames);
        Entries.push_back(std::move(info));
      }
    }
  }
  ++*this;
  return Valid;
}

FileFind &FileFind::operator++() {
  if (Next < Entries.size()) {
    info = Entries[Next++];
    Valid = true;
  } else {
    Valid = false;
  }
  return *this;
}
