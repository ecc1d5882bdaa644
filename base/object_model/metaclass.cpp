//===- metaclass.cpp - Run-time class descriptors and the registry -------===//

#include "object_model/metaclass.h"
#include "object_model/class_dictionary.h"
#include "object_model/class_system.h"
#include "object_model/exceptions.h"
#include "object_model/rtti_object.h"

#include <cstdarg>
#include <memory>

namespace {

/// The class registry. Constant initialised (a plain null pointer), so the
/// first registration finds it usable whichever module registers first, and
/// nothing destroys it behind the back of a module that unloads last.
constinit GClassDictionary *Registry = nullptr;

void deleteRegistryIfEmpty() {
  if (Registry && Registry->getCount() == 0) {
    delete Registry;
    Registry = nullptr;
    vyx::detail::ReleaseDynamicTypeInfos();
  }
}

} // namespace

GMetaClass::GMetaClass(HINSTANCE *module, const type_info &type, const char *name, Builder builder,
                       Destroyer destroyer, const GMetaClass *base)
    : Type(&type), Name(name), ClassBuilder(builder), ClassDestroyer(destroyer),
      SingleAncestor(base), AncestorCount(base ? 1 : 0), Module(module) {
  registerClass();
}

GMetaClass::GMetaClass(HINSTANCE *module, const type_info &type, const char *name, Builder builder,
                       Destroyer destroyer, int count, ...)
    : Type(&type), Name(name), ClassBuilder(builder), ClassDestroyer(destroyer), Module(module) {
  // A count of 0 or less reads no argument: a root class.
  if (count > 1) {
    std::unique_ptr<const GMetaClass *[]> bases(new const GMetaClass *[count]);
    va_list args;
    va_start(args, count);
    for (int i = 0; i < count; ++i)
      bases[i] = va_arg(args, const GMetaClass *);
    va_end(args);
    AncestorArray = bases.release();
    AncestorCount = count;
  } else if (count == 1) {
    va_list args;
    va_start(args, count);
    SingleAncestor = va_arg(args, const GMetaClass *);
    va_end(args);
    AncestorCount = SingleAncestor ? 1 : 0;
  }
  registerClass();
}

GMetaClass::GMetaClass(const GMetaClass &current, const char *name)
    : GMetaClass(current, name, nullptr, nullptr) {}

GMetaClass::GMetaClass(const GMetaClass &current, const char *name, Builder builder,
                       Destroyer destroyer)
    : Type(nullptr), Name(name), ClassBuilder(builder), ClassDestroyer(destroyer),
      SingleAncestor(&current), AncestorCount(-1), Module(nullptr) {
  registerClass();
}

GMetaClass::~GMetaClass() {
  delete[] AncestorArray;
  // Records keyed by this class would outlive it (and their free functions
  // may live in the module being unloaded).
  if (!isOldClass())
    vyx::detail::ForgetMetaDataOf(this);
  if (!Registry)
    return;
  // A registration that found its name taken registered nothing: the entry
  // under this name then belongs to another metaclass and stays.
  long index;
  if (Registry->search_name(Name, index) && Registry->at(index) == this)
    Registry->at_remove(index);
  deleteRegistryIfEmpty();
}

void GMetaClass::registerClass() {
  try {
    if (!Registry)
      Registry = new GClassDictionary;
    long index;
    if (!Registry->search_name(Name, index)) {
      Registry->at_insert(index, this);
      return;
    }
    // The same name with the same builder is the same class registered
    // twice (for example a class compiled into two modules): keep the first.
    if (Registry->at(index)->ClassBuilder == ClassBuilder)
      return;
    throw DuplicatedTypes_Exception(Name);
  } catch (...) {
    // The constructor fails: no destructor will run for this object.
    delete[] AncestorArray;
    AncestorArray = nullptr;
    deleteRegistryIfEmpty();
    throw;
  }
}

HINSTANCE GMetaClass::getModule() const {
  HINSTANCE *module = getClassIdentifier()->Module;
  return module ? *module : nullptr;
}

const GMetaClass *GMetaClass::getAncestor(long i) const {
  const GMetaClass *id = getClassIdentifier();
  if (i < 0 || i >= id->AncestorCount)
    return nullptr;
  return id->AncestorCount == 1 ? id->SingleAncestor : id->AncestorArray[i];
}

