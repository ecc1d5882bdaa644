//===- gfile.h - File names -------------------------------------*- C++ -*-===//
//
// GFile is the library's file name: a GString with path operations. The
// syntax is the library's own on every platform: the backslash separates
// folders, "C:" names a drive, "*" and "?" are wildcards, "." and ".." the
// current and parent folder. Every forward slash given to a GFile becomes a
// backslash. Names meet the operating system only in native_path.h.
//
// The stored form of a name is a sequence of path tokens, so that it does
// not depend on the separator:
//
//   byte 1, then per item: 1 "\"  |  2 "."  |  3 "..\"  |  4 run of
//   ordinary characters (a GString record; a colon ends a run)  |  0 end
//
//===----------------------------------------------------------------------===//
#ifndef VYX_IO_GFILE_H
#define VYX_IO_GFILE_H

#include "strings/gstring.h"
#include "vyx_base_export.h"

#include <vector>

class opstream;
class ipstream;

/// A file name with path operations.
class VYX_BASE_API GFile : public GString {
public:
  enum DriveType : int32_t {
    DRIVE_OTHER = 0,
    DRIVE_REMOVABLE = 1,
    DRIVE_FIXED = 2,
    DRIVE_REMOTE = 3,
    DRIVE_OPTICAL = 4,
    DRIVE_RAMDISK = 5,
  };

  GFile() = default;
  GFile(const char *name);
  GFile(const GString &name);
  GFile(const GFile &other) = default;
  GFile &operator=(const char *name);
  GFile &operator=(const GString &name);
  GFile &operator=(const GFile &other) = default;

  /// Case-insensitive comparison (ASCII letters folded); <0, 0, >0.
  int compare(const char *name) const;
  /// True when both names, made absolute, are the same (case-sensitive, as
  /// the file system is).
  bool equals_to(const char *name) const;

  /// The name holds none of "<", ">", "|".
  bool valid() const;
  /// The name holds "*" or "?".
  bool isMask() const;
  /// Non-empty, not a mask, and the file or folder exists.
  bool exists() const;
  /// Not a mask and names an existing folder (trailing separators ignored,
  /// but a root stays a root).
  bool isDirectory() const;
  /// Exactly a letter and a colon, naming a drive that exists.
  bool isDrive() const;
  /// Empty, or neither starting with a backslash nor with a drive.
  bool isRelativePath() const;

  /// The text after the last "."; empty without one or when a backslash
  /// follows it.
  GString get_extension() const;
  /// The text after the last backslash; without one, after the first colon.
  GFile get_name() const;
  GFile get_directory() const;
  GFile get_drive() const;

  GFile &just_extension();
  GFile &just_name();
  /// Cuts at the last backslash (excluded); without one keeps the drive
  /// ("C:"); otherwise empty.
  GFile &just_directory();
  /// Keeps up to and including the first colon; otherwise empty.
  GFile &just_drive();

  GFile &add_extension(const char *extension);
  GFile &remove_extension();
  GFile &replace_extension(const char *extension);
  /// Appends a name, with a backslash between where none is.
  GFile &add_name(const char *name);
  GFile &replace_name(const char *name);

  /// The absolute form: relative names are taken against the current
  /// folder, "." and ".." are resolved in the text (no links are followed).
  /// An empty name becomes the current folder followed by a backslash.
  GFile &expand();
  /// The form relative to `base` (a folder, or a file whose folder is
  /// taken); stays absolute when the drives differ.
  GFile &shrink(const char *base);
  GFile &shrink();
  /// A file that does not exist is looked for under its bare name through
  /// the installed redirection (see vyx::SetFileRedirector).
  GFile &redirect();

private:
  void normalise();
};

/// The stored form (path tokens; the name runs as GString records).
VYX_BASE_API opstream &operator<<(opstream &os, const GFile &file);
VYX_BASE_API ipstream &operator>>(ipstream &is, GFile &file);

namespace vyx {

/// The tokens of the stored form of a name.
enum PathToken : unsigned char {
  PathEnd = 0,
  PathSeparator = 1, ///< "\" (also the leading byte of the stored form)
  PathDot = 2,       ///< "."
  PathParent = 3,    ///< "..\"
  PathRun = 4,       ///< a run of ordinary characters follows
};

/// One item of the stored form: a token, and for PathRun its text.
struct PathTokenItem {
  unsigned char Token;
  GString Run;
};

/// The items of the stored form of `path` after the leading byte 1, ending
/// with PathEnd. A ".." is one token only where it starts a component and a
/// separator follows; ".\" is dropped only at the start of a component.
VYX_BASE_API std::vector<PathTokenItem> EncodePathTokens(const char *path);

/// Where the tokens of a stored name come from.
class VYX_BASE_API PathTokenSource {
public:
  virtual ~PathTokenSource();
  /// The next token byte, or -1 at the end of the data.
  virtual int readToken() = 0;
  /// The run that follows a PathRun token.
  virtual GString readRun() = 0;
};

/// Rebuilds a name from its tokens (the leading byte already consumed), up
/// to PathEnd. Throws GFileReadError_Exception for an unknown token or when
/// the data ends first.
VYX_BASE_API GFile DecodePathTokens(PathTokenSource &source);

/// The redirection of bare file names (installed by the file pstreams):
/// returns the name to use for `name`.
using FileRedirector = GString (*)(const char *name, unsigned char check);

/// Installs the redirection GFile::redirect uses; returns the previous one.
/// Without one, names stay as they are.
VYX_BASE_API FileRedirector SetFileRedirector(FileRedirector redirector);

} // namespace vyx

#endif // VYX_IO_GFILE_H
