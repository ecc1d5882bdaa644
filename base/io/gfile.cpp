//===- gfile.cpp - File names --------------------------------------------===//

#include "io/gfile.h"

#include "io/native_path.h"
#include "object_model/exceptions.h"
#include "platform/directory.h"

#include <atomic>
#include <cctype>
#include <cstring>
#include <string>

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

std::atomic<vyx::FileRedirector> Redirector{nullptr};

/// The components of a name between backslashes (empty ones included).
std::vector<std::string> splitComponents(const std::string &text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find('\\', start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos)
      return parts;
    start = end + 1;
  }
}

std::string currentFolder() { return vyx::LibraryPath(vyx::CurrentDirectory()); }

} // namespace

GFile::GFile(const char *name) : GString(name) { normalise(); }

GFile::GFile(const GString &name) : GString(name) { normalise(); }

GFile &GFile::operator=(const char *name) {
  GString::operator=(name);
  normalise();
  return *this;
}

GFile &GFile::operator=(const GString &name) {
  GString::operator=(name);
  normalise();
  return *this;
}

void GFile::normalise() {
  if (std::strchr(c_str(), '/'))
    translate('/', '\\');
}

int GFile::compare(const char *name) const { return UCcompare(c_str(), name ? name : ""); }

bool GFile::equals_to(const char *name) const {
  GFile mine(*this), other(name);
  mine.expand();
  other.expand();
  return std::strcmp(mine.c_str(), other.c_str()) == 0;
}

bool GFile::valid() const { return !std::strpbrk(c_str(), "<>|"); }

bool GFile::isMask() const { return std::strpbrk(c_str(), "*?") != nullptr; }

bool GFile::exists() const {
  if (isEmpty() || isMask())
    return false;
  std::string native;
  return vyx::NativeExistingPath(c_str(), native) && vyx::PathExists(native.c_str());
}

bool GFile::isDirectory() const {
  if (isEmpty() || isMask())
    return false;
  std::string text = c_str();
  std::size_t root = vyx::RootPrefixLength(text.c_str());
  while (text.size() > root && text.size() > 1 && text.back() == '\\')
    text.pop_back();
  std::string native;
  return vyx::NativeExistingPath(text.c_str(), native) && vyx::IsDirectoryPath(native.c_str());
}

bool GFile::isDrive() const {
  const char *text = c_str();
  if (length() != 2 || text[1] != ':' || !std::isalpha(static_cast<unsigned char>(text[0])))
    return false;
  std::string native;
  return vyx::NativePath(text, native) && vyx::IsDirectoryPath(native.c_str());
}

bool GFile::isRelativePath() const {
  const char *text = c_str();
  return !text[0] || (text[0] != '\\' && text[1] != ':');
}

GString GFile::get_extension() const {
  const char *text = c_str();
  const char *dot = std::strrchr(text, '.');
  if (!dot || std::strchr(dot, '\\'))
    return GString();
  return GString(dot + 1);
}

GFile GFile::get_name() const { return GFile(*this).just_name(); }

GFile GFile::get_directory() const { return GFile(*this).just_directory(); }

GFile GFile::get_drive() const { return GFile(*this).just_drive(); }

GFile &GFile::just_extension() {
  GString::operator=(get_extension());
  return *this;
}

GFile &GFile::just_name() {
  const char *text = c_str();
  const char *cut = std::strrchr(text, '\\');
  if (!cut)
    cut = std::strchr(text, ':');
  if (cut)
    extract(static_cast<unsigned>(cut + 1 - text));
  return *this;
}

GFile &GFile::just_directory() {
  const char *text = c_str();
  if (const char *slash = std::strrchr(text, '\\'))
    remove(static_cast<unsigned>(slash - text));
  else if (const char *colon = std::strchr(text, ':'))
    remove(static_cast<unsigned>(colon + 1 - text));
  else
    empty();
  return *this;
}

GFile &GFile::just_drive() {
  const char *text = c_str();
  if (const char *colon = std::strchr(text, ':'))
    remove(static_cast<unsigned>(colon + 1 - text));
  else
    empty();
  return *this;
}

GFile &GFile::add_extension(const char *extension) {
  if (extension && *extension) {
    *this += '.';
    *this += extension;
  }
  return *this;
}

GFile &GFile::remove_extension() {
  const char *text = c_str();
  const char *dot = std::strrchr(text, '.');
  if (dot && !std::strchr(dot, '\\'))
    remove(static_cast<unsigned>(dot - text));
  return *this;
}

GFile &GFile::replace_extension(const char *extension) {
  remove_extension();
  return add_extension(extension);
}

GFile &GFile::add_name(const char *name) {
  if (!name)
    return *this;
  if (isEmpty()) {
    GString::operator=(name);
  } else {
    if (c_str()[length() - 1] != '\\' && !isSeparator(name[0]))
      *this += '\\';
    *this += name;
  }
  normalise();
  return *this;
}

GFile &GFile::replace_name(const char *name) {
  const char *text = c_str();
  if (const char *slash = std::strrchr(text, '\\')) {
    remove(static_cast<unsigned>(slash - text));
    if (name) {
      *this += '\\';
      *this += name;
    }
  } else {
    GString::operator=(name);
  }
  normalise();
  return *this;
}

