#include "primitives/filters/MinMaxFilters.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "primitives/filters/MinMaxFiltersKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {

namespace extremefilter {

template <bool kMax>
void TapsPlain(const uint8_t* src, ptrdiff_t stride, int64_t taps, uint8_t* out, int64_t from,
               int64_t n) {
  for (int64_t i = from; i < n; ++i) {
    const uint8_t* p = src + i;
    uint8_t v = *p;
    for (int64_t j = 1; j < taps; ++j) {
      p += stride;
      v = kMax ? std::max(v, *p) : std::min(v, *p);
    }
    out[i] = v;
  }
}

template <bool kMax>
void SharedPairPlain(const uint8_t* a, int64_t na, const uint8_t* b, int64_t nb, ptrdiff_t stride,
                     const uint8_t* first, uint8_t* out0, uint8_t* out1, int64_t from, int64_t n) {
  const auto extreme = [](uint8_t u, uint8_t v) { return kMax ? std::max(u, v) : std::min(u, v); };
  for (int64_t i = from; i < n; ++i) {
    uint8_t v = na > 0 ? a[i] : b[i];
    for (int64_t j = 1; j < na; ++j) v = extreme(v, a[i + j * stride]);
    for (int64_t j = na > 0 ? 0 : 1; j < nb; ++j) v = extreme(v, b[i + j * stride]);
    out1[i] = v;
    out0[i] = extreme(v, first[i]);
  }
}

template <bool kMax>
void MergePlain(const uint8_t* src, uint8_t* out, int64_t from, int64_t n) {
  for (int64_t i = from; i < n; ++i) out[i] = kMax ? std::max(out[i], src[i]) : std::min(out[i], src[i]);
}

#define PF_EXTREME_KERNEL_INSTANCES(isMax)                                                               \
  template void TapsPlain<isMax>(const uint8_t*, ptrdiff_t, int64_t, uint8_t*, int64_t, int64_t);        \
  template void SharedPairPlain<isMax>(const uint8_t*, int64_t, const uint8_t*, int64_t, ptrdiff_t,      \
                                       const uint8_t*, uint8_t*, uint8_t*, int64_t, int64_t);            \
  template void MergePlain<isMax>(const uint8_t*, uint8_t*, int64_t, int64_t);
PF_EXTREME_KERNEL_INSTANCES(false)
PF_EXTREME_KERNEL_INSTANCES(true)
#undef PF_EXTREME_KERNEL_INSTANCES

}  // namespace extremefilter

