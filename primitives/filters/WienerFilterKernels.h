// The row routines of the Wiener filter, shared by the plain and the vector paths and open to
// the tests.
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

// What a row's elements need, fixed for the call. Element i of a row (pixel i / pixel, channel
// i % pixel) finds its channel's values at [i % pixel] of the lane patterns, which repeat the
// per-channel values over a vector's lanes. The fourth byte of AC4 pixels is not filtered
// (live 0, threshold and noise 0).
struct TLanes {
  static constexpr int kRepeat = 4 + 16;
  int pixel, channels, maskWidth;
  float r;                        // 1/N as a float
  float threshold[kRepeat];       // the float threshold of V
  double noise[kRepeat];          // the double T
  uint32_t liveFloat[kRepeat];    // all ones where the channel is filtered
  uint64_t liveDouble[kRepeat];
  // T of the output formula: the one-channel filter takes the double T, the others the
  // threshold. (Widened where it is used: g++ 12 folds a double rounded to a float and widened
  // again back into the double when it vectorises straight-line code.)
  double OutputNoise(int k) const {
    return channels == 1 ? noise[k] : static_cast<double>(threshold[k]);
  }
};

// Sums of the first output row into pair 0. origin: the window's top-left byte for pixel 0.
template <int kPixel, int kChannels>
void FirstRowSums(const uint8_t* origin, ptrdiff_t step, IppiSize mask, int width, float* sum,
                  float* square);

// Elements from .. n - 1 of the next row's sums from this row's: the row leave (the window's top
// row) goes and the row enter (the one below the window) comes, both at the window's left
// column for element 0.
template <int kPixel, int kChannels>
void StepPlain(const uint8_t* enter, const uint8_t* leave, int maskWidth, const float* sum,
               const float* square, float* nextSum, float* nextSquare, int64_t from, int64_t n);
// Elements from .. to - 1: the sums become means (sum) and thresholded V (square).
void StatisticsPlain(float* sum, float* square, const TLanes& lanes, int64_t from, int64_t to);
// Elements from .. to - 1 of a destination row from the sums and the source row.
void OutputPlain(const float* sum, const float* square, const uint8_t* src, uint8_t* out,
                 const TLanes& lanes, int64_t from, int64_t to);

// Vector blocks (WienerFilterHwy.cpp), looked up once per call. Step does whole vectors from
// element 0 (masks of at most kVectorMaskWidth columns, whose sums are exact in floats and
// whose window differences fit its scratch) and returns how many it did. Statistics and Output
// do whole vectors from element from on and stop before a vector in which an element needs the
// extended precision (or has a flat window), returning how many they did.
inline constexpr int kVectorMaskWidth = 64;
struct TBlocks {
  size_t (*Step)(const uint8_t* enter, const uint8_t* leave, const TLanes& lanes, const float* sum,
                 const float* square, float* nextSum, float* nextSquare, size_t n) = nullptr;
  size_t (*Statistics)(float* sum, float* square, const TLanes& lanes, size_t from, size_t n) = nullptr;
  size_t (*Output)(const float* sum, const float* square, const uint8_t* src, uint8_t* out,
                   const TLanes& lanes, size_t from, size_t n) = nullptr;
};
TBlocks VectorWiener();

// A row of n elements, by the vector blocks (if any) and the plain code where they stop.
void StatisticsRow(const TBlocks& vector, float* sum, float* square, const TLanes& lanes, int64_t n);
void OutputRow(const TBlocks& vector, const float* sum, const float* square, const uint8_t* src,
               uint8_t* out, const TLanes& lanes, int64_t n);

// The filter of the entries on checked arguments, with or without the vector blocks (for the
// tests): pixel 1 (C1), 3 (C3) or 4 (AC4).
void FilterRegion(int pixel, const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                  IppiSize mask, IppiPoint anchor, Ipp32f* noise, Ipp8u* pBuffer, bool vector);

}  // namespace wiener
}  // namespace builtin
