// Colour conversions (see ColorConversion.h).
//
// Saturation is done with comparisons rather than clamp tables: the results are the same and
// the comparisons vectorise. Every product and sum below stays within int32 for byte inputs;
// the gray sum with caller weights wraps, so it is computed in uint32. The three-byte gray
// reduction, the one the image stores use most, has SSE2 and AVX2 paths (chosen at run time)
// for whole blocks of 16 or 32 pixels. The packed 4:2:2 to RGB conversion and the three-byte
// channel swaps take Highway vector blocks (ColorConversionHwy.cpp) and finish each row with
// the plain loop.
#include "primitives/image/ColorConversion.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "primitives/image/ColorConversionKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/FloatToInt.h"

namespace builtin {

using rows::BadSize;
using rows::CheckImages;
using rows::ForEachRow;
using rows::Row;

namespace {

inline uint8_t Clamp255(int32_t x) { return static_cast<uint8_t>(std::clamp(x, 0, 255)); }

// One RGB pixel from luma y and centred chroma u = U - 128, v = V - 128 (16.16 weights 1.140,
// 0.394, 0.581 and 2.032). Shared by the packed 4:2:2 and the planar 4:2:0 YUV conversions.
inline void YuvToRgb(int32_t y, int32_t u, int32_t v, uint8_t* d) {
  const int32_t yy = y * 65536;
  d[0] = Clamp255((yy + 74711 * v) >> 16);
  d[1] = Clamp255((yy - 25821 * u - 38076 * v) >> 16);
  d[2] = Clamp255((yy + 133169 * u) >> 16);
}

// Studio-range YCbCr (16.16 weights 1.164, 1.596, 0.392, 0.813 and 2.017).
inline void YCbCrToRgb(int32_t y, int32_t cb, int32_t cr, uint8_t* d) {
  const int32_t c = 76284 * (y - 16);
  d[0] = Clamp255((c + 104595 * cr) >> 16);
  d[1] = Clamp255((c - 25690 * cb - 53281 * cr) >> 16);
  d[2] = Clamp255((c + 132186 * cb) >> 16);
}

// The 16.16 luma sum of one RGB pixel (weights 0.299, 0.587, 0.114, summing to 65536).
inline int32_t LumaSum(const uint8_t* p) { return 19595 * p[0] + 38470 * p[1] + 7471 * p[2]; }

}  // namespace

namespace colorrows {

void RowYUV422ToRGB(const uint8_t* s, uint8_t* d, ptrdiff_t w, Yuv422BlocksFn blocks) {
  if (w == 1) {
    // A lone pixel Y, C: C serves as both U and V.
    YuvToRgb(s[0], s[1] - 128, s[1] - 128, d);
    return;
  }
  ptrdiff_t x = blocks != nullptr ? static_cast<ptrdiff_t>(blocks(s, d, static_cast<size_t>(w & ~1))) : 0;
  for (; x + 1 < w; x += 2) {
    const int32_t u = s[2 * x + 1] - 128;
    const int32_t v = s[2 * x + 3] - 128;
    YuvToRgb(s[2 * x], u, v, d + 3 * x);
    YuvToRgb(s[2 * x + 2], u, v, d + 3 * x + 3);
  }
  if (w % 2 != 0) {
    // The odd last pixel Y, U takes the V of the pair before it.
    const ptrdiff_t last = w - 1;
    YuvToRgb(s[2 * last], s[2 * last + 1] - 128, s[2 * last - 1] - 128, d + 3 * last);
  }
}

void RowSwapC3(const uint8_t* s, uint8_t* d, ptrdiff_t n, const int order[3], SwapBlocksFn blocks) {
  const int o0 = order[0], o1 = order[1], o2 = order[2];
  if (s == d) {
    ptrdiff_t i = blocks != nullptr ? static_cast<ptrdiff_t>(blocks(s, d, static_cast<size_t>(n), order)) : 0;
    for (; i < n; ++i) {
      // All three bytes are read before any is written.
      const uint8_t c[3] = {d[3 * i], d[3 * i + 1], d[3 * i + 2]};
      d[3 * i + 0] = c[o0];
      d[3 * i + 1] = c[o1];
      d[3 * i + 2] = c[o2];
    }
    return;
  }
  const bool overlap = s < d + 3 * n && d < s + 3 * n;
  ptrdiff_t i = blocks != nullptr && !overlap ? static_cast<ptrdiff_t>(blocks(s, d, static_cast<size_t>(n), order)) : 0;
  for (; i < n; ++i) {
    d[3 * i + 0] = s[3 * i + o0];
    d[3 * i + 1] = s[3 * i + o1];
    d[3 * i + 2] = s[3 * i + o2];
  }
}

}  // namespace colorrows

namespace {

IppStatus Check420(const Ipp8u* const pSrc[3], const int srcStep[3], const Ipp8u* pDst,
                   IppiSize size) {
  if (pSrc == nullptr || srcStep == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (BadSize(size)) return ippStsSizeErr;
  if (pSrc[0] == nullptr || pSrc[1] == nullptr || pSrc[2] == nullptr) return ippStsNullPtrErr;
  return ippStsNoErr;
}

// Planar 4:2:0 to RGB: luma (x, y) takes chroma (x / 2, y / 2).
template <void (*Pixel)(int32_t, int32_t, int32_t, uint8_t*)>
IppStatus Planar420ToRgb(const Ipp8u* const pSrc[3], const int srcStep[3], Ipp8u* pDst,
                         int dstStep, IppiSize size) {
  if (IppStatus s = Check420(pSrc, srcStep, pDst, size); s != ippStsNoErr) return s;
  const ptrdiff_t w = size.width;
  for (int32_t y = 0; y < size.height; ++y) {
    const uint8_t* luma = Row(pSrc[0], srcStep[0], y);
    const uint8_t* cb = Row(pSrc[1], srcStep[1], y / 2);
    const uint8_t* cr = Row(pSrc[2], srcStep[2], y / 2);
    uint8_t* d = Row(pDst, dstStep, y);
    for (ptrdiff_t x = 0; x < w; ++x)
      Pixel(luma[x], cb[x / 2] - 128, cr[x / 2] - 128, d + 3 * x);
  }
  return ippStsNoErr;
}

// Gray of n pixels Pitch bytes apart: the low eight bits of the weighted sum >> 12. The sum is
// not saturated (weights summing above 4096 or below 0 wrap), so it is computed in uint32.
template <int Pitch>
inline void GrayRow(const uint8_t* s, uint8_t* d, ptrdiff_t n, uint32_t w0, uint32_t w1,
                    uint32_t w2) {
  for (ptrdiff_t i = 0; i < n; ++i) {
    const uint32_t sum = s[Pitch * i] * w0 + s[Pitch * i + 1] * w1 + s[Pitch * i + 2] * w2;
    d[i] = static_cast<uint8_t>(sum >> 12);
  }
}

#if defined(__x86_64__)
inline int32_t PackWeights01(int16_t w0, int16_t w1) {
  return static_cast<int32_t>(static_cast<uint16_t>(w0) |
                              (static_cast<uint32_t>(static_cast<uint16_t>(w1)) << 16));
}

inline __m128i HighHalf(__m128i v) { return _mm_unpackhi_epi64(v, v); }

// One round of byte interleaving of 48 bytes held in three registers; four rounds turn
// 16 three-byte pixels into three registers of one channel each.
inline void InterleaveRound(__m128i& t0, __m128i& t1, __m128i& t2) {
  const __m128i u0 = _mm_unpacklo_epi8(t0, HighHalf(t1));
  const __m128i u1 = _mm_unpacklo_epi8(HighHalf(t0), t2);
  const __m128i u2 = _mm_unpacklo_epi8(t1, HighHalf(t2));
  t0 = u0;
  t1 = u1;
  t2 = u2;
}

// Gray of three-byte pixels, 16 at a time, for weights that fit in 16 bits. The 48 bytes are
// split into their three channels by four rounds of byte interleaving; the sums are exact
// 32-bit multiply-adds, whose bits 12..19 are those of the wrapping uint32 sum (for either
// shift, arithmetic or logical). Returns the number of pixels done; the caller finishes the
// rest.
ptrdiff_t GrayRowC3Sse2(const uint8_t* s, uint8_t* d, ptrdiff_t n, int16_t w0, int16_t w1,
                        int16_t w2) {
  const __m128i w01 = _mm_set1_epi32(PackWeights01(w0, w1));
  const __m128i w2z = _mm_set1_epi32(static_cast<uint16_t>(w2));
  const __m128i low8 = _mm_set1_epi16(0xFF);
  const __m128i zero = _mm_setzero_si128();
  ptrdiff_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const uint8_t* p = s + 3 * i;
    __m128i t0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i t1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    __m128i t2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    InterleaveRound(t0, t1, t2);
    InterleaveRound(t0, t1, t2);
    InterleaveRound(t0, t1, t2);
    InterleaveRound(t0, t1, t2);
    // t0, t1, t2 now hold channel 0, 1 and 2 of the 16 pixels.
    __m128i half[2];
    for (int h = 0; h < 2; ++h) {
      const __m128i a = h == 0 ? _mm_unpacklo_epi8(t0, zero) : _mm_unpackhi_epi8(t0, zero);
      const __m128i b = h == 0 ? _mm_unpacklo_epi8(t1, zero) : _mm_unpackhi_epi8(t1, zero);
      const __m128i c = h == 0 ? _mm_unpacklo_epi8(t2, zero) : _mm_unpackhi_epi8(t2, zero);
      __m128i lo = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(a, b), w01),
                                 _mm_madd_epi16(_mm_unpacklo_epi16(c, zero), w2z));
      __m128i hi = _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(a, b), w01),
                                 _mm_madd_epi16(_mm_unpackhi_epi16(c, zero), w2z));
      // |sum| < 2^25, so sum >> 12 fits in 16 bits and the signed pack is exact.
      half[h] = _mm_and_si128(
          _mm_packs_epi32(_mm_srai_epi32(lo, 12), _mm_srai_epi32(hi, 12)), low8);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(half[0], half[1]));
  }
  return i;
}

