//===- settings_file_fuzz.cpp - Arbitrary text as a settings file ---------===//
//
// The input is the text of a settings file. It is loaded, every topic and
// key is listed and read, a value is changed and a topic replaced, and the
// written form is loaded again: from the first rewrite on, writing and
// loading must give the same lines, except that a CR at the end of a line
// reads as part of the line end (one per round).
//
//===----------------------------------------------------------------------===//

#include "config/initialization_file.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

class Settings : public GInitializationFile {
public:
  Settings() : GInitializationFile("") {}
  std::string text() const {
    std::string out;
    for (long i = 0; i < getCount(); ++i) {
      out += at(i);
      out += '\n';
    }
    return out;
  }
  void load(const std::string &text) { loadText(text.data(), text.size()); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Settings settings;
  settings.load(std::string(reinterpret_cast<const char *>(data), size));

  GStringCollection topics(0, 4, 1), keys(0, 4, 1);
  settings.getTopicList(topics);
  for (long t = 0; t < topics.getCount() && t < 64; ++t) {
    settings.getKeyList(topics.at(t), keys);
    for (long k = 0; k < keys.getCount() && k < 64; ++k) {
      GString value;
      long number = 0;
      unsigned char flag = 0;
      if (!settings.getValue(topics.at(t), keys.at(k), value) ||
          !settings.getValue(topics.at(t), keys.at(k), number))
        __builtin_trap(); // a listed key must be found
      settings.getBoolean(topics.at(t), keys.at(k), flag);
    }
  }
  if (topics.getCount() > 0) {
    GString text;
    settings.getTopic(topics.at(0), text);
    settings.setValue(topics.at(0), "fuzz", "value\nwith a break");
    settings.setTopic(topics.at(topics.getCount() - 1), text.c_str());
    settings.removeKey(topics.at(0), "fuzz");
  }

  Settings again;
  again.load(settings.text());
  Settings third;
  third.load(again.text());
  if (third.getCount() != again.getCount())
    __builtin_trap();
  for (long i = 0; i < again.getCount(); ++i) {
    std::string before = again.at(i), after = third.at(i);
    if (before != after && before != after + "\r")
      __builtin_trap();
  }
  return 0;
}
