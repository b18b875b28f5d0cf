// Auto- and cross-correlation: see Correlation.h.
#include "primitives/signal/Correlation.h"

#include <algorithm>
#include <cstdint>

#include "primitives/signal/CorrelationKernels.h"
#include "primitives/signal/FftSetup.h"
#include "primitives/signal/FftTransforms.h"
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

// The smallest order from 2 up whose power of two is at least n.
int OrderAtLeast(int64_t n) {
  int order = 2;
  while ((int64_t{1} << order) < n) ++order;
  return order;
}

// The transform of a correlation: its setup (inverse scaled by 1/N), the work buffer
// it reports (none when that cannot be had: the transforms then take their own) and the data
// block of `values` elements. All three are released when it goes.
template <class Spec>
class Transform {
 public:
  Transform() = default;
  Transform(const Transform&) = delete;
  Transform& operator=(const Transform&) = delete;
  ~Transform() {
    if (spec_ != nullptr) Free(spec_);
    fbAlignedFree(block_);
    fbAlignedFree(work_);
  }

  // elementBytes 8 (real block) or 16 (complex block).
  IppStatus Init(int order, int64_t values, int elementBytes) {
    IppStatus status = InitAlloc(&spec_, order);
    if (status != ippStsNoErr) {
      spec_ = nullptr;
      return status;
    }
    int workBytes = 0;
    status = GetBufSize(spec_, &workBytes);
    if (status < 0) return status;
    if (workBytes > 0) work_ = static_cast<Ipp8u*>(fbAlignedAlloc8(workBytes));
    block_ = elementBytes == 8 ? fbAlignedAlloc64(values) : fbAlignedAlloc128(values);
    return block_ == nullptr ? ippStsMemAllocErr : ippStsNoErr;
  }

  void* Block() const { return block_; }
  Spec* GetSpec() const { return spec_; }
  Ipp8u* Work() const { return work_; }

 private:
  static IppStatus InitAlloc(IppsFFTSpec_R_64f** spec, int order) {
    return ippsFFTInitAlloc_R_64f(spec, order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone);
  }
  static IppStatus InitAlloc(IppsFFTSpec_C_64fc** spec, int order) {
    return ippsFFTInitAlloc_C_64fc(spec, order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone);
  }
  static IppStatus GetBufSize(const IppsFFTSpec_R_64f* spec, int* size) {
    return fbFftGetBufSizeR(spec, size);
  }
  static IppStatus GetBufSize(const IppsFFTSpec_C_64fc* spec, int* size) {
    return fbFftGetBufSizeC(spec, size);
  }
  static void Free(IppsFFTSpec_R_64f* spec) { ippsFFTFree_R_64f(spec); }
  static void Free(IppsFFTSpec_C_64fc* spec) { ippsFFTFree_C_64fc(spec); }

  Spec* spec_ = nullptr;
  void* block_ = nullptr;
  Ipp8u* work_ = nullptr;
};

// dst[0 .. offset) = 0, dst[offset .. offset + n) = the caller's elements at src, the rest up
// to size elements 0; elementBytes per element.
void LoadPadded(void* dst, int64_t offset, const uint8_t* src, int64_t n, int64_t size,
                int64_t elementBytes) {
  auto* bytes = static_cast<uint8_t*>(dst);
  fbZeroBytes(bytes, elementBytes * offset);
  fbCopyBytes(src, bytes + elementBytes * offset, elementBytes * n);
  fbZeroBytes(bytes + elementBytes * (offset + n), elementBytes * (size - offset - n));
}

// Auto-correlation through a real transform of N = 2^d >= 2n points: the Pack spectrum times
// its own conjugate, transformed back; lags 0 .. L-1 copied, the rest of pDst zeroed.
IppStatus AutoTransformReal(const uint8_t* x, int64_t n, uint8_t* d, int64_t dstLen) {
  const int order = OrderAtLeast(2 * n);
  const int64_t size = int64_t{1} << order;
  Transform<IppsFFTSpec_R_64f> fft;
  IppStatus status = fft.Init(order, size, 8);
  if (status != ippStsNoErr) return status;
  auto* block = static_cast<Ipp64f*>(fft.Block());
  LoadPadded(block, 0, x, n, size, 8);
  if ((status = fbFftFwdRToPack(block, block, fft.GetSpec(), fft.Work())) < 0) return status;
  fbMulPackConj(block, block, static_cast<int>(size));
  if ((status = fbFftInvPackToR(block, block, fft.GetSpec(), fft.Work())) < 0) return status;
  const int64_t l = std::min(n, dstLen);
  fbCopyBytes(block, d, 8 * l);
  if (l < dstLen) fbZeroBytes(d + 8 * l, 8 * (dstLen - l));
  return status;
}