const GMetaClass *GMetaClass::findBase(const GMetaClass *self, const GMetaClass *target) {
  // Single inheritance walks up in a loop; only a class with several bases
  // branches, asking its bases from the last to the first.
  while (self) {
    if (self == target)
      return target;
    if (self->AncestorCount == 1) {
      self = self->SingleAncestor->getClassIdentifier();
      continue;
    }
    for (long i = self->AncestorCount - 1; i >= 1; --i) {
      const GMetaClass *base = self->AncestorArray[i];
      if (const GMetaClass *found = base ? findBase(base->getClassIdentifier(), target) : nullptr)
        return found;
    }
    const GMetaClass *first = self->AncestorCount > 1 ? self->AncestorArray[0] : nullptr;
    self = first ? first->getClassIdentifier() : nullptr;
  }
  return nullptr;
}

const GMetaClass *GMetaClass::isKindOf(const GMetaClass &m) const {
  return findBase(getClassIdentifier(), m.getClassIdentifier());
}

const GMetaClass *GMetaClass::getBaseDerivedFrom(const GMetaClass &m) const {
  if (!isKindOf(m))
    return nullptr;
  long count = getAncestorsCount();
  for (long i = 0; i < count; ++i) {
    const GMetaClass *base = getAncestor(i);
    if (base && *base == m)
      return &m;
  }
  return nullptr;
}

void GMetaClass::collectBases(GClassDictionary &d, bool recursive) const {
  for (long i = getAncestorsCount() - 1; i >= 0; --i) {
    const GMetaClass *base = getAncestor(i);
    if (!base)
      continue;
    d.insert(*base->getClassIdentifier());
    if (recursive)
      base->collectBases(d, true);
  }
}

void GMetaClass::getBaseClasses(GClassDictionary &d, bool recursive) const {
  d.empty();
  collectBases(d, recursive);
}

void GMetaClass::getDerivedClasses(GClassDictionary &d, bool recursive) const {
  GetApplicationClasses(d);
  const GMetaClass *self = getClassIdentifier();
  for (long i = d.getCount() - 1; i >= 0; --i) {
    const GMetaClass *entry = d.at(i);
    bool qualifies = false;
    if (entry->isOldClass()) {
      qualifies = false;
    } else if (recursive) {
      qualifies = entry != self && entry->isKindOf(*self);
    } else {
      for (long k = 0; k < entry->AncestorCount && !qualifies; ++k) {
        const GMetaClass *base = entry->getAncestor(k);
        qualifies = base && base->getClassIdentifier() == self;
      }
    }
    if (!qualifies)
      d.at_remove(i);
  }
}

GRTTIObject *GMetaClass::buildObject() const {
  Builder builder = getBuilder();
  return builder ? builder() : nullptr;
}

void GMetaClass::destroyObject(GRTTIObject *p) const {
  if (!p)
    return;
  if (Destroyer destroyer = getDestroyer())
    destroyer(p);
  else
    delete p;
}

long GMetaClass::GetCount() { return Registry ? Registry->getCount() : 0; }

const GMetaClass *GMetaClass::At(long i) { return Registry ? Registry->at(i) : nullptr; }

const GMetaClass *GMetaClass::FindByName(const char *name) {
  if (!name || !Registry)
    return nullptr;
  long index;
  return Registry->search_name(name, index) ? Registry->at(index) : nullptr;
}

const GMetaClass *GMetaClass::FindByTypeInfo(const type_info &type) {
  if (!Registry)
    return nullptr;
  for (long i = Registry->getCount() - 1; i >= 0; --i) {
    const GMetaClass *id = Registry->at(i)->getClassIdentifier();
    if (id->Type == &type)
      return id;
  }
  return nullptr;
}

GRTTIObject *GMetaClass::BuildByName(const char *name) {
  const GMetaClass *m = FindByName(name);
  return m ? m->buildObject() : nullptr;
}

void GMetaClass::GetApplicationClasses(GClassDictionary &d) {
  if (Registry)
    d = *Registry;
  else
    d.empty();
}