// 16 bytes at lo into lane 0 and 16 bytes at hi into lane 1.
__attribute__((target("avx2"))) inline __m256i LoadLanes(const uint8_t* lo, const uint8_t* hi) {
  return _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lo))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(hi)), 1);
}

// The same steps on 32 pixels at a time with AVX2: every step works within a 128-bit lane, so
// lane 0 takes pixels 0..15 and lane 1 pixels 16..31, and the packs put them back in order.
__attribute__((target("avx2"))) ptrdiff_t GrayRowC3Avx2(const uint8_t* s, uint8_t* d,
                                                        ptrdiff_t n, int16_t w0, int16_t w1,
                                                        int16_t w2) {
  const __m256i w01 = _mm256_set1_epi32(PackWeights01(w0, w1));
  const __m256i w2z = _mm256_set1_epi32(static_cast<uint16_t>(w2));
  const __m256i low8 = _mm256_set1_epi16(0xFF);
  const __m256i zero = _mm256_setzero_si256();
  ptrdiff_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const uint8_t* p = s + 3 * i;
    __m256i t0 = LoadLanes(p, p + 48);
    __m256i t1 = LoadLanes(p + 16, p + 64);
    __m256i t2 = LoadLanes(p + 32, p + 80);
    for (int round = 0; round < 4; ++round) {
      const __m256i u0 = _mm256_unpacklo_epi8(t0, _mm256_unpackhi_epi64(t1, t1));
      const __m256i u1 = _mm256_unpacklo_epi8(_mm256_unpackhi_epi64(t0, t0), t2);
      const __m256i u2 = _mm256_unpacklo_epi8(t1, _mm256_unpackhi_epi64(t2, t2));
      t0 = u0;
      t1 = u1;
      t2 = u2;
    }
    __m256i half[2];
    for (int h = 0; h < 2; ++h) {
      const __m256i a = h == 0 ? _mm256_unpacklo_epi8(t0, zero) : _mm256_unpackhi_epi8(t0, zero);
      const __m256i b = h == 0 ? _mm256_unpacklo_epi8(t1, zero) : _mm256_unpackhi_epi8(t1, zero);
      const __m256i c = h == 0 ? _mm256_unpacklo_epi8(t2, zero) : _mm256_unpackhi_epi8(t2, zero);
      const __m256i lo = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), w01),
                                          _mm256_madd_epi16(_mm256_unpacklo_epi16(c, zero), w2z));
      const __m256i hi = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), w01),
                                          _mm256_madd_epi16(_mm256_unpackhi_epi16(c, zero), w2z));
      half[h] = _mm256_and_si256(
          _mm256_packs_epi32(_mm256_srai_epi32(lo, 12), _mm256_srai_epi32(hi, 12)), low8);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_packus_epi16(half[0], half[1]));
  }
  return i;
}

