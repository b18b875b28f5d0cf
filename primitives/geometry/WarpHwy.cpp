// Vector samplers of the 8-bit warps over positions listed beforehand, compiled for every
// instruction set that Highway targets and chosen at run time.
//
// The lanes run across pixels: a vector of doubles holds one coordinate of several pixels and
// each lane does exactly the plain sampler's operations on its pixel in the same order (no
// fused multiply-add), so the bytes are the same. The indexes follow the plain rules lane by
// lane, positions that are not a number or beyond the 32-bit range included: such a position's
// plain index is INT32_MIN, which every rule clamps into the image, and the vector rules pick
// the same index by comparing the position itself. A window row is one word per lane (32 bits
// of one-byte pixels, 64 bits holding both pixels of a linear window of three or four
// channels), loaded lane by lane. The cubic sampler of three and four channels holds two pixels
// per vector on AVX-512, a lane per channel, and one pixel per vector of four doubles on AVX2
// (WarpPixelsHwy-inl.h). The cubic weights and sums, the roundings and the store that keeps a
// pixel's fourth byte are WarpSamplersHwy-inl.h's, which the remap's vector kernels share.
//
// Every loaded word lies inside its source row: a 32-bit word of one-byte pixels starts at most
// at column xMax - 3 and a 64-bit word of three-byte pixels at most at byte 3 xMax - 5, the lane
// shifting its word right where the pixel it wants lies further on.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/geometry/WarpHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <cstring>

#include "primitives/geometry/WarpKernels.h"
#include "primitives/geometry/WarpPixelsHwy-inl.h"
#include "primitives/geometry/WarpSamplersHwy-inl.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::warp {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET != HWY_SCALAR

using DF = hn::ScalableTag<double>;
using VF = hn::Vec<DF>;
using DI = hn::Rebind<int32_t, DF>;
using VI = hn::Vec<DI>;
using DU = hn::Rebind<uint32_t, DF>;
using VU = hn::Vec<DU>;
using DI64 = hn::Rebind<int64_t, DF>;
using DU64 = hn::Rebind<uint64_t, DF>;
using VU64 = hn::Vec<DU64>;
using D8 = hn::Rebind<uint8_t, DF>;

constexpr double kTwoTo31 = 2147483648.0;

// A sampler's per-block body is inlined into its run's loop, so that its constants stay in
// registers from block to block.
#ifndef PF_INLINE_BODY
#define PF_INLINE_BODY __attribute__((always_inline))
#endif
constexpr size_t kMaxLanes = HWY_MAX_BYTES / sizeof(double);

// ---- Indexes and fractions, lane by lane ---------------------------------------------------

// NearestSampler: clamp(trunc(s + 0.5), 0, max), a truncation outside int32 (or of NaN) being
// INT32_MIN and so 0.
HWY_INLINE VI NearestIndex(VF s, VF max) {
  const DF df;
  const VF t = hn::Add(s, hn::Set(df, 0.5));
  const auto inside = hn::And(hn::Ge(t, hn::Zero(df)), hn::Lt(t, hn::Set(df, kTwoTo31)));
  if (hn::AllTrue(df, hn::And(inside, hn::Lt(t, max)))) return TruncInside(t);
  return TruncInside(hn::Min(hn::IfThenElseZero(inside, t), max));
}

// LinearSampler::Axis: i = trunc(s + 1e-7); i < 0 (NaN and beyond int32 too) gives (0, 0),
// i < max gives (i, s - i), else (max - 1, 1).
HWY_INLINE void LinearAxis(VF s, double max, VI* index, VF* fraction) {
  const DF df;
  const VF t = hn::Add(s, hn::Set(df, 1e-07));
  const VF top = hn::Set(df, max);
  const auto middle = hn::And(hn::Gt(t, hn::Set(df, -1.0)), hn::Lt(t, top));
  if (hn::AllTrue(df, middle)) {  // the usual case: every lane inside the image
    *index = TruncInside(t);
    *fraction = hn::Sub(s, hn::PromoteTo(df, *index));
    return;
  }
  const auto high = hn::And(hn::Ge(t, top), hn::Lt(t, hn::Set(df, kTwoTo31)));
  const VF i = hn::PromoteTo(df, TruncInside(hn::IfThenElseZero(middle, t)));
  *fraction = hn::IfThenElse(middle, hn::Sub(s, i), hn::IfThenElseZero(high, hn::Set(df, 1.0)));
  *index =
      TruncInside(hn::IfThenElse(middle, i, hn::IfThenElseZero(high, hn::Set(df, max - 1.0))));
}

