// The FFT engine's vector pass kernels (the first passes, the radix-4 passes, the radix-2
// combining passes, the scaling) and the kernel table of every Highway target, chosen at run
// time; the table's other entries come from the units beside this one (FftEngineHwy-inl.h).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/signal/FftEnginePassesHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/signal/FftEngineHwy-inl.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::fft {
namespace HWY_NAMESPACE {

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

const Kernels* TargetKernels() {
  static const Kernels k{&FirstPass,       &FirstPassOdd,       &Radix4Pass,  &Radix2Chunk,
                         &ScaleBlocks,     &BitRevCopyTiles,    &BitRevInPlaceTiles,
                         &Radix4Whole,     &SplitLeaves,        &SplitColumns, &Blocked};
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
