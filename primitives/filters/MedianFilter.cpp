#include "primitives/filters/MedianFilter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "primitives/filters/MedianFilterKernels.h"
#include "primitives/filters/MedianSelect.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {

namespace medianfilter {

namespace {

template <size_t kLines, size_t kCount>
uint8_t RunNetwork(uint8_t (&v)[kLines], const TCompare (&net)[kCount], int line) {
  for (const TCompare& c : net) {
    const uint8_t lo = std::min(v[c.lo], v[c.hi]);
    v[c.hi] = std::max(v[c.lo], v[c.hi]);
    v[c.lo] = lo;
  }
  return v[line];
}

}  // namespace

void MedianTaps3Plain(const uint8_t* src, ptrdiff_t stride, uint8_t* out, int64_t from, int64_t n) {
  for (int64_t i = from; i < n; ++i)
    out[i] = static_cast<uint8_t>(fbMedianOf3(src[i], src[i + stride], src[i + 2 * stride]));
}

void MedianTaps5Plain(const uint8_t* src, ptrdiff_t stride, uint8_t* out, int64_t from, int64_t n) {
  for (int64_t i = from; i < n; ++i) {
    uint8_t v[5];
    for (int k = 0; k < 5; ++k) v[k] = src[i + k * stride];
    out[i] = RunNetwork(v, kMedianOf5Net, kMedianOf5Line);
  }
}

void MedianSquare3Plain(const uint8_t* src, ptrdiff_t step, ptrdiff_t channels, uint8_t* out,
                        int64_t from, int64_t n) {
  for (int64_t i = from; i < n; ++i) {
    int32_t t[9];
    for (int j = 0; j < 3; ++j) {
      for (int r = 0; r < 3; ++r) t[3 * j + r] = src[i + j * channels + r * step];
      fbSort3(t, 3 * j);
    }
    out[i] = static_cast<uint8_t>(fbMedianOf9(t));
  }
}

void MedianSquare5Plain(const uint8_t* src, ptrdiff_t step, ptrdiff_t channels, uint8_t* out,
                        int64_t from, int64_t n) {
  for (int64_t i = from; i < n; ++i) {
    uint8_t v[25];
    for (int j = 0; j < 5; ++j) {
      uint8_t column[5];
      for (int r = 0; r < 5; ++r) column[r] = src[i + j * channels + r * step];
      RunNetwork(column, kSort5Net, 0);
      std::copy(column, column + 5, v + 5 * j);
    }
    out[i] = RunNetwork(v, kMergeSorted5Columns, kMedianOf25Line);
  }
}

}  // namespace medianfilter

namespace {

using medianfilter::TMedianBlocks;

IppStatus CheckMedianFilter(const Ipp8u* pSrc, int srcStep, const Ipp8u* pDst, int dstStep,
                            IppiSize roi, IppiSize mask, IppiPoint anchor) {
  if (const IppStatus s = rows::CheckImages(pSrc, pDst, roi); s != ippStsNoErr) return s;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  if (mask.width < 1 || mask.height < 1 || mask.width % 2 == 0 || mask.height % 2 == 0)
    return ippStsMaskSizeErr;
  if (anchor.x < 0 || anchor.x >= mask.width || anchor.y < 0 || anchor.y >= mask.height)
    return ippStsAnchorErr;
  return ippStsNoErr;
}

// The geometry every engine works on: top is the window's top-left byte for output pixel
// (0, 0); rowBytes the bytes of an output row.
template <int kChannels>
struct TMedianJob {
  const uint8_t* top;
  ptrdiff_t srcStep;
  Ipp8u* dst;
  int dstStep;
  IppiSize roi, mask;
  int64_t rowBytes;

