//===- rtti_object_test.cpp - Objects, casts and class identifiers -------===//

#include "object_model/class_id.h"
#include "object_model/exceptions.h"
#include "object_model/rtti_object.h"
#include "strings/gstring.h"
#include "test_classes.h"

#include <gtest/gtest.h>

#include <memory>
#include <type_traits>

namespace {

TEST(RTTIObject, CastAlongMultipleInheritanceAdjustsThePointer) {
  TestRoboDog robot;
  TestDog *asDog = &robot;
  TestNamed *asNamed = &robot;
  // The TestNamed part does not start where the object starts.
  ASSERT_NE(static_cast<void *>(asNamed), static_cast<void *>(&robot));

  EXPECT_EQ(robot.cast_to_(TestRoboDog::gTypeInfo_), &robot);
  EXPECT_EQ(robot.cast_to_(TestDog::gTypeInfo_), asDog);
  EXPECT_EQ(robot.cast_to_(TestNamed::gTypeInfo_), asNamed);
  EXPECT_EQ(robot.cast_to_(GObject::gTypeInfo_), static_cast<GObject *>(asDog));
  // GRTTIObject is met first through the first base.
  EXPECT_EQ(robot.cast_to_(GRTTIObject::gTypeInfo_), static_cast<GRTTIObject *>(asDog));
  EXPECT_EQ(robot.cast_to_(TestPuppy::gTypeInfo_), nullptr);

  // The same answers through either base's view of the object.
  GRTTIObject *viaNamed = asNamed;
  EXPECT_EQ(viaNamed->cast_to_(TestDog::gTypeInfo_), asDog);
  EXPECT_EQ(viaNamed->cast_to_(TestRoboDog::gTypeInfo_), &robot);
  EXPECT_EQ(&viaNamed->getMetaClass(), &TestRoboDog::metaclass_);
}

TEST(RTTIObject, TypedCasts) {
  TestRoboDog robot;
  TestDog *asDog = &robot;
  EXPECT_EQ(vyx::rtti_cast<TestNamed>(asDog), static_cast<TestNamed *>(&robot));
  EXPECT_EQ(vyx::rtti_cast<TestPuppy>(asDog), nullptr);
  EXPECT_EQ(vyx::rtti_cast<TestNamed>(static_cast<TestDog *>(nullptr)), nullptr);
  const TestDog *constDog = asDog;
  auto constNamed = vyx::rtti_cast<TestNamed>(constDog);
  static_assert(std::is_same_v<decltype(constNamed), const TestNamed *>);
  EXPECT_EQ(constNamed, static_cast<const TestNamed *>(&robot));

  TestNamed &named = vyx::rtti_cast<TestNamed>(*asDog);
  EXPECT_EQ(&named, static_cast<TestNamed *>(&robot));
  EXPECT_THROW(vyx::rtti_cast<TestPuppy>(*asDog), bad_cast);
  try {
    vyx::rtti_cast<TestPuppy>(*asDog);
  } catch (const GLibraryException &) {
    FAIL() << "bad_cast is not a library exception";
  } catch (const GException &) {
  }
}

TEST(RTTIObject, CheckPtrForTypesafeCast) {
  int value = 0;
  EXPECT_EQ(check_ptr_for_typesafe_cast_(&value), &value);
  EXPECT_THROW(check_ptr_for_typesafe_cast_(nullptr), bad_cast);
}

TEST(RTTIObject, KindAndClassQueries) {
  TestPuppy puppy;
  EXPECT_STREQ(puppy.getClassName(), "TestPuppy");
  EXPECT_EQ(&puppy.getTypeInfo_(), &TestPuppy::gTypeInfo_);
  EXPECT_TRUE(puppy.isKindOf(&TestAnimal::metaclass_));
  EXPECT_TRUE(puppy.isKindOf(&GRTTIObject::metaclass_));
  EXPECT_FALSE(puppy.isKindOf(&TestNamed::metaclass_));
  EXPECT_FALSE(puppy.isKindOf(static_cast<const GMetaClass *>(nullptr)));
  EXPECT_TRUE(puppy.isKindOf("TestDog"));
  EXPECT_TRUE(puppy.isKindOf("TestAncientDog")) << "an alias names its class";
  EXPECT_FALSE(puppy.isKindOf("TestRoboDog"));
  EXPECT_FALSE(puppy.isKindOf("NoSuchClass"));
  EXPECT_FALSE(puppy.isKindOf(static_cast<const char *>(nullptr)));

  TestDog dog;
  EXPECT_TRUE(dog.hasTheSameClassAs("TestAncientDog"));
  EXPECT_TRUE(dog.hasTheSameClassAs(&TestDog::metaclass_));
  EXPECT_FALSE(dog.hasTheSameClassAs(&TestAnimal::metaclass_));
  EXPECT_FALSE(dog.hasTheSameClassAs(static_cast<const GMetaClass *>(nullptr)));
  EXPECT_FALSE(dog.hasTheSameClassAs("NoSuchClass"));
  EXPECT_FALSE(dog.hasTheSameClassAs(&puppy));
  TestDog other;
  EXPECT_TRUE(dog.hasTheSameClassAs(&other));
  EXPECT_FALSE(dog.hasTheSameClassAs(static_cast<const GRTTIObject *>(nullptr)));
}

TEST(RTTIObject, DestroyThisUsesTheMetaClass) {
  GRTTIObject *robot = GMetaClass::BuildByName("TestRoboDog");
  ASSERT_NE(robot, nullptr);
  EXPECT_EQ(TestAnimal::Live.load(), 1);
  TestNamed *named = vyx::rtti_cast<TestNamed>(robot);
  ASSERT_NE(named, nullptr);
  // Destroyed through the second base's view: the virtual destructor finds
  // the whole object.
  named->destroyThis();
  EXPECT_EQ(TestAnimal::Live.load(), 0);
}

TEST(RTTIObject, BuildADescendantOfSeveralBases) {
  GRTTIObject *built = GMetaClass::BuildByName("TestRoboPuppy");
  ASSERT_NE(built, nullptr);
  auto *puppy = vyx::rtti_cast<TestRoboPuppy>(built);
  ASSERT_NE(puppy, nullptr);
  EXPECT_EQ(built, static_cast<GRTTIObject *>(static_cast<TestDog *>(puppy)));
  EXPECT_EQ(vyx::rtti_cast<TestNamed>(built), static_cast<TestNamed *>(puppy));
  EXPECT_TRUE(built->isKindOf("TestNamed"));
  TestRoboPuppy::metaclass_.destroyObject(built);
  EXPECT_EQ(TestAnimal::Live.load(), 0);
}

TEST(RTTIObject, ModuleAndItsTexts) {
  TestDog dog;
  EXPECT_EQ(dog.hinstance(), TestModuleHandle);
  GString text;
  EXPECT_TRUE(dog.load_string(text, 7));
  EXPECT_EQ(text, kTestModuleText7);
  EXPECT_FALSE(dog.load_string(text, 8));
  EXPECT_TRUE(text.isEmpty());
}

TEST(TypeInfo, IdentityIsTheObject) {
  static constinit const type_info a("Same"), b("Same");
  EXPECT_TRUE(a == a);
  EXPECT_FALSE(a == b) << "equal names do not make equal types";
  EXPECT_TRUE(a != b);
  EXPECT_NE(a.before(b), b.before(a));
  EXPECT_FALSE(a.before(a));
}

TEST(TypeInfo, DynamicTypeInfoIsOnePerName) {
  const type_info &first = type_info::GetDynamicTypeInfo("vyxDynamicName");
  std::string copy = "vyxDynamicName";
  const type_info &second = type_info::GetDynamicTypeInfo(copy.c_str());
  EXPECT_EQ(&first, &second);
  copy[0] = 'X'; // the table keeps its own copy of the name
  EXPECT_STREQ(first.name(), "vyxDynamicName");
  EXPECT_NE(&type_info::GetDynamicTypeInfo("vyxOtherName"), &first);
  EXPECT_EQ(&type_info::GetDynamicTypeInfo(nullptr), &type_info::GetDynamicTypeInfo(""));
  EXPECT_NE(&type_info::GetDynamicTypeInfo("TestDog"), &TestDog::gTypeInfo_);
}

TEST(ClassID, WordsAreThirtyTwoBits) {
  static_assert(std::is_same_v<decltype(GClassID().Low()), uint32_t>);
  EXPECT_TRUE(GClassID() == GClassID(0xFFFFFFFF, 0xFFFFFFFF));
  GClassID id(0x12345678, 0x9ABCDEF0);
  EXPECT_EQ(id.Low(), 0x12345678u);
  EXPECT_EQ(id.High(), 0x9ABCDEF0u);
  EXPECT_TRUE(id != GClassID());
  id.Low(1);
  id.High(2);
  EXPECT_TRUE(id == GClassID(1, 2));
  EXPECT_FALSE(id == GClassID(1, 3));
  EXPECT_FALSE(id == GClassID(3, 2));
  // A value that does not fit a word is refused, not cut.
  EXPECT_THROW(GClassID(0x100000000ul, 0), GPreconditionException);
  EXPECT_THROW(id.High(0x1FFFFFFFFul), GPreconditionException);
  EXPECT_TRUE(id == GClassID(1, 2));
}

} // namespace
