// The vector blocks of the elementary functions, compiled for every instruction set that
// Highway targets and chosen at run time: the exponential, the square root and the magnitude.
//
// The exponential's blocks: A group of four consecutive inputs, all within the kernel's limits, is
// exactly what the backward scan gathers when it meets them with nothing gathered: the lanes in
// memory order are the scan's fourth, third, second and first input, and the kernel pairs the
// first two and the last two of them, so one group fits the four lanes of a 256-bit half (two
// 128-bit vectors on the narrow targets). Every step is the plain kernel's float64 operation,
// without fused multiply-adds; the products of the pairs are commutative, so the lane order
// gives the same bits.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/signal/ElementaryFunctionsHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "primitives/signal/ElementaryFunctionsKernels.h"
#include "primitives/support/HwyDispatch.h"
#include "primitives/support/Support.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::elementary {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET != HWY_SCALAR
template <class D>
struct ExpSteps {
  using V = hn::Vec<D>;
  using DU = hn::RebindToUnsigned<D>;
  using DI = hn::RebindToSigned<D>;
  using DB = hn::Repartition<uint8_t, D>;
  D df;
  DU du;
  DI di;
  DB db;

  V Const(uint64_t bits) const { return hn::BitCast(df, hn::Set(du, bits)); }

  V Load(const uint8_t* s, size_t i) const { return hn::BitCast(df, hn::LoadU(db, s + 8 * i)); }
  void Store(V v, uint8_t* d, size_t i) const { hn::StoreU(hn::BitCast(db, v), db, d + 8 * i); }

  // True when some lane is at or beyond the limits (compared on the upper word, which is the
  // same as comparing the magnitude's bits with the limit word followed by 32 zero bits).
  bool AnySpecial(V x) const {
    const auto bits = hn::BitCast(di, x);
    const auto magnitude = hn::And(bits, hn::Set(di, int64_t{0x7FFFFFFFFFFFFFFF}));
    const auto negative = hn::Lt(bits, hn::Zero(di));
    const auto below = hn::IfThenElse(negative, hn::Set(di, (int64_t{0x4086232B} << 32) - 1),
                                      hn::Set(di, (int64_t{0x40862E42} << 32) - 1));
    return !hn::AllFalse(di, hn::Gt(magnitude, below));
  }

  // Steps 1 to 4 of the kernel for each lane: k, hi, lo, r, c and the factor f = 2 - c.
  struct Reduced {
    V k, hi, lo, r, c, f;
  };
  Reduced Reduce(V x) const {
    const V sign = hn::And(x, Const(0x8000000000000000u));
    const V m = hn::Or(Const(0x4330000000000000u), sign);  // +-2^52
    const V s = hn::Add(hn::Mul(x, Const(0x3FF71547652B82FEu)), m);
    Reduced o;
    o.k = hn::Sub(s, m);
    o.hi = hn::Sub(x, hn::Mul(o.k, Const(0x3FE62E42FEE00000u)));
    o.lo = hn::Mul(o.k, Const(0x3DEA39EF35793C76u));
    o.r = hn::Sub(o.hi, o.lo);
    const V t = hn::Mul(o.r, o.r);
    V p = hn::Mul(t, Const(0x3E66376972BEA4D0u));
    p = hn::Mul(t, hn::Add(Const(0xBEBBBD41C5D26BF1u), p));
    p = hn::Mul(t, hn::Add(Const(0x3F11566AAF25DE2Cu), p));
    p = hn::Mul(t, hn::Add(Const(0xBF66C16C16BEBD93u), p));
    p = hn::Mul(t, hn::Add(Const(0x3FC555555555553Eu), p));
    o.c = hn::Sub(o.r, p);
    o.f = hn::Sub(hn::Set(df, 2.0), o.c);
    return o;
  }

