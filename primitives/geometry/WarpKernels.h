// The row-kernel template of the warps, open to the kernels of every warp and to the tests.
//
// A warp kernel computes all destination pixels named by a span array in one call. It is made
// of four independent parts, each a small type:
//
//   Pixels<T, layout>   the element type and channel layout: how a source sample is read and a
//                       destination sample written (interleaved C1, C3, AC4, C4; planar P3,
//                       P4 through arrays of plane pointers), how many channels are written.
//   Generator           where each destination pixel comes from: BeginRows(firstRow) once,
//                       Span(row, xstart, xend) at the start of each span, Next(&sx, &sy)
//                       for the source position of the span's next pixel, NextRow() after
//                       each row. AffineGenerator adds c00, c10 per pixel and c01, c11 per
//                       row, from row terms formed once at the first row. Save() and
//                       Resume(state) pause a span's walk and take it up again (the walk
//                       goes through the destination in tiles). A generator whose positions
//                       are best made for a whole span at once (one division per pixel into
//                       a work buffer) fills its buffer in Span and keeps its read position
//                       in its State.
//   Sampler             how a position becomes a value: NearestSampler, LinearSampler,
//                       CubicSampler, each for every element type and layout.
//   Check               which positions are sampled at all: AllPositions samples every one;
//                       InsideSource skips positions outside an inclusive source rectangle or
//                       not a number, leaving those destination pixels untouched.
//
// WarpSpans<Pixels, Sampler, Check>(frame, generator) walks the rows and spans, asks the
// generator for each pixel's position and samples it. A new warp plugs in by writing its
// Generator (a perspective warp: numerators and denominator advanced per pixel, one division
// each; a remap: positions read from the caller's maps), passing InsideSource where it must
// test positions against the source region, and giving spans that cover whole rows where it
// has no quadrangle to scan; its kernel table is then one instantiation per (type, layout,
// method) around its own call signature, as the affine table in AffineWarp.cpp shows.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "primitives/geometry/CubicInterp.h"
#include "primitives/geometry/WarpFrame.h"
#include "primitives/support/FloatToInt.h"
#include "primitives/support/RowAccess.h"

namespace builtin::warp {

// ---- Element types and layouts -------------------------------------------------------------

template <typename T, int32_t kLayoutCode>
struct Pixels {
  using Element = T;
  static constexpr int32_t kLayout = kLayoutCode;
  static constexpr bool kPlanar = IsPlanar(kLayout);
  static constexpr int32_t kPlanes = PlaneCount(kLayout);
  // Elements from one interleaved pixel to the next.
  static constexpr int32_t kStride = kLayout == kC1 ? 1 : kLayout == kC3 ? 3 : kPlanar ? 1 : 4;
  // Samples written per pixel (AC4 leaves the fourth alone).
  static constexpr int32_t kChannels =
      kLayout == kC1 ? 1 : (kLayout == kC3 || kLayout == kAC4 || kLayout == kP3) ? 3 : 4;
  static constexpr ptrdiff_t kSize = sizeof(T);
};

// The whole source image: its origin (or plane origins) and row step.
template <class P>
struct SourceImage {
  const uint8_t* planes[P::kPlanes];
  ptrdiff_t step;

  SourceImage(const void* pSrc, int32_t srcStep) : step(srcStep) {
    if constexpr (P::kPlanar) {
      const void* const* array = static_cast<const void* const*>(pSrc);
      for (int32_t i = 0; i < P::kPlanes; ++i) planes[i] = static_cast<const uint8_t*>(array[i]);
    } else {
      planes[0] = static_cast<const uint8_t*>(pSrc);
    }
  }
  // Byte address of channel c of pixel (x, y).
  const uint8_t* At(int32_t c, ptrdiff_t x, ptrdiff_t y) const {
    if constexpr (P::kPlanar) return planes[c] + y * step + x * P::kSize;
    else return planes[0] + y * step + (x * P::kStride + c) * P::kSize;
  }
  typename P::Element Sample(int32_t c, ptrdiff_t x, ptrdiff_t y) const {
    return rows::Load<typename P::Element>(At(c, x, y), 0);
  }
  // Bytes from one pixel to the next along a row.
  static constexpr ptrdiff_t kPixelBytes = (P::kPlanar ? 1 : P::kStride) * P::kSize;
};

// The current destination row (or the current row of every plane).
template <class P>
struct DestinationRow {
  uint8_t* planes[P::kPlanes];

