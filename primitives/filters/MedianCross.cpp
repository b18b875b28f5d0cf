#include "primitives/filters/MedianCross.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace {

IppStatus CheckMedian(const Ipp8u* pSrc, int srcStep, const Ipp8u* pDst, int dstStep, IppiSize roi,
                      IppiMaskSize mask) {
  if (const IppStatus s = rows::CheckImages(pSrc, pDst, roi); s != ippStsNoErr) return s;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  if (mask != ippMskSize3x3 && mask != ippMskSize5x5) return ippStsMaskSizeErr;
  return ippStsNoErr;
}

inline uint8_t Lo(uint8_t a, uint8_t b) { return a < b ? a : b; }
inline uint8_t Hi(uint8_t a, uint8_t b) { return a < b ? b : a; }
inline uint8_t Median3(uint8_t a, uint8_t b, uint8_t c) { return Hi(Lo(a, b), Lo(Hi(a, b), c)); }

// The median of five: of the two pairs (a, b) and (c, d), the larger minimum f and the smaller
// maximum g leave out the two smallest and the two largest of the four; the median of e, f and g
// is the third smallest of the five.
inline uint8_t Median5(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint8_t e) {
  return Median3(e, Hi(Lo(a, b), Lo(c, d)), Lo(Hi(a, b), Hi(c, d)));
}

// The fifth smallest of nine as three sorted triples: the median of the largest minimum, the
// median of the middles and the smallest maximum (the selection of the median filter, here on
// whole rows of bytes so that the compiler keeps it in vector registers).
inline uint8_t Median9(uint8_t a0, uint8_t a1, uint8_t a2, uint8_t b0, uint8_t b1, uint8_t b2,
                       uint8_t c0, uint8_t c1, uint8_t c2) {
  const auto sort3 = [](uint8_t& x, uint8_t& y, uint8_t& z) {
    const uint8_t lo = Lo(x, y), hi = Hi(x, y);
    const uint8_t top = Hi(hi, z), mid = Lo(hi, z);
    x = Lo(lo, mid);
    y = Hi(lo, mid);
    z = top;
  };
  sort3(a0, a1, a2);
  sort3(b0, b1, b2);
  sort3(c0, c1, c2);
  return Median3(Hi(Hi(a0, b0), c0), Median3(a1, b1, c1), Lo(Lo(a2, b2), c2));
}

// One row of the cross median over n bytes (C1, C3) from the centre row s; c bytes per pixel.
template <int kRadius>
void CrossRow(const uint8_t* __restrict s, ptrdiff_t step, ptrdiff_t c, uint8_t* __restrict out,
              int64_t n) {
  if constexpr (kRadius == 1) {
    const uint8_t* __restrict up = s - step;
    const uint8_t* __restrict down = s + step;
    for (int64_t i = 0; i < n; ++i) out[i] = Median5(s[i - c], s[i + c], up[i], down[i], s[i]);
  } else {
    const uint8_t* __restrict u2 = s - 2 * step;
    const uint8_t* __restrict u1 = s - step;
    const uint8_t* __restrict d1 = s + step;
    const uint8_t* __restrict d2 = s + 2 * step;
    for (int64_t i = 0; i < n; ++i)
      out[i] =
          Median9(s[i - 2 * c], s[i - c], s[i], s[i + c], s[i + 2 * c], u2[i], u1[i], d1[i], d2[i]);
  }
}

constexpr int64_t kStretch = 2048;

template <int kPixel, int kWritten>
IppStatus MedianCross(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                      IppiMaskSize mask) {
  if (const IppStatus s = CheckMedian(pSrc, srcStep, pDst, dstStep, roi, mask); s != ippStsNoErr)
    return s;
  const int64_t rowBytes = int64_t{roi.width} * kPixel;
  alignas(32) uint8_t local[kStretch];
  for (int32_t y = 0; y < roi.height; ++y) {
    const uint8_t* s = pSrc + ptrdiff_t{y} * srcStep;
    uint8_t* d = rows::Row(pDst, dstStep, y);
    for (int64_t x = 0; x < rowBytes; x += kStretch) {
      const int64_t n = std::min(kStretch, rowBytes - x);
      uint8_t* out = kPixel == kWritten ? d + x : local;
      if (mask == ippMskSize3x3)
        CrossRow<1>(s + x, srcStep, kPixel, out, n);
      else
        CrossRow<2>(s + x, srcStep, kPixel, out, n);
      if constexpr (kPixel != kWritten) fbCopyColourBytes4(local, d + x, n / kPixel);
    }
  }
  return ippStsNoErr;
}

