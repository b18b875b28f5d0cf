// Super-sampling resize: the driver and the row kernels, one template for every element type
// and layout.
#include "primitives/resampling/ResizeSuper.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "primitives/resampling/ResizeSuperKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace {

// What a kernel call needs besides its images.
struct SuperFrame {
  int32_t srcStep, dstStep;
  int32_t columns, rows;  // source pixels per row in the accumulator; the region's height
  int32_t dstWidth, dstHeight;
  double xRatio, yRatio, scale;
  int32_t mode;
};

// One destination column of a fractional column ratio: d times accumulator pixel lead (when
// lead >= 0), the whole pixels from..to, and B times pixel tail (when tail >= 0). The same for
// every row, so worked out once per call.
struct ColumnTerm {
  double d, B;
  int32_t lead, from, to, tail;
};

// The work block of a call: the accumulator (32-bit elements), then the column terms.
inline int64_t AccumulatorBytes(int32_t columns, int32_t stride) {
  return (static_cast<int64_t>(columns) * stride * 4 + 31) / 32 * 32;
}
inline int64_t WorkBytes(const SuperFrame& f, int32_t stride) {
  return AccumulatorBytes(f.columns, stride) +
         static_cast<int64_t>(f.dstWidth) * static_cast<int64_t>(sizeof(ColumnTerm));
}

// The column terms of a fractional column ratio, by the rule of the partial weight B carried
// from pixel to pixel (restarting at the fraction on every row); a pixel at or beyond the
// accumulator's end is never named.
inline void ColumnTerms(const SuperFrame& f, ColumnTerm* terms) {
  const double lw = std::floor(f.xRatio);
  const int64_t l = static_cast<int64_t>(lw), cols = f.columns;
  const double fr = f.xRatio - lw;
  terms[0] = ColumnTerm{0.0, fr, -1, 0, static_cast<int32_t>(std::min(l, cols) - 1),
                        l < cols ? static_cast<int32_t>(l) : -1};
  double B = fr;
  int64_t i = l;
  for (int32_t m = 1; m < f.dstWidth; ++m) {
    const double d = 1.0 - B;
    const double e = std::floor(f.xRatio - d + 1e-07);
    B = f.xRatio - d - e;
    const int64_t ei = static_cast<int64_t>(e);
    // Pixel i was shared with the previous destination pixel, which took all but d of it:
    // the whole pixels start after it, also when d is too small to count.
    const int64_t to = std::min(i + ei, cols - 1);
    terms[m] = ColumnTerm{d, B, d > 1e-07 && i < cols ? static_cast<int32_t>(i) : -1,
                          static_cast<int32_t>(std::min(i + 1, cols)), static_cast<int32_t>(to),
                          B > 1e-07 && i + ei + 1 < cols ? static_cast<int32_t>(i + ei + 1) : -1};
    i += ei + 1;
  }
}

// kChannels samples per pixel, kStride elements apart (0: the stride is given at run time).
template <typename T, int32_t kChannels, int32_t kStride>
class SuperRows {
 public:
  // Whether the four-channel vector blocks of whole column ratios serve the form (8-bit samples
  // summed in 32 bits).
  template <typename A>
  static constexpr bool kWholeFourBlocks = std::is_same_v<T, Ipp8u> &&
                                           std::is_same_v<A, uint32_t> && kChannels == 4 &&
                                           kStride == 4;
  // The accumulator's elements per pixel.
  static int32_t AccumulatorStride(int32_t pixelStride) {
    return kStride == 0 ? pixelStride : kStride;
  }
  static bool IntegerSums(int32_t mode) { return mode == 0 && !std::is_same_v<T, Ipp32f>; }

  // s0, d0: the first pixel of the source region and of the destination, at any address (their
  // samples are reached through rows::Load and rows::Store).
  // acc: sourceColumns x AccumulatorStride 32-bit elements.
  // work: WorkBytes(f, AccumulatorStride(pixelStride)) bytes, 32-byte aligned.
  static void Run(const uint8_t* s0, uint8_t* d0, const SuperFrame& f, int32_t pixelStride,
                  void* work) {
    const int32_t stride = AccumulatorStride(pixelStride);
    void* acc = work;
    ColumnTerm* terms = reinterpret_cast<ColumnTerm*>(static_cast<uint8_t*>(work) +
                                                      AccumulatorBytes(f.columns, stride));
    if ((f.mode & 2) != 0) ColumnTerms(f, terms);
    if (IntegerSums(f.mode)) Rows<uint32_t>(s0, d0, f, stride, static_cast<uint32_t*>(acc), terms);
    else Rows<float>(s0, d0, f, stride, static_cast<float*>(acc), terms);
  }

