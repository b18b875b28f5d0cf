// Adaptive noise removal (Wiener filter) of 8-bit images over a rectangular window.
//
// The window of destination pixel (x, y) is the maskSize.width x maskSize.height block of
// source pixels from column x - (width - 1 - anchor.x) to x + anchor.x and from row
// y - (height - 1 - anchor.y) to y + anchor.y: the anchor counts from the window's lower right
// corner. Per pixel and channel, with S and Q the sum and the sum of squares of the window's
// bytes held as 32-bit floats (built incrementally, exact while below 2^24), r = 1/N as a
// float (N = mask width x height):
//   mean = S * r, as a float;  V = Q - S * S * r, as a float, raised to the threshold;
//   out  = truncation toward zero of mean + (V - T) / V * (p - mean), p the source byte;
// where T = noise * 65025 * N is the scaled noise of the channel and the threshold its float
// value (the one-channel filter uses T itself in the output formula, the others its float
// value). A window whose V is 0 (possible only with an estimated noise of 0) gives p. Noise
// values below 2^-23 ask for an estimate (C3, AC4: any of the three re-estimates all three):
// T becomes the mean over the rows of the row means of the unthresholded V, and noise receives
// T / 65025 / N as a float. C3 pixels have 3 bytes; AC4 pixels 4, of which the first three are
// filtered and the fourth byte of every destination pixel is kept.
//
// The caller's buffer, of the size ippiFilterWienerGetBufferSize gives (4 channels for AC4),
// holds four rows of window sums from its first 16-byte boundary; its size is not checked.
// Checks, before anything is read or written: a null source, destination, noise or buffer -8;
// region width or height below 1 -6; mask width or height below 2 -33; an anchor outside the
// mask -34; source or destination step below 1 -14; a noise value below 0, at least 1 or NaN
// -125. Steps are not compared with the width. The query: a null result -8; width or height
// below 1 -6; channels other than 1, 3 and 4 -53; mask width or height below 2 -33; a size that
// does not fit 32 bits -6. Nothing is written on failure.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiFilterWiener_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                  IppiSize dstRoiSize, IppiSize maskSize, IppiPoint anchor,
                                  Ipp32f noise[1], Ipp8u* pBuffer);
IppStatus ippiFilterWiener_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                  IppiSize dstRoiSize, IppiSize maskSize, IppiPoint anchor,
                                  Ipp32f noise[3], Ipp8u* pBuffer);
IppStatus ippiFilterWiener_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize dstRoiSize, IppiSize maskSize, IppiPoint anchor,
                                   Ipp32f noise[3], Ipp8u* pBuffer);
IppStatus ippiFilterWienerGetBufferSize(IppiSize dstRoiSize, IppiSize maskSize, int channels,
                                        int* pBufferSize);

}  // namespace builtin
