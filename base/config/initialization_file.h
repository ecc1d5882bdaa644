//===- initialization_file.h - Settings files -------------------*- C++ -*-===//
//
// GInitializationFile reads a text settings file of topics ("[name]" header
// lines) with key lines ("key=value"), lets the caller read and change the
// values, and writes the file back when it was changed. The whole file is
// kept as its list of lines, so comments, blank lines, order and layout
// survive an edit: only the lines changed, inserted or removed differ.
//
//   [Render]            topic "Render"
//   ; a comment         comment (also an empty line)
//     width = 640       key "width", value " 640" (text after the first "=")
//
// Leading blanks, tabs, CR and LF are skipped before a line is classified.
// A topic name runs from after "[" to the first "]" (not trimmed); a key
// name to the first "=" with trailing blanks removed. Names compare
// case-sensitively. When a topic header occurs twice the last one counts;
// within a topic the first line with a key counts.
//
// One instance can be installed as the process's settings file (SetFile,
// GetFile). Instances are used by one thread at a time.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CONFIG_INITIALIZATION_FILE_H
#define VYX_CONFIG_INITIALIZATION_FILE_H

#include "containers/sorted_collection.h"
#include "strings/gstring.h"
#include "vyx_base_export.h"

#include <cstddef>
#include <string_view>

/// A settings file kept as its lines (owned new[] strings without line
/// ends, in file order).
class VYX_BASE_API GInitializationFile : public GStringCollection {
public:
  /// An empty list named `name`. A non-empty name loads the lines of the
  /// existing file fpbase::RedirectedName(name, 1); a file that cannot be
  /// read gives an empty list.
  explicit GInitializationFile(const char *name);
  GInitializationFile(const GInitializationFile &other);
  GInitializationFile &operator=(const GInitializationFile &other);
  /// update(), then releases the lines.
  ~GInitializationFile() override;

  /// False when the topic or the key is missing; otherwise the key line's
  /// value (everything after its first "=", unchanged).
  unsigned char getValue(const char *topic, const char *key, GString &value) const;
  /// The value as a decimal number (leading white space skipped). True
  /// whenever the key exists; `value` changes only when the text is a
  /// number that fits.
  unsigned char getValue(const char *topic, const char *key, long &value) const;
  /// True when the value (leading blanks skipped, any case) begins with
  /// "true", "on", "1" or "yes" (value := true) or with "false", "off", "0"
  /// or "no" (value := false); false, value unchanged, otherwise.
  unsigned char getBoolean(const char *topic, const char *key, unsigned char &value) const;

  /// Replaces the key line in place, or inserts it right after the topic
  /// header, or appends the header and the line at the end of the file. A
  /// topic, key or value holding a line break is cut at the first one (and
  /// the cut names are the ones looked up).
  void setValue(const char *topic, const char *key, const char *value);
  void setValue(const char *topic, const char *key, long value);
  /// "yes" or "no".
  void setBoolean(const char *topic, const char *key, unsigned char value);
  /// Deletes the key line when it is there.
  void removeKey(const char *topic, const char *key);
  /// Deletes the lines of the topic (comments included) up to the next
  /// header, and the header too when `withHeader` is set.
  void removeTopic(const char *topic, unsigned char withHeader);
  /// Every line of the topic, each followed by LF; empty when it is missing.
  void getTopic(const char *topic, GString &text);
  /// Replaces the lines of the topic by the lines of `text` (appending the
  /// header at the end of the file when the topic is missing).
  void setTopic(const char *topic, const char *text);
  /// Empties `list`, then appends the name of every topic header in file
  /// order (duplicates kept).
  void getTopicList(GStringCollection &list) const;
  /// Empties `list`, then appends the key names of the topic in order.
  void getKeyList(const char *topic, GStringCollection &list) const;

  /// When modified: writes every line followed by a line end to the file
  /// the lines came from (or to the file name, for a new file or after
  /// setFileName). False, with the lines and the modified flag kept, when
  /// the file cannot be created, written or closed. True when not modified.
  unsigned char update();
  unsigned char isModified() const { return Modified; }
  const GString &getFileName() const { return FileName; }
  /// Names the file the next update writes; marks the list modified.
  void setFileName(const char *name);

  /// Replaces the lines by those of `text` (n bytes), without touching the
  /// file name or the modified flag.
  void loadText(const char *text, std::size_t n);

  /// Replaces the process's settings file: the current one is deleted
  /// (saving it when modified); a non-null name installs a new one.
  static void SetFile(const char *name);
  /// The process's settings file, or null.
  static GInitializationFile *GetFile();

private:
  /// The index of the last header of `topic`, or -1.
  long findTopic(std::string_view topic) const;
  /// The index after the last line of the topic whose header is at `header`.
  long topicEnd(long header) const;
  /// The index of the first line of the topic at `header` holding `key`,
  /// or -1.
  long findKey(long header, std::string_view key) const;
  /// Inserts the lines of `text` from index `at` on; returns the count.
  long insertLines(long index, const char *text, std::size_t n);
  void insertLine(long index, const char *text, std::size_t n);
  void replaceLine(long index, const GString &text);

  GString FileName;
  /// The file the lines were loaded from, which update writes back; empty
  /// when they came from no file or the name was changed since.
  GString LoadedFrom;
  unsigned char Modified = 0;
};

#endif // VYX_CONFIG_INITIALIZATION_FILE_H
