#include "primitives/filters/GeneralFilters.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "primitives/filters/GeneralFiltersKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace general {

KernelDivisor fbKernelDivisor(int32_t divisor) {
  KernelDivisor d;
  const uint32_t u = static_cast<uint32_t>(divisor);
  if (divisor == 1) return d;
  if (divisor > 1 && ((u - 1) & (u | 0x80000000u)) == 0) {
    d.mode = KernelDivisor::kShift;
    for (uint32_t v = u; v > 1; v >>= 1) ++d.shift;
    return d;
  }
  d.mode = KernelDivisor::kScale;
  d.factor = static_cast<float>(1.0L / static_cast<long double>(divisor));
  int ex = 0;
  const double m = std::frexp(static_cast<double>(d.factor), &ex);  // factor = m * 2^ex
  d.multiplier = static_cast<int64_t>(std::ldexp(m, 24));
  d.exponent = 24 - ex;
  while (d.exponent > 1 && d.multiplier % 2 == 0) {
    d.multiplier /= 2;
    --d.exponent;
  }
  return d;
}

FloatSums PlanFloatSums(const float* kernel, int size) {
  int low = 0;
  bool any = false;
  long double total = 0;
  for (int i = 0; i < size; ++i) {
    const float k = kernel[i];
    if (!std::isfinite(k)) return FloatSums::kExtended;
    if (k == 0) continue;
    int ex = 0;
    const double m = std::frexp(static_cast<double>(k), &ex);
    const int64_t mant = static_cast<int64_t>(std::ldexp(std::fabs(m), 53));
    const int bit = ex - 53 + __builtin_ctzll(static_cast<unsigned long long>(mant));
    low = any ? std::min(low, bit) : bit;
    any = true;
    total += std::fabs(static_cast<long double>(k));
  }
  if (!any) return FloatSums::kFloat;
  const int q = std::min(low, -1);
  // An upper bound of 255 * sum |k| + 1: the long double total is within 2^-30 of the exact one.
  const long double bound = 255.0L * total * (1.0L + 0x1p-30L) + 1.0L;
  if (bound < std::ldexp(1.0L, q + 24)) return FloatSums::kFloat;
  if (bound < std::ldexp(1.0L, q + 53)) return FloatSums::kDouble;
  return FloatSums::kExtended;
}

float FloatSumReach(const float* kernel, int size) {
  long double total = 0;
  for (int i = 0; i < size; ++i) total += std::fabs(static_cast<long double>(kernel[i]));
  // 2n roundings of at most 2^-24 of 255 * sum |k| each, with a margin for the bound's own
  // rounding; rounded up to float.
  const long double reach = 2.0L * size * 0x1p-24L * 255.0L * total * 1.01L + 0x1p-100L;
  return std::nextafter(static_cast<float>(reach), std::numeric_limits<float>::infinity());
}

}  // namespace general

