// Tests of the unit system: the unit table, scales, the consistency check,
// change notification, the per-thread input scale and GScaledObject.
#include "config/units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

namespace {

class UnitsTest : public ::testing::Test {
protected:
  void SetUp() override { GSUSInfo reset(true); }
  void TearDown() override { GSUSInfo reset(true); }
};

int Notifications = 0;
SUSUnit::Unit UnitSeen = SUSUnit::Meter;

void Listener(GCallBackReason, void *data, void *user) {
  EXPECT_EQ(nullptr, data);
  EXPECT_EQ(&Notifications, user);
  ++Notifications;
  UnitSeen = GSUSInfo::m_ciLastInfo.unit;
}

class Scaled : public GScaledObject {
public:
  void onScaleChanged() override { ++Changes; }
  int Changes = 0;
};

TEST_F(UnitsTest, TableRows) {
  ASSERT_EQ(7, GSUSInfo::getCount());
  EXPECT_TRUE(GSUSInfo::m_bInit);
  const SUSUnit *inch = GSUSInfo::at(0);
  EXPECT_EQ(SUSUnit::Inch, inch->unit);
  EXPECT_EQ(SUSUnit::British, inch->type);
  EXPECT_STREQ("inches", inch->plural);
  EXPECT_EQ(0.02539999969303608, inch->factor);
  EXPECT_EQ(0.30480000376701355, GSUSInfo::atID(SUSUnit::Foot)->factor);
  EXPECT_EQ(0.009999999776482582, GSUSInfo::atID(SUSUnit::Centimeter)->factor);
  EXPECT_EQ(1609.344, GSUSInfo::atID(SUSUnit::Mile)->factor);
  EXPECT_FALSE(GSUSInfo::atID(SUSUnit::Kilometer)->flag);
  EXPECT_EQ(6, GSUSInfo::ID(SUSUnit::Kilometer));
  // An unknown unit gives row 0, the inch.
  EXPECT_EQ(0, GSUSInfo::ID(static_cast<SUSUnit::Unit>(99)));
  EXPECT_EQ(inch, GSUSInfo::atID(static_cast<SUSUnit::Unit>(99)));

  SUSUnit *yard =
      new SUSUnit(static_cast<SUSUnit::Unit>(19), SUSUnit::British, "yard", "yards", 0.9144, false);
  EXPECT_EQ(7, GSUSInfo::insert(yard));
  EXPECT_EQ(yard, GSUSInfo::atID(static_cast<SUSUnit::Unit>(19)));
  GSUSInfo::free(yard);
  EXPECT_EQ(7, GSUSInfo::getCount());
}

TEST_F(UnitsTest, DefaultScalesAreOne) {
  EXPECT_EQ(1.0, GSUSInfo::Scale());
  EXPECT_EQ(1.0, GSUSInfo::InputScale());
  EXPECT_EQ(1.0, GSUSInfo::ImportScale());
  EXPECT_EQ(1.0, GSUSInfo::GetViewScale(nullptr));
}

TEST_F(UnitsTest, InputScaleAppliesOnlyWhenConverting) {
  GSUSInfo::InputScale(2.0);
  EXPECT_EQ(1.0, GSUSInfo::InputScale());
  GSUSInfo::Convert(true);
  EXPECT_EQ(2.0, GSUSInfo::InputScale());
  GSUSInfo::Unit(SUSUnit::Foot);
  GSUSInfo::InputScale(2.0);
  EXPECT_EQ(2.0 / 0.30480000376701355, GSUSInfo::InputScale());
  // A stored scale that cannot scale anything counts as 1.0.
  for (double bad : {0.0, -3.0, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
    GSUSInfo::InputScale(bad);
    EXPECT_EQ(1.0 / 0.30480000376701355, GSUSInfo::InputScale()) << bad;
  }
}

TEST_F(UnitsTest, InputScaleIsPerThread) {
  GSUSInfo::Convert(true);
  GSUSInfo::InputScale(4.0);
  double seen = 0.0;
  std::thread other([&seen] {
    seen = GSUSInfo::InputScale(); // a new thread starts at 1.0
    GSUSInfo::InputScale(8.0);
  });
  other.join();
  EXPECT_EQ(1.0, seen);
  EXPECT_EQ(4.0, GSUSInfo::InputScale());
}

TEST_F(UnitsTest, UnitChangeNotifiesOnce) {
  Notifications = 0;
  GSUSInfo::RegisterCallback(GCallBackReason(0L), Listener, &Notifications);
  GSUSInfo::Unit(SUSUnit::Foot);
  EXPECT_EQ(1, Notifications);
  EXPECT_EQ(0.30480000376701355, GSUSInfo::Scale());
  EXPECT_EQ(SUSUnit::Foot, GSUSInfo::m_ciLastInfo.unit);

  // An unknown unit is put right by the check, after the listeners heard it.
  GSUSInfo::Unit(static_cast<SUSUnit::Unit>(99));
  EXPECT_EQ(2, Notifications);
  EXPECT_EQ(99, UnitSeen);
  EXPECT_EQ(SUSUnit::Meter, GSUSInfo::Unit());

  GSUSInfo::Convert(true); // no notification
  GSUSInfo::SetViewInfo(GSUSInfo::ViewMetric, SUSUnit::Meter, SUSUnit::Inch, 1.0, false,
                        SUSUnit::Meter, 1.0);
  EXPECT_EQ(2, Notifications);
  GSUSInfo::SetInfo(SUSUnit::Kilometer, 2.0, true);
  EXPECT_EQ(3, Notifications);
  EXPECT_EQ(2000.0, GSUSInfo::Scale());
  GSUSInfo::UnRegisterCallback(GCallBackReason(0L), Listener, &Notifications);
  GSUSInfo::Ratio(1.0);
  EXPECT_EQ(3, Notifications);
}

TEST_F(UnitsTest, UnusableRatiosCountAsOne) {
  GSUSInfo::Ratio(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(1.0, GSUSInfo::Ratio());
  GSUSInfo::Ratio(-2.0);
  EXPECT_EQ(1.0, GSUSInfo::Scale());
  GSUSInfo::m_dRatio = 0.0; // set behind the setters' back
  EXPECT_EQ(1.0, GSUSInfo::Scale());
}

TEST_F(UnitsTest, CheckRestoresTheViewSettings) {
  GSUSInfo::SetViewInfo(static_cast<GSUSInfo::View>(7), SUSUnit::Millimeter, SUSUnit::Inch, 5000.0,
                        false, SUSUnit::Meter, 0.001);
  GSUSInfo::SUSViewInfo info;
  GSUSInfo::GetViewInfo(info);
  EXPECT_EQ(GSUSInfo::ViewScene, info.view);
  EXPECT_EQ(SUSUnit::Millimeter, info.metric);
  EXPECT_EQ(1.0, info.britishRatio);
  EXPECT_EQ(1.0, info.customRatio);

  GSUSInfo::SetViewInfo(GSUSInfo::ViewCustom, static_cast<SUSUnit::Unit>(1),
                        static_cast<SUSUnit::Unit>(2), std::nan(""), true,
                        static_cast<SUSUnit::Unit>(3), 2.0);
  GSUSInfo::GetViewInfo(info);
  EXPECT_EQ(SUSUnit::Meter, info.metric);
  EXPECT_EQ(SUSUnit::Inch, info.british);
  EXPECT_EQ(SUSUnit::Meter, info.custom);
  EXPECT_EQ(1.0, info.britishRatio);
  EXPECT_EQ(2.0, info.customRatio);
  bool fractional = false;
  EXPECT_EQ(2.0, GSUSInfo::GetViewScale(&fractional));
  EXPECT_TRUE(fractional);
}

TEST_F(UnitsTest, ViewScale) {
  GSUSInfo::SetViewInfo(GSUSInfo::ViewBritish, SUSUnit::Meter, SUSUnit::Foot, 2.0, false,
                        SUSUnit::Meter, 1.0);
  EXPECT_EQ(0.6096000075340271, GSUSInfo::GetViewScale(nullptr));
  GSUSInfo::SetViewInfo(GSUSInfo::ViewMetric, SUSUnit::Kilometer, SUSUnit::Foot, 2.0, false,
                        SUSUnit::Meter, 1.0);
  GSUSInfo::Unit(SUSUnit::Centimeter);
  EXPECT_EQ(1000.0 / 0.009999999776482582, GSUSInfo::GetViewScale(nullptr));
}

TEST_F(UnitsTest, ImportScale) {
  GSUSInfo::DefaultImportUnits(SUSUnit::Millimeter);
  GSUSInfo::DefaultImportRatio(3.0);
  EXPECT_EQ(SUSUnit::Millimeter, GSUSInfo::DefaultImportUnits());
  EXPECT_DOUBLE_EQ(0.003, GSUSInfo::ImportScale());
}

TEST_F(UnitsTest, EmptyTableUsesFactorOne) {
  while (GSUSInfo::getCount() > 0)
    GSUSInfo::free(GSUSInfo::at(0));
  EXPECT_EQ(nullptr, GSUSInfo::atID(SUSUnit::Meter));
  GSUSInfo::Ratio(2.0);
  EXPECT_EQ(2.0, GSUSInfo::Scale());
  EXPECT_EQ(1.0, GSUSInfo::GetViewScale(nullptr));
}

TEST_F(UnitsTest, SnapshotEquality) {
  double nan = std::numeric_limits<double>::quiet_NaN();
  GSUSInfo::SUSInfo a{SUSUnit::Meter, nan, true}, b{SUSUnit::Meter, nan, true};
  EXPECT_TRUE(a == b);
  a.ratio = 1.0;
  b.ratio = 2.0;
  EXPECT_TRUE(a != b);
  GSUSInfo::SUSInfo current;
  GSUSInfo::GetInfo(current);
  EXPECT_EQ(SUSUnit::Meter, current.unit);
  EXPECT_FALSE(current.convert);
}

TEST_F(UnitsTest, ScaledObjectsHearScaleChanges) {
  Scaled a;
  Scaled b(a); // a copy registers as well
  { Scaled gone; }
  GSUSInfo::Ratio(2.0);
  EXPECT_EQ(1, a.Changes);
  EXPECT_EQ(1, b.Changes);
  // Another reason does not reach onScaleChanged.
  GSUSInfo::EvokeCallback(GCallBackReason(5L));
  GScaledObject::callback(GCallBackReason(5L), nullptr, &a);
  EXPECT_EQ(1, a.Changes);
  GScaledObject::callback(GCallBackReason(0L), nullptr, &a);
  EXPECT_EQ(2, a.Changes);
}

} // namespace
