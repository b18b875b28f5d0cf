#include "primitives/filters/SobelBorder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "primitives/filters/SobelBorderKernels.h"
#include "primitives/support/RowAccess.h"

namespace builtin {
namespace sepborder {

int64_t BorderCoordinate(int64_t p, int64_t size, int border) {
  if (size == 1) return 0;
  switch (border) {
    case 1:
      return p < 0 ? 0 : p >= size ? size - 1 : p;
    case 2:
      return ((p % size) + size) % size;
    case 3:
      while (p < 0 || p >= size) p = p < 0 ? -p : 2 * (size - 1) - p;
      return p;
    default:
      while (p < 0 || p >= size) p = p < 0 ? -p - 1 : 2 * size - 1 - p;
      return p;
  }
}

namespace {

using rows::Load;
using rows::Store;

// ---- Row passes ---------------------------------------------------------------------------

// A row kernel with one output: taps K from the leftmost. Run computes the outputs x0 ..
// x0 + len - 1 of a row whose window for x0 starts at w (the pixel at x0 - half).
template <int... K>
struct OneRow {
  static constexpr int kTaps = sizeof...(K);
  static constexpr int16_t kKernel[] = {K...};
  static void Run(const uint8_t* __restrict w, uint8_t* __restrict out, ptrdiff_t, ptrdiff_t x0,
                  ptrdiff_t len) {
    static constexpr int k[] = {K...};
    for (ptrdiff_t i = 0; i < len; ++i) {
      int v = 0;
      for (int j = 0; j < kTaps; ++j) v += k[j] * w[i + j];
      Store<int16_t>(out, x0 + i, static_cast<int16_t>(v));
    }
  }
};

// Row pass 10: A = 1 0 1 into the first half of a double row, B = 0 8 0 into the second.
struct TwoRows {
  static constexpr int kTaps = 3;
  static constexpr int16_t kKernel[] = {0, 0, 0};  // no vector blocks
  static void Run(const uint8_t* __restrict w, uint8_t* __restrict out, ptrdiff_t halfBytes,
                  ptrdiff_t x0, ptrdiff_t len) {
    uint8_t* __restrict b = out + halfBytes;
    for (ptrdiff_t i = 0; i < len; ++i) {
      Store<int16_t>(out, x0 + i, static_cast<int16_t>(w[i] + w[i + 2]));
      Store<int16_t>(b, x0 + i, static_cast<int16_t>(8 * w[i + 1]));
    }
  }
};

inline uint8_t Pixel(const uint8_t* s, int64_t p, int64_t width, int border, uint8_t value) {
  if (p >= 0 && p < width) return s[p];
  if (border == 0) return value;
  return s[BorderCoordinate(p, width, border)];
}

// Offset of the right-hand edge copies in the scratch (the left ones start at 0; each needs at
// most 4 * half bytes).
constexpr ptrdiff_t kRightScratch = 32;

template <class Kernel>
void RowPassOf(const uint8_t* src, int32_t srcStep, const uint32_t* list, Rows rows,
               uint8_t* scratch, int32_t width, int32_t count, int border, uint8_t value) {
  constexpr int h = Kernel::kTaps / 2;
  const ptrdiff_t w = width;
  const ptrdiff_t halfBytes = rows.rowBytes / 2;
  // Outputs 0 .. e - 1 and innerEnd .. w - 1 reach beyond the row: they are computed from
  // copies of their windows, the pixels beyond the ends given by the border rule.
  const ptrdiff_t e = std::min<ptrdiff_t>(h, w);
  const ptrdiff_t innerEnd = std::max<ptrdiff_t>(e, w - h);
  const RowBlocksFn blocks = std::is_same_v<Kernel, TwoRows> ? nullptr : VectorRowBlocks();
  for (int32_t r = 0; r < count; ++r) {
    const uint8_t* s = src + static_cast<ptrdiff_t>(srcStep) * r;
    uint8_t* out = rows(list[r]);
    for (ptrdiff_t p = -h; p < e + h; ++p) scratch[p + h] = Pixel(s, p, w, border, value);
    Kernel::Run(scratch, out, halfBytes, 0, e);
    if (innerEnd > e) {
      // The inner outputs: vector blocks first (single-output passes), then the plain pass.
      ptrdiff_t done = 0;
      if (blocks)
        done = static_cast<ptrdiff_t>(
            blocks(s + e - h, out + 2 * e, innerEnd - e, Kernel::kKernel, Kernel::kTaps));
      Kernel::Run(s + e - h + done, out, halfBytes, e + done, innerEnd - e - done);
    }
    if (innerEnd < w) {
      uint8_t* right = scratch + kRightScratch;
      for (ptrdiff_t p = innerEnd - h; p < w + h; ++p)
        right[p - (innerEnd - h)] = Pixel(s, p, w, border, value);
      Kernel::Run(right, out, halfBytes, innerEnd, w - innerEnd);
    }
  }
}

// ---- Column passes ------------------------------------------------------------------------

// A column kernel, taps K from the topmost row; Accumulate adds the destination's values.
template <bool Accumulate, int... K>
void ColPassOf(const uint32_t* list, Rows rows, uint8_t* dst, ptrdiff_t dstStep, int32_t width,
               int32_t count) {
  static constexpr int n = sizeof...(K);
  static constexpr int k[] = {K...};
  static constexpr int16_t k16[] = {K...};
  const ColBlocksFn blocks = VectorColBlocks();
  for (int32_t o = 0; o < count; ++o) {
    const uint8_t* r[n];
    for (int i = 0; i < n; ++i) r[i] = rows(list[o + i]);
    uint8_t* __restrict d = dst + 2 * dstStep * o;
    const ptrdiff_t done =
        static_cast<ptrdiff_t>(blocks(r, k16, n, Accumulate, d, static_cast<size_t>(width)));
    for (ptrdiff_t x = done; x < width; ++x) {
      int v = Accumulate ? Load<int16_t>(d, x) : 0;
      for (int i = 0; i < n; ++i) v += k[i] * Load<int16_t>(r[i], x);
      Store<int16_t>(d, x, static_cast<int16_t>(v));
    }
  }
}

// Column pass 7 on rows of row pass 10: 2 A(y - 1) + 2 A(y + 1) - B(y).
void ColPassTwoRows(const uint32_t* list, Rows rows, uint8_t* dst, ptrdiff_t dstStep, int32_t width,
                    int32_t count) {
  const ptrdiff_t halfBytes = rows.rowBytes / 2;
  for (int32_t o = 0; o < count; ++o) {
    const uint8_t* a0 = rows(list[o]);
    const uint8_t* b1 = rows(list[o + 1]) + halfBytes;
    const uint8_t* a2 = rows(list[o + 2]);
    uint8_t* __restrict d = dst + 2 * dstStep * o;
    for (ptrdiff_t x = 0; x < width; ++x)
      Store<int16_t>(d, x,
                     static_cast<int16_t>(2 * Load<int16_t>(a0, x) + 2 * Load<int16_t>(a2, x) -
                                          Load<int16_t>(b1, x)));
  }
}

}  // namespace

// The passes are generated from their kernel lists, one straight pass each.
const RowPass fbBorderRowPass[11] = {
    &RowPassOf<OneRow<-1, 0, 1>>, &RowPassOf<OneRow<3, 10, 3>>,
    &RowPassOf<OneRow<1, 0, -1>>, &RowPassOf<OneRow<1, 2, 0, -2, -1>>,
    &RowPassOf<OneRow<1, -2, 1>>, &RowPassOf<OneRow<1, 0, -2, 0, 1>>,
    &RowPassOf<OneRow<1, 2, 1>>,  &RowPassOf<OneRow<1, 4, 6, 4, 1>>,
    &RowPassOf<OneRow<1, 1, 1>>,  &RowPassOf<OneRow<1, 1, 1, 1, 1>>,
    &RowPassOf<TwoRows>,
};
const int kRowPassTaps[11] = {3, 3, 3, 5, 3, 5, 3, 5, 3, 5, 3};

const ColPass fbBorderColPass[13] = {
    &ColPassOf<false, 3, 10, 3>,
    &ColPassOf<false, -1, 0, 1>,
    &ColPassOf<false, 1, 2, 1>,
    &ColPassOf<false, 1, 4, 6, 4, 1>,
    &ColPassOf<false, -1, -2, 0, 2, 1>,
    &ColPassOf<false, 1, -2, 1>,
    &ColPassOf<false, 1, 0, -2, 0, 1>,
    &ColPassTwoRows,
    &ColPassOf<true, 1, 4, 6, 4, 1>,
    &ColPassOf<false, -1, -2, -1>,
    &ColPassOf<false, -1, -4, -6, -4, -1>,
    &ColPassOf<false, -1, -2, -1>,
    &ColPassOf<false, -1, -4, -6, -4, -1>,
};
const int kColPassTaps[13] = {3, 3, 3, 5, 5, 3, 5, 3, 5, 3, 5, 3, 5};

namespace {

uint8_t* AlignUp32(uint8_t* p) {
  const uintptr_t a = reinterpret_cast<uintptr_t>(p);
  return p + ((32 - a % 32) % 32);
}

IppStatus AreaSize(int32_t width, int32_t height, int length, int* size) {
  if (size == nullptr) return ippStsNullPtrErr;
  if (width < 1 || height < 1 || length < 1) return ippStsSizeErr;
  const int64_t bytes = 4 * int64_t{length} + 64;
  if (bytes > INT32_MAX) return ippStsSizeErr;
  *size = static_cast<int>(bytes);
  return ippStsNoErr;
}

}  // namespace

IppStatus fbBorderRowAreaSize(int32_t width, int32_t height, int length, int* size) {
  return AreaSize(width, height, length, size);
}
IppStatus fbBorderColAreaSize(int32_t width, int32_t height, int length, int* size) {
  return AreaSize(width, height, length, size);
}

IppStatus fbSepBorderFilter8u16s(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                                 int32_t width, int32_t height, const Ipp16s* rowKernel,
                                 int rowLength, const Ipp16s* /*colKernel*/, int colLength,
                                 int border, Ipp8u value, Ipp8u* pBuffer, int rowPass,
                                 int colPass) {
  const int n = colLength;
  const int h = n / 2;
  const uint32_t ringSize = static_cast<uint32_t>(n) + 15;
  const ptrdiff_t w8 = (static_cast<ptrdiff_t>(width) + 7) / 8 * 8;
  const ptrdiff_t values = rowPass == 10 ? 2 * w8 : w8;
  const ptrdiff_t area = 4 * static_cast<ptrdiff_t>(n) + 64;

  // The buffer: the edge scratch, an unused area, the row list, then the rows.
  uint8_t* scratch = pBuffer;
  uint32_t* list = reinterpret_cast<uint32_t*>(AlignUp32(pBuffer + 2 * area));
  const Rows rows{AlignUp32(reinterpret_cast<uint8_t*>(list + 3 * n + 30)), 2 * values};
  const RowPass rowFilter = fbBorderRowPass[rowPass];
  const ColPass colFilter = fbBorderColPass[colPass];
  const uint32_t ring0 = static_cast<uint32_t>(n);  // row number of ring row 0
  for (uint32_t e = 0; e < 2 * ringSize; ++e) list[n + e] = ring0 + e % ringSize;

  // The rows above and below the image.
  uint32_t above[2] = {0, 0}, below[2] = {0, 0};
  if (border == 0) {
    int64_t sum = 0;
    for (int j = 0; j < rowLength; ++j) sum += rowKernel[j];
    const int64_t v = std::clamp<int64_t>(sum * value, INT16_MIN, INT16_MAX);
    for (ptrdiff_t x = 0; x < values; ++x) Store<int16_t>(rows(0), x, static_cast<int16_t>(v));
  } else if (border == 1) {
    for (int t = 0; t < h; ++t) {
      above[t] = ring0;
      below[t] = ring0 + static_cast<uint32_t>(height - 1) % ringSize;
    }
  } else {
    for (int t = 0; t < h; ++t) {
      above[t] = static_cast<uint32_t>(t);
      below[t] = static_cast<uint32_t>(h + 1 + t);
      const int64_t up = BorderCoordinate(t - h, height, border);
      const int64_t down = BorderCoordinate(int64_t{height} + t, height, border);
      rowFilter(pSrc + srcStep * up, srcStep, &above[t], rows, scratch, width, 1, border, value);
      rowFilter(pSrc + srcStep * down, srcStep, &below[t], rows, scratch, width, 1, border, value);
    }
  }
  for (int t = 0; t < h; ++t) list[n - h + t] = above[t];

  // Strips of 16 output rows through the ring.
  const uint32_t wrapAt = 2 * static_cast<uint32_t>(n) + 15;
  uint32_t rowCursor = static_cast<uint32_t>(n), colCursor = static_cast<uint32_t>(n - h);
  int32_t filtered = 0, done = 0;
  uint8_t* dst = reinterpret_cast<uint8_t*>(pDst);
  const ptrdiff_t dstElems = dstStep / 2;
  int32_t want = static_cast<int32_t>(ringSize) - h;
  while (filtered < height) {
    const int32_t got = std::min(want, height - filtered);
    rowFilter(pSrc + static_cast<ptrdiff_t>(srcStep) * filtered, srcStep, list + rowCursor, rows,
              scratch, width, got, border, value);
    filtered += got;
    rowCursor += static_cast<uint32_t>(got);
    if (rowCursor >= wrapAt) rowCursor -= ringSize;
    const int32_t outs = std::max(0, 16 - (want - got));
    colFilter(list + colCursor, rows, dst + 2 * dstElems * done, dstElems, width, outs);
    done += outs;
    colCursor += static_cast<uint32_t>(outs);
    if (colCursor >= wrapAt) colCursor -= ringSize;
    want = 16;
  }

  // The rows below the image follow the last image row's entry, in both copies of the ring's
  // entries, since the column cursor may stand in the other copy.
  for (int t = 0; t < h; ++t) {
    const uint32_t e = rowCursor + static_cast<uint32_t>(t);
    const uint32_t first = static_cast<uint32_t>(n) + (e - static_cast<uint32_t>(n)) % ringSize;
    list[first] = below[t];
    if (first + ringSize < static_cast<uint32_t>(3 * n + 30)) list[first + ringSize] = below[t];
  }
  colFilter(list + colCursor, rows, dst + 2 * dstElems * done, dstElems, width, height - done);
  return ippStsNoErr;
}

}  // namespace sepborder

namespace {

IppStatus BufferSize(IppiSize roi, IppiMaskSize mask, int* pBufferSize) {
  if (pBufferSize == nullptr) return ippStsNullPtrErr;
  if (roi.width < 1 || roi.height < 1) return ippStsSizeErr;
  if (mask != ippMskSize3x3 && mask != ippMskSize5x5) return ippStsMaskSizeErr;
  const int64_t n = mask == ippMskSize3x3 ? 3 : 5;
  const int64_t w16 = (int64_t{roi.width} + 15) / 16 * 16;
  const int64_t size = 2 * w16 * (2 * n + 15) + 4 * (3 * n + 30) + 64 + 2 * (4 * n + 64);
  if (size > INT32_MAX) return ippStsSizeErr;
  *pBufferSize = static_cast<int>(size);
  return ippStsNoErr;
}

IppStatus SobelBorder(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roi,
                      IppiMaskSize mask, IppiBorderType border, Ipp8u value, Ipp8u* pBuffer,
                      bool horizontal) {
  if (pSrc == nullptr || pDst == nullptr || pBuffer == nullptr) return ippStsNullPtrErr;
  if (roi.width < 1 || roi.height < 1) return ippStsSizeErr;
  if (srcStep < roi.width || dstStep < 2 * int64_t{roi.width}) return ippStsStepErr;
  if (dstStep % 2 != 0) return ippStsNotEvenStepErr;
  if (border < ippBorderConst || border > ippBorderMirrorR) return ippStsBadArgErr;
  if (mask != ippMskSize3x3 && mask != ippMskSize5x5) return ippStsMaskSizeErr;
  static constexpr Ipp16s kSmooth3[] = {1, 2, 1}, kSmooth5[] = {1, 4, 6, 4, 1};
  static constexpr Ipp16s kHorizCol3[] = {-1, 0, 1}, kHorizCol5[] = {-1, -2, 0, 2, 1};
  static constexpr Ipp16s kVertRow3[] = {1, 0, -1}, kVertRow5[] = {1, 2, 0, -2, -1};
  const bool small = mask == ippMskSize3x3;
  const int n = small ? 3 : 5;
  const Ipp16s* rowKernel =
      horizontal ? (small ? kSmooth3 : kSmooth5) : (small ? kVertRow3 : kVertRow5);
  const Ipp16s* colKernel =
      horizontal ? (small ? kHorizCol3 : kHorizCol5) : (small ? kSmooth3 : kSmooth5);
  const int rowPass = horizontal ? (small ? 6 : 7) : (small ? 2 : 3);
  const int colPass = horizontal ? (small ? 1 : 4) : (small ? 2 : 3);
  return sepborder::fbSepBorderFilter8u16s(pSrc, srcStep, pDst, dstStep, roi.width, roi.height,
                                           rowKernel, n, colKernel, n, border, value, pBuffer,
                                           rowPass, colPass);
}

}  // namespace

// (direction, horizontal edges)
#define PF_SOBEL_BORDER_FORMS(X) X(Horiz, true) X(Vert, false)
#define PF_SOBEL_BORDER_DEFINE(direction, horizontal)                                        \
  IppStatus ippiFilterSobel##direction##Border_8u16s_C1R(                                    \
      const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roiSize,           \
      IppiMaskSize mask, IppiBorderType borderType, Ipp8u borderValue, Ipp8u* pBuffer) {     \
    return SobelBorder(pSrc, srcStep, pDst, dstStep, roiSize, mask, borderType, borderValue, \
                       pBuffer, horizontal);                                                 \
  }                                                                                          \
  IppStatus ippiFilterSobel##direction##GetBufferSize_8u16s_C1R(                             \
      IppiSize roiSize, IppiMaskSize mask, int* pBufferSize) {                               \
    return BufferSize(roiSize, mask, pBufferSize);                                           \
  }
PF_SOBEL_BORDER_FORMS(PF_SOBEL_BORDER_DEFINE)
#undef PF_SOBEL_BORDER_DEFINE
#undef PF_SOBEL_BORDER_FORMS

}  // namespace builtin
