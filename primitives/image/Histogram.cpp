// Histograms over levels and the float sum (see Histogram.h).
//
// The four layouts share one engine, generated from a list of (pixel bytes, counted
// channels); the one-channel form differs only in taking its arrays as single values and in
// the order of its checks.
#include "primitives/image/Histogram.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace histogram {

void CountChannels(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, int pixelBytes, int channels,
                   Ipp32u* counts) {
  fbFill32s(0, counts, 256 * channels);
  const IppiSize walk = rows::MergeRows(roiSize, srcStep, int64_t{pixelBytes} * roiSize.width);
  if (pixelBytes == 1) {
    // Four sets of counters for neighbouring bytes, so that runs of equal bytes do not wait
    // on one counter's previous increment.
    Ipp32u part[4][256];
    fbFill32s(0, part, 4 * 256);
    for (int32_t y = 0; y < walk.height; ++y) {
      const uint8_t* p = rows::Row(pSrc, srcStep, y);
      ptrdiff_t x = 0;
      for (; x + 4 <= walk.width; x += 4) {
        ++part[0][p[x]];
        ++part[1][p[x + 1]];
        ++part[2][p[x + 2]];
        ++part[3][p[x + 3]];
      }
      for (; x < walk.width; ++x) ++part[0][p[x]];
    }
    for (int v = 0; v < 256; ++v) counts[v] = part[0][v] + part[1][v] + part[2][v] + part[3][v];
    return;
  }
  for (int32_t y = 0; y < walk.height; ++y) {
    const uint8_t* p = rows::Row(pSrc, srcStep, y);
    for (ptrdiff_t x = 0; x < walk.width; ++x, p += pixelBytes)
      for (int c = 0; c < channels; ++c) ++counts[c * 256 + p[c]];
  }
}

bool NeedsWideCounts(IppiSize roiSize) {
  return int64_t{roiSize.width} * roiSize.height > std::numeric_limits<Ipp32s>::max();
}

void CountChannelsWide(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, int pixelBytes,
                       int channels, Ipp64u* counts) {
  fbFillElements<uint64_t>(counts, 0, int64_t{256} * channels);
  // Bands of at most 2^32 - 1 pixels (two rows or more, a row holding below 2^31).
  const auto band = static_cast<int32_t>(std::min<int64_t>(
      roiSize.height, std::numeric_limits<uint32_t>::max() / static_cast<uint32_t>(roiSize.width)));
  Ipp32u part[4 * 256];
  for (int32_t y = 0; y < roiSize.height;) {
    const int32_t height = std::min(band, roiSize.height - y);
    CountChannels(rows::Row(pSrc, srcStep, y), srcStep, {roiSize.width, height}, pixelBytes,
                  channels, part);
    for (int i = 0; i < 256 * channels; ++i) counts[i] += part[i];
    y += height;
  }
}

}  // namespace histogram