// The complex auto-correlation: X, the spectrum, times conj(X) by ippsMul_64fc_I.
IppStatus AutoTransformComplex(const uint8_t* x, int64_t n, uint8_t* d, int64_t dstLen) {
  const int order = OrderAtLeast(2 * n);
  const int64_t size = int64_t{1} << order;
  Transform<IppsFFTSpec_C_64fc> fft;
  IppStatus status = fft.Init(order, 2 * size, 16);
  if (status != ippStsNoErr) return status;
  auto* xs = static_cast<Ipp64fc*>(fft.Block());
  Ipp64fc* ys = xs + size;
  LoadPadded(xs, 0, x, n, size, 16);
  if ((status = ippsFFTFwd_CToC_64fc(xs, xs, fft.GetSpec(), fft.Work())) < 0) return status;
  fbConj64fc(xs, ys, static_cast<int>(size));
  ippsMul_64fc_I(ys, xs, static_cast<int>(size));
  if ((status = ippsFFTInv_CToC_64fc(xs, xs, fft.GetSpec(), fft.Work())) < 0) return status;
  const int64_t l = std::min(n, dstLen);
  fbCopyBytes(xs, d, 16 * l);
  if (l < dstLen) fbZeroBytes(d + 16 * l, 16 * (dstLen - l));
  return status;
}

// Cross-correlation through a real transform of N = 2^e >= n1 + n2 - 1 points: X = x1, Y = x2
// placed n1 - 1 elements in; Y times conj(X) transformed back holds c[m - (n1 - 1)] at m.
IppStatus CrossTransformReal(const uint8_t* x1, int64_t n1, const uint8_t* x2, int64_t n2,
                             uint8_t* d, int64_t dstLen, int64_t lowLag) {
  const int64_t full = n1 + n2 - 1;
  const int order = full <= 2 ? 1 : OrderAtLeast(full);
  const int64_t size = int64_t{1} << order;
  Transform<IppsFFTSpec_R_64f> fft;
  IppStatus status = fft.Init(order, 2 * size, 8);
  if (status != ippStsNoErr) return status;
  auto* xs = static_cast<Ipp64f*>(fft.Block());
  Ipp64f* ys = xs + size;
  LoadPadded(xs, 0, x1, n1, size, 8);
  LoadPadded(ys, n1 - 1, x2, n2, size, 8);
  if ((status = fbFftFwdRToPack(xs, xs, fft.GetSpec(), fft.Work())) < 0 ||
      (status = fbFftFwdRToPack(ys, ys, fft.GetSpec(), fft.Work())) < 0)
    return status;
  fbMulPackConj(ys, xs, static_cast<int>(size));
  if ((status = fbFftInvPackToR(xs, ys, fft.GetSpec(), fft.Work())) < 0) return status;
  fbCopyBytes(ys + (lowLag + n1 - 1), d, 8 * dstLen);
  return status;
}

// The complex cross-correlation: both spectra, X conjugated, multiplied by ippsMul_64fc_I.
IppStatus CrossTransformComplex(const uint8_t* x1, int64_t n1, const uint8_t* x2, int64_t n2,
                                uint8_t* d, int64_t dstLen, int64_t lowLag) {
  const int64_t full = n1 + n2 - 1;
  const int order = full <= 2 ? 1 : OrderAtLeast(full);
  const int64_t size = int64_t{1} << order;
  Transform<IppsFFTSpec_C_64fc> fft;
  IppStatus status = fft.Init(order, 2 * size, 16);
  if (status != ippStsNoErr) return status;
  auto* xs = static_cast<Ipp64fc*>(fft.Block());
  Ipp64fc* ys = xs + size;
  LoadPadded(xs, 0, x1, n1, size, 16);
  LoadPadded(ys, n1 - 1, x2, n2, size, 16);
  if ((status = ippsFFTFwd_CToC_64fc(xs, xs, fft.GetSpec(), fft.Work())) < 0 ||
      (status = ippsFFTFwd_CToC_64fc(ys, ys, fft.GetSpec(), fft.Work())) < 0)
    return status;
  fbConj64fcI(xs, static_cast<int>(size));
  ippsMul_64fc_I(ys, xs, static_cast<int>(size));
  if ((status = ippsFFTInv_CToC_64fc(xs, ys, fft.GetSpec(), fft.Work())) < 0) return status;
  fbCopyBytes(ys + (lowLag + n1 - 1), d, 16 * dstLen);
  return status;
}

