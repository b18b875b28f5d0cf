// Fills and copies of image regions and vectors (see Copy.h).
//
// Every loop walks contiguous rows with plain indexed loads and stores, so the compiler
// vectorises it; contiguous images are worked as one long row. Plain fills and whole-pixel
// copies are the support layer's (fbFillBytes, fbFillElements, fbCopyRows), which run at
// memory speed; a copy stays correct if a caller's rows overlap. The copies between three- and
// four-byte pixels and the four-byte channel fill, which the pixel stores' conversions run
// over whole frames, take Highway vector blocks (CopyHwy.cpp) and finish each row with
// the plain loop.
#include "primitives/image/Copy.h"

#include <cstring>

#include "primitives/image/CopyKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {

namespace copyrows {

namespace {
bool Overlap(const uint8_t* a, ptrdiff_t aBytes, const uint8_t* b, ptrdiff_t bBytes) {
  return a < b + bBytes && b < a + aBytes;
}

// The first three bytes of n pixels of SrcPitch bytes into pixels of DstPitch bytes.
template <int SrcPitch, int DstPitch>
void RowColour(const uint8_t* s, uint8_t* d, ptrdiff_t n, ColourBlocksFn blocks) {
  ptrdiff_t i = 0;
  if (blocks != nullptr && n > 0 && !Overlap(s, SrcPitch * n, d, DstPitch * n))
    i = static_cast<ptrdiff_t>(blocks(s, d, static_cast<size_t>(n)));
  for (; i < n; ++i) {
    d[DstPitch * i + 0] = s[SrcPitch * i + 0];
    d[DstPitch * i + 1] = s[SrcPitch * i + 1];
    d[DstPitch * i + 2] = s[SrcPitch * i + 2];
  }
}
}  // namespace

void RowC3ToAC4(const uint8_t* s, uint8_t* d, ptrdiff_t n, ColourBlocksFn blocks) {
  RowColour<3, 4>(s, d, n, blocks);
}

void RowAC4ToC3(const uint8_t* s, uint8_t* d, ptrdiff_t n, ColourBlocksFn blocks) {
  RowColour<4, 3>(s, d, n, blocks);
}

void RowSetC4Channel(uint8_t* d, ptrdiff_t n, uint8_t value, ChannelBlocksFn blocks) {
  ptrdiff_t i = 0;
  if (blocks != nullptr && n > 0) i = static_cast<ptrdiff_t>(blocks(d, static_cast<size_t>(n), value));
  for (; i < n; ++i) d[4 * i] = value;
}

}  // namespace copyrows

using rows::BadSize;
using rows::CheckImages;
using rows::ForEachRow;

