// Built-in reductions and level operations of the signal primitives: norms of the difference of
// two float64 vectors, means, the sample standard deviation, the extremes with their index,
// dot products of float64, complex and int32 vectors, the L2 norm of a complex vector,
// normalisation (x - offset) / divisor, and thresholds by value and by magnitude.
//
// Checks, in order, before anything is written: each pointer argument (null: -8), then the
// length (below 1: -6; below 2 for the standard deviation), then the member's own checks
// (divisor: -10; negative complex level: -19). A failed check writes nothing.
//
// Precision: running sums and element formulas are held in long double (64-bit significand)
// and rounded once to the element type when stored. Sums keep fixed partial-sum patterns:
//   - mean and standard deviation: two sums E and O; over whole blocks of four, elements
//     0 and 2 go to E, 1 and 3 to O; the elements after the last block go to E (the float32
//     mean adds them to E + O instead). The standard deviation keeps squares the same way,
//     the pair of squares of one sum added before it joins it.
//   - complex L2 norm: E takes the even elements, O the odd ones, result sqrt(O + E).
//   - norms of a difference and dot products: one running sum in index order.
// Comparisons treat a NaN as equal to and less than the other operand: the minimum moves to a
// NaN and from it to the next element, the maximum never moves to one; the infinity norm
// never takes a NaN difference.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

// r = sum |s1 - s2|, sqrt(sum (s1 - s2)^2), max |s1 - s2| (from +0, strictly greater only).
IppStatus ippsNormDiff_L1_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm);
IppStatus ippsNormDiff_L2_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm);
IppStatus ippsNormDiff_Inf_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm);

// Means; the float32 mean ignores its hint and rounds only the final mean to float32.
IppStatus ippsMean_64f(const Ipp64f* pSrc, int len, Ipp64f* pMean);
IppStatus ippsMean_32f(const Ipp32f* pSrc, int len, Ipp32f* pMean, IppHintAlgorithm hint);
// Sample standard deviation sqrt((n S2 - S1^2) / (n (n - 1))), 0 where the numerator is not
// positive (a constant vector) or NaN. len below 2: -6.
IppStatus ippsStdDev_64f(const Ipp64f* pSrc, int len, Ipp64f* pStdDev);

// The extreme and the index of its first occurrence. A null pIndx hands the call over to
// ippsMin_64f / ippsMax_64f.
IppStatus ippsMinIndx_64f(const Ipp64f* pSrc, int len, Ipp64f* pMin, int* pIndx);
IppStatus ippsMaxIndx_64f(const Ipp64f* pSrc, int len, Ipp64f* pMax, int* pIndx);

// Dot products without conjugation. The int32 one forms every product exactly, sums in long
// double, multiplies by 2^-scaleFactor (factor clamped to -31..93), saturates to int32 and
// rounds half to even.
IppStatus ippsDotProd_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pDp);
IppStatus ippsDotProd_64fc(const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, int len, Ipp64fc* pDp);
IppStatus ippsDotProd_32s_Sfs(const Ipp32s* pSrc1, const Ipp32s* pSrc2, int len, Ipp32s* pDp,
                              int scaleFactor);
// The kernels of the floating dot products: no checks; len below 1 stores +0.
void fbDotProd64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pDp);
void fbDotProd64fc(const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, int len, Ipp64fc* pDp);

// r = sqrt(sum re^2 + im^2).
IppStatus ippsNorm_L2_64fc64f(const Ipp64fc* pSrc, int len, Ipp64f* pNorm);

// d = (s - offset) * (1 / divisor), the reciprocal kept in long double. A divisor whose
// magnitude is below the smallest normal value of the element type, or NaN: -10. The
// destination may be the source.
IppStatus ippsNormalize_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len, Ipp64f offset,
                            Ipp64f divisor);
IppStatus ippsNormalize_32f(const Ipp32f* pSrc, Ipp32f* pDst, int len, Ipp32f offset,
                            Ipp32f divisor);
IppStatus ippsNormalize_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len, Ipp64fc offset,
                             Ipp64f divisor);

// Real thresholds; ippCmpGreater (4) limits values above the level, every other code raises
// values below it. In place a NaN element becomes the level under 4 and stays otherwise; out
// of place a NaN is copied under 4 and becomes the level otherwise.
IppStatus ippsThreshold_32f_I(Ipp32f* pSrcDst, int len, Ipp32f level, IppCmpOp relOp);
IppStatus ippsThreshold_64f_I(Ipp64f* pSrcDst, int len, Ipp64f level, IppCmpOp relOp);
IppStatus ippsThreshold_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len, Ipp64f level,
                            IppCmpOp relOp);
// Complex thresholds by magnitude, phase kept: z * sqrt(L^2 / |z|^2); a zero element raised
// becomes (L, +0) out of place and (L, its own imaginary part) in place. A negative level:
// -19. A NaN magnitude: out of place scaled under 4 (NaN) and copied otherwise; in place kept
// under 4 and given the real part L otherwise.
IppStatus ippsThreshold_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len, Ipp64f level,
                             IppCmpOp relOp);
IppStatus ippsThreshold_64fc_I(Ipp64fc* pSrcDst, int len, Ipp64f level, IppCmpOp relOp);

}  // namespace builtin
