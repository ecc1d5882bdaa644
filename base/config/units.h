//===- units.h - The scene unit system --------------------------*- C++ -*-===//
//
// GSUSInfo is the process-wide unit system of scene lengths: a table of
// length units (SUSUnit rows), the unit and ratio the scene is modelled in,
// the scale applied to lengths read from persistent streams, the default
// units of imported data and the settings of the unit lengths are shown in.
// Everything is static; a static GSUSInfo(true) fills the table at library
// load.
//
// The input scale (m_dInputScale) is per thread: the default
// GStreamable::read sets it from the scale the writer stored, and two threads
// reading two streams must neither race on it nor scale each other's
// lengths. Every other member is process-wide and is meant to be changed
// from one thread while no stream is read.
//
// GScaledObject is the base of objects that react when the scene unit or
// ratio changes: each one listens on GSUSInfo's callback list for reason 0.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CONFIG_UNITS_H
#define VYX_CONFIG_UNITS_H

#include "object_model/callbacks.h"
#include "vyx_base_export.h"

#include <cstdint>

template <class T> class TGCollection;

/// One row of the unit table (a plain record). The texts are kept by pointer,
/// not copied.
class VYX_BASE_API SUSUnit {
public:
  enum Unit : int32_t {
    Inch = 16,
    Foot = 17,
    Mile = 18,
    Millimeter = 48,
    Centimeter = 49,
    Meter = 50,
    Kilometer = 51
  };
  enum Type : int32_t { British = 256, Metric = 512 };

  SUSUnit(Unit unit, Type type, const char *name, const char *plural, double factor, bool flag)
      : unit(unit), type(type), name(name), plural(plural), factor(factor), flag(flag) {}

  Unit unit;
  Type type;
  const char *name;
  const char *plural;
  /// Metres per unit.
  double factor;
  /// Stored for the application; the library does not interpret it.
  bool flag;
};

/// The scene unit system (all static).
class VYX_BASE_API GSUSInfo {
public:
  /// Which unit lengths are shown in.
  enum View : int32_t {
    ViewMetric = 0,  ///< m_suMetric
    ViewCustom = 1,  ///< m_suCustom with m_dCustomRatio
    ViewBritish = 2, ///< m_suBritish with m_dBritishRatio
    ViewScene = 3    ///< m_suUnit with m_dRatio
  };

  /// Unit, ratio and convert flag.
  struct VYX_BASE_API SUSInfo {
    SUSUnit::Unit unit;
    double ratio;
    bool convert;
    /// Ratios that are not ordered apart are equal (two NaNs count as equal).
    bool operator==(const SUSInfo &other) const;
    bool operator!=(const SUSInfo &other) const { return !(*this == other); }
  };

  /// The view settings.
  struct VYX_BASE_API SUSViewInfo {
    View view;
    SUSUnit::Unit metric;
    SUSUnit::Unit british;
    double britishRatio;
    bool fractional;
    SUSUnit::Unit custom;
    double customRatio;
    bool operator==(const SUSViewInfo &other) const;
    bool operator!=(const SUSViewInfo &other) const { return !(*this == other); }
  };

  /// Ratio and unit as they stood at the latest change notification.
  struct ChangeInfo {
    double ratio;
    SUSUnit::Unit unit;
  };

  /// GSUSInfo(true) fills the unit table and sets the initial values;
  /// GSUSInfo(false) does nothing.
  explicit GSUSInfo(bool init);

  // The unit table (thin forwards to the collection).
  static SUSUnit *at(int index);
  static int index_of(const SUSUnit *unit);
  /// Appends; the table owns the row from now on. Returns its index.
  static int insert(SUSUnit *unit);
  static void at_insert(int index, SUSUnit *unit);
  static void at_put(int index, SUSUnit *unit);
  /// Detaches without deleting.
  static void remove(SUSUnit *unit);
  /// Detaches and deletes.
  static void free(SUSUnit *unit);
  static int getCount();

  /// Index of the first row of unit `u`; 0 when there is none.
  static int ID(SUSUnit::Unit u);
  /// The row at ID(u) (row 0 for an unknown unit); null only when the table
  /// is empty.
  static SUSUnit *atID(SUSUnit::Unit u);

