//===- class_module.cpp - A module that registers a run-time class --------===//
//
// Loaded by the tests to show that a module's classes are findable by name
// exactly while the module is loaded, and that objects of the class load
// their texts from the module's own table.

#include "object_model/rtti_object.h"
#include "platform/module_handle.h"

namespace {

const vyx::NumberedText Texts[] = {{1, "widget text"}};
vyx::Module ModuleRecord = {"class_module", Texts, 1, nullptr};
HINSTANCE ModuleHandle = &ModuleRecord;

/// The class this module registers.
class ModuleWidget : public GRTTIObject {
  VYX_DECLARE_CLASS(ModuleWidget);
};

} // namespace

VYX_IMPLEMENT_CLASS(ModuleWidget, "VyxTestModuleWidget", &ModuleHandle, GRTTIObject)
