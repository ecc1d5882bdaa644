//===- redirection.h - Redirection of bare file names -----------*- C++ -*-===//
//
// A redirection file says in which folders to look for a file named without
// a folder. It maps file-name masks (such as *.tex) to ordered lists of
// folders, and defines text variables that the folder texts may use:
//
//   ; textures
//   %ROOT% = c:\data
//   *.tex *.bmp = %ROOT%\tex; %ROOT%\common\ ;
//                 d:\more              (continues the masks above)
//
// One redirection file can be installed for the whole process
// (fpbase::SetRedirectionFile); file pstreams, GFile::redirect and resource
// containers then pass bare names through it.
//
// Written form (INI_File_string): every variable "%NAME% = value" in name
// order, an empty line, then per item "mask = " and one line per folder of
// 14 spaces, the folder and ";". Every line ends with LF. Reading the
// written form back gives the same items, folders and variables.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_RESOURCES_REDIRECTION_H
#define VYX_RESOURCES_REDIRECTION_H

#include "containers/collection.h"
#include "containers/sorted_collection.h"
#include "strings/gstring.h"
#include "vyx_base_export.h"

#include <vector>

class RedirectionFile;

/// One mask and its folders (owned GString texts, first tried first).
/// Folder texts are never empty and never end with a separator.
class VYX_BASE_API RedirectionItem : public GCollection {
public:
  ~RedirectionItem() override;

  /// The name matches the mask (FileSystem::Match: case-insensitive, with
  /// "*" and "?").
  unsigned char match(const char *name) const;
  /// Appends the folders of a ";"-separated list: each piece trimmed of
  /// white space, empty pieces skipped, trailing separators removed.
  void add_directory(const char *list);
  /// The first folder + name that exists; when none does: the name without
  /// folders, the first folder + name (check false) or the first existing
  /// folder + name (check true; the name when no folder exists).
  GString make_name(const char *name, unsigned char check) const;
  const GString &get_mask() const { return Mask; }
  /// Folder i, unchecked.
  const GString &at(long i) const { return *static_cast<const GString *>(GCollection::at(i)); }

protected:
  friend class RedirectionFile;

  RedirectionItem(const char *mask, const char *directories);
  RedirectionItem(const RedirectionItem &other);

  void add_line(const char *list) { add_directory(list); }
  /// Takes the other's folders, in front of the own ones or after them.
  void add_from(const RedirectionItem &other, unsigned char front);
  void freeItem(void *p) override;

private:
  GString Mask;
};

/// One variable of a redirection file.
struct VYX_BASE_API RedirectionVariable {
  GString Name;
  GString Value;
};

/// The variables of a redirection file, sorted by name (case-sensitive).
class VYX_BASE_API RedirectionFileVariables : public GSortedCollection {
public:
  RedirectionFileVariables();
  ~RedirectionFileVariables() override;

  /// The value of `name`, or null when it is not defined.
  const GString *find(const char *name) const;
  /// Defines `name` or changes its value.
  void set(const char *name, const char *value);
  /// Variable i in name order, unchecked.
  const RedirectionVariable &at(long i) const {
    return *static_cast<const RedirectionVariable *>(GCollection::at(i));
  }

  const void *keyOf(const void *item) const override;
  int compare(const void *key1, const void *key2) const override;

protected:
  void freeItem(void *p) override;
};

/// The items of a redirection file (owned, in the order they were made; a
/// lookup takes the first whose mask matches) and its variables.
class VYX_BASE_API RedirectionFile : public GCollection {
public:
  /// Empty, with no variables.
  RedirectionFile();
  /// Empty, then load_from_file(file, false).
  explicit RedirectionFile(const char *file);
  RedirectionFile(const RedirectionFile &) = delete;
  RedirectionFile &operator=(const RedirectionFile &) = delete;
  ~RedirectionFile() override;

  /// Reads the existing text file `file` as load_from_string does; a file
  /// that cannot be opened adds nothing.
  void load_from_file(const char *file, unsigned char priority);
  /// Reads a text. Without priority its lines apply to this file directly
  /// (folders are appended, variables redefined); with priority the text is
  /// read into a new file first and merged with add_from(new, true).
  void load_from_string(const char *text, unsigned char priority);
  /// For every item of `other`: the item here whose mask matches its mask
  /// takes its folders (in front of its own with priority, after them
  /// otherwise), or a copy is appended. Then the variables of `other` that
  /// are not defined here are added.
  void add_from(const RedirectionFile &other, unsigned char priority);

  /// The first item whose mask matches `name`, or null.
  const RedirectionItem *find_matched_item(const char *name) const;
  const RedirectionItem *find_matched_item(const RedirectionItem &item) const;

  /// The name to use for `name`: unchanged when it names a folder (holds
  /// "\" or "/") or no item matches; otherwise the matching item's
  /// make_name(name, check).
  GString get_name(const char *name, unsigned char check) const;
  /// Whether the file get_name(name, true) exists.
  unsigned char exists(const char *name) const;
  /// True when an item matches the name part of `path` and lists its folder
  /// part (case-sensitive).
  unsigned char directory_matched(const char *path) const;
  /// Adds the folders (";"-separated) to the item matching `mask`, or
  /// appends a new item. With `save`, stores the written form as the
  /// "Redirection" topic of the process's settings file and updates it.
  void update_redirection(const char *mask, const char *directories, bool save);

  void delete_variable_definitions();
  RedirectionFileVariables *get_vars() { return Variables; }
  const RedirectionFileVariables *get_vars() const { return Variables; }
  /// Item i, unchecked.
  const RedirectionItem &at(long i) const {
    return *static_cast<const RedirectionItem *>(GCollection::at(i));
  }

protected:
  /// The written form (see the top of this file).
  GString INI_File_string() const;
  void freeItem(void *p) override;

private:
  class Loader;
  /// Applies the folder list `directories` to every mask of `masks`.
  void applyDirectories(const std::vector<GString> &masks, const GString &directories);
  RedirectionItem *matchedItem(const char *name);
  /// `text` with the variables (and environment values) it names put in.
  GString substitute(const GString &text) const;

  RedirectionFileVariables *Variables;
};

#endif // VYX_RESOURCES_REDIRECTION_H
