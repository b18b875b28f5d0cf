// Vector blocks of the fills and the conversions, compiled for every instruction set that
// Highway targets and chosen at run time. Each lane gives the plain loop's value
// (FillCopy.cpp): the same float64 product x * w, then the saturation and rounding, which the
// x86 targets leave to the processor's own conversion after one clamp and the generic target
// takes step by step (the reasons are at each function).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/signal/FillCopyHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "primitives/signal/FillCopyKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::fillcopy {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<double>;
using VF = hn::Vec<DF>;

HWY_INLINE VF LoadAt(DF df, const uint8_t* s, size_t i) {
  return hn::LoadU(df, reinterpret_cast<const double*>(s + 8 * i));
}

// y = x * w; y >= 2^31 - 1 gives INT32_MAX, y not above -2^31 (NaN too) INT32_MIN; otherwise y
// rounded (nearest: (y + 1.5 * 2^52) - 1.5 * 2^52, exact ties to even for |y| < 2^51) or
// truncated.
//
// On x86 the processor's own conversion gives exactly that after one clamp: min(2^31 - 1, y)
// keeps a NaN (minpd returns its second operand then) and takes every y >= 2^31 - 1 to
// 2^31 - 1; the conversion rounds in the current mode (nearest, ties to even, as the shifter
// does; the primitives never change the mode) or truncates, and gives INT32_MIN for a NaN and
// for every value whose rounding leaves int32, which below -2^31 is the plain loop's INT32_MIN.
// A y in (-2^31 - 1, -2^31] whose rounding is -2^31 gives INT32_MIN as well. Everywhere else
// the rounding of y lies in int32 and both paths give it.
//
// The generic form rounds in float64 (the truncation too: the scalar target's conversion
// saturates every value below -(2^31 - 1), though its truncation fits) and converts with
// Highway's saturating DemoteTo, after replacing NaN lanes by -2^31 (its clamp would take them
// to INT32_MAX). Rounding is monotone and both limits are integers, so a value rounds beyond a
// limit exactly when it lies there already (a huge y, where the shifter is inexact, stays
// huge with its sign).
template <bool kNearest, class DI>
HWY_INLINE hn::Vec<DI> RoundToInt32(DI di, VF y) {
#if HWY_TARGET <= HWY_AVX3
  (void)di;
  const __m512d c = _mm512_min_pd(_mm512_set1_pd(2147483647.0), y.raw);
  return hn::Vec<DI>{kNearest ? _mm512_cvtpd_epi32(c) : _mm512_cvttpd_epi32(c)};
#elif HWY_TARGET == HWY_AVX2
  (void)di;
  const __m256d c = _mm256_min_pd(_mm256_set1_pd(2147483647.0), y.raw);
  return hn::Vec<DI>{kNearest ? _mm256_cvtpd_epi32(c) : _mm256_cvttpd_epi32(c)};
#elif HWY_TARGET == HWY_SSE4 || HWY_TARGET == HWY_SSSE3
  (void)di;
  const __m128d c = _mm_min_pd(_mm_set1_pd(2147483647.0), y.raw);
  return hn::Vec<DI>{kNearest ? _mm_cvtpd_epi32(c) : _mm_cvttpd_epi32(c)};
#else
  const DF df;
  const VF shifter = hn::Set(df, 6755399441055744.0);
  const VF r = kNearest ? hn::Sub(hn::Add(y, shifter), shifter) : hn::Trunc(y);
  return hn::DemoteTo(di, hn::IfThenElse(hn::IsNaN(r), hn::Set(df, -2147483648.0), r));
#endif
}

template <bool kNearest>
HWY_INLINE size_t ToInt32Loop(const uint8_t* s, uint8_t* d, size_t n, double w) {
  const DF df;
  const hn::Rebind<int32_t, DF> di;
  const size_t N = hn::Lanes(df);
  const VF vw = hn::Set(df, w);
  size_t i = 0;
  for (; i + N <= n; i += N) {
    const VF y = hn::Mul(LoadAt(df, s, i), vw);
    hn::StoreU(RoundToInt32<kNearest>(di, y), di, reinterpret_cast<int32_t*>(d + 4 * i));
  }
  return i;
}

size_t ToInt32Blocks(const uint8_t* s, uint8_t* d, size_t n, double w, bool nearest) {
  return nearest ? ToInt32Loop<true>(s, d, n, w) : ToInt32Loop<false>(s, d, n, w);
}

