//===- stream_check.h - Checks of values read from pstreams -----*- C++ -*-===//
//
// The one checking idiom of the container readers: every count, size or
// flag read from a stream passes through ReadCheck, which turns a value the
// format forbids into a read failure (state bit 2) and any failure into
// NonZeroPStreamState_Exception, so that no reader goes on with a dead
// stream or a hostile value.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CONTAINERS_STREAM_CHECK_H
#define VYX_CONTAINERS_STREAM_CHECK_H

#include "pstreams/pstream.h"

namespace vyx::detail {

/// Sets read failure when `valid` is false; throws
/// NonZeroPStreamState_Exception when the stream's state is then not 0.
inline void ReadCheck(ipstream &is, bool valid = true) {
  if (!valid)
    is.clear(is.rdstate() | pstream::failbit);
  is.checkState();
}

} // namespace vyx::detail

#endif // VYX_CONTAINERS_STREAM_CHECK_H
