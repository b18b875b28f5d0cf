// Vector passes of the FFT engine, compiled for every instruction set that Highway targets and
// chosen at run time. A complex value is one 128-bit block (real part in the even lane); each
// lane performs the plain pass's float64 operations in the same order, so the bits agree.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/signal/FftEngineHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/cache_control.h>
#include <hwy/highway.h>

#include <utility>

#include "primitives/signal/FftEngineKernels.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::fft {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<double>;
using VF = hn::Vec<DF>;

int64_t ScaleBlocks(double factor, double* d, int64_t count) {
  const DF df;
  const int64_t n = static_cast<int64_t>(hn::Lanes(df));
  const VF f = hn::Set(df, factor);
  int64_t i = 0;
  for (; i + n <= count; i += n) hn::StoreU(hn::Mul(hn::LoadU(df, d + i), f), df, d + i);
  return i;
}

#if HWY_TARGET != HWY_SCALAR

using D1 = hn::Full128<double>;  // one complex value
using V1 = hn::Vec<D1>;
using D2 = hn::CappedTag<double, 4>;  // up to two complex values

// ---- Complex arithmetic ----------------------------------------------------------------
//
// A complex value is one 128-bit block, real part in the even lane; the same operations serve
// vectors of one complex value, of two and of the whole vector.

// A factor w prepared for products: wr in both lanes of a complex value, and (-wi, wi).
template <class V>
struct FactorOf {
  V re, im;
};
using Factor = FactorOf<VF>;

template <class V = VF>
HWY_INLINE V SignOfRealLanes() {
  const hn::DFromV<V> d;
  return hn::OddEven(hn::Zero(d), hn::Set(d, -0.0));
}

template <class V = VF>
HWY_INLINE V SignOfImagLanes() {
  const hn::DFromV<V> d;
  return hn::OddEven(hn::Set(d, -0.0), hn::Zero(d));
}

// The same factor (wr, wi) at w in every lane.
HWY_INLINE Factor Splat(const double* w) {
  const DF df;
  return {hn::Set(df, w[0]), hn::Xor(hn::Set(df, w[1]), SignOfRealLanes())};
}

// A factor per complex lane, from interleaved factors.
template <class V>
HWY_INLINE FactorOf<V> PerLane(V w) {
  return {hn::DupEven(w), hn::Xor(hn::DupOdd(w), SignOfRealLanes<V>())};
}

// x w (forward) or x conj(w) (inverse): xr wr + xi (-wi) is xr wr - xi wi, and so on, bit for
// bit (the negated factor is exact and a - b is a + (-b)); a NaN product keeps its bits either
// way, and the first operand of each sum is the plain code's.
template <bool kInv, class V>
HWY_INLINE V Twiddle(V x, const FactorOf<V>& f) {
  const hn::DFromV<V> d;
  const V t1 = hn::Mul(x, f.re), t2 = hn::Mul(hn::Reverse2(d, x), f.im);
  return kInv ? hn::Sub(t1, t2) : hn::Add(t1, t2);
}

// The radix-4 butterfly in place on four values already multiplied by their factors. Forward:
// the second output is A' - jB', the fourth A' + jB'; inverse: the other way round.
template <bool kInv, class V>
HWY_INLINE void Butterfly4(V& x0, V& x1, V& x2, V& x3) {
  const hn::DFromV<V> d;
  const V a = hn::Add(x0, x1), a2 = hn::Sub(x0, x1), b = hn::Add(x2, x3), b2 = hn::Sub(x2, x3);
  const V bs = hn::Reverse2(d, b2);
  const V s = hn::Add(a2, bs), t = hn::Sub(a2, bs);  // a2 - jb2 = (s re, t im), a2 + jb2 the other
  x0 = hn::Add(a, b);
  x2 = hn::Sub(a, b);
  x1 = kInv ? hn::OddEven(s, t) : hn::OddEven(t, s);
  x3 = kInv ? hn::OddEven(t, s) : hn::OddEven(s, t);
}

// -j x forward: (xi, -xr); +j x inverse: (-xi, xr).
template <bool kInv, class V>
HWY_INLINE V TimesMinusJ(V x) {
  const hn::DFromV<V> d;
  const V s = hn::Reverse2(d, x);
  return kInv ? hn::OddEven(s, hn::Neg(s)) : hn::OddEven(hn::Neg(s), s);
}

// The radix-2 step of odd orders on eight values in place: x[c + 4] times W8^c, c = 0..3
// (f1 = (v, -v), -j, f3 = (-v, -v)), then sum and difference with x[c].
template <bool kInv, class V>
HWY_INLINE void Radix2Of8(V* x, const FactorOf<V>& f1, const FactorOf<V>& f3) {
  const V y[4] = {x[4], Twiddle<kInv>(x[5], f1), TimesMinusJ<kInv>(x[6]),
                  Twiddle<kInv>(x[7], f3)};
  for (int c = 0; c < 4; ++c) {
    const V a = x[c];
    x[c] = hn::Add(a, y[c]);
    x[c + 4] = hn::Sub(a, y[c]);
  }
}

// The factor of a radix-2 butterfly at t (one per lane); past the middle of its span (second)
// the factor is -j t forward, +j conj(t) inverse, and goes into a plain product.
template <bool kInv, bool kSecond>
HWY_INLINE Factor CombineFactor(VF t) {
  if constexpr (!kSecond) return PerLane(t);
  // -j t = (ti, -tr); +j conj(t) = (ti, tr); as a factor: (fr, fr) and (-fi, fi).
  return {hn::DupOdd(t), hn::Xor(hn::DupEven(t), kInv ? SignOfRealLanes() : SignOfImagLanes())};
}

// ---- Pass kernels ---------------------------------------------------------------------------

template <bool kInv>
void FirstPassT(double* d, int64_t N) {
  const D1 d1;
  int64_t g = 0;
  if constexpr (hn::MaxLanes(D2()) == 4) {
    // Two groups at once: the first values of both groups in one vector, and so on.
    const D2 d2;
    for (; g + 8 <= N; g += 8) {
      double* p = d + 2 * g;
      const hn::Vec<D2> x01 = hn::LoadU(d2, p), x23 = hn::LoadU(d2, p + 4),
                        y01 = hn::LoadU(d2, p + 8), y23 = hn::LoadU(d2, p + 12);
      hn::Vec<D2> o0 = hn::ConcatLowerLower(d2, y01, x01), o1 = hn::ConcatUpperUpper(d2, y01, x01),
                  o2 = hn::ConcatLowerLower(d2, y23, x23), o3 = hn::ConcatUpperUpper(d2, y23, x23);
      Butterfly4<kInv>(o0, o1, o2, o3);
      hn::StoreU(hn::ConcatLowerLower(d2, o1, o0), d2, p);
      hn::StoreU(hn::ConcatLowerLower(d2, o3, o2), d2, p + 4);
      hn::StoreU(hn::ConcatUpperUpper(d2, o1, o0), d2, p + 8);
      hn::StoreU(hn::ConcatUpperUpper(d2, o3, o2), d2, p + 12);
    }
  }
  for (; g < N; g += 4) {
    double* p = d + 2 * g;
    V1 o0 = hn::LoadU(d1, p), o1 = hn::LoadU(d1, p + 2), o2 = hn::LoadU(d1, p + 4),
       o3 = hn::LoadU(d1, p + 6);
    Butterfly4<kInv>(o0, o1, o2, o3);
    hn::StoreU(o0, d1, p);
    hn::StoreU(o1, d1, p + 2);
    hn::StoreU(o2, d1, p + 4);
    hn::StoreU(o3, d1, p + 6);
  }
}
void FirstPass(double* d, int64_t N, bool inverse) {
  if (inverse) FirstPassT<true>(d, N);
  else FirstPassT<false>(d, N);
}

