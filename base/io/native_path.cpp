//===- native_path.cpp - Library file names and operating-system paths ---===//

#include "io/native_path.h"

#include "platform/directory.h"

#include <cctype>
#include <cstring>
#include <mutex>

namespace vyx {

namespace {

struct DriveTable {
  std::mutex Lock;
  std::vector<std::pair<std::string, std::string>> Entries;
  bool Loaded = false;
};

DriveTable &table() {
  static DriveTable instance;
  return instance;
}

std::string upperAscii(std::string text) {
  for (char &c : text)
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  return text;
}

/// Library form of a prefix: separators as backslashes, letters upper case.
std::string normalisePrefix(const char *prefix) {
  std::string text = prefix;
  for (char &c : text)
    if (c == '/')
      c = '\\';
  while (text.size() > 2 && text.back() == '\\')
    text.pop_back();
  return upperAscii(text);
}

std::string normaliseRoot(const char *root) {
  std::string text = root;
  while (text.size() > 1 && text.back() == '/')
    text.pop_back();
  return text;
}

void setLocked(DriveTable &t, const std::string &prefix, const char *root) {
  for (auto it = t.Entries.begin(); it != t.Entries.end(); ++it) {
    if (it->first == prefix) {
      t.Entries.erase(it);
      break;
    }
  }
  if (root && *root)
    t.Entries.emplace_back(prefix, normaliseRoot(root));
}

void addLocked(DriveTable &t, const char *text) {
  if (!text)
    return;
  const char *p = text;
  while (*p) {
    const char *end = std::strchr(p, ';');
    std::string item = end ? std::string(p, end) : std::string(p);
    p = end ? end + 1 : p + item.size();
    std::size_t eq = item.find('=');
    if (eq == std::string::npos || eq == 0)
      continue;
    setLocked(t, normalisePrefix(item.substr(0, eq).c_str()), item.substr(eq + 1).c_str());
  }
}

/// The table, loaded from the environment on first use; the lock is held.
DriveTable &lockedTable(std::unique_lock<std::mutex> &guard) {
  DriveTable &t = table();
  guard = std::unique_lock<std::mutex>(t.Lock);
  if (!t.Loaded) {
    t.Loaded = true;
    addLocked(t, EnvironmentValue("VYX_DRIVE_MAP"));
  }
  return t;
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool lookup(const std::string &prefix, std::string &root) {
  std::unique_lock<std::mutex> guard;
  DriveTable &t = lockedTable(guard);
  std::string key = upperAscii(prefix);
  for (const auto &entry : t.Entries) {
    if (entry.first == key) {
      root = entry.second;
      return true;
    }
  }
  return false;
}

} // namespace

void SetDriveMapping(const char *prefix, const char *nativeRoot) {
  if (!prefix || !*prefix)
    return;
  std::unique_lock<std::mutex> guard;
  setLocked(lockedTable(guard), normalisePrefix(prefix), nativeRoot);
}

void ClearDriveMappings() {
  std::unique_lock<std::mutex> guard;
  lockedTable(guard).Entries.clear();
}

void AddDriveMappings(const char *text) {
  std::unique_lock<std::mutex> guard;
  addLocked(lockedTable(guard), text);
}

std::vector<std::pair<std::string, std::string>> DriveMappings() {
  std::unique_lock<std::mutex> guard;
  return lockedTable(guard).Entries;
}

std::size_t RootPrefixLength(const char *name) {
  if (!name || !*name)
    return 0;
  if (std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':')
    return isSeparator(name[2]) ? 3 : 2;
  if (isSeparator(name[0]) && isSeparator(name[1])) {
    // \\server\share: the server and the share name belong to the prefix.
    std::size_t i = 2;
    for (int part = 0; part < 2; ++part) {
      while (name[i] && !isSeparator(name[i]))
        ++i;
      if (part == 0 && name[i])
        ++i;
    }
    return name[i] ? i + 1 : i;
  }
  return isSeparator(name[0]) ? 1 : 0;
}

bool NativePath(const char *name, std::string &native) {
  native.clear();
  if (!name || !*name)
    return false;
  std::string rest;
  bool drive = std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':';
  bool share = isSeparator(name[0]) && isSeparator(name[1]);
  if (drive || share) {
    std::size_t length = RootPrefixLength(name);
    std::string prefix(name, length);
    while (!prefix.empty() && isSeparator(prefix.back()) && prefix.size() > 2)
      prefix.pop_back();
    for (char &c : prefix)
      if (c == '/')
        c = '\\';
    if (!lookup(prefix, native))
      return false;
    rest = name + length;
    if (!rest.empty() || length > prefix.size()) {
      if (native.empty() || native.back() != '/')
        native += '/';
    }
  } else {
    rest = name;
  }
  for (char c : rest)
    native += c == '\\' ? '/' : c;
  return !native.empty();
}

bool NativeExistingPath(const char *name, std::string &native) {
  if (!NativePath(name, native))
    return false;
  if (auto resolved = ResolvePathIgnoringCase(native))
    native = *resolved;
  return true;
}

std::string LibraryPath(const std::string &native) {
  std::string text = native;
  for (char &c : text)
    if (c == '/')
      c = '\\';
  return text;
}

} // namespace vyx