bool HasAvx2() { return __builtin_cpu_supports("avx2"); }
#endif

bool FitsInt16(int32_t w) { return w >= INT16_MIN && w <= INT16_MAX; }

// Gray from the first three bytes of pixels Pitch bytes apart, with 12-bit weights.
template <int Pitch>
IppStatus ColorToGray(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size,
                      const Ipp32f coeffs[3]) {
  if (IppStatus s = CheckImages(pSrc, pDst, size); s != ippStsNoErr) return s;
  int32_t w[3] = {1225, 2404, 467};
  if (coeffs != nullptr) {
    // Rounded to 12-bit fixed point; NaN or out-of-range weights become INT32_MIN.
    for (int k = 0; k < 3; ++k)
      w[k] = fbTruncToInt32(0.5 + 4096.0 * static_cast<double>(coeffs[k]));
  }
  const uint32_t w0 = static_cast<uint32_t>(w[0]), w1 = static_cast<uint32_t>(w[1]),
                 w2 = static_cast<uint32_t>(w[2]);
  [[maybe_unused]] const bool narrow = FitsInt16(w[0]) && FitsInt16(w[1]) && FitsInt16(w[2]);
#if defined(__x86_64__)
  const bool avx2 = Pitch == 3 && narrow && HasAvx2();
#endif
  ForEachRow(pSrc, srcStep, Pitch, pDst, dstStep, 1, size,
             [=](const uint8_t* s, uint8_t* d, int32_t n) {
               ptrdiff_t done = 0;
#if defined(__x86_64__)
               if (Pitch == 3 && narrow) {
                 const auto v0 = static_cast<int16_t>(w[0]), v1 = static_cast<int16_t>(w[1]),
                            v2 = static_cast<int16_t>(w[2]);
                 if (avx2) done = GrayRowC3Avx2(s, d, n, v0, v1, v2);
                 done += GrayRowC3Sse2(s + 3 * done, d + done, n - done, v0, v1, v2);
               }
#endif
               GrayRow<Pitch>(s + Pitch * done, d + done, n - done, w0, w1, w2);
             });
  return ippStsNoErr;
}

