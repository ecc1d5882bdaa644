//===- metaclass_test.cpp - Class registry and metaclass queries ---------===//

#include "object_model/class_dictionary.h"
#include "object_model/exceptions.h"
#include "object_model/metaclass.h"
#include "object_model/void_ptr_sorted_array.h"
#include "test_classes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>

namespace {

constinit const type_info LocalType("LocalType");
constinit const type_info OtherType("OtherType");

GRTTIObject *buildNothing() { return nullptr; }

std::set<std::string> namesOf(const GClassDictionary &d) {
  std::set<std::string> names;
  for (long i = 0; i < d.getCount(); ++i)
    names.insert(d.at(i)->getName());
  return names;
}

TEST(ClassRegistry, OrderIsDescendingByUnsignedBytes) {
  // 0xC3 is above every ASCII byte when bytes are unsigned, below them when
  // they are signed.
  GMetaClass high(nullptr, LocalType, "\xC3\xA9vyxOrder", nullptr, nullptr, nullptr);
  GMetaClass lowerZ(nullptr, LocalType, "zvyxOrder", nullptr, nullptr, nullptr);
  GMetaClass upperA(nullptr, LocalType, "AvyxOrder", nullptr, nullptr, nullptr);
  GClassDictionary all;
  GMetaClass::GetApplicationClasses(all);
  long iHigh = all.index_of("\xC3\xA9vyxOrder");
  long iZ = all.index_of("zvyxOrder");
  long iA = all.index_of("AvyxOrder");
  ASSERT_GE(iHigh, 0);
  EXPECT_LT(iHigh, iZ);
  EXPECT_LT(iZ, iA);
  for (long i = 0; i + 1 < GMetaClass::GetCount(); ++i)
    EXPECT_GT(std::strcmp(GMetaClass::At(i)->getName(), GMetaClass::At(i + 1)->getName()), 0)
        << "at " << i;
  EXPECT_EQ(GMetaClass::At(-1), nullptr);
  EXPECT_EQ(GMetaClass::At(GMetaClass::GetCount()), nullptr);
}

TEST(ClassRegistry, RegistersAndUnregistersWithTheObject) {
  long before = GMetaClass::GetCount();
  {
    GMetaClass local(nullptr, LocalType, "vyxLocalClass", nullptr, nullptr, nullptr);
    EXPECT_EQ(GMetaClass::GetCount(), before + 1);
    EXPECT_EQ(GMetaClass::FindByName("vyxLocalClass"), &local);
  }
  EXPECT_EQ(GMetaClass::GetCount(), before);
  EXPECT_EQ(GMetaClass::FindByName("vyxLocalClass"), nullptr);
}

TEST(ClassRegistry, FindByNameFindsLibraryAndProgramClasses) {
  EXPECT_EQ(GMetaClass::FindByName("GRTTIObject"), &GRTTIObject::metaclass_);
  EXPECT_EQ(GMetaClass::FindByName("GObject"), &GObject::metaclass_);
  EXPECT_EQ(GMetaClass::FindByName("TestPuppy"), &TestPuppy::metaclass_);
  EXPECT_EQ(GMetaClass::FindByName(nullptr), nullptr);
  EXPECT_EQ(GMetaClass::FindByName("NoSuchClass"), nullptr);
  EXPECT_EQ(GMetaClass::FindByName("testpuppy"), nullptr) << "names are case-sensitive";
}

TEST(ClassRegistry, SameNameAndBuilderKeepsTheFirstEntry) {
  long before = GMetaClass::GetCount();
  {
    GMetaClass again(nullptr, LocalType, "TestDog", &TestDog::ClassBuilder_,
                     &TestDog::ClassDestroyer_, nullptr);
    EXPECT_EQ(GMetaClass::GetCount(), before);
    EXPECT_EQ(GMetaClass::FindByName("TestDog"), &TestDog::metaclass_);
  }
  // The second registration registered nothing, so its end removes nothing.
  EXPECT_EQ(GMetaClass::GetCount(), before);
  EXPECT_EQ(GMetaClass::FindByName("TestDog"), &TestDog::metaclass_);
}

TEST(ClassRegistry, SameNameWithAnotherBuilderThrows) {
  long before = GMetaClass::GetCount();
  try {
    GMetaClass clash(nullptr, LocalType, "TestDog", &buildNothing, nullptr, nullptr);
    FAIL() << "a second class named TestDog was accepted";
  } catch (const DuplicatedTypes_Exception &e) {
    EXPECT_STREQ(e.getClassName(), "TestDog");
  }
  try {
    GMetaClass clash(nullptr, LocalType, "TestDog", &buildNothing, nullptr, 2,
                     &TestAnimal::metaclass_, &TestNamed::metaclass_);
    FAIL() << "a second class named TestDog was accepted";
  } catch (const DuplicatedTypes_Exception &) {
  }
  EXPECT_EQ(GMetaClass::GetCount(), before);
  EXPECT_EQ(GMetaClass::FindByName("TestDog"), &TestDog::metaclass_);
}

TEST(MetaClass, VariadicCountBelowOneReadsNoBase) {
  GMetaClass zero(nullptr, LocalType, "vyxZeroBases", nullptr, nullptr, 0);
  EXPECT_EQ(zero.getAncestorsCount(), 0);
  EXPECT_EQ(zero.getAncestor(0), nullptr);
  GMetaClass negative(nullptr, LocalType, "vyxNegativeBases", nullptr, nullptr, -3);
  EXPECT_EQ(negative.getAncestorsCount(), 0);
  EXPECT_EQ(negative.getAncestor(0), nullptr);
  GMetaClass nullOne(nullptr, LocalType, "vyxNullBase", nullptr, nullptr, 1,
                     static_cast<const GMetaClass *>(nullptr));
  EXPECT_EQ(nullOne.getAncestorsCount(), 0);
  GMetaClass one(nullptr, LocalType, "vyxOneBase", nullptr, nullptr, 1, &TestDog::metaclass_);
  EXPECT_EQ(one.getAncestorsCount(), 1);
  EXPECT_EQ(one.getAncestor(0), &TestDog::metaclass_);
  GMetaClass three(nullptr, LocalType, "vyxThreeBases", nullptr, nullptr, 3, &TestDog::metaclass_,
                   &TestNamed::metaclass_, &GObject::metaclass_);
  EXPECT_EQ(three.getAncestorsCount(), 3);
  EXPECT_EQ(three.getAncestor(2), &GObject::metaclass_);
  EXPECT_EQ(three.getAncestor(3), nullptr);
  EXPECT_EQ(three.getAncestor(-1), nullptr);
}

TEST(MetaClass, Fields) {
  const GMetaClass &dog = TestDog::metaclass_;
  EXPECT_STREQ(dog.getName(), "TestDog");
  EXPECT_FALSE(dog.isOldClass());
  EXPECT_EQ(dog.getClassIdentifier(), &dog);
  EXPECT_EQ(dog.getTypeInfo(), &TestDog::gTypeInfo_);
  EXPECT_STREQ(TestDog::gTypeInfo_.name(), "TestDog");
  EXPECT_EQ(dog.getBuilder(), &TestDog::ClassBuilder_);
  EXPECT_EQ(dog.getDestroyer(), &TestDog::ClassDestroyer_);
  EXPECT_EQ(dog.getAncestorsCount(), 1);
  EXPECT_EQ(dog.getAncestor(0), &TestAnimal::metaclass_);
  EXPECT_EQ(dog.getAncestor(-1), nullptr);
  EXPECT_EQ(dog.getAncestor(1), nullptr);
  EXPECT_EQ(dog.getModule(), TestModuleHandle);
  EXPECT_EQ(GRTTIObject::metaclass_.getAncestorsCount(), 0);
  EXPECT_EQ(GRTTIObject::metaclass_.getModule(), vyx::BaseModuleHandle);
  EXPECT_EQ(TestAnimal::metaclass_.getBuilder(), nullptr);
  EXPECT_EQ(TestRoboDog::metaclass_.getAncestorsCount(), 2);
  EXPECT_EQ(TestRoboDog::metaclass_.getAncestor(0), &TestDog::metaclass_);
  EXPECT_EQ(TestRoboDog::metaclass_.getAncestor(1), &TestNamed::metaclass_);
}

TEST(MetaClass, ModuleIsReadWhenAsked) {
  HINSTANCE handle = nullptr;
  GMetaClass late(&handle, LocalType, "vyxLateModule", nullptr, nullptr, nullptr);
  EXPECT_EQ(late.getModule(), nullptr);
  handle = TestModuleHandle;
  EXPECT_EQ(late.getModule(), TestModuleHandle);
}

TEST(MetaClass, AliasStandsForItsClass) {
  const GMetaClass *alias = GMetaClass::FindByName("TestAncientDog");
  ASSERT_NE(alias, nullptr);
  EXPECT_NE(alias, &TestDog::metaclass_);
  EXPECT_TRUE(alias->isOldClass());
  EXPECT_STREQ(alias->getName(), "TestAncientDog");
  EXPECT_EQ(alias->getClassIdentifier(), &TestDog::metaclass_);
  EXPECT_TRUE(*alias == TestDog::metaclass_);
  EXPECT_TRUE(TestDog::metaclass_ == *alias);
  EXPECT_FALSE(*alias != TestDog::metaclass_);
  EXPECT_FALSE(*alias == TestPuppy::metaclass_);
  EXPECT_EQ(alias->getTypeInfo(), &TestDog::gTypeInfo_);
  EXPECT_EQ(alias->getBuilder(), &TestDog::ClassBuilder_);
  EXPECT_EQ(alias->getAncestorsCount(), 1);
  EXPECT_EQ(alias->getAncestor(0), &TestAnimal::metaclass_);
  EXPECT_EQ(alias->getModule(), TestModuleHandle);
  EXPECT_EQ(alias->isKindOf(TestAnimal::metaclass_), &TestAnimal::metaclass_);
  EXPECT_EQ(TestPuppy::metaclass_.isKindOf(*alias), &TestDog::metaclass_);

  GRTTIObject *built = GMetaClass::BuildByName("TestAncientDog");
  ASSERT_NE(built, nullptr);
  EXPECT_EQ(&built->getMetaClass(), &TestDog::metaclass_);
  alias->destroyObject(built);
  EXPECT_EQ(TestAnimal::Live.load(), 0);
}

TEST(MetaClass, AliasOfAliasAndLocalAlias) {
  GMetaClass older(TestDog::metaclass_, "vyxOlderDog");
  GMetaClass oldest(older, "vyxOldestDog");
  EXPECT_EQ(oldest.getClassIdentifier(), &TestDog::metaclass_);
  EXPECT_EQ(GMetaClass::FindByName("vyxOldestDog"), &oldest);
  EXPECT_TRUE(oldest == TestDog::metaclass_);
}

TEST(MetaClass, FindByTypeInfoNeverAnswersAnAlias) {
  // "TestAncientDog" sorts after "TestDog" and is met first by the search
  // from the last entry; the answer must still be the class.
  GClassDictionary all;
  GMetaClass::GetApplicationClasses(all);
  EXPECT_GT(all.index_of("TestAncientDog"), all.index_of("TestDog"));
  EXPECT_EQ(GMetaClass::FindByTypeInfo(TestDog::gTypeInfo_), &TestDog::metaclass_);
  EXPECT_EQ(GMetaClass::FindByTypeInfo(GObject::gTypeInfo_), &GObject::metaclass_);
  EXPECT_EQ(GMetaClass::FindByTypeInfo(OtherType), nullptr);
}

TEST(MetaClass, IsKindOf) {
  EXPECT_EQ(TestPuppy::metaclass_.isKindOf(TestAnimal::metaclass_), &TestAnimal::metaclass_);
  EXPECT_EQ(TestPuppy::metaclass_.isKindOf(GRTTIObject::metaclass_), &GRTTIObject::metaclass_);
  EXPECT_EQ(TestPuppy::metaclass_.isKindOf(TestPuppy::metaclass_), &TestPuppy::metaclass_);
  EXPECT_EQ(TestAnimal::metaclass_.isKindOf(TestDog::metaclass_), nullptr);
  EXPECT_EQ(TestPuppy::metaclass_.isKindOf(TestNamed::metaclass_), nullptr);
  EXPECT_EQ(TestRoboDog::metaclass_.isKindOf(TestNamed::metaclass_), &TestNamed::metaclass_);
  EXPECT_EQ(TestRoboDog::metaclass_.isKindOf(GObject::metaclass_), &GObject::metaclass_);
  EXPECT_EQ(TestDog::metaclass_.isKindOf(static_cast<const GMetaClass *>(nullptr)), nullptr);
}

TEST(MetaClass, GetBaseDerivedFrom) {
  EXPECT_EQ(TestRoboDog::metaclass_.getBaseDerivedFrom(TestNamed::metaclass_),
            &TestNamed::metaclass_);
  EXPECT_EQ(TestRoboDog::metaclass_.getBaseDerivedFrom(TestDog::metaclass_), &TestDog::metaclass_);
  EXPECT_EQ(TestRoboDog::metaclass_.getBaseDerivedFrom(TestAnimal::metaclass_), nullptr)
      << "an indirect base is not a direct one";
  EXPECT_EQ(TestDog::metaclass_.getBaseDerivedFrom(TestNamed::metaclass_), nullptr);
}

TEST(MetaClass, GetBaseClasses) {
  GClassDictionary d;
  d.insert(TestPuppy::metaclass_); // emptied first
  TestRoboDog::metaclass_.getBaseClasses(d, false);
  EXPECT_EQ(namesOf(d), (std::set<std::string>{"TestDog", "TestNamed"}));
  TestRoboDog::metaclass_.getBaseClasses(d, true);
  EXPECT_EQ(namesOf(d), (std::set<std::string>{"TestDog", "TestNamed", "TestAnimal", "GObject",
                                               "GRTTIObject"}));
  GRTTIObject::metaclass_.getBaseClasses(d, true);
  EXPECT_EQ(d.getCount(), 0);
}

TEST(MetaClass, GetDerivedClassesNeverListsAliases) {
  GClassDictionary d;
  TestDog::metaclass_.getDerivedClasses(d, false);
  EXPECT_EQ(namesOf(d), (std::set<std::string>{"TestPuppy", "TestRoboDog"}));
  TestAnimal::metaclass_.getDerivedClasses(d, false);
  EXPECT_EQ(namesOf(d), (std::set<std::string>{"TestDog"}));
  TestAnimal::metaclass_.getDerivedClasses(d, true);
  EXPECT_EQ(namesOf(d),
            (std::set<std::string>{"TestDog", "TestPuppy", "TestRoboDog", "TestRoboPuppy"}));
  TestNamed::metaclass_.getDerivedClasses(d, true);
  EXPECT_EQ(namesOf(d), (std::set<std::string>{"TestRoboDog", "TestRoboPuppy"}));
  TestNamed::metaclass_.getDerivedClasses(d, false);
  EXPECT_EQ(namesOf(d), (std::set<std::string>{"TestRoboDog"}));
  // Asked of the alias, the answer is the class's.
  GMetaClass::FindByName("TestAncientDog")->getDerivedClasses(d, false);
  EXPECT_EQ(namesOf(d), (std::set<std::string>{"TestPuppy", "TestRoboDog"}));
  GObject::metaclass_.getDerivedClasses(d, true);
  EXPECT_EQ(d.index_of("TestAncientDog"), -1);
  EXPECT_EQ(d.index_of("GObject"), -1);
  EXPECT_GE(d.index_of("TestPuppy"), 0);
}

TEST(MetaClass, BuildAndDestroy) {
  GRTTIObject *puppy = GMetaClass::BuildByName("TestPuppy");
  ASSERT_NE(puppy, nullptr);
  EXPECT_EQ(&puppy->getMetaClass(), &TestPuppy::metaclass_);
  EXPECT_EQ(TestAnimal::Live.load(), 1);
  TestPuppy::metaclass_.destroyObject(puppy);
  EXPECT_EQ(TestAnimal::Live.load(), 0);
  TestPuppy::metaclass_.destroyObject(nullptr);

  EXPECT_EQ(GMetaClass::BuildByName("TestAnimal"), nullptr) << "abstract";
  EXPECT_EQ(GMetaClass::BuildByName("NoSuchClass"), nullptr);
  EXPECT_EQ(GMetaClass::BuildByName(nullptr), nullptr);
  EXPECT_EQ(TestAnimal::metaclass_.buildObject(), nullptr);

  // Without destroyer the object is deleted through its virtual destructor.
  GMetaClass plain(nullptr, LocalType, "vyxPlainBuilder", &TestDog::ClassBuilder_, nullptr,
                   nullptr);
  GRTTIObject *dog = plain.buildObject();
  EXPECT_EQ(TestAnimal::Live.load(), 1);
  plain.destroyObject(dog);
  EXPECT_EQ(TestAnimal::Live.load(), 0);
}

// GClassDictionary and GVoidPtrSortedArrayPrim --------------------------------

TEST(ClassDictionary, InsertRemoveIndexOf) {
  GClassDictionary d;
  EXPECT_EQ(d.insert(TestDog::metaclass_), 0);
  EXPECT_EQ(d.insert(TestPuppy::metaclass_), 0) << "'P' sorts before 'D' in descending order";
  EXPECT_EQ(d.insert(TestDog::metaclass_), 1) << "present: its index";
  EXPECT_EQ(d.getCount(), 2);
  EXPECT_EQ(d[1], &TestDog::metaclass_);
  EXPECT_EQ(d.index_of(TestPuppy::metaclass_), 0);
  EXPECT_EQ(d.index_of("TestAnimal"), -1);
  EXPECT_EQ(d.index_of(static_cast<const char *>(nullptr)), -1);

  GClassDictionary copy(d);
  EXPECT_EQ(d.remove("TestPuppy"), 0);
  EXPECT_EQ(d.remove(TestPuppy::metaclass_), -1);
  EXPECT_EQ(copy.getCount(), 2) << "a copy has its own pointers";
  copy = d;
  EXPECT_EQ(copy.getCount(), 1);
  d.empty();
  EXPECT_EQ(d.getCount(), 0);
  EXPECT_EQ(d.at(0), nullptr);
}

/// Records what it frees, in order.
class RecordingArray : public GVoidPtrSortedArrayPrim {
public:
  RecordingArray() : GVoidPtrSortedArrayPrim(2) {}
  std::string Freed;
  using GVoidPtrSortedArrayPrim::compare;

protected:
  void free_item(const void *item) override {
    Freed += static_cast<char>('0' + reinterpret_cast<uintptr_t>(item) % 16);
  }
};

const void *address(uintptr_t value) { return reinterpret_cast<const void *>(value); }

TEST(VoidPtrSortedArray, DefaultCompareIsThreeWayOn64BitAddresses) {
  RecordingArray a;
  // Differences that do not fit an int: a truncated difference calls these
  // equal or orders them wrongly.
  EXPECT_LT(a.compare(address(0x1), address(0x100000001)), 0);
  EXPECT_GT(a.compare(address(0x100000001), address(0x1)), 0);
  EXPECT_LT(a.compare(address(0x10), address(0x80000010)), 0);
  EXPECT_EQ(a.compare(address(0x42), address(0x42)), 0);

  const uintptr_t values[] = {0x100000001, 0x1, 0x80000012, 0x7FFFFFFF00000003, 0x4};
  for (uintptr_t v : values) {
    long index;
    ASSERT_FALSE(a.search(address(v), index));
    a.at_insert(index, address(v));
  }
  ASSERT_EQ(a.getCount(), 5);
  for (long i = 0; i + 1 < a.getCount(); ++i)
    EXPECT_LT(reinterpret_cast<uintptr_t>(a.at(i)), reinterpret_cast<uintptr_t>(a.at(i + 1)));
  long index = -1;
  EXPECT_TRUE(a.search(address(0x100000001), index));
  EXPECT_EQ(a.at(index), address(0x100000001));
}

TEST(VoidPtrSortedArray, RemoveAndEmptyFreeItems) {
  RecordingArray a;
  for (uintptr_t v : {0x11, 0x22, 0x33, 0x44})
    a.at_insert(a.getCount(), address(v));
  a.at_remove(1);
  EXPECT_EQ(a.Freed, "2");
  a.empty();
  EXPECT_EQ(a.Freed, "2431") << "empty frees the last item first";
  EXPECT_EQ(a.getCount(), 0);
  EXPECT_THROW(a.at_remove(0), GCollection_IndexOutOfRange_Exception);
  EXPECT_THROW(a.at_insert(1, address(0x1)), GCollection_IndexOutOfRange_Exception);
  EXPECT_EQ(a.at(-1), nullptr);
}

TEST(VoidPtrSortedArray, CopyItemsFrom) {
  RecordingArray a, b;
  for (uintptr_t v : {0x1, 0x2, 0x3})
    a.at_insert(a.getCount(), address(v));
  b.at_insert(0, address(0x9));
  b.copy_items_from(a);
  EXPECT_EQ(b.getCount(), 3);
  EXPECT_EQ(b.at(2), address(0x3));
  EXPECT_EQ(b.Freed, "") << "copying over items does not free them";
}

} // namespace
