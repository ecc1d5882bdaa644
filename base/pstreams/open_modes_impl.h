//===- open_modes_impl.h - ios-style open modes of the file streams -*- C++ -*-===//
//
// The file pstreams and the compressed pstreams take ios-style open bits
// (1 in, 2 out, 0x10 truncate, 0x20 no create, 0x40 no replace) and map
// them to the modes of the file device:
//
//   bits & 3        2: IO_WRITE   3: IO_READWRITE   0, 1: IO_READ
//   0x10  bits & 0x60
//   no    0            IO_OPEN_ALWAYS
//   no    0x20         IO_OPEN_EXISTING
//   no    0x40         IO_CREATE_NEW
//   yes   0 or 0x20    IO_CREATE_ALWAYS
//   yes   0x40         IO_CREATE_NEW
//   any   0x60         nothing is opened
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PSTREAMS_OPEN_MODES_IMPL_H
#define VYX_PSTREAMS_OPEN_MODES_IMPL_H

#include "io/file_io.h"

namespace vyx::detail {

enum OpenBits : int {
  OpenIn = 1,
  OpenOut = 2,
  OpenTrunc = 0x10,
  NoCreate = 0x20,
  NoReplace = 0x40
};

struct FileOpenModes {
  GIO::IOOpenMode Open;
  GFileIO::IOCreateMode Create;
};

/// The device modes of ios-style bits; false when "no create" and "no
/// replace" are both asked for, which no file satisfies.
inline bool FileOpenModesOf(int bits, FileOpenModes &out) {
  int exclusive = bits & (NoCreate | NoReplace);
  if (exclusive == (NoCreate | NoReplace))
    return false;
  int direction = bits & (OpenIn | OpenOut);
  out.Open = direction == OpenOut              ? GIO::IO_WRITE
             : direction == (OpenIn | OpenOut) ? GIO::IO_READWRITE
                                               : GIO::IO_READ;
  if (exclusive == NoReplace)
    out.Create = GFileIO::IO_CREATE_NEW;
  else if (bits & OpenTrunc)
    out.Create = GFileIO::IO_CREATE_ALWAYS;
  else if (exclusive == NoCreate)
    out.Create = GFileIO::IO_OPEN_EXISTING;
  else
    out.Create = GFileIO::IO_OPEN_ALWAYS;
  return true;
}

} // namespace vyx::detail

#endif // VYX_PSTREAMS_OPEN_MODES_IMPL_H
