//===- units.cpp - The scene unit system ----------------------------------===//
#include "config/units.h"

#include "containers/tgcollection.h"

#include <cmath>

namespace {

// The unit table and the listeners are built on first use, so that objects
// of other translation units may reach them from their static initialisers.
TGCollection<SUSUnit> &unitTable() {
  static TGCollection<SUSUnit> Table(0, 8, 1);
  return Table;
}

GCallBackList &listeners() {
  static GCallBackList List;
  return List;
}

const GCallBackReason kScaleChanged(0L);

/// A ratio or scale that can scale lengths: finite and positive.
bool usableScale(double x) { return std::isfinite(x) && x > 0.0; }

/// Within [MIN_RATIO_VALUE, MAX_RATIO_VALUE]; a NaN is outside.
bool ratioInRange(double r) {
  return r >= GSUSInfo::MIN_RATIO_VALUE && r <= GSUSInfo::MAX_RATIO_VALUE;
}

bool knownUnit(SUSUnit::Unit u) {
  TGCollection<SUSUnit> &table = unitTable();
  for (long i = 0; i < table.getCount(); ++i)
    if (table.at(i) && table.at(i)->unit == u)
      return true;
  return false;
}

/// Metres per unit u; 1.0 when the table has no row to give.
double factorOf(SUSUnit::Unit u) {
  const SUSUnit *row = GSUSInfo::atID(u);
  return row ? row->factor : 1.0;
}

/// Ratios compare equal unless they are ordered apart (two NaNs are equal).
bool sameRatio(double a, double b) { return !(a < b) && !(b < a); }

} // namespace

SUSUnit::Unit GSUSInfo::m_suUnit = SUSUnit::Meter;
double GSUSInfo::m_dRatio = 1.0;
bool GSUSInfo::m_bConvert = false;
thread_local double GSUSInfo::m_dInputScale = 1.0;
SUSUnit::Unit GSUSInfo::m_suDefaultUnit = SUSUnit::Meter;
double GSUSInfo::m_suDefaultRatio = 1.0;
GSUSInfo::View GSUSInfo::m_vUnit = GSUSInfo::ViewScene;
SUSUnit::Unit GSUSInfo::m_suMetric = SUSUnit::Meter;
SUSUnit::Unit GSUSInfo::m_suBritish = SUSUnit::Inch;
double GSUSInfo::m_dBritishRatio = 1.0;
bool GSUSInfo::m_bFractional = false;
SUSUnit::Unit GSUSInfo::m_suCustom = SUSUnit::Meter;
double GSUSInfo::m_dCustomRatio = 1.0;
const double GSUSInfo::MIN_RATIO_VALUE = 0.01;
const double GSUSInfo::MAX_RATIO_VALUE = 1000.0;
const double GSUSInfo::MIN_SCALE_VALUE = 0.0001;
const double GSUSInfo::MAX_SCALE_VALUE = 10000.0;
GSUSInfo::ChangeInfo GSUSInfo::m_ciLastInfo = {1.0, SUSUnit::Meter};
TGCollection<SUSUnit> &GSUSInfo::m_susInfo = unitTable();
GCallBackList &GSUSInfo::m_clCallbacks = listeners();
bool GSUSInfo::m_bInit = false;

// Fills the table when the library loads.
static GSUSInfo TheUnitSystem(true);

GSUSInfo::GSUSInfo(bool init) {
  if (!init)
    return;
  TGCollection<SUSUnit> &table = unitTable();
  table.free_all();
  // Inch, foot and centimetre carry the widened single-precision factors:
  // stored conversions depend on them bit for bit.
  table.insert(new SUSUnit(SUSUnit::Inch, SUSUnit::British, "inch", "inches",
                           static_cast<double>(0.0254f), true));
  table.insert(new SUSUnit(SUSUnit::Foot, SUSUnit::British, "foot", "feet",
                           static_cast<double>(0.3048f), true));
  table.insert(new SUSUnit(SUSUnit::Mile, SUSUnit::British, "mile", "miles", 1609.344, false));
  table.insert(
      new SUSUnit(SUSUnit::Millimeter, SUSUnit::Metric, "millimeter", "millimeters", 0.001, false));
  table.insert(new SUSUnit(SUSUnit::Centimeter, SUSUnit::Metric, "centimeter", "centimeters",
                           static_cast<double>(0.01f), true));
  table.insert(new SUSUnit(SUSUnit::Meter, SUSUnit::Metric, "meter", "meters", 1.0, true));
  table.insert(
      new SUSUnit(SUSUnit::Kilometer, SUSUnit::Metric, "kilometer", "kilometers", 1000.0, false));
  m_suUnit = SUSUnit::Meter;
  m_dRatio = 1.0;
  m_bConvert = false;
  m_dInputScale = 1.0;
  m_suDefaultUnit = SUSUnit::Meter;
  m_suDefaultRatio = 1.0;
  m_vUnit = ViewScene;
  m_suMetric = SUSUnit::Meter;
  m_suBritish = SUSUnit::Inch;
  m_dBritishRatio = 1.0;
  m_bFractional = false;
  m_suCustom = SUSUnit::Meter;
  m_dCustomRatio = 1.0;
  m_bInit = true;
}

