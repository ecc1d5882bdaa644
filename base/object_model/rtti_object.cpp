//===- rtti_object.cpp - Root of the run-time classes --------------------===//

#include "object_model/rtti_object.h"
#include "object_model/exceptions.h"
#include "strings/gstring.h"

constinit const type_info GRTTIObject::gTypeInfo_("GRTTIObject");
const GMetaClass GRTTIObject::metaclass_(&vyx::BaseModuleHandle, GRTTIObject::gTypeInfo_,
                                         "GRTTIObject", nullptr, nullptr, nullptr);

GRTTIObject::~GRTTIObject() = default;

const GMetaClass &GRTTIObject::getMetaClass() const { return metaclass_; }

const type_info &GRTTIObject::getTypeInfo_() const { return gTypeInfo_; }

void *GRTTIObject::cast_to_(const type_info &t) const {
  return t == gTypeInfo_ ? const_cast<GRTTIObject *>(this) : nullptr;
}

bool GRTTIObject::isKindOf(const GMetaClass *m) const {
  if (!m)
    return false;
  const type_info *type = m->getTypeInfo();
  return type && cast_to_(*type) != nullptr;
}

bool GRTTIObject::isKindOf(const char *name) const {
  return isKindOf(GMetaClass::FindByName(name));
}

bool GRTTIObject::hasTheSameClassAs(const GMetaClass *m) const { return m && getMetaClass() == *m; }

bool GRTTIObject::hasTheSameClassAs(const GRTTIObject *o) const {
  return o && getMetaClass() == o->getMetaClass();
}

bool GRTTIObject::hasTheSameClassAs(const char *name) const {
  return hasTheSameClassAs(GMetaClass::FindByName(name));
}

void GRTTIObject::destroyThis() { getMetaClass().destroyObject(this); }

bool GRTTIObject::load_string(GString &s, unsigned id) const {
  return s.loadString(hinstance(), id);
}

void *check_ptr_for_typesafe_cast_(void *p) {
  if (!p)
    throw bad_cast();
  return p;
}