bool BadOrder(const int dstOrder[3]) {
  for (int k = 0; k < 3; ++k)
    if (dstOrder[k] < 0 || dstOrder[k] > 2) return true;
  return false;
}

// The checks of the channel swaps: pointers, size, steps, then the order.
IppStatus CheckSwap(const void* pSrc, int srcStep, const void* pDst, int dstStep, IppiSize size,
                    const int dstOrder[3]) {
  if (pSrc == nullptr || pDst == nullptr || dstOrder == nullptr) return ippStsNullPtrErr;
  if (BadSize(size)) return ippStsSizeErr;
  if (srcStep <= 0 || dstStep <= 0) return ippStsStepErr;
  if (BadOrder(dstOrder)) return ippStsChannelOrderErr;
  return ippStsNoErr;
}

// dst[k] <- src[dstOrder[k]] for k = 0, 1, 2 in turn, pixels Pitch bytes apart; three-byte
// pixels take the row routine of ColorConversionKernels.h and its vector blocks.
template <int Pitch>
IppStatus SwapChannels(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size,
                       const int dstOrder[3]) {
  if (IppStatus s = CheckSwap(pSrc, srcStep, pDst, dstStep, size, dstOrder); s != ippStsNoErr)
    return s;
  if constexpr (Pitch == 3) {
    const colorrows::SwapBlocksFn blocks = colorrows::VectorSwapC3();
    ForEachRow(pSrc, srcStep, 3, pDst, dstStep, 3, size,
               [=](const uint8_t* s, uint8_t* d, int32_t n) {
                 colorrows::RowSwapC3(s, d, n, dstOrder, blocks);
               });
  } else {
    const int o0 = dstOrder[0], o1 = dstOrder[1], o2 = dstOrder[2];
    ForEachRow(pSrc, srcStep, Pitch, pDst, dstStep, Pitch, size,
               [=](const uint8_t* s, uint8_t* d, int32_t n) {
                 for (ptrdiff_t i = 0; i < n; ++i) {
                   d[Pitch * i + 0] = s[Pitch * i + o0];
                   d[Pitch * i + 1] = s[Pitch * i + o1];
                   d[Pitch * i + 2] = s[Pitch * i + o2];
                 }
               });
  }
  return ippStsNoErr;
}

}  // namespace

