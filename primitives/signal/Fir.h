// Built-in FIR filter of float64 signals with float64 taps: y[k] = sum over j = 0 .. n-1 of
// h[j] * x[k - j], where x[-1], x[-2], ... are the inputs that precede the call. A filter state
// holds the taps and the delay line, so consecutive calls continue one signal.
//
// The state is one 32-byte-aligned block: the record, the taps in reversed order, a delay
// buffer of 3n + 4 float64 whose first n elements hold the n most recent inputs (oldest first),
// 16 spare bytes, and for 32 taps or more the Perm spectrum of the taps zero-padded to the
// transform size N (the smallest power of two 2^(e+1) with 2^e > n, e >= 2, so N > 2n), the
// transform's work buffer and one overlap-save block of N values, then a spare area of
// 32768 bytes. Every size is computed in 64 bits. Filtering allocates nothing.
//
// An initial delay line holds n values: element 0 is the input just before the first one to
// be filtered, element 1 the one before it, and so on; its last element is kept but reaches no
// output (n outputs later it has left the window). A null delay line means zeros.
//
// Filtering sums the products from the oldest sample to the newest, from 0.0, with a 64-bit
// significand, and rounds once when storing; four outputs are summed per pass over the taps.
// Blocks of at most n rounded up to a multiple of 4, plus 1 (R) go through the delay buffer;
// longer ones pass their first R inputs through it and read the rest in place. A block of more
// than 511 samples on a filter with a tap spectrum is filtered by overlap-save in the
// frequency domain (step S = N - (n - 1)): full blocks are transformed straight out of the
// input, and blocks continue until every output is written.
//
// Checks, in order, before anything is touched:
//   ippsFIRInitAlloc_64f: ppState or pTaps null: -8; tapsLen below 1: -26. Creation returns
//     the transform's status when the tap spectrum's transform cannot be made (-15 for a
//     filter too long for any transform size, -9), -9 when the block cannot be allocated;
//     a failed creation leaves nothing allocated and *ppState unchanged.
//   ippsFIR_64f: pState, pSrc, pDst null: -8; numIters below 1: -6; a state of neither kind
//     (or of the second kind, which has no filtering here): -17. A transform failure is
//     returned as it is.
//   ippsFIRFree_64f: null: -8; a state of neither kind: -17.
// The source and destination must not overlap.
#pragma once

#include <cstdint>

#include "primitives/support/IppTypes.h"

namespace builtin {

// The tags of the two state kinds: this float64 filter, and a second kind that Free releases
// and the filter recognises (returning -17, since nothing builds one with a filtering mode).
inline constexpr std::uint32_t kFirStateTag64f = 0x46493133u;
inline constexpr std::uint32_t kFirStateTagSecond = 0x46493135u;

IppStatus ippsFIRInitAlloc_64f(IppsFIRState_64f** ppState, const Ipp64f* pTaps, int tapsLen,
                               const Ipp64f* pDlyLine);
IppStatus ippsFIR_64f(const Ipp64f* pSrc, Ipp64f* pDst, int numIters, IppsFIRState_64f* pState);
IppStatus ippsFIRFree_64f(IppsFIRState_64f* pState);

// Builds a state with the given tag (the creation above passes kFirStateTag64f); the arguments
// are not checked again.
IppStatus fbFirInitState(IppsFIRState_64f** ppState, const Ipp64f* pTaps, int tapsLen,
                         const Ipp64f* pDlyLine, std::uint32_t tag);

// Test seam: the forward transforms run by the filter on this thread so far (tap spectra at
// creation and overlap-save blocks).
std::int64_t fbFirForwardTransforms();

}  // namespace builtin
