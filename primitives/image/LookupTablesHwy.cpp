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

// Blocks of three vectors, so that the channel pattern repeats from block to block: byte j of
// a block belongs to channel (phase + j) % 3.
size_t BlocksC3(const uint8_t* src, uint8_t* dst, size_t bytes, size_t phase, const Rule& rule) {
  const hn::ScalableTag<uint8_t> d;
  const size_t n = hn::Lanes(d);
  if (bytes < 3 * n) return 0;
  HWY_ALIGN uint8_t tp[3 * HWY_MAX_BYTES], vp[3 * HWY_MAX_BYTES];
  for (size_t j = 0; j < 3 * n; ++j) {
    tp[j] = rule.threshold[(phase + j) % 3];
    vp[j] = rule.value[(phase + j) % 3];
  }
  const auto t0 = hn::Load(d, tp), t1 = hn::Load(d, tp + n), t2 = hn::Load(d, tp + 2 * n);
  const auto v0 = hn::Load(d, vp), v1 = hn::Load(d, vp + n), v2 = hn::Load(d, vp + 2 * n);
  size_t i = 0;
  for (; i + 3 * n <= bytes; i += 3 * n) {
    const auto x0 = hn::LoadU(d, src + i);
    const auto x1 = hn::LoadU(d, src + i + n);
    const auto x2 = hn::LoadU(d, src + i + 2 * n);
    hn::StoreU(Select(d, x0, t0, v0, rule.greater), d, dst + i);
    hn::StoreU(Select(d, x1, t1, v1, rule.greater), d, dst + i + n);
    hn::StoreU(Select(d, x2, t2, v2, rule.greater), d, dst + i + 2 * n);
  }
  return i;
}

// Whole vectors of four-byte pixels (none on a target whose vectors hold less than a pixel);
// the fourth byte of each destination pixel is reloaded and stored back unchanged.
size_t BlocksAC4(const uint8_t* src, uint8_t* dst, size_t pixels, const Rule& rule) {
  const hn::ScalableTag<uint8_t> d;
  const size_t n = hn::Lanes(d);
  const size_t bytes = 4 * pixels;
  if (n % 4 != 0 || bytes < n) return 0;  // whole pixels per vector only
  HWY_ALIGN uint8_t tp[HWY_MAX_BYTES], vp[HWY_MAX_BYTES], ap[HWY_MAX_BYTES];
  for (size_t j = 0; j < n; ++j) {
    const size_t c = j % 4;
    tp[j] = c < 3 ? rule.threshold[c] : 0;
    vp[j] = c < 3 ? rule.value[c] : 0;
    ap[j] = c < 3 ? 0 : 0xFF;
  }
  const auto t = hn::Load(d, tp), v = hn::Load(d, vp);
  const auto alpha = hn::Load(d, ap) == hn::Set(d, 0xFF);
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
