// Vector blocks of the resize column passes for 8-bit destinations, compiled for every
// instruction set that Highway targets and chosen at run time. They compute the plain passes
// of ResizeKernels.h lane by lane with the same operations in the same order (no fused
// multiply-add), so they give the same bytes.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/resampling/ResizeHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/resampling/ResizeKernels.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::resize {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// (U (16384 - a) + L a + 0x80000) >> 20 over whole vectors of 32-bit lanes.
size_t LinearColumn8u(const int16_t* upper, const int16_t* lower, uint32_t a, uint8_t* d,
                      size_t n) {
  const hn::ScalableTag<uint32_t> du;
  const hn::Rebind<int16_t, decltype(du)> d16;
  const hn::Rebind<uint8_t, decltype(du)> d8;
  const hn::RebindToSigned<decltype(du)> di;
  const size_t lanes = hn::Lanes(du);
  const auto wu = hn::Set(du, 16384 - a), wl = hn::Set(du, a), round = hn::Set(du, 0x80000u);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const auto u = hn::BitCast(du, hn::PromoteTo(di, hn::LoadU(d16, upper + i)));
    const auto l = hn::BitCast(du, hn::PromoteTo(di, hn::LoadU(d16, lower + i)));
    const auto sum = hn::Add(hn::Add(hn::Mul(u, wu), hn::Mul(l, wl)), round);
    hn::StoreU(hn::DemoteTo(d8, hn::BitCast(di, hn::ShiftRight<20>(sum))), d8, d + i);
  }
  return i;
}

// The cubic through four work rows with the row's coefficients, + 0.5000001, clamped to
// 0..255 (NaN to 0) and truncated.
size_t CubicColumn8u(const float* r0, const float* r1, const float* r2, const float* r3,
                     const float* coefficients, uint8_t* d, size_t n) {
  const hn::ScalableTag<float> df;
  const hn::RebindToSigned<decltype(df)> di;
  const hn::Rebind<uint8_t, decltype(df)> d8;
  const size_t lanes = hn::Lanes(df);
  const auto c1 = hn::Set(df, coefficients[0]), c2 = hn::Set(df, coefficients[1]),
             c3 = hn::Set(df, coefficients[2]);
  const auto two = hn::Set(df, 2.0f), half = hn::Set(df, 0.5000001f), zero = hn::Zero(df),
             top = hn::Set(df, 255.0f);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const auto A = hn::LoadU(df, r0 + i), B = hn::LoadU(df, r1 + i), C = hn::LoadU(df, r2 + i),
               D = hn::LoadU(df, r3 + i);
    const auto q1 = hn::Sub(B, A);
    const auto q2 = hn::Sub(hn::Sub(C, B), q1);
    const auto q3 = hn::Sub(hn::Add(hn::Sub(B, hn::Mul(two, C)), D), q2);
    const auto v = hn::Add(hn::Add(hn::Add(A, hn::Mul(c1, q1)), hn::Mul(c2, q2)), hn::Mul(c3, q3));
    auto r = hn::Add(v, half);
    r = hn::IfThenElse(hn::Gt(r, zero), r, zero);
    r = hn::IfThenElse(hn::Lt(r, top), r, top);
    const auto t = hn::ConvertTo(di, r);
    hn::StoreU(hn::DemoteTo(d8, t), d8, d + i);
  }
  return i;
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::resize
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::resize {
HWY_EXPORT(LinearColumn8u);
HWY_EXPORT(CubicColumn8u);
LinearColumnBlocks8u VectorLinearColumn8u() { return &HWY_DYNAMIC_DISPATCH(LinearColumn8u); }
CubicColumnBlocks8u VectorCubicColumn8u() { return &HWY_DYNAMIC_DISPATCH(CubicColumn8u); }
}  // namespace builtin::resize
#endif