  // Steps 6 and 7 with the quotient q = 1 / (2 - c) of each lane.
  V Finish(const Reduced& o, V q) const {
    const V y =
        hn::Add(hn::Mul(hn::Mul(o.r, o.c), q), hn::Sub(hn::Add(hn::Set(df, 1.0), o.hi), o.lo));
    const auto k = hn::BitCast(du, hn::ConvertTo(di, o.k));
    return hn::BitCast(df, hn::Add(hn::BitCast(du, y), hn::ShiftLeft<52>(k)));
  }
};
#endif

size_t ExpBlocks(const uint8_t* s, uint8_t* d, size_t end) {
#if HWY_TARGET == HWY_SCALAR
  (void)s, (void)d, (void)end;
  return 0;
#else
  const hn::ScalableTag<double> df;
  const size_t N = hn::Lanes(df);
  const ExpSteps<decltype(df)> k{};
  size_t i = end;
  if (N == 2) {  // one group in two vectors: (lane pair a, lane pair b)
    while (i >= 4) {
      const auto xa = k.Load(s, i - 4), xb = k.Load(s, i - 2);
      if (k.AnySpecial(xa) || k.AnySpecial(xb)) break;
      const auto ra = k.Reduce(xa), rb = k.Reduce(xb);
      const auto pa = hn::Mul(ra.f, hn::Reverse2(df, ra.f));  // f0 f1 in both lanes
      const auto pb = hn::Mul(rb.f, hn::Reverse2(df, rb.f));  // f2 f3
      const auto reciprocal = hn::Div(hn::Set(df, 1.0), hn::Mul(pa, pb));
      const auto qa = hn::Mul(hn::Mul(reciprocal, pb), hn::Reverse2(df, ra.f));
      const auto qb = hn::Mul(hn::Mul(reciprocal, pa), hn::Reverse2(df, rb.f));
      k.Store(k.Finish(ra, qa), d, i - 4);
      k.Store(k.Finish(rb, qb), d, i - 2);
      i -= 4;
    }
    return end - i;
  }
  if constexpr (hn::MaxLanes(df) >= 4) {
    while (i >= N) {
      const auto x = k.Load(s, i - N);
      if (k.AnySpecial(x)) break;
      const auto r = k.Reduce(x);
      const auto swapped = hn::Reverse2(df, r.f);
      const auto pair = hn::Mul(r.f, swapped);          // own pair's product
      const auto other = hn::SwapAdjacentBlocks(pair);  // the group's other pair
      const auto reciprocal = hn::Div(hn::Set(df, 1.0), hn::Mul(pair, other));
      const auto q = hn::Mul(hn::Mul(reciprocal, other), swapped);
      k.Store(k.Finish(r, q), d, i - N);
      i -= N;
    }
  }
  return end - i;
#endif
}

