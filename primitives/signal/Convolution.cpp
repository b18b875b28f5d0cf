// Full linear convolution: see Convolution.h.
#include "primitives/signal/Convolution.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "primitives/signal/ConvolutionKernels.h"
#include "primitives/signal/FftSetup.h"
#include "primitives/signal/FftTransforms.h"
#include "primitives/support/Support.h"
#include "primitives/support/SupportElements.h"

namespace builtin {
namespace {

using ld = long double;

constexpr int64_t kDirectBlock = 4096;

// The vector kernel of a pass (ConvolutionHwy.cpp) stores r = fl(a*b + d), the fused
// multiply-add, where the plain code stores X = fl53(fl64(fl64(a*b) + d)). Why r = X when the
// kernel vouches for a lane:
// - Let E = a*b + d exactly. fl64(a*b) is within 2^-64 |a*b| of a*b and the long double sum
//   within 2^-64 |fl64(a*b) + d| of its exact value, so the long double s that X rounds lies
//   within 2^-64 (1 + 2^-52) (|p| + |r|) of E, p = fl(a*b) (|a*b| and |E| exceed |p| and |r|
//   by at most a factor 1 + 2^-53).
// - X = r whenever s lies strictly inside the rounding interval of r, that is within h of r,
//   h being half the spacing of the doubles around r (the smaller side's when |r| is a power
//   of two): then no rounding boundary or tie separates s from E.
// - The kernel estimates E - r as e = fl(fl(a*b + g) + gl), d - r = g + gl by a two-sum
//   (exact). Its error is below 2^-52 (|E - r| + |gl|) <= 2^-51 h + 2^-104 (|p| + 2|r|).
// - So |e| + 2^-63 (|p| + |r|) < h (1 - 2^-50), the kernel's test, puts s within h of r:
//   2^-63 covers both terms in |p| and |r|, the factor 1 - 2^-50 the 2^-51 h and the rounding
//   of the test's own operations.
// - r = 0 passes only with a*b = 0 and d = 0 (h is then 0); every value the direct sums meet is a multiple of 2^-704 below
//   2^632 when the inputs are tame (0 or of magnitude in [2^-300, 2^300]), so a product that
//   is 0 is an exact 0, and the fused and the long double sum give the same signed zero. The
//   same bounds keep the fused steps free of underflow and overflow.
// The kernel is used only when every input value is tame; other inputs take the plain code.
bool Tame(const uint8_t* v, int64_t n) {
  for (int64_t i = 0; i < n; ++i) {
    const double m = std::fabs(rows::Load<Ipp64f>(v, i));
    if (!(m == 0.0 || (m >= convolution::kTameLow && m <= convolution::kTameHigh))) return false;
  }
  return true;
}

// One pass d[j] = A[j] * b + d[j], j = first .. end-1, in long double, rounded on store.
void PlainPass(const uint8_t* a, ld b, uint8_t* d, int64_t first, int64_t end) {
  for (int64_t j = first; j < end; ++j) {
    const ld sum = static_cast<ld>(rows::Load<Ipp64f>(a, j)) * b +
                   static_cast<ld>(rows::Load<Ipp64f>(d, j));
    rows::Store<Ipp64f>(d, j, static_cast<Ipp64f>(sum));
  }
}

// Direct sums over A in blocks of `block` elements: before a block's passes, the outputs that
// only it reaches first are zeroed; the lb - 1 outputs it shares with the previous block keep
// that block's partial sums. A single block of la is the plain loop.
void DirectSums(const uint8_t* a, int64_t la, const uint8_t* b, int64_t lb, uint8_t* d,
                int64_t block) {
  const convolution::MulAddBlocksFn kernel =
      Tame(a, la) && Tame(b, lb) ? convolution::VectorMulAdd() : nullptr;
  fbZeroBytes(d, 8 * (lb - 1));
  for (int64_t p = 0; p < la; p += block) {
    const int64_t g = std::min(block, la - p);
    fbZeroBytes(d + 8 * (p + lb - 1), 8 * g);
    const uint8_t* ap = a + 8 * p;
    for (int64_t i = 0; i < lb; ++i) {
      const double bi = rows::Load<Ipp64f>(b, i);
      uint8_t* di = d + 8 * (p + i);
      if (kernel == nullptr) {
        PlainPass(ap, bi, di, 0, g);
        continue;
      }
      const int64_t done = static_cast<int64_t>(kernel(ap, bi, di, static_cast<size_t>(g)));
      PlainPass(ap, bi, di, done, g);
    }
  }
}

// The smallest order from 2 up whose power of two is at least n.
int OrderAtLeast(int64_t n) {
  int order = 2;
  while ((int64_t{1} << order) < n) ++order;
  return order;
}

// A real transform with the inverse scaled by 1/N and one work block: `arrays` float64 values
// for the caller, then the transform's work buffer. Both are released when it goes.
class RealTransform {
 public:
  RealTransform() = default;
  RealTransform(const RealTransform&) = delete;
  RealTransform& operator=(const RealTransform&) = delete;
  ~RealTransform() {
    fbAlignedFree(block_);
    if (spec_ != nullptr) ippsFFTFree_R_64f(spec_);
  }

