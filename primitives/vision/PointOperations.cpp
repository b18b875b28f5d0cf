#include "primitives/vision/PointOperations.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "primitives/image/Histogram.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace {

using rows::Bytes;
using rows::Load;
using rows::Row;
using rows::Store;

// The step checks of a float image: -14 below 4 * width, -108 not a multiple of 4. The
// caller reports every -14 of its images before any -108.
bool FloatStepTooSmall(int step, IppiSize size) { return step < int64_t{4} * size.width; }
bool FloatStepUneven(int step) { return step % 4 != 0; }

// Bit patterns of floats compared as sign-magnitude integers. Against a threshold whose sign
// bit is clear a signed comparison orders every value correctly (a set sign bit makes the
// integer negative); against one whose sign bit is set the larger magnitude is the smaller
// number, so the unsigned comparison is reversed.
enum class TCompare { SignedGreater, SignedLess, UnsignedBelow, UnsignedAbove };

template <TCompare C>
inline bool Hits(uint32_t s, uint32_t t) {
  if constexpr (C == TCompare::SignedGreater) return static_cast<int32_t>(s) > static_cast<int32_t>(t);
  if constexpr (C == TCompare::SignedLess) return static_cast<int32_t>(s) < static_cast<int32_t>(t);
  if constexpr (C == TCompare::UnsignedBelow) return s < t;
  return s > t;
}

template <TCompare C>
void ThresholdRows(const Ipp32f* pSrc, int srcStep, Ipp32f* pDst, int dstStep, IppiSize size,
                   uint32_t t, uint32_t v) {
  for (int32_t y = 0; y < size.height; ++y) {
    const uint8_t* s = Row(pSrc, srcStep, y);
    uint8_t* d = Row(pDst, dstStep, y);
    for (ptrdiff_t x = 0; x < size.width; ++x) {
      const uint32_t bits = Load<uint32_t>(s, x);
      Store<uint32_t>(d, x, Hits<C>(bits, t) ? v : bits);
    }
  }
}

}  // namespace

IppStatus ippiAbsDiff_32f_C1R(const Ipp32f* pSrc1, int src1Step, const Ipp32f* pSrc2, int src2Step,
                              Ipp32f* pDst, int dstStep, IppiSize roiSize) {
  if (!pSrc1 || !pSrc2 || !pDst) return ippStsNullPtrErr;
  if (rows::BadSize(roiSize)) return ippStsSizeErr;
  if (FloatStepTooSmall(src1Step, roiSize) || FloatStepTooSmall(src2Step, roiSize) ||
      FloatStepTooSmall(dstStep, roiSize))
    return ippStsStepErr;
  if (FloatStepUneven(src1Step) || FloatStepUneven(src2Step) || FloatStepUneven(dstStep))
    return ippStsNotEvenStepErr;
  // The difference of two floats rounded to extended precision and then to float equals the
  // difference rounded once to float (64 >= 2 * 24 + 2 bits makes the double rounding
  // harmless), so the float subtraction gives the extended-precision result.
  for (int32_t y = 0; y < roiSize.height; ++y) {
    const uint8_t* a = Row(pSrc1, src1Step, y);
    const uint8_t* b = Row(pSrc2, src2Step, y);
    uint8_t* d = Row(pDst, dstStep, y);
    for (ptrdiff_t x = 0; x < roiSize.width; ++x)
      Store<float>(d, x, std::fabs(Load<float>(a, x) - Load<float>(b, x)));
  }
  return ippStsNoErr;
}

IppStatus ippiThreshold_Val_32f_C1R(const Ipp32f* pSrc, int srcStep, Ipp32f* pDst, int dstStep,
                                    IppiSize roiSize, Ipp32f threshold, Ipp32f value, IppCmpOp cmpOp) {
  if (cmpOp != ippCmpLess && cmpOp != ippCmpGreater) return ippStsNotSupportedModeErr;
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (rows::BadSize(roiSize)) return ippStsSizeErr;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  const int sStep = srcStep & ~3, dStep = dstStep & ~3;
  const uint32_t t = std::bit_cast<uint32_t>(threshold), v = std::bit_cast<uint32_t>(value);
  const bool negative = (t >> 31) != 0;
  if (cmpOp == ippCmpGreater) {
    if (negative)
      ThresholdRows<TCompare::UnsignedBelow>(pSrc, sStep, pDst, dStep, roiSize, t, v);
    else
      ThresholdRows<TCompare::SignedGreater>(pSrc, sStep, pDst, dStep, roiSize, t, v);
  } else {
    if (negative)
      ThresholdRows<TCompare::UnsignedAbove>(pSrc, sStep, pDst, dStep, roiSize, t, v);
    else
      ThresholdRows<TCompare::SignedLess>(pSrc, sStep, pDst, dStep, roiSize, t, v);
  }
  return ippStsNoErr;
}

