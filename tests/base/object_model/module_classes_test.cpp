//===- module_classes_test.cpp - Classes of a loaded module --------------===//
//
// A module's classes are in the registry exactly while the module is
// loaded; their objects load texts from the module's own table.

#include "io/dynamic_link_library.h"
#include "object_model/metaclass.h"
#include "object_model/rtti_object.h"
#include "strings/gstring.h"

#include <gtest/gtest.h>

namespace {

TEST(ModuleClasses, RegisteredWhileTheModuleIsLoaded) {
  const char *name = "VyxTestModuleWidget";
  ASSERT_EQ(nullptr, GMetaClass::FindByName(name));
  long before = GMetaClass::GetCount();
  {
    GDynamicLinkLibrary module(VYX_CLASS_MODULE_PATH);
    ASSERT_TRUE(module.loaded());
    const GMetaClass *m = GMetaClass::FindByName(name);
    ASSERT_NE(nullptr, m);
    EXPECT_EQ(before + 1, GMetaClass::GetCount());
    EXPECT_TRUE(m->isKindOf(GRTTIObject::metaclass_));

    GRTTIObject *widget = GMetaClass::BuildByName(name);
    ASSERT_NE(nullptr, widget);
    EXPECT_STREQ(name, widget->getClassName());
    GString text;
    EXPECT_TRUE(widget->load_string(text, 1));
    EXPECT_EQ(text, "widget text");
    EXPECT_FALSE(widget->load_string(text, 2));
    widget->destroyThis();
  }
  EXPECT_EQ(nullptr, GMetaClass::FindByName(name)) << "unloading unregisters the module's classes";
  EXPECT_EQ(before, GMetaClass::GetCount());
}

} // namespace
