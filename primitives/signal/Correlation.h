// Built-in auto- and cross-correlation of float64 and complex float64 vectors.
//
// Auto-correlation of x (length n) at lag k: r[k] = sum over i = 0 .. n-1-k of x[i] * x[i+k]
// (complex: conj(x[i]) * x[i+k]); r[k] = 0 for k >= n. pDst receives the lags 0 .. dstLen-1;
// NormA multiplies the first L = min(srcLen, dstLen) of them by 1/srcLen (rounded to float64
// once), NormB divides lag k by srcLen - k (a division per lag, not a reciprocal).
//
// Cross-correlation at lag L: c[L] = sum over 0 <= k < src1Len with 0 <= k + L < src2Len of
// x1[k] * x2[k+L] (complex: conj(x1[k]) * x2[k+L]); pDst[j] = c[lowLag + j], j < dstLen.
// lowLag may be any int; the requested lags outside -(src1Len-1) .. src2Len-1 are zero-filled
// without arithmetic, and the window bookkeeping is done in 64-bit integers.
//
// Paths: direct sums when the work is small, otherwise a transform of the zero-padded data
// (real forms: Pack spectra; complex forms: complex transforms), inverse scaled by 1/N.
//   auto-correlation: direct when L < 600 (complex: L < 96); the transform has N = 2^d >=
//     2 * srcLen points, so no lag wraps round.
//   cross-correlation: the transform when floor(dstLen * min(len1, len2) / max(len1, len2))
//     exceeds 511, dstLen counting only the lags inside the overlap; N = 2^e >= len1+len2-1.
// Direct sums start from 0 and add their products in increasing order of the element index in
// long double, rounding to float64 once when the value is stored; a complex term conj(a) * b
// adds a.re*b.re then a.im*b.im to the real sum and adds a.re*b.im then subtracts a.im*b.re
// from the imaginary one. The transform results agree with them within rounding. A transform is
// limited to 2^30 points: srcLen above 2^29 (auto) or len1 + len2 - 1 above 2^30 (cross) on
// the transform path gets -15 (FFT order out of range) from the transform set-up.
//
// Checks, nothing written when one fails: a null pointer -8 (pSrc, pDst; pSrc1, pSrc2, pDst),
// then a length below 1 -6 (srcLen, dstLen; src1Len, src2Len, dstLen). The transform paths
// return a failing setup status unchanged and -9 when a work block cannot be had;
// NormB returns -9 when its divisor ramp cannot be had, leaving the unnormalised values. All
// work memory is released before the return. pDst must not overlap the sources.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippsAutoCorr_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen);
IppStatus ippsAutoCorr_NormA_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen);
IppStatus ippsAutoCorr_NormB_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen);
IppStatus ippsCrossCorr_64f(const Ipp64f* pSrc1, int src1Len, const Ipp64f* pSrc2, int src2Len,
                            Ipp64f* pDst, int dstLen, int lowLag);

IppStatus ippsAutoCorr_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen);
IppStatus ippsAutoCorr_NormA_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen);
IppStatus ippsAutoCorr_NormB_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen);
IppStatus ippsCrossCorr_64fc(const Ipp64fc* pSrc1, int src1Len, const Ipp64fc* pSrc2,
                             int src2Len, Ipp64fc* pDst, int dstLen, int lowLag);

}  // namespace builtin
