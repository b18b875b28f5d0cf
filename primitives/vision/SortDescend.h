// In-place descending sort of a float vector.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

// Sorts pSrcDst[0 .. len - 1] into non-increasing order with float comparisons: quicksort
// steps on parts of more than 9 elements (pivot: the median of the first, middle and last
// elements; the larger part waits on an explicit stack of at most 32 entries while the
// smaller is sorted first) and selection on parts of at most 9 (the smallest moved to the
// end repeatedly). NaNs end up somewhere inside the vector; no scan ever leaves it.
// -8 pSrcDst null; -6 len < 1.
IppStatus ippsSortDescend_32f_I(Ipp32f* pSrcDst, int len);

}  // namespace builtin
