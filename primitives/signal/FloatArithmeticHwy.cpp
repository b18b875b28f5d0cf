// Vector blocks of the float64 sums, differences, products and quotients, compiled for every
// instruction set that Highway targets and chosen at run time. Each lane computes the double
// result and its exact error (two-sum; for products a fused multiply-subtract, or without one
// Dekker's product with Veltkamp's split), and the vector is stored only when the guard of
// FloatArithmetic.cpp vouches for every lane.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/signal/FloatArithmeticHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <cmath>

#include <hwy/highway.h>

#include "primitives/signal/FloatArithmeticKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::floatarith {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<double>;
using VF = hn::Vec<DF>;
using MF = hn::Mask<DF>;

// The limits of the guard (see FloatArithmetic.cpp).
constexpr double kNudge = 1.0 + 0x1p-9;
constexpr double kSplit = 134217729.0;  // 2^27 + 1
constexpr double kSplitLimit = 0x1p995;
constexpr double kProductLow = 0x1p-900;
constexpr double kProductHigh = 0x1p1000;
constexpr double kLargest = 0x1.fffffffffffffp1023;
constexpr double kShortSplit = 0x1p45 + 1.0;
constexpr double kQuotientMargin = 0x1p-11;

HWY_INLINE VF LoadAt(DF df, const uint8_t* p, size_t i) {
  return hn::LoadU(df, reinterpret_cast<const double*>(p + 8 * i));
}

HWY_INLINE MF Vouched(DF df, VF s, VF e) {
  return hn::Eq(hn::Add(s, hn::Mul(e, hn::Set(df, kNudge))), s);
}

HWY_INLINE MF InRange(DF df, VF x, double low, double high) {
  const VF m = hn::Abs(x);
  return hn::And(hn::Ge(m, hn::Set(df, low)), hn::Le(m, hn::Set(df, high)));
}

// Whether e has at most 8 significant bits (Veltkamp's split keeps 8 in its high part). A sum
// whose error is that short is a long double itself, so both roundings give s.
HWY_INLINE MF ShortError(DF df, VF e) {
  const VF c = hn::Mul(hn::Set(df, kShortSplit), e);
  return hn::Eq(hn::Sub(c, hn::Sub(c, e)), e);
}

HWY_INLINE VF TwoSumError(VF a, VF b, VF s) {
  const VF bv = hn::Sub(s, a);
  return hn::Add(hn::Sub(a, hn::Sub(s, bv)), hn::Sub(b, bv));
}

// a * b - p exactly, for p = fl(a * b) in the guard's range: one fused multiply-subtract where
// the instruction set has it (exact there as well), else Dekker's product.
HWY_INLINE VF ProductError(DF df, VF a, VF b, VF p) {
#if HWY_NATIVE_FMA
  (void)df;
  return hn::MulSub(a, b, p);
#else
  const VF k = hn::Set(df, kSplit);
  const VF ca = hn::Mul(k, a), cb = hn::Mul(k, b);
  const VF ah = hn::Sub(ca, hn::Sub(ca, a)), al = hn::Sub(a, ah);
  const VF bh = hn::Sub(cb, hn::Sub(cb, b)), bl = hn::Sub(b, bh);
  return hn::Add(hn::Add(hn::Add(hn::Sub(hn::Mul(ah, bh), p), hn::Mul(ah, bl)), hn::Mul(al, bh)),
                 hn::Mul(al, bl));
#endif
}

// The range where the product's error is exact: Veltkamp's split needs both factors below
// 2^995, the fused form only a product that neither underflows nor overflows.
HWY_INLINE MF ProductInRange(DF df, VF a, VF b, VF p) {
#if HWY_NATIVE_FMA
  (void)a;
  (void)b;
  return InRange(df, p, kProductLow, kProductHigh);
#else
  return hn::And(hn::And(InRange(df, a, 0.0, kSplitLimit), InRange(df, b, 0.0, kSplitLimit)),
                 InRange(df, p, kProductLow, kProductHigh));
#endif
}

