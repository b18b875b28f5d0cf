// Histograms of 8-bit images over levels, and the sum of a float image.
//
// A histogram of one channel is an array of nLevels levels and nLevels - 1 bins; bin k counts
// the values v with levels[k] <= v < levels[k + 1], the levels clamped to 0..256 (a bin whose
// clamped upper level is not above its lower one is 0). The pixels are counted once into 256
// counters per channel and every bin is then read from the counters, so the number of levels
// does not change the cost of the pass over the image.
//
// Layouts: C1 one byte per pixel; C3 three channels; C4 four channels, all counted; AC4 four
// bytes per pixel of which the first three channels are counted.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

// Levels spread evenly from lowerLevel to upperLevel: with d = upper - lower (in 64 bits),
// q = d / (nLevels - 1) truncated and r = d - q * (nLevels - 1), every step is q, and the
// first r steps (q >= 0) are q + 1, or the first -r steps (q < 0) are q - 1. When q = 0 and
// r < 0 every level equals lowerLevel. Then the histogram of those levels (the levels are
// written even when a bin beyond the 32-bit range then gives -6).
// -8 pSrc, pHist or pLevels null; -6 width or height < 1; -14 srcStep < 1; -107 nLevels < 2.
IppStatus ippiHistogramEven_8u_C1R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, Ipp32s* pHist,
                                   Ipp32s* pLevels, int nLevels, Ipp32s lowerLevel, Ipp32s upperLevel);
// The same per channel, each from its own arrays and levels. -8 pSrc or one of the five arrays
// null; then for each channel in turn: -8 its pHist or pLevels null, -107 its nLevels < 2;
// then -6 width or height < 1; -14 srcStep < 1.
IppStatus ippiHistogramEven_8u_C3R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, Ipp32s* pHist[3],
                                   Ipp32s* pLevels[3], int nLevels[3], Ipp32s lowerLevel[3],
                                   Ipp32s upperLevel[3]);
IppStatus ippiHistogramEven_8u_C4R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, Ipp32s* pHist[4],
                                   Ipp32s* pLevels[4], int nLevels[4], Ipp32s lowerLevel[4],
                                   Ipp32s upperLevel[4]);
IppStatus ippiHistogramEven_8u_AC4R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, Ipp32s* pHist[3],
                                    Ipp32s* pLevels[3], int nLevels[3], Ipp32s lowerLevel[3],
                                    Ipp32s upperLevel[3]);

// The histogram of given levels (the even forms run these after writing their levels); the
// checks are those of the even form of the same layout. A region of more than 2^31 - 1 pixels
// is counted in 64 bits: a bin beyond the 32-bit range then gives -6 (after the other checks),
// and no bin is written.
IppStatus ippiHistogramRange_8u_C1R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, Ipp32s* pHist,
                                    const Ipp32s* pLevels, int nLevels);
IppStatus ippiHistogramRange_8u_C3R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, Ipp32s* const pHist[3],
                                    const Ipp32s* const pLevels[3], const int nLevels[3]);
IppStatus ippiHistogramRange_8u_C4R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, Ipp32s* const pHist[4],
                                    const Ipp32s* const pLevels[4], const int nLevels[4]);
IppStatus ippiHistogramRange_8u_AC4R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, Ipp32s* const pHist[3],
                                     const Ipp32s* const pLevels[3], const int nLevels[3]);

// *pSum = the sum of a float region: the elements at even positions of each row (the odd
// last one included) and those at odd positions are added into two extended-precision sums,
// whose sum is rounded once to double. The hint is not used.
// -8 pSrc or pSum null; -6 width or height < 1; -14 srcStep < 1.
IppStatus ippiSum_32f_C1R(const Ipp32f* pSrc, int srcStep, IppiSize roiSize, Ipp64f* pSum,
                          IppHintAlgorithm hint);

namespace histogram {

// counts[c * 256 + v] = the number of pixels whose channel c is v, for the first `channels`
// channels of pixels pixelBytes apart (the counters are set to 0 first; they wrap at 2^32).
// The arguments are not checked.
void CountChannels(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, int pixelBytes, int channels,
                   Ipp32u* counts);

// Whether a region holds more pixels than a 32-bit count reaches (2^31 - 1), so that a count of
// its pixels must be taken in 64 bits.
bool NeedsWideCounts(IppiSize roiSize);
// The counts of CountChannels in 64-bit counters, for a region of any size: its rows are
// counted in bands of at most 2^32 - 1 pixels, whose 32-bit counters cannot wrap, and the bands
// added. The arguments are not checked.
void CountChannelsWide(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, int pixelBytes,
                       int channels, Ipp64u* counts);

}  // namespace histogram
}  // namespace builtin
