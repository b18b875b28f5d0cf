// Vector kernels of the circle detector, compiled for every instruction set that Highway
// targets and chosen at run time once per call. A vector of cells (or points) is decided at
// once; the cells or points after the last whole vector go through the plain loop in the same
// function. Results are compress-stored in order, so they equal the plain loops'.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "components/PXBasicHoughHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "components/PXBasicHoughKernels.h"

HWY_BEFORE_NAMESPACE();
namespace components::hough {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void FindCandidatesVec(const int32_t* acc, int64_t stride, int64_t rows, int64_t cols,
                       int32_t threshold, std::vector<int32_t>* out) {
  const hn::ScalableTag<int32_t> d;
  const int64_t n = static_cast<int64_t>(hn::Lanes(d));
  const auto thr = hn::Set(d, threshold);
  const auto iota = hn::Iota(d, 0);
  size_t count = out->size();
  for (int64_t y = 1; y < rows - 1; ++y) {
    const int32_t* row = acc + y * stride;
    const int32_t* up = row - stride;
    const int32_t* down = row + stride;
    const int32_t base = static_cast<int32_t>(y * stride);
    out->resize(count + static_cast<size_t>(cols));
    int32_t* dst = out->data();
    int64_t x = 1;
    for (; x + n <= cols - 1; x += n) {
      const auto v = hn::LoadU(d, row + x);
      auto keep = hn::Gt(v, thr);
      if (hn::AllFalse(d, keep)) continue;
      keep = hn::And(keep, hn::Gt(v, hn::LoadU(d, row + x - 1)));
      keep = hn::And(keep, hn::Gt(v, hn::LoadU(d, row + x + 1)));
      keep = hn::And(keep, hn::Gt(v, hn::LoadU(d, up + x)));
      keep = hn::And(keep, hn::Gt(v, hn::LoadU(d, down + x)));
      const auto index = hn::Add(iota, hn::Set(d, base + static_cast<int32_t>(x)));
      count += hn::CompressBlendedStore(index, keep, d, dst + count);
    }
    for (; x < cols - 1; ++x) {
      const int32_t v = row[x];
      if (v > threshold && v > row[x - 1] && v > row[x + 1] && v > up[x] && v > down[x])
        dst[count++] = base + static_cast<int32_t>(x);
    }
    out->resize(count);
  }
}

size_t NearDistancesVec(const float* xs, const float* ys, size_t n, float cx, float cy,
                        float maxR, float scale, float last, float* out, uint32_t* keys) {
  const hn::RebindToSigned<hn::ScalableTag<float>> di;
  const hn::ScalableTag<float> d;
  const size_t lanes = hn::Lanes(d);
  const auto vcx = hn::Set(d, cx), vcy = hn::Set(d, cy), limit = hn::Set(d, maxR);
  const auto vscale = hn::Set(d, scale), vlast = hn::Set(d, last);
  size_t count = 0, k = 0;
  for (; k + lanes <= n; k += lanes) {
    const auto dx = hn::Sub(vcx, hn::LoadU(d, xs + k));
    const auto dy = hn::Sub(vcy, hn::LoadU(d, ys + k));
    // Two products and a sum, each rounded (no fused multiply-add).
    const auto dist = hn::Sqrt(hn::Add(hn::Mul(dx, dx), hn::Mul(dy, dy)));
    const auto near = hn::Le(dist, limit);
    // The keys are below 2^23: the conversion to signed integers truncates them as the plain
    // loop's to unsigned ones.
    const auto key = hn::ConvertTo(di, hn::Min(hn::Mul(dist, vscale), vlast));
    hn::CompressBlendedStore(key, hn::RebindMask(di, near), di, reinterpret_cast<int32_t*>(keys) + count);
    count += hn::CompressBlendedStore(dist, near, d, out + count);
  }
  for (; k < n; ++k) {
    const float dx = cx - xs[k], dy = cy - ys[k];
    const float dist = std::sqrt(dx * dx + dy * dy);
    if (dist <= maxR) {
      keys[count] = static_cast<uint32_t>(std::min(dist * scale, last));
      out[count++] = dist;
    }
  }
  return count;
}

HWY_INLINE void VoteOneLine(int32_t* acc, int32_t a, int32_t sa, int32_t m, int32_t b, int32_t db,
                            int64_t count) {
  const hn::ScalableTag<int32_t> d;
  constexpr size_t kChunk = 512;  // indexes worked out at once, then voted
  HWY_ALIGN int32_t index[kChunk + HWY_MAX_BYTES / sizeof(int32_t)];
  const size_t lanes = hn::Lanes(d);
  const auto vm = hn::Set(d, m);
  // Lane k holds step k of the line; the vectors wrap like the plain loop's 32-bit values, and
  // lanes past the last step are never used.
  auto va = hn::Add(hn::Set(d, a), hn::Mul(hn::Iota(d, 0), hn::Set(d, sa)));
  auto vb = hn::Add(hn::Set(d, b), hn::Mul(hn::Iota(d, 0), hn::Set(d, db)));
  const auto stepA = hn::Set(d, static_cast<int32_t>(static_cast<uint32_t>(sa) * static_cast<uint32_t>(lanes)));
  const auto stepB = hn::Set(d, static_cast<int32_t>(static_cast<uint32_t>(db) * static_cast<uint32_t>(lanes)));
  while (count > 0) {
    const size_t n = count < static_cast<int64_t>(kChunk) ? static_cast<size_t>(count) : kChunk;
    for (size_t k = 0; k < n; k += lanes) {
      hn::Store(hn::Add(hn::Mul(hn::ShiftRight<10>(va), vm), vb), d, index + k);
      va = hn::Add(va, stepA);
      vb = hn::Add(vb, stepB);
    }
    for (size_t k = 0; k < n; ++k) ++acc[index[k]];
    count -= static_cast<int64_t>(n);
  }
}

void VoteLinesVec(int32_t* acc, const TVoteLine* lines, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const TVoteLine& l = lines[i];
    VoteOneLine(acc, l.a, l.sa, l.m, l.b, l.db, l.count);
  }
}

}  // namespace HWY_NAMESPACE
}  // namespace components::hough
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace components::hough {

HWY_EXPORT(FindCandidatesVec);
HWY_EXPORT(NearDistancesVec);
HWY_EXPORT(VoteLinesVec);

void VoteLines(int32_t* acc, const TVoteLine* lines, size_t n) {
  HWY_DYNAMIC_DISPATCH(VoteLinesVec)(acc, lines, n);
}

void FindCandidates(const int32_t* acc, int64_t stride, int64_t rows, int64_t cols,
                    int32_t threshold, std::vector<int32_t>* out) {
  HWY_DYNAMIC_DISPATCH(FindCandidatesVec)(acc, stride, rows, cols, threshold, out);
}

size_t NearDistances(const float* xs, const float* ys, size_t n, float cx, float cy, float maxR,
                     float scale, float last, float* out, uint32_t* keys) {
  return HWY_DYNAMIC_DISPATCH(NearDistancesVec)(xs, ys, n, cx, cy, maxR, scale, last, out, keys);
}

}  // namespace components::hough
#endif  // HWY_ONCE