// CubicSampler::WindowStart (max >= 3): n = trunc(s + 1e-7); n >= max - 1 gives max - 3, n <= 0
// (NaN and beyond int32 too) 0, else n - 1. As a double (a small whole number).
HWY_INLINE VF CubicStart(VF s, double max) {
  const DF df;
  const VF t = hn::Add(s, hn::Set(df, 1e-07));
  const VF last = hn::Set(df, max - 1.0);
  const auto high = hn::And(hn::Ge(t, last), hn::Lt(t, hn::Set(df, kTwoTo31)));
  const auto middle = hn::And(hn::Ge(t, hn::Set(df, 1.0)), hn::Lt(t, last));
  if (hn::AllTrue(df, middle))  // the usual case: every window away from the borders
    return hn::Sub(hn::PromoteTo(df, TruncInside(t)), hn::Set(df, 1.0));
  const VF n = hn::PromoteTo(df, TruncInside(hn::IfThenElseZero(middle, t)));
  return hn::IfThenElse(high, hn::Set(df, max - 3.0),
                        hn::IfThenElseZero(middle, hn::Sub(n, hn::Set(df, 1.0))));
}

// ---- Bytes in and out ----------------------------------------------------------------------

// The 32-bit and 64-bit words at base + offset, lane by lane. On AVX2 and AVX-512 the lanes
// are loaded one by one and put together, which the processors measured here do faster than
// their gather instructions; elsewhere Highway's gather.
HWY_INLINE int32_t Load32(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
HWY_INLINE int64_t Load64(const uint8_t* p) {
  int64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
#if HWY_TARGET <= HWY_AVX2
// The offsets of lanes 2i and 2i + 1 as 64-bit integers.
HWY_INLINE __m128i OffsetPair(VI offset, int i) {
#if HWY_TARGET <= HWY_AVX3
  const __m512i all = _mm512_cvtepi32_epi64(offset.raw);
  switch (i) {
    case 0:
      return _mm512_castsi512_si128(all);
    case 1:
      return _mm512_extracti64x2_epi64(all, 1);
    case 2:
      return _mm512_extracti64x2_epi64(all, 2);
    default:
      return _mm512_extracti64x2_epi64(all, 3);
  }
#else
  const __m256i all = _mm256_cvtepi32_epi64(offset.raw);
  return i == 0 ? _mm256_castsi256_si128(all) : _mm256_extracti128_si256(all, 1);
#endif
}
// The words of lanes 4i..4i + 3 in one 128-bit vector.
HWY_INLINE __m128i Four32(const uint8_t* base, VI offset, int i) {
  const __m128i a = OffsetPair(offset, 2 * i), b = OffsetPair(offset, 2 * i + 1);
  __m128i v = _mm_cvtsi32_si128(Load32(base + _mm_cvtsi128_si64(a)));
  v = _mm_insert_epi32(v, Load32(base + _mm_extract_epi64(a, 1)), 1);
  v = _mm_insert_epi32(v, Load32(base + _mm_cvtsi128_si64(b)), 2);
  return _mm_insert_epi32(v, Load32(base + _mm_extract_epi64(b, 1)), 3);
}
// The words of lanes 2i, 2i + 1.
HWY_INLINE __m128i Two64(const uint8_t* base, VI offset, int i) {
  const __m128i a = OffsetPair(offset, i);
  return _mm_insert_epi64(_mm_cvtsi64_si128(Load64(base + _mm_cvtsi128_si64(a))),
                          Load64(base + _mm_extract_epi64(a, 1)), 1);
}
#endif

// The words at base + offset of kRows rows, down bytes apart: rows[r] from row r.
template <int kRows>
HWY_INLINE void Gather32(const uint8_t* base, ptrdiff_t down, VI offset, VU* rows) {
  for (int r = 0; r < kRows; ++r, base += down) {
#if HWY_TARGET <= HWY_AVX3
    rows[r] = VU{_mm256_inserti128_si256(_mm256_castsi128_si256(Four32(base, offset, 0)),
                                         Four32(base, offset, 1), 1)};
#elif HWY_TARGET <= HWY_AVX2
    rows[r] = VU{Four32(base, offset, 0)};
#else
    rows[r] =
        hn::BitCast(DU(), hn::GatherOffset(DI(), reinterpret_cast<const int32_t*>(base), offset));
#endif
  }
}
template <int kRows>
HWY_INLINE void Gather64(const uint8_t* base, ptrdiff_t down, VI offset, VU64* rows) {
  for (int r = 0; r < kRows; ++r, base += down) {
#if HWY_TARGET <= HWY_AVX3
    const __m256i low = _mm256_inserti128_si256(_mm256_castsi128_si256(Two64(base, offset, 0)),
                                                Two64(base, offset, 1), 1);
    const __m256i high = _mm256_inserti128_si256(_mm256_castsi128_si256(Two64(base, offset, 2)),
                                                 Two64(base, offset, 3), 1);
    rows[r] = VU64{_mm512_inserti64x4(_mm512_castsi256_si512(low), high, 1)};
#elif HWY_TARGET <= HWY_AVX2
    rows[r] = VU64{_mm256_inserti128_si256(_mm256_castsi128_si256(Two64(base, offset, 0)),
                                           Two64(base, offset, 1), 1)};
#else
    const DI64 d64;
    rows[r] = hn::BitCast(DU64(), hn::GatherOffset(d64, reinterpret_cast<const int64_t*>(base),
                                                   hn::PromoteTo(d64, offset)));
#endif
  }
}

// Byte kByte of each 32-bit word as a double.
template <int kByte>
HWY_INLINE VF ByteOf(VU w) {
  const DF df;
  const VU b = kByte == 3 ? hn::ShiftRight<24>(w)
                          : hn::And(hn::ShiftRight<8 * kByte>(w), hn::Set(DU(), 0xffu));
  return hn::PromoteTo(df, hn::BitCast(DI(), b));
}
// The low byte of each 32-bit lane, stored.
HWY_INLINE void StoreLowBytes(VU w, uint8_t* dst) {
#if HWY_TARGET <= HWY_AVX3
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), _mm256_cvtepi32_epi8(w.raw));
#else
  hn::StoreU(hn::TruncateTo(D8(), w), D8(), dst);
#endif
}

