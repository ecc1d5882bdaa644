//===- vyx_base.h - Every public header of VYX_BASE -------------*- C++ -*-===//
//
// Compile with -I <base folder> (or the installed include/vyx folder) and
// include this header to use the whole library.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_BASE_H
#define VYX_BASE_H

#include "vyx_base_export.h"

#include "platform/atomic.h"
#include "platform/clock.h"
#include "platform/module_handle.h"
#include "platform/sync.h"
#include "platform/system_error.h"
#include "platform/thread_storage.h"

#include "strings/ascii.h"
#include "strings/gstring.h"
#include "strings/text_conversion.h"

#include "object_model/exceptions.h"
#include "object_model/type_info.h"

#endif // VYX_BASE_H
