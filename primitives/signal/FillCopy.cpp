#include "primitives/signal/FillCopy.h"

#include <cmath>
#include <cstring>
#include <type_traits>

#include "primitives/signal/FillCopyKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace {

using rows::Bytes;
using rows::Load;
using rows::Store;

// The checks most members start with: the pointers in order, then the length.
IppStatus CheckVector(const void* p, int len) {
  if (!p) return ippStsNullPtrErr;
  return len < 1 ? ippStsSizeErr : ippStsNoErr;
}
IppStatus CheckVectors(const void* s, const void* d, int len) {
  if (!s || !d) return ippStsNullPtrErr;
  return len < 1 ? ippStsSizeErr : ippStsNoErr;
}

// A fill with the bit pattern of a value (so -0.0 and NaN payloads survive unchanged): whole
// vectors of the pattern repeated over 16 bytes, then the plain fill for the rest.
template <class Bits, class T>
IppStatus Fill(T value, T* pDst, int len) {
  if (IppStatus st = CheckVector(pDst, len)) return st;
  Bits bits;
  static_assert(sizeof bits == sizeof value && 16 % sizeof bits == 0);
  std::memcpy(&bits, &value, sizeof bits);
  uint8_t pattern[16];
  for (size_t k = 0; k < 16; k += sizeof bits) std::memcpy(pattern + k, &bits, sizeof bits);
  const int64_t bytes = int64_t{len} * int64_t{sizeof bits};
  const auto done = static_cast<int64_t>(
      fillcopy::VectorFillBlocks()(Bytes(pDst), static_cast<size_t>(bytes), pattern));
  fbFillElements<Bits>(Bytes(pDst) + done, bits, (bytes - done) / int64_t{sizeof bits});
  return ippStsNoErr;
}

template <class T>
IppStatus Zero(T* pDst, int len) {
  if (IppStatus st = CheckVector(pDst, len)) return st;
  fbZeroBytes(pDst, int64_t{len} * int64_t{sizeof(T)});
  return ippStsNoErr;
}

template <class T>
IppStatus Copy(const T* pSrc, T* pDst, int len) {
  if (IppStatus st = CheckVectors(pSrc, pDst, len)) return st;
  fbCopyBytes(pSrc, pDst, int64_t{len} * int64_t{sizeof(T)});
  return ippStsNoErr;
}

// d[i] = f(s[i]) for every element; the vectors may start at any address.
template <class S, class D, class F>
void MapElements(const S* pSrc, D* pDst, int len, F f) {
  const uint8_t* s = Bytes(pSrc);
  uint8_t* d = Bytes(pDst);
  for (ptrdiff_t i = 0; i < len; ++i) Store<D>(d, i, f(Load<S>(s, i)));
}

template <class S, class D, class F>
IppStatus Map(const S* pSrc, D* pDst, int len, F f) {
  if (IppStatus st = CheckVectors(pSrc, pDst, len)) return st;
  MapElements(pSrc, pDst, len, f);
  return ippStsNoErr;
}

// One element of the scaled conversions to int32: saturation, then rounding to nearest with
// ties to even (Nearest) or truncation through the x87-style helpers, which are in range
// here. F is double where the scaled value is exact in float64, long double otherwise.
template <bool Nearest, class F>
inline Ipp32s SaturatedInt32(F y) {
  constexpr F kMax = 2147483647.0, kMin = -2147483648.0;
  if (y >= kMax) return 2147483647;
  if (!(y > kMin)) return INT32_MIN;  // a NaN lands here too
  return Nearest ? fbRoundToInt32(y) : fbTruncToInt32(y);
}

// Scales every element by w and converts it, the rounding mode tested once. Kept out of line
// so that the float64 loop's constants stay in vector registers, apart from the x87 ones of
// the extended loop.
template <class S, class F>
[[gnu::noinline]] void ScaleToInt32(const S* pSrc, Ipp32s* pDst, int len, F w, IppRoundMode mode) {
  if (mode == ippRndNear)
    MapElements(pSrc, pDst, len, [w](S x) { return SaturatedInt32<true>(static_cast<F>(x) * w); });
  else
    MapElements(pSrc, pDst, len, [w](S x) { return SaturatedInt32<false>(static_cast<F>(x) * w); });
}