// Writes the first kChannels bytes of each 32-bit word as pixels kStride bytes apart at dst.
template <int kChannels, int kStride>
HWY_INLINE void StorePixels(VU w, uint8_t* dst) {
  const DU du;
  const hn::Repartition<uint8_t, DU> d8;
  constexpr size_t N = hn::MaxLanes(du);
  if constexpr (kStride == 1) {
    StoreLowBytes(w, dst);
  } else if constexpr (kChannels == 4) {
    hn::StoreU(hn::BitCast(d8, w), d8, dst);
  } else if constexpr (kStride == 4) {
    StoreThreeOfFour(w, dst);  // the fourth byte of each pixel stays as it is
  } else {
#if HWY_TARGET <= HWY_AVX3
    // Three-byte pixels: each half's four pixels packed into its first 12 bytes, the halves
    // joined, 24 bytes stored.
    const __m256i packed = _mm256_shuffle_epi8(
        w.raw, _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4,
                                5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
    const __m256i joined =
        _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7));
    _mm256_mask_storeu_epi8(dst, 0x00ffffffu, joined);
    return;
#endif
    // Three-byte pixels: each word's fourth byte lands on the next pixel's first, which that
    // pixel's own word then writes; the last pixel writes three bytes only.
    HWY_ALIGN uint32_t words[N];
    hn::Store(w, du, words);
    for (size_t k = 0; k + 1 < N; ++k) std::memcpy(dst + 3 * k, &words[k], 4);
    std::memcpy(dst + 3 * (N - 1), &words[N - 1], 3);
  }
}

// The blocks of a run: body(xs, ys, dst) does N pixels, whose windows span kRows source rows;
// a last partial block runs on copies padded with position 0 into a local row, of which only
// its pixels' written bytes are copied.
template <int kChannels, int kStride, int kRows = 1, class Body>
HWY_INLINE void Run(const double* xs, const double* ys, ptrdiff_t n, const LinearSource8& src,
                    uint8_t* dst, const Body& body) {
  const ptrdiff_t N = static_cast<ptrdiff_t>(hn::Lanes(DF()));
  ptrdiff_t k = 0;
  // The source lines of the pixel four blocks ahead are fetched while this block is worked,
  // where windows are wide or tall enough for that to pay (not for the nearest and linear
  // samplers of one-byte pixels, whose few bytes per pixel the processor's own prefetching
  // brings in time).
  constexpr bool kPrefetch = kStride > 1 || kRows > 2;
  const ptrdiff_t ahead = 4 * N;
  for (; k + N <= n; k += N) {
    if (kPrefetch && k + ahead < n) {
      const int32_t px = std::clamp(fbTruncToInt32(xs[k + ahead]), 0, src.xMax);
      const int32_t py =
          std::clamp(fbTruncToInt32(ys[k + ahead]), 0, std::max(0, src.yMax - kRows + 1));
      const uint8_t* p =
          src.base + static_cast<ptrdiff_t>(py) * src.step + static_cast<ptrdiff_t>(px) * kStride;
      for (int r = 0; r < kRows; ++r) __builtin_prefetch(p + r * src.step);
    }
    body(xs + k, ys + k, dst + k * kStride);
  }
  if (k == n) return;
  HWY_ALIGN double tx[kMaxLanes] = {}, ty[kMaxLanes] = {};
  HWY_ALIGN uint8_t out[4 * kMaxLanes];
  const ptrdiff_t rest = n - k;
  std::memcpy(tx, xs + k, rest * sizeof(double));
  std::memcpy(ty, ys + k, rest * sizeof(double));
  body(tx, ty, out);
  if constexpr (kChannels == kStride) {
    std::memcpy(dst + k * kStride, out, rest * kStride);
  } else {
    for (ptrdiff_t i = 0; i < rest; ++i)
      std::memcpy(dst + (k + i) * kStride, out + i * kStride, kChannels);
  }
}

