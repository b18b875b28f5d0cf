// The 8-bit interleaved remap kernels (C1, C3, AC4, C4) by destination row stretch, open to
// the tests: the plain per-pixel bodies, which are the reference, and the vector block kernels
// of RemapHwy.cpp beside them.
//
// A stretch is n destination pixels of one row with their n map values: xs and ys point at
// the 32-bit floats of the stretch's first pixel (any alignment), dst at its first pixel. A
// pixel is sampled only when its position lies inside the inclusive source region (NaN
// outside); otherwise its bytes are kept. Positions inside the region lie inside the image, so
// a sampler never reads beyond it: nearest reads the pixel trunc(x + 0.5), linear the 2 x 2
// window of warp::LinearSampler::Axis, cubic the 4 x 4 window of
// warp::CubicSampler::WindowStart.
//
// The block kernel samples the whole vectors of pixels from the start of the stretch, one pixel
// per lane, each lane doing the plain body's operations in the plain order (doubles, no fused
// multiply-add), and reading exactly the source bytes the plain body reads (an AC4 window's
// fourth samples aside); it returns how many pixels it did, and the plain code does the rest.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "primitives/geometry/CubicInterp.h"
#include "primitives/geometry/WarpKernels.h"
#include "primitives/support/FloatToInt.h"
#include "primitives/support/RowAccess.h"

namespace builtin::remap {

// The remap table's method columns.
enum Method : int32_t { kNearest = 0, kLinear = 1, kCubic = 2 };

// What every pixel of one kernel call shares.
struct Source8 {
  const uint8_t* base;  // the source image's first pixel
  ptrdiff_t step;       // source row step in bytes (positive)
  int32_t xMax, yMax;   // the image's last column and row
  double left, top, right, bottom;  // the inclusive clipped source region
};

inline bool Inside(const Source8& s, double sx, double sy) {
  return sx >= s.left && sx <= s.right && sy >= s.top && sy <= s.bottom;
}

// One destination pixel (its first kChannels bytes at out) from source position (sx, sy);
// pixels are kStride bytes apart. The windows and blends are the warp samplers' own.
template <int32_t kChannels, int32_t kStride>
inline void NearestPixel(const Source8& s, double sx, double sy, uint8_t* out) {
  const ptrdiff_t ix = std::clamp(fbTruncToInt32(sx + 0.5), 0, s.xMax);
  const ptrdiff_t iy = std::clamp(fbTruncToInt32(sy + 0.5), 0, s.yMax);
  std::memcpy(out, s.base + iy * s.step + ix * kStride, kChannels);
}

template <int32_t kChannels, int32_t kStride>
inline void LinearPixel(const Source8& s, double sx, double sy, uint8_t* out) {
  int32_t ix, iy;
  double fx, fy;
  warp::LinearSampler::Axis(sx, s.xMax, &ix, &fx);
  warp::LinearSampler::Axis(sy, s.yMax, &iy, &fy);
  const uint8_t* p = s.base + static_cast<ptrdiff_t>(iy) * s.step + ptrdiff_t{ix} * kStride;
  warp::LinearSampler::Pixel8<kChannels, kStride>(p, s.step, fx, fy, out);
}

template <int32_t kChannels, int32_t kStride>
inline void CubicPixel(const Source8& s, double sx, double sy, uint8_t* out) {
  const int32_t wx0 = warp::CubicSampler::WindowStart(sx, s.xMax);
  const int32_t wy0 = warp::CubicSampler::WindowStart(sy, s.yMax);
  const cubic::Weights wx = cubic::WeightsOf(static_cast<float>((sx - 1.0) - wx0));
  const cubic::Weights wy = cubic::WeightsOf(static_cast<float>((sy - 1.0) - wy0));
  const uint8_t* p = s.base + static_cast<ptrdiff_t>(wy0) * s.step + ptrdiff_t{wx0} * kStride;
  for (int32_t c = 0; c < kChannels; ++c)
    out[c] = cubic::InterleavedOne<uint8_t>(p + c, s.step, kStride, wx, wy);
}

// Pixels from..to-1 of a stretch, the plain way.
template <int32_t kChannels, int32_t kStride, int32_t kMethod>
inline void PlainPixels(const Source8& s, const uint8_t* xs, const uint8_t* ys, uint8_t* dst,
                        ptrdiff_t from, ptrdiff_t to) {
  for (ptrdiff_t i = from; i < to; ++i) {
    const double sx = rows::Load<float>(xs, i), sy = rows::Load<float>(ys, i);
    if (!Inside(s, sx, sy)) continue;
    uint8_t* out = dst + i * kStride;
    if constexpr (kMethod == kNearest) NearestPixel<kChannels, kStride>(s, sx, sy, out);
    else if constexpr (kMethod == kLinear) LinearPixel<kChannels, kStride>(s, sx, sy, out);
    else CubicPixel<kChannels, kStride>(s, sx, sy, out);
  }
}

// The block kernel of a stretch of n pixels (see above).
using BlockKernel = ptrdiff_t (*)(const Source8& s, const uint8_t* xs, const uint8_t* ys,
                                  uint8_t* dst, ptrdiff_t n);

// The block kernel of a layout (warp::kC1, kC3, kAC4, kC4) and method for this source, looked
// up once per call; null where the plain code does every pixel: another layout, or an image
// whose bytes (yMax rows of step bytes and the last row's pixels) do not fit the vectors'
// 32-bit offsets.
BlockKernel VectorBlockKernel(int32_t layout, int32_t method, const Source8& s);

}  // namespace builtin::remap
