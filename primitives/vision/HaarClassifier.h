// A classifier of Haar-like features over float integral images.
//
// A feature is a set of weighted rectangles; its value at a pixel is the weighted sum of the
// rectangles' sums read from the integral image at that pixel, and it contributes val2 when
// that value reaches the pixel's norm times its threshold, val1 otherwise. A pixel is
// positive when the contributions of all features reach the classifier's threshold.
//
// The classifier state is one block of the aligned allocator holding counts, then the
// features grouped by rectangle count (two-rectangle features in input order, then
// three-rectangle ones, then the rest), then their rectangles; the records refer to each
// other by index. Applying a state only reads it, so threads may share one.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

// Builds a state from `length` features: feature i owns the next pNum[i] rectangles of
// pFeature and weights of pWeight, and takes pThreshold[i], pVal1[i] and pVal2[i].
// -8 a null pointer; -6 length < 0 or a pNum entry < 1; -9 the state cannot be allocated (or
// holds more than 2^31 - 1 rectangles); -5 a rectangle with x < 0, y < 0, width < 1,
// height < 1, or a corner beyond the 32-bit range: the state is then freed and *pState set
// to null. On success *pState holds the state, which ippiHaarClassifierFree_32f releases.
IppStatus ippiHaarClassifierInitAlloc_32f(IppiHaarClassifier_32f** pState, const IppiRect* pFeature,
                                          const Ipp32f* pWeight, const Ipp32f* pThreshold,
                                          const Ipp32f* pVal1, const Ipp32f* pVal2, const int* pNum,
                                          int length);

// Releases a state. -8 when it is null.
IppStatus ippiHaarClassifierFree_32f(IppiHaarClassifier_32f* pState);

// For every pixel of the region whose mask byte is not 0: sums the features' contributions
// (in extended precision, in the state's grouped order) with the integral image pSrc read
// from the pixel, and clears the mask byte unless the total reaches threshold; a zero mask
// byte is never set. *pPositive = the number of pixels left positive. The caller supplies the
// integral image far enough right and down for every rectangle of every pixel.
// -8 a null pointer; -6 width or height < 1; -14 srcStep < 4 * width, normStep < 4 * width
// or maskStep < width; -108 srcStep or normStep not a multiple of 4; then -6 for more than
// 2^31 - 1 pixels (a count beyond an int); -9 the table of corner offsets cannot be allocated
// (mask and count untouched).
IppStatus ippiApplyHaarClassifier_32f_C1R(const Ipp32f* pSrc, int srcStep, const Ipp32f* pNorm,
                                          int normStep, Ipp8u* pMask, int maskStep, IppiSize roiSize,
                                          int* pPositive, Ipp32f threshold,
                                          IppiHaarClassifier_32f* pState);

}  // namespace builtin
