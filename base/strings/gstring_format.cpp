//===- gstring_format.cpp - Formatting and numbered texts of GString ------===//
//
// printf-style formatting, loading numbered texts (through the registered
// string loaders or a module's table), and the free functions gnewstr and
// gstr2d.
//
//===----------------------------------------------------------------------===//

#include "strings/gstring.h"

#include "object_model/exceptions.h"

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <utility>

namespace {

/// Counts at or above this are failures of the loader, not lengths.
constexpr unsigned LoaderFailure = 0x80000000u;
/// Size of the first buffer a loader gets; longer texts are loaded into
/// buffers growing by the same step.
constexpr unsigned LoadStep = 256;

// The string-loader list --------------------------------------------------------
//
// Constant initialised, so libraries may register loaders from their own
// static initialisation whatever the order; freed when the library unloads.

struct LoaderEntry {
  GString::LoadStringFunc Loader;
  void *User;
};

struct LoaderList {
  LoaderEntry *Items = nullptr;
  unsigned Count = 0;
  unsigned Capacity = 0;

  ~LoaderList() {
    std::free(Items);
    Items = nullptr;
    Count = Capacity = 0;
  }
};

constinit LoaderList Loaders;

/// Walks the registered loaders, newest first; the first that knows the text
/// ends the walk.
unsigned loadFromList(unsigned id, char *buffer, unsigned size, void *) {
  for (unsigned i = Loaders.Count; i-- > 0;) {
    unsigned count = Loaders.Items[i].Loader(id, buffer, size, Loaders.Items[i].User);
    if (count)
      return count;
  }
  if (size)
    buffer[0] = '\0';
  return 0;
}

unsigned loadFromModule(unsigned id, char *buffer, unsigned size, void *module) {
  return vyx::LoadNumberedText(static_cast<HINSTANCE>(module), id, buffer, size);
}

} // namespace

void GString::AddLoadStringFunc(LoadStringFunc loader, void *user) {
  if (!loader)
    return;
  if (Loaders.Count == Loaders.Capacity) {
    unsigned capacity = Loaders.Capacity + 4;
    void *items = std::realloc(Loaders.Items, capacity * sizeof(LoaderEntry));
    if (!items)
      throw OutOfMemory_Exception();
    Loaders.Items = static_cast<LoaderEntry *>(items);
    Loaders.Capacity = capacity;
  }
  Loaders.Items[Loaders.Count++] = {loader, user};
}

// Loading a text: first into a local buffer; a count that says the text may
// have been cut (size - 1 or size - 2) retries with larger buffers. A count
// of LoaderFailure or more is a failure (empty, false). A count beyond the
// buffer comes from a loader that overstates: the text is taken as it stands
// in the buffer, cut to size - 1 characters and always terminated.
bool GString::load_text(unsigned int (*loader)(unsigned int, char *, unsigned int, void *),
                        unsigned int id, void *context) {
  empty();
  char local[LoadStep];
  local[0] = '\0';
  unsigned count = loader(id, local, LoadStep, context);
  if (count >= LoaderFailure)
    return false;
  local[LoadStep - 1] = '\0';
  if (count >= LoadStep) { // overstated: take what the buffer holds
    *this = local;
    return !isEmpty();
  }
  if (LoadStep - count > 2) {
    *this = local;
    return count > 0;
  }
  for (unsigned size = 2 * LoadStep;; size += LoadStep) {
    char *buffer = getBuffer(size);
    buffer[0] = '\0';
    unsigned got = loader(id, buffer, size, context);
    if (got >= LoaderFailure) {
      empty();
      return false;
    }
    if (got >= size) { // overstated: take what the buffer holds
      buffer[size - 1] = '\0';
      releaseBuffer();
      return !isEmpty();
    }
    if (size - got > 2) {
      releaseBuffer(got);
      return got > 0;
    }
  }
}

bool GString::loadString(unsigned int id) { return load_text(loadFromList, id, nullptr); }

bool GString::loadString(HINSTANCE module, unsigned int id) {
  return load_text(loadFromModule, id, module);
}

// Formatting ------------------------------------------------------------------------
//
// The text is formatted into a separate buffer (the arguments may point into
// this string) sized to the whole result, however long.

GString &GString::vformat(const char *fmt, va_list args) {
  if (!fmt) {
    empty();
    return *this;
  }
  char local[512];
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(local, sizeof local, fmt, copy);
  va_end(copy);
  if (n <= 0) { // empty result or an output error
    empty();
  } else if (static_cast<unsigned>(n) < sizeof local) {
    assign_buffer(local, static_cast<unsigned>(n));
  } else {
    GString result;
    result.allocate_buffer(static_cast<unsigned>(n), false);
    std::vsnprintf(result.Text, static_cast<std::size_t>(n) + 1, fmt, args);
    result.set_length(static_cast<unsigned>(n));
    *this = std::move(result);
  }
  return *this;
}

GString &GString::vformat(unsigned int id, va_list args) {
  GString fmt;
  if (fmt.loadString(id))
    vformat(fmt.c_str(), args);
  else
    empty();
  return *this;
}

GString &GString::vformat(HINSTANCE module, unsigned int id, va_list args) {
  GString fmt;
  if (fmt.loadString(module, id))
    vformat(fmt.c_str(), args);
  else
    empty();
  return *this;
}

GString &GString::format(const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  vformat(fmt, args);
  va_end(args);
  return *this;
}

GString &GString::format(unsigned int id, ...) {
  va_list args;
  va_start(args, id);
  vformat(id, args);
  va_end(args);
  return *this;
}

GString &GString::format(HINSTANCE module, unsigned int id, ...) {
  va_list args;
  va_start(args, id);
  vformat(module, id, args);
  va_end(args);
  return *this;
}

GString GString::Format(const char *fmt, ...) {
  GString r;
  va_list args;
  va_start(args, fmt);
  r.vformat(fmt, args);
  va_end(args);
  return r;
}

GString GString::Format(unsigned int id, ...) {
  GString r;
  va_list args;
  va_start(args, id);
  r.vformat(id, args);
  va_end(args);
  return r;
}

GString GString::Format(HINSTANCE module, unsigned int id, ...) {
  GString r;
  va_list args;
  va_start(args, id);
  r.vformat(module, id, args);
  va_end(args);
  return r;
}

// Free functions ------------------------------------------------------------------------

char *gnewstr(const char *s) {
  if (!s)
    return nullptr;
  std::size_t size = std::strlen(s) + 1;
  auto *copy = static_cast<char *>(std::malloc(size));
  if (copy)
    std::memcpy(copy, s, size);
  return copy;
}

namespace {
/// The "C" numeric locale, made once and kept for the life of the process;
/// null when it cannot be made.
locale_t classicNumericLocale() {
  static const locale_t c = newlocale(LC_NUMERIC_MASK, "C", locale_t(0));
  return c;
}
} // namespace

// strtod in the current locale; a text that stopped at its first '.' under a
// locale whose decimal point is not '.' is parsed again in the "C" locale,
// which is a fixed locale object: the process locale is never switched.
double gstr2d(const char *text, char **end) {
  char *stop = nullptr;
  double value = std::strtod(text, &stop);
  const char *point = std::localeconv()->decimal_point;
  if (*stop == '.' && std::strcmp(point ? point : ".", ".") != 0 &&
      std::strchr(text, '.') == stop) {
    if (locale_t c = classicNumericLocale()) {
      char *stopC = nullptr;
      double valueC = strtod_l(text, &stopC, c);
      if (stopC > stop) {
        value = valueC;
        stop = stopC;
      }
    }
  }
  if (end)
    *end = stop;
  return value;
}