struct RealForms {
  using Terms = RealTerms;
  static constexpr int64_t kDirectBelow = 600;
  static IppStatus AutoTransform(const uint8_t* x, int64_t n, uint8_t* d, int64_t dstLen) {
    return AutoTransformReal(x, n, d, dstLen);
  }
  static IppStatus CrossTransform(const uint8_t* x1, int64_t n1, const uint8_t* x2, int64_t n2,
                                  uint8_t* d, int64_t dstLen, int64_t lowLag) {
    return CrossTransformReal(x1, n1, x2, n2, d, dstLen, lowLag);
  }
};
struct ComplexForms {
  using Terms = ComplexTerms;
  static constexpr int64_t kDirectBelow = 96;
  static IppStatus AutoTransform(const uint8_t* x, int64_t n, uint8_t* d, int64_t dstLen) {
    return AutoTransformComplex(x, n, d, dstLen);
  }
  static IppStatus CrossTransform(const uint8_t* x1, int64_t n1, const uint8_t* x2, int64_t n2,
                                  uint8_t* d, int64_t dstLen, int64_t lowLag) {
    return CrossTransformComplex(x1, n1, x2, n2, d, dstLen, lowLag);
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

// Auto-correlation: lags 0 .. L-1 by direct sums (the rest of pDst zeroed) or a transform.
template <class F>
IppStatus Auto(const uint8_t* x, int64_t n, uint8_t* d, int64_t dstLen) {
  using E = typename F::Terms;
  const int64_t l = std::min(n, dstLen);
  if (l >= F::kDirectBelow) return F::AutoTransform(x, n, d, dstLen);
  if (l < dstLen) fbZeroBytes(d + E::kBytes * l, E::kBytes * (dstLen - l));
  DirectLags<E>(x, n, x, n, 0, l, d);
  return ippStsNoErr;
}

// Cross-correlation: the zero windows outside the overlap, then the lags inside it, in the
// three segments of partial overlap at the start, full overlap and partial overlap at the end.
template <class F>
IppStatus Cross(const uint8_t* x1, int64_t n1, const uint8_t* x2, int64_t n2, uint8_t* d,
                int64_t dstLen, int64_t lowLag) {
  using E = typename F::Terms;
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
  // The average work per lag decides: floor(dstLen * min / max) > 511.
  if (dstLen * std::min(n1, n2) >= 512 * std::max(n1, n2))
    return F::CrossTransform(x1, n1, x2, n2, d, dstLen, lowLag);
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
  return Auto<RealForms>(rows::Bytes(pSrc), srcLen, rows::Bytes(pDst), dstLen);
}

IppStatus ippsAutoCorr_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen) {
  if (pSrc == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (srcLen < 1 || dstLen < 1) return ippStsSizeErr;
  return Auto<ComplexForms>(rows::Bytes(pSrc), srcLen, rows::Bytes(pDst), dstLen);
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
  return Cross<RealForms>(rows::Bytes(pSrc1), src1Len, rows::Bytes(pSrc2), src2Len,
                          rows::Bytes(pDst), dstLen, lowLag);
}

IppStatus ippsCrossCorr_64fc(const Ipp64fc* pSrc1, int src1Len, const Ipp64fc* pSrc2,
                             int src2Len, Ipp64fc* pDst, int dstLen, int lowLag) {
  if (pSrc1 == nullptr || pSrc2 == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (src1Len < 1 || src2Len < 1 || dstLen < 1) return ippStsSizeErr;
  return Cross<ComplexForms>(rows::Bytes(pSrc1), src1Len, rows::Bytes(pSrc2), src2Len,
                             rows::Bytes(pDst), dstLen, lowLag);
}

}  // namespace builtin
