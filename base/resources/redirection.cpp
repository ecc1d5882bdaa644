//===- redirection.cpp - Redirection of bare file names -------------------===//
//
// Reads the text of a redirection file, line by line (lines of any length;
// see config/text_file.h for the line ends):
//
//   ";" in column 1           comment
//   "%" in column 1           variable: %NAME% = value
//   blank                     ignored (spaces, tabs, CR, LF)
//   masks "=" folders         masks separated by white space, folders by ";"
//   folders                   more folders for the masks of the last mask line
//
// Variables are put into folder texts and values: %NAME% becomes the value
// of the variable NAME, else of the environment variable NAME; other
// references stay as they are. Replaced text is scanned again, so values may
// use other variables. A text that refers to itself would expand for ever:
// expansion stops after a fixed number of replacements or once the text
// grows beyond a fixed length, leaving the rest unexpanded.
//
//===----------------------------------------------------------------------===//

#include "resources/redirection.h"

#include "config/initialization_file.h"
#include "config/text_file.h"
#include "io/file_system.h"
#include "io/gfile.h"
#include "platform/directory.h"

#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr long ItemDelta = 4;
constexpr long VariableDelta = 4;
/// Bounds of one expansion of variables.
constexpr int MaxReplacements = 100;
constexpr std::size_t MaxExpandedLength = 16384;
const char *const WhiteSpace = " \t\r\n\v\f";
const char *const IndentOfFolders = "              "; // 14 spaces
const char *const RedirectionTopic = "Redirection";

std::string_view trimmed(std::string_view text, const char *set = WhiteSpace) {
  std::size_t first = text.find_first_not_of(set);
  if (first == std::string_view::npos)
    return {};
  std::size_t last = text.find_last_not_of(set);
  return text.substr(first, last - first + 1);
}

GString stringOf(std::string_view text) {
  return GString(text.data(), static_cast<unsigned>(text.size()));
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }

} // namespace

// RedirectionItem -------------------------------------------------------------------

RedirectionItem::RedirectionItem(const char *mask, const char *directories)
    : GCollection(0, ItemDelta, 1), Mask(mask ? mask : "") {
  add_directory(directories);
}

RedirectionItem::RedirectionItem(const RedirectionItem &other)
    : GCollection(0, ItemDelta, 1), Mask(other.Mask) {
  add_from(other, 0);
}

RedirectionItem::~RedirectionItem() { free_all(); }

void RedirectionItem::freeItem(void *p) { delete static_cast<GString *>(p); }

unsigned char RedirectionItem::match(const char *name) const {
  return name && FileSystem::Match(name, Mask.c_str()) ? 1 : 0;
}

void RedirectionItem::add_directory(const char *list) {
  if (!list)
    return;
  std::string_view rest(list);
  for (;;) {
    std::size_t end = rest.find(';');
    std::string_view piece = trimmed(rest.substr(0, end));
    while (!piece.empty() && isSeparator(piece.back()))
      piece.remove_suffix(1);
    if (!piece.empty())
      insert(new GString(stringOf(piece)));
    if (end == std::string_view::npos)
      break;
    rest.remove_prefix(end + 1);
  }
}

void RedirectionItem::add_from(const RedirectionItem &other, unsigned char front) {
  long n = other.getCount();
  for (long i = 0; i < n; ++i) {
    auto *copy = new GString(other.at(i));
    if (front)
      at_insert(i, copy);
    else
      insert(copy);
  }
}

GString RedirectionItem::make_name(const char *name, unsigned char check) const {
  GString bare(name ? name : "");
  for (long i = 0; i < getCount(); ++i) {
    GFile candidate(at(i));
    if (candidate.add_name(bare.c_str()).exists())
      return candidate;
  }
  if (getCount() == 0)
    return bare;
  if (!check)
    return GFile(at(0)).add_name(bare.c_str());
  for (long i = 0; i < getCount(); ++i) {
    GFile folder(at(i));
    if (folder.isDirectory())
      return folder.add_name(bare.c_str());
  }
  return bare;
}

// RedirectionFileVariables ------------------------------------------------------------

