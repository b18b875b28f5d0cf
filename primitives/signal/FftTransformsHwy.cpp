// Vector blocks of the real FFT post- and pre-processing passes, compiled for every instruction
// set that Highway targets and chosen at run time. A vector holds complex values interleaved
// (re, im); the mirrored bins are loaded and stored with their complex order reversed. Every
// lane runs the plain pass's operations: a - b is computed as a + (-b) and sums of two products
// in the plain order, which gives the same bits.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/signal/FftTransformsHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/signal/FftTransformsKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::fftreal {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET == HWY_SCALAR
// One lane holds no complex value: the plain pass does every bin.
int64_t PostBlocks(const uint8_t*, uint8_t*, int64_t, const uint8_t*) { return 1; }
int64_t PreBlocks(const uint8_t*, uint8_t*, int64_t, const uint8_t*) { return 1; }
#else
using DF = hn::ScalableTag<double>;
using VF = hn::Vec<DF>;

HWY_INLINE VF LoadAt(DF df, const uint8_t* p, int64_t i) {
  return hn::LoadU(df, reinterpret_cast<const double*>(p + 8 * i));
}
HWY_INLINE void StoreAt(DF df, VF v, uint8_t* p, int64_t i) {
  hn::StoreU(v, df, reinterpret_cast<double*>(p + 8 * i));
}
// The complex values of v in reverse order, each kept as (re, im).
HWY_INLINE VF ReverseComplex(DF df, VF v) { return hn::Reverse2(df, hn::Reverse(df, v)); }
// (re, im) -> (-re, im) and (re, -im).
HWY_INLINE VF NegRe(VF v) { return hn::OddEven(v, hn::Neg(v)); }
HWY_INLINE VF NegIm(VF v) { return hn::OddEven(hn::Neg(v), v); }

// Bins k ascending in P = Z_k, mirrored bins in Q = Z_(h-k), table (A, B) of bin k:
// u = Re Zk - Re Zm, v = Im Zk + Im Zm; g = B u + A v, f = B v - A u;
// X_k = (Re Zm + g, f - Im Zm), X_m = (Re Zk - g, f - Im Zk).
int64_t PostBlocks(const uint8_t*, uint8_t* data, int64_t h, const uint8_t* twiddles) {
  const DF df;
  const int64_t lanes = static_cast<int64_t>(hn::Lanes(df));
  if (lanes < 2) return 1;
  const int64_t run = lanes / 2;  // complex values per vector
  const int64_t half = h / 2;
  int64_t k = 1;
  for (; k + run <= half; k += run) {
    const int64_t mLow = h - k - run + 1;
    const VF p = LoadAt(df, data, 2 * k);
    const VF q = ReverseComplex(df, LoadAt(df, data, 2 * mLow));
    const VF t = LoadAt(df, twiddles, 2 * k);
    const VF a = hn::DupEven(t), b = hn::DupOdd(t);
    const VF uv = hn::Add(p, NegRe(q));
    const VF gf = hn::Add(hn::Mul(b, uv), NegIm(hn::Mul(a, hn::Reverse2(df, uv))));
    const VF xk = hn::Add(NegIm(q), gf);
    const VF xm = hn::Add(NegIm(p), NegRe(gf));
    StoreAt(df, xk, data, 2 * k);
    StoreAt(df, ReverseComplex(df, xm), data, 2 * mLow);
  }
  return k;
}

// P = X_k, Q = X_(h-k) from src, table (A, B) of bin k:
// p = Re Xk - Re Xm, q = Im Xk + Im Xm; g = B p - A q, f = A p + B q;
// sr = Re Xk + Re Xm, di = Im Xk - Im Xm; z_k = (sr + g, di + f), z_m = (sr - g, f - di).
int64_t PreBlocks(const uint8_t* src, uint8_t* dst, int64_t h, const uint8_t* twiddles) {
  const DF df;
  const int64_t lanes = static_cast<int64_t>(hn::Lanes(df));
  if (lanes < 2) return 1;
  const int64_t run = lanes / 2;
  const int64_t half = h / 2;
  int64_t k = 1;
  for (; k + run <= half; k += run) {
    const int64_t mLow = h - k - run + 1;
    const VF p = LoadAt(df, src, 2 * k);
    const VF q = ReverseComplex(df, LoadAt(df, src, 2 * mLow));
    const VF t = LoadAt(df, twiddles, 2 * k);
    const VF a = hn::DupEven(t), b = hn::DupOdd(t);
    const VF pq = hn::Add(p, NegRe(q));
    const VF gf = hn::Add(hn::Mul(b, pq), NegRe(hn::Mul(a, hn::Reverse2(df, pq))));
    const VF sd = hn::Add(p, NegIm(q));
    const VF zk = hn::Add(sd, gf);
    const VF zm = hn::Add(NegIm(sd), NegRe(gf));
    StoreAt(df, zk, dst, 2 * k);
    StoreAt(df, ReverseComplex(df, zm), dst, 2 * mLow);
  }
  return k;
}

#endif  // HWY_TARGET == HWY_SCALAR

}  // namespace HWY_NAMESPACE
}  // namespace builtin::fftreal
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::fftreal {

HWY_EXPORT(PostBlocks);
HWY_EXPORT(PreBlocks);

PassBlocksFn VectorPost() { return PF_HWY_DISPATCHED(PostBlocks); }
PassBlocksFn VectorPre() { return PF_HWY_DISPATCHED(PreBlocks); }

}  // namespace builtin::fftreal
#endif  // HWY_ONCE
