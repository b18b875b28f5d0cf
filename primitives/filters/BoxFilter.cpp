#include "primitives/filters/BoxFilter.h"

#include <cstddef>
#include <cstdint>

#include "primitives/filters/BoxFilterKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {

TBoxMulShift fbBoxMulShift(std::int32_t area) {
  const float r = 1.0f / static_cast<float>(area);
  if (r == 1.0f) return TBoxMulShift{256, 8};
  // r * 2^32 is exact; for area 2 the pattern is 2^31, beyond the signed range.
  const long double scaled = static_cast<long double>(r) * 4294967296.0L + static_cast<long double>(9.0e-6f);
  auto v = static_cast<std::uint32_t>(static_cast<std::uint64_t>(scaled));
  std::int32_t n = 0;
  while ((v & 0x80000000u) == 0 && n < 24) {
    v <<= 1;
    ++n;
  }
  return TBoxMulShift{(v >> 20) + 1, n + 12};
}

namespace boxfilter {

void ColumnAddPlain(int32_t* col, const uint8_t* row, int64_t from, int64_t n) {
  for (int64_t i = from; i < n; ++i) col[i] += row[i];
}

void ColumnMovePlain(int32_t* col, const uint8_t* enter, const uint8_t* leave, int64_t from, int64_t n) {
  for (int64_t i = from; i < n; ++i) col[i] += enter[i] - leave[i];
}

void WindowMeansPlain(const int32_t* col, ptrdiff_t channels, int64_t taps, TBoxMulShift r, uint8_t* out,
                      int64_t from, int64_t n) {
  for (int64_t i = from; i < n; ++i) {
    uint32_t s = 0;
    for (int64_t k = 0; k < taps; ++k) s += static_cast<uint32_t>(col[i + k * channels]);
    out[i] = static_cast<uint8_t>((s * r.multiplier) >> r.shift);
  }
}

void Box3x3Plain(const uint8_t* src, ptrdiff_t step, ptrdiff_t channels, uint8_t* out, int64_t from, int64_t n) {
  for (int64_t i = from; i < n; ++i) {
    uint32_t s = 0;
    for (int r = 0; r < 3; ++r)
      for (int j = 0; j < 3; ++j) s += src[i + j * channels + r * step];
    out[i] = static_cast<uint8_t>((s * 29128u) >> 18);
  }
}

}  // namespace boxfilter

