//===- module_handle.h - Module handles and numbered texts ------*- C++ -*-===//
//
// A module handle names one loaded module (a deliverable of this system, or a
// library loaded at run time). Each module carries a table of numbered texts,
// the counterpart of a string-table resource: messages are looked up in it by
// number.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PLATFORM_MODULE_HANDLE_H
#define VYX_PLATFORM_MODULE_HANDLE_H

#include "vyx_base_export.h"

#include <cstddef>

namespace vyx {

/// One numbered text of a module's table.
struct NumberedText {
  unsigned Id;
  const char *Text;
};

/// What a module handle points at: the module's name and its text table,
/// sorted by id. Tables are static data, so a handle needs no set-up.
struct Module {
  const char *Name;
  const NumberedText *Texts;
  std::size_t Count;
  void *Native; ///< dlopen handle for modules loaded at run time, else null
};

} // namespace vyx

/// The module handle type. A pointer to a distinct type (not void *), so that
/// overloads taking a handle never compete with those taking a text pointer.
using HINSTANCE = vyx::Module *;

namespace vyx {

/// VYX_BASE's own handle variable; its table holds the library's messages.
extern VYX_BASE_API HINSTANCE BaseModuleHandle;

/// Looks up text `id` of `module` and copies it into `buffer`: at most
/// size-1 characters followed by a NUL. Returns the number of characters
/// copied, 0 when the module or the text does not exist or the buffer has no
/// room (a buffer of size >= 1 is then set to "").
VYX_BASE_API unsigned LoadNumberedText(HINSTANCE module, unsigned id, char *buffer, unsigned size);

/// The text itself, or null when absent.
VYX_BASE_API const char *FindNumberedText(HINSTANCE module, unsigned id);

} // namespace vyx

#endif // VYX_PLATFORM_MODULE_HANDLE_H