// ---- The samplers --------------------------------------------------------------------------

template <int kChannels, int kStride>
void Nearest(const double* xs, const double* ys, ptrdiff_t n, const LinearSource8& src,
             uint8_t* dst) {
  const DF df;
  const DI di;
  const VF xMax = hn::Set(df, src.xMax), yMax = hn::Set(df, src.yMax);
  const VI step = hn::Set(di, static_cast<int32_t>(src.step));
  // The last start a whole word fits at, in bytes from the row's start.
  const VI lastStart = hn::Set(di, kStride == 1   ? src.xMax - 3
                                   : kStride == 3 ? 3 * src.xMax - 1
                                                  : 4 * src.xMax);
  Run<kChannels, kStride, 1>(
      xs, ys, n, src, dst, [&](const double* x, const double* y, uint8_t* out) PF_INLINE_BODY {
        const VI ix = NearestIndex(hn::LoadU(df, x), xMax);
        const VI iy = NearestIndex(hn::LoadU(df, y), yMax);
        const VI at = kStride == 1 ? ix : hn::Mul(ix, hn::Set(di, kStride));
        const VI start = hn::Min(at, lastStart);
        const VU shift = hn::BitCast(DU(), hn::ShiftLeft<3>(hn::Sub(at, start)));
        VU w;
        Gather32<1>(src.base, 0, hn::Add(hn::Mul(iy, step), start), &w);
        w = hn::Shr(w, shift);
        StorePixels<kChannels, kStride>(w, out);
      });
}

// Byte kFirst of each word as a double, and byte kSecond less byte kFirst: the differences that
// Blend takes come as the integer differences converted (the same doubles as the differences of
// the converted bytes: both are exact), which spares two floating-point subtractions.
template <int kFirst, int kSecond>
HWY_INLINE void BytePair(VU w, VF* first, VF* difference) {
  const DF df;
  const VU mask = hn::Set(DU(), 0xffu);
  const VU a = hn::And(hn::ShiftRight<8 * kFirst>(w), mask);
  const VU b = hn::And(hn::ShiftRight<8 * kSecond>(w), mask);
  *first = hn::PromoteTo(df, hn::BitCast(DI(), a));
  *difference = hn::PromoteTo(df, hn::Sub(hn::BitCast(DI(), b), hn::BitCast(DI(), a)));
}
template <int kFirst, int kSecond>
HWY_INLINE void BytePair64(VU64 w, VF* first, VF* difference) {
  const DF df;
  const VU64 mask = hn::Set(DU64(), 0xffu);
  const DI64 d64;
  const auto a = hn::BitCast(d64, hn::And(hn::ShiftRight<8 * kFirst>(w), mask));
  const auto b = hn::BitCast(d64, hn::And(hn::ShiftRight<8 * kSecond>(w), mask));
#if HWY_TARGET <= HWY_AVX3
  *first = hn::ConvertTo(df, a);
  *difference = hn::ConvertTo(df, hn::Sub(b, a));
#else
  *first = hn::PromoteTo(df, hn::BitCast(DI(), hn::TruncateTo(DU(), hn::BitCast(DU64(), a))));
  *difference = hn::PromoteTo(
      df, hn::BitCast(DI(), hn::TruncateTo(DU(), hn::BitCast(DU64(), hn::Sub(b, a)))));
#endif
}

