// The row routines of the Wiener filter, open to the tests.
#pragma once

#include <cstddef>
#include <cstdint>

#include "primitives/support/IppTypes.h"

namespace builtin {

// The mean of len floats, summed in two interleaved partial sums (even and odd indexes) in
// extended precision, rounded to a float. A null pointer -8, len below 1 -6.
IppStatus fbMeanRow32f(const Ipp32f* row, int len, Ipp32f* mean);
// The per-channel means of the first three floats of each of width pixels of pixelFloats (3
// or 4) floats, each as fbMeanRow32f sums it.
void fbChannelMeans32f(const Ipp32f* row, int width, int pixelFloats, Ipp32f means[3]);

namespace wiener {

// The four work rows: sums and sums of squares of the pair of even rows ([0]) and odd rows
// ([1]). Each row holds a float per pixel and channel, pixel x channel c at x * kPixel + c.
struct WorkRows {
  float* sum[2];
  float* square[2];
};

// Sums of the first output row into pair 0. origin: the window's top-left byte for pixel 0.
template <int kPixel, int kChannels>
void FirstRowSums(const uint8_t* origin, ptrdiff_t step, IppiSize mask, int width, float* sum,
                  float* square);

// Row y's statistics: when y + 1 < height, the sums of row y + 1 into the other pair from this
// pair's; then this pair's sums become means (sum row) and thresholded V (square row).
template <int kPixel, int kChannels>
void RowStats(const uint8_t* origin, ptrdiff_t step, float* sum, float* square, float r,
              IppiSize mask, float* nextSum, float* nextSquare, int width, int height, int y,
              const float* threshold);

// One destination row from the mean and V rows, the source row and the scaled noise.
template <int kPixel, int kChannels, typename TNoise>
void RowOutput(const float* mean, const float* variance, const uint8_t* src, uint8_t* dst,
               int width, const TNoise* noise);

}  // namespace wiener
}  // namespace builtin