// The unit table -------------------------------------------------------------

SUSUnit *GSUSInfo::at(int index) { return unitTable().at(index); }
int GSUSInfo::index_of(const SUSUnit *unit) { return static_cast<int>(unitTable().index_of(unit)); }
int GSUSInfo::insert(SUSUnit *unit) { return static_cast<int>(unitTable().insert(unit)); }
void GSUSInfo::at_insert(int index, SUSUnit *unit) { unitTable().at_insert(index, unit); }
void GSUSInfo::at_put(int index, SUSUnit *unit) { unitTable().at_put(index, unit); }
void GSUSInfo::remove(SUSUnit *unit) { unitTable().remove(unit); }
void GSUSInfo::free(SUSUnit *unit) { unitTable().free(unit); }
int GSUSInfo::getCount() { return static_cast<int>(unitTable().getCount()); }

int GSUSInfo::ID(SUSUnit::Unit u) {
  TGCollection<SUSUnit> &table = unitTable();
  for (long i = 0; i < table.getCount(); ++i)
    if (table.at(i) && table.at(i)->unit == u)
      return static_cast<int>(i);
  return 0;
}

SUSUnit *GSUSInfo::atID(SUSUnit::Unit u) {
  TGCollection<SUSUnit> &table = unitTable();
  return table.getCount() > 0 ? table.at(ID(u)) : nullptr;
}

// Scene settings -------------------------------------------------------------

SUSUnit::Unit GSUSInfo::Unit() { return m_suUnit; }

void GSUSInfo::Unit(SUSUnit::Unit u) {
  m_suUnit = u;
  notify();
  check();
}

double GSUSInfo::Ratio() { return m_dRatio; }

void GSUSInfo::Ratio(double r) {
  m_dRatio = r;
  notify();
  check();
}

bool GSUSInfo::Convert() { return m_bConvert; }
void GSUSInfo::Convert(bool b) { m_bConvert = b; }

void GSUSInfo::GetInfo(SUSUnit::Unit &unit, double &ratio, bool &convert) {
  unit = m_suUnit;
  ratio = m_dRatio;
  convert = m_bConvert;
}

void GSUSInfo::GetInfo(SUSInfo &info) { GetInfo(info.unit, info.ratio, info.convert); }

void GSUSInfo::SetInfo(SUSUnit::Unit unit, double ratio, bool convert) {
  m_suUnit = unit;
  m_dRatio = ratio;
  m_bConvert = convert;
  notify();
  check();
}

void GSUSInfo::SetInfo(const SUSInfo &info) { SetInfo(info.unit, info.ratio, info.convert); }

double GSUSInfo::Scale() {
  // A ratio that cannot scale lengths counts as 1.0 (the check also puts it
  // right, but listeners run before the check).
  double ratio = usableScale(m_dRatio) ? m_dRatio : 1.0;
  return ratio * factorOf(m_suUnit);
}

double GSUSInfo::InputScale() { return m_bConvert ? m_dInputScale : 1.0; }

void GSUSInfo::InputScale(double x) {
  if (!usableScale(x))
    x = 1.0;
  m_dInputScale = x / Scale();
  check();
}

SUSUnit::Unit GSUSInfo::DefaultImportUnits() { return m_suDefaultUnit; }
void GSUSInfo::DefaultImportUnits(SUSUnit::Unit u) { m_suDefaultUnit = u; }
double GSUSInfo::DefaultImportRatio() { return m_suDefaultRatio; }
void GSUSInfo::DefaultImportRatio(double r) { m_suDefaultRatio = r; }
double GSUSInfo::ImportScale() { return m_suDefaultRatio * factorOf(m_suDefaultUnit); }

// View settings --------------------------------------------------------------

void GSUSInfo::GetViewInfo(View &view, SUSUnit::Unit &metric, SUSUnit::Unit &british,
                           double &britishRatio, bool &fractional, SUSUnit::Unit &custom,
                           double &customRatio) {
  view = m_vUnit;
  metric = m_suMetric;
  british = m_suBritish;
  britishRatio = m_dBritishRatio;
  fractional = m_bFractional;
  custom = m_suCustom;
  customRatio = m_dCustomRatio;
}

