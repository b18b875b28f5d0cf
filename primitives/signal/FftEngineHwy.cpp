// Vector passes of the FFT engine, compiled for every instruction set that Highway targets and
// chosen at run time. A complex value is one 128-bit block (real part in the even lane); each
// lane performs the plain pass's float64 operations in the same order, so the bits agree.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/signal/FftEngineHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/cache_control.h>
#include <hwy/highway.h>

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

// x * w: (xr*wr - xi*wi, xi*wr + xr*wi); x * conj(w): (xr*wr + xi*wi, xi*wr - xr*wi).
template <bool kInv, class D, class V>
HWY_INLINE V Twiddle(D d, V x, V w) {
  const V t1 = hn::Mul(x, hn::DupEven(w));
  const V t2 = hn::Mul(hn::Reverse2(d, x), hn::DupOdd(w));
  return kInv ? hn::OddEven(hn::Sub(t1, t2), hn::Add(t1, t2))
              : hn::OddEven(hn::Add(t1, t2), hn::Sub(t1, t2));
}
template <class D, class V>
HWY_INLINE V Mul(D d, V x, V w) {
  return Twiddle<false>(d, x, w);
}
// a - jb: (ar + bi, ai - br); a + jb: (ar - bi, ai + br).
template <class D, class V>
HWY_INLINE V SubJ(D d, V a, V b) {
  const V bs = hn::Reverse2(d, b);
  return hn::OddEven(hn::Sub(a, bs), hn::Add(a, bs));
}
template <class D, class V>
HWY_INLINE V AddJ(D d, V a, V b) {
  const V bs = hn::Reverse2(d, b);
  return hn::OddEven(hn::Add(a, bs), hn::Sub(a, bs));
}

