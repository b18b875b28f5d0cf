// Vector block kernels of the 8-bit interleaved remap (RemapKernels.h), compiled for every
// instruction set that Highway targets and chosen at run time.
//
// One destination pixel per lane: the map values of a vector of pixels are loaded and widened
// to doubles, tested against the region lane by lane, and the source bytes each lane needs are
// gathered four at a time (32-bit gathers at byte offsets from the image's first pixel). Every
// index, fraction, weight and sum is the plain body's operation on that lane, in the plain
// order and in doubles without fused multiply-adds, so every lane gives the plain bytes. Lanes
// outside the region take the position (0, 0), which lies in the image, and write nothing.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/resampling/RemapHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <cstring>
#include <type_traits>
#include <utility>

#include "primitives/geometry/WarpFrame.h"
#include "primitives/resampling/RemapKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::remap {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<double>;
using DI = hn::Rebind<int32_t, DF>;
using DU = hn::Rebind<uint32_t, DF>;
using DU64 = hn::Rebind<uint64_t, DF>;
using D8 = hn::Rebind<uint8_t, DF>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;
using MF = hn::Mask<DF>;

inline constexpr size_t kMaxLanes = HWY_MAX_BYTES / sizeof(double);

// Calls fn(std::integral_constant<int32_t, k>) for k = 0 .. kCount - 1.
template <class Fn, int32_t... k>
HWY_INLINE void ForEachIndex(Fn&& fn, std::integer_sequence<int32_t, k...>) {
  (fn(std::integral_constant<int32_t, k>()), ...);
}
template <int32_t kCount, class Fn>
HWY_INLINE void ForEachIndex(Fn&& fn) {
  ForEachIndex(fn, std::make_integer_sequence<int32_t, kCount>());
}

// The map values of a vector of pixels as doubles (exact).
HWY_INLINE VF LoadMap(const uint8_t* p) {
  return hn::PromoteTo(DF(), hn::LoadU(hn::Rebind<float, DF>(), reinterpret_cast<const float*>(p)));
}

// Lane k: the sizeof(T) bytes at base + offset[k], in memory order (scalar loads put together;
// gathers are slower on some processors).
template <class D>
HWY_INLINE hn::Vec<D> LoadRuns(D d, const uint8_t* base, const int32_t* offset) {
#if HWY_TARGET != HWY_SCALAR
  if constexpr (hn::MaxLanes(D()) > 1) {
    const hn::Half<D> dh;
    return hn::Combine(d, LoadRuns(dh, base, offset + hn::Lanes(dh)), LoadRuns(dh, base, offset));
  }
#endif
  hn::TFromD<D> v;
  std::memcpy(&v, base + offset[0], sizeof(v));
  return hn::Set(d, v);
}

// Byte kByte (memory order) of each lane of four or eight bytes, as a double.
template <int32_t kByte>
HWY_INLINE VF ByteOf(hn::Vec<DU> v) {
  hn::Vec<DU> b = v;
  if constexpr (kByte > 0) b = hn::ShiftRight<8 * kByte>(b);
  if constexpr (kByte < 3) b = hn::And(b, hn::Set(DU(), 0xFF));
  return hn::PromoteTo(DF(), hn::BitCast(DI(), b));
}
template <int32_t kByte>
HWY_INLINE VF ByteOf(hn::Vec<DU64> v) {
  const hn::RebindToSigned<DU64> di64;
  hn::Vec<DU64> b = v;
  if constexpr (kByte > 0) b = hn::ShiftRight<8 * kByte>(b);
  if constexpr (kByte < 7) b = hn::And(b, hn::Set(DU64(), 0xFF));
  return hn::ConvertTo(DF(), hn::BitCast(di64, b));
}

// Byte kByte of each lane's four bytes as the lanes of a byte vector.
template <int32_t kByte>
HWY_INLINE hn::Vec<D8> BytesOf(VI v) {
  return hn::TruncateTo(D8(), hn::ShiftRight<8 * kByte>(hn::BitCast(DU(), v)));
}

