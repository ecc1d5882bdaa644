//===- system_error.h - Last error code and its text ------------*- C++ -*-===//
#ifndef VYX_PLATFORM_SYSTEM_ERROR_H
#define VYX_PLATFORM_SYSTEM_ERROR_H

#include "vyx_base_export.h"

#include <string>

namespace vyx {

/// The calling thread's last error code of the operating system (errno).
VYX_BASE_API int LastErrorCode();
VYX_BASE_API void SetLastErrorCode(int code);

/// The system's text for an error code, without a trailing line break.
VYX_BASE_API std::string SystemErrorText(int code);

} // namespace vyx

#endif // VYX_PLATFORM_SYSTEM_ERROR_H