  explicit DestinationRow(void* pDstRow) {
    if constexpr (P::kPlanar) {
      uint8_t* const* array = static_cast<uint8_t* const*>(pDstRow);
      for (int32_t i = 0; i < P::kPlanes; ++i) planes[i] = array[i];
    } else {
      planes[0] = static_cast<uint8_t*>(pDstRow);
    }
  }
  void Advance(ptrdiff_t step) {
    for (int32_t i = 0; i < P::kPlanes; ++i) planes[i] += step;
  }
  uint8_t* At(int32_t c, ptrdiff_t x) const {
    if constexpr (P::kPlanar) return planes[c] + x * P::kSize;
    else return planes[0] + (x * P::kStride + c) * P::kSize;
  }
  void Put(int32_t c, ptrdiff_t x, typename P::Element v) const {
    rows::Store<typename P::Element>(At(c, x), 0, v);
  }
};

// ---- Vector samplers -----------------------------------------------------------------------
//
// The 8-bit interleaved samplers (C1, C3, AC4 with three written, C4) have a vector path
// (WarpHwy.cpp) over positions a warp has listed beforehand: n pixels at dst from xs[k], ys[k],
// several pixels per vector (lanes across pixels, their windows gathered), each lane doing the
// plain sampler's operations on its pixel in the same order (no fused multiply-add), so the
// bytes are the same. The warps keep making their positions as before (each row's chain of
// additions, or its divisions and roots) and hand them over a run at a time.

// The source image of the vector samplers.
struct LinearSource8 {
  const uint8_t* base;  // the source image origin
  ptrdiff_t step;
  int32_t xMax, yMax;
};

// The rule a vector sampler follows: NearestSampler, LinearSampler, the bilinear warps' linear
// rounding (the half added after the blend down y), CubicSampler.
enum class PointRule : int32_t { kNearest, kLinear, kLinearHalfLast, kCubic };

using SamplePoints8Fn = void (*)(const double* xs, const double* ys, ptrdiff_t n,
                                 const LinearSource8& src, uint8_t* dst);
// The vector sampler of an interleaved 8-bit layout and rule for this source, looked up once per
// call; null where there is none: planar layouts, a source narrower than 4 pixels or too large
// for 32-bit byte offsets, a processor without vectors (the plain samplers then serve).
SamplePoints8Fn VectorPoints8(int32_t layout, PointRule rule, const LinearSource8& src);

// r = 1 / d[k], then x[k] = x[k] r and y[k] = y[k] r for k < n: the perspective warp's
// positions from its running numerators and denominators, in vectors where there are any.
void ReciprocalProducts(const double* d, double* x, double* y, ptrdiff_t n);

// ---- Samplers ------------------------------------------------------------------------------
//
// Each sampler's Sample(src, dst, x, sx, sy, xMax, yMax) writes destination pixel x of the
// current row from source position (sx, sy). Indexes are kept inside the source image: with
// the spans an engine supplies they always are, and a transform so close to singular that its
// rounding carries a position out still reads only the image.

struct NearestSampler {
  static constexpr PointRule kRule = PointRule::kNearest;
  template <class P>
  static void Sample(const SourceImage<P>& src, const DestinationRow<P>& dst, ptrdiff_t x,
                     double sx, double sy, int32_t xMax, int32_t yMax) {
    const int32_t ix = std::clamp(fbTruncToInt32(sx + 0.5), 0, xMax);
    const int32_t iy = std::clamp(fbTruncToInt32(sy + 0.5), 0, yMax);
    if constexpr (!P::kPlanar) {
      // The written samples of an interleaved pixel are adjacent: one copy.
      std::memcpy(dst.At(0, x), src.At(0, ix, iy), P::kChannels * P::kSize);
    } else {
      for (int32_t c = 0; c < P::kChannels; ++c) dst.Put(c, x, src.Sample(c, ix, iy));
    }
  }
};

struct LinearSampler {
  static constexpr PointRule kRule = PointRule::kLinear;
  // The left (upper) index of the 2-pixel window along one axis and the fraction from it: a
  // position a hair (1e-7) below a whole number counts as that number; at or beyond the last
  // index the window is the last two with fraction 1.
  static void Axis(double s, int32_t max, int32_t* index, double* fraction) {
    int32_t i = fbTruncToInt32(s + 1e-07);
    if (i < 0) {
      *index = 0;
      *fraction = 0.0;
    } else if (i < max) {
      *index = i;
      *fraction = s - i;
    } else {
      *index = max - 1;
      *fraction = 1.0;
    }
  }

