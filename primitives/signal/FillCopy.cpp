#include "primitives/signal/FillCopy.h"

#include <cmath>
#include <cstring>

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

// A fill with the bit pattern of a value (so -0.0 and NaN payloads survive unchanged).
template <class Bits, class T>
IppStatus Fill(T value, T* pDst, int len) {
  if (IppStatus st = CheckVector(pDst, len)) return st;
  Bits bits;
  static_assert(sizeof bits == sizeof value);
  std::memcpy(&bits, &value, sizeof bits);
  fbFillElements<Bits>(pDst, bits, len);
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
    ScaleToInt32(pSrc, pDst, len, std::ldexp(1.0, -scaleFactor), mode);
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

}  // namespace

IppStatus ippsSet_32s(Ipp32s val, Ipp32s* pDst, int len) { return Fill<uint32_t>(val, pDst, len); }
IppStatus ippsSet_32f(Ipp32f val, Ipp32f* pDst, int len) { return Fill<uint32_t>(val, pDst, len); }
IppStatus ippsSet_64f(Ipp64f val, Ipp64f* pDst, int len) { return Fill<uint64_t>(val, pDst, len); }
IppStatus ippsSet_64fc(Ipp64fc val, Ipp64fc* pDst, int len) { return Fill<Ipp64fc>(val, pDst, len); }

IppStatus ippsZero_8u(Ipp8u* pDst, int len) { return fbZero8u(pDst, len); }
IppStatus ippsZero_16s(Ipp16s* pDst, int len) { return Zero(pDst, len); }
IppStatus ippsZero_32s(Ipp32s* pDst, int len) { return Zero(pDst, len); }
IppStatus ippsZero_32f(Ipp32f* pDst, int len) { return Zero(pDst, len); }
IppStatus ippsZero_64f(Ipp64f* pDst, int len) { return Zero(pDst, len); }
IppStatus ippsZero_64fc(Ipp64fc* pDst, int len) { return Zero(pDst, len); }

IppStatus ippsCopy_8u(const Ipp8u* pSrc, Ipp8u* pDst, int len) { return fbCopy8u(pSrc, pDst, len); }
IppStatus ippsCopy_32f(const Ipp32f* pSrc, Ipp32f* pDst, int len) { return Copy(pSrc, pDst, len); }
IppStatus ippsCopy_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) { return Copy(pSrc, pDst, len); }

IppStatus ippsMove_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) {
  // The copy keeps overlapping vectors intact; the same address writes nothing.
  if (pSrc == pDst) return CheckVectors(pSrc, pDst, len);
  return Copy(pSrc, pDst, len);
}

IppStatus ippsConvert_32s64f(const Ipp32s* pSrc, Ipp64f* pDst, int len) {
  return Map(pSrc, pDst, len, [](Ipp32s x) { return static_cast<Ipp64f>(x); });
}
IppStatus ippsConvert_32f64f(const Ipp32f* pSrc, Ipp64f* pDst, int len) {
  return Map(pSrc, pDst, len, [](Ipp32f x) { return static_cast<Ipp64f>(x); });
}
IppStatus ippsConvert_32s32f(const Ipp32s* pSrc, Ipp32f* pDst, int len) {
  return Map(pSrc, pDst, len, [](Ipp32s x) { return static_cast<Ipp32f>(x); });
}
IppStatus ippsConvert_64f32f(const Ipp64f* pSrc, Ipp32f* pDst, int len) {
  // kLimit is the largest float32 exactly; a NaN fails x > -kLimit and takes the lower limit.
  return Map(pSrc, pDst, len, [](Ipp64f x) {
    constexpr Ipp64f kLimit = 3.4028234663852886e38;
    const Ipp64f upper = x >= kLimit ? kLimit : x;
    return static_cast<Ipp32f>(x > -kLimit ? upper : -kLimit);
  });
}

IppStatus ippsConvert_16s64f_Sfs(const Ipp16s* pSrc, Ipp64f* pDst, int len, int scaleFactor) {
  if (scaleFactor == 0) return Map(pSrc, pDst, len, [](Ipp16s x) { return static_cast<Ipp64f>(x); });
  const int sf = scaleFactor < -1008 ? -1008 : (scaleFactor > 1022 ? 1022 : scaleFactor);
  const Ipp64f factor = std::ldexp(1.0, -sf);
  return Map(pSrc, pDst, len, [factor](Ipp16s x) { return static_cast<Ipp64f>(x) * factor; });
}

IppStatus ippsConvert_64f32s_Sfs(const Ipp64f* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode,
                                 int scaleFactor) {
  return ConvertToInt32(pSrc, pDst, len, rndMode, scaleFactor);
}
IppStatus ippsConvert_32f32s_Sfs(const Ipp32f* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode,
                                 int scaleFactor) {
  return ConvertToInt32(pSrc, pDst, len, rndMode, scaleFactor);
}

IppStatus ippsRealToCplx_64f(const Ipp64f* pSrcRe, const Ipp64f* pSrcIm, Ipp64fc* pDst, int len) {
  return RealToCplx(pSrcRe, pSrcIm, pDst, len);
}
IppStatus ippsRealToCplx_32f(const Ipp32f* pSrcRe, const Ipp32f* pSrcIm, Ipp32fc* pDst, int len) {
  return RealToCplx(pSrcRe, pSrcIm, pDst, len);
}
IppStatus ippsReal_64fc(const Ipp64fc* pSrc, Ipp64f* pDstRe, int len) {
  return Map(pSrc, pDstRe, len, [](const Ipp64fc& c) { return c.re; });
}
IppStatus ippsImag_64fc(const Ipp64fc* pSrc, Ipp64f* pDstIm, int len) {
  return Map(pSrc, pDstIm, len, [](const Ipp64fc& c) { return c.im; });
}

IppStatus ippsSwapBytes_16u(const Ipp16u* pSrc, Ipp16u* pDst, int len) {
  return Map(pSrc, pDst, len, [](Ipp16u x) { return static_cast<Ipp16u>((x << 8) | (x >> 8)); });
}
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
IppStatus ippsSwapBytes_32u(const Ipp32u* pSrc, Ipp32u* pDst, int len) {
  return Map(pSrc, pDst, len, [](Ipp32u x) { return __builtin_bswap32(x); });
}
IppStatus ippsSwapBytes_32u_I(Ipp32u* pSrcDst, int len) {
  return Map(pSrcDst, pSrcDst, len, [](Ipp32u x) { return __builtin_bswap32(x); });
}

void* fbMemCopy(const void* src, void* dst, int count) { return fbCopyBlock(src, dst, count); }
void* fbMemZero(void* dst, int count) { return fbZeroBlock(dst, count); }

}  // namespace builtin
