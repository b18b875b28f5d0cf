// The complex FFT engine: in-place transforms of N = 2^n complex float64 values (interleaved
// pairs, real part first) for every order n >= 3 that a setup prepares tables for.
//
// A transform is a bit-reversal permutation followed by either the radix-4 decimation-in-time
// kernel (n <= 9) or the large transform (n >= 10): split levels that run contiguous
// sub-transforms and then four columns at a time through a work buffer of at most 32768 bytes,
// or, for orders 10 and 11, 512-point blocks combined by radix-2 passes.
//
// A complex transform of order n >= 4 is these steps (a real one uses N/2 points and order
// n - 1 the same way):
//   1. fbFftBitRevInPlace when source and destination are one vector, else fbFftBitRevCopy;
//   2. n <= 9: fbFftRadix4Fwd/Inv with the twiddle block, then fbFftScale(scale, data, 2N) when
//      the direction is scaled;
//   3. n >= 10: fbFftLargeFwd/Inv with the work buffer, which runs fbFftSplitFwd/Inv level by
//      level, or for orders 10 and 11 fbFftBlockedFwd/Inv (512-point blocks, then
//      fbFftRadix2PassesFwd/Inv); it scales each leaf itself, exactly once.
//
// Forward: X[k] = sum x[m] exp(-2 pi j m k / N); inverse with +. The engine checks nothing and
// cannot fail. Every factor comes from the setup's tables; the vector paths give the
// bits of the plain ones (same operations in the same order, no fused multiply-add). Data
// vectors may start at any address; the work buffer is 16-byte aligned.
//
// The transform front ends (FftTransforms.cpp) call none of the steps one by one: they call
// fbFftComplexFwd/Inv, which gives the bytes of steps 1 to 3, and the real inverse transform
// first offers its pre-processing to fbFftRealInvFused. Their vector paths (FftEngine*Hwy.cpp)
// fuse the permutation with the first passes and keep the intermediate values in aligned
// buffers on the stack (at most 32 KB at a time), so that a transform of up to 2^16 points
// reads its source once and sweeps its destination at most twice; from order 19 on they run
// the permutation and then the steps of 3. The steps keep their own entry points with the same
// results.
#pragma once

#include <cstdint>

#include "primitives/signal/FftSetup.h"
#include "primitives/support/IppTypes.h"

namespace builtin {

// pDst[rev(m)] = pSrc[m] for m = 0..N-1 (n-bit reversal), N >= 8; distinct vectors. Writes each
// destination element once and does not read the destination.
void fbFftBitRevCopy(const Ipp64f* pSrc, Ipp64f* pDst, int64_t N, const int32_t* swapTable);
// The same permutation in place; nothing when N < 4.
void fbFftBitRevInPlace(Ipp64f* pData, int64_t N, const int32_t* swapTable);

// Radix-4 kernel on bit-reversed data, natural-order result, unscaled; radix4Table is the
// radix-4 table of order log2(N). Valid for 4 <= N <= 1024.
void fbFftRadix4Fwd(Ipp64f* pData, int64_t N, const Ipp64f* radix4Table);
void fbFftRadix4Inv(Ipp64f* pData, int64_t N, const Ipp64f* radix4Table);

// Multiplies count float64 values by factor.
void fbFftScale(Ipp64f factor, Ipp64f* pData, int64_t count);

// Transform of order n >= 10 on bit-reversed data in place, scaled when the direction's flag is
// set; pWork holds the setup's work bytes (null when it needs none).
void fbFftLargeFwd(const fbFftSpec* spec, Ipp64f* pData, int n, Ipp64f* pWork);
void fbFftLargeInv(const fbFftSpec* spec, Ipp64f* pData, int n, Ipp64f* pWork);

// Steps 1 to 3 above in one call: the complex transform of order n >= 4 from pSrc (natural
// order) into pDst, scaled when the direction's flag is set; pSrc may equal pDst, pWork holds
// the setup's work bytes. The result is that of the steps run one by one; the vector paths
// fuse the permutation with the first passes and run fewer sweeps over the data.
void fbFftComplexFwd(const fbFftSpec* spec, const Ipp64f* pSrc, Ipp64f* pDst, int n,
                     Ipp64f* pWork);
void fbFftComplexInv(const fbFftSpec* spec, const Ipp64f* pSrc, Ipp64f* pDst, int n,
                     Ipp64f* pWork);

// The inverse real transform's pre-processing (fbRealFftPre, FftTransforms.h) fused with steps
// 1 to 3 of the inverse complex transform of order n >= 4 (h = 2^n points) into pDst, for a
// spectrum whose bins 1..h-1 lie at positions 2k, 2k+1 of pSpectrum (CCS or Perm) and do not
// overlap pDst; pEdges holds the pre-processed values 0..3 and h/2..h/2+3 (16 float64, the
// caller's); spec is the real setup. The result is that of the pre-processing into pDst
// followed by the transform in place. Returns false, having done nothing, where no vector path
// fuses them (then the caller runs the steps).
bool fbFftRealInvFused(const fbFftSpec* spec, const Ipp64f* pSpectrum, const Ipp64f* pEdges,
                       Ipp64f* pDst, int n, Ipp64f* pWork);

// One split level (depth 0, 1 or 2) of order n.
void fbFftSplitFwd(const fbFftSpec* spec, Ipp64f* pData, int n, int depth, Ipp64f* pWork);
void fbFftSplitInv(const fbFftSpec* spec, Ipp64f* pData, int n, int depth, Ipp64f* pWork);

// The blocked transform of N = 1024 or 2048 points.
void fbFftBlockedFwd(const fbFftSpec* spec, Ipp64f* pData, int64_t N);
void fbFftBlockedInv(const fbFftSpec* spec, Ipp64f* pData, int64_t N);

// Radix-2 combining passes from blocks of L0 transformed points up to N; blockTable holds the
// N/4 factors w^k.
void fbFftRadix2PassesFwd(Ipp64f* pData, int64_t N, int64_t L0, const Ipp64f* blockTable);
void fbFftRadix2PassesInv(Ipp64f* pData, int64_t N, int64_t L0, const Ipp64f* blockTable);

}  // namespace builtin
