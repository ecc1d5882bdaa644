//===- streamable_test.cpp - Streamable life cycle, version time, units ---===//

#include "pstream_test_support.h"

#include "config/units.h"
#include "object_model/suspended_destruction.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace pstest;

namespace {

TEST(Streamable, Registration) {
  EXPECT_EQ(GMetaClass::FindByName("GStreamable"), &GStreamable::metaclass_);
  EXPECT_EQ(GStreamable::metaclass_.getBuilder(), nullptr);
  EXPECT_EQ(GStreamable::metaclass_.getAncestor(0), &GObject::metaclass_);
  Node n;
  EXPECT_EQ(n.shouldWrite(), 1);
  n.shouldWrite(0);
  Node copy(n);
  EXPECT_EQ(copy.shouldWrite(), 0);
}

TEST(Streamable, DestroyShutsDownFirst) {
  ShutDowns = 0;
  LiveObjects = 0;
  GStreamable::Destroy(new Node);
  GStreamable::destroy(nullptr);
  EXPECT_EQ(ShutDowns, 1);
  EXPECT_EQ(LiveObjects, 0);
}

TEST(Streamable, ArraysMadeByNewArray) {
  ShutDowns = 0;
  LiveObjects = 0;
  Node *array = GStreamable::NewArray<Node>(5);
  array[4].Value = 9;
  GStreamable::Destroy(3, array);
  EXPECT_EQ(ShutDowns, 3);
  EXPECT_EQ(LiveObjects, 0);
  // More than the array holds: only its own elements are shut down.
  ShutDowns = 0;
  GStreamable::destroy(100, GStreamable::NewArray<Node>(2));
  EXPECT_EQ(ShutDowns, 2);
  EXPECT_EQ(LiveObjects, 0);
  // Anything else is left alone.
  Node local[2];
  GStreamable::Destroy(2, local);
  EXPECT_EQ(ShutDowns, 2);
  EXPECT_EQ(LiveObjects, 2);
  EXPECT_EQ(GStreamable::NewArray<Node>(0), nullptr);
}

TEST(Streamable, DeferredDestructionShutsStreamablesDown) {
  ShutDowns = 0;
  LiveObjects = 0;
  SuspendedDestruction::Enable(1);
  Node *n = new Node;
  n->condemn();
  EXPECT_EQ(LiveObjects, 1);
  SuspendedDestruction::DestroyAll();
  EXPECT_EQ(ShutDowns, 1);
  EXPECT_EQ(LiveObjects, 0);
  SuspendedDestruction::Enable(0);
  SuspendedDestruction::Put(new Node);
  EXPECT_EQ(ShutDowns, 2);
  EXPECT_EQ(LiveObjects, 0);
}

TEST(Streamable, VersionTime) {
  GStreamable::SetVersionTime(2000, 1, 1, 0);
  EXPECT_EQ(GStreamable::GetVersionTime(), 17856000);
  int y, m, d, h;
  GStreamable::GetVersionTime(y, m, d, h);
  EXPECT_EQ(y, 2000);
  EXPECT_EQ(m, 1);
  EXPECT_EQ(d, 1);
  EXPECT_EQ(h, 0);
  GStreamable::SetVersionTime(2003, 12, 31, 23);
  GStreamable::GetVersionTime(y, m, d, h);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20031231);
  EXPECT_EQ(h, 23);
  // Beyond 32 bits: refused, not wrapped.
  GStreamable::SetVersionTime(1000000, 1, 1, 0);
  EXPECT_EQ(GStreamable::GetVersionTime(), 2003 * 8928 + 11 * 744 + 30 * 24 + 23);
  int32_t now = GStreamable::GetTickCount();
  EXPECT_GE(now / 8928, 2024);
}

class UnitScaling : public ::testing::Test {
protected:
  void SetUp() override {
    SavedRatio = GSUSInfo::Ratio();
    SavedConvert = GSUSInfo::Convert();
  }
  void TearDown() override {
    GSUSInfo::Ratio(SavedRatio);
    GSUSInfo::Convert(SavedConvert);
    GSUSInfo::InputScale(GSUSInfo::Scale());
  }
  double SavedRatio = 1.0;
  bool SavedConvert = false;
};

TEST_F(UnitScaling, DefaultWriteStoresTheScale) {
  GSUSInfo::Ratio(2.0);
  Measured m;
  m.Length = 3.0;
  Bytes b = Written([&](opstream &os) { os.writeStreamable(m); });
  Bytes expected = Concat({Bytes{0x7B}, NameRecord("PsTestMeasured"), Bytes{0}});
  double scale = 2.0, length = 3.0;
  expected.insert(expected.end(), reinterpret_cast<unsigned char *>(&scale),
                  reinterpret_cast<unsigned char *>(&scale) + 8);
  expected.insert(expected.end(), reinterpret_cast<unsigned char *>(&length),
                  reinterpret_cast<unsigned char *>(&length) + 8);
  expected.push_back(0x5D);
  EXPECT_EQ(b, expected);
}

TEST_F(UnitScaling, LengthsAreConvertedOnRead) {
  GSUSInfo::Ratio(2.0);
  Measured m;
  m.Length = 3.0;
  Bytes b = Written([&](opstream &os) { os.writeStreamable(m); });
  GSUSInfo::Ratio(1.0);
  Measured back;
  {
    Reader r(b);
    r->readStreamable(back);
  }
  EXPECT_EQ(double(back.Length), 3.0); // not converting
  GSUSInfo::Convert(true);
  {
    Reader r(b);
    r->readStreamable(back);
  }
  EXPECT_EQ(double(back.Length), 6.0);
}

TEST_F(UnitScaling, ScaledNumbersUseTheirExponent) {
  GSUSInfo::Convert(true);
  GSUSInfo::InputScale(2.0 * GSUSInfo::Scale());
  Bytes b = Written([](opstream &os) { os << 5.0f << 5.0 << 5.0; });
  Reader r(b);
  TGSNumber<float, 1> f;
  TGSNumber<double, 2> area;
  TGSNumber<double, -1> inverse;
  *r >> f >> area >> inverse;
  EXPECT_EQ(float(f), 10.0f);
  EXPECT_EQ(double(area), 20.0);
  EXPECT_EQ(double(inverse), 2.5);
  EXPECT_EQ(Written([](opstream &os) { os << TGSNumber<double, 1>(5.0); }),
            Written([](opstream &os) { os << 5.0; }));
}

} // namespace