template <bool kHalfLast>
void LinearC1(const double* xs, const double* ys, ptrdiff_t n, const LinearSource8& src,
              uint8_t* dst) {
  const DF df;
  const DI di;
  const VI step = hn::Set(di, static_cast<int32_t>(src.step));
  const VI lastStart = hn::Set(di, src.xMax - 3);
  Run<1, 1, 2>(xs, ys, n, src, dst,
               [&](const double* x, const double* y, uint8_t* out) PF_INLINE_BODY {
                 VI ix, iy;
                 VF fx, fy;
                 LinearAxis(hn::LoadU(df, x), src.xMax, &ix, &fx);
                 LinearAxis(hn::LoadU(df, y), src.yMax, &iy, &fy);
                 const VI start = hn::Min(ix, lastStart);
                 const VU shift = hn::BitCast(DU(), hn::ShiftLeft<3>(hn::Sub(ix, start)));
                 const VI at = hn::Add(hn::Mul(iy, step), start);
                 VU upper, lower;
                 Gather32<1>(src.base, 0, at, &upper);
                 Gather32<1>(src.base, 0, hn::Add(at, step), &lower);
                 upper = hn::Shr(upper, shift);
                 lower = hn::Shr(lower, shift);
                 VF p00, d0, p10, d1;
                 BytePair<0, 1>(upper, &p00, &d0);
                 BytePair<0, 1>(lower, &p10, &d1);
                 const VI v = Blend<kHalfLast>(p00, d0, p10, d1, fx, fy);
                 StoreLowBytes(hn::BitCast(DU(), v), out);
               });
}

// Channel c of the 2 x 2 windows whose rows are the words upper and lower (left pixel in the
// low bytes, the right one kStride bytes further), as the low byte of each 32-bit lane.
template <int c, int kStride, bool kHalfLast>
HWY_INLINE VU ChannelBlend(VU64 upper, VU64 lower, VF fx, VF fy) {
  VF p00, d0, p10, d1;
  BytePair64<c, c + kStride>(upper, &p00, &d0);
  BytePair64<c, c + kStride>(lower, &p10, &d1);
  const VI v = Blend<kHalfLast>(p00, d0, p10, d1, fx, fy);
  return hn::And(hn::BitCast(DU(), v), hn::Set(DU(), 0xffu));
}

#if HWY_TARGET <= HWY_AVX3
// The eight pixels' words from four pairs, each in the low 8 bytes of its vector.
HWY_INLINE VU Words(const __m128i* pairs) {
  return VU{_mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi64(pairs[0], pairs[1])),
                                    _mm_unpacklo_epi64(pairs[2], pairs[3]), 1)};
}
#endif

template <int kChannels, int kStride, bool kHalfLast>
void LinearPixels(const double* xs, const double* ys, ptrdiff_t n, const LinearSource8& src,
                  uint8_t* dst) {
  const DF df;
  const DI di;
  const VI step = hn::Set(di, static_cast<int32_t>(src.step));
  // A three-byte window's word starts at most at byte 3 xMax - 5 (its last byte the row's).
  const VI lastStart = hn::Set(di, 3 * src.xMax - 5);
  Run<kChannels, kStride, 2>(
      xs, ys, n, src, dst, [&](const double* x, const double* y, uint8_t* out) PF_INLINE_BODY {
        VI ix, iy;
        VF fx, fy;
        LinearAxis(hn::LoadU(df, x), src.xMax, &ix, &fx);
        LinearAxis(hn::LoadU(df, y), src.yMax, &iy, &fy);
        const VI pixel = hn::Mul(ix, hn::Set(di, kStride));
        const VI start = kStride == 3 ? hn::Min(pixel, lastStart) : pixel;
        const VI at = hn::Add(hn::Mul(iy, step), start);
        VU64 upper, lower;
        Gather64<1>(src.base, 0, at, &upper);
        Gather64<1>(src.base, 0, hn::Add(at, step), &lower);
        if constexpr (kStride == 3) {
          const VU64 shift =
              hn::PromoteTo(DU64(), hn::BitCast(DU(), hn::ShiftLeft<3>(hn::Sub(pixel, start))));
          upper = hn::Shr(upper, shift);
          lower = hn::Shr(lower, shift);
        }
        VU w = hn::Or(ChannelBlend<0, kStride, kHalfLast>(upper, lower, fx, fy),
                      hn::ShiftLeft<8>(ChannelBlend<1, kStride, kHalfLast>(upper, lower, fx, fy)));
        w = hn::Or(w, hn::ShiftLeft<16>(ChannelBlend<2, kStride, kHalfLast>(upper, lower, fx, fy)));
        if constexpr (kChannels == 4)
          w = hn::Or(w,
                     hn::ShiftLeft<24>(ChannelBlend<3, kStride, kHalfLast>(upper, lower, fx, fy)));
        StorePixels<kChannels, kStride>(w, out);
      });
}