namespace {

// The checks of the region fills: pointer, then size, then step.
IppStatus CheckSet(const void* value, const void* pDst, int dstStep, IppiSize size) {
  if (value == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (BadSize(size)) return ippStsSizeErr;
  if (dstStep < 1) return ippStsStepErr;
  return ippStsNoErr;
}

// A fill of every byte of a row.
IppStatus SetBytes(Ipp8u value, void* pDst, int dstStep, IppiSize size) {
  if (IppStatus s = CheckSet(&value, pDst, dstStep, size); s != ippStsNoErr) return s;
  ForEachRow(pDst, dstStep, 1, size, [value](uint8_t* d, int32_t w) { fbFillBytes(d, value, w); });
  return ippStsNoErr;
}

// A fill of every element of a row with the bits of value as U (16- or 32-bit, at any
// alignment).
template <typename U, typename T>
IppStatus SetElements(T value, void* pDst, int dstStep, IppiSize size) {
  const U bits = static_cast<U>(value);
  if (IppStatus s = CheckSet(&bits, pDst, dstStep, size); s != ippStsNoErr) return s;
  ForEachRow(pDst, dstStep, sizeof(U), size, [bits](uint8_t* row, int32_t w) { fbFillElements<U>(row, bits, w); });
  return ippStsNoErr;
}

// A fill of four-byte pixels with the four bytes of value.
IppStatus SetPixel4(const Ipp8u value[4], Ipp8u* pDst, int dstStep, IppiSize size) {
  if (value == nullptr) return ippStsNullPtrErr;
  uint32_t pixel;
  std::memcpy(&pixel, value, 4);
  return SetElements<uint32_t>(pixel, pDst, dstStep, size);
}

// A fill of the first three bytes of pixels Pitch bytes apart (the alpha byte of a
// four-byte pixel is kept).
template <int Pitch>
IppStatus SetColour(const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize size) {
  if (IppStatus s = CheckSet(value, pDst, dstStep, size); s != ippStsNoErr) return s;
  const uint8_t v0 = value[0], v1 = value[1], v2 = value[2];
  ForEachRow(pDst, dstStep, Pitch, size, [=](uint8_t* d, int32_t w) {
    for (ptrdiff_t i = 0; i < w; ++i) {
      d[Pitch * i + 0] = v0;
      d[Pitch * i + 1] = v1;
      d[Pitch * i + 2] = v2;
    }
  });
  return ippStsNoErr;
}

// A fill of the first byte of pixels Pitch bytes apart; four-byte pixels take the vector
// blocks of CopyKernels.h.
template <int Pitch>
IppStatus SetChannel(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize size) {
  if (IppStatus s = CheckSet(&value, pDst, dstStep, size); s != ippStsNoErr) return s;
  if constexpr (Pitch == 4) {
    const copyrows::ChannelBlocksFn blocks = copyrows::VectorSetC4Channel();
    ForEachRow(pDst, dstStep, 4, size, [value, blocks](uint8_t* d, int32_t w) {
      copyrows::RowSetC4Channel(d, w, value, blocks);
    });
  } else {
    ForEachRow(pDst, dstStep, Pitch, size, [value](uint8_t* d, int32_t w) {
      for (ptrdiff_t i = 0; i < w; ++i) d[Pitch * i] = value;
    });
  }
  return ippStsNoErr;
}

template <int N>
bool AnyNull(const void* const* planes) {
  if (planes == nullptr) return true;
  for (int k = 0; k < N; ++k)
    if (planes[k] == nullptr) return true;
  return false;
}

// A copy of whole pixels of PixelBytes bytes each.
template <int32_t PixelBytes>
IppStatus CopyPixels(const void* pSrc, int srcStep, void* pDst, int dstStep, IppiSize size) {
  if (IppStatus s = CheckImages(pSrc, pDst, size); s != ippStsNoErr) return s;
  fbCopyRows(pSrc, srcStep, pDst, dstStep, int64_t{size.width} * PixelBytes, size.height);
  return ippStsNoErr;
}

// A copy of bytes by a copy of the support layer, which makes its own checks.
template <IppStatus (*Copy)(const void*, int, void*, int, int, int)>
IppStatus SupportCopy(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size) {
  return Copy(pSrc, srcStep, pDst, dstStep, size.width, size.height);
}

// A copy of one byte per pixel: dst[dstPitch * i] <- src[srcPitch * i].
template <int SrcPitch, int DstPitch>
IppStatus CopyChannel(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size) {
  if (IppStatus s = CheckImages(pSrc, pDst, size); s != ippStsNoErr) return s;
  ForEachRow(pSrc, srcStep, SrcPitch, pDst, dstStep, DstPitch, size,
             [](const uint8_t* s, uint8_t* d, int32_t w) {
               for (ptrdiff_t i = 0; i < w; ++i) d[DstPitch * i] = s[SrcPitch * i];
             });
  return ippStsNoErr;
}

// A copy of the first three bytes of each four-byte pixel (support's colour-byte copy).
template <int SrcPitch, int DstPitch>
IppStatus CopyColour(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size) {
  static_assert(SrcPitch == 4 && DstPitch == 4);
  if (IppStatus s = CheckImages(pSrc, pDst, size); s != ippStsNoErr) return s;
  ForEachRow(pSrc, srcStep, SrcPitch, pDst, dstStep, DstPitch, size,
             [](const uint8_t* s, uint8_t* d, int32_t w) { fbCopyColourBytes4(s, d, w); });
  return ippStsNoErr;
}

// The same between three- and four-byte pixels through the row routines of CopyKernels.h and
// their vector blocks.
template <int SrcPitch, int DstPitch>
IppStatus CopyColourRows(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size) {
  static_assert(SrcPitch + DstPitch == 7);
  const copyrows::ColourBlocksFn blocks =
      SrcPitch == 3 ? copyrows::VectorC3ToAC4() : copyrows::VectorAC4ToC3();
  const auto row = SrcPitch == 3 ? copyrows::RowC3ToAC4 : copyrows::RowAC4ToC3;
  if (IppStatus s = CheckImages(pSrc, pDst, size); s != ippStsNoErr) return s;
  ForEachRow(pSrc, srcStep, SrcPitch, pDst, dstStep, DstPitch, size,
             [blocks, row](const uint8_t* s, uint8_t* d, int32_t w) { row(s, d, w, blocks); });
  return ippStsNoErr;
}

// Interleaved pixels of N bytes into N planes, plane by plane within each row.
template <int N>
IppStatus CopyToPlanes(const Ipp8u* pSrc, int srcStep, Ipp8u* const pDst[], int dstStep,
                       IppiSize size) {
  if (pSrc == nullptr || AnyNull<N>(reinterpret_cast<const void* const*>(pDst)))
    return ippStsNullPtrErr;
  if (BadSize(size)) return ippStsSizeErr;
  for (int k = 0; k < N; ++k) {
    ForEachRow(pSrc + k, srcStep, N, pDst[k], dstStep, 1, size,
               [](const uint8_t* s, uint8_t* d, int32_t w) {
                 for (ptrdiff_t i = 0; i < w; ++i) d[i] = s[N * i];
               });
  }
  return ippStsNoErr;
}

}  // namespace

// ---- Fills ---------------------------------------------------------------------------------

// The fills with one value: element type, layout, engine.
#define PF_COPY_SET_FORMS(X)                  \
  X(8u, C1, SetBytes)                         \
  X(16s, C1, SetElements<uint16_t>)           \
  X(32s, C1, SetElements<uint32_t>)           \
  X(8u, C3C, SetChannel<3>)                   \
  X(8u, C4C, SetChannel<4>)
#define PF_COPY_DEFINE_SET(type, layout, engine)                                                   \
  IppStatus ippiSet_##type##_##layout##R(Ipp##type value, Ipp##type* pDst, int dstStep,            \
                                         IppiSize roiSize) {                                       \
    return engine(value, pDst, dstStep, roiSize);                                                  \
  }
