//===- msort.h - Index-based sorting and searching --------------*- C++ -*-===//
//
// MSort sorts and searches any indexable data through callbacks: the caller
// says whether element i sorts before element j and how to exchange two
// elements, or compares element i with a target. The bounds found by the
// latest DSearch are kept per thread.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CONTAINERS_MSORT_H
#define VYX_CONTAINERS_MSORT_H

#include "vyx_base_export.h"

/// Sorting and binary search over indices (static operations only).
class VYX_BASE_API MSort {
public:
  typedef int (*LessFunction)(long i, long j, void *data);
  typedef void (*SwapFunction)(long i, long j, void *data);
  typedef int (*CompareFunction)(long i, void *data);
  typedef short (*ShortLessFunction)(long i, long j);
  typedef void (*ShortSwapFunction)(long i, long j);
  typedef short (*ShortCompareFunction)(long i);

  /// Quicksort of elements 0 .. n - 1; less(i, j) is true when element i
  /// sorts before element j.
  static void QSort(long n, void *data, LessFunction less, SwapFunction swap);
  static void QSort(long n, ShortLessFunction less, ShortSwapFunction swap);
  /// Heap sort with the same callbacks; nothing for n < 2.
  static void HSort(long n, void *data, LessFunction less, SwapFunction swap);
  static void HSort(long n, ShortLessFunction less, ShortSwapFunction swap);

  /// Binary search of a sorted sequence, compare(i) giving the sign of
  /// element i minus the target. Returns 1 for an exact match (both bounds
  /// are then its index), 0 otherwise (the bounds enclose the target: -1
  /// and 0 before the first element, n - 1 and n after the last).
  static int DSearch(long n, void *data, CompareFunction compare);
  static int DSearch(long n, ShortCompareFunction compare);
  /// The bounds found by the calling thread's latest DSearch.
  static long Less_or_Equal();
  static long Greater_or_Equal();
};

#endif // VYX_CONTAINERS_MSORT_H