void CubicC1(const double* xs, const double* ys, ptrdiff_t n, const LinearSource8& src,
             uint8_t* dst) {
  const DF df;
  const DI di;
  const VI step = hn::Set(di, static_cast<int32_t>(src.step));
  Run<1, 1, 4>(xs, ys, n, src, dst,
               [&](const double* x, const double* y, uint8_t* out) PF_INLINE_BODY {
                 const VF sx = hn::LoadU(df, x), sy = hn::LoadU(df, y);
                 const VF x0 = CubicStart(sx, src.xMax), y0 = CubicStart(sy, src.yMax);
                 const WeightsV<VF> wx = CubicWeightsOf(CubicFraction(sx, x0));
                 const WeightsV<VF> wy = CubicWeightsOf(CubicFraction(sy, y0));
                 const VI at = hn::Add(hn::Mul(TruncInside(y0), step), TruncInside(x0));
                 VU rows[4];
                 Gather32<4>(src.base, src.step, at, rows);
                 VF h[4];
                 for (int r = 0; r < 4; ++r)
                   h[r] = Weigh(wx, ByteOf<0>(rows[r]), ByteOf<1>(rows[r]), ByteOf<2>(rows[r]),
                                ByteOf<3>(rows[r]));
                 const VI v = CubicStore(Weigh(wy, h[0], h[1], h[2], h[3]));
                 StoreLowBytes(hn::BitCast(DU(), v), out);
               });
}

#if HWY_TARGET <= HWY_AVX3
// Three and four channels, two pixels per vector of eight doubles: pixel a in lanes 0-3 and b
// in lanes 4-7, channel c in lane c (the lanes of unwritten channels carry zeros). Each window
// row of a pixel is one 16-byte load; a byte shuffle turns column k of both pixels' rows into
// 32-bit lanes. A three-byte pixel's row starts at most 16 bytes before the row's end, the
// shuffle skipping the bytes before its window.
template <int kChannels, int kStride>
HWY_INLINE void CubicPairs(const double* xs, const double* ys, ptrdiff_t n,
                           const LinearSource8& src, uint8_t* dst) {
  const DF df;
  const DI di;
  const VI step = hn::Set(di, static_cast<int32_t>(src.step));
  const VI lastStart = hn::Set(di, kStride == 3 ? 3 * src.xMax + 3 - 16 : INT32_MAX);
  // Column k of a window row: byte kStride k + c of the row in lane c.
  __m256i column[4];
  for (int k = 0; k < 4; ++k) {
    HWY_ALIGN int8_t bytes[32];
    for (int i = 0; i < 32; ++i) {
      const int lane = (i % 16) / 4, c = lane;
      bytes[i] = (i % 4 == 0 && c < kChannels) ? static_cast<int8_t>(kStride * k + c)
                                               : static_cast<int8_t>(-128);
    }
    column[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(bytes));
  }
  const uint8_t* base = src.base;
  const ptrdiff_t down = src.step;
  Run<kChannels, kStride, 4>(
      xs, ys, n, src, dst, [&](const double* x, const double* y, uint8_t* out) PF_INLINE_BODY {
        const VF sx = hn::LoadU(df, x), sy = hn::LoadU(df, y);
        const VF x0 = CubicStart(sx, src.xMax), y0 = CubicStart(sy, src.yMax);
        const WeightsV<VF> wx = CubicWeightsOf(CubicFraction(sx, x0));
        const WeightsV<VF> wy = CubicWeightsOf(CubicFraction(sy, y0));
        const VI pixel = hn::Mul(TruncInside(x0), hn::Set(di, kStride));
        const VI start = hn::Min(pixel, lastStart);
        HWY_ALIGN int32_t at[8], skip[8];
        hn::Store(hn::Add(hn::Mul(TruncInside(y0), step), start), di, at);
        hn::Store(hn::Sub(pixel, start), di, skip);
        __m128i pairs[4];  // the bytes of two pixels in the low half of each
        for (int p = 0; p < 4; ++p) {
          const int a = 2 * p, b = 2 * p + 1;
          const __m512i pick = _mm512_set_epi64(b, b, b, b, a, a, a, a);
          const auto spread = [&](VF v) { return VF{_mm512_permutexvar_pd(pick, v.raw)}; };
          const WeightsV<VF> px{{spread(wx.w[0]), spread(wx.w[1]), spread(wx.w[2]),
                                 spread(wx.w[3])}};
          const WeightsV<VF> py{{spread(wy.w[0]), spread(wy.w[1]), spread(wy.w[2]),
                                 spread(wy.w[3])}};
          __m256i cols[4];
          for (int k = 0; k < 4; ++k) cols[k] = column[k];
          if constexpr (kStride == 3) {
            const __m256i by = _mm256_inserti128_si256(
                _mm256_castsi128_si256(_mm_set1_epi8(static_cast<char>(skip[a]))),
                _mm_set1_epi8(static_cast<char>(skip[b])), 1);
            for (int k = 0; k < 4; ++k) cols[k] = _mm256_add_epi8(cols[k], by);
          }
          VF h[4];
          for (int r = 0; r < 4; ++r) {
            const __m128i rowA =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at[a] + r * down));
            const __m128i rowB =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at[b] + r * down));
            const __m256i both = _mm256_inserti128_si256(_mm256_castsi128_si256(rowA), rowB, 1);
            VF s[4];
            for (int k = 0; k < 4; ++k)
              s[k] = VF{_mm512_cvtepi32_pd(_mm256_shuffle_epi8(both, cols[k]))};
            h[r] = Weigh(px, s[0], s[1], s[2], s[3]);
          }
          const VI v = CubicStore(Weigh(py, h[0], h[1], h[2], h[3]));
          pairs[p] = _mm256_cvtepi32_epi8(v.raw);
        }
        StorePixels<kChannels, kStride>(Words(pairs), out);
      });
}
#endif