template <bool kInv>
void FirstPassOddT(double* d, int64_t N, double v) {
  const D1 d1;
  HWY_ALIGN const double f1[2] = {v, -v}, f3[2] = {-v, -v};
  const FactorOf<V1> w1 = PerLane(hn::Load(d1, f1)), w3 = PerLane(hn::Load(d1, f3));
  int64_t g = 0;
  if constexpr (hn::MaxLanes(D2()) == 4) {
    // The two groups of four side by side in two-value vectors, then the radix-2 step on whole
    // halves: the value without a factor and the -j one are blended in from their own forms.
    const D2 d2;
    using V2 = hn::Vec<D2>;
    HWY_ALIGN const double f11[4] = {v, -v, v, -v}, f33[4] = {-v, -v, -v, -v};
    const FactorOf<V2> w11 = PerLane(hn::Load(d2, f11)), w33 = PerLane(hn::Load(d2, f33));
    const auto first = hn::FirstN(d2, 2);
    for (; g < N; g += 8) {
      double* p = d + 2 * g;
      const V2 x01 = hn::LoadU(d2, p), x23 = hn::LoadU(d2, p + 4), x45 = hn::LoadU(d2, p + 8),
               x67 = hn::LoadU(d2, p + 12);
      V2 o0 = hn::ConcatLowerLower(d2, x45, x01), o1 = hn::ConcatUpperUpper(d2, x45, x01),
         o2 = hn::ConcatLowerLower(d2, x67, x23), o3 = hn::ConcatUpperUpper(d2, x67, x23);
      Butterfly4<kInv>(o0, o1, o2, o3);
      const V2 a = hn::ConcatLowerLower(d2, o1, o0), b = hn::ConcatLowerLower(d2, o3, o2);
      const V2 c = hn::ConcatUpperUpper(d2, o1, o0), e = hn::ConcatUpperUpper(d2, o3, o2);
      const V2 y45 = hn::IfThenElse(first, c, Twiddle<kInv>(c, w11));
      const V2 y67 = hn::IfThenElse(first, TimesMinusJ<kInv>(e), Twiddle<kInv>(e, w33));
      hn::StoreU(hn::Add(a, y45), d2, p);
      hn::StoreU(hn::Add(b, y67), d2, p + 4);
      hn::StoreU(hn::Sub(a, y45), d2, p + 8);
      hn::StoreU(hn::Sub(b, y67), d2, p + 12);
    }
  }
  for (; g < N; g += 8) {
    double* p = d + 2 * g;
    V1 x[8];
    for (int t = 0; t < 8; ++t) x[t] = hn::LoadU(d1, p + 2 * t);
    Butterfly4<kInv>(x[0], x[1], x[2], x[3]);
    Butterfly4<kInv>(x[4], x[5], x[6], x[7]);
    Radix2Of8<kInv>(x, w1, w3);
    for (int t = 0; t < 8; ++t) hn::StoreU(x[t], d1, p + 2 * t);
  }
}
void FirstPassOdd(double* d, int64_t N, double v, bool inverse) {
  if (inverse) FirstPassOddT<true>(d, N, v);
  else FirstPassOddT<false>(d, N, v);
}

// C complex values from 128-bit blocks `step` doubles apart (the factors of C consecutive columns).
template <class D>
HWY_INLINE hn::Vec<D> LoadBlocks(D d, const double* p, int64_t step) {
  if constexpr (hn::MaxLanes(D()) <= 2) {
    (void)step;
    return hn::LoadU(d, p);
  } else {
    const hn::Half<D> dh;
    const int64_t half = static_cast<int64_t>(hn::MaxLanes(D())) / 4;
    return hn::Combine(d, LoadBlocks(dh, p + half * step, step), LoadBlocks(dh, p, step));
  }
}

struct FactorGather {
  explicit FactorGather(int64_t strideDoubles) : step(strideDoubles) {}
  VF At(const double* p) const {
    const DF df;
    if (step == 2) return hn::LoadU(df, p);
    return LoadBlocks(df, p, step);
  }
  int64_t step;
};

template <bool kInv>
void Radix4PassT(double* d, int64_t N, int64_t total, int64_t L, const double* table) {
  const DF df;
  const int64_t C = static_cast<int64_t>(hn::Lanes(df)) / 2;
  const int64_t stride = N / (4 * L);
  const FactorGather gather(6 * stride);
  const auto column0 = hn::FirstN(df, 2);  // column 0 is not multiplied
  for (int64_t c0 = 0; c0 < L; c0 += C) {
    const double* w = table + 6 * c0 * stride;
    const Factor w1 = PerLane(gather.At(w)), w2 = PerLane(gather.At(w + 2)),
                 w3 = PerLane(gather.At(w + 4));
    for (int64_t g0 = 0; g0 < total; g0 += 4 * L) {
      double* g = d + 2 * (g0 + c0);
      const VF x0 = hn::LoadU(df, g), x1 = hn::LoadU(df, g + 2 * L),
               x2 = hn::LoadU(df, g + 4 * L), x3 = hn::LoadU(df, g + 6 * L);
      VF y1 = Twiddle<kInv>(x1, w2), y2 = Twiddle<kInv>(x2, w1), y3 = Twiddle<kInv>(x3, w3);
      if (c0 == 0) {
        y1 = hn::IfThenElse(column0, x1, y1);
        y2 = hn::IfThenElse(column0, x2, y2);
        y3 = hn::IfThenElse(column0, x3, y3);
      }
      VF y0 = x0;
      Butterfly4<kInv>(y0, y1, y2, y3);
      hn::StoreU(y0, df, g);
      hn::StoreU(y1, df, g + 2 * L);
      hn::StoreU(y2, df, g + 4 * L);
      hn::StoreU(y3, df, g + 6 * L);
    }
  }
}
void Radix4Pass(double* d, int64_t N, int64_t total, int64_t L, const double* table,
                bool inverse) {
  if (inverse) Radix4PassT<true>(d, N, total, L, table);
  else Radix4PassT<false>(d, N, total, L, table);
}

template <bool kInv>
void Radix2ChunkT(double* d, int64_t N, int64_t L, int64_t k0, const double* table) {
  const DF df;
  const int64_t C = static_cast<int64_t>(hn::Lanes(df)) / 2;
  const int64_t stride = N / (2 * L);
  const FactorGather gather(2 * stride);
  for (int64_t A0 = 0; A0 < N; A0 += 2 * L) {
    double* A = d + 2 * A0;
    double* B = A + 2 * L;
    for (int64_t k = k0; k < k0 + 64; k += C) {
      const Factor f = PerLane(gather.At(table + 2 * k * stride));
      const VF u = Twiddle<kInv>(hn::LoadU(df, B + 2 * k), f);
      const VF a = hn::LoadU(df, A + 2 * k);
      hn::StoreU(hn::Add(a, u), df, A + 2 * k);
      hn::StoreU(hn::Sub(a, u), df, B + 2 * k);
    }
    for (int64_t k = k0; k < k0 + 64; k += C) {
      // -j t forward, +j conj(t) inverse, in a plain product.
      const Factor f = CombineFactor<kInv, true>(gather.At(table + 2 * k * stride));
      const int64_t h = k + L / 2;
      const VF u = Twiddle<false>(hn::LoadU(df, B + 2 * h), f);
      const VF a = hn::LoadU(df, A + 2 * h);
      hn::StoreU(hn::Add(a, u), df, A + 2 * h);
      hn::StoreU(hn::Sub(a, u), df, B + 2 * h);
    }
  }
}
void Radix2Chunk(double* d, int64_t N, int64_t L, int64_t k0, const double* table, bool inverse) {
  if (inverse) Radix2ChunkT<true>(d, N, L, k0, table);
  else Radix2ChunkT<false>(d, N, L, k0, table);
}


