// Four-point Lagrange cubic interpolation over a 4 x 4 window of source samples, shared by the
// cubic warp and remap kernels.
//
// The window is four rows srcStep bytes apart; fx and fy place the point inside it measured
// from the window's second sample (0: on sample 1, 1: on sample 2; near an image border the
// callers pass -1..2 so that the window stays inside the image). The weights of a fraction t
// are those of the Lagrange cubic through the nodes -1, 0, 1, 2, evaluated in double as
//   w0 = t^2/2 - t^3/6 - t/3,  w1 = t^3/2 + 1 - t^2 - t/2,  w2 = t + t^2/2 - t^3/2,
//   w3 = t^3/6 - t/6
// (divisions by 2, 3 and 6 as products with the double constants 1/2, 1/3, 1/6). Each window
// row is weighted along x first (h_r = wx0 s_r0 + ... + wx3 s_r3), then the four row values
// down y. Results: 8-bit and 16-bit values above the type's maximum give the maximum, other
// non-negative values trunc(v + 0.5), negative values and NaN 0; float results are the double
// rounded to float, without clamping.
//
// Interleaved forms: output i uses the window starting i elements after pSrc, with the samples
// of one channel pixelStride elements apart (bytes for 8u, elements for 16u and 32f), so
// (pixelStride, count) = (1,1) C1, (3,3) C3, (4,3) AC4 (the fourth channel untouched), (4,4)
// C4. Planar forms: plane i uses the window srcOffset bytes after srcPlanes[i] with adjacent
// samples, and writes element dstColumn of dstPlanes[i]. Nothing is checked; a count below 1
// writes nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "primitives/support/FloatToInt.h"
#include "primitives/support/IppTypes.h"
#include "primitives/support/RowAccess.h"

namespace builtin {

void fbCubicInterp8u(const Ipp8u* pSrc, int srcStep, int pixelStride, Ipp8u* pDst, int count,
                     float fx, float fy);
void fbCubicInterp16u(const Ipp16u* pSrc, int srcStep, int pixelStride, Ipp16u* pDst, int count,
                      float fx, float fy);
void fbCubicInterp32f(const Ipp32f* pSrc, int srcStep, int pixelStride, Ipp32f* pDst, int count,
                      float fx, float fy);
void fbCubicInterp8uPlanar(const Ipp8u* const* srcPlanes, int srcStep, int srcOffset,
                           Ipp8u* const* dstPlanes, int dstColumn, int planeCount, float fx,
                           float fy);
void fbCubicInterp16uPlanar(const Ipp16u* const* srcPlanes, int srcStep, int srcOffset,
                            Ipp16u* const* dstPlanes, int dstColumn, int planeCount, float fx,
                            float fy);
void fbCubicInterp32fPlanar(const Ipp32f* const* srcPlanes, int srcStep, int srcOffset,
                            Ipp32f* const* dstPlanes, int dstColumn, int planeCount, float fx,
                            float fy);

namespace cubic {

// The doubles of the 256 byte values: a table load in place of an integer conversion, which
// leaves the arithmetic units to the interpolation.
struct ByteDoubles {
  double v[256];
  constexpr ByteDoubles() : v{} {
    for (int i = 0; i < 256; ++i) v[i] = i;
  }
};
inline constexpr ByteDoubles kByteDoubles{};

// Sample i of a row of T as a double.
template <typename T>
inline double SampleAsDouble(const uint8_t* row, ptrdiff_t i) {
  if constexpr (sizeof(T) == 1) return kByteDoubles.v[row[i]];
  else return static_cast<double>(rows::Load<T>(row, i));
}

struct Weights {
  double w0, w1, w2, w3;
};

inline Weights WeightsOf(float fraction) {
  constexpr double kMinusSixth = -1.0 / 6.0, kHalf = 0.5, kThird = 1.0 / 3.0, kOne = 1.0,
                   kMinusHalf = -0.5, kSixth = 1.0 / 6.0;
  const double t = fraction;
  const double t2 = t * t;
  const double t3 = t2 * t;
  return Weights{t2 * kHalf + t3 * kMinusSixth - t * kThird,
                 t3 * kHalf + kOne - t2 + t * kMinusHalf,
                 t + t2 * kHalf + t3 * kMinusHalf,
                 t3 * kSixth - t * kSixth};
}

// The interpolated value of the window whose sample (r, k) is sample(r, k).
template <typename Sample>
inline double Interpolate(const Weights& wx, const Weights& wy, Sample&& sample) {
  double h[4];
  for (int r = 0; r < 4; ++r)
    h[r] = wx.w0 * sample(r, 0) + wx.w1 * sample(r, 1) + wx.w2 * sample(r, 2) +
           wx.w3 * sample(r, 3);
  return wy.w0 * h[0] + wy.w1 * h[1] + wy.w2 * h[2] + wy.w3 * h[3];
}

// The stored result of an interpolated value v.
template <typename T>
inline T Store(double v) {
  if constexpr (sizeof(T) == 4) {
    return static_cast<T>(v);
  } else {
    constexpr double kMax = sizeof(T) == 1 ? 255.0 : 65535.0;
    if (v > kMax) return static_cast<T>(kMax);
    // 0 <= v <= kMax here, so the truncation needs no range test.
    if (v >= 0.0) return static_cast<T>(static_cast<int32_t>(v + 0.5));
    return T(0);
  }
}

// One interleaved output: the window of one channel starting at byte p, samples
// strideBytes apart along a row.
template <typename T>
inline T InterleavedOne(const uint8_t* p, ptrdiff_t srcStep, ptrdiff_t strideBytes,
                        const Weights& wx, const Weights& wy) {
  return Store<T>(Interpolate(wx, wy, [&](int r, int k) {
    return SampleAsDouble<T>(p + srcStep * r + strideBytes * k, 0);
  }));
}

}  // namespace cubic
}  // namespace builtin
