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

// Colour median with incremental totals. The window's columns live in a ring of K slots; for
// the columns a and b in the window, pair[a][b][r] is the summed distance of pixel r of column a
// to every pixel of column b, and total[a][r] the sum of pair[a][b][r] over the window's
// columns b, i.e. pixel (r, a)'s total. A column entering computes its distances to the pixels
// of the columns that stay and among its own pixels; the leaving column's share is taken off.
template <int K, int kPixel>
void ColourRow(const uint8_t* centre, ptrdiff_t step, uint8_t* dst, int width) {
  constexpr int kHalf = K / 2;
  int32_t pair[K][K][K];
  int32_t total[K][K];
  const uint8_t* pixel[K][K];  // [slot][row]
  const auto distance = [](const uint8_t* p, const uint8_t* q) {
    return std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]);
  };
  const auto slotOf = [](int64_t column) { return static_cast<int>((column + kHalf) % K); };
  // Brings column a (relative to the region, from -kHalf) in, after column a - K has left.
  const auto enter = [&](int64_t a, int64_t first) {
    const int sa = slotOf(a);
    if (a - K >= first) {
      for (int64_t b = a - K + 1; b < a; ++b) {
        const int sb = slotOf(b);
        for (int r = 0; r < K; ++r) total[sb][r] -= pair[sb][sa][r];  // slot sa still holds a - K
      }
    }
    for (int r = 0; r < K; ++r) pixel[sa][r] = centre + (r - kHalf) * step + a * kPixel;
    for (int r = 0; r < K; ++r) {
      pair[sa][sa][r] = 0;
      total[sa][r] = 0;
    }
    for (int r = 0; r < K; ++r)
      for (int q = r + 1; q < K; ++q) {
        const int32_t d = distance(pixel[sa][r], pixel[sa][q]);
        pair[sa][sa][r] += d;
        pair[sa][sa][q] += d;
      }
    for (int r = 0; r < K; ++r) total[sa][r] = pair[sa][sa][r];
    for (int64_t b = std::max(first, a - K + 1); b < a; ++b) {
      const int sb = slotOf(b);
      for (int r = 0; r < K; ++r) {
        pair[sa][sb][r] = 0;
        pair[sb][sa][r] = 0;
      }
      for (int r = 0; r < K; ++r)
        for (int q = 0; q < K; ++q) {
          const int32_t d = distance(pixel[sa][r], pixel[sb][q]);
          pair[sa][sb][r] += d;
          pair[sb][sa][q] += d;
        }
      for (int r = 0; r < K; ++r) {
        total[sa][r] += pair[sa][sb][r];
        total[sb][r] += pair[sb][sa][r];
      }
    }
  };
  const int64_t first = -kHalf;
  for (int64_t a = first; a < first + K - 1; ++a) enter(a, first);
  for (int64_t x = 0; x < width; ++x) {
    enter(x + kHalf, first);
    int32_t best = INT32_MAX;
    const uint8_t* winner = nullptr;
    for (int r = 0; r < K; ++r)
      for (int64_t b = x - kHalf; b <= x + kHalf; ++b) {
        const int sb = slotOf(b);
        if (total[sb][r] < best) {
          best = total[sb][r];
          winner = pixel[sb][r];
        }
      }
    uint8_t* out = dst + x * kPixel;
    out[0] = winner[0];
    out[1] = winner[1];
    out[2] = winner[2];
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
