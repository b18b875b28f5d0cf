#include "primitives/vision/SobelDerivatives.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "primitives/image/PXImageRows.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace {

using rows::Row;
using rows::RowOf;

// Inner loops run in blocks of a fixed length so that the compiler turns each block into
// straight vector code; the few pixels left over go through the same expression one by one.
constexpr int kBlock = 16;

// One row of the x derivative from the rows above (a), at (b) and below (c), already clamped.
void DxRow(const Ipp8u* __restrict a, const Ipp8u* __restrict b, const Ipp8u* __restrict c,
           Ipp16s* __restrict d, int w) {
  if (w == 1) {
    d[0] = 0;
    return;
  }
  d[0] = static_cast<Ipp16s>((a[1] - a[0]) + 2 * (b[1] - b[0]) + (c[1] - c[0]));
  int x = 1;
  for (; x <= w - 1 - kBlock; x += kBlock)
    for (int k = 0; k < kBlock; ++k) {
      const int i = x + k;
      d[i] = static_cast<Ipp16s>((a[i + 1] - a[i - 1]) + 2 * (b[i + 1] - b[i - 1]) + (c[i + 1] - c[i - 1]));
    }
  for (; x < w - 1; ++x)
    d[x] = static_cast<Ipp16s>((a[x + 1] - a[x - 1]) + 2 * (b[x + 1] - b[x - 1]) + (c[x + 1] - c[x - 1]));
  const int l = w - 1;
  d[l] = static_cast<Ipp16s>((a[l] - a[l - 1]) + 2 * (b[l] - b[l - 1]) + (c[l] - c[l - 1]));
}

// One row of the y derivative: the smoothed row `lo` minus the smoothed row `up`.
void DyRow(const Ipp8u* __restrict up, const Ipp8u* __restrict lo, Ipp16s* __restrict d, int w) {
  if (w == 1) {
    d[0] = static_cast<Ipp16s>(4 * (lo[0] - up[0]));
    return;
  }
  d[0] = static_cast<Ipp16s>(3 * (lo[0] - up[0]) + (lo[1] - up[1]));
  int x = 1;
  for (; x <= w - 1 - kBlock; x += kBlock)
    for (int k = 0; k < kBlock; ++k) {
      const int i = x + k;
      d[i] = static_cast<Ipp16s>((lo[i - 1] - up[i - 1]) + 2 * (lo[i] - up[i]) + (lo[i + 1] - up[i + 1]));
    }
  for (; x < w - 1; ++x)
    d[x] = static_cast<Ipp16s>((lo[x - 1] - up[x - 1]) + 2 * (lo[x] - up[x]) + (lo[x + 1] - up[x + 1]));
  const int l = w - 1;
  d[l] = static_cast<Ipp16s>(3 * (lo[l] - up[l]) + (lo[l - 1] - up[l - 1]));
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
void VertRow3(const Ipp8u* __restrict s, int32_t* __restrict r, int w) {
  for (int x = 0; x < w; ++x) r[x] = s[x - 1] - s[x + 1];
}
void VertRow5(const Ipp8u* __restrict s, int32_t* __restrict r, int w) {
  for (int x = 0; x < w; ++x) r[x] = s[x - 2] + 2 * s[x - 1] - 2 * s[x + 1] - s[x + 2];
}
void HorizRow3(const Ipp8u* __restrict s, int32_t* __restrict r, int w) {
  for (int x = 0; x < w; ++x) r[x] = s[x - 1] + 2 * s[x] + s[x + 1];
}
void HorizRow5(const Ipp8u* __restrict s, int32_t* __restrict r, int w) {
  for (int x = 0; x < w; ++x) r[x] = s[x - 2] + 4 * s[x - 1] + 6 * s[x] + 4 * s[x + 1] + s[x + 2];
}

// The bordered filters: a ring of `taps` row results, one new source row per output row,
// combined column-wise with the given weights (row y - half first).
template <int Taps>
IppStatus BorderedFilter(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roi,
                         void (*rowResult)(const Ipp8u*, int32_t*, int), const int (&weights)[Taps]) {
  const int w = roi.width;
  const size_t stride = static_cast<size_t>(w + 7) / 8 * 8;  // keeps each ring row 32-byte aligned
  // Work rows come from the aligned allocator and are released before the filter returns.
  int32_t* rows = static_cast<int32_t*>(fbAlignedAlloc32(static_cast<int64_t>(stride) * Taps));
  if (!rows) return ippStsMemAllocErr;
  constexpr int half = Taps / 2;
  // Ring slot of source row y (relative to the region) is (y + half) % Taps.
  for (int k = 0; k < Taps - 1; ++k)
    rowResult(Row(pSrc, srcStep, k - half), rows + stride * static_cast<size_t>(k), w);
  for (int y = 0; y < roi.height; ++y) {
    const int newest = y + half;
    rowResult(Row(pSrc, srcStep, newest), rows + stride * static_cast<size_t>((newest + half) % Taps), w);
    const int32_t* r[Taps];
    for (int k = 0; k < Taps; ++k) r[k] = rows + stride * static_cast<size_t>((y + k) % Taps);
    Ipp16s* __restrict d = RowOf(pDst, dstStep, y);
    if constexpr (Taps == 3) {
      const int32_t *r0 = r[0], *r1 = r[1], *r2 = r[2];
      for (int x = 0; x < w; ++x)
        d[x] = static_cast<Ipp16s>(weights[0] * r0[x] + weights[1] * r1[x] + weights[2] * r2[x]);
    } else {
      const int32_t *r0 = r[0], *r1 = r[1], *r2 = r[2], *r3 = r[3], *r4 = r[4];
      for (int x = 0; x < w; ++x)
        d[x] = static_cast<Ipp16s>(weights[0] * r0[x] + weights[1] * r1[x] + weights[2] * r2[x] +
                                   weights[3] * r3[x] + weights[4] * r4[x]);
    }
  }
  fbAlignedFree(rows);
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
    DxRow(a, b, c, RowOf(pDst, dstStep, y), roiSize.width);
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
    Ipp16s* d = RowOf(pDst, dstStep, y);
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
