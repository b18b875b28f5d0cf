// The exponential's vector blocks, compiled for every instruction set that Highway targets and
// chosen at run time. A group of four consecutive inputs, all within the kernel's limits, is
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

#include <cstddef>
#include <cstdint>

#include "primitives/signal/ElementaryFunctionsKernels.h"
#include "primitives/support/HwyDispatch.h"

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

}  // namespace HWY_NAMESPACE
}  // namespace builtin::elementary
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::elementary {

HWY_EXPORT(ExpBlocks);

ExpBlocksFn VectorExpBlocks() { return PF_HWY_DISPATCHED(ExpBlocks); }

}  // namespace builtin::elementary
#endif  // HWY_ONCE