namespace {

using extremefilter::TapsBlocksFn;
using extremefilter::MergeRow;
using extremefilter::SharedPairRow;
using extremefilter::TapsRow;

// The four-channel engine keeps the column extremes of a stretch of its row here when the
// mask is narrow enough, the window ring otherwise (which holds 16 bytes per mask column).
constexpr int64_t kColumnStretchBytes = 16384;
// The bytes of the ring (all its rows) that one strip of the row-ring engine works at a time.
constexpr int64_t kRingStripCacheBytes = 24576;

IppStatus CheckExtremeFilter(const Ipp8u* pSrc, int srcStep, const Ipp8u* pDst, int dstStep,
                             IppiSize roi, IppiSize mask, IppiPoint anchor) {
  if (const IppStatus s = rows::CheckImages(pSrc, pDst, roi); s != ippStsNoErr) return s;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  if (mask.width < 1 || mask.height < 1) return ippStsMaskSizeErr;
  if (anchor.x < 0 || anchor.x >= mask.width || anchor.y < 0 || anchor.y >= mask.height)
    return ippStsAnchorErr;
  return ippStsNoErr;
}

// One and three channels: each source row of the window is reduced along the row once into a
// ring of mask-height rows, and each output row is the extreme over the ring's rows.
template <bool kMax, int kChannels>
IppStatus RowRingEngine(const uint8_t* top, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                        IppiSize mask, const extremefilter::TExtremeBlocks& blocks) {
  const int64_t rowBytes = int64_t{roi.width} * kChannels;
  const int64_t ringStep = (rowBytes + 31) / 32 * 32;
  auto* ring = static_cast<uint8_t*>(fbAlignedAlloc8(ringStep * mask.height));
  if (ring == nullptr) return ippStsMemAllocErr;
  // The window ring of the per-pixel scan; the passes below keep their extremes in registers,
  // but the block is taken all the same, so the call needs and may fail on the same memory.
  void* window = fbAlignedAlloc32(int64_t{kChannels} * mask.width);
  if (window == nullptr) {
    fbAlignedFree(ring);
    return ippStsMemAllocErr;
  }
  // The region is worked in strips of whole columns (any byte range works alike: an output byte
  // reads only bytes c apart to its right), narrow enough that the ring's part of a strip stays
  // in the first-level cache while the strip's rows go by.
  const int64_t strip = std::max<int64_t>(256, kRingStripCacheBytes / mask.height / 64 * 64);
  const int64_t h = mask.height;
  for (int64_t x = 0; x < rowBytes; x += strip) {
    const int64_t n = std::min(strip, rowBytes - x);
    const uint8_t* left = top + x;
    // Source row r (counted from top) is kept in slot r mod h.
    const auto slotRow = [&](int64_t r) { return ring + r % h * ringStep + x; };
    const auto horizontal = [&](int64_t r) {
      TapsRow<kMax>(left + r * srcStep, kChannels, mask.width, slotRow(r), n, blocks.Taps);
    };
    for (int64_t r = 0; r + 1 < h; ++r) horizontal(r);
    int32_t y = 0;
    // Two output rows at a time: their windows share rows y + 1 .. y + h - 1, whose extreme is
    // taken once; row y adds its first row, row y + 1 its last once that is in the ring.
    for (; h > 1 && y + 1 < roi.height; y += 2) {
      horizontal(int64_t{y} + h - 1);
      const int64_t oldest = int64_t{y} % h;  // the slot of row y, split out of the shared rows
      uint8_t* out0 = rows::Row(pDst, dstStep, y) + x;
      uint8_t* out1 = rows::Row(pDst, dstStep, y + 1) + x;
      const uint8_t* after = oldest + 1 < h ? ring + (oldest + 1) * ringStep + x : ring + x;
      SharedPairRow<kMax>(after, h - 1 - oldest, ring + x, oldest, ringStep, slotRow(y), out0, out1, n,
                          blocks.SharedPair);
      horizontal(int64_t{y} + h);  // into the slot of row y
      MergeRow<kMax>(slotRow(int64_t{y} + h), out1, n, blocks.Merge);
    }
    for (; y < roi.height; ++y) {
      horizontal(int64_t{y} + h - 1);
      // Every ring row is in the window, so their order does not matter.
      TapsRow<kMax>(ring + x, ringStep, h, rows::Row(pDst, dstStep, y) + x, n, blocks.Taps);
    }
  }
  fbAlignedFree(window);
  fbAlignedFree(ring);
  return ippStsNoErr;
}

// Four channels: a one-row or one-column mask reads the source directly; otherwise each output
// row takes the column extremes of its window, a stretch at a time, then their extreme along
// the row.
template <bool kMax>
IppStatus ColumnRingEngine(const uint8_t* top, int srcStep, Ipp8u* pDst, int dstStep,
                           IppiSize roi, IppiSize mask, TapsBlocksFn blocks) {
  const int64_t rowBytes = int64_t{roi.width} * 4;
  if (mask.height == 1 || mask.width == 1) {
    const bool alongRow = mask.height == 1;
    const ptrdiff_t stride = alongRow ? 4 : srcStep;
    const int64_t taps = alongRow ? mask.width : mask.height;
    for (int32_t y = 0; y < roi.height; ++y)
      TapsRow<kMax>(top + ptrdiff_t{y} * srcStep, stride, taps, rows::Row(pDst, dstStep, y),
                    rowBytes, blocks);
    return ippStsNoErr;
  }
  auto* ring = static_cast<uint8_t*>(fbAlignedAlloc32(int64_t{4} * mask.width));
  if (ring == nullptr) return ippStsMemAllocErr;
  alignas(32) uint8_t local[kColumnStretchBytes];
  const int64_t spanBytes = int64_t{4} * (mask.width - 1);
  const bool useLocal = spanBytes + 4 * 64 <= kColumnStretchBytes;
  uint8_t* columns = useLocal ? local : ring;
  const int64_t capacity = useLocal ? kColumnStretchBytes : int64_t{16} * mask.width;
  const int64_t stretchBytes = (capacity - spanBytes) / 4 * 4;  // output bytes per stretch
  for (int32_t y = 0; y < roi.height; ++y) {
    const uint8_t* srcRow = top + ptrdiff_t{y} * srcStep;
    uint8_t* dstRow = rows::Row(pDst, dstStep, y);
    for (int64_t x = 0; x < rowBytes; x += stretchBytes) {
      const int64_t n = std::min(stretchBytes, rowBytes - x);
      TapsRow<kMax>(srcRow + x, srcStep, mask.height, columns, n + spanBytes, blocks);
      TapsRow<kMax>(columns, 4, mask.width, dstRow + x, n, blocks);
    }
  }
  fbAlignedFree(ring);
  return ippStsNoErr;
}

template <bool kMax, int kChannels>
IppStatus FilterExtreme(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                        IppiSize mask, IppiPoint anchor) {
  if (const IppStatus s = CheckExtremeFilter(pSrc, srcStep, pDst, dstStep, roi, mask, anchor);
      s != ippStsNoErr)
    return s;
  if (mask.width == 1 && mask.height == 1) {
    if constexpr (kChannels == 1) return fbCopy8uC1(pSrc, srcStep, pDst, dstStep, roi.width, roi.height);
    if constexpr (kChannels == 3) return fbCopy8uC3(pSrc, srcStep, pDst, dstStep, roi.width, roi.height);
    if constexpr (kChannels == 4) return fbCopy8uC4(pSrc, srcStep, pDst, dstStep, roi.width, roi.height);
  }
  const uint8_t* top = pSrc - ptrdiff_t{anchor.y} * srcStep - ptrdiff_t{anchor.x} * kChannels;
  const extremefilter::TTapsBlocks vector = extremefilter::VectorTaps();
  const extremefilter::TExtremeBlocks& blocks = kMax ? vector.Max : vector.Min;
  if constexpr (kChannels == 4) {
    return ColumnRingEngine<kMax>(top, srcStep, pDst, dstStep, roi, mask, blocks.Taps);
  } else {
    return RowRingEngine<kMax, kChannels>(top, srcStep, pDst, dstStep, roi, mask, blocks);
  }
}

}  // namespace

#define PF_EXTREME_FILTER_FORMS(X) \
  X(Min, C1, false, 1)             \
  X(Min, C3, false, 3)             \
  X(Min, C4, false, 4)             \
  X(Max, C1, true, 1)              \
  X(Max, C3, true, 3)              \
  X(Max, C4, true, 4)
#define PF_EXTREME_FILTER_DEFINE(op, layout, isMax, channels)                                  \
  IppStatus ippiFilter##op##_8u_##layout##R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst,        \
                                            int dstStep, IppiSize dstRoiSize, IppiSize maskSize, \
                                            IppiPoint anchor) {                                 \
    return FilterExtreme<isMax, channels>(pSrc, srcStep, pDst, dstStep, dstRoiSize, maskSize,   \
                                          anchor);                                              \
  }
PF_EXTREME_FILTER_FORMS(PF_EXTREME_FILTER_DEFINE)
#undef PF_EXTREME_FILTER_DEFINE
#undef PF_EXTREME_FILTER_FORMS

}  // namespace builtin