// Three and four channels: two pixels per vector on AVX-512 (a source of three-byte pixels at
// least six wide), else one pixel per vector of four doubles.
template <int kChannels, int kStride>
void CubicPixels(const double* xs, const double* ys, ptrdiff_t n, const LinearSource8& src,
                 uint8_t* dst) {
#if HWY_TARGET <= HWY_AVX3
  if (kStride == 4 || src.xMax >= 5) return CubicPairs<kChannels, kStride>(xs, ys, n, src, dst);
#endif
  for (ptrdiff_t k = 0; k < n; ++k, dst += kStride)
    CubicAt<kChannels, kStride>(xs[k], ys[k], src, dst);
}

// Whether this target has vectors of doubles, and of four doubles for the cubic sampler of three
// and four channels.
bool PointsOffered() { return true; }
bool CubicPixelsOffered() { return hn::Lanes(hn::CappedTag<double, 4>()) == 4; }

#else  // HWY_SCALAR: one lane, the plain samplers serve.

template <int kChannels, int kStride>
void Nearest(const double*, const double*, ptrdiff_t, const LinearSource8&, uint8_t*) {}
template <bool kHalfLast>
void LinearC1(const double*, const double*, ptrdiff_t, const LinearSource8&, uint8_t*) {}
template <int kChannels, int kStride, bool kHalfLast>
void LinearPixels(const double*, const double*, ptrdiff_t, const LinearSource8&, uint8_t*) {}
void CubicC1(const double*, const double*, ptrdiff_t, const LinearSource8&, uint8_t*) {}
template <int kChannels, int kStride>
void CubicPixels(const double*, const double*, ptrdiff_t, const LinearSource8&, uint8_t*) {}
bool PointsOffered() { return false; }
bool CubicPixelsOffered() { return false; }

#endif

// The perspective positions: the plain code's reciprocal and two products per lane (a
// division is correctly rounded on every target).
void Reciprocals(const double* d, double* x, double* y, ptrdiff_t n) {
  const hn::ScalableTag<double> df;
  const ptrdiff_t N = static_cast<ptrdiff_t>(hn::Lanes(df));
  const auto one = hn::Set(df, 1.0);
  ptrdiff_t k = 0;
  for (; k + N <= n; k += N) {
    const auto r = hn::Div(one, hn::LoadU(df, d + k));
    hn::StoreU(hn::Mul(hn::LoadU(df, x + k), r), df, x + k);
    hn::StoreU(hn::Mul(hn::LoadU(df, y + k), r), df, y + k);
  }
  for (; k < n; ++k) {
    const double r = 1.0 / d[k];
    x[k] = x[k] * r;
    y[k] = y[k] * r;
  }
}

// clang-format off
#define PF_WARP_POINTS(X)                          \
  X(NearestC1, (Nearest<1, 1>))                    \
  X(NearestC3, (Nearest<3, 3>))                    \
  X(NearestAC4, (Nearest<3, 4>))                   \
  X(NearestC4, (Nearest<4, 4>))                    \
  X(LinearC1Plain, (LinearC1<false>))              \
  X(LinearC1HalfLast, (LinearC1<true>))            \
  X(LinearC3Plain, (LinearPixels<3, 3, false>))    \
  X(LinearC3HalfLast, (LinearPixels<3, 3, true>))  \
  X(LinearAC4Plain, (LinearPixels<3, 4, false>))   \
  X(LinearAC4HalfLast, (LinearPixels<3, 4, true>)) \
  X(LinearC4Plain, (LinearPixels<4, 4, false>))    \
  X(LinearC4HalfLast, (LinearPixels<4, 4, true>))  \
  X(CubicOfC1, CubicC1)                            \
  X(CubicC3, (CubicPixels<3, 3>))                  \
  X(CubicAC4, (CubicPixels<3, 4>))                 \
  X(CubicC4, (CubicPixels<4, 4>))
