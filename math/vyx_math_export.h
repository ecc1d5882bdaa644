//===- vyx_math_export.h - Export macro of VYX_MATH -------------*- C++ -*-===//
//
// The library is built with hidden visibility; every class and function that
// belongs to the interface of libvyx_math.so is marked with VYX_MATH_API.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_MATH_EXPORT_H
#define VYX_MATH_EXPORT_H

#if defined(_WIN32)
#if defined(VYX_MATH_BUILDING)
#define VYX_MATH_API __declspec(dllexport)
#else
#define VYX_MATH_API __declspec(dllimport)
#endif
#else
#define VYX_MATH_API __attribute__((visibility("default")))
#endif

#endif // VYX_MATH_EXPORT_H