namespace {

using boxfilter::TBoxBlocks;

// Window sums of more columns than this are carried along the row instead of summed afresh.
constexpr int64_t kDirectSumColumns = 16;

constexpr int64_t kIntegerAreaLimit = 8100;

IppStatus CheckBoxFilter(const Ipp8u* pSrc, int srcStep, const Ipp8u* pDst, int dstStep, IppiSize roi,
                         IppiSize mask, IppiPoint anchor) {
  if (pSrc == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  if (rows::BadSize(roi)) return ippStsSizeErr;
  if (mask.width < 1 || mask.height < 1) return ippStsMaskSizeErr;
  if (anchor.x < 0 || anchor.y < 0 || anchor.x >= mask.width || anchor.y >= mask.height) return ippStsAnchorErr;
  return ippStsNoErr;
}

// The work block of column sums: one 32-bit value per channel and column for width + mask
// width + 2 columns; the four-channel engines take it in 32-bit elements, the others in bytes
// rounded up to 16.
template <int kChannels>
void* ColumnSumBlock(IppiSize roi, IppiSize mask) {
  const int64_t columns = int64_t{roi.width} + mask.width + 2;
  if constexpr (kChannels == 4) {
    return fbAlignedAlloc32(4 * columns);
  } else {
    return fbAlignedAlloc8((kChannels * columns * 4 + 15) / 16 * 16);
  }
}

struct TBoxJob {
  const uint8_t* top;  // the window's top-left byte for output pixel (0, 0)
  ptrdiff_t srcStep;
  Ipp8u* dst;
  int dstStep;
  IppiSize roi, mask;

  const uint8_t* SourceRow(int64_t y) const { return top + y * srcStep; }
};

// Integer engine: running column sums in 32-bit integers, each window sum's mean by the
// fixed-point reciprocal.
template <int kChannels>
IppStatus BoxInteger(const TBoxJob& job) {
  const TBoxMulShift r = fbBoxMulShift(job.mask.width * job.mask.height);
  auto* col = static_cast<int32_t*>(ColumnSumBlock<kChannels>(job.roi, job.mask));
  if (col == nullptr) return ippStsMemAllocErr;
  const TBoxBlocks v = boxfilter::VectorBox();
  const int64_t n = (int64_t{job.roi.width} + job.mask.width - 1) * kChannels;  // column sums used
  const int64_t rowBytes = int64_t{job.roi.width} * kChannels;
  fbZeroBytes(col, n * 4);
  for (int64_t k = 0; k < job.mask.height; ++k) {
    const auto done = static_cast<int64_t>(v.ColumnAdd(col, job.SourceRow(k), static_cast<size_t>(n)));
    boxfilter::ColumnAddPlain(col, job.SourceRow(k), done, n);
  }
  for (int32_t y = 0; y < job.roi.height; ++y) {
    uint8_t* out = rows::Row(job.dst, job.dstStep, y);
    if (job.mask.width <= kDirectSumColumns) {
      const auto done = static_cast<int64_t>(
          v.WindowMeans(col, kChannels, job.mask.width, r.multiplier, r.shift, out, static_cast<size_t>(rowBytes)));
      boxfilter::WindowMeansPlain(col, kChannels, job.mask.width, r, out, done, rowBytes);
    } else {
      // S moves along the row: the column that enters is added, the one that leaves taken off.
      uint32_t s[kChannels] = {};
      for (int64_t k = 0; k < job.mask.width; ++k)
        for (int ch = 0; ch < kChannels; ++ch) s[ch] += static_cast<uint32_t>(col[k * kChannels + ch]);
      const auto done = static_cast<int64_t>(v.WindowRun(col, kChannels, job.mask.width, r.multiplier, r.shift, s,
                                                         out, static_cast<size_t>(rowBytes - kChannels)));
      const int32_t* leave = col;
      const int32_t* enter = col + int64_t{job.mask.width} * kChannels;
      for (int64_t x = done; x < rowBytes; x += kChannels)
        for (int ch = 0; ch < kChannels; ++ch) {
          out[x + ch] = static_cast<uint8_t>((s[ch] * r.multiplier) >> r.shift);
          // The sum formed after the last pixel is not used, and its column may lie past the
          // sums kept: it is formed only for the pixels before.
          if (x + kChannels < rowBytes) s[ch] += static_cast<uint32_t>(enter[x + ch] - leave[x + ch]);
        }
    }
    if (y + 1 < job.roi.height) {
      // The last row moves no further, so no row below its window is read.
      const uint8_t* in = job.SourceRow(int64_t{y} + job.mask.height);
      const uint8_t* outRow = job.SourceRow(y);
      const auto done = static_cast<int64_t>(v.ColumnMove(col, in, outRow, static_cast<size_t>(n)));
      boxfilter::ColumnMovePlain(col, in, outRow, done, n);
    }
  }
  fbAlignedFree(col);
  return ippStsNoErr;
}

// Floating-point engine for areas above 8100: single-precision column sums (updated by the
// integer difference of the bytes that enter and leave), a row sum in extended precision, and
// the mean truncated from s * factor + 9.0e-6.
template <int kChannels>
IppStatus BoxFloat(const TBoxJob& job) {
  const int64_t area = int64_t{job.mask.width} * job.mask.height;
  const auto factor = static_cast<float>(1.0L / static_cast<long double>(area));
  auto* col = static_cast<float*>(ColumnSumBlock<kChannels>(job.roi, job.mask));
  if (col == nullptr) return ippStsMemAllocErr;
  const int64_t n = (int64_t{job.roi.width} + job.mask.width - 1) * kChannels;
  const int64_t rowBytes = int64_t{job.roi.width} * kChannels;
  const long double factorX = factor, bias = 9.0e-6f;
  for (int64_t i = 0; i < n; ++i) col[i] = 0.0f;
  for (int64_t k = 0; k < job.mask.height; ++k) {
    const uint8_t* row = job.SourceRow(k);
    for (int64_t i = 0; i < n; ++i) col[i] += static_cast<float>(row[i]);
  }
  for (int32_t y = 0; y < job.roi.height; ++y) {
    uint8_t* out = rows::Row(job.dst, job.dstStep, y);
    long double s[kChannels] = {};
    for (int64_t k = 0; k < job.mask.width; ++k)
      for (int ch = 0; ch < kChannels; ++ch) s[ch] += col[k * kChannels + ch];
    const float* leave = col;
    const float* enter = col + int64_t{job.mask.width} * kChannels;
    for (int64_t x = 0; x < rowBytes; x += kChannels)
      for (int ch = 0; ch < kChannels; ++ch) {
        out[x + ch] = static_cast<uint8_t>(static_cast<int32_t>(s[ch] * factorX + bias));
        if (x + kChannels < rowBytes) s[ch] = s[ch] + enter[x + ch] - leave[x + ch];
      }
    if (y + 1 < job.roi.height) {
      const uint8_t* in = job.SourceRow(int64_t{y} + job.mask.height);
      const uint8_t* outRow = job.SourceRow(y);
      for (int64_t i = 0; i < n; ++i) col[i] += static_cast<float>(int32_t{in[i]} - int32_t{outRow[i]});
    }
  }
  fbAlignedFree(col);
  return ippStsNoErr;
}

// Three channels, 3x3: the nine bytes of each window are summed directly, without memory.
void Box3x3(const TBoxJob& job) {
  const auto blocks = boxfilter::VectorBox().Box3x3;
  const int64_t rowBytes = int64_t{job.roi.width} * 3;
  for (int32_t y = 0; y < job.roi.height; ++y) {
    uint8_t* out = rows::Row(job.dst, job.dstStep, y);
    const auto done = static_cast<int64_t>(blocks(job.SourceRow(y), job.srcStep, 3, out, static_cast<size_t>(rowBytes)));
    boxfilter::Box3x3Plain(job.SourceRow(y), job.srcStep, 3, out, done, rowBytes);
  }
}

template <int kChannels>
IppStatus FilterBox(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, IppiSize mask,
                    IppiPoint anchor) {
  if (const IppStatus s = CheckBoxFilter(pSrc, srcStep, pDst, dstStep, roi, mask, anchor); s != ippStsNoErr)
    return s;
  const TBoxJob job{pSrc - ptrdiff_t{anchor.y} * srcStep - ptrdiff_t{anchor.x} * kChannels, srcStep, pDst,
                    dstStep, roi, mask};
  if (int64_t{mask.width} * mask.height > kIntegerAreaLimit) return BoxFloat<kChannels>(job);
  if (kChannels == 3 && mask.width == 3 && mask.height == 3) {
    Box3x3(job);
    return ippStsNoErr;
  }
  return BoxInteger<kChannels>(job);
}

}  // namespace

#define PF_BOX_FILTER_FORMS(X) \
  X(C1, 1)                     \
  X(C3, 3)                     \
  X(C4, 4)
#define PF_BOX_FILTER_DEFINE(layout, channels)                                                  \
  IppStatus ippiFilterBox_8u_##layout##R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst,          \
                                         int dstStep, IppiSize dstRoiSize, IppiSize maskSize,    \
                                         IppiPoint anchor) {                                    \
    return FilterBox<channels>(pSrc, srcStep, pDst, dstStep, dstRoiSize, maskSize, anchor);      \
  }
PF_BOX_FILTER_FORMS(PF_BOX_FILTER_DEFINE)
#undef PF_BOX_FILTER_DEFINE
#undef PF_BOX_FILTER_FORMS

}  // namespace builtin
