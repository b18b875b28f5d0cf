// Vector blocks of the resize passes for 8-bit samples, compiled for every instruction set that
// Highway targets and chosen at run time. They compute the plain passes of ResizeKernels.h lane
// by lane with the same operations in the same order (no fused multiply-add), so they give the
// same bytes.
//
// The row passes gather source samples with byte shuffles inside 16-byte windows of the source
// row, one window per 16-byte block of a vector: either several destination columns of a
// one-channel row per block (their source samples must fit one window; the kernel stops at the
// first group whose samples spread further, and the plain code finishes the row), or one
// column of three or four channels per block. The shuffle indexes come from the column
// offsets, which the driver makes non-decreasing. A window never reaches past the row's limit
// (the image's right edge) or before the first sample the plain code reads.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/resampling/ResizeHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/support/HwyDispatch.h"
#include "primitives/resampling/ResizeKernels.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::resize {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// (U (16384 - a) + L a + 0x80000) >> 20 over whole vectors of 32-bit lanes.
size_t LinearColumn8u(const int16_t* upper, const int16_t* lower, uint32_t a, uint8_t* d,
                      size_t n) {
  const hn::ScalableTag<uint32_t> du;
  const hn::Rebind<int16_t, decltype(du)> d16;
  const hn::Rebind<uint8_t, decltype(du)> d8;
  const hn::RebindToSigned<decltype(du)> di;
  const size_t lanes = hn::Lanes(du);
  const auto wu = hn::Set(du, 16384 - a), wl = hn::Set(du, a), round = hn::Set(du, 0x80000u);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const auto u = hn::BitCast(du, hn::PromoteTo(di, hn::LoadU(d16, upper + i)));
    const auto l = hn::BitCast(du, hn::PromoteTo(di, hn::LoadU(d16, lower + i)));
    const auto sum = hn::Add(hn::Add(hn::Mul(u, wu), hn::Mul(l, wl)), round);
    hn::StoreU(hn::DemoteTo(d8, hn::BitCast(di, hn::ShiftRight<20>(sum))), d8, d + i);
  }
  return i;
}

#if HWY_TARGET != HWY_SCALAR

// The low bits of MaxLanes(D) offsets from o, in the unsigned lanes of D (8 or 32 bits).
template <class D>
HWY_INLINE hn::Vec<D> Truncated(D d, const ptrdiff_t* o) {
  constexpr size_t kN = hn::MaxLanes(D());
  if constexpr (kN <= hn::MaxLanes(hn::ScalableTag<uint64_t>())) {
    const hn::Rebind<uint64_t, D> d64;
    return hn::TruncateTo(d, hn::LoadU(d64, reinterpret_cast<const uint64_t*>(o)));
  } else {
    const hn::Half<D> dh;
    return hn::Combine(d, Truncated(dh, o + kN / 2), Truncated(dh, o));
  }
}

// Block b of the result: the 16 bytes at r + o[b x stride] + shift.
template <class D8>
HWY_INLINE hn::Vec<D8> Windows(D8 d8, const uint8_t* r, const ptrdiff_t* o, ptrdiff_t stride,
                               ptrdiff_t shift) {
  constexpr size_t kBlocks = hn::MaxLanes(D8()) / 16;
  if constexpr (kBlocks == 1) {
    return hn::LoadU(d8, r + o[0] + shift);
  } else {
    const hn::Half<D8> dh;
    return hn::Combine(d8, Windows(dh, r, o + static_cast<ptrdiff_t>(kBlocks / 2) * stride, stride, shift),
                       Windows(dh, r, o, stride, shift));
  }
}

// Whether the groups of `group` offsets from o (blocks of them) each span at most `span`, and
// the last group's window (16 bytes from its first offset + shift) ends by limit.
HWY_INLINE bool GroupsFit(const ptrdiff_t* o, size_t blocks, ptrdiff_t group, ptrdiff_t span,
                          ptrdiff_t shift, ptrdiff_t limit) {
  for (size_t b = 0; b < blocks; ++b) {
    const ptrdiff_t* g = o + static_cast<ptrdiff_t>(b) * group;
    if (g[group - 1] - g[0] > span) return false;
  }
  return o[static_cast<ptrdiff_t>(blocks - 1) * group] + shift + 16 <= limit;
}