// ---- The bit-reversal permutation in 4 x 4 tiles -------------------------------------------
//
// An index is [i: 2 bits][mid][j: 2 bits] and goes to [rev(j)][rev(mid)][rev(i)] (see
// PlainBitRevCopy). A tile of mid is four runs of four consecutive complex values v[i][0..3]
// at i quarter + 4 mid; its value v[i][j] goes to run rev(j) of the tile of rm = rev(mid), at
// position rev(i). So the destination run rev(j) is (v[0][j], v[2][j], v[1][j], v[3][j]): a
// transpose of 128-bit blocks, whose rows come in the order 0, 2, 1, 3.

// A tile in 256-bit vectors where the target has them: x[i][h] holds v[i][2h], v[i][2h + 1],
// and run rev(j) is (v0j, v2j | v1j, v3j), the lower or upper blocks of rows 0 and 2, 1 and 3.
// With 128-bit vectors each holds one value and the values move one by one.
using DTile = hn::CappedTag<double, 4>;
constexpr bool kWideTile = hn::MaxLanes(DTile()) == 4;

struct Tile {
  using V = hn::Vec<DTile>;
  V x00, x01, x10, x11, x20, x21, x30, x31;  // (pairs of) values, or the first half of a run

  // 128-bit vectors: the second half of each run.
  V y00, y01, y10, y11, y20, y21, y30, y31;

  HWY_INLINE void Load(const double* s, int64_t quarter, int64_t mid) {
    const DTile d;
    const double* r0 = s + 8 * mid;
    const double* r1 = r0 + 2 * quarter;
    const double* r2 = r1 + 2 * quarter;
    const double* r3 = r2 + 2 * quarter;
    x00 = hn::LoadU(d, r0), x01 = hn::LoadU(d, r0 + 4);
    x10 = hn::LoadU(d, r1), x11 = hn::LoadU(d, r1 + 4);
    x20 = hn::LoadU(d, r2), x21 = hn::LoadU(d, r2 + 4);
    x30 = hn::LoadU(d, r3), x31 = hn::LoadU(d, r3 + 4);
    if constexpr (!kWideTile) {
      y00 = hn::LoadU(d, r0 + 2), y01 = hn::LoadU(d, r0 + 6);
      y10 = hn::LoadU(d, r1 + 2), y11 = hn::LoadU(d, r1 + 6);
      y20 = hn::LoadU(d, r2 + 2), y21 = hn::LoadU(d, r2 + 6);
      y30 = hn::LoadU(d, r3 + 2), y31 = hn::LoadU(d, r3 + 6);
    }
  }

  // Writes the transposed tile as the tile of rm (the reversal of the mid it was read from).
  HWY_INLINE void Store(double* t, int64_t quarter, int64_t rm) const {
    const DTile d;
    double* r0 = t + 8 * rm;  // destination run 0, then runs 1 to 3
    double* r1 = r0 + 2 * quarter;
    double* r2 = r1 + 2 * quarter;
    double* r3 = r2 + 2 * quarter;
    if constexpr (kWideTile) {
      hn::StoreU(hn::ConcatLowerLower(d, x20, x00), d, r0);  // j = 0
      hn::StoreU(hn::ConcatLowerLower(d, x30, x10), d, r0 + 4);
      hn::StoreU(hn::ConcatUpperUpper(d, x20, x00), d, r2);  // j = 1
      hn::StoreU(hn::ConcatUpperUpper(d, x30, x10), d, r2 + 4);
      hn::StoreU(hn::ConcatLowerLower(d, x21, x01), d, r1);  // j = 2
      hn::StoreU(hn::ConcatLowerLower(d, x31, x11), d, r1 + 4);
      hn::StoreU(hn::ConcatUpperUpper(d, x21, x01), d, r3);  // j = 3
      hn::StoreU(hn::ConcatUpperUpper(d, x31, x11), d, r3 + 4);
    } else {  // v[i][0..3] = x_i0, y_i0, x_i1, y_i1
      hn::StoreU(x00, d, r0), hn::StoreU(x20, d, r0 + 2);
      hn::StoreU(x10, d, r0 + 4), hn::StoreU(x30, d, r0 + 6);
      hn::StoreU(y00, d, r2), hn::StoreU(y20, d, r2 + 2);
      hn::StoreU(y10, d, r2 + 4), hn::StoreU(y30, d, r2 + 6);
      hn::StoreU(x01, d, r1), hn::StoreU(x21, d, r1 + 2);
      hn::StoreU(x11, d, r1 + 4), hn::StoreU(x31, d, r1 + 6);
      hn::StoreU(y01, d, r3), hn::StoreU(y21, d, r3 + 2);
      hn::StoreU(y11, d, r3 + 4), hn::StoreU(y31, d, r3 + 6);
    }
  }
};

// The tiles a walk reads this many tiles ahead are asked for early: their rows lie a quarter
// of the vector apart, so on large vectors the processor's prefetcher does not see them coming
// (16 tiles ahead made the large permutations 1.3 to 2 times faster than without).
constexpr int64_t kPrefetchAhead = 16;

HWY_INLINE void PrefetchTile(const double* s, int64_t quarter, int64_t mid) {
  const double* r = s + 8 * mid;
  for (int64_t i = 0; i < 4; ++i) hwy::Prefetch(r + 2 * quarter * i);
}

// The destination tiles in order, each from the source tile of the reversed mid (the reversal
// is its own inverse): scattered reads and sequential writes, which run about twice as fast
// on large vectors as the other way round, where every scattered line written is first read.
void BitRevCopyTiles(const double* s, double* d, int n) {
  const int64_t quarter = int64_t{1} << (n - 2), mids = int64_t{1} << (n - 4);
  int64_t rm = 0, ahead = 0;  // the reversals of mid and of mid + kPrefetchAhead
  for (int64_t k = 1; k <= kPrefetchAhead && k < mids; ++k) ahead = NextReversedMid(ahead, mids);
  for (int64_t mid = 0; mid < mids; ++mid) {
    if (mid > 0) rm = NextReversedMid(rm, mids);
    if (mid + kPrefetchAhead < mids) {
      if (mid > 0) ahead = NextReversedMid(ahead, mids);
      PrefetchTile(s, quarter, ahead);
    }
    Tile tile;
    tile.Load(s, quarter, rm);
    tile.Store(d, quarter, mid);
  }
}

// The tile of mid and the tile of rm trade their values, transposed; both are read before
// either is written. A tile whose mid is its own reversal is transposed in place.
void BitRevInPlaceTiles(double* d, int n) {
  const int64_t quarter = int64_t{1} << (n - 2), mids = int64_t{1} << (n - 4);
  int64_t rm = 0, ahead = 0;
  for (int64_t k = 1; k <= kPrefetchAhead && k < mids; ++k) ahead = NextReversedMid(ahead, mids);
  for (int64_t mid = 0; mid < mids; ++mid) {
    if (mid > 0) rm = NextReversedMid(rm, mids);
    if (mid + kPrefetchAhead < mids) {
      if (mid > 0) ahead = NextReversedMid(ahead, mids);
      if (ahead >= mid + kPrefetchAhead) {  // a pair still to come
        PrefetchTile(d, quarter, mid + kPrefetchAhead);
        PrefetchTile(d, quarter, ahead);
      }
    }
    if (rm < mid) continue;  // done with its partner
    Tile a;
    a.Load(d, quarter, mid);
    if (rm == mid) {
      a.Store(d, quarter, rm);
      continue;
    }
    Tile b;
    b.Load(d, quarter, rm);
    a.Store(d, quarter, rm);
    b.Store(d, quarter, mid);
  }
}

