// Colour twists (see PXColorTwist.h).
#include "primitives/image/PXColorTwist.h"

#include <cstddef>
#include <cstdint>

#include "primitives/image/PXImageRows.h"
#include "primitives/support/FloatToInt.h"

namespace builtin {

using rows::BadSize;
using rows::ForEachRow;

namespace {

// The twist matrix, copied once per call so that the row loop reads it from locals.
struct TwistMatrix {
  float t[3][4];
};

// 255 from v >= 255, 0 from v <= 0, otherwise v rounded half to even. A NaN fails both tests
// and takes the conversion helper's result (the integer indefinite, whose low byte is 0).
inline uint8_t TwistByte(long double v) {
  if (v >= 255.0L) return 255;
  if (v <= 0.0L) return 0;
  return static_cast<uint8_t>(fbRoundToInt32(v));
}

// One row of n pixels Pixel bytes apart; the source and destination rows may be the same.
template <int Pixel>
void TwistRow(const uint8_t* s, uint8_t* d, int32_t n, const TwistMatrix& m) {
  for (ptrdiff_t i = 0; i < n; ++i) {
    const long double x0 = s[Pixel * i], x1 = s[Pixel * i + 1], x2 = s[Pixel * i + 2];
    uint8_t out[3];
    for (int k = 0; k < 3; ++k) {
      const float* t = m.t[k];
      out[k] = TwistByte(((x0 * t[0] + t[3]) + x1 * t[1]) + x2 * t[2]);
    }
    d[Pixel * i] = out[0];
    d[Pixel * i + 1] = out[1];
    d[Pixel * i + 2] = out[2];
  }
}

TwistMatrix CopyMatrix(const Ipp32f twist[3][4]) {
  TwistMatrix m;
  for (int k = 0; k < 3; ++k)
    for (int j = 0; j < 4; ++j) m.t[k][j] = twist[k][j];
  return m;
}

template <int Pixel>
IppStatus Twist(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size,
                const Ipp32f twist[3][4]) {
  if (pSrc == nullptr || pDst == nullptr || twist == nullptr) return ippStsNullPtrErr;
  if (BadSize(size)) return ippStsSizeErr;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  const TwistMatrix m = CopyMatrix(twist);
  ForEachRow(pSrc, srcStep, Pixel, pDst, dstStep, Pixel, size,
             [&m](const uint8_t* s, uint8_t* d, int32_t n) { TwistRow<Pixel>(s, d, n, m); });
  return ippStsNoErr;
}

}  // namespace

IppStatus ippiColorTwist32f_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                                    const Ipp32f twist[3][4]) {
  return Twist<3>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, twist);
}

IppStatus ippiColorTwist32f_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                                     const Ipp32f twist[3][4]) {
  return Twist<4>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, twist);
}

IppStatus ippiColorTwist32f_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize, const Ipp32f twist[3][4]) {
  return Twist<3>(pSrc, srcStep, pDst, dstStep, roiSize, twist);
}

IppStatus ippiColorTwist32f_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                    IppiSize roiSize, const Ipp32f twist[3][4]) {
  return Twist<4>(pSrc, srcStep, pDst, dstStep, roiSize, twist);
}

}  // namespace builtin
