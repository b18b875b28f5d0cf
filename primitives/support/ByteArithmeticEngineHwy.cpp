// Vector blocks of the 8-bit arithmetic engines (see ByteArithmeticEngineKernels.h), compiled
// once per instruction set; the functions at the end return the one for the running processor.
//
// Sums, differences and products are formed in 16-bit lanes (at most 255 * 255) and scaled
// there: a positive factor splits v into v >> sf and its remainder and rounds half to even
// from them, a negative factor compares v with 255 >> -sf before it shifts, so no lane
// overflows. At sf = 0 a sum and a difference are the saturating byte operations themselves,
// and at sf = 1 (the factor of the image buffer's arithmetic) they stay in bytes too.
//
// Quotients are formed in float: dividend * 2^(-sf) is exact, the division rounds once, and
// the result is rounded half to even. For -15 <= sf <= 8 and 8-bit operands the float
// quotient is never on the other side of a half-integer than the exact one (its error is
// below 2^-16 where the result is below 256, and an exact quotient that is no tie lies at
// least 1 / 510 * 2^(-sf) from every half-integer), so the bytes equal the exact rule's. The
// conversion to integer lanes takes values already rounded and below 2^23, where it is exact;
// the plain reference converts through FloatToInt.h.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/support/ByteArithmeticEngineHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "primitives/support/ByteArithmeticEngineKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::arith {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// ---- Sums, differences and products in 16-bit lanes --------------------------------------------

// The exact value of one pair of widened bytes.
struct TAddLanes {
  template <class V>
  HWY_INLINE V operator()(V a, V b) const {
    return hn::Add(a, b);
  }
};
struct TSubLanes {  // below 0 is 0
  template <class V>
  HWY_INLINE V operator()(V a, V b) const {
    return hn::SaturatedSub(a, b);
  }
};
struct TMulLanes {
  template <class V>
  HWY_INLINE V operator()(V a, V b) const {
    return hn::Mul(a, b);
  }
};

// The three branches of the scale-factor rule on values below 2^16, results at most 255.
struct TExactLanes {
  template <class D, class V>
  HWY_INLINE V operator()(D d, V v) const {
    return hn::Min(v, hn::Set(d, 255));
  }
};

struct TRoundDownLanes {  // 1 <= Shift <= 16
  int Shift;
  template <class D, class V>
  HWY_INLINE V operator()(D d, V v) const {
    // q = v >> Shift in two steps, so that no single shift spans the whole lane.
    const V q = hn::ShiftRightSame(hn::ShiftRightSame(v, Shift - 1), 1);
    const V remainder = hn::And(v, hn::Set(d, static_cast<uint16_t>((1u << Shift) - 1)));
    const V one = hn::Set(d, 1);
    // Up when the remainder passes one half, or equals it and q is odd.
    const auto up = hn::Gt(hn::Add(remainder, hn::And(q, one)),
                           hn::Set(d, static_cast<uint16_t>(1u << (Shift - 1))));
    return hn::Min(hn::Add(q, hn::IfThenElseZero(up, one)), hn::Set(d, 255));
  }
};

struct TScaleUpLanes {  // Shift >= 1
  int Shift;
  template <class D, class V>
  HWY_INLINE V operator()(D d, V v) const {
    const V high = hn::Set(d, static_cast<uint16_t>(255 >> (Shift > 8 ? 8 : Shift)));
    const V shifted = hn::ShiftLeftSame(v, Shift > 15 ? 15 : Shift);  // kept only when v <= high
    return hn::IfThenElse(hn::Gt(v, high), hn::Set(d, 255), shifted);
  }
};

// ---- The row walk ----------------------------------------------------------------------------