// ---- Fused transforms -----------------------------------------------------------------------
//
// A transform of order n <= 9, the blocked ones and the leaves of a split level run as batches
// of four sequences side by side. A quad is four complex values (64 bytes: one vector of four
// complex lanes, two of two or four of one); in a batch, quad j holds position j of the four
// sequences, lane l for sequence l, and lives at rows[j & 3] + step (j >> 2) (in doubles), in
// an aligned buffer on the stack (up to 32 KB). Each sequence's passes then combine whole quads
// lane by lane, with the same factor in every lane, and need no shuffles but the ones inside a
// complex product.
//
// The quads come straight from the source: when position j of the sequences lies at source
// index base + rev(j) stride + l, the quad is four consecutive source values, so the
// permutation costs no more than its loads and no sweep of its own. For a transform of order
// n <= 9 the four sequences are its quarters (position q of the quarter rev2(l), the source
// values 4 rev_{n-2}(q) + l), for the blocked ones the blocks (or, for 1024 points, the halves
// of the two blocks), for the leaves of a split level at depth 0 the leaves rev_k(4a + l),
// a = 0 .. K/4 - 1 (source values K rev_m(j) + 4a + l). With the batch on the stack the source
// may be the destination, but for the split levels, whose batches write the rows other batches
// read: their data is permuted in place first and turned into quads by 4 x 4 transposes.
//
// The passes that combine the lanes come last: the last pass of a transform of order n <= 9
// (span N/4, one factor triple per lane, from the setup's prepared copy of that pass's
// factors), the combining passes of the blocked transforms and the store of finished leaves,
// all after a transpose of four quads. The column pass of a split level keeps the columns in
// the lanes instead: rows of four values, each multiplied by its four column factors, then the
// K-point passes down the rows, in tiles of rows loaded and stored row by row.

constexpr int kC = static_cast<int>(hn::MaxLanes(DF())) / 2;  // complex values per vector
constexpr int kS = 4 / kC;                                   // vectors per quad

struct Quad {
  VF v[kS];
};

HWY_INLINE Quad LoadQuad(const double* p) {
  const DF df;
  Quad q;
  for (int i = 0; i < kS; ++i) q.v[i] = hn::LoadU(df, p + 2 * kC * i);
  return q;
}

HWY_INLINE void StoreQuad(const Quad& q, double* p) {
  const DF df;
  for (int i = 0; i < kS; ++i) hn::StoreU(q.v[i], df, p + 2 * kC * i);
}

// out[l] = (in[0] value l, in[1] value l, in[2] value l, in[3] value l).
HWY_INLINE void Transpose(const Quad* in, Quad* out) {
#if HWY_TARGET <= HWY_AVX3
  // 128-bit blocks: even and odd blocks of rows 0, 1 and of rows 2, 3, then again.
  const __m512d p = _mm512_shuffle_f64x2(in[0].v[0].raw, in[1].v[0].raw, 0x88);
  const __m512d q = _mm512_shuffle_f64x2(in[0].v[0].raw, in[1].v[0].raw, 0xDD);
  const __m512d r = _mm512_shuffle_f64x2(in[2].v[0].raw, in[3].v[0].raw, 0x88);
  const __m512d s = _mm512_shuffle_f64x2(in[2].v[0].raw, in[3].v[0].raw, 0xDD);
  out[0].v[0] = VF{_mm512_shuffle_f64x2(p, r, 0x88)};
  out[1].v[0] = VF{_mm512_shuffle_f64x2(q, s, 0x88)};
  out[2].v[0] = VF{_mm512_shuffle_f64x2(p, r, 0xDD)};
  out[3].v[0] = VF{_mm512_shuffle_f64x2(q, s, 0xDD)};
#else
  if constexpr (kC == 2) {
    const DF df;
    for (int h = 0; h < 2; ++h) {  // vector h of the output: rows 2h and 2h + 1
      const Quad& a = in[2 * h];
      const Quad& b = in[2 * h + 1];
      out[0].v[h] = hn::ConcatLowerLower(df, b.v[0], a.v[0]);
      out[1].v[h] = hn::ConcatUpperUpper(df, b.v[0], a.v[0]);
      out[2].v[h] = hn::ConcatLowerLower(df, b.v[1], a.v[1]);
      out[3].v[h] = hn::ConcatUpperUpper(df, b.v[1], a.v[1]);
    }
  } else {
    for (int l = 0; l < 4; ++l)
      for (int r = 0; r < 4; ++r) out[l].v[r] = in[r].v[l];
  }
#endif
}

inline int64_t Reverse(int64_t x, int bits) {
  int64_t r = 0;
  for (int b = 0; b < bits; ++b) r |= ((x >> b) & 1) << (bits - 1 - b);
  return r;
}

// Quads of positions 0 .. M - 1: quad j at rows[j & 3] + step (j >> 2).
struct Quads {
  double* rows[4];
  int64_t step;
  HWY_INLINE double* At(int64_t j) const { return rows[j & 3] + step * (j >> 2); }
};

// The first passes on a group of kGs = 4, 8 or 16 values in place: the first pass, then the
// radix-2 step (8; factors (v, -v) and (-v, -v) from table entry tableN / 8) or the span-4
// pass (16; factors of entries c tableN / 16) of a transform whose table has tableN entries
// per turn.
template <bool kInv, int kGs>
struct Front {
  Factor f[9];

  Front(const double* table, int64_t tableN) {
    if constexpr (kGs == 8) {
      const double v = table[6 * (tableN / 8)];
      const double w1[2] = {v, -v}, w3[2] = {-v, -v};
      f[0] = Splat(w1);
      f[1] = Splat(w3);
    } else if constexpr (kGs == 16) {
      for (int c = 1; c < 4; ++c)
        for (int j = 0; j < 3; ++j) f[3 * (c - 1) + j] = Splat(table + 6 * c * (tableN / 16) + 2 * j);
    } else {
      (void)table, (void)tableN;
    }
  }

  HWY_INLINE void operator()(VF* x) const {
    for (int u = 0; u < kGs; u += 4) Butterfly4<kInv>(x[u], x[u + 1], x[u + 2], x[u + 3]);
    if constexpr (kGs == 8) {
      Radix2Of8<kInv>(x, f[0], f[1]);
    } else if constexpr (kGs == 16) {
      Butterfly4<kInv>(x[0], x[4], x[8], x[12]);
      for (int c = 1; c < 4; ++c) {
        const Factor* w = f + 3 * (c - 1);
        x[c + 4] = Twiddle<kInv>(x[c + 4], w[1]);
        x[c + 8] = Twiddle<kInv>(x[c + 8], w[0]);
        x[c + 12] = Twiddle<kInv>(x[c + 12], w[2]);
        Butterfly4<kInv>(x[c], x[c + 4], x[c + 8], x[c + 12]);
      }
    }
  }
};

// The radix-4 butterfly of the values at e, e + span, e + 2 span and e + 3 span (doubles) with
// the factor triple w (none for column 0).
template <bool kInv, bool kColumn0>
HWY_INLINE void ButterflyAt(const double* e, int64_t span, const Factor* w, VF& x0, VF& x1,
                            VF& x2, VF& x3) {
  const DF df;
  x0 = hn::LoadU(df, e);
  x1 = hn::LoadU(df, e + span);
  x2 = hn::LoadU(df, e + 2 * span);
  x3 = hn::LoadU(df, e + 3 * span);
  if constexpr (!kColumn0) {
    x1 = Twiddle<kInv>(x1, w[1]);
    x2 = Twiddle<kInv>(x2, w[0]);
    x3 = Twiddle<kInv>(x3, w[2]);
  }
  Butterfly4<kInv>(x0, x1, x2, x3);
}

