#include "primitives/filters/WienerFilter.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "primitives/filters/WienerFilterKernels.h"
#include "primitives/support/FloatToInt.h"
#include "primitives/support/GuardedFloat.h"
#include "primitives/support/RowAccess.h"

namespace builtin {

IppStatus fbMeanRow32f(const Ipp32f* row, int len, Ipp32f* mean) {
  if (row == nullptr || mean == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  long double even = 0, odd = 0;
  int i = 0;
  for (; i + 1 < len; i += 2) {
    even += row[i];
    odd += row[i + 1];
  }
  if (i < len) even += row[i];
  *mean = static_cast<float>((even + odd) / len);
  return ippStsNoErr;
}

void fbChannelMeans32f(const Ipp32f* row, int width, int pixelFloats, Ipp32f means[3]) {
  for (int c = 0; c < 3; ++c) {
    long double even = 0, odd = 0;
    int x = 0;
    for (; x + 1 < width; x += 2) {
      even += row[ptrdiff_t{x} * pixelFloats + c];
      odd += row[ptrdiff_t{x + 1} * pixelFloats + c];
    }
    if (x < width) even += row[ptrdiff_t{x} * pixelFloats + c];
    means[c] = static_cast<float>((even + odd) / width);
  }
}

namespace wiener {

// A sum stored after one step: the stored float plus an exact integer step, rounded once. Both
// are integers below 2^48 (at most mask cells x 65025), so their sum is exact in double and
// rounds to the float the extended-precision sum rounds to.
inline float Step(float stored, int64_t step) {
  return static_cast<float>(static_cast<double>(stored) + static_cast<double>(step));
}

template <int kPixel, int kChannels>
void FirstRowSums(const uint8_t* origin, ptrdiff_t step, IppiSize mask, int width, float* sum,
                  float* square) {
  // The column of mask-height bytes at column j (relative to origin) of channel c.
  const auto column = [&](int64_t j, int c, int64_t& s, int64_t& q) {
    s = 0;
    q = 0;
    const uint8_t* p = origin + j * kPixel + c;
    for (int i = 0; i < mask.height; ++i, p += step) {
      s += *p;
      q += int64_t{*p} * *p;
    }
  };
  for (int c = 0; c < kChannels; ++c) {
    int64_t s = 0, q = 0;
    for (int64_t j = 0; j < mask.width; ++j) {
      int64_t cs, cq;
      column(j, c, cs, cq);
      s += cs;
      q += cq;
    }
    sum[c] = static_cast<float>(s);
    square[c] = static_cast<float>(q);
    for (int64_t x = 1; x < width; ++x) {
      int64_t ls, lq, es, eq;
      column(x - 1, c, ls, lq);
      column(x - 1 + mask.width, c, es, eq);
      sum[x * kPixel + c] = Step(sum[(x - 1) * kPixel + c], es - ls);
      square[x * kPixel + c] = Step(square[(x - 1) * kPixel + c], eq - lq);
    }
  }
}

template <int kPixel, int kChannels>
void RowStats(const uint8_t* origin, ptrdiff_t step, float* sum, float* square, float r,
              IppiSize mask, float* nextSum, float* nextSquare, int width, int height, int y,
              const float* threshold) {
  if (y + 1 < height) {
    // The leaving row is the window's top row, the entering one the row below the window; the
    // difference of the two, summed over mask-width columns, slides along the row.
    const uint8_t* leave = origin;
    const uint8_t* enter = origin + mask.height * step;
    for (int c = 0; c < kChannels; ++c) {
      const auto diff = [&](int64_t j, int64_t& ds, int64_t& dq) {
        const int64_t e = enter[j * kPixel + c], l = leave[j * kPixel + c];
        ds = e - l;
        dq = e * e - l * l;
      };
      int64_t hs = 0, hq = 0;
      for (int64_t j = 0; j < mask.width; ++j) {
        int64_t ds, dq;
        diff(j, ds, dq);
        hs += ds;
        hq += dq;
      }
      for (int64_t x = 0; x < width; ++x) {
        const int64_t i = x * kPixel + c;
        nextSum[i] = Step(sum[i], hs);
        nextSquare[i] = Step(square[i], hq);
        if (x + 1 < width) {
          int64_t ds, dq, dsOut, dqOut;
          diff(x + mask.width, ds, dq);
          diff(x, dsOut, dqOut);
          hs += ds - dsOut;
          hq += dq - dqOut;
        }
      }
    }
  }
  // V = Q - S * S * r, defined in extended precision, is computed in double and redone in
  // extended precision only where the double value's error bound straddles two floats.
  constexpr int kBlock = 256;
  for (int c = 0; c < kChannels; ++c) {
    const float t = threshold[c];
    for (int64_t x0 = 0; x0 < width; x0 += kBlock) {
      const int n = static_cast<int>(std::min<int64_t>(kBlock, width - x0));
      double value[kBlock], reach[kBlock];
      for (int k = 0; k < n; ++k) {
        const int64_t i = (x0 + k) * kPixel + c;
        const double s = sum[i], q = square[i];
        const double part = s * s * static_cast<double>(r);
        value[k] = q - part;
        // Three double roundings of terms at most |part| + |q|, and the extended ones.
        reach[k] = 0x1p-50 * (part + std::fabs(q));
      }
      for (int k = 0; k < n; ++k) {
        const int64_t i = (x0 + k) * kPixel + c;
        const float s = sum[i];
        float v;
        if (!guard::CertainFloat(value[k], reach[k], v)) {
          const long double ss = static_cast<long double>(s) * s;
          v = static_cast<float>(static_cast<long double>(square[i]) - ss * r);
        }
        if (v < t) v = t;
        sum[i] = static_cast<float>(static_cast<double>(s) * r);  // exact in double, rounded once
        square[i] = v;
      }
    }
  }
}

template <int kPixel, int kChannels, typename TNoise>
void RowOutput(const float* mean, const float* variance, const uint8_t* src, uint8_t* dst,
               int width, const TNoise* noise) {
  constexpr int kBlock = 256;
  for (int c = 0; c < kChannels; ++c) {
    const double t = static_cast<double>(noise[c]);
    for (int64_t x0 = 0; x0 < width; x0 += kBlock) {
      const int n = static_cast<int>(std::min<int64_t>(kBlock, width - x0));
      // In double first; the result lies in [0, 255] and differs from the extended-precision
      // one by far less than 1e-9, so only a value that close to an integer is redone.
      double value[kBlock];
      for (int k = 0; k < n; ++k) {
        const int64_t i = (x0 + k) * kPixel + c;
        const double m = mean[i], v = variance[i];
        value[k] = m + (v - t) / v * (src[i] - m);
      }
      // Truncate all (values lie in [0, 255] or are not used), marking those to redo: a
      // flat window, and a value within 1e-9 of an integer.
      uint8_t redo[kBlock];
      for (int k = 0; k < n; ++k) {
        const int64_t i = (x0 + k) * kPixel + c;
        const double out = value[k] >= 0 && value[k] < 256 ? value[k] : 0;
        const int32_t whole = static_cast<int32_t>(out);
        const double fraction = out - whole;
        redo[k] =
            static_cast<uint8_t>((fraction <= 1e-9) | (fraction >= 1 - 1e-9) | (variance[i] == 0));
        dst[i] = static_cast<uint8_t>(whole);
      }
      for (int k = 0; k < n; ++k) {
        if (redo[k] == 0) continue;
        const int64_t i = (x0 + k) * kPixel + c;
        const float v = variance[i];
        const int p = src[i];
        if (v == 0) {  // a flat window: every byte equals the mean, the limit of the formula is p
          dst[i] = static_cast<uint8_t>(p);
          continue;
        }
        const long double lm = mean[i], lv = v, lt = static_cast<long double>(noise[c]);
        dst[i] = static_cast<uint8_t>(fbTruncToInt32(lm + (lv - lt) / lv * (p - lm)));
      }
    }
  }
}

#define PF_WIENER_ROW_INSTANCES(pixel, channels)                                                  \
  template void FirstRowSums<pixel, channels>(const uint8_t*, ptrdiff_t, IppiSize, int, float*,   \
                                              float*);                                            \
  template void RowStats<pixel, channels>(const uint8_t*, ptrdiff_t, float*, float*, float,       \
                                          IppiSize, float*, float*, int, int, int, const float*); \
  template void RowOutput<pixel, channels, double>(const float*, const float*, const uint8_t*,    \
                                                   uint8_t*, int, const double*);                 \
  template void RowOutput<pixel, channels, float>(const float*, const float*, const uint8_t*,     \
                                                  uint8_t*, int, const float*);
PF_WIENER_ROW_INSTANCES(1, 1)
PF_WIENER_ROW_INSTANCES(3, 3)
PF_WIENER_ROW_INSTANCES(4, 3)
#undef PF_WIENER_ROW_INSTANCES

}  // namespace wiener

namespace {

constexpr float kNoiseEpsilon = 1.1920928955078125e-07f;  // 2^-23

// Bytes of one work row: four times ((L + 6) rounded down to a multiple of 4).
int64_t WorkRowBytes(int width, int maskWidth, int channels) {
  const int64_t l = channels == 1 ? int64_t{width} + maskWidth : int64_t{width} * channels;
  return 4 * ((l + 6) / 4 * 4);
}

// T per channel, given or estimated; C1 keeps it in double for the output formula.
template <int kPixel, int kChannels>
IppStatus Wiener(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                 IppiSize mask, IppiPoint anchor, Ipp32f* noise, Ipp8u* pBuffer) {
  if (pSrc == nullptr || pDst == nullptr || noise == nullptr || pBuffer == nullptr)
    return ippStsNullPtrErr;
  if (roi.width < 1 || roi.height < 1) return ippStsSizeErr;
  if (mask.width < 2 || mask.height < 2) return ippStsMaskSizeErr;
  if (anchor.x < 0 || anchor.x >= mask.width || anchor.y < 0 || anchor.y >= mask.height)
    return ippStsAnchorErr;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  for (int c = 0; c < kChannels; ++c)
    if (!(noise[c] >= 0 && noise[c] < 1)) return ippStsNoiseValErr;

  const int64_t rowBytes = WorkRowBytes(roi.width, mask.width, kPixel);
  auto* base =
      reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(pBuffer) + 15) & ~uintptr_t{15});
  wiener::WorkRows rows{{reinterpret_cast<float*>(base), reinterpret_cast<float*>(base + rowBytes)},
                        {reinterpret_cast<float*>(base + 2 * rowBytes),
                         reinterpret_cast<float*>(base + 3 * rowBytes)}};
  const int64_t n = int64_t{mask.width} * mask.height;
  const float r = 1.0f / static_cast<float>(n);  // 1/N rounded once to a float
  const uint8_t* top = pSrc - ptrdiff_t{mask.height - 1 - anchor.y} * srcStep -
                       ptrdiff_t{mask.width - 1 - anchor.x} * kPixel;
  const auto origin = [&](int y) { return top + ptrdiff_t{y} * srcStep; };

  // One pass over all rows: perRow(y, means, variances) sees each finished row.
  const auto pass = [&](const float* threshold, auto&& perRow) {
    wiener::FirstRowSums<kPixel, kChannels>(origin(0), srcStep, mask, roi.width, rows.sum[0],
                                            rows.square[0]);
    for (int y = 0; y < roi.height; ++y) {
      const int p = y & 1;
      wiener::RowStats<kPixel, kChannels>(origin(y), srcStep, rows.sum[p], rows.square[p], r, mask,
                                          rows.sum[p ^ 1], rows.square[p ^ 1], roi.width,
                                          roi.height, y, threshold);
      perRow(y, rows.sum[p], rows.square[p]);
    }
  };

  bool estimate = false;
  for (int c = 0; c < kChannels; ++c) estimate = estimate || std::fabs(noise[c]) < kNoiseEpsilon;
  double t[kChannels];
  if (estimate) {
    const float zero[kChannels] = {};
    double total[kChannels] = {};
    pass(zero, [&](int, const float*, const float* variance) {
      float means[3];
      if constexpr (kChannels == 1)
        fbMeanRow32f(variance, roi.width, means);
      else
        fbChannelMeans32f(variance, roi.width, kPixel, means);
      for (int c = 0; c < kChannels; ++c) total[c] += means[c];
    });
    for (int c = 0; c < kChannels; ++c) {
      t[c] = total[c] / roi.height;
      noise[c] = static_cast<float>(static_cast<long double>(t[c]) * (1.0L / 65025) * r);
    }
  } else {
    for (int c = 0; c < kChannels; ++c)
      t[c] = static_cast<double>(static_cast<long double>(noise[c]) * 65025 * mask.width *
                                 mask.height);
  }
  float threshold[kChannels];
  for (int c = 0; c < kChannels; ++c) threshold[c] = static_cast<float>(t[c]);
  const auto output = [&](int y, const float* means, const float* variances) {
    const uint8_t* src = pSrc + ptrdiff_t{y} * srcStep;
    uint8_t* dst = rows::Row(pDst, dstStep, y);
    if constexpr (kChannels == 1)
      wiener::RowOutput<kPixel, kChannels, double>(means, variances, src, dst, roi.width, t);
    else
      wiener::RowOutput<kPixel, kChannels, float>(means, variances, src, dst, roi.width, threshold);
  };
  pass(threshold, output);
  return ippStsNoErr;
}

}  // namespace

