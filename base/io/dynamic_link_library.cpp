//===- dynamic_link_library.cpp - Dynamically loaded modules -------------===//

#include "io/dynamic_link_library.h"

#include "io/native_path.h"
#include "platform/dynamic_loader.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

/// The module record behind a handle: the record itself, and the storage
/// its name and text table point into.
struct GDynamicLinkLibrary::Record {
  vyx::Module Module{};
  std::string Name;
  std::vector<vyx::NumberedText> Texts;
};

namespace {

/// A module's table, bounded and sorted by id (the handle looks texts up
/// by binary search, and the module's own order is not trusted).
std::vector<vyx::NumberedText> textTable(void *native) {
  const auto *table = static_cast<const vyx::NumberedText *>(
      vyx::FindSharedObjectSymbol(native, GDynamicLinkLibrary::TextTableSymbol));
  const auto *count = static_cast<const std::size_t *>(
      vyx::FindSharedObjectSymbol(native, GDynamicLinkLibrary::TextCountSymbol));
  std::vector<vyx::NumberedText> texts;
  if (!table || !count)
    return texts;
  constexpr std::size_t MaxTexts = 1 << 20;
  std::size_t n = std::min(*count, MaxTexts);
  for (std::size_t i = 0; i < n; ++i)
    if (table[i].Text)
      texts.push_back(table[i]);
  std::stable_sort(
      texts.begin(), texts.end(),
      [](const vyx::NumberedText &a, const vyx::NumberedText &b) { return a.Id < b.Id; });
  return texts;
}

} // namespace

GDynamicLinkLibrary::GDynamicLinkLibrary(const char *name, int flags) { load(name, flags); }

GDynamicLinkLibrary::GDynamicLinkLibrary(GDynamicLinkLibrary &&other) noexcept
    : Handle(other.Handle), Loaded(std::move(other.Loaded)) {
  other.Handle = nullptr;
}

GDynamicLinkLibrary &GDynamicLinkLibrary::operator=(GDynamicLinkLibrary &&other) noexcept {
  if (this != &other) {
    unload();
    Handle = other.Handle;
    Loaded = std::move(other.Loaded);
    other.Handle = nullptr;
  }
  return *this;
}

GDynamicLinkLibrary::~GDynamicLinkLibrary() { unload(); }

bool GDynamicLinkLibrary::load(const char *name, int flags) {
  unload();
  if (!name || !*name)
    return false;
  std::string path;
  if (!vyx::NativePath(name, path))
    return false;
  void *native = vyx::LoadSharedObject(path.c_str(), flags);
  if (!native)
    return false;
  auto record = std::make_unique<Record>();
  record->Name = path;
  record->Texts = textTable(native);
  record->Module.Name = record->Name.c_str();
  record->Module.Texts = record->Texts.empty() ? nullptr : record->Texts.data();
  record->Module.Count = record->Texts.size();
  record->Module.Native = native;
  Loaded = std::move(record);
  Handle = &Loaded->Module;
  return true;
}

void GDynamicLinkLibrary::unload() {
  if (Loaded)
    vyx::UnloadSharedObject(Loaded->Module.Native);
  Loaded.reset();
  Handle = nullptr;
}

GString GDynamicLinkLibrary::get_name() const {
  if (!Loaded)
    return GString();
  std::string full = vyx::SharedObjectPath(Loaded->Module.Native);
  return GString(full.c_str());
}

void *GDynamicLinkLibrary::find_symbol(const char *symbol) const {
  return Loaded ? vyx::FindSharedObjectSymbol(Loaded->Module.Native, symbol) : nullptr;
}
