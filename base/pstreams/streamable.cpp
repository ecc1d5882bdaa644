//===- streamable.cpp - Streamable objects and the version time ----------===//

#include "pstreams/streamable.h"
#include "pstreams/handed_out_addresses.h"
#include "pstreams/memory_pstream.h"
#include "pstreams/pstream.h"

#include "config/units.h"
#include "object_model/suspended_destruction.h"
#include "platform/sync.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

VYX_IMPLEMENT_ABSTRACT_CLASS(GStreamable, "GStreamable", &vyx::BaseModuleHandle, GObject)

namespace {

using Guard = std::lock_guard<vyx::CriticalSection>;

/// Arrays made by GStreamable::NewArray, keyed by their first element.
struct ArrayRecord {
  unsigned Count;
  std::size_t ElementSize;
  void (*Deleter)(GStreamable *first);
};

/// Process-wide bookkeeping, created on first use and never destroyed, so
/// that objects destroyed during process exit still find it.
struct StreamableRegistry {
  vyx::CriticalSection Lock;
  std::unordered_map<const GStreamable *, ArrayRecord> Arrays;
  std::unordered_set<const GStreamable *> HandedOut;
  /// HandedOut.size(), readable without the lock: destroying a streamable
  /// costs one atomic load while no memory stream has handed out addresses.
  std::atomic<std::size_t> HandedOutCount{0};
};

StreamableRegistry &registry() {
  static StreamableRegistry *r = new StreamableRegistry;
  return *r;
}

// Version time: hours on a calendar of 12 months of 31 days.
constexpr int32_t HoursPerDay = 24;
constexpr int32_t HoursPerMonth = 31 * HoursPerDay;  // 744
constexpr int32_t HoursPerYear = 12 * HoursPerMonth; // 8928

int32_t localVersionTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  if (!localtime_r(&now, &local))
    return 0;
  return (local.tm_year + 1900) * HoursPerYear + local.tm_mon * HoursPerMonth +
         (local.tm_mday - 1) * HoursPerDay + local.tm_hour;
}

std::atomic<int32_t> VersionTime{localVersionTime()};

/// How deferred destruction destroys objects once this library is loaded.
void destroyCondemned(GObject *object) {
  if (GStreamable *streamable = vyx::rtti_cast<GStreamable>(object))
    GStreamable::Destroy(streamable);
  else
    object->destroyThis();
}

[[maybe_unused]] const bool HookInstalled = (vyx::InstallStreamableDestroyHook(), true);

} // namespace

namespace vyx {

void InstallStreamableDestroyHook() { SetDestroyHook(&destroyCondemned); }

namespace detail {

void RememberHandedOutAddress(const GStreamable *object) {
  StreamableRegistry &r = registry();
  Guard guard(r.Lock);
  if (r.HandedOut.insert(object).second)
    r.HandedOutCount.fetch_add(1);
}

bool IsHandedOutAddress(const GStreamable *object) {
  StreamableRegistry &r = registry();
  if (r.HandedOutCount.load() == 0)
    return false;
  Guard guard(r.Lock);
  return r.HandedOut.count(object) != 0;
}

} // namespace detail
} // namespace vyx

GStreamable::~GStreamable() {
  StreamableRegistry &r = registry();
  if (r.HandedOutCount.load() == 0)
    return;
  Guard guard(r.Lock);
  if (r.HandedOut.erase(this))
    r.HandedOutCount.fetch_sub(1);
}

void GStreamable::shut_down() {}

void GStreamable::read(ipstream &is) {
  is.readByte();
  double scale = 0;
  is >> scale;
  GSUSInfo::InputScale(scale);
}

void GStreamable::write(opstream &os) {
  os << static_cast<unsigned char>(0);
  os << GSUSInfo::Scale();
}

GStreamable *GStreamable::clone() {
  mpstream stream;
  stream.writeStreamablePointer(this, false);
  // A copy made from an incomplete record would not be a copy.
  if (!stream.good())
    throw NonZeroPStreamState_Exception(stream.rdstate());
  stream.seekg(0);
  return static_cast<GStreamable *>(stream.readPointer(GStreamable::gTypeInfo_));
}

void GStreamable::Destroy(GStreamable *object) {
  if (!object)
    return;
  object->shut_down();
  delete object;
}

void GStreamable::RegisterArray(GStreamable *first, unsigned n, std::size_t elementSize,
                                ArrayDeleter deleter) {
  StreamableRegistry &r = registry();
  Guard guard(r.Lock);
  r.Arrays[first] = ArrayRecord{n, elementSize, deleter};
}

void GStreamable::Destroy(unsigned n, GStreamable *array) {
  if (!array)
    return;
  ArrayRecord record;
  {
    StreamableRegistry &r = registry();
    Guard guard(r.Lock);
    auto it = r.Arrays.find(array);
    if (it == r.Arrays.end())
      return;
    record = it->second;
    r.Arrays.erase(it);
  }
  // Elements lie ElementSize bytes apart; `array` points at the GStreamable
  // part of the first, and that part sits at the same offset in each.
  auto *bytes = reinterpret_cast<unsigned char *>(array);
  for (unsigned i = 0; i < std::min(n, record.Count); ++i)
    reinterpret_cast<GStreamable *>(bytes + i * record.ElementSize)->shut_down();
  record.Deleter(array);
}

int32_t GStreamable::GetTickCount() { return localVersionTime(); }

int32_t GStreamable::GetVersionTime() { return VersionTime.load(); }

void GStreamable::GetVersionTime(int &year, int &month, int &day, int &hour) {
  int32_t t = VersionTime.load();
  hour = t % HoursPerDay;
  day = (t / HoursPerDay) % 31 + 1;
  month = (t / HoursPerMonth) % 12 + 1;
  year = t / HoursPerYear;
}

void GStreamable::SetVersionTime(int year, int month, int day, int hour) {
  int64_t t = static_cast<int64_t>(year) * HoursPerYear +
              static_cast<int64_t>(month - 1) * HoursPerMonth +
              static_cast<int64_t>(day - 1) * HoursPerDay + hour;
  // The version time is a signed 32-bit count: a date beyond it is refused
  // rather than wrapped into another date.
  if (t < std::numeric_limits<int32_t>::min() || t > std::numeric_limits<int32_t>::max())
    return;
  VersionTime.store(static_cast<int32_t>(t));
}
