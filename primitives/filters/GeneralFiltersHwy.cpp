// Vector blocks of the general kernel filters, compiled for every instruction set that Highway
// targets and chosen at run time (GeneralFiltersKernels.h says what each vouches for).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/filters/GeneralFiltersHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/filters/GeneralFiltersKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::general {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET != HWY_SCALAR
// The bytes of one vector of 16-bit sums under the divisor's mode.
template <class D16>
HWY_INLINE hn::Vec<hn::Rebind<uint8_t, D16>> SumBytes(D16 d16, hn::Vec<D16> acc,
                                                      const IntegerPlan& p) {
  const hn::RebindToUnsigned<D16> du16;
  const hn::Rebind<uint8_t, D16> d8;
  const auto u = hn::BitCast(du16, acc);
  const auto top = hn::Set(du16, 255);
  if (p.divisor.mode == KernelDivisor::kPlain) {
    if (!p.unsignedSums) return hn::DemoteTo(d8, acc);
    return hn::DemoteTo(d8, hn::BitCast(d16, hn::Min(u, top)));
  }
  if (p.divisor.mode == KernelDivisor::kShift) {
    // (s + 2^(k-1)) >> k = ((s >> (k-1)) + 1) >> 1 for s >= 0, without overflow.
    const auto s = p.unsignedSums ? u : hn::BitCast(du16, hn::Max(acc, hn::Zero(d16)));
    const auto q = hn::AverageRound(hn::ShiftRightSame(s, p.divisor.shift - 1), hn::Zero(du16));
    return hn::DemoteTo(d8, hn::BitCast(d16, hn::Min(q, top)));
  }
  // Scale: s * factor and that plus one half are exact in double (a 17-bit sum times a 24-bit
  // factor), so trunc(v + 0.5) is the extended result (KernelDivisor's exact form).
  const hn::Repartition<int32_t, D16> d32;
  const hn::Half<decltype(d32)> dh32;
  const hn::Rebind<double, decltype(dh32)> df;
  const hn::Half<D16> dh16;
  const hn::RebindToUnsigned<decltype(dh16)> duh16;
  const auto factor = hn::Set(df, static_cast<double>(p.divisor.factor));
  const auto half = hn::Set(df, 0.5), most = hn::Set(df, 255.0);
  const auto quotient = [&](hn::Vec<decltype(df)> s) {
    const auto v = hn::Mul(s, factor);
    return hn::DemoteTo(dh32, hn::IfThenElseZero(hn::Gt(v, hn::Zero(df)),
                                                 hn::Min(hn::Trunc(hn::Add(v, half)), most)));
  };
  // Where factor = M 2^-e with 13 <= e <= 31, the quotient is integer arithmetic in 32-bit
  // lanes: with s' = max(s, 0) (max(-s, 0) for a negative factor: the non-positive quotients
  // are 0), s' <= 2^16 and M = Mhi 2^12 + Mlo, trunc(s' f + 0.5) = floor((s' M + 2^(e-1)) / 2^e)
  // = (s' Mhi + ((s' Mlo + 2^(e-1)) >> 12)) >> (e - 12), every term below 2^31.
  const int64_t m = p.divisor.multiplier < 0 ? -p.divisor.multiplier : p.divisor.multiplier;
  const int e = p.divisor.exponent;
  const bool split = e >= 13 && e <= 31;
  const auto mhi = hn::Set(d32, static_cast<int32_t>(m >> 12));
  const auto mlo = hn::Set(d32, static_cast<int32_t>(m & 0xFFF));
  const auto round = hn::Set(d32, static_cast<int32_t>(split ? int64_t{1} << (e - 1) : 0));
  const auto top32 = hn::Set(d32, 255);
  const bool negative = p.divisor.multiplier < 0;
  const auto quotients32 = [&](hn::Vec<decltype(d32)> s) {
    if (split) {
      const auto sp = hn::Max(negative ? hn::Neg(s) : s, hn::Zero(d32));
      const auto x = hn::ShiftRight<12>(hn::Add(hn::Mul(sp, mlo), round));
      return hn::Min(hn::ShiftRightSame(hn::Add(hn::Mul(sp, mhi), x), e - 12), top32);
    }
    return hn::Combine(d32, quotient(hn::PromoteTo(df, hn::UpperHalf(dh32, s))),
                       quotient(hn::PromoteTo(df, hn::LowerHalf(dh32, s))));
  };
  hn::Vec<decltype(d32)> lo, hi;
  if (p.unsignedSums) {
    lo = hn::BitCast(d32,
                     hn::PromoteTo(hn::RebindToUnsigned<decltype(d32)>(), hn::LowerHalf(duh16, u)));
    hi = hn::BitCast(d32,
                     hn::PromoteTo(hn::RebindToUnsigned<decltype(d32)>(), hn::UpperHalf(duh16, u)));
  } else {
    lo = hn::PromoteTo(d32, hn::LowerHalf(dh16, acc));
    hi = hn::PromoteTo(d32, hn::UpperHalf(dh16, acc));
  }
  const auto r16 =
      hn::Combine(d16, hn::DemoteTo(dh16, quotients32(hi)), hn::DemoteTo(dh16, quotients32(lo)));
  return hn::DemoteTo(d8, r16);
}
#endif