// Per 32-bit lane: the lane's offset minus the first offset of its 16-byte block (the offsets of
// a one-channel row, four to a block, below 2^31), as the byte index in the lane's lowest byte.
template <class DU>
HWY_INLINE hn::Vec<DU> RelativeIndexes(DU du, const ptrdiff_t* o) {
  const auto t = Truncated(du, o);
  return hn::Sub(t, hn::Broadcast<0>(t));
}

// Whether every lane of RelativeIndexes is at most span (an offset below its block's first
// wraps to a large value and fails), and the last block's window (16 bytes from its first
// offset + shift) ends by limit.
template <class DU>
HWY_INLINE bool IndexesFit(DU du, hn::Vec<DU> rel, uint32_t span, const ptrdiff_t* o,
                           ptrdiff_t shift, ptrdiff_t limit) {
  return o[hn::Lanes(du) - 4] + shift + 16 <= limit && hn::AllTrue(du, rel < hn::Set(du, span + 1));
}

// 32-bit lanes holding column k / 4 of each 16-byte block: lane i takes lane i / 4 of the
// first four values at p (p holds at least four).
template <class D>
HWY_INLINE hn::Vec<D> SpreadColumns(D d, const hn::TFromD<D>* p) {
  alignas(64) static constexpr int32_t kColumn[16] = {0, 0, 0, 0, 1, 1, 1, 1,
                                                      2, 2, 2, 2, 3, 3, 3, 3};
  return hn::TableLookupLanes(hn::LoadDup128(d, p), hn::SetTableIndices(d, kColumn));
}

// Pixel-lane shuffle indexes: lane c of each 16-byte block takes byte `step x tap + c` of the
// block's window, zero-extended (lanes past the channels repeat the last channel).
template <class DU>
HWY_INLINE hn::Vec<DU> PixelTap(DU du, int32_t step, int32_t tap, int32_t channels) {
  alignas(16) uint32_t lanes[4];
  for (int32_t c = 0; c < 4; ++c)
    lanes[c] = 0x80808000u | static_cast<uint32_t>(step * tap + std::min(c, channels - 1));
  return hn::LoadDup128(du, lanes);
}

// Pixel lanes of three channels: the first three 32-bit lanes of each 16-byte block, packed
// together (the lanes past them are left over).
template <class D>
HWY_INLINE hn::Vec<D> PackThree(D d, hn::Vec<D> v) {
  const hn::RebindToUnsigned<D> du;
  const auto three = hn::Set(du, 3);
  return hn::Compress(v, hn::RebindMask(d, hn::Ne(hn::And(hn::Iota(du, 0), three), three)));
}

// Stores the pixel lanes of v as C values per column from p: with C = 3 packed, the left-over
// lanes landing where later columns or the work row's slack are written.
template <class D>
HWY_INLINE void StorePixels(D d, hn::Vec<D> v, size_t C, hn::TFromD<D>* p) {
  hn::StoreU(C == 3 ? PackThree(d, v) : v, d, p);
}

#endif  // HWY_TARGET != HWY_SCALAR

// Nearest, one channel: d[j] = r[offsets[j]], sixteen columns to a 16-byte block where their
// samples fit its window (enlargements and slight reductions), else four (a 32-bit lane each,
// for reductions up to about five source columns a column).
size_t NearestRow8u(const uint8_t* r, const ptrdiff_t* offsets, uint8_t* d, size_t width,
                    ptrdiff_t limit) {
#if HWY_TARGET == HWY_SCALAR
  (void)r, (void)offsets, (void)d, (void)width, (void)limit;
  return 0;
#else
  const hn::ScalableTag<uint8_t> d8;
  const hn::Repartition<uint32_t, decltype(d8)> du;
  const hn::Rebind<uint8_t, decltype(du)> dq;
  const size_t N = hn::Lanes(d8), Q = hn::Lanes(du);
  size_t k = 0;
  while (k + Q <= width) {
    const ptrdiff_t* o = offsets + k;
    if (k + N <= width && GroupsFit(o, N / 16, 16, 15, 0, limit)) {
      const auto t = Truncated(d8, o);
      const auto index = hn::Sub(t, hn::TableLookupBytes(t, hn::Zero(d8)));
      hn::StoreU(hn::TableLookupBytes(Windows(d8, r, o, 16, 0), index), d8, d + k);
      k += N;
      continue;
    }
    const auto rel = RelativeIndexes(du, o);
    if (!IndexesFit(du, rel, 15, o, 0, limit)) break;
    const auto index = hn::Or(rel, hn::Set(du, 0x80808000u));
    const auto v = hn::TableLookupBytesOr0(Windows(d8, r, o, 4, 0), hn::BitCast(d8, index));
    hn::StoreU(hn::TruncateTo(dq, hn::BitCast(du, v)), dq, d + k);
    k += Q;
  }
  return k;
#endif
}