IppStatus ippiYUV422ToRGB_8u_C2C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize) {
  if (IppStatus s = CheckImages(pSrc, pDst, roiSize); s != ippStsNoErr) return s;
  const colorrows::Yuv422BlocksFn blocks = colorrows::VectorYUV422ToRGB();
  for (int32_t y = 0; y < roiSize.height; ++y)
    colorrows::RowYUV422ToRGB(Row(pSrc, srcStep, y), Row(pDst, dstStep, y), roiSize.width, blocks);
  return ippStsNoErr;
}

IppStatus ippiRGBToYUV422_8u_C3C2R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize) {
  if (IppStatus s = CheckImages(pSrc, pDst, roiSize); s != ippStsNoErr) return s;
  const ptrdiff_t w = roiSize.width;
  for (int32_t y = 0; y < roiSize.height; ++y) {
    const uint8_t* s = Row(pSrc, srcStep, y);
    uint8_t* d = Row(pDst, dstStep, y);
    for (ptrdiff_t p = 0; p < w / 2; ++p) {
      const uint8_t* p0 = s + 6 * p;
      const uint8_t* p1 = p0 + 3;
      const int32_t ys0 = LumaSum(p0);
      const int32_t ys1 = LumaSum(p1);
      const int32_t sum = ys0 + ys1;
      // Two-pixel sums of B - Y and R - Y, rounded up; the extra shift below halves them.
      const int32_t du = ((p0[2] + p1[2]) * 65536 - sum + 65535) >> 16;
      const int32_t dv = ((p0[0] + p1[0]) * 65536 - sum + 65535) >> 16;
      d[4 * p + 0] = static_cast<uint8_t>(ys0 >> 16);
      d[4 * p + 1] = static_cast<uint8_t>(((du * 32244) >> 17) + 128);
      d[4 * p + 2] = static_cast<uint8_t>(ys1 >> 16);
      d[4 * p + 3] = Clamp255(((dv * 57475) >> 17) + 128);
    }
    if (w % 2 != 0) {
      // The odd last pixel: Y and U only, B - Y rounded to nearest with a half rounding down.
      const uint8_t* px = s + 3 * (w - 1);
      const int32_t ys = LumaSum(px);
      const int32_t du = (px[2] * 65536 - ys + 32767) >> 16;
      d[2 * (w - 1)] = static_cast<uint8_t>(ys >> 16);
      d[2 * (w - 1) + 1] = static_cast<uint8_t>(((du * 32244) >> 16) + 128);
    }
  }
  return ippStsNoErr;
}

