// Built-in full linear convolution of two float64 vectors.
//
// pDst[k] = sum over i + j = k of pSrc1[i] * pSrc2[j], k = 0 .. src1Len + src2Len - 2. The inputs
// are ordered by length: A is the longer (la), B the shorter (lb), A being the first input on
// equal lengths; len = la + lb - 1 (counted in 64 bits). The path depends on the lengths:
//
//   len < 150 or lb < 32   direct sums: for each B[i] in order, every output A[j] * B[i] +
//                          pDst[i + j] is formed in long double and rounded to float64 when
//                          it is stored, so each output adds its terms in increasing order of
//                          the index into B. From la = 4096 on, A is walked in blocks of 4096
//                          (one block stays in cache over all lb passes); an output whose terms
//                          span two blocks then takes those of the earlier block first.
//   la < 3 * lb            one real transform of size N = 2^g >= len (g >= 2): both inputs
//                          zero-padded to N, Perm spectra multiplied, inverse scaled by 1/N.
//   otherwise              overlap-save: the kernel B transformed once at M = 2^(d+1), 2^d the
//                          first power of two (from 4) at least 2 * lb; A is taken in blocks
//                          that each deliver S = M - lb + 1 outputs after dropping the lb - 1
//                          wrapped values of every block but the first.
//
// The transform results agree with the direct sums within rounding. A transform is limited to
// 2^30 points: a result longer than that on the single-transform path (or a kernel longer than
// 2^28 on the overlap-save path) gets -15 (FFT order out of range) from the transform set-up.
// Work memory of the transform paths: the real transform's setup and one aligned block
// (X, Y and the transform's work buffer), both released before the return.
//
// Checks, nothing written when one fails: a null pointer -8, then a length below 1 -6. The
// transform paths return a failing setup status unchanged, -9 when the work block
// cannot be had, and stop at a failing transform (pDst then partly written). The result must
// not overlap the inputs.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippsConv_64f(const Ipp64f* pSrc1, int src1Len, const Ipp64f* pSrc2, int src2Len,
                       Ipp64f* pDst);

}  // namespace builtin
