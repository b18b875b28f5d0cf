// Built-in test-signal generators of the signal primitives: the Jaehne chirp, whose frequency
// grows linearly along the vector, and uniformly distributed pseudo-random values drawn from a
// caller-held seed. Nothing is written when a check fails.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

// pDst[i] = magn * sin(pi/2 * i^2 / len). Checks: pDst null -8, len < 1 -6, magn < 0 -38 (a
// NaN magnitude passes). len = 1 gives +0 whatever magn is. c = (pi/2)/len and the argument
// (c*i)*i are each formed in long double and rounded to float64 before the sine.
IppStatus ippsVectorJaehne_64f(Ipp64f* pDst, int len, Ipp64f magn);

// pDst[k] = mid + scale * u with mid = (low+high)/2, scale = (high-low)*2^-32 and u the signed
// 32-bit sum of a subtract-with-borrow word (modulus 2^32 - 18, started from *pSeed) and a
// congruential word (started from a fixed value in every call). The last subtract-with-borrow
// word is written back to *pSeed. Checks: pDst or pSeed null -8, then len < 1 -6. Values lie in
// [low, high) (in (high, low] when high < low).
IppStatus ippsRandUniform_Direct_64f(Ipp64f* pDst, int len, Ipp64f low, Ipp64f high,
                                     unsigned int* pSeed);

}  // namespace builtin