// ---- Square root and magnitude ---------------------------------------------------------------
//
// The plain root of x is fl53(fl64(s)) for s = sqrt(x): rounded to a 64-bit significand
// (sqrtl), then to float64. The vector takes r = fl53(s) (the processor's root, correctly
// rounded) and vouches for it where the two roundings give r as well.
//
// Both roundings are monotone and every midpoint of two neighbouring doubles is a long double,
// so fl53(fl64(s)) differs from r only if fl64(s) reaches the midpoint m beside r on s's side,
// which needs |s - m| <= ulp64(s) / 2. Let 2^E <= r < 2^(E+1) and u = ulp53(r) = 2^(E-52).
// Then s lies in r's binade: r + u/2 < 2^(E+1), and r = 2^E implies s >= r (s >= 2^E - u/4
// would give x >= s^2 > 4^E (1 - 2^-53), the double below 4^E, so x >= 4^E). So m = r +- u/2
// and ulp64(s) = u 2^-11.
//
// The residual rho = x - r^2 is computed exactly but for one rounding. With a fused
// multiply-subtract it is rho~ = -fl(r r - x): the exact product, one rounding. Without one,
// p = fl(r r), its error e = r r - p exactly (Dekker's product with Veltkamp's split), x - p
// exactly (p lies within a relative 2^-51 of x, Sterbenz), and rho~ = fl((x - p) - e). For x
// in [2^-960, 2^1002], where r lies in [2^-480, 2^501], the split cannot overflow and neither e
// nor a partial product underflows, and rho is a multiple of ulp(r)^2 >= 2^-1064, exact where
// it falls below the normal range: either way rho~ lies within a relative 2^-53 of rho. Since
// s - r = rho / (s + r) and s + r >= 2r - u/2 >= 2r (1 - 2^-53), the test
// |rho~| <= r u (1 - 2^-10) (u (1 - 2^-10) is a power of two times a short constant, exact; the
// product with r rounds once) gives
//   |s - r| <= (u/2) (1 - 2^-10)(1 + 2^-53) / (1 - 2^-53)^2 < (u/2) (1 - 2^-10 + 2^-51),
// so |s - m| > u (2^-11 - 2^-52) > u 2^-12 = ulp64(s) / 2: fl64(s) stays strictly between the
// midpoints around r and the plain result is r. For x = +-0 the test reads 0 <= 0 and
// r = x = LibCSqrt(x). About 2^-10 of the roots fail the test; they and the inputs outside
// [2^-960, 2^1002] other than 0 and +inf (whose roots the processor gives exactly as LibCSqrt)
// are computed by LibCSqrt.
//
// The magnitude is first q = fl53(c) with c = fl64(a + b), a = fl64(re^2), b = fl64(im^2):
// |a - re^2| <= 2^-64 re^2, likewise b, and |c - (a + b)| <= 2^-64 (a + b), so c lies within
// 2^-63 T (1 + 2^-65) of T = re^2 + im^2. The vector forms hi = fl(p1 + p2) of the squares'
// products and l = (t + e1) + e2 with t = hi's error (exact, the smaller product minus
// hi - the larger) and e1, e2 the products' errors. The larger product lies in
// [2^-960, 2^1000], so its component's error is exact; the smaller one's is exact too or, for
// a component below 2^-480, off by at most 2^-1074 together with its product. l carries two
// roundings of at most 2^-53 times 2 ulp(hi) each, so |T - (hi + l)| <= 2^-100 hi, and
// |c - (hi + l)| < 2^-63 hi (1 + 2^-49). The test takes delta = hi 2^-63 (1 + 2^-40), exact
// within a fused multiply-add or else rounded once, either way at least 2^-63 hi (1 + 2^-41)
// (hi >= 2^-960: no underflow), and the two sums qa = fl(hi + fl(l + delta)) and
// qb = fl(hi + fl(l - delta)): fl(l +- delta) lies within 2^-53 (|l| + delta) < 2^-103 hi of
// l +- delta, so the reals hi + fl(l + delta) and hi + fl(l - delta) lie above and below c.
// Rounding is monotone: when qa = qb, fl53(c) = qa, and q = qa. About 2^-9 of the elements
// fail; they and every element whose larger square lies outside [2^-960, 2^1000] (NaN and
// infinity too), but for 0 + 0i, are computed by Magnitude.
// q is then 0 or in [2^-960, 2^1002], and its root goes through the square root's test.
//
// The doubtful lanes are computed after the vector loop of a run (where the destination is apart
// from the source): no branch in the loop waits for the tests, and the extended-precision calls
// then follow one another closely.

using DF = hn::ScalableTag<double>;
using VF = hn::Vec<DF>;
using MF = hn::Mask<DF>;

constexpr double kSplit = 134217729.0;  // 2^27 + 1
constexpr uint64_t kExponentBits = 0x7FF0000000000000u;

HWY_INLINE VF LoadAt(DF df, const uint8_t* p, size_t i) {
  return hn::LoadU(df, reinterpret_cast<const double*>(p + 8 * i));
}

// a a - p exactly, for p = fl(a a) in the ranges above.
HWY_INLINE VF SquareError(DF df, VF a, VF p) {
#if HWY_NATIVE_FMA
  (void)df;
  return hn::MulSub(a, a, p);
#else
  const VF c = hn::Mul(hn::Set(df, kSplit), a);
  const VF ah = hn::Sub(c, hn::Sub(c, a)), al = hn::Sub(a, ah);
  return hn::Add(hn::Add(hn::Add(hn::Sub(hn::Mul(ah, ah), p), hn::Mul(ah, al)), hn::Mul(al, ah)),
                 hn::Mul(al, al));
#endif
}

