// Built-in integer vector arithmetic of the signal primitives: sums, differences, products and
// quotients of int32 vectors and sums, differences and products of byte vectors, all with a
// scale factor (primitives/support/ScaleFactor.h); bitwise and, or and xor of uint32 vectors
// with a vector or a constant; left and arithmetic right shifts of int32 vectors; and the two
// plain divisions by a constant that the integer signal buffer calls directly.
//
// Unless stated otherwise every pointer argument is checked in order (null: -8), then a length
// below 1 gives -6; nothing is written when a check fails. In-place forms overwrite their
// second vector operand; an out-of-place destination may be the source itself.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

// sd = R(sd op s) with the scale-factor rule; int32 results saturate. Factors whose results
// are all 0 (sf > 32 for sums and differences, sf > 62 for products) zero-fill without
// reading the sources.
IppStatus ippsAdd_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor);
IppStatus ippsSub_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor);
IppStatus ippsMul_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor);
// sd = sd * 2^(-sf) / s rounded half to even, saturated. A zero divisor gives INT32_MAX,
// INT32_MIN or 0 by the dividend's sign and the warning 6 once every element is written.
IppStatus ippsDiv_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor);

// With a constant: an additive 0 or a multiplier 1 at sf = 0 leaves an in-place vector
// untouched and copies an out-of-place one; a multiplier 0 zero-fills.
IppStatus ippsAddC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor);
IppStatus ippsAddC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor);
IppStatus ippsSubC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor);
IppStatus ippsSubC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor);
// d = R(c - s).
IppStatus ippsSubCRev_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len,
                              int scaleFactor);
IppStatus ippsMulC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor);
IppStatus ippsMulC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor);

// Byte vectors, saturated to 0..255; a difference below 0 is 0 before it is scaled. Factors
// whose results are all 0 (sf > 9, 8 and 16) zero-fill.
IppStatus ippsAdd_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor);
IppStatus ippsSub_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor);
IppStatus ippsMul_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor);

// Bitwise logic on 32-bit words. A constant that leaves the words as they are (0 for or and
// xor) writes nothing in place and copies out of place; and with 0 zero-fills.
IppStatus ippsAnd_32u_I(const Ipp32u* pSrc, Ipp32u* pSrcDst, int len);
IppStatus ippsOr_32u_I(const Ipp32u* pSrc, Ipp32u* pSrcDst, int len);
IppStatus ippsXor_32u_I(const Ipp32u* pSrc, Ipp32u* pSrcDst, int len);
IppStatus ippsAndC_32u_I(Ipp32u val, Ipp32u* pSrcDst, int len);
IppStatus ippsOrC_32u_I(Ipp32u val, Ipp32u* pSrcDst, int len);
IppStatus ippsXorC_32u_I(Ipp32u val, Ipp32u* pSrcDst, int len);
IppStatus ippsAndC_32u(const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len);
IppStatus ippsOrC_32u(const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len);
IppStatus ippsXorC_32u(const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len);

// Shifts by a constant count: after the pointer and length checks a negative count gives
// -32. A left shift keeps the low 32 bits (32 or more gives 0); a right shift is arithmetic
// (32 or more gives -1 for negative elements, else 0).
IppStatus ippsLShiftC_32s(const Ipp32s* pSrc, int val, Ipp32s* pDst, int len);
IppStatus ippsRShiftC_32s(const Ipp32s* pSrc, int val, Ipp32s* pDst, int len);
IppStatus ippsLShiftC_32s_I(int val, Ipp32s* pSrcDst, int len);
IppStatus ippsRShiftC_32s_I(int val, Ipp32s* pSrcDst, int len);

// Each of the len elements divided by c, truncated toward zero (nothing for len <= 0). The
// scale factor is accepted and not used. There are no pointer checks and no status: the
// integer signal buffer calls these only with valid vectors and a divisor other than 0 and 1.
// INT32_MIN / -1 saturates to INT32_MAX; a divisor of 0 gives INT32_MAX, INT32_MIN or 0 by the
// element's sign, as the scaled division does.
void DivCInt32InPlace(Ipp32s c, Ipp32s* pSrcDst, int len, int scaleFactor);
void DivCInt32(const Ipp32s* pSrc, Ipp32s c, Ipp32s* pDst, int len, int scaleFactor);

}  // namespace builtin
