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
#include "primitives/support/Support.h"

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
  // The fourth byte of AC4 pixels is never filtered; its slots hold 0 so that the vector steps,
  // which run over every element, work on defined values.
  for (int64_t x = 0; kPixel != kChannels && x < width; ++x) {
    sum[x * kPixel + kChannels] = 0;
    square[x * kPixel + kChannels] = 0;
  }
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
void StepPlain(const uint8_t* enter, const uint8_t* leave, int maskWidth, const float* sum,
               const float* square, float* nextSum, float* nextSquare, int64_t from, int64_t n) {
  // The difference of the entering and the leaving row, summed over mask-width columns, slides
  // along the row.
  const int64_t width = n / kPixel;
  for (int c = 0; c < kChannels; ++c) {
    const int64_t x0 = from <= c ? 0 : (from - c + kPixel - 1) / kPixel;
    if (x0 >= width) continue;
    const auto diff = [&](int64_t j, int64_t& ds, int64_t& dq) {
      const int64_t e = enter[j * kPixel + c], l = leave[j * kPixel + c];
      ds = e - l;
      dq = e * e - l * l;
    };
    int64_t hs = 0, hq = 0;
    for (int64_t j = x0; j < x0 + maskWidth; ++j) {
      int64_t ds, dq;
      diff(j, ds, dq);
      hs += ds;
      hq += dq;
    }
    for (int64_t x = x0; x < width; ++x) {
      const int64_t i = x * kPixel + c;
      nextSum[i] = Step(sum[i], hs);
      nextSquare[i] = Step(square[i], hq);
      if (x + 1 < width) {
        int64_t ds, dq, dsOut, dqOut;
        diff(x + maskWidth, ds, dq);
        diff(x, dsOut, dqOut);
        hs += ds - dsOut;
        hq += dq - dqOut;
      }
    }
  }
}

namespace {

// V = Q - S * S * r, defined in extended precision, is computed in double and redone in
// extended precision only where the double value's error bound straddles two floats; it is
// raised to the threshold t. The mean S * r is exact in double and rounded once.
inline void Statistics(float s, float q, float r, float t, float& mean, float& v) {
  const double ds = s, dq = q;
  const double part = ds * ds * static_cast<double>(r);
  // Three double roundings of terms at most |part| + |q|, and the extended ones.
  if (!guard::CertainFloat(dq - part, 0x1p-50 * (part + std::fabs(dq)), v)) {
    const long double ss = static_cast<long double>(s) * s;
    v = static_cast<float>(static_cast<long double>(q) - ss * r);
  }
  if (v < t) v = t;
  mean = static_cast<float>(ds * r);
}

// mean + (V - T) / V * (p - mean), truncated toward zero, in double first: the result lies in
// [0, 255] and differs from the extended-precision one by far less than 1e-9, so only a value
// that close to an integer is redone, and a flat window (V = 0), whose limit is p.
inline uint8_t Output(float mean, float v, int p, double t) {
  const double m = mean, dv = v;
  const double value = m + (dv - t) / dv * (p - m);
  const double out = value >= 0 && value < 256 ? value : 0;  // other values are redone
  const int32_t whole = static_cast<int32_t>(out);
  const double fraction = out - whole;
  if (!(fraction <= 1e-9 || fraction >= 1 - 1e-9 || v == 0)) return static_cast<uint8_t>(whole);
  if (v == 0) return static_cast<uint8_t>(p);
  const long double lm = mean, lv = v, lt = t;
  return static_cast<uint8_t>(fbTruncToInt32(lm + (lv - lt) / lv * (p - lm)));
}

}  // namespace

void StatisticsPlain(float* sum, float* square, const TLanes& lanes, int64_t from, int64_t to) {
  for (int64_t i = from; i < to; ++i) {
    const int c = static_cast<int>(i % lanes.pixel);
    if (c < lanes.channels) Statistics(sum[i], square[i], lanes.r, lanes.threshold[c], sum[i], square[i]);
  }
}

void OutputPlain(const float* sum, const float* square, const uint8_t* src, uint8_t* out,
                 const TLanes& lanes, int64_t from, int64_t to) {
  for (int64_t i = from; i < to; ++i) {
    const int c = static_cast<int>(i % lanes.pixel);
    if (c >= lanes.channels) continue;
    float mean, v;
    Statistics(sum[i], square[i], lanes.r, lanes.threshold[c], mean, v);
    out[i] = Output(mean, v, src[i], lanes.OutputNoise(c));
  }
}

void StatisticsRow(const TBlocks& vector, float* sum, float* square, const TLanes& lanes, int64_t n) {
  rows::WalkRowInBlocks(
      n,
      [&](ptrdiff_t i) {
        return vector.Statistics == nullptr
                   ? 0
                   : static_cast<ptrdiff_t>(vector.Statistics(sum, square, lanes, static_cast<size_t>(i),
                                                              static_cast<size_t>(n)));
      },
      [&](ptrdiff_t i, ptrdiff_t end) { StatisticsPlain(sum, square, lanes, i, end); });
}

void OutputRow(const TBlocks& vector, const float* sum, const float* square, const uint8_t* src,
               uint8_t* out, const TLanes& lanes, int64_t n) {
  rows::WalkRowInBlocks(
      n,
      [&](ptrdiff_t i) {
        return vector.Output == nullptr
                   ? 0
                   : static_cast<ptrdiff_t>(vector.Output(sum, square, src, out, lanes,
                                                          static_cast<size_t>(i), static_cast<size_t>(n)));
      },
      [&](ptrdiff_t i, ptrdiff_t end) { OutputPlain(sum, square, src, out, lanes, i, end); });
}

