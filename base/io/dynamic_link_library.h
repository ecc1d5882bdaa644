//===- dynamic_link_library.h - Dynamically loaded modules ------*- C++ -*-===//
//
// GDynamicLinkLibrary loads a module by file name, unloads it when it is
// destroyed or reloaded, converts to the module handle of the library's
// numbered texts, and reports the module's full file name.
//
// A module may carry a table of numbered texts: it exports
//
//   extern "C" const vyx::NumberedText vyx_numbered_texts[];
//   extern "C" const std::size_t vyx_numbered_text_count;
//
// and GString(module, id) then finds its texts through the handle.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_IO_DYNAMIC_LINK_LIBRARY_H
#define VYX_IO_DYNAMIC_LINK_LIBRARY_H

#include "platform/module_handle.h"
#include "strings/gstring.h"
#include "vyx_base_export.h"

#include <memory>

/// A handle on one dynamically loaded module. Not copyable (each object
/// releases its own load once); movable.
class VYX_BASE_API GDynamicLinkLibrary {
public:
  /// The names of the exported table of numbered texts.
  static constexpr const char *TextTableSymbol = "vyx_numbered_texts";
  static constexpr const char *TextCountSymbol = "vyx_numbered_text_count";

  GDynamicLinkLibrary(const char *name = nullptr, int flags = 0);
  GDynamicLinkLibrary(const GDynamicLinkLibrary &) = delete;
  GDynamicLinkLibrary &operator=(const GDynamicLinkLibrary &) = delete;
  GDynamicLinkLibrary(GDynamicLinkLibrary &&other) noexcept;
  GDynamicLinkLibrary &operator=(GDynamicLinkLibrary &&other) noexcept;
  ~GDynamicLinkLibrary();

  /// Unloads, then loads the module named `name` (the library's file-name
  /// syntax; a name without a folder is searched as the loader does) with
  /// the loader's flags. A null name loads nothing. True when loaded.
  bool load(const char *name, int flags = 0);
  void unload();
  bool loaded() const { return Handle != nullptr; }
  operator HINSTANCE() const { return Handle; }
  /// The module's full path; empty when nothing is loaded.
  GString get_name() const;
  /// The address of an exported symbol of the module, or null.
  void *find_symbol(const char *symbol) const;

private:
  struct Record;
  HINSTANCE Handle = nullptr;
  std::unique_ptr<Record> Loaded;
};

#endif // VYX_IO_DYNAMIC_LINK_LIBRARY_H