 private:
  // Adds source row r (relative to the region) times weight into the accumulator; a row at or
  // beyond the region's last is never read.
  template <typename A, bool kWhole>
  static void AddRow(const uint8_t* s0, const SuperFrame& f, int32_t stride, A* acc, int64_t r,
                     double weight, resizesuper::AccumulateBlocks8u blocks = nullptr) {
    if (r >= f.rows) return;
    const uint8_t* src = rows::Row(s0, f.srcStep, static_cast<int32_t>(r));
    const auto at = [src](ptrdiff_t k) { return rows::Load<T>(src, k); };
    const ptrdiff_t n = static_cast<ptrdiff_t>(f.columns) * stride;
    if (kChannels == stride) {
      // Every element of the pixels is a sample: one flat loop.
      if constexpr (kWhole) {
        ptrdiff_t k = 0;
        if constexpr (std::is_same_v<T, Ipp8u> && std::is_same_v<A, uint32_t>)
          if (blocks) k = static_cast<ptrdiff_t>(blocks(src, acc, static_cast<size_t>(n)));
        for (; k < n; ++k) acc[k] += static_cast<A>(at(k));
      } else {
        for (ptrdiff_t k = 0; k < n; ++k)
          acc[k] = static_cast<A>(static_cast<double>(acc[k]) +
                                  static_cast<double>(at(k)) * weight);
      }
    } else {
      // The samples past kChannels are neither read nor summed.
      for (ptrdiff_t p = 0; p < n; p += stride)
        for (int32_t c = 0; c < kChannels; ++c) {
          if constexpr (kWhole)
            acc[p + c] += static_cast<A>(at(p + c));
          else
            acc[p + c] = static_cast<A>(static_cast<double>(acc[p + c]) +
                                        static_cast<double>(at(p + c)) * weight);
        }
    }
  }

  static T StoreOf(double scale, double value) {
    if constexpr (std::is_same_v<T, Ipp32f>) {
      return static_cast<float>(scale * value);
    } else {
      constexpr double kMax = std::is_same_v<T, Ipp8u> ? 255.0 : 65535.0;
      // value >= 0, so the truncation needs no range test once capped at the type's maximum.
      return static_cast<T>(static_cast<int32_t>(std::min(kMax, 0.5 + scale * value)));
    }
  }

