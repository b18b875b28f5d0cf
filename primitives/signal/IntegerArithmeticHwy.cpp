// Vector blocks of the scaled int32 sums and differences and of the bitwise logic, compiled for every instruction set
// that Highway targets and chosen at run time. At sf = 0 the sum is saturated in int32 lanes
// (below). Otherwise each element is widened to 64 bits, where its sum or difference is exact,
// and goes through the vector form of the branch of the scale-factor rule chosen once per call
// (ScaleFactor.h): rounding half to even by (v + 2^(sf-1) - 1 + ((v >> sf) & 1)) >> sf with
// arithmetic shifts, then saturation; or the comparison with the bounds shifted down before
// the left shift. Every saturated value lies in int32, so its low word is the result.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/signal/IntegerArithmeticHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <cstddef>
#include <cstdint>

#include "primitives/signal/IntegerArithmeticKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::intarith {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D64 = hn::ScalableTag<int64_t>;
using V64 = hn::Vec<D64>;
using D32 = hn::Rebind<int32_t, D64>;  // as many int32 lanes as D64 has

HWY_INLINE V64 Saturate(D64 d, V64 v) {
  return hn::Min(hn::Max(v, hn::Set(d, int64_t{INT32_MIN})), hn::Set(d, int64_t{INT32_MAX}));
}

struct RoundDown {  // sf = shift in 1..32
  int shift;
  HWY_INLINE V64 operator()(D64 d, V64 v) const {
    const V64 half = hn::Set(d, (int64_t{1} << (shift - 1)) - 1);
    const V64 odd = hn::And(hn::ShiftRightSame(v, shift), hn::Set(d, int64_t{1}));
    return Saturate(d, hn::ShiftRightSame(hn::Add(hn::Add(v, half), odd), shift));
  }
};
struct ScaleUp {  // sf = -shift, shift in 1..62
  int shift;
  HWY_INLINE V64 operator()(D64 d, V64 v) const {
    const V64 high = hn::Set(d, int64_t{INT32_MAX} >> shift);
    const V64 low = hn::Set(d, -((int64_t{1} << 31) >> shift));
    const V64 scaled = hn::ShiftLeftSame(v, shift);
    return hn::IfThenElse(hn::Gt(v, high), hn::Set(d, int64_t{INT32_MAX}),
                          hn::IfThenElse(hn::Lt(v, low), hn::Set(d, int64_t{INT32_MIN}), scaled));
  }
};

HWY_INLINE V64 Load(D64 d, const uint8_t* p, size_t i) {
  const D32 d32;
  return hn::PromoteTo(d, hn::LoadU(d32, reinterpret_cast<const int32_t*>(p + 4 * i)));
}

HWY_INLINE void Store(D64, V64 v, uint8_t* p, size_t i) {
  const hn::RebindToUnsigned<D64> du;
  const hn::Rebind<uint32_t, D64> du32;
  hn::StoreU(hn::TruncateTo(du32, hn::BitCast(du, v)), du32,
             reinterpret_cast<uint32_t*>(p + 4 * i));
}

template <TSumOp kOp, class Rule>
HWY_INLINE size_t Loop(const uint8_t* a, const uint8_t* b, int64_t c, uint8_t* d, size_t n,
                       Rule rule) {
  const D64 d64;
  const size_t N = hn::Lanes(d64);
  const V64 constant = hn::Set(d64, c);
  size_t i = 0;
  for (; i + N <= n; i += N) {
    const V64 x = Load(d64, a, i);
    const V64 y = b ? Load(d64, b, i) : constant;
    const V64 v =
        kOp == TSumOp::Add ? hn::Add(x, y) : (kOp == TSumOp::Sub ? hn::Sub(x, y) : hn::Sub(y, x));
    Store(d64, rule(d64, v), d, i);
  }
  return i;
}

