// Vector blocks of the copies and fills between three- and four-byte pixels, compiled for every
// instruction set that Highway targets and chosen at run time. They give exactly the bytes of
// the plain loops in PXImageCopy.cpp, which finish what the blocks leave.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/image/PXImageCopyHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/image/PXImageCopyRows.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::copyrows {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// The destination's fourth bytes are loaded and stored back unchanged.
size_t C3ToAC4(const uint8_t* src, uint8_t* dst, size_t pixels) {
  const hn::ScalableTag<uint8_t> d;
  const size_t n = hn::Lanes(d);
  size_t i = 0;
  for (; i + n <= pixels; i += n) {
    hn::Vec<decltype(d)> c0, c1, c2, a0, a1, a2, a3;
    hn::LoadInterleaved3(d, src + 3 * i, c0, c1, c2);
    hn::LoadInterleaved4(d, dst + 4 * i, a0, a1, a2, a3);
    hn::StoreInterleaved4(c0, c1, c2, a3, d, dst + 4 * i);
  }
  return i;
}

size_t AC4ToC3(const uint8_t* src, uint8_t* dst, size_t pixels) {
  const hn::ScalableTag<uint8_t> d;
  const size_t n = hn::Lanes(d);
  size_t i = 0;
  for (; i + n <= pixels; i += n) {
    hn::Vec<decltype(d)> c0, c1, c2, c3;
    hn::LoadInterleaved4(d, src + 4 * i, c0, c1, c2, c3);
    hn::StoreInterleaved3(c0, c1, c2, d, dst + 3 * i);
  }
  return i;
}

// Vectors of bytes from the first pixel's chosen byte on: every fourth byte is set, the others
// stored back unchanged. A vector never reaches past the chosen byte of the last pixel.
size_t SetC4Channel(uint8_t* dst, size_t pixels, uint8_t value) {
  const hn::ScalableTag<uint8_t> d;
  const size_t n = hn::Lanes(d);
  if (pixels == 0 || n < 4) return 0;
  HWY_ALIGN uint8_t pattern[HWY_MAX_BYTES];
  for (size_t j = 0; j < n; ++j) pattern[j] = j % 4 == 0 ? 0xFF : 0;
  const auto chosen = hn::Load(d, pattern) == hn::Set(d, 0xFF);
  const auto v = hn::Set(d, value);
  const size_t bytes = 4 * (pixels - 1) + 1;
  size_t i = 0;
  for (; i + n <= bytes; i += n) hn::StoreU(hn::IfThenElse(chosen, v, hn::LoadU(d, dst + i)), d, dst + i);
  return i / 4;
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::copyrows
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::copyrows {

HWY_EXPORT(C3ToAC4);
HWY_EXPORT(AC4ToC3);
HWY_EXPORT(SetC4Channel);

ColourBlocksFn VectorC3ToAC4() { return &HWY_DYNAMIC_DISPATCH(C3ToAC4); }
ColourBlocksFn VectorAC4ToC3() { return &HWY_DYNAMIC_DISPATCH(AC4ToC3); }
ChannelBlocksFn VectorSetC4Channel() { return &HWY_DYNAMIC_DISPATCH(SetC4Channel); }

}  // namespace builtin::copyrows
#endif  // HWY_ONCE
