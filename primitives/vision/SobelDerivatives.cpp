#include "primitives/vision/SobelDerivatives.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace {

using rows::Row;
using rows::Store;

// Inner loops run in blocks of a fixed length so that the compiler turns each block into
// straight vector code; the few pixels left over go through the same expression one by one.
// Destination rows may start at any address: their 16-bit values are written with Store.
constexpr ptrdiff_t kBlock = 16;

inline void Put(uint8_t* d, ptrdiff_t i, int32_t v) { Store<Ipp16s>(d, i, static_cast<Ipp16s>(v)); }

// One row of the x derivative from the rows above (a), at (b) and below (c), already clamped.
void DxRow(const Ipp8u* __restrict a, const Ipp8u* __restrict b, const Ipp8u* __restrict c,
           uint8_t* __restrict d, ptrdiff_t w) {
  if (w == 1) {
    Put(d, 0, 0);
    return;
  }
  Put(d, 0, (a[1] - a[0]) + 2 * (b[1] - b[0]) + (c[1] - c[0]));
  ptrdiff_t x = 1;
  for (; x <= w - 1 - kBlock; x += kBlock)
    for (ptrdiff_t k = 0; k < kBlock; ++k) {
      const ptrdiff_t i = x + k;
      Put(d, i, (a[i + 1] - a[i - 1]) + 2 * (b[i + 1] - b[i - 1]) + (c[i + 1] - c[i - 1]));
    }
  for (; x < w - 1; ++x)
    Put(d, x, (a[x + 1] - a[x - 1]) + 2 * (b[x + 1] - b[x - 1]) + (c[x + 1] - c[x - 1]));
  const ptrdiff_t l = w - 1;
  Put(d, l, (a[l] - a[l - 1]) + 2 * (b[l] - b[l - 1]) + (c[l] - c[l - 1]));
}

// One row of the y derivative: the smoothed row `lo` minus the smoothed row `up`.
void DyRow(const Ipp8u* __restrict up, const Ipp8u* __restrict lo, uint8_t* __restrict d, ptrdiff_t w) {
  if (w == 1) {
    Put(d, 0, 4 * (lo[0] - up[0]));
    return;
  }
  Put(d, 0, 3 * (lo[0] - up[0]) + (lo[1] - up[1]));
  ptrdiff_t x = 1;
  for (; x <= w - 1 - kBlock; x += kBlock)
    for (ptrdiff_t k = 0; k < kBlock; ++k) {
      const ptrdiff_t i = x + k;
      Put(d, i, (lo[i - 1] - up[i - 1]) + 2 * (lo[i] - up[i]) + (lo[i + 1] - up[i + 1]));
    }
  for (; x < w - 1; ++x)
    Put(d, x, (lo[x - 1] - up[x - 1]) + 2 * (lo[x] - up[x]) + (lo[x + 1] - up[x + 1]));
  const ptrdiff_t l = w - 1;
  Put(d, l, 3 * (lo[l] - up[l]) + (lo[l - 1] - up[l - 1]));
}

IppStatus CheckSobel3x3(const Ipp8u* pSrc, int srcStep, const Ipp16s* pDst, int dstStep, IppiSize roi) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  if (roi.width < 1 || roi.height < 2) return ippStsSizeErr;
  if (dstStep % 2 != 0) return ippStsNotEvenStepErr;
  return ippStsNoErr;
}

IppStatus CheckBordered(const Ipp8u* pSrc, int srcStep, const Ipp16s* pDst, int dstStep, IppiSize roi,
                        IppiMaskSize mask) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (roi.width < 1 || roi.height < 1) return ippStsSizeErr;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  if (mask != ippMskSize3x3 && mask != ippMskSize5x5) return ippStsMaskSizeErr;
  return ippStsNoErr;
}

// Row results of the bordered filters, over the region's columns: s points at column 0 of the
// source row and the reads reach one or two columns beyond each side.
void VertRow3(const Ipp8u* __restrict s, int32_t* __restrict r, ptrdiff_t w) {
  for (ptrdiff_t x = 0; x < w; ++x) r[x] = s[x - 1] - s[x + 1];
}
void VertRow5(const Ipp8u* __restrict s, int32_t* __restrict r, ptrdiff_t w) {
  for (ptrdiff_t x = 0; x < w; ++x) r[x] = s[x - 2] + 2 * s[x - 1] - 2 * s[x + 1] - s[x + 2];
}
void HorizRow3(const Ipp8u* __restrict s, int32_t* __restrict r, ptrdiff_t w) {
  for (ptrdiff_t x = 0; x < w; ++x) r[x] = s[x - 1] + 2 * s[x] + s[x + 1];
}
void HorizRow5(const Ipp8u* __restrict s, int32_t* __restrict r, ptrdiff_t w) {
  for (ptrdiff_t x = 0; x < w; ++x) r[x] = s[x - 2] + 4 * s[x - 1] + 6 * s[x] + 4 * s[x + 1] + s[x + 2];
}

// The work rows of the bordered filters: Taps rows of the region's width in 32-bit values, each
// row rounded up to 8 values so that every ring row stays 32-byte aligned. The aligned
// allocator serves blocks whose byte count (plus its 36 bytes of overhead) fits a signed 32-bit
// count; a wider region cannot have its work rows, which the filter reports as -9.
int32_t* AllocateWorkRows(int64_t stride, int taps) {
  const int64_t values = stride * taps;
  if (values > (int64_t{INT32_MAX} - 36) / int64_t{sizeof(int32_t)}) return nullptr;
  return static_cast<int32_t*>(fbAlignedAlloc32(values));
}