// clang-format on
#define PF_WARP_POINTS_DEFINE(name, fn)                                                        \
  void Points##name(const double* xs, const double* ys, ptrdiff_t n, const LinearSource8& src, \
                    uint8_t* dst) {                                                            \
    fn(xs, ys, n, src, dst);                                                                   \
  }
PF_WARP_POINTS(PF_WARP_POINTS_DEFINE)
#undef PF_WARP_POINTS_DEFINE

}  // namespace HWY_NAMESPACE
}  // namespace builtin::warp
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::warp {

#define PF_WARP_POINTS_EXPORT(name, fn) HWY_EXPORT(Points##name);
PF_WARP_POINTS(PF_WARP_POINTS_EXPORT)
#undef PF_WARP_POINTS_EXPORT
HWY_EXPORT(PointsOffered);
HWY_EXPORT(Reciprocals);

void ReciprocalProducts(const double* d, double* x, double* y, ptrdiff_t n) {
  HWY_DYNAMIC_DISPATCH(Reciprocals)(d, x, y, n);
}
HWY_EXPORT(CubicPixelsOffered);

SamplePoints8Fn VectorPoints8(int32_t layout, PointRule rule, const LinearSource8& src) {
  if (IsPlanar(layout) || layout < kC1 || layout >= kLayoutCount) return nullptr;
  // Gathers take 32-bit byte offsets; the windows need 4 columns (a word of one-byte pixels),
  // 2 rows for linear and 4 for cubic sampling.
  const int64_t pixelBytes = layout == kC1 ? 1 : layout == kC3 ? 3 : 4;
  if (src.step < 1 || src.xMax < 3 || src.yMax < 0) return nullptr;
  if (int64_t{src.yMax} * src.step + (int64_t{src.xMax} + 1) * pixelBytes + 8 > INT32_MAX)
    return nullptr;
  if ((rule == PointRule::kLinear || rule == PointRule::kLinearHalfLast) && src.yMax < 1)
    return nullptr;
  if (rule == PointRule::kCubic && src.yMax < 3) return nullptr;
  ChooseHwyTarget();
  if (!HWY_DYNAMIC_DISPATCH(PointsOffered)()) return nullptr;
  const bool halfLast = rule == PointRule::kLinearHalfLast;
  switch (rule) {
    case PointRule::kNearest:
      return layout == kC1    ? PF_HWY_DISPATCHED(PointsNearestC1)
             : layout == kC3  ? PF_HWY_DISPATCHED(PointsNearestC3)
             : layout == kAC4 ? PF_HWY_DISPATCHED(PointsNearestAC4)
                              : PF_HWY_DISPATCHED(PointsNearestC4);
    case PointRule::kLinear:
    case PointRule::kLinearHalfLast:
      switch (layout) {
        case kC1:
          return halfLast ? PF_HWY_DISPATCHED(PointsLinearC1HalfLast)
                          : PF_HWY_DISPATCHED(PointsLinearC1Plain);
        case kC3:
          return halfLast ? PF_HWY_DISPATCHED(PointsLinearC3HalfLast)
                          : PF_HWY_DISPATCHED(PointsLinearC3Plain);
        case kAC4:
          return halfLast ? PF_HWY_DISPATCHED(PointsLinearAC4HalfLast)
                          : PF_HWY_DISPATCHED(PointsLinearAC4Plain);
        default:
          return halfLast ? PF_HWY_DISPATCHED(PointsLinearC4HalfLast)
                          : PF_HWY_DISPATCHED(PointsLinearC4Plain);
      }
    case PointRule::kCubic:
      if (layout == kC1) return PF_HWY_DISPATCHED(PointsCubicOfC1);
      if (!HWY_DYNAMIC_DISPATCH(CubicPixelsOffered)()) return nullptr;
      return layout == kC3    ? PF_HWY_DISPATCHED(PointsCubicC3)
             : layout == kAC4 ? PF_HWY_DISPATCHED(PointsCubicAC4)
                              : PF_HWY_DISPATCHED(PointsCubicC4);
  }
  return nullptr;
}

}  // namespace builtin::warp
#endif  // HWY_ONCE
