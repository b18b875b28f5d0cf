// The vector row of the 32-bit integral images, compiled for every instruction set that
// Highway targets and chosen at run time. A step of pixels gets its running sums in 16-bit
// lanes (a step holds at most 32 bytes, whose sum fits), by shifted additions, is widened to
// 32-bit lanes, and gets the sum carried from the pixels before the step. 512-bit vectors shift
// across the whole register; narrower ones take at most two 128-bit blocks a step, the second
// block adding the first one's total. The outputs are stored from the first 4-byte value that
// starts a vector in memory, so that no store is split across two cache lines. The 512-bit
// blocks do the pixels before the first whole step and after the last one in masked steps; the
// narrower ones stop before the last partial step, which the plain row finishes. All additions
// of 32-bit values wrap modulo 2^32 like the reference.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/vision/IntegralImagesHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <cstdint>
#include <cstring>

#include "primitives/support/HwyDispatch.h"
#include "primitives/vision/IntegralImagesKernels.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::integral {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Pixels [x, end) of one row one at a time; sum is the running sum before x.
HWY_INLINE void PlainPixels(const uint8_t* s, const uint8_t* above, uint8_t* d, int64_t& x,
                            int64_t end, uint32_t& sum) {
  for (; x < end; ++x) {
    sum += s[x];
    uint32_t a;
    std::memcpy(&a, above + 4 * (x + 1), 4);
    a += sum;
    std::memcpy(d + 4 * (x + 1), &a, 4);
  }
}

#if HWY_TARGET != HWY_SCALAR
// The pixels to do one at a time before the first output of row d that starts a vector of
// `bytes` in memory, so that no vector store is split across two cache lines (where the row's
// values are 4-byte aligned at all).
HWY_INLINE int64_t HeadPixels(const uint8_t* d, int64_t w, size_t bytes) {
  const auto address = reinterpret_cast<uintptr_t>(d + 4);
  if (address % 4 != 0) return 0;
  const auto misaligned = static_cast<int64_t>(address % bytes / 4);
  const int64_t head = misaligned == 0 ? 0 : static_cast<int64_t>(bytes / 4) - misaligned;
  return head < w ? head : w;
}
#endif

#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
// Word i of a step takes word i - 1 (word 0 is masked out).
alignas(64) constexpr uint16_t kUpByOneWord[32] = {0,  0,  1,  2,  3,  4,  5,  6,  7,  8,  9,
                                                   10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
                                                   21, 22, 23, 24, 25, 26, 27, 28, 29, 30};

// 512-bit vectors: 32 pixels a step. In 16-bit lanes across the whole register (shifts by 1
// word, then by 1, 2 and 4 double words) word i gets the sum of the 16 pixels up to i (fewer
// near the step's start); widened to two vectors of 32-bit sums, the upper one adds the lower
// one lane by lane (pixel 16 + i adds the sum up to pixel i), after the lower one has taken
// the carry. The next step's carry is the last sum broadcast. The steps start where the
// outputs start a 64-byte line; the pixels before the first whole step and after the last
// one go through masked steps (masked-out pixels read as 0 and are not written).
struct Steps512 {
  __m512i byOne, zero, lastLane;

  // Every row sets the constants up: they are loaded, not built.
  Steps512()
      : byOne(_mm512_load_si512(kUpByOneWord)),
        zero(_mm512_setzero_si512()),
        lastLane(_mm512_set1_epi32(15)) {}

  // Pixels x .. x + 31 of the row where `valid` has their bits (all when Masked is false);
  // carry (the running sum before them, in every lane) moves on by their total.
  template <bool Masked>
  HWY_INLINE void Step(const uint8_t* s, const uint8_t* up, uint8_t* out, int64_t x,
                       __mmask32 valid, __m512i& carry) const {
    __m512i v =
        Masked ? _mm512_maskz_cvtepu8_epi16(valid, _mm256_maskz_loadu_epi8(valid, s + x))
               : _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + x)));
    v = _mm512_add_epi16(v, _mm512_maskz_permutexvar_epi16(0xFFFFFFFEu, byOne, v));
    v = _mm512_add_epi16(v, _mm512_alignr_epi32(v, zero, 15));  // up by 2 words
    v = _mm512_add_epi16(v, _mm512_alignr_epi32(v, zero, 14));  // 4
    v = _mm512_add_epi16(v, _mm512_alignr_epi32(v, zero, 12));  // 8
    const __m512i lo = _mm512_cvtepu16_epi32(_mm512_castsi512_si256(v));
    const __m512i hi = _mm512_cvtepu16_epi32(_mm512_extracti64x4_epi64(v, 1));
    const uint8_t* above0 = up + 4 * x;
    uint8_t* out0 = out + 4 * x;
    const auto m0 = static_cast<__mmask16>(valid), m1 = static_cast<__mmask16>(valid >> 16);
    __m512i a0, a1;
    if constexpr (Masked) {
      a0 = _mm512_maskz_loadu_epi32(m0, above0), a1 = _mm512_maskz_loadu_epi32(m1, above0 + 64);
    } else {
      a0 = _mm512_loadu_si512(above0), a1 = _mm512_loadu_si512(above0 + 64);
    }
    const __m512i sums0 = _mm512_add_epi32(lo, carry);
    const __m512i sums1 = _mm512_add_epi32(hi, sums0);
    const __m512i o0 = _mm512_add_epi32(a0, sums0);
    const __m512i o1 = _mm512_add_epi32(a1, sums1);
    if constexpr (Masked) {
      _mm512_mask_storeu_epi32(out0, m0, o0);
      _mm512_mask_storeu_epi32(out0 + 64, m1, o1);
    } else {
      _mm512_storeu_si512(out0, o0);
      _mm512_storeu_si512(out0 + 64, o1);
    }
    carry = _mm512_permutexvar_epi32(lastLane, sums1);
  }
};