  // One 8-bit interleaved pixel of kStride bytes whose window starts at p: its first
  // kChannels bytes at out.
  template <int32_t kChannels, int32_t kStride>
  static void Pixel8(const uint8_t* p, ptrdiff_t down, double fx, double fy, uint8_t* out) {
    for (int32_t c = 0; c < kChannels; ++c) {
      const double p00 = cubic::kByteDoubles.v[p[c]];
      const double p01 = cubic::kByteDoubles.v[p[kStride + c]];
      const double p10 = cubic::kByteDoubles.v[p[down + c]];
      const double p11 = cubic::kByteDoubles.v[p[down + kStride + c]];
      const double top = p00 + fx * (p01 - p00);
      const double bottom = p10 + fx * (p11 - p10);
      out[c] = static_cast<uint8_t>(static_cast<int32_t>(top + 0.5 + fy * (bottom - top)));
    }
  }

  template <class P>
  static void Sample(const SourceImage<P>& src, const DestinationRow<P>& dst, ptrdiff_t x,
                     double sx, double sy, int32_t xMax, int32_t yMax) {
    using T = typename P::Element;
    int32_t ix, iy;
    double fx, fy;
    Axis(sx, xMax, &ix, &fx);
    Axis(sy, yMax, &iy, &fy);
    constexpr ptrdiff_t kRight = SourceImage<P>::kPixelBytes;
    const ptrdiff_t down = src.step;
#pragma GCC unroll 4
    for (int32_t c = 0; c < P::kChannels; ++c) {
      const uint8_t* p = src.At(c, ix, iy);
      const double p00 = cubic::SampleAsDouble<T>(p, 0);
      const double p01 = cubic::SampleAsDouble<T>(p + kRight, 0);
      const double p10 = cubic::SampleAsDouble<T>(p + down, 0);
      const double p11 = cubic::SampleAsDouble<T>(p + down + kRight, 0);
      const double top = p00 + fx * (p01 - p00);
      const double bottom = p10 + fx * (p11 - p10);
      // Both fractions lie in [-1e-7, 1], so an integer result lies within a hair of the
      // type's range and converts to int32 without a range test.
      if constexpr (sizeof(T) == 1)
        dst.Put(c, x, static_cast<T>(static_cast<int32_t>(top + 0.5 + fy * (bottom - top))));
      else if constexpr (sizeof(T) == 2)
        dst.Put(c, x, static_cast<T>(static_cast<int32_t>(top + fy * (bottom - top))));
      else
        dst.Put(c, x, static_cast<T>(top + fy * (bottom - top)));
    }
  }
};

struct CubicSampler {
  static constexpr PointRule kRule = PointRule::kCubic;
  // The first index of the 4-pixel window along one axis (max >= 3): centred on the position,
  // pushed inward at the borders.
  static int32_t WindowStart(double s, int32_t max) {
    const int32_t n = fbTruncToInt32(s + 1e-07);
    if (n >= max - 1) return max - 3;
    if (n <= 0) return 0;
    return n - 1;
  }