// ulp53(x) times a short constant k, exactly, for x >= 0 (0 for 0): the exponent bits of x
// times 2^-52 k.
HWY_INLINE VF UlpTimes(DF df, VF x, double k) {
  const hn::RebindToUnsigned<DF> du;
  const VF binade = hn::BitCast(df, hn::And(hn::BitCast(du, x), hn::Set(du, kExponentBits)));
  return hn::Mul(binade, hn::Set(df, 0x1p-52 * k));
}

// m and (a <= b) or m and (a == b): on AVX-512 one comparison under the mask m, which saves
// the mask operations that would otherwise share the vector ports with the arithmetic.
enum class Cmp { kLe, kEq };
template <Cmp kCmp>
HWY_INLINE MF AndCompare(MF m, VF a, VF b) {
#if HWY_TARGET <= HWY_AVX3
  constexpr int kPredicate = kCmp == Cmp::kLe ? _CMP_LE_OQ : _CMP_EQ_OQ;
  return MF{_mm512_mask_cmp_pd_mask(m.raw, a.raw, b.raw, kPredicate)};
#else
  return hn::And(m, kCmp == Cmp::kLe ? hn::Le(a, b) : hn::Eq(a, b));
#endif
}

HWY_INLINE MF Within(DF df, VF x, double low, double high) {
  return AndCompare<Cmp::kLe>(hn::Ge(x, hn::Set(df, low)), x, hn::Set(df, high));
}

// The root test: m and r = fl53(sqrt x) is LibCSqrt(x), for x in [2^-960, 2^1002] or +-0. With
// a fused multiply-subtract the residual is r r - x rounded once (its sign does not matter).
HWY_INLINE MF RootClose(DF df, MF m, VF x, VF r) {
#if HWY_NATIVE_FMA
  const VF rho = hn::MulSub(r, r, x);
#else
  const VF p = hn::Mul(r, r);
  const VF rho = hn::Sub(hn::Sub(x, p), SquareError(df, r, p));
#endif
  return AndCompare<Cmp::kLe>(m, hn::Abs(rho), hn::Mul(r, UlpTimes(df, r, 1.0 - 0x1p-10)));
}

// Stores r, with every lane outside `vouched` replaced by fix(j) for lane j.
template <class Fix>
HWY_INLINE void StoreFixed(DF df, VF r, MF vouched, uint8_t* d, size_t i, Fix fix) {
  double* out = reinterpret_cast<double*>(d + 8 * i);
  if (HWY_LIKELY(hn::AllTrue(df, vouched))) {
    hn::StoreU(r, df, out);
    return;
  }
  HWY_ALIGN double lanes[hn::MaxLanes(df)];
  HWY_ALIGN double doubtful[hn::MaxLanes(df)];
  hn::Store(r, df, lanes);
  hn::Store(hn::VecFromMask(df, hn::Not(vouched)), df, doubtful);
  const size_t N = hn::Lanes(df);
  for (size_t j = 0; j < N; ++j)
    if (std::bit_cast<uint64_t>(doubtful[j]) != 0) lanes[j] = fix(j);
  hn::StoreU(hn::Load(df, lanes), df, out);
}

// The doubtful lanes of a run of up to kRun vectors are noted (one byte of mask bits per vector)
// while the vectors are stored, and computed after the run: no branch in the vector loop waits
// for the tests, which come last in each vector's chain of operations. When the destination
// overlaps the source, a later vector may overwrite the inputs of a doubtful lane: the root's
// blocks then compute those lanes at once, the magnitude's keep the run's results on the stack
// until the run is done.
constexpr size_t kRun = 64;