namespace {

using general::ByteOfSum;
using general::DivideSum;
using general::FloatSums;
using general::KernelDivisor;

// Rows are worked in chunks of bytes whose sums stay in a small array (on the stack: the
// filters take no work memory), one pass over the chunk per kernel element, so that each pass
// is a plain contiguous loop the compiler vectorises.
constexpr ptrdiff_t kChunk = 512;

// ---- Integer kernel -----------------------------------------------------------------------

// The range of every weighted sum of bytes with the kernel: [-255 * negatives, 255 * positives],
// the magnitudes summed in 64 bits (stopping once they pass 2^32, past any use).
struct SumRange {
  int64_t low = 0, high = 0;
};
SumRange KernelSumRange(const Ipp32s* kernel, int64_t count) {
  int64_t pos = 0, neg = 0;
  for (int64_t i = 0; i < count && pos + neg <= (int64_t{1} << 32); ++i) {
    if (kernel[i] > 0) pos += kernel[i];
    if (kernel[i] < 0) neg -= kernel[i];
  }
  return SumRange{-255 * neg, 255 * pos};
}

// The sums of one chunk of len bytes: src is the source byte under the chunk's first
// destination byte; element (i, j) reads (anchor.x - i) pixels of c bytes to the right and
// (anchor.y - j) rows down. Acc is uint16_t where the whole sum range spans at most 2^16 values
// (the sums wrap modulo 2^16 and are recovered from the range's low end), else uint32_t (the
// sums wrap modulo 2^32 as they are defined).
template <typename Acc>
void IntegerChunkSums(const uint8_t* src, int32_t srcStep, const Ipp32s* kernel, IppiSize ks,
                      IppiPoint anchor, int c, Acc* __restrict acc, ptrdiff_t len) {
  std::fill(acc, acc + len, Acc{0});
  for (int32_t j = 0; j < ks.height; ++j) {
    const uint8_t* row =
        src + static_cast<ptrdiff_t>(srcStep) * (static_cast<int64_t>(anchor.y) - j);
    const Ipp32s* krow = kernel + static_cast<ptrdiff_t>(j) * ks.width;
    for (int32_t i = 0; i < ks.width; ++i) {
      if (krow[i] == 0) continue;
      const uint8_t* __restrict s =
          row + static_cast<ptrdiff_t>(c) * (static_cast<int64_t>(anchor.x) - i);
      const Acc w = static_cast<Acc>(static_cast<uint32_t>(krow[i]));
      for (ptrdiff_t b = 0; b < len; ++b)
        acc[b] = static_cast<Acc>(acc[b] + static_cast<Acc>(w * s[b]));
    }
  }
}

template <typename Acc>
inline int32_t SumOf(Acc a, int32_t low) {
  if constexpr (sizeof(Acc) == 2)
    return low + static_cast<uint16_t>(static_cast<uint16_t>(a) - static_cast<uint16_t>(low));
  else
    return static_cast<int32_t>(a);
}

template <typename Acc>
void IntegerChunkBytes(const Acc* __restrict acc, int32_t low, const KernelDivisor& d,
                       uint8_t* __restrict out, ptrdiff_t len) {
  switch (d.mode) {
    case KernelDivisor::kPlain:
      for (ptrdiff_t b = 0; b < len; ++b) {
        const int32_t s = SumOf(acc[b], low);
        out[b] = static_cast<uint8_t>(s < 0 ? 0 : s > 255 ? 255 : s);
      }
      break;
    case KernelDivisor::kShift: {
      const int shift = d.shift;
      const uint32_t half = uint32_t{1} << (shift - 1);
      for (ptrdiff_t b = 0; b < len; ++b) {
        const int32_t s = SumOf(acc[b], low);
        const uint32_t q = (static_cast<uint32_t>(s) + half) >> shift;
        out[b] = static_cast<uint8_t>(s <= 0 ? 0 : q > 255 ? 255 : q);
      }
      break;
    }
    case KernelDivisor::kScale:
      for (ptrdiff_t b = 0; b < len; ++b) out[b] = DivideSum(d, SumOf(acc[b], low));
      break;
  }
}

// The two-dimensional filter over C bytes per pixel, of which the first Written are stored.
// blocks (null: none) does the first bytes of each chunk in vector lanes.
template <typename Acc, int C, int Written>
void IntegerFilterRows(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                       const Ipp32s* kernel, IppiSize ks, IppiPoint anchor, const KernelDivisor& d,
                       int32_t low, general::IntegerBlocksFn blocks,
                       const general::IntegerPlan& plan) {
  const ptrdiff_t rowBytes = static_cast<ptrdiff_t>(roi.width) * C;
  Acc acc[kChunk];
  uint8_t bytes[kChunk];
  for (int32_t y = 0; y < roi.height; ++y) {
    const uint8_t* src = rows::Row(pSrc, srcStep, y);
    uint8_t* dst = rows::Row(pDst, dstStep, y);
    for (ptrdiff_t start = 0; start < rowBytes; start += kChunk) {
      const ptrdiff_t len = std::min(kChunk, rowBytes - start);
      uint8_t* out = Written == C ? dst + start : bytes;
      const ptrdiff_t done =
          blocks ? static_cast<ptrdiff_t>(blocks(src + start, out, static_cast<size_t>(len), plan))
                 : 0;
      IntegerChunkSums<Acc>(src + start + done, srcStep, kernel, ks, anchor, C, acc, len - done);
      IntegerChunkBytes<Acc>(acc, low, d, out + done, len - done);
      if constexpr (Written != C) fbCopyColourBytes4(bytes, dst + start, len / C);
    }
  }
}

template <int C, int Written>
IppStatus Filter(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                 const Ipp32s* kernel, IppiSize ks, IppiPoint anchor, int divisor) {
  if (pSrc == nullptr || pDst == nullptr || kernel == nullptr) return ippStsNullPtrErr;
  if (roi.width < 1 || roi.height < 1 || ks.width < 1 || ks.height < 1) return ippStsSizeErr;
  if (divisor == 0) return ippStsDivisorErr;
  if (srcStep < (int64_t{roi.width} + ks.width - 1) * C || dstStep < int64_t{roi.width} * C)
    return ippStsStepErr;
  const KernelDivisor d = general::fbKernelDivisor(divisor);
  const SumRange range = KernelSumRange(kernel, int64_t{ks.width} * ks.height);
  const general::IntegerPlan plan{kernel, ks.width, ks.height,      anchor.x, anchor.y,
                                  C,      srcStep,  range.low >= 0, d};
  // The vector blocks take sums that fit 16-bit lanes, signed or unsigned, and shifts up to 16.
  const bool lanes16 = (range.low >= INT16_MIN && range.high <= INT16_MAX) ||
                       (range.low >= 0 && range.high <= 0xFFFF);
  const general::IntegerBlocksFn blocks =
      lanes16 && !(d.mode == KernelDivisor::kShift && d.shift > 16) ? general::VectorIntegerBlocks()
                                                                    : nullptr;
  if (range.high - range.low <= 0xFFFF)
    IntegerFilterRows<uint16_t, C, Written>(pSrc, srcStep, pDst, dstStep, roi, kernel, ks, anchor,
                                            d, static_cast<int32_t>(range.low), blocks, plan);
  else
    IntegerFilterRows<uint32_t, C, Written>(pSrc, srcStep, pDst, dstStep, roi, kernel, ks, anchor,
                                            d, 0, nullptr, plan);
  return ippStsNoErr;
}

// ---- Float kernels ------------------------------------------------------------------------

// One chunk of a float filter: element i reads the byte (anchor - i) taps away, a tap being
// tapStride bytes (the pixel size along a row, the row step down a column). The sums run from
// the last element to the first, leftmost (topmost) pixel first.
template <typename Acc>
void FloatChunk(const uint8_t* src, ptrdiff_t tapStride, const Ipp32f* kernel, int size, int anchor,
                uint8_t* __restrict out, ptrdiff_t len) {
  Acc acc[kChunk];
  std::fill(acc, acc + len, Acc{0});
  for (int i = size - 1; i >= 0; --i) {
    const uint8_t* __restrict s = src + tapStride * (static_cast<int64_t>(anchor) - i);
    const Acc w = static_cast<Acc>(kernel[i]);
    for (ptrdiff_t b = 0; b < len; ++b) acc[b] += w * static_cast<Acc>(s[b]);
  }
  for (ptrdiff_t b = 0; b < len; ++b) out[b] = ByteOfSum(acc[b]);
}

// len bytes of each of height rows, each byte filtered along the taps. Where blocks is given,
// the vector blocks walk each chunk (reach as GeneralFiltersKernels.h says), the plain sums in
// Acc doing the stretches they leave.
template <typename Acc>
void FloatRows(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, int64_t rowBytes,
               int32_t height, ptrdiff_t tapStride, const Ipp32f* kernel, int size, int anchor,
               general::FloatBlocksFn blocks = nullptr, float reach = -1) {
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = rows::Row(pSrc, srcStep, y);
    uint8_t* dst = rows::Row(pDst, dstStep, y);
    for (ptrdiff_t start = 0; start < rowBytes; start += kChunk) {
      const ptrdiff_t len = std::min(kChunk, rowBytes - start);
      const uint8_t* s = src + start;
      uint8_t* d = dst + start;
      if (!blocks) {
        FloatChunk<Acc>(s, tapStride, kernel, size, anchor, d, len);
        continue;
      }
      rows::WalkRowInBlocks(
          len,
          [&](ptrdiff_t i) {
            return static_cast<ptrdiff_t>(blocks(s + i, tapStride, kernel, size, anchor, d + i,
                                                 static_cast<size_t>(len - i), reach));
          },
          [&](ptrdiff_t i, ptrdiff_t end) {
            if (end > i) FloatChunk<Acc>(s + i, tapStride, kernel, size, anchor, d + i, end - i);
          });
    }
  }
}

