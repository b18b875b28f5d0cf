// Vector blocks of the byte-wise row engine (see BytewiseEngineKernels.h), compiled once per
// instruction set; the function at the end returns those of the running processor.
//
// AND, OR, XOR and the absolute difference work whole byte vectors. The scaled product works 16-bit
// lanes: t = a * b <= 65025 and t + (t >> 8) + 1 <= 65280 stay within them. A constant that is one
// byte repeated (the complement, the one-channel constants) is held in a register instead of being
// loaded from its pattern; the engine finds it and passes it to the constant blocks.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/support/BytewiseEngineHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "primitives/support/BytewiseEngineKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::bytewise {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// ---- Operations on byte vectors --------------------------------------------------------------

// dst[i] = op(a[i], b[i]) for the whole vectors of d's lanes in n bytes; returns the bytes
// done.
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

// ---- Blocks ----------------------------------------------------------------------------------

// The byte operations are bound by memory traffic, and 512-bit stores make them slower on the
// processors that have them, so their vectors are at most 256 bits wide; the scaled product,
// which computes more per byte, uses the full width.
using DBytes = hn::CappedTag<uint8_t, 32>;

struct TAnd {
  template <class V>
  HWY_INLINE V operator()(V a, V b) const {
    return hn::And(a, b);
  }
};
struct TOr {
  template <class V>
  HWY_INLINE V operator()(V a, V b) const {
    return hn::Or(a, b);
  }
};
struct TXor {
  template <class V>
  HWY_INLINE V operator()(V a, V b) const {
    return hn::Xor(a, b);
  }
};
struct TAbsDiff {  // |a - b| is the OR of the two saturating differences
  template <class V>
  HWY_INLINE V operator()(V a, V b) const {
    return hn::Or(hn::SaturatedSub(a, b), hn::SaturatedSub(b, a));
  }
};

#define BYTEWISE_BLOCKS(Name, Op)                                                    \
  size_t Name##Blocks(const uint8_t* a, const uint8_t* b, uint8_t* dst, size_t n) {  \
    return BytesLoop(DBytes(), a, b, dst, n, Op{});                                  \
  }                                                                                  \
  size_t Name##ConstantBlocks(const uint8_t* a, uint8_t c, uint8_t* dst, size_t n) { \
    return ByteConstantLoop(DBytes(), a, c, dst, n, Op{});                           \
  }
BYTEWISE_BLOCKS(And, TAnd)
BYTEWISE_BLOCKS(Or, TOr)
BYTEWISE_BLOCKS(Xor, TXor)
BYTEWISE_BLOCKS(AbsDiff, TAbsDiff)
#undef BYTEWISE_BLOCKS

size_t MulScaleBlocks(const uint8_t* a, const uint8_t* b, uint8_t* dst, size_t n) {
  return MulScaleLoop(hn::ScalableTag<uint16_t>(), a, b, dst, n);
}
size_t MulScaleConstantBlocks(const uint8_t* a, uint8_t c, uint8_t* dst, size_t n) {
  return MulScaleConstantLoop(hn::ScalableTag<uint16_t>(), a, c, dst, n);
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::bytewise
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::bytewise {

HWY_EXPORT(AndBlocks);
HWY_EXPORT(AndConstantBlocks);
HWY_EXPORT(OrBlocks);
HWY_EXPORT(OrConstantBlocks);
HWY_EXPORT(XorBlocks);
HWY_EXPORT(XorConstantBlocks);
HWY_EXPORT(AbsDiffBlocks);
HWY_EXPORT(AbsDiffConstantBlocks);
HWY_EXPORT(MulScaleBlocks);
HWY_EXPORT(MulScaleConstantBlocks);

TByteBlocks VectorByteOp(TByteOp op) {
  switch (op) {
    case TByteOp::And:
      return {PF_HWY_DISPATCHED(AndBlocks), PF_HWY_DISPATCHED(AndConstantBlocks)};
    case TByteOp::Or:
      return {PF_HWY_DISPATCHED(OrBlocks), PF_HWY_DISPATCHED(OrConstantBlocks)};
    case TByteOp::Xor:
      return {PF_HWY_DISPATCHED(XorBlocks), PF_HWY_DISPATCHED(XorConstantBlocks)};
    case TByteOp::AbsDiff:
      return {PF_HWY_DISPATCHED(AbsDiffBlocks), PF_HWY_DISPATCHED(AbsDiffConstantBlocks)};
    case TByteOp::MulScale:
      return {PF_HWY_DISPATCHED(MulScaleBlocks), PF_HWY_DISPATCHED(MulScaleConstantBlocks)};
    case TByteOp::LShift:
    case TByteOp::RShift:
      break;
  }
  return {};
}

}  // namespace builtin::bytewise
#endif