// The bits of a mask (lane j in bit j), through a general register: storing a mask register to
// memory directly is slow on some processors.
HWY_INLINE uint8_t MaskByte(DF df, MF m) {
#if HWY_TARGET <= HWY_AVX3
  (void)df;
  return static_cast<uint8_t>(_cvtmask8_u32(m.raw));
#else
  uint8_t bits[8] = {};
  hn::StoreMaskBits(df, m, bits);
  return bits[0];
#endif
}

// Calls fix(j) for every lane j noted doubtful, j counted from the run's start. The lanes are
// listed first and then fixed in one loop, whose calls (each an extended-precision value)
// overlap one another instead of each waiting behind a mispredicted branch.
template <class Fix>
HWY_INLINE void FixDoubtful(const uint8_t* doubtful, size_t vectors, size_t lanes, Fix fix) {
  uint16_t list[kRun * 8];
  size_t count = 0;
  for (size_t v0 = 0; v0 < vectors; v0 += 8) {
    uint64_t word = 0;
    std::memcpy(&word, doubtful + v0, 8);
    while (word != 0) {
      const int bit = std::countr_zero(word);
      word &= word - 1;
      list[count++] = static_cast<uint16_t>(v0 * lanes + static_cast<size_t>(bit / 8) * lanes +
                                            static_cast<size_t>(bit % 8));
    }
  }
  for (size_t k = 0; k < count; ++k) fix(list[k]);
}

// Square roots in runs of up to kRun vectors, stopping before the first vector with a negative
// input or a NaN. Apart (the destination does not overlap the source), the doubtful lanes are
// fixed after each run from the source, which the run leaves as it was; otherwise each vector's
// doubtful lanes are fixed before it is stored, while its inputs are still at hand.
template <bool kDeferred>
size_t SqrtRuns(const uint8_t* s, uint8_t* d, size_t n) {
  const DF df;
  const size_t N = hn::Lanes(df);
  const unsigned laneBits = (1u << N) - 1;
  alignas(8) uint8_t doubtful[kDeferred ? kRun + 8 : 8];
  size_t i = 0;
  while (i + N <= n) {
    const size_t vectors = (n - i) / N < kRun ? (n - i) / N : kRun;
    if constexpr (kDeferred) std::memset(doubtful, 0, (vectors + 7) & ~size_t{7});
    size_t v = 0;
    for (; v < vectors; ++v) {
      const size_t at = i + v * N;
      const VF x = LoadAt(df, s, at);
      if (!hn::AllTrue(df, hn::Ge(x, hn::Zero(df)))) break;  // a negative input or a NaN
      const VF r = hn::Sqrt(x);
      const MF ends = hn::Or(hn::Eq(x, hn::Zero(df)), hn::Eq(x, hn::Set(df, HUGE_VAL)));
      const MF vouched = hn::Or(RootClose(df, Within(df, x, 0x1p-960, 0x1p1002), x, r), ends);
      if constexpr (kDeferred) {
        hn::StoreU(r, df, reinterpret_cast<double*>(d + 8 * at));
        doubtful[v] = static_cast<uint8_t>(~MaskByte(df, vouched) & laneBits);
      } else {
        StoreFixed(df, r, vouched, d, at,
                   [&](size_t j) { return LibCSqrt(hn::ExtractLane(x, j)); });
      }
    }
    if constexpr (kDeferred) {
      FixDoubtful(doubtful, v, N, [&](size_t j) {
        const size_t k = i + j;
        double x;
        std::memcpy(&x, s + 8 * k, 8);
        const double r = LibCSqrt(x);
        std::memcpy(d + 8 * k, &r, 8);
      });
    }
    i += v * N;
    if (v < vectors) break;
  }
  return i;
}

size_t SqrtBlocks(const uint8_t* s, uint8_t* d, size_t n) {
  const bool apart = d + 8 * n <= s || s + 8 * n <= d;
  return apart ? SqrtRuns<true>(s, d, n) : SqrtRuns<false>(s, d, n);
}