  template <typename A>
  static void Rows(const uint8_t* s0, uint8_t* d0, const SuperFrame& f, int32_t stride, A* acc,
                   const ColumnTerm* terms) {
    const bool yFraction = (f.mode & 1) != 0, xFraction = (f.mode & 2) != 0;
    const double yWhole = std::floor(f.yRatio);
    const size_t accBytes = static_cast<size_t>(f.columns) * stride * sizeof(A);
    // Integer sums of 8-bit samples take the vector blocks.
    resizesuper::AccumulateBlocks8u blocks = nullptr;
    if constexpr (std::is_same_v<T, Ipp8u> && std::is_same_v<A, uint32_t>)
      blocks = resizesuper::VectorAccumulate8u();
    // Four-channel 8-bit pixels of a whole column ratio take the vector blocks while every sum
    // (at most 255 for each of l pixels of yRatio rows) stays below 2^31.
    resizesuper::WholeFourBlocks8u wholeBlocks = nullptr;
    if constexpr (kWholeFourBlocks<A>) {
      const double l = static_cast<double>(static_cast<int64_t>(f.xRatio));
      if (!xFraction && 255.0 * l * yWhole < 2147483648.0)
        wholeBlocks = resizesuper::VectorWholeFour8u();
    }
    int64_t r = 0;     // the current source row, relative to the region
    double w = 0.0;    // the partial weight of the row shared with the next destination row
    for (int32_t y = 0; y < f.dstHeight; ++y) {
      std::memset(acc, 0, accBytes);
      if (!yFraction) {
        const int64_t n = static_cast<int64_t>(yWhole);
        for (int64_t k = 0; k < n; ++k) AddRow<A, true>(s0, f, stride, acc, r + k, 1.0, blocks);
        r += n;
      } else if (y == 0) {
        const int64_t n = static_cast<int64_t>(yWhole);
        for (int64_t k = 0; k < n; ++k) AddRow<A, true>(s0, f, stride, acc, r + k, 1.0);
        r += n;
        w = f.yRatio - yWhole;
        AddRow<A, false>(s0, f, stride, acc, r, w);
      } else {
        const double a = 1.0 - w;
        const double nd = std::floor(f.yRatio - a + 1e-07);
        w = f.yRatio - a - nd;
        // The shared row's rest; when that is below 1e-7 the row was all but used up by the
        // previous destination row, and it is passed without being added (the next rows'
        // count n already stands for the whole destination row).
        if (a > 1e-07) AddRow<A, false>(s0, f, stride, acc, r, a);
        ++r;
        const int64_t n = static_cast<int64_t>(nd);
        for (int64_t k = 0; k < n; ++k) AddRow<A, true>(s0, f, stride, acc, r + k, 1.0);
        r += n;
        if (w > 1e-07) AddRow<A, false>(s0, f, stride, acc, r, w);
      }
      uint8_t* dst = rows::Row(d0, f.dstStep, y);
      if (!xFraction) Whole(acc, dst, f, stride, wholeBlocks);
      else Fractional(acc, dst, f, stride, terms);
    }
  }

  // Sum in the accumulator's own type for integer sums, in double otherwise.
  template <typename A>
  using Sum = std::conditional_t<std::is_same_v<A, uint32_t>, uint32_t, double>;

  // Whole column ratio: destination pixel m sums accumulator pixels m l .. m l + l - 1 (those
  // inside the accumulator); the vector blocks, where given, take the destination pixels whose
  // l accumulator pixels all lie inside.
  template <typename A>
  static void Whole(const A* acc, uint8_t* dst, const SuperFrame& f, int32_t stride,
                    resizesuper::WholeFourBlocks8u blocks) {
    const int64_t l = static_cast<int64_t>(f.xRatio);
    int32_t m = 0;
    if constexpr (kWholeFourBlocks<A>) {
      if (blocks) {
        const int64_t whole = std::min<int64_t>(f.dstWidth, f.columns / l);
        m = static_cast<int32_t>(blocks(acc, dst, static_cast<size_t>(whole),
                                        static_cast<size_t>(l), f.scale));
      }
    }
    for (; m < f.dstWidth; ++m) {
      const int64_t first = m * l, last = std::min<int64_t>(first + l, f.columns);
      for (int32_t c = 0; c < kChannels; ++c) {
        Sum<A> s = 0;
        for (int64_t k = first; k < last; ++k) s += acc[k * stride + c];
        const double value = std::is_same_v<A, float> ? static_cast<double>(static_cast<float>(s))
                                                      : static_cast<double>(s);
        rows::Store<T>(dst, static_cast<ptrdiff_t>(m) * stride + c, StoreOf(f.scale, value));
      }
    }
  }

  // Fractional column ratio: each destination pixel by its column terms.
  template <typename A>
  static void Fractional(const A* acc, uint8_t* dst, const SuperFrame& f, int32_t stride,
                         const ColumnTerm* terms) {
    auto at = [&](int64_t k, int32_t c) { return static_cast<double>(acc[k * stride + c]); };
    for (int32_t m = 0; m < f.dstWidth; ++m) {
      const ColumnTerm t = terms[m];
      for (int32_t c = 0; c < kChannels; ++c) {
        double s = t.lead >= 0 ? t.d * at(t.lead, c) : 0.0;
        for (int64_t k = t.from; k <= t.to; ++k) s += at(k, c);
        if (t.tail >= 0) s += t.B * at(t.tail, c);
        rows::Store<T>(dst, static_cast<ptrdiff_t>(m) * stride + c,
                       StoreOf(f.scale, static_cast<float>(s)));
      }
    }
  }
};

