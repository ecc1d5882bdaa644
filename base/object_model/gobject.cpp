//===- gobject.cpp - Objects with weak smart pointers --------------------===//

#include "object_model/gobject.h"
#include "object_model/class_system.h"
#include "object_model/suspended_destruction.h"
#include "platform/sync.h"

#include <mutex>

namespace vyx::detail {

CriticalSection &SmartPointerLock() {
  // Never destroyed: pointers held by static objects of any module may be
  // dropped during process exit, after this file's own statics are gone.
  static CriticalSection *lock = new CriticalSection;
  return *lock;
}

} // namespace vyx::detail

namespace {
using Guard = std::lock_guard<vyx::CriticalSection>;
}

VYX_IMPLEMENT_ABSTRACT_CLASS(GObject, "GObject", &vyx::BaseModuleHandle, GRTTIObject)

GObject::GObject(const GObject &other)
    : GRTTIObject(other), SmartPointersEnabled(other.isSmartPointersEnabled()) {}

GObject &GObject::operator=(const GObject &other) {
  if (this != &other) {
    GRTTIObject::operator=(other);
    applyEnabled(other.isSmartPointersEnabled());
  }
  return *this;
}

GObject::~GObject() {
  Guard guard(vyx::detail::SmartPointerLock());
  // Take each pointer off the list before telling it, so that nothing a
  // pointer does in object_destroyed can reach the dying list.
  while (GPointer *p = FirstPointer) {
    FirstPointer = p->Next;
    if (FirstPointer)
      FirstPointer->Previous = nullptr;
    p->Next = nullptr;
    p->Previous = nullptr;
    p->object_destroyed();
    // Whatever an override did, no pointer may keep naming a dead object.
    if (p->RealPointer == this) {
      p->RealPointer = nullptr;
      p->Pointer = nullptr;
    }
  }
}

void GObject::enableSmartPointers(bool enable) { applyEnabled(enable); }

void GObject::applyEnabled(bool enable) {
  Guard guard(vyx::detail::SmartPointerLock());
  for (GPointer *p = FirstPointer; p; p = p->Next)
    p->enable_pointer(enable);
  SmartPointersEnabled = enable;
}

bool GObject::isSmartPointersEnabled() const {
  Guard guard(vyx::detail::SmartPointerLock());
  return SmartPointersEnabled;
}

void GObject::condemn() { SuspendedDestruction::Put(this); }

// GPointer -------------------------------------------------------------------

GPointer::GPointer(GObject *object) {
  Guard guard(vyx::detail::SmartPointerLock());
  link(object);
}

GPointer::GPointer(const GPointer &other) {
  Guard guard(vyx::detail::SmartPointerLock());
  link(other.RealPointer);
}

GPointer &GPointer::operator=(const GPointer &other) {
  Guard guard(vyx::detail::SmartPointerLock());
  if (this != &other && RealPointer != other.RealPointer) {
    GObject *object = other.RealPointer;
    unlink();
    link(object);
  }
  return *this;
}

GPointer &GPointer::operator=(GObject *object) {
  Guard guard(vyx::detail::SmartPointerLock());
  if (RealPointer != object) {
    unlink();
    link(object);
  }
  return *this;
}

GPointer::~GPointer() { remove_from_list(); }

void GPointer::remove_from_list() {
  Guard guard(vyx::detail::SmartPointerLock());
  unlink();
}

void GPointer::link(GObject *object) {
  RealPointer = object;
  Previous = nullptr;
  Next = nullptr;
  if (!object) {
    Pointer = nullptr;
    return;
  }
  Pointer = object->SmartPointersEnabled ? object : nullptr;
  Next = object->FirstPointer;
  if (Next)
    Next->Previous = this;
  object->FirstPointer = this;
}

void GPointer::unlink() {
  // A pointer whose object died holds no link any more (see ~GObject), so
  // nothing stale is ever followed here.
  if (RealPointer) {
    if (Previous)
      Previous->Next = Next;
    else if (RealPointer->FirstPointer == this)
      RealPointer->FirstPointer = Next;
    if (Next)
      Next->Previous = Previous;
  }
  Pointer = nullptr;
  RealPointer = nullptr;
  Next = nullptr;
  Previous = nullptr;
}

void GPointer::object_destroyed() {
  Pointer = nullptr;
  RealPointer = nullptr;
  Previous = nullptr;
  Next = nullptr;
}

void GPointer::enable_pointer(bool enable) { Pointer = enable ? RealPointer : nullptr; }

bool GPointer::pointer_enabled() const { return Pointer != nullptr || RealPointer == nullptr; }