  IppStatus Init(int order, int64_t arrays) {
    IppStatus status = ippsFFTInitAlloc_R_64f(&spec_, order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone);
    if (status < 0) {
      spec_ = nullptr;
      return status;
    }
    int workBytes = 0;
    status = fbFftGetBufSizeR(spec_, &workBytes);
    if (status < 0) return status;
    block_ = static_cast<Ipp64f*>(fbAlignedAlloc64(arrays + (int64_t{workBytes} + 7) / 8));
    if (block_ == nullptr) return ippStsMemAllocErr;
    work_ = workBytes > 0 ? reinterpret_cast<Ipp8u*>(block_ + arrays) : nullptr;
    return ippStsNoErr;
  }

  Ipp64f* Block() const { return block_; }
  IppStatus Forward(Ipp64f* data) const { return fbFftFwdRToPerm(data, data, spec_, work_); }
  IppStatus Inverse(Ipp64f* data) const { return fbFftInvPermToR(data, data, spec_, work_); }

 private:
  IppsFFTSpec_R_64f* spec_ = nullptr;
  Ipp64f* block_ = nullptr;
  Ipp8u* work_ = nullptr;
};

// dst[0 .. n) = the caller's values at src, dst[n .. size) = +0.
void LoadPadded(Ipp64f* dst, const uint8_t* src, int64_t n, int64_t size) {
  fbCopyBytes(src, dst, 8 * n);
  fbZeroBytes(dst + n, 8 * (size - n));
}

// One transform over the whole result: N = 2^g >= len.
IppStatus OneTransform(const uint8_t* a, int64_t la, const uint8_t* b, int64_t lb, uint8_t* d) {
  const int64_t len = la + lb - 1;
  const int order = OrderAtLeast(len);
  const int64_t n = int64_t{1} << order;
  RealTransform fft;
  IppStatus status = fft.Init(order, 2 * n);
  if (status < 0) return status;
  Ipp64f* x = fft.Block();
  Ipp64f* y = x + n;
  LoadPadded(x, a, la, n);
  LoadPadded(y, b, lb, n);
  if ((status = fft.Forward(x)) < 0 || (status = fft.Forward(y)) < 0) return status;
  fbMulPerm(x, y, static_cast<int>(n));
  if ((status = fft.Inverse(y)) < 0) return status;
  fbCopyBytes(y, d, 8 * len);
  return status;
}

// Overlap-save: the spectrum of B at M = 2^(d+1) >= 4 * lb, then blocks of A that each deliver
// S = M - lb + 1 results; every block after the first starts lb - 1 samples early and drops
// the lb - 1 wrapped values that those give.
IppStatus OverlapSave(const uint8_t* a, int64_t la, const uint8_t* b, int64_t lb, uint8_t* d) {
  const int64_t len = la + lb - 1;
  const int order = OrderAtLeast(2 * lb) + 1;
  const int64_t m = int64_t{1} << order;
  const int64_t step = m - lb + 1;
  RealTransform fft;
  IppStatus status = fft.Init(order, 2 * m);
  if (status < 0) return status;
  Ipp64f* x = fft.Block();
  Ipp64f* y = x + m;
  LoadPadded(x, b, lb, m);
  if ((status = fft.Forward(x)) < 0) return status;
  for (int64_t pos = 0; pos < len; pos += step) {
    const int64_t h = pos == 0 ? 0 : lb - 1;
    const int64_t count = std::min(la - pos + h, h + step);
    LoadPadded(y, a + 8 * (pos - h), count, m);
    if ((status = fft.Forward(y)) < 0) return status;
    fbMulPerm(x, y, static_cast<int>(m));
    if ((status = fft.Inverse(y)) < 0) return status;
    fbCopyBytes(y + h, d + 8 * pos, 8 * std::min(step, len - pos));
  }
  return status;
}

}  // namespace

IppStatus ippsConv_64f(const Ipp64f* pSrc1, int src1Len, const Ipp64f* pSrc2, int src2Len,
                       Ipp64f* pDst) {
  if (pSrc1 == nullptr || pSrc2 == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (src1Len < 1 || src2Len < 1) return ippStsSizeErr;
  const bool firstIsA = src1Len >= src2Len;
  const uint8_t* a = rows::Bytes(firstIsA ? pSrc1 : pSrc2);
  const uint8_t* b = rows::Bytes(firstIsA ? pSrc2 : pSrc1);
  const int64_t la = firstIsA ? src1Len : src2Len;
  const int64_t lb = firstIsA ? src2Len : src1Len;
  const int64_t len = la + lb - 1;
  uint8_t* d = rows::Bytes(pDst);
  if (len < 150 || lb < 32) {
    DirectSums(a, la, b, lb, d, la < kDirectBlock ? la : kDirectBlock);
    return ippStsNoErr;
  }
  if (la < 3 * lb) return OneTransform(a, la, b, lb, d);
  return OverlapSave(a, la, b, lb, d);
}

}  // namespace builtin
