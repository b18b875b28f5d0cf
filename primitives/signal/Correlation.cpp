// Auto- and cross-correlation: see Correlation.h.
#include "primitives/signal/Correlation.h"

#include <algorithm>
#include <cstdint>

#include "primitives/signal/CorrelationKernels.h"
#include "primitives/signal/FloatArithmetic.h"
#include "primitives/support/Support.h"
#include "primitives/support/SupportElements.h"

namespace builtin {
namespace {

using ld = long double;

// Real terms x1[k] * x2[m], one running sum per lag.
struct RealTerms {
  static constexpr int64_t kBytes = 8;
  static constexpr int kLagsPerPass = 4;
  struct Acc {
    ld s = 0.0L;
  };
  static void Add(Acc& acc, const uint8_t* a, const uint8_t* b, int64_t t) {
    acc.s += static_cast<ld>(rows::Load<Ipp64f>(a, t)) * static_cast<ld>(rows::Load<Ipp64f>(b, t));
  }
  static void Store(uint8_t* d, int64_t j, const Acc& acc) {
    rows::Store<Ipp64f>(d, j, static_cast<Ipp64f>(acc.s));
  }
};

// Complex terms conj(x1[k]) * x2[m], one product at a time into two running sums.
struct ComplexTerms {
  static constexpr int64_t kBytes = 16;
  static constexpr int kLagsPerPass = 2;
  struct Acc {
    ld re = 0.0L;
    ld im = 0.0L;
  };
  static void Add(Acc& acc, const uint8_t* a, const uint8_t* b, int64_t t) {
    const ld ar = rows::Load<Ipp64f>(a, 2 * t), ai = rows::Load<Ipp64f>(a, 2 * t + 1);
    const ld br = rows::Load<Ipp64f>(b, 2 * t), bi = rows::Load<Ipp64f>(b, 2 * t + 1);
    acc.re += ar * br;
    acc.re += ai * bi;
    acc.im += ar * bi;
    acc.im -= ai * br;
  }
  static void Store(uint8_t* d, int64_t j, const Acc& acc) {
    rows::Store<Ipp64f>(d, 2 * j, static_cast<Ipp64f>(acc.re));
    rows::Store<Ipp64f>(d, 2 * j + 1, static_cast<Ipp64f>(acc.im));
  }
};

// Direct sums of the lags lag0 .. lag0+count-1 of x1 (n1 elements) against x2 (n2), stored at
// dst[0 .. count-1]. A lag L pairs x1[k0 + t] with x2[m0 + t], k0 = max(0, -L), m0 = max(0, L),
// for t below min(n1 - k0, n2 - m0). A pass takes E::kLagsPerPass lags, each loaded element
// serving all of them over the terms they share; the terms beyond the shortest lag's follow,
// so every sum still adds its terms in increasing index order.
template <class E>
void DirectLags(const uint8_t* x1, int64_t n1, const uint8_t* x2, int64_t n2, int64_t lag0,
                int64_t count, uint8_t* dst) {
  constexpr int G = E::kLagsPerPass;
  for (int64_t q = 0; q < count; q += G) {
    const int g = static_cast<int>(std::min<int64_t>(G, count - q));
    const uint8_t* pa[G];
    const uint8_t* pb[G];
    int64_t n[G];
    typename E::Acc acc[G];
    int64_t shared = INT64_MAX;
    for (int l = 0; l < g; ++l) {
      const int64_t lag = lag0 + q + l;
      const int64_t k0 = std::max<int64_t>(0, -lag), m0 = std::max<int64_t>(0, lag);
      n[l] = std::max<int64_t>(0, std::min(n1 - k0, n2 - m0));
      pa[l] = x1 + E::kBytes * k0;
      pb[l] = x2 + E::kBytes * m0;
      shared = std::min(shared, n[l]);
    }
    if (g == G) {
      for (int64_t t = 0; t < shared; ++t)
        for (int l = 0; l < G; ++l) E::Add(acc[l], pa[l], pb[l], t);
    } else {
      shared = 0;
    }
    for (int l = 0; l < g; ++l) {
      for (int64_t t = shared; t < n[l]; ++t) E::Add(acc[l], pa[l], pb[l], t);
      E::Store(dst, q + l, acc[l]);
    }
  }
}

// Auto-correlation by direct sums: lags 0 .. L-1, the rest of pDst zeroed.
template <class E>
IppStatus AutoDirect(const uint8_t* x, int64_t n, uint8_t* d, int64_t dstLen) {
  const int64_t l = std::min(n, dstLen);
  if (l < dstLen) fbZeroBytes(d + E::kBytes * l, E::kBytes * (dstLen - l));
  DirectLags<E>(x, n, x, n, 0, l, d);
  return ippStsNoErr;
}

// Cross-correlation: the zero windows outside the overlap, then the lags inside it, in the
// three segments of partial overlap at the start, full overlap and partial overlap at the end.
template <class E>
IppStatus Cross(const uint8_t* x1, int64_t n1, const uint8_t* x2, int64_t n2, uint8_t* d,
                int64_t dstLen, int64_t lowLag) {
  const int64_t z = -(n1 - 1) - lowLag;
  if (z > 0) {
    const int64_t zeros = std::min(z, dstLen);
    fbZeroBytes(d, E::kBytes * zeros);
    if (zeros == dstLen) return ippStsNoErr;
    d += E::kBytes * zeros;
    dstLen -= zeros;
    lowLag = -(n1 - 1);
  }
  const int64_t keep = std::max<int64_t>(0, n2 - lowLag);
  if (dstLen > keep) {
    fbZeroBytes(d + E::kBytes * keep, E::kBytes * (dstLen - keep));
    dstLen = keep;
    if (dstLen == 0) return ippStsNoErr;
  }
  const int64_t high = lowLag + dstLen;  // one past the last lag
  const int64_t bounds[4] = {lowLag, std::clamp(std::min<int64_t>(0, n2 - n1), lowLag, high),
                             std::clamp(std::max<int64_t>(0, n2 - n1), lowLag, high), high};
  for (int s = 0; s < 3; ++s)
    DirectLags<E>(x1, n1, x2, n2, bounds[s], bounds[s + 1] - bounds[s],
                  d + E::kBytes * (bounds[s] - lowLag));
  return ippStsNoErr;
}

}  // namespace

namespace corr {

void ScaleValues(Ipp64f* p, int64_t values, Ipp64f c, int64_t chunk) {
  for (int64_t q = 0; q < values; q += chunk)
    ippsMulC_64f_I(c, p + q, static_cast<int>(std::min(chunk, values - q)));
}

IppStatus DivideByRamp(Ipp64f* p, int64_t lags, int perLag, int64_t srcLen, int64_t chunk) {
  const int64_t values = lags * perLag;
  const int64_t rampLen = std::min(chunk, values);
  auto* ramp = static_cast<Ipp64f*>(fbAlignedAlloc64(rampLen));
  if (ramp == nullptr) return ippStsMemAllocErr;
  for (int64_t q = 0; q < values; q += chunk) {
    const int64_t m = std::min(chunk, values - q);
    for (int64_t t = 0; t < m; ++t) ramp[t] = static_cast<Ipp64f>(srcLen - (q + t) / perLag);
    ippsDiv_64f_I(ramp, p + q, static_cast<int>(m));
  }
  fbAlignedFree(ramp);
  return ippStsNoErr;
}

}  // namespace corr

IppStatus ippsAutoCorr_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen) {
  if (pSrc == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (srcLen < 1 || dstLen < 1) return ippStsSizeErr;
  return AutoDirect<RealTerms>(rows::Bytes(pSrc), srcLen, rows::Bytes(pDst), dstLen);
}

IppStatus ippsAutoCorr_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen) {
  if (pSrc == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (srcLen < 1 || dstLen < 1) return ippStsSizeErr;
  return AutoDirect<ComplexTerms>(rows::Bytes(pSrc), srcLen, rows::Bytes(pDst), dstLen);
}

IppStatus ippsAutoCorr_NormA_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen) {
  const IppStatus status = ippsAutoCorr_64f(pSrc, srcLen, pDst, dstLen);
  if (status < 0) return status;
  corr::ScaleValues(pDst, std::min(srcLen, dstLen), static_cast<Ipp64f>(1.0L / srcLen));
  return status;
}