void FloatFilter(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, int64_t rowBytes,
                 int32_t height, ptrdiff_t tapStride, const Ipp32f* kernel, int size, int anchor) {
  switch (general::PlanFloatSums(kernel, size)) {
    case FloatSums::kFloat:
      FloatRows<float>(pSrc, srcStep, pDst, dstStep, rowBytes, height, tapStride, kernel, size,
                       anchor, general::VectorFloatBlocks(), -1.0f);
      break;
    case FloatSums::kDouble:
      FloatRows<double>(pSrc, srcStep, pDst, dstStep, rowBytes, height, tapStride, kernel, size,
                        anchor, general::VectorFloatBlocks(), general::FloatSumReach(kernel, size));
      break;
    case FloatSums::kExtended:
      FloatRows<long double>(pSrc, srcStep, pDst, dstStep, rowBytes, height, tapStride, kernel,
                             size, anchor);
      break;
  }
}

template <int C>
IppStatus FilterRow(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                    const Ipp32f* kernel, int size, int anchor) {
  if (pSrc == nullptr || pDst == nullptr || kernel == nullptr) return ippStsNullPtrErr;
  if (roi.width < 1 || roi.height < 1 || size < 1) return ippStsSizeErr;
  if (srcStep < (int64_t{roi.width} + size - 1) * C || dstStep < int64_t{roi.width} * C)
    return ippStsStepErr;
  FloatFilter(pSrc, srcStep, pDst, dstStep, int64_t{roi.width} * C, roi.height, C, kernel, size,
              anchor);
  return ippStsNoErr;
}