template <class S>
IppStatus ConvertToInt32(const S* pSrc, Ipp32s* pDst, int len, IppRoundMode mode, int scaleFactor) {
  if (IppStatus st = CheckVectors(pSrc, pDst, len)) return st;
  if (scaleFactor >= -1000 && scaleFactor <= 1000) {
    // x * 2^(-sf) is exact in float64 here unless it leaves the float64 range, where the
    // result is the same saturated or zero value as with a 64-bit significand.
    const double w = std::ldexp(1.0, -scaleFactor);
    if constexpr (std::is_same_v<S, double>)
      fillcopy::ScaleToInt32(Bytes(pSrc), Bytes(pDst), len, w, mode == ippRndNear,
                             fillcopy::VectorToInt32Blocks());
    else
      ScaleToInt32(pSrc, pDst, len, w, mode);
    return ippStsNoErr;
  }
  // 2^(-scaleFactor) with a 64-bit significand, formed once and exactly. Beyond +-20000 the
  // power is 0 or infinity already, so the exponent is clamped there (this also keeps
  // -INT_MIN from overflowing).
  const long long exponent = -static_cast<long long>(scaleFactor);
  const int clamped =
      static_cast<int>(exponent > 20000 ? 20000 : (exponent < -20000 ? -20000 : exponent));
  ScaleToInt32(pSrc, pDst, len, std::ldexp(1.0L, clamped), mode);
  return ippStsNoErr;
}

// d[i] = (re(i), im(i)): the complex element is its real part, then its imaginary part.
template <class R, class Re, class Im>
void Interleave(uint8_t* d, int len, Re re, Im im) {
  for (ptrdiff_t i = 0; i < len; ++i) {
    Store<R>(d, 2 * i, re(i));
    Store<R>(d, 2 * i + 1, im(i));
  }
}

template <class R, class C>
IppStatus RealToCplx(const R* pSrcRe, const R* pSrcIm, C* pDst, int len) {
  static_assert(sizeof(C) == 2 * sizeof(R));
  if (IppStatus st = CheckVector(pDst, len)) return st;
  if (!pSrcRe && !pSrcIm) return ippStsNullPtrErr;
  // One loop per case, so that each is a plain loop the compiler vectorises.
  const uint8_t* re = Bytes(pSrcRe);
  const uint8_t* im = Bytes(pSrcIm);
  auto zero = [](ptrdiff_t) { return R(0); };
  auto real = [re](ptrdiff_t i) { return Load<R>(re, i); };
  auto imag = [im](ptrdiff_t i) { return Load<R>(im, i); };
  if (re && im)
    Interleave<R>(Bytes(pDst), len, real, imag);
  else if (re)
    Interleave<R>(Bytes(pDst), len, real, zero);
  else
    Interleave<R>(Bytes(pDst), len, zero, imag);
  return ippStsNoErr;
}

// Clamped to the finite float32 range, then rounded: kLimit is the largest float32 exactly;
// a NaN fails x > -kLimit and takes the lower limit.
struct ClampToFloat32 {
  Ipp32f operator()(Ipp64f x) const {
    constexpr Ipp64f kLimit = 3.4028234663852886e38;
    const Ipp64f upper = x >= kLimit ? kLimit : x;
    return static_cast<Ipp32f>(x > -kLimit ? upper : -kLimit);
  }
};
struct RealPart {
  Ipp64f operator()(const Ipp64fc& c) const { return c.re; }
};
struct ImagPart {
  Ipp64f operator()(const Ipp64fc& c) const { return c.im; }
};
struct SwapBytes16 {
  Ipp16u operator()(Ipp16u x) const { return static_cast<Ipp16u>((x << 8) | (x >> 8)); }
};
struct SwapBytes32 {
  Ipp32u operator()(Ipp32u x) const { return __builtin_bswap32(x); }
};

}  // namespace

