//===- regex_fuzz.cpp - Fuzz target for RegularExpression ----------------===//
//
// Input: a pattern up to the first NUL byte, then the text to search (which
// may hold NUL bytes itself). Every pattern must compile or be refused,
// every search must end within the matcher's step budget, and every match
// must lie inside the text.
//
//===----------------------------------------------------------------------===//

#include "strings/regular_expression.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const char *bytes = reinterpret_cast<const char *>(data);
  const char *nul = static_cast<const char *>(std::memchr(bytes, 0, size));
  std::string pattern(bytes, nul ? static_cast<size_t>(nul - bytes) : size);
  std::string text = nul ? std::string(nul + 1, bytes + size) : std::string();

  RegularExpression re(pattern.c_str());
  Check(re.code().length() <= RegularExpression::MaxCodeLength);
  Check(RegularExpression::IsIt(pattern.c_str()) ==
        (pattern.find_first_of("?*+.[]^$\\()|") != std::string::npos));

  // The whole text, NUL bytes included.
  std::size_t start = 0, length = 0;
  if (re.find(text.data(), text.size(), 0, start, length))
    Check(re.isValid() && start < text.size() && length <= text.size() - start);

  // The text up to its first NUL, as the C-string interface sees it.
  int first = -1, count = -1;
  if (re.index(text.c_str(), first, count)) {
    Check(first >= 0 && count >= 0);
    Check(static_cast<size_t>(first) + static_cast<size_t>(count) <= std::strlen(text.c_str()));
  } else {
    Check(first == 0 && count == 0);
  }

  RegularExpression copy(re);
  Check((copy == text.c_str()) == (re == text.c_str()));

  GString once(text.c_str());
  int replaced = re.replace_substring(once, "<>", false);
  Check(replaced >= -1 && replaced <= static_cast<int>(std::strlen(text.c_str())));
  GString every(text.c_str());
  re.replace_substring(every, "", true);
  GString grown(text.c_str());
  re.replace_substring(grown, "[x]", true);
  return 0;
}