// The column filter on rows of `width` bytes (a C3 or C4 region counts 3 or 4 bytes a pixel).
IppStatus FilterColumnBytes(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, int64_t width,
                            int32_t height, const Ipp32f* kernel, int size, int anchor) {
  if (pSrc == nullptr || pDst == nullptr || kernel == nullptr) return ippStsNullPtrErr;
  if (width < 1 || height < 1 || size < 1) return ippStsSizeErr;
  if (srcStep < width || dstStep < width) return ippStsStepErr;
  FloatFilter(pSrc, srcStep, pDst, dstStep, width, height, srcStep, kernel, size, anchor);
  return ippStsNoErr;
}

template <int C>
IppStatus FilterColumn(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                       const Ipp32f* kernel, int size, int anchor) {
  if (roi.width < 1) return ippStsSizeErr;
  return FilterColumnBytes(pSrc, srcStep, pDst, dstStep, int64_t{roi.width} * C, roi.height, kernel,
                           size, anchor);
}

}  // namespace

// (layout, bytes per pixel, bytes filtered)
#define PF_GENERAL_FILTER_FORMS(X) X(C1, 1, 1) X(C3, 3, 3) X(AC4, 4, 3)
#define PF_GENERAL_FILTER_DEFINE(layout, pixel, written)                                         \
  IppStatus ippiFilter_8u_##layout##R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,  \
                                      IppiSize dstRoiSize, const Ipp32s* pKernel,                \
                                      IppiSize kernelSize, IppiPoint anchor, int divisor) {      \
    return Filter<pixel, written>(pSrc, srcStep, pDst, dstStep, dstRoiSize, pKernel, kernelSize, \
                                  anchor, divisor);                                              \
  }
PF_GENERAL_FILTER_FORMS(PF_GENERAL_FILTER_DEFINE)
#undef PF_GENERAL_FILTER_DEFINE
#undef PF_GENERAL_FILTER_FORMS

// (direction, layout, bytes per pixel)
#define PF_FLOAT_FILTER_FORMS(X) \
  X(Row, C1, 1) X(Row, C3, 3) X(Row, C4, 4) X(Column, C3, 3) X(Column, C4, 4)
#define PF_FLOAT_FILTER_DEFINE(direction, layout, pixel)                                           \
  IppStatus ippiFilter##direction##32f_8u_##layout##R(                                             \
      const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,               \
      const Ipp32f* pKernel, int kernelSize, int anchor) {                                         \
    return Filter##direction<pixel>(pSrc, srcStep, pDst, dstStep, dstRoiSize, pKernel, kernelSize, \
                                    anchor);                                                       \
  }
PF_FLOAT_FILTER_FORMS(PF_FLOAT_FILTER_DEFINE)
#undef PF_FLOAT_FILTER_DEFINE
#undef PF_FLOAT_FILTER_FORMS

IppStatus ippiFilterColumn32f_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                     IppiSize dstRoiSize, const Ipp32f* pKernel, int kernelSize,
                                     int yAnchor) {
  return FilterColumnBytes(pSrc, srcStep, pDst, dstStep, dstRoiSize.width, dstRoiSize.height,
                           pKernel, kernelSize, yAnchor);
}

}  // namespace builtin
