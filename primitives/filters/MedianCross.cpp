#include "primitives/filters/MedianCross.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "primitives/filters/MedianCrossKernels.h"
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

template <int kPixel>
IppStatus MedianColour(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                       IppiMaskSize mask) {
  if (const IppStatus s = CheckMedian(pSrc, srcStep, pDst, dstStep, roi, mask); s != ippStsNoErr)
    return s;
  colourmedian::ColourMedianRegion(pSrc, srcStep, pDst, dstStep, roi.width, roi.height, kPixel,
                                   mask == ippMskSize3x3 ? 3 : 5, true);
  return ippStsNoErr;
}

}  // namespace

namespace colourmedian {
namespace {

// The distance of pixel a[.][i] to pixel b[.][j]: the sum of the channels' absolute differences.
inline uint16_t Distance(const uint16_t (&a)[3][kLine], int64_t i, const uint16_t (&b)[3][kLine],
                         int64_t j) {
  int sum = 0;
  for (int c = 0; c < 3; ++c) sum += std::abs(a[c][i] - b[c][j]);
  return static_cast<uint16_t>(sum);
}

}  // namespace

template <int K>
void LoadRowPlain(TState<K>& s, int slot, const uint8_t* src, ptrdiff_t pixel, int64_t from,
                  int64_t to) {
  for (int c = 0; c < 3; ++c)
    for (int64_t u = from; u < to; ++u) s.plane[slot][c][kPad + u] = src[u * pixel + c];
  for (int64_t u = from; u < to; ++u)
    s.redGreen[slot][kPad + u] = static_cast<uint16_t>(src[u * pixel] | src[u * pixel + 1] << 8);
}

// For each offset d, the distances of the older rows' pixels (q, u) to the new row's pixel
// (n, u + d) go to the older rows' column sums at u (less the distance to the leaving row,
// entered with q), and with the new row's own distance from (n, u) to (n, u + d) they make the
// new row's column sum of offset -d at u + d, which no other column writes.
template <int K>
void EnterPlain(TState<K>& s, int newSlot, int older, bool leaving, int64_t from, int64_t to) {
  constexpr int R = K - 1;
  const auto& n = s.plane[newSlot];
  for (int64_t u = from; u < to; ++u) {
    const int64_t p = kPad + u;
    for (int d = -R; d <= R; ++d) {
      uint16_t sum = d == 0 ? 0 : Distance(n, p, n, p + d);
      for (int k = 1; k <= older; ++k) {
        const int q = (newSlot - k + K) % K;
        const uint16_t distance = Distance(s.plane[q], p, n, p + d);
        s.pair[newSlot][k - 1][R + d][p] = distance;
        uint16_t column = static_cast<uint16_t>(s.column[q][R + d][p] + distance);
        // (q, u) to the leaving row's (u + d): entered with q as (u + d) to (q, u).
        if (leaving) column = static_cast<uint16_t>(column - s.pair[q][K - k - 1][R - d][p + d]);
        s.column[q][R + d][p] = column;
        sum = static_cast<uint16_t>(sum + distance);
      }
      s.column[newSlot][R - d][p + d] = sum;
    }
  }
}

template <int K>
void TotalsPlain(TState<K>& s, int firstSlot, int64_t from, int64_t to) {
  constexpr int R = K - 1;
  for (int i = 0; i < K; ++i) {
    const auto& column = s.column[(firstSlot + i) % K];
    for (int64_t u = from; u < to; ++u) {
      const int64_t p = kPad + u;
      // Window pixel (i, j) in column u sees the columns u - j .. u - j + K - 1.
      for (int j = 0; j < K; ++j) {
        uint16_t sum = 0;
        for (int d = -j; d < K - j; ++d) sum = static_cast<uint16_t>(sum + column[R + d][p]);
        s.total[i][j][p] = sum;
      }
    }
  }
}

template <int K>
void SelectPlain(TState<K>& s, int firstSlot, int64_t from, int64_t to) {
  for (int64_t t = from; t < to; ++t) {
    const int64_t p = kPad + t;
    uint16_t best = s.total[0][0][p];
    int bi = 0, bj = 0;
    for (int i = 0; i < K; ++i)
      for (int j = 0; j < K; ++j)
        if (s.total[i][j][p + j] < best) {
          best = s.total[i][j][p + j];
          bi = i;
          bj = j;
        }
    const auto& plane = s.plane[(firstSlot + bi) % K];
    for (int c = 0; c < 3; ++c) s.winner[c][t] = static_cast<uint8_t>(plane[c][p + bj]);
  }
}

template <int K>
void EmitPlain(const TState<K>& s, uint8_t* dst, ptrdiff_t pixel, int64_t from, int64_t to) {
  for (int64_t t = from; t < to; ++t)
    for (int c = 0; c < 3; ++c) dst[t * pixel + c] = s.winner[c][t];
}

#define PF_COLOUR_MEDIAN_STEPS(K)                                                              \
  template void LoadRowPlain<K>(TState<K>&, int, const uint8_t*, ptrdiff_t, int64_t, int64_t); \
  template void EnterPlain<K>(TState<K>&, int, int, bool, int64_t, int64_t);                   \
  template void TotalsPlain<K>(TState<K>&, int, int64_t, int64_t);                             \
  template void SelectPlain<K>(TState<K>&, int, int64_t, int64_t);                             \
  template void EmitPlain<K>(const TState<K>&, uint8_t*, ptrdiff_t, int64_t, int64_t);
PF_COLOUR_MEDIAN_STEPS(3)
PF_COLOUR_MEDIAN_STEPS(5)
#undef PF_COLOUR_MEDIAN_STEPS

namespace {

// Each strip of the region from its top row to its bottom one: the first K rows enter one by
// one, then each output row lets one row enter and one leave.
template <int K>
void Strips(const uint8_t* src, ptrdiff_t srcStep, uint8_t* dst, ptrdiff_t dstStep, int width,
            int height, ptrdiff_t pixel, const TBlocks<K>& v) {
  constexpr int kHalf = K / 2;
  constexpr int kOutputs = kSpan - (K - 1);
  constexpr ptrdiff_t kAhead = 4;
  TState<K> s;
  fbZeroBytes(&s, sizeof s);  // the margins of the lines are read, never used
  const auto run = [](auto blocks, int64_t n, auto&& call, auto&& plain) {
    const int64_t done = blocks == nullptr ? 0 : static_cast<int64_t>(call(static_cast<size_t>(n)));
    plain(done, n);
  };
  for (int x0 = 0; x0 < width; x0 += kOutputs) {
    const int64_t outputs = std::min(kOutputs, width - x0);
    const int64_t columns = outputs + K - 1;
    const uint8_t* left = src + ptrdiff_t{x0 - kHalf} * pixel;
    for (int64_t r = -kHalf; r < int64_t{height} + kHalf; ++r) {
      const int64_t entered = r + kHalf;  // rows entered before this one
      const int slot = static_cast<int>(entered % K);
      const uint8_t* row = left + r * srcStep;
      // A strip's rows are a step apart: ask for the one a few rows down while this one is worked.
      if (r + kAhead < int64_t{height} + kHalf)
        for (int64_t b = 0; b < columns * pixel; b += 64) __builtin_prefetch(row + kAhead * srcStep + b);
      const auto loader = pixel == 3 ? v.LoadRowC3 : nullptr;
      run(
          loader, columns, [&](size_t n) { return loader(s, slot, row, n); },
          [&](int64_t a, int64_t b) { LoadRowPlain(s, slot, row, pixel, a, b); });
      const int older = static_cast<int>(std::min<int64_t>(entered, K - 1));
      const bool leaving = entered >= K;
      run(
          v.Enter, columns, [&](size_t n) { return v.Enter(s, slot, older, leaving, n); },
          [&](int64_t a, int64_t b) { EnterPlain(s, slot, older, leaving, a, b); });
      if (r < kHalf) continue;
      const int64_t y = r - kHalf;
      const int first = static_cast<int>(y % K);
      run(
          v.Totals, columns, [&](size_t n) { return v.Totals(s, first, n); },
          [&](int64_t a, int64_t b) { TotalsPlain(s, first, a, b); });
      run(
          v.Select, outputs, [&](size_t n) { return v.Select(s, first, n); },
          [&](int64_t a, int64_t b) { SelectPlain(s, first, a, b); });
      uint8_t* out = dst + y * dstStep + ptrdiff_t{x0} * pixel;
      const auto emitter = pixel == 3 ? v.EmitC3 : nullptr;
      run(
          emitter, outputs, [&](size_t n) { return emitter(s, out, n); },
          [&](int64_t a, int64_t b) { EmitPlain(s, out, pixel, a, b); });
    }
  }
}

}  // namespace

void ColourMedianRegion(const uint8_t* src, ptrdiff_t srcStep, uint8_t* dst, ptrdiff_t dstStep,
                        int width, int height, int pixel, int side, bool vector) {
  if (side == 3)
    Strips<3>(src, srcStep, dst, dstStep, width, height, pixel,
              vector ? VectorColour3() : TBlocks<3>{});
  else
    Strips<5>(src, srcStep, dst, dstStep, width, height, pixel,
              vector ? VectorColour5() : TBlocks<5>{});
}

}  // namespace colourmedian

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
