//===- class_system.h - Shared state of the run-time class system -*- C++ -*-===//
//
// Internal to libvyx_base (these functions are not exported): the pieces of
// process-wide state that several files of the object model share.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_OBJECT_MODEL_CLASS_SYSTEM_H
#define VYX_OBJECT_MODEL_CLASS_SYSTEM_H

class GMetaClass;

namespace vyx {
class CriticalSection;
}

namespace vyx::detail {

/// Deletes the table of GetDynamicTypeInfo; called when the class registry
/// is deleted with the last registered class.
void ReleaseDynamicTypeInfos();

/// Discards the metadata records of the class `m` (under every index); called
/// when its metaclass unregisters, while the module that set the records
/// (and their free functions) is still loaded.
void ForgetMetaDataOf(const GMetaClass *m);

/// The process-wide recursive lock of every smart-pointer list. Created on
/// first use and never destroyed, so objects of any module may use it during
/// their static destruction.
CriticalSection &SmartPointerLock();

} // namespace vyx::detail

#endif // VYX_OBJECT_MODEL_CLASS_SYSTEM_H
