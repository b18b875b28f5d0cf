// Vector blocks of the packed 4:2:2 to RGB conversion and of the three-channel swap, compiled
// for every instruction set that Highway targets and chosen at run time. They give exactly the
// bytes of the plain loops in ColorConversion.cpp, which finish what the blocks leave.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/image/ColorConversionHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/image/ColorConversionKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::colorrows {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// One pixel per 32-bit lane: luma from the pixel's own pair of bytes, U from the even pixel of
// its pair and V from the odd one; the 16.16 sums of the plain code, shifted arithmetically and
// saturated to bytes by the demotion.
size_t YUV422ToRGB(const uint8_t* src, uint8_t* dst, size_t pixels) {
#if HWY_TARGET == HWY_SCALAR  // one lane holds no pair: the plain loop does everything
  (void)src, (void)dst, (void)pixels;
  return 0;
#else
  const hn::ScalableTag<int32_t> d32;
  const hn::Rebind<uint8_t, decltype(d32)> d8;
  const size_t n = hn::Lanes(d32);
  if (n < 2) return 0;
  const auto c128 = hn::Set(d32, 128);
  const auto kRv = hn::Set(d32, 74711), kGu = hn::Set(d32, 25821), kGv = hn::Set(d32, 38076);
  const auto kBu = hn::Set(d32, 133169);
  size_t i = 0;
  for (; i + n <= pixels; i += n) {
    hn::Vec<decltype(d8)> y8, c8;
    hn::LoadInterleaved2(d8, src + 2 * i, y8, c8);
    const auto yy = hn::ShiftLeft<16>(hn::PromoteTo(d32, y8));
    const auto c = hn::PromoteTo(d32, c8);
    const auto u = hn::Sub(hn::DupEven(c), c128);
    const auto v = hn::Sub(hn::DupOdd(c), c128);
    const auto r = hn::ShiftRight<16>(hn::Add(yy, hn::Mul(kRv, v)));
    const auto g = hn::ShiftRight<16>(hn::Sub(hn::Sub(yy, hn::Mul(kGu, u)), hn::Mul(kGv, v)));
    const auto b = hn::ShiftRight<16>(hn::Add(yy, hn::Mul(kBu, u)));
    hn::StoreInterleaved3(hn::DemoteTo(d8, r), hn::DemoteTo(d8, g), hn::DemoteTo(d8, b), d8,
                          dst + 3 * i);
  }
  return i;
#endif
}

size_t SwapC3(const uint8_t* src, uint8_t* dst, size_t pixels, const int order[3]) {
  const hn::ScalableTag<uint8_t> d;
  const size_t n = hn::Lanes(d);
  const int o0 = order[0], o1 = order[1], o2 = order[2];
  size_t i = 0;
  for (; i + n <= pixels; i += n) {
    hn::Vec<decltype(d)> c[3];
    hn::LoadInterleaved3(d, src + 3 * i, c[0], c[1], c[2]);
    hn::StoreInterleaved3(c[o0], c[o1], c[o2], d, dst + 3 * i);
  }
  return i;
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::colorrows
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::colorrows {

HWY_EXPORT(YUV422ToRGB);
HWY_EXPORT(SwapC3);

Yuv422BlocksFn VectorYUV422ToRGB() { return PF_HWY_DISPATCHED(YUV422ToRGB); }
SwapBlocksFn VectorSwapC3() { return PF_HWY_DISPATCHED(SwapC3); }

}  // namespace builtin::colorrows
#endif  // HWY_ONCE