// The same on the quads at p + j span, in place.
template <bool kInv, bool kColumn0>
HWY_INLINE void QuadButterfly(double* p, int64_t span, const Factor* w) {
  const DF df;
  for (int i = 0; i < kS; ++i) {
    double* e = p + 2 * kC * i;
    VF x0, x1, x2, x3;
    ButterflyAt<kInv, kColumn0>(e, span, w, x0, x1, x2, x3);
    hn::StoreU(x0, df, e);
    hn::StoreU(x1, df, e + span);
    hn::StoreU(x2, df, e + 2 * span);
    hn::StoreU(x3, df, e + 3 * span);
  }
}

HWY_INLINE void SplatTriple(const double* w, Factor* f) {
  f[0] = Splat(w);
  f[1] = Splat(w + 2);
  f[2] = Splat(w + 4);
}

// One radix-4 pass of span L (4L <= M) over the quads, factors from entry c stride of table.
template <bool kInv>
void QuadPass(const Quads& q, int64_t M, int64_t L, const double* table, int64_t stride) {
  const int64_t span = q.step * (L / 4);  // doubles from quad j to quad j + L
  for (int64_t g0 = 0; g0 < M; g0 += 4 * L) QuadButterfly<kInv, true>(q.At(g0), span, nullptr);
  for (int64_t c = 1; c < L; ++c) {
    Factor w[3];
    SplatTriple(table + 6 * c * stride, w);
    for (int64_t g0 = 0; g0 < M; g0 += 4 * L) QuadButterfly<kInv, false>(q.At(g0 + c), span, w);
  }
}

// Where a batch's values come from: vector i of the quad of complex values x .. x + 3.
// kHigh: whether x lies in the upper half of the sequence (the groups of the first passes
// alternate: an even position of a group is in the lower half, an odd one in the upper).
struct PlainSource {
  const double* src;
  template <bool kHigh = false>
  HWY_INLINE VF At(int64_t x, int i) const {
    return hn::LoadU(DF(), src + 2 * x + 2 * kC * i);
  }
};

// The inverse real transform's pre-processing (fbRealFftPre) as a source: the value z'_x of the
// half-length view, from the spectrum's bins x and h - x and the factor of bin min(x, h - x),
// by the vector pre-processing's operations (FftTransformsHwy.cpp); for x below the middle the
// bin's own value z_k, above it the mirrored one z_m. The quads holding x = 0 and the middle
// come ready from the caller.
struct PreSource {
  const RealPre* pre;

  static HWY_INLINE VF ReverseComplex(VF v) {
    const DF df;
    return hn::Reverse2(df, hn::Reverse(df, v));
  }
  // (re, im) -> (-re, im) and (re, -im): sign flips, as the vector pass's negations.
  static HWY_INLINE VF NegRe(VF v) { return hn::Xor(v, SignOfRealLanes()); }
  static HWY_INLINE VF NegIm(VF v) { return hn::Xor(v, SignOfImagLanes()); }

  // Below the middle: the bins x.. (P), their mirrors h - x.. (Q, reversed) and the factors of
  // x..: z_k. Above it: the bins k = h - x - kC + 1.. ascending (P), their mirrors, which are
  // x.. reversed (Q), and the factors of k..: z_m, reversed into the order of x.
  template <bool kHigh>
  HWY_INLINE VF At(int64_t x0, int i) const {
    const DF df;
    const int64_t h = pre->h, x = x0 + kC * i;
    if (x0 == (kHigh ? h / 2 : 0)) return hn::LoadU(df, pre->edges + (kHigh ? 8 : 0) + 2 * kC * i);
    const double* s = pre->spectrum;
    const int64_t k = kHigh ? h - x - (kC - 1) : x, m = h - k - (kC - 1);
    const VF p = hn::LoadU(df, s + 2 * k);
    const VF q = ReverseComplex(hn::LoadU(df, s + 2 * m));
    const VF w = hn::LoadU(df, pre->twiddles + 2 * k);
    const VF a = hn::DupEven(w), b = hn::DupOdd(w);
    const VF pq = hn::Add(p, NegRe(q));
    const VF gf = hn::Add(hn::Mul(b, pq), NegRe(hn::Mul(a, hn::Reverse2(df, pq))));
    const VF sd = hn::Add(p, NegIm(q));
    if constexpr (kHigh) return ReverseComplex(hn::Add(NegIm(sd), NegRe(gf)));
    return hn::Add(sd, gf);
  }
};

template <class Source, int... kT>
HWY_INLINE void LoadGroup(const Source& src, int64_t line, const int64_t* offset, int i, VF* x,
                          std::integer_sequence<int, kT...>) {
  ((x[kT] = src.template At<(kT & 1) != 0>(line + offset[kT], i)), ...);
}

// The first passes of M-point sequences on a batch, groups of kGs positions loaded from the
// source, or, when the data is already permuted (rows: sequence l at rows[l]), from the rows,
// four positions of the four sequences at a time transposed into quads. The source quad of
// position j is the one of complex value base + rev_m(j) stride.
template <bool kInv, int kGs, class Source>
void BatchFront(const Quads& q, int m, const Source& src, int64_t base, int64_t stride,
                const double* const* rows, const double* table, int64_t tableN) {
  const bool permuted = rows != nullptr;
  const DF df;
  constexpr int kGb = kGs == 16 ? 4 : (kGs == 8 ? 3 : 2);
  const int64_t groups = (int64_t{1} << m) >> kGb;
  const Front<kInv, kGs> front(table, tableN);
  int64_t offset[kGs];
  for (int t = 0; t < kGs; ++t) offset[t] = stride * Reverse(t, kGb) * groups;
  int64_t g = 0;  // the group whose source runs start at rg: g = rev(rg)
  for (int64_t rg = 0; rg < groups; ++rg) {
    if (rg > 0) g = NextReversedMid(g, groups);
    const int64_t line = base + stride * rg;
    double* at[4];  // quad kGs g + t at at[t & 3] + step (t >> 2)
    for (int r = 0; r < 4; ++r) at[r] = q.rows[r] + q.step * (kGs / 4) * g;
    if (permuted) {  // positions kGs g .. of each sequence, four at a time, into quads
      for (int u = 0; u < kGs / 4; ++u) {
        Quad in[4], out[4];
        for (int l = 0; l < 4; ++l) in[l] = LoadQuad(rows[l] + 2 * (kGs * g + 4 * u));
        Transpose(in, out);
        for (int r = 0; r < 4; ++r) StoreQuad(out[r], at[r] + q.step * u);
      }
    }
    for (int i = 0; i < kS; ++i) {
      VF x[kGs];
      if (permuted) {
        for (int t = 0; t < kGs; ++t)
          x[t] = hn::LoadU(df, at[t & 3] + q.step * (t >> 2) + 2 * kC * i);
      } else {
        LoadGroup(src, line, offset, i, x, std::make_integer_sequence<int, kGs>());
      }
      front(x);
      for (int t = 0; t < kGs; ++t)
        hn::StoreU(x[t], df, at[t & 3] + q.step * (t >> 2) + 2 * kC * i);
    }
  }
}

// The passes of sequences of M = 2^m >= 4 positions on a batch, up to span lastL: the first
// passes, then the radix-4 passes. Position j of sequence l is source value rev_m(j) stride + l
// from src.
// The sequences are transforms of the given order (>= m; the blocked 1024-point transform has
// 2^8 positions per lane of its 512-point leaves and runs their passes up to span 32).
template <bool kInv, class Source>
void BatchPasses(const Quads& q, int m, int order, const Source& src, int64_t base,
                 int64_t stride, const double* const* rows, const double* table, int64_t tableN,
                 int64_t lastL) {
  const bool odd = (order & 1) != 0;
  if (odd) BatchFront<kInv, 8>(q, m, src, base, stride, rows, table, tableN);
  else if (m >= 4) BatchFront<kInv, 16>(q, m, src, base, stride, rows, table, tableN);
  else BatchFront<kInv, 4>(q, m, src, base, stride, rows, table, tableN);
  const int64_t M = int64_t{1} << m;
  for (int64_t L = odd ? 8 : 16; L <= lastL; L *= 4)
    QuadPass<kInv>(q, M, L, table, tableN / (4 * L));
}