namespace {

// The layouts: bytes per pixel and the channels counted.
struct TLayout {
  int pixelBytes;
  int channels;
};
constexpr TLayout kC1{1, 1}, kC3{3, 3}, kC4{4, 4}, kAC4{4, 3};

// The levels of one channel, spread evenly from lower to upper. The difference of two 32-bit
// levels needs 33 bits, so the rule runs in 64 bits.
void EvenLevels(Ipp32s* levels, int n, Ipp32s lower, Ipp32s upper) {
  const int64_t steps = n - 1;
  const int64_t d = int64_t{upper} - lower;
  const int64_t q = d / steps;
  const int64_t r = d - q * steps;
  // The first |r| steps are one larger in the direction of q (none when q = 0 and r < 0).
  const int64_t enlarged = q >= 0 ? r : -r;
  const int64_t extra = q >= 0 ? 1 : -1;
  int64_t level = lower;
  levels[0] = lower;
  for (int64_t k = 1; k <= steps; ++k) {
    level += q + (k <= enlarged ? extra : 0);
    levels[k] = static_cast<Ipp32s>(level);
  }
}

// The running totals of one channel's 256 counters: below[v] counts the values under v.
template <typename Count>
void RunningTotals(const Count* counts, Count (&below)[257]) {
  below[0] = 0;
  for (int v = 0; v < 256; ++v) below[v + 1] = below[v] + counts[v];
}

// Bins of one channel from its running totals, so that each bin is one difference (with 32-bit
// counters, wrapping like a sum of them).
template <typename Count>
void Bins(const Count (&below)[257], const Ipp32s* levels, int n, Ipp32s* hist) {
  for (int k = 0; k + 1 < n; ++k) {
    const Ipp32s lo = std::clamp<Ipp32s>(levels[k], 0, 256);
    const Ipp32s hi = std::clamp<Ipp32s>(levels[k + 1], 0, 256);
    hist[k] = hi > lo ? static_cast<Ipp32s>(below[hi] - below[lo]) : 0;
  }
}

// Whether every bin of one channel's 64-bit totals fits a 32-bit bin.
bool BinsFit(const Ipp64u (&below)[257], const Ipp32s* levels, int n) {
  for (int k = 0; k + 1 < n; ++k) {
    const Ipp32s lo = std::clamp<Ipp32s>(levels[k], 0, 256);
    const Ipp32s hi = std::clamp<Ipp32s>(levels[k + 1], 0, 256);
    if (hi > lo && below[hi] - below[lo] > static_cast<Ipp64u>(std::numeric_limits<Ipp32s>::max()))
      return false;
  }
  return true;
}

// Counts the region and writes the bins of its channels. A region of more pixels than a bin
// holds is counted in 64 bits, and a bin beyond the 32-bit range is a size the histogram cannot
// give: -6, no bin written. The arguments have been checked.
template <TLayout L>
IppStatus CountAndBin(const Ipp8u* pSrc, int srcStep, IppiSize size, Ipp32s* const* pHist,
                      const Ipp32s* const* pLevels, const int* nLevels) {
  if (histogram::NeedsWideCounts(size)) {
    Ipp64u counts[4 * 256];
    histogram::CountChannelsWide(pSrc, srcStep, size, L.pixelBytes, L.channels, counts);
    Ipp64u below[4][257];
    for (int c = 0; c < L.channels; ++c) {
      RunningTotals(counts + 256 * c, below[c]);
      if (!BinsFit(below[c], pLevels[c], nLevels[c])) return ippStsSizeErr;
    }
    for (int c = 0; c < L.channels; ++c) Bins(below[c], pLevels[c], nLevels[c], pHist[c]);
    return ippStsNoErr;
  }
  Ipp32u counts[4 * 256];
  histogram::CountChannels(pSrc, srcStep, size, L.pixelBytes, L.channels, counts);
  for (int c = 0; c < L.channels; ++c) {
    Ipp32u below[257];
    RunningTotals(counts + 256 * c, below);
    Bins(below, pLevels[c], nLevels[c], pHist[c]);
  }
  return ippStsNoErr;
}

IppStatus CheckOne(const Ipp8u* pSrc, int srcStep, IppiSize size, const Ipp32s* pHist,
                   const Ipp32s* pLevels, int nLevels) {
  if (!pSrc || !pHist || !pLevels) return ippStsNullPtrErr;
  if (rows::BadSize(size)) return ippStsSizeErr;
  if (srcStep < 1) return ippStsStepErr;
  if (nLevels < 2) return ippStsHistoNofLevelsErr;
  return ippStsNoErr;
}

// The checks of the multi-channel forms: the arrays (boundsGiven: the even forms' arrays of
// lower and upper levels are not null), then each channel's own arguments in channel order,
// then size and step.
template <TLayout L>
IppStatus CheckChannels(const Ipp8u* pSrc, int srcStep, IppiSize size, Ipp32s* const* pHist,
                        const Ipp32s* const* pLevels, const int* nLevels, bool boundsGiven) {
  if (!pSrc || !pHist || !pLevels || !nLevels || !boundsGiven) return ippStsNullPtrErr;
  for (int c = 0; c < L.channels; ++c) {
    if (!pHist[c] || !pLevels[c]) return ippStsNullPtrErr;
    if (nLevels[c] < 2) return ippStsHistoNofLevelsErr;
  }
  if (rows::BadSize(size)) return ippStsSizeErr;
  if (srcStep < 1) return ippStsStepErr;
  return ippStsNoErr;
}

template <TLayout L>
IppStatus RangeChannels(const Ipp8u* pSrc, int srcStep, IppiSize size, Ipp32s* const* pHist,
                        const Ipp32s* const* pLevels, const int* nLevels) {
  if (IppStatus s = CheckChannels<L>(pSrc, srcStep, size, pHist, pLevels, nLevels, true); s != ippStsNoErr)
    return s;
  return CountAndBin<L>(pSrc, srcStep, size, pHist, pLevels, nLevels);
}

template <TLayout L>
IppStatus EvenChannels(const Ipp8u* pSrc, int srcStep, IppiSize size, Ipp32s* const* pHist,
                       Ipp32s* const* pLevels, const int* nLevels, const Ipp32s* lowerLevel,
                       const Ipp32s* upperLevel) {
  if (IppStatus s = CheckChannels<L>(pSrc, srcStep, size, pHist, pLevels, nLevels,
                                     lowerLevel != nullptr && upperLevel != nullptr);
      s != ippStsNoErr)
    return s;
  for (int c = 0; c < L.channels; ++c) EvenLevels(pLevels[c], nLevels[c], lowerLevel[c], upperLevel[c]);
  return RangeChannels<L>(pSrc, srcStep, size, pHist, pLevels, nLevels);
}

}  // namespace

