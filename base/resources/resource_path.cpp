//===- resource_path.cpp - Directory paths inside resource containers -----===//
//
// Stream form read here:
//   byte    reserved (skipped)
//   word    n, the number of components
//   n x     GString record
// Components are appended as they arrive, so storage follows the data read,
// not the stored count.
//
//===----------------------------------------------------------------------===//

#include "resources/resource_path.h"

#include "platform/atomic.h"
#include "pstreams/pstream.h"

#include <algorithm>
#include <cstring>

using vyx::detail::ResourcePathArray;

namespace vyx {

int CompareResourceNames(const GString &a, const GString &b) {
  unsigned la = a.length(), lb = b.length();
  int sign = std::memcmp(a.c_str(), b.c_str(), std::min(la, lb));
  if (sign)
    return sign;
  return (la > lb) - (la < lb);
}

} // namespace vyx

GResourcePath::GResourcePath(const GResourcePath &other)
    : Array(other.Array), First(other.First), Count(other.Count) {
  if (Array)
    vyx::RefCountIncrement(Array->Refs);
}

GResourcePath::GResourcePath(GResourcePath &&other) noexcept
    : Array(other.Array), First(other.First), Count(other.Count) {
  other.Array = nullptr;
  other.First = other.Count = 0;
}

GResourcePath::GResourcePath(const GString &name) : Array(new ResourcePathArray), Count(1) {
  Array->Items.push_back(name);
}

GResourcePath &GResourcePath::operator=(const GResourcePath &other) {
  if (Array != other.Array) {
    if (other.Array)
      vyx::RefCountIncrement(other.Array->Refs);
    release();
    Array = other.Array;
  }
  First = other.First;
  Count = other.Count;
  return *this;
}

GResourcePath &GResourcePath::operator=(GResourcePath &&other) noexcept {
  if (this != &other) {
    release();
    Array = other.Array;
    First = other.First;
    Count = other.Count;
    other.Array = nullptr;
    other.First = other.Count = 0;
  }
  return *this;
}

GResourcePath &GResourcePath::operator=(const GString &name) {
  GResourcePath path(name);
  return *this = std::move(path);
}

void GResourcePath::release() {
  if (Array && vyx::RefCountDecrement(Array->Refs) == 0)
    delete Array;
  Array = nullptr;
}

void GResourcePath::empty() {
  release();
  First = Count = 0;
}

void GResourcePath::makeAppendable(std::size_t extra) {
  if (!Array) {
    Array = new ResourcePathArray;
  } else if (vyx::AtomicLoad(Array->Refs) != 1) {
    auto *copy = new ResourcePathArray;
    copy->Items.reserve(static_cast<std::size_t>(Count) + extra);
    copy->Items.assign(Array->Items.begin() + First, Array->Items.begin() + First + Count);
    release();
    Array = copy;
  } else {
    auto &items = Array->Items;
    items.erase(items.begin() + First + Count, items.end());
    items.erase(items.begin(), items.begin() + First);
  }
  First = 0;
}

GResourcePath &GResourcePath::operator+=(const GResourcePath &other) {
  if (Count == 0)
    return *this = other;
  // Copy first: `other` may share this path's array (or be this path).
  std::vector<GString> added;
  added.reserve(other.Count);
  for (int i = 0; i < other.Count; ++i)
    added.push_back(other[i]);
  makeAppendable(added.size());
  for (GString &name : added)
    Array->Items.push_back(std::move(name));
  Count += static_cast<int32_t>(added.size());
  return *this;
}

GResourcePath &GResourcePath::operator+=(const GString &name) {
  GString copy(name); // `name` may be one of this path's components
  makeAppendable(1);
  Array->Items.push_back(std::move(copy));
  ++Count;
  return *this;
}

void GResourcePath::parent() {
  if (Count > 0)
    --Count;
}

GResourcePath GResourcePath::subpath(int first, int n) const {
  GResourcePath result;
  if (first < 0)
    first = 0;
  if (n <= 0 || first >= Count)
    return result;
  result = *this;
  result.First = First + first;
  result.Count = std::min(n, Count - first);
  return result;
}

int GResourcePath::find_difference(const GResourcePath &other) const {
  int n = std::min(Count, other.Count);
  int i = 0;
  while (i < n && (*this)[i] == other[i])
    ++i;
  return i;
}

bool GResourcePath::operator==(const GResourcePath &other) const {
  return Count == other.Count && find_difference(other) == Count;
}

bool GResourcePath::is_subdirectory(const GResourcePath &other, bool allow_equal) const {
  if (other.Count > Count || (other.Count == Count && !allow_equal))
    return false;
  return find_difference(other) == other.Count;
}

bool GResourcePath::rename_path_from_root(const GResourcePath &from, const GResourcePath &to) {
  if (!is_subdirectory(from, true))
    return false;
  GResourcePath rest = subpath(from.Count);
  GResourcePath renamed(to);
  renamed += rest;
  *this = std::move(renamed);
  return true;
}

GString GResourcePath::get_readable_form() const {
  GString text;
  for (int i = 0; i < Count; ++i) {
    text += (*this)[i];
    text += '\\';
  }
  return text;
}

void GResourcePath::parse_readable_form(const GString &text) {
  GResourcePath path;
  // A text ends at its first NUL byte.
  const char *s = text.c_str();
  const char *end = s + std::strlen(s);
  while (s < end) {
    const char *piece = s;
    while (s < end && *s != '\\' && *s != '/')
      ++s;
    if (s > piece)
      path += GString(piece, static_cast<unsigned>(s - piece));
    ++s;
  }
  *this = std::move(path);
}

opstream &operator<<(opstream &os, const GResourcePath &path) {
  if (path.getCount() > GResourcePath::MaxStoredCount) {
    os.clear(os.rdstate() | pstream::badbit);
    return os;
  }
  os.writeByte(0);
  os.writeWord(static_cast<unsigned short>(path.getCount()));
  for (int i = 0; i < path.getCount(); ++i)
    os << path[i];
  return os;
}

ipstream &operator>>(ipstream &is, GResourcePath &path) {
  using vyx::ReadCheck;
  is.readByte();
  unsigned count = is.readWord();
  ReadCheck(is);
  GResourcePath read;
  for (unsigned i = 0; i < count; ++i) {
    GString name;
    is >> name;
    ReadCheck(is);
    read += name;
  }
  path = std::move(read);
  return is;
}
