//===- file_system.cpp - File-system operations --------------------------===//

#include "io/file_system.h"

#include "io/native_path.h"
#include "platform/directory.h"

#include <cstdio>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

/// The native path of an existing file (a unique case-insensitive match is
/// accepted for names stored on other systems).
bool existingPath(const GFile &file, std::string &native) {
  return !file.isEmpty() && vyx::NativeExistingPath(file.c_str(), native);
}

/// The native path of a name to create: never guessed.
bool newPath(const GFile &file, std::string &native) {
  return !file.isEmpty() && vyx::NativePath(file.c_str(), native);
}

/// The volume of the nearest existing folder of a name made absolute.
bool volumeOf(const char *path, vyx::VolumeInfo &info) {
  if (!path || !*path)
    return false;
  GFile full(path);
  full.expand();
  std::string native;
  if (!vyx::NativePath(full.c_str(), native))
    return false;
  while (!vyx::PathExists(native.c_str())) {
    std::size_t slash = native.find_last_of('/');
    if (slash == std::string::npos)
      return false;
    native.resize(slash == 0 ? 1 : slash);
  }
  return vyx::QueryVolume(native.c_str(), info);
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

/// Days since 1970-01-01 of a civil date (proleptic Gregorian calendar).
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

} // namespace

GFile FileSystem::GetCurrentDirectoryA() {
  return GFile(vyx::LibraryPath(vyx::CurrentDirectory()).c_str());
}

bool FileSystem::SetCurrentDirectoryA(const GFile &folder) {
  std::string native;
  return existingPath(folder, native) && vyx::ChangeDirectory(native.c_str());
}

bool FileSystem::CreateDirectoryA(const GFile &folder) {
  if (folder.isEmpty())
    return false;
  GFile full(folder);
  full.expand();
  std::string text = full.c_str();
  while (text.size() > 1 && text.back() == '\\')
    text.pop_back();
  std::size_t root = vyx::RootPrefixLength(text.c_str());

  std::vector<std::string> levels;
  for (std::size_t i = root; i < text.size(); ++i)
    if (text[i] == '\\' && i > 0 && text[i - 1] != '\\')
      levels.push_back(text.substr(0, i));
  if (text.size() > root)
    levels.push_back(text);

  for (const std::string &level : levels) {
    std::string native;
    if (!vyx::NativePath(level.c_str(), native))
      return false;
    if (vyx::IsDirectoryPath(native.c_str()))
      continue;
    // Another process may create it at the same moment: only a level that
    // still is no folder afterwards is a failure.
    if (!vyx::MakeDirectory(native.c_str()) && !vyx::IsDirectoryPath(native.c_str()))
      return false;
  }
  std::string native;
  return vyx::NativePath(text.c_str(), native) && vyx::IsDirectoryPath(native.c_str());
}

GFile FileSystem::GetTemporaryDirectory() {
  GFile folder(vyx::LibraryPath(vyx::TemporaryDirectoryPath()).c_str());
  if (folder.isEmpty() || folder.c_str()[folder.length() - 1] != '\\')
    folder += '\\';
  return folder;
}

bool FileSystem::GetDriveInfo(const char *path, unsigned long &sectorsPerCluster,
                              unsigned long &bytesPerSector, unsigned long &freeClusters,
                              unsigned long &totalClusters) {
  vyx::VolumeInfo info;
  if (!volumeOf(path, info))
    return false;
  sectorsPerCluster = 1;
  bytesPerSector = static_cast<unsigned long>(info.BlockSize);
  freeClusters = static_cast<unsigned long>(info.FreeBlocks);
  totalClusters = static_cast<unsigned long>(info.TotalBlocks);
  return true;
}

int64_t FileSystem::GetDirectoryFreeSpace(const char *path) {
  unsigned long sectors = 0, bytes = 0, free = 0, total = 0;
  if (!GetDriveInfo(path, sectors, bytes, free, total))
    return 0;
  unsigned __int128 product = static_cast<unsigned __int128>(sectors) * bytes * free;
  return product > static_cast<unsigned __int128>(INT64_MAX) ? INT64_MAX
                                                             : static_cast<int64_t>(product);
}

GFile::DriveType FileSystem::GetDriveTypeA(const char *path) {
  vyx::VolumeInfo info;
  if (!volumeOf(path, info))
    return GFile::DRIVE_OTHER;
  switch (info.TypeMagic) {
  case 0x6969:     // nfs
  case 0x517B:     // smb
  case 0xFF534D42: // cifs
  case 0xFE534D42: // smb2
  case 0x5346414F: // afs
  case 0x73757245: // coda
  case 0x01021997: // 9p
    return GFile::DRIVE_REMOTE;
  case 0x9660:     // iso9660
  case 0x15013346: // udf
    return GFile::DRIVE_OPTICAL;
  case 0x01021994: // tmpfs
  case 0x858458F6: // ramfs
    return GFile::DRIVE_RAMDISK;
  case 0x4D44:     // fat
  case 0x2011BAB0: // exfat
    return GFile::DRIVE_REMOVABLE;
  default:
    return GFile::DRIVE_FIXED;
  }
}

