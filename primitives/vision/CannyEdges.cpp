#include "primitives/vision/CannyEdges.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "primitives/image/PXImageRows.h"
#include "primitives/support/FloatToInt.h"

namespace builtin {
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

using rows::Load;
using rows::Row;

constexpr ptrdiff_t kBlock = 16;
// Map cells: 0 no candidate, 128 a candidate that survived the suppression, 255 an edge.
constexpr Ipp8u kCandidate = 128;
constexpr Ipp8u kEdge = 255;

// Magnitudes |dx| + |dy| of one row into columns 1..w of a ring row; those not above the low
// threshold are stored as 0 (no candidate).
// The derivative rows may start at any address; their values are read with Load.
inline int32_t Magnitude(const uint8_t* dx, const uint8_t* dy, ptrdiff_t i, int32_t lowT) {
  const int32_t v = std::abs(int32_t{Load<Ipp16s>(dx, i)}) + std::abs(int32_t{Load<Ipp16s>(dy, i)});
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

// Gradient sectors split at tan 22.5 = sqrt 2 - 1 and tan 67.5 = sqrt 2 + 1. For a, b up to
// 32768 the integer forms below decide exactly as the comparisons b > 2.414213562373095 * a and
// b >= 0.41421356237309503 * a in extended precision (checked for every pair).
inline bool SteeperThan67(int64_t a, int64_t b) { return b > a && (b - a) * (b - a) > 2 * a * a; }
inline bool SteeperThan22(int64_t a, int64_t b) { return (b + a) * (b + a) >= 2 * a * a; }

template <typename Coord>
IppStatus Canny(const Ipp16s* pSrcDx, int srcDxStep, const Ipp16s* pSrcDy, int srcDyStep, Ipp8u* pDst,
                int dstStep, IppiSize roi, int32_t lowT, float high, Ipp8u* pBuffer) {
  const ptrdiff_t w = roi.width;
  const int32_t h = roi.height;
  const ptrdiff_t mapStride = w + 2;

  // Only the region's bytes of each destination row are cleared: the bytes between its width
  // and the step belong to the caller (and the last row may end at the image's end).
  for (int32_t y = 0; y < h; ++y) std::memset(Row(pDst, dstStep, y), 0, static_cast<size_t>(w));

  Ipp8u* map = AlignUp32(pBuffer);
  const size_t mapBytes = static_cast<size_t>(mapStride) * (static_cast<size_t>(h) + 2);
  int32_t* ring = reinterpret_cast<int32_t*>(AlignUp32(map + mapBytes) + 12);
  const size_t ringBytes = 4 * static_cast<size_t>(mapStride) * sizeof(int32_t);
  Coord* stackBase = reinterpret_cast<Coord*>(reinterpret_cast<Ipp8u*>(ring) + ringBytes);
  std::memset(map, 0, mapBytes);
  std::memset(ring, 0, ringBytes + 32);

  // Ring row of image row y (-1 .. h): (y + 1) % 4. Column 0 and w + 1 stay 0, as do the rows
  // above the first and below the last image row.
  auto ringRow = [&](int64_t y) { return ring + static_cast<ptrdiff_t>((y + 1) & 3) * mapStride; };
  MagnitudeRow(Row(pSrcDx, srcDxStep, 0), Row(pSrcDy, srcDyStep, 0), ringRow(0) + 1, w, lowT);

  Coord* top = stackBase;
  for (int32_t y = 0; y < h; ++y) {
    int32_t* below = ringRow(int64_t{y} + 1);
    if (y < h - 1)
      MagnitudeRow(Row(pSrcDx, srcDxStep, y + 1), Row(pSrcDy, srcDyStep, y + 1), below + 1, w, lowT);
    else
      std::memset(below, 0, static_cast<size_t>(mapStride) * sizeof(int32_t));
    const int32_t* above = ringRow(int64_t{y} - 1) + 1;
    const int32_t* mid = ringRow(y) + 1;
    const int32_t* low = below + 1;
    const uint8_t* dx = Row(pSrcDx, srcDxStep, y);
    const uint8_t* dy = Row(pSrcDy, srcDyStep, y);
    Ipp8u* mapRow = map + (int64_t{y} + 1) * mapStride + 1;
    Ipp8u* dst = Row(pDst, dstStep, y);

    for (ptrdiff_t x = 0; x < w; ++x) {
      if ((x & (kBlock - 1)) == 0 && x <= w - kBlock && BlockIsQuiet(mid + x)) {
        x += kBlock - 1;
        continue;
      }
      const int32_t m = mid[x];
      if (m == 0) continue;
      const int32_t xs = Load<Ipp16s>(dx, x), ys = Load<Ipp16s>(dy, x);
      const int64_t a = xs < 0 ? -int64_t{xs} : xs;
      const int64_t b = ys < 0 ? -int64_t{ys} : ys;
      bool keep;
      if (SteeperThan67(a, b)) {
        keep = m > above[x] && m >= low[x];
      } else if (SteeperThan22(a, b)) {
        const ptrdiff_t s = (xs ^ ys) < 0 ? 1 : -1;  // different signs: above-right and below-left
        keep = m > above[x + s] && m > low[x - s];
      } else {
        keep = m > mid[x - 1] && m >= mid[x + 1];
      }
      if (!keep) continue;
      if (static_cast<float>(m) > high) {  // a strong edge
        mapRow[x] = kEdge;
        dst[x] = 255;
        top[0] = static_cast<Coord>(y);
        top[1] = static_cast<Coord>(x);
        top += 2;
      } else {
        mapRow[x] = kCandidate;
      }
    }
  }

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
      if (cell[mapOffsets[n]] != kCandidate) continue;
      cell[mapOffsets[n]] = kEdge;
      out[dstOffsets[n]] = 255;
      top[0] = static_cast<Coord>(r + kDy[n]);
      top[1] = static_cast<Coord>(c + kDx[n]);
      top += 2;
    }
  }
  return ippStsNoErr;
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
                           highThresh, pBuffer);
  return Canny<uint32_t>(pSrcDx, srcDxStep, pSrcDy, srcDyStep, pDstEdges, dstEdgeStep, roiSize, lowT,
                         highThresh, pBuffer);
}

}  // namespace builtin