// Writes the first kChannels bytes of each lane of pix (its bytes in memory order) to its
// pixel, kStride bytes apart from out, for the lanes in `in` only.
template <int32_t kChannels, int32_t kStride>
HWY_INLINE void StoreLanes(MF in, VI pix, uint8_t* out) {
  HWY_ALIGN int32_t lanes[kMaxLanes];
  uint8_t bits[8] = {};
  hn::Store(pix, DI(), lanes);
  hn::StoreMaskBits(DF(), in, bits);
  const size_t n = hn::Lanes(DF());
  for (size_t k = 0; k < n; ++k)
    if ((bits[k / 8] >> (k % 8)) & 1) std::memcpy(out + k * kStride, &lanes[k], kChannels);
}

// Writes the destination pixels of a vector from its channel values (0..255 in 32-bit lanes):
// whole vectors where every lane is inside, else lane by lane.
template <int32_t kChannels, int32_t kStride>
HWY_INLINE void StoreChannels(MF in, const VI* ch, uint8_t* out) {
  const DI di;
  const D8 d8;
  const bool all = hn::AllTrue(DF(), in);
  if constexpr (kStride == 1) {
    if (all) return hn::StoreU(BytesOf<0>(ch[0]), d8, out);
  } else if constexpr (kStride == 3) {
    if (all) return hn::StoreInterleaved3(BytesOf<0>(ch[0]), BytesOf<0>(ch[1]), BytesOf<0>(ch[2]), d8, out);
  } else if constexpr (kChannels == 4) {
    if (all) return hn::StoreInterleaved4(BytesOf<0>(ch[0]), BytesOf<0>(ch[1]), BytesOf<0>(ch[2]), BytesOf<0>(ch[3]), d8, out);
  }
  VI pix = ch[0];
  if constexpr (kChannels > 1) pix = hn::Or(pix, hn::ShiftLeft<8>(ch[1]));
  if constexpr (kChannels > 2) pix = hn::Or(pix, hn::ShiftLeft<16>(ch[2]));
  if constexpr (kChannels > 3) pix = hn::Or(pix, hn::ShiftLeft<24>(ch[3]));
#if HWY_TARGET <= HWY_AVX3
  if constexpr (kChannels == 3 && kStride == 4) {
    // A masked store: the fourth byte of each pixel is not written at all.
    if (all) {
      const hn::Repartition<uint8_t, DI> dq;
      const auto rgb = hn::MaskFromVec(hn::BitCast(dq, hn::Set(di, 0x00FFFFFF)));
      return hn::BlendedStore(hn::BitCast(dq, pix), rgb, dq, out);
    }
  }
#endif
  (void)di;
  StoreLanes<kChannels, kStride>(in, pix, out);
}

// LinearAxis on each lane of s (0 <= s <= max): the window's first index and the fraction.
HWY_INLINE void LinearAxisV(VF s, VF max, VF* index, VF* fraction) {
  const DF df;
  const VF i = hn::Trunc(hn::Add(s, hn::Set(df, 1e-07)));
  const MF below = hn::Lt(i, max);
  *index = hn::IfThenElse(below, i, hn::Sub(max, hn::Set(df, 1.0)));
  *fraction = hn::IfThenElse(below, hn::Sub(s, i), hn::Set(df, 1.0));
}

// CubicStart on each lane of s (0 <= s <= max).
HWY_INLINE VF CubicStartV(VF s, VF max) {
  const DF df;
  const VF n = hn::Trunc(hn::Add(s, hn::Set(df, 1e-07)));
  return hn::Min(hn::Max(hn::Sub(n, hn::Set(df, 1.0)), hn::Zero(df)),
                 hn::Sub(max, hn::Set(df, 3.0)));
}