GFile &GFile::expand() {
  if (isEmpty()) {
    GString::operator=((currentFolder() + "\\").c_str());
    return *this;
  }
  std::string text = c_str();
  if (vyx::RootPrefixLength(text.c_str()) == 0)
    text = currentFolder() + "\\" + text;
  std::size_t rootLength = vyx::RootPrefixLength(text.c_str());
  std::string root = text.substr(0, rootLength);
  if (root.back() != '\\')
    root += '\\'; // "C:x" is taken as "C:\x": there is no current folder per drive
  bool trailing = text.size() > rootLength && text.back() == '\\';

  std::vector<std::string> kept;
  for (std::string &part : splitComponents(text.substr(rootLength))) {
    if (part.empty() || part == ".")
      continue;
    if (part == "..") {
      if (!kept.empty())
        kept.pop_back();
      continue;
    }
    kept.push_back(std::move(part));
  }
  std::string result = root;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (i)
      result += '\\';
    result += kept[i];
  }
  if (trailing && !kept.empty())
    result += '\\';
  GString::operator=(result.c_str());
  return *this;
}

GFile &GFile::shrink(const char *base) {
  GFile folder(base ? base : "");
  if (!folder.isDirectory() && !folder.isDrive())
    folder.just_directory();
  GFile path(*this);
  path.expand();
  folder.expand();

  std::vector<std::string> mine = splitComponents(path.c_str());
  std::vector<std::string> theirs = splitComponents(folder.c_str());
  if (UCcompare(mine[0].c_str(), theirs[0].c_str()) != 0) {
    *this = path;
    return *this;
  }
  bool trailing = mine.size() > 1 && mine.back().empty();
  auto dropEmpty = [](std::vector<std::string> &parts) {
    std::vector<std::string> kept;
    for (std::size_t i = 1; i < parts.size(); ++i)
      if (!parts[i].empty())
        kept.push_back(std::move(parts[i]));
    parts = std::move(kept);
  };
  dropEmpty(mine);
  dropEmpty(theirs);
  std::size_t common = 0;
  while (common < mine.size() && common < theirs.size() && mine[common] == theirs[common])
    ++common;

  std::string result;
  for (std::size_t i = common; i < theirs.size(); ++i)
    result += "..\\";
  for (std::size_t i = common; i < mine.size(); ++i) {
    result += mine[i];
    if (i + 1 < mine.size() || trailing)
      result += '\\';
  }
  GString::operator=(result.c_str());
  return *this;
}

GFile &GFile::shrink() { return shrink((currentFolder() + "\\").c_str()); }

GFile &GFile::redirect() {
  if (exists())
    return *this;
  GString name = get_name();
  name.ltrim(' ');
  vyx::FileRedirector redirector = Redirector.load();
  GFile candidate(redirector ? redirector(name.c_str(), 1) : name);
  if (candidate.exists())
    *this = candidate;
  return *this;
}

namespace vyx {

FileRedirector SetFileRedirector(FileRedirector redirector) {
  return Redirector.exchange(redirector);
}

PathTokenSource::~PathTokenSource() = default;

std::vector<PathTokenItem> EncodePathTokens(const char *path) {
  std::vector<PathTokenItem> items;
  std::string run;
  auto endRun = [&] {
    if (!run.empty()) {
      items.push_back({PathRun, GString(run.data(), static_cast<unsigned>(run.size()))});
      run.clear();
    }
  };
  auto add = [&](PathToken token) {
    endRun();
    items.push_back({token, GString()});
  };

  const char *p = path ? path : "";
  bool componentStart = true;
  while (*p) {
    char c = *p;
    if (isSeparator(c)) {
      add(PathSeparator);
      ++p;
      componentStart = true;
    } else if (c == '.' && componentStart && p[1] == '.' && isSeparator(p[2])) {
      add(PathParent);
      p += 3;
    } else if (c == '.' && componentStart && isSeparator(p[1])) {
      endRun(); // ".\" is the folder itself: nothing to store
      p += 2;
    } else if (c == '.') {
      add(PathDot);
      ++p;
      componentStart = false;
    } else {
      run += c;
      ++p;
      componentStart = false;
      if (c == ':')
        endRun();
    }
  }
  add(PathEnd);
  return items;
}

// Reads the token form described in gfile.h. Every token byte is untrusted:
// anything but the five known tokens, and the end of the data before the end
// token, is a damaged name.
GFile DecodePathTokens(PathTokenSource &source) {
  auto check = [](bool sound) {
    if (!sound)
      throw GFileReadError_Exception();
  };
  std::string text;
  for (;;) {
    int token = source.readToken();
    check(token >= PathEnd && token <= PathRun);
    switch (token) {
    case PathEnd:
      return GFile(text.c_str());
    case PathSeparator:
      text += '\\';
      break;
    case PathDot:
      text += '.';
      break;
    case PathParent:
      text += "..\\";
      break;
    default: {
      GString run = source.readRun();
      text.append(run.c_str(), run.length());
    }
    }
  }
}

} // namespace vyx