// The 8-bit linear row pass, (a w0 + b w1 + 128) >> 8, a and b the samples at o and o + n:
// one channel (n = 1) four columns to a 16-byte block, three or four channels one column to a
// block.
size_t LinearRow8u(const uint8_t* r, const ptrdiff_t* offsets, const WeightPair* weights,
                   int16_t* work, size_t width, ptrdiff_t n, size_t C, ptrdiff_t limit) {
#if HWY_TARGET == HWY_SCALAR
  (void)r, (void)offsets, (void)weights, (void)work, (void)width, (void)n, (void)C, (void)limit;
  return 0;
#else
  const hn::ScalableTag<int32_t> di;
  const hn::RebindToUnsigned<decltype(di)> du;
  const hn::Repartition<uint8_t, decltype(di)> d8;
  const hn::Repartition<int16_t, decltype(di)> d16;
  const hn::Rebind<int16_t, decltype(di)> dw;
  const size_t N = hn::Lanes(di), blocks = N / 4;
  const auto round = hn::Set(di, 128);
  const auto* w = reinterpret_cast<const int16_t*>(weights);
  size_t k = 0;
  if (C == 1) {
    // Lane bytes: a, 0, b, 0 (a at the index, b one past), times the pair w0, w1.
    const auto pair = hn::Set(du, 0x80018000u);
    for (; k + N <= width; k += N) {
      const ptrdiff_t* o = offsets + k;
      const auto rel = RelativeIndexes(du, o);
      if (!IndexesFit(du, rel, 14, o, 0, limit)) break;
      const auto index = hn::Add(hn::Or(rel, hn::ShiftLeft<16>(rel)), pair);
      const auto ab = hn::TableLookupBytesOr0(Windows(d8, r, o, 4, 0), hn::BitCast(d8, index));
      auto unused = hn::Zero(di);
      const auto sum = hn::ReorderWidenMulAccumulate(di, hn::BitCast(d16, ab), hn::LoadU(d16, w + 2 * k),
                                                     hn::Zero(di), unused);
      hn::StoreU(hn::DemoteTo(dw, hn::ShiftRight<8>(hn::Add(sum, round))), dw, work + k);
    }
    return k;
  }
  // One column per block: lane c takes bytes c and n + c of the window at the left pixel,
  // times the column's pair spread over the block.
  alignas(16) uint32_t lanes[4];
  for (uint32_t c = 0; c < 4; ++c) {
    const uint32_t e = std::min<uint32_t>(c, static_cast<uint32_t>(C) - 1);
    lanes[c] = 0x80008000u | e | (static_cast<uint32_t>(n) + e) << 16;
  }
  const auto index = hn::BitCast(d8, hn::LoadDup128(du, lanes));
  const auto* pairs = reinterpret_cast<const uint32_t*>(weights);
  for (; k + std::max<size_t>(blocks, 4) <= width; k += blocks) {
    const ptrdiff_t* o = offsets + k;
    if (o[blocks - 1] + 16 > limit) break;
    const auto ab = hn::TableLookupBytesOr0(Windows(d8, r, o, 1, 0), index);
    const auto wk = hn::BitCast(d16, SpreadColumns(du, pairs + k));
    auto unused = hn::Zero(di);
    const auto sum = hn::ReorderWidenMulAccumulate(di, hn::BitCast(d16, ab), wk, hn::Zero(di), unused);
    const auto q = hn::ShiftRight<8>(hn::Add(sum, round));
    hn::StoreU(hn::DemoteTo(dw, C == 3 ? PackThree(di, q) : q), dw, work + C * k);
  }
  return k;
#endif
}

