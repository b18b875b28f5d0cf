// Vector block kernels of the 8-bit interleaved remap (RemapKernels.h), compiled for every
// instruction set that Highway targets and chosen at run time.
//
// One destination pixel per lane. A stretch goes in chunks of up to kChunk pixels, in two
// passes: the first loads the map values of a vector of pixels, widens them to doubles, tests
// them against the region lane by lane and keeps the window's byte offset from the image's
// first pixel and the fractions; the second reads each lane's window rows (scalar loads put
// together into vectors: gathers are slower on some processors), interpolates and stores.
// Every index, fraction, weight and sum is the plain body's operation on that lane, in the
// plain order and in doubles without fused multiply-adds, so every lane gives the plain bytes;
// the weights, sums and roundings are the warps' own (WarpSamplersHwy-inl.h).
// Lanes outside the region take the position (0, 0), which lies in the image, and write
// nothing.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/resampling/RemapHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/cache_control.h>
#include <hwy/highway.h>

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <utility>

#include "primitives/geometry/WarpFrame.h"
#include "primitives/geometry/WarpSamplersHwy-inl.h"
#include "primitives/resampling/RemapKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::remap {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// The samplers' arithmetic, shared with the warps.
using warp::HWY_NAMESPACE::Blend;
using warp::HWY_NAMESPACE::CubicFraction;
using warp::HWY_NAMESPACE::CubicStore;
using warp::HWY_NAMESPACE::CubicWeightsOf;
using warp::HWY_NAMESPACE::StoreThreeOfFour;
using warp::HWY_NAMESPACE::Weigh;
using warp::HWY_NAMESPACE::WeightsV;

using DF = hn::ScalableTag<double>;
using DI = hn::Rebind<int32_t, DF>;
using DU = hn::Rebind<uint32_t, DF>;
using DU64 = hn::Rebind<uint64_t, DF>;
using D8 = hn::Rebind<uint8_t, DF>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;
using MF = hn::Mask<DF>;

inline constexpr size_t kMaxLanes = HWY_MAX_BYTES / sizeof(double);
static_assert(kMaxLanes <= 8, "a vector's inside lanes are kept as the bits of one byte");

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
  const hn::Rebind<float, DF> d32;
  return hn::PromoteTo(DF(), hn::LoadU(d32, reinterpret_cast<const float*>(p)));
}

// Lane k: the kBytes bytes at base + offset[k] in memory order, zero-extended to the lane.
// Nothing beyond them is read.
template <int32_t kBytes, class D>
HWY_INLINE hn::Vec<D> LoadRuns(D d, const uint8_t* base, const int32_t* offset) {
#if HWY_TARGET != HWY_SCALAR
  if constexpr (hn::MaxLanes(D()) > 1) {
    const hn::Half<D> dh;
    return hn::Combine(d, LoadRuns<kBytes>(dh, base, offset + hn::Lanes(dh)),
                       LoadRuns<kBytes>(dh, base, offset));
  }
#endif
  hn::TFromD<D> v = 0;
  std::memcpy(&v, base + offset[0], kBytes);
  return hn::Set(d, v);
}

// Byte kByte (memory order) of each lane of four or eight bytes, zero-extended to the lane.
template <int32_t kByte, class D>
HWY_INLINE hn::Vec<D> ByteToLowByte(hn::Vec<D> v) {
#if HWY_TARGET <= HWY_AVX3
  // One byte shuffle: byte kByte of each lane to its lowest byte, the others zeroed.
  using T = hn::TFromD<D>;
  const D d;
  const hn::Repartition<uint8_t, D> d8;
  constexpr uint64_t kZeros = sizeof(T) == 8 ? 0x8080808080808000ull : 0x80808000ull;
  const auto laneInBlock = hn::And(hn::Iota(d, 0), hn::Set(d, 16 / sizeof(T) - 1));
  const auto from = hn::Add(hn::Set(d, static_cast<T>(kZeros | kByte)),
                            hn::ShiftLeft<sizeof(T) == 8 ? 3 : 2>(laneInBlock));
  return hn::BitCast(d, hn::TableLookupBytesOr0(hn::BitCast(d8, v), hn::BitCast(d8, from)));
#else
  constexpr int32_t kLast = static_cast<int32_t>(sizeof(hn::TFromD<D>)) - 1;
  hn::Vec<D> b = v;
  if constexpr (kByte > 0) b = hn::ShiftRight<8 * kByte>(b);
  if constexpr (kByte < kLast) b = hn::And(b, hn::Set(D(), 0xFF));
  return b;
#endif
}