  template <class P>
  static void Sample(const SourceImage<P>& src, const DestinationRow<P>& dst, ptrdiff_t x,
                     double sx, double sy, int32_t xMax, int32_t yMax) {
    using T = typename P::Element;
    const int32_t wx0 = WindowStart(sx, xMax), wy0 = WindowStart(sy, yMax);
    const float fx = static_cast<float>((sx - 1.0) - wx0);
    const float fy = static_cast<float>((sy - 1.0) - wy0);
    const cubic::Weights wx = cubic::WeightsOf(fx), wy = cubic::WeightsOf(fy);
    constexpr ptrdiff_t strideBytes = SourceImage<P>::kPixelBytes;
    for (int32_t c = 0; c < P::kChannels; ++c)
      dst.Put(c, x, cubic::InterleavedOne<T>(src.At(c, wx0, wy0), src.step, strideBytes, wx, wy));
  }
};

// The vector sampler of a kernel of pixels P sampled by S (a sampler with a kRule), or null.
template <class P, class S>
SamplePoints8Fn VectorPointsFor(const void* pSrc, int32_t srcStep, int32_t xMax, int32_t yMax) {
  if constexpr (P::kPlanar || sizeof(typename P::Element) != 1) {
    return nullptr;
  } else {
    return VectorPoints8(P::kLayout, S::kRule,
                         LinearSource8{static_cast<const uint8_t*>(pSrc), srcStep, xMax, yMax});
  }
}

// ---- Checks --------------------------------------------------------------------------------

struct AllPositions {
  bool operator()(double, double) const { return true; }
};

// Positions inside the inclusive rectangle {x0, y0, x1, y1}; NaN is outside.
struct InsideSource {
  double x0, y0, x1, y1;
  bool operator()(double sx, double sy) const {
    return sx >= x0 && sx <= x1 && sy >= y0 && sy <= y1;
  }
};

// ---- Generators ----------------------------------------------------------------------------

// Destination (x, y) -> source (c00 x + c01 y + c02, c10 x + c11 y + c12), advanced by
// additions: the row terms c01 y + c02 and c11 y + c12 are formed at the first row and then
// grow by c01 and c11 per row; a span starts at the row terms plus c00 xstart, c10 xstart and
// grows by c00, c10 per pixel.
class AffineGenerator {
 public:
  explicit AffineGenerator(const double c[2][3])
      : c00_(c[0][0]), c01_(c[0][1]), c02_(c[0][2]), c10_(c[1][0]), c11_(c[1][1]),
        c12_(c[1][2]) {}
  void BeginRows(int32_t firstRow) {
    rowX_ = c01_ * firstRow + c02_;
    rowY_ = c11_ * firstRow + c12_;
  }
  void Span(int32_t /*row*/, int32_t xstart, int32_t /*xend*/) {
    sx_ = rowX_ + c00_ * xstart;
    sy_ = rowY_ + c10_ * xstart;
  }
  void Next(double* sx, double* sy) {
    *sx = sx_;
    *sy = sy_;
    sx_ += c00_;
    sy_ += c10_;
  }
  void NextRow() {
    rowX_ += c01_;
    rowY_ += c11_;
  }
  // Where a span's walk stands, to pause it and take it up again.
  struct State {
    double sx, sy;
  };
  // The additions per pixel (c00, c10).
  double StepX() const { return c00_; }
  double StepY() const { return c10_; }
  State Save() const { return State{sx_, sy_}; }
  void Resume(const State& s) {
    sx_ = s.sx;
    sy_ = s.sy;
  }

