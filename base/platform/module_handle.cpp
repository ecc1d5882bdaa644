//===- module_handle.cpp - Numbered texts of modules ---------------------===//

#include "platform/module_handle.h"

#include <algorithm>
#include <cstring>

namespace vyx {

const char *FindNumberedText(HINSTANCE module, unsigned id) {
  if (!module || !module->Texts)
    return nullptr;
  const NumberedText *begin = module->Texts;
  const NumberedText *end = begin + module->Count;
  const NumberedText *it = std::lower_bound(
      begin, end, id, [](const NumberedText &t, unsigned key) { return t.Id < key; });
  if (it == end || it->Id != id)
    return nullptr;
  return it->Text;
}

unsigned LoadNumberedText(HINSTANCE module, unsigned id, char *buffer, unsigned size) {
  if (!buffer || size == 0)
    return 0;
  buffer[0] = '\0';
  const char *text = FindNumberedText(module, id);
  if (!text)
    return 0;
  std::size_t n = std::min<std::size_t>(std::strlen(text), size - 1);
  std::memcpy(buffer, text, n);
  buffer[n] = '\0';
  return static_cast<unsigned>(n);
}

} // namespace vyx