// cubic::WeightsOf on each lane: the fraction (s - 1) - start rounded to float, then the
// weights in double.
struct WeightsV {
  VF w[4];
};
HWY_INLINE WeightsV CubicWeightsV(VF s, VF start) {
  const DF df;
  constexpr double kMinusSixth = -1.0 / 6.0, kHalf = 0.5, kThird = 1.0 / 3.0, kOne = 1.0,
                   kMinusHalf = -0.5, kSixth = 1.0 / 6.0;
  const VF t = hn::PromoteTo(
      df, hn::DemoteTo(hn::Rebind<float, DF>(), hn::Sub(hn::Sub(s, hn::Set(df, 1.0)), start)));
  const VF t2 = hn::Mul(t, t);
  const VF t3 = hn::Mul(t2, t);
  const auto c = [&](double v) { return hn::Set(df, v); };
  return WeightsV{
      {hn::Sub(hn::Add(hn::Mul(t2, c(kHalf)), hn::Mul(t3, c(kMinusSixth))), hn::Mul(t, c(kThird))),
       hn::Add(hn::Sub(hn::Add(hn::Mul(t3, c(kHalf)), c(kOne)), t2), hn::Mul(t, c(kMinusHalf))),
       hn::Add(hn::Add(t, hn::Mul(t2, c(kHalf))), hn::Mul(t3, c(kMinusHalf))),
       hn::Sub(hn::Mul(t3, c(kSixth)), hn::Mul(t, c(kSixth)))}};
}

// The byte runs a lane reads from one window row: kBytes bytes from its offset, as one vector
// of four- or eight-byte lanes (lo) and, past eight bytes, a second one from byte 8 (hi).
template <int32_t kBytes>
struct RowRuns {
  using DLo = std::conditional_t<(kBytes > 4), DU64, DU>;
  using DHi = std::conditional_t<(kBytes > 12), DU64, DU>;
  hn::Vec<DLo> lo;
  hn::Vec<DHi> hi;
  HWY_INLINE RowRuns(const uint8_t* row, const int32_t* offset) {
    lo = LoadRuns(DLo(), row, offset);
    if constexpr (kBytes > 8) hi = LoadRuns(DHi(), row + 8, offset);
  }
  // Byte kByte of the run as a double.
  template <int32_t kByte>
  HWY_INLINE VF At() const {
    if constexpr (kByte < 8) return ByteOf<kByte>(lo);
    else return ByteOf<kByte - 8>(hi);
  }
};

