//===- fuzz_check.h - The check of the fuzz targets -------------*- C++ -*-===//
//
// FUZZ_CHECK stops the fuzzer with a crash report when a property that must
// hold for any input does not.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_FUZZ_CHECK_H
#define VYX_FUZZ_CHECK_H

#define FUZZ_CHECK(cond)                                                                           \
  do {                                                                                             \
    if (!(cond))                                                                                   \
      __builtin_trap();                                                                            \
  } while (0)

#endif // VYX_FUZZ_CHECK_H
