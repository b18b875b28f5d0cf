#include "primitives/vision/CannyEdges.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "primitives/support/RowAccess.h"
#include "primitives/support/FloatToInt.h"
#include "primitives/support/Support.h"
#include "primitives/vision/CannyEdgesKernels.h"

namespace builtin {
namespace canny {
namespace {

constexpr ptrdiff_t kBlock = 16;

// Magnitudes |dx| + |dy| of one row into columns 0..w - 1 of a ring row; those not above the
// low threshold are stored as 0 (no candidate). The derivative rows may start at any address.
inline int32_t Magnitude(const uint8_t* dx, const uint8_t* dy, ptrdiff_t i, int32_t lowT) {
  const int32_t v = std::abs(int32_t{rows::Load<Ipp16s>(dx, i)}) + std::abs(int32_t{rows::Load<Ipp16s>(dy, i)});
  return v > lowT ? v : 0;
}

void MagnitudeRow(const uint8_t* __restrict dx, const uint8_t* __restrict dy, int32_t* __restrict m, ptrdiff_t w,
                  int32_t lowT) {
  ptrdiff_t x = 0;
  for (; x <= w - kBlock; x += kBlock)
    for (ptrdiff_t k = 0; k < kBlock; ++k) m[x + k] = Magnitude(dx, dy, x + k, lowT);
  for (; x < w; ++x) m[x] = Magnitude(dx, dy, x, lowT);
}

// True when no value of the block is a candidate; lets the suppression skip quiet runs.
bool BlockIsQuiet(const int32_t* __restrict m) {
  int32_t any = 0;
  for (ptrdiff_t k = 0; k < kBlock; ++k) any |= m[k];
  return any == 0;
}

}  // namespace

// The per-pixel suppression of a row's pixels from x on: the reference of the vector blocks.
template <typename Coord>
Coord* SuppressRowScalar(const TSuppressRow& r, ptrdiff_t x, Coord* top) {
  const ptrdiff_t w = r.width;
  for (; x < w; ++x) {
    if ((x & (kBlock - 1)) == 0 && x <= w - kBlock && BlockIsQuiet(r.mid + x)) {
      x += kBlock - 1;
      continue;
    }
    top = MarkPixel(r, x, SuppressPixel(r, x), top);
  }
  return top;
}

template <typename Coord>
Coord* SuppressRow(const TSuppressRow& r, Coord* top, TSuppressBlocksFn<Coord> blocks) {
  const size_t done = blocks != nullptr ? blocks(r, top, static_cast<size_t>(r.width)) : 0;
  return SuppressRowScalar(r, static_cast<ptrdiff_t>(done), top);
}

template uint16_t* SuppressRow(const TSuppressRow&, uint16_t*, TSuppressBlocksFn<uint16_t>);
template uint32_t* SuppressRow(const TSuppressRow&, uint32_t*, TSuppressBlocksFn<uint32_t>);

template <typename Coord>
Coord* SuppressionPass(const TPass& p, Coord* stack, TSuppressBlocksFn<Coord> blocks) {
  const ptrdiff_t w = p.width;
  const int32_t h = p.height;
  // A magnitude (at most 65536, exact in float) is above the float threshold exactly when it
  // is above the threshold's floor; a threshold beyond every magnitude makes nothing strong.
  const int32_t strongT = p.high < 2147483648.0f ? fbTruncToInt32(std::floor(static_cast<double>(p.high))) : INT32_MAX;
  // Ring row of image row y (-1 .. h): (y + 1) % 4. Column 0 and w + 1 stay 0, as do the rows
  // above the first and below the last image row.
  auto ringRow = [&](int64_t y) { return p.ring + static_cast<ptrdiff_t>((y + 1) & 3) * p.mapStride; };
  using rows::Row;
  MagnitudeRow(Row(p.dx, p.dxStep, 0), Row(p.dy, p.dyStep, 0), ringRow(0) + 1, w, p.lowT);
  Coord* top = stack;
  for (int32_t y = 0; y < h; ++y) {
    int32_t* below = ringRow(int64_t{y} + 1);
    if (y < h - 1)
      MagnitudeRow(Row(p.dx, p.dxStep, y + 1), Row(p.dy, p.dyStep, y + 1), below + 1, w, p.lowT);
    else
      fbZeroBytes(below, p.mapStride * int64_t{sizeof(int32_t)});
    const TSuppressRow row{ringRow(int64_t{y} - 1) + 1,
                           ringRow(y) + 1,
                           below + 1,
                           Row(p.dx, p.dxStep, y),
                           Row(p.dy, p.dyStep, y),
                           p.map + (int64_t{y} + 1) * p.mapStride + 1,
                           Row(p.dst, p.dstStep, y),
                           w,
                           y,
                           p.high,
                           strongT};
    top = SuppressRow(row, top, blocks);
  }
  return top;
}

template uint16_t* SuppressionPass(const TPass&, uint16_t*, TSuppressBlocksFn<uint16_t>);
template uint32_t* SuppressionPass(const TPass&, uint32_t*, TSuppressBlocksFn<uint32_t>);

}  // namespace canny

namespace {

// Both padded sides below 65535: the coordinate stack holds 16-bit pairs.
bool SmallCoordinates(IppiSize roi) { return int64_t{roi.width} + 2 < 65535 && int64_t{roi.height} + 2 < 65535; }

// The work-buffer size in 64 bits (both sides >= 1); anything above INT32_MAX means "too big".
int64_t CannyBufferSize(IppiSize roi) {
  const int64_t cells = (int64_t{roi.width} + 2) * (int64_t{roi.height} + 2);
  if (cells > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int64_t>::max();
  const int64_t perCell = SmallCoordinates(roi) ? 5 : 9;
  return perCell * cells + 16 * int64_t{roi.width} + 160;
}

Ipp8u* AlignUp32(Ipp8u* p) {
  const uintptr_t a = reinterpret_cast<uintptr_t>(p);
  return reinterpret_cast<Ipp8u*>((a + 31) & ~uintptr_t{31});
}

using rows::Row;

template <typename Coord>
IppStatus Canny(const Ipp16s* pSrcDx, int srcDxStep, const Ipp16s* pSrcDy, int srcDyStep, Ipp8u* pDst,
                int dstStep, IppiSize roi, int32_t lowT, float high, Ipp8u* pBuffer, bool vector) {
  const ptrdiff_t w = roi.width;
  const int32_t h = roi.height;
  const ptrdiff_t mapStride = w + 2;

  // Only the region's bytes of each destination row are cleared: the bytes between its width
  // and the step belong to the caller (and the last row may end at the image's end).
  for (int32_t y = 0; y < h; ++y) fbZeroBytes(Row(pDst, dstStep, y), w);

  Ipp8u* map = AlignUp32(pBuffer);
  const int64_t mapBytes = mapStride * (int64_t{h} + 2);
  int32_t* ring = reinterpret_cast<int32_t*>(AlignUp32(map + mapBytes) + 12);
  const int64_t ringBytes = 4 * mapStride * int64_t{sizeof(int32_t)};
  Coord* stackBase = reinterpret_cast<Coord*>(reinterpret_cast<Ipp8u*>(ring) + ringBytes);
  fbZeroBytes(map, mapBytes);
  fbZeroBytes(ring, ringBytes + 32);

  const canny::TPass pass{pSrcDx, srcDxStep, pSrcDy, srcDyStep, pDst, dstStep, w, h, lowT, high, map, mapStride, ring};
  const canny::TSuppressBlocksFn<Coord> blocks =
      vector ? canny::VectorSuppressBlocks<Coord>() : nullptr;
  Coord* top = canny::SuppressionPass(pass, stackBase, blocks);

  // Hysteresis: grow the strong pixels through 8-connected candidates. A pixel that becomes an
  // edge is marked in the map as well as in the destination, so each is pushed once and the
  // stack holds at most w * h entries; the map's zero border keeps the growth in the region.
  const ptrdiff_t ms = mapStride, ds = dstStep;
  const ptrdiff_t mapOffsets[8] = {-ms - 1, -ms, -ms + 1, -1, 1, ms - 1, ms, ms + 1};
  const ptrdiff_t dstOffsets[8] = {-ds - 1, -ds, -ds + 1, -1, 1, ds - 1, ds, ds + 1};
  static constexpr ptrdiff_t kDy[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
  static constexpr ptrdiff_t kDx[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
  while (top != stackBase) {
    top -= 2;
    const ptrdiff_t r = static_cast<ptrdiff_t>(top[0]), c = static_cast<ptrdiff_t>(top[1]);
    Ipp8u* cell = map + (r + 1) * ms + c + 1;
    Ipp8u* out = Row(pDst, dstStep, static_cast<int32_t>(r)) + c;
    for (int n = 0; n < 8; ++n) {
      if (cell[mapOffsets[n]] != canny::kCandidate) continue;
      cell[mapOffsets[n]] = canny::kEdge;
      out[dstOffsets[n]] = 255;
      top[0] = static_cast<Coord>(r + kDy[n]);
      top[1] = static_cast<Coord>(c + kDx[n]);
      top += 2;
    }
  }
  return ippStsNoErr;
}

IppStatus CheckedCanny(const Ipp16s* pSrcDx, int srcDxStep, const Ipp16s* pSrcDy, int srcDyStep, Ipp8u* pDstEdges,
                       int dstEdgeStep, IppiSize roiSize, Ipp32f lowThresh, Ipp32f highThresh, Ipp8u* pBuffer,
                       bool vector) {
  if (!pSrcDx || !pSrcDy || !pDstEdges || !pBuffer) return ippStsNullPtrErr;
  if (roiSize.width < 1 || roiSize.height < 1) return ippStsSizeErr;
  const int64_t w = roiSize.width;
  if (srcDxStep < 2 * w || srcDyStep < 2 * w || dstEdgeStep < w) return ippStsStepErr;
  if (srcDxStep % 2 != 0 || srcDyStep % 2 != 0) return ippStsNotEvenStepErr;
  // Written so that a threshold that is not a number is refused as well.
  if (!(lowThresh >= 0) || !(highThresh >= lowThresh)) return ippStsBadArgErr;
  // Last: no caller can hold a buffer for a region whose size ippiCannyGetSize refuses.
  if (CannyBufferSize(roiSize) > std::numeric_limits<int>::max()) return ippStsSizeErr;
  const int32_t lowT = fbTruncToInt32(static_cast<double>(lowThresh));
  if (SmallCoordinates(roiSize))
    return Canny<uint16_t>(pSrcDx, srcDxStep, pSrcDy, srcDyStep, pDstEdges, dstEdgeStep, roiSize, lowT,
                           highThresh, pBuffer, vector);
  return Canny<uint32_t>(pSrcDx, srcDxStep, pSrcDy, srcDyStep, pDstEdges, dstEdgeStep, roiSize, lowT, highThresh,
                         pBuffer, vector);
}

}  // namespace

IppStatus ippiCannyGetSize(IppiSize roiSize, int* pBufferSize) {
  if (!pBufferSize) return ippStsNullPtrErr;
  if (roiSize.width < 1 || roiSize.height < 1) return ippStsSizeErr;
  const int64_t size = CannyBufferSize(roiSize);
  if (size > std::numeric_limits<int>::max()) return ippStsSizeErr;
  *pBufferSize = static_cast<int>(size);
  return ippStsNoErr;
}

IppStatus ippiCanny_16s8u_C1R(const Ipp16s* pSrcDx, int srcDxStep, const Ipp16s* pSrcDy,
                              int srcDyStep, Ipp8u* pDstEdges, int dstEdgeStep, IppiSize roiSize,
                              Ipp32f lowThresh, Ipp32f highThresh, Ipp8u* pBuffer) {
  return CheckedCanny(pSrcDx, srcDxStep, pSrcDy, srcDyStep, pDstEdges, dstEdgeStep, roiSize, lowThresh, highThresh,
                      pBuffer, true);
}

IppStatus CannyScalarReference(const Ipp16s* pSrcDx, int srcDxStep, const Ipp16s* pSrcDy, int srcDyStep,
                               Ipp8u* pDstEdges, int dstEdgeStep, IppiSize roiSize, Ipp32f lowThresh,
                               Ipp32f highThresh, Ipp8u* pBuffer) {
  return CheckedCanny(pSrcDx, srcDxStep, pSrcDy, srcDyStep, pDstEdges, dstEdgeStep, roiSize, lowThresh, highThresh,
                      pBuffer, false);
}

}  // namespace builtin