RedirectionFileVariables::RedirectionFileVariables() : GSortedCollection(0, VariableDelta, 1) {}

RedirectionFileVariables::~RedirectionFileVariables() { free_all(); }

void RedirectionFileVariables::freeItem(void *p) { delete static_cast<RedirectionVariable *>(p); }

const void *RedirectionFileVariables::keyOf(const void *item) const {
  return static_cast<const RedirectionVariable *>(item)->Name.c_str();
}

int RedirectionFileVariables::compare(const void *key1, const void *key2) const {
  return std::strcmp(static_cast<const char *>(key1), static_cast<const char *>(key2));
}

const GString *RedirectionFileVariables::find(const char *name) const {
  long index;
  if (!name || !search(name, index))
    return nullptr;
  return &at(index).Value;
}

void RedirectionFileVariables::set(const char *name, const char *value) {
  long index;
  if (name && search(name, index)) {
    static_cast<RedirectionVariable *>(GCollection::at(index))->Value = value ? value : "";
    return;
  }
  insert(new RedirectionVariable{GString(name ? name : ""), GString(value ? value : "")});
}

// RedirectionFile -----------------------------------------------------------------------

RedirectionFile::RedirectionFile()
    : GCollection(0, ItemDelta, 1), Variables(new RedirectionFileVariables) {}

RedirectionFile::RedirectionFile(const char *file) : RedirectionFile() { load_from_file(file, 0); }

RedirectionFile::~RedirectionFile() {
  free_all();
  delete Variables;
}

void RedirectionFile::freeItem(void *p) { delete static_cast<RedirectionItem *>(p); }

void RedirectionFile::load_from_file(const char *file, unsigned char priority) {
  std::string content;
  if (vyx::LoadTextFile(file, content))
    load_from_string(content.c_str(), priority);
}

void RedirectionFile::load_from_string(const char *text, unsigned char priority) {
  if (!text)
    return;
  if (priority) {
    RedirectionFile fresh;
    fresh.load_from_string(text, 0);
    add_from(fresh, 1);
    return;
  }
  std::vector<GString> masks;
  for (const std::string &line : vyx::SplitTextLines(text)) {
    if (line.empty() || line[0] == ';')
      continue;
    std::string_view view(line);
    std::size_t equals = view.find('=');
    if (line[0] == '%') {
      // "%NAME% = value": both percent signs belong to the reference, not
      // to the name.
      std::string_view name = trimmed(trimmed(view.substr(0, equals)), "%");
      name = trimmed(name);
      std::string_view value =
          equals == std::string_view::npos ? std::string_view() : trimmed(view.substr(equals + 1));
      if (!name.empty())
        Variables->set(stringOf(name).c_str(), substitute(stringOf(value)).c_str());
      continue;
    }
    if (trimmed(view).empty())
      continue;
    std::string_view folders = view;
    if (equals != std::string_view::npos) {
      masks.clear();
      std::string_view list = view.substr(0, equals);
      while (!(list = trimmed(list)).empty()) {
        std::size_t end = list.find_first_of(WhiteSpace);
        masks.push_back(stringOf(list.substr(0, end)));
        list.remove_prefix(end == std::string_view::npos ? list.size() : end);
      }
      folders = view.substr(equals + 1);
    }
    applyDirectories(masks, substitute(stringOf(folders)));
  }
}

void RedirectionFile::applyDirectories(const std::vector<GString> &masks,
                                       const GString &directories) {
  for (const GString &mask : masks) {
    if (RedirectionItem *item = matchedItem(mask.c_str()))
      item->add_directory(directories.c_str());
    else
      insert(new RedirectionItem(mask.c_str(), directories.c_str()));
  }
}

void RedirectionFile::add_from(const RedirectionFile &other, unsigned char priority) {
  long n = other.getCount();
  for (long i = 0; i < n; ++i) {
    const RedirectionItem &theirs = other.at(i);
    if (RedirectionItem *mine = matchedItem(theirs.get_mask().c_str()))
      mine->add_from(theirs, priority);
    else
      insert(new RedirectionItem(theirs));
  }
  const RedirectionFileVariables &variables = *other.get_vars();
  long count = variables.getCount();
  for (long i = 0; i < count; ++i) {
    const RedirectionVariable &v = variables.at(i);
    if (!Variables->find(v.Name.c_str()))
      Variables->set(v.Name.c_str(), v.Value.c_str());
  }
}