template <class K>
IppStatus RunAllocating(const void* s0, void* d0, const SuperFrame& f, int32_t pixelStride) {
  void* acc = fbAlignedAlloc8(WorkBytes(f, K::AccumulatorStride(pixelStride)));
  if (acc == nullptr) return ippStsMemAllocErr;
  K::Run(static_cast<const uint8_t*>(s0), static_cast<uint8_t*>(d0), f, pixelStride, acc);
  fbAlignedFree(acc);
  return ippStsNoErr;
}

SuperFrame FrameOf(int srcStep, int dstStep, int sourceColumns, int sourceRows, int dstWidth,
                   int dstHeight, double xRatio, double yRatio, double scale, int ratioMode) {
  return SuperFrame{srcStep, dstStep, sourceColumns, sourceRows, dstWidth, dstHeight,
                    xRatio,  yRatio,  scale,         ratioMode};
}

template <typename T>
using Generic = SuperRows<T, 3, 0>;
template <typename T>
using Plane = SuperRows<T, 1, 1>;
template <typename T>
using Four = SuperRows<T, 4, 4>;

}  // namespace

#define PF_SUPER_ROWS_FORMS(X)                                                         \
  X(Generic, 8u) X(Generic, 16u) X(Generic, 32f) X(Plane, 8u) X(Plane, 16u) X(Plane, 32f) \
  X(Four, 8u) X(Four, 16u) X(Four, 32f)
#define PF_SUPER_ROWS_STRIDE_Generic pixelStride
#define PF_SUPER_ROWS_STRIDE_Plane 1
#define PF_SUPER_ROWS_STRIDE_Four 4
#define PF_SUPER_ROWS_EXTRA_Generic int pixelStride,
#define PF_SUPER_ROWS_EXTRA_Plane
#define PF_SUPER_ROWS_EXTRA_Four
#define PF_SUPER_ROWS_DEFINE(kind, type)                                                     \
  IppStatus fbResizeSuperRows##kind##type(                                                  \
      const Ipp##type* S0, Ipp##type* D0, int srcStep, int dstStep, int sourceColumns,      \
      int sourceRows, int dstWidth, int dstHeight, double xRatio, double yRatio,            \
      double scale, PF_SUPER_ROWS_EXTRA_##kind int ratioMode) {                             \
    return RunAllocating<kind<Ipp##type>>(                                                  \
        S0, D0,                                                                             \
        FrameOf(srcStep, dstStep, sourceColumns, sourceRows, dstWidth, dstHeight, xRatio,   \
                yRatio, scale, ratioMode),                                                  \
        PF_SUPER_ROWS_STRIDE_##kind);                                                       \
  }
PF_SUPER_ROWS_FORMS(PF_SUPER_ROWS_DEFINE)
#undef PF_SUPER_ROWS_DEFINE
#undef PF_SUPER_ROWS_EXTRA_Four
#undef PF_SUPER_ROWS_EXTRA_Plane
#undef PF_SUPER_ROWS_EXTRA_Generic
#undef PF_SUPER_ROWS_STRIDE_Four
#undef PF_SUPER_ROWS_STRIDE_Plane
#undef PF_SUPER_ROWS_STRIDE_Generic
#undef PF_SUPER_ROWS_FORMS

