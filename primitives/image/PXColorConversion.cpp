// Colour conversions (see PXColorConversion.h).
//
// Saturation is done with comparisons rather than clamp tables: the results are the same and
// the comparisons vectorise. Every product and sum below stays within int32 for byte inputs;
// the gray sum with caller weights wraps, so it is computed in uint32.
#include "primitives/image/PXColorConversion.h"

#include <algorithm>

#include "primitives/image/PXImageRows.h"
#include "primitives/support/FloatToInt.h"

namespace builtin {

using rows::BadSize;
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

IppStatus Check420(const Ipp8u* const pSrc[3], const int srcStep[3], const Ipp8u* pDst,
                   IppiSize size) {
  if (pSrc == nullptr || srcStep == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (size.width <= 0 || size.height <= 0) return ippStsSizeErr;
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

// Gray from the first three bytes of pixels Pitch bytes apart, with 12-bit weights.
template <int Pitch>
IppStatus ColorToGray(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size,
                      const Ipp32f coeffs[3]) {
  if (pSrc == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (size.width < 1 || size.height < 1) return ippStsSizeErr;
  uint32_t w[3] = {1225, 2404, 467};
  if (coeffs != nullptr) {
    // Rounded to 12-bit fixed point; NaN or out-of-range weights become INT32_MIN.
    for (int k = 0; k < 3; ++k)
      w[k] = static_cast<uint32_t>(fbTruncToInt32(0.5 + 4096.0 * static_cast<double>(coeffs[k])));
  }
  const uint32_t w0 = w[0], w1 = w[1], w2 = w[2];
  ForEachRow(pSrc, srcStep, Pitch, pDst, dstStep, 1, size,
             [=](const uint8_t* s, uint8_t* d, int32_t n) {
               for (ptrdiff_t i = 0; i < n; ++i) {
                 // Not saturated: weights summing above 4096 wrap in the low eight bits.
                 const uint32_t sum = s[Pitch * i] * w0 + s[Pitch * i + 1] * w1 +
                                      s[Pitch * i + 2] * w2;
                 d[i] = static_cast<uint8_t>(sum >> 12);
               }
             });
  return ippStsNoErr;
}

bool BadOrder(const int dstOrder[3]) {
  for (int k = 0; k < 3; ++k)
    if (dstOrder[k] < 0 || dstOrder[k] > 2) return true;
  return false;
}

// dst[k] <- src[dstOrder[k]] for k = 0, 1, 2 in turn, pixels Pitch bytes apart.
template <int Pitch>
IppStatus SwapChannels(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size,
                       const int dstOrder[3]) {
  if (pSrc == nullptr || pDst == nullptr || dstOrder == nullptr) return ippStsNullPtrErr;
  if (size.width <= 0 || size.height <= 0) return ippStsSizeErr;
  if (srcStep <= 0 || dstStep <= 0) return ippStsStepErr;
  if (BadOrder(dstOrder)) return ippStsChannelOrderErr;
  const int o0 = dstOrder[0], o1 = dstOrder[1], o2 = dstOrder[2];
  ForEachRow(pSrc, srcStep, Pitch, pDst, dstStep, Pitch, size,
             [=](const uint8_t* s, uint8_t* d, int32_t n) {
               for (ptrdiff_t i = 0; i < n; ++i) {
                 d[Pitch * i + 0] = s[Pitch * i + o0];
                 d[Pitch * i + 1] = s[Pitch * i + o1];
                 d[Pitch * i + 2] = s[Pitch * i + o2];
               }
             });
  return ippStsNoErr;
}

}  // namespace

IppStatus ippiYUV422ToRGB_8u_C2C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize) {
  if (pSrc == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (roiSize.width <= 0 || roiSize.height <= 0) return ippStsSizeErr;
  const ptrdiff_t w = roiSize.width;
  for (int32_t y = 0; y < roiSize.height; ++y) {
    const uint8_t* s = Row(pSrc, srcStep, y);
    uint8_t* d = Row(pDst, dstStep, y);
    if (w == 1) {
      // A lone pixel Y, C: C serves as both U and V.
      YuvToRgb(s[0], s[1] - 128, s[1] - 128, d);
      continue;
    }
    for (ptrdiff_t p = 0; p < w / 2; ++p) {
      const int32_t u = s[4 * p + 1] - 128;
      const int32_t v = s[4 * p + 3] - 128;
      YuvToRgb(s[4 * p], u, v, d + 6 * p);
      YuvToRgb(s[4 * p + 2], u, v, d + 6 * p + 3);
    }
    if (w % 2 != 0) {
      // The odd last pixel Y, U takes the V of the pair before it.
      const ptrdiff_t x = w - 1;
      YuvToRgb(s[2 * x], s[2 * x + 1] - 128, s[2 * x - 1] - 128, d + 3 * x);
    }
  }
  return ippStsNoErr;
}

IppStatus ippiRGBToYUV422_8u_C3C2R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize) {
  if (pSrc == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (roiSize.width <= 0 || roiSize.height <= 0) return ippStsSizeErr;
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

IppStatus ippiYUV420ToRGB_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep[3], Ipp8u* pDst,
                                   int dstStep, IppiSize roiSize) {
  return Planar420ToRgb<YuvToRgb>(pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiYCbCr420ToRGB_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep[3], Ipp8u* pDst,
                                     int dstStep, IppiSize roiSize) {
  return Planar420ToRgb<YCbCrToRgb>(pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiColorToGray_8u_C3C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize, const Ipp32f coeffs[3]) {
  return ColorToGray<3>(pSrc, srcStep, pDst, dstStep, roiSize, coeffs);
}

IppStatus ippiColorToGray_8u_AC4C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                    IppiSize roiSize, const Ipp32f coeffs[3]) {
  return ColorToGray<4>(pSrc, srcStep, pDst, dstStep, roiSize, coeffs);
}

IppStatus ippiSwapChannels_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                                   const int dstOrder[3]) {
  if (pSrcDst == nullptr || dstOrder == nullptr) return ippStsNullPtrErr;
  if (roiSize.width <= 0 || roiSize.height <= 0) return ippStsSizeErr;
  if (srcDstStep <= 0) return ippStsStepErr;
  if (BadOrder(dstOrder)) return ippStsChannelOrderErr;
  const int o0 = dstOrder[0], o1 = dstOrder[1], o2 = dstOrder[2];
  ForEachRow(pSrcDst, srcDstStep, 3, roiSize, [=](uint8_t* p, int32_t n) {
    for (ptrdiff_t i = 0; i < n; ++i) {
      // All three bytes are read before any is written.
      const uint8_t c[3] = {p[3 * i], p[3 * i + 1], p[3 * i + 2]};
      p[3 * i + 0] = c[o0];
      p[3 * i + 1] = c[o1];
      p[3 * i + 2] = c[o2];
    }
  });
  return ippStsNoErr;
}

IppStatus ippiSwapChannels_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                  IppiSize roiSize, const int dstOrder[3]) {
  return SwapChannels<3>(pSrc, srcStep, pDst, dstStep, roiSize, dstOrder);
}

IppStatus ippiSwapChannels_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize, const int dstOrder[3]) {
  return SwapChannels<4>(pSrc, srcStep, pDst, dstStep, roiSize, dstOrder);
}

}  // namespace builtin