#define PF_WIENER_ROW_INSTANCES(pixel, channels)                                                \
  template void FirstRowSums<pixel, channels>(const uint8_t*, ptrdiff_t, IppiSize, int, float*, \
                                              float*);                                          \
  template void StepPlain<pixel, channels>(const uint8_t*, const uint8_t*, int, const float*,  \
                                           const float*, float*, float*, int64_t, int64_t);
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

template <int kPixel, int kChannels>
void Filter(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, IppiSize mask,
            IppiPoint anchor, Ipp32f* noise, Ipp8u* pBuffer, const wiener::TBlocks& vector);

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
  Filter<kPixel, kChannels>(pSrc, srcStep, pDst, dstStep, roi, mask, anchor, noise, pBuffer,
                            wiener::VectorWiener());
  return ippStsNoErr;
}

// The filter of checked arguments, with the given vector blocks. T per channel, given or
// estimated; C1 keeps it in double for the output formula.
template <int kPixel, int kChannels>
void Filter(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, IppiSize mask,
            IppiPoint anchor, Ipp32f* noise, Ipp8u* pBuffer, const wiener::TBlocks& vector) {
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

  // Every element of a row: pixel x channel c at x * kPixel + c, the fourth byte of AC4 pixels
  // left out by the lane patterns.
  const int64_t elements = int64_t{roi.width} * kPixel;
  wiener::TLanes lanes{};
  lanes.pixel = kPixel;
  lanes.channels = kChannels;
  lanes.maskWidth = mask.width;
  lanes.r = r;
  const auto setLanes = [&](const float* threshold, const double* t) {
    for (int k = 0; k < wiener::TLanes::kRepeat; ++k) {
      const int c = k % kPixel;
      const bool live = c < kChannels;
      lanes.threshold[k] = live ? threshold[c] : 0.0f;
      lanes.noise[k] = live ? t[c] : 0.0;
      lanes.liveFloat[k] = live ? ~uint32_t{0} : 0;
      lanes.liveDouble[k] = live ? ~uint64_t{0} : 0;
    }
  };

  // One pass over all rows: perRow(y, sums, squares) sees each row's window sums.
  const auto pass = [&](auto&& perRow) {
    wiener::FirstRowSums<kPixel, kChannels>(origin(0), srcStep, mask, roi.width, rows.sum[0],
                                            rows.square[0]);
    for (int y = 0; y < roi.height; ++y) {
      const int p = y & 1;
      if (y + 1 < roi.height) {
        // The window's top row leaves, the row below the window enters.
        const uint8_t* leave = origin(y);
        const uint8_t* enter = origin(y) + ptrdiff_t{mask.height} * srcStep;
        const int64_t done =
            vector.Step == nullptr
                ? 0
                : static_cast<int64_t>(vector.Step(enter, leave, lanes, rows.sum[p], rows.square[p],
                                                   rows.sum[p ^ 1], rows.square[p ^ 1],
                                                   static_cast<size_t>(elements)));
        wiener::StepPlain<kPixel, kChannels>(enter, leave, mask.width, rows.sum[p], rows.square[p],
                                             rows.sum[p ^ 1], rows.square[p ^ 1], done, elements);
      }
      perRow(y, rows.sum[p], rows.square[p]);
    }
  };

  bool estimate = false;
  for (int c = 0; c < kChannels; ++c) estimate = estimate || std::fabs(noise[c]) < kNoiseEpsilon;
  double t[kChannels];
  if (estimate) {
    const float zero[kChannels] = {};
    const double zeroT[kChannels] = {};
    setLanes(zero, zeroT);
    double total[kChannels] = {};
    pass([&](int, float* sum, float* square) {
      wiener::StatisticsRow(vector, sum, square, lanes, elements);
      float means[3];
      if constexpr (kChannels == 1)
        fbMeanRow32f(square, roi.width, means);
      else
        fbChannelMeans32f(square, roi.width, kPixel, means);
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
  setLanes(threshold, t);
  // AC4 rows are worked in stretches into bytes of their own, whose colour bytes are copied.
  constexpr int64_t kStretch = kPixel == kChannels ? int64_t{1} << 62 : 512;
  alignas(64) uint8_t local[kPixel == kChannels ? 1 : kStretch * kPixel];
  const auto output = [&](int y, const float* sum, const float* square) {
    const uint8_t* src = pSrc + ptrdiff_t{y} * srcStep;
    uint8_t* dst = rows::Row(pDst, dstStep, y);
    for (int64_t x0 = 0; x0 < roi.width; x0 += kStretch) {
      const int64_t a = x0 * kPixel;
      const int64_t count = std::min<int64_t>(kStretch, roi.width - x0);
      const int64_t e = count * kPixel;
      uint8_t* out = kPixel == kChannels ? dst + a : local;
      wiener::OutputRow(vector, sum + a, square + a, src + a, out, lanes, e);
      if constexpr (kPixel != kChannels) fbCopyColourBytes4(local, dst + a, count);
    }
  };
  pass(output);
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

void wiener::FilterRegion(int pixel, const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                          IppiSize roi, IppiSize mask, IppiPoint anchor, Ipp32f* noise,
                          Ipp8u* pBuffer, bool vector) {
  const TBlocks blocks = vector ? VectorWiener() : TBlocks{};
  if (pixel == 1)
    Filter<1, 1>(pSrc, srcStep, pDst, dstStep, roi, mask, anchor, noise, pBuffer, blocks);
  else if (pixel == 3)
    Filter<3, 3>(pSrc, srcStep, pDst, dstStep, roi, mask, anchor, noise, pBuffer, blocks);
  else
    Filter<4, 3>(pSrc, srcStep, pDst, dstStep, roi, mask, anchor, noise, pBuffer, blocks);
}

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