HWY_INLINE void ScaleQuad(Quad& x, const double* scale) {
  if (!scale) return;
  const DF df;
  const VF f = hn::Set(df, *scale);
  for (int i = 0; i < kS; ++i) x.v[i] = hn::Mul(x.v[i], f);
}

// The last pass (span M = N/4) of a transform of order n = 4..9 on the columns c0 .. c0 + 3:
// the quads of positions c0 .. c0 + 3 (lanes: the quarters rev2(l)) transposed, so that the
// lanes are the columns, their factors from the prepared copy (wr in both lanes, then -wi and
// wi, for w^q, w^2q and w^3q), scaled and stored in natural order.
template <bool kInv>
HWY_INLINE void LastPassColumns(const Quad* in, double* dst, int64_t M, int64_t c0,
                                const double* lastPass, const double* scale) {
  const DF df;
  Quad t[4], o[4];
  Transpose(in, t);
  const double* w = lastPass + 12 * c0;
  for (int i = 0; i < kS; ++i) {
    VF x0 = t[0].v[i], x1 = t[2].v[i], x2 = t[1].v[i], x3 = t[3].v[i];
    const double* wi = w + 2 * kC * i;
    const Factor w1{hn::LoadU(df, wi), hn::LoadU(df, wi + 8)};
    const Factor w2{hn::LoadU(df, wi + 16), hn::LoadU(df, wi + 24)};
    const Factor w3{hn::LoadU(df, wi + 32), hn::LoadU(df, wi + 40)};
    VF y1 = Twiddle<kInv>(x1, w2), y2 = Twiddle<kInv>(x2, w1), y3 = Twiddle<kInv>(x3, w3);
    if (c0 == 0 && i == 0) {  // column 0 is not multiplied
      const auto first = hn::FirstN(df, 2);
      y1 = hn::IfThenElse(first, x1, y1);
      y2 = hn::IfThenElse(first, x2, y2);
      y3 = hn::IfThenElse(first, x3, y3);
    }
    Butterfly4<kInv>(x0, y1, y2, y3);
    o[0].v[i] = x0;
    o[1].v[i] = y1;
    o[2].v[i] = y2;
    o[3].v[i] = y3;
  }
  for (int Q = 0; Q < 4; ++Q) {
    ScaleQuad(o[Q], scale);
    StoreQuad(o[Q], dst + 2 * (Q * M + c0));
  }
}

// Orders 4..6 (M = 4, 8, 16 quads) in registers: the quads straight from the source, the first
// passes, the last pass.
template <bool kInv, int kM, class Source>
void SmallWhole(const Source& src, double* dst, const double* table, const double* lastPass,
                const double* scale) {
  constexpr int kMb = kM == 16 ? 4 : (kM == 8 ? 3 : 2);
  const Front<kInv, kM> front(table, 4 * kM);
  Quad x[kM];
  for (int j = 0; j < kM; ++j)
    for (int i = 0; i < kS; ++i)
      x[j].v[i] = (j & 1) ? src.template At<true>(4 * Reverse(j, kMb), i)
                          : src.template At<false>(4 * Reverse(j, kMb), i);
  for (int i = 0; i < kS; ++i) {
    VF y[kM];
    for (int j = 0; j < kM; ++j) y[j] = x[j].v[i];
    front(y);
    for (int j = 0; j < kM; ++j) x[j].v[i] = y[j];
  }
  for (int c0 = 0; c0 < kM; c0 += 4) LastPassColumns<kInv>(x + c0, dst, kM, c0, lastPass, scale);
}

// The transform of order n = 4..9: the quarters as a batch in an aligned buffer on the stack
// (so src may be dst), then the last pass on four columns at a time.
template <bool kInv, class Source>
void Radix4WholeT(const Source& src, double* dst, int n, const double* table,
                  const double* lastPass, const double* scale) {
  const int64_t N = int64_t{1} << n, M = N / 4;
  if (n == 4) return SmallWhole<kInv, 4>(src, dst, table, lastPass, scale);
  if (n == 5) return SmallWhole<kInv, 8>(src, dst, table, lastPass, scale);
  if (n == 6) return SmallWhole<kInv, 16>(src, dst, table, lastPass, scale);
  alignas(64) double batch[2 * 512];
  const Quads q{{batch, batch + 2 * M, batch + 4 * M, batch + 6 * M}, 8};
  BatchPasses<kInv>(q, n - 2, n - 2, src, 0, 4, nullptr, table, N, M / 4);
  for (int64_t c0 = 0; c0 < M; c0 += 4) {
    Quad in[4];
    for (int r = 0; r < 4; ++r) in[r] = LoadQuad(q.rows[r] + 2 * c0);
    LastPassColumns<kInv>(in, dst, M, c0, lastPass, scale);
  }
}
void Radix4Whole(const double* src, double* dst, int n, const double* table,
                 const double* lastPass, const double* scale, const RealPre* pre, bool inverse) {
  if (pre) {
    Radix4WholeT<true>(PreSource{pre}, dst, n, table, lastPass, scale);
  } else if (inverse) {
    Radix4WholeT<true>(PlainSource{src}, dst, n, table, lastPass, scale);
  } else {
    Radix4WholeT<false>(PlainSource{src}, dst, n, table, lastPass, scale);
  }
}

// The leaves of a split level at depth 0 (order m = n - k, 8 or 9), four at a time in an
// aligned batch on the stack; the last pass of each batch (span M/4) computes four columns,
// transposes them so that the lanes are positions, scales and stores them in the leaves' rows.
template <bool kInv, class Source>
void SplitLeavesT(const Source& src, double* dst, int n, int k, const double* table,
                  const double* scale, bool permuted) {
  const int m = n - k;
  const int64_t K = int64_t{1} << k, M = int64_t{1} << m, L = M / 4;
  alignas(64) double batch[2 * 4 * 512];
  const Quads q{{batch, batch + 2 * M, batch + 4 * M, batch + 6 * M}, 8};
  for (int64_t a = 0; a < K / 4; ++a) {
    double* leaf[4];
    for (int l = 0; l < 4; ++l) leaf[l] = dst + 2 * Reverse(4 * a + l, k) * M;
    BatchPasses<kInv>(q, m, m, src, 4 * a, K, permuted ? leaf : nullptr, table, M, L / 4);
    for (int64_t c0 = 0; c0 < L; c0 += 4) {
      Quad o[4][4];  // [quarter][column]
      for (int r = 0; r < 4; ++r) {
        const int64_t c = c0 + r;
        const double* p = q.rows[r] + 2 * c0;
        Factor w[3];
        if (c > 0) SplatTriple(table + 6 * c, w);
        for (int i = 0; i < kS; ++i) {
          VF& x0 = o[0][r].v[i];
          VF& x1 = o[1][r].v[i];
          VF& x2 = o[2][r].v[i];
          VF& x3 = o[3][r].v[i];
          if (c == 0) ButterflyAt<kInv, true>(p + 2 * kC * i, 2 * L, w, x0, x1, x2, x3);
          else ButterflyAt<kInv, false>(p + 2 * kC * i, 2 * L, w, x0, x1, x2, x3);
        }
      }
      for (int Q = 0; Q < 4; ++Q) {
        Quad t[4];
        Transpose(o[Q], t);
        for (int l = 0; l < 4; ++l) {
          ScaleQuad(t[l], scale);
          StoreQuad(t[l], leaf[l] + 2 * (Q * L + c0));
        }
      }
    }
  }
}
void SplitLeaves(const double* src, double* dst, int n, int k, const double* table,
                 const double* scale, bool permuted, const RealPre* pre, bool inverse) {
  if (pre) {
    SplitLeavesT<true>(PreSource{pre}, dst, n, k, table, scale, false);
  } else if (inverse) {
    SplitLeavesT<true>(PlainSource{src}, dst, n, k, table, scale, permuted);
  } else {
    SplitLeavesT<false>(PlainSource{src}, dst, n, k, table, scale, permuted);
  }
}