// The planar 4:2:0 conversions to RGB: source format, pixel conversion.
#define PF_COLOR_CONVERSION_PLANAR_FORMS(X) \
  X(YUV420, YuvToRgb)                       \
  X(YCbCr420, YCbCrToRgb)
#define PF_COLOR_CONVERSION_DEFINE_PLANAR(format, convert)                                         \
  IppStatus ippi##format##ToRGB_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep[3], Ipp8u* pDst,  \
                                         int dstStep, IppiSize roiSize) {                          \
    return Planar420ToRgb<convert>(pSrc, srcStep, pDst, dstStep, roiSize);                         \
  }
PF_COLOR_CONVERSION_PLANAR_FORMS(PF_COLOR_CONVERSION_DEFINE_PLANAR)
#undef PF_COLOR_CONVERSION_DEFINE_PLANAR
#undef PF_COLOR_CONVERSION_PLANAR_FORMS

// The conversions to gray: layout, source pixel bytes.
#define PF_COLOR_CONVERSION_GRAY_FORMS(X) \
  X(C3C1, 3)                              \
  X(AC4C1, 4)
#define PF_COLOR_CONVERSION_DEFINE_GRAY(layout, pitch)                                             \
  IppStatus ippiColorToGray_8u_##layout##R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst,            \
                                           int dstStep, IppiSize roiSize,                          \
                                           const Ipp32f coeffs[3]) {                               \
    return ColorToGray<pitch>(pSrc, srcStep, pDst, dstStep, roiSize, coeffs);                      \
  }
PF_COLOR_CONVERSION_GRAY_FORMS(PF_COLOR_CONVERSION_DEFINE_GRAY)
#undef PF_COLOR_CONVERSION_DEFINE_GRAY
#undef PF_COLOR_CONVERSION_GRAY_FORMS

IppStatus ippiSwapChannels_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                                   const int dstOrder[3]) {
  if (IppStatus s = CheckSwap(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, dstOrder);
      s != ippStsNoErr)
    return s;
  const colorrows::SwapBlocksFn blocks = colorrows::VectorSwapC3();
  ForEachRow(pSrcDst, srcDstStep, 3, roiSize, [=](uint8_t* p, int32_t n) {
    colorrows::RowSwapC3(p, p, n, dstOrder, blocks);
  });
  return ippStsNoErr;
}

// The channel swaps into another image: layout, pixel bytes.
#define PF_COLOR_CONVERSION_SWAP_FORMS(X) \
  X(C3, 3)                                \
  X(AC4, 4)
#define PF_COLOR_CONVERSION_DEFINE_SWAP(layout, pitch)                                             \
  IppStatus ippiSwapChannels_8u_##layout##R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst,           \
                                            int dstStep, IppiSize roiSize,                         \
                                            const int dstOrder[3]) {                               \
    return SwapChannels<pitch>(pSrc, srcStep, pDst, dstStep, roiSize, dstOrder);                   \
  }
PF_COLOR_CONVERSION_SWAP_FORMS(PF_COLOR_CONVERSION_DEFINE_SWAP)
#undef PF_COLOR_CONVERSION_DEFINE_SWAP
#undef PF_COLOR_CONVERSION_SWAP_FORMS

}  // namespace builtin