PF_COPY_SET_FORMS(PF_COPY_DEFINE_SET)
#undef PF_COPY_DEFINE_SET
#undef PF_COPY_SET_FORMS

// The fills with a value per channel: layout, values given, engine.
#define PF_COPY_SET_PIXEL_FORMS(X) \
  X(C3, 3, SetColour<3>)           \
  X(C4, 4, SetPixel4)              \
  X(AC4, 3, SetColour<4>)
#define PF_COPY_DEFINE_SET_PIXEL(layout, n, engine)                                                \
  IppStatus ippiSet_8u_##layout##R(const Ipp8u value[n], Ipp8u* pDst, int dstStep,                 \
                                   IppiSize roiSize) {                                             \
    return engine(value, pDst, dstStep, roiSize);                                                  \
  }
PF_COPY_SET_PIXEL_FORMS(PF_COPY_DEFINE_SET_PIXEL)
#undef PF_COPY_DEFINE_SET_PIXEL
#undef PF_COPY_SET_PIXEL_FORMS

IppStatus ippsSet_8u(Ipp8u val, Ipp8u* pDst, int len) { return fbSet8u(val, pDst, len); }

IppStatus ippsSet_16s(Ipp16s val, Ipp16s* pDst, int len) {
  if (pDst == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  fbFillElements(pDst, static_cast<uint16_t>(val), len);
  return ippStsNoErr;
}

// ---- Copies --------------------------------------------------------------------------------

// The copies between images of one plane: element type, layout, engine and its template
// arguments.
#define PF_COPY_FORMS(X)                   \
  X(8u, C1, SupportCopy, fbCopy8uC1)       \
  X(16s, C1, CopyPixels, 2)                \
  X(32s, C1, CopyPixels, 4)                \
  X(8u, C3, SupportCopy, fbCopy8uC3)       \
  X(8u, C4, SupportCopy, fbCopy8uC4)       \
  X(8u, AC4, CopyColour, 4, 4)             \
  X(8u, C4C, CopyChannel, 4, 4)            \
  X(8u, C1C3, CopyChannel, 1, 3)           \
  X(8u, C1C4, CopyChannel, 1, 4)           \
  X(8u, C3C1, CopyChannel, 3, 1)           \
  X(8u, C4C1, CopyChannel, 4, 1)           \
  X(8u, C3AC4, CopyColourRows, 3, 4)       \
  X(8u, AC4C3, CopyColourRows, 4, 3)
#define PF_COPY_DEFINE(type, layout, engine, ...)                                                  \
  IppStatus ippiCopy_##type##_##layout##R(const Ipp##type* pSrc, int srcStep, Ipp##type* pDst,     \
                                          int dstStep, IppiSize roiSize) {                         \
    return engine<__VA_ARGS__>(pSrc, srcStep, pDst, dstStep, roiSize);                             \
  }