// The last pass of the column transforms at position c for the quad columns b0 .. b0 + kNb - 1
// of the tile, stored into the four rows c + Q L, kNb consecutive quads each.
template <bool kInv, int kNb>
HWY_INLINE void LastColumnRows(const double* tile, int64_t K, int64_t c, const Factor* w,
                               double* base, int64_t M, int64_t b0) {
  const DF df;
  const int64_t L = K / 4;
  VF o[4][kNb][kS];
  for (int b = 0; b < kNb; ++b)
    for (int i = 0; i < kS; ++i) {
      const double* e = tile + 8 * (K * (b0 + b) + c) + 2 * kC * i;
      if (c == 0) ButterflyAt<kInv, true>(e, 8 * L, w, o[0][b][i], o[1][b][i], o[2][b][i], o[3][b][i]);
      else ButterflyAt<kInv, false>(e, 8 * L, w, o[0][b][i], o[1][b][i], o[2][b][i], o[3][b][i]);
    }
  for (int Q = 0; Q < 4; ++Q) {
    double* row = base + 2 * (c + Q * L) * M + 8 * b0;
    for (int b = 0; b < kNb; ++b)
      for (int i = 0; i < kS; ++i) hn::StoreU(o[Q][b][i], df, row + 8 * b + 2 * kC * i);
  }
}

// The column pass of a split level with the columns in the lanes, W columns at a time (a
// tile of K rows: W / 4 quads per row, quad column b of the tile at tile + 8 K b, row p of it
// at + 8 p). Rows lie a power of two apart, so that the quads of one column of every row fall
// into one set of the first-level cache; stores into such lines one after the other wait for
// each other, while a row's consecutive quads go to different sets. So the tile is loaded row
// by row, each quad column multiplied by its column factors and put through the first passes
// and the middle ones in place, and the last pass stores the rows of the tile row by row.
template <bool kInv, int kGs>
void SplitColumnsT(double* d, int n, int k, const double* columns, const double* radix4,
                   double* tile, int64_t W) {
  const DF df;
  const int64_t K = int64_t{1} << k, M = int64_t{1} << (n - k), L = K / 4, B = W / 4;
  const Front<kInv, kGs> front(radix4, K);
  for (int64_t q0 = 0; q0 < M; q0 += W) {
    double* base = d + 2 * q0;
    for (int64_t p = 0; p < K; ++p)
      for (int64_t b = 0; b < B; ++b)
        StoreQuad(LoadQuad(base + 2 * p * M + 8 * b), tile + 8 * (K * b + p));
    for (int64_t b = 0; b < B; ++b) {
      double* col = tile + 8 * K * b;
      const double* cols = columns + 2 * K * (q0 + 4 * b);
      for (int64_t g = 0; g < K; g += kGs) {
        for (int i = 0; i < kS; ++i) {
          VF x[kGs];
          double* e = col + 8 * g + 2 * kC * i;
          for (int t = 0; t < kGs; ++t)
            x[t] = Twiddle<kInv>(hn::LoadU(df, e + 8 * t),
                            PerLane(hn::LoadU(df, cols + 8 * (g + t) + 2 * kC * i)));
          front(x);
          for (int t = 0; t < kGs; ++t) hn::StoreU(x[t], df, e + 8 * t);
        }
      }
      if (K == kGs) continue;  // the first passes were the whole transform
      const Quads flat{{col, col + 8, col + 16, col + 24}, 32};
      for (int64_t span = kGs == 8 ? 8 : 16; 4 * span < K; span *= 4)
        QuadPass<kInv>(flat, K, span, radix4, K / (4 * span));
    }
    if (K == kGs) {  // rows straight out of the tile
      for (int64_t p = 0; p < K; ++p)
        for (int64_t b = 0; b < B; ++b)
          StoreQuad(LoadQuad(tile + 8 * (K * b + p)), base + 2 * p * M + 8 * b);
      continue;
    }
    for (int64_t c = 0; c < L; ++c) {
      Factor w[3];
      if (c > 0) SplatTriple(radix4 + 6 * c, w);
      if (B == 1) {
        LastColumnRows<kInv, 1>(tile, K, c, w, base, M, 0);
      } else if (B == 2) {
        LastColumnRows<kInv, 2>(tile, K, c, w, base, M, 0);
      } else {
        for (int64_t b0 = 0; b0 < B; b0 += 4) LastColumnRows<kInv, 4>(tile, K, c, w, base, M, b0);
      }
    }
  }
}

// ---- The blocked transforms of 1024 and 2048 points ----
//
// Their 512-point leaves (the blocks) lie in the lanes: for 2048 points the four blocks
// rev2(l), for 1024 points block l & 1 and half l >> 1 of it (256 positions per lane, the
// source values 4 rev_8(j) + l, as for a radix-4 transform of order 10). The leaves' passes
// run on the batch, then one sweep does the rest on four columns at a time, transposed so that
// the lanes are positions: the 1024-point leaves' last pass (its factors from the copy after
// the block twiddles), the scaling, and the radix-2 combining passes with factors of the
// block-twiddle table t: u = B[k] t[k s] for k < L/2, B[k] (-j t[(k - L/2) s]) beyond (the
// conjugates and +j inverse), A[k] + u and A[k] - u.

// The combining factors of positions k = k0 .. k0 + 3 (one per lane) have their table entries
// at t (step 1) or t, t + 2, t + 4, t + 6 (step 2).
template <int kStep>
HWY_INLINE VF CombineEntries(const double* t, int i) {
  const DF df;
  if constexpr (kStep == 1 || kC == 1) {
    return hn::LoadU(df, t + 2 * kStep * kC * i);
  } else {
#if HWY_TARGET <= HWY_AVX3
    (void)i;
    return VF{_mm512_shuffle_f64x2(hn::LoadU(df, t).raw, hn::LoadU(df, t + 8).raw, 0x88)};
#else
    const double* e = t + 8 * i;  // entries 4i and 4i + 2 (two complex values per vector)
    return hn::ConcatLowerLower(df, hn::LoadU(df, e + 4), hn::LoadU(df, e));
#endif
  }
}

// u = f b, then a + u and a - u.
template <bool kInv, bool kSecond>
HWY_INLINE void Combine(VF& a, VF& b, const Factor& f) {
  const VF u = Twiddle<kInv && !kSecond>(b, f);
  b = hn::Sub(a, u);
  a = hn::Add(a, u);
}

