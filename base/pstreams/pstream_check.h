//===- pstream_check.h - The gate of values read from pstreams --*- C++ -*-===//
//
// Every stored value that decides what a reader does next passes through
// PSTREAM_CHECK, which throws the exception that names the fault when the
// value is unacceptable.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PSTREAMS_PSTREAM_CHECK_H
#define VYX_PSTREAMS_PSTREAM_CHECK_H

/// Throws `exception` unless `condition` holds.
#define PSTREAM_CHECK(condition, exception)                                                        \
  do {                                                                                             \
    if (!(condition))                                                                              \
      throw exception;                                                                             \
  } while (0)

#endif // VYX_PSTREAMS_PSTREAM_CHECK_H