#define PF_WIENER_FORMS(X) X(C1, 1, 1) X(C3, 3, 3) X(AC4, 4, 3)
#define PF_WIENER_DEFINE(layout, pixel, channels)                                                \
  IppStatus ippiFilterWiener_8u_##layout##R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst,         \
                                            int dstStep, IppiSize dstRoiSize, IppiSize maskSize, \
                                            IppiPoint anchor, Ipp32f* noise, Ipp8u* pBuffer) {   \
    return Wiener<pixel, channels>(pSrc, srcStep, pDst, dstStep, dstRoiSize, maskSize, anchor,   \
                                   noise, pBuffer);                                              \
  }
PF_WIENER_FORMS(PF_WIENER_DEFINE)
#undef PF_WIENER_DEFINE
#undef PF_WIENER_FORMS

IppStatus ippiFilterWienerGetBufferSize(IppiSize dstRoiSize, IppiSize maskSize, int channels,
                                        int* pBufferSize) {
  if (pBufferSize == nullptr) return ippStsNullPtrErr;
  if (dstRoiSize.width < 1 || dstRoiSize.height < 1) return ippStsSizeErr;
  if (channels != 1 && channels != 3 && channels != 4) return ippStsNumChannelsErr;
  if (maskSize.width < 2 || maskSize.height < 2) return ippStsMaskSizeErr;
  // Four rows of the work row's bytes and the room to reach a 16-byte boundary, in 64 bits: a
  // size past the 32-bit range is refused rather than wrapped.
  const int64_t size = 4 * WorkRowBytes(dstRoiSize.width, maskSize.width, channels) + 15;
  if (size > std::numeric_limits<int>::max()) return ippStsSizeErr;
  *pBufferSize = static_cast<int>(size);
  return ippStsNoErr;
}

}  // namespace builtin