void GSUSInfo::GetViewInfo(SUSViewInfo &info) {
  GetViewInfo(info.view, info.metric, info.british, info.britishRatio, info.fractional, info.custom,
              info.customRatio);
}

void GSUSInfo::SetViewInfo(View view, SUSUnit::Unit metric, SUSUnit::Unit british,
                           double britishRatio, bool fractional, SUSUnit::Unit custom,
                           double customRatio) {
  m_vUnit = view;
  m_suMetric = metric;
  m_suBritish = british;
  m_dBritishRatio = britishRatio;
  m_bFractional = fractional;
  m_suCustom = custom;
  m_dCustomRatio = customRatio;
  check();
}

void GSUSInfo::SetViewInfo(const SUSViewInfo &info) {
  SetViewInfo(info.view, info.metric, info.british, info.britishRatio, info.fractional, info.custom,
              info.customRatio);
}

double GSUSInfo::GetViewScale(bool *fractional) {
  double metres;
  switch (m_vUnit) {
  case ViewMetric:
    metres = factorOf(m_suMetric);
    break;
  case ViewCustom:
    metres = m_dCustomRatio * factorOf(m_suCustom);
    break;
  case ViewBritish:
    metres = m_dBritishRatio * factorOf(m_suBritish);
    break;
  case ViewScene:
    metres = Scale();
    break;
  default:
    metres = 1.0;
    break;
  }
  if (fractional)
    *fractional = m_bFractional;
  return metres / Scale();
}

// Listeners ------------------------------------------------------------------

void GSUSInfo::RegisterCallback(GCallBackReason reason, GCallBackList::Function callback,
                                void *user) {
  listeners().attach_callback(callback, reason, user);
}

void GSUSInfo::UnRegisterCallback(GCallBackReason reason, GCallBackList::Function callback,
                                  void *user) {
  listeners().detach_callback(callback, reason, user);
}

void GSUSInfo::EvokeCallback(GCallBackReason reason) { listeners().call(reason, nullptr); }

void GSUSInfo::notify() {
  m_ciLastInfo.ratio = m_dRatio;
  m_ciLastInfo.unit = m_suUnit;
  EvokeCallback(kScaleChanged);
}

void GSUSInfo::check() {
  if (!knownUnit(m_suUnit))
    m_suUnit = SUSUnit::Meter;
  if (!usableScale(m_dRatio))
    m_dRatio = 1.0;
  if (m_vUnit < ViewMetric || m_vUnit > ViewScene)
    m_vUnit = ViewScene;
  if (!knownUnit(m_suMetric))
    m_suMetric = SUSUnit::Meter;
  if (!knownUnit(m_suBritish))
    m_suBritish = SUSUnit::Inch;
  if (!ratioInRange(m_dBritishRatio))
    m_dBritishRatio = 1.0;
  if (!knownUnit(m_suCustom))
    m_suCustom = SUSUnit::Meter;
  if (!ratioInRange(m_dCustomRatio))
    m_dCustomRatio = 1.0;
}

bool GSUSInfo::SUSInfo::operator==(const SUSInfo &other) const {
  return unit == other.unit && sameRatio(ratio, other.ratio) && convert == other.convert;
}

bool GSUSInfo::SUSViewInfo::operator==(const SUSViewInfo &other) const {
  return view == other.view && metric == other.metric && british == other.british &&
         sameRatio(britishRatio, other.britishRatio) && fractional == other.fractional &&
         custom == other.custom && sameRatio(customRatio, other.customRatio);
}

// GScaledObject --------------------------------------------------------------

GScaledObject::GScaledObject() { GSUSInfo::RegisterCallback(kScaleChanged, &callback, this); }

GScaledObject::GScaledObject(const GScaledObject &other) : m_lScaleData(other.m_lScaleData) {
  // A copy is an object of its own: it must hear of changes too, and its
  // destructor unregisters exactly this registration.
  GSUSInfo::RegisterCallback(kScaleChanged, &callback, this);
}

GScaledObject &GScaledObject::operator=(const GScaledObject &other) {
  m_lScaleData = other.m_lScaleData;
  return *this;
}

GScaledObject::~GScaledObject() { GSUSInfo::UnRegisterCallback(kScaleChanged, &callback, this); }

void GScaledObject::callback(GCallBackReason reason, void *, void *user) {
  if (reason == kScaleChanged && user)
    static_cast<GScaledObject *>(user)->onScaleChanged();
}