// sf = 0 in full int32 vectors: the wrapped sum or difference s and its saturation where it
// overflowed, which is exactly where the int64 value leaves int32. A sum overflows when both
// operands differ in sign from s, a difference x - y when x and y differ in sign and s differs
// from x; the saturated value has the sign of x (INT32_MIN for x < 0, else INT32_MAX).
template <TSumOp kOp>
HWY_INLINE size_t SaturatedLoop(const uint8_t* a, const uint8_t* b, int64_t c, uint8_t* d,
                                size_t n) {
  const hn::ScalableTag<int32_t> d32;
  const size_t N = hn::Lanes(d32);
  const auto constant = hn::Set(d32, static_cast<int32_t>(c));
  const auto largest = hn::Set(d32, INT32_MAX);
  size_t i = 0;
  for (; i + N <= n; i += N) {
    const auto u = hn::LoadU(d32, reinterpret_cast<const int32_t*>(a + 4 * i));
    const auto w = b ? hn::LoadU(d32, reinterpret_cast<const int32_t*>(b + 4 * i)) : constant;
    const auto x = kOp == TSumOp::SubRev ? w : u;  // x op y, y = the other operand
    const auto y = kOp == TSumOp::SubRev ? u : w;
    const auto s = kOp == TSumOp::Add ? hn::Add(x, y) : hn::Sub(x, y);
    const auto overflow = kOp == TSumOp::Add ? hn::And(hn::Xor(x, s), hn::Xor(y, s))
                                             : hn::And(hn::Xor(x, y), hn::Xor(x, s));
    const auto saturated = hn::Xor(hn::ShiftRight<31>(x), largest);
    hn::StoreU(hn::IfThenElse(hn::Lt(overflow, hn::Zero(d32)), saturated, s), d32,
               reinterpret_cast<int32_t*>(d + 4 * i));
  }
  return i;
}

template <TSumOp kOp>
HWY_INLINE size_t RuleLoop(const uint8_t* a, const uint8_t* b, int64_t c, uint8_t* d, size_t n,
                           int sf) {
  if (sf == 0) return SaturatedLoop<kOp>(a, b, c, d, n);
  if (sf > 0) return Loop<kOp>(a, b, c, d, n, RoundDown{sf});
  return Loop<kOp>(a, b, c, d, n, ScaleUp{sf < -62 ? 62 : -sf});
}

size_t SumBlocks(const uint8_t* a, const uint8_t* b, int64_t c, uint8_t* d, size_t n, int sf,
                 TSumOp op) {
  if (op == TSumOp::Add) return RuleLoop<TSumOp::Add>(a, b, c, d, n, sf);
  if (op == TSumOp::Sub) return RuleLoop<TSumOp::Sub>(a, b, c, d, n, sf);
  return RuleLoop<TSumOp::SubRev>(a, b, c, d, n, sf);
}

template <TLogicOp kOp>
HWY_INLINE size_t LogicLoop(const uint8_t* a, const uint8_t* b, uint32_t c, uint8_t* d, size_t n) {
  const hn::ScalableTag<uint32_t> du;
  const size_t N = hn::Lanes(du);
  const auto constant = hn::Set(du, c);
  size_t i = 0;
  for (; i + N <= n; i += N) {
    const auto x = hn::LoadU(du, reinterpret_cast<const uint32_t*>(a + 4 * i));
    const auto y = b ? hn::LoadU(du, reinterpret_cast<const uint32_t*>(b + 4 * i)) : constant;
    const auto r =
        kOp == TLogicOp::And ? hn::And(x, y) : (kOp == TLogicOp::Or ? hn::Or(x, y) : hn::Xor(x, y));
    hn::StoreU(r, du, reinterpret_cast<uint32_t*>(d + 4 * i));
  }
  return i;
}

size_t LogicBlocks(const uint8_t* a, const uint8_t* b, uint32_t c, uint8_t* d, size_t n,
                   TLogicOp op) {
  if (op == TLogicOp::And) return LogicLoop<TLogicOp::And>(a, b, c, d, n);
  if (op == TLogicOp::Or) return LogicLoop<TLogicOp::Or>(a, b, c, d, n);
  return LogicLoop<TLogicOp::Xor>(a, b, c, d, n);
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::intarith
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::intarith {

HWY_EXPORT(SumBlocks);
HWY_EXPORT(LogicBlocks);

SumBlocksFn VectorSumBlocks() { return PF_HWY_DISPATCHED(SumBlocks); }
LogicBlocksFn VectorLogicBlocks() { return PF_HWY_DISPATCHED(LogicBlocks); }

}  // namespace builtin::intarith
#endif  // HWY_ONCE