// A row of n bytes in vectors of d's lanes (bytes d8's), result(i) giving the result bytes
// [i, i + lanes) and stored through d8. Rows of two vectors or more are done whole, their
// stores aligned: the body's vectors start at the first multiple of `lanes` bytes of dst, so
// that none straddles two cache lines (in place, a store that does reads a line the previous
// one is still writing, and the row runs at about half speed), and the bytes before that start
// and after the body's last whole vector come from one vector at each end of the row. Those
// two are computed before anything is stored (so in place from the bytes as they were) and
// stored last, over bytes to which the body gave the same values. Shorter rows are done in
// whole vectors from their start. Returns the bytes done.
template <class D8, class Result>
HWY_INLINE size_t AlignedRow(D8 d8, uint8_t* dst, size_t n, size_t lanes, Result result) {
  size_t i = 0;
  if (n < 2 * lanes) {
    for (; i + lanes <= n; i += lanes) hn::StoreU(result(i), d8, dst + i);
    return i;
  }
  const auto head = result(0);
  const auto tail = result(n - lanes);
  i = static_cast<size_t>(-reinterpret_cast<uintptr_t>(dst)) & (lanes - 1);
  const bool headLeft = i != 0;
  for (; i + 2 * lanes <= n; i += 2 * lanes) {  // two vectors a step keep both ports busy
    const auto v0 = result(i);
    const auto v1 = result(i + lanes);
    hn::StoreU(v0, d8, dst + i);
    hn::StoreU(v1, d8, dst + i + lanes);
  }
  for (; i + lanes <= n; i += lanes) hn::StoreU(result(i), d8, dst + i);
  if (headLeft) hn::StoreU(head, d8, dst);
  if (i != n) hn::StoreU(tail, d8, dst + n - lanes);
  return n;
}

// dst[i] = rule(op(first[i], second[i])) for the n bytes of a row (AlignedRow), in d16's lanes;
// returns the bytes done.
template <class D16, class Op, class Rule>
HWY_INLINE size_t WidenedLoop(D16 d16, const uint8_t* first, const uint8_t* second, uint8_t* dst,
                              size_t n, Op op, Rule rule) {
  const hn::Rebind<uint8_t, D16> d8;
  const hn::Rebind<int16_t, D16> di16;
  return AlignedRow(d8, dst, n, hn::Lanes(d16), [&](size_t i) {
    const auto a = hn::PromoteTo(d16, hn::LoadU(d8, first + i));
    const auto b = hn::PromoteTo(d16, hn::LoadU(d8, second + i));
    return hn::DemoteTo(d8, hn::BitCast(di16, rule(d16, op(a, b))));
  });
}

// At sf = 0 a sum or a difference is one saturating byte operation.
template <class D8, class Op>
HWY_INLINE size_t ByteLoop(D8 d8, const uint8_t* first, const uint8_t* second, uint8_t* dst,
                           size_t n, Op op) {
  return AlignedRow(d8, dst, n, hn::Lanes(d8), [&](size_t i) {
    return op(hn::LoadU(d8, first + i), hn::LoadU(d8, second + i));
  });
}

template <class Op>
HWY_INLINE size_t ScaledBlocks(const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n, int sf,
                               Op op) {
  const hn::ScalableTag<uint16_t> d16;
  if (sf == 0) return WidenedLoop(d16, a, b, d, n, op, TExactLanes{});
  if (sf > 0) return WidenedLoop(d16, a, b, d, n, op, TRoundDownLanes{sf});
  return WidenedLoop(d16, a, b, d, n, op, TScaleUpLanes{sf < -16 ? 16 : -sf});
}

// At sf = 1 a sum and a difference stay in bytes as well. The rounded-up average less one
// where the sum is odd and the average odd gives the sum halved with ties to even; a
// difference halved goes up where it and its half are both odd.
struct TAverageEvenBytes {
  template <class V>
  HWY_INLINE V operator()(V a, V b) const {
    const V up = hn::AverageRound(a, b);
    return hn::Sub(up, hn::And(hn::And(hn::Xor(a, b), up), hn::Set(hn::DFromV<V>(), 1)));
  }
};
struct THalfDifferenceEvenBytes {
  template <class V>
  HWY_INLINE V operator()(V a, V b) const {
    const V v = hn::SaturatedSub(a, b);
    const V half = hn::ShiftRight<1>(v);
    return hn::Add(half, hn::And(hn::And(v, half), hn::Set(hn::DFromV<V>(), 1)));
  }
};

// The byte operations of sf 0 and 1 are bound by memory traffic; 512-bit vectors make them no
// faster and the rows' ends dearer, so theirs are at most 256 bits wide.
using DBytes = hn::CappedTag<uint8_t, 32>;