#if HWY_TARGET != HWY_SCALAR
// The cubic of the row pass through A, B, C, D with the coefficients of fraction t, as
// CubicCoefficients does it.
template <class DF>
HWY_INLINE hn::Vec<DF> Cubic(DF df, hn::Vec<DF> t, hn::Vec<DF> A, hn::Vec<DF> B, hn::Vec<DF> C,
                             hn::Vec<DF> D) {
  const auto one = hn::Set(df, 1.0f);
  const auto c1 = hn::Add(t, one);
  const auto c2 = hn::Mul(hn::Mul(t, hn::Add(t, one)), hn::Set(df, 0.5f));
  const auto c3 = hn::Div(hn::Mul(hn::Sub(t, one), c2), hn::Set(df, 3.0f));
  const auto q1 = hn::Sub(B, A);
  const auto q2 = hn::Sub(hn::Sub(C, B), q1);
  const auto q3 = hn::Sub(hn::Add(hn::Sub(B, hn::Mul(hn::Set(df, 2.0f), C)), D), q2);
  return hn::Add(hn::Add(hn::Add(A, hn::Mul(c1, q1)), hn::Mul(c2, q2)), hn::Mul(c3, q3));
}
#endif

// The 8-bit cubic row pass: the cubic through the samples at o - n, o, o + n, o + 2n with the
// column's fraction. One channel: four columns to a 16-byte block; three or four channels: one
// column to a block.
size_t CubicRow8u(const uint8_t* r, const ptrdiff_t* offsets, const float* fractions,
                  float* work, size_t width, ptrdiff_t n, size_t C, ptrdiff_t limit) {
#if HWY_TARGET == HWY_SCALAR
  (void)r, (void)offsets, (void)fractions, (void)work, (void)width, (void)n, (void)C, (void)limit;
  return 0;
#else
  const hn::ScalableTag<float> df;
  const hn::RebindToSigned<decltype(df)> di;
  const hn::RebindToUnsigned<decltype(df)> du;
  const hn::Repartition<uint8_t, decltype(df)> d8;
  const size_t N = hn::Lanes(df), blocks = N / 4;
  auto sample = [&](hn::Vec<decltype(d8)> window, hn::Vec<decltype(du)> index) {
    return hn::ConvertTo(df, hn::BitCast(di, hn::TableLookupBytesOr0(window, hn::BitCast(d8, index))));
  };
  size_t k = 0;
  if (C == 1) {
    const auto zeros = hn::Set(du, 0x80808000u);
    for (; k + N <= width; k += N) {
      const ptrdiff_t* o = offsets + k;
      const auto rel = RelativeIndexes(du, o);
      if (!IndexesFit(du, rel, 12, o, -1, limit)) break;
      const auto a = hn::Or(rel, zeros);
      const auto window = Windows(d8, r, o, 4, -1);
      const auto one = hn::Set(du, 1u);
      const auto b = hn::Add(a, one), c = hn::Add(b, one), dd = hn::Add(c, one);
      hn::StoreU(Cubic(df, hn::LoadU(df, fractions + k), sample(window, a), sample(window, b),
                       sample(window, c), sample(window, dd)),
                 df, work + k);
    }
    return k;
  }
  const int32_t channels = static_cast<int32_t>(C), step = static_cast<int32_t>(n);
  const auto a = PixelTap(du, step, 0, channels), b = PixelTap(du, step, 1, channels),
             c = PixelTap(du, step, 2, channels), dd = PixelTap(du, step, 3, channels);
  for (; k + std::max<size_t>(blocks, 4) <= width; k += blocks) {
    const ptrdiff_t* o = offsets + k;
    if (o[blocks - 1] - n + 16 > limit) break;
    const auto window = Windows(d8, r, o, 1, -n);
    const auto v = Cubic(df, SpreadColumns(df, fractions + k), sample(window, a), sample(window, b),
                         sample(window, c), sample(window, dd));
    StorePixels(df, v, C, work + C * k);
  }
  return k;
#endif
}