namespace fillcopy {

void ScaleToInt32(const uint8_t* s, uint8_t* d, int64_t len, double w, bool nearest,
                  ToInt32BlocksFn blocks) {
  ptrdiff_t i = blocks && len > 0
                    ? static_cast<ptrdiff_t>(blocks(s, d, static_cast<size_t>(len), w, nearest))
                    : 0;
  if (nearest)
    for (; i < len; ++i) Store<Ipp32s>(d, i, SaturatedInt32<true>(Load<double>(s, i) * w));
  else
    for (; i < len; ++i) Store<Ipp32s>(d, i, SaturatedInt32<false>(Load<double>(s, i) * w));
}

void Convert(const uint8_t* s, uint8_t* d, int64_t len, TConvert kind, ConvertBlocksFn blocks) {
  ptrdiff_t i =
      blocks && len > 0 ? static_cast<ptrdiff_t>(blocks(s, d, static_cast<size_t>(len), kind)) : 0;
  switch (kind) {
    case TConvert::Int32ToFloat64:
      for (; i < len; ++i) Store<Ipp64f>(d, i, static_cast<Ipp64f>(Load<Ipp32s>(s, i)));
      break;
    case TConvert::Float32ToFloat64:
      for (; i < len; ++i) Store<Ipp64f>(d, i, static_cast<Ipp64f>(Load<Ipp32f>(s, i)));
      break;
    case TConvert::Int32ToFloat32:
      for (; i < len; ++i) Store<Ipp32f>(d, i, static_cast<Ipp32f>(Load<Ipp32s>(s, i)));
      break;
    case TConvert::Float64ToFloat32:
      for (; i < len; ++i) Store<Ipp32f>(d, i, ClampToFloat32{}(Load<double>(s, i)));
      break;
  }
}

}  // namespace fillcopy

// The fills: element type, the bits the value is stored as.
#define PF_FILL_COPY_SET_FORMS(X) \
  X(32s, uint32_t)                \
  X(32f, uint32_t)                \
  X(64f, uint64_t)                \
  X(64fc, Ipp64fc)
#define PF_FILL_COPY_DEFINE_SET(type, Bits)                           \
  IppStatus ippsSet_##type(Ipp##type val, Ipp##type* pDst, int len) { \
    return Fill<Bits>(val, pDst, len);                                \
  }
PF_FILL_COPY_SET_FORMS(PF_FILL_COPY_DEFINE_SET)
#undef PF_FILL_COPY_DEFINE_SET
#undef PF_FILL_COPY_SET_FORMS

// The zero fills: element type, engine (bytes have their own).
#define PF_FILL_COPY_ZERO_FORMS(X) \
  X(8u, fbZero8u)                  \
  X(16s, Zero)                     \
  X(32s, Zero)                     \
  X(32f, Zero)                     \
  X(64f, Zero)                     \
  X(64fc, Zero)
#define PF_FILL_COPY_DEFINE_ZERO(type, engine) \
  IppStatus ippsZero_##type(Ipp##type* pDst, int len) { return engine(pDst, len); }
PF_FILL_COPY_ZERO_FORMS(PF_FILL_COPY_DEFINE_ZERO)
#undef PF_FILL_COPY_DEFINE_ZERO
#undef PF_FILL_COPY_ZERO_FORMS

// The copies: element type, engine (bytes have their own).
#define PF_FILL_COPY_COPY_FORMS(X) \
  X(8u, fbCopy8u)                  \
  X(32f, Copy)                     \
  X(64f, Copy)
#define PF_FILL_COPY_DEFINE_COPY(type, engine)                                 \
  IppStatus ippsCopy_##type(const Ipp##type* pSrc, Ipp##type* pDst, int len) { \
    return engine(pSrc, pDst, len);                                            \
  }
PF_FILL_COPY_COPY_FORMS(PF_FILL_COPY_DEFINE_COPY)
#undef PF_FILL_COPY_DEFINE_COPY
#undef PF_FILL_COPY_COPY_FORMS

IppStatus ippsMove_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) {
  // The copy keeps overlapping vectors intact; the same address writes nothing.
  if (pSrc == pDst) return CheckVectors(pSrc, pDst, len);
  return Copy(pSrc, pDst, len);
}

// The element-wise forms d[i] = f(s[i]): name, source type, destination type, f.
#define PF_FILL_COPY_MAP_FORMS(X)         \
  X(Real_64fc, 64fc, 64f, RealPart)       \
  X(Imag_64fc, 64fc, 64f, ImagPart)       \
  X(SwapBytes_16u, 16u, 16u, SwapBytes16) \
  X(SwapBytes_32u, 32u, 32u, SwapBytes32)
#define PF_FILL_COPY_DEFINE_MAP(name, from, to, F)                      \
  IppStatus ipps##name(const Ipp##from* pSrc, Ipp##to* pDst, int len) { \
    return Map(pSrc, pDst, len, F{});                                   \
  }
PF_FILL_COPY_MAP_FORMS(PF_FILL_COPY_DEFINE_MAP)
#undef PF_FILL_COPY_DEFINE_MAP
#undef PF_FILL_COPY_MAP_FORMS