// One sweep per run: each vector's sum q, its root (stored), and the tests of both; the
// doubtful lanes are fixed after the run. No branch waits for a root, so the loop runs ahead
// of the roots' latency.
template <bool kDeferred>
size_t MagnitudeRuns(const uint8_t* s, uint8_t* d, size_t n) {
  const DF df;
  const size_t N = hn::Lanes(df);
  auto magnitudeAt = [s](size_t k) {
    double re, im;
    std::memcpy(&re, s + 16 * k, 8);
    std::memcpy(&im, s + 16 * k + 8, 8);
    return Magnitude(re, im);
  };
  size_t i = 0;
  HWY_ALIGN double roots[kDeferred ? 1 : kRun * hn::MaxLanes(df)];
  alignas(8) uint8_t doubtful[kRun + 8];
  const VF margin = hn::Set(df, 0x1p-63 * (1.0 + 0x1p-40));
  while (i + N <= n) {
    const size_t vectors = (n - i) / N < kRun ? (n - i) / N : kRun;
    std::memset(doubtful, 0, (vectors + 7) & ~size_t{7});
    double* out = kDeferred ? reinterpret_cast<double*>(d + 8 * i) : roots;
    const unsigned laneBits = (1u << N) - 1;
    for (size_t v = 0; v < vectors; ++v) {
      VF re, im;
      hn::LoadInterleaved2(df, reinterpret_cast<const double*>(s + 16 * (i + v * N)), re, im);
      const VF p1 = hn::Mul(re, re), p2 = hn::Mul(im, im);
      const VF larger = hn::Max(p1, p2), smaller = hn::Min(p1, p2);
      const VF hi = hn::Add(p1, p2);
      const VF t = hn::Sub(smaller, hn::Sub(hi, larger));
      const VF l = hn::Add(hn::Add(t, SquareError(df, re, p1)), SquareError(df, im, p2));
      // hi + (l +- delta), delta = hi margin (exact with a fused multiply-add, else rounded
      // once, which keeps it above 2^-63 hi (1 + 2^-41)).
      const VF q = hn::Add(hi, hn::MulAdd(hi, margin, l));
      const MF zero = hn::Eq(hn::Abs(hn::Or(re, im)), hn::Zero(df));
      const MF range = hn::Or(Within(df, larger, 0x1p-960, 0x1p1000), zero);
      const MF sum = AndCompare<Cmp::kEq>(range, q, hn::Add(hi, hn::NegMulAdd(hi, margin, l)));
      const VF r = hn::Sqrt(q);
      hn::StoreU(r, df, out + v * N);
      const MF vouched = RootClose(df, sum, q, r);
      doubtful[v] = static_cast<uint8_t>(~MaskByte(df, vouched) & laneBits);
    }
    FixDoubtful(doubtful, vectors, N, [&](size_t j) {
      const double m = magnitudeAt(i + j);
      std::memcpy(out + j, &m, sizeof m);  // out may be the destination at any byte address
    });
    if constexpr (!kDeferred) {
      // The destination overlaps the source: written only now that the run's inputs are read.
      for (size_t j = 0; j < vectors * N; j += N) {
        const VF r = hn::Load(df, roots + j);
        hn::StoreU(r, df, reinterpret_cast<double*>(d + 8 * (i + j)));
      }
    }
    i += vectors * N;
  }
  return i;
}

size_t MagnitudeBlocks(const uint8_t* s, uint8_t* d, size_t n) {
  const bool apart = d + 8 * n <= s || s + 16 * n <= d;
  return apart ? MagnitudeRuns<true>(s, d, n) : MagnitudeRuns<false>(s, d, n);
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::elementary
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::elementary {

HWY_EXPORT(ExpBlocks);
HWY_EXPORT(SqrtBlocks);
HWY_EXPORT(MagnitudeBlocks);

ExpBlocksFn VectorExpBlocks() { return PF_HWY_DISPATCHED(ExpBlocks); }
SqrtBlocksFn VectorSqrtBlocks() { return PF_HWY_DISPATCHED(SqrtBlocks); }
ToRealBlocksFn VectorMagnitudeBlocks() { return PF_HWY_DISPATCHED(MagnitudeBlocks); }

}  // namespace builtin::elementary
#endif  // HWY_ONCE
