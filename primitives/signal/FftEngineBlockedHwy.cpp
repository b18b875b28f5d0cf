// The FFT engine's blocked vector transforms of 1024 and 2048 points, for every Highway
// target: the 512-point leaves as a batch of four sequences (FftEngineHwy-inl.h), then the
// leaves' last pass, the scaling and the radix-2 combining passes in one sweep.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/signal/FftEngineBlockedHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/signal/FftEngineHwy-inl.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::fft {
namespace HWY_NAMESPACE {

#if HWY_TARGET != HWY_SCALAR

// The 512-point leaves (the blocks) lie in the lanes: for 2048 points the four blocks
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

#endif  // HWY_TARGET != HWY_SCALAR

}  // namespace HWY_NAMESPACE
}  // namespace builtin::fft
HWY_AFTER_NAMESPACE();