// Colour median. Each pairwise distance between two pixels of the rows a window spans is
// computed once per output row, for a stretch of pixels at a time, and summed per pixel into
// column totals: near[d][i][u] is the summed distance of pixel (i, u) to the K pixels of
// column u + d (d = 0: to the others of its own column), far[d][i][u] that of pixel (i, u + d)
// to column u. A window pixel's total is the sum of its K column totals; all of it runs on
// planar 16-bit rows, where totals (at most 24 x 765) fit, so the loops vectorise. The totals
// are exact, so the winner is the one of the definition: the first smallest in row-major order.
template <int K, int kPixel>
void ColourRow(const uint8_t* centre, ptrdiff_t step, uint8_t* dst, int width) {
  constexpr int kHalf = K / 2;
  constexpr int kStretchPixels = 128;
  constexpr int kColumns = kStretchPixels + K - 1;
  alignas(32) int16_t plane[K][3][kColumns];
  alignas(32) uint16_t near[K][K][kColumns];
  alignas(32) uint16_t far[K][K][kColumns];
  alignas(32) uint16_t best[kStretchPixels];
  alignas(32) uint8_t winner[kStretchPixels];
  for (int x0 = 0; x0 < width; x0 += kStretchPixels) {
    const int n = std::min(kStretchPixels, width - x0);
    const int columns = n + K - 1;
    for (int i = 0; i < K; ++i) {
      const uint8_t* row = centre + (i - kHalf) * step + ptrdiff_t{x0 - kHalf} * kPixel;
      for (int c = 0; c < 3; ++c) {
        int16_t* to = plane[i][c];
        const uint8_t* from = row + c;
        for (int u = 0; u < columns; ++u) to[u] = from[u * kPixel];
      }
    }
    const auto distanceRows = [&](int i, int q, int d, int count, auto&& add) {
      const int16_t *a0 = plane[i][0], *a1 = plane[i][1], *a2 = plane[i][2];
      const int16_t *b0 = plane[q][0] + d, *b1 = plane[q][1] + d, *b2 = plane[q][2] + d;
      for (int u = 0; u < count; ++u) {
        const int16_t e0 = static_cast<int16_t>(a0[u] - b0[u]),
                      e1 = static_cast<int16_t>(a1[u] - b1[u]),
                      e2 = static_cast<int16_t>(a2[u] - b2[u]);
        add(u,
            static_cast<uint16_t>((e0 < 0 ? -e0 : e0) + (e1 < 0 ? -e1 : e1) + (e2 < 0 ? -e2 : e2)));
      }
    };
    for (int d = 0; d < K; ++d)
      for (int i = 0; i < K; ++i)
        for (int u = 0; u < columns; ++u) near[d][i][u] = far[d][i][u] = 0;
    for (int i = 0; i < K; ++i)
      for (int q = i + 1; q < K; ++q) {
        uint16_t* ni = near[0][i];
        uint16_t* nq = near[0][q];
        distanceRows(i, q, 0, columns, [&](int u, uint16_t v) {
          ni[u] = static_cast<uint16_t>(ni[u] + v);
          nq[u] = static_cast<uint16_t>(nq[u] + v);
        });
      }
    for (int d = 1; d < K; ++d)
      for (int i = 0; i < K; ++i)
        for (int q = 0; q < K; ++q) {
          uint16_t* ni = near[d][i];
          uint16_t* fq = far[d][q];
          distanceRows(i, q, d, columns - d, [&](int u, uint16_t v) {
            ni[u] = static_cast<uint16_t>(ni[u] + v);
            fq[u] = static_cast<uint16_t>(fq[u] + v);
          });
        }
    // Window pixel (i, j) of output pixel t sits in column t + j; its total adds the columns
    // right of it from near and those left of it from far.
    for (int i = 0; i < K; ++i)
      for (int j = 0; j < K; ++j) {
        alignas(32) uint16_t total[kStretchPixels];
        for (int t = 0; t < n; ++t) total[t] = near[0][i][t + j];
        for (int r = j + 1; r < K; ++r) {
          const uint16_t* from = near[r - j][i] + j;
          for (int t = 0; t < n; ++t) total[t] = static_cast<uint16_t>(total[t] + from[t]);
        }
        for (int l = 0; l < j; ++l) {
          const uint16_t* from = far[j - l][i] + l;
          for (int t = 0; t < n; ++t) total[t] = static_cast<uint16_t>(total[t] + from[t]);
        }
        const uint8_t index = static_cast<uint8_t>(i * K + j);
        if (i == 0 && j == 0) {
          for (int t = 0; t < n; ++t) {
            best[t] = total[t];
            winner[t] = 0;
          }
        } else {
          for (int t = 0; t < n; ++t) {
            const bool smaller = total[t] < best[t];
            best[t] = smaller ? total[t] : best[t];
            winner[t] = smaller ? index : winner[t];
          }
        }
      }
    for (int t = 0; t < n; ++t) {
      const int i = winner[t] / K, j = winner[t] % K;
      const uint8_t* p = centre + (i - kHalf) * step + ptrdiff_t{x0 + t + j - kHalf} * kPixel;
      uint8_t* out = dst + ptrdiff_t{x0 + t} * kPixel;
      out[0] = p[0];
      out[1] = p[1];
      out[2] = p[2];
    }
  }
}