IppStatus ippiThreshold_32f_C1R(const Ipp32f* pSrc, int srcStep, Ipp32f* pDst, int dstStep,
                                IppiSize roiSize, Ipp32f threshold, IppCmpOp cmpOp) {
  return ippiThreshold_Val_32f_C1R(pSrc, srcStep, pDst, dstStep, roiSize, threshold, threshold, cmpOp);
}

IppStatus ippiCountInRange_8u_C1R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, int* pCounts,
                                  Ipp8u lowerBound, Ipp8u upperBound) {
  if (!pSrc || !pCounts) return ippStsNullPtrErr;
  if (srcStep < 1) return ippStsStepErr;
  if (rows::BadSize(roiSize)) return ippStsSizeErr;
  if (upperBound < lowerBound) return ippStsRangeErr;
  if (histogram::NeedsWideCounts(roiSize)) {
    // More pixels than an int counts: a count beyond its range is a size this cannot give.
    Ipp64u counts[256];
    histogram::CountChannelsWide(pSrc, srcStep, roiSize, 1, 1, counts);
    uint64_t total = 0;
    for (int v = lowerBound; v <= upperBound; ++v) total += counts[v];
    if (total > static_cast<uint64_t>(INT32_MAX)) return ippStsSizeErr;
    *pCounts = static_cast<int>(total);
    return ippStsNoErr;
  }
  Ipp32u counts[256];
  histogram::CountChannels(pSrc, srcStep, roiSize, 1, 1, counts);
  uint32_t total = 0;
  for (int v = lowerBound; v <= upperBound; ++v) total += counts[v];
  *pCounts = static_cast<int>(total);
  return ippStsNoErr;
}

IppStatus ippsCartToPolar_32f(const Ipp32f* pSrcRe, const Ipp32f* pSrcIm, Ipp32f* pDstMagn,
                              Ipp32f* pDstPhase, int len) {
  // The two passes check their own arguments; each runs whatever the other's outcome.
  const auto pass = [&](Ipp32f* pDst, auto value) -> IppStatus {
    if (!pSrcRe || !pSrcIm || !pDst) return ippStsNullPtrErr;
    if (len < 1) return ippStsSizeErr;
    const uint8_t *re = Bytes(pSrcRe), *im = Bytes(pSrcIm);
    uint8_t* d = Bytes(pDst);
    for (ptrdiff_t i = 0; i < len; ++i)
      Store<float>(d, i, static_cast<float>(value(Load<float>(re, i), Load<float>(im, i))));
    return ippStsNoErr;
  };
  const IppStatus magnitude = pass(pDstMagn, [](float re, float im) {
    const long double sum = static_cast<long double>(im) * im + static_cast<long double>(re) * re;
    return LibCSqrt(static_cast<double>(sum));
  });
  const IppStatus phase = pass(pDstPhase, [](float re, float im) { return LibCAtan2(im, re); });
  return magnitude != ippStsNoErr ? magnitude : phase;
}

IppStatus ippsDotProd_32f(const Ipp32f* pSrc1, const Ipp32f* pSrc2, int len, Ipp32f* pDp) {
  if (!pSrc1 || !pSrc2 || !pDp) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  long double sum = 0.0L;
  const uint8_t *a = Bytes(pSrc1), *b = Bytes(pSrc2);
  for (ptrdiff_t i = 0; i < len; ++i)
    sum += static_cast<long double>(Load<float>(a, i)) * Load<float>(b, i);
  Store<float>(Bytes(pDp), 0, static_cast<float>(sum));
  return ippStsNoErr;
}

}  // namespace builtin
