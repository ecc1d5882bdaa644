//===- type_info.cpp - Type identities of run-time classes ---------------===//
//
// The table behind GetDynamicTypeInfo lives on the heap from its first use
// until the class registry is deleted with the last registered class
// (ReleaseDynamicTypeInfos). Its anchor is constant initialised, so it works
// from any static initialiser of any module, in any order.
//
//===----------------------------------------------------------------------===//

#include "object_model/type_info.h"
#include "object_model/class_system.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace {

/// One dynamic identity: the copied name and the type_info naming it. Heap
/// allocated and never moved, so the name pointer stays valid.
struct DynamicType {
  explicit DynamicType(std::string_view name) : Text(name), Info(Text.c_str()) {}
  std::string Text;
  type_info Info;
};

using DynamicTable = std::unordered_map<std::string_view, std::unique_ptr<DynamicType>>;

constinit std::mutex TableLock;
constinit DynamicTable *Table = nullptr;

} // namespace

const type_info &type_info::GetDynamicTypeInfo(const char *name) {
  std::string_view key = name ? name : "";
  std::lock_guard<std::mutex> guard(TableLock);
  if (!Table)
    Table = new DynamicTable;
  auto found = Table->find(key);
  if (found != Table->end())
    return found->second->Info;
  auto entry = std::make_unique<DynamicType>(key);
  const type_info &info = entry->Info;
  std::string_view stored = entry->Text;
  Table->emplace(stored, std::move(entry));
  return info;
}

namespace vyx::detail {

void ReleaseDynamicTypeInfos() {
  std::lock_guard<std::mutex> guard(TableLock);
  delete Table;
  Table = nullptr;
}

} // namespace vyx::detail