// The conversions without a scale: name, source type, destination type, kind.
#define PF_FILL_COPY_CONVERT_FORMS(X)           \
  X(Convert_32s64f, 32s, 64f, Int32ToFloat64)   \
  X(Convert_32f64f, 32f, 64f, Float32ToFloat64) \
  X(Convert_32s32f, 32s, 32f, Int32ToFloat32)   \
  X(Convert_64f32f, 64f, 32f, Float64ToFloat32)
#define PF_FILL_COPY_DEFINE_CONVERT(name, from, to, kind)                      \
  IppStatus ipps##name(const Ipp##from* pSrc, Ipp##to* pDst, int len) {        \
    if (IppStatus st = CheckVectors(pSrc, pDst, len)) return st;               \
    fillcopy::Convert(Bytes(pSrc), Bytes(pDst), len, fillcopy::TConvert::kind, \
                      fillcopy::VectorConvertBlocks());                        \
    return ippStsNoErr;                                                        \
  }
PF_FILL_COPY_CONVERT_FORMS(PF_FILL_COPY_DEFINE_CONVERT)
#undef PF_FILL_COPY_DEFINE_CONVERT
#undef PF_FILL_COPY_CONVERT_FORMS

IppStatus ippsConvert_16s64f_Sfs(const Ipp16s* pSrc, Ipp64f* pDst, int len, int scaleFactor) {
  if (scaleFactor == 0) return Map(pSrc, pDst, len, [](Ipp16s x) { return static_cast<Ipp64f>(x); });
  const int sf = scaleFactor < -1008 ? -1008 : (scaleFactor > 1022 ? 1022 : scaleFactor);
  const Ipp64f factor = std::ldexp(1.0, -sf);
  return Map(pSrc, pDst, len, [factor](Ipp16s x) { return static_cast<Ipp64f>(x) * factor; });
}

// The scaled conversions to int32: source type.
#define PF_FILL_COPY_TO_INT32_FORMS(X) X(64f) X(32f)
#define PF_FILL_COPY_DEFINE_TO_INT32(from)                                            \
  IppStatus ippsConvert_##from##32s_Sfs(const Ipp##from* pSrc, Ipp32s* pDst, int len, \
                                        IppRoundMode rndMode, int scaleFactor) {      \
    return ConvertToInt32(pSrc, pDst, len, rndMode, scaleFactor);                     \
  }
PF_FILL_COPY_TO_INT32_FORMS(PF_FILL_COPY_DEFINE_TO_INT32)
#undef PF_FILL_COPY_DEFINE_TO_INT32
#undef PF_FILL_COPY_TO_INT32_FORMS

// The complex assembly: part type, complex type.
#define PF_FILL_COPY_TO_COMPLEX_FORMS(X) X(64f, 64fc) X(32f, 32fc)
#define PF_FILL_COPY_DEFINE_TO_COMPLEX(part, complex)                               \
  IppStatus ippsRealToCplx_##part(const Ipp##part* pSrcRe, const Ipp##part* pSrcIm, \
                                  Ipp##complex* pDst, int len) {                    \
    return RealToCplx(pSrcRe, pSrcIm, pDst, len);                                   \
  }
PF_FILL_COPY_TO_COMPLEX_FORMS(PF_FILL_COPY_DEFINE_TO_COMPLEX)
#undef PF_FILL_COPY_DEFINE_TO_COMPLEX
#undef PF_FILL_COPY_TO_COMPLEX_FORMS

IppStatus ippsSwapBytes_24u(const Ipp8u* pSrc, Ipp8u* pDst, int len) {
  if (IppStatus st = CheckVectors(pSrc, pDst, len)) return st;
  // Byte offsets in 64 bits: 3 * len passes the 32-bit range above 715,827,882 groups. Each
  // group is read before it is written, so a call in place works too.
  for (ptrdiff_t i = 0; i < 3 * ptrdiff_t{len}; i += 3) {
    const Ipp8u first = pSrc[i], middle = pSrc[i + 1], last = pSrc[i + 2];
    pDst[i] = last;
    pDst[i + 1] = middle;
    pDst[i + 2] = first;
  }
  return ippStsNoErr;
}
IppStatus ippsSwapBytes_32u_I(Ipp32u* pSrcDst, int len) {
  return Map(pSrcDst, pSrcDst, len, SwapBytes32{});
}

void* fbMemCopy(const void* src, void* dst, int count) { return fbCopyBlock(src, dst, count); }
void* fbMemZero(void* dst, int count) { return fbZeroBlock(dst, count); }

}  // namespace builtin
