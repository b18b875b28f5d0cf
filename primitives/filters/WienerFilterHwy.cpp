// Vector blocks of the Wiener filter (WienerFilterKernels.h), compiled once per instruction set
// and chosen at run time. The window sums step in exact integers; the statistics and the output
// run the plain path's double operations in the same order (no fused multiply-add), so every
// lane the blocks keep holds the plain path's value, and a vector with an element the plain path
// redoes in extended precision is left to it.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/filters/WienerFilterHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>
#include <hwy/targets.h>

#include "primitives/filters/WienerFilterKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::wiener {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// The next row's sums. The differences of the entering and the leaving row are formed once per
// stretch of elements in 32-bit scratch, then each element adds mask-width of them, pixel
// elements apart. With at most kVectorMaskWidth columns a step stays below 2^24 in magnitude and
// is exact as a float; the float sum of the stored float and the step is then the rounding of
// their exact sum, as the plain path's double sum rounded once.
size_t StepBlocks(const uint8_t* HWY_RESTRICT enter, const uint8_t* HWY_RESTRICT leave,
                  const TLanes& lanes, const float* HWY_RESTRICT sum, const float* HWY_RESTRICT square,
                  float* HWY_RESTRICT nextSum, float* HWY_RESTRICT nextSquare, size_t n) {
  const hn::ScalableTag<int32_t> d;
  const hn::Rebind<float, decltype(d)> df;
  const hn::Rebind<uint8_t, decltype(d)> d8;
  const size_t count = hn::Lanes(d);
  const size_t width = static_cast<size_t>(lanes.maskWidth);
  const size_t pixel = static_cast<size_t>(lanes.pixel);
  if (width > static_cast<size_t>(kVectorMaskWidth) || n < count) return 0;
  constexpr size_t kStretch = 512;
  constexpr size_t kScratch = kStretch + (kVectorMaskWidth - 1) * 4;
  HWY_ALIGN int32_t ds[kScratch], dq[kScratch];
  const size_t reach = (width - 1) * pixel;  // beyond its own, the elements an element's window adds
  const size_t whole = n / count * count;
  for (size_t base = 0; base < whole; base += kStretch) {
    const size_t len = whole - base < kStretch ? whole - base : kStretch;
    const size_t span = len + reach;
    for (size_t next = 0; next < span; next += count) {
      const size_t j = next + count <= span ? next : span - count;  // the last may overlap
      const auto e = hn::PromoteTo(d, hn::LoadU(d8, enter + base + j));
      const auto l = hn::PromoteTo(d, hn::LoadU(d8, leave + base + j));
      const auto difference = hn::Sub(e, l);
      hn::StoreU(difference, d, ds + j);
      hn::StoreU(hn::Mul(difference, hn::Add(e, l)), d, dq + j);  // e^2 - l^2
    }
    for (size_t i = 0; i < len; i += count) {
      auto hs = hn::Load(d, ds + i);
      auto hq = hn::Load(d, dq + i);
      for (size_t k = pixel; k <= reach; k += pixel) {
        hs = hn::Add(hs, hn::LoadU(d, ds + i + k));
        hq = hn::Add(hq, hn::LoadU(d, dq + i + k));
      }
      const size_t at = base + i;
      hn::StoreU(hn::Add(hn::LoadU(df, sum + at), hn::ConvertTo(df, hs)), df, nextSum + at);
      hn::StoreU(hn::Add(hn::LoadU(df, square + at), hn::ConvertTo(df, hq)), df, nextSquare + at);
    }
  }
  return whole;
}

using D64 = hn::ScalableTag<double>;
using V64 = hn::Vec<D64>;
using DF = hn::Rebind<float, D64>;
using VF = hn::Vec<DF>;

// The element's channel within the lane patterns, kept from vector to vector without a division.
template <int kPixel>
class Phase {
 public:
  Phase(size_t from, size_t count) : at_(from % kPixel), step_(count % kPixel) {}
  size_t operator()() const { return kPixel == 1 ? 0 : at_; }
  void Next() {
    if constexpr (kPixel > 1) {
      at_ += step_;
      if (at_ >= kPixel) at_ -= kPixel;
    }
  }

 private:
  size_t at_, step_;
};