IppStatus ippsAutoCorr_NormA_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen) {
  const IppStatus status = ippsAutoCorr_64fc(pSrc, srcLen, pDst, dstLen);
  if (status < 0) return status;
  corr::ScaleValues(reinterpret_cast<Ipp64f*>(pDst), 2 * int64_t{std::min(srcLen, dstLen)},
                    static_cast<Ipp64f>(1.0L / srcLen));
  return status;
}

IppStatus ippsAutoCorr_NormB_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen) {
  const IppStatus status = ippsAutoCorr_64f(pSrc, srcLen, pDst, dstLen);
  if (status < 0) return status;
  const IppStatus ramp = corr::DivideByRamp(pDst, std::min(srcLen, dstLen), 1, srcLen);
  return ramp < 0 ? ramp : status;
}

IppStatus ippsAutoCorr_NormB_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen) {
  const IppStatus status = ippsAutoCorr_64fc(pSrc, srcLen, pDst, dstLen);
  if (status < 0) return status;
  const IppStatus ramp = corr::DivideByRamp(reinterpret_cast<Ipp64f*>(pDst),
                                            std::min(srcLen, dstLen), 2, srcLen);
  return ramp < 0 ? ramp : status;
}

IppStatus ippsCrossCorr_64f(const Ipp64f* pSrc1, int src1Len, const Ipp64f* pSrc2, int src2Len,
                            Ipp64f* pDst, int dstLen, int lowLag) {
  if (pSrc1 == nullptr || pSrc2 == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (src1Len < 1 || src2Len < 1 || dstLen < 1) return ippStsSizeErr;
  return Cross<RealTerms>(rows::Bytes(pSrc1), src1Len, rows::Bytes(pSrc2), src2Len,
                          rows::Bytes(pDst), dstLen, lowLag);
}

IppStatus ippsCrossCorr_64fc(const Ipp64fc* pSrc1, int src1Len, const Ipp64fc* pSrc2,
                             int src2Len, Ipp64fc* pDst, int dstLen, int lowLag) {
  if (pSrc1 == nullptr || pSrc2 == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (src1Len < 1 || src2Len < 1 || dstLen < 1) return ippStsSizeErr;
  return Cross<ComplexTerms>(rows::Bytes(pSrc1), src1Len, rows::Bytes(pSrc2), src2Len,
                             rows::Bytes(pDst), dstLen, lowLag);
}

}  // namespace builtin