template <bool kInv, class D, class V>
HWY_INLINE void Butterfly4(D d, V x0, V y1, V y2, V y3, V& o0, V& o1, V& o2, V& o3) {
  const V a = hn::Add(x0, y1), a2 = hn::Sub(x0, y1), b = hn::Add(y2, y3), b2 = hn::Sub(y2, y3);
  o0 = hn::Add(a, b);
  o2 = hn::Sub(a, b);
  o1 = kInv ? AddJ(d, a2, b2) : SubJ(d, a2, b2);
  o3 = kInv ? SubJ(d, a2, b2) : AddJ(d, a2, b2);
}

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
      hn::Vec<D2> o0, o1, o2, o3;
      Butterfly4<kInv>(d2, hn::ConcatLowerLower(d2, y01, x01), hn::ConcatUpperUpper(d2, y01, x01),
                       hn::ConcatLowerLower(d2, y23, x23), hn::ConcatUpperUpper(d2, y23, x23), o0,
                       o1, o2, o3);
      hn::StoreU(hn::ConcatLowerLower(d2, o1, o0), d2, p);
      hn::StoreU(hn::ConcatLowerLower(d2, o3, o2), d2, p + 4);
      hn::StoreU(hn::ConcatUpperUpper(d2, o1, o0), d2, p + 8);
      hn::StoreU(hn::ConcatUpperUpper(d2, o3, o2), d2, p + 12);
    }
  }
  for (; g < N; g += 4) {
    double* p = d + 2 * g;
    V1 o0, o1, o2, o3;
    Butterfly4<kInv>(d1, hn::LoadU(d1, p), hn::LoadU(d1, p + 2), hn::LoadU(d1, p + 4),
                     hn::LoadU(d1, p + 6), o0, o1, o2, o3);
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
HWY_INLINE void Radix2Group8(D1 d1, V1 w1, V1 w3, V1 x0, V1 x1, V1 x2, V1 x3, V1 x4, V1 x5, V1 x6,
                             V1 x7, double* p) {
  // -j x6 forward: (x6i, -x6r); +j x6 inverse: (-x6i, x6r).
  const V1 s6 = hn::Reverse2(d1, x6);
  const V1 y5 = Twiddle<kInv>(d1, x5, w1), y7 = Twiddle<kInv>(d1, x7, w3);
  const V1 y6 = kInv ? hn::OddEven(s6, hn::Neg(s6)) : hn::OddEven(hn::Neg(s6), s6);
  hn::StoreU(hn::Add(x0, x4), d1, p);
  hn::StoreU(hn::Add(x1, y5), d1, p + 2);
  hn::StoreU(hn::Add(x2, y6), d1, p + 4);
  hn::StoreU(hn::Add(x3, y7), d1, p + 6);
  hn::StoreU(hn::Sub(x0, x4), d1, p + 8);
  hn::StoreU(hn::Sub(x1, y5), d1, p + 10);
  hn::StoreU(hn::Sub(x2, y6), d1, p + 12);
  hn::StoreU(hn::Sub(x3, y7), d1, p + 14);
}

template <bool kInv>
void FirstPassOddT(double* d, int64_t N, double v) {
  const D1 d1;
  HWY_ALIGN const double f1[2] = {v, -v}, f3[2] = {-v, -v};
  const V1 w1 = hn::Load(d1, f1), w3 = hn::Load(d1, f3);
  int64_t g = 0;
  if constexpr (hn::MaxLanes(D2()) == 4) {
    // The two groups of four side by side in two-value vectors, then the radix-2 step on whole
    // halves: the value without a factor and the -j one are blended in from their own forms.
    const D2 d2;
    using V2 = hn::Vec<D2>;
    HWY_ALIGN const double f11[4] = {v, -v, v, -v}, f33[4] = {-v, -v, -v, -v};
    const V2 w11 = hn::Load(d2, f11), w33 = hn::Load(d2, f33);
    const auto first = hn::FirstN(d2, 2);
    for (; g < N; g += 8) {
      double* p = d + 2 * g;
      const V2 x01 = hn::LoadU(d2, p), x23 = hn::LoadU(d2, p + 4), x45 = hn::LoadU(d2, p + 8),
               x67 = hn::LoadU(d2, p + 12);
      V2 o0, o1, o2, o3;
      Butterfly4<kInv>(d2, hn::ConcatLowerLower(d2, x45, x01), hn::ConcatUpperUpper(d2, x45, x01),
                       hn::ConcatLowerLower(d2, x67, x23), hn::ConcatUpperUpper(d2, x67, x23), o0,
                       o1, o2, o3);
      const V2 a = hn::ConcatLowerLower(d2, o1, o0), b = hn::ConcatLowerLower(d2, o3, o2);
      const V2 c = hn::ConcatUpperUpper(d2, o1, o0), e = hn::ConcatUpperUpper(d2, o3, o2);
      const V2 es = hn::Reverse2(d2, e);
      const V2 ej = kInv ? hn::OddEven(es, hn::Neg(es)) : hn::OddEven(hn::Neg(es), es);
      const V2 y45 = hn::IfThenElse(first, c, Twiddle<kInv>(d2, c, w11));
      const V2 y67 = hn::IfThenElse(first, ej, Twiddle<kInv>(d2, e, w33));
      hn::StoreU(hn::Add(a, y45), d2, p);
      hn::StoreU(hn::Add(b, y67), d2, p + 4);
      hn::StoreU(hn::Sub(a, y45), d2, p + 8);
      hn::StoreU(hn::Sub(b, y67), d2, p + 12);
    }
  }
  for (; g < N; g += 8) {
    double* p = d + 2 * g;
    V1 x0, x1, x2, x3, x4, x5, x6, x7;
    Butterfly4<kInv>(d1, hn::LoadU(d1, p), hn::LoadU(d1, p + 2), hn::LoadU(d1, p + 4),
                     hn::LoadU(d1, p + 6), x0, x1, x2, x3);
    Butterfly4<kInv>(d1, hn::LoadU(d1, p + 8), hn::LoadU(d1, p + 10), hn::LoadU(d1, p + 12),
                     hn::LoadU(d1, p + 14), x4, x5, x6, x7);
    Radix2Group8<kInv>(d1, w1, w3, x0, x1, x2, x3, x4, x5, x6, x7, p);
  }
}
void FirstPassOdd(double* d, int64_t N, double v, bool inverse) {
  if (inverse) FirstPassOddT<true>(d, N, v);
  else FirstPassOddT<false>(d, N, v);
}

template <bool kInv>
void Radix2Pass8T(double* d, int64_t N, double v) {
  const D1 d1;
  HWY_ALIGN const double f1[2] = {v, -v}, f3[2] = {-v, -v};
  const V1 w1 = hn::Load(d1, f1), w3 = hn::Load(d1, f3);
  for (int64_t g = 0; g < N; g += 8) {
    double* p = d + 2 * g;
    Radix2Group8<kInv>(d1, w1, w3, hn::LoadU(d1, p), hn::LoadU(d1, p + 2), hn::LoadU(d1, p + 4),
                       hn::LoadU(d1, p + 6), hn::LoadU(d1, p + 8), hn::LoadU(d1, p + 10),
                       hn::LoadU(d1, p + 12), hn::LoadU(d1, p + 14), p);
  }
}
void Radix2Pass8(double* d, int64_t N, double v, bool inverse) {
  if (inverse) Radix2Pass8T<true>(d, N, v);
  else Radix2Pass8T<false>(d, N, v);
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
    const VF w1 = gather.At(w), w2 = gather.At(w + 2), w3 = gather.At(w + 4);
    for (int64_t g0 = 0; g0 < total; g0 += 4 * L) {
      double* g = d + 2 * (g0 + c0);
      const VF x0 = hn::LoadU(df, g), x1 = hn::LoadU(df, g + 2 * L),
               x2 = hn::LoadU(df, g + 4 * L), x3 = hn::LoadU(df, g + 6 * L);
      VF y1 = Twiddle<kInv>(df, x1, w2), y2 = Twiddle<kInv>(df, x2, w1),
         y3 = Twiddle<kInv>(df, x3, w3);
      if (c0 == 0) {
        y1 = hn::IfThenElse(column0, x1, y1);
        y2 = hn::IfThenElse(column0, x2, y2);
        y3 = hn::IfThenElse(column0, x3, y3);
      }
      VF o0, o1, o2, o3;
      Butterfly4<kInv>(df, x0, y1, y2, y3, o0, o1, o2, o3);
      hn::StoreU(o0, df, g);
      hn::StoreU(o1, df, g + 2 * L);
      hn::StoreU(o2, df, g + 4 * L);
      hn::StoreU(o3, df, g + 6 * L);
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
      const VF f = gather.At(table + 2 * k * stride);
      const VF u = Twiddle<kInv>(df, hn::LoadU(df, B + 2 * k), f);
      const VF a = hn::LoadU(df, A + 2 * k);
      hn::StoreU(hn::Add(a, u), df, A + 2 * k);
      hn::StoreU(hn::Sub(a, u), df, B + 2 * k);
    }
    for (int64_t k = k0; k < k0 + 64; k += C) {
      const VF t = gather.At(table + 2 * k * stride);
      // -j t forward: (ti, -tr); +j conj(t) inverse: (ti, tr).
      const VF ts = hn::Reverse2(df, t);
      const VF f = kInv ? ts : hn::OddEven(hn::Neg(ts), ts);
      const int64_t h = k + L / 2;
      const VF u = Mul(df, hn::LoadU(df, B + 2 * h), f);
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

// Stores the C complex values of v as 128-bit blocks `step` doubles apart.
template <class D>
HWY_INLINE void StoreBlocks(D d, hn::Vec<D> v, double* p, int64_t step) {
  if constexpr (hn::MaxLanes(D()) <= 2) {
    (void)step;
    hn::StoreU(v, d, p);
  } else {
    const hn::Half<D> dh;
    const int64_t half = static_cast<int64_t>(hn::MaxLanes(D())) / 4;
    StoreBlocks(dh, hn::LowerHalf(dh, v), p, step);
    StoreBlocks(dh, hn::UpperHalf(dh, v), p + half * step, step);
  }
}

template <bool kInv>
void GatherColumnsT(const double* d, int64_t M, int64_t K, int64_t q0, const double* columns,
                    double* rows) {
  const D2 df;
  const int64_t C = static_cast<int64_t>(hn::Lanes(df)) / 2;
  for (int64_t p = 0; p < K; ++p) {
    const double* src = d + 2 * (p * M + q0);
    const double* w = columns + 8 * p;
    for (int64_t c = 0; c < 4; c += C)
      StoreBlocks(df, Twiddle<kInv>(df, hn::LoadU(df, src + 2 * c), hn::LoadU(df, w + 2 * c)),
                  rows + 2 * (K * c + p), 2 * K);
  }
}
void GatherColumns(const double* d, int64_t M, int64_t K, int64_t q0, const double* columns,
                   double* rows, bool inverse) {
  if (inverse) GatherColumnsT<true>(d, M, K, q0, columns, rows);
  else GatherColumnsT<false>(d, M, K, q0, columns, rows);
}

void ScatterColumns(double* d, int64_t M, int64_t K, int64_t q0, const double* rows) {
  const D2 df;
  const int64_t C = static_cast<int64_t>(hn::Lanes(df)) / 2;
  for (int64_t t = 0; t < K; ++t) {
    double* dst = d + 2 * (t * M + q0);
    for (int64_t c = 0; c < 4; c += C)
      hn::StoreU(LoadBlocks(df, rows + 2 * (K * c + t), 2 * K), df, dst + 2 * c);
  }
}

template <bool kInv>
void ScatterGatherColumnsT(double* d, int64_t M, int64_t K, int64_t q0, const double* next,
                           double* rows) {
  const D2 df;
  const int64_t C = static_cast<int64_t>(hn::Lanes(df)) / 2;
  for (int64_t t = 0; t < K; ++t) {
    double* line = d + 2 * (t * M + q0);
    for (int64_t c = 0; c < 4; c += C)
      hn::StoreU(LoadBlocks(df, rows + 2 * (K * c + t), 2 * K), df, line + 2 * c);
    const double* w = next + 8 * t;
    for (int64_t c = 0; c < 4; c += C)
      StoreBlocks(df, Twiddle<kInv>(df, hn::LoadU(df, line + 8 + 2 * c), hn::LoadU(df, w + 2 * c)),
                  rows + 2 * (K * c + t), 2 * K);
  }
}
void ScatterGatherColumns(double* d, int64_t M, int64_t K, int64_t q0, const double* next,
                          double* rows, bool inverse) {
  if (inverse) ScatterGatherColumnsT<true>(d, M, K, q0, next, rows);
  else ScatterGatherColumnsT<false>(d, M, K, q0, next, rows);
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

const Kernels* TargetKernels() {
  static const Kernels k{&FirstPass,       &Radix2Pass8,        &FirstPassOdd,
                         &Radix4Pass,      &Radix2Chunk,        &ScaleBlocks,
                         &GatherColumns,   &ScatterColumns,     &ScatterGatherColumns,
                         &BitRevCopyTiles, &BitRevInPlaceTiles};
  return &k;
}

#else  // one lane holds no complex value: the plain passes run

const Kernels* TargetKernels() {
  static const Kernels k{nullptr, nullptr, nullptr, nullptr, nullptr, &ScaleBlocks,
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