// The 8-bit Lanczos row pass of the columns whose six taps o - 2n .. o + 3n lie inside the
// row: v = 0, then v += w[m] x sample m for m = 0 .. 5 in double, stored as float. One channel:
// the offsets four to a 16-byte block of 32-bit lanes, whose halves become double vectors;
// three or four channels: one column a vector of four doubles (targets with them only).
size_t LanczosRow8u(const uint8_t* r, const ptrdiff_t* offsets, const float* weights,
                    float* work, size_t width, ptrdiff_t n, size_t C, ptrdiff_t limit) {
#if HWY_TARGET == HWY_SCALAR
  (void)r, (void)offsets, (void)weights, (void)work, (void)width, (void)n, (void)C, (void)limit;
  return 0;
#else
  size_t k = 0;
  if (C == 1) {
    const hn::ScalableTag<int32_t> di;
    const hn::RebindToUnsigned<decltype(di)> du;
    const hn::Repartition<uint8_t, decltype(di)> d8;
    const hn::Half<decltype(di)> dh;
    const hn::Rebind<double, decltype(dh)> dd;
    const hn::Repartition<uint64_t, decltype(dd)> dq;
    const hn::Repartition<float, decltype(dd)> df2;
    const hn::Rebind<float, decltype(dd)> df;
    const size_t N = hn::Lanes(di), H = hn::Lanes(dd), blocks = N / 4;
    const auto zeros = hn::Set(du, 0x80808000u);
    for (; k + N <= width; k += N) {
      const ptrdiff_t* o = offsets + k;
      const auto rel = RelativeIndexes(du, o);
      if (!IndexesFit(du, rel, 10, o, -2, limit)) break;
      const auto first = hn::Or(rel, zeros);
      const auto window = Windows(d8, r, o, 4, -2);
      hn::Vec<decltype(di)> samples[6];
      for (int m = 0; m < 6; ++m)
        samples[m] = hn::BitCast(
            di, hn::TableLookupBytesOr0(window, hn::BitCast(d8, hn::Add(first, hn::Set(du, uint32_t(m))))));
      // Each half: H columns, their six weights as three vectors of (w2i, w2i+1) pairs.
      for (size_t half = 0; half < 2; ++half) {
        hn::Vec<decltype(dq)> pairs[3];
        hn::LoadInterleaved3(dq, reinterpret_cast<const uint64_t*>(weights + 6 * (k + half * H)),
                             pairs[0], pairs[1], pairs[2]);
        auto v = hn::Zero(dd);
        for (int m = 0; m < 6; ++m) {
          const auto part = half == 0 ? hn::LowerHalf(dh, samples[m]) : hn::UpperHalf(dh, samples[m]);
          const auto both = hn::BitCast(df2, pairs[m / 2]);
          const auto w = m % 2 == 0 ? hn::ConcatEven(df2, both, both) : hn::ConcatOdd(df2, both, both);
          v = hn::Add(v, hn::Mul(hn::PromoteTo(dd, hn::LowerHalf(df, w)), hn::PromoteTo(dd, part)));
        }
        hn::StoreU(hn::DemoteTo(df, v), df, work + k + half * H);
      }
    }
    return k;
  }
  const hn::CappedTag<double, 4> dd;
  if (hn::Lanes(dd) < 4) return 0;
  const hn::Rebind<int32_t, decltype(dd)> di;
  const hn::RebindToUnsigned<decltype(di)> du;
  const hn::Repartition<uint8_t, decltype(di)> d8;
  const hn::Rebind<float, decltype(dd)> df;
  const int32_t channels = static_cast<int32_t>(C), step = static_cast<int32_t>(n);
  // Taps 0 .. 2 from the window at o - 2n, taps 3 .. 5 from the window at o + n.
  hn::Vec<decltype(d8)> taps[6];
  for (int32_t m = 0; m < 6; ++m)
    taps[m] = hn::BitCast(d8, PixelTap(du, step, m < 3 ? m : m - 3, channels));
  for (; k + 2 <= width; ++k) {
    const ptrdiff_t o = offsets[k];
    if (o + n + 16 > limit) break;
    const auto low = hn::LoadU(d8, r + o - 2 * n), high = hn::LoadU(d8, r + o + n);
    const float* w = weights + 6 * k;
    auto v = hn::Zero(dd);
    for (int m = 0; m < 6; ++m) {
      const auto sample = hn::BitCast(di, hn::TableLookupBytesOr0(m < 3 ? low : high, taps[m]));
      v = hn::Add(v, hn::Mul(hn::Set(dd, static_cast<double>(w[m])), hn::PromoteTo(dd, sample)));
    }
    // Four floats from the column's first value; with three channels the fourth is the next
    // column's first, written after this one.
    hn::StoreU(hn::DemoteTo(df, v), df, work + C * k);
  }
  return k;
#endif
}

