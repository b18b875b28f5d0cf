// Mirrors and byte swapping (see Mirror.h).
//
// Pixel is the pixel size in bytes and Moved the bytes of it that move (Pixel, or 3 for AC4).
// Both are template constants, so the inner loops are fixed-size byte moves the compiler
// vectorises.
#include "primitives/image/Mirror.h"

#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {

using rows::BadSize;
using rows::Row;

namespace {

bool BadFlip(IppiAxis flip) {
  const int32_t f = flip;
  return f < ippAxsHorizontal || f > ippAxsBoth;
}

// Copies w pixels from s to d, reversing their order when reverse is set.
template <int Pixel, int Moved>
inline void CopyRow(const uint8_t* s, uint8_t* d, ptrdiff_t w, bool reverse) {
  if (!reverse) {
    if constexpr (Moved == Pixel) {
      fbCopyBytes(s, d, w * Pixel);
    } else {
      for (ptrdiff_t j = 0; j < w; ++j)
        for (int k = 0; k < Moved; ++k) d[Pixel * j + k] = s[Pixel * j + k];
    }
    return;
  }
  for (ptrdiff_t j = 0; j < w; ++j)
    for (int k = 0; k < Moved; ++k) d[Pixel * (w - 1 - j) + k] = s[Pixel * j + k];
}

// Exchanges the moved bytes of n pixels of a with those of b, b walked forwards or backwards
// (b then points at the last of its n pixels).
template <int Pixel, int Moved>
inline void SwapPixels(uint8_t* a, uint8_t* b, ptrdiff_t n, bool backwards) {
  const ptrdiff_t dir = backwards ? -1 : 1;
  for (ptrdiff_t j = 0; j < n; ++j) {
    for (int k = 0; k < Moved; ++k) {
      const uint8_t t = a[Pixel * j + k];
      a[Pixel * j + k] = b[Pixel * dir * j + k];
      b[Pixel * dir * j + k] = t;
    }
  }
}

// Reverses the order of the w pixels of a row in place.
template <int Pixel, int Moved>
inline void ReverseRow(uint8_t* row, ptrdiff_t w) {
  SwapPixels<Pixel, Moved>(row, row + Pixel * (w - 1), w / 2, true);
}

template <int Pixel, int Moved>
IppStatus MirrorTo(const void* pSrc, int srcStep, void* pDst, int dstStep, IppiSize size,
                   IppiAxis flip) {
  if (IppStatus s = rows::CheckImages(pSrc, pDst, size); s != ippStsNoErr) return s;
  if (BadFlip(flip)) return ippStsMirrorFlipErr;
  const int32_t h = size.height;
  const bool flipRows = flip != ippAxsVertical;
  const bool reverse = flip != ippAxsHorizontal;
  for (int32_t i = 0; i < h; ++i)
    CopyRow<Pixel, Moved>(Row(pSrc, srcStep, i), Row(pDst, dstStep, flipRows ? h - 1 - i : i),
                          size.width, reverse);
  return ippStsNoErr;
}

template <int Pixel, int Moved>
IppStatus MirrorInPlace(void* pSrcDst, int step, IppiSize size, IppiAxis flip) {
  if (pSrcDst == nullptr) return ippStsNullPtrErr;
  if (BadSize(size)) return ippStsSizeErr;
  if (BadFlip(flip)) return ippStsMirrorFlipErr;
  const int32_t h = size.height;
  const ptrdiff_t w = size.width;
  switch (flip) {
    case ippAxsHorizontal:
      for (int32_t i = 0; i < h / 2; ++i)
        SwapPixels<Pixel, Moved>(Row(pSrcDst, step, i), Row(pSrcDst, step, h - 1 - i), w, false);
      break;
    case ippAxsVertical:
      for (int32_t i = 0; i < h; ++i) ReverseRow<Pixel, Moved>(Row(pSrcDst, step, i), w);
      break;
    default:
      // Upper half against the lower half turned round, then an odd middle row reversed.
      for (int32_t i = 0; i < h / 2; ++i)
        SwapPixels<Pixel, Moved>(Row(pSrcDst, step, i),
                                 Row(pSrcDst, step, h - 1 - i) + Pixel * (w - 1), w, true);
      if (h % 2 != 0) ReverseRow<Pixel, Moved>(Row(pSrcDst, step, h / 2), w);
      break;
  }
  return ippStsNoErr;
}

}  // namespace

// The mirrors into another image: element type, layout, pixel bytes, bytes moved.
#define PF_MIRROR_FORMS(X) \
  X(8u, C1, 1, 1)          \
  X(8u, C3, 3, 3)          \
  X(8u, C4, 4, 4)          \
  X(8u, AC4, 4, 3)         \
  X(16u, C1, 2, 2)
#define PF_MIRROR_DEFINE(type, layout, pixel, moved)                                               \
  IppStatus ippiMirror_##type##_##layout##R(const Ipp##type* pSrc, int srcStep, Ipp##type* pDst,   \
                                            int dstStep, IppiSize roiSize, IppiAxis flip) {        \
    return MirrorTo<pixel, moved>(pSrc, srcStep, pDst, dstStep, roiSize, flip);                    \
  }
PF_MIRROR_FORMS(PF_MIRROR_DEFINE)
#undef PF_MIRROR_DEFINE
#undef PF_MIRROR_FORMS

// The mirrors in place: element type, layout, pixel bytes, bytes moved.
#define PF_MIRROR_IN_PLACE_FORMS(X) \
  X(8u, C1, 1, 1)                   \
  X(8u, C3, 3, 3)                   \
  X(8u, C4, 4, 4)                   \
  X(8u, AC4, 4, 3)
#define PF_MIRROR_DEFINE_IN_PLACE(type, layout, pixel, moved)                                      \
  IppStatus ippiMirror_##type##_##layout##IR(Ipp##type* pSrcDst, int srcDstStep, IppiSize roiSize, \
                                             IppiAxis flip) {                                      \
    return MirrorInPlace<pixel, moved>(pSrcDst, srcDstStep, roiSize, flip);                        \
  }
PF_MIRROR_IN_PLACE_FORMS(PF_MIRROR_DEFINE_IN_PLACE)
#undef PF_MIRROR_DEFINE_IN_PLACE
#undef PF_MIRROR_IN_PLACE_FORMS

IppStatus ippsSwapBytes_16u_I(Ipp16u* pSrcDst, int len) {
  if (pSrcDst == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  auto* p = reinterpret_cast<uint8_t*>(pSrcDst);
  for (ptrdiff_t i = 0; i < len; ++i) {
    const uint16_t v = rows::Load<uint16_t>(p, i);
    rows::Store<uint16_t>(p, i, static_cast<uint16_t>((v >> 8) | (v << 8)));
  }
  return ippStsNoErr;
}

}  // namespace builtin