namespace {

// One destination side: min(request, trunc(factor * side + 1e-7)), or 1 when that is 0 and
// the product plus 1e-7 is at least 0.5; 0 for -201. forced: the side was forced to 1.
int32_t DestinationSide(int32_t requested, double factor, int32_t side, bool* forced) {
  const double p = factor * side + 1e-07;
  const double n = std::trunc(p);
  *forced = false;
  if (n >= requested) return requested;
  if (n > 0) return static_cast<int32_t>(n);
  if (p >= 0.5) {
    *forced = true;
    return 1;
  }
  return 0;
}

template <typename T>
IppStatus SuperTyped(const void* pSrc, int srcStep, IppiRect roi, void* pDst,
                     const SuperFrame& f, int pixelStride, int channels, bool planar) {
  const ptrdiff_t rowOffset = static_cast<ptrdiff_t>(roi.y) * srcStep;
  if (!planar) {
    const uint8_t* s0 = static_cast<const uint8_t*>(pSrc) + rowOffset +
                        static_cast<ptrdiff_t>(roi.x) * pixelStride * sizeof(T);
    if (channels == 1) return RunAllocating<Plane<T>>(s0, pDst, f, 1);
    if (channels == 4) return RunAllocating<Four<T>>(s0, pDst, f, 4);
    return RunAllocating<Generic<T>>(s0, pDst, f, pixelStride);
  }
  // One accumulator for every plane, allocated before any plane is written.
  void* acc = fbAlignedAlloc8(WorkBytes(f, 1));
  if (acc == nullptr) return ippStsMemAllocErr;
  const int32_t planes = channels == 3 ? 3 : 4;
  const void* const* srcPlanes = static_cast<const void* const*>(pSrc);
  void* const* dstPlanes = static_cast<void* const*>(pDst);
  for (int32_t k = 0; k < planes; ++k) {
    const uint8_t* s0 = static_cast<const uint8_t*>(srcPlanes[k]) + rowOffset +
                        static_cast<ptrdiff_t>(roi.x) * sizeof(T);
    Plane<T>::Run(s0, static_cast<uint8_t*>(dstPlanes[k]), f, 1, acc);
  }
  fbAlignedFree(acc);
  return ippStsNoErr;
}

}  // namespace

IppStatus fbResizeSuperEngine(const void* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                              void* pDst, int dstStep, IppiSize dstRoiSize, double xFactor,
                              double yFactor, int pixelStride, int channels, int dataType,
                              int planar) {
  if (pSrc == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (planar != 0) {
    const int32_t planes = channels == 3 ? 3 : 4;
    for (int32_t k = 0; k < planes; ++k)
      if (static_cast<const void* const*>(pSrc)[k] == nullptr ||
          static_cast<void* const*>(pDst)[k] == nullptr)
        return ippStsNullPtrErr;
  }
  if (srcSize.width <= 0 || srcSize.height <= 0 || srcRoi.x < 0 || srcRoi.y < 0 ||
      srcRoi.width <= 0 || srcRoi.height <= 0)
    return ippStsSizeErr;
  if (srcRoi.x >= srcSize.width || srcRoi.y >= srcSize.height) return ippStsWrongIntersectROI;
  if (dstRoiSize.width <= 0 || dstRoiSize.height <= 0) return ippStsSizeErr;
  if (!(xFactor > 0.0) || !(yFactor > 0.0)) return ippStsResizeFactorErr;
  const int32_t W = std::min(srcRoi.width, srcSize.width - srcRoi.x);
  const int32_t H = std::min(srcRoi.height, srcSize.height - srcRoi.y);
  bool xForced, yForced;
  const int32_t dstWidth = DestinationSide(dstRoiSize.width, xFactor, W, &xForced);
  if (dstWidth == 0) return ippStsResizeNoOperationErr;
  const int32_t dstHeight = DestinationSide(dstRoiSize.height, yFactor, H, &yForced);
  if (dstHeight == 0) return ippStsResizeNoOperationErr;
  const double xRatio = 1.0 / xFactor, yRatio = 1.0 / yFactor;
  // A side forced to 1 covers the whole region's side, less than 1 / factor: divide by what
  // is there.
  const double scale = (xForced ? 1.0 / W : xFactor) * (yForced ? 1.0 / H : yFactor);
  const int32_t columns =
      static_cast<int32_t>(std::min<double>(std::trunc((dstWidth + 1.0) * xRatio) + 1.0, W));
  const int32_t mode =
      2 * (xRatio != std::trunc(xRatio) ? 1 : 0) + (yRatio != std::trunc(yRatio) ? 1 : 0);
  const SuperFrame f{srcStep, dstStep, columns, H, dstWidth, dstHeight, xRatio, yRatio, scale,
                     mode};
  const bool isPlanar = planar != 0;
  switch (dataType) {
    case 0: return SuperTyped<Ipp8u>(pSrc, srcStep, srcRoi, pDst, f, pixelStride, channels, isPlanar);
    case 1: return SuperTyped<Ipp16u>(pSrc, srcStep, srcRoi, pDst, f, pixelStride, channels, isPlanar);
    case 2: return SuperTyped<Ipp32f>(pSrc, srcStep, srcRoi, pDst, f, pixelStride, channels, isPlanar);
    default: return ippStsSizeErr;
  }
}

}  // namespace builtin