// x >= L gives L, x not above -L (NaN too) gives -L, L the largest float32; the value in
// range rounds to float32 as the scalar conversion does (nearest). On x86 the clamp is
// min(max(x, -L), L): maxpd returns its second operand, -L, for a NaN, and the value it
// passes on is never NaN.
HWY_INLINE VF ClampToFloat32Range(DF df, VF x) {
  const VF limit = hn::Set(df, 3.4028234663852886e38), negLimit = hn::Neg(limit);
#if HWY_TARGET <= HWY_AVX3
  return VF{_mm512_min_pd(_mm512_max_pd(x.raw, negLimit.raw), limit.raw)};
#elif HWY_TARGET == HWY_AVX2
  return VF{_mm256_min_pd(_mm256_max_pd(x.raw, negLimit.raw), limit.raw)};
#elif HWY_TARGET == HWY_SSE4 || HWY_TARGET == HWY_SSSE3
  return VF{_mm_min_pd(_mm_max_pd(x.raw, negLimit.raw), limit.raw)};
#else
  const VF upper = hn::IfThenElse(hn::Ge(x, limit), limit, x);
  return hn::IfThenElse(hn::Gt(x, negLimit), upper, negLimit);
#endif
}

HWY_INLINE size_t ToFloat32Loop(const uint8_t* s, uint8_t* d, size_t n) {
  const DF df;
  const hn::Rebind<float, DF> d32;
  const size_t N = hn::Lanes(df);
  size_t i = 0;
  for (; i + N <= n; i += N) {
    const VF y = ClampToFloat32Range(df, LoadAt(df, s, i));
    hn::StoreU(hn::DemoteTo(d32, y), d32, reinterpret_cast<float*>(d + 4 * i));
  }
  return i;
}

// The processor's conversions, as the scalar ones do them: exact widenings (a signalling NaN
// of float32 comes out quiet either way) and int32 to float32 rounded in the current mode.
template <TConvert kKind>
HWY_INLINE size_t WidenLoop(const uint8_t* s, uint8_t* d, size_t n) {
  size_t i = 0;
  if constexpr (kKind == TConvert::Int32ToFloat32) {
    const hn::ScalableTag<float> df;
    const hn::RebindToSigned<decltype(df)> di;
    const size_t N = hn::Lanes(df);
    for (; i + N <= n; i += N)
      hn::StoreU(hn::ConvertTo(df, hn::LoadU(di, reinterpret_cast<const int32_t*>(s + 4 * i))), df,
                 reinterpret_cast<float*>(d + 4 * i));
  } else {
    using From = std::conditional_t<kKind == TConvert::Int32ToFloat64, int32_t, float>;
    const DF df;
    const hn::Rebind<From, DF> dfrom;
    const size_t N = hn::Lanes(df);
    for (; i + N <= n; i += N)
      hn::StoreU(hn::PromoteTo(df, hn::LoadU(dfrom, reinterpret_cast<const From*>(s + 4 * i))), df,
                 reinterpret_cast<double*>(d + 8 * i));
  }
  return i;
}

size_t ConvertBlocks(const uint8_t* s, uint8_t* d, size_t n, TConvert kind) {
  switch (kind) {
    case TConvert::Int32ToFloat64:
      return WidenLoop<TConvert::Int32ToFloat64>(s, d, n);
    case TConvert::Float32ToFloat64:
      return WidenLoop<TConvert::Float32ToFloat64>(s, d, n);
    case TConvert::Int32ToFloat32:
      return WidenLoop<TConvert::Int32ToFloat32>(s, d, n);
    case TConvert::Float64ToFloat32:
      return ToFloat32Loop(s, d, n);
  }
  return 0;
}

// The pattern repeated in every 128-bit block of a vector, four vectors a step. A target
// without whole 128-bit blocks (the scalar one) leaves the fill to the plain code.
size_t FillBlocks(uint8_t* d, size_t bytes, const uint8_t* pattern) {
  const hn::ScalableTag<uint8_t> du8;
  const size_t N = hn::Lanes(du8);
  if (N < 16) return 0;
  const auto v = hn::LoadDup128(du8, pattern);
  size_t i = 0;
  for (; i + 4 * N <= bytes; i += 4 * N) {
    hn::StoreU(v, du8, d + i);
    hn::StoreU(v, du8, d + i + N);
    hn::StoreU(v, du8, d + i + 2 * N);
    hn::StoreU(v, du8, d + i + 3 * N);
  }
  for (; i + N <= bytes; i += N) hn::StoreU(v, du8, d + i);
  return i;
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::fillcopy
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::fillcopy {

HWY_EXPORT(ToInt32Blocks);
HWY_EXPORT(FillBlocks);
HWY_EXPORT(ConvertBlocks);

ToInt32BlocksFn VectorToInt32Blocks() { return PF_HWY_DISPATCHED(ToInt32Blocks); }
FillBlocksFn VectorFillBlocks() { return PF_HWY_DISPATCHED(FillBlocks); }
ConvertBlocksFn VectorConvertBlocks() { return PF_HWY_DISPATCHED(ConvertBlocks); }

}  // namespace builtin::fillcopy
#endif  // HWY_ONCE
