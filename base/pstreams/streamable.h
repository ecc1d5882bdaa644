//===- streamable.h - Objects that persistent streams write and read -*- C++ -*-===//
//
// GStreamable is the base of every object that a pstream can write and read
// back. A class writes its own fields in write(opstream &) and reads them in
// read(ipstream &); the stream adds the class name, the object numbering and
// the back-references that make a whole object graph restorable.
//
// A streamable class that can be built by name (VYX_IMPLEMENT_CLASS) is read
// by pointer: the reader builds a default-constructed object through the
// class registry and calls its read. A class whose default constructor does
// more than read needs may offer a protected constructor taking
// GStreamable::StreamableInit, which builds the object in the state that read
// then fills.
//
// The library keeps one process-wide "version time": hours on a calendar of
// 12 months of 31 days, set to the current local time when the library loads.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PSTREAMS_STREAMABLE_H
#define VYX_PSTREAMS_STREAMABLE_H

#include "object_model/gobject.h"
#include "vyx_base_export.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>

class opstream;
class ipstream;

/// An object that persistent streams can write and read. Registered as
/// "GStreamable" with base GObject and without builder.
class VYX_BASE_API GStreamable : public GObject {
  VYX_DECLARE_CLASS(GStreamable);

  /// Tag of the constructor that builds an object ready to be read.
  enum StreamableInit { streamableInit };

  GStreamable() = default;
  /// Copies the should-write flag (and, as GObject does, the smart-pointer
  /// flag, never the pointer list).
  GStreamable(const GStreamable &other) = default;
  GStreamable &operator=(const GStreamable &other) = default;
  /// Forgets this object's address if an in-process memory stream handed it
  /// out, so that a later read of that address cannot reach a dead object.
  ~GStreamable() override;

  /// 1 (the default) writes the object; 0 writes it as absent.
  unsigned char shouldWrite() const { return ShouldWrite; }
  void shouldWrite(unsigned char flag) { ShouldWrite = flag; }

  /// Called by Destroy before the object is deleted; does nothing here.
  virtual void shut_down();
  /// Reads and ignores one byte, then reads the writer's unit scale (a
  /// double) and hands it to GSUSInfo::InputScale(double).
  virtual void read(ipstream &is);
  /// Writes a byte 0, then the current unit scale GSUSInfo::Scale().
  virtual void write(opstream &os);
  /// A copy made by writing this object into a memory pstream and reading
  /// it back: exactly what write and read preserve. The caller owns it.
  virtual GStreamable *clone();

  /// shut_down(), then delete; nothing for null.
  static void Destroy(GStreamable *object);
  static void destroy(GStreamable *object) { Destroy(object); }
  /// For an array made by NewArray: shut_down() on each of its first `n`
  /// elements (at most as many as it has), then releases the array. Any
  /// other pointer is left alone: its element size and allocation are not
  /// known.
  static void Destroy(unsigned n, GStreamable *array);
  static void destroy(unsigned n, GStreamable *array) { Destroy(n, array); }
  /// An array of `n` default-constructed objects that Destroy(n, array)
  /// can release. Null for n == 0.
  template <class T> static T *NewArray(unsigned n);

  /// The current local time as version time.
  static int32_t GetTickCount();
  static int32_t GetVersionTime();
  static void GetVersionTime(int &year, int &month, int &day, int &hour);
  /// Stores year * 8928 + (month - 1) * 744 + (day - 1) * 24 + hour.
  static void SetVersionTime(int year, int month, int day, int hour);

protected:
  explicit GStreamable(StreamableInit) {}

private:
  using ArrayDeleter = void (*)(GStreamable *first);
  static void RegisterArray(GStreamable *first, unsigned n, std::size_t elementSize,
                            ArrayDeleter deleter);

  unsigned char ShouldWrite = 1;
};

template <class T> T *GStreamable::NewArray(unsigned n) {
  static_assert(std::is_base_of_v<GStreamable, T>, "NewArray makes arrays of streamables");
  if (n == 0)
    return nullptr;
  T *array = new T[n];
  try {
    RegisterArray(array, n, sizeof(T),
                  [](GStreamable *first) { delete[] static_cast<T *>(first); });
  } catch (...) {
    delete[] array;
    throw;
  }
  return array;
}

namespace vyx {

/// Installs GStreamable::Destroy as the way deferred destruction destroys
/// streamable objects (others still go through destroyThis). The library
/// does this when it loads; calling it again does no harm.
VYX_BASE_API void InstallStreamableDestroyHook();

} // namespace vyx

#endif // VYX_PSTREAMS_STREAMABLE_H