PF_COPY_FORMS(PF_COPY_DEFINE)
#undef PF_COPY_DEFINE
#undef PF_COPY_FORMS

// The copies of interleaved pixels into planes: layout, channels.
#define PF_COPY_TO_PLANES_FORMS(X) \
  X(C3P3, 3)                       \
  X(C4P4, 4)
#define PF_COPY_DEFINE_TO_PLANES(layout, n)                                                        \
  IppStatus ippiCopy_8u_##layout##R(const Ipp8u* pSrc, int srcStep, Ipp8u* const pDst[n],          \
                                    int dstStep, IppiSize roiSize) {                               \
    return CopyToPlanes<n>(pSrc, srcStep, pDst, dstStep, roiSize);                                 \
  }
PF_COPY_TO_PLANES_FORMS(PF_COPY_DEFINE_TO_PLANES)
#undef PF_COPY_DEFINE_TO_PLANES
#undef PF_COPY_TO_PLANES_FORMS

IppStatus ippiCopy_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize) {
  if (AnyNull<3>(reinterpret_cast<const void* const*>(pSrc)) || pDst == nullptr)
    return ippStsNullPtrErr;
  if (BadSize(roiSize)) return ippStsSizeErr;
  const IppiSize walk = rows::MergeRows(roiSize, srcStep, roiSize.width, dstStep,
                                        3 * static_cast<int64_t>(roiSize.width));
  for (int32_t y = 0; y < walk.height; ++y) {
    const uint8_t* p0 = rows::Row(pSrc[0], srcStep, y);
    const uint8_t* p1 = rows::Row(pSrc[1], srcStep, y);
    const uint8_t* p2 = rows::Row(pSrc[2], srcStep, y);
    uint8_t* d = rows::Row(pDst, dstStep, y);
    for (ptrdiff_t i = 0; i < walk.width; ++i) {
      d[3 * i + 0] = p0[i];
      d[3 * i + 1] = p1[i];
      d[3 * i + 2] = p2[i];
    }
  }
  return ippStsNoErr;
}

}  // namespace builtin
