// Built-in FFT front ends of the signal primitives: the complex forward and inverse
// transforms, the real forward and inverse transforms in three layouts of the real spectrum
// (CCS, Pack, Perm), the real post- and pre-processing passes, the element-wise products of
// two packed spectra and the conjugate completion of a CCS spectrum.
//
// Transforms are unnormalised unless the setup asks for scaling: forward
// X_k = sum x_n exp(-2 pi i k n / N), inverse y_n = sum X_k exp(+2 pi i k n / N); the
// setup's scaled flags and scale factor decide whether a direction multiplies its result
// by the factor. Complex data is interleaved.
//
// Real spectra of N = 2^n samples, h = N/2 (X_0 and X_h are real, X_(N-k) = conj X_k):
//   CCS  (N + 2 values): [0] Re X0, [1] +0.0, [2k] Re Xk, [2k+1] Im Xk, [N] Re Xh, [N+1] +0.0
//   Pack (N values):     [0] Re X0, [2k-1] Re Xk, [2k] Im Xk, [N-1] Re Xh
//   Perm (N values):     [0] Re X0, [1] Re Xh, [2k] Re Xk, [2k+1] Im Xk
// with k = 1..h-1. N = 2: CCS [X0, 0, X1, 0], Pack and Perm [X0, X1]; N = 1: CCS [X0, 0],
// Pack and Perm [X0]. The CCS inverse never reads positions 1 and N + 1.
//
// Checks of every transform, in order, before any data is read or written: pSpec null -8; a
// setup of the other kind (complex given to a real transform or the reverse) -17; pSrc
// null -8; pDst null -8. pDst may equal pSrc (in place); no other overlap is allowed.
//
// Work buffer: orders 0 to 3 run one straight-line codelet and ignore pBuffer. From order 4 on,
// when the setup's work size is not 0, a caller's buffer (of the size the buffer query
// gives) is used from its first 16-byte boundary; without one the call allocates the work
// memory and frees it before returning, and returns -9 before touching any data when that
// allocation fails.
//
// Real transforms of order 4 and above run a complex transform of h points on the half-length
// view z_m = x_(2m) + i x_(2m+1), entirely inside pDst, with the post-processing pass (forward)
// or the pre-processing pass (inverse) below.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippsFFTFwd_CToC_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, const IppsFFTSpec_C_64fc* pSpec,
                               Ipp8u* pBuffer);
IppStatus ippsFFTInv_CToC_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, const IppsFFTSpec_C_64fc* pSpec,
                               Ipp8u* pBuffer);

IppStatus ippsFFTFwd_RToCCS_64f(const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pSpec,
                                Ipp8u* pBuffer);
IppStatus ippsFFTInv_CCSToR_64f(const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pSpec,
                                Ipp8u* pBuffer);
IppStatus fbFftFwdRToPack(const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pSpec,
                          Ipp8u* pBuffer);
IppStatus fbFftInvPackToR(const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pSpec,
                          Ipp8u* pBuffer);
IppStatus fbFftFwdRToPerm(const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pSpec,
                          Ipp8u* pBuffer);
IppStatus fbFftInvPermToR(const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pSpec,
                          Ipp8u* pBuffer);

// Forward post-processing, in place on the h complex values Z_0..Z_(h-1) of the half-length
// transform (h >= 2): turns them into the Perm spectrum of the N = 2h real samples,
// X_k = (Z_k + conj Z_(h-k))/2 - (i/2) exp(-2 pi i k/N) (Z_k - conj Z_(h-k)), bins k and h-k
// in one step. Position 0 (X_0 and X_h) is left as the caller set it. pTwiddles holds the h/2
// pairs (0.5 cos(2 pi k/N), 0.5 - 0.5 sin(2 pi k/N)).
void fbRealFftPost(Ipp64f* pData, int h, const Ipp64f* pTwiddles);

// Inverse pre-processing (h >= 2): reads the bins 1..h-1 of a CCS or Perm spectrum at positions
// 2k, 2k+1 of pSrc and writes z'_k = (X_k + conj X_(h-k)) + i exp(+2 pi i k/N)(X_k - conj
// X_(h-k)), twice the h-point forward transform of the half-length view, to pDst (positions 0
// and 1 are the caller's). pSrc may equal pDst. pTwiddles holds the h/2 pairs
// (cos(2 pi k/N), -sin(2 pi k/N)).
void fbRealFftPre(const Ipp64f* pSrc, Ipp64f* pDst, int h, const Ipp64f* pTwiddles);

// pSrcDst becomes pSrc times the conjugate of pSrcDst, element by element, both in Pack order
// (real X0, the pairs, and real Xh at the end when len is even): a pair (ar, ai), (br, bi)
// becomes (ar*br + ai*bi, ai*br - ar*bi) in float64, like the rest of the FFT path. pSrc may
// equal pSrcDst (each pair is read before it is written). Checks: either pointer null -8,
// len < 1 -6.
IppStatus fbMulPackConj(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len);

// pSrcDst becomes pSrc times pSrcDst, element by element, both in Perm order (real X0, real Xh
// at position 1 when len is even, then the pairs): a pair becomes (ar*br - ai*bi, ai*br + ar*bi)
// in float64. pSrc may equal pSrcDst.
// Checks: either pointer null -8, len < 1 -6.
IppStatus fbMulPerm(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len);

// Completes a conjugate-symmetric vector of lenDst complex values in place: the first
// lenDst/2 + 1 elements are kept and element lenDst - k becomes conj(element k) for
// k = 1..(lenDst-1)/2. Checks: pSrcDst null -8, lenDst <= 0 -6.
IppStatus ippsConjCcs_64fc_I(Ipp64fc* pSrcDst, int lenDst);

}  // namespace builtin
