// Vector blocks of Canny's suppression (see CannyEdgesKernels.h), compiled for every
// instruction set that Highway targets and chosen at run time once per call. A vector of pixels
// is decided at once in 32-bit lanes: the sector from |dx| and |dy| (the integer tests of the
// per-pixel version, arranged so that no product leaves the 32-bit range for 16-bit
// derivatives), the comparisons with the neighbours along that sector, and the strong test. A
// vector without a candidate is skipped; the few pixels after the last whole vector are left to
// the per-pixel code. The map bytes, the destination bytes and the order of the pushed strong
// pixels equal the per-pixel suppression.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/vision/CannyEdgesHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/support/HwyDispatch.h"
#include "primitives/vision/CannyEdgesKernels.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::canny {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// a >= b for integer lanes (the instruction sets compare only > and =).
template <class V>
HWY_INLINE auto AtLeast(V a, V b) {
  return hn::Not(hn::Lt(a, b));
}

template <typename Coord>
HWY_INLINE size_t SuppressBlocks(const TSuppressRow& r, Coord*& stackTop, size_t width) {
  Coord* top = stackTop;
  const hn::ScalableTag<int32_t> di;
  const hn::Rebind<int16_t, decltype(di)> d16;
  const hn::Rebind<uint8_t, decltype(di)> d8;
  const ptrdiff_t n = static_cast<ptrdiff_t>(hn::Lanes(di));
  const auto zero = hn::Zero(di);
  const auto strongT = hn::Set(di, r.strongT);
  const auto candidate = hn::Set(di, kCandidate);
  const auto edge = hn::Set(di, kEdge);
  const int32_t* above = r.above;
  const int32_t* mid = r.mid;
  const int32_t* below = r.below;
  const ptrdiff_t w = static_cast<ptrdiff_t>(width);
  ptrdiff_t x = 0;
  for (; x + n <= w; x += n) {
    const auto m = hn::LoadU(di, mid + x);
    const auto isCandidate = hn::Gt(m, zero);
    if (hn::AllFalse(di, isCandidate)) continue;  // the map and destination stay 0
    const auto gx =
        hn::PromoteTo(di, hn::LoadU(d16, reinterpret_cast<const int16_t*>(r.dx + 2 * x)));
    const auto gy =
        hn::PromoteTo(di, hn::LoadU(d16, reinterpret_cast<const int16_t*>(r.dy + 2 * x)));
    const auto a = hn::Abs(gx), b = hn::Abs(gy);  // 0 .. 32768
    const auto a2 = hn::Mul(a, a);
    // Steeper than 67.5 degrees: b > a and (b - a)^2 > 2 a^2, as (b - a)^2 - a^2 > a^2.
    const auto bMinusA = hn::Sub(b, a);
    const auto vertical = hn::And(hn::Gt(b, a), hn::Gt(hn::Sub(hn::Mul(bMinusA, bMinusA), a2), a2));
    // Steeper than 22.5 degrees: (b + a)^2 >= 2 a^2, that is b^2 + 2ab - a^2 >= 0; it holds
    // whenever b >= a, and below that a (2b - a) + b^2 stays within 32 bits (b clamped to
    // a - 1 keeps the lanes where it does not matter in range too).
    const auto bc = hn::Min(b, hn::Sub(a, hn::Set(di, 1)));
    const auto rest = hn::Add(hn::Mul(a, hn::Sub(hn::Add(bc, bc), a)), hn::Mul(bc, bc));
    const auto diagonal = hn::Or(AtLeast(b, a), AtLeast(rest, zero));
    // Different signs of dx and dy: above-right and below-left, otherwise above-left and
    // below-right.
    const auto differ = hn::Lt(hn::Xor(gx, gy), zero);
    const auto aboveLeft = hn::LoadU(di, above + x - 1), aboveRight = hn::LoadU(di, above + x + 1);
    const auto belowLeft = hn::LoadU(di, below + x - 1), belowRight = hn::LoadU(di, below + x + 1);
    const auto keepVertical =
        hn::And(hn::Gt(m, hn::LoadU(di, above + x)), AtLeast(m, hn::LoadU(di, below + x)));
    const auto keepDiagonal = hn::And(hn::Gt(m, hn::IfThenElse(differ, aboveRight, aboveLeft)),
                                      hn::Gt(m, hn::IfThenElse(differ, belowLeft, belowRight)));
    const auto keepHorizontal =
        hn::And(hn::Gt(m, hn::LoadU(di, mid + x - 1)), AtLeast(m, hn::LoadU(di, mid + x + 1)));
    // The test of the pixel's own sector: vertical, else diagonal, else horizontal.
    const auto keepOwn = hn::Or(hn::Or(hn::And(vertical, keepVertical),
                                       hn::And(hn::AndNot(vertical, diagonal), keepDiagonal)),
                                hn::AndNot(hn::Or(vertical, diagonal), keepHorizontal));
    const auto kept = hn::And(isCandidate, keepOwn);
    if (hn::AllFalse(di, kept)) continue;
    const auto strong = hn::And(kept, hn::Gt(m, strongT));
    const auto cells = hn::IfThenElseZero(kept, hn::IfThenElse(strong, edge, candidate));
    hn::StoreU(hn::DemoteTo(d8, cells), d8, r.map + x);
    if (hn::AllFalse(di, strong)) continue;
    hn::StoreU(hn::DemoteTo(d8, hn::IfThenElseZero(strong, edge)), d8, r.dst + x);
    uint8_t bits[(HWY_MAX_BYTES / sizeof(int32_t) + 7) / 8] = {};
    hn::StoreMaskBits(di, strong, bits);
    for (ptrdiff_t k = 0; k < n; ++k) {
      if ((bits[k / 8] >> (k % 8)) & 1) {
        top[0] = static_cast<Coord>(r.y);
        top[1] = static_cast<Coord>(x + k);
        top += 2;
      }
    }
  }
  stackTop = top;
  return static_cast<size_t>(x);
}

size_t SuppressBlocks16(const TSuppressRow& r, uint16_t*& top, size_t n) {
  return SuppressBlocks(r, top, n);
}
size_t SuppressBlocks32(const TSuppressRow& r, uint32_t*& top, size_t n) {
  return SuppressBlocks(r, top, n);
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::canny
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::canny {

HWY_EXPORT(SuppressBlocks16);
HWY_EXPORT(SuppressBlocks32);

TSuppressBlocksFn<uint16_t> VectorSuppressBlocks16() { return PF_HWY_DISPATCHED(SuppressBlocks16); }
TSuppressBlocksFn<uint32_t> VectorSuppressBlocks32() { return PF_HWY_DISPATCHED(SuppressBlocks32); }

}  // namespace builtin::canny
#endif  // HWY_ONCE
