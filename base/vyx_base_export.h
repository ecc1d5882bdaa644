//===- vyx_base_export.h - Export macro of VYX_BASE -------------*- C++ -*-===//
//
// The library is built with hidden visibility; every class and function that
// belongs to the interface of libvyx_base.so is marked with VYX_BASE_API.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_BASE_EXPORT_H
#define VYX_BASE_EXPORT_H

#if defined(_WIN32)
#if defined(VYX_BASE_BUILDING)
#define VYX_BASE_API __declspec(dllexport)
#else
#define VYX_BASE_API __declspec(dllimport)
#endif
#else
#define VYX_BASE_API __attribute__((visibility("default")))
#endif

#endif // VYX_BASE_EXPORT_H
