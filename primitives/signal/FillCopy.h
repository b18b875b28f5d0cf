// Built-in data movement of the signal primitives: set, zero, copy and move, conversions
// between int16, int32, float32 and float64 (with scale factors, saturation and a rounding
// mode where the target is an integer), complex assembly and split, and byte swaps.
//
// The byte fill ippsSet_8u belongs to the image family (both of its dispatch slots take the
// same built-in version).
//
// Unless stated otherwise every pointer argument is checked in order (null: -8), then a
// length below 1 gives -6; nothing is written when a check fails.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippsSet_32s(Ipp32s val, Ipp32s* pDst, int len);
IppStatus ippsSet_32f(Ipp32f val, Ipp32f* pDst, int len);
IppStatus ippsSet_64f(Ipp64f val, Ipp64f* pDst, int len);
IppStatus ippsSet_64fc(Ipp64fc val, Ipp64fc* pDst, int len);

IppStatus ippsZero_8u(Ipp8u* pDst, int len);
IppStatus ippsZero_16s(Ipp16s* pDst, int len);
IppStatus ippsZero_32s(Ipp32s* pDst, int len);
IppStatus ippsZero_32f(Ipp32f* pDst, int len);
IppStatus ippsZero_64f(Ipp64f* pDst, int len);
IppStatus ippsZero_64fc(Ipp64fc* pDst, int len);

// Copies require source and destination not to overlap; ippsMove_64f allows any overlap.
IppStatus ippsCopy_8u(const Ipp8u* pSrc, Ipp8u* pDst, int len);
IppStatus ippsCopy_32f(const Ipp32f* pSrc, Ipp32f* pDst, int len);
IppStatus ippsCopy_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len);
IppStatus ippsMove_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len);

IppStatus ippsConvert_32s64f(const Ipp32s* pSrc, Ipp64f* pDst, int len);
IppStatus ippsConvert_32f64f(const Ipp32f* pSrc, Ipp64f* pDst, int len);
IppStatus ippsConvert_32s32f(const Ipp32s* pSrc, Ipp32f* pDst, int len);
// Clamped to the finite float32 range (NaN gives the negative limit), then rounded.
IppStatus ippsConvert_64f32f(const Ipp64f* pSrc, Ipp32f* pDst, int len);
// d = s * 2^(-scaleFactor), the scale factor clamped to -1008..1022.
IppStatus ippsConvert_16s64f_Sfs(const Ipp16s* pSrc, Ipp64f* pDst, int len, int scaleFactor);
// y = x * 2^(-scaleFactor) with a 64-bit significand, saturated to int32 (NaN gives the
// lowest value); rndMode 1 rounds to nearest with ties to even, any other mode truncates.
IppStatus ippsConvert_64f32s_Sfs(const Ipp64f* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode,
                                 int scaleFactor);
IppStatus ippsConvert_32f32s_Sfs(const Ipp32f* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode,
                                 int scaleFactor);

// Checks: pDst null -8; len below 1 -6; both parts null -8. A null part counts as zeros.
IppStatus ippsRealToCplx_64f(const Ipp64f* pSrcRe, const Ipp64f* pSrcIm, Ipp64fc* pDst, int len);
IppStatus ippsRealToCplx_32f(const Ipp32f* pSrcRe, const Ipp32f* pSrcIm, Ipp32fc* pDst, int len);
IppStatus ippsReal_64fc(const Ipp64fc* pSrc, Ipp64f* pDstRe, int len);
IppStatus ippsImag_64fc(const Ipp64fc* pSrc, Ipp64f* pDstIm, int len);

IppStatus ippsSwapBytes_16u(const Ipp16u* pSrc, Ipp16u* pDst, int len);
IppStatus ippsSwapBytes_24u(const Ipp8u* pSrc, Ipp8u* pDst, int len);  // len groups of 3 bytes
IppStatus ippsSwapBytes_32u(const Ipp32u* pSrc, Ipp32u* pDst, int len);
IppStatus ippsSwapBytes_32u_I(Ipp32u* pSrcDst, int len);

// Byte-level routines without checks: a count of 0 or less does nothing; both return the
// destination.
void* fbMemCopy(const void* src, void* dst, int count);
void* fbMemZero(void* dst, int count);

}  // namespace builtin
