//===- ascii.h - Locale-independent ASCII case folding ----------*- C++ -*-===//
//
// The library treats narrow text as single-byte text whose case mapping
// changes only the ASCII letters: bytes 0x80-0xFF (and so every byte of a
// UTF-8 sequence) are never mapped, whatever the process locale says.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_STRINGS_ASCII_H
#define VYX_STRINGS_ASCII_H

namespace vyx {

constexpr char AsciiToLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c; }
constexpr char AsciiToUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - ('a' - 'A')) : c; }

} // namespace vyx

#endif // VYX_STRINGS_ASCII_H
