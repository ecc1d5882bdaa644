//===- initialization_file.cpp - Settings files ---------------------------===//
//
// Reads a settings file as text (see text_file.h): lines split at LF, a CR
// before the LF dropped, lines of any length, a last line without LF kept.
// Each line is then one of
//
//   comment   empty, or ";" first          (after leading blanks, tabs, CR, LF)
//   header    "[" name ["]" rest]
//   key line  name ["=" value]
//
// Nothing in a line is trusted to be well formed: every kind above is
// decided from the characters present, never from an expected layout.
//
//===----------------------------------------------------------------------===//

#include "config/initialization_file.h"

#include "config/text_file.h"
#include "pstreams/file_pstream.h"

#include <charconv>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr long LineDelta = 10;
const char *const Blanks = " \t\r\n";

GInitializationFile *ProcessFile = nullptr;

enum class LineKind { Comment, Header, Key };

/// One line as the file sees it: its kind, its name, and for a key line the
/// value (everything after the first "=").
struct LineView {
  LineKind Kind = LineKind::Comment;
  std::string_view Name;
  std::string_view Value;
};

LineView classify(const char *line) {
  std::string_view text(line ? line : "");
  std::size_t start = text.find_first_not_of(Blanks);
  LineView view;
  if (start == std::string_view::npos || text[start] == ';')
    return view;
  text.remove_prefix(start);
  if (text[0] == '[') {
    view.Kind = LineKind::Header;
    std::size_t close = text.find(']', 1);
    view.Name =
        text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    return view;
  }
  view.Kind = LineKind::Key;
  std::size_t equals = text.find('=');
  std::string_view name = text.substr(0, equals);
  std::size_t last = name.find_last_not_of(Blanks);
  view.Name = name.substr(0, last == std::string_view::npos ? 0 : last + 1);
  if (equals != std::string_view::npos)
    view.Value = text.substr(equals + 1);
  return view;
}

std::string_view viewOf(const char *text) { return text ? text : ""; }

/// The text up to its first line break: a name or value that is written
/// must not become two lines.
std::string_view oneLine(const char *text) {
  std::string_view view = viewOf(text);
  return view.substr(0, view.find_first_of("\r\n"));
}

std::string keyLine(std::string_view key, std::string_view value) {
  std::string line(key);
  line += '=';
  line += value;
  return line;
}

std::string headerLine(std::string_view topic) {
  std::string line = "[";
  line += topic;
  line += ']';
  return line;
}

char *newLine(std::string_view text) {
  char *line = new char[text.size() + 1];
  std::memcpy(line, text.data(), text.size());
  line[text.size()] = '\0';
  return line;
}

bool beginsWithOneOf(std::string_view text, std::initializer_list<std::string_view> words) {
  for (std::string_view word : words)
    if (text.substr(0, word.size()) == word)
      return true;
  return false;
}

} // namespace

// Construction --------------------------------------------------------------------

GInitializationFile::GInitializationFile(const char *name)
    : GStringCollection(0, LineDelta, 1), FileName(name ? name : "") {
  duplicates(1);
  if (FileName.isEmpty())
    return;
  GString path = fpbase::RedirectedName(FileName.c_str(), 1);
  std::string content;
  if (vyx::LoadTextFile(path.c_str(), content)) {
    loadText(content.data(), content.size());
    LoadedFrom = path;
  }
}

GInitializationFile::GInitializationFile(const GInitializationFile &other)
    : GStringCollection(other), FileName(other.FileName), LoadedFrom(other.LoadedFrom),
      Modified(other.Modified) {}

GInitializationFile &GInitializationFile::operator=(const GInitializationFile &other) {
  if (this != &other) {
    GStringCollection::operator=(other);
    FileName = other.FileName;
    LoadedFrom = other.LoadedFrom;
    Modified = other.Modified;
  }
  return *this;
}

GInitializationFile::~GInitializationFile() { update(); }

void GInitializationFile::loadText(const char *text, std::size_t n) {
  free_all();
  insertLines(0, text, n);
}

// Lines ---------------------------------------------------------------------------

void GInitializationFile::insertLine(long index, const char *text, std::size_t n) {
  char *line = newLine(std::string_view(text, n));
  try {
    at_insert(index, line);
  } catch (...) {
    delete[] line;
    throw;
  }
}

long GInitializationFile::insertLines(long index, const char *text, std::size_t n) {
  std::vector<std::string> lines = vyx::SplitTextLines(std::string_view(text ? text : "", n));
  for (const std::string &line : lines)
    insertLine(index++, line.data(), line.size());
  return static_cast<long>(lines.size());
}

void GInitializationFile::replaceLine(long index, const GString &text) {
  char *old = at(index);
  at_put(index, newLine(std::string_view(text.c_str(), text.length())));
  delete[] old;
}

long GInitializationFile::findTopic(std::string_view wanted) const {
  long found = -1;
  for (long i = 0; i < getCount(); ++i) {
    LineView line = classify(at(i));
    if (line.Kind == LineKind::Header && line.Name == wanted)
      found = i;
  }
  return found;
}

long GInitializationFile::topicEnd(long header) const {
  long i = header + 1;
  while (i < getCount() && classify(at(i)).Kind != LineKind::Header)
    ++i;
  return i;
}

long GInitializationFile::findKey(long header, std::string_view wanted) const {
  long end = topicEnd(header);
  for (long i = header + 1; i < end; ++i) {
    LineView line = classify(at(i));
    if (line.Kind == LineKind::Key && line.Name == wanted)
      return i;
  }
  return -1;
}

