// The magnitude and suppression pass of Canny (CannyEdges.cpp) and the block interface of its
// vector suppression (CannyEdgesHwy.cpp).
//
// The pass computes the magnitudes row by row and suppresses each row: the vector blocks do the
// whole vectors of the row from its start, pushing the strong pixels they find on the coordinate
// stack, and return how many pixels they did; the per-pixel code finishes the row from there. The
// kernel is looked up once per call; a null kernel leaves every row to the per-pixel code, which
// is the reference: the blocks give the same map and destination bytes and push the same strong
// pixels in the same order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "primitives/support/RowAccess.h"

namespace builtin::canny {

// Map cells: 0 no candidate, 128 a candidate that survived the suppression, 255 an edge.
inline constexpr uint8_t kCandidate = 128;
inline constexpr uint8_t kEdge = 255;

// One row of the suppression. The magnitude rows start at the region's column 0 and have a
// zero column on each side (index -1 and width); the derivative rows may start at any address.
struct TSuppressRow {
  const int32_t* above;
  const int32_t* mid;
  const int32_t* below;
  const uint8_t* dx;
  const uint8_t* dy;
  uint8_t* map;  // the row's map cells, from column 0
  uint8_t* dst;  // the row's destination bytes, already 0
  ptrdiff_t width;
  int32_t y;
  float high;       // a magnitude above it is strong
  int32_t strongT;  // the same test in integers: m > strongT
};

// Gradient sectors split at tan 22.5 = sqrt 2 - 1 and tan 67.5 = sqrt 2 + 1. For a, b up to
// 32768 the integer forms below decide exactly as the comparisons b > 2.414213562373095 * a and
// b >= 0.41421356237309503 * a in extended precision (checked for every pair).
inline bool SteeperThan67(int64_t a, int64_t b) { return b > a && (b - a) * (b - a) > 2 * a * a; }
inline bool SteeperThan22(int64_t a, int64_t b) { return (b + a) * (b + a) >= 2 * a * a; }

// The map cell of pixel x after the suppression: 0, kCandidate, or kEdge for a strong one.
inline uint8_t SuppressPixel(const TSuppressRow& r, ptrdiff_t x) {
  const int32_t m = r.mid[x];
  if (m == 0) return 0;
  const int32_t xs = rows::Load<int16_t>(r.dx, x), ys = rows::Load<int16_t>(r.dy, x);
  const int64_t a = xs < 0 ? -int64_t{xs} : xs;
  const int64_t b = ys < 0 ? -int64_t{ys} : ys;
  bool keep;
  if (SteeperThan67(a, b)) {
    keep = m > r.above[x] && m >= r.below[x];
  } else if (SteeperThan22(a, b)) {
    const ptrdiff_t s = (xs ^ ys) < 0 ? 1 : -1;  // different signs: above-right and below-left
    keep = m > r.above[x + s] && m > r.below[x - s];
  } else {
    keep = m > r.mid[x - 1] && m >= r.mid[x + 1];
  }
  if (!keep) return 0;
  return static_cast<float>(m) > r.high ? kEdge : kCandidate;
}

// Writes the outcome of pixel x; a strong pixel is also an edge of the destination and goes on
// the coordinate stack.
template <typename Coord>
inline Coord* MarkPixel(const TSuppressRow& r, ptrdiff_t x, uint8_t cell, Coord* top) {
  if (cell == 0) return top;
  r.map[x] = cell;
  if (cell != kEdge) return top;
  r.dst[x] = 255;
  top[0] = static_cast<Coord>(r.y);
  top[1] = static_cast<Coord>(x);
  return top + 2;
}

// Vector blocks of the suppression: the whole vectors of pixels 0 .. n - 1 of a row (n at most
// its width), their strong pixels pushed at top, which is advanced; returns the pixels done and
// writes no map or destination byte past them.
template <typename Coord>
using TSuppressBlocksFn = size_t (*)(const TSuppressRow& row, Coord*& top, size_t n);
TSuppressBlocksFn<uint16_t> VectorSuppressBlocks16();
TSuppressBlocksFn<uint32_t> VectorSuppressBlocks32();

template <typename Coord>
TSuppressBlocksFn<Coord> VectorSuppressBlocks() {
  if constexpr (sizeof(Coord) == sizeof(uint16_t))
    return VectorSuppressBlocks16();
  else
    return VectorSuppressBlocks32();
}

// The suppression of one row: the blocks (when given), then pixel by pixel; returns the new
// stack top.
template <typename Coord>
Coord* SuppressRow(const TSuppressRow& row, Coord* top, TSuppressBlocksFn<Coord> blocks);

// Everything the pass needs: the derivative and destination images, the thresholds, and the
// map (zeroed, with its border) and the ring of four magnitude rows (zeroed) in the work buffer.
struct TPass {
  const void* dx;
  int32_t dxStep;
  const void* dy;
  int32_t dyStep;
  void* dst;
  int32_t dstStep;
  ptrdiff_t width;
  int32_t height;
  int32_t lowT;
  float high;
  uint8_t* map;
  ptrdiff_t mapStride;
  int32_t* ring;
};

// Computes the magnitudes row by row into the ring and suppresses each row with SuppressRow;
// returns the top of the coordinate stack that starts at stack.
template <typename Coord>
Coord* SuppressionPass(const TPass& pass, Coord* stack, TSuppressBlocksFn<Coord> blocks);

}  // namespace builtin::canny
