#include "primitives/vision/SortDescend.h"

#include <cstddef>
#include <utility>

namespace builtin {
namespace {

// Parts of at most this many elements are finished by selection.
constexpr ptrdiff_t kSelectionSize = 9;
// Each pushed part is the larger of two, so a stack of 32 entries holds any int-sized vector.
constexpr int kStackSize = 32;

// Moves the smallest element of a[lo .. last] to a[last], for last = hi down to lo + 1.
void SelectionSort(float* a, ptrdiff_t lo, ptrdiff_t hi) {
  for (ptrdiff_t last = hi; last > lo; --last) {
    ptrdiff_t smallest = lo;
    for (ptrdiff_t k = lo + 1; k <= last; ++k)
      if (a[k] < a[smallest]) smallest = k;
    std::swap(a[smallest], a[last]);
  }
}

// Splits a[lo .. hi] (more than kSelectionSize elements) around the median of its first,
// middle and last elements. Returns j with lo <= j < hi: a[lo .. j] holds no element below
// the pivot and a[j + 1 .. hi] none above it (a NaN, unordered, may land on either side).
//
// The scans need no bounds tests. The first rightward scan stops at the middle element at the
// latest (it compares the pivot with itself, which is false even for a NaN) and the first
// leftward scan likewise; after every swap each scan meets the element the other scan has
// just stopped on, and a comparison of the same two values gives the same answer again.
ptrdiff_t Partition(float* a, ptrdiff_t lo, ptrdiff_t hi) {
  const ptrdiff_t mid = lo + (hi - lo) / 2;
  if (a[mid] > a[lo]) std::swap(a[mid], a[lo]);
  if (a[hi] > a[mid]) {
    std::swap(a[hi], a[mid]);
    if (a[mid] > a[lo]) std::swap(a[mid], a[lo]);
  }
  const float pivot = a[mid];
  ptrdiff_t i = lo, j = hi;
  for (;;) {
    do ++i; while (a[i] > pivot);
    do --j; while (a[j] < pivot);
    if (i >= j) return j;
    std::swap(a[i], a[j]);
  }
}

}  // namespace

IppStatus ippsSortDescend_32f_I(Ipp32f* pSrcDst, int len) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  if (len == 1) return ippStsNoErr;
  struct TPart {
    ptrdiff_t lo, hi;
  };
  TPart stack[kStackSize];
  int depth = 0;
  ptrdiff_t lo = 0, hi = len - 1;
  for (;;) {
    if (hi - lo + 1 <= kSelectionSize) {
      SelectionSort(pSrcDst, lo, hi);
      if (depth == 0) return ippStsNoErr;
      --depth;
      lo = stack[depth].lo;
      hi = stack[depth].hi;
      continue;
    }
    const ptrdiff_t j = Partition(pSrcDst, lo, hi);
    // Keep the larger part for later and go on with the smaller.
    if (j - lo >= hi - j - 1) {
      stack[depth++] = {lo, j};
      lo = j + 1;
    } else {
      stack[depth++] = {j + 1, hi};
      hi = j;
    }
  }
}

}  // namespace builtin