// The 8-bit Lanczos column pass: the six rows weighted in double in window order,
// trunc(v + 0.5000001) clamped to 0 .. 255 (NaN and negatives to 0).
size_t LanczosColumn8u(const float* const* rows, const float* weights, uint8_t* d, size_t n) {
  const hn::ScalableTag<double> dd;
  const hn::Rebind<float, decltype(dd)> df;
  const hn::Rebind<int32_t, decltype(dd)> di;
  const hn::Rebind<uint8_t, decltype(dd)> d8;
  const size_t N = hn::Lanes(dd);
  hn::Vec<decltype(dd)> w[6];
  for (int m = 0; m < 6; ++m) w[m] = hn::Set(dd, static_cast<double>(weights[m]));
  const auto half = hn::Set(dd, 0.5000001), zero = hn::Zero(dd), top = hn::Set(dd, 255.0);
  size_t i = 0;
  for (; i + N <= n; i += N) {
    auto v = hn::Mul(hn::PromoteTo(dd, hn::LoadU(df, rows[0] + i)), w[0]);
    for (int m = 1; m < 6; ++m) v = hn::Add(v, hn::Mul(hn::PromoteTo(dd, hn::LoadU(df, rows[m] + i)), w[m]));
    auto x = hn::Add(v, half);
    x = hn::IfThenElse(x >= zero, x, zero);
    x = hn::Min(x, top);
    hn::StoreU(hn::DemoteTo(d8, hn::DemoteTo(di, x)), d8, d + i);
  }
  return i;
}

// The cubic through four work rows with the row's coefficients, + 0.5000001, clamped to
// 0..255 (NaN to 0) and truncated.
size_t CubicColumn8u(const float* r0, const float* r1, const float* r2, const float* r3,
                     const float* coefficients, uint8_t* d, size_t n) {
  const hn::ScalableTag<float> df;
  const hn::RebindToSigned<decltype(df)> di;
  const hn::Rebind<uint8_t, decltype(df)> d8;
  const size_t lanes = hn::Lanes(df);
  const auto c1 = hn::Set(df, coefficients[0]), c2 = hn::Set(df, coefficients[1]),
             c3 = hn::Set(df, coefficients[2]);
  const auto two = hn::Set(df, 2.0f), half = hn::Set(df, 0.5000001f), zero = hn::Zero(df),
             top = hn::Set(df, 255.0f);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const auto A = hn::LoadU(df, r0 + i), B = hn::LoadU(df, r1 + i), C = hn::LoadU(df, r2 + i),
               D = hn::LoadU(df, r3 + i);
    const auto q1 = hn::Sub(B, A);
    const auto q2 = hn::Sub(hn::Sub(C, B), q1);
    const auto q3 = hn::Sub(hn::Add(hn::Sub(B, hn::Mul(two, C)), D), q2);
    const auto v = hn::Add(hn::Add(hn::Add(A, hn::Mul(c1, q1)), hn::Mul(c2, q2)), hn::Mul(c3, q3));
    auto r = hn::Add(v, half);
    r = hn::IfThenElse(hn::Gt(r, zero), r, zero);
    r = hn::IfThenElse(hn::Lt(r, top), r, top);
    const auto t = hn::ConvertTo(di, r);
    hn::StoreU(hn::DemoteTo(d8, t), d8, d + i);
  }
  return i;
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::resize
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::resize {
HWY_EXPORT(NearestRow8u);
HWY_EXPORT(LinearRow8u);
HWY_EXPORT(LinearColumn8u);
HWY_EXPORT(CubicRow8u);
HWY_EXPORT(CubicColumn8u);
HWY_EXPORT(LanczosRow8u);
HWY_EXPORT(LanczosColumn8u);
NearestRowBlocks8u VectorNearestRow8u() { return PF_HWY_DISPATCHED(NearestRow8u); }
LinearRowBlocks8u VectorLinearRow8u() { return PF_HWY_DISPATCHED(LinearRow8u); }
LinearColumnBlocks8u VectorLinearColumn8u() { return PF_HWY_DISPATCHED(LinearColumn8u); }
CubicRowBlocks8u VectorCubicRow8u() { return PF_HWY_DISPATCHED(CubicRow8u); }
CubicColumnBlocks8u VectorCubicColumn8u() { return PF_HWY_DISPATCHED(CubicColumn8u); }
LanczosRowBlocks8u VectorLanczosRow8u() { return PF_HWY_DISPATCHED(LanczosRow8u); }
LanczosColumnBlocks8u VectorLanczosColumn8u() { return PF_HWY_DISPATCHED(LanczosColumn8u); }
}  // namespace builtin::resize
#endif