bool FileSystem::Match(const char *name, const char *mask) {
  if (!name || !mask)
    return false;
  while (*name && *mask) {
    if (*mask == '*') {
      while (*name && *name != '.')
        ++name;
      if (*name == '.')
        ++name;
      while (*mask && *mask != '.')
        ++mask;
      if (!*mask)
        break;
      ++mask;
      continue;
    }
    if (*mask == '?') {
      if (*name == '.')
        return false;
    } else if (lowerAscii(*mask) != lowerAscii(*name)) {
      return false;
    }
    ++name;
    ++mask;
  }
  while (*mask == '*')
    ++mask;
  return !*name && !*mask;
}

bool FileSystem::Exists(const GFile &file) { return file.exists(); }

bool FileSystem::Remove(const GFile &file) {
  std::string native;
  return existingPath(file, native) && !vyx::IsDirectoryPath(native.c_str()) &&
         vyx::RemoveFile(native.c_str());
}

bool FileSystem::Copy(const GFile &from, const GFile &to) {
  std::string source, target;
  return existingPath(from, source) && newPath(to, target) &&
         vyx::CopyFileContents(source.c_str(), target.c_str(), true);
}

bool FileSystem::Move(const GFile &from, const GFile &to) {
  std::string source, target;
  return existingPath(from, source) && newPath(to, target) &&
         vyx::MovePath(source.c_str(), target.c_str());
}

bool FileSystem::Rename(const GFile &from, const GFile &to) { return Move(from, to); }

bool FileSystem::SetTime(const char *path, const tm &time) {
  if (!path || time.tm_mon < 1 || time.tm_mon > 12)
    return false;
  tm local{};
  local.tm_sec = time.tm_sec;
  local.tm_min = time.tm_min;
  local.tm_hour = time.tm_hour;
  local.tm_mday = time.tm_mday;
  local.tm_mon = time.tm_mon - 1;
  local.tm_year = time.tm_year;
  local.tm_isdst = -1;
  time_t seconds = std::mktime(&local);
  if (seconds == static_cast<time_t>(-1))
    return false;
  std::string native;
  return existingPath(GFile(path), native) && vyx::SetPathTimes(native.c_str(), seconds);
}

bool FileSystem::SetType(const GFile &, unsigned long) { return true; }

bool FileSystem::SearchFile(const char *folders, GFile &file) {
  if (!folders)
    return false;
  GFile name = file.get_name();
  const char *p = folders;
  while (*p) {
    const char *end = std::strchr(p, ';');
    std::string folder = end ? std::string(p, end) : std::string(p);
    p = end ? end + 1 : p + folder.size();
    if (folder.empty())
      continue;
    GFile candidate(folder.c_str());
    candidate.add_name(name.c_str());
    if (candidate.exists()) {
      file = candidate;
      return true;
    }
  }
  return false;
}

bool FileSystem::UniqueName(GFile &file, char placeholder) {
  if (file.isEmpty())
    return false;
  constexpr int MaxAttempts = 10000;
  std::string text = file.c_str();
  std::size_t nameStart = text.find_last_of('\\');
  nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
  std::vector<std::size_t> slots;
  for (std::size_t i = nameStart; placeholder && i < text.size(); ++i) {
    if (text[i] == placeholder) {
      text[i] = 'a';
      slots.push_back(i);
    }
  }
  GFile candidate(text.c_str());
  if (!slots.empty()) {
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < MaxAttempts && candidate.exists(); ++attempt) {
      for (auto it = slots.rbegin(); it != slots.rend(); ++it)
        text[*it] = static_cast<char>('a' + random() % 26);
      candidate = text.c_str();
    }
  }
  file = candidate;
  return !candidate.exists();
}

std::ostream &operator<<(std::ostream &os, const tm &time) {
  static const char Days[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char Months[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  int month = time.tm_mon;
  const char *monthName = month >= 1 && month <= 12 ? Months[month - 1] : "???";
  int64_t days = daysFromCivil(int64_t(time.tm_year) + 1900, month >= 1 && month <= 12 ? month : 1,
                               time.tm_mday);
  int weekday = static_cast<int>(((days % 7) + 7 + 4) % 7); // 1970-01-01 was a Thursday
  char text[64];
  std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d", Days[weekday], monthName,
                time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec, time.tm_year + 1900);
  return os << text;
}

namespace vyx {

tm FileInfoTime(int64_t seconds) {
  time_t t = static_cast<time_t>(seconds);
  tm local{};
  tm result{};
  if (!localtime_r(&t, &local))
    return result;
  result.tm_sec = local.tm_sec;
  result.tm_min = local.tm_min;
  result.tm_hour = local.tm_hour;
  result.tm_mday = local.tm_mday;
  result.tm_mon = local.tm_mon + 1;
  result.tm_year = local.tm_year;
  return result;
}

} // namespace vyx