template <class Lane>
HWY_INLINE size_t Blocks(const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n, Lane lane) {
  const DF df;
  const size_t lanes = hn::Lanes(df);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    MF ok;
    const VF r = lane(df, LoadAt(df, a, i), LoadAt(df, b, i), ok);
    if (!hn::AllTrue(df, ok)) break;
    hn::StoreU(r, df, reinterpret_cast<double*>(d + 8 * i));
  }
  return i;
}

size_t AddBlocks(const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n) {
  return Blocks(a, b, d, n, [](DF df, VF x, VF y, MF& ok) {
    const VF s = hn::Add(x, y);
    const VF e = TwoSumError(x, y, s);
    ok = hn::And(hn::IsFinite(s), hn::Or(Vouched(df, s, e), ShortError(df, e)));
    return s;
  });
}

size_t SubBlocks(const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n) {
  return Blocks(a, b, d, n, [](DF df, VF x, VF y, MF& ok) {
    const VF s = hn::Sub(x, y);
    const VF e = TwoSumError(x, hn::Neg(y), s);
    ok = hn::And(hn::IsFinite(s), hn::Or(Vouched(df, s, e), ShortError(df, e)));
    return s;
  });
}

size_t MulBlocks(const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n) {
  return Blocks(a, b, d, n, [](DF df, VF x, VF y, MF& ok) {
    const VF p = hn::Mul(x, y);
    ok = hn::And(ProductInRange(df, x, y, p), Vouched(df, p, ProductError(df, x, y, p)));
    return p;
  });
}

// The quotient's guard (see FloatArithmetic.cpp). With the exact remainder r = x - q y and
// s = 2^E |y| for the binade 2^E <= |q| < 2^(E+1), q is vouched for unless |r| 2^53 lies within
// s 2^-11 of s. The scalings by powers of two are exact in the range checked, so the test
// rounds only its one difference.
size_t DivBlocks(const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n) {
  return Blocks(a, b, d, n, [](DF df, VF x, VF y, MF& ok) {
    const VF q = hn::Div(x, y);
    const VF hi = hn::Mul(q, y);
    const VF r = hn::Abs(hn::Sub(hn::Sub(x, hi), ProductError(df, q, y, hi)));
    const VF binade = hn::And(q, hn::Set(df, HUGE_VAL));  // the exponent bits of q
    const VF s = hn::Mul(binade, hn::Abs(y));
    const VF margin = hn::Mul(s, hn::Set(df, kQuotientMargin));
    const MF clear = hn::Gt(hn::Abs(hn::MulSub(r, hn::Set(df, 0x1p53), s)), margin);
#if HWY_NATIVE_FMA
    // hi is within a relative 2^-52 of x, so it neither underflows nor overflows either.
    const MF exact =
        hn::And(InRange(df, q, kProductLow, kLargest), InRange(df, x, kProductLow, kProductHigh));
#else
    const MF exact =
        hn::And(hn::And(ProductInRange(df, q, y, hi), InRange(df, q, kProductLow, kLargest)),
                InRange(df, x, kProductLow, kProductHigh));
#endif
    ok = hn::And(exact, clear);
    return q;
  });
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::floatarith
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::floatarith {

HWY_EXPORT(AddBlocks);
HWY_EXPORT(SubBlocks);
HWY_EXPORT(MulBlocks);
HWY_EXPORT(DivBlocks);

GuardedBlocksFn VectorGuarded(TGuardedOp op) {
  switch (op) {
    case TGuardedOp::Add:
      return PF_HWY_DISPATCHED(AddBlocks);
    case TGuardedOp::Sub:
      return PF_HWY_DISPATCHED(SubBlocks);
    case TGuardedOp::Mul:
      return PF_HWY_DISPATCHED(MulBlocks);
    case TGuardedOp::Div:
      return PF_HWY_DISPATCHED(DivBlocks);
  }
  return nullptr;
}

}  // namespace builtin::floatarith
#endif  // HWY_ONCE