// Byte kByte (memory order) of each lane of four or eight bytes, as a double.
template <int32_t kByte>
HWY_INLINE VF ByteOf(hn::Vec<DU> v) {
  return hn::PromoteTo(DF(), hn::BitCast(DI(), ByteToLowByte<kByte, DU>(v)));
}
template <int32_t kByte>
HWY_INLINE VF ByteOf(hn::Vec<DU64> v) {
  const hn::RebindToSigned<DU64> di64;
  return hn::ConvertTo(DF(), hn::BitCast(di64, ByteToLowByte<kByte, DU64>(v)));
}

// Byte kByte of each lane's four bytes as the lanes of a byte vector.
template <int32_t kByte>
HWY_INLINE hn::Vec<D8> BytesOf(VI v) {
  return hn::TruncateTo(D8(), hn::ShiftRight<8 * kByte>(hn::BitCast(DU(), v)));
}

// Writes the first kChannels bytes of each lane of pix (its bytes in memory order) to its
// pixel, kStride bytes apart from out, for the lanes whose bit is set.
template <int32_t kChannels, int32_t kStride>
HWY_INLINE void StoreLanes(uint8_t bits, VI pix, uint8_t* out) {
  HWY_ALIGN int32_t lanes[kMaxLanes];
  hn::Store(pix, DI(), lanes);
  const size_t n = hn::Lanes(DF());
  for (size_t k = 0; k < n; ++k)
    if ((bits >> k) & 1) std::memcpy(out + k * kStride, &lanes[k], kChannels);
}

// Writes the destination pixels of a vector from its channel values (0..255 in 32-bit lanes):
// whole vectors where every lane is inside (all), else the lanes whose bit is set.
template <int32_t kChannels, int32_t kStride>
HWY_INLINE void StoreChannels(bool all, uint8_t bits, const VI* ch, uint8_t* out) {
  const DI di;
  const D8 d8;
  if constexpr (kStride == 1) {
    if (all) return hn::StoreU(BytesOf<0>(ch[0]), d8, out);
  } else if constexpr (kStride == 3) {
    if (all) {
      return hn::StoreInterleaved3(BytesOf<0>(ch[0]), BytesOf<0>(ch[1]), BytesOf<0>(ch[2]), d8,
                                   out);
    }
  }
  VI pix = ch[0];
  if constexpr (kChannels > 1) pix = hn::Or(pix, hn::ShiftLeft<8>(ch[1]));
  if constexpr (kChannels > 2) pix = hn::Or(pix, hn::ShiftLeft<16>(ch[2]));
  if constexpr (kChannels > 3) pix = hn::Or(pix, hn::ShiftLeft<24>(ch[3]));
  if constexpr (kChannels == 4) {
    if (all) return hn::StoreU(pix, di, reinterpret_cast<int32_t*>(out));
  }
  if constexpr (kChannels == 3 && kStride == 4) {
    if (all) return StoreThreeOfFour(pix, out);  // the fourth byte of each pixel not written
  }
  StoreLanes<kChannels, kStride>(bits, pix, out);
}

// LinearSampler::Axis on each lane of s (0 <= s <= max): the window's first index and the fraction.
HWY_INLINE void LinearAxisV(VF s, VF max, VF* index, VF* fraction) {
  const DF df;
  const VF i = hn::Trunc(hn::Add(s, hn::Set(df, 1e-07)));
  const MF below = hn::Lt(i, max);
  *index = hn::IfThenElse(below, i, hn::Sub(max, hn::Set(df, 1.0)));
  *fraction = hn::IfThenElse(below, hn::Sub(s, i), hn::Set(df, 1.0));
}

// CubicSampler::WindowStart on each lane of s (0 <= s <= max).
HWY_INLINE VF CubicStartV(VF s, VF max) {
  const DF df;
  const VF n = hn::Trunc(hn::Add(s, hn::Set(df, 1e-07)));
  return hn::Min(hn::Max(hn::Sub(n, hn::Set(df, 1.0)), hn::Zero(df)),
                 hn::Sub(max, hn::Set(df, 3.0)));
}

// A cubic window row: the 4 kStride bytes each lane reads (4, 12 or 16), as a run of four or
// eight bytes and, past eight, a second run from byte 8.
template <int32_t kBytes>
struct CubicRow {
  using DLo = std::conditional_t<(kBytes > 4), DU64, DU>;
  using DHi = std::conditional_t<(kBytes == 16), DU64, DU>;
  hn::Vec<DLo> lo;
  hn::Vec<DHi> hi;
  HWY_INLINE CubicRow(const uint8_t* row, const int32_t* offset) {
    lo = LoadRuns<(kBytes > 4 ? 8 : 4)>(DLo(), row, offset);
    if constexpr (kBytes > 8) hi = LoadRuns<kBytes - 8>(DHi(), row + 8, offset);
  }
  // Byte kByte of the window row as a double.
  template <int32_t kByte>
  HWY_INLINE VF At() const {
    if constexpr (kByte < 8) return ByteOf<kByte>(lo);
    else return ByteOf<kByte - 8>(hi);
  }
};

