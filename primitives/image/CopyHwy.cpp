// Vector blocks of the copies and fills between three- and four-byte pixels, compiled for every
// instruction set that Highway targets and chosen at run time. They give exactly the bytes of
// the plain loops in Copy.cpp, which finish what the blocks leave.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/image/CopyHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/image/CopyKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::copyrows {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Groups of four pixels in 16-byte vectors: a byte shuffle spreads twelve source bytes over
// four pixels and the destination's fourth bytes are blended back in. A group reads 16 source
// bytes, so the last four pixels of a row are left to the plain loop.
size_t C3ToAC4(const uint8_t* src, uint8_t* dst, size_t pixels) {
#if HWY_TARGET == HWY_SCALAR  // no 16-byte vectors: the plain loop does everything
  (void)src, (void)dst, (void)pixels;
  return 0;
#else
  const hn::FixedTag<uint8_t, 16> d;
  alignas(16) static constexpr uint8_t kSpread[16] = {0, 1, 2, 0, 3, 4,  5,  0,
                                                      6, 7, 8, 0, 9, 10, 11, 0};
  alignas(16) static constexpr uint8_t kFourth[16] = {0, 0, 0, 0xFF, 0, 0, 0, 0xFF,
                                                      0, 0, 0, 0xFF, 0, 0, 0, 0xFF};
  const auto spread = hn::Load(d, kSpread);
  const auto fourth = hn::Load(d, kFourth) == hn::Set(d, 0xFF);
  size_t i = 0;
  const auto group = [&] {
    const auto colours = hn::TableLookupBytes(hn::LoadU(d, src + 3 * i), spread);
    hn::StoreU(hn::IfThenElse(fourth, hn::LoadU(d, dst + 4 * i), colours), d, dst + 4 * i);
    i += 4;
  };
#if HWY_TARGET <= HWY_AVX2
  // Eight pixels in a 32-byte vector: loaded from four bytes before the group, so that each
  // 16-byte half holds the twelve bytes of its four pixels and the shuffle stays in its half.
  if (3 * i + 16 <= 3 * pixels) group();
  const hn::Full256<uint8_t> d2;
  alignas(32) static constexpr uint8_t kSpread2[32] = {4, 5,  6,  0,  7, 8, 9, 0,  10, 11, 12,
                                                       0, 13, 14, 15, 0, 0, 1, 2,  0,  3,  4,
                                                       5, 0,  6,  7,  8, 0, 9, 10, 11, 0};
  const auto spread2 = hn::Load(d2, kSpread2);
  const auto fourth2 =
      hn::Combine(d2, hn::Load(d, kFourth), hn::Load(d, kFourth)) == hn::Set(d2, 0xFF);
  for (; 3 * i + 28 <= 3 * pixels; i += 8) {
    const auto colours = hn::TableLookupBytes(hn::LoadU(d2, src + 3 * i - 4), spread2);
    hn::StoreU(hn::IfThenElse(fourth2, hn::LoadU(d2, dst + 4 * i), colours), d2, dst + 4 * i);
  }
#endif
  while (3 * i + 16 <= 3 * pixels) group();
  return i;
#endif
}

// Groups of four pixels: a byte shuffle packs their first three bytes into twelve. Each group
// stores 16 bytes, the last four of which the next group overwrites, so the last four pixels
// of a row are left to the plain loop.
size_t AC4ToC3(const uint8_t* src, uint8_t* dst, size_t pixels) {
#if HWY_TARGET == HWY_SCALAR
  (void)src, (void)dst, (void)pixels;
  return 0;
#else
  const hn::FixedTag<uint8_t, 16> d;
  alignas(16) static constexpr uint8_t kPack[16] = {0,  1,  2,  4,  5, 6, 8, 9,
                                                    10, 12, 13, 14, 0, 0, 0, 0};
  const auto pack = hn::Load(d, kPack);
  size_t i = 0;
  for (; 3 * i + 16 <= 3 * pixels; i += 4)
    hn::StoreU(hn::TableLookupBytes(hn::LoadU(d, src + 4 * i), pack), d, dst + 3 * i);
  return i;
#endif
}

// Vectors of bytes from the first pixel's chosen byte on: every fourth byte is stored, the
// others are left alone (a masked store; where the processor has none, Highway loads the
// vector and stores its other bytes back unchanged). A vector never reaches past the chosen
// byte of the last pixel.
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
  for (; i + n <= bytes; i += n) hn::BlendedStore(v, chosen, d, dst + i);
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

ColourBlocksFn VectorC3ToAC4() { return PF_HWY_DISPATCHED(C3ToAC4); }
ColourBlocksFn VectorAC4ToC3() { return PF_HWY_DISPATCHED(AC4ToC3); }
ChannelBlocksFn VectorSetC4Channel() { return PF_HWY_DISPATCHED(SetC4Channel); }

}  // namespace builtin::copyrows
#endif  // HWY_ONCE