RedirectionItem *RedirectionFile::matchedItem(const char *name) {
  return const_cast<RedirectionItem *>(find_matched_item(name));
}

const RedirectionItem *RedirectionFile::find_matched_item(const char *name) const {
  for (long i = 0; i < getCount(); ++i)
    if (at(i).match(name))
      return &at(i);
  return nullptr;
}

const RedirectionItem *RedirectionFile::find_matched_item(const RedirectionItem &item) const {
  return find_matched_item(item.get_mask().c_str());
}

GString RedirectionFile::get_name(const char *name, unsigned char check) const {
  if (!name)
    return GString();
  // Only a bare name is redirected: a name with a folder, in either
  // separator, says where it is.
  for (const char *p = name; *p; ++p)
    if (isSeparator(*p))
      return GString(name);
  const RedirectionItem *item = find_matched_item(name);
  return item ? item->make_name(name, check) : GString(name);
}

unsigned char RedirectionFile::exists(const char *name) const {
  return GFile(get_name(name, 1)).exists() ? 1 : 0;
}

unsigned char RedirectionFile::directory_matched(const char *path) const {
  GFile file(path ? path : "");
  GFile name = file.get_name();
  GFile folder = file.get_directory();
  for (long i = 0; i < getCount(); ++i) {
    const RedirectionItem &item = at(i);
    if (!item.match(name.c_str()))
      continue;
    for (long d = 0; d < item.getCount(); ++d)
      if (std::strcmp(item.at(d).c_str(), folder.c_str()) == 0)
        return 1;
  }
  return 0;
}

void RedirectionFile::update_redirection(const char *mask, const char *directories, bool save) {
  if (RedirectionItem *item = matchedItem(mask))
    item->add_directory(directories);
  else
    insert(new RedirectionItem(mask, directories));
  if (!save)
    return;
  if (GInitializationFile *settings = GInitializationFile::GetFile()) {
    settings->setTopic(RedirectionTopic, INI_File_string().c_str());
    settings->update();
  }
}

void RedirectionFile::delete_variable_definitions() { Variables->free_all(); }

GString RedirectionFile::INI_File_string() const {
  GString text;
  for (long i = 0; i < Variables->getCount(); ++i) {
    const RedirectionVariable &v = Variables->at(i);
    text += "%";
    text += v.Name;
    text += "% = ";
    text += v.Value;
    text += "\n";
  }
  text += "\n";
  for (long i = 0; i < getCount(); ++i) {
    const RedirectionItem &item = at(i);
    text += item.get_mask();
    text += " = \n";
    for (long d = 0; d < item.getCount(); ++d) {
      text += IndentOfFolders;
      text += item.at(d);
      text += ";\n";
    }
  }
  return text;
}

GString RedirectionFile::substitute(const GString &text) const {
  std::string s(text.c_str(), text.length());
  std::size_t pos = 0;
  int replacements = 0;
  while (pos < s.size()) {
    std::size_t open = s.find('%', pos);
    if (open == std::string::npos)
      break;
    std::size_t close = s.find('%', open + 1);
    bool closed = close != std::string::npos;
    std::size_t end = closed ? close + 1 : s.size();
    std::string name = s.substr(open + 1, (closed ? close : s.size()) - open - 1);
    std::string_view value;
    if (const GString *defined = Variables->find(name.c_str()))
      value = std::string_view(defined->c_str(), defined->length());
    else if (const char *environment = vyx::EnvironmentValue(name.c_str()))
      value = environment;
    else if (closed) {
      pos = end;
      continue;
    } else {
      break;
    }
    if (replacements >= MaxReplacements ||
        s.size() - (end - open) + value.size() > MaxExpandedLength)
      break;
    s.replace(open, end - open, value);
    ++replacements;
    pos = open;
  }
  return stringOf(s);
}