  static SUSUnit::Unit Unit();
  /// Sets the scene unit, notifies the listeners, then checks.
  static void Unit(SUSUnit::Unit u);
  static double Ratio();
  /// Sets the scene ratio, notifies the listeners, then checks.
  static void Ratio(double r);
  static bool Convert();
  /// Sets the convert flag (no notification, no check).
  static void Convert(bool b);
  static void GetInfo(SUSUnit::Unit &unit, double &ratio, bool &convert);
  static void GetInfo(SUSInfo &info);
  /// Sets all three, notifies, then checks.
  static void SetInfo(SUSUnit::Unit unit, double ratio, bool convert);
  static void SetInfo(const SUSInfo &info);

  /// Metres per scene unit: ratio × factor of the scene unit.
  static double Scale();
  /// The calling thread's input scale when converting, else exactly 1.0.
  static double InputScale();
  /// Sets the calling thread's input scale to x / Scale(), where x is the
  /// scale (metres per unit) of the data about to be read. A non-finite or
  /// non-positive x counts as 1.0. The convert flag is not changed.
  static void InputScale(double x);

  static SUSUnit::Unit DefaultImportUnits();
  static void DefaultImportUnits(SUSUnit::Unit u);
  static double DefaultImportRatio();
  static void DefaultImportRatio(double r);
  /// Default ratio × factor of the default unit.
  static double ImportScale();

  static void GetViewInfo(View &view, SUSUnit::Unit &metric, SUSUnit::Unit &british,
                          double &britishRatio, bool &fractional, SUSUnit::Unit &custom,
                          double &customRatio);
  static void GetViewInfo(SUSViewInfo &info);
  /// Sets all seven, then checks (no notification).
  static void SetViewInfo(View view, SUSUnit::Unit metric, SUSUnit::Unit british,
                          double britishRatio, bool fractional, SUSUnit::Unit custom,
                          double customRatio);
  static void SetViewInfo(const SUSViewInfo &info);
  /// Scene units in one shown unit; stores m_bFractional in `fractional`
  /// when it is not null.
  static double GetViewScale(bool *fractional);

  static void RegisterCallback(GCallBackReason reason, GCallBackList::Function callback,
                               void *user);
  static void UnRegisterCallback(GCallBackReason reason, GCallBackList::Function callback,
                                 void *user);
  /// Calls the listeners for `reason` with a null data pointer.
  static void EvokeCallback(GCallBackReason reason);

  static SUSUnit::Unit m_suUnit;
  static double m_dRatio;
  static bool m_bConvert;
  /// Per thread (see the file comment).
  static thread_local double m_dInputScale;
  static SUSUnit::Unit m_suDefaultUnit;
  static double m_suDefaultRatio;
  static View m_vUnit;
  static SUSUnit::Unit m_suMetric;
  static SUSUnit::Unit m_suBritish;
  static double m_dBritishRatio;
  static bool m_bFractional;
  static SUSUnit::Unit m_suCustom;
  static double m_dCustomRatio;
  static const double MIN_RATIO_VALUE;
  static const double MAX_RATIO_VALUE;
  static const double MIN_SCALE_VALUE;
  static const double MAX_SCALE_VALUE;
  static ChangeInfo m_ciLastInfo;
  /// The unit table and the listeners, created at library load.
  static TGCollection<SUSUnit> &m_susInfo;
  static GCallBackList &m_clCallbacks;
  static bool m_bInit;

private:
  static void notify();
  static void check();
};

/// Base of objects that react when the scene unit or ratio changes.
class VYX_BASE_API GScaledObject {
public:
  /// Registers callback() for reason 0 with this object as user pointer.
  GScaledObject();
  /// Copies the field and registers this object as well.
  GScaledObject(const GScaledObject &other);
  /// Copies the field; the registrations stay as they are.
  GScaledObject &operator=(const GScaledObject &other);
  /// Unregisters this object.
  virtual ~GScaledObject();

  /// Called when the scene unit or ratio changed.
  virtual void onScaleChanged() = 0;

  /// Calls onScaleChanged() on `user` (a GScaledObject) for reason 0.
  static void callback(GCallBackReason reason, void *data, void *user);

protected:
  int32_t m_lScaleData = 0;
};

#endif // VYX_CONFIG_UNITS_H