IppStatus ippiHistogramRange_8u_C1R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, Ipp32s* pHist,
                                    const Ipp32s* pLevels, int nLevels) {
  if (IppStatus s = CheckOne(pSrc, srcStep, roiSize, pHist, pLevels, nLevels); s != ippStsNoErr) return s;
  return CountAndBin<kC1>(pSrc, srcStep, roiSize, &pHist, &pLevels, &nLevels);
}

IppStatus ippiHistogramEven_8u_C1R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, Ipp32s* pHist,
                                   Ipp32s* pLevels, int nLevels, Ipp32s lowerLevel, Ipp32s upperLevel) {
  if (IppStatus s = CheckOne(pSrc, srcStep, roiSize, pHist, pLevels, nLevels); s != ippStsNoErr) return s;
  EvenLevels(pLevels, nLevels, lowerLevel, upperLevel);
  return ippiHistogramRange_8u_C1R(pSrc, srcStep, roiSize, pHist, pLevels, nLevels);
}

// The forms of several channels: layout, its description, channels counted. Each layout has a
// form over given levels and one over even levels.
#define PF_HISTOGRAM_FORMS(X) \
  X(C3, kC3, 3)               \
  X(C4, kC4, 4)               \
  X(AC4, kAC4, 3)
#define PF_HISTOGRAM_DEFINE(name, layout, n)                                                       \
  IppStatus ippiHistogramRange_8u_##name##R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize,      \
                                            Ipp32s* const pHist[n],                                \
                                            const Ipp32s* const pLevels[n],                        \
                                            const int nLevels[n]) {                                \
    return RangeChannels<layout>(pSrc, srcStep, roiSize, pHist, pLevels, nLevels);                 \
  }                                                                                                \
  IppStatus ippiHistogramEven_8u_##name##R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize,       \
                                           Ipp32s* pHist[n], Ipp32s* pLevels[n], int nLevels[n],   \
                                           Ipp32s lowerLevel[n], Ipp32s upperLevel[n]) {           \
    return EvenChannels<layout>(pSrc, srcStep, roiSize, pHist, pLevels, nLevels, lowerLevel,       \
                                upperLevel);                                                       \
  }
PF_HISTOGRAM_FORMS(PF_HISTOGRAM_DEFINE)
#undef PF_HISTOGRAM_DEFINE
#undef PF_HISTOGRAM_FORMS

IppStatus ippiSum_32f_C1R(const Ipp32f* pSrc, int srcStep, IppiSize roiSize, Ipp64f* pSum,
                          IppHintAlgorithm /*hint*/) {
  if (!pSrc || !pSum) return ippStsNullPtrErr;
  if (rows::BadSize(roiSize)) return ippStsSizeErr;
  if (srcStep < 1) return ippStsStepErr;
  // Two chains of additions: positions 0, 2, 4, ... of each row and positions 1, 3, 5, ...
  long double even = 0.0L, odd = 0.0L;
  for (int32_t y = 0; y < roiSize.height; ++y) {
    const uint8_t* row = rows::Row(pSrc, srcStep, y);
    ptrdiff_t x = 0;
    for (; x + 2 <= roiSize.width; x += 2) {
      even += rows::Load<float>(row, x);
      odd += rows::Load<float>(row, x + 1);
    }
    if (x < roiSize.width) even += rows::Load<float>(row, x);
  }
  rows::Store<double>(rows::Bytes(pSum), 0, static_cast<double>(even + odd));
  return ippStsNoErr;
}

}  // namespace builtin