// A linear window row: its 2 kStride bytes as one run of four (one channel) or eight bytes.
template <int32_t kStride>
using LinearRun = std::conditional_t<kStride == 1, DU, DU64>;
template <int32_t kStride>
inline constexpr int32_t kLinearRunBytes = kStride == 1 ? 4 : 8;

// Pixels per pass: the positions of a chunk are worked out first (the byte offsets of the
// windows, fractions and inside lanes, into arrays), then its pixels are sampled; the sample
// loads of a vector then wait for no position arithmetic, and many are under way at once.
inline constexpr ptrdiff_t kChunk = 128;

template <int32_t kMethod>
struct ChunkPositions {
  HWY_ALIGN int32_t offset[kChunk];
  HWY_ALIGN int32_t shift[kMethod == kLinear ? kChunk : 1];
  HWY_ALIGN double fx[kMethod == kNearest ? 1 : kChunk];
  HWY_ALIGN double fy[kMethod == kNearest ? 1 : kChunk];
  uint8_t inside[kChunk];  // per vector: bit k for lane k inside the region
};

// Pass 1 over the vectors of a chunk of n pixels (a multiple of the lanes).
template <int32_t kStride, int32_t kMethod>
HWY_INLINE void Positions(const Source8& s, const uint8_t* xs, const uint8_t* ys, ptrdiff_t n,
                          ChunkPositions<kMethod>& p) {
  const DF df;
  const DI di;
  const ptrdiff_t lanes = static_cast<ptrdiff_t>(hn::Lanes(df));
  const VF left = hn::Set(df, s.left), right = hn::Set(df, s.right);
  const VF top = hn::Set(df, s.top), bottom = hn::Set(df, s.bottom);
  const VF xMax = hn::Set(df, s.xMax), yMax = hn::Set(df, s.yMax);
  const VF stepD = hn::Set(df, static_cast<double>(s.step)), strideD = hn::Set(df, kStride);
  for (ptrdiff_t i = 0, v = 0; i < n; i += lanes, ++v) {
    const VF x = LoadMap(xs + 4 * i), y = LoadMap(ys + 4 * i);
    const MF in = hn::And(hn::And(hn::Ge(x, left), hn::Le(x, right)),
                          hn::And(hn::Ge(y, top), hn::Le(y, bottom)));
    p.inside[v] = 0;
    hn::StoreMaskBits(df, in, &p.inside[v]);
    if (p.inside[v] == 0) continue;
    // Lanes outside take the position (0, 0), inside the image.
    const VF xc = hn::IfThenElseZero(in, x), yc = hn::IfThenElseZero(in, y);
    VF off;
    if constexpr (kMethod == kNearest) {
      // trunc(s + 0.5) lies in the region for positions inside it.
      const VF half = hn::Set(df, 0.5);
      off = hn::Add(hn::Mul(hn::Trunc(hn::Add(yc, half)), stepD),
                    hn::Mul(hn::Trunc(hn::Add(xc, half)), strideD));
    } else if constexpr (kMethod == kLinear) {
      VF ix, fx, iy, fy;
      LinearAxisV(xc, xMax, &ix, &fx);
      LinearAxisV(yc, yMax, &iy, &fy);
      hn::Store(fx, df, p.fx + i);
      hn::Store(fy, df, p.fy + i);
      off = hn::Add(hn::Mul(iy, stepD), hn::Mul(ix, strideD));
      // Where the window row's run would end past the row's last pixel, it starts that many
      // bytes earlier and is shifted back, so that nothing past the row is read (rows of at
      // least a run's bytes).
      VF excess = hn::Zero(df);
      if constexpr (kLinearRunBytes<kStride> > 2 * kStride) {
        const double lastStart =
            (static_cast<double>(s.xMax) + 1.0) * kStride - kLinearRunBytes<kStride>;
        excess = hn::Max(hn::Sub(hn::Mul(ix, strideD), hn::Set(df, lastStart)), hn::Zero(df));
        off = hn::Sub(off, excess);
      }
      hn::Store(hn::DemoteTo(di, hn::Mul(excess, hn::Set(df, 8.0))), di, p.shift + i);
    } else {
      const VF wx0 = CubicStartV(xc, xMax), wy0 = CubicStartV(yc, yMax);
      hn::Store(CubicFraction(xc, wx0), df, p.fx + i);
      hn::Store(CubicFraction(yc, wy0), df, p.fy + i);
      off = hn::Add(hn::Mul(wy0, stepD), hn::Mul(wx0, strideD));
    }
    hn::Store(hn::DemoteTo(di, off), di, p.offset + i);
    // The window rows of the vector's first and last pixels are fetched while the chunk's
    // other positions are worked out (neighbouring pixels mostly read the lines between).
    constexpr int32_t kRows = kMethod == kNearest ? 1 : kMethod == kLinear ? 2 : 4;
    const uint8_t* first = s.base + p.offset[i];
    const uint8_t* last = s.base + p.offset[i + lanes - 1];
    for (int32_t r = 0; r < kRows; ++r) {
      hwy::Prefetch(first + r * s.step);
      hwy::Prefetch(last + r * s.step);
    }
  }
}