// The bordered filters: a ring of `taps` row results, one new source row per output row,
// combined column-wise with the given weights (row y - half first).
template <int Taps>
IppStatus BorderedFilter(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roi,
                         void (*rowResult)(const Ipp8u*, int32_t*, ptrdiff_t), const int (&weights)[Taps]) {
  const ptrdiff_t w = roi.width;
  const int64_t stride = (int64_t{w} + 7) / 8 * 8;
  // Work rows come from the aligned allocator and are released before the filter returns.
  int32_t* ring = AllocateWorkRows(stride, Taps);
  if (!ring) return ippStsMemAllocErr;
  constexpr int half = Taps / 2;
  auto slot = [&](int64_t k) { return ring + stride * (k % Taps); };
  // Ring slot of source row y (relative to the region) is (y + half) % Taps.
  for (int k = 0; k < Taps - 1; ++k) rowResult(Row(pSrc, srcStep, k - half), slot(k), w);
  for (int32_t y = 0; y < roi.height; ++y) {
    const int64_t newest = int64_t{y} + half;
    rowResult(Row(pSrc, srcStep, static_cast<int32_t>(newest)), slot(newest + half), w);
    const int32_t* r[Taps];
    for (int k = 0; k < Taps; ++k) r[k] = slot(int64_t{y} + k);
    uint8_t* __restrict d = Row(pDst, dstStep, y);
    if constexpr (Taps == 3) {
      const int32_t *r0 = r[0], *r1 = r[1], *r2 = r[2];
      for (ptrdiff_t x = 0; x < w; ++x) Put(d, x, weights[0] * r0[x] + weights[1] * r1[x] + weights[2] * r2[x]);
    } else {
      const int32_t *r0 = r[0], *r1 = r[1], *r2 = r[2], *r3 = r[3], *r4 = r[4];
      for (ptrdiff_t x = 0; x < w; ++x)
        Put(d, x,
            weights[0] * r0[x] + weights[1] * r1[x] + weights[2] * r2[x] + weights[3] * r3[x] + weights[4] * r4[x]);
    }
  }
  fbAlignedFree(ring);
  return ippStsNoErr;
}

}  // namespace

IppStatus ippiSobel3x3_Dx_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                                    IppiSize roiSize) {
  if (IppStatus st = CheckSobel3x3(pSrc, srcStep, pDst, dstStep, roiSize)) return st;
  const int h = roiSize.height;
  for (int y = 0; y < h; ++y) {
    const Ipp8u* a = Row(pSrc, srcStep, y > 0 ? y - 1 : 0);
    const Ipp8u* b = Row(pSrc, srcStep, y);
    const Ipp8u* c = Row(pSrc, srcStep, y < h - 1 ? y + 1 : h - 1);
    DxRow(a, b, c, Row(pDst, dstStep, y), roiSize.width);
  }
  return ippStsNoErr;
}

IppStatus ippiSobel3x3_Dy_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                                    int sign, IppiSize roiSize) {
  if (IppStatus st = CheckSobel3x3(pSrc, srcStep, pDst, dstStep, roiSize)) return st;
  if (sign != 0 && sign != 1) return ippStsBadArgErr;
  const int h = roiSize.height;
  for (int y = 0; y < h; ++y) {
    const Ipp8u* above = Row(pSrc, srcStep, y > 0 ? y - 1 : 0);
    const Ipp8u* below = Row(pSrc, srcStep, y < h - 1 ? y + 1 : h - 1);
    uint8_t* d = Row(pDst, dstStep, y);
    if (sign == 0)
      DyRow(above, below, d, roiSize.width);
    else
      DyRow(below, above, d, roiSize.width);
  }
  return ippStsNoErr;
}

IppStatus ippiFilterSobelVert_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                                        IppiSize roiSize, IppiMaskSize mask) {
  if (IppStatus st = CheckBordered(pSrc, srcStep, pDst, dstStep, roiSize, mask)) return st;
  if (mask == ippMskSize3x3) {
    static constexpr int weights[3] = {1, 2, 1};
    return BorderedFilter<3>(pSrc, srcStep, pDst, dstStep, roiSize, VertRow3, weights);
  }
  static constexpr int weights[5] = {1, 4, 6, 4, 1};
  return BorderedFilter<5>(pSrc, srcStep, pDst, dstStep, roiSize, VertRow5, weights);
}

IppStatus ippiFilterSobelHoriz_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                                         IppiSize roiSize, IppiMaskSize mask) {
  if (IppStatus st = CheckBordered(pSrc, srcStep, pDst, dstStep, roiSize, mask)) return st;
  if (mask == ippMskSize3x3) {
    static constexpr int weights[3] = {-1, 0, 1};
    return BorderedFilter<3>(pSrc, srcStep, pDst, dstStep, roiSize, HorizRow3, weights);
  }
  static constexpr int weights[5] = {-1, -2, 0, 2, 1};
  return BorderedFilter<5>(pSrc, srcStep, pDst, dstStep, roiSize, HorizRow5, weights);
}

}  // namespace builtin
