// Vector kernels of the byte-wise row engine (see BytewiseEngine.h), compiled once per
// instruction set; the plain entry point at the end picks one per call.
//
// AND, OR, XOR and the absolute difference work whole byte vectors. The scaled product works 16-bit
// lanes: t = a * b <= 65025 and t + (t >> 8) + 1 <= 65280 stay within them. A constant that is one
// byte repeated (the complement, the one-channel constants) is held in a register instead of being
// loaded from its pattern.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/support/BytewiseEngineHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "primitives/support/BytewiseEngine.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::bytewise {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// ---- Operations on byte vectors --------------------------------------------------------------

// dst[i] = op(a[i], b[i]) for the whole vectors of d's lanes in n bytes; returns the bytes
// done. Called again with a one-lane tag, the same code does the rest.
template <class D, class Op>
HWY_INLINE size_t BytesLoop(D d, const uint8_t* a, const uint8_t* b, uint8_t* dst, size_t n,
                            Op op) {
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes)
    hn::StoreU(op(hn::LoadU(d, a + i), hn::LoadU(d, b + i)), d, dst + i);
  return i;
}

// The same with the second operand one byte c.
template <class D, class Op>
HWY_INLINE size_t ByteConstantLoop(D d, const uint8_t* a, uint8_t c, uint8_t* dst, size_t n,
                                   Op op) {
  const auto vc = hn::Set(d, c);
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) hn::StoreU(op(hn::LoadU(d, a + i), vc), d, dst + i);
  return i;
}

// ---- The scaled product in 16-bit lanes ------------------------------------------------------

template <class D16>
HWY_INLINE hn::Vec<D16> MulScaleLanes(D16 d16, hn::Vec<D16> a, hn::Vec<D16> b) {
  const auto t = hn::Mul(a, b);
  return hn::ShiftRight<8>(hn::Add(hn::Add(t, hn::ShiftRight<8>(t)), hn::Set(d16, 1)));
}

template <class D16>
HWY_INLINE size_t MulScaleLoop(D16 d16, const uint8_t* a, const uint8_t* b, uint8_t* dst,
                               size_t n) {
  const hn::Rebind<uint8_t, D16> d8;
  const hn::Rebind<int16_t, D16> di16;
  const size_t lanes = hn::Lanes(d16);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const auto va = hn::PromoteTo(d16, hn::LoadU(d8, a + i));
    const auto vb = hn::PromoteTo(d16, hn::LoadU(d8, b + i));
    hn::StoreU(hn::DemoteTo(d8, hn::BitCast(di16, MulScaleLanes(d16, va, vb))), d8, dst + i);
  }
  return i;
}

template <class D16>
HWY_INLINE size_t MulScaleConstantLoop(D16 d16, const uint8_t* a, uint8_t c, uint8_t* dst,
                                       size_t n) {
  const hn::Rebind<uint8_t, D16> d8;
  const hn::Rebind<int16_t, D16> di16;
  const auto vc = hn::Set(d16, static_cast<uint16_t>(c));
  const size_t lanes = hn::Lanes(d16);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const auto va = hn::PromoteTo(d16, hn::LoadU(d8, a + i));
    hn::StoreU(hn::DemoteTo(d8, hn::BitCast(di16, MulScaleLanes(d16, va, vc))), d8, dst + i);
  }
  return i;
}

// ---- Rows ------------------------------------------------------------------------------------

// The byte repeated by a pattern that holds one byte only; false for any other second operand.
bool UniformPattern(const TRows8u& r, uint8_t& c) {
  if (!r.SecondIsPattern) return false;
  c = r.Second[0];
  for (int32_t i = 1; i < arith::kPatternBytes; ++i)
    if (r.Second[i] != c) return false;
  return true;
}

// Every row of the region through loop(tag, a, b, dst, n), which does the whole vectors of
// the lanes of D and returns the bytes done, first with the full vector tag and then with
// a one-lane tag for the rest; a one-byte pattern goes through constantLoop(tag, a, c, dst, n).
template <class D, class Loop, class ConstantLoop>
void WalkRows(const TRows8u& r, Loop loop, ConstantLoop constantLoop) {
  const D d;
  const hn::CappedTag<hn::TFromD<D>, 1> d1;
  uint8_t c = 0;
  if (UniformPattern(r, c)) {
    const TRows8u m = arith::Merged(r);
    for (int32_t y = 0; y < m.Height; ++y) {
      const uint8_t* a = rows::Row(m.First, m.FirstStep, y);
      uint8_t* dst = rows::Row(m.Dst, m.DstStep, y);
      const size_t n = static_cast<size_t>(m.RowBytes);
      const size_t i = constantLoop(d, a, c, dst, n);
      constantLoop(d1, a + i, c, dst + i, n - i);
    }
    return;
  }
  arith::ForEachRowPiece(arith::Merged(r),
                         [&](const uint8_t* a, const uint8_t* b, uint8_t* dst, size_t n) {
                           const size_t i = loop(d, a, b, dst, n);
                           loop(d1, a + i, b + i, dst + i, n - i);
                         });
}

// The byte operations are bound by memory traffic, and 512-bit stores make them slower on the
// processors that have them, so their vectors are at most 256 bits wide; the scaled product,
// which computes more per byte, uses the full width.
template <class Op>
void BytesRows(const TRows8u& r, Op op) {
  WalkRows<hn::CappedTag<uint8_t, 32>>(
      r, [op](auto d, auto... args) { return BytesLoop(d, args..., op); },
      [op](auto d, auto... args) { return ByteConstantLoop(d, args..., op); });
}

void MulScaleRows(const TRows8u& r) {
  WalkRows<hn::ScalableTag<uint16_t>>(
      r, [](auto d, auto... args) { return MulScaleLoop(d, args...); },
      [](auto d, auto... args) { return MulScaleConstantLoop(d, args...); });
}

// And, Or, Xor, AbsDiff and MulScale (the engine sends the shifts to the plain loop).
void ByteOpRowsKernel(TByteOp op, const TRows8u& r) {
  switch (op) {
    case TByteOp::And:
      return BytesRows(r, [](auto a, auto b) { return hn::And(a, b); });
    case TByteOp::Or:
      return BytesRows(r, [](auto a, auto b) { return hn::Or(a, b); });
    case TByteOp::Xor:
      return BytesRows(r, [](auto a, auto b) { return hn::Xor(a, b); });
    case TByteOp::AbsDiff:  // |a - b| is the OR of the two saturating differences
      return BytesRows(
          r, [](auto a, auto b) { return hn::Or(hn::SaturatedSub(a, b), hn::SaturatedSub(b, a)); });
    case TByteOp::MulScale:
      return MulScaleRows(r);
    case TByteOp::LShift:
    case TByteOp::RShift:
      break;
  }
  ByteOpRowsReference(op, r);
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::bytewise
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::bytewise {

HWY_EXPORT(ByteOpRowsKernel);

void ByteOpRowsVector(TByteOp op, const TRows8u& r) {
  HWY_DYNAMIC_DISPATCH(ByteOpRowsKernel)(op, r);
}

}  // namespace builtin::bytewise
#endif