template <int32_t kChannels, int32_t kStride, int32_t kMethod>
ptrdiff_t Block(const Source8& s, const uint8_t* xs, const uint8_t* ys, uint8_t* dst,
                ptrdiff_t n) {
  const DF df;
  const DI di;
  const ptrdiff_t lanes = static_cast<ptrdiff_t>(hn::Lanes(df));
  const uint8_t full = static_cast<uint8_t>((1u << lanes) - 1);
  ChunkPositions<kMethod> p;
  ptrdiff_t done = 0;
  while (n - done >= lanes) {
    const ptrdiff_t count = std::min(kChunk, (n - done) / lanes * lanes);
    Positions<kStride, kMethod>(s, xs + 4 * done, ys + 4 * done, count, p);
    uint8_t* chunkDst = dst + kStride * done;
    for (ptrdiff_t i = 0, v = 0; i < count; i += lanes, ++v) {
      const uint8_t bits = p.inside[v];
      if (bits == 0) continue;
      uint8_t* out = chunkDst + kStride * i;
      const int32_t* offset = p.offset + i;
      if constexpr (kMethod == kNearest) {
        // A copy of the pixel's written bytes.
        const uint8_t* base = s.base;
        if (bits == full) {
          for (ptrdiff_t k = 0; k < lanes; ++k)
            std::memcpy(out + k * kStride, base + offset[k], kChannels);
        } else {
          for (ptrdiff_t k = 0; k < lanes; ++k)
            if ((bits >> k) & 1) std::memcpy(out + k * kStride, base + offset[k], kChannels);
        }
      } else if constexpr (kMethod == kLinear) {
        using D = LinearRun<kStride>;
        constexpr int32_t kRun = kLinearRunBytes<kStride>;
        auto upper = LoadRuns<kRun>(D(), s.base, offset);
        auto lower = LoadRuns<kRun>(D(), s.base + s.step, offset);
        if constexpr (kRun > 2 * kStride) {
          const auto bitsI = hn::BitCast(DU(), hn::Load(di, p.shift + i));
          hn::Vec<D> shift;
          if constexpr (kStride == 1) shift = bitsI;
          else shift = hn::PromoteTo(D(), bitsI);
          upper = hn::Shr(upper, shift);
          lower = hn::Shr(lower, shift);
        }
        const VF fx = hn::Load(df, p.fx + i), fy = hn::Load(df, p.fy + i);
        VI ch[kChannels];
        ForEachIndex<kChannels>([&](auto c) {
          constexpr int32_t kC = decltype(c)::value;
          const VF p00 = ByteOf<kC>(upper), p01 = ByteOf<kStride + kC>(upper);
          const VF p10 = ByteOf<kC>(lower), p11 = ByteOf<kStride + kC>(lower);
          ch[kC] = Blend<false>(p00, hn::Sub(p01, p00), p10, hn::Sub(p11, p10), fx, fy);
        });
        StoreChannels<kChannels, kStride>(bits == full, bits, ch, out);
      } else {
        const WeightsV<VF> wx = CubicWeightsOf(hn::Load(df, p.fx + i));
        const WeightsV<VF> wy = CubicWeightsOf(hn::Load(df, p.fy + i));
        VF h[4][kChannels];
        ForEachIndex<4>([&](auto r) {
          constexpr int32_t kR = decltype(r)::value;
          // The window row: four pixels' bytes, exactly.
          const CubicRow<4 * kStride> run(s.base + kR * s.step, offset);
          ForEachIndex<kChannels>([&](auto c) {
            constexpr int32_t kC = decltype(c)::value;
            h[kR][kC] =
                Weigh(wx, run.template At<kC>(), run.template At<kStride + kC>(),
                      run.template At<2 * kStride + kC>(), run.template At<3 * kStride + kC>());
          });
        });
        VI ch[kChannels];
        ForEachIndex<kChannels>([&](auto c) {
          constexpr int32_t kC = decltype(c)::value;
          ch[kC] = CubicStore(Weigh(wy, h[0][kC], h[1][kC], h[2][kC], h[3][kC]));
        });
        StoreChannels<kChannels, kStride>(bits == full, bits, ch, out);
      }
    }
    done += count;
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
  // The linear windows' runs need rows of at least 4 bytes, or 8 with three channels.
  if (method == kLinear && (s.xMax + 1) * stride < (stride == 1 ? 4 : 8)) return nullptr;
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
