#include "primitives/filters/Morphology.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "primitives/filters/MorphologyKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {

IppStatus fbMaskMax8u(const Ipp8u* p, int step, int width, int height, Ipp8u* result) {
  if (p == nullptr || result == nullptr) return ippStsNullPtrErr;
  if (width < 1 || height < 1) return ippStsSizeErr;
  if (step < 1) return ippStsStepErr;
  uint8_t largest = 0;
  for (int y = 0; y < height && largest != 255; ++y) {
    const uint8_t* row = p + ptrdiff_t{step} * y;
    for (int x = 0; x < width; ++x) largest = std::max(largest, row[x]);
  }
  *result = largest;
  return ippStsNoErr;
}

namespace morphology {
namespace {

// Bytes of one stretch of a row worked at a time, so that the accumulator and the rows it reads
// stay in the first-level cache.
constexpr int64_t kStretch = 2048;

template <bool kMax>
inline uint8_t Extreme(uint8_t a, uint8_t b) {
  return kMax ? std::max(a, b) : std::min(a, b);
}

// acc[i] = the extreme of up to four rows p[0..count-1] at i (and of acc[i] itself unless
// first), for i < n. Four rows at a time keep the accumulator's loads and stores few.
template <bool kMax>
void Gather(uint8_t* __restrict acc, const uint8_t* const* p, int count, bool first, int64_t n) {
  const uint8_t* __restrict a = p[0];
  const uint8_t* __restrict b = p[count > 1 ? 1 : 0];
  const uint8_t* __restrict c = p[count > 2 ? 2 : 0];
  const uint8_t* __restrict d = p[count > 3 ? 3 : 0];
  if (first) {
    switch (count) {
      case 1:
        for (int64_t i = 0; i < n; ++i) acc[i] = a[i];
        break;
      case 2:
        for (int64_t i = 0; i < n; ++i) acc[i] = Extreme<kMax>(a[i], b[i]);
        break;
      case 3:
        for (int64_t i = 0; i < n; ++i) acc[i] = Extreme<kMax>(Extreme<kMax>(a[i], b[i]), c[i]);
        break;
      default:
        for (int64_t i = 0; i < n; ++i)
          acc[i] = Extreme<kMax>(Extreme<kMax>(a[i], b[i]), Extreme<kMax>(c[i], d[i]));
    }
    return;
  }
  switch (count) {
    case 1:
      for (int64_t i = 0; i < n; ++i) acc[i] = Extreme<kMax>(acc[i], a[i]);
      break;
    case 2:
      for (int64_t i = 0; i < n; ++i) acc[i] = Extreme<kMax>(acc[i], Extreme<kMax>(a[i], b[i]));
      break;
    case 3:
      for (int64_t i = 0; i < n; ++i)
        acc[i] = Extreme<kMax>(Extreme<kMax>(acc[i], a[i]), Extreme<kMax>(b[i], c[i]));
      break;
    default:
      for (int64_t i = 0; i < n; ++i)
        acc[i] = Extreme<kMax>(Extreme<kMax>(acc[i], a[i]),
                               Extreme<kMax>(Extreme<kMax>(b[i], c[i]), d[i]));
  }
}

// The bounding box of the nonzero cells; full is true when every cell of the box is nonzero.
struct Box {
  int top = -1, bottom = -1, left = -1, right = -1;
  bool full = false;
};
Box BoxOf(const uint8_t* mask, IppiSize ms) {
  Box b;
  int64_t count = 0;
  for (int i = 0; i < ms.height; ++i)
    for (int j = 0; j < ms.width; ++j)
      if (mask[int64_t{i} * ms.width + j] != 0) {
        if (b.top < 0) b.top = i;
        b.bottom = i;
        b.left = b.left < 0 ? j : std::min(b.left, j);
        b.right = std::max(b.right, j);
        ++count;
      }
  b.full = count > 0 && count == int64_t{b.bottom - b.top + 1} * (b.right - b.left + 1);
  return b;
}

}  // namespace

template <bool kMax>
void CellsPlain(const uint8_t* const* cells, int64_t count, bool first, uint8_t* out, int64_t from,
                int64_t n) {
  if (from >= n) return;
  for (int64_t k = 0; k < count; k += 4) {
    const uint8_t* group[4];
    const int size = static_cast<int>(std::min<int64_t>(4, count - k));
    for (int g = 0; g < size; ++g) group[g] = cells[k + g] + from;
    Gather<kMax>(out + from, group, size, first && k == 0, n - from);
  }
}
template void CellsPlain<false>(const uint8_t* const*, int64_t, bool, uint8_t*, int64_t, int64_t);
template void CellsPlain<true>(const uint8_t* const*, int64_t, bool, uint8_t*, int64_t, int64_t);

template <bool kDilate, int kPixel, int kWritten>
void MorphRow(const uint8_t* origin, int srcStep, uint8_t* dst, int width, const uint8_t* mask,
              IppiSize maskSize, CellsBlocksFn blocks) {
  constexpr bool kMax = kDilate;
  constexpr int kChunk = 64;  // cell pointers handed to the kernel at a time
  const int64_t rowBytes = int64_t{width} * kPixel;
  const Box box = BoxOf(mask, maskSize);
  const auto cell = [&](int64_t i, int64_t j) { return origin + i * srcStep + j * kPixel; };
  // A stretch of kStretch bytes at most, in whole pixels; AC4 gathers all four bytes of a pixel
  // on the stack and writes only the first three.
  constexpr int64_t kStep = kStretch / kPixel * kPixel;
  alignas(32) uint8_t local[kStretch];
  const uint8_t* chunk[kChunk];
  if (box.full && box.bottom > box.top && box.right > box.left &&
      (box.right - box.left) * kPixel <= kStretch) {
    // A solid rectangle: the extreme down each column first, then along the row, so an output
    // byte costs (height + width) loads instead of height x width; the extremes are the same.
    alignas(32) uint8_t column[2 * kStretch];
    const int64_t bw = box.right - box.left + 1, bh = box.bottom - box.top + 1;
    const int64_t span = (bw - 1) * kPixel;
    for (int64_t x = 0; x < rowBytes; x += kStep) {
      const int64_t n = std::min(kStep, rowBytes - x);
      for (int64_t r0 = 0; r0 < bh; r0 += kChunk) {
        const int64_t cnt = std::min<int64_t>(kChunk, bh - r0);
        for (int64_t r = 0; r < cnt; ++r) chunk[r] = cell(box.top + r0 + r, box.left) + x;
        CellsRow<kMax>(chunk, cnt, r0 == 0, column, n + span, blocks);
      }
      uint8_t* out = kPixel == kWritten ? dst + x : local;
      for (int64_t c0 = 0; c0 < bw; c0 += kChunk) {
        const int64_t cnt = std::min<int64_t>(kChunk, bw - c0);
        for (int64_t c = 0; c < cnt; ++c) chunk[c] = column + (c0 + c) * kPixel;
        CellsRow<kMax>(chunk, cnt, c0 == 0, out, n, blocks);
      }
      if constexpr (kPixel != kWritten) fbCopyColourBytes4(local, dst + x, n / kPixel);
    }
    return;
  }
  // Any other element: the extreme over its cells, all of them (up to kChunk) per pass.
  for (int64_t x = 0; x < rowBytes; x += kStep) {
    const int64_t n = std::min(kStep, rowBytes - x);
    uint8_t* out = kPixel == kWritten ? dst + x : local;
    int64_t count = 0;
    bool first = true;
    for (int64_t i = box.top; i <= box.bottom; ++i)
      for (int64_t j = box.left; j <= box.right; ++j) {
        if (mask[i * maskSize.width + j] == 0) continue;
        chunk[count++] = cell(i, j) + x;
        if (count == kChunk) {
          CellsRow<kMax>(chunk, count, first, out, n, blocks);
          first = false;
          count = 0;
        }
      }
    if (count > 0) CellsRow<kMax>(chunk, count, first, out, n, blocks);
    if constexpr (kPixel != kWritten) fbCopyColourBytes4(local, dst + x, n / kPixel);
  }
}

template void MorphRow<false, 1, 1>(const uint8_t*, int, uint8_t*, int, const uint8_t*, IppiSize,
                                    CellsBlocksFn);
template void MorphRow<false, 3, 3>(const uint8_t*, int, uint8_t*, int, const uint8_t*, IppiSize,
                                    CellsBlocksFn);
template void MorphRow<false, 4, 3>(const uint8_t*, int, uint8_t*, int, const uint8_t*, IppiSize,
                                    CellsBlocksFn);
template void MorphRow<true, 1, 1>(const uint8_t*, int, uint8_t*, int, const uint8_t*, IppiSize,
                                   CellsBlocksFn);
template void MorphRow<true, 3, 3>(const uint8_t*, int, uint8_t*, int, const uint8_t*, IppiSize,
                                   CellsBlocksFn);
template void MorphRow<true, 4, 3>(const uint8_t*, int, uint8_t*, int, const uint8_t*, IppiSize,
                                   CellsBlocksFn);

}  // namespace morphology

