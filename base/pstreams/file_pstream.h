//===- file_pstream.h - Pstreams on disk files ------------------*- C++ -*-===//
//
// File pstreams bind the pstream format to a disk file: ifpstream reads,
// ofpstream writes, fpstream does both. The file holds exactly the bytes the
// pstream writes; there is no framing. Their common part fpbase owns the
// device chain (a 4096-byte buffered device over a file device) and keeps
// the process-wide redirection file, which sends bare file names to the
// folders it lists (see resources/redirection.h): every file pstream that
// opens an existing file, and GFile::redirect, pass names through it.
//
// The int open modes are ios-style bits: 1 in, 2 out, 0x10 truncate, 0x20
// no create, 0x40 no replace.
//
//   ofpstream out("scene.vyx", 0x10);   // create or truncate
//   out << scene;
//   out.close();
//   if (!out.good()) ... the last bytes did not reach the file
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PSTREAMS_FILE_PSTREAM_H
#define VYX_PSTREAMS_FILE_PSTREAM_H

#include "io/buffered_io.h"
#include "io/file_io.h"
#include "pstreams/pstream.h"
#include "strings/gstring.h"
#include "vyx_base_export.h"

class RedirectionFile;

/// The device chain of file pstreams and the process-wide redirection.
class VYX_BASE_API fpbase : public virtual pstream {
public:
  /// The ios-style bits of the int open modes.
  enum OpenBits : int { in = 1, out = 2, trunc = 0x10, nocreate = 0x20, noreplace = 0x40 };

  /// Closed.
  fpbase();
  /// Opens with ios-style bits (see open).
  fpbase(const char *file, int mode);
  fpbase(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
         GFileIO::IOShareMode share);
  /// Flushes and closes the file.
  ~fpbase() override;

  /// Opens the file. An open stream is left alone and gets bit 2. A file
  /// opened as existing is looked for through the redirection when it is
  /// not there (GFile::redirect). Success clears the state; failure sets it
  /// to bit 4 (throwing when the exception mask asks for it).
  void open(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
            GFileIO::IOShareMode share);
  /// Opens with ios-style bits, sharing nothing. Bits 0x20 and 0x40 both
  /// set open nothing and leave the state as it is.
  void open(const char *file, int mode);
  /// Flushes the stream and closes the file. The state becomes 0, or bits 2
  /// and 4 when the last bytes could not be written or the close failed
  /// (the file may lack data); without a file bit 4 is added.
  void close();
  /// The file device holds an open file.
  bool is_open() const;
  /// The open mode of the file device; 0 without one.
  int io_mode() const;
  GBufferedIO *rdbuf() { return &Buffered; }

  /// Reads a redirection file and installs it; nothing for a null name.
  static void SetRedirectionFile(const char *file);
  /// Installs `file` (taking it over) and deletes the one installed
  /// before; null uninstalls.
  static void SetRedirectionFile(RedirectionFile *file);
  static RedirectionFile *GetRedirectionFile();
  /// The installed file's get_name(name, check); the name itself when
  /// none is installed (empty for null).
  static GString RedirectedName(const char *name, unsigned char check);
  static GString redirected_name(const char *name) { return RedirectedName(name, 1); }

protected:
  /// Cuts or extends the file at `size`.
  bool change_size(long size);
  /// Called when a file was opened: the object numbers of an earlier file
  /// mean nothing in this one.
  virtual void forgetObjects();

private:
  GFileIO *fileDevice() const;

  GBufferedIO Buffered;
};

/// Reads a file.
class VYX_BASE_API ifpstream : public fpbase, public ipstream {
public:
  ifpstream();
  /// ios-style mode; bit 1 (in) is added. By default an existing file.
  ifpstream(const char *file, int mode = nocreate);
  ifpstream(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
            GFileIO::IOShareMode share);
  ~ifpstream() override;

  using fpbase::open;
  /// ios-style mode; bit 1 (in) is added.
  void open(const char *file, int mode = nocreate);
  using fpbase::rdbuf;

protected:
  void forgetObjects() override;
};

/// Writes a file.
class VYX_BASE_API ofpstream : public fpbase, public opstream {
public:
  ofpstream();
  /// ios-style mode; bit 2 (out) is added. By default the file is created
  /// or emptied.
  ofpstream(const char *file, int mode = trunc);
  ofpstream(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
            GFileIO::IOShareMode share);
  ~ofpstream() override;

  using fpbase::open;
  /// ios-style mode; bit 2 (out) is added.
  void open(const char *file, int mode = trunc);
  using fpbase::change_size;
  using fpbase::rdbuf;

protected:
  void forgetObjects() override;
};

/// Reads and writes a file.
class VYX_BASE_API fpstream : public fpbase, public iopstream {
public:
  fpstream();
  /// ios-style mode, taken as it is.
  fpstream(const char *file, int mode);
  fpstream(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
           GFileIO::IOShareMode share);
  ~fpstream() override;

  using fpbase::change_size;
  using fpbase::open;
  using fpbase::rdbuf;

protected:
  void forgetObjects() override;
};

#endif // VYX_PSTREAMS_FILE_PSTREAM_H
