// The vector FFT engine's shared parts, included once per Highway target by each of its units:
// the complex arithmetic (a complex value is one 128-bit block, real part in the even lane; each
// lane performs the plain pass's float64 operations in the same order, so the bits agree), the
// batches of four sequences that the fused and the blocked transforms run their first passes
// on, and the entry points of the units, which FftEnginePassesHwy.cpp gathers into the
// target's kernel table:
//   FftEnginePassesHwy.cpp      the pass kernels of the radix-4 kernel and the radix-2 passes;
//   FftEngineBitReverseHwy.cpp  the bit-reversal permutations in 4 x 4 tiles;
//   FftEngineFusedHwy.cpp       the whole transforms of orders 4..9, the leaves and the column
//                               pass of a split level;
//   FftEngineBlockedHwy.cpp     the blocked transforms of 1024 and 2048 points.
#if defined(PF_SIGNAL_FFT_ENGINE_HWY_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef PF_SIGNAL_FFT_ENGINE_HWY_INL_H_
#undef PF_SIGNAL_FFT_ENGINE_HWY_INL_H_
#else
#define PF_SIGNAL_FFT_ENGINE_HWY_INL_H_
#endif

#include <hwy/highway.h>

#include <cstdint>
#include <utility>

#include "primitives/signal/FftEngineKernels.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::fft {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<double>;
using VF = hn::Vec<DF>;

// Multiplies whole vectors of values from the start; returns how many it did (every target).
int64_t ScaleBlocks(double factor, double* d, int64_t count);

#if HWY_TARGET != HWY_SCALAR

// The entry points of the kernel table (FftEngineKernels.h), by unit.
void FirstPass(double* d, int64_t N, bool inverse);
void FirstPassOdd(double* d, int64_t N, double v, bool inverse);
void Radix4Pass(double* d, int64_t N, int64_t total, int64_t L, const double* table,
                bool inverse);
void Radix2Chunk(double* d, int64_t N, int64_t L, int64_t k0, const double* table, bool inverse);
void BitRevCopyTiles(const double* s, double* d, int n);
void BitRevInPlaceTiles(double* d, int n);
void Radix4Whole(const double* src, double* dst, int n, const double* table,
                 const double* lastPass, const double* scale, const RealPre* pre, bool inverse);
void SplitLeaves(const double* src, double* dst, int n, int k, const double* table,
                 const double* scale, bool permuted, const RealPre* pre, bool inverse);
void SplitColumns(double* d, int n, int k, const double* columns, const double* radix4,
                  double* work, bool inverse);
void Blocked(const double* src, double* dst, int n, const double* leafTable,
             const double* leafLast, const double* blockTable, const double* scale,
             const RealPre* pre, bool inverse);

// ---- Complex arithmetic ---------------------------------------------------------------------
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

// ---- Batches of four sequences -------------------------------------------------------------
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

#endif  // HWY_TARGET != HWY_SCALAR

}  // namespace HWY_NAMESPACE
}  // namespace builtin::fft
HWY_AFTER_NAMESPACE();

#endif  // PF_SIGNAL_FFT_ENGINE_HWY_INL_H_