 private:
  double c00_, c01_, c02_, c10_, c11_, c12_;
  double rowX_ = 0.0, rowY_ = 0.0, sx_ = 0.0, sy_ = 0.0;
};

// ---- The row walk --------------------------------------------------------------------------

// What every kernel call gets besides its generator.
struct KernelFrame {
  const void* pSrc;     // source origin, or the array of source plane pointers
  void* pDstRow;        // destination row firstRow, or the array of plane row pointers
  int32_t srcStep, dstStep;
  int32_t firstRow, lastRow;
  const fbRowSpan* spans;  // entry i for row firstRow + i
  int32_t xMax, yMax;      // source image width - 1, height - 1
};

// The destination is walked in bands of kBandRows rows and, across a band, in tiles of
// kTileColumns columns, so that the source pixels a tile reads stay in the cache even where
// the transform turns a destination row into a long slanted source line. Each row's positions
// still follow one unbroken chain of additions from its span's start: a row's walk pauses at
// a tile's edge (the generator's Save) and resumes there for the next tile (Resume).
inline constexpr int32_t kBandRows = 32;
inline constexpr ptrdiff_t kTileColumns = 128;

// Rows whose positions are made together in the vector walk: each row's chain of additions is
// its own, and the chains of several rows overlap where one alone would wait on each addition.
inline constexpr int32_t kChainRows = 4;

// The positions of kChainRows rows: row r from (x[r], y[r]) by count[r] additions of dx[r],
// dy[r], into xs[r][0..count[r]), ys[r][...]; x[r], y[r] become where each row's walk then
// stands.
inline void ChainPositions(const double* dx, const double* dy, double* x, double* y,
                           const ptrdiff_t* count, double (*xs)[kTileColumns],
                           double (*ys)[kTileColumns]) {
  static_assert(kChainRows == 4, "four chains, each in its own register");
  const ptrdiff_t most = std::max(std::max(count[0], count[1]), std::max(count[2], count[3]));
  double x0 = x[0], x1 = x[1], x2 = x[2], x3 = x[3];
  double y0 = y[0], y1 = y[1], y2 = y[2], y3 = y[3];
  const double dx0 = dx[0], dx1 = dx[1], dx2 = dx[2], dx3 = dx[3];
  const double dy0 = dy[0], dy1 = dy[1], dy2 = dy[2], dy3 = dy[3];
  for (ptrdiff_t k = 0; k < most; ++k) {
    xs[0][k] = x0, xs[1][k] = x1, xs[2][k] = x2, xs[3][k] = x3;
    ys[0][k] = y0, ys[1][k] = y1, ys[2][k] = y2, ys[3][k] = y3;
    x0 += dx0, x1 += dx1, x2 += dx2, x3 += dx3;
    y0 += dy0, y1 += dy1, y2 += dy2, y3 += dy3;
  }
  // A row with fewer pixels than the longest went on past its own: its state is the position
  // after its own count.
  const double endX[kChainRows] = {x0, x1, x2, x3}, endY[kChainRows] = {y0, y1, y2, y3};
  for (int32_t r = 0; r < kChainRows; ++r) {
    x[r] = count[r] < most ? xs[r][count[r]] : endX[r];
    y[r] = count[r] < most ? ys[r][count[r]] : endY[r];
  }
}

// points: the vector sampler of an affine kernel (VectorPointsFor), or null. With it, each
// tile's positions are made kChainRows rows at a time and handed to it a row at a time.
template <class P, class Sampler, class Check = AllPositions, class Generator>
void WarpSpans(const KernelFrame& f, Generator gen, Check check = Check{},
               SamplePoints8Fn points = nullptr) {
  if (f.lastRow < f.firstRow) return;
  const SourceImage<P> src(f.pSrc, f.srcStep);
  const DestinationRow<P> first(f.pDstRow);
  typename Generator::State states[kBandRows];
  ptrdiff_t next[kBandRows], end[kBandRows];
  constexpr bool kVector = std::is_same_v<Generator, AffineGenerator> &&
                           std::is_same_v<Check, AllPositions> && !P::kPlanar &&
                           sizeof(typename P::Element) == 1;
  gen.BeginRows(f.firstRow);
  for (int64_t band = f.firstRow; band <= f.lastRow; band += kBandRows) {
    const int32_t rows = static_cast<int32_t>(std::min<int64_t>(kBandRows, f.lastRow - band + 1));
    // Every span of the band starts in row order, as the row terms advance.
    ptrdiff_t lo = PTRDIFF_MAX, hi = PTRDIFF_MIN;
    for (int32_t i = 0; i < rows; ++i) {
      const int32_t row = static_cast<int32_t>(band + i);
      const fbRowSpan span = f.spans[row - f.firstRow];
      next[i] = span.xstart;
      end[i] = span.xend;
      if (span.xend >= span.xstart) {
        gen.Span(row, span.xstart, span.xend);
        states[i] = gen.Save();
        lo = std::min<ptrdiff_t>(lo, span.xstart);
        hi = std::max<ptrdiff_t>(hi, span.xend);
      }
      if (row != f.lastRow) gen.NextRow();
    }
    const auto rowAt = [&](int32_t i) {
      DestinationRow<P> dst = first;
      dst.Advance(static_cast<ptrdiff_t>(f.dstStep) * (band - f.firstRow + i));
      return dst;
    };
    for (ptrdiff_t tile = lo; tile <= hi; tile += kTileColumns) {
      const ptrdiff_t tileEnd = std::min(hi, tile + kTileColumns - 1);
      if constexpr (kVector) {
        if (points != nullptr) {
          // (The vector samplers sample every position: never with a source test.)
          const LinearSource8 source{src.planes[0], src.step, f.xMax, f.yMax};
          alignas(64) double xs[kChainRows][kTileColumns], ys[kChainRows][kTileColumns];
          for (int32_t g = 0; g < rows; g += kChainRows) {
            double x[kChainRows] = {}, y[kChainRows] = {};
            ptrdiff_t count[kChainRows] = {};
            for (int32_t r = 0; r < kChainRows && g + r < rows; ++r) {
              const int32_t i = g + r;
              count[r] = std::max<ptrdiff_t>(0, std::min(end[i], tileEnd) - next[i] + 1);
              if (count[r] > 0) x[r] = states[i].sx, y[r] = states[i].sy;
            }
            const double dx[kChainRows] = {gen.StepX(), gen.StepX(), gen.StepX(), gen.StepX()};
            const double dy[kChainRows] = {gen.StepY(), gen.StepY(), gen.StepY(), gen.StepY()};
            ChainPositions(dx, dy, x, y, count, xs, ys);
            for (int32_t r = 0; r < kChainRows && g + r < rows; ++r) {
              if (count[r] == 0) continue;
              const int32_t i = g + r;
              points(xs[r], ys[r], count[r], source, rowAt(i).At(0, next[i]));
              states[i] = typename Generator::State{x[r], y[r]};
              next[i] += count[r];
            }
          }
          continue;
        }
      }
      for (int32_t i = 0; i < rows; ++i) {
        const ptrdiff_t stop = std::min(end[i], tileEnd);
        if (next[i] > stop) continue;
        const DestinationRow<P> dst = rowAt(i);
        gen.Resume(states[i]);
        // Position and sampling in one loop: the generator's additions form a chain from
        // pixel to pixel, which the sampling of earlier pixels overlaps.
        for (ptrdiff_t x = next[i]; x <= stop; ++x) {
          double sx, sy;
          gen.Next(&sx, &sy);
          if (check(sx, sy)) Sampler::Sample(src, dst, x, sx, sy, f.xMax, f.yMax);
        }
        states[i] = gen.Save();
        next[i] = stop + 1;
      }
    }
  }
}

}  // namespace builtin::warp
