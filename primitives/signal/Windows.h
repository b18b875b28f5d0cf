// Built-in window functions of the signal primitives: the Bartlett, Blackman,
// Hamming, Hann and Kaiser windows applied to a float64 vector in place, from a source into a
// destination (which may be the source), and to a complex float64 vector in place (both parts
// take the real weight).
//
// Weights are symmetric and computed once per pair, walking inwards from both ends; an odd
// length leaves the middle element alone (copied out of place). Bartlett uses a running sum of
// 2/(N - 1) and sets its end elements to 0.0; the cosine windows take cos k*theta from a
// rotation recurrence started from one LibCCos and one LibCSqrt; Blackman and Bartlett handle
// N = 3 by zeroing the ends. Weights and products are held in long double and rounded once
// when stored.
//
// Checks, in order, before anything is written: each pointer (null: -8); N below 3 (Kaiser:
// below 1): -6; Kaiser only: 0.5 * |alpha| * (N - 1) > 308: -39 (a NaN alpha passes).
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

#define PF_WINDOWS_DECLARE(name, ...)                                                   \
  IppStatus ippsWin##name##_64f_I(Ipp64f* pSrcDst, int len __VA_ARGS__);                \
  IppStatus ippsWin##name##_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len __VA_ARGS__); \
  IppStatus ippsWin##name##_64fc_I(Ipp64fc* pSrcDst, int len __VA_ARGS__);
PF_WINDOWS_DECLARE(Bartlett, )
PF_WINDOWS_DECLARE(Blackman, , Ipp64f alpha)
PF_WINDOWS_DECLARE(Hamming, )
PF_WINDOWS_DECLARE(Hann, )
PF_WINDOWS_DECLARE(Kaiser, , Ipp32f alpha)
#undef PF_WINDOWS_DECLARE

// I0(x), the modified Bessel function of the first kind and order zero, from the polynomial
// in (|x|/4)^2 below 4 and the one in 4/|x| (times e^|x| / sqrt|x|) from 4 on (and for NaN).
Ipp64f fbBesselI0(Ipp64f x);

}  // namespace builtin
