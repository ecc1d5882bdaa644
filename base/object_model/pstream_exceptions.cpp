//===- pstream_exceptions.cpp - Exceptions that name a metaclass ---------===//
//
// The two pstream exceptions whose messages carry the name of a run-time
// class descriptor (GMetaClass).
//
//===----------------------------------------------------------------------===//

#include "object_model/exceptions.h"

#if __has_include("object_model/metaclass.h")
#include "object_model/metaclass.h"
#define VYX_HAS_METACLASS 1
#endif

namespace {

/// Message ids of VYX_BASE's table.
enum MessageId : unsigned { MsgPStreamSuffix = 8, MsgAbstractClass = 9 };

const char *nameOf(const GMetaClass *metaclass) {
#ifdef VYX_HAS_METACLASS
  if (metaclass && metaclass->getName())
    return metaclass->getName();
#else
  (void)metaclass;
#endif
  return "";
}

} // namespace

InvalidPStreamSuffix_Exception::InvalidPStreamSuffix_Exception(long position,
                                                               const GMetaClass *metaclass)
    : Position(position), MetaClass(metaclass) {
  message(MsgPStreamSuffix, position, nameOf(metaclass));
}

AbstractClass_Exception::AbstractClass_Exception(const GMetaClass *metaclass)
    : MetaClass(metaclass) {
  message(MsgAbstractClass, nameOf(metaclass));
}
