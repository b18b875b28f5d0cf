// Vector blocks of the LTVal and GTVal thresholds, compiled for every instruction set that
// Highway targets and chosen at run time. They give exactly the bytes of the word routines in
// LookupTablesThreshold.cpp, which finish what the blocks leave.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/image/LookupTablesHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/image/LookupTablesKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::threshold {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class D, class V>
HWY_INLINE V Select(D, V x, V t, V v, bool greater) {
  return greater ? hn::IfThenElse(x > t, v, x) : hn::IfThenElse(x < t, v, x);
}

// Blocks of three vectors from byte i, so that the channel pattern repeats from block to block:
// byte j of a block belongs to channel (phase + i + j) % 3, as byte (phase + i) % 3 + j of the
// rule's C3 patterns. Then up to two more vectors, which continue the pattern. Returns where
// they stopped.
template <bool kGreater, class D>
HWY_INLINE size_t C3Blocks(D d, const uint8_t* src, uint8_t* dst, size_t i, size_t bytes,
                           size_t phase, const Rule& rule) {
  const size_t n = hn::Lanes(d);
  const uint8_t* tp = rule.thresholdC3 + (phase + i) % 3;
  const uint8_t* vp = rule.valueC3 + (phase + i) % 3;
  const auto t0 = hn::LoadU(d, tp), t1 = hn::LoadU(d, tp + n), t2 = hn::LoadU(d, tp + 2 * n);
  const auto v0 = hn::LoadU(d, vp), v1 = hn::LoadU(d, vp + n), v2 = hn::LoadU(d, vp + 2 * n);
  for (; i + 3 * n <= bytes; i += 3 * n) {
    const auto x0 = hn::LoadU(d, src + i);
    const auto x1 = hn::LoadU(d, src + i + n);
    const auto x2 = hn::LoadU(d, src + i + 2 * n);
    hn::StoreU(Select(d, x0, t0, v0, kGreater), d, dst + i);
    hn::StoreU(Select(d, x1, t1, v1, kGreater), d, dst + i + n);
    hn::StoreU(Select(d, x2, t2, v2, kGreater), d, dst + i + 2 * n);
  }
  if (i + n <= bytes) {
    hn::StoreU(Select(d, hn::LoadU(d, src + i), t0, v0, kGreater), d, dst + i);
    i += n;
    if (i + n <= bytes) {
      hn::StoreU(Select(d, hn::LoadU(d, src + i), t1, v1, kGreater), d, dst + i);
      i += n;
    }
  }
  return i;
}

// A row of four vectors or more is done whole with its stores aligned: the blocks start at the
// first multiple of a vector in dst (a vector store that straddles two cache lines costs about
// two), and the bytes before them and after their last whole vector come from one vector at
// each end of the row, computed before anything is stored and stored last, over bytes to which
// the blocks gave the same values. Shorter rows get whole blocks from their start. The
// comparison is fixed per loop.
template <bool kGreater>
size_t C3Loop(const uint8_t* src, uint8_t* dst, size_t bytes, size_t phase, const Rule& rule) {
  const hn::ScalableTag<uint8_t> d;
  const size_t n = hn::Lanes(d);
  if (3 * n + 2 > kC3PatternBytes) return 0;
  if (bytes < 4 * n) return bytes < 3 * n ? 0 : C3Blocks<kGreater>(d, src, dst, 0, bytes, phase, rule);
  const auto end = [&](size_t i) {
    const size_t p = (phase + i) % 3;
    return Select(d, hn::LoadU(d, src + i), hn::LoadU(d, rule.thresholdC3 + p),
                  hn::LoadU(d, rule.valueC3 + p), kGreater);
  };
  const auto head = end(0);
  const auto tail = end(bytes - n);
  const size_t start = static_cast<size_t>(-reinterpret_cast<uintptr_t>(dst)) & (n - 1);
  const size_t i = C3Blocks<kGreater>(d, src, dst, start, bytes, phase, rule);
  if (start != 0) hn::StoreU(head, d, dst);
  if (i != bytes) hn::StoreU(tail, d, dst + bytes - n);
  return bytes;
}

size_t BlocksC3(const uint8_t* src, uint8_t* dst, size_t bytes, size_t phase, const Rule& rule) {
  return rule.greater ? C3Loop<true>(src, dst, bytes, phase, rule)
                      : C3Loop<false>(src, dst, bytes, phase, rule);
}

// Whole vectors of four-byte pixels (none on a target whose vectors hold less than a pixel);
// the fourth byte of each destination pixel is reloaded and stored back unchanged.
size_t BlocksAC4(const uint8_t* src, uint8_t* dst, size_t pixels, const Rule& rule) {
  const hn::ScalableTag<uint8_t> d;
  const size_t n = hn::Lanes(d);
  const size_t bytes = 4 * pixels;
  // whole pixels per vector only
  if (n % 4 != 0 || n > kAC4PatternBytes || bytes < n) return 0;
  const auto t = hn::LoadU(d, rule.thresholdAC4), v = hn::LoadU(d, rule.valueAC4);
  const auto alpha = hn::And(hn::Iota(d, 0), hn::Set(d, 3)) == hn::Set(d, 3);
  size_t i = 0;
  for (; i + n <= bytes; i += n) {
    const auto x = Select(d, hn::LoadU(d, src + i), t, v, rule.greater);
    hn::StoreU(hn::IfThenElse(alpha, hn::LoadU(d, dst + i), x), d, dst + i);
  }
  return i / 4;
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::threshold
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::threshold {

HWY_EXPORT(BlocksC3);
HWY_EXPORT(BlocksAC4);

BlocksC3Fn VectorBlocksC3() { return PF_HWY_DISPATCHED(BlocksC3); }

BlocksAC4Fn VectorBlocksAC4() { return PF_HWY_DISPATCHED(BlocksAC4); }

}  // namespace builtin::threshold
#endif  // HWY_ONCE