// The plain Statistics on the lanes of a vector; certain: the lanes whose V needs no extended
// precision.
HWY_INLINE void VectorStatistics(const float* HWY_RESTRICT sum, const float* HWY_RESTRICT square,
                                 size_t i, float rf, hn::Vec<D64> r, hn::Vec<DF> t, hn::Vec<DF>& mean,
                                 hn::Vec<DF>& v, hn::Mask<DF>& certain) {
  const D64 d;
  const DF df;
  const hn::RebindToUnsigned<DF> du;
  const auto sf = hn::LoadU(df, sum + i);
  const auto s = hn::PromoteTo(d, sf);
  const auto q = hn::PromoteTo(d, hn::LoadU(df, square + i));
  const auto part = hn::Mul(hn::Mul(s, s), r);
  const auto value = hn::Sub(q, part);
  const auto reach = hn::Mul(hn::Set(d, 0x1p-50), hn::Add(part, hn::Abs(q)));
  const auto lo = hn::DemoteTo(df, hn::Sub(value, reach));
  const auto hi = hn::DemoteTo(df, hn::Add(value, reach));
  certain = hn::RebindMask(df, hn::Eq(hn::BitCast(du, lo), hn::BitCast(du, hi)));
  // Where both ends round to one float, so does the value between them; rounding it directly
  // keeps the reach off the way to the output.
  const auto rounded = hn::DemoteTo(df, value);
  v = hn::IfThenElse(hn::Lt(rounded, t), t, rounded);
  // S * r is exact in double (two floats), so the float product is its rounding as well.
  mean = hn::Mul(sf, hn::Set(df, rf));
}

// The lanes' values of the pattern: fixed for one-byte pixels, else loaded at the phase.
template <int kPixel, class D, typename T>
HWY_INLINE hn::Vec<D> Pattern(D d, const T* pattern, size_t phase) {
  return hn::LoadU(d, pattern + (kPixel == 1 ? 0 : phase));
}

template <int kPixel>
size_t StatisticsFor(float* HWY_RESTRICT sum, float* HWY_RESTRICT square, const TLanes& lanes,
                     size_t from, size_t n) {
  const D64 d;
  const DF df;
  const hn::RebindToUnsigned<DF> du;
  const size_t count = hn::Lanes(df);
  const float rf = lanes.r;
  const auto r = hn::Set(d, static_cast<double>(rf));
  const float* threshold = lanes.threshold;
  const uint32_t* live = lanes.liveFloat;
  Phase<kPixel> phase(from, count);
  size_t i = from;
  for (; i + count <= n; i += count, phase.Next()) {
    hn::Vec<DF> mean, v;
    hn::Mask<DF> certain;
    VectorStatistics(sum, square, i, rf, r, Pattern<kPixel>(df, threshold, phase()), mean, v, certain);
    if constexpr (kPixel == 4)  // the fourth byte of AC4 pixels is not filtered
      certain = hn::Or(certain, hn::RebindMask(df, hn::Not(hn::MaskFromVec(Pattern<kPixel>(du, live, phase())))));
    if (!hn::AllTrue(df, certain)) break;
    hn::StoreU(mean, df, sum + i);
    hn::StoreU(v, df, square + i);
  }
  return i - from;
}