template <bool kInv, class Source>
void Blocked2048(const Source& src, double* dst, const double* leafTable,
                 const double* blockTable, const double* scale) {
  static constexpr int64_t kRev2[4] = {0, 2, 1, 3};
  const DF df;
  const int64_t M = 512;
  alignas(64) double batch[2 * 4 * M];
  const Quads q{{batch, batch + 2 * M, batch + 4 * M, batch + 6 * M}, 8};
  BatchPasses<kInv>(q, 9, 9, src, 0, 4, nullptr, leafTable, M, M / 4);
  for (int64_t c0 = 0; c0 < M; c0 += 4) {
    Quad in[4], t[4];
    for (int r = 0; r < 4; ++r) in[r] = LoadQuad(q.rows[r] + 2 * c0);
    Transpose(in, t);  // t[l]: positions c0.. of the block rev2(l)
    const bool second = c0 >= M / 2;
    const double* t1 = blockTable + 4 * (second ? c0 - M / 2 : c0);  // span 512: step 2
    const double* t2 = blockTable + 2 * c0;                          // span 1024: step 1
    for (int i = 0; i < kS; ++i) {
      VF x[4];
      for (int b = 0; b < 4; ++b) {
        x[b] = t[kRev2[b]].v[i];
        if (scale) x[b] = hn::Mul(x[b], hn::Set(df, *scale));
      }
      const VF e1 = CombineEntries<2>(t1, i);
      if (second) {
        const Factor f = CombineFactor<kInv, true>(e1);
        Combine<kInv, true>(x[0], x[1], f);
        Combine<kInv, true>(x[2], x[3], f);
      } else {
        const Factor f = CombineFactor<kInv, false>(e1);
        Combine<kInv, false>(x[0], x[1], f);
        Combine<kInv, false>(x[2], x[3], f);
      }
      const VF e2 = CombineEntries<1>(t2, i);
      Combine<kInv, false>(x[0], x[2], CombineFactor<kInv, false>(e2));
      Combine<kInv, true>(x[1], x[3], CombineFactor<kInv, true>(e2));
      for (int b = 0; b < 4; ++b) hn::StoreU(x[b], df, dst + 2 * (b * M + c0) + 2 * kC * i);
    }
  }
}

template <bool kInv, class Source>
void Blocked1024(const Source& src, double* dst, const double* leafTable, const double* leafLast,
                 const double* blockTable, const double* scale) {
  const DF df;
  const int64_t M = 256;  // positions per lane
  alignas(64) double batch[2 * 4 * M];
  const Quads q{{batch, batch + 2 * M, batch + 4 * M, batch + 6 * M}, 8};
  BatchPasses<kInv>(q, 8, 9, src, 0, 4, nullptr, leafTable, 512, 32);
  const auto first = hn::FirstN(df, 2);
  for (int64_t c0 = 0; c0 < 128; c0 += 4) {
    Quad a[4], b[4], ta[4], tb[4];
    for (int r = 0; r < 4; ++r) {
      a[r] = LoadQuad(q.rows[r] + 2 * c0);
      b[r] = LoadQuad(q.rows[r] + 2 * (c0 + 128));
    }
    Transpose(a, ta);  // ta[l], tb[l]: positions c0.., c0 + 128.. of half l >> 1 of block l & 1
    Transpose(b, tb);
    const double* w = leafLast + 12 * c0;
    for (int i = 0; i < kS; ++i) {
      const double* wi = w + 2 * kC * i;
      const Factor w1{hn::LoadU(df, wi), hn::LoadU(df, wi + 8)};
      const Factor w2{hn::LoadU(df, wi + 16), hn::LoadU(df, wi + 24)};
      const Factor w3{hn::LoadU(df, wi + 32), hn::LoadU(df, wi + 40)};
      VF o[2][4];  // [block][quarter of the leaf]
      for (int blk = 0; blk < 2; ++blk) {
        VF x0 = ta[blk].v[i], x1 = tb[blk].v[i], x2 = ta[blk + 2].v[i], x3 = tb[blk + 2].v[i];
        VF y1 = Twiddle<kInv>(x1, w2), y2 = Twiddle<kInv>(x2, w1), y3 = Twiddle<kInv>(x3, w3);
        if (c0 == 0 && i == 0) {
          y1 = hn::IfThenElse(first, x1, y1);
          y2 = hn::IfThenElse(first, x2, y2);
          y3 = hn::IfThenElse(first, x3, y3);
        }
        Butterfly4<kInv>(x0, y1, y2, y3);
        o[blk][0] = x0;
        o[blk][1] = y1;
        o[blk][2] = y2;
        o[blk][3] = y3;
        if (scale)
          for (int Q = 0; Q < 4; ++Q) o[blk][Q] = hn::Mul(o[blk][Q], hn::Set(df, *scale));
      }
      for (int Q = 0; Q < 4; ++Q) {  // positions p = c0 + 128 Q of both blocks
        const int64_t p = c0 + 128 * Q;
        if (Q < 2) Combine<kInv, false>(o[0][Q], o[1][Q], CombineFactor<kInv, false>(
                                                              CombineEntries<1>(blockTable + 2 * p, i)));
        else Combine<kInv, true>(o[0][Q], o[1][Q], CombineFactor<kInv, true>(
                                                       CombineEntries<1>(blockTable + 2 * (p - 256), i)));
        hn::StoreU(o[0][Q], df, dst + 2 * p + 2 * kC * i);
        hn::StoreU(o[1][Q], df, dst + 2 * (512 + p) + 2 * kC * i);
      }
    }
  }
}

void Blocked(const double* src, double* dst, int n, const double* leafTable,
             const double* leafLast, const double* blockTable, const double* scale,
             const RealPre* pre, bool inverse) {
  if (n == 11) {
    if (pre) Blocked2048<true>(PreSource{pre}, dst, leafTable, blockTable, scale);
    else if (inverse) Blocked2048<true>(PlainSource{src}, dst, leafTable, blockTable, scale);
    else Blocked2048<false>(PlainSource{src}, dst, leafTable, blockTable, scale);
  } else {
    if (pre) {
      Blocked1024<true>(PreSource{pre}, dst, leafTable, leafLast, blockTable, scale);
    } else if (inverse) {
      Blocked1024<true>(PlainSource{src}, dst, leafTable, leafLast, blockTable, scale);
    } else {
      Blocked1024<false>(PlainSource{src}, dst, leafTable, leafLast, blockTable, scale);
    }
  }
}

// The tile: up to kTileBytes on the stack (W = 32, 16 or 8 columns for K <= 128), or the
// work buffer itself (W = 4).
constexpr int64_t kTileBytes = int64_t{1} << 15;

void SplitColumns(double* d, int n, int k, const double* columns, const double* radix4,
                  double* work, bool inverse) {
  const int64_t K = int64_t{1} << k;
  int64_t W = kTileBytes / (16 * K);
  if (W > 32) W = 32;
  HWY_ALIGN double stack[kTileBytes / 8];
  double* tile = stack;
  if (W < 8) {
    W = 4;
    tile = work;
  }
  if (k & 1) {
    if (inverse) SplitColumnsT<true, 8>(d, n, k, columns, radix4, tile, W);
    else SplitColumnsT<false, 8>(d, n, k, columns, radix4, tile, W);
  } else {
    if (inverse) SplitColumnsT<true, 16>(d, n, k, columns, radix4, tile, W);
    else SplitColumnsT<false, 16>(d, n, k, columns, radix4, tile, W);
  }
}

const Kernels* TargetKernels() {
  static const Kernels k{&FirstPass,          &FirstPassOdd, &Radix4Pass,  &Radix2Chunk,
                         &ScaleBlocks,        &BitRevCopyTiles, &BitRevInPlaceTiles,
                         &Radix4Whole,        &SplitLeaves,  &SplitColumns, &Blocked};
  return &k;
}

#else  // one lane holds no complex value: the plain passes run

const Kernels* TargetKernels() {
  static const Kernels k{nullptr, nullptr, nullptr, nullptr, &ScaleBlocks, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr};
  return &k;
}

#endif

}  // namespace HWY_NAMESPACE
}  // namespace builtin::fft
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::fft {

HWY_EXPORT(TargetKernels);

const Kernels& VectorKernels() { return *HWY_DYNAMIC_DISPATCH(TargetKernels)(); }

}  // namespace builtin::fft
#endif  // HWY_ONCE
