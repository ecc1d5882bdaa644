//===- msort.cpp - Index-based sorting and searching ----------------------===//
#include "containers/msort.h"

namespace {

// The bounds of the latest search belong to the thread that searched.
thread_local long LessOrEqual = -1;
thread_local long GreaterOrEqual = 0;

struct ShortCallbacks {
  MSort::ShortLessFunction Less;
  MSort::ShortSwapFunction Swap;
};

int shortLess(long i, long j, void *data) {
  return static_cast<ShortCallbacks *>(data)->Less(i, j);
}
void shortSwap(long i, long j, void *data) { static_cast<ShortCallbacks *>(data)->Swap(i, j); }
int shortCompare(long i, void *data) {
  return reinterpret_cast<MSort::ShortCompareFunction>(data)(i);
}

class Sorter {
public:
  Sorter(void *data, MSort::LessFunction less, MSort::SwapFunction swap)
      : Data(data), LessFn(less), SwapFn(swap) {}

  void quickSort(long lo, long hi) {
    constexpr long kSmallRange = 12;
    while (hi - lo >= kSmallRange) {
      // The median of three goes first and serves as the pivot, so that
      // sorted input does not make every part degenerate.
      long mid = lo + (hi - lo) / 2;
      if (less(mid, lo))
        swap(mid, lo);
      if (less(hi, lo))
        swap(hi, lo);
      if (less(hi, mid))
        swap(hi, mid);
      swap(lo, mid);
      // Both scans stop at elements equal to the pivot, which keeps runs of
      // equal keys balanced.
      long i = lo, j = hi + 1;
      for (;;) {
        do
          ++i;
        while (i <= hi && less(i, lo));
        do
          --j;
        while (less(lo, j));
        if (i >= j)
          break;
        swap(i, j);
      }
      swap(lo, j);
      // Recurse into the smaller part, loop on the larger one.
      if (j - lo < hi - j) {
        quickSort(lo, j - 1);
        lo = j + 1;
      } else {
        quickSort(j + 1, hi);
        hi = j - 1;
      }
    }
    insertionSort(lo, hi);
  }

  void heapSort(long n) {
    for (long start = n / 2; start-- > 0;)
      siftDown(start, n);
    for (long end = n - 1; end > 0; --end) {
      swap(0, end);
      siftDown(0, end);
    }
  }

private:
  bool less(long i, long j) { return LessFn(i, j, Data) != 0; }
  void swap(long i, long j) {
    if (i != j)
      SwapFn(i, j, Data);
  }

  void insertionSort(long lo, long hi) {
    for (long k = lo + 1; k <= hi; ++k)
      for (long j = k; j > lo && less(j, j - 1); --j)
        swap(j, j - 1);
  }

  void siftDown(long root, long n) {
    for (;;) {
      long child = 2 * root + 1;
      if (child >= n)
        return;
      if (child + 1 < n && less(child, child + 1))
        ++child;
      if (!less(root, child))
        return;
      swap(root, child);
      root = child;
    }
  }

  void *Data;
  MSort::LessFunction LessFn;
  MSort::SwapFunction SwapFn;
};

int found(long index) {
  LessOrEqual = GreaterOrEqual = index;
  return 1;
}

int between(long lower, long upper) {
  LessOrEqual = lower;
  GreaterOrEqual = upper;
  return 0;
}

} // namespace

void MSort::QSort(long n, void *data, LessFunction less, SwapFunction swap) {
  if (n > 1)
    Sorter(data, less, swap).quickSort(0, n - 1);
}

void MSort::QSort(long n, ShortLessFunction less, ShortSwapFunction swap) {
  ShortCallbacks callbacks{less, swap};
  QSort(n, &callbacks, shortLess, shortSwap);
}

void MSort::HSort(long n, void *data, LessFunction less, SwapFunction swap) {
  if (n > 1)
    Sorter(data, less, swap).heapSort(n);
}

void MSort::HSort(long n, ShortLessFunction less, ShortSwapFunction swap) {
  ShortCallbacks callbacks{less, swap};
  HSort(n, &callbacks, shortLess, shortSwap);
}

int MSort::DSearch(long n, void *data, CompareFunction compare) {
  if (n <= 0)
    return between(-1, 0);
  int sign = compare(0, data);
  if (sign > 0)
    return between(-1, 0);
  if (sign == 0)
    return found(0);
  sign = compare(n - 1, data);
  if (sign < 0)
    return between(n - 1, n);
  if (sign == 0)
    return found(n - 1);
  long lo = 0, hi = n - 1;
  while (hi - lo > 1) {
    long mid = lo + (hi - lo) / 2;
    sign = compare(mid, data);
    if (sign == 0)
      return found(mid);
    if (sign < 0)
      lo = mid;
    else
      hi = mid;
  }
  return between(lo, hi);
}

int MSort::DSearch(long n, ShortCompareFunction compare) {
  return DSearch(n, reinterpret_cast<void *>(compare), shortCompare);
}

long MSort::Less_or_Equal() { return LessOrEqual; }
long MSort::Greater_or_Equal() { return GreaterOrEqual; }