// The blocks of each operation, sf from INT32_MIN to 16 (larger factors give 0 and never reach
// them).
size_t Add8uBlocks(const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n, int sf) {
  const DBytes d8;
  if (sf == 0)
    return ByteLoop(d8, a, b, d, n, [](auto x, auto y) { return hn::SaturatedAdd(x, y); });
  if (sf == 1) return ByteLoop(d8, a, b, d, n, TAverageEvenBytes{});
  return ScaledBlocks(a, b, d, n, sf, TAddLanes{});
}

size_t Sub8uBlocks(const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n, int sf) {
  const DBytes d8;
  if (sf == 0)
    return ByteLoop(d8, a, b, d, n, [](auto x, auto y) { return hn::SaturatedSub(x, y); });
  if (sf == 1) return ByteLoop(d8, a, b, d, n, THalfDifferenceEvenBytes{});
  return ScaledBlocks(a, b, d, n, sf, TSubLanes{});
}

size_t Mul8uBlocks(const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n, int sf) {
  return ScaledBlocks(a, b, d, n, sf, TMulLanes{});
}

// ---- Quotients in float lanes ----------------------------------------------------------------

// dst[i] = first[i] * factor / second[i] rounded half to even, at most 255, for the n bytes of a
// row (AlignedRow) in df's lanes; a zero divisor gives 255 for a non-zero dividend and 0 for 0.
// Returns the bytes done and sets zeroDivisor when a divisor of theirs was 0.
template <class DF>
HWY_INLINE size_t DivLoop(DF df, const uint8_t* first, const uint8_t* second, uint8_t* dst,
                          size_t n, float factor, bool& zeroDivisor) {
  const hn::RebindToSigned<DF> di;
  const hn::Rebind<uint8_t, DF> d8;
  const auto zero = hn::Zero(di);
  const auto one = hn::Set(di, 1);
  const auto max = hn::Set(di, 255);
  const auto f = hn::Set(df, factor);
  auto zeroSeen = zero;
  const size_t done = AlignedRow(d8, dst, n, hn::Lanes(df), [&](size_t i) {
    const auto dividend = hn::PromoteTo(di, hn::LoadU(d8, first + i));
    const auto divisor = hn::PromoteTo(di, hn::LoadU(d8, second + i));
    const auto isZero = hn::Eq(divisor, zero);
    const auto q = hn::Div(hn::Mul(hn::ConvertTo(df, dividend), f),
                           hn::ConvertTo(df, hn::IfThenElse(isZero, one, divisor)));
    const auto quotient = hn::Min(hn::ConvertTo(di, hn::Round(q)), max);
    const auto byZero = hn::IfThenElseZero(hn::Gt(dividend, zero), max);
    zeroSeen = hn::Or(zeroSeen, hn::VecFromMask(di, isZero));
    return hn::DemoteTo(d8, hn::IfThenElse(isZero, byZero, quotient));
  });
  if (!hn::AllTrue(di, hn::Eq(zeroSeen, zero))) zeroDivisor = true;
  return done;
}

// 2^(-sf), exact in float for the factors that reach these kernels (-15 .. 8).
inline float DivFactor(int sf) {
  return sf >= 0 ? 1.0f / static_cast<float>(1 << (sf & 15)) : static_cast<float>(1 << (-sf & 15));
}

size_t Div8uBlocks(const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n, int sf,
                   bool& zeroDivisor) {
  return DivLoop(hn::ScalableTag<float>(), a, b, d, n, DivFactor(sf), zeroDivisor);
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::arith
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::arith {

HWY_EXPORT(Add8uBlocks);
HWY_EXPORT(Sub8uBlocks);
HWY_EXPORT(Mul8uBlocks);
HWY_EXPORT(Div8uBlocks);

ArithBlocksFn VectorArith8u(TArith8u op) {
  switch (op) {
    case TArith8u::Add:
      return PF_HWY_DISPATCHED(Add8uBlocks);
    case TArith8u::Sub:
      return PF_HWY_DISPATCHED(Sub8uBlocks);
    case TArith8u::Mul:
      break;
  }
  return PF_HWY_DISPATCHED(Mul8uBlocks);
}

DivBlocksFn VectorDiv8u() { return PF_HWY_DISPATCHED(Div8uBlocks); }

}  // namespace builtin::arith
#endif
