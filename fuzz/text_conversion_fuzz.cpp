//===- text_conversion_fuzz.cpp - Narrow <-> 16-bit conversion on any bytes -===//
//
// Input: any bytes, read both as narrow text and as 16-bit units (little
// endian pairs). Checks that every conversion stays inside the buffer it was
// sized for, that valid UTF-8 survives a round trip, and that GString built
// from the 16-bit form holds exactly the converted bytes.
//
//===----------------------------------------------------------------------===//

#include "strings/gstring.h"
#include "strings/text_conversion.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  const char *narrow = reinterpret_cast<const char *>(data);
  std::size_t units = vyx::NarrowToUtf16(narrow, size, static_cast<char16_t *>(nullptr));
  std::vector<char16_t> wide(units + 1, u'\0');
  if (vyx::NarrowToUtf16(narrow, size, wide.data()) != units)
    std::abort();
  std::size_t bytes = vyx::Utf16ToNarrow(wide.data(), units, nullptr);
  if (bytes == vyx::TextConversionError)
    std::abort(); // decoded text never holds an unpaired surrogate
  std::vector<char> back(bytes + 1);
  if (vyx::Utf16ToNarrow(wide.data(), units, back.data()) != bytes)
    std::abort();
  if (vyx::IsValidUtf8(narrow, size) &&
      (bytes != size || std::memcmp(back.data(), narrow, size) != 0))
    std::abort();

  // The bytes as 16-bit units, up to the first 0 unit, through GString.
  std::vector<unsigned short> raw(size / 2 + 1, 0);
  for (std::size_t i = 0; i + 1 < size; i += 2)
    raw[i / 2] = static_cast<unsigned short>(data[i] | (data[i + 1] << 8));
  GString s(raw.data());
  std::size_t n = vyx::Utf16Length(raw.data());
  std::size_t expected = vyx::Utf16ToNarrow(raw.data(), n, nullptr);
  if (expected == vyx::TextConversionError)
    expected = 0;
  if (s.length() != expected || std::strlen(s.c_str()) > expected)
    std::abort();
  return 0;
}
