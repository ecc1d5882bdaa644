//===- process_info.h - The running process and its debugger ---*- C++ -*-===//
//
// What the library asks of the process it runs in: where its program lives,
// the name it was started with, and whether a debugger watches it (the
// counterpart of the debugger output channel).
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PLATFORM_PROCESS_INFO_H
#define VYX_PLATFORM_PROCESS_INFO_H

#include "vyx_base_export.h"

#include <string>

namespace vyx {

/// The full path of the running program's executable file, empty when the
/// system cannot tell it.
VYX_BASE_API std::string ExecutablePath();

/// The program name exactly as the process was started with it (its first
/// argument), empty when unknown.
VYX_BASE_API std::string ProgramInvocationName();

/// True while a debugger or tracer is attached to the process.
VYX_BASE_API bool DebuggerAttached();

/// Sends `text` to the attached debugger: written to the standard error
/// stream while a debugger or tracer is attached, dropped otherwise. Keeps
/// the thread's last error code unchanged.
VYX_BASE_API void DebuggerOutput(const char *text);

} // namespace vyx

#endif // VYX_PLATFORM_PROCESS_INFO_H