// Reading values ------------------------------------------------------------------

unsigned char GInitializationFile::getValue(const char *topic, const char *key,
                                            GString &value) const {
  long header = findTopic(viewOf(topic));
  long line = header < 0 ? -1 : findKey(header, viewOf(key));
  if (line < 0)
    return 0;
  std::string_view text = classify(at(line)).Value;
  value.assign(text.data(), static_cast<unsigned>(text.size()));
  return 1;
}

unsigned char GInitializationFile::getValue(const char *topic, const char *key, long &value) const {
  GString text;
  if (!getValue(topic, key, text))
    return 0;
  std::string_view digits(text.c_str(), text.length());
  std::size_t start = digits.find_first_not_of(" \t\r\n\v\f");
  if (start == std::string_view::npos)
    return 1;
  digits.remove_prefix(start);
  if (!digits.empty() && digits[0] == '+' && digits.size() > 1 && digits[1] != '-')
    digits.remove_prefix(1);
  long parsed = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed, 10);
  if (error == std::errc())
    value = parsed;
  return 1;
}

unsigned char GInitializationFile::getBoolean(const char *topic, const char *key,
                                              unsigned char &value) const {
  GString text;
  if (!getValue(topic, key, text))
    return 0;
  text.ltrim(Blanks).toLower();
  std::string_view word(text.c_str(), text.length());
  if (beginsWithOneOf(word, {"true", "on", "1", "yes"})) {
    value = 1;
    return 1;
  }
  if (beginsWithOneOf(word, {"false", "off", "0", "no"})) {
    value = 0;
    return 1;
  }
  return 0;
}

// Changing values -----------------------------------------------------------------

void GInitializationFile::setValue(const char *topicText, const char *keyText, const char *value) {
  std::string_view topic = oneLine(topicText), key = oneLine(keyText);
  GString line(keyLine(key, oneLine(value)).c_str());
  long header = findTopic(topic);
  if (header < 0) {
    std::string head = headerLine(topic);
    insertLine(getCount(), head.data(), head.size());
    insertLine(getCount(), line.c_str(), line.length());
  } else if (long found = findKey(header, key); found >= 0) {
    replaceLine(found, line);
  } else {
    insertLine(header + 1, line.c_str(), line.length());
  }
  Modified = 1;
}

void GInitializationFile::setValue(const char *topic, const char *key, long value) {
  setValue(topic, key, std::to_string(value).c_str());
}

void GInitializationFile::setBoolean(const char *topic, const char *key, unsigned char value) {
  setValue(topic, key, value ? "yes" : "no");
}

void GInitializationFile::removeKey(const char *topic, const char *key) {
  long header = findTopic(viewOf(topic));
  long line = header < 0 ? -1 : findKey(header, viewOf(key));
  if (line >= 0)
    at_free(line);
  Modified = 1;
}

void GInitializationFile::removeTopic(const char *topic, unsigned char withHeader) {
  long header = findTopic(viewOf(topic));
  if (header < 0)
    return;
  Modified = 1;
  long first = withHeader ? header : header + 1;
  for (long i = topicEnd(header); i > first; --i)
    at_free(i - 1);
}

void GInitializationFile::getTopic(const char *topic, GString &text) {
  text.empty();
  long header = findTopic(viewOf(topic));
  if (header < 0)
    return;
  long end = topicEnd(header);
  for (long i = header + 1; i < end; ++i) {
    text += at(i);
    text += '\n';
  }
}

void GInitializationFile::setTopic(const char *topicText, const char *text) {
  std::string topic(oneLine(topicText));
  removeTopic(topic.c_str(), 0);
  long header = findTopic(topic);
  if (header < 0) {
    std::string head = headerLine(topic);
    header = getCount();
    insertLine(header, head.data(), head.size());
  }
  insertLines(header + 1, text, text ? std::strlen(text) : 0);
  Modified = 1;
}

void GInitializationFile::getTopicList(GStringCollection &list) const {
  list.empty();
  list.duplicates(1);
  for (long i = 0; i < getCount(); ++i) {
    LineView line = classify(at(i));
    if (line.Kind == LineKind::Header)
      list.at_insert(list.getCount(), newLine(line.Name));
  }
}

void GInitializationFile::getKeyList(const char *topic, GStringCollection &list) const {
  list.empty();
  list.duplicates(1);
  long header = findTopic(viewOf(topic));
  if (header < 0)
    return;
  long end = topicEnd(header);
  for (long i = header + 1; i < end; ++i) {
    LineView line = classify(at(i));
    if (line.Kind == LineKind::Key)
      list.at_insert(list.getCount(), newLine(line.Name));
  }
}

// The file ------------------------------------------------------------------------

unsigned char GInitializationFile::update() {
  if (!Modified)
    return 1;
  std::string content;
  for (long i = 0; i < getCount(); ++i) {
    content += at(i);
    content += '\n';
  }
  const GString &target = LoadedFrom.isEmpty() ? FileName : LoadedFrom;
  if (!vyx::SaveTextFile(target.c_str(), content))
    return 0;
  Modified = 0;
  return 1;
}

void GInitializationFile::setFileName(const char *name) {
  FileName = name ? name : "";
  LoadedFrom.empty();
  Modified = 1;
}

void GInitializationFile::SetFile(const char *name) {
  GInitializationFile *old = ProcessFile;
  ProcessFile = nullptr;
  delete old;
  if (name)
    ProcessFile = new GInitializationFile(name);
}

GInitializationFile *GInitializationFile::GetFile() { return ProcessFile; }