namespace {

template <bool kDilate, int kPixel, int kWritten>
IppStatus Morph(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                const Ipp8u* pMask, IppiSize ms, IppiPoint anchor) {
  if (pSrc == nullptr || pDst == nullptr || pMask == nullptr) return ippStsNullPtrErr;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  if (roi.width < 1 || roi.height < 1) return ippStsSizeErr;
  if (ms.width < 1 || ms.height < 1) return ippStsMaskSizeErr;
  Ipp8u largest = 0;
  if (const IppStatus s = fbMaskMax8u(pMask, ms.width, ms.width, ms.height, &largest);
      s != ippStsNoErr)
    return s;
  if (largest == 0) return ippStsZeroMaskValuesErr;
  if (anchor.x < 0 || anchor.x >= ms.width || anchor.y < 0 || anchor.y >= ms.height)
    return ippStsAnchorErr;
  if (int64_t{srcStep} < (int64_t{roi.width} + ms.width - 1) * kPixel ||
      int64_t{dstStep} < int64_t{roi.width} * kPixel)
    return ippStsStrideErr;
  const uint8_t* origin = pSrc - ptrdiff_t{anchor.y} * srcStep - ptrdiff_t{anchor.x} * kPixel;
  const morphology::TCellsBlocks vector = morphology::VectorCells();
  const morphology::CellsBlocksFn blocks = kDilate ? vector.Max : vector.Min;
  for (int32_t y = 0; y < roi.height; ++y)
    morphology::MorphRow<kDilate, kPixel, kWritten>(origin + ptrdiff_t{y} * srcStep, srcStep,
                                                    rows::Row(pDst, dstStep, y), roi.width, pMask,
                                                    ms, blocks);
  return ippStsNoErr;
}

}  // namespace

#define PF_MORPHOLOGY_FORMS(X) \
  X(Erode, C1, false, 1, 1)    \
  X(Erode, C3, false, 3, 3)    \
  X(Erode, AC4, false, 4, 3)   \
  X(Dilate, C1, true, 1, 1)    \
  X(Dilate, C3, true, 3, 3)    \
  X(Dilate, AC4, true, 4, 3)
#define PF_MORPHOLOGY_DEFINE(op, layout, isDilate, pixel, written)                                 \
  IppStatus ippi##op##_8u_##layout##R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,    \
                                      IppiSize roiSize, const Ipp8u* pMask, IppiSize maskSize,     \
                                      IppiPoint anchor) {                                          \
    return Morph<isDilate, pixel, written>(pSrc, srcStep, pDst, dstStep, roiSize, pMask, maskSize, \
                                           anchor);                                                \
  }
PF_MORPHOLOGY_FORMS(PF_MORPHOLOGY_DEFINE)
#undef PF_MORPHOLOGY_DEFINE
#undef PF_MORPHOLOGY_FORMS

}  // namespace builtin
