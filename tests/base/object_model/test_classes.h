//===- test_classes.h - Run-time classes shared by the tests ----*- C++ -*-===//
//
// A small class tree declared with the library's macros:
//
//   GObject <- TestAnimal (abstract) <- TestDog <- TestPuppy
//   GRTTIObject <- TestNamed
//   TestDog, TestNamed <- TestRoboDog        (two direct bases)
//   TestRoboDog <- TestRoboPuppy
//
// plus the alias "TestAncientDog" for TestDog. Every object counts itself in
// TestAnimal::Live so that tests see leaks and double destruction.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_TESTS_OBJECT_MODEL_TEST_CLASSES_H
#define VYX_TESTS_OBJECT_MODEL_TEST_CLASSES_H

#include "object_model/gobject.h"
#include "platform/module_handle.h"

#include <atomic>

/// The handle variable of the test program's module.
extern HINSTANCE TestModuleHandle;
/// Text 7 of the test module's table.
extern const char *const kTestModuleText7;

class TestAnimal : public GObject {
  VYX_DECLARE_CLASS(TestAnimal);
  TestAnimal() { ++Live; }
  TestAnimal(const TestAnimal &other) : GObject(other) { ++Live; }
  TestAnimal &operator=(const TestAnimal &) = default;
  ~TestAnimal() override { --Live; }
  virtual int legs() const = 0;

  static std::atomic<int> Live;
};

class TestDog : public TestAnimal {
  VYX_DECLARE_CLASS(TestDog);
  int legs() const override { return 4; }
  int Bark = 1;
};

class TestPuppy : public TestDog {
  VYX_DECLARE_CLASS(TestPuppy);
  int Age = 0;
};

class TestNamed : public GRTTIObject {
  VYX_DECLARE_CLASS(TestNamed);
  const char *Label = "named";
};

class TestRoboDog : public TestDog, public TestNamed {
  VYX_DECLARE_CLASS(TestRoboDog);
  double Battery = 1.0;
};

/// Derives from a class with two GRTTIObject bases.
class TestRoboPuppy : public TestRoboDog {
  VYX_DECLARE_CLASS(TestRoboPuppy);
};

#endif // VYX_TESTS_OBJECT_MODEL_TEST_CLASSES_H