  const uint8_t* SourceRow(int64_t y) const { return top + y * srcStep; }
  uint8_t* DestinationRow(int32_t y) const { return rows::Row(dst, dstStep, y); }
};

// Three or five taps along a row (c bytes apart) or down a column (one row apart).
template <int kChannels>
void NetworkTaps(const TMedianJob<kChannels>& job, int taps, ptrdiff_t stride, const TMedianBlocks& v) {
  const auto blocks = taps == 3 ? v.Taps3 : v.Taps5;
  const auto plain = taps == 3 ? medianfilter::MedianTaps3Plain : medianfilter::MedianTaps5Plain;
  for (int32_t y = 0; y < job.roi.height; ++y) {
    const uint8_t* s = job.SourceRow(y);
    uint8_t* d = job.DestinationRow(y);
    const int64_t done = blocks == nullptr ? 0 : static_cast<int64_t>(blocks(s, stride, d, static_cast<size_t>(job.rowBytes)));
    plain(s, stride, d, done, job.rowBytes);
  }
}

// The 3x3 and 5x5 windows.
template <int kChannels>
void NetworkSquare(const TMedianJob<kChannels>& job, int side, const TMedianBlocks& v) {
  const auto blocks = side == 3 ? v.Square3 : v.Square5;
  const auto plain = side == 3 ? medianfilter::MedianSquare3Plain : medianfilter::MedianSquare5Plain;
  for (int32_t y = 0; y < job.roi.height; ++y) {
    const uint8_t* s = job.SourceRow(y);
    uint8_t* d = job.DestinationRow(y);
    const int64_t done =
        blocks == nullptr ? 0
                          : static_cast<int64_t>(blocks(s, job.srcStep, kChannels, d, static_cast<size_t>(job.rowBytes)));
    plain(s, job.srcStep, kChannels, d, done, job.rowBytes);
  }
}

// One column of seven or more rows: each window column is copied into the block and selected
// in place.
template <int kChannels>
IppStatus PartialSort(const TMedianJob<kChannels>& job) {
  const int64_t h = job.mask.height;
  auto* column = static_cast<int32_t*>(fbAlignedAlloc32(h));
  if (column == nullptr) return ippStsMemAllocErr;
  for (int32_t y = 0; y < job.roi.height; ++y) {
    const uint8_t* s = job.SourceRow(y);
    uint8_t* d = job.DestinationRow(y);
    for (int64_t i = 0; i < job.rowBytes; ++i) {
      const uint8_t* p = s + i;
      for (int64_t r = 0; r < h; ++r, p += job.srcStep) column[r] = *p;
      std::nth_element(column, column + h / 2, column + h);
      d[i] = static_cast<uint8_t>(column[h / 2]);
    }
  }
  fbAlignedFree(column);
  return ippStsNoErr;
}

// Any other mask: a histogram of the window slides along each row, one channel at a time. m is
// the median (the smallest value whose cumulative count reaches the rank) and below the count
// of the window's values up to m; a move right updates both by the bytes that leave and enter
// and walks m only as far as the window changed. The counts of the row's last window are
// cleared at the end of the row, so the histogram is all zero for the next.
template <int kChannels>
void SlidingHistogram(const TMedianJob<kChannels>& job) {
  // 64-bit counts: a window may hold more than 2^31 - 1 bytes of one value.
  int64_t hist[256];
  fbMemset(hist, 0, sizeof(hist));
  const int64_t mw = job.mask.width, mh = job.mask.height;
  const int64_t rank = (mw * mh >> 1) + 1;
  for (int ch = 0; ch < kChannels; ++ch)
    for (int32_t y = 0; y < job.roi.height; ++y) {
      const uint8_t* window = job.SourceRow(y) + ch;
      uint8_t* d = job.DestinationRow(y) + ch;
      for (int64_t r = 0; r < mh; ++r) {
        const uint8_t* p = window + r * job.srcStep;
        for (int64_t i = 0; i < mw; ++i) ++hist[p[i * kChannels]];
      }
      int m = 0;
      int64_t below = hist[0];
      while (below < rank) below += hist[++m];
      for (int32_t x = 0;; ++x) {
        d[int64_t{x} * kChannels] = static_cast<uint8_t>(m);
        if (x + 1 == job.roi.width) break;
        const uint8_t* leaving = window + int64_t{x} * kChannels;
        const uint8_t* entering = leaving + mw * kChannels;
        for (int64_t r = 0; r < mh; ++r) {
          const int out = leaving[r * job.srcStep], in = entering[r * job.srcStep];
          --hist[out];
          ++hist[in];
          below += (in <= m) - (out <= m);
        }
        if (below >= rank) {
          while (below - hist[m] >= rank) below -= hist[m--];
        } else {
          while (below < rank) below += hist[++m];
        }
      }
      const uint8_t* last = window + int64_t{job.roi.width - 1} * kChannels;
      for (int64_t r = 0; r < mh; ++r) {
        const uint8_t* p = last + r * job.srcStep;
        for (int64_t i = 0; i < mw; ++i) hist[p[i * kChannels]] = 0;
      }
    }
}

template <int kChannels>
IppStatus FilterMedian(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                       IppiSize mask, IppiPoint anchor) {
  if (const IppStatus s = CheckMedianFilter(pSrc, srcStep, pDst, dstStep, roi, mask, anchor);
      s != ippStsNoErr)
    return s;
  const int w = mask.width, h = mask.height;
  if (w == 1 && h == 1) {
    if constexpr (kChannels == 1) return fbCopy8uC1(pSrc, srcStep, pDst, dstStep, roi.width, roi.height);
    if constexpr (kChannels == 3) return fbCopy8uC3(pSrc, srcStep, pDst, dstStep, roi.width, roi.height);
    if constexpr (kChannels == 4) return fbCopy8uC4(pSrc, srcStep, pDst, dstStep, roi.width, roi.height);
  }
  const TMedianJob<kChannels> job{pSrc - ptrdiff_t{anchor.y} * srcStep - ptrdiff_t{anchor.x} * kChannels,
                                  srcStep, pDst, dstStep, roi, mask, int64_t{roi.width} * kChannels};
  if (h == 1 && (w == 3 || w == 5)) {
    NetworkTaps(job, w, kChannels, medianfilter::VectorMedian());
  } else if (w == 1 && (h == 3 || h == 5)) {
    NetworkTaps(job, h, srcStep, medianfilter::VectorMedian());
  } else if (w == h && (w == 3 || w == 5)) {
    NetworkSquare(job, w, medianfilter::VectorMedian());
  } else if (w == 1) {
    return PartialSort(job);
  } else {
    SlidingHistogram(job);
  }
  return ippStsNoErr;
}

}  // namespace

#define PF_MEDIAN_FILTER_FORMS(X) \
  X(C1, 1)                        \
  X(C3, 3)                        \
  X(C4, 4)
#define PF_MEDIAN_FILTER_DEFINE(layout, channels)                                               \
  IppStatus ippiFilterMedian_8u_##layout##R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst,        \
                                            int dstStep, IppiSize dstRoiSize, IppiSize maskSize, \
                                            IppiPoint anchor) {                                 \
    return FilterMedian<channels>(pSrc, srcStep, pDst, dstStep, dstRoiSize, maskSize, anchor);  \
  }
PF_MEDIAN_FILTER_FORMS(PF_MEDIAN_FILTER_DEFINE)
#undef PF_MEDIAN_FILTER_DEFINE
#undef PF_MEDIAN_FILTER_FORMS

}  // namespace builtin
