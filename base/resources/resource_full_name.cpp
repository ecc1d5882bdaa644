//===- resource_full_name.cpp - Addresses of objects in resource containers ===//
//
// Stream form read here:
//   byte             reserved (skipped)
//   GResourcePath    the directory
//   GString          item name
//   GString          type name
//
//===----------------------------------------------------------------------===//

#include "resources/resource_full_name.h"

#include "pstreams/pstream.h"

#include <cstring>

void GResourceFullName::empty() {
  Path.empty();
  Name.empty();
  Type.empty();
}

GString GResourceFullName::get_readable_form() const {
  GString text = Path.get_readable_form();
  text += Name;
  text += ',';
  text += Type;
  return text;
}

void GResourceFullName::parse_readable_form(const GString &text) {
  Path.parse_readable_form(text);
  if (Path.is_empty())
    return;
  const GString last = Path.last();
  const char *comma = static_cast<const char *>(std::memchr(last.c_str(), ',', last.length()));
  if (!comma)
    return;
  unsigned at = static_cast<unsigned>(comma - last.c_str());
  Path.parent();
  Name = last.substr(0, at);
  Type = last.substr(at + 1);
}

opstream &operator<<(opstream &os, const GResourceFullName &name) {
  os.writeByte(0);
  os << name.get_path() << name.get_name() << name.get_type();
  return os;
}

ipstream &operator>>(ipstream &is, GResourceFullName &name) {
  is.readByte();
  vyx::ReadCheck(is);
  GResourcePath path;
  GString item, type;
  is >> path >> item >> type;
  vyx::ReadCheck(is);
  name = GResourceFullName(path, item, type);
  return is;
}