template <int32_t kChannels, int32_t kStride, int32_t kMethod>
ptrdiff_t Block(const Source8& s, const uint8_t* xs, const uint8_t* ys, uint8_t* dst,
                ptrdiff_t n) {
  const DF df;
  const DI di;
  const ptrdiff_t lanes = static_cast<ptrdiff_t>(hn::Lanes(df));
  const VF left = hn::Set(df, s.left), right = hn::Set(df, s.right);
  const VF top = hn::Set(df, s.top), bottom = hn::Set(df, s.bottom);
  const VF xMax = hn::Set(df, s.xMax), yMax = hn::Set(df, s.yMax);
  const VF stepD = hn::Set(df, static_cast<double>(s.step)), strideD = hn::Set(df, kStride);
  const VF half = hn::Set(df, 0.5);
  // Bytes of the image: a read must end there.
  const double imageBytes = static_cast<double>(s.yMax) * static_cast<double>(s.step) +
                            (static_cast<double>(s.xMax) + 1.0) * kStride;
  HWY_ALIGN int32_t offset[kMaxLanes];
  ptrdiff_t done = 0;
  for (; done + lanes <= n; done += lanes) {
    const VF x = LoadMap(xs + 4 * done), y = LoadMap(ys + 4 * done);
    const MF in = hn::And(hn::And(hn::Ge(x, left), hn::Le(x, right)),
                          hn::And(hn::Ge(y, top), hn::Le(y, bottom)));
    if (hn::AllFalse(df, in)) continue;
    const VF xc = hn::IfThenElseZero(in, x), yc = hn::IfThenElseZero(in, y);
    uint8_t* out = dst + done * kStride;
    if constexpr (kMethod == kNearest) {
      // trunc(s + 0.5) lies in the region for positions inside it: a copy of the pixel's
      // written bytes.
      const VF off = hn::Add(hn::Mul(hn::Trunc(hn::Add(yc, half)), stepD),
                             hn::Mul(hn::Trunc(hn::Add(xc, half)), strideD));
      hn::Store(hn::DemoteTo(di, off), di, offset);
      if (hn::AllTrue(df, in)) {
        for (ptrdiff_t k = 0; k < lanes; ++k)
          std::memcpy(out + k * kStride, s.base + offset[k], kChannels);
      } else {
        uint8_t bits[8] = {};
        hn::StoreMaskBits(df, in, bits);
        for (ptrdiff_t k = 0; k < lanes; ++k)
          if ((bits[k / 8] >> (k % 8)) & 1)
            std::memcpy(out + k * kStride, s.base + offset[k], kChannels);
      }
    } else if constexpr (kMethod == kLinear) {
      VF ix, fx, iy, fy;
      LinearAxisV(xc, xMax, &ix, &fx);
      LinearAxisV(yc, yMax, &iy, &fy);
      const VF off = hn::Add(hn::Mul(iy, stepD), hn::Mul(ix, strideD));
      // A window row's run: both pixels' bytes, read as four (one channel) or eight.
      constexpr int32_t kRun = kStride == 1 ? 4 : 8;
      if constexpr (kRun > 2 * kStride) {
        // The lower row's run of the image's last pixels would end past the image.
        const VF last = hn::Add(off, hn::Set(df, static_cast<double>(s.step) + kRun));
        if (!hn::AllTrue(df, hn::Le(last, hn::Set(df, imageBytes)))) return done;
      }
      hn::Store(hn::DemoteTo(di, off), di, offset);
      const RowRuns<kRun> upper(s.base, offset), lower(s.base + s.step, offset);
      VI ch[kChannels];
      ForEachIndex<kChannels>([&](auto c) {
        constexpr int32_t kC = decltype(c)::value;
        const VF p00 = upper.template At<kC>(), p01 = upper.template At<kStride + kC>();
        const VF p10 = lower.template At<kC>(), p11 = lower.template At<kStride + kC>();
        const VF t = hn::Add(p00, hn::Mul(fx, hn::Sub(p01, p00)));
        const VF b = hn::Add(p10, hn::Mul(fx, hn::Sub(p11, p10)));
        ch[kC] = hn::DemoteTo(di, hn::Add(hn::Add(t, half), hn::Mul(fy, hn::Sub(b, t))));
      });
      StoreChannels<kChannels, kStride>(in, ch, out);
    } else {
      const VF wx0 = CubicStartV(xc, xMax), wy0 = CubicStartV(yc, yMax);
      const WeightsV wx = CubicWeightsV(xc, wx0), wy = CubicWeightsV(yc, wy0);
      hn::Store(hn::DemoteTo(di, hn::Add(hn::Mul(wy0, stepD), hn::Mul(wx0, strideD))), di,
                offset);
      VF acc[kChannels];
      ForEachIndex<4>([&](auto r) {
        constexpr int32_t kR = decltype(r)::value;
        // The window row: four pixels' bytes, exactly.
        const RowRuns<4 * kStride> run(s.base + kR * s.step, offset);
        ForEachIndex<kChannels>([&](auto c) {
          constexpr int32_t kC = decltype(c)::value;
          const VF h = hn::Add(
              hn::Add(hn::Add(hn::Mul(wx.w[0], run.template At<kC>()),
                              hn::Mul(wx.w[1], run.template At<kStride + kC>())),
                      hn::Mul(wx.w[2], run.template At<2 * kStride + kC>())),
              hn::Mul(wx.w[3], run.template At<3 * kStride + kC>()));
          if constexpr (kR == 0) acc[kC] = hn::Mul(wy.w[0], h);
          else acc[kC] = hn::Add(acc[kC], hn::Mul(wy.w[kR], h));
        });
      });
      // cubic::Store on each lane: above 255 gives 255, from 0 trunc(v + 0.5), else 0.
      const VF most = hn::Set(df, 255.0), zero = hn::Zero(df);
      VI ch[kChannels];
      ForEachIndex<kChannels>([&](auto c) {
        constexpr int32_t kC = decltype(c)::value;
        ch[kC] = hn::DemoteTo(
            di, hn::IfThenElse(hn::Gt(acc[kC], most), most,
                               hn::IfThenElseZero(hn::Ge(acc[kC], zero), hn::Add(acc[kC], half))));
      });
      StoreChannels<kChannels, kStride>(in, ch, out);
    }
  }
  return done;
}

