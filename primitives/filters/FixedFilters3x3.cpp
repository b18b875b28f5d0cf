// The 3x3 engines of the fixed-kernel filters: one ring of three work rows over layout,
// transform and combiner, and the Roberts filters, which need no work rows.
#include <cstddef>
#include <cstdint>

#include "primitives/filters/FixedFiltersKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin::fixedfilters {

int32_t* WorkRows(int64_t stride, int rows) {
  return static_cast<int32_t*>(fbAlignedAlloc32(stride * rows));
}

namespace {

using rows::Row;

// Rows A, B, C hold the transforms of source rows y - 1, y, y + 1 for output row y; each source
// row is transformed once, as it enters the ring.
template <Layout L, class Transform, class Combiner>
IppStatus Ring3(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
  const ptrdiff_t width = roi.width;
  const int64_t stride = RowStride(int64_t{width} * Samples(L));
  int32_t* block = WorkRows(stride, 3);
  if (block == nullptr) return ippStsMemAllocErr;
  int32_t* a = block;
  int32_t* b = block + stride;
  int32_t* c = block + 2 * stride;
  const uint8_t* left = pSrc - PixelBytes(L);
  const auto transform = KernelFor<L, Transform>();
  const auto combine = KernelFor<L, Combiner>();
  TransformRow<L, Transform>(Row(left, srcStep, -1), width, transform, a);
  TransformRow<L, Transform>(Row(left, srcStep, 0), width, transform, b);
  for (int32_t y = 0; y < roi.height; ++y) {
    TransformRow<L, Transform>(Row(left, srcStep, y + 1), width, transform, c);
    CombineRow<L, Combiner>(Row(pSrc, srcStep, y), Row(pDst, dstStep, y), width, combine,
                            static_cast<const int32_t*>(a), static_cast<const int32_t*>(b),
                            static_cast<const int32_t*>(c));
    int32_t* const old = a;
    a = b;
    b = c;
    c = old;
  }
  fbAlignedFree(block);
  return ippStsNoErr;
}

template <class Transform, class Combiner>
IppStatus Run3(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
               Layout layout) {
  return ByLayout(layout, [&]<Layout L>() {
    return Ring3<L, Transform, Combiner>(pSrc, srcStep, pDst, dstStep, roi);
  });
}

// d = max(0, s - t), t the sample `offset` bytes along row y - 1 (offset one pixel left for
// the down filter, right for the up one).
template <Layout L>
void Roberts(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
             ptrdiff_t offset) {
  const ptrdiff_t width = roi.width;
  for (int32_t y = 0; y < roi.height; ++y) {
    const uint8_t* __restrict s = Row(pSrc, srcStep, y);
    const uint8_t* __restrict t = Row(pSrc, srcStep, y - 1) + offset;
    uint8_t* __restrict d = Row(pDst, dstStep, y);
    if constexpr (L == Layout::kAC4) {
      for (ptrdiff_t x = 0; x < width; ++x)
        for (ptrdiff_t k = 0; k < 3; ++k)
          d[4 * x + k] = static_cast<uint8_t>(std::max(s[4 * x + k] - t[4 * x + k], 0));
    } else {
      const ptrdiff_t n = width * PixelBytes(L);
      for (ptrdiff_t i = 0; i < n; ++i) d[i] = static_cast<uint8_t>(std::max(s[i] - t[i], 0));
    }
  }
}

IppStatus RunRoberts(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                     Layout layout, int direction) {
  return ByLayout(layout, [&]<Layout L>() {
    Roberts<L>(pSrc, srcStep, pDst, dstStep, roi, direction * PixelBytes(L));
    return ippStsNoErr;
  });
}

}  // namespace

IppStatus fbFilterPrewittHoriz(const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r, Layout l) {
  return Run3<Sum3, DiffSat>(s, ss, d, ds, r, l);
}
IppStatus fbFilterPrewittVert(const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r, Layout l) {
  return Run3<PixelDiff, Sum3Sat>(s, ss, d, ds, r, l);
}
IppStatus fbFilterSobelHoriz(const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r, Layout l) {
  return Run3<Sum121, DiffSat>(s, ss, d, ds, r, l);
}
IppStatus fbFilterSobelVert(const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r, Layout l) {
  return Run3<PixelDiff, Sum121Sat>(s, ss, d, ds, r, l);
}
IppStatus fbFilterRobertsDown(const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r, Layout l) {
  return RunRoberts(s, ss, d, ds, r, l, -1);
}
IppStatus fbFilterRobertsUp(const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r, Layout l) {
  return RunRoberts(s, ss, d, ds, r, l, +1);
}
IppStatus fbFilterSharpen(const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r, Layout l) {
  return Run3<Sum3, SharpenOut>(s, ss, d, ds, r, l);
}
IppStatus fbFilterLaplace3x3(const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r, Layout l) {
  return Run3<Sum3, Laplace3Out>(s, ss, d, ds, r, l);
}
IppStatus fbFilterLowpass3x3(const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r, Layout l) {
  return Run3<Sum3, Lowpass3Out>(s, ss, d, ds, r, l);
}
IppStatus fbFilterGauss3x3(const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r, Layout l) {
  return Run3<Sum121, Gauss3Out>(s, ss, d, ds, r, l);
}

}  // namespace builtin::fixedfilters
