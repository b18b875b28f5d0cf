// Built-in element-wise arithmetic on float64, complex float64 and float32 vectors: sums,
// differences, products and quotients of two vectors or of a vector and a constant (the
// constant subtracted from, too), and the sum, maximum and minimum of a float64 vector.
//
// Every element is evaluated with a 64-bit significand (long double) and rounded once, when it
// is stored. Complex products and quotients keep their partial products, the sums of those and
// the reciprocal of the squared modulus in long double; only the two stored parts are rounded.
// Vector counts are handled in 64 bits throughout (a complex vector of n elements is 2n
// float64 values; a byte copy of n float64 values is 8n bytes).
//
// Comparisons with a constant or a divisor treat a NaN as equal to and less than the other
// operand: a NaN constant counts as the special value tested first (0 for sums, 1 for products).
//
// Checks, unless stated otherwise: each pointer argument in order (null: -8), then a length
// below 1 (-6), then the constant; nothing is written when a check fails. In-place forms
// overwrite their last vector operand; an out-of-place destination may be a source itself
// (each element is read before the element of the same index is written).
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

// ---- float64 with float64 ------------------------------------------------------------------

IppStatus ippsAdd_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, Ipp64f* pDst, int len);
IppStatus ippsAdd_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len);  // sd = s + sd
IppStatus ippsSub_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len);  // sd = sd - s
IppStatus ippsMul_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, Ipp64f* pDst, int len);
IppStatus ippsMul_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len);  // sd = s * sd
// sd = sd / s; a divisor equal to 0 (or NaN) gives +inf for a dividend above 0, the NaN
// 0xFFF8000000000000 for a dividend 0 and -inf otherwise, and the warning 6 once every element
// is written.
IppStatus ippsDiv_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len);

// ---- float64 with a constant ---------------------------------------------------------------

// c equal to 0: the out-of-place forms copy the source (bit for bit), in place nothing is written.
IppStatus ippsAddC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len);
IppStatus ippsAddC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len);
IppStatus ippsSubC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len);
IppStatus ippsSubC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len);
IppStatus ippsSubCRev_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len);  // d = c - s
// c equal to 1: a copy (in place nothing written); else c equal to 0: a zero fill (+0.0).
IppStatus ippsMulC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len);
IppStatus ippsMulC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len);
// c equal to 0 (also -0 and NaN): -10. Else the product with r = 1/c rounded to float64, through
// the multiplication by a constant (r = 1 copies, r = 0 zero-fills).
IppStatus ippsDivC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len);
IppStatus ippsDivC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len);

// ---- complex float64 -----------------------------------------------------------------------

// The length is checked first (-6), then the pointers.
IppStatus ippsAdd_64fc(const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, Ipp64fc* pDst, int len);
IppStatus ippsAdd_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len);
IppStatus ippsSub_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len);  // sd = sd - s
IppStatus ippsMul_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len);  // sd = sd x s
// sd = sd / s; a divisor of squared modulus 0 (or NaN) gives (NaN, NaN), both 0xFFF8000000000000,
// and the warning 6 once every element is written.
IppStatus ippsDiv_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len);

IppStatus ippsAddC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len);
IppStatus ippsAddC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len);
IppStatus ippsSubC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len);
IppStatus ippsSubC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len);
IppStatus ippsSubCRev_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len);
IppStatus ippsMulC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len);
IppStatus ippsMulC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len);
// m = re(c)^2 + im(c)^2 equal to 0 (or NaN): -10. Else the product with
// w = (re(c) / m, -im(c) / m), each part rounded to float64. The in-place form checks pSrcDst,
// then the length.
IppStatus ippsDivC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len);
IppStatus ippsDivC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len);

// ---- float32 -------------------------------------------------------------------------------

IppStatus ippsMul_32f(const Ipp32f* pSrc1, const Ipp32f* pSrc2, Ipp32f* pDst, int len);
IppStatus ippsMul_32f_I(const Ipp32f* pSrc, Ipp32f* pSrcDst, int len);
IppStatus ippsSub_32f_I(const Ipp32f* pSrc, Ipp32f* pSrcDst, int len);  // sd = sd - s
// c equal to 1: nothing written; else c equal to 0: a zero fill.
IppStatus ippsMulC_32f_I(Ipp32f val, Ipp32f* pSrcDst, int len);

// ---- Reductions (checks: pSrc, the result pointer, then the length) ------------------------

// Two long double partial sums A and B from +0: each block of four adds elements 0 and 2 to
// A and 1 and 3 to B, in that order; the elements after the last block go to A; A + B is
// rounded once.
IppStatus ippsSum_64f(const Ipp64f* pSrc, int len, Ipp64f* pSum);
// The running value starts at the first element and takes an element that compares greater
// (so a NaN first element stays). The minimum keeps its value only for an element that compares
// greater than or equal to it and otherwise (smaller or unordered) takes the element.
IppStatus ippsMax_64f(const Ipp64f* pSrc, int len, Ipp64f* pMax);
IppStatus ippsMin_64f(const Ipp64f* pSrc, int len, Ipp64f* pMin);

// ---- Element-wise division kernels ---------------------------------------------------------

// dst = dividend / divisor element by element, as ippsDiv_64f_I and ippsDiv_64fc_I do (they
// call these with (s, sd, sd, n)). Checks: any of the three pointers null -8, then a length
// below 1 -6. Returns 0, or 6 when some divisor was 0.
IppStatus fbDivide64f(const Ipp64f* pDivisor, const Ipp64f* pDividend, Ipp64f* pDst, int len);
IppStatus fbDivide64fc(const Ipp64fc* pDivisor, const Ipp64fc* pDividend, Ipp64fc* pDst, int len);

}  // namespace builtin
