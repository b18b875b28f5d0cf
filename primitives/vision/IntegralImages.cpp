#include "primitives/vision/IntegralImages.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "primitives/support/RowAccess.h"
#include "primitives/vision/IntegralImagesKernels.h"

namespace builtin {
namespace {

using rows::Load;
using rows::Row;
using rows::Store;

// The checks shared by the integrals: pointers, size, then the source step and the steps of
// the integral images (each at least its row of `columns` elements, a multiple of its
// element size).
struct TIntegralImage {
  const void* data;
  int step;
  int elementBytes;
  int64_t columns;
};

template <size_t N>
IppStatus CheckIntegrals(const Ipp8u* pSrc, int srcStep, IppiSize size, const TIntegralImage (&out)[N]) {
  if (!pSrc) return ippStsNullPtrErr;
  for (const TIntegralImage& o : out)
    if (!o.data) return ippStsNullPtrErr;
  if (rows::BadSize(size)) return ippStsSizeErr;
  if (srcStep < size.width) return ippStsStepErr;
  for (const TIntegralImage& o : out)
    if (o.step < o.elementBytes * o.columns) return ippStsStepErr;
  for (const TIntegralImage& o : out)
    if (o.step % o.elementBytes != 0) return ippStsNotEvenStepErr;
  return ippStsNoErr;
}

// Row 0 of an integral: n values v.
template <typename T>
void FillRow(void* row, int64_t n, T v) {
  for (ptrdiff_t x = 0; x < n; ++x) Store<T>(static_cast<uint8_t*>(row), x, v);
}

// True when every value of a squared integral from valSqr is an integer below 2^53: then
// each addition is exact, in double as in extended precision, and gives the same result.
bool SquaresExactInDouble(IppiSize size, double valSqr) {
  constexpr double kExact = 9007199254740992.0;  // 2^53
  const double total = 65025.0 * size.width * size.height;
  return std::trunc(valSqr) == valSqr && std::fabs(valSqr) + total < kExact;
}

}  // namespace

namespace integral {

void Row32sScalar(const uint8_t* s, const uint8_t* above, uint8_t* d, int64_t w, uint32_t val) {
  Store<uint32_t>(d, 0, val);
  uint32_t sum = 0;
  for (ptrdiff_t x = 0; x < w; ++x) {
    sum += s[x];
    Store<uint32_t>(d, x + 1, Load<uint32_t>(above, x + 1) + sum);
  }
}

void Row32s(const uint8_t* s, const uint8_t* above, uint8_t* d, int64_t w, uint32_t val,
            Row32sBlocksFn blocks) {
  Store<uint32_t>(d, 0, val);
  const auto done = blocks == nullptr || w <= 0
                        ? ptrdiff_t{0}
                        : static_cast<ptrdiff_t>(blocks(s, above, d, static_cast<size_t>(w)));
  // The running sum of the pixels done, from the value the blocks stored last.
  uint32_t sum = done == 0 ? 0 : Load<uint32_t>(d, done) - Load<uint32_t>(above, done);
  for (ptrdiff_t x = done; x < w; ++x) {
    sum += s[x];
    Store<uint32_t>(d, x + 1, Load<uint32_t>(above, x + 1) + sum);
  }
}

}  // namespace integral

IppStatus ippiIntegral_8u32f_C1R(const Ipp8u* pSrc, int srcStep, Ipp32f* pDst, int dstStep,
                                 IppiSize roiSize, Ipp32f val) {
  const TIntegralImage out[] = {{pDst, dstStep, 4, int64_t{roiSize.width} + 1}};
  if (IppStatus s = CheckIntegrals(pSrc, srcStep, roiSize, out); s != ippStsNoErr) return s;
  FillRow<float>(pDst, int64_t{roiSize.width} + 1, val);
  for (int32_t y = 0; y < roiSize.height; ++y) {
    const uint8_t* s = Row(pSrc, srcStep, y);
    const uint8_t* above = Row(pDst, dstStep, y);
    uint8_t* d = Row(pDst, dstStep, y + 1);
    Store<float>(d, 0, val);
    int64_t sum = 0;
    for (ptrdiff_t x = 0; x < roiSize.width; ++x) {
      sum += s[x];
      const long double v = static_cast<long double>(Load<float>(above, x + 1)) + sum;
      Store<float>(d, x + 1, static_cast<float>(v));
    }
  }
  return ippStsNoErr;
}

IppStatus ippiIntegral_8u32s_C1R(const Ipp8u* pSrc, int srcStep, Ipp32s* pDst, int dstStep,
                                 IppiSize roiSize, Ipp32s val) {
  const TIntegralImage out[] = {{pDst, dstStep, 4, int64_t{roiSize.width} + 1}};
  if (IppStatus s = CheckIntegrals(pSrc, srcStep, roiSize, out); s != ippStsNoErr) return s;
  const auto v = static_cast<uint32_t>(val);
  FillRow<uint32_t>(pDst, int64_t{roiSize.width} + 1, v);
  const integral::Row32sBlocksFn blocks = integral::VectorRow32sBlocks();
  for (int32_t y = 0; y < roiSize.height; ++y)
    integral::Row32s(Row(pSrc, srcStep, y), Row(pDst, dstStep, y), Row(pDst, dstStep, y + 1),
                     roiSize.width, v, blocks);
  return ippStsNoErr;
}

IppStatus ippiSqrIntegral_8u32s64f_C1R(const Ipp8u* pSrc, int srcStep, Ipp32s* pDst, int dstStep,
                                       Ipp64f* pSqr, int sqrStep, IppiSize roiSize, Ipp32s val,
                                       Ipp64f valSqr) {
  const int64_t columns = int64_t{roiSize.width} + 1;
  const TIntegralImage out[] = {{pDst, dstStep, 4, columns}, {pSqr, sqrStep, 8, columns}};
  if (IppStatus s = CheckIntegrals(pSrc, srcStep, roiSize, out); s != ippStsNoErr) return s;
  const auto v = static_cast<uint32_t>(val);
  FillRow<uint32_t>(pDst, columns, v);
  FillRow<double>(pSqr, columns, valSqr);
  const bool exact = SquaresExactInDouble(roiSize, valSqr);
  const integral::Row32sBlocksFn blocks = integral::VectorRow32sBlocks();
  for (int32_t y = 0; y < roiSize.height; ++y) {
    const uint8_t* s = Row(pSrc, srcStep, y);
    integral::Row32s(s, Row(pDst, dstStep, y), Row(pDst, dstStep, y + 1), roiSize.width, v, blocks);
    const uint8_t* above = Row(pSqr, sqrStep, y);
    uint8_t* d = Row(pSqr, sqrStep, y + 1);
    Store<double>(d, 0, valSqr);
    // The running sum of squares of bytes is an exact integer (below 2^47 for any row).
    uint64_t sum = 0;
    if (exact) {
      for (ptrdiff_t x = 0; x < roiSize.width; ++x) {
        sum += uint32_t{s[x]} * s[x];
        Store<double>(d, x + 1, Load<double>(above, x + 1) + static_cast<double>(sum));
      }
    } else {
      for (ptrdiff_t x = 0; x < roiSize.width; ++x) {
        sum += uint32_t{s[x]} * s[x];
        const long double q = static_cast<long double>(Load<double>(above, x + 1)) + sum;
        Store<double>(d, x + 1, static_cast<double>(q));
      }
    }
  }
  return ippStsNoErr;
}

IppStatus ippiTiltedIntegral_8u32s_C1R(const Ipp8u* pSrc, int srcStep, Ipp32s* pDst, int dstStep,
                                       IppiSize roiSize, Ipp32s val) {
  const int32_t w = roiSize.width;
  const TIntegralImage out[] = {{pDst, dstStep, 4, int64_t{w} + 2}};
  if (IppStatus s = CheckIntegrals(pSrc, srcStep, roiSize, out); s != ippStsNoErr) return s;
  const auto v = static_cast<uint32_t>(val);
  FillRow<uint32_t>(Row(pDst, dstStep, 0), int64_t{w} + 2, v);
  FillRow<uint32_t>(Row(pDst, dstStep, 1), int64_t{w} + 2, v);
  for (int32_t y = 1; y < roiSize.height; ++y) {
    const uint8_t* s = Row(pSrc, srcStep, y - 1);  // s[w] is the byte after the region's row
    const uint8_t* up2 = Row(pDst, dstStep, y - 1);
    const uint8_t* up = Row(pDst, dstStep, y);
    uint8_t* d = Row(pDst, dstStep, y + 1);
    Store<uint32_t>(d, 0, Load<uint32_t>(up, 1));
    for (ptrdiff_t x = 1; x <= w; ++x) {
      const uint32_t t = uint32_t{s[x - 1]} + s[x] + Load<uint32_t>(up, x - 1) + Load<uint32_t>(up, x + 1) -
                         Load<uint32_t>(up2, x);
      Store<uint32_t>(d, x, t);
    }
    Store<uint32_t>(d, w + 1, Load<uint32_t>(up, w));
  }
  return ippStsNoErr;
}

IppStatus ippiRectStdDev_32f_C1R(const Ipp32f* pSrc, int srcStep, const Ipp64f* pSqr, int sqrStep,
                                 Ipp32f* pDst, int dstStep, IppiSize roiSize, IppiRect rect) {
  if (!pSrc || !pSqr || !pDst) return ippStsNullPtrErr;
  if (rows::BadSize(roiSize)) return ippStsSizeErr;
  const int64_t columns = int64_t{roiSize.width} + rect.x + rect.width;
  if (srcStep < 4 * columns || dstStep < int64_t{4} * roiSize.width || sqrStep < 8 * columns)
    return ippStsStepErr;
  if (srcStep % 4 != 0 || dstStep % 4 != 0 || sqrStep % 8 != 0) return ippStsNotEvenStepErr;
  if (rect.x < 0 || rect.y < 0 || rect.width < 1 || rect.height < 1) return ippStsSizeErr;
  const long double n = static_cast<long double>(int64_t{rect.width} * rect.height);
  // The window's top and bottom rows for output row 0; output row y reads y rows further.
  const Ipp32f* sTop = rows::RowOf(pSrc, srcStep, rect.y);
  const Ipp32f* sBottom = rows::RowOf(sTop, srcStep, rect.height);
  const Ipp64f* qTop = rows::RowOf(pSqr, sqrStep, rect.y);
  const Ipp64f* qBottom = rows::RowOf(qTop, sqrStep, rect.height);
  for (int32_t y = 0; y < roiSize.height; ++y) {
    const uint8_t* s0 = Row(sTop, srcStep, y);
    const uint8_t* s1 = Row(sBottom, srcStep, y);
    const uint8_t* q0 = Row(qTop, sqrStep, y);
    const uint8_t* q1 = Row(qBottom, sqrStep, y);
    uint8_t* d = Row(pDst, dstStep, y);
    for (ptrdiff_t x = 0; x < roiSize.width; ++x) {
      const ptrdiff_t x0 = x + rect.x, x1 = x0 + rect.width;
      const long double sum = static_cast<long double>(Load<float>(s0, x0)) - Load<float>(s0, x1) -
                              Load<float>(s1, x0) + Load<float>(s1, x1);
      const long double sqr = static_cast<long double>(Load<double>(q0, x0)) - Load<double>(q0, x1) -
                              Load<double>(q1, x0) + Load<double>(q1, x1);
      const long double mean = sum / n;
      long double var = sqr / n - mean * mean;
      if (!(var >= 0.0L)) var = 0.0L;  // negative, or not a number
      Store<float>(d, x, static_cast<float>(std::sqrt(var)));
    }
  }
  return ippStsNoErr;
}

}  // namespace builtin
