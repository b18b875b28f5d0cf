// The FFT engine's fused vector transforms, for every Highway target: the whole transform of
// orders 4..9 and the leaves of a split level, each from its source through batches of four
// sequences (FftEngineHwy-inl.h) with the permutation folded into the loads, and the column
// pass of a split level in tiles of rows.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/signal/FftEngineFusedHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/signal/FftEngineHwy-inl.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::fft {
namespace HWY_NAMESPACE {

#if HWY_TARGET != HWY_SCALAR

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

#endif  // HWY_TARGET != HWY_SCALAR

}  // namespace HWY_NAMESPACE
}  // namespace builtin::fft
HWY_AFTER_NAMESPACE();
