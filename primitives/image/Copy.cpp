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

// A fill of every element of a row with the bit pattern U (16- or 32-bit, at any alignment).
template <typename U>
IppStatus SetElements(U bits, void* pDst, int dstStep, IppiSize size) {
  if (IppStatus s = CheckSet(&bits, pDst, dstStep, size); s != ippStsNoErr) return s;
  ForEachRow(pDst, dstStep, sizeof(U), size, [bits](uint8_t* row, int32_t w) { fbFillElements<U>(row, bits, w); });
  return ippStsNoErr;
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

// A fill of the first byte of pixels Pitch bytes apart.
template <int Pitch>
IppStatus SetChannel(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize size) {
  if (IppStatus s = CheckSet(&value, pDst, dstStep, size); s != ippStsNoErr) return s;
  ForEachRow(pDst, dstStep, Pitch, size, [value](uint8_t* d, int32_t w) {
    for (ptrdiff_t i = 0; i < w; ++i) d[Pitch * i] = value;
  });
  return ippStsNoErr;
}

template <int N>
bool AnyNull(const void* const* planes) {
  if (planes == nullptr) return true;
  for (int k = 0; k < N; ++k)
    if (planes[k] == nullptr) return true;
  return false;
}

// A copy of whole pixels of pixelBytes bytes each.
IppStatus CopyPixels(const void* pSrc, int srcStep, void* pDst, int dstStep, IppiSize size,
                     int32_t pixelBytes) {
  if (IppStatus s = CheckImages(pSrc, pDst, size); s != ippStsNoErr) return s;
  fbCopyRows(pSrc, srcStep, pDst, dstStep, int64_t{size.width} * pixelBytes, size.height);
  return ippStsNoErr;
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

// A copy of the first three bytes of each pixel, between pixels of 3 or 4 bytes.
template <int SrcPitch, int DstPitch>
IppStatus CopyColour(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size) {
  if (IppStatus s = CheckImages(pSrc, pDst, size); s != ippStsNoErr) return s;
  ForEachRow(pSrc, srcStep, SrcPitch, pDst, dstStep, DstPitch, size,
             [](const uint8_t* s, uint8_t* d, int32_t w) {
               for (ptrdiff_t i = 0; i < w; ++i) {
                 d[DstPitch * i + 0] = s[SrcPitch * i + 0];
                 d[DstPitch * i + 1] = s[SrcPitch * i + 1];
                 d[DstPitch * i + 2] = s[SrcPitch * i + 2];
               }
             });
  return ippStsNoErr;
}

// The same through a row routine of CopyKernels.h and its vector blocks.
template <int SrcPitch, int DstPitch>
IppStatus CopyColourRows(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size,
                         copyrows::ColourBlocksFn blocks,
                         void (*row)(const uint8_t*, uint8_t*, ptrdiff_t, copyrows::ColourBlocksFn)) {
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

IppStatus ippiSet_8u_C1R(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  if (IppStatus s = CheckSet(&value, pDst, dstStep, roiSize); s != ippStsNoErr) return s;
  ForEachRow(pDst, dstStep, 1, roiSize, [value](uint8_t* d, int32_t w) { fbFillBytes(d, value, w); });
  return ippStsNoErr;
}

IppStatus ippiSet_16s_C1R(Ipp16s value, Ipp16s* pDst, int dstStep, IppiSize roiSize) {
  return SetElements(static_cast<uint16_t>(value), pDst, dstStep, roiSize);
}

IppStatus ippiSet_32s_C1R(Ipp32s value, Ipp32s* pDst, int dstStep, IppiSize roiSize) {
  return SetElements(static_cast<uint32_t>(value), pDst, dstStep, roiSize);
}

IppStatus ippiSet_8u_C3R(const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return SetColour<3>(value, pDst, dstStep, roiSize);
}

IppStatus ippiSet_8u_C4R(const Ipp8u value[4], Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  if (value == nullptr) return ippStsNullPtrErr;
  uint32_t pixel;
  std::memcpy(&pixel, value, 4);
  return SetElements(pixel, pDst, dstStep, roiSize);
}

IppStatus ippiSet_8u_AC4R(const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return SetColour<4>(value, pDst, dstStep, roiSize);
}

IppStatus ippiSet_8u_C3CR(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return SetChannel<3>(value, pDst, dstStep, roiSize);
}

IppStatus ippiSet_8u_C4CR(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  if (IppStatus s = CheckSet(&value, pDst, dstStep, roiSize); s != ippStsNoErr) return s;
  const copyrows::ChannelBlocksFn blocks = copyrows::VectorSetC4Channel();
  ForEachRow(pDst, dstStep, 4, roiSize, [value, blocks](uint8_t* d, int32_t w) {
    copyrows::RowSetC4Channel(d, w, value, blocks);
  });
  return ippStsNoErr;
}

IppStatus ippsSet_8u(Ipp8u val, Ipp8u* pDst, int len) { return fbSet8u(val, pDst, len); }

IppStatus ippsSet_16s(Ipp16s val, Ipp16s* pDst, int len) {
  if (pDst == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  fbFillElements(pDst, static_cast<uint16_t>(val), len);
  return ippStsNoErr;
}

// ---- Copies of whole pixels ----------------------------------------------------------------

IppStatus ippiCopy_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                          IppiSize roiSize) {
  return fbCopy8uC1(pSrc, srcStep, pDst, dstStep, roiSize.width, roiSize.height);
}

IppStatus ippiCopy_16s_C1R(const Ipp16s* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                           IppiSize roiSize) {
  return CopyPixels(pSrc, srcStep, pDst, dstStep, roiSize, 2);
}

IppStatus ippiCopy_32s_C1R(const Ipp32s* pSrc, int srcStep, Ipp32s* pDst, int dstStep,
                           IppiSize roiSize) {
  return CopyPixels(pSrc, srcStep, pDst, dstStep, roiSize, 4);
}

IppStatus ippiCopy_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                          IppiSize roiSize) {
  return fbCopy8uC3(pSrc, srcStep, pDst, dstStep, roiSize.width, roiSize.height);
}

IppStatus ippiCopy_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                          IppiSize roiSize) {
  return fbCopy8uC4(pSrc, srcStep, pDst, dstStep, roiSize.width, roiSize.height);
}

// ---- Copies between channel layouts --------------------------------------------------------

IppStatus ippiCopy_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                           IppiSize roiSize) {
  return CopyColour<4, 4>(pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiCopy_8u_C4CR(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                           IppiSize roiSize) {
  return CopyChannel<4, 4>(pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiCopy_8u_C1C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize) {
  return CopyChannel<1, 3>(pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiCopy_8u_C1C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize) {
  return CopyChannel<1, 4>(pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiCopy_8u_C3C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize) {
  return CopyChannel<3, 1>(pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiCopy_8u_C4C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize) {
  return CopyChannel<4, 1>(pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiCopy_8u_C3AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                             IppiSize roiSize) {
  return CopyColourRows<3, 4>(pSrc, srcStep, pDst, dstStep, roiSize, copyrows::VectorC3ToAC4(),
                              copyrows::RowC3ToAC4);
}

IppStatus ippiCopy_8u_AC4C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                             IppiSize roiSize) {
  return CopyColourRows<4, 3>(pSrc, srcStep, pDst, dstStep, roiSize, copyrows::VectorAC4ToC3(),
                              copyrows::RowAC4ToC3);
}

IppStatus ippiCopy_8u_C3P3R(const Ipp8u* pSrc, int srcStep, Ipp8u* const pDst[3], int dstStep,
                            IppiSize roiSize) {
  return CopyToPlanes<3>(pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiCopy_8u_C4P4R(const Ipp8u* pSrc, int srcStep, Ipp8u* const pDst[4], int dstStep,
                            IppiSize roiSize) {
  return CopyToPlanes<4>(pSrc, srcStep, pDst, dstStep, roiSize);
}

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