template <int kPixel>
IppStatus MedianColour(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                       IppiMaskSize mask) {
  if (const IppStatus s = CheckMedian(pSrc, srcStep, pDst, dstStep, roi, mask); s != ippStsNoErr)
    return s;
  for (int32_t y = 0; y < roi.height; ++y) {
    const uint8_t* s = pSrc + ptrdiff_t{y} * srcStep;
    uint8_t* d = rows::Row(pDst, dstStep, y);
    if (mask == ippMskSize3x3)
      ColourRow<3, kPixel>(s, srcStep, d, roi.width);
    else
      ColourRow<5, kPixel>(s, srcStep, d, roi.width);
  }
  return ippStsNoErr;
}

}  // namespace

#define PF_MEDIAN_CROSS_FORMS(X) X(C1, 1, 1) X(C3, 3, 3) X(AC4, 4, 3)
#define PF_MEDIAN_CROSS_DEFINE(layout, pixel, written)                                        \
  IppStatus ippiFilterMedianCross_8u_##layout##R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, \
                                                 int dstStep, IppiSize dstRoiSize,            \
                                                 IppiMaskSize mask) {                         \
    return MedianCross<pixel, written>(pSrc, srcStep, pDst, dstStep, dstRoiSize, mask);       \
  }
PF_MEDIAN_CROSS_FORMS(PF_MEDIAN_CROSS_DEFINE)
#undef PF_MEDIAN_CROSS_DEFINE
#undef PF_MEDIAN_CROSS_FORMS

#define PF_MEDIAN_COLOUR_FORMS(X) X(C3, 3) X(AC4, 4)
#define PF_MEDIAN_COLOUR_DEFINE(layout, pixel)                                                \
  IppStatus ippiFilterMedianColor_8u_##layout##R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, \
                                                 int dstStep, IppiSize dstRoiSize,            \
                                                 IppiMaskSize mask) {                         \
    return MedianColour<pixel>(pSrc, srcStep, pDst, dstStep, dstRoiSize, mask);               \
  }
PF_MEDIAN_COLOUR_FORMS(PF_MEDIAN_COLOUR_DEFINE)
#undef PF_MEDIAN_COLOUR_DEFINE
#undef PF_MEDIAN_COLOUR_FORMS

}  // namespace builtin