// The bits of the pixels x .. x + 31 that lie in 0 .. w - 1.
HWY_INLINE __mmask32 ValidPixels(int64_t x, int64_t w) {
  uint32_t m = ~0u;
  if (x <= -32) return 0;
  if (x < 0) m &= ~0u << (-x);
  if (x + 32 > w) m &= w - x <= 0 ? 0u : (~0u >> (32 - (w - x)));
  return m;
}

size_t Row32sBlocks(const uint8_t* HWY_RESTRICT s, const uint8_t* above, uint8_t* d, size_t n) {
  static_assert(HWY_LANES(uint16_t) == 32);
  const auto w = static_cast<int64_t>(n);
  const Steps512 steps;
  uint8_t* out = d + 4;
  const uint8_t* up = above + 4;
  __m512i carry = _mm512_setzero_si512();
  int64_t x = 0;
  const int64_t head = HeadPixels(d, w, 64);
  if (head > 0 && head + 32 <= w) {
    steps.Step<true>(s, up, out, head - 32, ValidPixels(head - 32, w), carry);
    x = head;
  }
  for (; x + 32 <= w; x += 32) steps.Step<false>(s, up, out, x, ~0u, carry);
  if (x > 0 && x < w) {  // the last partial step, masked too
    steps.Step<true>(s, up, out, x, ValidPixels(x, w), carry);
    x = w;
  }
  return static_cast<size_t>(x);
}

#else
size_t Row32sBlocks(const uint8_t* HWY_RESTRICT s, const uint8_t* above, uint8_t* d, size_t n) {
#if HWY_TARGET == HWY_SCALAR
  // No vectors: the whole row one pixel at a time.
  int64_t x = 0;
  uint32_t sum = 0;
  PlainPixels(s, above, d, x, static_cast<int64_t>(n), sum);
  return n;
#else
  const auto w = static_cast<int64_t>(n);
  // At most two 128-bit blocks of 16-bit sums a step (256-bit vectors where wider ones exist:
  // the cross-block work of wider vectors costs more than it saves).
  const hn::CappedTag<uint16_t, 16> d16;
  const hn::Rebind<uint8_t, decltype(d16)> d8;
  const hn::Half<decltype(d16)> dh;
  const hn::Rebind<uint32_t, decltype(dh)> d32;
  constexpr size_t kBlocks = hn::MaxLanes(d16) / 8;  // 1 or 2
  static_assert(kBlocks == 1 || kBlocks == 2);
  const size_t half = hn::Lanes(d32);
  const auto step = static_cast<int64_t>(2 * half);
  HWY_ALIGN int32_t idx[hn::MaxLanes(d32)];
  for (size_t i = 0; i < half; ++i) idx[i] = static_cast<int32_t>(half - 1);
  const auto last = hn::SetTableIndices(d32, idx);

  auto* out = reinterpret_cast<uint32_t*>(d + 4);
  const auto* up = reinterpret_cast<const uint32_t*>(above + 4);
  uint32_t sum = 0;
  int64_t x = 0;
  PlainPixels(s, above, d, x, HeadPixels(d, w, 4 * half), sum);
  auto carry = hn::Set(d32, sum);  // the running sum before the step, in every lane
  for (; x + step <= w; x += step) {
    auto v = hn::PromoteTo(d16, hn::LoadU(d8, s + x));
    v = hn::Add(v, hn::ShiftLeftLanes<1>(d16, v));
    v = hn::Add(v, hn::ShiftLeftLanes<2>(d16, v));
    v = hn::Add(v, hn::ShiftLeftLanes<4>(d16, v));
    const auto lo = hn::PromoteTo(d32, hn::LowerHalf(dh, v));
    const auto hi = hn::PromoteTo(d32, hn::UpperHalf(dh, v));
    // The carry chain is one addition per step; the broadcasts of the totals stay off it.
    const auto totalHi = hn::TableLookupLanes(hi, last);
    if constexpr (kBlocks == 1) {  // one block: hi's sums include lo's pixels
      hn::StoreU(hn::Add(hn::LoadU(d32, up + x), hn::Add(lo, carry)), d32, out + x);
      hn::StoreU(hn::Add(hn::LoadU(d32, up + x + half), hn::Add(hi, carry)), d32, out + x + half);
      carry = hn::Add(carry, totalHi);
    } else {  // two blocks: hi's sums start after lo's total
      const auto totalLo = hn::TableLookupLanes(lo, last);
      hn::StoreU(hn::Add(hn::LoadU(d32, up + x), hn::Add(lo, carry)), d32, out + x);
      hn::StoreU(hn::Add(hn::LoadU(d32, up + x + half), hn::Add(hi, hn::Add(carry, totalLo))), d32,
                 out + x + half);
      carry = hn::Add(carry, hn::Add(totalLo, totalHi));
    }
  }
  return static_cast<size_t>(x);
#endif
}
#endif

}  // namespace HWY_NAMESPACE
}  // namespace builtin::integral
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::integral {

HWY_EXPORT(Row32sBlocks);

Row32sBlocksFn VectorRow32sBlocks() { return PF_HWY_DISPATCHED(Row32sBlocks); }

}  // namespace builtin::integral
#endif  // HWY_ONCE