template <int kPixel>
size_t OutputFor(const float* HWY_RESTRICT sum, const float* HWY_RESTRICT square,
                 const uint8_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT out, const TLanes& lanes,
                 size_t from, size_t n) {
  const D64 d;
  const DF df;
  const hn::RebindToUnsigned<DF> du;
  const hn::RebindToUnsigned<D64> du64;
  const hn::Rebind<int32_t, D64> d32;
  const hn::Rebind<uint8_t, D64> d8;
  const size_t count = hn::Lanes(d);
  const float rf = lanes.r;
  const auto r = hn::Set(d, static_cast<double>(rf));
  const auto zero = hn::Zero(d), top = hn::Set(d, 256.0);
  const auto low = hn::Set(d, 1e-9), high = hn::Set(d, 1 - 1e-9);
  const float* threshold = lanes.threshold;
  const double* noise = lanes.noise;
  const uint32_t* liveFloat = lanes.liveFloat;
  const uint64_t* liveDouble = lanes.liveDouble;
  // A stretch's statistics first, then its output: two short chains per element instead of one
  // long one, so that more elements are under way at once.
  constexpr size_t kStretch = 128;
  HWY_ALIGN float means[kStretch], variances[kStretch];
  Phase<kPixel> phase(from, count);
  size_t i = from;
  while (i + count <= n) {
    const Phase<kPixel> first = phase;
    size_t end = i;
    bool stop = false;
    for (size_t k = 0; k < kStretch && end + count <= n; k += count, end += count, phase.Next()) {
      hn::Vec<DF> mean, variance;
      hn::Mask<DF> certain;
      VectorStatistics(sum, square, end, rf, r, Pattern<kPixel>(df, threshold, phase()), mean, variance, certain);
      if constexpr (kPixel == 4)  // the fourth byte of AC4 pixels is not filtered
        certain = hn::Or(certain, hn::RebindMask(df, hn::Not(hn::MaskFromVec(Pattern<kPixel>(du, liveFloat, phase())))));
      if (!hn::AllTrue(df, certain)) {
        stop = true;
        break;
      }
      hn::Store(mean, df, means + k);
      hn::Store(variance, df, variances + k);
    }
    Phase<kPixel> at = first;
    for (size_t k = 0; i < end; k += count, i += count, at.Next()) {
      const auto tf = Pattern<kPixel>(df, threshold, at());
      const auto m = hn::PromoteTo(d, hn::Load(df, means + k));
      const auto v = hn::PromoteTo(d, hn::Load(df, variances + k));
      const auto p = hn::PromoteTo(d, hn::PromoteTo(d32, hn::LoadU(d8, src + i)));
      // The one-channel filter's formula takes the double T, the others the threshold.
      const auto t = kPixel == 1 ? Pattern<kPixel>(d, noise, at()) : hn::PromoteTo(d, tf);
      const auto value = hn::Add(m, hn::Mul(hn::Div(hn::Sub(v, t), v), hn::Sub(p, m)));
      // A value outside [0, 256) is redone by the plain path, as is one near an integer.
      const auto fraction = hn::Sub(value, hn::Trunc(value));
      auto redo = hn::Or(hn::Or(hn::Le(fraction, low), hn::Ge(fraction, high)), hn::Eq(v, zero));
      redo = hn::Or(redo, hn::Not(hn::And(hn::Ge(value, zero), hn::Lt(value, top))));
      if constexpr (kPixel == 4)
        redo = hn::And(redo, hn::RebindMask(d, hn::MaskFromVec(Pattern<kPixel>(du64, liveDouble, at()))));
      if (!hn::AllFalse(d, redo)) return i - from;
      hn::StoreU(hn::DemoteTo(d8, hn::DemoteTo(d32, value)), d8, out + i);  // truncated
    }
    if (stop) break;
  }
  return i - from;
}

size_t StatisticsBlocks(float* HWY_RESTRICT sum, float* HWY_RESTRICT square, const TLanes& lanes,
                        size_t from, size_t n) {
  switch (lanes.pixel) {
    case 1: return StatisticsFor<1>(sum, square, lanes, from, n);
    case 3: return StatisticsFor<3>(sum, square, lanes, from, n);
    default: return StatisticsFor<4>(sum, square, lanes, from, n);
  }
}

size_t OutputBlocks(const float* HWY_RESTRICT sum, const float* HWY_RESTRICT square,
                    const uint8_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT out, const TLanes& lanes,
                    size_t from, size_t n) {
  switch (lanes.pixel) {
    case 1: return OutputFor<1>(sum, square, src, out, lanes, from, n);
    case 3: return OutputFor<3>(sum, square, src, out, lanes, from, n);
    default: return OutputFor<4>(sum, square, src, out, lanes, from, n);
  }
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::wiener
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::wiener {

HWY_EXPORT(StepBlocks);
HWY_EXPORT(StatisticsBlocks);
HWY_EXPORT(OutputBlocks);

TBlocks VectorWiener() {
  return TBlocks{PF_HWY_DISPATCHED(StepBlocks), PF_HWY_DISPATCHED(StatisticsBlocks),
                 PF_HWY_DISPATCHED(OutputBlocks)};
}

}  // namespace builtin::wiener
#endif  // HWY_ONCE
