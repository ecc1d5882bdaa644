//===- test_classes.cpp - Run-time classes shared by the tests -----------===//

#include "test_classes.h"

namespace {
const vyx::NumberedText TestTexts[] = {{7, "seven from the test module"}};
vyx::Module TestModule = {"object_model_tests", TestTexts, 1, nullptr};
} // namespace

HINSTANCE TestModuleHandle = &TestModule;
const char *const kTestModuleText7 = "seven from the test module";

std::atomic<int> TestAnimal::Live{0};

VYX_IMPLEMENT_ABSTRACT_CLASS(TestAnimal, "TestAnimal", &TestModuleHandle, GObject)
VYX_IMPLEMENT_CLASS(TestDog, "TestDog", &TestModuleHandle, TestAnimal)
VYX_IMPLEMENT_CLASS(TestPuppy, "TestPuppy", &TestModuleHandle, TestDog)
VYX_IMPLEMENT_CLASS(TestNamed, "TestNamed", &TestModuleHandle, GRTTIObject)
VYX_IMPLEMENT_CLASS(TestRoboDog, "TestRoboDog", &TestModuleHandle, TestDog, TestNamed)
VYX_IMPLEMENT_CLASS(TestRoboPuppy, "TestRoboPuppy", &TestModuleHandle, TestRoboDog)
VYX_IMPLEMENT_ALIAS(TestDog, "TestAncientDog");