size_t IntegerBlocks(const uint8_t* src, uint8_t* out, size_t len, const IntegerPlan& p) {
#if HWY_TARGET == HWY_SCALAR
  (void)src, (void)out, (void)len, (void)p;
  return 0;
#else
  const hn::ScalableTag<int16_t> d16;
  const hn::RebindToUnsigned<decltype(d16)> du16;
  const hn::Rebind<uint8_t, decltype(d16)> d8;
  const size_t lanes = hn::Lanes(d16);
  size_t i = 0;
  for (; i + lanes <= len; i += lanes) {
    auto acc = hn::Zero(d16);
    for (int32_t j = 0; j < p.kh; ++j) {
      const uint8_t* row =
          src + i + static_cast<ptrdiff_t>(p.srcStep) * (static_cast<int64_t>(p.ay) - j);
      const int32_t* krow = p.kernel + static_cast<ptrdiff_t>(j) * p.kw;
      for (int32_t t = 0; t < p.kw; ++t) {
        if (krow[t] == 0) continue;
        const auto px = hn::BitCast(
            d16, hn::PromoteTo(du16, hn::LoadU(d8, row + static_cast<ptrdiff_t>(p.c) *
                                                             (static_cast<int64_t>(p.ax) - t))));
        acc = hn::Add(
            acc, hn::Mul(px, hn::Set(d16, static_cast<int16_t>(static_cast<uint16_t>(krow[t])))));
      }
    }
    hn::StoreU(SumBytes(d16, acc, p), d8, out + i);
  }
  return i;
#endif
}

size_t FloatBlocks(const uint8_t* src, ptrdiff_t tapStride, const float* k, int n, int anchor,
                   uint8_t* out, size_t len, float reach) {
  const hn::ScalableTag<float> df;
  const hn::Rebind<int32_t, decltype(df)> di;
  const hn::Rebind<uint8_t, decltype(df)> d8;
  const size_t lanes = hn::Lanes(df);
  const auto half = hn::Set(df, 0.5f), one = hn::Set(df, 1.0f), most = hn::Set(df, 255.0f);
  const auto r = hn::Set(df, reach);
  const auto pixels = [&](size_t at, int t) {
    return hn::ConvertTo(
        df, hn::PromoteTo(
                di, hn::LoadU(d8, src + at + tapStride * (static_cast<int64_t>(anchor) - t))));
  };
  // Stores the bytes of one vector of sums; false (nothing stored) next to a rounding point.
  const auto put = [&](hn::Vec<decltype(df)> acc, size_t at) {
    const auto whole = hn::Floor(acc);
    const auto frac = hn::Sub(acc, whole);
    if (!hn::AllTrue(df, hn::Gt(hn::Abs(hn::Sub(frac, half)), r))) return false;
    const auto q = hn::Min(
        hn::Max(hn::Add(whole, hn::IfThenElseZero(hn::Ge(frac, half), one)), hn::Zero(df)), most);
    hn::StoreU(hn::DemoteTo(d8, hn::ConvertTo(di, q)), d8, out + at);
    return true;
  };
  // Two vectors a step, so that their sums' chains of additions overlap. A fused multiply-add
  // rounds once where the separate operations round twice: within the reach either way.
  size_t i = 0;
  for (; i + 2 * lanes <= len; i += 2 * lanes) {
    auto acc0 = hn::Zero(df), acc1 = hn::Zero(df);
    for (int t = n - 1; t >= 0; --t) {
      const auto w = hn::Set(df, k[t]);
      acc0 = hn::MulAdd(w, pixels(i, t), acc0);
      acc1 = hn::MulAdd(w, pixels(i + lanes, t), acc1);
    }
    if (!put(acc0, i)) return i;
    if (!put(acc1, i + lanes)) return i + lanes;
  }
  for (; i + lanes <= len; i += lanes) {
    auto acc = hn::Zero(df);
    for (int t = n - 1; t >= 0; --t) acc = hn::MulAdd(hn::Set(df, k[t]), pixels(i, t), acc);
    if (!put(acc, i)) break;
  }
  return i;
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::general
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::general {

HWY_EXPORT(IntegerBlocks);
HWY_EXPORT(FloatBlocks);

IntegerBlocksFn VectorIntegerBlocks() { return PF_HWY_DISPATCHED(IntegerBlocks); }
FloatBlocksFn VectorFloatBlocks() { return PF_HWY_DISPATCHED(FloatBlocks); }

}  // namespace builtin::general
#endif  // HWY_ONCE