#define PF_REMAP_BLOCK_FORMS(X) X(C1, 1, 1) X(C3, 3, 3) X(AC4, 3, 4) X(C4, 4, 4)
#define PF_REMAP_BLOCK_DEFINE(layout, channels, stride)                                       \
  ptrdiff_t Nearest##layout(const Source8& s, const uint8_t* xs, const uint8_t* ys,           \
                            uint8_t* dst, ptrdiff_t n) {                                      \
    return Block<channels, stride, kNearest>(s, xs, ys, dst, n);                              \
  }                                                                                           \
  ptrdiff_t Linear##layout(const Source8& s, const uint8_t* xs, const uint8_t* ys,            \
                           uint8_t* dst, ptrdiff_t n) {                                       \
    return Block<channels, stride, kLinear>(s, xs, ys, dst, n);                               \
  }                                                                                           \
  ptrdiff_t Cubic##layout(const Source8& s, const uint8_t* xs, const uint8_t* ys,             \
                          uint8_t* dst, ptrdiff_t n) {                                        \
    return Block<channels, stride, kCubic>(s, xs, ys, dst, n);                                \
  }
PF_REMAP_BLOCK_FORMS(PF_REMAP_BLOCK_DEFINE)
#undef PF_REMAP_BLOCK_DEFINE

}  // namespace HWY_NAMESPACE
}  // namespace builtin::remap
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::remap {

#define PF_REMAP_BLOCK_EXPORT(layout, channels, stride) \
  HWY_EXPORT(Nearest##layout);                          \
  HWY_EXPORT(Linear##layout);                           \
  HWY_EXPORT(Cubic##layout);
PF_REMAP_BLOCK_FORMS(PF_REMAP_BLOCK_EXPORT)
#undef PF_REMAP_BLOCK_EXPORT

BlockKernel VectorBlockKernel(int32_t layout, int32_t method, const Source8& s) {
  const int64_t stride = layout == warp::kC1 ? 1 : layout == warp::kC3 ? 3 : 4;
  const int64_t bytes = int64_t{s.yMax} * s.step + (int64_t{s.xMax} + 1) * stride;
  if (s.step < 1 || bytes > INT32_MAX) return nullptr;
#define PF_REMAP_BLOCK_CASE(layout, channels, stride)                       \
  case warp::k##layout:                                                     \
    return method == kNearest  ? PF_HWY_DISPATCHED(Nearest##layout)         \
           : method == kLinear ? PF_HWY_DISPATCHED(Linear##layout)          \
                               : PF_HWY_DISPATCHED(Cubic##layout);
  switch (layout) {
    PF_REMAP_BLOCK_FORMS(PF_REMAP_BLOCK_CASE)
    default:
      return nullptr;
  }
#undef PF_REMAP_BLOCK_CASE
}

}  // namespace builtin::remap
#endif  // HWY_ONCE
#undef PF_REMAP_BLOCK_FORMS
