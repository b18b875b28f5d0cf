// Built-in elementary functions of float64 signal vectors (absolute value, square, square root,
// exponential, natural logarithm), square and principal square root of complex float64
// vectors, and the three real measures of a complex vector (magnitude, phase, power spectrum).
//
// Every pointer argument is checked in order (null: -8), then a length below 1 gives -6;
// nothing is written when a check fails. In-place forms overwrite their vector; an
// out-of-place destination may be the source itself (each element is read before the element
// of the same index is written). Vectors may start at any address.
//
// Precision: each element formula is evaluated in long double and rounded to float64 once,
// when stored. Values handed to or returned by the support maths (LibCSqrt, LibCExp, LibCLog,
// LibCAtan2) are float64. The exponential's four-lane kernel is the exception: every step of
// it is rounded to float64.
//
// Fixed patterns written: the default NaN 0xFFF8000000000000, its positive twin
// 0x7FF8000000000000 and negative infinity 0xFFF0000000000000.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

// |x| with the sign bit cleared (NaNs included).
IppStatus ippsAbs_64f_I(Ipp64f* pSrcDst, int len);
IppStatus ippsAbs_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len);
// x * x.
IppStatus ippsSqr_64f_I(Ipp64f* pSrcDst, int len);
IppStatus ippsSqr_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len);

// Square root. In place: x > 0 or NaN gives LibCSqrt(x) (a NaN passes silently), +-0 stays,
// x < 0 gives the default NaN and the warning 3. Out of place: x >= 0 (-0 included) gives
// LibCSqrt(x); x < 0 and every NaN give the default NaN and the warning 3.
IppStatus ippsSqrt_64f_I(Ipp64f* pSrcDst, int len);
IppStatus ippsSqrt_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len);

// e^x. Below four elements each is LibCExp(x). From four on, the vector is scanned from its
// end: inputs at or beyond the limits (upper word of the bits: |x| >= 708.39599609375 with the
// sign set, x >= 709.7822265625 with it clear; infinities and NaNs included) are written at
// once (signed NaN: default NaN; positive NaN: 0x7FF8000000000000; other negative: +0; other
// positive: +infinity); the others are gathered in scan order and computed four at a time by
// the float64 kernel, and one to three left at the end go through LibCExp. Status always 0.
IppStatus ippsExp_64f_I(Ipp64f* pSrcDst, int len);
IppStatus ippsExp_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len);

// Natural logarithm: a set sign bit (-0 and signed NaNs included) gives the default NaN (8), a
// positive quiet NaN gives 0x7FF8000000000000, +0 gives -infinity (7), anything else
// LibCLog(x). The status is the warning of the first offending element, or 0.
IppStatus ippsLn_64f_I(Ipp64f* pSrcDst, int len);
IppStatus ippsLn_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len);

// z * z: ((a - b)(a + b), (a b) 2).
IppStatus ippsSqr_64fc_I(Ipp64fc* pSrcDst, int len);
IppStatus ippsSqr_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len);
// Principal square root from the halved parts (so that the squares stay in range); a zero
// real part with an imaginary part b gives (sqrt|b|, +-sqrt|b|) by the sign of b.
IppStatus ippsSqrt_64fc_I(Ipp64fc* pSrcDst, int len);
IppStatus ippsSqrt_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len);

// LibCSqrt(re re + im im), the sum rounded to float64 first (no scaling: beyond the float64
// range it is +infinity).
IppStatus ippsMagnitude_64fc(const Ipp64fc* pSrc, Ipp64f* pDst, int len);
// LibCAtan2(im, re), from -pi to pi.
IppStatus ippsPhase_64fc(const Ipp64fc* pSrc, Ipp64f* pDst, int len);
// re re + im im.
IppStatus ippsPowerSpectr_64fc(const Ipp64fc* pSrc, Ipp64f* pDst, int len);

}  // namespace builtin
