//===- compressed_pstream.h - Pstreams on compressed files ------*- C++ -*-===//
//
// Compressed pstreams write and read the pstream format through the Flate
// device (io/flate_io.h): izpstream reads, ozpstream writes, zpstream does
// both. The file is exactly the Flate device's output for the pstream bytes;
// there is no header or trailer of their own.
//
// Device chain, all owned by zpbase:
//
//   GFlateBufferedIO  (compressing layer, speed 4 until opened)
//     GHuffmanBufferedIO
//       GBufferedIO   (4096 bytes)
//         GFileIO
//
// The stream is bound to the Flate device (compressed mode, after
// construction) or straight to the 4096-byte buffered device (plain mode).
// Switching at any point lets one file mix plain and compressed stretches:
//
//   ozpstream out("scene.vyz", fpbase::trunc);
//   out << header;          // compressed
//   long at = out.turn_to_norm();  // ends the compressed stretch (end tag)
//   out << index;           // plain bytes from file position `at`
//   out.turn_to_comp(true); // a new compressed stretch starts
//
// A reader makes the same switches at the same places and gets the same
// positions back. Switching keeps the failure bits (2 and 4) of the stream
// and turns a failure of the device left behind into them, so a full disk
// met anywhere stays visible until close(), and close() reports it too.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PSTREAMS_COMPRESSED_PSTREAM_H
#define VYX_PSTREAMS_COMPRESSED_PSTREAM_H

#include "io/file_io.h"
#include "io/flate_io.h"
#include "pstreams/file_pstream.h"
#include "pstreams/pstream.h"
#include "vyx_base_export.h"

/// The device chain of compressed pstreams and the switch between
/// compressed and plain transfer.
class VYX_BASE_API zpbase : public virtual pstream {
public:
  /// The compression speed of a stream not yet opened.
  static constexpr unsigned short DefaultSpeed = 4;

  /// Closed, compressed mode.
  zpbase();
  /// Opens with ios-style bits (fpbase::OpenBits, see open).
  zpbase(const char *file, int mode, unsigned short speed);
  zpbase(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
         GFileIO::IOShareMode share, unsigned short speed);
  /// Ends a compressed stretch being written, flushes and closes the file.
  ~zpbase() override;

  /// Opens the file, its name passed through the redirection of file
  /// pstreams (fpbase::redirected_name). An open stream is left alone and
  /// gets bit 2. Success clears the state; failure sets it to bit 4. The
  /// speed (1 fastest .. 9 smallest; 0 means 1, above 9 means 9) applies
  /// to the compressed stretches written from now on. The mode (compressed
  /// or plain) is kept.
  void open(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
            GFileIO::IOShareMode share, unsigned short speed);
  /// Opens with ios-style bits, sharing nothing. Bits 0x20 and 0x40 both
  /// set open nothing and leave the state as it is.
  void open(const char *file, int mode, unsigned short speed);
  /// Ends a compressed stretch being written, flushes and closes the file.
  /// The state becomes 0 unless written data was lost: a failed final flush
  /// sets bits 2 and 4, and a write failure met while the file was open
  /// (bit 4, also one carried across a switch) stays. Without a file bit 4
  /// is added.
  void close();
  /// The file device holds an open file.
  bool is_open() const;
  /// The open mode of the file device; 0 without one.
  int io_mode() const;
  /// The file device, or null before the first open.
  GFileIO *getFileIO() const;

  /// The stream is bound to the compressing layer.
  bool is_comp() const { return rdbuf() == &Flate; }
  /// Binds the stream to the compressing layer (`on`) or to the plain
  /// buffered device, unless it is already so bound, and returns the file
  /// position, -1 when it cannot be told. The position query flushes the
  /// chain: while writing it ends the compressed stretch with its end tag;
  /// while reading compressed data it skips what is left of the stretch,
  /// through its end tag. Bits 2 and 4 stay set across the switch (bit 1
  /// is dropped); a write error or damaged data met by the flush sets bits
  /// 2 and 4 (throwing, after the switch, when the mask asks for it).
  long turn_to_comp(bool on);
  long turn_to_norm() { return turn_to_comp(false); }

protected:
  /// Ends a compressed stretch being written, flushes, and cuts or extends
  /// the file at `size`.
  bool change_size(long size);
  /// Called when a file was opened: the object numbers of an earlier file
  /// mean nothing in this one.
  virtual void forgetObjects();

private:
  /// The 4096-byte buffered device above the file.
  GAbstractBufferedIO *plainDevice() const { return Flate.getBufferedIO(); }
  /// Reads and drops the rest of a compressed stretch being read.
  void skipCompressedRest();
  /// Replaces the state by some of its own bits without raising the
  /// exceptions they raised when they were set.
  void restate(int state);

  GFlateBufferedIO Flate;
};

/// Reads a compressed file.
class VYX_BASE_API izpstream : public zpbase, public ipstream {
public:
  /// The speed the int forms give a reader (it compresses nothing).
  static constexpr unsigned short ReaderSpeed = 3;

  izpstream();
  /// ios-style mode; bit 1 (in) is added. By default an existing file.
  izpstream(const char *file, int mode = fpbase::nocreate);
  izpstream(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
            GFileIO::IOShareMode share, unsigned short speed = ReaderSpeed);
  ~izpstream() override;

  using zpbase::open;
  /// ios-style mode; bit 1 (in) is added.
  void open(const char *file, int mode = fpbase::nocreate);

protected:
  void forgetObjects() override;
};

/// Writes a compressed file.
class VYX_BASE_API ozpstream : public zpbase, public opstream {
public:
  ozpstream();
  /// ios-style mode; bit 2 (out) is added. By default the file is created
  /// or emptied.
  ozpstream(const char *file, int mode = fpbase::trunc, unsigned short speed = DefaultSpeed);
  ozpstream(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
            GFileIO::IOShareMode share, unsigned short speed = DefaultSpeed);
  ~ozpstream() override;

  using zpbase::open;
  /// ios-style mode; bit 2 (out) is added.
  void open(const char *file, int mode = fpbase::trunc, unsigned short speed = DefaultSpeed);
  using zpbase::change_size;

protected:
  void forgetObjects() override;
};

/// Reads and writes a compressed file.
class VYX_BASE_API zpstream : public zpbase, public iopstream {
public:
  zpstream();
  /// ios-style mode, taken as it is.
  zpstream(const char *file, int mode, unsigned short speed = DefaultSpeed);
  zpstream(const char *file, GIO::IOOpenMode mode, GFileIO::IOCreateMode create,
           GFileIO::IOShareMode share, unsigned short speed = DefaultSpeed);
  ~zpstream() override;

  using zpbase::change_size;
  using zpbase::open;

protected:
  void forgetObjects() override;
};

#endif // VYX_PSTREAMS_COMPRESSED_PSTREAM_H
